// Converting a generated 10 MB elementary dictionary source (the test
// sample's entries repeated with new keys and ids) with the converter's
// messages written as the command-line converter writes them (the logging
// hub and a log file, the developer sink's file), against a libxml2 SAX pass
// with empty callbacks over the same bytes, both in process CPU time. Prints
// the ratio and the bytes logged per conversion.

#include "bench/BenchSupport.h"
#include "bench/EmptySax.h"
#include "bench/ToolLogging.h"

#include "dictsource/NBSourceXMLParser.h"

#include <QFile>
#include <QRegularExpression>

#include <libxml/parser.h>

#include <cstdio>

namespace {

const QByteArray& document() {
    static const QByteArray bytes = [] {
        QFile file(QStringLiteral(TS_ELEMENTARY_SAMPLE));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", TS_ELEMENTARY_SAMPLE);
            return QByteArray();
        }
        const QString text = QString::fromUtf8(file.readAll());
        const qsizetype bodyStart = text.indexOf(QStringLiteral("<entry "));
        const qsizetype bodyEnd = text.lastIndexOf(QStringLiteral("</entry>")) + 8;
        if (bodyStart < 0 || bodyEnd < bodyStart) return QByteArray();
        const QString head = text.left(bodyStart), entries = text.mid(bodyStart, bodyEnd - bodyStart),
                      tail = text.mid(bodyEnd);
        static const QRegularExpression ids(QStringLiteral("(key|id)=\"([^\"]*)\""));
        QByteArray out = head.toUtf8();
        for (int round = 0; out.size() < 10 * 1024 * 1024; ++round) {
            QString copy = entries;
            copy.replace(ids, QStringLiteral("\\1=\"\\2r%1\"").arg(round));
            out += copy.toUtf8();
            out += '\n';
        }
        out += tail.toUtf8();
        return out;
    }();
    return bytes;
}

qint64 lastEntries = 0;
qint64 loggedPerConversion = 0;

bench::ToolLogging& logging() {
    static bench::ToolLogging l;
    return l;
}

void BM_ConvertElementary(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no sample");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const qint64 before = logging().loggedBytes();
        state.ResumeTiming();
        auto parser = std::make_shared<NBSourceXMLParser>();
        parser->setDeveloperSink(logging().sink());
        parser->parseData(bytes);
        if (!parser->succeeded()) state.SkipWithError("conversion failed");
        state.PauseTiming();
        loggedPerConversion = logging().loggedBytes() - before;
        lastEntries = qint64(parser->entries().size());
        // The dictionary keeps what a conversion made; freeing it is no part
        // of converting.
        benchmark::DoNotOptimize(parser);
        parser.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = double(lastEntries);
    state.counters["MB"] = double(bytes.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ConvertElementary)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime();

void BM_EmptySaxPass(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no sample");
        return;
    }
    for (auto _ : state)
        if (!bench::emptySaxPass(bytes)) state.SkipWithError("sax pass failed");
}
BENCHMARK(BM_EmptySaxPass)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    if (t.count("BM_ConvertElementary") && t.count("BM_EmptySaxPass") && t.at("BM_EmptySaxPass") > 0)
        std::printf("BM_ConvertElementary / BM_EmptySaxPass = %.2f (at most 8)\n",
                    t.at("BM_ConvertElementary") / t.at("BM_EmptySaxPass"));
    std::printf("log bytes per conversion: %lld\n", static_cast<long long>(loggedPerConversion));
    return 0;
}
