#include "AppTestSupport.h"

#include "app/core/Preferences.h"
#include "platform/Mailer.h"
#include "platform/UserDefaults.h"
#include "platform/NotificationCenter.h"
#include "platform/SearchIndex.h"
#include "platform/spelling/SpellChecker.h"

#include <QAction>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An index item of identifier, title and text only.
ts::SearchableItem searchItem(const QString& id, const QString& title, const QString& text) {
    ts::SearchableItem item;
    item.uniqueIdentifier = id;
    item.title = title;
    item.textContent = text;
    return item;
}

class RecordingWordFormWindow : public QWidget {
    Q_OBJECT
public:
    QStringList forms;
    Q_INVOKABLE void setWordForm(const QString& form) { forms << form; }
};

// A stand-in mail program that writes its arguments, one per line, to a file.
QString mailRecorder() {
    const QString script = AppHarness::home() + "/bin/mail-recorder";
    if (!QFileInfo::exists(script)) {
        // Written whole under another name, then renamed: the file appears
        // complete or not at all.
        writeAll(script, "#!/bin/sh\nd=$(dirname \"$0\")\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$d/mail-args.part\"\n"
                         "mv \"$d/mail-args.part\" \"$d/mail-args.txt\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return script;
}

QStringList recordedMailArguments() {
    const QString path = AppHarness::home() + "/bin/mail-args.txt";
    for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && !QFileInfo::exists(path);) QThread::msleep(20);
    QStringList args = QString::fromUtf8(readAll(path)).split('\n');
    if (!args.isEmpty() && args.last().isEmpty()) args.removeLast();
    QFile::remove(path);
    return args;
}

QString attachmentIn(const QStringList& args) {
    const int i = args.indexOf("--attach");
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

}  // namespace

TEST(ToolWindows, MadeOnceOnFirstShowAndKept) {
    AppHarness& h = AppHarness::get();
    int made = 0;
    AppController::setToolWindowFactory("grammarWindow", [&made] {
        ++made;
        return new QWidget;
    });
    h.controller->showGrammarWindow();
    QWidget* first = h.controller->toolWindow("grammarWindow");
    first->setWindowTitle("kept state");
    first->hide();
    h.controller->showGrammarWindow();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(h.controller->toolWindow("grammarWindow"), first);
    EXPECT_EQ(first->windowTitle(), "kept state");
    EXPECT_TRUE(first->isVisible());
    first->hide();
    // A window nobody provides is logged, not made.
    h.capture->take();
    h.controller->showAnagramWindow();
    EXPECT_TRUE(h.capture->contains("No window for anagramWindow"));
}

TEST(ToolWindows, AddWordFormNotification) {
    AppHarness& h = AppHarness::get();
    RecordingWordFormWindow* window = nullptr;
    AppController::setToolWindowFactory("wordFormController", [&window] {
        window = new RecordingWordFormWindow;
        return window;
    });
    h.capture->take();
    ts::NotificationCenter::defaultCenter().post(AppController::kAddWordFormNotification);
    drainEvents();
    EXPECT_TRUE(h.capture->contains("Nil word form"));
    EXPECT_EQ(window, nullptr);
    ts::NotificationCenter::defaultCenter().post(AppController::kAddWordFormNotification, nullptr,
                                                 {{AppController::kNotificationObjectKey, ts::Value("amicorum")}});
    drainEvents();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->forms, QStringList{"amicorum"});
    window->hide();
}

TEST(Commands, StudySwitchesFlipAndShowTheirState) {
    AppHarness& h = AppHarness::get();
    const bool before = Preferences::preferences()->reviseMarkedOnly();
    h.controller->action("reviseOnlyMarked:")->trigger();
    EXPECT_EQ(Preferences::preferences()->reviseMarkedOnly(), !before);
    EXPECT_EQ(h.controller->action("reviseOnlyMarked:")->isChecked(), !before);
    h.controller->action("markAutomatically:")->trigger();
    EXPECT_TRUE(Preferences::preferences()->automarkWords());
    EXPECT_TRUE(h.controller->action("markAutomatically:")->isChecked());
}

