#include "QMMutableDictionary.h"

#include "app/logging/LGLog.h"

TS_REGISTER_CLASS(QMMutableDictionary)

QMMutableDictionary::Storage& QMMutableDictionary::storedData() {
    if (!storedData_) storedData_.emplace();
    // The caller may change the contents through this reference.
    sortedKeysCache_.reset();
    return *storedData_;
}

const QMMutableDictionary::Storage& QMMutableDictionary::storedData() const {
    if (!storedData_) storedData_.emplace();
    return *storedData_;
}

void QMMutableDictionary::setStoredData(std::optional<Storage> data) {
    storedData_ = std::move(data);
    sortedKeysCache_.reset();
}

std::vector<ts::Value>& QMMutableDictionary::keyOrder() {
    if (!keyOrder_) keyOrder_.emplace();
    return *keyOrder_;
}

void QMMutableDictionary::setKeyOrder(std::optional<std::vector<ts::Value>> order) { keyOrder_ = std::move(order); }

void QMMutableDictionary::setObject(const ts::Value& value, const ts::Value& key) {
    if (key.isNull()) {
        TSLogError("nil key at setObject for key");
        return;
    }
    if (value.isNull()) {
        storedData().erase(key);
        return;
    }
    storedData()[key] = value;
}

ts::Value QMMutableDictionary::objectForKey(const ts::Value& key) const {
    if (key.isNull()) {
        TSLogError("nil key at objectForKey");
        return {};
    }
    const Storage& s = storedData();
    auto it = s.find(key);
    return it == s.end() ? ts::Value() : it->second;
}

void QMMutableDictionary::removeObjectForKey(const ts::Value& key) {
    if (key.isNull()) {
        TSLogError("Nil key at removeObjectForKey");
        return;
    }
    storedData().erase(key);
}

void QMMutableDictionary::removeAllObjects() { storedData().clear(); }

qint64 QMMutableDictionary::count() const { return qint64(storedData().size()); }

std::vector<ts::Value> QMMutableDictionary::allKeys() const { return sortedKeys(); }

std::vector<ts::Value> QMMutableDictionary::allSortedKeys() const { return sortedKeys(); }

const std::vector<ts::Value>& QMMutableDictionary::sortedKeys() const {
    if (!sortedKeysCache_) {
        std::vector<ts::Value> keys;
        keys.reserve(storedData().size());
        for (const auto& [k, v] : storedData()) keys.push_back(k);
        sortedKeysCache_ = std::move(keys);
    }
    return *sortedKeysCache_;
}

std::vector<ts::Value> QMMutableDictionary::objectEnumerator() const {
    std::vector<ts::Value> values;
    values.reserve(storedData().size());
    for (const auto& [k, v] : storedData()) values.push_back(v);
    return values;
}

bool QMMutableDictionary::containsObject(const ts::Value& value) const {
    if (value.isNull()) {
        TSLogError("Nil object at containsObject");
        return false;
    }
    for (const auto& [k, v] : storedData())
        if (v == value) return true;
    return false;
}

ts::Value QMMutableDictionary::keyAtIndex(qint64 index) const {
    const auto& keys = sortedKeys();
    if (index < 0 || index >= qint64(keys.size())) return {};
    return keys[size_t(index)];
}

ts::Value QMMutableDictionary::objectAtIndex(qint64 index) const {
    const ts::Value key = keyAtIndex(index);
    if (key.isNull()) return {};
    return objectForKey(key);
}

ts::ObjectPtr QMMutableDictionary::copy() const {
    auto c = std::dynamic_pointer_cast<QMMutableDictionary>(VDData::copy());
    if (!c) return nullptr;
    // A new dictionary sharing the value objects.
    c->storedData_ = storedData();
    return c;
}

void QMMutableDictionary::encodeWithCoder(ts::Coder& coder) const {
    VDData::encodeWithCoder(coder);
    // Archived dictionaries carry string keys; other keys go as their text,
    // which is what a reader of the archive sees of them.
    ts::ValueDictionary d;
    if (storedData_) {
        for (const auto& [k, v] : *storedData_) {
            const QString key = k.isString() ? k.toString() : k.description();
            d[key] = v;
        }
        coder.encodeObject(ts::Value(std::move(d)), QStringLiteral("storedData"));
    }
}

bool QMMutableDictionary::initWithCoder(ts::Coder& coder) {
    VDData::initWithCoder(coder);
    storedData_.reset();
    sortedKeysCache_.reset();
    if (!coder.allowsKeyedCoding() || !coder.containsValue(QStringLiteral("storedData"))) return true;
    const ts::Value d = coder.decodeObject(QStringLiteral("storedData"));
    Storage s;
    for (const auto& [k, v] : d.dictionary()) s[ts::Value(k)] = v;
    storedData_ = std::move(s);
    return true;
}
