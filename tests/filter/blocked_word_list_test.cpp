#include "filter/blocked_word_list.h"
#include "filter/word_index.h"
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

std::shared_ptr<const WordStore> storeOf(const QStringList& words)
{
    auto store = std::make_shared<WordStore>();
    for (const QString& w : words)
        store->append(toUtf8(w));
    return store;
}

// The index at every stage a list goes through: before its first build,
// built, and kept in step after the build word by word: grown from empty, or
// shrunk from a build that also held the decoys. Both take the decoys out again.
std::vector<std::shared_ptr<const WordIndex>> stages(const QStringList& words,
                                                     const QStringList& decoys)
{
    QStringList mixed;
    std::vector<bool> decoy;
    for (qsizetype i = 0; i < words.size() || i < decoys.size(); ++i) {
        for (bool d : {true, false}) {
            const QStringList& from = d ? decoys : words;
            if (i < from.size()) {
                mixed << from[i];
                decoy.push_back(d);
            }
        }
    }
    const auto all = storeOf(mixed);
    auto grown = WordIndex::build(std::make_shared<WordStore>());
    for (std::size_t row = all->size(); row-- > 0;) {
        // Each word goes in at the front, so every row already there moves.
        auto next = std::make_shared<const WordStore>(grown->words().inserted(0, all->at(row)));
        grown = grown->inserted(next, 0);
    }
    auto shrunk = WordIndex::build(all);
    for (std::size_t row = mixed.size(); row-- > 0;) {
        if (decoy[row]) {
            grown =
                grown->removed(std::make_shared<const WordStore>(grown->words().removed(row)), row);
            shrunk = shrunk->removed(
                std::make_shared<const WordStore>(shrunk->words().removed(row)), row);
        }
    }
    const auto exact = storeOf(words);
    return {std::make_shared<WordIndex>(exact), WordIndex::build(exact), grown, shrunk};
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
        QTest::newRow("lone lf") << QByteArray("bet\ncasino\n") << two;
        QTest::newRow("last line without end") << QByteArray("bet\r\ncasino") << two;
        QTest::newRow("blank line sorts first")
            << QByteArray("bet\r\n\r\nabc\r\n") << QByteArray("\r\nabc\r\nbet\r\n");
        QTest::newRow("unsorted, case ignored") << QByteArray("zoo\r\nBeta\r\nalpha\r\nAlpha\r\n")
                                                << QByteArray("alpha\r\nAlpha\r\nBeta\r\nzoo\r\n");
        QTest::newRow("spaces and repeats kept")
            << QByteArray(" x\r\nx \r\nx \r\n") << QByteArray(" x\r\nx \r\nx \r\n");
        QTest::newRow("every high byte") << high + "\r\n" << high + "\r\n";
        QTest::newRow("high byte after plain lines")
            << QByteArray("abcdefghij\r\nklmnopq\xE9rs\nz")
            << QByteArray("abcdefghij\r\nklmnopq\xE9rs\r\nz\r\n");
        QTest::newRow("zero length") << QByteArray() << QByteArray();
        QTest::newRow("40000 lines") << longer << longer;
    }
    void loadAndSave()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"nosurf.txt"_s);
        writeAll(path, file);
        BlockedWordList list;
        BlockedWordPreload early(path, CodePage());
        QVERIFY(!early.take(path, CodePage("CP1251"))); // read in another page: not taken
        auto words = early.take(path, CodePage());
        QVERIFY(words && list.load(std::move(*words)).isEmpty());
        QCOMPARE(list.rowCount(), int(saved.count("\r\n")));
        QVERIFY(saved.isEmpty() || list.blocks(u'<' + list.entries().constLast() + u'>'));
        QVERIFY(list.save(path, CodePage()).ok());
        QCOMPARE(readAll(path), saved);
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
        // Too few words hold others to leave them out: the scan meets one
        // word inside another's states.
        QTest::newRow("word inside a kept word")
            << QStringList{"xadsy", "ads", "bet", "casino", "poker"} << "xadsz" << true;
        const QStringList repeats{u'x' + QString(200, u'a') + u'y', QString(140, u'a') + u'z'};
        QTest::newRow("long repeat") << repeats << u'x' + QString(140, u'a') + u'z' << true;
        QTest::newRow("long repeat, no end")
            << repeats << u'x' + QString(140, u'a') + u'y' << false;
        QTest::newRow("surrogate halves")
            << QStringList{u"\U0001F600"_qs} << u"x\U0001F601"_qs << false;
    }
    void matches()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, text);
        QFETCH(bool, blocked);
        for (const auto& index : stages(words, {u"zz"_s, QString()}))
            QCOMPARE(index->matches(text), blocked);
        QCOMPARE(plainLoop(words, text), blocked); // the table itself is right
    }

    // Small alphabets make overlapping words and words that start others
    // likely; the last rounds use wide ones, so a first pair of letters leads
    // to many words. Every stage of a list's index answers as the plain loop.
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
            // Odd rounds have only words of four letters or more, the ones
            // kept in byte order; many words extend an earlier one, so one
            // word often starts another.
            const int shortest = round % 2 ? 4 : 1;
            QStringList words;
            auto word = [&] {
                QString w = text(7, alphabet, letters);
                if (!words.isEmpty() && random.bounded(2))
                    w.prepend(words[random.bounded(int(words.size()))]);
                // In the wide rounds many words share their first two letters.
                if (round >= 300 && random.bounded(2))
                    w.prepend(u'a' + QChar(alphabet[random.bounded(letters)]));
                while (w.size() < shortest)
                    w += QChar(alphabet[random.bounded(letters)]);
                return w;
            };
            QStringList decoys;
            const int count = int(random.bounded(40));
            for (int i = 0; i < count; ++i) {
                decoys << word();
                words << word();
            }
            words.removeAll(QString()); // the empty word is covered above
            decoys.removeAll(QString());
            const auto indexes = stages(words, decoys);
            for (int probe = 0; probe < 40; ++probe) {
                const QString t = text(60, alphabet, letters + 1);
                const bool expected = plainLoop(words, t);
                for (std::size_t stage = 0; stage < indexes.size(); ++stage) {
                    QVERIFY2(indexes[stage]->matches(t) == expected,
                             qPrintable(QString::number(stage) + u' ' + words.join(u'|') +
                                        u" in "_s + t));
                }
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
