// Converting the 19 Lewis and Short letter files (assembled into one
// document, as the converter reads them) with the converter's messages
// written as the command-line converter writes them (the logging hub and a
// log file, the developer sink's file), against a libxml2 SAX pass with
// empty callbacks over the same bytes. Both are timed in process CPU time,
// since the hub may write on a thread of its own. Prints the ratio, the
// bytes logged per conversion, the peak memory of the process and the
// number of entry-tree nodes one conversion makes.

#include "bench/BenchSupport.h"
#include "bench/EmptySax.h"
#include "bench/ToolLogging.h"

#include "dictsource/LewisShortSource.h"
#include "dictsource/NBSourceLSParser.h"

#include <libxml/parser.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#ifndef TS_SHARED_DIR_DEFAULT
#define TS_SHARED_DIR_DEFAULT "/work/shared"
#endif

namespace {

const QByteArray& document() {
    static const QByteArray bytes = [] {
        QString shared = QString::fromLocal8Bit(qgetenv("TS_SHARED_DIR"));
        if (shared.isEmpty()) shared = QStringLiteral(TS_SHARED_DIR_DEFAULT);
        QString error;
        QByteArray b = LewisShortSource::assembleLetterFiles(shared + QStringLiteral("/data/lexica"), &error);
        if (b.isEmpty()) std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        return b;
    }();
    return bytes;
}

qint64 countNodes(const DictionaryEntryPtr& e) {
    qint64 n = 1;
    for (const auto& c : e->childList())
        if (c) n += countNodes(c);
    return n;
}

qint64 lastNodes = 0;
qint64 loggedPerConversion = 0;

bench::ToolLogging& logging() {
    static bench::ToolLogging l;
    return l;
}

void BM_ConvertLewisShort(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no lexica");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const qint64 before = logging().loggedBytes();
        state.ResumeTiming();
        auto parser = std::make_shared<NBSourceLSParser>();
        parser->setDeveloperSink(logging().sink());
        parser->parseData(bytes);
        if (!parser->succeeded()) state.SkipWithError("conversion failed");
        state.PauseTiming();
        loggedPerConversion = logging().loggedBytes() - before;
        lastNodes = 0;
        for (const auto& e : parser->entries()) lastNodes += countNodes(e);
        // The dictionary keeps what a conversion made; freeing it is no part
        // of converting.
        benchmark::DoNotOptimize(parser);
        parser.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = double(lastNodes);
}
BENCHMARK(BM_ConvertLewisShort)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime();

// The project's reader base alone, with handlers that do nothing: the part
// of the conversion's time the converter itself cannot change.
class NullReader : public ts::RKXMLFileParser {
public:
    void parserFoundIgnorableWhitespace(ts::XMLEventParser&, const QString&) override {}
};

void BM_ReaderBasePass(benchmark::State& state) {
    const QByteArray& bytes = document();
    for (auto _ : state) {
        NullReader reader;
        reader.parseData(bytes);
    }
}
BENCHMARK(BM_ReaderBasePass)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime();

void BM_EmptySaxPass(benchmark::State& state) {
    const QByteArray& bytes = document();
    if (bytes.isEmpty()) {
        state.SkipWithError("no lexica");
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
    if (t.count("BM_ConvertLewisShort") && t.count("BM_EmptySaxPass") && t.at("BM_EmptySaxPass") > 0)
        std::printf("BM_ConvertLewisShort / BM_EmptySaxPass = %.2f (at most 8)\n",
                    t.at("BM_ConvertLewisShort") / t.at("BM_EmptySaxPass"));
    if (t.count("BM_ReaderBasePass") && t.count("BM_EmptySaxPass") && t.at("BM_EmptySaxPass") > 0)
        std::printf("BM_ReaderBasePass / BM_EmptySaxPass = %.2f\n", t.at("BM_ReaderBasePass") / t.at("BM_EmptySaxPass"));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("document bytes: %lld, log bytes per conversion: %lld, entry-tree nodes per conversion: %lld, "
                "peak memory: %.1f MiB\n",
                static_cast<long long>(document().size()), static_cast<long long>(loggedPerConversion),
                static_cast<long long>(lastNodes), usage.ru_maxrss / 1024.0);
    benchmark::Shutdown();
    return 0;
}
