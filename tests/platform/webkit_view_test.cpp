#include "local_http_server.h"
#include "platform/webkit_view.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <gtkmm/init.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// The engine starts slowly on a busy machine; a page that never comes still fails.
constexpr int Patience = 30000;

// Runs the main loop until the condition holds or the patience runs out.
bool until(const std::function<bool()>& condition, int ms = Patience)
{
    const gint64 end = g_get_monotonic_time() + gint64(ms) * 1000;
    const guint tick = g_timeout_add(
        10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (!condition() && g_get_monotonic_time() < end)
        g_main_context_iteration(nullptr, TRUE);
    g_source_remove(tick);
    return condition();
}

void settle(int ms)
{
    until([] { return false; }, ms);
}

std::string html(const std::string& title, const std::string& body = {})
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

// One engine for the whole program, as the browser has; its folders are the test's own.
PageEngine& engine()
{
    static ScratchDir folder;
    const char* build = std::getenv("TOBRIN_BUILD_DIR");
    static PageEngine shared(
        {folder / "data", folder / "cache", std::filesystem::path(build ? build : ".") / "webext"});
    return shared;
}

// The real page view in a window, with every event it raises written down in
// order; its before-navigate handler refuses what the address filter would:
// addresses holding "/forbidden" or one of the blocked words.
struct Watched
{
    explicit Watched(const std::filesystem::path& localPages = {}) : view(engine(), localPages)
    {
        window.set_default_size(480, 320);
        window.set_child(view);
        window.present();
        view.signal_BeforeNavigate2().connect([this](const std::string& url, bool& cancel) {
            events.push_back((cancel ? "refused " : "before ") + url);
            if (url.find("/forbidden") != std::string::npos ||
                std::ranges::any_of(words, [&](auto& w) { return url.find(w) != url.npos; }))
                cancel = true;
        });
        note(view.signal_DownloadBegin(), "begin");
        note(view.signal_DownloadComplete(), "complete");
        note(view.signal_NavigateComplete2(), "done");
        note(view.signal_TitleChange(), "title");
        note(view.signal_FilesRefused(), "no files");
        view.signal_NewWindow2().connect([this](bool&) { events.push_back("new window"); });
    }
    template <typename... Text> void note(sigc::signal<void(Text...)>& signal, std::string name)
    {
        signal.connect(
            [this, name](Text... text) { events.push_back((name + ... + (" " + text))); });
    }
    int count(const std::string& event) const { return int(std::ranges::count(events, event)); }
    bool saw(const std::string& event) const { return count(event) > 0; }
    // Runs the step and, if it was taken, waits until every load begun has ended.
    bool loads(const std::function<bool()>& step)
    {
        events.clear();
        if (!step())
            return false;
        until([&] { return count("complete") > 0 && count("complete") == count("begin"); });
        settle(150); // a frame or a redirect may begin one more
        return count("complete") > 0 && count("complete") == count("begin");
    }
    bool navigates(const std::string& address)
    {
        return loads([&] { return view.Navigate(address); });
    }
    void run(const std::string& script)
    {
        webkit_web_view_evaluate_javascript(view.engineView(), script.c_str(), -1, nullptr, nullptr,
                                            nullptr, nullptr, nullptr);
    }

    void block(WebView::BlockedWords list)
    {
        words = list;
        view.setBlockedWords(std::make_shared<const WebView::BlockedWords>(std::move(list)));
    }

    Gtk::Window window;
    WebKitView view;
    std::vector<std::string> events;
    WebView::BlockedWords words;
};

class WebKitViewTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Gtk::init_gtkmm_internals(); // the shared test main starts plain GTK
        s_server = new LocalHttpServer;
        s_server->page("/a", html("Page A", "<iframe src='/frame'></iframe>"));
        s_server->page("/b", html("Page B", "<input type=file>"));
        s_server->reply("/slow", {200, html("Slow"), "text/html", {}, 60000});
    }
    static void TearDownTestSuite() { delete s_server; }
    static std::string at(const std::string& path) { return s_server->url(path); }
    static inline LocalHttpServer* s_server = nullptr;
};

} // namespace

