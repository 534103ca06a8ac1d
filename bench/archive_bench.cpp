// Decoding a keyed archive of 5,000 small objects against reading the same
// property list without the archive layer. Prints the ratio (target: at most 3).

#include "platform/ClassRegistry.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

constexpr int kObjects = 5000;

class BenchItem : public ts::Object {
    TS_OBJECT(BenchItem, ts::Object)
public:
    QString title, tag;
    qint64 index = 0;
    double weight = 0;
    bool flag = false;
    void encodeWithCoder(ts::Coder& c) const override {
        c.encodeObject(title, "title");
        c.encodeObject(tag, "tag");
        c.encodeInteger(index, "index");
        c.encodeDouble(weight, "weight");
        c.encodeBool(flag, "flag");
    }
    bool initWithCoder(ts::Coder& c) override {
        title = c.decodeObject("title").toString();
        tag = c.decodeObject("tag").toString();
        index = c.decodeInteger("index");
        weight = c.decodeDouble("weight");
        flag = c.decodeBool("flag");
        return true;
    }
};

const QByteArray& archiveBytes() {
    static const QByteArray bytes = [] {
        ts::ClassRegistry::registerClass<BenchItem>();
        ts::ValueArray items;
        for (int i = 0; i < kObjects; ++i) {
            auto item = std::make_shared<BenchItem>();
            item->title = QStringLiteral("verbum %1").arg(i);
            item->tag = i % 2 ? QStringLiteral("nomen") : QStringLiteral("verbum");
            item->index = i;
            item->weight = i * 0.5;
            item->flag = i % 3 == 0;
            items.emplace_back(item);
        }
        return ts::KeyedArchiver::archivedDataWithRootObject(items);
    }();
    return bytes;
}

void BM_Unarchive(benchmark::State& state) {
    const QByteArray& bytes = archiveBytes();
    for (auto _ : state) {
        ts::Value v = ts::KeyedUnarchiver::unarchive(bytes);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

void BM_PlistOnly(benchmark::State& state) {
    const QByteArray& bytes = archiveBytes();
    for (auto _ : state) {
        ts::PlistResult r = ts::PropertyList::read(bytes);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

BENCHMARK(BM_Unarchive)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlistOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                real[r.run_name.function_name] = r.GetAdjustedRealTime();
                cpu[r.run_name.function_name] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> real, cpu;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const QByteArray& bytes = archiveBytes();
    QString error;
    const ts::Value v = ts::KeyedUnarchiver::unarchive(bytes, {}, &error);
    std::printf("archive: %lld bytes, %d objects; decodes: %s\n", qlonglong(bytes.size()), kObjects,
                error.isEmpty() && v.array().size() == size_t(kObjects) ? "yes" : qPrintable(error));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // CPU time as well as real time: on a loaded machine the real times mostly
    // measure waiting.
    const auto ratio = [](const std::map<std::string, double>& t) {
        const auto a = t.find("BM_Unarchive"), b = t.find("BM_PlistOnly");
        return a == t.end() || b == t.end() || b->second <= 0 ? -1.0 : a->second / b->second;
    };
    std::printf("ratio (unarchive / property list alone): %.2f real time, %.2f CPU time (target at most 3)\n",
                ratio(reporter.real), ratio(reporter.cpu));
    benchmark::Shutdown();
    return 0;
}
