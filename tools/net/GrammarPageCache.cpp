#include "tools/net/GrammarPageCache.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "platform/Dispatch.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <climits>
#include <vector>

GrammarPageCache::GrammarPageCache(QString folder) : folder_(folder.isEmpty() ? defaultFolder() : std::move(folder)) {}

QString GrammarPageCache::defaultFolder() {
    return QDir(Preferences::supportDirectory()).filePath(QStringLiteral("GrammarPages"));
}

QString GrammarPageCache::baseURLString(const QUrl& url) {
    QString base = QStringLiteral("https://") + url.host(QUrl::FullyEncoded);
    if (url.port(-1) != -1) base += QLatin1Char(':') + QString::number(url.port());
    const QString path = url.path(QUrl::FullyEncoded);
    return base + (path.isEmpty() ? QStringLiteral("/") : path);
}

QString GrammarPageCache::cacheFilePath(const QUrl& url) const {
    const QByteArray hash = QCryptographicHash::hash(baseURLString(url).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(folder_).filePath(QString::fromLatin1(hash) + QStringLiteral(".html"));
}

std::optional<GrammarPageCache::Page> GrammarPageCache::cachedPage(const QUrl& url) const {
    QFile file(cacheFilePath(url));
    if (!file.exists()) return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("Unable to read the cached page %@: %@", file.fileName(), file.errorString());
        return std::nullopt;
    }
    // The byte-order mark says which UTF-16 the file is in; it is not part
    // of the page.
    QStringDecoder decoder(QStringConverter::Utf16);
    Page page;
    page.html = decoder.decode(file.readAll());
    if (page.html.startsWith(QChar(QChar::ByteOrderMark))) page.html.remove(0, 1);
    if (decoder.hasError()) {
        TSLogError("The cached page %@ is damaged", file.fileName());
        return std::nullopt;
    }
    page.ok = true;
    page.fromCache = true;
    page.baseUrl = QUrl(baseURLString(url));
    page.fragment = url.fragment();
    return page;
}

bool GrammarPageCache::store(const QUrl& url, const QString& html) const {
    if (!QDir().mkpath(folder_)) {
        TSLogError("Error %li creating directory %@\n%@", qint64(0), folder_, QStringLiteral("mkpath failed"));
        return false;
    }
    QSaveFile file(cacheFilePath(url));
    QStringEncoder encoder(QStringConverter::Utf16, QStringConverter::Flag::WriteBom);
    const QByteArray bytes = encoder.encode(withoutScripts(html));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TSLogError("Error writing cache %@", file.errorString());
        return false;
    }
    return true;
}

void GrammarPageCache::load(const QUrl& url, Completion done) const {
    if (!url.isValid() || url.isEmpty()) {
        TSLogError("Nil url at loadURL");
        return;
    }
    if (std::optional<Page> page = cachedPage(url)) {
        ts::DispatchQueue::main()->async([page = *page, done] { done(page); });
        return;
    }
    UrlFetcher::Request request;
    request.url = url;
    request.url.setFragment(QString());
    const GrammarPageCache cache = *this;
    UrlFetcher::performAsync(request, [cache, url, done](const UrlFetcher::Response& response) {
        if (!response.ok) {
            TSLogError("didFailNavigation %@ %@", response.error, url.toString());
            Page failed;
            failed.error = response.error;
            done(failed);
            return;
        }
        const QString html = decodeHtml(response.body);
        if (cache.store(url, html)) {
            if (std::optional<Page> page = cache.cachedPage(url)) return done(*page);
        }
        // Shown from the web, uncached.
        Page page;
        page.ok = true;
        page.html = withoutScripts(html);
        page.baseUrl = QUrl(baseURLString(url));
        page.fragment = url.fragment();
        done(page);
    });
}

namespace {

bool isScriptAddress(const xmlChar* value) {
    // Browsers ignore blanks and control characters inside a scheme
    // ("java\tscript:"), so they are skipped before comparing.
    QByteArray plain;
    for (const xmlChar* c = value; c && *c; ++c)
        if (*c > 0x20) plain += char(*c);
    plain = plain.toLower();
    return plain.startsWith("javascript:") || plain.startsWith("vbscript:") || plain.startsWith("data:text/html");
}

bool isAddressAttribute(const xmlChar* name) {
    static const char* const kNames[] = {"href", "src", "action", "formaction", "data", "background", "poster", "xlink:href"};
    for (const char* n : kNames)
        if (xmlStrcasecmp(name, BAD_CAST n) == 0) return true;
    return false;
}

// Removes script elements, event handler attributes and script addresses from
// the tree, walking it without recursion however deep the page nests.
void cleanTree(xmlNodePtr root) {
    std::vector<xmlNodePtr> pending{root};
    while (!pending.empty()) {
        xmlNodePtr node = pending.back();
        pending.pop_back();
        for (xmlNodePtr child = node->children; child;) {
            xmlNodePtr next = child->next;
            if (child->type == XML_ELEMENT_NODE && xmlStrcasecmp(child->name, BAD_CAST "script") == 0) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            } else if (child->type == XML_ELEMENT_NODE) {
                for (xmlAttrPtr attribute = child->properties; attribute;) {
                    xmlAttrPtr following = attribute->next;
                    const bool handler = xmlStrncasecmp(attribute->name, BAD_CAST "on", 2) == 0;
                    if (handler) {
                        xmlRemoveProp(attribute);
                    } else if (isAddressAttribute(attribute->name)) {
                        xmlChar* value = xmlNodeListGetString(child->doc, attribute->children, 1);
                        if (isScriptAddress(value)) xmlSetProp(child, attribute->name, BAD_CAST "#");
                        xmlFree(value);
                    }
                    attribute = following;
                }
                pending.push_back(child);
            }
            child = next;
        }
    }
}

}  // namespace

QString GrammarPageCache::withoutScripts(const QString& html) {
    const QByteArray utf8 = html.toUtf8();
    htmlDocPtr document = htmlReadMemory(utf8.constData(), int(std::min<qsizetype>(utf8.size(), INT_MAX)), nullptr, "UTF-8",
                                         HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!document) {
        TSLogError("A grammar page could not be read as HTML; it is not shown");
        return QString();
    }
    cleanTree(reinterpret_cast<xmlNodePtr>(document));
    htmlSetMetaEncoding(document, BAD_CAST "UTF-8");
    xmlChar* bytes = nullptr;
    int size = 0;
    htmlDocDumpMemoryFormat(document, &bytes, &size, 0);
    const QString out = bytes ? QString::fromUtf8(reinterpret_cast<const char*>(bytes), size) : QString();
    xmlFree(bytes);
    xmlFreeDoc(document);
    return out;
}

QString GrammarPageCache::decodeHtml(const QByteArray& bytes) {
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid()) decoder = QStringDecoder(QStringConverter::Utf8);
    return decoder.decode(bytes);
}
