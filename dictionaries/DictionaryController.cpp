#include "DictionaryController.h"

#include "app/logging/LGLog.h"
#include "morphology/VowelLength.h"
#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

TS_REGISTER_CLASS(DictionaryController)

namespace {

const QString kPagerText = QStringLiteral("MORE - hit RETURN/ENTER to continue");
const QString kLookUpPrompt = QStringLiteral("\n=>");
const QString kPrompt = QStringLiteral("=>");
const QString kToLatinSwitch = QStringLiteral("~L\n");
const QString kToEnglishSwitch = QStringLiteral("~E\n");

std::mutex& settingsMutex() {
    static std::mutex m;
    return m;
}

DictionaryController::SettingsProvider& settingsProvider() {
    static DictionaryController::SettingsProvider provider;
    return provider;
}

}  // namespace

// ---- Events from the I/O thread ----

struct DictionaryController::Event {
    enum Kind { Output, Started, Finished, LaunchFailed, WriteFailed } kind = Output;
    quint64 generation = 0;
    QString text;
    int exitCode = 0;
    bool crashed = false;
    qint64 pid = 0;
};

// The child process lives on a thread of its own with an event loop: QProcess
// needs one, and the analysis queue's workers come and go. Everything that
// touches the QProcess runs on that thread; results go back as events.
struct DictionaryController::Channel {
    using Sink = std::function<void(const Event&)>;

    explicit Channel(Sink s) : sink(std::move(s)) {
        thread.setObjectName(QStringLiteral("analyser I/O"));
        context = new QObject;
        context->moveToThread(&thread);
        thread.start();
    }

    ~Channel() {
        onThreadAndWait([this] { drop(std::chrono::milliseconds(200)); });
        thread.quit();
        thread.wait();
        delete context;
    }

    void onThread(std::function<void()> f) { QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection); }

    void onThreadAndWait(const std::function<void()>& f) {
        if (QThread::currentThread() == &thread) f();
        else QMetaObject::invokeMethod(context, f, Qt::BlockingQueuedConnection);
    }

    void start(quint64 generation, const QString& program, const QString& directory) {
        onThread([this, generation, program, directory] {
            drop(std::chrono::milliseconds(0));
            auto* p = new QProcess;
            process = p;
            processGeneration = generation;
            p->setProgram(program);
            p->setArguments({});
            p->setWorkingDirectory(directory);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("NSUnbufferedIO"), QStringLiteral("YES"));
            p->setProcessEnvironment(env);
            ts::ChildProcess::confine(*p);
            QObject::connect(p, &QProcess::readyReadStandardOutput, p, [this, p, generation] {
                const QByteArray data = p->readAllStandardOutput();
                // Latin-1 decodes every byte, so no chunk (and no prompt in
                // it) can be lost to a decoding error.
                if (!data.isEmpty()) sink(Event{Event::Output, generation, QString::fromLatin1(data)});
            });
            QObject::connect(p, &QProcess::readyReadStandardError, p, [p] {
                const QByteArray data = p->readAllStandardError();
                if (!data.isEmpty()) TSLogError("latin_tool error: %@", QString::fromLatin1(data));
            });
            QObject::connect(p, &QProcess::started, p, [this, p, generation] {
                Event e{Event::Started, generation, QString()};
                e.pid = p->processId();
                sink(e);
            });
            QObject::connect(p, &QProcess::finished, p, [this, p, generation](int code, QProcess::ExitStatus status) {
                Event e{Event::Finished, generation, QString()};
                e.exitCode = code;
                e.crashed = status == QProcess::CrashExit;
                e.text = p->errorString();
                sink(e);
                release(p);
            });
            QObject::connect(p, &QProcess::errorOccurred, p, [this, p, generation](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    sink(Event{Event::LaunchFailed, generation, p->errorString()});
                    release(p);
                } else if (error == QProcess::WriteError) {
                    sink(Event{Event::WriteFailed, generation, p->errorString()});
                }
            });
            p->start(QIODevice::ReadWrite);
        });
    }

    void write(quint64 generation, const QByteArray& bytes) {
        onThread([this, generation, bytes] {
            if (!process || processGeneration != generation || process->state() != QProcess::Running) {
                sink(Event{Event::WriteFailed, generation, QStringLiteral("the analyser is not running")});
                return;
            }
            if (process->write(bytes) != bytes.size())
                sink(Event{Event::WriteFailed, generation, process->errorString()});
        });
    }

    // Input closed and a termination request; killed if still running after
    // the grace period. `hard` kills at once (a hung analyser).
    void kill(quint64 generation, bool hard, std::chrono::milliseconds grace) {
        onThread([this, generation, hard, grace] {
            QProcess* p = process;
            if (!p || processGeneration != generation) return;
            if (hard) {
                p->kill();
                return;
            }
            p->closeWriteChannel();
            p->terminate();
            QTimer::singleShot(int(grace.count()), p, [p] { p->kill(); });
        });
    }

    // The orderly end: two blank lines end the analyser's session, closing
    // its input ends its reading; then a termination request, then a kill.
    void shutdown(std::chrono::milliseconds grace) { onThreadAndWait([this, grace] { drop(grace); }); }

    void drop(std::chrono::milliseconds grace) {
        QProcess* p = process;
        if (!p) return;
        process = nullptr;
        QObject::disconnect(p, nullptr, nullptr, nullptr);
        if (p->state() != QProcess::NotRunning) {
            if (p->state() == QProcess::Running && grace.count() > 0) {
                p->write("\n\n");
                p->closeWriteChannel();
                p->waitForFinished(int(grace.count()));
            }
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(int(std::max<qint64>(grace.count(), 100)))) {
                    p->kill();
                    p->waitForFinished(1000);
                }
            }
        }
        delete p;
    }

    void release(QProcess* p) {
        if (process == p) process = nullptr;
        QObject::disconnect(p, nullptr, nullptr, nullptr);
        p->deleteLater();
    }

    Sink sink;
    QThread thread;
    QObject* context = nullptr;
    // Used on the I/O thread only.
    QProcess* process = nullptr;
    quint64 processGeneration = 0;
};

