// Fuzzes the elementary dictionary converter with arbitrary bytes as its
// source document: whatever it reads, every entry it keeps is a top-level
// node and every node below it is reached once from its own parent.

#include "dictsource/NBSourceXMLParser.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 512) std::abort();
    for (const auto& c : node->childList()) {
        if (c->parent() != node) std::abort();
        check(c, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parser = std::make_shared<NBSourceXMLParser>();
    parser->discardLogs();
    parser->setDeveloperSink(std::make_shared<DeveloperSink>());
    parser->parseData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const auto& entry : parser->entries()) {
        if (entry->parent()) std::abort();
        check(entry, 0);
    }
    return 0;
}
