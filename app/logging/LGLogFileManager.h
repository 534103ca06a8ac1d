#pragma once
// What a file logger needs of the object that owns its log files: the
// folder, the limits, the lists of log files, and the making of a new one.

#include "LGLogFileInfo.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LGLogFileManager;
using LGLogFileManagerPtr = std::shared_ptr<LGLogFileManager>;

class LGLogFileManager {
public:
    virtual ~LGLogFileManager() = default;

    virtual QString logsDirectory() = 0;
    // 0: no limit on the number of files.
    virtual quint64 maximumNumberOfLogFiles() const = 0;
    virtual void setMaximumNumberOfLogFiles(quint64 count) = 0;
    // Bytes; 0: no quota.
    virtual quint64 logFilesDiskQuota() const = 0;
    virtual void setLogFilesDiskQuota(quint64 bytes) = 0;

    virtual QStringList unsortedLogFilePaths() = 0;
    virtual QStringList unsortedLogFileNames() = 0;
    virtual std::vector<LGLogFileInfoPtr> unsortedLogFileInfos() = 0;
    // Newest first.
    virtual QStringList sortedLogFilePaths() = 0;
    virtual QStringList sortedLogFileNames() = 0;
    virtual std::vector<LGLogFileInfoPtr> sortedLogFileInfos() = 0;

    // The path of a new, empty (or header-only) log file, or a null string
    // with the cause in *error.
    virtual QString createNewLogFileWithError(QString* error) = 0;

    // Told on the file logger's completion queue when the logger has marked
    // a file archived: rolled (true) or left behind when logging resumed.
    virtual void didArchiveLogFile(const QString& path, bool wasRolled) {}
};
