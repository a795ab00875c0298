// Takes the README's pictures: the browser window on its start page, each tab
// of the control panel, the first-password dialog, the password prompt and
// the about window, on a fresh installation in a temporary folder. Run through
// scripts/screenshots, which starts a virtual display.
#include "panel/panel_window.h"
#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "platform/clock.h"
#include "platform/page_engine.h"
#include "platform/settings_store.h"
#include "platform/webkit_view.h"
#include "platform/x11_hold.h"
#include "shell/about_window.h"
#include "shell/browser_window.h"
#include "shell/code_page_record.h"
#include "shell/installation.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtkmm/application.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <vector>

namespace {

// Runs the main loop until the condition holds or the time is up.
bool until(const std::function<bool()>& condition, int ms)
{
    const gint64 end = g_get_monotonic_time() + gint64(ms) * 1000;
    while (!condition() && g_get_monotonic_time() < end)
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    return condition();
}

void settle(int ms)
{
    until([] { return false; }, ms);
}

// What the screen shows of the window's client area, as the X server holds
// it: the page view's drawing included, and no window manager's frame, as the
// pictures have always been taken.
bool shoot(Gtk::Window& window, const std::string& path)
{
    settle(400);
    xcb_connection_t* c = X11::gdkConnection();
    const xcb_window_t id = X11::windowId(window);
    const auto unread = [&path] {
        std::printf("could not read %s from the screen (an X11 screen of depth 24 is needed)\n",
                    path.c_str());
        return false;
    };
    if (!c || !id)
        return unread();
    auto geometry = X11::reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, id), X11::Dropped()));
    if (!geometry)
        return unread();
    auto at = X11::reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, id, geometry->root, 0, 0), X11::Dropped()));
    if (!at)
        return unread();
    const int width = geometry->width, height = geometry->height;
    auto image = X11::reply(
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, geometry->root, at->dst_x,
                                          at->dst_y, geometry->width, geometry->height, ~0u),
                            X11::Dropped()));
    // A 24-bit screen keeps each pixel in four bytes: blue, green, red, unused.
    if (!image || image->depth != 24 ||
        xcb_get_image_data_length(image.get()) != width * height * 4)
        return unread();
    const uint8_t* bgrx = xcb_get_image_data(image.get());
    std::vector<guint8> rgb(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        rgb[3 * i] = bgrx[4 * i + 2];
        rgb[3 * i + 1] = bgrx[4 * i + 1];
        rgb[3 * i + 2] = bgrx[4 * i];
    }
    GdkPixbuf* picture = gdk_pixbuf_new_from_data(rgb.data(), GDK_COLORSPACE_RGB, false, 8, width,
                                                  height, width * 3, nullptr, nullptr);
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save(picture, path.c_str(), "png", &error, nullptr);
    g_object_unref(picture);
    std::printf("%s %s%s%s\n", saved ? "wrote" : "could not write", path.c_str(), error ? ": " : "",
                error ? error->message : "");
    if (error)
        g_error_free(error);
    return saved;
}

// Shows a modal window through its own way of waiting, and takes the
// pictures while it is up; the window is then hidden, which ends the wait.
template <typename Take, typename Run> void whileShown(Gtk::Window& window, Take take, Run run)
{
    Glib::signal_timeout().connect_once(
        [&] {
            take();
            window.set_visible(false);
        },
        100);
    run();
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string out = argc > 1 ? argv[1] : "docs";
    g_mkdir_with_parents(out.c_str(), 0755);
    setenv("GSK_RENDERER", "cairo", 0);

    gchar* made = g_dir_make_tmp("tobrin_screenshots-XXXXXX", nullptr);
    if (!made) {
        std::fprintf(stderr, "screenshots: could not make a temporary folder\n");
        return 1;
    }
    const std::filesystem::path folder(made);
    g_free(made);
    const AppPaths paths(folder.string());
    Installation::repair(paths);
    const CodePageRecord::Found found =
        CodePageRecord::establish(paths, CodePage::systemLocaleName());
    SettingsStore settings(folder / "Corvane.conf");
    SystemClock clock;

    auto app = Gtk::Application::create("", Gio::Application::Flags::NON_UNIQUE);
    int failures = 0;
    app->signal_activate().connect([&] {
        PageEngine engine({folder / "engine-data", folder / "engine-cache",
                           PageEngine::extensionsBesideProgram()});
        const CodePage codePage = found.page ? *found.page : CodePage();
        AppContext context{paths,
                           &settings,
                           &clock,
                           [&engine, &paths]() -> std::unique_ptr<WebView> {
                               return std::make_unique<WebKitView>(
                                   engine, paths.file(AppPaths::PagesFolder));
                           },
                           [] {},
                           codePage};
        const auto take = [&](Gtk::Window& window, const char* name) {
            if (!shoot(window, out + "/" + name + ".png"))
                ++failures;
        };

        Form1 form(context);
        app->add_window(form);
        bool loaded = false;
        form.WebBrowser1->signal_DownloadComplete().connect([&loaded] { loaded = true; });
        form.Form_Load();
        form.Timer1.stop();
        form.set_visible(true);
        until([&loaded] { return loaded; }, 15000);
        take(form, "browser-window");

        Form2& panel = form.panel();
        const char* tabs[] = {"panel-general", "panel-addresses", "panel-favorites",
                              "panel-time",    "panel-surf-log",  "panel-password"};
        whileShown(
            panel,
            [&] {
                for (int tab = 0; tab < int(std::size(tabs)); ++tab) {
                    panel.VideoSoftIndexTab1.setCurrentTab(tab);
                    take(panel, tabs[tab]);
                }
            },
            [&panel] { panel.showModal(); });

        // As a parent sees them while typing.
        StoredPasswordKeeper password(settings, codePage);
        Form5 first(&form, password, codePage);
        first.Text1->set_text("abc");
        whileShown(
            first, [&] { take(first, "first-password-dialog"); }, [&first] { first.exec(); });
        Form3 prompt(form, {&settings, codePage}, {});
        prompt.Text3->set_text("abcd");
        whileShown(
            prompt, [&] { take(prompt, "password-prompt"); }, [&prompt] { prompt.exec(); });

        auto about = makeAboutWindow(form);
        about->present();
        take(*about, "about-window");
        about.reset();

        form.set_visible(false);
        app->remove_window(form);
    });
    app->run();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return failures ? 1 : 0;
}
