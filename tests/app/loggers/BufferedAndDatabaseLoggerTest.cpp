#include "app/logging/LGAbstractDatabaseLogger.h"
#include "app/logging/LGBufferedProxy.h"
#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"

#include "LoggerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

QString onlyLogFile(const QString& folder) {
    auto paths = std::make_shared<LGLogFileManagerDefault>(folder)->sortedLogFilePaths();
    return paths.size() == 1 ? paths[0] : QString();
}

class CountingDatabaseLogger : public LGAbstractDatabaseLogger {
public:
    std::atomic<int> stored{0}, saves{0}, deletes{0}, saveAndDeletes{0};

protected:
    bool db_log(const LGLogMessagePtr&) override { return ++stored, true; }
    void db_save() override { ++saves; }
    void db_delete() override { ++deletes; }
    void db_saveAndDelete() override { ++saveAndDeletes; }
};

void logTimes(const std::shared_ptr<LGAbstractDatabaseLogger>& logger, int count) {
    logger->loggerQueue()->sync([&] {
        for (int i = 0; i < count; ++i) logger->logMessage(makeMessage("m", ts::Date::now()));
    });
}

}  // namespace

TEST(LGBufferedProxy, CollectsLinesUntilTheBufferFills) {
    QTemporaryDir dir;
    auto fileLogger = std::make_shared<LGFileLogger>(std::make_shared<LGLogFileManagerDefault>(dir.path()));
    auto proxy = std::static_pointer_cast<LGBufferedProxy>(fileLogger->wrapWithBuffer());
    EXPECT_EQ(proxy->unwrapFromBuffer(), fileLogger);
    EXPECT_EQ(proxy->loggerQueue(), fileLogger->loggerQueue());
    EXPECT_GE(proxy->maxBufferSizeBytes(), 512u);
    proxy->setMaxBufferSizeBytes(quint64(1) << 40);
    EXPECT_EQ(proxy->maxBufferSizeBytes(), LGBufferedProxy::largestBufferSize());

    // Each line is 23 + 2 + 74 + 1 = 100 bytes; the buffer holds exactly three.
    proxy->setMaxBufferSizeBytes(300);
    const QString text(74, QLatin1Char('b'));
    auto logLine = [&] { logOnQueue(proxy, makeMessage(text, ts::Date::now())); };
    logLine();
    logLine();
    EXPECT_TRUE(onlyLogFile(dir.path()).isEmpty() || QFileInfo(onlyLogFile(dir.path())).size() == 0);
    logLine();  // brings the buffer to exactly its size: sent with it
    QString path = onlyLogFile(dir.path());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).size(), 300);
    logLine();
    EXPECT_EQ(QFileInfo(path).size(), 300);
    EXPECT_EQ(proxy->currentBufferSizeBytes(), 100u);
    proxy->flush();
    EXPECT_EQ(QFileInfo(path).size(), 400);

    logLine();
    proxy.reset();  // the end of the proxy sends the rest
    EXPECT_EQ(QFileInfo(path).size(), 500);
}

TEST(LGBufferedProxy, StandsInForTheFileLoggerAtTheHub) {
    QTemporaryDir dir;
    auto fileLogger = std::make_shared<LGFileLogger>(std::make_shared<LGLogFileManagerDefault>(dir.path()));
    auto proxy = fileLogger->wrapWithBuffer();
    LGLog::addLogger(proxy);
    TSLogError("through the proxy %d", 1);
    LGLog::flushLog();
    QString path = onlyLogFile(dir.path());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(readAll(path).endsWith("  through the proxy 1\n"));
    LGLog::removeLogger(proxy);
    (void)LGLog::allLoggers();
}

TEST(LGAbstractDatabaseLogger, SavesByCountAndByTimer) {
    auto logger = std::make_shared<CountingDatabaseLogger>();
    logger->loggerQueue()->sync([&] { logger->didAddLogger(); });
    EXPECT_EQ(logger->saveThreshold(), 500u);
    logTimes(logger, 499);
    EXPECT_EQ(logger->saves, 0);
    logTimes(logger, 1);
    EXPECT_EQ(logger->saves, 1);

    // One message saves after the interval, through the timer. Not before:
    // checked only when the check came within the interval, which a loaded
    // machine may let pass first.
    logger->setSaveInterval(1.0);
    (void)logger->saveInterval();  // the setting has landed
    const auto beforeLogging = std::chrono::steady_clock::now();
    logTimes(logger, 1);
    const int savesSoonAfter = logger->saves;
    if (std::chrono::steady_clock::now() - beforeLogging < std::chrono::seconds(1)) {
        EXPECT_EQ(savesSoonAfter, 1);
    }
    EXPECT_TRUE(eventually([&] { return logger->saves == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(logger->saves, 2);  // suspended until the next unsaved message

    // Threshold 0 and no timer: only explicit saves.
    logger->setSaveThreshold(0);
    logger->setSaveInterval(0);
    (void)logger->saveInterval();
    logTimes(logger, 600);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(logger->saves, 2);
    logger->flush();
    EXPECT_EQ(logger->saves, 3);
    logger->flush();  // nothing pending: no save
    EXPECT_EQ(logger->saves, 3);

    logger->setDeleteOnEverySave(true);
    (void)logger->saveInterval();
    logTimes(logger, 1);
    logger->savePendingLogEntries();
    logger->flush();
    EXPECT_EQ(logger->saveAndDeletes, 1);
    EXPECT_EQ(logger->stored, 1102);
    logger->loggerQueue()->sync([&] { logger->willRemoveLogger(); });
}

TEST(LGAbstractDatabaseLogger, LoweringTheMaximumAgeDeletesAtOnce) {
    auto logger = std::make_shared<CountingDatabaseLogger>();
    logger->loggerQueue()->sync([&] { logger->didAddLogger(); });
    logger->setMaxAge(3600);
    (void)logger->maxAge();
    EXPECT_EQ(logger->deletes, 1);
    logger->setMaxAge(7200);
    (void)logger->maxAge();
    EXPECT_EQ(logger->deletes, 1);
    logger->setMaxAge(0);
    (void)logger->maxAge();
    logger->deleteOldLogEntries();
    (void)logger->maxAge();
    EXPECT_EQ(logger->deletes, 1);  // deleting is off

    const auto beforeLowering = std::chrono::steady_clock::now();
    logger->setMaxAge(100);
    logger->setDeleteInterval(1.0);
    (void)logger->maxAge();
    const int deletesSoonAfter = logger->deletes;
    // The timer's first pass may already have come on a loaded machine.
    if (std::chrono::steady_clock::now() - beforeLowering < std::chrono::seconds(1)) {
        EXPECT_EQ(deletesSoonAfter, 2);
    }
    EXPECT_GE(deletesSoonAfter, 2);
    EXPECT_TRUE(eventually([&] { return logger->deletes >= 4; }));
    logger->setDeleteInterval(0);
    (void)logger->maxAge();
    int after = logger->deletes;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(logger->deletes, after);
}
