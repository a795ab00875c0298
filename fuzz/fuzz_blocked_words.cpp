// The blocked-word file as a parent's editor may leave it; the list, its
// one-by-one check and its full index must answer exactly as a plain search
// of every word would.
#include "filter/blocked_word_list.h"
#include "fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BlockedWordList list;
    list.load(fuzzInputFile(data, size));
    const QStringList words = list.entries();
    const auto built = WordIndex::build(list.snapshot()->store());
    const QString text = TextFile::decode(QByteArrayView(data, qsizetype(size)));
    for (const QString& address : {text, text.mid(int(size) / 3), QStringLiteral("http://example.org/")}) {
        bool plain = false;
        if (!address.isEmpty()) {
            for (const QString& word : words)
                plain = plain || address.contains(word);
        }
        if (list.blocks(address) != plain || built->matches(address) != plain)
            std::abort();
    }
    return 0;
}
