#pragma once
// Writes an object graph as a keyed archive: a property list with
// "$archiver" = "NSKeyedArchiver", "$version" = 100000, "$top" and a flat
// "$objects" table whose entries refer to each other by UID.
//
// Every ts::Object is written once, however often it is referenced (identity
// is the pointer), so shared objects and cycles survive a round trip. Equal
// strings and numbers are written once as well. Plain values map onto the
// platform's value classes: arrays become NSMutableArray, dictionaries
// NSMutableDictionary, dates NSDate; strings, numbers and data are written as
// bare property-list values. A null inside an array or dictionary is written
// as an NSNull object, elsewhere as the "$null" reference.
//
// Inside an object, encodeObject() writes a reference; encodeBool(),
// encodeInteger(), encodeDouble() and encodeBytes() write the value inline,
// as the platform does for scalars. encodeValue() writes values without keys
// under "$0", "$1", ... of the current object (or of "$top" outside any
// object).
//
// Not thread-safe; one archiver per archive. Failures (a UID value, nesting
// beyond kMaxDepth) are collected in error() and make finishEncoding() answer
// empty data; nothing throws.

#include "platform/Coder.h"
#include "platform/PropertyList.h"

#include <QHash>

#include <vector>

namespace ts {

class KeyedArchiver : public Coder {
public:
    static constexpr int kMaxDepth = 512;

    explicit KeyedArchiver(PlistFormat format = PlistFormat::Binary);
    ~KeyedArchiver() override;

    // The archive of `root` under the top-level key "root"; empty data and
    // *error set when the graph cannot be archived.
    static QByteArray archivedDataWithRootObject(const Value& root, QString* error = nullptr);
    static QByteArray archivedDataWithRootObject(const Value& root, PlistFormat format, QString* error = nullptr);

    bool allowsKeyedCoding() const override { return true; }

    void encodeObject(const Value& value, const QString& key) override;
    void encodeBool(bool value, const QString& key) override;
    void encodeInteger(qint64 value, const QString& key) override;
    void encodeDouble(double value, const QString& key) override;
    // Bytes or text stored in the object's own dictionary rather than as a
    // separate archive object (the form colour components and UUID bytes take).
    void encodeBytes(const QByteArray& value, const QString& key) override;
    void encodeInlineString(const QString& value, const QString& key);
    void encodeValue(const Value& value) override;

    // An archiver does not decode.
    bool containsValue(const QString&) const override { return false; }
    Value decodeObject(const QString&) override { return {}; }

    // The archive as a property-list value, and as bytes in the chosen format.
    Value archiveValue() const;
    QByteArray finishEncoding(QString* error = nullptr);

    QString error() const { return error_; }

private:
    Value reference(const Value& value);
    quint64 addObject(Value plist);
    quint64 classReference(const QString& name, const QStringList& hierarchy);
    quint64 objectReference(const ObjectPtr& object);
    quint64 arrayReference(const ValueArray& array);
    quint64 dictionaryReference(const ValueDictionary& dictionary);
    quint64 nullObjectReference();
    void put(const QString& key, Value v);
    void fail(const QString& message);

    PlistFormat format_;
    ValueArray objects_;
    ValueDictionary top_;
    // The dictionary being filled: an index into objects_, or -1 for "$top".
    qint64 current_ = -1;
    quint64 unkeyedCount_ = 0;
    int depth_ = 0;
    QString error_;

    QHash<const Object*, quint64> objectUids_;
    std::vector<ObjectPtr> keepAlive_;  // so that no address is reused while archiving
    QHash<QString, quint64> classUids_;
    QHash<QString, quint64> stringUids_;
    QHash<qint64, quint64> integerUids_;
    QHash<quint64, quint64> realUids_;  // keyed by the bit pattern
    quint64 boolUids_[2] = {0, 0};
    quint64 nullObjectUid_ = 0;
};

}  // namespace ts
