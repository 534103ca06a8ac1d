#include "foundation/HXDocument.h"

#include "foundation/HXElement.h"

#include <QtGlobal>

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace ts {

namespace {

const QString kNodeName = QStringLiteral("nodeName");
const QString kNodeContent = QStringLiteral("nodeContent");
const QString kAttributeArray = QStringLiteral("nodeAttributeArray");
const QString kAttributeName = QStringLiteral("attributeName");
const QString kAttributeContent = QStringLiteral("attributeContent");
const QString kChildArray = QStringLiteral("nodeChildArray");
const QString kRaw = QStringLiteral("raw");

void consoleLine(const char* text) {
    qWarning("%s", text);
}

QString fromXml(const xmlChar* s) {
    return QString::fromUtf8(reinterpret_cast<const char*>(s));
}

void ignoreXPathError(void*, xmlErrorPtr) {}

// What a node of each kind may be read as. Only these share the layout of
// xmlNode up to its content and attributes; documents, DTDs and declarations
// are read for their name only, namespace nodes not at all.
enum class Kind { Node, Attribute, Document, NameOnly, Skip };

Kind kindOf(const xmlNode* n) {
    switch (n->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
        return Kind::Node;
    case XML_ATTRIBUTE_NODE:
        return Kind::Attribute;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
        return Kind::Document;
    case XML_NAMESPACE_DECL:
        return Kind::Skip;
    default:
        return Kind::NameOnly;
    }
}

bool isTextWithContent(const xmlNode* n) {
    return kindOf(n) == Kind::Node && n->content && n->name && xmlStrEqual(n->name, BAD_CAST "text");
}

// The children a dictionary is made of. An entity reference's children are
// the entity's declaration, which is not part of the document's tree.
const xmlNode* firstChildOf(const xmlNode* n) {
    switch (kindOf(n)) {
    case Kind::Node:
        return n->type == XML_ENTITY_REF_NODE ? nullptr : n->children;
    case Kind::Attribute:
    case Kind::Document:
        return n->children;
    default:
        return nullptr;
    }
}

struct CappedSink {
    QByteArray bytes;
    qint64 cap = 0;
    bool overflow = false;
};

// Output past the cap is dropped rather than refused: a refusal makes
// libxml2 print an I/O error, and the node is discarded either way.
int writeCapped(void* context, const char* buffer, int len) {
    auto* sink = static_cast<CappedSink*>(context);
    if (sink->overflow || qint64(sink->bytes.size()) + len > sink->cap) {
        sink->overflow = true;
        sink->bytes.clear();
        return len;
    }
    sink->bytes.append(buffer, len);
    return len;
}

// The "raw" markup of a query's nodes. Serialising every node of a subtree
// costs the subtree's size per node, quadratic on deep pages; a byte budget
// shared by the whole query, spent breadth-first from the results down, keeps
// the total linear and gives the markup to the nodes callers ask for.
class RawPlan {
public:
    explicit RawPlan(qint64 budget) : budget_(budget) {}

    void plan(xmlDocPtr doc, const std::vector<const xmlNode*>& roots) {
        struct Item {
            const xmlNode* node;
            int depth;
            bool root;
        };
        std::deque<Item> queue;
        for (const xmlNode* r : roots) queue.push_back({r, 0, true});
        // Results may nest (a query for every element): each node is
        // visited once, so the walk stays linear in the document.
        std::unordered_set<const xmlNode*> visited;
        while (!queue.empty() && !exhausted_) {
            const Item item = queue.front();
            queue.pop_front();
            const xmlNode* n = item.node;
            if (kindOf(n) == Kind::Skip || !visited.insert(n).second) continue;
            // A text child becomes part of its parent's dictionary, no markup.
            if (!item.root && isTextWithContent(n)) continue;
            dump(doc, n);
            if (item.depth >= kMaxNodeDepth) continue;
            if (n->type == XML_ELEMENT_NODE)
                for (const xmlAttr* a = n->properties; a; a = a->next)
                    for (const xmlNode* v = a->children; v; v = v->next)
                        if (!isTextWithContent(v)) queue.push_back({v, item.depth + 1, false});
            for (const xmlNode* c = firstChildOf(n); c; c = c->next) queue.push_back({c, item.depth + 1, false});
        }
    }

    QString markupOf(const xmlNode* n) const {
        auto it = raw_.find(n);
        return it == raw_.end() ? QString() : it->second;
    }

private:
    void dump(xmlDocPtr doc, const xmlNode* n) {
        if (raw_.count(n)) return;
        CappedSink sink;
        sink.cap = budget_;
        xmlOutputBufferPtr out = xmlOutputBufferCreateIO(writeCapped, nullptr, &sink, nullptr);
        if (!out) {
            exhausted_ = true;
            return;
        }
        xmlNodeDumpOutput(out, doc, const_cast<xmlNode*>(n), 0, 0, nullptr);
        xmlOutputBufferClose(out);
        if (sink.overflow) {
            // The rest of the budget cannot hold this node; stop here rather
            // than pay for more serialisations that would be thrown away.
            exhausted_ = true;
            return;
        }
        budget_ -= sink.bytes.size();
        raw_.emplace(n, QString::fromUtf8(sink.bytes));
    }

    qint64 budget_;
    bool exhausted_ = false;
    std::unordered_map<const xmlNode*, QString> raw_;
};

// What one query may still spend on dictionaries. Results may nest, and each
// carries its whole subtree, so the nodes converted are bounded by a multiple
// of the document's own node count; past it, nodes keep their name, content
// and markup but lose attributes and children. Markup is shared between the
// dictionaries of nested results, never copied.
struct Conversion {
    RawPlan raw;
    qint64 nodesLeft;
};

qint64 countNodes(const xmlNode* root) {
    qint64 count = 0;
    for (const xmlNode* n = root; n;) {
        ++count;
        if (const xmlNode* c = firstChildOf(n)) {
            n = c;
            continue;
        }
        while (n && n != root && !n->next) n = n->parent;
        if (!n || n == root) break;
        n = n->next;
    }
    return count;
}

std::optional<ValueDictionary> convert(xmlNode* node, ValueDictionary* parent, bool parentContent, int depth,
                                       Conversion* conversion) {
    const Kind kind = kindOf(node);
    if (kind == Kind::Skip) return std::nullopt;
    const bool withinBudget = conversion->nodesLeft-- > 0;
    ValueDictionary d;
    if (node->name) d[kNodeName] = fromXml(node->name);

    if (kind == Kind::Node && node->content) {
        const QString content = fromXml(node->content);
        if (parent && node->name && xmlStrEqual(node->name, BAD_CAST "text")) {
            if (parentContent) {
                (*parent)[kNodeContent] = content.trimmed();
                return std::nullopt;
            }
            ValueDictionary text;
            text[kNodeName] = d[kNodeName];
            text[kNodeContent] = content;
            return text;
        }
        d[kNodeContent] = content;
    }

    if (depth < kMaxNodeDepth && withinBudget) {
        if (node->type == XML_ELEMENT_NODE) {
            ValueArray attributes;
            for (xmlAttr* a = node->properties; a; a = a->next) {
                ValueDictionary ad;
                if (a->name) ad[kAttributeName] = fromXml(a->name);
                if (a->children) {
                    if (auto sub = convert(a->children, &ad, true, depth + 1, conversion))
                        ad[kAttributeContent] = std::move(*sub);
                }
                if (!ad.empty()) attributes.emplace_back(std::move(ad));
            }
            if (!attributes.empty()) d[kAttributeArray] = std::move(attributes);
        }
        ValueArray children;
        for (const xmlNode* c = firstChildOf(node); c; c = c->next) {
            if (auto sub = convert(const_cast<xmlNode*>(c), &d, false, depth + 1, conversion))
                children.emplace_back(std::move(*sub));
        }
        if (!children.empty()) d[kChildArray] = std::move(children);
    }

    const QString markup = conversion->raw.markupOf(node);
    if (!markup.isNull()) d[kRaw] = markup;
    return d;
}

struct ParserInit {
    ParserInit() { xmlInitParser(); }
};

void initParserOnce() {
    static ParserInit init;
}

xmlDocPtr parseHTML(const QByteArray& bytes, const QString& encoding) {
    initParserOnce();
    const QByteArray enc = encoding.toUtf8();
    // 96 = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING; never the network.
    return htmlReadMemory(bytes.constData(), int(bytes.size()), "", encoding.isNull() ? nullptr : enc.constData(),
                          HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
}

xmlDocPtr parseXML(const QByteArray& bytes, const QString& encoding) {
    initParserOnce();
    const QByteArray enc = encoding.toUtf8();
    // Recovery reads what it can of a broken document. No entity loading, no
    // DTD, no network; libxml2's depth and expansion limits stay in force
    // (no XML_PARSE_HUGE). Errors are not printed: failure is the answer.
    return xmlReadMemory(bytes.constData(), int(bytes.size()), "", encoding.isNull() ? nullptr : enc.constData(),
                         XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
}

std::optional<ValueArray> query(xmlDocPtr doc, const QByteArray& bytes, const QString& xpath) {
    if (!doc) {
        consoleLine("Unable to parse.");
        return std::nullopt;
    }
    std::optional<ValueArray> result = evaluateXPath(doc, xpath, rawBudgetFor(bytes.size()));
    xmlFreeDoc(doc);
    return result;
}

bool tooLarge(const QByteArray& bytes) {
    return bytes.size() > qsizetype(INT_MAX);
}

}  // namespace

qint64 rawBudgetFor(qint64 inputSize) {
    return 8 * inputSize + 1024 * 1024;
}

std::optional<ValueDictionary> nodeToDictionary(xmlNode* node, ValueDictionary* parent, bool parentContent) {
    if (!node) return std::nullopt;
    Conversion conversion{RawPlan(rawBudgetFor(16 * 1024 * 1024)), 4 * countNodes(node) + 10000};
    if (!(parent && isTextWithContent(node))) conversion.raw.plan(node->doc, {node});
    return convert(node, parent, parentContent, 0, &conversion);
}

std::optional<ValueArray> evaluateXPath(xmlDoc* document, const QString& xpath, qint64 rawBudget) {
    xmlXPathContextPtr context = xmlXPathNewContext(document);
    if (!context) {
        consoleLine("Unable to create XPath context.");
        return std::nullopt;
    }
    context->error = ignoreXPathError;
    const QByteArray expression = xpath.toUtf8();
    xmlXPathObjectPtr object = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.constData()), context);
    if (!object) {
        consoleLine("Unable to evaluate XPath.");
        xmlXPathFreeContext(context);
        return std::nullopt;
    }
    if (!object->nodesetval) {
        consoleLine("Nodes was nil.");
        xmlXPathFreeObject(object);
        xmlXPathFreeContext(context);
        return std::nullopt;
    }

    std::vector<const xmlNode*> nodes;
    for (int i = 0; i < object->nodesetval->nodeNr; ++i) nodes.push_back(object->nodesetval->nodeTab[i]);
    Conversion conversion{RawPlan(rawBudget), 4 * countNodes(reinterpret_cast<const xmlNode*>(document)) + 10000};
    conversion.raw.plan(document, nodes);

    ValueArray result;
    for (const xmlNode* n : nodes)
        if (auto d = convert(const_cast<xmlNode*>(n), nullptr, false, 0, &conversion))
            result.emplace_back(std::move(*d));
    xmlXPathFreeObject(object);
    xmlXPathFreeContext(context);
    return result;
}

std::optional<ValueArray> htmlQueryWithEncoding(const QByteArray& bytes, const QString& xpath, const QString& encoding) {
    if (tooLarge(bytes)) {
        consoleLine("Unable to parse.");
        return std::nullopt;
    }
    return query(parseHTML(bytes, encoding), bytes, xpath);
}

std::optional<ValueArray> htmlQuery(const QByteArray& bytes, const QString& xpath) {
    return htmlQueryWithEncoding(bytes, xpath, QString());
}

std::optional<ValueArray> xmlQueryWithEncoding(const QByteArray& bytes, const QString& xpath, const QString& encoding) {
    if (tooLarge(bytes)) {
        consoleLine("Unable to parse.");
        return std::nullopt;
    }
    return query(parseXML(bytes, encoding), bytes, xpath);
}

std::optional<ValueArray> xmlQuery(const QByteArray& bytes, const QString& xpath) {
    return xmlQueryWithEncoding(bytes, xpath, QString());
}

// ---------------------------------------------------------------------------
// HXDocument

std::shared_ptr<HXDocument> HXDocument::documentWithData(const QByteArray& data, const QString& encoding, bool isXML) {
    return std::make_shared<HXDocument>(data, encoding, isXML);
}

std::shared_ptr<HXDocument> HXDocument::documentWithData(const QByteArray& data, bool isXML) {
    return documentWithData(data, QString(), isXML);
}

std::shared_ptr<HXDocument> HXDocument::documentWithHTMLData(const QByteArray& data, const QString& encoding) {
    return documentWithData(data, encoding, false);
}

std::shared_ptr<HXDocument> HXDocument::documentWithHTMLData(const QByteArray& data) {
    return documentWithData(data, QString(), false);
}

std::shared_ptr<HXDocument> HXDocument::documentWithXMLData(const QByteArray& data, const QString& encoding) {
    return documentWithData(data, encoding, true);
}

std::shared_ptr<HXDocument> HXDocument::documentWithXMLData(const QByteArray& data) {
    return documentWithData(data, QString(), true);
}

std::vector<HXElementPtr> HXDocument::elementsFromResults(std::optional<ValueArray> results, bool isXML,
                                                          const QString& encoding) {
    std::vector<HXElementPtr> elements;
    if (!results) return elements;
    auto tree = std::make_shared<const Value>(Value(std::move(*results)));
    const ValueArray& nodes = tree->array();
    elements.reserve(nodes.size());
    for (const Value& node : nodes) elements.push_back(HXElement::elementWithNode(tree, &node, isXML, encoding));
    return elements;
}

std::vector<HXElementPtr> HXDocument::searchWithXPathQuery(const QString& xpath) const {
    return elementsFromResults(isXML_ ? xmlQueryWithEncoding(data_, xpath, encoding_)
                                      : htmlQueryWithEncoding(data_, xpath, encoding_),
                               isXML_, encoding_);
}

HXElementPtr HXDocument::peekAtSearchWithXPathQuery(const QString& xpath) const {
    std::vector<HXElementPtr> found = searchWithXPathQuery(xpath);
    return found.empty() ? nullptr : found.front();
}

}  // namespace ts
