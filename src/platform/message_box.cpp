#include "platform/message_box.h"

#include "platform/colors.h"
#include "platform/window_placement.h"

#include <gtkmm.h>

#include <utility>

namespace {

struct TestSeam
{
    bool enabled = false;
    std::vector<MessageBox::Button> answers;
    std::vector<MessageBox::Shown> shown;
};

TestSeam& seam()
{
    static TestSeam s;
    return s;
}

MessageBox::Button firstButton(MessageBox::Buttons buttons)
{
    for (auto b : {MessageBox::Ok, MessageBox::Yes, MessageBox::No, MessageBox::Cancel}) {
        if (buttons & b)
            return b;
    }
    return MessageBox::NoButton;
}

// What Escape and the window's close button answer: Cancel, else No, else a
// lone button.
MessageBox::Button escapeButton(MessageBox::Buttons buttons)
{
    if (buttons & MessageBox::Cancel)
        return MessageBox::Cancel;
    if (buttons & MessageBox::No)
        return MessageBox::No;
    const MessageBox::Button first = firstButton(buttons);
    return buttons == MessageBox::Buttons(first) ? first : MessageBox::NoButton;
}

// The theme's icon, coloured as the platform's boxes colour theirs.
struct IconLook
{
    const char* name;
    const char* style;
};

IconLook iconLook(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Information:
        return {"dialog-information-symbolic", "box-information"};
    case MessageBox::Warning:
        return {"dialog-warning-symbolic", "box-warning"};
    case MessageBox::Critical:
        return {"dialog-error-symbolic", "box-critical"};
    case MessageBox::Question:
        return {"dialog-question-symbolic", "box-information"};
    case MessageBox::NoIcon:
        break;
    }
    return {nullptr, nullptr};
}

constexpr char kIconColours[] = "image.box-critical { color: #d01c1c; }"
                                "image.box-warning { color: #e5a50a; }"
                                "image.box-information { color: #1c71d8; }";

// In the order and with the texts the program's boxes have always had: the
// affirmative button first, Cancel last, all at the right.
struct ButtonText
{
    MessageBox::Button button;
    const char* label;
    const char* name;
};
constexpr ButtonText kButtons[] = {
    {MessageBox::Yes, "_Yes", "Yes"},
    {MessageBox::Ok, "OK", "Ok"},
    {MessageBox::No, "_No", "No"},
    {MessageBox::Cancel, "Cancel", "Cancel"},
};

MessageBox::Button runBox(Gtk::Window* parent, const std::string& text, const std::string& title,
                          MessageBox::Buttons buttons, MessageBox::Icon icon,
                          MessageBox::Button defaultButton)
{
    addStyleRules(kIconColours);
    Gtk::Window box;
    box.set_name("messageBox");
    box.set_title(title);
    box.set_modal(true);
    box.set_resizable(false);
    if (parent)
        box.set_transient_for(*parent);

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 18);
    content->set_margin(18);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 18);
    if (const IconLook look = iconLook(icon); look.name) {
        auto* image = Gtk::make_managed<Gtk::Image>();
        image->set_from_icon_name(look.name);
        image->add_css_class(look.style);
        image->set_pixel_size(48);
        image->set_valign(Gtk::Align::START);
        image->set_name("messageIcon");
        row->append(*image);
    }
    // The texts are plain sentences, never markup from a page.
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    label->set_name("messageText");
    label->set_wrap(true);
    // One line for a short sentence; long ones wrap at about sixty letters.
    label->set_natural_wrap_mode(Gtk::NaturalWrapMode::NONE);
    label->set_max_width_chars(60);
    label->set_xalign(0);
    label->set_valign(Gtk::Align::CENTER);
    row->append(*label);
    content->append(*row);

    auto* buttonRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    buttonRow->set_halign(Gtk::Align::END);
    buttonRow->set_homogeneous(true);
    content->append(*buttonRow);
    box.set_child(*content);

    auto loop = Glib::MainLoop::create();
    MessageBox::Button answer = escapeButton(buttons);
    auto finish = [&](MessageBox::Button pressed) {
        answer = pressed;
        box.hide();
        loop->quit();
    };
    Gtk::Button* focus = nullptr;
    for (const ButtonText& b : kButtons) {
        if (!(buttons & b.button))
            continue;
        auto* button = Gtk::make_managed<Gtk::Button>(b.label, true);
        button->set_name(b.name);
        button->set_size_request(85, -1);
        button->signal_clicked().connect([&finish, pressed = b.button] { finish(pressed); });
        buttonRow->append(*button);
        if (b.button == defaultButton || (!focus && b.button == firstButton(buttons)))
            focus = button;
    }
    if (focus) {
        box.set_default_widget(*focus);
        focus->grab_focus();
    }

    const MessageBox::Button escape = escapeButton(buttons);
    box.signal_close_request().connect(
        [&] {
            // A box without a way to say no stays until it is answered.
            if (escape != MessageBox::NoButton)
                finish(escape);
            return true;
        },
        false);
    auto keys = Gtk::EventControllerKey::create();
    keys->signal_key_pressed().connect(
        [&](guint key, guint, Gdk::ModifierType) {
            if (key != GDK_KEY_Escape || escape == MessageBox::NoButton)
                return false;
            finish(escape);
            return true;
        },
        false);
    box.add_controller(keys);

    keepCentred(box);
    box.present();
    loop->run();
    return answer;
}

} // namespace

namespace MessageBox {

Button show(Gtk::Window* parent, const std::string& text, const std::string& title, Buttons buttons,
            Icon icon, Button defaultButton)
{
    if (seam().enabled) {
        seam().shown.push_back({text, title, buttons, icon, defaultButton, parent});
        if (!seam().answers.empty()) {
            const Button answer = seam().answers.front();
            seam().answers.erase(seam().answers.begin());
            return answer;
        }
        return defaultButton != NoButton ? defaultButton : firstButton(buttons);
    }
    return runBox(parent, text, title, buttons, icon, defaultButton);
}

void showSaveError(Gtk::Window* parent, const std::string& error)
{
    show(parent,
         error + "\n\nWhat you entered is still shown in the window. "
                 "Check that the folder can be written, then make the change again.",
         "Tobrin", Ok, Critical);
}

void enableTestMode()
{
    seam().enabled = true;
}

void queueAnswer(Button answer)
{
    seam().answers.push_back(answer);
}

std::vector<Shown> takeShown()
{
    seam().answers.clear();
    return std::exchange(seam().shown, {});
}

int pendingAnswers()
{
    return int(seam().answers.size());
}

} // namespace MessageBox
