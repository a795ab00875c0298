#include "local_http_server.h"
#include "shell/webengine_view.h"
#include "test_main.h"

#include <QDeadlineTimer>
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
    explicit Watched(QWebEngineProfile* profile) : view(profile, nullptr)
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
    QString url() const { return view.engineView()->url().toString(); }
    void runScript(const QString& script) { view.engineView()->page()->runJavaScript(script); }

    WebEngineView view;
    QStringList events;
    std::function<bool(const QString&)> refuse;
};

// Waits until the view has finished one more load than it had when made.
class NextLoad
{
public:
    explicit NextLoad(const Watched& w) : m_w(w), m_before(w.count("complete")) {}
    bool wait() const
    {
        QDeadlineTimer deadline(Patience);
        while (m_w.count("complete") <= m_before && !deadline.hasExpired())
            QTest::qWait(20);
        return m_w.count("complete") > m_before;
    }

private:
    const Watched& m_w;
    int m_before;
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
        NextLoad typed(*w);
        QVERIFY(w->view.Navigate(at("/a")));
        QVERIFY(typed.wait());
        QCOMPARE(w->events.first(), "before " + at("/a"));
        QTRY_VERIFY_WITH_TIMEOUT(w->events.contains("before " + at("/frame")), Patience);
        QVERIFY(w->events.contains("done " + at("/a")));
        QVERIFY(w->events.contains("title Page A"));
        QVERIFY(w->events.indexOf("done " + at("/a")) < w->events.lastIndexOf("complete"));

