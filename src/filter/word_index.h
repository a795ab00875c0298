#pragma once

#include <QStringView>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The blocked words as UTF-8, back to back in one buffer, in list order. A
// million host names cost about their file's size here, where one string
// object apiece would cost four times as much.
class WordStore
{
public:
    std::size_t size() const { return m_ends.size(); }
    std::string_view at(std::size_t row) const
    {
        const std::uint32_t begin = row == 0 ? 0 : m_ends[row - 1];
        return {m_bytes.data() + begin, std::size_t(m_ends[row] - begin)};
    }
    // True when every word is plain ASCII, which every code page holds as is.
    bool ascii() const { return m_ascii; }
    std::size_t memoryBytes() const { return m_bytes.capacity() + m_ends.capacity() * 4; }

    // False, leaving the store as it was, when the words would pass 4 GiB.
    bool append(std::string_view word);
    void reserve(std::size_t words, std::size_t bytes);
    // The same words with one more at row, or one less.
    WordStore inserted(std::size_t row, std::string_view word) const;
    WordStore removed(std::size_t row) const;

private:
    std::string m_bytes;
    std::vector<std::uint32_t> m_ends; // where each word ends in m_bytes
    bool m_ascii = true;
};

std::string toUtf8(QStringView text);

// Answers "does this address contain one of the words?", case-sensitive and
// exact, for any number of words. Immutable once made, so the engine's
// request thread can ask a snapshot while the window makes the next one.
//
// Words of four bytes or more sit in byte order; a filter over their first
// four bytes rejects almost every place in an address at once, and a place
// that passes is settled by binary search. Shorter words, rare in real
// lists, are looked up in a small table at every place. Until the first full
// build is done the words are scanned one by one: slower, but never wrong.
class WordIndex
{
public:
    // The words, unindexed.
    explicit WordIndex(std::shared_ptr<const WordStore> words);

    // The full build: seconds for millions of words, so done off the window's thread.
    static std::shared_ptr<const WordIndex> build(std::shared_ptr<const WordStore> words);
    // The index of `words`, which are this index's words with one word put in
    // at row, or taken out of it: linear, with no sorting.
    std::shared_ptr<const WordIndex> inserted(std::shared_ptr<const WordStore> words,
                                              std::size_t row) const;
    std::shared_ptr<const WordIndex> removed(std::shared_ptr<const WordStore> words,
                                             std::size_t row) const;

    bool matches(QStringView text) const;
    bool matchesUtf8(std::string_view text) const;

    bool indexed() const { return m_indexed; }
    const WordStore& words() const { return *m_words; }
    const std::shared_ptr<const WordStore>& store() const { return m_words; }
    // Bytes of the index, the words not counted.
    std::size_t memoryBytes() const;

private:
    bool scan(std::string_view text) const;
    bool longWordAt(std::string_view rest) const;
    void addFilterBits(std::string_view word);
    void sizeFilter(std::size_t longWords);
    bool filterHas(std::uint32_t prefix) const;

    std::shared_ptr<const WordStore> m_words;
    bool m_indexed = false;
    std::uint32_t m_emptyWords = 0;
    // Words of one to three bytes, by their bytes and length, with their count.
    std::unordered_map<std::uint32_t, std::uint32_t> m_short;
    std::uint8_t m_shortLengths = 0; // bit n - 1 set when a word of n bytes is there
    // Rows of the words of four bytes or more, in byte order of the words;
    // m_byFirstTwo[k] is where the words starting with the two bytes k begin.
    std::vector<std::uint32_t> m_sorted;
    std::vector<std::uint32_t> m_byFirstTwo;
    // Two bits per word's first four bytes; a bit left by a deleted word only
    // costs a binary search.
    std::vector<std::uint64_t> m_filter;
    int m_filterBits = 0;
};
