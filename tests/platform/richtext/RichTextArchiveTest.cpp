// Rich text inside keyed archives written the way the platform's own
// frameworks write them (built here by python3's plistlib), read by us,
// written again and checked by plistlib once more.
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/GeometryValue.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/ParagraphStyle.h"
#include "platform/PlatformClasses.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"
#include "support/Python.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ts;

namespace {

// Shared by the scripts below: an object table, class entries and the
// archive written out in binary form.
const char* kPrelude = R"PY(
import plistlib, sys, struct
from plistlib import UID
objs = ['$null']
def add(o):
    objs.append(o)
    return UID(len(objs) - 1)
classes = {}
def klass(*names):
    if names[0] not in classes:
        classes[names[0]] = add({'$classname': names[0], '$classes': list(names) + ['NSObject']})
    return classes[names[0]]
def dictionary(d):
    values = [v if isinstance(v, UID) else add(v) for v in d.values()]
    return add({'$class': klass('NSDictionary'), 'NS.keys': [add(k) for k in d], 'NS.objects': values})
def array(items):
    return add({'$class': klass('NSArray'), 'NS.objects': items})
def font(name, size):
    return add({'$class': klass('NSFont'), 'NSName': add(name), 'NSSize': float(size), 'NSfFlags': 16})
def save(root):
    archive = {'$archiver': 'NSKeyedArchiver', '$version': 100000, '$top': {'root': root}, '$objects': objs}
    with open(sys.argv[1], 'wb') as f:
        plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY)
def load(path):
    with open(path, 'rb') as f:
        a = plistlib.load(f)
    assert a['$archiver'] == 'NSKeyedArchiver'
    o = a['$objects']
    def deref(u):
        return o[u.data] if isinstance(u, UID) else u
    return a, o, deref
def flat(entries):
    out = b'rtfd' + struct.pack('<III', 0, 3, len(entries))
    for name, _ in entries:
        out += struct.pack('<I', len(name)) + name
    for _, blob in entries:
        out += struct.pack('<I', len(blob))
    for _, blob in entries:
        out += blob
    return out
def unflat(data):
    assert data[:4] == b'rtfd', data[:4]
    version, kind, n = struct.unpack_from('<III', data, 4)
    pos = 16
    names = []
    for i in range(n):
        (l,) = struct.unpack_from('<I', data, pos)
        names.append(data[pos + 4:pos + 4 + l])
        pos += 4 + l
    lengths = struct.unpack_from('<%dI' % n, data, pos)
    pos += 4 * n
    out = {}
    for name, l in zip(names, lengths):
        blob = data[pos:pos + l]
        pos += l
        kind, size = struct.unpack_from('<II', blob, 0)
        assert kind == 1, kind
        if size & 0x80000000:
            size, pad = struct.unpack_from('<II', blob, 8)
            assert 16 + pad + size == len(blob), (size, pad, len(blob))
            out[name] = blob[16 + pad:]
        else:
            assert size == len(blob) - 8, (size, len(blob))
            out[name] = blob[8:]
    return out
def wrapped(wrapper):
    # The platform's file wrapper: one key, a data object of the flattened file.
    assert sorted(wrapper) == ['$class', 'NSFileWrapperData'], sorted(wrapper)
    data = wrapper['NSFileWrapperData']
    data = o[data.data] if isinstance(data, UID) else data
    if isinstance(data, dict):
        assert o[data['$class'].data]['$classname'] in ('NSData', 'NSMutableData')
        data = data['NS.data']
    return unflat(data)
)PY";

