#include "ArchiveTestClasses.h"

#include "platform/GeometryValue.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"
#include "platform/Uuid.h"

#include <gtest/gtest.h>

using archivetest::Node;
using archivetest::Record;
using ts::KeyedArchiver;
using ts::KeyedUnarchiver;
using ts::Value;
using ts::ValueArray;
using ts::ValueDictionary;

namespace {

class KeyedArchiveRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { archivetest::registerTestClasses(); }

    static Value roundTrip(const Value& v, ts::PlistFormat format = ts::PlistFormat::Binary) {
        QString error;
        const QByteArray data = KeyedArchiver::archivedDataWithRootObject(v, format, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_FALSE(data.isEmpty());
        const Value back = KeyedUnarchiver::unarchive(data, {}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return back;
    }

    // The archive's "$objects" entry a UID refers to.
    static const Value& entry(const Value& archive, const Value& uid) {
        return archive["$objects"].array().at(size_t(uid.toUid().value));
    }
};

TEST_F(KeyedArchiveRoundTrip, PlainValuesComeBackEqual) {
    const ValueDictionary d{
        {"text", "Gallia est omnis divisa"},
        {"unicode", QString::fromUtf8("Ἀχιλλεύς ā ē")},
        {"empty", ""},
        {"negative", qint64(-42)},
        {"min", qint64(INT64_MIN)},
        {"huge", quint64(UINT64_MAX)},
        {"real", 2.5},
        {"yes", true},
        {"no", false},
        {"bytes", QByteArray("\x00\x01\xff", 3)},
        {"date", ts::Date{-978307200.5}},
        {"nested", ValueArray{1, ValueArray{"a", ValueArray{}}, ValueDictionary{{"k", "v"}}}},
        {"nulls", ValueArray{Value(), "between", Value()}},
        {"nullValue", ValueDictionary{{"absent", Value()}}},
    };
    for (auto format : {ts::PlistFormat::Binary, ts::PlistFormat::XML}) {
        const Value back = roundTrip(d, format);
        EXPECT_EQ(back, Value(d)) << back.description().toStdString();
        EXPECT_EQ(back["bytes"].toData().size(), 3);
        EXPECT_EQ(back["nulls"].array().size(), 3u);
    }
    EXPECT_EQ(roundTrip("just a string"), Value("just a string"));
    EXPECT_TRUE(roundTrip(Value()).isNull());
}

TEST_F(KeyedArchiveRoundTrip, SharedObjectsAndParentCyclesKeepTheirIdentity) {
    auto root = Node::make("Aeneid");
    auto book = Node::make("Book 1");
    auto line = Node::make("1");
    line->count = 7;
    line->weight = 0.25;
    line->flag = true;
    root->add(book);
    book->add(line);
    // The same line twice more, through a plain array.
    root->extra = ValueArray{line, line};

    const Value back = roundTrip(root);
    auto r = back.toObjectAs<Node>();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->name, "Aeneid");
    ASSERT_EQ(r->children.size(), 1u);
    auto b = r->children[0];
    EXPECT_EQ(b->parent.lock(), r);  // the instance being read, not a second copy
    ASSERT_EQ(b->children.size(), 1u);
    auto l = b->children[0];
    EXPECT_EQ(l->parent.lock(), b);
    EXPECT_EQ(l->count, 7);
    EXPECT_DOUBLE_EQ(l->weight, 0.25);
    EXPECT_TRUE(l->flag);
    ASSERT_EQ(r->extra.array().size(), 2u);
    EXPECT_EQ(r->extra.array()[0].toObject(), l);
    EXPECT_EQ(r->extra.array()[1].toObject(), l);
}

TEST_F(KeyedArchiveRoundTrip, LayoutWritesObjectsOnceAndScalarsInline) {
    auto root = Node::make("same");
    auto child = Node::make("same");
    root->add(child);
    root->extra = ValueArray{child, "same", QString("sa") + "me"};
    root->count = 3;

    KeyedArchiver archiver;
    archiver.encodeObject(root, "root");
    const Value archive = archiver.archiveValue();
    EXPECT_EQ(archive["$archiver"], Value("NSKeyedArchiver"));
    EXPECT_EQ(archive["$version"], Value(100000));
    const ValueArray& objects = archive["$objects"].array();
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects[0], Value("$null"));

