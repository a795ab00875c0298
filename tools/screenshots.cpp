// Takes the README's screenshots: the browser window on its start page and
// each tab of the control panel, on a fresh installation in a temporary
// folder. Run through scripts/screenshots, which starts a virtual display.
#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/index_tab.h"
#include "platform/settings_store.h"
#include "platform/webengine_view.h"
#include "shell/browser_window.h"
#include "shell/installation.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineProfile>

#include <cstdio>

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool shoot(QWidget* window, const QString& path)
{
    settle(300);
    const QRect frame = window->frameGeometry();
    const QPixmap shot =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    std::printf("%s %s\n", shot.save(path) ? "wrote" : "could not write", qPrintable(path));
    return !shot.isNull();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QDir().mkpath(out);

    QTemporaryDir dir;
    const AppPaths paths(dir.path());
    Installation::repair(paths);
    SettingsStore settings(dir.filePath(QStringLiteral("Corvane.conf")));
    SystemClock clock;
    QWebEngineProfile profile;
    AppContext context{paths, &settings, &clock,
                       [&profile, &paths](QWidget* parent) {
                           return new WebEngineView(&profile, parent,
                                                    paths.file(AppPaths::PagesFolder));
                       },
                       [] {}};

    Form1 form(context);
    form.Timer1->stop();
    QEventLoop loaded;
    QObject::connect(form.WebBrowser1, &WebView::DownloadComplete, &loaded, &QEventLoop::quit);
    QTimer::singleShot(15000, &loaded, &QEventLoop::quit);
    form.Form_Load();
    form.show();
    loaded.exec();
    shoot(&form, out + QStringLiteral("/browser-window.png"));

    Form2& panel = form.panel();
    panel.show();
    const QStringList names{QStringLiteral("general"),   QStringLiteral("addresses"),
                            QStringLiteral("favorites"), QStringLiteral("time"),
                            QStringLiteral("surf-log"),  QStringLiteral("password")};
    for (int tab = 0; tab < names.size(); ++tab) {
        panel.VideoSoftIndexTab1->setCurrentTab(tab);
        shoot(&panel, out + QStringLiteral("/panel-%1.png").arg(names[tab]));
    }
    panel.hide();
    return 0;
}
