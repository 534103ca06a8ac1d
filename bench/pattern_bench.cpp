// The word-pattern search: matching a 200,000-word list of real word forms
// (the dictionary page's inflections in random order, written to a file and
// read back as the finder reads its lists) with a set of patterns a reader would
// type, against a pass that only measures the words' lengths against the same
// bounds (limit 5). Deduplication with a match-all pattern: two groups of
// 200,000 words against two of 100,000 (2 is linear).
#include "BenchSupport.h"

#include "app/core/Preferences.h"
#include "tools/TSCorpusTools.h"
#include "tools/TSDictPage.h"
#include "tools/TSPatternLanguage.h"
#include "tools/TSPatternSearch.h"
#include "tools/TSWordLists.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Fixture {
    TSWordList words;
    TSWordList half;
    QStringList patterns;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture x;
        TSDictPageAnalysis a;
        a.analyseText(TSDictPageAnalysis::bundledPage());
        QSet<QString> plain;
        for (const QString& w : a.allForms) plain.insert(TSCorpusTools::stripCombiningMarks(w));
        QStringList all(plain.begin(), plain.end());
        all.sort();
        QRandomGenerator random(42);
        std::shuffle(all.begin(), all.end(), random);
        // Read back from a file, as the finder reads its lists, so the words
        // lie in memory as a loaded list's do (with the searchable layout the
        // finder makes when it loads a list).
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("words.txt"));
        TSCorpusTools::writeFile(path, all.mid(0, 200000).join(QLatin1Char('\n')).toUtf8());
        x.words = TSWordLists::readWordList(path, true);
        x.half = TSWordList(TSWordLists::readList(path, true).mid(0, 100000));
        const TSPatternTables tables = TSPatternTables::fromPreferences();
        const QStringList typed = {
            QStringLiteral("ros,Vowel,Vowel"),        QString(QChar(0xA751)) + QStringLiteral(",Chars"),
            QStringLiteral("Ascender,Vowel,Chars,ae"), QStringLiteral("Chars,orum"),
            QStringLiteral("c,Vowel,n,Chars"),         QStringLiteral("uuuu,Chars,is"),
            QStringLiteral("Syllable,Syllable"),       QStringLiteral("Descender,Chars,tur"),
            QStringLiteral("Base,Base,Base,Base"),     QStringLiteral("(a|e|i),Chars,") + QChar(0xA75B) + QStringLiteral(",unt"),
        };
        for (const QString& t : typed) {
            bool isList = false;
            x.patterns.append(TSPatternSearch::expressionForPattern(TSPatternLanguage::knownLettersString(t, tables, &isList)));
        }
        return x;
    }();
    return f;
}

void BM_MatchPatterns(benchmark::State& state) {
    const Fixture& f = fixture();
    qint64 found = 0;
    for (auto _ : state) {
        for (const QString& p : f.patterns) {
            QStringList target;
            TSPatternSearch::addWordsToArray(target, 1, 30, f.words, p);
            found += target.size();
            benchmark::DoNotOptimize(target);
        }
    }
    state.counters["found"] = double(found) / double(state.iterations());
}

void BM_MatchOnePattern(benchmark::State& state) {
    const Fixture& f = fixture();
    const QString& p = f.patterns[state.range(0)];
    for (auto _ : state) {
        QStringList target;
        TSPatternSearch::addWordsToArray(target, 1, 30, f.words, p);
        state.counters["found"] = double(target.size());
    }
    state.SetLabel(p.toStdString());
}

void BM_MeasureLengths(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        for (int i = 0; i < f.patterns.size(); ++i) {
            qint64 inBounds = 0;
            for (const QString& w : f.words.words()) {
                const qsizetype n = w.size();
                inBounds += (n >= 1 && n <= 30);
            }
            benchmark::DoNotOptimize(inBounds);
        }
    }
}

void dedup(benchmark::State& state, const TSWordList& words) {
    const QList<TSPatternSearch::Group> groups = {
        {QStringLiteral("one"), [&] { return words; }},
        {QStringLiteral("two"), [&] { return words; }},
    };
    for (auto _ : state) {
        qsizetype rows = 0;
        TSPatternSearch::runGroups(QStringLiteral("[a-z]+"), 1, 30, groups, [&](const QList<TSSearchRow>& r) { rows = r.size(); });
        benchmark::DoNotOptimize(rows);
    }
}

void BM_DedupMatchAll200k(benchmark::State& state) { dedup(state, fixture().words); }
void BM_DedupMatchAll100k(benchmark::State& state) { dedup(state, fixture().half); }

BENCHMARK(BM_MatchPatterns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchOnePattern)->DenseRange(0, 9)->Unit(benchmark::kMillisecond)->Repetitions(1);
BENCHMARK(BM_MeasureLengths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DedupMatchAll200k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DedupMatchAll100k)->Unit(benchmark::kMillisecond);

void printRatio(const bench::RatioReporter& r, const char* what, const char* a, const char* b, double limit) {
    const auto ia = r.times.find(a), ib = r.times.find(b);
    if (ia == r.times.end() || ib == r.times.end() || ib->second <= 0) return;
    std::printf("%s: %.2f (limit %.1f)\n", what, ia->second / ib->second, limit);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::initialize(argc, argv, 3);
    const Fixture& f = fixture();
    std::printf("%lld words, %lld patterns\n", qint64(f.words.size()), qint64(f.patterns.size()));
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    printRatio(reporter, "matching / measuring lengths", "BM_MatchPatterns", "BM_MeasureLengths", 5.0);
    const auto a = reporter.times.find("BM_DedupMatchAll200k"), b = reporter.times.find("BM_DedupMatchAll100k");
    if (a != reporter.times.end() && b != reporter.times.end() && b->second > 0)
        std::printf("dedup 200k / dedup 100k: %.2f (2 is linear)\n", a->second / b->second);
    benchmark::Shutdown();
    return 0;
}
