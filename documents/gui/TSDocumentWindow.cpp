#include "documents/gui/TSDocumentWindow.h"

#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRowCommands.h"
#include "documents/gui/VocabularyWindowController.h"
#include "platform/UserDefaults.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "app/core/Preferences.h"
#include "platform/AttributedString.h"
#include "platform/Prompter.h"
#include "platform/gui/RichTextConversion.h"
#include "platform/gui/WindowFrame.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QApplication>
#include <QMenu>
#include <QNativeGestureEvent>
#include <QShortcut>
#include <QTextEdit>
#include <QPointer>
#include <QPainter>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QUuid>
#include <QSet>
#include <QScrollBar>
#include <QWheelEvent>

Q_DECLARE_METATYPE(ts::AttributedStringPtr)

namespace {

const QString kNonReversable = QStringLiteral("NonReversable");

QString localized(const char* key) { return ts::Prompter::localized(QString::fromLatin1(key), kNonReversable); }

}  // namespace

// ----------------------------------------------------------------- outline

TSOutlineView::TSOutlineView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(false);
    // Per-item scrolling: the scroll bar counts rows, so only the rows the
    // view lays out are measured.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(true);
    setAlternatingRowColors(true);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void TSOutlineView::fitColumns() {
    QHeaderView* h = header();
    const int last = h->logicalIndex(h->count() - 1);
    if (last < 0) return;
    const int available = viewport()->width();
    int before = 0;
    for (int visual = 0; visual < h->count() - 1; ++visual) before += h->sectionSize(h->logicalIndex(visual));
    // The last column keeps at least a third of the room the others leave it.
    const int least = std::max(h->minimumSectionSize(), available / 3);
    int excess = before + least - available;
    // The widest columns before the last give up the width, down to a third of the view each.
    for (int visual = h->count() - 2; visual >= 0 && excess > 0; --visual) {
        const int logical = h->logicalIndex(visual);
        const int size = h->sectionSize(logical);
        const int floor = std::max(h->minimumSectionSize(), std::min(size, available / 3));
        const int given = std::min(excess, size - floor);
        if (given <= 0) continue;
        h->resizeSection(logical, size - given);
        excess -= given;
        before -= given;
    }
    // The header stretches the last column into room but never narrows it.
    if (h->sectionSize(last) > available - before) h->resizeSection(last, std::max(least, available - before));
}

bool TSOutlineView::viewportEvent(QEvent* event) {
    const bool handled = QTreeView::viewportEvent(event);
    if (event->type() == QEvent::Resize) fitColumns();
    return handled;
}

void TSOutlineView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    // Scrolling only moves an open editor; one kept within the view (in a
    // row taller than it) takes the room its row has at its new place.
    if (dy != 0) updateEditorGeometries();
}

void TSOutlineView::commitOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    QWidget* editor = QApplication::focusWidget();
    while (editor && editor->parentWidget() != viewport()) editor = editor->parentWidget();
    // The window may not have the focus (a tool window was raised meanwhile):
    // the open editor is the viewport's text editor all the same.
    if (!editor)
        for (QTextEdit* open : viewport()->findChildren<QTextEdit*>(Qt::FindDirectChildrenOnly))
            if (open->isVisible()) editor = open;
    if (editor) commitData(editor);
}

void TSOutlineView::discardOpenEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    for (QTextEdit* open : viewport()->findChildren<QTextEdit*>(Qt::FindDirectChildrenOnly))
        closeEditor(open, QAbstractItemDelegate::NoHint);
}

void TSOutlineView::doItemsLayout() {
    // The header stretches its last column when it is first asked about it,
    // which a layout does as it measures its first row: asked here first, it
    // gives the rows the widths they are measured at, and the resize is no
    // reason for another layout.
    settlingColumns_ = true;
    header()->length();
    settlingColumns_ = false;
    resizePending_ = false;
    QTreeView::doItemsLayout();
}

