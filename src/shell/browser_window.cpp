#include "shell/browser_window.h"

#include "panel/panel_window.h"
#include "platform/colors.h"
#include "platform/settings_store.h"
#include "platform/twips.h"
#include "platform/web_view.h"
#include "platform/window_placement.h"
#include "shell/about_window.h"
#include "shell/images.h"
#include "surflog/session_log.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventcontrollerscroll.h>

namespace {

constexpr int kRestingLook = 10;
constexpr int kAlternateLook = 9;

// The address box as it has always looked on the set.
constexpr char kStyle[] = R"(
combobox#Combo1 entry, combobox#Combo1 button {
  background: black; color: white; border: 1px solid #606060; border-radius: 0;
  min-height: 0; padding-top: 0; padding-bottom: 0; box-shadow: none; }
combobox#Combo1 entry { padding-left: 2px; }
combobox#Combo1 entry:disabled, combobox#Combo1 button:disabled { color: #808080; }
combobox#Combo1 popover contents { background: black; border-radius: 0; padding: 0; }
combobox#Combo1 popover contents * { color: white; }
combobox#Combo1 popover modelbutton:hover, combobox#Combo1 popover modelbutton:selected {
  background: #404080; }
)";

Pango::FontDescription sizedFont(int pixels, bool bold)
{
    Pango::FontDescription font;
    font.set_absolute_size(pixels * PANGO_SCALE);
    if (bold)
        font.set_weight(Pango::Weight::BOLD);
    return font;
}

Gdk::RGBA rgb(int r, int g, int b)
{
    Gdk::RGBA color;
    color.set_rgba_u(guint16(r * 257), guint16(g * 257), guint16(b * 257));
    return color;
}

} // namespace

Form1::Form1(const AppContext& context)
    : Combo1(true), m_context(context),
      m_sessionLog(context.createRecords
                       ? context.createRecords()
                       : std::make_unique<SessionLog>(context.paths.file(AppPaths::Log), *context.clock,
                                                      context.codePage))
{
    set_name("Form1");
    set_title(" Corvane Tobrin 2.0");
    set_icon_name("tobrin");
    // The set is designed for one client size; nothing adapts it to another.
    set_resizable(false);
    // A confirmed close only hides the window: the program ends through the
    // quit sequence, which still needs the panel and its lock.
    set_hide_on_close(true);
    set_default_size(twips(9480), twips(6375));
    buildControls();
}

Form1::~Form1()
{
    // The panel and the about window belong to this window; they go first.
    m_about.reset();
    m_panel.reset();
    unset_child();
}

