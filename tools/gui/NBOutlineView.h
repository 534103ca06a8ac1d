#pragma once
// The outline view every tree of dictionary entries is shown in: a tree view
// that, once it has an outline delegate, hands Command-arrow (Control-arrow
// here) and Delete keys to that delegate instead of acting on them, and asks
// it for the menu of the row under the pointer with the column's identifier.
// A view without a delegate behaves as a plain tree view, so windows that
// need neither (the MDict preview) keep the usual keyboard navigation. In a
// view that allows an extended selection, Shift with Up or Down still grows
// the selection.
//
// Column identifiers are the model's horizontal header data under
// NBOutlineView::kIdentifierRole, or the header text when the model gives none.
#include <QMenu>
#include <QModelIndex>
#include <QPointer>
#include <QTreeView>

class NBOutlineView;

// Every operation is optional: the defaults do nothing, and a delegate
// overrides those it takes.
class NBOutlineViewProtocol {
public:
    virtual ~NBOutlineViewProtocol() = default;
    virtual void outlineDeleteKeyPressed(NBOutlineView*) {}
    virtual void outlineUpKeyPressed(NBOutlineView*) {}
    virtual void outlineDownKeyPressed(NBOutlineView*) {}
    virtual void outlineLeftKeyPressed(NBOutlineView*) {}
    virtual void outlineRightKeyPressed(NBOutlineView*) {}
    // The menu for a secondary click on the row of `item`, in the column with
    // that identifier; null for none. The caller owns the menu.
    virtual QMenu* menuForEvent(const QPoint& /*globalPosition*/, const QModelIndex& /*item*/, NBOutlineView*,
                                const QString& /*columnIdentifier*/) {
        return nullptr;
    }
};

class NBOutlineView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kIdentifierRole = Qt::UserRole + 40;

    explicit NBOutlineView(QWidget* parent = nullptr);
    // Not owned. A QObject delegate is forgotten when it is destroyed; any
    // other must be cleared by its owner before it goes.
    void setOutlineDelegate(NBOutlineViewProtocol* delegate);
    NBOutlineViewProtocol* outlineDelegate() const;
    // Rebuilds the rows from the model, keeping nothing of the old ones.
    void reloadData();
    // The identifier of a column; empty for none.
    QString columnIdentifier(int column) const;
    int columnWithIdentifier(const QString& identifier) const;
    // The menu a secondary click at `pos` (viewport coordinates) shows; null
    // below the last row, outside every column or without a delegate.
    QMenu* menuAt(const QPoint& pos, const QPoint& globalPosition);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    NBOutlineViewProtocol* outlineDelegate_ = nullptr;
    QPointer<QObject> delegateObject_;
    bool delegateIsObject_ = false;
};
