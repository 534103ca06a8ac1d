// Feeds arbitrary bytes to the RTF reader: it must answer a text or an
// error, never crash or hang, and a text it reads must write and read again.
// Reading the same bytes twice must answer the same: the second read may
// start from what the first remembered of the text's opening.

#include "platform/Rtf.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::RtfReadResult r = ts::readRtf(bytes);
    if (r.ok != r.error.isEmpty()) std::abort();
    const ts::RtfReadResult twice = ts::readRtf(bytes);
    if (twice.ok != r.ok || twice.error != r.error || !twice.text.isEqualToAttributedString(r.text)) std::abort();
    if (r.ok) {
        const ts::RtfReadResult again = ts::readRtf(ts::writeRtf(r.text));
        if (!again.ok || again.text.string() != r.text.string()) std::abort();
    }
    return 0;
}
