#include "UncaughtExceptionHandler.h"

#include "LGLog.h"
#include "LGLogSupport.h"

#include "platform/Dispatch.h"

#include <QDateTime>
#include <QLocale>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <thread>
#include <typeinfo>

#include <cxxabi.h>
#include <execinfo.h>
#include <time.h>
#include <unistd.h>

namespace {

// Handled in this order; named, since the numbers differ between systems
// (SIGBUS is 7 on Linux, not 10).
constexpr int kFatalSignals[] = {SIGABRT, SIGILL, SIGSEGV, SIGFPE, SIGBUS};

// Events handled so far; lock-free, so the signal handler may use it.
std::atomic<int> handledEvents{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kMaxEventsBeforeIncrement = 10;

std::terminate_handler previousTerminateHandler = nullptr;

// Fixed at installation, read in signal context.
long localOffsetSeconds = 0;
char signalReasons[sizeof kFatalSignals / sizeof kFatalSignals[0]][48];
constexpr size_t kAltStackSize = 64 * 1024;

// A line for the signal path, built without allocation.
struct FixedText {
    char bytes[512];
    size_t length = 0;
    void add(const char* s) { add(s, std::strlen(s)); }
    void add(const char* s, size_t n) {
        if (n > sizeof bytes - length) n = sizeof bytes - length;
        std::memcpy(bytes + length, s, n);
        length += n;
    }
    void addNumber(long value) {
        char digits[24];
        int i = sizeof digits;
        bool negative = value < 0;
        unsigned long v = negative ? 0UL - (unsigned long)value : (unsigned long)value;
        do {
            digits[--i] = char('0' + v % 10);
            v /= 10;
        } while (v && i > 1);
        if (negative) digits[--i] = '-';
        add(digits + i, sizeof digits - i);
    }
    void addLogTimestamp(double unixSeconds) {
        char t[24];
        add(t, size_t(LGFormatLogTimestamp(unixSeconds, t)));
    }
};

double unixNow() {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);  // async-signal-safe
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void writeBoth(int logFd, const char* bytes, size_t length) {
    if (logFd >= 0) LGWriteAll(logFd, bytes, length);
    LGWriteAll(STDERR_FILENO, bytes, length);
}

void restoreDefaultSignalActions() {
    for (int sig : kFatalSignals) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        ::sigaction(sig, &action, nullptr);
    }
}

void removeHandlers() {
    std::set_terminate(previousTerminateHandler ? previousTerminateHandler : std::abort);
    ts::DispatchQueue::setUncaughtTaskExceptionHandler(nullptr);
    restoreDefaultSignalActions();
}

QString addressesDescription(const QStringList& lines) {
    if (lines.isEmpty()) return QStringLiteral("(\n)");
    QString text = QStringLiteral("(\n");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text += QStringLiteral("    \"") + lines.at(i) + QLatin1Char('"');
        text += i + 1 < lines.size() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    return text + QLatin1Char(')');
}

QString demangledCurrentExceptionType() {
    std::type_info* type = abi::__cxa_current_exception_type();
    if (!type) return QString();
    int status = 0;
    char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
    QString result = QString::fromUtf8(status == 0 && name ? name : type->name());
    std::free(name);
    return result;
}

}  // namespace

QStringList UncaughtExceptionHandler::backtrace() {
    void* frames[128];
    int count = ::backtrace(frames, 128);
    char** symbols = ::backtrace_symbols(frames, count);
    QStringList lines;
    if (symbols) {
        for (int i = 4; i < count && i <= 8; ++i) lines.append(QString::fromLocal8Bit(symbols[i]));
        std::free(symbols);
    }
    return lines;
}

QString UncaughtExceptionHandler::dateAndTimeAsString(const ts::Date& date) {
    QDateTime local = date.toDateTime().toLocalTime();
    QLocale locale = QLocale::system();
    return locale.toString(local.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}

void UncaughtExceptionHandler::validateAndSaveCriticalApplicationData(const UncaughtExceptionInfo& exception) {
    QString report = ts::format("%@ Terminated because of exception\n%@\n%@\n", dateAndTimeAsString(ts::Date::now()),
                                exception.reason, addressesDescription(exception.addresses));
    for (const QString& line : backtrace()) report += line + QLatin1Char('\n');
    report += QLatin1Char('\n');

    // The hub is asked from a helper thread with a time limit: when the
    // failure happened inside a logger (or the logging queue is held), a
    // synchronous log call from here would wait forever.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread writer([report, done] {
        TSLogError("%@", report);
        TSLogError("file = %s , line = %d", __FILE__, __LINE__);
        done->set_value();
    });
    if (finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
        writer.join();
    } else {
        writer.detach();
        QByteArray raw = report.toUtf8();
        writeBoth(LGEmergencyLog::fileDescriptor(), raw.constData(), size_t(raw.size()));
    }
    QByteArray forConsole = report.toUtf8();
    LGWriteAll(STDERR_FILENO, forConsole.constData(), size_t(forConsole.size()));
}

void UncaughtExceptionHandler::handleException(const UncaughtExceptionInfo& exception) {
    validateAndSaveCriticalApplicationData(exception);
    dismissed_ = true;
    removeHandlers();
    if (exception.name == QLatin1String(UncaughtExceptionHandlerSignalExceptionName)) {
        ::kill(::getpid(), exception.signal);
    } else if (previousTerminateHandler) {
        // The runtime's own ending: it names the exception on standard error
        // and aborts.
        previousTerminateHandler();
    }
    std::abort();
}

