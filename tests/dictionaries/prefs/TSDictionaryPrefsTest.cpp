#include "dictionaries/TSDictionaryPrefs.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

namespace {

// The options with the value a fresh object must carry, written out here
// rather than taken from the class so that a slip in either shows.
const std::vector<std::pair<QString, bool>> kExpectedDefaults = {
    {"showOnlyMeanings", false},      {"showDictionaryForms", true},   {"trimOutput", true},
    {"ignoreUnknownNames", true},     {"ignoreAllCaps", true},         {"lookForCompounds", true},
    {"lookForPrefixes", true},        {"lookForSpellingVariations", true}, {"showFrequency", true},
    {"showAge", true},                {"giveExamples", false},         {"provideStemsForUnknowns", false},
    {"doUnknownsOnly", false},        {"mediaevalSpellings", true},    {"lookForSyncope", true},
    {"lookForTwoWordsMerged", true},  {"omitArchaicForms", true},      {"omitMediaevalForms", false},
    {"omitUncommonForms", true},      {"iForJ", false},                {"uForV", false},
    {"minimizeOutput", true},
};

// The keyed archive of `prefs` as its property list, and the dictionary of
// its root object inside "$objects".
ts::Value archivePlist(const TSDictionaryPrefs& prefs, qint64* rootIndex) {
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(
        ts::Value(std::static_pointer_cast<TSDictionaryPrefs>(prefs.copy())));
    ts::PlistResult r = ts::PropertyList::read(data);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    *rootIndex = qint64(r.value["$top"]["root"].toUid().value);
    return r.value;
}

TSDictionaryPrefsPtr unarchive(const ts::Value& plist) {
    QString error;
    const QByteArray data = ts::PropertyList::writeBinary(plist, &error);
    const ts::Value root = ts::KeyedUnarchiver::unarchive(data, {"TSDictionaryPrefs"}, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return root.toObjectAs<TSDictionaryPrefs>();
}

}  // namespace

TEST(TSDictionaryPrefs, FreshObjectCarriesTheTwentyTwoDefaultsInOrder) {
    TSDictionaryPrefs prefs;
    ASSERT_EQ(TSDictionaryPrefs::optionKeys().size(), 22);
    for (size_t i = 0; i < kExpectedDefaults.size(); ++i) {
        const auto& [key, expected] = kExpectedDefaults[i];
        EXPECT_EQ(TSDictionaryPrefs::optionKeys()[qsizetype(i)], key) << "order at " << i;
        EXPECT_EQ(prefs.valueForKey(key), ts::Value(expected)) << key.toStdString();
    }
}

TEST(TSDictionaryPrefs, ArchivesEachOptionAsABoolUnderItsName) {
    TSDictionaryPrefs prefs;
    prefs.setShowOnlyMeanings(true);
    prefs.setShowAge(false);
    prefs.setUForV(true);
    qint64 root = 0;
    const ts::Value plist = archivePlist(prefs, &root);
    const ts::Value& object = plist["$objects"].array().at(size_t(root));
    for (const auto& [key, ignored] : kExpectedDefaults) {
        ASSERT_TRUE(object[key].isBool()) << key.toStdString() << " is " << object[key].description().toStdString();
        EXPECT_EQ(object[key].toBool(), prefs.valueForKey(key).toBool()) << key.toStdString();
    }
    auto back = unarchive(plist);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(prefs));
    EXPECT_TRUE(back->showOnlyMeanings());
    EXPECT_FALSE(back->showAge());
    EXPECT_TRUE(back->uForV());
}

TEST(TSDictionaryPrefs, AKeyMissingFromTheArchiveReadsAsNoNotAsTheDefault) {
    TSDictionaryPrefs prefs;
    qint64 root = 0;
    ts::Value plist = archivePlist(prefs, &root);
    plist.dictionary()["$objects"].array().at(size_t(root)).dictionary().erase("showAge");
    auto back = unarchive(plist);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->showAge());
    EXPECT_TRUE(TSDictionaryPrefs().showAge());
    EXPECT_TRUE(back->showFrequency());
}

TEST(TSDictionaryPrefs, CopyIsEqualAndIndependent) {
    TSDictionaryPrefs source;
    source.setGiveExamples(true);
    source.setTrimOutput(false);
    auto copy = std::dynamic_pointer_cast<TSDictionaryPrefs>(source.copy());
    ASSERT_TRUE(copy);
    for (const QString& key : TSDictionaryPrefs::optionKeys())
        EXPECT_EQ(copy->valueForKey(key), source.valueForKey(key)) << key.toStdString();
    copy->setGiveExamples(false);
    copy->setIForJ(true);
    EXPECT_TRUE(source.giveExamples());
    EXPECT_FALSE(source.iForJ());
    EXPECT_FALSE(copy->isEqual(source));
}

TEST(TSDictionaryPrefs, AccessByKeyAndUnknownKeys) {
    CaptureLogger::Scope log;
    TSDictionaryPrefs prefs;
    EXPECT_TRUE(prefs.setValueForKey(ts::Value(true), "doUnknownsOnly"));
    EXPECT_TRUE(prefs.doUnknownsOnly());
    EXPECT_TRUE(prefs.setValueForKey(ts::Value(0), "minimizeOutput"));
    EXPECT_FALSE(prefs.minimizeOutput());
    EXPECT_EQ(log->count(), 0);

    EXPECT_FALSE(prefs.setValueForKey(ts::Value(true), "showEverything"));
    EXPECT_TRUE(prefs.valueForKey("showEverything").isNull());
    EXPECT_EQ(log->count(), 2);
    EXPECT_TRUE(log->contains("showEverything"));
}
