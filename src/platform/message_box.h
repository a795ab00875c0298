#pragma once

#include <string>
#include <vector>

namespace Gtk {
class Window;
}

// Every message box of the program goes through here, so tests can answer
// them in advance and read back exactly what the parent or child was shown.
namespace MessageBox {

enum Button : unsigned
{
    NoButton = 0,
    Ok = 1u << 0,
    Yes = 1u << 1,
    No = 1u << 2,
    Cancel = 1u << 3,
};
// Several buttons: Yes | No.
using Buttons = unsigned;

enum Icon
{
    NoIcon,
    Information,
    Warning,
    Critical,
    Question,
};

// Shows a modal message box over parent (centred on its screen) and returns
// the button pressed; closing the box counts as its Cancel, No or only button.
Button show(Gtk::Window* parent, const std::string& text, const std::string& title, Buttons buttons,
            Icon icon, Button defaultButton = NoButton);

// Tells the parent that something they entered could not be saved; the error
// text comes from the file or settings helper.
void showSaveError(Gtk::Window* parent, const std::string& error);

// --- test seam -----------------------------------------------------------
struct Shown
{
    std::string text;
    std::string title;
    Buttons buttons = NoButton;
    Icon icon = NoIcon;
    Button defaultButton = NoButton;
    Gtk::Window* parent = nullptr;
};

// From now on no box is really shown: each call takes the next queued answer
// (or, with none queued, its default button or else its first button).
void enableTestMode();
void queueAnswer(Button answer);
// The boxes "shown" since the last call, oldest first.
std::vector<Shown> takeShown();
// How many queued answers were not used yet; cleared by takeShown().
int pendingAnswers();

} // namespace MessageBox
