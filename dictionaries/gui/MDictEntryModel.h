#pragma once
// The converted entries of an MDict import as an item model: the top rows
// are the entries handed in (at most a preview's worth, kept alive here),
// their rows below the visible children of each. Columns "Entry" and "Type".
// Main thread; the entries must not change while the model shows them.
#include "dictionaries/DictionaryEntry.h"

#include <QAbstractItemModel>
#include <QHash>

class MDictEntryModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;
    void setEntries(DictionaryEntryList entries);
    const DictionaryEntryList& entries() const { return entries_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static DictionaryEntry* entryAt(const QModelIndex& index) { return static_cast<DictionaryEntry*>(index.internalPointer()); }
    int rowOf(const DictionaryEntry* entry) const;
    DictionaryEntryList entries_;
    QHash<const DictionaryEntry*, int> topRows_;
};
