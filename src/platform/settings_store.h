#pragma once

#include <QString>

// The per-user settings of application "Corvane", section "Tobrin 2.0".
// Keys match whatever their letter case ("Password" and "password" are one
// value); every read passes its own default, which is never stored; values
// come back character for character.
class SettingsStore
{
public:
    // The settings live in this INI file; tests give one in a temporary folder.
    explicit SettingsStore(QString filePath);

    // The current user's file below the XDG configuration folder.
    static QString userFilePath();

    const QString& filePath() const { return m_filePath; }

    QString read(const QString& key, const QString& defaultValue) const;

    // Stores the value and checks that it reached the disk; on failure returns
    // false and, when error is given, a sentence for the parent.
    [[nodiscard]] bool write(const QString& key, const QString& value, QString* error = nullptr);

private:
    QString m_filePath;
};

// Conversions of stored texts, as the readers of each setting need them.
namespace SettingValue {

// The leading number of a colour text: decimal ("255") or hexadecimal after
// "&H" with an optional closing "&" ("&H00FFFFFF&"). No leading number is 0.
qint64 colorNumber(const QString& text);

// The leading decimal number (after optional blanks and sign); none is 0.
qint64 integer(const QString& text);

// The text form of the Boolean true, in any letter case; anything else is false.
bool boolean(const QString& text);
QString booleanText(bool value); // "True" / "False"

} // namespace SettingValue
