#include "panel/panel_window.h"

#include "platform/color_dialog.h"
#include "platform/colors.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/twips.h"
#include "platform/window_placement.h"

#include <glibmm/main.h>
#include <gtkmm/gestureclick.h>
#include <pangomm/attrlist.h>

namespace {

enum Tab
{
    General,
    Addresses,
    Favorites,
    Time,
    SurfLog,
    Password
};

void place(Gtk::Fixed& page, Gtk::Widget& widget, const Gdk::Rectangle& at)
{
    widget.set_size_request(at.get_width(), at.get_height());
    page.put(widget, at.get_x(), at.get_y());
}

Gdk::RGBA storedColor(const SettingsStore& settings, const char* key, const char* fallback)
{
    return ColorValue::toColor(SettingValue::colorNumber(settings.read(key, fallback)));
}

} // namespace

Form2::Form2(const PanelContext& context, Gtk::Window& browser)
    : Disable1(browser), m_context(context)
{
    set_name("Form2");
    // The designed places fit the panel's usual small type; the theme's
    // larger one would run the longest caption out of its frame.
    addStyleRules("window#Form2 { font-size: 12px; }");
    // The frames are group boxes as the panel has always shown them: the
    // caption on a line of its own (19 pixels) above a plain box, rather
    // than set into the box's border; check boxes and buttons as compact.
    addStyleRules(R"(
window#Form2 frame { border: none; border-radius: 0; padding: 0; box-shadow: none;
  background-color: transparent; background-repeat: no-repeat;
  background-image: linear-gradient(#d7d7d7, #d7d7d7), linear-gradient(#d7d7d7, #d7d7d7),
    linear-gradient(#d7d7d7, #d7d7d7), linear-gradient(#d7d7d7, #d7d7d7),
    linear-gradient(#ececec, #ececec);
  background-position: 0 19px, 100% 19px, 0 19px, 0 100%, 0 19px;
  background-size: 100% 1px, 1px 100%, 1px 100%, 100% 1px, 100% 100%; }
window#Form2 frame > label { margin: 2px 0 0 0; padding: 0; min-height: 14px; }
window#Form2 checkbutton { padding: 0; border-spacing: 6px; }
window#Form2 checkbutton > check { margin: 0; min-width: 12px; min-height: 12px;
  -gtk-icon-size: 12px; border-radius: 0; }
window#Form2 button { min-height: 0; min-width: 0; padding: 0 1px; }
)");
    set_title(" Parental Remote Control");
    set_transient_for(browser);
    set_modal(true);
    set_resizable(false);
    set_hide_on_close(true);
    set_default_size(twips(7500), twips(5670));
    m_body.set_size_request(twips(7500), twips(5670));
    set_child(m_body);

    VideoSoftIndexTab1.set_name("VideoSoftIndexTab1");
    VideoSoftIndexTab1.setCaptions("General|Addresses|Favorites|Time|Surf Log|Password");
    place(m_body, VideoSoftIndexTab1, twipsRect(120, 120, 7320, 4815));

    Command1.set_name("Command1");
    Command1.set_label("_O K");
    Command1.set_use_underline(true);
    place(m_body, Command1, twipsRect(5760, 5100, 1590, 375));
    Command1.signal_clicked().connect([this] { Command1_Click(); });

    buildGeneralTab(*VideoSoftIndexTab1.page(General));
    m_addresses = std::make_unique<AddressesTab>(m_context.addresses,
                                                 *VideoSoftIndexTab1.page(Addresses));
    m_favorites = std::make_unique<FavoritesTab>(m_context.favorites,
                                                 *VideoSoftIndexTab1.page(Favorites));
    m_time = std::make_unique<TimeTab>(m_context.time, *VideoSoftIndexTab1.page(Time));
    m_surfLog = std::make_unique<SurfLogTab>(m_context.surfLog, *VideoSoftIndexTab1.page(SurfLog));
    m_password =
        std::make_unique<PasswordTab>(m_context.password, *VideoSoftIndexTab1.page(Password));
}

Form2::~Form2() = default;

void Form2::buildGeneralTab(Gtk::Fixed& page)
{
    // The frames are drawn behind their controls, which sit at the designed
    // places of the page itself.
    Frame1.set_name("Frame1");
    Frame1.set_label("Control");
    place(page, Frame1, twipsRect(840, 120, 4995, 1980));
    auto check = [&](Gtk::CheckButton& box, const char* name, const char* caption, int top) {
        box.set_name(name);
        box.set_label(caption);
        box.set_use_underline(true);
        // The frame's whole inner width keeps the longest caption whole; four
        // pixels taller than designed, so the box sits where it always has.
        Gdk::Rectangle at = twipsRect(840 + 360, 120 + top, 4995 - 360 - 120, 240);
        at.set_height(at.get_height() + 4);
        place(page, box, at);
    };
    check(Check1, "Check1", "Stop _Addresses Control", 240);
    check(Check2, "Check2", "Stop _Time Control", 480);
    check(Check3, "Check3", "Surf ONLY in Favorites Sites", 960);
    check(Check4, "Check4", "Disable the Desktop and the Windows Taskbar", 1440);
    // A value set by the program runs the same handling as a click.
    Check2.signal_toggled().connect([this] { Check2_Click(); });
    Check3.signal_toggled().connect([this] { Check3_Click(); });
    Check4.signal_toggled().connect([this] { Check4_Click(); });

    Frame3.set_name("Frame3");
    Frame3.set_label("Colors");
    place(page, Frame3, twipsRect(840, 2160, 4995, 2100));
    Command8.set_name("Command8");
    Command8.set_label("TV Color");
    place(page, Command8, twipsRect(840 + 240, 2160 + 360, 1455, 375));
    Command9.set_name("Command9");
    Command9.set_label("Legend Color");
    place(page, Command9, twipsRect(840 + 240, 2160 + 960, 1455, 375));
    Command8.signal_clicked().connect([this] { Command8_Click(); });
    Command9.signal_clicked().connect([this] { Command9_Click(); });

    tvfake.set_name("tvfake");
    tvfake.setClickable(true);
    tvfake.setCaption("");
    tvfake.set_tooltip_text("Click to choose the TV color");
    place(page, tvfake, twipsRect(840 + 2280, 2160 + 360, 1815, 1335));
    tvfake.signal_clicked().connect([this] { tvfake_Click(); });
    tvfakeScreen.set_name("tvfakeScreen");
    tvfakeScreen.setBackColor(Gdk::RGBA("white"));
    tvfakeScreen.setBevel(ElasticPanel::Bevel::Inset);
    tvfakeScreen.set_can_target(false);
    tvfake.put(tvfakeScreen, twipsRect(120, 120, 1575, 855));

    Label11.set_name("Label11");
    Label11.set_text("legend");
    Label11.set_cursor("pointer");
    Label11.set_tooltip_text("Click to choose the legend color");
    Gdk::Rectangle legend = twipsRect(600, 1080, 615, 195);
    legend.set_width(legend.get_width() + 4);
    legend.set_height(legend.get_height() + 2);
    tvfake.put(Label11, legend);
    auto click = Gtk::GestureClick::create();
    click->set_button(GDK_BUTTON_PRIMARY);
    // Claimed, so the miniature under the label does not take the click too.
    click->signal_pressed().connect([click = click.get()](int, double, double) {
        click->set_state(Gtk::EventSequenceState::CLAIMED);
    });
    click->signal_released().connect([this](int, double, double) { Label11_Click(); });
    Label11.add_controller(click);
}

void Form2::Form_Load()
{
    keepCentred(*this);
    const SettingsStore& settings = *m_context.settings;
    tvfake.setBackColor(storedColor(settings, "color", "&H00000000&"));
    setLegendColor(storedColor(settings, "legendcolor", "&H00FFFFFF&"));
    m_addresses->load();
    m_surfLog->load();
    m_time->load();
    m_favorites->load();
}

void Form2::showModal()
{
    m_addresses->panelOpening();
    m_surfLog->panelOpening();
    present();
    // Returns once the parent has closed the panel again, as the way in
    // through the password expects.
    auto loop = Glib::MainLoop::create();
    auto hidden = property_visible().signal_changed().connect([this, loop] {
        if (!get_visible())
            loop->quit();
    });
    if (get_visible())
        loop->run();
    hidden.disconnect();
}

void Form2::Command1_Click()
{
    set_visible(false);
}

void Form2::Check2_Click()
{
    m_timeControlStopped.emit(Check2.get_active());
}

void Form2::Check3_Click()
{
    const bool on = Check3.get_active();
    m_favorites->storeFavoritesOnly(on);
    m_favoritesOnly.emit(on);
}

void Form2::Check4_Click()
{
    const bool on = Check4.get_active();
    // As for Check3: a value that already says the same is not written again.
    const bool stored = SettingValue::boolean(m_context.settings->read("disable", "False"));
    std::string error;
    if (stored != on &&
        !m_context.settings->write("disable", SettingValue::booleanText(on), &error))
        MessageBox::showSaveError(this, error);
    Disable1.setFirstSwitch(on);
    Disable1.setSecondSwitch(on);
    // Only a parent's tick, made on the open panel, is answered: the start's
    // own setting of the box must not greet the child with a message.
    if (on && get_visible() && !Disable1.holdsEverything())
        MessageBox::show(this, Disable1.shortfallText(), "Tobrin", MessageBox::Ok,
                         MessageBox::Warning);
}

void Form2::Command8_Click()
{
    // Cancelling the dialog changes nothing, neither the window nor the setting.
    const std::optional<Gdk::RGBA> chosen = ColorDialog::choose(this, tvfake.backColor());
    if (!chosen)
        return;
    m_tvColor.emit(*chosen);
    std::string error;
    if (!m_context.settings->write("color", std::to_string(ColorValue::fromColor(*chosen)), &error))
        MessageBox::showSaveError(this, error);
    tvfake.setBackColor(*chosen);
}

void Form2::tvfake_Click()
{
    Command8_Click();
}

void Form2::Command9_Click()
{
    const std::optional<Gdk::RGBA> chosen = ColorDialog::choose(this, m_legendColor);
    if (!chosen)
        return;
    m_legendColorSignal.emit(*chosen);
    std::string error;
    if (!m_context.settings->write("legendcolor", std::to_string(ColorValue::fromColor(*chosen)),
                                   &error))
        MessageBox::showSaveError(this, error);
    setLegendColor(*chosen);
}

void Form2::Label11_Click()
{
    Command9_Click();
}

void Form2::setLegendColor(const Gdk::RGBA& color)
{
    m_legendColor = color;
    Pango::AttrList attributes;
    auto foreground = Pango::Attribute::create_attr_foreground(
        guint16(color.get_red() * 65535), guint16(color.get_green() * 65535),
        guint16(color.get_blue() * 65535));
    attributes.insert(foreground);
    Label11.set_attributes(attributes);
}