// ---- Settings ----

void DictionaryController::setSettingsProvider(SettingsProvider provider) {
    std::lock_guard<std::mutex> lock(settingsMutex());
    settingsProvider() = std::move(provider);
}

DictionaryController::Settings DictionaryController::settings() {
    SettingsProvider provider;
    {
        std::lock_guard<std::mutex> lock(settingsMutex());
        provider = settingsProvider();
    }
    return provider ? provider() : Settings{};
}

// ---- Construction ----

DictionaryController::QueuedString DictionaryController::QueuedString::makeNewString(const QString& string, qint32 type,
                                                                                    TSDictionaryBlock callback) {
    QueuedString q;
    q.type = type;
    q.string = string;
    q.callback = std::move(callback);
    return q;
}

DictionaryController::DictionaryController()
    : queue_(ts::DispatchQueue::createSerial(
          QString::fromLatin1(QStringLiteral("analysis queue for %1").arg(staticClassName()).toLatin1()))) {
    setName(QStringLiteral("words"));
}

DictionaryController::~DictionaryController() {
    // Nothing can run on the analysis queue for this object any more (every
    // task there holds a strong reference), so what still waits is answered
    // here: a caller must never wait for an answer that cannot come.
    failPendingRequests();
    // The channel's destructor ends the process and the I/O thread; nothing
    // there holds this object, so it never runs on that thread.
    channel_.reset();
}

DictionaryControllerPtr DictionaryController::self() {
    auto s = std::static_pointer_cast<DictionaryController>(weak_from_this().lock());
    if (!s) TSLogError("DictionaryController used without a shared owner; request ignored");
    return s;
}

DictionaryControllerPtr DictionaryController::dictionary() {
    static std::mutex m;
    static DictionaryControllerPtr shared;
    std::lock_guard<std::mutex> lock(m);
    if (!shared) {
        shared = std::make_shared<DictionaryController>();
        Q_ASSERT_X(shared, "DictionaryController::dictionary", "unable to make Dictionary");
        shared->startLatinProcess();
    }
    return shared;
}