TEST(Commands, SearchIndexDelegateIgnoresReindexRequests) {
    AppHarness& h = AppHarness::get();
    EXPECT_EQ(ts::SearchIndex::defaultSearchableIndex().indexDelegate(), h.controller.get());
    ts::SearchIndex index(AppHarness::home() + "/index");
    ASSERT_TRUE(index.indexSearchableItems({searchItem("A1B2", "Aeneid", "arma virumque cano"), searchItem("../x", "Odd", "id")}));
    EXPECT_EQ(index.search("VIRUMQUE"), QStringList{"A1B2"});
    EXPECT_EQ(index.item("../x")->title, "Odd");
    EXPECT_EQ(QDir(AppHarness::home() + "/index").entryList(QDir::Files).size(), 2);
    EXPECT_FALSE(index.indexSearchableItems({searchItem("", "no id", "")}));
    ASSERT_TRUE(index.deleteSearchableItemsWithIdentifiers({"A1B2"}));
    EXPECT_EQ(index.identifiers(), QStringList{"../x"});
    bool acknowledged = false;
    h.controller->reindexAllSearchableItems([&] { acknowledged = true; });
    h.controller->reindexSearchableItemsWithIdentifiers({"A1B2"}, [&] { acknowledged = true; });
    EXPECT_FALSE(acknowledged);
}

TEST(Commands, WordListToPasteboard) {
    AppHarness& h = AppHarness::get();
    const struct {
        const char* name;
        QByteArray input;
        QString expected;
    } cases[] = {
        {"duplicates and case", "amo,Amo\namo,amo\n", "\nAmo\namo\n"},
        // sorted before the quotes and slashes are trimmed
        {"hyphens, blanks, quotes and slashes", " \"rosa\"-/via/ ,aqua", "rosa\nvia\naqua\n"},
        {"crlf gives an empty word", "b\r\na", "\na\nb\n"},
    };
    for (const auto& c : cases) {
        const QString path = AppHarness::home() + "/csv/" + c.name + ".txt";
        writeAll(path, c.input);
        ASSERT_TRUE(h.controller->parseCSVFile(path)) << c.name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.expected) << c.name;
    }
    h.capture->take();
    EXPECT_FALSE(h.controller->parseCSVFile(AppHarness::home() + "/csv/none.txt"));
    EXPECT_TRUE(h.capture->contains("error loading CSV file"));
}

TEST(DebugLog, SaveWritesTheLogAndReportsAFailedWrite) {
    AppHarness& h = AppHarness::get();
    const QByteArray log = h.controller->errorLogData();
    EXPECT_TRUE(log.contains("Launch: loggers installed"));
    const QString good = AppHarness::home() + "/saved/debugLog.txt";
    QDir().mkpath(AppHarness::home() + "/saved");
    h.prompter->queueSavePanelAnswer(good);
    EXPECT_TRUE(h.controller->saveDebugLog());
    EXPECT_TRUE(readAll(good).startsWith(log.left(40)));

    const size_t alerts = h.prompter->alerts().size();
    h.capture->take();
    h.prompter->queueSavePanelAnswer(AppHarness::home() + "/no/such/folder/debugLog.txt");
    EXPECT_FALSE(h.controller->saveDebugLog());
    EXPECT_TRUE(h.capture->contains("Error saving debug log"));
    ASSERT_EQ(h.prompter->alerts().size(), alerts + 1);
    EXPECT_EQ(h.prompter->alerts().back().messageText, "The debug log could not be saved.");
}

// The attached log is kept in the support folder: it is still there after
// the temporary folder has gone with the quit, for a mail written by hand.
TEST(Mail, DebugLogAttachedFromTheSupportFolderOutlivesTheQuit) {
    AppHarness& h = AppHarness::get();
    ts::Mailer::shared().setProgram(mailRecorder());
    ASSERT_TRUE(h.controller->emailDebugLog());
    const QStringList args = recordedMailArguments();
    EXPECT_TRUE(args.contains("Debug Log from Tessarin"));
    EXPECT_EQ(args.last(), AppController::kSupportAddress);
    const QString attachment = attachmentIn(args);
    EXPECT_EQ(attachment, Preferences::supportDirectory() + "/debugLog.txt");
    ts::Mailer::shared().removeTemporaryFiles();
    EXPECT_TRUE(readAll(attachment).contains("Launch: loggers installed"));
}


