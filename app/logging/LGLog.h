#pragma once
// The process-wide logging hub.
//
// Every failure in the program is reported here with TSLogError(format, ...)
// and handed to every registered logger whose level admits the message's
// flag. The call is synchronous: it returns only when each admitted logger
// has written the message. All bookkeeping runs on one serial queue, the
// logging queue ("tessarin.log"); each logger runs on its own serial queue.
//
// Threads: any thread may log, add or remove loggers. Waiting operations
// (allLoggers, allLoggersWithLevel, flushLog) and synchronous logging run
// inline when called on the logging queue itself. A logger must not log
// synchronously through the hub from its own queue: the hub holds the logging
// queue while it waits for that very queue.
//
// Names: the operations are class-level (static) only; all of them act on
// sharedInstance(). The message forms of the log call are logMessage(); the
// format form is log(), a template over the format's arguments.

#include "LGLogMessage.h"
#include "LGLogger.h"
#include "LGLoggerNode.h"

#include "platform/Dispatch.h"
#include "platform/Format.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class LGLog : public std::enable_shared_from_this<LGLog> {
public:
    // The one hub, made on first use. It flushes on the application's
    // aboutToQuit (whether the QCoreApplication is made before or after the
    // hub) and in any case at normal process exit.
    static std::shared_ptr<LGLog> sharedInstance();
    // The serial queue all hub bookkeeping and delivery runs on.
    static ts::DispatchQueuePtr loggingQueue();
    // Whether the caller runs on the logging queue.
    static bool isOnLoggingQueue();

    // Registration is asynchronous on the logging queue; null is ignored.
    // A logger added twice with the same level is registered once.
    static void addLogger(const LGLoggerPtr& logger);  // with LGLogLevelAll
    static void addLoggerWithLevel(const LGLoggerPtr& logger, quint64 level);
    // Removes the first registration of the logger only.
    static void removeLogger(const LGLoggerPtr& logger);
    static void removeAllLoggers();
    // Snapshots in registration order; wait on the logging queue.
    static std::vector<LGLoggerPtr> allLoggers();
    static std::vector<LGLoggerInformationPtr> allLoggersWithLevel();

    // The format form: formats with ts::format, then as logMessage(). A null
    // format logs nothing.
    template <class... Args>
    static void log(bool asynchronous, quint64 level, quint64 flag, qint64 context, const char* file,
                    const char* function, quint64 line, ts::ObjectPtr tag, const QString& format,
                    const Args&... args) {
        if (format.isNull()) return;
        logMessage(asynchronous, ts::format(format, args...), level, flag, context, file, function, line,
                   std::move(tag));
    }
    // Makes the message on the calling thread and queues it.
    static void logMessage(bool asynchronous, const QString& message, quint64 level, quint64 flag, qint64 context,
                           const char* file, const char* function, quint64 line, ts::ObjectPtr tag);
    // Queues a ready message unchanged.
    static void logMessage(bool asynchronous, const LGLogMessagePtr& message);

    // Waits until every logger that flushes has flushed.
    static void flushLog();

    // Per-class levels. A class takes part by having both static members
    // `quint64 lgLogLevel()` and `void lgSetLogLevel(quint64)`; to be listed
    // and reachable by name it also registers them, e.g. with
    // LG_REGISTER_LOG_LEVEL_CLASS(Cls) in its source file.
    template <class T>
    static constexpr bool isRegisteredClass() {
        return requires(quint64 level) {
            { T::lgLogLevel() } -> std::convertible_to<quint64>;
            T::lgSetLogLevel(level);
        };
    }
    template <class T>
    static quint64 levelForClass() {
        if constexpr (isRegisteredClass<T>()) return T::lgLogLevel();
        else return LGLogLevelAll;
    }
    template <class T>
    static void setLevelForClass(quint64 level) {
        if constexpr (isRegisteredClass<T>()) T::lgSetLogLevel(level);
    }
    static bool registerClass(const QString& name, std::function<quint64()> getter,
                              std::function<void(quint64)> setter);
    static bool isRegisteredClass(const QString& name);
    // Classes are known by name here, so both lists answer names.
    static QStringList registeredClasses();
    static QStringList registeredClassNames();
    // The full level for a name that is not registered.
    static quint64 levelForClassWithName(const QString& name);
    static void setLevelForClassWithName(quint64 level, const QString& name);

    // For tests and constrained machines: with 1, loggers of one message run
    // one after another instead of in parallel. Values below 1 count as 1.
    static unsigned processorCount();
    static void setProcessorCount(unsigned count);

    // Instance-only operations.
    // The one road into the logging queue.
    void queueLogMessage(const LGLogMessagePtr& message, bool asynchronously);
    // Flushes; connected to the application's termination.
    void applicationWillTerminate();

    LGLog();
    LGLog(const LGLog&) = delete;
    LGLog& operator=(const LGLog&) = delete;

private:
    using NodeList = std::vector<LGLoggerNodePtr>;

    // Delivers messages, in order, to every admitting registration.
    void lt_log(const LGLogMessagePtr* messages, size_t count);
    void lt_addLogger(const LGLoggerPtr& logger, quint64 level);
    void lt_removeLogger(const LGLoggerPtr& logger);
    void lt_removeAllLoggers();
    void lt_flush();
    // The synchronous road: returns once every logger has written the message.
    void deliverAndWait(const LGLogMessagePtr& message);

    // Read and replaced (never changed in place) on the logging queue only,
    // so that a delivery keeps the list it started with.
    std::shared_ptr<const NodeList> loggers_;

    // Synchronous callers on several threads at once: the messages that
    // arrive while one caller's delivery runs wait together, and the next
    // caller takes them all through the logging queue in one trip, in the
    // order they arrived. Each caller returns once its own message was
    // delivered.
    struct Waiting {
        std::mutex mutex;                     // guards queued and arrivals
        std::vector<LGLogMessagePtr> queued;  // arrived, not yet taken
        quint64 arrivals = 0;                 // messages queued so far
        std::vector<LGLogMessagePtr> taken;   // being delivered (by the delivering caller alone)
        // One word, so that a waiter sees every change it waits for: the
        // number of arrivals whose messages all loggers wrote, times two,
        // plus one while a caller delivers.
        std::atomic<quint64> state{0};
    };
    Waiting waiting_;
};

#define LG_REGISTER_LOG_LEVEL_CLASS(Cls)                                                          \
    [[maybe_unused]] static const bool lgLogLevelRegistered_##Cls =                               \
        ::LGLog::registerClass(QStringLiteral(#Cls), [] { return quint64(Cls::lgLogLevel()); }, \
                               [](quint64 level) { Cls::lgSetLogLevel(level); })

// The application's log call: one synchronous error-level message with the
// source file, the function and the line.
#define TSLogError(fmt, ...) \
    ::LGLog::log(false, 3, 1, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral(fmt) __VA_OPT__(,) __VA_ARGS__)
