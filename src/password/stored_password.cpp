#include "password/stored_password.h"

#include "platform/settings_store.h"

namespace {

const QString kWriteKey = QStringLiteral("Password");
const QString kUnsetMarker = QStringLiteral("wzbkmt806j");

} // namespace

QString Scramble(const QString& text, qint16 key, const CodePage& page)
{
    QByteArray codes = page.encode(text);
    // Codes are 8-bit both ways, so only the key's low byte can take part.
    const char mask = char(key & 0xFF);
    for (char& code : codes)
        code ^= mask;
    // The codes are not text: nothing may join them.
    return page.chars(codes);
}

namespace StoredPassword {

bool isUnset(const SettingsStore& settings)
{
    return settings.read(kWriteKey, kUnsetMarker) == kUnsetMarker;
}

QString expected(const SettingsStore& settings, const CodePage& page)
{
    return Scramble(settings.read(QStringLiteral("password"), QStringLiteral("qqq")), Key, page);
}

bool matches(const QString& typed, const QString& expected, const CodePage& page)
{
    // Decoding the encoded text gives accented letters in the form the page
    // keeps them, as the stored password has them.
    return page.fits(typed) && page.chars(page.encode(typed)) == expected;
}

QString refusal(const QString& password, const CodePage& page)
{
    const QString unfit = page.unfit(password);
    if (unfit.isEmpty())
        return {};
    return QStringLiteral("These characters cannot be used in a password: %1\n\n"
                          "Please choose a password without them.")
        .arg(CodePage::spelled(unfit));
}

bool store(SettingsStore& settings, const QString& password, const CodePage& page, QString* error)
{
    return settings.write(kWriteKey, Scramble(password, Key, page), error);
}

} // namespace StoredPassword
