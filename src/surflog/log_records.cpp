#include "surflog/log_records.h"

#include "platform/clock.h"
#include "platform/text_file.h"

#include <QUrl>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool fitsLog(QChar c)
{
    return TextFile::isEncodable(QStringView(&c, 1));
}

// Percent-encodes, as UTF-8, just the characters the 8-bit text cannot hold.
QString encodeUnfit(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (fitsLog(c)) {
            out += c;
            continue;
        }
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            length = 2;
        out += QString::fromLatin1(QUrl::toPercentEncoding(text.mid(i, length)));
        i += length - 1;
    }
    return out;
}

} // namespace

namespace SurfLog {

int separatorLength(QuitPath path)
{
    return path == QuitPath::WindowClose ? 54 : 158;
}

QString logDateTime(const QString& localeText, const QDateTime& moment)
{
    QString out;
    out.reserve(localeText.size());
    for (const QChar c : localeText) {
        if (fitsLog(c))
            out += c;
        else if (c.isDigit())
            out += QChar(u'0' + c.digitValue());
        else if (c.isSpace())
            out += u' ';
        else if (c.category() == QChar::Other_Format)
            continue;
        else
            return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return out;
}

QString logDateTime(const QDateTime& moment)
{
    return logDateTime(dateTimeText(moment), moment);
}

QString addressForLog(const QString& address)
{
    if (TextFile::isEncodable(address))
        return address;
    const QUrl url(address);
    if (url.isValid() && !url.scheme().isEmpty()) {
        const QString encoded = QString::fromLatin1(url.toEncoded());
        if (!encoded.isEmpty())
            return encoded;
    }
    return encodeUnfit(address);
}

QByteArray startRecord(const QString& dateTime)
{
    return TextFile::encode(QStringLiteral("SURFING: ") + dateTime + kCrLf + u'\r' + kCrLf);
}

static QByteArray closingRecord(const QStringList& history, const QString& ending, int bars)
{
    QString text;
    for (const QString& address : history)
        text += addressForLog(address) + kCrLf;
    text += kCrLf;
    text += ending + kCrLf;
    text += kCrLf;
    text += QString(bars, u'|') + kCrLf;
    return TextFile::encode(text);
}

QByteArray endRecord(const QStringList& history, const QString& dateTime, QuitPath path)
{
    return closingRecord(history, QStringLiteral("FINISHED AT: ") + dateTime,
                         separatorLength(path));
}

QByteArray abnormalEndRecord(const QStringList& history, const QString& lastSeen)
{
    return closingRecord(history, QStringLiteral("DID NOT END NORMALLY. LAST SEEN AT: ") + lastSeen,
                         100);
}

} // namespace SurfLog
