#pragma once
// The analyser dictionary: look-ups answered by the outside Latin analyser
// ("words", Debian's whitakers-words), run as a child process and spoken to
// line by line over its standard input and output.
//
// Requests (set-up lines, mode switches, queries) wait in one queue and are
// written one at a time; each is answered when the analyser's prompt comes
// back. The pager line the analyser prints every screenful is answered and
// removed from the output. A look-up's completion block receives the result
// map with "raw output" (the answer without prompt and pager lines),
// "parsed words" (entry trees, see DictionaryControllerParser) and
// "input string" (the cleaned line actually written, with its line feed).
//
// Threads: every request state change and every write happens on the serial
// queue "analysis queue for DictionaryController"; completion blocks run on
// it too, so callers that touch a window hop to the main queue themselves.
// The child process itself is owned by a private I/O thread with its own
// event loop, so the application's main loop need not run; a
// QCoreApplication object must exist (without one the start fails, logged).
// The public operations may be called from any thread.
//
// Failures never reach callers as exceptions and never leave a block
// uncalled: a query that cleans to nothing, a launch failure, an analyser
// that exits or gives no answer within the timeout, and a set-up dialogue
// that goes out of step each answer the affected requests with an empty
// result (logged). After an unexpected end the program is restarted, and
// look-ups still waiting go to the new one; the allowance of one restart is
// given back once a restarted program has passed its set-up. When a restart
// fails too, the analyser reports itself unavailable (isAvailable, the
// availability observer) and answers requests at once with an empty result,
// until a look-up after the back-off starts it again.
//
// Completion blocks may call any public operation, terminate included: a
// request leaves the controller before its block runs, so no block is called
// twice or destroyed while it runs.
//
// Settings are injected (setSettingsProvider) because this library sits
// below the application's settings object: the application hands in the
// analyser path, the communications-logging switch and the look-up options.

#include "dictionaries/DictionaryControllerParser.h"
#include "dictionaries/TSDictionary.h"
#include "dictionaries/TSDictionaryPrefs.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QTemporaryDir;
class DictionaryController;
using DictionaryControllerPtr = std::shared_ptr<DictionaryController>;

class DictionaryController : public TSDictionary, public DictionaryControllerParser {
    TS_OBJECT(DictionaryController, TSDictionary)

public:
    // What the controller reads of the application's settings.
    struct Settings {
        QString analyserPath;                  // empty: the default program
        bool logCommunications = false;        // log every line written and chunk read
        TSDictionaryPrefsPtr dictionaryPrefs;  // null: the defaults
    };
    using SettingsProvider = std::function<Settings()>;
    // Installs the source of the settings (the defaults until one is set).
    static void setSettingsProvider(SettingsProvider provider);
    static Settings settings();

    // The status machine of the exchange.
    enum Status : quint16 {
        Started = 0,         // waiting for the banner
        Idle = 1,
        SwitchingMode = 2,
        AnsweringSetUp = 3,
        EnglishToLatin = 4,
        LatinToEnglish = 5,
    };
    // Kinds of request, each setting the status it is answered in.
    enum RequestType : qint32 { SetUpLine = 1, ModeSwitch = 2, EnglishQuery = 3, LatinQuery = 4 };

    // One waiting request. `expected` is, for a set-up line, the text the
    // analyser's next question must hold (empty: its main prompt).
    struct QueuedString {
        qint32 type = 0;
        QString string;
        TSDictionaryBlock callback;
        QString expected;
        bool endsSetUp = false;  // the set-up script's last line
        static QueuedString makeNewString(const QString& string, qint32 type, TSDictionaryBlock callback);
    };

    struct SetUpStep {
        QString line;
        QString expected;
    };
    // The fixed answers that set the analyser up, with what each answer
    // makes it ask next.
    static const std::vector<SetUpStep>& setUpScript();

    static constexpr const char* kDefaultProgram = "/usr/bin/whitakers-words";
    // A bound well inside the input line the analyser reads in one piece;
    // a longer query is cut at a word (logged).
    static constexpr int kMaxQueryLength = 1000;
    static constexpr std::chrono::milliseconds kDefaultAnswerTimeout{15000};
    static constexpr std::chrono::milliseconds kDefaultShutdownGrace{1000};
    // After the analyser was given up, the first look-up after this delay
    // starts it again; every failed attempt doubles the delay, up to the
    // maximum, and a program that passes its set-up resets it.
    static constexpr std::chrono::milliseconds kDefaultRetryDelay{10000};
    static constexpr std::chrono::milliseconds kMaximumRetryDelay{600000};

    DictionaryController();
    ~DictionaryController() override;

    // The shared instance, made and started on first use.
    static DictionaryControllerPtr dictionary();
    // At launch: the shared instance with its set-up script queued.
    static void initialiseDictionary();
    // At quit: ends the shared instance's process.
    static void terminateDictionary();

    // Starts the analyser in a private empty working folder; does nothing
    // while it runs (restartSubprocess replaces a running one).
    void startLatinProcess();
    // Queues the set-up script for the current look-up options.
    void loadDictionaryPrefs();
    void setupDictionary(const TSDictionaryPrefsPtr& prefs);

