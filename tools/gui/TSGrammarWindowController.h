#pragma once
// The grammar reference browser: the user's grammar usages in an outline
// beside a text browser that shows the reference page of the selected usage.
// Pages come from the grammar page cache: fetched once, on demand, and read
// from the cache afterwards, scrolled to the address's fragment. Cached pages
// are shown without scripts, with their https address as the base; links
// followed in the browser go through the same cache.
//
// A page asked for while another loads waits (one slot, the latest wins)
// and is shown once the running load has ended.
//
// Threads: main thread; fetches run on the global queue.

#include "morphology/TSGrammarCollection.h"
#include "tools/gui/NBOutlineView.h"
#include "tools/net/GrammarPageCache.h"

#include <QAbstractItemModel>
#include <QMainWindow>
#include <QUrl>

class QProgressBar;
class QTextBrowser;

// The usages as a tree; column 0 shows the name, the tool tip the notes.
class GrammarUsageModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit GrammarUsageModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}
    void setGrammar(TSGrammarCollectionPtr grammar);
    TSGrammarUsagePtr usage(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Node {
        TSGrammarUsagePtr usage;
        int parent = -1;  // index in nodes_, -1 for the top level
        int row = 0;
        std::vector<int> children;
    };
    void add(const TSGrammarUsagePtr& usage, int parent, int row);
    const std::vector<int>& childrenOf(const QModelIndex& parent) const;

    TSGrammarCollectionPtr grammar_;
    std::vector<Node> nodes_;
    std::vector<int> top_;
};

class TSGrammarWindowController : public QMainWindow {
    Q_OBJECT
public:
    // Without a grammar the settings' grammar is shown; without a folder the
    // cache's usual folder is used.
    explicit TSGrammarWindowController(TSGrammarCollectionPtr grammar = nullptr, const QString& cacheFolder = {});

    TSGrammarCollectionPtr grammar() const { return grammar_; }
    void reloadGrammar();
    // Shows a page, from the cache when it is there.
    void loadURL(const QUrl& url);
    TSGrammarUsagePtr selectedGrammarUsage() const;
    bool isLoading() const { return loading_; }
    QUrl shownURL() const { return shownUrl_; }
    GrammarPageCache& cache() { return cache_; }

    NBOutlineView* grammarView = nullptr;
    QTextBrowser* webView = nullptr;
    QProgressBar* progressIndicator = nullptr;

Q_SIGNALS:
    // A page (or its failure) has been shown.
    void pageFinished(const QUrl& url, bool ok);

private:
    void selectionChanged(const QModelIndex& current);
    void loaded(const QUrl& url, const GrammarPageCache::Page& page);
    void linkClicked(const QUrl& link);
    // A short note in the page pane in place of a page.
    void showNote(const QString& title, const QString& text);

    TSGrammarCollectionPtr grammar_;
    GrammarUsageModel* model_ = nullptr;
    GrammarPageCache cache_;
    bool loading_ = false;
    QUrl pageToLoad_;
    QUrl shownUrl_;
};
