// Our archives read by an independent reader (python3's plistlib), and
// archives built by it read by us.

#include "ArchiveTestClasses.h"

#include "platform/GeometryValue.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Uuid.h"
#include "support/Python.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using archivetest::Node;
using archivetest::Record;
using ts::KeyedArchiver;
using ts::KeyedUnarchiver;
using ts::Value;
using ts::ValueArray;

namespace {

class KeyedArchivePython : public ::testing::Test {
protected:
    void SetUp() override {
        archivetest::registerTestClasses();
        ASSERT_TRUE(dir.isValid());
        if (!runPython("import plistlib").started) GTEST_SKIP() << "python3 is not available";
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    static void write(const QString& file, const QByteArray& data) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(data), data.size());
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
};

// Walks our archive with plistlib and asserts the layout the platform uses.
const char* kCheckLayout = R"PY(
import plistlib, sys
with open(sys.argv[1], 'rb') as f:
    a = plistlib.load(f)
# The XML form carries references as {'CF$UID': n} dictionaries.
def uids(v):
    if isinstance(v, dict):
        if list(v) == ['CF$UID']:
            return plistlib.UID(v['CF$UID'])
        return {k: uids(x) for k, x in v.items()}
    if isinstance(v, list):
        return [uids(x) for x in v]
    return v
a = uids(a)
assert a['$archiver'] == 'NSKeyedArchiver', a['$archiver']
assert a['$version'] == 100000
objs = a['$objects']
assert objs[0] == '$null'
def obj(u):
    assert isinstance(u, plistlib.UID), repr(u)
    return objs[u.data]
def cls(o):
    return obj(o['$class'])
root_uid = a['$top']['root']
root = obj(root_uid)
assert cls(root) == {'$classname': 'Node', '$classes': ['Node', 'NSObject']}, cls(root)
assert obj(root['name']) == 'Aeneid'
assert root['count'] == 12 and root['flag'] is True and root['weight'] == 0.5
kids = obj(root['children'])
assert cls(kids)['$classname'] == 'NSMutableArray'
assert cls(kids)['$classes'] == ['NSMutableArray', 'NSArray', 'NSObject']
book = obj(kids['NS.objects'][0])
assert book['parent'] == root_uid          # the cycle back to the root
extra = obj(root['extra'])
assert cls(extra)['$classname'] == 'NSMutableDictionary'
keys = [obj(k) for k in extra['NS.keys']]
vals = dict(zip(keys, extra['NS.objects']))
assert sorted(keys) == ['again', 'book', 'date', 'record', 'rect', 'uuid'], keys
assert vals['book'] == kids['NS.objects'][0]  # shared, written once
assert vals['again'] == vals['book']
date = obj(vals['date'])
assert cls(date)['$classname'] == 'NSDate' and date['NS.time'] == 86400.0
uuid = obj(vals['uuid'])
assert cls(uuid)['$classname'] == 'NSUUID'
assert uuid['NS.uuidbytes'] == bytes.fromhex('6ba7b8109dad11d180b400c04fd430c8')
rect = obj(vals['rect'])
assert cls(rect)['$classname'] == 'NSValue' and rect['NS.special'] == 3
assert rect['NS.rectval'] == '{{0, 0}, {10, 20}}'
rec = obj(vals['record'])
assert obj(rec['$0']) == 'amo' and rec['$1'] == 1 and rec['$2'] == 2.5
assert [obj(u) for u in obj(rec['$3'])['NS.objects']] == ['x', 'y']
names = [o for o in objs if o == 'Aeneid']
assert len(names) == 1
print('layout ok')
)PY";

TEST_F(KeyedArchivePython, PlistlibReadsOurArchivesWithThePlatformLayout) {
    auto root = Node::make("Aeneid");
    auto book = Node::make("Liber I");
    root->add(book);
    root->count = 12;
    root->flag = true;
    root->weight = 0.5;
    auto rec = std::make_shared<Record>();
    rec->word = "amo";
    rec->number = 1;
    rec->real = 2.5;
    rec->list = ValueArray{"x", "y"};
    root->extra = ts::ValueDictionary{
        {"book", book},
        {"again", book},
        {"date", ts::Date{86400}},
        {"uuid", std::make_shared<ts::Uuid>(QUuid("6ba7b810-9dad-11d1-80b4-00c04fd430c8"))},
        {"rect", ts::GeometryValue::rect(QRectF(0, 0, 10, 20))},
        {"record", rec},
    };
    for (auto format : {ts::PlistFormat::Binary, ts::PlistFormat::XML}) {
        const QString file = path(format == ts::PlistFormat::Binary ? "ours.bin" : "ours.xml");
        write(file, KeyedArchiver::archivedDataWithRootObject(root, format));
        const auto r = runPython(kCheckLayout, {file});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.trimmed(), "layout ok");
    }
}

// Builds an archive the way the platform's archiver lays it out, with the
// variants our writer does not produce (immutable classes, NSMutableString
// and NSData wrappers, sets, NSNull, number dictionary keys, the older
// "NS.object.N" form), and writes it in the format given as argv[2].
const char* kBuildArchive = R"PY(
import plistlib, sys
from plistlib import UID
objs = ['$null']
def add(o):
    objs.append(o)
    return UID(len(objs) - 1)
