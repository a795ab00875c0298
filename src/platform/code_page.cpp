#include "platform/code_page.h"

#include "platform/utf8.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace {

// The character iconv gives for one byte, or none when the byte is undefined.
std::optional<char32_t> convertByte(GIConv cd, unsigned char byte)
{
    char in = char(byte);
    char out[16] = {};
    char* inPtr = &in;
    gsize inLeft = 1;
    char* outPtr = out;
    gsize outLeft = sizeof out;
    g_iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (g_iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == gsize(-1))
        return std::nullopt;
    // Pages that combine accents hold a base letter back until flushed.
    g_iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    const std::string_view text(out, sizeof out - outLeft);
    if (text.empty())
        return std::nullopt;
    const Utf8::Char c = Utf8::at(text, 0);
    if (c.length != text.size())
        return std::nullopt;
    return c.code;
}

GIConv openIconv(const std::string& to, const std::string& from)
{
    return g_iconv_open(to.c_str(), from.c_str());
}

bool isOpen(GIConv cd)
{
    return cd != GIConv(-1);
}

struct LocaleParts
{
    std::string language; // lower case, "" for none, "c" for the C locale
    std::string script;   // "Latn", "Cyrl" ... or ""
    std::string territory;
};

// "sr_RS.UTF-8@latin", "sr-Latn-RS", "ru_RU": language, script, territory.
// The modifiers "@latin" and "@cyrillic" stand for the script.
LocaleParts parseLocale(std::string_view name)
{
    LocaleParts parts;
    const std::size_t at = name.find('@');
    const std::string modifier = at == name.npos ? std::string() : Utf8::asciiLower(name.substr(at + 1));
    name = name.substr(0, std::min(name.find('.'), at));
    std::size_t start = 0;
    for (int index = 0; start <= name.size(); ++index) {
        const std::size_t end = std::min(name.find_first_of("_-", start), name.size());
        const std::string part = Utf8::asciiLower(name.substr(start, end - start));
        start = end + 1;
        if (index == 0)
            parts.language = part;
        else if (part.size() == 4)
            parts.script = std::string(1, g_ascii_toupper(part[0])) + part.substr(1);
        else if (!part.empty() && parts.territory.empty())
            parts.territory = part;
    }
    if (parts.script.empty() && modifier == "latin")
        parts.script = "Latn";
    if (parts.script.empty() && modifier == "cyrillic")
        parts.script = "Cyrl";
    return parts;
}

struct Entry
{
    const char* key;
    const char* value;
};

const char* lookup(std::initializer_list<Entry> table, const std::string& key)
{
    for (const Entry& e : table) {
        if (key == e.key)
            return e.value;
    }
    return nullptr;
}

// Old and three-letter names of the languages the table below tells apart.
std::string languageCode(const std::string& language)
{
    const char* code = lookup(
        {{"iw", "he"},   {"ji", "yi"},   {"in", "id"},   {"mo", "ro"},   {"sh", "sr"},
         {"bos", "bs"},  {"ces", "cs"},  {"hrv", "hr"},  {"hun", "hu"},  {"pol", "pl"},
         {"ron", "ro"},  {"slk", "sk"},  {"slv", "sl"},  {"sqi", "sq"},  {"est", "et"},
         {"lit", "lt"},  {"lav", "lv"},  {"aze", "az"},  {"tur", "tr"},  {"uzb", "uz"},
         {"abk", "ab"},  {"bak", "ba"},  {"bel", "be"},  {"bul", "bg"},  {"che", "ce"},
         {"chu", "cu"},  {"chv", "cv"},  {"kaz", "kk"},  {"kir", "ky"},  {"mkd", "mk"},
         {"mon", "mn"},  {"oss", "os"},  {"rus", "ru"},  {"srp", "sr"},  {"tgk", "tg"},
         {"tat", "tt"},  {"ukr", "uk"},  {"vie", "vi"},  {"tha", "th"},  {"heb", "he"},
         {"yid", "yi"},  {"ara", "ar"},  {"fas", "fa"},  {"kas", "ks"},  {"pus", "ps"},
         {"snd", "sd"},  {"uig", "ug"},  {"urd", "ur"},  {"ell", "el"},  {"pan", "pa"}},
        language);
    return code ? code : language;
}

