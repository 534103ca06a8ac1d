// Printing a pane of 10,000 lines to PDF: our pagination by line with each
// page's footnotes, against QTextDocument::print of the same text. Both
// sides turn the same rich text into a text document and write a PDF file.
// Prints the ratio (limit 3).

#include "BenchSupport.h"

#include "documents/MyDocument.h"
#include "documents/gui/TSStringPrintView.h"
#include "platform/Url.h"
#include "platform/gui/RichTextConversion.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"

#include <QApplication>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>

namespace {

const char* const kWords[] = {"arma", "virumque", "cano", "Troiae", "qui", "primus", "ab", "oris", "Italiam", "fato",
                              "profugus", "Lavinia", "venit", "litora", "multum", "ille", "et", "terris", "iactatus",
                              "alto", "vi", "superum", "saevae", "memorem", "Iunonis", "ob", "iram"};

struct Input {
    ts::AttributedString text;
    FootnoteListPtr notes = std::make_shared<FootnoteList>();
};

const Input& input() {
    static const Input in = [] {
        Input in;
        QRandomGenerator random(7);
        ts::Attributes italic;
        italic[ts::AttributeName::Font] = ts::Value(RichTextConversion::fromQFont(QFont(QStringLiteral("DejaVu Serif"), 12, -1, true)));
        for (int i = 0; i < 10000; ++i) {
            QString line = QStringLiteral("%1 ").arg(i + 1);
            const int words = 4 + int(random.bounded(14));
            for (int w = 0; w < words; ++w) line += QString::fromLatin1(kWords[random.bounded(int(std::size(kWords)))]) + QLatin1Char(' ');
            in.text.append(ts::AttributedString(line, i % 7 == 0 ? italic : ts::Attributes{}));
            if (random.bounded(30) == 0) {
                FootnoteObjectPtr note = in.notes->makeNewNote();
                note->setNoteFromString(QStringLiteral("Servius ad loc. %1: %2").arg(i).arg(line.left(40)));
                ts::Attributes link;
                link[ts::AttributeName::Link] = ts::Value(ts::Url::make(note->uniqueID()));
                in.text.append(ts::AttributedString(FootnoteText::marker(0), link));
            }
            in.text.append(ts::AttributedString(QStringLiteral("\n")));
        }
        FootnoteText::renumber(const_cast<ts::AttributedString&>(in.text), *in.notes, false);
        return in;
    }();
    return in;
}

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

void BM_PrintWithFootnotes(benchmark::State& state) {
    const Input& in = input();
    for (auto _ : state) {
        TSStringPrintView view;
        view.setPrintField(in.text);
        view.setFootnotes(in.notes);
        benchmark::DoNotOptimize(view.printToPdf(folder().filePath(QStringLiteral("ours.pdf"))));
    }
}
BENCHMARK(BM_PrintWithFootnotes)->Unit(benchmark::kMillisecond);

void BM_QTextDocumentPrint(benchmark::State& state) {
    const Input& in = input();
    for (auto _ : state) {
        QTextDocument document;
        RichTextConversion::toTextDocument(in.text, document);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder().filePath(QStringLiteral("baseline.pdf")));
        printer.setPageLayout(TSStringPrintView::storedPageLayout());
        document.print(&printer);
    }
}
BENCHMARK(BM_QTextDocumentPrint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    bench::initialize(argc, argv, 3);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.times["BM_PrintWithFootnotes"];
    const double base = reporter.times["BM_QTextDocumentPrint"];
    if (base > 0) std::printf("print 10,000 lines with footnotes / QTextDocument::print = %.2f (limit 3)\n", ours / base);
    benchmark::Shutdown();
    return 0;
}
