// Fuzzes the elementary dictionary converter with arbitrary bytes as its
// source document: whatever it reads, every entry it keeps is a top-level
// node with a headword, no deeper than a dictionary file holds, and every
// node below it is reached once from its own parent.

#include "dictsource/NBSourceXMLParser.h"
#include "fuzz/EntryTreeChecks.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parser = std::make_shared<NBSourceXMLParser>();
    parser->discardLogs();
    parser->setDeveloperSink(std::make_shared<DeveloperSink>());
    parser->parseData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    fuzzcheck::checkEntryTrees(parser->entries());
    for (const auto& entry : parser->entries())
        if (entry->entry().isEmpty() || NBSourceXMLParser::treeDepth(entry) > NBSourceXMLParser::kMaxEntryDepth) std::abort();
    return 0;
}
