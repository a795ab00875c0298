#pragma once

#include "platform/colors.h"

#include <gdkmm/rectangle.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

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
                  ".designed-form button { min-height: 0; min-width: 0; padding: 0 4px; }");
    form.add_css_class("designed-form");
}

// The window a form is shown in, which owns its message boxes; none before
// the form is put in one.
inline Gtk::Window* windowOf(const Gtk::Widget& form)
{
    return dynamic_cast<Gtk::Window*>(const_cast<Gtk::Widget&>(form).get_root());
}
