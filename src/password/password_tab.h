#pragma once

#include "password/password_context.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/fixed.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <sigc++/trackable.h>

// The Password tab: the parent replaces the password by typing the current
// one and the new one twice. The entries keep their texts and states while
// the panel is hidden and shown again. The controls' handlers end with the
// tab, though the page may live on.
class PasswordTab : public sigc::trackable
{
public:
    // Puts the tab's controls on page, the panel's page for this tab.
    PasswordTab(const PasswordContext& context, Gtk::Fixed& page);
    PasswordTab(const PasswordTab&) = delete;
    PasswordTab& operator=(const PasswordTab&) = delete;

    // --- controls ----------------------------------------------------------
    Gtk::Frame* Frame2;    // "Password Control"
    Gtk::Label* Label8;    // "Enter your password"
    Gtk::Entry* Text8;     // current password
    Gtk::Label* Label7;    // "Enter your NEW password"
    Gtk::Entry* Text7;     // new password
    Gtk::Label* Label1;    // "Enter AGAIN your NEW password"
    Gtk::Entry* Text3;     // new password again
    Gtk::Button* Command6; // "_Cancel"
    Gtk::Button* Command4; // "_Apply"

    // --- handlers ----------------------------------------------------------
    void Text8_Change();
    void Command6_Click();
    void Command4_Click();

private:
    void clearEntries();
    void setNewEntriesEnabled(bool enabled);

    PasswordContext m_context;
    Gtk::Fixed& m_page;
};
