#pragma once

#include "platform/code_page.h"

#include <glibmm/datetime.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a running session keeps on disk so that the surf log still gets its
// records when the session ends without the quit sequence (a kill, a crash,
// a power cut, the desktop session closing): a journal in the installation's
// files folder, files/session.jnl (a second browser running at the same time
// takes files/session2.jnl, and so on).
//
// The journal is UTF-8 text, one entry a line, each a letter, a space and
// its values, ending CR LF:
//   A <address>                  an address the session allowed, in the
//                                order of the history, each once
//   S <date-time>                a start record, noted before it is written
//   E <bars> <count> <date-time> an end record listing the first <count>
//                                addresses, noted before it is written
//   P <offset> <length> <sha1>   the records noted above since the last 'W'
//                                are being appended to the log at <offset>
//   W                            every record above is in the log
//   Q                            the quit was confirmed: no record of an
//                                abnormal end is due
//   R <offset> <length> <sha1>   a later start was appending everything the
//                                journal owes at <offset> of the log
// A start that finds the write a 'P' or 'R' line names cut short by a kill
// takes its piece off the end of the log before writing the records whole.
// A last line without its CR LF was cut short by the end and is ignored. The
// file's modification time is when the session was last seen running: every
// line and a heartbeat once a minute set it.
//
// Each journal stays locked by its browser while it runs; the system drops
// the lock however the process ends, so a journal nobody holds belongs to a
// session that is over.
class SessionJournal
{
public:
    ~SessionJournal(); // unlocks; the file stays for the next start
    SessionJournal(const SessionJournal&) = delete;
    SessionJournal& operator=(const SessionJournal&) = delete;

    // A new, empty journal held by this process; null, with a sentence for
    // the parent in error, when none can be made.
    static std::unique_ptr<SessionJournal> create(const std::filesystem::path& folder, std::string* error);
    // The journals in folder whose sessions are over, now held by this
    // process, the one last seen earliest first.
    static std::vector<std::unique_ptr<SessionJournal>> takeOver(const std::filesystem::path& folder);
    // Whether a browser that is still running holds a journal in folder.
    static bool anyHeld(const std::filesystem::path& folder);

    const std::filesystem::path& path() const { return m_path; }
    // What the journal held when it was taken over.
    const std::string& contents() const { return m_contents; }
    const Glib::DateTime& lastSeen() const { return m_lastSeen; }

    // Appends in one write; on failure nothing of it stays in the file.
    bool append(std::string_view bytes, std::string* error);
    // Sets the time the session was last seen running.
    void touch(const Glib::DateTime& moment);
    // Deletes the file; nothing is appended afterwards.
    void remove();

    // --- the entries ----------------------------------------------------------
    static std::string addressLine(const std::string& address);
    static std::string startLine(const std::string& dateTime);
    static std::string endLine(int bars, std::size_t count, const std::string& dateTime);
    // 'P' or 'R' for bytes about to be appended at offset of the log.
    static std::string writingLine(char letter, std::int64_t offset, std::string_view bytes);
    static std::string markLine(char letter); // 'W' or 'Q'
    // The SHA-1 of bytes in lower-case hexadecimal, as the entries name it.
    static std::string sha1(std::string_view bytes);

    // Whether the log holds bytes of this length and SHA-1 at offset.
    using InLog = std::function<bool(std::int64_t offset, std::int64_t length, std::string_view sha1)>;
    struct Owed
    {
        std::string bytes; // the log records owed, in order
        bool late = false; // some could not be written when they were made
        // A write that a kill may have cut short: where it began, and the
        // bytes it was writing.
        std::int64_t cutAt = -1;
        std::string cut;
    };
    // What the log is still owed by a journal whose session is over: its
    // records not yet written, then, unless the quit was confirmed, the end
    // record of an abnormal end listing every address it allowed.
    static Owed owed(std::string_view journal, const std::string& lastSeen, const InLog& inLog,
                     const CodePage& page);

private:
    SessionJournal(std::filesystem::path path, int fd) : m_path(std::move(path)), m_fd(fd) {}

    std::filesystem::path m_path;
    int m_fd = -1;
    std::string m_contents;
    Glib::DateTime m_lastSeen;
    std::int64_t m_lastSeenNs = 0; // the same, to order journals by
};
