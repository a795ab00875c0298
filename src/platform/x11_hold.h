#pragma once

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>

class QSocketNotifier;
class QTimer;
class QWidget;

// What holds an X11 desktop beyond the cover itself. The cover (a window the
// window manager never handles) is kept directly below this program's own
// windows whatever restacks them; with `full`, the keyboard is grabbed so no
// desktop or window-manager shortcut fires, the program's windows are kept
// shown, focused, on every workspace and above every other program's window.
// Nothing here outlives the process: the X server drops the grab itself.
class X11Hold : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Whether this session is an X11 one (and so whether this can work).
    static bool available();

    X11Hold(QWidget* cover, QWidget* main, QObject* parent = nullptr);
    ~X11Hold() override;

    void setFull(bool full);
    // Whether the keyboard is held now; false when the server refused it.
    bool keyboardHeld() const { return m_keyboardHeld; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Watch;

    void check();
    void grabKeyboard();
    void release();
    void keepStacked();
    void keepShownAndFocused();
    void setSticky(QWidget* window, bool sticky);
    QList<QWidget*> ownWindows() const;

    QPointer<QWidget> m_cover;
    QPointer<QWidget> m_main;
    std::unique_ptr<Watch> m_watch;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_soon = nullptr;
    QTimer* m_heartbeat = nullptr;
    QSet<quintptr> m_sticky;
    QElapsedTimer m_lastRaise;
    bool m_full = false;
    bool m_keyboardHeld = false;
};
