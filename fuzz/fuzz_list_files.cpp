// The favorites and schedule files as an editor or a damaged disk may leave
// them: what is read is written back and reads the same, the favorites page
// stays one line with one link per site and the footer's, and no name or
// address can open an element of its own.
#include "favorites/favorites_file.h"
#include "favorites/favorites_page.h"
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

std::size_t count(const std::string& text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path input = fuzzInputFile(data, size), output = fuzzOutputFile();
    const CodePage& page = fuzzCodePage(data, size);

    const FavoritesFile::ReadResult read = FavoritesFile::read(input, page);
    if (!FavoritesFile::write(output, read.favorites, page).ok() ||
        FavoritesFile::read(output, page).favorites != read.favorites)
        std::abort();
    for (auto form : {FavoritesPage::Form::Add, FavoritesPage::Form::Delete}) {
        const std::string html = FavoritesPage::bytes(form, read.favorites);
        if (html.find('\r') != html.size() - 2 || count(html, "\n") != 1 ||
            count(html, "<a ") != read.favorites.size() + 1 || html.find("<script") != std::string::npos ||
            std::any_of(html.begin(), html.end(), [](char c) { return c & 0x80; }))
            std::abort();
    }

    const Schedule::Day day = Schedule::readDay(input).slots;
    Schedule::Blocked grid{};
    for (std::size_t slot = 0; slot < Schedule::SlotCount; ++slot)
        grid[slot] = day[slot] != 0;
    if (!Schedule::writeDay(output, grid).ok())
        std::abort();
    const Schedule::Day back = Schedule::readDay(output).slots;
    for (std::size_t slot = 0; slot < Schedule::SlotCount; ++slot) {
        if (back[slot] != (grid[slot] ? 1 : 0))
            std::abort();
    }
    return 0;
}
