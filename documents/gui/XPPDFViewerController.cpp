#include "documents/gui/XPPDFViewerController.h"

#include "app/logging/LGLog.h"
#include "platform/Prompter.h"
#include "platform/PropertyList.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

const QString XPPDFView::kLocationDragType = QStringLiteral("application/x-tessarin-dragLocation");
const QString XPPDFView::kFilesDropped = QStringLiteral("Files dropped on PDF view");

namespace {

const QString kPageNumber = QStringLiteral("pageNumber");
const QString kLocationInWindow = QStringLiteral("locationInWindow");

// Rendered pages kept for painting; pages further away are drawn again.
constexpr size_t kRenderedPages = 6;

int normalized(int degrees) { return ((degrees % 360) + 360) % 360; }

QString localPath(const ts::UrlPtr& url) {
    if (!url) return {};
    const QUrl qurl(url->absoluteString());
    return qurl.isLocalFile() ? qurl.toLocalFile() : (qurl.scheme().isEmpty() ? url->absoluteString() : QString());
}

}  // namespace

// ---- XPPDFView ----

XPPDFView::XPPDFView(QScrollArea* scroll) : QWidget(scroll), scroll_(scroll) {
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    setPalette(p);
    setCursor(Qt::OpenHandCursor);
}

void XPPDFView::setDocument(QPdfDocument* document) {
    document_ = document;
    rotations_.clear();
    rendered_.clear();
    relayout();
}

int XPPDFView::pageCount() const {
    return document_ && document_->status() == QPdfDocument::Status::Ready ? document_->pageCount() : 0;
}

int XPPDFView::rotation(int page) const {
    auto it = rotations_.find(page);
    return it == rotations_.end() ? 0 : it->second;
}

void XPPDFView::rotatePage(int page, int degrees) {
    if (page < 0 || page >= pageCount()) return;
    rotations_[page] = rotation(page) + degrees;
    rendered_.erase(page);
    relayout();
}

QSizeF XPPDFView::rotatedSize(int page) const {
    const QSizeF size = document_ ? document_->pagePointSize(page) : QSizeF();
    return normalized(rotation(page)) % 180 ? size.transposed() : size;
}

void XPPDFView::relayout() {
    frames_.clear();
    int y = kPageGap;
    int width = 0;
    for (int page = 0; page < pageCount(); ++page) {
        const QSize size = rotatedSize(page).toSize();
        frames_.emplace_back(QPoint(kPageGap, y), size);
        y += size.height() + kPageGap;
        width = std::max(width, size.width());
    }
    resize(frames_.empty() ? QSize(0, 0) : QSize(width + 2 * kPageGap, y));
    update();
}

QRect XPPDFView::pageRect(int page) const {
    return page >= 0 && page < int(frames_.size()) ? frames_[size_t(page)] : QRect();
}

int XPPDFView::pageAt(const QPoint& point) const {
    int best = -1;
    int bestDistance = 0;
    for (int page = 0; page < int(frames_.size()); ++page) {
        const QRect& r = frames_[size_t(page)];
        if (r.contains(point)) return page;
        const int dy = point.y() < r.top() ? r.top() - point.y() : std::max(0, point.y() - r.bottom());
        if (best < 0 || dy < bestDistance) {
            best = page;
            bestDistance = dy;
        }
    }
    return best;
}

QTransform XPPDFView::pageToView(int page) const {
    const QSizeF size = document_ ? document_->pagePointSize(page) : QSizeF();
    const qreal w = size.width(), h = size.height();
    // Page space has its origin at the bottom left with y upwards; the view
    // turns it the page's rotation clockwise.
    QTransform t;
    switch (normalized(rotation(page))) {
    case 90: t = QTransform(0, 1, 1, 0, 0, 0); break;
    case 180: t = QTransform(-1, 0, 0, 1, w, 0); break;
    case 270: t = QTransform(0, -1, -1, 0, h, w); break;
    default: t = QTransform(1, 0, 0, -1, 0, h); break;
    }
    const QRect frame = pageRect(page);
    return t * QTransform::fromTranslate(frame.left(), frame.top());
}

QPointF XPPDFView::pagePoint(int page, const QPointF& point) const { return pageToView(page).inverted().map(point); }

QPointF XPPDFView::viewPoint(int page, const QPointF& point) const { return pageToView(page).map(point); }

ts::ValueDictionary XPPDFView::pointDictionary(const QPointF& point) {
    // Stored as 32-bit floats, as the rows have always kept them.
    return {{QStringLiteral("x"), ts::Value(double(float(point.x())))}, {QStringLiteral("y"), ts::Value(double(float(point.y())))}};
}

ts::ValueDictionary XPPDFView::pListForPoint(const QPoint& point) const {
    const int page = pageAt(point);
    if (page < 0) return {};
    return {{kLocationInWindow, ts::Value(pointDictionary(pagePoint(page, point)))}, {kPageNumber, ts::Value(qint64(page))}};
}

