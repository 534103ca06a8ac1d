// Fuzzes the grammar list read from a property list of any format: what it
// reads must export and read back as the same list.

#include "morphology/TSGrammarCollection.h"
#include "platform/PropertyList.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)TSGrammarCollection::readableGrammarData(bytes);
    const TSGrammarCollectionPtr grammar = TSGrammarCollection::grammarFromPListData(bytes);
    fuzz::check(bool(grammar), "a grammar list for any input");
    const ts::Value saved = grammar->serialize();
    const QByteArray exported = grammar->exportToPListFormat();
    if (exported.isEmpty()) return 0;  // nothing an XML property list can hold
    fuzz::check(TSGrammarCollection::readableGrammarData(exported), "the exported list reads as a grammar file");
    const TSGrammarCollectionPtr reloaded = TSGrammarCollection::grammarFromPListData(exported);
    fuzz::check(reloaded && reloaded->usages().size() == grammar->usages().size(), "the reloaded list has every member");
    if (fuzz::comparable(saved, false)) fuzz::checkEqual(reloaded->serialize(), saved, "the reloaded list equals the list");
    return 0;
}
