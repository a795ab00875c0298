#include "platform/window_placement.h"

#include "platform/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

class Placer : public QObject
{
public:
    Placer(QWidget* window, std::function<QPoint(const QSize&)> place)
        : QObject(window), m_window(window), m_place(std::move(place))
    {
        setObjectName(QStringLiteral("windowPlacer"));
        window->installEventFilter(this);
    }

    void setPlace(std::function<QPoint(const QSize&)> place) { m_place = std::move(place); }

    void placeNow()
    {
        m_frame = m_window->frameGeometry().size();
        m_window->move(m_place(m_frame));
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        // A window that keeps its place while being framed gets no move; its
        // first paint or activation comes after the frame is known.
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            if (m_window->frameGeometry().size() != m_frame)
                placeNow();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget* m_window;
    std::function<QPoint(const QSize&)> m_place;
    QSize m_frame;
};

} // namespace

void keepPlaced(QWidget* window, std::function<QPoint(const QSize& frame)> place)
{
    // Found by name: the class has no meta-object of its own to cast by.
    auto* placer = static_cast<Placer*>(
        window->findChild<QObject*>(QStringLiteral("windowPlacer"), Qt::FindDirectChildrenOnly));
    if (placer)
        placer->setPlace(std::move(place));
    else
        placer = new Placer(window, std::move(place));
    placer->placeNow();
}

void keepCentred(QWidget* window)
{
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : window;
    const QScreen* screen = owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    keepPlaced(window, [area](const QSize& frame) {
        return centredOn(area, frame.width(), frame.height());
    });
}
