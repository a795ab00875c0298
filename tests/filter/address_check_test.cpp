#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "local_http_server.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/elastic_panel.h"
#include "platform/webengine_view.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile> // TestInstall owns one and is destroyed here
#include <QWebEngineView>

namespace {

const QString kBlocked = QStringLiteral("S I T E   B L O C K E D");

QStringList history(const Form1& form)
{
    QStringList items;
    for (int i = 0; i < form.Combo1->count(); ++i)
        items << form.Combo1->itemText(i);
    return items;
}

} // namespace

class AddressCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The fake page view raises its events through the same handler as the real engine.
    void blockedAndAllowedAddresses()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "bet \r\ncasino\r\n");
        auto form = install.window();
        FakeWebView* view = install.view(*form);
        const QString start = install.context().paths.pageAddress(AppPaths::IntroPage);

        // Blocked: cancelled, stopped, never recorded; the status line stays.
        const int stops = view->stopCount;
        QVERIFY(!view->Navigate(QStringLiteral("http://www.casino.com/")));
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QCOMPARE(view->stopCount, stops + 1);
        QCOMPARE(form->rodape->caption(), QStringLiteral(" Checking site..."));
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor); // back to the default pointer
        QCOMPARE(view->history, QStringList{start});

        // Letter case and a trailing space in an entry both count.
        QVERIFY(view->Navigate(QStringLiteral("http://www.CASINO.com/")));
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("http://www.CASINO.com/"));
        QVERIFY(view->Navigate(QStringLiteral("http://bet.com/")));
        QVERIFY(!view->Navigate(QStringLiteral("http://x.com/?q=bet both")));

        // Once per exact address; another letter case is another item.
        QVERIFY(view->Navigate(QStringLiteral("http://bet.com/")));
        QVERIFY(view->Navigate(QStringLiteral("http://Bet.com/")));
        QCOMPARE(history(*form), (QStringList{start, "http://www.CASINO.com/", "http://bet.com/",
                                              "http://Bet.com/"}));

        // Frames are checked like pages; an allowed frame becomes the box text.
        QVERIFY(!view->pageNavigates(QStringLiteral("http://ads.net/casino/frame.htm")));
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QVERIFY(view->pageNavigates(QStringLiteral("http://ads.net/frame.htm")));
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("http://ads.net/frame.htm"));

        // A word added in the panel holds for the very next step back.
        form->panel().addresses().list().insert(QStringLiteral("Bet.com"));
        QVERIFY(view->GoBack()); // to http://Bet.com/... refused
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QCOMPARE(view->history.at(view->index), QStringLiteral("http://ads.net/frame.htm"));

        // Switched off: nothing is examined, shown or recorded.
        form->panel().Check1->setChecked(true);
        form->rodape->setCaption(QStringLiteral("before"));
        const QStringList before = history(*form);
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("http://casino.com/"), cancel);
        QVERIFY(!cancel);
        QCOMPARE(form->rodape->caption(), QStringLiteral("before"));
        QCOMPARE(history(*form), before);
    }

    // The first check loads the panel's list; the empty entry blocks every
    // address but the empty one, and an empty list blocks nothing.
    void emptyEntryAndEmptyList()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "\r\n");
        auto form = install.window(false);
        QVERIFY(!form->panelLoaded());
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("a"), cancel);
        QVERIFY(form->panelLoaded());
        QVERIFY(cancel);
        cancel = false;
        form->WebBrowser1_BeforeNavigate2(QString(), cancel);
        QVERIFY(!cancel);

        form->panel().addresses().list().takeAt(0);
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("http://anything.org/"), cancel);
        QVERIFY(!cancel);
        QCOMPARE(history(*form).count(QStringLiteral("http://anything.org/")), 1);
    }

    // The real web engine, served by a local HTTP server: a blocked word in a
    // typed address, a link, a frame, a script and a redirect target.
    void everyWayInIsChecked()
    {
        constexpr int kLoadTimeout = 30000;
        LocalHttpServer server;
        QVERIFY(server.start());
        server.page("/start.htm", "<html><body><a id='go' href='/casino-link.htm'>go</a></body></html>");
        server.page("/framed.htm", "<html><body><iframe src='/casino-frame.htm'></iframe>"
                                   "<iframe src='/fine-frame.htm'></iframe></body></html>");
        server.page("/fine-frame.htm", "<html><body>fine</body></html>");
        server.page("/scripted.htm", "<html><body><script>"
                                     "setTimeout(function(){window.location='/casino-script.htm';},0)"
                                     "</script></body></html>");
        server.redirect("/jump.htm", server.url("/casino-target.htm"));
        for (const char* blocked : {"/casino-link.htm", "/casino-frame.htm", "/casino-script.htm",
                                    "/casino-target.htm", "/casino-typed.htm"})
            server.page(blocked, "<html><body>should never load</body></html>");

        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "casino\r\n");
        QStringList checked; // declared before the window, which reports into it
        auto form = install.window(true, TestInstall::Engine::Real);
        auto* view = static_cast<WebEngineView*>(form->WebBrowser1);
        connect(view, &WebView::BeforeNavigate2, form.get(),
                [&checked](const QString& url, bool*) { checked << url; });
        QSignalSpy loads(view->engineView()->page(), &QWebEnginePage::loadFinished);
        auto navigate = [&](const QString& path) {
            form->Combo1->setEditText(server.url(path));
            form->Combo1_Click();
        };

        navigate("/casino-typed.htm");
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(server.url("/casino-typed.htm")), kLoadTimeout);
        QCOMPARE(form->Combo1->currentText(), kBlocked);

        // A link.
        navigate("/start.htm");
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.contains("/start.htm") && !loads.isEmpty(),
                                 kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(loads.last().at(0).toBool(), kLoadTimeout);
        view->engineView()->page()->runJavaScript(QStringLiteral("document.getElementById('go').click()"));
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(server.url("/casino-link.htm")), kLoadTimeout);

        // Frames: the blocked one is refused, the allowed one recorded.
        navigate("/framed.htm");
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(server.url("/casino-frame.htm")), kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(history(*form).count(server.url("/fine-frame.htm")), 1, kLoadTimeout);

        // A script and a redirect.
        navigate("/scripted.htm");
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(server.url("/casino-script.htm")), kLoadTimeout);
        navigate("/jump.htm");
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(server.url("/casino-target.htm")), kLoadTimeout);
        QCOMPARE(form->Combo1->currentText(), kBlocked);

        // Typed script runs nowhere, whatever its letter case or leading blanks.
        for (const char* typed : {"javascript:fetch('/casino-ran')", "JavaScript:fetch('/ran')",
                                  " \t javascript:fetch('/ran')"}) {
            form->Combo1->setEditText(QString::fromLatin1(typed));
            int enter = 13;
            form->Combo1_KeyPress(enter);
            QCOMPARE(form->Combo1->currentText(), kBlocked);
        }

        // Allowed addresses once each, even when visited twice; nothing blocked
        // was recorded or fetched.
        navigate("/start.htm");
        QTRY_COMPARE_WITH_TIMEOUT(server.requests.count("/start.htm"), 2, kLoadTimeout);
        for (const char* allowed : {"/start.htm", "/framed.htm", "/scripted.htm", "/jump.htm"})
            QCOMPARE(history(*form).count(server.url(allowed)), 1);
        QCOMPARE(history(*form).filter(QStringLiteral("casino")), QStringList());
        QCOMPARE(server.requests.filter(QStringLiteral("casino")), QStringList());
        QVERIFY(!server.requests.contains("/ran"));

        // A blocked image is not fetched and leaves the box and the history
        // alone; with the address control stopped it is fetched.
        const QStringList before = history(*form);
        const auto image = [&](const QString& path) {
            view->engineView()->page()->runJavaScript("new Image().src = '" + path + "'");
        };
        image("/casino.png");
        image("/fine.png");
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.contains("/fine.png"), kLoadTimeout);
        QVERIFY(!server.requests.contains("/casino.png"));
        QCOMPARE(form->Combo1->currentText(), server.url("/start.htm"));
        QCOMPARE(history(*form), before);
        form->panel().Check1->setChecked(true);
        image("/casino.png");
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.contains("/casino.png"), kLoadTimeout);

        // The installation's pages still show.
        form->VideoSoftElastic5_Click();
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentUrl,
                                  install.context().paths.pageAddress(AppPaths::IntroPage),
                                  kLoadTimeout);
        form->cmdBookMarks_Click();
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentUrl,
                                  install.context().paths.pageAddress(AppPaths::FavoritesPage),
                                  kLoadTimeout);
    }
};

TOBRIN_TEST(AddressCheckTest);
#include "address_check_test.moc"
