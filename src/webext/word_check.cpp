#include "webext/word_check.h"

#include "platform/address_text.h"

#include <glib.h>

#include <cstring>

bool blocksRequest(const WordIndex& index, std::string_view uri)
{
    if (index.matches(uri))
        return true;
    const std::string readable = readableAddress(uri);
    if (readable != uri && index.matches(readable))
        return true;
    return readable.find('%') != std::string::npos && index.matches(unescapedAddress(readable));
}

std::string unescapedAddress(std::string_view uri)
{
    std::string out;
    out.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && g_ascii_isxdigit(uri[i + 1]) &&
            g_ascii_isxdigit(uri[i + 2])) {
            out += char(g_ascii_xdigit_value(uri[i + 1]) * 16 + g_ascii_xdigit_value(uri[i + 2]));
            i += 2;
            continue;
        }
        out += uri[i];
    }
    return out;
}

bool RequestWords::take(std::uint64_t serial, std::shared_ptr<const WordIndex> index)
{
    if (m_any && serial < m_serial)
        return false;
    m_any = true;
    m_serial = serial;
    m_index = std::move(index);
    return true;
}
