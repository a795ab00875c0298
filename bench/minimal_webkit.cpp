// The yardstick for the start-up and memory benchmarks: the least a gtkmm and
// WebKitGTK program does to show the start page. It prints the same line as
// the browser's start-up probe when the page has loaded, then ends.
//
//   minimal_webkit PATH-TO/html/intro.htm

#include <gtkmm/application.h>
#include <gtkmm/window.h>
#include <webkit/webkit.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PAGE\n", argv[0]);
        return 2;
    }
    gchar* uri = g_filename_to_uri(argv[1], nullptr, nullptr);
    if (!uri) {
        std::fprintf(stderr, "%s: not an absolute path: %s\n", argv[0], argv[1]);
        return 2;
    }
    auto app =
        Gtk::Application::create("org.corvane.MinimalWebKit", Gio::Application::Flags::NON_UNIQUE);
    Gtk::Window* window = nullptr;
    app->signal_activate().connect([&] {
        window = new Gtk::Window;
        window->set_default_size(611, 345);
        GtkWidget* view = webkit_web_view_new();
        g_signal_connect(
            view, "load-changed",
            G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, Gtk::Application* a) {
                if (event != WEBKIT_LOAD_FINISHED)
                    return;
                std::fprintf(stderr, "tobrin: start page loaded\n");
                std::fflush(stderr);
                a->quit();
            }),
            app.get());
        gtk_window_set_child(window->gobj(), view);
        webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri);
        app->add_window(*window);
        window->present();
    });
    // Only the page is the program's argument; GTK gets none of it.
    const int status = app->run(1, argv);
    delete window;
    g_free(uri);
    return status;
}
