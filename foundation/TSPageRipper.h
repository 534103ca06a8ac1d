#pragma once
// Reads one HTML page into its title, its text pieces and its links, by
// walking the elements that "//body" (and, lacking a title, "//head") answer.
//
// A ripper accumulates and is never cleared: make one per page.
//
// Fetching: the foundation links QtCore only, so reading a URL goes through a
// page fetcher. The default one reads local files (file: URLs) and refuses
// every other scheme; the application installs a network-capable fetcher
// with setPageFetcher at start-up. Fetchers run synchronously on the
// caller's thread.
//
// Links: only http(s) links and relative links are handed on; relative ones
// are resolved against the page's URL, and dropped when the page has none
// (a page read with parsePageAtLocation).

#include "foundation/HXElement.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace ts {

// The bytes of the resource at a URL, or nothing when it cannot be read.
using PageFetcher = std::function<std::optional<QByteArray>(const QUrl&)>;

// Installs the process-wide fetcher; an empty function restores the default.
void setPageFetcher(PageFetcher fetcher);
// Reads a URL through the installed fetcher.
std::optional<QByteArray> fetchPage(const QUrl& url);
// Why the last fetchPage on this thread answered nothing, in words for the
// user; empty after a read that succeeded. A fetcher tells it with
// setPageFetchError before it answers nothing.
QString lastPageFetchError();
void setPageFetchError(const QString& why);
// Reads a local path, expanding a leading "~" to the home folder.
std::optional<QByteArray> readPageAtLocation(const QString& path);

class TSPageRipper : public Object {
    TS_OBJECT(TSPageRipper, Object)
public:
    // Tag names offered to callers; the ripper's own walk does not use them.
    static const QSet<QString>& ignoreSet();
    // Elements whose text the walk neither collects nor reports.
    static const QSet<QString>& ignoreTextSet();

    // "title" (string), "text" (array of strings), "links" (array of absolute
    // URL strings), each present only when found, and "error" (why) when the
    // page could not be read. Logs "No title for %@" when there is no title.
    ValueDictionary parsePageAtURL(const QUrl& url);
    void parsePage(const QByteArray& bytes);
    // Reads the file and parses it; the caller reads pageTitle and stackStrings.
    void parsePageAtLocation(const QString& path);
    void logNode(const HXElementPtr& element);

    QUrl curURL() const { return curURL_; }
    void setCurURL(const QUrl& url) { curURL_ = url; }
    QString pageTitle() const { return pageTitle_; }
    void setPageTitle(const QString& title) { pageTitle_ = title; }
    QString contents() const { return contents_; }
    void setContents(const QString& contents) { contents_ = contents; }
    QStringList& stackStrings() { return stackStrings_; }
    void setStackStrings(const QStringList& strings) { stackStrings_ = strings; }
    QStringList& stackList() { return stackList_; }
    void setStackList(const QStringList& list) { stackList_ = list; }
    QList<QUrl>& links() { return links_; }
    void setLinks(const QList<QUrl>& links) { links_ = links; }

private:
    void keepLink(const QString& href);

    QUrl curURL_;
    QString pageTitle_;
    QString contents_;
    QStringList stackStrings_;
    QStringList stackList_;
    QList<QUrl> links_;
};

using TSPageRipperPtr = std::shared_ptr<TSPageRipper>;

}  // namespace ts
