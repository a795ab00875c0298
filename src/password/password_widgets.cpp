#include "password/password_widgets.h"

#include "password/stored_password.h"
#include "platform/colors.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "platform/window_placement.h"

#include <gtkmm/eventcontrollerkey.h>

#include <algorithm>

namespace {

// The theme's entries and buttons are taller than the designed ones; these
// fit the twips they were designed in.
constexpr char kCompact[] = "entry.password-entry { min-height: 0; padding-top: 0; "
                            "padding-bottom: 0; }"
                            "button.password-button { min-height: 0; padding-top: 0; "
                            "padding-bottom: 0; }";

void place(Gtk::Fixed& page, Gtk::Widget& widget, const char* name, int left, int top, int width,
           int height)
{
    widget.set_name(name);
    const Gdk::Rectangle at = twipsRect(left, top, width, height);
    widget.set_size_request(at.get_width(), at.get_height());
    page.put(widget, at.get_x(), at.get_y());
}

bool holdsFocus(Gtk::Widget& widget)
{
    const Gtk::Root* root = widget.get_root();
    const Gtk::Widget* focus = root ? root->get_focus() : nullptr;
    return focus && (focus == &widget || focus->is_ancestor(widget));
}

// What Tab (or Shift+Tab, backward) does in order: true when the focus moved.
bool focusNext(const std::vector<Gtk::Widget*>& order, bool backward)
{
    const auto at = std::ranges::find_if(order, [](Gtk::Widget* w) { return holdsFocus(*w); });
    if (at == order.end())
        return false;
    const int n = int(order.size()), from = int(at - order.begin());
    for (int step = 1; step < n; ++step) {
        Gtk::Widget* next = order[std::size_t((from + (backward ? n - step : step)) % n)];
        if (next->is_sensitive() && next->is_visible() && next->grab_focus())
            return true;
    }
    return false;
}

} // namespace

namespace PasswordWidgets {

Gtk::Label* label(Gtk::Fixed& page, const char* name, const std::string& text, int left, int top,
                  int width, int height)
{
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    // Text sits at the top left, so a tall label does not run into the entry below it.
    label->set_xalign(0);
    label->set_yalign(0);
    place(page, *label, name, left, top, width, height);
    return label;
}

Gtk::Entry* maskedEntry(Gtk::Fixed& page, const char* name, int left, int top, int width,
                        int height)
{
    addStyleRules(kCompact);
    auto* entry = Gtk::make_managed<Gtk::Entry>();
    entry->add_css_class("password-entry");
    entry->set_visibility(false);
    // '*' as the parents know it, not the theme's bullet.
    entry->set_invisible_char('*');
    entry->set_width_chars(1);
    place(page, *entry, name, left, top, width, height);
    return entry;
}

Gtk::Button* button(Gtk::Fixed& page, const char* name, const std::string& text, int left, int top,
                    int width, int height)
{
    addStyleRules(kCompact);
    auto* button = Gtk::make_managed<Gtk::Button>(text, true);
    button->add_css_class("password-button");
    place(page, *button, name, left, top, width, height);
    return button;
}

void setTabOrder(Gtk::Widget& scope, std::vector<Gtk::Widget*> order)
{
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(
        [order = std::move(order)](guint key, guint, Gdk::ModifierType) {
            if (key != GDK_KEY_Tab && key != GDK_KEY_ISO_Left_Tab)
                return false;
            return focusNext(order, key == GDK_KEY_ISO_Left_Tab);
        },
        false);
    scope.add_controller(keys);
}

void showTryAgain(Gtk::Widget& over)
{
    MessageBox::show(windowOf(over), "Enter your password again...", "Error!", MessageBox::Ok,
                     MessageBox::Critical);
}

bool refuseUnfit(Gtk::Widget& over, const std::string& password, const CodePage& page)
{
    const std::string refused = StoredPassword::refusal(password, page);
    if (!refused.empty())
        MessageBox::show(windowOf(over), refused, "Error!", MessageBox::Ok, MessageBox::Critical);
    return !refused.empty();
}

Gtk::Window* windowOf(Gtk::Widget& widget)
{
    return dynamic_cast<Gtk::Window*>(widget.get_root());
}

} // namespace PasswordWidgets

PasswordDialog::PasswordDialog(Gtk::Window* parent, const char* name, int widthTwips,
                               int heightTwips)
{
    set_name(name);
    set_title(" Tobrin");
    set_resizable(false);
    set_modal(true);
    // Closing by the frame only hides it, like a Cancel.
    set_hide_on_close(true);
    if (parent)
        set_transient_for(*parent);
    m_layout.set_size_request(twips(widthTwips), twips(heightTwips));
    set_child(m_layout);
    keepCentred(*this);
}

PasswordDialog::Result PasswordDialog::exec()
{
    m_result = Rejected;
    m_loop = Glib::MainLoop::create();
    auto hidden = signal_hide().connect([this] { m_loop->quit(); });
    present();
    m_loop->run();
    hidden.disconnect();
    return m_result;
}

void PasswordDialog::done(Result result)
{
    m_result = result;
    set_visible(false);
}
