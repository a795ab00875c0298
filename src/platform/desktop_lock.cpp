#include "platform/desktop_lock.h"

#include "platform/x11_hold.h"

#include <gtkmm.h>

DesktopLock::DesktopLock(Gtk::Window& protectedWindow) : m_protected(protectedWindow) {}

DesktopLock::~DesktopLock()
{
    m_first = m_second = false;
    apply();
}

void DesktopLock::setFirstSwitch(bool on)
{
    m_first = on;
    apply();
    m_switchSet.emit(1, on);
}

void DesktopLock::setSecondSwitch(bool on)
{
    m_second = on;
    apply();
    m_switchSet.emit(2, on);
}

void DesktopLock::apply()
{
    if (!m_first) {
        m_x11.reset();
        m_plainCover.reset();
        return;
    }
    if (X11Hold::available()) {
        if (!m_x11)
            m_x11 = std::make_unique<X11Hold>(m_protected);
        m_x11->setFull(m_second);
        return;
    }
    if (!m_plainCover) {
        m_plainCover = std::make_unique<Gtk::Window>();
        m_plainCover->set_name("desktopCover");
        m_plainCover->set_title("Tobrin desktop lock");
        m_plainCover->set_decorated(false);
        m_plainCover->set_can_focus(false);
        // Only the lock itself takes the cover away, never a close request.
        m_plainCover->signal_close_request().connect([] { return true; }, false);
        m_plainCover->fullscreen();
    }
    m_plainCover->present();
    if (m_protected.get_visible())
        m_protected.present();
}

unsigned long DesktopLock::coverId() const
{
    return m_x11 ? m_x11->cover() : 0;
}

bool DesktopLock::holdsEverything() const
{
    return m_x11 && m_x11->keyboardHeld();
}

std::string DesktopLock::shortfallText() const
{
    const std::string why =
        X11Hold::available() ? "Another program holds the keyboard, so Tobrin could not take it."
                             : "This desktop (a Wayland session) does not let a program take the "
                               "keyboard or keep its windows above the others.";
    return why + " Tobrin covers the desktop and the taskbar, but the desktop's keyboard "
                 "shortcuts still work, so a child can still reach other programs with "
                 "them.\n\nFor a full lock, let the child log in to the \"Tobrin\" "
                 "session, in which Tobrin is the only program (see \"The Tobrin "
                 "session\" in the README).";
}
