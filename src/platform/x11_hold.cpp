#include "platform/x11_hold.h"

#include <gtkmm.h>

#include <X11/Xlib-xcb.h>
#include <gdk/x11/gdkx.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

using X11::reply;

namespace {

constexpr uint32_t kCoverPixel = 0x202028;
constexpr uint32_t kAllDesktops = 0xFFFFFFFF;

struct Rect
{
    int x, y, width, height;
    bool intersects(const Rect& o) const
    {
        return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
    }
};

} // namespace

namespace X11 {

xcb_connection_t* gdkConnection()
{
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return nullptr;
    return XGetXCBConnection(gdk_x11_display_get_xdisplay(display));
}

xcb_window_t windowId(const Gtk::Window& window)
{
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(const_cast<GtkWindow*>(window.gobj())));
    if (!surface || !GDK_IS_X11_SURFACE(surface))
        return 0;
    return xcb_window_t(gdk_x11_surface_get_xid(surface));
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto r = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), X11::Dropped()));
    return r ? r->atom : 0;
}

xcb_window_t topOf(xcb_connection_t* c, xcb_window_t w)
{
    for (int depth = 0; depth < 8 && w; ++depth) {
        auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, w), X11::Dropped()));
        if (!tree || tree->parent == tree->root || tree->parent == 0)
            return w;
        w = tree->parent;
    }
    return w;
}

void askWindowManager(xcb_connection_t* c, xcb_window_t w, xcb_atom_t type,
                      std::initializer_list<uint32_t> data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

} // namespace X11

// A second connection of our own: it watches the root window's children, so
// every restack, map or unmap anywhere on the screen wakes us at once, and it
// owns the cover, which goes with it.
struct X11Hold::Watch
{
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_window_t cover = 0;
    xcb_atom_t wmDesktop = 0, currentDesktop = 0, wmState = 0, shaded = 0, below = 0, above = 0,
               showingDesktop = 0, activeWindow = 0, restack = 0, motifHints = 0;

    Watch()
    {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        root = screen->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        wmDesktop = X11::atom(c, "_NET_WM_DESKTOP");
        currentDesktop = X11::atom(c, "_NET_CURRENT_DESKTOP");
        wmState = X11::atom(c, "_NET_WM_STATE");
        shaded = X11::atom(c, "_NET_WM_STATE_SHADED");
        below = X11::atom(c, "_NET_WM_STATE_BELOW");
        above = X11::atom(c, "_NET_WM_STATE_ABOVE");
        showingDesktop = X11::atom(c, "_NET_SHOWING_DESKTOP");
        activeWindow = X11::atom(c, "_NET_ACTIVE_WINDOW");
        restack = X11::atom(c, "_NET_RESTACK_WINDOW");
        motifHints = X11::atom(c, "_MOTIF_WM_HINTS");
        createCover(screen);
    }
    ~Watch() { xcb_disconnect(c); }

    bool ok() const { return !xcb_connection_has_error(c); }

