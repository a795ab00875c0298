#include "test_main.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <QFile>
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
        // short file leaves the rest allowed.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("2\rx\r\n 1\r\n-1\r\n1abc\r\n4294967297\r\n");
        file.close();
        const Schedule::ReadResult read = Schedule::readDay(path);
        QVERIFY(read.exists && read.error.isEmpty());
        QCOMPARE(QList<qint64>(read.slots.begin(), read.slots.begin() + 6),
                 (QList<qint64>{2, 0, 1, -1, 1, 4294967297}));
        QCOMPARE(read.slots[47], 0);

        // Only exactly 1 blocks, however large the number.
        QVERIFY(TimeSlots::isBlocked(read.slots[2]));
        for (int slot : {0, 1, 3, 5})
            QVERIFY2(!TimeSlots::isBlocked(read.slots[slot]), qPrintable(QString::number(slot)));
    }
};

TOBRIN_TEST(ScheduleTest);
#include "schedule_test.moc"
