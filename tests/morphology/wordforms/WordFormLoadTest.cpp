#include "WordFormTestSupport.h"
#include "morphology/TSWordFormDictionary.h"
#include "morphology/WordFormArchive.h"
#include "platform/Color.h"
#include "platform/Dispatch.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace wordformtest;

namespace {

// Makes a zip archive with python's own zip writer; entries are name/text
// pairs. False when python3 is missing.
bool makeZip(const QString& path, const QStringList& namesAndTexts) {
    const PythonRun run = runPython(QStringLiteral(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    args = sys.argv[2:]
    for i in range(0, len(args), 2):
        z.writestr(args[i], args[i + 1].encode('utf-8'))
)"), QStringList{path} + namesAndTexts);
    return run.started && run.exitCode == 0;
}

// Waits for the load on another thread, so that a hang fails the test.
bool waitWithin(std::chrono::seconds limit, bool* loaded) {
    auto future = std::async(std::launch::async, [] { return TSWordFormDictionary::waitForInitialisation(); });
    if (future.wait_for(limit) != std::future_status::ready) return false;
    *loaded = future.get();
    return true;
}

const QString kSmallList = QStringLiteral(
    "arma\tn-p---nn-\tarma\tarma\n"
    "uirum\tn-s---ma-\tvir\tvirum\n"
    "cano\tv1spia---\tcano\tcano_\n"
    "oris\tn-p---nb-\tora\to_ri_s\n"
    "oris\tn-s---ng-\tos\toris\n");

class Owner : public TextMacronizerProtocol {
public:
    void textMacronized(const std::vector<ts::AttributedStringPtr>& results, const ts::ObjectPtr& object) override {
        ++calls;
        this->results = results;
        this->object = object;
    }
    int calls = 0;
    std::vector<ts::AttributedStringPtr> results;
    ts::ObjectPtr object;
};

// Runs main-queue tasks until one has arrived or the time is up.
bool drainMainWithin(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ts::DispatchQueue::drainMain() > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

TEST(WordFormLoad, SourceThenCacheGiveTheSameDictionary) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList})) << "python3 zipfile";
    CaptureLogger::Scope capture;
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(capture->contains(QStringLiteral("Took ")));
    const TSWordFormDictionaryPtr first = TSWordFormDictionary::sharedDictionary();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->recordCount(), 5);
    EXPECT_TRUE(QFileInfo::exists(places.path(QStringLiteral("tmp/macrons.txt"))));
    const QString cache = places.path(QStringLiteral("support/Macrons.dat"));
    ASSERT_TRUE(QFileInfo::exists(cache));
    const ts::Value written = first->serialize();
    EXPECT_EQ(written[QStringLiteral("SourceStamp")].toString(), TSWordFormDictionary::currentSourceStamp());

    // A second start reads the cache, not the source.
    TSWordFormDictionary::resetSharedState();
    QFile::remove(places.path(QStringLiteral("tmp/macrons.txt")));
    QFile::remove(places.locations().bundledSource);
    capture->clear();
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(capture->contains(QStringLiteral("Read time ")));
    EXPECT_FALSE(capture->contains(QStringLiteral("Took ")));
    EXPECT_EQ(TSWordFormDictionary::sharedDictionary()->serialize(), written);
    EXPECT_EQ(TSWordFormDictionary::wordForms(QStringLiteral("oris")).size(), 2u);
    EXPECT_EQ(TSWordFormDictionary::sharedMacronizedFormsForString(QStringLiteral("Oris")),
              std::optional<QStringList>(QStringList{"Oris", "Ōrīs"}));
}

TEST(WordFormLoad, CacheFromAnotherSourceIsRebuilt) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList}));
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_EQ(TSWordFormDictionary::sharedDictionary()->recordCount(), 5);

    // The user places a full list in the support folder.
    ASSERT_TRUE(writeFile(places.path(QStringLiteral("support/macrons.txt")), readFile(minimalListPath()).toUtf8()));
    TSWordFormDictionary::resetSharedState();
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_EQ(TSWordFormDictionary::sharedDictionary()->recordCount(), 7629);
    EXPECT_TRUE(TSWordFormDictionary::sharedDictionary()->sourceStamp().contains(QStringLiteral("support/macrons.txt")));

    // A cache that does not read is replaced from the source.
    ASSERT_TRUE(writeFile(places.path(QStringLiteral("support/Macrons.dat")), QByteArrayLiteral("bplist00garbage")));
    TSWordFormDictionary::resetSharedState();
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_EQ(TSWordFormDictionary::sharedDictionary()->recordCount(), 7629);
    QFile cache(places.path(QStringLiteral("support/Macrons.dat")));
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    EXPECT_TRUE(TSWordFormDictionary::importFromPListData(cache.readAll()));
}

