#include "filter/blocked_word_list.h"
#include "test_main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class BlockedWordListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("crlf") << QByteArray("bet\r\ncasino\r\n") << QStringList{"bet", "casino"};
        QTest::newRow("lone cr") << QByteArray("bet\rcasino\r") << QStringList{"bet", "casino"};
        QTest::newRow("last line without end") << QByteArray("bet\r\ncasino") << QStringList{"bet", "casino"};
        QTest::newRow("blank line sorts first")
            << QByteArray("bet\r\n\r\nabc\r\n") << QStringList{"", "abc", "bet"};
        QTest::newRow("unsorted, case ignored")
            << QByteArray("zoo\r\nBeta\r\nalpha\r\nAlpha\r\n")
            << QStringList{"alpha", "Alpha", "Beta", "zoo"};
        QTest::newRow("spaces and repeats kept")
            << QByteArray(" x\r\nx \r\nx \r\n") << QStringList{" x", "x ", "x "};
        QTest::newRow("zero length") << QByteArray() << QStringList();
    }
    void load()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nosurf.txt"));
        writeAll(path, file);
        BlockedWordList list;
        QVERIFY(list.load(path).isEmpty());
        QCOMPARE(list.entries(), entries);
        QCOMPARE(list.rowCount(), int(entries.size()));
        // Written back sorted, every line ended by CR LF.
        QVERIFY(list.save(path).ok());
        QByteArray expected;
        for (const QString& e : entries)
            expected += e.toLatin1() + "\r\n";
        QCOMPARE(readAll(path), expected);
    }

    void everyHighByteRoundTrips()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nosurf.txt"));
        QByteArray file;
        for (int b = 0x80; b <= 0xFF; b += 16) {
            for (int k = b; k < b + 16; ++k)
                file += char(k);
            file += "\r\n";
        }
        writeAll(path, file);
        BlockedWordList list;
        QVERIFY(list.load(path).isEmpty());
        QCOMPARE(list.entries().size(), 8);
        QVERIFY(list.save(path).ok());
        // Eight lines of distinct bytes; the sort may reorder them, never change them.
        QList<QByteArray> before = file.split('\n'), after = readAll(path).split('\n');
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        QCOMPARE(after, before);
    }

    void emptyListIsAZeroLengthFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nosurf.txt"));
        writeAll(path, "x\r\n");
        BlockedWordList list;
        QVERIFY(list.load(path).isEmpty());
        list.takeAt(0);
        QVERIFY(list.save(path).ok());
        QCOMPARE(readAll(path), QByteArray());
    }

    // More lines than a 16-bit count holds: all are loaded and all are checked.
    void longFileLoadsWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nosurf.txt"));
        QByteArray file;
        for (int i = 0; i < 40000; ++i)
            file += "w" + QByteArray::number(100000 + i) + "x\r\n";
        writeAll(path, file);
        BlockedWordList list;
        QVERIFY(list.load(path).isEmpty());
        QCOMPARE(list.rowCount(), 40000);
        QVERIFY(list.blocks(u"http://a/w139999x"));
        QVERIFY(!list.blocks(u"http://a/w140000x"));
    }

    void insertAndTakeKeepTheOrderAndTheIndex()
    {
        BlockedWordList list;
        list.setEntries({"delta", "Bravo", "alpha"});
        QCOMPARE(list.insert(QStringLiteral("Charlie")), 2);
        QCOMPARE(list.insert(QStringLiteral("bravo")), 2); // after the equal one
        QCOMPARE(list.insert(QStringLiteral("Bravo")), 3); // a second copy, next to it
        QCOMPARE(list.insert(QString()), 0);
        QCOMPARE(list.entries(),
                 (QStringList{"", "alpha", "Bravo", "bravo", "Bravo", "Charlie", "delta"}));
        QVERIFY(list.blocks(u"x")); // the empty entry blocks everything
        QVERIFY(!list.blocks(u""));
        QCOMPARE(list.takeAt(0), QString());
        QVERIFY(!list.blocks(u"x"));
        QVERIFY(list.blocks(u"http://Charlie/"));
        QCOMPARE(list.takeAt(4), QStringLiteral("Charlie"));
        QVERIFY(!list.blocks(u"http://Charlie/"));
        QVERIFY(list.blocks(u"http://bravo/")); // one copy still there
    }
};

TOBRIN_TEST(BlockedWordListTest);
#include "blocked_word_list_test.moc"
