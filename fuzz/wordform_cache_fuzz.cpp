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
        // Every record is reached from its key, and each once.
        const wordforms::WordFormStore& store = contents.store;
        qsizetype reached = 0;
        for (quint32 k = 0; k < store.keyCount(); ++k)
            for (quint32 i = store.firstRecord(k); i != wordforms::WordFormStore::kNone; i = store.record(i).next) {
                if (qsizetype(i) >= store.recordCount()) __builtin_trap();
                (void)store.form(store.record(i));
                ++reached;
            }
        if (reached != store.recordCount()) __builtin_trap();
    }
    return 0;
}
