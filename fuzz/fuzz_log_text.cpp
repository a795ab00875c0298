// The surf log as the viewer reads it, whole and in pieces that may split a
// CR LF pair: both give the same text.
#include "fuzz_input.h"
#include "surflog/log_text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const CodePage& page = fuzzCodePage(data, size);
    const QString whole = SurfLogText::decode(bytes, page);
    SurfLogText::Decoder pieces(page);
    QString joined;
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    joined += pieces.decode(bytes.first(cut));
    joined += pieces.decode(bytes.sliced(cut));
    joined += pieces.finish();
    if (joined != whole)
        std::abort();
    SurfLogText::encode(whole, page);
    return 0;
}
