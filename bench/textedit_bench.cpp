// Spreading milestone numbers over a 5,000-line translation section, and
// aligning the whole Eclogues translation onto its Latin, each against
// plain consecutive work on the same lines: numbering them 1, 2, 3 ... and
// laying the English lines one by one onto the Latin lines. Both sides build
// or reset the same trees inside the timed loop. The ratios are printed
// last.

#include "textmodel/FootnoteList.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QFile>
#include <QXmlStreamReader>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifndef TS_SHARED_DIR_DEFAULT
#define TS_SHARED_DIR_DEFAULT "/work/shared"
#endif

namespace {

constexpr int kLines = 5000;
constexpr int kLinesPerMilestone = 10;

// Names of varied length, some with full stops and commas to split at.
QString lineName(int i) {
    static const char* words[] = {"arms", "and", "the", "man", "I", "sing,", "who", "first", "from", "Troy.",
                                  "exiled", "by", "fate", "came", "to", "Italy"};
    QString s;
    const int count = 4 + (i * 7) % 11;
    for (int w = 0; w < count; ++w) s += QLatin1String(words[(i + w * 3) % 16]) + QLatin1Char(' ');
    return s.trimmed();
}

// A section of kLines lines with a milestone after every tenth; the numbers
// alternate between stretches that are too long and too short, so both
// merging and splitting run.
std::pair<TSTextPtr, TSChunkPtr> milestoneSection() {
    auto root = std::make_shared<TSText>();
    auto section = std::make_shared<TSChunk>();
    section->setName(QStringLiteral("Scene 1"));
    root->addChild(section);
    qint64 number = 1;
    for (int i = 0; i < kLines; ++i) {
        auto line = std::make_shared<TSLine>();
        line->setName(lineName(i));
        section->addChild(line);
        if (i % kLinesPerMilestone == 0) {
            auto m = std::make_shared<TSMilestone>();
            m->setTln(number);
            m->setPrecedingText(line->name());
            section->addChild(m);
            number += (i / kLinesPerMilestone) % 2 ? 8 : 12;
        }
    }
    return {root, section};
}

void BM_AdjustLines(benchmark::State& state) {
    for (auto _ : state) {
        auto [root, section] = milestoneSection();
        root->adjustLines(section);
        benchmark::DoNotOptimize(section->numChildren());
    }
}
BENCHMARK(BM_AdjustLines)->Unit(benchmark::kMillisecond);

void BM_ConsecutiveNumbering(benchmark::State& state) {
    for (auto _ : state) {
        auto [root, section] = milestoneSection();
        qint64 n = 1;
        for (const auto& child : section->childNodes())
            if (auto line = std::dynamic_pointer_cast<TSLine>(child)) line->setTln(n++);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ConsecutiveNumbering)->Unit(benchmark::kMillisecond);

// --- Eclogues ---

struct Poem {
    QString name;
    QStringList lines;
};

// Poems ("Poem n") and their lines (a speech's first line carries the
// speaker's name) from a TEI file; empty when it cannot be read.
std::vector<Poem> readPoems(const QString& path) {
    QFile f(path);
    std::vector<Poem> poems;
    if (!f.open(QIODevice::ReadOnly)) return poems;
    QByteArray data = f.readAll();
    // The files name DTD entities the stream reader does not know.
    data.replace("&responsibility;", "").replace("&fund.NEH;", "").replace("&Perseus.publish;", "");
    QXmlStreamReader xml(data);
    QString speaker;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement()) continue;
        const auto name = xml.name();
        if (name == QLatin1String("div1")) {
            poems.push_back({QStringLiteral("Poem ") + xml.attributes().value("n").toString(), {}});
        } else if (name == QLatin1String("speaker")) {
            speaker = xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        } else if (name == QLatin1String("l") && !poems.empty()) {
            QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
            if (!speaker.isEmpty()) text = speaker + QLatin1Char(' ') + text;
            speaker.clear();
            poems.back().lines << text;
        }
    }
    return poems;
}

struct Eclogues {
    TSTextPtr latin;
    TSTextPtr english;
    std::vector<TSChunkPtr> latinLines;
    std::vector<TSChunkPtr> englishLines;
    // Each Latin poem with its lines and the English poem of the same name.
    struct Pair {
        TSChunkPtr latin;
        std::vector<TSChunkPtr> latinLines, englishLines;
    };
    std::vector<Pair> poems;
    bool ok = false;
};

