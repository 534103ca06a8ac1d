#pragma once
// The two roles of the logging library: a logger writes messages somewhere, a
// formatter turns a message into the text a logger writes.
//
// Optional operations have default implementations that do nothing and answer
// false, meaning "not offered"; an implementation answers true. The hub relies
// on these answers where the choice matters (didAddLoggerInQueue before
// didAddLogger). Flushing is announced up front with hasFlush(), because the
// hub only waits on the queues of loggers that flush.

#include "platform/Dispatch.h"

#include <QString>

#include <memory>

class LGLogMessage;
class LGLogger;
class LGLogFormatter;

using LGLogMessagePtr = std::shared_ptr<const LGLogMessage>;
using LGLoggerPtr = std::shared_ptr<LGLogger>;
using LGLogFormatterPtr = std::shared_ptr<LGLogFormatter>;

// Flags (single bits) and levels (masks of flags). A message reaches a logger
// when its flag and the logger's level share a bit.
constexpr quint64 LGLogFlagError = 1;
constexpr quint64 LGLogFlagWarning = 2;
constexpr quint64 LGLogFlagInfo = 4;
constexpr quint64 LGLogFlagDebug = 8;
constexpr quint64 LGLogFlagVerbose = 16;

constexpr quint64 LGLogLevelOff = 0;
constexpr quint64 LGLogLevelError = LGLogFlagError;
constexpr quint64 LGLogLevelWarning = LGLogLevelError | LGLogFlagWarning;
constexpr quint64 LGLogLevelInfo = LGLogLevelWarning | LGLogFlagInfo;
constexpr quint64 LGLogLevelDebug = LGLogLevelInfo | LGLogFlagDebug;
constexpr quint64 LGLogLevelVerbose = LGLogLevelDebug | LGLogFlagVerbose;
constexpr quint64 LGLogLevelAll = ~quint64(0);

// Contexts: the caller's choice; this one means "every context" to loggers
// that keep per-context settings.
constexpr qint64 LGLogContextAll = 2147483647;

class LGLogger {
public:
    virtual ~LGLogger() = default;

    // Called on the logger's queue while the hub holds the logging queue:
    // must not log synchronously through the hub, nor call waiting accessors.
    virtual void logMessage(const LGLogMessagePtr& message) = 0;
    // Several messages in order, under the same rules; the hub hands over
    // the messages of callers that logged at the same time together. By
    // default one logMessage each; a logger may write them in one go.
    virtual void logMessages(const LGLogMessagePtr* messages, size_t count) {
        for (size_t i = 0; i < count; ++i) logMessage(messages[i]);
    }
    virtual LGLogFormatterPtr logFormatter() = 0;
    virtual void setLogFormatter(LGLogFormatterPtr formatter) = 0;

    // Optional; each runs on the logger's queue.
    virtual bool didAddLogger() { return false; }
    virtual bool didAddLoggerInQueue(const ts::DispatchQueuePtr& queue) { return false; }
    virtual bool willRemoveLogger() { return false; }
    virtual bool hasFlush() const { return false; }
    virtual void flush() {}
    // Null: the hub makes a serial queue for the logger.
    virtual ts::DispatchQueuePtr loggerQueue() { return nullptr; }
    // Null: not offered (the hub's queue for the logger stays unlabelled).
    virtual QString loggerName() const { return QString(); }
};

class LGLogFormatter {
public:
    virtual ~LGLogFormatter() = default;

    // The text to write, or a null QString to drop the message for that
    // logger. Called on the logger's queue.
    virtual QString formatLogMessage(const LGLogMessage& message) = 0;

    // Optional; the logger is passed for identification, not to be retained.
    virtual bool didAddToLogger(LGLogger* logger) { return false; }
    virtual bool didAddToLoggerInQueue(LGLogger* logger, const ts::DispatchQueuePtr& queue) { return false; }
    virtual bool willRemoveFromLogger(LGLogger* logger) { return false; }
};
