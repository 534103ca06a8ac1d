// Converting an epic-sized TEI text (the real Eclogues repeated to 10 MB)
// against one libxml2 SAX pass with empty callbacks over the same bytes; also
// the body survey, and the peak memory of a survey and of a conversion.
//
//   import_bench [--benchmark_filter=...]   (TS_SHARED_DIR names the shared folder)

#include "BenchSupport.h"
#include "EmptySax.h"

#include "import/TSBodyElementParser.h"

#include <QFile>
#include <QString>

#include <libxml/parser.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString sharedDir() {
    const QByteArray dir = qgetenv("TS_SHARED_DIR");
    return dir.isEmpty() ? QStringLiteral(TS_SOURCE_DIR "/../shared") : QString::fromLocal8Bit(dir);
}

// The Eclogues with their ten poems repeated inside the one body until the
// document reaches 10 MB; the header and the document type stay as they are.
const QByteArray& epic() {
    static const QByteArray doc = [] {
        const QByteArray src = readFile(sharedDir() + QStringLiteral("/data/tei/eclogues-lat.xml"));
        const qsizetype first = src.indexOf("<div1");
        const qsizetype last = src.lastIndexOf("</div1>");
        if (first < 0 || last < 0) return QByteArray();
        const qsizetype end = last + qsizetype(sizeof("</div1>") - 1);
        const QByteArray poems = src.mid(first, end - first) + "\n";
        QByteArray out = src.left(first);
        while (out.size() < 10 * 1024 * 1024) out += poems;
        out += src.mid(end);
        return out;
    }();
    return doc;
}

TSElementArrayPtr preset(const char* base = "eclogues-lat") {
    const QByteArray data = readFile(QStringLiteral(TS_SOURCE_DIR "/import/presets/%1.plist").arg(QLatin1String(base)));
    return TSElementArray::importFromPListData(data);
}

// Real files as a user imports them, each whole and once, with the settings
// shipped for it: what a conversion costs besides its per-element work shows
// here, where the epic above spreads it over 10 MB.
struct RealFile {
    const char* base;
    const char* identifier;
    QByteArray bytes;
    TSElementArrayPtr settings;
};

std::vector<RealFile>& realFiles() {
    static std::vector<RealFile> files = [] {
        std::vector<RealFile> out;
        for (const auto& [base, identifier] : {std::pair{"amphitruo-eng", "perseusEnglish"}, std::pair{"amphitruo-lat", "latin"},
                                               std::pair{"eclogues-lat", "latin"}, std::pair{"eclogues-eng", "perseusEnglish"}})
            out.push_back({base, identifier,
                           readFile(sharedDir() + QStringLiteral("/data/tei/%1.xml").arg(QLatin1String(base))),
                           preset(base)});
        return out;
    }();
    return files;
}

qint64 realBytes() {
    qint64 n = 0;
    for (const RealFile& f : realFiles()) n += f.bytes.size();
    return n;
}

void BM_ConvertRealFiles(benchmark::State& state) {
    for (auto _ : state) {
        qint64 lines = 0;
        std::vector<std::shared_ptr<TSBodyElementParser>> kept;
        for (const RealFile& f : realFiles()) {
            auto parser = std::make_shared<TSBodyElementParser>();
            parser->setCurIdentifier(QString::fromLatin1(f.identifier));
            parser->setElementArray(f.settings);
            if (parser->parseData(f.bytes).isDictionary()) lines += qint64(parser->texts().size());
            kept.push_back(std::move(parser));
        }
        if (lines == 0) state.SkipWithError("nothing read");
        state.PauseTiming();
        kept.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * realBytes());
}

void BM_LibxmlSaxEmptyRealFiles(benchmark::State& state) {
    for (auto _ : state)
        for (const RealFile& f : realFiles()) bench::emptySaxRead(f.bytes);
    state.SetBytesProcessed(state.iterations() * realBytes());
}

// The converter and its result; the books outlive the conversion (they go
// into a document), so freeing them is not part of the conversion's time.
std::shared_ptr<TSBodyElementParser> convert(bool withSettings, qint64* count) {
    auto parser = std::make_shared<TSBodyElementParser>();
    parser->setCurIdentifier(QStringLiteral("latin"));
    if (withSettings) parser->setElementArray(preset());
    const ts::Value r = parser->parseData(epic());
    *count = -1;
    if (!r.isDictionary()) return parser;
    qint64 lines = 0;
    for (const TSTextPtr& b : parser->texts())
        for (const TSChunkPtr& s : b->childNodes()) lines += s->numChildren();
    *count = withSettings ? lines : qint64(r[QStringLiteral("Elements")].array().size());
    return parser;
}

void run(benchmark::State& state, bool withSettings) {
    for (auto _ : state) {
        qint64 count = 0;
        auto kept = convert(withSettings, &count);
        if (count <= 0) state.SkipWithError("nothing read");
        benchmark::DoNotOptimize(count);
        state.PauseTiming();
        kept.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * epic().size());
}

