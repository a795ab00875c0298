#pragma once

#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

// Answers "does this text contain any of these words?" in one pass over the
// text, whatever the number of words (an Aho-Corasick automaton over UTF-16
// code units). Letter case matters and nothing is normalised. Only the yes or
// no is kept: a word that has another word as a prefix adds nothing and is
// left out, and the scan stops at the first hit.
class WordMatcher
{
public:
    // Replaces the words; order and repeats do not matter. The empty word
    // matches every text that is not empty.
    void build(const QStringList& words);

    bool matches(QStringView text) const;

    // Bytes held by the index itself (not by the words it was built from).
    std::size_t memoryBytes() const;
    // States of the automaton, the root included.
    std::size_t stateCount() const { return m_label.size(); }

private:
    std::uint32_t child(std::uint32_t state, char16_t c) const;

    bool m_emptyWord = false;
    // State 0 is the root; states are numbered breadth first, so the children
    // of a state s are the consecutive states from firstChild of s up to
    // firstChild of s + 1, in ascending order of their m_label. The top bit of
    // firstChild says that a word ends at s or at one of its fail states.
    // Both numbers of a state share a cache line: the scan reads them together.
    struct State
    {
        std::uint32_t firstChild;
        std::uint32_t fail;
    };
    std::vector<State> m_states; // one more than there are states
    std::vector<char16_t> m_label;
    // The root's transitions for every code unit, 0 for "stay at the root".
    std::vector<std::uint32_t> m_rootNext;
};
