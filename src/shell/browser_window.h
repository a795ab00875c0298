#pragma once

#include "platform/elastic_panel.h"
#include "shell/app_context.h"
#include "shell/timer.h"

#include <gtkmm/comboboxtext.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>

class Form2;
class SurfRecords;
class WebView;

// The browser window, drawn as a television set: the page is the screen,
// below it the speakers, the address box and two rows of buttons.
// Handlers keep the names the rest of the team uses for them; those that
// call into one subsystem sit in a file of their own beside this one.
class Form1 : public Gtk::Window
{
public:
    explicit Form1(const AppContext& context);
    ~Form1() override;

    const AppContext& context() const { return m_context; }

    // The control panel. The first reference creates it and runs its load
    // step, hidden; it then lives as long as this window.
    Form2& panel();
    bool panelLoaded() const { return m_panel != nullptr; }

    // The surf log as this session writes it.
    SurfRecords& sessionLog() const { return *m_sessionLog; }

    // The addresses of the history, in the box's list order.
    std::vector<std::string> history() const;

    // --- controls ----------------------------------------------------------
    ElasticPanel rodape;            // the frame; its caption is the status line
    std::unique_ptr<WebView> WebBrowser1; // the screen
    ElasticPanel falante1;          // left speaker
    ElasticPanel VideoSoftElastic6; // "ON": quit
    Gtk::ComboBoxText Combo1;       // address box; its list is the history
    ElasticPanel VideoSoftElastic8; // "RC": way to the control panel
    ElasticPanel falante2;          // right speaker
    ElasticPanel VideoSoftElastic5; // "Home"
    ElasticPanel cmdBack;           // "<<"
    ElasticPanel cmdstop;           // "STOP" / "RELOAD"
    ElasticPanel cmdForward;        // ">>"
    ElasticPanel cmdBookMarks;      // "Favorites"
    Timer Timer1;                   // time control check
    Timer Timer2;                   // speaker animation

    std::string CurrentTitle; // the page title reported last
    std::string CurrentUrl;   // the address of the last completed navigation
    int SpeakerPhase = 0;     // which look the next animation step shows

    // --- handlers ----------------------------------------------------------
    void Form_Load();
    void cmdBack_Click();
    void cmdForward_Click();
    void cmdstop_Click();
    void VideoSoftElastic5_Click();
    void Combo1_Click();
    void Combo1_KeyPress(int& keyAscii);
    void falante1_Click();
    void falante2_Click();
    void Timer2_Timer();
    void WebBrowser1_DownloadBegin();
    void WebBrowser1_DownloadComplete();
    void WebBrowser1_NavigateComplete2(const std::string& url);
    void WebBrowser1_NewWindow2(bool& cancel);
    void WebBrowser1_StatusTextChange(const std::string& text);
    void WebBrowser1_FilesRefused();
    void WebBrowser1_TitleChange(const std::string& text);

    // address_check.cpp: the address check before every navigation.
    void WebBrowser1_BeforeNavigate2(const std::string& url, bool& cancel);
    // favorites_mode.cpp: the Favorites button, and the panel's switch.
    void cmdBookMarks_Click();
    void Form2_FavoritesOnly(bool on);
    // panel_path.cpp: the RC button, the way into the control panel.
    void VideoSoftElastic8_Click();
    // time_check.cpp: the once-a-minute schedule check, and the panel's
    // switch that suspends it.
    void Timer1_Timer();
    void Form2_TimeControlStopped(bool stopped);
    // session_records.cpp: what earlier sessions still owe the log and this
    // session's journal (before the start page is requested), the
    // session-start record, the ON button and the window's close request.
    void SurfLogBegin();
    void SurfLogStart();
    void VideoSoftElastic6_Click();
    void Form_Unload(bool& cancel);

private:
    // session_records.cpp: writes the end record, asks, and on Yes ends the
    // program; returns whether the program is ending.
    bool QuitSequence(bool byCloseRequest);
    // address_check.cpp: hands the panel's words and switch to the page
    // view's check of every other request, now and after each change.
    void followAddressControl(Form2& form2);
    // The history as the box lists it, with each new address kept in the log.
    void addToHistory(const std::string& url);
    void setEditText(const std::string& text);

    void buildControls();
    void placeOnScreen();
    void openAboutWindow();

    AppContext m_context;
    std::unique_ptr<SurfRecords> m_sessionLog;
    std::unique_ptr<Form2> m_panel;
    std::unique_ptr<Gtk::Window> m_about;
    std::vector<std::string> m_history;
    bool m_sessionEnded = false; // a quit was confirmed: nothing more is written or asked
    bool m_settingText = false;  // the program, not the child, changes the box
};
