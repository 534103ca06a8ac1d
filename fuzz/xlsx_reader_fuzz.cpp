// Fuzzes the spreadsheet reader over whole packages: the zip container with
// its entry checks and caps, then every XML part reader.

#include "dictionaries/Zerivuv/RKXLSXParser.h"

#include "FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ts::RKXLSXParser parser;
    const auto workbook = parser.openXLSXData(bytes, QStringLiteral("fuzz.xlsx"));
    if (!workbook) {
        fuzz::check(!parser.lastError().isEmpty(), "a refused package says why");
        return 0;
    }
    fuzz::check(workbook->worksheets.size() <= workbook->names.size(), "a sheet only under a listed name");
    for (const QString& name : workbook->names) fuzz::check(workbook->worksheets.contains(name), "every name has its sheet");
    for (auto it = workbook->images.cbegin(); it != workbook->images.cend(); ++it) {
        fuzz::check(it.key().first >= 0 && it.key().second >= 0, "anchors are cells");
        fuzz::check(!it.value().isEmpty(), "a picture has bytes");
    }
    return 0;
}
