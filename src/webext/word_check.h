#pragma once

#include "filter/word_index.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The blocked-word rule as every request meets it: an address is blocked when
// it holds one of the words, letter case and all; the empty word blocks every
// address but the empty one. A request is checked as the engine sends it, as
// the parent would read it (a punycode host in its letters, %-escapes
// decoded), so a word typed with accents or spaces is found in either form.
bool blocksRequest(const WordIndex& index, std::string_view uri);

// Every %XX escape decoded to its byte; a stray '%' stays as it is.
std::string unescapedAddress(std::string_view uri);

// The words of a web process: the browser's own index, numbered as the
// browser sends them (see WordMessage). Until the process has words, and
// after words it could not read, every request is refused: none leaves
// unchecked.
class RequestWords
{
public:
    // The words numbered `serial`; ignored, returning false, when words of a
    // later number are in place. A null index (words that could not be read)
    // refuses everything until the next.
    bool take(std::uint64_t serial, std::shared_ptr<const WordIndex> index);
    bool blocks(std::string_view uri) const { return !m_index || blocksRequest(*m_index, uri); }
    // The index now answering; null while every request is refused.
    const std::shared_ptr<const WordIndex>& index() const { return m_index; }
    std::uint64_t serial() const { return m_serial; }

private:
    std::shared_ptr<const WordIndex> m_index;
    std::uint64_t m_serial = 0;
    bool m_any = false; // words of some number were taken
};
