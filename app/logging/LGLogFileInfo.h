#pragma once
// The record of one log file on disk: its path, name, attributes, dates,
// size and age, and the archived mark that the file logger sets on a file it
// has finished with.
//
// The archived mark is the extended attribute LGLogFileArchivedAttribute
// holding the one byte 1. On a file system that refuses extended attributes
// the mark is a small sidecar file beside the log file (".<name>.archived"),
// with the same meaning; renaming the record moves it along.
//
// Attributes are read without following symbolic links, and so is the mark:
// a link in the logs folder is reported as a link and never written through.
//
// Threads: a record is used by one thread at a time. Values are read lazily
// and cached until reset(), so a record may report an older state of the
// file. Failures go to the console (LGConsoleLog), never to the hub.

#include "platform/Value.h"

#include <QString>

#include <optional>
#include <memory>

#include <sys/types.h>

class LGLogFileInfo;
using LGLogFileInfoPtr = std::shared_ptr<LGLogFileInfo>;

// Linux keeps attributes of unprivileged programs in the "user." namespace.
inline constexpr char LGLogFileArchivedAttribute[] = "user.tessarin.log.archived";

// The calls the archived mark is made with; replaceable so that tests can
// stand in for a file system without extended attributes. Same contracts as
// lgetxattr(2), lsetxattr(2) and lremovexattr(2).
struct LGExtendedAttributeCalls {
    ssize_t (*get)(const char* path, const char* name, void* value, size_t size);
    int (*set)(const char* path, const char* name, const void* value, size_t size, int flags);
    int (*remove)(const char* path, const char* name);
};

// The attributes of a file as read from the file system; `valid` is false
// when they could not be read.
struct LGFileAttributes {
    bool valid = false;
    bool isSymlink = false;
    bool isRegular = false;
    quint64 size = 0;
    std::optional<ts::Date> birthDate;  // where the file system records it
    ts::Date modificationDate;
};

class LGLogFileInfo {
public:
    static LGLogFileInfoPtr logFileWithPath(const QString& filePath);
    explicit LGLogFileInfo(const QString& filePath);

    const QString& filePath() const { return filePath_; }
    QString fileName();
    // Read once; a failure is reported and gives invalid attributes (read
    // again on the next call).
    const LGFileAttributes& fileAttributes();
    // The birth time where the file system keeps one, else the time in the
    // log file's name, else the modification time. Null when the file's
    // attributes cannot be read and the name carries no time.
    std::optional<ts::Date> creationDate();
    std::optional<ts::Date> modificationDate();
    // Bytes; kept once it is not 0.
    quint64 fileSize();
    // Seconds since creationDate() by LGLogClock; 0 without a date.
    double age();
    bool isSymlink();

    bool isArchived();
    void setIsArchived(bool archived);

    bool hasExtendedAttributeWithName(const QString& name);
    void addExtendedAttributeWithName(const QString& name);
    void removeExtendedAttributeWithName(const QString& name);

    // Renames the file within its folder; replaces a file of that name.
    void renameFile(const QString& newFileName);
    // Forgets the cached name, attributes and dates (not the size).
    void reset();

    bool isEqual(const LGLogFileInfo& other) const { return filePath_ == other.filePath_; }
    bool operator==(const LGLogFileInfo& other) const { return isEqual(other); }
    size_t hash() const;
    // Negative when `other` is older than this record (newest first).
    int reverseCompareByCreationDate(LGLogFileInfo& other);
    int reverseCompareByModificationDate(LGLogFileInfo& other);
    QString description();

    // The time written into a log file's name ("... yyyy-MM-dd--HH-mm-ss-SSS.log"),
    // or null when the part after the last blank is not such a time.
    static std::optional<ts::Date> dateFromLogFileName(const QString& fileName);
    // ".<name>.archived" beside the file.
    static QString sidecarPathForFile(const QString& filePath);

    // Replaces the attribute calls process-wide; null restores the system's.
    static void setExtendedAttributeCalls(const LGExtendedAttributeCalls* calls);

private:
    QString filePath_;
    std::optional<QString> fileName_;
    std::optional<LGFileAttributes> attributes_;
    std::optional<std::optional<ts::Date>> creationDate_;
    quint64 fileSize_ = 0;
};
