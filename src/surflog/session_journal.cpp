#include "surflog/session_journal.h"

#include "surflog/log_records.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fnmatch.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string writeError(const std::filesystem::path& path, int error)
{
    return "The file \"" + path.string() + "\" could not be written: " + g_strerror(error) + ".";
}

// files/session.jnl, then files/session2.jnl and on for browsers running at once.
std::filesystem::path journalPath(const std::filesystem::path& folder, int n)
{
    return folder / (n == 1 ? std::string("session.jnl") : "session" + std::to_string(n) + ".jnl");
}

int openHeld(const std::filesystem::path& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_RDWR | O_APPEND | O_CLOEXEC, 0666);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string readAll(int fd)
{
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(buffer, std::size_t(n));
    }
}

// The journals and the ones being made, by name, in name order.
std::vector<std::filesystem::path> journalFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (it->is_directory(ignored))
            continue;
        if (::fnmatch("session*.jnl", name.c_str(), 0) == 0 ||
            ::fnmatch("session.jnl.*.new", name.c_str(), 0) == 0)
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A whole field as a number, nothing before or after it.
template <typename Number> bool parse(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t space = text.find(' ', start);
        parts.push_back(text.substr(start, space - start));
        if (space == std::string_view::npos)
            return parts;
        start = space + 1;
    }
}

} // namespace

SessionJournal::~SessionJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<SessionJournal> SessionJournal::create(const std::filesystem::path& folder, std::string* error)
{
    // Made under a name of its own and locked first, then linked to a free
    // journal name: a browser starting at the same moment never finds it
    // unlocked and takes it for the journal of a session that is over.
    const std::filesystem::path made = folder / ("session.jnl." + std::to_string(::getpid()) + ".new");
    ::unlink(made.c_str()); // left by an earlier process of the same number
    const int fd = openHeld(made, O_CREAT | O_EXCL);
    if (fd < 0) {
        *error = writeError(made, errno);
        return nullptr;
    }
    bool linkable = true;
    for (int n = 1; n < 1000; ++n) {
        const std::filesystem::path path = journalPath(folder, n);
        if (linkable) {
            if (::link(made.c_str(), path.c_str()) == 0) {
                ::unlink(made.c_str());
                return std::unique_ptr<SessionJournal>(new SessionJournal(path, fd));
            }
            if (errno == EEXIST)
                continue;
            // A file system without hard links: the name itself, unlocked for
            // a moment.
            linkable = false;
            ::close(fd);
            ::unlink(made.c_str());
        }
        const int direct = openHeld(path, O_CREAT | O_EXCL);
        if (direct >= 0)
            return std::unique_ptr<SessionJournal>(new SessionJournal(path, direct));
        if (errno != EEXIST) {
            *error = writeError(path, errno);
            return nullptr;
        }
    }
    if (linkable) {
        ::close(fd);
        ::unlink(made.c_str());
    }
    *error = writeError(journalPath(folder, 1), EEXIST);
    return nullptr;
}

std::vector<std::unique_ptr<SessionJournal>> SessionJournal::takeOver(const std::filesystem::path& folder)
{
    std::vector<std::unique_ptr<SessionJournal>> taken;
    for (const std::filesystem::path& path : journalFiles(folder)) {
        const int fd = openHeld(path, 0);
        if (fd < 0)
            continue; // held: that browser still runs
        struct stat info;
        if (::fstat(fd, &info) != 0 || info.st_nlink == 0) {
            ::close(fd); // another start took it over and removed it meanwhile
            continue;
        }
        std::unique_ptr<SessionJournal> journal(new SessionJournal(path, fd));
        if (path.extension() == ".new") {
            journal->remove(); // a journal being made when its browser ended
            continue;
        }
        journal->m_contents = readAll(fd);
        journal->m_lastSeenNs = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        journal->m_lastSeen = Glib::DateTime::create_now_local(gint64(info.st_mtim.tv_sec))
                                  .add(Glib::TimeSpan(info.st_mtim.tv_nsec / 1000));
        taken.push_back(std::move(journal));
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [](const auto& a, const auto& b) { return a->m_lastSeenNs < b->m_lastSeenNs; });
    return taken;
}

bool SessionJournal::anyHeld(const std::filesystem::path& folder)
{
    for (const std::filesystem::path& path : journalFiles(folder)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return true;
    }
    return false;
}

