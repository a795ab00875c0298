#pragma once

#include "password/password_widgets.h"

class Form1;
class QLabel;
class QLineEdit;
class QPushButton;

// The password prompt: only the right password opens the control panel.
// Made afresh for every use; it keeps nothing between uses.
class Form3 : public PasswordDialog
{
    Q_OBJECT
public:
    explicit Form3(Form1& browser);

    QLabel* Label1;        // "Enter your password"
    QLineEdit* Text3;      // the password, masked
    QPushButton* Command6; // "O K"
    QPushButton* Command1; // "Cancel"

    void Command6_Click();
    void Command1_Click();
    void Text3_KeyPress(int& keyAscii);

private:
    Form1& m_browser;
};
