#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>

namespace {

// Windows-1252's 0x80-0x9F; the five codes it leaves undefined keep the C1
// control character of the same number so that every byte round-trips.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Returns the byte for a character, or -1 when it has none.
int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return int(0x80 + i);
    }
    return -1;
}

QString describe(const QString& path, const QString& reason)
{
    return QStringLiteral("The file \"%1\" could not be written: %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

namespace TextFile {

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteFor(text[i].unicode());
        out[i] = b < 0 ? '?' : char(b);
    }
    return bytes;
}

bool isEncodable(QStringView text)
{
    for (QChar c : text) {
        if (byteFor(c.unicode()) < 0)
            return false;
    }
    return true;
}

QStringList splitLines(QStringView text)
{
    QStringList lines;
    forEachLine(text, [&](std::size_t start, std::size_t length) {
        lines.append(text.mid(qsizetype(start), qsizetype(length)).toString());
    });
    return lines;
}

QByteArray joinLines(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    BytesResult result;
    QFileInfo info(path);
    if (!info.exists())
        return result;
    result.exists = true;
    if (info.isDir()) {
        result.error = QStringLiteral("The file \"%1\" could not be read: it is a folder.")
                           .arg(QDir::toNativeSeparators(path));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("The file \"%1\" could not be read: %2.")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
        return result;
    }
    result.bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("The file \"%1\" could not be read: %2.")
                           .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    return result;
}

ReadResult readLines(const QString& path)
{
    BytesResult bytes = readBytes(path);
    ReadResult result;
    result.exists = bytes.exists;
    result.error = bytes.error;
    result.lines = splitLines(decode(bytes.bytes));
    return result;
}

WriteResult writeBytes(const QString& path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {describe(path, file.errorString())};
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {describe(path, reason)};
    }
    if (!file.commit())
        return {describe(path, file.errorString())};
    return {};
}

WriteResult writeLines(const QString& path, const QStringList& lines)
{
    return writeBytes(path, joinLines(lines));
}

WriteResult appendBytes(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return {describe(path, file.errorString())};
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush())
        return {describe(path, file.errorString())};
    file.close();
    if (file.error() != QFileDevice::NoError)
        return {describe(path, file.errorString())};
    return {};
}

} // namespace TextFile
