#pragma once
// The file logger's manager of log files: owns the logs folder, names and
// creates each new log file, tells log files from other files in the folder,
// lists them unsorted or newest first, and deletes old ones beyond a number
// of files and a disk quota.
//
// A log file is named "<bundle identifier> yyyy-MM-dd--HH-mm-ss-SSS.log" with
// the creation time in GMT; a later attempt for a taken name puts " 2", " 3"
// ... before the extension. Files of other names, folders, and symbolic
// links in the folder are never deleted.
//
// Threads: no lock; each call reads the folder afresh. Made through
// std::make_shared, because pruning runs asynchronously on the global queue
// and holds the manager weakly. Failures go to the console.

#include "LGLogFileManager.h"

#include <atomic>
#include <mutex>

class LGLogFileManagerDefault : public LGLogFileManager,
                                public std::enable_shared_from_this<LGLogFileManagerDefault> {
public:
    // An empty folder means defaultLogsDirectory().
    explicit LGLogFileManagerDefault(const QString& logsDirectory = QString());

    // The user's state folder ($XDG_STATE_HOME, else ~/.local/state; the
    // temporary folder when there is no home), then "Logs", then the process
    // name.
    static QString defaultLogsDirectory();
    // The executable's name.
    static QString processName();
    // The bundle identifier that begins every log file's name.
    static QString applicationName();

    // Creates the folder (with missing parents) on every call.
    QString logsDirectory() override;
    quint64 maximumNumberOfLogFiles() const override { return maximumNumberOfLogFiles_; }
    void setMaximumNumberOfLogFiles(quint64 count) override;
    quint64 logFilesDiskQuota() const override { return logFilesDiskQuota_; }
    void setLogFilesDiskQuota(quint64 bytes) override;

    bool isLogFile(const QString& fileName) const;
    QString newLogFileName() const;
    // Text every new file begins with; none by default.
    virtual QString logFileHeader() const { return QString(); }
    QByteArray logFileHeaderData() const;

    QString createNewLogFileWithError(QString* error) override;

    QStringList unsortedLogFilePaths() override;
    QStringList unsortedLogFileNames() override;
    std::vector<LGLogFileInfoPtr> unsortedLogFileInfos() override;
    QStringList sortedLogFilePaths() override;
    QStringList sortedLogFileNames() override;
    std::vector<LGLogFileInfoPtr> sortedLogFileInfos() override;

    // Deletes, newest first kept, the files beyond the number and the quota.
    void deleteOldLogFiles();

private:
    void deleteOldFilesForConfigurationChange();
    void removeOrphanedSidecars();

    QString logsDirectory_;
    // The file this manager made last: in use by its logger, so never pruned
    // while it is not archived, even when its name sorts it among the oldest
    // (after the clock was set back).
    mutable std::mutex lastCreatedMutex_;
    QString lastCreatedPath_;
    std::atomic<quint64> maximumNumberOfLogFiles_{5};
    std::atomic<quint64> logFilesDiskQuota_{20971520};
};
