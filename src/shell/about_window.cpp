#include "shell/about_window.h"

#include "shell/images.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>

std::unique_ptr<Gtk::Window> makeAboutWindow(Gtk::Window& parent)
{
    auto about = std::make_unique<Gtk::Window>();
    about->set_name("AboutWindow");
    about->set_title("About Tobrin");
    about->set_transient_for(parent);
    about->set_modal(true);
    about->set_resizable(false);
    about->set_hide_on_close(true);
    about->set_default_size(380, -1);

    auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
    column->set_margin(12);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 12);
    auto* icon = Gtk::make_managed<Gtk::Image>();
    if (auto picture = Images::icon())
        icon->set(picture);
    icon->set_pixel_size(64);
    icon->set_valign(Gtk::Align::START);
    row->append(*icon);

    auto* text = Gtk::make_managed<Gtk::Label>();
    text->set_name("aboutText");
    text->set_wrap(true);
    text->set_max_width_chars(40);
    text->set_xalign(0);
    text->set_markup("<span size='16pt' weight='bold'>Tobrin 2.0</span>\n\n"
                     "Version " TOBRIN_VERSION ", by Corvane.\n\n"
                     "A web browser for children: a parent chooses which words block an "
                     "address, which sites are favorites, and at which times surfing is "
                     "allowed, and reads where the browser went.");
    text->set_hexpand(true);
    row->append(*text);
    column->append(*row);

    auto* ok = Gtk::make_managed<Gtk::Button>("OK");
    ok->set_name("aboutOk");
    ok->set_halign(Gtk::Align::END);
    Gtk::Window* window = about.get();
    ok->signal_clicked().connect([window] { window->set_visible(false); });
    column->append(*ok);
    about->set_child(*column);
    about->set_default_widget(*ok);
    return about;
}