void DictionaryController::initialiseDictionary() {
    auto d = dictionary();
    Q_ASSERT_X(d, "DictionaryController::initialiseDictionary", "unable to make Dictionary");
    d->loadDictionaryPrefs();
}

void DictionaryController::terminateDictionary() { dictionary()->terminate(); }

const std::vector<DictionaryController::SetUpStep>& DictionaryController::setUpScript() {
    // Each answer is paired with the question the analyser asks next; the
    // first 17 lines walk its parameters (turning on age, frequency and
    // examples), "!" opens the developer parameters (archaic and uncommon
    // forms kept, i for j and u for v on). Empty: back at the main prompt.
    static const std::vector<SetUpStep> script = [] {
        std::vector<SetUpStep> s;
        auto add = [&s](const char* line, const char* expected) {
            s.push_back({QString::fromLatin1(line), QString::fromLatin1(expected)});
        };
        add("#\n", "TRIM_OUTPUT ?");
        for (const char* next : {"HAVE_OUTPUT_FILE ?", "DO_UNKNOWNS_ONLY ?", "WRITE_UNKNOWNS_TO_FILE ?",
                                 "IGNORE_UNKNOWN_NAMES ?", "IGNORE_UNKNOWN_CAPS ?", "DO_COMPOUNDS ?", "DO_FIXES ?",
                                 "DO_TRICKS ?", "DO_DICTIONARY_FORMS ?", "SHOW_AGE ?"})
            add("\n", next);
        for (const char* next : {"SHOW_FREQUENCY ?", "DO_EXAMPLES ?", "DO_ONLY_MEANINGS ?"}) add("Y\n", next);
        for (const char* next : {"DO_STEMS_FOR_UNKNOWN ?", "Do you wish to save", ""}) add("\n", next);
        add("!\n", "HAVE_STATISTICS_FILE ?");
        for (const char* next :
             {"DO_ONLY_INITIAL_WORD ?", "SHOW_DICTIONARY ?", "SHOW_DICTIONARY_LINE ?", "SHOW_DICTIONARY_CODES ?",
              "DO_PEARSE_CODES ?", "DO_ONLY_FIXES ?", "DO_FIXES_ANYWAY ?", "USE_PREFIXES ?", "USE_SUFFIXES ?",
              "USE_TACKONS ?", "DO_MEDIEVAL_TRICKS ?", "DO_SYNCOPE ?", "DO_TWO_WORDS ?", "INCLUDE_UNKNOWN_CONTEXT ?",
              "NO_MEANINGS ?", "OMIT_ARCHAIC ?"})
            add("\n", next);
        add("N\n", "OMIT_MEDIEVAL ?");
        add("\n", "OMIT_UNCOMMON ?");
        add("N\n", "DO_I_FOR_J ?");
        add("Y\n", "DO_U_FOR_V ?");
        add("Y\n", "PAUSE_IN_SCREEN_OUTPUT ?");
        for (const char* next :
             {"NO_SCREEN_ACTIVITY ?", "UPDATE_LOCAL_DICTIONARY ?", "UPDATE_MEANINGS ?", "MINIMIZE_OUTPUT ?",
              "START_FILE_CHARACTER ?", "CHANGE_PARAMETERS_CHARACTER ?", "CHANGE_DEVELOPER_MODES_CHARACTER ?",
              "Do you wish to save", ""})
            add("\n", next);
        return s;
    }();
    return script;
}

QString DictionaryController::findAnalyserProgram(const QString& configured) {
    if (!configured.isEmpty()) {
        if (configured.contains(QLatin1Char('/'))) return configured;
        const QString found = QStandardPaths::findExecutable(configured);
        return found.isEmpty() ? configured : found;
    }
    const QString fallback = QString::fromLatin1(kDefaultProgram);
    if (QFileInfo(fallback).isExecutable()) return fallback;
    return QStandardPaths::findExecutable(QStringLiteral("whitakers-words"));
}

