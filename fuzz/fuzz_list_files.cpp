// Every list file as a parent's editor or a damaged disk may leave it, read by
// each reader that takes one. The blocked-word index must answer as a plain
// search would; the favorites page stays one line with one link per site.
#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "filter/blocked_word_list.h"
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzInputFile(data, size);
    BlockedWordList list;
    list.load(path);
    const QString text = TextFile::decode(QByteArrayView(data, qsizetype(size)));
    for (const QString& address : {text, text.mid(int(size) / 3)}) {
        bool plain = false;
        for (const QString& word : list.entries())
            plain = plain || (!address.isEmpty() && address.contains(word));
        if (list.blocks(address) != plain)
            std::abort();
    }

    const FavoritesFile::ReadResult read = FavoritesFile::read(path);
    for (auto form : {FavoritesPage::Form::Add, FavoritesPage::Form::Delete}) {
        const QByteArray page = FavoritesPage::bytes(form, read.favorites);
        if (page.indexOf('\r') != page.size() - 2 || page.count('\n') != 1 ||
            page.count("<a ") != read.favorites.size() + 1 || page.contains("<script"))
            std::abort();
    }

    Schedule::readDay(path);
    return 0;
}
