#include "documents/gui/TSOutlineModel.h"

#include "app/core/Preferences.h"
#include "platform/AttributedString.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <typeinfo>

Q_DECLARE_METATYPE(ts::AttributedStringPtr)

namespace {

const QString kLocation = QStringLiteral("location");
const QString kLatin = QStringLiteral("latin");
const QString kEnglish = QStringLiteral("english");

// Asked for every row the view lays out: the exact class is told first,
// without the search of a full cast.
TSMatchedChunk* matched(TSChunk* chunk) {
    if (chunk && typeid(*chunk) == typeid(TSMatchedChunk)) return static_cast<TSMatchedChunk*>(chunk);
    return dynamic_cast<TSMatchedChunk*>(chunk);
}

}  // namespace

TSOutlineModel::TSOutlineModel(TSDocumentPtr document, QObject* parent)
    : QAbstractItemModel(parent), document_(std::move(document)) {}

QString TSOutlineModel::identifierForColumn(int column) {
    switch (column) {
    case LocationColumn: return kLocation;
    case LatinColumn: return kLatin;
    case EnglishColumn: return kEnglish;
    default: return {};
    }
}

QString TSOutlineModel::keyForColumn(int column) const {
    if (column == EnglishColumn) return document_->englishIdentifier();
    return identifierForColumn(column);
}

TSChunk* TSOutlineModel::root() const { return document_->text().get(); }

TSChunk* TSOutlineModel::chunkForIndex(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TSChunk*>(index.internalPointer()) : root();
}

QModelIndex TSOutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    TSChunk* p = chunkForIndex(parent);
    if (!p) return {};
    TSChunk* child = p->childNodeAt(row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TSOutlineModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    const TSChunkPtr p = chunkForIndex(child)->parent();
    if (!p || p.get() == root()) return {};
    const TSChunkPtr grand = p->parent();
    if (!grand) return {};
    return createIndex(int(grand->indexOfChild(p.get())), 0, p.get());
}

int TSOutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    TSChunk* p = chunkForIndex(parent);
    return p ? int(p->numChildren()) : 0;
}

int TSOutlineModel::columnCount(const QModelIndex&) const { return ColumnCount; }

QModelIndex TSOutlineModel::indexForChunk(const TSChunk* chunk, int column) const {
    if (!chunk || chunk == root()) return {};
    const TSChunkPtr p = chunk->parent();
    if (!p) return {};
    return createIndex(int(p->indexOfChild(chunk)), column, const_cast<TSChunk*>(chunk));
}

ts::AttributedStringPtr TSOutlineModel::richText(const QModelIndex& index) const {
    TSMatchedChunk* chunk = matched(chunkForIndex(index));
    if (!chunk || !index.isValid()) return nullptr;
    switch (index.column()) {
    case LocationColumn: return chunk->displayLocation(Preferences::preferences()->numberBySubsection());
    case LatinColumn: {
        auto latin = chunk->latin();
        // A header without Latin shows its name.
        if ((!latin || latin->length() == 0) && chunk->isHeader() && !chunk->chunkName().isEmpty())
            return ts::AttributedString::make(chunk->chunkName(), document_->baseFontAttributes());
        return latin;
    }
    case EnglishColumn:
        return document_->englishIdentifier() == QLatin1String("perseusEnglish") ? chunk->perseusEnglish() : chunk->english();
    default: return nullptr;
    }
}

QVariant TSOutlineModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        auto text = richText(index);
        return text ? text->string() : QString();
    }
    case RichTextRole: return QVariant::fromValue(richText(index));
    case FlaggedRole: return chunkForIndex(index)->flagged();
    case Qt::ToolTipRole: {
        // A line placed in the facsimile says on which page.
        TSMatchedChunk* chunk = index.column() == LocationColumn ? matched(chunkForIndex(index)) : nullptr;
        if (!chunk || !chunk->pdfLocation().isDictionary()) return {};
        const ts::Value page = chunk->pdfLocation().dictionary().count(QStringLiteral("pageNumber"))
                                   ? chunk->pdfLocation().dictionary().at(QStringLiteral("pageNumber"))
                                   : ts::Value();
        if (!page.isNumber()) return {};
        return QStringLiteral("Facsimile page %1").arg(page.toInt64() + 1);
    }
    default: return {};
    }
}

