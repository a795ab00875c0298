#pragma once

#include "platform/code_page.h"

#include <QString>

class SettingsStore;

// XORs the 8-bit code of every character in the installation's code page with the
// key's low byte; scrambling twice with one key gives the text back. Callers
// refuse characters the page cannot hold before they get here.
QString Scramble(const QString& text, qint16 key, const CodePage& page);

// The parent's password, kept scrambled in the settings under "Password".
// It is read afresh at every use, never cached.
namespace StoredPassword {

constexpr qint16 Key = 83;

// True while no password has been chosen: nothing is stored under "Password"
// (or, by accident, exactly the marker the test reads as its default).
bool isUnset(const SettingsStore& settings);

// The password the parent must type: the stored value unscrambled, or the
// unscrambled default "qqq" when nothing is stored.
QString expected(const SettingsStore& settings, const CodePage& page);

// Whether typed is the expected password: exact and case-sensitive. Typing
// a character the page cannot hold never matches, so "????" cannot stand in
// for letters the page lacks.
bool matches(const QString& typed, const QString& expected, const CodePage& page);

// A message naming the characters of password that the page cannot hold, or
// an empty text when it holds them all: such a password is refused.
QString refusal(const QString& password, const CodePage& page);

// Scrambles and stores a new password; false (with a sentence for the parent
// in error) when the settings could not be written.
[[nodiscard]] bool store(SettingsStore& settings, const QString& password, const CodePage& page,
                         QString* error);

} // namespace StoredPassword
