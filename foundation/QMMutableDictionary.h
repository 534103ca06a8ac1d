#pragma once
// Persistent keyed container.
//
// Keys and values are values of any kind (strings, numbers, objects such as
// UUIDs). An absent (null) key is refused with a log call instead of failing.
// Positions count through the keys in ascending compare order. The stored
// dictionary and the key order list are made empty on first use. Main-thread
// model object; not synchronised.

#include "VDData.h"

#include <map>
#include <optional>
#include <vector>

class QMMutableDictionary : public VDData {
    TS_OBJECT(QMMutableDictionary, VDData)

public:
    using Storage = std::map<ts::Value, ts::Value, ts::ValueLess>;

    void setObject(const ts::Value& value, const ts::Value& key);
    ts::Value objectForKey(const ts::Value& key) const;
    void removeObjectForKey(const ts::Value& key);
    void removeAllObjects();
    qint64 count() const;
    std::vector<ts::Value> allKeys() const;
    std::vector<ts::Value> allSortedKeys() const;
    std::vector<ts::Value> objectEnumerator() const;
    bool containsObject(const ts::Value& value) const;
    ts::Value keyAtIndex(qint64 index) const;
    ts::Value objectAtIndex(qint64 index) const;
    // The name as text without attributes; a null string when unnamed.
    QString attributedName() const { return name(); }

    Storage& storedData();
    const Storage& storedData() const;
    void setStoredData(std::optional<Storage> data);
    std::vector<ts::Value>& keyOrder();
    void setKeyOrder(std::optional<std::vector<ts::Value>> order);

    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

private:
    const std::vector<ts::Value>& sortedKeys() const;

    mutable std::optional<Storage> storedData_;
    std::optional<std::vector<ts::Value>> keyOrder_;
    // Positional access walks the sorted keys; kept until the contents change.
    mutable std::optional<std::vector<ts::Value>> sortedKeysCache_;
};
