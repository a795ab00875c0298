#pragma once

#include "shell/app_context.h"
#include "surflog/log_records.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class SessionJournal;

// The surf log as one session writes it: its records, and what makes sure
// they arrive. Every record goes to the log in one append that either lands
// whole or is taken back; a record that cannot be written is kept, in memory
// and in the session's journal, and goes in first when writing works again.
// The journal also holds the session's allowed addresses, so that a session
// that ends without the quit sequence still reaches the log at the next start.
class SessionLog : public QObject
{
    Q_OBJECT
public:
    explicit SessionLog(const AppContext& context, QObject* parent = nullptr);
    ~SessionLog() override;

    // Before the first navigation: writes what sessions that are over still
    // owe the log, then starts this session's journal.
    void begin();
    // Kept before the navigation proceeds: written, not yet forced to the disk,
    // so it survives a kill or a crash; a power cut may lose the last seconds.
    void addressAllowed(const QString& address);
    void writeStart(const QString& dateTime);
    void writeEnd(const QStringList& history, const QString& dateTime, SurfLog::QuitPath path);
    // The program ends through a quit path: no record of an abnormal end is due.
    void quitConfirmed();

    // What the parent should hear about the log, once; empty when nothing.
    struct Notice
    {
        QString text;
        bool error = false; // records still wait, or the journal cannot be kept
    };
    Notice takeNotice();

    // Runs once a minute: marks the session as still running and retries
    // records that wait.
    void heartbeat();

private:
    void record(const QByteArray& bytes, const QByteArray& journalLine);
    // Everything owed, in one append.
    bool flush();
    // Takes off the end of the log the piece of bytes that a write begun at
    // offset left when a kill cut it short.
    void cutBack(qint64 offset, const QByteArray& bytes);
    void journal(const QByteArray& lines);
    bool inLog(qint64 offset, qint64 length, QByteArrayView sha1) const;
    QString logPath() const;

    struct Debt
    {
        std::unique_ptr<SessionJournal> journal; // an earlier session's
        QByteArray bytes;
    };

    AppContext m_context;
    std::unique_ptr<SessionJournal> m_journal;
    QString m_journalError;      // why this session has no journal, or not all of it
    QByteArray m_unjournaled;    // lines the journal could not take yet
    std::vector<Debt> m_earlier; // what sessions that are over still owe, oldest first
    QByteArray m_pending;        // this session's records not yet in the log
    QString m_writeError;        // why the last record could not be written
    bool m_lateOwed = false;     // records that missed their moment still wait
    enum class Tell
    {
        Nothing,
        Kept,
        WrittenLate
    } m_tell = Tell::Nothing;
    bool m_journalErrorTold = false;
    QTimer m_heartbeat;
};
