// The analyser dictionary against the real analyser program.

#include "dictionaries/DictionaryController.h"
#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The analyser's I/O thread runs an event loop, which needs an application
// object (its main loop need not run).
void ensureApplication() {
    static int argc = 1;
    static char name[] = "analyser_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

bool analyserInstalled() { return !DictionaryController::findAnalyserProgram(QString()).isEmpty(); }

// How long a test waits for a condition at most; a wait ends as soon as its
// condition holds, so only a failing test takes this long.
constexpr std::chrono::milliseconds kCeiling = 60s;

struct Pending {
    std::shared_ptr<std::promise<TSDictionaryResult>> promise = std::make_shared<std::promise<TSDictionaryResult>>();
    std::future<TSDictionaryResult> future = promise->get_future();
    TSDictionaryBlock block() {
        auto p = promise;
        return [p](const TSDictionaryResult& r) { p->set_value(r); };
    }
    // The result, or a map with "timed out" when the block was not called.
    // The ceiling is generous: a loaded machine may take long to start a
    // program, and the wait ends as soon as the answer is there.
    TSDictionaryResult get(std::chrono::milliseconds limit = kCeiling) {
        if (future.wait_for(limit) != std::future_status::ready) return {{QStringLiteral("timed out"), true}};
        return future.get();
    }
};

QString raw(const TSDictionaryResult& r) {
    auto it = r.find(TSDictionary::kRawOutput);
    return it == r.end() ? QString() : it->second.toString();
}

QString input(const TSDictionaryResult& r) {
    auto it = r.find(TSDictionary::kInputString);
    return it == r.end() ? QString() : it->second.toString();
}

bool timedOut(const TSDictionaryResult& r) { return r.count(QStringLiteral("timed out")) > 0; }

// Headwords of every word entry under the roots.
QStringList headwords(const DictionaryEntryList& roots) {
    QStringList out;
    for (const auto& root : roots)
        for (const auto& child : root->childList())
            if (child->type() >= 1 && child->type() <= 10) out << child->entry();
    return out;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = kCeiling) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

// Points the settings at another analyser program for the life of the object.
struct AnalyserPath {
    explicit AnalyserPath(const QString& path) {
        DictionaryController::setSettingsProvider([path] {
            DictionaryController::Settings s;
            s.analyserPath = path;
            return s;
        });
    }
    ~AnalyserPath() { DictionaryController::setSettingsProvider({}); }
};

// The block of `p` was called, with no words.
void expectEmptyAnswer(Pending& p) {
    const TSDictionaryResult r = p.get();
    ASSERT_FALSE(timedOut(r));
    EXPECT_TRUE(TSDictionary::parsedWords(r).empty());
}

class AnalyserProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        if (!analyserInstalled()) GTEST_SKIP() << "whitakers-words is not installed";
        DictionaryController::setSettingsProvider({});
        controller = std::make_shared<DictionaryController>();
        controller->startLatinProcess();
        controller->loadDictionaryPrefs();
    }
    void TearDown() override {
        if (controller) controller->terminate();
        DictionaryController::setSettingsProvider({});
    }

    TSDictionaryResult latin(const QString& query) {
        Pending p;
        controller->translateToEnglish(query, 0, 0, p.block());
        return p.get();
    }
    TSDictionaryResult english(const QString& query) {
        Pending p;
        controller->translateToLatin(query, 0, 0, p.block());
        return p.get();
    }

    DictionaryControllerPtr controller;
};

}  // namespace

TEST_F(AnalyserProcess, SetsUpAndAnswersBothDirections) {
    const TSDictionaryResult amo = latin(QStringLiteral("amo"));
    ASSERT_FALSE(timedOut(amo));
    EXPECT_EQ(controller->dictionaryVersion(), QStringLiteral("1.97FC"));
    EXPECT_EQ(input(amo), QStringLiteral("amo\n"));
    // The set-up turned on frequencies: the answer shows them.
    EXPECT_TRUE(raw(amo).contains(QStringLiteral("amo, amare, amavi, amatus  V (1st)   [XXXAO]")));
    EXPECT_TRUE(raw(amo).contains(QStringLiteral("veryfreq")));
    EXPECT_FALSE(raw(amo).contains(QStringLiteral("=>")));
    const DictionaryEntryList roots = TSDictionary::parsedWords(amo);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->entry(), QStringLiteral("amo"));
    EXPECT_EQ(headwords(roots), QStringList{QStringLiteral("amo amare amavi amatus")});

    const TSDictionaryResult love = english(QStringLiteral("love"));
    ASSERT_FALSE(timedOut(love));
    EXPECT_FALSE(controller->inLatinMode());
    const DictionaryEntryList words = TSDictionary::parsedWords(love);
    QStringList entries;
    for (const auto& w : words) entries << w->entry();
    EXPECT_TRUE(entries.contains(QStringLiteral("amo amare amavi amatus"))) << entries.join(QStringLiteral(" | ")).toStdString();

    // Back to Latin: the switch is queued and answered before the word.
    const TSDictionaryResult arma = latin(QStringLiteral("arma"));
    EXPECT_TRUE(controller->inLatinMode());
    EXPECT_TRUE(headwords(TSDictionary::parsedWords(arma)).contains(QStringLiteral("armum armi")));
}

