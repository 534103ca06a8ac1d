#include "tools/gui/NBOutlineView.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <memory>

NBOutlineView::NBOutlineView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(false);
    setWordWrap(true);
    setAlternatingRowColors(true);
}

void NBOutlineView::setOutlineDelegate(NBOutlineViewProtocol* delegate) {
    outlineDelegate_ = delegate;
    // A delegate that is a QObject is watched, so a key press after it has
    // gone does nothing instead of calling into freed memory.
    delegateObject_ = dynamic_cast<QObject*>(delegate);
    delegateIsObject_ = delegateObject_ != nullptr;
}

NBOutlineViewProtocol* NBOutlineView::outlineDelegate() const {
    if (delegateIsObject_ && !delegateObject_) return nullptr;
    return outlineDelegate_;
}

void NBOutlineView::reloadData() {
    reset();
}

QString NBOutlineView::columnIdentifier(int column) const {
    if (!model() || column < 0 || column >= model()->columnCount()) return {};
    const QVariant id = model()->headerData(column, Qt::Horizontal, kIdentifierRole);
    if (id.isValid()) return id.toString();
    return model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

int NBOutlineView::columnWithIdentifier(const QString& identifier) const {
    if (!model()) return -1;
    for (int c = 0; c < model()->columnCount(); ++c)
        if (columnIdentifier(c) == identifier) return c;
    return -1;
}

void NBOutlineView::keyPressEvent(QKeyEvent* event) {
    NBOutlineViewProtocol* delegate = outlineDelegate();
    if (!delegate) return QTreeView::keyPressEvent(event);
    // With a delegate every key is the delegate's or nobody's.
    const int key = event->key();
    const bool command = event->modifiers() & Qt::ControlModifier;
    // Shift with Up or Down grows a selection of several rows, the one way
    // to choose more than one row from the keyboard.
    if (!command && (event->modifiers() & Qt::ShiftModifier) && (key == Qt::Key_Up || key == Qt::Key_Down) &&
        selectionMode() == QAbstractItemView::ExtendedSelection)
        return QTreeView::keyPressEvent(event);
    switch (key) {
    case Qt::Key_Up:
        if (command) delegate->outlineUpKeyPressed(this);
        break;
    case Qt::Key_Down:
        if (command) delegate->outlineDownKeyPressed(this);
        break;
    case Qt::Key_Left:
        if (command) delegate->outlineLeftKeyPressed(this);
        break;
    case Qt::Key_Right:
        if (command) delegate->outlineRightKeyPressed(this);
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        delegate->outlineDeleteKeyPressed(this);
        break;
    default:
        break;
    }
    event->accept();
}

QMenu* NBOutlineView::menuAt(const QPoint& pos, const QPoint& globalPosition) {
    NBOutlineViewProtocol* delegate = outlineDelegate();
    if (!delegate) return nullptr;
    const QModelIndex item = indexAt(pos);
    if (!item.isValid()) return nullptr;
    const int column = header()->logicalIndexAt(pos.x());
    if (column < 0) return nullptr;
    return delegate->menuForEvent(globalPosition, item.siblingAtColumn(0), this, columnIdentifier(column));
}

void NBOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    if (!outlineDelegate()) return QTreeView::contextMenuEvent(event);
    std::unique_ptr<QMenu> menu(menuAt(event->pos(), event->globalPos()));
    if (menu) menu->exec(event->globalPos());
    event->accept();
}
