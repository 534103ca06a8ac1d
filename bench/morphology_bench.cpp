// All inflected forms of 10,000 vocabulary words, against the same number of
// plain stem-and-ending concatenations: the inflection code's own cost (stems
// from principal parts, table look-ups, joins) should stay within a small
// multiple of the joins it cannot avoid. Prints the ratio; exits with 1 when
// it is above the limit.

#include "morphology/Adjective.h"
#include "morphology/Verb.h"
#include "morphology/VerbStems.h"
#include "morphology/Word.h"

#include <benchmark/benchmark.h>

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWords = 10000;
constexpr double kLimit = 5.0;

struct Template {
    qint64 type;
    qint64 conj;
    qint64 gender;
    const char* latin;  // "%1" is replaced by a varying prefix
};

const Template kTemplates[] = {
    {1, 1, 2, "%1puella %1puellae"},
    {1, 1, 2, "%1rosa -ae"},
    {1, 2, 1, "%1servus %1servi"},
    {1, 2, 1, "%1puer %1pueri"},
    {1, 2, 3, "%1bellum -i"},
    {1, 3, 1, "%1rēx %1rēgis"},
    {1, 3, 4, "%1cīvis %1cīvis"},
    {1, 3, 3, "%1corpus -oris"},
    {1, 3, 3, "%1animal %1animālis"},
    {1, 4, 2, "%1manus %1manūs"},
    {1, 5, 1, "%1diēs %1diēī"},
    {2, 1, 0, "%1amō %1amāre %1amāvī %1amātum"},
    {2, 2, 0, "%1moneō %1monēre %1monuī %1monitum"},
    {2, 3, 0, "%1regō %1regere %1rēxī %1rēctum"},
    {2, 4, 0, "%1audiō %1audīre %1audīvī %1audītum"},
    {2, 5, 0, "%1capiō %1capere %1cēpī %1captum"},
    {2, 1, 0, "%1hortor %1hortārī %1hortātus sum"},
    {2, 3, 0, "%1loquor %1loquī %1locūtus sum"},
    {2, 7, 0, "%1eō %1īre %1iī %1itum"},
    {2, 9, 0, "%1ferō %1ferre %1tulī %1lātum"},
    {3, 1, 0, "%1bonus %1bona %1bonum"},
    {3, 1, 0, "%1pulcher %1pulchra %1pulchrum"},
    {3, 3, 0, "%1ācer %1ācris %1ācre"},
    {3, 3, 0, "%1fortis -is -e"},
    {3, 3, 0, "%1ingens %1ingentis"},
};

const char* const kPrefixes[] = {"", "ab", "ad", "con", "dē", "ex", "in", "ob", "per", "prae", "re", "sub", "trāns"};

std::vector<WordPtr> makeWords() {
    std::vector<WordPtr> words;
    words.reserve(kWords);
    const int templates = int(std::size(kTemplates));
    const int prefixes = int(std::size(kPrefixes));
    for (int i = 0; i < kWords; ++i) {
        const Template& t = kTemplates[i % templates];
        // Two prefixes from the counter, so that few words repeat exactly.
        const QString prefix = QString::fromUtf8(kPrefixes[(i / templates) % prefixes]) +
                               QString::fromUtf8(kPrefixes[(i / (templates * prefixes)) % prefixes]);
        WordPtr w;
        if (t.type == 2) w = std::make_shared<Verb>();
        else if (t.type == 3) w = std::make_shared<Adjective>();
        else w = std::make_shared<Word>();
        w->setWordType(t.type);
        w->setConjugation(t.conj);
        w->setGender(t.gender);
        w->setLatin(QString::fromUtf8(t.latin).arg(prefix));
        words.push_back(w);
    }
    return words;
}

const std::vector<WordPtr>& words() {
    static const std::vector<WordPtr> w = makeWords();
    return w;
}

// Every form of every word: noun and pronoun cases, the finite verb forms
// (irregular verbs through their tables) and the twelve non-finite rows, the
// adjective's cases and genders in three degrees.
qsizetype allForms(QStringList& out) {
    for (const WordPtr& w : words()) {
        switch (w->getWordType()) {
        case WordCode::Verb:
            if (w->conjugation() < 6) {
                Verb::addVerbForms(out, *w);
            } else {
                // The irregular verbs' tables, through the stems worked out once.
                const VerbStems stems = w->verbStems();
                for (qint64 tense = 1; tense <= 6; ++tense)
                    for (const bool active : {false, true})
                        for (const bool indicative : {false, true})
                            for (const bool singular : {false, true})
                                for (qint64 person = 1; person <= 3; ++person) {
                                    const QString f =
                                        w->conjugatedValue(stems, person, singular, indicative, active, tense);
                                    if (!f.isEmpty()) out.append(f);
                                }
            }
            for (const QString& part : w->getVerbParts())
                if (!part.isEmpty()) out.append(part);
            break;
        case WordCode::Adjective:
            Adjective::addAdjectiveForms(out, static_cast<const Adjective&>(*w));
            break;
        default:
            Word::addNounForms(out, *w);
            break;
        }
    }
    return out.size();
}

qsizetype formCount() {
    static const qsizetype n = [] {
        QStringList forms;
        return allForms(forms);
    }();
    return n;
}

// The same number of forms made the plainest way: a stem and an ending.
qsizetype plainJoins(QStringList& out, qsizetype n) {
    static const QStringList stems = {QStringLiteral("puell"), QStringLiteral("serv"), QStringLiteral("amāv"),
                                      QStringLiteral("reg"), QStringLiteral("bon"), QStringLiteral("ācr"),
                                      QStringLiteral("audi"), QStringLiteral("hortāt")};
    static const QStringList endings = {QStringLiteral("ārum"), QStringLiteral("ōrum"), QStringLiteral("istī"),
                                        QStringLiteral("ēbās"), QStringLiteral("issimus"), QStringLiteral("ibus"),
                                        QStringLiteral("ēbāminī"), QStringLiteral("us")};
    for (qsizetype i = 0; i < n; ++i) out.append(stems.at(i % 8) + endings.at((i / 8) % 8));
    return out.size();
}

void BM_AllFormsOf10000Words(benchmark::State& state) {
    words();
    for (auto _ : state) {
        QStringList forms;
        forms.reserve(formCount());
        benchmark::DoNotOptimize(allForms(forms));
    }
    state.counters["forms"] = double(formCount());
}
BENCHMARK(BM_AllFormsOf10000Words)->Unit(benchmark::kMillisecond);

void BM_PlainStemEndingJoins(benchmark::State& state) {
    const qsizetype n = formCount();
    for (auto _ : state) {
        QStringList forms;
        forms.reserve(n);
        benchmark::DoNotOptimize(plainJoins(forms, n));
    }
    state.counters["forms"] = double(n);
}
BENCHMARK(BM_PlainStemEndingJoins)->Unit(benchmark::kMillisecond);

template <class F>
double bestSeconds(F run) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const qsizetype n = formCount();
    const double inflection = bestSeconds([&] {
        QStringList forms;
        forms.reserve(n);
        allForms(forms);
    });
    const double joins = bestSeconds([&] {
        QStringList forms;
        forms.reserve(n);
        plainJoins(forms, n);
    });
    const double ratio = inflection / joins;
    std::printf("morphology: %lld forms of %d words in %.1f ms; %lld plain joins in %.1f ms; ratio %.2f (limit %.1f)\n",
                (long long)n, kWords, inflection * 1000, (long long)n, joins * 1000, ratio, kLimit);
    return ratio <= kLimit ? 0 : 1;
}
