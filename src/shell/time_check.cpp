#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/web_view.h"
#include "shell/browser_window.h"

namespace {

constexpr unsigned kCheckPeriod = 60000;

} // namespace

void Form1::Timer1_Timer()
{
    // The message box keeps a nested loop going; a tick that arrives
    // meanwhile is skipped so boxes never pile up.
    static bool checkRunning = false;
    if (checkRunning)
        return;
    checkRunning = true;
    struct Done
    {
        ~Done() { checkRunning = false; }
    } done;

    const Glib::DateTime now = m_context.clock->now();
    if (!now) {
        // A clock that cannot tell the time has no half-hour to check, and
        // leaves the page as it was.
        Timer1.setInterval(kCheckPeriod);
        return;
    }
    // The weekday's file as it stands on disk, not the panel's unsaved grid.
    const TimeSlots::Verdict verdict = panel().time().due(now);

    WebBrowser1->set_visible(!verdict.blocked);
    if (!verdict.message.empty()) {
        // While the box is open the first 1 ms period would tick
        // constantly, only to be skipped.
        Timer1.setInterval(kCheckPeriod);
        MessageBox::show(this, verdict.message, "Tobrin", MessageBox::Ok, MessageBox::NoIcon);
    }
    // Counted from now, so the next check comes a full minute after the box closed.
    Timer1.setInterval(kCheckPeriod);
}

void Form1::Form2_TimeControlStopped(bool stopped)
{
    if (stopped) {
        Timer1.stop();
        WebBrowser1->set_visible(true);
        Combo1.set_sensitive(true);
    } else {
        // A whole period from now before the next check.
        Timer1.setInterval(kCheckPeriod);
        Timer1.start();
    }
}