Eclogues& eclogues() {
    static Eclogues e = [] {
        Eclogues e;
        QString shared = qEnvironmentVariable("TS_SHARED_DIR");
        if (shared.isEmpty()) shared = QStringLiteral(TS_SHARED_DIR_DEFAULT);
        const auto latinPoems = readPoems(shared + QStringLiteral("/data/tei/eclogues-lat.xml"));
        const auto englishPoems = readPoems(shared + QStringLiteral("/data/tei/eclogues-eng.xml"));
        if (latinPoems.empty() || englishPoems.empty()) return e;
        e.latin = std::make_shared<TSText>();
        auto latinBook = std::make_shared<TSMatchedChunk>();
        latinBook->setLatin(ts::AttributedString::make(QStringLiteral("Eclogues")));
        e.latin->addChild(latinBook);
        for (const auto& p : latinPoems) {
            auto poem = std::make_shared<TSMatchedChunk>();
            poem->setLatin(ts::AttributedString::make(p.name));
            latinBook->addChild(poem);
            e.poems.push_back({poem, {}, {}});
            int n = 0;
            for (const auto& l : p.lines) {
                auto line = std::make_shared<TSMatchedChunk>();
                line->setLatin(ts::AttributedString::make(l));
                line->setLocation(ts::AttributedString::make(QString::number(++n)));
                poem->addChild(line);
                e.latinLines.push_back(line);
                e.poems.back().latinLines.push_back(line);
            }
        }
        e.english = std::make_shared<TSText>();
        auto englishBook = std::make_shared<TSChunk>();
        englishBook->setName(QStringLiteral("Eclogues"));
        e.english->addChild(englishBook);
        for (const auto& p : englishPoems) {
            auto poem = std::make_shared<TSChunk>();
            poem->setName(p.name);
            englishBook->addChild(poem);
            Eclogues::Pair* pair = nullptr;
            for (size_t i = 0; i < latinPoems.size(); ++i)
                if (latinPoems[i].name == p.name) pair = &e.poems[i];
            for (const auto& l : p.lines) {
                auto line = std::make_shared<TSLine>();
                line->setName(l);
                poem->addChild(line);
                e.englishLines.push_back(line);
                if (pair) pair->englishLines.push_back(line);
            }
        }
        e.ok = true;
        return e;
    }();
    return e;
}

// Back to the Latin alone: no English, and no rows made for English lines
// beyond a poem's last Latin line.
void clearTranslations(const Eclogues& e) {
    for (const auto& l : e.latinLines) l->setTextForKey(nullptr, QStringLiteral("perseusEnglish"));
    for (const auto& p : e.poems)
        while (p.latin->numChildren() > qint64(p.latinLines.size()))
            p.latin->removeChild(p.latin->childAt(p.latin->numChildren() - 1));
}

void BM_AlignEclogues(benchmark::State& state) {
    Eclogues& e = eclogues();
    if (!e.ok) {
        state.SkipWithError("Eclogues TEI files not found");
        return;
    }
    FootnoteList notes;
    for (auto _ : state) {
        clearTranslations(e);
        e.latin->importPerseusTranslation(e.english, notes);
    }
}
BENCHMARK(BM_AlignEclogues)->Unit(benchmark::kMillisecond);

void BM_ConsecutiveLaying(benchmark::State& state) {
    Eclogues& e = eclogues();
    if (!e.ok) {
        state.SkipWithError("Eclogues TEI files not found");
        return;
    }
    // The least the alignment must do: each poem's lines laid in order, each
    // English line beyond its last Latin line in a row of its own.
    for (auto _ : state) {
        clearTranslations(e);
        for (const auto& p : e.poems) {
            for (size_t i = 0; i < p.englishLines.size(); ++i) {
                const auto text = ts::AttributedString::make(p.englishLines[i]->name());
                if (i < p.latinLines.size()) {
                    p.latinLines[i]->setTextForKey(text, QStringLiteral("perseusEnglish"));
                } else {
                    auto row = std::make_shared<TSMatchedChunk>();
                    row->setTextForKey(text, QStringLiteral("perseusEnglish"));
                    p.latin->addChild(row);
                }
            }
        }
    }
}
BENCHMARK(BM_ConsecutiveLaying)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto ratio = [&](const char* a, const char* b) {
            if (times_.count(a) && times_.count(b) && times_[b] > 0)
                std::printf("%s / %s = %.2f\n", a, b, times_[a] / times_[b]);
        };
        ratio("BM_AdjustLines", "BM_ConsecutiveNumbering");
        ratio("BM_AlignEclogues", "BM_ConsecutiveLaying");
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
