#include "day_file.h"
#include "panel/panel_window.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "test_install.h"
#include "test_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

namespace {

const QDate kMonday(2026, 12, 7);

// Runs a check from inside another, as a timer tick arriving while the
// first check's box is open would.
class NestedCheck : public QObject
{
    Form1& m_form;

public:
    explicit NestedCheck(Form1& form) : m_form(form) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::HideToParent)
            m_form.Timer1_Timer();
        return false;
    }
};

} // namespace

class TimeCheckTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { MessageBox::takeShown(); }

    void check_data()
    {
        QTest::addColumn<int>("weekday");     // 1 Monday to 7 Sunday
        QTest::addColumn<QByteArray>("file"); // null: the day has no file
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("message"); // empty: no box

        const QString at = QStringLiteral("Blocked Time!\r\nTobrin will run again only at ");
        QTest::newRow("10:29 is slot 20")
            << 1 << dayFile({{20, "1"}}) << QTime(10, 29) << true << at + "10 hours and 30 minutes";
        QTest::newRow("10:30 is slot 21")
            << 1 << dayFile({{20, "1"}}) << QTime(10, 30) << false << QString();
        QTest::newRow("slot 1 on Sunday")
            << 7 << dayFile({{0, "1"}}) << QTime(0, 10) << true << at + "0 hours and 30 minutes";
        QTest::newRow("slot 18") << 3 << dayFile(blockedSlots(2, 17)) << QTime(1, 0) << true
                                 << at + "9 hours and 00 minutes";
        QTest::newRow("slot 30: a 2 is not allowed either")
            << 1 << dayFile({{28, "1"}, {29, "2"}}) << QTime(14, 10) << true
            << at + "15 hours and 00 minutes";
        QTest::newRow("blocked to midnight: no box")
            << 6 << dayFile(blockedSlots(42, 47)) << QTime(21, 15) << true << QString();
        QTest::newRow("missing file") << 1 << QByteArray() << QTime(10, 0) << false << QString();
    }
    void check()
    {
        QFETCH(int, weekday);
        QFETCH(QByteArray, file);
        QFETCH(QTime, time);
        QFETCH(bool, hidden);
        QFETCH(QString, message);

        TestInstall install;
        const QString path = QStringLiteral("/buffer/buf%1.log").arg(weekday);
        if (file.isNull())
            QVERIFY(QFile::remove(install.file(path)));
        else
            install.setBytes(path, file);
        install.clock.moment = QDateTime(kMonday.addDays(weekday - 1), time);
        auto form = install.window();
        form->Timer1_Timer();
        QCOMPARE(form->WebBrowser1->isHidden(), hidden);
        QCOMPARE(QFile::exists(install.file(path)), !file.isNull()); // reading creates nothing
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(shown[0].text, message);
            QCOMPARE(shown[0].title, QStringLiteral("Tobrin"));
            QCOMPARE(shown[0].buttons, MessageBox::Buttons(QMessageBox::Ok));
            QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        }
    }

    void blockAllowSuspendResume()
    {
        TestInstall install;
        install.setBytes("/buffer/buf1.log", dayFile({{28, "1"}}));
        install.clock.moment = QDateTime(kMonday, QTime(14, 10));
        // Started as the program starts: the first check comes 1 ms after the
        // event loop runs, not a minute later.
        auto form = std::make_unique<Form1>(install.context());
        QCOMPARE(form->Timer1->interval(), 1);
        form->Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(form->WebBrowser1->isHidden(), 5000);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QCOMPARE(form->Timer1->interval(), 60000);
        // A check falling due while a box is open is skipped: one box each time.
        NestedCheck nested(*form);
        form->WebBrowser1->installEventFilter(&nested);
        install.clock.moment = QDateTime(kMonday, QTime(14, 29));
        form->Timer1_Timer(); // still blocked: the box comes again
        QVERIFY(form->WebBrowser1->isHidden());
        QCOMPARE(MessageBox::takeShown().size(), 1);

        install.clock.moment = QDateTime(kMonday, QTime(14, 30));
        form->Timer1_Timer();
        QVERIFY(!form->WebBrowser1->isHidden());

        // The day's file is read afresh at every check.
        install.setBytes("/buffer/buf1.log", dayFile({{29, "1"}}));
        form->Timer1_Timer();
        QVERIFY(form->WebBrowser1->isHidden());
        QCOMPARE(MessageBox::takeShown().size(), 1);

        // Suspended: the view comes back, and so does the address box that
        // favorites-only mode disabled.
        form->Combo1->setEnabled(false);
        form->panel().Check2->setChecked(true);
        QVERIFY(!form->Timer1->isActive());
        QVERIFY(!form->WebBrowser1->isHidden() && form->Combo1->isEnabled());
        // Resumed: the next check is one whole period away; the view stays until then.
        form->panel().Check2->setChecked(false);
        QVERIFY(form->Timer1->isActive() && form->Timer1->remainingTime() > 59000);
        QVERIFY(!form->WebBrowser1->isHidden());
    }
};

TOBRIN_TEST(TimeCheckTest);
#include "time_check_test.moc"
