#pragma once

#include <gdkmm/rgba.h>

#include <optional>

namespace Gtk {
class Window;
}

// The colour dialog behind one function, so tests can pick a colour (or
// cancel) without a modal loop.
namespace ColorDialog {

// The colour chosen, or nothing when the parent cancelled.
std::optional<Gdk::RGBA> choose(Gtk::Window* parent, const Gdk::RGBA& initial);

// --- test seam -----------------------------------------------------------
void enableTestMode();
// The next call returns this; std::nullopt stands for Cancel.
void queueAnswer(std::optional<Gdk::RGBA> answer);
// How many times the dialog was "shown" since the last call.
int takeShownCount();

} // namespace ColorDialog
