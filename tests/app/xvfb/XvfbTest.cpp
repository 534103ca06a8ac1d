// The application on a real X server, with a temporary HOME: its log, its
// support folders, its menu, the Latin spellchecker it installs, and Ctrl+Q.
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/gui/AppController.h"
#include "app/gui/MainWindow.h"
#include "app/gui/TSDocumentController.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "tools/gui/DictionaryEntryModel.h"
#include "tools/gui/DictionaryWindowController.h"
#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/TSDictionary.h"
#include "platform/PropertyList.h"
#include "platform/Prompter.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "platform/spelling/SpellChecker.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QThread>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>
#include <functional>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

QTemporaryDir* gHome = nullptr;
AppController* gController = nullptr;
MainWindow* gWindow = nullptr;
std::shared_ptr<ts::ScriptedPrompter> gPrompter;

const QRegularExpression kLine("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}  (.*)$");

QString logFolder(const QString& home, const QString& process) { return home + "/.local/state/Logs/" + process; }

// The messages of every log file in the folder, oldest file first.
QStringList logMessages(const QString& folder) {
    QStringList messages;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({"*.log"}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
            const QRegularExpressionMatch m = kLine.match(line);
            if (m.hasMatch()) messages << m.captured(1);
        }
    }
    return messages;
}

QStringList withPrefix(const QStringList& messages, const QString& prefix) {
    QStringList out;
    for (const QString& m : messages)
        if (m.startsWith(prefix)) out << m.mid(prefix.size());
    return out;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList kQuitSteps{"analyser stopped", "dictionaries saved", "settings saved", "observers removed"};

// Waits for a condition, running this program's events meanwhile, up to a
// ceiling generous enough for a loaded machine; answers the condition.
bool waitFor(const std::function<bool()>& condition, int ceilingMs = 60000) {
    QDeadlineTimer deadline(ceilingMs);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        QTest::qWait(20);
    }
    return true;
}

}  // namespace

TEST(Xvfb, RunsOnARealXServerWithATemporaryHome) {
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
    EXPECT_EQ(QDir::homePath(), gHome->path());
}

TEST(Xvfb, LogFileNameAndFirstLines) {
    const QDir dir(logFolder(gHome->path(), QString::fromLocal8Bit(program_invocation_short_name)));
    const QStringList files = dir.entryList({"*.log"}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << dir.path().toStdString();
    const QRegularExpression name("^" + QRegularExpression::escape(TSBundle::bundleIdentifier()) +
                                  " \\d{4}-\\d\\d-\\d\\d--\\d\\d-\\d\\d-\\d\\d-\\d{3}\\.log$");
    EXPECT_TRUE(name.match(files[0]).hasMatch()) << files[0].toStdString();
    QFile f(dir.filePath(files[0]));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    ASSERT_GE(lines.size(), 3);
    const QStringList first{"Launch: loggers installed", "Launch: crash handlers installed", "Launch: settings loaded"};
    for (int i = 0; i < 3; ++i) {
        const QRegularExpressionMatch m = kLine.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
        EXPECT_EQ(m.captured(1), first[i]);
    }
}

TEST(Xvfb, SupportFolderTree) {
    const QString support = gHome->path() + "/.local/share/" + TSBundle::executableName();
    EXPECT_EQ(Preferences::supportDirectory(), support);
    EXPECT_EQ(Preferences::dictionariesFolder(), support + "/Dictionaries");
    EXPECT_EQ(Preferences::userDictionariesFolder(), support + "/Dictionaries/User Dictionaries");
    EXPECT_EQ(Preferences::proximityPatternFolder(), support + "/ProximityPatterns");
    EXPECT_EQ(Preferences::cappelliFolder(), support + "/Cappelli");
    for (const QString& folder : {support, support + "/Dictionaries", support + "/Dictionaries/User Dictionaries",
                                  support + "/ProximityPatterns", support + "/Cappelli"})
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(Preferences::grammarFile()).isFile());
    EXPECT_TRUE(Preferences::grammarFile().startsWith(support + "/"));
}

