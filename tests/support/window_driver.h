#pragma once

#include <glibmm/main.h>
#include <gtkmm/button.h>
#include <gtkmm/window.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

// Drives real windows from a test: the main loop runs until what the test
// waits for has happened, never for a fixed time.
namespace WindowDriver {

// Runs the main loop until the condition holds; false when it never did.
inline bool runUntil(const std::function<bool()>& done, int seconds = 10)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    auto context = Glib::MainContext::get_default();
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        context->iteration(false);
        g_usleep(1000);
    }
    return true;
}

// Presses the button as Enter or a click on it would, and waits for its
// clicked handlers to have run.
inline bool click(Gtk::Button& button, int seconds = 10)
{
    bool clicked = false;
    auto heard = button.signal_clicked().connect([&clicked] { clicked = true; });
    button.activate();
    const bool ok = runUntil([&clicked] { return clicked; }, seconds);
    heard.disconnect();
    return ok;
}

// Presses keys (xdotool's names: "Tab", "shift+Tab", "Return") on the
// window that has the keyboard; they arrive through the main loop.
inline bool pressKeys(const std::string& keys)
{
    return std::system(("xdotool key " + keys).c_str()) == 0;
}

// Whether the keyboard focus of the widget's window is in the widget.
inline bool hasFocus(Gtk::Widget& widget)
{
    const Gtk::Root* root = widget.get_root();
    const Gtk::Widget* focus = root ? root->get_focus() : nullptr;
    return focus && (focus == &widget || focus->is_ancestor(widget));
}

// The shown top-level window of that name, or none.
inline Gtk::Window* shownWindow(const std::string& name)
{
    for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
        if (w->get_name().raw() == name && w->get_mapped())
            return w;
    }
    return nullptr;
}

} // namespace WindowDriver
