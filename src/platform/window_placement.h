#pragma once

#include "platform/twips.h"

#include <functional>

namespace Gtk {
class Window;
}

// Places a top-level window by the size of its whole frame. A window manager
// frames a window only after it is first shown, so the frame size known at
// that moment is the bare client size; the window is placed again whenever
// the frame size changes, which puts it right once it has been framed.
// `place` gets the frame's width and height and answers the frame's top left.
// Only X11 lets a program place its windows; elsewhere this does nothing.
void keepPlaced(Gtk::Window& window, std::function<PixelPoint(int width, int height)> place);

// Centred on the screen the window (or the window it belongs to) is on,
// frame included.
void keepCentred(Gtk::Window& window);
