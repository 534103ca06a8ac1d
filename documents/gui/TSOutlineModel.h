#pragma once
// The item model the document window's outline shows: the text tree of a
// TSDocument, one row per chunk, three columns: "location", "latin" and
// "english" (the English column shows the document's englishIdentifier key).
//
// Items point at chunks by raw pointer; the tree is owned by the document,
// which outlives the model (the window, and with it the model, closes with
// the document). Every edit through setData (a cell's text, a location's
// text or flag) marks the document edited. Main thread only.

#include "documents/TSDocument.h"
#include "textmodel/TSChunk.h"

#include <QAbstractItemModel>

class TSMatchedChunk;

class TSOutlineModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Column { LocationColumn = 0, LatinColumn = 1, EnglishColumn = 2, ColumnCount = 3 };
    // The rich text a cell shows (an AttributedStringPtr wrapped in a
    // QVariant of ts::Value), and whether the row is a flagged location.
    static constexpr int RichTextRole = Qt::UserRole + 1;
    static constexpr int FlaggedRole = Qt::UserRole + 2;

    explicit TSOutlineModel(TSDocumentPtr document, QObject* parent = nullptr);

    static QString identifierForColumn(int column);
    // The chunk key a column shows ("english" becomes the document's
    // englishIdentifier).
    QString keyForColumn(int column) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    TSChunk* chunkForIndex(const QModelIndex& index) const;
    QModelIndex indexForChunk(const TSChunk* chunk, int column = 0) const;
    // The rich text of a cell; null for a cell without text.
    ts::AttributedStringPtr richText(const QModelIndex& index) const;
    // Replaces the text a cell shows and marks the document edited.
    bool setRichText(const QModelIndex& index, const ts::AttributedString& text);
    // Adds an empty line after the index's line (as the first line of a
    // header) or, for an invalid index, at the end; marks the document
    // edited and answers the new line's index in the column asked for.
    QModelIndex insertLineAfter(const QModelIndex& index, int column = LatinColumn);
    // Flags or unflags the row's location and marks the document edited.
    void toggleFlag(const QModelIndex& index);
    // Shows the other English text in the English column.
    void changeIdentifier();
    void reload();

    const TSDocumentPtr& document() const { return document_; }

private:
    TSChunk* root() const;
    TSDocumentPtr document_;
};
