#pragma once

#include "platform/code_page.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The data files are 8-bit text in the installation's code page: every byte stands
// for one character and comes back as the same byte, so a parent's list
// survives any bytes a hand editor put in it. Lines end CR LF when written;
// readers also accept a lone CR or a lone LF, as Linux editors save.
namespace TextFile {

// Splits at CR LF, a lone CR or a lone LF. A last line without an end still
// counts; an empty text has no lines. Works on bytes and on UTF-8 alike.
std::vector<std::string> splitLines(std::string_view text);

// Calls line(start, length) for each line of text as splitLines splits it,
// without copying: for lists too long to hold as one string per line.
template <typename View, typename Line> void forEachLine(const View& text, Line&& line)
{
    const std::size_t n = std::size_t(text.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        line(start, i - start);
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        line(start, n - start);
}

// Each line (UTF-8) in the page's bytes, followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines, const CodePage& page);

struct ReadResult
{
    std::vector<std::string> lines; // UTF-8
    bool exists = false;            // a missing file reads as no lines, with no error
    std::string error;              // set when the file exists but cannot be read
};

struct BytesResult
{
    std::string bytes;
    bool exists = false;
    std::string error;
};

// Outcome of a write: an empty error means every byte reached the disk.
struct WriteResult
{
    std::string error;
    bool ok() const { return error.empty(); }
};

struct ReadStatus
{
    bool exists = false;
    std::string error;
};

// An open file, as readWith hands it to its reader.
class FileReader
{
public:
    FileReader(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    // Up to length bytes into the caller's memory; 0 at the end of the file
    // or after an error, which readWith then reports.
    std::size_t read(char* into, std::size_t length);
    // The rest of the file, or at most maxBytes of it.
    std::string readAll(std::int64_t maxBytes = -1);
    // The file's size when it was opened, to reserve memory by.
    std::uint64_t size() const { return m_size; }
    // The errno of a failed read, 0 while none failed.
    int error() const { return m_error; }

private:
    int m_fd;
    std::uint64_t m_size;
    int m_error = 0;
};

// Opens the file and lets read() take its bytes, into memory of the caller's
// own (a long list is then never copied whole); missing files and errors are
// told as readBytes tells them. read() is not called when the file is missing
// or cannot be opened.
ReadStatus readWith(const std::filesystem::path& path, const std::function<void(FileReader& file)>& read);

BytesResult readBytes(const std::filesystem::path& path, std::int64_t maxBytes = -1);
ReadResult readLines(const std::filesystem::path& path, const CodePage& page);

// Atomic whole-file rewrites: a crash or a full disk leaves the old file or
// the new one, never a torn one.
[[nodiscard]] WriteResult writeBytes(const std::filesystem::path& path, std::string_view bytes);
[[nodiscard]] WriteResult writeLines(const std::filesystem::path& path,
                                     const std::vector<std::string>& lines, const CodePage& page);

// Appends in one write, creating the file when it does not exist. On failure
// the file is as it was: nothing half-written stays.
[[nodiscard]] WriteResult appendBytes(const std::filesystem::path& path, std::string_view bytes);

// Somewhere other than this account's disk that keeps some of the program's
// files: in the family set-up a service keeps a child's lists out of the
// child's reach. The functions above read and write the paths below a
// mounted folder through its keeper, so no reader or writer needs to know.
class FileKeeper
{
public:
    virtual ~FileKeeper() = default;
    // name: the path below the mounted folder, such as "files/nosurf.txt".
    virtual ReadStatus readWith(const std::string& name,
                                const std::function<void(FileReader& file)>& read) = 0;
    [[nodiscard]] virtual WriteResult writeBytes(const std::string& name, std::string_view bytes) = 0;
};

// From now on, paths below folder go to keeper; a null keeper unmounts.
// Set before any other thread reads a file.
void mount(const std::filesystem::path& folder, std::shared_ptr<FileKeeper> keeper);

} // namespace TextFile
