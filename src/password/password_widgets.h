#pragma once

#include "platform/code_page.h"

#include <QDialog>
#include <QHash>
#include <QRect>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The controls the password windows share. Geometry is in pixels (twipsRect).
namespace PasswordWidgets {

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
// A single-line entry that shows every character as '*'.
QLineEdit* maskedEntry(QWidget* parent, const char* name, const QRect& geometry);
// Never a window's default button; Enter presses it only while it has the focus.
QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry);

// "Enter your password again..." for a wrong or mismatched entry.
void showTryAgain(QWidget* parent);

// True, after naming the characters to the parent, when the code page
// cannot hold the password.
bool refuseUnfit(QWidget* parent, const QString& password, const CodePage& page);

} // namespace PasswordWidgets

// The small password dialogs: a fixed client area, caption " Tobrin", centred
// on the screen when shown. Neither Enter nor Escape means anything to the
// whole window; an entry's own key handler decides what Enter does in it.
class PasswordDialog : public QDialog
{
    Q_OBJECT
protected:
    PasswordDialog(QWidget* parent, const char* name, const QSize& clientSize);

    // Key presses in entry go to handler with their character code (13 for
    // Enter) first; an Enter never reaches the window.
    void routeKeyPress(QLineEdit* entry, std::function<void(int&)> handler);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void centreOnScreen();

    QHash<QObject*, std::function<void(int&)>> m_keyHandlers;
};
