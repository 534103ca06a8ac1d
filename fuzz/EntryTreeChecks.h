#pragma once
// What the dictionary converters' fuzz targets hold every result to: each
// entry is a top-level node, and every node below it is reached once from
// its own parent, within a bounded depth.

#include "dictionaries/DictionaryEntry.h"

#include <cstdlib>

namespace fuzzcheck {

inline void checkNode(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 512) std::abort();
    for (const auto& c : node->childList()) {
        if (c->parent() != node) std::abort();
        checkNode(c, depth + 1);
    }
}

template <typename Entries>
void checkEntryTrees(const Entries& entries) {
    for (const auto& entry : entries) {
        if (!entry || entry->parent()) std::abort();
        checkNode(entry, 0);
    }
}

}  // namespace fuzzcheck
