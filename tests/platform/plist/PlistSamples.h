#pragma once
// Values shared by the property-list tests.

#include "platform/Value.h"

#include <cstdint>
#include <ostream>

namespace ts {
// Readable values in test failure messages.
inline void PrintTo(const Value& v, std::ostream* os) {
    *os << Value::typeName(v.type()) << " " << v.description().toStdString();
}
}  // namespace ts

namespace ts::test {

// One of every kind, nested, with non-ASCII text and extreme integers.
inline Value samplePlist() {
    ValueDictionary inner;
    inner[QStringLiteral("uid")] = Uid{42};
    inner[QStringLiteral("big uid")] = Uid{70000};
    inner[QStringLiteral("empty array")] = ValueArray{};
    inner[QStringLiteral("empty dict")] = ValueDictionary{};
    inner[QStringLiteral("")] = QStringLiteral("empty key");

    ValueArray list{Value(1), Value(-1), Value(255), Value(256), Value(65535), Value(65536), Value(qint64(4294967295LL)),
                    Value(qint64(4294967296LL)), Value(qint64(INT64_MAX)), Value(qint64(INT64_MIN)),
                    Value(static_cast<unsigned long long>(UINT64_MAX)), Value(static_cast<unsigned long long>(quint64(INT64_MAX) + 1))};

    ValueDictionary root;
    root[QStringLiteral("ascii")] = QStringLiteral("plain text & <markup>");
    root[QStringLiteral("unicode")] = QString::fromUtf8("caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    root[QString::fromUtf8("cl\xC3\xA9")] = QStringLiteral("non-ASCII key");
    root[QStringLiteral("long string")] = QString(40, u'x');
    root[QStringLiteral("integers")] = Value(std::move(list));
    root[QStringLiteral("reals")] = ValueArray{Value(0.5), Value(-1e300), Value(3.141592653589793), Value(0.1), Value(1.0)};
    root[QStringLiteral("yes")] = true;
    root[QStringLiteral("no")] = false;
    root[QStringLiteral("date")] = Date{-978307200.0};  // 1970-01-01
    root[QStringLiteral("recent date")] = Date{700000000.0};
    root[QStringLiteral("data")] = QByteArray::fromHex("000102fffe");
    root[QStringLiteral("long data")] = QByteArray(200, '\x5a');
    root[QStringLiteral("inner")] = Value(std::move(inner));
    root[QStringLiteral("nested")] = ValueArray{Value(ValueArray{Value(ValueArray{Value("deep")})}), ValueDictionary{{QStringLiteral("k"), Value("v")}}};
    return Value(std::move(root));
}

// A value nested `depth` arrays deep around a string.
inline Value nestedArrays(int depth) {
    Value v("leaf");
    for (int i = 0; i < depth; ++i) v = ValueArray{std::move(v)};
    return v;
}

}  // namespace ts::test
