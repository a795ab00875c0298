#include "timecontrol/time_tab.h"

#include "platform/colors.h"
#include "platform/designed_form.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <pangomm/attrlist.h>

namespace {

// Colour values of a cell: red for blocked, blue for allowed.
constexpr std::int64_t kBlockedColor = 0xFF;
constexpr std::int64_t kAllowedColor = 0xFF0000;

// Cell i sits in column i div 24 and row i mod 24 of Picture1.
Gdk::Rectangle cellRect(int index)
{
    const int column = index / 24;
    const int row = index % 24;
    return twipsRect(column == 0 ? 675 : 1125, 75 + 150 * row, 390, 165);
}

std::string slotStart(int slot)
{
    return std::to_string(slot / 2) + (slot % 2 == 0 ? ":00" : ":30");
}

} // namespace

TimeTab::TimeTab(const TimeContext& context, Gtk::Fixed& page)
    : Label3("Select the times you want TOBRIN to stop surfing"), Command7("_Apply", true),
      m_context(context), m_page(page)
{
    useDesignedSizes(page);

    VideoSoftIndexTab2.setSharedPage(true);
    VideoSoftIndexTab2.setCaptions("Mon|Tue|Wed|Thu|Fri|Sat|Sun");
    placeControl(page, VideoSoftIndexTab2, "VideoSoftIndexTab2", twipsRect(120, 60, 5280, 4260));
    VideoSoftIndexTab2.signal_Switch().connect(
        [this](int oldTab, int newTab) { VideoSoftIndexTab2_Switch(oldTab, newTab); });

    placeControl(*VideoSoftIndexTab2.page(0), Picture1, "Picture1", twipsRect(60, 60, 2085, 3780));
    buildGrid();

    Label3.set_wrap(true);
    Label3.set_justify(Gtk::Justification::RIGHT);
    Label3.set_xalign(1);
    Label3.set_yalign(0);
    placeControl(page, Label3, "Label3", twipsRect(5520, 240, 1620, 900));

    placeControl(page, Command7, "Command7", twipsRect(5640, 3840, 1455, 375));
    Command7.signal_clicked().connect([this] { Command7_Click(); });
}

void TimeTab::buildGrid()
{
    for (int i = 0; i < Schedule::SlotCount; ++i) {
        ElasticPanel& cell = seg[std::size_t(i)];
        placeControl(Picture1, cell, "seg", cellRect(i));
        cell.setClickable(true);
        cell.setToggles(true);
        cell.setBackColor(ColorValue::toColor(kAllowedColor));
        cell.set_tooltip_text(slotStart(i) + " to " + std::to_string(i / 2) +
                              (i % 2 == 0 ? ":29" : ":59"));
        cell.signal_clicked().connect([this, i] { seg_Click(i); });
    }
    Pango::AttrList small;
    auto size = Pango::Attribute::create_attr_size_absolute(9 * PANGO_SCALE);
    small.insert(size);
    for (int k = 0; k < int(Label2.size()); ++k) {
        Gtk::Label& label = Label2[std::size_t(k)];
        label.set_text(slotStart(2 * k));
        label.set_attributes(small);
        const Gdk::Rectangle cell = cellRect(2 * k);
        const bool left = k < 12;
        // Each hour reads close to its own cell.
        label.set_xalign(left ? 1 : 0);
        label.set_margin_start(left ? 0 : 3);
        label.set_margin_end(left ? 3 : 0);
        placeControl(Picture1, label, "Label2",
                     {twips(left ? 225 : 1500), cell.get_y(), twips(465), cell.get_height()});
    }
}

void TimeTab::load()
{
    loadDay(0);
}

TimeSlots::Verdict TimeTab::due(const Glib::DateTime& now) const
{
    // A clock that cannot tell the time has no half-hour to check.
    if (!now)
        return {};
    const Schedule::Day day =
        Schedule::readDay(m_context.file(Schedule::weekdayFile(now.get_day_of_week()))).slots;
    return TimeSlots::check(day, TimeSlots::currentSlot(now.get_hour(), now.get_minute()));
}

void TimeTab::showCell(int index, bool blocked)
{
    seg[std::size_t(index)].setBackColor(
        ColorValue::toColor(blocked ? kBlockedColor : kAllowedColor));
}

void TimeTab::seg_Click(int index)
{
    showCell(index, seg[std::size_t(index)].value());
}

void TimeTab::loadDay(int tab)
{
    const Schedule::ReadResult day = Schedule::readDay(m_context.file(Schedule::tabFile(tab)));
    // Colour follows the value here too, so a new day never shows the last one's colours.
    for (int i = 0; i < Schedule::SlotCount; ++i) {
        seg[std::size_t(i)].setValue(day.slots[std::size_t(i)] != 0);
        showCell(i, seg[std::size_t(i)].value());
    }
    // Only a parent at the open panel is told; the hidden load at start-up stays quiet.
    Gtk::Window* shown = windowOf(m_page);
    if (!day.error.empty() && shown && shown->is_visible()) {
        MessageBox::show(shown,
                         day.error + "\n\nThe grid shows every half-hour as allowed. Apply writes "
                                     "the grid to the file.",
                         "Tobrin", MessageBox::Ok, MessageBox::Warning);
    }
}

bool TimeTab::saveDay(int tab)
{
    Schedule::Blocked blocked{};
    for (int i = 0; i < Schedule::SlotCount; ++i)
        blocked[std::size_t(i)] = seg[std::size_t(i)].value();
    const TextFile::WriteResult written =
        Schedule::writeDay(m_context.file(Schedule::tabFile(tab)), blocked);
    if (!written.ok())
        MessageBox::showSaveError(windowOf(m_page), written.error);
    return written.ok();
}

void TimeTab::VideoSoftIndexTab2_Switch(int oldTab, int newTab)
{
    if (saveDay(oldTab)) {
        loadDay(newTab);
        return;
    }
    // The grid still holds the unsaved day: keep its tab selected with it,
    // without running this handler again.
    VideoSoftIndexTab2.setCurrentTab(oldTab, false);
}

void TimeTab::Command7_Click()
{
    saveDay(VideoSoftIndexTab2.currentTab());
}