    // The cover swallows every click that misses our windows (the root would
    // otherwise hand it to the window manager's desktop menu) and never takes
    // the focus, so the keyboard stays with the child's window.
    void createCover(const xcb_screen_t* screen)
    {
        cover = xcb_generate_id(c);
        const uint32_t values[] = {kCoverPixel, 1,
                                   XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                       XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, root, 0, 0, screen->width_in_pixels,
                          screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        const std::string_view title = "Tobrin desktop lock";
        for (xcb_atom_t name : {xcb_atom_t(XCB_ATOM_WM_NAME), X11::atom(c, "_NET_WM_NAME")}) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, cover, name,
                                name == XCB_ATOM_WM_NAME ? xcb_atom_t(XCB_ATOM_STRING)
                                                         : X11::atom(c, "UTF8_STRING"),
                                8, uint32_t(title.size()), title.data());
        }
        const char wmClass[] = "tobrin\0Tobrin";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, cover, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof wmClass, wmClass);
        const uint32_t pid = uint32_t(getpid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, cover, X11::atom(c, "_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_map_window(c, cover);
    }

    // The cover follows the screen's size when a monitor comes or goes.
    void fitCover()
    {
        auto rootGeometry =
            reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, root), X11::Dropped()));
        auto coverGeometry =
            reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, cover), X11::Dropped()));
        if (!rootGeometry || !coverGeometry)
            return;
        if (coverGeometry->width == rootGeometry->width &&
            coverGeometry->height == rootGeometry->height && coverGeometry->x == 0 &&
            coverGeometry->y == 0)
            return;
        const uint32_t values[] = {0, 0, rootGeometry->width, rootGeometry->height};
        xcb_configure_window(c, cover,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
    }

    std::vector<xcb_atom_t> states(xcb_window_t w)
    {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, wmState, XCB_ATOM_ATOM, 0, 32), X11::Dropped()));
        if (!r)
            return {};
        const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
        return {first, first + xcb_get_property_value_length(r.get()) / 4};
    }

    // A window rolled up to its title bar, or sent below the others from the
    // window manager's menu, is put back.
    void undoHiding(xcb_window_t w)
    {
        for (xcb_atom_t state : states(w)) {
            if (state == shaded || state == below)
                X11::askWindowManager(c, w, wmState, {0 /* remove */, state, 0, 2});
        }
    }

    uint32_t cardinal(xcb_window_t w, xcb_atom_t property, uint32_t otherwise)
    {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, property, XCB_ATOM_CARDINAL, 0, 1), X11::Dropped()));
        return r && xcb_get_property_value_length(r.get()) == 4
                   ? *static_cast<uint32_t*>(xcb_get_property_value(r.get()))
                   : otherwise;
    }

    // Asks the window manager to show a window on every workspace (or on the
    // current one again).
    void setDesktop(xcb_window_t w, bool all)
    {
        const uint32_t desktop = all ? kAllDesktops : cardinal(root, currentDesktop, 0);
        X11::askWindowManager(c, w, wmDesktop, {desktop, 2});
    }

    // The window manager offers no minimise for a window whose Motif hints
    // leave it out; the decorations the toolkit asked for stay as they are.
    // The functions are listed one by one: not every window manager reads
    // the "all but these" form.
    void allowMinimise(xcb_window_t w, bool allow)
    {
        constexpr uint32_t functionsFlag = 1, all = 1, resize = 2, move = 4, maximise = 16,
                           close = 32;
        uint32_t hints[5] = {0, 0, 0, 0, 0};
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, motifHints, motifHints, 0, 5), X11::Dropped()));
        if (r && xcb_get_property_value_length(r.get()) == int(sizeof hints))
            std::memcpy(hints, xcb_get_property_value(r.get()), sizeof hints);
        hints[0] |= functionsFlag;
        hints[1] = allow ? all : (resize | move | maximise | close);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, motifHints, motifHints, 32, 5, hints);
    }
};

bool X11Hold::available()
{
    return X11::gdkConnection() != nullptr;
}

X11Hold::X11Hold(Gtk::Window& main) : m_main(main), m_watch(std::make_unique<Watch>())
{
    if (!m_watch->ok())
        return;
    m_events = Glib::signal_io().connect(
        [this](Glib::IOCondition) {
            bool changed = false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_watch->c)) {
                changed = true;
                std::free(event);
            }
            if (changed)
                checkSoon();
            return m_watch->ok();
        },
        xcb_get_file_descriptor(m_watch->c), Glib::IOCondition::IO_IN);
    // Whatever no event tells of (a grab ended by one of our own popups) is
    // mended within this time.
    m_heartbeat = Glib::signal_timeout().connect(
        [this] {
            check();
            return true;
        },
        500);
    check();
}

X11Hold::~X11Hold()
{
    m_events.disconnect();
    m_soon.disconnect();
    m_heartbeat.disconnect();
    release();
}

xcb_window_t X11Hold::cover() const
{
    return m_watch->ok() ? m_watch->cover : 0;
}

void X11Hold::setFull(bool full)
{
    if (full == m_full)
        return;
    m_full = full;
    if (!full)
        release();
    check();
}

