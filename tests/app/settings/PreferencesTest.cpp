#include "SettingsTestSupport.h"

#include "platform/Font.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"
#include "platform/Prompter.h"
#include "support/CaptureLogger.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QFile>

#include <atomic>
#include <chrono>
#include <thread>

using ts::UserDefaults;

namespace {

void expectDefaults(const Preferences& p) {
    for (bool flag : {p.reviseMarkedOnly(), p.automarkWords(), p.numberBySubsection(), p.logCommunications(),
                      p.floatDictionaryWindow()})
        EXPECT_FALSE(flag);
    EXPECT_EQ(p.englishToLatinDictionarySelection(), 0);
    EXPECT_EQ(p.latinToEnglishDictionarySelection(), 0);
    EXPECT_EQ(p.textFieldPositions(), (Preferences::Positions{0.0, 0.45, 0.55}));
    EXPECT_FALSE(p.chosenWordsURL());
    EXPECT_TRUE(p.dictionaryPrefs()->isEqual(TSDictionaryPrefs()));
    for (const auto& s : {p.footnoteSettings(), p.vocabSettings()}) {
        EXPECT_TRUE(s->underline());
        EXPECT_EQ(s->footnoteDelimiterOpen(), QLatin1Char('['));
        EXPECT_EQ(s->footnoteDelimiterClose(), QLatin1Char(']'));
        EXPECT_EQ(s->fontTraits(), 0);
        EXPECT_TRUE(s->linkColor()->isEqual(*ts::Color::linkColor()));
    }
}

// The stored "Preferences" archive as a property list.
ts::Value storedArchive() {
    const QByteArray data = UserDefaults::standardUserDefaults()->dataForKey("Preferences");
    const ts::PlistResult r = ts::PropertyList::read(data);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.value;
}

// Changes the stored archive (its objects and the root's index), then loads
// the settings afresh.
template <class Edit>
void editStoredArchiveAndReload(Edit edit) {
    ts::Value archive = storedArchive();
    const size_t root = size_t(archive["$top"]["root"].toUid().value);
    auto& objects = archive.dictionary()["$objects"].array();
    edit(objects, root);
    UserDefaults::standardUserDefaults()->setObject(ts::Value(ts::PropertyList::writeBinary(archive)), "Preferences");
    Preferences::resetSharedState();
    Preferences::loadPreferences();
}

}  // namespace

using PreferencesTest = TemporaryHome;

TEST_F(PreferencesTest, FirstLaunchSavesTheDefaultsAtOnce) {
    CaptureLogger::Scope log;
    Preferences::loadPreferences();
    expectDefaults(*Preferences::preferences());
    EXPECT_TRUE(QFile::exists(Preferences::userDefaultsFile()));
    EXPECT_TRUE(QFile::exists(supportPath("en_US/Grammar.plist")));

    relaunch();
    Preferences::loadPreferences();
    expectDefaults(*Preferences::preferences());
    EXPECT_EQ(log->count(), 0) << log->messages().join("\n").toStdString();
}

TEST_F(PreferencesTest, ArchiveRoundTripsEveryField) {
    Preferences::loadPreferences();
    auto p = Preferences::preferences();
    p->setReviseMarkedOnly(true);
    p->setAutomarkWords(true);
    p->setNumberBySubsection(true);
    p->setLogCommunications(true);
    p->setFloatDictionaryWindow(true);
    p->setEnglishToLatinDictionarySelection(2);
    p->setLatinToEnglishDictionarySelection(-1);
    p->setTextFieldPositions(Preferences::Positions{0.1, 0.5, 0.9});
    p->setChosenWordsURL(ts::Url::make("file:///home/me/words.txt"));
    p->dictionaryPrefs()->setShowOnlyMeanings(true);
    p->footnoteSettings()->setFootnoteDelimiterOpen(QChar(0x2039));
    p->footnoteSettings()->setFootnoteDelimiterClose(QLatin1Char(')'));
    p->footnoteSettings()->setFontTraits(TSFootnotePrefs::BoldFontMask);
    p->vocabSettings()->setUnderline(false);
    p->vocabSettings()->setLinkColor(ts::Color::calibratedRgb(0.2, 0.4, 0.6));
    Preferences::savePreferences();

    relaunch();
    Preferences::loadPreferences();
    auto q = Preferences::preferences();
    ASSERT_NE(p.get(), q.get());
    for (bool flag : {q->reviseMarkedOnly(), q->automarkWords(), q->numberBySubsection(), q->logCommunications(),
                      q->floatDictionaryWindow()})
        EXPECT_TRUE(flag);
    EXPECT_EQ(q->englishToLatinDictionarySelection(), 2);
    EXPECT_EQ(q->latinToEnglishDictionarySelection(), -1);
    EXPECT_EQ(q->textFieldPositions(), (Preferences::Positions{0.1, 0.5, 0.9}));
    ASSERT_TRUE(q->chosenWordsURL());
    EXPECT_EQ(q->chosenWordsURL()->absoluteString(), "file:///home/me/words.txt");
    EXPECT_FALSE(Preferences::showCases());
    EXPECT_TRUE(q->footnoteSettings()->isEqual(*p->footnoteSettings()));
    EXPECT_TRUE(q->vocabSettings()->isEqual(*p->vocabSettings()));
}

