#include "platform/webkit_view.h"

#include "platform/address_text.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// A file pasted (a file link's copied address is one) or dropped on the page
// would reach its scripts, and a dropped one its upload fields: neither event
// reaches the page, and a drop is told to the view. Listening first, from a
// world of its own, the script cannot be undone by the page.
constexpr char NoPastedOrDroppedFiles[] =
    "addEventListener('paste', e => { if (e.clipboardData?.files.length) {"
    " e.stopImmediatePropagation(); e.preventDefault(); } }, true);"
    "addEventListener('drop', e => { if (e.dataTransfer?.files.length) {"
    " e.stopImmediatePropagation(); e.preventDefault();"
    " webkit.messageHandlers.filesRefused.postMessage(0); } }, true);";

// What the page's menu may keep: whatever stays in this window and on the
// clipboard. Opening elsewhere, saving to disk and the inspector go.
constexpr std::array KeptMenuActions{
    WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_GO_BACK,
    WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD,
    WEBKIT_CONTEXT_MENU_ACTION_STOP,
    WEBKIT_CONTEXT_MENU_ACTION_RELOAD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY,
    WEBKIT_CONTEXT_MENU_ACTION_CUT,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE,
    WEBKIT_CONTEXT_MENU_ACTION_PASTE_AS_PLAIN_TEXT,
    WEBKIT_CONTEXT_MENU_ACTION_DELETE,
    WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL,
    WEBKIT_CONTEXT_MENU_ACTION_INSERT_EMOJI,
    WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS,
    WEBKIT_CONTEXT_MENU_ACTION_NO_GUESSES_FOUND,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_SPELLING,
    WEBKIT_CONTEXT_MENU_ACTION_LEARN_SPELLING,
    WEBKIT_CONTEXT_MENU_ACTION_IGNORE_GRAMMAR,
    WEBKIT_CONTEXT_MENU_ACTION_TOGGLE_MEDIA_CONTROLS,
    WEBKIT_CONTEXT_MENU_ACTION_TOGGLE_MEDIA_LOOP,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_PLAY,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_PAUSE,
    WEBKIT_CONTEXT_MENU_ACTION_MEDIA_MUTE,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_VIDEO_LINK_TO_CLIPBOARD,
    WEBKIT_CONTEXT_MENU_ACTION_COPY_AUDIO_LINK_TO_CLIPBOARD,
};

std::string lowerScheme(std::string_view uri)
{
    std::string scheme(uri.substr(0, uri.find(':')));
    std::ranges::transform(scheme, scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    return scheme;
}

bool isSchemeName(std::string_view text)
{
    return !text.empty() && std::isalpha(static_cast<unsigned char>(text[0])) &&
           std::ranges::all_of(text, [](unsigned char c) {
               return std::isalnum(c) || c == '+' || c == '-' || c == '.';
           });
}

// "localhost:8080/x" is a host and its port, not an address of scheme "localhost".
bool startsWithPort(std::string_view text)
{
    const auto digits =
        std::ranges::find_if_not(text, [](unsigned char c) { return std::isdigit(c); });
    return digits != text.begin() &&
           (digits == text.end() ||
            std::string_view("/?#").find(*digits) != std::string_view::npos);
}

// The engine's own spelling of an address: what its requests and history
// will carry for it.
std::string engineSpelling(const std::string& uri)
{
    WebKitURIRequest* request = webkit_uri_request_new(uri.c_str());
    const char* spelled = webkit_uri_request_get_uri(request);
    std::string result = spelled ? spelled : uri;
    g_object_unref(request);
    return result;
}

constexpr char Crashed[] = "This page stopped working.";
constexpr char Unchecked[] =
    "This page cannot be shown: the browser could not check what it loads.";

// Enough to go back and forth over the addresses a child types in a session.
constexpr std::size_t TypedKept = 64;

// Drops separators that the removal left at either end or side by side.
void tidySeparators(WebKitContextMenu* menu)
{
    bool previousSeparator = true;
    for (GList* item = webkit_context_menu_get_items(menu); item;) {
        GList* next = item->next;
        auto* entry = WEBKIT_CONTEXT_MENU_ITEM(item->data);
        const bool separator = webkit_context_menu_item_is_separator(entry);
        if (separator && (previousSeparator || !next))
            webkit_context_menu_remove(menu, entry);
        else
            previousSeparator = separator;
        item = next;
    }
}

} // namespace

