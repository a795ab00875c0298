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
    void codePages_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("unfit");
        const auto row = [](const char* tag, QLocale locale, const char* name, const char16_t* text,
                            const char* bytes, const char16_t* unfit) {
            QTest::newRow(tag) << locale << QByteArray(name) << QString::fromUtf16(text)
                               << QByteArray(bytes) << QString::fromUtf16(unfit);
        };
        // Windows-1252 meanings, not Latin-1, for the printable high codes.
        row("english", QLocale(QLocale::English), "CP1252", u"\u20AC\u00E9\u2122", "\x80\xE9\x99",
            u"\u0436");
        row("polish", QLocale(QLocale::Polish), "CP1250", u"\u0142", "\xB3", u"\u00E6");
        row("serbian latin", QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia),
            "CP1250", u"\u010D", "\xE8", u"\u0436");
        row("russian", QLocale(QLocale::Russian), "CP1251", u"\u0436\u0416", "\xE6\xC6",
            u"\U0001F600");
        row("serbian", QLocale(QLocale::Serbian), "CP1251", u"\u0452", "\x90", u"\u010D");
        row("greek", QLocale(QLocale::Greek), "CP1253", u"\u03B1", "\xE1", u"\u0436");
        row("turkish", QLocale(QLocale::Turkish), "CP1254", u"\u011F", "\xF0", u"\u0436");
        row("hebrew", QLocale(QLocale::Hebrew), "CP1255", u"\u05D0", "\xE0", u"\u0436");
        row("persian", QLocale(QLocale::Persian), "CP1256", u"\u0627", "\xC7", u"\u0436");
        row("lithuanian", QLocale(QLocale::Lithuanian), "CP1257", u"\u0105", "\xE0", u"\u0436");
        // A letter the page only has as base letter and accent.
        row("vietnamese", QLocale(QLocale::Vietnamese), "CP1258", u"\u1EC7", "\xEA\xF2", u"\u0436");
        row("thai", QLocale(QLocale::Thai), "CP874", u"\u0E01", "\xA1", u"\u0436");
        // No single-byte page fits: the Western one serves.
        row("japanese", QLocale(QLocale::Japanese), "CP1252", u"abc", "abc", u"\u4E2D");
    }
    void codePages()
    {
        QFETCH(QLocale, locale);
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, unfit);
        QCOMPARE(CodePage::nameFor(locale), name);
        const CodePage page(name);
        QCOMPARE(page.encode(text), bytes);
        QVERIFY(page.fits(text));
        // What the page cannot hold is named, once each, and never dropped.
        QCOMPARE(page.unfit(QStringLiteral("a") + unfit + u'b' + unfit), unfit);
        QCOMPARE(page.encode(QStringLiteral("a") + unfit + u'b'), QByteArray("a?b"));
        // Every byte, defined by the page or not, comes back as itself.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(page.encode(page.decode(all)), all);
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("crlf, no end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("cr cr lf") << QByteArray("S\r\n\r\r\n") << QStringList{"S", "", ""};
        QTest::newRow("lone lf") << QByteArray("a\nb\n\nc") << QStringList{"a", "b", "", "c"};
        QTest::newRow("mixed") << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("only crlf") << QByteArray("\r\n") << QStringList{""};
    }
    void splitLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(TextFile::splitLines(QString::fromLatin1(bytes)), lines);
    }

    void filesAndTheirFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.txt"));

        const CodePage page;
        const TextFile::ReadResult missing = TextFile::readLines(path, page);
        QVERIFY(!missing.exists);
        QVERIFY(missing.error.isEmpty());
        QVERIFY(missing.lines.isEmpty());

        const QStringList lines{QStringLiteral("one"), QString(), QString(QChar(0xFF)) + u'\t'};
        QVERIFY(TextFile::writeLines(path, lines, page).ok());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("one\r\n\r\n\xFF\t\r\n"));
        f.close();
        QCOMPARE(TextFile::readLines(path, page).lines, lines);

        QVERIFY(TextFile::writeLines(path, {}, page).ok());
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
        const TextFile::WriteResult write =
            TextFile::writeLines(blocker + "/nosurf.txt", {"a"}, CodePage());
        QVERIFY(!write.ok());
        QVERIFY2(write.error.contains(QStringLiteral("nosurf.txt")), qPrintable(write.error));
        QVERIFY(!TextFile::appendBytes(blocker + "/log.txt", "a").ok());
        // A folder where the file should be: a read error, not a crash.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        const TextFile::ReadResult read =
            TextFile::readLines(dir.filePath(QStringLiteral("folder")), CodePage());
        QVERIFY(read.exists);
        QVERIFY(!read.error.isEmpty());
        QVERIFY(!TextFile::writeBytes(dir.filePath(QStringLiteral("folder")), "x").ok());
    }
};

TOBRIN_TEST(TextFileTest);
#include "text_file_test.moc"
