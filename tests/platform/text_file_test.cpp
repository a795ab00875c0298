#include "platform/text_file.h"
#include "test_main.h"

#include <QDir>
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
        QCOMPARE(TextFile::encode(text), all);
        // Windows-1252 meanings, not Latin-1, for the printable high codes.
        QCOMPARE(text[0x80], QChar(0x20AC));
        QCOMPARE(text[0x99], QChar(0x2122));
        QCOMPARE(TextFile::encode(u"a\u4E2Db"), QByteArray("a?b"));
        QVERIFY(!TextFile::isEncodable(u"\u4E2D"));
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("crlf, no end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("cr cr lf") << QByteArray("S\r\n\r\r\n") << QStringList{"S", "", ""};
        QTest::newRow("lone lf stays") << QByteArray("a\nb\r\n") << QStringList{"a\nb"};
    }
    void splitLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(TextFile::splitLines(TextFile::decode(bytes)), lines);
    }

    void filesAndTheirFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));
        const TextFile::ReadResult missing = TextFile::readLines(path);
        QVERIFY(!missing.exists && missing.error.isEmpty());
        QVERIFY(TextFile::writeLines(path, {"one", "", "\u00FF\t"}).ok());
        QCOMPARE(TextFile::readBytes(path).bytes, QByteArray("one\r\n\r\n\xFF\t\r\n"));
        QVERIFY(TextFile::appendBytes(path, "b\r\n").ok());
        QCOMPARE(TextFile::readLines(path).lines, (QStringList{"one", "", "\u00FF\t", "b"}));

        // A plain file where the folder should be fails as root too.
        const QString blocker = dir.filePath(QStringLiteral("files"));
        QVERIFY(TextFile::writeBytes(blocker, "x").ok());
        const TextFile::WriteResult write = TextFile::writeLines(blocker + "/nosurf.txt", {"a"});
        QVERIFY2(write.error.contains(QStringLiteral("nosurf.txt")), qPrintable(write.error));
        QVERIFY(!TextFile::appendBytes(blocker + "/log.txt", "a").ok());
        // A folder where the file should be: a read error, not a crash.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const TextFile::ReadResult read = TextFile::readLines(dir.filePath("folder"));
        QVERIFY(read.exists && !read.error.isEmpty());
    }
};

TOBRIN_TEST(TextFileTest);
#include "text_file_test.moc"