TEST_F(AnalyserProcess, LiveAnswersKeepTildeMeaningsAndNamePackons) {
    // With examples on, meanings that use "~" survive and examples do not.
    const DictionaryEntryList aliquis = TSDictionary::parsedWords(latin(QStringLiteral("aliquis")));
    ASSERT_FALSE(aliquis.empty());
    QStringList meanings;
    for (const auto& word : aliquis.front()->childList())
        for (const auto& m : word->childList())
            if (m->type() == DictionaryEntry::Meaning) meanings << m->entry();
    EXPECT_TRUE(meanings.contains(QStringLiteral("a particular / certain ~"))) << meanings.join(u'|').toStdString();

    const DictionaryEntryList quidam = TSDictionary::parsedWords(latin(QStringLiteral("quidam")));
    ASSERT_EQ(quidam.size(), 1u);
    EXPECT_EQ(quidam.front()->entry(), QStringLiteral("quidam"));
    EXPECT_EQ(headwords(quidam), QStringList{QStringLiteral("quidam")});
}

// Analyses of one word without a dictionary line of their own, as the live
// program writes them: a block that repeats the one before joins it.
TEST_F(AnalyserProcess, RepeatedMeaningBlocksJoin) {
    struct Row {
        const char* word;
        QStringList summaries;  // of the pronoun entries, in order
    };
    const Row rows[] = {
        // Singular below plural, its meanings all among the plural's.
        {"qui", {QStringLiteral("nom pl m, nom m")}},
        // nom sg f and nom pl f differ; the neuter plural repeats the singular.
        {"quae", {QStringLiteral("nom pl f"), QStringLiteral("nom f, nom pl n, acc pl n")}},
    };
    for (const Row& row : rows) {
        const DictionaryEntryList roots = TSDictionary::parsedWords(latin(QString::fromLatin1(row.word)));
        ASSERT_FALSE(roots.empty()) << row.word;
        QStringList summaries;
        for (const auto& word : roots.front()->childList()) {
            if (word->type() != DictionaryEntry::Pronoun) continue;
            const auto data = word->firstChildOfType(DictionaryEntry::WordData);
            summaries << (data ? data->entry() : QString());
            QStringList meanings;
            for (const auto& m : word->childList())
                if (m->type() == DictionaryEntry::Meaning) meanings << m->entry();
            EXPECT_FALSE(meanings.isEmpty()) << row.word;
            EXPECT_EQ(meanings.size(), QSet<QString>(meanings.begin(), meanings.end()).size())
                << row.word << ": " << meanings.join(u'|').toStdString();
        }
        EXPECT_EQ(summaries, row.summaries) << row.word;
    }
}

TEST_F(AnalyserProcess, QueuedLookUpsAreAnsweredInOrderWithOneSwitch) {
    // Issued together, before the banner: each waits for the set-up script.
    Pending a, b, c;
    controller->translateToLatin(QStringLiteral("love"), 0, 0, a.block());
    controller->translateToLatin(QStringLiteral("war"), 0, 0, b.block());
    controller->translateToEnglish(QStringLiteral("bellum"), 0, 0, c.block());
    const auto ra = a.get(), rb = b.get(), rc = c.get();
    ASSERT_FALSE(timedOut(ra) || timedOut(rb) || timedOut(rc));
    EXPECT_EQ(input(ra), QStringLiteral("love\n"));
    EXPECT_EQ(input(rb), QStringLiteral("war\n"));
    EXPECT_TRUE(raw(rb).contains(QStringLiteral("adbello, adbellare, adbellavi, adbellatus  V")));
    EXPECT_TRUE(headwords(TSDictionary::parsedWords(rc)).contains(QStringLiteral("bellum belli")));
    // The mode-switch answers carry no language text into the look-ups.
    EXPECT_FALSE(raw(rb).contains(QStringLiteral("Language changed")));
    EXPECT_FALSE(raw(rc).contains(QStringLiteral("Language changed")));
}

