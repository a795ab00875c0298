#include "platform/desktop_lock.h"

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
    Cover() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    {
        setObjectName(QStringLiteral("desktopCover"));
        setWindowTitle(QStringLiteral("Tobrin"));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x20, 0x20, 0x28));
        setPalette(pal);
    }
};

QRect wholeDesktop()
{
    QRect area;
    for (QScreen* screen : QGuiApplication::screens())
        area = area.united(screen->geometry());
    return area;
}

void setStaysOnTop(QWidget* window, bool onTop)
{
    // Changing the flag through the native window keeps a shown window on
    // screen; QWidget::setWindowFlag would hide it.
    if (QWindow* handle = window->windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
    else
        window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
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
        if (m_cover) {
            m_cover->hide();
            delete m_cover;
            m_cover = nullptr;
        }
        keepProtectedOnTop(false);
        return;
    }
    if (!m_cover) {
        m_cover = new Cover;
        m_cover->setGeometry(wholeDesktop());
    }
    // Above the taskbar and panels only with the second switch.
    setStaysOnTop(m_cover, m_second);
    m_cover->show();
    keepProtectedOnTop(m_second);
    if (m_protected && m_protected->isVisible()) {
        m_protected->raise();
        m_protected->activateWindow();
    }
}

void DesktopLock::keepProtectedOnTop(bool onTop)
{
    if (!m_protected || onTop == m_protectedOnTop)
        return;
    m_protectedOnTop = onTop;
    setStaysOnTop(m_protected, onTop);
}
