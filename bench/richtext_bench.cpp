// Reading and writing rich text in the shape of a document's column: 10,000
// one-line texts, each a whole RTF document. The baseline only scans the
// same bytes for braces and backslashes; the ratios to it are printed last.
// Texts from one writer open alike; texts pasted from many sources do not:
// the second set comes from four writers' dialects, every text with a
// header of its own (fonts, sizes, colour table and tab stops varying), so
// no opening is ever seen twice.

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Rtf.h"
#include "platform/Url.h"

#include "BenchSupport.h"
#include "RtfDialects.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace rtfdialects;

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

// Texts pasted from many sources: the writers' dialects in turn, each text
// with fonts, colours and sizes of its own, so no opening is seen twice.
const std::vector<QByteArray>& variedDocuments() {
    static const std::vector<QByteArray> all = [] {
        std::vector<QByteArray> v;
        v.reserve(kLines);
        for (int i = 0; i < kLines; ++i) {
            v.push_back(variedText(i));
        }
        return v;
    }();
    return all;
}

// The platform's own dialect alone, every text with a header of its own:
// what a document's stored lines hold, where no ignored group is skipped.
const std::vector<QByteArray>& variedCocoaDocuments() {
    static const std::vector<QByteArray> all = [] {
        std::vector<QByteArray> v;
        v.reserve(kLines);
        for (int i = 0; i < kLines; ++i) v.push_back(cocoaText(openingOf(i), i));
        return v;
    }();
    return all;
}

// Both loops start on a cache-line boundary of their own: otherwise an edit
// elsewhere in this file moves the byte scan's loop, and that alone changes
// its speed by a third on some processors, so the ratios would follow code
// placement rather than the reader.
#define BENCH_LOOP __attribute__((noinline, aligned(64)))

BENCH_LOOP void scan(benchmark::State& state, const std::vector<QByteArray>& docs) {
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

BENCH_LOOP void read(benchmark::State& state, const std::vector<QByteArray>& docs) {
    for (auto _ : state) {
        for (const QByteArray& d : docs) {
            ts::RtfReadResult r = ts::readRtf(d);
            if (!r.ok) state.SkipWithError("unreadable");
            benchmark::DoNotOptimize(r);
        }
    }
}

void BM_ScanBracesAndBackslashes(benchmark::State& state) { scan(state, documents()); }
BENCHMARK(BM_ScanBracesAndBackslashes)->Unit(benchmark::kMillisecond);
void BM_ReadRtf(benchmark::State& state) { read(state, documents()); }
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);
void BM_ScanVaried(benchmark::State& state) { scan(state, variedDocuments()); }
BENCHMARK(BM_ScanVaried)->Unit(benchmark::kMillisecond);
void BM_ReadRtfVaried(benchmark::State& state) { read(state, variedDocuments()); }
BENCHMARK(BM_ReadRtfVaried)->Unit(benchmark::kMillisecond);
void BM_ScanVariedCocoa(benchmark::State& state) { scan(state, variedCocoaDocuments()); }
BENCHMARK(BM_ScanVariedCocoa)->Unit(benchmark::kMillisecond);
void BM_ReadRtfVariedCocoa(benchmark::State& state) { read(state, variedCocoaDocuments()); }
BENCHMARK(BM_ReadRtfVariedCocoa)->Unit(benchmark::kMillisecond);

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
    // Every dialect must read as the line it holds, or the benchmark would
    // time a reader giving up early.
    const auto& varied = variedDocuments();
    for (int i = 0; i < 12; ++i) {
        const ts::RtfReadResult r = ts::readRtf(varied[size_t(i)]);
        const QString expected = QString::fromLatin1(line(openingOf(i), i, "", "")).replace(QLatin1String("  "), QLatin1String(" "));
        if (!r.ok || r.text.string().trimmed() != expected) {
            std::fprintf(stderr, "varied text %d reads as \"%s\"\n", i, qPrintable(r.text.string()));
            return 1;
        }
    }
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* name, const char* base, const char* limit) {
        auto a = reporter.times.find(name), b = reporter.times.find(base);
        if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
            std::printf("%s / %s: %.2f (%s)\n", name, base, a->second / b->second, limit);
    };
    ratio("BM_ReadRtf", "BM_ScanBracesAndBackslashes", "limit 4, aim 2.5");
    ratio("BM_ReadRtfVaried", "BM_ScanVaried", "limit 2.5");
    ratio("BM_ReadRtfVariedCocoa", "BM_ScanVariedCocoa", "limit 2.5");
    ratio("BM_WriteRtf", "BM_ScanBracesAndBackslashes", "limit 4");
    return 0;
}