void TSOutlineView::resizeAllRows() {
    if (resizePending_ || settlingColumns_) return;
    resizePending_ = true;
    QTimer::singleShot(0, this, [this] {
        // A layout since then measured every row afresh.
        if (!resizePending_) return;
        resizePending_ = false;
        scheduleDelayedItemsLayout();
        viewport()->update();
    });
}

// ------------------------------------------------------------------ window

TSDocumentWindow::TSDocumentWindow(TSDocumentPtr document, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)) {
    outline_ = new TSOutlineView(this);
    model_ = new TSOutlineModel(document_, this);
    delegate_ = new TSRichTextDelegate(outline_, model_);
    outline_->setModel(model_);
    outline_->setItemDelegate(delegate_);
    outline_->setTreePosition(TSOutlineModel::LatinColumn);
    outline_->header()->setStretchLastSection(true);
    outline_->header()->resizeSection(TSOutlineModel::LocationColumn, 56);
    outline_->header()->resizeSection(TSOutlineModel::LatinColumn, 420);
    outline_->header()->resizeSection(TSOutlineModel::EnglishColumn, 420);
    outline_->setContextMenuPolicy(Qt::CustomContextMenu);
    outline_->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(outline_->header(), &QWidget::customContextMenuRequested, this, &TSDocumentWindow::showHeaderMenu);
    outline_->viewport()->installEventFilter(this);
    outline_->viewport()->setAcceptDrops(true);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from) { footnotesNeedRenumbering(from); });
    auto* central = new QWidget(this);
    centralLayout_ = new QVBoxLayout(central);
    centralLayout_->setContentsMargins(0, 0, 0, 0);
    centralLayout_->setSpacing(0);
    centralLayout_->addWidget(outline_, 1);
    setCentralWidget(central);
    // Find, Find Next and Find Previous come from the Edit menu.

    connect(outline_->header(), &QHeaderView::sectionResized, outline_, [this] { outline_->resizeAllRows(); });
    connect(outline_, &QWidget::customContextMenuRequested, this, &TSDocumentWindow::showLocationMenu);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] {
        updateTitle();
        outline_->resizeAllRows();
    });

    document_->registerForNotifications();
    ts::DocumentWindow::installMenuBar(this);
    if (auto frame = document_->takeSavedWindowFrame();
        frame && frame->width() > 50 && frame->height() > 50 && ts::WindowFrame::fitsAScreen(frame->toRect())) {
        setGeometry(frame->toRect());
    } else if (const QRect last = ts::WindowFrame::storedFrame(kFrameAutosaveName);
               last.isValid() && ts::WindowFrame::fitsAScreen(last)) {
        setGeometry(last);
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
        const QSize size(std::min(1000, area.width()), std::min(700, area.height()));
        setGeometry(QRect(area.topLeft() + QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 3), size));
    }
    ts::WindowFrame::cascade(this);
    ts::WindowFrame::keep(this, kFrameAutosaveName);
    document_->setWindowFrame(geometry());
    // The sections open, stored while the first layout is still pending: a
    // whole-tree expand would lay every row out once more before the paint.
    for (int r = 0, n = model_->rowCount(); r < n; ++r) outline_->expand(model_->index(r, 0));
    updateTitle();
    rowCommands_ = new TSRowCommands(this);
    auto* useSelection = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(useSelection, &QShortcut::activated, this, &TSDocumentWindow::useSelectionForFind);
    restoreOutlineState();
    showScrollBarFromFirstLayout();
    // A text changed outside the window (an inserted translation, an undo
    // step of the document's own) is shown anew.
    QPointer<TSDocumentWindow> self = this;
    textReplacedObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        TSDocument::kTextReplaced, document_.get(), [self](const ts::Notification&) {
            if (self) self->reloadKeepingPlace({}, self->document_->replacedText());
        });
    // The edited mark follows the document, whichever command changed it.
    editedObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        ts::Document::kEditedStateChangedNotification, document_.get(), [this](const ts::Notification&) { updateTitle(); });
}

TSDocumentWindow::~TSDocumentWindow() = default;

