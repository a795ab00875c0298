// A journal left by a session that ended any way at all: what it owes the
// log never depends on a last line cut short, and is whole records.
#include "fuzz_input.h"
#include "surflog/session_journal.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CodePage& page = fuzzCodePage(data, size);
    const QByteArrayView journal(data, qsizetype(size));
    const auto inLog = [&](qint64 offset, qint64, QByteArrayView) { return offset % 2 == 1; };
    const SessionJournal::Owed owed = SessionJournal::owed(journal, QStringLiteral("T"), inLog, page);
    const SessionJournal::Owed whole = SessionJournal::owed(
        journal.first(journal.lastIndexOf('\n') + 1), QStringLiteral("T"), inLog, page);
    if (owed.bytes != whole.bytes || (!owed.bytes.isEmpty() && !owed.bytes.endsWith("\r\n")))
        std::abort();
    return 0;
}
