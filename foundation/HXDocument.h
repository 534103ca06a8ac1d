#pragma once
// XPath questions over HTML and XML bytes, answered as plain value trees.
//
// Every query parses its bytes afresh and frees the parsed tree before it
// returns; what it answers is one node dictionary per node found:
//   "nodeName"           the node's name ("text" for text, "comment" ...)
//   "nodeContent"        the node's own content (text, comments, CDATA)
//   "nodeAttributeArray" attribute dictionaries: "attributeName" and either
//                        "nodeContent" (trimmed text) or "attributeContent"
//   "nodeChildArray"     the children's dictionaries; a text child is just
//                        "nodeName" and its untrimmed "nodeContent"
//   "raw"                the node serialised as markup
//
// Bounds: nothing is fetched (no network, no external DTD or entity); the
// "raw" markup of all the nodes of one query together is limited to a budget
// proportional to the input (rawBudgetFor), given to the nodes nearest the
// results first, so that deep or large pages cost linear time and memory -
// nodes beyond the budget carry no "raw"; dictionaries stop kMaxNodeDepth
// levels below a result, and the dictionaries of all the results together
// (which may nest, each carrying its subtree) hold at most a few times the
// document's nodes - beyond that, nodes lose their attributes and children.
// Failures write one line to the console (qWarning) and answer nothing.
//
// Thread-safe: queries share no state.

#include "platform/Object.h"
#include "platform/Value.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace ts {

class HXElement;
using HXElementPtr = std::shared_ptr<HXElement>;

// Levels of descendants converted below each node a query finds.
inline constexpr int kMaxNodeDepth = 512;
// Bytes of "raw" markup one query over `inputSize` bytes may produce.
qint64 rawBudgetFor(qint64 inputSize);

// A null encoding lets libxml2 detect it.
std::optional<ValueArray> htmlQueryWithEncoding(const QByteArray& bytes, const QString& xpath, const QString& encoding);
std::optional<ValueArray> htmlQuery(const QByteArray& bytes, const QString& xpath);
// XML is read in recovery mode: a document that is not well-formed is read
// as far as possible.
std::optional<ValueArray> xmlQueryWithEncoding(const QByteArray& bytes, const QString& xpath, const QString& encoding);
std::optional<ValueArray> xmlQuery(const QByteArray& bytes, const QString& xpath);

// The dictionaries of the nodes `xpath` selects in a parsed document, with at
// most `rawBudget` bytes of "raw" markup in all.
std::optional<ValueArray> evaluateXPath(_xmlDoc* document, const QString& xpath, qint64 rawBudget);
// One node's dictionary. With a parent and `parentContent` set, a text node
// stores its trimmed content in the parent and answers nothing.
std::optional<ValueDictionary> nodeToDictionary(_xmlNode* node, ValueDictionary* parent, bool parentContent);

class HXDocument : public Object {
    TS_OBJECT(HXDocument, Object)
public:
    HXDocument() = default;
    HXDocument(QByteArray data, QString encoding, bool isXML)
        : data_(std::move(data)), encoding_(std::move(encoding)), isXML_(isXML) {}

    static std::shared_ptr<HXDocument> documentWithData(const QByteArray& data, const QString& encoding, bool isXML);
    static std::shared_ptr<HXDocument> documentWithData(const QByteArray& data, bool isXML);
    static std::shared_ptr<HXDocument> documentWithHTMLData(const QByteArray& data, const QString& encoding);
    static std::shared_ptr<HXDocument> documentWithHTMLData(const QByteArray& data);
    static std::shared_ptr<HXDocument> documentWithXMLData(const QByteArray& data, const QString& encoding);
    static std::shared_ptr<HXDocument> documentWithXMLData(const QByteArray& data);

    const QByteArray& data() const { return data_; }
    const QString& encoding() const { return encoding_; }
    bool isXML() const { return isXML_; }

    // One element per node found; empty when the query fails.
    std::vector<HXElementPtr> searchWithXPathQuery(const QString& xpath) const;
    HXElementPtr peekAtSearchWithXPathQuery(const QString& xpath) const;

    // The elements over query results (shared by HXElement's own queries).
    static std::vector<HXElementPtr> elementsFromResults(std::optional<ValueArray> results, bool isXML,
                                                         const QString& encoding);

private:
    QByteArray data_;
    QString encoding_;
    bool isXML_ = false;
};

using HXDocumentPtr = std::shared_ptr<HXDocument>;

}  // namespace ts
