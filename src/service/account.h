#pragma once

#include "platform/code_page.h"
#include "platform/settings_store.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

// One child account's folder in the service's state: files/ and buffer/ in
// the installation's formats, settings.conf as the browser's settings file,
// and tries, the wrong passwords that make the next answer wait.
class Account
{
public:
    // Makes the folders (only the service may look in) and, at the first
    // start, files/codepage.txt from the service's language.
    Account(const std::filesystem::path& stateFolder, const std::string& name);

    // Whether name can be an account's folder: not empty, no '/', not "." or "..".
    static bool validName(const std::string& name);
    // The file a caller's name stands for, if it is one of the names the
    // service serves (files/nosurf.txt, files/pref.txt, files/codepage.txt,
    // files/log.txt, buffer/buf1.log ... buffer/buf7.log).
    std::optional<std::filesystem::path> file(const std::string& name) const;

    const std::string& name() const { return m_name; }
    const std::filesystem::path& folder() const { return m_folder; }
    std::filesystem::path logFile() const { return m_folder / "files" / "log.txt"; }
    SettingsStore& settings() { return m_settings; }
    // The folders could not be made: a sentence for the parent, or empty.
    const std::string& problem() const { return m_problem; }

    // The code page the account's files are kept in; none, with the reason
    // in problem, when files/codepage.txt cannot be read or names no page.
    std::optional<CodePage> page(std::string* problem) const;

    // --- wrong passwords -------------------------------------------------------
    // Microseconds (of g_get_real_time) before which no answer may be given.
    std::int64_t answerAt() const;
    void countAnswer(bool right, std::int64_t now);

private:
    std::string m_name;
    std::filesystem::path m_folder;
    SettingsStore m_settings;
    std::string m_problem;
    int m_wrong = 0;              // wrong answers since the last right one
    std::int64_t m_lastWrong = 0; // when the last one came
};
