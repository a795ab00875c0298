#include "password/password_prompt.h"

#include "password/stored_password.h"

using namespace PasswordWidgets;

Form3::Form3(Gtk::Window& browser, const PasswordContext& context, std::function<void()> openPanel)
    : PasswordDialog(&browser, "Form3", 3495, 1380), m_context(context),
      m_openPanel(std::move(openPanel))
{
    Label1 = label(m_layout, "Label1", "Enter your password", 150, 75, 2640, 240);
    Text3 = maskedEntry(m_layout, "Text3", 150, 300, 3165, 285);
    Command6 = button(m_layout, "Command6", "O K", 1875, 750, 1065, 390);
    Command1 = button(m_layout, "Command1", "Cancel", 450, 750, 1065, 390);
    setTabOrder(*this, {Text3, Command6, Command1});
    set_focus(*Text3);

    Command6->signal_clicked().connect([this] { Command6_Click(); });
    Command1->signal_clicked().connect([this] { Command1_Click(); });
    Text3->signal_activate().connect([this] { Text3_Enter(); });
}

void Form3::Command6_Click()
{
    if (m_context.password().check(Text3->get_text())) {
        Text3->set_text("");
        // The prompt is gone before the panel shows; its loop ends once the
        // panel has been closed again and this click has returned.
        done(Accepted);
        if (m_openPanel)
            m_openPanel();
        return;
    }
    showTryAgain(*this);
    Text3->set_text("");
    Text3->grab_focus();
}

void Form3::Command1_Click()
{
    done(Rejected);
}

void Form3::Text3_Enter()
{
    Command6->grab_focus();
}
