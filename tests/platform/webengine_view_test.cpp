#include "local_http_server.h"
#include "platform/webengine_view.h"
#include "test_main.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

// The engine starts slowly on a busy machine; a page that never comes still fails.
constexpr int Patience = 30000;

// The real page view with every event it raises written down in order, and a
// rule saying which addresses its before-navigate handler refuses.
class Watched
{
public:
    explicit Watched(QWebEngineProfile* profile, const QString& localPages = {})
        : view(profile, nullptr, localPages)
    {
        view.resize(480, 320);
        view.show();
        QObject::connect(&view, &WebView::BeforeNavigate2, &view,
                         [this](const QString& url, bool* cancel) {
                             events << "before " + url;
                             if (refuse && refuse(url)) {
                                 *cancel = true;
                                 // What the address filter does on a refusal.
                                 view.Stop();
                             }
                         });
        QObject::connect(&view, &WebView::DownloadBegin, &view, [this] { events << "begin"; });
        QObject::connect(&view, &WebView::DownloadComplete, &view,
                         [this] { events << "complete"; });
        QObject::connect(&view, &WebView::NavigateComplete2, &view,
                         [this](const QString& url) { events << "done " + url; });
        QObject::connect(&view, &WebView::NewWindow2, &view, [this](bool* cancel) {
            events << "new window";
            *cancel = true;
        });
        QObject::connect(&view, &WebView::StatusTextChange, &view,
                         [this](const QString& text) { events << "status " + text; });
        QObject::connect(&view, &WebView::TitleChange, &view,
                         [this](const QString& text) { events << "title " + text; });
    }

    int count(const QString& event) const { return int(events.count(event)); }
    bool saw(const QString& prefix) const
    {
        return std::any_of(events.begin(), events.end(),
                           [&](const QString& e) { return e.startsWith(prefix); });
    }
    // Whether a load ended after the event, and every load begun has ended.
    bool settledAfter(const QString& event) const
    {
        const qsizetype at = events.lastIndexOf(event);
        return at >= 0 && events.indexOf("complete", at) > at &&
               count("complete") == count("begin");
    }
    // Runs the step and, if it was taken, waits until one more load has ended.
    bool loads(const std::function<bool()>& step)
    {
        const int before = count("complete");
        if (!step())
            return false;
        QDeadlineTimer deadline(Patience);
        while (count("complete") <= before && !deadline.hasExpired())
            QTest::qWait(20);
        return count("complete") > before;
    }
    bool navigates(const QString& address)
    {
        return loads([&] { return view.Navigate(address); });
    }
    bool scriptLoads(const QString& script)
    {
        return loads([&] { return runScript(script), true; });
    }
    QString url() const { return view.engineView()->url().toString(); }
    void runScript(const QString& script) { view.engineView()->page()->runJavaScript(script); }

    WebEngineView view;
    QStringList events;
    std::function<bool(const QString&)> refuse;
};

QByteArray html(const QByteArray& title, const QByteArray& body = {})
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

} // namespace

class WebEngineViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWebEngineProfile> m_profile;
    LocalHttpServer m_server;

    std::unique_ptr<Watched> watched() { return std::make_unique<Watched>(m_profile.get()); }
    QString at(const QString& path) const { return m_server.url(path); }

