#include "platform/clock.h"

#include "platform/utf8.h"

#include <glib.h>

#include <algorithm>
#include <cstdlib>

namespace {

struct Format
{
    const char* locale; // a language, or a language and territory
    const char* date;
    const char* time;
    const char* am = "AM";
    const char* pm = "PM";
};

// The short date and time of the languages the program is used in, in the
// Unicode locale data's patterns; "AP" is the locale's upper-case AM or PM.
constexpr Format kFormats[] = {
    {"C", "d MMM yyyy", "HH:mm:ss"},
    {"en", "M/d/yy", "h:mm AP"},
    {"en_GB", "dd/MM/yyyy", "HH:mm", "am", "pm"},
    {"en_IE", "dd/MM/yyyy", "HH:mm", "a.m.", "p.m."},
    {"en_CA", "yyyy-MM-dd", "h:mm AP", "a.m.", "p.m."},
    {"en_AU", "d/M/yy", "h:mm AP", "am", "pm"},
    {"de", "dd.MM.yy", "HH:mm"},
    {"fr", "dd/MM/yyyy", "HH:mm"},
    {"fr_CA", "yyyy-MM-dd", "HH 'h' mm"},
    {"es", "d/M/yy", "H:mm"},
    {"es_MX", "dd/MM/yy", "HH:mm"},
    {"it", "dd/MM/yy", "HH:mm"},
    {"pt", "dd/MM/yyyy", "HH:mm"},
    {"pt_PT", "dd/MM/yy", "HH:mm"},
    {"nl", "dd-MM-yyyy", "HH:mm"},
    {"ru", "dd.MM.yyyy", "HH:mm"},
    {"uk", "dd.MM.yy", "HH:mm"},
    {"be", "d.MM.yy", "HH:mm"},
    {"pl", "d.MM.yyyy", "HH:mm"},
    {"cs", "dd.MM.yy", "H:mm"},
    {"sk", "d. M. yyyy", "H:mm"},
    {"hu", "yyyy. MM. dd.", "H:mm"},
    {"ro", "dd.MM.yyyy", "HH:mm"},
    {"hr", "dd. MM. yyyy.", "HH:mm"},
    {"sr", "d.M.yy.", "HH:mm"},
    {"bs", "d. M. yyyy.", "HH:mm"},
    {"sl", "d. MM. yy", "HH:mm"},
    {"bg", "d.MM.yy '\u0433'.", "H:mm '\u0447'."},
    {"mk", "d.M.yy", "HH:mm"},
    {"el", "d/M/yy", "h:mm AP", "\u03C0.\u03BC.", "\u03BC.\u03BC."},
    {"tr", "d.MM.yyyy", "HH:mm"},
    {"az", "dd.MM.yy", "HH:mm"},
    {"uz", "dd/MM/yy", "HH:mm"},
    {"he", "d.M.yyyy", "H:mm"},
    {"ar", "d\u200F/M\u200F/yyyy", "h:mm AP", "\u0635", "\u0645"},
    {"fa", "yyyy/M/d", "H:mm"},
    {"lt", "yyyy-MM-dd", "HH:mm"},
    {"lv", "dd.MM.yy", "HH:mm"},
    {"et", "dd.MM.yy", "HH:mm"},
    {"vi", "dd/MM/yyyy", "HH:mm"},
    {"th", "d/M/yy", "HH:mm"},
    {"sv", "yyyy-MM-dd", "HH:mm"},
    {"da", "dd.MM.yyyy", "HH.mm"},
    {"nb", "dd.MM.yyyy", "HH:mm"},
    {"fi", "d.M.yyyy", "H.mm"},
    {"is", "d.M.yyyy", "HH:mm"},
    {"ca", "d/M/yy", "H:mm"},
    {"id", "dd/MM/yy", "HH.mm"},
};
// The pattern most languages share, for the ones not listed.
constexpr Format kCommon = {"", "dd/MM/yyyy", "HH:mm"};

const Format& formatFor(std::string_view localeName)
{
    std::string name = Utf8::asciiLower(localeName.substr(0, localeName.find_first_of(".@")));
    std::replace(name.begin(), name.end(), '-', '_');
    const std::string language = name.substr(0, name.find('_'));
    if (language.empty() || language == "c" || language == "posix")
        return kFormats[0];
    const std::size_t cut = name.rfind('_');
    const std::string territory =
        cut == std::string::npos ? std::string() : language + '_' + name.substr(cut + 1);
    const std::string fallback = language == "no" ? "nb" : language == "iw" ? "he" : language;
    for (const std::string& wanted : {territory, fallback}) {
        for (const Format& format : kFormats) {
            if (!wanted.empty() && Utf8::asciiLower(format.locale) == wanted)
                return format;
        }
    }
    return kCommon;
}

std::string number(int value, int width)
{
    std::string digits = std::to_string(value);
    if (int(digits.size()) < width)
        digits.insert(0, std::size_t(width) - digits.size(), '0');
    return digits;
}

std::string caseOf(const char* text, bool upper)
{
    char* changed = upper ? g_utf8_strup(text, -1) : g_utf8_strdown(text, -1);
    std::string out(changed);
    g_free(changed);
    return out;
}

// Fills in a pattern: d dd M MM MMM yy yyyy h hh H HH m mm s ss AP ap, and
// 'quoted' text as it stands.
std::string formatted(const Glib::DateTime& moment, std::string_view pattern, const Format& format)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const bool twelveHours = pattern.find("AP") != pattern.npos || pattern.find("ap") != pattern.npos;
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const int hour = moment.get_hour();
        const int twelve = hour % 12 == 0 ? 12 : hour % 12;
        if (c == '\'') {
            const std::size_t end = pattern.find('\'', i + 1);
            out += pattern.substr(i + 1, (end == pattern.npos ? pattern.size() : end) - i - 1);
            i = end == pattern.npos ? pattern.size() : end + 1;
            continue;
        }
        if ((c == 'A' || c == 'a') && i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
            out += caseOf(hour < 12 ? format.am : format.pm, c == 'A');
            i += 2;
            continue;
        }
        run = std::min<std::size_t>(run, c == 'y' || c == 'M' ? 4 : 2);
        switch (c) {
        case 'd': out += number(moment.get_day_of_month(), int(run)); break;
        case 'M': out += run >= 3 ? kMonths[moment.get_month() - 1] : number(moment.get_month(), int(run)); break;
        case 'y': out += run >= 4 ? number(moment.get_year(), 4) : number(moment.get_year() % 100, 2); break;
        case 'h': out += number(twelveHours ? twelve : hour, int(run)); break;
        case 'H': out += number(hour, int(run)); break;
        case 'm': out += number(moment.get_minute(), int(run)); break;
        case 's': out += number(moment.get_second(), int(run)); break;
        default: out.append(run, c);
        }
        i += run;
    }
    return out;
}

} // namespace

std::string dateTimeText(const Glib::DateTime& moment)
{
    const char* name = nullptr;
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        name = std::getenv(variable);
        if (name && *name)
            break;
    }
    return dateTimeText(moment, name ? name : "C");
}

std::string dateTimeText(const Glib::DateTime& moment, std::string_view localeName)
{
    if (!moment)
        return {};
    const Format& format = formatFor(localeName);
    return formatted(moment, format.date, format) + ' ' + formatted(moment, format.time, format);
}
