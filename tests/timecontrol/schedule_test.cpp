#include "test_main.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray linesOf(const QList<QByteArray>& lines, const char* end = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + end;
    return bytes;
}

// A day of `fill` with the given slots set to `value`.
Schedule::Day dayWith(qint64 fill, const QList<int>& slots, qint64 value)
{
    Schedule::Day day;
    day.fill(fill);
    for (int s : slots)
        day[s] = value;
    return day;
}

} // namespace

class ScheduleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filesForWeekdaysAndTabs()
    {
        // Monday is 1 and Sunday 7 for the clock; the editor counts tabs from 0.
        QCOMPARE(Schedule::weekdayFile(Qt::Monday), QStringLiteral("/buffer/buf1.log"));
        QCOMPARE(Schedule::weekdayFile(Qt::Saturday), QStringLiteral("/buffer/buf6.log"));
        QCOMPARE(Schedule::weekdayFile(Qt::Sunday), QStringLiteral("/buffer/buf7.log"));
        for (int tab = 0; tab < 7; ++tab)
            QCOMPARE(Schedule::tabFile(tab), Schedule::weekdayFile(tab + 1));
    }

    void readDay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<qint64>>("firstSlots"); // the first six slots expected
        QTest::addColumn<qint64>("lastSlot");

        QList<QByteArray> editor(48, "0");
        editor[1] = editor[47] = "1";
        QTest::newRow("editor file") << linesOf(editor) << QList<qint64>{0, 1, 0, 0, 0, 0} << 1ll;
        QTest::newRow("lone CR ends") << linesOf(editor, "\r") << QList<qint64>{0, 1, 0, 0, 0, 0}
                                      << 1ll;
        QTest::newRow("short file: rest allowed")
            << linesOf({"1", "1", "1"}) << QList<qint64>{1, 1, 1, 0, 0, 0} << 0ll;
        QTest::newRow("numbers as typed")
            << linesOf({"2", "x", " 1", "-1", "1abc", ""}) << QList<qint64>{2, 0, 1, -1, 1, 0}
            << 0ll;
        QList<QByteArray> long60(60, "0");
        for (int i = 48; i < 60; ++i)
            long60[i] = "1";
        QTest::newRow("lines after 48 ignored") << linesOf(long60)
                                                << QList<qint64>{0, 0, 0, 0, 0, 0} << 0ll;
        QTest::newRow("empty file") << QByteArray() << QList<qint64>{0, 0, 0, 0, 0, 0} << 0ll;
    }
    void readDay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qint64>, firstSlots);
        QFETCH(qint64, lastSlot);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("buf1.log"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();

        const Schedule::ReadResult read = Schedule::readDay(path);
        QVERIFY(read.exists);
        QVERIFY(read.error.isEmpty());
        for (int i = 0; i < firstSlots.size(); ++i)
            QCOMPARE(read.slots[i], firstSlots[i]);
        QCOMPARE(read.slots[47], lastSlot);
    }

    void readDayMissingOrUnreadable()
    {
        QTemporaryDir dir;
        const Schedule::ReadResult missing = Schedule::readDay(dir.filePath("buf3.log"));
        QVERIFY(!missing.exists);
        QVERIFY(missing.error.isEmpty());
        QCOMPARE(missing.slots, dayWith(0, {}, 0));
        QVERIFY(!QFile::exists(dir.filePath("buf3.log"))); // reading never creates it

        QVERIFY(QDir(dir.path()).mkdir("buf4.log"));
        const Schedule::ReadResult folder = Schedule::readDay(dir.filePath("buf4.log"));
        QVERIFY(!folder.error.isEmpty());
        QCOMPARE(folder.slots, dayWith(0, {}, 0));
    }

    void writeDay()
    {
        QTemporaryDir dir;
        // The buffer folder itself may be missing; writing makes it.
        const QString path = dir.filePath(QStringLiteral("buffer/buf2.log"));
        Schedule::Blocked blocked{};
        blocked[0] = blocked[29] = blocked[47] = true;
        QVERIFY(Schedule::writeDay(path, blocked).ok());

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 144);
        QList<QByteArray> expected(48, "0");
        expected[0] = expected[29] = expected[47] = "1";
        QCOMPARE(bytes, linesOf(expected));
        QCOMPARE(Schedule::readDay(path).slots, dayWith(0, {0, 29, 47}, 1));

        // A write that cannot happen reports it.
        QVERIFY(QDir(dir.path()).mkdir("buf5.log"));
        QVERIFY(!Schedule::writeDay(dir.filePath("buf5.log"), blocked).ok());
    }

    void currentSlot_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("slot");
        QTest::newRow("0:00") << QTime(0, 0) << 0;
        QTest::newRow("0:29") << QTime(0, 29, 59) << 0;
        QTest::newRow("0:30") << QTime(0, 30) << 1;
        QTest::newRow("10:29") << QTime(10, 29) << 20;
        QTest::newRow("10:30") << QTime(10, 30) << 21;
        QTest::newRow("14:10") << QTime(14, 10) << 28;
        QTest::newRow("23:59") << QTime(23, 59, 59) << 47;
    }
    void currentSlot()
    {
        QFETCH(QTime, time);
        QFETCH(int, slot);
        QCOMPARE(TimeSlots::currentSlot(time), slot);
    }

    void nextAllowedAndMessage_data()
    {
        QTest::addColumn<Schedule::Day>("day");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("message"); // empty: no allowed slot later that day

        const QString head = QStringLiteral("Blocked Time!\r\nTobrin will run again only at ");
        QTest::newRow("slot 1") << dayWith(1, {1}, 0) << 0 << head + "0 hours and 30 minutes";
        QTest::newRow("slot 18") << dayWith(1, {18, 40}, 0) << 2 << head + "9 hours and 00 minutes";
        QTest::newRow("slot 29") << dayWith(1, {29}, 0) << 28 << head + "14 hours and 30 minutes";
        QTest::newRow("slot 30") << dayWith(1, {30}, 0) << 28 << head + "15 hours and 00 minutes";
        QTest::newRow("earlier allowed slots do not count")
            << dayWith(1, {3}, 0) << 28 << QString();
        QTest::newRow("nothing allowed to midnight") << dayWith(1, {}, 0) << 42 << QString();
        Schedule::Day two = dayWith(1, {31}, 0);
        two[29] = 2;
        QTest::newRow("value 2 is never announced") << two << 28 << head + "15 hours and 30 minutes";
    }
    void nextAllowedAndMessage()
    {
        QFETCH(Schedule::Day, day);
        QFETCH(int, from);
        QFETCH(QString, message);
        const std::optional<int> slot = TimeSlots::nextAllowedSlot(day, from);
        QCOMPARE(slot.has_value(), !message.isEmpty());
        if (slot)
            QCOMPARE(TimeSlots::blockedMessage(*slot), message);
    }

    void onlyOneBlocks()
    {
        QVERIFY(TimeSlots::isBlocked(1));
        for (qint64 value : {0ll, 2ll, -1ll, 11ll, 4294967297ll})
            QVERIFY2(!TimeSlots::isBlocked(value), qPrintable(QString::number(value)));
    }
};

TOBRIN_TEST(ScheduleTest);
#include "schedule_test.moc"
