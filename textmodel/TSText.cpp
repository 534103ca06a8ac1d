#include "TSText.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"

namespace {

const QString kUuid = QStringLiteral("uuid");
const QString kInformation = QStringLiteral("Information");
const QString kClassName = QStringLiteral("ClassName");
const QString kText = QStringLiteral("Text");
const QString kCastList = QStringLiteral("Cast List");

QString kindOf(const ts::Value& v) {
    if (auto o = v.toObject()) return o->className();
    return QString::fromLatin1(ts::Value::typeName(v.type()));
}

TSChunkPtr firstChildNode(const TSChunk& node) {
    auto c = node.childrenIfAny();
    if (!c || !c->storedData()) return nullptr;
    for (const auto& m : *c->storedData())
        if (auto n = std::dynamic_pointer_cast<TSChunk>(m)) return n;
    return nullptr;
}

}  // namespace

VDNewArrayPtr TSText::castList() {
    auto it = information_.find(kCastList);
    if (it != information_.end())
        if (auto list = it->second.toObjectAs<VDNewArray>()) return list;
    auto list = VDNewArray::array();
    information_[kCastList] = ts::Value(list);
    return list;
}

// --- file form ---

ts::Value TSText::serialize() const {
    ts::ValueDictionary outer = keptOuter_;
    outer[kUuid] = uuid()->UUIDString();
    ts::ValueDictionary info = keptInformation_;
    for (const auto& [key, value] : information_) {
        if (value.isString()) {
            info[key] = value;
        } else if (auto array = value.toObjectAs<VDNewArray>()) {
            info[key] = array->serialize();
        } else {
            TSLogError("Unhandled class %@", kindOf(value));
        }
    }
    outer[kInformation] = std::move(info);
    outer[kClassName] = className();
    outer[kText] = nodeDictionary();
    return outer;
}

void TSText::importFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) {
        TSLogError("%@ read from a %s, not a dictionary", className(), ts::Value::typeName(dictionary.type()));
        return;
    }
    const ts::ValueDictionary& outer = dictionary.dictionary();
    readNodeFields(outer);

    const ts::Value& text = dictionary[kText];
    if (text.isDictionary()) {
        const ts::ValueDictionary& inner = text.dictionary();
        // The writer puts the root's own name and flag only in here.
        const ts::Value& name = text[QStringLiteral("name")];
        if (name.isString()) VDData::setName(name.toString());
        const ts::Value& flag = text[QStringLiteral("Flagged")];
        if (flag.isNumber() && flag.toDouble() != 0) setFlagged(true);
        if (!dictionary.contains(kUuid) && text[kUuid].isString())
            if (auto u = ts::Uuid::fromString(text[kUuid].toString())) setUuid(u);
        readChildren(text[QStringLiteral("Children")]);
        keepUnknownEntries(inner, {"ClassName", "name", "Flagged", "uuid", "Children"});
    } else if (!text.isNull()) {
        TSLogError("The text of %@ is a %s, not a dictionary", className(), ts::Value::typeName(text.type()));
    }

    const ts::Value& info = dictionary[kInformation];
    for (const auto& [key, value] : info.dictionary()) {
        if (value.isString()) {
            information_[key] = value;
        } else if (value.isArray()) {
            information_[key] = ts::Value(VDNewArray::dataFromArray(value));
        } else {
            TSLogError("Unhandled class %@", kindOf(value));
            keptInformation_[key] = value;
        }
    }
    if (!info.isNull() && !info.isDictionary()) keptOuter_[kInformation] = info;

    for (const auto& [key, value] : outer) {
        if (key == kUuid || key == kInformation || key == kClassName || key == kText || key == QLatin1String("name") ||
            key == QLatin1String("Flagged"))
            continue;
        keptOuter_[key] = value;
    }
    insertParent(std::static_pointer_cast<TSChunk>(weak_from_this().lock()));
    bumpGeneration();
}

TSTextPtr TSText::textFromDictionary(const ts::Value& dictionary) {
    return std::dynamic_pointer_cast<TSText>(TSChunk::dataFromDictionary(dictionary));
}

// --- walks ---

void TSText::insertParent(const TSChunkPtr& node) {
    if (!node) return;
    std::vector<TSChunkPtr> stack{node};
    while (!stack.empty()) {
        TSChunkPtr n = std::move(stack.back());
        stack.pop_back();
        for (auto& child : n->childNodes()) {
            child->setParent(n);
            stack.push_back(std::move(child));
        }
    }
}

