#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/elastic_panel.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QWebEngineProfile> // TestInstall owns one and is destroyed here

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

// The check against the fake page view: every event it raises goes through
// the same handler the real engine's do.
class AddressCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstCheckLoadsThePanel()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "casino\r\n");
        auto form = install.window(false);
        QVERIFY(!form->panelLoaded());
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("http://casino.example/"), cancel);
        QVERIFY(form->panelLoaded());
        QVERIFY(cancel);
    }

    void blockedAndAllowedAddresses()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "bet \r\ncasino\r\n");
        auto form = install.window();
        FakeWebView* view = install.view(*form);
        const QString start = install.context().paths.pageAddress(AppPaths::IntroPage);
        QCOMPARE(history(*form), QStringList{start});

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
        QVERIFY(view->Navigate(QStringLiteral("http://casino.com/")));
    }

    void emptyEntryAndEmptyList()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "");
        auto form = install.window();
        FakeWebView* view = install.view(*form);
        QVERIFY(view->Navigate(QStringLiteral("http://anything.org/")));
        QCOMPARE(history(*form).count(QStringLiteral("http://anything.org/")), 1);

        form->panel().addresses().list().insert(QString());
        QVERIFY(!view->Navigate(QStringLiteral("a")));
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QString(), cancel);
        QVERIFY(!cancel); // nothing matches an empty address
    }
};

TOBRIN_TEST(AddressCheckTest);
#include "address_check_test.moc"
