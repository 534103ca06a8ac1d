#include "dictionaries/DictionaryEntry.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/KeyedArchiver.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

TS_REGISTER_CLASS(DictionaryEntry)

void registerDictionaryEntryClass() {
    if (!ts::ClassRegistry::isRegistered(DictionaryEntry::staticClassName()))
        ts::ClassRegistry::registerClass<DictionaryEntry>();
}

const QString DictionaryEntry::kEntry = QStringLiteral("Entry");
const QString DictionaryEntry::kType = QStringLiteral("Type");
const QString DictionaryEntry::kChildren = QStringLiteral("children");
const QString DictionaryEntry::kFreq = QStringLiteral("freq");
const QString DictionaryEntry::kAge = QStringLiteral("Age");
const QString DictionaryEntry::kGender = QStringLiteral("gen");
const QString DictionaryEntry::kCase = QStringLiteral("Case");
const QString DictionaryEntry::kConj = QStringLiteral("conj");
const QString DictionaryEntry::kTransIntrans = QStringLiteral("ti");
const QString DictionaryEntry::kDeponent = QStringLiteral("deponent");
const QString DictionaryEntry::kKey = QStringLiteral("key");
const QString DictionaryEntry::kAlternative = QStringLiteral("alt");
const QString DictionaryEntry::kLevel = QStringLiteral("level");
const QString DictionaryEntry::kIdNumber = QStringLiteral("idNumber");
const QString DictionaryEntry::kParagraphNumber = QStringLiteral("paragraphNumber");
const QString DictionaryEntry::kPrepend = QStringLiteral("prepend");
const QString DictionaryEntry::kTranslation = QStringLiteral("trans");
const QString DictionaryEntry::kForeign = QStringLiteral("foreign");
const QString DictionaryEntry::kChanged = QStringLiteral("changed");
const QString DictionaryEntry::kReferences = QStringLiteral("references");

namespace {

// Numbers compare by value whatever their kind, as number objects do.
bool valuesEqual(const ts::Value& a, const ts::Value& b) {
    if (a.isNumber() && b.isNumber()) {
        if (a.isReal() || b.isReal()) return a.toDouble() == b.toDouble();
        if (a.type() == ts::Value::Type::Unsigned || b.type() == ts::Value::Type::Unsigned)
            return a.toUInt64() == b.toUInt64() && (a.toInt64() >= 0) == (b.toInt64() >= 0);
        return a.toInt64() == b.toInt64();
    }
    return a == b;
}

qint64 numberValue(const ts::Value& v) { return v.toInt64(); }

// The nodes being read from a keyed archive on this thread: a child list that
// refers back to one of them would close a cycle.
thread_local std::vector<const DictionaryEntry*> tDecoding;

}  // namespace

DictionaryEntry::DictionaryEntry() {
    attributes_[kEntry] = QStringLiteral("");
    entry_ = QStringLiteral("");
}

DictionaryEntryPtr DictionaryEntry::make(const QString& entry, int type) {
    auto e = std::make_shared<DictionaryEntry>();
    if (!entry.isNull()) {
        e->attributes_[kEntry] = entry;
        e->entry_ = entry;
    }
    if (type != Uninitialised) e->setType(type);
    return e;
}

// ---- Attribute helpers ----

qint64 DictionaryEntry::intAttribute(const QString& key) const {
    const auto it = attributes_.find(key);
    return it == attributes_.end() ? 0 : numberValue(it->second);
}

QString DictionaryEntry::stringAttribute(const QString& key) const {
    const auto it = attributes_.find(key);
    return it == attributes_.end() || !it->second.isString() ? QString() : it->second.toString();
}

bool DictionaryEntry::boolAttribute(const QString& key) const {
    const auto it = attributes_.find(key);
    return it != attributes_.end() && it->second.toBool();
}

ts::ValueDictionary DictionaryEntry::dictionary() const {
    ts::ValueDictionary d = attributes_;
    if (hasChildrenList_) {
        ts::ValueArray list;
        list.reserve(children_.size());
        for (const auto& c : children_) list.emplace_back(c);
        d[kChildren] = std::move(list);
    } else if (!keptChildren_.isNull()) {
        d[kChildren] = keptChildren_;
    }
    return d;
}

