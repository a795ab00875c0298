// Every list file is read through the line splitter and the 8-bit decoder;
// what comes out must go back to the same bytes.
#include "platform/text_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString text = TextFile::decode(bytes);
    if (TextFile::encode(text) != bytes)
        std::abort();
    const QStringList lines = TextFile::splitLines(text);
    // Written back, the lines read the same again.
    if (TextFile::splitLines(TextFile::decode(TextFile::joinLines(lines))) != lines)
        std::abort();
    return 0;
}
