#include "tools/gui/TSGrammarWindowController.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"

#include <QFont>
#include <QHeaderView>
#include <QPointer>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>

// ---- GrammarUsageModel --------------------------------------------------------

void GrammarUsageModel::setGrammar(TSGrammarCollectionPtr grammar) {
    beginResetModel();
    grammar_ = std::move(grammar);
    nodes_.clear();
    top_.clear();
    if (grammar_) {
        int row = 0;
        for (const TSGrammarUsagePtr& u : grammar_->usages()) {
            top_.push_back(int(nodes_.size()));
            add(u, -1, row++);
        }
    }
    endResetModel();
}

void GrammarUsageModel::add(const TSGrammarUsagePtr& usage, int parent, int row) {
    const int me = int(nodes_.size());
    nodes_.push_back({usage, parent, row, {}});
    int childRow = 0;
    for (const TSGrammarUsagePtr& c : usage->children()) {
        const int index = int(nodes_.size());
        nodes_[me].children.push_back(index);
        add(c, me, childRow++);
    }
}

const std::vector<int>& GrammarUsageModel::childrenOf(const QModelIndex& parent) const {
    if (!parent.isValid()) return top_;
    return nodes_[size_t(parent.internalId())].children;
}

TSGrammarUsagePtr GrammarUsageModel::usage(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() >= nodes_.size()) return nullptr;
    return nodes_[size_t(index.internalId())].usage;
}

QModelIndex GrammarUsageModel::index(int row, int column, const QModelIndex& parent) const {
    const std::vector<int>& list = childrenOf(parent);
    if (row < 0 || row >= int(list.size()) || column != 0) return {};
    return createIndex(row, column, quintptr(list[size_t(row)]));
}

QModelIndex GrammarUsageModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const int p = nodes_[size_t(child.internalId())].parent;
    if (p < 0) return {};
    return createIndex(nodes_[size_t(p)].row, 0, quintptr(p));
}

int GrammarUsageModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return int(childrenOf(parent).size());
}

QVariant GrammarUsageModel::data(const QModelIndex& index, int role) const {
    const TSGrammarUsagePtr u = usage(index);
    if (!u) return {};
    switch (role) {
    case Qt::DisplayRole: return u->name();
    case Qt::ToolTipRole: return u->notes().isEmpty() ? QVariant() : QVariant(u->notes());
    case Qt::FontRole:
        if (nodes_[size_t(index.internalId())].parent < 0) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    default: return {};
    }
}

QVariant GrammarUsageModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0) return {};
    if (role == Qt::DisplayRole) return tr("Usage");
    if (role == NBOutlineView::kIdentifierRole) return QStringLiteral("name");
    return {};
}

// ---- TSGrammarWindowController --------------------------------------------------

TSGrammarWindowController::TSGrammarWindowController(TSGrammarCollectionPtr grammar, const QString& cacheFolder)
    : grammar_(grammar ? std::move(grammar) : Preferences::preferences()->grammar()), cache_(cacheFolder) {
    setWindowTitle(tr("Grammar"));
    setObjectName(QStringLiteral("TSGrammarWindowController"));
    model_ = new GrammarUsageModel(this);
    grammarView = new NBOutlineView;
    grammarView->setModel(model_);
    grammarView->header()->setStretchLastSection(true);
    webView = new QTextBrowser;
    webView->setOpenLinks(false);
    webView->setOpenExternalLinks(false);
    progressIndicator = new QProgressBar;
    progressIndicator->setRange(0, 0);
    progressIndicator->setMaximumHeight(12);
    progressIndicator->setTextVisible(false);
    progressIndicator->hide();

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(progressIndicator);
    rightLayout->addWidget(webView, 1);
    auto* splitter = new QSplitter;
    splitter->addWidget(grammarView);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);
    resize(900, 600);
    splitter->setSizes({240, 660});

    connect(grammarView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { selectionChanged(current); });
    connect(webView, &QTextBrowser::anchorClicked, this, &TSGrammarWindowController::linkClicked);
    reloadGrammar();
}

void TSGrammarWindowController::reloadGrammar() {
    model_->setGrammar(grammar_);
    grammarView->expandToDepth(0);
}

TSGrammarUsagePtr TSGrammarWindowController::selectedGrammarUsage() const {
    return model_->usage(grammarView->currentIndex());
}

void TSGrammarWindowController::selectionChanged(const QModelIndex& current) {
    const TSGrammarUsagePtr usage = model_->usage(current);
    if (!usage) return;
    if (!usage->referenceURL() || usage->referenceURL()->toQUrl().isEmpty()) {
        // A blank pane would look like a page still to come.
        showNote(usage->name(), tr("This usage has no reference address, so there is no page to show. "
                                   "An address can be given to it in the settings, under Grammar."));
        return;
    }
    loadURL(usage->referenceURL()->toQUrl());
}

void TSGrammarWindowController::loadURL(const QUrl& url) {
    if (url.isEmpty() || !url.isValid()) {
        TSLogError("Nil url at loadURL");
        return;
    }
    if (loading_) {
        pageToLoad_ = url;
        return;
    }
    loading_ = true;
    pageToLoad_.clear();
    progressIndicator->show();
    QPointer<TSGrammarWindowController> self(this);
    cache_.load(url, [self, url](const GrammarPageCache::Page& page) {
        if (self) self->loaded(url, page);
    });
}

void TSGrammarWindowController::loaded(const QUrl& url, const GrammarPageCache::Page& page) {
    loading_ = false;
    progressIndicator->hide();
    if (pageToLoad_.isValid() && !pageToLoad_.isEmpty()) {
        const QUrl next = pageToLoad_;
        pageToLoad_.clear();
        if (next != url) return loadURL(next);
    }
    if (page.ok) {
        webView->document()->setBaseUrl(page.baseUrl);
        webView->setHtml(page.html);
        if (!page.fragment.isEmpty()) webView->scrollToAnchor(page.fragment);
        shownUrl_ = url;
        statusBar()->showMessage(page.fromCache ? tr("Shown from the cache") : tr("Loaded"), 3000);
    } else {
        statusBar()->showMessage(tr("The page could not be loaded: %1").arg(page.error));
        shownUrl_.clear();
        showNote(tr("No page"), tr("The page %1 could not be reached (%2). The network may be unavailable; "
                                   "a page once shown is kept and can be read without it.")
                                    .arg(url.toString(), page.error));
    }
    Q_EMIT pageFinished(url, page.ok);
}

void TSGrammarWindowController::showNote(const QString& title, const QString& text) {
    webView->document()->setBaseUrl(QUrl());
    webView->setHtml(QStringLiteral("<h3>%1</h3><p>%2</p>").arg(title.toHtmlEscaped(), text.toHtmlEscaped()));
}

void TSGrammarWindowController::linkClicked(const QUrl& link) {
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        webView->scrollToAnchor(link.fragment());
        return;
    }
    // Links resolve against the address the page came from, not its https
    // base, so a page read over plain http stays readable.
    const QUrl target = shownUrl_.resolved(link);
    const QString scheme = target.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) loadURL(target);
}
