#include "import/gui/ImportPreviewModel.h"

#include "app/core/Preferences.h"
#include "textmodel/TSMatchedChunk.h"

ImportPreviewModel::ImportPreviewModel(QObject* parent) : QAbstractItemModel(parent) {}

void ImportPreviewModel::setBooks(std::vector<TSTextPtr> books, const QString& identifier) {
    beginResetModel();
    books_ = std::move(books);
    identifier_ = identifier;
    bookRows_.clear();
    shownParent_.clear();
    for (int i = 0; i < int(books_.size()); ++i) bookRows_.insert(books_[size_t(i)].get(), i);
    endResetModel();
}

TSChunk* ImportPreviewModel::chunkAt(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TSChunk*>(index.internalPointer()) : nullptr;
}

TSTextPtr ImportPreviewModel::bookAt(const QModelIndex& index) const {
    if (!index.isValid() || index.parent().isValid() || index.row() >= int(books_.size())) return nullptr;
    return books_[size_t(index.row())];
}

QModelIndex ImportPreviewModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column > 1) return {};
    if (!parent.isValid()) {
        if (row >= int(books_.size())) return {};
        return createIndex(row, column, books_[size_t(row)].get());
    }
    TSChunk* owner = chunkAt(parent);
    if (!owner) return {};
    TSChunkPtr child = owner->childAt(row);
    if (!child) return {};
    shownParent_.insert(child.get(), owner);
    return createIndex(row, column, child.get());
}

QModelIndex ImportPreviewModel::parent(const QModelIndex& child) const {
    TSChunk* c = chunkAt(child);
    if (!c || bookRows_.contains(c)) return {};
    const TSChunk* up = shownParent_.value(c);
    if (!up) return {};
    auto book = bookRows_.constFind(up);
    if (book != bookRows_.constEnd()) return createIndex(*book, 0, const_cast<TSChunk*>(up));
    const TSChunk* grand = shownParent_.value(up);
    if (!grand) return {};
    const std::vector<TSChunkPtr> siblings = grand->childNodes();
    for (int i = 0; i < int(siblings.size()); ++i)
        if (siblings[size_t(i)].get() == up) return createIndex(i, 0, const_cast<TSChunk*>(up));
    return {};
}

int ImportPreviewModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return int(books_.size());
    if (parent.column() > 0) return 0;
    TSChunk* c = chunkAt(parent);
    return c ? int(c->childNodes().size()) : 0;
}

int ImportPreviewModel::columnCount(const QModelIndex&) const { return 2; }

QVariant ImportPreviewModel::data(const QModelIndex& index, int role) const {
    TSChunk* c = chunkAt(index);
    if (!c) return {};
    auto* line = dynamic_cast<TSMatchedChunk*>(c);
    if (role == RichTextRole) {
        if (!line) return {};
        ts::AttributedStringPtr text;
        if (index.column() == 0) {
            PreferencesPtr p = Preferences::preferences();
            text = line->displayLocation(p && p->numberBySubsection());
        } else {
            text = line->textForKey(identifier_);
        }
        return text ? QVariant::fromValue(text) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (!line) {
        if (index.column() != 0) return {};
        // A book without a name of its own is still a row one can point at.
        if (c->name().isEmpty() && bookRows_.contains(c)) return tr("Book %1").arg(bookRows_.value(c) + 1);
        return c->name();
    }
    if (index.column() == 0) {
        PreferencesPtr p = Preferences::preferences();
        auto loc = line->displayLocation(p && p->numberBySubsection());
        return loc ? loc->string() : QString();
    }
    auto text = line->textForKey(identifier_);
    if (text && !text->string().isEmpty()) return text->string();
    // A section without text of its own shows its name.
    return c->childNodes().empty() ? QVariant() : QVariant(c->name());
}

QVariant ImportPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? tr("Location") : (identifier_ == QLatin1String("latin") ? tr("Latin") : tr("Translation"));
}