// The find bar is made when first asked for: most windows never show it.
void TSDocumentWindow::makeFindBar() {
    if (findBar_) return;
    findBar_ = new QWidget(centralWidget());
    auto* findLayout = new QHBoxLayout(findBar_);
    findLayout->setContentsMargins(6, 3, 6, 3);
    findField_ = new QLineEdit(findBar_);
    findField_->setPlaceholderText(localized("FIND_FIELD"));
    findField_->setClearButtonEnabled(true);
    findField_->setProperty(TSRichTextDelegate::kKeepsEditorOpen, true);
    findStatus_ = new QLabel(findBar_);
    auto* previous = new QPushButton(QStringLiteral("<"), findBar_);
    auto* next = new QPushButton(QStringLiteral(">"), findBar_);
    auto* done = new QPushButton(localized("FIND_DONE"), findBar_);
    for (QPushButton* b : {previous, next}) b->setFixedWidth(32);
    findLayout->addWidget(findField_, 1);
    findLayout->addWidget(previous);
    findLayout->addWidget(next);
    findLayout->addWidget(findStatus_);
    findLayout->addWidget(done);
    findBar_->hide();
    connect(findField_, &QLineEdit::returnPressed, this, [this] { findNext(findField_->text()); });
    connect(next, &QPushButton::clicked, this, [this] { findNext(findField_->text()); });
    connect(previous, &QPushButton::clicked, this, [this] { findNext(findField_->text(), true); });
    connect(done, &QPushButton::clicked, this, [this] {
        findBar_->hide();
        outline_->setFocus();
    });
    centralLayout_->insertWidget(0, findBar_);
}

QLineEdit* TSDocumentWindow::findField() {
    makeFindBar();
    return findField_;
}

QWidget* TSDocumentWindow::findBar() {
    makeFindBar();
    return findBar_;
}

void TSDocumentWindow::showScrollBarFromFirstLayout() {
    // Rows are measured at their columns' widths, and a scroll bar that
    // appears after the first layout narrows the last column: every row
    // measured would be measured again. A text that cannot fit on the
    // screen, at the least height a row has, certainly shows the bar, so it
    // is there from the start; once the rows are laid out it comes and goes
    // as usual.
    const int sections = model_->rowCount();
    qint64 rows = sections;
    for (int r = 0; r < sections; ++r) {
        const QModelIndex section = model_->index(r, 0);
        if (outline_->isExpanded(section)) rows += model_->rowCount(section);
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = std::max(screen ? screen->availableGeometry().height() : 0, height());
    if (rows * TSRichTextDelegate::kMinimumRowHeight <= room) return;
    outline_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QTimer::singleShot(0, outline_, [view = outline_] { view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded); });
}

const QString TSDocumentWindow::kFrameAutosaveName = QStringLiteral("Tessarin");

void TSDocumentWindow::install(ts::DocumentController& controller) {
    TSDocument::registerDocumentType(controller);
    TSDocument::setWindowFactory([](const TSDocumentPtr& document) {
        auto* window = new TSDocumentWindow(document);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->raise();
        window->activateWindow();
        window->startTypingIfEmpty();
    });
}

void TSDocumentWindow::performFind(FindCommand command) {
    switch (command) {
    case FindCommand::ShowFindBar: showFindBar(); break;
    case FindCommand::FindNext: findNext(findField()->text()); break;
    case FindCommand::FindPrevious: findNext(findField()->text(), true); break;
    }
}

void TSDocumentWindow::commitEditing() { outline_->commitOpenEditor(); }

TSCellEditor* TSDocumentWindow::openEditor() const {
    TSCellEditor* editor = delegate_->editor();
    return editor && editor->parentWidget() == outline_->viewport() ? editor : nullptr;
}

bool TSDocumentWindow::hasUncommittedEdits() const {
    const QTextEdit* editor = delegate_->editor();
    return editor && editor->document()->isModified();
}

