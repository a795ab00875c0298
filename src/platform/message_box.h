#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

// Every message box of the program goes through here, so tests can answer
// them in advance and read back exactly what the parent or child was shown.
namespace MessageBox {

using Button = QMessageBox::StandardButton;
using Buttons = QMessageBox::StandardButtons;
using Icon = QMessageBox::Icon;

// Shows a modal message box and returns the button pressed.
Button show(QWidget* parent, const QString& text, const QString& title, Buttons buttons, Icon icon,
            Button defaultButton = QMessageBox::NoButton);

// Tells the parent that something they entered could not be saved; the error
// text comes from the file or settings helper.
void showSaveError(QWidget* parent, const QString& error);

// --- test seam -----------------------------------------------------------
struct Shown
{
    QString text;
    QString title;
    Buttons buttons;
    Icon icon = QMessageBox::NoIcon;
    Button defaultButton = QMessageBox::NoButton;
    QWidget* parent = nullptr;
};

// From now on no box is really shown: each call takes the next queued answer
// (or, with none queued, its default button or else its first button).
void enableTestMode();
void queueAnswer(Button answer);
// The boxes "shown" since the last call, oldest first.
QList<Shown> takeShown();
// How many queued answers were not used yet; cleared by takeShown().
int pendingAnswers();

} // namespace MessageBox
