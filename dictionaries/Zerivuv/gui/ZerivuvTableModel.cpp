#include "dictionaries/Zerivuv/gui/ZerivuvTableModel.h"

#include "platform/Prompter.h"

#include <algorithm>

ZerivuvTableModel::ZerivuvTableModel(QObject* parent) : QAbstractTableModel(parent) {}

QStringList ZerivuvTableModel::columnKeys() {
    return {QStringLiteral("characters"), QStringLiteral("transcription"), QStringLiteral("category"),
            QStringLiteral("image")};
}

void ZerivuvTableModel::setZerivuv(ZerivuvPtr table) {
    zerivuv_ = std::move(table);
    pictures_.clear();
    rebuild();
}

void ZerivuvTableModel::setSearchText(const QString& text) {
    searchText_ = text;
    rebuild();
}

QString ZerivuvTableModel::textOf(const ZerivuvEntryPtr& e, const QString& key) {
    if (key == QLatin1String("characters")) return e->characters();
    if (key == QLatin1String("transcription")) return e->transcription();
    if (key == QLatin1String("category")) return ZerivuvEntry::textForm(e->category());
    return {};
}

void ZerivuvTableModel::rebuild() {
    beginResetModel();
    rows_ = zerivuv_ ? zerivuv_->recordsContainingString(searchText_) : std::vector<ZerivuvEntryPtr>{};
    const QString key = columnKeys().value(sortColumn_);
    // Pictures have no order of their own; the search order stands for them.
    if (key != QLatin1String("image") && !key.isEmpty()) {
        std::stable_sort(rows_.begin(), rows_.end(), [&](const ZerivuvEntryPtr& a, const ZerivuvEntryPtr& b) {
            const int c = textOf(a, key).compare(textOf(b, key), Qt::CaseInsensitive);
            return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
        });
    }
    endResetModel();
}

void ZerivuvTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnKeys().size()) return;
    sortColumn_ = column;
    sortOrder_ = order;
    rebuild();
}

int ZerivuvTableModel::firstIndexOfDisplay(const QString& text) const {
    if (rows_.empty()) return -1;
    QString key = columnKeys().value(sortColumn_);
    Qt::SortOrder order = sortOrder_;
    if (key == QLatin1String("image")) {
        key = QStringLiteral("transcription");
        order = Qt::AscendingOrder;
    }
    for (size_t i = 0; i < rows_.size(); ++i) {
        const int c = textOf(rows_[i], key).compare(text, Qt::CaseInsensitive);
        if (order == Qt::AscendingOrder ? c >= 0 : c < 0) return int(i);
    }
    return int(rows_.size()) - 1;
}

int ZerivuvTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ZerivuvTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columnKeys().size());
}

QVariant ZerivuvTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const ZerivuvEntryPtr& e = rows_[size_t(index.row())];
    const QString key = columnKeys().value(index.column());
    if (key == QLatin1String("image")) {
        if (role != Qt::DecorationRole && role != Qt::SizeHintRole) return {};
        auto it = pictures_.find(e.get());
        if (it == pictures_.end()) {
            QPixmap pixmap;
            const QByteArray bytes = e->image();
            if (!bytes.isEmpty() && pixmap.loadFromData(bytes))
                pixmap = pixmap.scaledToHeight(kImageHeight, Qt::SmoothTransformation);
            // Only pictures that loaded are kept: a missing one is tried again.
            if (pixmap.isNull()) return {};
            it = pictures_.insert(e.get(), pixmap);
        }
        if (role == Qt::SizeHintRole) return it->size() + QSize(8, 8);
        return *it;
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return textOf(e, key);
    return {};
}

QVariant ZerivuvTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* titles[] = {"Abbreviation", "Transcription", "Category", "Picture"};
    if (section < 0 || section >= 4) return {};
    return ts::Prompter::localized(QString::fromUtf8(titles[section]));
}
