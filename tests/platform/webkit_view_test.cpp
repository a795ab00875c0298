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

// Runs the main loop until the condition holds or the (generous) patience runs out.
bool until(const std::function<bool()>& condition, int ms = 30000)
{
    const gint64 end = g_get_monotonic_time() + gint64(ms) * 1000;
    while (!condition() && g_get_monotonic_time() < end)
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    return condition();
}

const auto html = [](const std::string& title, const std::string& body = {}) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
};

// One engine for the whole program, as the browser has, in folders of the test's own.
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
    explicit Watched(const std::filesystem::path& localPages = {}, PageEngine& pages = engine())
        : view(pages, localPages)
    {
        window.set_child(view);
        window.present();
        view.signal_BeforeNavigate2().connect([this](const std::string& url, bool& cancel) {
            events.push_back((cancel ? "refused " : "before ") + url);
            cancel |= url.find("/forbidden") != url.npos ||
                      std::ranges::any_of(words, [&](auto& w) { return url.find(w) != url.npos; });
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
    bool sawStart(const std::string& start) const
    {
        return std::ranges::any_of(events, [&](auto& e) { return e.starts_with(start); });
    }
    bool idle() const { return count("complete") == count("begin"); }
    // Whether the view shows its own message in place of a page.
    bool stopped() const
    {
        auto* stack = GTK_STACK(gtk_widget_get_parent(GTK_WIDGET(view.engineView())));
        return g_strcmp0(gtk_widget_get_name(gtk_stack_get_visible_child(stack)), "PageStopped") ==
               0;
    }
    // Runs the step and waits until every load begun has ended, and a moment more.
    bool loads(const std::function<bool()>& step)
    {
        events.clear();
        const auto ended = [&] { return count("complete") > 0 && idle(); };
        return step() && until(ended) && (until([] { return false; }, 150), ended());
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
    void block(std::vector<std::string> list)
    {
        words = list;
        view.setBlockedWords(WordBlock::of(list));
    }

    WebKitView view; // first: its engine starts what every widget needs
    Gtk::Window window;
    std::vector<std::string> events;
    std::vector<std::string> words;
};

// The server every test asks, with the pages they share.
LocalHttpServer& server()
{
    static LocalHttpServer shared;
    if (static bool first = true; std::exchange(first, false)) {
        shared.page("/a", html("Page A", "<iframe src='/frame'></iframe>"));
        shared.page("/b", html("Page B", "<input type=file>"));
        shared.reply("/slow", {200, html("Slow"), "text/html", {}, 60000});
        shared.reply("/attached",
                     {200, html("x"), "text/html", "Content-Disposition: attachment\r\n"});
        shared.reply("/zip", {200, "PK", "application/zip"});
    }
    return shared;
}

const auto at = [](const std::string& path) { return server().url(path); };

} // namespace

TEST(WebKitView, EveryLoadBeginsCompletesReportsWhereItGotAndOpensNothingElse)
{
    Watched w;
    EXPECT_FALSE(w.view.GoBack() || w.view.GoForward()); // no history yet
    ASSERT_TRUE(w.navigates(at("/a").substr(7)));        // as a bare host name
    // Sent as typed, never decoded; a web address without a host names nothing.
    EXPECT_EQ(WebKitView::addressBarUri(" https://a.org/%41%20?b=%2F#c "),
              "https://a.org/%41%20?b=%2F#c");
    EXPECT_FALSE(w.view.Navigate("http://") || w.view.Navigate(" \t"));
    EXPECT_TRUE(w.events.front() == "before " + at("/a") && w.count("before " + at("/frame")));
    ASSERT_TRUE(w.navigates(at("/b")));
    ASSERT_TRUE(w.loads([&] { return w.view.GoBack(); }) && w.count("done " + at("/a")));
    ASSERT_TRUE(w.loads([&] { return w.view.GoForward(); }) && w.count("done " + at("/b")));
    EXPECT_FALSE(w.view.GoForward());
    ASSERT_TRUE(w.view.Navigate(at("/forbidden"))); // the handler refuses it: never sent
    EXPECT_TRUE(until([&] { return w.count("before " + at("/forbidden")); }));
    ASSERT_TRUE(w.loads([&] { return w.view.Refresh(), true; }));
    EXPECT_EQ(w.count("done " + at("/b")), 1);
    EXPECT_FALSE(server().heard("/forbidden"));
    w.run("location.hash = 'x'");
    EXPECT_TRUE(until([&] { return w.count("done " + at("/b#x")); }));
    // Stopped, or what would become a download: completes and arrives nowhere.
    ASSERT_TRUE(w.loads([&] {
        return w.view.Navigate(at("/slow")) && until([] { return server().heard("/slow"); }) &&
               (w.view.Stop(), true);
    }));
    for (const std::string path : {"/zip", "/attached"})
        ASSERT_TRUE(w.navigates(at(path)) && server().heard(path)) << path;
    EXPECT_FALSE(w.sawStart("done ") || w.sawStart("title "));

    // A page asking for a window, files or the printer gets none, and no
    // window of any kind opens.
    ASSERT_TRUE(w.navigates(at("/b")));
    const auto windows = Gtk::Window::list_toplevels().size();
    w.run("document.body.appendChild(Object.assign(document.createElement('a'), "
          "{href: '/w', target: '_blank'})).click(); document.title = window.open('/w'); print()");
    EXPECT_TRUE(until([&] { return w.count("new window") == 2 && w.count("title null"); }));
    w.run("document.querySelector('input').click(); ondrop = () => document.title = 'dropped';"
          "const d = new DataTransfer(); d.items.add(new File(['x'], 'f'));"
          "document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: d, bubbles: true}))");
    EXPECT_TRUE(until([&] { return w.count("no files") == 2; }));
    EXPECT_FALSE(w.count("title dropped"));
    EXPECT_FALSE(until([&] { return Gtk::Window::list_toplevels().size() != windows; }, 300));
    EXPECT_FALSE(server().heard("/w"));
}

// Each way a request leaves a page, first to a blocked address, then to an
// allowed one: the server must hear only the second, and every navigation
// (frames stand for pages: the engine does not tell them apart) asks first.
TEST(WebKitView, EveryRequestMeetsTheBlockedWords)
{
    // add(tag, properties) puts a new element on the page; frame(srcdoc) a frame of that page.
    const std::vector<std::tuple<std::string, bool, std::string>> requests{
        {"image", false, "u => new Image().src = u"},
        {"script", false, "u => add('script', {src: u})"},
        {"style", false, "u => add('link', {rel: 'stylesheet', href: u})"},
        {"font", false,
         "u => add('style', {textContent: `@font-face {font-family: '${u}'; "
         "src: url(${u})} body {font-family: '${u}'}`})"},
        {"media", false, "u => add('video', {preload: 'auto', src: u})"},
        {"fetch", false, "u => fetch(u)"},
        {"xhr", false, "u => { const x = new XMLHttpRequest(); x.open('GET', u); x.send() }"},
        {"events", false, "u => new EventSource(u)"},
        {"beacon", false, "u => navigator.sendBeacon(u, 'x')"},
        {"worker", false, "u => navigator.serviceWorker.register(u)"},
        {"socket", false, "u => new WebSocket('ws://' + location.host + u)"},
        {"redirect", false, "u => fetch(hop(u))"},
        {"download", true, "u => add('a', {href: u, download: 'x'}).click()"},
        {"frame", true, "u => add('iframe', {src: u})"},
        {"frame-redirect", true, "u => add('iframe', {src: hop(u)})"},
        {"link", true, "u => frame(`<a href=${u}></a><script>document.links[0].click()</`)"},
        {"script-nav", true, "u => frame(`<script>location.href = '${u}'</`)"},
        {"form-post", true,
         "u => frame(`<form method=post action=${u}></form>"
         "<script>document.forms[0].submit()</`)"},
        {"meta-refresh", true, "u => frame(`<meta http-equiv=refresh content='0;url=${u}'>`)"},
    };
    Watched w;
    // Words the socket rule must escape, or its compilation fails.
    w.block({"games", "c++[(", "\\d", "\"q\"", "caf\xc3\xa9", "tab\t"});
    ASSERT_TRUE(until([] { return engine().socketRuleReady(); }));
    for (const auto& [kind, asks, request] : requests) {
        SCOPED_TRACE(kind);
        const std::string blocked = "/games-" + kind, allowed = "/fine-" + kind;
        // A hop that holds no word, so that only the redirect's target meets it.
        server().redirect("/hop/g-" + kind, blocked);
        server().redirect("/hop" + allowed, allowed);
        ASSERT_TRUE(w.navigates(at("/b")));
        w.run(std::string("const add = (tag, p) => document.body.appendChild(Object.assign("
                          "document.createElement(tag), p)), frame = html => add('iframe', "
                          "{srcdoc: html.endsWith('</') ? html + 'script>' : html}), ") +
              "hop = u => '/hop' + u.replace('games', 'g'), r = " + request + "; r('" + blocked +
              "'); setTimeout(() => r('" + allowed + "'), 200)");
        EXPECT_TRUE(until([&] { return server().heard(allowed); }));
        EXPECT_FALSE(until([&] { return server().heard(blocked); }, 200));
        EXPECT_EQ(w.count("before " + at(blocked)), asks);
    }
    w.view.setBlockedWords(nullptr);
}

// Pages show web pages and the files of the page folder only; anything else
// is refused before the engine starts it, and the before-navigate handler is
// told so.
TEST(WebKitView, OnlyWebPagesAndOwnPagesShow)
{
    ScratchDir dir;
    const std::string d = dir.path().string();
    ScratchDir::write(dir / "html/page.htm", html("Own"));
    ScratchDir::write(dir / "htmlx/page.htm", html("x"));
    ScratchDir::write(dir / "files/nosurf.txt", "games");
    const std::vector<std::pair<std::string, std::string>> rows{
        {d + "/html/page.htm#top", "shown"},
        {" \t JavaScript:fetch('/ran')", ""},
        {d + "/html/", ""},
        {d + "/files/nosurf.txt", ""},
        {d + "/htmlx/page.htm", ""},
        {"file://" + d + "/html/../files/nosurf.txt", ""},
        {"data:text/html,<script>fetch('/ran')</script>", ""},
        {"frame:page.htm", "shown"},
        {"frame:about:blank", "shown"},
        {"frame:../files/nosurf.txt", ""}};
    Watched w(dir / "html");
    for (const auto& [address, shown] : rows) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(w.navigates(at("/b")));
        if (address.starts_with("frame:")) {
            const std::string frame = "<iframe src='" + address.substr(6) + "'></iframe>";
            ScratchDir::write(dir / "html/holder.htm", html("Holder", frame));
            ASSERT_TRUE(w.navigates(d + "/html/holder.htm") && w.count("title Holder"));
        } else {
            EXPECT_EQ(w.navigates(address), !shown.empty());
            EXPECT_EQ(w.sawStart("done "), !shown.empty());
        }
        EXPECT_EQ(w.sawStart("refused "), shown.empty());
        EXPECT_FALSE(until([] { return server().heard("/ran"); }, 300));
    }
}

// A change of the words holds from the very next request on, in every page
// process, also one started after its predecessor was killed.
TEST(WebKitView, WordsHoldForTheNextRequestAndOutliveAKilledPage)
{
    Watched w;
    ASSERT_TRUE(w.navigates(at("/b")));
    const auto sends = [&](const std::string& path) {
        static int n = 0; // a later allowed fetch tells when to look
        const std::string probe = "/probe-" + std::to_string(++n);
        w.run("fetch('" + path + "'); setTimeout(() => fetch('" + probe + "'), 200)");
        EXPECT_TRUE(until([&] { return server().heard(probe); }));
        return server().heard(path);
    };
    w.block({"late", std::string("nul\0l", 5)});
    EXPECT_FALSE(sends("/late-1"));
    EXPECT_TRUE(sends("/nul-1"));
    w.block({});
    EXPECT_TRUE(sends("/late-2"));
    w.block({""});
    w.run("fetch('/empty-word')"); // the empty word blocks every address
    EXPECT_FALSE(until([] { return server().heard("/empty-word"); }, 500));

    // More words than a rule for sockets may hold: sockets stay closed.
    w.block(std::vector<std::string>(kMaxSocketRules + 1, "nowhere"));
    w.run("new WebSocket('ws://' + location.host + '/socket-many')");
    EXPECT_TRUE(sends("/fetch-many"));
    EXPECT_FALSE(server().heard("/socket-many"));

    w.block({"games"});
    webkit_web_view_terminate_web_process(w.view.engineView());
    EXPECT_TRUE(until([&] { return w.stopped(); }));
    ASSERT_TRUE(w.navigates(at("/a")) && w.count("title Page A"));
    EXPECT_FALSE(w.stopped());
    EXPECT_FALSE(sends("/games-after"));
    w.view.setBlockedWords(nullptr);
}

// A page process without the request check (its module missing from the
// installation) fetches the document the child asked for, but the page never
// shows, and nothing it would load leaves the machine.
TEST(WebKitView, NoPageShowsFromAProcessWithoutTheCheck)
{
    static ScratchDir folder; // the engine lives as long as the program, as the browser's does
    std::filesystem::create_directories(folder / "no-module");
    static PageEngine unchecked({folder / "data", folder / "cache", folder / "no-module"});
    server().page("/unchecked", html("Unchecked", "<img src='/unchecked-image'>"
                                                  "<script>fetch('/unchecked-fetch')</script>"));
    Watched w({}, unchecked);
    ASSERT_TRUE(w.view.Navigate(at("/unchecked")));
    EXPECT_TRUE(until([&] { return w.stopped(); }));
    EXPECT_TRUE(server().heard("/unchecked"));
    EXPECT_FALSE(until([] { return server().heard("/unchecked-image") ||
                                   server().heard("/unchecked-fetch"); },
                       1500));
    EXPECT_EQ(w.count("title Unchecked"), 0);
}

// Hidden through a blocked half-hour, a page sends nothing (nor sounds); an
// address asked for meanwhile, or else the page left, loads when it shows.
TEST(WebKitView, AHiddenPageSleeps)
{
    server().page("/ticking", html("Ticking", "<script>setInterval(() => "
                                              "fetch('/tick?' + Math.random()), 50)</script>"));
    Watched w;
    ASSERT_TRUE(w.navigates(at("/ticking")));
    const auto ticking = [] {
        const std::size_t before = server().requestCount();
        return until([&] { return server().requestCount() > before; }, 1000);
    };
    ASSERT_TRUE(ticking());
    w.view.set_visible(false);
    until([] { return false; }, 300); // what was in flight lands
    EXPECT_FALSE(ticking());
    server().page("/woken", html("Woken"));
    w.events.clear();
    EXPECT_TRUE(w.view.Navigate(at("/woken")));
    EXPECT_FALSE(until([] { return server().heard("/woken"); }, 500));
    EXPECT_TRUE(w.events.empty());
    w.view.set_visible(true);
    EXPECT_TRUE(until([&] { return w.count("title Woken") > 0; }));
    ASSERT_TRUE(w.navigates(at("/ticking")));
    w.view.set_visible(false);
    w.view.set_visible(true);
    EXPECT_TRUE(until([&] { return w.count("title Ticking") > 0; }) && ticking());
}

// A navigation asked for while navigations are held is neither checked nor
// sent until they are released (a long list of words is still being read).
TEST(WebKitView, HeldNavigationsWaitForTheRelease)
{
    server().page("/held", html("Held"));
    Watched w;
    w.view.holdNavigations(true);
    ASSERT_TRUE(w.view.Navigate(at("/held")));
    EXPECT_FALSE(until([] { return server().heard("/held"); }, 500));
    EXPECT_FALSE(w.sawStart("before "));
    w.view.holdNavigations(false);
    EXPECT_TRUE(until([&] { return w.count("title Held") > 0; }));
    EXPECT_EQ(w.count("before " + at("/held")), 1);
}

// An address typed goes to the engine as typed, at any length, and every
// event names it as typed; a word the parent typed in another spelling of it
// (as the engine sends it, or as read) refuses it all the same.
TEST(WebKitView, TypedAddressesGoAsTypedAndMeetWordsInEverySpelling)
{
    const std::string longPath = "/long-" + std::string(10000, 'x');
    const std::string host = at("/").substr(7, at("/").size() - 8);
    struct Row
    {
        std::string typed, shown, heard, otherSpelling;
    };
    const std::vector<Row> rows{
        {at("/two words"), at("/two words"), "/two%20words", "two%20words"},
        {at("/ca\xC3\xA7"
            "a"),
         at("/ca\xC3\xA7"
            "a"),
         "/ca%C3%A7a", "%C3%A7"},
        {host + "/caf\xC3\xA9?q=a b", at("/caf\xC3\xA9?q=a b"), "/caf%C3%A9?q=a%20b", "%C3%A9"},
        {at(longPath), at(longPath), longPath, ""},
        {"http://xn--exmple-cua.test/", "http://xn--exmple-cua.test/", "", "ex\xC3\xA4mple"},
    };
    Watched w;
    for (const Row& row : rows) {
        // Named copies: lambdas below may not capture structured bindings under Clang 14.
        const std::string& typed = row.typed;
        const std::string shown = row.shown;
        const std::string& heard = row.heard;
        const std::string& otherSpelling = row.otherSpelling;
        SCOPED_TRACE(shown.substr(0, 60));
        if (!heard.empty()) {
            w.block({});
            ASSERT_TRUE(w.navigates(typed));
            EXPECT_TRUE(server().heard(heard));
            EXPECT_TRUE(w.count("before " + shown) && w.count("done " + shown));
        }
        if (!otherSpelling.empty()) {
            w.block({otherSpelling});
            w.events.clear();
            ASSERT_TRUE(w.view.Navigate(typed));
            EXPECT_TRUE(until([&] { return w.count("refused " + shown); }));
            EXPECT_FALSE(until([&] { return w.sawStart("done ") || w.sawStart("begin"); }, 300));
        }
    }
    w.block({});
    // Back in the history, a typed address still reads as typed; one the
    // engine reached otherwise reads as a person reads it.
    ASSERT_TRUE(w.navigates(at("/b")));
    ASSERT_TRUE(w.loads([&] { return w.view.GoBack(); }));
    EXPECT_TRUE(w.count("before " + at(longPath)) && w.count("done " + at(longPath)));
    const std::vector<std::pair<std::string, std::string>> read{
        {"http://xn--exmple-cua.test:80/a%20b%2F%C3%A7%25?q=%41#%E9",
         "http://exämple.test:80/a b%2Fç%25?q=A#%E9"},
        {"http://a.org/trailing%20", "http://a.org/trailing%20"},
        {"about:blank", "about:blank"},
    };
    for (const auto& [engine, person] : read)
        EXPECT_EQ(w.view.shownAddress(engine), person);
}
