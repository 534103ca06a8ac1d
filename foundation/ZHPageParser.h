#pragma once
// Reads an HTML page into one string: the content of the leaves of its body,
// joined without separators, leaving out links and headings of levels 1 to 3
// with everything inside them. Comments in the body are leaves too.
//
// One parser may read many pages through parsePageAtURL, which empties its
// text after each page; parsePageAtLocation leaves the text in place.
// URLs are read through the page fetcher of TSPageRipper.h.

#include "foundation/HXElement.h"
#include "platform/Object.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace ts {

class ZHPageParser : public Object {
    TS_OBJECT(ZHPageParser, Object)
public:
    static const QSet<QString>& ignoreSet();

    // The page's text (empty when nothing was collected); contents is then
    // cleared for the next page.
    QString parsePageAtURL(const QUrl& url);
    void parsePageAtLocation(const QString& path);
    void parsePage(const QByteArray& bytes);
    void logNode(const HXElementPtr& element);
    bool hasFinished() const { return curPage_ >= numPages_; }

    // Created empty on first use.
    QString& contents();
    void setContents(const QString& contents) { contents_ = contents; }
    QStringList& stack() { return stack_; }
    void setStack(const QStringList& stack) { stack_ = stack; }
    qint64 curPage() const { return curPage_; }
    void setCurPage(qint64 page) { curPage_ = page; }
    qint64 numPages() const { return numPages_; }
    void setNumPages(qint64 pages) { numPages_ = pages; }
    qint64 nodeContent() const { return nodeContent_; }
    void setNodeContent(qint64 value) { nodeContent_ = value; }
    bool skipNodeSet() const { return skipNodeSet_; }
    void setSkipNodeSet(bool skip) { skipNodeSet_ = skip; }

private:
    QString contents_;
    QStringList stack_;
    qint64 curPage_ = 0;
    qint64 numPages_ = 0;
    qint64 nodeContent_ = 0;
    bool skipNodeSet_ = false;
};

using ZHPageParserPtr = std::shared_ptr<ZHPageParser>;

}  // namespace ts
