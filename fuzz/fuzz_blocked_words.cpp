// The blocked-word file as a parent's editor may leave it, in any code page:
// written back it reads the same, and the list, its one-by-one check and its
// full index answer exactly as a plain search of every word would.
#include "filter/blocked_word_list.h"
#include "fuzz_input.h"

#include <cstdlib>

namespace {

bool plain(const std::vector<std::string>& words, std::string_view address)
{
    for (const std::string& word : words) {
        if (!address.empty() && address.find(word) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string repeated(std::string_view text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CodePage& page = fuzzCodePage(data, size);
    // No main loop here: the list checks word by word, and the index is built below.
    BlockedWordList list(Glib::RefPtr<Glib::MainContext>{});
    list.load(fuzzInputFile(data, size), page);
    const std::vector<std::string> words = list.entries();
    if (!list.save(fuzzOutputFile(), page).ok() ||
        TextFile::readLines(fuzzOutputFile(), page).lines != words)
        std::abort();
    // The full build of a 50 MB one-word file is minutes under the sanitizers;
    // the one-by-one check still answers for it.
    const auto built =
        size <= (1u << 20) ? WordIndex::build(list.matcher()->store()) : list.matcher();
    const std::string text =
        page.decode(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::string_view address :
         {std::string_view(text), std::string_view(text).substr(text.size() / 3),
          std::string_view("http://example.org/")}) {
        const bool expected = plain(words, address);
        if (list.blocks(address) != expected || built->matches(address) != expected)
            std::abort();
    }
    // Long words made of neighbouring lines, repeated, beside the lines
    // themselves: many share long runs and hold one another.
    if (size > (1u << 16))
        return 0;
    std::vector<std::string> longWords = words;
    auto store = std::make_shared<WordStore>();
    for (std::size_t i = 1; i < words.size() && i < 64; ++i) {
        std::string word = words[i - 1] + words[i];
        while (!word.empty() && word.size() < 128)
            word += word.substr(0, word.size() / 2 + 1);
        longWords.push_back(word);
    }
    for (const std::string& word : longWords)
        store->append(word);
    const auto longIndex = WordIndex::build(store);
    for (const std::string& address :
         {repeated(text, 3), repeated(std::string_view(text).substr(text.size() / 2), 2)}) {
        if (longIndex->matches(address) != plain(longWords, address))
            std::abort();
    }
    return 0;
}
