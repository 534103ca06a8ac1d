// Persistent objects: property-list forms, rebuilding by class name, keyed
// coding of their fields, copies and the searches by name.
#include "foundation/QMMutableDictionary.h"
#include "foundation/VDNewArray.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

using ts::Value;

namespace {

// A keyed (or, on request, unkeyed) coder over an in-memory dictionary.
class DictionaryCoder : public ts::Coder {
public:
    explicit DictionaryCoder(bool keyed = true) : keyed_(keyed) {}
    bool allowsKeyedCoding() const override { return keyed_; }
    void encodeObject(const Value& v, const QString& key) override {
        if (!v.isNull()) values[key] = v;
    }
    bool containsValue(const QString& key) const override { return values.count(key) != 0; }
    Value decodeObject(const QString& key) override {
        auto it = values.find(key);
        return it == values.end() ? Value() : it->second;
    }
    ts::ValueDictionary values;

private:
    bool keyed_;
};

class Record : public VDData {
    TS_OBJECT(Record, VDData)
public:
    qint64 value = 0;
    Value serialize() const override {
        Value d = VDData::serialize();
        d.dictionary()["value"] = value;
        return d;
    }
    void importFromDictionary(const Value& d) override {
        VDData::importFromDictionary(d);
        value = d["value"].toInt64();
    }
    ts::ObjectPtr copy() const override {
        auto c = std::static_pointer_cast<Record>(VDData::copy());
        c->value = value;
        return c;
    }
    bool isEqual(const ts::Object& o) const override {
        auto* r = dynamic_cast<const Record*>(&o);
        return r && r->name() == name() && r->value == value;
    }
};

class OtherRecord : public Record {
    TS_OBJECT(OtherRecord, Record)
};

template <class T>
ts::ObjectPtr rebuild(const Value& d) {
    auto r = std::make_shared<T>();
    r->importFromDictionary(d);
    return r;
}

// A registered class without a factory of its own.
class Plain : public VDData {
    TS_OBJECT(Plain, VDData)
};

// A member that holds members: rebuilt through the container's own factory.
class Branch : public VDNewArray {
    TS_OBJECT(Branch, VDNewArray)
public:
    Value serialize() const override {
        Value d = baseDictionary();
        d.dictionary()["children"] = VDNewArray::serialize();
        return d;
    }
    static ts::ObjectPtr fromDictionary(const Value& d) {
        auto b = std::make_shared<Branch>();
        b->VDData::importFromDictionary(d);
        b->fillFromArray(d["children"]);
        return b;
    }
};

// A factory that answers an object of the wrong kind.
class Impostor : public ts::Object {
    TS_OBJECT(Impostor, ts::Object)
};

class Persistent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ts::ClassRegistry::registerClass<Record>(&rebuild<Record>);
        ts::ClassRegistry::registerClass<OtherRecord>(&rebuild<OtherRecord>);
        ts::ClassRegistry::registerClass<Plain>();
        ts::ClassRegistry::registerClass<Branch>(&Branch::fromDictionary);
        ts::ClassRegistry::registerClass(ts::ClassInfo{"Impostor", [] { return std::make_shared<Impostor>(); },
                                                       [](const Value&) { return std::make_shared<Impostor>(); }});
    }
    void SetUp() override { capture = CaptureLogger::install(); }
    void TearDown() override { capture->uninstall(); }

    static std::shared_ptr<Record> record(const QString& name, qint64 value = 0) {
        auto r = std::make_shared<Record>();
        r->setName(name);
        r->value = value;
        return r;
    }
    std::shared_ptr<CaptureLogger> capture;
};

}  // namespace

TEST_F(Persistent, UnnamedObjectWritesOnlyItsClassName) {
    Plain p;
    EXPECT_EQ(p.serialize(), Value(ts::ValueDictionary{{"ClassName", "Plain"}}));
    DictionaryCoder coder;
    p.encodeWithCoder(coder);
    EXPECT_TRUE(coder.values.empty());

    p.setName("arma");
    EXPECT_EQ(p.serialize()["name"], Value("arma"));
    p.encodeWithCoder(coder);
    Plain back;
    back.setName("stale");
    back.initWithCoder(coder);
    EXPECT_EQ(back.name(), "arma");
}

