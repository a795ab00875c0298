#include "favorites/favorites_page.h"
#include "favorites/favorites_tab.h"
#include "local_http_server.h"
#include "panel/panel_window.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/webengine_view.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile> // TestInstall holds one; its destructor needs the whole type
#include <QWebEngineView>

namespace {

constexpr int kFavoritesTab = 2;

// The panel shown on its Favorites tab, as the parent sees it.
FavoritesTab& openTab(Form1& form)
{
    Form2& panel = form.panel();
    panel.VideoSoftIndexTab1->setCurrentTab(kFavoritesTab);
    panel.show();
    return panel.favorites();
}

void clickRow(QListWidget* list, int row)
{
    const QRect place = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

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

} // namespace

class FavoritesTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void addSelectAndDelete()
    {
        TestInstall install;
        auto form = install.window();
        FavoritesTab& tab = openTab(*form);
        QVERIFY(QTest::qWaitForWindowExposed(&form->panel()));
        QVERIFY(!tab.Command13->isEnabled());

        // Add twice: the fields keep their text, so the same site twice.
        tab.Text4->setText(QStringLiteral("The Zoo"));
        tab.Text5->setText(QStringLiteral("http://zoo.example/"));
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        tab.Text4->setText(QStringLiteral("Moon"));
        tab.Text5->setText(QStringLiteral("http://moon.example/"));
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QCOMPARE(install.bytes(AppPaths::Pref),
                 QByteArray("The Zoo\r\nhttp://zoo.example/\r\nThe Zoo\r\nhttp://zoo.example/\r\n"
                            "Moon\r\nhttp://moon.example/\r\n"));
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Add, tab.entries()));
        QVERIFY(MessageBox::takeShown().isEmpty());

        // A click in one list selects the same row in the other and enables Delete.
        clickRow(tab.List2, 1);
        QCOMPARE(tab.List3->currentRow(), 1);
        QVERIFY(tab.Command13->isEnabled());
        clickRow(tab.List3, 0);
        QCOMPARE(tab.List2->currentRow(), 0);

        // Delete answered No: lists and file stay, the page is rewritten in
        // its delete form, Delete is disabled.
        const QByteArray listBefore = install.bytes(AppPaths::Pref);
        MessageBox::queueAnswer(QMessageBox::No);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Remove <http://zoo.example/> ???"));
        QCOMPARE(shown[0].title, QStringLiteral("Attention!"));
        QCOMPARE(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(tab.List3->count(), 3);
        QCOMPARE(install.bytes(AppPaths::Pref), listBefore);
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Delete, tab.entries()));
        QVERIFY(!tab.Command13->isEnabled());

        // A click on the row already selected enables Delete again; Yes puts
        // the entry back into the fields and removes it everywhere.
        clickRow(tab.List3, 0);
        QVERIFY(tab.Command13->isEnabled());
        clickRow(tab.List3, 2);
        tab.Text4->setText(QStringLiteral("typed"));
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown().value(0).text,
                 QStringLiteral("Remove <http://moon.example/> ???"));
        QCOMPARE(tab.Text4->text(), QStringLiteral("Moon"));
        QCOMPARE(tab.Text5->text(), QStringLiteral("http://moon.example/"));
        QCOMPARE(install.bytes(AppPaths::Pref), QByteArray("The Zoo\r\nhttp://zoo.example/\r\n"
                                                           "The Zoo\r\nhttp://zoo.example/\r\n"));
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Delete, tab.entries()));
        QVERIFY(!tab.Command13->isEnabled());
        QCOMPARE(tab.List2->currentRow(), -1);

        // Both fields empty: an empty entry, two empty lines in the file.
        tab.Text4->clear();
        tab.Text5->clear();
        QTest::mouseClick(tab.Command14, Qt::LeftButton);
        QVERIFY(install.bytes(AppPaths::Pref).endsWith("zoo.example/\r\n\r\n\r\n"));
    }

    void loadsTheFileAndDeletesTheOnlyEntry()
    {
        TestInstall install;
        install.setBytes(AppPaths::Pref, "Only \xE9t\xE9\r\nhttp://only.example/\r\n");
        auto form = install.window();
        FavoritesTab& tab = openTab(*form);
        QVERIFY(QTest::qWaitForWindowExposed(&form->panel()));

        clickRow(tab.List2, 0);
        MessageBox::queueAnswer(QMessageBox::Yes);
        QTest::mouseClick(tab.Command13, Qt::LeftButton);
        QCOMPARE(tab.List3->count() + tab.List2->count(), 0);
        QCOMPARE(tab.Text4->text(), QStringLiteral("Only \u00E9t\u00E9"));
        QCOMPARE(tab.Text5->text(), QStringLiteral("http://only.example/"));
        QCOMPARE(install.bytes(AppPaths::Pref), QByteArray());
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Delete, {}));
    }

    void failedReadsAndSavesAreToldAndKeepTheList()
    {
        TestInstall install;
        QFile::remove(install.file(AppPaths::Pref));
        QVERIFY(QDir().mkpath(install.file(AppPaths::Pref)));
        auto form = install.window();
        QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.contains(QStringLiteral("pref.txt")));
        QCOMPARE(shown[0].icon, QMessageBox::Warning);

        FavoritesTab& tab = form->panel().favorites();
        tab.Text4->setText(QStringLiteral("Zoo"));
        tab.Text5->setText(QStringLiteral("zoo.example"));
        tab.Command14_Click();
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY(shown[0].text.contains(QStringLiteral("pref.txt")));
        // The page beside it could still be written.
        QCOMPARE(install.bytes(AppPaths::FavoritesPage),
                 FavoritesPage::bytes(FavoritesPage::Form::Add, tab.entries()));

        // Both failing: one message names both files.
        QVERIFY(QFile::remove(install.file(AppPaths::FavoritesPage)));
        QVERIFY(QDir().mkpath(install.file(AppPaths::FavoritesPage)));
        tab.Command14_Click();
        shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("pref.txt")) &&
                     shown[0].text.contains(QStringLiteral("favorites.htm")),
                 qPrintable(shown[0].text));

        // The next save writes the list as shown; a pasted line break cannot
        // split an entry in the file.
        QVERIFY(QDir(install.file(AppPaths::Pref)).removeRecursively());
        QVERIFY(QDir(install.file(AppPaths::FavoritesPage)).removeRecursively());
        tab.Text4->setText(QStringLiteral("two\r\nlines"));
        tab.Command14_Click();
        QCOMPARE(install.bytes(AppPaths::Pref),
                 QByteArray("Zoo\r\nzoo.example\r\nZoo\r\nzoo.example\r\n"
                            "two lines\r\nzoo.example\r\n"));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void favoritesOnlySwitchAndButton()
    {
        TestInstall install;
        {
            auto form = install.window();
            Form2& panel = form->panel();
            panel.Check3->click();
            QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()),
                     QStringLiteral("1"));
            QVERIFY(!form->Combo1->isEnabled());
            panel.Check3->click();
            QCOMPARE(install.settings.read(QStringLiteral("favorites"), QString()),
                     QStringLiteral("0"));
            QVERIFY(form->Combo1->isEnabled());
            QVERIFY(MessageBox::takeShown().isEmpty());
        }

        // At start-up the stored "1" checks the box and disables the address box.
        QVERIFY(install.settings.write(QStringLiteral("favorites"), QStringLiteral("1")));
        {
            auto form = install.window();
            QVERIFY(form->panel().Check3->isChecked());
            QVERIFY(!form->Combo1->isEnabled());
            QVERIFY(MessageBox::takeShown().isEmpty());

            // A setting that cannot be stored is told; the switch acts anyway.
            // (Unreadable, it already reads as off, so only "on" needs storing.)
            QVERIFY(QFile::remove(install.settings.filePath()));
            QVERIFY(QDir().mkpath(install.settings.filePath()));
            form->panel().Check3->click();
            QVERIFY(MessageBox::takeShown().isEmpty());
            form->panel().Check3->click();
            const QList<MessageBox::Shown> shown = MessageBox::takeShown();
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].text.contains(QStringLiteral("favorites")));
            QCOMPARE(shown[0].icon, QMessageBox::Critical);
            QVERIFY(!form->Combo1->isEnabled());
            QVERIFY(form->panel().Check3->isChecked());
        }
    }

    // The generated page in the real engine: its links, inert names, and
    // navigation through the address check.
    void generatedPageWorksInTheRealEngine()
    {
        LocalHttpServer server;
        QVERIFY(server.start());
        server.page(QStringLiteral("/zoo"), "<html><title>Zoo</title><body>zoo</body></html>");
        server.page(QStringLiteral("/blocked"), "<html><title>Blocked</title></html>");

        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "/blocked\r\n");
        QStringList checked; // declared before the window, which reports into it
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

        connect(form->WebBrowser1, &WebView::BeforeNavigate2, form.get(),
                [&checked](const QString& url, bool*) { checked << url; });

        QTest::mouseClick(form->cmdBookMarks, Qt::LeftButton);
        const QString pageUrl = install.context().paths.pageAddress(AppPaths::FavoritesPage);
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentUrl, pageUrl, kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(page, "document.readyState").toString(), "complete",
                                  kLoadTimeout);
        QVERIFY(checked.contains(pageUrl));

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
        // The icon beside the page loads for every link.
        QCOMPARE(evaluate(page, QStringLiteral("Array.from(document.images).filter(i => "
                                               "i.complete && i.naturalWidth > 0).length"))
                     .toInt(),
                 3);

        // Every followed link asks the check first: a refused one is never
        // fetched, an allowed one reaches the site.
        evaluate(page, QStringLiteral("document.links[2].click()"));
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(blocked), kLoadTimeout);
        evaluate(page, QStringLiteral("document.links[0].click()"));
        QTRY_VERIFY_WITH_TIMEOUT(checked.contains(zoo), kLoadTimeout);
        QTRY_VERIFY2_WITH_TIMEOUT(server.requests.contains(QStringLiteral("/zoo")),
                                  "a link on the local favorites page must open the web site",
                                  kLoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(form->CurrentTitle, QStringLiteral("Zoo"), kLoadTimeout);
        QVERIFY(!server.requests.contains(QStringLiteral("/blocked")));
    }
};

TOBRIN_TEST(FavoritesTabTest);
#include "favorites_tab_test.moc"
