#include "filter/word_index.h"

#include "platform/text_file.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t kOutput = 0x80000000u; // in Branch::firstEdge
constexpr std::uint32_t kTail = 0x80000000u;   // in a state
constexpr std::uint32_t kIndexMask = 0x7FFFFFFFu;
constexpr std::uint8_t kTailOutput = 0x80;
constexpr std::uint8_t kFarFail = 0x7F;
static_assert(WordAutomaton::kWalkLimit < kFarFail, "a fail depth kept in a tail's info byte");
constexpr std::size_t kDenseStates = 1024; // 1 MiB of tables: more falls out of the caches

bool isAscii(std::string_view word)
{
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

static_assert(std::endian::native == std::endian::little, "byte order of the line scan");

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The high bit of the first zero byte of x is set (later ones may be too).
std::uint64_t zeroBytes(std::uint64_t x)
{
    return (x - kEveryByte) & ~x & kHighBits;
}

constexpr std::size_t aligned(std::size_t n)
{
    return (n + 7) & ~std::size_t(7);
}

// What an index keeps in its block beside the words (WordBlock's extra
// part): this, then the automaton's flat form, then the words put in since
// it was built (their ends, then their bytes).
struct SharedIndex
{
    std::uint64_t automatonSize; // 0 for none
    std::uint64_t addedCount;
    std::uint64_t addedBytes;
    std::uint32_t removed;
    std::uint32_t unused;
};

} // namespace

WordStore::WordStore(std::shared_ptr<const WordBlock> block)
    : m_block(std::move(block)), m_viewEnds(m_block->ends()), m_viewText(m_block->text()),
      m_count(m_block->count()), m_viewBytes(std::size_t(m_block->header().bytes))
{
    m_ascii = isAscii(text());
}

