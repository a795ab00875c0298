#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The data files are 8-bit text in Windows-1252: every byte 0-255 stands for
// one character and comes back as the same byte, so a parent's list survives
// any bytes a hand editor put in it. Lines end CR LF when written; readers
// also accept a lone CR.
namespace TextFile {

// Bytes to text: every byte becomes exactly one character.
QString decode(QByteArrayView bytes);
// Text to bytes: a character with no 8-bit code becomes '?'.
QByteArray encode(QStringView text);
// True when every character of text has an 8-bit code.
bool isEncodable(QStringView text);

// Splits at CR LF, a lone CR or a lone LF. A last line without an end still
// counts; an empty text has no lines.
QStringList splitLines(QStringView text);

// Calls line(start, length) for each line of text as splitLines splits it,
// without copying: for lists too long to hold as one string per line. Works
// on 16-bit text and on 8-bit or UTF-8 bytes alike.
template <typename View, typename Line>
void forEachLine(const View& text, Line&& line)
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
QByteArray joinLines(const QStringList& lines);

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

BytesResult readBytes(const QString& path, qint64 maxBytes = -1);
ReadResult readLines(const QString& path);

// Atomic whole-file rewrites: a crash or a full disk leaves the old file or
// the new one, never a torn one.
[[nodiscard]] WriteResult writeBytes(const QString& path, QByteArrayView bytes);
[[nodiscard]] WriteResult writeLines(const QString& path, const QStringList& lines);

// Appends, creating the file when it does not exist.
[[nodiscard]] WriteResult appendBytes(const QString& path, QByteArrayView bytes);

} // namespace TextFile
