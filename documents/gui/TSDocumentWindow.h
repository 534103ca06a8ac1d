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
#include "platform/gui/DocumentWindow.h"
#include "textmodel/TSChunk.h"

#include <QMainWindow>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <functional>

class QLabel;
class QLineEdit;
class QVBoxLayout;
class QMenu;
class QMimeData;
class TSOutlineModel;
class TSRowCommands;
class FootnoteWindowController;
class FootnoteListController;
class XPPDFViewerController;

class TSOutlineView : public QTreeView {
    Q_OBJECT

public:
    explicit TSOutlineView(QWidget* parent = nullptr);
    // Re-lays the rows once after the current event, however often asked.
    void resizeAllRows();
    bool resizePending() const { return resizePending_; }
    // Hands an open cell editor's text to the model.
    void commitOpenEditor();
    // Closes an open cell editor without handing its text over.
    void discardOpenEditor();
    // Narrows the columns before the last so that the last one, which takes
    // the rest of the width, is seen whole: a text is laid out at its
    // column's width, and a column running past the view's edge hid the ends
    // of its lines.
    void fitColumns();
    // Lays every row out afresh, which makes a pending re-layout needless.
    void doItemsLayout() override;

protected:
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    bool resizePending_ = false;
    bool settlingColumns_ = false;
};

// The window carries the application's menu bar and acts on the menus'
// document and find commands. Its frame is the one the document stored,
// else the last document window's ("Tessarin"), cascaded from the windows
// already open.
class TSDocumentWindow : public QMainWindow, public ts::DocumentWindow {
    Q_OBJECT

public:
    static const QString kFrameAutosaveName;  // "Tessarin"

    explicit TSDocumentWindow(TSDocumentPtr document, QWidget* parent = nullptr);
    ~TSDocumentWindow() override;

    // ts::DocumentWindow
    ts::DocumentPtr windowDocument() const override { return document_; }
    bool canFind() const override { return true; }
    void performFind(FindCommand command) override;
    void commitEditing() override;
    bool hasUncommittedEdits() const override;
    void documentWasSaved() override { updateTitle(); }

    // Adds a line after the current one and opens its editor.
    Q_INVOKABLE void addLine();
    // The commands of the current row and its open editor.
    Q_INVOKABLE void lookupInDictionary();
    Q_INVOKABLE void addWordForm();
    Q_INVOKABLE void addToVocab();
    Q_INVOKABLE void showVocabularyWindow();
    Q_INVOKABLE void openRevisionWindow();
    Q_INVOKABLE void deleteSelectedRow();
    Q_INVOKABLE void promoteSelectedRow();
    Q_INVOKABLE void demoteSelectedRow();
    // The open editor's selected look becomes the document's base font.
    Q_INVOKABLE void makeBaseFont();
    // Whether a window command (by its method's name) can run now; the menus
    // grey it, and its key does nothing, when not.
    Q_INVOKABLE bool validateCommand(const QString& method) const;
    TSRowCommands* rowCommands() const { return rowCommands_; }
    // Reloads the outline after the tree or what its cells show changed
    // (run `change` first, when given), keeping the rows that were open, the
    // current cell and the scroll position; a row that has just become a
    // section opens. `shown` is the tree the outline shows until the reload,
    // when the document has been given another.
    void reloadKeepingPlace(const std::function<void()>& change = {}, const TSChunkPtr& shown = nullptr);
    // The lines after this one take the numbers following its own.
    bool renumberFrom(const QModelIndex& index);
    // Ctrl+E: the selection becomes the text to find.
    void useSelectionForFind();
    // Scales every stored text (a pinch with Alt held).
    void magnifyText(double factor);
    // Column widths (for every document) and this document's open rows
    // (by chunk uuid), kept in the user defaults between launches.
    void saveOutlineState();
    void restoreOutlineState();
    void restoreExpandedRows();
    // The selected text of the open editor, or empty.
    QString selectedWord() const;
    // Printing the Latin with each page's footnotes (TSDocumentPrinting.cpp).
    Q_INVOKABLE void printDocument();
    Q_INVOKABLE void runPageLayout();
    bool printToPdf(const QString& path) const;
    // A new document's one empty line opens its Latin editor, so the user
    // can start typing.
    void startTypingIfEmpty();

    // Footnotes (TSDocumentFootnotes.cpp). Adding needs an open text editor:
    // the new note is titled with its selection and linked at its end.
    // Linking opens the picker for the current text cell. A clicked
    // footnote link opens its note in the editor.
    Q_INVOKABLE void addFootnote();
    Q_INVOKABLE void linkToFootnote();
    bool linkClicked(const QString& link, const QModelIndex& cell);
    // Made on first use, with this window as their originating window.
    FootnoteWindowController* footnoteWindow();
    FootnoteListController* footnoteListWindow();

    // The PDF facsimile (TSDocumentFacsimile.cpp). The viewer is made on
    // first use with the document's PDF files; PDFs dropped on it become the
    // document's current PDF. A page location dropped on a row's location
    // cell is stored with the current PDF's uuid; "show" scrolls back to it.
    Q_INVOKABLE void showFacsimileWindow();
    XPPDFViewerController* pdfViewer();
    bool dropLocation(const QModelIndex& cell, const QMimeData* data);
    bool scrollPDFToLocation(const QModelIndex& cell);

    TSOutlineView* outlineView() const { return outline_; }
    // The cell editor open in the outline, focused or not; null when none.
    TSCellEditor* openEditor() const;
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
    // Made when first asked for.
    QLineEdit* findField();
    QWidget* findBar();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showScrollBarFromFirstLayout();
    // Makes a cell current, opens its editor and selects a range of its text.
    bool selectMatch(const QModelIndex& index, qsizetype at, qsizetype length);
    void showLocationMenu(const QPoint& position);
    void showHeaderMenu(const QPoint& position);
    void updateTitle();
    TSDocumentPtr document_;
    TSOutlineView* outline_ = nullptr;
    TSOutlineModel* model_ = nullptr;
    TSRichTextDelegate* delegate_ = nullptr;
    void makeFindBar();
    QVBoxLayout* centralLayout_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLabel* findStatus_ = nullptr;
    ts::ObserverToken textReplacedObserver_;
    ts::ObserverToken editedObserver_;
    TSRowCommands* rowCommands_ = nullptr;
    void footnoteSaved(const ts::Notification& notification);
    void footnotesNeedRenumbering(const QModelIndex& changed);
    void footnoteNeedsToBeLinked(const ts::Notification& notification);
    void refreshOpenEditor(const TSChunkPtr& chunk, qsizetype caret);
    QPointer<FootnoteWindowController> footnoteWindow_;
    QPointer<FootnoteListController> footnoteListWindow_;
    std::vector<ts::ObserverToken> footnoteObservers_;
    bool handleLocationDrop(QEvent* event);
    QPointer<XPPDFViewerController> pdfViewer_;
    ts::ObserverToken pdfDropObserver_;
};
