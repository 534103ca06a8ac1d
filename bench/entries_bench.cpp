// Entry trees at the size of the large prepared dictionary: 50,000 headwords,
// about 500,000 nodes. Loading and saving are measured against decoding and
// encoding the same property list without building entries; a text search
// against a plain substring scan of the same texts. Each is run three times;
// the ratios, of the best CPU times, are printed after the runs.

#include "dictionaries/DictionaryEntry.h"

#include "platform/PropertyList.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kHeadwords = 50000;

// Ten nodes a headword: word data, three senses with an example and a note
// each, and an etymology.
ts::Value makeDictionaryFile() {
    ts::ValueArray words;
    words.reserve(kHeadwords);
    for (int i = 0; i < kHeadwords; ++i) {
        const QString stem = QStringLiteral("verbum%1").arg(i);
        auto head = DictionaryEntry::make(stem + QStringLiteral(" verbi"), DictionaryEntry::Noun);
        head->setGender(1 + i % 3);
        head->setConjugation(1 + i % 5);
        head->setFrequency(i % 97);
        head->setKey(stem);
        head->addChild(DictionaryEntry::make(QStringLiteral("from an older form"), DictionaryEntry::WordData));
        for (int s = 0; s < 3; ++s) {
            auto sense = DictionaryEntry::make(QStringLiteral("sense %1 of %2, a word of speech").arg(s).arg(i));
            sense->makeMeaning(QStringLiteral("I"), s + 1, double(s) + 0.5);
            auto example = DictionaryEntry::make(QStringLiteral("verba facere %1").arg(i), DictionaryEntry::Example);
            example->setTranslation(QStringLiteral("to make words"));
            sense->addChild(example);
            sense->addChild(DictionaryEntry::make(QStringLiteral("see <Cic. Off. 1, 2>"), DictionaryEntry::Note));
            head->addChild(sense);
        }
        head->addChild(DictionaryEntry::make(QStringLiteral("cf. Gr."), DictionaryEntry::Etymology));
        words.push_back(head->serialize());
    }
    ts::ValueDictionary file;
    file[QStringLiteral("title")] = QStringLiteral("Benchmark");
    file[QStringLiteral("words")] = std::move(words);
    return file;
}

// Both sides of each comparison start from the file's bytes: the encoding
// baseline writes the property list as read from them, the entries are
// loaded from them.
struct Fixture {
    QByteArray data = ts::PropertyList::writeBinary(makeDictionaryFile());
    ts::Value file = ts::PropertyList::readBinary(data).value;
    DictionaryEntryPtr list = load(data);
    QStringList texts = collectTexts(list);

    static DictionaryEntryPtr load(const QByteArray& bytes) {
        ts::PlistResult r = ts::PropertyList::readBinary(bytes);
        auto list = DictionaryEntry::make(QStringLiteral(""));
        ts::ValueArray& words = r.value.dictionary()[QStringLiteral("words")].array();
        list->children().reserve(words.size());
        for (ts::Value& w : words) list->addChild(DictionaryEntry::entryFromSerializedData(std::move(w)));
        return list;
    }

    static QByteArray save(const DictionaryEntryPtr& list) {
        ts::ValueArray words;
        words.reserve(list->childList().size());
        for (const auto& w : list->childList()) words.push_back(w->serialize());
        ts::ValueDictionary file;
        file[QStringLiteral("title")] = QStringLiteral("Benchmark");
        file[QStringLiteral("words")] = std::move(words);
        return ts::PropertyList::writeBinary(file);
    }

    static QStringList collectTexts(const DictionaryEntryPtr& root) {
        QStringList out;
        std::vector<DictionaryEntry*> stack{root.get()};
        while (!stack.empty()) {
            DictionaryEntry* e = stack.back();
            stack.pop_back();
            if (e->type() == DictionaryEntry::Meaning) out << e->entry();
            for (auto it = e->childList().rbegin(); it != e->childList().rend(); ++it) stack.push_back(it->get());
        }
        return out;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// A text that occurs nowhere, so that both searches visit everything.
const QString kMissing = QStringLiteral("nowhere to be found");

void BM_DecodePlist(benchmark::State& state) {
    const QByteArray& data = fixture().data;
    for (auto _ : state) {
        ts::PlistResult r = ts::PropertyList::readBinary(data);
        benchmark::DoNotOptimize(r.value);
    }
}

void BM_LoadEntries(benchmark::State& state) {
    const QByteArray& data = fixture().data;
    for (auto _ : state) {
        auto list = Fixture::load(data);
        benchmark::DoNotOptimize(list);
    }
}

void BM_EncodePlist(benchmark::State& state) {
    const ts::Value& file = fixture().file;
    for (auto _ : state) {
        QByteArray out = ts::PropertyList::writeBinary(file);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SaveEntries(benchmark::State& state) {
    const auto& list = fixture().list;
    for (auto _ : state) {
        QByteArray out = Fixture::save(list);
        benchmark::DoNotOptimize(out);
    }
}

void BM_SubstringScan(benchmark::State& state) {
    const QStringList& texts = fixture().texts;
    for (auto _ : state) {
        bool found = false;
        for (const QString& t : texts)
            if (t.contains(kMissing)) {
                found = true;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
}

void BM_SearchEntries(benchmark::State& state) {
    const auto& list = fixture().list;
    for (auto _ : state) {
        // As the word search filters a dictionary's entries.
        DictionaryEntryList found = DictionaryEntry::entriesWithMeaning(list->childList(), kMissing, true);
        if (!found.empty()) state.SkipWithError("found the missing text");
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_DecodePlist)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadEntries)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EncodePlist)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveEntries)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SubstringScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchEntries)->Unit(benchmark::kMillisecond);

void printRatio(const bench::RatioReporter& r, const char* what, const char* subject, const char* base, double limit) {
    const auto s = r.times.find(subject), b = r.times.find(base);
    if (s == r.times.end() || b == r.times.end() || b->second <= 0) return;
    const double ratio = s->second / b->second;
    std::printf("%-34s %6.2f (at most %.0f) %s\n", what, ratio, limit, ratio <= limit ? "ok" : "TOO SLOW");
}

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    fixture();  // built before any timing
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    printRatio(reporter, "load / decode property list", "BM_LoadEntries", "BM_DecodePlist", 3);
    printRatio(reporter, "save / encode property list", "BM_SaveEntries", "BM_EncodePlist", 3);
    printRatio(reporter, "text search / substring scan", "BM_SearchEntries", "BM_SubstringScan", 5);
    benchmark::Shutdown();
    return 0;
}