void TSDocumentWindow::addLine() {
    commitEditing();
    const QModelIndex current = outline_->currentIndex();
    const int column = current.isValid() && current.column() != TSOutlineModel::LocationColumn ? current.column()
                                                                                               : int(TSOutlineModel::LatinColumn);
    const QModelIndex added = model_->insertLineAfter(current, column);
    if (!added.isValid()) return;
    if (added.parent().isValid()) outline_->expand(added.parent());
    outline_->setCurrentIndex(added);
    outline_->scrollTo(added);
    outline_->edit(added);
    updateTitle();
}

QString TSDocumentWindow::selectedWord() const {
    QTextEdit* editor = delegate_->editor();
    if (!editor) return {};
    return editor->textCursor().selectedText().trimmed();
}

void TSDocumentWindow::lookupInDictionary() {
    QTextEdit* editor = delegate_->editor();
    const bool latin = outline_->currentIndex().column() != TSOutlineModel::EnglishColumn;
    QString word = selectedWord();
    if (word.isEmpty() && editor)
        word = TSRowCommands::wordAtPosition(editor->toPlainText(), editor->textCursor().position());
    // Without a word the window opens on an empty query.
    rowCommands_->lookupWord(word.isEmpty() ? QString() : word, latin);
}

void TSDocumentWindow::addWordForm() {
    const QString word = selectedWord();
    if (!word.isEmpty() && outline_->currentIndex().column() == TSOutlineModel::LatinColumn) document_->addWordForm(word);
}

void TSDocumentWindow::addToVocab() { rowCommands_->addToVocab(); }
void TSDocumentWindow::showVocabularyWindow() { rowCommands_->showVocabularyWindow(); }
void TSDocumentWindow::openRevisionWindow() { rowCommands_->openRevisionWindow(); }
void TSDocumentWindow::deleteSelectedRow() { rowCommands_->deleteRow(outline_->currentIndex()); }
void TSDocumentWindow::promoteSelectedRow() { rowCommands_->promoteRow(outline_->currentIndex()); }
void TSDocumentWindow::demoteSelectedRow() { rowCommands_->demoteRow(outline_->currentIndex()); }
// The edited mark follows from the document's notification.
void TSDocumentWindow::makeBaseFont() { rowCommands_->makeBaseFont(); }

bool TSDocumentWindow::validateCommand(const QString& method) const {
    if (method == QLatin1String("makeBaseFont")) return !selectedWord().isEmpty();
    return true;
}

void TSDocumentWindow::startTypingIfEmpty() {
    if (!document_->fileURL().isEmpty() || model_->rowCount() != 1) return;
    const QModelIndex first = model_->index(0, TSOutlineModel::LatinColumn);
    const auto latin = model_->richText(first);
    if (model_->rowCount(model_->index(0, 0)) > 0 || (latin && latin->length() > 0)) return;
    outline_->setFocus();
    outline_->setCurrentIndex(first);
    outline_->edit(first);
}

void TSDocumentWindow::updateTitle() {
    setWindowTitle(document_->displayName() + QStringLiteral("[*]"));
    setWindowModified(document_->isDocumentEdited());
}

void TSDocumentWindow::showLocationMenu(const QPoint& position) {
    const QModelIndex index = outline_->indexAt(position);
    if (!index.isValid() || index.column() != TSOutlineModel::LocationColumn) return;
    QMenu* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool flagged = index.data(TSOutlineModel::FlaggedRole).toBool();
    const QPersistentModelIndex at(index);
    menu->addAction(localized(flagged ? "UNFLAG" : "FLAG"), this, [this, at] { if (at.isValid()) model_->toggleFlag(at); });
    menu->addAction(tr("Edit Location"), this, [this, at] { if (at.isValid()) outline_->edit(at); });
    QAction* show = menu->addAction(tr("Show in Facsimile"), this, [this, at] { if (at.isValid()) scrollPDFToLocation(at); });
    show->setEnabled(index.data(Qt::ToolTipRole).isValid());
    menu->addSeparator();
    menu->addAction(localized("RENUMBER"), this, [this, at] { if (at.isValid()) renumberFrom(at); });
    menu->popup(outline_->viewport()->mapToGlobal(position));
}

