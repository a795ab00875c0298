#include "surflog/log_records.h"

#include "platform/address_text.h"
#include "platform/clock.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

namespace SurfLog {

int separatorLength(QuitPath path)
{
    return path == QuitPath::WindowClose ? 54 : 158;
}

QString logDateTime(const QString& localeText, const QDateTime& moment, const CodePage& page)
{
    QString out;
    out.reserve(localeText.size());
    for (const QChar c : localeText) {
        if (page.fits(QStringView(&c, 1)))
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

QString logDateTime(const QDateTime& moment, const CodePage& page)
{
    return logDateTime(dateTimeText(moment), moment, page);
}

QByteArray startRecord(const QString& dateTime, const CodePage& page)
{
    return page.encode(QStringLiteral("SURFING: ") + dateTime + kCrLf + u'\r' + kCrLf);
}

static QByteArray closingRecord(const QStringList& history, const QString& ending, int bars,
                                const CodePage& page)
{
    QString text;
    for (const QString& address : history)
        text += storableAddress(address, page) + kCrLf;
    text += kCrLf;
    text += ending + kCrLf;
    text += kCrLf;
    text += QString(bars, u'|') + kCrLf;
    return page.encode(text);
}

QByteArray endRecord(const QStringList& history, const QString& dateTime, QuitPath path,
                     const CodePage& page)
{
    return closingRecord(history, QStringLiteral("FINISHED AT: ") + dateTime,
                         separatorLength(path), page);
}

QByteArray abnormalEndRecord(const QStringList& history, const QString& lastSeen,
                             const CodePage& page)
{
    return closingRecord(history, QStringLiteral("DID NOT END NORMALLY. LAST SEEN AT: ") + lastSeen,
                         100, page);
}

} // namespace SurfLog
