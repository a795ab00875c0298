#pragma once

#include "platform/code_page.h"

#include <cstdint>
#include <memory>
#include <string>

class SettingsStore;

// XORs the 8-bit code of every character in the installation's code page
// with the key's low byte; scrambling twice with one key gives the text back.
// Callers refuse characters the page cannot hold before they get here.
std::string Scramble(const std::string& text, std::int16_t key, const CodePage& page);

// The parent's password, kept scrambled in the settings under "Password".
// It is read afresh at every use, never cached.
namespace StoredPassword {

constexpr std::int16_t Key = 83;

// True while no password has been chosen: nothing is stored under "Password"
// (or, by accident, exactly the marker the test reads as its default).
bool isUnset(const SettingsStore& settings);

// The password the parent must type: the stored value unscrambled, or the
// unscrambled default "qqq" when nothing is stored.
std::string expected(const SettingsStore& settings, const CodePage& page);

// Whether typed is the expected password: exact and case-sensitive. Typing
// a character the page cannot hold never matches, so "????" cannot stand in
// for letters the page lacks.
bool matches(const std::string& typed, const std::string& expected, const CodePage& page);

// A message naming the characters of password that the page cannot hold, or
// an empty text when it holds them all: such a password is refused.
std::string refusal(const std::string& password, const CodePage& page);

// Scrambles and stores a new password; false (with a sentence for the parent
// in error, when given) when the settings could not be written.
[[nodiscard]] bool store(SettingsStore& settings, const std::string& password, const CodePage& page,
                         std::string* error);

} // namespace StoredPassword

// Who checks and keeps the parent's password: the settings above, or, in the
// family set-up, the service, which never lets the browser read it.
class PasswordKeeper
{
public:
    virtual ~PasswordKeeper() = default;
    // True while no password has been chosen.
    virtual bool isUnset() const = 0;
    // Whether typed is the parent's password.
    virtual bool check(const std::string& typed) = 0;
    // Scrambles and stores a new password; false, with a sentence for the
    // parent in error when given, when it could not be kept.
    [[nodiscard]] virtual bool store(const std::string& password, std::string* error) = 0;
    // The panel closed: what the right password allowed ends.
    virtual void close() {}
};

// The password in the settings of this account.
class StoredPasswordKeeper final : public PasswordKeeper
{
public:
    StoredPasswordKeeper(SettingsStore& settings, CodePage page)
        : m_settings(settings), m_page(std::move(page))
    {
    }
    bool isUnset() const override { return StoredPassword::isUnset(m_settings); }
    bool check(const std::string& typed) override
    {
        return StoredPassword::matches(typed, StoredPassword::expected(m_settings, m_page), m_page);
    }
    bool store(const std::string& password, std::string* error) override
    {
        return StoredPassword::store(m_settings, password, m_page, error);
    }

private:
    SettingsStore& m_settings;
    CodePage m_page;
};
