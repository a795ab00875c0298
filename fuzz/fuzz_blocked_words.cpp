// The blocked-word file as a parent's editor may leave it; the index must
// answer exactly as a plain search of every word would, and the list saved
// and read again is the same list.
#include "filter/blocked_word_list.h"
#include "fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CodePage& page = fuzzCodePage(data, size);
    BlockedWordList list;
    list.load(fuzzInputFile(data, size), page);
    if (!list.save(fuzzOutputFile(), page).ok())
        std::abort();
    if (TextFile::readLines(fuzzOutputFile(), page).lines != list.entries())
        std::abort();
    const QString text = page.decode(QByteArrayView(data, qsizetype(size)));
    for (const QString& address :
         {text, text.mid(int(size) / 3), QStringLiteral("http://example.org/")}) {
        bool plain = false;
        for (const QString& word : list.entries())
            plain = plain || (!address.isEmpty() && address.contains(word));
        if (list.blocks(address) != plain)
            std::abort();
    }
    return 0;
}
