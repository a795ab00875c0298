#include "shell/module1.h"

#include "filter/blocked_word_list.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/webengine_view.h"
#include "shell/browser_window.h"
#include "shell/code_page_record.h"
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
    QStringList problems = Installation::repair(paths);
    const CodePageRecord::Found found = CodePageRecord::establish(paths, QLocale::system());
    if (!found.page) {
        std::fprintf(stderr, "tobrin: %s\n", qPrintable(found.problem));
        MessageBox::show(nullptr, found.problem, QStringLiteral("Tobrin"), QMessageBox::Ok,
                         QMessageBox::Critical);
        return 1;
    }
    if (!found.problem.isEmpty())
        problems << found.problem;
    const CodePage codePage = *found.page;

    // A long blocked-word list is read while the engine starts and the
    // window is made, which leave the processor mostly idle.
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
        if (!found.notice.isEmpty()) {
            MessageBox::show(&form, found.notice, QStringLiteral("Tobrin"), QMessageBox::Ok,
                             QMessageBox::Warning);
        }
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

int ChangeCodePage(const QString& name)
{
    if (name.isEmpty()) {
        std::fprintf(stderr, "tobrin: --code-page needs the name of a code page, such as CP1251\n");
        return 2;
    }
    const AppPaths paths(QCoreApplication::applicationDirPath());
    SettingsStore settings(SettingsStore::userFilePath());
    const CodePageRecord::Outcome outcome = CodePageRecord::change(paths, settings, name);
    std::fprintf(outcome.ok ? stdout : stderr, "tobrin: %s\n", qPrintable(outcome.text));
    return outcome.ok ? 0 : 1;
}

} // namespace Module1