void X11Hold::checkSoon()
{
    // Many changes on the screen come in a burst; one look after them does.
    if (m_soon.connected())
        return;
    m_soon = Glib::signal_timeout().connect(
        [this] {
            check();
            return false;
        },
        20);
}

std::vector<Gtk::Window*> X11Hold::ownWindows() const
{
    // The main window first: raising it raises its dialogs with it.
    std::vector<Gtk::Window*> windows;
    if (m_main.get_mapped() && X11::windowId(m_main))
        windows.push_back(&m_main);
    for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
        if (w != &m_main && w->get_mapped() && X11::windowId(*w))
            windows.push_back(w);
    }
    return windows;
}

void X11Hold::check()
{
    if (!m_watch->ok())
        return;
    const std::vector<Gtk::Window*> own = ownWindows();
    m_watch->fitCover();
    if (m_full) {
        holdMain(true);
        keepShownAndFocused(own);
        if (!m_keyboardHeld || keyboardFree())
            grabKeyboard();
        for (Gtk::Window* w : own) {
            const xcb_window_t id = X11::windowId(*w);
            // Checked every time: the window manager's menu can send a window
            // to one workspace again.
            if (m_watch->cardinal(id, m_watch->wmDesktop, 0) != kAllDesktops) {
                m_watch->setDesktop(id, true);
                m_sticky.insert(id);
            }
            m_watch->undoHiding(id);
        }
    }
    keepStacked(own);
    xcb_flush(m_watch->c);
    if (xcb_connection_t* gdk = X11::gdkConnection())
        xcb_flush(gdk);
}

bool X11Hold::keyboardFree()
{
    // The server tells no one when a grab ends; a grab of our own second
    // connection succeeds exactly when nobody holds the keyboard.
    xcb_connection_t* c = m_watch->c;
    auto r =
        reply(xcb_grab_keyboard_reply(c,
                                      xcb_grab_keyboard(c, 0, m_watch->cover, XCB_CURRENT_TIME,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                      X11::Dropped()));
    if (!r || r->status != XCB_GRAB_STATUS_SUCCESS)
        return false;
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    return true;
}

void X11Hold::grabKeyboard()
{
    xcb_connection_t* c = X11::gdkConnection();
    const xcb_window_t main = X11::windowId(m_main);
    if (!c || !main || !m_main.get_mapped())
        return;
    // Held on the browser window and reported to whichever of our windows
    // has the focus, so every key still reaches the program's own windows;
    // what would go to another program comes to the browser window instead.
    auto r = reply(xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 1, main, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        X11::Dropped()));
    m_keyboardHeld = r && r->status == XCB_GRAB_STATUS_SUCCESS;
}

void X11Hold::release()
{
    if (m_keyboardHeld) {
        if (xcb_connection_t* c = X11::gdkConnection()) {
            xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
            xcb_flush(c);
        }
        m_keyboardHeld = false;
    }
    if (!m_watch->ok())
        return;
    holdMain(false);
    for (Gtk::Window* w : ownWindows()) {
        const xcb_window_t id = X11::windowId(*w);
        if (m_sticky.count(id))
            m_watch->setDesktop(id, false);
    }
    m_sticky.clear();
    xcb_flush(m_watch->c);
}

void X11Hold::holdMain(bool held)
{
    const xcb_window_t main = X11::windowId(m_main);
    if (held == m_mainHeld || !main)
        return;
    m_mainHeld = held;
    // Above other programs' windows (and the taskbar, in the same layer),
    // and nothing to minimise it with.
    X11::askWindowManager(m_watch->c, main, m_watch->wmState,
                          {held ? 1u : 0u, m_watch->above, 0, 2});
    m_watch->allowMinimise(main, !held);
}