namespace {

// The exception being handled on this thread, as the report names it.
UncaughtExceptionInfo currentExceptionInfo() {
    UncaughtExceptionInfo info;
    info.name = demangledCurrentExceptionType();
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            info.reason = QString::fromUtf8(e.what());
        } catch (...) {
            info.reason = QStringLiteral("uncaught exception of type %1").arg(info.name);
        }
    } else {
        info.name = QStringLiteral("std::terminate");
        info.reason = QStringLiteral("terminate called without an active exception");
    }
    return info;
}

[[noreturn]] void endWithoutReport() {
    removeHandlers();
    if (previousTerminateHandler) previousTerminateHandler();
    std::abort();
}

}  // namespace

void HandleUncaughtException() {
    if (handledEvents.fetch_add(1) > kMaxEventsBeforeIncrement) endWithoutReport();
    UncaughtExceptionInfo info = currentExceptionInfo();
    info.addresses = UncaughtExceptionHandler::backtrace();
    UncaughtExceptionHandler handler;
    handler.handleException(info);
}

void HandleUncaughtTaskException(const QString& queueLabel) {
    if (handledEvents.fetch_add(1) > kMaxEventsBeforeIncrement) endWithoutReport();
    UncaughtExceptionInfo info = currentExceptionInfo();
    info.addresses = UncaughtExceptionHandler::backtrace();
    // The queue is worth knowing: the backtrace starts at the queue's worker,
    // the frames that threw are gone.
    LGConsoleLog(QStringLiteral("A task on queue \"%1\" threw: %2").arg(queueLabel, info.reason));
    UncaughtExceptionHandler handler;
    handler.handleException(info);
}

void SignalHandler(int signalNumber) {
    if (handledEvents.fetch_add(1) > kMaxEventsBeforeIncrement) {
        // No report, but no return either: returning from a fault re-runs the
        // faulting instruction and lands here again, for ever.
        restoreDefaultSignalActions();
        ::raise(signalNumber);
        return;
    }

    const int logFd = LGEmergencyLog::fileDescriptor();
    const double now = unixNow();
    const char* reason = "Signal was raised.";
    for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i)
        if (kFatalSignals[i] == signalNumber) reason = signalReasons[i];

    FixedText head;
    head.addLogTimestamp(now);
    head.add("  ");
    // The local time from the offset fixed at installation: the time-zone
    // machinery is not safe to call here.
    char local[24];
    LGFormatLogTimestamp(now + double(localOffsetSeconds), local);
    head.add(local, 19);
    head.add(" Terminated because of exception\n");
    head.add(reason);
    head.add("\n(\n");
    writeBoth(logFd, head.bytes, head.length);

    void* frames[128];
    int count = ::backtrace(frames, 128);
    // Frame 0 is this handler; the signal trampoline and the faulting code follow.
    if (count > 1) {
        if (logFd >= 0) ::backtrace_symbols_fd(frames + 1, count - 1, logFd);
        ::backtrace_symbols_fd(frames + 1, count - 1, STDERR_FILENO);
    }

    FixedText tail;
    tail.add(")\n\n");
    tail.addLogTimestamp(unixNow());
    tail.add("  file = " __FILE__ " , line = ");
    tail.addNumber(__LINE__);
    tail.add("\n");
    writeBoth(logFd, tail.bytes, tail.length);
    if (logFd >= 0) ::fdatasync(logFd);

    restoreDefaultSignalActions();
    // Blocked while this handler runs; delivered with the default action the
    // moment it returns (a fault re-executes and ends the same way).
    ::raise(signalNumber);
}

void UncaughtExceptionHandlerPrepareThread() {
    stack_t current;
    if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    stack_t stack;
    // Kept for the thread's lifetime; a few per process.
    stack.ss_sp = std::malloc(kAltStackSize);
    if (!stack.ss_sp) return;
    stack.ss_size = kAltStackSize;
    stack.ss_flags = 0;
    if (::sigaltstack(&stack, nullptr) != 0) std::free(stack.ss_sp);
}

void InstallUncaughtExceptionHandler() {
    // Everything the signal handler needs is made now: the reasons, the
    // local-time offset, and the unwinder (whose first use loads a library).
    for (size_t i = 0; i < sizeof kFatalSignals / sizeof kFatalSignals[0]; ++i)
        std::snprintf(signalReasons[i], sizeof signalReasons[i], "Signal %d was raised.", kFatalSignals[i]);
    time_t t = ::time(nullptr);
    struct tm tmLocal;
    if (::localtime_r(&t, &tmLocal)) localOffsetSeconds = tmLocal.tm_gmtoff;
    void* warm[4];
    ::backtrace(warm, 4);
    UncaughtExceptionHandlerPrepareThread();

    std::terminate_handler previous = std::set_terminate(HandleUncaughtException);
    if (previous != HandleUncaughtException) previousTerminateHandler = previous;
    ts::DispatchQueue::setUncaughtTaskExceptionHandler(HandleUncaughtTaskException);

    ::signal(SIGPIPE, SIG_IGN);
    for (int sig : kFatalSignals) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = SignalHandler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_ONSTACK;
        ::sigaction(sig, &action, nullptr);
    }
}
