#include "BplistBuilder.h"
#include "PlistSamples.h"
#include "platform/Object.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ts;
using ts::test::BplistBuilder;

namespace {

Value readBack(const QByteArray& bytes) {
    const PlistResult r = PropertyList::readBinary(bytes);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.value;
}

struct Trailer {
    int offsetSize, refSize;
    quint64 numObjects, top, tableOffset;
};

Trailer trailerOf(const QByteArray& b) {
    const uchar* t = reinterpret_cast<const uchar*>(b.constData()) + b.size() - 32;
    auto be = [](const uchar* p) {
        quint64 v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
        return v;
    };
    return {t[6], t[7], be(t + 8), be(t + 16), be(t + 24)};
}

// The bytes of the single top object of a one-object list.
QByteArray topObjectBytes(const QByteArray& b) {
    const Trailer t = trailerOf(b);
    return b.mid(8, qsizetype(t.tableOffset) - 8);
}

}  // namespace

TEST(PlistBinary, RoundTripsEveryKind) {
    const Value v = test::samplePlist();
    QString error;
    const QByteArray bytes = PropertyList::writeBinary(v, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_TRUE(bytes.startsWith("bplist00"));
    const Value back = readBack(bytes);
    EXPECT_EQ(back, v) << back.description().toStdString();
}

TEST(PlistBinary, RoundTripsScalarsAtTopLevel) {
    const std::vector<Value> values{Value(0), Value(true), Value(-7), Value(2.5), Value(Date{12.25}), Value(QByteArray()),
                                    Value(QString()), Value(Uid{0}), Value(ValueArray{}), Value(ValueDictionary{})};
    for (const Value& v : values) EXPECT_EQ(readBack(PropertyList::writeBinary(v)), v) << v.description().toStdString();
}

TEST(PlistBinary, NullRoundTripsAsMarkerZero) {
    const QByteArray b = PropertyList::writeBinary(Value());
    EXPECT_EQ(topObjectBytes(b), QByteArray(1, '\0'));
    const PlistResult r = PropertyList::readBinary(b);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.value.isNull());
}

TEST(PlistBinary, NanAndInfinityRoundTrip) {
    const Value back = readBack(PropertyList::writeBinary(ValueArray{Value(NAN), Value(INFINITY), Value(-INFINITY)}));
    ASSERT_EQ(back.array().size(), 3u);
    EXPECT_TRUE(std::isnan(back.array()[0].toDouble()));
    EXPECT_EQ(back.array()[1].toDouble(), INFINITY);
    EXPECT_EQ(back.array()[2].toDouble(), -INFINITY);
}

TEST(PlistBinary, IntegersUseTheNarrowestSignedWidth) {
    struct Case {
        Value value;
        QByteArray bytes;
    } cases[] = {
        {Value(0), QByteArray::fromHex("1000")},
        {Value(255), QByteArray::fromHex("10ff")},
        {Value(256), QByteArray::fromHex("110100")},
        {Value(65536), QByteArray::fromHex("1200010000")},
        {Value(qint64(4294967296LL)), QByteArray::fromHex("130000000100000000")},
        {Value(-1), QByteArray::fromHex("13ffffffffffffffff")},
        {Value(qint64(INT64_MIN)), QByteArray::fromHex("138000000000000000")},
        {Value(static_cast<unsigned long long>(UINT64_MAX)), QByteArray::fromHex("140000000000000000ffffffffffffffff")},
    };
    for (const Case& c : cases) EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(c.value)).toHex(), c.bytes.toHex());
}

TEST(PlistBinary, DatesAreEightByteRealsWithMarker33) {
    const QByteArray b = topObjectBytes(PropertyList::writeBinary(Date{1.0}));
    EXPECT_EQ(b.toHex(), QByteArray("333ff0000000000000"));
}

TEST(PlistBinary, UidsUseMarker8AndMinimalWidth) {
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(Uid{5})).toHex(), QByteArray("8005"));
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(Uid{300})).toHex(), QByteArray("81012c"));
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(Uid{70000})).toHex(), QByteArray("8300011170"));
}