bool WordStore::append(std::string_view word)
{
    if (m_bytes.size() + word.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    m_bytes.append(word);
    m_ends.push_back(std::uint32_t(m_bytes.size()));
    m_ascii = m_ascii && isAscii(word);
    return true;
}

void WordStore::reserve(std::size_t words, std::size_t bytes)
{
    m_ends.reserve(words);
    m_bytes.reserve(bytes);
}

bool WordStore::takeLines(std::string bytes,
                          const std::function<std::string(std::string_view)>& decode)
{
    constexpr std::size_t kMaxBytes = std::numeric_limits<std::uint32_t>::max();
    bool fits = bytes.size() <= kMaxBytes;
    m_ends.clear();
    m_ends.reserve(bytes.size() / 16 + 1);
    m_ascii = true;
    char* const data = bytes.data();
    const std::size_t n = std::min(bytes.size(), kMaxBytes);
    // Each line moves down over the line ends before it, eight bytes at a
    // time; w never passes r, so nothing is overwritten before it is read.
    std::size_t r = 0;
    std::size_t w = 0;
    std::size_t line = 0; // where the current line starts, written
    while (r < n) {
        std::size_t k = 0; // bytes of the line before its end, from r
        if (r + 8 <= n) {
            std::uint64_t chunk;
            std::memcpy(&chunk, data + r, 8);
            if (chunk & kHighBits)
                break;
            const std::uint64_t ends =
                zeroBytes(chunk ^ (kEveryByte * '\r')) | zeroBytes(chunk ^ (kEveryByte * '\n'));
            if (ends == 0 || r - w >= 8)
                std::memcpy(data + w, &chunk, 8); // lands wholly before r + 8 and before r
            if (ends == 0) {
                w += 8;
                r += 8;
                continue;
            }
            k = std::size_t(std::countr_zero(ends)) / 8;
            if (r - w < 8)
                std::memmove(data + w, data + r, k);
        } else {
            const char c = data[r];
            if (static_cast<unsigned char>(c) >= 0x80)
                break;
            if (c != '\r' && c != '\n') {
                data[w++] = c;
                ++r;
                continue;
            }
        }
        w += k;
        r += k;
        m_ends.push_back(std::uint32_t(w));
        r += data[r] == '\r' && r + 1 < n && data[r + 1] == '\n' ? 2 : 1;
        line = w;
    }
    if (r >= n && line < w) // a last line without its end
        m_ends.push_back(std::uint32_t(w));
    std::string rest;
    if (r < n) {
        // The line being read and all after it, through the code page.
        rest.reserve(w - line + n - r);
        rest.append(data + line, w - line).append(data + r, n - r);
        rest = decode(rest);
        w = line;
    }
    bytes.resize(w);
    m_bytes = std::move(bytes);
    TextFile::forEachLine(rest, [&](std::size_t start, std::size_t length) {
        fits = fits && append(std::string_view(rest).substr(start, length));
    });
    return fits;
}

std::optional<WordStore> WordStore::inserted(std::size_t row, std::string_view word) const
{
    if (bytes() + word.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    WordStore out;
    out.reserve(size() + 1, bytes() + word.size());
    for (std::size_t i = 0; i < row; ++i)
        out.append(at(i));
    out.append(word);
    for (std::size_t i = row; i < size(); ++i)
        out.append(at(i));
    return out;
}

WordStore WordStore::removed(std::size_t row) const
{
    WordStore out;
    out.reserve(size() - 1, bytes() - at(row).size());
    for (std::size_t i = 0; i < size(); ++i) {
        if (i != row)
            out.append(at(i));
    }
    // Left as it was when the word taken out was the last beyond ASCII: the
    // flag only ever speeds up the save.
    out.m_ascii = m_ascii;
    return out;
}

inline std::uint32_t WordAutomaton::child(std::uint32_t state, std::uint8_t c) const
{
    if (state < m_at.denseStates)
        return m_at.dense[std::size_t(state) * 256 + c];
    const std::uint32_t begin = m_at.branch[state].firstEdge & kIndexMask;
    const std::uint32_t end = m_at.branch[state + 1].firstEdge & kIndexMask;
    const std::uint8_t* labels = m_at.edgeLabel;
    if (end - begin <= 8) {
        for (std::uint32_t i = begin; i < end; ++i) {
            if (labels[i] == c)
                return m_at.edgeTarget[i];
        }
        return 0;
    }
    const std::uint8_t* found = std::lower_bound(labels + begin, labels + end, c);
    return found != labels + end && *found == c ? m_at.edgeTarget[std::size_t(found - labels)] : 0;
}

WordAutomaton::WordAutomaton(const WordStore& words, std::stop_token stop)
{
    std::vector<std::string_view> all;
    all.reserve(words.size());
    for (std::size_t row = 0; row < words.size(); ++row) {
        if (words.at(row).empty())
            m_emptyWord = true;
        else
            all.push_back(words.at(row));
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    // A word that holds another word adds nothing to a yes-or-no answer.
    // Lists of words made from a few common parts shrink a lot and are built
    // again without them; others are left as built.
    // The second build is a fresh automaton: nothing of the first can stay.
    std::vector<std::string_view> kept;
    if (build(std::move(all), &kept, stop)) {
        WordAutomaton again;
        again.m_emptyWord = m_emptyWord;
        again.build(std::move(kept), nullptr, stop);
        *this = std::move(again);
    }
}

bool WordAutomaton::build(std::vector<std::string_view> words, std::vector<std::string_view>* kept,
                          const std::stop_token& stop)
{
    // Asked now and then, so that a list going away never waits for a long build.
    std::size_t steps = 0;
    const auto poll = [&stop, &steps] {
        if ((++steps & 0xFFFF) == 0 && stop.stop_requested())
            throw Cancelled{};
    };

    // A word that starts with the word before it adds nothing. Of sorted
    // words, one that starts with any earlier word starts with the last
    // one kept, so the words left start no other.
    const std::size_t given = words.size();
    std::size_t n = 0;
    for (std::string_view w : words) {
        if (n == 0 || !w.starts_with(words[n - 1]))
            words[n++] = w;
    }
    words.resize(n);
    const auto common = [&words](std::size_t i) { // bytes word i shares with word i - 1
        if (i == 0 || i >= words.size())
            return std::size_t(0);
        const std::string_view a = words[i - 1], b = words[i];
        return std::size_t(std::mismatch(a.begin(),
                                         a.begin() + std::ptrdiff_t(std::min(a.size(), b.size())),
                                         b.begin())
                               .first -
                           a.begin());
    };

    // The branch states in depth-first order, straight from the sorted
    // words: a word's branch states are the texts it shares with the word
    // before it or after it; its tail is the rest.
    std::vector<std::uint32_t> parent{0}, depth{0}, wordOf{0};
    std::vector<std::uint32_t> path{0}; // path[d]: branch state of the current word at depth d
    std::vector<std::uint32_t> head(n), tailStart(n + 1, 0), tailParentDfs(n);
    struct Edge
    {
        std::uint32_t from; // depth-first number of the branch state
        std::uint32_t to;   // depth-first number, or kTail | tail state
        std::uint8_t label;
    };
    std::vector<Edge> edges;
    edges.reserve(n + n / 2);
    std::size_t after = common(0);
    for (std::size_t i = 0; i < n; ++i) {
        poll();
        const std::string_view w = words[i];
        const std::size_t before = after;
        after = common(i + 1);
        head[i] = std::uint32_t(std::max(before, after));
        path.resize(before + 1);
        for (std::size_t d = before; d < head[i]; ++d) {
            const auto state = std::uint32_t(parent.size());
            edges.push_back({path[d], state, static_cast<std::uint8_t>(w[d])});
            parent.push_back(path[d]);
            depth.push_back(std::uint32_t(d + 1));
            wordOf.push_back(std::uint32_t(i));
            path.push_back(state);
        }
        tailParentDfs[i] = path[head[i]];
        tailStart[i + 1] = tailStart[i] + std::uint32_t(w.size() - head[i]);
        edges.push_back(
            {path[head[i]], kTail | tailStart[i], static_cast<std::uint8_t>(w[head[i]])});
    }
    const std::size_t branches = parent.size();
    const std::size_t tails = tailStart[n];

    // Breadth-first numbering: a stable sort by depth keeps siblings together
    // and in label order, and sibling groups in the order of their parents.
    const std::uint32_t maxDepth = *std::max_element(depth.begin(), depth.end());
    std::vector<std::uint32_t> level(std::size_t(maxDepth) + 2, 0);
    for (std::uint32_t d : depth)
        ++level[std::size_t(d) + 1];
    for (std::size_t d = 1; d < level.size(); ++d)
        level[d] += level[d - 1];
    std::vector<std::uint32_t> order(branches);
    {
        std::vector<std::uint32_t> next(level.begin(), level.end() - 1);
        for (std::size_t i = 0; i < branches; ++i)
            order[i] = next[depth[i]]++;
    }
    std::vector<std::uint32_t> bfsWord(branches);
    std::vector<std::uint32_t> bfsParent(branches);
    for (std::size_t i = 0; i < branches; ++i) {
        bfsWord[order[i]] = wordOf[i];
        bfsParent[order[i]] = order[parent[i]];
    }
    parent = {};
    depth = {};
    wordOf = {};
    path = {};

    m_branch.assign(branches + 1, Branch{0, 0});
    for (const Edge& e : edges)
        ++m_branch[order[e.from] + 1].firstEdge;
    for (std::size_t s = 1; s <= branches; ++s)
        m_branch[s].firstEdge += m_branch[s - 1].firstEdge;
    m_edgeLabel.assign(edges.size(), 0);
    m_edgeTarget.assign(edges.size(), 0);
    {
        std::vector<std::uint32_t> next(branches);
        for (std::size_t s = 0; s < branches; ++s)
            next[s] = m_branch[s].firstEdge;
        for (const Edge& e : edges) {
            const std::uint32_t at = next[order[e.from]]++;
            m_edgeLabel[at] = e.label;
            m_edgeTarget[at] = (e.to & kTail) ? e.to : order[e.to];
        }
    }
    std::vector<std::uint32_t> tailParent(n);
    for (std::size_t i = 0; i < n; ++i)
        tailParent[i] = order[tailParentDfs[i]];
    edges = {};
    order = {};

    m_tail.assign(tails + 1, Tail{0, 0});
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = head[i]; k < words[i].size(); ++k)
            m_tail[tailStart[i] + k - head[i]].byte = static_cast<std::uint8_t>(words[i][k]);
    }

    // The shallowest states, where a scan spends most of its steps and where
    // states have the most children, get a table of all 256 bytes.
    m_denseStates = std::uint32_t(std::min<std::size_t>(branches, kDenseStates));
    m_dense.assign(std::size_t(m_denseStates) * 256, 0);
    for (std::uint32_t s = 0; s < m_denseStates; ++s) {
        for (std::uint32_t e = m_branch[s].firstEdge; e < m_branch[s + 1].firstEdge; ++e)
            m_dense[std::size_t(s) * 256 + m_edgeLabel[e]] = m_edgeTarget[e];
    }
    point(); // the scan's own steps serve the build from here on

    // Fail states depth by depth, for the branch states first: the fail
    // state of a text is its longest proper suffix that is a state, and is
    // shallower. The words whose tails run through depth d are "active".
    std::vector<std::uint32_t> branchFailDepth(branches, 0);
    std::vector<std::uint32_t> tailFailDepth(tails, 0);
    std::vector<bool> leaf(tails, false), branchHolds(branches, false);
    for (std::size_t i = 0; i < n; ++i)
        leaf[tailStart[i + 1] - 1] = true;
    // The fail state (and its depth) of the text text[0, d), from the fail
    // state of text[0, d - 1).
    const auto failOf = [&](std::string_view text, std::size_t d, std::uint32_t f,
                            std::uint32_t fDepth) -> std::pair<std::uint32_t, std::uint32_t> {
        if (d == 1)
            return {0, 0};
        const auto c = static_cast<std::uint8_t>(text[d - 1]);
        for (;;) {
            if (f & kTail) {
                const std::uint32_t t = f & kIndexMask;
                if (!leaf[t] && m_tail[t + 1].byte == c)
                    return {f + 1, fDepth + 1};
                fDepth = tailFailDepth[t];
                f = walk(text.substr(d - 1 - fDepth, fDepth));
                continue;
            }
            if (const std::uint32_t next = child(f, c))
                return {next, fDepth + 1};
            if (f == 0)
                return {0, 0};
            fDepth = branchFailDepth[f];
            f = m_branch[f].fail;
        }
    };

    // The words, by the depth at which their tails start.
    std::uint32_t longest = 0;
    for (std::string_view w : words)
        longest = std::max(longest, std::uint32_t(w.size()));
    std::vector<std::uint32_t> withHead(std::size_t(longest) + 2, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++withHead[std::size_t(head[i]) + 1];
    for (std::size_t d = 1; d < withHead.size(); ++d)
        withHead[d] += withHead[d - 1];
    std::vector<std::uint32_t> byHead(n);
    {
        std::vector<std::uint32_t> next(withHead.begin(), withHead.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            byHead[next[head[i]]++] = std::uint32_t(i);
    }
    struct Active
    {
        std::uint32_t word;
        std::uint32_t fail, failDepth; // of its state one byte up
        bool holds;                    // a text of its states ends with another word
    };
    std::vector<Active> active;
    std::vector<bool> holds(n, false);
    for (std::size_t d = 1; d <= longest; ++d) {
        for (std::uint32_t s = d <= maxDepth ? level[d] : 0; d <= maxDepth && s < level[d + 1];
             ++s) {
            poll();
            const std::uint32_t p = bfsParent[s];
            const auto [fail, fDepth] =
                failOf(words[bfsWord[s]], d, m_branch[p].fail, branchFailDepth[p]);
            m_branch[s].fail = fail;
            branchFailDepth[s] = fDepth;
            const bool out = output(fail);
            if (out)
                m_branch[s].firstEdge |= kOutput;
            branchHolds[s] = out || branchHolds[p];
        }
        for (std::uint32_t k = withHead[d - 1]; k < withHead[d]; ++k) {
            const std::uint32_t i = byHead[k];
            const std::uint32_t p = tailParent[i];
            active.push_back({i, m_branch[p].fail, branchFailDepth[p], branchHolds[p]});
        }
        std::size_t stay = 0;
        for (Active a : active) {
            poll();
            const std::string_view w = words[a.word];
            const std::uint32_t t = tailStart[a.word] + std::uint32_t(d - head[a.word] - 1);
            const auto [fail, fDepth] = failOf(w, d, a.fail, a.failDepth);
            tailFailDepth[t] = fDepth;
            if (fDepth >= kWalkLimit)
                m_farFails.push_back({t, fail});
            const bool viaFail = output(fail);
            if (viaFail || leaf[t])
                m_tail[t].info = kTailOutput;
            a.holds = a.holds || viaFail;
            a.fail = fail;
            a.failDepth = fDepth;
            if (d < w.size())
                active[stay++] = a;
            else
                holds[a.word] = a.holds;
        }
        active.resize(stay);
    }
    for (std::size_t t = 0; t < tails; ++t)
        m_tail[t].info |= std::uint8_t(std::min(tailFailDepth[t], std::uint32_t(kFarFail)));
    std::sort(m_farFails.begin(), m_farFails.end(),
              [](FarFail a, FarFail b) { return a.tail < b.tail; });
    point();

    if (!kept)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!holds[i])
            kept->push_back(words[i]);
    }
    return kept->size() < given - given / 4;
}

// The state whose text is `text`, which must be one.
std::uint32_t WordAutomaton::walk(std::string_view text) const
{
    std::uint32_t state = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (state & kTail)
            return state + std::uint32_t(text.size() - i); // the rest lies along this tail
        state = child(state, static_cast<std::uint8_t>(text[i]));
    }
    return state;
}

