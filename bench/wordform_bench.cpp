// The word-form list as the application has it: made from the prepared Lewis
// and Short (the 19 letter files converted), loaded from its cache, and used
// to mark text. Three ratios, printed last:
//  - making the list (every typed entry's tagged forms written as source
//    lines) against the grammar engine giving the same forms untagged;
//  - loading the list's binary cache against parsing its text source, both
//    from bytes in memory;
//  - macron marking of the five Latin texts of the shared data, each text
//    one rich text, marked together as a document's texts are, against tokenising them with one hash look-up per word
//    in a table of the dictionary's keys.
// Also printed: the list's lines and size, the cache's size, the number of
// distinct words marked and the peak memory.

#include "BenchSupport.h"

#include "dictionaries/PreparedFormList.h"
#include "dictsource/LewisShortSource.h"
#include "dictsource/NBSourceLSParser.h"
#include "morphology/Adjective.h"
#include "morphology/TSWordFormDictionary.h"
#include "morphology/Verb.h"
#include "platform/Font.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <sys/resource.h>

#include <cstdio>

#ifndef TS_SHARED_DIR_DEFAULT
#define TS_SHARED_DIR_DEFAULT "/work/shared"
#endif

namespace {

QString sharedDir() {
    const QString env = qEnvironmentVariable("TS_SHARED_DIR");
    return env.isEmpty() ? QStringLiteral(TS_SHARED_DIR_DEFAULT) : env;
}

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return QString();
    }
    return QString::fromUtf8(f.readAll());
}

// The resident size of the process now, in MiB.
double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1048576.0 : 0;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

QString keyOf(QStringView word) {
    QString key = word.toString().toLower();
    key.replace(u'v', u'u');
    return key;
}

// The text of a TEI document's body: elements removed, entities given as
// the characters a reader shows.
QString bodyText(const QString& xml) {
    static const QRegularExpression notes(QStringLiteral("<note\\b.*?</note>"), QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
    static const QRegularExpression entity(QStringLiteral("&[a-zA-Z]+;"));
    QString body = xml.mid(xml.indexOf(QStringLiteral("<body")));
    body.remove(notes);
    body.replace(tag, QStringLiteral(" "));
    body.replace(entity, QStringLiteral("\u2014"));
    return body;
}

struct Fixture {
    DictionaryEntryList words;
    QByteArray listBytes;
    qint64 lines = 0;
    QByteArray cacheBytes;
    TSWordFormDictionaryPtr dictionary;
    std::vector<ts::AttributedStringPtr> texts;
    std::vector<QString> plainTexts;
    QHash<QString, int> plainTable;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture f;
        QString error;
        const QByteArray source = LewisShortSource::assembleLetterFiles(sharedDir() + QStringLiteral("/data/lexica"), &error);
        if (source.isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(error));
        auto parser = std::make_shared<NBSourceLSParser>();
        parser->discardLogs();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        parser->parseData(source);
        f.words = parser->entries();

        PreparedFormList::Summary summary;
        PreparedFormList::appendForms(f.listBytes, f.words, &summary);
        f.lines = summary.lines;

        // As the application loads it: the text parsed once, then the cache.
        QElapsedTimer timer;
        timer.start();
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        TSWordFormDictionary fromSource;
        fromSource.loadFromString(QString::fromUtf8(f.listBytes));
        const double parsed = timer.nsecsElapsed() / 1e9;
        timer.restart();
        f.cacheBytes = fromSource.exportToPListFormat();
        const double written = timer.nsecsElapsed() / 1e9;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        timer.restart();
        const double residentBefore = residentMiB();
        f.dictionary = TSWordFormDictionary::importFromPListData(f.cacheBytes);
        std::fprintf(stderr, "the dictionary read from its cache holds %.0f MiB\n", residentMiB() - residentBefore);
        std::fprintf(stderr,
                     "first load: text parsed in %.2f s, cache encoded in %.2f s (peak memory %.0f -> %.0f MiB); "
                     "cache read in %.2f s\n",
                     parsed, written, before.ru_maxrss / 1024.0, after.ru_maxrss / 1024.0, timer.nsecsElapsed() / 1e9);

        QSet<QString> distinct;
        const QStringList files = {QStringLiteral("tei/eclogues-lat.xml"), QStringLiteral("tei/amphitruo-lat.xml"),
                                   QStringLiteral("tei2/phi0134.phi001.perseus-lat1.xml"),
                                   QStringLiteral("tei2/phi0474.phi051.perseus-lat1.xml"),
                                   QStringLiteral("tei2/phi0893.phi004.perseus-lat1.xml")};
        qint64 words = 0;
        for (const QString& file : files) {
            const QString text = bodyText(readText(sharedDir() + QStringLiteral("/data/") + file));
            f.plainTexts.push_back(text);
            f.texts.push_back(std::make_shared<ts::AttributedString>(
                text, ts::Attributes{{ts::AttributeName::Font, ts::Value(ts::Font::make(QStringLiteral("Times-Roman"), 12))}}));
            qsizetype i = 0;
            while (i < text.size()) {
                while (i < text.size() && !isWordChar(text.at(i))) ++i;
                const qsizetype start = i;
                while (i < text.size() && isWordChar(text.at(i))) ++i;
                if (i == start) continue;
                ++words;
                const QString key = keyOf(QStringView(text).mid(start, i - start));
                distinct.insert(key);
            }
        }
        // The baseline looks words up in a table as large as the dictionary.
        for (const QString& line : QString::fromUtf8(f.listBytes).split(u'\n')) {
            const qsizetype tab = line.indexOf(u'\t');
            if (tab > 0) f.plainTable.insert(line.left(tab), 1);
        }
        std::fprintf(stderr,
                     "list: %lld lines, %.1f MiB; cache %.1f MiB; %lld keys, %lld records\n"
                     "texts: %lld words, %lld distinct\n",
                     qlonglong(f.lines), f.listBytes.size() / 1048576.0, f.cacheBytes.size() / 1048576.0,
                     qlonglong(f.dictionary->keyCount()), qlonglong(f.dictionary->recordCount()), qlonglong(words),
                     qlonglong(distinct.size()));
        return f;
    }();
    return f;
}