TEST(Xvfb, MenuHoldsTheCommandsAndNoDebugMenu) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gWindow));
    QStringList titles;
    QStringList commands;
    for (QAction* top : gWindow->menuBar()->actions()) {
        titles << QString(top->text()).remove('&');
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (!a->isSeparator() && a->isVisible()) commands << a->objectName();
    }
    EXPECT_EQ(titles, (QStringList{"File", "Edit", "Tools", "Window", "Help"}));
    for (const char* c : {"showAboutBox:", "showPrefsWindow:", "terminate:", "newDocument:", "newStructuredWindow:",
                          "openDocument:", "showDictionary:", "showGrammarWindow:", "showWordSearchWindow:",
                          "showAnagramWindow:", "constructionSearch:", "showZerivuvWindow:", "parseMDict:",
                          "reviseOnlyMarked:", "markAutomatically:", "removeChangeFlags:", "loadWebsite:",
                          "emailDeveloper:", "emailDebugLog:", "saveDebugLog:", "emailChangedWords:",
                          "installSpellchecker:", "doImport:"})
        EXPECT_TRUE(commands.contains(c)) << c;
    EXPECT_FALSE(commands.contains("showCommsWindow:"));
    // The developers' commands go with the Debug menu; importing a TEI text is in File.
    for (const char* c : {"parsePerseusSource:", "parseCSV:"}) EXPECT_FALSE(commands.contains(c)) << c;
}

TEST(Xvfb, LatinSpellingThroughHunspell) {
    ASSERT_FALSE(gPrompter->alerts().empty());
    EXPECT_EQ(gPrompter->alerts().front().messageText, "Install Spellchecker?");
    EXPECT_TRUE(AppController::latinSpellcheckAvailable());
    const ts::SpellCheckerPtr checker = ts::SpellChecker::forLanguage("la");
    ASSERT_TRUE(checker);
    EXPECT_EQ(checker->dictionaryPath(), gHome->path() + "/.local/share/hunspell/la.dic");
    EXPECT_TRUE(checker->isCorrect("amicus"));
    EXPECT_FALSE(checker->isCorrect("amicuss"));
    const QStringList suggestions = checker->suggestions("amicuss");
    EXPECT_FALSE(suggestions.isEmpty());
    EXPECT_TRUE(suggestions.contains("amicus")) << suggestions.join(", ").toStdString();
}

