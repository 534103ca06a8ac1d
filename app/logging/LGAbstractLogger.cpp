#include "LGAbstractLogger.h"

#include "LGLog.h"

LGAbstractLogger::~LGAbstractLogger() {
    if (loggerQueue_) loggerQueue_->setSpecific(this, nullptr);
}

ts::DispatchQueuePtr LGAbstractLogger::loggerQueue() {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (!loggerQueue_) {
        // Made here rather than in the constructor, where loggerName() would
        // still answer this class's name instead of the concrete logger's.
        loggerQueue_ = ts::DispatchQueue::createSerial(loggerName());
        loggerQueue_->setSpecific(this, this);
    }
    return loggerQueue_;
}

void LGAbstractLogger::setLoggerQueue(ts::DispatchQueuePtr queue) {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (loggerQueue_ == queue) return;
    if (loggerQueue_) loggerQueue_->setSpecific(this, nullptr);
    loggerQueue_ = std::move(queue);
    // The marker follows the queue, or isOnInternalLoggerQueue() would answer
    // for a queue the logger no longer uses.
    if (loggerQueue_) loggerQueue_->setSpecific(this, this);
}

bool LGAbstractLogger::isOnGlobalLoggingQueue() const { return LGLog::isOnLoggingQueue(); }

bool LGAbstractLogger::isOnInternalLoggerQueue() const { return ts::DispatchQueue::getSpecific(this) != nullptr; }

void LGAbstractLogger::readSetting(const ts::DispatchTask& read) {
    if (isOnInternalLoggerQueue()) {
        read();
        return;
    }
    ts::DispatchQueuePtr queue = loggerQueue();
    // sync runs inline when the caller already holds the logging queue.
    LGLog::loggingQueue()->sync([&] { queue->sync(read); });
}

void LGAbstractLogger::changeSetting(ts::DispatchTask change) {
    if (isOnInternalLoggerQueue()) {
        change();
        return;
    }
    ts::DispatchQueuePtr queue = loggerQueue();
    // Keep the logger alive until the change has run when it is shared: the
    // hop onto the logger's queue is not yet the run.
    auto keep = weak_from_this().lock();
    LGLog::loggingQueue()->async([queue, keep, change = std::move(change)] {
        queue->async([keep, change] { change(); });
    });
}

LGLogFormatterPtr LGAbstractLogger::logFormatter() {
    LGLogFormatterPtr result;
    readSetting([&] { result = logFormatter_; });
    return result;
}

void LGAbstractLogger::setLogFormatter(LGLogFormatterPtr formatter) {
    ts::DispatchQueuePtr queue = loggerQueue();
    auto keep = weak_from_this().lock();
    auto change = [this, keep, queue, formatter] {
        if (formatter == logFormatter_) return;
        if (logFormatter_) logFormatter_->willRemoveFromLogger(this);
        logFormatter_ = formatter;
        if (formatter && !formatter->didAddToLoggerInQueue(this, queue)) formatter->didAddToLogger(this);
    };
    // Always through the logging queue, so that the change lands after the
    // messages already queued, even when called from the logger's queue.
    LGLog::loggingQueue()->async([queue, change] { queue->async(change); });
}
