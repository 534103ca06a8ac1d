// Converting a generated 10 MB elementary dictionary source (the test
// sample's entries repeated with new keys and ids) with the converter's
// messages dropped, against a libxml2 SAX pass with empty callbacks over the
// same bytes. Prints the ratio.

#include "bench/BenchSupport.h"
#include "bench/EmptySax.h"

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

void BM_ConvertElementary(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no sample");
        return;
    }
    for (auto _ : state) {
        auto parser = std::make_shared<NBSourceXMLParser>();
        parser->discardLogs();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        parser->parseData(bytes);
        if (!parser->succeeded()) state.SkipWithError("conversion failed");
        lastEntries = qint64(parser->entries().size());
        benchmark::DoNotOptimize(parser);
    }
    state.counters["entries"] = double(lastEntries);
    state.counters["MB"] = double(bytes.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ConvertElementary)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_EmptySaxPass(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no sample");
        return;
    }
    for (auto _ : state)
        if (!bench::emptySaxPass(bytes)) state.SkipWithError("sax pass failed");
}
BENCHMARK(BM_EmptySaxPass)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    if (t.count("BM_ConvertElementary") && t.count("BM_EmptySaxPass") && t.at("BM_EmptySaxPass") > 0)
        std::printf("BM_ConvertElementary / BM_EmptySaxPass = %.2f (at most 8)\n",
                    t.at("BM_ConvertElementary") / t.at("BM_EmptySaxPass"));
    return 0;
}
