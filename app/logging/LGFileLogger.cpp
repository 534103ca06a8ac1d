#include "LGFileLogger.h"

#include "LGLog.h"
#include "LGLogFileManagerDefault.h"
#include "LGLogSupport.h"

#include <QFile>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QString errnoText(int error = errno) { return QString::fromLocal8Bit(std::strerror(error)); }

std::atomic<int> writeExceptionCount{0};

}  // namespace

// LGLogFileFormatterDefault

LGLogFileFormatterDefault::LGLogFileFormatterDefault(DateFormatter dateFormatter)
    : dateFormatter_(std::move(dateFormatter)) {}

QString LGLogFileFormatterDefault::formatLogMessage(const LGLogMessage& message) {
    QString date;
    if (dateFormatter_) {
        date = dateFormatter_(message.timestamp());
    } else {
        char buf[24];
        int n = LGFormatLogTimestamp(message.timestamp().seconds + LGReferenceDateOffset, buf);
        date = QString::fromLatin1(buf, n);
    }
    QString line;
    line.reserve(date.size() + 2 + message.message().size() + 1);
    line.append(date).append(QLatin1String("  ")).append(message.message());
    return line;
}

// LGFileLogger

LGFileLogger::LGFileLogger() : LGFileLogger(std::make_shared<LGLogFileManagerDefault>()) {}

LGFileLogger::LGFileLogger(LGLogFileManagerPtr manager, ts::DispatchQueuePtr completionQueue)
    : logFileManager_(std::move(manager)),
      completionQueue_(completionQueue ? std::move(completionQueue) : ts::DispatchQueue::global()) {
    // Set directly: nobody else can see the logger yet.
    logFormatter_ = std::make_shared<LGLogFileFormatterDefault>();
}

LGFileLogger::~LGFileLogger() {
    if (isOnInternalLoggerQueue()) lt_closeForDestruction();
    else loggerQueue()->sync([this] { lt_closeForDestruction(); });
}

void LGFileLogger::lt_closeForDestruction() {
    // Not marked archived: the next run may go on writing this file.
    if (currentLogFileHandle_ >= 0) {
        if (::fsync(currentLogFileHandle_) != 0)
            LGConsoleLog(QStringLiteral("LGFileLogger: Failed to synchronize file: %1").arg(errnoText()));
        if (::close(currentLogFileHandle_) != 0)
            LGConsoleLog(QStringLiteral("LGFileLogger: Failed to close file: %1").arg(errnoText()));
        currentLogFileHandle_ = -1;
    }
    LGEmergencyLog::withdraw(this);
    lt_stopMonitoring();
    if (rollingTimer_) rollingTimer_->cancel();
    rollingTimer_.reset();
}

std::weak_ptr<LGFileLogger> LGFileLogger::weakSelf() {
    return std::static_pointer_cast<LGFileLogger>(weak_from_this().lock());
}

quint64 LGFileLogger::maximumFileSize() {
    quint64 result = 0;
    readSetting([&] { result = maximumFileSize_; });
    return result;
}

void LGFileLogger::setMaximumFileSize(quint64 bytes) {
    changeSetting([this, bytes] {
        maximumFileSize_ = bytes;
        if (lt_currentLogFileHandle() < 0) return;
        lt_maybeRollLogFileDueToSize();
    });
}

double LGFileLogger::rollingFrequency() {
    double result = 0;
    readSetting([&] { result = rollingFrequency_; });
    return result;
}

void LGFileLogger::setRollingFrequency(double seconds) {
    changeSetting([this, seconds] {
        rollingFrequency_ = seconds;
        if (lt_currentLogFileHandle() < 0) return;
        lt_maybeRollLogFileDueToAge();
    });
}

LGLogFileInfoPtr LGFileLogger::currentLogFileInfo() {
    QString path;
    readSetting([&] {
        if (LGLogFileInfoPtr info = lt_currentLogFileInfo()) path = info->filePath();
    });
    // A record of its own: the logger's record caches values on the logger's
    // queue and is not to be read from another thread.
    return LGLogFileInfo::logFileWithPath(path);
}

void LGFileLogger::rollLogFileWithCompletionBlock(std::function<void()> completion) {
    auto roll = [this, completion] {
        lt_rollLogFileNow();
        if (completion) completionQueue_->async(completion);
    };
    if (isOnInternalLoggerQueue()) roll();
    else changeSetting(roll);
}

void LGFileLogger::logData(const QByteArray& data) {
    readSetting([&] { lt_logData(data); });
}

