#include "tools/gui/NBOutlineView.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <memory>

NBOutlineView::NBOutlineView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(false);
    setWordWrap(true);
    setAlternatingRowColors(true);
}

void NBOutlineView::reloadData() {
    reset();
}

void NBOutlineView::keyPressEvent(QKeyEvent* event) {
    if (outlineDelegate_) {
        const int key = event->key();
        const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
        if (arrow && (event->modifiers() & Qt::ControlModifier)) {
            outlineDelegate_->commandArrowPressed(this, key, currentIndex());
            return;
        }
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            outlineDelegate_->deletePressed(this, currentIndex());
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void NBOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    if (!outlineDelegate_) return QTreeView::contextMenuEvent(event);
    const QModelIndex index = indexAt(event->pos());
    std::unique_ptr<QMenu> menu(outlineDelegate_->menuForRow(this, index));
    if (menu) menu->exec(event->globalPos());
}
