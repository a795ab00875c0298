#include "favorites/favorites_tab.h"
#include "local_http_server.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/elastic_panel.h"
#include "shell/webengine_view.h"
#include "test_install.h"
#include "test_main.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

constexpr int kLoadTimeout = 30000;

QVariant evaluate(QWebEnginePage* page, const QString& script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, kLoadTimeout))
        qWarning("script gave no result: %s", qPrintable(script));
    return result;
}

bool requested(const QSignalSpy& spy, const QString& url)
{
    for (const QList<QVariant>& call : spy) {
        if (call.value(0).toString() == url)
            return true;
    }
    return false;
}

} // namespace

class FavoritesEngineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void generatedPageWorksInTheRealEngine()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.page(QStringLiteral("/zoo"), "<html><title>Zoo</title><body>zoo</body></html>");
        server.page(QStringLiteral("/blocked"), "<html><title>Blocked</title></html>");

        TestInstall install;
        auto form = install.window(true, TestInstall::Engine::Real);
        form->show();
        QWebEnginePage* page = static_cast<WebEngineView*>(form->WebBrowser1)->engineView()->page();

        FavoritesTab& tab = form->panel().favorites();
        const QString zoo = server.url(QStringLiteral("/zoo"));
        const QString quoted = server.url(QStringLiteral("/quoted?it's=\"so\""));
        const QString blocked = server.url(QStringLiteral("/blocked"));
        const QList<QPair<QString, QString>> sites{
            {QStringLiteral("<script>document.title='owned'</script>"), zoo},
            {QStringLiteral("Tom & Jerry"), quoted},
            {QStringLiteral("Blocked"), blocked}};
        for (const auto& [name, address] : sites) {
            tab.Text4->setText(name);
            tab.Text5->setText(address);
            tab.Command14_Click();
        }

        // Stands in for a refusing address check: the navigation must ask first.
        connect(form->WebBrowser1, &WebView::BeforeNavigate2, form.get(),
                [blocked](const QString& url, bool* cancel) {
                    if (url == blocked)
                        *cancel = true;
                });
        QSignalSpy before(form->WebBrowser1, &WebView::BeforeNavigate2);

        QTest::mouseClick(form->cmdBookMarks, Qt::LeftButton);
        const QString pageUrl = install.context().paths.pageAddress(AppPaths::FavoritesPage);
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentUrl, pageUrl, kLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(page, QStringLiteral("document.readyState")) ==
                                     QStringLiteral("complete"),
                                 kLoadTimeout);
        QVERIFY(requested(before, pageUrl));

        const QStringList links =
            evaluate(page, QStringLiteral("Array.from(document.links).map(a => "
                                          "a.getAttribute('href') + ' | ' + a.textContent)"))
                .toStringList();
        QCOMPARE(links,
                 (QStringList{zoo + QStringLiteral(" | <script>document.title='owned'</script>"),
                              quoted + QStringLiteral(" | Tom & Jerry"),
                              blocked + QStringLiteral(" | Blocked"),
                              QStringLiteral("intro.htm | Tobrin 2.0 by Corvane")}));
        QCOMPARE(evaluate(page, QStringLiteral("document.scripts.length")).toInt(), 0);
        QCOMPARE(evaluate(page, QStringLiteral("document.title")).toString(),
                 QStringLiteral("Favorites"));
        // The icon beside the page loads for every link.
        QCOMPARE(evaluate(page, QStringLiteral("Array.from(document.images).filter(i => "
                                               "i.complete && i.naturalWidth > 0).length"))
                     .toInt(),
                 3);

        // Every followed link asks the check first: a refused one is never
        // fetched, an allowed one reaches the site.
        evaluate(page, QStringLiteral("document.links[2].click()"));
        QTRY_VERIFY_WITH_TIMEOUT(requested(before, blocked), kLoadTimeout);
        evaluate(page, QStringLiteral("document.links[0].click()"));
        QTRY_VERIFY_WITH_TIMEOUT(requested(before, zoo), kLoadTimeout);
        QTRY_VERIFY2_WITH_TIMEOUT(server.requests.contains(QStringLiteral("/zoo")),
                                  "a link on the local favorites page must open the web site",
                                  kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentTitle, QStringLiteral("Zoo"), kLoadTimeout);
        QVERIFY(!server.requests.contains(QStringLiteral("/blocked")));
    }
};

TOBRIN_TEST(FavoritesEngineTest);
#include "favorites_engine_test.moc"
