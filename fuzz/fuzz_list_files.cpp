// The favorites and schedule files as an editor or a damaged disk may leave
// them: what is read is written back and reads the same, the favorites page
// stays one line with one link per site and the footer's, and no name or
// address can open an element of its own.
#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzInputFile(data, size);
    const CodePage& codePage = fuzzCodePage(data, size);
    const FavoritesFile::ReadResult read = FavoritesFile::read(path, codePage);
    if (!FavoritesFile::write(fuzzOutputFile(), read.favorites, codePage).ok() ||
        FavoritesFile::read(fuzzOutputFile(), codePage).favorites != read.favorites)
        std::abort();
    for (auto form : {FavoritesPage::Form::Add, FavoritesPage::Form::Delete}) {
        const QByteArray page = FavoritesPage::bytes(form, read.favorites);
        if (page.indexOf('\r') != page.size() - 2 || page.count('\n') != 1 ||
            page.count("<a ") != read.favorites.size() + 1 || page.contains("<script"))
            std::abort();
    }

    const Schedule::Day day = Schedule::readDay(path).slots;
    Schedule::Blocked grid{};
    for (int slot = 0; slot < Schedule::SlotCount; ++slot)
        grid[slot] = day[slot] != 0;
    if (!Schedule::writeDay(fuzzOutputFile(), grid).ok())
        std::abort();
    const Schedule::Day back = Schedule::readDay(fuzzOutputFile()).slots;
    for (int slot = 0; slot < Schedule::SlotCount; ++slot) {
        if (back[slot] != (grid[slot] ? 1 : 0))
            std::abort();
    }
    return 0;
}