// The real program, started as a user would (its own process, a fresh
// temporary HOME that already has the Latin dictionary), quits in order on
// SIGTERM.
// Starts the program with a temporary home, sends SIGTERM once its log
// holds `signalAfter`, and checks that it quits through the quit sequence.
// With `windowShown`, the signal also waits until a window of the program
// with that title is visible on the X server (xdotool tells).
// With `bareSession` it is started as from a bare X session: no session bus
// (the variable unset, no runtime folder) and a pipe left open by whatever
// started it; `whileRunning` is given the program's process id before the
// signal.
void startAndTerminate(bool spellchecker, const char* signalAfter, const char* windowShown = nullptr,
                       bool bareSession = false, const std::function<void(qint64)>& whileRunning = {}) {
    const QString binary = qEnvironmentVariable("TS_APP_BINARY");
    ASSERT_FALSE(binary.isEmpty());
    {
        QTemporaryDir home;
        if (spellchecker) {
            const QString spelling = home.path() + "/.local/share/hunspell";
            QDir().mkpath(spelling);
            for (const char* f : {"la.dic", "la.aff"})
                ASSERT_TRUE(QFile::copy(gHome->path() + "/.local/share/hunspell/" + f, spelling + "/" + f));
        }
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) env.remove(v);
        // No session bus on a bare X server: an address that refuses at once, so
        // the accessibility bridge does not wait for a bus to be launched.
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-session-bus");
        int leaked[2] = {-1, -1};
        if (bareSession) {
            env.remove("DBUS_SESSION_BUS_ADDRESS");
            env.remove("XDG_RUNTIME_DIR");
            ASSERT_EQ(::pipe(leaked), 0);
        }
        program.setProcessEnvironment(env);
        // Files, not pipes: nobody reads the pipes while this test waits.
        program.setStandardOutputFile(home.path() + "/stdout.txt");
        program.setStandardErrorFile(home.path() + "/stderr.txt");
        QElapsedTimer sinceStart;
        sinceStart.start();
        program.start(binary, {});
        for (int fd : leaked)
            if (fd >= 0) ::close(fd);
        ASSERT_TRUE(program.waitForStarted());
        const QString folder = logFolder(home.path(), QFileInfo(binary).fileName());
        const QString xdotool = qEnvironmentVariable("TS_XDOTOOL");
        if (windowShown && !xdotool.isEmpty()) {
            // TS_WINDOW_WITHIN_MS also bounds how soon it must come (the
            // many-starts check asks for 5 s); a test run only asks that it
            // comes, which a busy machine cannot fail.
            const int ceiling = qEnvironmentVariableIntValue("TS_WINDOW_WITHIN_MS");
            const bool shown = waitFor([&] {
                QProcess search;
                search.start(xdotool, {"search", "--onlyvisible", "--pid", QString::number(program.processId()), "--name",
                                       QString::fromLatin1(windowShown)});
                search.waitForFinished(20000);
                return !search.readAllStandardOutput().trimmed().isEmpty();
            });
            EXPECT_TRUE(shown) << "no window \"" << windowShown << "\" on screen; stderr:\n"
                               << readFile(home.path() + "/stderr.txt").toStdString();
            if (ceiling > 0) {
                EXPECT_LE(sinceStart.elapsed(), ceiling) << "the window came late";
            }
        }
        const bool reached = waitFor([&] { return logMessages(folder).contains(QString::fromLatin1(signalAfter)); });
        ASSERT_TRUE(reached) << "launch did not reach \"" << signalAfter << "\" in " << folder.toStdString();
        if (whileRunning) whileRunning(program.processId());
        // The signal may come at any later point of launch: every one quits in order.
        ::kill(pid_t(program.processId()), SIGTERM);
        if (!program.waitForFinished(60000)) {
            QProcess gdb;
            gdb.start("gdb", {"-p", QString::number(program.processId()), "-batch", "-ex", "thread apply all bt"});
            gdb.waitForFinished(60000);
            program.kill();
            FAIL() << "no exit after SIGTERM; stderr:\n"
                   << QString::fromUtf8(readFile(home.path() + "/stderr.txt")).toStdString() << "\nstacks:\n"
                   << QString::fromUtf8(gdb.readAllStandardOutput()).toStdString();
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(withPrefix(logMessages(folder), "Quit: "), kQuitSteps);
        EXPECT_TRUE(QFileInfo(home.path() + "/.config/Tessarin").isDir());
    }
}

// The running child of `parent` whose executable is `program`; 0 while there
// is none.
qint64 childRunning(qint64 parent, const QString& program) {
    const QString wanted = QFileInfo(program).canonicalFilePath();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number) continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QByteArray stat = readFile("/proc/" + entry + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1].toLongLong() != parent) continue;
        if (QFileInfo("/proc/" + entry + "/exe").canonicalFilePath() == wanted) return pid;
    }
    return 0;
}

QString linkTarget(const QString& path) {
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return n > 0 ? QString::fromLocal8Bit(target, int(n)) : QString();
}

