#include "documents/gui/TSStringPrintView.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "documents/MyDocument.h"
#include "platform/Prompter.h"
#include "platform/gui/RichTextConversion.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextLayout>

#include <map>
#include <set>

namespace {

const QString kPaperWidth = QStringLiteral("NSPaperSizeWidth");
const QString kPaperHeight = QStringLiteral("NSPaperSizeHeight");
const QString kPaperName = QStringLiteral("NSPaperName");
const QString kOrientation = QStringLiteral("NSOrientation");
const QString kLeft = QStringLiteral("NSLeftMargin");
const QString kRight = QStringLiteral("NSRightMargin");
const QString kTop = QStringLiteral("NSTopMargin");
const QString kBottom = QStringLiteral("NSBottomMargin");
const QString kPrinterName = QStringLiteral("NSPrinterName");

// Points between a page's text and its note block.
constexpr double kNotesGap = 12.0;

// The text with its links' colour and underline taken away: a printout shows
// markers, not links.
ts::AttributedString withoutLinks(const ts::AttributedString& text) {
    ts::AttributedString copy = text;
    qsizetype at = 0;
    std::vector<ts::TextRange> linked;
    for (const ts::AttributedString::Run& run : text.runs()) {
        if (run.attributes.count(ts::AttributeName::Link)) linked.push_back({at, run.length});
        at += run.length;
    }
    for (const ts::TextRange& r : linked)
        for (const QString& name : {ts::AttributeName::Link, ts::AttributeName::ForegroundColor, ts::AttributeName::Underline})
            copy.removeAttribute(name, r);
    return copy;
}

// One note as a page's note block shows it: its number and its text, on a
// line of its own after the first. The number is set in the note's own face,
// so a note block reads in one face whatever the page's default.
void appendNote(ts::AttributedString& notes, qint64 number, const ts::AttributedString& body) {
    ts::Attributes face;
    if (body.length() > 0) {
        const ts::Attributes first = body.attributes(0);
        if (auto font = first.find(ts::AttributeName::Font); font != first.end()) face[font->first] = font->second;
    }
    notes.append(QStringLiteral("%1%2. ").arg(notes.length() ? QStringLiteral("\n") : QString()).arg(number), face);
    notes.append(body);
}

// The number a marker shows ("[2]" shows 2); 0 when it shows none.
qint64 shownNumber(const QString& marker) {
    QString digits;
    for (const QChar c : marker)
        if (c.isDigit()) digits += c;
        else if (!digits.isEmpty()) break;
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok && n > 0 ? n : 0;
}

}  // namespace

TSStringPrintView::TSStringPrintView() {
    document_.setDocumentMargin(0);
    // Text without a font of its own prints at a reading size, in points.
    document_.setDefaultFont(QFont(QStringLiteral("DejaVu Serif"), 11));
}
TSStringPrintView::~TSStringPrintView() = default;

void TSStringPrintView::setPrintField(const ts::AttributedString& text) { printField_ = text; }

QRectF TSStringPrintView::getDrawRect(const QRectF& r) {
    return QRectF(70.8661417325, r.y() + 96.3779527562, r.width() - 141.732283465, r.height() - 144.5669291343);
}

QRectF TSStringPrintView::textRect(const QRectF& paper) {
    QRectF r = getDrawRect(paper).translated(0, kTextShift);
    // Moved down, the rectangle would reach the paper's edge: it ends 17 mm
    // above it instead, so nothing is drawn where a printer cannot print.
    r.setHeight(std::max(72.0, r.height() - kTextShift));
    return r;
}

void TSStringPrintView::makeLinkArray() {
    linkArray_.clear();
    linkMarks_.clear();
    if (!footnotes_) return;
    // A note's markers all show the number its first one got; a marker that
    // shows none takes the note's place among the notes.
    std::map<QString, qint64> numbers;
    for (const FootnoteText::Link& link : FootnoteText::footnoteLinks(printField_)) {
        FootnoteObjectPtr note = footnotes_->noteForID(link.id);
        if (!note) continue;
        ts::AttributedStringPtr body = note->attributedString();
        TSFootnoteInfo info;
        info.setFootnote(body ? body : ts::AttributedString::make());
        info.setRange(link.range);
        linkArray_.push_back(std::move(info));
        qint64 number = shownNumber(printField_.string().mid(link.range.location, link.range.length));
        if (!number) {
            const auto known = numbers.find(link.id);
            number = known != numbers.end() ? known->second : qint64(numbers.size()) + 1;
        }
        numbers.emplace(link.id, number);
        linkMarks_.push_back({link.id, number});
    }
}

