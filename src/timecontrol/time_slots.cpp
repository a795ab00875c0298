#include "timecontrol/time_slots.h"

namespace TimeSlots {

int currentSlot(const QTime& time)
{
    return time.hour() * 2 + (time.minute() >= 30 ? 1 : 0);
}

bool isBlocked(double value)
{
    return value == 1;
}

std::optional<int> nextAllowedSlot(const Schedule::Day& day, int from)
{
    for (int slot = qMax(from, 0); slot < Schedule::SlotCount; ++slot) {
        if (day[slot] == 0)
            return slot;
    }
    return std::nullopt;
}

QString blockedMessage(int allowedSlot)
{
    return QStringLiteral("Blocked Time!\r\nTobrin will run again only at ") +
           QString::number(allowedSlot / 2) + QStringLiteral(" hours and") +
           (allowedSlot % 2 == 0 ? QStringLiteral(" 00 minutes") : QStringLiteral(" 30 minutes"));
}

} // namespace TimeSlots
