// The large prepared dictionary at its real size, 50,000 headwords: loading
// its file against a plain property-list decode of the same file, and the
// word-type search against a loop that only reads each headword. The ratios
// are printed after the runs.

#include "BenchSupport.h"

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/LewisAndShort.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kHeadwords = 50000;

// Latin-looking headwords of one to five syllables, some with long or short
// marks, a capital now and then, and the usual second word.
QString headword(int i) {
    static const char* syllables[] = {"a", "ma", "re", "dī", "cŏ", "mĭ", "nus", "tor", "lae", "quo",
                                      "vēr", "bum", "ter", "ră", "gens", "pu", "lĭ", "cus", "au", "sta"};
    QString word;
    int n = i;
    const int count = 1 + i % 5;
    for (int s = 0; s < count; ++s) {
        word += QString::fromUtf8(syllables[n % 20]);
        n = n / 20 + s * 7;
    }
    if (i % 11 == 0) word[0] = word[0].toUpper();
    return word + (i % 3 == 0 ? QStringLiteral(" āre") : QStringLiteral(" i"));
}

QByteArray makeFile() {
    ts::ValueArray words;
    words.reserve(kHeadwords);
    for (int i = 0; i < kHeadwords; ++i) {
        const QString word = headword(i);
        auto head = DictionaryEntry::make(word, 1 + i % 9);
        head->setKey(word.section(QLatin1Char(' '), 0, 0) + QString::number(i % 4));
        head->setConjugation(1 + i % 5);
        if (head->type() == DictionaryEntry::Noun) head->setGender(1 + i % 3);
        if (head->type() == DictionaryEntry::Verb) head->setTransIntrans(1 + i % 3);
        head->addChild(DictionaryEntry::make(QStringLiteral("from an older form"), DictionaryEntry::WordData));
        for (int s = 0; s < 2; ++s) {
            auto sense = DictionaryEntry::make(QStringLiteral("sense %1 of %2, to do a thing").arg(s).arg(i));
            sense->makeMeaning(QStringLiteral("I"), s + 1, double(s) + 0.5);
            auto example = DictionaryEntry::make(QStringLiteral("verba facere %1").arg(i), DictionaryEntry::Example);
            example->setTranslation(QStringLiteral("to make words"));
            sense->addChild(example);
            head->addChild(sense);
        }
        head->addChild(DictionaryEntry::make(QStringLiteral("cf. Gr."), DictionaryEntry::Etymology));
        words.push_back(head->serialize());
    }
    ts::ValueDictionary file;
    file[QStringLiteral("title")] = QStringLiteral("Benchmark");
    file[QStringLiteral("words")] = ts::Value(std::move(words));
    return ts::PropertyList::writeBinary(ts::Value(std::move(file)));
}

struct Fixture {
    QTemporaryDir dir;
    QString path;
    std::shared_ptr<LewisAndShort> loaded;

    Fixture() {
        path = dir.filePath(QStringLiteral("EditedLewisShort.xml"));
        QFile f(path);
        const QByteArray data = makeFile();
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) std::abort();
        f.close();
        DictionaryServices services;
        const QString folder = dir.path();
        services.dictionariesFolder = [folder] { return folder; };
        DictionaryServices::install(std::move(services));
        loaded = std::make_shared<LewisAndShort>();
        loaded->initialize();
        loaded->waitForInitialisation();
        if (!loaded->words() || loaded->words()->size() != size_t(kHeadwords)) std::abort();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_DecodePropertyList(benchmark::State& state) {
    for (auto _ : state) {
        QFile f(fixture().path);
        if (!f.open(QIODevice::ReadOnly)) std::abort();
        ts::PlistResult r = ts::PropertyList::read(f.readAll());
        benchmark::DoNotOptimize(r.value);
    }
}

// The load itself on this thread (an instance nobody shares loads inline),
// so that the CPU time counted is the load's.
void BM_LoadPreparedDictionary(benchmark::State& state) {
    for (auto _ : state) {
        LewisAndShort d;
        d.initialize();
        benchmark::DoNotOptimize(d.words());
    }
}

void BM_ReadEachHeadword(benchmark::State& state) {
    const auto list = fixture().loaded->words();
    for (auto _ : state) {
        qsizetype letters = 0;
        for (const auto& e : *list) letters += e->entry().size();
        benchmark::DoNotOptimize(letters);
    }
}

// Nouns of three syllables ending in "us": the word search window's usual
// kind of question.
void BM_WordTypeSearch(benchmark::State& state) {
    auto& d = *fixture().loaded;
    for (auto _ : state) {
        auto found = d.wordTypeSearch(DictionaryEntry::Noun, 3, QStringLiteral("us"), false, 0, 0, 0, 3, 3, 0);
        benchmark::DoNotOptimize(found);
    }
}

// The heaviest kind: syllables and stress of every headword.
void BM_WordTypeSearchAllWords(benchmark::State& state) {
    auto& d = *fixture().loaded;
    for (auto _ : state) {
        auto found = d.wordTypeSearch(0, 3, QString(), true, 1, 0, 0, 3, 3, 0);
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_DecodePropertyList)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_LoadPreparedDictionary)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadEachHeadword)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordTypeSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordTypeSearchAllWords)->Unit(benchmark::kMillisecond);

void printRatio(bench::RatioReporter& r, const char* subject, const char* base, double limit) {
    const double s = r.times[subject], b = r.times[base];
    if (s <= 0 || b <= 0) return;
    std::printf("%s / %s: %.2f (at most %.0f)\n", subject, base, s / b, limit);
}

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 3);
    fixture();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    printRatio(reporter, "BM_LoadPreparedDictionary", "BM_DecodePropertyList", 3);
    printRatio(reporter, "BM_WordTypeSearch", "BM_ReadEachHeadword", 5);
    printRatio(reporter, "BM_WordTypeSearchAllWords", "BM_ReadEachHeadword", 5);
    benchmark::Shutdown();
    return 0;
}
