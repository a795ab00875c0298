#include "filter/blocked_word_list.h"
#include "filter/word_matcher.h"
#include "test_main.h"

#include <QFile>
#include <QRandomGenerator>
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

bool plainLoop(const QStringList& words, QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QString& w : words) {
        if (text.indexOf(w) >= 0)
            return true;
    }
    return false;
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
        const QByteArray two = "bet\r\ncasino\r\n";
        QByteArray high, longer;
        for (int b = 0x80; b <= 0xFF; ++b)
            high += char(b);
        for (int i = 0; i < 40000; ++i) // more lines than a 16-bit count holds
            longer += "w" + QByteArray::number(100000 + i) + "x\r\n";
        QTest::newRow("crlf") << two << two;
        QTest::newRow("lone cr") << QByteArray("bet\rcasino\r") << two;
        QTest::newRow("last line without end") << QByteArray("bet\r\ncasino") << two;
        QTest::newRow("blank line sorts first")
            << QByteArray("bet\r\n\r\nabc\r\n") << QByteArray("\r\nabc\r\nbet\r\n");
        QTest::newRow("unsorted, case ignored") << QByteArray("zoo\r\nBeta\r\nalpha\r\nAlpha\r\n")
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
        writeAll(path, file);
        BlockedWordList list;
        QVERIFY(list.load(path, CodePage()).isEmpty());
        QCOMPARE(list.rowCount(), int(saved.count("\r\n")));
        QVERIFY(saved.isEmpty() || list.blocks(u'<' + list.entries().constLast() + u'>'));
        QVERIFY(list.save(path, CodePage()).ok());
        QCOMPARE(readAll(path), saved);
    }

    // A word goes after the entries equal to it ignoring case; taking one of
    // two copies leaves the other blocking.
    void insertAndTake()
    {
        BlockedWordList list;
        list.setEntries({"delta", "Bravo", "alpha"});
        QCOMPARE(list.insert(QStringLiteral("bravo")), 2);
        QCOMPARE(list.insert(QStringLiteral("Bravo")), 3);
        QCOMPARE(list.entries(), (QStringList{"alpha", "Bravo", "bravo", "Bravo", "delta"}));
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
        QFETCH(QStringList, words);
        QFETCH(QString, text);
        QFETCH(bool, blocked);
        WordMatcher matcher;
        matcher.build(words);
        QCOMPARE(matcher.matches(text), blocked);
        QCOMPARE(plainLoop(words, text), blocked); // the table itself is right
    }

    // Small alphabets make overlapping words and long fail chains likely; the
    // last rounds use wide ones, so states get many children.
    void agreesWithThePlainLoop()
    {
        QRandomGenerator random(7);
        auto text = [&](int maxLength, const char16_t* alphabet, int letters) {
            QString s;
            const int n = int(random.bounded(maxLength + 1));
            for (int i = 0; i < n; ++i)
                s += QChar(alphabet[random.bounded(letters)]);
            return s;
        };
        const char16_t alphabet[] = u"abcA.\u00E9\u20ACdefghijklmnopqrstuvwxyz0123456789";
        int blocked = 0, allowed = 0;
        for (int round = 0; round < 400; ++round) {
            const int letters = round < 300 ? 2 + round % 6 : 10 + round % 30;
            QStringList words;
            const int count = int(random.bounded(40));
            for (int i = 0; i < count; ++i) {
                // In the wide rounds half the words share a first letter, so
                // the state after it has many children.
                QString word = text(1 + int(random.bounded(7)), alphabet, letters);
                if (round >= 300 && i % 2)
                    word = u'a' + QChar(alphabet[random.bounded(letters)]) + word;
                words << word;
            }
            words.removeAll(QString()); // the empty word is covered above
            WordMatcher matcher;
            matcher.build(words);
            for (int probe = 0; probe < 40; ++probe) {
                const QString t = text(60, alphabet, letters + 1);
                const bool expected = plainLoop(words, t);
                QVERIFY2(matcher.matches(t) == expected,
                         qPrintable(words.join(u'|') + QStringLiteral(" in ") + t));
                ++(expected ? blocked : allowed);
            }
        }
        // Both answers were exercised often.
        QVERIFY(blocked > 1000);
        QVERIFY(allowed > 1000);
    }
};

TOBRIN_TEST(BlockedWordListTest);
#include "blocked_word_list_test.moc"
