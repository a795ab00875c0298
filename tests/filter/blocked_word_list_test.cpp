#include "filter/blocked_word_list.h"
#include "filter/word_index.h"
#include "test_main.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <semaphore>

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
        auto next = std::make_shared<const WordStore>(*grown->words().inserted(0, all->at(row)));
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
        // Two line ends in a row are an empty entry between them.
        QTest::newRow("blank lines, lone ends")
            << QByteArray("bet\n\ncasino\r\rzz\r\n\nx\n\n")
            << QByteArray("\r\n\r\n\r\n\r\nbet\r\ncasino\r\nx\r\nzz\r\n");
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
        // Three words hold the fourth: built again without them. In the first
        // build the fail states of the first word's tail are shared runs of m.
        const QString m50z = QString(50, u'm') + u'z', m60 = QString(60, u'm');
        const QStringList twice{u'a' + m50z, m60 + u'c' + m50z, m60 + u'd' + m50z, m50z};
        QTest::newRow("built twice") << twice << u'm' + m50z << true;
        QTest::newRow("built twice, one short") << twice << m60 + u'y' << false;
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
    // likely; the wide rounds make a first pair of letters lead to many
    // words; the last rounds build long words (past the fail depths kept in
    // a byte) from a few shared runs, with addresses that repeat those runs.
    // Every stage of a list's index answers as the plain loop.
    void agreesWithThePlainLoop()
    {
        QRandomGenerator random(7);
        const char16_t alphabet[] = u"abcA.\u00E9\u20ACdefghijklmnopqrstuvwxyz0123456789";
        auto text = [&](int maxLength, int letters) {
            QString s;
            const int n = int(random.bounded(maxLength + 1));
            for (int i = 0; i < n; ++i)
                s += QChar(alphabet[random.bounded(letters)]);
            return s;
        };
        int blocked = 0, allowed = 0;
        for (int round = 0; round < 500; ++round) {
            const bool runsRound = round >= 400;
            const int letters = round < 300 ? 2 + round % 6
                                : runsRound ? 2 + round % 3
                                            : 10 + round % 30;
            QStringList runs;
            for (int i = 0; runsRound && i < 4; ++i)
                runs << text(60, letters) + alphabet[i];
            // Pieces of runs, whole or cut, with a letter now and then.
            auto ofRuns = [&](int length) {
                QString s;
                while (s.size() < length)
                    s += random.bounded(4) ? runs[random.bounded(int(runs.size()))]
                                           : text(3, letters + 1);
                return s.left(random.bounded(3) ? length : int(s.size()));
            };
            // Odd rounds have only words of four letters or more, the ones
            // kept in byte order; many words extend an earlier one, so one
            // word often starts another.
            const int shortest = round % 2 ? 4 : 1;
            QStringList words;
            auto word = [&] {
                QString w = runsRound ? ofRuns(random.bounded(3) ? 128 + int(random.bounded(200))
                                                                 : 1 + int(random.bounded(40)))
                                      : text(7, letters);
                if (!words.isEmpty() && random.bounded(2)) {
                    const QString& other = words[random.bounded(int(words.size()))];
                    w = random.bounded(2) ? other + w : w + other;
                }
                // In the wide rounds many words share their first two letters.
                if (round >= 300 && !runsRound && random.bounded(2))
                    w.prepend(u'a' + QChar(alphabet[random.bounded(letters)]));
                while (w.size() < shortest)
                    w += QChar(alphabet[random.bounded(letters)]);
                return w;
            };
            QStringList decoys;
            const int count = int(random.bounded(runsRound ? 20 : 40));
            for (int i = 0; i < count; ++i) {
                decoys << word();
                words << word();
            }
            words.removeAll(QString()); // the empty word is covered above
            decoys.removeAll(QString());
            const auto indexes = stages(words, decoys);
            for (int probe = 0; probe < 40; ++probe) {
                QString t = runsRound ? ofRuns(int(random.bounded(1500))) : text(60, letters + 1);
                if (runsRound && !words.isEmpty() && random.bounded(2))
                    t.insert(random.bounded(int(t.size()) + 1),
                             words[random.bounded(int(words.size()))].chopped(1));
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

    // The build beside the window, held here: a word put in or taken out
    // meanwhile holds at once, a build of older words is never put to use,
    // and a list that goes stops and waits for its build.
    void buildBesideTheWindow()
    {
        std::counting_semaphore<8> go(0);
        std::atomic<int> started = 0, finished = 0;
        auto list = std::make_unique<BlockedWordList>();
        list->setIndexBuilder([&](std::shared_ptr<const WordStore> words, std::stop_token stop) {
            ++started;
            std::shared_ptr<const WordIndex> index;
            while (!go.try_acquire_for(std::chrono::milliseconds(5))) {
                if (stop.stop_requested()) {
                    ++finished;
                    return index;
                }
            }
            index = WordIndex::build(std::move(words), stop);
            ++finished;
            return index;
        });
        const auto blocks = [&list](const char* host) {
            return list->blocks(u"http://"_s + QLatin1StringView(host) + u".example/"_s);
        };
        list->setEntries({u"casino"_s, u"poker"_s});
        QTRY_COMPARE(started.load(), 1);
        list->insert(u"bet"_s);
        list->takeAt(2); // poker
        QVERIFY(blocks("bet") && blocks("casino") && !blocks("poker"));
        go.release();
        // The first build's words are stale: another build starts, and until
        // it ends the list still answers for the words as they are.
        QTRY_COMPARE(started.load(), 2);
        QVERIFY(!list->indexCurrent());
        QVERIFY(blocks("bet") && blocks("casino") && !blocks("poker"));
        go.release();
        QTRY_VERIFY(list->indexCurrent());
        QVERIFY(blocks("bet") && blocks("casino") && !blocks("poker"));

        list->insert(u"dice"_s);
        QTRY_COMPARE(started.load(), 3);
        list.reset();
        QCOMPARE(finished.load(), 3);
    }
};

TOBRIN_TEST(BlockedWordListTest);
#include "blocked_word_list_test.moc"
