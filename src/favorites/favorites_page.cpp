#include "favorites/favorites_page.h"

#include "platform/utf8.h"

#include <cstdint>

namespace FavoritesPage {

namespace {

// Anything outside printable ASCII becomes a character reference, so the page
// means the same whatever encoding the browser guesses for it and stays on one
// line even when a name holds a line break. A byte that is not UTF-8 shows as
// the replacement character rather than reaching the page raw.
void appendReference(std::string& out, char32_t c, bool attribute)
{
    if (c == '&')
        out += "&amp;";
    else if (c == '<')
        out += "&lt;";
    else if (c == '>')
        out += "&gt;";
    else if (attribute && c == '\'')
        out += "&#39;";
    else if (attribute && c == '"')
        out += "&quot;";
    else if (c < 0x20 || c >= 0x7F)
        out += "&#" + std::to_string(std::uint32_t(c)) + ';';
    else
        out += char(c);
}

void appendEscaped(std::string& out, std::string_view text, bool attribute)
{
    // Plain runs go in whole: a name may be a page title many megabytes long.
    const auto plain = [attribute](char c) {
        return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' &&
               !(attribute && (c == '\'' || c == '"'));
    };
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        while (i < text.size() && plain(text[i]))
            ++i;
        out.append(text, start, i - start);
        if (i < text.size()) {
            const Utf8::Char c = Utf8::at(text, i);
            i += c.length;
            appendReference(out, c.code, attribute);
        }
    }
}

constexpr std::string_view kStart = "<html><title>Favorites</title><body bgcolor=white>";
constexpr std::string_view kHeading =
    "<font face='Comic Sans MS' size='+2' color=Blue>Favorites</font><p>";
constexpr std::string_view kListFont = "<font face='arial'  color=Black>";
constexpr std::string_view kSeparator = "<br><hr>";
// The ownership notice links to the start page that lies beside this one.
constexpr std::string_view kFooter = "<font face='Courier' size='-1' color=Black>"
                                     "<a href='intro.htm'>Tobrin 2.0 by Corvane</a></font>";
constexpr std::string_view kEnd = "</body></html>\r\n";

} // namespace

std::string escapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text, false);
    return out;
}

std::string escapeAttribute(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text, true);
    return out;
}

std::string bytes(Form form, const FavoriteList& favorites)
{
    std::string page;
    page += kStart;
    page += kHeading;
    if (form == Form::Add)
        page += kListFont;
    for (const Favorite& favorite : favorites) {
        page += "<a href='";
        appendEscaped(page, favorite.address, true);
        page += "'><img src='tobrin_ico.gif' border=0  hspace=15 width=20 height=20>";
        appendEscaped(page, favorite.name, false);
        page += "</a><br>";
    }
    if (form == Form::Add)
        page += "</font>";
    page += kSeparator;
    page += kFooter;
    page += kEnd;
    return page;
}

TextFile::WriteResult write(const std::filesystem::path& path, Form form, const FavoriteList& favorites)
{
    return TextFile::writeBytes(path, bytes(form, favorites));
}

} // namespace FavoritesPage
