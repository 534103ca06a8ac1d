#include "dictionaries/gui/MDictEntryModel.h"

#include "dictionaries/DictionaryServices.h"

void MDictEntryModel::setEntries(DictionaryEntryList entries) {
    beginResetModel();
    entries_ = std::move(entries);
    topRows_.clear();
    for (int i = 0; i < int(entries_.size()); ++i) topRows_.insert(entries_[size_t(i)].get(), i);
    endResetModel();
}

QModelIndex MDictEntryModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= 2) return {};
    if (!parent.isValid()) return row < int(entries_.size()) ? createIndex(row, column, entries_[size_t(row)].get()) : QModelIndex();
    const DictionaryEntry* p = entryAt(parent);
    if (row >= p->getNumChildren()) return {};
    const auto child = p->visibleChildAtIndex(row);
    return child ? createIndex(row, column, child.get()) : QModelIndex();
}

int MDictEntryModel::rowOf(const DictionaryEntry* entry) const {
    const auto parent = entry->parent();
    if (!parent || topRows_.contains(entry)) return topRows_.value(entry, -1);
    for (qsizetype i = 0, n = parent->getNumChildren(); i < n; ++i)
        if (parent->visibleChildAtIndex(i).get() == entry) return int(i);
    return -1;
}

QModelIndex MDictEntryModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const DictionaryEntry* e = entryAt(child);
    if (topRows_.contains(e)) return {};
    const auto p = e->parent();
    if (!p) return {};
    const int row = rowOf(p.get());
    return row < 0 ? QModelIndex() : createIndex(row, 0, p.get());
}

int MDictEntryModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(entries_.size());
    if (parent.column() != 0) return 0;
    return int(entryAt(parent)->getNumChildren());
}

int MDictEntryModel::columnCount(const QModelIndex&) const { return 2; }

QVariant MDictEntryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const DictionaryEntry* e = entryAt(index);
    if (index.column() == 0) return e->entry();
    // An entry the import gave no word class shows none.
    return e->isAlternative() || e->type() == DictionaryEntry::Uninitialised ? QString() : e->typeName();
}

QVariant MDictEntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return DictionaryServices::localized(section == 0 ? QStringLiteral("Entry") : QStringLiteral("Type"));
}