// The descriptors of process `pid` other than its standard three and the
// files of its own data folder or working folder, as "number -> target".
QStringList foreignDescriptors(qint64 pid, const QString& program) {
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    const QStringList own{"/usr/share/" + QFileInfo(program).fileName() + "/", linkTarget(proc + "/cwd") + "/"};
    QStringList foreign;
    for (const QString& fd : QDir(proc + "/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.toInt() <= 2) continue;
        const QString target = linkTarget(proc + "/fd/" + fd);
        // A file the analyser opened and closed while it was being listed;
        // an inherited descriptor stays open for the process's life.
        if (target.isEmpty()) continue;
        const bool ownFile = std::any_of(own.begin(), own.end(), [&](const QString& folder) {
            return target.startsWith(folder) && QFileInfo(target).isFile();
        });
        if (!ownFile) foreign << fd + " -> " + target;
    }
    return foreign;
}

TEST(Xvfb, ProgramStartsAndQuitsInOrder) { startAndTerminate(true, "Launch: observing Add word form"); }

// A fresh account has no spellchecker: every start shows the first window
// ("Untitled") and the question to install it (titled "Tessarin"), and
// SIGTERM while the question waits still quits in order. This runs on an X
// server of its own (see CMakeLists.txt): the question's window takes the
// input focus, which the in-process window could not win back.
TEST(XvfbAlone, SigtermDuringTheLaunchQuestionQuitsInOrder) {
    for (int start = 0; start < 5; ++start) startAndTerminate(false, "Launch: observing Add word form", "^Tessarin$");
}

// Started from a bare X session, with no session bus and a pipe left open by
// its launcher, the program shows its window every time, its analyser holds
// nothing but its standard three descriptors and its own data files, and
// SIGTERM ends it in order. scripts/check-bare-starts runs it many times.
TEST(XvfbAlone, BareSessionStartShowsAWindowAndTheAnalyserInheritsNoDescriptor) {
    const QString analyser = DictionaryController::findAnalyserProgram(QString());
    if (analyser.isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const int starts = qEnvironmentVariableIsSet("TS_BARE_STARTS") ? qEnvironmentVariableIntValue("TS_BARE_STARTS") : 3;
    for (int start = 0; start < starts && !::testing::Test::HasFailure(); ++start) {
        startAndTerminate(false, "Launch: observing Add word form", "^Tessarin$", true, [&](qint64 program) {
            qint64 child = 0;
            ASSERT_TRUE(waitFor([&] { return (child = childRunning(program, analyser)) != 0; }));
            // The loader and the analyser open and close files of their own
            // as it starts (libm, say); an inherited descriptor never goes.
            QStringList foreign;
            waitFor([&] { return (foreign = foreignDescriptors(child, analyser)).isEmpty(); });
            EXPECT_TRUE(foreign.isEmpty()) << "start " << start << ": " << foreign.join(", ").toStdString();
        });
    }
}

// A document file without the keys a save always writes ("uuid", "Keyed
// Window position"), so a save shows in the file.
QString writeDocumentWithoutSavedKeys(const QString& path) {
    auto doc = std::make_shared<TSDocument>();
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0));
    line->setLatin(ts::AttributedString::make("Tityre, tu patulae recubans sub tegmine fagi"));
    ts::ValueDictionary root = doc->serialize();
    root.erase("uuid");
    root.erase("Keyed Window position");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return QString();
    f.write(ts::PropertyList::writeBinary(ts::Value(root)));
    return path;
}

bool savedSince(const QString& path) {
    const ts::PlistResult r = ts::PropertyList::read(readFile(path));
    return r.ok() && r.value.contains("uuid") && r.value.contains("Keyed Window position");
}

// A document opened at launch, as main opens the files named on its command
// line, shows in a window with the application's menus, and Ctrl+S pressed on
// the X server saves it.
TEST(Xvfb, DocumentOpenedAtLaunchHasTheMenusAndCtrlSSaves) {
    auto* documents = dynamic_cast<TSDocumentController*>(ts::DocumentController::sharedDocumentController());
    ASSERT_NE(documents, nullptr);
    TSDocumentWindow::install(*documents);
    QTemporaryDir dir;
    const QString path = writeDocumentWithoutSavedKeys(dir.filePath("tityrus.tsdx"));
    ASSERT_FALSE(path.isEmpty());
    ts::DocumentPtr opened;
    documents->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
                                             [&](ts::DocumentPtr d, bool, const ts::DocumentError*) { opened = d; });
    ASSERT_TRUE(opened);
    TSDocumentWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TSDocumentWindow*>(w); d && d->document() == opened) window = d;
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QStringList titles;
    for (QAction* top : window->menuBar()->actions()) titles << QString(top->text()).remove('&');
    EXPECT_EQ(titles, (QStringList{"File", "Edit", "Tools", "Window", "Help"}));
    EXPECT_GT(window->menuBar()->height(), 10);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, 60000));
    EXPECT_FALSE(savedSince(path));
    QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(waitFor([&] { return savedSince(path); }));
    window->close();
    EXPECT_TRUE(waitFor([&] { return documents->documents().empty(); }));
}

