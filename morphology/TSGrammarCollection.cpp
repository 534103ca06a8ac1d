#include "morphology/TSGrammarCollection.h"

#include "app/logging/LGLog.h"
#include "platform/PropertyList.h"

TS_REGISTER_CLASS(TSGrammarCollection)

TSGrammarCollectionPtr TSGrammarCollection::grammarFromPListData(const QByteArray& data) {
    auto collection = std::make_shared<TSGrammarCollection>();
    if (data.isEmpty()) return collection;
    const ts::PlistResult r = ts::PropertyList::read(data);
    if (r.ok()) collection->importFromArray(r.value);
    return collection;
}

bool TSGrammarCollection::readableGrammarData(const QByteArray& data) {
    const ts::PlistResult r = ts::PropertyList::read(data);
    return r.ok() && r.value.isArray();
}

void TSGrammarCollection::importFromArray(const ts::Value& array) {
    for (const ts::Value& entry : array.array()) {
        if (!entry.isDictionary()) continue;
        addObject(TSGrammarUsage::usageFromDictionary(entry));
    }
}

void TSGrammarCollection::addCase(const QString& name, const TSGrammarUsagePtr& usage) {
    if (name.isNull()) {
        TSLogError("Nil name at addCase");
        return;
    }
    if (!usage) return;
    auto child = std::make_shared<TSGrammarUsage>();
    child->setName(name);
    usage->addObject(child);
}

std::vector<TSGrammarUsagePtr> TSGrammarCollection::usages() const {
    std::vector<TSGrammarUsagePtr> out;
    for (const auto& m : objectEnumerator())
        if (auto u = std::dynamic_pointer_cast<TSGrammarUsage>(m)) out.push_back(u);
    return out;
}
