#include "PlistSamples.h"
#include "platform/Object.h"
#include "platform/PropertyList.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ts;

namespace {

const char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

Value readXml(const QByteArray& xml) {
    const PlistResult r = PropertyList::readXML(xml);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, PlistFormat::XML);
    return r.value;
}

QByteArray wrap(const QByteArray& body) { return QByteArray(kHeader) + body + "\n</plist>\n"; }

}  // namespace

TEST(PlistXml, WritesApplesLayout) {
    ValueDictionary d;
    d[QStringLiteral("a & b")] = QStringLiteral("<x>");
    d[QStringLiteral("data")] = QByteArray("hello");
    d[QStringLiteral("date")] = Date{0};
    d[QStringLiteral("int")] = -5;
    d[QStringLiteral("list")] = ValueArray{Value(true), Value(false), Value(1.5), Value(ValueArray{})};
    d[QStringLiteral("uid")] = Uid{3};
    const QByteArray expected = QByteArray(kHeader) +
                                "<dict>\n"
                                "\t<key>a &amp; b</key>\n"
                                "\t<string>&lt;x&gt;</string>\n"
                                "\t<key>data</key>\n"
                                "\t<data>\n"
                                "\taGVsbG8=\n"
                                "\t</data>\n"
                                "\t<key>date</key>\n"
                                "\t<date>2001-01-01T00:00:00Z</date>\n"
                                "\t<key>int</key>\n"
                                "\t<integer>-5</integer>\n"
                                "\t<key>list</key>\n"
                                "\t<array>\n"
                                "\t\t<true/>\n"
                                "\t\t<false/>\n"
                                "\t\t<real>1.5</real>\n"
                                "\t\t<array/>\n"
                                "\t</array>\n"
                                "\t<key>uid</key>\n"
                                "\t<dict>\n"
                                "\t\t<key>CF$UID</key>\n"
                                "\t\t<integer>3</integer>\n"
                                "\t</dict>\n"
                                "</dict>\n"
                                "</plist>\n";
    EXPECT_EQ(PropertyList::writeXML(Value(d)).toStdString(), expected.toStdString());
}

TEST(PlistXml, LongDataIsWrappedInLines) {
    const QByteArray xml = PropertyList::writeXML(QByteArray(500, '\x01'));
    for (const QByteArray& line : xml.split('\n')) {
        if (!line.startsWith("<!DOCTYPE")) {
            EXPECT_LE(line.size(), 76) << line.toStdString();
        }
    }
    EXPECT_EQ(readXml(xml), Value(QByteArray(500, '\x01')));
}

TEST(PlistXml, DatesAreWholeSecondsInUtc) {
    EXPECT_TRUE(PropertyList::writeXML(Date{-978307200.0}).contains("<date>1970-01-01T00:00:00Z</date>"));
    EXPECT_TRUE(PropertyList::writeXML(Date{-1.5}).contains("<date>2000-12-31T23:59:58Z</date>"));
    EXPECT_TRUE(PropertyList::writeXML(Date{86400.0 * 59 + 3661}).contains("<date>2001-03-01T01:01:01Z</date>"));
    EXPECT_EQ(readXml(wrap("<date>2024-02-29T12:00:00Z</date>")),
              Value(Date::fromDateTime(QDateTime(QDate(2024, 2, 29), QTime(12, 0), QTimeZone::utc()))));
    EXPECT_EQ(readXml(wrap("<date>2001-01-01T00:00:01.25Z</date>")), Value(Date{1.25}));
}

