#include "panel/panel_window.h"
#include "shell/browser_window.h"
#include "shell/clock.h"
#include "shell/desktop_lock.h"
#include "shell/message_box.h"
#include "shell/text_file.h"
#include "surflog/log_records.h"

#include <QComboBox>

namespace {

// Set on the window once a quit was confirmed: the program is ending, and a
// close request that still arrives must not write a second record or ask again.
constexpr char kSessionEnded[] = "tobrinSessionEnded";

bool sessionEnded(const Form1& form)
{
    return form.property(kSessionEnded).toBool();
}

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
    return SurfLog::logDateTime(form.context().clock->now());
}

// Writes the end record, asks, and on Yes ends the program. Returns whether
// the program is ending.
bool runQuitSequence(Form1& form, SurfLog::QuitPath path)
{
    QStringList history;
    for (int i = 0; i < form.Combo1->count(); ++i)
        history << form.Combo1->itemText(i);
    appendRecord(form, SurfLog::endRecord(history, now(form), path));

    const MessageBox::Button answer =
        MessageBox::show(&form, QStringLiteral("Are you sure you want to QUIT ?"),
                         QStringLiteral("Tobrin"), QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::Critical, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;

    form.setProperty(kSessionEnded, true);
    // The stored setting stays as it is, so the next start locks again.
    DesktopLock* lock = form.panel().Disable1;
    lock->setFirstSwitch(false);
    lock->setSecondSwitch(false);
    form.context().endProgram();
    return true;
}

} // namespace

void Form1::SurfLogStart()
{
    appendRecord(*this, SurfLog::startRecord(now(*this)));
}

void Form1::VideoSoftElastic6_Click()
{
    if (sessionEnded(*this))
        return;
    runQuitSequence(*this, SurfLog::QuitPath::QuitButton);
}

void Form1::Form_Unload(bool& cancel)
{
    if (sessionEnded(*this)) {
        cancel = false;
        return;
    }
    cancel = !runQuitSequence(*this, SurfLog::QuitPath::WindowClose);
}
