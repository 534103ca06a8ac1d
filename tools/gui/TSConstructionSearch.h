#pragma once
// The construction search window: the user gives the address of a page of
// Latin text; the window crawls it and the pages it links to (same host,
// same folder or below, up to a page limit) and lists the prohibitions found
// ("ne" + subjunctive or imperative, "noli" + infinitive) by page and by
// construction, each sentence with its clause emphasised.
//
// A search runs on the global queue; each page's node is built there and
// handed to the main thread whole. A new search supersedes a running one (its
// late results are dropped); Cancel stops it after the page being read.
// Delete removes the selected node.
//
// Threads: main thread.

#include "tools/gui/NBOutlineView.h"
#include "tools/net/ConstructionSearch.h"

#include <QAbstractItemModel>
#include <QMainWindow>
#include <QStringList>
#include <QStyledItemDelegate>

#include <atomic>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class ConstructionResultModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int kRichTextRole = Qt::UserRole + 1;
    explicit ConstructionResultModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

    std::vector<TSConstructionResultPtr>& results() { return results_; }
    void appendPage(const TSConstructionResultPtr& page);
    void clear();
    bool removeNode(const QModelIndex& index);
    TSConstructionResult* node(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int rowOf(const TSConstructionResult* node) const;
    std::vector<TSConstructionResultPtr> results_;
};

// Draws a sentence's rich text at the column's width; rows without one are
// 22 pixels high.
class ConstructionResultDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TSConstructionSearch : public QMainWindow, public NBOutlineViewProtocol {
    Q_OBJECT
public:
    TSConstructionSearch();
    ~TSConstructionSearch() override;

    // Starts a crawl at the address in urlField; an address that is not a
    // web or file address does nothing.
    void doSearch();
    void cancelSearch();
    bool isSearching() const { return searching_; }
    void expandAll();
    void setPageLimit(int limit) { pageLimit_ = limit; }
    ConstructionResultModel* model() const { return model_; }

    void outlineDeleteKeyPressed(NBOutlineView* view) override;

    QLineEdit* urlField = nullptr;
    QPushButton* searchButton = nullptr;
    QPushButton* cancelButton = nullptr;
    NBOutlineView* resultsView = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QLabel* progressField = nullptr;

Q_SIGNALS:
    void searchFinished(int pagesRead);

private:
    void setSearching(bool searching);

    ConstructionResultModel* model_ = nullptr;
    std::shared_ptr<std::atomic_bool> cancel_;
    QStringList unreadPages_;  // of the current search, each with its cause
    quint64 generation_ = 0;
    bool searching_ = false;
    int pageLimit_ = 200;
};
