#pragma once

#include "platform/message_box.h"
#include "platform/window_placement.h"
#include "window_driver.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

using WindowDriver::runUntil;

// Activates a button as its access key would; true once its click arrived
// through the main loop (never, for a disabled button).
inline bool press(Gtk::Button& button)
{
    return WindowDriver::click(button, 2);
}

// The first widget below top (itself included) that the test picks.
inline Gtk::Widget* findWidget(Gtk::Widget& top, const std::function<bool(Gtk::Widget&)>& pick)
{
    if (pick(top))
        return &top;
    for (Gtk::Widget* child = top.get_first_child(); child; child = child->get_next_sibling()) {
        if (Gtk::Widget* found = findWidget(*child, pick))
            return found;
    }
    return nullptr;
}

// The row of a list view that shows this text.
inline Gtk::Widget* rowShowing(Gtk::Widget& list, const std::string& text)
{
    return findWidget(list, [&](Gtk::Widget& w) {
        auto* label = dynamic_cast<Gtk::Label*>(&w);
        return label && label->get_text().raw() == text && label->get_mapped();
    });
}

// Clicks (once or twice) on a widget through the X server, as a mouse would:
// across its middle, `down` of its height from the top.
inline void clickOn(Gtk::Widget& widget, int clicks = 1, double down = 0.5)
{
    double x = 0, y = 0;
    widget.translate_coordinates(*dynamic_cast<Gtk::Widget*>(widget.get_root()),
                                 widget.get_width() / 2.0, widget.get_height() * down, x, y);
    const std::string command = "xdotool mousemove " + std::to_string(int(x)) + " " +
                                std::to_string(int(y)) + " click --repeat " +
                                std::to_string(clicks) + " --delay 80 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// A window at the screen's top left holding one tab's page, with message
// boxes answered from the test's queue.
struct TabWindow
{
    Gtk::Window window;
    Gtk::Fixed page;

    TabWindow()
    {
        MessageBox::enableTestMode();
        MessageBox::takeShown();
        window.set_default_size(494, 330);
        window.set_child(page);
    }
    ~TabWindow() { MessageBox::takeShown(); }

    void show(Gtk::Widget& last)
    {
        window.present();
        keepPlaced(window, [](int, int) { return PixelPoint{0, 0}; });
        ASSERT_TRUE(runUntil([&] { return last.get_mapped() && last.get_width() > 0; }));
    }
    // The widget that has the keyboard focus is this one or inside it.
    bool focusIn(Gtk::Widget& widget)
    {
        for (Gtk::Widget* w = window.get_focus(); w; w = w->get_parent()) {
            if (w == &widget)
                return true;
        }
        return false;
    }
};
