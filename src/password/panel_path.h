#pragma once

#include "password/password_context.h"

#include <functional>

namespace Gtk {
class Window;
}

// The only way into the control panel, from the browser window's panel key.
// Every window on it is modal, so the browser window takes no input until
// the path has ended. offerCurrentPage puts the current page's title and
// address into the panel's favorites entries (making the panel first if need
// be); openPanel shows the panel modally and returns once it is closed again.
void runPanelPath(Gtk::Window& browser, const PasswordContext& context,
                  const std::function<void()>& offerCurrentPage, std::function<void()> openPanel);