bool TSDocumentWindow::renumberFrom(const QModelIndex& index) {
    TSChunk* chunk = model_->chunkForIndex(index);
    TSTextPtr text = document_->text();
    if (!chunk || !text) return false;
    commitEditing();
    text->renumberFromChunk(std::static_pointer_cast<TSChunk>(chunk->shared_from_this()));
    reloadKeepingPlace();
    document_->updateChangeCount(ts::Document::ChangeDone);
    return true;
}

void TSDocumentWindow::reloadKeepingPlace(const std::function<void()>& change, const TSChunkPtr& shown) {
    // Chunks are named by uuid: an undo step or an inserted translation
    // brings a new tree with the same rows.
    QSet<QUuid> open, sections;
    std::function<void(const TSChunk*)> note = [&](const TSChunk* parent) {
        for (const TSChunkPtr& child : parent->childNodes()) {
            if (child->numChildren() == 0) continue;
            sections.insert(child->uuidValue());
            if (outline_->isExpanded(model_->indexForChunk(child.get(), 0))) open.insert(child->uuidValue());
            note(child.get());
        }
    };
    const TSChunkPtr before = shown ? shown : TSChunkPtr(document_->text());
    if (before) note(before.get());
    const QModelIndex was = outline_->currentIndex();
    const QUuid current = was.isValid() ? model_->chunkForIndex(was)->uuidValue() : QUuid();
    const int column = was.isValid() ? was.column() : int(TSOutlineModel::LatinColumn);
    const int scroll = outline_->verticalScrollBar()->value();
    const int across = outline_->horizontalScrollBar()->value();

    if (change) change();
    model_->reload();

    QModelIndex now;
    std::function<void(const QModelIndex&)> restore = [&](const QModelIndex& parent) {
        for (int r = 0, n = model_->rowCount(parent); r < n; ++r) {
            const QModelIndex child = model_->index(r, 0, parent);
            const QUuid id = model_->chunkForIndex(child)->uuidValue();
            if (!current.isNull() && id == current) now = child.siblingAtColumn(column);
            if (model_->rowCount(child) == 0) continue;
            if (open.contains(id) || !sections.contains(id)) outline_->expand(child);
            restore(child);
        }
    };
    restore(QModelIndex());
    if (now.isValid()) outline_->selectionModel()->setCurrentIndex(now, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // The scroll range follows the rows now open.
    outline_->doItemsLayout();
    outline_->verticalScrollBar()->setValue(scroll);
    outline_->horizontalScrollBar()->setValue(across);
}

void TSDocumentWindow::useSelectionForFind() {
    QString text;
    if (QTextEdit* editor = delegate_->editor()) text = editor->textCursor().selectedText();
    if (text.isEmpty()) text = outline_->currentIndex().data().toString();
    if (text.isEmpty()) return;
    makeFindBar();
    if (!findBar_->isVisible()) findBar_->show();
    findField_->setText(text.section(QChar::ParagraphSeparator, 0, 0).left(200));
}

void TSDocumentWindow::magnifyText(double factor) {
    TSTextPtr text = document_->text();
    if (!text || factor <= 0 || factor == 1.0) return;
    commitEditing();
    text->magnify(float(factor));
    reloadKeepingPlace();
    document_->updateChangeCount(ts::Document::ChangeDone);
}

// ---- Kept between launches: column widths and which rows are open ----

namespace {
const QString kColumnsKey = QStringLiteral("TSDocument Outline Columns");
QString expandedKey(const TSDocument& document) {
    return QStringLiteral("TSDocument Expanded %1").arg(document.uuid().UUIDString());
}
}  // namespace

void TSDocumentWindow::saveOutlineState() {
    auto defaults = ts::UserDefaults::standardUserDefaults();
    defaults->setObject(ts::Value(outline_->header()->saveState()), kColumnsKey);
    ts::ValueArray open;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < model_->rowCount(parent); ++r) {
            const QModelIndex child = model_->index(r, 0, parent);
            if (!outline_->isExpanded(child)) continue;
            if (TSChunk* c = model_->chunkForIndex(child)) open.push_back(ts::Value(c->uuidValue().toString(QUuid::WithoutBraces)));
            walk(child);
        }
    };
    walk(QModelIndex());
    defaults->setObject(ts::Value(open), expandedKey(*document_));
    defaults->synchronize();
}

