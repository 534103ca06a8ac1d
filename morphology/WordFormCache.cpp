#include "morphology/WordFormCache.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace WordFormCache {

namespace {

enum : int { kArray = 0xA, kDictionary = 0xD, kAscii = 0x5, kUtf16 = 0x6, kInteger = 0x1 };

class Reader {
public:
    explicit Reader(const QByteArray& data)
        : bytes_(reinterpret_cast<const uchar*>(data.constData())), size_(data.size()),
          workLeft_(quint64(data.size()) * kWorkPerByte + kWorkAllowance) {}

    QString error;

    bool open() {
        if (size_ < 8 + 32 || std::memcmp(bytes_, "bplist00", 8) != 0) return fail("not a binary property list");
        const qsizetype trailer = size_ - 32;
        offsetSize_ = bytes_[trailer + 6];
        refSize_ = bytes_[trailer + 7];
        objectCount_ = bigEndian(trailer + 8, 8);
        top_ = bigEndian(trailer + 16, 8);
        tableOffset_ = bigEndian(trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return fail("bad trailer sizes");
        if (tableOffset_ < 9 || tableOffset_ > quint64(trailer)) return fail("offset table outside the data");
        if (objectCount_ == 0 || objectCount_ > (quint64(trailer) - tableOffset_) / offsetSize_)
            return fail("object count larger than the offset table");
        if (top_ >= objectCount_) return fail("top object outside the table");
        return true;
    }

    quint64 objectCount() const { return objectCount_; }
    int referenceWidth() const { return refSize_; }
    int offsetWidth() const { return offsetSize_; }

    quint64 top() const { return top_; }

    // Where the object begins.
    bool offsetOf(quint64 ref, quint64* offset) {
        if (ref >= objectCount_) return fail("reference outside the table");
        *offset = bigEndian(qsizetype(tableOffset_ + ref * quint64(offsetSize_)), offsetSize_);
        if (*offset < 8 || *offset >= tableOffset_) return fail("object offset outside the data");
        return true;
    }

    // The object's kind, its count and where its contents begin.
    bool header(quint64 ref, int* kind, quint64* count, quint64* body) {
        quint64 offset = 0;
        if (!offsetOf(ref, &offset)) return false;
        const uchar marker = bytes_[offset];
        *kind = marker >> 4;
        quint64 pos = offset + 1;
        const int info = marker & 0x0F;
        if (info != 0x0F) {
            *count = quint64(info);
        } else {
            if (pos >= tableOffset_ || (bytes_[pos] >> 4) != kInteger) return fail("bad object count");
            const int width = 1 << (bytes_[pos] & 0x0F);
            if (width > 8 || tableOffset_ - pos - 1 < quint64(width)) return fail("bad object count");
            *count = bigEndian(qsizetype(pos + 1), width);
            pos += 1 + quint64(width);
        }
        *body = pos;
        return true;
    }

    // A string object, decoded into *out (whose room is reused); false,
    // without failing the read, for another kind.
    bool string(quint64 ref, QString* out) {
        int kind = 0;
        quint64 count = 0, body = 0;
        if (!header(ref, &kind, &count, &body)) return false;
        const quint64 room = tableOffset_ - body;
        if ((kind == kAscii || kind == kUtf16) && !spend(count)) return false;
        if (kind == kAscii) {
            if (count > room) return fail("string longer than the data");
            out->resize(qsizetype(count));
            QChar* d = out->data();
            for (quint64 i = 0; i < count; ++i) {
                if (bytes_[body + i] & 0x80) return fail("ASCII string with a byte above 0x7F");
                d[i] = QChar(char16_t(bytes_[body + i]));
            }
        } else if (kind == kUtf16) {
            if (count > room / 2) return fail("string longer than the data");
            out->resize(qsizetype(count));
            QChar* d = out->data();
            for (quint64 i = 0; i < count; ++i)
                d[i] = QChar(char16_t((bytes_[body + 2 * i] << 8) | bytes_[body + 2 * i + 1]));
        } else {
            return false;
        }
        return true;
    }

    // The references of an array or a dictionary (its keys, then its
    // values), read from the data as they are asked for: held all at once
    // they would take eight bytes for each byte or two of the data.
    struct References {
        quint64 body = 0;
        quint64 size = 0;
    };

    // False, without failing the read, when the object is of another kind.
    bool references(quint64 ref, int wanted, References* out) {
        int kind = 0;
        quint64 count = 0, body = 0;
        if (!header(ref, &kind, &count, &body)) return false;
        if (kind != wanted) return false;
        const quint64 perItem = wanted == kDictionary ? 2 : 1;
        if (count > (tableOffset_ - body) / quint64(refSize_) / perItem) return fail("container larger than the data");
        if (!spend(count * perItem)) return false;
        *out = {body, count * perItem};
        return true;
    }

    // The reference at the index, which is below list.size.
    bool at(const References& list, quint64 index, quint64* ref) {
        *ref = bigEndian(qsizetype(list.body + index * quint64(refSize_)), refSize_);
        if (*ref >= objectCount_) return fail("reference outside the table");
        return true;
    }

    bool failed() const { return !error.isEmpty(); }

    // Counts the slots the store's tables have looked at, a running total,
    // as work: strings that crowd one run of slots would otherwise make
    // each insertion walk all those before it.
    bool spendProbes(quint64 total) {
        if (total <= probesSpent_) return true;
        const quint64 units = total - probesSpent_;
        probesSpent_ = total;
        return spend(units);
    }

private:
    // An honest cache is read about once: each string and reference is met
    // a few times at most. Data that names the same objects over and over
    // asks for work out of proportion to its size, and is refused before it
    // is done, so that any read stays linear in the size.
    static constexpr quint64 kWorkPerByte = 4;
    static constexpr quint64 kWorkAllowance = 1 << 20;

    bool spend(quint64 units) {
        if (units > workLeft_) return fail("more work than the data's size holds");
        workLeft_ -= units;
        return true;
    }
    bool fail(const char* why) {
        if (error.isEmpty()) error = QString::fromLatin1(why);
        return false;
    }
    // Callers have checked that the bytes are there.
    quint64 bigEndian(qsizetype pos, int width) const {
        quint64 v = 0;
        for (int i = 0; i < width; ++i) v = (v << 8) | bytes_[pos + i];
        return v;
    }

    const uchar* bytes_;
    qsizetype size_;
    int offsetSize_ = 0, refSize_ = 0;
    quint64 objectCount_ = 0, top_ = 0, tableOffset_ = 0;
    quint64 workLeft_;
    quint64 probesSpent_ = 0;
};

const QString kClassName = QStringLiteral("ClassName");
const QString kName = QStringLiteral("name");
const QString kStamp = QStringLiteral("SourceStamp");
const QString kStored = QStringLiteral("storedData");
const QString kBase = QStringLiteral("base");
const QString kForm = QStringLiteral("form");
const QString kFlags = QStringLiteral("flags");
const QString kMeter = QStringLiteral("meter");

// The strings a record shares with others (field names, lemmas, tags and
// patterns) are written once and referred to by number: each number is
// decoded once, and answers its index from then on. Direct-mapped: a number
// pushed out is simply decoded again.
class RefMemo {
public:
    explicit RefMemo(size_t slots) : slots_(slots) {}
    bool find(quint64 ref, quint32* value) const {
        const Slot& s = slots_[ref & (slots_.size() - 1)];
        if (s.ref != ref + 1) return false;
        *value = s.value;
        return true;
    }
    void remember(quint64 ref, quint32 value) { slots_[ref & (slots_.size() - 1)] = {ref + 1, value}; }

private:
    struct Slot {
        quint64 ref = 0;  // the number + 1; 0 empty
        quint32 value = 0;
    };
    std::vector<Slot> slots_;
};

// What one read keeps between records.
struct Scratch {
    QString text;
    RefMemo names{64}, lemmas{1 << 16}, tags{1 << 12}, patterns{1 << 12};
};

constexpr quint32 kNoSlot = 4;
// Records a small cache may hold beyond its size's share: a hand-made list
// may write a record with fewer fields than the writers do.
constexpr qsizetype kRecordAllowance = 4096;
// A form is written once per key, so a cache holds at most a few of its
// forms' characters per byte.
constexpr qsizetype kMaxFormCharactersPerByte = 8;

// The field a key names: 0 base, 1 form, 2 flags, 3 meter, kNoSlot another;
// false when the key is no string.
bool fieldOf(Reader& reader, quint64 ref, Scratch& s, quint32* slot) {
    if (s.names.find(ref, slot)) return true;
    if (!reader.string(ref, &s.text)) return false;
    *slot = s.text == kBase ? 0 : s.text == kForm ? 1 : s.text == kFlags ? 2 : s.text == kMeter ? 3 : kNoSlot;
    s.names.remember(ref, *slot);
    return true;
}

// The store's index of a shared string; false when the value is no string.
template <typename Intern>
bool sharedIndex(Reader& reader, quint64 ref, RefMemo& memo, QString& text, Intern intern, quint32* index) {
    if (memo.find(ref, index)) return true;
    if (!reader.string(ref, &text)) return false;
    *index = intern(QStringView(text));
    memo.remember(ref, *index);
    return true;
}

// One record dictionary into the store; a value that is not a dictionary is
// passed over (false without failing the read). Fields of the wrong kind read
// as empty; a missing pattern as one not computed.
bool readRecord(Reader& reader, quint64 ref, quint32 key, Scratch& s, wordforms::WordFormStore& store) {
    Reader::References refs;
    if (!reader.references(ref, kDictionary, &refs)) return false;
    const quint64 n = refs.size / 2;
    quint64 values[4] = {};
    bool present[4] = {};
    for (quint64 i = 0; i < n; ++i) {
        quint32 slot = kNoSlot;
        quint64 name = 0, value = 0;
        if (!reader.at(refs, i, &name) || !reader.at(refs, n + i, &value)) return false;
        if (!fieldOf(reader, name, s, &slot)) return false;
        if (slot == kNoSlot) continue;
        values[slot] = value;
        present[slot] = true;
    }
    using Store = wordforms::WordFormStore;
    quint32 lemma = Store::kNone, tag = Store::kNone, lengths = Store::kNone;
    if (!present[0] || !sharedIndex(reader, values[0], s.lemmas, s.text, [&](QStringView t) { return store.lemmaIndex(t); }, &lemma))
        lemma = store.lemmaIndex(u"");
    if (reader.failed()) return false;
    if (!present[2] || !sharedIndex(reader, values[2], s.tags, s.text, [&](QStringView t) { return store.tagIndex(t); }, &tag))
        tag = store.tagIndex(u"");
    if (reader.failed()) return false;
    if (present[3] && !sharedIndex(reader, values[3], s.patterns, s.text, [&](QStringView t) { return store.patternIndex(t); }, &lengths))
        lengths = Store::kNone;
    if (reader.failed()) return false;
    s.text.resize(0);
    if (present[1] && !reader.string(values[1], &s.text)) s.text.resize(0);
    if (reader.failed()) return false;
    return store.addRecord(key, tag, lemma, s.text, lengths);
}

}  // namespace

bool read(const QByteArray& data, Contents* contents, QString* error) {
    Reader reader(data);
    const auto failWith = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (!reader.open()) return failWith(reader.error);

    Reader::References top;
    if (!reader.references(reader.top(), kDictionary, &top)) return failWith(reader.failed() ? reader.error : QStringLiteral("the top object is not a dictionary"));
    const quint64 topCount = top.size / 2;
    quint64 stored = 0;
    bool haveStored = false;
    for (quint64 i = 0; i < topCount; ++i) {
        QString key, value;
        quint64 keyRef = 0, valueRef = 0;
        if (!reader.at(top, i, &keyRef) || !reader.at(top, topCount + i, &valueRef)) return failWith(reader.error);
        if (!reader.string(keyRef, &key)) return failWith(reader.failed() ? reader.error : QStringLiteral("a key that is not a string"));
        if (key == kStored) {
            stored = valueRef;
            haveStored = true;
        } else if (key == kClassName || key == kName || key == kStamp) {
            if (!reader.string(valueRef, &value)) {
                if (reader.failed()) return failWith(reader.error);
                continue;
            }
            if (key == kClassName) contents->className = value;
            else if (key == kName) contents->name = value;
            else contents->sourceStamp = value;
        }
    }
    Reader::References keysAndArrays, items;
    if (!haveStored || !reader.references(stored, kDictionary, &keysAndArrays))
        return failWith(reader.failed() ? reader.error : QStringLiteral("no stored data"));
    const quint64 keyCount = keysAndArrays.size / 2;
    // About as many records as objects are left besides the keys and their
    // arrays, and a character of forms for every six bytes or so; untouched
    // room costs no memory, but address space all the same.
    contents->store.reserve(qsizetype(reader.objectCount() / 3), data.size() / 4);
    // Every writer gives each record a dictionary of its own with at least
    // its three fields, and the record's place in the offset table and in
    // its key's array: a record dictionary met twice, or more records than
    // that leaves room for, is no cache a writer made.
    const quint64 bytesPerRecord = 1 + 7 * quint64(reader.referenceWidth()) + quint64(reader.offsetWidth());
    const qsizetype maxRecords = qsizetype(quint64(data.size()) / bytesPerRecord) + kRecordAllowance;
    std::vector<bool> recordAt(size_t(data.size()));
    Scratch scratch;
    QString key;
    for (quint64 i = 0; i < keyCount; ++i) {
        quint64 keyRef = 0, arrayRef = 0;
        if (!reader.at(keysAndArrays, i, &keyRef) || !reader.at(keysAndArrays, keyCount + i, &arrayRef))
            return failWith(reader.error);
        if (!reader.string(keyRef, &key)) return failWith(reader.failed() ? reader.error : QStringLiteral("a key that is not a string"));
        if (!reader.references(arrayRef, kArray, &items)) {
            if (reader.failed()) return failWith(reader.error);
            continue;
        }
        if (items.size == 0) continue;
        const quint32 keyIndex = contents->store.addKey(key);
        if (!reader.spendProbes(contents->store.probes())) return failWith(reader.error);
        for (quint64 n = 0; n < items.size; ++n) {
            quint64 item = 0, offset = 0;
            if (!reader.at(items, n, &item) || !reader.offsetOf(item, &offset)) return failWith(reader.error);
            if (recordAt[size_t(offset)]) return failWith(QStringLiteral("a record named more than once"));
            if (readRecord(reader, item, keyIndex, scratch, contents->store)) recordAt[size_t(offset)] = true;
            if (reader.failed() || !reader.spendProbes(contents->store.probes())) return failWith(reader.error);
            if (contents->store.recordCount() > maxRecords)
                return failWith(QStringLiteral("more records than the data's size holds"));
            // Records may share one string; each keeps its own copy of the
            // form. Data whose forms would take many times its size is not a
            // cache this program wrote: checked per record.
            if (contents->store.formCharacters() > kMaxFormCharactersPerByte * data.size() + (1 << 20))
                return failWith(QStringLiteral("forms far larger than the data"));
        }
    }
    return true;
}

namespace {

// Object references and offsets in the fewest bytes that hold them.
int widthFor(quint64 value) {
    if (value < (1ULL << 8)) return 1;
    if (value < (1ULL << 16)) return 2;
    if (value < (1ULL << 32)) return 4;
    return 8;
}

class Writer {
public:
    // Numbers a string object; the text must outlive the writer.
    quint64 string(QStringView s) {
        strings_.push_back({count_, s});
        stringBytes_ += quint64(s.size()) * 2 + 10;
        return count_++;
    }
    void addReferences(quint64 n) { references_ += n; }
    quint64 container() { return count_++; }
    quint64 count() const { return count_; }

