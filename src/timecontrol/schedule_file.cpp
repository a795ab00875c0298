#include "timecontrol/schedule_file.h"

#include "shell/app_paths.h"
#include "platform/settings_store.h"

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

ReadResult readDay(const QString& path)
{
    ReadResult result;
    const TextFile::BytesResult file = TextFile::readBytes(path, kReadLimit);
    result.exists = file.exists;
    result.error = file.error;
    const QStringList lines = TextFile::splitLines(TextFile::decode(file.bytes));
    for (int i = 0; i < SlotCount && i < lines.size(); ++i)
        result.slots[i] = SettingValue::integer(lines[i]);
    return result;
}

TextFile::WriteResult writeDay(const QString& path, const Blocked& blocked)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList lines;
    lines.reserve(SlotCount);
    for (bool on : blocked)
        lines.append(on ? QStringLiteral("1") : QStringLiteral("0"));
    return TextFile::writeLines(path, lines);
}

} // namespace Schedule
