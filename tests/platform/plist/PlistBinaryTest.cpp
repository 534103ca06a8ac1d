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

TEST(PlistBinary, RoundTripsScalarsAtTopLevel) {
    const std::vector<Value> values{Value(0), Value(true), Value(-7), Value(2.5), Value(Date{12.25}), Value(QByteArray()),
                                    Value(QString()), Value(Uid{0}), Value(ValueArray{}), Value(ValueDictionary{})};
    for (const Value& v : values) EXPECT_EQ(readBack(PropertyList::writeBinary(v)), v) << v.description().toStdString();
}

TEST(PlistBinary, NanAndInfinityRoundTrip) {
    const Value back = readBack(PropertyList::writeBinary(ValueArray{Value(NAN), Value(INFINITY), Value(-INFINITY)}));
    ASSERT_EQ(back.array().size(), 3u);
    EXPECT_TRUE(std::isnan(back.array()[0].toDouble()));
    EXPECT_EQ(back.array()[1].toDouble(), INFINITY);
    EXPECT_EQ(back.array()[2].toDouble(), -INFINITY);
}

TEST(PlistBinary, ObjectsUseTheirMarkerAndTheNarrowestWidth) {
    const struct {
        Value value;
        const char* hex;  // the top object's bytes, or their start for long objects
    } cases[] = {
        {Value(), "00"},
        {Value(0), "1000"},
        {Value(255), "10ff"},
        {Value(256), "110100"},
        {Value(65536), "1200010000"},
        {Value(qint64(4294967296LL)), "130000000100000000"},
        {Value(-1), "13ffffffffffffffff"},
        {Value(qint64(INT64_MIN)), "138000000000000000"},
        {Value(static_cast<unsigned long long>(UINT64_MAX)), "140000000000000000ffffffffffffffff"},
        {Value(Date{1.0}), "333ff0000000000000"},
        {Value(Uid{5}), "8005"},
        {Value(Uid{300}), "81012c"},
        {Value(Uid{70000}), "8300011170"},
        {Value(QStringLiteral("abc")), "53616263"},
        // Non-ASCII text is UTF-16BE; a character outside the BMP counts as two units.
        {Value(QString::fromUtf8("a\xC3\xA9")), "62006100e9"},
        {Value(QString::fromUtf8("\xF0\x9F\x98\x80")), "62d83dde00"},
        // Long lengths follow the marker as an integer object.
        {Value(QString(20, u'a')), "5f1014"},
        {Value(QByteArray(300, 'x')), "4f11012c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        const QByteArray b = PropertyList::writeBinary(c.value);
        EXPECT_EQ(topObjectBytes(b).left(qsizetype(qstrlen(c.hex) / 2)).toHex(), QByteArray(c.hex));
        EXPECT_EQ(readBack(b), c.value);
    }
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

TEST(PlistBinary, WriterRefusesLiveObjects) {
    QString error;
    EXPECT_TRUE(PropertyList::writeBinary(ValueArray{Value(1), Value(std::make_shared<Object>())}, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
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

TEST(PlistBinary, EveryKindRoundTripsAndReadingDetectsTheFormat) {
    const Value v = test::samplePlist();
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::XML}) {
        QString error;
        const QByteArray bytes = PropertyList::write(v, format, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_TRUE(bytes.startsWith(format == PlistFormat::Binary ? "bplist00" : "<?xml"));
        const PlistResult r = PropertyList::read(bytes);
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.format, format);
        EXPECT_EQ(r.value, v);
    }
    const PlistResult r = PropertyList::read("{ a = b; }");
    EXPECT_EQ(r.format, PlistFormat::OpenStep);
    EXPECT_EQ(r.value["a"], Value("b"));
    QString error;  // the text form is read only
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

namespace {

// Adds `v` piece by piece: dictionaries as entries (every third value by a
// function, a key repeated before its last value), arrays item by item.
quint32 addPieces(BinaryPropertyListWriter& w, const Value& v) {
    if (v.isDictionary()) {
        BinaryPropertyListWriter::Entries entries;
        int n = 0;
        for (const auto& [key, value] : v.dictionary()) {
            entries.push_back({key, Value(QStringLiteral("replaced")), {}});
            if (n++ % 3) entries.push_back({key, value, {}});
            else entries.push_back({key, {}, [&value](BinaryPropertyListWriter& inner) { return addPieces(inner, value); }});
        }
        std::reverse(entries.begin(), entries.end());
        std::stable_partition(entries.begin(), entries.end(), [](const auto& e) { return e.value == Value("replaced"); });
        return w.addDictionary(std::move(entries));
    }
    if (v.isArray())
        return w.addArray([&](std::vector<quint32>& items) {
            for (const Value& item : v.array()) items.push_back(addPieces(w, item));
        });
    return w.addValue(v);
}

Value nested(int depth) {
    Value v = ValueArray{Value(1)};
    for (int i = 1; i < depth; ++i) v = ValueArray{v};
    return v;
}

}  // namespace

TEST(PlistBinary, WrittenPieceByPieceTheBytesAreThoseOfTheWholeValue) {
    ValueDictionary line{{"ClassName", "TSMatchedChunk"}, {"Latin", QByteArray("{\\rtf1 arma}")},
                         {"uuid", "1B4E28BA-2FA1-11D2-883F-0016D3CCA427"}, {"Flagged", 1}};
    ValueArray lines;
    for (int i = 0; i < 40; ++i) {
        ValueDictionary l = line;
        l["Location"] = QByteArray::number(i % 7);  // repeated: written once
        if (i % 5 == 0) l["Mūsa"] = ValueDictionary{{"deep", ValueArray{2.5, Date{1.0}, Uid{3}, true, Value()}}};
        lines.push_back(l);
    }
    const Value whole = ValueDictionary{{"Text", ValueDictionary{{"Children", lines}, {"ClassName", "TSText"}}},
                                        {"uuid", "ﬁ-unicode"}, {"Empty", ValueDictionary{}}, {"None", ValueArray{}}};
    for (const Value& v : {whole, Value(lines), Value("alone"), Value(ValueDictionary{})}) {
        BinaryPropertyListWriter w;
        addPieces(w, v);
        QString error = QStringLiteral("not cleared");
        const QByteArray bytes = w.finish(&error);
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(bytes, PropertyList::writeBinary(v));
    }
}

TEST(PlistBinary, WritingPieceByPieceRefusesWhatTheWholeWriterRefuses) {
    const Value live = ValueDictionary{{"a", ValueArray{Value(std::make_shared<Object>())}}};
    const Value deep = ValueDictionary{{"a", nested(PropertyList::kMaxDepth)}};
    for (const Value& v : {live, deep}) {
        QString expected;
        EXPECT_TRUE(PropertyList::writeBinary(v, &expected).isEmpty());
        BinaryPropertyListWriter w;
        EXPECT_EQ(addPieces(w, v), BinaryPropertyListWriter::kFailed);
        QString error;
        EXPECT_TRUE(w.finish(&error).isEmpty());
        EXPECT_EQ(error, expected);
    }
    BinaryPropertyListWriter empty;
    QString error;
    EXPECT_TRUE(empty.finish(&error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}
