// The prepared dictionaries: first start from the bundle's archive, loading
// and its failures, both search directions, keyed and form look-ups, the
// word-type search, edits, saving and the rebuild from a builder's result.

#include "PreparedFixtures.h"

#include "dictionaries/ElementaryLewis.h"
#include "dictionaries/LewisAndShort.h"
#include "support/CaptureLogger.h"

#include <QSet>

#include <thread>

using namespace fixtures;

namespace {

const QString kElementary = QStringLiteral("EditedElementaryLewis.xml");
const QString kLarge = QStringLiteral("EditedLewisShort.xml");

template <class T>
std::shared_ptr<T> loaded() {
    auto d = std::make_shared<T>();
    d->initialize();
    d->waitForInitialisation();
    return d;
}

QStringList headwords(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->entry();
    return out;
}

QStringList keys(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->key();
    return out;
}

class PreparedDictionary : public PreparedFolders {
protected:
    void SetUp() override {
        PreparedFolders::SetUp();
        if (!pythonAvailable()) GTEST_SKIP() << "python3 is needed to zip and read the files";
        ASSERT_TRUE(addResource(kElementary, makeEntries()));
        ASSERT_TRUE(addResource(kLarge, makeEntries()));
    }
    QString edited(const QString& name) const { return dictionaries() + QLatin1Char('/') + name; }
};

}  // namespace

TEST_F(PreparedDictionary, FirstStartUnpacksTheArchiveAndLaterStartsKeepTheEditedCopy) {
    EXPECT_FALSE(QFile::exists(edited(kElementary)));
    auto first = loaded<ElementaryLewis>();
    EXPECT_EQ(first->loadState(), TSDictionary::LoadState::Loaded);
    ASSERT_TRUE(first->words());
    EXPECT_EQ(first->words()->size(), samples().size());
    EXPECT_TRUE(QFile::exists(edited(kElementary)));
    EXPECT_EQ(first->dictionaryData().at(ElementaryLewis::kCreditsKey).toString(), ElementaryLewis::credits());
    EXPECT_EQ(first->dictionaryData().at(QStringLiteral("title")).toString(), kElementary);

    // The user's copy is never replaced by the bundle's.
    ASSERT_TRUE(writeFile(edited(kElementary), dictionaryFile({makeEntry(samples().front())}, QStringLiteral("mine"))));
    auto second = loaded<ElementaryLewis>();
    ASSERT_TRUE(second->words());
    EXPECT_EQ(second->words()->size(), 1u);

    // The large dictionary has no credits sentence.
    auto large = loaded<LewisAndShort>();
    EXPECT_EQ(large->words()->size(), samples().size());
    EXPECT_EQ(large->dictionaryData().count(ElementaryLewis::kCreditsKey), 0u);
    EXPECT_TRUE(large->isEditable() == false && first->isEditable());
    EXPECT_EQ(first->attribution(), QStringLiteral("text of PERSEUS_ATTRIBUTION"));
    EXPECT_EQ(large->attribution(), QStringLiteral("text of LS_ATTRIBUTION"));
}

TEST_F(PreparedDictionary, MissingDictionaryAnswersEmptyAndSaysSoOnce) {
    QFile::remove(resources() + QLatin1Char('/') + kElementary + QStringLiteral(".zip"));
    CaptureLogger::Scope log;
    for (int i = 0; i < 2; ++i) {
        auto d = std::make_shared<ElementaryLewis>();
        d->initialize();
        d->waitForInitialisation();  // released, not left waiting
        EXPECT_EQ(d->loadState(), TSDictionary::LoadState::Missing);
        ASSERT_TRUE(d->words());
        EXPECT_TRUE(d->words()->empty());
        bool called = false;
        d->translateToLatin(QStringLiteral("love"), 0, 0, [&](const TSDictionaryResult& r) {
            called = true;
            EXPECT_TRUE(TSDictionary::parsedWords(r).empty());
        });
        EXPECT_TRUE(called);
        // Nothing to save, and no file is made from nothing.
        d->save();
        EXPECT_FALSE(QFile::exists(edited(kElementary)));
    }
    EXPECT_EQ(log->messages().filter(QStringLiteral("is missing")).size(), 1);
}