// A cache of the current source that names one record a million times is
// refused, and the list is read from its text and cached anew.
TEST(WordFormLoad, CacheAskingMoreThanItsSizeHoldsIsRebuiltFromTheText) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList}));
    const QString cache = places.path(QStringLiteral("support/Macrons.dat"));
    ASSERT_TRUE(writeFile(cache, cacheNamingOneRecord(1 << 20, TSWordFormDictionary::currentSourceStamp())));
    CaptureLogger::Scope capture;
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_EQ(TSWordFormDictionary::sharedDictionary()->recordCount(), 5);
    EXPECT_TRUE(capture->contains(QStringLiteral("Took ")));
    QFile rewritten(cache);
    ASSERT_TRUE(rewritten.open(QIODevice::ReadOnly));
    const auto back = TSWordFormDictionary::importFromPListData(rewritten.readAll());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->recordCount(), 5);
}

TEST(WordFormLoad, AdditionsAndPatternsReachTheCache) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList}));
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_TRUE(TSWordFormDictionary::addWordFormToSharedDictionary(QStringLiteral("rosa\tn-s---fn-\trosa\trosa")));
    EXPECT_FALSE(TSWordFormDictionary::addWordFormToSharedDictionary(QStringLiteral("rosa\tn-s---fn-")));
    ASSERT_TRUE(TSWordFormDictionary::sharedDictionary()->calculateMeter());

    TSWordFormDictionary::resetSharedState();
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    const auto rosa = TSWordFormDictionary::wordForms(QStringLiteral("rosa"));
    ASSERT_EQ(rosa.size(), 1u);
    EXPECT_TRUE(rosa[0]->hasVowelLengths());
    EXPECT_EQ(rosa[0]->numSyllables(), 2);
    const auto found = TSWordFormDictionary::wordsWithMeter(3, 2, 1, QString(), true, 3);
    // rosa is short-short: of the two-syllable nouns only arma begins long-short.
    EXPECT_EQ(found.size(), 1u);
    EXPECT_TRUE(found.count(QStringLiteral("arma")));
    CaptureLogger::Scope capture;
    EXPECT_TRUE(TSWordFormDictionary::wordsWithMeter(4, 0, 0, QString(), true, 3).empty());
    EXPECT_TRUE(capture->contains(QStringLiteral("Unhandled meter 4")));
}

// A form added before the list was ever asked for is kept: the addition
// waits for the load instead of finding no list.
TEST(WordFormLoad, FormAddedBeforeTheListLoadsIsKept) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList}));
    ASSERT_FALSE(TSWordFormDictionary::sharedDictionary());
    EXPECT_TRUE(TSWordFormDictionary::addWordFormToSharedDictionary(QStringLiteral("rosa\tn-s---fn-\trosa\trosa")));
    EXPECT_TRUE(TSWordFormDictionary::saveDictionary());
    TSWordFormDictionary::resetSharedState();
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    EXPECT_EQ(TSWordFormDictionary::wordForms(QStringLiteral("rosa")).size(), 1u);
}

TEST(WordFormLoad, WaitersOfAFailedLoadAreReleased) {
    Places places;  // neither cache nor source
    CaptureLogger::Scope capture;
    bool loaded = true;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded)) << "the waiter was never released";
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(TSWordFormDictionary::loadFinished());
    EXPECT_FALSE(TSWordFormDictionary::sharedDictionary());
    EXPECT_TRUE(capture->contains(QStringLiteral("No word-form source")));
    // Every later reader returns at once with nothing.
    EXPECT_TRUE(TSWordFormDictionary::wordForms(QStringLiteral("arma")).empty());
    EXPECT_TRUE(TSWordFormDictionary::wordsWithMeter(2, 0, 0, QString(), true, 3).empty());
    EXPECT_FALSE(TSWordFormDictionary::sharedMacronizedFormsForString(QStringLiteral("arma")).has_value());
    EXPECT_FALSE(TSWordFormDictionary::saveDictionary());
    EXPECT_FALSE(TSWordFormDictionary::addWordFormToSharedDictionary(QStringLiteral("a\tc--------\ta\ta")));

    // The marking still answers its owner, with every word unknown.
    auto owner = std::make_shared<Owner>();
    TSWordFormDictionary::addMacrons({ts::AttributedString::make(QStringLiteral("arma cano"))}, nullptr, owner);
    ASSERT_TRUE(drainMainWithin(std::chrono::seconds(60)));
    ASSERT_EQ(owner->calls, 1);
    ASSERT_EQ(owner->results.size(), 1u);
    EXPECT_EQ(owner->results[0]->string(), QStringLiteral("arma cano"));
    const auto bg = owner->results[0]->attribute(ts::AttributeName::BackgroundColor, 0).toObjectAs<ts::Color>();
    ASSERT_TRUE(bg);
    EXPECT_TRUE(bg->isEqual(*ts::Color::systemRedColor()));
}

