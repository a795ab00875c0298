#pragma once

#include "platform/text_file.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

// The weekly schedule: one file per weekday below the installation, 48 lines,
// one per half-hour, "1" for blocked and "0" for allowed.
namespace Schedule {

constexpr int SlotCount = 48;

// A day's slot values as read, compared as numbers by each reader: "0.5"
// is neither 0 nor 1.
using Day = std::array<double, SlotCount>;
// The editor's grid: true for a blocked half-hour.
using Blocked = std::array<bool, SlotCount>;

// The installation's relative text "/buffer/buf1.log" (Monday) to
// "/buffer/buf7.log" (Sunday), from a day of the week numbered as
// Glib::DateTime::get_day_of_week() numbers it (Monday 1 to Sunday 7).
std::string weekdayFile(int dayOfWeek);
// The same files for the editor's tabs "Mon" (0) to "Sun" (6).
std::string tabFile(int tab);

struct ReadResult
{
    Day slots{}; // slots the file does not give stay 0 (allowed)
    bool exists = false;
    std::string error; // set when the file exists but cannot be read
};

// The leading decimal number of a line, fraction and exponent included
// (" 0.5x" is 0.5, "1e0" is 1); none, or one out of range, is 0.
double leadingNumber(std::string_view line);

// Reads the first 48 lines by their leading number; anything after them is
// ignored.
ReadResult readDay(const std::filesystem::path& path);

// Rewrites the file atomically as 48 lines "0"/"1" with CR LF, creating its
// folder when it is missing.
[[nodiscard]] TextFile::WriteResult writeDay(const std::filesystem::path& path, const Blocked& blocked);

} // namespace Schedule
