#pragma once

#include <gdkmm/pixbuf.h>

// The pictures built into the program: the speakers' two looks and the icon.
namespace Images {

Glib::RefPtr<Gdk::Pixbuf> speakerResting();
Glib::RefPtr<Gdk::Pixbuf> speakerAlternate();
Glib::RefPtr<Gdk::Pixbuf> icon();

} // namespace Images
