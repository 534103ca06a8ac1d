#include "TSChunk.h"

#include "TSMatchedChunk.h"
#include "TSNodeFactory.h"
#include "TSText.h"
#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <typeinfo>
#include <unordered_set>

int TSChunk::readingDepth_ = 0;

namespace {

const QString kClassName = QStringLiteral("ClassName");
const QString kName = QStringLiteral("name");
const QString kFlagged = QStringLiteral("Flagged");
const QString kUuid = QStringLiteral("uuid");
const QString kChildren = QStringLiteral("Children");

TSChunk::PasteboardWriter& pasteboardWriter() {
    static TSChunk::PasteboardWriter writer;
    return writer;
}

// Nearly every member of a text is a line, whose class is told by its type
// alone, without the search of a full cast.
TSChunk* asNode(VDData* member) {
    if (member && typeid(*member) == typeid(TSMatchedChunk)) return static_cast<TSMatchedChunk*>(member);
    return dynamic_cast<TSChunk*>(member);
}

// The "ClassName" entry of a node's dictionary. Keys are sorted, and only a
// few (such as "Children") sort before it: the first entries are looked at
// in place before the dictionary is searched.
const ts::Value& classNameOf(const ts::Value& entry) {
    if (!entry.isDictionary()) return entry[kClassName];
    const ts::ValueDictionary& d = entry.dictionary();
    int looked = 0;
    for (auto it = d.begin(); it != d.end() && looked < 3; ++it, ++looked)
        if (TSTextHelpers::keyIs(it->first, u"ClassName")) return it->second;
    return entry[kClassName];
}

// A place beyond what the hint holds is no hint at all.
qint32 hintFor(qint64 at) {
    return at >= 0 && at <= std::numeric_limits<qint32>::max() ? qint32(at) : -1;
}

struct ReadingDepthGuard {
    explicit ReadingDepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~ReadingDepthGuard() { --depth_; }
    int& depth_;
};

}  // namespace

// --- tree structure ---

template <class F>
void TSChunk::forEachRootAbove(F&& fn) {
    if (auto* root = asText()) fn(*root);
    // Bounded, so that a parent cycle left by a faulty caller cannot hang.
    int steps = 0;
    for (TSChunkPtr p = parent(); p && ++steps < 100000; p = p->parent())
        if (auto* root = p->asText()) fn(*root);
}

void TSChunk::structureChanged() {
    // A node read as a child is not linked into any tree yet, and the text
    // that reads it starts its index afresh once it is read.
    if (readingDepth_ > 0) return;
    forEachRootAbove([](TSText& root) { root.dropIndex(); });
}

void TSChunk::appendChild(const TSChunkPtr& child) {
    if (!children_) children_ = VDNewArray::array();
    children_->addObject(VDDataPtr(child));
    child->positionHint_ = hintFor(qsizetype(children_->count()) - 1);
    child->parent_ = weak_from_this();
}

void TSChunk::addChild(const TSChunkPtr& child) {
    if (!child) return;
    appendChild(child);
    forEachRootAbove([&](TSText& root) { root.indexNodes(child); });
}

void TSChunk::removeChild(const TSChunkPtr& child) {
    if (!child) return;
    const bool removed = children_ && children_->removeObject(child);
    child->parent_.reset();
    if (removed) forEachRootAbove([&](TSText& root) { root.unindexNodes(*child); });
}

void TSChunk::insertChild(const TSChunkPtr& child, qint64 index) {
    if (!child) return;
    auto container = children();
    VDNewArray::Members members = container->storedData().value_or(VDNewArray::Members{});
    const qint64 at = std::clamp<qint64>(index, 0, qint64(members.size()));
    members.insert(members.begin() + at, child);
    container->setStoredData(std::move(members));
    child->positionHint_ = hintFor(at);
    child->parent_ = weak_from_this();
    forEachRootAbove([&](TSText& root) { root.indexNodes(child); });
}

void TSChunk::addChildrenFromArray(const std::vector<TSChunkPtr>& children) {
    for (const auto& c : children) addChild(c);
}

