// Keyed-archive forms of the rich-text classes, checked against the key
// layout of archives the platform itself writes.
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/ParagraphStyle.h"
#include "platform/PlatformClasses.h"
#include "platform/PropertyList.h"
#include "platform/Url.h"
#include "support/Python.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

using namespace ts;

namespace {

class Coding : public ::testing::Test {
protected:
    void SetUp() override {
        registerPlatformClasses();
        registerRichTextClasses();
    }
    static Value roundTrip(const Value& v) {
        QString error;
        const QByteArray data = KeyedArchiver::archivedDataWithRootObject(v, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const Value back = KeyedUnarchiver::unarchive(data, {}, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return back;
    }
    // The archive's object table entry of the root object.
    static ValueDictionary rootEntry(const Value& v, ValueArray* objectsOut = nullptr) {
        KeyedArchiver a;
        a.encodeObject(v, QStringLiteral("root"));
        const Value archive = a.archiveValue();
        const ValueArray& objects = archive[QStringLiteral("$objects")].array();
        if (objectsOut) *objectsOut = objects;
        const quint64 uid = archive[QStringLiteral("$top")][QStringLiteral("root")].toUid().value;
        return uid < objects.size() ? objects[uid].dictionary() : ValueDictionary{};
    }
    static Value deref(const ValueArray& objects, const Value& ref) {
        return ref.isUid() && ref.toUid().value < objects.size() ? objects[ref.toUid().value] : ref;
    }
};

}  // namespace

TEST_F(Coding, ColoursUseTheComponentStringForms) {
    const struct {
        ColorPtr color;
        qint64 space;
        const char* key;
        QByteArray components;  // NUL-terminated text
    } forms[] = {
        {Color::calibratedRgb(1, 0, 0), 1, "NSRGB", QByteArray("1 0 0", 6)},
        {Color::deviceRgb(0.5, 0.25, 0, 0.5), 2, "NSRGB", QByteArray("0.5 0.25 0 0.5", 15)},
        {Color::white(0.25), 3, "NSWhite", QByteArray("0.25", 5)},
    };
    for (const auto& f : forms) {
        const ValueDictionary e = rootEntry(Value(f.color));
        EXPECT_EQ(e.at(QStringLiteral("NSColorSpace")).toInt64(), f.space) << f.key;
        EXPECT_EQ(e.at(QString::fromLatin1(f.key)).toData(), f.components);
    }

    ValueArray objects;
    ValueDictionary e = rootEntry(Value(Color::textColor()), &objects);
    EXPECT_EQ(e[QStringLiteral("NSColorSpace")].toInt64(), 6);
    EXPECT_EQ(deref(objects, e[QStringLiteral("NSCatalogName")]).toString(), QStringLiteral("System"));
    EXPECT_EQ(deref(objects, e[QStringLiteral("NSColorName")]).toString(), QStringLiteral("textColor"));
    EXPECT_TRUE(deref(objects, e[QStringLiteral("NSColor")]).isDictionary());

    for (const ColorPtr& c : {Color::calibratedRgb(0.1, 0.2, 0.3, 0.4), Color::deviceRgb(1, 1, 0), Color::white(0.5, 0.5, false),
                              Color::systemRedColor(), Color::linkColor()}) {
        auto back = roundTrip(Value(c)).toObjectAs<Color>();
        ASSERT_TRUE(back) << c->description().toStdString();
        EXPECT_TRUE(back->isEqual(*c)) << back->description().toStdString();
    }
}

TEST_F(Coding, FontsAndUrls) {
    ValueArray objects;
    ValueDictionary e = rootEntry(Value(Font::make("Menlo-BoldItalic", 13.5)), &objects);
    EXPECT_EQ(deref(objects, e[QStringLiteral("NSName")]).toString(), QStringLiteral("Menlo-BoldItalic"));
    EXPECT_EQ(e[QStringLiteral("NSSize")].toDouble(), 13.5);
    EXPECT_TRUE(e.count(QStringLiteral("NSfFlags")));
    auto font = roundTrip(Value(Font::make("Menlo-BoldItalic", 13.5))).toObjectAs<Font>();
    ASSERT_TRUE(font);
    EXPECT_TRUE(font->isBold() && font->isItalic());
    EXPECT_EQ(font->pointSize(), 13.5);

    auto url = roundTrip(Value(Url::make("footnote:0123456789ABCDEF0123456789ABCDEF"))).toObjectAs<Url>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("footnote:0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_EQ(url->scheme(), QStringLiteral("footnote"));
    auto based = roundTrip(Value(Url::make("b/c.html", Url::make("http://example.org/a/")))).toObjectAs<Url>();
    ASSERT_TRUE(based);
    EXPECT_EQ(based->absoluteString(), QStringLiteral("http://example.org/a/b/c.html"));
    EXPECT_EQ(based->relativeString(), QStringLiteral("b/c.html"));
}

TEST_F(Coding, AttributedStringRunsAsVarintPairs) {
    AttributedString s(QString(200, QLatin1Char('a')), {{AttributeName::Font, Value(Font::make("Helvetica", 12))}});
    s.append(QStringLiteral("12"), {{AttributeName::Link, Value(Url::make("footnote:1"))},
                                    {AttributeName::Underline, Value(1)},
                                    {AttributeName::ParagraphStyle, Value(ParagraphStyle::make(ParagraphStyle::Alignment::Center, {28, 56}))}});
    s.append(QStringLiteral("b"), {{AttributeName::Font, Value(Font::make("Helvetica", 12))}});

    ValueArray objects;
    ValueDictionary e = rootEntry(Value(std::make_shared<AttributedString>(s)), &objects);
    // 200 needs two varint bytes; the third run reuses the first dictionary.
    EXPECT_EQ(deref(objects, e[QStringLiteral("NSAttributeInfo")]).toData(), QByteArray("\xC8\x01\x00\x02\x01\x01\x00", 7));
    EXPECT_EQ(deref(objects, e[QStringLiteral("NSAttributes")]).dictionary().count(QStringLiteral("NS.objects")), 1u);

    auto back = roundTrip(Value(std::make_shared<AttributedString>(s))).toObjectAs<AttributedString>();
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqualToAttributedString(s)) << back->description().toStdString();

    // A single run is written as one dictionary without run information.
    e = rootEntry(Value(AttributedString::make(QStringLiteral("x"), {{AttributeName::Underline, Value(1)}})), &objects);
    EXPECT_FALSE(e.count(QStringLiteral("NSAttributeInfo")));
}

TEST_F(Coding, ReadsThePlatformsImmutableFormAndRejectsBadRunTables) {
    // An archive laid out as the platform writes an NSAttributedString.
    const auto archive = [](const QByteArray& info) {
        const auto cls = [](const char* name) {
            return Value(ValueDictionary{{"$classname", Value(name)}, {"$classes", Value(ValueArray{Value(name), Value("NSObject")})}});
        };
        const auto dict = [](ValueArray keys, ValueArray values) {
            return Value(ValueDictionary{{"NS.keys", Value(keys)}, {"NS.objects", Value(values)}, {"$class", Value(Uid{11})}});
        };
        ValueDictionary root{{"NSString", Value(Uid{2})}, {"NSAttributes", Value(Uid{3})}, {"NSAttributeInfo", Value(Uid{9})}, {"$class", Value(Uid{10})}};
        ValueDictionary runs{{"NS.objects", Value(ValueArray{Value(Uid{4}), Value(Uid{7})})}, {"$class", Value(Uid{8})}};
        ValueArray objects{Value("$null"), Value(root), Value("Arma virumque"), Value(runs), dict({Value(Uid{5})}, {Value(Uid{6})}),
                           Value("NSUnderline"), Value(1), dict({}, {}), cls("NSArray"), Value(info), cls("NSAttributedString"),
                           cls("NSDictionary")};
        return PropertyList::writeBinary(ValueDictionary{{"$archiver", Value("NSKeyedArchiver")}, {"$version", Value(100000)},
                                                         {"$top", Value(ValueDictionary{{"root", Value(Uid{1})}})}, {"$objects", Value(objects)}});
    };
    QString error;
    auto s = KeyedUnarchiver::unarchive(archive(QByteArray("\x04\x00\x09\x01", 4)), {}, &error).toObjectAs<AttributedString>();
    ASSERT_TRUE(s) << error.toStdString();
    EXPECT_EQ(s->string(), QStringLiteral("Arma virumque"));
    ASSERT_EQ(s->runs().size(), 2u);
    EXPECT_EQ(s->attribute(AttributeName::Underline, 0).toInt64(), 1);
    EXPECT_TRUE(s->attributes(5).empty());

    for (const QByteArray& bad : {QByteArray("\x04\x00\x09\x05", 4),            // dictionary index out of range
                                  QByteArray("\x04\x00\x08\x01", 4),            // runs shorter than the text
                                  QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01\x00", 12),  // varint overflow
                                  QByteArray("\x04", 1)}) {                     // a pair cut short
        EXPECT_FALSE(KeyedUnarchiver::unarchive(archive(bad)).toObjectAs<AttributedString>()) << bad.toHex().toStdString();
    }
}

TEST_F(Coding, IndependentReaderSeesTheKeys) {
    AttributedString s(QStringLiteral("ab"), {{AttributeName::ForegroundColor, Value(Color::calibratedRgb(1, 0, 0))}});
    s.append(QStringLiteral("c"), {{AttributeName::Font, Value(Font::make("Times-Roman", 12))}});
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(KeyedArchiver::archivedDataWithRootObject(Value(std::make_shared<AttributedString>(s))));
    file.close();
    const QString script = QStringLiteral(
        "import plistlib,sys\n"
        "p=plistlib.load(open(sys.argv[1],'rb'))\n"
        "o=p['$objects']\n"
        "r=o[p['$top']['root'].data]\n"
        "print(o[r['$class'].data]['$classname'])\n"
        "print(o[r['NSAttributeInfo'].data].hex())\n"
        "print([x['NSRGB'] for x in o if isinstance(x,dict) and 'NSRGB' in x])\n"
        "print([o[x['NSName'].data] for x in o if isinstance(x,dict) and 'NSName' in x])\n");
    const PythonRun py = runPython(script, {file.fileName()});
    const QStringList lines = py.out.split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 4) << py.err.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("NSMutableAttributedString"));
    EXPECT_EQ(lines[1], QStringLiteral("02000101"));
    EXPECT_EQ(lines[2], QStringLiteral("[b'1 0 0\\x00']"));
    EXPECT_EQ(lines[3], QStringLiteral("['Times-Roman']"));
}
