#include "shell/about_window.h"

#include "platform/colors.h"
#include "shell/images.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>

std::unique_ptr<Gtk::Window> makeAboutWindow(Gtk::Window& parent)
{
    // The type of the program's other windows, the title large and bold.
    addStyleRules("window#AboutWindow { font-size: 12px; }"
                  "window#AboutWindow #aboutTitle { font-size: 16pt; font-weight: bold; }"
                  "window#AboutWindow button { min-height: 0; padding: 2px 4px; }");
    auto about = std::make_unique<Gtk::Window>();
    about->set_name("AboutWindow");
    about->set_title("About Tobrin");
    about->set_transient_for(parent);
    about->set_modal(true);
    about->set_resizable(false);
    about->set_hide_on_close(true);

    // 380 pixels wide, the text wrapped in what the picture leaves.
    constexpr int kWidth = 380, kMargin = 10, kIcon = 64, kSpacing = 7;
    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    column->set_margin(kMargin);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kSpacing);
    auto* icon = Gtk::make_managed<Gtk::Image>();
    if (auto picture = Images::icon())
        icon->set(picture);
    icon->set_pixel_size(kIcon);
    icon->set_valign(Gtk::Align::START);
    row->append(*icon);

    auto* text = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
    text->set_name("aboutText");
    const auto paragraph = [&](const char* name, const std::string& words) {
        auto* label = Gtk::make_managed<Gtk::Label>(words);
        label->set_name(name);
        label->set_wrap(true);
        label->set_xalign(0);
        label->set_max_width_chars(1);
        label->set_size_request(kWidth - 2 * kMargin - kIcon - kSpacing, -1);
        text->append(*label);
    };
    paragraph("aboutTitle", "Tobrin 2.0");
    paragraph("aboutVersion", "Version " TOBRIN_VERSION ", by Corvane.");
    paragraph("aboutPurpose", "A web browser for children: a parent chooses which words block an "
                              "address, which sites are favorites, and at which times surfing is "
                              "allowed, and reads where the browser went.");
    row->append(*text);
    column->append(*row);

    auto* ok = Gtk::make_managed<Gtk::Button>("OK");
    ok->set_name("aboutOk");
    ok->set_halign(Gtk::Align::END);
    ok->set_size_request(80, -1);
    Gtk::Window* window = about.get();
    ok->signal_clicked().connect([window] { window->set_visible(false); });
    column->append(*ok);
    about->set_child(*column);
    about->set_default_widget(*ok);
    return about;
}
