#pragma once
// The window of a parallel-text document: an outline of the text tree with
// the location, Latin and English columns.
//
// Cells draw their rich text; a row is as tall as its tallest text laid
// out at its column's width. Heights are measured only for rows the view
// lays out (per-item scrolling), and a burst of column resizes re-lays the
// rows once, through one pending flag per outline. A cell edits its chunk's
// text in place (double click or F2); the location column's context menu
// flags a line. Closing the window closes the document.

#include "documents/TSDocument.h"
#include "documents/gui/TSRichTextDelegate.h"
#include "platform/AttributedString.h"

#include <QMainWindow>
#include <QStyledItemDelegate>
#include <QTreeView>

class QLabel;
class QLineEdit;
class QMenu;
class TSOutlineModel;

class TSOutlineView : public QTreeView {
    Q_OBJECT

public:
    explicit TSOutlineView(QWidget* parent = nullptr);
    // Re-lays the rows once after the current event, however often asked.
    void resizeAllRows();
    bool resizePending() const { return resizePending_; }
    // Narrows the columns before the last so that the last one, which takes
    // the rest of the width, is seen whole: a text is laid out at its
    // column's width, and a column running past the view's edge hid the ends
    // of its lines.
    void fitColumns();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    bool resizePending_ = false;
};

class TSDocumentWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit TSDocumentWindow(TSDocumentPtr document, QWidget* parent = nullptr);
    ~TSDocumentWindow() override;

    TSOutlineView* outlineView() const { return outline_; }
    TSOutlineModel* model() const { return model_; }
    const TSDocumentPtr& document() const { return document_; }

    // Installs the window factory and registers the document type.
    static void install(ts::DocumentController& controller);
    // The header's menu: own or imported English, numbering by section.
    QMenu* headerMenu();

    // The find bar searches one column's texts (the current cell's column,
    // the Latin when no text cell is current), line by line: a match never
    // spans two lines. Answers whether a match was selected.
    void showFindBar();
    bool findNext(const QString& text, bool backwards = false);
    QLineEdit* findField() const { return findField_; }
    QWidget* findBar() const { return findBar_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showLocationMenu(const QPoint& position);
    void showHeaderMenu(const QPoint& position);
    void updateTitle();
    TSDocumentPtr document_;
    TSOutlineView* outline_ = nullptr;
    TSOutlineModel* model_ = nullptr;
    TSRichTextDelegate* delegate_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLabel* findStatus_ = nullptr;
    ts::ObserverToken textReplacedObserver_;
};
