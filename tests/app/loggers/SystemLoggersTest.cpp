#include "app/logging/LGASLLogCapture.h"
#include "app/logging/LGASLLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGOSLogger.h"
#include "app/logging/LGTTYLogger.h"

#include "support/CaptureLogger.h"

#include "LoggerTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include <fcntl.h>
#include <syslog.h>
#include <unistd.h>

namespace {

// Records what the loggers hand to the system log.
struct SyslogRecorder {
    struct Entry {
        int priority;
        QByteArray text;
    };
    SyslogRecorder() {
        LGSyslog::setWriter([this](int priority, const QByteArray& text) {
            std::lock_guard<std::mutex> lock(mutex);
            entries.push_back({priority, text});
        });
    }
    ~SyslogRecorder() { LGSyslog::setWriter(nullptr); }
    std::vector<Entry> take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(entries, {});
    }
    std::mutex mutex;
    std::vector<Entry> entries;
};

LGLogMessagePtr capturedMessage(const QString& text) {
    return std::make_shared<LGLogMessage>(text, 31, 1, 0, QStringLiteral("LGASLLogCapture"), QString(), 0, nullptr,
                                          LGLogMessageDontCopyMessage, ts::Date::now());
}

// Everything written to a pipe so far.
struct PipeReader {
    int fds[2] = {-1, -1};
    PipeReader() {
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) fds[0] = fds[1] = -1;
    }
    ~PipeReader() { ::close(fds[0]), ::close(fds[1]); }
    QByteArray drain() {
        QByteArray all;
        char buf[8192];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) all.append(buf, int(n));
        return all;
    }
};

}  // namespace

TEST(LGASLLogger, WritesEachFlagWithItsPriorityAndSkipsCapturedEntries) {
    SyslogRecorder recorder;
    auto logger = LGASLLogger::sharedInstance();
    const struct {
        quint64 flag;
        int priority;
    } rows[] = {{1, LOG_CRIT}, {2, LOG_ERR}, {4, LOG_WARNING}, {8, LOG_NOTICE}, {16, LOG_NOTICE}, {3, LOG_NOTICE}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flag);
        logOnQueue(logger, makeMessage(QStringLiteral("flag %1").arg(row.flag), ts::Date::now(), row.flag));
        logOnQueue(logger, capturedMessage("from the system log"));  // never written back
        auto entries = recorder.take();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].priority, row.priority | LOG_USER);
        EXPECT_EQ(entries[0].text, "flag " + QByteArray::number(row.flag));
    }
    EXPECT_TRUE(QByteArray(LGASLLogger::syslogIdentity()).endsWith(".LGLog"));
}

TEST(LGASLLogCapture, PassesEntriesOnByLevelAndNeverEchoes) {
    SyslogRecorder recorder;
    auto capture = std::make_shared<CaptureLogger>();
    LGLog::addLogger(capture);
    LGLog::addLogger(LGASLLogger::sharedInstance());
    const quint64 savedLevel = LGASLLogCapture::captureLevel();

    using Entry = LGASLLogCapture::Entry;
    LGASLLogCapture::aslMessageReceived(Entry{{"Message", "critical"}, {"Level", "1"}, {"Time", "1764960000"}});
    LGASLLogCapture::aslMessageReceived(
        Entry{{"Message", "notice"}, {"Level", "5"}, {"Time", "1764960000"}, {"TimeNanoSec", "500000000"}});
    LGASLLogCapture::aslMessageReceived(Entry{{"Message", "no level"}});
    LGASLLogCapture::aslMessageReceived(Entry{{"Level", "2"}});  // no text: ignored
    LGASLLogCapture::setCaptureLevel(3);
    LGASLLogCapture::aslMessageReceived(Entry{{"Message", "info dropped"}, {"Level", "4"}});
    LGASLLogCapture::aslMessageReceived(Entry{{"Message", "warning kept"}, {"Level", "3"}});
    LGASLLogCapture::setCaptureLevel(savedLevel);
    LGLog::flushLog();
    LGLog::removeLogger(capture);
    LGLog::removeLogger(LGASLLogger::sharedInstance());
    (void)LGLog::allLoggers();

    auto records = capture->records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0]->message(), QStringLiteral("critical"));
    EXPECT_EQ(records[0]->flag(), 1u);
    EXPECT_EQ(records[0]->fileName(), QStringLiteral("LGASLLogCapture"));
    EXPECT_DOUBLE_EQ(records[0]->timestamp().seconds, 1764960000.0 - LGReferenceDateOffset);
    EXPECT_EQ(records[1]->flag(), 8u);
    EXPECT_DOUBLE_EQ(records[1]->timestamp().seconds, 1764960000.5 - LGReferenceDateOffset);
    EXPECT_EQ(records[2]->flag(), 1u);  // no level counts as an error
    EXPECT_NEAR(records[2]->timestamp().seconds, ts::Date::now().seconds, 60);
    EXPECT_EQ(records[3]->message(), QStringLiteral("warning kept"));
    EXPECT_EQ(records[3]->flag(), 2u);
    // None of them was written back to the system log.
    EXPECT_TRUE(recorder.take().empty());
}

