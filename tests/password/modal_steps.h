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

    template <typename Window> void then(std::function<void(Window*)> act)
    {
        m_steps.append([act](QWidget* window) {
            auto* typed = qobject_cast<Window*>(window);
            if (typed)
                act(typed);
            return typed != nullptr;
        });
    }

    // Empty when every step met a window of its kind.
    QString problems() const
    {
        return m_problems + (m_steps.isEmpty() ? QString() : QStringLiteral("steps never ran"));
    }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || (modal != m_current && m_steps.isEmpty()))
            return;
        if (modal == m_current) {
            if (m_clock.elapsed() > 10000) {
                m_problems += "left open: " + modal->objectName() + "; ";
                modal->close();
            }
            return;
        }
        m_current = modal;
        // A fresh timer, so the step may open nested windows while this one polls on.
        QTimer::singleShot(0, modal, [this, step = m_steps.takeFirst(), modal] {
            if (!step(modal)) {
                m_problems += "wrong window " + modal->objectName() + "; ";
                modal->close();
            }
        });
    }

    QList<std::function<bool(QWidget*)>> m_steps;
    QPointer<QWidget> m_current;
    QString m_problems;
    QTimer m_poll;
    QElapsedTimer m_clock;
};
