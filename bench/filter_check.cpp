// The blocked-word check runs before every navigation, frames included, on
// the window's own thread: these measure it at the largest list a parent's
// file held before (32,767 entries) against short and long addresses, and
// what keeping its index in step costs.
#include "null_web_view.h"
#include "widgets_main.h"
#include "filter/addresses_tab.h"
#include "filter/blocked_word_list.h"
#include "filter/word_matcher.h"
#include "shell/app_context.h"
#include "shell/browser_window.h"
#include "platform/text_file.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

constexpr int kEntries = 32767;

const QStringList kSyllables = {
    "ka",  "to",   "ri",   "men",  "bet",  "po",   "ker",  "ga",  "me",   "chat", "por",
    "no",  "casi", "shop", "tube", "link", "web",  "pic",  "vid", "free", "play", "star",
    "club", "zone", "fun", "hot",  "top",  "best", "news", "land", "kid",  "toy",  "ball",
    "fan", "fox",  "max",  "pro",  "go",   "ly",   "er",   "in",  "on",   "ex",   "dra",
    "gon", "sky",  "sun",  "mo",   "vie",  "ta",   "lo",   "za",  "qu",   "ick"};
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
        address += sep == 0 ? QStringLiteral("?q=") : sep == 1 ? QStringLiteral("&id=") : QStringLiteral("/");
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
const Corpus& corpus()
{
    static const Corpus c = [] {
        QRandomGenerator random(20261206);
        Corpus c;
        for (int i = 0; i < kEntries; ++i)
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
        const QString word = c.entries[kEntries / 2];
        c.blocked60 = c.allowed60.left(30) + word + c.allowed60.mid(30);
        c.blocked60.truncate(std::max<qsizetype>(60, 30 + word.size()));
        c.blocked2000 = c.allowed2000.left(1000) + word + c.allowed2000.mid(1000);
        c.blocked2000.truncate(2000);
        return c;
    }();
    return c;
}

const QString& address(int which)
{
    const Corpus& c = corpus();
    switch (which) {
    case 0: return c.allowed60;
    case 1: return c.allowed2000;
    case 2: return c.blocked60;
    default: return c.blocked2000;
    }
}

void setLabel(benchmark::State& state, int which)
{
    static const char* names[] = {"allowed, 60 chars", "allowed, 2000 chars", "blocked, 60 chars",
                                  "blocked, 2000 chars"};
    state.SetLabel(names[which]);
}

void BM_IndexCheck(benchmark::State& state)
{
    const int which = int(state.range(0));
    WordMatcher matcher;
    matcher.build(corpus().entries);
    const QString& a = address(which);
    const bool expected = which >= 2;
    if (matcher.matches(a) != expected || plainLoop(corpus().entries, a) != expected)
        state.SkipWithError("the corpus does not give the intended answer");
    for (auto _ : state)
        benchmark::DoNotOptimize(matcher.matches(a));
    setLabel(state, which);
    state.counters["index_MiB"] = double(matcher.memoryBytes()) / (1024.0 * 1024.0);
    state.counters["states"] = double(matcher.stateCount());
}
BENCHMARK(BM_IndexCheck)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The plain loop the index replaces, for comparison.
void BM_PlainLoop(benchmark::State& state)
{
    const int which = int(state.range(0));
    const QString& a = address(which);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainLoop(corpus().entries, a));
    setLabel(state, which);
}
BENCHMARK(BM_PlainLoop)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

void BM_IndexBuild(benchmark::State& state)
{
    WordMatcher matcher;
    for (auto _ : state)
        matcher.build(corpus().entries);
    state.counters["index_MiB"] = double(matcher.memoryBytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond);

struct Installation
{
    QTemporaryDir dir;
    AppContext context{AppPaths(dir.path()), nullptr, nullptr,
                       [](QWidget* parent) { return new NullWebView(parent); }, [] {}};
    Installation()
    {
        QDir(dir.path()).mkpath(QStringLiteral("files"));
        if (!TextFile::writeLines(context.paths.file(AppPaths::NoSurf), corpus().entries,
                                  context.codePage).ok())
            qFatal("cannot write the benchmark's list file");
    }
};

// The panel's load step for this tab: read the 32,767-line file, sort it,
// fill List1 and build the index.
void BM_PanelLoad(benchmark::State& state)
{
    Installation install;
    Form1 browser(install.context);
    for (auto _ : state) {
        AddressesTab tab(install.context, browser, nullptr);
        tab.load();
        if (tab.list().entries().size() != kEntries)
            state.SkipWithError("the list did not load whole");
    }
}
BENCHMARK(BM_PanelLoad)->Unit(benchmark::kMillisecond);

// One Add and one Delete through the tab, each applied to the list, the
// index and the file.
void BM_AddThenDelete(benchmark::State& state)
{
    Installation install;
    Form1 browser(install.context);
    AddressesTab tab(install.context, browser, nullptr);
    tab.load();
    const QString word = QStringLiteral("newword");
    for (auto _ : state) {
        tab.Text1->setText(word);
        tab.Command11_Click();
        if (!tab.blocks(QStringLiteral("http://newword.example/")))
            state.SkipWithError("the added word does not block");
        const int row = int(tab.list().entries().indexOf(word));
        tab.List1->setCurrentIndex(tab.list().index(row));
        tab.Command12_Click();
    }
    state.counters["changes_per_iteration"] = 2;
}
BENCHMARK(BM_AddThenDelete)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
