#pragma once

#include "shell/app_context.h"

#include <QString>
#include <QWidget>

class ElasticPanel;
class Form2;
class QComboBox;
class QTimer;
class SessionLog;
class WebView;

// The browser window, drawn as a television set: the page is the screen,
// below it the speakers, the address box and two rows of buttons.
//
// Handlers keep the names the rest of the team uses for them. Most live in
// browser_window.cpp; those whose behaviour belongs to another part of the
// product are defined in that part's folder (noted below), next to the rest
// of that behaviour.
class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(const AppContext& context, QWidget* parent = nullptr);
    ~Form1() override;

    const AppContext& context() const { return m_context; }

    // The control panel. The first reference creates it and runs its load
    // step, hidden; it then lives as long as this window.
    Form2& panel();
    bool panelLoaded() const { return m_panel != nullptr; }

    // The surf log as this session writes it.
    SessionLog& sessionLog() const { return *m_sessionLog; }

    // --- controls ----------------------------------------------------------
    ElasticPanel* rodape;            // the frame; its caption is the status line
    WebView* WebBrowser1;            // the screen
    ElasticPanel* falante1;          // left speaker
    ElasticPanel* VideoSoftElastic6; // "ON": quit
    QComboBox* Combo1;               // address box; its list is the history
    ElasticPanel* VideoSoftElastic8; // "RC": way to the control panel
    ElasticPanel* falante2;          // right speaker
    ElasticPanel* VideoSoftElastic5; // "Home"
    ElasticPanel* cmdBack;           // "<<"
    ElasticPanel* cmdstop;           // "STOP" / "RELOAD"
    ElasticPanel* cmdForward;        // ">>"
    ElasticPanel* cmdBookMarks;      // "Favorites"
    QTimer* Timer1;                  // time control check
    QTimer* Timer2;                  // speaker animation

    QString CurrentTitle; // the page title reported last
    QString CurrentUrl;   // the address of the last completed navigation
    int SpeakerPhase = 0; // which look the next animation step shows

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
    void WebBrowser1_NavigateComplete2(const QString& url);
    void WebBrowser1_NewWindow2(bool& cancel);
    void WebBrowser1_StatusTextChange(const QString& text);
    void WebBrowser1_FilesRefused();
    void WebBrowser1_TitleChange(const QString& text);

    // filter/: the address check before every navigation.
    void WebBrowser1_BeforeNavigate2(const QString& url, bool& cancel);
    // favorites/: the Favorites button.
    void cmdBookMarks_Click();
    // password/: the RC button, the way into the control panel.
    void VideoSoftElastic8_Click();
    // timecontrol/: the once-a-minute schedule check.
    void Timer1_Timer();
    // surflog/: what earlier sessions still owe the log and this session's
    // journal (before the start page is requested), the session-start record
    // (load step 8), the ON button and the window's close request.
    void SurfLogBegin();
    void SurfLogStart();
    void VideoSoftElastic6_Click();
    void Form_Unload(bool& cancel);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // surflog/: writes the end record, asks, and on Yes ends the program;
    // returns whether the program is ending.
    bool QuitSequence(bool byCloseRequest);

    // filter/: hands the panel's words and switch to the page view's check of
    // every other request, now and after each change.
    void followAddressControl(Form2& form2);

    void buildControls();
    void placeOnScreen();
    void openAboutWindow();

    AppContext m_context;
    Form2* m_panel = nullptr;
    SessionLog* m_sessionLog;
    bool m_enterPending = false; // Enter already navigated; ignore the box's own echo
    bool m_sessionEnded = false; // a quit was confirmed: nothing more is written or asked
};
