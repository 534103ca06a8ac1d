#include "tools/gui/TSConstructionSearch.h"

#include "app/logging/LGLog.h"
#include "platform/Dispatch.h"
#include "platform/gui/RichTextConversion.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

// ---- ConstructionResultModel -------------------------------------------------

void ConstructionResultModel::appendPage(const TSConstructionResultPtr& page) {
    const int row = int(results_.size());
    beginInsertRows({}, row, row);
    results_.push_back(page);
    endInsertRows();
}

void ConstructionResultModel::clear() {
    beginResetModel();
    results_.clear();
    endResetModel();
}

TSConstructionResult* ConstructionResultModel::node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TSConstructionResult*>(index.internalPointer()) : nullptr;
}

int ConstructionResultModel::rowOf(const TSConstructionResult* node) const {
    const TSConstructionResultPtr parent = node->parent();
    const std::vector<TSConstructionResultPtr>& list = parent ? parent->children() : results_;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == node) return int(i);
    return -1;
}

bool ConstructionResultModel::removeNode(const QModelIndex& index) {
    TSConstructionResult* n = node(index);
    if (!n) return false;
    const int row = index.row();
    beginRemoveRows(index.parent(), row, row);
    const TSConstructionResultPtr parent = n->parent();
    if (parent) parent->removeChild(n);
    else results_.erase(results_.begin() + row);
    endRemoveRows();
    return true;
}

QModelIndex ConstructionResultModel::index(int row, int column, const QModelIndex& parent) const {
    const TSConstructionResult* p = node(parent);
    const std::vector<TSConstructionResultPtr>& list = p ? p->children() : results_;
    if (row < 0 || row >= int(list.size()) || column != 0) return {};
    return createIndex(row, column, list[size_t(row)].get());
}

QModelIndex ConstructionResultModel::parent(const QModelIndex& child) const {
    const TSConstructionResult* n = node(child);
    if (!n) return {};
    const TSConstructionResultPtr p = n->parent();
    if (!p) return {};
    return createIndex(rowOf(p.get()), 0, p.get());
}

int ConstructionResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    const TSConstructionResult* p = node(parent);
    return p ? p->numChildren() : int(results_.size());
}

QVariant ConstructionResultModel::data(const QModelIndex& index, int role) const {
    const TSConstructionResult* n = node(index);
    if (!n) return {};
    if (role == Qt::DisplayRole) return n->result() ? n->result()->string() : n->name();
    if (role == Qt::FontRole && !n->result()) {
        QFont f;
        f.setBold(!n->parent());
        return f;
    }
    return {};
}

QVariant ConstructionResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) return tr("Sentences");
    return {};
}

// ---- ConstructionResultDelegate -----------------------------------------------

namespace {

bool layoutSentence(const QModelIndex& index, int width, QTextDocument& document) {
    const auto* model = qobject_cast<const ConstructionResultModel*>(index.model());
    const TSConstructionResult* n = model ? model->node(index) : nullptr;
    if (!n || !n->result()) return false;
    RichTextConversion::toTextDocument(*n->result(), document);
    document.setDocumentMargin(2);
    document.setTextWidth(std::max(40, width));
    return true;
}

}  // namespace

void ConstructionResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    QTextDocument document;
    if (!layoutSentence(index, option.rect.width(), document)) return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (option.state & QStyle::State_Selected)
        context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize ConstructionResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto* view = qobject_cast<const QTreeView*>(option.widget);
    int width = option.rect.width();
    if (view) {
        int depth = 0;
        for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ++depth;
        width = view->viewport()->width() - view->indentation() * (depth + 1);
    }
    QTextDocument document;
    if (!layoutSentence(index, width, document)) return {width, 22};
    const int height = std::max(5, int(std::ceil(document.size().height())));
    return {width, height == 5 ? 22 : height + 3};
}

// ---- TSConstructionSearch ---------------------------------------------------------

