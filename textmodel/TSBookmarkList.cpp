#include "TSBookmarkList.h"

#include <QDir>
#include <QUrl>

bool TSBookmarkList::sameLocation(const ts::UrlPtr& a, const ts::UrlPtr& b) {
    if (!a || !b) return false;
    if (a->isEqual(*b)) return true;
    const QUrl ua(a->absoluteString()), ub(b->absoluteString());
    if (ua.isLocalFile() && ub.isLocalFile()) return QDir::cleanPath(ua.toLocalFile()) == QDir::cleanPath(ub.toLocalFile());
    return false;
}

std::vector<TSBookmarkDataPtr> TSBookmarkList::bookmarks() const {
    std::vector<TSBookmarkDataPtr> out;
    for (const auto& v : objectEnumerator())
        if (auto b = v.toObjectAs<TSBookmarkData>()) out.push_back(std::move(b));
    return out;
}

TSBookmarkDataPtr TSBookmarkList::bookmarkForURL(const ts::UrlPtr& url) const {
    for (const auto& b : bookmarks())
        if (sameLocation(b->url(), url)) return b;
    return nullptr;
}

TSBookmarkDataPtr TSBookmarkList::bookmarkForURLCreatingIfNecessary(const ts::UrlPtr& url) {
    if (auto b = bookmarkForURL(url)) return b;
    auto b = std::make_shared<TSBookmarkData>();
    b->setUrl(url);
    setObject(ts::Value(b), ts::Value(b->uuid()));
    return b;
}

ts::UrlPtr TSBookmarkList::urlForUUIDString(const QString& uuidString) const {
    if (uuidString.isNull()) {
        if (count() != 1) return nullptr;
        auto all = bookmarks();
        return all.empty() ? nullptr : all.front()->url();
    }
    auto uuid = ts::Uuid::fromString(uuidString);
    if (!uuid) return nullptr;
    auto b = objectForKey(ts::Value(uuid)).toObjectAs<TSBookmarkData>();
    return b ? b->url() : nullptr;
}

ts::Value TSBookmarkList::serialize() const {
    ts::ValueArray array;
    for (const auto& b : bookmarks()) array.push_back(b->serialize());
    return array;
}

void TSBookmarkList::readFromArray(const ts::Value& array) {
    for (const auto& entry : array.array()) {
        if (!entry.isDictionary()) continue;
        auto b = TSBookmarkData::dataFromDictionary(entry);
        setObject(ts::Value(b), ts::Value(b->uuid()));
    }
}

TSBookmarkListPtr TSBookmarkList::objectFromArray(const ts::Value& array) {
    auto list = std::make_shared<TSBookmarkList>();
    list->readFromArray(array);
    return list;
}
