// Adding and deleting a word in the Addresses tab, shown in a window, with
// 32,767 words and with a million: the list view only ever holds the rows on
// screen, so both should take about as long (the file rewrite aside).
//
//   addresses_tab                  needs a display (xvfb-run addresses_tab)
#include "filter/addresses_tab.h"

#include <benchmark/benchmark.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <filesystem>

namespace {

void settle()
{
    auto context = Glib::MainContext::get_default();
    while (context->iteration(false)) {
    }
}

void AddAndDelete(benchmark::State& state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tobrin-bench";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "nosurf.txt";
    std::string bytes;
    for (int i = 0; i < state.range(0); ++i)
        bytes += "site" + std::to_string(i * 7919 % 1000003) + ".example\r\n";
    g_file_set_contents(file.c_str(), bytes.data(), gssize(bytes.size()), nullptr);

    Gtk::Window window;
    Gtk::Fixed page;
    window.set_child(page);
    AddressesTab tab({file, CodePage()}, page);
    tab.load();
    window.present();
    settle();
    // A word moved out to the text box and added back: the list keeps its size.
    for (auto _ : state) {
        tab.selection().set_selected(guint(tab.list().count() / 2));
        tab.Command12_Click();
        tab.Command11_Click();
        settle();
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(AddAndDelete)->Arg(32767)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    gtk_init();
    Gtk::init_gtkmm_internals();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