std::uint32_t WordAutomaton::tailFail(std::uint32_t tail, std::string_view read) const
{
    const std::uint32_t depth = m_at.tail[tail].info & kFarFail;
    if (depth < kWalkLimit)
        return walk(read.substr(read.size() - depth));
    return std::lower_bound(m_at.farFails, m_at.farFails + m_at.farCount, tail,
                            [](FarFail f, std::uint32_t t) { return f.tail < t; })
        ->state;
}

bool WordAutomaton::output(std::uint32_t state) const
{
    return (state & kTail) ? (m_at.tail[state & kIndexMask].info & kTailOutput) != 0
                           : (m_at.branch[state].firstEdge & kOutput) != 0;
}

bool WordAutomaton::matches(std::string_view text) const
{
    if (text.empty())
        return false;
    if (m_emptyWord)
        return true;
    if (!m_at.branch)
        return false; // built over no words
    std::uint32_t state = 0;
    for (std::size_t j = 0; j < text.size(); ++j) {
        const auto c = static_cast<std::uint8_t>(text[j]);
        for (;;) {
            if (state & kTail) {
                // A tail state is never a word's last (the scan stops there),
                // so the next byte of its tail is one more state.
                if (m_at.tail[(state & kIndexMask) + 1].byte == c) {
                    ++state;
                    break;
                }
                state = tailFail(state & kIndexMask, text.substr(0, j));
                continue;
            }
            if (state == 0) {
                state = m_at.dense[c];
                break;
            }
            if (const std::uint32_t next = child(state, c)) {
                state = next;
                break;
            }
            state = m_at.branch[state].fail;
        }
        if (output(state))
            return true;
    }
    return false;
}

