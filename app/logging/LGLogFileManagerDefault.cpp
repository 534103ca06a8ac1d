#include "LGLogFileManagerDefault.h"

#include "LGLogSupport.h"

#include "platform/Dispatch.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The GMT time as "yyyy-MM-dd--HH-mm-ss-SSS".
QString fileDatePart(const ts::Date& date) {
    char t[24];
    LGFormatLogTimestamp(date.seconds + LGReferenceDateOffset, t);
    char out[25];
    std::memcpy(out, t, 4);
    out[4] = '-';
    std::memcpy(out + 5, t + 5, 2);
    out[7] = '-';
    std::memcpy(out + 8, t + 8, 2);
    out[10] = '-';
    out[11] = '-';
    std::memcpy(out + 12, t + 11, 2);
    out[14] = '-';
    std::memcpy(out + 15, t + 14, 2);
    out[17] = '-';
    std::memcpy(out + 18, t + 17, 2);
    out[20] = '-';
    std::memcpy(out + 21, t + 20, 3);
    out[24] = '\0';
    return QString::fromLatin1(out, 24);
}

QString nameForAttempt(const QString& name, unsigned long attempt) {
    if (attempt <= 1) return name;
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    QString base = dot >= 0 ? name.left(dot) : name;
    QString ext = dot >= 0 ? name.mid(dot + 1) : QString();
    return base + QStringLiteral(" %1").arg(attempt) + (dot >= 0 ? QLatin1Char('.') + ext : QString());
}

enum class CreateResult { Created, Exists, Failed };

// Makes the file exclusively; a non-empty header is written to a temporary
// file first and linked into place, so that no reader sees half a header.
CreateResult createExclusively(const QString& folder, const QString& path, const QByteArray& header, int& error) {
    QByteArray target = QFile::encodeName(path);
    if (!header.isEmpty()) {
        QByteArray templ = QFile::encodeName(folder + QStringLiteral("/.lgtmp-XXXXXX"));
        int fd = ::mkostemp(templ.data(), O_CLOEXEC);
        if (fd >= 0) {
            bool written = LGWriteAll(fd, header.constData(), size_t(header.size())) && ::fsync(fd) == 0;
            error = errno;
            ::close(fd);
            if (written) {
                int linked = ::link(templ.constData(), target.constData());
                int linkError = errno;
                ::unlink(templ.constData());
                if (linked == 0) return CreateResult::Created;
                if (linkError == EEXIST) return CreateResult::Exists;
                // File systems without hard links fall through to a plain write.
            } else {
                ::unlink(templ.constData());
                return CreateResult::Failed;
            }
        }
    }
    int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return error == EEXIST ? CreateResult::Exists : CreateResult::Failed;
    }
    bool ok = header.isEmpty() || LGWriteAll(fd, header.constData(), size_t(header.size()));
    error = errno;
    ::close(fd);
    return ok ? CreateResult::Created : CreateResult::Failed;
}

}  // namespace

LGLogFileManagerDefault::LGLogFileManagerDefault(const QString& logsDirectory)
    : logsDirectory_(logsDirectory.isEmpty() ? defaultLogsDirectory() : logsDirectory) {}

QString LGLogFileManagerDefault::processName() {
    static const QString name = QString::fromLocal8Bit(program_invocation_short_name);
    return name;
}

QString LGLogFileManagerDefault::applicationName() {
    static const QString name = [] {
        QString n = QString::fromLatin1(LGBundleIdentifier);
        if (n.isEmpty()) n = processName();
        return n;
    }();
    return name;
}

