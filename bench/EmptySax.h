#pragma once
// The baseline of the XML benchmarks: libxml2's SAX parser over a document
// with callbacks that do nothing, so a ratio against it is the cost of what a
// reader does with the events.

#include <QByteArray>

#include <libxml/parser.h>

namespace bench {

namespace detail {
inline void noStart(void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
                    const xmlChar**) {}
inline void noEnd(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}
inline void noCharacters(void*, const xmlChar*, int) {}

inline xmlSAXHandler emptyHandler() {
    xmlSAXHandler sax{};
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = noStart;
    sax.endElementNs = noEnd;
    sax.characters = noCharacters;
    sax.ignorableWhitespace = noCharacters;
    sax.cdataBlock = noCharacters;
    sax.comment = nullptr;
    sax.processingInstruction = nullptr;
    sax.warning = nullptr;
    sax.error = nullptr;
    sax.serror = nullptr;
    return sax;
}
}  // namespace detail

// One pass; false when the document is not well-formed.
inline bool emptySaxPass(const QByteArray& document) {
    // Only these callbacks: libxml2's defaults would build a document tree.
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = detail::noStart;
    sax.endElementNs = detail::noEnd;
    sax.characters = detail::noCharacters;
    sax.ignorableWhitespace = detail::noCharacters;
    return xmlSAXUserParseMemory(&sax, nullptr, document.constData(), int(document.size())) == 0;
}

// One pass that reads on past errors, such as the undeclared entities of
// TEI texts whose DTDs are never loaded.
inline void emptySaxRead(const QByteArray& document) {
    const xmlSAXHandler sax = detail::emptyHandler();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) return;
    *ctxt->sax = sax;
    xmlDocPtr d = xmlCtxtReadMemory(ctxt, document.constData(), int(document.size()), nullptr, nullptr,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (d) xmlFreeDoc(d);
    if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    xmlFreeParserCtxt(ctxt);
}

}  // namespace bench