TEST_F(WebKitViewTest, EveryLoadBeginsCompletesAndReportsWhereItGot)
{
    Watched w;
    EXPECT_FALSE(w.view.GoBack() || w.view.GoForward()); // no history yet
    ASSERT_TRUE(w.navigates(at("/a").substr(7)));        // as a bare host name
    EXPECT_EQ(w.events.front(), "before " + at("/a"));
    EXPECT_TRUE(w.saw("before " + at("/frame")) && w.saw("title Page A"));
    ASSERT_TRUE(w.navigates(at("/b")));
    ASSERT_TRUE(w.loads([&] { return w.view.GoBack(); }));
    EXPECT_TRUE(w.saw("done " + at("/a")));
    ASSERT_TRUE(w.loads([&] { return w.view.GoForward(); }));
    EXPECT_TRUE(w.saw("done " + at("/b")));
    EXPECT_FALSE(w.view.GoForward());
    ASSERT_TRUE(w.loads([&] { return w.view.Refresh(), true; }));
    EXPECT_EQ(w.count("done " + at("/b")), 1);
    // A stopped load completes without arriving anywhere.
    ASSERT_TRUE(w.loads([&] {
        return w.view.Navigate(at("/slow")) && until([] { return s_server->heard("/slow"); }) &&
               (w.view.Stop(), true);
    }));
    EXPECT_FALSE(w.saw("done " + at("/slow")));
}

// Every way a page is left asks first, and a refusal means the server never
// hears of the address; an allowed one goes through.
TEST_F(WebKitViewTest, EveryNavigationAsksFirstAndARefusalSendsNothing)
{
    const std::vector<std::pair<std::string, std::string>> ways{
        {"typed", ""},
        {"link", "document.body.appendChild(Object.assign(document.createElement('a'), "
                 "{href: T})).click()"},
        {"script", "location.href = T"},
        {"redirect", "location.href = '/hop' + T.slice(1)"},
        {"meta-refresh", "document.head.insertAdjacentHTML('beforeend', "
                         "'<meta http-equiv=refresh content=\"0;url=' + T + '\">')"},
        {"frame",
         "document.body.append(Object.assign(document.createElement('iframe'), {src: T}))"},
        {"form-post", "document.body.insertAdjacentHTML('beforeend', '<form method=post>"
                      "<input name=q value=1></form>'); document.forms[0].action = T; "
                      "document.forms[0].submit()"},
    };
    Watched w;
    for (const auto& [way, script] : ways) {
        for (const std::string verdict : {"forbidden-", "fine-"}) {
            SCOPED_TRACE(verdict + way);
            const std::string target = "/" + verdict + way;
            s_server->redirect("/hop" + target.substr(1), target);
            ASSERT_TRUE(w.navigates(at("/b")));
            w.events.clear();
            if (script.empty())
                w.view.Navigate(at(target));
            else
                w.run("T = '" + target + "'; " + script);
            if (verdict == "fine-") {
                EXPECT_TRUE(until([&] { return s_server->heard(target); }));
            } else {
                EXPECT_TRUE(until([&] { return w.saw("before " + at(target)); }));
                settle(300);
                EXPECT_FALSE(s_server->heard(target));
            }
            until([&] { return w.count("complete") == w.count("begin"); });
        }
    }
}