    void begin() {
        refWidth_ = widthFor(count_);
        offsets_.assign(size_t(count_), 0);
        // Room for nearly everything at once; bytes never written cost no
        // memory.
        out_.resize(qsizetype(stringBytes_ + references_ * quint64(refWidth_) + count_ * 18 + 64));
        char* p = room(8);
        std::memcpy(p, "bplist00", 8);
        for (const auto& [ref, s] : strings_) writeString(ref, s);
    }
    void writeArray(quint64 ref, const std::vector<quint64>& items) {
        offsets_[size_t(ref)] = quint64(size_);
        marker(0xA, quint64(items.size()));
        char* p = room(qsizetype(items.size()) * refWidth_);
        for (quint64 r : items) p = number(p, r, refWidth_);
    }
    void writeDictionary(quint64 ref, const std::vector<quint64>& keys, const std::vector<quint64>& values) {
        offsets_[size_t(ref)] = quint64(size_);
        marker(0xD, quint64(keys.size()));
        char* p = room(qsizetype(keys.size() + values.size()) * refWidth_);
        for (quint64 r : keys) p = number(p, r, refWidth_);
        for (quint64 r : values) p = number(p, r, refWidth_);
    }
    QByteArray finish(quint64 top) {
        const quint64 tableOffset = quint64(size_);
        const int offsetWidth = widthFor(tableOffset);
        char* p = room(qsizetype(offsets_.size()) * offsetWidth);
        for (quint64 offset : offsets_) p = number(p, offset, offsetWidth);
        p = room(32);
        std::memset(p, 0, 6);
        p[6] = char(offsetWidth);
        p[7] = char(refWidth_);
        p = number(p + 8, count_, 8);
        p = number(p, top, 8);
        number(p, tableOffset, 8);
        out_.resize(size_);
        return std::move(out_);
    }

private:
    // The next n bytes of the output, made room for.
    char* room(qsizetype n) {
        if (size_ + n > out_.size()) out_.resize(std::max(out_.size() * 2, size_ + n));
        char* p = out_.data() + size_;
        size_ += n;
        return p;
    }
    static char* number(char* p, quint64 v, int width) {
        for (int i = width - 1; i >= 0; --i) *p++ = char((v >> (8 * i)) & 0xFF);
        return p;
    }
    void marker(int kind, quint64 n) {
        if (n < 15) {
            *room(1) = char((kind << 4) | int(n));
            return;
        }
        const int width = widthFor(n);
        char* p = room(2 + width);
        p[0] = char((kind << 4) | 0xF);
        p[1] = char(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3));
        number(p + 2, n, width);
    }
    void writeString(quint64 ref, QStringView s) {
        offsets_[size_t(ref)] = quint64(size_);
        bool ascii = true;
        for (const QChar c : s) ascii = ascii && c.unicode() < 0x80;
        marker(ascii ? kAscii : kUtf16, quint64(s.size()));
        char* p = room(s.size() * (ascii ? 1 : 2));
        for (const QChar c : s) {
            if (ascii) {
                *p++ = char(c.unicode());
            } else {
                *p++ = char(c.unicode() >> 8);
                *p++ = char(c.unicode() & 0xFF);
            }
        }
    }

