// Fuzzes dictionary entry trees read from a property list: the tree must save
// in both formats and come back from the saved bytes as the same tree.

#include "dictionaries/DictionaryEntry.h"
#include "platform/PropertyList.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::PlistResult read = ts::PropertyList::read(bytes);
    if (!read.ok()) return 0;
    const DictionaryEntryPtr entry = DictionaryEntry::entryFromSerializedData(read.value);
    const ts::Value saved = entry->serialize();
    for (const ts::PlistFormat format : {ts::PlistFormat::Binary, ts::PlistFormat::XML}) {
        QString error;
        const QByteArray file = ts::PropertyList::write(saved, format, &error);
        if (file.isEmpty()) {
            // Everything read has a binary form; XML has no null.
            fuzz::check(format == ts::PlistFormat::XML, "the binary writer takes the tree");
            continue;
        }
        const ts::PlistResult back = ts::PropertyList::read(file);
        fuzz::check(back.ok(), "the saved tree reads back");
        const DictionaryEntryPtr reloaded = DictionaryEntry::entryFromSerializedData(back.value);
        if (!fuzz::comparable(saved, format == ts::PlistFormat::Binary)) continue;
        fuzz::checkEqual(reloaded->serialize(), saved, "the reloaded tree saves the same");
        fuzz::check(reloaded->isEqualTo(*entry), "the reloaded tree equals the tree");
    }
    return 0;
}
