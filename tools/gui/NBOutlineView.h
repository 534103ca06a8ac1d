#pragma once
// The outline view the dictionary trees are shown in: a tree view that
// reports Command-arrow and Delete keys to its delegate and asks it for a
// per-row menu. Windows that need neither use it as a plain tree view.
#include <QMenu>
#include <QModelIndex>
#include <QTreeView>

class NBOutlineView;

class NBOutlineViewProtocol {
public:
    virtual ~NBOutlineViewProtocol() = default;
    // Command (Control) with an arrow key on the current row.
    virtual void commandArrowPressed(NBOutlineView*, int /*key*/, const QModelIndex&) {}
    virtual void deletePressed(NBOutlineView*, const QModelIndex&) {}
    // The context menu of a row; null for none. The caller owns the menu.
    virtual QMenu* menuForRow(NBOutlineView*, const QModelIndex&) { return nullptr; }
};

class NBOutlineView : public QTreeView {
    Q_OBJECT
public:
    explicit NBOutlineView(QWidget* parent = nullptr);
    // Not owned; must outlive the view or be cleared.
    void setOutlineDelegate(NBOutlineViewProtocol* delegate) { outlineDelegate_ = delegate; }
    NBOutlineViewProtocol* outlineDelegate() const { return outlineDelegate_; }
    // Rebuilds the rows from the model, keeping nothing of the old ones.
    void reloadData();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    NBOutlineViewProtocol* outlineDelegate_ = nullptr;
};