void DictionaryEntry::setDictionary(const ts::ValueDictionary& dictionary) {
    attributes_ = dictionary;
    syncType();
    syncEntry();
    children_.clear();
    hasChildrenList_ = false;
    keptChildren_ = ts::Value();
    const auto it = attributes_.find(kChildren);
    if (it == attributes_.end()) return;
    if (it->second.isArray()) {
        hasChildrenList_ = true;
        for (const auto& v : it->second.array())
            if (auto c = v.toObjectAs<DictionaryEntry>(); c && !wouldCreateCycle(c.get())) children_.push_back(c);
    } else {
        keepChildrenValue(std::move(it->second));
    }
    attributes_.erase(it);
}

ts::Value DictionaryEntry::attribute(const QString& key) const {
    if (key == kChildren) {
        if (!hasChildrenList_) return {};
        ts::ValueArray list;
        for (const auto& c : children_) list.emplace_back(c);
        return list;
    }
    const auto it = attributes_.find(key);
    return it == attributes_.end() ? ts::Value() : it->second;
}

void DictionaryEntry::setAttribute(const QString& key, const ts::Value& value) {
    if (key == kChildren) {
        TSLogError("Attempting to set children as an attribute of %@", entry());
        return;
    }
    if (value.isNull())
        attributes_.erase(key);
    else
        attributes_[key] = value;
    if (key == kType) syncType();
    else if (key == kEntry) syncEntry();
}

// ---- Typed attributes ----

QString DictionaryEntry::entry() const { return entry_; }

void DictionaryEntry::setEntry(const QString& text) {
    if (text == QLatin1String("cf")) TSLogError("cf");
    if (text.isNull())
        attributes_.erase(kEntry);
    else
        attributes_[kEntry] = text;
    entry_ = text;
}

void DictionaryEntry::addToEntry(const QString& text) {
    const QString current = entry();
    setAttribute(kEntry, current.isNull() ? text : current + text);
}

void DictionaryEntry::syncType() { type_ = qint32(intAttribute(kType)); }

void DictionaryEntry::syncEntry() { entry_ = stringAttribute(kEntry); }

void DictionaryEntry::setType(int type) {
    if (type == Noun || type == Verb) attributes_.erase(kCase);
    attributes_[kType] = qint64(type);
    type_ = qint32(type);
}

qint64 DictionaryEntry::frequency() const { return intAttribute(kFreq); }
void DictionaryEntry::setFrequency(qint64 frequency) { attributes_[kFreq] = frequency; }
int DictionaryEntry::getAge() const { return int(intAttribute(kAge)); }
void DictionaryEntry::setAge(int age) { attributes_[kAge] = qint64(age); }
int DictionaryEntry::conjugation() const { return qint32(intAttribute(kConj)); }
void DictionaryEntry::setConjugation(int conjugation) { attributes_[kConj] = qint64(conjugation); }
int DictionaryEntry::transIntrans() const { return int(intAttribute(kTransIntrans)); }
void DictionaryEntry::setTransIntrans(int value) { attributes_[kTransIntrans] = qint64(value); }
bool DictionaryEntry::deponent() const { return boolAttribute(kDeponent); }
void DictionaryEntry::setDeponent(bool value) { attributes_[kDeponent] = value; }
QString DictionaryEntry::key() const { return stringAttribute(kKey); }

void DictionaryEntry::setKey(const QString& key) {
    if (key.isNull()) {
        TSLogError("Nil key for %@", entry());
        return;
    }
    attributes_[kKey] = key;
}

bool DictionaryEntry::isAlternative() const { return boolAttribute(kAlternative); }
void DictionaryEntry::setAlternative(bool value) { attributes_[kAlternative] = value; }
int DictionaryEntry::level() const { return qint32(intAttribute(kLevel)); }

void DictionaryEntry::setLevel(std::optional<int> level) {
    if (!level) {
        TSLogError("Setting nil level %@", entry());
        return;
    }
    attributes_[kLevel] = qint64(*level);
}

float DictionaryEntry::idNumber() const {
    const auto it = attributes_.find(kIdNumber);
    return it == attributes_.end() ? 0.0f : float(it->second.toDouble());
}

void DictionaryEntry::setIDNumber(std::optional<double> idNumber) {
    if (!idNumber) {
        TSLogError("Setting nil setIDNumber %@", entry());
        return;
    }
    attributes_[kIdNumber] = *idNumber;
}

QString DictionaryEntry::paragraphNumber() const { return stringAttribute(kParagraphNumber); }

