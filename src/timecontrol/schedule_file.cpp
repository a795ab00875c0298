#include "timecontrol/schedule_file.h"

#include <glib.h>

#include <cerrno>
#include <cmath>
#include <system_error>

namespace {

// 48 short lines fit many times over; a huge file is not read past this, as
// lines after the 48th count for nothing.
constexpr std::int64_t kReadLimit = 64 * 1024;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

namespace Schedule {

std::string weekdayFile(int dayOfWeek)
{
    return "/buffer/buf" + std::to_string(dayOfWeek) + ".log";
}

std::string tabFile(int tab)
{
    return weekdayFile(tab + 1);
}

double leadingNumber(std::string_view line)
{
    std::size_t i = 0;
    const std::size_t n = line.size();
    const auto digitsFrom = [&](std::size_t at) {
        while (at < n && isDigit(line[at]))
            ++at;
        return at;
    };
    while (i < n && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    const std::size_t start = i;
    if (i < n && (line[i] == '+' || line[i] == '-'))
        ++i;
    const std::size_t intEnd = digitsFrom(i);
    std::size_t end = intEnd;
    bool anyDigit = intEnd > i;
    if (end < n && line[end] == '.') {
        const std::size_t fracEnd = digitsFrom(end + 1);
        anyDigit = anyDigit || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!anyDigit)
        return 0;
    if (end < n && (line[end] == 'e' || line[end] == 'E')) {
        std::size_t at = end + 1;
        if (at < n && (line[at] == '+' || line[at] == '-'))
            ++at;
        const std::size_t expEnd = digitsFrom(at);
        if (expEnd > at)
            end = expEnd;
    }
    // Read the same whatever the run's locale says a decimal point is.
    const std::string number(line.substr(start, end - start));
    errno = 0;
    const double value = g_ascii_strtod(number.c_str(), nullptr);
    return errno == ERANGE || !std::isfinite(value) ? 0 : value;
}

ReadResult readDay(const std::filesystem::path& path)
{
    ReadResult result;
    const TextFile::BytesResult file = TextFile::readBytes(path, kReadLimit);
    result.exists = file.exists;
    result.error = file.error;
    int slot = 0;
    TextFile::forEachLine(file.bytes, [&](std::size_t start, std::size_t length) {
        if (slot < SlotCount)
            result.slots[std::size_t(slot++)] = leadingNumber(std::string_view(file.bytes).substr(start, length));
    });
    return result;
}

TextFile::WriteResult writeDay(const std::filesystem::path& path, const Blocked& blocked)
{
    std::error_code ignored; // a folder that cannot be made is told by the write
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::string bytes;
    bytes.reserve(SlotCount * 3);
    for (bool on : blocked)
        bytes += on ? "1\r\n" : "0\r\n";
    return TextFile::writeBytes(path, bytes);
}

} // namespace Schedule
