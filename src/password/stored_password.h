#pragma once

#include <QString>

class SettingsStore;

// XORs the 8-bit (Windows-1252) code of every character with the key's low
// byte; scrambling twice with one key gives the text back. A character with
// no 8-bit code counts as '?'.
QString Scramble(const QString& text, qint16 key);

// The parent's password, kept scrambled in the settings under "Password".
// It is read afresh at every use, never cached.
namespace StoredPassword {

constexpr qint16 Key = 83;

// True while no password has been chosen: nothing is stored under "Password"
// (or, by accident, exactly the marker the test reads as its default).
bool isUnset(const SettingsStore& settings);

// The password the parent must type: the stored value unscrambled, or the
// unscrambled default "qqq" when nothing is stored.
QString expected(const SettingsStore& settings);

// Whether typed is the expected password: exact and case-sensitive. Typed
// characters without an 8-bit code count as '?', as they did when stored, so
// the same typing always gives the same password.
bool matches(const QString& typed, const QString& expected);

// Scrambles and stores a new password; false (with a sentence for the parent
// in error) when the settings could not be written.
[[nodiscard]] bool store(SettingsStore& settings, const QString& password, QString* error);

} // namespace StoredPassword
