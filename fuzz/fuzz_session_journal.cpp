// A journal left by a session that ended any way at all: what it owes the
// log never depends on a last line cut short, and is whole records.
#include "fuzz_input.h"
#include "surflog/session_journal.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CodePage& page = fuzzCodePage(data, size);
    const std::string_view journal(reinterpret_cast<const char*>(data), size);
    const auto inLog = [](std::int64_t offset, std::int64_t, std::string_view) { return offset % 2 == 1; };
    const SessionJournal::Owed owed = SessionJournal::owed(journal, "T", inLog, page);
    const std::size_t lastEnd = journal.rfind('\n');
    const SessionJournal::Owed whole = SessionJournal::owed(
        journal.substr(0, lastEnd == std::string_view::npos ? 0 : lastEnd + 1), "T", inLog, page);
    if (owed.bytes != whole.bytes || (!owed.bytes.empty() && !owed.bytes.ends_with("\r\n")))
        std::abort();
    return 0;
}
