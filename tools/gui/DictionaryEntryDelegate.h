#pragma once
// Draws a DictionaryEntryModel's cells: rich text for the entry and type
// columns, laid out at the column's width so that a row is as tall as its
// entry's text, and the frequency column as a level indicator that stays
// empty when an entry has no frequency.
#include <QStyledItemDelegate>

class QTextDocument;
class QTreeView;

class DictionaryEntryDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit DictionaryEntryDelegate(QTreeView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The frequencies the indicator spans (1 to 10).
    static constexpr double kMaxFrequency = 10.0;
    // Rows never shrink below one line of the view's font, even for an
    // entry without text.
    int minimumRowHeight() const;

    // The cell's text laid out for a width; false when it has none. The type
    // column's texts (a sense's numeral among them) start at the column's
    // left edge, away from the frequency column beside it.
    bool layout(const QModelIndex& index, int width, QTextDocument& document) const;

private:
    int textWidth(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    QTreeView* view_;
};
