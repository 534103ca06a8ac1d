#include "VDNewArray.h"

#include "app/logging/LGLog.h"
#include "platform/PropertyList.h"

#include <algorithm>

TS_REGISTER_CLASS(VDNewArray)

namespace {
thread_local int rebuildDepth = 0;

struct DepthGuard {
    DepthGuard() { ++rebuildDepth; }
    ~DepthGuard() { --rebuildDepth; }
};
}  // namespace

VDNewArray::VDNewArray() : storedData_(Members{}) {}

bool VDNewArray::sameMember(const VDDataPtr& a, const VDDataPtr& b) {
    if (a == b) return true;
    return a && b && a->isEqual(*b);
}

ts::ObjectPtr VDNewArray::copy() const {
    auto c = std::dynamic_pointer_cast<VDNewArray>(VDData::copy());
    if (!c) return nullptr;
    Members members;
    if (storedData_) {
        members.reserve(storedData_->size());
        for (const auto& m : *storedData_) {
            if (!m) continue;
            if (auto mc = std::dynamic_pointer_cast<VDData>(m->copy())) members.push_back(mc);
        }
    }
    c->storedData_ = std::move(members);
    c->dirty_ = false;
    return c;
}

ts::Value VDNewArray::serialize() const {
    ts::ValueArray out;
    if (storedData_) {
        out.reserve(storedData_->size());
        for (const auto& m : *storedData_)
            if (m) out.push_back(m->serialize());
    }
    return out;
}

void VDNewArray::encodeWithCoder(ts::Coder& coder) const {
    VDData::encodeWithCoder(coder);
    if (!storedData_) return;
    ts::ValueArray list;
    list.reserve(storedData_->size());
    for (const auto& m : *storedData_) list.emplace_back(ts::ObjectPtr(m));
    coder.encodeObject(ts::Value(std::move(list)), QStringLiteral("storedData"));
}

bool VDNewArray::initWithCoder(ts::Coder& coder) {
    VDData::initWithCoder(coder);
    if (!coder.allowsKeyedCoding()) {
        TSLogError("Panic here");
        storedData_.reset();
        return true;
    }
    if (!coder.containsValue(QStringLiteral("storedData"))) {
        storedData_.reset();
        return true;
    }
    const ts::Value list = coder.decodeObject(QStringLiteral("storedData"));
    Members members;
    for (const auto& v : list.array()) {
        // A member of another kind cannot be a member here; it is dropped
        // rather than allowed to stand in for a persistent object.
        if (auto m = v.toObjectAs<VDData>()) members.push_back(m);
    }
    storedData_ = std::move(members);
    return true;
}

QByteArray VDNewArray::exportToPListFormat() const {
    const ts::Value form = serialize();
    QString error;
    QByteArray data = ts::PropertyList::writeXML(form, &error);
    if (!data.isEmpty()) return data;
    // XML has no form for some characters that pasted text brings along (a
    // vertical tab, other control characters, an unpaired surrogate). The
    // binary form holds every string, and readers take either form, so the
    // user's text is saved as it is rather than not at all.
    QString binaryError;
    data = ts::PropertyList::writeBinary(form, &binaryError);
    if (data.isEmpty()) {
        TSLogError("Error exporting grammar collection %@", error);
        return {};
    }
    TSLogError("The grammar collection is written as a binary property list: %@", error);
    return data;
}

quint64 VDNewArray::count() const { return storedData_ ? storedData_->size() : 0; }

VDNewArray::Members VDNewArray::objectEnumerator() const { return storedData_ ? *storedData_ : Members{}; }

VDNewArray::Members VDNewArray::reverseObjectEnumerator() const {
    Members m = objectEnumerator();
    std::reverse(m.begin(), m.end());
    return m;
}

VDDataPtr VDNewArray::lastObject() const {
    return storedData_ && !storedData_->empty() ? storedData_->back() : nullptr;
}

VDDataPtr VDNewArray::objectAtIndex(quint64 index) const {
    if (!storedData_) {
        TSLogError("storedData not initialised");
        return nullptr;
    }
    if (index >= storedData_->size()) {
        TSLogError("Attempting to access object at index %lu, array only %lu objects", index,
                   quint64(storedData_->size()));
        return nullptr;
    }
    return (*storedData_)[index];
}

void VDNewArray::addObject(const VDDataPtr& member) {
    if (!storedData_ || !member) return;
    storedData_->push_back(member);
}