TEST_F(PreferencesTest, MissingKeysAndPositionsThatAreNotThreeNumbersGiveTheDefaults) {
    Preferences::loadPreferences();
    Preferences::preferences()->setFloatDictionaryWindow(true);
    Preferences::savePreferences();
    editStoredArchiveAndReload([](ts::ValueArray& objects, size_t root) {
        auto& object = objects.at(root).dictionary();
        ASSERT_TRUE(object.count("vocabSettings") && object.count("TextFieldPositions"));
        object.erase("vocabSettings");
        object.erase("TextFieldPositions");
    });
    auto p = Preferences::preferences();
    EXPECT_TRUE(p->floatDictionaryWindow());
    EXPECT_EQ(p->textFieldPositions(), (Preferences::Positions{0.0, 0.45, 0.55}));
    EXPECT_TRUE(p->vocabSettings()->underline());
    EXPECT_EQ(p->vocabSettings()->footnoteDelimiterOpen(), QLatin1Char('['));

    // "TextFieldPositions" pointing at a lone string.
    p->setTextFieldPositions(Preferences::Positions{0.1, 0.5, 0.9});
    Preferences::savePreferences();
    editStoredArchiveAndReload([](ts::ValueArray& objects, size_t root) {
        objects.push_back(ts::Value("0.3"));
        objects.at(root).dictionary()["TextFieldPositions"] = ts::Value(ts::Uid{objects.size() - 1});
    });
    EXPECT_EQ(Preferences::preferences()->textFieldPositions(), (Preferences::Positions{0.0, 0.45, 0.55}));
}

TEST_F(PreferencesTest, IndependentReaderSeesTheKeyedArchiveLayout) {
    Preferences::loadPreferences();
    UserDefaults::standardUserDefaults()->synchronize();
    const PythonRun py = runPython(
        "import plistlib,sys\n"
        "d=plistlib.load(open(sys.argv[1],'rb'))\n"
        "a=plistlib.loads(d['Preferences'])\n"
        "o=a['$objects']\n"
        "def cls(x): return o[x['$class'].data]['$classname']\n"
        "r=o[a['$top']['root'].data]\n"
        "print(a['$archiver'], a['$version'], o[0], cls(r))\n"
        "print(','.join(sorted(k for k in r if k!='$class')))\n"
        "f=o[r['footnoteSettings'].data]\n"
        "print(cls(f), f['footnoteDelimiterOpen'], f['footnoteDelimiterClose'], f['fontTraits'], f['underline'],"
        " cls(o[f['linkColor'].data]))\n"
        "p=o[r['dictionaryPrefs'].data]\n"
        "print(cls(p), len([k for k in p if k!='$class']), p['showAge'], p['uForV'])\n"
        "t=o[r['TextFieldPositions'].data]\n"
        "print(cls(t), [o[u.data] for u in t['NS.objects']], r['MarkAutomatically'], r['latinToEnglishDictionarySelection'])\n",
        {Preferences::userDefaultsFile()});
    if (!py.started) GTEST_SKIP() << "python3 is not available";
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QStringList lines = py.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 5) << py.out.toStdString();
    EXPECT_EQ(lines[0], "NSKeyedArchiver 100000 $null Preferences");
    EXPECT_EQ(lines[1],
              "LogCommunications,MarkAutomatically,ReviseMarkedOnly,TextFieldPositions,dictionaryPrefs,"
              "englishToLatinDictionarySelection,floatDictionaryWindow,footnoteSettings,"
              "latinToEnglishDictionarySelection,numberBySubsection,vocabSettings");
    EXPECT_EQ(lines[2], "TSFootnotePrefs 91 93 0 True NSColor");
    EXPECT_EQ(lines[3], "TSDictionaryPrefs 22 True False");
    EXPECT_TRUE(lines[4] == "NSMutableArray [0.0, 0.45, 0.55] False 0" || lines[4] == "NSArray [0.0, 0.45, 0.55] False 0")
        << lines[4].toStdString();
}