void BM_ConvertEpic(benchmark::State& state) { run(state, true); }
void BM_SurveyEpic(benchmark::State& state) { run(state, false); }

// The XML reader base that every converter is built on, with hooks that only
// count: what the converter's own work adds to is this.
class CountingReader : public ts::RKXMLFileParser {
public:
    qint64 events = 0;
    void parserDidStartElement(ts::XMLEventParser&, const QString&, const QString&, const QString&,
                               const ts::XMLAttributes&) override { ++events; }
    void parserFoundCharacters(ts::XMLEventParser&, const QString& text) override { events += text.size() > 0; }
    void parserDidEndElement(ts::XMLEventParser&, const QString&, const QString&, const QString&) override { ++events; }
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser&, const QString& name,
                                                              const QString&) override {
        return name.toUtf8();
    }
};

void BM_ReaderBaseEpic(benchmark::State& state) {
    for (auto _ : state) {
        CountingReader reader;
        reader.parseData(epic());
        if (reader.events == 0) state.SkipWithError("nothing parsed");
        benchmark::DoNotOptimize(reader.events);
    }
    state.SetBytesProcessed(state.iterations() * epic().size());
}

void BM_LibxmlSaxEmpty(benchmark::State& state) {
    const QByteArray& doc = epic();
    for (auto _ : state) bench::emptySaxRead(doc);
    state.SetBytesProcessed(state.iterations() * doc.size());
}

BENCHMARK(BM_ConvertEpic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SurveyEpic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReaderBaseEpic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibxmlSaxEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertRealFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibxmlSaxEmptyRealFiles)->Unit(benchmark::kMillisecond);

qint64 statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::string(field).size()));
    return -1;
}

// The peak resident size one run adds to what the process already holds.
double peakMegabytes(bool withSettings) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const qint64 before = statusKb("VmRSS:");
    qint64 count = 0;
    convert(withSettings, &count);
    const qint64 peak = statusKb("VmHWM:");
    return before < 0 || peak < 0 ? -1 : (peak - before) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    if (epic().isEmpty() || preset()->count() == 0) {
        std::fprintf(stderr, "eclogues-lat.xml or its settings not found; set TS_SHARED_DIR\n");
        return 1;
    }
    // TS_BENCH_NO_PEAK leaves the two peak runs out, for a profiler that
    // should see only the timed conversions.
    const bool peaks = qgetenv("TS_BENCH_NO_PEAK").isEmpty();
    const double surveyPeak = peaks ? peakMegabytes(false) : -1;
    const double convertPeak = peaks ? peakMegabytes(true) : -1;
    bench::initialize(argc, argv, 5);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.times;
    std::printf("\nsource: %.1f MB of TEI; CPU time, best of the repetitions\n", epic().size() / 1048576.0);
    if (t.count("BM_ConvertEpic") && t.count("BM_LibxmlSaxEmpty")) {
        const double ratio = t.at("BM_ConvertEpic") / t.at("BM_LibxmlSaxEmpty");
        std::printf("%-44s %6.2fx  (limit 4.0x: %s)\n", "conversion / libxml2 SAX with empty callbacks", ratio,
                    ratio <= 4.0 ? "ok" : "OVER");
    }
    if (t.count("BM_SurveyEpic") && t.count("BM_LibxmlSaxEmpty"))
        std::printf("%-44s %6.2fx\n", "body survey / libxml2 SAX with empty callbacks",
                    t.at("BM_SurveyEpic") / t.at("BM_LibxmlSaxEmpty"));
    if (t.count("BM_ReaderBaseEpic") && t.count("BM_LibxmlSaxEmpty"))
        std::printf("%-44s %6.2fx\n", "XML reader base alone / libxml2 SAX", t.at("BM_ReaderBaseEpic") / t.at("BM_LibxmlSaxEmpty"));
    if (t.count("BM_ConvertRealFiles") && t.count("BM_LibxmlSaxEmptyRealFiles")) {
        const double ratio = t.at("BM_ConvertRealFiles") / t.at("BM_LibxmlSaxEmptyRealFiles");
        // No limit of its own: printed beside the epic's to show how real
        // files, with their notes and speakers, compare.
        std::printf("%-44s %6.2fx  (no limit; the epic's is 4.0x)\n", "real files (0.4 MB in 4) / libxml2 SAX", ratio);
    }
    const double input = epic().size() / 1048576.0;
    std::printf("peak memory added: survey %.1f MB, conversion %.1f MB = %.1f times the input (limit 10: %s)\n",
                surveyPeak, convertPeak, convertPeak / input, convertPeak <= 10 * input ? "ok" : "OVER");
    benchmark::Shutdown();
    return 0;
}