TEST(Mail, LogThatIsNotUtf8IsAttachedAsItsBytes) {
    const QByteArray latin1 = "amic\xEEtia \xFF\xFE end";
    const QString path = AppController::saveDataToFile(latin1, "debugLog.txt");
    ASSERT_TRUE(path.startsWith(ts::Mailer::shared().temporaryFolder() + "/"));
    EXPECT_EQ(QFileInfo(ts::Mailer::shared().temporaryFolder()).permissions() &
                  (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFile::Permissions());
    EXPECT_EQ(readAll(path), latin1);
    EXPECT_TRUE(AppController::saveDataToFile("x", "../escape.txt").isEmpty());
}

TEST(Mail, DictionaryChangesOneFilePerDictionary) {
    AppHarness& h = AppHarness::get();
    ts::Mailer::shared().setProgram(mailRecorder());
    AppController::registryHooks().changedWords = [] {
        return std::map<QString, QByteArray>{{"Elementary Lewis", "<plist/>"}};
    };
    ASSERT_TRUE(h.controller->emailChangedWords());
    const QStringList args = recordedMailArguments();
    EXPECT_TRUE(args.contains("Dictionary Changes From Tessarin"));
    const QString attachment = attachmentIn(args);
    EXPECT_EQ(attachment, Preferences::supportDirectory() + "/Elementary Lewis.xml");
    ts::Mailer::shared().removeTemporaryFiles();
    EXPECT_EQ(readAll(attachment), "<plist/>");
    AppController::registryHooks().changedWords = [] { return std::map<QString, QByteArray>{}; };
    EXPECT_FALSE(h.controller->emailChangedWords());
    AppController::registryHooks().changedWords = nullptr;
}

// --- spellchecker ------------------------------------------------------------------------

TEST(Spellchecker, OnlyLaOrLaUnderscoreCountsAsLatin) {
    AppHarness::get();
    const QString dicpath = AppHarness::home() + "/dicpath";
    writeAll(dicpath + "/lat.dic", "1\nx\n");
    writeAll(dicpath + "/lat.aff", "SET UTF-8\n");
    writeAll(dicpath + "/LA.dic", "1\nx\n");
    writeAll(dicpath + "/LA.aff", "SET UTF-8\n");
    qputenv("DICPATH", dicpath.toUtf8());
    EXPECT_TRUE(ts::SpellChecker::availableLanguages().contains("lat"));
    EXPECT_FALSE(AppController::latinSpellcheckAvailable());
    writeAll(dicpath + "/la_VA.dic", "1\nx\n");
    EXPECT_FALSE(AppController::latinSpellcheckAvailable()) << "a dictionary without its affix file";
    writeAll(dicpath + "/la_VA.aff", "SET UTF-8\n");
    EXPECT_TRUE(AppController::latinSpellcheckAvailable());
    qunsetenv("DICPATH");
}

TEST(Spellchecker, InstallsIntoTheUsersDictionaryFolder) {
    AppHarness& h = AppHarness::get();
    ASSERT_FALSE(AppController::spellcheckerArchivePath().isEmpty()) << "run scripts/deps to fetch the Latin dictionary";
    EXPECT_FALSE(AppController::latinSpellcheckAvailable());
    const QString folder = ts::SpellChecker::userDictionaryFolder();
    writeAll(folder + "/la.dic", "old");
    h.capture->take();
    ASSERT_TRUE(h.controller->installSpellchecker());
    EXPECT_TRUE(h.capture->contains("Installed spellchecker"));
    for (const char* name : {"la.dic", "la.aff", "LICENSE.txt"}) EXPECT_TRUE(QFileInfo(folder + "/" + name).size() > 1000) << name;
    EXPECT_TRUE(AppController::latinSpellcheckAvailable());
    EXPECT_EQ(readAll(AppHarness::home() + "/data/Trash/files/la.dic"), "old") << "the old file goes to the Trash";
    // The refusal stays; the expansion left nothing in the temporary folder.
    EXPECT_TRUE(ts::UserDefaults::standardUserDefaults()->boolForKey(AppController::kSpellcheckerRefusedKey));
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({"*LatinSpellCheck*", "tessarin-spelling-*", "__MACOSX"},
                                                 QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    const ts::SpellCheckerPtr checker = ts::SpellChecker::forLanguage("la");
    ASSERT_TRUE(checker);
    EXPECT_TRUE(checker->isCorrect("amicus"));
    EXPECT_FALSE(checker->isCorrect("amicuss"));
    EXPECT_TRUE(checker->suggestions("amicuss").contains("amicus"));
}

TEST(Spellchecker, BrokenArchiveIsReportedAsAFailure) {
    AppHarness& h = AppHarness::get();
    const QString resources = AppHarness::home() + "/badresources";
    writeAll(resources + "/LatinSpellCheck.zip", "this is not a zip archive");
    qputenv("TS_RESOURCES_DIR", resources.toUtf8());
    h.capture->take();
    EXPECT_FALSE(h.controller->installSpellchecker());
    qunsetenv("TS_RESOURCES_DIR");
    EXPECT_TRUE(h.capture->contains("Failed to unzip spellchecker"));
    EXPECT_FALSE(h.capture->contains("Installed spellchecker"));
}

#include "AppCommandsTest.moc"
