#include "LGBufferedProxy.h"

#include "LGLog.h"

#include <sys/statvfs.h>

namespace {

quint64 rootBlockSize() {
    struct statvfs st;
    if (::statvfs("/", &st) != 0) return 0;
    return st.f_frsize ? st.f_frsize : st.f_bsize;
}

}  // namespace

LGLoggerPtr LGFileLogger::wrapWithBuffer() { return std::make_shared<LGBufferedProxy>(unwrapFromBuffer()); }

quint64 LGBufferedProxy::defaultBufferSize() {
    static const quint64 size = [] {
        quint64 block = rootBlockSize();
        return block ? block : quint64(4096);
    }();
    return size;
}

quint64 LGBufferedProxy::largestBufferSize() { return 1048576; }

LGBufferedProxy::LGBufferedProxy(LGFileLoggerPtr fileLogger)
    : fileLogger_(std::move(fileLogger)), maxBufferSizeBytes_(defaultBufferSize()) {
    buffer_.reserve(qsizetype(maxBufferSizeBytes_));
}

LGBufferedProxy::~LGBufferedProxy() {
    if (!fileLogger_) return;
    auto queue = fileLogger_->loggerQueue();
    if (queue->isCurrent()) lt_sendBufferedDataToFileLogger();
    else queue->sync([this] { lt_sendBufferedDataToFileLogger(); });
}

void LGBufferedProxy::setMaxBufferSizeBytes(quint64 bytes) { maxBufferSizeBytes_ = std::min(bytes, largestBufferSize()); }

void LGBufferedProxy::logMessage(const LGLogMessagePtr& message) {
    if (!message) return;
    QByteArray data = fileLogger_->lt_dataForMessage(*message);
    if (data.isEmpty()) return;
    buffer_.append(data);
    if (quint64(buffer_.size()) >= maxBufferSizeBytes_) lt_sendBufferedDataToFileLogger();
}

void LGBufferedProxy::lt_sendBufferedDataToFileLogger() {
    if (buffer_.isEmpty()) return;
    fileLogger_->lt_logData(buffer_);
    buffer_.clear();
    buffer_.reserve(qsizetype(maxBufferSizeBytes_));
}

bool LGBufferedProxy::willRemoveLogger() {
    lt_sendBufferedDataToFileLogger();
    return fileLogger_->willRemoveLogger();
}

void LGBufferedProxy::flush() {
    auto work = [this] {
        lt_sendBufferedDataToFileLogger();
        fileLogger_->flush();
    };
    auto queue = fileLogger_->loggerQueue();
    if (queue->isCurrent()) work();
    else LGLog::loggingQueue()->sync([&] { queue->sync(work); });
}