TEST_F(AnalyserProcess, AnswersThePagerOnALongAnswer) {
    CaptureLogger::Scope log;
    DictionaryController::setSettingsProvider([] {
        DictionaryController::Settings s;
        s.logCommunications = true;
        return s;
    });
    const QString line = QStringLiteral("arma virumque cano Troiae qui primus ab oris Italiam fato profugus");
    const TSDictionaryResult r = latin(line);
    ASSERT_FALSE(timedOut(r));
    EXPECT_FALSE(raw(r).contains(QStringLiteral("MORE - hit RETURN")));
    EXPECT_FALSE(raw(r).contains(QStringLiteral("                          \n")));
    EXPECT_TRUE(raw(r).contains(QStringLiteral("profug.us")));
    // The analyser did page the answer.
    EXPECT_TRUE(log->contains(QStringLiteral("MORE - hit RETURN/ENTER to continue")));
    // Still in step: the next answer is the next word's.
    const TSDictionaryResult next = latin(QStringLiteral("amo"));
    EXPECT_EQ(headwords(TSDictionary::parsedWords(next)), QStringList{QStringLiteral("amo amare amavi amatus")});
}

TEST_F(AnalyserProcess, HostileQueriesKeepTheExchangeInStep) {
    CaptureLogger::Scope log;
    // A file request, a query that folds to nothing, a line end inside a
    // query, a mode switch, a parameter request and a blank query.
    const TSDictionaryResult file = latin(QStringLiteral("@/etc/hostname"));
    ASSERT_FALSE(timedOut(file));
    // Read as two words to analyse, not as a file to open.
    EXPECT_EQ(input(file), QStringLiteral("/etc/hostname\n"));
    EXPECT_TRUE(raw(file).contains(QStringLiteral("hostname                         ========   UNKNOWN")))
        << raw(file).toStdString();

    const TSDictionaryResult bar = latin(QStringLiteral("|"));
    ASSERT_FALSE(timedOut(bar));
    EXPECT_EQ(input(bar), QString());
    EXPECT_TRUE(TSDictionary::parsedWords(bar).empty());

    const TSDictionaryResult two = latin(QStringLiteral("amo\nsum"));
    ASSERT_FALSE(timedOut(two));
    EXPECT_EQ(input(two), QStringLiteral("amo sum\n"));
    EXPECT_EQ(TSDictionary::parsedWords(two).size(), 2u);

    for (const char* q : {"~E", "#", "!", "?", "   ", "", "amo\n\n\n"}) {
        const TSDictionaryResult r = latin(QString::fromLatin1(q));
        ASSERT_FALSE(timedOut(r)) << q;
    }
    EXPECT_TRUE(controller->inLatinMode());

    const TSDictionaryResult sum = latin(QStringLiteral("sum"));
    EXPECT_EQ(headwords(TSDictionary::parsedWords(sum)), QStringList{QStringLiteral("sum esse fui futurus")});
    EXPECT_TRUE(controller->isAvailable());
    EXPECT_FALSE(log->contains(QStringLiteral("exited")));
    EXPECT_FALSE(log->contains(QStringLiteral("out of step")));
}

TEST_F(AnalyserProcess, RestartsAfterTheChildIsKilled) {
    ASSERT_FALSE(timedOut(latin(QStringLiteral("amo"))));
    const qint64 first = controller->processId();
    ASSERT_GT(first, 0);
    CaptureLogger::Scope log;
    ::kill(pid_t(first), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return controller->processId() > 0 && controller->processId() != first; }));
    EXPECT_TRUE(log->contains(QStringLiteral("latin_tool crashed")));
    // The new process is set up again and answers.
    const TSDictionaryResult r = latin(QStringLiteral("arma"));
    ASSERT_FALSE(timedOut(r));
    EXPECT_TRUE(headwords(TSDictionary::parsedWords(r)).contains(QStringLiteral("armum armi")));
    EXPECT_TRUE(controller->isAvailable());
}

