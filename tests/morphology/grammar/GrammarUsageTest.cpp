#include "morphology/TSGrammarCollection.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlatformClasses.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TSGrammarUsagePtr usage(const QString& name, const QString& notes = {}, const QString& url = {}) {
    auto u = std::make_shared<TSGrammarUsage>();
    u->setName(name);
    if (!notes.isNull()) u->setNotes(notes);
    if (!url.isNull()) u->setReferenceURL(ts::Url::make(url));
    return u;
}

// Ablative > (Ablative absolute > Causal, Temporal), (Means); Genitive.
TSGrammarCollectionPtr threeLevelTree() {
    auto g = std::make_shared<TSGrammarCollection>();
    auto ablative = usage("Ablative", "The case of separation, means and place.", "https://example.org/ablative");
    auto absolute = usage("Ablative absolute", "Noun and participle.", "https://example.org/abl-abs#use");
    absolute->addObject(usage("Causal", "since…"));
    absolute->addObject(usage("Temporal", {}, "https://example.org/t?q=1&r=%C3%A9"));
    ablative->addObject(absolute);
    ablative->addObject(usage("Means"));
    g->addObject(ablative);
    g->addObject(usage("Genitive"));
    return g;
}

// Names, notes, addresses and order, depth first, as one comparable list.
QStringList flatten(const std::vector<TSGrammarUsagePtr>& usages, int depth = 0) {
    QStringList out;
    for (const auto& u : usages) {
        out << QStringLiteral("%1%2|%3|%4")
                   .arg(QString(depth, QLatin1Char('-')), u->name(), u->notes(),
                        u->referenceURL() ? u->referenceURL()->absoluteString() : QStringLiteral("(none)"));
        out << flatten(u->children(), depth + 1);
    }
    return out;
}

class NonKeyedCoder : public ts::Coder {
public:
    bool allowsKeyedCoding() const override { return false; }
    void encodeObject(const ts::Value&, const QString&) override {}
    bool containsValue(const QString&) const override { return false; }
    ts::Value decodeObject(const QString&) override { return {}; }
};

}  // namespace

TEST(TSGrammarUsage, SerialisesOnlyWhatItHas) {
    TSGrammarUsage fresh;
    EXPECT_EQ(fresh.name(), "untitled");
    const ts::Value d = usage("Dative")->serialize();
    ASSERT_TRUE(d.isDictionary());
    EXPECT_EQ(d.dictionary().size(), 1u);
    EXPECT_EQ(d["name"], ts::Value("Dative"));

    auto withEmptyChildren = usage("Dative", "notes");
    withEmptyChildren->setStoredData(VDNewArray::Members{});
    const ts::Value e = withEmptyChildren->serialize();
    EXPECT_FALSE(e.contains("children"));
    EXPECT_FALSE(e.contains("ClassName"));
    EXPECT_EQ(e["notes"], ts::Value("notes"));
}

TEST(TSGrammarUsage, ReadingADictionaryWithoutNameClearsTheUntitledName) {
    TSGrammarUsage u;
    u.readFromDictionary(ts::Value(ts::ValueDictionary{{"notes", "n"}}));
    EXPECT_TRUE(u.name().isNull());
    EXPECT_EQ(u.notes(), "n");
    EXPECT_FALSE(u.referenceURL());

    // Not a dictionary: nothing happens.
    TSGrammarUsage v;
    v.readFromDictionary(ts::Value("text"));
    EXPECT_EQ(v.name(), "untitled");
}