    int strings = 0, nodes = 0, nodeClasses = 0;
    for (const Value& o : objects) {
        strings += o == Value("same");
        nodes += o.isDictionary() && entry(archive, o["$class"])["$classname"] == Value("Node");
        nodeClasses += o["$classname"] == Value("Node");
    }
    EXPECT_EQ(strings, 1);  // equal strings are written once
    EXPECT_EQ(nodes, 2);    // the child is written once although referenced twice
    EXPECT_EQ(nodeClasses, 1);

    const Value& rootEntry = entry(archive, archive["$top"]["root"]);
    EXPECT_EQ(rootEntry["count"], Value(3));  // inline, not a reference
    EXPECT_TRUE(rootEntry["name"].isUid());
    EXPECT_FALSE(rootEntry.contains("parent"));  // a null object writes nothing
    const Value& cls = entry(archive, rootEntry["$class"]);
    EXPECT_EQ(cls["$classes"], Value(ValueArray{"Node", "NSObject"}));
    const Value& kids = entry(archive, rootEntry["children"]);
    EXPECT_EQ(entry(archive, kids["$class"])["$classname"], Value("NSMutableArray"));
    const Value& childEntry = entry(archive, kids["NS.objects"].array().at(0));
    EXPECT_EQ(childEntry["parent"], archive["$top"]["root"]);
}

TEST_F(KeyedArchiveRoundTrip, ValuesWithoutKeysUseNumberedKeys) {
    auto rec = std::make_shared<Record>();
    rec->word = "amo";
    rec->number = -3;
    rec->real = 1.5;
    rec->list = ValueArray{"amas", "amat"};

    KeyedArchiver archiver;
    archiver.encodeObject(rec, "root");
    archiver.encodeValue("loose");  // at the top level as well
    archiver.encodeValue(12);
    const Value archive = archiver.archiveValue();
    const Value& e = entry(archive, archive["$top"]["root"]);
    EXPECT_EQ(entry(archive, e["$0"]), Value("amo"));
    EXPECT_EQ(e["$1"], Value(-3));
    EXPECT_EQ(e["$2"], Value(1.5));
    EXPECT_TRUE(e["$3"].isUid());
    EXPECT_FALSE(e.contains("$4"));
    EXPECT_EQ(archive["$top"]["$1"], Value(12));

    const QByteArray data = archiver.finishEncoding();
    KeyedUnarchiver u(data);
    ASSERT_TRUE(u.ok()) << u.error().toStdString();
    EXPECT_EQ(u.decodeValue(), Value("loose"));
    EXPECT_EQ(u.decodeValue(), Value(12));
    auto back = u.decodeObject("root").toObjectAs<Record>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->word, "amo");
    EXPECT_EQ(back->number, -3);
    EXPECT_DOUBLE_EQ(back->real, 1.5);
    EXPECT_EQ(back->list, rec->list);
    // Reading past the last value is an error, not a crash.
    EXPECT_TRUE(u.decodeValue().isNull());
    EXPECT_FALSE(u.ok());
}

TEST_F(KeyedArchiveRoundTrip, ObjectThatRefusesItsFormReadsAsNull) {
    auto rec = std::make_shared<Record>();  // no word: initWithCoder answers false
    QString error;
    const Value back = KeyedUnarchiver::unarchive(KeyedArchiver::archivedDataWithRootObject(ValueArray{rec, "x"}), {}, &error);
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(back.array().size(), 2u);
    EXPECT_TRUE(back.array()[0].isNull());
    EXPECT_EQ(back.array()[1], Value("x"));
}

