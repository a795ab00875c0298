// The blocked-word file as a parent's editor may leave it, in any code page:
// written back it reads the same, and the list, its one-by-one check and its
// full index answer exactly as a plain search of every word would.
#include "filter/blocked_word_list.h"
#include "fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CodePage& page = fuzzCodePage(data, size);
    BlockedWordList list;
    list.load(fuzzInputFile(data, size), page);
    const QStringList words = list.entries();
    if (!list.save(fuzzOutputFile(), page).ok() ||
        TextFile::readLines(fuzzOutputFile(), page).lines != words)
        std::abort();
    // The full build of a 50 MB one-word file is minutes under the sanitizers;
    // the one-by-one check still answers for it.
    const auto built = size <= (1u << 20) ? WordIndex::build(list.matcher()->store())
                                          : list.matcher();
    const QString text = page.decode(QByteArrayView(data, qsizetype(size)));
    for (const QString& address :
         {text, text.mid(int(size) / 3), QStringLiteral("http://example.org/")}) {
        bool plain = false;
        for (const QString& word : words)
            plain = plain || (!address.isEmpty() && address.contains(word));
        if (list.blocks(address) != plain || built->matches(address) != plain)
            std::abort();
    }
    return 0;
}