bool SessionJournal::append(std::string_view bytes, std::string* error)
{
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0) {
        *error = writeError(m_path, m_fd < 0 ? EBADF : errno);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int reason = n < 0 ? errno : ENOSPC;
            // A line cut short would glue itself to the next one.
            if (done > 0) {
                [[maybe_unused]] const int ignored = ::ftruncate(m_fd, info.st_size);
            }
            *error = writeError(m_path, reason);
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

void SessionJournal::touch(const Glib::DateTime& moment)
{
    if (m_fd < 0 || !moment)
        return;
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {time_t(moment.to_unix()), long(moment.get_microsecond()) * 1000}};
    ::futimens(m_fd, times);
}

void SessionJournal::remove()
{
    if (m_fd < 0)
        return;
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
}

std::string SessionJournal::addressLine(const std::string& address)
{
    // One entry a line: a line break inside an address is kept encoded.
    std::string line = "A ";
    for (const char c : address)
        line += c == '\r' ? "%0D" : c == '\n' ? "%0A" : std::string(1, c);
    return line + "\r\n";
}

std::string SessionJournal::startLine(const std::string& dateTime)
{
    return "S " + dateTime + "\r\n";
}

std::string SessionJournal::endLine(int bars, std::size_t count, const std::string& dateTime)
{
    return "E " + std::to_string(bars) + ' ' + std::to_string(count) + ' ' + dateTime + "\r\n";
}

std::string SessionJournal::sha1(std::string_view bytes)
{
    gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_SHA1, reinterpret_cast<const guchar*>(bytes.data()),
                                             bytes.size());
    std::string text(hex);
    g_free(hex);
    return text;
}

std::string SessionJournal::writingLine(char letter, std::int64_t offset, std::string_view bytes)
{
    return std::string(1, letter) + ' ' + std::to_string(offset) + ' ' + std::to_string(bytes.size()) +
           ' ' + sha1(bytes) + "\r\n";
}

std::string SessionJournal::markLine(char letter)
{
    return std::string(1, letter) + "\r\n";
}

SessionJournal::Owed SessionJournal::owed(std::string_view journal, const std::string& lastSeen,
                                          const InLog& inLog, const CodePage& page)
{
    std::vector<std::string> history;
    std::set<std::string, std::less<>> seen;
    std::string pending;
    bool quit = false;
    Owed result;
    // Whether the log holds what a 'P' or 'R' line names where it was going;
    // if not, the bytes that write may have left a piece of.
    auto written = [&](std::string_view line, const std::string& covered) {
        const std::vector<std::string_view> values = split(line);
        std::int64_t offset = 0, length = 0;
        if (values.size() != 4 || !parse(values[1], offset) || !parse(values[2], length))
            return false;
        result.cutAt = offset;
        result.cut = covered;
        if (!inLog(offset, length, values[3]))
            return false;
        result.cutAt = -1;
        return true;
    };
    auto abnormal = [&] {
        return quit ? std::string() : SurfLog::abnormalEndRecord(history, lastSeen, page);
    };
    for (std::size_t start = 0;;) {
        const std::size_t end = journal.find('\n', start);
        if (end == std::string_view::npos)
            break; // none, or a last line cut short
        std::string_view line = journal.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::string_view rest = line.substr(std::min<std::size_t>(2, line.size()));
        switch (line[0]) {
        case 'A':
            if (seen.find(rest) == seen.end()) {
                seen.emplace(rest);
                history.emplace_back(rest);
            }
            break;
        case 'S':
            pending += SurfLog::startRecord(std::string(rest), page);
            break;
        case 'E': {
            const std::vector<std::string_view> values = split(rest);
            long long count = 0;
            if (values.size() < 3 || !parse(values[1], count))
                break;
            const SurfLog::QuitPath path =
                values[0] == "54" ? SurfLog::QuitPath::WindowClose : SurfLog::QuitPath::QuitButton;
            const std::string dateTime(rest.substr(values[0].size() + values[1].size() + 2));
            const std::size_t listed = std::size_t(std::clamp<long long>(count, 0, (long long)history.size()));
            pending += SurfLog::endRecord({history.begin(), history.begin() + std::ptrdiff_t(listed)},
                                          dateTime, path, page);
            break;
        }
        case 'P':
            if (written(line, pending))
                pending.clear();
            break;
        case 'W':
            pending.clear();
            result.cutAt = -1;
            break;
        case 'Q':
            quit = true;
            break;
        case 'R':
            if (written(line, pending + abnormal()))
                return {};
            break;
        default:
            break; // not an entry: the zeros a power cut may leave
        }
    }
    result.late = !pending.empty();
    result.bytes = pending + abnormal();
    return result;
}
