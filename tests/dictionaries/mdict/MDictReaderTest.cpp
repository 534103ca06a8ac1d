// The MDict reader: the real test files (each gives its three records or a
// refusal naming its cause) and built files broken in each part.

#include "MDictBuilder.h"
#include "dictionaries/MDictReader.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace mdicttest;

namespace {

QString sharedFile(const QString& name) {
    QString dir = qEnvironmentVariable("TS_SHARED_DIR");
    if (dir.isEmpty()) dir = QStringLiteral(TS_DEFAULT_SHARED_DIR);
    return dir + QStringLiteral("/data/mdict/") + name;
}

struct RealCase {
    const char* file;
    const char* title;
    const char* third;  // the third record, or null when refused
    const char* refusal;
};

}  // namespace

TEST(MDictReaderRealFiles, EachGivesItsThreeRecordsOrItsRefusal) {
    const RealCase cases[] = {
        {"testbasic.mdx", "Basic Test", "Capital version is \u0393 &lt;", nullptr},
        {"testencrypt.mdx", "Disallow export test", "Capital version is \u0393 &lt;", nullptr},
        {"testnocomp.mdx", "Compression type 0", "Capital version is \u0393 &lt;", nullptr},
        {"testutf16.mdx", "UTF-16 Test", "Capital version is \u0393 &lt;", nullptr},
        // Big5 through QtCore's ICU codecs: 0xA3 0x46 is capital gamma.
        {"testbig5.mdx", "Big5 Test", "Capital version is \u0393 &lt;", nullptr},
        {"test12.mdx", nullptr, nullptr, "older layout with 4-byte numbers"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = sharedFile(QString::fromLatin1(c.file));
        if (!QFile::exists(path)) GTEST_SKIP() << "shared MDict files not found (TS_SHARED_DIR)";
        const auto r = mdict::readFile(path);
        if (c.refusal) {
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.refusal))) << r.error.toStdString();
            EXPECT_TRUE(r.records.isEmpty());
            continue;
        }
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_TRUE(r.warnings.isEmpty()) << r.warnings.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(r.attributes.value(QStringLiteral("Title")), QString::fromUtf8(c.title));
        EXPECT_EQ(r.numEntries, 3);
        ASSERT_EQ(r.recordCount(), 3);
        EXPECT_EQ(r.record(0), QStringLiteral("<i>alpha</i>"));
        EXPECT_EQ(r.record(1), QStringLiteral("Letter <b>beta</b>"));
        EXPECT_EQ(r.record(2), QString::fromUtf8(c.third));
        EXPECT_EQ(r.recordsString(), r.record(0) + r.record(1) + r.record(2));
        // The headwords come from the key blocks, each paired with its record.
        EXPECT_EQ(r.keys(0), QStringList{QStringLiteral("alpha")});
        EXPECT_EQ(r.keys(1), QStringList{QStringLiteral("beta")});
        EXPECT_EQ(r.keys(2), QStringList{QStringLiteral("gamma")});
    }
}

TEST(MDictReaderKeys, KeywordsArePairedByOffsetOrInOrder) {
    Spec s;
    s.keywords = {QStringLiteral("amo"), QStringLiteral("\u0101mor"), QStringLiteral("amor")};
    s.blocks = {{"first"}, {"second", "third"}};
    auto r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.keys(0), QStringList{QStringLiteral("amo")});
    EXPECT_EQ(r.keys(1), QStringList{QStringLiteral("\u0101mor")});
    EXPECT_EQ(r.keys(2), QStringList{QStringLiteral("amor")});
    EXPECT_TRUE(r.warnings.isEmpty());
    // Offsets that match no record start: paired in order, with a warning.
    s.keyOffsetsByIndex = true;
    s.blocks = {{"first", "second", "third"}};
    r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.keys(1), QStringList{QStringLiteral("\u0101mor")});
    EXPECT_TRUE(r.warnings.join(QLatin1Char('|')).contains(QStringLiteral("paired in order")));
}

// An empty record no keyword points at is a block's padding, not a record
// (one a keyword points at heads an empty entry: MDictKeywords).
TEST(MDictReaderKeys, EmptyRecordsNoKeywordPointsAtAreLeftOut) {
    Spec s;
    s.blocks = {{"one", "", "three"}};
    s.keywords = {QStringLiteral("alpha"), QStringLiteral("gamma")};
    s.keyOffsets = {0, 5};
    const auto r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(r.recordCount(), 2);
    EXPECT_EQ(r.record(1), QStringLiteral("three"));
    EXPECT_EQ(r.keys(1), QStringList{QStringLiteral("gamma")});
    EXPECT_TRUE(r.warnings.isEmpty());
}