TEST_F(PreferencesTest, CorruptOrForeignArchiveGivesTheDefaultsAndALogLine) {
    // Garbage, a truncated archive, and a well-formed archive of another class.
    QString error;
    const QByteArray foreign = ts::KeyedArchiver::archivedDataWithRootObject(
        ts::Value(std::make_shared<TSFootnotePrefs>()), &error);
    const QByteArray good = [] {
        Preferences p;
        p.setFloatDictionaryWindow(true);
        return ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::static_pointer_cast<Preferences>(p.copy())));
    }();
    for (const QByteArray& data : {QByteArray("not an archive at all"), good.left(good.size() / 2), foreign}) {
        CaptureLogger::Scope log;
        relaunch();
        UserDefaults::standardUserDefaults()->setObject(ts::Value(data), "Preferences");
        Preferences::loadPreferences();
        expectDefaults(*Preferences::preferences());
        EXPECT_EQ(log->count(), 1) << log->messages().join("\n").toStdString();
        EXPECT_TRUE(log->contains("Unable to read the stored settings"));
        // The stored value is left alone until the next save, and a copy is
        // kept beside it that the save does not touch.
        EXPECT_EQ(UserDefaults::standardUserDefaults()->dataForKey("Preferences"), data);
        Preferences::savePreferences();
        EXPECT_NE(UserDefaults::standardUserDefaults()->dataForKey("Preferences"), data);
        EXPECT_EQ(UserDefaults::standardUserDefaults()->dataForKey("Preferences.unreadable"), data);
        UserDefaults::standardUserDefaults()->setObject(ts::Value(), "Preferences.unreadable");
    }
}

TEST_F(PreferencesTest, LinkAttributes) {
    CaptureLogger::Scope log;
    auto p = Preferences::preferences();
    const ts::Attributes current{{ts::AttributeName::Font, ts::Value(ts::Font::make("Helvetica", 14))}};

    ts::Attributes a;
    Preferences::addLinkAttributes(a, Preferences::FootnoteLink, &current);
    EXPECT_TRUE(a[ts::AttributeName::ForegroundColor].toObjectAs<ts::Color>()->isEqual(*ts::Color::linkColor()));
    EXPECT_EQ(a[ts::AttributeName::Underline], ts::Value(1));
    EXPECT_FALSE(a.count(ts::AttributeName::Font)) << "no traits, no font";

    p->vocabSettings()->setUnderline(false);
    p->vocabSettings()->setFontTraits(TSFootnotePrefs::BoldFontMask | TSFootnotePrefs::ItalicFontMask);
    p->vocabSettings()->setLinkColor(ts::Color::calibratedRgb(1, 0, 0));
    ts::Attributes b;
    Preferences::addLinkAttributes(b, Preferences::VocabularyLink, &current);
    EXPECT_FALSE(b.count(ts::AttributeName::Underline));
    EXPECT_TRUE(b[ts::AttributeName::ForegroundColor].toObjectAs<ts::Color>()->isEqual(*ts::Color::calibratedRgb(1, 0, 0)));
    auto font = b[ts::AttributeName::Font].toObjectAs<ts::Font>();
    ASSERT_TRUE(font);
    EXPECT_TRUE(font->isBold());
    EXPECT_TRUE(font->isItalic());
    EXPECT_EQ(font->pointSize(), 14);

    for (bool withAttributes : {false, true}) {  // no current attributes, or none with a font: no font
        ts::Attributes noFont;
        Preferences::addLinkAttributes(noFont, Preferences::VocabularyLink, withAttributes ? &noFont : nullptr);
        EXPECT_FALSE(noFont.count(ts::AttributeName::Font));
    }
    EXPECT_EQ(log->count(), 0);

    ts::Attributes untouched{{"keep", ts::Value(1)}};
    Preferences::addLinkAttributes(untouched, 3, &current);
    EXPECT_EQ(untouched, (ts::Attributes{{"keep", ts::Value(1)}}));
    EXPECT_EQ(log->messages(), QStringList{"bad link type at addLinkAttributes"});
}

