// The stored forms of entry trees: property lists read and written by an
// independent reader (python3's plistlib), keyed archives, and damaged input.

#include "support/Python.h"
#include "dictionaries/DictionaryEntry.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ts::Value;
using ts::ValueArray;
using ts::ValueDictionary;

namespace {

// A word list (container with empty "Entry") > headwords > senses > example:
// every value kind of the file format appears somewhere.
DictionaryEntryPtr makeTree() {
    auto list = DictionaryEntry::make(QStringLiteral(""));
    auto rosa = DictionaryEntry::make(QStringLiteral("rosa"), DictionaryEntry::Noun);
    rosa->setGender(2);
    rosa->setConjugation(1);
    rosa->setFrequency(5);
    rosa->setAge(3);
    rosa->setKey(QStringLiteral("rosa"));
    rosa->references().push_back(Value(QStringLiteral("rosarium")));
    list->addChild(rosa);
    auto sense = DictionaryEntry::make(QStringLiteral("a rose"));
    sense->makeMeaning(QStringLiteral("(a)"), 2, 1.5);
    rosa->addChild(sense);
    auto example = DictionaryEntry::make(QStringLiteral("rosa rubra"), DictionaryEntry::Example);
    example->setTranslation(QStringLiteral("a red rose"));
    example->setPrependText(QStringLiteral("Hor."));
    example->setForeignFlag(true);
    sense->addChild(example);
    rosa->setChanged(true);
    auto amo = DictionaryEntry::make(QStringLiteral("amo"), DictionaryEntry::Verb);
    amo->setConjugation(1);
    amo->setTransIntrans(1);
    amo->setDeponent(false);
    amo->setAlternative(true);
    amo->setCase(9);
    list->addChild(amo);
    return list;
}

// Checks the layout and value types of our file, then adds a headword and
// writes the result back in the format asked for.
const char* kCheckAndExtend = R"PY(
import plistlib, sys
src, dst, fmt = sys.argv[1], sys.argv[2], sys.argv[3]
with open(src, 'rb') as f:
    root = plistlib.load(f)
def isint(v): return isinstance(v, int) and not isinstance(v, bool)
assert root['Entry'] == '', root
assert set(root) == {'Entry', 'children'}, sorted(root)
rosa, amo = root['children']
assert rosa['Entry'] == 'rosa' and isint(rosa['Type']) and rosa['Type'] == 1
assert rosa['gen'] == 'f' and rosa['conj'] == 1 and rosa['freq'] == 5 and rosa['Age'] == 3
assert rosa['key'] == 'rosa' and rosa['changed'] == 1 and isint(rosa['changed'])
assert rosa['references'] == ['rosarium']
sense = rosa['children'][0]
assert sense['Type'] == 13 and sense['paragraphNumber'] == '\u03b1'
assert isinstance(sense['idNumber'], float) and sense['idNumber'] == 1.5
assert isint(sense['level']) and sense['level'] == 2
example = sense['children'][0]
assert 'children' not in example
assert example['trans'] == 'a red rose' and example['prepend'] == 'Hor.'
assert example['foreign'] is True
assert amo['deponent'] is False and amo['alt'] is True and amo['ti'] == 1
assert amo['Case'] == 'acc & abl'
rosa['children'].append({'Entry': 'rosula', 'Type': 1, 'freq': 2, 'foreign': False})
with open(dst, 'wb') as f:
    plistlib.dump(root, f, fmt=plistlib.FMT_BINARY if fmt == 'binary' else plistlib.FMT_XML)
print('ok')
)PY";