void X11Hold::keepShownAndFocused(const std::vector<Gtk::Window*>& own)
{
    xcb_connection_t* c = m_watch->c;
    // Minimised, or hidden by the window manager to show the desktop: back.
    // A message box counts as much as the browser, which waits on it.
    bool hidden = false;
    for (Gtk::Window* w : own) {
        const xcb_window_t id = X11::windowId(*w);
        auto attributes = reply(xcb_get_window_attributes_reply(
            c, xcb_get_window_attributes(c, X11::topOf(c, id)), X11::Dropped()));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            continue;
        if (!std::exchange(hidden, true))
            X11::askWindowManager(c, m_watch->root, m_watch->showingDesktop, {0});
        X11::askWindowManager(c, id, m_watch->activeWindow, {2, XCB_CURRENT_TIME, 0});
    }
    if (hidden || own.empty())
        return;
    auto focus = reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), X11::Dropped()));
    if (!focus)
        return;
    const xcb_window_t focusTop = focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT
                                      ? X11::topOf(c, focus->focus)
                                      : xcb_window_t(XCB_NONE);
    Gtk::Window* target = &m_main;
    for (Gtk::Window* w : own) {
        if (X11::topOf(c, X11::windowId(*w)) == focusTop)
            return;
        // The dialog that waits for an answer, if one does.
        if (w->get_modal())
            target = w;
    }
    // Another program (or nobody) has the focus: give it back.
    xcb_connection_t* gdk = X11::gdkConnection();
    X11::dropError(gdk, xcb_set_input_focus_checked(gdk, XCB_INPUT_FOCUS_PARENT,
                                                    X11::windowId(*target), XCB_CURRENT_TIME));
}

void X11Hold::keepStacked(const std::vector<Gtk::Window*>& own)
{
    xcb_connection_t* c = m_watch->c;
    std::set<xcb_window_t> ourTops;
    for (Gtk::Window* w : own)
        ourTops.insert(X11::topOf(c, X11::windowId(*w)));
    if (ourTops.empty())
        return;
    const xcb_window_t cover = m_watch->cover;

    auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, m_watch->root), X11::Dropped()));
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get()); // bottom first
    const int count = xcb_query_tree_children_length(tree.get());
    int lowest = -1;
    int coverAt = -1;
    for (int i = 0; i < count; ++i) {
        if (children[i] == cover)
            coverAt = i;
        else if (lowest < 0 && ourTops.count(children[i]))
            lowest = i;
    }
    if (lowest < 0)
        return;

    if (m_full) {
        // Every window of another program shown above ours goes back under
        // the cover: directly when no window manager handles it, else by
        // raising ours through the window manager.
        std::vector<xcb_get_window_attributes_cookie_t> cookies;
        for (int i = lowest + 1; i < count; ++i)
            cookies.push_back(xcb_get_window_attributes(c, children[i]));
        bool raiseOurs = false;
        auto rootGeometry =
            reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, m_watch->root), X11::Dropped()));
        const Rect screen{0, 0, rootGeometry ? rootGeometry->width : 0,
                          rootGeometry ? rootGeometry->height : 0};
        for (int i = lowest + 1; i < count; ++i) {
            auto attributes =
                reply(xcb_get_window_attributes_reply(c, cookies[i - lowest - 1], X11::Dropped()));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
                attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || ourTops.count(children[i]) ||
                children[i] == cover)
                continue;
            // The window manager's own hidden helpers lie off the screen.
            auto g =
                reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), X11::Dropped()));
            if (!g || !screen.intersects(Rect{g->x, g->y, g->width, g->height}))
                continue;
            if (attributes->override_redirect) {
                const uint32_t below[] = {children[lowest], XCB_STACK_MODE_BELOW};
                xcb_configure_window(c, children[i],
                                     XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                                     below);
                coverAt = -1;
            } else {
                raiseOurs = true;
            }
        }
        // Rate-limited, so a window manager that refuses cannot make us spin.
        const auto now = std::chrono::steady_clock::now();
        if (raiseOurs && now - m_lastRaise > std::chrono::milliseconds(200)) {
            m_lastRaise = now;
            for (Gtk::Window* w : own)
                X11::askWindowManager(c, X11::windowId(*w), m_watch->restack,
                                      {2, XCB_NONE, XCB_STACK_MODE_ABOVE});
        }
    }
    if (coverAt != lowest - 1) {
        const uint32_t below[] = {children[lowest], XCB_STACK_MODE_BELOW};
        xcb_configure_window(c, cover, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             below);
    }
}
