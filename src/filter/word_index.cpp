#include "filter/word_index.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kLong = 4; // words this long or longer go through the filter

std::uint32_t firstFour(const char* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::uint32_t firstTwo(std::string_view word)
{
    return std::uint32_t(static_cast<unsigned char>(word[0])) << 8 |
           static_cast<unsigned char>(word[1]);
}

// The key of a short word: its bytes, and its length in the top byte.
std::uint32_t shortKey(const char* p, std::size_t length)
{
    std::uint32_t key = std::uint32_t(length) << 24;
    for (std::size_t i = 0; i < length; ++i)
        key |= std::uint32_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return key;
}

std::size_t commonPrefix(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

bool WordStore::append(std::string_view word)
{
    if (m_bytes.size() + word.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    m_bytes.append(word);
    m_ends.push_back(std::uint32_t(m_bytes.size()));
    for (char c : word)
        m_ascii = m_ascii && static_cast<unsigned char>(c) < 0x80;
    return true;
}

void WordStore::reserve(std::size_t words, std::size_t bytes)
{
    m_ends.reserve(words);
    m_bytes.reserve(bytes);
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
    out.m_ascii = m_ascii;
    for (char c : word)
        out.m_ascii = out.m_ascii && static_cast<unsigned char>(c) < 0x80;
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
    // Still right when the word taken out was the only one beyond ASCII:
    // the flag only ever speeds up the save.
    out.m_ascii = m_ascii;
    return out;
}

std::string toUtf8(QStringView text)
{
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), std::size_t(bytes.size())};
}

WordIndex::WordIndex(std::shared_ptr<const WordStore> words) : m_words(std::move(words)) {}

std::shared_ptr<const WordIndex> WordIndex::build(std::shared_ptr<const WordStore> words)
{
    auto index = std::make_shared<WordIndex>(std::move(words));
    const WordStore& store = *index->m_words;
    std::size_t longWords = 0;
    for (std::size_t row = 0; row < store.size(); ++row) {
        const std::string_view w = store.at(row);
        if (w.size() >= kLong) {
            ++longWords;
        } else if (w.empty()) {
            ++index->m_emptyWords;
        } else {
            ++index->m_short[shortKey(w.data(), w.size())];
            index->m_shortLengths |= std::uint8_t(1u << (w.size() - 1));
        }
    }
    index->m_sorted.reserve(longWords);
    for (std::size_t row = 0; row < store.size(); ++row) {
        if (store.at(row).size() >= kLong)
            index->m_sorted.push_back(std::uint32_t(row));
    }
    std::sort(index->m_sorted.begin(), index->m_sorted.end(),
              [&store](std::uint32_t a, std::uint32_t b) { return store.at(a) < store.at(b); });

    index->m_byFirstTwo.assign(0x10001, 0);
    for (std::uint32_t row : index->m_sorted)
        ++index->m_byFirstTwo[firstTwo(store.at(row)) + 1];
    for (std::size_t k = 1; k < index->m_byFirstTwo.size(); ++k)
        index->m_byFirstTwo[k] += index->m_byFirstTwo[k - 1];

    index->sizeFilter(longWords);
    index->m_indexed = true;
    return index;
}

void WordIndex::sizeFilter(std::size_t longWords)
{
    // About sixteen bits a word keeps false passes near one place in a
    // hundred; 2^27 bits (16 MiB) is the most it takes.
    int bits = 12;
    while (bits < 27 && (std::size_t(1) << bits) < longWords * 16)
        ++bits;
    m_filterBits = bits;
    m_filter.assign(std::size_t(1) << (bits - 6), 0);
    for (std::uint32_t row : m_sorted)
        addFilterBits(m_words->at(row));
}

void WordIndex::addFilterBits(std::string_view word)
{
    const std::uint64_t h = firstFour(word.data()) * 0x9E3779B97F4A7C15ull;
    const std::uint64_t mask = (std::uint64_t(1) << m_filterBits) - 1;
    const std::uint64_t a = h >> (64 - m_filterBits);
    const std::uint64_t b = (h >> (64 - 2 * m_filterBits)) & mask;
    m_filter[a >> 6] |= std::uint64_t(1) << (a & 63);
    m_filter[b >> 6] |= std::uint64_t(1) << (b & 63);
}

bool WordIndex::filterHas(std::uint32_t prefix) const
{
    const std::uint64_t h = prefix * 0x9E3779B97F4A7C15ull;
    const std::uint64_t mask = (std::uint64_t(1) << m_filterBits) - 1;
    const std::uint64_t a = h >> (64 - m_filterBits);
    const std::uint64_t b = (h >> (64 - 2 * m_filterBits)) & mask;
    return (m_filter[a >> 6] >> (a & 63) & 1) && (m_filter[b >> 6] >> (b & 63) & 1);
}

std::shared_ptr<const WordIndex> WordIndex::inserted(std::shared_ptr<const WordStore> words,
                                                     std::size_t row) const
{
    if (!m_indexed)
        return std::make_shared<WordIndex>(std::move(words));
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    const WordStore& store = *index->m_words;
    const std::string_view word = store.at(row);
    for (std::uint32_t& r : index->m_sorted)
        r += r >= row ? 1 : 0;
    if (word.empty()) {
        ++index->m_emptyWords;
    } else if (word.size() < kLong) {
        ++index->m_short[shortKey(word.data(), word.size())];
        index->m_shortLengths |= std::uint8_t(1u << (word.size() - 1));
    } else {
        const auto place =
            std::upper_bound(index->m_sorted.begin(), index->m_sorted.end(), word,
                             [&store](std::string_view w, std::uint32_t r) { return w < store.at(r); });
        index->m_sorted.insert(place, std::uint32_t(row));
        for (std::size_t k = firstTwo(word) + 1; k < index->m_byFirstTwo.size(); ++k)
            ++index->m_byFirstTwo[k];
        if ((std::size_t(1) << m_filterBits) < index->m_sorted.size() * 8)
            index->sizeFilter(index->m_sorted.size());
        else
            index->addFilterBits(word);
    }
    return index;
}

std::shared_ptr<const WordIndex> WordIndex::removed(std::shared_ptr<const WordStore> words,
                                                    std::size_t row) const
{
    if (!m_indexed)
        return std::make_shared<WordIndex>(std::move(words));
    const std::string_view word = m_words->at(row);
    auto index = std::make_shared<WordIndex>(*this);
    index->m_words = std::move(words);
    if (word.empty()) {
        --index->m_emptyWords;
    } else if (word.size() < kLong) {
        const auto it = index->m_short.find(shortKey(word.data(), word.size()));
        if (--it->second == 0)
            index->m_short.erase(it);
    } else {
        index->m_sorted.erase(std::find(index->m_sorted.begin(), index->m_sorted.end(), row));
        for (std::size_t k = firstTwo(word) + 1; k < index->m_byFirstTwo.size(); ++k)
            --index->m_byFirstTwo[k];
    }
    for (std::uint32_t& r : index->m_sorted)
        r -= r > row ? 1 : 0;
    return index;
}

bool WordIndex::matches(QStringView text) const
{
    if (text.isEmpty())
        return false;
    if (m_indexed && m_emptyWords > 0)
        return true;
    return matchesUtf8(toUtf8(text));
}

bool WordIndex::matchesUtf8(std::string_view text) const
{
    if (text.empty())
        return false;
    if (!m_indexed)
        return scan(text);
    if (m_emptyWords > 0)
        return true;
    const char* p = text.data();
    const std::size_t n = text.size();
    const bool anyLong = !m_sorted.empty();
    for (std::size_t i = 0; i < n; ++i) {
        if (m_shortLengths) {
            for (std::size_t len = 1; len < kLong && i + len <= n; ++len) {
                if ((m_shortLengths >> (len - 1) & 1) && m_short.count(shortKey(p + i, len)))
                    return true;
            }
        }
        if (anyLong && i + kLong <= n && filterHas(firstFour(p + i)) &&
            longWordAt(text.substr(i)))
            return true;
    }
    return false;
}

bool WordIndex::scan(std::string_view text) const
{
    const WordStore& store = *m_words;
    for (std::size_t row = 0; row < store.size(); ++row) {
        if (text.find(store.at(row)) != std::string_view::npos)
            return true;
    }
    return false;
}

// True when a word of four bytes or more starts `rest`. The words that do
// are all at or before the last word not after `rest`, and each of them
// starts that word too; so look there, and if it is no prefix, look again
// below its common prefix with `rest`, which only shrinks.
bool WordIndex::longWordAt(std::string_view rest) const
{
    const WordStore& store = *m_words;
    const std::uint32_t key = firstTwo(rest);
    auto lo = m_sorted.begin() + std::ptrdiff_t(m_byFirstTwo[key]);
    auto hi = m_sorted.begin() + std::ptrdiff_t(m_byFirstTwo[key + 1]);
    std::string_view probe = rest;
    while (lo != hi) {
        const auto after = std::upper_bound(
            lo, hi, probe, [&store](std::string_view s, std::uint32_t r) { return s < store.at(r); });
        if (after == lo)
            return false;
        const std::string_view word = store.at(*(after - 1));
        if (probe.starts_with(word))
            return true;
        const std::size_t common = commonPrefix(word, probe);
        if (common < kLong)
            return false;
        probe = probe.substr(0, common);
        hi = after - 1;
    }
    return false;
}

std::size_t WordIndex::memoryBytes() const
{
    return m_sorted.capacity() * 4 + m_byFirstTwo.capacity() * 4 + m_filter.capacity() * 8 +
           m_short.size() * 32;
}
