#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/web_view.h"
#include "timecontrol/schedule_file.h"
#include "timecontrol/time_slots.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScopeGuard>
#include <QTimer>

namespace {

constexpr int kCheckPeriod = 60000;

// True while a check runs; its message box keeps a nested event loop going,
// and a tick that arrives meanwhile is skipped so boxes never pile up.
bool g_checkRunning = false;

} // namespace

void Form1::Timer1_Timer()
{
    if (g_checkRunning)
        return;
    g_checkRunning = true;
    const auto done = qScopeGuard([] { g_checkRunning = false; });

    const QDateTime now = m_context.clock->now();
    if (!now.isValid()) {
        // A clock that cannot tell the time has no half-hour to check.
        Timer1->setInterval(kCheckPeriod);
        return;
    }
    const Schedule::Day day =
        Schedule::readDay(m_context.paths.file(Schedule::weekdayFile(now.date().dayOfWeek())))
            .slots;
    const int slot = TimeSlots::currentSlot(now.time());

    if (TimeSlots::isBlocked(day[slot])) {
        WebBrowser1->setVisible(false);
        if (const std::optional<int> allowed = TimeSlots::nextAllowedSlot(day, slot)) {
            // While the box is open the first 1 ms period would tick
            // constantly, only to be skipped.
            Timer1->setInterval(kCheckPeriod);
            MessageBox::show(this, TimeSlots::blockedMessage(*allowed), QStringLiteral("Tobrin"),
                             QMessageBox::Ok, QMessageBox::NoIcon);
        }
    } else {
        WebBrowser1->setVisible(true);
    }
    // Counted from now, so the next check comes a full minute after the box closed.
    Timer1->setInterval(kCheckPeriod);
}

void Form2::Check2_Click()
{
    if (Check2->isChecked()) {
        m_browser.Timer1->stop();
        m_browser.WebBrowser1->setVisible(true);
        m_browser.Combo1->setEnabled(true);
    } else {
        // start() counts a whole period from now before the next check.
        m_browser.Timer1->start();
    }
}
