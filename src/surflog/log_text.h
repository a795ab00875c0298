#pragma once

#include "platform/code_page.h"

#include <string>
#include <string_view>

// Between the log's bytes and the text of the viewer's editor (UTF-8).
//
// In the editor every line of the log is followed by a line break, so the
// box ends with an empty line, as after reading the file line by line. The
// breaks are plain "\n": the text view keeps its lines in a tree, so a log of
// years with millions of short lines stays cheap to show and to edit.
namespace SurfLogText {

// Decodes the log a piece at a time; pieces may split a CR LF pair.
class Decoder
{
public:
    explicit Decoder(const CodePage& page) : m_page(page) {}
    // A line ends at CR LF, at a lone CR or at a lone LF.
    std::string decode(std::string_view bytes);
    // Ends a last line that had no line end of its own.
    std::string finish();

private:
    CodePage m_page;
    bool m_afterCr = false;
    bool m_lineOpen = false;
};

// The whole log at once, as Decoder gives it.
std::string decode(std::string_view bytes, const CodePage& page);

// The editor's text back to the log's bytes: every line end (LF, CR LF, a
// lone CR, or a line or paragraph separator) becomes CR LF; a character the
// page cannot hold becomes '?'.
std::string encode(std::string_view text, const CodePage& page);

} // namespace SurfLogText
