#pragma once

#include <string>
#include <string_view>
#include <vector>

// The blocked-word rule as every request meets it: an address is blocked when
// it holds one of the words, letter case and all; the empty word blocks every
// address but the empty one. The only face the extension sees of the check,
// so a faster index can take the loop's place behind it.
class WordCheck
{
public:
    explicit WordCheck(std::vector<std::string> words) : m_words(std::move(words)) {}

    bool blocks(std::string_view address) const;

    // The address as the engine sends it, and, when it holds %-escapes, as
    // the parent would read it: a word typed with accents or spaces is found
    // in either form.
    bool blocksRequest(std::string_view uri) const;

    const std::vector<std::string>& words() const { return m_words; }

private:
    std::vector<std::string> m_words;
};

// Every %XX escape decoded to its byte; a stray '%' stays as it is.
std::string unescapedAddress(std::string_view uri);
