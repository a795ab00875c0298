#include "platform/code_page.h"

#include <QSysInfo>

#include <iconv.h>

#include <algorithm>
#include <optional>

namespace {

// QString's own byte order, so its characters pass to iconv as they are.
constexpr const char* kUtf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

// The character iconv gives for one byte, or none when the byte is undefined.
std::optional<char16_t> convertByte(iconv_t cd, unsigned char byte)
{
    char in = char(byte);
    char16_t out[4] = {};
    char* inPtr = &in;
    size_t inLeft = 1;
    auto* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1))
        return std::nullopt;
    // Pages that combine accents hold a base letter back until flushed.
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    if (sizeof out - outLeft != sizeof(char16_t))
        return std::nullopt;
    return out[0];
}

} // namespace

CodePage::CodePage(const QByteArray& iconvName) : m_name(iconvName)
{
    // Windows-1258 writes most Vietnamese letters as base letter and accent.
    m_composes = m_name == "CP1258";
    iconv_t cd = iconv_open(kUtf16, m_name.constData());
    if (cd == iconv_t(-1)) {
        m_name = "CP1252";
        m_composes = false;
        cd = iconv_open(kUtf16, m_name.constData());
    }
    for (int b = 0; b < 256; ++b) {
        const std::optional<char16_t> c =
            cd == iconv_t(-1) ? std::nullopt : convertByte(cd, (unsigned char)b);
        m_chars[b] = c.value_or(char16_t(b));
        if (b >= 0x80)
            m_bytes.insert(m_chars[b], char(b));
    }
    if (cd != iconv_t(-1))
        iconv_close(cd);
    iconv_t encoder = iconv_open(m_name.constData(), kUtf16);
    if (encoder != iconv_t(-1))
        m_encoder = std::shared_ptr<void>(encoder, [](void* e) { iconv_close(iconv_t(e)); });
}

QByteArray CodePage::nameFor(const QLocale& locale)
{
    switch (locale.script()) {
    case QLocale::CyrillicScript:
        return "CP1251";
    case QLocale::GreekScript:
        return "CP1253";
    case QLocale::HebrewScript:
        return "CP1255";
    case QLocale::ArabicScript:
        return "CP1256";
    case QLocale::ThaiScript:
        return "CP874";
    default:
        break;
    }
    switch (locale.language()) {
    case QLocale::Albanian:
    case QLocale::Bosnian:
    case QLocale::Croatian:
    case QLocale::Czech:
    case QLocale::Hungarian:
    case QLocale::Polish:
    case QLocale::Romanian:
    case QLocale::Serbian:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::LowerSorbian:
    case QLocale::UpperSorbian:
        return "CP1250";
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Uzbek:
        return "CP1254";
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return "CP1257";
    case QLocale::Vietnamese:
        return "CP1258";
    default:
        return "CP1252";
    }
}

const QList<QByteArray>& CodePage::known()
{
    static const QList<QByteArray> names{"CP874",  "CP1250", "CP1251", "CP1252", "CP1253",
                                         "CP1254", "CP1255", "CP1256", "CP1257", "CP1258"};
    return names;
}

QByteArray CodePage::knownName(QStringView text)
{
    QString number = text.trimmed().toString().toUpper();
    for (const QString& prefix : {QStringLiteral("WINDOWS-"), QStringLiteral("CP")}) {
        if (number.startsWith(prefix))
            number.remove(0, prefix.size());
    }
    const QByteArray name = "CP" + number.toLatin1();
    return known().contains(name) ? name : QByteArray();
}

QString CodePage::decode(QByteArrayView bytes) const
{
    QString text = chars(bytes);
    // ASCII, as most lists are, has no accent to compose.
    const auto isAscii = [](char b) { return static_cast<unsigned char>(b) < 0x80; };
    if (!m_composes || std::all_of(bytes.begin(), bytes.end(), isAscii))
        return text;
    // Each letter with the accents after it is composed on its own, and only
    // when the page can write the result: the text then goes back to bytes
    // that read as the same letters.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        qsizetype end = i + 1;
        while (end < text.size() && text[end].isMark())
            ++end;
        const QStringView run = QStringView(text).mid(i, end - i);
        const QString letter =
            run.size() > 1 ? run.toString().normalized(QString::NormalizationForm_C) : QString();
        if (!letter.isEmpty() && fits(letter))
            out += letter;
        else
            out += run;
        i = end;
    }
    return out;
}

QString CodePage::chars(QByteArrayView bytes) const
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(m_chars[static_cast<unsigned char>(bytes[i])]);
    return text;
}

bool CodePage::appendChar(QByteArray& out, QStringView c) const
{
    if (c.size() == 1 && c[0].unicode() < 0x80) {
        out += char(c[0].unicode());
        return true;
    }
    if (c.size() == 1) {
        const auto it = m_bytes.constFind(c[0].unicode());
        if (it != m_bytes.constEnd()) {
            out += *it;
            return true;
        }
    }
    // A letter outside the table may still be a base letter plus an accent.
    if (!m_encoder)
        return false;
    const auto cd = iconv_t(m_encoder.get());
    auto* in = const_cast<char*>(reinterpret_cast<const char*>(c.utf16()));
    size_t inLeft = size_t(c.size()) * sizeof(char16_t);
    char buffer[8];
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == size_t(-1) ||
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1))
        return false;
    out.append(buffer, outPtr - buffer);
    return true;
}

namespace {

// One character, or a surrogate pair, starting at i.
QStringView charAt(QStringView text, qsizetype i)
{
    const bool pair =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    return text.mid(i, pair ? 2 : 1);
}

} // namespace

QString CodePage::spelled(QStringView chars)
{
    QStringList out;
    for (qsizetype i = 0; i < chars.size();) {
        const QStringView c = charAt(chars, i);
        i += c.size();
        const char32_t code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
        const bool shows = QChar::isPrint(code) && !QChar::isMark(code) && !QChar::isSpace(code);
        out << (shows ? c.toString()
                      : QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper());
    }
    return out.join(u' ');
}

QString CodePage::unfit(QStringView text) const
{
    QString found;
    QByteArray scratch;
    for (qsizetype i = 0; i < text.size();) {
        // Most characters are ASCII or in the table; only the rest ask iconv.
        const char16_t u = text[i].unicode();
        if (u < 0x80 || m_bytes.contains(u)) {
            ++i;
            continue;
        }
        const QStringView c = charAt(text, i);
        i += c.size();
        scratch.resize(0);
        if (!appendChar(scratch, c) && !found.contains(c))
            found += c;
    }
    return found;
}

QByteArray CodePage::encode(QStringView text) const
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text[i].unicode();
        if (u < 0x80) {
            bytes += char(u);
            ++i;
            continue;
        }
        const QStringView c = charAt(text, i);
        i += c.size();
        if (!appendChar(bytes, c))
            bytes += '?';
    }
    return bytes;
}
