#pragma once
// The crash handler: when the program is about to die from a C++ exception
// that nobody caught or from a fatal signal, it writes a short report into
// the log (and so into the current log file) and then lets the process end
// the way it would have ended without it: the signal is delivered again with
// its default action, or the runtime's own termination runs.
//
// Report: "<date and time> Terminated because of exception", the reason
// ("Signal 11 was raised." for a segmentation fault, the exception's text
// otherwise), the backtrace where the failure happened, then the line
// "file = <this source file> , line = <n>".
//
// Two roads, because a signal handler may do almost nothing:
//  - An uncaught exception (std::terminate) runs in ordinary context: the
//    report goes through the logging hub, on the failing thread. It does not
//    hop to the main thread, which may be the one that is stuck; when the hub
//    does not take the report within a few seconds (a logger's own queue may
//    be the one that threw) it is written straight to the log file instead.
//  - An exception that escapes a task of a dispatch queue (serial, global or
//    main) takes the same road: the queue catches it, hands it here on the
//    failing thread, and the report is written before the process ends.
//  - A fatal signal (SIGABRT, SIGILL, SIGSEGV, SIGFPE, SIGBUS) runs in signal
//    context on an alternate stack: the report is assembled in fixed buffers
//    and written with write(2) to the log file published by the file logger
//    (LGEmergencyLog) and to standard error; no allocation, no locks.
// SIGPIPE is ignored rather than handled: a reader that goes away (the
// analyser child process closing its pipe) is an error the writer sees as
// EPIPE, not a reason to die.
//
// At most 11 events per process are reported.

#include "platform/Value.h"

#include <QString>
#include <QStringList>

// Names of the record handed from the entry points to the handler.
inline constexpr char UncaughtExceptionHandlerSignalExceptionName[] = "UncaughtExceptionHandlerSignalExceptionName";
inline constexpr char UncaughtExceptionHandlerSignalKey[] = "UncaughtExceptionHandlerSignalKey";
inline constexpr char UncaughtExceptionHandlerAddressesKey[] = "UncaughtExceptionHandlerAddressesKey";

struct UncaughtExceptionInfo {
    QString name;
    QString reason;
    int signal = 0;          // under UncaughtExceptionHandlerSignalKey; 0 for an exception
    QStringList addresses;   // under UncaughtExceptionHandlerAddressesKey
};

class UncaughtExceptionHandler {
public:
    // The symbolised lines of the caller's stack, frames 4 to 8 (the four
    // innermost frames belong to the handler).
    static QStringList backtrace();
    // The date in the locale's short date and short time styles.
    static QString dateAndTimeAsString(const ts::Date& date);

    // Writes the report through the logging hub (falling back to the log file
    // directly when the hub does not answer in time).
    void validateAndSaveCriticalApplicationData(const UncaughtExceptionInfo& exception);
    // Writes the report, removes the handlers and ends the process.
    [[noreturn]] void handleException(const UncaughtExceptionInfo& exception);

    bool dismissed() const { return dismissed_; }

private:
    bool dismissed_ = false;
};

// Installs the terminate handler and the dispatch queues' task-exception
// handler, ignores SIGPIPE and installs SignalHandler
// for SIGABRT, SIGILL, SIGSEGV, SIGFPE and SIGBUS, in that order, with an
// alternate signal stack for the calling thread. Call once, early.
void InstallUncaughtExceptionHandler();
// Gives the calling thread an alternate signal stack, so that a stack
// overflow on it is reported too. InstallUncaughtExceptionHandler does this
// for its own thread.
void UncaughtExceptionHandlerPrepareThread();
// The uncaught-exception entry (set with std::set_terminate).
[[noreturn]] void HandleUncaughtException();
// The entry for an exception that escaped a queued task; called inside the
// queue's catch handler, so the exception is the current one.
[[noreturn]] void HandleUncaughtTaskException(const QString& queueLabel);
// The signal entry. Async-signal-safe.
void SignalHandler(int signalNumber);
