#include "favorites/favorites_page.h"

namespace FavoritesPage {

namespace {

// Anything outside printable ASCII becomes a character reference, so the page
// means the same whatever encoding the browser guesses for it and stays on one
// line even when a name holds a line break.
void appendEscaped(QString& out, QStringView text, bool attribute)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'&')
            out += u"&amp;";
        else if (u == u'<')
            out += u"&lt;";
        else if (u == u'>')
            out += u"&gt;";
        else if (attribute && u == u'\'')
            out += u"&#39;";
        else if (attribute && u == u'"')
            out += u"&quot;";
        else if (u < 0x20 || u >= 0x7F)
            out += QStringLiteral("&#%1;").arg(int(u));
        else
            out += c;
    }
}

const QString kStart = QStringLiteral("<html><title>Favorites</title><body bgcolor=white>");
const QString kHeading =
    QStringLiteral("<font face='Comic Sans MS' size='+2' color=Blue>Favorites</font><p>");
const QString kListFont = QStringLiteral("<font face='arial'  color=Black>");
const QString kSeparator = QStringLiteral("<br><hr>");
// The ownership notice links to the start page that lies beside this one.
const QString kFooter = QStringLiteral("<font face='Courier' size='-1' color=Black>"
                                       "<a href='intro.htm'>Tobrin 2.0 by Corvane</a></font>");
const QString kEnd = QStringLiteral("</body></html>");

} // namespace

QString escapeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendEscaped(out, text, false);
    return out;
}

QString escapeAttribute(QStringView text)
{
    QString out;
    out.reserve(text.size());
    appendEscaped(out, text, true);
    return out;
}

QString html(Form form, const FavoriteList& favorites)
{
    QString page = kStart + kHeading;
    if (form == Form::Add)
        page += kListFont;
    for (const Favorite& favorite : favorites) {
        page += u"<a href='";
        appendEscaped(page, favorite.address, true);
        page += u"'><img src='tobrin_ico.gif' border=0  hspace=15 width=20 height=20>";
        appendEscaped(page, favorite.name, false);
        page += u"</a><br>";
    }
    if (form == Form::Add)
        page += u"</font>";
    page += kSeparator + kFooter + kEnd;
    return page;
}

QByteArray bytes(Form form, const FavoriteList& favorites)
{
    // Character references keep the page plain ASCII, whatever the code page.
    return html(form, favorites).toLatin1() + "\r\n";
}

TextFile::WriteResult write(const QString& path, Form form, const FavoriteList& favorites)
{
    return TextFile::writeBytes(path, bytes(form, favorites));
}

} // namespace FavoritesPage
