#include "surflog/session_log.h"

#include "platform/clock.h"
#include "platform/text_file.h"
#include "surflog/session_journal.h"

#include <glibmm/main.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned kHeartbeatSeconds = 60;

std::int64_t fileSize(const std::filesystem::path& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? std::int64_t(info.st_size) : 0;
}

// Exactly length bytes at offset, or fewer when the file ends or fails.
std::string readAt(int fd, std::int64_t offset, std::int64_t length)
{
    std::string bytes(std::size_t(length), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

} // namespace

SessionLog::SessionLog(std::filesystem::path logFile, const Clock& clock, CodePage page)
    : m_logFile(std::move(logFile)), m_clock(clock), m_page(std::move(page))
{
}

SessionLog::~SessionLog()
{
    m_heartbeat.disconnect();
}

void SessionLog::settle()
{
    for (std::unique_ptr<SessionJournal>& earlier : SessionJournal::takeOver(m_logFile.parent_path())) {
        const SessionJournal::Owed owed = SessionJournal::owed(
            earlier->contents(), SurfLog::logDateTime(earlier->lastSeen(), m_page),
            [this](std::int64_t offset, std::int64_t length, std::string_view sha1) {
                return inLog(offset, length, sha1);
            },
            m_page);
        m_lateOwed = m_lateOwed || owed.late;
        cutBack(owed.cutAt, owed.cut);
        if (owed.bytes.empty())
            earlier->remove();
        else
            m_earlier.push_back({std::move(earlier), owed.bytes});
    }
    if (owes())
        flush();
}

void SessionLog::begin()
{
    settle();
    const std::filesystem::path folder = m_logFile.parent_path();
    std::string error;
    m_journal = SessionJournal::create(folder, &error);
    if (!m_journal)
        m_journalError = error;
    m_heartbeat.disconnect();
    m_heartbeat = Glib::signal_timeout().connect_seconds(
        [this] {
            heartbeat();
            return true;
        },
        kHeartbeatSeconds);
}

void SessionLog::addressAllowed(const std::string& address)
{
    journal(SessionJournal::addressLine(address));
}

void SessionLog::writeStart(const std::string& dateTime)
{
    record(SurfLog::startRecord(dateTime, m_page), SessionJournal::startLine(dateTime));
}

void SessionLog::writeEnd(const std::vector<std::string>& history, const std::string& dateTime,
                          SurfLog::QuitPath path)
{
    record(SurfLog::endRecord(history, dateTime, path, m_page),
           SessionJournal::endLine(SurfLog::separatorLength(path), history.size(), dateTime));
}

void SessionLog::record(const std::string& bytes, const std::string& journalLine)
{
    // Noted before it is written, so neither a kill in the middle of the
    // write nor a full disk can lose it.
    m_pending += bytes;
    journal(journalLine);
    flush();
}

void SessionLog::quitConfirmed()
{
    m_heartbeat.disconnect();
    if (!m_journal)
        return;
    if (m_earlier.empty() && m_pending.empty()) {
        m_journal->remove();
        m_journal.reset();
    } else {
        journal(SessionJournal::markLine('Q')); // what waits goes in at the next start
    }
}

void SessionLog::heartbeat()
{
    if (!m_unjournaled.empty())
        journal({});
    if (!m_earlier.empty() || !m_pending.empty())
        flush();
    if (m_journal)
        m_journal->touch(m_clock.now());
}

bool SessionLog::flush()
{
    // Each journal first notes where its records are going, so that a start
    // after a kill in the middle of this append can tell whether they arrived.
    const std::int64_t at = fileSize(m_logFile);
    std::string bytes;
    for (Debt& debt : m_earlier) {
        std::string ignored;
        const Glib::DateTime lastSeen = debt.journal->lastSeen();
        debt.journal->append(SessionJournal::writingLine('R', at + std::int64_t(bytes.size()), debt.bytes),
                             &ignored);
        // The record it owes names this time; it must read the same if it is
        // made again.
        debt.journal->touch(lastSeen);
        bytes += debt.bytes;
    }
    if (!m_pending.empty()) {
        journal(SessionJournal::writingLine('P', at + std::int64_t(bytes.size()), m_pending));
        bytes += m_pending;
    }

    const TextFile::WriteResult written = TextFile::appendBytes(m_logFile, bytes);
    if (!written.ok()) {
        m_writeError = written.error;
        m_tell = Tell::Kept;
        m_lateOwed = true;
        return false;
    }
    for (Debt& debt : m_earlier)
        debt.journal->remove();
    m_earlier.clear();
    if (!m_pending.empty()) {
        m_pending.clear();
        journal(SessionJournal::markLine('W'));
    }
    if (m_lateOwed) {
        m_lateOwed = false;
        m_tell = Tell::WrittenLate;
    }
    return true;
}

void SessionLog::cutBack(std::int64_t at, const std::string& bytes)
{
    const std::int64_t size = fileSize(m_logFile);
    if (at < 0 || size <= at || size >= at + std::int64_t(bytes.size()))
        return;
    const int fd = ::open(m_logFile.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return;
    // Only a piece that is the start of what was being written goes.
    if (readAt(fd, at, size - at) == std::string_view(bytes).substr(0, std::size_t(size - at)))
        [[maybe_unused]] const int ignored = ::ftruncate(fd, off_t(at));
    ::close(fd);
}

void SessionLog::journal(const std::string& lines)
{
    if (!m_journal)
        return;
    // Lines that could not be written go first next time, so the journal
    // keeps its order once writing works again.
    std::string error;
    if (m_unjournaled.empty()) {
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
    if (m_journalError.empty())
        m_journalError = error;
}

bool SessionLog::inLog(std::int64_t offset, std::int64_t length, std::string_view sha1) const
{
    const std::int64_t size = fileSize(m_logFile);
    if (offset < 0 || length < 0 || offset > size || length > size - offset)
        return false;
    const int fd = ::open(m_logFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string bytes = readAt(fd, offset, length);
    ::close(fd);
    return std::int64_t(bytes.size()) == length && SessionJournal::sha1(bytes) == sha1;
}

SessionLog::Notice SessionLog::takeNotice()
{
    Notice notice;
    std::vector<std::string> parts;
    if (m_tell == Tell::Kept) {
        notice.error = true;
        parts.push_back("Some records of the surf log could not be written.\n\n" + m_writeError +
                        "\n\nThey are kept, and go into the log as soon as it can be written again.");
    } else if (m_tell == Tell::WrittenLate) {
        parts.push_back("Some records of the surf log could not be written when they were made. "
                        "They have since been added to the log.");
    }
    m_tell = Tell::Nothing;
    if (!m_journalError.empty() && !m_journalErrorTold) {
        notice.error = true;
        m_journalErrorTold = true;
        parts.push_back(m_journalError +
                        "\n\nIf the browser ends other than through its ON button or by closing its "
                        "window, the addresses visited since may be missing from the surf log.");
    }
    for (const std::string& part : parts)
        notice.text += (notice.text.empty() ? "" : "\n\n") + part;
    return notice;
}