TEST_F(Persistent, ImportWithoutNameClearsTheName) {
    auto r = record("old");
    r->importFromDictionary(Value(ts::ValueDictionary{{"ClassName", "Record"}, {"value", 3}}));
    EXPECT_TRUE(r->name().isNull());
    EXPECT_EQ(r->value, 3);
    EXPECT_TRUE(capture->messages().isEmpty());
}

TEST_F(Persistent, PrefixTestIsCaseInsensitiveAndNeedsAName) {
    auto amo = record("Amo");
    EXPECT_TRUE(amo->containsString("am"));
    EXPECT_TRUE(amo->containsString("AM"));
    EXPECT_TRUE(amo->containsString("Amo"));
    EXPECT_FALSE(amo->containsString("mo"));
    EXPECT_FALSE(amo->containsString(""));
    EXPECT_FALSE(amo->containsString("Amor"));
    // An object without a name contains nothing.
    EXPECT_FALSE(Plain().containsString("a"));
}

TEST_F(Persistent, BaseFactoryAndUnkeyedCodersAreLogged) {
    EXPECT_FALSE(VDData::dataFromDictionary(Value(ts::ValueDictionary{})));
    EXPECT_FALSE(VDData::dataFromDictionary("Plain", Value(ts::ValueDictionary{{"ClassName", "Plain"}})));
    DictionaryCoder unkeyed(false);
    VDNewArray a;
    a.setName("x");
    a.initWithCoder(unkeyed);
    EXPECT_TRUE(a.name().isNull());
    EXPECT_EQ(a.count(), 0u);
    EXPECT_EQ(capture->messages(), (QStringList{"Must override dataFromDictionary VDData",
                                           "Must override dataFromDictionary Plain", "Panic here", "Panic here"}));
}

TEST_F(Persistent, ArrayRebuildKeepsOrderAndClassesAndSkipsBadEntries) {
    VDNewArray a;
    a.setName("list");
    a.setDirty(true);
    a.addObject(record("arma", 1));
    a.addObject(std::make_shared<OtherRecord>());
    a.addObject(record("cano", 3));
    const Value form = a.serialize();
    ASSERT_EQ(form.array().size(), 3u);

    auto back = VDNewArray::dataFromArray(form);
    EXPECT_TRUE(back->name().isNull());
    EXPECT_FALSE(back->dirty());
    ASSERT_EQ(back->count(), 3u);
    EXPECT_EQ(back->objectAtIndex(0)->className(), "Record");
    EXPECT_EQ(back->objectAtIndex(1)->className(), "OtherRecord");
    EXPECT_TRUE(back->objectAtIndex(2)->isEqual(*record("cano", 3)));

    // Without "ClassName", with an unknown or non-persistent class: skipped.
    ts::ValueArray mixed = form.array();
    mixed[1].dictionary().erase("ClassName");
    mixed.push_back(Value(ts::ValueDictionary{{"ClassName", "NSTask"}}));
    mixed.push_back(Value(ts::ValueDictionary{{"ClassName", "Impostor"}}));
    mixed.push_back(Value("not a dictionary"));
    auto some = VDNewArray::dataFromArray(Value(mixed));
    EXPECT_EQ(some->nameList(), (QStringList{"arma", "cano"}));
    EXPECT_EQ(VDNewArray::dataFromArray(Value())->count(), 0u);
    EXPECT_TRUE(VDNewArray().serialize().array().empty());
}

TEST_F(Persistent, ArrayIndexErrorsAreLoggedWithBothNumbers) {
    VDNewArray a;
    a.addObject(record("a"));
    a.addObject(record("b"));
    EXPECT_EQ(a.objectAtIndex(1)->name(), "b");
    EXPECT_FALSE(a.objectAtIndex(2));
    EXPECT_FALSE(a.removeObjectAtIndex(5));
    EXPECT_EQ(a.count(), 2u);
    EXPECT_EQ(capture->messages(), (QStringList{"Attempting to access object at index 2, array only 2 objects",
                                           "Attempting to access object at index 5, array only 2 objects"}));
    EXPECT_TRUE(a.removeObjectAtIndex(0));
    EXPECT_EQ(a.lastObject()->name(), "b");
}

