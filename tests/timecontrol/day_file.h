#pragma once

#include <QByteArray>
#include <QMap>

// A schedule file of `lines` CR LF lines: the given slots hold their text, the rest "0".
inline QByteArray dayFile(const QMap<int, QByteArray>& values, int lines = 48)
{
    QByteArray bytes;
    for (int slot = 0; slot < lines; ++slot)
        bytes += values.value(slot, "0") + "\r\n";
    return bytes;
}

// The slots first to last set to "1".
inline QMap<int, QByteArray> blockedSlots(int first, int last)
{
    QMap<int, QByteArray> values;
    for (int slot = first; slot <= last; ++slot)
        values[slot] = "1";
    return values;
}
