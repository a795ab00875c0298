#include "fake_web_view.h"
#include "shown_box.h"
#include "panel/panel_window.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"
#include "platform/clock.h"
#include "platform/color_dialog.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "scratch_dir.h"
#include "shell/browser_window.h"
#include "shell/installation.h"
#include "surflog/log_records.h"

#include <gtest/gtest.h>
#include <glibmm/miscutils.h>
#include <glibmm/spawn.h>
#include <gtkmm/entry.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

class FixedClock final : public Clock
{
public:
    Glib::DateTime now() const override { return moment; }
    Glib::DateTime moment = Glib::DateTime::create_local(2026, 12, 7, 10, 15, 0); // a Monday
};

// A scratch installation with its own settings, a fixed clock and the fake
// page view; message boxes and the colour dialog answer from queues.
struct TestInstall
{
    TestInstall() : paths(dir.path().string()), settings(dir / "Corvane.conf")
    {
        MessageBox::enableTestMode();
        MessageBox::takeShown();
        ColorDialog::enableTestMode();
        EXPECT_TRUE(Installation::repair(paths).empty());
    }

    std::unique_ptr<Form1> window(bool load = true)
    {
        AppContext context{paths,
                           &settings,
                           &clock,
                           [this] {
                               auto fake = std::make_unique<FakeWebView>();
                               view = fake.get();
                               return std::unique_ptr<WebView>(std::move(fake));
                           },
                           [this] { ++ended; },
                           CodePage("CP1252")};
        auto form = std::make_unique<Form1>(context);
        // The schedule check is run by hand where a test wants it.
        form->Timer1.stop();
        if (load)
            form->Form_Load();
        return form;
    }

    std::string log() const { return ScratchDir::read(paths.file(AppPaths::Log)); }

    ScratchDir dir;
    AppPaths paths;
    SettingsStore settings;
    FixedClock clock;
    FakeWebView* view = nullptr;
    int ended = 0;
};

bool runUntil(const std::function<bool()>& done, int seconds = 5)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Glib::MainContext::get_default()->iteration(false);
    }
    return true;
}

void pressEnter(Form1& form)
{
    g_signal_emit_by_name(form.Combo1.get_entry()->gobj(), "activate");
}

} // namespace

TEST(BrowserWindow, BackAndForwardFollowTheHistory)
{
    TestInstall install;
    auto form = install.window(false);
    FakeWebView& view = *install.view;
    view.autoFinish = false; // the start page completes after the load step, as for real
    form->Form_Load();
    EXPECT_FALSE(form->cmdBack.get_sensitive() || form->cmdForward.get_sensitive());
    view.finishLoad();
    EXPECT_TRUE(form->cmdBack.get_sensitive()); // although there is no earlier page
    form->cmdBack.signal_clicked().emit();
    EXPECT_FALSE(form->cmdBack.get_sensitive()); // the step failed

    view.autoFinish = true;
    ASSERT_TRUE(view.pageNavigates("http://a.test/"));
    form->cmdBack.signal_clicked().emit();
    EXPECT_TRUE(form->cmdForward.get_sensitive() && form->cmdBack.get_sensitive());
    // A new navigation leaves ">>" as it was; only a failed step disables it.
    ASSERT_TRUE(view.pageNavigates("http://b.test/"));
    EXPECT_TRUE(form->cmdForward.get_sensitive());
    form->cmdForward.signal_clicked().emit();
    EXPECT_FALSE(form->cmdForward.get_sensitive());
    form->cmdBack.signal_clicked().emit();
    form->cmdForward.signal_clicked().emit();
    EXPECT_EQ(view.index, 1);
}

