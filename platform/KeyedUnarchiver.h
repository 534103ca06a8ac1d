#pragma once
// Reads keyed archives (the layout KeyedArchiver writes and the platform's
// own archiver wrote) back into Values and objects.
//
// The platform's value classes map onto plain Values: NSString and
// NSMutableString to strings, NSNumber to numbers, NSData to data, NSDate to
// Date, NSArray, NSSet and NSOrderedSet (and their mutable forms) to arrays,
// NSDictionary to dictionaries, NSNull to null. Dictionary keys must be
// strings; number keys are turned into their decimal text, any other key is an
// error. Every other class is made through the ClassRegistry (falling back
// along the archive's "$classes" list when the named class is unknown) and
// filled by its initWithCoder(); an object whose initWithCoder() answers false
// is read as null. The object made must be of the named class or of one the
// archive's "$classes" list names (NSTextStorage, registered as an attributed
// string, qualifies through NSMutableAttributedString). NSUUID and NSValue are
// always known.
//
// Only allowed classes are made: with an empty allow-list every registered
// class is allowed; otherwise the listed classes (an object qualifies when any
// class of its hierarchy is listed) plus the standard classes of
// standardClasses(). With a non-empty list the root itself must be of a
// listed class.
//
// An object is registered before its initWithCoder() runs, so a reference back
// to it from inside (a child's parent) answers the same instance. A cycle
// through an array, dictionary or other plain value cannot be represented and
// is an error, as are references out of range, entries of the wrong type,
// missing or malformed "$class" entries, unknown classes, nesting beyond
// kMaxDepth and graphs whose expansion into plain values grows beyond a bound
// proportional to the input. The first error stops decoding; every decode
// then answers null. Nothing throws. Not thread-safe.

#include "platform/Coder.h"

#include <QHash>

#include <memory>
#include <vector>

namespace ts {

class KeyedUnarchiver : public Coder {
public:
    static constexpr int kMaxDepth = 512;

    // Opens the archive; check error() before decoding. Outside any object,
    // decoding reads the keys of "$top".
    explicit KeyedUnarchiver(const QByteArray& data, const QStringList& allowedClasses = {});
    ~KeyedUnarchiver() override;

    // The object under "$top"/"root". A null value with *error set on failure;
    // a null value without error when the archive's root is itself null.
    static Value unarchive(const QByteArray& data, const QStringList& allowedClasses = {}, QString* error = nullptr);

    // The class names always allowed next to an explicit allow-list.
    static QStringList standardClasses();

    bool allowsKeyedCoding() const override { return true; }
    bool containsValue(const QString& key) const override;
    Value decodeObject(const QString& key) override;
    bool decodeBool(const QString& key) override;
    qint64 decodeInteger(const QString& key) override;
    double decodeDouble(const QString& key) override;
    // Inline bytes, or a reference to a data object.
    QByteArray decodeBytes(const QString& key) override;
    // The next of the values written without keys ("$0", "$1", ...).
    Value decodeValue() override;

    // An unarchiver does not encode.
    void encodeObject(const Value&, const QString&) override {}

    // Lets an object's initWithCoder() reject what it was given; the whole
    // unarchive then fails with this message.
    void failWithError(const QString& message);
    // The entry of the object being decoded as the archive holds it: values
    // stored inline and references (UIDs), "$class" included. For objects
    // that keep what they do not understand and write it back.
    const ValueDictionary& currentEntry() const { return *current_; }
    QString error() const { return error_; }
    bool ok() const { return error_.isEmpty(); }

private:
    struct ClassEntry;
    // InProgressShared: being read, and already handed to another object
    // through a reference cycle.
    enum class State : quint8 { Fresh, InProgress, InProgressShared, Done };

    void load(const QByteArray& data);
    const Value* lookUp(const QString& key) const;
    Value decodeEntry(const Value& entry, const QString& key);
    Value decodeReference(quint64 uid);
    Value decodeDictionaryEntry(quint64 uid, const ValueDictionary& entry, quint64& size);
    ClassEntry* classFor(const Value& classRef);
    Value decodeStandard(int kind, const ValueDictionary& entry, quint64& size);
    Value decodeRegistered(quint64 uid, ClassEntry& cls, const ValueDictionary& entry);
    bool decodeReferenceList(const Value& list, const char* what, ValueArray& out, quint64& size);
    bool isAllowed(const QStringList& hierarchy) const;
    bool charge(quint64 nodes);
    void fail(const QString& message);

    ValueDictionary top_;
    ValueArray objects_;
    std::vector<State> states_;
    std::vector<Value> decoded_;
    std::vector<quint64> sizes_;  // plain-value nodes each decoded entry expands to
    QHash<quint64, ClassEntry*> classes_;
    std::vector<std::unique_ptr<ClassEntry>> classStore_;
    QStringList allowed_;
    bool restricted_ = false;
    QString error_;

    const ValueDictionary* current_ = nullptr;  // the object being decoded, or "$top"
    quint64 unkeyedCount_ = 0;
    int depth_ = 0;
    quint64 budget_ = 0;
    quint64 lastSize_ = 0;  // nodes of the value the last decodeReference answered
};

}  // namespace ts
