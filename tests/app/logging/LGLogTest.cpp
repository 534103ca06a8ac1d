#include "app/logging/LGLog.h"

#include "support/CaptureLogger.h"

#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Records texts in a set so that "did my message arrive" stays cheap with
// thousands of messages; every tenth message is slow, so a call that returned
// before its loggers finished would be caught.
class SetLogger : public LGAbstractLogger {
public:
    explicit SetLogger(QString name) : name_(std::move(name)) {}
    QString loggerName() const override { return name_; }
    void logMessage(const LGLogMessagePtr& message) override {
        if (message->line() % 10 == 0) std::this_thread::sleep_for(50us);
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.insert(message->message());
        order_.push_back(message->message());
        if (ts::DispatchQueue::currentLabel() != name_) wrongQueue_ = true;
    }
    bool has(const QString& text) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_.contains(text);
    }
    std::vector<QString> order() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return order_;
    }
    bool wrongQueue() const { return wrongQueue_; }

private:
    QString name_;
    mutable std::mutex mutex_;
    QSet<QString> texts_;
    std::vector<QString> order_;
    std::atomic<bool> wrongQueue_{false};
};

// Counts the optional calls and remembers the queue they ran on.
class LifecycleLogger : public LGAbstractLogger {
public:
    QString loggerName() const override { return QStringLiteral("tessarin.test.lifecycle"); }
    bool didAddLoggerInQueue(const ts::DispatchQueuePtr& queue) override {
        addedInQueue = queue == loggerQueue() && isOnInternalLoggerQueue();
        addLabel = ts::DispatchQueue::currentLabel();
        ++adds;
        return true;
    }
    bool didAddLogger() override { return ++plainAdds, true; }
    bool willRemoveLogger() override { return ++removes, true; }
    bool hasFlush() const override { return true; }
    void flush() override {
        std::this_thread::sleep_for(30ms);
        ++flushes;
    }
    std::atomic<int> adds{0}, plainAdds{0}, removes{0}, flushes{0};
    std::atomic<bool> addedInQueue{false};
    QString addLabel;
};

class LGLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        LGLog::removeAllLoggers();
        LGLog::allLoggers();
        savedProcessors_ = LGLog::processorCount();
    }
    void TearDown() override {
        LGLog::removeAllLoggers();
        LGLog::allLoggers();
        LGLog::setProcessorCount(savedProcessors_);
    }
    static void logFlag(quint64 flag, const QString& text) {
        LGLog::log(false, 3, flag, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral("%@"), text);
    }
    unsigned savedProcessors_ = 1;
};

// Runs body(t, i) for every i below `calls` on each of `threads` threads at once.
template <class Body>
void onThreads(int threads, int calls, Body body) {
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            for (int i = 0; i < calls; ++i) body(t, i);
        });
    for (auto& th : pool) th.join();
}

}  // namespace

TEST_F(LGLogTest, EveryCallReturnsOnlyAfterBothLoggersWroteIt) {
    auto first = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.first"));
    auto second = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.second"));
    LGLog::addLogger(first);
    LGLog::addLogger(second);
    constexpr int kThreads = 8, kCalls = 1000;
    std::atomic<int> early{0};
    onThreads(kThreads, kCalls, [&](int t, int i) {
        LGLog::log(false, 3, LGLogFlagError, 0, __FILE__, Q_FUNC_INFO, quint64(i), nullptr,
                   QStringLiteral("thread %d call %d"), t, i);
        const QString text = QStringLiteral("thread %1 call %2").arg(t).arg(i);
        if (!first->has(text) || !second->has(text)) ++early;
    });
    EXPECT_EQ(early.load(), 0);
    for (const auto& logger : {first, second}) {
        auto order = logger->order();
        ASSERT_EQ(order.size(), size_t(kThreads * kCalls));
        EXPECT_FALSE(logger->wrongQueue());
        // Each thread's messages arrive in the order they were logged.
        std::vector<int> last(kThreads, -1);
        for (const QString& text : order) {
            const QStringList parts = text.split(QLatin1Char(' '));
            int t = parts[1].toInt(), i = parts[3].toInt();
            EXPECT_EQ(i, last[t] + 1) << text.toStdString();
            last[t] = i;
        }
    }
}

