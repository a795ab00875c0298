#include "timecontrol/time_tab.h"

#include "shell/browser_window.h"
#include "platform/colors.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// Colour values of a cell: red for blocked, blue for allowed.
constexpr qint64 kBlockedColor = 0xFF;
constexpr qint64 kAllowedColor = 0xFF0000;

// Cell i sits in column i div 24 and row i mod 24 of Picture1.
QRect cellRect(int index)
{
    const int column = index / 24;
    const int row = index % 24;
    return twipsRect(column == 0 ? 675 : 1125, 75 + 150 * row, 390, 165);
}

QString slotStart(int slot)
{
    return QStringLiteral("%1:%2").arg(slot / 2).arg(slot % 2 == 0 ? "00" : "30");
}

} // namespace

TimeTab::TimeTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
    setObjectName(QStringLiteral("TimeTab"));

    VideoSoftIndexTab2 = new IndexTab(this);
    VideoSoftIndexTab2->setObjectName(QStringLiteral("VideoSoftIndexTab2"));
    VideoSoftIndexTab2->setSharedPage(true);
    VideoSoftIndexTab2->setCaptions(QStringLiteral("Mon|Tue|Wed|Thu|Fri|Sat|Sun"));
    VideoSoftIndexTab2->setGeometry(twipsRect(120, 60, 5280, 4260));
    connect(VideoSoftIndexTab2, &IndexTab::Switch, this, &TimeTab::VideoSoftIndexTab2_Switch);

    Picture1 = new QWidget(VideoSoftIndexTab2->page(0));
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(60, 60, 2085, 3780));
    buildGrid();

    Label3 = new QLabel(QStringLiteral("Select the times you want TOBRIN to stop surfing"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label3->setGeometry(twipsRect(5520, 240, 1620, 900));

    Command7 = new QPushButton(QStringLiteral("&Apply"), this);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command7->setGeometry(twipsRect(5640, 3840, 1455, 375));
    Command7->setAutoDefault(false);
    connect(Command7, &QPushButton::clicked, this, &TimeTab::Command7_Click);
}

void TimeTab::buildGrid()
{
    QFont small = font();
    small.setPixelSize(9);
    for (int i = 0; i < Schedule::SlotCount; ++i) {
        auto* cell = new ElasticPanel(Picture1);
        cell->setObjectName(QStringLiteral("seg"));
        cell->setProperty("index", i);
        cell->setGeometry(cellRect(i));
        cell->setClickable(true);
        cell->setToggles(true);
        cell->setBackColor(ColorValue::toColor(kAllowedColor));
        cell->setToolTip(QStringLiteral("%1 to %2:%3")
                             .arg(slotStart(i))
                             .arg(i / 2)
                             .arg(i % 2 == 0 ? "29" : "59"));
        connect(cell, &ElasticPanel::clicked, this, [this, i] { seg_Click(i); });
        seg[i] = cell;
    }
    for (int k = 0; k < int(Label2.size()); ++k) {
        auto* label = new QLabel(slotStart(2 * k), Picture1);
        label->setObjectName(QStringLiteral("Label2"));
        label->setProperty("index", k);
        label->setFont(small);
        const QRect cell = cellRect(2 * k);
        const bool left = k < 12;
        label->setGeometry(twips(left ? 225 : 1500), cell.top(), twips(465), cell.height());
        // Each hour reads close to its own cell.
        label->setAlignment((left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        label->setContentsMargins(left ? 0 : 3, 0, left ? 3 : 0, 0);
        Label2[k] = label;
    }
}

void TimeTab::load()
{
    loadDay(0);
}

void TimeTab::showCell(int index, bool blocked)
{
    seg[index]->setBackColor(ColorValue::toColor(blocked ? kBlockedColor : kAllowedColor));
}

void TimeTab::seg_Click(int index)
{
    showCell(index, seg[index]->value());
}

void TimeTab::loadDay(int tab)
{
    const Schedule::ReadResult day =
        Schedule::readDay(m_context.paths.file(Schedule::tabFile(tab)));
    // Colour follows the value here too, so a new day never shows the last one's colours.
    for (int i = 0; i < Schedule::SlotCount; ++i) {
        seg[i]->setValue(day.slots[i] != 0);
        showCell(i, seg[i]->value());
    }
    // Only a parent at the open panel is told; the hidden load at start-up stays quiet.
    if (!day.error.isEmpty() && window()->isVisible()) {
        MessageBox::show(this,
                         day.error + QStringLiteral("\n\nThe grid shows every half-hour as "
                                                    "allowed. Apply writes the grid to the file."),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Warning);
    }
}

bool TimeTab::saveDay(int tab)
{
    Schedule::Blocked blocked{};
    for (int i = 0; i < Schedule::SlotCount; ++i)
        blocked[i] = seg[i]->value();
    const TextFile::WriteResult written =
        Schedule::writeDay(m_context.paths.file(Schedule::tabFile(tab)), blocked);
    if (!written.ok())
        MessageBox::showSaveError(this, written.error);
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
    const QSignalBlocker quiet(VideoSoftIndexTab2);
    VideoSoftIndexTab2->setCurrentTab(oldTab);
}

void TimeTab::Command7_Click()
{
    saveDay(VideoSoftIndexTab2->currentTab());
}
