#pragma once

#include <sigc++/signal.h>

#include <memory>
#include <string>

namespace Gtk {
class Window;
}
class X11Hold;

// Keeps the rest of the desktop and the taskbar/panels out of the mouse's
// reach while the browser runs. Two switches, always set first then second:
// the first covers the desktop with a window kept just below the browser
// window; the second lifts that cover above the taskbar and panels (and the
// browser window with its dialogs above it). Both off, or the lock being
// destroyed when the program ends, gives everything back. On X11 the lock
// also holds the keyboard and keeps the cover in place whatever the window
// manager does; elsewhere only a cover can be offered.
class DesktopLock
{
public:
    // The window that stays usable on top of the cover; it outlives the lock.
    explicit DesktopLock(Gtk::Window& protectedWindow);
    ~DesktopLock();
    DesktopLock(const DesktopLock&) = delete;
    DesktopLock& operator=(const DesktopLock&) = delete;

    void setFirstSwitch(bool on);
    void setSecondSwitch(bool on);
    bool firstSwitch() const { return m_first; }
    bool secondSwitch() const { return m_second; }

    // The covering window's X id while the first switch is on (0 off X11).
    unsigned long coverId() const;

    // Whether, with both switches on, nothing but this program can be
    // reached from the keyboard and the mouse.
    bool holdsEverything() const;
    // For the parent, when it does not: what is held, what is not, and the
    // way to a full lock.
    std::string shortfallText() const;

    // Emitted after each switch is set: which is 1 or 2.
    sigc::signal<void(int which, bool on)>& signal_switchSet() { return m_switchSet; }

private:
    void apply();

    Gtk::Window& m_protected;
    std::unique_ptr<X11Hold> m_x11;
    // Where X11 is not there: a plain full-screen window, the best on offer.
    std::unique_ptr<Gtk::Window> m_plainCover;
    sigc::signal<void(int, bool)> m_switchSet;
    bool m_first = false;
    bool m_second = false;
};
