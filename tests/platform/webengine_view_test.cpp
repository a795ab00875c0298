#include "local_http_server.h"
#include "platform/webengine_view.h"
#include "test_main.h"

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
    explicit Watched(QWebEngineProfile* profile, const QString& localPages = {})
        : view(profile, nullptr, localPages)
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
        note(&WebView::DownloadBegin, u"begin"_s);
        note(&WebView::DownloadComplete, u"complete"_s);
        note(&WebView::NavigateComplete2, u"done"_s);
        note(&WebView::TitleChange, u"title"_s);
        QObject::connect(&view, &WebView::NewWindow2, &view, [this](bool* cancel) {
            events << "new window";
            *cancel = true;
        });
    }
    // Writes down the event's name, then its text if it has one.
    template <typename... Text> void note(void (WebView::*event)(Text...), const QString& name)
    {
        QObject::connect(&view, event, &view,
                         [this, name](Text... text) { events << (name + ... + (u' ' + text)); });
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
    bool navigates(const QString& address)
    {
        return loads([&] { return view.Navigate(address); });
    }
    QString url() const { return view.engineView()->url().toString(); }
    void runScript(const QString& js) { view.engineView()->page()->runJavaScript(js); }

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
        m_server.reply("/redir", {302, {}, "text/html", "/c"});
        m_server.reply("/redir-to-forbidden", {302, {}, "text/html", "/forbidden-target"});
        m_server.reply("/slow", {200, html("Slow"), "text/html", {}, 60000});
    }

    void cleanupTestCase() { m_profile.reset(); }

    // Every way a page is reached asks first: typed (as a bare host name),
    // a frame, a link, a script, a redirect, back and forward, a reload.
    void everyNavigationAsksFirst()
    {
        Watched w(m_profile.get());
        QVERIFY(w.navigates(at("/a").mid(7)));
        QCOMPARE(w.events.first(), "before " + at("/a"));
        QVERIFY(w.events.contains("before " + at("/frame")));
        QVERIFY(w.events.contains("title Page A"));
        QVERIFY(w.events.indexOf("done " + at("/a")) < w.events.lastIndexOf("complete"));

        // New windows open nothing; the server never hears of them.
        w.runScript("document.getElementById('blank').click(); window.open('/w')");
        QTRY_COMPARE_WITH_TIMEOUT(w.count("new window"), 2, Patience);
        QVERIFY(
            w.loads([&] { return w.runScript("document.getElementById('next').click()"), true; }));
        QCOMPARE(w.matching("^before "), QStringList{"before " + at("/b")});
        QVERIFY(w.navigates(at("/redir")));
        QCOMPARE(w.matching("^(before|done) "),
                 (QStringList{"before " + at("/redir"), "before " + at("/c"), "done " + at("/c")}));
        QVERIFY(w.loads([&] { return w.view.GoBack(); }));
        QCOMPARE(w.matching("^before "), QStringList{"before " + at("/b")});
        QVERIFY(w.loads([&] { return w.view.GoForward(); }));
        QCOMPARE(w.url(), at("/c"));
        QVERIFY(!w.view.GoForward());
        // The same address again and a reload change no address, yet complete.
        QVERIFY(w.navigates(at("/c")));
        QVERIFY(w.loads([&] { return w.view.Refresh(), true; }));
        QCOMPARE(w.count("done " + at("/c")), 1);
        QVERIFY(!m_server.requests.contains("/w"));
    }

    // A refused load still begins and completes, and loads nothing.
    void aRefusalReallyCancels_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("refused");
        for (const auto& [tag, how, refused] :
             {std::tuple("typed", "/forbidden", "/forbidden"),
              std::tuple("redirected", "/redir-to-forbidden", "/forbidden-target"),
              std::tuple("by script", "location.href = '/forbidden-script'", "/forbidden-script"),
              std::tuple("a second typed one while the first winds down", "twice", "/forbidden-2"),
              std::tuple("going back", "back", "/b")})
            QTest::newRow(tag) << QString(how) << QString(refused);
    }
    void aRefusalReallyCancels()
    {
        QFETCH(QString, how);
        QFETCH(QString, refused);
        Watched w(m_profile.get());
        QVERIFY(w.navigates(at("/b")));
        QVERIFY(w.navigates(at("/a"))); // its frame's frame is refused
        w.refuse = at(refused);
        QVERIFY(w.loads([&] {
            if (how == "back")
                return w.view.GoBack();
            if (how.startsWith("location"))
                return w.runScript(how), true;
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
        QVERIFY(w.navigates(at("/b")));
        // Asks for the slow page and, once the server has heard of it, takes the next step.
        auto whileSlow = [&](const std::function<bool()>& next) {
            m_server.requests.clear();
            return w.loads([&] {
                return w.view.Navigate(at("/slow")) &&
                       QTest::qWaitFor([&] { return m_server.requests.contains("/slow"); },
                                       Patience) &&
                       next();
            });
        };
        QVERIFY(whileSlow([&] { return w.view.Stop(), true; }));
        QVERIFY(w.matching("^done ").isEmpty());
        QVERIFY(whileSlow([&] { return w.view.Navigate(at("/a")); })); // a new address meanwhile
        QCOMPARE(w.url(), at("/a"));
        QVERIFY(!w.events.contains("done " + at("/slow")));
    }

    void typedTextIsReadAsAnAddressBarReadsIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        for (const auto& [typed, url] :
             {std::pair("example.org", "http://example.org"),
              std::pair("127.0.0.1:8080/x", "http://127.0.0.1:8080/x"),
              std::pair("https://example.org/a?b=1", "https://example.org/a?b=1"),
              std::pair("/tmp/a b/intro.htm", "file:///tmp/a b/intro.htm"),
              std::pair("http://", ""), std::pair("  ", "")})
            QTest::newRow(typed) << QString(typed) << QString(url);
    }
    void typedTextIsReadAsAnAddressBarReadsIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        QCOMPARE(WebEngineView::addressBarUrl(typed).toString(), url);
    }

    // Each way a request leaves the page (a resource, a script's, a frame, a
    // download), first to a blocked address, then, once that one has failed,
    // to an allowed one: the server must hear only the second.
    void everyRequestMeetsTheCheck_data()
    {
        QTest::addColumn<QString>("request"); // a script function of the address; empty: save link
        QTest::newRow("image") << "u => new Promise((ok, no) => "
                                  "Object.assign(new Image(), {onload: ok, onerror: no, src: u}))";
        QTest::newRow("fetch") << "u => fetch(u)";
        QTest::newRow("frame") << "u => new Promise(done => document.body.append("
                                  "Object.assign(document.createElement('iframe'), "
                                  "{onload: done, src: u})))";
        QTest::newRow("save link") << QString();
    }

    void everyRequestMeetsTheCheck()
    {
        QFETCH(QString, request);
        auto w = std::make_unique<Watched>(m_profile.get());
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

    // A page asking for files gets none and no dialog opens: upload fields
    // for one file, many and a folder, the script pickers; a dropped or
    // pasted file never reaches it.
    void aPageGetsNoFiles()
    {
        m_server.page(
            "/upload",
            html("Upload",
                 "<input type=file><input type=file multiple>"
                 "<input type=file webkitdirectory>"
                 "<button onclick=showOpenFilePicker()>o</button>"
                 "<button onclick=showDirectoryPicker()>d</button>"
                 "<button onclick=showSaveFilePicker()>s</button>"
                 "<textarea></textarea><script>ondragover = ondrop = document.onpaste = e => {"
                 " e.preventDefault(); if (e.type != 'dragover') document.title = e.type"
                 " }</script>"));
        Watched w(m_profile.get());
        w.note(&WebView::FilesRefused, u"no files"_s);
        QVERIFY(w.navigates(at("/upload")));
        int dialogs = 0; // a dialog opened anyway is counted and closed, not waited on
        QTimer closer;
        closer.callOnTimeout([&] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialogs += dialog->close();
        });
        closer.start(50);
        for (int i = 0; i < 6; ++i) {
            w.runScript(QString("document.querySelectorAll('input, button')[%1].focus()").arg(i));
            QTest::qWait(200);
            QTest::keyClick(w.view.engineView()->focusProxy(), Qt::Key_Space);
            QTRY_COMPARE_WITH_TIMEOUT(w.count("no files"), i + 1, Patience);
        }
        QWidget* target = w.view.engineView()->focusProxy();
        while (!target->acceptDrops())
            target = target->parentWidget();
        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(QCoreApplication::applicationFilePath())});
        const QPoint spot(20, 20);
        QDragEnterEvent enter(spot, Qt::CopyAction, &file, Qt::LeftButton, {});
        QDropEvent drop(spot, Qt::CopyAction, &file, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QApplication::sendEvent(target, &drop);
        QCOMPARE(w.count("no files"), 7);
        auto* copied = new QMimeData;
        copied->setUrls(file.urls());
        QGuiApplication::clipboard()->setMimeData(copied);
        w.runScript("document.querySelector('textarea').focus()");
        QTest::qWait(200);
        w.view.engineView()->page()->triggerAction(QWebEnginePage::Paste);
        QTest::qWait(300);
        w.events.clear();
        w.runScript("document.title += [...document.querySelectorAll('input')]"
                    ".map(i => i.files.length).join()");
        QTRY_COMPARE_WITH_TIMEOUT(w.matching("^title "), QStringList{"title Upload0,0,0"},
                                  Patience);
        QCOMPARE(dialogs, 0);
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
        QTest::newRow("script, capitals") << "JavaScript:fetch('/ran')" << false << false;
        QTest::newRow("script, blanks first") << " \t javascript:fetch('/ran')" << false << false;
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
        QVERIFY(!w->events.contains("title ran"));
    }
};

TOBRIN_TEST(WebEngineViewTest);

#include "webengine_view_test.moc"
