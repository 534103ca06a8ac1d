#include "Value.h"

#include "Object.h"

#include <QTimeZone>

#include <cmath>

namespace ts {

namespace {
const QDateTime& referenceDate() {
    static const QDateTime ref(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return ref;
}
const ValueArray kEmptyArray;
const ValueDictionary kEmptyDictionary;
const Value kNull;
}  // namespace

Date Date::fromDateTime(const QDateTime& dt) {
    if (!dt.isValid()) return {};
    return Date{double(referenceDate().msecsTo(dt)) / 1000.0};
}

Date Date::now() { return fromDateTime(QDateTime::currentDateTimeUtc()); }

QDateTime Date::toDateTime() const {
    if (!std::isfinite(seconds)) return {};
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

bool Value::toBool() const {
    switch (type()) {
    case Type::Bool: return std::get<bool>(v_);
    case Type::Integer: return std::get<qint64>(v_) != 0;
    case Type::Unsigned: return true;
    case Type::Real: return std::get<double>(v_) != 0;
    case Type::String: {
        // The platform reads "YES", "true" and non-zero numbers as true.
        const QString s = std::get<QString>(v_).trimmed();
        return s.compare(u"yes", Qt::CaseInsensitive) == 0 || s.compare(u"true", Qt::CaseInsensitive) == 0 || s.toLongLong() != 0;
    }
    default: return false;
    }
}

qint64 Value::toInt64() const {
    switch (type()) {
    case Type::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Type::Integer: return std::get<qint64>(v_);
    case Type::Unsigned: return qint64(std::get<quint64>(v_));
    case Type::Real: {
        const double d = std::get<double>(v_);
        if (!std::isfinite(d)) return 0;
        if (d >= 9.2233720368547758e18) return INT64_MAX;
        if (d <= -9.2233720368547758e18) return INT64_MIN;
        return qint64(d);
    }
    case Type::String: return std::get<QString>(v_).trimmed().toLongLong();
    default: return 0;
    }
}

quint64 Value::toUInt64() const {
    if (type() == Type::Unsigned) return std::get<quint64>(v_);
    if (type() == Type::Real) {
        const double d = std::get<double>(v_);
        if (!std::isfinite(d) || d <= 0) return 0;
        if (d >= 1.8446744073709552e19) return UINT64_MAX;
        return quint64(d);
    }
    return quint64(toInt64());
}

double Value::toDouble() const {
    switch (type()) {
    case Type::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Type::Integer: return double(std::get<qint64>(v_));
    case Type::Unsigned: return double(std::get<quint64>(v_));
    case Type::Real: return std::get<double>(v_);
    case Type::Date: return std::get<ts::Date>(v_).seconds;
    case Type::String: return std::get<QString>(v_).trimmed().toDouble();
    default: return 0;
    }
}

Date Value::toDate() const { return type() == Type::Date ? std::get<ts::Date>(v_) : ts::Date{}; }
QByteArray Value::toData() const { return type() == Type::Data ? std::get<QByteArray>(v_) : QByteArray(); }
QString Value::toString() const { return type() == Type::String ? std::get<QString>(v_) : QString(); }
Uid Value::toUid() const { return type() == Type::Uid ? std::get<ts::Uid>(v_) : ts::Uid{}; }
ObjectPtr Value::toObject() const { return type() == Type::Object ? std::get<ObjectPtr>(v_) : nullptr; }

const ValueArray& Value::array() const { return type() == Type::Array ? std::get<ValueArray>(v_) : kEmptyArray; }
const ValueDictionary& Value::dictionary() const {
    return type() == Type::Dictionary ? std::get<ValueDictionary>(v_) : kEmptyDictionary;
}
ValueArray& Value::array() {
    if (type() != Type::Array) v_ = ValueArray();
    return std::get<ValueArray>(v_);
}
ValueDictionary& Value::dictionary() {
    if (type() != Type::Dictionary) v_ = ValueDictionary();
    return std::get<ValueDictionary>(v_);
}

const Value& Value::operator[](const QString& key) const {
    if (type() != Type::Dictionary) return kNull;
    const auto& d = std::get<ValueDictionary>(v_);
    auto it = d.find(key);
    return it == d.end() ? kNull : it->second;
}

bool Value::contains(const QString& key) const {
    return type() == Type::Dictionary && std::get<ValueDictionary>(v_).count(key) != 0;
}

bool Value::operator==(const Value& o) const {
    if (type() == Type::Object && o.type() == Type::Object) {
        const auto& a = std::get<ObjectPtr>(v_);
        const auto& b = std::get<ObjectPtr>(o.v_);
        return a == b || (a && b && a->isEqual(*b));
    }
    return v_ == o.v_;
}

const char* Value::typeName(Type t) {
    switch (t) {
    case Type::Null: return "null";
    case Type::Bool: return "bool";
    case Type::Integer: return "integer";
    case Type::Unsigned: return "unsigned integer";
    case Type::Real: return "real";
    case Type::Date: return "date";
    case Type::Data: return "data";
    case Type::String: return "string";
    case Type::Array: return "array";
    case Type::Dictionary: return "dictionary";
    case Type::Uid: return "uid";
    case Type::Object: return "object";
    }
    return "?";
}

int compareValues(const Value& a, const Value& b) {
    using T = Value::Type;
    auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (a.isNumber() && b.isNumber() && !(a.isBool() != b.isBool())) {
        if (a.type() == T::Real || b.type() == T::Real) return sign(a.toDouble(), b.toDouble());
        if (a.type() == T::Unsigned || b.type() == T::Unsigned) {
            if (a.type() == T::Integer && a.toInt64() < 0) return -1;
            if (b.type() == T::Integer && b.toInt64() < 0) return 1;
            return sign(a.toUInt64(), b.toUInt64());
        }
        return sign(a.toInt64(), b.toInt64());
    }
    if (a.type() != b.type()) return sign(int(a.type()), int(b.type()));
    switch (a.type()) {
    case T::Null: return 0;
    case T::Date: return sign(a.toDate().seconds, b.toDate().seconds);
    case T::Data: return sign(a.toData(), b.toData());
    case T::String: {
        const int c = QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    case T::Uid: return sign(a.toUid().value, b.toUid().value);
    case T::Object: {
        const ObjectPtr x = a.toObject(), y = b.toObject();
        if (x == y || x->isEqual(*y)) return 0;
        const int c = x->compare(*y);
        if (c != 0) return c < 0 ? -1 : 1;
        return sign(x.get(), y.get());
    }
    case T::Array: {
        const auto& x = a.array();
        const auto& y = b.array();
        for (size_t i = 0; i < x.size() && i < y.size(); ++i)
            if (int c = compareValues(x[i], y[i])) return c;
        return sign(x.size(), y.size());
    }
    case T::Dictionary: {
        const auto& x = a.dictionary();
        const auto& y = b.dictionary();
        auto i = x.begin();
        auto j = y.begin();
        for (; i != x.end() && j != y.end(); ++i, ++j) {
            if (int c = QString::compare(i->first, j->first)) return c < 0 ? -1 : 1;
            if (int c = compareValues(i->second, j->second)) return c;
        }
        return sign(x.size(), y.size());
    }
    default: return 0;
    }
}

QString Value::description() const {
    switch (type()) {
    case Type::Null: return QStringLiteral("(null)");
    case Type::Bool: return std::get<bool>(v_) ? QStringLiteral("1") : QStringLiteral("0");
    case Type::Integer: return QString::number(std::get<qint64>(v_));
    case Type::Unsigned: return QString::number(std::get<quint64>(v_));
    case Type::Real: return QString::number(std::get<double>(v_), 'g', 17);
    case Type::Date: return toDate().toDateTime().toString(Qt::ISODateWithMs);
    case Type::Data: return QStringLiteral("<%1>").arg(QString::fromLatin1(toData().toHex(' ')));
    case Type::String: return toString();
    case Type::Uid: return QStringLiteral("<CFKeyedArchiverUID %1>").arg(toUid().value);
    case Type::Object: return toObject()->description();
    case Type::Array: {
        QStringList parts;
        for (const auto& v : array()) parts << v.description();
        return QStringLiteral("(%1)").arg(parts.join(QStringLiteral(", ")));
    }
    case Type::Dictionary: {
        QStringList parts;
        for (const auto& [k, v] : dictionary()) parts << QStringLiteral("%1 = %2;").arg(k, v.description());
        return QStringLiteral("{%1}").arg(parts.join(QLatin1Char(' ')));
    }
    }
    return {};
}

}  // namespace ts