// The stored footnote style is the one the text writes its markers in.
TEST_F(PreferencesTest, FootnoteMarkersUseTheStoredLinkStyle) {
    auto p = std::make_shared<Preferences>();
    auto style = std::make_shared<TSFootnotePrefs>();
    style->setFootnoteDelimiterOpen(QLatin1Char('('));
    style->setFootnoteDelimiterClose(QLatin1Char(')'));
    style->setUnderline(false);
    style->setLinkColor(ts::Color::calibratedRgb(1, 0, 0));
    p->setFootnoteSettings(style);
    Preferences::setPreferences(p);

    auto root = std::make_shared<TSText>();
    auto line = std::make_shared<TSMatchedChunk>();
    line->setEnglish(ts::AttributedString::make(QStringLiteral("arma")));
    root->addChild(line);
    FootnoteList notes;
    auto note = notes.makeNewNote();
    root->insertURL(note->uniqueID(), 0, {4, 0}, line, QStringLiteral("english"));
    EXPECT_EQ(line->english()->string(), QStringLiteral("arma(*)"));
    root->reunumberFootnotes(notes, QStringLiteral("english"), false);
    EXPECT_EQ(line->english()->string(), QStringLiteral("arma(1)"));
    EXPECT_TRUE(line->english()->attribute(ts::AttributeName::Underline, 5).isNull());
    auto colour = line->english()->attribute(ts::AttributeName::ForegroundColor, 5).toObjectAs<ts::Color>();
    ASSERT_TRUE(colour);
    EXPECT_TRUE(colour->isEqual(*ts::Color::calibratedRgb(1, 0, 0)));
}

TEST_F(PreferencesTest, ReverseLocalisationUsesTheRealTableParser) {
    CaptureLogger::Scope log;
    EXPECT_EQ(Preferences::reverseLocalize("Dictionary Look-up"), "Dictionary");
    EXPECT_EQ(Preferences::reverseLocalize("Grammar"), "Grammar");
    EXPECT_EQ(Preferences::reverseLocalize("Not a label"), "Not a label");
    EXPECT_TRUE(Preferences::reverseLocalize(QString()).isNull());
    EXPECT_EQ(log->messages(), QStringList{"Nil string at reverseLocalize"});

    // Texts with semicolons, escaped quotes and comments in the way.
    QTemporaryDir resources;
    ASSERT_TRUE(writeFile(resources.path() + "/en.lproj/Localizable.strings",
                          "/* \"DECOY\" = \"Tricky\"; */\n"
                          "\"TRICKY\" = \"Say \\\"hi\\\"; then go\";\n"
                          "\"FIRST\" = \"Same\"; \"SECOND\" = \"Same\";\n"
                          "\"LINE\" = \"two\\nlines\";\n"));
    qputenv("TS_RESOURCES_DIR", resources.path().toUtf8());
    Preferences::resetSharedState();
    EXPECT_EQ(Preferences::reverseLocalize("Say \"hi\"; then go"), "TRICKY");
    EXPECT_EQ(Preferences::reverseLocalize("Same"), "SECOND");
    EXPECT_EQ(Preferences::reverseLocalize("two\nlines"), "LINE");
    EXPECT_EQ(Preferences::reverseLocalize("Tricky"), "Tricky");
    EXPECT_EQ(Preferences::reverseLocalizationList().size(), 3u) << "two keys share one text";
}

TEST_F(PreferencesTest, LocalisedStringsShowTheKeyWhenMissing) {
    EXPECT_EQ(TSBundle::localizedString("CANCEL_DONT_DELETE", {}, "NonReversable"), "Cancel");
    EXPECT_EQ(TSBundle::localizedString("NO_SUCH_KEY", {}, "NonReversable"), "NO_SUCH_KEY");
    EXPECT_EQ(TSBundle::localizedString("NO_SUCH_KEY", "Fallback", "NonReversable"), "Fallback");
    EXPECT_EQ(TSBundle::localizedString("Dictionary"), "Dictionary Look-up");
    EXPECT_EQ(TSBundle::localizedString("KEY", {}, "NoSuchTable"), "KEY");
}