QString DictionaryController::cleanQuery(const QString& query) {
    const QString folded = foldLatinString(query);
    QString out;
    out.reserve(folded.size() + 8);
    bool hasWord = false;
    for (QChar c : folded) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029) {
            out += QLatin1Char(' ');  // a line end would make two requests of one
        } else if (u == '@' || u == '~') {
            out += QLatin1Char(' ');  // a file to read, a mode switch
        } else if (u == '#' || u == '!' || u == '?' || u == '(' || u == ')') {
            out += QLatin1String(" .");  // parameter dialogues and help
        } else if (u > 0x7E) {
            out += QLatin1Char(' ');  // the analyser reads plain ASCII words
        } else {
            if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) hasWord = true;
            out += c;
        }
    }
    // A line of blanks would be read as the first of the two blank lines that
    // end the analyser's session.
    if (!hasWord) return QString();
    out = out.trimmed();
    if (out.size() > kMaxQueryLength) {
        const qsizetype length = out.size();
        const qsizetype cut = out.lastIndexOf(QLatin1Char(' '), kMaxQueryLength);
        out.truncate(cut > 0 ? cut : kMaxQueryLength);
        out = out.trimmed();
        TSLogError("Query of %ld characters cut to %ld: %@", qint64(length), qint64(out.size()), out.right(40));
    }
    return out + QLatin1Char('\n');
}

QString DictionaryController::dictionaryVersion() const {
    std::lock_guard<std::mutex> lock(versionMutex_);
    return dictionaryVersion_;
}

QString DictionaryController::workingDirectory() const {
    auto q = queue_;
    QString path;
    q->sync([this, &path] {
        if (workingDir_) path = workingDir_->path();
    });
    return path;
}

// ---- Public operations ----

void DictionaryController::startLatinProcess() {
    auto s = self();
    if (!s) return;
    queue_->async([s] {
        // A second start (from a completion block, say) would drop the
        // running program and the request it is answering.
        if (s->running_) return;
        s->startProcessOnQueue();
    });
}

void DictionaryController::loadDictionaryPrefs() { setupDictionary(settings().dictionaryPrefs); }

void DictionaryController::setupDictionary(const TSDictionaryPrefsPtr&) {
    // The script does not vary with the options.
    auto s = self();
    if (!s) return;
    queue_->async([s] { s->queueSetUpScriptOnQueue(); });
}

void DictionaryController::translateToEnglish(const QString& query, int, int, TSDictionaryBlock block) {
    queueLookUp(cleanQuery(query), LatinQuery, std::move(block));
}

void DictionaryController::translateToLatin(const QString& query, int, int, TSDictionaryBlock block) {
    queueLookUp(cleanQuery(query), EnglishQuery, std::move(block));
}

void DictionaryController::queueLookUp(const QString& line, qint32 type, TSDictionaryBlock block) {
    auto s = self();
    if (!s) return;
    queue_->async([s, line, type, block = std::move(block)]() mutable {
        QueuedString request = QueuedString::makeNewString(line, type, std::move(block));
        if (!line.isEmpty() && !s->available_) s->retryIfDue();
        if (line.isEmpty() || !s->available_) {
            s->answerEmpty(request);
            return;
        }
        s->queueLookUpOnQueue(std::move(request));
    });
}

void DictionaryController::queueLookUpOnQueue(QueuedString request) {
    if (!inDictionaryMode_) queueSetUpScriptOnQueue();
    // The mode is decided against the mode the analyser will be in once
    // everything queued before has run, so two look-ups in a row switch once.
    const bool wantLatin = request.type == LatinQuery;
    if (queuedLatinMode_ != wantLatin) {
        enqueue(QueuedString::makeNewString(wantLatin ? kToLatinSwitch : kToEnglishSwitch, ModeSwitch, {}));
        queuedLatinMode_ = wantLatin;
    }
    enqueue(std::move(request));
}

void DictionaryController::queueString(const QString& string, qint32 type, TSDictionaryBlock callback) {
    auto s = self();
    if (!s) return;
    QueuedString request = QueuedString::makeNewString(string, type, std::move(callback));
    queue_->async([s, request] { s->enqueue(request); });
}