TEST(PlistBinary, NonAsciiStringsAreUtf16BigEndian) {
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(QStringLiteral("abc"))).toHex(), QByteArray("53616263"));
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(QString::fromUtf8("a\xC3\xA9"))).toHex(), QByteArray("62006100e9"));
    // A character outside the BMP is two UTF-16 units; the count is in units.
    EXPECT_EQ(topObjectBytes(PropertyList::writeBinary(QString::fromUtf8("\xF0\x9F\x98\x80"))).toHex(), QByteArray("62d83dde00"));
}

TEST(PlistBinary, LongLengthsUseAnIntegerAfterTheMarker) {
    const QByteArray b = topObjectBytes(PropertyList::writeBinary(QString(20, u'a')));
    EXPECT_EQ(b.left(3).toHex(), QByteArray("5f1014"));
    const QByteArray d = topObjectBytes(PropertyList::writeBinary(QByteArray(300, 'x')));
    EXPECT_EQ(d.left(4).toHex(), QByteArray("4f11012c"));
}

TEST(PlistBinary, EqualScalarsAreWrittenOnce) {
    ValueArray items;
    for (int i = 0; i < 50; ++i) {
        items.push_back(Value("same"));
        items.push_back(Value(7));
        items.push_back(Value(QByteArray("bytes")));
        items.push_back(ValueDictionary{{QStringLiteral("same"), Value(Uid{1})}});
    }
    const QByteArray b = PropertyList::writeBinary(Value(items));
    // The array, one string (also the key), one integer, one data, one UID and 50 dictionaries.
    EXPECT_EQ(trailerOf(b).numObjects, 1u + 1 + 1 + 1 + 1 + 50);
    EXPECT_EQ(readBack(b), Value(items));
}

TEST(PlistBinary, EqualValuesOfDifferentKindsStayApart) {
    const Value v = ValueArray{Value(1), Value(true), Value(1.0), Value(Date{1.0}), Value(Uid{1}), Value("1"), Value(QByteArray("1"))};
    const QByteArray b = PropertyList::writeBinary(v);
    EXPECT_EQ(trailerOf(b).numObjects, 8u);
    EXPECT_EQ(readBack(b), v);
}

TEST(PlistBinary, WidthsAreMinimal) {
    Trailer t = trailerOf(PropertyList::writeBinary(ValueArray{Value(1), Value(2)}));
    EXPECT_EQ(t.offsetSize, 1);
    EXPECT_EQ(t.refSize, 1);
    EXPECT_EQ(t.top, 0u);

    ValueArray many;
    for (int i = 0; i < 300; ++i) many.push_back(Value(i));
    t = trailerOf(PropertyList::writeBinary(Value(many)));
    EXPECT_EQ(t.numObjects, 301u);
    EXPECT_EQ(t.refSize, 2);
    EXPECT_EQ(t.offsetSize, 2);

    // 254 children plus the array: 255 objects still fit one-byte references.
    ValueArray fit;
    for (int i = 0; i < 254; ++i) fit.push_back(Value(i + 1000));
    t = trailerOf(PropertyList::writeBinary(Value(fit)));
    EXPECT_EQ(t.numObjects, 255u);
    EXPECT_EQ(t.refSize, 1);
}

