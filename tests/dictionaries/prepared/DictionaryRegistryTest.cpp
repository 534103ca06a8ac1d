// The registry: type codes in their order, the scan of the user dictionaries,
// the rescan on "dictionary changed", unreadable user dictionaries, stored
// selections and the front operations.

#include "PreparedFixtures.h"

#include "dictionaries/DictionaryController.h"
#include "dictionaries/ElementaryLewis.h"
#include "dictionaries/LewisAndShort.h"
#include "dictionaries/TSDictionaries.h"
#include "platform/NotificationCenter.h"
#include "support/CaptureLogger.h"

using namespace fixtures;

namespace {

class DictionaryRegistry : public PreparedFolders {
protected:
    void SetUp() override {
        PreparedFolders::SetUp();
        // Whichever test makes the shared prepared dictionaries first finds entries.
        if (pythonAvailable()) {
            ASSERT_TRUE(addResource(QStringLiteral("EditedElementaryLewis.xml"), makeEntries()));
            ASSERT_TRUE(addResource(QStringLiteral("EditedLewisShort.xml"), makeEntries()));
        }
        TSDictionaries::dictionaries()->resetDictionaries();
    }
    void TearDown() override {
        TSDictionaries::dictionaries()->resetDictionaries();
        PreparedFolders::TearDown();
    }
    bool addUserDictionary(const QString& relative, const QString& headword) {
        return writeFile(userDictionaries() + QLatin1Char('/') + relative,
                         dictionaryFile({DictionaryEntry::make(headword, DictionaryEntry::Noun)}, relative));
    }
    static QString firstHeadword(const TSDictionaryPtr& d) {
        if (!d) return QStringLiteral("<none>");
        d->waitForInitialisation();
        const auto words = d->words();
        return words && !words->empty() ? words->front()->entry() : QStringLiteral("<empty>");
    }
};

}  // namespace

TEST_F(DictionaryRegistry, ListsAnalyserPreparedAndSortedUserDictionariesInOrder) {
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Zeta.xml"), QStringLiteral("zeta")));
    ASSERT_TRUE(addUserDictionary(QStringLiteral("alpha.xml"), QStringLiteral("alpha")));
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Beta.xml"), QStringLiteral("beta")));
    ASSERT_TRUE(addUserDictionary(QStringLiteral("nested/Gamma.xml"), QStringLiteral("gamma")));
    ASSERT_TRUE(addUserDictionary(QStringLiteral(".Hidden.xml"), QStringLiteral("hidden")));
    // Not user dictionaries: another extension, a folder, links.
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Notes.XML"), QStringLiteral("notes")));
    ASSERT_TRUE(addUserDictionary(QStringLiteral("x.plist"), QStringLiteral("x")));
    ASSERT_TRUE(QDir().mkpath(userDictionaries() + QStringLiteral("/Folder.xml")));
    ASSERT_TRUE(QFile::link(userDictionaries() + QStringLiteral("/Zeta.xml"),
                            userDictionaries() + QStringLiteral("/Linked.xml")));
    ASSERT_TRUE(QFile::link(userDictionaries() + QStringLiteral("/nested"),
                            userDictionaries() + QStringLiteral("/linkedFolder")));

    const QStringList expected = {QStringLiteral(".Hidden"), QStringLiteral("Beta"), QStringLiteral("Gamma"),
                                  QStringLiteral("Zeta"), QStringLiteral("alpha")};
    EXPECT_EQ(TSDictionaries::dictionaryNames(), expected);

    EXPECT_EQ(TSDictionaries::dictionaryOfType(0, false)->className(), QStringLiteral("DictionaryController"));
    EXPECT_EQ(TSDictionaries::dictionaryOfType(1, false), ElementaryLewis::dictionary());
    EXPECT_EQ(TSDictionaries::dictionaryOfType(2, false), LewisAndShort::dictionary());
    QStringList users;
    for (qint64 code = 3; code < 3 + expected.size(); ++code)
        users << firstHeadword(TSDictionaries::dictionaryOfType(code, false));
    EXPECT_EQ(users, (QStringList{"hidden", "beta", "gamma", "zeta", "alpha"}));

    // The second request answers the same object without loading again.
    EXPECT_EQ(TSDictionaries::dictionaryOfType(4, false), TSDictionaries::dictionaryOfType(4, true));

    CaptureLogger::Scope log;
    EXPECT_EQ(TSDictionaries::dictionaryOfType(3 + expected.size(), false), nullptr);
    EXPECT_EQ(TSDictionaries::dictionaryOfType(-2, false), nullptr);
    EXPECT_EQ(log->messages().filter(QStringLiteral("No dictionary for type")).size(), 2);
    DictionaryController::terminateDictionary();
}

TEST_F(DictionaryRegistry, EmptyFolderListsNothing) {
    EXPECT_TRUE(TSDictionaries::dictionaryNames().isEmpty());
    CaptureLogger::Scope log;
    EXPECT_EQ(TSDictionaries::dictionaryOfType(3, false), nullptr);
    EXPECT_TRUE(log->contains(QStringLiteral("No dictionary for type 3")));
}