void TSDocumentWindow::restoreExpandedRows() {
    const ts::Value open = ts::UserDefaults::standardUserDefaults()->objectForKey(expandedKey(*document_));
    TSTextPtr text = document_->text();
    if (!open.isArray() || !text) return;
    for (const ts::Value& v : open.array()) {
        TSChunkPtr chunk = text->itemWithUUID(QUuid::fromString(v.toString()));
        if (!chunk) continue;
        const QModelIndex at = model_->indexForChunk(chunk.get(), 0);
        if (at.isValid()) outline_->expand(at);
    }
}

void TSDocumentWindow::restoreOutlineState() {
    const ts::Value columns = ts::UserDefaults::standardUserDefaults()->objectForKey(kColumnsKey);
    if (columns.isData()) outline_->header()->restoreState(columns.toData());
    // Rows open on laid-out items only; a document with none kept open skips
    // the extra layout, which costs as much as the first paint.
    const ts::Value open = ts::UserDefaults::standardUserDefaults()->objectForKey(expandedKey(*document_));
    if (!open.isArray() || open.array().empty()) return;
    outline_->doItemsLayout();
    restoreExpandedRows();
}

void TSDocumentWindow::showFindBar() {
    makeFindBar();
    findBar_->show();
    findField_->setFocus();
    findField_->selectAll();
}

bool TSDocumentWindow::findNext(const QString& text, bool backwards) {
    makeFindBar();
    findStatus_->clear();
    if (text.isEmpty()) return false;
    const QModelIndex current = outline_->currentIndex();
    const int column = current.isValid() && current.column() != TSOutlineModel::LocationColumn ? current.column()
                                                                                               : int(TSOutlineModel::LatinColumn);
    // A further match in the line being read comes first: after the match
    // selected in its editor (before it, backwards).
    if (QTextEdit* editor = delegate_->editor(); editor && current.isValid() && current.column() == column) {
        const QTextCursor cursor = editor->textCursor();
        const QString shown = editor->toPlainText();
        const qsizetype at = backwards ? (cursor.selectionStart() > 0 ? shown.lastIndexOf(text, cursor.selectionStart() - 1, Qt::CaseInsensitive) : -1)
                                       : shown.indexOf(text, cursor.selectionEnd(), Qt::CaseInsensitive);
        if (at >= 0) return selectMatch(current, at, text.size());
    }
    // The chunks in reading order; the search starts after the current one.
    std::vector<TSChunk*> chunks;
    for (TSChunkPtr c = TSText::nextChunk(document_->text()); c; c = TSText::nextChunk(c)) chunks.push_back(c.get());
    if (chunks.empty()) return false;
    const TSChunk* start = current.isValid() ? model_->chunkForIndex(current) : nullptr;
    qsizetype at = -1;
    for (qsizetype i = 0; i < qsizetype(chunks.size()); ++i)
        if (chunks[i] == start) at = i;
    const qsizetype n = qsizetype(chunks.size());
    for (qsizetype step = 1; step <= n; ++step) {
        qsizetype i = at < 0 ? (backwards ? n - step : step - 1) : (backwards ? at - step : at + step);
        i = ((i % n) + n) % n;
        const QModelIndex index = model_->indexForChunk(chunks[i], column);
        const auto rich = model_->richText(index);
        if (!rich) continue;
        const qsizetype found = backwards ? rich->string().lastIndexOf(text, -1, Qt::CaseInsensitive)
                                          : rich->string().indexOf(text, 0, Qt::CaseInsensitive);
        if (found < 0) continue;
        return selectMatch(index, found, text.size());
    }
    findStatus_->setText(localized("FIND_NOT_FOUND"));
    return false;
}

