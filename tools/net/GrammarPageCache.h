#pragma once
// The grammar reference's page cache: each page, once fetched, is kept as a
// file and shown from there afterwards, with no further network traffic.
//
// Addressing: a page's key is its base string, "https://" + host (+ port) +
// path, so addresses that differ only in query or fragment share one file.
// The file's name is the SHA-256 of the key in hex + ".html": names never
// collide in practice and never leave the cache folder, whatever the address.
// A file holds the page's HTML, scripts removed, in UTF-16 with a byte-order
// mark. Files are written atomically; a failed write leaves the page shown
// uncached. The folder is "GrammarPages" in the support folder unless given.
//
// Threads: main thread; fetches run on the global queue and answer on the
// main queue.

#include "app/net/UrlFetcher.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class GrammarPageCache {
public:
    struct Page {
        bool ok = false;
        bool fromCache = false;
        QString html;     // scripts removed
        QUrl baseUrl;     // the https base that relative links resolve against
        QString fragment; // the anchor to scroll to; empty for none
        QString error;
    };
    using Completion = std::function<void(const Page&)>;

    explicit GrammarPageCache(QString folder = {});
    static QString defaultFolder();
    QString folder() const { return folder_; }

    static QString baseURLString(const QUrl& url);
    QString cacheFilePath(const QUrl& url) const;
    // The cached page of an address; nothing when it is not cached or its
    // file cannot be read.
    std::optional<Page> cachedPage(const QUrl& url) const;
    bool store(const QUrl& url, const QString& html) const;
    // The page from the cache at once, else fetched, stored and then read
    // back from the cache. `done` runs on the main queue, also for a cached
    // page, and never inside this call.
    void load(const QUrl& url, Completion done) const;

    // The page parsed as HTML and written back without <script> elements,
    // event handler attributes ("on..."), or script addresses (javascript:,
    // vbscript:, data:text/html, which become "#"); empty when it cannot be
    // parsed.
    static QString withoutScripts(const QString& html);
    static QString decodeHtml(const QByteArray& bytes);

private:
    QString folder_;
};
