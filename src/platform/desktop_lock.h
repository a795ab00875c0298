#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class X11Hold;

// Keeps the rest of the desktop and the taskbar/panels out of the mouse's
// reach while the browser runs. Two switches, always set first then second:
// the first covers the desktop with a window kept just below the browser
// window; the second lifts that cover above the taskbar and panels (and the
// browser window with its dialogs above it). Both off, or the lock being
// destroyed when the program ends, gives everything back. On X11 the lock
// also holds the keyboard and keeps the cover in place whatever the window
// manager does; elsewhere only the cover can be offered.
class DesktopLock : public QObject
{
    Q_OBJECT
public:
    // The window that stays usable on top of the cover.
    explicit DesktopLock(QWidget* protectedWindow, QObject* parent = nullptr);
    ~DesktopLock() override;

    void setFirstSwitch(bool on);
    void setSecondSwitch(bool on);
    bool firstSwitch() const { return m_first; }
    bool secondSwitch() const { return m_second; }

    // The covering window, while the first switch is on (for tests).
    QWidget* cover() const { return m_cover; }

    // Whether, with both switches on, nothing but this program can be
    // reached from the keyboard and the mouse.
    bool holdsEverything() const;
    // For the parent, when it does not: what is held, what is not, and the
    // way to a full lock.
    QString shortfallText() const;

Q_SIGNALS:
    // Emitted after each switch is set: which is 1 or 2.
    void switchSet(int which, bool on);

private:
    void apply();
    void holdProtected(bool held);

    QPointer<QWidget> m_protected;
    QWidget* m_cover = nullptr;
    X11Hold* m_x11 = nullptr;
    bool m_first = false;
    bool m_second = false;
    bool m_protectedHeld = false;
};