TEST_F(AnalyserProcess, RunsInAPrivateEmptyFolderAndStopsCleanly) {
    ASSERT_FALSE(timedOut(latin(QStringLiteral("amo"))));
    const QString folder = controller->workingDirectory();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    const qint64 pid = controller->processId();
    controller->terminate();
    EXPECT_NE(::kill(pid_t(pid), 0), 0);  // gone
    // After the end every request is answered at once, empty.
    const TSDictionaryResult r = latin(QStringLiteral("amo"));
    ASSERT_FALSE(timedOut(r));
    EXPECT_TRUE(TSDictionary::parsedWords(r).empty());
    EXPECT_FALSE(controller->isAvailable());
}

TEST(AnalyserFailures, MissingProgramAnswersEveryRequestEmpty) {
    ensureApplication();
    CaptureLogger::Scope log;
    AnalyserPath path(QStringLiteral("/nonexistent/words"));
    auto controller = std::make_shared<DictionaryController>();
    Pending p;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, p.block());  // queued before the start
    controller->startLatinProcess();
    expectEmptyAnswer(p);
    ASSERT_TRUE(waitFor([&] { return !controller->isAvailable(); }));
    EXPECT_TRUE(log->contains(QStringLiteral("Error launching latinTask")));
    Pending later;
    controller->translateToLatin(QStringLiteral("love"), 0, 0, later.block());
    EXPECT_FALSE(timedOut(later.get()));
}

TEST(AnalyserFailures, SilentProgramTimesOutAndIsGivenUp) {
    ensureApplication();
    if (!QFileInfo(QStringLiteral("/bin/cat")).isExecutable()) GTEST_SKIP();
    CaptureLogger::Scope log;
    // cat never prints a prompt: the banner never comes, then the restarted
    // one never answers either.
    AnalyserPath path(QStringLiteral("/bin/cat"));
    auto controller = std::make_shared<DictionaryController>();
    controller->setAnswerTimeout(300ms);
    controller->setShutdownGrace(100ms);
    controller->startLatinProcess();
    Pending p;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, p.block());
    expectEmptyAnswer(p);
    ASSERT_TRUE(waitFor([&] { return !controller->isAvailable(); }));
    EXPECT_TRUE(log->contains(QStringLiteral("gave no answer")));
    controller->terminate();
}

TEST(AnalyserFailures, ReleasingTheControllerAnswersWhatStillWaits) {
    ensureApplication();
    if (!QFileInfo(QStringLiteral("/bin/cat")).isExecutable()) GTEST_SKIP();
    // cat never prompts, so the look-up is still waiting when the last owner
    // lets the controller go.
    AnalyserPath path(QStringLiteral("/bin/cat"));
    auto controller = std::make_shared<DictionaryController>();
    controller->setShutdownGrace(100ms);
    controller->startLatinProcess();
    Pending p;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, p.block());
    ASSERT_TRUE(waitFor([&] { return controller->processId() != 0; }));
    controller.reset();
    expectEmptyAnswer(p);
}

TEST(AnalyserQueries, CleaningRemovesWhatWouldDesynchroniseTheExchange) {
    const std::pair<const char*, const char*> rows[] = {
        {"amo", "amo\n"}, {"  amō  ", "amo\n"}, {"quid?", "quid .\n"}, {"#amo", ".amo\n"},
        {"@/etc/hostname", "/etc/hostname\n"}, {"~E", "E\n"}, {"a\nb\r\tc", "a b  c\n"},
        {"|", ""}, {"   ", ""}, {"?!#", ""}};
    for (const auto& [query, cleaned] : rows)
        EXPECT_EQ(DictionaryController::cleanQuery(QString::fromUtf8(query)), QString::fromUtf8(cleaned)) << query;
    const QString longLine = DictionaryController::cleanQuery(QStringLiteral("et ").repeated(2000));
    EXPECT_LE(longLine.size(), DictionaryController::kMaxQueryLength + 1);
    EXPECT_TRUE(longLine.endsWith(QStringLiteral("et\n")));
}

TEST(AnalyserQueries, SetUpScriptHasItsFortyEightLines) {
    const auto& script = DictionaryController::setUpScript();
    ASSERT_EQ(script.size(), 48u);
    EXPECT_EQ(script[0].line, QStringLiteral("#\n"));
    EXPECT_EQ(script[17].line, QStringLiteral("!\n"));
    int blanks = 0;
    for (const auto& s : script) blanks += s.line == QStringLiteral("\n");
    EXPECT_EQ(blanks, 10 + 3 + 16 + 1 + 9);
}

