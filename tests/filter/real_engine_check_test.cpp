#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "local_http_server.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/webengine_view.h"
#include "test_install.h"
#include "test_main.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineProfile> // TestInstall owns one and is destroyed here
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int kLoadTimeout = 30000;

int timesInHistory(const Form1& form, const QString& address)
{
    int n = 0;
    for (int i = 0; i < form.Combo1->count(); ++i)
        n += form.Combo1->itemText(i) == address ? 1 : 0;
    return n;
}

bool checked(const QSignalSpy& spy, const QString& address)
{
    for (const QList<QVariant>& call : spy) {
        if (call.at(0).toString() == address)
            return true;
    }
    return false;
}

} // namespace

// The real web engine, served by a local HTTP server: a blocked word in a
// typed address, a link, a frame, a script and a redirect target.
class RealEngineCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyWayInIsChecked()
    {
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
        auto form = install.window(true, TestInstall::Engine::Real);
        auto* view = static_cast<WebEngineView*>(form->WebBrowser1);
        QSignalSpy checks(view, &WebView::BeforeNavigate2);
        QSignalSpy loads(view->engineView()->page(), &QWebEnginePage::loadFinished);
        auto navigate = [&](const QString& address) {
            form->Combo1->setEditText(address);
            form->Combo1_Click();
        };

        // Typed.
        navigate(server.url("/casino-typed.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(checked(checks, server.url("/casino-typed.htm")), kLoadTimeout);
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("S I T E   B L O C K E D"));

        // A link.
        navigate(server.url("/start.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.contains("/start.htm") && !loads.isEmpty(),
                                 kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(loads.last().at(0).toBool(), kLoadTimeout);
        view->engineView()->page()->runJavaScript(QStringLiteral("document.getElementById('go').click()"));
        QTRY_VERIFY_WITH_TIMEOUT(checked(checks, server.url("/casino-link.htm")), kLoadTimeout);

        // Frames: the blocked one is refused, the allowed one recorded.
        navigate(server.url("/framed.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(checked(checks, server.url("/casino-frame.htm")), kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(timesInHistory(*form, server.url("/fine-frame.htm")) == 1,
                                 kLoadTimeout);

        // A script and a redirect.
        navigate(server.url("/scripted.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(checked(checks, server.url("/casino-script.htm")), kLoadTimeout);
        navigate(server.url("/jump.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(checked(checks, server.url("/casino-target.htm")), kLoadTimeout);
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("S I T E   B L O C K E D"));

        // Allowed addresses once each, even when visited twice.
        navigate(server.url("/start.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests.count("/start.htm") == 2, kLoadTimeout);
        for (const char* allowed : {"/start.htm", "/framed.htm", "/scripted.htm", "/jump.htm"})
            QCOMPARE(timesInHistory(*form, server.url(allowed)), 1);
        for (int i = 0; i < form->Combo1->count(); ++i)
            QVERIFY2(!form->Combo1->itemText(i).contains(QStringLiteral("casino")),
                     qPrintable(form->Combo1->itemText(i)));
        for (const QString& path : server.requests)
            QVERIFY2(!path.contains(QStringLiteral("casino")), qPrintable(path));
    }
};

TOBRIN_TEST(RealEngineCheckTest);
#include "real_engine_check_test.moc"
