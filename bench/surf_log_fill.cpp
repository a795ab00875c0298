// The goal: a 100 MB surf log is in the box within a few seconds, and the
// window never waits more than a fifth of a second for its turn meanwhile.
// Needs a display: xvfb-run surf_log_fill

#include "surflog/surf_log_tab.h"

#include <benchmark/benchmark.h>
#include <glib/gstdio.h>
#include <glibmm/main.h>
#include <gtkmm/init.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

namespace {

std::filesystem::path bigLog()
{
    static const std::filesystem::path path = [] {
        const std::filesystem::path p =
            std::filesystem::temp_directory_path() / "tobrin-bench-log.txt";
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        for (int i = 0; out.tellp() < 100'000'000; ++i)
            out << "http://www.example.org/some/page/" << i << "\r\n";
        return p;
    }();
    return path;
}

void FillA100MbLog(benchmark::State& state)
{
    const std::filesystem::path log = bigLog();
    auto context = Glib::MainContext::get_default();
    double longestWaitMs = 0;
    for (auto _ : state) {
        Gtk::Window window;
        window.set_default_size(500, 380);
        Gtk::Fixed page;
        window.set_child(page);
        SurfLogTab tab({log, CodePage(), nullptr}, page);
        tab.load();
        window.present();
        auto last = std::chrono::steady_clock::now();
        while (!tab.isFilled()) {
            context->iteration(true);
            const auto now = std::chrono::steady_clock::now();
            longestWaitMs = std::max(longestWaitMs,
                                     std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        }
    }
    state.counters["longest_wait_ms"] = longestWaitMs;
}
BENCHMARK(FillA100MbLog)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    gtk_init();
    Gtk::init_gtkmm_internals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_remove(bigLog().c_str());
    return 0;
}
