#include "password/first_password_dialog.h"

#include "password/stored_password.h"
#include "platform/message_box.h"

using namespace PasswordWidgets;

Form5::Form5(Gtk::Window* parent, PasswordKeeper& password, const CodePage& page)
    : PasswordDialog(parent, "Form5", 3900, 2010), m_password(password), m_codePage(page)
{
    Label2 = label(m_layout, "Label2", "Enter a password:", 150, 75, 3540, 240);
    Text1 = maskedEntry(m_layout, "Text1", 150, 300, 3540, 285);
    Label3 = label(m_layout, "Label3", "Enter the password again:", 150, 675, 3540, 240);
    Text2 = maskedEntry(m_layout, "Text2", 150, 900, 3540, 285);
    Command1 = button(m_layout, "Command1", "O K", 2400, 1350, 1215, 345);
    Label3->set_sensitive(false);
    Text2->set_sensitive(false);
    setTabOrder(*this, {Text1, Text2, Command1});
    set_focus(*Text1);

    Text1->signal_changed().connect([this] { Text1_Change(); });
    Text1->signal_activate().connect([this] { Text1_Enter(); });
    Text2->signal_activate().connect([this] { Text2_Enter(); });
    Command1->signal_clicked().connect([this] { Command1_Click(); });
}

void Form5::Text1_Change()
{
    Text2->set_sensitive(true);
    Label3->set_sensitive(true);
}

void Form5::Text1_Enter()
{
    // A disabled entry cannot take the focus, so Enter does nothing until
    // something has been typed.
    if (Text2->is_sensitive())
        Text2->grab_focus();
}

void Form5::Text2_Enter()
{
    Command1->grab_focus();
}

void Form5::Command1_Click()
{
    const std::string first = Text1->get_text();
    const bool same = first == Text2->get_text().raw() && !first.empty();
    if (!same || refuseUnfit(*this, first, m_codePage)) {
        if (!same)
            showTryAgain(*this);
        Text1->set_text("");
        Text2->set_text("");
        Text1->grab_focus();
        return;
    }
    std::string error;
    if (!m_password.store(first, &error)) {
        // Both entries stay as typed, so O K can be pressed again once the
        // settings can be written. The dialog has no Cancel, and the login
        // session's window manager closes nothing: this box is the way out.
        const MessageBox::Button pressed = MessageBox::show(
            this,
            error + "\n\nWhat you entered is still shown in the window. Check that the folder can "
                    "be written, then press O K again, or press Cancel to choose a password later.",
            "Tobrin", MessageBox::Ok | MessageBox::Cancel, MessageBox::Critical, MessageBox::Ok);
        if (pressed == MessageBox::Cancel)
            done(Rejected);
        return;
    }
    MessageBox::show(this, "Your password is very important. Do not forget it!", "Atention!",
                     MessageBox::Ok, MessageBox::Warning);
    done(Accepted);
}