TEST(LGASLLogCapture, ReadsJournalRecordsAndKnowsItsOwnEntries) {
    const QByteArray pid = QByteArray::number(::getpid());
    QByteArray foreign = R"({"MESSAGE":"disk almost full","PRIORITY":"4","__REALTIME_TIMESTAMP":"1764960000123456","_PID":")" +
                         pid + R"(","SYSLOG_IDENTIFIER":"somelib"})";
    auto entry = LGASLLogCapture::entryFromJournalJson(foreign);
    EXPECT_EQ(entry.value("Message"), QStringLiteral("disk almost full"));
    EXPECT_EQ(entry.value("Level"), QStringLiteral("4"));
    EXPECT_EQ(entry.value("Time"), QStringLiteral("1764960000"));
    EXPECT_EQ(entry.value("TimeNanoSec"), QStringLiteral("123456000"));
    EXPECT_TRUE(LGASLLogCapture::isCapturable(entry));

    QByteArray own = R"({"MESSAGE":"x","PRIORITY":"2","_PID":")" + pid + R"(","SYSLOG_IDENTIFIER":")" +
                     QByteArray(LGASLLogger::syslogIdentity()) + R"("})";
    EXPECT_FALSE(LGASLLogCapture::isCapturable(LGASLLogCapture::entryFromJournalJson(own)));
    QByteArray otherProcess = R"({"MESSAGE":"x","_PID":"1"})";
    EXPECT_FALSE(LGASLLogCapture::isCapturable(LGASLLogCapture::entryFromJournalJson(otherProcess)));
    EXPECT_TRUE(LGASLLogCapture::entryFromJournalJson("not json").isEmpty());

    // Without a journal the capture says so and does not run.
    bool started = LGASLLogCapture::start();
    EXPECT_EQ(started, LGASLLogCapture::isSystemLogReadable());
    EXPECT_EQ(LGASLLogCapture::isRunning(), started);
    LGASLLogCapture::stop();
    EXPECT_FALSE(LGASLLogCapture::isRunning());
}

TEST(LGOSLogger, MapsFlagsToTypesAndNamesTheSubsystem) {
    SyslogRecorder recorder;
    auto logger = std::make_shared<LGOSLogger>(QStringLiteral("org.tessarin"), QStringLiteral("dictionaries"));
    for (quint64 flag : {1, 4, 16}) logOnQueue(logger, makeMessage("bad entry", ts::Date::now(), flag));
    logOnQueue(logger, capturedMessage("echo"));
    auto entries = recorder.take();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].priority, LOG_ERR | LOG_USER);
    EXPECT_EQ(entries[0].text, QByteArray("[org.tessarin:dictionaries] bad entry"));
    EXPECT_EQ(entries[1].priority, LOG_INFO | LOG_USER);
    EXPECT_EQ(entries[2].priority, LOG_DEBUG | LOG_USER);
    EXPECT_TRUE(LGOSLogger().getLogger()->prefix.isEmpty());
}

TEST(LGTTYLogger, WritesLinesAndColoursByFlagContextAndTag) {
    auto logger = LGTTYLogger::sharedInstance();
    LGTTYLogger::configureTerminalMode("xterm-256color", "");
    ASSERT_EQ(LGTTYLogger::terminalMode(), LGTerminalMode::EscapeCodes);
    ASSERT_EQ(LGTTYLogger::colorTableSize(), 240u);
    PipeReader out;
    logger->setOutputFileDescriptor(out.fds[1]);
    logger->clearAllColors();
    // The colour setters are asynchronous; a getter waits until they landed.
    auto written = [&](const QString& text, quint64 flag, qint64 context = 0) {
        (void)logger->colorsEnabled();
        logOnQueue(logger, makeMessage(text, ts::Date::now(), flag, context));
        return out.drain();
    };

    // Plain line: local time, app[pid:thread] and the text.
    auto plain = makeMessage("hello", ts::Date::now(), 8);
    logOnQueue(logger, plain);
    QByteArray line = out.drain();
    QByteArray expectedTail = " " + QByteArray(program_invocation_short_name) + "[" + QByteArray::number(::getpid()) +
                              ":" + plain->threadID().left(8).toUtf8() + "] hello\n";
    EXPECT_TRUE(line.endsWith(expectedTail)) << line.data();
    EXPECT_EQ(line.indexOf(' '), 10);
    EXPECT_EQ(line.at(19), ':');
    EXPECT_EQ(line.at(23), ' ');

    // Enabling colours loads the error and warning defaults; debug stays plain.
    logger->setColorsEnabled(true);
    EXPECT_FALSE(written("debug", 8).contains('\033'));
    QByteArray red = written("error", 1);
    EXPECT_TRUE(red.startsWith("\033[38;5;")) << red.data();
    EXPECT_TRUE(red.endsWith("error\n\033[0m"));

    // A context-5 profile wins for context 5; context 6 gets every-context.
    logger->setForegroundColor(CLIColor(0, 0, 1), std::nullopt, LGLogFlagError, 5);
    const quint64 blue = LGTTYLogger::codeIndexForColor(CLIColor(0, 0, 1));
    EXPECT_TRUE(written("five", 1, 5).startsWith("\033[38;5;" + QByteArray::number(blue + 16) + "m"));
    EXPECT_TRUE(written("six", 1, 6).startsWith(red.left(red.indexOf('m') + 1)));

    // clearColorsForFlag: context 0 only, so the every-context profile stays.
    logger->clearColorsForFlag(LGLogFlagError);
    EXPECT_TRUE(written("six", 1, 6).contains('\033'));
    logger->clearColorsForFlag(LGLogFlagError, LGLogContextAll);
    EXPECT_FALSE(written("six", 1, 6).contains('\033'));

    // A tag profile comes before the flag profiles.
    auto tag = std::make_shared<ts::Object>();
    logger->setForegroundColorForTag(CLIColor(0, 1, 0), CLIColor(1, 1, 1), tag);
    (void)logger->colorsEnabled();
    logOnQueue(logger, std::make_shared<LGLogMessage>(QStringLiteral("tagged"), 3, 8, 0, QStringLiteral("f"), QString(),
                                                      1, tag, 0, ts::Date::now()));
    QByteArray green = out.drain();
    EXPECT_TRUE(green.startsWith("\033[38;5;")) << green.data();
    EXPECT_TRUE(green.contains("m\033[48;5;"));

    // Long texts are written in full.
    logger->clearAllColors();
    QString longText(5000, QLatin1Char('z'));
    EXPECT_TRUE(written(longText, 8).contains(longText.toUtf8() + "\n"));

    logger->setColorsEnabled(false);
    (void)logger->colorsEnabled();
    logger->setOutputFileDescriptor(STDERR_FILENO);
}

