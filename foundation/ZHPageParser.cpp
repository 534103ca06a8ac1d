#include "foundation/ZHPageParser.h"

#include "foundation/HXDocument.h"
#include "foundation/TSPageRipper.h"

namespace ts {

const QSet<QString>& ZHPageParser::ignoreSet() {
    static const QSet<QString> set = {QStringLiteral("a"), QStringLiteral("h1"), QStringLiteral("h2"),
                                      QStringLiteral("h3")};
    return set;
}

QString& ZHPageParser::contents() {
    if (contents_.isNull()) contents_ = QString(QLatin1String(""));
    return contents_;
}

QString ZHPageParser::parsePageAtURL(const QUrl& url) {
    parsePage(fetchPage(url).value_or(QByteArray()));
    const QString text = contents();
    contents_ = QString();
    return text;
}

void ZHPageParser::parsePageAtLocation(const QString& path) {
    parsePage(readPageAtLocation(path).value_or(QByteArray()));
}

void ZHPageParser::parsePage(const QByteArray& bytes) {
    HXDocumentPtr document = HXDocument::documentWithHTMLData(bytes);
    for (const HXElementPtr& e : document->searchWithXPathQuery(QStringLiteral("//body"))) logNode(e);
}

void ZHPageParser::logNode(const HXElementPtr& element) {
    if (!element) return;
    const QString tag = element->tagName();
    const bool pushed = !tag.isNull();
    bool skipped = false;
    if (pushed) {
        stack_.append(tag);
        skipped = ignoreSet().contains(tag);
    }
    if (!skipped) {
        if (!element->hasChildren()) {
            const QString text = element->content();
            if (!text.isNull()) contents().append(text);
        } else {
            for (const HXElementPtr& child : element->children()) logNode(child);
        }
    }
    if (pushed && !stack_.isEmpty()) stack_.removeLast();
}

}  // namespace ts
