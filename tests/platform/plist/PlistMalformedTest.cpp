// Malformed binary property lists: each must answer an error and a null value,
// quickly and without unbounded memory.

#include "BplistBuilder.h"
#include "PlistSamples.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace ts;
using ts::test::BplistBuilder;

namespace {

void expectRefused(const QByteArray& bytes, const char* what) {
    QElapsedTimer timer;
    timer.start();
    const PlistResult r = PropertyList::readBinary(bytes);
    EXPECT_FALSE(r.ok()) << what;
    EXPECT_TRUE(r.value.isNull()) << what;
    // Generous enough for sanitizer builds; a hang or an exponential walk takes far longer.
    EXPECT_LT(timer.elapsed(), 5000) << what;
    // The detecting entry point agrees.
    EXPECT_FALSE(PropertyList::read(bytes).ok()) << what;
}

QByteArray validFile() {
    BplistBuilder b;
    b.add(b.dict({1}, {2}));
    b.add(BplistBuilder::ascii("key"));
    b.add(b.array({3, 3}));
    b.add(BplistBuilder::integer1(9));
    return b.build();
}

void setTrailerByte(QByteArray& b, int index, uchar value) { b[b.size() - 32 + index] = char(value); }
void setTrailerField(QByteArray& b, int index, quint64 value) { b.replace(b.size() - 32 + index, 8, BplistBuilder::be(value, 8)); }

}  // namespace

TEST(PlistMalformed, TheBaseFileIsValid) {
    const PlistResult r = PropertyList::readBinary(validFile());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.value["key"], Value(ValueArray{Value(9), Value(9)}));
}

TEST(PlistMalformed, EveryTruncationIsRefused) {
    const QByteArray good = PropertyList::writeBinary(test::samplePlist());
    for (qsizetype n = 0; n < good.size(); ++n) {
        const PlistResult r = PropertyList::readBinary(good.left(n));
        EXPECT_FALSE(r.ok()) << "length " << n;
        EXPECT_TRUE(r.value.isNull());
    }
}

TEST(PlistMalformed, EverySingleByteCorruptionIsSafe) {
    // Not all corruptions are detectable (a changed character is still a
    // string); none may crash, hang or read out of bounds.
    const QByteArray good = PropertyList::writeBinary(test::samplePlist());
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (uchar v : {uchar(0x00), uchar(0xFF), uchar(0x0F), uchar(0x80), uchar(good[i] ^ 0x01)}) {
            QByteArray bad = good;
            bad[i] = char(v);
            const PlistResult r = PropertyList::readBinary(bad);
            if (!r.ok()) {
                EXPECT_TRUE(r.value.isNull());
            }
        }
    }
}

TEST(PlistMalformed, BadHeaderAndTrailer) {
    QByteArray b = validFile();
    b[6] = '1';
    expectRefused(b, "version bplist01");

    struct Case {
        const char* what;
        int index;
        int width;  // 1: byte, 8: field
        quint64 value;
    } cases[] = {
        {"offset width 0", 6, 1, 0},
        {"offset width 9", 6, 1, 9},
        {"ref width 0", 7, 1, 0},
        {"ref width 9", 7, 1, 9},
        {"no objects", 8, 8, 0},
        {"huge object count", 8, 8, ~quint64(0)},
        {"object count past the table", 8, 8, 5},
        {"top object out of range", 16, 8, 4},
        {"huge top object", 16, 8, ~quint64(0)},
        {"table offset zero", 24, 8, 0},
        {"table offset in header", 24, 8, 3},
        {"table offset past the end", 24, 8, 1u << 20},
        {"huge table offset", 24, 8, ~quint64(0)},
    };
    for (const Case& c : cases) {
        QByteArray bad = validFile();
        if (c.width == 1) setTrailerByte(bad, c.index, uchar(c.value));
        else setTrailerField(bad, c.index, c.value);
        expectRefused(bad, c.what);
    }
}