namespace {

// Tells the indexes the nodes that are in one list and not in the other.
void indexDifference(const std::vector<TSText*>& roots, const VDNewArray::Members& before, const VDNewArray::Members& after) {
    if (roots.empty()) return;
    std::unordered_set<const VDData*> old, now;
    old.reserve(before.size());
    now.reserve(after.size());
    for (const auto& m : before) old.insert(m.get());
    for (const auto& m : after) now.insert(m.get());
    for (const auto& m : before)
        if (!now.count(m.get()))
            if (auto* node = dynamic_cast<const TSChunk*>(m.get()))
                for (TSText* root : roots) root->unindexNodes(*node);
    for (const auto& m : after)
        if (!old.count(m.get()))
            if (auto node = std::dynamic_pointer_cast<TSChunk>(m))
                for (TSText* root : roots) root->indexNodes(node);
}

}  // namespace

void TSChunk::replaceChildMembers(VDNewArray::Members members) {
    std::vector<TSText*> roots;
    forEachRootAbove([&](TSText& root) { if (root.hasIndex()) roots.push_back(&root); });
    auto c = children();
    VDNewArray::Members before;
    if (!roots.empty() && c->storedData()) before = *c->storedData();
    c->setStoredData(std::move(members));
    if (!roots.empty()) indexDifference(roots, before, *c->storedData());
}

VDNewArrayPtr TSChunk::children() {
    if (!children_) children_ = VDNewArray::array();
    return children_;
}

void TSChunk::setChildren(VDNewArrayPtr children) {
    std::vector<TSText*> roots;
    forEachRootAbove([&](TSText& root) { if (root.hasIndex()) roots.push_back(&root); });
    if (roots.empty() || !children || !children_ || children != children_) {
        // A different container (or none): its members and the old ones
        // can be told apart.
        VDNewArray::Members before, after;
        if (!roots.empty() && children_ && children_->storedData()) before = *children_->storedData();
        if (!roots.empty() && children && children->storedData()) after = *children->storedData();
        children_ = std::move(children);
        indexDifference(roots, before, after);
        return;
    }
    // The same container, changed in place by the caller: what left it is
    // unknown, so the indexes start afresh.
    for (TSText* root : roots) root->dropIndex();
}

qint64 TSChunk::numChildren() const { return children_ ? qint64(children_->count()) : 0; }

std::vector<TSChunkPtr> TSChunk::childNodes() const {
    std::vector<TSChunkPtr> out;
    if (!children_ || !children_->storedData()) return out;
    const auto& members = *children_->storedData();
    out.reserve(members.size());
    for (const auto& m : members)
        if (auto c = std::dynamic_pointer_cast<TSChunk>(m)) out.push_back(std::move(c));
    return out;
}

TSChunkPtr TSChunk::childAt(qint64 index) const {
    if (!children_ || !children_->storedData() || index < 0) return nullptr;
    const auto& members = *children_->storedData();
    if (index >= qint64(members.size())) return nullptr;
    const VDDataPtr& member = members[size_t(index)];
    TSChunk* node = asNode(member.get());
    return node ? TSChunkPtr(member, node) : nullptr;
}

TSChunk* TSChunk::childNodeAt(qint64 index) const {
    if (!children_ || !children_->storedData() || index < 0) return nullptr;
    const auto& members = *children_->storedData();
    if (index >= qint64(members.size())) return nullptr;
    return asNode(members[size_t(index)].get());
}

qint64 TSChunk::indexOfChild(const TSChunk* child) const {
    if (!child || !children_ || !children_->storedData()) return -1;
    const auto& members = *children_->storedData();
    const VDData* wanted = child;
    const qsizetype count = qsizetype(members.size());
    // A walk over siblings asks for each in turn, and an insertion or a
    // removal moves the rest by one: the hint, or a place beside it, is
    // nearly always right.
    const qsizetype hint = child->positionHint_;
    for (qsizetype at : {hint, hint + 1, hint - 1})
        if (at >= 0 && at < count && members[size_t(at)].get() == wanted) {
            child->positionHint_ = hintFor(at);
            return at;
        }
    // Otherwise one pass sets every sibling's hint.
    qint64 found = -1;
    for (qsizetype i = 0; i < count; ++i) {
        const VDData* m = members[size_t(i)].get();
        if (m == wanted) found = i;
        if (auto* node = dynamic_cast<const TSChunk*>(m)) node->positionHint_ = hintFor(i);
    }
    return found;
}

