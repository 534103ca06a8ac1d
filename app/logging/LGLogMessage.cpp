#include "LGLogMessage.h"

#include <QFile>
#include <QHash>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Seconds between the Unix epoch and 2001-01-01 UTC.
constexpr double kReferenceOffset = 978307200.0;

ts::Date preciseNow() {
    // QDateTime stops at milliseconds; two messages of one call in quick
    // succession must still carry different times.
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return ts::Date{double(us) / 1e6 - kReferenceOffset};
}

// A thread that was never named carries the process's name on Linux.
const QByteArray& processThreadName() {
    static const QByteArray name = [] {
        QFile f(QStringLiteral("/proc/self/comm"));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    }();
    return name;
}

// The system's name of the calling thread. Asking the system costs more than
// the rest of a message, so the answer is kept per thread and asked again
// once it is 50 ms old: a thread that renames itself shows the new name soon.
QString systemThreadName();
QString fileNameOfPath(const QString& path);

QString currentThreadName() {
    if (QThread* t = QThread::currentThread(); t && !t->objectName().isEmpty()) return t->objectName();
    return systemThreadName();
}

// Per-thread answers kept below hold for one process: a forked child's
// thread is another thread, so what was kept before a fork is not used after.
std::atomic<unsigned> forkGeneration{1};
void countFork() { forkGeneration.fetch_add(1, std::memory_order_relaxed); }
unsigned currentForkGeneration() {
    static const bool forkCounted = (::pthread_atfork(nullptr, nullptr, countFork), true);
    (void)forkCounted;
    return forkGeneration.load(std::memory_order_relaxed);
}

// The calling thread's identifier as text, made once per thread: it never
// changes while the thread lives.
const QString& currentThreadID() {
    thread_local unsigned madeIn = 0;
    thread_local QString text;
    const unsigned generation = currentForkGeneration();
    if (madeIn != generation) {
        const long tid = ::syscall(SYS_gettid);
        text = tid > 0 ? QString::number(qulonglong(tid)) : QStringLiteral("missing threadId");
        madeIn = generation;
    }
    return text;
}

QString systemThreadName() {
    thread_local QString name;
    thread_local unsigned madeIn = 0;
    thread_local std::chrono::steady_clock::time_point readAt;
    const auto now = std::chrono::steady_clock::now();
    const unsigned generation = currentForkGeneration();
    if (madeIn == generation && now - readAt < std::chrono::milliseconds(50)) return name;
    char buf[64] = {};
    QByteArray raw;
    if (pthread_getname_np(pthread_self(), buf, sizeof buf) == 0) raw = QByteArray(buf);
    name = raw.isEmpty() || raw == processThreadName() ? QString() : QString::fromUtf8(raw);
    madeIn = generation;
    readAt = now;
    return name;
}

// The file name of the last path seen on this thread: most messages come
// from few files.
QString fileNameOf(const QString& path) {
    thread_local QString lastPath, lastName;
    if (path == lastPath && !lastPath.isNull()) return lastName;
    lastName = fileNameOfPath(path);
    lastPath = path;
    return lastName;
}

QString fileNameOfPath(const QString& path) {
    QString last = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? last.left(dot) : last;
}

}  // namespace

LGLogMessage::LGLogMessage(const QString& message, quint64 level, quint64 flag, qint64 context, const QString& file,
                           const QString& function, quint64 line, ts::ObjectPtr tag, qint64 options,
                           std::optional<ts::Date> timestamp)
    : message_(message),  // implicit sharing makes copy and keep the same here
      level_(level),
      flag_(flag),
      context_(context),
      file_(file),
      function_(function),
      line_(line),
      tag_(tag),
      representedObject_(std::move(tag)),
      options_(options),
      timestamp_(timestamp ? *timestamp : preciseNow()) {
    threadID_ = currentThreadID();
    threadName_ = currentThreadName();
    fileName_ = fileNameOf(file_);
    queueLabel_ = ts::DispatchQueue::currentLabel();
    // No quality-of-service classes on this platform.
    qos_ = 0;
}

bool LGLogMessage::isEqual(const LGLogMessage& other) const {
    if (this == &other) return true;
    bool sameObject = representedObject_ == other.representedObject_ ||
                      (representedObject_ && other.representedObject_ &&
                       representedObject_->isEqual(*other.representedObject_));
    bool sameFunction = (function_.isNull() && other.function_.isNull()) ||
                        (!function_.isNull() && !other.function_.isNull() && function_ == other.function_);
    return message_ == other.message_ && file_ == other.file_ && threadID_ == other.threadID_ &&
           queueLabel_ == other.queueLabel_ && level_ == other.level_ && flag_ == other.flag_ &&
           context_ == other.context_ && line_ == other.line_ && qos_ == other.qos_ && sameFunction && sameObject &&
           timestamp_ == other.timestamp_;
}

size_t LGLogMessage::hash() const {
    size_t h = qHash(message_) ^ qHash(file_) ^ qHash(function_) ^ std::hash<double>()(timestamp_.seconds) ^
               qHash(threadID_) ^ qHash(queueLabel_);
    h ^= representedObject_ ? representedObject_->hash() : 0;
    h ^= size_t(level_) ^ size_t(flag_) ^ size_t(context_) ^ size_t(line_) ^ size_t(qos_);
    return h;
}

QString LGExtractFileNameWithoutExtension(const char* filePath, bool copy) {
    if (!filePath) return QString();
    const char* start = std::strrchr(filePath, '/');
    start = start ? start + 1 : filePath;
    const char* dot = std::strrchr(start, '.');
    size_t length = dot ? size_t(dot - start) : std::strlen(start);
    return QString::fromUtf8(start, qsizetype(length));
}
