#pragma once

#include "platform/word_message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// The blocked words as UTF-8, back to back in one buffer, in list order. A
// million host names cost about their file's size here, where one string
// object apiece would cost four times as much.
class WordStore
{
public:
    WordStore() = default;
    // The words of a shared block, read where they lie (see WordBlock).
    explicit WordStore(std::shared_ptr<const WordBlock> block);

    std::size_t size() const { return m_block ? m_count : m_ends.size(); }
    std::string_view at(std::size_t row) const
    {
        const std::uint32_t* ends = m_block ? m_viewEnds : m_ends.data();
        const char* text = m_block ? m_viewText : m_bytes.data();
        const std::uint32_t begin = row == 0 ? 0 : ends[row - 1];
        return {text + begin, std::size_t(ends[row] - begin)};
    }
    std::size_t bytes() const { return m_block ? m_viewBytes : m_bytes.size(); }
    // True when every word is plain ASCII, which every code page holds as is.
    bool ascii() const { return m_ascii; }
    // Bytes of this process's own memory (none for a shared block's words).
    std::size_t memoryBytes() const { return m_bytes.capacity() + m_ends.capacity() * 4; }
    // All the words' bytes, and where each ends in them.
    std::string_view text() const
    {
        return m_block ? std::string_view(m_viewText, m_viewBytes) : std::string_view(m_bytes);
    }
    const std::uint32_t* ends() const { return m_block ? m_viewEnds : m_ends.data(); }
    // The shared block the words lie in; none for words of this process.
    const std::shared_ptr<const WordBlock>& block() const { return m_block; }

    // False, leaving the store as it was, when the words would pass 4 GiB.
    bool append(std::string_view word);
    void reserve(std::size_t words, std::size_t bytes);
    // Makes the words the lines of a file's bytes, split as
    // TextFile::forEachLine splits them, within the bytes' own buffer: a long
    // ASCII list is never copied. From the first line with a byte beyond
    // ASCII on, the lines go through decode, which gives their UTF-8. False,
    // keeping the first words only, when they would pass 4 GiB.
    bool takeLines(std::string bytes, const std::function<std::string(std::string_view)>& decode);
    // The same words with one more at row (none when they would pass 4 GiB),
    // or one less.
    std::optional<WordStore> inserted(std::size_t row, std::string_view word) const;
    WordStore removed(std::size_t row) const;

private:
    std::string m_bytes;
    std::vector<std::uint32_t> m_ends; // where each word ends in m_bytes
    bool m_ascii = true;
    // Instead, the words of a shared block.
    std::shared_ptr<const WordBlock> m_block;
    const std::uint32_t* m_viewEnds = nullptr;
    const char* m_viewText = nullptr;
    std::size_t m_count = 0;
    std::size_t m_viewBytes = 0;
};

// Answers "does this text contain any of these words?" in one pass over the
// text's UTF-8 bytes, whatever the number of words (an Aho-Corasick
// automaton). Letter case matters and nothing is normalised. Only the yes or
// no is kept, so a word that starts with another word is left out, as is one
// that contains another when that saves much, and the scan stops at the
// first hit.
//
// Kept small for lists of a million host names: below the last state that
// two words share, a word's states are one run of bytes ("its tail"), two
// bytes a state. A tail state keeps how long its fail state's text is,
// not which state that is: that text ends the text just read, so the fail
// state is found again by following those last bytes from the root. Only
// fail texts shorter than kWalkLimit are followed so; a longer one's state
// is kept in a side table, so that no step of a scan costs more than
// kWalkLimit lookups, whatever the words.
class WordAutomaton
{
public:
    // The longest fail text found again from the root during a scan.
    static constexpr std::uint32_t kWalkLimit = 32;

    // Thrown by the constructor when its stop token asks it to stop.
    struct Cancelled
    {
    };
    explicit WordAutomaton(const WordStore& words, std::stop_token stop = {});

    bool matches(std::string_view text) const;
    // Bytes held by the automaton (not by the words it was built from).
    std::size_t memoryBytes() const;

    // The automaton as one run of bytes that any process can scan where it
    // lies, whatever its address: its tables back to back, 8-byte aligned.
    std::size_t flatSize() const;
    void writeFlat(char* to) const;
    // The automaton written at `flat`, scanned in place while keep lives;
    // none when the bytes cannot hold one.
    static std::shared_ptr<const WordAutomaton> inPlace(std::string_view flat,
                                                        std::shared_ptr<const void> keep);

private:
    WordAutomaton() = default;
    void point(); // the scan's tables: those the build made
    // Builds over the sorted words, once per automaton; true when the words
    // kept hold many that contain another word.
    bool build(std::vector<std::string_view> sorted, std::vector<std::string_view>* kept,
               const std::stop_token& stop);
    std::uint32_t child(std::uint32_t state, std::uint8_t c) const;
    std::uint32_t walk(std::string_view text) const;
    // The fail state of tail state `tail`, reached after reading `read`.
    std::uint32_t tailFail(std::uint32_t tail, std::string_view read) const;
    bool output(std::uint32_t state) const;

