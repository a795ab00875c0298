// A day of the weekly schedule, hand-edited or damaged.
#include "fuzz_input.h"
#include "timecontrol/schedule_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Schedule::readDay(fuzzInputFile(data, size));
    return 0;
}