QMimeData* XPPDFView::mimeDataForLocation(const ts::ValueDictionary& location) {
    auto* data = new QMimeData;
    data->setData(kLocationDragType, ts::PropertyList::writeXML(ts::Value(location)));
    return data;
}

ts::ValueDictionary XPPDFView::locationFromMimeData(const QMimeData* data) {
    if (!data || !data->hasFormat(kLocationDragType)) return {};
    const ts::PlistResult read = ts::PropertyList::read(data->data(kLocationDragType));
    if (!read.value.isDictionary()) return {};
    const ts::ValueDictionary& location = read.value.dictionary();
    auto page = location.find(kPageNumber);
    auto point = location.find(kLocationInWindow);
    if (page == location.end() || !page->second.isNumber() || page->second.toInt64() < 0 || point == location.end() ||
        !point->second.isDictionary())
        return {};
    return location;
}

int XPPDFView::currentPage() const {
    if (frames_.empty()) return -1;
    const int top = scroll_->verticalScrollBar()->value();
    return pageAt(QPoint(kPageGap + 1, top + kPageGap + 1));
}

void XPPDFView::scrollToPagePoint(int page, const QPointF& point) {
    if (page < 0 || page >= pageCount()) return;
    const QPointF at = viewPoint(page, point);
    scroll_->horizontalScrollBar()->setValue(int(at.x()) - kPageGap);
    scroll_->verticalScrollBar()->setValue(int(at.y()) - kPageGap);
}

QStringList XPPDFView::draggedFiles(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        const QString suffix = QFileInfo(path).suffix();
        if (suffix != QLatin1String("pdf") && suffix != QLatin1String("PDF")) continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !file.read(1024).contains("%PDF-")) {
            TSLogError("Not a PDF: %@", path);
            continue;
        }
        files << path;
    }
    return files;
}

void XPPDFView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    for (int page = 0; page < int(frames_.size()); ++page) {
        const QRect& frame = frames_[size_t(page)];
        if (!frame.intersects(event->rect())) continue;
        auto it = rendered_.find(page);
        if (it == rendered_.end()) {
            if (rendered_.size() >= kRenderedPages) rendered_.erase(rendered_.begin());
            QImage image = document_->render(page, document_->pagePointSize(page).toSize());
            if (const int r = normalized(rotation(page))) image = image.transformed(QTransform().rotate(r));
            it = rendered_.emplace(page, image).first;
        }
        painter.fillRect(frame, Qt::white);
        painter.drawImage(frame, it->second);
    }
}

void XPPDFView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pageCount() == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    const ts::ValueDictionary location = pListForPoint(event->position().toPoint());
    if (location.empty()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeDataForLocation(location));
    const int page = pageAt(event->position().toPoint());
    const QImage thumb = rendered_.count(page) ? rendered_[page] : QImage();
    if (!thumb.isNull()) drag->setPixmap(QPixmap::fromImage(thumb.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::LinkAction | Qt::CopyAction, Qt::LinkAction);
}

void XPPDFView::dragEnterEvent(QDragEnterEvent* event) {
    if (!draggedFiles(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void XPPDFView::dropEvent(QDropEvent* event) {
    const QStringList files = draggedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    for (const QString& path : files)
        ts::NotificationCenter::defaultCenter().post(
            kFilesDropped, this,
            {{kFilesDropped, ts::Value(std::static_pointer_cast<ts::Object>(ts::Url::make(QUrl::fromLocalFile(path).toString())))}});
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

// ---- XPPDFViewerController ----

XPPDFViewerController::XPPDFViewerController(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("XPPDFViewerController"));
    setWindowTitle(QStringLiteral("Facsimile"));
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(false);
    view_ = new XPPDFView(scroll_);
    scroll_->setWidget(view_);
    // The same grey around the pages as between them.
    QPalette around = scroll_->palette();
    around.setColor(QPalette::Dark, view_->palette().color(QPalette::Window));
    scroll_->setPalette(around);
    scroll_->setBackgroundRole(QPalette::Dark);
    setCentralWidget(scroll_);
    pdf_ = new QPdfDocument(this);

    QToolBar* tools = addToolBar(QStringLiteral("PDF"));
    tools->setMovable(false);
    tools->addAction(QStringLiteral("Open…"), this, &XPPDFViewerController::openDocument);
    tools->addSeparator();
    tools->addAction(QStringLiteral("Previous"), this, &XPPDFViewerController::goPrevious);
    tools->addAction(QStringLiteral("Next"), this, &XPPDFViewerController::goNext);
    tools->addSeparator();
    tools->addAction(QStringLiteral("Rotate Left"), this, &XPPDFViewerController::rotateLeft);
    tools->addAction(QStringLiteral("Rotate Right"), this, &XPPDFViewerController::rotateRight);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_);
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &XPPDFViewerController::updateStatus);
    droppedObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        XPPDFView::kFilesDropped, view_, [this](const ts::Notification& n) {
            auto it = n.userInfo.find(XPPDFView::kFilesDropped);
            if (it != n.userInfo.end()) setPdfURL(it->second.toObjectAs<ts::Url>());
        });
    resize(680, 820);
    updateStatus();
}

