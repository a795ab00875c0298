#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A single-byte Windows code page, in which the data files and the scrambled
// password are kept: one per installation, chosen at its first start from
// the language of that run. The tables come from the system's iconv once,
// when the page is made; after that nearly every conversion is a lookup, and
// iconv is asked again only for letters the page writes as a base letter and
// an accent (Vietnamese). Text is UTF-8; bytes are the page's.
class CodePage
{
public:
    // Windows-1252, the page of most Western languages.
    CodePage() : CodePage("CP1252") {}
    // An iconv name such as "CP1252"; an unknown name falls back to CP1252.
    explicit CodePage(const std::string& iconvName);

    // Windows' page for a locale's language and script, from a name such as
    // "ru_RU.UTF-8", "sr_RS@latin" or "C": CP1250 Central European ...
    // CP1258 Vietnamese, CP874 Thai, CP1252 where none fits.
    static std::string nameFor(std::string_view localeName);
    static CodePage forLocale(std::string_view localeName) { return CodePage(nameFor(localeName)); }
    // The locale name whose language this run speaks: LC_ALL, LC_MESSAGES or
    // LANG, unless the first entry of LANGUAGE names another language.
    static std::string systemLocaleName();
    // The pages nameFor gives, which are the ones an installation may use.
    static const std::vector<std::string>& known();
    // "CP1251", "cp1251", "Windows-1251" or "1251" as "CP1251"; empty when the
    // text names no known page.
    static std::string knownName(std::string_view text);

    const std::string& name() const { return m_name; }

    // Every byte gives one character; a byte the page leaves undefined keeps
    // the control character of the same number, so any file round-trips.
    // Where the page writes a letter as base letter and accent (Vietnamese),
    // the two become the one letter Unicode has for them, as typed text has it.
    std::string decode(std::string_view bytes) const;
    // One character for every byte, nothing joined: for codes that are not
    // text, such as the scrambled password.
    std::string chars(std::string_view bytes) const;

    // The characters of text that the page cannot hold, each once, in order.
    // A byte that is not UTF-8 counts as U+FFFD.
    std::string unfit(std::string_view text) const;
    bool fits(std::string_view text) const { return unfit(text).empty(); }
    // Characters for a message, one by one between spaces; those that do not
    // show (controls, marks, spaces) as their U+ number.
    static std::string spelled(std::string_view chars);

    // Text to bytes. Callers refuse or warn about unfit() first; whatever is
    // still unfit becomes '?'.
    std::string encode(std::string_view text) const;

private:
    // Appends the bytes for one character (its UTF-8 in c); false when the
    // page has none.
    bool appendChar(std::string& out, char32_t code, std::string_view c) const;

    std::string m_name;
    bool m_composes = false; // the page has accents that follow their letter
    std::array<char32_t, 256> m_chars{};
    std::array<std::string, 256> m_utf8; // m_chars as UTF-8, for chars()
    std::unordered_map<char32_t, char> m_bytes; // characters above ASCII
    // iconv from UTF-8 to the page, shared by copies; a converter keeps state
    // between calls, so copies on other threads take turns.
    struct Encoder;
    std::shared_ptr<Encoder> m_encoder;
};
