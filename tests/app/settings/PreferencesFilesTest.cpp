#include "SettingsTestSupport.h"

#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"

namespace {

ts::Value bundleGrammar() {
    const ts::PlistResult r = ts::PropertyList::read(readFile(TSBundle::pathForResource("Grammar", "plist")));
    EXPECT_TRUE(r.ok());
    return r.value;
}

}  // namespace

using PreferencesFilesTest = TemporaryHome;

TEST_F(PreferencesFilesTest, FirstRunMakesTheFolderTreeAndTheGrammarFile) {
    CaptureLogger::Scope log;
    Preferences::loadPreferences();
    const std::pair<QString, const char*> folders[] = {
        {Preferences::supportDirectory(), ""},
        {Preferences::proximityPatternFolder(), "ProximityPatterns"},
        {Preferences::dictionariesFolder(), "Dictionaries"},
        {Preferences::userDictionariesFolder(), "Dictionaries/User Dictionaries"},
        {Preferences::cappelliFolder(), "Cappelli"},
        {QFileInfo(Preferences::grammarFile()).path(), "en_US"},
    };
    for (const auto& [answered, folder] : folders) {
        EXPECT_EQ(answered, supportPath(folder));
        EXPECT_TRUE(QFileInfo(supportPath(folder)).isDir()) << folder;
    }
    EXPECT_EQ(Preferences::grammarFile(), supportPath("en_US/Grammar.plist"));

    // The bundle's grammar, written back at once as an XML property list.
    const QByteArray written = readFile(supportPath("en_US/Grammar.plist"));
    const ts::PlistResult r = ts::PropertyList::read(written);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.format, ts::PlistFormat::XML);
    EXPECT_EQ(r.value, bundleGrammar());
    EXPECT_GT(Preferences::preferences()->grammar()->count(), 3u);
    EXPECT_FALSE(Preferences::preferences()->grammar()->dirty());
    EXPECT_EQ(log->count(), 0) << log->messages().join("\n").toStdString();
}

TEST_F(PreferencesFilesTest, FolderThatCannotBeMadeIsLoggedAndAnswersNothing) {
    CaptureLogger::Scope log;
    ASSERT_TRUE(writeFile(supportPath("Cappelli"), "a file in the way"));
    EXPECT_TRUE(Preferences::cappelliFolder().isNull());
    EXPECT_TRUE(log->contains("Unable to create kCappelliFolder folder\n"));

    log->clear();
    ASSERT_TRUE(writeFile(path("data/Tessarin-blocker"), "x"));
    qputenv("XDG_DATA_HOME", path("data/Tessarin-blocker").toUtf8());
    EXPECT_TRUE(Preferences::supportDirectory().isNull());
    EXPECT_TRUE(Preferences::userDictionariesFolder().isNull());
    EXPECT_TRUE(Preferences::grammarFile().isNull());
    EXPECT_TRUE(log->contains("Unable to create support directory"));
    EXPECT_TRUE(log->contains("Unable to create User Dictionaries folder\n"));
}

TEST_F(PreferencesFilesTest, GrammarEditsAreSavedWithTheSettings) {
    Preferences::loadPreferences();
    auto g = Preferences::preferences()->grammar();
    auto u = std::make_shared<TSGrammarUsage>();
    u->setName("Locative");
    u->setReferenceURL(ts::Url::make("https://example.org/locative"));
    g->addObject(u);
    g->setDirty(true);
    Preferences::savePreferences();
    EXPECT_FALSE(g->dirty());

    relaunch();
    Preferences::loadPreferences();
    auto back = Preferences::preferences()->grammar();
    ASSERT_EQ(back->count(), g->count());
    auto last = std::dynamic_pointer_cast<TSGrammarUsage>(back->lastObject());
    EXPECT_EQ(last->name(), "Locative");
    EXPECT_EQ(last->referenceURL()->absoluteString(), "https://example.org/locative");
}

