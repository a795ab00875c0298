// The blocked-word check runs before every navigation, frames included, on
// the window's own thread: these measure it against short and long addresses
// with 32,767 words (the largest list a parent's file held before), a
// million and ten million (public host-name lists pasted in), and what
// loading the list and keeping its index in step cost.
//
//   filter_check [--benchmark_filter=...]   the 10-million cases only with
//                                            TOBRIN_BENCH_HUGE=1 (minutes, GiBs)
#include "filter/blocked_word_list.h"
#include "filter/word_index.h"
#include "platform/text_file.h"

#include <benchmark/benchmark.h>
#include <glib.h>
#include <glibmm/main.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>

namespace {

constexpr int kShortList = 32767;
constexpr int kMillion = 1000000;
constexpr int kTenMillion = 10000000;

// The list sizes measured; ten million only on request.
void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> which)
{
    const char* hugeVar = std::getenv("TOBRIN_BENCH_HUGE");
    const bool huge = hugeVar && std::atoi(hugeVar) != 0;
    for (int n : {kShortList, kMillion, kTenMillion}) {
        if (n != kTenMillion || huge)
            for (int w : which)
                b->Args({w, n});
    }
}

const std::vector<std::string> kSyllables = {
    "ka",   "to",   "ri",   "men",  "bet",  "po",   "ker",  "ga",   "me",   "chat", "por",
    "no",   "casi", "shop", "tube", "link", "web",  "pic",  "vid",  "free", "play", "star",
    "club", "zone", "fun",  "hot",  "top",  "best", "news", "land", "kid",  "toy",  "ball",
    "fan",  "fox",  "max",  "pro",  "go",   "ly",   "er",   "in",   "on",   "ex",   "dra",
    "gon",  "sky",  "sun",  "mo",   "vie",  "ta",   "lo",   "za",   "qu",   "ick"};
const std::vector<std::string> kTopLevel = {".com",   ".net",  ".org", ".de",
                                            ".co.uk", ".info", ".tv",  ".io"};

struct Random
{
    std::mt19937 engine;
    std::size_t below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(engine);
    }
};

// A word of 3 to 30 letters made of syllables, or a host name of such words.
std::string makeEntry(Random& random)
{
    const std::size_t target = 3 + random.below(28);
    std::string word;
    while (word.size() < target) {
        if (!word.empty() && random.below(8) == 0)
            word += random.below(2) ? '-' : char('0' + random.below(10));
        word += kSyllables[random.below(kSyllables.size())];
    }
    if (random.below(2)) {
        const std::string& tld = kTopLevel[random.below(kTopLevel.size())];
        word = word.substr(0, std::max<std::size_t>(1, 30 - tld.size())) + tld;
        if (random.below(3) == 0 && word.size() <= 26)
            word.insert(0, "www.");
    }
    return word.substr(0, 30);
}

// An address of the given length built from the same syllables, so that it
// runs into many partial matches.
std::string makeAddress(Random& random, std::size_t length)
{
    std::string host = makeEntry(random);
    host.erase(std::remove(host.begin(), host.end(), '.'), host.end());
    std::string address = "http://www." + host + ".com/";
    while (address.size() < length) {
        address += makeEntry(random);
        const std::size_t sep = random.below(5);
        address += sep == 0 ? "?q=" : sep == 1 ? "&id=" : "/";
    }
    address.resize(length);
    return address;
}

bool plainLoop(const std::vector<std::string>& entries, std::string_view address)
{
    if (address.empty())
        return false;
    for (const std::string& w : entries) {
        if (address.find(w) != std::string_view::npos)
            return true;
    }
    return false;
}

struct Corpus
{
    std::vector<std::string> entries;
    std::string allowed60, allowed2000, blocked60, blocked2000;
};

// Entries that the allowed addresses happen to contain are replaced until
// none does: allowed is the case that reads the whole address.
const Corpus& corpus(int entries)
{
    static std::map<int, Corpus> made;
    if (const auto it = made.find(entries); it != made.end())
        return it->second;
    Corpus& c = made[entries];
    Random random{std::mt19937(20261206)};
    for (int i = 0; i < entries; ++i)
        c.entries.push_back(makeEntry(random));
    c.allowed60 = makeAddress(random, 60);
    c.allowed2000 = makeAddress(random, 2000);
    for (bool changed = true; changed;) {
        changed = false;
        for (std::string& w : c.entries) {
            while (c.allowed60.find(w) != std::string::npos ||
                   c.allowed2000.find(w) != std::string::npos) {
                w = makeEntry(random);
                changed = true;
            }
        }
    }
    const std::string& word = c.entries[std::size_t(entries) / 2];
    c.blocked60 = c.allowed60.substr(0, 30) + word + c.allowed60.substr(30);
    c.blocked60.resize(std::max<std::size_t>(60, 30 + word.size()));
    c.blocked2000 = c.allowed2000.substr(0, 1000) + word + c.allowed2000.substr(1000);
    c.blocked2000.resize(2000);
    return c;
}

const std::string& address(int which, int entries)
{
    const Corpus& c = corpus(entries);
    switch (which) {
    case 0:
        return c.allowed60;
    case 1:
        return c.allowed2000;
    case 2:
        return c.blocked60;
    default:
        return c.blocked2000;
    }
}

void setLabel(benchmark::State& state, int which)
{
    static const char* names[] = {"allowed, 60 chars", "allowed, 2000 chars", "blocked, 60 chars",
                                  "blocked, 2000 chars"};
    state.SetLabel(names[which]);
}

std::shared_ptr<const WordStore> storeOf(const std::vector<std::string>& words)
{
    auto store = std::make_shared<WordStore>();
    store->reserve(words.size(), words.size() * 20);
    for (const std::string& w : words)
        store->append(w);
    return store;
}

