// A day of the weekly schedule, hand-edited or damaged. The editor's grid
// written back reads as the same grid.
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Schedule::Day day = Schedule::readDay(fuzzInputFile(data, size)).slots;
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