TEST(TSGrammarUsage, AddressesThatAreNotURLsReadBackAsNone) {
    for (const char* bad : {"not a url", "http://exa mple.org", "100%", "a#b#c", "", "http://example.org/<x>"}) {
        auto u = TSGrammarUsage::usageFromDictionary(ts::Value(ts::ValueDictionary{{"name", "x"}, {"referenceURL", bad}}));
        EXPECT_FALSE(u->referenceURL()) << bad;
        EXPECT_FALSE(u->serialize().contains("referenceURL")) << bad;
    }
    auto good = TSGrammarUsage::usageFromDictionary(
        ts::Value(ts::ValueDictionary{{"referenceURL", "https://example.org/a%20b#frag"}}));
    ASSERT_TRUE(good->referenceURL());
    EXPECT_EQ(good->serialize()["referenceURL"], ts::Value("https://example.org/a%20b#frag"));
}

TEST(TSGrammarCollection, ThreeLevelTreeSurvivesTheGrammarFile) {
    const auto tree = threeLevelTree();
    const QByteArray xml = tree->exportToPListFormat();
    ASSERT_TRUE(xml.startsWith("<?xml"));
    const auto back = TSGrammarCollection::grammarFromPListData(xml);
    EXPECT_EQ(flatten(back->usages()), flatten(tree->usages()));
    EXPECT_EQ(flatten(back->usages()).size(), 6);
    EXPECT_EQ(back->serialize(), tree->serialize());

    // The same file read by an independent reader.
    QTemporaryDir dir;
    QFile file(dir.filePath("grammar.plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size());
    file.close();
    const PythonRun p = runPython("import plistlib,sys\n"
                                  "def walk(l,d):\n"
                                  "  for u in l:\n"
                                  "    print('-'*d+u['name']+'|'+','.join(sorted(u.keys())))\n"
                                  "    walk(u.get('children',[]),d+1)\n"
                                  "walk(plistlib.load(open(sys.argv[1],'rb')),0)\n",
                                  {file.fileName()});
    if (!p.started) GTEST_SKIP() << "python3 is not available";
    ASSERT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_EQ(p.out.trimmed().split('\n'),
              QStringList({"Ablative|children,name,notes,referenceURL",
                           "-Ablative absolute|children,name,notes,referenceURL", "--Causal|name,notes",
                           "--Temporal|name,referenceURL", "-Means|name", "Genitive|name"}));
}

TEST(TSGrammarCollection, ReadsAnyFormatAndSkipsWhatIsNotAUsage) {
    const auto tree = threeLevelTree();
    const QByteArray binary = ts::PropertyList::writeBinary(tree->serialize());
    EXPECT_EQ(flatten(TSGrammarCollection::grammarFromPListData(binary)->usages()), flatten(tree->usages()));

    ts::ValueArray mixed{ts::Value("loose text"), ts::Value(ts::ValueDictionary{{"name", "Kept"}}), ts::Value(3)};
    const auto m = TSGrammarCollection::grammarFromPListData(ts::PropertyList::writeXML(ts::Value(mixed)));
    ASSERT_EQ(m->count(), 1u);
    EXPECT_EQ(m->usages()[0]->name(), "Kept");
}

TEST(TSGrammarCollection, NonArrayRootOrBrokenDataGivesAnEmptyCollection) {
    CaptureLogger::Scope log;
    const ts::Value dict(ts::ValueDictionary{{"name", "Ablative"}});
    for (const QByteArray& data : {ts::PropertyList::writeXML(dict), QByteArray("<plist><array><dict>"),
                                   QByteArray(), QByteArray("\x00\x01garbage", 9)}) {
        const auto g = TSGrammarCollection::grammarFromPListData(data);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->count(), 0u);
    }
    EXPECT_FALSE(TSGrammarCollection::readableGrammarData(ts::PropertyList::writeXML(dict)));
    EXPECT_TRUE(TSGrammarCollection::readableGrammarData(ts::PropertyList::writeXML(ts::ValueArray{})));
    EXPECT_EQ(log->count(), 0) << "a parse failure is not reported";
}

TEST(TSGrammarCollection, EmptyCollectionExportsAnEmptyArray) {
    const QByteArray xml = TSGrammarCollection().exportToPListFormat();
    const ts::PlistResult r = ts::PropertyList::readXML(xml);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value, ts::Value(ts::ValueArray{}));
    EXPECT_EQ(r.format, ts::PlistFormat::XML);
}