void WordAutomaton::point()
{
    m_at = {m_branch.data(), m_branch.size(),       m_edgeLabel.data(), m_edgeTarget.data(),
            m_edgeLabel.size(), m_tail.data(),      m_tail.size(),      m_farFails.data(),
            m_farFails.size(), m_dense.data(),      m_denseStates};
}

namespace {

// The flat form's counts, first; each table follows at the next multiple of 8.
struct FlatHead
{
    std::uint32_t emptyWord;
    std::uint32_t denseStates;
    std::uint64_t branches, edges, tails, farCount;
};

// Where each table of the flat form starts, from its counts; also its size.
struct FlatLayout
{
    std::size_t branch, farFails, edgeTarget, dense, tail, edgeLabel, size;
    template <class Branch, class Tail, class FarFail> static FlatLayout of(const FlatHead& h)
    {
        FlatLayout l{};
        std::size_t at = aligned(sizeof(FlatHead));
        const auto next = [&at](std::size_t bytes) {
            const std::size_t start = at;
            at = aligned(at + bytes);
            return start;
        };
        l.branch = next(h.branches * sizeof(Branch));
        l.farFails = next(h.farCount * sizeof(FarFail));
        l.edgeTarget = next(h.edges * 4);
        l.dense = next(std::size_t(h.denseStates) * 256 * 4);
        l.tail = next(h.tails * sizeof(Tail));
        l.edgeLabel = next(h.edges);
        l.size = at;
        return l;
    }
};

} // namespace

