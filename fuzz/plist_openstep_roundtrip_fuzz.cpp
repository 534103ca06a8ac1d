// Fuzzes the old text property-list form: whatever it reads must survive the
// binary and the XML writers and read back equal.

#include "platform/PropertyList.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::PlistResult read = ts::PropertyList::readOpenStep(bytes);
    if (!read.ok()) {
        fuzz::check(read.value.isNull(), "a failed read answers no value");
        return 0;
    }
    QString error;
    const QByteArray binary = ts::PropertyList::writeBinary(read.value, &error);
    // Strings, data, arrays and dictionaries all have a binary form.
    fuzz::check(!binary.isEmpty(), "the binary writer takes the value");
    const ts::PlistResult again = ts::PropertyList::readBinary(binary);
    fuzz::check(again.ok(), "the binary copy reads back");
    fuzz::checkEqual(again.value, read.value, "the binary copy reads back equal");

    const QByteArray xml = ts::PropertyList::writeXML(read.value, &error);
    if (!xml.isEmpty()) {
        const ts::PlistResult fromXML = ts::PropertyList::readXML(xml);
        fuzz::check(fromXML.ok(), "the XML copy reads back");
        fuzz::checkEqual(fromXML.value, read.value, "the XML copy reads back equal");
    }
    return 0;
}
