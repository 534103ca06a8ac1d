#include "dictionaries/MDictReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace mdict {
namespace {

// A window over the file's bytes: every read checks the bytes left and a
// failed read leaves the cursor failed, so callers test once per section.
struct Cursor {
    const uchar* base = nullptr;
    qint64 pos = 0;
    qint64 end = 0;
    bool failed = false;

    qint64 left() const { return end - pos; }
    bool need(qint64 n) {
        if (failed || n < 0 || n > left()) failed = true;
        return !failed;
    }
    quint64 be(int width) {
        if (!need(width)) return 0;
        quint64 v = 0;
        for (int i = 0; i < width; ++i) v = (v << 8) | base[pos + i];
        pos += width;
        return v;
    }
    quint32 le32() {
        if (!need(4)) return 0;
        const quint32 v = quint32(base[pos]) | quint32(base[pos + 1]) << 8 | quint32(base[pos + 2]) << 16 |
                          quint32(base[pos + 3]) << 24;
        pos += 4;
        return v;
    }
    bool skip(qint64 n) {
        if (!need(n)) return false;
        pos += n;
        return true;
    }
};

// A size from the file that must fit in what is left of its window.
bool fits(quint64 value, qint64 left) { return value <= quint64(std::numeric_limits<qint64>::max()) && qint64(value) <= left; }

// zlib never inflates one byte into more than 1032, so a block that declares
// more than that of its data is damaged; checking it first keeps a small
// file from reserving memory it can never fill.
bool plausible(quint64 packed, quint64 unpacked) { return unpacked <= (packed - 8) * 1032 + 64; }

enum class TextKind { Utf8, Utf16, Other };

struct Encoding {
    TextKind kind = TextKind::Utf8;
    QString name;  // for Other
    int unit() const { return kind == TextKind::Utf16 ? 2 : 1; }
};

QString decodeEntities(QString s) {
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&apos;"), QLatin1String("'"));
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

QHash<QString, QString> parseAttributes(const QString& header) {
    QHash<QString, QString> attributes;
    static const QRegularExpression attribute(QStringLiteral(R"(([A-Za-z_][\w.:-]*)\s*=\s*"([^"]*)\")"));
    auto it = attribute.globalMatch(header);
    while (it.hasNext()) {
        const auto m = it.next();
        attributes.insert(m.captured(1), decodeEntities(m.captured(2)));
    }
    return attributes;
}

class Reader {
public:
    explicit Reader(const QByteArray& data) {
        c_.base = reinterpret_cast<const uchar*>(data.constData());
        c_.end = data.size();
    }
    ReadResult run();

private:
    bool fail(const QString& why) {
        if (r_.error.isEmpty()) r_.error = why;
        return false;
    }
    bool truncated(const char* where) { return fail(QStringLiteral("The file ends inside %1.").arg(QLatin1String(where))); }
    bool readHeader();
    bool checkHeader();
    bool readKeySection(qint64* recordSection);
    bool walkKeyBlocksByIndex(const QByteArray& index, quint64 numBlocks, qint64* position);
    bool stepOverKeyBlocks(quint64 numBlocks, qint64* position);
    bool readKeyEntries(const QByteArray& block, quint64 blockIndex);
    bool unpackBlock(qint64 start, qint64 size, qint64 declared, qint64 capacity, bool strict, QByteArray& out,
                     qint64* consumed, const char* what);
    bool readRecords(qint64 position);
    void appendRecords(const QByteArray& block, qint64 realBase, qint64 declaredBase);
    void pairKeys();
    qsizetype recordSize(size_t index) const;
    void dropUnkeyedEmptyRecords(std::vector<qsizetype>& recordOf);
    ReadResult::Span keepKeyword(QByteArrayView bytes);

    Cursor c_;
    ReadResult r_;
    Encoding enc_;
    int encrypted_ = 0;
    QStringDecoder decoder_;
    QStringDecoder keyDecoder_;
    QByteArray block_;
    struct Keyword {
        quint64 offset;
        ReadResult::Span text;  // in r_.keywordText
    };
    std::vector<Keyword> keywords_;
    qint64 keywordBytes_ = 0;
    // Where each record starts in the decompressed record blocks, as the
    // keywords count it: from the blocks' real sizes and, where a block's
    // size differs from the declared one, from the declared sizes too (the
    // writer may have counted either way).
    std::vector<quint64> recordOffsets_;
    struct BlockStart {
        qsizetype firstRecord;
        qint64 realBase, declaredBase;
    };
    std::vector<BlockStart> blockStarts_;
    bool sizesDiffer_ = false;
};

bool Reader::readHeader() {
    const quint64 h = c_.be(4);
    if (c_.failed) return truncated("the header length");
    // Version 3.0 files open with a UTF-8 "<ZDB" element and other sizes;
    // saying so is more use than any complaint about lengths.
    const QByteArrayView start(reinterpret_cast<const char*>(c_.base + c_.pos), qsizetype(std::min<qint64>(c_.left(), 8)));
    if (start.startsWith("<ZDB") || start.startsWith(QByteArrayView("<\0Z\0D\0B\0", 8)))
        return fail(QStringLiteral("This is an MDict version 3.0 file (its header is a \"ZDB\" element), whose layout is not read."));
    if (h == 0 || h % 2 || qint64(h) > kMaxHeaderBytes || !fits(h + 4, c_.left()))
        return fail(QStringLiteral("The header length %1 does not fit the file.").arg(h));
    QStringDecoder utf16(QStringDecoder::Utf16LE);
    const QString text = utf16(QByteArrayView(reinterpret_cast<const char*>(c_.base + c_.pos), qsizetype(h)));
    c_.skip(qint64(h) + 4);  // the text and its checksum, which is not compared
    if (!text.contains(QLatin1String("<Dictionary")) && !text.contains(QLatin1String("<Library_Data")))
        return fail(QStringLiteral("The file is not an MDict dictionary (no header element)."));
    r_.attributes = parseAttributes(text);
    return true;
}

bool Reader::checkHeader() {
    const QString version = r_.attributes.value(QStringLiteral("GeneratedByEngineVersion")).trimmed();
    bool numeric = false;
    const double v = version.toDouble(&numeric);
    if (!version.isEmpty() && (!numeric || v < 2.0))
        return fail(QStringLiteral("Engine version %1 files use the older layout with 4-byte numbers, which is not read.")
                        .arg(version));
    if (v >= 3.0)
        return fail(QStringLiteral("MDict version %1 files use a newer layout, which is not read.").arg(version));
    QString e = r_.attributes.value(QStringLiteral("Encrypted")).trimmed();
    // Early files write the flag as a word.
    if (e.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0) e = QStringLiteral("0");
    if (e.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0) e = QStringLiteral("1");
    if (!e.isEmpty()) {
        bool ok = false;
        encrypted_ = e.toInt(&ok);
        if (!ok || encrypted_ < 0 || encrypted_ > 3)
            return fail(QStringLiteral("The \"Encrypted\" value %1 is not understood.").arg(e));
    }
    // Value 1 marks the keyword section's header as encrypted with the
    // registration key of the user the file was sold to; the file never holds it.
    if (encrypted_ & 1)
        return fail(QStringLiteral("The keyword header is encrypted (\"Encrypted\" %1): reading it needs the registration "
                                   "key of the user the file was made for, which the file does not hold.")
                        .arg(encrypted_));
    const QString name = r_.attributes.value(QStringLiteral("Encoding")).trimmed();
    const QString upper = name.toUpper();
    if (name.isEmpty() || upper == QLatin1String("UTF-8") || upper == QLatin1String("UTF8")) {
        enc_.kind = TextKind::Utf8;
    } else if (upper == QLatin1String("UTF-16") || upper == QLatin1String("UTF-16LE")) {
        enc_.kind = TextKind::Utf16;
    } else {
        QStringDecoder probe(name.toLatin1().constData());
        if (!probe.isValid()) return fail(QStringLiteral("The text encoding \"%1\" is not supported.").arg(name));
        enc_.kind = TextKind::Other;
        enc_.name = name;
    }
    return true;
}

// Unpacks one block of `size` bytes at `start`: its compression type (4,
// little-endian), its checksum (4) and the data. When strict the output
// must be exactly `declared` bytes; otherwise any size up to the capacity
// (the caller compares it with `declared`).
bool Reader::unpackBlock(qint64 start, qint64 size, qint64 declared, qint64 capacity, bool strict, QByteArray& out,
                         qint64* consumed, const char* what) {
    Cursor b = c_;
    b.pos = start;
    b.end = start + size;
    const quint32 type = b.le32();
    if (!b.skip(4)) return truncated(what);
    const char* data = reinterpret_cast<const char*>(b.base + b.pos);
    switch (type) {
    case 0:
        if ((strict && b.left() != declared) || b.left() > capacity)
            return fail(QStringLiteral("The stored %1 holds %2 bytes, not the %3 declared.")
                            .arg(QLatin1String(what)).arg(b.left()).arg(declared));
        out.resize(qsizetype(b.left()));
        std::memcpy(out.data(), data, size_t(b.left()));
        if (consumed) *consumed = b.left();
        return true;
    case 1:
        return fail(QStringLiteral("The %1 is compressed with LZO, which is not supported.").arg(QLatin1String(what)));
    case 2: {
        QString why;
        if (!inflateBounded(data, b.left(), capacity, out, consumed, &why, declared))
            return fail(QStringLiteral("The %1 does not inflate: %2").arg(QLatin1String(what), why));
        if (strict && out.size() != declared)
            return fail(QStringLiteral("The %1 inflates to %2 bytes, not the %3 declared.")
                            .arg(QLatin1String(what)).arg(out.size()).arg(declared));
        return true;
    }
    default:
        return fail(QStringLiteral("The %1 has the unknown compression type %2.").arg(QLatin1String(what)).arg(type));
    }
}

bool Reader::readKeySection(qint64* recordSection) {
    const quint64 numBlocks = c_.be(8);
    const quint64 numEntries = c_.be(8);
    const quint64 indexSize = c_.be(8);
    const quint64 indexPacked = c_.be(8);
    const quint64 blocksSize = c_.be(8);
    c_.skip(4);
    if (c_.failed) return truncated("the keyword section header");
    if (numEntries > quint64(std::numeric_limits<qint64>::max()))
        return fail(QStringLiteral("The entry count %1 is out of range.").arg(numEntries));
    r_.numEntries = qint64(numEntries);
    if (indexPacked < 8 || !fits(indexPacked, c_.left()))
        return fail(QStringLiteral("The key index size %1 does not fit the file.").arg(indexPacked));
    if (!fits(blocksSize, c_.left() - qint64(indexPacked)))
        return fail(QStringLiteral("The key blocks' size %1 does not fit the file.").arg(blocksSize));
    const qint64 indexStart = c_.pos;
    qint64 position = indexStart + qint64(indexPacked);
    const qint64 expectedEnd = position + qint64(blocksSize);
    if (encrypted_ == 2) {
        if (!stepOverKeyBlocks(numBlocks, &position)) return false;
    } else {
        if (indexSize == 0 || indexSize > quint64(kMaxBlockBytes) || !plausible(indexPacked, indexSize))
            return fail(QStringLiteral("The key index's size %1 is out of range.").arg(indexSize));
        QByteArray index;
        if (!unpackBlock(indexStart, qint64(indexPacked), qint64(indexSize), qint64(indexSize), true, index, nullptr, "key index"))
            return false;
        if (!walkKeyBlocksByIndex(index, numBlocks, &position)) return false;
    }
    if (position != expectedEnd)
        r_.warnings << QStringLiteral("The key blocks end at %1, not at %2 as the header says.").arg(position).arg(expectedEnd);
    *recordSection = position;
    return true;
}

bool Reader::walkKeyBlocksByIndex(const QByteArray& index, quint64 numBlocks, qint64* position) {
    Cursor k;
    k.base = reinterpret_cast<const uchar*>(index.constData());
    k.end = index.size();
    // Each index record takes at least 8 + 2 + 1 + 2 + 1 + 16 bytes.
    if (numBlocks > quint64(k.end / 30 + 1)) return fail(QStringLiteral("The key block count %1 does not fit the key index.").arg(numBlocks));
    const int unit = enc_.unit();
    for (quint64 i = 0; i < numBlocks; ++i) {
        k.be(8);
        const quint64 first = k.be(2);
        k.skip(qint64(first + 1) * unit);
        const quint64 last = k.be(2);
        k.skip(qint64(last + 1) * unit);
        const quint64 packed = k.be(8);
        const quint64 unpacked = k.be(8);
        if (k.failed) return truncated("the key index");
        if (packed < 8 || !fits(packed, c_.end - *position))
            return fail(QStringLiteral("Key block %1's size %2 does not fit the file.").arg(i).arg(packed));
        if (unpacked > quint64(kMaxBlockBytes) || !plausible(packed, unpacked))
            return fail(QStringLiteral("Key block %1's size %2 is out of range.").arg(i).arg(unpacked));
        QByteArray block;
        if (!unpackBlock(*position, qint64(packed), qint64(unpacked), qint64(unpacked), true, block, nullptr, "key block"))
            return false;
        if (!readKeyEntries(block, i)) return false;
        *position += qint64(packed);
    }
    return true;
}

// A key block's entries: the record offset (8) and the keyword up to its terminator.
bool Reader::readKeyEntries(const QByteArray& block, quint64 blockIndex) {
    keywordBytes_ += block.size();
    if (keywordBytes_ > kMaxRecordBytes)
        return fail(QStringLiteral("The keywords would take more than %1 bytes.").arg(kMaxRecordBytes));
    // An entry takes at least 9 bytes (offset and terminator).
    r_.keywordText.reserve(r_.keywordText.size() + block.size());
    keywords_.reserve(keywords_.size() + size_t(block.size() / 9 + 1));
    const int unit = enc_.unit();
    Cursor e;
    e.base = reinterpret_cast<const uchar*>(block.constData());
    e.end = block.size();
    while (e.left() > 0 && !e.failed) {
        const quint64 offset = e.be(8);
        const qint64 from = e.pos;
        qint64 to = -1;
        while (e.need(unit)) {
            const bool zero = e.base[e.pos] == 0 && (unit == 1 || e.base[e.pos + 1] == 0);
            e.pos += unit;
            if (zero) {
                to = e.pos - unit;
                break;
            }
        }
        if (to < 0) break;
        keywords_.push_back({offset, keepKeyword(QByteArrayView(block.constData() + from, qsizetype(to - from)))});
    }
    if (e.failed || e.left() > 0) r_.warnings << QStringLiteral("Key block %1 ends inside an entry.").arg(blockIndex);
    return true;
}

// Keywords are kept as UTF-8 bytes, converted from the file's encoding.
ReadResult::Span Reader::keepKeyword(QByteArrayView bytes) {
    const qsizetype start = r_.keywordText.size();
    if (enc_.kind == TextKind::Utf8 && isValidUtf8(bytes.data(), bytes.size())) {
        r_.keywordText.append(bytes);
    } else {
        QString text;
        if (enc_.kind == TextKind::Utf8) {
            text = QString::fromUtf8(bytes);
        } else {
            if (!keyDecoder_.isValid())
                keyDecoder_ = enc_.kind == TextKind::Utf16 ? QStringDecoder(QStringDecoder::Utf16LE)
                                                           : QStringDecoder(enc_.name.toLatin1().constData());
            keyDecoder_.resetState();
            text = keyDecoder_(bytes);
        }
        r_.keywordText += text.toUtf8();
    }
    return {start, r_.keywordText.size() - start};
}

// Without a readable key index each block's zlib stream is inflated to learn
// where it ends; the next block's 8 header bytes follow.
bool Reader::stepOverKeyBlocks(quint64 numBlocks, qint64* position) {
    for (quint64 i = 0; i < numBlocks; ++i) {
        Cursor b = c_;
        b.pos = *position;
        const quint32 type = b.le32();
        if (!b.skip(4)) return truncated("a key block");
        if (type != 2)
            return fail(QStringLiteral("The key index is encrypted and key block %1 is not zlib-compressed, so the records cannot be found.").arg(i));
        QByteArray block;
        qint64 consumed = 0;
        QString why;
        if (!inflateBounded(reinterpret_cast<const char*>(b.base + b.pos), b.left(), kMaxBlockBytes, block, &consumed, &why))
            return fail(QStringLiteral("Key block %1 does not inflate: %2").arg(i).arg(why));
        if (!readKeyEntries(block, i)) return false;
        *position = b.pos + consumed;
    }
    return true;
}

bool Reader::readRecords(qint64 position) {
    Cursor s = c_;
    s.pos = position;
    const quint64 numBlocks = s.be(8);
    s.be(8);
    const quint64 indexLength = s.be(8);
    s.be(8);
    if (s.failed) return truncated("the record section header");
    if (numBlocks > quint64(s.left() / 16))
        return fail(QStringLiteral("The record block count %1 does not fit the file.").arg(numBlocks));
    if (indexLength != numBlocks * 16)
        r_.warnings << QStringLiteral("The record block index is %1 bytes long, not 16 per block.").arg(indexLength);
    struct Sizes {
        qint64 packed, unpacked;
    };
    std::vector<Sizes> sizes;
    sizes.reserve(size_t(numBlocks));
    qint64 totalPacked = 0, totalUnpacked = 0;
    for (quint64 i = 0; i < numBlocks; ++i) {
        const quint64 packed = s.be(8);
        const quint64 unpacked = s.be(8);
        if (packed < 8 || !fits(packed, c_.end) || unpacked > quint64(kMaxBlockBytes) || !plausible(packed, unpacked))
            return fail(QStringLiteral("Record block %1's sizes (%2, %3) are out of range.").arg(i).arg(packed).arg(unpacked));
        totalPacked += qint64(packed);
        totalUnpacked += qint64(unpacked);
        if (totalPacked > s.left() - qint64(16 * (numBlocks - i - 1)))
            return fail(QStringLiteral("The record blocks do not fit the file."));
        if (totalUnpacked > kMaxRecordBytes)
            return fail(QStringLiteral("The records would take more than %1 bytes.").arg(kMaxRecordBytes));
        sizes.push_back({qint64(packed), qint64(unpacked)});
    }
    if (s.failed) return truncated("the record block index");
    r_.records.reserve(qsizetype(totalUnpacked));
    switch (enc_.kind) {
    case TextKind::Utf8: decoder_ = QStringDecoder(QStringDecoder::Utf8); break;
    case TextKind::Utf16: decoder_ = QStringDecoder(QStringDecoder::Utf16LE); break;
    case TextKind::Other: decoder_ = QStringDecoder(enc_.name.toLatin1().constData()); break;
    }
    qint64 at = s.pos;
    qint64 declaredBase = 0, realBase = 0, produced = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const QString previousError = r_.error;
        // A block may hold more than it declares; it is read whole within the caps.
        const qint64 room = std::min(kMaxBlockBytes, kMaxRecordBytes - produced);
        if (room < sizes[i].unpacked) {
            r_.warnings << QStringLiteral("Record block %1 left out: the records would take more than %2 bytes.")
                               .arg(i).arg(kMaxRecordBytes);
        } else if (unpackBlock(at, sizes[i].packed, sizes[i].unpacked, room, false, block_, nullptr, "record block")) {
            sizesDiffer_ |= block_.size() != sizes[i].unpacked;
            if (block_.size() != sizes[i].unpacked)
                r_.warnings << QStringLiteral("Record block %1 holds %2 bytes, not the %3 declared; all its records are kept.")
                                   .arg(i).arg(block_.size()).arg(sizes[i].unpacked);
            produced += block_.size();
            appendRecords(block_, realBase, declaredBase);
            realBase += block_.size();
        } else {
            // LZO or an unknown type refuses the file; a damaged block is left out.
            if (r_.error.contains(QLatin1String("LZO")) || r_.error.contains(QLatin1String("unknown compression")))
                return false;
            r_.warnings << QStringLiteral("Record block %1 left out: %2").arg(i).arg(r_.error);
            r_.error = previousError;
        }
        declaredBase += sizes[i].unpacked;
        at += sizes[i].packed;
    }
    pairKeys();
    return true;
}

// Keywords point at records by offset; a file whose offsets mostly match
// nothing (written by a careless tool) still pairs them in order when the
// counts agree.
qsizetype Reader::recordSize(size_t index) const {
    const qsizetype end = index + 1 < r_.recordStarts.size() ? r_.recordStarts[index + 1] : r_.records.size();
    return end - r_.recordStarts[index];
}

// Empty records no keyword points at are padding, not records.
void Reader::dropUnkeyedEmptyRecords(std::vector<qsizetype>& recordOf) {
    const size_t n = r_.recordStarts.size();
    std::vector<char> keyed(n, 0);
    for (const qsizetype at : recordOf)
        if (at >= 0) keyed[size_t(at)] = 1;
    std::vector<qsizetype> newIndex(n, -1);
    std::vector<qsizetype> starts;
    starts.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (keyed[i] || recordSize(i) > 0) {
            newIndex[i] = qsizetype(starts.size());
            starts.push_back(r_.recordStarts[i]);
        }
    if (starts.size() == n) return;
    r_.recordStarts = std::move(starts);
    for (qsizetype& at : recordOf)
        if (at >= 0) at = newIndex[size_t(at)];
}

void Reader::pairKeys() {
    size_t n = r_.recordStarts.size();
    r_.keyStarts.assign(n + 1, 0);
    if (keywords_.empty()) {
        std::vector<qsizetype> none;
        dropUnkeyedEmptyRecords(none);
        r_.keyStarts.assign(r_.recordStarts.size() + 1, 0);
        return;
    }
    // Real offsets rise record by record, so a keyword's record is found by
    // bisection; offsets counted from declared sizes need not rise, and are
    // looked up only when some block's size differs.
    QHash<quint64, qsizetype> declared;
    if (sizesDiffer_) {
        declared.reserve(qsizetype(n));
        for (size_t b = 0; b < blockStarts_.size(); ++b) {
            const size_t end = b + 1 < blockStarts_.size() ? size_t(blockStarts_[b + 1].firstRecord) : n;
            const qint64 shift = blockStarts_[b].declaredBase - blockStarts_[b].realBase;
            for (size_t i = size_t(blockStarts_[b].firstRecord); i < end; ++i) {
                const quint64 offset = quint64(qint64(recordOffsets_[i]) + shift);
                if (!declared.contains(offset)) declared.insert(offset, qsizetype(i));
            }
        }
    }
    std::vector<qsizetype> recordOf(keywords_.size(), -1);
    qsizetype unmatched = 0;
    size_t next = 0;  // keywords mostly follow the records in order
    for (size_t k = 0; k < keywords_.size(); ++k) {
        const quint64 offset = keywords_[k].offset;
        size_t at = next < n && recordOffsets_[next] == offset ? next
                    : next > 0 && next <= n && recordOffsets_[next - 1] == offset ? next - 1
                    : size_t(std::lower_bound(recordOffsets_.begin(), recordOffsets_.end(), offset) - recordOffsets_.begin());
        if (at < n && recordOffsets_[at] == offset) {
            recordOf[k] = qsizetype(at);
            next = at + 1;
        } else {
            recordOf[k] = declared.value(offset, -1);
        }
        if (recordOf[k] < 0) ++unmatched;
    }
    std::vector<qsizetype> withText;
    for (size_t i = 0; i < n; ++i)
        if (recordSize(i) > 0) withText.push_back(qsizetype(i));
    if (unmatched * 2 > qsizetype(keywords_.size()) && (keywords_.size() == n || keywords_.size() == withText.size())) {
        for (size_t k = 0; k < keywords_.size(); ++k) recordOf[k] = keywords_.size() == n ? qsizetype(k) : withText[k];
        r_.warnings << QStringLiteral("Most keywords point at no record start; keywords and records are paired in order.");
    } else if (unmatched > 0) {
        r_.warnings << QStringLiteral("%1 keywords point at no record and are not used.").arg(unmatched);
    }
    dropUnkeyedEmptyRecords(recordOf);
    const size_t kept = r_.recordStarts.size();
    if (kept != n) r_.keyStarts.assign(kept + 1, 0);
    n = kept;
    // Grouped by record, keeping key order within a record.
    for (const qsizetype at : recordOf)
        if (at >= 0) ++r_.keyStarts[size_t(at) + 1];
    for (size_t i = 0; i < n; ++i) r_.keyStarts[i + 1] += r_.keyStarts[i];
    r_.keySpans.resize(size_t(r_.keyStarts[n]));
    std::vector<qsizetype> fill(r_.keyStarts.begin(), r_.keyStarts.end() - 1);
    for (size_t k = 0; k < keywords_.size(); ++k)
        if (recordOf[k] >= 0) r_.keySpans[size_t(fill[size_t(recordOf[k])]++)] = keywords_[k].text;
    keywords_.clear();
}

// UTF-8 records are copied as they are once checked, so that reading costs
// little more than inflating; other encodings are converted record by record.
void Reader::appendRecords(const QByteArray& block, qint64 realBase, qint64 declaredBase) {
    blockStarts_.push_back({qsizetype(recordOffsets_.size()), realBase, declaredBase});
    const char* p = block.constData();
    const qsizetype n = block.size();
    qsizetype i = 0;
    bool badText = false;
    while (i < n) {
        qsizetype end = i;
        if (enc_.kind == TextKind::Utf16) {
            while (end + 1 < n && !(p[end] == 0 && p[end + 1] == 0)) end += 2;
            if (end + 1 >= n) end = n;
        } else {
            const void* z = std::memchr(p + i, 0, size_t(n - i));
            end = z ? static_cast<const char*>(z) - p : n;
        }
        // An empty record is kept too: a keyword may point at it, and its
        // entry is then an empty one. Those no keyword points at are
        // dropped once the keywords are paired.
        r_.recordStarts.push_back(r_.records.size());
        recordOffsets_.push_back(quint64(realBase + i));
        if (end > i) {
            const QByteArrayView bytes(p + i, end - i);
            if (enc_.kind == TextKind::Utf8 && isValidUtf8(bytes.data(), bytes.size())) {
                r_.records.append(bytes.data(), bytes.size());
            } else {
                decoder_.resetState();
                const QString text = decoder_(bytes);
                badText |= decoder_.hasError();
                r_.records += text.toUtf8();
            }
        }
        i = end + enc_.unit();
    }
    if (badText) r_.warnings << QStringLiteral("A record block holds text that is not valid in its encoding; it is shown with replacement characters.");
}

ReadResult Reader::run() {
    if (readHeader() && checkHeader()) {
        qint64 records = 0;
        if (readKeySection(&records) && readRecords(records)) r_.ok = true;
    }
    if (!r_.ok) {
        r_.records.clear();
        r_.recordStarts.clear();
        r_.keywordText.clear();
        r_.keySpans.clear();
        r_.keyStarts.clear();
    }
    return std::move(r_);
}

}  // namespace

QString ReadResult::record(qsizetype index) const {
    if (index < 0 || index >= recordCount()) return QString();
    const qsizetype start = recordStarts[size_t(index)];
    const qsizetype end = index + 1 < recordCount() ? recordStarts[size_t(index + 1)] : records.size();
    return QString::fromUtf8(records.constData() + start, end - start);
}

qsizetype ReadResult::keyCount(qsizetype index) const {
    if (index < 0 || index + 1 >= qsizetype(keyStarts.size())) return 0;
    return keyStarts[size_t(index) + 1] - keyStarts[size_t(index)];
}

QByteArrayView ReadResult::keyBytes(qsizetype index, qsizetype k) const {
    if (k < 0 || k >= keyCount(index)) return QByteArrayView();
    const Span& span = keySpans[size_t(keyStarts[size_t(index)] + k)];
    return QByteArrayView(keywordText.constData() + span.start, span.size);
}

QStringList ReadResult::keys(qsizetype index) const {
    QStringList out;
    for (qsizetype k = 0, n = keyCount(index); k < n; ++k) out << QString::fromUtf8(keyBytes(index, k));
    return out;
}

bool isValidUtf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const uchar*>(data);
    qsizetype i = 0;
    while (i < size) {
        // Plain ASCII eight bytes at a time.
        while (i + 8 <= size) {
            quint64 w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= size) break;
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        uint min;
        uint cp;
        if ((c & 0xE0) == 0xC0) { len = 2; min = 0x80; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { len = 3; min = 0x800; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { len = 4; min = 0x10000; cp = c & 0x07; }
        else return false;
        if (size - i < len) return false;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

bool inflateBounded(const char* source, qint64 sourceLength, qint64 capacity, QByteArray& out, qint64* consumed,
                    QString* error, qint64 expected) {
    out.resize(0);
    auto failWith = [&](const QString& why) {
        out.clear();
        if (error) *error = why;
        return false;
    };
    if (capacity < 0 || sourceLength < 0) return failWith(QStringLiteral("bad sizes"));
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return failWith(QStringLiteral("zlib could not start"));
    // Grown by doubling up to the capacity, so that a small stream announced
    // as large costs no more than it inflates to.
    qint64 size = std::min<qint64>(capacity, expected > 0 ? expected : std::max<qint64>(4096, sourceLength * 4));
    out.resize(qsizetype(size));
    qint64 inLeft = sourceLength;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source));
    int rc = Z_OK;
    for (;;) {
        const uInt inChunk = uInt(std::min<qint64>(inLeft, std::numeric_limits<uInt>::max()));
        z.avail_in = inChunk;
        if (qint64(z.total_out) == size) {
            if (size >= capacity) {
                // Room is exhausted: a stream that has more to give is too long.
                unsigned char probe;
                z.next_out = &probe;
                z.avail_out = 1;
                rc = inflate(&z, Z_NO_FLUSH);
                inLeft -= inChunk - z.avail_in;
                if (rc == Z_STREAM_END && z.avail_out == 1) break;
                inflateEnd(&z);
                return failWith(QStringLiteral("it inflates past its declared %1 bytes").arg(capacity));
            }
            size = std::min<qint64>(capacity, size * 2);
            out.resize(qsizetype(size));
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data()) + z.total_out;
        const uInt outChunk = uInt(std::min<qint64>(size - qint64(z.total_out), std::numeric_limits<uInt>::max()));
        z.avail_out = outChunk;
        rc = inflate(&z, Z_NO_FLUSH);
        inLeft -= inChunk - z.avail_in;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR) {
            inflateEnd(&z);
            return failWith(QStringLiteral("incorrect compressed data"));
        }
        if (rc == Z_MEM_ERROR) {
            inflateEnd(&z);
            return failWith(QStringLiteral("out of memory"));
        }
        if (rc == Z_BUF_ERROR || rc == Z_OK) {
            // No progress with input left means the output is full; with no
            // input left the stream was cut short.
            if (inLeft == 0 && z.avail_out > 0) {
                inflateEnd(&z);
                return failWith(QStringLiteral("the data ends before the stream does"));
            }
            continue;
        }
        inflateEnd(&z);
        return failWith(QStringLiteral("zlib error %1").arg(rc));
    }
    out.resize(qsizetype(z.total_out));
    if (consumed) *consumed = qint64(z.total_in);
    inflateEnd(&z);
    return true;
}

ReadResult readData(const QByteArray& data) { return Reader(data).run(); }

ReadResult readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReadResult r;
        r.error = QStringLiteral("Error reading mdict file %1: %2").arg(path, file.errorString());
        return r;
    }
    ReadResult r = readData(file.readAll());
    if (!r.ok) r.error = QStringLiteral("%1: %2").arg(path, r.error);
    return r;
}

}  // namespace mdict