// The script a language is written in where no script is named: its usual
// one, or the one of the territory where that differs. Only scripts that
// decide a page are listed; the rest are written in Latin or in a script
// no single-byte page holds.
std::string likelyScript(const LocaleParts& parts)
{
    const char* script = lookup({{"az_ir", "Arab"},
                                 {"mn_cn", "Mong"},
                                 {"pa_pk", "Arab"},
                                 {"sd_in", "Deva"},
                                 {"sr_me", "Latn"},
                                 {"uz_af", "Arab"}},
                                parts.language + '_' + parts.territory);
    if (script)
        return script;
    script = lookup({{"ab", "Cyrl"},   {"ba", "Cyrl"},   {"be", "Cyrl"},  {"bg", "Cyrl"},
                     {"ce", "Cyrl"},   {"cu", "Cyrl"},   {"cv", "Cyrl"},  {"kk", "Cyrl"},
                     {"ky", "Cyrl"},   {"mk", "Cyrl"},   {"mn", "Cyrl"},  {"myv", "Cyrl"},
                     {"os", "Cyrl"},   {"ru", "Cyrl"},   {"sah", "Cyrl"}, {"sr", "Cyrl"},
                     {"tg", "Cyrl"},   {"tt", "Cyrl"},   {"uk", "Cyrl"},  {"ar", "Arab"},
                     {"bgn", "Arab"},  {"ckb", "Arab"},  {"fa", "Arab"},  {"ks", "Arab"},
                     {"lrc", "Arab"},  {"mzn", "Arab"},  {"ps", "Arab"},  {"sd", "Arab"},
                     {"sdh", "Arab"},  {"ug", "Arab"},   {"ur", "Arab"},  {"he", "Hebr"},
                     {"yi", "Hebr"},   {"el", "Grek"},   {"th", "Thai"}},
                    parts.language);
    return script ? script : "Latn";
}

const char* kIconvUtf8 = "UTF-8";

} // namespace

struct CodePage::Encoder
{
    explicit Encoder(GIConv converter) : cd(converter) {}
    ~Encoder() { g_iconv_close(cd); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    GIConv cd;
    std::mutex lock;
};

CodePage::CodePage(const std::string& iconvName) : m_name(iconvName)
{
    GIConv cd = openIconv(kIconvUtf8, m_name);
    if (!isOpen(cd)) {
        m_name = "CP1252";
        cd = openIconv(kIconvUtf8, m_name);
    }
    // Windows-1258 writes most Vietnamese letters as base letter and accent.
    m_composes = m_name == "CP1258";
    for (int b = 0; b < 256; ++b) {
        const std::optional<char32_t> c =
            isOpen(cd) ? convertByte(cd, static_cast<unsigned char>(b)) : std::nullopt;
        m_chars[b] = c.value_or(char32_t(b));
        Utf8::append(m_utf8[b], m_chars[b]);
        if (b >= 0x80)
            m_bytes.emplace(m_chars[b], char(b));
    }
    if (isOpen(cd))
        g_iconv_close(cd);
    GIConv encoder = openIconv(m_name, kIconvUtf8);
    if (isOpen(encoder))
        m_encoder = std::make_shared<Encoder>(encoder);
}

std::string CodePage::nameFor(std::string_view localeName)
{
    LocaleParts parts = parseLocale(localeName);
    parts.language = languageCode(parts.language);
    const std::string script = parts.script.empty() ? likelyScript(parts) : parts.script;
    const char* page = lookup(
        {{"Cyrl", "CP1251"}, {"Grek", "CP1253"}, {"Hebr", "CP1255"}, {"Arab", "CP1256"}, {"Thai", "CP874"}},
        script);
    if (page)
        return page;
    page = lookup({{"sq", "CP1250"},  {"bs", "CP1250"},  {"hr", "CP1250"}, {"cs", "CP1250"},
                   {"hu", "CP1250"},  {"pl", "CP1250"},  {"ro", "CP1250"}, {"sr", "CP1250"},
                   {"sk", "CP1250"},  {"sl", "CP1250"},  {"dsb", "CP1250"}, {"hsb", "CP1250"},
                   {"tr", "CP1254"},  {"az", "CP1254"},  {"uz", "CP1254"}, {"et", "CP1257"},
                   {"lv", "CP1257"},  {"lt", "CP1257"},  {"vi", "CP1258"}},
                  parts.language);
    return page ? page : "CP1252";
}

std::string CodePage::systemLocaleName()
{
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    std::string name = variable("LC_ALL");
    if (name.empty())
        name = variable("LC_MESSAGES");
    if (name.empty())
        name = variable("LANG");
    if (name.empty() || name == "C" || name == "POSIX")
        return name.empty() ? "C" : name;
    // LANGUAGE usually names just a language; it wins only where it says
    // something else than LANG, not where it says less.
    const std::string languages = variable("LANGUAGE");
    const std::string first = languages.substr(0, languages.find(':'));
    if (first.empty())
        return name;
    const LocaleParts maybe = parseLocale(first);
    const LocaleParts known = parseLocale(name);
    const bool agrees = languageCode(maybe.language) == languageCode(known.language) &&
                        (maybe.script.empty() || maybe.script == known.script) &&
                        (maybe.territory.empty() || maybe.territory == known.territory);
    return agrees ? name : first;
}

const std::vector<std::string>& CodePage::known()
{
    static const std::vector<std::string> names{"CP874",  "CP1250", "CP1251", "CP1252", "CP1253",
                                                "CP1254", "CP1255", "CP1256", "CP1257", "CP1258"};
    return names;
}

std::string CodePage::knownName(std::string_view text)
{
    const auto blank = [](char c) { return g_ascii_isspace(c); };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    std::string number(text);
    for (char& c : number)
        c = g_ascii_toupper(c);
    for (std::string_view prefix : {"WINDOWS-", "CP"}) {
        if (number.starts_with(prefix))
            number.erase(0, prefix.size());
    }
    const std::string name = "CP" + number;
    const auto& names = known();
    return std::find(names.begin(), names.end(), name) != names.end() ? name : std::string();
}

std::string CodePage::decode(std::string_view bytes) const
{
    std::string text = chars(bytes);
    // ASCII, as most lists are, has no accent to compose.
    const auto isAscii = [](char b) { return static_cast<unsigned char>(b) < 0x80; };
    if (!m_composes || std::all_of(bytes.begin(), bytes.end(), isAscii))
        return text;
    // Each letter with the accents after it is composed on its own, and only
    // when the page can write the result: the text then goes back to bytes
    // that read as the same letters.
    std::string out;
    out.reserve(text.size());
    const std::string_view all(text);
    for (std::size_t i = 0; i < all.size();) {
        std::size_t end = i + Utf8::at(all, i).length;
        bool marks = false;
        while (end < all.size()) {
            const Utf8::Char next = Utf8::at(all, end);
            if (!g_unichar_ismark(gunichar(next.code)))
                break;
            end += next.length;
            marks = true;
        }
        const std::string_view run = all.substr(i, end - i);
        char* composed =
            marks ? g_utf8_normalize(run.data(), gssize(run.size()), G_NORMALIZE_NFC) : nullptr;
        if (composed && fits(composed))
            out += composed;
        else
            out += run;
        g_free(composed);
        i = end;
    }
    return out;
}

std::string CodePage::chars(std::string_view bytes) const
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t end = Utf8::asciiEnd(bytes, i);
        text.append(bytes.substr(i, end - i));
        if (end < bytes.size())
            text += m_utf8[static_cast<unsigned char>(bytes[end])];
        i = end + 1;
    }
    return text;
}