TSChunkPtr TSText::nextChunk(const TSChunkPtr& node) {
    if (!node) return nullptr;
    if (auto first = firstChildNode(*node)) return first;
    return closestSiblingOrUncle(node);
}

TSChunkPtr TSText::closestSiblingOrUncle(const TSChunkPtr& node) {
    TSChunkPtr current = node;
    while (current) {
        TSChunkPtr p = current->parent();
        if (!p) return nullptr;
        const qint64 index = p->indexOfChild(current.get());
        if (index >= 0) {
            for (qint64 i = index + 1; i < p->numChildren(); ++i)
                if (auto next = p->childAt(i)) return next;
        }
        current = p;
    }
    return nullptr;
}

TSChunkPtr TSText::linearSearch(const QUuid& uuid) const {
    std::vector<TSChunkPtr> stack{std::const_pointer_cast<TSChunk>(std::static_pointer_cast<const TSChunk>(shared_from_this()))};
    while (!stack.empty()) {
        TSChunkPtr n = std::move(stack.back());
        stack.pop_back();
        if (n->uuid()->uuid() == uuid) return n;
        auto children = n->childNodes();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(std::move(*it));
    }
    return nullptr;
}

void TSText::rebuildIndex() const {
    uuidIndex_.clear();
    std::vector<TSChunkPtr> stack{std::const_pointer_cast<TSChunk>(std::static_pointer_cast<const TSChunk>(shared_from_this()))};
    while (!stack.empty()) {
        TSChunkPtr n = std::move(stack.back());
        stack.pop_back();
        const QUuid u = n->uuid()->uuid();
        if (!uuidIndex_.contains(u)) uuidIndex_.insert(u, n);
        auto children = n->childNodes();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(std::move(*it));
    }
    indexGeneration_ = structureGeneration();
}

TSChunkPtr TSText::itemWithUUID(const TSUuidPtr& uuid) const {
    if (!uuid) {
        TSLogError("Nil uuid at itemWithUUID");
        return nullptr;
    }
    return itemWithUUID(uuid->uuid());
}

TSChunkPtr TSText::itemWithUUID(const QUuid& uuid) const {
    auto validated = [&](const TSChunkPtr& n) -> TSChunkPtr {
        if (!n || n->uuid()->uuid() != uuid) return nullptr;
        const TSChunk* top = n.get();
        for (TSChunkPtr p = n->parent(); p; p = p->parent()) top = p.get();
        return top == this ? n : nullptr;
    };
    if (indexGeneration_ != structureGeneration()) rebuildIndex();
    if (auto n = validated(uuidIndex_.value(uuid).lock())) return n;
    // The tree changed in a way the index could not see (a node placed
    // straight into a children container): the walk is always right.
    TSChunkPtr found = linearSearch(uuid);
    if (found) indexGeneration_ = ~quint64(0);
    return found;
}

TSChunkPtr TSText::chunkAbove(const TSChunkPtr& node) {
    if (!node) return nullptr;
    TSChunkPtr p = node->parent();
    if (!p) return nullptr;
    const qint64 index = p->indexOfChild(node.get());
    if (index > 0) return p->childAt(index - 1);
    TSChunkPtr above = chunkAbove(p);
    if (!above || above->numChildren() == 0) return nullptr;
    return above->childAt(above->numChildren() - 1);
}

QStringList TSText::childNames(const TSChunkPtr& node) { return node ? node->childNames() : QStringList(); }

TSChunkPtr TSText::matchName(const QString& name, const TSChunkPtr& node) {
    if (!node) return nullptr;
    const QString lower = name.toLower();
    if (node->chunkName().toLower() == lower) return node;
    for (const auto& c : node->childNodes()) {
        const QString n = c->chunkName().toLower();
        if (n == lower || StringExtensions::endsWithString(n, lower)) return c;
    }
    return nullptr;
}

TSChunkPtr TSText::findChunkWithKey(const QString& key, const std::vector<std::pair<QString, TSChunkPtr>>& dictionary) {
    for (const auto& [k, v] : dictionary) {
        if (StringExtensions::endsWithString(key, k)) return v;
        if (k == QLatin1String("prologus") && StringExtensions::containsText(key, QStringLiteral("prologue"))) return v;
    }
    return nullptr;
}
