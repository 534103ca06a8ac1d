// The TEI import readers over arbitrary bytes. Seeds: tests/import/corpus, e.g.
//   import_fuzz NEW_DIR tests/import/corpus
#include "import/TSImportFuzzing.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!TSImportFuzzing::readAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)))) std::abort();
    return 0;
}
