#include "filter/word_index.h"

#include "platform/text_file.h"

#include <algorithm>
#include <bit>
#include <bitset>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t kWordEnds = 0x80000000u;
constexpr std::uint32_t kIndexMask = 0x7FFFFFFFu;
constexpr std::size_t kDenseStates = 4096; // 4 MiB of tables at the most

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

} // namespace

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

WordStore WordStore::inserted(std::size_t row, std::string_view word) const
{
    WordStore out;
    const std::uint32_t at = row == 0 ? 0 : m_ends[row - 1];
    out.m_bytes.reserve(m_bytes.size() + word.size());
    out.m_bytes.append(m_bytes, 0, at).append(word).append(m_bytes, at);
    out.m_ends.reserve(m_ends.size() + 1);
    out.m_ends.assign(m_ends.begin(), m_ends.begin() + std::ptrdiff_t(row));
    out.m_ends.push_back(at + std::uint32_t(word.size()));
    for (std::size_t i = row; i < m_ends.size(); ++i)
        out.m_ends.push_back(m_ends[i] + std::uint32_t(word.size()));
    out.m_ascii = m_ascii && isAscii(word);
    return out;
}

WordStore WordStore::removed(std::size_t row) const
{
    WordStore out;
    const std::string_view gone = at(row);
    const std::size_t begin = std::size_t(gone.data() - m_bytes.data());
    out.m_bytes.reserve(m_bytes.size() - gone.size());
    out.m_bytes.append(m_bytes, 0, begin).append(m_bytes, begin + gone.size());
    out.m_ends.reserve(m_ends.size() - 1);
    out.m_ends.assign(m_ends.begin(), m_ends.begin() + std::ptrdiff_t(row));
    for (std::size_t i = row + 1; i < m_ends.size(); ++i)
        out.m_ends.push_back(m_ends[i] - std::uint32_t(gone.size()));
    // Left as it was when the word taken out was the last beyond ASCII: the
    // flag only ever speeds up the save.
    out.m_ascii = m_ascii;
    return out;
}

std::string toUtf8(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), std::size_t(bytes.size())};
}

WordAutomaton::WordAutomaton(const WordStore& words)
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
    build(all);

    // A word that holds another word adds nothing to a yes-or-no answer.
    // Scanning each word shows which: it reaches a word's end before its own
    // last byte, or its own state's fail state ends one. Lists of words made
    // from a few common parts shrink a lot; others are left as built.
    std::vector<std::string_view> kept;
    for (std::string_view w : all) {
        std::uint32_t state = 0;
        bool holdsAnother = false;
        for (std::size_t i = 0; i + 1 < w.size() && !holdsAnother; ++i) {
            state = child(state, static_cast<std::uint8_t>(w[i]));
            holdsAnother = (m_states[state].firstChild & kWordEnds) != 0;
        }
        if (!holdsAnother && !w.empty()) {
            state = child(state, static_cast<std::uint8_t>(w.back()));
            // 0 here: a word that starts with another word was left out of the trie.
            holdsAnother = state == 0 || (m_states[m_states[state].fail].firstChild & kWordEnds) != 0;
        }
        if (!holdsAnother)
            kept.push_back(w);
    }
    if (kept.size() < all.size() - all.size() / 4) {
        all = {};
        build(kept);
    }
}

