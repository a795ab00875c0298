#include "platform/desktop_lock.h"

#include "platform/x11_hold.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// The cover swallows every click that misses the browser window; it takes no
// focus so the keyboard stays with the child's window.
class Cover final : public QWidget
{
public:
    // On X11 the window manager never handles the cover, so nothing it does
    // (a click raising it, a workspace switch, a close) can reach it; the
    // program keeps it in place itself.
    explicit Cover(bool unmanaged)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                               (unmanaged ? Qt::BypassWindowManagerHint : Qt::Widget))
    {
        setObjectName(QStringLiteral("desktopCover"));
        setWindowTitle(QStringLiteral("Tobrin desktop lock"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x20, 0x20, 0x28));
        setPalette(pal);
    }

protected:
    // Only the lock itself takes the cover away, never a close request.
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

QRect wholeDesktop()
{
    QRect area;
    for (QScreen* screen : QGuiApplication::screens())
        area = area.united(screen->geometry());
    return area;
}

void setFlag(QWidget* window, Qt::WindowType flag, bool on)
{
    // Changing the flag through the native window keeps a shown window on
    // screen; QWidget::setWindowFlag would hide it.
    if (QWindow* handle = window->windowHandle())
        handle->setFlag(flag, on);
    else
        window->setWindowFlag(flag, on);
}

} // namespace

DesktopLock::DesktopLock(QWidget* protectedWindow, QObject* parent)
    : QObject(parent), m_protected(protectedWindow)
{
}

DesktopLock::~DesktopLock()
{
    m_first = m_second = false;
    apply();
}

void DesktopLock::setFirstSwitch(bool on)
{
    m_first = on;
    apply();
    Q_EMIT switchSet(1, on);
}

void DesktopLock::setSecondSwitch(bool on)
{
    m_second = on;
    apply();
    Q_EMIT switchSet(2, on);
}

void DesktopLock::apply()
{
    if (!m_first) {
        delete m_x11;
        m_x11 = nullptr;
        if (m_cover) {
            m_cover->hide();
            delete m_cover;
            m_cover = nullptr;
        }
        holdProtected(false);
        return;
    }
    if (!m_cover) {
        m_cover = new Cover(X11Hold::available());
        m_cover->setGeometry(wholeDesktop());
    }
    // Above the taskbar and panels only with the second switch.
    if (!X11Hold::available())
        setFlag(m_cover, Qt::WindowStaysOnTopHint, m_second);
    m_cover->show();
    holdProtected(m_second);
    if (m_protected && m_protected->isVisible()) {
        m_protected->raise();
        m_protected->activateWindow();
    }
    if (X11Hold::available() && m_protected) {
        if (!m_x11)
            m_x11 = new X11Hold(m_cover, m_protected, this);
        m_x11->setFull(m_second);
    }
}

bool DesktopLock::holdsEverything() const
{
    return m_x11 && m_x11->keyboardHeld();
}

QString DesktopLock::shortfallText() const
{
    const QString why =
        X11Hold::available()
            ? QStringLiteral("Another program holds the keyboard, so Tobrin could not take it.")
            : QStringLiteral("This desktop (a Wayland session) does not let a program take the "
                             "keyboard or keep its windows above the others.");
    return why +
           QStringLiteral(" Tobrin covers the desktop and the taskbar, but the desktop's keyboard "
                          "shortcuts still work, so a child can still reach other programs with "
                          "them.\n\nFor a full lock, let the child log in to the \"Tobrin\" "
                          "session, in which Tobrin is the only program (see \"The Tobrin "
                          "session\" in the README).");
}

void DesktopLock::holdProtected(bool held)
{
    if (!m_protected || held == m_protectedHeld)
        return;
    m_protectedHeld = held;
    setFlag(m_protected, Qt::WindowStaysOnTopHint, held);
    // Nothing to minimise the window with while locked.
    setFlag(m_protected, Qt::WindowMinimizeButtonHint, !held);
}
