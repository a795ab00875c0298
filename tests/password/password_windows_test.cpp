#include "password/first_password_dialog.h"
#include "password/panel_path.h"
#include "password/password_prompt.h"
#include "password/password_tab.h"
#include "password/stored_password.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"
#include "window_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace StoredPassword;
using namespace WindowDriver;

namespace {

struct Box
{
    std::string text, title;
    MessageBox::Icon icon;
};

// The one box shown since the last call, as text, title and icon, with a
// single OK button.
Box shownBox()
{
    const auto shown = MessageBox::takeShown();
    EXPECT_EQ(shown.size(), 1u);
    if (shown.empty())
        return {};
    EXPECT_EQ(shown[0].buttons, MessageBox::Ok);
    return {shown[0].text, shown[0].title, shown[0].icon};
}

void expectTryAgain()
{
    const Box box = shownBox();
    EXPECT_EQ(box.text, "Enter your password again...");
    EXPECT_EQ(box.title, "Error!");
    EXPECT_EQ(box.icon, MessageBox::Critical);
}

class PasswordWindows : public testing::Test
{
protected:
    PasswordWindows() { MessageBox::enableTestMode(); }
    ~PasswordWindows() override { MessageBox::takeShown(); }

    // Makes the settings file unwritable (a folder stands in its place) or
    // writable again.
    void settingsWritable(bool writable)
    {
        if (writable)
            std::filesystem::remove(settings.filePath());
        else
            std::filesystem::create_directory(settings.filePath());
    }

    ScratchDir dir;
    SettingsStore settings{dir / "Corvane.conf"};
};

TEST_F(PasswordWindows, FirstPasswordWithEveryMistake)
{
    const CodePage russian("CP1251");
    StoredPasswordKeeper password(settings, russian);
    Form5 f5(nullptr, password, russian);
    f5.present();
    ASSERT_TRUE(runUntil([&] { return f5.get_mapped(); }));
    EXPECT_EQ(f5.get_title(), " Tobrin");
    EXPECT_EQ(f5.Text1->get_invisible_char(), gunichar('*'));
    EXPECT_FALSE(f5.Text2->is_sensitive() || f5.Label3->is_sensitive());
    // Escape closes nothing, Enter in the empty first entry does nothing, and
    // Tab passes the disabled entry by.
    ASSERT_TRUE(pressKeys("Escape Return Tab"));
    ASSERT_TRUE(runUntil([&] { return hasFocus(*f5.Command1); }));
    EXPECT_TRUE(f5.get_visible());

    ASSERT_TRUE(click(*f5.Command1)); // nothing typed
    expectTryAgain();
    EXPECT_FALSE(f5.Text2->is_sensitive());

    // A letter a Russian user's code page lacks is refused by name, never
    // stored as '?'.
    f5.Text1->set_text("\u0416\u4E2D");
    f5.Text2->set_text("\u0416\u4E2D");
    ASSERT_TRUE(click(*f5.Command1));
    EXPECT_NE(shownBox().text.find("\u4E2D"), std::string::npos);
    EXPECT_EQ(f5.Text1->get_text() + f5.Text2->get_text(), "");

    f5.Text1->set_text("Tiger");
    EXPECT_TRUE(f5.Text2->is_sensitive() && f5.Label3->is_sensitive());
    f5.Text1->grab_focus();
    ASSERT_TRUE(pressKeys("Return"));
    ASSERT_TRUE(runUntil([&] { return hasFocus(*f5.Text2); }));
    f5.Text2->set_text("tiger"); // differs only in letter case
    ASSERT_TRUE(click(*f5.Command1));
    expectTryAgain();
    EXPECT_EQ(f5.Text1->get_text() + f5.Text2->get_text(), "");
    EXPECT_TRUE(hasFocus(*f5.Text1));
    EXPECT_TRUE(isUnset(settings));

    // Settings that cannot be written: no announcement, nothing typed is lost.
    settingsWritable(false);
    f5.Text1->set_text("Tiger");
    f5.Text2->set_text("Tiger");
    ASSERT_TRUE(click(*f5.Command1));
    const auto failed = MessageBox::takeShown();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].icon, MessageBox::Critical);
    EXPECT_EQ(failed[0].buttons, MessageBox::Ok | MessageBox::Cancel);
    EXPECT_TRUE(f5.get_visible());
    EXPECT_EQ(f5.Text2->get_text(), "Tiger");
        // The way out, where no window manager closes the dialog: Cancel in the
    // box leaves it, storing nothing.
    {
        StoredPasswordKeeper keeper(settings, russian);
        Form5 stuck(nullptr, keeper, russian);
        stuck.present();
        ASSERT_TRUE(runUntil([&] { return stuck.get_mapped(); }));
        stuck.Text1->set_text("Tiger");
        stuck.Text2->set_text("Tiger");
        MessageBox::queueAnswer(MessageBox::Cancel);
        ASSERT_TRUE(click(*stuck.Command1));
        EXPECT_EQ(MessageBox::takeShown().size(), 1u);
        ASSERT_TRUE(runUntil([&] { return !stuck.get_visible(); }));
        EXPECT_EQ(stuck.result(), PasswordDialog::Rejected);
        EXPECT_TRUE(isUnset(settings));
    }
    settingsWritable(true);

    f5.Text2->grab_focus();
    ASSERT_TRUE(pressKeys("Return"));
    ASSERT_TRUE(runUntil([&] { return hasFocus(*f5.Command1); }));
    ASSERT_TRUE(pressKeys("Return")); // Enter on O K confirms
    ASSERT_TRUE(runUntil([&] { return !f5.get_visible(); }));
    const Box told = shownBox();
    EXPECT_EQ(told.text, "Your password is very important. Do not forget it!");
    EXPECT_EQ(told.title, "Atention!");
    EXPECT_EQ(told.icon, MessageBox::Warning);
    EXPECT_EQ(f5.result(), PasswordDialog::Accepted);
    EXPECT_FALSE(f5.get_visible());
    EXPECT_EQ(settings.read("Password", ""), Scramble("Tiger", Key, russian));
}