// Text that XML cannot hold (pasted line breaks, control characters, lone
// surrogates) and empty texts are saved as they are and read back after a
// relaunch; later edits are saved too.
TEST_F(PreferencesFilesTest, GrammarTextOfAnyKindSurvivesARelaunch) {
    const QString awkward[] = {QStringLiteral("line\u000Bbreak"), QString(QChar(0x01)) + QStringLiteral("bell"),
                               QStringLiteral("x") + QChar(0xFFFE) + QChar(0xFFFF), QStringLiteral("lone") + QChar(0xD800)};
    Preferences::loadPreferences();
    auto g = Preferences::preferences()->grammar();
    const quint64 before = g->count();
    for (const QString& text : awkward) {
        auto u = std::make_shared<TSGrammarUsage>();
        u->setName(text);
        u->setNotes(text + QStringLiteral(" note"));
        g->addObject(u);
    }
    auto empty = std::make_shared<TSGrammarUsage>();
    empty->setName(QStringLiteral(""));
    empty->setNotes(QStringLiteral(""));
    g->addObject(empty);
    g->setDirty(true);
    {
        CaptureLogger::Scope log;
        Preferences::savePreferences();
        EXPECT_FALSE(log->contains(QStringLiteral("Error writing grammar file")));
    }
    EXPECT_FALSE(g->dirty());

    for (int round = 0; round < 2; ++round) {
        relaunch();
        Preferences::loadPreferences();
        auto back = Preferences::preferences()->grammar();
        ASSERT_EQ(back->count(), before + 5 + round) << round;
        for (size_t i = 0; i < std::size(awkward); ++i) {
            auto u = std::dynamic_pointer_cast<TSGrammarUsage>(back->objectAtIndex(before + i));
            ASSERT_TRUE(u);
            EXPECT_EQ(u->name(), awkward[i]) << i;
            EXPECT_EQ(u->notes(), awkward[i] + QStringLiteral(" note")) << i;
        }
        auto e = std::dynamic_pointer_cast<TSGrammarUsage>(back->objectAtIndex(before + 4));
        ASSERT_TRUE(e);
        EXPECT_FALSE(e->name().isNull());
        EXPECT_TRUE(e->name().isEmpty());
        EXPECT_FALSE(e->notes().isNull());
        if (round == 0) {
            // A later edit is not lost either.
            auto u = std::make_shared<TSGrammarUsage>();
            u->setName(QStringLiteral("Locative"));
            back->addObject(u);
            back->setDirty(true);
            Preferences::savePreferences();
            EXPECT_FALSE(back->dirty());
        }
    }
}

TEST_F(PreferencesFilesTest, UnreadableGrammarFileIsNeverReplacedByAnEmptyList) {
    const QByteArray broken("<?xml version=\"1.0\"?><plist><array><dict><key>name</key>");
    ASSERT_TRUE(writeFile(supportPath("en_US/Grammar.plist"), broken));
    CaptureLogger::Scope log;
    Preferences::loadPreferences();
    EXPECT_EQ(Preferences::preferences()->grammar()->count(), 0u);
    EXPECT_EQ(readFile(supportPath("en_US/Grammar.plist")), broken) << "the first save kept the file";
    EXPECT_TRUE(log->contains("could not be read"));
    EXPECT_TRUE(log->contains("kept"));

    Preferences::savePreferences();
    EXPECT_EQ(readFile(supportPath("en_US/Grammar.plist")), broken);

    // Once the user builds a new grammar, the old file is set aside, not lost.
    log->clear();
    auto g = Preferences::preferences()->grammar();
    g->addObject(std::make_shared<TSGrammarUsage>());
    Preferences::savePreferences();
    EXPECT_EQ(readFile(supportPath("en_US/Grammar.plist.unreadable")), broken);
    const ts::PlistResult r = ts::PropertyList::read(readFile(supportPath("en_US/Grammar.plist")));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value.array().size(), 1u);
    EXPECT_TRUE(log->contains("Grammar.plist.unreadable"));
}

