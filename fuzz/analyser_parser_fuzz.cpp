// Fuzzes the analyser's output parser with arbitrary text taken as the
// program's answer, in both directions, with and without inflection summaries.

#include "dictionaries/DictionaryControllerParser.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Every node of a parsed tree is reachable once and knows its parent.
void check(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 4) std::abort();
    for (const auto& c : node->childList()) {
        if (c->parent() != node) std::abort();
        check(c, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The controller decodes the program's output as Latin-1.
    const QString answer = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool showCases : {true, false}) {
        for (const auto& root : DictionaryControllerParser::parseEnglishVocab(answer, showCases)) {
            if (root->type() != DictionaryEntry::Root) std::abort();
            check(root, 0);
        }
        for (const auto& word : DictionaryControllerParser::parseLatinVocab(answer, showCases)) check(word, 1);
    }
    return 0;
}