TSChunkPtr TSChunk::childWithName(const QString& name) const {
    for (const auto& c : childNodes())
        if (c->chunkName() == name) return c;
    return nullptr;
}

QStringList TSChunk::childNames() const {
    QStringList names;
    for (const auto& c : childNodes()) names << c->chunkName();
    return names;
}

// --- identity ---

TSUuidPtr TSChunk::uuid() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return uuid_;
}

QUuid TSChunk::uuidValue() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return uuid_->uuid();
}

void TSChunk::setUuid(TSUuidPtr uuid) {
    const QUuid old = uuid_ ? uuid_->uuid() : QUuid();
    uuid_ = std::move(uuid);
    if (auto self = std::static_pointer_cast<TSChunk>(weak_from_this().lock()))
        forEachRootAbove([&](TSText& root) { root.reindexNode(old, self); });
}

// --- neutral answers ---

QString TSChunk::chunkName() const {
    const QString n = name();
    return n.isNull() ? QStringLiteral("") : n;
}

void TSChunk::addTextContent(QString& content) const {
    if (!name().isNull()) content += name() + QLatin1Char('\n');
}

ts::AttributedStringPtr TSChunk::latinStringOutput() const {
    TSLogError("%@ must override latinStringOutput", className());
    return nullptr;
}

qint64 TSChunk::firstLineNumber() const {
    auto p = parent();
    if (!p) return TSNotFound;
    // Asked for every number shown: the siblings are looked at in place.
    for (qint64 i = 0, count = p->numChildren(); i < count; ++i) {
        const TSChunk* c = p->childNodeAt(i);
        const qint64 n = c ? c->tln() : TSNotFound;
        if (n != TSNotFound) return n;
    }
    return TSNotFound;
}

// --- property-list form ---

TSChunk::Kept& TSChunk::kept() {
    if (!kept_) kept_ = std::make_unique<Kept>();
    return *kept_;
}

const ts::Value& TSChunk::rareValue() const {
    static const ts::Value none;
    return kept_ ? kept_->rare : none;
}

void TSChunk::setRareValue(const ts::Value& value) {
    if (value.isNull() && !kept_) return;
    kept().rare = value;
}

void TSChunk::forEachEntry(const EntrySink& put) const {
    put(kClassName, className());
    if (!name().isNull()) put(kName, name());
    if (flagged_) put(kFlagged, ts::Value(qint64(1)));
    put(kUuid, uuid()->UUIDString());
}

// Calls addKept(value) for each kept child and writeMember(member) for each
// member, in the order they are saved: kept children go back to the
// positions they were read at. `count` answers how many items were saved so
// far.
template <class AddKept, class WriteMember, class Count>
static void forEachChild(const VDNewArrayPtr& children, const std::vector<std::pair<qsizetype, ts::Value>>& keptChildren,
                         AddKept addKept, WriteMember writeMember, Count count) {
    auto kept = keptChildren.begin();
    auto flushKept = [&](bool all) {
        while (kept != keptChildren.end() && (all || kept->first <= count())) addKept((kept++)->second);
    };
    if (children && children->count() > 0) {
        for (const auto& m : *children->storedData()) {
            flushKept(false);
            if (m) writeMember(*m);
        }
    }
    flushKept(true);
}

static const std::vector<std::pair<qsizetype, ts::Value>>& noKeptChildren() {
    static const std::vector<std::pair<qsizetype, ts::Value>> none;
    return none;
}

ts::ValueDictionary TSChunk::nodeDictionary() const {
    const auto& keptChildren = kept_ ? kept_->children : noKeptChildren();
    ts::ValueDictionary d = kept_ ? kept_->entries : ts::ValueDictionary();
    forEachEntry([&](const QString& key, ts::Value value) { d[key] = std::move(value); });

    const bool hasChildren = children_ && children_->count() > 0;
    if (hasChildren || !keptChildren.empty()) {
        ts::ValueArray array;
        array.reserve((hasChildren ? children_->storedData()->size() : 0) + keptChildren.size());
        forEachChild(
            children_, keptChildren, [&](const ts::Value& v) { array.push_back(v); },
            [&](const VDData& m) {
                ts::Value v = m.serialize();
                if (!v.isNull()) array.push_back(std::move(v));
            },
            [&] { return qsizetype(array.size()); });
        d[kChildren] = std::move(array);
    }
    return d;
}

