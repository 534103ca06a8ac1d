#include "platform/KeyedArchiver.h"

#include "platform/Object.h"

#include <cstring>
#include <iterator>

namespace ts {

namespace {
const QString kClassKey = QStringLiteral("$class");

quint64 bitsOf(double d) {
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}
}  // namespace

KeyedArchiver::KeyedArchiver(PlistFormat format) : format_(format) {
    objects_.emplace_back(QStringLiteral("$null"));
}

KeyedArchiver::~KeyedArchiver() = default;

QByteArray KeyedArchiver::archivedDataWithRootObject(const Value& root, QString* error) {
    return archivedDataWithRootObject(root, PlistFormat::Binary, error);
}

QByteArray KeyedArchiver::archivedDataWithRootObject(const Value& root, PlistFormat format, QString* error) {
    KeyedArchiver archiver(format);
    // A null root is still named, as the "$null" reference.
    archiver.put(QStringLiteral("root"), archiver.reference(root));
    return archiver.finishEncoding(error);
}

void KeyedArchiver::fail(const QString& message) {
    if (error_.isEmpty()) error_ = message;
}

void KeyedArchiver::put(const QString& key, Value v) {
    if (current_ < 0) {
        top_[key] = std::move(v);
    } else {
        objects_[size_t(current_)].dictionary()[key] = std::move(v);
    }
}

void KeyedArchiver::encodeObject(const Value& value, const QString& key) {
    if (value.isNull()) return;
    put(key, reference(value));
}

void KeyedArchiver::encodeBool(bool value, const QString& key) { put(key, Value(value)); }
void KeyedArchiver::encodeInteger(qint64 value, const QString& key) { put(key, Value(value)); }
void KeyedArchiver::encodeDouble(double value, const QString& key) { put(key, Value(value)); }
void KeyedArchiver::encodeBytes(const QByteArray& value, const QString& key) { put(key, Value(value)); }
void KeyedArchiver::encodeInlineString(const QString& value, const QString& key) { put(key, Value(value)); }

void KeyedArchiver::encodeValue(const Value& value) {
    // Objects write a handful of unkeyed values each: their keys are made once.
    static const QString kFirstKeys[] = {QStringLiteral("$0"), QStringLiteral("$1"), QStringLiteral("$2"),
                                         QStringLiteral("$3"), QStringLiteral("$4"), QStringLiteral("$5"),
                                         QStringLiteral("$6"), QStringLiteral("$7")};
    const quint64 n = unkeyedCount_++;
    const QString key = n < std::size(kFirstKeys) ? kFirstKeys[n] : QStringLiteral("$%1").arg(n);
    switch (value.type()) {
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Unsigned:
    case Value::Type::Real:
        // Scalars written without a key stay inline, as the platform's
        // encodeValueOfObjCType: does.
        put(key, value);
        break;
    default:
        // A null keeps its place in the sequence.
        put(key, reference(value));
        break;
    }
}

quint64 KeyedArchiver::addObject(Value plist) {
    objects_.push_back(std::move(plist));
    return quint64(objects_.size() - 1);
}

Value KeyedArchiver::reference(const Value& value) {
    switch (value.type()) {
    case Value::Type::Null:
        return Uid{0};
    case Value::Type::Bool: {
        quint64& uid = boolUids_[value.toBool() ? 1 : 0];
        if (!uid) uid = addObject(value);
        return Uid{uid};
    }
    case Value::Type::Integer: {
        const qint64 i = value.toInt64();
        auto it = integerUids_.constFind(i);
        if (it != integerUids_.constEnd()) return Uid{*it};
        const quint64 uid = addObject(value);
        integerUids_.insert(i, uid);
        return Uid{uid};
    }
    case Value::Type::Real: {
        const quint64 bits = bitsOf(value.toDouble());
        auto it = realUids_.constFind(bits);
        if (it != realUids_.constEnd()) return Uid{*it};
        const quint64 uid = addObject(value);
        realUids_.insert(bits, uid);
        return Uid{uid};
    }
    case Value::Type::String: {
        const QString s = value.toString();
        auto it = stringUids_.constFind(s);
        if (it != stringUids_.constEnd()) return Uid{*it};
        const quint64 uid = addObject(value);
        stringUids_.insert(s, uid);
        return Uid{uid};
    }
    case Value::Type::Unsigned:
    case Value::Type::Data:
        return Uid{addObject(value)};
    case Value::Type::Date: {
        ValueDictionary d;
        d[QStringLiteral("NS.time")] = value.toDate().seconds;
        d[kClassKey] = Uid{classReference(QStringLiteral("NSDate"), {QStringLiteral("NSDate"), QStringLiteral("NSObject")})};
        return Uid{addObject(std::move(d))};
    }
    case Value::Type::Array:
    case Value::Type::Dictionary:
    case Value::Type::Object: {
        if (depth_ >= kMaxDepth) {
            fail(QStringLiteral("object graph nested more than %1 levels deep").arg(kMaxDepth));
            return Uid{0};
        }
        ++depth_;
        quint64 uid = 0;
        if (value.isArray()) uid = arrayReference(value.array());
        else if (value.isDictionary()) uid = dictionaryReference(value.dictionary());
        else uid = objectReference(value.toObject());
        --depth_;
        return Uid{uid};
    }
    case Value::Type::Uid:
        fail(QStringLiteral("a UID value cannot be archived"));
        return Uid{0};
    }
    return Uid{0};
}

quint64 KeyedArchiver::classReference(const QString& name, const QStringList& hierarchy) {
    auto it = classUids_.constFind(name);
    if (it != classUids_.constEnd()) return *it;
    ValueArray classes;
    classes.reserve(size_t(hierarchy.size()));
    for (const QString& c : hierarchy) classes.emplace_back(c);
    ValueDictionary d;
    d[QStringLiteral("$classname")] = name;
    d[QStringLiteral("$classes")] = std::move(classes);
    const quint64 uid = addObject(std::move(d));
    classUids_.insert(name, uid);
    return uid;
}

quint64 KeyedArchiver::nullObjectReference() {
    if (!nullObjectUid_) {
        ValueDictionary d;
        d[kClassKey] = Uid{classReference(QStringLiteral("NSNull"), {QStringLiteral("NSNull"), QStringLiteral("NSObject")})};
        nullObjectUid_ = addObject(std::move(d));
    }
    return nullObjectUid_;
}

quint64 KeyedArchiver::arrayReference(const ValueArray& array) {
    const quint64 uid = addObject(ValueDictionary{});
    ValueArray refs;
    refs.reserve(array.size());
    for (const Value& v : array) refs.push_back(v.isNull() ? Value(Uid{nullObjectReference()}) : reference(v));
    const quint64 cls = classReference(QStringLiteral("NSMutableArray"),
                                       {QStringLiteral("NSMutableArray"), QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    // Taken only now: adding entries moves the table.
    ValueDictionary& d = objects_[uid].dictionary();
    d[QStringLiteral("NS.objects")] = std::move(refs);
    d[kClassKey] = Uid{cls};
    return uid;
}

quint64 KeyedArchiver::dictionaryReference(const ValueDictionary& dictionary) {
    const quint64 uid = addObject(ValueDictionary{});
    ValueArray keys, values;
    keys.reserve(dictionary.size());
    values.reserve(dictionary.size());
    for (const auto& [k, v] : dictionary) {
        keys.push_back(reference(k));
        values.push_back(v.isNull() ? Value(Uid{nullObjectReference()}) : reference(v));
    }
    const quint64 cls = classReference(QStringLiteral("NSMutableDictionary"),
                                       {QStringLiteral("NSMutableDictionary"), QStringLiteral("NSDictionary"), QStringLiteral("NSObject")});
    ValueDictionary& d = objects_[uid].dictionary();
    d[QStringLiteral("NS.keys")] = std::move(keys);
    d[QStringLiteral("NS.objects")] = std::move(values);
    d[kClassKey] = Uid{cls};
    return uid;
}

quint64 KeyedArchiver::objectReference(const ObjectPtr& object) {
    auto it = objectUids_.constFind(object.get());
    if (it != objectUids_.constEnd()) return *it;
    keepAlive_.push_back(object);
    // Registered before its contents are written, so that a reference back
    // from inside (a child's parent) finds it.
    const quint64 uid = addObject(ValueDictionary{});
    objectUids_.insert(object.get(), uid);
    // The hierarchy is asked for only for a class not met before.
    const QString className = object->className();
    auto known = classUids_.constFind(className);
    const quint64 cls = known != classUids_.constEnd() ? *known : classReference(className, object->classHierarchy());
    objects_[uid].dictionary()[kClassKey] = Uid{cls};

    const qint64 savedCurrent = current_;
    const quint64 savedCount = unkeyedCount_;
    current_ = qint64(uid);
    unkeyedCount_ = 0;
    object->encodeWithCoder(*this);
    current_ = savedCurrent;
    unkeyedCount_ = savedCount;
    return uid;
}

namespace {
const QString kObjectsKey = QStringLiteral("$objects");

Value archiveRoot(ValueDictionary top, ValueArray objects) {
    ValueDictionary root;
    root[QStringLiteral("$archiver")] = QStringLiteral("NSKeyedArchiver");
    root[QStringLiteral("$version")] = 100000;
    root[QStringLiteral("$top")] = std::move(top);
    root[kObjectsKey] = std::move(objects);
    return Value(std::move(root));
}
}  // namespace

Value KeyedArchiver::archiveValue() const { return archiveRoot(top_, objects_); }

QByteArray KeyedArchiver::finishEncoding(QString* error) {
    QByteArray out;
    if (error_.isEmpty()) {
        QString writeError;
        // The object table, which holds everything archived, is lent to the
        // root for writing rather than copied.
        Value root = archiveRoot(top_, std::move(objects_));
        out = PropertyList::write(root, format_, &writeError);
        objects_ = std::move(root.dictionary()[kObjectsKey].array());
        if (out.isEmpty()) fail(writeError.isEmpty() ? QStringLiteral("the archive could not be written") : writeError);
    }
    if (error) *error = error_;
    return error_.isEmpty() ? out : QByteArray();
}

}  // namespace ts