WebKitView::WebKitView(PageEngine& engine, std::filesystem::path localPages)
    : m_engine(engine),
      m_localPages(localPages.empty() ? localPages : localPages.lexically_normal())
{
    m_content = webkit_user_content_manager_new();
    WebKitUserScript* noFiles = webkit_user_script_new_for_world(
        NoPastedOrDroppedFiles, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, "tobrin", nullptr, nullptr);
    webkit_user_content_manager_add_script(m_content, noFiles);
    webkit_user_script_unref(noFiles);
    webkit_user_content_manager_register_script_message_handler(m_content, "filesRefused",
                                                                "tobrin");
    g_signal_connect(m_content, "script-message-received::filesRefused",
                     G_CALLBACK(+[](WebKitUserContentManager*, JSCValue*, WebKitView* self) {
                         self->signal_FilesRefused().emit();
                     }),
                     this);
    m_engine.attach(m_content);

    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    webkit_settings_set_enable_fullscreen(settings, FALSE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    m_view = WEBKIT_WEB_VIEW(g_object_ref_sink(g_object_new(
        WEBKIT_TYPE_WEB_VIEW, "web-context", engine.context(), "network-session", engine.session(),
        "settings", settings, "user-content-manager", m_content, nullptr)));
    g_object_unref(settings);

    g_signal_connect(m_view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(m_view, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(m_view, "web-process-terminated", G_CALLBACK(onTerminated), this);
    g_signal_connect(m_view, "context-menu", G_CALLBACK(onContextMenu), this);
    g_signal_connect(m_view, "create", G_CALLBACK(onCreate), this);
    g_signal_connect(m_view, "run-file-chooser", G_CALLBACK(onFileChooser), this);
    g_signal_connect(m_view, "mouse-target-changed", G_CALLBACK(onHover), this);
    g_signal_connect(m_view, "notify::title", G_CALLBACK(onTitle), this);
    g_signal_connect(m_view, "notify::uri", G_CALLBACK(onUri), this);
    // Printing would open the system's dialog, with its files and printers.
    g_signal_connect(m_view, "print",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPrintOperation*) { return TRUE; }),
                     nullptr);
    // Camera, microphone, location, notifications and the like: never asked, always no.
    g_signal_connect(m_view, "permission-request",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request) {
                         webkit_permission_request_deny(request);
                         return TRUE;
                     }),
                     nullptr);

    m_stopped.set_name("PageStopped");
    gtk_stack_add_child(m_stack.gobj(), GTK_WIDGET(m_view));
    m_stack.add(m_stopped);
    m_stack.set_hexpand(true);
    m_stack.set_vexpand(true);
    append(m_stack);
}

WebKitView::~WebKitView()
{
    for (WebKitPolicyDecision* decision : m_waiting) {
        webkit_policy_decision_ignore(decision);
        g_object_unref(decision);
    }
    g_signal_handlers_disconnect_by_data(m_view, this);
    g_signal_handlers_disconnect_by_data(m_content, this);
    m_engine.detach(m_content);
    g_object_unref(m_view);
    g_object_unref(m_content);
}

std::string WebKitView::addressBarUri(std::string_view text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return {};
    if (text.front() == '/') {
        gchar* uri = g_filename_to_uri(std::string(text).c_str(), nullptr, nullptr);
        std::string result = uri ? uri : "";
        g_free(uri);
        return result;
    }
    const std::size_t colon = text.find(':');
    const bool schemed = colon != std::string_view::npos && isSchemeName(text.substr(0, colon)) &&
                         !startsWithPort(text.substr(colon + 1));
    std::string uri = schemed ? std::string(text) : "http://" + std::string(text);
    const std::string scheme = lowerScheme(uri);
    if (scheme == "http" || scheme == "https") {
        // A web address names a host: "http://" alone names nothing.
        const std::string_view rest = std::string_view(uri).substr(scheme.size() + 1);
        if (!rest.starts_with("//") || rest.size() == 2 ||
            std::string_view("/?#").find(rest[2]) != std::string_view::npos)
            return {};
    }
    return uri;
}

bool WebKitView::mayShow(std::string_view uri, bool typed) const
{
    const std::string scheme = lowerScheme(uri);
    if (scheme == "http" || scheme == "https")
        return true;
    if (scheme == "file") {
        if (m_localPages.empty())
            return false;
        // A file of the page folder, not a listing of it or of what lies
        // around it (the parent's lists and the surf log are files too).
        const std::string bare(uri.substr(0, uri.find_first_of("?#")));
        gchar* hostname = nullptr;
        gchar* name = g_filename_from_uri(bare.c_str(), &hostname, nullptr);
        const bool local = name && (!hostname || g_strcmp0(hostname, "localhost") == 0);
        const std::filesystem::path path =
            name ? std::filesystem::path(name).lexically_normal() : std::filesystem::path();
        g_free(name);
        g_free(hostname);
        const std::filesystem::path inside = path.lexically_relative(m_localPages);
        std::error_code error;
        return local && !inside.empty() && *inside.begin() != ".." && inside != "." &&
               !std::filesystem::is_directory(path, error);
    }
    // Pages make frames of their own with these; they load nothing.
    return !typed && (uri == "about:blank" || uri == "about:srcdoc");
}