TEST_F(LGLogTest, CallsAtTheSameTimeWithMixedFlagsReachOnlyTheLoggersThatAdmitThem) {
    auto errors = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.errors"));
    auto everything = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.everything"));
    LGLog::addLoggerWithLevel(errors, LGLogLevelError);
    LGLog::addLogger(everything);
    constexpr int kThreads = 8, kCalls = 500;
    std::atomic<int> early{0};
    onThreads(kThreads, kCalls, [&](int t, int i) {
        const quint64 flag = (t + i) % 2 ? LGLogFlagInfo : LGLogFlagError;
        const QString text = QStringLiteral("mixed %1 %2").arg(t).arg(i);
        logFlag(flag, text);
        if (!everything->has(text) || errors->has(text) != (flag == LGLogFlagError)) ++early;
    });
    EXPECT_EQ(early.load(), 0);
    EXPECT_EQ(everything->order().size(), size_t(kThreads * kCalls));
    EXPECT_EQ(errors->order().size(), size_t(kThreads * kCalls / 2));
}

TEST_F(LGLogTest, AddingAndRemovingWhileManyThreadsLogLosesNothingForTheOthers) {
    auto steady = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.steady"));
    LGLog::addLogger(steady);
    LGLog::setProcessorCount(4);
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        for (int round = 0; !stop; ++round) {
            auto passing = std::make_shared<SetLogger>(QStringLiteral("tessarin.test.passing"));
            LGLog::addLoggerWithLevel(passing, round % 2 ? LGLogLevelAll : LGLogLevelError);
            if (round % 3 == 0) LGLog::allLoggers();
            LGLog::removeLogger(passing);
            if (round % 5 == 0) LGLog::flushLog();
        }
    });
    constexpr int kThreads = 8, kCalls = 300;
    std::atomic<int> early{0};
    onThreads(kThreads, kCalls, [&](int t, int i) {
        logFlag(LGLogFlagError, QStringLiteral("churn %1 %2").arg(t).arg(i));
        if (!steady->has(QStringLiteral("churn %1 %2").arg(t).arg(i))) ++early;
    });
    stop = true;
    churn.join();
    EXPECT_EQ(early.load(), 0);
    EXPECT_EQ(steady->order().size(), size_t(kThreads * kCalls));
    EXPECT_EQ(LGLog::allLoggers(), std::vector<LGLoggerPtr>{steady});
}

namespace {

// Two loggers that each wait a while for the other to be inside logMessage:
// they meet only when the hub runs them at the same time.
struct Rendezvous {
    std::mutex mutex;
    std::condition_variable cv;
    int inside = 0, round = 0;
    bool met = false;
    // Ends as soon as they meet, so it can be generous: on a loaded machine
    // the second logger's queue may take seconds to get a thread.
    std::chrono::milliseconds patience{60000};
};

class MeetingLogger : public LGAbstractLogger {
public:
    MeetingLogger(Rendezvous& r, QString name) : r_(r), name_(std::move(name)) {}
    QString loggerName() const override { return name_; }
    void logMessage(const LGLogMessagePtr&) override {
        std::unique_lock<std::mutex> lock(r_.mutex);
        const int round = r_.round;
        ++r_.inside;
        r_.cv.notify_all();
        // Met when the other logger came in while this one was still inside.
        if (r_.cv.wait_for(lock, r_.patience, [&] { return r_.inside >= 2 || r_.round != round; })) {
            r_.met = true;
            ++r_.round;
            r_.cv.notify_all();
        }
        --r_.inside;
    }

private:
    Rendezvous& r_;
    QString name_;
};

}  // namespace

TEST_F(LGLogTest, LoggersOfOneMessageRunInParallelOnlyWithSeveralProcessors) {
    Rendezvous r;
    LGLog::addLogger(std::make_shared<MeetingLogger>(r, QStringLiteral("a")));
    LGLog::addLogger(std::make_shared<MeetingLogger>(r, QStringLiteral("b")));
    LGLog::setProcessorCount(4);
    logFlag(LGLogFlagError, QStringLiteral("parallel"));
    EXPECT_TRUE(r.met);

    r.met = false;
    r.patience = 100ms;  // they will not meet; do not wait long for that
    LGLog::setProcessorCount(1);
    logFlag(LGLogFlagError, QStringLiteral("serial"));
    EXPECT_FALSE(r.met);
}

