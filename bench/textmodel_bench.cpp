// A document's "Text" value at the size of a long work: 10,000 lines in 100
// sections, four RTF columns per line in the platform's dialect and 2,000
// footnote links. Reading and writing the tree is measured against decoding
// and encoding the same property list without building it, and uuid
// look-ups for restoring outline rows against plain hash look-ups. The
// ratios are printed last.

#include "platform/PropertyList.h"
#include "platform/Rtfd.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QHash>
#include <QUuid>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSections = 100;
constexpr int kLinesPerSection = 100;

QByteArray rtf(const QString& body) {
    return QByteArray(
               "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
               "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
               "{\\colortbl;\\red255\\green255\\blue255;\\red0\\green0\\blue233;}\n"
               "{\\*\\expandedcolortbl;;\\csgenericrgb\\c0\\c0\\c91373;}\n"
               "\\pard\\tx560\\tx1120\\tx1680\\pardirnatural\\partightenfactor0\n\n\\f0\\fs24 \\cf0 ") +
           body.toLatin1() + "}";
}

QString uuidText(int n) { return QStringLiteral("%1-0000-4000-8000-%2").arg(n, 8, 16, QLatin1Char('0')).arg(n, 12, 16, QLatin1Char('0')).toUpper(); }

const QByteArray& documentBytes() {
    static const QByteArray bytes = [] {
        ts::ValueArray sections;
        int n = 1, links = 0;
        for (int s = 0; s < kSections; ++s) {
            ts::ValueArray lines;
            for (int l = 0; l < kLinesPerSection; ++l, ++n) {
                ts::ValueDictionary d;
                d[QStringLiteral("ClassName")] = QStringLiteral("TSMatchedChunk");
                d[QStringLiteral("uuid")] = uuidText(n);
                d[QStringLiteral("Latin")] = rtf(QStringLiteral("Arma virumque cano, Troiae qui primus ab oris %1").arg(n));
                QString english = QStringLiteral("I sing of arms and the man, who first from the shores of Troy %1").arg(n);
                if (n % 5 == 0) {
                    english += QStringLiteral("{\\field{\\*\\fldinst{HYPERLINK \"footnote:%1\"}}{\\fldrslt \\cf2 \\ul \\ulc2 [%2]}}")
                                   .arg(uuidText(n).remove(QLatin1Char('-')))
                                   .arg(++links);
                }
                d[QStringLiteral("English")] = rtf(english);
                d[QStringLiteral("Perseus English")] = rtf(QStringLiteral("Arms and the man I sing %1").arg(n));
                d[QStringLiteral("Location")] = rtf(QString::number(l + 1));
                if (n % 97 == 0) d[QStringLiteral("Flagged")] = ts::Value(qint64(1));
                lines.push_back(std::move(d));
            }
            ts::ValueDictionary section;
            section[QStringLiteral("ClassName")] = QStringLiteral("TSMatchedChunk");
            section[QStringLiteral("uuid")] = uuidText(1000000 + s);
            section[QStringLiteral("Latin")] = rtf(QStringLiteral("Liber %1").arg(s + 1));
            section[QStringLiteral("Children")] = std::move(lines);
            sections.push_back(std::move(section));
        }
        ts::ValueDictionary inner;
        inner[QStringLiteral("ClassName")] = QStringLiteral("TSText");
        inner[QStringLiteral("uuid")] = uuidText(999999999);
        inner[QStringLiteral("Children")] = std::move(sections);
        ts::ValueDictionary outer;
        outer[QStringLiteral("ClassName")] = QStringLiteral("TSText");
        outer[QStringLiteral("uuid")] = uuidText(999999999);
        outer[QStringLiteral("Information")] = ts::ValueDictionary{{QStringLiteral("title"), QStringLiteral("Aeneis")}};
        outer[QStringLiteral("Text")] = std::move(inner);
        return ts::PropertyList::writeBinary(ts::Value(std::move(outer)));
    }();
    return bytes;
}

void touchAllTexts(const TSChunkPtr& root) {
    for (TSChunkPtr n = root; n; n = TSText::nextChunk(n))
        for (const char* key : {"latin", "english", "perseusEnglish", "location"})
            benchmark::DoNotOptimize(n->textForKey(QString::fromLatin1(key)));
}

