#include "platform/text_file.h"
#include "test_main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TextFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyByteRoundTrips()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = TextFile::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(TextFile::encode(text), all);
        QVERIFY(TextFile::isEncodable(text));
        // Windows-1252 meanings, not Latin-1, for the printable high codes.
        QCOMPARE(text[0x80], QChar(0x20AC));
        QCOMPARE(text[0x99], QChar(0x2122));
        QCOMPARE(text[0xE9], QChar(0xE9));
        // No 8-bit code: a question mark, and never a lost character.
        QCOMPARE(TextFile::encode(u"a\u4E2Db"), QByteArray("a?b"));
        QVERIFY(!TextFile::isEncodable(u"\u4E2D"));
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("no end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("blank first") << QByteArray("\r\nx\r\n") << QStringList{"", "x"};
        QTest::newRow("cr cr lf") << QByteArray("S\r\n\r\r\n") << QStringList{"S", "", ""};
        QTest::newRow("lone lf stays") << QByteArray("a\nb\r\n") << QStringList{"a\nb"};
        QTest::newRow("only crlf") << QByteArray("\r\n") << QStringList{""};
    }
    void splitLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(TextFile::splitLines(TextFile::decode(bytes)), lines);
    }

    void filesReadWriteAppend()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));

        const TextFile::ReadResult missing = TextFile::readLines(path);
        QVERIFY(!missing.exists);
        QVERIFY(missing.error.isEmpty());
        QVERIFY(missing.lines.isEmpty());

        const QStringList lines{QStringLiteral("one"), QString(), QString(QChar(0xFF)) + u'\t'};
        QVERIFY(TextFile::writeLines(path, lines).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("one\r\n\r\n\xFF\t\r\n"));
        f.close();
        QCOMPARE(TextFile::readLines(path).lines, lines);

        QVERIFY(TextFile::writeLines(path, {}).ok());
        QCOMPARE(QFileInfo(path).size(), 0);

        const QString log = dir.filePath(QStringLiteral("log.txt"));
        QVERIFY(TextFile::appendBytes(log, "a\r\n").ok());
        QVERIFY(TextFile::appendBytes(log, "b\r\n").ok());
        QCOMPARE(TextFile::readBytes(log).bytes, QByteArray("a\r\nb\r\n"));
    }

    void failuresAreReportedAndKeepTheOldFile()
    {
        QTemporaryDir dir;
        // A plain file where the folder should be fails as root too.
        const QString blocker = dir.filePath(QStringLiteral("files"));
        QVERIFY(TextFile::writeBytes(blocker, "x").ok());
        const TextFile::WriteResult write = TextFile::writeLines(blocker + "/nosurf.txt", {"a"});
        QVERIFY(!write.ok());
        QVERIFY2(write.error.contains(QStringLiteral("nosurf.txt")), qPrintable(write.error));
        QVERIFY(!TextFile::appendBytes(blocker + "/log.txt", "a").ok());

        // A folder where the file should be: a read error, not a crash.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const TextFile::ReadResult read =
            TextFile::readLines(dir.filePath(QStringLiteral("folder")));
        QVERIFY(read.exists);
        QVERIFY(!read.error.isEmpty());
        QVERIFY(!TextFile::writeBytes(dir.filePath(QStringLiteral("folder")), "x").ok());
    }
};

TOBRIN_TEST(TextFileTest);
#include "text_file_test.moc"
