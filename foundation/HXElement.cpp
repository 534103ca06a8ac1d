#include "foundation/HXElement.h"

#include "foundation/HXDocument.h"

namespace ts {

namespace {

const QString kNodeName = QStringLiteral("nodeName");
const QString kNodeContent = QStringLiteral("nodeContent");
const QString kAttributeArray = QStringLiteral("nodeAttributeArray");
const QString kAttributeName = QStringLiteral("attributeName");
const QString kChildArray = QStringLiteral("nodeChildArray");
const QString kRaw = QStringLiteral("raw");
const QString kText = QStringLiteral("text");
const QString kClass = QStringLiteral("class");

const std::shared_ptr<const Value>& emptyTree() {
    static const std::shared_ptr<const Value> tree = std::make_shared<const Value>(Value(ValueDictionary()));
    return tree;
}

// A string value, or a null QString for anything else.
QString stringAt(const Value& node, const QString& key) {
    const Value& v = node[key];
    return v.isString() ? v.toString() : QString();
}

}  // namespace

HXElement::HXElement() : tree_(emptyTree()), node_(tree_.get()) {}

HXElementPtr HXElement::elementWithNode(const Value& node, bool isXML, const QString& encoding) {
    auto tree = std::make_shared<const Value>(node);
    return elementWithNode(tree, tree.get(), isXML, encoding);
}

HXElementPtr HXElement::elementWithNode(std::shared_ptr<const Value> tree, const Value* node, bool isXML,
                                        const QString& encoding) {
    auto element = std::make_shared<HXElement>();
    if (tree && node) {
        element->tree_ = std::move(tree);
        element->node_ = node;
    }
    element->isXML_ = isXML;
    element->encoding_ = encoding;
    return element;
}

QString HXElement::tagName() const {
    return stringAt(*node_, kNodeName);
}

QString HXElement::content() const {
    return stringAt(*node_, kNodeContent);
}

QString HXElement::raw() const {
    return stringAt(*node_, kRaw);
}

std::vector<HXElementPtr> HXElement::children() const {
    std::vector<HXElementPtr> result;
    const Value& list = (*node_)[kChildArray];
    if (!list.isArray()) return result;
    // Null when this element is not owned by a shared pointer.
    const HXElementPtr self =
        std::static_pointer_cast<HXElement>(std::const_pointer_cast<Object>(weak_from_this().lock()));
    result.reserve(list.array().size());
    for (const Value& child : list.array()) {
        HXElementPtr e = elementWithNode(tree_, &child, isXML_, encoding_);
        e->parent_ = self;
        result.push_back(std::move(e));
    }
    return result;
}

HXElementPtr HXElement::firstChild() const {
    std::vector<HXElementPtr> all = children();
    return all.empty() ? nullptr : all.front();
}

bool HXElement::hasChildren() const {
    return node_->contains(kChildArray);
}

bool HXElement::isTextNode() const {
    return tagName() == kText && node_->contains(kNodeContent);
}

QHash<QString, QString> HXElement::attributes() const {
    QHash<QString, QString> result;
    const Value& list = (*node_)[kAttributeArray];
    for (const Value& a : list.array()) {
        const Value& name = a[kAttributeName];
        const Value& value = a[kNodeContent];
        if (name.isString() && value.isString()) result.insert(name.toString(), value.toString());
    }
    return result;
}

QString HXElement::objectForKey(const QString& name) const {
    QString found;
    const Value& list = (*node_)[kAttributeArray];
    for (const Value& a : list.array()) {
        const Value& value = a[kNodeContent];
        if (value.isString() && a[kAttributeName].isString() && a[kAttributeName].toString() == name)
            found = value.toString();  // a later equal name wins, as in attributes()
    }
    return found;
}

std::vector<HXElementPtr> HXElement::childrenWithTagName(const QString& tagName) const {
    std::vector<HXElementPtr> result;
    for (HXElementPtr& c : children())
        if (c->tagName() == tagName) result.push_back(std::move(c));
    return result;
}

HXElementPtr HXElement::firstChildWithTagName(const QString& tagName) const {
    std::vector<HXElementPtr> found = childrenWithTagName(tagName);
    return found.empty() ? nullptr : found.front();
}

std::vector<HXElementPtr> HXElement::childrenWithClassName(const QString& className) const {
    std::vector<HXElementPtr> result;
    for (HXElementPtr& c : children()) {
        const QString value = c->objectForKey(kClass);
        if (!value.isNull() && value == className) result.push_back(std::move(c));
    }
    return result;
}

HXElementPtr HXElement::firstChildWithClassName(const QString& className) const {
    std::vector<HXElementPtr> found = childrenWithClassName(className);
    return found.empty() ? nullptr : found.front();
}

HXElementPtr HXElement::firstTextChild() const {
    std::vector<HXElementPtr> all = children();
    for (const HXElementPtr& c : all)
        if (c->isTextNode()) return c;
    for (const HXElementPtr& c : all)
        if (c->tagName() == kText) return c;
    return nullptr;
}

QString HXElement::text() const {
    HXElementPtr t = firstTextChild();
    return t ? t->content() : QString();
}

std::vector<HXElementPtr> HXElement::searchWithXPathQuery(const QString& xpath) const {
    // The markup is UTF-8 whatever the page's own encoding was, so it is read
    // as UTF-8 and not with the encoding name the page was read with.
    const QByteArray markup = raw().toUtf8();
    const QString utf8 = QStringLiteral("UTF-8");
    return HXDocument::elementsFromResults(isXML_ ? xmlQueryWithEncoding(markup, xpath, utf8)
                                                  : htmlQueryWithEncoding(markup, xpath, utf8),
                                           isXML_, encoding_);
}

QString HXElement::description() const {
    return node_->description();
}

}  // namespace ts
