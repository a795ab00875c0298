#include "timecontrol/schedule_file.h"

#include "shell/app_paths.h"

#include <QDir>
#include <QFileInfo>

namespace {

// 48 short lines fit many times over; a huge file is not read past this, as
// lines after the 48th count for nothing.
constexpr qint64 kReadLimit = 64 * 1024;

} // namespace

namespace Schedule {

QString weekdayFile(int dayOfWeek)
{
    return AppPaths::schedule(dayOfWeek);
}

QString tabFile(int tab)
{
    return AppPaths::schedule(tab + 1);
}

double leadingNumber(QStringView line)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    const auto digitsFrom = [&](qsizetype at) {
        while (at < n && line[at].isDigit() && line[at].unicode() < 0x80)
            ++at;
        return at;
    };
    while (i < n && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (line[i] == u'+' || line[i] == u'-'))
        ++i;
    const qsizetype intEnd = digitsFrom(i);
    qsizetype end = intEnd;
    bool anyDigit = intEnd > i;
    if (end < n && line[end] == u'.') {
        const qsizetype fracEnd = digitsFrom(end + 1);
        anyDigit = anyDigit || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!anyDigit)
        return 0;
    if (end < n && (line[end] == u'e' || line[end] == u'E')) {
        qsizetype at = end + 1;
        if (at < n && (line[at] == u'+' || line[at] == u'-'))
            ++at;
        const qsizetype expEnd = digitsFrom(at);
        if (expEnd > at)
            end = expEnd;
    }
    bool ok = false;
    const double value = line.mid(start, end - start).toDouble(&ok);
    return ok ? value : 0;
}

ReadResult readDay(const QString& path)
{
    ReadResult result;
    const TextFile::BytesResult file = TextFile::readBytes(path, kReadLimit);
    result.exists = file.exists;
    result.error = file.error;
    const QStringList lines = TextFile::splitLines(QString::fromLatin1(file.bytes));
    for (int i = 0; i < SlotCount && i < lines.size(); ++i)
        result.slots[i] = leadingNumber(lines[i]);
    return result;
}

TextFile::WriteResult writeDay(const QString& path, const Blocked& blocked)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList lines;
    lines.reserve(SlotCount);
    for (bool on : blocked)
        lines.append(on ? QStringLiteral("1") : QStringLiteral("0"));
    return TextFile::writeLines(path, lines, CodePage());
}

} // namespace Schedule