void LGFileLogger::logMessage(const LGLogMessagePtr& message) { logMessages(&message, 1); }

void LGFileLogger::logMessages(const LGLogMessagePtr* messages, size_t count) {
    lines_.resize(0);
    for (size_t i = 0; i < count; ++i) {
        if (!messages[i]) continue;
        lt_appendDataForMessage(*messages[i], lines_);
        // A file is to end at most one write beyond its limit: write what
        // reaches it now, and the rest after the size check.
        if (maximumFileSize_ > 0 && writtenEnd_ + quint64(lines_.size()) >= maximumFileSize_ && i + 1 < count) {
            lt_logData(lines_);
            lines_.resize(0);
        }
    }
    if (!lines_.isEmpty()) lt_logData(lines_);
    // Long lines are not worth keeping room for.
    if (lines_.capacity() > 65536) lines_ = QByteArray();
}

void LGFileLogger::lt_appendDataForMessage(const LGLogMessage& message, QByteArray& out) {
    if (checkedFormatter_ != logFormatter_) {
        checkedFormatter_ = logFormatter_;
        auto* standard = dynamic_cast<const LGLogFileFormatterDefault*>(logFormatter_.get());
        defaultLines_ = standard && standard->writesDefaultStamp();
    }
    if (!defaultLines_) {
        out.append(lt_dataForMessage(message));
        return;
    }
    // The default formatter's line, made in place: the stamp, two blanks,
    // the text in UTF-8, and (the line being a formatter's) a line feed when
    // asked for.
    const QString& text = message.message();
    const qsizetype start = out.size();
    out.resize(start + 23 + 2 + 3 * text.size() + 1);
    char* at = out.data() + start;
    at += LGFormatLogTimestamp(message.timestamp().seconds + LGReferenceDateOffset, at);
    *at++ = ' ';
    *at++ = ' ';
    QStringEncoder encoder(QStringEncoder::Utf8);
    at = encoder.appendToBuffer(at, text);
    if (appendNewline_ && at[-1] != '\n') *at++ = '\n';
    out.resize(at - out.data());
}

void LGFileLogger::flush() {
    readSetting([this] { lt_flush(); });
}

void LGFileLogger::lt_flush() {
    if (currentLogFileHandle_ >= 0 && ::fsync(currentLogFileHandle_) != 0)
        LGConsoleLog(QStringLiteral("LGFileLogger: Failed to synchronize file: %1").arg(errnoText()));
}

bool LGFileLogger::willRemoveLogger() {
    lt_rollLogFileNow();
    return true;
}

QByteArray LGFileLogger::lt_dataForMessage(const LGLogMessage& message) {
    QString text = message.message();
    bool customFormatted = false;
    if (logFormatter_) {
        QString formatted = logFormatter_->formatLogMessage(message);
        // A formatter that hands the text back unchanged shares its data.
        customFormatted = formatted.isNull() || formatted.constData() != message.message().constData();
        text = formatted;
    }
    if (text.isEmpty()) return QByteArray();
    QByteArray data = text.toUtf8();
    if ((!customFormatted || appendNewline_) && !data.endsWith('\n')) data.append('\n');
    return data;
}

void LGFileLogger::lt_logData(const QByteArray& data) {
    if (data.isEmpty()) return;
    try {
        if (currentLogFileHandle_ >= 0 && lt_currentLogFileChangedOutside()) lt_rollLogFileNow();
        int fd = lt_currentLogFileHandle();
        if (fd < 0) return;
        LGLogFileInfoPtr info = currentLogFileInfo_;
        willLogMessage(info);
        // The handle is in append mode: every write lands at the end, even
        // when something else has written to or truncated the file.
        if (LGWriteAll(fd, data.constData(), size_t(data.size())))
            writtenEnd_ += quint64(data.size());
        else
            LGConsoleLog(QStringLiteral("LGFileLogger: Failed to write data: %1").arg(errnoText()));
        didLogMessage(info);
    } catch (const std::exception& e) {
        int before = writeExceptionCount.fetch_add(1);
        if (before <= 9) LGConsoleLog(QStringLiteral("LGFileLogger.logMessage: %1").arg(QString::fromUtf8(e.what())));
        if (before + 1 == 10)
            LGConsoleLog(QStringLiteral("LGFileLogger.logMessage: Too many exceptions -- will not log any more of them."));
    }
}

void LGFileLogger::didLogMessage(const LGLogFileInfoPtr& info) { lt_maybeRollLogFileDueToSize(); }