void VDNewArray::addObject(VDDataPtr&& member) {
    if (!storedData_ || !member) return;
    storedData_->push_back(std::move(member));
}

bool VDNewArray::addObjectIfNotPresent(const VDDataPtr& member) {
    if (!member || !storedData_) return false;
    for (const auto& m : *storedData_)
        if (sameMember(m, member)) return false;
    storedData_->push_back(member);
    return true;
}

bool VDNewArray::removeObjectAtIndex(quint64 index) {
    const quint64 n = count();
    if (index >= n) {
        TSLogError("Attempting to access object at index %lu, array only %lu objects", index, n);
        return false;
    }
    storedData_->erase(storedData_->begin() + qsizetype(index));
    return true;
}

bool VDNewArray::removeObject(const VDDataPtr& member) {
    if (storedData_) {
        storedData_->erase(std::remove_if(storedData_->begin(), storedData_->end(),
                                          [&](const VDDataPtr& m) { return sameMember(m, member); }),
                           storedData_->end());
    }
    return true;
}

void VDNewArray::removeAllObjects() {
    if (storedData_) storedData_->clear();
}

void VDNewArray::sort() {
    if (!storedData_) return;
    std::stable_sort(storedData_->begin(), storedData_->end(), [](const VDDataPtr& a, const VDDataPtr& b) {
        if (!a || !b) return !a && bool(b);
        return a->compare(*b) < 0;
    });
}

void VDNewArray::sortUsingDescriptors(const std::vector<SortDescriptor>& descriptors) {
    if (!storedData_ || descriptors.empty()) return;
    std::stable_sort(storedData_->begin(), storedData_->end(), [&](const VDDataPtr& a, const VDDataPtr& b) {
        if (!a || !b) return !a && bool(b);
        for (const auto& d : descriptors) {
            if (!d) continue;
            const int r = d(*a, *b);
            if (r != 0) return r < 0;
        }
        return false;
    });
}

VDDataPtr VDNewArray::nameMatching(const QString& name) const {
    if (name.isEmpty() || !storedData_) return nullptr;
    for (const auto& m : *storedData_)
        if (m && !m->name().isNull() && m->name() == name) return m;
    return nullptr;
}

VDNewArrayPtr VDNewArray::searchForText(const QString& text) const {
    if (text.isEmpty()) return nullptr;
    auto result = std::make_shared<VDNewArray>();
    if (!storedData_) return result;
    for (const auto& m : *storedData_) {
        // Unnamed members cannot contain the text.
        if (m && !m->name().isNull() && m->name().contains(text, Qt::CaseInsensitive)) result->addObject(m);
    }
    return result;
}

VDNewArray::Members VDNewArray::recordsContainingString(const QString& text) const {
    Members out;
    if (!storedData_) return out;
    for (const auto& m : *storedData_)
        if (m && m->containsString(text)) out.push_back(m);
    return out;
}

QStringList VDNewArray::recordNamesContainingString(const QString& text) const {
    QStringList out;
    for (const auto& m : recordsContainingString(text))
        if (!m->name().isNull()) out << m->name();
    return out;
}

QStringList VDNewArray::findSubstringInArray(const QString& text) const {
    QStringList out;
    if (!storedData_ || text.isEmpty()) return out;
    for (const auto& m : *storedData_)
        if (m && !m->name().isNull() && m->name().startsWith(text, Qt::CaseInsensitive)) out << m->name();
    return out;
}

QStringList VDNewArray::nameList() const {
    QStringList out;
    if (!storedData_) return out;
    for (const auto& m : *storedData_)
        if (m && !m->name().isNull()) out << m->name();
    return out;
}

void VDNewArray::fillFromArray(const ts::Value& array) {
    if (!storedData_) storedData_ = Members{};
    if (rebuildDepth >= kMaxNesting) {
        TSLogError("Persistent objects nested more than %d deep; the rest is skipped", kMaxNesting);
        return;
    }
    DepthGuard guard;
    for (const auto& entry : array.array()) {
        const ts::Value& className = entry[QStringLiteral("ClassName")];
        if (!className.isString()) continue;
        if (auto m = VDData::dataFromDictionary(className.toString(), entry)) storedData_->push_back(m);
    }
}

ts::Value VDNewArray::readPListArray(const QByteArray& data) {
    ts::PlistResult r = ts::PropertyList::read(data);
    if (!r.ok() || !r.value.isArray()) return ts::ValueArray{};
    return std::move(r.value);
}
