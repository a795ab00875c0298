#pragma once

#include "platform/code_page.h"

#include <QByteArray>
#include <QString>

// Between the log's bytes and the text of the viewer's editor.
//
// In the editor every line of the log is followed by a line break, so the
// box ends with an empty line, as after reading the file line by line. The
// breaks are line separators (U+2028) that group lines into paragraphs
// (U+2029) of a few thousand characters: the editor's cost grows with the
// number of paragraphs, and a log of years holds millions of lines.
namespace SurfLogText {

// Decodes the log a piece at a time; pieces may split a CR LF pair.
class Decoder
{
public:
    explicit Decoder(const CodePage& page) : m_page(page) {}
    // A line ends at CR LF, at a lone CR or at a lone LF.
    QString decode(QByteArrayView bytes);
    // Ends a last line that had no line end of its own.
    QString finish();

private:
    void endLine(QString& out);

    CodePage m_page;
    bool m_afterCr = false;
    bool m_lineOpen = false;
    qsizetype m_paragraphSize = 0;
};

// The whole log at once, as Decoder gives it.
QString decode(QByteArrayView bytes, const CodePage& page);

// The editor's raw text back to the log's bytes: every line or paragraph
// break becomes CR LF; a character the page cannot hold becomes '?'.
QByteArray encode(QStringView text, const CodePage& page);

} // namespace SurfLogText