class RichTextArchive : public ::testing::Test {
protected:
    void SetUp() override {
        registerPlatformClasses();
        ASSERT_TRUE(dir.isValid());
        if (!runPython(QStringLiteral("import plistlib")).started) GTEST_SKIP() << "python3 is not available";
    }
    // Runs the prelude and the script with a file name as argv[1].
    PythonRun python(const char* script, const QString& file) {
        return runPython(QString::fromUtf8(kPrelude) + QString::fromUtf8(script), {file});
    }
    QByteArray build(const char* script) {
        const QString file = dir.filePath(QStringLiteral("theirs.bin"));
        const PythonRun r = python(script, file);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Our archive of the value, checked by the script; answers its output.
    QString check(const Value& v, const char* script) {
        QString error;
        const QByteArray data = KeyedArchiver::archivedDataWithRootObject(v, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const QString file = dir.filePath(QStringLiteral("ours.bin"));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        const PythonRun r = python(script, file);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return r.out.trimmed();
    }
    static Value reread(const Value& v) {
        QString error;
        const Value back = KeyedUnarchiver::unarchive(KeyedArchiver::archivedDataWithRootObject(v), {}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return back;
    }
    QTemporaryDir dir;
};

// A text view's storage: three runs, a bold linked and coloured word, and a
// justified paragraph style with two tab stops in its mutable class.
const char* kTextStorage = R"PY(
style = add({'$class': klass('NSMutableParagraphStyle', 'NSParagraphStyle'), 'NSAlignment': 3,
             'NSTabStops': array([add({'$class': klass('NSTextTab'), 'NSLocation': 28.0}),
                                  add({'$class': klass('NSTextTab'), 'NSLocation': 56.0})])})
url = add({'$class': klass('NSURL'), 'NS.base': UID(0), 'NS.relative': add('footnote:0123456789ABCDEF0123456789ABCDEF')})
blue = add({'$class': klass('NSColor'), 'NSColorSpace': 1, 'NSRGB': b'0 0 1\x00'})
plain = dictionary({'NSFont': font('Helvetica', 12), 'NSParagraphStyle': style})
linked = dictionary({'NSFont': font('Helvetica-Bold', 12), 'NSParagraphStyle': style, 'NSLink': url, 'NSColor': blue,
                     'NSUnderline': 1})
text = add({'$class': klass('NSMutableString', 'NSString'), 'NS.string': 'Gallia est omnis\tdivisa'})
storage = add({'$class': klass('NSTextStorage', 'NSMutableAttributedString', 'NSAttributedString'),
               'NSString': text, 'NSAttributes': array([plain, linked]),
               'NSAttributeInfo': add(bytes([7, 0, 3, 1, 13, 0])), 'NSDelegate': UID(0)})
save(storage)
)PY";

const char* kCheckTextStorage = R"PY(
a, o, deref = load(sys.argv[1])
root = deref(a['$top']['root'])
print(deref(root['$class'])['$classname'])
print(deref(root['NSString']))
dicts = [deref(d) for d in deref(root['NSAttributes'])['NS.objects']]
for d in dicts:
    keys = [deref(k) for k in d['NS.keys']]
    values = dict(zip(keys, [deref(v) for v in d['NS.objects']]))
    style = values['NSParagraphStyle']
    tabs = [deref(t)['NSLocation'] for t in deref(style['NSTabStops'])['NS.objects']]
    link = deref(values['NSLink']['NS.relative']) if 'NSLink' in values else '-'
    print(deref(values['NSFont']['NSName']), style['NSAlignment'], tabs, link)
print(deref(root['NSAttributeInfo']).hex())
)PY";

}  // namespace

