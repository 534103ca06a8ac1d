// A parallel-text window's footnote commands: adding a note at the open
// editor's selection, linking to an existing note through the picker, opening
// a clicked marker's note, and acting on what the footnote windows report.
#include "documents/gui/FootnoteWindows.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSRowCommands.h"
#include "documents/gui/TSOutlineModel.h"

#include "app/logging/LGLog.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSText.h"

#include <QTextCursor>

namespace N = FootnoteNotification;

FootnoteWindowController* TSDocumentWindow::footnoteWindow() {
    if (!footnoteWindow_) {
        footnoteWindow_ = new FootnoteWindowController(this);
        footnoteWindow_->setOriginatingWindow(FootnoteOrigin::make(this));
        // Sent by this window's own editor only.
        footnoteObservers_.push_back(ts::NotificationCenter::defaultCenter().addObserver(
            N::kSaved, footnoteWindow_.data(), [this](const ts::Notification& n) { footnoteSaved(n); }));
    }
    return footnoteWindow_;
}

FootnoteListController* TSDocumentWindow::footnoteListWindow() {
    if (!footnoteListWindow_) {
        footnoteListWindow_ = new FootnoteListController(this);
        footnoteListWindow_->setOriginatingWindow(FootnoteOrigin::make(this));
        // Any picker's report; the handler keeps only this window's.
        footnoteObservers_.push_back(ts::NotificationCenter::defaultCenter().addObserver(
            N::kLink, nullptr, [this](const ts::Notification& n) { footnoteNeedsToBeLinked(n); }));
    }
    return footnoteListWindow_;
}

void TSDocumentWindow::addFootnote() {
    TSCellEditor* editor = openEditor();
    const QModelIndex cell = outline_->currentIndex();
    if (!editor || !cell.isValid() || cell.column() == TSOutlineModel::LocationColumn) return;
    TSChunk* raw = model_->chunkForIndex(cell);
    if (!raw) return;
    const TSChunkPtr chunk = std::static_pointer_cast<TSChunk>(raw->shared_from_this());
    const QString identifier = model_->keyForColumn(cell.column());
    const QTextCursor cursor = editor->textCursor();
    QStringList titles;
    if (cursor.hasSelection()) titles << cursor.selectedText();
    const qsizetype end = cursor.selectionEnd();
    commitEditing();
    FootnoteObjectPtr note = document_->addFootnote(chunk, identifier, end, titles);
    if (!note) return;
    // The marker (one character pair and a number) sits right after the
    // selection; the caret goes after it.
    const ts::AttributedStringPtr text = chunk->textForKey(identifier);
    qsizetype caret = end;
    if (text) {
        ts::TextRange run;
        text->attribute(ts::AttributeName::Link, end, &run);
        caret = run.length > 0 ? run.end() : end;
    }
    refreshOpenEditor(chunk, caret);
    FootnoteWindowController* window = footnoteWindow();
    window->setOriginatingField(FootnoteOrigin::make(this, chunk, identifier, caret));
    window->setFootnote(note);
    window->show();
    window->raise();
    window->activateWindow();
}

void TSDocumentWindow::linkToFootnote() {
    const QModelIndex cell = outline_->currentIndex();
    if (!cell.isValid() || cell.column() == TSOutlineModel::LocationColumn) return;
    if (document_->footnotes()->count() == 0) return;
    TSChunk* raw = model_->chunkForIndex(cell);
    if (!raw) return;
    qsizetype position = -1;
    if (TSCellEditor* editor = openEditor()) {
        position = editor->textCursor().selectionEnd();
        commitEditing();
    }
    FootnoteListController* picker = footnoteListWindow();
    picker->setOriginatingField(FootnoteOrigin::make(this, std::static_pointer_cast<TSChunk>(raw->shared_from_this()),
                                                     model_->keyForColumn(cell.column()), position));
    picker->setFootnotes(document_->footnotes());
    picker->show();
    picker->raise();
    picker->activateWindow();
}

