#include "filter/word_matcher.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::uint32_t kWordEnds = 0x80000000u;
constexpr std::uint32_t kIndexMask = 0x7FFFFFFFu;
constexpr std::size_t kCodeUnits = 0x10000;

std::u16string_view view(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), std::size_t(s.size())};
}

} // namespace

void WordMatcher::build(const QStringList& words)
{
    m_emptyWord = false;
    std::vector<std::u16string_view> sorted;
    sorted.reserve(std::size_t(words.size()));
    for (const QString& w : words) {
        if (w.isEmpty())
            m_emptyWord = true;
        else
            sorted.push_back(view(w));
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    // The trie in depth-first order, straight from the sorted words: each word
    // shares its longest common prefix with the last word put in. A word that
    // starts with a word already in adds nothing to a yes-or-no answer.
    std::vector<std::uint32_t> parent{0};
    std::vector<char16_t> label{0};
    std::vector<std::uint32_t> depth{0};
    std::vector<bool> ends{false};
    std::vector<std::uint32_t> path{0}; // path[d]: node of the last word at depth d
    std::u16string_view last;
    std::size_t lastEnd = 0; // depth at which a word ends on the current path, 0 for none
    for (std::u16string_view w : sorted) {
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
            label.push_back(w[d]);
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

    m_states.assign(n + 1, State{0, 0});
    for (std::size_t s = 1; s < n; ++s)
        ++m_states[bfsParent[s] + 1].firstChild;
    m_states[0].firstChild = 1;
    for (std::size_t s = 1; s <= n; ++s)
        m_states[s].firstChild += m_states[s - 1].firstChild;

    m_rootNext.assign(n > 1 ? kCodeUnits : 0, 0);
    for (std::uint32_t s = m_states[0].firstChild; s < m_states[1].firstChild; ++s)
        m_rootNext[m_label[s]] = s;

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

std::uint32_t WordMatcher::child(std::uint32_t state, char16_t c) const
{
    if (state == 0)
        return m_rootNext[c];
    const std::uint32_t begin = m_states[state].firstChild & kIndexMask;
    const std::uint32_t end = m_states[state + 1].firstChild & kIndexMask;
    const char16_t* labels = m_label.data();
    if (end - begin <= 8) {
        for (std::uint32_t i = begin; i < end; ++i) {
            if (labels[i] == c)
                return i;
        }
        return 0;
    }
    const char16_t* found = std::lower_bound(labels + begin, labels + end, c);
    return found != labels + end && *found == c ? std::uint32_t(found - labels) : 0;
}

bool WordMatcher::matches(QStringView text) const
{
    if (text.isEmpty())
        return false;
    if (m_emptyWord)
        return true;
    if (m_rootNext.empty())
        return false;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    std::uint32_t state = 0;
    for (; p != end; ++p) {
        const char16_t c = *p;
        for (;;) {
            if (state == 0) {
                state = m_rootNext[c];
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

std::size_t WordMatcher::memoryBytes() const
{
    return m_states.capacity() * sizeof(State) + m_label.capacity() * sizeof(char16_t) +
           m_rootNext.capacity() * sizeof(std::uint32_t);
}