    quint64 count_ = 0;
    int refWidth_ = 1;
    quint64 stringBytes_ = 0, references_ = 0;
    std::vector<std::pair<quint64, QStringView>> strings_;
    std::vector<quint64> offsets_;
    QByteArray out_;
    qsizetype size_ = 0;  // bytes written so far
};

}  // namespace

QByteArray write(const QString& className, const QString& name, const QString& sourceStamp,
                 const wordforms::WordFormStore& store, QString* error) {
    using wordforms::WordFormStore;
    Writer w;
    // Numbering: the two dictionaries above the records, then each key's
    // array followed by its records, then the strings they meet first.
    const quint64 top = w.container();
    const quint64 stored = w.container();
    std::vector<quint64> topKeys{w.string(kClassName)}, topValues{w.string(className)};
    if (!name.isNull()) {
        topKeys.push_back(w.string(kName));
        topValues.push_back(w.string(name));
    }
    if (!sourceStamp.isEmpty()) {
        topKeys.push_back(w.string(kStamp));
        topValues.push_back(w.string(sourceStamp));
    }
    topKeys.push_back(w.string(kStored));
    topValues.push_back(stored);
    const quint64 fieldKeys[4] = {w.string(kBase), w.string(kForm), w.string(kFlags), w.string(kMeter)};

    // Lemmas, tags and patterns are written once, when first met.
    constexpr quint64 kUnset = ~0ULL;
    std::vector<quint64> lemmaRefs, tagRefs, patternRefs;
    const auto shared = [&](std::vector<quint64>& refs, quint32 index, QStringView text) {
        if (refs.size() <= index) refs.resize(size_t(index) + 1, kUnset);
        if (refs[index] == kUnset) refs[index] = w.string(text);
        return refs[index];
    };
    const quint32 keyCount = store.keyCount();
    std::vector<quint64> storedKeys(keyCount), storedValues(keyCount);
    std::vector<quint64> formRefs(size_t(store.recordCount()));
    std::vector<quint32> seen;  // records of the key met so far
    for (quint32 k = 0; k < keyCount; ++k) {
        const QStringView key = store.key(k);
        storedKeys[k] = w.string(key);
        storedValues[k] = w.container();
        // The array's records are numbered in a row, their strings after.
        seen.clear();
        for (quint32 i = store.firstRecord(k); i != WordFormStore::kNone; i = store.record(i).next) {
            w.container();
            seen.push_back(i);
        }
        w.addReferences(quint64(seen.size()) * 9);
        for (size_t n = 0; n < seen.size(); ++n) {
            const quint32 i = seen[n];
            const WordFormStore::Record& r = store.record(i);
            const QStringView form = store.form(r);
            // A form is written once per key; the key itself may be one.
            quint64 ref = form == key ? storedKeys[k] : kUnset;
            for (size_t m = 0; m < n && ref == kUnset; ++m)
                if (store.form(store.record(seen[m])) == form) ref = formRefs[seen[m]];
            formRefs[i] = ref == kUnset ? w.string(form) : ref;
            shared(lemmaRefs, r.lemma, store.lemma(r));
            shared(tagRefs, r.tag, store.tag(r));
            if (r.lengths != WordFormStore::kNone) shared(patternRefs, r.lengths, store.lengths(r));
        }
    }
    if (w.count() >= (1ULL << 32)) {
        if (error) *error = QStringLiteral("too many objects for the cache");
        return QByteArray();
    }

    w.begin();
    w.writeDictionary(top, topKeys, topValues);
    w.writeDictionary(stored, storedKeys, storedValues);
    std::vector<quint64> items, keys, values;
    for (quint32 k = 0; k < keyCount; ++k) {
        const quint64 array = storedValues[k];
        items.clear();
        for (quint32 i = store.firstRecord(k); i != WordFormStore::kNone; i = store.record(i).next)
            items.push_back(array + 1 + items.size());
        w.writeArray(array, items);
        quint64 ref = array + 1;
        for (quint32 i = store.firstRecord(k); i != WordFormStore::kNone; i = store.record(i).next) {
            const WordFormStore::Record& r = store.record(i);
            keys.assign({fieldKeys[0], fieldKeys[1], fieldKeys[2]});
            values.assign({lemmaRefs[r.lemma], formRefs[i], tagRefs[r.tag]});
            if (r.lengths != WordFormStore::kNone) {
                keys.push_back(fieldKeys[3]);
                values.push_back(patternRefs[r.lengths]);
            }
            w.writeDictionary(ref++, keys, values);
        }
    }
    return w.finish(top);
}

}  // namespace WordFormCache
