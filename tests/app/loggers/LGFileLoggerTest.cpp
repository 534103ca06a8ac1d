#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"

#include "LoggerTestSupport.h"

#include <gtest/gtest.h>

#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime kWhen(QDate(2026, 12, 5), QTime(18, 43, 21, 123), Qt::UTC);

struct Fixture {
    QTemporaryDir dir;
    TestClock clock;
    std::shared_ptr<LGLogFileManagerDefault> manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    LGFileLoggerPtr makeLogger() { return std::make_shared<LGFileLogger>(manager); }
    static void log(const LGFileLoggerPtr& logger, const QString& text, const QDateTime& when = kWhen) {
        logOnQueue(logger, makeMessage(text, ts::Date::fromDateTime(when)));
    }
    QStringList logFiles() { return manager->sortedLogFilePaths(); }
};

}  // namespace

TEST(LGFileLogger, WritesOneLinePerMessageInTheDocumentedForm) {
    Fixture f;
    f.clock.setFixed(kWhen);
    auto logger = f.makeLogger();
    Fixture::log(logger, QStringLiteral("Attempting to access object at index 5, array only 3 objects"));
    Fixture::log(logger, QStringLiteral("ends with a line feed\n"), kWhen.addMSecs(1));
    Fixture::log(logger, QString());  // still a line: the stamp
    Fixture::log(logger, QStringLiteral("Grüße"), kWhen.addDays(400));

    QStringList files = f.logFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QFileInfo(files[0]).fileName(), QStringLiteral("org.tessarin.Tessarin 2026-12-05--18-43-21-123.log"));
    EXPECT_EQ(readAll(files[0]),
              QByteArray("2026/12/05 18:43:21:123  Attempting to access object at index 5, array only 3 objects\n"
                         "2026/12/05 18:43:21:124  ends with a line feed\n"
                         "2026/12/05 18:43:21:123  \n"
                         "2028/01/09 18:43:21:123  Gr\xc3\xbc\xc3\x9f" "e\n"));
}

namespace {
struct Dropper : LGLogFormatter {
    QString formatLogMessage(const LGLogMessage& m) override {
        return m.message().startsWith("drop") ? QString() : "custom " + m.message();
    }
};
}  // namespace

TEST(LGFileLogger, CustomFormattersDropOrGetALineFeed) {
    Fixture f;
    auto logger = f.makeLogger();
    logger->setLogFormatter(std::make_shared<Dropper>());
    (void)logger->logFormatter();  // waits until the formatter is in place
    Fixture::log(logger, QStringLiteral("drop me"));
    EXPECT_TRUE(f.logFiles().isEmpty());
    Fixture::log(logger, QStringLiteral("keep"));
    logger->setAutomaticallyAppendNewlineForCustomFormatters(false);
    Fixture::log(logger, QStringLiteral("no feed"));
    ASSERT_EQ(f.logFiles().size(), 1);
    EXPECT_EQ(readAll(f.logFiles()[0]), QByteArray("custom keep\ncustom no feed"));
}

TEST(LGFileLogger, LogsThroughTheHubSynchronously) {
    Fixture f;
    auto logger = f.makeLogger();
    LGLog::addLogger(logger);
    TSLogError("Attempting to access object at index %lu, array only %lu objects", 7ul, 2ul);
    // Synchronous: the line is in the file when the call returns.
    QStringList files = f.logFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(readAll(files[0]).mid(23), "  Attempting to access object at index 7, array only 2 objects\n");
    LGLog::removeLogger(logger);
    // Removal rolls the file; flush() waits until the removal has run.
    logger->flush();
    EXPECT_TRUE(isArchivedOnDisk(files[0]));
}

