#include "filter/blocked_word_list.h"
#include "filter/word_matcher.h"
#include "test_main.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

bool plainLoop(const QStringList& words, QStringView text)
{
    return !text.isEmpty() && std::any_of(words.begin(), words.end(),
                                          [&](const QString& w) { return text.contains(w); });
}

} // namespace

class BlockedWordListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every line is an entry, kept byte for byte and blocking; the list is
    // sorted ignoring case and written back whole, one CR LF line per entry.
    void loadAndSave_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QByteArray high, longer;
        for (int b = 0x80; b <= 0xFF; ++b)
            high += char(b);
        for (int i = 0; i < 40000; ++i) // more lines than a 16-bit count holds
            longer += "w" + QByteArray::number(100000 + i) + "x\r\n";
        QTest::newRow("lone cr, no end")
            << QByteArray("bet\rcasino") << QByteArray("bet\r\ncasino\r\n");
        QTest::newRow("blank line sorts first")
            << QByteArray("bet\r\n\r\nabc\r\n") << QByteArray("\r\nabc\r\nbet\r\n");
        QTest::newRow("case ignored, stable") << QByteArray("zoo\r\nBeta\r\nalpha\r\nAlpha\r\n")
                                              << QByteArray("alpha\r\nAlpha\r\nBeta\r\nzoo\r\n");
        QTest::newRow("spaces and repeats kept")
            << QByteArray(" x\r\nx \r\nx \r\n") << QByteArray(" x\r\nx \r\nx \r\n");
        QTest::newRow("every high byte") << high + "\r\n" << high + "\r\n";
        QTest::newRow("zero length") << QByteArray() << QByteArray();
        QTest::newRow("lf line ends")
            << QByteArray("b\na\n\nc") << QByteArray("\r\na\r\nb\r\nc\r\n");
        QTest::newRow("40000 lines") << longer << longer;
    }
    void loadAndSave()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("nosurf.txt"));
        QVERIFY(TextFile::writeBytes(path, file).ok());
        BlockedWordList list;
        QVERIFY(list.load(path, CodePage()).isEmpty());
        QCOMPARE(list.rowCount(), int(saved.count("\r\n")));
        QVERIFY(saved.isEmpty() || list.blocks(u'<' + list.entries().constLast() + u'>'));
        QVERIFY(list.save(path, CodePage()).ok());
        QCOMPARE(TextFile::readBytes(path).bytes, saved);
    }

    // A word goes after the entries equal to it ignoring case; taking one of
    // two copies leaves the other blocking.
    void insertAndTake()
    {
        BlockedWordList list;
        list.setEntries({"delta", "Bravo", "alpha"});
        QCOMPARE(list.insert(QStringLiteral("bravo")), 2);
        QCOMPARE(list.insert(QStringLiteral("Bravo")), 3);
        QCOMPARE(list.takeAt(1), QStringLiteral("Bravo"));
        QVERIFY(list.blocks(u"http://Bravo/"));
        QCOMPARE(list.takeAt(2), QStringLiteral("Bravo"));
        QVERIFY(!list.blocks(u"http://Bravo/"));
    }

    // The cases the random comparison below never produces.
    void matches_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blocked");
        QTest::newRow("no words") << QStringList() << "http://casino.com/" << false;
        QTest::newRow("trailing space") << QStringList{"bet "} << "file:///a bet b" << true;
        QTest::newRow("empty word, text") << QStringList{"", "zzz"} << "x" << true;
        QTest::newRow("empty word, empty text") << QStringList{""} << "" << false;
        QTest::newRow("surrogate halves")
            << QStringList{u"\U0001F600"_qs} << u"x\U0001F601"_qs << false;
    }
    void matches()
    {
        const QList<std::pair<QStringList, QString>> cases = {
            {{"bet "}, "file:///a bet b"},
            {{"", "zzz"}, "x"},
            {{""}, ""},
            {{}, "x"},
            {{"abcab", "bca", "ca"}, "xxabcax"},
            {{u"\U0001F600"_qs}, u"x\U0001F601"_qs}};
        for (const auto& [words, text] : cases) {
            WordMatcher matcher;
            matcher.build(words);
            QVERIFY2(matcher.matches(text) == plainLoop(words, text), qPrintable(words.join(u'|')));
        }
    }
};

TOBRIN_TEST(BlockedWordListTest);
#include "blocked_word_list_test.moc"
