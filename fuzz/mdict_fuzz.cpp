// Fuzzes the MDict reader with arbitrary bytes as an .mdx file, and converts
// what it reads: a refusal always names its cause and leaves no records, and
// every converted entry tree is reached once from its own parent.

#include "dictionaries/MDictReader.h"
#include "dictionaries/TSMDictImporter.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 4096) std::abort();
    for (const auto& c : node->childList()) {
        if (c->parent() != node) std::abort();
        check(c, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto r = mdict::readData(bytes);
    if (!r.ok && (r.error.isEmpty() || !r.records.isEmpty())) std::abort();
    if (r.ok && r.records.size() > mdict::kMaxRecordBytes) std::abort();
    if (r.ok && r.records.size() < 65536) {
        auto importer = std::make_shared<TSMDictImporter>();
        importer->setRecordsString(r.recordsString());
        importer->recordsTags();
        importer->parseRawString();
        for (const auto& entry : *importer->words()) {
            if (entry->parent()) std::abort();
            check(entry, 0);
        }
    }
    return 0;
}
