#pragma once
// Shared helpers of the logger tests: a settable clock, a scratch logs folder
// and small file helpers.

#include "app/logging/LGLogFileInfo.h"
#include "app/logging/LGLogMessage.h"
#include "app/logging/LGLogSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include <sys/xattr.h>

// Replaces the loggers' clock for the lifetime of the object. The time is
// either fixed or the system time shifted by an offset.
class TestClock {
public:
    TestClock() {
        LGLogClock::setSource([state = state_] {
            double fixed = state->fixed.load();
            if (fixed != 0) return ts::Date{fixed};
            return ts::Date{ts::Date::now().seconds + state->offset.load()};
        });
    }
    ~TestClock() { LGLogClock::setSource(nullptr); }
    void setFixed(const QDateTime& utc) { state_->fixed = ts::Date::fromDateTime(utc).seconds; }
    void setFixed(double referenceSeconds) { state_->fixed = referenceSeconds; }
    void advance(double seconds) { state_->fixed = state_->fixed.load() + seconds; }
    void setOffset(double seconds) {
        state_->fixed = 0;
        state_->offset = seconds;
    }

private:
    struct State {
        std::atomic<double> fixed{0};
        std::atomic<double> offset{0};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Entries of a folder, hidden ones included, sorted by name.
inline QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline LGLogMessagePtr makeMessage(const QString& text, const ts::Date& when, quint64 flag = 1, qint64 context = 0) {
    return std::make_shared<LGLogMessage>(text, 3, flag, context, QStringLiteral("/src/File.cpp"),
                                          QStringLiteral("-[File method]"), 12, nullptr, 0, when);
}

// Hands a message to a logger on its own queue, as the hub does.
template <class Logger>
void logOnQueue(const std::shared_ptr<Logger>& logger, const LGLogMessagePtr& message) {
    logger->loggerQueue()->sync([&] { logger->logMessage(message); });
}

inline bool isArchivedOnDisk(const QString& path) {
    char byte = 0;
    return ::getxattr(QFile::encodeName(path).constData(), LGLogFileArchivedAttribute, &byte, 1) == 1 && byte == 1;
}

// While alive, the log files live on a file system that refuses extended
// attributes.
struct NoAttributes {
    NoAttributes() {
        static const LGExtendedAttributeCalls calls = {
            [](const char*, const char*, void*, size_t) -> ssize_t { errno = ENOTSUP; return -1; },
            [](const char*, const char*, const void*, size_t, int) { errno = ENOTSUP; return -1; },
            [](const char*, const char*) { errno = ENOTSUP; return -1; },
        };
        LGLogFileInfo::setExtendedAttributeCalls(&calls);
    }
    ~NoAttributes() { LGLogFileInfo::setExtendedAttributeCalls(nullptr); }
};

// Polls until the condition holds or the time is up; the ceiling is generous,
// as only a failing test reaches it.
template <class Condition>
bool eventually(Condition condition, int milliseconds = 60000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}
