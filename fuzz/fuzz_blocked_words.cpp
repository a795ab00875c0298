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
    const auto built =
        size <= (1u << 20) ? WordIndex::build(list.matcher()->store()) : list.matcher();
    const QString text = page.decode(QByteArrayView(data, qsizetype(size)));
    const auto plain = [](const QStringList& list, const QString& address) {
        for (const QString& word : list) {
            if (!address.isEmpty() && address.contains(word))
                return true;
        }
        return false;
    };
    for (const QString& address :
         {text, text.mid(int(size) / 3), QStringLiteral("http://example.org/")}) {
        const bool expected = plain(words, address);
        if (list.blocks(address) != expected || built->matches(address) != expected)
            std::abort();
    }
    // Long words made of neighbouring lines, repeated, beside the lines
    // themselves: many share long runs and hold one another.
    if (size > (1u << 16))
        return 0;
    QStringList longWords = words;
    auto store = std::make_shared<WordStore>();
    for (qsizetype i = 1; i < words.size() && i < 64; ++i) {
        QString word = words[i - 1] + words[i];
        while (!word.isEmpty() && word.size() < 128)
            word += word.left(word.size() / 2 + 1);
        longWords << word;
    }
    for (const QString& word : longWords)
        store->append(toUtf8(word));
    const auto longIndex = WordIndex::build(store);
    for (const QString& address : {text.repeated(3), text.mid(int(size) / 2).repeated(2)}) {
        if (longIndex->matches(address) != plain(longWords, address))
            std::abort();
    }
    return 0;
}
