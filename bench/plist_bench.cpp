// Binary property-list decode and encode against libplist, on the same bytes
// in the same run. Prints the ratio ours / libplist for reading and writing.
//
// The document: a tree of 10,000 dictionaries shaped like a long text (title,
// body text, an attribute blob, an id, a children array), about 20 MB (UTF-16 for one body in five).

#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

using namespace ts;

namespace {

constexpr int kNodes = 10000;

QString words(std::mt19937& rng, int count, bool nonAscii) {
    static const char* const kWords[] = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed",
                                         "do", "eiusmod", "tempor", "incididunt", "ut", "labore", "et", "dolore", "magna"};
    static const QString kAccented[] = {QStringLiteral("caf\u00e9"), QStringLiteral("na\u00efve"), QStringLiteral("\u65e5\u672c\u8a9e"),
                                        QStringLiteral("\u00fcber")};
    QString s;
    s.reserve(count * 8);
    for (int i = 0; i < count; ++i) {
        if (i) s += u' ';
        if (nonAscii && rng() % 16 == 0) s += kAccented[rng() % 4];
        else s += QLatin1String(kWords[rng() % (sizeof kWords / sizeof *kWords)]);
    }
    return s;
}

ValueDictionary makeNode(std::mt19937& rng, int index) {
    ValueDictionary d;
    d[QStringLiteral("title")] = words(rng, 6, false);
    // One node in five holds non-ASCII text (written as UTF-16).
    d[QStringLiteral("body")] = words(rng, 120 + int(rng() % 80), index % 5 == 0);
    QByteArray blob(500 + int(rng() % 500), Qt::Uninitialized);
    for (char& c : blob) c = char(rng());
    d[QStringLiteral("attributes")] = blob;
    d[QStringLiteral("id")] = index;
    d[QStringLiteral("style")] = QStringLiteral("Body");
    d[QStringLiteral("weight")] = double(rng() % 1000) / 7.0;
    d[QStringLiteral("children")] = ValueArray{};
    return d;
}

// Node i's parent is (i - 1) / kFanOut: a broad tree about five levels deep.
const Value& document() {
    static const Value doc = [] {
        constexpr int kFanOut = 9;
        std::mt19937 rng(12345);
        std::vector<ValueDictionary> nodes;
        nodes.reserve(kNodes);
        for (int i = 0; i < kNodes; ++i) nodes.push_back(makeNode(rng, i));
        for (int i = kNodes - 1; i > 0; --i) {
            ValueArray& siblings = nodes[size_t((i - 1) / kFanOut)][QStringLiteral("children")].array();
            siblings.insert(siblings.begin(), Value(std::move(nodes[size_t(i)])));
        }
        ValueDictionary top;
        top[QStringLiteral("version")] = 3;
        top[QStringLiteral("root")] = Value(std::move(nodes[0]));
        return Value(std::move(top));
    }();
    return doc;
}

const QByteArray& documentBytes() {
    static const QByteArray bytes = [] {
        QString error;
        QByteArray b = PropertyList::writeBinary(document(), &error);
        if (!error.isEmpty()) std::fprintf(stderr, "writing the document failed: %s\n", qPrintable(error));
        return b;
    }();
    return bytes;
}

void BM_Read_Ours(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        PlistResult r = PropertyList::readBinary(bytes);
        if (!r.ok()) {
            state.SkipWithError(r.error.toUtf8().constData());
            break;
        }
        benchmark::DoNotOptimize(r.value);
        state.PauseTiming();
        r = PlistResult();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_Read_Libplist(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        plist_t p = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &p);
        if (!p) {
            state.SkipWithError("libplist could not read the document");
            break;
        }
        benchmark::DoNotOptimize(p);
        state.PauseTiming();
        plist_free(p);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void BM_Write_Ours(benchmark::State& state) {
    const Value& doc = document();
    for (auto _ : state) {
        QByteArray out = PropertyList::writeBinary(doc);
        benchmark::DoNotOptimize(out);
        state.PauseTiming();
        out = QByteArray();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * documentBytes().size());
}

void BM_Write_Libplist(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    plist_t p = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &p);
    for (auto _ : state) {
        char* out = nullptr;
        uint32_t length = 0;
        plist_to_bin(p, &out, &length);
        benchmark::DoNotOptimize(out);
        state.PauseTiming();
        plist_to_bin_free(out);
        state.ResumeTiming();
    }
    plist_free(p);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

BENCHMARK(BM_Read_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Read_Libplist)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Write_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Write_Libplist)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's mean real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const QByteArray& bytes = documentBytes();
    {
        // Both readers agree on the document before anything is timed.
        plist_t p = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &p);
        const PlistResult r = PropertyList::readBinary(bytes);
        std::printf("document: %.1f MB, %d nodes; ours reads it: %s; libplist reads it: %s; round trip equal: %s\n",
                    bytes.size() / 1e6, kNodes, r.ok() ? "yes" : qPrintable(r.error), p ? "yes" : "no",
                    r.value == document() ? "yes" : "no");
        if (p) plist_free(p);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* ours, const char* theirs) {
        const auto a = reporter.times.find(ours), b = reporter.times.find(theirs);
        return a == reporter.times.end() || b == reporter.times.end() || b->second <= 0 ? -1.0 : a->second / b->second;
    };
    std::printf("ratio read  (ours / libplist): %.2f\n", ratio("BM_Read_Ours", "BM_Read_Libplist"));
    std::printf("ratio write (ours / libplist): %.2f\n", ratio("BM_Write_Ours", "BM_Write_Libplist"));
    benchmark::Shutdown();
    return 0;
}