TEST(WordFormLoad, MarkingCallsItsOwnerOnTheMainQueue) {
    Places places;
    ASSERT_TRUE(makeZip(places.locations().bundledSource, {"macrons.txt", kSmallList}));
    auto owner = std::make_shared<Owner>();
    auto section = std::make_shared<ts::Object>();
    std::vector<ts::AttributedStringPtr> texts = {ts::AttributedString::make(QStringLiteral("Arma virum")),
                                                  ts::AttributedString::make(QString()),
                                                  ts::AttributedString::make(QStringLiteral("cano oris"))};
    TSWordFormDictionary::addMacrons(texts, section, owner);
    ASSERT_TRUE(drainMainWithin(std::chrono::seconds(60)));
    ASSERT_EQ(owner->calls, 1);
    EXPECT_EQ(owner->object.get(), section.get());
    ASSERT_EQ(owner->results.size(), 3u);
    EXPECT_EQ(owner->results[0]->string(), QStringLiteral("Arma virum"));
    EXPECT_EQ(owner->results[1]->string(), QString());
    // The genitive singular goes before the ablative plural.
    EXPECT_EQ(owner->results[2]->string(), QStringLiteral("canō oris"));

    // No texts: no call. An owner gone by the time the marking ends: no call.
    TSWordFormDictionary::addMacrons({}, nullptr, owner);
    auto gone = std::make_shared<Owner>();
    std::weak_ptr<Owner> watch = gone;
    TSWordFormDictionary::addMacrons({ts::AttributedString::make(QStringLiteral("arma"))}, nullptr, gone);
    gone.reset();
    EXPECT_TRUE(watch.expired());
    drainMainWithin(std::chrono::seconds(2));
    EXPECT_EQ(owner->calls, 1);
}

TEST(WordFormLoad, ShippedFormListAndFrequencies) {
    TSWordFormDictionary::resetSharedState();
    TSWordFormDictionary::Locations loc;
    QTemporaryDir dir;
    loc.supportDirectory = dir.filePath(QStringLiteral("support"));
    loc.temporaryDirectory = dir.filePath(QStringLiteral("tmp"));
    const QString resources = qEnvironmentVariable("TS_SOURCE_DIR") + QStringLiteral("/resources/");
    loc.bundledSource = resources + QStringLiteral("macrons.txt.zip");
    loc.frequencyFile = resources + QStringLiteral("FormFrequencies.txt");
    TSWordFormDictionary::setLocations(loc);
    bool loaded = false;
    ASSERT_TRUE(waitWithin(std::chrono::seconds(60), &loaded) && loaded);
    const auto d = TSWordFormDictionary::sharedDictionary();
    EXPECT_GT(d->keyCount(), 50);
    EXPECT_EQ(d->macronizedFormsForString(QStringLiteral("Malum")), (QStringList{"Malum", "Mālum"}));
    EXPECT_EQ(d->macronizedFormsForString(QStringLiteral("est")), (QStringList{"est", "ēst"}));
    const auto marked = d->addMacrons(ts::AttributedString(QStringLiteral("Rosa et puella Romae sunt.")));
    EXPECT_EQ(marked->string(), QStringLiteral("Rosa et puella Rōmae sunt."));
    TSWordFormDictionary::resetSharedState();
}

TEST(WordFormLoad, FrequencyListIsReadAgainAfterAFailure) {
    Places places;
    QFile::remove(places.locations().frequencyFile);
    CaptureLogger::Scope capture;
    EXPECT_FALSE(TSWordFormDictionary::frequencyDictionary());
    EXPECT_TRUE(capture->contains(QStringLiteral("Error reading frequencyString")));
    ASSERT_TRUE(writeFile(places.locations().frequencyFile, QByteArrayLiteral("a  b\n\n single \n c\td e\n")));
    const auto list = TSWordFormDictionary::frequencyDictionary();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->lines.size(), 2u);
    EXPECT_EQ(list->lines[0], (QStringList{"a", "b"}));
    EXPECT_EQ(list->lines[1], (QStringList{"c", "d", "e"}));
}

TEST(WordFormArchive, OnlyTheNamedEntryWithinItsSize) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.zip"));
    const QString sneaky = dir.filePath(QStringLiteral("sneaky.zip"));
    ASSERT_TRUE(makeZip(good, {"other.txt", "x", "macrons.txt", kSmallList}));
    ASSERT_TRUE(makeZip(sneaky, {"../macrons.txt", kSmallList, "sub/macrons.txt", kSmallList}));
    const QString target = dir.filePath(QStringLiteral("out.txt"));

    EXPECT_EQ(WordFormArchive::extractEntry(good, QStringLiteral("macrons.txt"), target), QString());
    EXPECT_EQ(readFile(target), kSmallList);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("other.txt"))));

    QFile::remove(target);
    EXPECT_NE(WordFormArchive::extractEntry(good, QStringLiteral("macrons.txt"), target, 10), QString());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(WordFormArchive::extractEntry(sneaky, QStringLiteral("macrons.txt"), target).contains(QStringLiteral("no entry")));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("../macrons.txt"))));
    EXPECT_TRUE(WordFormArchive::extractEntry(good, QStringLiteral("../macrons.txt"), target).contains(QStringLiteral("refused")));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("notzip.zip")), QByteArrayLiteral("PK\x03\x04 broken")));
    EXPECT_NE(WordFormArchive::extractEntry(dir.filePath(QStringLiteral("notzip.zip")), QStringLiteral("macrons.txt"), target),
              QString());
    EXPECT_FALSE(QFileInfo::exists(target));
}
