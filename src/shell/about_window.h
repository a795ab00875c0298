#pragma once

#include <gtkmm/window.h>

#include <memory>

// What Tobrin is and who makes it; opened by a click on either speaker,
// modal over the browser window.
std::unique_ptr<Gtk::Window> makeAboutWindow(Gtk::Window& parent);
