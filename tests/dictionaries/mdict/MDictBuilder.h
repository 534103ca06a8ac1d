#pragma once
// Writes .mdx files for tests and benchmarks: version 2.0 layout, zlib or
// stored blocks, with knobs to break each part on purpose.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <zlib.h>

#include <vector>

namespace mdicttest {

inline void be(QByteArray& out, quint64 v, int width) {
    for (int i = width - 1; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xff));
}
inline void le32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xff));
}
inline QByteArray deflateBytes(const QByteArray& in) {
    uLongf n = compressBound(uLong(in.size()));
    QByteArray out(qsizetype(n), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.constData()), uLong(in.size()), 6);
    out.resize(qsizetype(n));
    return out;
}

struct Spec {
    QString header = QStringLiteral(R"(<Dictionary GeneratedByEngineVersion="2.0" Encrypted="0" Encoding="UTF-8" Title="Built" Description="made by a test"/>)");
    // Keyword i points at record i (counted over all blocks); keywords past
    // the last record point past the records.
    QStringList keywords;
    // The keywords give their index instead of the record's offset.
    bool keyOffsetsByIndex = false;
    // When not empty: the keywords' record offsets.
    std::vector<quint64> keyOffsets;
    // One inner list per record block.
    QList<QList<QByteArray>> blocks;
    quint32 blockType = 2;
    // Added to the declared decompressed size of each record block.
    qint64 declaredDelta = 0;
    // Bytes cut from the end of the file.
    int cut = 0;
    bool wrongIndexLength = false;
    bool garbleKeyIndex = false;
};

inline QByteArray packBlock(const QByteArray& raw, quint32 type) {
    QByteArray b;
    le32(b, type);
    be(b, 0, 4);
    b += type == 2 ? deflateBytes(raw) : raw;
    return b;
}

inline QByteArray build(const Spec& s) {
    QByteArray file;
    QByteArray header;
    for (QChar c : s.header) {
        header.append(char(c.unicode() & 0xff));
        header.append(char(c.unicode() >> 8));
    }
    header.append('\0').append('\0');
    be(file, quint64(header.size()), 4);
    file += header;
    be(file, 0, 4);
    // One key block with every keyword.
    std::vector<quint64> offsets;
    quint64 offset = 0;
    for (const auto& block : s.blocks)
        for (const auto& r : block) {
            offsets.push_back(offset);
            offset += quint64(r.size()) + 1;
        }
    QByteArray keys;
    for (int i = 0; i < s.keywords.size(); ++i) {
        be(keys, size_t(i) < s.keyOffsets.size() ? s.keyOffsets[size_t(i)] : s.keyOffsetsByIndex ? quint64(i) : size_t(i) < offsets.size() ? offsets[size_t(i)] : offset + quint64(i), 8);
        keys += s.keywords[i].toUtf8();
        keys.append('\0');
    }
    const QByteArray keyBlock = packBlock(keys, 2);
    QByteArray index;
    const QByteArray first = s.keywords.value(0).toUtf8(), last = s.keywords.value(s.keywords.size() - 1).toUtf8();
    be(index, quint64(s.keywords.size()), 8);
    be(index, quint64(first.size()), 2);
    index += first;
    index.append('\0');
    be(index, quint64(last.size()), 2);
    index += last;
    index.append('\0');
    be(index, quint64(keyBlock.size()), 8);
    be(index, quint64(keys.size()), 8);
    QByteArray packedIndex = packBlock(index, 2);
    if (s.garbleKeyIndex)
        for (qsizetype i = 8; i < packedIndex.size(); ++i) packedIndex[i] = char(packedIndex[i] ^ 0x5a);
    be(file, 1, 8);
    be(file, quint64(s.keywords.size()), 8);
    be(file, quint64(index.size()), 8);
    be(file, quint64(packedIndex.size()), 8);
    be(file, quint64(keyBlock.size()), 8);
    be(file, 0, 4);
    file += packedIndex;
    file += keyBlock;
    QList<QByteArray> packed;
    QList<qint64> rawSizes;
    qint64 records = 0, total = 0;
    for (const auto& block : s.blocks) {
        QByteArray raw;
        for (const auto& r : block) {
            raw += r;
            raw.append('\0');
            ++records;
        }
        rawSizes << raw.size();
        packed << packBlock(raw, s.blockType);
        total += packed.last().size();
    }
    be(file, quint64(packed.size()), 8);
    be(file, quint64(records), 8);
    be(file, quint64(packed.size() * 16 + (s.wrongIndexLength ? 8 : 0)), 8);
    be(file, quint64(total), 8);
    for (int i = 0; i < packed.size(); ++i) {
        be(file, quint64(packed[i].size()), 8);
        be(file, quint64(rawSizes[i] + s.declaredDelta), 8);
    }
    for (const auto& p : packed) file += p;
    if (s.cut > 0) file.chop(s.cut);
    return file;
}

}  // namespace mdicttest
