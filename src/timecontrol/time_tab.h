#pragma once

#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <glibmm/datetime.h>
#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string_view>

// What the Time tab needs from the installation: the path of a file given
// its relative text ("/buffer/buf1.log").
struct TimeContext
{
    std::function<std::filesystem::path(std::string_view relative)> file;
};

// The Time tab: one weekday of blocked half-hours at a time. The grid is the
// only working copy of the shown day; it is saved on Apply and when the
// parent moves to another weekday.
class TimeTab final
{
public:
    // Puts the tab's controls on page, at their designed places.
    TimeTab(const TimeContext& context, Gtk::Fixed& page);
    TimeTab(const TimeTab&) = delete;
    TimeTab& operator=(const TimeTab&) = delete;

    // Fills the grid from Monday's file, once, during the panel's load step.
    void load();

    // What the once-a-minute check decides at `now`, from that weekday's
    // file as it stands on disk (not the grid, which may hold unsaved edits).
    TimeSlots::Verdict due(const Glib::DateTime& now) const;

    // --- controls ----------------------------------------------------------
    IndexTab VideoSoftIndexTab2;                       // Mon|Tue|...|Sun over one page
    Gtk::Fixed Picture1;                               // holds the grid and the hour labels
    std::array<ElasticPanel, Schedule::SlotCount> seg; // half-hour cells, on = blocked
    std::array<Gtk::Label, 24> Label2;                 // "0:00" to "23:00"
    Gtk::Label Label3;                                 // the instruction
    Gtk::Button Command7;                              // "&Apply"

    // --- handlers ----------------------------------------------------------
    void seg_Click(int index);
    void VideoSoftIndexTab2_Switch(int oldTab, int newTab);
    void Command7_Click();

private:
    void buildGrid();
    void loadDay(int tab);
    bool saveDay(int tab);
    void showCell(int index, bool blocked);

    TimeContext m_context;
    Gtk::Fixed& m_page;
};
