#include "password/password_tab.h"

#include "password/password_widgets.h"
#include "password/stored_password.h"
#include "platform/message_box.h"
#include "platform/twips.h"

using namespace PasswordWidgets;

PasswordTab::PasswordTab(const PasswordContext& context, Gtk::Fixed& page)
    : m_context(context), m_page(page)
{
    Frame2 = Gtk::make_managed<Gtk::Frame>("Password Control");
    Frame2->set_name("Frame2");
    const Gdk::Rectangle frame = twipsRect(1200, 225, 4590, 3015);
    Frame2->set_size_request(frame.get_width(), frame.get_height());
    page.put(*Frame2, frame.get_x(), frame.get_y());
    auto* inFrame = Gtk::make_managed<Gtk::Fixed>();
    Frame2->set_child(*inFrame);

    // The frame's caption takes the top of the frame: the controls keep their
    // designed places from the frame's outer corner.
    constexpr int kCaption = 240;
    Label8 = label(*inFrame, "Label8", "Enter your password", 300, 300 - kCaption, 2640, 240);
    Text8 = maskedEntry(*inFrame, "Text8", 300, 525 - kCaption, 3990, 285);
    Label7 = label(*inFrame, "Label7", "Enter your NEW password", 300, 1500 - kCaption, 2640, 315);
    Text7 = maskedEntry(*inFrame, "Text7", 300, 1725 - kCaption, 3915, 285);
    Label1 =
        label(*inFrame, "Label1", "Enter AGAIN your NEW password", 300, 2100 - kCaption, 3315, 315);
    Text3 = maskedEntry(*inFrame, "Text3", 300, 2325 - kCaption, 3915, 285);
    Command6 = button(page, "Command6", "_Cancel", 1920, 3600, 1440, 390);
    Command4 = button(page, "Command4", "_Apply", 3720, 3600, 1440, 390);
    setTabOrder(page, {Text8, Text7, Text3, Command4, Command6});
    setNewEntriesEnabled(false);

    // Every change counts, clearing by the program too.
    Text8->signal_changed().connect(sigc::mem_fun(*this, &PasswordTab::Text8_Change));
    Command6->signal_clicked().connect(sigc::mem_fun(*this, &PasswordTab::Command6_Click));
    Command4->signal_clicked().connect(sigc::mem_fun(*this, &PasswordTab::Command4_Click));
}

void PasswordTab::Text8_Change()
{
    setNewEntriesEnabled(true);
}

void PasswordTab::Command6_Click()
{
    clearEntries();
    Text8->grab_focus();
    setNewEntriesEnabled(false);
}

void PasswordTab::Command4_Click()
{
    const CodePage& page = m_context.codePage;
    PasswordKeeper& password = m_context.password();
    const std::string fresh = Text3->get_text();
    const bool accepted = Text7->get_text().raw() == fresh && password.check(Text8->get_text());
    if (!accepted) {
        showTryAgain(m_page);
        clearEntries();
        setNewEntriesEnabled(false);
        Text8->grab_focus();
        return;
    }
    if (refuseUnfit(m_page, fresh, page)) {
        // The current password was right: only the new one is typed again.
        Text7->set_text("");
        Text3->set_text("");
        Text7->grab_focus();
        return;
    }
    std::string error;
    if (!password.store(fresh, &error)) {
        // Not changed: the entries stay as typed for another Apply.
        MessageBox::showSaveError(windowOf(m_page), error);
        return;
    }
    MessageBox::show(windowOf(m_page), "Write down your new password! Don't forget it!!!",
                     "Password changed!", MessageBox::Ok, MessageBox::Warning);
    clearEntries();
}

void PasswordTab::clearEntries()
{
    Text7->set_text("");
    Text3->set_text("");
    Text8->set_text("");
}

void PasswordTab::setNewEntriesEnabled(bool enabled)
{
    Text7->set_sensitive(enabled);
    Text3->set_sensitive(enabled);
    Label7->set_sensitive(enabled);
    Label1->set_sensitive(enabled);
}
