#include "surflog/log_records.h"

#include "platform/address_text.h"
#include "platform/clock.h"
#include "platform/utf8.h"

#include <glib.h>

namespace SurfLog {

int separatorLength(QuitPath path)
{
    return path == QuitPath::WindowClose ? 54 : 158;
}

std::string logDateTime(std::string_view localeText, const Glib::DateTime& moment, const CodePage& page)
{
    std::string out;
    out.reserve(localeText.size());
    bool fallback = false;
    Utf8::forEachChar(localeText, [&](char32_t code, std::string_view c) {
        if (fallback)
            return;
        if (page.fits(c))
            out += c;
        else if (g_unichar_isdigit(gunichar(code)))
            out += char('0' + g_unichar_digit_value(gunichar(code)));
        else if (g_unichar_isspace(gunichar(code)))
            out += ' ';
        else if (g_unichar_type(gunichar(code)) != G_UNICODE_FORMAT)
            fallback = true;
    });
    if (fallback)
        return moment.format("%Y-%m-%d %H:%M:%S");
    return out;
}

std::string logDateTime(const Glib::DateTime& moment, const CodePage& page)
{
    return logDateTime(dateTimeText(moment), moment, page);
}

std::string startRecord(const std::string& dateTime, const CodePage& page)
{
    return page.encode("SURFING: " + dateTime + "\r\n\r\r\n");
}

namespace {

std::string closingRecord(const std::vector<std::string>& history, const std::string& ending,
                          int bars, const CodePage& page)
{
    std::string text;
    for (const std::string& address : history)
        text += storableAddress(address, page) + "\r\n";
    text += "\r\n" + ending + "\r\n\r\n" + std::string(std::size_t(bars), '|') + "\r\n";
    return page.encode(text);
}

} // namespace

std::string endRecord(const std::vector<std::string>& history, const std::string& dateTime,
                      QuitPath path, const CodePage& page)
{
    return closingRecord(history, "FINISHED AT: " + dateTime, separatorLength(path), page);
}

std::string abnormalEndRecord(const std::vector<std::string>& history, const std::string& lastSeen,
                              const CodePage& page)
{
    return closingRecord(history, "DID NOT END NORMALLY. LAST SEEN AT: " + lastSeen, 100, page);
}

} // namespace SurfLog
