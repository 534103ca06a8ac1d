#include "morphology/Adjective.h"
#include "morphology/Verb.h"
#include "morphology/Word.h"

#include "platform/Coder.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

namespace {

// The sequential half of a coder on its own: values in order.
class SequentialCoder : public ts::Coder {
public:
    bool allowsKeyedCoding() const override { return false; }
    void encodeObject(const ts::Value&, const QString&) override {}
    bool containsValue(const QString&) const override { return false; }
    ts::Value decodeObject(const QString&) override { return {}; }
    void encodeValue(const ts::Value& v) override { values.push_back(v); }
    ts::Value decodeValue() override { return next < values.size() ? values[next++] : ts::Value(); }

    std::vector<ts::Value> values;
    size_t next = 0;
};

WordPtr sampleWord() {
    auto w = std::make_shared<Word>();
    w->setLatin(QStringLiteral("amō amāre amāvī amātum"));
    w->setMeaning(QStringLiteral("love"));
    w->setSource(QStringLiteral("Catullus 5"));
    w->setNotes(QStringLiteral("vivamus"));
    w->setIrregData(QString());
    w->setWordType(2);
    w->setFormality(-7);
    w->setConjugation(1);
    w->setTakenCase(3);
    w->setGender(0);
    w->setIrregular(true);
    w->setUniqueID(QStringLiteral("vocab:12"));
    w->setMarked(true);
    w->setTransIntrans(1);
    return w;
}

void expectSameFields(const Word& a, const Word& b) {
    EXPECT_EQ(a.latin(), b.latin());
    EXPECT_EQ(a.meaning(), b.meaning());
    EXPECT_EQ(a.source(), b.source());
    EXPECT_EQ(a.notes(), b.notes());
    EXPECT_EQ(a.irregData().isNull(), b.irregData().isNull());
    EXPECT_EQ(a.getWordType(), b.getWordType());
    EXPECT_EQ(a.getFormality(), b.getFormality());
    EXPECT_EQ(a.conjugation(), b.conjugation());
    EXPECT_EQ(a.getTakenCase(), b.getTakenCase());
    EXPECT_EQ(a.gender(), b.gender());
    EXPECT_EQ(a.isIrregular(), b.isIrregular());
    EXPECT_EQ(a.uniqueID(), b.uniqueID());
    EXPECT_EQ(a.marked(), b.marked());
    EXPECT_EQ(a.transIntrans(), b.transIntrans());
}

// A keyed archive whose root is a "Word" object holding `values` without keys.
QByteArray handBuiltArchive(const ts::ValueArray& values) {
    ts::ValueArray objects;
    objects.push_back(ts::Value("$null"));
    ts::ValueDictionary root;
    root["$class"] = ts::Uid{2};
    objects.push_back(ts::Value());  // filled below
    ts::ValueDictionary cls;
    cls["$classname"] = ts::Value("Word");
    cls["$classes"] = ts::ValueArray{ts::Value("Word"), ts::Value("NSObject")};
    objects.push_back(cls);
    int key = 0;
    for (const ts::Value& v : values) {
        const QString k = QStringLiteral("$%1").arg(key++);
        if (v.isString()) {
            objects.push_back(v);
            root[k] = ts::Uid{quint64(objects.size() - 1)};
        } else if (v.isNull()) {
            root[k] = ts::Uid{0};
        } else {
            root[k] = v;
        }
    }
    objects[1] = root;
    ts::ValueDictionary archive;
    archive["$archiver"] = ts::Value("NSKeyedArchiver");
    archive["$version"] = ts::Value(100000);
    archive["$top"] = ts::ValueDictionary{{QStringLiteral("root"), ts::Uid{1}}};
    archive["$objects"] = objects;
    return ts::PropertyList::writeBinary(archive);
}

WordPtr unarchiveWord(const QByteArray& data) {
    QString error;
    const ts::Value root = ts::KeyedUnarchiver::unarchive(data, {}, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return root.toObjectAs<Word>();
}

}  // namespace

TEST(WordArchive, WritesVersion3InFieldOrder) {
    SequentialCoder coder;
    sampleWord()->encodeWithCoder(coder);
    ASSERT_EQ(coder.values.size(), 15u);
    EXPECT_EQ(coder.values[0].toInt64(), 3);
    EXPECT_EQ(coder.values[1].toString(), QStringLiteral("amō amāre amāvī amātum"));
    EXPECT_TRUE(coder.values[5].isNull());  // nil irregData stays nil
    EXPECT_EQ(coder.values[6].toInt64(), 2);
    EXPECT_EQ(coder.values[7].toInt64(), -7);
    EXPECT_TRUE(coder.values[11].isBool());
    EXPECT_EQ(coder.values[12].toString(), QStringLiteral("vocab:12"));
    EXPECT_EQ(coder.values[14].toInt64(), 1);

    Word back;
    ASSERT_TRUE(back.initWithCoder(coder));
    expectSameFields(*sampleWord(), back);
}

TEST(WordArchive, OlderVersionsLeaveNewerFieldsEmpty) {
    SequentialCoder v1;
    v1.values = {1, "rosa rosae", "rose", "Horace", "", ts::Value(), 1, 0, 1, 0, 2, false};
    Word w1;
    ASSERT_TRUE(w1.initWithCoder(v1));
    // The keyed archives below check the other fields of versions 1 and 2.
    EXPECT_EQ(w1.meaning(), QStringLiteral("rose"));
    EXPECT_EQ(w1.notes(), QStringLiteral(""));
    EXPECT_TRUE(w1.irregData().isNull());
    EXPECT_EQ(w1.transIntrans(), 0);
    EXPECT_EQ(v1.next, 12u);  // nothing read past the version's fields

    SequentialCoder v2;
    v2.values = {2, "rosa rosae", ts::Value(), ts::Value(), ts::Value(), ts::Value(), 1, 0, 1, 0, 2, false,
                 "vocab:3", true};
    Word w2;
    ASSERT_TRUE(w2.initWithCoder(v2));
    EXPECT_TRUE(w2.meaning().isNull());  // not the placeholder of a new word
}

TEST(WordArchive, ReadingGoesThroughSettersAndSignExtends) {
    SequentialCoder coder;
    // 0xFFFFFFFF is -1 as a 32-bit value; -4 as a word type is stored as 0.
    coder.values = {3, "x", "y", "", "", ts::Value(), -4, qint64(0xFFFFFFFF), -2, 7, 1, true, "vocab:1", false, 2};
    Word w;
    ASSERT_TRUE(w.initWithCoder(coder));
    EXPECT_EQ(w.getWordType(), 0);
    EXPECT_EQ(w.getFormality(), -1);
    EXPECT_EQ(w.conjugation(), 0);
    EXPECT_EQ(w.getTakenCase(), 7);
    EXPECT_EQ(Word::convertInt(-5), -5);
}

TEST(WordArchive, UnknownVersionGivesEmptyWord) {
    CaptureLogger::Scope capture;
    SequentialCoder coder;
    coder.values = {4, "amo", "love"};
    Word w;
    EXPECT_TRUE(w.initWithCoder(coder));
    EXPECT_TRUE(capture->contains(QStringLiteral("bad verions constant at initWithCoder")));
    EXPECT_TRUE(w.latin().isNull());
    EXPECT_TRUE(w.meaning().isNull());
}

TEST(WordArchive, KeyedArchiveRoundTrip) {
    auto verb = std::make_shared<Verb>();
    Word* w = verb.get();
    *w = *sampleWord();
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(verb), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();

    // The fields sit under "$0", "$1", ... of the object, read independently.
    const ts::PlistResult plist = ts::PropertyList::read(data);
    ASSERT_TRUE(plist.ok());
    const ts::Value& objects = plist.value["$objects"];
    const ts::Value& object = objects.array().at(plist.value["$top"]["root"].toUid().value);
    EXPECT_EQ(object["$0"].toInt64(), 3);
    EXPECT_EQ(object["$14"].toInt64(), 1);
    const ts::Value& cls = objects.array().at(object["$class"].toUid().value);
    EXPECT_EQ(cls["$classname"].toString(), QStringLiteral("Verb"));
    EXPECT_EQ(objects.array().at(object["$1"].toUid().value).toString(), QStringLiteral("amō amāre amāvī amātum"));

    const WordPtr back = unarchiveWord(data);
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::dynamic_pointer_cast<Verb>(back));
    expectSameFields(*verb, *back);
}

