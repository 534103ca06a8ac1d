// Reading and writing rich text in the shape of a document's column: 10,000
// one-line texts, each a whole RTF document. The baseline only scans the
// same bytes for braces and backslashes; the ratios to it are printed last.

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Rtf.h"
#include "platform/Url.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 10000;

const std::vector<ts::AttributedString>& lines() {
    static const std::vector<ts::AttributedString> all = [] {
        const ts::Attributes plain{{ts::AttributeName::Font, ts::Value(ts::Font::make("Helvetica", 12))}};
        const ts::Attributes link{{ts::AttributeName::Font, ts::Value(ts::Font::make("Helvetica", 12))},
                                  {ts::AttributeName::Link, ts::Value(ts::Url::make("footnote:0123456789ABCDEF0123456789ABCDEF"))},
                                  {ts::AttributeName::ForegroundColor, ts::Value(ts::Color::linkColor())}};
        std::vector<ts::AttributedString> v;
        v.reserve(kLines);
        for (int i = 0; i < kLines; ++i) {
            ts::AttributedString s(QStringLiteral("Arma virumque cano, Troiae qui primus ab oris %1 ").arg(i), plain);
            // Every tenth line carries a footnote link, as annotated texts do.
            if (i % 10 == 0) s.append(QStringLiteral("[%1]").arg(i / 10 + 1), link);
            v.push_back(std::move(s));
        }
        return v;
    }();
    return all;
}

const std::vector<QByteArray>& documents() {
    static const std::vector<QByteArray> all = [] {
        std::vector<QByteArray> v;
        v.reserve(kLines);
        for (const auto& s : lines()) v.push_back(ts::writeRtf(s));
        return v;
    }();
    return all;
}

void BM_ScanBracesAndBackslashes(benchmark::State& state) {
    const auto& docs = documents();
    for (auto _ : state) {
        size_t count = 0;
        for (const QByteArray& d : docs) {
            const char* p = d.constData();
            const char* end = p + d.size();
            for (; p < end; ++p)
                if (*p == '{' || *p == '}' || *p == '\\') ++count;
        }
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_ScanBracesAndBackslashes)->Unit(benchmark::kMillisecond);

void BM_ReadRtf(benchmark::State& state) {
    const auto& docs = documents();
    for (auto _ : state) {
        for (const QByteArray& d : docs) {
            ts::RtfReadResult r = ts::readRtf(d);
            benchmark::DoNotOptimize(r);
        }
    }
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
    const auto& texts = lines();
    for (auto _ : state) {
        for (const auto& s : texts) {
            QByteArray d = ts::writeRtf(s);
            benchmark::DoNotOptimize(d);
        }
    }
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 5);
    documents();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double scan = reporter.times["BM_ScanBracesAndBackslashes"];
    if (scan > 0) {
        for (const char* name : {"BM_ReadRtf", "BM_WriteRtf"}) {
            auto it = reporter.times.find(name);
            if (it != reporter.times.end()) std::printf("%s / scan: %.2f (limit 4)\n", name, it->second / scan);
        }
    }
    return 0;
}