TSConstructionSearch::TSConstructionSearch() {
    setWindowTitle(tr("Construction Search"));
    setObjectName(QStringLiteral("TSConstructionSearch"));
    urlField = new QLineEdit;
    urlField->setPlaceholderText(tr("Address of a page of Latin text"));
    searchButton = new QPushButton(tr("Search"));
    searchButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setEnabled(false);
    progressIndicator = new QProgressBar;
    progressIndicator->setRange(0, 0);
    progressIndicator->setMaximumWidth(120);
    progressIndicator->setTextVisible(false);
    progressIndicator->hide();
    progressField = new QLabel;
    progressField->setWordWrap(true);
    progressField->setTextInteractionFlags(Qt::TextSelectableByMouse);
    model_ = new ConstructionResultModel(this);
    resultsView = new NBOutlineView;
    resultsView->setModel(model_);
    resultsView->setItemDelegate(new ConstructionResultDelegate(resultsView));
    resultsView->setUniformRowHeights(false);
    resultsView->setWordWrap(true);
    resultsView->header()->setStretchLastSection(true);
    resultsView->setOutlineDelegate(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Address:")));
    top->addWidget(urlField, 1);
    top->addWidget(searchButton);
    top->addWidget(cancelButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progressIndicator);
    bottom->addWidget(progressField, 1);
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(resultsView, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);
    resize(820, 560);

    connect(searchButton, &QPushButton::clicked, this, &TSConstructionSearch::doSearch);
    connect(urlField, &QLineEdit::returnPressed, this, &TSConstructionSearch::doSearch);
    connect(cancelButton, &QPushButton::clicked, this, &TSConstructionSearch::cancelSearch);
}

TSConstructionSearch::~TSConstructionSearch() {
    if (cancel_) cancel_->store(true);
    resultsView->setOutlineDelegate(nullptr);
}

void TSConstructionSearch::setSearching(bool searching) {
    searching_ = searching;
    progressIndicator->setVisible(searching);
    cancelButton->setEnabled(searching);
}

void TSConstructionSearch::doSearch() {
    const QUrl url(urlField->text().trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    if (!url.isValid() || (web ? url.host().isEmpty() : scheme != QLatin1String("file"))) return;
    // The running crawl, if any, stops and its late pages are dropped.
    if (cancel_) cancel_->store(true);
    cancel_ = std::make_shared<std::atomic_bool>(false);
    const quint64 generation = ++generation_;
    model_->clear();
    unreadPages_.clear();
    progressField->setText(tr("Starting"));
    setSearching(true);

    QPointer<TSConstructionSearch> self(this);
    auto current = [self, generation] { return self && self->generation_ == generation; };
    const int limit = pageLimit_;
    std::shared_ptr<std::atomic_bool> cancel = cancel_;
    ts::DispatchQueue::global()->async([url, limit, cancel, self, current] {
        ConstructionSearch::CrawlCallbacks callbacks;
        callbacks.progress = [self, current](const QUrl& page) {
            const QString path = page.path();
            if (path.isEmpty()) return;
            ts::DispatchQueue::main()->async([self, current, path] {
                if (current()) self->progressField->setText(path);
            });
        };
        callbacks.failed = [self, current](const QUrl& page, const QString& why) {
            const QString address = page.toString();
            ts::DispatchQueue::main()->async([self, current, address, why] {
                if (!current()) return;
                self->unreadPages_ << tr("The page %1 could not be read: %2.").arg(address, why);
                self->progressField->setText(self->unreadPages_.last());
            });
        };
        callbacks.found = [self, current](TSConstructionResultPtr node) {
            ts::DispatchQueue::main()->async([self, current, node] {
                if (current()) self->model_->appendPage(node);
            });
        };
        ConstructionSearch::CrawlOptions options;
        options.pageLimit = limit;
        const int pages = ConstructionSearch::crawl(url, options, *cancel, callbacks);
        ts::DispatchQueue::main()->async([self, current, pages, cancel] {
            if (!current()) return;
            self->setSearching(false);
            QString summary = cancel->load() ? tr("Cancelled after %n page(s)", nullptr, pages)
                                             : tr("%n page(s) read", nullptr, pages);
            // The first page that could not be read says why; more are counted.
            if (!self->unreadPages_.isEmpty()) {
                summary += QStringLiteral(". ") + self->unreadPages_.first();
                if (self->unreadPages_.size() > 1)
                    summary += QLatin1Char(' ') + tr("%n more page(s) could not be read.", nullptr, int(self->unreadPages_.size() - 1));
            }
            self->progressField->setText(summary);
            self->expandAll();
            Q_EMIT self->searchFinished(pages);
        });
    });
}

void TSConstructionSearch::cancelSearch() {
    if (cancel_) cancel_->store(true);
}

void TSConstructionSearch::expandAll() { resultsView->expandAll(); }

void TSConstructionSearch::outlineDeleteKeyPressed(NBOutlineView* view) {
    model_->removeNode(view->currentIndex());
}