TEST(MDictReaderHeader, EntitiesStayInsideOneValueAndTheElementEndGivesNoAttribute) {
    Spec s;
    s.header = QStringLiteral(R"(<Dictionary Encrypted="0" Title="A &quot;quoted&quot; title" Description="x = &amp; y"/>)");
    s.blocks = {{"one"}};
    const auto r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.attributes.value(QStringLiteral("Title")), QStringLiteral("A \"quoted\" title"));
    EXPECT_EQ(r.attributes.value(QStringLiteral("Description")), QStringLiteral("x = & y"));
    EXPECT_EQ(r.attributes.size(), 3);
}

TEST(MDictReaderRecords, TwoRecordsWithTwoByteLettersAreJoinedWhole) {
    Spec s;
    s.blocks = {{"first", QString::fromUtf8("\u00e6\u0101\u0113").toUtf8()}, {"third"}};
    const auto r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.recordsString(), QString::fromUtf8("first\u00e6\u0101\u0113third"));
    EXPECT_EQ(r.recordCount(), 3);
}

TEST(MDictReaderRecords, InvalidUtf8IsReplacedNotRepeated) {
    Spec s;
    s.blocks = {{QByteArray("ab\xff" "cd")}};
    const auto r = mdict::readData(build(s));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.recordsString(), QStringLiteral("ab\uFFFDcd"));
    EXPECT_EQ(r.warnings.size(), 1);
}

struct Broken {
    const char* name;
    Spec spec;
    bool ok;            // read with the damaged part left out
    const char* cause;  // in the error, or in the warnings when ok
};

TEST(MDictReaderFaults, DamagedFilesAreRefusedOrReadAroundWithTheCause) {
    auto base = [] {
        Spec s;
        s.keywords = {QStringLiteral("alpha"), QStringLiteral("beta")};
        s.blocks = {{"alpha record"}, {"beta record"}};
        return s;
    };
    std::vector<Broken> cases;
    {
        Spec s = base();
        s.header.replace(QStringLiteral("2.0"), QStringLiteral("1.2"));
        cases.push_back({"version 1.2", s, false, "older layout"});
    }
    {
        Spec s = base();
        s.header.replace(QStringLiteral("2.0"), QStringLiteral("3.0"));
        cases.push_back({"version 3.0", s, false, "version 3.0"});
    }
    {
        Spec s = base();
        s.header.replace(QStringLiteral("Encrypted=\"0\""), QStringLiteral("Encrypted=\"No\""));
        cases.push_back({"Encrypted written as a word", s, true, ""});
    }
    {
        Spec s = base();
        s.header.replace(QStringLiteral("Encrypted=\"0\""), QStringLiteral("Encrypted=\"1\""));
        cases.push_back({"encrypted keyword header", s, false, "registration key"});
    }
    {
        Spec s = base();
        s.header.replace(QStringLiteral("Encrypted=\"0\""), QStringLiteral("Encrypted=\"3\""));
        cases.push_back({"encrypted keyword header and key index", s, false, "registration key"});
    }
    {
        Spec s = base();
        s.header.replace(QStringLiteral("UTF-8"), QStringLiteral("NO-SUCH-CODEC"));
        cases.push_back({"unknown encoding", s, false, "\"NO-SUCH-CODEC\" is not supported"});
    }
    {
        Spec s = base();
        s.blockType = 1;
        cases.push_back({"LZO record blocks", s, false, "LZO"});
    }
    {
        Spec s = base();
        s.blockType = 7;
        cases.push_back({"unknown compression", s, false, "unknown compression type 7"});
    }
    {
        Spec s = base();
        s.cut = 5;
        cases.push_back({"truncated last block", s, false, "do not fit the file"});
    }
    {
        Spec s = base();
        s.cut = 200;
        cases.push_back({"cut inside the key section", s, false, ""});
    }
    {
        Spec s = base();
        s.declaredDelta = -3;
        cases.push_back({"block larger than declared", s, true, "not the 9 declared; all its records are kept"});
    }
    {
        Spec s = base();
        s.declaredDelta = 3;
        cases.push_back({"block smaller than declared", s, true, "not the 15 declared; all its records are kept"});
    }
    {
        Spec s = base();
        s.declaredDelta = qint64(1) << 40;
        cases.push_back({"huge declared size", s, false, "out of range"});
    }
    {
        Spec s = base();
        s.wrongIndexLength = true;
        cases.push_back({"index length not 16 per block", s, true, "not 16 per block"});
    }
    {
        Spec s = base();
        s.garbleKeyIndex = true;
        cases.push_back({"unreadable key index without Encrypted 2", s, false, "key index does not inflate"});
    }
    {
        Spec s = base();
        s.garbleKeyIndex = true;
        s.header.replace(QStringLiteral("Encrypted=\"0\""), QStringLiteral("Encrypted=\"2\""));
        cases.push_back({"encrypted key index stepped over", s, true, ""});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = mdict::readData(build(c.spec));
        EXPECT_EQ(r.ok, c.ok) << r.error.toStdString();
        const QString cause = QString::fromUtf8(c.cause);
        if (c.ok) {
            EXPECT_TRUE(cause.isEmpty() || r.warnings.join(QLatin1Char('|')).contains(cause))
                << r.warnings.join(QLatin1Char('|')).toStdString();
            EXPECT_EQ(r.recordsString(), QStringLiteral("alpha recordbeta record"));
            EXPECT_EQ(r.recordCount(), 2);
            EXPECT_EQ(r.keys(1), QStringList{QStringLiteral("beta")});
        } else {
            EXPECT_FALSE(r.error.isEmpty());
            EXPECT_TRUE(r.error.contains(cause)) << r.error.toStdString();
            EXPECT_TRUE(r.records.isEmpty());
        }
    }
}

