#pragma once

#include "platform/page_engine.h"
#include "platform/web_view.h"

#include <gtkmm/label.h>
#include <gtkmm/stack.h>
#include <webkit/webkit.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The page view over WebKitGTK. Every navigation of the page, main frame or
// frame, typed, followed, scripted, redirected or from the history, passes
// through BeforeNavigate2 before it starts; new windows never open. Pages
// show only http and https addresses and the files of the installation's
// page folder; every request of the page meets the blocked words before it
// is sent. A page never gets a file of the computer (picked, dropped or
// pasted), prints nothing, and downloads nothing.
class WebKitView final : public WebView
{
public:
    // localPages: the folder whose files may be shown besides web pages (the
    // installation's html/ folder); without one, no local file is shown.
    explicit WebKitView(PageEngine& engine, std::filesystem::path localPages = {});
    ~WebKitView() override;

    bool Navigate(const std::string& address) override;
    bool GoBack() override;
    bool GoForward() override;
    void Stop() override;
    void Refresh() override;
    // The words hold for every view of the engine.
    void setBlockedWords(std::shared_ptr<const BlockedWords> words) override;
    void holdNavigations(bool hold) override;

    WebKitWebView* engineView() const { return m_view; }

    // What typed text names, read as an address bar reads it: a bare host
    // gets "http://", an absolute path becomes a file address, anything else
    // stays as typed. Empty when it names nothing ("http://", blank text).
    static std::string addressBarUri(std::string_view text);

    // The text every event gives for an address of the engine (which spells
    // it with %-escapes and a punycode host): an address typed into this view
    // exactly as it was typed, any other as a person reads it.
    std::string shownAddress(std::string_view uri) const;

    // Whether the address may be shown when typed, or when a page leads
    // itself or one of its frames there (which may also go blank).
    bool mayShow(std::string_view uri, bool typed) const;

protected:
    // Hidden (a blocked half-hour), the page sleeps: its process ends, so it
    // neither sounds nor sends; an address asked for meanwhile waits. Shown
    // again, that address or the page it left loads afresh.
    void on_hide() override;
    void on_show() override;

private:
    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                   WebKitView*);
    static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, WebKitView*);
    static void onTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, WebKitView*);
    static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, WebKitHitTestResult*,
                                  WebKitView*);
    static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction*, WebKitView*);
    static gboolean onFileChooser(WebKitWebView*, WebKitFileChooserRequest*, WebKitView*);
    static void onHover(WebKitWebView*, WebKitHitTestResult*, guint, WebKitView*);
    static void onTitle(WebKitWebView*, GParamSpec*, WebKitView*);
    static void onUri(WebKitWebView*, GParamSpec*, WebKitView*);

    bool navigationAllowed(WebKitNavigationAction* action);
    void decideNavigation(WebKitPolicyDecision* decision);
    bool goInHistory(gboolean (*can)(WebKitWebView*), void (*go)(WebKitWebView*));
    void showPage();
    void showStopped(const char* why);
    // Whether the response comes from a process that checks the page's requests.
    bool checked(WebKitResponsePolicyDecision* response) const;

    PageEngine& m_engine;
    std::filesystem::path m_localPages;
    WebKitUserContentManager* m_content = nullptr;
    WebKitWebView* m_view = nullptr;
    Gtk::Stack m_stack;
    Gtk::Label m_stopped;
    std::string m_status;  // the hovered link last reported
    std::string m_reached; // the address last reported as reached
    bool m_loading = false;
    bool m_asleep = false;
    bool m_held = false;
    std::vector<WebKitPolicyDecision*> m_waiting; // navigations held, oldest first
    std::string m_onWaking; // typed while asleep, gone to on waking
    // The addresses typed lately, as the engine spells them and as typed.
    std::vector<std::pair<std::string, std::string>> m_typed;
};
