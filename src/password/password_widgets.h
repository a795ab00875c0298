#pragma once

#include "platform/code_page.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <glibmm/main.h>

#include <string>
#include <vector>

// The controls the password windows share, placed in twips on a fixed page.
namespace PasswordWidgets {

Gtk::Label* label(Gtk::Fixed& page, const char* name, const std::string& text, int left, int top,
                  int width, int height);
// A single-line entry that shows every character as '*'.
Gtk::Entry* maskedEntry(Gtk::Fixed& page, const char* name, int left, int top, int width,
                        int height);
// Never a window's default button; Enter presses it only while it has the focus.
// An underscore in text marks the access key.
Gtk::Button* button(Gtk::Fixed& page, const char* name, const std::string& text, int left, int top,
                    int width, int height);

// Tab and Shift+Tab walk these widgets in this order while the focus is in one
// of them, skipping those that are disabled: the designed order, where the
// toolkit would go by position on the page.
void setTabOrder(Gtk::Widget& scope, std::vector<Gtk::Widget*> order);

// "Enter your password again..." for a wrong or mismatched entry.
void showTryAgain(Gtk::Widget& over);

// True, after naming the characters to the parent, when the code page
// cannot hold the password.
bool refuseUnfit(Gtk::Widget& over, const std::string& password, const CodePage& page);

// The window a control is shown in, for the message boxes it shows.
Gtk::Window* windowOf(Gtk::Widget& widget);

} // namespace PasswordWidgets

// The small password dialogs: a fixed client area, caption " Tobrin", centred
// on the screen when shown. Neither Enter nor Escape means anything to the
// whole window; an entry's own handler decides what Enter does in it.
class PasswordDialog : public Gtk::Window
{
public:
    enum Result
    {
        Rejected,
        Accepted
    };

    // Shows the dialog modally over its parent and returns once it is hidden
    // or closed: Accepted only through its O K.
    Result exec();
    Result result() const { return m_result; }

protected:
    PasswordDialog(Gtk::Window* parent, const char* name, int widthTwips, int heightTwips);

    // Hides the dialog with that result, which ends exec().
    void done(Result result);

    Gtk::Fixed m_layout; // the client area, where the controls sit

private:
    Result m_result = Rejected;
    Glib::RefPtr<Glib::MainLoop> m_loop;
};