bool TSDocumentWindow::selectMatch(const QModelIndex& index, qsizetype at, qsizetype length) {
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) outline_->expand(p);
    const bool typingInFindField = findField_ && findField_->hasFocus();
    if (outline_->currentIndex() != index || !delegate_->editor()) {
        outline_->setCurrentIndex(index);
        outline_->edit(index);
    }
    // Also for a further match in the line already selected: the reader may
    // have scrolled away from it since. Per-item scrolling takes a row for
    // seen when it is within a page's count of rows from the top, counted
    // with the heights of the first rows, and so misses rows below taller
    // ones: where the row is still not whole in view, it is centred. A row
    // taller than the view goes to its top, where its editor, kept within
    // the view, has the most room to scroll the match into sight.
    outline_->scrollTo(index);
    if (const QRect row = outline_->visualRect(index); !outline_->viewport()->rect().contains(row))
        outline_->scrollTo(index, row.height() > outline_->viewport()->height() ? QAbstractItemView::PositionAtTop
                                                                               : QAbstractItemView::PositionAtCenter);
    QTextEdit* editor = delegate_->editor();
    if (editor) {
        // The match itself is selected in the line's editor.
        QTextCursor cursor(editor->document());
        cursor.setPosition(int(std::min<qsizetype>(at, editor->document()->characterCount() - 1)));
        cursor.setPosition(int(std::min<qsizetype>(at + length, editor->document()->characterCount() - 1)), QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        editor->ensureCursorVisible();
    }
    // Return in the find field finds the next match, as before.
    if (typingInFindField) findField_->setFocus();
    return true;
}

bool TSDocumentWindow::eventFilter(QObject* watched, QEvent* event) {
    // A pinch with Alt held scales the stored texts themselves.
    if (watched == outline_->viewport() && event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture && (QGuiApplication::keyboardModifiers() & Qt::AltModifier)) {
            magnifyText(1.0 + gesture->value());
            return true;
        }
    }
    // Ctrl+wheel zooms the texts; row heights follow.
    if (watched == outline_->viewport() && handleLocationDrop(event)) return true;
    if (watched == outline_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y();
            if (steps != 0) {
                const double zoom = std::clamp(delegate_->zoom() * (steps > 0 ? 1.1 : 1 / 1.1), 0.5, 4.0);
                delegate_->setZoom(zoom);
                outline_->resizeAllRows();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QMenu* TSDocumentWindow::headerMenu() {
    auto* menu = new QMenu(this);
    const bool own = document_->englishIdentifier() == QLatin1String("english");
    menu->addAction(localized(own ? "SWITCH_TO_PERSEUS" : "SWITCH_TO_OWN"), this, [this] {
        commitEditing();
        reloadKeepingPlace([this] { model_->changeIdentifier(); });
    });
    menu->addSeparator();
    const bool bySection = Preferences::preferences()->numberBySubsection();
    menu->addAction(localized(bySection ? "NUMBER_FROM_BEGINNING" : "NUMBER_BY_SUBSECTION"), this, [this, bySection] {
        commitEditing();
        reloadKeepingPlace([bySection] { Preferences::preferences()->setNumberBySubsection(!bySection); });
    });
    return menu;
}

void TSDocumentWindow::showHeaderMenu(const QPoint& position) {
    QMenu* menu = headerMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(outline_->header()->mapToGlobal(position));
}

void TSDocumentWindow::closeEvent(QCloseEvent* event) {
    // Text still in a cell editor is part of what the question asks about.
    commitEditing();
    if (!document_->canClose()) {
        event->ignore();
        return;
    }
    saveOutlineState();
    VocabularyWindowController::documentClosing(document_->vocabListIfAny());
    event->accept();
    // The editor's text is in the document (committed above); left open, it
    // would commit again into the tree the clean-up releases.
    outline_->discardOpenEditor();
    document_->close();
    document_->cleanup();
    model_->reload();
}

void TSDocumentWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    document_->setWindowFrame(geometry());
}

void TSDocumentWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    document_->setWindowFrame(geometry());
}
