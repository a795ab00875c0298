#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "filter/blocked_word_list.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "test_main.h"
#include "timecontrol/schedule_file.h"

namespace {

// Two contents per kind of file, large enough that a kill often lands in the
// middle of writing one.
QStringList words(char letter)
{
    QStringList list;
    for (int i = 0; i < 20000; ++i)
        list << u"%1word%2"_s.arg(QChar(letter)).arg(i, 6, 10, QChar(u'0'));
    return list;
}

FavoriteList favorites(char letter)
{
    FavoriteList list;
    for (int i = 0; i < 3000; ++i)
        list << Favorite{u"%1 site %2"_s.arg(QChar(letter)).arg(i),
                         u"http://%1%2.example/"_s.arg(QChar(letter)).arg(i)};
    return list;
}

// Writes one of the two contents of a kind of file through the product's
// own writer for it.
TextFile::WriteResult writeContent(const QString& kind, const QString& path, char letter)
{
    if (kind == u"nosurf") {
        BlockedWordList list;
        list.setEntries(words(letter));
        return list.save(path, CodePage());
    }
    if (kind == u"pref")
        return FavoritesFile::write(path, favorites(letter), CodePage());
    if (kind == u"page")
        return FavoritesPage::write(path, FavoritesPage::Form::Add, favorites(letter));
    if (kind == u"schedule") {
        Schedule::Blocked day{};
        day.fill(letter == 'b');
        return Schedule::writeDay(path, day);
    }
    // The surf log as the viewer's Apply rewrites it.
    return TextFile::writeLines(path, words(letter), CodePage());
}

// Rewrites the file, alternating between its two contents, until killed.
int rewriteForever()
{
    const QString kind = qEnvironmentVariable("TOBRIN_REWRITE_KIND");
    const QString path = qEnvironmentVariable("TOBRIN_REWRITE_PATH");
    for (unsigned n = 0;; ++n) {
        if (!writeContent(kind, path, n % 2 ? 'b' : 'a').ok())
            return 3;
        if (n == 1)
            std::fputs("ready\n", stdout), std::fflush(stdout);
    }
}

const int registered = registerTestChild("rewrite", rewriteForever);

} // namespace

class FilesTest : public QObject
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
        QCOMPARE(page.decode(bytes), text); // a Vietnamese letter comes back as one
        QCOMPARE(CodePage::knownName(u" windows-"_s + QString::fromLatin1(name.mid(2))), name);
        QVERIFY(page.fits(text));
        // What the page cannot hold is named, once each, and never dropped.
        QCOMPARE(page.unfit(u"a"_s + unfit + u'b' + unfit), unfit);
        QCOMPARE(page.encode(u"a"_s + unfit + u'b'), QByteArray("a?b"));
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

    void keysIgnoreCaseAndEveryCodeSurvivesAFreshReader()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Corvane.conf"_s);
        QString value;
        for (int code = 1; code <= 255; ++code)
            value.append(QChar(code));
        value += u"@Variant(x) [*] ; # = \\ \" end"_s;
        {
            SettingsStore store(path);
            QCOMPARE(store.read(u"Password"_s, u"dflt"_s), "dflt");
            QVERIFY(!QFile::exists(path)); // reading stored nothing
            QVERIFY(store.write(u"Password"_s, u"abc"_s));
            QVERIFY(store.write(u"PASSWORD"_s, value));
        }
        // Qt caches parsed settings files by name; a copy is parsed from disk.
        const QString copy = dir.filePath(u"copy.conf"_s);
        QVERIFY(QFile::copy(path, copy));
        QCOMPARE(SettingsStore(copy).read(u"password"_s, QString()), value);
        // One value, not keys differing in case.
        QCOMPARE(TextFile::readBytes(copy).bytes.count("assword="), 1);
    }

    void values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("color");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("hex, no closing &") << "&H00FFFFFF" << qint64(16777215) << false;
        QTest::newRow("hex lower case") << "&h0000ff&" << qint64(255) << false;
        QTest::newRow("leading number") << "255abc" << qint64(255) << false;
        QTest::newRow("hex stops at non-digit") << "&H1G2" << qint64(1) << false;
        QTest::newRow("bare &H") << "&H" << qint64(0) << false;
        QTest::newRow("32-bit hex is signed") << "&HFFFFFFFF&" << qint64(-1) << false;
        QTest::newRow("huge decimal")
            << "99999999999999999999999" << qint64(999999999999999999) << false;
        QTest::newRow("True") << "True" << qint64(0) << true;
        QTest::newRow("true") << "true" << qint64(0) << true;
        QTest::newRow("1 is not a boolean") << "1" << qint64(1) << false;
    }
    void values()
    {
        QFETCH(QString, text);
        QFETCH(qint64, color);
        QFETCH(bool, boolean);
        QCOMPARE(SettingValue::colorNumber(text), color);
        QCOMPARE(SettingValue::boolean(text), boolean);
    }

    void killedWriterLeavesOldOrNewFile_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"nosurf", "pref", "page", "schedule", "log"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void killedWriterLeavesOldOrNewFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"target.txt"_s);
        QByteArray expected[2];
        for (int i = 0; i < 2; ++i) {
            const QString reference = dir.filePath(u"reference%1.txt"_s.arg(i));
            QVERIFY(writeContent(kind, reference, i ? 'b' : 'a').ok());
            expected[i] = TextFile::readBytes(reference).bytes;
            QVERIFY(!expected[i].isEmpty());
        }
        QVERIFY(expected[0] != expected[1]);
        for (int round = 0; round < 25; ++round) {
            QVERIFY(
                !killedChild("rewrite",
                             {{u"TOBRIN_REWRITE_KIND"_s, kind}, {u"TOBRIN_REWRITE_PATH"_s, path}},
                             40000)
                     .isEmpty());
            const TextFile::BytesResult after = TextFile::readBytes(path);
            QVERIFY(after.exists);
            QVERIFY2(after.bytes == expected[0] || after.bytes == expected[1],
                     qPrintable(u"kill %1 left %2 bytes, neither old nor new"_s.arg(round + 1).arg(
                         after.bytes.size())));
        }
    }
};

TOBRIN_TEST(FilesTest);
#include "files_test.moc"
