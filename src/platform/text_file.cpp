#include "platform/text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString describe(const QString& path, const QString& reason)
{
    return QStringLiteral("The file \"%1\" could not be written: %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

namespace TextFile {

QStringList splitLines(QStringView text)
{
    QStringList lines;
    forEachLine(text, [&](std::size_t start, std::size_t length) {
        lines.append(text.mid(qsizetype(start), qsizetype(length)).toString());
    });
    return lines;
}

QByteArray joinLines(const QStringList& lines, const CodePage& page)
{
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += page.encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

ReadStatus readWith(const QString& path, const std::function<void(QFile& file)>& read)
{
    ReadStatus result;
    QFileInfo info(path);
    if (!info.exists())
        return result;
    result.exists = true;
    const auto unreadable = [&path](const QString& reason) {
        return QStringLiteral("The file \"%1\" could not be read: %2.")
            .arg(QDir::toNativeSeparators(path), reason);
    };
    if (info.isDir()) {
        result.error = unreadable(QStringLiteral("it is a folder"));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = unreadable(file.errorString());
        return result;
    }
    read(file);
    if (file.error() != QFileDevice::NoError)
        result.error = unreadable(file.errorString());
    return result;
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    BytesResult result;
    ReadStatus status = readWith(path, [&result, maxBytes](QFile& file) {
        result.bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
    });
    result.exists = status.exists;
    result.error = std::move(status.error);
    return result;
}

ReadResult readLines(const QString& path, const CodePage& page)
{
    BytesResult bytes = readBytes(path);
    ReadResult result;
    result.exists = bytes.exists;
    result.error = bytes.error;
    result.lines = splitLines(page.decode(bytes.bytes));
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

WriteResult writeLines(const QString& path, const QStringList& lines, const CodePage& page)
{
    return writeBytes(path, joinLines(lines, page));
}

WriteResult appendBytes(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return {describe(path, file.errorString())};
    // What a full disk cuts short comes off again: the file only ever grows
    // by whole appends.
    const qint64 before = file.size();
    qint64 done = 0;
    for (qint64 n = 0; done < bytes.size(); done += n) {
        // A write cut short is tried on, so that the error says why.
        n = file.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
    }
    if (done != bytes.size()) {
        const QString reason = file.errorString();
        if (file.size() != before)
            file.resize(before);
        return {describe(path, reason)};
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return {describe(path, file.errorString())};
    return {};
}

} // namespace TextFile
