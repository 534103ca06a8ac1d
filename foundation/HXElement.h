#pragma once
// One node of an XPath result (see HXDocument.h for the node dictionary).
//
// Elements over one result share its dictionary tree, which never changes;
// children() makes new elements over the sub-dictionaries without copying.
// The parent link is weak: it answers null once the parent is gone, and for
// elements answered by a query.

#include "platform/Object.h"
#include "platform/Value.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace ts {

class HXElement;
using HXElementPtr = std::shared_ptr<HXElement>;

class HXElement : public Object {
    TS_OBJECT(HXElement, Object)
public:
    HXElement();

    // An element over its own copy of a node dictionary.
    static HXElementPtr elementWithNode(const Value& node, bool isXML, const QString& encoding);
    // An element over a node inside a shared tree; `node` must live in `tree`.
    static HXElementPtr elementWithNode(std::shared_ptr<const Value> tree, const Value* node, bool isXML,
                                        const QString& encoding);

    const Value& node() const { return *node_; }
    bool isXML() const { return isXML_; }
    const QString& encoding() const { return encoding_; }

    QString tagName() const;
    QString content() const;
    // Null when the query's markup budget ran out before this node.
    QString raw() const;

    // New elements at every call, each with this element as parent.
    std::vector<HXElementPtr> children() const;
    HXElementPtr firstChild() const;
    bool hasChildren() const;
    bool isTextNode() const;

    // Attribute name to trimmed value text; a later equal name wins.
    QHash<QString, QString> attributes() const;
    // The attribute of that name, or a null QString.
    QString objectForKey(const QString& name) const;
    QString operator[](const QString& name) const { return objectForKey(name); }

    std::vector<HXElementPtr> childrenWithTagName(const QString& tagName) const;
    HXElementPtr firstChildWithTagName(const QString& tagName) const;
    // The whole "class" value must equal the argument, not one word of it.
    std::vector<HXElementPtr> childrenWithClassName(const QString& className) const;
    HXElementPtr firstChildWithClassName(const QString& className) const;
    // The first child that is a text node; failing that, the first named "text".
    HXElementPtr firstTextChild() const;
    // The untrimmed content of firstTextChild, or a null QString.
    QString text() const;

    // Parses this element's raw markup (UTF-8) as a document of its own, of
    // the same kind, and queries it; empty without markup or on failure.
    std::vector<HXElementPtr> searchWithXPathQuery(const QString& xpath) const;

    QString description() const override;

    HXElementPtr parent() const { return parent_.lock(); }
    void setParent(const HXElementPtr& parent) { parent_ = parent; }

private:
    std::shared_ptr<const Value> tree_;
    const Value* node_ = nullptr;
    bool isXML_ = false;
    QString encoding_;
    std::weak_ptr<HXElement> parent_;
};

}  // namespace ts