quint32 TSChunk::writeNode(ts::BinaryPropertyListWriter& writer) const {
    const auto& keptChildren = kept_ ? kept_->children : noKeptChildren();
    ts::BinaryPropertyListWriter::Entries entries;
    entries.reserve((kept_ ? kept_->entries.size() : 0) + 8);
    if (kept_)
        for (const auto& [key, value] : kept_->entries) entries.push_back({key, value, {}});
    forEachEntry([&](const QString& key, ts::Value value) { entries.push_back({key, std::move(value), {}}); });

    const bool hasChildren = children_ && children_->count() > 0;
    if (hasChildren || !keptChildren.empty()) {
        auto addChildren = [&](ts::BinaryPropertyListWriter& w) {
            return w.addArray([&](std::vector<quint32>& items) {
                items.reserve((hasChildren ? children_->storedData()->size() : 0) + keptChildren.size());
                forEachChild(
                    children_, keptChildren, [&](const ts::Value& v) { items.push_back(w.addValue(v)); },
                    [&](const VDData& m) {
                        if (auto node = dynamic_cast<const TSChunk*>(&m)) {
                            if (auto item = node->writeTo(w)) items.push_back(*item);
                        } else if (ts::Value v = m.serialize(); !v.isNull()) {
                            items.push_back(w.addValue(std::move(v)));
                        }
                    },
                    [&] { return qsizetype(items.size()); });
            });
        };
        entries.push_back({kChildren, {}, addChildren});
    }
    return writer.addDictionary(std::move(entries));
}

ts::Value TSChunk::serialize() const { return nodeDictionary(); }

std::optional<quint32> TSChunk::writeTo(ts::BinaryPropertyListWriter& writer) const {
    // Subclasses whose form is their node dictionary write it directly.
    ts::Value v = serialize();
    if (v.isNull()) return std::nullopt;
    return writer.addValue(std::move(v));
}

void TSChunk::readNodeFields(const ts::ValueDictionary& d) {
    auto find = [&](const QString& key) -> const ts::Value* {
        auto it = d.find(key);
        return it == d.end() ? nullptr : &it->second;
    };
    readNodeFields(find(kName), find(kUuid), find(kFlagged));
}

void TSChunk::readNodeFields(const ts::Value* n, const ts::Value* u, const ts::Value* f) {
    if (n || !name().isNull()) VDData::setName(n && n->isString() ? n->toString() : QString());
    if (n && !n->isString()) keepWrongTypedEntry(kName, *n, "string");

    // A node read without a uuid gets one when first asked (uuid()), as
    // every node made afresh does.
    if (!u) uuid_.reset();
    else uuid_ = u->isString() ? ts::Uuid::fromString(u->toString()) : nullptr;
    // The text read is written back as it is when it is already the form
    // the writer would make (the uuid keeps it), which spares formatting
    // every uuid on a save.
    if (u && !u->isString())
        TSLogError("The uuid of a %@ is a %s, not a string; the node is given a new one", className(),
                   ts::Value::typeName(u->type()));

    flagged_ = f && f->isNumber() && f->toDouble() != 0;
    if (f && !f->isNumber()) keepWrongTypedEntry(kFlagged, *f, "number");
}

void TSChunk::keepWrongTypedEntry(const QString& key, const ts::Value& value, const char* expected) {
    TSLogError("The %@ of a %@ is a %s, not a %s; it is kept as it was", key, className(), ts::Value::typeName(value.type()),
               expected);
    kept().entries[key] = value;
}

ts::Value TSChunk::takeKeptEntry(const QString& key) {
    if (!kept_) return {};
    auto it = kept_->entries.find(key);
    if (it == kept_->entries.end()) return {};
    ts::Value v = std::move(it->second);
    kept_->entries.erase(it);
    return v;
}

