#include "tools/gui/DictionaryEntryModel.h"

#include "platform/AttributedString.h"
#include "tools/gui/NBOutlineView.h"

DictionaryEntryModel::DictionaryEntryModel(QStringList columnIdentifiers, QObject* parent)
    : QAbstractItemModel(parent), columns_(std::move(columnIdentifiers)) {}

void DictionaryEntryModel::setRoot(DictionaryEntryPtr root) {
    beginResetModel();
    root_ = std::move(root);
    topRows_.clear();
    shownParent_.clear();
    if (root_) {
        const qsizetype n = root_->getNumChildren();
        for (qsizetype i = 0; i < n; ++i)
            if (auto child = root_->visibleChildAtIndex(i)) topRows_.insert(child.get(), int(i));
    }
    endResetModel();
}

void DictionaryEntryModel::reload() {
    setRoot(root_);
}

DictionaryEntry* DictionaryEntryModel::node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<DictionaryEntry*>(index.internalPointer()) : root_.get();
}

DictionaryEntry* DictionaryEntryModel::entryAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<DictionaryEntry*>(index.internalPointer()) : nullptr;
}

DictionaryEntryPtr DictionaryEntryModel::entryPtrAt(const QModelIndex& index) const {
    DictionaryEntry* e = entryAt(index);
    if (!e) return nullptr;
    const QModelIndex up = parent(index);
    DictionaryEntry* owner = node(up);
    return owner ? owner->visibleChildAtIndex(index.row()) : nullptr;
}

int DictionaryEntryModel::rowOf(const DictionaryEntry* entry) const {
    auto top = topRows_.constFind(entry);
    if (top != topRows_.constEnd()) return *top;
    const DictionaryEntry* up = shownParent_.value(entry);
    if (!up) {
        DictionaryEntryPtr linked = entry->parent();
        up = linked.get();
    }
    if (!up) return -1;
    const DictionaryEntryList visible = up->visibleChildren();
    for (int i = 0; i < int(visible.size()); ++i)
        if (visible[size_t(i)].get() == entry) return i;
    return -1;
}

QModelIndex DictionaryEntryModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= columns_.size()) return {};
    DictionaryEntry* owner = node(parent);
    if (!owner || row >= owner->getNumChildren()) return {};
    DictionaryEntryPtr child = owner->visibleChildAtIndex(row);
    if (!child) return {};
    if (parent.isValid()) shownParent_.insert(child.get(), owner);
    return createIndex(row, column, child.get());
}

QModelIndex DictionaryEntryModel::parent(const QModelIndex& child) const {
    DictionaryEntry* e = entryAt(child);
    if (!e || topRows_.contains(e)) return {};
    const DictionaryEntry* up = shownParent_.value(e);
    if (!up || up == root_.get()) return {};
    const int row = rowOf(up);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<DictionaryEntry*>(up));
}

int DictionaryEntryModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    DictionaryEntry* owner = node(parent);
    return owner ? int(owner->getNumChildren()) : 0;
}

int DictionaryEntryModel::columnCount(const QModelIndex&) const {
    return int(columns_.size());
}

bool DictionaryEntryModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

ts::Value DictionaryEntryModel::valueAt(const QModelIndex& index) const {
    DictionaryEntry* e = entryAt(index);
    if (!e) return {};
    const QString id = identifier(index.column());
    if (id == DictionaryEntry::kType && e->isAlternative()) return {};
    if (id == DictionaryEntry::kType && hidesUnknownTypes_ &&
        (e->type() == DictionaryEntry::Uninitialised || e->type() == DictionaryEntry::WordFormSample))
        return {};
    return e->objectForKey(id);
}

QModelIndex DictionaryEntryModel::indexForEntry(const DictionaryEntry* entry, int column) const {
    if (!entry || !root_) return {};
    // The chain from the entry up to a top row, then down again by rows.
    std::vector<const DictionaryEntry*> chain;
    for (const DictionaryEntry* e = entry; e; ) {
        chain.push_back(e);
        if (topRows_.contains(e)) break;
        const DictionaryEntry* up = shownParent_.value(e);
        DictionaryEntryPtr linked;
        if (!up) {
            linked = e->parent();
            up = linked.get();
        }
        if (!up || up == root_.get() || chain.size() > 4096) return {};
        e = up;
    }
    if (!topRows_.contains(chain.back())) return {};
    QModelIndex at;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const int row = rowOf(*it);
        if (row < 0) return {};
        at = index(row, 0, at);
        if (!at.isValid() || entryAt(at) != *it) return {};
    }
    return column == 0 ? at : at.siblingAtColumn(column);
}

Qt::ItemFlags DictionaryEntryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractItemModel::flags(index);
    if (index.isValid() && editHandler_ && identifier(index.column()) == DictionaryEntry::kEntry) f |= Qt::ItemIsEditable;
    return f;
}

bool DictionaryEntryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !editHandler_ || !index.isValid()) return false;
    if (!editHandler_(index, value.toString())) return false;
    Q_EMIT dataChanged(index, index);
    return true;
}

QVariant DictionaryEntryModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::EditRole) {
        DictionaryEntry* e = entryAt(index);
        return e ? e->entry() : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    const ts::Value v = valueAt(index);
    if (identifier(index.column()) == DictionaryEntry::kFreq) {
        // The frequency level only: a sense's numeral or any other text
        // stored under the same key belongs in no frequency column.
        if (!v.isNumber() || v.toDouble() <= 0) return {};
        return v.toDouble();
    }
    if (v.isNull()) return {};
    if (v.isString()) return v.toString();
    if (v.isNumber()) return v.toDouble();
    if (auto text = v.toObjectAs<ts::AttributedString>()) return text->string();
    return {};
}

QVariant DictionaryEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
    if (role == NBOutlineView::kIdentifierRole) return columns_[section];
    if (role != Qt::DisplayRole) return {};
    const QString& id = columns_[section];
    if (id == DictionaryEntry::kFreq) return DictionaryEntry::localized(QStringLiteral("Frequency"));
    return DictionaryEntry::localized(id);
}