// The whole way from the panel key: the first password on first use, then
// the prompt; the favorites entries are offered the page either way.
TEST_F(PasswordWindows, PanelPathFirstUseWrongRightAndCancel)
{
    Gtk::Window browser;
    browser.present();
    const PasswordContext context{&settings, CodePage()};
    std::vector<std::string> steps;
    // Acts on each dialog once the path has shown it.
    auto whenShown = [&](const char* name, std::function<void(Gtk::Window&)> act) {
        Glib::signal_timeout().connect(
            [name, act] {
                Gtk::Window* w = shownWindow(name);
                if (w)
                    act(*w);
                return !w;
            },
            10);
    };
    auto type = [](Gtk::Entry* entry, const char* text) { entry->set_text(text); };

    whenShown("Form5", [&](Gtk::Window& w) {
        auto& f5 = dynamic_cast<Form5&>(w);
        type(f5.Text1, "Lion");
        type(f5.Text2, "Lion");
        f5.Command1->activate();
        whenShown("Form3", [&](Gtk::Window& w) {
            auto& f3 = dynamic_cast<Form3&>(w);
            steps.push_back("prompt");
            EXPECT_EQ(shownBox().title, "Atention!");
            // The designed tab order: entry, O K, Cancel.
            ASSERT_TRUE(pressKeys("Tab"));
            ASSERT_TRUE(runUntil([&] { return hasFocus(*f3.Command6); }));
            ASSERT_TRUE(pressKeys("Tab"));
            ASSERT_TRUE(runUntil([&] { return hasFocus(*f3.Command1); }));
            type(f3.Text3, "lion");
            ASSERT_TRUE(click(*f3.Command6));
            expectTryAgain();
            EXPECT_TRUE(f3.get_visible() && hasFocus(*f3.Text3));
            f3.Text3->set_text("Lion");
            ASSERT_TRUE(pressKeys("Return")); // Enter only moves to O K
            ASSERT_TRUE(runUntil([&] { return hasFocus(*f3.Command6); }));
            EXPECT_TRUE(f3.get_visible());
            ASSERT_TRUE(pressKeys("Return"));
        });
    });
    runPanelPath(
        browser, context, [&] { steps.push_back("offer"); },
        [&] { steps.push_back(shownWindow("Form3") ? "panel over the prompt" : "panel"); });
    EXPECT_EQ(steps, (std::vector<std::string>{"offer", "prompt", "panel"}));

    // With a password stored the prompt comes at once; Cancel opens nothing.
    steps.clear();
    whenShown("Form3", [&](Gtk::Window& w) { dynamic_cast<Form3&>(w).Command1->activate(); });
    runPanelPath(
        browser, context, [&] { steps.push_back("offer"); }, [&] { steps.push_back("panel"); });
    EXPECT_EQ(steps, std::vector<std::string>{"offer"});
    EXPECT_TRUE(MessageBox::takeShown().empty());
}

