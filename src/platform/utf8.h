#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Walking UTF-8 one character at a time, as the code page and the settings
// file need it. Text from outside may hold bytes that are not UTF-8: each
// such byte is one U+FFFD of length 1, so a walk always ends.
namespace Utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

struct Char
{
    char32_t code = 0;
    std::size_t length = 0; // bytes taken from the text
};

// The character starting at byte i (i < text.size()).
Char at(std::string_view text, std::size_t i);

void append(std::string& out, char32_t code);

// The end of the run of ASCII bytes starting at from: long texts are mostly
// ASCII, and a run is copied or skipped whole.
inline std::size_t asciiEnd(std::string_view text, std::size_t from)
{
    while (from < text.size() && static_cast<unsigned char>(text[from]) < 0x80)
        ++from;
    return from;
}

// Calls each(code, bytes) for every character of text.
template <typename Each> void forEachChar(std::string_view text, Each&& each)
{
    for (std::size_t i = 0; i < text.size();) {
        const Char c = at(text, i);
        each(c.code, text.substr(i, c.length));
        i += c.length;
    }
}

// Like forEachChar, but each run of ASCII goes to ascii(run) whole.
template <typename Ascii, typename Each> void forEachRun(std::string_view text, Ascii&& ascii, Each&& each)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = asciiEnd(text, i);
        if (end > i)
            ascii(text.substr(i, end - i));
        if (end == text.size())
            break;
        const Char c = at(text, end);
        each(c.code, text.substr(end, c.length));
        i = end + c.length;
    }
}

// ASCII letters in lower case, the rest as it is: for names of locales,
// sections and code pages.
std::string asciiLower(std::string_view text);

} // namespace Utf8
