// The control-word table is built when compiling (RtfControlWords.h); this
// file checks that every name fits a slot and is found as itself.
#include "platform/RtfControlWords.h"

#include <iterator>

namespace ts::rtf::detail {

static_assert(std::size(kWords) < WordTable::kMaxEntries);
static_assert([] {
    for (const WordName& w : kWords)
        if (w.name.empty() || w.name.size() > WordTable::kMaxName || kWordTable.find(wordKey(w.name)) != w.word) return false;
    return true;
}());

}  // namespace ts::rtf::detail
