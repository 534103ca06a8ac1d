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

QByteArray fromBuilder(const std::function<void(Builder&)>& f) {
    Builder b;
    f(b);
    return b.data();
}

std::vector<HostileCase> hostileCases() {
    return {
        {"NotAPropertyList", [] { return QByteArray("hello world"); }, {}},
        {"Empty", [] { return QByteArray(); }, {}},
        {"SequentialTypedstream", [] {
             static const char bytes[] = "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84";
             return QByteArray(bytes, sizeof bytes - 1);
         }, {}},
        {"PlainPropertyList", [] { return ts::PropertyList::writeBinary(ValueArray{1, 2}); }, {}},
        {"ForeignArchiverName", [] { return fromBuilder([](Builder& b) { b.archiver = "SomethingElse"; b.top["root"] = b.add("x"); }); }, {}},
        {"ObjectsNotAnArray", [] {
             return ts::PropertyList::writeBinary(ValueDictionary{{"$archiver", "NSKeyedArchiver"}, {"$top", ValueDictionary{{"root", Uid{1}}}}, {"$objects", "x"}});
         }, {}},
        {"TopMissing", [] {
             return ts::PropertyList::writeBinary(ValueDictionary{{"$archiver", "NSKeyedArchiver"}, {"$objects", ValueArray{"$null"}}});
         }, {}},
        {"NoRoot", [] { return fromBuilder([](Builder& b) { b.top["other"] = b.add("x"); }); }, {}},
        {"RootUidOutOfRange", [] { return fromBuilder([](Builder& b) { b.top["root"] = Uid{99}; }); }, {}},
        {"RootUidHuge", [] { return fromBuilder([](Builder& b) { b.top["root"] = Uid{UINT64_MAX}; }); }, {}},
        {"RootIsInlineArray", [] { return fromBuilder([](Builder& b) { b.top["root"] = ValueArray{1}; }); }, {}},
        {"EntryIsAnArray", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueArray{Uid{0}}); }); }, {}},
        {"EntryIsAUid", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(Uid{0}); }); }, {}},
        {"ClassMissing", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"NS.objects", ValueArray{}}}); }); }, {}},
        {"ClassNotAUid", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", "NSArray"}}); }); }, {}},
        {"ClassNotADictionary", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.add("NSArray")}}); });
         }, {}},
        {"ClassIsNull", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", Uid{0}}}); }); }, {}},
        {"ClassOutOfRange", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", Uid{500}}}); }); }, {}},
        {"ClassNameNotAString", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.add(ValueDictionary{{"$classname", 5}})}});
             });
         }, {}},
        {"ClassesHoldANumber", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.add(ValueDictionary{{"$classname", "NSArray"}, {"$classes", ValueArray{3}}})}});
             });
         }, {}},
        {"UnknownClass", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSWindowController")}}); }); }, {}},
        {"UnregisteredClass", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("Stranger")}}); }); }, {}},
        {"RootIsAClassDescription", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.cls("NSArray"); }); }, {}},
        {"ArrayMemberNotAUid", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSArray")}, {"NS.objects", ValueArray{"x"}}}); });
         }, {}},
        {"ArrayObjectsNotAnArray", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSArray")}, {"NS.objects", 3}}); });
         }, {}},
        {"ArrayMemberOutOfRange", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSArray")}, {"NS.objects", ValueArray{Uid{77}}}}); });
         }, {}},
        {"DictionaryCountsDiffer", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSDictionary")}, {"NS.keys", ValueArray{b.add("a"), b.add("b")}}, {"NS.objects", ValueArray{b.add(1)}}});
             });
         }, {}},
        {"DictionaryKeyIsData", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSDictionary")}, {"NS.keys", ValueArray{b.add(QByteArray("k"))}}, {"NS.objects", ValueArray{b.add(1)}}});
             });
         }, {}},
        {"DictionaryKeyIsNull", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSDictionary")}, {"NS.keys", ValueArray{Uid{0}}}, {"NS.objects", ValueArray{b.add(1)}}});
             });
         }, {}},
        {"DictionaryWithoutKeys", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSDictionary")}, {"NS.objects", ValueArray{}}}); });
         }, {}},
        {"ArrayContainsItself", [] {
             return fromBuilder([](Builder& b) {
                 const Uid arrayClass = b.cls("NSArray");
                 const Uid self{b.objects.size()};
                 b.top["root"] = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{self}}});
             });
         }, {}},
        {"CycleThroughDictionaryAndArray", [] {
             return fromBuilder([](Builder& b) {
                 const Uid arrayClass = b.cls("NSMutableArray", {"NSArray"});
                 const Uid dictClass = b.cls("NSDictionary");
                 const Uid dict{b.objects.size()};
                 const Uid array{b.objects.size() + 1};
                 const Uid key{b.objects.size() + 2};
                 b.add(ValueDictionary{{"$class", dictClass}, {"NS.keys", ValueArray{key}}, {"NS.objects", ValueArray{array}}});
                 b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{dict}}});
                 b.add("key");
                 b.top["root"] = dict;
             });
         }, {}},
        {"CycleThroughAnObjectsPlainValue", [] {
             // A node whose extra array holds that same array: the node may be
             // referred to while it is read, the array may not.
             return fromBuilder([](Builder& b) {
                 const Uid node{b.objects.size()};
                 const Uid array{b.objects.size() + 1};
                 const Uid nodeClass = Uid{b.objects.size() + 2};
                 b.add(ValueDictionary{{"$class", nodeClass}, {"extra", array}});
                 b.add(ValueDictionary{{"$class", Uid{b.objects.size() + 2}}, {"NS.objects", ValueArray{node, array}}});
                 b.cls("Node");
                 b.cls("NSArray");
                 b.top["root"] = node;
             });
         }, {}},
        {"DeepNesting", [] {
             return fromBuilder([](Builder& b) {
                 const Uid arrayClass = b.cls("NSArray");
                 Uid inner = b.add("leaf");
                 for (int i = 0; i < 100000; ++i) inner = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{inner}}});
                 b.top["root"] = inner;
             });
         }, {}},
        {"ExponentialSharing", [] {
             // Each level holds the previous one twice: 2^80 values once expanded.
             return fromBuilder([](Builder& b) {
                 const Uid arrayClass = b.cls("NSArray");
                 Uid inner = b.add("leaf");
                 for (int i = 0; i < 80; ++i) inner = b.add(ValueDictionary{{"$class", arrayClass}, {"NS.objects", ValueArray{inner, inner}}});
                 b.top["root"] = inner;
             });
         }, {}},
        {"DateTimeIsAString", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSDate")}, {"NS.time", "yesterday"}}); });
         }, {}},
        {"MutableStringHoldsANumber", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSMutableString", {"NSString"})}, {"NS.string", b.add(4)}}); });
         }, {}},
        {"MutableDataWithoutData", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("NSMutableData", {"NSData"})}}); });
         }, {}},
        {"ObjectKeyHoldsAnInlineDictionary", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("Node")}, {"name", ValueDictionary{{"a", 1}}}});
             });
         }, {}},
        {"IntegerKeyHoldsAString", [] {
             return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("Node")}, {"count", "many"}}); });
         }, {}},
        {"DisallowedNestedClass", [] {
             return fromBuilder([](Builder& b) {
                 b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("Node")}, {"extra", b.add(ValueDictionary{{"$class", b.cls("Gadget")}})}});
             });
         }, {"Node"}},
        {"DisallowedRoot", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add(ValueDictionary{{"$class", b.cls("Gadget")}}); }); }, {"Node"}},
        {"DisallowedPlainRoot", [] { return fromBuilder([](Builder& b) { b.top["root"] = b.add("text"); }); }, {"Node"}},
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
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        QString error;
        const Value v = KeyedUnarchiver::unarchive(f.readAll(), {}, &error);
        EXPECT_TRUE(error.isEmpty() || v.isNull()) << name.toStdString();
    }
}

}  // namespace
