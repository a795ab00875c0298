#include "local_http_server.h"
#include "platform/webengine_view.h"
#include "test_main.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <functional>
#include <memory>

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
                             if (url.contains("/forbidden") || url == refuse) {
                                 *cancel = true;
                                 view.Stop(); // what the address filter does on a refusal
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
        QObject::connect(&view, &WebView::TitleChange, &view,
                         [this](const QString& text) { events << "title " + text; });
    }

    int count(const QString& event) const { return int(events.count(event)); }
    QStringList matching(const QString& pattern) const
    {
        return events.filter(QRegularExpression(pattern));
    }
    // Runs the step and, if it was taken, waits until every load begun has ended.
    bool loads(const std::function<bool()>& step)
    {
        events.clear();
        if (!step())
            return false;
        QDeadlineTimer deadline(Patience);
        while ((count("complete") == 0 || count("complete") < count("begin")) &&
               !deadline.hasExpired())
            QTest::qWait(20);
        QTest::qWait(100); // a frame or a redirect may begin one more
        return count("complete") > 0 && count("complete") == count("begin");
    }
    QString url() const { return view.engineView()->url().toString(); }
    bool script(const QString& js)
    {
        return loads([&] { return view.engineView()->page()->runJavaScript(js), true; });
    }

    WebEngineView view;
    QStringList events;
    QString refuse;
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
    QString at(const QString& path) const { return m_server.url(path); }

private Q_SLOTS:
    void initTestCase()
    {
        m_profile = std::make_unique<QWebEngineProfile>(); // keeps nothing on disk
        QVERIFY(m_server.start());
        m_server.page("/a",
                      html("Page A", "<a id=next href='/b'>next</a><iframe src='/frame'></iframe>"
                                     "<a id=blank target=_blank href='/w'>blank</a>"));
        m_server.page("/b", html("Page B"));
        m_server.page("/frame", html("Frame", "<iframe src='/forbidden-frame'></iframe>"));
        m_server.page("/c", html("Page C"));
        m_server.redirect("/redir", "/c");
        m_server.redirect("/redir-to-forbidden", "/forbidden-target");
        LocalHttpServer::Reply slow;
        slow.body = html("Slow");
        slow.delayMs = 60000;
        m_server.reply("/slow", slow);
    }

    void cleanupTestCase() { m_profile.reset(); }

    // Every way a page is reached asks first: typed (as a bare host name),
    // a frame, a link, a script, a redirect, back and forward, a reload.
    void everyNavigationAsksFirst()
    {
        Watched w(m_profile.get());
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/a").mid(7)); }));
        QCOMPARE(w.events.first(), "before " + at("/a"));
        QVERIFY(w.events.contains("before " + at("/frame")));
        QVERIFY(w.events.contains("title Page A"));
        QVERIFY(w.events.indexOf("done " + at("/a")) < w.events.lastIndexOf("complete"));

        // New windows open nothing; the server never hears of them.
        w.view.engineView()->page()->runJavaScript(
            "document.getElementById('blank').click(); window.open('/w')");
        QTRY_COMPARE_WITH_TIMEOUT(w.count("new window"), 2, Patience);
        QVERIFY(w.script("document.getElementById('next').click()"));
        QCOMPARE(w.matching("^before "), QStringList{"before " + at("/b")});
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/redir")); }));
        QCOMPARE(w.matching("^(before|done) "),
                 (QStringList{"before " + at("/redir"), "before " + at("/c"), "done " + at("/c")}));
        QVERIFY(w.loads([&] { return w.view.GoBack(); }));
        QCOMPARE(w.matching("^before "), QStringList{"before " + at("/b")});
        QVERIFY(w.loads([&] { return w.view.GoForward(); }));
        QCOMPARE(w.url(), at("/c"));
        QVERIFY(!w.view.GoForward());
        // The same address again and a reload change no address, yet complete.
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/c")); }));
        QVERIFY(w.loads([&] { return w.view.Refresh(), true; }));
        QCOMPARE(w.count("done " + at("/c")), 1);
        QVERIFY(!m_server.requests.contains("/w"));
    }

    // A refused load still begins and completes, and loads nothing.
    void aRefusalReallyCancels_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("refused");
        QTest::newRow("typed") << "/forbidden"
                               << "/forbidden";
        QTest::newRow("redirected") << "/redir-to-forbidden"
                                    << "/forbidden-target";
        QTest::newRow("by script") << "location.href = '/forbidden-script'"
                                   << "/forbidden-script";
        QTest::newRow("a second typed one while the first winds down") << "twice"
                                                                       << "/forbidden-2";
        QTest::newRow("going back") << "back"
                                    << "/b";
    }
    void aRefusalReallyCancels()
    {
        QFETCH(QString, how);
        QFETCH(QString, refused);
        Watched w(m_profile.get());
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/b")); }));
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/a")); })); // its frame's frame is refused
        w.refuse = at(refused);
        QVERIFY(w.loads([&] {
            if (how == "back")
                return w.view.GoBack();
            if (how.startsWith("location"))
                return w.view.engineView()->page()->runJavaScript(how), true;
            if (how == "twice") {
                auto* once = new QObject(&w.view);
                QObject::connect(&w.view, &WebView::DownloadBegin, once, [&, once] {
                    delete once;
                    w.view.Navigate(at("/forbidden-2"));
                });
                return w.view.Navigate(at("/forbidden-1"));
            }
            return w.view.Navigate(at(how));
        }));
        QVERIFY(w.events.contains("before " + at(refused)));
        QCOMPARE(w.url(), at("/a"));
        QVERIFY2(w.matching("^(done|title) ").isEmpty(), qPrintable(w.events.join(" | ")));
        for (const QString& path : m_server.requests)
            QVERIFY2(!path.contains("/forbidden"), qPrintable(path));
    }

    void stoppedAndAbandonedLoadsStillComplete()
    {
        Watched w(m_profile.get());
        QVERIFY(!w.view.GoBack() && !w.view.GoForward()); // no history yet
        QVERIFY(w.loads([&] { return w.view.Navigate(at("/b")); }));
        QVERIFY(w.loads([&] {
            w.view.Navigate(at("/slow"));
            return QTest::qWaitFor([&] { return m_server.requests.contains("/slow"); }, Patience) &&
                   (w.view.Stop(), true);
        }));
        QVERIFY(w.matching("^done ").isEmpty());
        // A new address while one is still loading.
        m_server.requests.clear();
        QVERIFY(w.loads([&] {
            w.view.Navigate(at("/slow"));
            return QTest::qWaitFor([&] { return m_server.requests.contains("/slow"); }, Patience) &&
                   w.view.Navigate(at("/a"));
        }));
        QCOMPARE(w.url(), at("/a"));
        QVERIFY(!w.events.contains("done " + at("/slow")));
    }

    void typedTextIsReadAsAnAddressBarReadsIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::newRow("host") << "example.org"
                              << "http://example.org";
        QTest::newRow("host and port") << "127.0.0.1:8080/x"
                                       << "http://127.0.0.1:8080/x";
        QTest::newRow("full") << "https://example.org/a?b=1"
                              << "https://example.org/a?b=1";
        QTest::newRow("local file") << "/tmp/a b/intro.htm"
                                    << "file:///tmp/a b/intro.htm";
        QTest::newRow("no host") << "http://"
                                 << "";
        QTest::newRow("blank") << "  "
                               << "";
    }
    void typedTextIsReadAsAnAddressBarReadsIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        QCOMPARE(WebEngineView::addressBarUrl(typed).toString(), url);
    }
};

TOBRIN_TEST(WebEngineViewTest);

#include "webengine_view_test.moc"
