// A parallel-text window's PDF facsimile: the viewer, page locations dropped
// on the location cells, and scrolling back to a line's place.
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/XPPDFViewerController.h"

#include "app/logging/LGLog.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

XPPDFViewerController* TSDocumentWindow::pdfViewer() {
    if (!pdfViewer_) {
        pdfViewer_ = new XPPDFViewerController(this);
        pdfViewer_->setBookmarkList(document_->pdfFiles());
        pdfViewer_->setFileOpenedHandler([this](const ts::UrlPtr& url) { document_->pdfFileDropped(url); });
        // Only this window's viewer: a PDF dropped on another document's
        // viewer changes nothing here.
        pdfDropObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
            XPPDFView::kFilesDropped, pdfViewer_->pdfView(), [this](const ts::Notification& n) {
                auto it = n.userInfo.find(XPPDFView::kFilesDropped);
                if (it != n.userInfo.end()) document_->pdfFileDropped(it->second.toObjectAs<ts::Url>());
            });
    }
    return pdfViewer_;
}

void TSDocumentWindow::showFacsimileWindow() {
    XPPDFViewerController* viewer = pdfViewer();
    if (!viewer->pdfURL() && !document_->pdfBookmark().isEmpty()) {
        if (const ts::UrlPtr url = document_->pdfURL())
            viewer->setPdfURL(url);
        else
            viewer->showUnresolved(QStringLiteral("pdfURL"));
    }
    viewer->setWindowTitle(windowTitle().remove(QStringLiteral("[*]")));
    viewer->show();
    viewer->raise();
    // With Control held, the current line's place is shown, and its file
    // becomes the document's current PDF.
    if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) scrollPDFToLocation(outline_->currentIndex());
}

bool TSDocumentWindow::scrollPDFToLocation(const QModelIndex& cell) {
    auto* line = dynamic_cast<TSMatchedChunk*>(model_->chunkForIndex(cell));
    if (!line || !line->pdfLocation().isDictionary()) return false;
    XPPDFViewerController* viewer = pdfViewer();
    viewer->show();
    viewer->raise();
    const bool switched = viewer->scrollToLocation(line->pdfLocation().dictionary());
    if (switched)
        if (TSBookmarkDataPtr entry = document_->pdfFiles()->bookmarkForURL(viewer->pdfURL())) {
            document_->setPdfBookmark(entry->bookmarkData());
            document_->updateChangeCount(ts::Document::ChangeDone);
        }
    return true;
}

bool TSDocumentWindow::dropLocation(const QModelIndex& cell, const QMimeData* data) {
    if (!cell.isValid() || cell.column() != TSOutlineModel::LocationColumn) return false;
    TSChunk* raw = model_->chunkForIndex(cell);
    auto* line = dynamic_cast<TSMatchedChunk*>(raw);
    const ts::ValueDictionary location = XPPDFView::locationFromMimeData(data);
    if (!line || location.empty()) return false;
    ts::ValueDictionary stored = location;
    // A new place: the file it is in is the PDF shown now.
    stored.erase(QStringLiteral("uuid"));
    line->setPdfLocation(ts::Value(stored));
    document_->locationChunkChanged(std::static_pointer_cast<TSChunk>(raw->shared_from_this()));
    Q_EMIT model_->dataChanged(cell, cell);
    return true;
}

bool TSDocumentWindow::handleLocationDrop(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter: {
        // Taken wherever it comes in (over a text column, on the way to a
        // location cell); where it may be dropped the moves decide.
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (!enter->mimeData()->hasFormat(XPPDFView::kLocationDragType)) return false;
        enter->setDropAction(Qt::LinkAction);
        enter->accept();
        return true;
    }
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData()->hasFormat(XPPDFView::kLocationDragType)) return false;
        const QModelIndex cell = outline_->indexAt(drag->position().toPoint());
        if (cell.isValid() && cell.column() == TSOutlineModel::LocationColumn &&
            dynamic_cast<TSMatchedChunk*>(model_->chunkForIndex(cell))) {
            drag->setDropAction(Qt::LinkAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasFormat(XPPDFView::kLocationDragType)) return false;
        if (dropLocation(outline_->indexAt(drop->position().toPoint()), drop->mimeData())) {
            drop->setDropAction(Qt::LinkAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    default: return false;
    }
}
