#pragma once
// Prints a long rich text in pages of its own making, with the footnotes
// whose markers fall on a page printed under that page's text, each once per
// page under the number its markers show.
//
// Geometry, in points: the text is drawn into getDrawRect of the paper
// (25 mm in from the left, 50 mm narrower, 34 mm lower) moved down by a
// further 17 mm; its height stops 17 mm above the paper's bottom edge.
// Pagination measures with that same rectangle, so every line it places is
// drawn whole: a line that would run past the page, or whose footnotes would,
// starts the next page, and a page's note block is reserved before its lines
// are placed. Each character is on exactly one page.
//
// The layout the user chooses in the print or page-setup panel is kept as
// "PrintLayout" (Preferences::setPrintInfo) after a completed print or a
// confirmed page setup; a cancelled panel stores nothing. The panels run
// through ts::Prompter::runModalPanel.
//
// Main thread only (QTextDocument, QPainter).

#include "platform/AttributedString.h"
#include "textmodel/FootnoteObject.h"

#include <QRectF>
#include <QTextDocument>

#include <memory>
#include <vector>

class FootnoteList;
class QPageLayout;
class QPrinter;
class QWidget;


class TSStringPrintView {
public:
    static constexpr double kPointsPerMillimetre = 72.0 / 25.4;
    static constexpr double kTextShift = 48.1889763781;  // 17 mm

    TSStringPrintView();
    ~TSStringPrintView();

    void setPrintField(const ts::AttributedString& text);
    const ts::AttributedString& printField() const { return printField_; }
    void setFootnotes(std::shared_ptr<FootnoteList> footnotes) { footnotes_ = std::move(footnotes); }

    // (x 25 mm, y + 34 mm, width − 50 mm, height − 51 mm).
    static QRectF getDrawRect(const QRectF& r);
    // The rectangle a page's text and notes are drawn into, for a paper rect.
    static QRectF textRect(const QRectF& paper);

    // The footnote links of the text in text order.
    void makeLinkArray();
    const std::vector<TSFootnoteInfo>& linkArray() const { return linkArray_; }
    // Pages of the rectangle's size; fills pageRanges.
    void calculatePageRanges(const QRectF& rect);
    const std::vector<ts::TextRange>& pageRanges() const { return pageRanges_; }
    int numPages() const { return int(pageRanges_.size()); }
    // "n. text" for every footnote with a marker wholly in the range, once
    // each, n being the number its markers show (a marker without one: the
    // note's place among the text's notes); empty when none.
    ts::AttributedString footnotesInRange(ts::TextRange range) const;

    // Lays out and prints every page to the printer (already set up);
    // answers false when the printer cannot be painted on.
    bool printToPrinter(QPrinter& printer);
    // The print panel through the Prompter on the stored layout, then the
    // printout; the chosen layout is stored when the user completes it.
    bool doPrint(QWidget* parent = nullptr);
    // Straight to a PDF file with the stored layout.
    bool printToPdf(const QString& path);

    // The shared layout (paper, orientation, margins) from "PrintLayout",
    // A4 portrait without one; and storing one.
    static QPageLayout storedPageLayout();
    static void storePageLayout(const QPageLayout& layout);
    // The page-setup panel through the Prompter; stores a confirmed layout.
    static bool runPageLayout(QWidget* parent = nullptr);

private:
    void layOut(const QRectF& rect);
    std::unique_ptr<QTextDocument> notesDocument(const ts::AttributedString& notes, double width) const;
    // The note block of the links [first, end) of linkArray_.
    ts::AttributedString notesOf(size_t first, size_t end) const;

    ts::AttributedString printField_;
    std::shared_ptr<FootnoteList> footnotes_;
    std::vector<TSFootnoteInfo> linkArray_;
    // Per link of linkArray_: its note's id and the number its marker shows.
    struct LinkMark {
        QString id;
        qint64 number = 0;
    };
    std::vector<LinkMark> linkMarks_;
    std::vector<ts::TextRange> pageRanges_;
    // Per page: the y of its first line in the laid-out text and the height
    // its lines take.
    std::vector<std::pair<double, double>> pageBands_;
    QTextDocument document_;
    QRectF pageRect_;
};