TEST_F(LGLogTest, LevelsAdmitOnlyFlagsTheyShare) {
    CaptureLogger::Scope off(LGLogLevelOff);
    CaptureLogger::Scope warnings(LGLogFlagWarning);
    CaptureLogger::Scope errorsAndWarnings(LGLogLevelWarning);
    const quint64 flags[] = {LGLogFlagError, LGLogFlagWarning, LGLogFlagInfo, LGLogFlagDebug, LGLogFlagVerbose};
    for (quint64 flag : flags) logFlag(flag, QStringLiteral("flag %1").arg(flag));
    EXPECT_EQ(off->messages(), QStringList());
    EXPECT_EQ(warnings->messages(), QStringList{QStringLiteral("flag 2")});
    EXPECT_EQ(errorsAndWarnings->messages(), (QStringList{QStringLiteral("flag 1"), QStringLiteral("flag 2")}));
}

TEST_F(LGLogTest, DuplicateRegistrationRules) {
    auto logger = std::make_shared<CaptureLogger>();
    LGLog::addLogger(logger);
    LGLog::addLogger(logger);
    EXPECT_EQ(LGLog::allLoggers().size(), 1u);
    logFlag(LGLogFlagError, QStringLiteral("once"));
    EXPECT_EQ(logger->count(), 1);

    LGLog::removeAllLoggers();
    logger->clear();
    LGLog::addLoggerWithLevel(logger, LGLogLevelError);
    LGLog::addLoggerWithLevel(logger, LGLogLevelVerbose);
    logFlag(LGLogFlagError, QStringLiteral("twice"));
    logFlag(LGLogFlagInfo, QStringLiteral("once more"));
    EXPECT_EQ(logger->messages(),
              (QStringList{QStringLiteral("twice"), QStringLiteral("twice"), QStringLiteral("once more")}));

    // Only the first registration goes.
    LGLog::removeLogger(logger);
    auto infos = LGLog::allLoggersWithLevel();
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0]->logger(), logger);
    EXPECT_EQ(infos[0]->level(), LGLogLevelVerbose);
}

TEST_F(LGLogTest, NullLoggersAndNullFormatsAreIgnored) {
    CaptureLogger::Scope capture;
    LGLog::addLogger(nullptr);
    LGLog::removeLogger(nullptr);
    EXPECT_EQ(LGLog::allLoggers().size(), 1u);
    LGLog::log(false, 3, 1, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QString());
    EXPECT_EQ(capture->count(), 0);
    LGLog::log(false, 3, 1, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral(""));
    EXPECT_EQ(capture->count(), 1);  // an empty format is still a message
}

TEST_F(LGLogTest, SyncLogFromInsideTheLoggingQueueCompletesInline) {
    CaptureLogger::Scope capture;
    std::promise<bool> done;
    auto future = done.get_future();
    std::thread t([&] {
        LGLog::loggingQueue()->sync([&] {
            TSLogError("from the logging queue %d", 1);
            // Waiting accessors are inline here too.
            done.set_value(capture->contains(QStringLiteral("from the logging queue 1")) &&
                           LGLog::allLoggers().size() == 1);
        });
    });
    ASSERT_EQ(future.wait_for(60s), std::future_status::ready);
    t.join();
    EXPECT_TRUE(future.get());
}

TEST_F(LGLogTest, OptionalCallsRunOnTheLoggersQueue) {
    auto logger = std::make_shared<LifecycleLogger>();
    LGLog::addLogger(logger);
    LGLog::flushLog();
    logger->loggerQueue()->sync([] {});
    EXPECT_EQ(logger->adds.load(), 1);
    EXPECT_EQ(logger->plainAdds.load(), 0);  // the queue form wins
    EXPECT_TRUE(logger->addedInQueue.load());
    EXPECT_EQ(logger->addLabel, QStringLiteral("tessarin.test.lifecycle"));
    EXPECT_EQ(logger->flushes.load(), 1);  // flushLog waited for the slow flush
    LGLog::removeLogger(logger);
    LGLog::allLoggers();
    logger->loggerQueue()->sync([] {});
    EXPECT_EQ(logger->removes.load(), 1);
}

