#pragma once
// The logger that keeps the program's log on disk.
//
// Each admitted message becomes one line through the formatter (by default
// LGLogFileFormatterDefault: "yyyy/MM/dd HH:mm:ss:SSS" in GMT, two blanks, the
// text) and is appended to the current log file. The logger chooses the
// current file (reusing the newest file of an earlier run when it is neither
// archived, a symbolic link, too large nor too old), opens it without ever
// following a symbolic link, and rolls to a new file when the current one
// reaches maximumFileSize(), reaches rollingFrequency() in age, or is deleted
// or moved from outside. A rolled file carries the archived mark.
//
// While a file is open its descriptor is published to LGEmergencyLog, so that
// the crash handler can append its report in signal context.
//
// Threads: all file work (the lt_ operations) runs on the logger's serial
// queue "tessarin.log.fileLogger"; the hub calls logMessage, flush and
// willRemoveLogger there. The public getters wait on the logging queue and
// then the logger's queue, so they must not be called from either; the limit
// setters return at once and take effect on the logger's queue. Failures go
// to the console, never through the hub, and logging goes on.

#include "LGAbstractLogger.h"
#include "LGLogFileManager.h"
#include "LGLogMessage.h"

#include <QByteArray>

#include <atomic>
#include <functional>

class LGFileLogger;
using LGFileLoggerPtr = std::shared_ptr<LGFileLogger>;

// "%@  %@": the timestamp through the date formatter, two blanks, the text.
class LGLogFileFormatterDefault : public LGLogFormatter {
public:
    using DateFormatter = std::function<QString(const ts::Date&)>;
    // Without a date formatter: "yyyy/MM/dd HH:mm:ss:SSS" in GMT.
    explicit LGLogFileFormatterDefault(DateFormatter dateFormatter = nullptr);
    QString formatLogMessage(const LGLogMessage& message) override;
    // Whether the stamp is the built-in GMT form (no date formatter given).
    bool writesDefaultStamp() const { return !dateFormatter_; }

private:
    DateFormatter dateFormatter_;
};

class LGFileLogger : public LGAbstractLogger {
public:
    // A new LGLogFileManagerDefault with its default folder.
    LGFileLogger();
    // A null completion queue means the global queue.
    explicit LGFileLogger(LGLogFileManagerPtr manager, ts::DispatchQueuePtr completionQueue = nullptr);
    ~LGFileLogger() override;

    QString loggerName() const override { return QStringLiteral("tessarin.log.fileLogger"); }
    const LGLogFileManagerPtr& logFileManager() const { return logFileManager_; }

    // Bytes; 0 turns rolling by size off. Default 1 MiB.
    quint64 maximumFileSize();
    void setMaximumFileSize(quint64 bytes);
    // Seconds; 0 or less turns rolling by age off. Default 86400.
    double rollingFrequency();
    void setRollingFrequency(double seconds);
    // The file in use, chosen (and if need be created) on the spot; a fresh
    // record of it, for the caller's thread.
    LGLogFileInfoPtr currentLogFileInfo();

    bool doNotReuseLogFiles() const { return doNotReuseLogFiles_; }
    void setDoNotReuseLogFiles(bool value) { doNotReuseLogFiles_ = value; }
    bool automaticallyAppendNewlineForCustomFormatters() const { return appendNewline_; }
    void setAutomaticallyAppendNewlineForCustomFormatters(bool value) { appendNewline_ = value; }

    void rollLogFile() { rollLogFileWithCompletionBlock(nullptr); }
    // The block runs on the completion queue after the roll.
    void rollLogFileWithCompletionBlock(std::function<void()> completion);
    // Writes bytes unformatted; waits for the logger's queue.
    void logData(const QByteArray& data);

    // Wraps the logger so that lines reach the file in blocks (LGBufferedProxy).
    LGLoggerPtr wrapWithBuffer();
    LGFileLoggerPtr unwrapFromBuffer() { return std::static_pointer_cast<LGFileLogger>(shared_from_this()); }

    // LGLogger
    void logMessage(const LGLogMessagePtr& message) override;
    // The lines of several messages go to the file in one write, split where
    // the file reaches maximumFileSize() so that the size rule holds.
    void logMessages(const LGLogMessagePtr* messages, size_t count) override;
    bool hasFlush() const override { return true; }
    // Synchronises the open file to disk.
    void flush() override;
    bool willRemoveLogger() override;

    // On the logger's queue only: the line for a message (empty: nothing to
    // write) and the raw write with its hooks and size check.
    QByteArray lt_dataForMessage(const LGLogMessage& message);
    void lt_logData(const QByteArray& data);

protected:
    // Called around every write on the logger's queue with the current file.
    virtual void willLogMessage(const LGLogFileInfoPtr& info) {}
    virtual void didLogMessage(const LGLogFileInfoPtr& info);
    // YES archives the newest file of an earlier run instead of reusing it.
    virtual bool shouldArchiveRecentLogFileInfo(const LGLogFileInfoPtr& info) { return false; }

private:
    // Appends the line for a message (nothing when it is empty) to out.
    void lt_appendDataForMessage(const LGLogMessage& message, QByteArray& out);
    int lt_currentLogFileHandle();
    LGLogFileInfoPtr lt_currentLogFileInfo();
    bool lt_shouldUseLogFile(const LGLogFileInfoPtr& info, bool isResuming);
    bool lt_shouldLogFileBeArchived(const LGLogFileInfoPtr& info);
    void lt_rollLogFileNow();
    void lt_maybeRollLogFileDueToSize();
    void lt_maybeRollLogFileDueToAge();
    void lt_scheduleTimerToRollLogFileDueToAge();
    void lt_monitorCurrentLogFileForExternalChanges();
    bool lt_currentLogFileChangedOutside();
    void lt_stopMonitoring();
    void lt_flush();
    void lt_closeForDestruction();
    std::weak_ptr<LGFileLogger> weakSelf();

    LGLogFileManagerPtr logFileManager_;
    ts::DispatchQueuePtr completionQueue_;

    // Owned by the logger's queue.
    LGLogFileInfoPtr currentLogFileInfo_;
    int currentLogFileHandle_ = -1;
    dev_t currentDevice_ = 0;
    ino_t currentInode_ = 0;
    quint64 writtenEnd_ = 0;  // the end of the open file as far as our writes tell
    int watchFd_ = -1;  // inotify instance watching the open file, or -1
    ts::DispatchTimerPtr rollingTimer_;
    double rollingFrequency_ = 86400.0;
    quint64 maximumFileSize_ = 1048576;
    // The lines of the messages being written, kept between writes so that
    // a message needs no allocation of its own.
    QByteArray lines_;
    // The formatter whose kind was last looked at, and whether it is the
    // default one with the built-in stamp, whose lines are made directly.
    LGLogFormatterPtr checkedFormatter_;
    bool defaultLines_ = false;

    std::atomic<bool> doNotReuseLogFiles_{false};
    std::atomic<bool> appendNewline_{true};
};
