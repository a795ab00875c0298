#pragma once

#include "platform/code_page.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QFile;

// The data files are 8-bit text in the installation's code page: every byte stands
// for one character and comes back as the same byte, so a parent's list
// survives any bytes a hand editor put in it. Lines end CR LF when written;
// readers also accept a lone CR or a lone LF, as Linux editors save.
namespace TextFile {

// Splits at CR LF, a lone CR or a lone LF. A last line without an end still
// counts; an empty text has no lines.
QStringList splitLines(QStringView text);

// Calls line(start, length) for each line of text as splitLines splits it,
// without copying: for lists too long to hold as one string per line. Works
// on 16-bit text and on 8-bit or UTF-8 bytes alike.
template <typename View, typename Line> void forEachLine(const View& text, Line&& line)
{
    const std::size_t n = std::size_t(text.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        line(start, i - start);
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        line(start, n - start);
}

// Each line followed by CR LF.
QByteArray joinLines(const QStringList& lines, const CodePage& page);

struct ReadResult
{
    QStringList lines;
    bool exists = false; // a missing file reads as no lines, with no error
    QString error;       // set when the file exists but cannot be read
};

struct BytesResult
{
    QByteArray bytes;
    bool exists = false;
    QString error;
};

// Outcome of a write: an empty error means every byte reached the disk.
struct WriteResult
{
    QString error;
    bool ok() const { return error.isEmpty(); }
};

struct ReadStatus
{
    bool exists = false;
    QString error;
};

// Opens the file and lets read() take its bytes, into memory of the caller's
// own (a long list is then never copied whole); missing files and errors are
// told as readBytes tells them. read() is not called when the file is missing
// or cannot be opened.
ReadStatus readWith(const QString& path, const std::function<void(QFile& file)>& read);

BytesResult readBytes(const QString& path, qint64 maxBytes = -1);
ReadResult readLines(const QString& path, const CodePage& page);

// Atomic whole-file rewrites: a crash or a full disk leaves the old file or
// the new one, never a torn one.
[[nodiscard]] WriteResult writeBytes(const QString& path, QByteArrayView bytes);
[[nodiscard]] WriteResult writeLines(const QString& path, const QStringList& lines,
                                     const CodePage& page);

// Appends in one write, creating the file when it does not exist. On failure
// the file is as it was: nothing half-written stays.
[[nodiscard]] WriteResult appendBytes(const QString& path, QByteArrayView bytes);

} // namespace TextFile