TEST_F(LGLogTest, AsynchronousMessagesArriveInOrderByFlush) {
    CaptureLogger::Scope capture;
    for (int i = 0; i < 50; ++i)
        LGLog::log(true, 3, LGLogFlagError, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral("async %d"), i);
    LGLog::flushLog();
    QStringList expected;
    for (int i = 0; i < 50; ++i) expected << QStringLiteral("async %1").arg(i);
    EXPECT_EQ(capture->messages(), expected);
}

TEST_F(LGLogTest, ApplicationLogCallFillsTheMessage) {
    CaptureLogger::Scope capture;
    const int line = __LINE__ + 1;
    TSLogError("Must override dataFromDictionary %@", QStringLiteral("TSChunk"));
    ASSERT_EQ(capture->records().size(), 1u);
    const LGLogMessage& m = *capture->records()[0];
    EXPECT_EQ(m.message(), QStringLiteral("Must override dataFromDictionary TSChunk"));
    EXPECT_EQ(m.level(), 3u);
    EXPECT_EQ(m.flag(), LGLogFlagError);
    EXPECT_EQ(m.file(), QStringLiteral(__FILE__));
    EXPECT_TRUE(m.function().contains(QStringLiteral("ApplicationLogCallFillsTheMessage")));
    EXPECT_EQ(m.line(), quint64(line));
    EXPECT_EQ(m.threadID(), QString::number(qulonglong(gettid())));
}

TEST_F(LGLogTest, MessageDescribesTheReportingThreadAndQueue) {
    CaptureLogger::Scope capture;
    ts::DispatchQueue::createSerial(QStringLiteral("analysis queue for words"))->sync([] { TSLogError("on a queue"); });
    std::unique_ptr<QThread> named(QThread::create([] { TSLogError("on a named thread"); }));
    named->setObjectName(QStringLiteral("worker thread"));
    named->start();
    named->wait();
    auto records = capture->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]->queueLabel(), QStringLiteral("analysis queue for words"));
    EXPECT_TRUE(records[1]->queueLabel().isEmpty());
    EXPECT_EQ(records[1]->threadName(), QStringLiteral("worker thread"));
}

namespace {
struct Unregistered {};
struct Tuned {
    static inline quint64 level = LGLogLevelWarning;
    static quint64 lgLogLevel() { return level; }
    static void lgSetLogLevel(quint64 l) { level = l; }
};
}  // namespace
LG_REGISTER_LOG_LEVEL_CLASS(Tuned);

TEST(LGLogClasses, LevelsOfRegisteredAndUnregisteredClasses) {
    Tuned::level = LGLogLevelWarning;
    EXPECT_FALSE(LGLog::isRegisteredClass<Unregistered>());
    EXPECT_EQ(LGLog::levelForClass<Unregistered>(), ~quint64(0));
    LGLog::setLevelForClass<Unregistered>(1);  // nothing to set, nothing happens
    EXPECT_EQ(LGLog::levelForClassWithName(QStringLiteral("Unregistered")), ~quint64(0));

    EXPECT_TRUE(LGLog::isRegisteredClass(QStringLiteral("Tuned")));
    EXPECT_TRUE(LGLog::registeredClassNames().contains(QStringLiteral("Tuned")));
    EXPECT_EQ(LGLog::levelForClass<Tuned>(), LGLogLevelWarning);
    LGLog::setLevelForClassWithName(LGLogLevelDebug, QStringLiteral("Tuned"));
    EXPECT_EQ(LGLog::levelForClass<Tuned>(), LGLogLevelDebug);
    LGLog::setLevelForClass<Tuned>(LGLogLevelError);
    EXPECT_EQ(LGLog::levelForClassWithName(QStringLiteral("Tuned")), LGLogLevelError);
}