TEST_F(PasswordWindows, ChangeThePassword)
{
    Gtk::Window panel;
    Gtk::Fixed page;
    panel.set_child(page);
    PasswordTab tab({&settings, CodePage()}, page);
    panel.present();
    ASSERT_TRUE(runUntil([&] { return panel.get_mapped(); }));
    // The four new-password controls move together.
    auto newEntries = [&](bool on) {
        for (Gtk::Widget* w :
             std::initializer_list<Gtk::Widget*>{tab.Text7, tab.Text3, tab.Label7, tab.Label1})
            EXPECT_EQ(w->is_sensitive(), on) << w->get_name();
    };
    auto apply = [&](const char* current, const char* fresh, const char* again) {
        tab.Text8->set_text(current);
        tab.Text7->set_text(fresh);
        tab.Text3->set_text(again);
        tab.Command4->grab_focus(); // as a click would
        ASSERT_TRUE(click(*tab.Command4));
    };
    auto stored = [&] { return settings.read("Password", "none"); };
    EXPECT_EQ(tab.Command4->get_label(), "_Apply");

    // Typing, and deleting everything, enable the new entries; Cancel clears and disables.
    newEntries(false);
    tab.Text8->set_text("ab");
    newEntries(true);
    ASSERT_TRUE(click(*tab.Command6));
    newEntries(false);
    EXPECT_EQ(tab.Text8->get_text(), "");
    EXPECT_TRUE(hasFocus(*tab.Text8));
    tab.Text8->set_text("x");
    tab.Text8->set_text("");
    newEntries(true);

    // With nothing stored only the unscrambled default is the current
    // password; a new one the settings refuse is not announced, and the
    // entries stay.
    settingsWritable(false);
    apply("\"\"\"", "Lion", "Lion");
    EXPECT_EQ(shownBox().icon, MessageBox::Critical);
    EXPECT_EQ(tab.Text3->get_text(), "Lion");
    settingsWritable(true);
    apply("\"\"\"", "Tiger", "Tiger");
    const Box told = shownBox();
    EXPECT_EQ(told.text, "Write down your new password! Don't forget it!!!");
    EXPECT_EQ(told.title, "Password changed!");
    EXPECT_EQ(told.icon, MessageBox::Warning);
    EXPECT_EQ(stored(), Scramble("Tiger", Key, CodePage()));
    EXPECT_EQ(tab.Text8->get_text() + tab.Text7->get_text() + tab.Text3->get_text(), "");
    newEntries(true);
    EXPECT_TRUE(hasFocus(*tab.Command4));
    // The designed tab order: Apply before Cancel, though Cancel stands left.
    tab.Text3->grab_focus();
    ASSERT_TRUE(pressKeys("Tab"));
    ASSERT_TRUE(runUntil([&] { return hasFocus(*tab.Command4); }));
    ASSERT_TRUE(pressKeys("Tab"));
    ASSERT_TRUE(runUntil([&] { return hasFocus(*tab.Command6); }));

    const char* wrong[][3] = {{"tiger", "Lion", "Lion"}, {"Tiger", "Lion", "lion"}};
    for (const auto& entries : wrong) {
        apply(entries[0], entries[1], entries[2]);
        expectTryAgain();
        EXPECT_EQ(tab.Text8->get_text() + tab.Text7->get_text(), "");
        newEntries(false);
        EXPECT_TRUE(hasFocus(*tab.Text8));
        EXPECT_EQ(stored(), Scramble("Tiger", Key, CodePage()));
    }

    // A new password the code page cannot hold is refused by name; only
    // the new entries are typed again.
    apply("Tiger", "\u0416", "\u0416");
    EXPECT_NE(shownBox().text.find(": \u0416\n"), std::string::npos);
    EXPECT_EQ(stored(), Scramble("Tiger", Key, CodePage()));
    EXPECT_EQ(tab.Text8->get_text(), "Tiger");
    EXPECT_TRUE(hasFocus(*tab.Text7));

    // An empty new password is a password too.
    apply("Tiger", "", "");
    EXPECT_EQ(shownBox().title, "Password changed!");
    EXPECT_EQ(stored(), "");
    EXPECT_FALSE(isUnset(settings));
}

} // namespace
