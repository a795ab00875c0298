#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// The per-user settings of application "Corvane", section "Tobrin 2.0", in
// the INI file and form the earlier releases wrote, so that a family's
// settings carry over both ways. Keys match whatever their letter case
// ("Password" and "password" are one value); every read passes its own
// default, which is never stored; values come back character for character.
class SettingsStore
{
public:
    // The settings live in this file; tests give one in a temporary folder.
    explicit SettingsStore(std::filesystem::path filePath);
    virtual ~SettingsStore() = default;
    SettingsStore(const SettingsStore&) = default;
    SettingsStore(SettingsStore&&) = default;
    SettingsStore& operator=(const SettingsStore&) = default;
    SettingsStore& operator=(SettingsStore&&) = default;

    // The current user's file below the XDG configuration folder.
    static std::filesystem::path userFilePath();
    // A key as the file writes it (lower case, as a path): the one spelling
    // of the keys that match whatever their letter case.
    static std::string keyAsWritten(const std::string& key);

    const std::filesystem::path& filePath() const { return m_filePath; }

    // In the family set-up the service keeps the settings instead (a child's
    // own configuration folder is theirs to change).
    virtual std::string read(const std::string& key, const std::string& defaultValue) const;
    // Every setting that has a value, under its key as it is written (lower
    // case), each with the value read() gives for it.
    std::map<std::string, std::string> values() const;

    // Stores the value and checks that it reached the disk; on failure returns
    // false and, when error is given, a sentence for the parent.
    [[nodiscard]] virtual bool write(const std::string& key, const std::string& value,
                                     std::string* error = nullptr);

private:
    std::filesystem::path m_filePath;
};

// Conversions of stored texts, as the readers of each setting need them.
namespace SettingValue {

// The leading number of a colour text: decimal ("255") or hexadecimal after
// "&H" with an optional closing "&" ("&H00FFFFFF&"). No leading number is 0.
std::int64_t colorNumber(std::string_view text);

// The leading decimal number (after optional blanks and sign); none is 0.
std::int64_t integer(std::string_view text);

// The text form of the Boolean true, in any letter case; anything else is false.
bool boolean(std::string_view text);
std::string booleanText(bool value); // "True" / "False"

} // namespace SettingValue
