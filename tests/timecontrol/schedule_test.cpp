#include "platform/text_file.h"
#include "test_main.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <QTemporaryDir>
#include <QTest>

class ScheduleTest : public QObject
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
        const QString path = dir.filePath(QStringLiteral("buffer/buf2.log"));
        Schedule::Blocked blocked{};
        blocked[47] = true;
        QVERIFY(Schedule::writeDay(path, blocked).ok());
        QCOMPARE(Schedule::readDay(path).slots[47], 1.0);

        // Slot 20 holds the line; lone LF and CR end lines too; a short file
        // leaves the rest allowed.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("1\n").repeated(10) + QByteArray("1\r").repeated(10) + line + "\n");
        file.close();
        const Schedule::ReadResult read = Schedule::readDay(path);
        QVERIFY(read.exists && read.error.isEmpty());
        QCOMPARE(read.slots[19], 1.0);
        QCOMPARE(read.slots[20], value);
        QCOMPARE(read.slots[47], 0.0);

        // Only exactly 1 blocks, and only exactly 0 is announced as allowed.
        QCOMPARE(TimeSlots::isBlocked(read.slots[20]), value == 1);
        QCOMPARE(TimeSlots::nextAllowedSlot(read.slots, 20).value_or(-1), value == 0 ? 20 : 21);
    }
};

TOBRIN_TEST(ScheduleTest);
#include "schedule_test.moc"
