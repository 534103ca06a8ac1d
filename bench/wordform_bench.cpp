// Macron marking of 100,000 words of the Eclogues against tokenising the same
// text with one hash look-up per word; and loading the word-form dictionary
// from its binary cache against parsing its text source, both from bytes in
// memory. The dictionary holds the real minimal form list plus a form for
// every word of the poems (a third of them with a second, different form),
// so that most words are found and some are ambiguous. The ratios are
// printed last.

#include "BenchSupport.h"

#include "morphology/TSWordFormDictionary.h"
#include "platform/Font.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>

#ifndef TS_SHARED_DIR_DEFAULT
#define TS_SHARED_DIR_DEFAULT "/work/shared"
#endif

namespace {

constexpr int kWords = 100000;
// Copies of the form list, under distinct keys, for the load comparison.
constexpr int kListCopies = 12;

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

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

QString keyOf(QStringView word) {
    QString key = word.toString().toLower();
    key.replace(u'v', u'u');
    return key;
}

struct Fixture {
    QString minimalList;
    QString text;
    TSWordFormDictionaryPtr dictionary;
    ts::AttributedString attributed;
    QHash<QString, int> plainTable;
    QByteArray sourceBytes;
    QByteArray cacheBytes;
};

const Fixture& fixture() {
    static const Fixture f = [] {
        Fixture f;
        f.minimalList = readText(sharedDir() + QStringLiteral("/data/macrons/macrons-minimal.txt"));
        const QString xml = readText(sharedDir() + QStringLiteral("/data/tei/eclogues-lat.xml"));
        static const QRegularExpression lineElement(QStringLiteral("<l\\b[^>]*>(.*?)</l>"),
                                                    QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
        QStringList lines;
        auto it = lineElement.globalMatch(xml.mid(xml.indexOf(QStringLiteral("<body"))));
        while (it.hasNext()) lines << it.next().captured(1).remove(tag);

        // A form for every word of the poems: its first vowel long; every
        // third word also has a form without marks.
        QStringList extra;
        QSet<QString> seen;
        int n = 0;
        for (const QString& line : lines) {
            qsizetype i = 0;
            while (i < line.size()) {
                while (i < line.size() && !isWordChar(line.at(i))) ++i;
                const qsizetype start = i;
                while (i < line.size() && isWordChar(line.at(i))) ++i;
                if (i == start) continue;
                const QString key = keyOf(QStringView(line).mid(start, i - start));
                if (seen.contains(key)) continue;
                seen.insert(key);
                QString form = key;
                const qsizetype vowel = form.indexOf(QRegularExpression(QStringLiteral("[aeiou]")));
                if (vowel >= 0) form.insert(vowel + 1, u'_');
                extra << key + QStringLiteral("\tn-s---mn-\t") + key + u'\t' + form;
                if (++n % 3 == 0) extra << key + QStringLiteral("\tv3spia---\t") + key + QStringLiteral("2\t") + key;
            }
        }
        f.dictionary = std::make_shared<TSWordFormDictionary>();
        f.dictionary->loadFromString(f.minimalList);
        f.dictionary->loadFromString(extra.join(u'\n'));

        // The poems over and over until there are enough words.
        int words = 0;
        QString text;
        while (words < kWords) {
            for (const QString& line : lines) {
                text += line;
                text += u'\n';
                for (qsizetype i = 0; i < line.size(); ++i)
                    if (isWordChar(line.at(i)) && (i == 0 || !isWordChar(line.at(i - 1)))) ++words;
                if (words >= kWords) break;
            }
        }
        f.text = text;
        f.attributed = ts::AttributedString(text, {{ts::AttributeName::Font,
                                                    ts::Value(ts::Font::make(QStringLiteral("Times-Roman"), 12))}});
        for (const QString& key : seen) f.plainTable.insert(key, 1);

        // The load comparison: the form list under kListCopies sets of keys.
        QString source;
        for (int copy = 0; copy < kListCopies; ++copy) {
            const QString suffix = QString(QChar(u'a' + copy));
            for (const QString& line : f.minimalList.split(u'\n', Qt::SkipEmptyParts)) {
                const qsizetype tab = line.indexOf(u'\t');
                source += line.left(tab) + suffix + line.mid(tab) + u'\n';
            }
        }
        f.sourceBytes = source.toUtf8();
        TSWordFormDictionary fromSource;
        fromSource.loadFromString(source);
        f.cacheBytes = fromSource.exportToPListFormat();
        std::fprintf(stderr, "%d words to mark; %lld records to load\n", words, qlonglong(fromSource.recordCount()));
        return f;
    }();
    return f;
}

void BM_MarkText(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto marked = f.dictionary->addMacrons(f.attributed);
        benchmark::DoNotOptimize(marked);
    }
}
BENCHMARK(BM_MarkText)->Unit(benchmark::kMillisecond);

void BM_TokeniseAndLookUp(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        qint64 found = 0;
        const QString& text = f.text;
        qsizetype i = 0;
        while (i < text.size()) {
            while (i < text.size() && !isWordChar(text.at(i))) ++i;
            const qsizetype start = i;
            while (i < text.size() && isWordChar(text.at(i))) ++i;
            if (i > start) found += f.plainTable.value(keyOf(QStringView(text).mid(start, i - start)));
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_TokeniseAndLookUp)->Unit(benchmark::kMillisecond);

void BM_LoadFromCache(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto d = TSWordFormDictionary::importFromPListData(f.cacheBytes);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_LoadFromCache)->Unit(benchmark::kMillisecond);

void BM_ParseTextSource(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto d = std::make_shared<TSWordFormDictionary>();
        d->loadFromString(QString::fromUtf8(f.sourceBytes));
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_ParseTextSource)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bench::initialize(argc, argv, 5);
    fixture();
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char* a, const char* b, const char* limit) {
        if (reporter.times.count(a) && reporter.times.count(b) && reporter.times[b] > 0)
            std::printf("%s / %s = %.2f (%s)\n", a, b, reporter.times[a] / reporter.times[b], limit);
    };
    ratio("BM_MarkText", "BM_TokeniseAndLookUp", "at most 3");
    ratio("BM_LoadFromCache", "BM_ParseTextSource", "below 1");
    return 0;
}