TEST_F(KeyedArchiveRoundTrip, UuidsAndGeometryValues) {
    auto uuid = std::make_shared<ts::Uuid>(QUuid("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"));
    EXPECT_EQ(uuid->description(), "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    const ValueArray values{uuid,
                            ts::GeometryValue::rect(QRectF(1, 2, 3.5, -4)),
                            ts::GeometryValue::point(QPointF(-0.5, 1e-3)),
                            ts::GeometryValue::size(QSizeF(640, 480)),
                            ts::GeometryValue::range(INT64_MAX, 0)};
    const Value back = roundTrip(values);
    ASSERT_EQ(back.array().size(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.array()[i], values[i]) << i << " " << back.array()[i].description().toStdString();
    EXPECT_EQ(back.array()[4].toObjectAs<ts::GeometryValue>()->rangeValue().location, quint64(INT64_MAX));

    KeyedArchiver archiver;
    archiver.encodeObject(values[0], "u");
    archiver.encodeObject(values[1], "r");
    const Value archive = archiver.archiveValue();
    const Value& u = entry(archive, archive["$top"]["u"]);
    EXPECT_EQ(u["NS.uuidbytes"].toData().size(), 16);  // inline bytes
    const Value& r = entry(archive, archive["$top"]["r"]);
    EXPECT_EQ(r["NS.special"], Value(3));
    EXPECT_EQ(r["NS.rectval"], Value("{{1, 2}, {3.5, -4}}"));
}

TEST_F(KeyedArchiveRoundTrip, GeometryTextForms) {
    QRectF r;
    EXPECT_TRUE(ts::GeometryValue::parseRect("{{0, 0}, {100.5, 2e2}}", r));
    EXPECT_EQ(r, QRectF(0, 0, 100.5, 200));
    EXPECT_FALSE(ts::GeometryValue::parseRect("{{0, 0}, {100}}", r));
    EXPECT_FALSE(ts::GeometryValue::parseRect("{0, 0, 1, 1}", r));
    QPointF p;
    EXPECT_TRUE(ts::GeometryValue::parsePoint(" {-1,.5} ", p));
    EXPECT_EQ(p, QPointF(-1, 0.5));
    EXPECT_FALSE(ts::GeometryValue::parsePoint("{a, b}", p));
}

TEST_F(KeyedArchiveRoundTrip, AllowListLimitsClassesAndChecksTheRoot) {
    auto root = Node::make("root");
    root->add(Node::make("child"));
    root->extra = ValueArray{std::make_shared<ts::Uuid>(QUuid::createUuid()), ts::Date{0}};
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(root);
    QString error;
    EXPECT_TRUE(KeyedUnarchiver::unarchive(data, {"Node"}, &error).toObjectAs<Node>()) << error.toStdString();
    // A listed superclass qualifies.
    EXPECT_TRUE(KeyedUnarchiver::unarchive(data, {"NSObject"}, &error).isObject());

    // The nested class must be listed too (hand-built refusals are in the hostile cases).
    root->extra = std::make_shared<archivetest::Gadget>();
    const QByteArray withGadget = KeyedArchiver::archivedDataWithRootObject(root);
    EXPECT_TRUE(KeyedUnarchiver::unarchive(withGadget, {}, &error).isObject());
    EXPECT_TRUE(KeyedUnarchiver::unarchive(withGadget, {"Node"}, &error).isNull());

    const QByteArray list = KeyedArchiver::archivedDataWithRootObject(ValueArray{"a", 1});
    EXPECT_EQ(KeyedUnarchiver::unarchive(list, {"NSArray"}, &error), Value(ValueArray{"a", 1}));
    EXPECT_TRUE(KeyedUnarchiver::unarchive(list, {"NSDictionary"}, &error).isNull());
    EXPECT_TRUE(KeyedUnarchiver::unarchive(KeyedArchiver::archivedDataWithRootObject("s"), {"NSString"}, &error).isString());
}

TEST_F(KeyedArchiveRoundTrip, UnarchivableValuesFailCleanly) {
    QString error;
    EXPECT_TRUE(KeyedArchiver::archivedDataWithRootObject(ValueArray{ts::Uid{3}}, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    Value deep = "leaf";
    for (int i = 0; i < KeyedArchiver::kMaxDepth + 5; ++i) deep = ValueArray{deep};
    EXPECT_TRUE(KeyedArchiver::archivedDataWithRootObject(deep, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(KeyedArchiveRoundTrip, WrittenBinaryUnlessXmlIsAsked) {
    EXPECT_TRUE(KeyedArchiver::archivedDataWithRootObject(ValueArray{"a"}).startsWith("bplist00"));
    EXPECT_TRUE(KeyedArchiver::archivedDataWithRootObject(ValueArray{"a"}, ts::PlistFormat::XML).startsWith("<?xml"));
}

}  // namespace
