// The yardstick for the start-up and memory benchmarks: the least a gtkmm and
// WebKitGTK program does to show the start page, or (--product) the page view
// as the browser builds it. When the page has loaded it prints the same line
// as the browser's start-up probe, then, once the engine's processes have
// settled, the time since the process started and what its whole process
// tree holds, and ends.
//
//   minimal_webkit [--product] [--cache=viewer|document|browser]
//                  [--accelerate=never|always] PAGE-TO/html/intro.htm
//
// GSK_RENDERER (cairo, gl, ngl) chooses GTK's renderer from the environment;
// TOBRIN_LINGER_MS keeps the window that long more, for a screenshot.

#include "platform/webkit_view.h"
#include "process_tree.h"

#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <gtkmm/window.h>
#include <webkit/webkit.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

// Milliseconds since this process started, as the kernel counts both.
long sinceStartMs()
{
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22; ++i) // fields 3 to 21; the 22nd is the start
        rest >> field;
    long long startTicks = 0;
    rest >> startTicks;
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return long(uptime * 1000 - double(startTicks) * 1000 / double(sysconf(_SC_CLK_TCK)));
}

struct Options
{
    bool product = false;
    std::optional<WebKitCacheModel> cache;
    std::optional<WebKitHardwareAccelerationPolicy> accelerate;
    const char* page = nullptr;
};

std::optional<Options> parse(int argc, char* argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--product")
            o.product = true;
        else if (arg == "--cache=viewer")
            o.cache = WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER;
        else if (arg == "--cache=document")
            o.cache = WEBKIT_CACHE_MODEL_DOCUMENT_BROWSER;
        else if (arg == "--cache=browser")
            o.cache = WEBKIT_CACHE_MODEL_WEB_BROWSER;
        else if (arg == "--accelerate=never")
            o.accelerate = WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;
        else if (arg == "--accelerate=always")
            o.accelerate = WEBKIT_HARDWARE_ACCELERATION_POLICY_ALWAYS;
        else if (!arg.starts_with("--") && !o.page)
            o.page = argv[i];
        else
            return std::nullopt;
    }
    return o.page ? std::optional(o) : std::nullopt;
}

std::filesystem::path buildFolder(const char* program)
{
    std::error_code error;
    return std::filesystem::canonical(program, error).parent_path().parent_path();
}

} // namespace

int main(int argc, char* argv[])
{
    const std::optional<Options> options = parse(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--product] [--cache=viewer|document|browser] "
                     "[--accelerate=never|always] PAGE\n",
                     argv[0]);
        return 2;
    }
    gchar* uri = g_filename_to_uri(options->page, nullptr, nullptr);
    if (!uri) {
        std::fprintf(stderr, "%s: not an absolute path: %s\n", argv[0], options->page);
        return 2;
    }
    const char* lingerText = std::getenv("TOBRIN_LINGER_MS");
    const unsigned linger = lingerText ? unsigned(std::atoi(lingerText)) : 0;
    const std::filesystem::path scratch = g_dir_make_tmp("minimal-webkit-XXXXXX", nullptr);

    auto app =
        Gtk::Application::create("org.corvane.MinimalWebKit", Gio::Application::Flags::NON_UNIQUE);
    std::unique_ptr<Gtk::Window> window;
    std::unique_ptr<PageEngine> engine;
    std::unique_ptr<WebKitView> product;
    const auto loaded = [&] {
        std::fprintf(stderr, "tobrin: start page loaded\n");
        const long startMs = sinceStartMs();
        // The engine's processes go on growing for a moment after the load.
        Glib::signal_timeout().connect_once(
            [&, startMs] {
                const auto tree = ProcessTree::of();
                long rss = 0;
                for (const auto& p : tree)
                    rss += p.rssKiB;
                std::printf("start_ms %ld pss_kib %ld rss_kib %ld processes %zu\n", startMs,
                            ProcessTree::totalPssKiB(tree), rss, tree.size());
                std::fflush(stdout);
                Glib::signal_timeout().connect_once([&] { app->quit(); }, linger);
            },
            1500);
    };
    app->signal_activate().connect([&] {
        window = std::make_unique<Gtk::Window>();
        window->set_default_size(611, 345);
        WebKitWebView* view = nullptr;
        if (options->product) {
            engine = std::make_unique<PageEngine>(PageEngine::Folders{
                scratch / "data", scratch / "cache", buildFolder(argv[0]) / "webext"});
            product = std::make_unique<WebKitView>(
                *engine, std::filesystem::path(options->page).parent_path());
            product->signal_DownloadComplete().connect(loaded);
            window->set_child(*product);
            view = product->engineView();
        } else {
            view = WEBKIT_WEB_VIEW(webkit_web_view_new());
            g_signal_connect(view, "load-changed",
                             G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer done) {
                                 if (event == WEBKIT_LOAD_FINISHED)
                                     (*static_cast<decltype(loaded)*>(done))();
                             }),
                             const_cast<void*>(static_cast<const void*>(&loaded)));
            gtk_window_set_child(window->gobj(), GTK_WIDGET(view));
        }
        if (options->cache)
            webkit_web_context_set_cache_model(webkit_web_view_get_context(view), *options->cache);
        if (options->accelerate)
            webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(view),
                                                             *options->accelerate);
        if (product)
            product->Navigate(options->page);
        else
            webkit_web_view_load_uri(view, uri);
        app->add_window(*window);
        window->present();
    });
    // Only the page and the options are the program's; GTK gets none of them.
    const int status = app->run(1, argv);
    product.reset();
    engine.reset();
    window.reset();
    g_free(uri);
    std::filesystem::remove_all(scratch);
    return status;
}