std::size_t WordAutomaton::flatSize() const
{
    const FlatHead head{m_emptyWord, m_at.denseStates, m_at.branches, m_at.edges, m_at.tails,
                        m_at.farCount};
    return FlatLayout::of<Branch, Tail, FarFail>(head).size;
}

void WordAutomaton::writeFlat(char* to) const
{
    const FlatHead head{m_emptyWord, m_at.denseStates, m_at.branches, m_at.edges, m_at.tails,
                        m_at.farCount};
    const FlatLayout l = FlatLayout::of<Branch, Tail, FarFail>(head);
    std::memset(to, 0, l.size);
    std::memcpy(to, &head, sizeof head);
    const auto put = [to](std::size_t at, const void* from, std::size_t bytes) {
        if (bytes)
            std::memcpy(to + at, from, bytes);
    };
    put(l.branch, m_at.branch, m_at.branches * sizeof(Branch));
    put(l.farFails, m_at.farFails, m_at.farCount * sizeof(FarFail));
    put(l.edgeTarget, m_at.edgeTarget, m_at.edges * 4);
    put(l.dense, m_at.dense, std::size_t(m_at.denseStates) * 256 * 4);
    put(l.tail, m_at.tail, m_at.tails * sizeof(Tail));
    put(l.edgeLabel, m_at.edgeLabel, m_at.edges);
}