TEST_F(PreferencesFilesTest, NonArrayGrammarFileIsAlsoProtected) {
    const QByteArray dict = ts::PropertyList::writeXML(ts::Value(ts::ValueDictionary{{"name", "Ablative"}}));
    ASSERT_TRUE(writeFile(supportPath("en_US/Grammar.plist"), dict));
    CaptureLogger::Scope log;
    Preferences::loadPreferences();
    EXPECT_EQ(Preferences::preferences()->grammar()->count(), 0u);
    EXPECT_EQ(readFile(supportPath("en_US/Grammar.plist")), dict);
}

TEST_F(PreferencesFilesTest, ALocaleChangeMakesANewGrammarAndKeepsTheOld) {
    Preferences::loadPreferences();
    auto g = Preferences::preferences()->grammar();
    g->removeAllObjects();
    Preferences::savePreferences();
    EXPECT_EQ(ts::PropertyList::read(readFile(supportPath("en_US/Grammar.plist"))).value, ts::Value(ts::ValueArray{}));

    relaunch();
    QLocale::setDefault(QLocale("fr_FR"));
    Preferences::loadPreferences();
    EXPECT_EQ(Preferences::grammarFile(), supportPath("fr_FR/Grammar.plist"));
    EXPECT_EQ(ts::PropertyList::read(readFile(supportPath("fr_FR/Grammar.plist"))).value, bundleGrammar());
    EXPECT_EQ(ts::PropertyList::read(readFile(supportPath("en_US/Grammar.plist"))).value, ts::Value(ts::ValueArray{}));
}

TEST_F(PreferencesFilesTest, MissingBundleGrammarIsLoggedAndGivesAnEmptyGrammar) {
    QTemporaryDir empty;
    qputenv("TS_RESOURCES_DIR", empty.path().toUtf8());
    CaptureLogger::Scope log;
    EXPECT_EQ(Preferences::preferences()->grammar()->count(), 0u);
    EXPECT_TRUE(log->contains("Error moving default grammar"));
}

TEST_F(PreferencesFilesTest, BundleTablesAreReadWhenTheyParse) {
    QTemporaryDir resources;
    qputenv("TS_RESOURCES_DIR", resources.path().toUtf8());
    auto p = Preferences::preferences();
    EXPECT_TRUE(p->quickMatchDictionary().empty());

    ASSERT_TRUE(writeFile(resources.path() + "/quickmatch.plist",
                          ts::PropertyList::writeXML(ts::Value(ts::ValueDictionary{{"d_s", "deus|dies"}}))));
    ASSERT_TRUE(writeFile(resources.path() + "/substitutions.plist", "not a property list"));
    EXPECT_EQ(p->quickMatchDictionary(), (ts::ValueDictionary{{"d_s", "deus|dies"}}));
    EXPECT_TRUE(p->substitutionsDictionary().empty());
    EXPECT_TRUE(p->keyDictionary().empty());

    // An empty field is tried again; a filled one is kept.
    ASSERT_TRUE(writeFile(resources.path() + "/substitutions.plist",
                          ts::PropertyList::writeBinary(ts::Value(ts::ValueDictionary{{"ae", "e"}}))));
    QFile::remove(resources.path() + "/quickmatch.plist");
    EXPECT_EQ(p->substitutionsDictionary(), (ts::ValueDictionary{{"ae", "e"}}));
    EXPECT_EQ(p->quickMatchDictionary().size(), 1u);
}

TEST_F(PreferencesFilesTest, UserDefaultsFileIsMadeWhenMissing) {
    auto p = Preferences::preferences();
    ASSERT_FALSE(QFile::exists(path("config/Tessarin/org.tessarin.Tessarin.plist")));
    p->fixDefaultsIfNeeded();
    EXPECT_TRUE(QFile::exists(path("config/Tessarin/org.tessarin.Tessarin.plist")));
    // Already there: left alone.
    ts::UserDefaults::standardUserDefaults()->setInteger(1, "kept");
    ts::UserDefaults::standardUserDefaults()->synchronize();
    p->fixDefaultsIfNeeded();
    EXPECT_EQ(ts::UserDefaults::standardUserDefaults()->integerForKey("kept"), 1);
}