void Form1::buildControls()
{
    addStyleRules(kStyle);
    rodape.set_name("rodape");
    rodape.setCaption("Tobrin 2.0");
    rodape.setBackColor(Gdk::RGBA("black"));
    rodape.setForeColor(rgb(192, 192, 192));
    rodape.setBevel(ElasticPanel::Bevel::None);
    // The status line sits in the free strip below the second row of buttons.
    rodape.setCaptionArea(twipsRect(150, 6090, 9165, 285), Gtk::Align::START);
    rodape.setFont(sizedFont(12, false));
    rodape.set_size_request(twips(9480), twips(6375));
    set_child(rodape);

    WebBrowser1 = m_context.createWebView();
    WebBrowser1->set_name("WebBrowser1");
    rodape.put(*WebBrowser1, twipsRect(150, 150, 9165, 5170));

    const Pango::FontDescription buttonFont = sizedFont(11, true);
    auto button = [&](ElasticPanel& b, const char* name, const char* caption,
                      const Gdk::RGBA& text, const Gdk::Rectangle& place) {
        b.set_name(name);
        b.setCaption(caption);
        b.setBackColor(Gdk::RGBA("black"));
        b.setForeColor(text);
        b.setFont(buttonFont);
        b.setClickable(true);
        b.set_focusable(true);
        rodape.put(b, place);
    };
    const Gdk::RGBA red = rgb(255, 0, 0), yellow = rgb(255, 255, 0), cyan = rgb(128, 255, 255),
                    white = rgb(255, 255, 255);
    button(VideoSoftElastic6, "VideoSoftElastic6", "ON", red, twipsRect(1275, 5475, 510, 315));
    button(VideoSoftElastic8, "VideoSoftElastic8", "RC", cyan, twipsRect(7725, 5475, 465, 315));
    button(VideoSoftElastic5, "VideoSoftElastic5", "Home", yellow,
           twipsRect(1950, 5850, 1215, 240));
    button(cmdBack, "cmdBack", "<<", white, twipsRect(3300, 5850, 705, 240));
    button(cmdstop, "cmdstop", "STOP", red, twipsRect(4125, 5850, 1215, 240));
    button(cmdForward, "cmdForward", ">>", white, twipsRect(5475, 5850, 705, 240));
    button(cmdBookMarks, "cmdBookMarks", "Favorites", white, twipsRect(6300, 5850, 1215, 240));

    auto speaker = [&](ElasticPanel& s, const char* name, const Gdk::Rectangle& place) {
        button(s, name, "", white, place);
        // The light face of a button, as the speakers have always shown.
        s.setBackColor(rgb(0xef, 0xef, 0xef));
        s.setPicture(kRestingLook, Images::speakerResting());
        s.setPicture(kAlternateLook, Images::speakerAlternate());
        s.setPictureLook(kRestingLook);
        s.set_tooltip_text("About Tobrin");
    };
    speaker(falante1, "falante1", twipsRect(150, 5475, 990, 690));
    speaker(falante2, "falante2", twipsRect(8325, 5475, 990, 690));

    // The list is the history the address check keeps; typing never adds to
    // it, and nothing completes what is typed: Enter opens exactly the text
    // in the box.
    Combo1.set_name("Combo1");
    rodape.put(Combo1, twipsRect(1950, 5475, 5565, 315));
    setEditText("http://");
    if (Gtk::Entry* entry = Combo1.get_entry()) {
        entry->set_name("Combo1Text");
        entry->signal_activate().connect([this] {
            int keyAscii = 13;
            Combo1_KeyPress(keyAscii);
        });
    }
    Combo1.signal_changed().connect([this] {
        // Only a pick from the list opens an address; typing leaves the
        // list's choice at none.
        if (!m_settingText && Combo1.get_active_row_number() >= 0)
            Combo1_Click();
    });
    // A wheel turned over the box would step through the history and open
    // each page in turn.
    auto wheel = Gtk::EventControllerScroll::create();
    wheel->set_flags(Gtk::EventControllerScroll::Flags::BOTH_AXES);
    wheel->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    wheel->signal_scroll().connect([](double, double) { return true; }, false);
    Combo1.add_controller(wheel);

    Timer1.setInterval(1); // the first check runs as soon as the window's loop runs
    Timer1.start();
    Timer2.setInterval(200);

    cmdBack.signal_clicked().connect([this] { cmdBack_Click(); });
    cmdForward.signal_clicked().connect([this] { cmdForward_Click(); });
    cmdstop.signal_clicked().connect([this] { cmdstop_Click(); });
    VideoSoftElastic5.signal_clicked().connect([this] { VideoSoftElastic5_Click(); });
    VideoSoftElastic6.signal_clicked().connect([this] { VideoSoftElastic6_Click(); });
    VideoSoftElastic8.signal_clicked().connect([this] { VideoSoftElastic8_Click(); });
    cmdBookMarks.signal_clicked().connect([this] { cmdBookMarks_Click(); });
    falante1.signal_clicked().connect([this] { falante1_Click(); });
    falante2.signal_clicked().connect([this] { falante2_Click(); });
    Timer1.signal_timeout().connect([this] { Timer1_Timer(); });
    Timer2.signal_timeout().connect([this] { Timer2_Timer(); });

    WebView& view = *WebBrowser1;
    view.signal_BeforeNavigate2().connect(
        [this](const std::string& url, bool& cancel) { WebBrowser1_BeforeNavigate2(url, cancel); });
    view.signal_DownloadBegin().connect([this] { WebBrowser1_DownloadBegin(); });
    view.signal_DownloadComplete().connect([this] { WebBrowser1_DownloadComplete(); });
    view.signal_NavigateComplete2().connect(
        [this](const std::string& url) { WebBrowser1_NavigateComplete2(url); });
    view.signal_NewWindow2().connect([this](bool& cancel) { WebBrowser1_NewWindow2(cancel); });
    view.signal_StatusTextChange().connect(
        [this](const std::string& text) { WebBrowser1_StatusTextChange(text); });
    view.signal_FilesRefused().connect([this] { WebBrowser1_FilesRefused(); });
    view.signal_TitleChange().connect(
        [this](const std::string& text) { WebBrowser1_TitleChange(text); });

    signal_close_request().connect(
        [this] {
            bool cancel = false;
            Form_Unload(cancel);
            return cancel;
        },
        false);
}