TEST_F(Persistent, RemovalAndUniqueAdditionUseMemberEquality) {
    VDNewArray a;
    a.addObject(record("arma", 1));
    a.addObject(record("cano", 2));
    a.addObject(record("arma", 1));
    EXPECT_FALSE(a.addObjectIfNotPresent(record("cano", 2)));
    EXPECT_FALSE(a.addObjectIfNotPresent(nullptr));
    EXPECT_TRUE(a.removeObject(record("arma", 1)));
    EXPECT_EQ(a.nameList(), QStringList{"cano"});
    EXPECT_TRUE(a.addObjectIfNotPresent(record("virum")));
    EXPECT_EQ(a.count(), 2u);
}

TEST_F(Persistent, NameSearches) {
    VDNewArray a;
    for (const char* n : {"arma", "carmen", "virum", "Armis"}) a.addObject(record(n));
    a.addObject(std::make_shared<Plain>());  // unnamed members match no search

    auto found = a.searchForText("ARM");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->className(), "VDNewArray");
    EXPECT_EQ(found->nameList(), (QStringList{"arma", "carmen", "Armis"}));
    EXPECT_EQ(a.recordNamesContainingString("ARM"), (QStringList{"arma", "Armis"}));
    EXPECT_EQ(a.findSubstringInArray("ar"), (QStringList{"arma", "Armis"}));
    EXPECT_FALSE(a.searchForText(""));
    EXPECT_EQ(a.nameMatching("arma")->name(), "arma");
    EXPECT_FALSE(a.nameMatching("ARMA"));
    EXPECT_FALSE(a.nameMatching(""));
    EXPECT_EQ(a.nameList().size(), 4);
}

TEST_F(Persistent, SortsByCompareAndByDescriptors) {
    VDNewArray a;
    a.addObject(record("b", 1));
    a.addObject(record("a", 2));
    a.addObject(record("c", 2));
    a.sortUsingDescriptors({[](const VDData& x, const VDData& y) {
                                const auto& rx = static_cast<const Record&>(x);
                                const auto& ry = static_cast<const Record&>(y);
                                return int(ry.value - rx.value);
                            },
                            [](const VDData& x, const VDData& y) { return x.name().compare(y.name()); }});
    EXPECT_EQ(a.nameList(), (QStringList{"a", "c", "b"}));
}

TEST_F(Persistent, DeepCopyOfArray) {
    VDNewArray a;
    a.setName("list");
    a.setDirty(true);
    a.addObject(record("arma"));
    auto c = std::dynamic_pointer_cast<VDNewArray>(a.copy());
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->dirty());
    EXPECT_EQ(c->name(), "list");
    c->objectAtIndex(0)->setName("changed");
    c->addObject(record("more"));
    EXPECT_EQ(a.nameList(), QStringList{"arma"});
}

TEST_F(Persistent, ArrayDecodedWithoutMemberListRefusesAccess) {
    DictionaryCoder coder;
    coder.values["name"] = "empty";
    VDNewArray a;
    a.initWithCoder(coder);
    EXPECT_FALSE(a.storedData().has_value());
    EXPECT_EQ(a.count(), 0u);
    a.addObject(record("x"));
    EXPECT_EQ(a.count(), 0u);
    EXPECT_FALSE(a.objectAtIndex(0));
    EXPECT_FALSE(a.removeObjectAtIndex(0));
    EXPECT_TRUE(a.serialize().array().empty());
    EXPECT_EQ(capture->messages(), (QStringList{"storedData not initialised",
                                           "Attempting to access object at index 0, array only 0 objects"}));

    // With a list, the members come back; members of another kind are dropped.
    VDNewArray full;
    full.addObject(record("arma"));
    DictionaryCoder out;
    full.encodeWithCoder(out);
    out.values["storedData"].array().push_back(Value("stray string"));
    VDNewArray back;
    back.initWithCoder(out);
    EXPECT_EQ(back.nameList(), QStringList{"arma"});
}

TEST_F(Persistent, XmlExportImportsAsTheSameMembers) {
    VDNewArray a;
    a.setName("not written");
    a.addObject(record("arma", 1));
    a.addObject(record(QStringLiteral("vīrum"), -2));
    const QByteArray xml = a.exportToPListFormat();
    ASSERT_TRUE(xml.startsWith("<?xml"));
    auto back = VDNewArray::importFromPListData(xml);
    EXPECT_TRUE(back->name().isNull());
    ASSERT_EQ(back->count(), 2u);
    EXPECT_TRUE(back->objectAtIndex(1)->isEqual(*record(QStringLiteral("vīrum"), -2)));
    // Binary input is read too; anything unreadable gives an empty container.
    auto fromBinary = VDNewArray::importFromPListData(ts::PropertyList::writeBinary(a.serialize()));
    EXPECT_EQ(fromBinary->count(), 2u);
    EXPECT_EQ(VDNewArray::importFromPListData("garbage")->count(), 0u);
    EXPECT_EQ(VDNewArray::importFromPListData(ts::PropertyList::writeXML(Value("root is a string")))->count(), 0u);
    EXPECT_TRUE(capture->messages().isEmpty());
}