void DictionaryController::terminate() {
    // Also called from completion blocks, which run on the analysis queue:
    // there the task runs at once, and the state is settled before any block
    // still waiting is answered, so a block that calls in again finds the
    // controller ended.
    auto q = queue_;
    q->sync([this] {
        terminating_ = true;
        ++generation_;  // whatever the old process still reports is ignored
        running_ = false;
        available_ = false;
        inDictionaryMode_ = false;
        status_ = Started;
        failPendingRequests();
    });
    if (channel_) channel_->shutdown(shutdownGrace_);
    processId_ = 0;
}

void DictionaryController::restartSubprocess() {
    auto s = self();
    if (!s) return;
    queue_->async([s] {
        if (!s->running_) {
            s->startProcessOnQueue();
            if (s->inDictionaryMode_) s->queueSetUpScriptOnQueue();
            return;
        }
        s->doRestart_ = true;
        s->killTask(false);
    });
}

// ---- On the analysis queue ----

void DictionaryController::startProcessOnQueue() {
    if (!channel_) {
        // Events wait in an inbox that one task on the analysis queue empties;
        // output that arrives while that task is pending joins the last chunk
        // instead of costing a task of its own.
        struct Inbox {
            std::mutex mutex;
            std::vector<Event> events;
            bool scheduled = false;
        };
        auto inbox = std::make_shared<Inbox>();
        std::weak_ptr<DictionaryController> weak = self();
        auto queue = queue_;
        channel_ = std::make_unique<Channel>([weak, queue, inbox](const Event& event) {
            {
                std::lock_guard<std::mutex> lock(inbox->mutex);
                if (event.kind == Event::Output && !inbox->events.empty() &&
                    inbox->events.back().kind == Event::Output &&
                    inbox->events.back().generation == event.generation)
                    inbox->events.back().text += event.text;
                else
                    inbox->events.push_back(event);
                if (inbox->scheduled) return;
                inbox->scheduled = true;
            }
            queue->async([weak, inbox] {
                std::vector<Event> events;
                {
                    std::lock_guard<std::mutex> lock(inbox->mutex);
                    events.swap(inbox->events);
                    inbox->scheduled = false;
                }
                auto c = weak.lock();
                if (!c) return;
                for (const Event& e : events) c->handleEvent(e);
            });
        });
    }
    if (!workingDir_) {
        // The analyser reads settings files from its working folder at start
        // and may write files there: it gets an empty folder of its own.
        workingDir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tessarin-analyser-XXXXXX"));
        if (!workingDir_->isValid()) TSLogError("Error launching latinTask %@", workingDir_->errorString());
    }
    terminating_ = false;
    expectingExit_ = false;
    ++generation_;
    status_ = Started;
    inLatinMode_ = true;
    queuedLatinMode_ = true;
    currentTranslation_.clear();
    pagerNewlinePending_ = false;
    // Never drop a block unanswered; it is answered once the new state is
    // settled, in case it calls back in.
    struct AnswerLater {
        DictionaryController* c;
        QueuedString request;
        ~AnswerLater() { c->answerEmpty(request); }
    } dropped{this, std::exchange(current_, QueuedString())};
    available_ = true;
    running_ = true;
    processId_ = 0;
    if (!QCoreApplication::instance()) {
        launchFailed(QStringLiteral("no application object, which the analyser's I/O thread needs"));
        return;
    }
    const QString program = findAnalyserProgram(settings().analyserPath);
    if (program.isEmpty()) {
        launchFailed(QStringLiteral("no analyser program found (%1 or whitakers-words on the PATH)")
                         .arg(QString::fromLatin1(kDefaultProgram)));
        return;
    }
    channel_->start(generation_, program, workingDir_->isValid() ? workingDir_->path() : QDir::tempPath());
    ++requestSerial_;
    armTimeout();
}

void DictionaryController::queueSetUpScriptOnQueue() {
    inDictionaryMode_ = true;
    const auto& script = setUpScript();
    for (size_t k = 0; k < script.size(); ++k) {
        QueuedString q = QueuedString::makeNewString(script[k].line, SetUpLine, {});
        q.expected = script[k].expected;
        q.endsSetUp = k + 1 == script.size();
        enqueue(std::move(q));
    }
}

