#include "platform/KeyedUnarchiver.h"

#include "platform/ClassRegistry.h"
#include "platform/GeometryValue.h"
#include "platform/PropertyList.h"
#include "platform/Uuid.h"

#include <functional>

namespace ts {

namespace {

const QString kClassKey = QStringLiteral("$class");
const QString kObjectsKey = QStringLiteral("NS.objects");
const QString kKeysKey = QStringLiteral("NS.keys");

// The platform's value classes that decode into plain Values.
enum StandardKind { NotStandard = -1, StringKind, DataKind, ArrayKind, DictionaryKind, DateKind, NullKind };

struct StandardClass {
    const char* name;
    StandardKind kind;
    const char* hierarchy[4];
};

const StandardClass kStandard[] = {
    {"NSString", StringKind, {"NSString"}},
    {"NSMutableString", StringKind, {"NSMutableString", "NSString"}},
    {"NSData", DataKind, {"NSData"}},
    {"NSMutableData", DataKind, {"NSMutableData", "NSData"}},
    {"NSArray", ArrayKind, {"NSArray"}},
    {"NSMutableArray", ArrayKind, {"NSMutableArray", "NSArray"}},
    {"NSSet", ArrayKind, {"NSSet"}},
    {"NSMutableSet", ArrayKind, {"NSMutableSet", "NSSet"}},
    {"NSOrderedSet", ArrayKind, {"NSOrderedSet"}},
    {"NSMutableOrderedSet", ArrayKind, {"NSMutableOrderedSet", "NSOrderedSet"}},
    {"NSDictionary", DictionaryKind, {"NSDictionary"}},
    {"NSMutableDictionary", DictionaryKind, {"NSMutableDictionary", "NSDictionary"}},
    {"NSDate", DateKind, {"NSDate"}},
    {"NSNull", NullKind, {"NSNull"}},
};

const StandardClass* standardClass(const QString& name) {
    for (const auto& c : kStandard)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

QStringList hierarchyOf(const StandardClass& c) {
    QStringList l;
    for (const char* n : c.hierarchy)
        if (n) l << QString::fromLatin1(n);
    l << QStringLiteral("NSObject");
    return l;
}

// Classes this reader makes itself when nobody registered them.
std::function<ObjectPtr()> builtinFactory(const QString& name) {
    if (name == Uuid::staticClassName()) return [] { return std::make_shared<Uuid>(); };
    if (name == GeometryValue::staticClassName()) return [] { return std::make_shared<GeometryValue>(); };
    return {};
}

// Class names of bare property-list entries, for the root check.
QStringList plainHierarchy(const Value& entry) {
    switch (entry.type()) {
    case Value::Type::String: return {QStringLiteral("NSString"), QStringLiteral("NSObject")};
    case Value::Type::Data: return {QStringLiteral("NSData"), QStringLiteral("NSObject")};
    case Value::Type::Date: return {QStringLiteral("NSDate"), QStringLiteral("NSObject")};
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Unsigned:
    case Value::Type::Real:
        return {QStringLiteral("NSNumber"), QStringLiteral("NSValue"), QStringLiteral("NSObject")};
    default: return {};
    }
}

}  // namespace

struct KeyedUnarchiver::ClassEntry {
    QString name;  // the class actually used (after falling back along "$classes")
    StandardKind kind = NotStandard;
    std::function<ObjectPtr()> make;
    QStringList hierarchy;  // of the class used; for made objects filled on first use
    QStringList archived;   // the archive's own name and "$classes" for it, without NSObject
    bool checked = false;   // kind and allow-list checked (made objects)
    QString error;          // why objects of this class cannot be read
};

QStringList KeyedUnarchiver::standardClasses() {
    QStringList l;
    for (const auto& c : kStandard) l << QString::fromLatin1(c.name);
    l << QStringLiteral("NSNumber") << Uuid::staticClassName() << GeometryValue::staticClassName()
      // The rich-text value classes the platform registers.
      << QStringLiteral("NSURL") << QStringLiteral("NSColor") << QStringLiteral("NSFont")
      << QStringLiteral("NSParagraphStyle") << QStringLiteral("NSMutableParagraphStyle") << QStringLiteral("NSTextTab")
      << QStringLiteral("NSAttributedString") << QStringLiteral("NSMutableAttributedString")
      << QStringLiteral("NSTextStorage") << QStringLiteral("NSTextAttachment") << QStringLiteral("NSFileWrapper");
    return l;
}

KeyedUnarchiver::KeyedUnarchiver(const QByteArray& data, const QStringList& allowedClasses)
    : allowed_(allowedClasses), restricted_(!allowedClasses.isEmpty()) {
    if (restricted_) allowed_ << standardClasses();
    current_ = &top_;
    // Each decoded reference may copy a plain value; bounding the total keeps
    // graphs that share containers many times over from blowing up.
    budget_ = 1'000'000 + 16 * quint64(data.size());
    load(data);
}

void KeyedUnarchiver::load(const QByteArray& data) {
    if (data.isEmpty()) return fail(QStringLiteral("no data"));
    PlistResult plist = PropertyList::read(data);
    if (!plist.ok()) return fail(QStringLiteral("not a property list: %1").arg(plist.error));
    Value& root = plist.value;
    if (!root.isDictionary()) return fail(QStringLiteral("the archive is not a dictionary"));
    if (root[QStringLiteral("$archiver")].toString() != QLatin1String("NSKeyedArchiver"))
        return fail(QStringLiteral("not a keyed archive (no \"$archiver\" = NSKeyedArchiver)"));
    const Value& version = root[QStringLiteral("$version")];
    if (!version.isNull() && !version.isInteger()) return fail(QStringLiteral("\"$version\" is not an integer"));
    ValueDictionary& d = root.dictionary();
    auto objects = d.find(QStringLiteral("$objects"));
    auto top = d.find(QStringLiteral("$top"));
    if (objects == d.end() || !objects->second.isArray() || objects->second.array().empty())
        return fail(QStringLiteral("\"$objects\" is missing or not an array"));
    if (top == d.end() || !top->second.isDictionary()) return fail(QStringLiteral("\"$top\" is missing or not a dictionary"));
    objects_ = std::move(objects->second.array());
    top_ = std::move(top->second.dictionary());
    states_.assign(objects_.size(), State::Fresh);
    decoded_.resize(objects_.size());
    sizes_.assign(objects_.size(), 1);
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

Value KeyedUnarchiver::unarchive(const QByteArray& data, const QStringList& allowedClasses, QString* error) {
    KeyedUnarchiver u(data, allowedClasses);
    Value root;
    if (u.ok()) {
        const QString rootKey = QStringLiteral("root");
        if (!u.containsValue(rootKey)) u.fail(QStringLiteral("the archive has no root object"));
        else root = u.decodeObject(rootKey);
    }
    if (u.ok() && u.restricted_ && !root.isNull()) {
        QStringList hierarchy;
        if (root.isObject()) {
            hierarchy = root.toObject()->classHierarchy();
        } else if (const Value* ref = u.lookUp(QStringLiteral("root")); ref && ref->isUid()) {
            const Value& entry = u.objects_[size_t(ref->toUid().value)];
            if (entry.isDictionary()) {
                if (const ClassEntry* cls = u.classFor(entry[kClassKey])) hierarchy = cls->hierarchy;
            } else {
                hierarchy = plainHierarchy(entry);
            }
        } else {
            hierarchy = plainHierarchy(root);
        }
        bool listed = false;
        for (const QString& c : hierarchy) listed = listed || allowedClasses.contains(c);
        if (!listed)
            u.fail(QStringLiteral("the root object of class %1 is not of an allowed class (%2)")
                       .arg(hierarchy.value(0, QStringLiteral("?")), allowedClasses.join(QStringLiteral(", "))));
    }
    if (error) *error = u.error();
    return u.ok() ? root : Value();
}

void KeyedUnarchiver::fail(const QString& message) {
    if (error_.isEmpty()) error_ = message;
}

void KeyedUnarchiver::failWithError(const QString& message) {
    fail(message.isEmpty() ? QStringLiteral("an object refused its archived form") : message);
}

bool KeyedUnarchiver::charge(quint64 nodes) {
    if (nodes > budget_) {
        fail(QStringLiteral("the archive expands to too many values"));
        budget_ = 0;
        return false;
    }
    budget_ -= nodes;
    return true;
}

const Value* KeyedUnarchiver::lookUp(const QString& key) const {
    if (!current_) return nullptr;
    auto it = current_->find(key);
    return it == current_->end() ? nullptr : &it->second;
}

bool KeyedUnarchiver::containsValue(const QString& key) const { return lookUp(key) != nullptr; }

Value KeyedUnarchiver::decodeObject(const QString& key) {
    if (!ok()) return {};
    const Value* v = lookUp(key);
    return v ? decodeEntry(*v, key) : Value();
}

Value KeyedUnarchiver::decodeValue() {
    if (!ok()) return {};
    const QString key = QStringLiteral("$%1").arg(unkeyedCount_++);
    const Value* v = lookUp(key);
    if (!v) {
        fail(QStringLiteral("no value %1 written without a key").arg(key));
        return {};
    }
    return decodeEntry(*v, key);
}

Value KeyedUnarchiver::decodeEntry(const Value& entry, const QString& key) {
    switch (entry.type()) {
    case Value::Type::Uid:
        return decodeReference(entry.toUid().value);
    case Value::Type::Array:
    case Value::Type::Dictionary:
    case Value::Type::Null:
    case Value::Type::Object:
        fail(QStringLiteral("unexpected %1 under key \"%2\"").arg(QLatin1String(Value::typeName(entry.type())), key));
        return {};
    default:
        // Scalars, text and bytes stored inline.
        lastSize_ = 1;
        return entry;
    }
}

bool KeyedUnarchiver::decodeBool(const QString& key) {
    const Value v = decodeObject(key);
    if (!v.isNull() && !v.isNumber()) fail(QStringLiteral("\"%1\" is not a boolean").arg(key));
    return v.toBool();
}

qint64 KeyedUnarchiver::decodeInteger(const QString& key) {
    const Value v = decodeObject(key);
    if (!v.isNull() && !v.isNumber()) fail(QStringLiteral("\"%1\" is not an integer").arg(key));
    return v.toInt64();
}

double KeyedUnarchiver::decodeDouble(const QString& key) {
    const Value v = decodeObject(key);
    if (!v.isNull() && !v.isNumber()) fail(QStringLiteral("\"%1\" is not a number").arg(key));
    return v.toDouble();
}

QByteArray KeyedUnarchiver::decodeBytes(const QString& key) {
    const Value v = decodeObject(key);
    if (!v.isNull() && !v.isData()) fail(QStringLiteral("\"%1\" is not data").arg(key));
    return v.toData();
}

Value KeyedUnarchiver::decodeReference(quint64 uid) {
    lastSize_ = 1;
    if (!ok()) return {};
    if (uid == 0) return {};
    if (uid >= objects_.size()) {
        fail(QStringLiteral("reference %1 out of range (%2 objects)").arg(uid).arg(objects_.size()));
        return {};
    }
    const size_t i = size_t(uid);
    switch (states_[i]) {
    case State::Done:
        lastSize_ = sizes_[i];
        if (!charge(lastSize_)) return {};
        return decoded_[i];
    case State::InProgress:
    case State::InProgressShared:
        // Only an object, registered before its initWithCoder ran, can be
        // referred to while it is being read.
        if (decoded_[i].isObject()) {
            states_[i] = State::InProgressShared;
            return decoded_[i];  // lastSize_ is 1
        }
        fail(QStringLiteral("reference %1 refers back to a value that contains it").arg(uid));
        return {};
    case State::Fresh:
        break;
    }

    const Value& entry = objects_[i];
    switch (entry.type()) {
    case Value::Type::String:
    case Value::Type::Data:
    case Value::Type::Date:
    case Value::Type::Bool:
    case Value::Type::Integer:
    case Value::Type::Unsigned:
    case Value::Type::Real:
        states_[i] = State::Done;
        decoded_[i] = entry;
        charge(1);
        return entry;
    case Value::Type::Dictionary:
        break;
    default:
        fail(QStringLiteral("object %1 is of type %2, not an archived object").arg(uid).arg(QLatin1String(Value::typeName(entry.type()))));
        return {};
    }

    if (depth_ >= kMaxDepth) {
        fail(QStringLiteral("objects nested more than %1 levels deep").arg(kMaxDepth));
        return {};
    }
    ++depth_;
    states_[i] = State::InProgress;
    quint64 size = 1;
    Value v = decodeDictionaryEntry(uid, entry.dictionary(), size);
    --depth_;
    if (!ok()) return {};
    states_[i] = State::Done;
    sizes_[i] = size;
    lastSize_ = size;
    if (!charge(size)) return {};
    decoded_[i] = v;
    return v;
}

KeyedUnarchiver::ClassEntry* KeyedUnarchiver::classFor(const Value& classRef) {
    if (!classRef.isUid()) {
        fail(classRef.isNull() ? QStringLiteral("an archived object has no \"$class\"")
                               : QStringLiteral("\"$class\" is not a reference"));
        return nullptr;
    }
    const quint64 uid = classRef.toUid().value;
    if (auto it = classes_.constFind(uid); it != classes_.constEnd()) return *it;
    if (uid == 0 || uid >= objects_.size()) {
        fail(QStringLiteral("\"$class\" reference %1 out of range").arg(uid));
        return nullptr;
    }
    const Value& info = objects_[size_t(uid)];
    const Value& name = info[QStringLiteral("$classname")];
    if (!info.isDictionary() || !name.isString()) {
        fail(QStringLiteral("\"$class\" %1 is not a class description").arg(uid));
        return nullptr;
    }
    QStringList candidates{name.toString()};
    const Value& classes = info[QStringLiteral("$classes")];
    if (!classes.isNull() && !classes.isArray()) {
        fail(QStringLiteral("\"$classes\" of %1 is not an array").arg(name.toString()));
        return nullptr;
    }
    for (const Value& c : classes.array()) {
        if (!c.isString()) {
            fail(QStringLiteral("\"$classes\" of %1 holds a value of type %2").arg(name.toString(), QLatin1String(Value::typeName(c.type()))));
            return nullptr;
        }
        if (!candidates.contains(c.toString()) && c.toString() != QLatin1String("NSObject")) candidates << c.toString();
    }

    auto cls = std::make_unique<ClassEntry>();
    cls->archived = candidates;
    for (const QString& candidate : candidates) {
        if (const StandardClass* s = standardClass(candidate)) {
            cls->name = candidate;
            cls->kind = s->kind;
            cls->hierarchy = hierarchyOf(*s);
            cls->checked = true;
            break;
        }
        if (auto f = ClassRegistry::info(candidate)) {
            cls->name = candidate;
            cls->make = f->make;
            break;
        }
        if (auto f = builtinFactory(candidate)) {
            cls->name = candidate;
            cls->make = std::move(f);
            break;
        }
    }
    if (cls->name.isEmpty()) cls->error = QStringLiteral("unknown class %1").arg(name.toString());
    ClassEntry* raw = cls.get();
    classStore_.push_back(std::move(cls));
    classes_.insert(uid, raw);
    return raw;
}

bool KeyedUnarchiver::isAllowed(const QStringList& hierarchy) const {
    if (!restricted_) return true;
    for (const QString& c : hierarchy)
        if (allowed_.contains(c)) return true;
    return false;
}

Value KeyedUnarchiver::decodeDictionaryEntry(quint64 uid, const ValueDictionary& entry, quint64& size) {
    auto it = entry.find(kClassKey);
    ClassEntry* cls = classFor(it == entry.end() ? Value() : it->second);
    if (!cls) return {};
    if (!cls->error.isEmpty()) {
        fail(cls->error);
        return {};
    }
    if (cls->kind != NotStandard) return decodeStandard(cls->kind, entry, size);
    return decodeRegistered(uid, *cls, entry);
}

bool KeyedUnarchiver::decodeReferenceList(const Value& list, const char* what, ValueArray& out, quint64& size) {
    if (!list.isArray()) {
        fail(QStringLiteral("%1 is not an array").arg(QLatin1String(what)));
        return false;
    }
    out.reserve(list.array().size());
    for (const Value& ref : list.array()) {
        if (!ref.isUid()) {
            fail(QStringLiteral("%1 holds a value of type %2, not a reference").arg(QLatin1String(what), QLatin1String(Value::typeName(ref.type()))));
            return false;
        }
        out.push_back(decodeReference(ref.toUid().value));
        if (!ok()) return false;
        size += lastSize_;
    }
    return true;
}

Value KeyedUnarchiver::decodeStandard(int kind, const ValueDictionary& entry, quint64& size) {
    // A container's size is one plus its members' sizes.
    const auto field = [&entry](const QString& key) -> const Value* {
        auto it = entry.find(key);
        return it == entry.end() ? nullptr : &it->second;
    };
    const auto scalar = [&](const QString& key, Value::Type type, const char* what) -> Value {
        const Value* v = field(key);
        if (!v) {
            fail(QStringLiteral("%1 without \"%2\"").arg(QLatin1String(what), key));
            return {};
        }
        Value out = v->isUid() ? decodeReference(v->toUid().value) : *v;
        if (ok() && out.type() != type) {
            fail(QStringLiteral("\"%1\" of %2 is of type %3").arg(key, QLatin1String(what), QLatin1String(Value::typeName(out.type()))));
            return {};
        }
        return out;
    };

    switch (StandardKind(kind)) {
    case StringKind: return scalar(QStringLiteral("NS.string"), Value::Type::String, "a string");
    case DataKind: return scalar(QStringLiteral("NS.data"), Value::Type::Data, "a data object");
    case NullKind: return {};
    case DateKind: {
        const Value* t = field(QStringLiteral("NS.time"));
        if (!t || !(t->isReal() || t->isInteger())) {
            fail(QStringLiteral("a date without a numeric \"NS.time\""));
            return {};
        }
        return Date{t->toDouble()};
    }
    case ArrayKind: {
        ValueArray items;
        if (const Value* list = field(kObjectsKey)) {
            if (!decodeReferenceList(*list, "\"NS.objects\"", items, size)) return {};
        } else {
            // The older form: one key per member.
            for (quint64 n = 0;; ++n) {
                const Value* ref = field(QStringLiteral("NS.object.%1").arg(n));
                if (!ref) break;
                if (!ref->isUid()) {
                    fail(QStringLiteral("\"NS.object.%1\" is not a reference").arg(n));
                    return {};
                }
                items.push_back(decodeReference(ref->toUid().value));
                if (!ok()) return {};
                size += lastSize_;
            }
        }
        return Value(std::move(items));
    }
    case DictionaryKind: {
        ValueArray keys, values;
        const Value* keyList = field(kKeysKey);
        const Value* valueList = field(kObjectsKey);
        if (keyList || valueList) {
            if (!keyList || !valueList) {
                fail(QStringLiteral("a dictionary with \"NS.keys\" or \"NS.objects\" but not both"));
                return {};
            }
            if (!decodeReferenceList(*keyList, "\"NS.keys\"", keys, size) ||
                !decodeReferenceList(*valueList, "\"NS.objects\"", values, size))
                return {};
            if (keys.size() != values.size()) {
                fail(QStringLiteral("a dictionary with %1 keys and %2 values").arg(keys.size()).arg(values.size()));
                return {};
            }
        } else {
            for (quint64 n = 0;; ++n) {
                const Value* k = field(QStringLiteral("NS.key.%1").arg(n));
                const Value* v = field(QStringLiteral("NS.object.%1").arg(n));
                if (!k && !v) break;
                if (!k || !v || !k->isUid() || !v->isUid()) {
                    fail(QStringLiteral("dictionary member %1 is malformed").arg(n));
                    return {};
                }
                keys.push_back(decodeReference(k->toUid().value));
                size += lastSize_;
                values.push_back(decodeReference(v->toUid().value));
                size += lastSize_;
                if (!ok()) return {};
            }
        }
        ValueDictionary out;
        for (size_t n = 0; n < keys.size(); ++n) {
            QString key;
            if (keys[n].isString()) key = keys[n].toString();
            else if (keys[n].isInteger() || keys[n].isReal()) key = keys[n].description();
            else {
                fail(QStringLiteral("a dictionary key of type %1").arg(QLatin1String(Value::typeName(keys[n].type()))));
                return {};
            }
            out[key] = std::move(values[n]);
        }
        return Value(std::move(out));
    }
    case NotStandard: break;
    }
    return {};
}

Value KeyedUnarchiver::decodeRegistered(quint64 uid, ClassEntry& cls, const ValueDictionary& entry) {
    ObjectPtr object = cls.make();
    if (!object) {
        fail(QStringLiteral("class %1 could not be made").arg(cls.name));
        return {};
    }
    if (!cls.checked) {
        cls.hierarchy = object->classHierarchy();
        // A class registered under another name (a text view's storage read
        // as the attributed string it is) qualifies when the object made is
        // of a class the archive itself names for it.
        bool kindMatches = cls.hierarchy.contains(cls.name);
        for (const QString& c : cls.archived) kindMatches = kindMatches || cls.hierarchy.contains(c);
        if (!kindMatches)
            cls.error = QStringLiteral("class %1 made an object of class %2").arg(cls.name, object->className());
        else if (!isAllowed(cls.hierarchy))
            cls.error = QStringLiteral("class %1 is not allowed here").arg(cls.name);
        cls.checked = true;
    }
    if (!cls.error.isEmpty()) {
        fail(cls.error);
        return {};
    }

    const size_t i = size_t(uid);
    decoded_[i] = Value(object);
    const ValueDictionary* savedCurrent = current_;
    const quint64 savedCount = unkeyedCount_;
    current_ = &entry;
    unkeyedCount_ = 0;
    const bool read = object->initWithCoder(*this);
    current_ = savedCurrent;
    unkeyedCount_ = savedCount;
    if (!ok()) return {};
    if (!read) {
        // Another object of the archive already holds this one, half made:
        // nothing read from such an archive can be trusted.
        if (states_[i] == State::InProgressShared) {
            fail(QStringLiteral("object %1 (%2) could not be read, but an object that refers back to it already holds it")
                     .arg(uid)
                     .arg(cls.name));
            return {};
        }
        decoded_[i] = Value();
    }
    return decoded_[i];
}

}  // namespace ts