Form2& Form1::panel()
{
    if (!m_panel) {
        const AppPaths& paths = m_context.paths;
        const PanelContext context{
            m_context.settings,
            {paths.file(AppPaths::NoSurf), m_context.codePage, m_context.blockedWords},
            {paths.file(AppPaths::Pref), paths.file(AppPaths::FavoritesPage), m_context.codePage,
             m_context.settings},
            {[paths](std::string_view relative) { return paths.file(relative); }},
            {paths.file(AppPaths::Log), m_context.codePage, m_sessionLog.get()},
            {m_context.settings, m_context.codePage, m_context.password}};
        m_panel = std::make_unique<Form2>(context, *this);
        Form2& form2 = *m_panel;
        form2.signal_timeControlStopped().connect(
            [this](bool stopped) { Form2_TimeControlStopped(stopped); });
        form2.signal_favoritesOnly().connect([this](bool on) { Form2_FavoritesOnly(on); });
        form2.signal_tvColor().connect([this](const Gdk::RGBA& c) { rodape.setBackColor(c); });
        form2.signal_legendColor().connect([this](const Gdk::RGBA& c) { rodape.setForeColor(c); });
        form2.Form_Load();
        followAddressControl(form2);
        // The window shows while a long list is read; pages wait for it.
        if (form2.addresses().loading()) {
            WebBrowser1->holdNavigations(true);
            form2.addresses().signal_loaded().connect(
                [this] { WebBrowser1->holdNavigations(false); });
        }
    }
    return *m_panel;
}

std::vector<std::string> Form1::history() const
{
    return m_history;
}

void Form1::addToHistory(const std::string& url)
{
    m_history.push_back(url);
    m_settingText = true;
    Combo1.append(url);
    m_settingText = false;
    // Kept before the navigation goes on.
    m_sessionLog->addressAllowed(url);
}

void Form1::setEditText(const std::string& text)
{
    m_settingText = true;
    Combo1.set_active(-1);
    if (Gtk::Entry* entry = Combo1.get_entry())
        entry->set_text(text);
    m_settingText = false;
}

void Form1::Form_Load()
{
    // Before anything reaches the history or the log.
    SurfLogBegin();
    placeOnScreen();
    SpeakerPhase = 1;

    SettingsStore& settings = *m_context.settings;
    rodape.setBackColor(
        ColorValue::toColor(SettingValue::colorNumber(settings.read("color", "&H00000000&"))));
    rodape.setForeColor(ColorValue::toColor(
        SettingValue::colorNumber(settings.read("legendcolor", "&H00FFFFFF&"))));

    // A start page that cannot be loaded leaves the set on a blank screen.
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::IntroPage));

    cmdBack.set_sensitive(false);
    cmdForward.set_sensitive(false);

    SurfLogStart();

    const bool favorites = SettingValue::integer(settings.read("favorites", "0")) == 1;
    panel().Check3.set_active(favorites);
    if (favorites)
        Combo1.set_sensitive(false);

    if (SettingValue::boolean(settings.read("disable", "False"))) {
        Form2& form2 = panel();
        // The box's own handler sets both switches, in order.
        form2.Check4.set_active(true);
        form2.Disable1.setFirstSwitch(true);
        form2.Disable1.setSecondSwitch(true);
    }
}

