#include "documents/gui/TSRichTextDelegate.h"

#include "documents/gui/TSOutlineModel.h"
#include "platform/Font.h"
#include "platform/gui/RichTextConversion.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "textmodel/TSMatchedChunk.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>
#include <QTreeView>

#include <cmath>

namespace {

// Room below a cell's text, as the rows have always had.
constexpr int kRowPadding = 3;
const QColor kFlagColour(0xF2, 0xB8, 0xB5);
const QString kLatin = QStringLiteral("la");
// Marks a location's editor, whose Return ends the edit.
constexpr const char* kLocationEditor = "tsLocationEditor";

// A laid-out text's height on screen, in whole pixels.
int scaledHeight(const QTextDocument& document, double zoom) { return int(std::ceil(document.size().height() * zoom)); }

// Text that names no font is saved in the default font and so reads in it
// when reopened: it shows in that font from the start.
QFont savedDefaultFont() { return RichTextConversion::toQFont(*ts::Font::defaultFont()); }

void layOut(QTextDocument& document, const ts::AttributedString& text, double width) {
    document.setDefaultFont(savedDefaultFont());
    RichTextConversion::toTextDocument(text, document);
    document.setDocumentMargin(TSRichTextDelegate::kTextMargin);
    document.setTextWidth(std::max(width, 1.0));
}

ts::FontPtr fontIn(const ts::Attributes& attributes) {
    const auto it = attributes.find(ts::AttributeName::Font);
    return it == attributes.end() ? nullptr : it->second.toObjectAs<ts::Font>();
}

ts::FontPtr fontOf(const ts::AttributedStringPtr& text) {
    if (!text || text->length() == 0) return nullptr;
    return fontIn(text->attributes(0));
}

}  // namespace

// ------------------------------------------------------------------ editor

TSCellEditor::TSCellEditor(const QString& language, QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    // What is typed without a font of its own is saved in the default font.
    setFont(savedDefaultFont());
    document()->setDocumentMargin(TSRichTextDelegate::kTextMargin);
    spelling_ = new ts::SpellingHighlighter(this, language);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this, [this] {
        const int height = textHeight();
        if (height == lastHeight_) return;
        lastHeight_ = height;
        Q_EMIT textHeightChanged();
    });
}

int TSCellEditor::textHeight() const { return int(std::ceil(document()->size().height())); }

void TSCellEditor::showEvent(QShowEvent* event) {
    QTextEdit::showEvent(event);
    // The text edit scrolls to its caret when first shown; kept shorter than
    // its text, the editor opens instead on the first line, where its row
    // starts, as the row showed it. Whoever selects a match scrolls to it.
    if (shown_) return;
    shown_ = true;
    verticalScrollBar()->setValue(0);
}

void TSCellEditor::resizeEvent(QResizeEvent* event) {
    // Measured at the old size, before the new one scrolls anything.
    const QRect caret = cursorRect();
    const bool caretShown = caret.top() >= 0 && caret.bottom() < event->oldSize().height();
    QTextEdit::resizeEvent(event);
    // Grown to its text, the editor shows it from the first line; kept
    // shorter than its text (in a row taller than the view), it keeps a
    // caret or found match it showed in sight as its row moves, and
    // otherwise the lines it showed.
    if (height() >= textHeight()) verticalScrollBar()->setValue(0);
    else if (caretShown) ensureCursorVisible();
}

// ---------------------------------------------------------------- delegate

TSRichTextDelegate::TSRichTextDelegate(QTreeView* view, TSOutlineModel* model)
    : QStyledItemDelegate(view), view_(view), model_(model) {}

int TSRichTextDelegate::cellWidth(const QModelIndex& index) const {
    int width = view_->header()->sectionSize(index.column());
    // The outline column gives the row's indentation to the branch marks, as
    // the view does when it lays the cell out.
    if (index.column() == view_->treePosition()) {
        int level = 0;
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ++level;
        if (view_->rootIsDecorated()) ++level;
        width -= level * view_->indentation();
    }
    return std::max(width, 1);
}

