// Malformed and hostile archives: each fails with an error, never a crash.

#include "ArchiveTestClasses.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using ts::KeyedUnarchiver;
using ts::Uid;
using ts::Value;
using ts::ValueArray;
using ts::ValueDictionary;

namespace {

// An archive under construction: "$objects" with "$null" at 0.
struct Builder {
    ValueArray objects{Value("$null")};
    ValueDictionary top;
    QString archiver = "NSKeyedArchiver";
    Uid add(Value v) {
        objects.push_back(std::move(v));
        return Uid{objects.size() - 1};
    }
    Uid cls(const QString& name, ValueArray supers = {}) {
        supers.insert(supers.begin(), name);
        supers.push_back("NSObject");
        return add(ValueDictionary{{"$classname", name}, {"$classes", supers}});
    }
    Value archive() const {
        return ValueDictionary{{"$archiver", archiver}, {"$version", 100000}, {"$top", top}, {"$objects", objects}};
    }
    QByteArray data() const { return ts::PropertyList::writeBinary(archive()); }
};

struct HostileCase {
    const char* name;
    std::function<QByteArray()> make;
    QStringList allowed;
};

std::function<QByteArray()> built(void (*f)(Builder&)) {
    return [f] {
        Builder b;
        f(b);
        return b.data();
    };
}
// An archive whose root is the entry `make` answers.
std::function<QByteArray()> rooted(Value (*make)(Builder&)) {
    return [make] {
        Builder b;
        b.top["root"] = b.add(make(b));
        return b.data();
    };
}
// An entry of class `name` (a fresh class description) with `fields`.
Value of(Builder& b, const QString& name, ValueDictionary fields = {}, ValueArray supers = {}) {
    fields["$class"] = b.cls(name, std::move(supers));
    return fields;
}

std::vector<HostileCase> hostileCases() {
    using B = Builder&;
    return {
        {"NotAPropertyList", [] { return QByteArray("hello world"); }, {}},
        {"Empty", [] { return QByteArray(); }, {}},
        {"SequentialTypedstream", [] {
             static const char bytes[] = "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84";
             return QByteArray(bytes, sizeof bytes - 1);
         }, {}},
        {"PlainPropertyList", [] { return ts::PropertyList::writeBinary(ValueArray{1, 2}); }, {}},
        {"ForeignArchiverName", built([](B b) { b.archiver = "SomethingElse"; b.top["root"] = b.add("x"); }), {}},
        {"ObjectsNotAnArray", [] {
             return ts::PropertyList::writeBinary(ValueDictionary{{"$archiver", "NSKeyedArchiver"}, {"$top", ValueDictionary{{"root", Uid{1}}}}, {"$objects", "x"}});
         }, {}},
        {"TopMissing", [] {
             return ts::PropertyList::writeBinary(ValueDictionary{{"$archiver", "NSKeyedArchiver"}, {"$objects", ValueArray{"$null"}}});
         }, {}},
        {"NoRoot", built([](B b) { b.top["other"] = b.add("x"); }), {}},
        {"RootUidOutOfRange", built([](B b) { b.top["root"] = Uid{99}; }), {}},
        {"RootUidHuge", built([](B b) { b.top["root"] = Uid{UINT64_MAX}; }), {}},
        {"RootIsInlineArray", built([](B b) { b.top["root"] = ValueArray{1}; }), {}},
        {"RootIsAClassDescription", built([](B b) { b.top["root"] = b.cls("NSArray"); }), {}},
        {"EntryIsAnArray", rooted([](B) -> Value { return ValueArray{Uid{0}}; }), {}},
        {"EntryIsAUid", rooted([](B) -> Value { return Uid{0}; }), {}},
        {"ClassMissing", rooted([](B) -> Value { return ValueDictionary{{"NS.objects", ValueArray{}}}; }), {}},
        {"ClassNotAUid", rooted([](B) -> Value { return ValueDictionary{{"$class", "NSArray"}}; }), {}},
        {"ClassNotADictionary", rooted([](B b) -> Value { return ValueDictionary{{"$class", b.add("NSArray")}}; }), {}},
        {"ClassIsNull", rooted([](B) -> Value { return ValueDictionary{{"$class", Uid{0}}}; }), {}},
        {"ClassOutOfRange", rooted([](B) -> Value { return ValueDictionary{{"$class", Uid{500}}}; }), {}},
        {"ClassNameNotAString", rooted([](B b) -> Value { return ValueDictionary{{"$class", b.add(ValueDictionary{{"$classname", 5}})}}; }), {}},
        {"ClassesHoldANumber", rooted([](B b) -> Value {
             return ValueDictionary{{"$class", b.add(ValueDictionary{{"$classname", "NSArray"}, {"$classes", ValueArray{3}}})}};
         }), {}},
        {"UnknownClass", rooted([](B b) { return of(b, "NSWindowController"); }), {}},
        {"UnregisteredClass", rooted([](B b) { return of(b, "Stranger"); }), {}},
        {"ArrayMemberNotAUid", rooted([](B b) { return of(b, "NSArray", {{"NS.objects", ValueArray{"x"}}}); }), {}},
        {"ArrayObjectsNotAnArray", rooted([](B b) { return of(b, "NSArray", {{"NS.objects", 3}}); }), {}},
        {"ArrayMemberOutOfRange", rooted([](B b) { return of(b, "NSArray", {{"NS.objects", ValueArray{Uid{77}}}}); }), {}},
        {"DictionaryCountsDiffer", rooted([](B b) {
             return of(b, "NSDictionary", {{"NS.keys", ValueArray{b.add("a"), b.add("b")}}, {"NS.objects", ValueArray{b.add(1)}}});
         }), {}},
        {"DictionaryKeyIsData", rooted([](B b) {
             return of(b, "NSDictionary", {{"NS.keys", ValueArray{b.add(QByteArray("k"))}}, {"NS.objects", ValueArray{b.add(1)}}});
         }), {}},
        {"DictionaryKeyIsNull", rooted([](B b) {
             return of(b, "NSDictionary", {{"NS.keys", ValueArray{Uid{0}}}, {"NS.objects", ValueArray{b.add(1)}}});
         }), {}},
        {"DictionaryWithoutKeys", rooted([](B b) { return of(b, "NSDictionary", {{"NS.objects", ValueArray{}}}); }), {}},
        {"ArrayContainsItself", built([](B b) {
             const Uid arrayClass = b.cls("NSArray");
             const Uid self{b.objects.size()};
             b.top["root"] = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{self}}});
         }), {}},
        {"CycleThroughDictionaryAndArray", built([](B b) {
             const Uid arrayClass = b.cls("NSMutableArray", {"NSArray"});
             const Uid dictClass = b.cls("NSDictionary");
             const Uid dict{b.objects.size()}, array{b.objects.size() + 1}, key{b.objects.size() + 2};
             b.add(ValueDictionary{{"$class", dictClass}, {"NS.keys", ValueArray{key}}, {"NS.objects", ValueArray{array}}});
             b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{dict}}});
             b.add("key");
             b.top["root"] = dict;
         }), {}},
        // A node whose extra array holds that same array: the node may be
        // referred to while it is read, the array may not.
        {"CycleThroughAnObjectsPlainValue", built([](B b) {
             const Uid node{b.objects.size()}, array{b.objects.size() + 1};
             b.add(ValueDictionary{{"$class", Uid{b.objects.size() + 2}}, {"extra", array}});
             b.add(ValueDictionary{{"$class", Uid{b.objects.size() + 2}}, {"NS.objects", ValueArray{node, array}}});
             b.cls("Node");
             b.cls("NSArray");
             b.top["root"] = node;
         }), {}},
        // A node that fails to read (its children hold a string) after its
        // child took it as parent: the child would keep a half-made node.
        {"FailedObjectAlreadyHeldThroughACycle", built([](B b) {
             const Uid nodeClass = b.cls("Node");
             const Uid arrayClass = b.cls("NSArray");
             const quint64 n = b.objects.size();
             const Uid node{n}, children{n + 1}, child{n + 2}, text{n + 3};
             b.add(ValueDictionary{{"$class", nodeClass}, {"children", children}});
             b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{child, text}}});
             b.add(ValueDictionary{{"$class", nodeClass}, {"parent", node}});
             b.add("not a node");
             b.top["root"] = node;
         }), {}},
        {"DeepNesting", built([](B b) {
             const Uid arrayClass = b.cls("NSArray");
             Uid inner = b.add("leaf");
             for (int i = 0; i < 100000; ++i) inner = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{inner}}});
             b.top["root"] = inner;
         }), {}},
        // Each level holds the previous one twice: 2^80 values once expanded.
        {"ExponentialSharing", built([](B b) {
             const Uid arrayClass = b.cls("NSArray");
             Uid inner = b.add("leaf");
             for (int i = 0; i < 80; ++i) inner = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{inner, inner}}});
             b.top["root"] = inner;
         }), {}},
        {"DateTimeIsAString", rooted([](B b) { return of(b, "NSDate", {{"NS.time", "yesterday"}}); }), {}},
        {"MutableStringHoldsANumber", rooted([](B b) { return of(b, "NSMutableString", {{"NS.string", b.add(4)}}, {"NSString"}); }), {}},
        {"MutableDataWithoutData", rooted([](B b) { return of(b, "NSMutableData", {}, {"NSData"}); }), {}},
        {"ObjectKeyHoldsAnInlineDictionary", rooted([](B b) { return of(b, "Node", {{"name", ValueDictionary{{"a", 1}}}}); }), {}},
        {"IntegerKeyHoldsAString", rooted([](B b) { return of(b, "Node", {{"count", "many"}}); }), {}},
        {"DisallowedNestedClass", rooted([](B b) { return of(b, "Node", {{"extra", b.add(of(b, "Gadget"))}}); }), {"Node"}},
        {"DisallowedRoot", rooted([](B b) { return of(b, "Gadget"); }), {"Node"}},
        {"DisallowedPlainRoot", rooted([](B) -> Value { return "text"; }), {"Node"}},
    };
}

