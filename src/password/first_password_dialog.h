#pragma once

#include "password/password_widgets.h"
#include "platform/code_page.h"

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsStore;

// The first-password dialog: on first use the parent chooses a password,
// typed twice. It has no Cancel; closing it stores nothing.
class Form5 : public PasswordDialog
{
    Q_OBJECT
public:
    Form5(QWidget* parent, SettingsStore& settings, const CodePage& page);

    QLabel* Label2;        // "Enter a password:"
    QLineEdit* Text1;      // the password, masked
    QLabel* Label3;        // "Enter the password again:", greyed until Text1 changes
    QLineEdit* Text2;      // the password again, masked; disabled until Text1 changes
    QPushButton* Command1; // "O K"

    void Text1_Change();
    void Text1_KeyPress(int& keyAscii);
    void Text2_KeyPress(int& keyAscii);
    void Command1_Click();

private:
    SettingsStore& m_settings;
    CodePage m_page;
};
