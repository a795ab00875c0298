#include "filter/word_matcher.h"
#include "test_main.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

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

class WordMatcherTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matches_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blocked");
        const QStringList some{"casino", "bet", "poker.com", "betting"};
        QTest::newRow("no words") << QStringList() << "http://casino.com/" << false;
        QTest::newRow("inside the host") << some << "http://www.casino.org/" << true;
        QTest::newRow("at the very end") << some << "http://x.org/?bet" << true;
        QTest::newRow("at the very start") << QStringList{"http"} << "http://x" << true;
        QTest::newRow("partial only") << some << "http://casin.org/be/t" << false;
        QTest::newRow("case matters") << some << "http://CASINO.com/Bet" << false;
        QTest::newRow("trailing space not there") << QStringList{"bet "} << "http://bet.com/" << false;
        QTest::newRow("trailing space there") << QStringList{"bet "} << "file:///a bet b" << true;
        QTest::newRow("found through a fail link") << QStringList{"abcd", "bce"} << "xabce" << true;
        QTest::newRow("suffix of a longer state") << QStringList{"abcdx", "cd"} << "abcdy" << true;
        QTest::newRow("after a longer dead end") << QStringList{"aaab"} << "aaaaaab" << true;
        QTest::newRow("prefix word kept") << QStringList{"bettingx", "bet"} << "zbetz" << true;
        QTest::newRow("empty word, text") << QStringList{"", "zzz"} << "x" << true;
        QTest::newRow("empty word, empty text") << QStringList{""} << "" << false;
        QTest::newRow("beyond Latin-1") << QStringList{u"\u20AC\u4E2D"_qs} << u"a\u20AC\u4E2Db"_qs << true;
        QTest::newRow("surrogate halves") << QStringList{u"\U0001F600"_qs} << u"x\U0001F601"_qs << false;
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

    // Small alphabets make overlapping words and long fail chains likely.
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
        const char16_t alphabet[] = u"abcA.\u00E9\u20AC";
        int blocked = 0, allowed = 0;
        for (int round = 0; round < 300; ++round) {
            const int letters = 2 + round % 6;
            QStringList words;
            const int count = int(random.bounded(40));
            for (int i = 0; i < count; ++i)
                words << text(1 + int(random.bounded(7)), alphabet, letters);
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

TOBRIN_TEST(WordMatcherTest);
#include "word_matcher_test.moc"
