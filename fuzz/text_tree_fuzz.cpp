// Fuzzes the text-tree reader: a binary property list read as a document's
// "Text" through TSText::textFromDictionary, saved and read again; what was
// read must come back unchanged.
//
// Run: text_tree_fuzz -max_total_time=60 corpus-dir tests/textmodel/fuzz-corpus/text

#include "TextModelFuzzChecks.h"


#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!TextModelFuzz::checkTextTree(bytes)) std::abort();
    return 0;
}
