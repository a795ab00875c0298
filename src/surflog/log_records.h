#pragma once

#include "platform/code_page.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

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
QString logDateTime(const QString& localeText, const QDateTime& moment, const CodePage& page);
// The same for the current platform settings.
QString logDateTime(const QDateTime& moment, const CodePage& page);

// "SURFING: " + date-time + CR LF, then the three bytes CR CR LF.
QByteArray startRecord(const QString& dateTime, const CodePage& page);

// Each address (in its storable form) + CR LF, an empty line, "FINISHED AT: " + date-time + CR LF,
// an empty line and the separator line.
QByteArray endRecord(const QStringList& history, const QString& dateTime, QuitPath path,
                     const CodePage& page);

// The end record of a session that ended without either quit path (a kill,
// a crash, a power cut), written at the next start: the same shape, with
// "DID NOT END NORMALLY. LAST SEEN AT: " + date-time in place of the
// "FINISHED AT: " line and a separator of 100 '|', a length neither quit
// path uses.
QByteArray abnormalEndRecord(const QStringList& history, const QString& lastSeen,
                             const CodePage& page);

} // namespace SurfLog