// Each way a request leaves a page, first to a blocked address, then to an
// allowed one: the server must hear only the second.
TEST_F(WebKitViewTest, EveryRequestMeetsTheBlockedWords)
{
    const std::vector<std::pair<std::string, std::string>> requests{
        {"image", "u => new Image().src = u"},
        {"script", "u => document.head.append(Object.assign(document.createElement('script'), "
                   "{src: u}))"},
        {"style", "u => document.head.append(Object.assign(document.createElement('link'), "
                  "{rel: 'stylesheet', href: u}))"},
        {"font", "u => document.head.append(Object.assign(document.createElement('style'), "
                 "{textContent: `@font-face {font-family: '${u}'; src: url(${u})} "
                 "body {font-family: '${u}'}`}))"},
        {"media", "u => Object.assign(document.createElement('video'), {preload: 'auto', src: u})"},
        {"fetch", "u => fetch(u)"},
        {"xhr", "u => { const x = new XMLHttpRequest(); x.open('GET', u); x.send() }"},
        {"events", "u => new EventSource(u)"},
        {"beacon", "u => navigator.sendBeacon(u, 'x')"},
        {"worker", "u => navigator.serviceWorker.register(u)"},
        {"socket", "u => new WebSocket('ws://' + location.host + u)"},
        {"download", "u => document.body.appendChild(Object.assign(document.createElement('a'), "
                     "{href: u, download: 'x'})).click()"},
        {"frame", "u => document.body.append(Object.assign(document.createElement('iframe'), "
                  "{src: u}))"},
        {"redirect", "u => fetch('/hop' + u)"},
        {"form-post", "u => document.body.append(Object.assign(document.createElement('iframe'), "
                      "{srcdoc: `<form method=post action=${u}></form><script>"
                      "document.forms[0].submit()</` + 'script>'}))"},
        {"meta-refresh", "u => document.body.append(Object.assign(document.createElement("
                         "'iframe'), {srcdoc: `<meta http-equiv=refresh content='0;url=${u}'>`}))"},
    };
    Watched w;
    // Words the socket rule must escape, or its compilation fails.
    w.block({"games", "c++[(", "\\d", "\"q\"", "caf\xc3\xa9", "tab\t"});
    ASSERT_TRUE(until([] { return engine().socketRuleReady(); }));
    for (const auto& [kind, request] : requests) {
        SCOPED_TRACE(kind);
        const std::string blocked = "/games-" + kind, allowed = "/fine-" + kind;
        s_server->redirect("/hop" + blocked, blocked);
        s_server->redirect("/hop" + allowed, allowed);
        ASSERT_TRUE(w.navigates(at("/b")));
        w.run("const r = " + request + "; r('" + blocked + "'); setTimeout(() => r('" + allowed +
              "'), 200)");
        EXPECT_TRUE(until([&] { return s_server->heard(allowed); }));
        settle(200);
        EXPECT_FALSE(s_server->heard(blocked));
    }
    w.view.setBlockedWords(nullptr);
}