// An empty text is a value: reading it as null would drop the entry on the
// next save.
// Readers of a value tell "" from no string at all (a set but empty name is
// written back), so every form must keep the difference.
TEST(PlistXml, EmptyStringsReadAsEmptyInEveryFormat) {
    const ValueDictionary d{{QStringLiteral("name"), Value(QStringLiteral(""))},
                            {QStringLiteral("list"), Value(ValueArray{Value(QStringLiteral(""))})}};
    for (PlistFormat format : {PlistFormat::XML, PlistFormat::Binary}) {
        const PlistResult r = PropertyList::read(PropertyList::write(Value(d), format));
        ASSERT_TRUE(r.ok()) << int(format) << r.error.toStdString();
        EXPECT_TRUE(r.value[QStringLiteral("name")].isString()) << int(format);
        EXPECT_FALSE(r.value[QStringLiteral("name")].toString().isNull()) << int(format);
        EXPECT_FALSE(r.value[QStringLiteral("list")].array().at(0).toString().isNull()) << int(format);
    }
    for (const char* element : {"<string></string>", "<string/>"}) {
        const Value v = readXml(wrap(element));
        ASSERT_TRUE(v.isString()) << element;
        EXPECT_FALSE(v.toString().isNull()) << element;
        EXPECT_TRUE(v.toString().isEmpty()) << element;
    }
    EXPECT_FALSE(PropertyList::readOpenStep("{a = \"\";}").value[QStringLiteral("a")].toString().isNull());
}

TEST(PlistXml, ReadsIntegerForms) {
    EXPECT_EQ(readXml(wrap("<integer>18446744073709551615</integer>")), Value(static_cast<unsigned long long>(UINT64_MAX)));
    EXPECT_EQ(readXml(wrap("<integer>-9223372036854775808</integer>")), Value(qint64(INT64_MIN)));
    EXPECT_EQ(readXml(wrap("<integer> 0x1F </integer>")), Value(31));
    EXPECT_EQ(readXml(wrap("<integer>+12</integer>")), Value(12));
}

TEST(PlistXml, ReadsRealForms) {
    EXPECT_EQ(readXml(wrap("<real>1</real>")), Value(1.0));
    EXPECT_EQ(readXml(wrap("<real>-2.5e3</real>")), Value(-2500.0));
    EXPECT_EQ(readXml(wrap("<real>+infinity</real>")), Value(double(INFINITY)));
    EXPECT_EQ(readXml(wrap("<real>-inf</real>")), Value(-double(INFINITY)));
    EXPECT_TRUE(std::isnan(readXml(wrap("<real>nan</real>")).toDouble()));
    const Value nonFinite = ValueArray{Value(double(INFINITY)), Value(-double(INFINITY))};
    EXPECT_EQ(readXml(PropertyList::writeXML(nonFinite)), nonFinite);
}

TEST(PlistXml, CfUidDictionaryReadsAsUid) {
    EXPECT_EQ(readXml(wrap("<dict><key>CF$UID</key><integer>7</integer></dict>")), Value(Uid{7}));
    // Other shapes stay dictionaries.
    EXPECT_TRUE(readXml(wrap("<dict><key>CF$UID</key><string>7</string></dict>")).isDictionary());
    EXPECT_TRUE(readXml(wrap("<dict><key>CF$UID</key><integer>7</integer><key>x</key><true/></dict>")).isDictionary());
}

TEST(PlistXml, ReadsWithoutPlistElementAndWithCommentsAndEntities) {
    EXPECT_EQ(readXml("<array><string>a</string><!-- c --><string>b&amp;&#x263A;</string></array>"),
              Value(ValueArray{Value("a"), Value(QString::fromUtf8("b&\xE2\x98\xBA"))}));
    EXPECT_EQ(readXml(wrap("<string></string>")), Value(QString()));
    EXPECT_EQ(readXml(wrap("<dict/>")), Value(ValueDictionary{}));
}

