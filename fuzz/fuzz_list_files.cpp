// The favorites and schedule files as an editor or a damaged disk may leave
// them: the favorites page stays one line with one link per site and the
// footer's, and no name or address can open an element of its own.
#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzInputFile(data, size);
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
