#include "webext/word_check.h"

#include <algorithm>

bool WordCheck::blocks(std::string_view address) const
{
    if (address.empty())
        return false;
    return std::ranges::any_of(m_words, [address](const std::string& word) {
        return address.find(word) != std::string_view::npos;
    });
}

bool WordCheck::blocksRequest(std::string_view uri) const
{
    if (blocks(uri))
        return true;
    return uri.find('%') != std::string_view::npos && blocks(unescapedAddress(uri));
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string unescapedAddress(std::string_view uri)
{
    std::string out;
    out.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const int high = hexValue(uri[i + 1]), low = hexValue(uri[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += uri[i];
    }
    return out;
}
