#include "password/first_password_dialog.h"

#include "password/stored_password.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace PasswordWidgets;

Form5::Form5(QWidget* parent, SettingsStore& settings, const CodePage& page)
    : PasswordDialog(parent, "Form5", QSize(twips(3900), twips(2010))), m_settings(settings),
      m_page(page)
{
    // Created in tab order: first entry, second entry, O K.
    Label2 =
        label(this, "Label2", QStringLiteral("Enter a password:"), twipsRect(150, 75, 3540, 240));
    Text1 = maskedEntry(this, "Text1", twipsRect(150, 300, 3540, 285));
    Label3 = label(this, "Label3", QStringLiteral("Enter the password again:"),
                   twipsRect(150, 675, 3540, 240));
    Text2 = maskedEntry(this, "Text2", twipsRect(150, 900, 3540, 285));
    Command1 = button(this, "Command1", QStringLiteral("O K"), twipsRect(2400, 1350, 1215, 345));
    Label3->setEnabled(false);
    Text2->setEnabled(false);
    Text1->setFocus();

    connect(Text1, &QLineEdit::textChanged, this, &Form5::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    routeKeyPress(Text1, [this](int& keyAscii) { Text1_KeyPress(keyAscii); });
    routeKeyPress(Text2, [this](int& keyAscii) { Text2_KeyPress(keyAscii); });
}

void Form5::Text1_Change()
{
    Text2->setEnabled(true);
    Label3->setEnabled(true);
}

void Form5::Text1_KeyPress(int& keyAscii)
{
    // A disabled entry cannot take the focus, so Enter does nothing until
    // something has been typed.
    if (keyAscii == 13 && Text2->isEnabled())
        Text2->setFocus();
}

void Form5::Text2_KeyPress(int& keyAscii)
{
    if (keyAscii == 13)
        Command1->setFocus();
}

void Form5::Command1_Click()
{
    const QString first = Text1->text();
    const bool same = first == Text2->text() && !first.isEmpty();
    if (!same || refuseUnfit(this, first, m_page)) {
        if (!same)
            showTryAgain(this);
        Text1->clear();
        Text2->clear();
        Text1->setFocus();
        return;
    }
    QString error;
    if (!StoredPassword::store(m_settings, first, m_page, &error)) {
        // Both entries stay as typed, so O K can be pressed again once the
        // settings can be written.
        MessageBox::showSaveError(this, error);
        return;
    }
    MessageBox::show(this, QStringLiteral("Your password is very important. Do not forget it!"),
                     QStringLiteral("Atention!"), QMessageBox::Ok, QMessageBox::Warning);
    done(Accepted);
}
