#include "TSText.h"

#include "FootnoteList.h"

#include <algorithm>

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"

namespace {

const QString kUuid = QStringLiteral("uuid");
const QString kInformation = QStringLiteral("Information");
const QString kClassName = QStringLiteral("ClassName");
const QString kText = QStringLiteral("Text");
const QString kCastList = QStringLiteral("Cast List");

// Only a list of node dictionaries can be read as nodes; any other list
// (numbers, texts, data) is kept as it was read, or its items would be
// dropped and the file saved without them.
bool holdsOnlyDictionaries(const ts::Value& list) {
    for (const ts::Value& item : list.array())
        if (!item.isDictionary()) return false;
    return true;
}

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

ts::Value TSText::informationValue() const {
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
    return info;
}

ts::Value TSText::serialize() const {
    ts::ValueDictionary outer = keptOuter_;
    outer[kUuid] = uuid()->UUIDString();
    outer[kInformation] = informationValue();
    outer[kClassName] = className();
    outer[kText] = nodeDictionary();
    return outer;
}

std::optional<quint32> TSText::writeTo(ts::BinaryPropertyListWriter& writer) const {
    ts::BinaryPropertyListWriter::Entries outer;
    for (const auto& [key, value] : keptOuter_) outer.push_back({key, value, {}});
    outer.push_back({kUuid, uuid()->UUIDString(), {}});
    outer.push_back({kInformation, informationValue(), {}});
    outer.push_back({kClassName, className(), {}});
    outer.push_back({kText, {}, [this](ts::BinaryPropertyListWriter& w) { return writeNode(w); }});
    return writer.addDictionary(std::move(outer));
}

void TSText::importFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) {
        TSLogError("%@ read from a %s, not a dictionary", className(), ts::Value::typeName(dictionary.type()));
        return;
    }
    const ts::ValueDictionary& outer = dictionary.dictionary();
    readNodeFields(outer);
    // Wrong-typed entries of the outer dictionary go back where they were.
    for (const QString& key : {QStringLiteral("name"), QStringLiteral("Flagged")}) {
        ts::Value kept = takeKeptEntry(key);
        if (!kept.isNull()) keptOuter_[key] = std::move(kept);
    }

    const ts::Value& text = dictionary[kText];
    if (text.isDictionary()) {
        const ts::ValueDictionary& inner = text.dictionary();
        // The writer puts the root's own name and flag only in here.
        const ts::Value& name = text[QStringLiteral("name")];
        if (name.isString()) VDData::setName(name.toString());
        else if (!name.isNull()) keepWrongTypedEntry(QStringLiteral("name"), name, "string");
        const ts::Value& flag = text[QStringLiteral("Flagged")];
        if (flag.isNumber() && flag.toDouble() != 0) setFlagged(true);
        else if (!flag.isNull() && !flag.isNumber()) keepWrongTypedEntry(QStringLiteral("Flagged"), flag, "number");
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
        } else if (value.isArray() && (key == kCastList || holdsOnlyDictionaries(value))) {
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
    // Every node read was linked to its parent as it was appended.
    structureChanged();
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

namespace {

// Calls fn(node, owner) for every node in reading order, the root first,
// until it answers false. `owner` shares ownership of the node (null for the
// root, which the caller holds).
template <class F>
void walkInReadingOrder(const TSChunk* root, F&& fn) {
    std::vector<std::pair<const TSChunk*, const VDDataPtr*>> stack{{root, nullptr}};
    while (!stack.empty()) {
        auto [node, owner] = stack.back();
        stack.pop_back();
        if (!fn(node, owner)) return;
        auto c = node->childrenIfAny();
        if (!c || !c->storedData()) continue;
        const auto& members = *c->storedData();
        for (auto it = members.rbegin(); it != members.rend(); ++it)
            if (auto child = dynamic_cast<const TSChunk*>(it->get())) stack.emplace_back(child, &*it);
    }
}

}  // namespace

TSChunkPtr TSText::linearSearch(const QUuid& uuid) const {
    TSChunkPtr found;
    walkInReadingOrder(this, [&](const TSChunk* node, const VDDataPtr* owner) {
        if (node->uuidValue() != uuid) return true;
        found = owner ? std::static_pointer_cast<TSChunk>(std::static_pointer_cast<ts::Object>(*owner))
                      : std::const_pointer_cast<TSChunk>(std::static_pointer_cast<const TSChunk>(shared_from_this()));
        return false;
    });
    return found;
}

// Beside the footnote code, for the walk above: every save does this, so
// the tree is walked once for all the columns, sharing only the nodes that
// may link somewhere.
void TSText::markFoundNotes(FootnoteList& footnotes) const {
    footnotes.markAllAsUnfound();
    static const QString keys[] = {QStringLiteral("latin"), QStringLiteral("english"), QStringLiteral("perseusEnglish")};
    walkInReadingOrder(this, [&](const TSChunk* node, const VDDataPtr* owner) {
        for (const QString& key : keys) {
            if (!node->mayHaveLinksForKey(key)) continue;
            const TSChunkPtr chunk =
                owner ? std::static_pointer_cast<TSChunk>(std::static_pointer_cast<ts::Object>(*owner))
                      : std::const_pointer_cast<TSChunk>(std::static_pointer_cast<const TSChunk>(shared_from_this()));
            markFoundNotesInChunk(chunk, key, footnotes);
        }
        return true;
    });
}

void TSText::rebuildIndex() const {
    const qsizetype previous = uuidIndex_.size();
    uuidIndex_.clear();
    uuidIndex_.reserve(std::max<qsizetype>(previous, 64));
    const VDDataPtr self = std::static_pointer_cast<VDData>(std::const_pointer_cast<ts::Object>(shared_from_this()));
    walkInReadingOrder(this, [&](const TSChunk* node, const VDDataPtr* owner) {
        const QUuid u = node->uuidValue();
        auto it = uuidIndex_.find(u);
        if (it == uuidIndex_.end()) uuidIndex_.insert(u, owner ? *owner : self);
        return true;
    });
    indexBuilt_ = true;
}

void TSText::dropIndex() const {
    uuidIndex_.clear();
    indexBuilt_ = false;
}

void TSText::indexNodes(const TSChunkPtr& node) const {
    if (!indexBuilt_ || !node) return;
    walkInReadingOrder(node.get(), [&](const TSChunk* n, const VDDataPtr* owner) {
        const QUuid u = n->uuidValue();
        const VDDataPtr holder = owner ? *owner : std::static_pointer_cast<VDData>(node);
        auto it = uuidIndex_.find(u);
        if (it == uuidIndex_.end()) {
            uuidIndex_.insert(u, holder);
            return true;
        }
        const VDDataPtr known = it->lock();
        if (known == holder) return true;
        if (auto k = std::dynamic_pointer_cast<TSChunk>(known); k && k->uuidValue() == u) {
            // Two nodes share a uuid: which comes first in reading order is
            // for a full rebuild to tell.
            dropIndex();
            return false;
        }
        *it = holder;
        return true;
    });
}

void TSText::unindexNodes(const TSChunk& node) const {
    if (!indexBuilt_) return;
    walkInReadingOrder(&node, [&](const TSChunk* n, const VDDataPtr*) {
        auto it = uuidIndex_.find(n->uuidValue());
        if (it != uuidIndex_.end() && it->lock().get() == n) uuidIndex_.erase(it);
        return true;
    });
}

void TSText::reindexNode(const QUuid& old, const TSChunkPtr& node) const {
    if (!indexBuilt_ || !node) return;
    if (!old.isNull()) {
        auto it = uuidIndex_.find(old);
        if (it != uuidIndex_.end() && it->lock().get() == node.get()) uuidIndex_.erase(it);
    }
    const QUuid u = node->uuidValue();
    auto it = uuidIndex_.find(u);
    if (it == uuidIndex_.end()) uuidIndex_.insert(u, node);
    else if (it->lock() != node) dropIndex();
}

TSChunkPtr TSText::itemWithUUID(const TSUuidPtr& uuid) const {
    if (!uuid) {
        TSLogError("Nil uuid at itemWithUUID");
        return nullptr;
    }
    return itemWithUUID(uuid->uuid());
}

TSChunkPtr TSText::itemWithUUID(const QUuid& uuid) const {
    // Every change made through the tree's own operations keeps the index
    // up to date; a hit still counts only while the node is alive and keeps
    // that uuid.
    if (!indexBuilt_) rebuildIndex();
    auto hit = uuidIndex_.constFind(uuid);
    if (hit != uuidIndex_.constEnd()) {
        auto n = std::static_pointer_cast<TSChunk>(hit->lock());
        if (n && n->uuidValue() == uuid) return n;
    }
    // The tree changed in a way the index could not see (a node placed
    // straight into a children container): the walk is always right, and
    // a node it finds is indexed from then on.
    TSChunkPtr found = linearSearch(uuid);
    if (found) uuidIndex_.insert(uuid, found);
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
    if (node->chunkName().toLower() == name.toLower()) return node;
    return matchChildName(name, node);
}

TSChunkPtr TSText::matchChildName(const QString& name, const TSChunkPtr& node) {
    if (!node) return nullptr;
    const QString lower = name.toLower();
    // Sections named by number end with one another's names ("81" with
    // "1"): the section of the very name comes first wherever it stands.
    for (const auto& c : node->childNodes())
        if (c->chunkName().toLower() == lower) return c;
    for (const auto& c : node->childNodes())
        if (StringExtensions::endsWithString(c->chunkName().toLower(), lower)) return c;
    return nullptr;
}

TSChunkPtr TSText::findChunkWithKey(const QString& key, const std::vector<std::pair<QString, TSChunkPtr>>& dictionary) {
    for (const auto& [k, v] : dictionary)
        if (k == key) return v;
    for (const auto& [k, v] : dictionary) {
        if (StringExtensions::endsWithString(key, k)) return v;
        if (k == QLatin1String("prologus") && StringExtensions::containsText(key, QStringLiteral("prologue"))) return v;
    }
    return nullptr;
}
