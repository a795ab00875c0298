#pragma once

#include <sigc++/connection.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace Gtk {
class Window;
}

// Small helpers over the X11 side of GDK, shared by the lock and by window
// placement. Every one answers "nothing" (null, 0) off X11.
namespace X11 {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r)
{
    return Reply<T>(r, &std::free);
}

// The last argument of a reply function: the error comes back to us and is
// dropped. Left to the toolkit's handler, an error about a window that has
// just gone (minimised, closed) would end the program.
class Dropped
{
public:
    ~Dropped() { std::free(m_error); }
    operator xcb_generic_error_t**() { return &m_error; }

private:
    xcb_generic_error_t* m_error = nullptr;
};

// The same for a request without a reply (one round trip).
inline void dropError(xcb_connection_t* c, xcb_void_cookie_t cookie)
{
    std::free(xcb_request_check(c, cookie));
}

// GDK's own connection: a keyboard grab must be held by the client that owns
// the windows, or their keys would stop at the grab.
xcb_connection_t* gdkConnection();
// The X id of a shown window; 0 before it has a surface.
xcb_window_t windowId(const Gtk::Window& window);
xcb_atom_t atom(xcb_connection_t* c, const char* name);
// The child of the root that holds a window: the window manager's frame of a
// managed window, or the window itself.
xcb_window_t topOf(xcb_connection_t* c, xcb_window_t w);
// A client message to the root, as pagers send them (the window manager acts
// on them for the user, whatever it thinks of the application).
void askWindowManager(xcb_connection_t* c, xcb_window_t w, xcb_atom_t type,
                      std::initializer_list<uint32_t> data);

} // namespace X11

// What holds an X11 desktop. A cover (a window the window manager never
// handles) is kept directly below this program's own windows whatever
// restacks them; with `full`, the keyboard is grabbed so no desktop or
// window-manager shortcut fires, and the program's windows are kept shown,
// focused, on every workspace and above every other program's window.
// Nothing here outlives the process: the X server drops the grab and the
// cover with our connections.
class X11Hold
{
public:
    // Whether this session is an X11 one (and so whether this can work).
    static bool available();

    explicit X11Hold(Gtk::Window& main);
    ~X11Hold();
    X11Hold(const X11Hold&) = delete;
    X11Hold& operator=(const X11Hold&) = delete;

    void setFull(bool full);
    // Whether the keyboard is held now; false when the server refused it.
    bool keyboardHeld() const { return m_keyboardHeld; }
    xcb_window_t cover() const;

private:
    struct Watch;

    void check();
    void checkSoon();
    bool keyboardFree();
    void grabKeyboard();
    void release();
    void keepShownAndFocused(const std::vector<Gtk::Window*>& own);
    void keepStacked(const std::vector<Gtk::Window*>& own);
    void holdMain(bool held);
    std::vector<Gtk::Window*> ownWindows() const;

    Gtk::Window& m_main;
    std::unique_ptr<Watch> m_watch;
    sigc::connection m_events;
    sigc::connection m_soon;
    sigc::connection m_heartbeat;
    std::set<xcb_window_t> m_sticky;
    std::chrono::steady_clock::time_point m_lastRaise;
    bool m_full = false;
    bool m_keyboardHeld = false;
    bool m_mainHeld = false;
};