TEST(BrowserWindow, DownloadsDriveStopReloadStatusTitleAndSpeakers)
{
    TestInstall install;
    auto form = install.window(false);
    FakeWebView& view = *install.view;
    EXPECT_EQ(form->get_title(), " Corvane Tobrin 2.0");
    view.signal_TitleChange().emit("A [*] B");
    EXPECT_EQ(form->get_title(), "A [*] B - Tobrin 2.0");
    EXPECT_EQ(form->CurrentTitle, "A [*] B");

    view.autoFinish = false;
    form->Form_Load();
    EXPECT_EQ(form->rodape.caption(), " Receiving...");
    std::vector<int> looks;
    for (int tick = 0; tick < 3; ++tick) {
        form->Timer2_Timer();
        EXPECT_EQ(form->falante1.pictureLook(), form->falante2.pictureLook());
        looks.push_back(form->falante1.pictureLook());
    }
    EXPECT_EQ(looks, (std::vector<int>{9, 10, 9}));

    // A stopped download counts as complete.
    form->cmdstop.signal_clicked().emit();
    EXPECT_EQ(view.stopCount, 1);
    EXPECT_EQ(form->cmdstop.caption(), "RELOAD");
    EXPECT_EQ(form->rodape.caption(), " Page received !");
    EXPECT_FALSE(form->Timer2.isActive());
    EXPECT_EQ(form->falante2.pictureLook(), 10);

    // The reload is the next download; the timer really drives the speakers.
    form->cmdstop.signal_clicked().emit();
    EXPECT_EQ(view.refreshCount, 1);
    EXPECT_EQ(form->cmdstop.caption(), "STOP");
    EXPECT_TRUE(runUntil([&] { return form->falante1.pictureLook() == 9; }));
    view.signal_StatusTextChange().emit("  http://x.test/a?b  ");
    EXPECT_EQ(form->rodape.caption(), "  http://x.test/a?b  ");
    view.signal_FilesRefused().emit();
    EXPECT_EQ(form->rodape.caption(), " This browser does not send files.");
    bool cancel = false;
    view.signal_NewWindow2().emit(cancel);
    EXPECT_TRUE(cancel);
}

