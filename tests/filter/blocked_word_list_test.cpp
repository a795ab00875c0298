#include "filter/blocked_word_list.h"
#include "filter/word_index.h"
#include "scratch_dir.h"

#include <glib.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>

#include <sys/mman.h>

#include <atomic>
#include <chrono>
#include <random>
#include <semaphore>

namespace {

using Words = std::vector<std::string>;

bool plainLoop(const Words& words, std::string_view text)
{
    if (text.empty())
        return false;
    for (const std::string& w : words) {
        if (text.find(w) != std::string_view::npos)
            return true;
    }
    return false;
}

std::shared_ptr<const WordStore> storeOf(const Words& words)
{
    auto store = std::make_shared<WordStore>();
    for (const std::string& w : words)
        store->append(w);
    return store;
}

// The index at every stage a list goes through: before its first build,
// built, and kept in step after the build word by word: grown from empty, or
// shrunk from a build that also held the decoys. Both take the decoys out again.
std::vector<std::shared_ptr<const WordIndex>> stages(const Words& words, const Words& decoys)
{
    Words mixed;
    std::vector<bool> decoy;
    for (std::size_t i = 0; i < words.size() || i < decoys.size(); ++i) {
        for (bool d : {true, false}) {
            const Words& from = d ? decoys : words;
            if (i < from.size()) {
                mixed.push_back(from[i]);
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

// Runs the main context, as the window's loop would, until done() holds; false
// when it never does (a hung build would otherwise hang the test program).
template <typename Done> bool pumpUntil(Done&& done)
{
    const auto context = Glib::MainContext::get_default();
    // Wakes the loop now and then: some conditions are met by another thread.
    sigc::connection tick = context->signal_timeout().connect([] { return true; }, 5);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < giveUp)
        context->iteration(true);
    tick.disconnect();
    return done();
}

std::string repeated(std::size_t n, char c)
{
    return std::string(n, c);
}

struct MatchRow
{
    const char* name;
    Words words;
    std::string text;
    bool blocked;
};

} // namespace

// The cases the random comparison below never produces.
TEST(BlockedWords, Matches)
{
    const Words repeats{"x" + repeated(200, 'a') + "y", repeated(140, 'a') + "z"};
    // Three words hold the fourth: built again without them. In the first
    // build the fail states of the first word's tail are shared runs of m.
    const std::string m50z = repeated(50, 'm') + "z", m60 = repeated(60, 'm');
    const Words twice{"a" + m50z, m60 + "c" + m50z, m60 + "d" + m50z, m50z};
    const MatchRow rows[] = {
        {"no words", {}, "http://casino.com/", false},
        {"trailing space", {"bet "}, "file:///a bet b", true},
        {"letter case matters", {"casino"}, "http://CASINO.com/", false},
        {"empty word, text", {"", "zzz"}, "x", true},
        {"empty word, empty text", {""}, "", false},
        // Too few words hold others to leave them out: the scan meets one
        // word inside another's states.
        {"word inside a kept word", {"xadsy", "ads", "bet", "casino", "poker"}, "xadsz", true},
        {"long repeat", repeats, "x" + repeated(140, 'a') + "z", true},
        {"long repeat, no end", repeats, "x" + repeated(140, 'a') + "y", false},
        {"built twice", twice, "m" + m50z, true},
        {"built twice, one short", twice, m60 + "y", false},
        // The two characters share their first three bytes.
        {"one character, another's first bytes", {"\U0001F600"}, "x\U0001F601", false},
        {"whole character", {"caf\u00E9"}, "http://caf\u00E9.fr/", true},
    };
    for (const MatchRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(plainLoop(row.words, row.text), row.blocked); // the table itself is right
        for (const auto& index : stages(row.words, {"zz", ""}))
            EXPECT_EQ(index->matches(row.text), row.blocked);
    }
}

// Small alphabets make overlapping words and words that start others likely;
// the wide rounds make a first pair of letters lead to many words; the last
// rounds build long words (past the fail depths kept in a byte) from a few
// shared runs, with addresses that repeat those runs. Every stage of a list's
// index answers as the plain loop.
TEST(BlockedWords, AgreeWithThePlainLoop)
{
    std::mt19937 random(7);
    const auto below = [&random](std::size_t n) {
        return std::size_t(std::uniform_int_distribution<std::size_t>(0, n - 1)(random));
    };
    // Letters of one, two and three bytes.
    const std::u32string alphabet = U"abcA.\u00E9\u20ACdefghijklmnopqrstuvwxyz0123456789";
    const auto utf8 = [](const std::u32string& s) {
        std::string out;
        for (char32_t c : s) {
            char buffer[6];
            out.append(buffer, std::size_t(g_unichar_to_utf8(gunichar(c), buffer)));
        }
        return out;
    };
    const auto text = [&](std::size_t maxLength, std::size_t letters) {
        std::u32string s;
        for (std::size_t i = below(maxLength + 1); i > 0; --i)
            s += alphabet[below(letters)];
        return s;
    };
    int blocked = 0, allowed = 0;
    for (std::size_t round = 0; round < 500; ++round) {
        const bool runsRound = round >= 400;
        const std::size_t letters = round < 300 ? 2 + round % 6
                                    : runsRound ? 2 + round % 3
                                                : 10 + round % 30;
        std::vector<std::u32string> runs;
        for (std::size_t i = 0; runsRound && i < 4; ++i)
            runs.push_back(text(60, letters) + alphabet[i]);
        // Pieces of runs, whole or cut, with a letter now and then.
        const auto ofRuns = [&](std::size_t length) {
            std::u32string s;
            while (s.size() < length)
                s += below(4) ? runs[below(runs.size())] : text(3, letters + 1);
            return below(3) ? s.substr(0, length) : s;
        };
        // Odd rounds have only words of four letters or more, the ones kept
        // in byte order; many words extend an earlier one, so one word often
        // starts another.
        const std::size_t shortest = round % 2 ? 4 : 1;
        std::vector<std::u32string> made;
        const auto word = [&] {
            std::u32string w =
                runsRound ? ofRuns(below(3) ? 128 + below(200) : 1 + below(40)) : text(7, letters);
            if (!made.empty() && below(2)) {
                const std::u32string& other = made[below(made.size())];
                w = below(2) ? other + w : w + other;
            }
            // In the wide rounds many words share their first two letters.
            if (round >= 300 && !runsRound && below(2))
                w = U"a" + std::u32string(1, alphabet[below(letters)]) + w;
            while (w.size() < shortest)
                w += alphabet[below(letters)];
            return w;
        };
        Words words, decoys;
        for (std::size_t i = below(runsRound ? 20 : 40); i > 0; --i) {
            if (const std::u32string d = word(); !d.empty()) // the empty word is covered above
                decoys.push_back(utf8(d));
            if (std::u32string w = word(); !w.empty()) {
                made.push_back(w);
                words.push_back(utf8(w));
            }
        }
        const auto indexes = stages(words, decoys);
        for (int probe = 0; probe < 40; ++probe) {
            std::u32string t = runsRound ? ofRuns(below(1500)) : text(60, letters + 1);
            if (runsRound && !made.empty() && below(2)) {
                const std::u32string& w = made[below(made.size())];
                t.insert(below(t.size() + 1), w.substr(0, w.size() - 1));
            }
            const std::string address = utf8(t);
            const bool expected = plainLoop(words, address);
            for (std::size_t stage = 0; stage < indexes.size(); ++stage)
                ASSERT_EQ(indexes[stage]->matches(address), expected)
                    << "stage " << stage << ", " << words.size() << " words, in " << address;
            ++(expected ? blocked : allowed);
        }
    }
    // Both answers were exercised often.
    EXPECT_GT(blocked, 1000);
    EXPECT_GT(allowed, 1000);
}

// The build beside the window, held here: a word put in or taken out
// meanwhile holds at once, a build of older words is never put to use, the
// list's followers hear of every change, and a list that goes stops and
// waits for its build.
TEST(BlockedWords, BuildBesideTheWindow)
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
    int matcherChanges = 0;
    std::vector<std::array<std::size_t, 3>> rows;
    list->signal_matcher_changed().connect([&] { ++matcherChanges; });
    list->signal_rows_changed().connect(
        [&](std::size_t at, std::size_t removed, std::size_t added) {
            rows.push_back({at, removed, added});
        });
    const auto blocks = [&list](const char* host) {
        return list->blocks(std::string("http://") + host + ".example/");
    };
    list->setEntries({"poker", "casino"});
    EXPECT_EQ(list->entries(), (Words{"casino", "poker"}));
    ASSERT_TRUE(pumpUntil([&] { return started == 1; }));
    EXPECT_EQ(list->insert("bet"), 0u);
    EXPECT_EQ(list->takeAt(2), "poker");
    EXPECT_EQ(list->takeAt(2), std::nullopt);
    EXPECT_TRUE(blocks("bet") && blocks("casino") && !blocks("poker"));
    const auto before = list->matcher();
    go.release();
    // The first build's words are stale: another build starts, and until it
    // ends the list still answers for the words as they are.
    ASSERT_TRUE(pumpUntil([&] { return started == 2; }));
    EXPECT_FALSE(list->indexCurrent());
    EXPECT_EQ(list->matcher(), before);
    EXPECT_TRUE(blocks("bet") && blocks("casino") && !blocks("poker"));
    go.release();
    ASSERT_TRUE(pumpUntil([&] { return list->indexCurrent(); }));
    EXPECT_TRUE(blocks("bet") && blocks("casino") && !blocks("poker"));
    // The snapshot another thread holds still answers for its own words.
    EXPECT_TRUE(before->matches("http://bet.example/"));
    EXPECT_EQ(matcherChanges, 4); // three changes and the one build put to use
    EXPECT_EQ(rows, (std::vector<std::array<std::size_t, 3>>{{0, 0, 2}, {0, 0, 1}, {2, 1, 0}}));

    list->insert("dice");
    ASSERT_TRUE(pumpUntil([&] { return started == 3; }));
    list.reset();
    EXPECT_EQ(finished.load(), 3);
    // Whatever the loop still had queued for the list finds it gone.
    while (Glib::MainContext::get_default()->iteration(false)) {
    }
}

// A build that runs out of memory leaves the list checking every word; the
// parent is to hear of it once.
TEST(BlockedWords, BuildOutOfMemoryIsToldOnce)
{
    BlockedWordList list;
    list.setIndexBuilder(
        [](std::shared_ptr<const WordStore>, std::stop_token) -> std::shared_ptr<const WordIndex> {
            throw std::bad_alloc();
        });
    // Every look gathers what it would tell: once, and never again, though a
    // later build runs out of memory too.
    int told = 0;
    for (const char* word : {"bet", "casino"}) {
        list.insert(word);
        EXPECT_TRUE(pumpUntil([&] { return !list.indexBuilding(); }));
        told += list.takeSlowCheckNotice();
        told += list.takeSlowCheckNotice();
        EXPECT_EQ(told, 1);
    }
    EXPECT_FALSE(list.indexCurrent());
    EXPECT_TRUE(list.blocks("http://casino.example/") && list.blocks("http://bet.example/") &&
                !list.blocks("http://dice.example/"));
}

// The sorted list box's order: letter case ignored, letter by letter beyond
// ASCII too, equal words as they came, a new word after its equals.
TEST(BlockedWords, Order)
{
    BlockedWordList list(Glib::RefPtr<Glib::MainContext>{});
    list.setEntries({"\u00C9t\u00E9", "zoo", "Beta", "", "alpha", "\u00E9T\u00C9", "Alpha",
                     "\u0131x", "\u00C9tat", "e", "\xFF", "\U0001F600", "\uFB01", "ix"});
    EXPECT_EQ(list.entries(),
              (Words{"", "alpha", "Alpha", "Beta", "e", "ix", "zoo", "\u00C9tat", "\u00C9t\u00E9",
                     "\u00E9T\u00C9", "\u0131x", "\U0001F600", "\uFB01", "\xFF"}));
    EXPECT_EQ(list.insert("ALPHA"), 3u);
    EXPECT_EQ(list.insert("\u00C9T\u00C9"), 11u);
    EXPECT_TRUE(BlockedWordList::sortsBefore("a", "B") && !BlockedWordList::sortsBefore("B", "a"));

    // Random lists of words that share long starts, letters of both cases,
    // accents and zero bytes: the order the comparison gives, ties as given.
    std::mt19937 random(11);
    const std::vector<std::string> pieces{"a", "A", "ab", "AB", "z", "[", "0", "é", "É",
                                          std::string(1, '\0'), "abcdefg", "ABCDEFG"};
    Words words(3000);
    for (std::string& word : words)
        for (std::size_t n = random() % 5; n > 0; --n)
            word += pieces[random() % pieces.size()];
    list.setEntries(words);
    std::stable_sort(words.begin(), words.end(), &BlockedWordList::sortsBefore);
    EXPECT_EQ(list.entries(), words);
}

// A word or list past the 4 GiB the words' positions can say is refused and
// changes nothing. The words are address space never touched.
TEST(BlockedWords, Limits)
{
    const std::size_t huge = std::size_t(1) << 32;
    void* space =
        mmap(nullptr, huge, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(space, MAP_FAILED);
    const std::string_view tooLong(static_cast<const char*>(space), huge);
    WordStore store;
    ASSERT_TRUE(store.append("bet"));
    EXPECT_FALSE(store.append(tooLong.substr(0, huge - 3)));
    EXPECT_FALSE(store.inserted(0, tooLong.substr(0, huge - 3)));
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.bytes(), 3u);

    BlockedWordList list(Glib::RefPtr<Glib::MainContext>{});
    list.setEntries({"bet", "casino"});
    int changes = 0;
    list.signal_rows_changed().connect([&](std::size_t, std::size_t, std::size_t) { ++changes; });
    EXPECT_EQ(list.insert(tooLong), std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.entries(), (Words{"bet", "casino"}));
    munmap(space, huge);
}

// Every line is an entry, kept byte for byte and blocking; the list is sorted
// ignoring case and written back whole, one CR LF line per entry. The early
// read gives the same words, and only for the file and page it was asked for.
TEST(BlockedWords, LoadAndSave)
{
    std::string high, longer;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += char(b);
    for (int i = 0; i < 40000; ++i) // more lines than a 16-bit count holds
        longer += "w" + std::to_string(100000 + i) + "x\r\n";
    const std::string two = "bet\r\ncasino\r\n";
    const struct
    {
        const char* name;
        std::string file, saved;
    } rows[] = {
        {"crlf", two, two},
        {"lone cr", "bet\rcasino\r", two},
        {"lone lf", "bet\ncasino\n", two},
        // Two line ends in a row are an empty entry between them.
        {"blank lines, lone ends", "bet\n\ncasino\r\rzz\r\n\nx\n\n",
         "\r\n\r\n\r\n\r\nbet\r\ncasino\r\nx\r\nzz\r\n"},
        {"last line without end", "bet\r\ncasino", two},
        {"blank line sorts first", "bet\r\n\r\nabc\r\n", "\r\nabc\r\nbet\r\n"},
        {"unsorted, case ignored", "zoo\r\nBeta\r\nalpha\r\nAlpha\r\n",
         "alpha\r\nAlpha\r\nBeta\r\nzoo\r\n"},
        {"spaces and repeats kept", " x\r\nx \r\nx \r\n", " x\r\nx \r\nx \r\n"},
        {"every high byte", high + "\r\n", high + "\r\n"},
        {"high byte after plain lines", "abcdefghij\r\nklmnopq\xE9rs\nz",
         "abcdefghij\r\nklmnopq\xE9rs\r\nz\r\n"},
        {"zero length", "", ""},
        {"40000 lines", longer, longer},
    };
    ScratchDir dir;
    const auto path = dir / "nosurf.txt";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir::write(path, row.file);
        BlockedWordList list;
        BlockedWordPreload early(path, CodePage());
        EXPECT_FALSE(early.take(path, CodePage("CP1251"))); // another page: not taken
        auto words = early.take(path, CodePage());
        ASSERT_TRUE(words);
        EXPECT_EQ(list.load(std::move(*words)), "");
        EXPECT_FALSE(early.take(path, CodePage())); // once only
        std::size_t lines = 0;
        for (std::size_t at = row.saved.find("\r\n"); at != std::string::npos;
             at = row.saved.find("\r\n", at + 2))
            ++lines;
        ASSERT_EQ(list.count(), lines);
        EXPECT_TRUE(lines == 0 || list.blocks("<" + std::string(list.at(lines - 1)) + ">"));
        EXPECT_TRUE(list.save(path, CodePage()).ok());
        EXPECT_EQ(ScratchDir::read(path), row.saved);
    }
}

// A missing file is an empty list; one that cannot be read says so and
// leaves the list empty; a failed save says so and keeps the list.
TEST(BlockedWords, FilesThatFail)
{
    ScratchDir dir;
    BlockedWordList list(Glib::RefPtr<Glib::MainContext>{});
    list.setEntries({"bet"});
    EXPECT_EQ(list.load(dir / "missing.txt", CodePage()), "");
    EXPECT_EQ(list.count(), 0u);

    std::filesystem::create_directory(dir / "folder.txt");
    list.setEntries({"bet"});
    const std::string error = list.load(dir / "folder.txt", CodePage());
    EXPECT_NE(error.find("folder.txt"), std::string::npos) << error;
    EXPECT_EQ(list.count(), 0u);

    list.setEntries({"bet"});
    const TextFile::WriteResult saved = list.save(dir / "folder.txt", CodePage());
    EXPECT_NE(saved.error.find("folder.txt"), std::string::npos) << saved.error;
    EXPECT_EQ(list.entries(), Words{"bet"});
}
