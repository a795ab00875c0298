#include "platform/utf8.h"

#include <glib.h>

namespace Utf8 {

Char at(std::string_view text, std::size_t i)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80)
        return {byte, 1};
    const gunichar code =
        g_utf8_get_char_validated(text.data() + i, gssize(std::min<std::size_t>(text.size() - i, 4)));
    if (code == gunichar(-1) || code == gunichar(-2))
        return {kReplacement, 1};
    return {code, std::size_t(g_unichar_to_utf8(code, nullptr))};
}

void append(std::string& out, char32_t code)
{
    char buffer[6];
    out.append(buffer, std::size_t(g_unichar_to_utf8(gunichar(code), buffer)));
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = g_ascii_tolower(c);
    return out;
}

} // namespace Utf8
