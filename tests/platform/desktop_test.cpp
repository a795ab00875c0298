#include "platform/colors.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/window_placement.h"
#include "platform/x11_hold.h"

#include "window_driver.h"

#include <gtest/gtest.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <csignal>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

using WindowDriver::runUntil;

void eachWidget(Gtk::Widget& top, const std::function<void(Gtk::Widget&)>& visit)
{
    visit(top);
    for (Gtk::Widget* child = top.get_first_child(); child; child = child->get_next_sibling())
        eachWidget(*child, visit);
}

template <typename T> T* findNamed(Gtk::Widget& top, const std::string& name)
{
    T* found = nullptr;
    eachWidget(top, [&](Gtk::Widget& w) {
        if (!found && std::string(w.get_name()) == name)
            found = dynamic_cast<T*>(&w);
    });
    return found;
}

Gtk::Window* shownWindow(const std::string& name)
{
    for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
        if (std::string(w->get_name()) == name && w->get_mapped())
            return w;
    }
    return nullptr;
}

class Desktop : public testing::Test
{
};

TEST_F(Desktop, ColourValuesKeepRedInTheLowestByte)
{
    struct Row
    {
        std::int64_t stored;
        int red, green, blue;
        std::int64_t back;
    };
    const Row rows[] = {
        {0x000000, 0, 0, 0, 0x000000},
        {0xFFFFFF, 255, 255, 255, 0xFFFFFF},
        {0x0000FF, 255, 0, 0, 0x0000FF},
        {0xFF0000, 0, 0, 255, 0xFF0000},
        {0x123456, 0x56, 0x34, 0x12, 0x123456},
        // A system colour's flag and a negative value: only the low bytes count.
        {0x80000012, 0x12, 0, 0, 0x12},
        {-1, 255, 255, 255, 0xFFFFFF},
    };
    for (const Row& row : rows) {
        const Gdk::RGBA color = ColorValue::toColor(row.stored);
        EXPECT_EQ(color.get_red_u() / 257, row.red) << row.stored;
        EXPECT_EQ(color.get_green_u() / 257, row.green) << row.stored;
        EXPECT_EQ(color.get_blue_u() / 257, row.blue) << row.stored;
        EXPECT_EQ(ColorValue::fromColor(color), row.back) << row.stored;
    }
    // What a colour chooser reports as fractions rounds to the nearest byte.
    Gdk::RGBA chosen;
    chosen.set_rgba(0.5f, 0.999f, 0.001f);
    EXPECT_EQ(ColorValue::fromColor(chosen), 128 | (255 << 8));
}

struct SeenBox
{
    std::string title, text, buttons, focused;
    bool icon = false;
};

// Shows a real box and, from inside its modal loop, reads it and answers it
// with `answer` (a button's name, or "close" for the window's close button).
MessageBox::Button answerRealBox(SeenBox& seen, const std::string& answer,
                                 MessageBox::Buttons buttons, MessageBox::Icon icon,
                                 MessageBox::Button defaultButton)
{
    Glib::signal_timeout().connect(
        [&] {
            Gtk::Window* box = shownWindow("messageBox");
            if (!box)
                return true;
            seen.title = box->get_title();
            seen.text = findNamed<Gtk::Label>(*box, "messageText")->get_text();
            seen.icon = findNamed<Gtk::Image>(*box, "messageIcon") != nullptr;
            eachWidget(*box, [&](Gtk::Widget& w) {
                if (auto* b = dynamic_cast<Gtk::Button*>(&w)) {
                    seen.buttons += (seen.buttons.empty() ? "" : " ") + b->get_label();
                    if (b->has_focus())
                        seen.focused = b->get_name();
                }
            });
            if (answer == "close")
                box->close();
            else
                findNamed<Gtk::Button>(*box, answer)->activate();
            return false;
        },
        50);
    return MessageBox::show(nullptr, "Remove <a & b> ???", "Attention!", buttons, icon,
                            defaultButton);
}

