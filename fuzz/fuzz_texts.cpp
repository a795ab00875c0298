// Texts read from memory: 8-bit bytes in any code page and their lines go
// back to the same bytes (or, for Vietnamese, the same letters), the surf log reads the same whole or in pieces that split a CR LF,
// and stored setting texts (anyone can edit the file) never break the reader.
#include "fuzz_input.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "surflog/log_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const CodePage& page = fuzzCodePage(data, size);
    const QString text = page.chars(bytes);
    if (page.encode(text) != bytes || !page.fits(text))
        std::abort();
    // Read as text, letter and accent become one letter, which is written
    // back as letters that read the same.
    const QString letters = page.decode(bytes);
    if (!page.fits(letters) || page.decode(page.encode(letters)) != letters)
        std::abort();
    const QStringList lines = TextFile::splitLines(letters);
    if (TextFile::splitLines(page.decode(TextFile::joinLines(lines, page))) != lines)
        std::abort();

    const QString whole = SurfLogText::decode(bytes, page);
    SurfLogText::Decoder pieces(page);
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    QString joined = pieces.decode(bytes.first(cut));
    joined += pieces.decode(bytes.sliced(cut));
    joined += pieces.finish();
    if (joined != whole)
        std::abort();
    SurfLogText::encode(whole, page);

    SettingValue::colorNumber(text);
    SettingValue::integer(text);
    SettingValue::boolean(text);
    return 0;
}