// Decoding and encoding the property list alone: the baseline.
void BM_PlistOnly(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        ts::PlistResult r = ts::PropertyList::read(bytes);
        QByteArray out = ts::PropertyList::writeBinary(r.value);
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_PlistOnly)->Unit(benchmark::kMillisecond);

// Opening and saving a document: texts are read when first shown.
void BM_TextReadWrite(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        auto text = TSText::textFromDictionary(ts::PropertyList::read(bytes).value);
        QByteArray out = ts::PropertyList::writeBinary(text->serialize());
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_TextReadWrite)->Unit(benchmark::kMillisecond);

// Every text read as rich text (every row shown), then saved unchanged.
void BM_TextReadAllWrite(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        auto text = TSText::textFromDictionary(ts::PropertyList::read(bytes).value);
        touchAllTexts(text);
        QByteArray out = ts::PropertyList::writeBinary(text->serialize());
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_TextReadAllWrite)->Unit(benchmark::kMillisecond);

// Every text read and changed (a blank added at its end, in the attributes
// before it), so that every text is written as new RTF.
void BM_TextReadAllRewriteAll(benchmark::State& state) {
    const QByteArray& bytes = documentBytes();
    for (auto _ : state) {
        auto text = TSText::textFromDictionary(ts::PropertyList::read(bytes).value);
        for (TSChunkPtr n = text; n; n = TSText::nextChunk(n))
            for (const char* key : {"latin", "english", "perseusEnglish", "location"}) {
                const QString k = QString::fromLatin1(key);
                if (auto t = n->textForKey(k)) {
                    auto changed = std::make_shared<ts::AttributedString>(*t);
                    changed->replaceCharacters(ts::TextRange{changed->length(), 0}, QStringLiteral(" "));
                    n->setTextForKey(changed, k);
                }
            }
        QByteArray out = ts::PropertyList::writeBinary(text->serialize());
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_TextReadAllRewriteAll)->Unit(benchmark::kMillisecond);

// The RTF reader alone over the same 40,000 texts, for scale.
void BM_RtfReaderOnly(benchmark::State& state) {
    std::vector<QByteArray> blobs;
    const ts::Value doc = ts::PropertyList::read(documentBytes()).value;
    for (const auto& section : doc[QStringLiteral("Text")][QStringLiteral("Children")].array())
        for (const auto& line : section[QStringLiteral("Children")].array())
            for (const char* key : {"Latin", "English", "Perseus English", "Location"})
                blobs.push_back(line[QString::fromLatin1(key)].toData());
    for (auto _ : state)
        for (const auto& b : blobs) benchmark::DoNotOptimize(ts::readRichTextData(b).ok);
}
BENCHMARK(BM_RtfReaderOnly)->Unit(benchmark::kMillisecond);

// One column of 8,000 (and 60,000) formatting runs, every other word bold
// and none with a colour, opened as a line shows it, against the RTF reader
// alone: both grow in step with the number of runs.
const QByteArray& manyRunsRtf(int runs) {
    static std::map<int, QByteArray> cache;
    auto it = cache.find(runs);
    if (it == cache.end()) {
        QString body;
        for (int i = 0; i < runs / 2; ++i) body += QStringLiteral("\\b arma%1\\b0  virum ").arg(i);
        it = cache.emplace(runs, rtf(body)).first;
    }
    return it->second;
}

void manyRunsRtfOnly(benchmark::State& state, int runs) {
    const QByteArray& bytes = manyRunsRtf(runs);
    for (auto _ : state) benchmark::DoNotOptimize(ts::readRichTextData(bytes).text.runs().size());
}

void manyRunsColumn(benchmark::State& state, int runs) {
    ts::ValueDictionary d{{QStringLiteral("ClassName"), QStringLiteral("TSMatchedChunk")},
                          {QStringLiteral("Latin"), ts::Value(manyRunsRtf(runs))}};
    for (auto _ : state) {
        auto line = TSChunk::dataFromDictionary(ts::Value(d));
        benchmark::DoNotOptimize(line->textForKey(QStringLiteral("latin"))->runs().size());
    }
}

void BM_ManyRunsRtfOnly8k(benchmark::State& state) { manyRunsRtfOnly(state, 8000); }
void BM_ManyRunsColumn8k(benchmark::State& state) { manyRunsColumn(state, 8000); }
void BM_ManyRunsRtfOnly60k(benchmark::State& state) { manyRunsRtfOnly(state, 60000); }
void BM_ManyRunsColumn60k(benchmark::State& state) { manyRunsColumn(state, 60000); }
BENCHMARK(BM_ManyRunsRtfOnly8k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyRunsColumn8k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyRunsRtfOnly60k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyRunsColumn60k)->Unit(benchmark::kMillisecond);

// A tree of 20,000 nodes: 200 sections of 99 lines under one root.
struct UuidTree {
    TSTextPtr root = std::make_shared<TSText>();
    std::vector<QUuid> wanted;
    QHash<QUuid, TSChunkPtr> hash;
    UuidTree() {
        std::vector<TSChunkPtr> all;
        for (int s = 0; s < 200; ++s) {
            auto section = std::make_shared<TSMatchedChunk>();
            root->addChild(section);
            all.push_back(section);
            for (int l = 0; l < 99; ++l) {
                auto line = std::make_shared<TSMatchedChunk>();
                section->addChild(line);
                all.push_back(line);
            }
        }
        std::mt19937 random(7);
        for (int i = 0; i < 1000; ++i) wanted.push_back(all[random() % all.size()]->uuid()->uuid());
        for (const auto& n : all) hash.insert(n->uuid()->uuid(), n);
    }
};
UuidTree& uuidTree() {
    static UuidTree t;
    return t;
}

void BM_HashLookups(benchmark::State& state) {
    UuidTree& t = uuidTree();
    for (auto _ : state)
        for (const QUuid& u : t.wanted) benchmark::DoNotOptimize(t.hash.value(u));
}
BENCHMARK(BM_HashLookups)->Unit(benchmark::kMicrosecond);

// Restoring 1,000 rows of an unchanged tree.
void BM_ItemWithUUID(benchmark::State& state) {
    UuidTree& t = uuidTree();
    for (auto _ : state)
        for (const QUuid& u : t.wanted) benchmark::DoNotOptimize(t.root->itemWithUUID(u));
}
BENCHMARK(BM_ItemWithUUID)->Unit(benchmark::kMicrosecond);

// The same after each change: a line moved from one section to another
// (and back on the next round), as the outline's drag and promote do.
void BM_ItemWithUUIDAfterChange(benchmark::State& state) {
    UuidTree& t = uuidTree();
    bool there = false;
    for (auto _ : state) {
        const TSChunkPtr from = t.root->childAt(there ? 150 : 50), to = t.root->childAt(there ? 50 : 150);
        const TSChunkPtr line = from->childAt(10);
        from->removeChild(line);
        to->insertChild(line, 20);
        there = !there;
        for (const QUuid& u : t.wanted) benchmark::DoNotOptimize(t.root->itemWithUUID(u));
    }
}
BENCHMARK(BM_ItemWithUUIDAfterChange)->Unit(benchmark::kMicrosecond);


}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    documentBytes();
    manyRunsRtf(8000);
    manyRunsRtf(60000);
    uuidTree();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* name, const char* base, const char* limit) {
        auto a = reporter.times.find(name), b = reporter.times.find(base);
        if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
            std::printf("%s / %s: %.2f (aim %s)\n", name, base, a->second / b->second, limit);
    };
    ratio("BM_TextReadWrite", "BM_PlistOnly", "5");
    ratio("BM_TextReadAllWrite", "BM_PlistOnly", "5");
    ratio("BM_TextReadAllRewriteAll", "BM_PlistOnly", "5");
    ratio("BM_RtfReaderOnly", "BM_PlistOnly", "-");
    ratio("BM_ManyRunsColumn8k", "BM_ManyRunsRtfOnly8k", "2");
    ratio("BM_ManyRunsColumn60k", "BM_ManyRunsRtfOnly60k", "2");
    ratio("BM_ItemWithUUID", "BM_HashLookups", "3");
    ratio("BM_ItemWithUUIDAfterChange", "BM_HashLookups", "3");
    return 0;
}
