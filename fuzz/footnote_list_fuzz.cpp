// Fuzzes the footnote-list reader: an archive read with
// FootnoteList::unarchiveNotes, saved and read again; every footnote, every
// entry kept as it was and any unreadable bytes must come back.
//
// Run: footnote_list_fuzz -max_total_time=60 corpus-dir tests/textmodel/fuzz-corpus/footnotes

#include "TextModelFuzzChecks.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!TextModelFuzz::checkFootnoteList(bytes)) std::abort();
    return 0;
}