TEST(LGFileLogger, RollsAtTheMaximumSize) {
    Fixture f;
    f.clock.setFixed(kWhen);
    auto logger = f.makeLogger();
    const QString line = QString(1000, QLatin1Char('x'));  // 1026 bytes with stamp and line feed
    int written = 0;
    while (f.logFiles().size() < 2 || written < 1100) {
        Fixture::log(logger, line);
        ++written;
        ASSERT_LT(written, 2000);
    }
    ASSERT_EQ(f.logFiles().size(), 2);
    // Same millisecond: the second file carries the counter, and sorts by
    // its creation date.
    QString first = f.logFiles()[1], second = f.logFiles()[0];
    EXPECT_TRUE(second.endsWith(" 2.log")) << second.toStdString();
    qint64 size = QFileInfo(first).size();
    EXPECT_GE(size, 1048576);
    EXPECT_LT(size, 1048576 + 1026);
    EXPECT_EQ(size % 1026, 0);
    EXPECT_TRUE(isArchivedOnDisk(first));
    EXPECT_FALSE(isArchivedOnDisk(second));
    EXPECT_EQ(QFileInfo(second).size(), (written - size / 1026) * 1026);
}

TEST(LGFileLogger, RollsAtTheMaximumSizeWhenAnotherWriterFilledTheFile) {
    Fixture f;
    f.clock.setFixed(kWhen);
    auto logger = f.makeLogger();
    Fixture::log(logger, QStringLiteral("first"));
    ASSERT_EQ(f.logFiles().size(), 1);
    const QString path = f.logFiles()[0];
    // A second instance appends to the same file, past the limit.
    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::Append));
    ASSERT_EQ(other.write(QByteArray(1048576, 'y')), 1048576);
    other.close();
    Fixture::log(logger, QStringLiteral("second"));
    EXPECT_TRUE(readAll(path).endsWith("  second\n"));
    EXPECT_TRUE(isArchivedOnDisk(path));
    f.clock.setOffset(1);
    Fixture::log(logger, QStringLiteral("third"));
    ASSERT_EQ(f.logFiles().size(), 2);
    EXPECT_TRUE(readAll(f.logFiles()[0]).endsWith("  third\n"));
    EXPECT_FALSE(readAll(path).contains("third"));
}

TEST(LGFileLogger, RollsWhenTheFileIsDeletedOrMoved) {
    Fixture f;
    auto logger = f.makeLogger();
    const QString moved = f.dir.path() + "/moved-away.txt";
    const char* texts[] = {"one", "two", "three"};
    QString previous;
    // Deleted, then moved away: each time the next message opens a new file.
    for (int i = 0; i < 3; ++i) {
        if (i == 1) { ASSERT_TRUE(QFile::remove(previous)); }
        if (i == 2) { ASSERT_TRUE(QFile::rename(previous, moved)); }
        f.clock.setOffset(i);  // a new name each time
        Fixture::log(logger, texts[i]);
        ASSERT_EQ(f.logFiles().size(), 1) << texts[i];
        EXPECT_NE(f.logFiles()[0], previous);
        EXPECT_TRUE(readAll(f.logFiles()[0]).endsWith(QByteArray("  ") + texts[i] + "\n"));
        previous = f.logFiles()[0];
    }
    EXPECT_TRUE(readAll(moved).endsWith("  two\n"));
    EXPECT_FALSE(readAll(moved).contains("three"));
    EXPECT_TRUE(isArchivedOnDisk(moved));
}

TEST(LGFileLogger, RollsByAge) {
    Fixture f;
    auto logger = f.makeLogger();
    Fixture::log(logger, QStringLiteral("young"));
    QString first = f.logFiles().value(0);
    ASSERT_FALSE(first.isEmpty());

    // Within a second of the frequency: setting it runs the age check.
    f.clock.setOffset(86399.2);
    logger->setRollingFrequency(86400);
    (void)logger->rollingFrequency();  // waits until the setting has landed
    EXPECT_TRUE(isArchivedOnDisk(first));

    // The timer: armed for the next file when it opens, fires once at
    // creation plus the frequency, and rolls then.
    f.clock.setOffset(0);
    logger->setRollingFrequency(3);
    (void)logger->rollingFrequency();  // waits until the setting has landed
    Fixture::log(logger, QStringLiteral("second file"));
    QString second = f.logFiles().value(0);
    ASSERT_NE(second, first);
    EXPECT_FALSE(isArchivedOnDisk(second));
    EXPECT_TRUE(eventually([&] { return isArchivedOnDisk(second); }));

    // Off: no rolling by age however old.
    logger->setRollingFrequency(0);
    (void)logger->rollingFrequency();
    Fixture::log(logger, QStringLiteral("third"));
    QString third = f.logFiles().value(0);
    f.clock.setOffset(10 * 86400.0);
    Fixture::log(logger, QStringLiteral("still third"));
    EXPECT_EQ(f.logFiles().value(0), third);
    EXPECT_FALSE(isArchivedOnDisk(third));
}

