#include "surflog/log_text.h"

namespace SurfLogText {

std::string Decoder::decode(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 16);
    // Character for byte, nothing joined: a piece may end between a letter
    // and its accent, and the two show as the one letter anyway. Runs between
    // line ends are converted whole, which is far quicker than byte by byte.
    std::size_t runStart = 0;
    const auto endRun = [&](std::size_t at) {
        if (at > runStart)
            out += m_page.chars(bytes.substr(runStart, at - runStart));
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            m_afterCr = false;
            m_lineOpen = true;
            continue;
        }
        endRun(i);
        runStart = i + 1;
        if (c == '\r' || !m_afterCr)
            out += '\n';
        m_afterCr = c == '\r';
        m_lineOpen = false;
    }
    endRun(bytes.size());
    return out;
}

std::string Decoder::finish()
{
    const bool open = m_lineOpen;
    m_afterCr = false;
    m_lineOpen = false;
    return open ? "\n" : "";
}

std::string decode(std::string_view bytes, const CodePage& page)
{
    Decoder decoder(page);
    std::string text = decoder.decode(bytes);
    text += decoder.finish();
    return text;
}

std::string encode(std::string_view text, const CodePage& page)
{
    static constexpr std::string_view kLineSeparator = "\u2028", kParagraphSeparator = "\u2029";
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 32);
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        if (text[i] == '\r')
            length = i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
        else if (text[i] == '\n')
            length = 1;
        else if (text.substr(i, 3) == kLineSeparator || text.substr(i, 3) == kParagraphSeparator)
            length = 3;
        if (length == 0) {
            ++i;
            continue;
        }
        bytes += page.encode(text.substr(runStart, i - runStart));
        bytes += "\r\n";
        i += length;
        runStart = i;
    }
    bytes += page.encode(text.substr(runStart));
    return bytes;
}

} // namespace SurfLogText