TEST(WordArchive, HandBuiltKeyedArchivesOfVersions1And2) {
    const WordPtr v1 = unarchiveWord(handBuiltArchive(
        {1, "puer pueri", "boy", "Nepos", "", ts::Value(), 1, 0, 2, 0, 1, false}));
    ASSERT_TRUE(v1);
    EXPECT_EQ(v1->latin(), QStringLiteral("puer pueri"));
    EXPECT_EQ(v1->source(), QStringLiteral("Nepos"));
    EXPECT_EQ(v1->gender(), 1);
    EXPECT_TRUE(v1->uniqueID().isNull());
    EXPECT_FALSE(v1->marked());
    EXPECT_EQ(v1->getDeclinedValue(4, false, 5, false), QStringLiteral("puerōrum"));

    const WordPtr v2 = unarchiveWord(handBuiltArchive(
        {2, "rosa rosae", "rose", "", "", ts::Value(), 1, 0, 1, 0, 2, true, "vocab:8", true}));
    ASSERT_TRUE(v2);
    EXPECT_TRUE(v2->isIrregular());
    EXPECT_EQ(v2->uniqueID(), QStringLiteral("vocab:8"));
    EXPECT_TRUE(v2->marked());
    EXPECT_EQ(v2->transIntrans(), 0);
}