XPPDFViewerController::~XPPDFViewerController() {
    droppedObserver_.reset();
    view_->setDocument(nullptr);
    pdfURL_.reset();
}

void XPPDFViewerController::setPdfURL(const ts::UrlPtr& url) {
    if (!url) return;
    pdfURL_ = url;
    setWindowTitle(QFileInfo(localPath(url)).completeBaseName());
    insertDocument();
}

void XPPDFViewerController::insertDocument() {
    const QString path = localPath(pdfURL_);
    pdf_->close();
    view_->setDocument(nullptr);
    if (path.isEmpty() || pdf_->load(path) != QPdfDocument::Error::None) {
        TSLogError("Can't open PDF %@", pdfURL_ ? pdfURL_->absoluteString() : QStringLiteral("nil"));
        updateStatus();
        return;
    }
    view_->setDocument(pdf_);
    updateStatus();
}

bool XPPDFViewerController::scrollToLocation(const ts::ValueDictionary& location) {
    bool switched = false;
    auto uuid = location.find(QStringLiteral("uuid"));
    if (auto list = bookmarkList_.lock(); list && uuid != location.end() && uuid->second.isString()) {
        const ts::UrlPtr url = list->urlForUUIDString(uuid->second.toString());
        if (!url) {
            // The line's file is gone or its bookmark unreadable: the file
            // shown stays, and the user is told.
            showUnresolved(uuid->second.toString());
            return false;
        }
        if (!TSBookmarkList::sameLocation(url, pdfURL_)) {
            setPdfURL(url);
            switched = true;
        }
    }
    auto page = location.find(QStringLiteral("pageNumber"));
    auto point = location.find(QStringLiteral("locationInWindow"));
    if (page == location.end() || !page->second.isNumber()) return switched;
    QPointF at;
    if (point != location.end() && point->second.isDictionary()) {
        const ts::ValueDictionary& p = point->second.dictionary();
        auto x = p.find(QStringLiteral("x")), y = p.find(QStringLiteral("y"));
        if (x != p.end() && y != p.end()) at = QPointF(float(x->second.toDouble()), float(y->second.toDouble()));
    }
    const int index = int(page->second.toInt64());
    if (index >= 0 && index < view_->pageCount()) {
        // A point missing from the location goes to the page's top.
        if (point == location.end()) at = QPointF(0, pdf_->pagePointSize(index).height());
        view_->scrollToPagePoint(index, at);
    }
    return switched;
}

void XPPDFViewerController::goToPage(int page, const ts::UrlPtr& url) {
    if (url && !TSBookmarkList::sameLocation(url, pdfURL_)) setPdfURL(url);
    if (page < 0 || page >= view_->pageCount()) return;
    scroll_->verticalScrollBar()->setValue(view_->pageRect(page).top() - XPPDFView::kPageGap);
}

void XPPDFViewerController::goPrevious() { goToPage(std::max(0, currentPage() - 1)); }

void XPPDFViewerController::goNext() { goToPage(currentPage() + 1); }

int XPPDFViewerController::currentPage() const { return view_->currentPage(); }

void XPPDFViewerController::rotateLeft() {
    const int page = currentPage();
    view_->rotatePage(page, -90);
    goToPage(page);
}

void XPPDFViewerController::rotateRight() {
    const int page = currentPage();
    view_->rotatePage(page, 90);
    goToPage(page);
}

void XPPDFViewerController::openDocument() {
    ts::OpenPanelRequest request;
    request.title = QStringLiteral("Open PDF");
    request.allowedFileTypes = {QStringLiteral("pdf")};
    const QStringList chosen = ts::Prompter::current()->openPanel(request);
    if (chosen.isEmpty()) return;
    const ts::UrlPtr url = ts::Url::make(QUrl::fromLocalFile(chosen.first()).toString());
    setPdfURL(url);
    if (fileOpened_) fileOpened_(url);
}

void XPPDFViewerController::showUnresolved(const QString& what) {
    TSLogError("PDF unresolved: %@", what);
    status_->setText(QStringLiteral("The PDF of this place is unresolved: its file cannot be found."));
}

QString XPPDFViewerController::statusText() const { return status_->text(); }

void XPPDFViewerController::updateStatus() {
    const int count = view_->pageCount();
    status_->setText(count ? QStringLiteral("Page %1 of %2").arg(currentPage() + 1).arg(count)
                           : QStringLiteral("Drop a PDF here or open one."));
}
