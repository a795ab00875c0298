#include "platform/address_text.h"

#include "platform/utf8.h"

#include <glib.h>

#include <algorithm>
#include <optional>

namespace {

void appendPercent(std::string& out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// Percent-encodes, as UTF-8, just the characters the page cannot hold.
std::string encodeUnfit(const std::string& text, const CodePage& page)
{
    std::string out;
    Utf8::forEachRun(
        text, [&out](std::string_view run) { out += run; },
        [&](char32_t code, std::string_view c) {
            if (page.fits(c)) {
                out += c;
                return;
            }
            std::string whole; // U+FFFD for a byte that is not UTF-8
            Utf8::append(whole, code);
            for (const char b : whole)
                appendPercent(out, static_cast<unsigned char>(b));
        });
    return out;
}

// What an address may not hold as it stands: controls, spaces, bytes above
// ASCII and the characters no address uses unencoded.
bool mustEncode(unsigned char byte)
{
    return byte <= 0x20 || byte >= 0x7F ||
           std::string_view("\"<>\\^`{|}").find(char(byte)) != std::string_view::npos;
}

std::string encodeRest(std::string_view rest)
{
    std::string out;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(rest[i]);
        const bool escape = byte == '%' && !(i + 2 < rest.size() && g_ascii_isxdigit(rest[i + 1]) &&
                                             g_ascii_isxdigit(rest[i + 2]));
        if (mustEncode(byte) || escape)
            appendPercent(out, byte);
        else
            out += char(byte);
    }
    return out;
}

// The whole address encoded: scheme, ASCII host, the rest percent-encoded.
// None when it has no scheme or its host has no ASCII form.
std::optional<std::string> encodedAddress(const std::string& address)
{
    std::size_t colon = 0;
    while (colon < address.size() && (g_ascii_isalpha(address[colon]) ||
                                      (colon > 0 && (g_ascii_isdigit(address[colon]) ||
                                                     std::string_view("+-.").find(address[colon]) !=
                                                         std::string_view::npos))))
        ++colon;
    if (colon == 0 || colon >= address.size() || address[colon] != ':')
        return std::nullopt;
    std::string out = address.substr(0, colon + 1);
    std::string_view rest = std::string_view(address).substr(colon + 1);
    if (rest.starts_with("//")) {
        const std::size_t end = std::min(rest.find_first_of("/?#", 2), rest.size());
        std::string_view authority = rest.substr(2, end - 2);
        const std::size_t at = authority.rfind('@');
        std::string_view userInfo =
            at == authority.npos ? std::string_view() : authority.substr(0, at + 1);
        std::string_view hostPort = at == authority.npos ? authority : authority.substr(at + 1);
        const std::size_t portColon = hostPort.starts_with('[')
                                          ? hostPort.find(':', hostPort.find(']'))
                                          : hostPort.rfind(':');
        const std::string host(hostPort.substr(0, portColon));
        std::string_view port =
            portColon == hostPort.npos ? std::string_view() : hostPort.substr(portColon);
        char* ascii = host.empty() ? g_strdup("") : g_hostname_to_ascii(host.c_str());
        if (!ascii)
            return std::nullopt;
        out += "//" + encodeRest(userInfo) + Utf8::asciiLower(ascii);
        g_free(ascii);
        out += encodeRest(port);
        rest = rest.substr(end);
    }
    return out + encodeRest(rest);
}

} // namespace

std::string storableAddress(const std::string& address, const CodePage& page)
{
    if (page.fits(address))
        return address;
    if (const std::optional<std::string> encoded = encodedAddress(address))
        return *encoded;
    return encodeUnfit(address, page);
}

namespace {

int hexDigit(char c)
{
    return g_ascii_isxdigit(c) ? g_ascii_xdigit_value(c) : -1;
}

// The byte of the %XX escape at i, or -1 when there is none.
int escapedByte(std::string_view text, std::size_t i)
{
    if (i + 2 >= text.size() || text[i] != '%')
        return -1;
    const int high = hexDigit(text[i + 1]), low = hexDigit(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string decodedEscapes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const int byte = escapedByte(text, i);
        if (byte < 0) {
            out += text[i++];
            continue;
        }
        if (byte < 0x80) {
            // A trailing space would be trimmed off when the text is entered again.
            const bool space = byte == ' ' && i + 3 < text.size();
            const bool plain = g_ascii_isalnum(char(byte)) ||
                               std::string_view("-._~").find(char(byte)) != std::string_view::npos;
            out += space || plain ? std::string(1, char(byte)) : std::string(text.substr(i, 3));
            i += 3;
            continue;
        }
        // A run of escapes beyond ASCII is decoded whole, and only when it is UTF-8.
        std::string run;
        std::size_t end = i;
        for (int b = byte; b >= 0x80; b = escapedByte(text, end)) {
            run += char(b);
            end += 3;
        }
        const bool letters = g_utf8_validate(run.data(), gssize(run.size()), nullptr);
        out += letters ? run : std::string(text.substr(i, end - i));
        i = end;
    }
    return out;
}

} // namespace

std::string readableAddress(std::string_view uri)
{
    std::string out(uri);
    // The host of "scheme://user@host:port/...", in its own letters when it is punycode.
    const std::size_t slashes = out.find("://");
    if (slashes != std::string::npos && slashes > 0 && out.find_first_of("/?#") == slashes + 1) {
        const std::size_t start = slashes + 3;
        const std::size_t end = std::min(out.find_first_of("/?#", start), out.size());
        const std::size_t at = out.rfind('@', end);
        const std::size_t hostStart = at == std::string::npos || at < start ? start : at + 1;
        std::size_t hostEnd = out.find(':', hostStart);
        hostEnd = hostEnd == std::string::npos || hostEnd > end ? end : hostEnd;
        const std::string host = out.substr(hostStart, hostEnd - hostStart);
        if (!host.empty() && g_hostname_is_ascii_encoded(host.c_str())) {
            if (gchar* unicode = g_hostname_to_unicode(host.c_str())) {
                out.replace(hostStart, hostEnd - hostStart, unicode);
                g_free(unicode);
            }
        }
    }
    return out.find('%') == std::string::npos ? out : decodedEscapes(out);
}