bool CodePage::appendChar(std::string& out, char32_t code, std::string_view c) const
{
    if (code < 0x80) {
        out += char(code);
        return true;
    }
    const auto it = m_bytes.find(code);
    if (it != m_bytes.end()) {
        out += it->second;
        return true;
    }
    // A letter outside the table may still be a base letter plus an accent.
    if (!m_encoder || code == Utf8::kReplacement)
        return false;
    const std::lock_guard hold(m_encoder->lock);
    const GIConv cd = m_encoder->cd;
    auto* in = const_cast<char*>(c.data());
    gsize inLeft = c.size();
    char buffer[8];
    char* outPtr = buffer;
    gsize outLeft = sizeof buffer;
    g_iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (g_iconv(cd, &in, &inLeft, &outPtr, &outLeft) == gsize(-1) ||
        g_iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == gsize(-1))
        return false;
    out.append(buffer, std::size_t(outPtr - buffer));
    return true;
}

std::string CodePage::spelled(std::string_view chars)
{
    std::string out;
    Utf8::forEachChar(chars, [&out](char32_t code, std::string_view c) {
        if (!out.empty())
            out += ' ';
        // A byte that is not UTF-8 is named, not copied into the message.
        const GUnicodeType type =
            code == Utf8::kReplacement ? G_UNICODE_UNASSIGNED : g_unichar_type(gunichar(code));
        switch (type) {
        case G_UNICODE_CONTROL:
        case G_UNICODE_FORMAT:
        case G_UNICODE_UNASSIGNED:
        case G_UNICODE_PRIVATE_USE:
        case G_UNICODE_SURROGATE:
        case G_UNICODE_SPACING_MARK:
        case G_UNICODE_ENCLOSING_MARK:
        case G_UNICODE_NON_SPACING_MARK:
        case G_UNICODE_LINE_SEPARATOR:
        case G_UNICODE_PARAGRAPH_SEPARATOR:
        case G_UNICODE_SPACE_SEPARATOR: {
            char number[16];
            g_snprintf(number, sizeof number, "U+%04X", unsigned(code));
            out += number;
            break;
        }
        default:
            out += c;
        }
    });
    return out;
}

std::string CodePage::unfit(std::string_view text) const
{
    std::string found;
    std::string scratch;
    Utf8::forEachRun(
        text, [](std::string_view) {},
        [&](char32_t code, std::string_view c) {
            // Most characters are in the table; only the rest ask iconv.
            if (m_bytes.contains(code))
                return;
            scratch.clear();
            if (appendChar(scratch, code, c))
                return;
            std::string one;
            Utf8::append(one, code);
            if (found.find(one) == std::string::npos)
                found += one;
        });
    return found;
}

std::string CodePage::encode(std::string_view text) const
{
    std::string bytes;
    bytes.reserve(text.size());
    Utf8::forEachRun(
        text, [&bytes](std::string_view run) { bytes += run; },
        [&](char32_t code, std::string_view c) {
            if (!appendChar(bytes, code, c))
                bytes += '?';
        });
    return bytes;
}
