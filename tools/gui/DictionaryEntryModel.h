#pragma once
// A root entry's trees as an item model for NBOutlineView: the top rows are
// the root's visible children, each row's children its visible children.
// Columns are addressed by identifier ("Entry", "Type", "freq", or any
// other key of an entry's values); the identifier is the header's
// NBOutlineView::kIdentifierRole data.
//
// Main thread. The trees must not change while the model shows them except
// through setRoot(), which resets the model.
#include "dictionaries/DictionaryEntry.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QStringList>

#include <functional>

class DictionaryEntryModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit DictionaryEntryModel(QStringList columnIdentifiers, QObject* parent = nullptr);

    const DictionaryEntryPtr& root() const { return root_; }
    // Null shows nothing.
    void setRoot(DictionaryEntryPtr root);
    void reload();

    DictionaryEntry* entryAt(const QModelIndex& index) const;
    DictionaryEntryPtr entryPtrAt(const QModelIndex& index) const;
    // The value an entry shows in a column: the entry's objectForKey, except
    // that an alternative headword shows no type.
    ts::Value valueAt(const QModelIndex& index) const;
    // The row of an entry shown in the model; invalid when it is not shown.
    QModelIndex indexForEntry(const DictionaryEntry* entry, int column = 0) const;
    // Entries of the "Entry" column are editable when an edit handler is set;
    // it answers whether it took the text.
    // The Type column of an entry without a type (0) or of a word-form
    // sample shows nothing.
    void setHidesUnknownTypes(bool hides) { hidesUnknownTypes_ = hides; }
    using EditHandler = std::function<bool(const QModelIndex&, const QString&)>;
    void setEditHandler(EditHandler handler) { editHandler_ = std::move(handler); }
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QString identifier(int column) const { return columns_.value(column); }
    int columnOf(const QString& identifier) const { return int(columns_.indexOf(identifier)); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    DictionaryEntry* node(const QModelIndex& index) const;
    int rowOf(const DictionaryEntry* entry) const;

    QStringList columns_;
    DictionaryEntryPtr root_;
    // Rows of the top-level entries, whose own parent links may point
    // elsewhere (a dictionary's headwords).
    QHash<const DictionaryEntry*, int> topRows_;
    // The node each shown entry was reached from: a copied entry shares its
    // children with the original, whose parent links point there, so the
    // shown tree is remembered as it is walked rather than read back.
    mutable QHash<const DictionaryEntry*, const DictionaryEntry*> shownParent_;
    EditHandler editHandler_;
    bool hidesUnknownTypes_ = false;
};