// Each address as the check meets it: whether it loads, what the box then
// shows, and whether the history gains it.
TEST(BrowserWindow, TheAddressCheckBlocksListsAndHandsOnTheWords)
{
    TestInstall install;
    ScratchDir::write(install.paths.file(AppPaths::NoSurf), "bad\r\nWorse\r\n");
    auto form = install.window();
    FakeWebView& view = *install.view;
    ASSERT_NE(view.blockedWords, nullptr);
    EXPECT_EQ(view.blockedWords->words(), (std::vector<std::string>{"bad", "Worse"}));
    const std::string start = install.paths.pageAddress(AppPaths::IntroPage);
    EXPECT_EQ(form->history(), std::vector<std::string>{start});

    struct Row
    {
        const char* address;
        bool loads;
    };
    for (const Row& row : {Row{"http://good.test/", true}, Row{"http://badly.test/", false},
                           Row{"http://worse.test/", true}, Row{"http://a.test/?q=Worse", false},
                           Row{"http://good.test/", true}}) {
        SCOPED_TRACE(row.address);
        const int stops = view.stopCount;
        EXPECT_EQ(view.pageNavigates(row.address), row.loads);
        EXPECT_EQ(form->Combo1.get_active_text(),
                  row.loads ? row.address : "S I T E   B L O C K E D");
        EXPECT_EQ(view.stopCount, stops + (row.loads ? 0 : 1));
    }
    // Each allowed address once, in the order first met.
    EXPECT_EQ(form->history(),
              (std::vector<std::string>{start, "http://good.test/", "http://worse.test/"}));

    // What the view refuses by itself is blocked even with the check stopped;
    // with it stopped the rest passes unlisted, and the engine gets no words.
    form->panel().Check1.set_active(true);
    EXPECT_EQ(view.blockedWords, nullptr);
    EXPECT_TRUE(view.pageNavigates("http://bad.test/"));
    bool cancel = true;
    view.signal_BeforeNavigate2().emit("ftp://x.test/", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(form->Combo1.get_active_text(), "S I T E   B L O C K E D");
    EXPECT_EQ(form->history().size(), 3u);
    form->panel().Check1.set_active(false);
    ASSERT_NE(view.blockedWords, nullptr);
    // A word added in the panel reaches the engine too.
    form->panel().addresses().list().insert("new");
    EXPECT_EQ(view.blockedWords->words(), (std::vector<std::string>{"bad", "new", "Worse"}));
    EXPECT_FALSE(view.pageNavigates("http://new.test/"));
}

// Enter, and a pick from the list, open exactly the text in the box; typing
// and the program's own changes open nothing, and the wheel is ignored.
TEST(BrowserWindow, TheAddressBoxOpensOnEnterOrAPickOnly)
{
    TestInstall install;
    auto form = install.window();
    FakeWebView& view = *install.view;
    ASSERT_TRUE(view.pageNavigates("http://a.test/"));
    Gtk::Entry& entry = *form->Combo1.get_entry();
    EXPECT_EQ(entry.get_text(), "http://a.test/");
    for (const char* typed : {"http://", "http://a", "", "  "}) {
        view.requested.clear();
        entry.set_text(typed);
        EXPECT_TRUE(view.requested.empty()) << typed;
        pressEnter(*form);
        EXPECT_EQ(view.requested, std::vector<std::string>{typed});
    }
    view.requested.clear();
    form->Combo1.set_active(1);
    EXPECT_EQ(view.requested, std::vector<std::string>{"http://a.test/"});

    // Home and Favorites go through the check like any address.
    form->VideoSoftElastic5.signal_clicked().emit();
    form->cmdBookMarks.signal_clicked().emit();
    EXPECT_EQ(view.history.back(), install.paths.pageAddress(AppPaths::FavoritesPage));
    EXPECT_EQ(view.history.at(view.history.size() - 2),
              install.paths.pageAddress(AppPaths::IntroPage));
}

TEST(BrowserWindow, LoadAppliesTheStoredSettings)
{
    TestInstall install;
    ASSERT_TRUE(install.settings.write("color", "255"));
    ASSERT_TRUE(install.settings.write("LegendColor", "&H0000FF00"));
    // Texts that say "on" in their own way: applying them writes nothing
    // back, so a read-only settings file costs no message at start.
    ASSERT_TRUE(install.settings.write("favorites", " 1"));
    ASSERT_TRUE(install.settings.write("disable", "true"));
    auto form = install.window();
    EXPECT_EQ(install.settings.read("favorites", ""), " 1");
    EXPECT_EQ(install.settings.read("disable", ""), "true");
    EXPECT_EQ(form->rodape.backColor(), Gdk::RGBA("rgb(255,0,0)"));
    EXPECT_EQ(form->rodape.foreColor(), Gdk::RGBA("rgb(0,255,0)"));
    Form2& panel = form->panel();
    EXPECT_TRUE(panel.Check3.get_active() && !form->Combo1.get_sensitive());
    EXPECT_TRUE(panel.Check4.get_active());
    EXPECT_TRUE(panel.Disable1.firstSwitch() && panel.Disable1.secondSwitch());
    EXPECT_FALSE(panel.get_visible());
    EXPECT_TRUE(MessageBox::takeShown().empty());

    // Switched off, favorites-only mode gives the address box back; the
    // colours the parent picks reach the set at once.
    panel.Check3.set_active(false);
    EXPECT_EQ(install.settings.read("favorites", ""), "0");
    EXPECT_TRUE(form->Combo1.get_sensitive());
    ColorDialog::queueAnswer(Gdk::RGBA("rgb(0,0,255)"));
    g_signal_emit_by_name(panel.Command8.gobj(), "clicked");
    EXPECT_EQ(form->rodape.backColor(), Gdk::RGBA("rgb(0,0,255)"));
}

// The check at each half-hour of a day blocked from 10:00 to 11:00 and from
// 23:00 to midnight.
TEST(BrowserWindow, TheScheduleCheckHidesThePageAndTellsWhenItComesBack)
{
    TestInstall install;
    std::string day;
    for (int slot = 0; slot < 48; ++slot)
        day += (slot == 20 || slot == 21 || slot >= 46) ? "1\r\n" : "0\r\n";
    ScratchDir::write(install.paths.file(AppPaths::schedule(1)), day);
    auto form = install.window();

    struct Row
    {
        int hour, minute;
        bool shown;
        std::string message;
    };
    for (const Row& row :
         {Row{9, 59, true, ""},
          Row{10, 0, false, "Blocked Time!\r\nTobrin will run again only at 11 hours and 00 minutes"},
          Row{10, 45, false, "Blocked Time!\r\nTobrin will run again only at 11 hours and 00 minutes"},
          Row{11, 0, true, ""}, Row{23, 30, false, ""}}) {
        SCOPED_TRACE(std::to_string(row.hour) + ":" + std::to_string(row.minute));
        install.clock.moment = Glib::DateTime::create_local(2026, 12, 7, row.hour, row.minute, 0);
        form->Timer1_Timer();
        EXPECT_EQ(form->WebBrowser1->get_visible(), row.shown);
        const auto shown = MessageBox::takeShown();
        EXPECT_EQ(shown.size(), row.message.empty() ? 0u : 1u);
        if (!shown.empty()) {
            EXPECT_EQ(shown[0].text, row.message);
        }
        EXPECT_EQ(form->Timer1.interval(), 60000u);
    }
    // Stopping the time control shows the page at once and stops the check;
    // resuming it checks again a minute later.
    form->Timer1.start();
    form->panel().Check2.set_active(true);
    EXPECT_TRUE(form->WebBrowser1->get_visible() && !form->Timer1.isActive());
    form->panel().Check2.set_active(false);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.interval(), 60000u);
}

