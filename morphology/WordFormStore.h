#pragma once
// The records of the word-form list held compactly: the full list has over a
// million records, and an object per record cost several times the text it
// was read from. A record is a few numbers: its form lies in one pool of
// characters, its lemma, tag and vowel-length pattern among strings kept once
// each, and the records of one key are chained in the order they were added.
//
// Not thread-safe on its own: the word-form dictionary guards it with its
// lock. Views it hands out stay valid until the next addition.

#include "morphology/ShortStringHash.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace wordforms {

// The hash the tables place a string by: 64 bits, the low ones choose the
// slot, the high ones are kept in it.
size_t stringHash(QStringView s, size_t seed);

// Strings kept once each in one pool, found by their text.
//
// The strings come from a cache file anyone can write: the hash is seeded
// (by default once per process) so that no file can choose strings that
// crowd one run of slots, and every slot looked at is counted, so that a
// reader can bound the work a file asks for.
class StringTable {
public:
    static constexpr quint32 kNone = ~0u;

    explicit StringTable(size_t seed = size_t(ShortStringHash::processSeed())) : seed_(seed) {}

    quint32 find(QStringView s) const;
    // The index of the string, adding it when it is new.
    quint32 insert(QStringView s);
    // Never null, even when empty.
    QStringView at(quint32 index) const {
        const qsizetype size = qsizetype(offsets_[index + 1] - offsets_[index]);
        return size ? QStringView(chars_.data() + offsets_[index], size) : QStringView(u"");
    }
    quint32 size() const { return quint32(offsets_.size() - 1); }
    void reserve(qsizetype strings, qsizetype chars);
    // Slots looked at so far by insertions and rehashing.
    quint64 probes() const { return probes_; }

private:
    // Adds the slots looked at to *probes.
    quint32 slotOf(QStringView s, size_t hash, quint64* probes) const;
    void rehash(size_t slots);

    std::vector<char16_t> chars_;
    std::vector<quint32> offsets_{0};  // string i is [offsets_[i], offsets_[i + 1])
    struct Slot {
        quint32 index = 0;  // index + 1; 0 empty
        quint32 check = 0;  // the high half of the string's hash, never 0
    };
    std::vector<Slot> slots_;
    quint32 last_ = kNone;             // the string inserted or found last
    size_t seed_;
    quint64 probes_ = 0;  // by insertions only: look-ups run on many threads at once
};

class WordFormStore {
public:
    static constexpr quint32 kNone = StringTable::kNone;

    // The seed of its string tables' hash; tests choose one to know where
    // strings land.
    explicit WordFormStore(size_t hashSeed = size_t(ShortStringHash::processSeed()))
        : keys_(hashSeed), lemmas_(hashSeed), tags_(hashSeed), patterns_(hashSeed) {}

    struct Record {
        quint32 form = 0;  // offset in the form pool
        quint32 lemma = 0;
        quint32 tag = 0;
        quint32 lengths = kNone;  // the pattern's index; kNone until computed
        quint32 next = kNone;     // the next record of the same key
        quint16 formSize = 0;
    };

    // Room for about this many records and characters of forms and keys.
    void reserve(qsizetype records, qsizetype chars);
    // Appends a record under the key. A null pattern is one not computed yet.
    // False, adding nothing, for a form longer than a record holds.
    bool add(QStringView key, QStringView tag, QStringView lemma, QStringView form, QStringView lengths = {});

    // The same in steps, for a reader that meets each key, lemma and tag
    // many times: the index of each (made when new), then the record.
    quint32 addKey(QStringView key);
    quint32 lemmaIndex(QStringView lemma) { return lemmas_.insert(lemma); }
    quint32 tagIndex(QStringView tag) { return tags_.insert(tag); }
    // kNone for a null pattern.
    quint32 patternIndex(QStringView lengths) { return lengths.isNull() ? kNone : patterns_.insert(lengths); }
    bool addRecord(quint32 keyIndex, quint32 tag, quint32 lemma, QStringView form, quint32 lengths);

    quint32 keyCount() const { return keys_.size(); }
    qsizetype recordCount() const { return qsizetype(records_.size()); }
    // The characters of all forms together.
    qsizetype formCharacters() const { return qsizetype(forms_.size()); }
    quint32 findKey(QStringView key) const { return keys_.find(key); }
    QStringView key(quint32 keyIndex) const { return keys_.at(keyIndex); }
    // The first record of a key (kNone for a key without records); follow
    // Record::next for the others.
    quint32 firstRecord(quint32 keyIndex) const { return first_[keyIndex]; }
    const Record& record(quint32 index) const { return records_[index]; }

    QStringView form(const Record& r) const { return QStringView(forms_.data() + r.form, qsizetype(r.formSize)); }
    QStringView lemma(const Record& r) const { return lemmas_.at(r.lemma); }
    QStringView tag(const Record& r) const { return tags_.at(r.tag); }
    // Null while not computed.
    QStringView lengths(const Record& r) const { return r.lengths == kNone ? QStringView() : patterns_.at(r.lengths); }
    void setLengths(quint32 index, QStringView lengths);

    // Whether some key holds a "v".
    bool keysWithV() const { return keysWithV_; }

    // Slots its string tables have looked at so far.
    quint64 probes() const { return keys_.probes() + lemmas_.probes() + tags_.probes() + patterns_.probes(); }

private:
    StringTable keys_;
    StringTable lemmas_;
    StringTable tags_;
    StringTable patterns_;
    std::vector<quint32> first_, last_;  // per key
    std::vector<Record> records_;
    std::vector<char16_t> forms_;
    bool keysWithV_ = false;
};

}  // namespace wordforms
