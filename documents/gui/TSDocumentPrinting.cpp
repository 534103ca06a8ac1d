// Printing a parallel-text document: its Latin output with each page's
// footnotes under the page.
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSStringPrintView.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSText.h"

namespace {

void prepare(TSStringPrintView& view, const TSDocumentPtr& document) {
    ts::AttributedStringPtr latin = document->text()->latinStringOutput();
    view.setPrintField(latin ? *latin : ts::AttributedString());
    view.setFootnotes(document->footnotes());
}

}  // namespace

void TSDocumentWindow::printDocument() {
    commitEditing();
    TSStringPrintView view;
    prepare(view, document_);
    view.doPrint(this);
}

void TSDocumentWindow::runPageLayout() { TSStringPrintView::runPageLayout(this); }

bool TSDocumentWindow::printToPdf(const QString& path) const {
    TSStringPrintView view;
    prepare(view, document_);
    return view.printToPdf(path);
}