void WordAutomaton::build(std::vector<std::string_view> sorted)
{
    m_states.clear();
    m_label.clear();
    // The trie in depth-first order, straight from the sorted words: each word
    // shares its longest common prefix with the last word put in. A word that
    // starts with a word already in adds nothing to a yes-or-no answer.
    std::vector<std::uint32_t> parent{0};
    std::vector<std::uint8_t> label{0};
    std::vector<std::uint32_t> depth{0};
    std::vector<bool> ends{false};
    std::vector<std::uint32_t> path{0}; // path[d]: node of the last word at depth d
    std::string_view last;
    std::size_t lastEnd = 0; // depth at which a word ends on the current path, 0 for none
    for (std::string_view w : sorted) {
        std::size_t common = 0;
        const std::size_t limit = std::min(last.size(), w.size());
        while (common < limit && last[common] == w[common])
            ++common;
        if (lastEnd != 0 && lastEnd <= common)
            continue;
        lastEnd = 0;
        path.resize(common + 1);
        for (std::size_t d = common; d < w.size(); ++d) {
            parent.push_back(path[d]);
            label.push_back(static_cast<std::uint8_t>(w[d]));
            depth.push_back(std::uint32_t(d + 1));
            ends.push_back(false);
            path.push_back(std::uint32_t(parent.size() - 1));
        }
        ends[path.back()] = true;
        lastEnd = w.size();
        last = w;
    }

    // Breadth-first numbering: a stable sort by depth keeps siblings together
    // and in label order, and sibling groups in the order of their parents.
    const std::size_t n = parent.size();
    const std::uint32_t maxDepth = *std::max_element(depth.begin(), depth.end());
    std::vector<std::uint32_t> start(std::size_t(maxDepth) + 2, 0);
    for (std::uint32_t d : depth)
        ++start[std::size_t(d) + 1];
    for (std::size_t d = 1; d < start.size(); ++d)
        start[d] += start[d - 1];
    std::vector<std::uint32_t> order(n); // breadth-first number of each depth-first node
    for (std::size_t i = 0; i < n; ++i)
        order[i] = start[depth[i]]++;

    m_label.assign(n, 0);
    std::vector<std::uint32_t> bfsParent(n, 0);
    std::vector<bool> bfsEnds(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        m_label[order[i]] = label[i];
        bfsParent[order[i]] = order[parent[i]];
        bfsEnds[order[i]] = ends[i];
    }
    parent = {};
    label = {};
    depth = {};
    order = {};

    m_states.assign(n + 1, State{0, 0});
    for (std::size_t s = 1; s < n; ++s)
        ++m_states[bfsParent[s] + 1].firstChild;
    m_states[0].firstChild = 1;
    for (std::size_t s = 1; s <= n; ++s)
        m_states[s].firstChild += m_states[s - 1].firstChild;

    // The shallowest states, where a scan spends most of its steps and where
    // states have the most children, get a table of all 256 bytes.
    m_denseStates = std::uint32_t(std::min<std::size_t>(n, kDenseStates));
    m_dense.assign(std::size_t(m_denseStates) * 256, 0);
    for (std::uint32_t d = 0; d < m_denseStates; ++d) {
        for (std::uint32_t s = m_states[d].firstChild; s < m_states[d + 1].firstChild; ++s)
            m_dense[std::size_t(d) * 256 + m_label[s]] = s;
    }

    // Fail links in breadth-first order: the longest proper suffix of a
    // state's text that is also a state. Parents come before children.
    for (std::size_t s = 1; s < n; ++s) {
        const std::uint32_t p = bfsParent[s];
        std::uint32_t target = 0;
        if (p != 0) {
            std::uint32_t f = m_states[p].fail;
            for (;;) {
                if (const std::uint32_t next = child(f, m_label[s])) {
                    target = next;
                    break;
                }
                if (f == 0)
                    break;
                f = m_states[f].fail;
            }
        }
        m_states[s].fail = target;
        if (bfsEnds[s] || (m_states[target].firstChild & kWordEnds))
            m_states[s].firstChild |= kWordEnds;
    }
}

std::uint32_t WordAutomaton::child(std::uint32_t state, std::uint8_t c) const
{
    if (state < m_denseStates)
        return m_dense[std::size_t(state) * 256 + c];
    const std::uint32_t begin = m_states[state].firstChild & kIndexMask;
    const std::uint32_t end = m_states[state + 1].firstChild & kIndexMask;
    const std::uint8_t* labels = m_label.data();
    if (end - begin <= 8) {
        for (std::uint32_t i = begin; i < end; ++i) {
            if (labels[i] == c)
                return i;
        }
        return 0;
    }
    const std::uint8_t* found = std::lower_bound(labels + begin, labels + end, c);
    return found != labels + end && *found == c ? std::uint32_t(found - labels) : 0;
}

bool WordAutomaton::matches(std::string_view text) const
{
    if (text.empty())
        return false;
    if (m_emptyWord)
        return true;
    if (m_label.size() <= 1)
        return false;
    std::uint32_t state = 0;
    for (char byte : text) {
        const auto c = static_cast<std::uint8_t>(byte);
        for (;;) {
            if (state == 0) {
                state = m_dense[c];
                break;
            }
            if (const std::uint32_t next = child(state, c)) {
                state = next;
                break;
            }
            state = m_states[state].fail;
        }
        if (m_states[state].firstChild & kWordEnds)
            return true;
    }
    return false;
}

std::size_t WordAutomaton::memoryBytes() const
{
    return m_states.capacity() * sizeof(State) + m_label.capacity() + m_dense.capacity() * 4;
}

WordIndex::WordIndex(std::shared_ptr<const WordStore> words) : m_words(std::move(words)) {}

std::shared_ptr<const WordIndex> WordIndex::build(std::shared_ptr<const WordStore> words)
{
    auto index = std::make_shared<WordIndex>(std::move(words));
    index->m_automaton = std::make_shared<const WordAutomaton>(*index->m_words);
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::inserted(std::shared_ptr<const WordStore> words,
                                                     std::size_t row) const
{
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    if (m_automaton)
        index->m_added.emplace_back(index->m_words->at(row));
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::removed(std::shared_ptr<const WordStore> words,
                                                    std::size_t row) const
{
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    if (m_automaton) {
        // A word put in since the build is simply forgotten again; one the
        // automaton holds cannot be taken out of it.
        const auto added = std::find(index->m_added.begin(), index->m_added.end(), m_words->at(row));
        if (added != index->m_added.end())
            index->m_added.erase(added);
        else
            index->m_removed = true;
    }
    return index;
}

bool WordIndex::matches(QStringView text) const
{
    if (text.isEmpty())
        return false;
    const std::string bytes = toUtf8(text);
    if (!m_automaton)
        return scan(bytes);
    for (const std::string& word : m_added) {
        if (bytes.find(word) != std::string::npos)
            return true;
    }
    if (!m_automaton->matches(bytes))
        return false;
    return !m_removed || scan(bytes);
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