std::shared_ptr<const WordAutomaton> WordAutomaton::inPlace(std::string_view flat,
                                                            std::shared_ptr<const void> keep)
{
    FlatHead head;
    if (flat.size() < sizeof head || reinterpret_cast<std::uintptr_t>(flat.data()) % 8 != 0)
        return nullptr;
    std::memcpy(&head, flat.data(), sizeof head);
    // Counts beyond the bytes would overflow the layout's sums.
    if (head.branches > flat.size() || head.edges > flat.size() || head.tails > flat.size() ||
        head.farCount > flat.size() || head.branches == 0 || head.denseStates >= head.branches)
        return nullptr;
    const FlatLayout l = FlatLayout::of<Branch, Tail, FarFail>(head);
    if (l.size > flat.size())
        return nullptr;
    auto a = std::shared_ptr<WordAutomaton>(new WordAutomaton);
    a->m_emptyWord = head.emptyWord != 0;
    const char* at = flat.data();
    a->m_at = {reinterpret_cast<const Branch*>(at + l.branch),
               std::size_t(head.branches),
               reinterpret_cast<const std::uint8_t*>(at + l.edgeLabel),
               reinterpret_cast<const std::uint32_t*>(at + l.edgeTarget),
               std::size_t(head.edges),
               reinterpret_cast<const Tail*>(at + l.tail),
               std::size_t(head.tails),
               reinterpret_cast<const FarFail*>(at + l.farFails),
               std::size_t(head.farCount),
               reinterpret_cast<const std::uint32_t*>(at + l.dense),
               head.denseStates};
    a->m_keep = std::move(keep);
    return a;
}

std::size_t WordAutomaton::memoryBytes() const
{
    if (m_keep)
        return flatSize(); // the tables another process wrote, read where they lie
    return m_branch.capacity() * sizeof(Branch) + m_edgeLabel.capacity() +
           m_edgeTarget.capacity() * 4 + m_tail.capacity() * sizeof(Tail) +
           m_farFails.capacity() * sizeof(m_farFails[0]) + m_dense.capacity() * 4;
}

WordIndex::WordIndex(std::shared_ptr<const WordStore> words) : m_words(std::move(words)) {}

