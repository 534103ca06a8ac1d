#pragma once
// The dynamic value that property lists, keyed archives and persistent objects
// exchange: the property-list types plus the archive's UID and a live object.
//
// A Value is a plain value type: copying copies containers deeply (objects are
// shared). Dictionary keys are strings, as property lists require; a dictionary
// keeps no order of its own beyond the sorted order of its keys.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <variant>
#include <vector>

namespace ts {

class Object;
using ObjectPtr = std::shared_ptr<Object>;

class Value;
using ValueArray = std::vector<Value>;
using ValueDictionary = std::map<QString, Value>;

// A reference inside a keyed archive ("CF$UID").
struct Uid {
    quint64 value = 0;
    bool operator==(const Uid& o) const { return value == o.value; }
};

// Seconds since 2001-01-01T00:00:00Z, the reference epoch of property lists.
struct Date {
    double seconds = 0;
    bool operator==(const Date& o) const { return seconds == o.seconds; }
    static Date fromDateTime(const QDateTime& dt);
    static Date now();
    QDateTime toDateTime() const;
};

class Value {
public:
    enum class Type { Null, Bool, Integer, Unsigned, Real, Date, Data, String, Array, Dictionary, Uid, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : v_(b) {}
    Value(int i) : v_(qint64(i)) {}
    Value(unsigned int i) : v_(qint64(i)) {}
    Value(long i) : v_(qint64(i)) {}
    Value(long long i) : v_(qint64(i)) {}
    // Unsigned values that fit in 63 bits are stored as signed, as the binary
    // format does; only values above INT64_MAX keep the unsigned kind.
    Value(unsigned long u) { setUnsigned(u); }
    Value(unsigned long long u) { setUnsigned(u); }
    Value(double d) : v_(d) {}
    Value(ts::Date d) : v_(d) {}
    Value(const QByteArray& d) : v_(d) {}
    Value(const QString& s) : v_(s) {}
    Value(const char* s) : v_(QString::fromUtf8(s)) {}
    Value(ValueArray a) : v_(std::move(a)) {}
    Value(ValueDictionary d) : v_(std::move(d)) {}
    Value(ts::Uid u) : v_(u) {}
    Value(ObjectPtr o) { if (o) v_ = std::move(o); }
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Value(std::shared_ptr<T> o) : Value(ObjectPtr(std::move(o))) {}

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isBool() const { return type() == Type::Bool; }
    bool isInteger() const { return type() == Type::Integer || type() == Type::Unsigned; }
    bool isReal() const { return type() == Type::Real; }
    bool isNumber() const { return isInteger() || isReal() || isBool(); }
    bool isDate() const { return type() == Type::Date; }
    bool isData() const { return type() == Type::Data; }
    bool isString() const { return type() == Type::String; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }
    bool isUid() const { return type() == Type::Uid; }
    bool isObject() const { return type() == Type::Object; }

    // Lenient readers: a value of another kind answers the empty default.
    bool toBool() const;
    qint64 toInt64() const;
    quint64 toUInt64() const;
    double toDouble() const;
    ts::Date toDate() const;
    QByteArray toData() const;
    QString toString() const;
    ts::Uid toUid() const;
    ObjectPtr toObject() const;
    template <class T> std::shared_ptr<T> toObjectAs() const { return std::dynamic_pointer_cast<T>(toObject()); }

    // Container access. The const forms answer an empty container for other kinds.
    const ValueArray& array() const;
    const ValueDictionary& dictionary() const;
    ValueArray& array();            // converts a non-array value into an empty array first
    ValueDictionary& dictionary();  // likewise for dictionaries

    // Dictionary look-up; a missing key or a non-dictionary answers null.
    const Value& operator[](const QString& key) const;
    bool contains(const QString& key) const;

    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    // A short human-readable form, for messages and test failures.
    QString description() const;

    static const char* typeName(Type t);

private:
    void setUnsigned(quint64 u) {
        if (u > quint64(INT64_MAX)) v_ = u; else v_ = qint64(u);
    }
    std::variant<std::monostate, bool, qint64, quint64, double, ts::Date, QByteArray, QString,
                 ValueArray, ValueDictionary, ts::Uid, ObjectPtr> v_;
};

// A total order over values for sorted keys: values of one kind compare by
// content (strings by UTF-16 code units, objects by their compare, then by
// identity), values of different kinds by kind.
int compareValues(const Value& a, const Value& b);
struct ValueLess {
    bool operator()(const Value& a, const Value& b) const { return compareValues(a, b) < 0; }
};

}  // namespace ts
