#include "app/logging/LGAbstractLogger.h"
#include "app/logging/LGLog.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class CountingFormatter : public LGLogFormatter {
public:
    explicit CountingFormatter(QString prefix, bool dropAll = false) : prefix_(std::move(prefix)), dropAll_(dropAll) {}
    QString formatLogMessage(const LGLogMessage& message) override {
        if (dropAll_) return QString();
        return prefix_ + message.message();
    }
    bool didAddToLoggerInQueue(LGLogger* logger, const ts::DispatchQueuePtr& queue) override {
        ++adds;
        addedOnLoggerQueue = queue && queue->isCurrent();
        return true;
    }
    bool willRemoveFromLogger(LGLogger*) override { return ++removes, true; }
    std::atomic<int> adds{0}, removes{0};
    std::atomic<bool> addedOnLoggerQueue{false};

private:
    QString prefix_;
    bool dropAll_;
};

class NamedLogger : public LGAbstractLogger {
public:
    QString loggerName() const override { return QStringLiteral("tessarin.log.namedLogger"); }
};

}  // namespace

TEST(LGAbstractLogger, QueueIsLabelledWithTheConcreteLoggersNameAndCarriesTheMarker) {
    auto logger = std::make_shared<NamedLogger>();
    QString label;
    bool internal = false, onLogging = true;
    logger->loggerQueue()->sync([&] {
        label = ts::DispatchQueue::currentLabel();
        internal = logger->isOnInternalLoggerQueue();
        onLogging = logger->isOnGlobalLoggingQueue();
    });
    EXPECT_EQ(label, QStringLiteral("tessarin.log.namedLogger"));
    EXPECT_TRUE(internal);
    EXPECT_FALSE(onLogging);
    EXPECT_FALSE(logger->isOnInternalLoggerQueue());
    LGLog::loggingQueue()->sync([&] { onLogging = logger->isOnGlobalLoggingQueue(); });
    EXPECT_TRUE(onLogging);

    // A replacement queue takes the marker over.
    auto old = logger->loggerQueue();
    auto replacement = ts::DispatchQueue::createSerial(QStringLiteral("replacement"));
    logger->setLoggerQueue(replacement);
    old->sync([&] { internal = logger->isOnInternalLoggerQueue(); });
    EXPECT_FALSE(internal);
    replacement->sync([&] { internal = logger->isOnInternalLoggerQueue(); });
    EXPECT_TRUE(internal);
}

TEST(LGAbstractLogger, FormatterChangesNotifyOldAndNewButNotTheSameAgain) {
    auto logger = std::make_shared<CaptureLogger>();
    auto first = std::make_shared<CountingFormatter>(QStringLiteral("1: "));
    auto second = std::make_shared<CountingFormatter>(QStringLiteral("2: "));

    logger->setLogFormatter(first);
    logger->setLogFormatter(first);  // the same again: no second notice
    EXPECT_EQ(logger->logFormatter(), first);  // waits behind the change
    EXPECT_EQ(first->adds.load(), 1);
    EXPECT_EQ(first->removes.load(), 0);
    EXPECT_TRUE(first->addedOnLoggerQueue.load());

    logger->setLogFormatter(second);
    EXPECT_EQ(logger->logFormatter(), second);
    EXPECT_EQ(first->removes.load(), 1);
    EXPECT_EQ(second->adds.load(), 1);

    logger->setLogFormatter(nullptr);
    EXPECT_EQ(logger->logFormatter(), nullptr);
    EXPECT_EQ(second->removes.load(), 1);
}

TEST(LGAbstractLogger, FormatterTextIsWrittenAndNullDropsTheMessage) {
    CaptureLogger::Scope capture;
    capture->setLogFormatter(std::make_shared<CountingFormatter>(QStringLiteral("E: ")));
    TSLogError("array only %lu objects", 3ul);
    capture->setLogFormatter(std::make_shared<CountingFormatter>(QString(), true));
    TSLogError("dropped");
    EXPECT_EQ(capture->messages(), QStringList{QStringLiteral("E: array only 3 objects")});
}

TEST(LGAbstractLogger, FormatterGetterFromTheLoggersOwnQueueDoesNotWait) {
    auto logger = std::make_shared<NamedLogger>();
    auto formatter = std::make_shared<CountingFormatter>(QStringLiteral(">"));
    logger->setLogFormatter(formatter);
    ASSERT_EQ(logger->logFormatter(), formatter);
    // Waiting on the logging queue from here would never return if the
    // logging queue were itself waiting for this logger.
    LGLogFormatterPtr seen;
    LGLog::loggingQueue()->sync([&] { logger->loggerQueue()->sync([&] { seen = logger->logFormatter(); }); });
    EXPECT_EQ(seen, formatter);
}

namespace {

// A setting whose change only reports whether its logger is still alive.
class SettingLogger : public LGAbstractLogger {
public:
    void setSetting(std::shared_ptr<std::atomic<int>> seen) {
        changeSetting([weak = weak_from_this(), seen] { *seen = weak.expired() ? 2 : 1; });
    }
};

}  // namespace

TEST(LGAbstractLogger, ASettingChangeKeepsItsLoggerAliveUntilItHasRun) {
    auto logger = std::make_shared<SettingLogger>();
    ts::DispatchQueuePtr queue = logger->loggerQueue();
    // Hold the logger's queue, so that the change waits there while the
    // caller lets go of the logger.
    std::atomic<bool> release{false};
    queue->async([&] {
        while (!release) std::this_thread::yield();
    });
    auto seen = std::make_shared<std::atomic<int>>(0);
    std::weak_ptr<SettingLogger> weak = logger;
    logger->setSetting(seen);
    logger.reset();
    LGLog::loggingQueue()->sync([] {});
    release = true;
    queue->sync([] {});
    EXPECT_EQ(seen->load(), 1);  // 2: the change ran on a logger already gone
    EXPECT_TRUE(weak.expired());
}
