// Reading and writing rich text in the shape of a document's column: 10,000
// one-line texts, each a whole RTF document. The baseline only scans the
// same bytes for braces and backslashes; the ratios to it are printed last.
// Texts from one writer open alike; texts pasted from many sources do not:
// the second set gives every text a header of its own (fonts, sizes,
// colour table and tab stops varying), so no opening is ever seen twice.

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

// A header no other text has: one to three fonts from a list of common
// faces in varying order and sizes, one to four colours of its own and one
// of the usual sets of tab stops, then the line in the first font with a
// colour and a word in the second.
const std::vector<QByteArray>& variedDocuments() {
    static const std::vector<QByteArray> all = [] {
        static const char* const faces[] = {
            "Helvetica", "Times-Roman", "TimesNewRomanPSMT", "ArialMT", "Georgia", "Palatino-Roman",
            "GentiumPlus", "Cardo", "Baskerville", "Optima-Regular", "HelveticaNeue", "Verdana",
            "Cochin", "Didot", "GillSans", "Courier", "Menlo-Regular", "Charter-Roman",
            "IowanOldStyle-Roman", "HoeflerText-Regular", "Garamond", "Calibri", "Cambria", "LucidaGrande"};
        constexpr int kFaces = int(sizeof faces / sizeof *faces);
        static const char* const tabs[] = {"\\tx560\\tx1120\\tx1680", "\\tx720", "", "\\tx566\\tx1133\\tx1700\\tx2267"};
        std::vector<QByteArray> v;
        v.reserve(kLines);
        for (int i = 0; i < kLines; ++i) {
            QByteArray d = "{\\rtf1\\ansi\\ansicpg1252\\cocoartf" + QByteArray::number(1500 + i % 1200) +
                           "\n\\cocoatextscaling0\\cocoaplatform0{\\fonttbl";
            const int fonts = 1 + i % 3;
            for (int f = 0; f < fonts; ++f) {
                const char* face = faces[(i * 7 + f * 5 + i / kFaces) % kFaces];
                d += "\\f" + QByteArray::number(f) + (f == 0 ? "\\fswiss" : "\\froman") + "\\fcharset0 " + face + ";";
            }
            d += "}\n{\\colortbl;\\red255\\green255\\blue255;";
            const int colors = 1 + i % 4;
            QByteArray expanded = "{\\*\\expandedcolortbl;;";
            for (int c = 0; c < colors; ++c) {
                const int r = (i * 37 + c * 101) % 256, g = (i * 11 + c * 53) % 256, b = (i / 256 + c * 29) % 256;
                d += "\\red" + QByteArray::number(r) + "\\green" + QByteArray::number(g) + "\\blue" + QByteArray::number(b) + ";";
                expanded += "\\cssrgb\\c" + QByteArray::number(r * 392) + "\\c" + QByteArray::number(g * 392) + "\\c" +
                            QByteArray::number(b * 392) + ";";
            }
            d += "}\n" + expanded + "}\n\\pard" + tabs[i % 4] + "\\pardirnatural\\partightenfactor0\n\n\\f0\\fs" + QByteArray::number(20 + 2 * (i % 9)) + " \\cf" +
                 QByteArray::number(2 + i % colors) + " Arma virumque cano, Troiae qui primus ab oris " + QByteArray::number(i) + " ";
            if (fonts > 1) d += "\\f1 Italiam\\f0  fato profugus";
            else d += "Italiam fato profugus";
            d += "}";
            v.push_back(std::move(d));
        }
        return v;
    }();
    return all;
}

void scan(benchmark::State& state, const std::vector<QByteArray>& docs) {
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

void read(benchmark::State& state, const std::vector<QByteArray>& docs) {
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
    variedDocuments();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* name, const char* base, const char* limit) {
        auto a = reporter.times.find(name), b = reporter.times.find(base);
        if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
            std::printf("%s / %s: %.2f (%s)\n", name, base, a->second / b->second, limit);
    };
    ratio("BM_ReadRtf", "BM_ScanBracesAndBackslashes", "limit 4, aim 2.5");
    ratio("BM_ReadRtfVaried", "BM_ScanVaried", "limit 2.5");
    ratio("BM_WriteRtf", "BM_ScanBracesAndBackslashes", "limit 4");
    return 0;
}