class KeyedArchiveHostile : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override { archivetest::registerTestClasses(); }
};

TEST_P(KeyedArchiveHostile, FailsWithAnError) {
    const HostileCase& c = GetParam();
    QString error;
    const Value v = KeyedUnarchiver::unarchive(c.make(), c.allowed, &error);
    EXPECT_TRUE(v.isNull()) << v.description().toStdString();
    EXPECT_FALSE(error.isEmpty());
    if (qEnvironmentVariableIsSet("TS_SHOW_ERRORS")) fprintf(stderr, "%s: %s\n", c.name, qPrintable(error));
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyedArchiveHostile, ::testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyedArchiveHostileControls, WellFormedVariantsOfTheCasesDecode) {
    archivetest::registerTestClasses();
    // The same shapes as the failing cases with the fault removed.
    Builder b;
    const Uid arrayClass = b.cls("NSArray");
    Uid inner = b.add("leaf");
    for (int i = 0; i < 200; ++i) inner = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{inner, inner}}});
    const Uid x = b.add("x");
    const Uid innerArray = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{x}}});
    b.top["root"] = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{innerArray}}});
    QString error;
    const Value got = KeyedUnarchiver::unarchive(b.data(), {}, &error);
    EXPECT_EQ(got, Value(ValueArray{Value(ValueArray{"x"})})) << error.toStdString() << got.description().toStdString();

    // Moderate nesting and moderate sharing are fine.
    Builder c;
    const Uid cArray = c.cls("NSArray");
    Uid v = c.add("leaf");
    for (int i = 0; i < 300; ++i) v = c.add(ValueDictionary{{"$class", cArray}, {"NS.objects", ValueArray{v}}});
    Uid shared = c.add("leaf");
    for (int i = 0; i < 10; ++i) shared = c.add(ValueDictionary{{"$class", cArray}, {"NS.objects", ValueArray{shared, shared}}});
    c.top["root"] = c.add(ValueDictionary{{"$class", cArray}, {"NS.objects", ValueArray{v, shared}}});
    const Value both = KeyedUnarchiver::unarchive(c.data(), {}, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(both.array().size(), 2u);
}

// Inputs kept from fuzzing (the first one stopped the fuzzer through a cycle of
// strong references in its harness): each must fail or decode cleanly.
TEST(KeyedArchiveHostileControls, FuzzRegressionInputs) {
    archivetest::registerTestClasses();
    const QDir dir(QStringLiteral(TS_ARCHIVE_REGRESSION_DIR));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << dir.path().toStdString();
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        QString error;
        const Value v = KeyedUnarchiver::unarchive(f.readAll(), {}, &error);
        EXPECT_TRUE(error.isEmpty() || v.isNull()) << name.toStdString();
    }
}

}  // namespace
