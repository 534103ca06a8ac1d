#include "LGLogFileInfo.h"

#include "LGLogSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

const LGExtendedAttributeCalls systemCalls = {
    [](const char* p, const char* n, void* v, size_t s) -> ssize_t { return ::lgetxattr(p, n, v, s); },
    [](const char* p, const char* n, const void* v, size_t s, int f) { return ::lsetxattr(p, n, v, s, f); },
    [](const char* p, const char* n) { return ::lremovexattr(p, n); },
};

std::atomic<const LGExtendedAttributeCalls*> attributeCalls{&systemCalls};

const LGExtendedAttributeCalls& calls() { return *attributeCalls.load(std::memory_order_acquire); }

bool attributesUnsupported(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

ts::Date dateFromTimespec(long long sec, long long nsec) {
    return ts::Date{double(sec) + double(nsec) / 1e9 - LGReferenceDateOffset};
}

long long daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

LGFileAttributes readAttributes(const QString& path, int& error) {
    LGFileAttributes a;
    QByteArray native = QFile::encodeName(path);
    struct statx sx;
    if (::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        a.valid = true;
        a.isSymlink = S_ISLNK(sx.stx_mode);
        a.isRegular = S_ISREG(sx.stx_mode);
        a.size = sx.stx_size;
        a.modificationDate = dateFromTimespec(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
        if ((sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0))
            a.birthDate = dateFromTimespec(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
        return a;
    }
    if (errno != ENOSYS) {
        error = errno;
        return a;
    }
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
        error = errno;
        return a;
    }
    a.valid = true;
    a.isSymlink = S_ISLNK(st.st_mode);
    a.isRegular = S_ISREG(st.st_mode);
    a.size = quint64(st.st_size);
    a.modificationDate = dateFromTimespec(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    return a;
}

// The sidecar mark: present, and whether it holds exactly the byte 1.
enum class Sidecar { Missing, One, Other };

Sidecar readSidecar(const QString& filePath) {
    QByteArray path = QFile::encodeName(LGLogFileInfo::sidecarPathForFile(filePath));
    int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Sidecar::Missing;
    char buf[2];
    ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    return n == 1 && buf[0] == 1 ? Sidecar::One : Sidecar::Other;
}

// Answers errno on failure, 0 on success.
int writeSidecar(const QString& filePath) {
    QByteArray file = QFile::encodeName(filePath);
    struct stat st;
    if (::lstat(file.constData(), &st) != 0) return errno;
    QByteArray path = QFile::encodeName(LGLogFileInfo::sidecarPathForFile(filePath));
    int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    const char one = 1;
    int result = LGWriteAll(fd, &one, 1) ? 0 : errno;
    if (::close(fd) != 0 && result == 0) result = errno;
    return result;
}

}  // namespace

void LGLogFileInfo::setExtendedAttributeCalls(const LGExtendedAttributeCalls* c) {
    attributeCalls = c ? c : &systemCalls;
}

LGLogFileInfoPtr LGLogFileInfo::logFileWithPath(const QString& filePath) {
    if (filePath.isEmpty()) return nullptr;
    return std::make_shared<LGLogFileInfo>(filePath);
}

LGLogFileInfo::LGLogFileInfo(const QString& filePath) : filePath_(filePath) {}

QString LGLogFileInfo::fileName() {
    if (!fileName_) fileName_ = filePath_.mid(filePath_.lastIndexOf(QLatin1Char('/')) + 1);
    return *fileName_;
}

const LGFileAttributes& LGLogFileInfo::fileAttributes() {
    if (attributes_ && attributes_->valid) return *attributes_;
    int error = 0;
    attributes_ = readAttributes(filePath_, error);
    if (!attributes_->valid)
        LGConsoleLog(QStringLiteral("LGLogFileInfo: Failed to read file attributes: %1 (%2)")
                         .arg(QString::fromLocal8Bit(std::strerror(error)), filePath_));
    return *attributes_;
}

std::optional<ts::Date> LGLogFileInfo::creationDate() {
    if (creationDate_) return *creationDate_;
    const LGFileAttributes& a = fileAttributes();
    std::optional<ts::Date> date = a.birthDate;
    if (!date) date = dateFromLogFileName(fileName());
    if (!date && a.valid) date = a.modificationDate;
    if (a.valid || date) creationDate_ = date;
    return date;
}

std::optional<ts::Date> LGLogFileInfo::modificationDate() {
    const LGFileAttributes& a = fileAttributes();
    if (!a.valid) return std::nullopt;
    return a.modificationDate;
}

quint64 LGLogFileInfo::fileSize() {
    if (fileSize_ == 0) fileSize_ = fileAttributes().size;
    return fileSize_;
}

double LGLogFileInfo::age() {
    std::optional<ts::Date> created = creationDate();
    if (!created) return 0;
    return LGLogClock::now().seconds - created->seconds;
}

bool LGLogFileInfo::isSymlink() { return fileAttributes().isSymlink; }

bool LGLogFileInfo::isArchived() { return hasExtendedAttributeWithName(QString::fromLatin1(LGLogFileArchivedAttribute)); }

void LGLogFileInfo::setIsArchived(bool archived) {
    if (archived) addExtendedAttributeWithName(QString::fromLatin1(LGLogFileArchivedAttribute));
    else removeExtendedAttributeWithName(QString::fromLatin1(LGLogFileArchivedAttribute));
}

bool LGLogFileInfo::hasExtendedAttributeWithName(const QString& name) {
    QByteArray path = QFile::encodeName(filePath_);
    QByteArray attr = name.toUtf8();
    char byte = 0;
    ssize_t n = calls().get(path.constData(), attr.constData(), &byte, 1);
    if (n >= 1 && byte == 1) return true;
    if (n >= 0) {
        // Present with an unexpected value: it still marks the file, written
        // anew in the canonical form.
        addExtendedAttributeWithName(name);
        return true;
    }
    int error = errno;
    if (error != ENODATA && !attributesUnsupported(error)) return false;
    // No attribute here: the mark may live in a sidecar, written where the
    // file system refused attributes (or where the file was moved from one).
    switch (readSidecar(filePath_)) {
    case Sidecar::Missing:
        return false;
    case Sidecar::One:
        return true;
    case Sidecar::Other:
        writeSidecar(filePath_);
        return true;
    }
    return false;
}

void LGLogFileInfo::addExtendedAttributeWithName(const QString& name) {
    QByteArray path = QFile::encodeName(filePath_);
    QByteArray attr = name.toUtf8();
    const char one = 1;
    if (calls().set(path.constData(), attr.constData(), &one, 1, 0) == 0) return;
    int error = errno;
    if (error == ENOENT) return;
    if (attributesUnsupported(error)) {
        error = writeSidecar(filePath_);
        if (error == 0 || error == ENOENT) return;
    }
    LGConsoleLog(QStringLiteral("LGLogFileInfo: setxattr(%1, %2): error = %3")
                     .arg(name, filePath_, QString::fromLocal8Bit(std::strerror(error))));
}

void LGLogFileInfo::removeExtendedAttributeWithName(const QString& name) {
    QByteArray path = QFile::encodeName(filePath_);
    QByteArray attr = name.toUtf8();
    int result = calls().remove(path.constData(), attr.constData());
    int error = result == 0 ? 0 : errno;
    // A sidecar mark goes too, whichever way the file was marked.
    QByteArray sidecar = QFile::encodeName(sidecarPathForFile(filePath_));
    bool sidecarRemoved = ::unlink(sidecar.constData()) == 0;
    if (result == 0 || error == ENODATA || error == ENOENT) return;
    if (attributesUnsupported(error) && (sidecarRemoved || errno == ENOENT)) return;
    LGConsoleLog(QStringLiteral("LGLogFileInfo: removexattr(%1, %2): error = %3")
                     .arg(name, fileName(), QString::fromLocal8Bit(std::strerror(error))));
}

void LGLogFileInfo::renameFile(const QString& newFileName) {
    if (newFileName == fileName()) return;
    QString folder = filePath_.left(filePath_.lastIndexOf(QLatin1Char('/')) + 1);
    QString newPath = folder + newFileName;
    QByteArray from = QFile::encodeName(filePath_);
    QByteArray to = QFile::encodeName(newPath);

    struct stat st;
    if (::lstat(to.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!QDir(newPath).removeRecursively())
            LGConsoleLog(QStringLiteral("LGLogFileInfo: Error deleting archive (%1): %2")
                             .arg(newFileName, QStringLiteral("cannot remove folder")));
    } else if (::unlink(to.constData()) != 0 && errno != ENOENT) {
        LGConsoleLog(QStringLiteral("LGLogFileInfo: Error deleting archive (%1): %2")
                         .arg(newFileName, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        LGConsoleLog(QStringLiteral("LGLogFileInfo: Error renaming file (%1): %2")
                         .arg(fileName(), QString::fromLocal8Bit(std::strerror(errno))));
    } else {
        QByteArray oldSidecar = QFile::encodeName(sidecarPathForFile(filePath_));
        QByteArray newSidecar = QFile::encodeName(sidecarPathForFile(newPath));
        ::unlink(newSidecar.constData());
        ::rename(oldSidecar.constData(), newSidecar.constData());
    }
    filePath_ = newPath;
    reset();
}

void LGLogFileInfo::reset() {
    fileName_.reset();
    attributes_.reset();
    creationDate_.reset();
}

size_t LGLogFileInfo::hash() const { return qHash(filePath_); }

int LGLogFileInfo::reverseCompareByCreationDate(LGLogFileInfo& other) {
    double mine = creationDate() ? creationDate()->seconds : 0;
    double theirs = other.creationDate() ? other.creationDate()->seconds : 0;
    return theirs < mine ? -1 : theirs > mine ? 1 : 0;
}

int LGLogFileInfo::reverseCompareByModificationDate(LGLogFileInfo& other) {
    double mine = modificationDate() ? modificationDate()->seconds : 0;
    double theirs = other.modificationDate() ? other.modificationDate()->seconds : 0;
    return theirs < mine ? -1 : theirs > mine ? 1 : 0;
}

QString LGLogFileInfo::description() {
    auto dateText = [](const std::optional<ts::Date>& d) {
        return d ? d->toDateTime().toString(Qt::ISODateWithMs) : QString();
    };
    const LGFileAttributes& a = fileAttributes();
    QString attrs = a.valid ? QStringLiteral("{size = %1; type = %2}")
                                  .arg(a.size)
                                  .arg(a.isSymlink ? "symlink" : a.isRegular ? "regular" : "other")
                            : QString();
    return QStringLiteral("{\n    age = %1;\n    creationDate = \"%2\";\n    fileAttributes = \"%3\";\n"
                          "    fileName = \"%4\";\n    filePath = \"%5\";\n    fileSize = %6;\n"
                          "    isArchived = %7;\n    modificationDate = \"%8\";\n}")
        .arg(age())
        .arg(dateText(creationDate()), attrs, fileName(), filePath_)
        .arg(fileSize())
        .arg(isArchived() ? 1 : 0)
        .arg(dateText(modificationDate()));
}

std::optional<ts::Date> LGLogFileInfo::dateFromLogFileName(const QString& fileName) {
    qsizetype blank = fileName.lastIndexOf(QLatin1Char(' '));
    QString part = fileName.mid(blank + 1);
    if (part.endsWith(QLatin1String(".log"))) part.chop(4);
    // yyyy-MM-dd--HH-mm-ss-SSS
    static const char pattern[] = "dddd-dd-dd--dd-dd-dd-ddd";
    if (part.size() != qsizetype(sizeof pattern - 1)) return std::nullopt;
    for (qsizetype i = 0; i < part.size(); ++i) {
        QChar c = part.at(i);
        if (pattern[i] == 'd' ? !(c >= QLatin1Char('0') && c <= QLatin1Char('9')) : c != QLatin1Char(pattern[i]))
            return std::nullopt;
    }
    auto num = [&](int from, int len) { return part.mid(from, len).toInt(); };
    int year = num(0, 4), month = num(5, 2), day = num(8, 2);
    int hour = num(12, 2), minute = num(15, 2), second = num(18, 2), millis = num(21, 3);
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    long long days = daysFromCivil(year, unsigned(month), unsigned(day));
    double unixTime = double(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + second + millis / 1000.0;
    return ts::Date{unixTime - LGReferenceDateOffset};
}

QString LGLogFileInfo::sidecarPathForFile(const QString& filePath) {
    qsizetype slash = filePath.lastIndexOf(QLatin1Char('/'));
    return filePath.left(slash + 1) + QLatin1Char('.') + filePath.mid(slash + 1) + QLatin1String(".archived");
}
