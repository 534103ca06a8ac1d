// The binary property-list form ("bplist00"): a bounds-checked reader and a
// writer that uniques equal scalars and picks the narrowest widths.

#include "PropertyList.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <deque>
#include <numeric>
#include <span>
#include <limits>
#include <unordered_map>

namespace ts {

namespace {

constexpr int kHeaderSize = 8;
constexpr int kTrailerSize = 32;

quint64 readBigEndian(const uchar* p, int width) {
    quint64 v = 0;
    for (int i = 0; i < width; ++i) v = (v << 8) | p[i];
    return v;
}

double readDouble(const uchar* p) {
    const quint64 bits = readBigEndian(p, 8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

float readFloat(const uchar* p) {
    const quint32 bits = quint32(readBigEndian(p, 4));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// ---------------------------------------------------------------------------
// Reader

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& data)
        : bytes_(reinterpret_cast<const uchar*>(data.constData())), size_(quint64(data.size())) {}

    PlistResult run() {
        PlistResult result;
        result.format = PlistFormat::Binary;
        Value top;
        if (readTrailer()) {
            // Without shared containers every decoded value costs at least one
            // reference byte in the file; the factor and the slack let files
            // share containers freely while a file built to explode stops early.
            budget_ = 2 * size_ + (1u << 18);
            state_.assign(numObjects_, 0);
            if (!readObject(topObject_, 0, top)) top = Value();
        }
        if (!error_.isEmpty()) {
            result.error = error_;
            return result;
        }
        result.value = std::move(top);
        return result;
    }

private:
    // state_ per object: 0 unvisited (or not cached), kOnPath while its
    // container is being decoded (a second visit then is a cycle), otherwise
    // 1 + index of its decoded string or data in cache_.
    static constexpr quint32 kOnPath = 0xFFFFFFFFu;

    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = QStringLiteral("binary property list: ") + message;
        return false;
    }

    bool readTrailer() {
        if (size_ < quint64(kHeaderSize + 1 + kTrailerSize)) return fail(QStringLiteral("file too short"));
        if (std::memcmp(bytes_, "bplist00", 8) != 0) return fail(QStringLiteral("not a bplist00 file"));
        const uchar* t = bytes_ + size_ - kTrailerSize;
        offsetIntSize_ = t[6];
        refSize_ = t[7];
        numObjects_ = readBigEndian(t + 8, 8);
        topObject_ = readBigEndian(t + 16, 8);
        offsetTableOffset_ = readBigEndian(t + 24, 8);
        if (offsetIntSize_ < 1 || offsetIntSize_ > 8) return fail(QStringLiteral("bad offset width %1").arg(offsetIntSize_));
        if (refSize_ < 1 || refSize_ > 8) return fail(QStringLiteral("bad reference width %1").arg(refSize_));
        const quint64 tableEnd = size_ - kTrailerSize;
        if (numObjects_ < 1) return fail(QStringLiteral("no objects"));
        if (offsetTableOffset_ < quint64(kHeaderSize + 1) || offsetTableOffset_ > tableEnd)
            return fail(QStringLiteral("offset table out of range"));
        // The table must fit before the trailer: numObjects * width <= room.
        const quint64 room = tableEnd - offsetTableOffset_;
        if (numObjects_ > room / offsetIntSize_) return fail(QStringLiteral("object count %1 exceeds the offset table").arg(numObjects_));
        if (refSize_ < 8 && numObjects_ > (quint64(1) << (8 * refSize_)))
            return fail(QStringLiteral("reference width %1 too narrow for %2 objects").arg(refSize_).arg(numObjects_));
        if (topObject_ >= numObjects_) return fail(QStringLiteral("top object out of range"));
        return true;
    }

    // The file offset of object `ref`, checked to lie in the object area.
    bool objectOffset(quint64 ref, quint64& offset) {
        offset = readBigEndian(bytes_ + offsetTableOffset_ + ref * offsetIntSize_, offsetIntSize_);
        if (offset < quint64(kHeaderSize) || offset >= offsetTableOffset_)
            return fail(QStringLiteral("object %1 has offset %2 out of range").arg(ref).arg(offset));
        return true;
    }

    // Reads the length that follows a marker whose low nibble is 0xF.
    bool readLength(quint64& pos, uchar nibble, quint64& length) {
        if (nibble != 0xF) {
            length = nibble;
            return true;
        }
        if (pos >= offsetTableOffset_) return fail(QStringLiteral("truncated length"));
        const uchar marker = bytes_[pos++];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return fail(QStringLiteral("bad length marker 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
        const int width = 1 << (marker & 0x0F);
        if (offsetTableOffset_ - pos < quint64(width)) return fail(QStringLiteral("truncated length"));
        length = readBigEndian(bytes_ + pos, width);
        pos += width;
        return true;
    }

    // Checks that `count` items of `unit` bytes fit between pos and the table.
    bool fits(quint64 pos, quint64 count, quint64 unit) {
        const quint64 room = offsetTableOffset_ - pos;
        if (count > room / unit) return fail(QStringLiteral("count %1 exceeds the bytes left").arg(count));
        return true;
    }

    bool spend(quint64 n) {
        if (n > budget_) return fail(QStringLiteral("too many values (shared containers expand beyond the limit)"));
        budget_ -= n;
        return true;
    }

    bool readRef(const uchar* p, quint64& ref) {
        ref = readBigEndian(p, refSize_);
        if (ref >= numObjects_) return fail(QStringLiteral("object reference %1 out of range").arg(ref));
        return true;
    }

    bool readObject(quint64 ref, int depth, Value& out) {
        const quint32 st = state_[ref];
        if (st == kOnPath) return fail(QStringLiteral("reference cycle at object %1").arg(ref));
        if (st != 0) {
            if (!spend(1)) return false;
            out = cache_[st - 1];
            return true;
        }
        quint64 pos;
        if (!objectOffset(ref, pos)) return false;
        const uchar marker = bytes_[pos++];
        const uchar nibble = marker & 0x0F;
        switch (marker >> 4) {
        case 0x0:
        case 0x1:
        case 0x2:
        case 0x3:
        case 0x8:
            return readScalar(marker, pos, out) && spend(1);
        case 0x4:
        case 0x5:
        case 0x6:
            // Strings and data are decoded once and shared (keys and class
            // names recur throughout keyed archives).
            if (!readScalar(marker, pos, out) || !spend(1)) return false;
            if (cache_.size() < kOnPath - 1) {
                cache_.push_back(out);
                state_[ref] = quint32(cache_.size());
            }
            return true;
        case 0xA:
        case 0xC:
            return readArray(ref, pos, nibble, depth, out);
        case 0xD:
            return readDictionary(ref, pos, nibble, depth, out);
        default:
            return fail(QStringLiteral("unknown marker 0x%1 at offset %2").arg(marker, 2, 16, QLatin1Char('0')).arg(pos - 1));
        }
    }

    bool readScalar(uchar marker, quint64 pos, Value& out) {
        const uchar nibble = marker & 0x0F;
        const quint64 left = offsetTableOffset_ - pos;
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x00) { out = Value(); return true; }
            if (marker == 0x08) { out = false; return true; }
            if (marker == 0x09) { out = true; return true; }
            break;
        case 0x1: {
            if (nibble > 4) break;
            const quint64 width = quint64(1) << nibble;
            if (left < width) return fail(QStringLiteral("truncated integer"));
            const uchar* p = bytes_ + pos;
            if (nibble < 3) {
                out = qint64(readBigEndian(p, int(width)));
            } else if (nibble == 3) {
                out = qint64(readBigEndian(p, 8));
            } else {
                const quint64 high = readBigEndian(p, 8), low = readBigEndian(p + 8, 8);
                if (high == 0) out = Value(static_cast<unsigned long long>(low));
                else if (high == ~quint64(0) && (low >> 63)) out = qint64(low);
                else return fail(QStringLiteral("128-bit integer out of range"));
            }
            return true;
        }
        case 0x2:
            if (nibble == 2) {
                if (left < 4) return fail(QStringLiteral("truncated real"));
                out = double(readFloat(bytes_ + pos));
                return true;
            }
            if (nibble == 3) {
                if (left < 8) return fail(QStringLiteral("truncated real"));
                out = readDouble(bytes_ + pos);
                return true;
            }
            break;
        case 0x3:
            if (marker != 0x33) break;
            if (left < 8) return fail(QStringLiteral("truncated date"));
            out = Date{readDouble(bytes_ + pos)};
            return true;
        case 0x4: {
            quint64 n = 0;
            if (!readLength(pos, nibble, n) || !fits(pos, n, 1)) return false;
            out = QByteArray(reinterpret_cast<const char*>(bytes_ + pos), qsizetype(n));
            return true;
        }
        case 0x5: {
            QString s;
            if (!readAscii(pos, nibble, s)) return false;
            out = std::move(s);
            return true;
        }
        case 0x6: {
            QString s;
            if (!readUtf16(pos, nibble, s)) return false;
            out = std::move(s);
            return true;
        }
        case 0x8: {
            const quint64 width = quint64(nibble) + 1;
            if (width > 8) return fail(QStringLiteral("UID wider than 8 bytes"));
            if (left < width) return fail(QStringLiteral("truncated UID"));
            out = Uid{readBigEndian(bytes_ + pos, int(width))};
            return true;
        }
        default:
            break;
        }
        return fail(QStringLiteral("unknown marker 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
    }

    bool readAscii(quint64 pos, uchar nibble, QString& s) {
        quint64 n = 0;
        if (!readLength(pos, nibble, n) || !fits(pos, n, 1)) return false;
        const uchar* p = bytes_ + pos;
        uchar any = 0;
        for (quint64 i = 0; i < n; ++i) any |= p[i];
        if (any & 0x80) return fail(QStringLiteral("ASCII string holds a byte above 0x7F"));
        s = QString::fromLatin1(reinterpret_cast<const char*>(p), qsizetype(n));
        return true;
    }

    bool readUtf16(quint64 pos, uchar nibble, QString& s) {
        quint64 n = 0;
        if (!readLength(pos, nibble, n) || !fits(pos, n, 2)) return false;
        const uchar* p = bytes_ + pos;
        s = QString(qsizetype(n), Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(s.data());
        for (quint64 i = 0; i < n; ++i) d[i] = char16_t((p[2 * i] << 8) | p[2 * i + 1]);
        return true;
    }

    bool readArray(quint64 ref, quint64 pos, uchar nibble, int depth, Value& out) {
        if (depth >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        quint64 n = 0;
        if (!readLength(pos, nibble, n) || !fits(pos, n, refSize_) || !spend(1)) return false;
        if (n > budget_) return fail(QStringLiteral("too many values"));
        state_[ref] = kOnPath;
        ValueArray items;
        items.resize(size_t(n));
        const uchar* p = bytes_ + pos;
        for (quint64 i = 0; i < n; ++i) {
            quint64 child;
            if (!readRef(p + i * refSize_, child) || !readObject(child, depth + 1, items[size_t(i)])) return false;
        }
        state_[ref] = 0;
        out = Value(std::move(items));
        return true;
    }

    bool readKey(quint64 ref, QString& key) {
        const quint32 st = state_[ref];
        if (st != 0 && st != kOnPath) {
            const Value& v = cache_[st - 1];
            if (!v.isString()) return fail(QStringLiteral("dictionary key is not a string"));
            key = v.toString();
            return true;
        }
        quint64 pos;
        if (!objectOffset(ref, pos)) return false;
        const uchar marker = bytes_[pos++];
        bool ok;
        if ((marker >> 4) == 0x5) ok = readAscii(pos, marker & 0x0F, key);
        else if ((marker >> 4) == 0x6) ok = readUtf16(pos, marker & 0x0F, key);
        else return fail(QStringLiteral("dictionary key is not a string"));
        if (!ok) return false;
        if (cache_.size() < kOnPath - 1) {
            cache_.push_back(Value(key));
            state_[ref] = quint32(cache_.size());
        }
        return true;
    }

    bool readDictionary(quint64 ref, quint64 pos, uchar nibble, int depth, Value& out) {
        if (depth >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        quint64 n = 0;
        if (!readLength(pos, nibble, n) || !fits(pos, n, 2 * quint64(refSize_)) || !spend(1)) return false;
        state_[ref] = kOnPath;
        ValueDictionary dict;
        const uchar* keys = bytes_ + pos;
        const uchar* values = keys + n * refSize_;
        for (quint64 i = 0; i < n; ++i) {
            quint64 keyRef, valueRef;
            QString key;
            if (!readRef(keys + i * refSize_, keyRef) || !readKey(keyRef, key)) return false;
            if (!readRef(values + i * refSize_, valueRef)) return false;
            // Keys written in sorted order append at the end in constant time.
            auto it = dict.emplace_hint(dict.end(), std::move(key), Value());
            if (!readObject(valueRef, depth + 1, it->second)) return false;
        }
        state_[ref] = 0;
        out = Value(std::move(dict));
        return true;
    }

    const uchar* bytes_;
    quint64 size_;
    int offsetIntSize_ = 0;
    int refSize_ = 0;
    quint64 numObjects_ = 0;
    quint64 topObject_ = 0;
    quint64 offsetTableOffset_ = 0;
    quint64 budget_ = 0;
    std::vector<quint32> state_;
    std::vector<Value> cache_;
    QString error_;
};

// ---------------------------------------------------------------------------
// Writer

int widthFor(quint64 v) {
    if (v <= 0xFF) return 1;
    if (v <= 0xFFFF) return 2;
    if (v <= 0xFFFFFFFFu) return 4;
    return 8;
}

void appendBigEndian(QByteArray& out, quint64 v, int width) {
    char buf[8] = {};
    for (int i = width - 1; i >= 0; --i) {
        buf[i] = char(v & 0xFF);
        v >>= 8;
    }
    out.append(buf, width);
}

bool isAscii(const QString& s) {
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    char16_t any = 0;
    for (qsizetype i = 0; i < n; ++i) any |= p[i];
    return any < 0x80;
}

struct ScalarKey {
    int type;
    quint64 bits;
    bool operator==(const ScalarKey& o) const { return type == o.type && bits == o.bits; }
};
struct ScalarKeyHash {
    size_t operator()(const ScalarKey& k) const { return std::hash<quint64>()(k.bits * 31 + quint64(k.type)); }
};

// Numbers every object as it is added (a container before its contents, a
// dictionary's keys before its values) and writes them all at the end.
class BinaryWriter {
public:
    QByteArray run(const Value& root, QString* error) {
        objects_.reserve(1024);
        if (add(root, 0) == kFailed) {
            if (error) *error = error_;
            return {};
        }
        return emit();
    }

    QByteArray finish(QString* error) {
        if (!error_.isEmpty() || objects_.empty()) {
            fail(QStringLiteral("nothing to write"));
            if (error) *error = error_;
            return {};
        }
        return emit();
    }

    // The pieces BinaryPropertyListWriter adds; `depth_` is the nesting of
    // the containers being added.
    quint32 addValue(Value value) {
        // Kept only when new: a document repeats many values (class names,
        // shared bytes), and each is looked up once.
        if (value.isString()) return addKeptOnce(strings_, value.toString(), std::move(value));
        if (value.isData()) return addKeptOnce(datas_, value.toData(), std::move(value));
        return add(kept_.emplace_back(std::move(value)), depth_);
    }

    quint32 addDictionary(BinaryPropertyListWriter::Entries& entries, BinaryPropertyListWriter& outer) {
        if (!error_.isEmpty()) return kFailed;
        if (depth_ >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        // The entries in key order, by position (on the stack for the few
        // entries of a line); of equal keys the last stays, as a
        // ValueDictionary assigned them keeps.
        QVarLengthArray<quint32, 16> order(qsizetype(entries.size()));
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
            const QString &x = entries[a].key, &y = entries[b].key;
            // Keys mostly differ in their first letter, which decides alone.
            if (!x.isEmpty() && !y.isEmpty() && x.front() != y.front()) return x.front() < y.front();
            const int c = x.compare(y);
            return c < 0 || (c == 0 && a < b);
        });
        auto sameKey = [&](quint32 a, quint32 b) { return entries[a].key == entries[b].key; };
        order.erase(order.begin(), std::unique(order.rbegin(), order.rend(), sameKey).base());

        const quint32 idx = newObject(&containerOf(Value::Type::Dictionary), nullptr);
        QVarLengthArray<quint32, 32> kids(order.size() * 2);
        size_t i = 0;
        for (quint32 e : order) {
            // Keys usually name themselves already: only a new one is kept.
            QString& key = entries[e].key;
            auto it = strings_.constFind(key);
            kids[i++] = it != strings_.constEnd() ? it.value() : addString(keptKeys_.emplace_back(std::move(key)), nullptr);
        }
        ++depth_;
        for (quint32 e : order) {
            auto& entry = entries[e];
            const quint32 k = entry.add ? entry.add(outer) : addValue(std::move(entry.value));
            if (k == kFailed) return fail(QStringLiteral("a dictionary entry could not be written"));
            kids[i++] = k;
        }
        --depth_;
        setChildren(idx, kids);
        return idx;
    }

    quint32 addArray(const std::function<void(std::vector<quint32>&)>& addItems) {
        if (!error_.isEmpty()) return kFailed;
        if (depth_ >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        const quint32 idx = newObject(&containerOf(Value::Type::Array), nullptr);
        std::vector<quint32> kids;
        ++depth_;
        addItems(kids);
        --depth_;
        if (std::find(kids.begin(), kids.end(), kFailed) != kids.end())
            return fail(QStringLiteral("an array item could not be written"));
        setChildren(idx, kids);
        return idx;
    }

private:
    static constexpr quint32 kFailed = BinaryPropertyListWriter::kFailed;

    // One object of the file: a value, or a dictionary key string.
    struct Obj {
        const Value* value = nullptr;
        const QString* key = nullptr;
        quint32 childStart = 0;  // into children_; a dictionary lists keys then values
        quint32 childCount = 0;
    };

    // What a container added piece by piece is written as: only its kind
    // counts, its children are the object's own.
    static const Value& containerOf(Value::Type type) {
        static const Value array{ValueArray{}}, dictionary{ValueDictionary{}};
        return type == Value::Type::Array ? array : dictionary;
    }

    quint32 fail(const QString& message) {
        if (error_.isEmpty()) error_ = QStringLiteral("binary property list: ") + message;
        return kFailed;
    }

    quint32 newObject(const Value* v, const QString* key) {
        objects_.push_back(Obj{v, key, 0, 0});
        return quint32(objects_.size() - 1);
    }

    quint32 addString(const QString& s, const Value* v) {
        auto it = strings_.constFind(s);
        if (it != strings_.constEnd()) return it.value();
        const quint32 idx = newObject(v, v ? nullptr : &s);
        strings_.insert(s, idx);
        return idx;
    }

    // The number of the equal string or data added before; else the value
    // is kept and numbered.
    template <class Key>
    quint32 addKeptOnce(QHash<Key, quint32>& seen, Key key, Value&& value) {
        auto it = seen.constFind(key);
        if (it != seen.constEnd()) return it.value();
        const quint32 idx = newObject(&kept_.emplace_back(std::move(value)), nullptr);
        seen.insert(key, idx);
        return idx;
    }

    quint32 addScalar(const Value& v, int type, quint64 bits) {
        auto [it, inserted] = scalars_.try_emplace(ScalarKey{type, bits}, quint32(objects_.size()));
        if (inserted) newObject(&v, nullptr);
        return it->second;
    }

    static quint64 doubleBits(double d) {
        quint64 b;
        std::memcpy(&b, &d, sizeof b);
        return b;
    }

    quint32 add(const Value& v, int depth) {
        if (objects_.size() >= kFailed - 1) return fail(QStringLiteral("too many objects"));
        switch (v.type()) {
        case Value::Type::Null: return addScalar(v, 0, 0);
        case Value::Type::Bool: return addScalar(v, 1, v.toBool());
        case Value::Type::Integer: return addScalar(v, 2, quint64(v.toInt64()));
        case Value::Type::Unsigned: return addScalar(v, 3, v.toUInt64());
        case Value::Type::Real: return addScalar(v, 4, doubleBits(v.toDouble()));
        case Value::Type::Date: return addScalar(v, 5, doubleBits(v.toDate().seconds));
        case Value::Type::Uid: return addScalar(v, 6, v.toUid().value);
        case Value::Type::String: return addString(v.toString(), &v);
        case Value::Type::Data: {
            const QByteArray d = v.toData();
            auto it = datas_.constFind(d);
            if (it != datas_.constEnd()) return it.value();
            const quint32 idx = newObject(&v, nullptr);
            datas_.insert(d, idx);
            return idx;
        }
        case Value::Type::Array: {
            if (depth >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
            const quint32 idx = newObject(&v, nullptr);
            const ValueArray& items = v.array();
            std::vector<quint32> kids;
            kids.reserve(items.size());
            for (const Value& item : items) {
                const quint32 k = add(item, depth + 1);
                if (k == kFailed) return kFailed;
                kids.push_back(k);
            }
            setChildren(idx, kids);
            return idx;
        }
        case Value::Type::Dictionary: {
            if (depth >= PropertyList::kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
            const quint32 idx = newObject(&v, nullptr);
            const ValueDictionary& dict = v.dictionary();
            std::vector<quint32> kids(dict.size() * 2);
            size_t i = 0;
            for (const auto& [key, value] : dict) kids[i++] = addString(key, nullptr);
            i = dict.size();
            for (const auto& [key, value] : dict) {
                const quint32 k = add(value, depth + 1);
                if (k == kFailed) return kFailed;
                kids[i++] = k;
            }
            setChildren(idx, kids);
            return idx;
        }
        case Value::Type::Object:
            return fail(QStringLiteral("a live object cannot be written to a property list"));
        }
        return fail(QStringLiteral("unknown value type"));
    }

    void setChildren(quint32 idx, std::span<const quint32> kids) {
        objects_[idx].childStart = quint32(children_.size());
        objects_[idx].childCount = quint32(kids.size());
        children_.insert(children_.end(), kids.begin(), kids.end());
    }

    void appendMarker(QByteArray& out, uchar type, quint64 length) {
        if (length < 15) {
            out.append(char(type | length));
        } else {
            out.append(char(type | 0x0F));
            const int w = widthFor(length);
            out.append(char(0x10 | (w == 1 ? 0 : w == 2 ? 1 : w == 4 ? 2 : 3)));
            appendBigEndian(out, length, w);
        }
    }

    void appendString(QByteArray& out, const QString& s) {
        if (isAscii(s)) {
            appendMarker(out, 0x50, quint64(s.size()));
            const qsizetype at = out.size();
            out.resize(at + s.size());
            char* d = out.data() + at;
            const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
            for (qsizetype i = 0; i < s.size(); ++i) d[i] = char(p[i]);
        } else {
            appendMarker(out, 0x60, quint64(s.size()));
            const qsizetype at = out.size();
            out.resize(at + 2 * s.size());
            char* d = out.data() + at;
            const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
            for (qsizetype i = 0; i < s.size(); ++i) {
                d[2 * i] = char(p[i] >> 8);
                d[2 * i + 1] = char(p[i] & 0xFF);
            }
        }
    }

    void appendObject(QByteArray& out, const Obj& o, int refSize) {
        if (o.key) {
            appendString(out, *o.key);
            return;
        }
        const Value& v = *o.value;
        switch (v.type()) {
        case Value::Type::Null: out.append(char(0x00)); break;
        case Value::Type::Bool: out.append(char(v.toBool() ? 0x09 : 0x08)); break;
        case Value::Type::Integer: {
            const qint64 i = v.toInt64();
            const int w = i < 0 ? 8 : widthFor(quint64(i));
            out.append(char(0x10 | (w == 1 ? 0 : w == 2 ? 1 : w == 4 ? 2 : 3)));
            appendBigEndian(out, quint64(i), w);
            break;
        }
        case Value::Type::Unsigned:
            out.append(char(0x14));
            appendBigEndian(out, 0, 8);
            appendBigEndian(out, v.toUInt64(), 8);
            break;
        case Value::Type::Real:
            out.append(char(0x23));
            appendBigEndian(out, doubleBits(v.toDouble()), 8);
            break;
        case Value::Type::Date:
            out.append(char(0x33));
            appendBigEndian(out, doubleBits(v.toDate().seconds), 8);
            break;
        case Value::Type::Uid: {
            const quint64 u = v.toUid().value;
            const int w = widthFor(u);
            out.append(char(0x80 | (w - 1)));
            appendBigEndian(out, u, w);
            break;
        }
        case Value::Type::Data: {
            const QByteArray d = v.toData();
            appendMarker(out, 0x40, quint64(d.size()));
            out.append(d);
            break;
        }
        case Value::Type::String: appendString(out, v.toString()); break;
        case Value::Type::Array:
            appendMarker(out, 0xA0, o.childCount);
            appendRefs(out, o.childStart, o.childCount, refSize);
            break;
        case Value::Type::Dictionary:
            appendMarker(out, 0xD0, o.childCount / 2);
            appendRefs(out, o.childStart, o.childCount, refSize);
            break;
        case Value::Type::Object: break;
        }
    }

    void appendRefs(QByteArray& out, quint32 start, quint32 count, int refSize) {
        const qsizetype at = out.size();
        out.resize(at + qsizetype(count) * refSize);
        uchar* d = reinterpret_cast<uchar*>(out.data()) + at;
        for (quint32 i = 0; i < count; ++i) {
            quint64 r = children_[start + i];
            for (int b = refSize - 1; b >= 0; --b) {
                d[b] = uchar(r & 0xFF);
                r >>= 8;
            }
            d += refSize;
        }
    }

    QByteArray emit() {
        const quint64 count = objects_.size();
        // As plistlib and CoreFoundation do: the width holds the object count.
        const int refSize = widthFor(count);
        QByteArray out;
        out.reserve(qsizetype(estimate(refSize)));
        out.append("bplist00", 8);
        std::vector<quint64> offsets(count);
        for (quint64 i = 0; i < count; ++i) {
            offsets[i] = quint64(out.size());
            appendObject(out, objects_[i], refSize);
        }
        const quint64 tableOffset = quint64(out.size());
        const int offsetSize = widthFor(offsets.empty() ? 0 : offsets.back());
        const qsizetype at = out.size();
        out.resize(at + qsizetype(count) * offsetSize);
        uchar* d = reinterpret_cast<uchar*>(out.data()) + at;
        for (quint64 off : offsets) {
            for (int b = offsetSize - 1; b >= 0; --b) {
                d[b] = uchar(off & 0xFF);
                off >>= 8;
            }
            d += offsetSize;
        }
        const char pad[6] = {0, 0, 0, 0, 0, 0};
        out.append(pad, 6);
        out.append(char(offsetSize));
        out.append(char(refSize));
        appendBigEndian(out, count, 8);
        appendBigEndian(out, 0, 8);
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

    // A size guess for one allocation up front.
    quint64 estimate(int refSize) const {
        quint64 n = 8 + kTrailerSize + objects_.size() * 9 + children_.size() * quint64(refSize);
        for (const Obj& o : objects_) {
            if (o.key) n += 2 * quint64(o.key->size());
            else if (o.value->isString()) n += 2 * quint64(o.value->toString().size());
            else if (o.value->isData()) n += quint64(o.value->toData().size());
        }
        return n;
    }

    std::vector<Obj> objects_;
    std::vector<quint32> children_;
    QHash<QString, quint32> strings_;
    QHash<QByteArray, quint32> datas_;
    std::unordered_map<ScalarKey, quint32, ScalarKeyHash> scalars_;
    QString error_;
    // What the pieces added hold, for writing at the end; a deque never moves them.
    std::deque<Value> kept_;
    std::deque<QString> keptKeys_;
    int depth_ = 0;
};

}  // namespace

class BinaryPropertyListWriter::Impl : public BinaryWriter {};

BinaryPropertyListWriter::BinaryPropertyListWriter() : impl_(std::make_unique<Impl>()) {}
BinaryPropertyListWriter::~BinaryPropertyListWriter() = default;

quint32 BinaryPropertyListWriter::addValue(Value value) { return impl_->addValue(std::move(value)); }

quint32 BinaryPropertyListWriter::addDictionary(Entries entries) { return impl_->addDictionary(entries, *this); }

quint32 BinaryPropertyListWriter::addArray(const std::function<void(std::vector<quint32>&)>& addItems) {
    return impl_->addArray(addItems);
}

QByteArray BinaryPropertyListWriter::finish(QString* error) {
    if (error) error->clear();
    return impl_->finish(error);
}

PlistResult PropertyList::readBinary(const QByteArray& data) { return BinaryReader(data).run(); }

QByteArray PropertyList::writeBinary(const Value& value, QString* error) {
    if (error) error->clear();
    return BinaryWriter().run(value, error);
}

}  // namespace ts