std::shared_ptr<const WordIndex> WordIndex::build(std::shared_ptr<const WordStore> words,
                                                  std::stop_token stop)
{
    auto index = std::make_shared<WordIndex>(std::move(words));
    // Past 2 GiB of words a tail state no longer fits its number; such a
    // list is checked word by word.
    if (index->m_words->bytes() < kIndexMask) {
        try {
            index->m_automaton = std::make_shared<const WordAutomaton>(*index->m_words, stop);
        } catch (const WordAutomaton::Cancelled&) {
            return nullptr;
        }
    }
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::inserted(std::shared_ptr<const WordStore> words,
                                                     std::size_t row) const
{
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    index->m_block = nullptr;
    if (m_automaton)
        index->m_added.emplace_back(index->m_words->at(row));
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::removed(std::shared_ptr<const WordStore> words,
                                                    std::size_t row) const
{
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    index->m_block = nullptr;
    if (m_automaton) {
        // A word put in since the build is simply forgotten again; one the
        // automaton holds cannot be taken out of it.
        const auto added =
            std::find(index->m_added.begin(), index->m_added.end(), m_words->at(row));
        if (added != index->m_added.end())
            index->m_added.erase(added);
        else
            index->m_removed = true;
    }
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::shared() const
{
    const WordStore& words = *m_words;
    const std::size_t extraAt = aligned(WordBlock::wordsEnd(words.size(), words.bytes()));
    const std::size_t automaton = m_automaton ? m_automaton->flatSize() : 0;
    std::size_t addedBytes = 0;
    for (const std::string& word : m_added)
        addedBytes += word.size();
    const std::size_t extraSize =
        aligned(sizeof(SharedIndex)) + automaton + 4 * m_added.size() + addedBytes;
    const auto block = WordBlock::make(extraAt + extraSize, [&](char* to) {
        WordBlock::writeHeader(to, words.size(), words.bytes(), extraAt, extraSize);
        if (words.size()) { // an empty list's tables may be no memory at all
            std::memcpy(to + sizeof(WordBlock::Header), words.ends(), 4 * words.size());
            std::memcpy(to + sizeof(WordBlock::Header) + 4 * words.size(), words.text().data(),
                        words.bytes());
        }
        char* extra = to + extraAt;
        std::memset(extra, 0, aligned(sizeof(SharedIndex)));
        const SharedIndex head{automaton, m_added.size(), addedBytes, m_removed, 0};
        std::memcpy(extra, &head, sizeof head);
        extra += aligned(sizeof(SharedIndex));
        if (m_automaton)
            m_automaton->writeFlat(extra);
        extra += automaton;
        std::uint32_t end = 0;
        for (const std::string& word : m_added) {
            end += std::uint32_t(word.size());
            std::memcpy(extra, &end, 4);
            extra += 4;
        }
        for (const std::string& word : m_added)
            extra = std::copy(word.begin(), word.end(), extra);
    });
    return inBlock(block);
}

std::shared_ptr<const WordIndex> WordIndex::inBlock(std::shared_ptr<const WordBlock> block)
{
    if (!block)
        return nullptr;
    auto index = std::make_shared<WordIndex>(std::make_shared<const WordStore>(block));
    std::string_view extra = block->extra();
    if (!extra.empty()) {
        SharedIndex head;
        if (extra.size() < aligned(sizeof head))
            return nullptr;
        std::memcpy(&head, extra.data(), sizeof head);
        extra.remove_prefix(aligned(sizeof head));
        if (head.automatonSize > extra.size() || head.addedCount > extra.size() / 4)
            return nullptr;
        if (head.automatonSize) {
            index->m_automaton = WordAutomaton::inPlace(
                extra.substr(0, std::size_t(head.automatonSize)), block);
            if (!index->m_automaton)
                return nullptr;
        }
        extra.remove_prefix(std::size_t(head.automatonSize));
        const std::size_t count = std::size_t(head.addedCount);
        if (4 * count + head.addedBytes > extra.size())
            return nullptr;
        std::uint32_t begin = 0;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t end;
            std::memcpy(&end, extra.data() + 4 * i, 4);
            if (end < begin || end > head.addedBytes)
                return nullptr;
            index->m_added.emplace_back(extra.substr(4 * count + begin, end - begin));
            begin = end;
        }
        index->m_removed = head.removed != 0;
    }
    index->m_block = std::move(block);
    return index;
}

bool WordIndex::matches(std::string_view text) const
{
    if (text.empty())
        return false;
    if (!m_automaton)
        return scan(text);
    for (const std::string& word : m_added) {
        if (text.find(word) != std::string_view::npos)
            return true;
    }
    if (!m_automaton->matches(text))
        return false;
    return !m_removed || scan(text);
}

bool WordIndex::scan(std::string_view text) const
{
    // Every word is tried, as before the first build; a word can only occur
    // where its first bytes do, so one look at a table of the text's byte
    // pairs, or of its runs of four bytes (hashed), passes over most of them.
    const auto byte = [](char c) { return static_cast<unsigned char>(c); };
    const auto pair = [&byte](const char* at) {
        return std::size_t(byte(at[0])) << 8 | byte(at[1]);
    };
    const auto quad = [](const char* at) {
        std::uint32_t four;
        std::memcpy(&four, at, 4);
        return std::size_t((four * 0x9E3779B1u) >> 16);
    };
    std::bitset<256> bytes;
    std::bitset<65536> pairs;
    std::bitset<65536> quads;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes.set(byte(text[i]));
        if (i + 1 < text.size())
            pairs.set(pair(text.data() + i));
        if (i + 3 < text.size())
            quads.set(quad(text.data() + i));
    }
    const WordStore& store = *m_words;
    for (std::size_t row = 0; row < store.size(); ++row) {
        const std::string_view word = store.at(row);
        if (word.size() < 2) {
            if (word.empty() || bytes.test(byte(word[0])))
                return true;
            continue;
        }
        const bool starts =
            word.size() < 4 ? pairs.test(pair(word.data())) : quads.test(quad(word.data()));
        if (starts && text.find(word) != std::string_view::npos)
            return true;
    }
    return false;
}
