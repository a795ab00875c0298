#include "timecontrol/time_slots.h"

#include <algorithm>

namespace TimeSlots {

int currentSlot(int hour, int minute)
{
    return hour * 2 + (minute >= 30 ? 1 : 0);
}

bool isBlocked(double value)
{
    return value == 1;
}

std::optional<int> nextAllowedSlot(const Schedule::Day& day, int from)
{
    for (int slot = std::max(from, 0); slot < Schedule::SlotCount; ++slot) {
        if (day[std::size_t(slot)] == 0)
            return slot;
    }
    return std::nullopt;
}

std::string blockedMessage(int allowedSlot)
{
    return "Blocked Time!\r\nTobrin will run again only at " + std::to_string(allowedSlot / 2) +
           " hours and" + (allowedSlot % 2 == 0 ? " 00 minutes" : " 30 minutes");
}

Verdict check(const Schedule::Day& day, int slot)
{
    if (slot < 0 || slot >= Schedule::SlotCount || !isBlocked(day[std::size_t(slot)]))
        return {};
    const std::optional<int> allowed = nextAllowedSlot(day, slot);
    return {true, allowed ? blockedMessage(*allowed) : std::string()};
}

} // namespace TimeSlots