void DictionaryEntry::setParagraphNumber(const QString& label) {
    if (label.isNull()) {
        TSLogError("Setting nil paragraphNumber %@", entry());
        return;
    }
    QString stored = label;
    if (label.contains(QLatin1Char('('))) {
        const auto& greek = greekNumbers();
        const auto it = greek.constFind(label);
        if (it != greek.constEnd())
            stored = *it;
        else
            TSLogError("%@", label);
    }
    attributes_[kParagraphNumber] = stored;
}

QString DictionaryEntry::prependText() const { return stringAttribute(kPrepend); }
void DictionaryEntry::setPrependText(const QString& text) { setAttribute(kPrepend, text.isNull() ? ts::Value() : ts::Value(text)); }
QString DictionaryEntry::translation() const { return stringAttribute(kTranslation); }
void DictionaryEntry::setTranslation(const QString& text) { setAttribute(kTranslation, text.isNull() ? ts::Value() : ts::Value(text)); }

void DictionaryEntry::addToTranslation(const QString& text) {
    const QString current = translation();
    setTranslation(current.isNull() ? text : current + QLatin1Char('\n') + text);
}

std::optional<bool> DictionaryEntry::foreignFlag() const {
    const auto it = attributes_.find(kForeign);
    if (it == attributes_.end()) return std::nullopt;
    return boolAttribute(kForeign);
}

bool DictionaryEntry::isForeign() const { return boolAttribute(kForeign); }

void DictionaryEntry::setForeignFlag(std::optional<bool> flag) {
    if (flag) attributes_[kForeign] = *flag;
}

ts::ValueArray& DictionaryEntry::references() {
    ts::Value& v = attributes_[kReferences];
    return v.array();  // makes any other kind of value an empty array
}

// ---- Change marks ----

bool DictionaryEntry::changed() const { return boolAttribute(kChanged); }

void DictionaryEntry::setChanged(bool changed) {
    DictionaryEntryPtr primary = primaryEntry();
    for (DictionaryEntry* e : {this, primary.get()}) {
        if (!e) continue;
        if (changed)
            e->attributes_[kChanged] = qint64(1);
        else
            e->attributes_.erase(kChanged);
    }
}

bool DictionaryEntry::primaryEntryChanged() const {
    auto self = const_cast<DictionaryEntry*>(this)->primaryEntry();
    return self ? self->changed() : changed();
}

void DictionaryEntry::removeChangeFlags() {
    std::vector<DictionaryEntry*> stack{this};
    while (!stack.empty()) {
        DictionaryEntry* e = stack.back();
        stack.pop_back();
        e->attributes_.erase(kChanged);
        for (const auto& c : e->children_) stack.push_back(c.get());
    }
}

// ---- Persistence ----

DictionaryEntryPtr DictionaryEntry::entryFromSerializedData(const ts::Value& data) {
    auto e = std::make_shared<DictionaryEntry>();
    e->loadSerializedData(data);
    return e;
}

DictionaryEntryPtr DictionaryEntry::entryFromSerializedData(ts::Value&& data) {
    auto e = std::make_shared<DictionaryEntry>();
    e->loadSerializedData(std::move(data));
    return e;
}

ts::Value DictionaryEntry::serialize() const {
    ts::ValueDictionary d = attributes_;
    if (!children_.empty()) {
        ts::ValueArray list;
        list.reserve(children_.size());
        for (const auto& c : children_) list.push_back(c->serialize());
        d.emplace(kChildren, std::move(list));
    } else if (!keptChildren_.isNull()) {
        d.emplace(kChildren, keptChildren_);
    }
    return d;
}

void DictionaryEntry::keepChildrenValue(ts::Value&& value) {
    TSLogError("The children of %@ are a %s, not an array; kept as they were", entry(), ts::Value::typeName(value.type()));
    keptChildren_ = std::move(value);
}

namespace {

// A UID is a reference inside an archive and means nothing outside one; a
// keyed archiver refuses it. Its number is kept as an ordinary integer.
qint64 convertUids(ts::Value& value, int depth) {
    if (value.isUid()) {
        value = ts::Value(value.toUid().value);
        return 1;
    }
    if (depth >= ts::KeyedArchiver::kMaxDepth) return 0;
    qint64 n = 0;
    if (value.isArray())
        for (ts::Value& v : value.array()) n += convertUids(v, depth + 1);
    else if (value.isDictionary())
        for (auto& [key, v] : value.dictionary()) n += convertUids(v, depth + 1);
    return n;
}

}  // namespace

