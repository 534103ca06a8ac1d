#pragma once
// Assembles binary property lists object by object, with every trailer field
// under the test's control, to build well-formed and malformed inputs.

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace ts::test {

struct BplistBuilder {
    std::vector<QByteArray> objects;  // raw bytes of each object, marker first
    int offsetSize = 0;               // 0: narrowest that fits
    int refSize = 1;
    quint64 topObject = 0;

    int add(const QByteArray& bytes) {
        objects.push_back(bytes);
        return int(objects.size() - 1);
    }

    static QByteArray be(quint64 v, int width) {
        QByteArray b(width, '\0');
        for (int i = width - 1; i >= 0; --i) {
            b[i] = char(v & 0xFF);
            v >>= 8;
        }
        return b;
    }

    QByteArray ref(quint64 r) const { return be(r, refSize); }

    // A container marker with `count` (extended length when 15 or more).
    static QByteArray marker(uchar type, quint64 count) {
        if (count < 15) return QByteArray(1, char(type | count));
        QByteArray b(1, char(type | 0x0F));
        b.append(char(0x13));
        b.append(be(count, 8));
        return b;
    }

    QByteArray array(const std::vector<quint64>& refs) const {
        QByteArray b = marker(0xA0, refs.size());
        for (quint64 r : refs) b.append(ref(r));
        return b;
    }

    QByteArray dict(const std::vector<quint64>& keys, const std::vector<quint64>& values) const {
        QByteArray b = marker(0xD0, keys.size());
        for (quint64 r : keys) b.append(ref(r));
        for (quint64 r : values) b.append(ref(r));
        return b;
    }

    static QByteArray ascii(const QByteArray& s) {
        QByteArray b = marker(0x50, quint64(s.size()));
        b.append(s);
        return b;
    }
    static QByteArray integer1(uchar v) {
        QByteArray b(1, '\x10');
        b.append(char(v));
        return b;
    }

    QByteArray build() const {
        QByteArray out("bplist00");
        std::vector<quint64> offsets;
        for (const QByteArray& o : objects) {
            offsets.push_back(quint64(out.size()));
            out.append(o);
        }
        const quint64 tableOffset = quint64(out.size());
        int width = offsetSize;
        if (width == 0) {
            width = 1;
            while (width < 8 && (tableOffset >> (8 * width)) != 0) ++width;
        }
        for (quint64 off : offsets) out.append(be(off, width));
        out.append(QByteArray(6, '\0'));
        out.append(char(width));
        out.append(char(refSize));
        out.append(be(offsets.size(), 8));
        out.append(be(topObject, 8));
        out.append(be(tableOffset, 8));
        return out;
    }
};

}  // namespace ts::test
