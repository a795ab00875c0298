#include "password/stored_password.h"

#include "platform/settings_store.h"

namespace {

const std::string kWriteKey = "Password";
const std::string kUnsetMarker = "wzbkmt806j";

} // namespace

std::string Scramble(const std::string& text, std::int16_t key, const CodePage& page)
{
    std::string codes = page.encode(text);
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

std::string expected(const SettingsStore& settings, const CodePage& page)
{
    return Scramble(settings.read("password", "qqq"), Key, page);
}

bool matches(const std::string& typed, const std::string& expected, const CodePage& page)
{
    // Decoding the encoded text gives accented letters in the form the page
    // keeps them, as the stored password has them.
    return page.fits(typed) && page.chars(page.encode(typed)) == expected;
}

std::string refusal(const std::string& password, const CodePage& page)
{
    const std::string unfit = page.unfit(password);
    if (unfit.empty())
        return {};
    return "These characters cannot be used in a password: " + CodePage::spelled(unfit) +
           "\n\nPlease choose a password without them.";
}

bool store(SettingsStore& settings, const std::string& password, const CodePage& page, std::string* error)
{
    return settings.write(kWriteKey, Scramble(password, Key, page), error);
}

} // namespace StoredPassword
