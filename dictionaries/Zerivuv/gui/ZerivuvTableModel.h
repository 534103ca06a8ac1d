#pragma once
// The rows the abbreviations window shows: the table's search result, sorted
// by the column the user chose. Columns are told apart by their keys
// "characters", "transcription", "category" and "image". Main thread only.

#include "dictionaries/Zerivuv/Zerivuv.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>

class ZerivuvTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ZerivuvTableModel(QObject* parent = nullptr);

    static QStringList columnKeys();
    static constexpr int kImageHeight = 56;

    void setZerivuv(ZerivuvPtr table);
    ZerivuvPtr zerivuv() const { return zerivuv_; }
    void setSearchText(const QString& text);
    QString searchText() const { return searchText_; }
    const std::vector<ZerivuvEntryPtr>& displayArray() const { return rows_; }

    // The row to scroll to for a search text under the current sort: the first
    // row at or after it ascending, the first before it descending, else the
    // last row; -1 with no rows.
    int firstIndexOfDisplay(const QString& text) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void rebuild();
    static QString textOf(const ZerivuvEntryPtr& e, const QString& key);

    ZerivuvPtr zerivuv_;
    QString searchText_;
    std::vector<ZerivuvEntryPtr> rows_;
    int sortColumn_ = 1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    mutable QHash<const ZerivuvEntry*, QPixmap> pictures_;
};
