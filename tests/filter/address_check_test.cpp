#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "panel/panel_window.h"
#include "platform/elastic_panel.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

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

        // Letter case and a trailing space in an entry both count; an address
        // is recorded once, and another letter case is another address.
        QVERIFY(view->Navigate(QStringLiteral("http://www.CASINO.com/")));
        QVERIFY(view->Navigate(QStringLiteral("http://bet.com/")));
        QVERIFY(!view->Navigate(QStringLiteral("http://x.com/?q=bet both")));
        QVERIFY(view->Navigate(QStringLiteral("http://bet.com/")));
        QVERIFY(view->pageNavigates(QStringLiteral("http://Bet.com/")));
        QCOMPARE(history(*form), (QStringList{start, "http://www.CASINO.com/", "http://bet.com/",
                                              "http://Bet.com/"}));
        QCOMPARE(form->Combo1->currentText(), QStringLiteral("http://Bet.com/"));

        // A word added in the panel holds for the very next step back.
        form->panel().addresses().list().insert(QStringLiteral("bet.com"));
        QVERIFY(view->GoBack());
        QCOMPARE(form->Combo1->currentText(), kBlocked);

        // Switched off: nothing is examined, shown or recorded.
        form->panel().Check1->setChecked(true);
        form->rodape->setCaption(QStringLiteral("before"));
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("http://casino.com/"), cancel);
        QVERIFY(!cancel);
        QCOMPARE(form->rodape->caption(), QStringLiteral("before"));
        QCOMPARE(history(*form).size(), 4);
    }

    // The first check loads the panel's list; the empty entry blocks every
    // address but the empty one.
    void emptyEntry()
    {
        TestInstall install;
        install.setBytes(AppPaths::NoSurf, "\r\n");
        auto form = install.window(false);
        bool cancel = false;
        form->WebBrowser1_BeforeNavigate2(QStringLiteral("a"), cancel);
        QVERIFY(form->panelLoaded() && cancel);
        cancel = false;
        form->WebBrowser1_BeforeNavigate2(QString(), cancel);
        QVERIFY(!cancel);
    }

    // A refusal by the page view itself (typed script, a file of the disk)
    // shows as a blocked site, also with the address control stopped, and
    // records nothing.
    void refusalsOfThePageViewShowAsBlocked()
    {
        TestInstall install;
        auto form = install.window();
        form->panel().Check1->setChecked(true);
        const QStringList before = history(*form);
        bool cancel = true;
        Q_EMIT install.view(*form)->BeforeNavigate2(QStringLiteral("javascript:fetch('/ran')"),
                                                    &cancel);
        QVERIFY(cancel);
        QCOMPARE(form->Combo1->currentText(), kBlocked);
        QCOMPARE(history(*form), before);
    }
};

TOBRIN_TEST(AddressCheckTest);
#include "address_check_test.moc"
