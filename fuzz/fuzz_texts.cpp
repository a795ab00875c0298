// Texts read from memory: 8-bit bytes in any code page and their lines go
// back to the same bytes (or, for Vietnamese, the same letters); a settings
// file anyone may have edited reads, writes and reads again the same, and
// any text stored in it comes back as it was; addresses stored in the 8-bit
// files always fit their page.
#include "fuzz_input.h"
#include "platform/address_text.h"
#include "platform/ini_text.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CodePage& page = fuzzCodePage(data, size);
    const std::string text = page.chars(bytes);
    if (page.encode(text) != bytes || !page.fits(text))
        std::abort();
    // Read as text, letter and accent become one letter, which is written
    // back as letters that read the same.
    const std::string letters = page.decode(bytes);
    if (!page.fits(letters) || page.decode(page.encode(letters)) != letters)
        std::abort();
    const std::vector<std::string> lines = TextFile::splitLines(letters);
    if (TextFile::splitLines(page.decode(TextFile::joinLines(lines, page))) != lines)
        std::abort();
    if (!page.fits(storableAddress(letters, page)))
        std::abort();
    CodePage::spelled(bytes.substr(0, 256));
    CodePage::nameFor(bytes.substr(0, 256));
    CodePage::knownName(bytes.substr(0, 256));

    const IniText::Parsed file = IniText::parse(bytes);
    const std::string written = IniText::format(file.sections);
    const IniText::Parsed reread = IniText::parse(written);
    if (reread.damaged || IniText::format(reread.sections) != written)
        std::abort();
    IniText::Sections one;
    one["Tobrin 2.0"]["key"] = IniText::storedValue(letters);
    IniText::Parsed back = IniText::parse(IniText::format(one));
    if (back.damaged || IniText::settingText(back.sections["Tobrin 2.0"]["key"]) != letters)
        std::abort();

    SettingValue::colorNumber(bytes);
    SettingValue::integer(bytes);
    SettingValue::boolean(bytes);
    return 0;
}
