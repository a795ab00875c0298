#include "platform/colors.h"
#include "test_install.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"
#include "timecontrol/time_tab.h"

namespace {

// A schedule file of `lines` CR LF lines: the given slots hold their text, the
// rest "0" (or "1" from `blockedFrom` on).
QByteArray dayFile(const QMap<int, QByteArray>& values, int lines = 48, int blockedFrom = 48)
{
    QByteArray bytes;
    for (int slot = 0; slot < lines; ++slot)
        bytes += values.value(slot, slot < blockedFrom ? "0" : "1") + "\r\n";
    return bytes;
}

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

// Every cell shows exactly the blocked slots: on and red, the rest off and blue.
bool gridShows(const TimeTab& tab, const QList<int>& blocked)
{
    for (int i = 0; i < 48; ++i) {
        const bool on = blocked.contains(i);
        if (tab.seg[i]->value() != on ||
            tab.seg[i]->backColor() != ColorValue::toColor(on ? 0xFF : 0xFF0000))
            return false;
    }
    return true;
}

} // namespace

class TimeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dayFileReadAsTypedNumbers_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<double>("value");
        QTest::newRow("blocked") << QByteArray("1") << 1.0;
        QTest::newRow("allowed") << QByteArray("0") << 0.0;
        // Neither blocked nor the allowed slot announced; shown as blocked.
        QTest::newRow("half") << QByteArray("0.5") << 0.5;
        QTest::newRow("bare fraction") << QByteArray(".5") << 0.5;
        QTest::newRow("one written long") << QByteArray(" 1.0e0") << 1.0;
        QTest::newRow("trailing text") << QByteArray("1abc") << 1.0;
        QTest::newRow("no number") << QByteArray("x") << 0.0;
        QTest::newRow("negative") << QByteArray("-1") << -1.0;
        QTest::newRow("huge") << QByteArray("4294967297") << 4294967297.0;
    }
    void dayFileReadAsTypedNumbers()
    {
        QFETCH(QByteArray, line);
        QFETCH(double, value);
        QTemporaryDir dir;
        // The buffer folder itself may be missing; writing makes it.
        const QString path = dir.filePath(u"buffer/buf2.log"_s);
        const Schedule::ReadResult none = Schedule::readDay(path); // allowed, and no error
        QVERIFY(!none.exists && none.error.isEmpty());
        Schedule::Blocked blocked{};
        blocked[47] = true;
        QVERIFY(Schedule::writeDay(path, blocked).ok());
        QCOMPARE(Schedule::readDay(path).slots[47], 1.0);

        // Slot 20 holds the line; lone LF and CR end lines too; a short file
        // leaves the rest allowed.
        QVERIFY(TextFile::writeBytes(path, QByteArray("1\n").repeated(10) +
                                               QByteArray("1\r").repeated(10) + line + "\n")
                    .ok());
        const Schedule::ReadResult read = Schedule::readDay(path);
        QVERIFY(read.exists && read.error.isEmpty());
        QCOMPARE(read.slots[19], 1.0);
        QCOMPARE(read.slots[20], value);
        QCOMPARE(read.slots[47], 0.0);

        // Only exactly 1 blocks, and only exactly 0 is announced as allowed.
        QCOMPARE(TimeSlots::isBlocked(read.slots[20]), value == 1);
        QCOMPARE(TimeSlots::nextAllowedSlot(read.slots, 20).value_or(-1), value == 0 ? 20 : 21);
    }

    void check_data()
    {
        QTest::addColumn<int>("weekday");     // 1 Monday to 7 Sunday
        QTest::addColumn<QByteArray>("file"); // null: the day has no file
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("message"); // empty: no box

        const QString at = u"Blocked Time!\r\nTobrin will run again only at "_s;
        QTest::newRow("10:29 is slot 20")
            << 1 << dayFile({{20, "1"}}) << QTime(10, 29) << true << at + "10 hours and 30 minutes";
        QTest::newRow("10:30 is slot 21")
            << 1 << dayFile({{20, "1"}}) << QTime(10, 30) << false << QString();
        QTest::newRow("slot 1 on Sunday")
            << 7 << dayFile({{0, "1"}}) << QTime(0, 10) << true << at + "0 hours and 30 minutes";
        QTest::newRow("slot 18") << 3 << dayFile({{0, "0"}, {1, "0"}}, 18, 0) << QTime(1, 0) << true
                                 << at + "9 hours and 00 minutes";
        QTest::newRow("slot 30: a 2 is not allowed either")
            << 1 << dayFile({{28, "1"}, {29, "2"}}) << QTime(14, 10) << true
            << at + "15 hours and 00 minutes";
        QTest::newRow("blocked to midnight: no box")
            << 6 << dayFile({}, 48, 42) << QTime(21, 15) << true << QString();
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
        const QString path = u"/buffer/buf%1.log"_s.arg(weekday);
        if (file.isNull())
            QVERIFY(QFile::remove(install.file(path)));
        else
            install.setBytes(path, file);
        install.clock.moment = QDateTime(kMonday.addDays(weekday - 1), time);
        auto form = install.window();
        form->Timer1_Timer();
        QCOMPARE(form->WebBrowser1->isHidden(), hidden);
        QCOMPARE(QFile::exists(install.file(path)), !file.isNull()); // reading creates nothing
        QCOMPARE(shownBox(), message.isEmpty()
                                 ? u"0 boxes"_s
                                 : box(message, u"Tobrin"_s, QMessageBox::Ok, QMessageBox::NoIcon));
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

    void switchSavesTheDayLeftAndShowsTheDayEntered()
    {
        TestInstall install;
        // Monday: a 2 shows as blocked; 60 lines are cut to 48 when saved.
        install.setBytes("/buffer/buf1.log", dayFile({{3, "1"}, {4, "2"}, {50, "1"}}, 60));
        install.setBytes("/buffer/buf2.log", dayFile({{10, "1"}}));
        auto form = install.window();
        form->panel().VideoSoftIndexTab1->setCurrentTab(3);
        form->panel().show();
        TimeTab& tab = form->panel().time();
        auto day = [&](int d) { return install.bytes(u"/buffer/buf%1.log"_s.arg(d)); };
        const QByteArray monday = day(1);
        QVERIFY(gridShows(tab, {3, 4}));

        // Clicks flip and recolour, and write nothing.
        QTest::mouseClick(tab.seg[7], Qt::LeftButton);
        QTest::mouseClick(tab.seg[3], Qt::LeftButton);
        QVERIFY(gridShows(tab, {4, 7}));
        QCOMPARE(day(1), monday);
        tab.VideoSoftIndexTab2->tabBar()->setCurrentIndex(1);
        QCOMPARE(day(1), dayFile({{4, "1"}, {7, "1"}}));
        QVERIFY(gridShows(tab, {10}));

        // A day that cannot be saved: the switch does not happen, the edits stay.
        QTest::mouseClick(tab.seg[11], Qt::LeftButton);
        const QString tuesday = install.file("/buffer/buf2.log");
        QVERIFY(QFile::remove(tuesday) && QDir().mkdir(tuesday));
        tab.VideoSoftIndexTab2->tabBar()->setCurrentIndex(2);
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.VideoSoftIndexTab2->tabBar()->currentIndex(), 1);
        QVERIFY(gridShows(tab, {10, 11}));
        QVERIFY(QDir().rmdir(tuesday));

        // Apply writes the shown day's file only.
        QList<QByteArray> before;
        for (int d = 1; d <= 7; ++d)
            before << day(d);
        QTest::mouseClick(tab.Command7, Qt::LeftButton);
        before[1] = dayFile({{10, "1"}, {11, "1"}});
        for (int d = 1; d <= 7; ++d)
            QCOMPARE(day(d), before[d - 1]);

        // A day that cannot be read is shown as allowed, and the parent is told.
        const QString wednesday = install.file("/buffer/buf3.log");
        QVERIFY(QFile::remove(wednesday) && QDir().mkdir(wednesday));
        tab.VideoSoftIndexTab2->tabBar()->setCurrentIndex(2);
        QVERIFY(gridShows(tab, {}));
        QVERIFY(MessageBox::takeShown().value(0).text.contains(u"buf3.log"_s));
    }
};

TOBRIN_TEST(TimeTest);
#include "time_test.moc"