// The real program started with a document named on its command line, as
// a user runs `scripts/run FILE`: its window opens with the menus (Alt+F
// opens the File menu) and Ctrl+S, typed on the X server, saves the file.
TEST(XvfbAlone, ProgramStartedWithADocumentOpensItsMenuAndSavesOnCtrlS) {
    const QString binary = qEnvironmentVariable("TS_APP_BINARY");
    const QString xdotool = qEnvironmentVariable("TS_XDOTOOL");
    ASSERT_FALSE(binary.isEmpty());
    if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed (scripts/deps installs it)";
    QTemporaryDir home;
    const QString spelling = home.path() + "/.local/share/hunspell";
    QDir().mkpath(spelling);
    for (const char* f : {"la.dic", "la.aff"})
        ASSERT_TRUE(QFile::copy(gHome->path() + "/.local/share/hunspell/" + f, spelling + "/" + f));
    const QString path = writeDocumentWithoutSavedKeys(home.filePath("bucolica.tsdx"));
    ASSERT_FALSE(path.isEmpty());
    auto run = [&](const QStringList& arguments) {
        QProcess p;
        p.start(xdotool, arguments);
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) env.remove(v);
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.path() + "/no-session-bus");
    program.setProcessEnvironment(env);
    program.setStandardOutputFile(home.path() + "/stdout.txt");
    program.setStandardErrorFile(home.path() + "/stderr.txt");
    program.start(binary, {path});
    ASSERT_TRUE(program.waitForStarted());
    const QString pid = QString::number(program.processId());
    QStringList windows;
    waitFor([&] {
        windows = run({"search", "--onlyvisible", "--pid", pid, "--name", "^bucolica\\.tsdx"});
        return !windows.isEmpty();
    });
    ASSERT_EQ(windows.size(), 1) << "no document window; stderr:\n" << readFile(home.path() + "/stderr.txt").toStdString();
    const QString window = windows.first();
    run({"windowfocus", "--sync", window});
    const int before = run({"search", "--onlyvisible", "--pid", pid, ""}).size();
    run({"key", "--clearmodifiers", "alt+f"});
    int during = before;
    waitFor([&] {
        during = run({"search", "--onlyvisible", "--pid", pid, ""}).size();
        return during != before;
    }, 30000);
    EXPECT_EQ(during, before + 1) << "Alt+F opens the File menu";
    run({"key", "Escape"});
    run({"windowfocus", "--sync", window});
    run({"key", "--clearmodifiers", "ctrl+s"});
    EXPECT_TRUE(waitFor([&] { return savedSince(path); })) << "Ctrl+S did not save the document";
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(savedSince(path));
}

// A 10,000-line document on the real X server: it opens, scrolls to the
// end, a cell edit marks it edited, and it saves and reads back.
TEST(Xvfb, TenThousandLinesOpenScrollEditAndSave) {
    auto text = std::make_shared<TSText>();
    for (int s = 0; s < 100; ++s) {
        auto section = std::make_shared<TSMatchedChunk>();
        section->setLatin(ts::AttributedString::make(QStringLiteral("Liber %1").arg(s + 1)));
        text->addChild(section);
        for (int l = 0; l < 100; ++l) {
            auto line = std::make_shared<TSMatchedChunk>();
            line->setLatin(ts::AttributedString::make(QStringLiteral("arma virumque cano, Troiae qui primus ab oris %1").arg(s * 100 + l)));
            line->setEnglish(ts::AttributedString::make(QStringLiteral("I sing of arms and the man %1").arg(s * 100 + l)));
            section->addChild(line);
        }
    }
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    TSDocumentWindow window(doc);
    window.resize(1100, 760);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.outlineView()->expandAll();
    QScrollBar* bar = window.outlineView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    EXPECT_GT(bar->maximum(), 10000);
    const QModelIndex last = window.model()->indexForChunk(text->childAt(99)->childAt(99).get(), TSOutlineModel::LatinColumn);
    ASSERT_TRUE(last.isValid());
    EXPECT_TRUE(window.model()->setRichText(last, *ts::AttributedString::make(QStringLiteral("arma virumque cano, edited"))));
    EXPECT_TRUE(doc->isDocumentEdited());
    window.outlineView()->scrollTo(last);
    QCoreApplication::processEvents();
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty() && QDir().mkpath(gallery)) window.grab().save(gallery + "/xvfb-document-10000-lines.png");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("aeneis.tsdx"));
    ts::DocumentError error;
    ASSERT_TRUE(doc->saveToURL(path, TSDocument::kTypeName, &error)) << error.description.toStdString();
    EXPECT_FALSE(doc->isDocumentEdited());
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(path, TSDocument::kTypeName, &error));
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(reread->text()->childAt(99)->childAt(99));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->latin()->string(), QStringLiteral("arma virumque cano, edited"));
    doc->updateChangeCount(ts::Document::ChangeCleared);
}

