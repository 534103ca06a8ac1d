#include "LGLogMessage.h"

#include <QFile>
#include <QHash>
#include <QThread>

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

QString currentThreadName() {
    if (QThread* t = QThread::currentThread(); t && !t->objectName().isEmpty()) return t->objectName();
    char buf[64] = {};
    if (pthread_getname_np(pthread_self(), buf, sizeof buf) != 0) return QString();
    QByteArray name(buf);
    if (name.isEmpty() || name == processThreadName()) return QString();
    return QString::fromUtf8(name);
}

QString fileNameOf(const QString& path) {
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
    long tid = ::syscall(SYS_gettid);
    threadID_ = tid > 0 ? QString::asprintf("%llu", (unsigned long long)tid) : QStringLiteral("missing threadId");
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
