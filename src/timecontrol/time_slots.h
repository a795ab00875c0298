#pragma once

#include "timecontrol/schedule_file.h"

#include <optional>
#include <string>

// The rules of the once-a-minute check, apart from any window.
namespace TimeSlots {

// 2 x hour, plus 1 from minute 30: 10:29 is 20, 10:30 is 21, 23:59 is 47.
int currentSlot(int hour, int minute);

// Only exactly 1 blocks; other values (2, -1, 0.5) let the child surf.
bool isBlocked(double value);

// The first slot from `from` to the end of the day whose value is exactly 0
// (0.5 is not); none when surfing is not allowed again that day.
std::optional<int> nextAllowedSlot(const Schedule::Day& day, int from);

// "Blocked Time!", CR LF, then when surfing is allowed again, e.g.
// "Tobrin will run again only at 14 hours and 30 minutes".
std::string blockedMessage(int allowedSlot);

// What the check decides for one half-hour of a day: whether the page view
// is hidden, and the box the child is shown (empty: none, also when the day
// stays blocked to midnight).
struct Verdict
{
    bool blocked = false;
    std::string message;
};
Verdict check(const Schedule::Day& day, int slot);

} // namespace TimeSlots
