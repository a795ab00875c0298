#include "scratch_dir.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <gtest/gtest.h>

namespace {

// A schedule of `lines` CR LF lines: the given slots hold their text, the
// rest "0" (or "1" from `blockedFrom` on).
std::string dayFile(const std::map<int, std::string>& values, int lines = 48, int blockedFrom = 48)
{
    std::string bytes;
    for (int slot = 0; slot < lines; ++slot) {
        const auto it = values.find(slot);
        bytes += (it != values.end() ? it->second : slot < blockedFrom ? "0" : "1") + "\r\n";
    }
    return bytes;
}

} // namespace

TEST(Schedule, DayFilesReadAsTypedNumbersAndWriteAsZerosAndOnes)
{
    const struct
    {
        std::string line;
        double value;
    } rows[] = {
        {"1", 1}, {"0", 0},
        {"0.5", 0.5}, // neither blocked nor the allowed slot announced
        {".5", 0.5}, {" 1.0e0", 1}, {"\t+1", 1}, {"1abc", 1}, {"1e", 1}, {"x", 0}, {"", 0}, {"-", 0},
        {"-1", -1}, {"4294967297", 4294967297.0}, {"1e999", 0}, {"1,5", 1},
    };
    ScratchDir dir;
    // The buffer folder itself may be missing; writing makes it.
    const auto path = dir / "buffer" / "buf2.log";
    const Schedule::ReadResult none = Schedule::readDay(path); // allowed, and no error
    EXPECT_TRUE(!none.exists && none.error.empty() && none.slots == Schedule::Day{});
    Schedule::Blocked blocked{};
    blocked[0] = blocked[47] = true;
    ASSERT_TRUE(Schedule::writeDay(path, blocked).ok());
    EXPECT_EQ(ScratchDir::read(path), dayFile({{0, "1"}, {47, "1"}}));

    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        // Slot 20 holds the line; lone LF and CR end lines too; a short file
        // leaves the rest allowed.
        std::string bytes;
        for (int i = 0; i < 10; ++i)
            bytes += "1\n";
        for (int i = 0; i < 10; ++i)
            bytes += "1\r";
        ScratchDir::write(path, bytes + row.line + "\n");
        const Schedule::ReadResult read = Schedule::readDay(path);
        EXPECT_TRUE(read.exists && read.error.empty());
        EXPECT_EQ(read.slots[19], 1.0);
        EXPECT_EQ(read.slots[20], row.value);
        EXPECT_EQ(read.slots[47], 0.0);
        // Only exactly 1 blocks, and only exactly 0 is announced as allowed.
        EXPECT_EQ(TimeSlots::isBlocked(read.slots[20]), row.value == 1);
        EXPECT_EQ(TimeSlots::nextAllowedSlot(read.slots, 20).value_or(-1), row.value == 0 ? 20 : 21);
    }

    // Lines past the 48th count for nothing, however many; a folder in the
    // file's place is told, and a day that cannot be saved too.
    ScratchDir::write(path, dayFile({}, 48) + std::string(1 << 20, '1'));
    EXPECT_EQ(Schedule::readDay(path).slots, Schedule::Day{});
    EXPECT_NE(Schedule::readDay(dir / "buffer").error, "");
    ScratchDir::write(dir / "plain", "x");
    EXPECT_NE(Schedule::writeDay(dir / "plain" / "buf1.log", blocked).error, "");
    EXPECT_EQ(Schedule::weekdayFile(7), "/buffer/buf7.log");
    EXPECT_EQ(Schedule::tabFile(0), "/buffer/buf1.log");
}

TEST(TimeSlots, TheCheckHidesTheViewAndSaysWhenSurfingComesBack)
{
    const std::string at = "Blocked Time!\r\nTobrin will run again only at ";
    const struct
    {
        const char* name;
        std::string file;
        int hour, minute;
        bool blocked;
        std::string message; // empty: no box
    } rows[] = {
        {"10:29 is slot 20", dayFile({{20, "1"}}), 10, 29, true, at + "10 hours and 30 minutes"},
        {"10:30 is slot 21", dayFile({{20, "1"}}), 10, 30, false, ""},
        {"slot 1", dayFile({{0, "1"}}), 0, 10, true, at + "0 hours and 30 minutes"},
        {"a short file", dayFile({{0, "0"}, {1, "0"}}, 18, 0), 1, 0, true, at + "9 hours and 00 minutes"},
        {"a 2 is not allowed either", dayFile({{28, "1"}, {29, "2"}}), 14, 10, true,
         at + "15 hours and 00 minutes"},
        {"blocked to midnight: no box", dayFile({}, 48, 42), 21, 15, true, ""},
        {"the last slot", dayFile({}, 48, 47), 23, 59, true, ""},
        {"no file", "", 10, 0, false, ""},
    };
    ScratchDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchDir::write(dir / "buf1.log", row.file);
        const Schedule::Day day = Schedule::readDay(dir / "buf1.log").slots;
        const TimeSlots::Verdict verdict = TimeSlots::check(day, TimeSlots::currentSlot(row.hour, row.minute));
        EXPECT_EQ(verdict.blocked, row.blocked);
        EXPECT_EQ(verdict.message, row.message);
    }
}