TEST_F(Desktop, MessageBoxesShowTheirTextsAndTheSeamAnswersInOrder)
{
    SeenBox seen;
    EXPECT_EQ(answerRealBox(seen, "Yes", MessageBox::Yes | MessageBox::No, MessageBox::Critical,
                            MessageBox::No),
              MessageBox::Yes);
    EXPECT_EQ(seen.title, "Attention!");
    // Shown as written, never read as markup.
    EXPECT_EQ(seen.text, "Remove <a & b> ???");
    EXPECT_EQ(seen.buttons, "_Yes _No");
    EXPECT_EQ(seen.focused, "No");
    EXPECT_TRUE(seen.icon);

    // Closing the window answers No where there is one, else the lone button.
    seen = {};
    EXPECT_EQ(answerRealBox(seen, "close", MessageBox::Yes | MessageBox::No, MessageBox::Question,
                            MessageBox::NoButton),
              MessageBox::No);
    EXPECT_EQ(seen.focused, "Yes");
    seen = {};
    EXPECT_EQ(
        answerRealBox(seen, "close", MessageBox::Ok, MessageBox::NoIcon, MessageBox::NoButton),
        MessageBox::Ok);
    EXPECT_EQ(seen.buttons, "OK");
    EXPECT_FALSE(seen.icon);

    MessageBox::enableTestMode();
    Gtk::Window parent;
    MessageBox::queueAnswer(MessageBox::No);
    EXPECT_EQ(MessageBox::show(&parent, "a", "t", MessageBox::Yes | MessageBox::No,
                               MessageBox::Critical, MessageBox::Yes),
              MessageBox::No);
    // With nothing queued: the default button, else the first.
    EXPECT_EQ(MessageBox::show(nullptr, "b", "t", MessageBox::Yes | MessageBox::No,
                               MessageBox::Critical, MessageBox::No),
              MessageBox::No);
    EXPECT_EQ(
        MessageBox::show(nullptr, "c", "t", MessageBox::Yes | MessageBox::No, MessageBox::Warning),
        MessageBox::Yes);
    MessageBox::showSaveError(&parent, "Could not write \"x\".");
    MessageBox::queueAnswer(MessageBox::Ok);
    EXPECT_EQ(MessageBox::pendingAnswers(), 1);

    const std::vector<MessageBox::Shown> shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].parent, &parent);
    EXPECT_EQ(shown[0].buttons, MessageBox::Yes | MessageBox::No);
    EXPECT_EQ(shown[0].defaultButton, MessageBox::Yes);
    EXPECT_EQ(shown[2].icon, MessageBox::Warning);
    EXPECT_EQ(shown[3].text, "Could not write \"x\".\n\nWhat you entered is still shown in the "
                             "window. Check that the folder can be written, then make the "
                             "change again.");
    EXPECT_EQ(shown[3].title, "Tobrin");
    EXPECT_EQ(shown[3].icon, MessageBox::Critical);
    EXPECT_EQ(MessageBox::pendingAnswers(), 0);
    EXPECT_TRUE(MessageBox::takeShown().empty());
}

// Clicks at a widget's middle through the X server, as a mouse would.
void clickOn(Gtk::Widget& widget)
{
    double x = 0, y = 0;
    widget.translate_coordinates(*dynamic_cast<Gtk::Widget*>(widget.get_root()),
                                 widget.get_width() / 2.0, widget.get_height() / 2.0, x, y);
    const std::string command =
        "xdotool mousemove " + std::to_string(int(x)) + " " + std::to_string(int(y)) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST_F(Desktop, PanelsAnswerClicksAndKeysAndTabsTellTheirSwitches)
{
    Gtk::Window window;
    ElasticPanel frame, cell, off;
    frame.set_size_request(200, 100);
    frame.put(cell, {10, 10, 40, 20});
    frame.put(off, {60, 10, 40, 20});
    cell.setClickable(true);
    cell.setToggles(true);
    off.setClickable(true);
    off.set_sensitive(false);
    std::vector<std::string> events;
    frame.signal_clicked().connect([&] { events.push_back("frame"); });
    off.signal_clicked().connect([&] { events.push_back("off"); });
    cell.signal_clicked().connect([&] { events.push_back(cell.value() ? "cell on" : "cell off"); });
    window.set_child(frame);
    window.present();
    keepPlaced(window, [](int, int) { return PixelPoint{0, 0}; });
    ASSERT_TRUE(runUntil([&] { return cell.get_mapped() && cell.get_width() == 40; }));

    // The value flips before the click is told; a disabled button and the
    // frame itself do nothing; the focused cell answers the space bar.
    clickOn(cell);
    ASSERT_TRUE(runUntil([&] { return events.size() == 1; }));
    clickOn(off);
    clickOn(frame);
    cell.grab_focus();
    ASSERT_EQ(std::system("xdotool key space"), 0);
    ASSERT_TRUE(runUntil([&] { return events.size() >= 2; }));
    runUntil([] { return false; }, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"cell on", "cell off"}));

    // A strip always sits in a window; GTK's notebook expects one.
    Gtk::Window tabsWindow;
    Gtk::Box strips;
    IndexTab days, panel;
    strips.append(days);
    strips.append(panel);
    tabsWindow.set_child(strips);
    days.setSharedPage(true);
    days.setCaptions("Mon|Tue|Wed");
    std::vector<std::pair<int, int>> switches;
    days.signal_Switch().connect([&](int from, int to) { switches.emplace_back(from, to); });
    EXPECT_EQ(days.captions(), "Mon|Tue|Wed");
    EXPECT_EQ(days.page(0), days.page(2));
    days.setCurrentTab(2);
    // A handler that puts the old tab back does it quietly.
    days.setCurrentTab(1, false);
    days.setCurrentTab(1);
    EXPECT_EQ(days.currentTab(), 1);
    EXPECT_EQ(switches, (std::vector<std::pair<int, int>>{{0, 2}}));
    // The one page shows under whichever tab is chosen.
    EXPECT_EQ(days.page(1)->get_parent(), days.notebook().get_nth_page(1));

    panel.setCaptions("General|Addresses|Favorites|Time|Surf Log|Password");
    ASSERT_EQ(panel.count(), 6);
    EXPECT_NE(panel.page(0), panel.page(5));
    EXPECT_EQ(panel.page(3)->get_name(), "page3");
    EXPECT_EQ(panel.page(6), nullptr);
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r)
{
    return Reply<T>(r, &std::free);
}

