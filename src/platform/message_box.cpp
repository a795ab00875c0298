#include "platform/message_box.h"

#include "platform/window_placement.h"

#include <QPushButton>

namespace {

struct TestSeam
{
    bool enabled = false;
    QList<MessageBox::Button> answers;
    QList<MessageBox::Shown> shown;
};

TestSeam& seam()
{
    static TestSeam s;
    return s;
}

MessageBox::Button firstButton(MessageBox::Buttons buttons)
{
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}) {
        if (buttons.testFlag(b))
            return b;
    }
    return QMessageBox::NoButton;
}

} // namespace

namespace MessageBox {

Button show(QWidget* parent, const QString& text, const QString& title, Buttons buttons, Icon icon,
            Button defaultButton)
{
    if (seam().enabled) {
        seam().shown.append({text, title, buttons, icon, defaultButton, parent});
        if (!seam().answers.isEmpty())
            return seam().answers.takeFirst();
        return defaultButton != QMessageBox::NoButton ? defaultButton : firstButton(buttons);
    }
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    // The texts are plain sentences, never markup from a page.
    box.setTextFormat(Qt::PlainText);
    keepCentred(&box);
    return Button(box.exec());
}

void showSaveError(QWidget* parent, const QString& error)
{
    show(parent,
         error +
             QStringLiteral("\n\nWhat you entered is still shown in the window. "
                            "Check that the folder can be written, then make the change again."),
         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Critical);
}

void enableTestMode()
{
    seam().enabled = true;
}

void queueAnswer(Button answer)
{
    seam().answers.append(answer);
}

QList<Shown> takeShown()
{
    seam().answers.clear();
    return std::exchange(seam().shown, {});
}

int pendingAnswers()
{
    return int(seam().answers.size());
}

} // namespace MessageBox
