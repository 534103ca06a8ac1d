#pragma once
// The coding interface objects use to write and read their fields.
//
// A keyed coder (the keyed archiver and unarchiver) stores values under string
// keys; an unkeyed (sequential) coder stores them in order. Objects ask
// allowsKeyedCoding() and refuse the other kind where they must. Decoding a
// missing key answers the type's empty value; nothing here throws.

#include "Value.h"

namespace ts {

class Coder {
public:
    virtual ~Coder() = default;

    virtual bool allowsKeyedCoding() const = 0;

    // Keyed encoding. A null Value encodes nothing under the key.
    virtual void encodeObject(const Value& value, const QString& key) = 0;
    virtual void encodeBool(bool value, const QString& key) { encodeObject(Value(value), key); }
    virtual void encodeInteger(qint64 value, const QString& key) { encodeObject(Value(value), key); }
    virtual void encodeDouble(double value, const QString& key) { encodeObject(Value(value), key); }
    // Raw bytes stored in the object's own entry rather than as a separate
    // data object (colour components are written this way).
    virtual void encodeBytes(const QByteArray& value, const QString& key) { encodeObject(Value(value), key); }

    // Keyed decoding.
    virtual bool containsValue(const QString& key) const = 0;
    virtual Value decodeObject(const QString& key) = 0;
    virtual bool decodeBool(const QString& key) { return decodeObject(key).toBool(); }
    virtual qint64 decodeInteger(const QString& key) { return decodeObject(key).toInt64(); }
    virtual double decodeDouble(const QString& key) { return decodeObject(key).toDouble(); }
    virtual QByteArray decodeBytes(const QString& key) { return decodeObject(key).toData(); }

    // Sequential coding, for coders that are not keyed (and for values written
    // without keys inside a keyed archive).
    virtual void encodeValue(const Value& value) { Q_UNUSED(value); }
    virtual Value decodeValue() { return {}; }
};

}  // namespace ts