double mebibytes(std::size_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

void BM_IndexCheck(benchmark::State& state)
{
    const int which = int(state.range(0));
    const int entries = int(state.range(1));
    const auto index = WordIndex::build(storeOf(corpus(entries).entries));
    const std::string& a = address(which, entries);
    const bool expected = which >= 2;
    if (index->matches(a) != expected || plainLoop(corpus(entries).entries, a) != expected)
        state.SkipWithError("the corpus does not give the intended answer");
    for (auto _ : state)
        benchmark::DoNotOptimize(index->matches(a));
    setLabel(state, which);
    state.counters["index_MiB"] = mebibytes(index->memoryBytes());
    state.counters["words_MiB"] = mebibytes(index->words().memoryBytes());
}
BENCHMARK(BM_IndexCheck)->Apply([](auto* b) {
                            sizes(b, {0, 1, 2, 3});
                        }) -> Unit(benchmark::kMicrosecond);

// A list made to be slow: 20,000 long words (128 to 400 bytes) made of a few
// shared runs of two letters, most holding others, against a 2,000-character
// address that repeats those runs and holds none of the words. Shows that no
// list makes a byte of the address cost more than a bounded number of steps.
void BM_IndexCheckLongRuns(benchmark::State& state)
{
    Random random{std::mt19937(11)};
    std::vector<std::string> runs;
    for (int i = 0; i < 4; ++i) {
        std::string run;
        for (int k = 0; k < 20 + 10 * i; ++k)
            run += char('a' + random.below(2));
        runs.push_back(run + char('u' + i)); // the words end with z, which no run holds
    }
    const auto ofRuns = [&](std::size_t length) {
        std::string s;
        while (s.size() < length)
            s += runs[random.below(runs.size())];
        return s.substr(0, length);
    };
    std::vector<std::string> words;
    for (int i = 0; i < 20000; ++i)
        words.push_back(ofRuns(128 + random.below(273)) + 'z');
    const auto index = WordIndex::build(storeOf(words));
    const std::string a = ofRuns(2000);
    if (index->matches(a) || plainLoop(words, a))
        state.SkipWithError("the address was meant to be allowed");
    for (auto _ : state)
        benchmark::DoNotOptimize(index->matches(a));
    state.counters["index_MiB"] = mebibytes(index->memoryBytes());
}
BENCHMARK(BM_IndexCheckLongRuns)->Unit(benchmark::kMicrosecond);

// The plain loop, for comparison; it also checks addresses while the first
// build after a load runs.
void BM_PlainLoop(benchmark::State& state)
{
    const int which = int(state.range(0));
    const int entries = int(state.range(1));
    const std::string& a = address(which, entries);
    const WordIndex unindexed(storeOf(corpus(entries).entries));
    for (auto _ : state)
        benchmark::DoNotOptimize(unindexed.matches(a));
    setLabel(state, which);
}
BENCHMARK(BM_PlainLoop)->Apply([](auto* b) { sizes(b, {0, 1}); }) -> Unit(benchmark::kMillisecond);

// The full build, which runs beside the window after a load.
void BM_IndexBuild(benchmark::State& state)
{
    const auto store = storeOf(corpus(int(state.range(1))).entries);
    for (auto _ : state)
        benchmark::DoNotOptimize(WordIndex::build(store));
}
BENCHMARK(BM_IndexBuild)->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond);

// A scratch installation's list file, as the program saved it (in order).
struct ListFile
{
    std::filesystem::path dir;
    std::filesystem::path path;
    CodePage page;
    explicit ListFile(int entries)
    {
        gchar* made = g_dir_make_tmp("tobrin-bench-XXXXXX", nullptr);
        if (!made)
            std::abort();
        dir = made;
        g_free(made);
        path = dir / "nosurf.txt";
        std::vector<std::string> sorted = corpus(entries).entries;
        std::stable_sort(sorted.begin(), sorted.end(), &BlockedWordList::sortsBefore);
        if (!TextFile::writeLines(path, sorted, page).ok())
            std::abort();
    }
    ~ListFile() { std::filesystem::remove_all(dir); }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;
};

void waitForIndex(const BlockedWordList& list)
{
    while (!list.indexCurrent())
        Glib::MainContext::get_default()->iteration(true);
}

// The panel's load step for the list, on the window's thread: read the file
// and put the words in place. The index is built beside.
void BM_ListLoad(benchmark::State& state)
{
    const int entries = int(state.range(1));
    const ListFile file(entries);
    for (auto _ : state) {
        BlockedWordList list;
        if (!list.load(file.path, file.page).empty() || list.count() != std::size_t(entries))
            state.SkipWithError("the list did not load whole");
        state.PauseTiming();
        waitForIndex(list); // let the build end before the next round starts one
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListLoad)
    ->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond) -> Iterations(3);

// One Add and one Delete, each applied to the list and the index and written
// to the file, as the editor does; the tests see that the word blocks.
void BM_AddThenDelete(benchmark::State& state)
{
    const ListFile file(int(state.range(1)));
    BlockedWordList list;
    list.load(file.path, file.page);
    waitForIndex(list);
    for (auto _ : state) {
        const std::optional<std::size_t> row = list.insert("newword");
        const bool saved = list.save(file.path, file.page).ok();
        if (!row || !list.takeAt(*row) || !saved || !list.save(file.path, file.page).ok()) {
            state.SkipWithError("the list could not be changed and saved");
            break;
        }
    }
    state.counters["changes_per_iteration"] = 2;
}
BENCHMARK(BM_AddThenDelete)->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