void DictionaryController::enqueue(QueuedString request) {
    if (!available_) {
        answerEmpty(request);
        return;
    }
    // Nothing is written to a program that is being ended: it waits for the
    // next one.
    if (status_ == Idle && running_ && !expectingExit_) send(std::move(request));
    else queuedStringsToSend_.push_back(std::move(request));
}

void DictionaryController::send(QueuedString request) {
    switch (request.type) {
    case SetUpLine: status_ = AnsweringSetUp; break;
    case ModeSwitch: status_ = SwitchingMode; break;
    case EnglishQuery: status_ = EnglishToLatin; break;
    case LatinQuery: status_ = LatinToEnglish; break;
    default: TSLogError("Help!  Somehow we got onto case #%d, which doesn't exist!", 1);
    }
    current_ = std::move(request);
    currentTranslation_.clear();
    ++requestSerial_;
    armTimeout();
    sendData(current_.string);
}

void DictionaryController::sendData(const QString& string) {
    if (!channel_ || !running_) {
        TSLogError("Error writing data %@", QStringLiteral("the analyser is not running"));
        return;
    }
    if (settings().logCommunications) TSLogError("\nSent---------------\n%@\n---------------", string);
    channel_->write(generation_, string.toLatin1());
}

void DictionaryController::sendNextStringInQueue() {
    status_ = Idle;
    current_ = QueuedString();
    if (queuedStringsToSend_.empty()) return;
    QueuedString next = std::move(queuedStringsToSend_.front());
    queuedStringsToSend_.pop_front();
    send(std::move(next));
}

void DictionaryController::handleEvent(const Event& event) {
    if (event.generation != generation_) return;  // from a process that has been replaced
    switch (event.kind) {
    case Event::Output: handleIncomingData(event.text); break;
    case Event::Started: processId_ = event.pid; break;
    case Event::Finished: taskCompleted(event.exitCode, event.crashed, event.text); break;
    case Event::LaunchFailed: launchFailed(event.text); break;
    case Event::WriteFailed: TSLogError("Error writing data %@", event.text); break;
    }
}

void DictionaryController::handleIncomingData(const QString& chunk) {
    if (settings().logCommunications) TSLogError("\nReceived*******\n%@\n**********", chunk);
    QString text = chunk;
    if (pagerNewlinePending_) {
        if (text.startsWith(QLatin1Char('\n'))) text.remove(0, 1);
        pagerNewlinePending_ = false;
    }
    currentTranslation_ += text;
    answerPagers();
    if (!cursorHasBeenFound()) return;
    handleAnswer();
}

bool DictionaryController::answerPagers() {
    bool answered = false;
    qsizetype at = 0;
    while ((at = currentTranslation_.indexOf(kPagerText, at)) >= 0) {
        // The whole line goes: its leading blanks and its line end.
        qsizetype start = at;
        while (start > 0 && currentTranslation_.at(start - 1) == QLatin1Char(' ')) --start;
        qsizetype end = at + kPagerText.size();
        if (end < currentTranslation_.size()) {
            if (currentTranslation_.at(end) == QLatin1Char('\n')) ++end;
        } else {
            pagerNewlinePending_ = true;
        }
        currentTranslation_.remove(start, end - start);
        at = start;
        // The pager waits for one line; it is not a request and changes no status.
        sendData(QStringLiteral("\n"));
        answered = true;
    }
    return answered;
}

bool DictionaryController::cursorHasBeenFound() const {
    // The analyser prints its prompt and then waits, so a prompt is only
    // ever at the end of what has arrived.
    const quint16 s = status_;
    return currentTranslation_.endsWith((s & ~1) == 4 ? kLookUpPrompt : kPrompt);
}

