#include "platform/address_text.h"

#include "platform/utf8.h"

#include <glib.h>

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
    return byte <= 0x20 || byte >= 0x7F || std::string_view("\"<>\\^`{|}").find(char(byte)) != std::string_view::npos;
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
    while (colon < address.size() &&
           (g_ascii_isalpha(address[colon]) ||
            (colon > 0 && (g_ascii_isdigit(address[colon]) || std::string_view("+-.").find(address[colon]) != std::string_view::npos))))
        ++colon;
    if (colon == 0 || colon >= address.size() || address[colon] != ':')
        return std::nullopt;
    std::string out = address.substr(0, colon + 1);
    std::string_view rest = std::string_view(address).substr(colon + 1);
    if (rest.starts_with("//")) {
        const std::size_t end = std::min(rest.find_first_of("/?#", 2), rest.size());
        std::string_view authority = rest.substr(2, end - 2);
        const std::size_t at = authority.rfind('@');
        std::string_view userInfo = at == authority.npos ? std::string_view() : authority.substr(0, at + 1);
        std::string_view hostPort = at == authority.npos ? authority : authority.substr(at + 1);
        const std::size_t portColon = hostPort.starts_with('[') ? hostPort.find(':', hostPort.find(']'))
                                                                : hostPort.rfind(':');
        const std::string host(hostPort.substr(0, portColon));
        std::string_view port = portColon == hostPort.npos ? std::string_view() : hostPort.substr(portColon);
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
