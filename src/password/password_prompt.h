#pragma once

#include "password/password_context.h"
#include "password/password_widgets.h"

#include <functional>

// The password prompt: only the right password opens the control panel.
// Made afresh for every use; it keeps nothing between uses.
class Form3 : public PasswordDialog
{
public:
    // openPanel shows the panel modally and returns once it is closed again.
    Form3(Gtk::Window& browser, const PasswordContext& context, std::function<void()> openPanel);

    Gtk::Label* Label1;    // "Enter your password"
    Gtk::Entry* Text3;     // the password, masked
    Gtk::Button* Command6; // "O K"
    Gtk::Button* Command1; // "Cancel"

    void Command6_Click();
    void Command1_Click();
    void Text3_Enter();

private:
    PasswordContext m_context;
    std::function<void()> m_openPanel;
};
