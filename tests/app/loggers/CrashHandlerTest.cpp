#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"
#include "app/logging/UncaughtExceptionHandler.h"

#include "LoggerTestSupport.h"

#include "platform/Dispatch.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// Exported (the test is linked with its symbols visible), so that the
// backtrace can name it.
[[gnu::noinline]] void crashTestDereference(volatile int* p) { *p = 42; }

// The crash tests run this test binary again as a child process in one of
// these modes; the child sets up the application's loggers and then fails.

namespace {

const char* childMode() { return std::getenv("TS_LOGGER_CHILD"); }

LGFileLoggerPtr installChildLoggers() {
    auto manager = std::make_shared<LGLogFileManagerDefault>(QString::fromLocal8Bit(std::getenv("TS_LOGGER_CHILD_DIR")));
    auto logger = std::make_shared<LGFileLogger>(manager);
    logger->setRollingFrequency(86400);
    LGLog::addLogger(logger);
    InstallUncaughtExceptionHandler();
    TSLogError("child ready");
    return logger;
}

// Runs this binary again as a child in `mode`; answers its wait status, or -1
// when it did not start or hung (and was killed: a failure, not a stuck suite).
int runChild(const char* mode, const QString& folder) {
    const std::string self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString();
    const std::string dirValue = folder.toStdString();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TS_LOGGER_CHILD", mode, 1);
        // Under AddressSanitizer its own SIGSEGV handler would answer first.
        ::setenv("ASAN_OPTIONS", "handle_segv=0:handle_abort=0:detect_leaks=0", 1);
        ::setenv("TS_LOGGER_CHILD_DIR", dirValue.c_str(), 1);
        // Keep the child's own crash output out of the test's log.
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDERR_FILENO), ::dup2(null, STDOUT_FILENO);
        ::execl(self.c_str(), self.c_str(), "--gtest_filter=CrashChild.Run", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) return -1;
    int status = 0;
    pid_t done = 0;
    // Longer than the child's own wait for its failing task below.
    const auto ceiling = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < ceiling)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (done == 0) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    return done == pid ? status : -1;
}

bool diedBy(int status, int signal) { return status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == signal; }

QByteArray childLog(const QString& folder) {
    QByteArray all;
    for (const QString& path : std::make_shared<LGLogFileManagerDefault>(folder)->sortedLogFilePaths()) all += readAll(path);
    return all;
}

}  // namespace

TEST(CrashChild, Run) {
    const char* mode = childMode();
    if (!mode) GTEST_SKIP() << "runs only as the child of a crash test";
    auto logger = installChildLoggers();
    if (std::strcmp(mode, "segv") == 0) {
        crashTestDereference(nullptr);
    } else if (std::strcmp(mode, "exception") == 0) {
        std::thread([] { throw std::runtime_error("the dictionary index is corrupt"); }).join();
    } else if (std::strncmp(mode, "queue-", 6) == 0) {
        // A task that throws, and one behind it that must never run.
        const std::string kind = mode + 6;
        auto throwing = [kind] { throw std::runtime_error("index out of range on the " + kind + " queue"); };
        auto after = [] { TSLogError("carried on after the failed task"); };
        if (kind == "main") {
            int argc = 1;
            char name[] = "crash-child";
            char* argv[] = {name, nullptr};
            QCoreApplication app(argc, argv);
            ts::DispatchQueue::main()->async(throwing);
            ts::DispatchQueue::main()->async(after);
            app.exec();
        } else {
            auto queue = kind == "serial" ? ts::DispatchQueue::createSerial(QStringLiteral("tessarin.test.serial"))
                                          : ts::DispatchQueue::global();
            queue->async(throwing);
            if (kind == "serial") queue->async(after);
            // Time for the task to end the process, however loaded the machine.
            std::this_thread::sleep_for(std::chrono::seconds(60));
        }
    } else if (std::strcmp(mode, "segv-after-many") == 0) {
        // Use up the reports: each one ends with a signal that is ignored here.
        ::signal(SIGUSR1, SIG_IGN);
        for (int i = 0; i < 11; ++i) SignalHandler(SIGUSR1);
        InstallUncaughtExceptionHandler();
        crashTestDereference(nullptr);
    } else if (std::strcmp(mode, "sigpipe") == 0) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        ::close(fds[0]);
        // The reader is gone: the write fails with EPIPE instead of killing us.
        EXPECT_FALSE(LGWriteAll(fds[1], "x", 1));
        EXPECT_EQ(errno, EPIPE);
        ::close(fds[1]);
        TSLogError("still alive after %s", "EPIPE");
        ::_exit(::testing::Test::HasFailure() ? 2 : 0);
    }
    ::_exit(3);
}