TEST_F(PreferencesTest, PrintLayoutIsReadOncePerRun) {
    CaptureLogger::Scope log;
    const ts::ValueDictionary layout{{"NSLeftMargin", 36.0}, {"NSOrientation", 1}};
    UserDefaults::standardUserDefaults()->setObject(
        ts::Value(ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(layout))), "PrintLayout");
    EXPECT_EQ(Preferences::getPrintInfo(), layout);
    UserDefaults::standardUserDefaults()->setObject(ts::Value(QByteArray("junk")), "PrintLayout");
    EXPECT_EQ(Preferences::getPrintInfo(), layout) << "the default is read on the first call only";

    const ts::ValueDictionary other{{"NSLeftMargin", 72.0}};
    Preferences::setPrintInfo(ts::Value(other));
    EXPECT_EQ(Preferences::getPrintInfo(), other);
    const ts::Value stored =
        ts::KeyedUnarchiver::unarchive(UserDefaults::standardUserDefaults()->dataForKey("PrintLayout"));
    EXPECT_EQ(stored, ts::Value(other));
    Preferences::setPrintInfo(ts::Value());
    EXPECT_EQ(Preferences::getPrintInfo(), other);
    EXPECT_TRUE(log->contains("nil printInfo at setPrintInfo"));

    // A stored layout that gives no dictionary is logged at the next run.
    log->clear();
    relaunch();
    UserDefaults::standardUserDefaults()->setObject(ts::Value(QByteArray("junk")), "PrintLayout");
    EXPECT_TRUE(Preferences::getPrintInfo().empty());
    EXPECT_EQ(log->messages(), QStringList{"nil dict at getPrintInfo"});
}

TEST_F(PreferencesTest, CopiesAreIndependentAndCarryTheGrammar) {
    auto p = Preferences::preferences();
    p->setTextFieldPositions(Preferences::Positions{0.2, 0.3, 0.4});
    p->setChosenWordsURL(ts::Url::make("file:///w.txt"));
    auto c = std::dynamic_pointer_cast<Preferences>(p->copy());
    ASSERT_TRUE(c);
    EXPECT_GT(c->grammar()->count(), 0u) << "the bundle's grammar was loaded for the copy";
    EXPECT_NE(c->grammar().get(), p->grammar().get());
    EXPECT_EQ(c->textFieldPositions(), p->textFieldPositions());
    c->dictionaryPrefs()->setShowAge(false);
    c->footnoteSettings()->setFootnoteDelimiterOpen(QLatin1Char('<'));
    c->grammar()->removeAllObjects();
    EXPECT_TRUE(p->dictionaryPrefs()->showAge());
    EXPECT_EQ(p->footnoteSettings()->footnoteDelimiterOpen(), QLatin1Char('['));
    EXPECT_GT(p->grammar()->count(), 0u);
    EXPECT_EQ(c->chosenWordsURL()->absoluteString(), "file:///w.txt");
}

TEST_F(PreferencesTest, ReplacingTheSettingsWhileOtherThreadsReadThem) {
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0}, wrong{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                auto p = Preferences::preferences();
                // Every snapshot is a complete object with its defaults.
                const bool whole = p->dictionaryPrefs()->showAge() && p->footnoteSettings()->footnoteDelimiterOpen() == '[' &&
                                   p->textFieldPositions()[1] == 0.45 && Preferences::showCases();
                ++(whole ? reads : wrong);
            }
        });
    }
    // Keep replacing until the readers have had their share, however the
    // threads are scheduled.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (int i = 0; (i < 2000 || reads < 2000) && std::chrono::steady_clock::now() < deadline; ++i)
        Preferences::setPreferences(std::make_shared<Preferences>());
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(PreferencesTest, FilePanelsAskThePrompter) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    prompter->queueOpenPanelAnswer({"/home/me/words", "/ignored"});
    EXPECT_EQ(Preferences::chooseImportFile(), "/home/me/words");
    EXPECT_TRUE(Preferences::chooseImportFile().isNull()) << "cancelled";
    ASSERT_EQ(prompter->openPanels().size(), 2u);
    EXPECT_TRUE(prompter->openPanels()[0].canChooseDirectories);
    EXPECT_FALSE(prompter->openPanels()[0].allowsMultipleSelection);

    prompter->queueSavePanelAnswer("/home/me/out.plist");
    EXPECT_EQ(Preferences::specifyExportFile("patterns", "txt"), "/home/me/out.plist");
    ASSERT_EQ(prompter->savePanels().size(), 1u);
    EXPECT_EQ(prompter->savePanels()[0].title, "Export");
    EXPECT_EQ(prompter->savePanels()[0].nameFieldStringValue, "patterns.txt");
    EXPECT_EQ(prompter->savePanels()[0].allowedFileTypes, QStringList{"plist"});

    TSBundle::installLocalizer();
    EXPECT_EQ(ts::Prompter::localized("CANCEL_DONT_DELETE", "NonReversable"), "Cancel");
    ts::Prompter::setLocalizer(nullptr);
}
