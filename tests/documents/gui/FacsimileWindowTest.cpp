// The PDF facsimile window with PDFs written here (QPdfWriter, pages with
// known text): dropping files, dragging a page location onto a row, showing
// it again, switching files by bookmark uuid, and rotation that never touches
// the file.

#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/XPPDFViewerController.h"

#include "app/core/TSBundle.h"
#include "platform/Prompter.h"
#include "platform/PropertyList.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString writePdf(const QString& path, int pages, const QString& name) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A5));
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font = painter.font();
    font.setPointSize(28);
    painter.setFont(font);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) writer.newPage();
        painter.drawText(QRect(40, 60, 300, 60), Qt::AlignLeft, QStringLiteral("%1 pagina %2").arg(name).arg(page));
        painter.drawRect(QRect(40, 200, 300, 200));
    }
    painter.end();
    return path;
}

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

// Drops files on a widget as the window system would.
void dropFiles(QWidget* target, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::LinkAction | Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return;
    QDropEvent drop(QPointF(20, 20), Qt::LinkAction | Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

}  // namespace

TEST(Facsimile, DropDragShowSwitchAndRotate) {
    QTemporaryDir dir;
    const QString first = writePdf(dir.filePath(QStringLiteral("aeneis.pdf")), 3, QStringLiteral("Aeneis"));
    const QString second = writePdf(dir.filePath(QStringLiteral("georgica.PDF")), 2, QStringLiteral("Georgica"));
    const QByteArray before = hashOf(first);

    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(ts::AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(section);
    std::vector<std::shared_ptr<TSMatchedChunk>> lines;
    for (const char* l : {"arma virumque cano", "Troiae qui primus"}) {
        auto line = std::make_shared<TSMatchedChunk>();
        line->setLatin(ts::AttributedString::make(QString::fromUtf8(l)));
        section->addChild(line);
        lines.push_back(line);
    }
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    TSDocumentWindow window(doc);
    window.resize(900, 400);
    window.show();
    settle();

    // Another document's viewer hears its own drops only.
    auto otherDoc = std::make_shared<TSDocument>();
    TSDocumentWindow other(otherDoc);
    dropFiles(other.pdfViewer()->pdfView(), {first});
    EXPECT_EQ(otherDoc->pdfFiles()->count(), 1);
    EXPECT_EQ(doc->pdfFiles()->count(), 0);

    // Not PDFs: a text file, and a ".pdf" that holds no PDF; refused.
    XPPDFViewerController* viewer = window.pdfViewer();
    QFile fake(dir.filePath(QStringLiteral("fake.pdf")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("plain text");
    fake.close();
    dropFiles(viewer->pdfView(), {fake.fileName(), dir.filePath(QStringLiteral("aeneis.txt"))});
    EXPECT_EQ(doc->pdfFiles()->count(), 0);
    EXPECT_FALSE(viewer->pdfURL());
    // Extensions are "pdf" or "PDF" exactly.
    QFile::copy(first, dir.filePath(QStringLiteral("mixed.Pdf")));
    QMimeData three;
    three.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(dir.filePath(QStringLiteral("mixed.Pdf")))});
    EXPECT_EQ(XPPDFView::draggedFiles(&three), (QStringList{first, second}));

    window.showFacsimileWindow();
    dropFiles(viewer->pdfView(), {first});
    settle();
    ASSERT_EQ(viewer->pdfView()->pageCount(), 3);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("aeneis"));
    ASSERT_EQ(doc->pdfFiles()->count(), 1);
    EXPECT_TRUE(TSBookmarkList::sameLocation(doc->pdfURL(), ts::Url::make(QUrl::fromLocalFile(first).toString())));
    EXPECT_TRUE(doc->isDocumentEdited());

    // A location on page 2, in page coordinates (origin bottom left).
    XPPDFView* view = viewer->pdfView();
    const QRect page2 = view->pageRect(1);
    const QSizeF pageSize = view->document()->pagePointSize(1);
    const ts::ValueDictionary location = view->pListForPoint(page2.topLeft() + QPoint(72, 100));
    ASSERT_EQ(location.at(QStringLiteral("pageNumber")).toInt64(), 1);
    const ts::ValueDictionary& point = location.at(QStringLiteral("locationInWindow")).dictionary();
    EXPECT_NEAR(point.at(QStringLiteral("x")).toDouble(), 72, 0.01);
    EXPECT_NEAR(point.at(QStringLiteral("y")).toDouble(), pageSize.height() - 100, 0.01);
    // Below the last page: the nearest page.
    EXPECT_EQ(view->pListForPoint(QPoint(30, view->height() + 500)).at(QStringLiteral("pageNumber")).toInt64(), 2);

    // The drag's data is an XML property list.
    std::unique_ptr<QMimeData> dragged(XPPDFView::mimeDataForLocation(location));
    const ts::PlistResult plist = ts::PropertyList::read(dragged->data(XPPDFView::kLocationDragType));
    EXPECT_EQ(plist.format, ts::PlistFormat::XML);
    EXPECT_EQ(plist.value.dictionary().at(QStringLiteral("pageNumber")).toInt64(), 1);

    // Dropped on the second row's location cell, the drag having come in
    // over the Latin column, the way from the PDF window.
    const QModelIndex cell = window.model()->indexForChunk(lines[1].get(), TSOutlineModel::LocationColumn);
    const QPoint at = window.outlineView()->visualRect(cell).center();
    const QPoint overText = window.outlineView()->visualRect(window.model()->indexForChunk(lines[1].get(), TSOutlineModel::LatinColumn)).center();
    QDragEnterEvent enter(overText, Qt::LinkAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.outlineView()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    // As the window system does: the drop goes where the drag was accepted.
    QDragMoveEvent toLocation(at, Qt::LinkAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.outlineView()->viewport(), &toLocation);
    EXPECT_TRUE(toLocation.isAccepted());
    QDropEvent drop(at, Qt::LinkAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.outlineView()->viewport(), &drop);
    ASSERT_TRUE(lines[1]->pdfLocation().isDictionary());
    const ts::ValueDictionary stored = lines[1]->pdfLocation().dictionary();
    EXPECT_EQ(stored.at(QStringLiteral("pageNumber")).toInt64(), 1);
    EXPECT_EQ(stored.at(QStringLiteral("uuid")).toString(), doc->curPDFUUID()->UUIDString());
    EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), QStringLiteral("Facsimile page 2"));
    // Dropped on a Latin cell it is refused.
    const QPoint latin = window.outlineView()->visualRect(window.model()->indexForChunk(lines[0].get(), TSOutlineModel::LatinColumn)).center();
    QDragMoveEvent overLatin(latin, Qt::LinkAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.outlineView()->viewport(), &overLatin);
    EXPECT_FALSE(overLatin.isAccepted());
    QDropEvent onLatin(latin, Qt::LinkAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.outlineView()->viewport(), &onLatin);
    EXPECT_FALSE(lines[0]->pdfLocation().isDictionary());

    // Show: back on page 2, at that point.
    viewer->goToPage(0);
    EXPECT_EQ(viewer->currentPage(), 0);
    ASSERT_TRUE(window.scrollPDFToLocation(cell));
    EXPECT_EQ(viewer->currentPage(), 1);
    const QPointF shown = view->viewPoint(1, QPointF(72, pageSize.height() - 100));
    QScrollArea* scroll = qobject_cast<QScrollArea*>(view->parentWidget()->parentWidget());
    ASSERT_TRUE(scroll);
    EXPECT_EQ(scroll->verticalScrollBar()->value(), int(shown.y()) - XPPDFView::kPageGap);

    // The same file answers NO; another file's uuid switches to it first.
    EXPECT_FALSE(viewer->scrollToLocation(stored));
    const auto otherEntry = doc->pdfFiles()->bookmarkForURLCreatingIfNecessary(ts::Url::make(QUrl::fromLocalFile(second).toString()));
    ts::ValueDictionary elsewhere = stored;
    elsewhere[QStringLiteral("uuid")] = otherEntry->uuid()->UUIDString();
    elsewhere[QStringLiteral("pageNumber")] = qint64(0);
    EXPECT_TRUE(viewer->scrollToLocation(elsewhere));
    EXPECT_EQ(view->pageCount(), 2);
    // A location whose file cannot be found keeps the file shown and says so.
    elsewhere[QStringLiteral("uuid")] = QStringLiteral("not a uuid");
    EXPECT_FALSE(viewer->scrollToLocation(elsewhere));
    EXPECT_TRUE(viewer->statusText().contains(QStringLiteral("unresolved")));
    QFile::copy(second, dir.filePath(QStringLiteral("gone.pdf")));
    const auto goneEntry = doc->pdfFiles()->bookmarkForURLCreatingIfNecessary(ts::Url::make(QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.pdf"))).toString()));
    QFile::remove(dir.filePath(QStringLiteral("gone.pdf")));
    elsewhere[QStringLiteral("uuid")] = goneEntry->uuid()->UUIDString();
    EXPECT_FALSE(viewer->scrollToLocation(elsewhere));
    EXPECT_EQ(view->pageCount(), 2);
    viewer->setPdfURL(nullptr);
    EXPECT_EQ(view->pageCount(), 2);

    // Rotation is view state: left twice is -180 degrees, the file unchanged.
    viewer->setPdfURL(ts::Url::make(QUrl::fromLocalFile(first).toString()));
    viewer->goToPage(1);
    viewer->rotateLeft();
    viewer->rotateLeft();
    EXPECT_EQ(view->rotation(1), -180);
    EXPECT_EQ(view->pageRect(1).size(), pageSize.toSize());
    viewer->rotateRight();
    EXPECT_EQ(view->pageRect(1).size(), pageSize.toSize().transposed());
    // Points still map both ways on a turned page.
    const QPointF turned = view->pagePoint(1, view->viewPoint(1, QPointF(50, 60)));
    EXPECT_NEAR(turned.x(), 50, 0.01);
    EXPECT_NEAR(turned.y(), 60, 0.01);
    viewer->rotateLeft();
    viewer->goToPage(0);
    settle();
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        QDir().mkpath(gallery);
        EXPECT_TRUE(viewer->grab().toImage().save(gallery + QStringLiteral("/pdf-facsimile.png")));
    }
    viewer->close();
    settle();
    EXPECT_EQ(hashOf(first), before);

    // Old bookmark data that resolves to nothing: the window opens empty and
    // says so.
    auto stale = std::make_shared<TSDocument>();
    stale->setPdfBookmark(QByteArray("book\0\0\0\0garbage", 15));
    TSDocumentWindow staleWindow(stale);
    staleWindow.showFacsimileWindow();
    EXPECT_EQ(staleWindow.pdfViewer()->pdfView()->pageCount(), 0);
    EXPECT_TRUE(staleWindow.pdfViewer()->statusText().contains(QStringLiteral("unresolved")));
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    TSBundle::installLocalizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
