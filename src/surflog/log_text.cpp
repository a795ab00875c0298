#include "surflog/log_text.h"

#include "platform/code_page.h"

namespace {

constexpr char16_t kLineBreak = 0x2028;
constexpr char16_t kParagraphBreak = 0x2029;
// Large enough to keep the paragraph count low, small enough that laying out
// the paragraph on screen stays instant.
constexpr qsizetype kParagraphChars = 4096;

bool isBreak(char16_t c)
{
    return c == kLineBreak || c == kParagraphBreak || c == u'\n';
}

} // namespace

namespace SurfLogText {

void Decoder::endLine(QString& out)
{
    if (m_paragraphSize >= kParagraphChars) {
        out += QChar(kParagraphBreak);
        m_paragraphSize = 0;
    } else {
        out += QChar(kLineBreak);
        ++m_paragraphSize;
    }
    m_lineOpen = false;
}

QString Decoder::decode(QByteArrayView bytes)
{
    // Character for byte, nothing joined: a piece may end between a letter
    // and its accent, and the two show as the one letter anyway.
    const QString chars = m_page.chars(bytes);
    QString out;
    out.reserve(chars.size() + 1);
    for (const QChar c : chars) {
        const bool afterCr = m_afterCr;
        m_afterCr = false;
        if (c == u'\r') {
            endLine(out);
            m_afterCr = true;
        } else if (c == u'\n') {
            if (!afterCr)
                endLine(out);
        } else {
            out += c;
            ++m_paragraphSize;
            m_lineOpen = true;
        }
    }
    return out;
}

QString Decoder::finish()
{
    QString out;
    if (m_lineOpen)
        endLine(out);
    m_afterCr = false;
    m_paragraphSize = 0;
    return out;
}

QString decode(QByteArrayView bytes, const CodePage& page)
{
    Decoder decoder(page);
    QString text = decoder.decode(bytes);
    text += decoder.finish();
    return text;
}

QByteArray encode(QStringView text, const CodePage& page)
{
    QByteArray bytes;
    bytes.reserve(text.size() + text.size() / 32);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isBreak(text[i].unicode()))
            continue;
        bytes += page.encode(text.mid(runStart, i - runStart));
        bytes += "\r\n";
        runStart = i + 1;
    }
    bytes += page.encode(text.mid(runStart));
    return bytes;
}

} // namespace SurfLogText