TEST_F(PreparedDictionary, UnreadableFileReleasesWaitersAndIsNeverSavedOver) {
    const QByteArray corrupt("bplist00 this is not a property list");
    ASSERT_TRUE(writeFile(edited(kElementary), corrupt));
    CaptureLogger::Scope log;
    auto d = std::make_shared<ElementaryLewis>();
    // Readers that arrive before and while the load runs are all released.
    std::vector<std::thread> readers;
    std::atomic<int> released{0};
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&] {
            d->waitForInitialisation();
            released.fetch_add(1);
        });
    d->initialize();
    for (auto& t : readers) t.join();
    EXPECT_EQ(released.load(), 4);
    EXPECT_EQ(d->loadState(), TSDictionary::LoadState::Unreadable);
    ASSERT_TRUE(d->words());
    EXPECT_TRUE(d->words()->empty());
    EXPECT_TRUE(log->contains(QStringLiteral("could not be loaded")));

    d->setSaveDelay(std::chrono::hours(1));
    d->setDirty(true);
    d->save();
    EXPECT_EQ(readFile(edited(kElementary)), corrupt);
    EXPECT_TRUE(d->dirty());
}

TEST_F(PreparedDictionary, ReadersWaitForALoadInProgress) {
    auto d = std::make_shared<LewisAndShort>();
    std::vector<std::thread> readers;
    std::vector<size_t> found(6, 0);
    for (size_t i = 0; i < found.size(); ++i)
        readers.emplace_back([&, i] { found[i] = d->translateToEnglish(QStringLiteral("dico"), 0, 0).size(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    d->initialize();
    for (auto& t : readers) t.join();
    for (size_t n : found) EXPECT_EQ(n, 4u);
}

TEST_F(PreparedDictionary, EnglishSearchMatchesWholeWordsAndCallsTheBlockForBadPatterns) {
    auto d = loaded<ElementaryLewis>();
    struct Case {
        const char* query;
        int type;
        QStringList expected;
    } cases[] = {
        // "loved" is not "love"; case is ignored; commas and semicolons part words.
        {"love", 0, {QStringLiteral("ămo āvi ātum āre"), QStringLiteral("Amor oris")}},
        {"LOVE", DictionaryEntry::Verb, {QStringLiteral("ămo āvi ātum āre")}},
        {"tell", 0, {QStringLiteral("dīco dixi dictum dicere")}},
        {"from", 0, {QStringLiteral("ab -")}},
        {"from", DictionaryEntry::Noun, {}},
        {"^to (say|lead)", 0, {QStringLiteral("dīco dixi dictum dicere"), QStringLiteral("dūco duxi ductum ducere")}},
    };
    for (const Case& c : cases) {
        const QString query = QString::fromUtf8(c.query);
        SCOPED_TRACE(query.toStdString());
        QStringList got;
        d->translateToLatin(query, c.type, 0, [&](const TSDictionaryResult& r) {
            got = headwords(TSDictionary::parsedWords(r));
            EXPECT_EQ(r.at(TSDictionary::kInputString).toString(), query);
        });
        EXPECT_EQ(got, c.expected);
    }
    CaptureLogger::Scope log;
    bool called = false;
    d->translateToLatin(QStringLiteral("(love"), 0, 0, [&](const TSDictionaryResult& r) {
        called = true;
        EXPECT_TRUE(TSDictionary::parsedWords(r).empty());
    });
    EXPECT_TRUE(called);
    EXPECT_TRUE(log->contains(QStringLiteral("Invalid English search")));
}

TEST_F(PreparedDictionary, LargeDictionaryMatchesBrevesAndFindsByKeyAndForm) {
    auto large = loaded<LewisAndShort>();
    auto small = loaded<ElementaryLewis>();
    // The base pattern knows macrons only; the large one also breves.
    EXPECT_EQ(headwords(large->translateToEnglish(QStringLiteral("amo"), 0, 0)),
              QStringList{QStringLiteral("ămo āvi ātum āre")});
    EXPECT_TRUE(small->translateToEnglish(QStringLiteral("amo"), 0, 0).empty());

    struct Case {
        const char* form;
        int type;
        QStringList keys;
    } cases[] = {
        {"dico", 0, {"dico", "dico1", "dico2"}},  // stops at the missing dico3
        {"duco", 0, {"duco1", "duco2"}},          // a missing unnumbered key does not stop it
        {"dico", DictionaryEntry::Noun, {}},
        {"nihil", 0, {}},
    };
    CaptureLogger::Scope log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        EXPECT_EQ(keys(large->findWordsWithForm(QString::fromUtf8(c.form), c.type)), c.keys);
    }
    EXPECT_TRUE(log->contains(QStringLiteral("No key for sine clave")));

    log->clear();
    EXPECT_TRUE(small->findWordsWithForm(QStringLiteral("dico"), 0).empty());
    EXPECT_EQ(log->messages().filter(QStringLiteral("Must implement entryWithKey ElementaryLewis")).size(), 2);

    log->clear();
    EXPECT_EQ(large->entryWithKey(QStringLiteral("Roma"))->entry(), QStringLiteral("Rōma ae"));
    EXPECT_EQ(large->entryWithKey(QString()), nullptr);
    EXPECT_EQ(large->lookupDictionary().size(), qsizetype(samples().size() - 1));

    EXPECT_EQ(headwords(small->itemsOfType(DictionaryEntry::Numeral)), QStringList{QStringLiteral("dŭo ae o")});
}

TEST_F(PreparedDictionary, WordTypeSearchAppliesEveryCriterionAndChangesNothing) {
    auto d = loaded<LewisAndShort>();
    QList<ts::Value> before;
    for (const auto& e : *d->words()) before << e->serialize();

    struct Case {
        const char* name;
        int type, syllables;
        const char* contains;
        bool fromStart;
        int stress, conjugation, wordPart, capitals, trans, gender;
        QStringList expected;
    } cases[] = {
        {"capitals 0 finds nothing", 0, 0, "", true, 0, 0, 0, 0, 3, 0, {}},
        {"capital first letter", 0, 0, "", true, 0, 0, 0, 2, 3, 0, {"Rōma ae", "Amor oris"}},
        {"small first letter", DictionaryEntry::Noun, 0, "", true, 0, 0, 0, 1, 3, 0, {"dŏmĭnus i", "res publica"}},
        {"either case", DictionaryEntry::Noun, 0, "", true, 0, 0, 0, 3, 3, 0,
         {"Rōma ae", "dŏmĭnus i", "res publica", "Amor oris"}},
        {"nouns by gender", DictionaryEntry::Noun, 0, "", true, 0, 0, 0, 3, 3, 2, {"Rōma ae", "res publica"}},
        {"begins with letters, marks stripped", 0, 0, "du", true, 0, 0, 0, 3, 3, 0,
         {"dūco duxi ductum ducere", "dūco āre", "dŭo ae o"}},
        {"ends with letters", DictionaryEntry::Adjective, 0, "us", false, 0, 0, 0, 3, 3, 0,
         {"bŏnus a um", "ămātus a um"}},
        {"pattern with a dot", 0, 0, "d.c", true, 0, 0, 0, 3, 3, 0,
         {"dīco dixi dictum dicere", "dĭco āvi ātum āre", "dĭco āre", "dico unreachable", "dūco duxi ductum ducere",
          "dūco āre"}},
        {"conjugation", DictionaryEntry::Verb, 0, "", true, 0, 3, 0, 3, 3, 0,
         {"dīco dixi dictum dicere", "dūco duxi ductum ducere"}},
        {"syllables", DictionaryEntry::Noun, 3, "", true, 0, 0, 0, 3, 3, 0, {"dŏmĭnus i"}},
        {"stress on the last but one", DictionaryEntry::Adjective, 0, "", true, 1, 0, 0, 3, 3, 0,
         {"bŏnus a um", "ămātus a um"}},
        {"stress on the one before", DictionaryEntry::Noun, 0, "", true, 2, 0, 0, 3, 3, 0, {"dŏmĭnus i"}},
        {"headword piece", 0, 0, "", true, 0, 0, 1, 3, 3, 0,
         {"ămo āvi ātum āre", "dīco dixi dictum dicere", "dĭco āvi ātum āre", "dĭco āre", "dico unreachable",
          "dūco duxi ductum ducere", "dūco āre", "Rōma ae", "dŏmĭnus i", "res publica", "bŏnus a um",
          "ămātus a um", "dŭo ae o", "sine clave", "Amor oris"}},
        {"transitive verbs, both included", DictionaryEntry::Verb, 0, "", true, 0, 0, 0, 3, 1, 0,
         {"ămo āvi ātum āre", "dīco dixi dictum dicere", "dĭco āvi ātum āre", "dūco duxi ductum ducere"}},
        {"intransitive verbs", DictionaryEntry::Verb, 0, "", true, 0, 0, 0, 3, 2, 0,
         {"dīco dixi dictum dicere", "dĭco āre"}},
        {"verbs without a recorded transitivity", DictionaryEntry::Verb, 0, "", true, 0, 0, 0, 3, 0, 0,
         {"dico unreachable", "dūco āre"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DictionaryEntryList found = d->wordTypeSearch(c.type, c.syllables, QString::fromUtf8(c.contains),
                                                            c.fromStart, c.stress, c.conjugation, c.wordPart,
                                                            c.capitals, c.trans, c.gender);
        EXPECT_EQ(headwords(found), c.expected);
    }
    QList<ts::Value> after;
    for (const auto& e : *d->words()) after << e->serialize();
    EXPECT_TRUE(before == after);
}

TEST_F(PreparedDictionary, SavedFileReadsBackWithPythonAndAFailedWriteStaysDirty) {
    auto d = loaded<ElementaryLewis>();
    d->setSaveDelay(std::chrono::hours(1));
    ASSERT_TRUE(d->deleteEntry(d->words()->front()));
    EXPECT_FALSE(d->deleteEntry(makeEntry(samples().front())));  // not one of its entries
    d->setDirty(true);
    d->save();
    EXPECT_FALSE(d->dirty());
    const PythonRun r = runPython(QStringLiteral("import plistlib,sys\n"
                                                 "d=plistlib.load(open(sys.argv[1],'rb'))\n"
                                                 "print(len(d['words']), d['title'], d['author'], 'credits' in d,"
                                                 " d['words'][0]['Entry'])"),
                                  {edited(kElementary)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("%1 %2 C. T. Lewis False dīco dixi dictum dicere")
                                   .arg(samples().size() - 1)
                                   .arg(kElementary));

    // A folder where the file should be: the write fails and nothing is lost.
    const QByteArray saved = readFile(edited(kElementary));
    ASSERT_TRUE(QFile::rename(edited(kElementary), scratch(QStringLiteral("kept.xml"))));
    ASSERT_TRUE(QDir().mkpath(edited(kElementary)));
    CaptureLogger::Scope log;
    d->setDirty(true);
    d->save();
    EXPECT_TRUE(d->dirty());
    EXPECT_TRUE(log->contains(QStringLiteral("Error writing plist")));
    EXPECT_EQ(readFile(scratch(QStringLiteral("kept.xml"))), saved);
}

TEST_F(PreparedDictionary, ChangedWordsAreReportedAndTheirMarksCleared) {
    auto d = loaded<ElementaryLewis>();
    d->setSaveDelay(std::chrono::hours(1));
    EXPECT_TRUE(d->changedWords().isEmpty());
    (*d->words())[1]->setChanged(true);
    (*d->words())[7]->children().front()->setChanged(true);  // marks its headword too
    const QString path = scratch(QStringLiteral("changed.plist"));
    ASSERT_TRUE(writeFile(path, d->changedWords()));
    const PythonRun r = runPython(QStringLiteral("import plistlib,sys\n"
                                                 "print('|'.join(w['Entry'] for w in plistlib.load(open(sys.argv[1],'rb'))))"),
                                  {path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("dīco dixi dictum dicere|Rōma ae"));
    EXPECT_FALSE(d->dirty());
    d->removeChangeFlags();
    EXPECT_TRUE(d->dirty());
    EXPECT_TRUE(d->changedWords().isEmpty());
}

TEST_F(PreparedDictionary, RebuildReplacesTheEntriesOnlyWithARealResult) {
    auto d = std::make_shared<LewisAndShort>();
    CaptureLogger::Scope log;
    EXPECT_FALSE(d->loadFromRawXML());
    EXPECT_TRUE(log->contains(QStringLiteral("No source builder")));
    EXPECT_FALSE(QFile::exists(edited(kLarge)));

    // A builder that found nothing leaves the edited file alone.
    LewisAndShort::setSourceBuilder([](const QUrl&) { return ts::ValueDictionary{}; });
    EXPECT_FALSE(d->loadFromRawXML());
    EXPECT_FALSE(QFile::exists(edited(kLarge)));

    QUrl asked;
    LewisAndShort::setSourceBuilder([&asked](const QUrl& source) {
        asked = source;
        ts::ValueArray entries;
        for (const auto& e : makeEntries()) entries.emplace_back(ts::ObjectPtr(e));
        ts::ValueDictionary result;
        result[TSDictionary::kEntriesKey] = ts::Value(std::move(entries));
        result[QStringLiteral("title")] = QStringLiteral("A Latin Dictionary");
        result[QStringLiteral("sponsor")] = QStringLiteral("Perseus");
        return result;
    });
    EXPECT_TRUE(d->loadFromRawXML());
    LewisAndShort::setSourceBuilder({});
    EXPECT_EQ(asked.toLocalFile(), edited(QStringLiteral("LewisShort.xml")));
    EXPECT_EQ(d->words()->size(), samples().size());
    EXPECT_EQ(d->entryWithKey(QStringLiteral("bonus"))->entry(), QStringLiteral("bŏnus a um"));
    auto reread = loaded<LewisAndShort>();
    EXPECT_EQ(reread->words()->size(), samples().size());
    EXPECT_EQ(reread->dictionaryData().at(QStringLiteral("sponsor")).toString(), QStringLiteral("Perseus"));
}

TEST_F(PreparedDictionary, EditsSavesAndSearchesShareOneLock) {
    auto d = loaded<LewisAndShort>();
    d->setSaveDelay(std::chrono::hours(1));
    // Give the searches something to walk while entries go.
    std::vector<DictionaryEntryPtr> extra;
    for (int i = 0; i < 2000; ++i) extra.push_back(makeEntry(samples()[size_t(i) % samples().size()]));
    {
        std::lock_guard<std::recursive_mutex> lock(d->wordsLock());
        d->words()->insert(d->words()->end(), extra.begin(), extra.end());
    }
    std::atomic<bool> stop{false};
    std::thread searcher([&] {
        while (!stop.load()) d->wordTypeSearch(0, 2, QString(), true, 0, 0, 0, 3, 3, 0);
    });
    std::thread saver([&] {
        for (int i = 0; i < 3; ++i) d->save();
    });
    for (const auto& e : extra) EXPECT_TRUE(d->deleteEntry(e));
    saver.join();
    stop.store(true);
    searcher.join();
    EXPECT_EQ(d->words()->size(), samples().size());
}
