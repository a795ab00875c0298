#include "panel/panel_window.h"
#include "platform/color_dialog.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The panel over a plain window standing in for the browser window, with the
// settings and the blocked words of a scratch folder.
struct TestPanel
{
    TestPanel() : settings(dir / "Corvane.conf")
    {
        MessageBox::enableTestMode();
        MessageBox::takeShown();
        ColorDialog::enableTestMode();
        ColorDialog::takeShownCount();
    }

    std::unique_ptr<Form2> panel()
    {
        const std::filesystem::path folder = dir.path();
        const PanelContext context{
            &settings,
            {dir / "nosurf.txt", CodePage("CP1252")},
            {dir / "pref.txt", dir / "favorites.htm", CodePage("CP1252"), &settings},
            {[folder](std::string_view relative) { return folder / relative.substr(1); }},
            {dir / "log.txt", CodePage("CP1252")},
            {&settings, CodePage("CP1252")}};
        auto form = std::make_unique<Form2>(context, browser);
        form->Form_Load();
        form->signal_tvColor().connect([this](const Gdk::RGBA& c) { tvColors.push_back(c); });
        form->signal_legendColor().connect(
            [this](const Gdk::RGBA& c) { legendColors.push_back(c); });
        return form;
    }

    ScratchDir dir;
    SettingsStore settings;
    Gtk::Window browser;
    std::vector<Gdk::RGBA> tvColors, legendColors;
};

void click(Gtk::Button& button)
{
    g_signal_emit_by_name(button.gobj(), "clicked");
}

} // namespace

TEST(PanelWindow, CreatedHiddenWithItsCaptions)
{
    TestPanel test;
    auto panel = test.panel();
    EXPECT_FALSE(panel->get_visible());
    EXPECT_EQ(panel->get_title(), " Parental Remote Control");
    EXPECT_EQ(panel->VideoSoftIndexTab1.captions(),
              "General|Addresses|Favorites|Time|Surf Log|Password");
    std::vector<std::string> captions{panel->Command1.get_label(), panel->Frame1.get_label()};
    for (Gtk::CheckButton* box : {&panel->Check1, &panel->Check2, &panel->Check3, &panel->Check4}) {
        captions.push_back(box->get_label());
        EXPECT_FALSE(box->get_active());
    }
    for (const Glib::ustring& text : {panel->Frame3.get_label(), panel->Command8.get_label(),
                                      panel->Command9.get_label(), panel->Label11.get_text()})
        captions.push_back(text);
    EXPECT_EQ(captions, (std::vector<std::string>{
                            "_O K", "Control", "Stop _Addresses Control", "Stop _Time Control",
                            "Surf ONLY in Favorites Sites",
                            "Disable the Desktop and the Windows Taskbar", "Colors", "TV Color",
                            "Legend Color", "legend"}));
    // First start: a black miniature with a white legend, and no list yet.
    EXPECT_EQ(panel->tvfake.backColor(), Gdk::RGBA("black"));
    EXPECT_EQ(panel->legendColor(), Gdk::RGBA("white"));
    EXPECT_TRUE(MessageBox::takeShown().empty());

    // O K hides the panel shown over the browser window, and showModal
    // returns then.
    Glib::signal_idle().connect_once([&] { click(panel->Command1); });
    panel->showModal();
    EXPECT_FALSE(panel->get_visible());
}

TEST(PanelWindow, ColoursApplyAtOnceAndAreStored)
{
    TestPanel test;
    auto panel = test.panel();
    ColorDialog::queueAnswer(Gdk::RGBA("rgb(255,0,0)"));
    panel->tvfake.signal_clicked().emit();
    ColorDialog::queueAnswer(std::nullopt); // Cancel changes nothing
    click(panel->Command8);
    ColorDialog::queueAnswer(Gdk::RGBA("rgb(0,0,255)"));
    panel->Label11_Click();
    EXPECT_EQ(ColorDialog::takeShownCount(), 3);
    EXPECT_EQ(test.settings.read("color", ""), "255");
    EXPECT_EQ(test.settings.read("legendcolor", ""), "16711680");
    EXPECT_EQ(test.tvColors, std::vector<Gdk::RGBA>{Gdk::RGBA("rgb(255,0,0)")});
    EXPECT_EQ(test.legendColors, std::vector<Gdk::RGBA>{Gdk::RGBA("rgb(0,0,255)")});

    // The next start shows the stored colours.
    panel = test.panel();
    EXPECT_EQ(panel->tvfake.backColor(), Gdk::RGBA("rgb(255,0,0)"));
    EXPECT_EQ(panel->legendColor(), Gdk::RGBA("rgb(0,0,255)"));

    // A colour that cannot be stored is told, and still shown.
    std::filesystem::remove(test.settings.filePath());
    std::filesystem::create_directories(test.settings.filePath());
    ColorDialog::queueAnswer(Gdk::RGBA("rgb(0,128,0)"));
    click(panel->Command9);
    EXPECT_EQ(panel->legendColor(), Gdk::RGBA("rgb(0,128,0)"));
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("legendcolor"), std::string::npos) << shown[0].text;
}

// Each switch is stored first and then acts; a value already stored is not
// written again, and the lock follows the box.
TEST(PanelWindow, SwitchesStoreThenActInOrder)
{
    TestPanel test;
    auto panel = test.panel();
    std::vector<std::string> order;
    panel->signal_favoritesOnly().connect([&](bool on) {
        order.push_back(std::string("favorites ") + (on ? "on " : "off ") +
                        test.settings.read("favorites", "unset"));
    });
    panel->signal_timeControlStopped().connect(
        [&](bool stopped) { order.push_back(stopped ? "time stopped" : "time resumed"); });
    panel->Disable1.signal_switchSet().connect([&](int which, bool on) {
        order.push_back("lock " + std::to_string(which) + (on ? " on " : " off ") +
                        test.settings.read("disable", "unset"));
    });
    panel->Check3.set_active(true);
    panel->Check2.set_active(true);
    panel->Check4.set_active(true);
    panel->Check4.set_active(false);
    panel->Check3.set_active(false);
    panel->Check2.set_active(false);
    EXPECT_EQ(order, (std::vector<std::string>{
                         "favorites on 1", "time stopped", "lock 1 on True", "lock 2 on True",
                         "lock 1 off False", "lock 2 off False", "favorites off 0",
                         "time resumed"}));
    // Ticked by the program on a hidden panel: the parent is not there to read a box.
    EXPECT_TRUE(MessageBox::takeShown().empty());
}
