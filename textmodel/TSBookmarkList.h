#pragma once
// The PDF bookmarks of one document, each stored under its own uuid.
// Saved (under the document's "pdfFiles") as a plain array of the
// bookmarks' dictionaries. Main thread.

#include "TSBookmarkData.h"

#include "foundation/QMMutableDictionary.h"

class TSBookmarkList;
using TSBookmarkListPtr = std::shared_ptr<TSBookmarkList>;

class TSBookmarkList : public QMMutableDictionary {
    TS_OBJECT(TSBookmarkList, QMMutableDictionary)

public:
    // The first bookmark, in stored order, that resolves to the URL.
    TSBookmarkDataPtr bookmarkForURL(const ts::UrlPtr& url) const;
    TSBookmarkDataPtr bookmarkForURLCreatingIfNecessary(const ts::UrlPtr& url);
    // With a uuid text: that bookmark's URL (null for a text that is not a
    // uuid). With a null string: the only bookmark's URL, when there is
    // exactly one.
    ts::UrlPtr urlForUUIDString(const QString& uuidString) const;
    std::vector<TSBookmarkDataPtr> bookmarks() const;

    ts::Value serialize() const override;
    void readFromArray(const ts::Value& array);
    static TSBookmarkListPtr objectFromArray(const ts::Value& array);

    // Whether two URLs name the same file.
    static bool sameLocation(const ts::UrlPtr& a, const ts::UrlPtr& b);
};