std::string WebKitView::shownAddress(std::string_view uri) const
{
    const auto typed = std::ranges::find(m_typed, uri, &std::pair<std::string, std::string>::first);
    return typed != m_typed.end() ? typed->second : readableAddress(uri);
}

bool WebKitView::Navigate(const std::string& address)
{
    const std::string uri = addressBarUri(address);
    if (uri.empty())
        return false;
    if (m_asleep) {
        m_onWaking = address;
        return true;
    }
    // Refused here, before the engine sees it: a typed "javascript:" address
    // would otherwise run in the page on screen without any navigation.
    if (!mayShow(uri, true)) {
        bool cancel = true;
        signal_BeforeNavigate2().emit(uri, cancel);
        return false;
    }
    // The engine sends its own spelling; every event names it as typed.
    std::string spelled = engineSpelling(uri);
    std::erase_if(m_typed, [&spelled](const auto& typed) { return typed.first == spelled; });
    if (m_typed.size() == TypedKept)
        m_typed.erase(m_typed.begin());
    m_typed.emplace_back(std::move(spelled), uri);
    showPage();
    webkit_web_view_load_uri(m_view, uri.c_str());
    return true;
}

bool WebKitView::GoBack()
{
    return goInHistory(webkit_web_view_can_go_back, webkit_web_view_go_back);
}

bool WebKitView::GoForward()
{
    return goInHistory(webkit_web_view_can_go_forward, webkit_web_view_go_forward);
}

bool WebKitView::goInHistory(gboolean (*can)(WebKitWebView*), void (*go)(WebKitWebView*))
{
    if (m_asleep || !can(m_view))
        return false;
    showPage();
    go(m_view);
    return true;
}

void WebKitView::Stop()
{
    webkit_web_view_stop_loading(m_view);
}

void WebKitView::Refresh()
{
    if (m_asleep)
        return; // waking reloads the page anyway
    showPage();
    webkit_web_view_reload(m_view);
}

void WebKitView::setBlockedWords(std::shared_ptr<const BlockedWords> words)
{
    m_engine.setBlockedWords(std::move(words));
}

void WebKitView::showPage()
{
    gtk_stack_set_visible_child(m_stack.gobj(), GTK_WIDGET(m_view));
}

bool WebKitView::navigationAllowed(WebKitNavigationAction* action)
{
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string url = uri ? uri : "";
    const std::string text = shownAddress(url);
    // The engine does not say which frame a navigation is for: a page's own
    // navigation may be a frame's, which may be blank.
    const bool shown = mayShow(url, false);
    // The handler meets the words with the text it is given; a word the
    // parent typed in another spelling of the address (as the engine sends
    // it, or as read) must refuse it just the same.
    const std::string readable = readableAddress(url);
    bool cancel = !shown || (text != url && m_engine.blocks(url)) ||
                  (text != readable && m_engine.blocks(readable));
    signal_BeforeNavigate2().emit(text, cancel);
    return shown && !cancel;
}

void WebKitView::decideNavigation(WebKitPolicyDecision* decision)
{
    auto* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    if (navigationAllowed(action))
        webkit_policy_decision_use(decision);
    else
        webkit_policy_decision_ignore(decision);
}

void WebKitView::holdNavigations(bool hold)
{
    m_held = hold;
    while (!m_held && !m_waiting.empty()) {
        WebKitPolicyDecision* decision = m_waiting.front();
        m_waiting.erase(m_waiting.begin());
        decideNavigation(decision);
        g_object_unref(decision);
    }
}

gboolean WebKitView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, WebKitView* self)
{
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
        // The engine waits for a decision kept for later.
        if (self->m_held)
            self->m_waiting.push_back(WEBKIT_POLICY_DECISION(g_object_ref(decision)));
        else
            self->decideNavigation(decision);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
        // This browser has one window; refusing here opens nothing and sends nothing.
        bool cancel = false;
        self->signal_NewWindow2().emit(cancel);
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE: {
        // Only what the view can show is taken: anything else would become a
        // file on the computer.
        auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        if (!self->checked(response)) {
            webkit_policy_decision_ignore(decision);
            self->showStopped(Unchecked);
            return TRUE;
        }
        SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(
            webkit_response_policy_decision_get_response(response));
        const char* disposition =
            headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
        const bool attachment =
            disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
        if (webkit_response_policy_decision_is_mime_type_supported(response) && !attachment)
            webkit_policy_decision_use(decision);
        else
            webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void WebKitView::onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, WebKitView* self)
{
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        self->m_loading = true;
        self->signal_DownloadBegin().emit();
        break;
    case WEBKIT_LOAD_COMMITTED: {
        const char* uri = webkit_web_view_get_uri(view);
        self->m_reached = uri ? uri : "";
        self->signal_NavigateComplete2().emit(self->shownAddress(self->m_reached));
        break;
    }
    case WEBKIT_LOAD_FINISHED:
        self->m_loading = false;
        self->signal_DownloadComplete().emit();
        break;
    default:
        break;
    }
}