def klass(*names):
    return add({'$classname': names[0], '$classes': list(names) + ['NSObject']})
node_c = klass('Node')
arr_c = klass('NSArray')
set_c = klass('NSMutableSet', 'NSSet')
dict_c = klass('NSDictionary')
mstr_c = klass('NSMutableString', 'NSString')
mdata_c = klass('NSMutableData', 'NSData')
date_c = klass('NSDate')
null_c = klass('NSNull')
uuid_c = klass('NSUUID')
value_c = klass('NSValue')
# A subclass we do not know, falling back to a class we do.
custom_c = add({'$classname': 'TSFancyArray', '$classes': ['TSFancyArray', 'NSMutableArray', 'NSArray', 'NSObject']})
root = UID(len(objs) + 0)
objs.append(None)  # reserved for the root node
child = add({'$class': node_c, 'name': add('child'), 'count': -5, 'parent': root})
mstr = add({'$class': mstr_c, 'NS.string': 'mutabilis'})
mdata = add({'$class': mdata_c, 'NS.data': b'\x00\x01'})
date = add({'$class': date_c, 'NS.time': 0.0})
null = add({'$class': null_c})
uuid = add({'$class': uuid_c, 'NS.uuidbytes': bytes(range(16))})
rng = add({'$class': value_c, 'NS.special': 4, 'NS.rangeval.location': 3, 'NS.rangeval.length': 9})
s = add({'$class': set_c, 'NS.objects': [add('una'), add('duo')]})
old = add({'$class': arr_c, 'NS.object.0': add('prima'), 'NS.object.1': add(2)})
fancy = add({'$class': custom_c, 'NS.objects': [add(True)]})
d = add({'$class': dict_c,
         'NS.keys': [add('string'), add('data'), add('date'), add('null'), add('uuid'), add('range'),
                     add('set'), add('old'), add('fancy'), add(7)],
         'NS.objects': [mstr, mdata, date, null, uuid, rng, s, old, fancy, add('septem')]})
objs[root.data] = {'$class': node_c, 'name': add('root'), 'count': 2, 'weight': 1.25, 'flag': True,
                   'children': add({'$class': arr_c, 'NS.objects': [child]}), 'extra': d}
archive = {'$archiver': 'NSKeyedArchiver', '$version': 100000, '$top': {'root': root}, '$objects': objs}
def cfuids(v):
    if isinstance(v, UID):
        return {'CF$UID': v.data}
    if isinstance(v, dict):
        return {k: cfuids(x) for k, x in v.items()}
    if isinstance(v, list):
        return [cfuids(x) for x in v]
    return v
xml = sys.argv[2:] == ['xml']
with open(sys.argv[1], 'wb') as f:
    if xml:
        plistlib.dump(cfuids(archive), f, fmt=plistlib.FMT_XML)
    else:
        plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY)
)PY";

TEST_F(KeyedArchivePython, ArchivesBuiltByPlistlibDecode) {
    for (const char* format : {"binary", "xml"}) {
        const QString file = path(QString("theirs.%1").arg(format));
        const auto r = runPython(kBuildArchive, {file, format});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

        QString error;
        const Value v = KeyedUnarchiver::unarchive(read(file), {}, &error);
        ASSERT_TRUE(error.isEmpty()) << format << ": " << error.toStdString();
        auto root = v.toObjectAs<Node>();
        ASSERT_TRUE(root);
        EXPECT_EQ(root->name, "root");
        EXPECT_EQ(root->count, 2);
        EXPECT_DOUBLE_EQ(root->weight, 1.25);
        EXPECT_TRUE(root->flag);
        ASSERT_EQ(root->children.size(), 1u);
        EXPECT_EQ(root->children[0]->count, -5);
        EXPECT_EQ(root->children[0]->parent.lock(), root);

        const Value& x = root->extra;
        EXPECT_EQ(x["string"], Value("mutabilis"));
        EXPECT_EQ(x["data"], Value(QByteArray("\x00\x01", 2)));
        EXPECT_EQ(x["date"], Value(ts::Date{0}));
        EXPECT_TRUE(x.contains("null"));
        EXPECT_TRUE(x["null"].isNull());
        auto uuid = x["uuid"].toObjectAs<ts::Uuid>();
        ASSERT_TRUE(uuid);
        EXPECT_EQ(uuid->UUIDString(), "00010203-0405-0607-0809-0A0B0C0D0E0F");
        auto range = x["range"].toObjectAs<ts::GeometryValue>();
        ASSERT_TRUE(range);
        EXPECT_EQ(range->rangeValue().location, 3u);
        EXPECT_EQ(range->rangeValue().length, 9u);
        EXPECT_EQ(x["set"], Value(ValueArray{"una", "duo"}));
        EXPECT_EQ(x["old"], Value(ValueArray{"prima", 2}));
        EXPECT_EQ(x["fancy"], Value(ValueArray{true}));
        EXPECT_EQ(x["7"], Value("septem"));  // a number key becomes its text
    }
}

}  // namespace
