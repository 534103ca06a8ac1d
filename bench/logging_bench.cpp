// 100,000 synchronous log calls through the hub to the file logger, against
// writing the same lines with plain buffered writes. Prints the ratio (target:
// at most 10), for one thread and for 8 threads logging at once, from the
// best of five repetitions of each.

#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"
#include "app/logging/LGLogSupport.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

namespace {

constexpr int kCalls = 100000;
constexpr int kThreads = 8;

struct Setup {
    QTemporaryDir dir;
    LGFileLoggerPtr logger;
    Setup() {
        auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path() + "/hub");
        manager->setMaximumNumberOfLogFiles(0);
        manager->setLogFilesDiskQuota(0);
        logger = std::make_shared<LGFileLogger>(manager);
        // One file for the whole run, as the plain writes have.
        logger->setMaximumFileSize(0);
        logger->setRollingFrequency(0);
        LGLog::addLogger(logger);
        (void)LGLog::allLoggers();
    }
};

Setup& setup() {
    static Setup* s = new Setup;
    return *s;
}

void logCalls(int from, int count) {
    for (int i = from; i < from + count; ++i)
        TSLogError("Attempting to access object at index %lu, array only %lu objects", (unsigned long)i, 3ul);
}

void plainWrites(std::FILE* f, int from, int count) {
    char line[256];
    for (int i = from; i < from + count; ++i) {
        auto now = std::chrono::system_clock::now().time_since_epoch();
        double seconds = std::chrono::duration<double>(now).count();
        int n = LGFormatLogTimestamp(seconds, line);
        n += std::snprintf(line + n, sizeof line - size_t(n),
                           "  Attempting to access object at index %lu, array only %lu objects\n", (unsigned long)i,
                           3ul);
        std::fwrite(line, 1, size_t(n), f);
    }
}

void BM_HubToFileLogger(benchmark::State& state) {
    setup();
    for (auto _ : state) logCalls(0, kCalls);
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

void BM_PlainBufferedWrites(benchmark::State& state) {
    QByteArray path = QFile::encodeName(setup().dir.path() + "/plain.log");
    std::FILE* f = std::fopen(path.constData(), "a");
    for (auto _ : state) {
        plainWrites(f, 0, kCalls);
        std::fflush(f);
    }
    std::fclose(f);
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

// The file logger's own share: the same lines handed to it on its queue,
// without the hub's hops between threads.
void BM_FileLoggerAlone(benchmark::State& state) {
    QTemporaryDir dir;
    auto manager = std::make_shared<LGLogFileManagerDefault>(dir.path());
    auto logger = std::make_shared<LGFileLogger>(manager);
    logger->setMaximumFileSize(0);
    logger->setRollingFrequency(0);
    std::vector<LGLogMessagePtr> messages;
    messages.reserve(kCalls);
    for (int i = 0; i < kCalls; ++i)
        messages.push_back(std::make_shared<LGLogMessage>(
            ts::format("Attempting to access object at index %lu, array only %lu objects", (unsigned long)i, 3ul), 3, 1,
            0, QStringLiteral(__FILE__), QStringLiteral("logCalls"), __LINE__, nullptr, 0));
    for (auto _ : state)
        logger->loggerQueue()->sync([&] {
            for (const auto& m : messages) logger->logMessage(m);
        });
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

void BM_HubToFileLogger8Threads(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) threads.emplace_back(logCalls, t * (kCalls / kThreads), kCalls / kThreads);
        for (auto& t : threads) t.join();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

void BM_PlainBufferedWrites8Threads(benchmark::State& state) {
    QByteArray path = QFile::encodeName(setup().dir.path() + "/plain8.log");
    std::FILE* f = std::fopen(path.constData(), "a");
    for (auto _ : state) {
        // stdio locks the stream per call, the nearest plain equivalent.
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back(plainWrites, f, t * (kCalls / kThreads), kCalls / kThreads);
        for (auto& t : threads) t.join();
        std::fflush(f);
    }
    std::fclose(f);
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

BENCHMARK(BM_HubToFileLogger)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainBufferedWrites)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FileLoggerAlone)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_HubToFileLogger8Threads)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainBufferedWrites8Threads)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The best real time of each benchmark over its repetitions: the run least
// disturbed by other work on the machine. Real time, because the threads
// of the eight-thread runs wait for one another.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                std::string name = r.run_name.function_name;
                const double t = r.GetAdjustedRealTime();
                auto it = real.find(name);
                if (it == real.end() || t < it->second) real[name] = t;
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> real;
};

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 5);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char* a, const char* b) {
        auto x = reporter.real.find(a), y = reporter.real.find(b);
        return x == reporter.real.end() || y == reporter.real.end() || y->second <= 0 ? -1.0 : x->second / y->second;
    };
    std::printf("ratio (hub and file logger / plain buffered writes), %d calls: %.2f with 1 thread, %.2f with %d "
                "threads (target at most 10)\n",
                kCalls, ratio("BM_HubToFileLogger", "BM_PlainBufferedWrites"),
                ratio("BM_HubToFileLogger8Threads", "BM_PlainBufferedWrites8Threads"), kThreads);
    std::printf("ratio (file logger alone, without the hub / plain buffered writes): %.2f\n",
                ratio("BM_FileLoggerAlone", "BM_PlainBufferedWrites"));
    LGLog::removeLogger(setup().logger);
    LGLog::flushLog();
    benchmark::Shutdown();
    return 0;
}
