// Fuzzes the binary property-list reader. Whatever it accepts must write back
// and read again as the same value.
//
// Run: plist_binary_fuzz -max_total_time=60 corpus-dir tests/platform/plist/corpus

#include "platform/PropertyList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::PlistResult r = ts::PropertyList::readBinary(bytes);
    if (!r.ok()) {
        if (!r.value.isNull()) std::abort();
        return 0;
    }
    QString error;
    const QByteArray again = ts::PropertyList::writeBinary(r.value, &error);
    if (!error.isEmpty()) std::abort();
    const ts::PlistResult back = ts::PropertyList::readBinary(again);
    if (!back.ok()) std::abort();
    // NaN compares unequal to itself; only values equal to themselves must survive.
    if (r.value == r.value && !(back.value == r.value)) std::abort();
    return 0;
}
