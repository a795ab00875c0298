#include "platform/colors.h"
#include "scratch_dir.h"
#include "tab_window.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"
#include "timecontrol/time_tab.h"

#include <gtest/gtest.h>

#include <set>

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

namespace {

// The Time tab in a shown window, over the schedule files of a scratch folder.
struct Week
{
    ScratchDir dir;
    TabWindow window;
    TimeTab tab{
        {[this](std::string_view relative) { return dir.path().string() + std::string(relative); }},
        window.page};

    std::string day(int d) const
    {
        return ScratchDir::read(dir / ("buffer/buf" + std::to_string(d) + ".log"));
    }
    void setDay(int d, const std::string& bytes) const
    {
        ScratchDir::write(dir / ("buffer/buf" + std::to_string(d) + ".log"), bytes);
    }
    // Every cell shows exactly the blocked slots: on and red, the rest off and blue.
    bool shows(const std::set<int>& blocked) const
    {
        for (int i = 0; i < Schedule::SlotCount; ++i) {
            const bool on = blocked.contains(i);
            const ElasticPanel& cell = tab.seg[std::size_t(i)];
            if (cell.value() != on || cell.backColor() != ColorValue::toColor(on ? 0xFF : 0xFF0000))
                return false;
        }
        return true;
    }
    // Clicks that tab; the one grid moves to it and shows again.
    void showTab(int d)
    {
        tab.VideoSoftIndexTab2.notebook().set_current_page(d);
        Gtk::Widget* holder = tab.VideoSoftIndexTab2.page(0)->get_parent();
        runUntil([&] { return holder->get_mapped() && holder->get_width() > 0; });
    }
};

} // namespace

TEST(TimeTab, SwitchSavesTheDayLeftAndShowsTheDayEntered)
{
    Week week;
    // Monday: a 2 shows as blocked; 60 lines are cut to 48 when saved.
    week.setDay(1, dayFile({{3, "1"}, {4, "2"}, {50, "1"}}, 60));
    week.setDay(2, dayFile({{10, "1"}}));
    week.tab.load();
    week.window.show(week.tab.seg[47]);
    const std::string monday = week.day(1);
    EXPECT_TRUE(week.shows({3, 4}));
    EXPECT_EQ(week.tab.seg[21].get_tooltip_text(), "10:30 to 10:59");

    // Clicks flip and recolour, and write nothing. Each cell's last line lies
    // under the next one, as designed: the clicks aim above it.
    clickOn(week.tab.seg[7], 1, 0.3);
    ASSERT_TRUE(runUntil([&] { return week.tab.seg[7].value(); }));
    clickOn(week.tab.seg[3], 1, 0.3);
    ASSERT_TRUE(runUntil([&] { return !week.tab.seg[3].value(); }));
    EXPECT_TRUE(week.shows({4, 7}));
    EXPECT_EQ(week.day(1), monday);
    week.showTab(1);
    EXPECT_EQ(week.day(1), dayFile({{4, "1"}, {7, "1"}}));
    EXPECT_TRUE(week.shows({10}));

    // A day that cannot be saved: the switch does not happen, the edits stay.
    clickOn(week.tab.seg[11], 1, 0.3);
    ASSERT_TRUE(runUntil([&] { return week.tab.seg[11].value(); }));
    const auto tuesday = week.dir / "buffer/buf2.log";
    std::filesystem::remove(tuesday);
    std::filesystem::create_directory(tuesday);
    week.showTab(2);
    auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageBox::Critical);
    EXPECT_EQ(week.tab.VideoSoftIndexTab2.notebook().get_current_page(), 1);
    EXPECT_EQ(week.tab.VideoSoftIndexTab2.currentTab(), 1);
    EXPECT_TRUE(week.shows({10, 11}));
    std::filesystem::remove(tuesday);

    // Apply writes the shown day's file only.
    std::vector<std::string> before;
    for (int d = 1; d <= 7; ++d)
        before.push_back(week.day(d));
    ASSERT_TRUE(press(week.tab.Command7));
    before[1] = dayFile({{10, "1"}, {11, "1"}});
    for (int d = 1; d <= 7; ++d)
        EXPECT_EQ(week.day(d), before[std::size_t(d - 1)]) << d;

    // A day that cannot be read is shown as allowed, and the parent is told.
    std::filesystem::create_directories(week.dir / "buffer/buf3.log");
    week.showTab(2);
    EXPECT_TRUE(week.shows({}));
    shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("buf3.log"), std::string::npos);
    EXPECT_EQ(shown[0].icon, MessageBox::Warning);
}

// The check reads the file of the weekday it is now, as it stands on disk.
TEST(TimeTab, DueReadsTodaysFile)
{
    Week week;
    week.setDay(1, dayFile({{20, "1"}}));
    week.setDay(7, dayFile({}, 48, 47));
    auto at = [](int day, int hour, int minute) {
        return Glib::DateTime::create_local(2026, 12, day, hour, minute, 0);
    };
    const TimeSlots::Verdict monday = week.tab.due(at(7, 10, 29));
    EXPECT_TRUE(monday.blocked);
    EXPECT_EQ(monday.message,
              "Blocked Time!\r\nTobrin will run again only at 10 hours and 30 minutes");
    EXPECT_FALSE(week.tab.due(at(13, 10, 29)).blocked);
    EXPECT_TRUE(week.tab.due(at(13, 23, 45)).blocked);
    EXPECT_FALSE(week.tab.due(at(8, 10, 29)).blocked); // Tuesday has no file
    EXPECT_FALSE(week.tab.due(Glib::DateTime()).blocked);
}