ts::AttributedStringPtr TSRichTextDelegate::cellText(const QModelIndex& index) const {
    ts::AttributedStringPtr text = model_->richText(index);
    if (!text || text->length() == 0 || index.column() != TSOutlineModel::LocationColumn) return text;
    // The number in the row's font size and the view's text colour: a stored
    // location may carry any size and a colour meant for another background.
    ts::FontPtr rowFont = fontOf(model_->richText(index.siblingAtColumn(TSOutlineModel::LatinColumn)));
    if (!rowFont) rowFont = fontOf(model_->richText(index.siblingAtColumn(TSOutlineModel::EnglishColumn)));
    // A row whose texts name no font shows them in the default font.
    const double size = rowFont && rowFont->pointSize() > 0 ? rowFont->pointSize() : ts::Font::defaultFont()->pointSize();
    ts::FontPtr own = fontOf(text);
    ts::Attributes attributes;
    if (const ts::FontPtr face = own ? own : rowFont) attributes[ts::AttributeName::Font] = ts::Value(face->withSize(size));
    return ts::AttributedString::make(text->string(), attributes);
}

int TSRichTextDelegate::textHeight(const ts::AttributedString& text, int width, double zoom) {
    if (text.length() == 0) return 0;
    QTextDocument document;
    layOut(document, text, width / zoom);
    return scaledHeight(document, zoom);
}

const QTextDocument& TSRichTextDelegate::laidOut(const ts::AttributedStringPtr& text, double width) const {
    // A row's cells, measured and then drawn one row at a time.
    constexpr size_t kKept = 8;
    for (const LaidOut& entry : recent_) {
        if (entry.width != width) continue;
        // The same text unchanged, or (a location cell's number, made anew
        // on every call) a text equal to it.
        if (entry.text == text ? entry.changeCount == text->changeCount() : entry.text->isEqualToAttributedString(*text))
            return *entry.document;
    }
    if (recent_.size() >= kKept) recent_.pop_front();
    LaidOut entry{text, text->changeCount(), width, std::make_unique<QTextDocument>()};
    layOut(*entry.document, *text, width);
    recent_.push_back(std::move(entry));
    return *recent_.back().document;
}

QSize TSRichTextDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const auto text = cellText(index);
    const int width = cellWidth(index);
    int height = text && text->length() > 0 ? scaledHeight(laidOut(text, width / zoom_), zoom_) : 0;
    // A section's heading row leaves its location room to stand out: half
    // its height again.
    if (height > 0 && index.column() == TSOutlineModel::LocationColumn)
        if (const TSChunk* chunk = model_->chunkForIndex(index); chunk && chunk->isHeader())
            height = int(std::ceil(height * 1.5));
    // An open editor's text may have grown past what is stored.
    if (editor_ && editing_ == index) height = std::max(height, editor_->textHeight());
    height = height > 0 ? std::max(height + kRowPadding, kMinimumRowHeight) : kMinimumRowHeight;
    return {width, height};
}

void TSRichTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    painter->save();
    if (index.column() == TSOutlineModel::LocationColumn && index.data(TSOutlineModel::FlaggedRole).toBool())
        painter->fillRect(option.rect, kFlagColour);
    else if (opt.state & QStyle::State_Selected)
        painter->fillRect(option.rect, opt.palette.highlight().color().lighter(170));
    const auto text = cellText(index);
    if (text && text->length() > 0) {
        // Laid out exactly as measured: the cell's width and the one margin.
        const QTextDocument& document = laidOut(text, option.rect.width() / zoom_);
        painter->translate(option.rect.topLeft());
        painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
        painter->scale(zoom_, zoom_);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = opt.palette;
        // Text on the light selection and flag colours keeps the dark ink.
        context.palette.setColor(QPalette::Text, opt.palette.color(QPalette::Active, QPalette::Text));
        document.documentLayout()->draw(painter, context);
    }
    painter->restore();
}

QWidget* TSRichTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    QString language;
    if (index.column() == TSOutlineModel::LatinColumn) language = kLatin;
    else if (index.column() == TSOutlineModel::EnglishColumn) language = ts::SpellingHighlighter::systemLanguage();
    auto* editor = new TSCellEditor(language, parent);
    // A location is one line of plain text.
    if (index.column() == TSOutlineModel::LocationColumn) {
        editor->setAcceptRichText(false);
        editor->setProperty(kLocationEditor, true);
    }
    editor_ = editor;
    editing_ = index;
    connect(editor, &TSCellEditor::textHeightChanged, this, &TSRichTextDelegate::editorGrew);
    return editor;
}

void TSRichTextDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    const bool current = editor == editor_;
    QStyledItemDelegate::destroyEditor(editor, index);
    if (!current) return;
    editor_.clear();
    const QPersistentModelIndex edited = editing_;
    editing_ = QPersistentModelIndex();
    // The row goes back to the height of its stored text.
    if (edited.isValid()) Q_EMIT const_cast<TSRichTextDelegate*>(this)->sizeHintChanged(edited);
}

void TSRichTextDelegate::editorGrew() {
    if (!editor_ || !editing_.isValid()) return;
    Q_EMIT sizeHintChanged(editing_);
}

namespace {

TSMatchedChunk* lineOf(const TSOutlineModel* model, const QModelIndex& index) {
    return dynamic_cast<TSMatchedChunk*>(model->chunkForIndex(index));
}

QString storedLocation(const TSOutlineModel* model, const QModelIndex& index) {
    TSMatchedChunk* line = lineOf(model, index);
    const ts::AttributedStringPtr location = line ? line->location() : nullptr;
    return location ? location->string() : QString();
}

}  // namespace

void TSRichTextDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = static_cast<QTextEdit*>(editor);
    if (index.column() == TSOutlineModel::LocationColumn) {
        const ts::FontPtr shown = fontOf(cellText(index));
        if (shown) edit->document()->setDefaultFont(RichTextConversion::toQFont(*shown));
        edit->setPlainText(storedLocation(model_, index));
    } else {
        const auto text = model_->richText(index);
        RichTextConversion::toTextDocument(text ? *text : ts::AttributedString(), *edit->document());
    }
    edit->document()->setDocumentMargin(kTextMargin);
    edit->document()->setModified(false);
    edit->moveCursor(QTextCursor::End);
    // Kept shorter than its text, the editor shows the first line, where its
    // row starts, not the caret at the end.
    edit->verticalScrollBar()->setValue(0);
    // What is typed into an empty cell takes the document's base font: the
    // empty paragraph carries it, so wherever the caret is put it types so.
    const ts::Attributes& base = model_->document()->baseFontAttributes();
    if (index.column() != TSOutlineModel::LocationColumn && edit->document()->isEmpty() && !base.empty()) {
        const QTextCharFormat format = RichTextConversion::charFormat(base);
        edit->document()->setDefaultFont(format.font());
        QTextCursor(edit->document()).setBlockCharFormat(format);
        edit->setCurrentCharFormat(format);
        edit->document()->setModified(false);
    }
}

void TSRichTextDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    auto* edit = static_cast<QTextEdit*>(editor);
    if (!edit->document()->isModified()) return;
    if (index.column() == TSOutlineModel::LocationColumn) {
        const QString typed = edit->toPlainText().simplified();
        if (typed == storedLocation(model_, index)) return;
        // The stored look stays, without the flag's colour, which the
        // display adds.
        TSMatchedChunk* line = lineOf(model_, index);
        const ts::AttributedStringPtr old = line ? line->location() : nullptr;
        ts::Attributes attributes = old && old->length() > 0 ? old->attributes(0) : model_->document()->baseFontAttributes();
        attributes.erase(ts::AttributeName::BackgroundColor);
        model_->setRichText(index, ts::AttributedString(typed, attributes));
        return;
    }
    ts::AttributedString text = RichTextConversion::fromTextDocument(*edit->document());
    model_->setRichText(index, text);
}

bool TSRichTextDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::FocusOut && object == editor_.data())
        if (QWidget* focus = QApplication::focusWidget(); focus && focus->property(kKeepsEditorOpen).toBool()) return false;
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress && editor->property(kLocationEditor).toBool()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

void TSRichTextDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const {
    // The row's full height, or the text's when it has grown past the row.
    QRect rect = option.rect;
    if (auto* edit = qobject_cast<TSCellEditor*>(editor)) {
        int height = std::max(rect.height(), edit->textHeight());
        // Taller than the view, as a prose paragraph may be, the editor ends
        // at the view's bottom and scrolls within itself: grown whole, the
        // caret or a found match past the bottom could never be seen, as the
        // outline scrolls by whole rows.
        const int shown = view_->viewport()->height();
        if (height > shown) height = std::max(shown - std::max(rect.top(), 0), kMinimumRowHeight);
        rect.setHeight(height);
    }
    editor->setGeometry(rect);
}
