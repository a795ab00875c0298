#include "surflog/session_log.h"

#include "platform/clock.h"
#include "platform/text_file.h"
#include "surflog/session_journal.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kHeartbeatMs = 60000;

} // namespace

SessionLog::SessionLog(const AppContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    m_heartbeat.setInterval(kHeartbeatMs);
    connect(&m_heartbeat, &QTimer::timeout, this, &SessionLog::heartbeat);
}

SessionLog::~SessionLog() = default;

QString SessionLog::logPath() const
{
    return m_context.paths.file(AppPaths::Log);
}

void SessionLog::begin()
{
    const QString folder = QFileInfo(logPath()).path();
    for (std::unique_ptr<SessionJournal>& earlier : SessionJournal::takeOver(folder)) {
        const SessionJournal::Owed owed =
            SessionJournal::owed(earlier->contents(),
                                 SurfLog::logDateTime(earlier->lastSeen(), m_context.codePage),
                                 [this](qint64 offset, qint64 length, QByteArrayView sha1) {
                                     return inLog(offset, length, sha1);
                                 },
                                 m_context.codePage);
        m_lateOwed = m_lateOwed || owed.late;
        cutBack(owed.cutAt, owed.cut);
        if (owed.bytes.isEmpty())
            earlier->remove();
        else
            m_earlier.push_back({std::move(earlier), owed.bytes});
    }
    if (!m_earlier.empty())
        flush();

    QString error;
    m_journal = SessionJournal::create(folder, &error);
    if (!m_journal)
        m_journalError = error;
    m_heartbeat.start();
}

void SessionLog::addressAllowed(const QString& address)
{
    journal(SessionJournal::addressLine(address));
}

void SessionLog::writeStart(const QString& dateTime)
{
    record(SurfLog::startRecord(dateTime, m_context.codePage), SessionJournal::startLine(dateTime));
}

void SessionLog::writeEnd(const QStringList& history, const QString& dateTime,
                          SurfLog::QuitPath path)
{
    record(SurfLog::endRecord(history, dateTime, path, m_context.codePage),
           SessionJournal::endLine(SurfLog::separatorLength(path), int(history.size()), dateTime));
}

void SessionLog::record(const QByteArray& bytes, const QByteArray& journalLine)
{
    // Noted before it is written, so neither a kill in the middle of the
    // write nor a full disk can lose it.
    m_pending += bytes;
    journal(journalLine);
    flush();
}

void SessionLog::quitConfirmed()
{
    m_heartbeat.stop();
    if (!m_journal)
        return;
    if (m_earlier.empty() && m_pending.isEmpty()) {
        m_journal->remove();
        m_journal.reset();
    } else {
        journal(SessionJournal::markLine('Q')); // what waits goes in at the next start
    }
}

void SessionLog::heartbeat()
{
    if (!m_unjournaled.isEmpty())
        journal(QByteArray());
    if (!m_earlier.empty() || !m_pending.isEmpty())
        flush();
    if (m_journal)
        m_journal->touch(m_context.clock->now());
}

bool SessionLog::flush()
{
    const QString path = logPath();
    // Each journal first notes where its records are going, so that a start
    // after a kill in the middle of this append can tell whether they arrived.
    const qint64 at = QFileInfo(path).size();
    QByteArray bytes;
    for (Debt& debt : m_earlier) {
        QString ignored;
        const QDateTime lastSeen = debt.journal->lastSeen();
        debt.journal->append(SessionJournal::writingLine('R', at + bytes.size(), debt.bytes),
                             &ignored);
        // The record it owes names this time; it must read the same if it is
        // made again.
        debt.journal->touch(lastSeen);
        bytes += debt.bytes;
    }
    if (!m_pending.isEmpty()) {
        journal(SessionJournal::writingLine('P', at + bytes.size(), m_pending));
        bytes += m_pending;
    }

    const TextFile::WriteResult written = TextFile::appendBytes(path, bytes);
    if (!written.ok()) {
        m_writeError = written.error;
        m_tell = Tell::Kept;
        m_lateOwed = true;
        return false;
    }
    for (Debt& debt : m_earlier)
        debt.journal->remove();
    m_earlier.clear();
    if (!m_pending.isEmpty()) {
        m_pending.clear();
        journal(SessionJournal::markLine('W'));
    }
    if (m_lateOwed) {
        m_lateOwed = false;
        m_tell = Tell::WrittenLate;
    }
    return true;
}

void SessionLog::cutBack(qint64 at, const QByteArray& bytes)
{
    const qint64 size = QFileInfo(logPath()).size();
    if (at < 0 || size <= at || size >= at + bytes.size())
        return;
    QFile file(logPath());
    if (file.open(QIODevice::ReadWrite) && file.seek(at) &&
        file.read(size - at) == QByteArrayView(bytes).first(size - at))
        file.resize(at);
}

void SessionLog::journal(const QByteArray& lines)
{
    if (!m_journal)
        return;
    // Lines that could not be written go first next time, so the journal
    // keeps its order once writing works again.
    QString error;
    if (m_unjournaled.isEmpty()) {
        if (m_journal->append(lines, &error))
            return;
        m_unjournaled = lines;
    } else {
        m_unjournaled += lines;
        if (m_journal->append(m_unjournaled, &error)) {
            m_unjournaled.clear();
            return;
        }
    }
    if (m_journalError.isEmpty())
        m_journalError = error;
}

bool SessionLog::inLog(qint64 offset, qint64 length, QByteArrayView sha1) const
{
    QFile file(logPath());
    if (offset < 0 || length < 0 || !file.open(QIODevice::ReadOnly) ||
        file.size() < offset + length || !file.seek(offset))
        return false;
    const QByteArray bytes = file.read(length);
    return bytes.size() == length &&
           QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex() == sha1;
}

SessionLog::Notice SessionLog::takeNotice()
{
    Notice notice;
    QStringList parts;
    if (m_tell == Tell::Kept) {
        notice.error = true;
        parts << QStringLiteral("Some records of the surf log could not be written.\n\n%1\n\n"
                                "They are kept, and go into the log as soon as it can be "
                                "written again.")
                     .arg(m_writeError);
    } else if (m_tell == Tell::WrittenLate) {
        parts << QStringLiteral("Some records of the surf log could not be written when they "
                                "were made. They have since been added to the log.");
    }
    m_tell = Tell::Nothing;
    if (!m_journalError.isEmpty() && !m_journalErrorTold) {
        notice.error = true;
        m_journalErrorTold = true;
        parts << m_journalError +
                     QStringLiteral("\n\nIf the browser ends other than through its ON button or "
                                    "by closing its window, the addresses visited since may be "
                                    "missing from the surf log.");
    }
    notice.text = parts.join(QStringLiteral("\n\n"));
    return notice;
}