namespace {

// A stand-in analyser written as a shell script, for the failures the real
// one cannot be made to show.
struct FakeAnalyser {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("fake-words"));
    AnalyserPath use{path};
    explicit FakeAnalyser(const QByteArray& body) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

}  // namespace

TEST(AnalyserFailures, SetUpOutOfStepGivesUpInsteadOfSendingBlankLines) {
    ensureApplication();
    if (!QFileInfo(QStringLiteral("/bin/sh")).isExecutable()) GTEST_SKIP();
    CaptureLogger::Scope log;
    // Every answer names a parameter the script does not expect; a blank line
    // would be recorded in the marker file.
    QTemporaryDir marks;
    const QByteArray marker = QFile::encodeName(marks.filePath(QStringLiteral("blank")));
    FakeAnalyser fake("printf 'Version 9.9\\n\\n=>'\nwhile read l; do [ -z \"$l\" ] && touch '" + marker +
                      "'; printf 'SOMETHING_ELSE ?   (Currently  N =>'; done\n");
    auto controller = std::make_shared<DictionaryController>();
    controller->startLatinProcess();
    controller->loadDictionaryPrefs();
    Pending p;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, p.block());
    expectEmptyAnswer(p);
    EXPECT_FALSE(controller->isAvailable());
    EXPECT_TRUE(log->contains(QStringLiteral("out of step")));
    EXPECT_EQ(controller->dictionaryVersion(), QStringLiteral("9.9"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromLocal8Bit(marker)));
    controller->terminate();
}

TEST(AnalyserFailures, ExitIsLoggedWithItsCodeAndRestartedOnce) {
    ensureApplication();
    if (!QFileInfo(QStringLiteral("/bin/sh")).isExecutable()) GTEST_SKIP();
    CaptureLogger::Scope log;
    FakeAnalyser fake("printf 'banner\\n=>'\nread l\nexit 3\n");
    auto controller = std::make_shared<DictionaryController>();
    controller->startLatinProcess();
    Pending first;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, first.block());
    ASSERT_FALSE(timedOut(first.get()));
    ASSERT_TRUE(waitFor([&] { return log->contains(QStringLiteral("exited with code 3")); }));
    // The restarted one ends the same way; then the analyser is given up.
    Pending second;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, second.block());
    ASSERT_FALSE(timedOut(second.get()));
    ASSERT_TRUE(waitFor([&] { return !controller->isAvailable(); }));
    Pending third;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, third.block());
    EXPECT_FALSE(timedOut(third.get()));
    controller->terminate();
}

// ---- Calls from completion blocks, restarts and back-off ----

TEST_F(AnalyserProcess, CompletionBlocksMayEndOrUseTheController) {
    // A block that terminates the controller while more look-ups wait:
    // it runs once, and each waiting block once, empty.
    std::atomic<int> calls{0};
    std::promise<TSDictionaryResult> first;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, [&](const TSDictionaryResult& r) {
        ++calls;
        controller->terminate();
        first.set_value(r);
    });
    Pending waiting;
    controller->translateToEnglish(QStringLiteral("arma"), 0, 0, waiting.block());
    auto f = first.get_future();
    ASSERT_EQ(f.wait_for(kCeiling), std::future_status::ready);
    EXPECT_FALSE(TSDictionary::parsedWords(f.get()).empty());
    expectEmptyAnswer(waiting);
    EXPECT_FALSE(controller->isAvailable());
    EXPECT_EQ(controller->processId(), 0);
    Pending after;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, after.block());
    expectEmptyAnswer(after);
    // Blocks are called in order: by now a second call would have come.
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(AnalyserProcess, CompletionBlocksMayChainLookUpsAndRestart) {
    // A second start and a look-up from inside a block, a restart from
    // inside the next one, then a terminate handed to another thread by a
    // block: each block once.
    std::atomic<int> calls{0};
    Pending last;
    const qint64 pid = controller->processId();
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, [&](const TSDictionaryResult&) {
        ++calls;
        controller->startLatinProcess();
        controller->translateToEnglish(QStringLiteral("arma"), 0, 0, [&](const TSDictionaryResult&) {
            ++calls;
            controller->restartSubprocess();
            controller->translateToEnglish(QStringLiteral("sum"), 0, 0, last.block());
        });
    });
    const TSDictionaryResult sum = last.get();
    ASSERT_FALSE(timedOut(sum));
    EXPECT_EQ(headwords(TSDictionary::parsedWords(sum)), QStringList{QStringLiteral("sum esse fui futurus")});
    EXPECT_EQ(calls.load(), 2);
    EXPECT_NE(controller->processId(), pid);  // the restart's, not a second start's

    std::promise<void> ended;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, [&](const TSDictionaryResult&) {
        ts::DispatchQueue::global()->async([&] {
            controller->terminate();
            ended.set_value();
        });
    });
    EXPECT_EQ(ended.get_future().wait_for(kCeiling), std::future_status::ready);
    EXPECT_FALSE(controller->isAvailable());
}