void DictionaryEntry::loadSerializedData(const ts::Value& data) {
    ts::Value copy = data;
    loadSerializedData(std::move(copy));
}

void DictionaryEntry::loadSerializedData(ts::Value&& data) {
    if (!data.isDictionary()) {
        TSLogError("Dictionary entry data is not a dictionary: %@", data.description());
        return;
    }
    loadFromDictionary(std::move(data.dictionary()));
}

// Keys read from a file arrive as one string each; sharing the class's own
// key strings instead keeps a large tree small and quick to copy and free.
static void internKeys(ts::ValueDictionary& d) {
    static const QString* const known[] = {
        &DictionaryEntry::kEntry, &DictionaryEntry::kType, &DictionaryEntry::kChildren, &DictionaryEntry::kFreq,
        &DictionaryEntry::kAge, &DictionaryEntry::kGender, &DictionaryEntry::kCase, &DictionaryEntry::kConj,
        &DictionaryEntry::kTransIntrans, &DictionaryEntry::kDeponent, &DictionaryEntry::kKey,
        &DictionaryEntry::kAlternative, &DictionaryEntry::kLevel, &DictionaryEntry::kIdNumber,
        &DictionaryEntry::kParagraphNumber, &DictionaryEntry::kPrepend, &DictionaryEntry::kTranslation,
        &DictionaryEntry::kForeign, &DictionaryEntry::kChanged, &DictionaryEntry::kReferences,
    };
    for (auto it = d.begin(); it != d.end();) {
        const QString& key = it->first;
        const QString* shared = nullptr;
        for (const QString* k : known)
            if (k->size() == key.size() && *k == key) {
                shared = k;
                break;
            }
        auto next = std::next(it);
        if (shared && !key.isSharedWith(*shared)) {
            // Re-keying a node in place: same order, no allocation.
            auto node = d.extract(it);
            node.key() = *shared;
            d.insert(next, std::move(node));
        }
        it = next;
    }
}

void DictionaryEntry::loadFromDictionary(ts::ValueDictionary&& dictionary) {
    attributes_ = std::move(dictionary);
    internKeys(attributes_);
    qint64 uids = 0;
    for (auto& [key, value] : attributes_)
        if (key != kChildren) uids += convertUids(value, 0);
    syncType();
    syncEntry();
    if (uids > 0) TSLogError("%ld UID values of %@ are read as integers", uids, entry());
    children_.clear();
    hasChildrenList_ = false;
    keptChildren_ = ts::Value();
    const auto it = attributes_.find(kChildren);
    if (it == attributes_.end()) return;
    ts::Value list = std::move(it->second);
    attributes_.erase(it);
    if (!list.isArray()) {
        convertUids(list, 0);
        keepChildrenValue(std::move(list));
        return;
    }
    ts::ValueArray& items = list.array();
    children_.reserve(items.size());
    hasChildrenList_ = true;
    for (ts::Value& item : items) {
        if (!item.isDictionary()) {
            TSLogError("Skipping a child of %@ that is not a dictionary", entry());
            continue;
        }
        auto child = std::dynamic_pointer_cast<DictionaryEntry>(newInstance());
        if (!child) continue;
        child->loadFromDictionary(std::move(item.dictionary()));
        // A freshly read child cannot hold the receiver, so no cycle test.
        child->parent_ = self();
        children_.push_back(std::move(child));
    }
    if (type() == Root) sortIntoRootOrder();
}

void DictionaryEntry::encodeWithCoder(ts::Coder& coder) const {
    coder.encodeObject(ts::Value(dictionary()), QStringLiteral("dictionary"));
    if (auto p = parent_.lock()) coder.encodeObject(ts::Value(p), QStringLiteral("parent"));
}

