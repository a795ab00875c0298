#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/message_box.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QWebEngineProfile>
#include <QTimer>

namespace {

// A schedule file with the given slots "1" and the rest "0".
QByteArray dayFile(const QList<int>& blocked, const QByteArray& blockedText = "1")
{
    QByteArray bytes;
    for (int slot = 0; slot < 48; ++slot)
        bytes += (blocked.contains(slot) ? blockedText : QByteArray("0")) + "\r\n";
    return bytes;
}

const QDate kMonday(2026, 12, 7);
const QDate kSunday(2026, 12, 13);

// Runs one check from inside the first one's message box, as a timer tick
// arriving while the box is open would.
class NestedCheck : public QObject
{
public:
    explicit NestedCheck(Form1& form) : m_form(form) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::HideToParent)
            m_form.Timer1_Timer();
        return false;
    }

private:
    Form1& m_form;
};

} // namespace

class TimeCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void blockedSlot_data()
    {
        QTest::addColumn<QList<int>>("blocked");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("message"); // empty: no box

        const QString head = QStringLiteral("Blocked Time!\r\nTobrin will run again only at ");
        QTest::newRow("14:10, 14:30 allowed")
            << QList<int>{28} << QTime(14, 10) << true << head + "14 hours and 30 minutes";
        QTest::newRow("14:10, 15:00 allowed")
            << QList<int>{28, 29} << QTime(14, 10) << true << head + "15 hours and 00 minutes";
        QTest::newRow("21:15, blocked to midnight")
            << QList<int>{42, 43, 44, 45, 46, 47} << QTime(21, 15) << true << QString();
        QTest::newRow("allowed slot") << QList<int>{28} << QTime(13, 59) << false << QString();
    }
    void blockedSlot()
    {
        QFETCH(QList<int>, blocked);
        QFETCH(QTime, time);
        QFETCH(bool, hidden);
        QFETCH(QString, message);

        TestInstall install;
        install.setBytes("/buffer/buf1.log", dayFile(blocked));
        install.clock.moment = QDateTime(kMonday, time);
        auto form = install.window();
        const QString before = form->Combo1->currentText();

        form->Timer1_Timer();
        QCOMPARE(form->WebBrowser1->isHidden(), hidden);
        QCOMPARE(form->Timer1->interval(), 60000);
        QCOMPARE(form->Combo1->currentText(), before); // only the page view changes

        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(shown[0].text, message);
            QCOMPARE(shown[0].title, QStringLiteral("Tobrin"));
            QCOMPARE(shown[0].buttons, MessageBox::Buttons(QMessageBox::Ok));
            QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        }
    }

    void viewComesBackInAnAllowedSlot()
    {
        TestInstall install;
        install.setBytes("/buffer/buf1.log", dayFile({28}));
        install.clock.moment = QDateTime(kMonday, QTime(14, 10));
        auto form = install.window();

        form->Timer1_Timer();
        QVERIFY(form->WebBrowser1->isHidden());
        install.clock.moment = QDateTime(kMonday, QTime(14, 29));
        form->Timer1_Timer(); // still blocked: the box comes again
        QVERIFY(form->WebBrowser1->isHidden());
        QCOMPARE(MessageBox::takeShown().size(), 2);

        install.clock.moment = QDateTime(kMonday, QTime(14, 30));
        form->Timer1_Timer();
        QVERIFY(!form->WebBrowser1->isHidden());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void fileOfTheDayIsReadAtEachCheck()
    {
        TestInstall install;
        // 10:00 is blocked on Sunday only.
        install.setBytes("/buffer/buf1.log", dayFile({}));
        install.setBytes("/buffer/buf7.log", dayFile({20}));
        install.clock.moment = QDateTime(kSunday, QTime(10, 0));
        auto form = install.window();
        form->Timer1_Timer();
        QVERIFY(form->WebBrowser1->isHidden());

        install.clock.moment = QDateTime(kMonday, QTime(10, 0));
        form->Timer1_Timer();
        QVERIFY(!form->WebBrowser1->isHidden());

        // A change to the file counts at the next check; a value 2 does not block.
        install.setBytes("/buffer/buf1.log", dayFile({20}));
        form->Timer1_Timer();
        QVERIFY(form->WebBrowser1->isHidden());
        install.setBytes("/buffer/buf1.log", dayFile({20}, "2"));
        form->Timer1_Timer();
        QVERIFY(!form->WebBrowser1->isHidden());
        MessageBox::takeShown();
    }

    void missingOrShortFileAllows()
    {
        TestInstall install;
        QFile::remove(install.file("/buffer/buf1.log"));
        install.setBytes("/buffer/buf2.log", "1\r\n1\r\n");
        install.clock.moment = QDateTime(kMonday, QTime(10, 0));
        auto form = install.window();
        form->Timer1_Timer();
        QVERIFY(!form->WebBrowser1->isHidden());
        QVERIFY(!QFile::exists(install.file("/buffer/buf1.log")));

        // Tuesday: the short file blocks 0:00 and 0:30; 1:00 is a missing slot, allowed.
        install.clock.moment = QDateTime(kMonday.addDays(1), QTime(0, 10));
        form->Timer1_Timer();
        QVERIFY(form->WebBrowser1->isHidden());
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].text.endsWith(QStringLiteral(" 1 hours and 00 minutes")));
    }

    void checkStartedDuringAnotherIsSkipped()
    {
        TestInstall install;
        install.setBytes("/buffer/buf1.log", dayFile({28}));
        install.clock.moment = QDateTime(kMonday, QTime(14, 10));
        auto form = install.window();
        NestedCheck nested(*form);
        form->WebBrowser1->installEventFilter(&nested);

        form->Timer1_Timer();
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(form->Timer1->interval(), 60000);
    }

    void suspendAndResume()
    {
        TestInstall install;
        install.setBytes("/buffer/buf1.log", dayFile({28}));
        install.clock.moment = QDateTime(kMonday, QTime(14, 10));
        auto form = install.window();
        form->Timer1->start(); // running, as in a real start
        form->Timer1_Timer();
        MessageBox::takeShown();
        QVERIFY(form->WebBrowser1->isHidden());
        form->Combo1->setEnabled(false); // as favorites-only mode leaves it

        QCheckBox* check2 = form->panel().Check2;
        QVERIFY(!check2->isChecked());
        check2->setChecked(true);
        QVERIFY(!form->Timer1->isActive());
        QVERIFY(!form->WebBrowser1->isHidden());
        QVERIFY(form->Combo1->isEnabled());

        check2->setChecked(false);
        // Resumed: the next check is one whole period away and the view stays
        // as it is until then.
        QVERIFY(form->Timer1->isActive());
        QCOMPARE(form->Timer1->interval(), 60000);
        QVERIFY(form->Timer1->remainingTime() > 59000);
        QVERIFY(!form->WebBrowser1->isHidden());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }
};

TOBRIN_TEST(TimeCheckTest);
#include "time_check_test.moc"
