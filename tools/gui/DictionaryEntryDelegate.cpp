#include "tools/gui/DictionaryEntryDelegate.h"

#include "platform/AttributedString.h"
#include "platform/gui/RichTextConversion.h"
#include "tools/gui/DictionaryEntryModel.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeView>

#include <cmath>

namespace {
constexpr int kMargin = 3;
}

DictionaryEntryDelegate::DictionaryEntryDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}

int DictionaryEntryDelegate::minimumRowHeight() const {
    return QFontMetrics(view_->font()).height() + 2 * kMargin;
}

bool DictionaryEntryDelegate::layout(const QModelIndex& index, int width, QTextDocument& document) const {
    auto* model = qobject_cast<const DictionaryEntryModel*>(index.model());
    if (!model) return false;
    const ts::Value v = model->valueAt(index);
    document.setDefaultFont(view_->font());
    document.setDocumentMargin(0);
    if (auto text = v.toObjectAs<ts::AttributedString>())
        RichTextConversion::toTextDocument(*text, document);
    else if (v.isString())
        document.setPlainText(v.toString());
    else
        return false;
    if (model->identifier(index.column()) == DictionaryEntry::kType) {
        QTextCursor all(&document);
        all.select(QTextCursor::Document);
        QTextBlockFormat left;
        left.setAlignment(Qt::AlignLeft);
        all.mergeBlockFormat(left);
    }
    document.setTextWidth(std::max(10, width));
    return true;
}

int DictionaryEntryDelegate::textWidth(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // The width the cell really has: the column less the indentation a
    // nested row loses in the first column, less the margins.
    int width = view_->header()->sectionSize(index.column());
    if (index.column() == 0 && view_->header()->visualIndex(0) == 0) {
        int depth = 1;
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ++depth;
        width -= depth * view_->indentation();
    }
    Q_UNUSED(option);
    return width - 2 * kMargin;
}

void DictionaryEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    auto* model = qobject_cast<const DictionaryEntryModel*>(index.model());
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    if (!model) return;

    if (model->identifier(index.column()) == DictionaryEntry::kFreq) {
        const double level = model->data(index, Qt::DisplayRole).toDouble();
        if (level <= 0) return;
        const QRect r = option.rect.adjusted(kMargin, option.rect.height() / 2 - 4, -kMargin, -(option.rect.height() / 2 - 4));
        const double share = std::min(1.0, level / kMaxFrequency);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->fillRect(QRect(r.left() + 1, r.top() + 1, int(std::lround((r.width() - 2) * share)), r.height() - 2),
                          option.palette.color(QPalette::Highlight));
        painter->restore();
        return;
    }

    QTextDocument document;
    if (!layout(index, textWidth(option, index), document)) return;
    painter->save();
    painter->translate(option.rect.left() + kMargin, option.rect.top() + kMargin);
    painter->setClipRect(QRect(0, 0, option.rect.width() - kMargin, option.rect.height()));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (option.state & QStyle::State_Selected)
        context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize DictionaryEntryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int width = view_->header()->sectionSize(index.column());
    QTextDocument document;
    if (!layout(index, textWidth(option, index), document)) return {width, minimumRowHeight()};
    const int height = int(std::ceil(document.size().height())) + 2 * kMargin;
    return {width, std::max(minimumRowHeight(), height)};
}
