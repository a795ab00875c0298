#pragma once

#include "platform/code_page.h"
#include "surflog/log_records.h"

#include <sigc++/connection.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class Clock;
class SessionJournal;

// What one session hands the surf log, wherever the log is kept: by this
// program beside it (SessionLog), or by the family service.
class SurfRecords
{
public:
    virtual ~SurfRecords() = default;

    // Before the first navigation: settles what earlier sessions still owe
    // the log and starts this session's records.
    virtual void begin() = 0;
    // Kept before the navigation proceeds, so that it survives a kill.
    virtual void addressAllowed(const std::string& address) = 0;
    virtual void writeStart(const std::string& dateTime) = 0;
    virtual void writeEnd(const std::vector<std::string>& history, const std::string& dateTime,
                          SurfLog::QuitPath path) = 0;
    // The program ends through a quit path: no record of an abnormal end is due.
    virtual void quitConfirmed() = 0;

    // What the parent should hear about the log, once; empty when nothing.
    struct Notice
    {
        std::string text;
        bool error = false; // records still wait, or the journal cannot be kept
    };
    virtual Notice takeNotice() = 0;
};

// The surf log as one session writes it: its records, and what makes sure
// they arrive. Every record goes to the log in one append that either lands
// whole or is taken back; a record that cannot be written is kept, in memory
// and in the session's journal, and goes in first when writing works again.
// The journal also holds the session's allowed addresses, so that a session
// that ends without the quit sequence still reaches the log at the next start.
class SessionLog final : public SurfRecords
{
public:
    // The journals live in the log file's folder.
    SessionLog(std::filesystem::path logFile, const Clock& clock, CodePage page);
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // Before the first navigation: writes what sessions that are over still
    // owe the log, then starts this session's journal and, on the thread's
    // main loop, its heartbeat.
    void begin() override;
    // Writes what sessions that are over still owe the log, without starting
    // a session of its own: for a keeper of several sessions' logs, when one
    // of them ends. What cannot be written yet stays held, for the next call.
    void settle();
    // Whether records, this session's or earlier ones', still wait.
    bool owes() const { return !m_earlier.empty() || !m_pending.empty(); }
    // Kept before the navigation proceeds: written, not yet forced to the disk,
    // so it survives a kill or a crash; a power cut may lose the last seconds.
    void addressAllowed(const std::string& address) override;
    void writeStart(const std::string& dateTime) override;
    void writeEnd(const std::vector<std::string>& history, const std::string& dateTime,
                  SurfLog::QuitPath path) override;
    void quitConfirmed() override;
    Notice takeNotice() override;

    // Runs once a minute: marks the session as still running and retries
    // records that wait.
    void heartbeat();

private:
    void record(const std::string& bytes, const std::string& journalLine);
    // Everything owed, in one append.
    bool flush();
    // Takes off the end of the log the piece of bytes that a write begun at
    // offset left when a kill cut it short.
    void cutBack(std::int64_t offset, const std::string& bytes);
    void journal(const std::string& lines);
    bool inLog(std::int64_t offset, std::int64_t length, std::string_view sha1) const;

    struct Debt
    {
        std::unique_ptr<SessionJournal> journal; // an earlier session's
        std::string bytes;
    };

    std::filesystem::path m_logFile;
    const Clock& m_clock;
    CodePage m_page;
    std::unique_ptr<SessionJournal> m_journal;
    std::string m_journalError;  // why this session has no journal, or not all of it
    std::string m_unjournaled;   // lines the journal could not take yet
    std::vector<Debt> m_earlier; // what sessions that are over still owe, oldest first
    std::string m_pending;       // this session's records not yet in the log
    std::string m_writeError;    // why the last record could not be written
    bool m_lateOwed = false;     // records that missed their moment still wait
    enum class Tell
    {
        Nothing,
        Kept,
        WrittenLate
    } m_tell = Tell::Nothing;
    bool m_journalErrorTold = false;
    sigc::connection m_heartbeat;
};