bool DictionaryEntry::initWithCoder(ts::Coder& coder) {
    if (!coder.allowsKeyedCoding()) {
        TSLogError("Dictionary entries need a keyed coder");
        return false;
    }
    tDecoding.push_back(this);
    const ts::Value d = coder.decodeObject(QStringLiteral("dictionary"));
    const ts::Value p = coder.decodeObject(QStringLiteral("parent"));
    tDecoding.pop_back();
    if (!d.isDictionary()) {
        TSLogError("Dictionary entry archive without its dictionary");
        return false;
    }
    setDictionary(d.dictionary());
    // A child list naming a node that is still being read is a cycle.
    std::erase_if(children_, [](const DictionaryEntryPtr& c) {
        const bool back = std::find(tDecoding.begin(), tDecoding.end(), c.get()) != tDecoding.end();
        if (back) TSLogError("Dropping a child that would make a cycle: %@", c->entry());
        return back;
    });
    parent_ = p.toObjectAs<DictionaryEntry>();
    return true;
}

ts::ObjectPtr DictionaryEntry::copy() const { return copyEntry(); }

DictionaryEntryPtr DictionaryEntry::copyEntry() const {
    auto c = std::dynamic_pointer_cast<DictionaryEntry>(newInstance());
    if (!c) return nullptr;
    c->attributes_ = attributes_;
    c->type_ = type_;
    c->entry_ = entry_;
    c->hasChildrenList_ = !children_.empty();
    c->children_ = children_;
    c->keptChildren_ = keptChildren_;
    c->parent_ = parent_;
    c->font_ = font_ ? std::static_pointer_cast<ts::Font>(font_->copy()) : nullptr;
    c->possibleName_ = possibleName_;
    c->displayingReferences_ = displayingReferences_;
    return c;
}

void DictionaryEntry::makeMeaning(const QString& label, std::optional<int> level, std::optional<double> idNumber) {
    setType(Meaning);
    if (!idNumber) {
        TSLogError("Nil idNumber for meaning");
        return;
    }
    setIDNumber(idNumber);
    setParagraphNumber(label);
    setLevel(level);
}

QString DictionaryEntry::getObjectAsString() const {
    QString out;
    appendDump(out);
    return out;
}

void DictionaryEntry::appendDump(QString& out) const {
    out += QLatin1Char('|') + entry() + QLatin1Char('\n');
    for (const auto& [k, v] : attributes_) {
        QString text;
        if (v.isString()) {
            text = v.toString();
        } else if (v.isNumber()) {
            if (numberValue(v) == 0) continue;
            text = v.isReal() ? QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest) : QString::number(v.toInt64());
        } else {
            continue;
        }
        out += QLatin1Char('\n') + k + QLatin1Char(' ') + text;
    }
    for (const auto& c : children_) c->appendDump(out);
}

QString DictionaryEntry::description() const {
    return QStringLiteral("<DictionaryEntry: %1 (%2)>").arg(entry(), QString::number(type()));
}

// ---- Tree ----

DictionaryEntryList& DictionaryEntry::children() {
    hasChildrenList_ = true;
    return children_;
}

qsizetype DictionaryEntry::indexOfFirstMeaningChild() const {
    if (children_.empty() || !isPrimaryEntry()) return 0;
    for (size_t i = 0; i < children_.size(); ++i) {
        const int t = children_[i]->type();
        if (t == Meaning || t == WordFormSample) return qsizetype(i);
    }
    return 0;
}

qsizetype DictionaryEntry::getNumChildren() const {
    if (!displayingReferences_ && isPrimaryEntry()) return childCount() - indexOfFirstMeaningChild();
    return childCount();
}

DictionaryEntryPtr DictionaryEntry::childAtIndex(qsizetype index) const {
    if (index < 0 || index >= childCount()) {
        TSLogError("Attempting to access child %ld of %@, which has only %lu", qint64(index), entry(),
                   quint64(children_.size()));
        return nullptr;
    }
    return children_[size_t(index)];
}

DictionaryEntryPtr DictionaryEntry::visibleChildAtIndex(qsizetype index) const {
    if (!displayingReferences_ && isPrimaryEntry()) return childAtIndex(index + indexOfFirstMeaningChild());
    return childAtIndex(index);
}

DictionaryEntryList DictionaryEntry::visibleChildren() const {
    const qsizetype from = (!displayingReferences_ && isPrimaryEntry()) ? indexOfFirstMeaningChild() : 0;
    return DictionaryEntryList(children_.begin() + from, children_.end());
}

DictionaryEntryPtr DictionaryEntry::firstChild() const { return children_.empty() ? nullptr : children_.front(); }
DictionaryEntryPtr DictionaryEntry::lastChild() const { return children_.empty() ? nullptr : children_.back(); }

