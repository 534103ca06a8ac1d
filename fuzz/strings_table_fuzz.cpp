// Fuzzes the localisation strings table reader: a table either reads whole or
// is empty with an error, and its look-up answers each key's last entry.

#include "platform/StringsTable.h"

#include "FuzzSupport.h"

#include <QHash>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const ts::StringsTable table = ts::StringsTable::fromData(bytes, &error);
    fuzz::check(error.isEmpty() || table.isEmpty(), "a table with an error is empty");
    QHash<QString, QString> last;
    for (const auto& entry : table.entries()) last.insert(entry.first, entry.second);
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        fuzz::check(table.contains(it.key()) && table.value(it.key()) == it.value(), "a key answers its last entry");
    return 0;
}
