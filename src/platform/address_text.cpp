#include "platform/address_text.h"

#include <QUrl>

namespace {

// Percent-encodes, as UTF-8, just the characters the page cannot hold.
QString encodeUnfit(const QString& text, const CodePage& page)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            length = 2;
        const QString c = text.mid(i, length);
        out += page.fits(c) ? c : QString::fromLatin1(QUrl::toPercentEncoding(c));
        i += length - 1;
    }
    return out;
}

} // namespace

QString storableAddress(const QString& address, const CodePage& page)
{
    if (page.fits(address))
        return address;
    const QUrl url(address);
    if (url.isValid() && !url.scheme().isEmpty()) {
        const QString encoded = QString::fromLatin1(url.toEncoded());
        if (!encoded.isEmpty())
            return encoded;
    }
    return encodeUnfit(address, page);
}