    bool m_emptyWord = false;
    // Branch states (those above the tails) are numbered breadth first from
    // the root, 0; a state refers to tail state t as kTail | t. The edges
    // of branch state s are those from firstEdge of s up to firstEdge of
    // s + 1, in ascending order of their label; the top bit of firstEdge says
    // that a word ends at s's text (at the end of one of its suffixes).
    struct Branch
    {
        std::uint32_t firstEdge;
        std::uint32_t fail;
    };
    std::vector<Branch> m_branch; // one more than there are branch states
    std::vector<std::uint8_t> m_edgeLabel;
    std::vector<std::uint32_t> m_edgeTarget;
    // Tail state t is reached by the byte m_tail[t].byte; the next state of
    // its tail is t + 1. info: the top bit as for branches, the rest the
    // length of the fail state's text when below kWalkLimit, else kFarFail:
    // the fail state itself is then kept in m_farFails (tail, state), in
    // order of tail. Side by side, as a scan reads both.
    struct Tail
    {
        std::uint8_t byte;
        std::uint8_t info;
    };
    std::vector<Tail> m_tail;
    struct FarFail
    {
        std::uint32_t tail;
        std::uint32_t state;
    };
    std::vector<FarFail> m_farFails;
    // Every byte's next state for the first m_denseStates branch states, 0
    // for none (the root is nobody's next state).
    std::vector<std::uint32_t> m_dense;
    std::uint32_t m_denseStates = 0;

    // What a scan reads: the tables above, or the same tables where another
    // process wrote them (then the vectors stay empty).
    struct Tables
    {
        const Branch* branch = nullptr;
        std::size_t branches = 0; // with the one past the last state
        const std::uint8_t* edgeLabel = nullptr;
        const std::uint32_t* edgeTarget = nullptr;
        std::size_t edges = 0;
        const Tail* tail = nullptr;
        std::size_t tails = 0;
        const FarFail* farFails = nullptr;
        std::size_t farCount = 0;
        const std::uint32_t* dense = nullptr;
        std::uint32_t denseStates = 0;
    } m_at;
    std::shared_ptr<const void> m_keep; // what the tables lie in, when not ours
};

// The check the browser makes of every address: the list's words now, and an
// automaton built in the background from the words as they were. Words added
// since are checked one by one; once a word was taken out, an address the
// automaton blocks is checked against the words themselves. So every
// snapshot answers exactly, and an Add or a Delete costs no rebuild before
// the next address. Immutable: the engine's request thread asks a snapshot
// while the window makes the next one.
class WordIndex
{
public:
    explicit WordIndex(std::shared_ptr<const WordStore> words);

    // A new automaton over words, for the words as they are; none when stop
    // was asked for first. Throws std::bad_alloc when memory runs out.
    static std::shared_ptr<const WordIndex> build(std::shared_ptr<const WordStore> words,
                                                  std::stop_token stop = {});
    // The index of `words`, which are this index's words with one put in at
    // row, or taken out of it.
    std::shared_ptr<const WordIndex> inserted(std::shared_ptr<const WordStore> words,
                                              std::size_t row) const;
    std::shared_ptr<const WordIndex> removed(std::shared_ptr<const WordStore> words,
                                             std::size_t row) const;

    // True when the text (UTF-8) holds a word; an empty text holds none.
    bool matches(std::string_view text) const;

    // True while the automaton covers the words exactly.
    bool current() const { return m_automaton && m_added.empty() && !m_removed; }
    bool indexed() const { return m_automaton != nullptr; }
    const WordStore& words() const { return *m_words; }
    const std::shared_ptr<const WordStore>& store() const { return m_words; }
    std::size_t memoryBytes() const { return m_automaton ? m_automaton->memoryBytes() : 0; }

    // The same index in one shared block (its words, automaton and the
    // changes since), which every process maps and scans where it lies.
    std::shared_ptr<const WordIndex> shared() const;
    // The block this index is, when it is one; what the page engine sends.
    const std::shared_ptr<const WordBlock>& block() const { return m_block; }
    // The index a block holds; none when the block holds no index's parts.
    static std::shared_ptr<const WordIndex> inBlock(std::shared_ptr<const WordBlock> block);

private:
    bool scan(std::string_view text) const;

    std::shared_ptr<const WordStore> m_words;
    std::shared_ptr<const WordAutomaton> m_automaton; // none before the first build
    std::vector<std::string> m_added;                 // words put in since it was built
    bool m_removed = false;                           // a word it holds was taken out
    std::shared_ptr<const WordBlock> m_block;         // this index, shared
};
