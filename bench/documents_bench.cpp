// A parallel-text document of 10,000 lines (four RTF columns each) opened
// into its window (first screen of rows measured) and saved, against a
// plain decode and encode of the same property list; a document whose
// lines all sit in one section (5,000, 10,000 and 20,000 of them, every
// tenth with a footnote) saved, against encoding its property list; and
// scrolling the window's outline from top to bottom against the same model
// with uniform row heights, the first (cold) pass over rows never measured
// before. Runs on the offscreen platform; the ratios are printed last.

#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "platform/Uuid.h"
#include "textmodel/FootnoteList.h"
#include "platform/PropertyList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include "BenchSupport.h"

#include "platform/UserDefaults.h"

#include <QApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <map>

namespace {

QByteArray rtf(const QString& body) {
    return QByteArray(
               "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
               "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
               "{\\colortbl;\\red255\\green255\\blue255;}\n"
               "\\pard\\tx560\\tx1120\\pardirnatural\\partightenfactor0\n\n\\f0\\fs24 \\cf0 ") +
           body.toLatin1() + "}";
}

const QByteArray& documentBytes() {
    static const QByteArray bytes = [] {
        using namespace ts;
        ValueArray sections;
        int n = 0;
        for (int s = 0; s < 100; ++s) {
            ValueArray lines;
            for (int l = 0; l < 100; ++l, ++n) {
                ValueDictionary line{{"ClassName", Value("TSMatchedChunk")},
                                     {"Latin", Value(rtf(QStringLiteral("arma virumque cano Troiae qui primus ab oris %1").arg(n)))},
                                     {"English", Value(rtf(QStringLiteral("I sing of arms and the man who first %1").arg(n)))},
                                     {"Perseus English", Value(rtf(QStringLiteral("arms and the man I sing %1").arg(n)))},
                                     {"Location", Value(rtf(QString::number(l + 1)))}};
                lines.push_back(Value(line));
            }
            sections.push_back(Value(ValueDictionary{{"ClassName", Value("TSMatchedChunk")},
                                                     {"Latin", Value(rtf(QStringLiteral("Liber %1").arg(s + 1)))},
                                                     {"Children", Value(lines)}}));
        }
        ValueDictionary text{{"ClassName", Value("TSText")},
                             {"Text", Value(ValueDictionary{{"ClassName", Value("TSText")}, {"Children", Value(sections)}})}};
        ValueDictionary root{{"Text", Value(text)}, {"uuid", Value("1B4E28BA-2FA1-11D2-883F-0016D3CCA427")}};
        return PropertyList::writeBinary(Value(root));
    }();
    return bytes;
}

// One section holding every line; every tenth line's translation links a
// footnote, as an annotated text's do.
const QByteArray& longSectionBytes(int count) {
    static std::map<int, QByteArray> made;
    auto it = made.find(count);
    if (it != made.end()) return it->second;
    using namespace ts;
    FootnoteList notes;
    ValueArray lines;
    lines.reserve(size_t(count));
    for (int n = 0; n < count; ++n) {
        QString english = QStringLiteral("I sing of arms and the man who first %1").arg(n);
        if (n % 10 == 0) {
            auto note = notes.makeNewNote();
            note->setNoteFromString(QStringLiteral("A note on line %1").arg(n));
            english += QStringLiteral(" {\\field{\\*\\fldinst{HYPERLINK \"%1\"}}{\\fldrslt [%2]}}").arg(note->uniqueID()).arg(n / 10 + 1);
        }
        lines.push_back(Value(ValueDictionary{{"ClassName", Value("TSMatchedChunk")},
                                              {"Latin", Value(rtf(QStringLiteral("arma virumque cano Troiae qui primus ab oris %1").arg(n)))},
                                              {"English", Value(rtf(english))},
                                              {"Location", Value(rtf(QString::number(n + 1)))}}));
    }
    ValueArray sections{Value(ValueDictionary{{"ClassName", Value("TSMatchedChunk")},
                                              {"Latin", Value(rtf(QStringLiteral("Liber I")))},
                                              {"Children", Value(std::move(lines))}})};
    ValueDictionary text{{"ClassName", Value("TSText")},
                         {"Text", Value(ValueDictionary{{"ClassName", Value("TSText")}, {"Children", Value(std::move(sections))}})}};
    ValueDictionary root{{"Text", Value(std::move(text))},
                         {"Footnotes", Value(notes.archiveNotes())},
                         {"uuid", Value("1B4E28BA-2FA1-11D2-883F-0016D3CCA427")}};
    return made.emplace(count, PropertyList::writeBinary(Value(std::move(root)))).first->second;
}

void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void BM_PlistDecode(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ts::PropertyList::read(documentBytes()));
}
BENCHMARK(BM_PlistDecode)->Unit(benchmark::kMillisecond);

void BM_PlistEncode(benchmark::State& state) {
    const ts::Value value = ts::PropertyList::read(documentBytes()).value;
    for (auto _ : state) benchmark::DoNotOptimize(ts::PropertyList::writeBinary(value));
}
BENCHMARK(BM_PlistEncode)->Unit(benchmark::kMillisecond);

void BM_DocumentOpen(benchmark::State& state) {
    for (auto _ : state) {
        auto doc = std::make_shared<TSDocument>();
        if (!doc->readFromData(documentBytes(), TSDocument::kTypeName, nullptr)) state.SkipWithError("unreadable");
        TSDocumentWindow window(doc);
        window.resize(1000, 700);
        window.show();
        settle();
    }
}
BENCHMARK(BM_DocumentOpen)->Unit(benchmark::kMillisecond);