void TSChunk::setTagName(const QString& tagName) {
    if (tagName.isNull()) {
        tagName_ = nullptr;
        return;
    }
    // Lines follow one another with a few names (a verse, a speaker, a
    // paragraph): the names found last are tried first, without the lock.
    // The names are never freed, as any node may point at one; they are the
    // element names of the texts imported, few in number.
    thread_local std::array<const QString*, 4> recent = {};
    for (const QString* name : recent)
        if (name && *name == tagName) {
            tagName_ = name;
            return;
        }
    struct Hash {
        size_t operator()(const QString& s) const { return qHash(s); }
    };
    static std::mutex mutex;
    static auto* names = new std::unordered_set<QString, Hash>;
    std::lock_guard lock(mutex);
    tagName_ = &*names->insert(tagName).first;
    std::move_backward(recent.begin(), recent.end() - 1, recent.end());
    recent.front() = tagName_;
}

void TSChunk::keepEntry(const QString& key, const ts::Value& value) { kept().entries[key] = value; }

void TSChunk::keepUnknownEntries(const ts::ValueDictionary& d, std::initializer_list<const char*> known) {
    for (const auto& [key, value] : d) {
        bool isKnown = false;
        for (const char* k : known) {
            // Lengths first: most keys differ from most names in length.
            if (key.size() == qsizetype(std::char_traits<char>::length(k)) && key == QLatin1String(k)) {
                isKnown = true;
                break;
            }
        }
        if (!isKnown) kept().entries[key] = value;
    }
}

void TSChunk::readChildren(const ts::Value& value) {
    if (value.isNull()) return;
    if (!value.isArray()) {
        TSLogError("Children of %@ are a %s, not an array; kept as they were", className(),
                   ts::Value::typeName(value.type()));
        kept().entries[kChildren] = value;
        return;
    }
    if (readingDepth_ >= kMaxNodeDepth) {
        TSLogError("Text nested more than %d levels deep; the deeper levels are kept unread", kMaxNodeDepth);
        for (const auto& entry : value.array()) kept().children.emplace_back(0, entry);
        return;
    }
    ReadingDepthGuard guard(readingDepth_);
    // Each node read is linked to this one as it is appended: the one
    // owning pointer is taken once for all of them.
    const TSChunkPtr self = std::static_pointer_cast<TSChunk>(weak_from_this().lock());
    VDNewArray::Members members;
    if (children_ && children_->storedData()) members = *children_->storedData();
    members.reserve(members.size() + value.array().size());
    qsizetype made = 0;
    for (const auto& entry : value.array()) {
        const qsizetype position = made + qsizetype(kept_ ? kept_->children.size() : 0);
        const ts::Value& cls = classNameOf(entry);
        TSChunkPtr node = cls.isString() ? TSNodeFactory::make(cls.toString()) : nullptr;
        if (!node) {
            if (cls.isString())
                TSLogError("Unknown node class %@ in the text; kept as it was", cls.toString());
            kept().children.emplace_back(position, entry);
            continue;
        }
        node->importFromDictionary(entry);
        node->positionHint_ = qsizetype(members.size());
        node->parent_ = self;
        members.push_back(std::move(node));
        ++made;
    }
    if (made == 0) return;
    auto container = children();
    // A container without a member list takes no members, as addObject does.
    if (container->storedData()) container->setStoredData(std::move(members));
}

void TSChunk::importFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) {
        TSLogError("%@ read from a %s, not a dictionary", className(), ts::Value::typeName(dictionary.type()));
        return;
    }
    const ts::ValueDictionary& d = dictionary.dictionary();
    readNodeFields(d);
    readChildren(dictionary[kChildren]);
    keepUnknownEntries(d, {"ClassName", "name", "Flagged", "uuid", "Children"});
    structureChanged();
}

TSChunkPtr TSChunk::dataFromDictionary(const ts::Value& dictionary) {
    registerTextModelClasses();
    const ts::Value& cls = dictionary[kClassName];
    if (!cls.isString()) return nullptr;
    TSChunkPtr node = TSNodeFactory::make(cls.toString());
    if (!node) return nullptr;
    node->importFromDictionary(dictionary);
    return node;
}

// --- pasteboard ---

void TSChunk::setPasteboardWriter(PasteboardWriter writer) { pasteboardWriter() = std::move(writer); }

bool TSChunk::writeToPasteBoard(const ts::Value& object) {
    if (!pasteboardWriter()) return false;
    return pasteboardWriter()(object);
}