// Pages show web pages and the files of the page folder only; anything else
// is refused before the engine starts it, and the before-navigate handler is
// told so.
TEST_F(WebKitViewTest, OnlyWebPagesAndOwnPagesShow)
{
    struct Row
    {
        std::string address; // %1: the installation, %2: the web server
        bool inFrame;        // of the installation's page, or typed
        bool shown;
    };
    const std::vector<Row> rows{
        {"%2/b", false, true},
        {"%1/html/page.htm#top", false, true},
        {"javascript:fetch('/ran')", false, false},
        {" \t JavaScript:fetch('/ran')", false, false},
        {"file:///", false, false},
        {"%1/html/", false, false},
        {"%1/files/nosurf.txt", false, false},
        {"file://%1/html/../files/nosurf.txt", false, false},
        {"%1/htmlx/page.htm", false, false},
        {"view-source:%2/b", false, false},
        {"data:text/html,<title>ran</title>", false, false},
        {"about:blank", false, false},
        {"inner.htm", true, true},
        {"about:blank", true, true},
        {"../files/nosurf.txt", true, false},
        {"data:text/html,<title>ran</title>", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        ScratchDir dir;
        std::string address = row.address;
        for (const auto& [mark, by] : {std::pair("%1", dir.path().string()), {"%2", at("")}})
            if (const auto at = address.find(mark); at != address.npos)
                address.replace(at, 2, by);
        for (const auto& [file, body] :
             {std::pair("html/page.htm", html("Own page")),
              {"html/inner.htm", html("Inner")},
              {"htmlx/page.htm", html("x")},
              {"files/nosurf.txt", "games\r\n"},
              {"html/holder.htm", html("Holder", "<iframe src='" + address + "'></iframe>")}})
            ScratchDir::write(dir / file, body);
        Watched w(dir / "html");
        ASSERT_TRUE(w.navigates(at("/b")));
        s_server->clear();
        const auto refused = [&] {
            return std::ranges::any_of(w.events, [](auto& e) { return e.starts_with("refused "); });
        };
        if (row.inFrame) {
            ASSERT_TRUE(w.navigates((dir / "html/holder.htm").string()));
            EXPECT_TRUE(w.saw("title Holder"));
            EXPECT_EQ(refused(), !row.shown);
        } else {
            EXPECT_EQ(w.navigates(address), row.shown);
            EXPECT_EQ(refused(), !row.shown);
            EXPECT_EQ(std::ranges::any_of(w.events, [](auto& e) { return e.starts_with("done "); }),
                      row.shown);
        }
        settle(row.shown ? 0 : 300); // a script that ran would have fetched by now
        EXPECT_FALSE(s_server->heard("/ran") || w.saw("title ran"));
    }
}

TEST_F(WebKitViewTest, TypedTextIsReadAsAnAddressBarReadsIt)
{
    for (const auto& [typed, uri] : std::vector<std::pair<std::string, std::string>>{
             {"example.org", "http://example.org"},
             {"127.0.0.1:8080/x", "http://127.0.0.1:8080/x"},
             {"localhost:8080", "http://localhost:8080"},
             {" https://example.org/%41%20?b=%2F#c ", "https://example.org/%41%20?b=%2F#c"},
             {"/tmp/a b/intro.htm", "file:///tmp/a%20b/intro.htm"},
             {"mailto:child@example.org", "mailto:child@example.org"},
             {"http://", ""},
             {"HTTPS:///x", ""},
             {" \t", ""}})
        EXPECT_EQ(WebKitView::addressBarUri(typed), uri) << typed;
}

// A page asking for a window, files or the printer gets none, and no window
// of any kind opens.
TEST_F(WebKitViewTest, APageGetsNoWindowNoFilesAndNoPrinter)
{
    Watched w;
    ASSERT_TRUE(w.navigates(at("/b")));
    const auto windows = Gtk::Window::list_toplevels().size();
    w.run("document.body.appendChild(Object.assign(document.createElement('a'), "
          "{href: '/w', target: '_blank'})).click(); document.title = window.open('/w'); print()");
    EXPECT_TRUE(until([&] { return w.count("new window") == 2 && w.saw("title null"); }));
    w.run("document.querySelector('input').click()");
    EXPECT_TRUE(until([&] { return w.saw("no files"); }));
    settle(300);
    EXPECT_EQ(Gtk::Window::list_toplevels().size(), windows);
    EXPECT_FALSE(s_server->heard("/w"));
}

// A change of the words holds from the very next request on, in every page
// process, also one started after its predecessor was killed.
TEST_F(WebKitViewTest, WordsHoldForTheNextRequestAndOutliveAKilledPage)
{
    Watched w;
    ASSERT_TRUE(w.navigates(at("/b")));
    // Whether a fetch of the path reaches the server; a later allowed one tells when to look.
    int probes = 0;
    const auto sends = [&](const std::string& path) {
        const std::string probe = "/probe-" + std::to_string(++probes);
        w.run("fetch('" + path + "'); setTimeout(() => fetch('" + probe + "'), 200)");
        EXPECT_TRUE(until([&] { return s_server->heard(probe); }));
        return s_server->heard(path);
    };
    w.view.setBlockedWords(std::make_shared<const WebView::BlockedWords>(
        WebView::BlockedWords{"late", std::string("nul\0l", 5)}));
    EXPECT_FALSE(sends("/late-1"));
    EXPECT_TRUE(sends("/nul-1"));
    w.view.setBlockedWords(std::make_shared<const WebView::BlockedWords>());
    EXPECT_TRUE(sends("/late-2"));
    w.view.setBlockedWords(
        std::make_shared<const WebView::BlockedWords>(WebView::BlockedWords{""}));
    EXPECT_TRUE(until([] { return engine().socketRuleReady(); }));
    s_server->clear();
    w.run("fetch('/empty-word')");
    settle(500);
    EXPECT_TRUE(s_server->requests().empty()); // the empty word blocks every address

    w.block({"games"});
    webkit_web_view_terminate_web_process(w.view.engineView());
    auto* stack = GTK_STACK(gtk_widget_get_parent(GTK_WIDGET(w.view.engineView())));
    EXPECT_TRUE(until([&] {
        return g_strcmp0(gtk_widget_get_name(gtk_stack_get_visible_child(stack)), "PageStopped") ==
               0;
    }));
    ASSERT_TRUE(w.navigates(at("/a")));
    EXPECT_TRUE(w.saw("title Page A"));
    EXPECT_EQ(gtk_stack_get_visible_child(stack), GTK_WIDGET(w.view.engineView()));
    EXPECT_FALSE(sends("/games-after"));
    w.view.setBlockedWords(nullptr);
}
