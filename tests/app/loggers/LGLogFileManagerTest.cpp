#include "app/logging/LGLogFileInfo.h"
#include "app/logging/LGLogFileManagerDefault.h"

#include "LoggerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <unistd.h>

namespace {

const QString kApp = QStringLiteral("org.tessarin.Tessarin");

QString logName(int day, int hour) {
    return QStringLiteral("%1 2026-11-%2--%3-00-00-000.log").arg(kApp).arg(day, 2, 10, QLatin1Char('0')).arg(hour, 2, 10, QLatin1Char('0'));
}

QByteArray rawAttribute(const QString& path) {
    char buf[16];
    ssize_t n = ::getxattr(QFile::encodeName(path).constData(), LGLogFileArchivedAttribute, buf, sizeof buf);
    return n < 0 ? QByteArray() : QByteArray(buf, int(n));
}

}  // namespace

TEST(LGLogFileManager, NamesNewFilesAfterTheBundleIdentifierAndTheTimeInGmt) {
    QTemporaryDir dir;
    TestClock clock;
    clock.setFixed(QDateTime(QDate(2026, 12, 5), QTime(18, 43, 21, 123), Qt::UTC));
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path() + "/Logs/tool");

    QString error;
    QString first = manager->createNewLogFileWithError(&error);
    QString second = manager->createNewLogFileWithError(&error);
    EXPECT_EQ(first, dir.path() + "/Logs/tool/org.tessarin.Tessarin 2026-12-05--18-43-21-123.log");
    // The same millisecond again: the counter goes before the extension.
    EXPECT_EQ(second, dir.path() + "/Logs/tool/org.tessarin.Tessarin 2026-12-05--18-43-21-123 2.log");
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(QFileInfo(first).size(), 0);
}

TEST(LGLogFileManager, DefaultFolderIsUnderTheStateHome) {
    QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/state/home");
    EXPECT_EQ(LGLogFileManagerDefault::defaultLogsDirectory(),
              "/state/home/Logs/" + LGLogFileManagerDefault::processName());
    qputenv("XDG_STATE_HOME", "relative/is/ignored");
    EXPECT_EQ(LGLogFileManagerDefault::defaultLogsDirectory(),
              QString::fromLocal8Bit(qgetenv("HOME")) + "/.local/state/Logs/" + LGLogFileManagerDefault::processName());
    if (saved.isNull()) qunsetenv("XDG_STATE_HOME");
    else qputenv("XDG_STATE_HOME", saved);
}

