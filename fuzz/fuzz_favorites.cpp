// The favorites list file, and the page made from whatever it holds: the
// page stays one line and no name or address can open an element of its own.
// The list written and read again is the same list.
#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "fuzz_input.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CodePage& codePage = fuzzCodePage(data, size);
    const FavoritesFile::ReadResult read = FavoritesFile::read(fuzzInputFile(data, size), codePage);
    if (!FavoritesFile::write(fuzzOutputFile(), read.favorites, codePage).ok() ||
        FavoritesFile::read(fuzzOutputFile(), codePage).favorites != read.favorites)
        std::abort();
    for (auto form : {FavoritesPage::Form::Add, FavoritesPage::Form::Delete}) {
        const QByteArray page = FavoritesPage::bytes(form, read.favorites);
        if (!page.endsWith("\r\n") || page.indexOf('\r') != page.size() - 2 ||
            page.count('\n') != 1)
            std::abort();
        // One link a site, and the footer's link to the start page.
        if (page.count("<a ") != read.favorites.size() + 1 || page.contains("<script"))
            std::abort();
    }
    return 0;
}
