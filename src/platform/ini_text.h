#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The INI form the settings file has always had: sections and keys escaped
// with %XX and %UXXXX, values with C escapes, quoted where they hold a comma,
// semicolon or equals sign or begin or end with a space, lists separated by
// commas, a leading "@" doubled. Written back sorted, as it has always been,
// so that the file stays the same bytes whichever release wrote it last.
namespace IniText {

// One value as the file holds it: a text, or a list (of two or more texts).
struct Value
{
    std::string text;
    std::vector<std::string> list;
    bool isList = false;
};

// Section name ("" for the keys before any section) -> key -> value.
using Sections = std::map<std::string, std::map<std::string, Value>>;

struct Parsed
{
    Sections sections;
    bool damaged = false; // a line that is neither a section, a key nor a comment
};

Parsed parse(std::string_view bytes);
std::string format(const Sections& sections);

// A stored text as a setting: a doubled "@" loses one, "@Invalid()" is no
// value at all, "@ByteArray(...)" and "@String(...)" are what they wrap.
std::optional<std::string> settingText(const Value& value);
// A setting's text as it is stored.
Value storedValue(const std::string& text);

// A key or section as a path: doubled, leading and trailing slashes gone.
std::string normalizedPath(const std::string& path);

std::string escapedKey(std::string_view key);
std::string unescapedKey(std::string_view key);
std::string escapedText(std::string_view text);

} // namespace IniText
