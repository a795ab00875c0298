#include "platform/ini_text.h"

#include "platform/utf8.h"

#include <glib.h>

#include <vector>

namespace IniText {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A character from an escape; half a UTF-16 pair has no UTF-8 of its own.
void appendEscaped(std::string& out, unsigned value)
{
    value &= 0xFFFF;
    Utf8::append(out, value >= 0xD800 && value <= 0xDFFF ? Utf8::kReplacement : char32_t(value));
}

// Copies bytes as UTF-8, each byte that is not UTF-8 as U+FFFD.
void appendText(std::string& out, std::string_view bytes)
{
    Utf8::forEachRun(
        bytes, [&out](std::string_view run) { out += run; },
        [&out](char32_t code, std::string_view c) {
            if (code == Utf8::kReplacement)
                Utf8::append(out, code);
            else
                out += c;
        });
}

void chopTrailingBlanks(std::string& text, std::size_t limit)
{
    while (text.size() > limit && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
}

// One logical line from pos: leading blanks and comment lines skipped; a
// backslash takes the next character with it (a line end too), a quote
// holds the line open, a semicolon outside quotes ends it. Empty at the end.
struct Line
{
    std::string_view text;
    std::size_t equals = std::string_view::npos; // within text
};

Line nextLine(std::string_view data, std::size_t& pos)
{
    std::size_t start = pos;
    while (start < data.size() && isBlank(data[start]))
        ++start;
    std::size_t i = start;
    std::size_t equals = std::string_view::npos;
    bool inQuotes = false;
    while (i < data.size()) {
        const char ch = data[i++];
        if (ch == '=') {
            if (!inQuotes && equals == std::string_view::npos)
                equals = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < data.size()) {
                const char next = data[i++];
                if (i < data.size() && ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == ';') {
            if (i == start + 1) {
                while (i < data.size() && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < data.size() && isBlank(data[i]))
                    ++i;
                start = i;
                equals = std::string_view::npos;
            } else if (!inQuotes) {
                --i;
                break;
            }
        }
    }
    pos = i;
    Line line{data.substr(start, i - start), std::string_view::npos};
    if (equals != std::string_view::npos)
        line.equals = equals - start;
    return line;
}

// The value text after "=": escapes undone, quotes removed, blanks around
// unquoted parts dropped, and unquoted commas making it a list.
Value unescapedValue(std::string_view raw)
{
    Value value;
    std::string& text = value.text;
    bool inQuotes = false;
    bool quoted = false; // the current item had quotes: its blanks stay
    std::size_t i = 0;
    std::size_t chopLimit = 0;
    const auto skipBlanks = [&] {
        while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
            ++i;
        chopLimit = text.size();
    };
    skipBlanks();
    while (i < raw.size()) {
        const char ch = raw[i];
        if (ch == '\\') {
            ++i;
            if (i >= raw.size())
                break;
            const char code = raw[i++];
            static constexpr std::pair<char, char> simple[] = {
                {'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
            bool done = false;
            for (const auto& [letter, meaning] : simple) {
                if (code == letter) {
                    text += meaning;
                    done = true;
                    break;
                }
            }
            const bool hex = code == 'x' && i < raw.size() && isHexDigit(static_cast<unsigned char>(raw[i]));
            if (!done && (hex || (code >= '0' && code <= '7'))) {
                unsigned number = hex ? 0 : unsigned(code - '0');
                while (i < raw.size() && (hex ? isHexDigit(static_cast<unsigned char>(raw[i]))
                                              : raw[i] >= '0' && raw[i] <= '7')) {
                    number = hex ? (number << 4) + unsigned(hexValue(raw[i])) : (number << 3) + unsigned(raw[i] - '0');
                    number &= 0xFFFF;
                    ++i;
                }
                // Characters past U+FFFF are written as two escapes, a UTF-16 pair.
                unsigned low = 0;
                std::size_t next = i + 2;
                if (number >= 0xD800 && number < 0xDC00 && i + 1 < raw.size() &&
                    raw[i] == '\\' && raw[i + 1] == 'x') {
                    for (; next < raw.size() && isHexDigit(static_cast<unsigned char>(raw[next])); ++next)
                        low = ((low << 4) + unsigned(hexValue(raw[next]))) & 0xFFFF;
                }
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    Utf8::append(text, char32_t(0x10000 + ((number - 0xD800) << 10) + (low - 0xDC00)));
                    i = next;
                } else {
                    appendEscaped(text, number);
                }
                done = true;
            }
            // An escaped character is never a blank to drop.
            chopLimit = text.size();
            if (done)
                continue;
            if ((code == '\n' || code == '\r') && i < raw.size() &&
                (raw[i] == '\n' || raw[i] == '\r') && raw[i] != code)
                ++i;
            // Any other escaped character is left out.
        } else if (ch == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (ch == ',' && !inQuotes) {
            if (!quoted)
                chopTrailingBlanks(text, chopLimit);
            value.isList = true;
            value.list.push_back(std::move(text));
            text.clear();
            quoted = false;
            ++i;
            skipBlanks();
        } else {
            std::size_t j = i + 1;
            while (j < raw.size() && raw[j] != '\\' && raw[j] != '"' && (raw[j] != ',' || inQuotes))
                ++j;
            appendText(text, raw.substr(i, j - i));
            i = j;
        }
    }
    if (!quoted)
        chopTrailingBlanks(text, chopLimit);
    if (value.isList) {
        value.list.push_back(std::move(text));
        text.clear();
    }
    return value;
}

void appendHexEscape(std::string& out, unsigned unit)
{
    char number[8];
    g_snprintf(number, sizeof number, "\\x%x", unit);
    out += number;
}

// The end of the run from i of printable ASCII that needs no escape and no quotes.
std::size_t plainRunEnd(std::string_view text, std::size_t i)
{
    while (i < text.size()) {
        const char c = text[i];
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\' || c == ';' || c == ',' || c == '=')
            break;
        ++i;
    }
    return i;
}

} // namespace

std::string normalizedPath(const std::string& path)
{
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' && (out.empty() || out.back() == '/'))
            continue;
        out += path[i];
    }
    if (!out.empty() && out.back() == '/')
        out.pop_back();
    return out;
}

std::string escapedKey(std::string_view key)
{
    std::string out;
    Utf8::forEachChar(key, [&out](char32_t code, std::string_view c) {
        if (code == '/') {
            out += '\\';
        } else if (code < 0x80 && g_ascii_isalnum(char(code))) {
            out += c;
        } else if (code == '_' || code == '-' || code == '.') {
            out += c;
        } else if (code <= 0xFF) {
            out += '%';
            out += kHexDigits[code / 16];
            out += kHexDigits[code % 16];
        } else {
            // Characters outside Latin-1 go as their UTF-16 units.
            const gunichar2 units[2] = {gunichar2(code >= 0x10000 ? 0xD800 + ((code - 0x10000) >> 10) : code),
                                        gunichar2(0xDC00 + ((code - 0x10000) & 0x3FF))};
            for (int u = 0; u < (code >= 0x10000 ? 2 : 1); ++u) {
                out += "%U";
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += kHexDigits[(units[u] >> shift) & 0xF];
            }
        }
    });
    return out;
}

std::string unescapedKey(std::string_view key)
{
    std::string out;
    std::size_t i = 0;
    const auto hexRun = [&key](std::size_t from, std::size_t digits, unsigned& value) {
        if (from + digits > key.size())
            return false;
        value = 0;
        for (std::size_t d = from; d < from + digits; ++d) {
            if (!isHexDigit(static_cast<unsigned char>(key[d])))
                return false;
            value = value * 16 + unsigned(hexValue(key[d]));
        }
        return true;
    };
    while (i < key.size()) {
        if (key[i] == '\\') {
            out += '/';
            ++i;
            continue;
        }
        unsigned value = 0;
        if (key[i] == '%' && i + 1 < key.size()) {
            const bool wide = key[i + 1] == 'U';
            const std::size_t digits = wide ? 4 : 2;
            if (hexRun(i + (wide ? 2 : 1), digits, value)) {
                i += (wide ? 2 : 1) + digits;
                // A UTF-16 pair comes as two escapes in a row.
                unsigned low = 0;
                if (value >= 0xD800 && value < 0xDC00 && i + 1 < key.size() && key[i] == '%' &&
                    key[i + 1] == 'U' && hexRun(i + 2, 4, low) && low >= 0xDC00 && low <= 0xDFFF) {
                    value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                    Utf8::append(out, char32_t(value));
                } else {
                    appendEscaped(out, value);
                }
                continue;
            }
        }
        const Utf8::Char c = Utf8::at(key, i);
        appendText(out, key.substr(i, c.length));
        i += c.length;
    }
    return out;
}

std::string escapedText(std::string_view text)
{
    // Texts that stand for other kinds of value keep every character in
    // escapes; a setting's text never starts like this (its "@" is doubled).
    const bool plain = !(text.starts_with("@ByteArray(") || text.starts_with("@Variant(") ||
                         text.starts_with("@DateTime("));
    std::string out;
    out.reserve(text.size());
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (std::size_t i = 0; i < text.size();) {
        // Letters, digits and most punctuation stand as they are.
        const std::size_t plainEnd = escapeNextIfDigit ? i : plainRunEnd(text, i);
        out.append(text.substr(i, plainEnd - i));
        i = plainEnd;
        if (i == text.size())
            break;
        const auto byte = static_cast<unsigned char>(text[i]);
        const Utf8::Char c = byte < 0x80 ? Utf8::Char{byte, 1} : Utf8::at(text, i);
        const char32_t code = c.code;
        const std::string_view bytes = text.substr(i, c.length);
        i += c.length;
        if (code == ';' || code == ',' || code == '=')
            needsQuotes = true;
        // After a number escape a hex digit would read as part of it.
        if (escapeNextIfDigit && isHexDigit(code)) {
            appendHexEscape(out, unsigned(code));
            continue;
        }
        escapeNextIfDigit = false;
        switch (code) {
        case '\a': out += "\\a"; continue;
        case '\b': out += "\\b"; continue;
        case '\f': out += "\\f"; continue;
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        case '\t': out += "\\t"; continue;
        case '\v': out += "\\v"; continue;
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        default: break;
        }
        if (code == 0) {
            out += "\\0";
            escapeNextIfDigit = true;
        } else if (code <= 0x1F || (code >= 0x7F && !plain)) {
            if (code >= 0x10000) {
                appendHexEscape(out, 0xD800 + ((unsigned(code) - 0x10000) >> 10));
                appendHexEscape(out, 0xDC00 + ((unsigned(code) - 0x10000) & 0x3FF));
            } else {
                appendHexEscape(out, unsigned(code));
            }
            escapeNextIfDigit = true;
        } else if (code == Utf8::kReplacement) {
            Utf8::append(out, code);
        } else {
            out += bytes;
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

Parsed parse(std::string_view bytes)
{
    Parsed parsed;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    std::map<std::string, Value>* section = &parsed.sections[""];
    for (std::size_t pos = 0;;) {
        const Line line = nextLine(bytes, pos);
        if (line.text.empty())
            break;
        if (line.text.front() == '[') {
            std::size_t end = line.text.find(']');
            if (end == std::string_view::npos)
                parsed.damaged = true;
            std::string_view name = line.text.substr(1, end == std::string_view::npos ? end : end - 1);
            while (!name.empty() && isBlank(name.front()))
                name.remove_prefix(1);
            while (!name.empty() && isBlank(name.back()))
                name.remove_suffix(1);
            const std::string lower = Utf8::asciiLower(name);
            if (lower == "general")
                section = &parsed.sections[""];
            else if (lower == "%general")
                section = &parsed.sections[std::string(name.substr(1))];
            else
                section = &parsed.sections[normalizedPath(unescapedKey(name))];
            continue;
        }
        if (line.equals == std::string_view::npos) {
            parsed.damaged = true;
            continue;
        }
        std::string_view key = line.text.substr(0, line.equals);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.remove_suffix(1);
        if (key.empty()) {
            parsed.damaged = true;
            continue;
        }
        const std::string path = normalizedPath(unescapedKey(key));
        if (!path.empty())
            (*section)[path] = unescapedValue(line.text.substr(line.equals + 1));
    }
    std::erase_if(parsed.sections, [](const auto& s) { return s.second.empty(); });
    return parsed;
}

std::string format(const Sections& sections)
{
    std::string out;
    for (const auto& [name, keys] : sections) {
        if (keys.empty())
            continue;
        if (!out.empty())
            out += '\n';
        out += '[';
        out += name.empty() ? "General" : Utf8::asciiLower(name) == "general" ? "%" + name : escapedKey(name);
        out += "]\n";
        for (const auto& [key, value] : keys) {
            out += escapedKey(key);
            out += '=';
            if (!value.isList) {
                out += escapedText(value.text);
            } else {
                for (std::size_t i = 0; i < value.list.size(); ++i)
                    out += (i ? ", " : "") + escapedText(value.list[i]);
            }
            out += '\n';
        }
    }
    return out;
}

std::optional<std::string> settingText(const Value& value)
{
    // A list is not a text; the earlier releases read it as an empty one.
    if (value.isList)
        return std::string();
    const std::string& text = value.text;
    if (!text.starts_with('@'))
        return text;
    if (text.ends_with(')')) {
        if (text.starts_with("@ByteArray("))
            return text.substr(11, text.size() - 12);
        if (text.starts_with("@String("))
            return text.substr(8, text.size() - 9);
        if (text == "@Invalid()")
            return std::nullopt;
    }
    return text.starts_with("@@") ? text.substr(1) : text;
}

Value storedValue(const std::string& text)
{
    // A NUL would end the text for other readers: such a text is wrapped.
    if (text.find('\0') != std::string::npos)
        return Value{"@String(" + text + ")", {}, false};
    return Value{text.starts_with('@') ? '@' + text : text, {}, false};
}

} // namespace IniText