TEST_F(RichTextArchive, TextStorageDecodesAsAnAttributedString) {
    QString error;
    const Value v = KeyedUnarchiver::unarchive(build(kTextStorage), {QStringLiteral("NSAttributedString")}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    auto s = v.toObjectAs<AttributedString>();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->string(), QStringLiteral("Gallia est omnis\tdivisa"));
    ASSERT_EQ(s->runs().size(), 3u);
    EXPECT_EQ(s->attribute(AttributeName::Font, 0).toObjectAs<Font>()->postScriptName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(s->attribute(AttributeName::Font, 8).toObjectAs<Font>()->postScriptName(), QStringLiteral("Helvetica-Bold"));
    TextRange linkRange;
    auto url = s->attribute(AttributeName::Link, 8, &linkRange).toObjectAs<Url>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("footnote:0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_EQ(linkRange, (TextRange{7, 3}));
    auto blue = s->attribute(AttributeName::ForegroundColor, 7).toObjectAs<Color>();
    ASSERT_TRUE(blue);
    EXPECT_EQ(blue->toRgb().blue, 1);
    EXPECT_EQ(s->attribute(AttributeName::Underline, 9).toInt64(), 1);
    for (qsizetype i : {0, 8, 20}) {
        auto style = s->attribute(AttributeName::ParagraphStyle, i).toObjectAs<ParagraphStyle>();
        ASSERT_TRUE(style) << i;
        EXPECT_EQ(style->alignment(), ParagraphStyle::Alignment::Justified);
        EXPECT_EQ(style->tabStops(), (std::vector<double>{28, 56}));
    }

    // Written again it is an attributed string the platform reads with the
    // same text, runs, fonts, styles and link.
    const QStringList lines = check(v, kCheckTextStorage).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("NSMutableAttributedString"));
    EXPECT_EQ(lines[1], QStringLiteral("Gallia est omnis\tdivisa"));
    EXPECT_EQ(lines[2], QStringLiteral("Helvetica 3 [28.0, 56.0] -"));
    EXPECT_EQ(lines[3], QStringLiteral("Helvetica-Bold 3 [28.0, 56.0] footnote:0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_EQ(lines[4], QStringLiteral("070003010d00"));
    auto again = reread(v).toObjectAs<AttributedString>();
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isEqualToAttributedString(*s)) << again->description().toStdString();
}

namespace {

// An image attached to a footnote, in a text storage as compiled interface
// files hold one: the attachment's file wrapper has one key,
// "NSFileWrapperData", a mutable data object whose bytes are the flattened
// lone file with its "..", blob page-aligned. The same attachment in the
// form earlier versions of this program wrote (the flattened bytes as plain
// data under "NSFileWrapperSerializedRepresentation") still reads.
const char* kAttachment = R"PY(
png = b'\x89PNG\r\n\x1a\n' + bytes(range(256)) * 3
def lone(blob):
    return flat([(b'..', blob), (b'__@PreferredName@__', struct.pack('<II', 1, 9) + b'Karte.png'),
                 (b'__@UTF8PreferredName@__', struct.pack('<II', 1, 10) + 'K\u00e4rte.png'.encode())])
if sys.argv[2] == 'platform':
    pad = 4003 - 16
    data = add({'$class': klass('NSMutableData', 'NSData'),
                'NS.data': lone(struct.pack('<IIII', 1, 0x80000000, len(png), pad) + bytes(pad) + png)})
    wrapper = add({'$class': klass('NSFileWrapper'), 'NSFileWrapperData': data})
    storage = ('NSTextStorage', 'NSMutableAttributedString', 'NSAttributedString')
else:
    wrapper = add({'$class': klass('NSFileWrapper'),
                   'NSFileWrapperSerializedRepresentation': lone(struct.pack('<II', 1, len(png)) + png)})
    storage = ('NSAttributedString',)
attachment = add({'$class': klass('NSTextAttachment'), 'NSFileWrapper': wrapper})
attrs = dictionary({'NSAttachment': attachment, 'NSFont': font('Helvetica', 12)})
plain = dictionary({'NSFont': font('Helvetica', 12)})
s = add({'$class': klass(*storage), 'NSString': add('See \ufffc here'),
         'NSAttributes': array([plain, attrs, plain]), 'NSAttributeInfo': add(bytes([4, 0, 1, 1, 5, 2])),
         'NSDelegate': UID(0)})
save(s)
)PY";

// Prints the name of every attachment whose wrapper is in the platform's
// form and holds the picture.
const char* kCheckAttachment = R"PY(
a, o, deref = load(sys.argv[1])
root = deref(a['$top']['root'])
print(deref(root['NSString']))
found = []
for d in [deref(x) for x in deref(root['NSAttributes'])['NS.objects']]:
    keys = [deref(k) for k in d['NS.keys']]
    values = dict(zip(keys, d['NS.objects']))
    if 'NSAttachment' in values:
        att = deref(values['NSAttachment'])
        assert deref(att['$class'])['$classname'] == 'NSTextAttachment'
        files = wrapped(deref(att['NSFileWrapper']))
        png = b'\x89PNG\r\n\x1a\n' + bytes(range(256)) * 3
        assert files[b'..'] == png
        found.append(files[b'__@UTF8PreferredName@__'].decode() + '/' + files[b'__@PreferredName@__'].decode())
print(found)
)PY";

}  // namespace