TEST_F(AnalyserProcess, RestartAllowanceComesBackOnceTheRestartedProgramIsSetUp) {
    ASSERT_FALSE(timedOut(latin(QStringLiteral("amo"))));
    CaptureLogger::Scope log;
    // Two crashes with no look-up between them: each is restarted.
    qint64 pid = controller->processId();
    for (int crash = 0; crash < 2; ++crash) {
        ASSERT_GT(pid, 0);
        ::kill(pid_t(pid), SIGKILL);
        ASSERT_TRUE(waitFor([&] {
            return controller->processId() > 0 && controller->processId() != pid &&
                   controller->currentStatus() == DictionaryController::Idle;
        })) << crash;
        pid = controller->processId();
    }
    EXPECT_TRUE(controller->isAvailable());
    const TSDictionaryResult r = latin(QStringLiteral("arma"));
    ASSERT_FALSE(timedOut(r));
    EXPECT_TRUE(headwords(TSDictionary::parsedWords(r)).contains(QStringLiteral("armum armi")));
}

TEST(AnalyserFailures, GivenUpAnalyserIsTriedAgainAfterTheBackOff) {
    ensureApplication();
    if (!analyserInstalled() || !QFileInfo(QStringLiteral("/bin/sh")).isExecutable()) GTEST_SKIP();
    CaptureLogger::Scope log;
    // The stand-in fails until the marker exists, then runs the real program.
    QTemporaryDir marks;
    const QByteArray marker = QFile::encodeName(marks.filePath(QStringLiteral("ready")));
    FakeAnalyser fake("[ -f '" + marker + "' ] && exec '" +
                      QFile::encodeName(DictionaryController::findAnalyserProgram(QString())) + "'\nexit 4\n");
    auto controller = std::make_shared<DictionaryController>();
    std::mutex m;
    QList<bool> reports;
    controller->setAvailabilityObserver([&](bool available) {
        std::lock_guard<std::mutex> lock(m);
        reports << available;
    });
    // Long enough that the look-up below comes within it even on a loaded
    // machine; the wait for its end below is a condition, not a delay.
    controller->setRetryDelay(3s);
    controller->startLatinProcess();
    controller->loadDictionaryPrefs();
    Pending down;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, down.block());
    expectEmptyAnswer(down);
    ASSERT_TRUE(waitFor([&] { return !controller->isAvailable(); }));
    // Within the back-off a look-up is answered at once, without a start.
    Pending early;
    controller->translateToEnglish(QStringLiteral("amo"), 0, 0, early.block());
    expectEmptyAnswer(early);

    QFile(QString::fromLocal8Bit(marker)).open(QIODevice::WriteOnly);
    // Look-ups answer empty until the back-off has passed, then the program
    // starts again.
    TSDictionaryResult r;
    ASSERT_TRUE(waitFor([&] {
        Pending again;
        controller->translateToEnglish(QStringLiteral("amo"), 0, 0, again.block());
        r = again.get();
        return !timedOut(r) && !TSDictionary::parsedWords(r).empty();
    }));
    EXPECT_EQ(headwords(TSDictionary::parsedWords(r)), QStringList{QStringLiteral("amo amare amavi amatus")});
    EXPECT_TRUE(controller->isAvailable());
    EXPECT_TRUE(log->contains(QStringLiteral("exited with code 4")));
    {
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(reports, (QList<bool>{false, true}));
    }
    controller->terminate();
}

TEST(AnalyserQueries, ACutQueryIsLogged) {
    CaptureLogger::Scope log;
    const QString cut = DictionaryController::cleanQuery(QStringLiteral("et ").repeated(400));
    EXPECT_LE(cut.size(), DictionaryController::kMaxQueryLength + 1);
    EXPECT_TRUE(log->contains(QStringLiteral("Query of 1199 characters cut to")));
    CaptureLogger::Scope quiet;
    DictionaryController::cleanQuery(QStringLiteral("et ").repeated(300));
    EXPECT_FALSE(quiet->contains(QStringLiteral("cut to")));
}
