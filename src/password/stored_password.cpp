#include "password/stored_password.h"

#include "platform/settings_store.h"
#include "platform/text_file.h"

namespace {

const QString kWriteKey = QStringLiteral("Password");
const QString kUnsetMarker = QStringLiteral("wzbkmt806j");

} // namespace

QString Scramble(const QString& text, qint16 key)
{
    QByteArray codes = TextFile::encode(text);
    // Codes are 8-bit both ways, so only the key's low byte can take part.
    const char mask = char(key & 0xFF);
    for (char& code : codes)
        code ^= mask;
    return TextFile::decode(codes);
}

namespace StoredPassword {

bool isUnset(const SettingsStore& settings)
{
    return settings.read(kWriteKey, kUnsetMarker) == kUnsetMarker;
}

QString expected(const SettingsStore& settings)
{
    return Scramble(settings.read(QStringLiteral("password"), QStringLiteral("qqq")), Key);
}

bool matches(const QString& typed, const QString& expected)
{
    return TextFile::decode(TextFile::encode(typed)) == expected;
}

bool store(SettingsStore& settings, const QString& password, QString* error)
{
    return settings.write(kWriteKey, Scramble(password, Key), error);
}

} // namespace StoredPassword
