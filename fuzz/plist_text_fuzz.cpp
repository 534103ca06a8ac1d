// Fuzzes format detection and the XML and old text readers.

#include "platform/PropertyList.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::PlistResult r = ts::PropertyList::read(bytes);
    if (!r.ok() && !r.value.isNull()) std::abort();
    const ts::PlistResult x = ts::PropertyList::readXML(bytes);
    if (!x.ok() && !x.value.isNull()) std::abort();
    const ts::PlistResult o = ts::PropertyList::readOpenStep(bytes);
    if (!o.ok() && !o.value.isNull()) std::abort();
    return 0;
}