class EntryFormats : public ::testing::Test {
protected:
    void SetUp() override {
        registerDictionaryEntryClass();
        ASSERT_TRUE(dir.isValid());
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    static bool write(const QString& file, const QByteArray& data) {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

TEST_F(EntryFormats, SerializedFormLeavesOutEmptyChildrenAndRunTimeState) {
    auto e = DictionaryEntry::make(QStringLiteral("x"));
    e->children();  // an empty list exists now
    e->setDisplayingReferences(true);
    e->setFont(DictionaryEntry::getNoteFont());
    const Value v = e->serialize();
    EXPECT_FALSE(v.contains(QStringLiteral("children")));
    EXPECT_EQ(v.dictionary().size(), 1u);
}

TEST_F(EntryFormats, ThreeLevelTreeThroughPlistlibInBothFormats) {
    if (!runPython("import plistlib", {}).started) GTEST_SKIP() << "python3 is not available";
    const auto tree = makeTree();
    for (const ts::PlistFormat format : {ts::PlistFormat::Binary, ts::PlistFormat::XML}) {
        const bool binary = format == ts::PlistFormat::Binary;
        SCOPED_TRACE(binary ? "binary" : "XML");
        QString error;
        const QByteArray data = ts::PropertyList::write(tree->serialize(), format, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_TRUE(write(path("ours.plist"), data));
        // Each direction crosses formats once: python writes the other one.
        const PythonRun r = runPython(kCheckAndExtend, {path("ours.plist"), path("theirs.plist"),
                                                        binary ? QStringLiteral("xml") : QStringLiteral("binary")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        ASSERT_EQ(r.out.trimmed(), QStringLiteral("ok"));

        const ts::PlistResult back = ts::PropertyList::read(read(path("theirs.plist")));
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        auto loaded = DictionaryEntry::entryFromSerializedData(back.value);
        ASSERT_EQ(loaded->childCount(), 2);
        auto rosa = loaded->childAtIndex(0);
        ASSERT_EQ(rosa->childCount(), 2);
        auto rosula = rosa->childAtIndex(1);
        EXPECT_EQ(rosula->entry(), QStringLiteral("rosula"));
        EXPECT_EQ(rosula->frequency(), 2);
        EXPECT_EQ(rosula->foreignFlag(), std::optional<bool>(false));
        EXPECT_EQ(rosula->parent(), rosa);
        EXPECT_EQ(rosula->primaryEntry(), rosa);
        rosa->removeChild(rosula);
        EXPECT_TRUE(loaded->isEqualTo(*tree));
        EXPECT_TRUE(tree->isEqualTo(*loaded));

        auto sense = rosa->firstSense();
        ASSERT_TRUE(sense);
        EXPECT_EQ(sense->paragraphNumber(), QString(QChar(0x03B1)));
        EXPECT_FLOAT_EQ(sense->idNumber(), 1.5f);
        EXPECT_EQ(sense->level(), 2);
        EXPECT_EQ(rosa->gender(), 2);
        EXPECT_TRUE(rosa->changed());
        EXPECT_EQ(loaded->childAtIndex(1)->getCase(), 9);
        EXPECT_EQ(sense->firstChild()->parent(), sense);
    }
}

TEST_F(EntryFormats, OwnWritersAndReadersAgree) {
    const auto tree = makeTree();
    for (const ts::PlistFormat format : {ts::PlistFormat::Binary, ts::PlistFormat::XML}) {
        const ts::PlistResult back = ts::PropertyList::read(ts::PropertyList::write(tree->serialize(), format));
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.value, tree->serialize());
        EXPECT_TRUE(DictionaryEntry::entryFromSerializedData(back.value)->isEqualTo(*tree));
    }
}

TEST_F(EntryFormats, RootChildrenComeBackInRootOrderWhateverTheFileSays) {
    ValueDictionary root{{"Entry", "am"}, {"Type", 12}};
    root["children"] = ValueArray{
        ValueDictionary{{"Entry", "amo"}, {"Type", 2}, {"freq", 5}},
        ValueDictionary{{"Entry", "amor"}, {"Type", 1}, {"freq", 9}},
        ValueDictionary{{"Entry", "-o"}, {"Type", 15}},
    };
    auto e = DictionaryEntry::entryFromSerializedData(Value(root));
    ASSERT_EQ(e->childCount(), 3);
    EXPECT_EQ(e->childAtIndex(0)->entry(), QStringLiteral("-o"));
    EXPECT_EQ(e->childAtIndex(1)->frequency(), 9);
    EXPECT_EQ(e->childAtIndex(2)->frequency(), 5);
}

TEST_F(EntryFormats, DamagedDataReadsAsMuchAsMakesSense) {
    CaptureLogger::Scope capture;
    ValueDictionary d{{"Entry", "x"}, {"Type", "not a number"}};
    d["children"] = ValueArray{Value("a string"), ValueDictionary{{"Entry", "ok"}}, Value(42)};
    auto e = DictionaryEntry::entryFromSerializedData(Value(d));
    EXPECT_EQ(e->type(), 0);
    ASSERT_EQ(e->childCount(), 1);
    EXPECT_EQ(e->firstChild()->entry(), QStringLiteral("ok"));
    EXPECT_TRUE(capture->contains(QStringLiteral("not a dictionary")));

    auto bad = DictionaryEntry::entryFromSerializedData(Value(QStringLiteral("nonsense")));
    EXPECT_EQ(bad->entry(), QStringLiteral(""));
    // An entry that no shared pointer holds still loads; its children just
    // cannot name it as their parent.
    DictionaryEntry onStack;
    onStack.loadSerializedData(Value(d));
    EXPECT_EQ(onStack.childCount(), 1);
    EXPECT_EQ(onStack.firstChild()->parent(), nullptr);
    EXPECT_EQ(onStack.firstAncestor(), nullptr);
    // A "children" value that is not a list is logged and written back.
    ValueDictionary notList{{"Entry", "y"}, {"children", "nope"}};
    auto noKids = DictionaryEntry::entryFromSerializedData(Value(notList));
    EXPECT_EQ(noKids->childCount(), 0);
    EXPECT_EQ(noKids->serialize()[QStringLiteral("children")], Value("nope"));
    EXPECT_TRUE(capture->contains(QStringLiteral("not an array")));
    EXPECT_EQ(noKids->copyEntry()->serialize(), noKids->serialize());
}

// A UID read from a binary property list would make the entry impossible to
// archive later; it is read as its number, with a log line.
TEST_F(EntryFormats, UidValuesFromAFileAreReadAsNumbers) {
    CaptureLogger::Scope capture;
    ValueDictionary child{{"Entry", "sub"}, {"Key", Value(ts::Uid{7})}};
    ValueDictionary d{{"Entry", "x"},
                      {"Freq", Value(ts::Uid{3})},
                      {"References", ValueArray{Value(ts::Uid{4}), Value("rosa")}},
                      {"children", ValueArray{Value(child)}}};
    auto e = DictionaryEntry::entryFromSerializedData(Value(d));
    EXPECT_TRUE(capture->contains(QStringLiteral("UID values")));
    EXPECT_EQ(e->serialize()[QStringLiteral("Freq")], Value(3));
    EXPECT_EQ(e->serialize()[QStringLiteral("References")].array().at(0), Value(4));
    EXPECT_EQ(e->firstChild()->serialize()[QStringLiteral("Key")], Value(7));
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(Value(e), &error);
    EXPECT_FALSE(data.isEmpty()) << error.toStdString();
    EXPECT_FALSE(ts::PropertyList::writeXML(e->serialize()).isEmpty());
}

TEST_F(EntryFormats, KeyedArchiveKeepsTreeAndParents) {
    const auto tree = makeTree();
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(Value(tree), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    const Value v = ts::KeyedUnarchiver::unarchive(data, {DictionaryEntry::staticClassName()}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    auto back = v.toObjectAs<DictionaryEntry>();
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqualTo(*tree));
    EXPECT_FALSE(back->parent());
    auto rosa = back->firstChild();
    EXPECT_EQ(rosa->parent(), back);
    EXPECT_EQ(rosa->firstSense()->parent(), rosa);
    EXPECT_EQ(rosa->firstSense()->firstChild()->translation(), QStringLiteral("a red rose"));

    if (!runPython("import plistlib", {}).started) return;
    ASSERT_TRUE(write(path("entry.archive"), data));
    const PythonRun r = runPython(R"PY(
import plistlib, sys
a = plistlib.load(open(sys.argv[1], 'rb'))
objs = a['$objects']
names = [o['$classname'] for o in objs if isinstance(o, dict) and '$classname' in o]
assert 'DictionaryEntry' in names, names
root = objs[a['$top']['root'].data]
assert set(root) >= {'$class', 'dictionary'}, root
print('ok')
)PY", {path("entry.archive")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("ok"));
}

TEST_F(EntryFormats, ArchivedCycleIsBrokenOnReading) {
    // Lists filled directly can form a cycle that no tree operation allows;
    // an archive of one must not come back as one.
    auto a = DictionaryEntry::make(QStringLiteral("a"));
    auto b = DictionaryEntry::make(QStringLiteral("b"));
    a->children().push_back(b);
    b->children().push_back(a);
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(Value(a));
    a->children().clear();
    b->children().clear();
    ASSERT_FALSE(data.isEmpty());
    CaptureLogger::Scope capture;
    auto back = ts::KeyedUnarchiver::unarchive(data).toObjectAs<DictionaryEntry>();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->childCount(), 1);
    EXPECT_EQ(back->firstChild()->childCount(), 0);
    EXPECT_EQ(back->serialize().description().count(QStringLiteral("Entry")), 2);
    EXPECT_TRUE(capture->contains(QStringLiteral("cycle")));
    back->children().clear();
}

}  // namespace
