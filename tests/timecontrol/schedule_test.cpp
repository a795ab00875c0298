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
    void dayFileReadAsTypedNumbers()
    {
        QTemporaryDir dir;
        // The buffer folder itself may be missing; writing makes it.
        const QString path = dir.filePath(QStringLiteral("buffer/buf2.log"));
        Schedule::Blocked blocked{};
        blocked[47] = true;
        QVERIFY(Schedule::writeDay(path, blocked).ok());
        QCOMPARE(Schedule::readDay(path).slots[47], 1);

        // A lone CR ends a line; each line counts by its leading number; a
        // short file leaves the rest allowed. Only exactly 1 blocks.
        QVERIFY(TextFile::writeBytes(path, "2\rx\r\n 1\r\n-1\r\n1abc\r\n4294967297\r\n").ok());
        const Schedule::ReadResult read = Schedule::readDay(path);
        QVERIFY(read.exists && read.error.isEmpty());
        QCOMPARE(QList<qint64>(read.slots.begin(), read.slots.begin() + 6),
                 (QList<qint64>{2, 0, 1, -1, 1, 4294967297}));
        QCOMPARE(read.slots[47], 0);
        for (int slot = 0; slot < 6; ++slot)
            QCOMPARE(TimeSlots::isBlocked(read.slots[slot]), slot == 2 || slot == 4);
    }
};

TOBRIN_TEST(ScheduleTest);
#include "schedule_test.moc"
