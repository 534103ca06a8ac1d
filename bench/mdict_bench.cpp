// MDict import at scale: reading a generated .mdx of about 50 MB against
// inflating its record blocks alone, and converting records into entry trees
// against a plain libxml2 parse of the same records. Prints the ratios and
// the peak memory of the process.

#include "BenchSupport.h"
#include "../tests/dictionaries/mdict/MDictBuilder.h"

#include "dictionaries/MDictReader.h"
#include "dictionaries/TSMDictImporter.h"

#include <libxml/HTMLparser.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <random>

namespace {

constexpr qint64 kFileBytes = qint64(50) << 20;
constexpr qint64 kBlockRaw = 64 << 10;
// The conversion runs over this much of the records: entry trees of the
// whole file would take several times its size in memory.
constexpr qsizetype kConvertBytes = 8 << 20;

struct Fixture {
    QByteArray file;
    std::vector<std::pair<qint64, qint64>> blocks;  // start of the zlib stream, raw size
    std::vector<qint64> packedSizes;
    QByteArray records;
    QByteArray marked;  // the records as the import reads them, each under its keyword
};

// Records of pseudo-random Latin-looking words, so that the file compresses
// about as well as dictionary text does.
Fixture& fixture() {
    static Fixture f = [] {
        Fixture out;
        std::mt19937 rng(7);
        const char* syllables[] = {"am", "or", "ve", "ni", "tu", "ra", "qu", "is", "est", "um", "ad", "li", "ce", "pro", "di", "us"};
        auto word = [&] {
            QByteArray w;
            const int n = 2 + int(rng() % 3);
            for (int i = 0; i < n; ++i) w += syllables[rng() % 16];
            return w;
        };
        mdicttest::Spec spec;
        // One keyword per record, as real files have.
        qint64 packedEstimate = 0;
        int n = 0;
        while (packedEstimate < kFileBytes) {
            QList<QByteArray> block;
            qint64 raw = 0;
            while (raw < kBlockRaw) {
                const QByteArray head = word() + QByteArray::number(n++);
                spec.keywords << QString::fromLatin1(head);
                QByteArray r = "<headword>" + head + "</headword><foreign>";
                for (int i = 0; i < 12; ++i) r += word() + ' ';
                r += "</foreign><i>" + word() + "</i>";
                raw += r.size() + 1;
                block << r;
            }
            spec.blocks << block;
            packedEstimate += raw * 10 / 34;  // re-measured below
        }
        out.file = mdicttest::build(spec);
        // Walk the record section the way the file was written to find the streams.
        const auto r = mdict::readData(out.file);
        out.records = r.records;
        {
            TSMDictImporter importer;
            importer.parseMDXData(out.file, QStringLiteral("bench"));
            out.marked = importer.records();
        }
        qint64 offset = out.file.size();
        std::vector<std::pair<qint64, qint64>> reversed;
        for (auto it = spec.blocks.crbegin(); it != spec.blocks.crend(); ++it) {
            QByteArray raw;
            for (const auto& rec : *it) raw += rec + '\0';
            const qint64 packed = mdicttest::packBlock(raw, 2).size();
            offset -= packed;
            reversed.push_back({offset + 8, raw.size()});
            out.packedSizes.insert(out.packedSizes.begin(), packed - 8);
        }
        out.blocks.assign(reversed.rbegin(), reversed.rend());
        return out;
    }();
    return f;
}

void BM_ReadMDX(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        auto r = mdict::readData(f.file);
        if (!r.ok) state.SkipWithError(r.error.toUtf8().constData());
        benchmark::DoNotOptimize(r.records.size());
    }
    state.SetBytesProcessed(state.iterations() * f.file.size());
}

void BM_InflateBlocks(benchmark::State& state) {
    const auto& f = fixture();
    for (auto _ : state) {
        qint64 total = 0;
        for (size_t i = 0; i < f.blocks.size(); ++i) {
            QByteArray out(qsizetype(f.blocks[i].second), Qt::Uninitialized);
            uLongf n = uLongf(out.size());
            uncompress(reinterpret_cast<Bytef*>(out.data()), &n,
                       reinterpret_cast<const Bytef*>(f.file.constData() + f.blocks[i].first), uLong(f.packedSizes[i]));
            total += qint64(n);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * f.file.size());
}

void BM_Convert(benchmark::State& state) {
    const QByteArray text = fixture().marked.left(kConvertBytes);
    auto importer = std::make_shared<TSMDictImporter>();
    for (auto _ : state) {
        auto c = importer->parseRecordsUtf8(text);
        benchmark::DoNotOptimize(c.entries.size());
    }
}

void BM_ParseHTML(benchmark::State& state) {
    const QByteArray bytes = fixture().marked.left(kConvertBytes);
    for (auto _ : state) {
        htmlDocPtr doc = htmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
                                        HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
}

BENCHMARK(BM_ReadMDX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseHTML)->Unit(benchmark::kMillisecond);

void printRatio(const bench::RatioReporter& r, const char* what, const char* a, const char* b, double limit) {
    const auto ia = r.times.find(a), ib = r.times.find(b);
    if (ia == r.times.end() || ib == r.times.end() || ib->second <= 0) return;
    const double ratio = ia->second / ib->second;
    std::printf("%s: %.2fx (limit %.1fx) %s\n", what, ratio, limit, ratio <= limit ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    const auto& f = fixture();
    std::printf("file: %.1f MiB, %zu record blocks, records: %.1f MiB of UTF-8; conversion over %.1f MiB\n",
                double(f.file.size()) / (1 << 20), f.blocks.size(), double(f.records.size()) / (1 << 20),
                double(std::min<qsizetype>(kConvertBytes, f.records.size())) / (1 << 20));
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    printRatio(reporter, "read .mdx / inflate blocks", "BM_ReadMDX", "BM_InflateBlocks", 1.5);
    printRatio(reporter, "conversion / libxml2 parse", "BM_Convert", "BM_ParseHTML", 3.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    benchmark::Shutdown();
    return 0;
}