void BM_DocumentSave(benchmark::State& state) {
    auto doc = std::make_shared<TSDocument>();
    doc->readFromData(documentBytes(), TSDocument::kTypeName, nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(doc->exportToPListFormat(nullptr));
}
BENCHMARK(BM_DocumentSave)->Unit(benchmark::kMillisecond);

// Saving (footnotes marked, unused ones left out, the whole encoded) a
// document as read: its lines are still the file's bytes except those a
// footnote link made the save read.
void BM_LongSectionEncode(benchmark::State& state) {
    const ts::Value value = ts::PropertyList::read(longSectionBytes(int(state.range(0)))).value;
    for (auto _ : state) benchmark::DoNotOptimize(ts::PropertyList::writeBinary(value));
}
BENCHMARK(BM_LongSectionEncode)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_LongSectionSave(benchmark::State& state) {
    auto doc = std::make_shared<TSDocument>();
    if (!doc->readFromData(longSectionBytes(int(state.range(0))), TSDocument::kTypeName, nullptr))
        state.SkipWithError("unreadable");
    for (auto _ : state) benchmark::DoNotOptimize(doc->exportToPListFormat(nullptr));
}
BENCHMARK(BM_LongSectionSave)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void scroll(benchmark::State& state, bool uniform) {
    auto doc = std::make_shared<TSDocument>();
    doc->readFromData(documentBytes(), TSDocument::kTypeName, nullptr);
    TSDocumentWindow window(doc);
    window.resize(1000, 700);
    window.outlineView()->setUniformRowHeights(uniform);
    window.show();
    window.outlineView()->expandAll();
    settle();
    QScrollBar* bar = window.outlineView()->verticalScrollBar();
    // One pass a window: every row below the first screen is shown for the
    // first time, as when a reader scrolls a newly opened document.
    for (auto _ : state) {
        for (int v = 0; v <= bar->maximum(); v += bar->pageStep()) {
            bar->setValue(v);
            window.outlineView()->viewport()->repaint();
        }
    }
}

// A column made wider and narrower again in a window of n lines: the rows
// on screen are measured again, the rest only when they are shown, so the
// cost should not grow with the document.
void BM_ColumnResize(benchmark::State& state) {
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(ts::AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(section);
    for (int i = 0; i < int(state.range(0)); ++i) {
        auto line = std::make_shared<TSMatchedChunk>();
        line->setLatin(ts::AttributedString::make(QStringLiteral("arma virumque cano, Troiae qui primus ab oris Italiam %1").arg(i)));
        line->setEnglish(ts::AttributedString::make(QStringLiteral("I sing of arms and the man who first from Troy %1").arg(i)));
        section->addChild(line);
    }
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    TSDocumentWindow window(doc);
    window.resize(1000, 700);
    window.show();
    window.outlineView()->expandAll();
    settle();
    QHeaderView* header = window.outlineView()->header();
    int width = header->sectionSize(TSOutlineModel::LatinColumn);
    for (auto _ : state) {
        for (int step = 0; step < 10; ++step) {
            width += step % 2 ? -40 : 40;
            header->resizeSection(TSOutlineModel::LatinColumn, width);
            settle();
            window.outlineView()->viewport()->repaint();
        }
    }
}
BENCHMARK(BM_ColumnResize)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ScrollMeasured(benchmark::State& state) { scroll(state, false); }
BENCHMARK(BM_ScrollMeasured)->Unit(benchmark::kMillisecond)->Iterations(1);
void BM_ScrollUniform(benchmark::State& state) { scroll(state, true); }
BENCHMARK(BM_ScrollUniform)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The user defaults start empty, as on a user's machine: the shared
    // account's file holds whatever every test run left in it (megabytes),
    // and each window's frame saved into it would be timed as a rewrite of
    // all of that. TS_BENCH_USER_DEFAULTS=1 keeps the account's own file.
    QTemporaryDir defaultsDir;
    if (qgetenv("TS_BENCH_USER_DEFAULTS").isEmpty() && defaultsDir.isValid())
        ts::UserDefaults::setStandardFilePath(defaultsDir.filePath(QStringLiteral("defaults.plist")));
    bench::initialize(argc, argv, 3);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* name, const char* base, const char* limit) {
        auto a = reporter.times.find(name), b = reporter.times.find(base);
        if (a != reporter.times.end() && b != reporter.times.end())
            std::printf("%s / %s: %.2f (aim %s)\n", name, base, a->second / b->second, limit);
    };
    ratio("BM_DocumentOpen", "BM_PlistDecode", "3");
    ratio("BM_DocumentSave", "BM_PlistEncode", "3");
    for (const char* lines : {"5000", "10000", "20000"}) {
        const std::string save = std::string("BM_LongSectionSave/") + lines, encode = std::string("BM_LongSectionEncode/") + lines;
        ratio(save.c_str(), encode.c_str(), "3");
        auto it = reporter.times.find(save);
        if (it != reporter.times.end())
            std::printf("  one section of %s lines: %.1f ms, %.2f us a line\n", lines, it->second,
                        it->second * 1e3 / std::atof(lines));
    }
    ratio("BM_ScrollMeasured", "BM_ScrollUniform", "2, first pass");
    ratio("BM_ColumnResize/10000", "BM_ColumnResize/100", "about 1");
    benchmark::Shutdown();
    return 0;
}
