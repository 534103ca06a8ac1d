// Fuzzes the HTML and XML documents with the XPath queries the page readers
// ask, and the element accessors over what they find.

#include "foundation/HXDocument.h"
#include "foundation/HXElement.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

namespace {

const char* const kQueries[] = {
    "//p", "//body", "//div[@class='entry']//b", "//a/@href", "//text()", "//*[contains(., 'a')]", "/html/head/title",
};

void walk(const ts::HXElementPtr& element, int depth) {
    if (!element || depth > 4) return;
    (void)element->tagName();
    (void)element->content();
    (void)element->text();
    (void)element->attributes();
    (void)element->firstChildWithClassName(QStringLiteral("entry"));
    for (const ts::HXElementPtr& child : element->children()) {
        fuzz::check(child->parent() == element, "a child knows its parent");
        walk(child, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool isXML : {false, true}) {
        auto document = ts::HXDocument::documentWithData(bytes, isXML);
        for (const char* query : kQueries) {
            const auto found = document->searchWithXPathQuery(QString::fromLatin1(query));
            for (size_t i = 0; i < found.size() && i < 8; ++i) walk(found[i], 0);
        }
        // Queries from an element: the element's own markup is read again.
        if (auto body = document->peekAtSearchWithXPathQuery(QStringLiteral("//body")))
            (void)body->searchWithXPathQuery(QStringLiteral("//p"));
    }
    return 0;
}
