#include "foundation/TSPageRipper.h"

#include "app/logging/LGLog.h"
#include "foundation/HXDocument.h"

#include <QDir>
#include <QFile>

#include <mutex>

namespace ts {

namespace {

std::mutex& fetcherMutex() {
    static std::mutex m;
    return m;
}

PageFetcher& installedFetcher() {
    static PageFetcher f;
    return f;
}

QString& fetchError() {
    thread_local QString why;
    return why;
}

std::optional<QByteArray> readLocalFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setPageFetchError(file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

std::optional<QByteArray> defaultFetch(const QUrl& url) {
    if (!url.isLocalFile()) {
        setPageFetchError(QStringLiteral("only local files can be read"));
        return std::nullopt;
    }
    return readLocalFile(url.toLocalFile());
}

const QString kText = QStringLiteral("text");

}  // namespace

void setPageFetcher(PageFetcher fetcher) {
    std::lock_guard<std::mutex> lock(fetcherMutex());
    installedFetcher() = std::move(fetcher);
}

std::optional<QByteArray> fetchPage(const QUrl& url) {
    PageFetcher fetcher;
    {
        std::lock_guard<std::mutex> lock(fetcherMutex());
        fetcher = installedFetcher();
    }
    fetchError().clear();
    std::optional<QByteArray> bytes = fetcher ? fetcher(url) : defaultFetch(url);
    if (bytes) fetchError().clear();
    else if (fetchError().isEmpty()) fetchError() = QStringLiteral("the page could not be read");
    return bytes;
}

QString lastPageFetchError() { return fetchError(); }

void setPageFetchError(const QString& why) { fetchError() = why; }

std::optional<QByteArray> readPageAtLocation(const QString& path) {
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/")))
        expanded.replace(0, 1, QDir::homePath());
    return readLocalFile(expanded);
}

const QSet<QString>& TSPageRipper::ignoreSet() {
    static const QSet<QString> set = {
        QStringLiteral("td"),    QStringLiteral("et"),     QStringLiteral("in"),     QStringLiteral("em"),
        QStringLiteral("nihil"), QStringLiteral("table"),  QStringLiteral("body"),   QStringLiteral("text"),
        QStringLiteral("br"),    QStringLiteral("i"),      QStringLiteral("div"),    QStringLiteral("center"),
        QStringLiteral("hr"),    QStringLiteral("b"),      QStringLiteral("font"),   QStringLiteral("tr"),
        QStringLiteral("span"),  QStringLiteral("comment"), QStringLiteral("h2"),    QStringLiteral("h1"),
        QStringLiteral("tbody"), QStringLiteral("option"), QStringLiteral("input"),  QStringLiteral("select"),
        QStringLiteral("form"),  QStringLiteral("script"),
    };
    return set;
}

const QSet<QString>& TSPageRipper::ignoreTextSet() {
    static const QSet<QString> set = {QStringLiteral("font"), QStringLiteral("span"), QStringLiteral("i")};
    return set;
}

ValueDictionary TSPageRipper::parsePageAtURL(const QUrl& url) {
    std::optional<QByteArray> bytes = fetchPage(url);
    curURL_ = url;
    parsePage(bytes.value_or(QByteArray()));

    ValueDictionary answer;
    if (!bytes) answer[QStringLiteral("error")] = lastPageFetchError();
    if (!links_.isEmpty()) {
        ValueArray list;
        for (const QUrl& link : links_) list.emplace_back(link.toString());
        answer[QStringLiteral("links")] = std::move(list);
    }
    if (!stackStrings_.isEmpty()) {
        ValueArray list;
        for (const QString& s : stackStrings_) list.emplace_back(s);
        answer[QStringLiteral("text")] = std::move(list);
    }
    if (!pageTitle_.isNull())
        answer[QStringLiteral("title")] = pageTitle_;
    else
        TSLogError("No title for %@", url.path());
    return answer;
}

void TSPageRipper::parsePage(const QByteArray& bytes) {
    HXDocumentPtr document = HXDocument::documentWithHTMLData(bytes);
    for (const HXElementPtr& e : document->searchWithXPathQuery(QStringLiteral("//body"))) logNode(e);
    if (pageTitle_.isNull())
        for (const HXElementPtr& e : document->searchWithXPathQuery(QStringLiteral("//head"))) logNode(e);
}

void TSPageRipper::parsePageAtLocation(const QString& path) {
    parsePage(readPageAtLocation(path).value_or(QByteArray()));
}

void TSPageRipper::keepLink(const QString& href) {
    static const char* const kSkipped[] = {"#", "/", "index", "classics", "christian"};
    if (href.isEmpty()) return;
    for (const char* prefix : kSkipped)
        if (href.startsWith(QLatin1String(prefix))) return;

    const QUrl link(href);
    if (!link.isValid()) return;
    if (!link.scheme().isEmpty()) {
        // Absolute links: web pages only (no javascript:, file:, mailto: ...).
        if (link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https")) links_.append(link);
        return;
    }
    // Relative links live in the folder of the page; without a page URL there
    // is nothing to resolve them against.
    if (curURL_.isEmpty() || !curURL_.isValid()) return;
    const QUrl resolved = curURL_.resolved(link);
    if (resolved.isValid()) links_.append(resolved);
}

void TSPageRipper::logNode(const HXElementPtr& element) {
    if (!element) return;
    const QString tag = element->tagName();
    const bool pushed = !tag.isNull();
    if (pushed) {
        stackList_.append(tag);
        if (tag == QLatin1String("a")) {
            keepLink(element->objectForKey(QStringLiteral("href")));
        } else if (tag == QLatin1String("p") || tag == QLatin1String("b")) {
            const QString text = element->text().trimmed();
            if (!text.isEmpty()) {
                if (element->objectForKey(QStringLiteral("class")) == QLatin1String("pagehead"))
                    pageTitle_ = text;
                else
                    stackStrings_.append(text);
            }
        } else if (tag == kText) {
            const QString text = element->content().trimmed();
            if (!text.isEmpty() && (stackStrings_.isEmpty() || stackStrings_.last() != text)) stackStrings_.append(text);
        } else if (tag == QLatin1String("title")) {
            const QString text = element->text().trimmed();
            if (!text.isEmpty()) pageTitle_ = text;
        } else if (!ignoreTextSet().contains(tag)) {
            const QString text = element->text().trimmed();
            if (!text.isEmpty()) TSLogError("%@: %@", tag, text);
        }
    }
    for (const HXElementPtr& child : element->children()) logNode(child);
    if (pushed && !stackList_.isEmpty()) stackList_.removeLast();
}

}  // namespace ts