bool WebKitView::checked(WebKitResponsePolicyDecision* response) const
{
    // Frames live in the process of their page, which was checked itself;
    // about: documents fetch nothing.
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response))
        return true;
    const char* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
    const std::string_view address = uri ? uri : "";
    if (lowerScheme(address) == "about" || m_engine.watched(address))
        return true;
    static bool told = false;
    if (!std::exchange(told, true))
        g_warning("a page process runs without the request check (is the webext module "
                  "installed beside the program?): its pages are not shown");
    return false;
}

void WebKitView::showStopped(const char* why)
{
    // Until the next address the child sees a plain message instead of a
    // frozen, empty or unchecked page.
    // Light on the screen's black, whatever the window's colours.
    m_stopped.set_markup(std::string("<span foreground='#E0E0E0'>") + why + "</span>");
    m_stack.set_visible_child(m_stopped);
}

void WebKitView::on_hide()
{
    WebView::on_hide();
    m_asleep = true;
    m_onWaking.clear();
    webkit_web_view_set_is_muted(m_view, TRUE);
    webkit_web_view_stop_loading(m_view); // a load under way ends as a stopped one
    if (webkit_web_view_get_uri(m_view))
        webkit_web_view_terminate_web_process(m_view);
}

void WebKitView::on_show()
{
    WebView::on_show();
    if (!std::exchange(m_asleep, false))
        return;
    webkit_web_view_set_is_muted(m_view, FALSE);
    if (!m_onWaking.empty())
        Navigate(std::exchange(m_onWaking, {}));
    else if (webkit_web_view_get_uri(m_view))
        Refresh();
}

void WebKitView::onTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                              WebKitView* self)
{
    // The engine starts a new process for the next address; a load the
    // process took with it never finishes on its own.
    if (!self->m_asleep || reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API)
        self->showStopped(Crashed);
    if (self->m_loading) {
        self->m_loading = false;
        self->signal_DownloadComplete().emit();
    }
}

gboolean WebKitView::onContextMenu(WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*,
                                   WebKitView*)
{
    for (GList* item = webkit_context_menu_get_items(menu); item;) {
        GList* next = item->next;
        auto* entry = WEBKIT_CONTEXT_MENU_ITEM(item->data);
        if (!webkit_context_menu_item_is_separator(entry) &&
            std::ranges::find(KeptMenuActions, webkit_context_menu_item_get_stock_action(entry)) ==
                KeptMenuActions.end())
            webkit_context_menu_remove(menu, entry);
        item = next;
    }
    tidySeparators(menu);
    return webkit_context_menu_get_n_items(menu) == 0;
}

GtkWidget* WebKitView::onCreate(WebKitWebView*, WebKitNavigationAction*, WebKitView* self)
{
    bool cancel = false;
    self->signal_NewWindow2().emit(cancel);
    return nullptr; // the page's window.open() gets null
}

gboolean WebKitView::onFileChooser(WebKitWebView*, WebKitFileChooserRequest* request,
                                   WebKitView* self)
{
    // The engine's answer would be a file dialog, which browses, renames and
    // deletes the computer's files.
    webkit_file_chooser_request_cancel(request);
    self->signal_FilesRefused().emit();
    return TRUE;
}

void WebKitView::onHover(WebKitWebView*, WebKitHitTestResult* hit, guint, WebKitView* self)
{
    const char* link = webkit_hit_test_result_context_is_link(hit)
                           ? webkit_hit_test_result_get_link_uri(hit)
                           : nullptr;
    const std::string text = link ? link : "";
    if (text == self->m_status)
        return;
    self->m_status = text;
    self->signal_StatusTextChange().emit(text);
}

void WebKitView::onUri(WebKitWebView* view, GParamSpec*, WebKitView* self)
{
    // Outside a load the address changes only within the page (an anchor, a
    // script's history entry): reached at once. During a load it names what
    // was only asked for.
    const char* uri = webkit_web_view_get_uri(view);
    if (webkit_web_view_is_loading(view) || !uri || self->m_reached == uri)
        return;
    self->m_reached = uri;
    self->signal_NavigateComplete2().emit(self->shownAddress(self->m_reached));
}

void WebKitView::onTitle(WebKitWebView* view, GParamSpec*, WebKitView* self)
{
    const char* title = webkit_web_view_get_title(view);
    self->signal_TitleChange().emit(title ? title : "");
}
