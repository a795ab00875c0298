#include "password/password_tab.h"

#include "password/password_widgets.h"
#include "password/stored_password.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace PasswordWidgets;

PasswordTab::PasswordTab(const AppContext& context, Form1&, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    Frame2 = new QGroupBox(QStringLiteral("Password Control"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(twipsRect(1200, 225, 4590, 3015));

    // Created in tab order: Text8, Text7, Text3, Apply, Cancel.
    Label8 = label(Frame2, "Label8", QStringLiteral("Enter your password"),
                   twipsRect(300, 300, 2640, 240));
    Text8 = maskedEntry(Frame2, "Text8", twipsRect(300, 525, 3990, 285));
    Label7 = label(Frame2, "Label7", QStringLiteral("Enter your NEW password"),
                   twipsRect(300, 1500, 2640, 315));
    Text7 = maskedEntry(Frame2, "Text7", twipsRect(300, 1725, 3915, 285));
    Label1 = label(Frame2, "Label1", QStringLiteral("Enter AGAIN your NEW password"),
                   twipsRect(300, 2100, 3315, 315));
    Text3 = maskedEntry(Frame2, "Text3", twipsRect(300, 2325, 3915, 285));
    Command4 = button(this, "Command4", QStringLiteral("&Apply"), twipsRect(3720, 3600, 1440, 390));
    Command6 =
        button(this, "Command6", QStringLiteral("&Cancel"), twipsRect(1920, 3600, 1440, 390));
    setTabOrder(Text3, Command4);
    setTabOrder(Command4, Command6);
    setNewEntriesEnabled(false);

    // textChanged, not textEdited: clearing by the program counts as a change.
    connect(Text8, &QLineEdit::textChanged, this, &PasswordTab::Text8_Change);
    connect(Command6, &QPushButton::clicked, this, &PasswordTab::Command6_Click);
    connect(Command4, &QPushButton::clicked, this, &PasswordTab::Command4_Click);
}

void PasswordTab::Text8_Change()
{
    setNewEntriesEnabled(true);
}

void PasswordTab::Command6_Click()
{
    clearEntries();
    Text8->setFocus();
    setNewEntriesEnabled(false);
}

void PasswordTab::Command4_Click()
{
    SettingsStore& settings = *m_context.settings;
    const CodePage& page = m_context.codePage;
    const bool accepted =
        Text7->text() == Text3->text() &&
        StoredPassword::matches(Text8->text(), StoredPassword::expected(settings, page), page);
    if (!accepted) {
        showTryAgain(this);
        clearEntries();
        setNewEntriesEnabled(false);
        Text8->setFocus();
        return;
    }
    if (refuseUnfit(this, Text3->text(), page)) {
        // The current password was right: only the new one is typed again.
        Text7->clear();
        Text3->clear();
        Text7->setFocus();
        return;
    }
    QString error;
    if (!StoredPassword::store(settings, Text3->text(), page, &error)) {
        // Not changed: the entries stay as typed for another Apply.
        MessageBox::showSaveError(this, error);
        return;
    }
    MessageBox::show(this, QStringLiteral("Write down your new password! Don't forget it!!!"),
                     QStringLiteral("Password changed!"), QMessageBox::Ok, QMessageBox::Warning);
    clearEntries();
}

void PasswordTab::clearEntries()
{
    Text7->clear();
    Text3->clear();
    Text8->clear();
}

void PasswordTab::setNewEntriesEnabled(bool enabled)
{
    Text7->setEnabled(enabled);
    Text3->setEnabled(enabled);
    Label7->setEnabled(enabled);
    Label1->setEnabled(enabled);
}
