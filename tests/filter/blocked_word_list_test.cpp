#include "filter/blocked_word_list.h"
#include "filter/word_matcher.h"
#include "test_main.h"

#include <QRandomGenerator>
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
        QVERIFY(list.load(path).isEmpty());
        QCOMPARE(list.rowCount(), int(saved.count("\r\n")));
        QVERIFY(saved.isEmpty() || list.blocks(u'<' + list.entries().constLast() + u'>'));
        QVERIFY(list.save(path).ok());
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

    // The index answers as a plain search of every word. Small alphabets make
    // overlapping words and long fail chains likely, wide ones states with
    // many children; the fixed rows are the cases chance never produces.
    void agreesWithThePlainLoop()
    {
        QList<std::pair<QStringList, QString>> cases = {{{"bet "}, "file:///a bet b"},
                                                        {{"", "zzz"}, "x"},
                                                        {{""}, ""},
                                                        {{}, "x"},
                                                        {{u"\U0001F600"_qs}, u"x\U0001F601"_qs}};
        QRandomGenerator random(7);
        const char16_t alphabet[] = u"abcA.\u00E9\u20ACdefghijklmnopqrstuvwxyz0123456789";
        auto text = [&](int maxLength, int letters) {
            QString s;
            for (int n = int(random.bounded(maxLength + 1)); n > 0; --n)
                s += QChar(alphabet[random.bounded(letters)]);
            return s;
        };
        for (int round = 0; round < 400; ++round) {
            const int letters = round < 300 ? 2 + round % 6 : 10 + round % 30;
            QStringList words;
            for (int i = int(random.bounded(40)); i > 0; --i)
                words << (round >= 300 && i % 2 ? "a" : "") +
                             text(1 + int(random.bounded(7)), letters);
            for (int probe = 0; probe < 40; ++probe)
                cases.append({words, text(60, letters + 1)});
        }
        int blocked = 0;
        for (const auto& [words, t] : cases) {
            WordMatcher matcher;
            matcher.build(words);
            const bool expected = plainLoop(words, t);
            QVERIFY2(matcher.matches(t) == expected, qPrintable(words.join(u'|') + " in " + t));
            blocked += expected;
        }
        QVERIFY(blocked > 1000 && cases.size() - blocked > 1000); // both answers, often
    }
};

TOBRIN_TEST(BlockedWordListTest);
#include "blocked_word_list_test.moc"