bool TSOutlineModel::setRichText(const QModelIndex& index, const ts::AttributedString& text) {
    TSMatchedChunk* chunk = matched(chunkForIndex(index));
    if (!chunk || !index.isValid()) return false;
    auto copy = std::make_shared<ts::AttributedString>(text);
    switch (index.column()) {
    case LocationColumn: chunk->setLocation(copy); break;
    case LatinColumn: chunk->setLatin(copy); break;
    case EnglishColumn:
        if (document_->englishIdentifier() == QLatin1String("perseusEnglish")) chunk->setPerseusEnglish(copy);
        else chunk->setEnglish(copy);
        break;
    default: return false;
    }
    document_->updateChangeCount(ts::Document::ChangeDone);
    Q_EMIT dataChanged(index, index);
    return true;
}

bool TSOutlineModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role == RichTextRole) {
        auto text = value.value<ts::AttributedStringPtr>();
        return text && setRichText(index, *text);
    }
    if (role != Qt::EditRole) return false;
    // Plain text keeps the attributes the cell's text began with.
    auto old = richText(index);
    ts::Attributes attributes = old && old->length() > 0 ? old->attributes(0) : document_->baseFontAttributes();
    if (index.column() == LocationColumn) attributes.erase(ts::AttributeName::BackgroundColor);
    return setRichText(index, ts::AttributedString(value.toString(), attributes));
}

QModelIndex TSOutlineModel::insertLineAfter(const QModelIndex& index, int column) {
    TSChunk* after = index.isValid() ? chunkForIndex(index) : nullptr;
    TSChunkPtr parent;
    qint64 row = 0;
    if (after && after->isHeader()) {
        parent = after->childAt(0)->parent();
    } else if (after) {
        parent = after->parent();
        row = parent ? parent->indexOfChild(after) + 1 : 0;
    }
    TSChunk* container = parent ? parent.get() : root();
    if (!container) return {};
    if (!after) row = container->numChildren();
    const QModelIndex parentIndex = indexForChunk(container);
    beginInsertRows(parentIndex, int(row), int(row));
    container->insertChild(std::make_shared<TSMatchedChunk>(), row);
    endInsertRows();
    document_->updateChangeCount(ts::Document::ChangeDone);
    return this->index(int(row), column, parentIndex);
}

void TSOutlineModel::toggleFlag(const QModelIndex& index) {
    TSChunk* chunk = chunkForIndex(index);
    if (!chunk || !index.isValid()) return;
    chunk->setFlagged(!chunk->flagged());
    document_->updateChangeCount(ts::Document::ChangeDone);
    const QModelIndex location = this->index(index.row(), LocationColumn, index.parent());
    Q_EMIT dataChanged(location, location);
}

Qt::ItemFlags TSOutlineModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (matched(chunkForIndex(index))) f |= Qt::ItemIsEditable;
    return f;
}

QVariant TSOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case LocationColumn: return QStringLiteral("Location");
    case LatinColumn: return QStringLiteral("Latin");
    case EnglishColumn:
        return document_->englishIdentifier() == QLatin1String("perseusEnglish") ? QStringLiteral("English (imported)")
                                                                                  : QStringLiteral("English");
    default: return {};
    }
}

void TSOutlineModel::changeIdentifier() {
    document_->setEnglishIdentifier(document_->englishIdentifier() == QLatin1String("english") ? QStringLiteral("perseusEnglish")
                                                                                                 : QStringLiteral("english"));
    reload();
}

void TSOutlineModel::reload() {
    beginResetModel();
    endResetModel();
}
