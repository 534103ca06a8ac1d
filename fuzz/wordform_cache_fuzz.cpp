// The word-form cache reader over arbitrary bytes. Whatever reads must hold
// only whole records.
#include "morphology/WordFormCache.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    WordFormCache::Contents contents;
    QString error;
    if (WordFormCache::read(bytes, &contents, &error)) {
        for (const auto& records : contents.entries)
            for (const auto& r : records)
                if (!r) __builtin_trap();
    }
    return 0;
}