ts::AttributedString TSStringPrintView::notesOf(size_t first, size_t end) const {
    ts::AttributedString out;
    std::set<QString> printed;
    for (size_t i = first; i < end && i < linkArray_.size(); ++i) {
        // A note linked twice on a page is printed once.
        if (!printed.insert(linkMarks_[i].id).second) continue;
        appendNote(out, linkMarks_[i].number, *linkArray_[i].footnote());
    }
    return out;
}

ts::AttributedString TSStringPrintView::footnotesInRange(ts::TextRange range) const {
    size_t first = linkArray_.size(), end = 0;
    for (size_t i = 0; i < linkArray_.size(); ++i) {
        const ts::TextRange marker = linkArray_[i].range();
        if (marker.location > range.end()) break;
        if (marker.location < range.location || marker.end() > range.end()) continue;
        first = std::min(first, i);
        end = i + 1;
    }
    return first < end ? notesOf(first, end) : ts::AttributedString();
}

std::unique_ptr<QTextDocument> TSStringPrintView::notesDocument(const ts::AttributedString& notes, double width) const {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDocumentMargin(0);
    QFont small = document_.defaultFont();
    small.setPointSizeF(small.pointSizeF() - 1.5);
    doc->setDefaultFont(small);
    RichTextConversion::toTextDocument(notes, *doc);
    doc->setTextWidth(width);
    return doc;
}

void TSStringPrintView::calculatePageRanges(const QRectF& rect) { layOut(rect); }

void TSStringPrintView::layOut(const QRectF& rect) {
    pageRect_ = rect;
    pageRanges_.clear();
    pageBands_.clear();
    RichTextConversion::toTextDocument(withoutLinks(printField_), document_);
    document_.setTextWidth(rect.width());
    QAbstractTextDocumentLayout* layout = document_.documentLayout();
    const double pageHeight = rect.height();

    // Links are in text order, so a page's notes are a run of them.
    size_t nextLink = 0;
    qsizetype pageStart = 0;
    double bandTop = -1, bandBottom = 0;
    double notesHeight = 0;
    ts::TextRange pageLinks{0, 0};  // indexes into linkArray_
    auto measureNotes = [&](size_t first, size_t end) {
        if (first >= end) return 0.0;
        return notesDocument(notesOf(first, end), rect.width())->size().height() + kNotesGap;
    };
    auto closePage = [&](qsizetype nextStart) {
        pageRanges_.push_back({pageStart, nextStart - pageStart});
        pageBands_.push_back({bandTop < 0 ? 0 : bandTop, bandBottom - (bandTop < 0 ? 0 : bandTop)});
        pageStart = nextStart;
        bandTop = -1;
        notesHeight = 0;
        pageLinks = {qsizetype(nextLink), 0};
    };

    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        const double blockTop = layout->blockBoundingRect(block).top();
        QTextLayout* lines = block.layout();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const qsizetype start = block.position() + line.textStart();
            const qsizetype end = start + line.textLength();
            const double top = blockTop + line.y();
            const double bottom = top + line.height();
            // The notes whose markers this line holds.
            size_t linkEnd = nextLink;
            while (linkEnd < linkArray_.size() && linkArray_[linkEnd].range().location < end) ++linkEnd;
            const bool lineHasNotes = linkEnd > nextLink;
            if (bandTop >= 0) {
                const double withNotes =
                    lineHasNotes ? measureNotes(size_t(pageLinks.location), linkEnd) : notesHeight;
                if (bottom - bandTop + withNotes > pageHeight) {
                    closePage(start);
                }
            }
            if (bandTop < 0) bandTop = top;
            bandBottom = bottom;
            if (lineHasNotes) notesHeight = measureNotes(size_t(pageLinks.location), linkEnd);
            nextLink = linkEnd;
        }
    }
    const qsizetype length = printField_.length();
    if (pageRanges_.empty() || pageStart < length || bandTop >= 0) closePage(length);
}

