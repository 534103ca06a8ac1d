#pragma once
// The PDF facsimile window of a parallel-text document.
//
// XPPDFView draws the pages of one PDF one under the other, at one widget
// pixel per page point, in a scroll area of its own, so a widget point and a
// page point map exactly both ways. A mouse-down on a page starts the drag
// of a page location: an XML property list {"pageNumber": zero-based index,
// "locationInWindow": {"x", "y"}} in the page's own coordinates (origin at
// the bottom left, y upwards), under kLocationDragType; a row's location
// cell takes it. PDF files dropped on the view are announced with
// "Files dropped on PDF view" (sender: the view; user info: the file URL
// under the same key); anything else is refused.
//
// The user's PDF is never written: rotation is view state, and closing the
// window asks nothing about the file. Main thread only.

#include "platform/NotificationCenter.h"
#include "platform/Url.h"
#include "platform/Value.h"
#include "textmodel/TSBookmarkList.h"

#include <QImage>
#include <QPdfDocument>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QLabel;
class QMimeData;
class QPdfDocument;
class QScrollArea;

class XPPDFView : public QWidget {
    Q_OBJECT

public:
    // The MIME type of a dragged page location.
    static const QString kLocationDragType;
    // The notification name, also its user-info key.
    static const QString kFilesDropped;  // "Files dropped on PDF view"
    static constexpr int kPageGap = 12;

    explicit XPPDFView(QScrollArea* scroll);

    void setDocument(QPdfDocument* document);
    QPdfDocument* document() const { return document_; }
    int pageCount() const;
    // Each page's frame in the view, rotation applied.
    QRect pageRect(int page) const;
    // The page under a point of the view, the nearest one when none is; -1
    // without pages.
    int pageAt(const QPoint& point) const;
    // A point of the view in a page's coordinates, and back.
    QPointF pagePoint(int page, const QPointF& viewPoint) const;
    QPointF viewPoint(int page, const QPointF& pagePoint) const;
    // The location a mouse-down at the point drags; empty without pages.
    ts::ValueDictionary pListForPoint(const QPoint& viewPoint) const;
    static ts::ValueDictionary pointDictionary(const QPointF& point);
    // The drag's data for a location: the XML property list.
    static QMimeData* mimeDataForLocation(const ts::ValueDictionary& location);
    // A location read from dragged data; empty when it holds none.
    static ts::ValueDictionary locationFromMimeData(const QMimeData* data);

    // Rotation in degrees, a multiple of 90, per page; view state only.
    int rotation(int page) const;
    void rotatePage(int page, int degrees);

    // The page at the top of the visible area.
    int currentPage() const;
    // Scrolls so that the page point is at the top left of the visible
    // area (within the margins the view has).
    void scrollToPagePoint(int page, const QPointF& point);

    // The dropped paths whose extension is exactly "pdf" or "PDF" and
    // whose contents start as a PDF does.
    static QStringList draggedFiles(const QMimeData* data);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void relayout();
    QSizeF rotatedSize(int page) const;
    QTransform pageToView(int page) const;
    QScrollArea* scroll_;
    QPointer<QPdfDocument> document_;
    std::map<int, int> rotations_;
    std::vector<QRect> frames_;
    mutable std::map<int, QImage> rendered_;
};

class XPPDFViewerController : public QMainWindow {
    Q_OBJECT

public:
    explicit XPPDFViewerController(QWidget* parent = nullptr);
    ~XPPDFViewerController() override;

    XPPDFView* pdfView() const { return view_; }
    ts::UrlPtr pdfURL() const { return pdfURL_; }
    // Shows the file; null is ignored. A file that cannot be opened leaves
    // the view empty.
    void setPdfURL(const ts::UrlPtr& url);
    void setBookmarkList(const TSBookmarkListPtr& list) { bookmarkList_ = list; }
    // Told of a file the user opened here.
    void setFileOpenedHandler(std::function<void(const ts::UrlPtr&)> handler) { fileOpened_ = std::move(handler); }

    // Shows the location's file (by its "uuid") and scrolls to its page and
    // point; answers whether the file shown changed.
    bool scrollToLocation(const ts::ValueDictionary& location);
    void goToPage(int page, const ts::UrlPtr& url = nullptr);
    Q_INVOKABLE void goPrevious();
    Q_INVOKABLE void goNext();
    int currentPage() const;
    Q_INVOKABLE void rotateLeft();
    Q_INVOKABLE void rotateRight();
    // Says in the status line that a stored PDF cannot be found.
    void showUnresolved(const QString& what);
    QString statusText() const;
    // An open panel for one PDF; the chosen file is shown.
    Q_INVOKABLE void openDocument();

private:
    void insertDocument();
    void updateStatus();
    XPPDFView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* status_ = nullptr;
    QPdfDocument* pdf_ = nullptr;
    ts::UrlPtr pdfURL_;
    std::weak_ptr<TSBookmarkList> bookmarkList_;
    std::function<void(const ts::UrlPtr&)> fileOpened_;
    ts::ObserverToken droppedObserver_;
};
