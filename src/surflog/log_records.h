#pragma once

#include "platform/code_page.h"

#include <glibmm/datetime.h>

#include <string>
#include <string_view>
#include <vector>

// The records the browser appends to the surf log: one when a session
// starts, one at every attempt to quit. Built as the exact bytes written.
namespace SurfLog {

// How the session was closed; the separator line is the only place where the
// log tells the two apart.
enum class QuitPath
{
    WindowClose,
    QuitButton
};

// Number of '|' in the separator line closing an end record.
int separatorLength(QuitPath path);

// A date and time as the log shows it: the program's usual short form, with
// every character the log's 8-bit text can hold (locale digits become 0-9,
// odd spaces plain ones, direction marks go). A form that still needs
// characters the log cannot hold falls back to "yyyy-MM-dd HH:mm:ss".
std::string logDateTime(std::string_view localeText, const Glib::DateTime& moment, const CodePage& page);
// The same for the locale this run tells times in.
std::string logDateTime(const Glib::DateTime& moment, const CodePage& page);

// "SURFING: " + date-time + CR LF, then the three bytes CR CR LF.
std::string startRecord(const std::string& dateTime, const CodePage& page);

// Each address (in its storable form) + CR LF, an empty line, "FINISHED AT: "
// + date-time + CR LF, an empty line and the separator line.
std::string endRecord(const std::vector<std::string>& history, const std::string& dateTime,
                      QuitPath path, const CodePage& page);

// The end record of a session that ended without either quit path (a kill,
// a crash, a power cut), written at the next start: the same shape, with
// "DID NOT END NORMALLY. LAST SEEN AT: " + date-time in place of the
// "FINISHED AT: " line and a separator of 100 '|', a length neither quit
// path uses.
std::string abnormalEndRecord(const std::vector<std::string>& history, const std::string& lastSeen,
                              const CodePage& page);

} // namespace SurfLog