QString LGLogFileManagerDefault::defaultLogsDirectory() {
    QString base = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    // The XDG rules ignore relative paths here.
    if (base.isEmpty() || !base.startsWith(QLatin1Char('/'))) {
        QString home = QString::fromLocal8Bit(qgetenv("HOME"));
        base = home.isEmpty() ? QDir::tempPath() : home + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/Logs/") + processName();
}

QString LGLogFileManagerDefault::logsDirectory() {
    if (!QDir().mkpath(logsDirectory_))
        LGConsoleLog(QStringLiteral("LGFileLogManagerDefault: Error creating logsDirectory: %1").arg(logsDirectory_));
    return logsDirectory_;
}

void LGLogFileManagerDefault::setMaximumNumberOfLogFiles(quint64 count) {
    if (maximumNumberOfLogFiles_.exchange(count) != count) deleteOldFilesForConfigurationChange();
}

void LGLogFileManagerDefault::setLogFilesDiskQuota(quint64 bytes) {
    if (logFilesDiskQuota_.exchange(bytes) != bytes) deleteOldFilesForConfigurationChange();
}

void LGLogFileManagerDefault::deleteOldFilesForConfigurationChange() {
    std::weak_ptr<LGLogFileManagerDefault> weak = weak_from_this();
    ts::DispatchQueue::global()->async([weak] {
        if (auto self = weak.lock()) self->deleteOldLogFiles();
    });
}

bool LGLogFileManagerDefault::isLogFile(const QString& fileName) const {
    return fileName.startsWith(applicationName() + QLatin1Char(' ')) && fileName.endsWith(QLatin1String(".log"));
}

QString LGLogFileManagerDefault::newLogFileName() const {
    return QStringLiteral("%1 %2.log").arg(applicationName(), fileDatePart(LGLogClock::now()));
}

QByteArray LGLogFileManagerDefault::logFileHeaderData() const {
    QString header = logFileHeader();
    if (header.isEmpty()) return QByteArray();
    if (!header.endsWith(QLatin1Char('\n'))) header.append(QLatin1Char('\n'));
    return header.toUtf8();
}

QString LGLogFileManagerDefault::createNewLogFileWithError(QString* error) {
    const QString fileName = newLogFileName();
    const QString folder = logsDirectory();
    const QByteArray header = logFileHeaderData();
    if (error) error->clear();

    unsigned long attempt = 1;
    long criticalErrors = 0;
    QString lastError;
    // Bounded so that a folder full of taken names cannot spin forever.
    while (attempt < 100000) {
        const QString path = folder + QLatin1Char('/') + nameForAttempt(fileName, attempt);
        int err = 0;
        // The file and its in-use mark appear as one step: a pruning pass that
        // lists the new file must also see it marked, or it may delete the
        // file the logger is about to open.
        std::unique_lock<std::mutex> lock(lastCreatedMutex_);
        const CreateResult result = createExclusively(folder, path, header, err);
        if (result == CreateResult::Created) lastCreatedPath_ = path;
        lock.unlock();
        switch (result) {
        case CreateResult::Created: {
            std::weak_ptr<LGLogFileManagerDefault> weak = weak_from_this();
            ts::DispatchQueue::global()->async([weak] {
                if (auto self = weak.lock()) self->deleteOldLogFiles();
            });
            return path;
        }
        case CreateResult::Exists:
            ++attempt;
            continue;
        case CreateResult::Failed:
            lastError = QStringLiteral("%1: %2").arg(path, errnoText(err));
            LGConsoleLog(QStringLiteral("LGLogFileManagerDefault: Critical error while creating log file: %1")
                             .arg(lastError));
            if (++criticalErrors >= 5) {
                LGConsoleLog(QStringLiteral("LGLogFileManagerDefault: Bailing file creation, encountered %1 errors.")
                                 .arg(criticalErrors));
                if (error) *error = lastError;
                return QString();
            }
            continue;
        }
    }
    if (error) *error = QStringLiteral("no free log file name in %1").arg(folder);
    return QString();
}

QStringList LGLogFileManagerDefault::unsortedLogFilePaths() {
    QStringList paths;
    const QString folder = logsDirectory();
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return paths;
    while (struct dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR) continue;
        QString name = QFile::decodeName(entry->d_name);
        if (isLogFile(name)) paths.append(folder + QLatin1Char('/') + name);
    }
    ::closedir(dir);
    return paths;
}