int LGFileLogger::lt_currentLogFileHandle() {
    if (currentLogFileHandle_ >= 0) return currentLogFileHandle_;
    LGLogFileInfoPtr info = lt_currentLogFileInfo();
    if (!info) return -1;
    QByteArray path = QFile::encodeName(info->filePath());
    // Never through a symbolic link, and never creating: the manager makes files.
    // Non-blocking, so that a pipe put in the file's place cannot stall the
    // open; it changes nothing for a regular file.
    int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        fd = -1;
        errno = EINVAL;
    }
    if (fd < 0) {
        LGConsoleLog(QStringLiteral("LGFileLogger: Failed to open log file (%1): %2").arg(info->filePath(), errnoText()));
        // Choose afresh next time: retrying a path that has gone or turned
        // into a link would drop every message from now on.
        currentLogFileInfo_.reset();
        return -1;
    }
    currentLogFileHandle_ = fd;
    currentDevice_ = st.st_dev;
    currentInode_ = st.st_ino;
    writtenEnd_ = quint64(st.st_size);
    LGEmergencyLog::publish(this, fd);
    lt_scheduleTimerToRollLogFileDueToAge();
    lt_monitorCurrentLogFileForExternalChanges();
    return fd;
}

LGLogFileInfoPtr LGFileLogger::lt_currentLogFileInfo() {
    LGLogFileInfoPtr candidate = currentLogFileInfo_;
    bool resuming = !candidate;
    if (resuming) {
        auto infos = logFileManager_->sortedLogFileInfos();
        if (!infos.empty()) candidate = infos.front();
    }
    if (candidate && lt_shouldUseLogFile(candidate, resuming)) {
        currentLogFileInfo_ = candidate;
        return candidate;
    }
    QString error;
    QString path = logFileManager_->createNewLogFileWithError(&error);
    if (path.isEmpty()) LGConsoleLog(QStringLiteral("LGFileLogger: Failed to create new log file: %1").arg(error));
    currentLogFileInfo_ = LGLogFileInfo::logFileWithPath(path);
    return currentLogFileInfo_;
}

bool LGFileLogger::lt_shouldUseLogFile(const LGLogFileInfoPtr& info, bool isResuming) {
    if (info->isArchived() || info->isSymlink()) return false;
    // A pipe, folder or device named like a log file is not ours: opening a
    // pipe for writing would wait for a reader forever.
    if (!info->fileAttributes().isRegular) return false;
    if (!isResuming) return true;
    if (doNotReuseLogFiles_ || lt_shouldLogFileBeArchived(info)) {
        info->setIsArchived(true);
        LGLogFileManagerPtr manager = logFileManager_;
        QString path = info->filePath();
        completionQueue_->async([manager, path] { manager->didArchiveLogFile(path, false); });
        return false;
    }
    return true;
}

bool LGFileLogger::lt_shouldLogFileBeArchived(const LGLogFileInfoPtr& info) {
    if (shouldArchiveRecentLogFileInfo(info)) return true;
    if (maximumFileSize_ > 0 && info->fileSize() >= maximumFileSize_) return true;
    if (rollingFrequency_ > 0 && info->age() >= rollingFrequency_) return true;
    return false;
}

void LGFileLogger::lt_rollLogFileNow() {
    if (currentLogFileHandle_ < 0) return;
    const int fd = currentLogFileHandle_;
    LGEmergencyLog::withdraw(this);
    if (::fsync(fd) != 0) LGConsoleLog(QStringLiteral("LGFileLogger: Failed to synchronize file: %1").arg(errnoText()));

    LGLogFileInfoPtr info = currentLogFileInfo_;
    if (info) {
        info->setIsArchived(true);
        // A file moved away from outside keeps its mark too, so that it is
        // not taken up again if it comes back into the folder.
        struct stat st;
        QByteArray path = QFile::encodeName(info->filePath());
        if (::lstat(path.constData(), &st) != 0 || st.st_ino != currentInode_ || st.st_dev != currentDevice_) {
            const char one = 1;
            ::fsetxattr(fd, LGLogFileArchivedAttribute, &one, 1, 0);
        }
    }
    if (::close(fd) != 0) LGConsoleLog(QStringLiteral("LGFileLogger: Failed to close file: %1").arg(errnoText()));
    currentLogFileHandle_ = -1;

    if (info) {
        LGLogFileManagerPtr manager = logFileManager_;
        QString path = info->filePath();
        completionQueue_->async([manager, path] { manager->didArchiveLogFile(path, true); });
    }
    currentLogFileInfo_.reset();
    lt_stopMonitoring();
    if (rollingTimer_) rollingTimer_->cancel();
    rollingTimer_.reset();
}