TEST(LGFileLogger, ReusesTheNewestFileOfAnEarlierRunUnlessArchived) {
    Fixture f;
    QString path;
    {
        auto logger = f.makeLogger();
        Fixture::log(logger, QStringLiteral("first run"));
        path = f.logFiles().value(0);
    }
    {
        auto logger = f.makeLogger();
        Fixture::log(logger, QStringLiteral("second run"));
        ASSERT_EQ(f.logFiles(), QStringList{path});
        EXPECT_EQ(readAll(path).count('\n'), 2);
        logger->rollLogFile();
        EXPECT_TRUE(eventually([&] { return isArchivedOnDisk(path); }));
    }
    {
        f.clock.setOffset(1);
        auto logger = f.makeLogger();
        Fixture::log(logger, QStringLiteral("third run"));
        QStringList files = f.logFiles();
        ASSERT_EQ(files.size(), 2);
        EXPECT_NE(files[0], path);
        // doNotReuseLogFiles marks the earlier file archived and starts anew.
    }
    {
        f.clock.setOffset(2);
        auto logger = f.makeLogger();
        logger->setDoNotReuseLogFiles(true);
        QString before = f.logFiles().value(0);
        Fixture::log(logger, QStringLiteral("fourth run"));
        EXPECT_TRUE(isArchivedOnDisk(before));
        EXPECT_EQ(f.logFiles().size(), 3);
    }
}

TEST(LGFileLogger, ArchivedMarkSurvivesARestartWithoutExtendedAttributes) {
    Fixture f;
    QString path;
    auto noAttributes = std::make_unique<NoAttributes>();
    {
        auto logger = f.makeLogger();
        Fixture::log(logger, QStringLiteral("first run"));
        path = f.logFiles().value(0);
        logger->rollLogFile();
        EXPECT_TRUE(eventually([&] { return QFile::exists(LGLogFileInfo::sidecarPathForFile(path)); }));
    }
    {
        f.clock.setOffset(1);
        auto logger = f.makeLogger();
        Fixture::log(logger, QStringLiteral("second run"));
        QStringList files = f.logFiles();
        ASSERT_EQ(files.size(), 2);
        EXPECT_NE(files[0], path);
        EXPECT_EQ(readAll(path).count('\n'), 1);
    }
    noAttributes.reset();
    EXPECT_FALSE(isArchivedOnDisk(path));
}

TEST(LGFileLogger, NeverWritesThroughASymbolicLink) {
    Fixture f;
    QTemporaryDir outside;
    const QString target = outside.path() + "/target.txt";
    ASSERT_TRUE(writeFile(target, "untouched"));
    // The newest "log file" is a link to a file elsewhere.
    const QString link = f.dir.path() + "/org.tessarin.Tessarin 2030-01-01--00-00-00-000.log";
    ASSERT_TRUE(QFile::link(target, link));
    auto logger = f.makeLogger();
    Fixture::log(logger, QStringLiteral("hello"));
    EXPECT_EQ(readAll(target), QByteArray("untouched"));
    QStringList files = f.manager->unsortedLogFilePaths();
    EXPECT_EQ(files.removeAll(link), 1);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(readAll(files[0]).endsWith("  hello\n"));
}

