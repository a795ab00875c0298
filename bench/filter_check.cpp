// The blocked-word check runs before every navigation, frames included, on
// the window's own thread: these measure it against short and long addresses
// with 32,767 words (the largest list a parent's file held before), a
// million and ten million (public host-name lists pasted in), and what
// loading the list and keeping its index in step cost.
//
//   filter_check [--benchmark_filter=...]   the 10-million cases only with
//                                            TOBRIN_BENCH_HUGE=1 (minutes, GiBs)
#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "filter/word_index.h"
#include "null_web_view.h"
#include "platform/clock.h"
#include "platform/text_file.h"
#include "shell/app_context.h"
#include "shell/browser_window.h"
#include "widgets_main.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <map>

namespace {

constexpr int kShortList = 32767;
constexpr int kMillion = 1000000;
constexpr int kTenMillion = 10000000;

// The list sizes measured; ten million only on request.
void sizes(benchmark::internal::Benchmark* b, std::initializer_list<int> which)
{
    const bool huge = qEnvironmentVariableIntValue("TOBRIN_BENCH_HUGE") != 0;
    for (int n : {kShortList, kMillion, kTenMillion}) {
        if (n != kTenMillion || huge)
            for (int w : which)
                b->Args({w, n});
    }
}

const QStringList kSyllables = {
    "ka",   "to",   "ri",   "men",  "bet",  "po",   "ker",  "ga",   "me",   "chat", "por",
    "no",   "casi", "shop", "tube", "link", "web",  "pic",  "vid",  "free", "play", "star",
    "club", "zone", "fun",  "hot",  "top",  "best", "news", "land", "kid",  "toy",  "ball",
    "fan",  "fox",  "max",  "pro",  "go",   "ly",   "er",   "in",   "on",   "ex",   "dra",
    "gon",  "sky",  "sun",  "mo",   "vie",  "ta",   "lo",   "za",   "qu",   "ick"};
const QStringList kTopLevel = {".com", ".net", ".org", ".de", ".co.uk", ".info", ".tv", ".io"};

// A word of 3 to 30 letters made of syllables, or a host name of such words.
QString makeEntry(QRandomGenerator& random)
{
    const int target = 3 + int(random.bounded(28));
    QString word;
    while (word.size() < target) {
        if (!word.isEmpty() && random.bounded(8) == 0)
            word += random.bounded(2) ? u'-' : QChar(u'0' + random.bounded(10));
        word += kSyllables[random.bounded(int(kSyllables.size()))];
    }
    if (random.bounded(2)) {
        const QString tld = kTopLevel[random.bounded(int(kTopLevel.size()))];
        word = word.left(std::max<qsizetype>(1, 30 - tld.size())) + tld;
        if (random.bounded(3) == 0 && word.size() <= 26)
            word.prepend(QStringLiteral("www."));
    }
    return word.left(30);
}

// An address of the given length built from the same syllables, so that it
// runs into many partial matches.
QString makeAddress(QRandomGenerator& random, int length)
{
    QString address = QStringLiteral("http://www.");
    address += makeEntry(random).remove(u'.') + QStringLiteral(".com/");
    while (address.size() < length) {
        address += makeEntry(random);
        const int sep = int(random.bounded(5));
        address += sep == 0   ? QStringLiteral("?q=")
                   : sep == 1 ? QStringLiteral("&id=")
                              : QStringLiteral("/");
    }
    address.truncate(length);
    return address;
}

bool plainLoop(const QStringList& entries, QStringView address)
{
    if (address.isEmpty())
        return false;
    for (const QString& w : entries) {
        if (address.indexOf(w) >= 0)
            return true;
    }
    return false;
}

struct Corpus
{
    QStringList entries;
    QString allowed60, allowed2000, blocked60, blocked2000;
};

// Entries that the allowed addresses happen to contain are replaced until
// none does: allowed is the case that reads the whole address.
const Corpus& corpus(int entries)
{
    static std::map<int, Corpus> made;
    if (const auto it = made.find(entries); it != made.end())
        return it->second;
    const Corpus& c = made[entries] = [entries] {
        QRandomGenerator random(20261206);
        Corpus c;
        for (int i = 0; i < entries; ++i)
            c.entries << makeEntry(random);
        c.allowed60 = makeAddress(random, 60);
        c.allowed2000 = makeAddress(random, 2000);
        for (bool changed = true; changed;) {
            changed = false;
            for (QString& w : c.entries) {
                while (c.allowed60.contains(w) || c.allowed2000.contains(w)) {
                    w = makeEntry(random);
                    changed = true;
                }
            }
        }
        const QString word = c.entries[entries / 2];
        c.blocked60 = c.allowed60.left(30) + word + c.allowed60.mid(30);
        c.blocked60.truncate(std::max<qsizetype>(60, 30 + word.size()));
        c.blocked2000 = c.allowed2000.left(1000) + word + c.allowed2000.mid(1000);
        c.blocked2000.truncate(2000);
        return c;
    }();
    return c;
}

const QString& address(int which, int entries)
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

std::shared_ptr<const WordIndex> indexOf(const QStringList& words)
{
    auto store = std::make_shared<WordStore>();
    store->reserve(std::size_t(words.size()), std::size_t(words.size()) * 20);
    for (const QString& w : words)
        store->append(toUtf8(w));
    return WordIndex::build(store);
}

void BM_IndexCheck(benchmark::State& state)
{
    const int which = int(state.range(0));
    const int entries = int(state.range(1));
    const auto index = indexOf(corpus(entries).entries);
    const QString& a = address(which, entries);
    const bool expected = which >= 2;
    if (index->matches(a) != expected || plainLoop(corpus(entries).entries, a) != expected)
        state.SkipWithError("the corpus does not give the intended answer");
    for (auto _ : state)
        benchmark::DoNotOptimize(index->matches(a));
    setLabel(state, which);
    state.counters["index_MiB"] = double(index->memoryBytes()) / (1024.0 * 1024.0);
    state.counters["words_MiB"] = double(index->words().memoryBytes()) / (1024.0 * 1024.0);
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
    QRandomGenerator random(11);
    QStringList runs;
    for (int i = 0; i < 4; ++i) {
        QString run;
        for (int k = 0; k < 20 + 10 * i; ++k)
            run += QChar(u'a' + int(random.bounded(2)));
        runs << run + QChar(u'u' + i); // the words end with z, which no run holds
    }
    const auto ofRuns = [&](int length) {
        QString s;
        while (s.size() < length)
            s += runs[random.bounded(int(runs.size()))];
        return s.left(length);
    };
    QStringList words;
    for (int i = 0; i < 20000; ++i)
        words << ofRuns(128 + int(random.bounded(273))) + u'z';
    const auto index = indexOf(words);
    const QString a = ofRuns(2000);
    if (index->matches(a) || plainLoop(words, a))
        state.SkipWithError("the address was meant to be allowed");
    for (auto _ : state)
        benchmark::DoNotOptimize(index->matches(a));
    state.counters["index_MiB"] = double(index->memoryBytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_IndexCheckLongRuns)->Unit(benchmark::kMicrosecond);

// The plain loop, for comparison; it also checks addresses while the first
// build after a load runs.
void BM_PlainLoop(benchmark::State& state)
{
    const int which = int(state.range(0));
    const int entries = int(state.range(1));
    const QString& a = address(which, entries);
    const WordIndex unindexed(indexOf(corpus(entries).entries)->store());
    for (auto _ : state)
        benchmark::DoNotOptimize(unindexed.matches(a));
    setLabel(state, which);
}
BENCHMARK(BM_PlainLoop)->Apply([](auto* b) { sizes(b, {0, 1}); }) -> Unit(benchmark::kMillisecond);

// The full build, which runs beside the window after a load.
void BM_IndexBuild(benchmark::State& state)
{
    const auto store = indexOf(corpus(int(state.range(1))).entries)->store();
    for (auto _ : state)
        benchmark::DoNotOptimize(WordIndex::build(store));
}
BENCHMARK(BM_IndexBuild)->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond);

struct Installation
{
    QTemporaryDir dir;
    SystemClock clock; // the schedule check runs while a benchmark waits for the index
    AppContext context{AppPaths(dir.path()), nullptr, &clock,
                       [](QWidget* parent) { return new NullWebView(parent); }, [] {}};
    explicit Installation(int entries)
    {
        QDir(dir.path()).mkpath(QStringLiteral("files"));
        QStringList sorted = corpus(entries).entries;
        std::stable_sort(sorted.begin(), sorted.end(), &BlockedWordList::sortsBefore);
        if (!TextFile::writeLines(context.paths.file(AppPaths::NoSurf), sorted, context.codePage)
                 .ok())
            qFatal("cannot write the benchmark's list file");
    }
};

void waitForIndex(const BlockedWordList& list)
{
    while (!list.indexCurrent())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// The panel's load step for this tab, on the window's thread: read the file
// as the program saved it (in order), fill List1. The index is built beside.
void BM_PanelLoad(benchmark::State& state)
{
    const int entries = int(state.range(1));
    Installation install(entries);
    Form1 browser(install.context);
    for (auto _ : state) {
        AddressesTab tab(install.context, browser, nullptr);
        tab.load();
        if (tab.list().count() != entries)
            state.SkipWithError("the list did not load whole");
        state.PauseTiming();
        waitForIndex(tab.list()); // let the build end before the next round starts one
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PanelLoad)
    ->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond) -> Iterations(3);

// One Add and one Delete through the tab, each applied to the list, the
// index and the file.
void BM_AddThenDelete(benchmark::State& state)
{
    Installation install(int(state.range(1)));
    Form1 browser(install.context);
    AddressesTab tab(install.context, browser, nullptr);
    tab.load();
    waitForIndex(tab.list());
    const QString word = QStringLiteral("newword");
    for (auto _ : state) {
        tab.Text1->setText(word);
        tab.Command11_Click();
        if (!tab.blocks(QStringLiteral("http://newword.example/")))
            state.SkipWithError("the added word does not block");
        // A new word goes after the entries equal to it ignoring case.
        int lo = 0, hi = tab.list().count();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (BlockedWordList::sortsBefore(word, tab.list().at(mid)))
                hi = mid;
            else
                lo = mid + 1;
        }
        tab.List1->setCurrentIndex(tab.list().index(lo - 1));
        tab.Command12_Click();
    }
    state.counters["changes_per_iteration"] = 2;
}
BENCHMARK(BM_AddThenDelete)->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond);

// The parent opens the tab and scrolls through the whole list: the longest
// the window is kept from its events by one step.
void BM_OpenAndScroll(benchmark::State& state)
{
    const int entries = int(state.range(1));
    Installation install(entries);
    Form1 browser(install.context);
    AddressesTab tab(install.context, browser, nullptr);
    tab.load();
    double longest = 0;
    for (auto _ : state) {
        QElapsedTimer step;
        auto measure = [&](auto&& action) {
            step.start();
            action();
            QCoreApplication::processEvents();
            longest = std::max(longest, step.nsecsElapsed() / 1e6);
        };
        measure([&] { tab.show(); });
        for (int k = 0; k <= 20; ++k)
            measure(
                [&] { tab.List1->scrollTo(tab.list().index(int(qint64(entries - 1) * k / 20))); });
        measure([&] { tab.hide(); });
    }
    state.counters["longest_step_ms"] = longest;
}
BENCHMARK(BM_OpenAndScroll)
    ->Apply([](auto* b) { sizes(b, {0}); }) -> Unit(benchmark::kMillisecond) -> Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