// Version 3.0 files have a UTF-8 "<ZDB" header and other sizes: the version
// is named, not a length that does not fit.
TEST(MDictReaderFaults, Version3FilesAreRefusedByTheirVersionFirst) {
    const QByteArray header = R"(<ZDB GeneratedByEngineVersion="3.0" RequiredEngineVersion="3.0" Title="Three"/>)";
    for (const quint64 length : {quint64(header.size()), quint64(1) << 31}) {
        QByteArray file;
        be(file, length, 4);
        file += header;
        file += QByteArray(40, '\0');
        const auto r = mdict::readData(file);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(QStringLiteral("version 3.0"))) << r.error.toStdString();
    }
}

TEST(MDictReaderFaults, EveryPrefixOfAFileIsRefusedOrReadWithoutCrashing) {
    Spec s;
    s.keywords = {QStringLiteral("alpha")};
    s.blocks = {{"alpha record", "beta"}};
    const QByteArray whole = build(s);
    for (qsizetype n = 0; n < whole.size(); ++n) {
        const auto r = mdict::readData(whole.left(n));
        EXPECT_TRUE(!r.ok || !r.warnings.isEmpty()) << n;
        EXPECT_FALSE(r.recordsString().contains(QStringLiteral("beta")) && !r.recordsString().contains(QStringLiteral("alpha")));
    }
    EXPECT_TRUE(mdict::readData(whole).ok);
}

TEST(MDictInflate, StopsAtTheCapacityAndOnTruncatedStreams) {
    const QByteArray raw(100000, 'x');
    const QByteArray z = deflateBytes(raw);
    QByteArray out;
    qint64 consumed = 0;
    QString why;
    ASSERT_TRUE(mdict::inflateBounded(z.constData(), z.size(), raw.size(), out, &consumed, &why));
    EXPECT_EQ(out, raw);
    EXPECT_EQ(consumed, z.size());
    EXPECT_FALSE(mdict::inflateBounded(z.constData(), z.size(), raw.size() - 1, out, &consumed, &why));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(mdict::inflateBounded(z.constData(), z.size() - 4, raw.size(), out, &consumed, &why));
    // Trailing bytes after the stream's end are not consumed.
    const QByteArray padded = z + QByteArray(10, '\x7f');
    ASSERT_TRUE(mdict::inflateBounded(padded.constData(), padded.size(), raw.size(), out, &consumed, &why));
    EXPECT_EQ(consumed, z.size());
}

TEST(MDictUtf8, ChecksWellFormedness) {
    const std::pair<QByteArray, bool> cases[] = {
        {"plain ascii text longer than eight", true},
        {"\xc4\x81\xe2\x82\xac\xf0\x9f\x98\x80", true},
        {"\xc0\xaf", false},          // overlong
        {"\xed\xa0\x80", false},     // surrogate
        {"\xf4\x90\x80\x80", false}, // past U+10FFFF
        {"abc\xe2\x82", false},      // cut short
        {"\x80", false},              // stray continuation
    };
    for (const auto& [bytes, ok] : cases) EXPECT_EQ(mdict::isValidUtf8(bytes.constData(), bytes.size()), ok) << bytes.toHex().toStdString();
}
