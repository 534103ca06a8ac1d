#pragma once
// The importer's preview: the books of the last conversion as top rows,
// their sections and lines below, two columns: "location" and the text the
// conversion filled ("latin" or "perseusEnglish"). The books' own trees are
// shown as they are: nothing is re-parented, so a book imported later is
// still whole. Main thread; the books must not change while shown.
#include "textmodel/TSChunk.h"
#include "textmodel/TSText.h"

#include <QAbstractItemModel>
#include <QHash>

class ImportPreviewModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int RichTextRole = Qt::UserRole + 1;
    explicit ImportPreviewModel(QObject* parent = nullptr);

    void setBooks(std::vector<TSTextPtr> books, const QString& identifier);
    const std::vector<TSTextPtr>& books() const { return books_; }
    QString identifier() const { return identifier_; }
    TSChunk* chunkAt(const QModelIndex& index) const;
    // The book a top row shows; null for other rows.
    TSTextPtr bookAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TSTextPtr> books_;
    QString identifier_ = QStringLiteral("latin");
    QHash<const TSChunk*, int> bookRows_;
    // The row each shown chunk was reached from.
    mutable QHash<const TSChunk*, const TSChunk*> shownParent_;
};