void DictionaryController::handleAnswer() {
    const quint16 s = status_;
    const QString& prompt = (s & ~1) == 4 ? kLookUpPrompt : kPrompt;
    const QString answer = currentTranslation_.left(currentTranslation_.size() - prompt.size());
    switch (s) {
    case Started: {
        const qsizetype at = answer.indexOf(QLatin1String("Version"));
        if (at >= 0) {
            const qsizetype from = at + 8;
            qsizetype to = answer.indexOf(QLatin1Char('\n'), from);
            if (to < 0) to = answer.size();
            const QString version = from < to ? answer.mid(from, to - from) : QString();
            std::lock_guard<std::mutex> lock(versionMutex_);
            dictionaryVersion_ = version;
        }
        if (!inDictionaryMode_) setUpPassed();
        break;
    }
    case Idle: break;
    case AnsweringSetUp: {
        const QString& expected = current_.expected;
        const bool inStep = expected.isEmpty()
                                ? !answer.contains(QLatin1String("(Currently")) && !answer.contains(QLatin1String("Do you wish"))
                                : answer.contains(expected);
        if (!inStep) {
            // Going on would send the rest of the script's blank lines to the
            // main prompt, where two of them end the analyser.
            TSLogError("Analyser set-up out of step after %@: expected %@, got %@", current_.string.trimmed(),
                       expected.isEmpty() ? QStringLiteral("the main prompt") : expected, answer.trimmed());
            currentTranslation_.clear();
            markUnusable();
            killTask(false);
            return;
        }
        if (current_.endsSetUp) setUpPassed();
        break;
    }
    case SwitchingMode:
        // The analyser confirms a switch even into the mode it is in, so the
        // flag follows the switch that was sent rather than being inverted.
        inLatinMode_ = current_.string == kToLatinSwitch;
        break;
    case EnglishToLatin:
    case LatinToEnglish: {
        const TSDictionaryPrefsPtr prefs = settings().dictionaryPrefs;
        const bool showCases = !prefs || !prefs->showOnlyMeanings();
        const DictionaryEntryList words =
            s == EnglishToLatin ? parseLatinVocab(answer, showCases) : parseEnglishVocab(answer, showCases);
        restartsLeft_ = 1;
        // The block leaves the request before it runs: whatever it calls
        // (terminate, a new look-up) finds no request to answer again.
        TSDictionaryBlock block = std::move(current_.callback);
        current_.callback = nullptr;
        if (block) {
            TSDictionaryResult result = makeResult(words, current_.string);
            result[kRawOutput] = answer;
            const quint64 generation = generation_;
            block(result);
            // The block ended or replaced the process: nothing of this
            // exchange is left to finish.
            if (generation != generation_) return;
        } else if (s == EnglishToLatin) {
            TSLogError("Missing callback at handleEnglishToLatinString");
        } else {
            TSLogError("Missing callback at handleLatinToEnglishString");
        }
        break;
    }
    default: TSLogError("Help!  Somehow we got onto case #%d, which doesn't exist!", int(s));
    }
    currentTranslation_.clear();
    sendNextStringInQueue();
}

void DictionaryController::armTimeout() {
    if (!timeoutTimer_) {
        std::weak_ptr<DictionaryController> weak = self();
        timeoutTimer_ = ts::DispatchTimer::create(queue_, [weak] {
            if (auto c = weak.lock()) c->handleTimeout(c->armedSerial_);
        });
    }
    armedSerial_ = requestSerial_;
    timeoutTimer_->schedule(answerTimeout_);
}

void DictionaryController::handleTimeout(quint64 serial) {
    if (serial != requestSerial_ || status_ == Idle || !running_) return;
    TSLogError("Error: latin_tool gave no answer within %d seconds to %@", int(answerTimeout_.count() / 1000),
               current_.string.trimmed());
    const QueuedString timedOut = std::exchange(current_, QueuedString());
    const quint64 generation = generation_;
    answerEmpty(timedOut);
    if (generation == generation_) killTask(true);  // its end restarts it
}

void DictionaryController::killTask(bool hard) {
    if (!running_ || !channel_) return;
    expectingExit_ = true;
    channel_->kill(generation_, hard, shutdownGrace_);
}

