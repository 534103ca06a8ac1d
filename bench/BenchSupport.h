#pragma once
// Shared by the benchmarks that print ratios: repetitions by default, and the
// best CPU time per iteration of each benchmark, the least disturbed by other
// work on the machine. A benchmark with arguments is named with them
// ("BM_Save/20000").

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            const std::string name =
                r.run_name.args.empty() ? r.run_name.function_name : r.run_name.function_name + "/" + r.run_name.args;
            const double t = r.GetAdjustedCPUTime();
            auto it = times.find(name);
            if (it == times.end() || t < it->second) times[name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Initialises Google Benchmark with the given number of repetitions unless
// the command line names its own.
inline void initialize(int argc, char** argv, int repetitions) {
    static std::vector<char*> args;
    static std::string flag;
    args.assign(argv, argv + argc);
    bool given = false;
    for (int i = 1; i < argc; ++i) given = given || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0;
    flag = "--benchmark_repetitions=" + std::to_string(repetitions);
    if (!given) args.push_back(flag.data());
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
}

}  // namespace bench