TEST_F(Persistent, RebuildingStopsAtTheNestingBound) {
    // 1,000 nested branches, as a hostile file might hold.
    Value leaf(ts::ValueDictionary{{"ClassName", "Branch"}, {"name", "leaf"}});
    for (int i = 0; i < 1000; ++i)
        leaf = Value(ts::ValueDictionary{{"ClassName", "Branch"}, {"children", Value(ts::ValueArray{leaf})}});
    auto top = VDNewArray::dataFromArray(Value(ts::ValueArray{leaf}));
    int depth = 0;
    for (VDDataPtr n = top->objectAtIndex(0); n; ++depth) {
        auto b = std::dynamic_pointer_cast<Branch>(n);
        n = b && b->count() ? b->lastObject() : nullptr;
    }
    EXPECT_EQ(depth, VDNewArray::kMaxNesting);
    EXPECT_EQ(capture->messages().size(), 1);
}

TEST_F(Persistent, KeyedDictionaryRefusesNullKeys) {
    QMMutableDictionary d;
    d.setObject("amo", "1st");
    d.setObject("amas", "2nd");
    EXPECT_EQ(d.count(), 2);
    d.setObject(Value(), "1st");
    EXPECT_EQ(d.count(), 1);
    d.setObject("x", Value());
    EXPECT_TRUE(d.objectForKey(Value()).isNull());
    d.removeObjectForKey(Value());
    EXPECT_FALSE(d.containsObject(Value()));
    EXPECT_TRUE(d.containsObject("amas"));
    EXPECT_FALSE(d.containsObject("amo"));
    EXPECT_EQ(capture->messages(), (QStringList{"nil key at setObject for key", "nil key at objectForKey",
                                           "Nil key at removeObjectForKey", "Nil object at containsObject"}));
}

TEST_F(Persistent, KeyedDictionaryPositionsFollowSortedKeys) {
    QMMutableDictionary d;
    d.setObject(3, "gamma");
    d.setObject(1, "alpha");
    d.setObject(2, "beta");
    EXPECT_EQ(d.objectAtIndex(0), Value(1));
    EXPECT_EQ(d.keyAtIndex(2), Value("gamma"));
    EXPECT_TRUE(d.keyAtIndex(-1).isNull());
    EXPECT_TRUE(d.keyAtIndex(3).isNull());
    d.setObject(0, "Aleph");  // upper case sorts first
    EXPECT_EQ(d.keyAtIndex(0), Value("Aleph"));
    EXPECT_TRUE(capture->messages().isEmpty());
}

TEST_F(Persistent, KeyedDictionaryCopySharesValuesNotEntries) {
    QMMutableDictionary d;
    auto r = record("arma");
    d.setObject(r, "k");
    auto c = std::dynamic_pointer_cast<QMMutableDictionary>(d.copy());
    ASSERT_TRUE(c);
    c->setObject("new", "k2");
    c->removeObjectForKey("k");
    EXPECT_EQ(d.count(), 1);
    EXPECT_EQ(c->count(), 1);
    auto again = std::dynamic_pointer_cast<QMMutableDictionary>(d.copy());
    EXPECT_EQ(again->objectForKey("k").toObject(), r);  // the same object, shared
}

TEST_F(Persistent, KeyedDictionaryCoding) {
    QMMutableDictionary d;
    d.setName("table");
    d.setObject("v", "k");
    DictionaryCoder coder;
    d.encodeWithCoder(coder);
    EXPECT_TRUE(coder.values.count("storedData"));
    QMMutableDictionary back;
    back.initWithCoder(coder);
    EXPECT_EQ(back.name(), "table");
    EXPECT_EQ(back.objectForKey("k"), Value("v"));

    DictionaryCoder bare;
    QMMutableDictionary empty;
    empty.initWithCoder(bare);
    EXPECT_EQ(empty.count(), 0);
    empty.setObject(1, "made on first use");
    EXPECT_EQ(empty.count(), 1);
}
