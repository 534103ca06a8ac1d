// Interoperation with an independent implementation: python3's plistlib reads
// what we write, and we read what it writes, as the same values.

#include "PlistSamples.h"
#include "platform/PropertyList.h"
#include "support/Python.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ts;

namespace {

// The same value as `expected(uids)` in kPython below.
Value interopValue(bool uids) {
    ValueDictionary d;
    d[QStringLiteral("ascii")] = QStringLiteral("plain text & <markup>");
    d[QStringLiteral("unicode")] = QString::fromUtf8("caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    d[QString::fromUtf8("cl\xC3\xA9")] = QStringLiteral("non-ASCII key");
    d[QStringLiteral("ints")] = ValueArray{Value(0), Value(1), Value(-1), Value(255), Value(256), Value(65535), Value(65536),
                                           Value(qint64(4294967295LL)), Value(qint64(4294967296LL)), Value(qint64(INT64_MAX)),
                                           Value(qint64(INT64_MIN)), Value(static_cast<unsigned long long>(UINT64_MAX))};
    d[QStringLiteral("reals")] = ValueArray{Value(0.5), Value(-1e300), Value(3.141592653589793), Value(0.1), Value(1.0)};
    d[QStringLiteral("yes")] = true;
    d[QStringLiteral("no")] = false;
    d[QStringLiteral("date")] = Date::fromDateTime(QDateTime(QDate(2024, 2, 29), QTime(12, 30, 15), QTimeZone::utc()));
    d[QStringLiteral("old date")] = Date::fromDateTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0), QTimeZone::utc()));
    d[QStringLiteral("data")] = QByteArray::fromHex("000102fffe");
    d[QStringLiteral("long data")] = QByteArray(200, 'Z');
    d[QStringLiteral("nested")] = ValueArray{Value(ValueArray{Value(ValueArray{Value("deep")})}), ValueDictionary{{QStringLiteral("k"), Value("v")}}};
    d[QStringLiteral("empty array")] = ValueArray{};
    d[QStringLiteral("empty dict")] = ValueDictionary{};
    d[QString()] = QStringLiteral("empty key");
    d[QStringLiteral("long string")] = QString(40, u'x');
    d[QStringLiteral("shared")] = ValueArray{Value("same"), Value("same"), Value(7), Value(7)};
    if (uids) {
        d[QStringLiteral("uid")] = Uid{42};
        d[QStringLiteral("big uid")] = Uid{70000};
        d[QStringLiteral("uids")] = ValueArray{Value(Uid{0}), Value(Uid{255}), Value(Uid{256})};
    }
    return Value(std::move(d));
}

// argv: mode ("write" or "check"), folder.
const char kPython[] = R"PY(
import datetime, os, plistlib, sys

def expected(uids):
    d = {
        'ascii': 'plain text & <markup>',
        'unicode': 'caf\u00e9 \u65e5\u672c \U0001F600',
        'cl\u00e9': 'non-ASCII key',
        'ints': [0, 1, -1, 255, 256, 65535, 65536, 2**32 - 1, 2**32, 2**63 - 1, -2**63, 2**64 - 1],
        'reals': [0.5, -1e300, 3.141592653589793, 0.1, 1.0],
        'yes': True,
        'no': False,
        'date': datetime.datetime(2024, 2, 29, 12, 30, 15),
        'old date': datetime.datetime(1970, 1, 1),
        'data': bytes.fromhex('000102fffe'),
        'long data': b'Z' * 200,
        'nested': [[['deep']], {'k': 'v'}],
        'empty array': [],
        'empty dict': {},
        '': 'empty key',
        'long string': 'x' * 40,
        'shared': ['same', 'same', 7, 7],
    }
    if uids:
        d['uid'] = plistlib.UID(42)
        d['big uid'] = plistlib.UID(70000)
        d['uids'] = [plistlib.UID(0), plistlib.UID(255), plistlib.UID(256)]
    return d

mode, folder = sys.argv[1], sys.argv[2]
if mode == 'write':
    with open(os.path.join(folder, 'py.bplist'), 'wb') as f:
        plistlib.dump(expected(True), f, fmt=plistlib.FMT_BINARY)
    with open(os.path.join(folder, 'py.xml'), 'wb') as f:
        plistlib.dump(expected(False), f, fmt=plistlib.FMT_XML)
    print('OK')
