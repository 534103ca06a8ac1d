#pragma once
// The cells of the document outline: each draws its chunk's rich text and
// edits it in place.
//
// A cell's text is laid out once per use by one routine, at the cell's own
// width (the column's, less the outline column's indentation at the row's
// depth) and with one margin, so a row measured for its height shows every
// line it was measured for. The location column shows its number in the
// row's font size and the view's text colour, whatever its stored look.
//
// A location's editor holds the stored location as plain text (not the
// number as displayed, nor the flag's colour) and Return ends its edit; a
// text editor opened on an empty cell types in the document's base font.
//
// The editor (TSCellEditor) lays out its text the same way, checks Latin
// spelling with the Latin dictionary (English cells with the user's
// language, never the Latin one), and grows with its text: it is at least as
// tall as its row, and its row grows with it while it is open. In a row
// taller than the view it ends at the view's bottom instead and scrolls
// within itself, keeping its caret or selection in sight. Main thread only.

#include "platform/AttributedString.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTextEdit>

#include <deque>
#include <memory>

class QTreeView;
class TSOutlineModel;

namespace ts {
class SpellingHighlighter;
}

class TSCellEditor : public QTextEdit {
    Q_OBJECT

public:
    // Checks spelling in the language's dictionary ("la" for a Latin cell);
    // an empty language checks nothing.
    explicit TSCellEditor(const QString& language, QWidget* parent = nullptr);

    ts::SpellingHighlighter* spelling() const { return spelling_; }
    // The height the text takes at the editor's width, margins included.
    int textHeight() const;

Q_SIGNALS:
    void textHeightChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ts::SpellingHighlighter* spelling_ = nullptr;
    int lastHeight_ = -1;
    bool shown_ = false;
};

class TSRichTextDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The margin around a cell's text, in the cell and in its editor alike.
    static constexpr int kTextMargin = 2;
    // No row is lower than this.
    static constexpr int kMinimumRowHeight = 22;

    TSRichTextDelegate(QTreeView* view, TSOutlineModel* model);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Return ends a location's edit (a location is one line); the find
    // field takes the focus without closing the editor.
    bool eventFilter(QObject* object, QEvent* event) override;

    // The height a rich text takes at a width, in whole pixels.
    static int textHeight(const ts::AttributedString& text, int width, double zoom);
    // The width a cell's text is laid out at: the cell's width in the view.
    int cellWidth(const QModelIndex& index) const;
    // The text a cell shows (the location in the row's font size and a
    // readable colour); null for a cell without text.
    ts::AttributedStringPtr cellText(const QModelIndex& index) const;
    double zoom() const { return zoom_; }
    void setZoom(double zoom) { zoom_ = zoom; }
    // The open editor, if any.
    TSCellEditor* editor() const { return editor_; }
    // A widget given this property (the find field) may take the focus from
    // the open editor without closing it: the editor keeps showing its
    // selection (a found match) while the user types there.
    static constexpr const char* kKeepsEditorOpen = "tsKeepsCellEditorOpen";

private:
    void editorGrew();
    // The text laid out at the width (in unscaled units). The view measures
    // a row and then draws it: the cells measured last are kept laid out, so
    // drawing them does not lay them out again.
    const QTextDocument& laidOut(const ts::AttributedStringPtr& text, double width) const;
    struct LaidOut {
        ts::AttributedStringPtr text;
        quint64 changeCount = 0;
        double width = 0;
        std::unique_ptr<QTextDocument> document;
    };
    mutable std::deque<LaidOut> recent_;
    QTreeView* view_;
    TSOutlineModel* model_;
    double zoom_ = 1.0;
    mutable QPointer<TSCellEditor> editor_;
    mutable QPersistentModelIndex editing_;
};
