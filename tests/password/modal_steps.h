#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on the modal windows of a path as each comes up, one step per window,
// from inside their exec() loops. A window of the wrong kind, and any window
// still up 10 s on, is closed and reported, so a broken path fails the test
// instead of hanging it.
class ModalSteps
{
public:
    ModalSteps()
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(5);
        m_clock.start();
    }

    template <typename Window> ModalSteps& then(std::function<void(Window*)> act)
    {
        m_steps.append([act](QWidget* window) {
            auto* typed = qobject_cast<Window*>(window);
            if (typed)
                act(typed);
            return typed != nullptr;
        });
        return *this;
    }

    // Empty when every step met a window of its kind.
    QString problems() const
    {
        return m_problems + (m_steps.isEmpty()
                                 ? QString()
                                 : QStringLiteral("%1 step(s) never ran; ").arg(m_steps.size()));
    }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (m_clock.elapsed() > 10000) {
            giveUp(modal, QStringLiteral("still open after 10 s: "));
            return;
        }
        if (modal == m_current || m_steps.isEmpty())
            return;
        m_current = modal;
        const auto step = m_steps.takeFirst();
        // A fresh timer, so the step may open nested windows while this one polls on.
        QTimer::singleShot(0, modal, [this, step, modal] {
            if (!step(modal))
                giveUp(modal, QStringLiteral("wrong window "));
        });
    }

    void giveUp(QWidget* modal, const QString& why)
    {
        m_problems += why + modal->objectName() + QStringLiteral("; ");
        modal->close();
    }

    QList<std::function<bool(QWidget*)>> m_steps;
    QPointer<QWidget> m_current;
    QString m_problems;
    QTimer m_poll;
    QElapsedTimer m_clock;
};