void Form1::placeOnScreen()
{
    // Centred horizontally, touching the top; a window wider than the
    // screen gets a negative left, as designed.
    keepPlaced(*this, [this](int width, int) {
        Gdk::Rectangle area;
        auto display = get_display();
        Glib::RefPtr<Gdk::Monitor> monitor;
        if (auto surface = get_surface())
            monitor = display->get_monitor_at_surface(surface);
        if (!monitor && display->get_monitors()->get_n_items() > 0)
            monitor = std::dynamic_pointer_cast<Gdk::Monitor>(display->get_monitors()->get_object(0));
        if (monitor)
            monitor->get_geometry(area);
        return PixelPoint{centredOn(area, width, 0).x, area.get_y()};
    });
}

void Form1::cmdBack_Click()
{
    if (WebBrowser1->GoBack())
        cmdForward.set_sensitive(true);
    else
        cmdBack.set_sensitive(false);
}

void Form1::cmdForward_Click()
{
    if (WebBrowser1->GoForward())
        cmdBack.set_sensitive(true);
    else
        cmdForward.set_sensitive(false);
}

void Form1::cmdstop_Click()
{
    if (cmdstop.caption() == "STOP")
        WebBrowser1->Stop();
    else
        WebBrowser1->Refresh();
}

void Form1::VideoSoftElastic5_Click()
{
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::IntroPage));
}

void Form1::Combo1_Click()
{
    WebBrowser1->Navigate(Combo1.get_active_text());
}

void Form1::Combo1_KeyPress(int& keyAscii)
{
    if (keyAscii == 13)
        Combo1_Click(); // a text that names nothing loadable is simply ignored
}

void Form1::falante1_Click()
{
    openAboutWindow();
}

void Form1::falante2_Click()
{
    openAboutWindow();
}

void Form1::openAboutWindow()
{
    m_about = makeAboutWindow(*this);
    m_about->present();
}

void Form1::Timer2_Timer()
{
    const int look = SpeakerPhase == 1 ? kAlternateLook : kRestingLook;
    falante1.setPictureLook(look);
    falante2.setPictureLook(look);
    SpeakerPhase = SpeakerPhase == 1 ? 0 : 1;
}

void Form1::WebBrowser1_DownloadBegin()
{
    cmdstop.setCaption("STOP");
    rodape.setCaption(" Receiving...");
    Timer2.start();
}

void Form1::WebBrowser1_DownloadComplete()
{
    cmdstop.setCaption("RELOAD");
    rodape.setCaption(" Page received !");
    Timer2.stop();
    falante1.setPictureLook(kRestingLook);
    falante2.setPictureLook(kRestingLook);
}

void Form1::WebBrowser1_NavigateComplete2(const std::string& url)
{
    cmdBack.set_sensitive(true);
    CurrentUrl = url;
}

void Form1::WebBrowser1_NewWindow2(bool& cancel)
{
    cancel = true;
}

void Form1::WebBrowser1_StatusTextChange(const std::string& text)
{
    rodape.setCaption(text);
}

// The page was refused the files it asked for; the child is told why nothing opened.
void Form1::WebBrowser1_FilesRefused()
{
    rodape.setCaption(" This browser does not send files.");
}

void Form1::WebBrowser1_TitleChange(const std::string& text)
{
    set_title(text + " - Tobrin 2.0");
    CurrentTitle = text;
}