        // A link in a frame.
        w->events.clear();
        w->runScript(
            "document.querySelector('iframe').contentDocument.getElementById('f').click()");
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requests.contains("/frame2"), Patience);
        QVERIFY(w->events.contains("before " + at("/frame2")));

        // A link followed.
        NextLoad link(*w);
        w->runScript("document.getElementById('next').click()");
        QVERIFY(link.wait());
        QVERIFY(w->events.contains("before " + at("/b")));
        QCOMPARE(w->url(), at("/b"));

        // A script changing the address.
        NextLoad script(*w);
        w->runScript("location.href = '/scripted'");
        QVERIFY(script.wait());
        QVERIFY(w->events.contains("before " + at("/scripted")));
        QVERIFY(w->events.contains("done " + at("/scripted")));

        // A redirect: the typed address, then its target.
        w->events.clear();
        NextLoad redirect(*w);
        QVERIFY(w->view.Navigate(at("/redir")));
        QVERIFY(redirect.wait());
        QCOMPARE(w->events.filter(QRegularExpression("^before ")).mid(0, 2),
                 QStringList({"before " + at("/redir"), "before " + at("/b")}));
        QVERIFY(w->events.contains("done " + at("/b")));
        QVERIFY(!w->events.contains("done " + at("/redir")));

        // Back and forward.
        w->events.clear();
        NextLoad back(*w);
        QVERIFY(w->view.GoBack());
        QVERIFY(back.wait());
        QCOMPARE(w->events.first(), "before " + at("/scripted"));
        QVERIFY(w->events.contains("done " + at("/scripted")));
        NextLoad forward(*w);
        QVERIFY(w->view.GoForward());
        QVERIFY(forward.wait());
        QVERIFY(w->events.contains("before " + at("/b")));
        QCOMPARE(w->url(), at("/b"));

        // The same address again and a reload change no address, yet complete.
        for (const auto& again :
             {std::function<void()>([&] { QVERIFY(w->view.Navigate(at("/b"))); }),
              std::function<void()>([&] { w->view.Refresh(); })}) {
            w->events.clear();
            NextLoad load(*w);
            again();
            QVERIFY(load.wait());
            QCOMPARE(w->count("done " + at("/b")), 1);
            QVERIFY(w->events.indexOf("done " + at("/b")) < w->events.indexOf("complete"));
        }
    }

    void aRefusalReallyCancels()
    {
        auto w = watched();
        w->refuse = [](const QString& url) { return url.contains("/forbidden"); };
        NextLoad first(*w);
        QVERIFY(w->view.Navigate(at("/b")));
        QVERIFY(first.wait());

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
        NextLoad holder(*w);
        QVERIFY(w->view.Navigate(at("/frame-holder")));
        QVERIFY(holder.wait());
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

    void historyEnds()
    {
        auto w = watched();
        QVERIFY(!w->view.GoBack());
        QVERIFY(!w->view.GoForward());
        QVERIFY(w->events.isEmpty());
        for (const char* path : {"/b", "/scripted"}) {
            NextLoad load(*w);
            QVERIFY(w->view.Navigate(at(path)));
            QVERIFY(load.wait());
        }
        QVERIFY(!w->view.GoForward());
        NextLoad back(*w);
        QVERIFY(w->view.GoBack());
        QVERIFY(back.wait());
        QCOMPARE(w->url(), at("/b"));
        QVERIFY(!w->view.GoBack());
        NextLoad forward(*w);
        QVERIFY(w->view.GoForward());
        QVERIFY(forward.wait());
        QVERIFY(!w->view.GoForward());
        QCOMPARE(w->url(), at("/scripted"));
    }

    void stoppedAndAbandonedLoadsStillComplete()
    {
        auto w = watched();
        NextLoad first(*w);
        QVERIFY(w->view.Navigate(at("/b")));
        QVERIFY(first.wait());

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
        NextLoad load(*w);
        QVERIFY(w->view.Navigate(at("/popups")));
        QVERIFY(load.wait());
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
        NextLoad load(*w);
        QVERIFY(w->view.Navigate(at("/hover")));
        QVERIFY(load.wait());
        QWidget* surface = w->view.engineView()->focusProxy();
        QVERIFY(surface);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QTest::mouseMove(surface, QPoint(40 + int(w->events.size() % 2), 40));
                return w->events.contains("status " + at("/hovered-target"));
            }(),
            Patience);
    }

    void typedTextIsReadAsAnAddressBarReadsIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::newRow("host name") << "example.org"
                                   << "http://example.org";
        QTest::newRow("host and port") << "127.0.0.1:8080/x"
                                       << "http://127.0.0.1:8080/x";
        QTest::newRow("full") << "https://example.org/a?b=1"
                              << "https://example.org/a?b=1";
        QTest::newRow("absolute path") << "/tmp/a b/intro.htm"
                                       << "file:///tmp/a b/intro.htm";
        QTest::newRow("no host") << "http://"
                                 << "";
        QTest::newRow("scheme only") << "https:"
                                     << "";
        QTest::newRow("blank") << "  "
                               << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void typedTextIsReadAsAnAddressBarReadsIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        QCOMPARE(WebEngineView::addressBarUrl(typed).toString(), url);
    }

    void typedTextLoads()
    {
        QTemporaryDir dir;
        QFile page(dir.filePath("one.htm"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(html("Local one", "<iframe src='inner.htm'></iframe>"));
        page.close();

        auto w = watched();
        NextLoad local(*w);
        QVERIFY(w->view.Navigate(page.fileName()));
        QVERIFY(local.wait());
        const QString file = QUrl::fromLocalFile(page.fileName()).toString();
        QCOMPARE(w->events.first(), "before " + file);
        QVERIFY(w->events.contains("title Local one"));
        QVERIFY(w->events.contains("done " + file));
        QTRY_VERIFY_WITH_TIMEOUT(
            w->events.contains("before " +
                               QUrl::fromLocalFile(dir.filePath("inner.htm")).toString()),
            Patience);

        NextLoad bare(*w);
        QVERIFY(w->view.Navigate(at("/b").mid(int(qstrlen("http://")))));
        QVERIFY(bare.wait());
        QVERIFY(w->events.contains("title Page B"));

        w->events.clear();
        QVERIFY(!w->view.Navigate("http://"));
        QTest::qWait(200);
        QVERIFY(w->events.isEmpty());
        QCOMPARE(w->url(), at("/b"));
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
        QCOMPARE(asMe.contains(line), geteuid() == 0);
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