// The dictionary window on the real X server, with the analyser's answer
// for arma.
TEST(Xvfb, DictionaryWindowShowsTheAnswerForArma) {
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    Preferences::preferences()->setLatinToEnglishDictionarySelection(0);
    DictionaryWindowController* w = DictionaryWindowController::showDictionaryWindow();
    w->resize(760, 620);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    QSignalSpy finished(w, &DictionaryWindowController::lookupFinished);
    w->translateLatinString(QStringLiteral("arma"));
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(w->englishTranslation->toPlainText().contains(QStringLiteral("armum, armi")));
    EXPECT_GT(w->modelForView(w->englishWordList)->rowCount(), 0);
    QCoreApplication::processEvents();
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty() && QDir().mkpath(gallery)) w->grab().save(gallery + "/xvfb-dictionary-arma.png");
    DictionaryWindowController::disposeDictionaryWindow();
}

namespace {

// A document saved to a file and shown in its window, as File > Open does.
TSDocumentWindow* openSavedDocument(const QString& path, const QString& latin) {
    auto* documents = ts::DocumentController::sharedDocumentController();
    auto doc = std::make_shared<TSDocument>();
    std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0))->setLatin(ts::AttributedString::make(latin));
    ts::DocumentError error;
    if (!documents || !doc->saveToURL(path, TSDocument::kTypeName, &error)) return nullptr;
    documents->addDocument(doc);
    doc->makeWindowControllers();
    doc->showWindows();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TSDocumentWindow*>(w); d && d->document() == doc) return d;
    return nullptr;
}

// Opens the first line's Latin cell of a window just shown (the active one)
// and types into it, key by key.
bool typeIntoFirstLine(TSDocumentWindow* window, const QString& typed) {
    if (!QTest::qWaitForWindowExposed(window, 60000)) return false;
    const QModelIndex first = window->model()->index(0, TSOutlineModel::LatinColumn);
    window->outlineView()->setCurrentIndex(first);
    window->outlineView()->edit(first);
    QTextEdit* editor = nullptr;
    if (!waitFor([&] {
            for (QTextEdit* e : window->outlineView()->viewport()->findChildren<QTextEdit*>())
                if (e->isVisible()) editor = e;
            return editor != nullptr;
        }))
        return false;
    QTest::keyClicks(editor, typed);
    return editor->toPlainText().endsWith(typed);
}

QString storedLatin(const QString& path) {
    auto doc = std::make_shared<TSDocument>();
    ts::DocumentError error;
    if (!doc->readFromURL(path, TSDocument::kTypeName, &error)) return {};
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0));
    return line && line->latin() ? line->latin()->string() : QString();
}

qint64 analyserProcess() {
    qint64 pid = 0;
    waitFor([&] { return (pid = DictionaryController::dictionary()->processId()) != 0; });
    return pid;
}

}  // namespace