TEST_F(DictionaryRegistry, DroppedDictionaryAppearsAfterDictionaryChanged) {
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Old.xml"), QStringLiteral("vetus")));
    const TSDictionaryPtr before = TSDictionaries::dictionaryOfType(3, false);
    EXPECT_EQ(firstHeadword(before), QStringLiteral("vetus"));

    ASSERT_TRUE(addUserDictionary(QStringLiteral("New.xml"), QStringLiteral("novus")));
    EXPECT_EQ(TSDictionaries::dictionaryNames(), QStringList{QStringLiteral("Old")});

    ts::NotificationCenter::defaultCenter().post(QStringLiteral("dictionary changed"));
    EXPECT_EQ(TSDictionaries::dictionaryNames(), (QStringList{QStringLiteral("New"), QStringLiteral("Old")}));
    EXPECT_EQ(firstHeadword(TSDictionaries::dictionaryOfType(3, false)), QStringLiteral("novus"));
    // Loaded afresh, not the object from before the notification.
    const TSDictionaryPtr after = TSDictionaries::dictionaryOfType(4, false);
    EXPECT_EQ(firstHeadword(after), QStringLiteral("vetus"));
    EXPECT_NE(after, before);
}

TEST_F(DictionaryRegistry, CorruptUserDictionaryIsListedAsUnreadableAndLeftAsItWas) {
    const QString path = userDictionaries() + QStringLiteral("/Broken.xml");
    const QByteArray corrupt("<?xml version=\"1.0\"?><plist><dict><key>words</key>");
    ASSERT_TRUE(writeFile(path, corrupt));
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Good.xml"), QStringLiteral("bonus")));
    auto registry = TSDictionaries::dictionaries();
    EXPECT_EQ(registry->sortedNames(), (QStringList{QStringLiteral("Broken"), QStringLiteral("Good")}));
    EXPECT_EQ(registry->stateOfDictionary(QStringLiteral("Broken")), TSDictionary::LoadState::NotStarted);

    CaptureLogger::Scope log;
    const TSDictionaryPtr broken = TSDictionaries::dictionaryOfType(3, false);
    ASSERT_TRUE(broken);
    broken->waitForInitialisation();
    EXPECT_EQ(registry->stateOfDictionary(QStringLiteral("Broken")), TSDictionary::LoadState::Unreadable);
    EXPECT_EQ(registry->stateOfDictionary(QStringLiteral("Nothing")), std::nullopt);
    EXPECT_TRUE(log->contains(QStringLiteral("Error reading PList format")));
    bool called = false;
    broken->translateToEnglish(QStringLiteral("bonus"), 0, 0, [&](const TSDictionaryResult& r) {
        called = true;
        EXPECT_TRUE(TSDictionary::parsedWords(r).empty());
    });
    EXPECT_TRUE(called);
    broken->save();
    EXPECT_EQ(readFile(path), corrupt);
    EXPECT_EQ(TSDictionaries::dictionaryNames(), (QStringList{QStringLiteral("Broken"), QStringLiteral("Good")}));
    EXPECT_EQ(firstHeadword(TSDictionaries::dictionaryOfType(4, false)), QStringLiteral("bonus"));
}

TEST_F(DictionaryRegistry, StoredSelectionsResolveWithoutRecursing) {
    ASSERT_TRUE(addUserDictionary(QStringLiteral("Mine.xml"), QStringLiteral("meus")));
    selection_[0] = 3;
    selection_[1] = 2;
    EXPECT_EQ(TSDictionaries::currentDictionary(true), 3);
    EXPECT_EQ(firstHeadword(TSDictionaries::dictionaryOfType(-1, true)), QStringLiteral("meus"));
    EXPECT_EQ(TSDictionaries::dictionaryOfType(-1, false), LewisAndShort::dictionary());

    selection_[1] = -1;
    CaptureLogger::Scope log;
    EXPECT_EQ(TSDictionaries::dictionaryOfType(-1, false)->className(), QStringLiteral("DictionaryController"));
    EXPECT_TRUE(log->contains(QStringLiteral("is -1")));

    // Front operations go to the chosen dictionary; with none, no block.
    selection_[1] = 3;
    QStringList found;
    TSDictionaries::translateToEnglish(QStringLiteral("meus"), 0, 0, [&](const TSDictionaryResult& r) {
        for (const auto& e : TSDictionary::parsedWords(r)) found << e->entry();
    });
    selection_[1] = 9;
    TSDictionaries::translateToEnglish(QStringLiteral("meus"), 0, 0, [&](const TSDictionaryResult&) {
        found << QStringLiteral("called with no dictionary");
    });
    EXPECT_EQ(found, QStringList{QStringLiteral("meus")});
    EXPECT_TRUE(TSDictionaries::attribution(true).isNull());
    selection_[0] = 1;
    EXPECT_EQ(TSDictionaries::attribution(true), QStringLiteral("text of PERSEUS_ATTRIBUTION"));
    DictionaryController::terminateDictionary();
}

TEST_F(DictionaryRegistry, ChangedWordsAndSavingAtQuitUseThePreparedDictionaries) {
    auto elementary = ElementaryLewis::dictionary();
    elementary->waitForInitialisation();
    elementary->setSaveDelay(std::chrono::hours(1));
    EXPECT_TRUE(TSDictionaries::changedWords().empty());
    if (elementary->words()->empty()) GTEST_SKIP() << "the shared dictionary was made without entries";
    elementary->words()->front()->setChanged(true);
    const ts::ValueDictionary changed = TSDictionaries::changedWords();
    ASSERT_EQ(changed.count(QStringLiteral("Elementary Lewis")), 1u);
    EXPECT_TRUE(changed.at(QStringLiteral("Elementary Lewis")).toData().contains("<plist"));
    TSDictionaries::removeChangeFlags();
    EXPECT_TRUE(TSDictionaries::changedWords().empty());
    EXPECT_TRUE(elementary->dirty());
    TSDictionaries::saveDictionaries();
    EXPECT_FALSE(elementary->dirty());
}
