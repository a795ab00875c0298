#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "surflog/log_records.h"
#include "surflog/session_log.h"

bool Form1::QuitSequence(bool byCloseRequest)
{
    // A log that cannot be written never keeps the program from ending: the
    // record waits for the next time writing works.
    m_sessionLog->writeEnd(history(),
                           SurfLog::logDateTime(m_context.clock->now(), m_context.codePage),
                           byCloseRequest ? SurfLog::QuitPath::WindowClose
                                          : SurfLog::QuitPath::QuitButton);

    const MessageBox::Button answer =
        MessageBox::show(this, "Are you sure you want to QUIT ?", "Tobrin",
                         MessageBox::Yes | MessageBox::No, MessageBox::Critical, MessageBox::No);
    if (answer != MessageBox::Yes)
        return false;

    // A close request that still arrives while the program ends must not
    // write a second record or ask again.
    m_sessionEnded = true;
    m_sessionLog->quitConfirmed();
    // The stored setting stays as it is, so the next start locks again.
    DesktopLock& lock = panel().Disable1;
    lock.setFirstSwitch(false);
    lock.setSecondSwitch(false);
    m_context.endProgram();
    return true;
}

void Form1::SurfLogBegin()
{
    m_sessionLog->begin();
}

void Form1::SurfLogStart()
{
    m_sessionLog->writeStart(SurfLog::logDateTime(m_context.clock->now(), m_context.codePage));
}

void Form1::VideoSoftElastic6_Click()
{
    if (!m_sessionEnded)
        QuitSequence(false);
}

void Form1::Form_Unload(bool& cancel)
{
    cancel = !m_sessionEnded && !QuitSequence(true);
}