TEST(LGFileLogger, PrunesToSevenFilesAsTheApplicationSetsIt) {
    Fixture f;
    f.clock.setFixed(kWhen);
    auto logger = f.makeLogger();
    f.manager->setMaximumNumberOfLogFiles(7);
    for (int i = 0; i < 10; ++i) {
        f.clock.advance(60);
        Fixture::log(logger, QStringLiteral("file %1").arg(i));
        logger->loggerQueue()->sync([&] { logger->rollLogFile(); });
    }
    EXPECT_TRUE(eventually([&] { return f.logFiles().size() == 7; }));
    EXPECT_TRUE(readAll(f.logFiles().value(0)).endsWith("  file 9\n"));
    EXPECT_TRUE(readAll(f.logFiles().value(6)).endsWith("  file 3\n"));
}

TEST(LGFileLogger, KeepsItsFileWhenTheClockWasSetBack) {
    Fixture f;
    // Seven files from "the future": the new file sorts as the oldest.
    for (int day = 1; day <= 7; ++day) {
        const QString old = f.dir.path() + QStringLiteral("/org.tessarin.Tessarin 2031-01-0%1--00-00-00-000.log").arg(day);
        ASSERT_TRUE(writeFile(old, "old\n"));
        LGLogFileInfo(old).setIsArchived(true);
    }
    f.manager->setMaximumNumberOfLogFiles(7);
    auto logger = f.makeLogger();
    Fixture::log(logger, QStringLiteral("first"));
    QString current = f.logFiles().last();
    f.manager->deleteOldLogFiles();
    Fixture::log(logger, QStringLiteral("second"));
    EXPECT_TRUE(QFile::exists(current));
    QByteArray content = readAll(current);
    EXPECT_TRUE(content.contains("  first\n"));
    EXPECT_TRUE(content.endsWith("  second\n"));
    EXPECT_EQ(content.count('\n'), 2);
}

TEST(LGFileLogger, RollBeforeAnyFileDoesNothingAndFlushIsSafe) {
    Fixture f;
    auto logger = f.makeLogger();
    logger->rollLogFile();
    logger->flush();
    EXPECT_TRUE(f.logFiles().isEmpty());
    logger->setMaximumFileSize(0);  // a limit setter opens the file at once
    EXPECT_EQ(logger->maximumFileSize(), 0u);   // waits until it has
    EXPECT_EQ(f.logFiles().size(), 1);
}

TEST(LGFileLogger, LeavesAForeignNonRegularFileNamedLikeALogFileAlone) {
    Fixture f;
    // A pipe named like the newest log file: opening it for writing would
    // wait for a reader forever.
    const QString fifo = f.dir.path() + "/org.tessarin.Tessarin 2030-01-01--00-00-00-000.log";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    auto logger = f.makeLogger();
    auto logged = std::async(std::launch::async, [&] { Fixture::log(logger, QStringLiteral("hello")); });
    bool finished = logged.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    if (!finished) {
        // Free the stuck writer so that the suite can go on.
        int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        logged.wait();
        if (reader >= 0) ::close(reader);
    }
    EXPECT_TRUE(finished);
    QStringList files = f.manager->unsortedLogFilePaths();
    files.removeAll(fifo);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(readAll(files[0]).endsWith("  hello\n"));
}

TEST(LGFileLogger, LineAndFileNameShowTheExactMillisecond) {
    // Many exact milliseconds are a hair below themselves as a double; each
    // must still show as itself, not as the one before.
    LGLogFileFormatterDefault formatter;
    TestClock clock;
    LGLogFileManagerDefault manager(QStringLiteral("/nonexistent"));
    for (int ms = 0; ms < 1000; ++ms) {
        const QDateTime when = kWhen.addMSecs(ms - 123);
        const ts::Date date = ts::Date::fromDateTime(when);
        EXPECT_EQ(formatter.formatLogMessage(*makeMessage(QStringLiteral("x"), date)),
                  when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss:zzz")) + QStringLiteral("  x"));
        clock.setFixed(date.seconds);
        EXPECT_EQ(manager.newLogFileName(),
                  QStringLiteral("org.tessarin.Tessarin ") + when.toString(QStringLiteral("yyyy-MM-dd--HH-mm-ss-zzz")) +
                      QStringLiteral(".log"));
    }
}
