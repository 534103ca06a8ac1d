// Fuzzes the elementary dictionary converter with arbitrary bytes as its
// source document: whatever it reads, every entry it keeps is a top-level
// node and every node below it is reached once from its own parent.

#include "dictsource/NBSourceXMLParser.h"
#include "fuzz/EntryTreeChecks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parser = std::make_shared<NBSourceXMLParser>();
    parser->discardLogs();
    parser->setDeveloperSink(std::make_shared<DeveloperSink>());
    parser->parseData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    fuzzcheck::checkEntryTrees(parser->entries());
    return 0;
}
