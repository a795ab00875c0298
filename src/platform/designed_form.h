#pragma once

#include "platform/colors.h"

#include <gdkmm/rectangle.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <vector>

// The panel's pages are designed forms: every control at a fixed place and
// size, named as designed so tests and screenshots can find it.
inline void placeControl(Gtk::Fixed& form, Gtk::Widget& control, const char* name,
                         const Gdk::Rectangle& at)
{
    control.set_name(name);
    control.set_size_request(at.get_width(), at.get_height());
    form.put(control, at.get_x(), at.get_y());
}

// The designed sizes are those of a compact theme and a 9-point font: text
// boxes and buttons keep them instead of the roomier defaults.
inline void useDesignedSizes(Gtk::Fixed& form)
{
    addStyleRules(".designed-form { font-size: 9pt; }"
                  ".designed-form entry { min-height: 0; padding-top: 0; padding-bottom: 0; }"
                  ".designed-form button { min-height: 0; min-width: 0; padding: 0 1px; }");
    form.add_css_class("designed-form");
}

// The window a form is shown in, which owns its message boxes; none before
// the form is put in one.
inline Gtk::Window* windowOf(const Gtk::Widget& form)
{
    return dynamic_cast<Gtk::Window*>(const_cast<Gtk::Widget&>(form).get_root());
}

// Tab and Shift+Tab move through the form's controls in the designed order
// rather than GTK's order by position; past either end the focus leaves the
// form as usual. Controls that cannot take the focus now are passed over.
inline void setTabOrder(Gtk::Fixed& form, std::vector<Gtk::Widget*> order)
{
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(
        [&form, order](guint key, guint, Gdk::ModifierType state) {
            const bool back = key == GDK_KEY_ISO_Left_Tab ||
                              (key == GDK_KEY_Tab && (state & Gdk::ModifierType::SHIFT_MASK) ==
                                                         Gdk::ModifierType::SHIFT_MASK);
            if (!back && key != GDK_KEY_Tab)
                return false;
            Gtk::Window* window = windowOf(form);
            Gtk::Widget* focus = window ? window->get_focus() : nullptr;
            int at = -1;
            for (int i = 0; i < int(order.size()) && at < 0; ++i) {
                if (focus &&
                    (focus == order[std::size_t(i)] || focus->is_ancestor(*order[std::size_t(i)])))
                    at = i;
            }
            if (at < 0)
                return false;
            for (int i = at + (back ? -1 : 1); i >= 0 && i < int(order.size());
                 i += back ? -1 : 1) {
                Gtk::Widget& next = *order[std::size_t(i)];
                if (next.is_sensitive() && next.is_visible() && next.grab_focus())
                    return true;
            }
            return false;
        },
        false);
    form.add_controller(keys);
}