else:
    failures = []
    for name, uids in (('ts.bplist', True), ('ts.xml', False)):
        with open(os.path.join(folder, name), 'rb') as f:
            got = plistlib.load(f)
        want = expected(uids)
        if got != want:
            for k in sorted(set(got) | set(want)):
                if got.get(k) != want.get(k):
                    failures.append('%s: %r: got %r, want %r' % (name, k, got.get(k), want.get(k)))
    # UIDs written to XML come back to plistlib as CF$UID dictionaries.
    with open(os.path.join(folder, 'uid.xml'), 'rb') as f:
        got = plistlib.load(f)
    if got != [{'CF$UID': 5}, {'CF$UID': 70000}]:
        failures.append('uid.xml: %r' % (got,))
    print('\n'.join(failures) if failures else 'OK')
    sys.exit(1 if failures else 0)
)PY";

// Runs the script above; its standard output and error, and its exit code (-1 when it did not run).
QString plistlib(const QString& mode, const QString& folder, int* exitCode) {
    const PythonRun r = runPython(QString::fromUtf8(kPython), {mode, folder});
    *exitCode = r.exitCode;
    return r.started ? (r.out + r.err).trimmed() : QStringLiteral("python3 did not start");
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void expectSameValue(const Value& got, const Value& want) {
    ASSERT_TRUE(got.isDictionary()) << got.description().toStdString();
    for (const auto& [k, v] : want.dictionary()) EXPECT_EQ(got[k], v) << "key " << k.toStdString() << ": got " << got[k].description().toStdString();
    EXPECT_EQ(got.dictionary().size(), want.dictionary().size());
}

}  // namespace

TEST(PlistInterop, WeReadWhatPlistlibWrites) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int code = -1;
    const QString out = plistlib(QStringLiteral("write"), dir.path(), &code);
    ASSERT_EQ(code, 0) << out.toStdString();

    const PlistResult binary = PropertyList::read(readFile(dir.filePath(QStringLiteral("py.bplist"))));
    ASSERT_TRUE(binary.ok()) << binary.error.toStdString();
    EXPECT_EQ(binary.format, PlistFormat::Binary);
    expectSameValue(binary.value, interopValue(true));

    const PlistResult xml = PropertyList::read(readFile(dir.filePath(QStringLiteral("py.xml"))));
    ASSERT_TRUE(xml.ok()) << xml.error.toStdString();
    EXPECT_EQ(xml.format, PlistFormat::XML);
    expectSameValue(xml.value, interopValue(false));
}

TEST(PlistInterop, PlistlibReadsWhatWeWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    const QByteArray binary = PropertyList::writeBinary(interopValue(true), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QByteArray xml = PropertyList::writeXML(interopValue(false), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const QByteArray uidXml = PropertyList::writeXML(ValueArray{Value(Uid{5}), Value(Uid{70000})}, &error);
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("ts.bplist")), binary));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("ts.xml")), xml));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("uid.xml")), uidXml));
    int code = -1;
    const QString out = plistlib(QStringLiteral("check"), dir.path(), &code);
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_EQ(out, QStringLiteral("OK"));
}

TEST(PlistInterop, OurBinaryIsAsCompactAsPlistlibs) {
    // Both writers unique equal scalars and pick the narrowest widths, so the
    // object counts agree; plistlib writes dictionary keys and values the same way.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int code = -1;
    plistlib(QStringLiteral("write"), dir.path(), &code);
    ASSERT_EQ(code, 0);
    const QByteArray theirs = readFile(dir.filePath(QStringLiteral("py.bplist")));
    const QByteArray ours = PropertyList::writeBinary(interopValue(true));
    auto count = [](const QByteArray& b) {
        quint64 n = 0;
        for (int i = 0; i < 8; ++i) n = n << 8 | uchar(b[b.size() - 24 + i]);
        return n;
    };
    EXPECT_EQ(count(ours), count(theirs));
    EXPECT_LE(ours.size(), theirs.size());
}
