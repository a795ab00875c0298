#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "platform/clock.h"
#include "platform/desktop_lock.h"
#include "platform/message_box.h"
#include "platform/text_file.h"
#include "surflog/log_records.h"

#include <QComboBox>

namespace {

// A log that cannot be written must never keep the child's browser from
// starting or the program from ending; the record is lost and said so on stderr.
void appendRecord(const Form1& form, const QByteArray& record)
{
    const TextFile::WriteResult written =
        TextFile::appendBytes(form.context().paths.file(AppPaths::Log), record);
    if (!written.ok())
        qWarning("tobrin: the surf log record was not written. %s", qPrintable(written.error));
}

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
    appendRecord(*this, SurfLog::endRecord(history, now(*this),
                                           byCloseRequest ? SurfLog::QuitPath::WindowClose
                                                          : SurfLog::QuitPath::QuitButton,
                                           context().codePage));

    const MessageBox::Button answer =
        MessageBox::show(this, QStringLiteral("Are you sure you want to QUIT ?"),
                         QStringLiteral("Tobrin"), QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::Critical, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;

    // A close request that still arrives while the program ends must not
    // write a second record or ask again.
    m_sessionEnded = true;
    // The stored setting stays as it is, so the next start locks again.
    DesktopLock* lock = panel().Disable1;
    lock->setFirstSwitch(false);
    lock->setSecondSwitch(false);
    context().endProgram();
    return true;
}

void Form1::SurfLogStart()
{
    appendRecord(*this, SurfLog::startRecord(now(*this), context().codePage));
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