// A digest of the marked texts (characters, runs and their backgrounds and
// fonts), printed so that a change to the marking can be seen to leave its
// output on the full list as it was.
QByteArray markedDigest(const std::vector<ts::AttributedStringPtr>& marked) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const ts::AttributedStringPtr& text : marked) {
        hash.addData(text->string().toUtf8());
        for (const ts::AttributedString::Run& run : text->runs()) {
            QString description = QString::number(run.length);
            for (const auto& [name, value] : run.attributes)
                description += u' ' + name + u'=' + (value.toObject() ? value.toObject()->description() : QString());
            hash.addData(description.toUtf8());
        }
    }
    return hash.result().toHex().left(16);
}

// ---- Making the list ----

void BM_MakeFormList(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        QByteArray out;
        out.reserve(f.listBytes.size());
        PreparedFormList::Summary summary;
        PreparedFormList::appendForms(out, f.words, &summary);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_MakeFormList)->Unit(benchmark::kMillisecond);

// The engine's own calls for the same forms, untagged: nouns, adjectives in
// every degree, and verbs with their non-finite forms and the participles and
// gerundive declined.
void BM_EngineForms(benchmark::State& state) {
    const Fixture& f = fixture();
    static const QRegularExpression space(QStringLiteral("\\s+"));
    // The principal parts on one line, as the list's maker reads them.
    std::vector<std::tuple<int, QString, int, int>> words;
    for (const DictionaryEntryPtr& e : f.words)
        words.emplace_back(e->type(), e->entry().replace(QStringLiteral("-\n"), QStringLiteral("-")).replace(space, QStringLiteral(" ")),
                           e->conjugation(), e->gender());
    for (auto _ : state) {
        QStringList forms;
        forms.reserve(1 << 20);
        for (const auto& [type, latin, conj, gender] : words) {
            if (type == DictionaryEntry::Noun && gender >= 1 && conj >= 1) {
                Word w;
                w.setLatin(latin);
                w.setConjugation(conj);
                w.setGender(gender);
                w.setWordType(WordCode::Noun);
                Word::addNounForms(forms, w);
            } else if (type == DictionaryEntry::Adjective && conj >= 1 && conj <= 3) {
                Adjective a;
                a.setLatin(latin);
                a.setConjugation(conj);
                Adjective::addAdjectiveForms(forms, a);
            } else if (type == DictionaryEntry::Verb && conj >= 1) {
                Verb v;
                v.setLatin(latin);
                v.setConjugation(conj);
                if (conj < 6) Verb::addVerbForms(forms, v);
                const auto parts = v.getVerbParts();
                for (const QString& p : parts) forms << p;
                for (int i : {5, 6, 7, 9}) {
                    if (parts[size_t(i)].isEmpty()) continue;
                    Adjective a;
                    a.setLatin(i == 5 ? parts[size_t(i)] + QStringLiteral(" ") + parts[size_t(i)].chopped(1) + QStringLiteral("tis")
                                      : parts[size_t(i)] + QStringLiteral(" -a -um"));
                    a.setConjugation(i == 5 ? 3 : 1);
                    Adjective::addNormalAdjectiveForms(forms, a, false);
                }
            }
        }
        benchmark::DoNotOptimize(forms);
    }
}
BENCHMARK(BM_EngineForms)->Unit(benchmark::kMillisecond);

// ---- Loading ----

void BM_LoadFromCache(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto d = TSWordFormDictionary::importFromPListData(f.cacheBytes);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_LoadFromCache)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ParseTextSource(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto d = std::make_shared<TSWordFormDictionary>();
        d->loadFromString(QString::fromUtf8(f.listBytes));
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_ParseTextSource)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- Marking ----

void BM_MarkTexts(benchmark::State& state) {
    const Fixture& f = fixture();
    // The five texts marked together, as the texts of one document are.
    for (auto _ : state) {
        auto marked = f.dictionary->addMacrons(f.texts);
        benchmark::DoNotOptimize(marked);
    }
}
BENCHMARK(BM_MarkTexts)->Unit(benchmark::kMillisecond);

void BM_TokeniseAndLookUp(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        qint64 found = 0;
        for (const QString& text : f.plainTexts) {
            qsizetype i = 0;
            while (i < text.size()) {
                while (i < text.size() && !isWordChar(text.at(i))) ++i;
                const qsizetype start = i;
                while (i < text.size() && isWordChar(text.at(i))) ++i;
                if (i > start) found += f.plainTable.value(keyOf(QStringView(text).mid(start, i - start)));
            }
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_TokeniseAndLookUp)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 5);
    std::fprintf(stderr, "marked texts digest: %s\n", markedDigest(fixture().dictionary->addMacrons(fixture().texts)).constData());
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char* a, const char* b, const char* limit) {
        if (reporter.times.count(a) && reporter.times.count(b) && reporter.times[b] > 0)
            std::printf("%s / %s = %.2f (%s)\n", a, b, reporter.times[a] / reporter.times[b], limit);
    };
    ratio("BM_MakeFormList", "BM_EngineForms", "at most 3");
    ratio("BM_LoadFromCache", "BM_ParseTextSource", "below 1");
    ratio("BM_MarkTexts", "BM_TokeniseAndLookUp", "at most 3");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