TEST(PlistMalformed, RefWidthTooNarrowForTheObjectCount) {
    BplistBuilder b;
    b.add(b.array({}));
    for (int i = 1; i <= 299; ++i) b.add(BplistBuilder::integer1(uchar(i)));
    expectRefused(b.build(), "300 objects with one-byte references");
}

TEST(PlistMalformed, OffsetsOutOfRange) {
    const qsizetype table = validFile().size() - 32 - 4;  // one-byte offsets, four objects
    for (const auto& [offset, what] : {std::pair{char(0x02), "offset inside the header"},
                                       std::pair{char(table), "offset at the offset table"}, std::pair{char(0xFF), "offset past the end"}}) {
        QByteArray b = validFile();
        b[table + 2] = offset;
        expectRefused(b, what);
    }
}

TEST(PlistMalformed, ReferencesOutOfRange) {
    BplistBuilder b;
    b.add(b.array({0 + 1, 7}));
    b.add(BplistBuilder::integer1(1));
    expectRefused(b.build(), "array ref past the object count");
    BplistBuilder d;
    d.add(d.dict({9}, {1}));
    d.add(BplistBuilder::ascii("k"));
    expectRefused(d.build(), "dictionary key ref out of range");
}

TEST(PlistMalformed, Cycles) {
    BplistBuilder self;
    self.add(self.array({0}));
    expectRefused(self.build(), "array containing itself");

    BplistBuilder indirect;
    indirect.add(indirect.array({1}));
    indirect.add(indirect.dict({2}, {3}));
    indirect.add(BplistBuilder::ascii("k"));
    indirect.add(indirect.array({4, 0}));
    indirect.add(BplistBuilder::integer1(1));
    expectRefused(indirect.build(), "indirect cycle through a dictionary");

    BplistBuilder key;
    key.add(key.dict({0}, {1}));
    key.add(BplistBuilder::integer1(1));
    expectRefused(key.build(), "dictionary used as its own key");
}

TEST(PlistMalformed, ExplodingDagFailsCleanly) {
    // Object i is an array referencing object i+1 twice: 2^60 leaves.
    BplistBuilder b;
    const int levels = 60;
    for (int i = 0; i < levels; ++i) b.add(b.array({quint64(i + 1), quint64(i + 1)}));
    b.add(BplistBuilder::ascii("leaf"));
    expectRefused(b.build(), "exploding DAG");

    // The same with dictionaries and a wider fan-out.
    BplistBuilder d;
    d.add(BplistBuilder::ascii("k"));
    for (int i = 1; i <= levels; ++i) {
        QByteArray o = BplistBuilder::marker(0xA0, 8);
        for (int j = 0; j < 8; ++j) o.append(d.ref(quint64(i + 1)));
        d.add(o);
    }
    d.add(d.dict({0}, {0}));
    d.topObject = 1;
    expectRefused(d.build(), "exploding DAG of fan-out 8");
}

TEST(PlistMalformed, ModestSharingIsAllowed) {
    // Ten levels of doubling: 1024 leaves from 11 objects.
    BplistBuilder b;
    for (int i = 0; i < 10; ++i) b.add(b.array({quint64(i + 1), quint64(i + 1)}));
    b.add(BplistBuilder::ascii("leaf"));
    const PlistResult r = PropertyList::readBinary(b.build());
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    Value v = r.value;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(v.array().size(), 2u);
        Value child = v.array()[1];
        v = std::move(child);
    }
    EXPECT_EQ(v, Value("leaf"));
}