TEST(CrashHandler, FatalSignalLeavesAReportAndEndsBySameSignal) {
    QTemporaryDir dir;
    EXPECT_TRUE(diedBy(runChild("segv", dir.path()), SIGSEGV));
    QByteArray log = childLog(dir.path());
    EXPECT_TRUE(log.contains("  child ready\n")) << log.data();
    EXPECT_TRUE(log.contains(" Terminated because of exception\nSignal 11 was raised.\n(\n")) << log.data();
    // The faulting code appears in the backtrace.
    EXPECT_TRUE(log.contains("crashTestDereference")) << log.data();
    EXPECT_TRUE(log.contains("UncaughtExceptionHandler.cpp , line = ")) << log.data();
    // Every report line that starts a log entry carries the line's timestamp.
    qsizetype at = log.indexOf(" Terminated because of exception");
    qsizetype lineStart = log.lastIndexOf('\n', at) + 1;
    EXPECT_EQ(log.mid(lineStart + 4, 1), QByteArray("/"));
    EXPECT_EQ(log.mid(lineStart + 23, 2), QByteArray("  "));
}

TEST(CrashHandler, AFaultBeyondTheReportLimitStillEndsTheProcess) {
    QTemporaryDir dir;
    EXPECT_TRUE(diedBy(runChild("segv-after-many", dir.path()), SIGSEGV));
    EXPECT_EQ(childLog(dir.path()).count("Terminated because of exception"), 11);
}

TEST(CrashHandler, UncaughtExceptionLeavesAReportAndAborts) {
    QTemporaryDir dir;
    EXPECT_TRUE(diedBy(runChild("exception", dir.path()), SIGABRT));
    QByteArray log = childLog(dir.path());
    EXPECT_TRUE(log.contains(" Terminated because of exception\nthe dictionary index is corrupt\n(\n")) << log.data();
    EXPECT_TRUE(log.contains("  file = ")) << log.data();
    // One report only: the abort that ends the process is not reported again.
    EXPECT_EQ(log.count("Terminated because of exception"), 1);
}

TEST(CrashHandler, AnExceptionEscapingAQueuedTaskLeavesAReportAndEndsTheProcess) {
    for (const char* kind : {"serial", "global", "main"}) {
        SCOPED_TRACE(kind);
        QTemporaryDir dir;
        const std::string mode = std::string("queue-") + kind;
        EXPECT_TRUE(diedBy(runChild(mode.c_str(), dir.path()), SIGABRT));
        QByteArray log = childLog(dir.path());
        EXPECT_TRUE(log.contains("  child ready\n")) << log.data();
        EXPECT_TRUE(log.contains(" Terminated because of exception\nindex out of range on the " + QByteArray(kind) +
                                 " queue\n(\n"))
            << log.data();
        EXPECT_TRUE(log.contains("UncaughtExceptionHandler.cpp , line = ")) << log.data();
        EXPECT_EQ(log.count("Terminated because of exception"), 1);
        EXPECT_FALSE(log.contains("carried on after the failed task")) << log.data();
    }
}

TEST(CrashHandler, AWriteToAClosedPipeDoesNotKillTheProcess) {
    QTemporaryDir dir;
    const int status = runChild("sigpipe", dir.path());
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_TRUE(childLog(dir.path()).contains("  still alive after EPIPE\n"));
}

TEST(CrashHandler, DateAndTimeUseTheShortStyles) {
    QString text = UncaughtExceptionHandler::dateAndTimeAsString(ts::Date::now());
    EXPECT_FALSE(text.isEmpty());
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_LE(UncaughtExceptionHandler::backtrace().size(), 5);
}