bool TSDocumentWindow::linkClicked(const QString& link, const QModelIndex& cell) {
    const QStringList parts = link.split(QLatin1Char(':'));
    if (parts.size() < 2) return false;
    if (parts[0] == QLatin1String("footnote")) {
        FootnoteObjectPtr note = document_->footnotes()->noteForID(link);
        if (!note) {
            // A marker whose note is gone gets a new one under its own id, so
            // that saving it mends the marker rather than leaving it dangling.
            note = std::make_shared<FootnoteObject>();
            note->setUniqueID(link);
            document_->footnotes()->addNote(note);
        }
        TSChunk* raw = model_->chunkForIndex(cell);
        FootnoteWindowController* window = footnoteWindow();
        window->setOriginatingField(FootnoteOrigin::make(
            this, raw ? std::static_pointer_cast<TSChunk>(raw->shared_from_this()) : nullptr,
            model_->keyForColumn(cell.column() == TSOutlineModel::LocationColumn ? int(TSOutlineModel::LatinColumn)
                                                                                : cell.column())));
        window->setFootnote(note);
        window->show();
        window->raise();
        return true;
    }
    if (parts[0] == QLatin1String("vocab")) {
        rowCommands_->setupVocabularyWindow(link);
        return true;
    }
    return false;
}

void TSDocumentWindow::footnoteSaved(const ts::Notification& notification) {
    FootnoteOriginPtr field = FootnoteOrigin::from(notification.userInfo, N::kField);
    const QString identifier = field && !field->identifier().isEmpty() ? field->identifier() : model_->keyForColumn(TSOutlineModel::LatinColumn);
    commitEditing();
    document_->renumberFootnotes(identifier, false);
    refreshOpenEditor(field ? field->chunk() : nullptr, -1);
    document_->updateChangeCount(ts::Document::ChangeDone);
}

void TSDocumentWindow::footnoteNeedsToBeLinked(const ts::Notification& notification) {
    FootnoteOriginPtr window = FootnoteOrigin::from(notification.userInfo, N::kWindow);
    if (!window || window->object() != this) return;
    FootnoteOriginPtr field = FootnoteOrigin::from(notification.userInfo, N::kField);
    FootnoteObjectPtr note = N::footnoteIn(notification.userInfo);
    if (!note || !field || !field->chunk()) return;
    commitEditing();
    const TSChunkPtr chunk = field->chunk();
    const ts::AttributedStringPtr text = chunk->textForKey(field->identifier());
    const qsizetype position = field->position() >= 0 ? field->position() : (text ? text->length() : 0);
    document_->linkFootnote(note, chunk, field->identifier(), position);
    refreshOpenEditor(chunk, -1);
}

void TSDocumentWindow::footnotesNeedRenumbering(const QModelIndex& changed) {
    // An edited text may have lost, gained or moved markers: the column's
    // numbers follow (the markers' texts change, never the model's rows).
    if (!changed.isValid() || changed.column() == TSOutlineModel::LocationColumn) return;
    if (!document_->footnotes() || document_->footnotes()->count() == 0) return;
    if (!document_->renumberFootnotes(model_->keyForColumn(changed.column()), false).empty()) outline_->viewport()->update();
}

void TSDocumentWindow::refreshOpenEditor(const TSChunkPtr& chunk, qsizetype caret) {
    if (TSCellEditor* editor = openEditor()) {
        const QModelIndex cell = outline_->currentIndex();
        if (!chunk || model_->chunkForIndex(cell) == chunk.get()) {
            const int keep = editor->textCursor().position();
            delegate_->setEditorData(editor, cell);
            QTextCursor cursor = editor->textCursor();
            cursor.setPosition(int(std::clamp<qsizetype>(caret >= 0 ? caret : keep, 0, editor->document()->characterCount() - 1)));
            editor->setTextCursor(cursor);
        }
    }
    // Markers of other rows of the column may have been renumbered.
    outline_->viewport()->update();
    outline_->resizeAllRows();
}
