#include "LGLogSupport.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

namespace {

struct ClockState {
    std::mutex mutex;
    std::shared_ptr<std::function<ts::Date()>> source;
};

ClockState& clockState() {
    static auto* state = new ClockState;
    return *state;
}

ts::Date systemNow() {
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return ts::Date{double(us) / 1e6 - LGReferenceDateOffset};
}

std::atomic<bool> clockReplaced{false};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = (long long)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yy + (m <= 2));
}

void putDigits(char* out, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

struct SyslogState {
    std::mutex mutex;
    std::shared_ptr<std::function<void(int, const QByteArray&)>> writer;
};
SyslogState& syslogState() {
    static auto* state = new SyslogState;
    return *state;
}
std::atomic<bool> syslogReplaced{false};

std::atomic<int> emergencyFd{-1};
std::atomic<const void*> emergencyOwner{nullptr};
std::mutex emergencyMutex;

}  // namespace

ts::Date LGLogClock::now() {
    if (!clockReplaced.load(std::memory_order_acquire)) return systemNow();
    std::shared_ptr<std::function<ts::Date()>> source;
    {
        std::lock_guard<std::mutex> lock(clockState().mutex);
        source = clockState().source;
    }
    return source ? (*source)() : systemNow();
}

void LGLogClock::setSource(std::function<ts::Date()> source) {
    std::lock_guard<std::mutex> lock(clockState().mutex);
    if (source) {
        clockState().source = std::make_shared<std::function<ts::Date()>>(std::move(source));
        clockReplaced = true;
    } else {
        clockState().source.reset();
        clockReplaced = false;
    }
}

bool LGWriteAll(int fd, const char* bytes, size_t length) {
    if (fd < 0) return false;
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes += n;
        length -= size_t(n);
    }
    return true;
}

void LGConsoleLog(const QString& text) {
    QByteArray line = text.toUtf8();
    line.append('\n');
    LGWriteAll(STDERR_FILENO, line.constData(), size_t(line.size()));
}

LGLogTimeParts LGSplitLogTime(double unixSeconds) {
    // Rounded to the microsecond first, then cut to the millisecond.
    if (!std::isfinite(unixSeconds)) unixSeconds = 0;
    unixSeconds = std::clamp(unixSeconds, -9.0e12, 9.0e12);
    const long long us = std::llround(unixSeconds * 1e6);
    const long long ms = us >= 0 ? us / 1000 : (us - 999) / 1000;
    const long long secs = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return {secs, unsigned(ms - secs * 1000)};
}

int LGFormatLocalLogTimestamp(double unixSeconds, char* out, size_t size) {
    const LGLogTimeParts parts = LGSplitLogTime(unixSeconds);
    const time_t secs = time_t(parts.seconds);
    struct tm local;
    if (size == 0 || !::localtime_r(&secs, &local)) return 0;
    int n = std::snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d:%03u", local.tm_year + 1900, local.tm_mon + 1,
                          local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, parts.milliseconds);
    return n < 0 ? 0 : std::min(n, int(size) - 1);
}

int LGFormatLogTimestamp(double unixSeconds, char* out) {
    const LGLogTimeParts parts = LGSplitLogTime(unixSeconds);
    const long long secs = parts.seconds;
    const unsigned millis = parts.milliseconds;
    long long days = secs >= 0 ? secs / 86400 : (secs - 86399) / 86400;
    unsigned secOfDay = unsigned(secs - days * 86400);
    int year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    if (year < 0) year = 0;
    putDigits(out, unsigned(year % 10000), 4);
    out[4] = '/';
    putDigits(out + 5, month, 2);
    out[7] = '/';
    putDigits(out + 8, day, 2);
    out[10] = ' ';
    putDigits(out + 11, secOfDay / 3600, 2);
    out[13] = ':';
    putDigits(out + 14, secOfDay / 60 % 60, 2);
    out[16] = ':';
    putDigits(out + 17, secOfDay % 60, 2);
    out[19] = ':';
    putDigits(out + 20, millis, 3);
    out[23] = '\0';
    return 23;
}

void LGEmergencyLog::publish(const void* owner, int fd) {
    std::lock_guard<std::mutex> lock(emergencyMutex);
    int copy = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    int old = emergencyFd.exchange(copy);
    emergencyOwner = copy >= 0 ? owner : nullptr;
    if (old >= 0) ::close(old);
}

void LGEmergencyLog::withdraw(const void* owner) {
    std::lock_guard<std::mutex> lock(emergencyMutex);
    if (emergencyOwner.load() != owner) return;
    int old = emergencyFd.exchange(-1);
    emergencyOwner = nullptr;
    if (old >= 0) ::close(old);
}

int LGEmergencyLog::fileDescriptor() { return emergencyFd.load(std::memory_order_acquire); }

void LGSyslog::write(int priority, const QByteArray& text) {
    if (syslogReplaced.load(std::memory_order_acquire)) {
        std::shared_ptr<std::function<void(int, const QByteArray&)>> writer;
        {
            std::lock_guard<std::mutex> lock(syslogState().mutex);
            writer = syslogState().writer;
        }
        if (writer) {
            (*writer)(priority, text);
            return;
        }
    }
    ::syslog(priority, "%s", text.constData());
}

void LGSyslog::setWriter(std::function<void(int, const QByteArray&)> writer) {
    std::lock_guard<std::mutex> lock(syslogState().mutex);
    syslogState().writer = writer ? std::make_shared<std::function<void(int, const QByteArray&)>>(std::move(writer))
                                  : nullptr;
    syslogReplaced = bool(syslogState().writer);
}
