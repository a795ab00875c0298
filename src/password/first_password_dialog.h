#pragma once

#include "password/password_widgets.h"

class PasswordKeeper;

// The first-password dialog: on first use the parent chooses a password,
// typed twice. It has no Cancel; closing it stores nothing.
class Form5 : public PasswordDialog
{
public:
    Form5(Gtk::Window* parent, PasswordKeeper& password, const CodePage& page);

    Gtk::Label* Label2;    // "Enter a password:"
    Gtk::Entry* Text1;     // the password, masked
    Gtk::Label* Label3;    // "Enter the password again:", greyed until Text1 changes
    Gtk::Entry* Text2;     // the password again, masked; disabled until Text1 changes
    Gtk::Button* Command1; // "O K"

    void Text1_Change();
    void Text1_Enter();
    void Text2_Enter();
    void Command1_Click();

private:
    PasswordKeeper& m_password;
    CodePage m_codePage;
};
