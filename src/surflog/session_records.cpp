#include "panel/panel_window.h"
#include "platform/clock.h"
#include "platform/desktop_lock.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "surflog/log_records.h"
#include "surflog/session_log.h"

#include <QComboBox>

namespace {

QString now(const Form1& form)
{
    return SurfLog::logDateTime(form.context().clock->now(), form.context().codePage);
}

} // namespace

bool Form1::QuitSequence(bool byCloseRequest)
{
    QStringList history;
    for (int i = 0; i < Combo1->count(); ++i)
        history << Combo1->itemText(i);
    // A log that cannot be written never keeps the program from ending: the
    // record waits for the next time writing works.
    m_sessionLog->writeEnd(history, now(*this),
                           byCloseRequest ? SurfLog::QuitPath::WindowClose
                                          : SurfLog::QuitPath::QuitButton);

    const MessageBox::Button answer =
        MessageBox::show(this, QStringLiteral("Are you sure you want to QUIT ?"),
                         QStringLiteral("Tobrin"), QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::Critical, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;

    // A close request that still arrives while the program ends must not
    // write a second record or ask again.
    m_sessionEnded = true;
    m_sessionLog->quitConfirmed();
    // The stored setting stays as it is, so the next start locks again.
    DesktopLock* lock = panel().Disable1;
    lock->setFirstSwitch(false);
    lock->setSecondSwitch(false);
    context().endProgram();
    return true;
}

void Form1::SurfLogBegin()
{
    m_sessionLog->begin();
    // Every address the history gains is kept before its navigation goes on.
    connect(Combo1->model(), &QAbstractItemModel::rowsInserted, m_sessionLog,
            [this](const QModelIndex&, int first, int last) {
                for (int i = first; i <= last; ++i)
                    m_sessionLog->addressAllowed(Combo1->itemText(i));
            });
}

void Form1::SurfLogStart()
{
    m_sessionLog->writeStart(now(*this));
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
