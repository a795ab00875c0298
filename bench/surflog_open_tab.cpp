// Opening the Surf Log tab on a large log: how long until the box holds the
// whole log, the longest time the window did not answer meanwhile, and the
// memory the filled box costs. Run from the build folder:
//   QT_QPA_PLATFORM=offscreen ./bench/surflog_open_tab
#include "null_web_view.h"
#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/index_tab.h"
#include "platform/settings_store.h"
#include "shell/browser_window.h"
#include "surflog/surf_log_tab.h"
#include "widgets_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// Starts a new peak-memory measurement for this process.
void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A log of sessions like the browser writes, of at least the given size.
void writeLog(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray session;
    for (int day = 0; file.size() < bytes; ++day) {
        session = "SURFING: " + QByteArray::number(day % 28 + 1) + "/11/26 16:0" +
                  QByteArray::number(day % 10) + "\r\n\r\r\n";
        for (int i = 0; i < 40; ++i)
            session += "http://www.example" + QByteArray::number(i) + ".org/kids/page" +
                       QByteArray::number(day) + ".html\r\n";
        session += "\r\nFINISHED AT: 7/11/26 17:00\r\n\r\n" + QByteArray(158, '|') + "\r\n";
        file.write(session);
    }
}

void BM_OpenSurfLogTab(benchmark::State& state)
{
    const qint64 megabytes = state.range(0);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("files"));
    const AppPaths paths(dir.path());
    writeLog(paths.file(AppPaths::Log), megabytes * 1000 * 1000);
    const qint64 logBytes = QFileInfo(paths.file(AppPaths::Log)).size();
    // The box shows each session's lone CR as a line of its own: one byte more.
    qint64 shownBytes = 0;
    {
        QFile log(paths.file(AppPaths::Log));
        if (log.open(QIODevice::ReadOnly))
            shownBytes = logBytes + log.readAll().count("\r\r\n");
    }
    bool whole = true;
    SettingsStore settings(dir.filePath(QStringLiteral("Corvane.conf")));
    SystemClock clock;
    const AppContext context{paths, &settings, &clock,
                             [](QWidget* parent) { return new NullWebView(parent); }, [] {}};

    qint64 longestFreezeMs = 0;
    qint64 peakGrowthKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<Form1>(context);
        Form2& panel = form->panel();
        panel.show();
        QCoreApplication::processEvents();
        SurfLogTab& tab = panel.surfLog();
        const qint64 rssBefore = statusKb("VmRSS:");
        resetPeakMemory();
        // A ticking timer shows how long the event loop went unserved.
        QElapsedTimer sinceTick;
        qint64 freeze = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { freeze = qMax(freeze, sinceTick.restart()); });
        state.ResumeTiming();

        QElapsedTimer opened;
        opened.start();
        sinceTick.start();
        ticker.start();
        panel.VideoSoftIndexTab1->setCurrentTab(4);
        freeze = qMax(freeze, sinceTick.elapsed());
        while (!tab.isFilled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The parent's first look at the newest sessions.
        tab.Text2->moveCursor(QTextCursor::End);
        QCoreApplication::processEvents();
        state.SetIterationTime(double(opened.nsecsElapsed()) / 1e9);

        state.PauseTiming();
        ticker.stop();
        longestFreezeMs = qMax(longestFreezeMs, qMax(freeze, sinceTick.elapsed()));
        peakGrowthKb = qMax(peakGrowthKb, statusKb("VmHWM:") - rssBefore);
        whole = whole && tab.logBytes().size() == shownBytes;
        form.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (!whole)
        state.SkipWithError("the box does not hold the whole log");
    state.counters["log_MB"] = double(logBytes) / 1e6;
    state.counters["longest_freeze_ms"] = double(longestFreezeMs);
    state.counters["peak_growth_MB"] = double(peakGrowthKb) / 1024.0;
    state.counters["peak_per_log_byte"] = double(peakGrowthKb) * 1024.0 / double(logBytes);
}

BENCHMARK(BM_OpenSurfLogTab)
    ->Arg(10)
    ->Arg(100)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
