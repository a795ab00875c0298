#include "platform/settings_store.h"

#include "platform/ini_text.h"
#include "platform/text_file.h"

#include <glib.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <unistd.h>

namespace {

const std::string kSection = "Tobrin 2.0";

// The value of key in whatever letter case the file has it; the lower-case
// spelling, which is the one written, wins over others a hand edit added.
const IniText::Value* find(const IniText::Sections& sections, const std::string& key)
{
    const auto section = sections.find(kSection);
    if (section == sections.end())
        return nullptr;
    const std::string wanted = SettingsStore::keyAsWritten(key);
    if (const auto exact = section->second.find(wanted); exact != section->second.end())
        return &exact->second;
    const IniText::Value* found = nullptr;
    for (const auto& [name, value] : section->second) {
        if (SettingsStore::keyAsWritten(name) == wanted)
            found = &value;
    }
    return found;
}

// Two runs of the program may store settings at the same moment; each
// read-change-write of the file holds this lock, so neither loses the
// other's value. Without a lock file (an unwritable folder) the write fails
// on its own.
class WriteLock
{
public:
    explicit WriteLock(const std::filesystem::path& file)
        : m_fd(::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~WriteLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int m_fd;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SettingsStore::SettingsStore(std::filesystem::path filePath) : m_filePath(std::move(filePath)) {}

std::string SettingsStore::keyAsWritten(const std::string& key)
{
    char* lower = g_utf8_strdown(key.data(), gssize(key.size()));
    std::string out(lower);
    g_free(lower);
    return IniText::normalizedPath(out);
}

std::filesystem::path SettingsStore::userFilePath()
{
    // Read at every call, not cached, so that a test's XDG_CONFIG_HOME counts.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::filesystem::path base = configHome && *configHome
                                           ? std::filesystem::path(configHome)
                                           : std::filesystem::path(g_get_home_dir()) / ".config";
    return base / "Corvane" / "Corvane.conf";
}

std::string SettingsStore::read(const std::string& key, const std::string& defaultValue) const
{
    const TextFile::BytesResult file = TextFile::readBytes(m_filePath);
    const IniText::Parsed parsed = IniText::parse(file.bytes);
    const IniText::Value* value = find(parsed.sections, key);
    const std::optional<std::string> text = value ? IniText::settingText(*value) : std::nullopt;
    return text.value_or(defaultValue);
}

std::map<std::string, std::string> SettingsStore::values() const
{
    std::map<std::string, std::string> values;
    const IniText::Parsed parsed = IniText::parse(TextFile::readBytes(m_filePath).bytes);
    const auto section = parsed.sections.find(kSection);
    if (section == parsed.sections.end())
        return values;
    for (const auto& [name, value] : section->second) {
        const std::string key = SettingsStore::keyAsWritten(name);
        if (const IniText::Value* chosen = find(parsed.sections, key); chosen == &value) {
            if (const std::optional<std::string> text = IniText::settingText(value))
                values[key] = *text;
        }
    }
    return values;
}

bool SettingsStore::write(const std::string& key, const std::string& value, std::string* error)
{
    const auto fail = [&](bool damaged) {
        if (error) {
            *error = "The setting \"" + key + "\" could not be saved in \"" + m_filePath.string() + "\"" +
                     (damaged ? ": the file is damaged" : ": the file or its folder cannot be written") + ".";
        }
        return false;
    };
    const std::string stored = SettingsStore::keyAsWritten(key);
    if (stored.empty())
        return fail(false);
    std::error_code ignored;
    if (m_filePath.has_parent_path())
        std::filesystem::create_directories(m_filePath.parent_path(), ignored);
    const WriteLock lock(m_filePath);
    const TextFile::BytesResult file = TextFile::readBytes(m_filePath);
    if (!file.error.empty())
        return fail(false);
    IniText::Parsed parsed = IniText::parse(file.bytes);
    // Rewriting a file with lines this reader does not understand would drop
    // them, and with them whatever was typed there.
    if (parsed.damaged)
        return fail(true);
    auto& section = parsed.sections[kSection];
    section[stored] = IniText::storedValue(value);
    if (!TextFile::writeBytes(m_filePath, IniText::format(parsed.sections)).ok())
        return fail(false);
    return true;
}

namespace SettingValue {

std::int64_t colorNumber(std::string_view text)
{
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        // Hexadecimal digits up to the first other character; eight digits
        // make a 32-bit value, which is what the "&H...&" form stands for.
        std::uint64_t value = 0;
        int digits = 0;
        for (std::size_t i = 2; i < text.size() && digits < 16; ++i, ++digits) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                break;
            value = value * 16 + std::uint64_t(d);
        }
        if (digits == 0)
            return 0;
        return digits <= 8 ? std::int64_t(std::int32_t(std::uint32_t(value))) : std::int64_t(value);
    }
    return integer(text);
}

std::int64_t integer(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            break; // absurdly long numbers stop growing rather than overflow
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

bool boolean(std::string_view text)
{
    return g_ascii_strncasecmp(std::string(text).c_str(), "True", 5) == 0 && text.size() == 4;
}

std::string booleanText(bool value)
{
    return value ? "True" : "False";
}

} // namespace SettingValue