bool TSStringPrintView::printToPrinter(QPrinter& printer) {
    printer.setFullPage(true);
    const QRectF paper = printer.pageLayout().fullRectPoints();
    makeLinkArray();
    layOut(textRect(paper));
    QPainter painter;
    if (!painter.begin(&printer)) {
        TSLogError("The printer could not be painted on");
        return false;
    }
    const double scale = printer.resolution() / 72.0;
    painter.scale(scale, scale);
    QAbstractTextDocumentLayout* layout = document_.documentLayout();
    for (int k = 0; k < numPages(); ++k) {
        if (k > 0) printer.newPage();
        const auto [bandTop, bandHeight] = pageBands_[size_t(k)];
        painter.save();
        painter.setPen(Qt::black);
        painter.translate(pageRect_.x(), pageRect_.y() - bandTop);
        const QRectF clip(0, bandTop, pageRect_.width(), bandHeight);
        const QRectF inner = clip.adjusted(0, 0.5, 0, -0.5);
        QTextBlock block = document_.findBlock(int(pageRanges_[size_t(k)].location));
        for (; block.isValid(); block = block.next()) {
            const QRectF bounds = layout->blockBoundingRect(block);
            if (bounds.top() >= clip.bottom()) break;
            // The layout sits at its block's place; lines outside the band
            // (the neighbouring pages') are not drawn at all.
            // Line by line: a paragraph split between pages draws each of
            // its lines on its own page only.
            QTextLayout* lines = block.layout();
            const QPointF origin = lines->position();
            for (int i = 0; i < lines->lineCount(); ++i) {
                const QTextLine line = lines->lineAt(i);
                const double top = origin.y() + line.y();
                if (top < inner.top() - 1 || top + line.height() > inner.bottom() + 1) continue;
                line.draw(&painter, origin);
            }
        }
        painter.restore();
        // Each note once per page, numbered as in the whole text.
        const ts::AttributedString notes = footnotesInRange(pageRanges_[size_t(k)]);
        if (notes.length()) {
            auto doc = notesDocument(notes, pageRect_.width());
            const double height = doc->size().height();
            const double y = pageRect_.bottom() - height;
            painter.save();
            painter.setPen(QPen(Qt::black, 0.5));
            painter.drawLine(QPointF(pageRect_.x(), y - kNotesGap / 2), QPointF(pageRect_.x() + 72, y - kNotesGap / 2));
            painter.translate(pageRect_.x(), y);
            doc->drawContents(&painter);
            painter.restore();
        }
    }
    painter.end();
    return true;
}

QPageLayout TSStringPrintView::storedPageLayout() {
    const ts::ValueDictionary info = Preferences::getPrintInfo();
    auto number = [&](const QString& key, double fallback) {
        auto it = info.find(key);
        return it != info.end() && (it->second.isReal() || it->second.isInteger()) ? it->second.toDouble() : fallback;
    };
    const QSizeF size(number(kPaperWidth, 595.2756), number(kPaperHeight, 841.8898));
    QPageSize pageSize(size, QPageSize::Point);
    auto name = info.find(kPaperName);
    if (name != info.end() && name->second.isString()) {
        const QPageSize named(QPageSize::id(size, QPageSize::Point, QPageSize::FuzzyMatch));
        if (named.isValid()) pageSize = named;
    }
    const auto orientation = number(kOrientation, 0) == 1 ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QMarginsF margins(number(kLeft, 72), number(kTop, 90), number(kRight, 72), number(kBottom, 90));
    return QPageLayout(pageSize, orientation, margins, QPageLayout::Point);
}

void TSStringPrintView::storePageLayout(const QPageLayout& layout) {
    ts::ValueDictionary info = Preferences::getPrintInfo();
    const QSizeF size = layout.pageSize().size(QPageSize::Point);
    info[kPaperWidth] = size.width();
    info[kPaperHeight] = size.height();
    info[kPaperName] = layout.pageSize().key();
    info[kOrientation] = qint64(layout.orientation() == QPageLayout::Landscape ? 1 : 0);
    const QMarginsF m = layout.margins(QPageLayout::Point);
    info[kLeft] = m.left();
    info[kRight] = m.right();
    info[kTop] = m.top();
    info[kBottom] = m.bottom();
    Preferences::setPrintInfo(ts::Value(std::move(info)));
}

bool TSStringPrintView::doPrint(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(storedPageLayout());
    QPrintDialog dialog(&printer, parent);
    if (ts::Prompter::current()->runModalPanel(&dialog) != 1) return false;
    const bool printed = printToPrinter(printer);
    if (printed) storePageLayout(printer.pageLayout());
    printField_ = {};
    footnotes_.reset();
    linkArray_.clear();
    linkMarks_.clear();
    pageRanges_.clear();
    return printed;
}

bool TSStringPrintView::printToPdf(const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(storedPageLayout());
    return printToPrinter(printer);
}

bool TSStringPrintView::runPageLayout(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(storedPageLayout());
    QPageSetupDialog dialog(&printer, parent);
    if (ts::Prompter::current()->runModalPanel(&dialog) != 1) return false;
    storePageLayout(printer.pageLayout());
    return true;
}