TEST(PlistBinary, WriterRefusesLiveObjectsAndTooDeepValues) {
    QString error;
    const Value withObject = ValueArray{Value(1), Value(std::make_shared<Object>())};
    EXPECT_TRUE(PropertyList::writeBinary(withObject, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(PropertyList::writeBinary(test::nestedArrays(PropertyList::kMaxDepth + 5), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(PropertyList::writeBinary(test::nestedArrays(PropertyList::kMaxDepth - 1), &error).isEmpty());
    EXPECT_TRUE(error.isEmpty());
}

TEST(PlistBinary, DeepButAllowedNestingReads) {
    const Value v = test::nestedArrays(PropertyList::kMaxDepth - 1);
    EXPECT_EQ(readBack(PropertyList::writeBinary(v)), v);
}

TEST(PlistBinary, ReadsSharedObjectsAndUnsortedKeys) {
    BplistBuilder b;
    // 0: dict {b: 3, a: 4}; 1: "b"; 2: "a"; 3: [5, 5, 5]; 4: [3, 3]; 5: 7
    b.add(b.dict({1, 2}, {3, 4}));
    b.add(BplistBuilder::ascii("b"));
    b.add(BplistBuilder::ascii("a"));
    b.add(b.array({5, 5, 5}));
    b.add(b.array({3, 3}));
    b.add(BplistBuilder::integer1(7));
    const Value three = ValueArray{Value(7), Value(7), Value(7)};
    const Value expected = ValueDictionary{{QStringLiteral("b"), three}, {QStringLiteral("a"), ValueArray{three, three}}};
    EXPECT_EQ(readBack(b.build()), expected);
}

TEST(PlistBinary, ReadsWiderThanNeededWidthsAndOddWidths) {
    BplistBuilder b;
    b.refSize = 3;
    b.offsetSize = 5;
    b.add(b.array({1, 2}));
    b.add(BplistBuilder::ascii("x"));
    b.add(QByteArray::fromHex("2240400000"));  // float 3.0
    EXPECT_EQ(readBack(b.build()), Value(ValueArray{Value("x"), Value(3.0)}));
}

TEST(PlistBinary, ReadsSetsAsArraysAndSmallUnsignedIntegers) {
    BplistBuilder b;
    b.add(b.marker(0xC0, 2) + b.ref(1) + b.ref(2));
    b.add(QByteArray::fromHex("12ffffffff"));
    b.add(QByteArray::fromHex("14ffffffffffffffff8000000000000000"));  // -2^63 as 128 bits
    EXPECT_EQ(readBack(b.build()), Value(ValueArray{Value(qint64(4294967295LL)), Value(qint64(INT64_MIN))}));
}

TEST(PlistBinary, ReadDetectsTheFormat) {
    const Value v = test::samplePlist();
    PlistResult r = PropertyList::read(PropertyList::writeBinary(v));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.format, PlistFormat::Binary);
    EXPECT_EQ(r.value, v);
    r = PropertyList::read(PropertyList::writeXML(v));
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, PlistFormat::XML);
    EXPECT_EQ(r.value, v);
    r = PropertyList::read("{ a = b; }");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.format, PlistFormat::OpenStep);
    EXPECT_EQ(r.value["a"], Value("b"));
}

TEST(PlistBinary, WriteDispatchesByFormat) {
    const Value v = test::samplePlist();
    EXPECT_TRUE(PropertyList::write(v, PlistFormat::Binary).startsWith("bplist00"));
    EXPECT_TRUE(PropertyList::write(v, PlistFormat::XML).startsWith("<?xml"));
    QString error;
    EXPECT_TRUE(PropertyList::write(v, PlistFormat::OpenStep, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(PlistBinary, DepthLimitIsTheSameInEveryForm) {
    const Value atLimit = test::nestedArrays(PropertyList::kMaxDepth);
    const Value past = test::nestedArrays(PropertyList::kMaxDepth + 1);
    QString error;
    EXPECT_EQ(readBack(PropertyList::writeBinary(atLimit, &error)), atLimit);
    EXPECT_TRUE(error.isEmpty());
    const PlistResult xml = PropertyList::readXML(PropertyList::writeXML(atLimit, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(xml.ok()) << xml.error.toStdString();
    EXPECT_EQ(xml.value, atLimit);
    const int n = PropertyList::kMaxDepth;
    EXPECT_TRUE(PropertyList::readOpenStep(QByteArray(n, '(') + "leaf" + QByteArray(n, ')')).ok());

    EXPECT_TRUE(PropertyList::writeBinary(past, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_TRUE(PropertyList::writeXML(past, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PropertyList::readOpenStep(QByteArray(n + 1, '(') + "leaf" + QByteArray(n + 1, ')')).ok());
    QByteArray deepXml = "<plist>" + QByteArray(n + 1, 'x').replace("x", "<array>") + "<true/>";
    for (int i = 0; i <= n; ++i) deepXml += "</array>";
    deepXml += "</plist>";
    EXPECT_FALSE(PropertyList::readXML(deepXml).ok());
}