TEST(LGTTYLogger, LineShowsTheExactMillisecond) {
    auto logger = LGTTYLogger::sharedInstance();
    PipeReader out;
    logger->setOutputFileDescriptor(out.fds[1]);
    const QDateTime base(QDate(2026, 12, 5), QTime(18, 43, 21), Qt::LocalTime);
    for (int ms = 0; ms < 1000; ++ms) {
        const QDateTime when = base.addMSecs(ms);
        logOnQueue(logger, makeMessage("at", ts::Date::fromDateTime(when), 8));
        EXPECT_TRUE(out.drain().startsWith(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss:zzz ")).toUtf8())) << ms;
    }
    logger->setOutputFileDescriptor(STDERR_FILENO);
}

TEST(LGTTYLogger, PicksTheNearestTableColour) {
    (void)LGTTYLogger::sharedInstance();
    LGTTYLogger::configureTerminalMode("xterm-256color", "");
    // The fixed ends of the table.
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(88 / 255.0, 51 / 255.0, 1)), 21u - 16);
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(240 / 255.0, 242 / 255.0, 242 / 255.0)), 255u - 16);
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(47 / 255.0, 49 / 255.0, 49 / 255.0)), 0u);
    // Black is shown as code 16, the darkest colour of the table.
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(0, 0, 0)), 0u);
    LGTTYLoggerColorProfile black(CLIColor(0, 0, 0), CLIColor(0, 0, 0), 1, 0);
    EXPECT_EQ(black.fgCodeRaw, QStringLiteral("38;5;16m"));
    EXPECT_EQ(black.bgCodeRaw, QStringLiteral("48;5;16m"));
    // The greys still serve the greys between black and white.
    const quint64 grey = LGTTYLogger::codeIndexForColor(CLIColor(0.5, 0.5, 0.5));
    EXPECT_GE(grey + 16, 232u);
    EXPECT_LT(grey + 16, 255u);

    LGTTYLogger::configureTerminalMode("xterm-color", "");
    EXPECT_EQ(LGTTYLogger::colorTableSize(), 16u);
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(0, 0, 0)), 0u);
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(1, 0.2, 0.1)), 9u);
    LGTTYLoggerColorProfile bright(CLIColor(1, 0.2, 0.1), std::nullopt, 1, 0);
    EXPECT_EQ(QByteArray(bright.fgCode, int(bright.fgCodeLen)), QByteArray("\033[1;31m"));

    LGTTYLogger::configureTerminalMode("dumb", "YES");
    LGTTYLoggerColorProfile components(CLIColor(1, 0, 0.5), CLIColor(0, 0, 0), 1, 0);
    EXPECT_EQ(QByteArray(components.fgCode, int(components.fgCodeLen)), QByteArray("\033[fg255,0,127;"));
    EXPECT_EQ(QByteArray(components.resetCode, int(components.resetCodeLen)), QByteArray("\033[;"));

    LGTTYLogger::configureTerminalMode("dumb", "");
    EXPECT_EQ(LGTTYLogger::colorTableSize(), 0u);
    EXPECT_EQ(LGTTYLogger::codeIndexForColor(CLIColor(1, 1, 1)), 0u);
    LGTTYLoggerColorProfile none(CLIColor(1, 0, 0), std::nullopt, 1, 0);
    EXPECT_EQ(none.fgCodeLen, 0u);
    EXPECT_EQ(none.resetCodeLen, 0u);
}
