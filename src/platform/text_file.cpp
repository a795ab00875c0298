#include "platform/text_file.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string sentence(const std::filesystem::path& path, const char* verb, const std::string& reason)
{
    return "The file \"" + path.string() + "\" could not be " + verb + ": " + reason + ".";
}

std::string unwritable(const std::filesystem::path& path, const std::string& reason)
{
    return sentence(path, "written", reason);
}

std::string unreadable(const std::filesystem::path& path, const std::string& reason)
{
    return sentence(path, "read", reason);
}

std::string systemError(int error)
{
    return g_strerror(error);
}

// Writes every byte, trying on after a short write so that a failure has its
// reason; the errno of the failure, or 0.
int writeAll(int fd, std::string_view bytes, std::size_t* written = nullptr)
{
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += std::size_t(n);
    }
    if (written)
        *written = done;
    return error;
}

// The folder of a file is synced after a rename, so that the new name
// survives a power cut too; a folder that cannot be synced changes nothing.
void syncFolder(const std::filesystem::path& file)
{
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct Mount
{
    std::filesystem::path folder;
    std::shared_ptr<TextFile::FileKeeper> keeper;
};
std::vector<Mount>& mounts()
{
    static std::vector<Mount> all;
    return all;
}

// The keeper of path and the name below its folder, when a folder holding
// path is mounted. ".." is resolved first, so it cannot step out of the mount.
TextFile::FileKeeper* keeperOf(const std::filesystem::path& path, std::string* name)
{
    if (mounts().empty())
        return nullptr;
    const std::filesystem::path normal = std::filesystem::absolute(path).lexically_normal();
    for (const Mount& mount : mounts()) {
        const std::filesystem::path below = normal.lexically_relative(mount.folder);
        if (below.empty() || *below.begin() == "..")
            continue;
        *name = below.generic_string();
        return mount.keeper.get();
    }
    return nullptr;
}

} // namespace

namespace TextFile {

void mount(const std::filesystem::path& folder, std::shared_ptr<FileKeeper> keeper)
{
    const std::filesystem::path normal = std::filesystem::absolute(folder).lexically_normal();
    std::erase_if(mounts(), [&normal](const Mount& mount) { return mount.folder == normal; });
    if (keeper)
        mounts().push_back({normal, std::move(keeper)});
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    forEachLine(text, [&](std::size_t start, std::size_t length) {
        lines.emplace_back(text.substr(start, length));
    });
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, const CodePage& page)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines) {
        bytes += page.encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

std::size_t FileReader::read(char* into, std::size_t length)
{
    if (m_error)
        return 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, into, length);
        if (n >= 0)
            return std::size_t(n);
        if (errno != EINTR) {
            m_error = errno;
            return 0;
        }
    }
}

std::string FileReader::readAll(std::int64_t maxBytes)
{
    const std::uint64_t limit = maxBytes < 0 ? UINT64_MAX : std::uint64_t(maxBytes);
    std::string bytes;
    bytes.reserve(std::size_t(std::min(limit, m_size)));
    constexpr std::size_t kChunk = 1 << 16;
    while (bytes.size() < limit) {
        const std::size_t before = bytes.size();
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kChunk, limit - before));
        bytes.resize(before + want);
        const std::size_t got = read(bytes.data() + before, want);
        bytes.resize(before + got);
        if (got == 0)
            break;
    }
    return bytes;
}

ReadStatus readWith(const std::filesystem::path& path, const std::function<void(FileReader& file)>& read)
{
    std::string name;
    if (FileKeeper* keeper = keeperOf(path, &name))
        return keeper->readWith(name, read);
    ReadStatus result;
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        // A folder on the way that cannot be looked into is not a missing file.
        if (errno != ENOENT && errno != ENOTDIR) {
            result.exists = true;
            result.error = unreadable(path, systemError(errno));
        }
        return result;
    }
    result.exists = true;
    if (S_ISDIR(info.st_mode)) {
        result.error = unreadable(path, "it is a folder");
        return result;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = unreadable(path, systemError(errno));
        return result;
    }
    FileReader file(fd, std::uint64_t(info.st_size));
    read(file);
    ::close(fd);
    if (file.error())
        result.error = unreadable(path, systemError(file.error()));
    return result;
}

BytesResult readBytes(const std::filesystem::path& path, std::int64_t maxBytes)
{
    BytesResult result;
    ReadStatus status =
        readWith(path, [&result, maxBytes](FileReader& file) { result.bytes = file.readAll(maxBytes); });
    result.exists = status.exists;
    result.error = std::move(status.error);
    return result;
}

ReadResult readLines(const std::filesystem::path& path, const CodePage& page)
{
    BytesResult bytes = readBytes(path);
    ReadResult result;
    result.exists = bytes.exists;
    result.error = std::move(bytes.error);
    result.lines = splitLines(page.decode(bytes.bytes));
    return result;
}

WriteResult writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::string name;
    if (FileKeeper* keeper = keeperOf(path, &name))
        return keeper->writeBytes(name, bytes);
    // A link is kept a link: its target is what gets rewritten.
    std::filesystem::path target = path;
    std::error_code ignored;
    if (std::filesystem::is_symlink(path, ignored)) {
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ignored);
        if (!ignored)
            target = resolved;
    }
    struct stat info{};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
        return {unwritable(path, "Filename refers to a directory")};
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return {unwritable(path, "Existing file " + path.string() + " is not writable")};

    // The new content goes to a file of its own beside the old one and takes
    // its name only when every byte is on the disk.
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return {unwritable(path, systemError(errno))};
    int error = 0;
    if (exists && ::fchmod(fd, info.st_mode & 07777) != 0)
        error = errno;
    if (!error)
        error = writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return {unwritable(path, systemError(error))};
    }
    syncFolder(target);
    return {};
}

WriteResult writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines,
                       const CodePage& page)
{
    return writeBytes(path, joinLines(lines, page));
}

WriteResult appendBytes(const std::filesystem::path& path, std::string_view bytes)
{
    // Only the surf log grows by appends, and a keeper takes its records as
    // records, never as bytes at the end of a file.
    std::string name;
    if (keeperOf(path, &name))
        return {unwritable(path, "it is kept by the family service")};
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return {unwritable(path, systemError(errno))};
    // What a full disk cuts short comes off again: the file only ever grows
    // by whole appends.
    struct stat info{};
    const off_t before = ::fstat(fd, &info) == 0 ? info.st_size : -1;
    std::size_t done = 0;
    int error = writeAll(fd, bytes, &done);
    // The reason told is the write's; a cut that fails as well has none better.
    if (error && done > 0 && before >= 0 && ::ftruncate(fd, before) != 0) {
    }
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error)
        return {unwritable(path, systemError(error))};
    return {};
}

} // namespace TextFile