QStringList LGLogFileManagerDefault::unsortedLogFileNames() {
    QStringList names;
    for (const QString& path : unsortedLogFilePaths()) names.append(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    return names;
}

std::vector<LGLogFileInfoPtr> LGLogFileManagerDefault::unsortedLogFileInfos() {
    std::vector<LGLogFileInfoPtr> infos;
    for (const QString& path : unsortedLogFilePaths()) infos.push_back(LGLogFileInfo::logFileWithPath(path));
    return infos;
}

std::vector<LGLogFileInfoPtr> LGLogFileManagerDefault::sortedLogFileInfos() {
    std::vector<LGLogFileInfoPtr> infos = unsortedLogFileInfos();
    // The time in the name is the creation time in a form no copy or backup
    // changes; files named on a later attempt carry only their counter there.
    const double now = LGLogClock::now().seconds;
    std::vector<std::pair<double, LGLogFileInfoPtr>> keyed;
    keyed.reserve(infos.size());
    for (auto& info : infos) {
        std::optional<ts::Date> date = LGLogFileInfo::dateFromLogFileName(info->fileName());
        if (!date) date = info->creationDate();
        keyed.emplace_back(date ? date->seconds : now, info);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    infos.clear();
    for (auto& k : keyed) infos.push_back(std::move(k.second));
    return infos;
}

QStringList LGLogFileManagerDefault::sortedLogFilePaths() {
    QStringList paths;
    for (const auto& info : sortedLogFileInfos()) paths.append(info->filePath());
    return paths;
}

QStringList LGLogFileManagerDefault::sortedLogFileNames() {
    QStringList names;
    for (const auto& info : sortedLogFileInfos()) names.append(info->fileName());
    return names;
}

void LGLogFileManagerDefault::deleteOldLogFiles() {
    std::vector<LGLogFileInfoPtr> files;
    // Links and other non-files named like log files are not ours to count
    // or delete.
    for (auto& info : sortedLogFileInfos())
        if (info->fileAttributes().isRegular) files.push_back(info);

    removeOrphanedSidecars();

    const quint64 quota = logFilesDiskQuota_;
    const quint64 maxFiles = maximumNumberOfLogFiles_;
    std::optional<size_t> firstToDelete;
    if (quota > 0) {
        quint64 used = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            used += files[i]->fileSize();
            if (used > quota) {
                firstToDelete = i;
                break;
            }
        }
    }
    if (maxFiles > 0) firstToDelete = firstToDelete ? std::min<size_t>(*firstToDelete, maxFiles) : size_t(maxFiles);
    if (!firstToDelete) return;
    // The newest file alone over the quota is spared while it is still in use.
    if (*firstToDelete == 0 && !files.empty() && !files[0]->isArchived()) firstToDelete = 1;

    // Held through the deletions: a name freed here can be taken again by a
    // new file within the same millisecond, and that file must not go by
    // the name this pass listed for the old one.
    std::lock_guard<std::mutex> lock(lastCreatedMutex_);
    const QString inUse = lastCreatedPath_;
    for (size_t i = *firstToDelete; i < files.size(); ++i) {
        if (files[i]->filePath() == inUse && !files[i]->isArchived()) continue;
        QByteArray path = QFile::encodeName(files[i]->filePath());
        if (::unlink(path.constData()) != 0 && errno != ENOENT) {
            LGConsoleLog(QStringLiteral("LGLogFileManagerDefault: Error deleting file %1: %2")
                             .arg(files[i]->filePath(), errnoText(errno)));
            continue;
        }
        QByteArray sidecar = QFile::encodeName(LGLogFileInfo::sidecarPathForFile(files[i]->filePath()));
        ::unlink(sidecar.constData());
    }
}

void LGLogFileManagerDefault::removeOrphanedSidecars() {
    // Marks left behind by log files that were deleted from outside.
    const QString folder = logsDirectory();
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return;
    QStringList orphans;
    while (struct dirent* entry = ::readdir(dir)) {
        QString name = QFile::decodeName(entry->d_name);
        if (!name.startsWith(QLatin1Char('.')) || !name.endsWith(QLatin1String(".archived"))) continue;
        QString logName = name.mid(1, name.size() - 1 - int(sizeof ".archived" - 1));
        if (!isLogFile(logName)) continue;
        struct stat st;
        if (::lstat(QFile::encodeName(folder + QLatin1Char('/') + logName).constData(), &st) != 0 && errno == ENOENT)
            orphans.append(folder + QLatin1Char('/') + name);
    }
    ::closedir(dir);
    for (const QString& path : orphans) ::unlink(QFile::encodeName(path).constData());
}
