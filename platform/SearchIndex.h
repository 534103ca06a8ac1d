#pragma once
// A per-user index of searchable items, standing in for the system's
// desktop search index: each item (identifier, title, text content) is kept
// as one JSON file in the index folder, so that what documents index can be
// read back and searched.
//
// The index's delegate receives the two re-indexing requests; documents
// index themselves when they are saved, so the application's delegate does
// nothing with them.
//
// Threads: any thread; one lock per index. Writes are atomic per item.

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace ts {

struct SearchableItem {
    QString uniqueIdentifier;  // a document's uuid
    QString title;
    QString textContent;
    QStringList keywords;     // author, editor, publisher, title
    QStringList editors;
    QStringList publishers;
    QStringList languages;    // language codes of the text ("la", "en")
    QString kind;             // the document's kind (its extension)
};

class SearchIndexDelegate {
public:
    virtual ~SearchIndexDelegate() = default;
    using Acknowledgement = std::function<void()>;
    virtual void reindexAllSearchableItems(Acknowledgement acknowledgement) = 0;
    virtual void reindexSearchableItemsWithIdentifiers(const QStringList& identifiers,
                                                       Acknowledgement acknowledgement) = 0;
};

class SearchIndex {
public:
    explicit SearchIndex(QString folder);

    // The user's index: "<XDG data folder>/<program name>/SearchIndex".
    static SearchIndex& defaultSearchableIndex();
    static QString defaultIndexFolder();

    QString folder() const { return folder_; }

    SearchIndexDelegate* indexDelegate() const { return delegate_; }
    void setIndexDelegate(SearchIndexDelegate* delegate) { delegate_ = delegate; }

    // Adds or replaces items; an item without an identifier is refused.
    // Answers false (with the cause) when any item could not be stored.
    bool indexSearchableItems(const std::vector<SearchableItem>& items, QString* error = nullptr);
    bool deleteSearchableItemsWithIdentifiers(const QStringList& identifiers, QString* error = nullptr);

    std::optional<SearchableItem> item(const QString& identifier) const;
    QStringList identifiers() const;
    // Identifiers of the items whose title, text or one of whose keywords
    // holds `text`, ignoring case.
    QStringList search(const QString& text) const;

private:
    QString pathForIdentifier(const QString& identifier) const;

    QString folder_;
    SearchIndexDelegate* delegate_ = nullptr;
    mutable std::mutex mutex_;
};

}  // namespace ts
