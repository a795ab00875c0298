#include "platform/x11_hold.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

xcb_connection_t* qtConnection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r)
{
    return Reply<T>(r, &std::free);
}

} // namespace

// A second connection of our own that watches the root window's children,
// so that every restack, map or unmap anywhere on the screen wakes us at
// once; kept apart from Qt's connection, which reacts to root events itself.
struct X11Hold::Watch
{
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t wmDesktop = 0;
    xcb_atom_t currentDesktop = 0;
    xcb_atom_t wmState = 0;
    xcb_atom_t shaded = 0;
    xcb_atom_t below = 0;
    xcb_atom_t showingDesktop = 0;
    xcb_atom_t activeWindow = 0;

    Watch()
    {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            return;
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        wmDesktop = atom("_NET_WM_DESKTOP");
        currentDesktop = atom("_NET_CURRENT_DESKTOP");
        wmState = atom("_NET_WM_STATE");
        shaded = atom("_NET_WM_STATE_SHADED");
        below = atom("_NET_WM_STATE_BELOW");
        showingDesktop = atom("_NET_SHOWING_DESKTOP");
        activeWindow = atom("_NET_ACTIVE_WINDOW");
        xcb_flush(c);
    }
    ~Watch() { xcb_disconnect(c); }

    bool ok() const { return !xcb_connection_has_error(c); }

    xcb_atom_t atom(const char* name)
    {
        auto r = reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? r->atom : 0;
    }

    // The child of the root that holds a window: the window manager's frame
    // of a managed window, or the window itself.
    xcb_window_t topOf(xcb_window_t w)
    {
        for (int depth = 0; depth < 8; ++depth) {
            auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
            if (!tree || tree->parent == root || tree->parent == 0)
                return w;
            w = tree->parent;
        }
        return w;
    }

    // The last word names who asks: 2, on the user's behalf.
    void askWindowManager(xcb_window_t w, xcb_atom_t type, std::initializer_list<uint32_t> data)
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = type;
        std::copy(data.begin(), data.end(), event.data.data32);
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }

    // A window rolled up to its title bar, or sent below the others from the
    // window manager's menu, is put back.
    void undoHiding(xcb_window_t w)
    {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, wmState, XCB_ATOM_ATOM, 0, 32), nullptr));
        if (!r)
            return;
        const auto* states = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
        const int count = xcb_get_property_value_length(r.get()) / 4;
        for (int i = 0; i < count; ++i) {
            if (states[i] == shaded || states[i] == below)
                askWindowManager(w, wmState, {0 /* remove */, states[i], 0, 2});
        }
    }

    bool onAllDesktops(xcb_window_t w)
    {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, wmDesktop, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        return r && xcb_get_property_value_length(r.get()) == 4 &&
               *static_cast<uint32_t*>(xcb_get_property_value(r.get())) == 0xFFFFFFFF;
    }

    // Asks the window manager to show a window on every workspace (or on the
    // current one again).
    void setDesktop(xcb_window_t w, bool all)
    {
        uint32_t desktop = 0xFFFFFFFF;
        if (!all) {
            auto r = reply(xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, currentDesktop, XCB_ATOM_CARDINAL, 0, 1), nullptr));
            desktop = r && xcb_get_property_value_length(r.get()) == 4
                          ? *static_cast<uint32_t*>(xcb_get_property_value(r.get()))
                          : 0;
        }
        askWindowManager(w, wmDesktop, {desktop, 2});
        // A window not mapped yet reads the property when it is.
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, wmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                            &desktop);
    }
};

bool X11Hold::available()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && qtConnection();
}

X11Hold::X11Hold(QWidget* cover, QWidget* main, QObject* parent)
    : QObject(parent), m_cover(cover), m_main(main), m_watch(std::make_unique<Watch>())
{
    // Many changes on the screen come in a burst; one look after them does.
    m_soon = new QTimer(this);
    m_soon->setSingleShot(true);
    m_soon->setInterval(20);
    connect(m_soon, &QTimer::timeout, this, &X11Hold::check);
    // Whatever no event told us of (a grab lost without notice) is mended
    // within this time.
    m_heartbeat = new QTimer(this);
    m_heartbeat->setInterval(500);
    connect(m_heartbeat, &QTimer::timeout, this, &X11Hold::check);
    m_heartbeat->start();

    if (m_watch->ok()) {
        m_notifier =
            new QSocketNotifier(xcb_get_file_descriptor(m_watch->c), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            bool changed = false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_watch->c)) {
                changed = true;
                std::free(event);
            }
            if (changed)
                m_soon->start();
        });
    }
    qApp->installNativeEventFilter(this);
    m_soon->start();
}

X11Hold::~X11Hold()
{
    qApp->removeNativeEventFilter(this);
    release();
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

bool X11Hold::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    // A grab of our own (a popup list, a drag) replaced ours and has ended:
    // take the keyboard back at once.
    if ((type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) &&
        reinterpret_cast<xcb_focus_in_event_t*>(event)->mode == XCB_NOTIFY_MODE_UNGRAB) {
        m_keyboardHeld = false;
        if (m_full)
            m_soon->start();
    }
    return false;
}

QList<QWidget*> X11Hold::ownWindows() const
{
    // The main window first: raising it raises its dialogs with it.
    QList<QWidget*> windows;
    if (m_main && m_main->isVisible())
        windows << m_main;
    const QList<QWidget*> all = QApplication::topLevelWidgets();
    for (QWidget* w : all) {
        if (w != m_main && w != m_cover && w->isVisible() && w->windowHandle())
            windows << w;
    }
    return windows;
}