bool DictionaryEntry::hasHiddenEntries() const {
    return !displayingReferences_ && isPrimaryEntry() && indexOfFirstMeaningChild() > 0;
}

bool DictionaryEntry::hasMeaning() const {
    return std::any_of(children_.begin(), children_.end(), [](const auto& c) { return c->type() == Meaning; });
}

bool DictionaryEntry::wouldCreateCycle(const DictionaryEntry* child) const {
    // The receiver or one of its ancestors...
    int steps = 0;
    for (const DictionaryEntry* a = this; a; ++steps) {
        if (a == child) return true;
        auto p = a->parent_.lock();
        a = p.get();
        if (steps > 100000) return true;  // a parent chain that loops is broken already
    }
    // ...or a node below the child (lists filled directly or shared by copies
    // need not agree with the parent links).
    if (child->children_.empty()) return false;
    std::vector<const DictionaryEntry*> stack{child};
    size_t visited = 0;
    while (!stack.empty()) {
        const DictionaryEntry* e = stack.back();
        stack.pop_back();
        if (e == this) return true;
        if (++visited > 10000000) return true;
        for (const auto& c : e->children_) stack.push_back(c.get());
    }
    return false;
}

void DictionaryEntry::attach(const DictionaryEntryPtr& child, qsizetype index) {
    hasChildrenList_ = true;
    if (index < 0 || index >= childCount())
        children_.push_back(child);
    else
        children_.insert(children_.begin() + index, child);
    child->parent_ = self();
    if (type() == Root) sortIntoRootOrder();
}

bool DictionaryEntry::addChild(const DictionaryEntryPtr& child) {
    if (!child) return false;
    if (child.get() == this) {
        TSLogError("Adding self as child %@", entry());
        return false;
    }
    if (wouldCreateCycle(child.get())) {
        TSLogError("Adding an ancestor as child %@", entry());
        return false;
    }
    attach(child, -1);
    return true;
}

bool DictionaryEntry::addChildAtIndex(const DictionaryEntryPtr& child, qsizetype index) {
    if (!child) return false;
    if (index < 0 || index > childCount()) {
        TSLogError("Attempting to insert a child at %ld of %@, which has only %lu", qint64(index), entry(),
                   quint64(children_.size()));
        return false;
    }
    if (child.get() == this) {
        TSLogError("Adding self as child %@", entry());
        return false;
    }
    if (wouldCreateCycle(child.get())) {
        TSLogError("Adding an ancestor as child %@", entry());
        return false;
    }
    attach(child, index == childCount() ? -1 : index);
    return true;
}

void DictionaryEntry::sortIntoRootOrder() {
    std::stable_sort(children_.begin(), children_.end(), [](const DictionaryEntryPtr& a, const DictionaryEntryPtr& b) {
        return a->childFrequencyComparison(*b) < 0;
    });
}

int DictionaryEntry::childFrequencyComparison(const DictionaryEntry& other) const {
    const bool mine = type() == WordModification, theirs = other.type() == WordModification;
    if (mine != theirs) return mine ? -1 : 1;
    if (mine) return 0;
    const qint32 a = qint32(frequency()), b = qint32(other.frequency());
    if (a == b) return 0;
    return a > b ? -1 : 1;
}

bool DictionaryEntry::sameLevel(const DictionaryEntry& other) const {
    return other.level() != 0 && level() == other.level() && paragraphNumber() == other.paragraphNumber();
}

DictionaryEntryPtr DictionaryEntry::highestMeaningLevel(const DictionaryEntry& other) {
    // The topmost node of the unbroken chain, from the receiver up, of nodes
    // that are at the other node's level and have a parent.
    DictionaryEntryPtr answer;
    DictionaryEntryPtr node = self();
    int steps = 0;
    while (node && node->sameLevel(other) && ++steps < 100000) {
        DictionaryEntryPtr p = node->parent();
        if (!p) break;
        answer = node;
        node = p;
    }
    return answer;
}

void DictionaryEntry::addMeaningChild(const DictionaryEntryPtr& child) {
    if (!child) return;
    if (auto top = highestMeaningLevel(*child)) {
        top->addChild(child);
        return;
    }
    if (sameLevel(*child)) {
        if (idNumber() == child->idNumber()) {
            addChild(child);
        } else if (auto p = parent()) {
            p->addChild(child);
        } else {
            addChild(child);
        }
        return;
    }
    addChild(child);
}