void DictionaryController::taskCompleted(int exitCode, bool crashed, const QString& error) {
    running_ = false;
    processId_ = 0;
    const bool expected = expectingExit_;
    expectingExit_ = false;
    if (terminating_) return;
    if (!expected) {
        if (crashed) TSLogError("Error: latin_tool crashed: %@", error);
        else TSLogError("Error: latin_tool exited with code %d", exitCode);
    }
    if (!available_) {  // given up on (a set-up out of step)
        failPendingRequests();
        return;
    }
    const bool restart = doRestart_ || restartsLeft_ > 0;
    if (!doRestart_ && restart) --restartsLeft_;
    doRestart_ = false;
    if (!restart) {
        markUnusable();
        return;
    }
    // The request in flight is answered empty (it may be what ended the
    // program); look-ups still waiting go to the new program after its
    // set-up. The old set-up lines and mode switches are not carried over:
    // the new program gets its own.
    const QueuedString inFlight = std::exchange(current_, QueuedString());
    std::deque<QueuedString> waiting;
    waiting.swap(queuedStringsToSend_);
    currentTranslation_.clear();
    pagerNewlinePending_ = false;
    const bool setUp = inDictionaryMode_;
    startProcessOnQueue();
    if (setUp) queueSetUpScriptOnQueue();
    for (QueuedString& q : waiting) {
        if (q.type == LatinQuery || q.type == EnglishQuery) queueLookUpOnQueue(std::move(q));
        else if (q.type != SetUpLine && q.type != ModeSwitch) enqueue(std::move(q));
    }
    answerEmpty(inFlight);
}

void DictionaryController::launchFailed(const QString& error) {
    running_ = false;
    TSLogError("Error launching latinTask %@", error);
    markUnusable();
}

void DictionaryController::markUnusable() {
    available_ = false;
    // A later look-up starts the analyser again once the back-off has
    // passed; each failed attempt doubles it.
    retryAt_ = std::chrono::steady_clock::now() + retryDelay_;
    retryDelay_ = std::min(retryDelay_ * 2, kMaximumRetryDelay);
    const bool report = !reportedDown_;
    reportedDown_ = true;
    failPendingRequests();
    if (report) notifyAvailability(false);
}

void DictionaryController::setUpPassed() {
    // The program works: the restart allowance is given back.
    restartsLeft_ = 1;
    retryDelay_ = firstRetryDelay_;
    if (!reportedDown_) return;
    reportedDown_ = false;
    notifyAvailability(true);
}

void DictionaryController::retryIfDue() {
    if (terminating_ || running_ || std::chrono::steady_clock::now() < retryAt_) return;
    TSLogError("Starting latin_tool again after it was unavailable");
    const bool setUp = inDictionaryMode_;
    startProcessOnQueue();
    if (setUp) queueSetUpScriptOnQueue();
}

void DictionaryController::notifyAvailability(bool available) {
    AvailabilityObserver observer;
    {
        std::lock_guard<std::mutex> lock(observerMutex_);
        observer = availabilityObserver_;
    }
    if (observer) observer(available);
}

void DictionaryController::setAvailabilityObserver(AvailabilityObserver observer) {
    std::lock_guard<std::mutex> lock(observerMutex_);
    availabilityObserver_ = std::move(observer);
}

void DictionaryController::setRetryDelay(std::chrono::milliseconds delay) {
    auto s = self();
    if (!s) return;
    queue_->async([s, delay] {
        s->firstRetryDelay_ = delay;
        s->retryDelay_ = delay;
        s->retryAt_ = std::chrono::steady_clock::now();
    });
}

void DictionaryController::failPendingRequests() {
    // Everything is taken off the controller before any block runs, so a
    // block that calls in again (even terminate) finds nothing to answer
    // twice and destroys no block that is running.
    const QueuedString current = std::exchange(current_, QueuedString());
    std::deque<QueuedString> pending;
    pending.swap(queuedStringsToSend_);
    currentTranslation_.clear();
    pagerNewlinePending_ = false;
    answerEmpty(current);
    for (const QueuedString& q : pending) answerEmpty(q);
}

void DictionaryController::answerEmpty(const QueuedString& request) {
    if (!request.callback) return;
    TSDictionaryResult result = makeResult({}, request.string);
    result[kRawOutput] = QString();
    request.callback(result);
}