TEST_F(RichTextArchive, AttachmentKeepsItsFileWrappersDataAndName) {
    for (const char* form : {"platform", "earlier"}) {
        SCOPED_TRACE(form);
        const QString file = dir.filePath(QStringLiteral("theirs.bin"));
        const PythonRun made = runPython(QString::fromUtf8(kPrelude) + QString::fromUtf8(kAttachment), {file, QString::fromUtf8(form)});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QString error;
        const Value v = KeyedUnarchiver::unarchive(in.readAll(), {QStringLiteral("NSAttributedString")}, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        auto s = v.toObjectAs<AttributedString>();
        ASSERT_TRUE(s);
        EXPECT_EQ(s->string(), QStringLiteral(u"See \uFFFC here"));
        ASSERT_EQ(s->runs().size(), 3u);
        auto att = s->attribute(AttributeName::Attachment, 4).toObjectAs<TextAttachment>();
        ASSERT_TRUE(att);
        EXPECT_EQ(att->fileName(), QStringLiteral(u"K\u00E4rte.png"));
        EXPECT_TRUE(att->hasContents());
        ASSERT_EQ(att->contents().size(), 8 + 768);
        EXPECT_TRUE(att->contents().startsWith("\x89PNG"));

        EXPECT_EQ(check(v, kCheckAttachment),
                  QStringLiteral(u"See \uFFFC here\n['K\u00E4rte.png/Karte.png']"));
        auto again = reread(v).toObjectAs<AttributedString>();
        ASSERT_TRUE(again);
        EXPECT_TRUE(again->isEqualToAttributedString(*s)) << again->description().toStdString();
        auto back = again->attribute(AttributeName::Attachment, 4).toObjectAs<TextAttachment>();
        ASSERT_TRUE(back);
        EXPECT_EQ(back->fileName(), att->fileName());
        EXPECT_EQ(back->contents(), att->contents());
    }
}

TEST_F(RichTextArchive, AttachmentMadeHereIsArchivedWithItsFile) {
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(768, '\x07');
    auto text = AttributedString::make(QStringLiteral("See "));
    text->append(QStringLiteral(u"\uFFFC"), {{AttributeName::Attachment, Value(std::make_shared<TextAttachment>(QStringLiteral(u"K\u00E4rte.png"), png))}});
    text->append(QStringLiteral(" here"), {});
    const QString out = check(Value(text), R"PY(
a, o, deref = load(sys.argv[1])
for x in o:
    if isinstance(x, dict) and '$class' in x and deref(x['$class'])['$classname'] == 'NSFileWrapper':
        files = wrapped(x)
        print(files[b'__@UTF8PreferredName@__'].decode(), len(files[b'..']), files[b'..'][:4])
)PY");
    EXPECT_EQ(out, QStringLiteral(u"K\u00E4rte.png 776 b'\\x89PNG'"));
}

TEST_F(RichTextArchive, UnreadableFileWrapperIsAnErrorNotAnEmptyAttachment) {
    for (const char* wrapper : {"{'$class': klass('NSFileWrapper'), 'NSFileWrapperSerializedRepresentation': add(b'not a container')}",
                                "{'$class': klass('NSFileWrapper'), 'NSFileWrapperData': add({'$class': klass('NSMutableData'), "
                                "'NS.data': b'rtfd' + bytes(4)})}",
                                "{'$class': klass('NSFileWrapper'), 'NSFileWrapperData': add('not data')}",
                                "{'$class': klass('NSFileWrapper'), 'NSSomethingElse': 1}"}) {
        const std::string script = std::string("wrapper = add(") + wrapper + ")\n"
                                   "attachment = add({'$class': klass('NSTextAttachment'), 'NSFileWrapper': wrapper})\n"
                                   "save(add({'$class': klass('NSAttributedString'), 'NSString': add('\\ufffc'),"
                                   " 'NSAttributes': dictionary({'NSAttachment': attachment})}))\n";
        QString error;
        const Value v = KeyedUnarchiver::unarchive(build(script.c_str()), {}, &error);
        EXPECT_TRUE(v.isNull()) << wrapper;
        EXPECT_FALSE(error.isEmpty()) << wrapper;
    }
}

namespace {

// NSValue kinds this program has no class for: kept as they were written.
const char* kOtherValues = R"PY(
value_c = klass('NSValue')
insets = add({'$class': value_c, 'NS.special': 7, 'NS.edgeval.top': 1.5, 'NS.edgeval.left': 2.0,
              'NS.edgeval.bottom': 3.0, 'NS.edgeval.right': 4.0})
opaque = add({'$class': value_c, 'NS.objctype': add('{Quad=iiii}'), 'NS.bytes': bytes(range(16))})
point = add({'$class': value_c, 'NS.special': 1, 'NS.pointval': '{3, 4}'})
save(array([insets, opaque, point]))
)PY";

const char* kCheckOtherValues = R"PY(
a, o, deref = load(sys.argv[1])
items = [deref(x) for x in deref(a['$top']['root'])['NS.objects']]
for v in items:
    assert deref(v['$class'])['$classname'] == 'NSValue'
    print(sorted((k, deref(x)) for k, x in v.items() if k != '$class'))
)PY";

}  // namespace