    using TSDictionary::translateToEnglish;
    // Queue a look-up; the type code and entry type are not used.
    void translateToEnglish(const QString& query, int type, int entryType, TSDictionaryBlock block) override;
    void translateToLatin(const QString& query, int type, int entryType, TSDictionaryBlock block) override;
    // The one entry into the request queue. The string is written as given.
    void queueString(const QString& string, qint32 type, TSDictionaryBlock callback);

    // Ends the process: two blank lines, input closed, terminated after the
    // grace period, killed if it still runs. Pending blocks are answered
    // empty. Returns when the process has ended. Safe from a completion
    // block: the block is not called again.
    void terminate();
    // Ends the process and starts a new one.
    void restartSubprocess();

    // The line a query is written as (with its line feed), or an empty
    // string when nothing of it is left to ask.
    static QString cleanQuery(const QString& query);
    // The program to run for a configured path: the path itself when set,
    // else the default program, else "whitakers-words" on the PATH; empty
    // when none is found.
    static QString findAnalyserProgram(const QString& configured);

    // Snapshots, readable from any thread.
    quint16 currentStatus() const { return status_.load(); }
    bool inLatinMode() const { return inLatinMode_.load(); }
    bool inDictionaryMode() const { return inDictionaryMode_.load(); }
    // NO once the analyser has been given up (it could not be started, or
    // failed again right after a restart) or terminated; a given-up analyser
    // is tried again by a look-up after the back-off.
    bool isAvailable() const { return available_.load(); }
    // Told, on the analysis queue, when the analyser is given up (false) and
    // when a later start of it has passed its set-up again (true); the
    // dictionary window shows from it that the analyser is down.
    using AvailabilityObserver = std::function<void(bool available)>;
    void setAvailabilityObserver(AvailabilityObserver observer);
    QString dictionaryVersion() const;
    qint64 processId() const { return processId_.load(); }
    QString workingDirectory() const;
    ts::DispatchQueuePtr analysisQueue() const { return queue_; }

    void setAnswerTimeout(std::chrono::milliseconds timeout) { answerTimeout_ = timeout; }
    void setShutdownGrace(std::chrono::milliseconds grace) { shutdownGrace_ = grace; }
    void setRetryDelay(std::chrono::milliseconds delay);

private:
    struct Channel;
    struct Event;

    DictionaryControllerPtr self();
    void handleEvent(const Event& event);
    // All below run on the analysis queue.
    void queueLookUp(const QString& line, qint32 type, TSDictionaryBlock block);
    void queueLookUpOnQueue(QueuedString request);
    void startProcessOnQueue();
    void queueSetUpScriptOnQueue();
    void enqueue(QueuedString request);
    void send(QueuedString request);
    void sendData(const QString& string);
    void sendNextStringInQueue();
    void handleIncomingData(const QString& chunk);
    bool answerPagers();
    bool cursorHasBeenFound() const;
    void handleAnswer();
    void handleTimeout(quint64 serial);
    void taskCompleted(int exitCode, bool crashed, const QString& error);
    void launchFailed(const QString& error);
    void failPendingRequests();
    void answerEmpty(const QueuedString& request);
    void markUnusable();
    void setUpPassed();
    void retryIfDue();
    void notifyAvailability(bool available);
    void armTimeout();
    void killTask(bool hard);

    ts::DispatchQueuePtr queue_;
    std::unique_ptr<Channel> channel_;
    std::unique_ptr<QTemporaryDir> workingDir_;

    // Analysis-queue state.
    QString currentTranslation_;
    std::deque<QueuedString> queuedStringsToSend_;
    QueuedString current_;
    bool queuedLatinMode_ = true;  // the mode once every queued switch is done
    bool doRestart_ = false;
    bool terminating_ = false;
    bool running_ = false;
    bool pagerNewlinePending_ = false;
    bool expectingExit_ = false;
    int restartsLeft_ = 1;
    std::chrono::milliseconds firstRetryDelay_{kDefaultRetryDelay};
    std::chrono::milliseconds retryDelay_{kDefaultRetryDelay};
    std::chrono::steady_clock::time_point retryAt_{};
    bool reportedDown_ = false;
    quint64 generation_ = 0;
    quint64 requestSerial_ = 0;
    quint64 armedSerial_ = 0;
    ts::DispatchTimerPtr timeoutTimer_;
    std::chrono::milliseconds answerTimeout_{kDefaultAnswerTimeout};
    std::chrono::milliseconds shutdownGrace_{kDefaultShutdownGrace};

    // Snapshots.
    std::atomic<quint16> status_{Started};
    std::atomic<bool> inLatinMode_{true};
    std::atomic<bool> inDictionaryMode_{false};
    std::atomic<bool> available_{true};
    std::atomic<qint64> processId_{0};
    std::mutex observerMutex_;
    AvailabilityObserver availabilityObserver_;
    mutable std::mutex versionMutex_;
    QString dictionaryVersion_;
};