void X11Hold::check()
{
    if (!m_cover || !m_watch->ok())
        return;
    if (m_full) {
        keepShownAndFocused();
        if (!m_keyboardHeld)
            grabKeyboard();
        for (QWidget* w : ownWindows()) {
            const bool managed = !(w->windowFlags() & Qt::BypassWindowManagerHint) &&
                                 w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip;
            if (!managed)
                continue;
            // A message box minimised would leave the browser waiting on it.
            if (w->isMinimized())
                w->showNormal();
            // Checked every time: the window manager's menu can send a
            // window to one workspace again.
            if (!m_watch->onAllDesktops(xcb_window_t(w->winId())))
                setSticky(w, true);
            m_watch->undoHiding(xcb_window_t(w->winId()));
        }
    }
    keepStacked();
    xcb_flush(m_watch->c);
}

void X11Hold::grabKeyboard()
{
    xcb_connection_t* c = qtConnection();
    if (!c || !m_main || !m_main->isVisible())
        return;
    // Held on the browser window and reported to whichever of our windows
    // has the focus, so every key still reaches the program's own windows;
    // what would go to another program comes to the browser window instead.
    auto r = reply(xcb_grab_keyboard_reply(c,
                                           xcb_grab_keyboard(c, 1, xcb_window_t(m_main->winId()),
                                                             XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                             XCB_GRAB_MODE_ASYNC),
                                           nullptr));
    m_keyboardHeld = r && r->status == XCB_GRAB_STATUS_SUCCESS;
}

void X11Hold::release()
{
    if (m_keyboardHeld) {
        if (xcb_connection_t* c = qtConnection()) {
            xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
            xcb_flush(c);
        }
        m_keyboardHeld = false;
    }
    for (QWidget* w : ownWindows()) {
        if (m_sticky.contains(w->winId()))
            setSticky(w, false);
    }
    m_sticky.clear();
    if (m_watch->ok())
        xcb_flush(m_watch->c);
}

void X11Hold::setSticky(QWidget* window, bool sticky)
{
    m_watch->setDesktop(xcb_window_t(window->winId()), sticky);
    if (sticky)
        m_sticky.insert(window->winId());
}

void X11Hold::keepShownAndFocused()
{
    if (!m_main)
        return;
    xcb_connection_t* c = m_watch->c;
    // Minimised, or hidden by the window manager to show the desktop: back.
    const xcb_window_t top = m_watch->topOf(xcb_window_t(m_main->winId()));
    auto attributes =
        reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, top), nullptr));
    if (m_main->isMinimized() || !attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
        m_watch->askWindowManager(m_watch->root, m_watch->showingDesktop, {0});
        m_watch->askWindowManager(xcb_window_t(m_main->winId()), m_watch->activeWindow,
                                  {2, XCB_CURRENT_TIME, 0});
        m_main->showNormal();
    }
    auto focus = reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!focus)
        return;
    for (QWidget* w : ownWindows()) {
        if (focus->focus == xcb_window_t(w->winId()))
            return;
    }
    // Another program (or nobody) has the focus: give it back to the window
    // the child was using, or the dialog that waits for an answer.
    QWidget* target = QApplication::activeModalWidget();
    if (!target)
        target = QApplication::activeWindow();
    if (!target || target == m_cover || !target->isVisible())
        target = m_main;
    if (!target->isVisible() || target->isMinimized())
        return;
    xcb_set_input_focus(qtConnection(), XCB_INPUT_FOCUS_PARENT, xcb_window_t(target->winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(qtConnection());
}

void X11Hold::keepStacked()
{
    xcb_connection_t* c = m_watch->c;
    const QList<QWidget*> own = ownWindows();
    QSet<xcb_window_t> ourTops;
    for (QWidget* w : own)
        ourTops.insert(m_watch->topOf(xcb_window_t(w->winId())));
    if (ourTops.isEmpty())
        return;
    const xcb_window_t cover = xcb_window_t(m_cover->winId());

    auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, m_watch->root), nullptr));
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get()); // bottom first
    const int count = xcb_query_tree_children_length(tree.get());
    int lowest = -1;
    int coverAt = -1;
    for (int i = 0; i < count; ++i) {
        if (children[i] == cover)
            coverAt = i;
        else if (lowest < 0 && ourTops.contains(children[i]))
            lowest = i;
    }
    if (lowest < 0)
        return;

    if (m_full) {
        // Every window of another program that is shown above ours goes back
        // under the cover: directly when no window manager handles it, else by
        // raising ours through the window manager.
        QList<xcb_get_window_attributes_cookie_t> cookies;
        for (int i = lowest + 1; i < count; ++i)
            cookies << xcb_get_window_attributes(c, children[i]);
        bool raiseOurs = false;
        const QRect screen = m_cover->geometry();
        for (int i = lowest + 1; i < count; ++i) {
            auto attributes =
                reply(xcb_get_window_attributes_reply(c, cookies[i - lowest - 1], nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
                attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT ||
                ourTops.contains(children[i]) || children[i] == cover)
                continue;
            // The window manager's own hidden helpers lie off the screen.
            auto geometry =
                reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr));
            if (!geometry || !screen.intersects(QRect(geometry->x, geometry->y, geometry->width,
                                                      geometry->height)))
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
        if (raiseOurs && (!m_lastRaise.isValid() || m_lastRaise.elapsed() > 200)) {
            m_lastRaise.start();
            for (QWidget* w : own)
                w->raise();
        }
    }
    if (coverAt != lowest - 1) {
        const uint32_t below[] = {children[lowest], XCB_STACK_MODE_BELOW};
        xcb_configure_window(c, cover, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             below);
    }
}
