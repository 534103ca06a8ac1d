#include "morphology/WordFormStore.h"

#include <QHashFunctions>

#include <limits>

namespace wordforms {

static_assert(sizeof(size_t) == 8, "the slot check takes the hash's high half");

size_t stringHash(QStringView s, size_t seed) { return qHash(s, seed); }

quint32 StringTable::slotOf(QStringView s, size_t hash, quint64* probes) const {
    const size_t mask = slots_.size() - 1;
    // A slot keeps its string's hash beside the index, so that the strings
    // of other slots met on the way are not read.
    const quint32 check = quint32(hash >> 32) | 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        ++*probes;
        const Slot& slot = slots_[i];
        if (slot.index == 0 || (slot.check == check && at(slot.index - 1) == s)) return quint32(i);
    }
}

quint32 StringTable::find(QStringView s) const {
    if (slots_.empty()) return kNone;
    quint64 probes = 0;
    const quint32 entry = slots_[slotOf(s, stringHash(s, seed_), &probes)].index;
    return entry == 0 ? kNone : entry - 1;
}

quint32 StringTable::insert(QStringView s) {
    // The forms of one word come together, with the same lemma and often
    // the same tag as the line before.
    if (last_ != kNone && at(last_) == s) return last_;
    // Kept at most half full, so that a probe ends soon.
    if ((size() + 1) * 2 > slots_.size()) rehash(std::max<size_t>(64, slots_.size() * 2));
    const size_t hash = stringHash(s, seed_);
    const quint32 slot = slotOf(s, hash, &probes_);
    if (slots_[slot].index != 0) return last_ = slots_[slot].index - 1;
    const quint32 index = last_ = size();
    chars_.insert(chars_.end(), s.utf16(), s.utf16() + s.size());
    offsets_.push_back(quint32(chars_.size()));
    slots_[slot] = {index + 1, quint32(hash >> 32) | 1};
    return index;
}

void StringTable::reserve(qsizetype strings, qsizetype chars) {
    chars_.reserve(size_t(chars));
    offsets_.reserve(size_t(strings) + 1);
    size_t slots = 64;
    while (slots < size_t(strings) * 2) slots *= 2;
    if (slots > slots_.size()) rehash(slots);
}

void StringTable::rehash(size_t slots) {
    slots_.assign(slots, Slot());
    const size_t mask = slots - 1;
    for (quint32 index = 0; index < size(); ++index) {
        const size_t hash = stringHash(at(index), seed_);
        size_t i = hash & mask;
        for (++probes_; slots_[i].index != 0; ++probes_) i = (i + 1) & mask;
        slots_[i] = {index + 1, quint32(hash >> 32) | 1};
    }
}

void WordFormStore::reserve(qsizetype records, qsizetype chars) {
    records_.reserve(size_t(records));
    forms_.reserve(size_t(chars));
    // Most keys have a record or two: about half as many keys as records.
    keys_.reserve(records / 2, chars / 2);
    first_.reserve(size_t(records) / 2);
    last_.reserve(size_t(records) / 2);
}

bool WordFormStore::add(QStringView key, QStringView tag, QStringView lemma, QStringView form, QStringView lengths) {
    if (form.size() > std::numeric_limits<quint16>::max()) return false;
    return addRecord(addKey(key), tagIndex(tag), lemmaIndex(lemma), form, patternIndex(lengths));
}

quint32 WordFormStore::addKey(QStringView key) {
    const quint32 index = keys_.insert(key);
    if (index == first_.size()) {
        first_.push_back(kNone);
        last_.push_back(kNone);
        if (key.contains(u'v')) keysWithV_ = true;
    }
    return index;
}

bool WordFormStore::addRecord(quint32 keyIndex, quint32 tag, quint32 lemma, QStringView form, quint32 lengths) {
    if (form.size() > std::numeric_limits<quint16>::max()) return false;
    if (forms_.size() + size_t(form.size()) > std::numeric_limits<quint32>::max()) return false;
    Record r;
    r.form = quint32(forms_.size());
    r.formSize = quint16(form.size());
    r.lemma = lemma;
    r.tag = tag;
    r.lengths = lengths;
    forms_.insert(forms_.end(), form.utf16(), form.utf16() + form.size());

    const quint32 index = quint32(records_.size());
    records_.push_back(r);
    if (first_[keyIndex] == kNone) first_[keyIndex] = index;
    else records_[last_[keyIndex]].next = index;
    last_[keyIndex] = index;
    return true;
}

void WordFormStore::setLengths(quint32 index, QStringView lengths) {
    records_[index].lengths = patternIndex(lengths);
}

}  // namespace wordforms
