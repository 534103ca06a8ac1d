#pragma once
// Small services the loggers share: the bundle identifier that names every
// log file, the clock the file loggers read (replaceable for tests), the
// diagnostic console that the logging library reports its own failures to,
// and the emergency channel a crash report is written through.
//
// The console is standard error written with write(2); it never goes through
// the logging hub, so a failing logger cannot loop on its own reports.

#include "platform/Value.h"

#include <QString>

#include <functional>

// The application's bundle identifier; every log file's name begins with it.
inline constexpr char LGBundleIdentifier[] = "org.tessarin.Tessarin";

// Seconds between the Unix epoch and the reference date of ts::Date.
inline constexpr double LGReferenceDateOffset = 978307200.0;

namespace LGLogClock {
// The current time as the loggers see it. Thread-safe.
ts::Date now();
// Replaces the clock; an empty function restores the system clock. Meant for
// tests; set it before loggers run.
void setSource(std::function<ts::Date()> source);
}  // namespace LGLogClock

// Writes one line (a line feed is added) to standard error. Never fails
// loudly: a closed or broken stderr just loses the line.
void LGConsoleLog(const QString& text);

// The system log as the loggers write it: syslog(3) by default. The writer
// is replaceable so that tests can see what reaches the system log.
namespace LGSyslog {
void write(int priority, const QByteArray& text);
// An empty function restores syslog(3).
void setWriter(std::function<void(int priority, const QByteArray& text)> writer);
}  // namespace LGSyslog

// Writes all bytes to fd, retrying on EINTR and short writes. Answers false
// on any other error (EPIPE included, which callers treat as "reader gone").
// Async-signal-safe.
bool LGWriteAll(int fd, const char* bytes, size_t length);

// A Unix time as whole seconds and the milliseconds into that second, both
// toward the past. Exact: a time made from a whole millisecond is often a
// hair below it as a double, and still shows that millisecond. Every log
// timestamp is cut this way. Pure arithmetic, safe in signal context.
struct LGLogTimeParts {
    long long seconds;
    unsigned milliseconds;
};
LGLogTimeParts LGSplitLogTime(double unixSeconds);

// "yyyy/MM/dd HH:mm:ss:SSS" of the date in GMT into out (at least 24 bytes,
// zero-terminated); answers the length (23). Needs no allocation and no lock,
// so the crash handler may use it in signal context.
int LGFormatLogTimestamp(double unixSeconds, char* out);

// "yyyy-MM-dd HH:mm:ss:SSS" of the date in local time into out (at least 24
// bytes, zero-terminated); answers the length, 0 when the date has no local
// time.
int LGFormatLocalLogTimestamp(double unixSeconds, char* out, size_t size);

// The emergency channel: the descriptor of the log file that a crash report
// is appended to. The file logger publishes its open file here; the signal
// handler reads it without locks.
namespace LGEmergencyLog {
// Publishes a duplicate of fd (the caller keeps its own). -1 withdraws it.
// `owner` identifies the publisher, so one file logger cannot withdraw
// another's file.
void publish(const void* owner, int fd);
void withdraw(const void* owner);
// The published descriptor or -1. Async-signal-safe.
int fileDescriptor();
}  // namespace LGEmergencyLog
