#include "shell/module1.h"

#include "filter/blocked_word_list.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/page_engine.h"
#include "platform/settings_store.h"
#include "platform/webkit_view.h"
#include "shell/browser_window.h"
#include "favorites/favorites_page.h"
#include "password/stored_password.h"
#include "shell/code_page_record.h"
#include "shell/family.h"
#include "shell/installation.h"
#include "surflog/session_log.h"

#include <glibmm/miscutils.h>
#include <gtkmm/application.h>
#include <gtkmm/icontheme.h>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {

// The installation lies beside the program, wherever it was started from.
std::string programDirectory()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error).string() : program.parent_path().string();
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// For the start-up benchmarks: with TOBRIN_STARTUP_PROBE set, the end of the
// first page load is announced on stderr, and with the value "quit" the
// program then ends.
void watchStartupForBenchmarks(Form1& form, Gtk::Application& app)
{
    const char* probe = std::getenv("TOBRIN_STARTUP_PROBE");
    if (!probe || !*probe)
        return;
    const bool quit = std::string(probe) == "quit";
    auto once = std::make_shared<sigc::connection>();
    *once = form.WebBrowser1->signal_DownloadComplete().connect([once, quit, &app] {
        std::fprintf(stderr, "tobrin: start page loaded\n");
        std::fflush(stderr);
        once->disconnect();
        if (quit)
            app.quit();
    });
}

// GTK opens its inspector on Ctrl+Shift+I or D where the desktop's settings
// allow it (Debian's do): a child could change any widget there, the panel's
// too. Every window answers those keys by doing nothing; set before the
// first window, so the windows' own kinds inherit it.
void refuseInspector()
{
    auto* windows = static_cast<GtkWindowClass*>(g_type_class_ref(GTK_TYPE_WINDOW));
    windows->enable_debugging = [](GtkWindow*, gboolean) -> gboolean { return TRUE; };
}

} // namespace

namespace Module1 {

int Main()
{
    // Long blocked-word lists take blocks of many megabytes for a moment
    // (the file, the words, the index build): mapped apart, each goes back
    // to the system when freed instead of staying in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    SystemClock clock;
    const AppPaths installation(programDirectory());
    // In the family set-up the rules come from the service or not at all.
    std::unique_ptr<Family::Session> family;
    std::string unreachable;
    if (const std::optional<std::string> socket = Family::socketOf(installation))
        family = Family::Session::open(*socket, installation, &unreachable);
    std::unique_ptr<SettingsStore> ownSettings;
    if (!family)
        ownSettings = std::make_unique<SettingsStore>(SettingsStore::userFilePath());
    SettingsStore& settings = family ? family->settings() : *ownSettings;
    const AppPaths paths = family ? family->paths() : installation;
    std::vector<std::string> problems;
    CodePageRecord::Found found;
    if (unreachable.empty()) {
        if (!family)
            problems = Installation::repair(paths);
        found = CodePageRecord::establish(paths, CodePage::systemLocaleName());
    }
    if (family && found.page) {
        // The favorites page is the session's own, written from the list the
        // service keeps.
        const FavoritesFile::ReadResult list = FavoritesFile::read(paths.file(AppPaths::Pref), *found.page);
        (void)FavoritesPage::write(paths.file(AppPaths::FavoritesPage), FavoritesPage::Form::Add,
                                   list.favorites);
    }

    auto app = Gtk::Application::create("", Gio::Application::Flags::NON_UNIQUE);
    std::unique_ptr<PageEngine> engine;
    std::unique_ptr<Form1> form;
    int status = 0;
    app->signal_activate().connect([&] {
        refuseInspector();
        if (!unreachable.empty()) {
            std::fprintf(stderr, "tobrin: %s\n", unreachable.c_str());
            MessageBox::show(nullptr, unreachable, "Tobrin", MessageBox::Ok, MessageBox::Critical);
            status = 1;
            return;
        }
        if (!found.page) {
            std::fprintf(stderr, "tobrin: %s\n", found.problem.c_str());
            MessageBox::show(nullptr, found.problem, "Tobrin", MessageBox::Ok,
                             MessageBox::Critical);
            status = 1;
            return;
        }
        if (!found.problem.empty())
            problems.push_back(found.problem);
        const CodePage codePage = *found.page;
        Gtk::IconTheme::get_for_display(Gdk::Display::get_default())
            ->add_search_path(installation.file("/icons").string());
        Gtk::Window::set_default_icon_name("tobrin");

        // A long blocked-word list is read while the engine starts and the
        // window is made, which leave the processor mostly idle.
        auto blockedWords =
            std::make_shared<BlockedWordPreload>(paths.file(AppPaths::NoSurf), codePage);

        // The engine's own data is kept apart from other programs'. Sign-ins
        // a site means to last are kept across runs; those meant for one
        // visit end with the run.
        const std::string folder = "Corvane/Tobrin";
        engine = std::make_unique<PageEngine>(PageEngine::Folders{
            std::filesystem::path(Glib::get_user_data_dir()) / folder,
            std::filesystem::path(Glib::get_user_cache_dir()) / folder,
            PageEngine::extensionsBesideProgram(),
            family ? paths.file(AppPaths::PagesFolder) : std::filesystem::path()});

        AppContext context{paths,
                           &settings,
                           &clock,
                           [&engine, &paths]() -> std::unique_ptr<WebView> {
                               return std::make_unique<WebKitView>(
                                   *engine, paths.file(AppPaths::PagesFolder));
                           },
                           [&app] { app->quit(); },
                           codePage,
                           std::move(blockedWords)};
        if (family) {
            context.createRecords = [&family] { return family->records(); };
            context.password = family->password();
            // Without the service nothing the session does is kept or checked
            // as the parent set it: the child hears why, and the session ends.
            family->onLost([&form, &app] {
                MessageBox::show(form.get(),
                                 "Tobrin lost the family service, which keeps the rules of this "
                                 "account, so it must close: please ask your parents.",
                                 "Tobrin", MessageBox::Ok, MessageBox::Critical);
                app->quit();
            });
        }
        form = std::make_unique<Form1>(context);
        watchStartupForBenchmarks(*form, *app);
        app->add_window(*form);
        form->Form_Load();
        form->set_visible(true);
        if (!found.notice.empty())
            MessageBox::show(form.get(), found.notice, "Tobrin", MessageBox::Ok,
                             MessageBox::Warning);
        if (!problems.empty()) {
            MessageBox::show(form.get(),
                             joined(problems) +
                                 "\n\nTobrin runs, but what the parent changes there cannot be "
                                 "saved until this is put right.",
                             "Tobrin", MessageBox::Ok, MessageBox::Critical);
        }
    });
    const int ran = app->run();
    form.reset();
    engine.reset();
    return status ? status : ran;
}

int ChangeCodePage(const std::string& name)
{
    const AppPaths paths(programDirectory());
    if (Family::socketOf(paths)) {
        std::fputs("tobrin: in the family set-up the family service keeps the files in their code "
                   "page; nothing was changed.\n",
                   stderr);
        return 1;
    }
    SettingsStore settings(SettingsStore::userFilePath());
    const CodePageRecord::Command command = CodePageRecord::commandLine(paths, settings, name);
    std::fputs(command.line.c_str(), command.toStandardError ? stderr : stdout);
    return command.status;
}

} // namespace Module1
