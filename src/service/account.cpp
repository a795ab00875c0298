#include "service/account.h"

#include "platform/text_file.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <sys/stat.h>

namespace {

constexpr const char* kCodePage = "files/codepage.txt";
constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kLongestWait = 60 * kSecond;

// A folder only the service may enter; false, with the reason, when it
// cannot be made.
bool makeFolder(const std::filesystem::path& folder, std::string& problem)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        problem =
            "The folder \"" + folder.string() + "\" could not be made: " + g_strerror(errno) + ".";
        return false;
    }
    ::chmod(folder.c_str(), 0700);
    return true;
}

std::int64_t waitAfter(int wrong)
{
    return wrong <= 0 ? 0 : std::min(kLongestWait, kSecond << std::min(wrong - 1, 6));
}

} // namespace

Account::Account(const std::filesystem::path& stateFolder, const std::string& name)
    : m_name(name), m_folder(stateFolder / name), m_settings(m_folder / "settings.conf")
{
    if (!makeFolder(m_folder, m_problem) || !makeFolder(m_folder / "files", m_problem) ||
        !makeFolder(m_folder / "buffer", m_problem))
        return;
    // The first start records its language's page, as the browser's first
    // start does beside the program.
    const std::filesystem::path record = m_folder / kCodePage;
    if (!TextFile::readBytes(record, 0).exists) {
        const TextFile::WriteResult written =
            TextFile::writeBytes(record, CodePage::nameFor(CodePage::systemLocaleName()) + "\r\n");
        m_problem = written.error;
    }

    // An unreadable count counts as many wrong answers: a minute's wait, once.
    const TextFile::BytesResult tries = TextFile::readBytes(m_folder / "tries", 64);
    if (tries.exists) {
        const std::vector<std::string> fields = TextFile::splitLines(tries.bytes);
        const std::string line = fields.empty() ? std::string() : fields[0];
        const std::size_t space = line.find(' ');
        const char* end = line.data() + line.size();
        if (space == std::string::npos ||
            std::from_chars(line.data(), line.data() + space, m_wrong).ptr != line.data() + space ||
            std::from_chars(line.data() + space + 1, end, m_lastWrong).ptr != end) {
            m_wrong = 7;
            m_lastWrong = g_get_real_time();
        }
    }
}

bool Account::validName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::optional<std::filesystem::path> Account::file(const std::string& name) const
{
    static const std::string names[] = {"files/nosurf.txt", "files/pref.txt",  "files/codepage.txt",
                                        "files/log.txt",    "buffer/buf1.log", "buffer/buf2.log",
                                        "buffer/buf3.log",  "buffer/buf4.log", "buffer/buf5.log",
                                        "buffer/buf6.log",  "buffer/buf7.log"};
    // Only these names: nothing a caller sends can point elsewhere.
    if (std::find(std::begin(names), std::end(names), name) == std::end(names))
        return std::nullopt;
    return m_folder / name;
}

std::optional<CodePage> Account::page(std::string* problem) const
{
    const std::filesystem::path record = m_folder / kCodePage;
    const TextFile::BytesResult file = TextFile::readBytes(record, 64);
    const std::vector<std::string> lines = TextFile::splitLines(file.bytes);
    std::string text = lines.empty() ? std::string() : lines[0];
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    const std::string name = CodePage::knownName(text);
    if (!name.empty())
        return CodePage(name);
    *problem = !file.error.empty()
                   ? file.error
                   : "The file \"" + record.string() + "\" names no code page Tobrin knows.";
    return std::nullopt;
}

std::int64_t Account::answerAt() const
{
    // A clock set back does not stretch the wait.
    return std::min(m_lastWrong + waitAfter(m_wrong), g_get_real_time() + waitAfter(m_wrong));
}

void Account::countAnswer(bool right, std::int64_t now)
{
    if (right && m_wrong == 0)
        return;
    m_wrong = right ? 0 : std::min(m_wrong + 1, 1000);
    m_lastWrong = right ? 0 : now;
    // Kept through a restart; if it cannot be written, the wait still holds
    // while the service runs.
    (void)TextFile::writeBytes(m_folder / "tries", std::to_string(m_wrong) + ' ' +
                                                       std::to_string(m_lastWrong) + "\r\n");
}
