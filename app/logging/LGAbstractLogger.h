#pragma once
// Base of every logger: owns the logger's serial queue and its formatter, and
// fixes on which queue each operation may run.
//
// The queue is made on first use of loggerQueue(), labelled with loggerName()
// of the concrete class, and marked so that isOnInternalLoggerQueue() can
// tell it apart. Code that runs on the logger's queue (logMessage, flush, the
// formatter) reads logFormatter_ and other settings directly; the public
// accessors go through the logging queue and then the logger's queue so that
// settings never change while a message is being written.
//
// Loggers are meant to be owned by std::shared_ptr (the hub keeps them so).

#include "LGLogger.h"

#include "platform/Dispatch.h"

#include <memory>
#include <mutex>

class LGAbstractLogger : public LGLogger, public std::enable_shared_from_this<LGAbstractLogger> {
public:
    LGAbstractLogger() = default;
    ~LGAbstractLogger() override;

    // Does nothing; concrete loggers write the message.
    void logMessage(const LGLogMessagePtr& message) override {}

    // Safe from any thread. From the logger's own queue it answers the field
    // at once instead of waiting on a queue the caller holds.
    LGLogFormatterPtr logFormatter() override;
    // Returns at once; the change happens on the logger's queue, after the
    // messages queued before it. Setting the formatter already in place does
    // nothing (no willRemoveFromLogger, no didAddToLogger).
    void setLogFormatter(LGLogFormatterPtr formatter) override;

    ts::DispatchQueuePtr loggerQueue() override;
    // Replaces the queue (and moves the marker of isOnInternalLoggerQueue to
    // it); meant for before the logger is registered.
    void setLoggerQueue(ts::DispatchQueuePtr queue);
    QString loggerName() const override { return QStringLiteral("LGAbstractLogger"); }

    bool isOnGlobalLoggingQueue() const;
    bool isOnInternalLoggerQueue() const;

protected:
    // The pattern for public setters of concrete loggers: run at once when
    // already on the logger's queue, otherwise hand the change through the
    // logging queue to the logger's queue and return.
    void changeSetting(ts::DispatchTask change);
    // The matching pattern for getters: run `read` where the settings are
    // stable and wait for it.
    void readSetting(const ts::DispatchTask& read);

    // Owned by the logger's queue.
    LGLogFormatterPtr logFormatter_;

private:
    std::mutex queueMutex_;
    ts::DispatchQueuePtr loggerQueue_;
};