// Two edited documents, Ctrl+Q: one question each; Cancel on the second
// leaves the program whole, and a look-up still answers.
TEST(Xvfb, QuitWithTwoEditedDocumentsAsksOnceEachAndCancelKeepsTheProgram) {
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    auto* documents = dynamic_cast<TSDocumentController*>(ts::DocumentController::sharedDocumentController());
    ASSERT_NE(documents, nullptr);
    if (!documents->hasDocumentType(TSDocument::kTypeName)) TSDocumentWindow::install(*documents);
    QTemporaryDir dir;
    TSDocumentWindow* first = openSavedDocument(dir.filePath("eclogae.tsdx"), "Tityre, tu patulae");
    ASSERT_TRUE(first);
    ASSERT_TRUE(typeIntoFirstLine(first, " recubans"));
    TSDocumentWindow* second = openSavedDocument(dir.filePath("georgica.tsdx"), "Quid faciat laetas segetes");
    ASSERT_TRUE(second);
    ASSERT_TRUE(typeIntoFirstLine(second, " quo sidere"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(second, 60000));
    const size_t asked = gPrompter->alerts().size();
    gPrompter->queueAlertAnswer(2);  // Don't Save
    gPrompter->queueAlertAnswer(1);  // Cancel
    QTest::keyClick(second->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(gPrompter->alerts().size(), asked + 2) << "one question per document";
    EXPECT_TRUE(gPrompter->alerts()[asked].messageText.contains("eclogae"));
    EXPECT_TRUE(gPrompter->alerts()[asked + 1].messageText.contains("georgica"));
    EXPECT_FALSE(gController->terminated());
    EXPECT_TRUE(first->isVisible() && second->isVisible());
    EXPECT_EQ(storedLatin(dir.filePath("eclogae.tsdx")), "Tityre, tu patulae") << "Don't Save wrote nothing";
    // The analyser still answers.
    bool answered = false;
    QString raw;
    DictionaryController::dictionary()->translateToEnglish("arma", 0, 0, [&](const TSDictionaryResult& r) {
        const auto it = r.find(TSDictionary::kRawOutput);
        if (it != r.end()) raw = it->second.toString();
        answered = true;
    });
    EXPECT_TRUE(waitFor([&] { return answered; }));
    EXPECT_TRUE(raw.contains("armum")) << raw.toStdString();
    for (TSDocumentWindow* w : {first, second}) {
        w->document()->updateChangeCount(ts::Document::ChangeCleared);
        w->close();
    }
    EXPECT_TRUE(waitFor([&] { return documents->documents().empty(); }));
}

// Last: text typed into a cell, Ctrl+Q, Save: the text is in the file and
// the quit sequence runs in order.
TEST(Xvfb, CtrlQSavesTypedTextAndQuitsInOrder) {
    const qint64 pid = analyserProcess();
    ASSERT_GT(pid, 0);
    auto* documents = dynamic_cast<TSDocumentController*>(ts::DocumentController::sharedDocumentController());
    ASSERT_NE(documents, nullptr);
    if (!documents->hasDocumentType(TSDocument::kTypeName)) TSDocumentWindow::install(*documents);
    QTemporaryDir dir;
    const QString path = dir.filePath("aeneis.tsdx");
    TSDocumentWindow* window = openSavedDocument(path, "Arma virumque cano");
    ASSERT_TRUE(window);
    ASSERT_TRUE(typeIntoFirstLine(window, ", Troiae qui primus"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, 60000));
    const size_t asked = gPrompter->alerts().size();
    gPrompter->queueAlertAnswer(0);  // Save
    // Through the window system, as a key press on the X server arrives.
    QTest::keyClick(window->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(gPrompter->alerts().size(), asked + 1);
    EXPECT_EQ(storedLatin(path), "Arma virumque cano, Troiae qui primus");
    EXPECT_TRUE(gController->terminated());
    LGLog::flushLog();
    const QStringList messages = logMessages(logFolder(gHome->path(), QString::fromLocal8Bit(program_invocation_short_name)));
    EXPECT_EQ(withPrefix(messages, "Quit: "), kQuitSteps);
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); }));
}

int main(int argc, char** argv) {
    gHome = new QTemporaryDir;
    qputenv("HOME", gHome->path().toUtf8());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "DICPATH", "TS_RESOURCES_DIR"})
        qunsetenv(v);
    QApplication app(argc, argv);
    TSDocumentController documents;
    gPrompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::setCurrent(gPrompter);
    gPrompter->queueAlertAnswer(0);  // install the spellchecker when offered
    gController = new AppController;
    gController->applicationWillFinishLaunching();
    gController->applicationDidFinishLaunching();
    gWindow = new MainWindow(gController);
    gWindow->show();
    // The first-start question comes once the window is on screen.
    if (!waitFor([] { return !gPrompter->alerts().empty(); })) std::fprintf(stderr, "the spellchecker was not offered\n");
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    LGLog::removeAllLoggers();
    return rc;
}