TEST(TSGrammarCollection, KeyedArchiveAndDeepCopyKeepTheTree) {
    ts::registerPlatformClasses();
    const auto tree = threeLevelTree();
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(tree), &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    const auto back = ts::KeyedUnarchiver::unarchive(data, {}, &error).toObjectAs<TSGrammarCollection>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(flatten(back->usages()), flatten(tree->usages()));

    // The usage's own keys sit beside the array's.
    const ts::PlistResult plist = ts::PropertyList::read(data);
    bool sawUsage = false;
    for (const ts::Value& o : plist.value["$objects"].array())
        if (o.contains("referenceURL") && o.contains("notes") && o.contains("storedData") && o.contains("name"))
            sawUsage = true;
    EXPECT_TRUE(sawUsage);

    auto copy = std::dynamic_pointer_cast<TSGrammarCollection>(tree->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(flatten(copy->usages()), flatten(tree->usages()));
    copy->usages()[0]->children()[0]->setNotes("changed");
    EXPECT_EQ(tree->usages()[0]->children()[0]->notes(), "Noun and participle.");
    EXPECT_NE(copy->usages()[0]->referenceURL().get(), tree->usages()[0]->referenceURL().get());
}

TEST(TSGrammarCollection, AddCaseAndMisuse) {
    CaptureLogger::Scope log;
    TSGrammarCollection g;
    auto parent = usage("Subjunctive");
    g.addObject(parent);
    g.addCase("Purpose clauses", parent);
    ASSERT_EQ(parent->count(), 1u);
    EXPECT_EQ(parent->children()[0]->name(), "Purpose clauses");
    EXPECT_FALSE(g.dirty());

    g.addCase(QString(), parent);
    EXPECT_EQ(parent->count(), 1u);
    EXPECT_TRUE(log->contains("Nil name at addCase"));

    log->clear();
    NonKeyedCoder coder;
    TSGrammarUsage u;
    u.initWithCoder(coder);
    EXPECT_EQ(log->messages().count("Panic here"), 3);
}

TEST(TSGrammarUsage, ValuesByKey) {
    TSGrammarUsage u;
    u.setValueForKey(ts::Value("https://example.org/x"), "referenceURL");
    ASSERT_TRUE(u.referenceURL());
    EXPECT_EQ(u.valueForKey("referenceURL").toObjectAs<ts::Url>()->absoluteString(), "https://example.org/x");
    u.setValueForKey(ts::Value("Locative"), "name");
    EXPECT_EQ(u.valueForKey("name"), ts::Value("Locative"));
    u.setValueForKey(ts::Value("bad url"), "referenceURL");
    EXPECT_FALSE(u.referenceURL());
}

TEST(TSGrammarCollection, DeeplyNestedFileIsCutOffNotFatal) {
    CaptureLogger::Scope log;
    // 240 levels of usages: within what the property-list reader accepts,
    // deeper than the usage reader follows.
    ts::Value node(ts::ValueDictionary{{"name", "leaf"}});
    for (int i = 0; i < 240; ++i)
        node = ts::Value(ts::ValueDictionary{{"name", QString::number(i)}, {"children", ts::ValueArray{node}}});
    const QByteArray data = ts::PropertyList::writeBinary(ts::Value(ts::ValueArray{node}));
    ASSERT_FALSE(data.isEmpty());
    const auto g = TSGrammarCollection::grammarFromPListData(data);
    ASSERT_EQ(g->count(), 1u);
    int depth = 0;
    for (auto u = g->usages()[0]; !u->children().empty(); u = u->children()[0]) ++depth;
    EXPECT_EQ(depth, TSGrammarUsage::kMaxDepth);
    EXPECT_TRUE(log->contains("nested more than"));
}
