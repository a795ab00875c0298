#include "platform/color_dialog.h"

#include "platform/window_placement.h"

#include <gtkmm.h>

#include <deque>
#include <utility>

namespace {

struct TestSeam
{
    bool enabled = false;
    std::deque<std::optional<Gdk::RGBA>> answers;
    int shown = 0;
};

TestSeam& seam()
{
    static TestSeam s;
    return s;
}

} // namespace

namespace ColorDialog {

std::optional<Gdk::RGBA> choose(Gtk::Window* parent, const Gdk::RGBA& initial)
{
    if (seam().enabled) {
        ++seam().shown;
        if (seam().answers.empty())
            return std::nullopt;
        auto answer = seam().answers.front();
        seam().answers.pop_front();
        return answer;
    }
    // The chooser's palette and editor only: it opens nothing of the
    // computer's files, so a child at the panel cannot browse from it.
    Gtk::ColorChooserDialog dialog("Color");
    dialog.set_name("colorDialog");
    dialog.set_modal(true);
    if (parent)
        dialog.set_transient_for(*parent);
    dialog.set_use_alpha(false);
    dialog.set_rgba(initial);

    std::optional<Gdk::RGBA> chosen;
    auto loop = Glib::MainLoop::create();
    dialog.signal_response().connect([&](int response) {
        if (response == Gtk::ResponseType::OK)
            chosen = dialog.get_rgba();
        dialog.hide();
        loop->quit();
    });
    keepCentred(dialog);
    dialog.present();
    loop->run();
    return chosen;
}

void enableTestMode()
{
    seam().enabled = true;
}

void queueAnswer(std::optional<Gdk::RGBA> answer)
{
    seam().answers.push_back(answer);
}

int takeShownCount()
{
    return std::exchange(seam().shown, 0);
}

} // namespace ColorDialog