void DictionaryEntry::removeChild(const DictionaryEntryPtr& child) {
    if (!child) return;
    const auto before = children_.size();
    std::erase(children_, child);
    if (children_.size() != before && child->parent_.lock().get() == this) child->parent_.reset();
}

void DictionaryEntry::removeFirstChild() {
    if (children_.empty()) {
        TSLogError("Attempting to remove non-existant child from %@", entry());
        return;
    }
    DictionaryEntryPtr first = children_.front();
    children_.erase(children_.begin());
    if (first->parent_.lock().get() == this) first->parent_.reset();
}

void DictionaryEntry::addChildrenOfEntry(const DictionaryEntry& other) {
    if (other.children_.empty()) return;
    // The other list may be this one; copy first.
    const DictionaryEntryList add = other.children_;
    hasChildrenList_ = true;
    for (const auto& c : add) {
        if (wouldCreateCycle(c.get())) {
            TSLogError("Adding an ancestor as child %@", entry());
            continue;
        }
        children_.push_back(c);
    }
}

bool DictionaryEntry::isPrimaryEntry() const {
    auto p = parent_.lock();
    if (!p) return true;
    const auto it = p->attributes_.find(kEntry);
    return it == p->attributes_.end() || it->second.toString().isEmpty();
}

DictionaryEntryPtr DictionaryEntry::primaryEntry() {
    DictionaryEntryPtr node = self();
    int steps = 0;
    while (node && !node->isPrimaryEntry() && ++steps < 100000) node = node->parent();
    return node;
}

DictionaryEntryPtr DictionaryEntry::firstAncestor() {
    DictionaryEntryPtr node = self();
    int steps = 0;
    while (node && ++steps < 100000) {
        DictionaryEntryPtr p = node->parent();
        if (!p) break;
        node = p;
    }
    return node;
}

DictionaryEntryPtr DictionaryEntry::firstType() {
    auto governs = [](int t, bool self) {
        if (t >= 1 && t <= 11) return true;
        switch (t) {
        case Participle: case Misspelling: case Particle: case Enclitic: case AdverbialPhrase: case Letter:
            return true;
        case Redirect: case ParticipialAdjective:
            return self;
        default:
            return false;
        }
    };
    if (governs(type(), true)) return self();
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        if (governs((*it)->type(), false)) return *it;
    return nullptr;
}

DictionaryEntryPtr DictionaryEntry::firstSense() const { return firstChildOfType(Meaning); }

DictionaryEntryPtr DictionaryEntry::lastSense() const {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        if ((*it)->type() == Meaning) return *it;
    return nullptr;
}

DictionaryEntryPtr DictionaryEntry::firstChildOfType(qint32 type) const {
    for (const auto& c : children_)
        if (c->type() == type) return c;
    return nullptr;
}

DictionaryEntryPtr DictionaryEntry::findEntryWithString(const QString& text) {
    if (entry() == text && !entry().isNull()) return self();
    for (const auto& c : children_)
        if (auto hit = c->findEntryWithString(text)) return hit;
    return nullptr;
}

// ---- Comparison ----

bool DictionaryEntry::isEqualTo(const DictionaryEntry& other) const {
    const size_t mine = attributes_.size() + (hasChildrenList_ ? 1 : 0);
    const size_t theirs = other.attributes_.size() + (other.hasChildrenList_ ? 1 : 0);
    if (mine != theirs) {
        if (attributes_.size() != other.attributes_.size()) return false;
        for (const auto& [k, v] : attributes_)
            if (!other.attributes_.count(k)) return false;
    }
    for (const auto& [k, v] : attributes_) {
        const auto it = other.attributes_.find(k);
        if (it == other.attributes_.end() || !valuesEqual(v, it->second)) return false;
    }
    if (hasChildrenList_) {
        if (children_.size() != other.children_.size()) return false;
        for (size_t i = 0; i < children_.size(); ++i)
            if (children_[i] != other.children_[i] && !children_[i]->isEqualTo(*other.children_[i])) return false;
    }
    return true;
}

bool DictionaryEntry::matchesKey(const QString& key) const {
    if (key.isNull()) return false;
    const QString mine = this->key();
    return !mine.isNull() && mine == key;
}

int DictionaryEntry::caseInsensitiveCompare(const DictionaryEntry& other) const {
    const int r = entry().compare(other.entry(), Qt::CaseInsensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