TEST(PlistXml, RefusesMalformedDocuments) {
    const char* cases[] = {
        "",
        "<plist version=\"1.0\"></plist>",
        "<plist><string>a</string><string>b</string></plist>",
        "<plist><dict><string>a</string></dict></plist>",
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><array><string>a</array></plist>",
        "<plist><unknown/></plist>",
        "<plist><data>@@@</data></plist>",
        "<plist><date>yesterday</date></plist>",
        "<plist><true>x</true></plist>",
        "<plist><string>a<b/></string></plist>",
        "<plist><string>a</string></plist>trailing",
        "<plist><string>&undefined;</string></plist>",
        "<plist><array>text<string>a</string></array></plist>",
        "<plist><integer>18446744073709551616</integer></plist>",
        "<plist><integer>-9223372036854775809</integer></plist>",
        "<plist><integer>12a</integer></plist>",
        "<plist><integer></integer></plist>",
        "<plist><integer>1.5</integer></plist>",
    };
    for (const char* c : cases) {
        const PlistResult r = PropertyList::readXML(c);
        EXPECT_FALSE(r.ok()) << c;
        EXPECT_TRUE(r.value.isNull()) << c;
    }
}

TEST(PlistXml, NeverLoadsExternalEntities) {
    const QByteArray xml =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE plist [ <!ENTITY ext SYSTEM \"file:///etc/passwd\"> ]>\n"
        "<plist><string>&ext;</string></plist>";
    const PlistResult r = PropertyList::readXML(xml);
    if (r.ok()) {
        EXPECT_FALSE(r.value.toString().contains(QStringLiteral("root:")));
    }
}

TEST(PlistXml, EntityExpansionIsBounded) {
    QByteArray xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">\n";
    for (int i = 1; i < 12; ++i)
        xml += QStringLiteral("<!ENTITY a%1 \"&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;&a%2;\">\n").arg(i).arg(i - 1).toUtf8();
    xml += "]>\n<plist><string>&a11;</string></plist>";
    const PlistResult r = PropertyList::readXML(xml);
    EXPECT_FALSE(r.ok());
}

TEST(PlistXml, WriterRefusesWhatXmlCannotHold) {
    // Years outside 0000..9999 would be written in a form the reader refuses.
    for (const Value& v : {Value(ValueArray{Value()}), Value(std::make_shared<Object>()), Value(Date{1e300}), Value(Date{3.2e11}),
                           Value(Date{-6.4e10})}) {
        QString error;
        EXPECT_TRUE(PropertyList::writeXML(v, &error).isEmpty()) << v.description().toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    const Date lastDay{252423993599.0};  // 9999-12-31T23:59:59Z
    const QByteArray xml = PropertyList::writeXML(lastDay);
    EXPECT_TRUE(xml.contains("<date>9999-12-31T23:59:59Z</date>")) << xml.toStdString();
    EXPECT_EQ(readXml(xml), Value(lastDay));
}

TEST(PlistXml, CarriageReturnsSurviveAndUnwritableCharactersAreRefused) {
    // A raw CR would come back as LF from any XML parser.
    ValueDictionary d;
    d[QStringLiteral("k\r")] = QStringLiteral("a\rb\r\nc");
    const QByteArray xml = PropertyList::writeXML(Value(d));
    EXPECT_EQ(readXml(xml), Value(d)) << xml.toStdString();
    EXPECT_TRUE(xml.contains("a&#13;b&#13;\nc"));
    const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(readXml(PropertyList::writeXML(Value(pair))), Value(pair));

    // Characters XML 1.0 cannot carry make the write fail instead of
    // producing a file that no reader accepts or that reads back altered.
    for (const QString& s : {QStringLiteral("a\x01z"), QString(QChar(0xD800)) + u'x', QString(QChar(0xDC00)), QString(QChar(0xFFFF))}) {
        QString error;
        EXPECT_TRUE(PropertyList::writeXML(ValueArray{Value(s)}, &error).isEmpty()) << s.toStdString();
        EXPECT_FALSE(error.isEmpty());
        ValueDictionary keyed;
        keyed[s] = 1;
        error.clear();
        EXPECT_TRUE(PropertyList::writeXML(Value(keyed), &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}