// A window manager on the test's display for the life of a test; stacking,
// frames and the manager's own keys are only real under one.
class Openbox
{
public:
    explicit Openbox(xcb_connection_t* c) : m_c(c)
    {
        Glib::spawn_async("", std::vector<std::string>{"openbox", "--sm-disable"},
                          Glib::SpawnFlags::SEARCH_PATH | Glib::SpawnFlags::DO_NOT_REAP_CHILD, {},
                          &m_pid);
    }
    ~Openbox()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    bool ready()
    {
        const xcb_window_t root = rootOf(m_c);
        const xcb_atom_t check = X11::atom(m_c, "_NET_SUPPORTING_WM_CHECK");
        return runUntil([&] {
            auto r = reply(xcb_get_property_reply(
                m_c, xcb_get_property(m_c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
            return r && xcb_get_property_value_length(r.get()) == 4;
        });
    }
    static xcb_window_t rootOf(xcb_connection_t* c)
    {
        return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }

private:
    xcb_connection_t* m_c;
    Glib::Pid m_pid = 0;
};

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometryOf(xcb_connection_t* c, xcb_window_t w)
{
    auto g = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
    return g ? Geometry{g->x, g->y, g->width, g->height} : Geometry{};
}

std::vector<xcb_window_t> stacking(xcb_connection_t* c)
{
    auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, Openbox::rootOf(c)), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    return {first, first + xcb_query_tree_children_length(tree.get())};
}

uint8_t grabFrom(xcb_connection_t* c)
{
    auto r =
        reply(xcb_grab_keyboard_reply(c,
                                      xcb_grab_keyboard(c, 0, Openbox::rootOf(c), XCB_CURRENT_TIME,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                      nullptr));
    const uint8_t status = r ? r->status : 0xFF;
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
    return status;
}

TEST_F(Desktop, LockHoldsTheDesktopUnderAWindowManager)
{
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    Openbox openbox(other);
    ASSERT_TRUE(openbox.ready());
    const Geometry screen = geometryOf(other, Openbox::rootOf(other));
    // GDK learns what the window manager offers when it opens a display.
    struct FreshDisplay
    {
        Glib::RefPtr<Gdk::Display> before = Gdk::Display::get_default();
        Glib::RefPtr<Gdk::Display> display = Gdk::Display::open(Glib::getenv("DISPLAY"));
        FreshDisplay() { Gdk::DisplayManager::get()->set_default_display(display); }
        ~FreshDisplay()
        {
            Gdk::DisplayManager::get()->set_default_display(before);
            display->close();
        }
    } fresh;

    int keys = 0;
    auto countKeys = [&keys](Gtk::Window& window) {
        auto controller = Gtk::EventControllerKey::create();
        controller->signal_key_pressed().connect(
            [&keys](guint key, guint, Gdk::ModifierType) {
                keys += key == GDK_KEY_x;
                return true;
            },
            false);
        window.add_controller(controller);
    };
    Gtk::Window main, dialog;
    main.set_title("Browser");
    main.set_default_size(400, 300);
    main.set_resizable(false);
    countKeys(main);
    dialog.set_title("Dialog");
    dialog.set_default_size(200, 100);
    dialog.set_transient_for(main);
    countKeys(dialog);
    // Placed before it is shown, as the browser window is.
    keepPlaced(main, [&](int width, int) { return PixelPoint{(screen.width - width) / 2, 0}; });
    main.present();
    dialog.present();
    keepCentred(dialog);

    // Placed by the whole frame once the window manager has framed them: the
    // browser at the top, the dialog in the middle.
    auto frameOf = [&](Gtk::Window& w) { return X11::topOf(other, X11::windowId(w)); };
    auto placedAt = [&](Gtk::Window& w, bool top) {
        const xcb_window_t frame = frameOf(w);
        const Geometry g = geometryOf(other, frame);
        return frame != X11::windowId(w) && g.x == (screen.width - g.width) / 2 &&
               g.y == (top ? 0 : (screen.height - g.height) / 2);
    };
    EXPECT_TRUE(runUntil([&] { return placedAt(main, true) && placedAt(dialog, false); }));
    // A window of fixed size gets no resize handle: its frame is no thicker
    // below than at the sides.
    auto extents = reply(xcb_get_property_reply(
        other,
        xcb_get_property(other, 0, X11::windowId(main), X11::atom(other, "_NET_FRAME_EXTENTS"),
                         XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    ASSERT_TRUE(extents && xcb_get_property_value_length(extents.get()) == 16);
    const auto* border = static_cast<const uint32_t*>(xcb_get_property_value(extents.get()));
    EXPECT_EQ(border[3], border[0]);

    auto lock = std::make_unique<DesktopLock>(main);
    lock->setFirstSwitch(true);
    lock->setSecondSwitch(true);
    ASSERT_TRUE(runUntil([&] { return lock->holdsEverything(); }));
    const xcb_window_t cover = lock->coverId();
    ASSERT_NE(cover, 0u);
    auto coverRightUnderOurs = [&] {
        const auto order = stacking(other);
        const auto at = std::find(order.begin(), order.end(), cover);
        return at != order.end() && at + 1 != order.end() && *(at + 1) == frameOf(main) &&
               std::find(at, order.end(), frameOf(dialog)) != order.end();
    };
    EXPECT_TRUE(runUntil(coverRightUnderOurs));
    // Whatever restacks the browser window, the cover follows it.
    X11::askWindowManager(other, X11::windowId(main), X11::atom(other, "_NET_RESTACK_WINDOW"),
                          {2, XCB_NONE, XCB_STACK_MODE_BELOW});
    xcb_flush(other);
    EXPECT_TRUE(runUntil(coverRightUnderOurs));
    EXPECT_EQ(geometryOf(other, cover).width, screen.width);

    // No other program gets the keyboard, yet keys still reach our windows.
    EXPECT_EQ(grabFrom(other), XCB_GRAB_STATUS_ALREADY_GRABBED);
    ASSERT_EQ(std::system("xdotool key x"), 0);
    EXPECT_TRUE(runUntil([&] { return keys == 1; }));

    // Minimised or sent to another workspace, the browser comes back with
    // the keyboard; the errors about its vanished window end nothing.
    auto viewable = [&](xcb_window_t w) {
        auto a = reply(
            xcb_get_window_attributes_reply(other, xcb_get_window_attributes(other, w), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    };
    for (const std::string& command :
         {"xdotool windowminimize " + std::to_string(X11::windowId(main)),
          "xdotool windowminimize " + std::to_string(X11::windowId(dialog)),
          std::string("wmctrl -s 1")}) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_TRUE(runUntil([&] {
            return viewable(frameOf(main)) && viewable(frameOf(dialog)) &&
                   grabFrom(other) == XCB_GRAB_STATUS_ALREADY_GRABBED;
        })) << command;
    }

    // A grab of our own that ended (a popup closing) is taken back.
    xcb_ungrab_keyboard(X11::gdkConnection(), XCB_CURRENT_TIME);
    xcb_flush(X11::gdkConnection());
    EXPECT_TRUE(runUntil([&] { return grabFrom(other) == XCB_GRAB_STATUS_ALREADY_GRABBED; }));

    lock->setFirstSwitch(false);
    lock->setSecondSwitch(false);
    EXPECT_EQ(lock->coverId(), 0u);
    EXPECT_TRUE(runUntil([&] { return grabFrom(other) == XCB_GRAB_STATUS_SUCCESS; }));
    const auto order = stacking(other);
    EXPECT_EQ(std::find(order.begin(), order.end(), cover), order.end());

    // Quitting with the lock on gives the keyboard back too.
    lock->setFirstSwitch(true);
    lock->setSecondSwitch(true);
    ASSERT_TRUE(runUntil([&] { return lock->holdsEverything(); }));
    lock.reset();
    EXPECT_TRUE(runUntil([&] { return grabFrom(other) == XCB_GRAB_STATUS_SUCCESS; }));
    xcb_disconnect(other);
}

} // namespace