void LGFileLogger::lt_maybeRollLogFileDueToSize() {
    if (currentLogFileHandle_ < 0 || maximumFileSize_ == 0) return;
    // The offset of the append-mode handle, not our own count: another writer
    // (a second instance of the program) may append to the same file, and the
    // file is to end at most one write beyond the limit all the same.
    off_t offset = ::lseek(currentLogFileHandle_, 0, SEEK_CUR);
    if (offset < 0) {
        LGConsoleLog(QStringLiteral("LGFileLogger: Failed to get offset: %1").arg(errnoText()));
        return;
    }
    writtenEnd_ = quint64(offset);
    if (quint64(offset) >= maximumFileSize_) lt_rollLogFileNow();
}

void LGFileLogger::lt_maybeRollLogFileDueToAge() {
    if (rollingFrequency_ > 0 && currentLogFileInfo_ && currentLogFileInfo_->age() + 1.0 >= rollingFrequency_)
        lt_rollLogFileNow();
    else
        lt_scheduleTimerToRollLogFileDueToAge();
}

void LGFileLogger::lt_scheduleTimerToRollLogFileDueToAge() {
    if (rollingTimer_) rollingTimer_->cancel();
    rollingTimer_.reset();
    if (!currentLogFileInfo_ || rollingFrequency_ <= 0) return;
    std::optional<ts::Date> created = currentLogFileInfo_->creationDate();
    if (!created) return;
    double rollDate = created->seconds + std::min(rollingFrequency_, std::numeric_limits<double>::max() - std::abs(created->seconds));
    double delay = std::clamp(rollDate - LGLogClock::now().seconds, 0.0, 9223372036.0);

    std::weak_ptr<LGFileLogger> weak = weakSelf();
    rollingTimer_ = ts::DispatchTimer::create(loggerQueue(), [weak] {
        if (auto self = weak.lock()) self->lt_maybeRollLogFileDueToAge();
    });
    rollingTimer_->schedule(std::chrono::duration_cast<ts::DispatchDuration>(std::chrono::duration<double>(delay)));
}

void LGFileLogger::lt_monitorCurrentLogFileForExternalChanges() {
    lt_stopMonitoring();
    if (!currentLogFileInfo_) return;
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return;  // checked by stat before each write instead
    QByteArray path = QFile::encodeName(currentLogFileInfo_->filePath());
    if (::inotify_add_watch(fd, path.constData(), IN_MOVE_SELF | IN_DELETE_SELF | IN_ATTRIB | IN_DONT_FOLLOW) < 0) {
        ::close(fd);
        return;
    }
    watchFd_ = fd;
}

void LGFileLogger::lt_stopMonitoring() {
    if (watchFd_ >= 0) ::close(watchFd_);
    watchFd_ = -1;
}

bool LGFileLogger::lt_currentLogFileChangedOutside() {
    // Deletion and renaming are noticed before the next write rather than
    // the moment they happen: the next line then goes to a new file, and an
    // idle logger costs nothing.
    struct stat st;
    if (watchFd_ < 0) {
        if (::fstat(currentLogFileHandle_, &st) == 0 && st.st_nlink == 0) return true;
        QByteArray path = QFile::encodeName(currentLogFileInfo_->filePath());
        return ::lstat(path.constData(), &st) != 0 || st.st_ino != currentInode_ || st.st_dev != currentDevice_;
    }
    alignas(struct inotify_event) char buf[4096];
    bool changed = false;
    bool attributes = false;
    for (;;) {
        ssize_t n = ::read(watchFd_, buf, sizeof buf);
        if (n <= 0) break;
        for (char* p = buf; p < buf + n;) {
            auto* event = reinterpret_cast<struct inotify_event*>(p);
            if (event->mask & (IN_MOVE_SELF | IN_DELETE_SELF | IN_IGNORED | IN_UNMOUNT)) changed = true;
            if (event->mask & IN_ATTRIB) attributes = true;
            p += sizeof(struct inotify_event) + event->len;
        }
    }
    // An unlinked file that is still open only reports a change of its link
    // count.
    if (!changed && attributes && ::fstat(currentLogFileHandle_, &st) == 0 && st.st_nlink == 0) changed = true;
    return changed;
}