// ON and the window's close ask first; the log tells the two apart, and a
// confirmed quit is never asked or written twice.
TEST(BrowserWindow, QuittingWritesTheEndRecordThenAsks)
{
    TestInstall install;
    auto form = install.window();
    form->set_visible(true); // a window that was never shown cannot be closed
    const std::string start = install.log();
    EXPECT_EQ(start.rfind("SURFING: ", 0), 0u);
    ASSERT_TRUE(install.view->pageNavigates("http://a.test/"));

    MessageBox::queueAnswer(MessageBox::No);
    form->VideoSoftElastic6.signal_clicked().emit();
    auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    expectBox(shown[0], "Are you sure you want to QUIT ?", "Tobrin",
              MessageBox::Yes | MessageBox::No, MessageBox::Critical, MessageBox::No);
    EXPECT_EQ(install.ended, 0);
    const std::string quitButton(std::size_t(SurfLog::separatorLength(SurfLog::QuitPath::QuitButton)), '|');
    EXPECT_NE(install.log().find("http://a.test/\r\n"), std::string::npos);
    EXPECT_NE(install.log().find(quitButton + "\r\n"), std::string::npos);

    MessageBox::queueAnswer(MessageBox::Yes);
    form->close();
    EXPECT_EQ(install.ended, 1);
    const std::string closed(std::size_t(SurfLog::separatorLength(SurfLog::QuitPath::WindowClose)), '|');
    EXPECT_NE(install.log().find("\r\n" + closed + "\r\n"), std::string::npos);
    const std::string ended = install.log();
    form->VideoSoftElastic6.signal_clicked().emit();
    form->close();
    EXPECT_EQ(install.log(), ended);
    EXPECT_EQ(MessageBox::takeShown().size(), 1u);
    EXPECT_EQ(install.ended, 1);
}

// The program copied alone into an empty folder, started from elsewhere:
// it lays out its installation, finds its web process extension beside
// itself, and shows the start page.
TEST(Program, RunsFromAnyFolderWithItsInstallationBesideIt)
{
    const char* build = std::getenv("TOBRIN_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    ScratchDir dir;
    const auto copy = std::filesystem::copy_options::recursive;
    std::filesystem::copy(std::filesystem::path(build) / "tobrin", dir / "tobrin");
    std::filesystem::copy(std::filesystem::path(build) / "webext", dir / "webext", copy);

    std::vector<std::string> environment = Glib::listenv();
    for (std::string& name : environment)
        name += "=" + Glib::getenv(name);
    for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.push_back(std::string(folder) + "=" + (dir / "home").string());
    environment.push_back("TOBRIN_STARTUP_PROBE=quit");
    environment.push_back("GTK_A11Y=none");
    std::string out, err;
    int status = -1;
    Glib::spawn_sync("/", std::vector<std::string>{(dir / "tobrin").string()}, environment,
                     Glib::SpawnFlags::DEFAULT, {}, &out, &err, &status);
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << err;
    EXPECT_NE(err.find("tobrin: start page loaded"), std::string::npos) << err;
    EXPECT_EQ(ScratchDir::read(dir / "files" / "log.txt").rfind("SURFING: ", 0), 0u);
    EXPECT_FALSE(ScratchDir::read(dir / "html" / "intro.htm").empty());
    EXPECT_FALSE(ScratchDir::read(dir / "files" / "codepage.txt").empty());
}

// The panel key: the current page is offered to the favorites, the right
// password opens the panel, and the key's path ends once the panel is closed.
TEST(BrowserWindow, ThePanelKeyOffersThePageAndOpensThePanelWithThePassword)
{
    TestInstall install;
    ASSERT_TRUE(StoredPassword::store(install.settings, "secret", CodePage("CP1252"), nullptr));
    auto form = install.window();
    form->set_visible(true);
    ASSERT_TRUE(install.view->pageNavigates("http://a.test/"));
    install.view->signal_TitleChange().emit("A page");

    // Each step is taken from an idle callback, so the modal loop it opens
    // runs outside this polling one.
    bool panelSeen = false;
    auto step = Glib::signal_timeout().connect(
        [&] {
            for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
                auto* prompt = dynamic_cast<Form3*>(window);
                if (prompt && prompt->get_visible() && prompt->Text3->get_text().empty()) {
                    prompt->Text3->set_text("secret");
                    Glib::signal_idle().connect_once([prompt] {
                        g_signal_emit_by_name(prompt->Command6->gobj(), "clicked");
                    });
                    return true;
                }
            }
            if (form->panelLoaded() && form->panel().get_visible() && !panelSeen) {
                panelSeen = true;
                Glib::signal_idle().connect_once(
                    [&] { g_signal_emit_by_name(form->panel().Command1.gobj(), "clicked"); });
            }
            return true;
        },
        20);
    form->VideoSoftElastic8.signal_clicked().emit();
    step.disconnect();
    EXPECT_TRUE(panelSeen);
    EXPECT_FALSE(form->panel().get_visible());
    EXPECT_EQ(form->panel().favorites().Text4.get_text(), "A page");
    EXPECT_EQ(form->panel().favorites().Text5.get_text(), "http://a.test/");
}