TEST(PlistMalformed, HugeCounts) {
    struct Case {
        const char* what;
        QByteArray object;
    } cases[] = {
        {"array count 2^63", BplistBuilder::marker(0xA0, quint64(1) << 63)},
        {"array count 2^64-1", BplistBuilder::marker(0xA0, ~quint64(0))},
        {"dict count 2^62", BplistBuilder::marker(0xD0, quint64(1) << 62)},
        {"data length 2^40", BplistBuilder::marker(0x40, quint64(1) << 40)},
        {"string length 1000", BplistBuilder::marker(0x50, 1000)},
        {"utf16 length 2^63", BplistBuilder::marker(0x60, quint64(1) << 63)},
        {"array count just past the end", BplistBuilder::marker(0xA0, 3) + QByteArray(2, '\0')},
        {"length marker not an integer", QByteArray::fromHex("5f2340")},
        {"length marker 16 bytes", QByteArray::fromHex("5f14") + QByteArray(16, '\x01')},
        {"length marker truncated", QByteArray::fromHex("4f13ff")},
    };
    for (const Case& c : cases) {
        BplistBuilder b;
        b.add(c.object);
        expectRefused(b.build(), c.what);
    }
}

TEST(PlistMalformed, DeepNesting) {
    BplistBuilder b;
    const int depth = PropertyList::kMaxDepth + 5;
    b.refSize = 2;
    for (int i = 0; i < depth; ++i) b.add(b.array({quint64(i + 1)}));
    b.add(BplistBuilder::integer1(1));
    expectRefused(b.build(), "nesting past kMaxDepth");

    // A deep chain of 100,000 arrays stops at the depth limit, without recursing through it all.
    BplistBuilder deep;
    deep.refSize = 4;
    for (int i = 0; i < 100000; ++i) deep.add(deep.array({quint64(i + 1)}));
    deep.add(BplistBuilder::integer1(1));
    expectRefused(deep.build(), "100,000 levels");
}

TEST(PlistMalformed, WrongTypesAndMarkers) {
    struct Case {
        const char* what;
        QByteArray object;
    } cases[] = {
        {"unknown marker 0x70", QByteArray::fromHex("7161")},
        {"unknown marker 0x90", QByteArray::fromHex("90")},
        {"unknown marker 0xB0", QByteArray::fromHex("b0")},
        {"unknown marker 0xE0", QByteArray::fromHex("e0")},
        {"unknown marker 0xF0", QByteArray::fromHex("f0")},
        {"fill byte", QByteArray::fromHex("0f")},
        {"marker 0x01", QByteArray::fromHex("01")},
        {"integer width 32", QByteArray::fromHex("15") + QByteArray(32, '\0')},
        {"real width 2", QByteArray::fromHex("210000")},
        {"real width 16", QByteArray::fromHex("24") + QByteArray(16, '\0')},
        {"date of 4 bytes", QByteArray::fromHex("3200000000")},
        {"truncated real", QByteArray::fromHex("233ff0")},
        {"truncated integer", QByteArray::fromHex("1300")},
        {"truncated date", QByteArray::fromHex("33000000")},
        {"128-bit integer out of range", QByteArray::fromHex("14") + QByteArray::fromHex("00000000000000010000000000000000")},
        {"UID of 9 bytes", QByteArray::fromHex("88") + QByteArray(9, '\0')},
        {"truncated UID", QByteArray::fromHex("8300")},
        {"ASCII string with a high byte", QByteArray::fromHex("5361e962")},
        {"truncated UTF-16", QByteArray::fromHex("620061")},
    };
    for (const Case& c : cases) {
        BplistBuilder b;
        b.add(c.object);
        expectRefused(b.build(), c.what);
    }

    BplistBuilder key;
    key.add(key.dict({1}, {1}));
    key.add(BplistBuilder::integer1(1));
    expectRefused(key.build(), "integer dictionary key");

    BplistBuilder highKey;
    highKey.add(highKey.dict({1}, {1}));
    highKey.add(QByteArray::fromHex("51ff"));
    expectRefused(highKey.build(), "ASCII key with a high byte");
}

TEST(PlistMalformed, FuzzCorpusInputsAreSafe) {
    // Inputs the fuzzer found or that seed it; each must read without crashing.
    const QDir dir(QStringLiteral(TS_PLIST_CORPUS_DIR));
    int count = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const PlistResult r = PropertyList::readBinary(f.readAll());
        if (!r.ok()) {
            EXPECT_TRUE(r.value.isNull()) << name.toStdString();
        }
        ++count;
    }
    EXPECT_GT(count, 0);
}
