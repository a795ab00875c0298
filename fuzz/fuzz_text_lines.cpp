// Every list file is read through the line splitter and the 8-bit decoder;
// in any code page, what comes out must go back to the same bytes.
#include "fuzz_input.h"
#include "platform/text_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const CodePage& page = fuzzCodePage(data, size);
    const QString text = page.decode(bytes);
    if (page.encode(text) != bytes || !page.fits(text))
        std::abort();
    const QStringList lines = TextFile::splitLines(text);
    // Written back, the lines read the same again.
    if (TextFile::splitLines(page.decode(TextFile::joinLines(lines, page))) != lines)
        std::abort();
    return 0;
}