TEST_F(RichTextArchive, ValuesOfOtherKindsAreKeptAndWrittenBack) {
    QString error;
    const Value v = KeyedUnarchiver::unarchive(build(kOtherValues), {}, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(v.array().size(), 3u);
    for (const Value& item : v.array()) ASSERT_TRUE(item.toObjectAs<GeometryValue>()) << item.description().toStdString();
    EXPECT_EQ(v.array()[2].toObjectAs<GeometryValue>()->pointValue(), QPointF(3, 4));

    const QStringList lines = check(v, kCheckOtherValues).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("[('NS.edgeval.bottom', 3.0), ('NS.edgeval.left', 2.0), ('NS.edgeval.right', 4.0), "
                                       "('NS.edgeval.top', 1.5), ('NS.special', 7)]"));
    EXPECT_EQ(lines[1], QStringLiteral("[('NS.bytes', b'\\x00\\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\t\\n\\x0b\\x0c\\r\\x0e\\x0f'), "
                                       "('NS.objctype', '{Quad=iiii}')]"));
    EXPECT_EQ(lines[2], QStringLiteral("[('NS.pointval', '{3, 4}'), ('NS.special', 1)]"));

    const Value again = reread(v);
    ASSERT_EQ(again.array().size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(again.array()[i], v.array()[i]) << i;
}

// Each is refused with an error, not read as an empty or partial value.
TEST_F(RichTextArchive, BadValuesAreErrors) {
    const char* scripts[] = {
        // A value of a known kind whose text does not parse.
        "save(add({'$class': klass('NSValue'), 'NS.special': 3, 'NS.rectval': '{{0, 0}, {1}}'}))\n",
        // A value of another kind that is itself, through an array: kept, it
        // would hold itself for ever.
        R"PY(
klass('NSValue'), klass('NSArray')
me = UID(len(objs) + 1)
loop = array([me])
assert add({'$class': klass('NSValue'), 'NS.special': 9, 'NS.loop': loop}) == me
save(me)
)PY"};
    for (const char* script : scripts) {
        QString error;
        const Value v = KeyedUnarchiver::unarchive(build(script), {}, &error);
        EXPECT_TRUE(v.isNull()) << script;
        EXPECT_FALSE(error.isEmpty()) << script;
    }
}