private Q_SLOTS:
    void initTestCase()
    {
        m_profile = std::make_unique<QWebEngineProfile>(); // keeps nothing on disk
        QVERIFY(m_server.start());
        m_server.page(
            "/a", html("Page A", "<a id=next href='/b'>next</a><iframe src='/frame'></iframe>"));
        m_server.page("/b", html("Page B"));
        m_server.page("/frame", html("Frame", "<a id=f href='/frame2'>in frame</a>"));
        m_server.page("/frame2", html("Frame two"));
        m_server.page("/scripted", html("Scripted"));
        m_server.redirect("/redir", "/b");
        m_server.redirect("/redir-to-forbidden", "/forbidden-target");
        m_server.page("/frame-holder", html("Holder", "<iframe src='/forbidden-frame'></iframe>"));
        m_server.page("/popups", html("Popups", "<a id=blank target=_blank href='/w'>blank</a>"));
        LocalHttpServer::Reply slow;
        slow.body = html("Slow");
        slow.delayMs = 60000;
        m_server.reply("/slow", slow);
        m_server.page("/hover", html("Hover", "<a href='/hovered-target' style='display:block;"
                                              "width:100%;height:300px'>big link</a>"));
    }

    void cleanupTestCase() { m_profile.reset(); }

    void everyNavigationAsksFirst()
    {
        auto w = watched();
        // Typed as a bare host name, as the child may.
        QVERIFY(w->navigates(at("/a").mid(int(qstrlen("http://")))));
        QCOMPARE(w->events.first(), "before " + at("/a"));
        QTRY_VERIFY_WITH_TIMEOUT(w->events.contains("before " + at("/frame")), Patience);
        QVERIFY(w->events.contains("title Page A"));
        QVERIFY(w->events.contains("done " + at("/a")));
        QVERIFY(w->events.indexOf("done " + at("/a")) < w->events.lastIndexOf("complete"));

        // A link in a frame.
        w->events.clear();
        w->runScript(
            "document.querySelector('iframe').contentDocument.getElementById('f').click()");
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains("/frame2"), Patience);
        QVERIFY(w->events.contains("before " + at("/frame2")));

        // A link followed, and a script changing the address.
        QVERIFY(w->scriptLoads("document.getElementById('next').click()"));
        QVERIFY(w->events.contains("before " + at("/b")));
        QCOMPARE(w->url(), at("/b"));
        QVERIFY(w->scriptLoads("location.href = '/scripted'"));
        QVERIFY(w->events.contains("before " + at("/scripted")));

        // A redirect: the typed address, then its target.
        w->events.clear();
        QVERIFY(w->navigates(at("/redir")));
        QCOMPARE(w->events.filter(QRegularExpression("^before ")).mid(0, 2),
                 QStringList({"before " + at("/redir"), "before " + at("/b")}));
        QVERIFY(w->events.contains("done " + at("/b")));
        QVERIFY(!w->events.contains("done " + at("/redir")));

        // Back and forward, up to the newest page.
        w->events.clear();
        QVERIFY(w->loads([&] { return w->view.GoBack(); }));
        QCOMPARE(w->events.first(), "before " + at("/scripted"));
        QVERIFY(w->events.contains("done " + at("/scripted")));
        QVERIFY(w->loads([&] { return w->view.GoForward(); }));
        QVERIFY(w->events.contains("before " + at("/b")));
        QCOMPARE(w->url(), at("/b"));
        QVERIFY(!w->view.GoForward());

        // The same address again and a reload change no address, yet complete.
        for (const auto& again : {std::function<bool()>([&] { return w->view.Navigate(at("/b")); }),
                                  std::function<bool()>([&] { return w->view.Refresh(), true; })}) {
            w->events.clear();
            QVERIFY(w->loads(again));
            QCOMPARE(w->count("done " + at("/b")), 1);
            QVERIFY(w->events.indexOf("done " + at("/b")) < w->events.indexOf("complete"));
        }
    }

    void aRefusalReallyCancels()
    {
        auto w = watched();
        w->refuse = [](const QString& url) { return url.contains("/forbidden"); };
        QVERIFY(w->navigates(at("/b")));

        // Typed (also twice in a row), redirected and scripted main-frame loads.
        using Attempt =
            std::pair<std::function<void()>, QString>; // and the last address it refuses
        for (const auto& [attempt, last] :
             {Attempt([&] { QVERIFY(w->view.Navigate(at("/forbidden"))); }, "/forbidden"),
              Attempt(
                  [&] {
                      // The second typed while the engine winds the first down.
                      auto* once = new QObject(&w->view);
                      QObject::connect(&w->view, &WebView::DownloadBegin, once, [&, once] {
                          delete once;
                          w->view.Navigate(at("/forbidden-2"));
                      });
                      QVERIFY(w->view.Navigate(at("/forbidden-1")));
                  },
                  "/forbidden-2"),
              Attempt([&] { QVERIFY(w->view.Navigate(at("/redir-to-forbidden"))); },
                      "/forbidden-target"),
              Attempt([&] { w->runScript("location.href = '/forbidden-script'"); },
                      "/forbidden-script")}) {
            w->events.clear();
            attempt();
            // A refused load still begins and completes.
            QTRY_VERIFY_WITH_TIMEOUT(w->settledAfter("before " + at(last)), Patience);
            QCOMPARE(w->url(), at("/b"));
            QVERIFY2(!w->saw("done") && !w->saw("title"), qPrintable(w->events.join(" | ")));
        }

        // A frame load; the page around it still loads.
        w->events.clear();
        QVERIFY(w->navigates(at("/frame-holder")));
        QVERIFY(w->events.contains("before " + at("/forbidden-frame")));
        QVERIFY(w->events.contains("title Holder"));

        // Going back.
        w->refuse = [this](const QString& url) { return url == at("/b"); };
        w->events.clear();
        QVERIFY(w->view.GoBack());
        QTRY_VERIFY_WITH_TIMEOUT(w->settledAfter("before " + at("/b")), Patience);
        QCOMPARE(w->url(), at("/frame-holder"));
        QVERIFY(!w->saw("done"));

        // The server never heard of a refused address.
        for (const QString& path : m_server.requests)
            QVERIFY2(!path.contains("/forbidden"), qPrintable(path));
        QVERIFY(m_server.requests.contains("/redir-to-forbidden"));
    }

    void stoppedAndAbandonedLoadsStillComplete()
    {
        // Also: no step through the history before there is one to take.
        auto w = watched();
        QVERIFY(!w->view.GoBack());
        QVERIFY(!w->view.GoForward());
        QVERIFY(w->events.isEmpty());
        QVERIFY(w->navigates(at("/b")));
        QVERIFY(!w->view.GoBack());
        QVERIFY(!w->view.GoForward());

        w->events.clear();
        QVERIFY(w->view.Navigate(at("/slow")));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains("/slow"), Patience);
        w->view.Stop();
        QTRY_COMPARE_WITH_TIMEOUT(w->count("complete"), 1, Patience);
        QCOMPARE(w->count("begin"), 1);
        QVERIFY(!w->saw("done"));
        QCOMPARE(w->url(), at("/b"));

        // A new address while one is still loading.
        w->events.clear();
        m_server.requests.clear();
        QVERIFY(w->view.Navigate(at("/slow")));
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains("/slow"), Patience);
        QVERIFY(w->view.Navigate(at("/scripted")));
        QTRY_VERIFY_WITH_TIMEOUT(w->events.contains("done " + at("/scripted")), Patience);
        QTRY_COMPARE_WITH_TIMEOUT(w->count("complete"), w->count("begin"), Patience);
        QVERIFY(!w->saw("done " + at("/slow")));
    }

    void newWindowsOpenNothing()
    {
        auto w = watched();
        QVERIFY(w->navigates(at("/popups")));
        w->events.clear();
        m_server.requests.clear();
        w->runScript("window.open('/w')");
        QTRY_COMPARE_WITH_TIMEOUT(w->count("new window"), 1, Patience);
        w->runScript("document.getElementById('blank').click()");
        QTRY_COMPARE_WITH_TIMEOUT(w->count("new window"), 2, Patience);
        // Give a wrongly opened page the time to ask for its address.
        QTest::qWait(500);
        QVERIFY(!m_server.requests.contains("/w"));
        QVERIFY(!w->saw("before"));
        QCOMPARE(w->url(), at("/popups"));
    }

    void hoveredLinksShowTheirAddress()
    {
        auto w = watched();
        QVERIFY(w->navigates(at("/hover")));
        QWidget* surface = w->view.engineView()->focusProxy();
        QVERIFY(surface);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QTest::mouseMove(surface, QPoint(40 + int(w->events.size() % 2), 40));
                return w->events.contains("status " + at("/hovered-target"));
            }(),
            Patience);
    }

    void typedTextIsReadAsAnAddressBarReadsIt()
    {
        const std::pair<QString, QString> cases[] = {
            {"example.org", "http://example.org"},
            {"127.0.0.1:8080/x", "http://127.0.0.1:8080/x"},
            {"https://example.org/a?b=1", "https://example.org/a?b=1"},
            {"/tmp/a b/intro.htm", "file:///tmp/a b/intro.htm"},
            {"http://", ""}, // no host
            {"https:", ""},
            {"  ", ""},
            {"", ""},
        };
        for (const auto& [typed, url] : cases)
            QCOMPARE(WebEngineView::addressBarUrl(typed).toString(), url);

        // A local page and its frame load; an address that reads as nothing goes nowhere.
        QTemporaryDir dir;
        QFile page(dir.filePath("one.htm"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(html("Local one", "<iframe src='inner.htm'></iframe>"));
        page.close();
        auto w = std::make_unique<Watched>(m_profile.get(), dir.path());
        QVERIFY(w->navigates(page.fileName()));
        const QString file = QUrl::fromLocalFile(page.fileName()).toString();
        QCOMPARE(w->events.first(), "before " + file);
        QVERIFY(w->events.contains("title Local one"));
        QVERIFY(w->events.contains("done " + file));
        QTRY_VERIFY_WITH_TIMEOUT(
            w->events.contains("before " +
                               QUrl::fromLocalFile(dir.filePath("inner.htm")).toString()),
            Patience);

        w->events.clear();
        QVERIFY(!w->view.Navigate("http://"));
        QTest::qWait(200);
        QVERIFY(w->events.isEmpty());
        QCOMPARE(w->url(), file);
    }

    // Each kind of request the page makes, first to a blocked address, then,
    // once that one has failed, to an allowed one: the server must hear only
    // the second.
    void everyRequestMeetsTheCheck_data()
    {
        QTest::addColumn<QString>("request"); // a script function of the address; empty: save link
        QTest::newRow("image") << "u => new Promise((ok, no) => "
                                  "Object.assign(new Image(), {onload: ok, onerror: no, src: u}))";
        QTest::newRow("script") << "u => new Promise((ok, no) => document.head.append("
                                   "Object.assign(document.createElement('script'), "
                                   "{onload: ok, onerror: no, src: u})))";
        QTest::newRow("style") << "u => new Promise((ok, no) => document.head.append("
                                  "Object.assign(document.createElement('link'), "
                                  "{rel: 'stylesheet', onload: ok, onerror: no, href: u})))";
        QTest::newRow("media") << "u => new Promise((ok, no) => "
                                  "Object.assign(document.createElement('video'), "
                                  "{preload: 'auto', oncanplay: ok, onerror: no, src: u}))";
        QTest::newRow("font") << "u => new FontFace('f' + Math.random(), `url(${u})`).load()";
        QTest::newRow("fetch") << "u => fetch(u)";
        QTest::newRow("xhr") << "u => new Promise(done => { const x = new XMLHttpRequest(); "
                                "x.onloadend = done; x.open('GET', u); x.send(); })";
        QTest::newRow("frame") << "u => new Promise(done => document.body.append("
                                  "Object.assign(document.createElement('iframe'), "
                                  "{onload: done, src: u})))";
        QTest::newRow("save link") << QString();
    }

    void everyRequestMeetsTheCheck()
    {
        QFETCH(QString, request);
        auto w = watched();
        QVERIFY(w->navigates(at("/b")));
        auto words = std::make_shared<const WebView::RequestCheck>(
            [](QStringView address) { return address.contains(u"games"); });
        w->view.setRequestCheck(words);
        const QString kind = QString(QTest::currentDataTag()).replace(' ', '-');
        const QString blocked = "/games-" + kind, allowed = "/fine-" + kind;
        m_server.requests.clear();
        if (request.isEmpty()) {
            QWebEnginePage* page = w->view.engineView()->page();
            page->download(QUrl(at(blocked)));
            QTest::qWait(300);
            page->download(QUrl(at(allowed)));
        } else {
            w->runScript(
                QString(
                    "(async r => { await r('%1').catch(() => {}); r('%2').catch(() => {}); })(%3)")
                    .arg(blocked, allowed, request));
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains(allowed), Patience);
        QVERIFY2(!m_server.requests.contains(blocked), qPrintable(m_server.requests.join(' ')));
        w->view.setRequestCheck(nullptr); // the profile outlives this view
    }

    // Pages and frames show web pages and the files of the page folder only;
    // anything else is refused before the engine starts it, and the
    // before-navigate handler is told so.
    void onlyWebPagesAndOwnPagesShow_data()
    {
        QTest::addColumn<QString>("address"); // %1: the installation, %2: the web server
        QTest::addColumn<bool>("inFrame");    // of the installation's page, or typed
        QTest::addColumn<bool>("shown");
        QTest::newRow("web page") << "%2/scripted" << false << true;
        QTest::newRow("own page") << "%1/html/page.htm" << false << true;
        QTest::newRow("script") << "javascript:fetch('/ran')" << false << false;
        QTest::newRow("disk") << "file:///" << false << false;
        QTest::newRow("page folder") << "%1/html/" << false << false;
        QTest::newRow("list file") << "%1/files/nosurf.txt" << false << false;
        QTest::newRow("way out") << "file://%1/html/../files/nosurf.txt" << false << false;
        QTest::newRow("like-named") << "%1/htmlx/page.htm" << false << false;
        QTest::newRow("source") << "view-source:%2/b" << false << false;
        QTest::newRow("internal") << "chrome://version" << false << false;
        QTest::newRow("data") << "data:text/html,<title>ran</title>" << false << false;
        QTest::newRow("blank page") << "about:blank" << false << false;
        QTest::newRow("unknown") << "tobrin-nothing:x" << false << false;
        QTest::newRow("frame: web page") << "%2/frame" << true << true;
        QTest::newRow("frame: own page") << "inner.htm" << true << true;
        QTest::newRow("frame: blank") << "about:blank" << true << true;
        QTest::newRow("frame: list file") << "../files/nosurf.txt" << true << false;
        QTest::newRow("frame: data") << "data:text/html,ran" << true << false;
    }

    void onlyWebPagesAndOwnPagesShow()
    {
        QFETCH(QString, address);
        QFETCH(bool, inFrame);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("html") && QDir(dir.path()).mkpath("files") &&
                QDir(dir.path()).mkpath("htmlx"));
        address.replace("%1", dir.path()).replace("%2", at(""));
        const QString holder = dir.filePath("html/holder.htm");
        for (const auto& [file, body] :
             {std::pair("html/page.htm", html("Own page")),
              std::pair("html/inner.htm", html("Inner")), std::pair("htmlx/page.htm", html("x")),
              std::pair("files/nosurf.txt", QByteArray("games\r\n")),
              std::pair("html/holder.htm",
                        html("Holder", "<iframe src='" + address.toUtf8() + "'></iframe>"))}) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(body) == body.size());
        }
        auto w = std::make_unique<Watched>(m_profile.get(), dir.filePath("html"));
        QStringList refused; // what the view itself refused before the handler ran
        QObject::connect(&w->view, &WebView::BeforeNavigate2, &w->view,
                         [&](const QString& url, bool* cancel) {
                             if (*cancel)
                                 refused << url;
                         });
        QVERIFY(w->navigates(at("/b")));
        m_server.requests.clear();
        if (inFrame) {
            QVERIFY(w->navigates(holder));
            QVERIFY(w->events.contains("title Holder"));
            QTest::qWait(300); // lets a frame that should not be there arrive
            QCOMPARE(refused.filter(QString(address).remove("../")).isEmpty(), shown);
        } else {
            QCOMPARE(w->navigates(address), shown);
            QCOMPARE(refused.isEmpty(), shown);
            QCOMPARE(w->url() != at("/b"), shown);
        }
        QTest::qWait(shown ? 0 : 300); // a script that ran would have fetched by now
        QVERIFY(!m_server.requests.contains("/ran"));
        QVERIFY(!w->saw("title ran"));
    }
};

