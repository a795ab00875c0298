// What keeping the session's journal adds to each navigation: 10,000
// navigations to new addresses through the address check, each timed on its
// own, with the journal (as the browser runs) and without it (as before the
// journal). The 99th percentiles are the figure; the goal is at most 0.2 ms
// more with the journal. Run from the build folder:
//   QT_QPA_PLATFORM=offscreen ./bench/surflog_navigation
#include "null_web_view.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "shell/browser_window.h"
#include "widgets_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <numeric>
#include <vector>

namespace {

constexpr int kNavigations = 10000;

qint64 threadCpuNs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

double percentileUs(std::vector<qint64> ns, double p)
{
    std::sort(ns.begin(), ns.end());
    return double(ns[size_t(p * double(ns.size() - 1))]) / 1000.0;
}

void BM_Navigation(benchmark::State& state)
{
    const bool journal = state.range(0) != 0;
    std::vector<qint64> wall, cpu;
    for (auto _ : state) {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("files"));
        SettingsStore settings(dir.filePath(QStringLiteral("Corvane.conf")));
        SystemClock clock;
        const AppContext context{AppPaths(dir.path()), &settings, &clock,
                                 [](QWidget* parent) { return new NullWebView(parent); }, [] {}};
        Form1 form(context);
        form.panel();
        if (journal)
            form.SurfLogBegin();
        wall.assign(kNavigations, 0);
        cpu.assign(kNavigations, 0);
        QElapsedTimer timer;
        for (int i = 0; i < kNavigations; ++i) {
            const QString address =
                QStringLiteral("http://www.example%1.org/kids/page%2.html").arg(i % 97).arg(i);
            bool cancel = false;
            const qint64 cpuStart = threadCpuNs();
            timer.start();
            form.WebBrowser1_BeforeNavigate2(address, cancel);
            wall[i] = timer.nsecsElapsed();
            cpu[i] = threadCpuNs() - cpuStart;
        }
        if (form.Combo1->count() != kNavigations)
            state.SkipWithError("not every navigation reached the history");
        state.SetIterationTime(double(std::accumulate(wall.begin(), wall.end(), qint64(0))) / 1e9);
    }
    // Printed as text: the counters would shorten 12000 to "12k".
    state.SetLabel(
        QStringLiteral("%1: p50 %2 us, p99 %3 us; CPU p50 %4 us, p99 %5 us")
            .arg(journal ? QStringLiteral("with the journal") : QStringLiteral("without"))
            .arg(percentileUs(wall, 0.5), 0, 'f', 1)
            .arg(percentileUs(wall, 0.99), 0, 'f', 1)
            .arg(percentileUs(cpu, 0.5), 0, 'f', 1)
            .arg(percentileUs(cpu, 0.99), 0, 'f', 1)
            .toStdString());
}

// Once each: one run is 10,000 samples.
BENCHMARK(BM_Navigation)->DenseRange(0, 1)->Iterations(1)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