TEST(LGLogFileManager, ListsOnlyLogFilesAndSortsNewestFirst) {
    QTemporaryDir dir;
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    ASSERT_TRUE(writeFile(dir.path() + "/notes.txt", "x"));
    ASSERT_TRUE(writeFile(dir.path() + "/" + kApp + ".log", "no blank"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(logName(9, 9)));  // a folder, not a file
    ASSERT_TRUE(writeFile(dir.path() + "/" + logName(1, 10), "a"));
    ASSERT_TRUE(writeFile(dir.path() + "/" + logName(3, 10), "b"));
    // Named on a later attempt: sorted by its creation date (now), so first.
    ASSERT_TRUE(writeFile(dir.path() + "/" + kApp + " 2026-11-02--10-00-00-000 2.log", "c"));

    QStringList names = manager->sortedLogFileNames();
    EXPECT_EQ(names, (QStringList{kApp + " 2026-11-02--10-00-00-000 2.log", logName(3, 10), logName(1, 10)}));
    EXPECT_EQ(manager->unsortedLogFilePaths().size(), 3);
}

TEST(LGLogFileManager, PrunesToTheNumberOfFilesAndTheQuota) {
    QTemporaryDir dir;
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    for (int day = 1; day <= 9; ++day)
        ASSERT_TRUE(writeFile(dir.path() + "/" + logName(day, 12), QByteArray(1024, 'x')));
    ASSERT_TRUE(writeFile(dir.path() + "/foreign.txt", "keep me"));
    manager->setMaximumNumberOfLogFiles(7);
    manager->deleteOldLogFiles();
    EXPECT_TRUE(eventually([&] { return manager->sortedLogFileNames().size() == 7; }));
    QStringList names = manager->sortedLogFileNames();
    EXPECT_EQ(names.first(), logName(9, 12));
    EXPECT_EQ(names.last(), logName(3, 12));
    EXPECT_TRUE(QFile::exists(dir.path() + "/foreign.txt"));

    // A quota below the newest file: that file stays while it is in use,
    // everything older goes.
    ASSERT_TRUE(writeFile(dir.path() + "/" + logName(20, 12), QByteArray(4096, 'y')));
    manager->setLogFilesDiskQuota(100);
    manager->deleteOldLogFiles();
    EXPECT_TRUE(eventually([&] { return manager->sortedLogFileNames() == QStringList{logName(20, 12)}; }));

    // Archived, the newest file goes too.
    LGLogFileInfo(dir.path() + "/" + logName(20, 12)).setIsArchived(true);
    manager->deleteOldLogFiles();
    EXPECT_TRUE(manager->sortedLogFileNames().isEmpty());
    EXPECT_TRUE(QFile::exists(dir.path() + "/foreign.txt"));
}

TEST(LGLogFileManager, SymbolicLinksNamedLikeLogFilesAreNeverDeleted) {
    QTemporaryDir dir;
    QTemporaryDir outside;
    ASSERT_TRUE(writeFile(outside.path() + "/target", "precious"));
    ASSERT_TRUE(QFile::link(outside.path() + "/target", dir.path() + "/" + logName(1, 1)));
    ASSERT_TRUE(writeFile(dir.path() + "/" + logName(2, 1), "a"));
    ASSERT_TRUE(writeFile(dir.path() + "/" + logName(3, 1), "b"));
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    manager->setMaximumNumberOfLogFiles(1);
    manager->deleteOldLogFiles();
    EXPECT_TRUE(QFileInfo(dir.path() + "/" + logName(1, 1)).isSymLink());
    EXPECT_FALSE(QFile::exists(dir.path() + "/" + logName(2, 1)));
    EXPECT_TRUE(QFile::exists(dir.path() + "/" + logName(3, 1)));
    EXPECT_EQ(readAll(outside.path() + "/target"), QByteArray("precious"));
}

TEST(LGLogFileInfo, ArchivedMarkIsTheOneByteAttribute) {
    QTemporaryDir dir;
    QString path = dir.path() + "/" + logName(1, 1);
    ASSERT_TRUE(writeFile(path, "line\n"));
    LGLogFileInfo info(path);
    EXPECT_FALSE(info.isArchived());
    info.setIsArchived(true);
    EXPECT_EQ(rawAttribute(path), QByteArray(1, '\1'));
    // A fresh record (as after a restart) reads the same mark.
    EXPECT_TRUE(LGLogFileInfo(path).isArchived());

    // Another value still marks the file, and is rewritten to 1.
    const char two = 2;
    ASSERT_EQ(::setxattr(QFile::encodeName(path).constData(), LGLogFileArchivedAttribute, &two, 1, 0), 0);
    EXPECT_TRUE(LGLogFileInfo(path).isArchived());
    EXPECT_EQ(rawAttribute(path), QByteArray(1, '\1'));

    info.setIsArchived(false);
    EXPECT_FALSE(LGLogFileInfo(path).isArchived());
    LGLogFileInfo missing(dir.path() + "/gone.log");  // no error either way
    missing.setIsArchived(true);
    EXPECT_FALSE(missing.isArchived());
}

TEST(LGLogFileInfo, ArchivedMarkFallsBackToASidecarWithoutAttributes) {
    QTemporaryDir dir;
    QString path = dir.path() + "/" + logName(1, 1);
    ASSERT_TRUE(writeFile(path, "line\n"));
    NoAttributes noAttributes;
    {
        LGLogFileInfo(path).setIsArchived(true);
        EXPECT_TRUE(QFile::exists(LGLogFileInfo::sidecarPathForFile(path)));
        EXPECT_TRUE(LGLogFileInfo(path).isArchived());
        // The sidecar is not taken for a log file.
        auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
        EXPECT_EQ(manager->unsortedLogFileNames(), QStringList{logName(1, 1)});

        // Renaming carries the mark along.
        const QString renamed = dir.path() + "/" + logName(2, 2);
        LGLogFileInfo(path).renameFile(logName(2, 2));
        EXPECT_TRUE(LGLogFileInfo(renamed).isArchived());
        EXPECT_FALSE(QFile::exists(LGLogFileInfo::sidecarPathForFile(path)));
        LGLogFileInfo(renamed).setIsArchived(false);
        EXPECT_FALSE(LGLogFileInfo(renamed).isArchived());
        // A mark whose log file was deleted from outside is cleaned up.
        QString orphan = LGLogFileInfo::sidecarPathForFile(dir.path() + "/" + logName(5, 5));
        ASSERT_TRUE(writeFile(orphan, QByteArray(1, '\1')));
        manager->deleteOldLogFiles();
        EXPECT_FALSE(QFile::exists(orphan));
        // No sidecar for a file that does not exist.
        LGLogFileInfo(dir.path() + "/gone.log").setIsArchived(true);
        EXPECT_FALSE(QFile::exists(LGLogFileInfo::sidecarPathForFile(dir.path() + "/gone.log")));
    }
}

TEST(LGLogFileInfo, RenameReplacesTheTargetAndIgnoresItsOwnName) {
    QTemporaryDir dir;
    QString a = dir.path() + "/" + logName(1, 1);
    QString b = dir.path() + "/" + logName(2, 2);
    ASSERT_TRUE(writeFile(a, "mine"));
    ASSERT_TRUE(writeFile(b, "theirs"));
    LGLogFileInfo info(a);
    info.renameFile(logName(1, 1));
    EXPECT_EQ(info.filePath(), a);
    EXPECT_TRUE(QFile::exists(a));
    info.renameFile(logName(2, 2));
    EXPECT_EQ(info.filePath(), b);
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(readAll(b), QByteArray("mine"));
}

TEST(LGLogFileInfo, CreationDatePrefersBirthTimeThenTheNameThenModification) {
    QTemporaryDir dir;
    QString path = dir.path() + "/" + logName(1, 1);
    ASSERT_TRUE(writeFile(path, "x"));
    LGLogFileInfo info(path);
    const LGFileAttributes& attrs = info.fileAttributes();
    ASSERT_TRUE(attrs.valid);
    auto created = info.creationDate();
    ASSERT_TRUE(created.has_value());
    if (attrs.birthDate) EXPECT_EQ(created->seconds, attrs.birthDate->seconds);
    else EXPECT_EQ(created->seconds, LGLogFileInfo::dateFromLogFileName(logName(1, 1))->seconds);

    auto fromName = LGLogFileInfo::dateFromLogFileName(kApp + " 2026-12-05--18-43-21-123.log");
    ASSERT_TRUE(fromName.has_value());
    EXPECT_EQ(fromName->toDateTime().toUTC(), QDateTime(QDate(2026, 12, 5), QTime(18, 43, 21, 123), Qt::UTC));
    EXPECT_FALSE(LGLogFileInfo::dateFromLogFileName(kApp + " 2026-12-05--18-43-21-123 2.log"));
    EXPECT_FALSE(LGLogFileInfo::dateFromLogFileName(kApp + " 2026-13-05--18-43-21-123.log"));

    // Without a readable file, no date and no size.
    LGLogFileInfo gone(dir.path() + "/gone");
    EXPECT_FALSE(gone.creationDate().has_value());
    EXPECT_EQ(gone.fileSize(), 0u);
}

TEST(LGLogFileManager, APruningPassNeverDeletesTheFileJustCreated) {
    // Files dated in the future (a clock set back) make every new file sort
    // as the oldest, past the limit: only its in-use mark keeps it.
    QTemporaryDir dir;
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    for (int day = 1; day <= 7; ++day) {
        const QString old = dir.path() + QStringLiteral("/%1 2031-01-0%2--00-00-00-000.log").arg(kApp).arg(day);
        ASSERT_TRUE(writeFile(old, "old\n"));
        LGLogFileInfo(old).setIsArchived(true);
    }
    manager->setMaximumNumberOfLogFiles(7);
    std::atomic<bool> stop{false};
    std::thread pruner([&] {
        while (!stop) manager->deleteOldLogFiles();
    });
    int lost = 0;
    for (int i = 0; i < 400; ++i) {
        QString error;
        const QString path = manager->createNewLogFileWithError(&error);
        if (path.isEmpty() || !QFile::exists(path)) ++lost;
    }
    stop = true;
    pruner.join();
    EXPECT_EQ(lost, 0);
}