TOBRIN_TEST(WebEngineViewTest);

// The program itself: the engine's sandbox is given up only when running as
// root, and then the program says so in one line of its own.
class SandboxTest : public QObject
{
    Q_OBJECT

    // Starts the built program (as another user with a runner such as setpriv)
    // until its start page has loaded; returns its error output.
    static QString startUp(const QStringList& runner = {})
    {
        const QString program = QCoreApplication::applicationDirPath() + "/../tobrin";
        if (!QFile::exists(program))
            return "no program at " + program;
        QTemporaryDir home;
        QFile::setPermissions(home.path(), QFile::Permissions(0x7777));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QTWEBENGINE_DISABLE_SANDBOX");
        env.remove("QTWEBENGINE_CHROMIUM_FLAGS");
        env.insert("HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TOBRIN_STARTUP_PROBE", "quit");
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        if (runner.isEmpty())
            process.start(program, {});
        else
            process.start(runner.first(), runner.mid(1) + QStringList{program});
        if (!process.waitForFinished(Patience))
            process.kill();
        process.waitForFinished();
        return QString::fromLocal8Bit(process.readAllStandardError());
    }

private Q_SLOTS:
    void onlyRootGoesWithoutTheSandbox()
    {
        const QString line = "tobrin: running as root, so the web engine runs without its sandbox";
        const QString asMe = startUp();
        QVERIFY2(asMe.contains("tobrin: start page loaded"), qPrintable(asMe));
        QCOMPARE(asMe.count(line), geteuid() == 0 ? 1 : 0);
        QVERIFY2(!asMe.contains("Sandboxing disabled"),
                 qPrintable(asMe)); // the engine's own notice

        const QString runner = QStandardPaths::findExecutable("setpriv");
        if (geteuid() != 0 || runner.isEmpty())
            return;
        const QString asNobody =
            startUp({runner, "--reuid=65534", "--regid=65534", "--clear-groups"});
        QVERIFY2(asNobody.contains("QtWebEngine") || asNobody.contains("tobrin: start page loaded"),
                 qPrintable(asNobody));
        QVERIFY2(!asNobody.contains(line), qPrintable(asNobody));
    }
};

TOBRIN_TEST(SandboxTest);
#include "webengine_view_test.moc"
