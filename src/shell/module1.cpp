#include "shell/module1.h"

#include "filter/blocked_word_list.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/webengine_view.h"
#include "shell/browser_window.h"
#include "shell/installation.h"

#include <QApplication>
#include <QWebEngineProfile>

#include <cstdio>
#include <malloc.h>

// The pictures live in the product library; a static library's resources
// are registered by hand.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

// For the start-up benchmarks: with TOBRIN_STARTUP_PROBE set, the end of the
// first page load is announced on stderr, and with the value "quit" the
// program then ends.
static void watchStartupForBenchmarks(Form1& form)
{
    const QByteArray probe = qgetenv("TOBRIN_STARTUP_PROBE");
    if (probe.isEmpty())
        return;
    auto* once = new QObject(&form);
    QObject::connect(form.WebBrowser1, &WebView::DownloadComplete, once, [once, probe] {
        std::fprintf(stderr, "tobrin: start page loaded\n");
        std::fflush(stderr);
        delete once;
        if (probe == "quit")
            QCoreApplication::exit(0);
    });
}

namespace Module1 {

int Main(QApplication& app)
{
    // Long blocked-word lists take blocks of many megabytes for a moment
    // (the file, the words, the index build): mapped apart, each goes back
    // to the system when freed instead of staying in the heap.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    initResources();
    SettingsStore settings(SettingsStore::userFilePath());
    SystemClock clock;
    const AppPaths paths(QCoreApplication::applicationDirPath());
    const QStringList problems = Installation::repair(paths);

    // A long blocked-word list is read while the engine starts and the
    // window is made, which leave the processor mostly idle.
    const CodePage codePage = CodePage::forLocale(QLocale::system());
    auto blockedWords =
        std::make_shared<BlockedWordPreload>(paths.file(AppPaths::NoSurf), codePage);

    // A named profile keeps the engine's own data apart from other programs'.
    // Sign-ins are kept across runs, those a site meant for one visit too.
    QWebEngineProfile profile(QStringLiteral("Tobrin"));
    profile.setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);

    AppContext context{paths,
                       &settings,
                       &clock,
                       [&profile, &paths](QWidget* parent) {
                           return new WebEngineView(&profile, parent,
                                                    paths.file(AppPaths::PagesFolder));
                       },
                       [] { QCoreApplication::exit(0); },
                       codePage,
                       std::move(blockedWords)};

    int status = 0;
    {
        Form1 form(context);
        watchStartupForBenchmarks(form);
        form.Form_Load();
        form.show();
        if (!problems.isEmpty()) {
            MessageBox::show(&form,
                             problems.join(u'\n') +
                                 QStringLiteral("\n\nTobrin runs, but what the parent changes "
                                                "there cannot be saved until this is put right."),
                             QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Critical);
        }
        status = app.exec();
    }
    return status;
}

} // namespace Module1
