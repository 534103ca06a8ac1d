#include "PlistSamples.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

using namespace ts;

namespace {

Value readText(const QByteArray& text) {
    const PlistResult r = PropertyList::readOpenStep(text);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.format, PlistFormat::OpenStep);
    return r.value;
}

}  // namespace

TEST(PlistOpenStep, ReadsAProjectStyleFile) {
    const QByteArray text =
        "// !$*UTF8*$!\n"
        "{\n"
        "\tarchiveVersion = 1;\n"
        "\t/* a block\n comment */\n"
        "\tobjects = {\n"
        "\t\t0A1B2C3D /* name */ = {isa = PBXFileReference; path = \"My File.m\"; sourceTree = \"<group>\"; };\n"
        "\t};\n"
        "\tlist = ( a, \"b c\", $(SRCROOT)/x, );\n"
        "\tempty = ( );\n"
        "\t\"\" = \"empty key\";\n"
        "\tbytes = <0fbd 7c>;\n"
        "\tpath = /usr/lib:x+y_z-1.5;\n"
        "}\n";
    // `$(SRCROOT)` is not a valid unquoted string: parentheses are structure.
    const PlistResult bad = PropertyList::readOpenStep(text);
    EXPECT_FALSE(bad.ok());

    QByteArray good = text;
    good.replace("$(SRCROOT)/x", "\"$(SRCROOT)/x\"");
    const Value v = readText(good);
    EXPECT_EQ(v["archiveVersion"], Value("1"));
    EXPECT_EQ(v["objects"]["0A1B2C3D"]["path"], Value("My File.m"));
    EXPECT_EQ(v["objects"]["0A1B2C3D"]["sourceTree"], Value("<group>"));
    EXPECT_EQ(v["list"], Value(ValueArray{Value("a"), Value("b c"), Value("$(SRCROOT)/x")}));
    EXPECT_EQ(v["empty"], Value(ValueArray{}));
    EXPECT_EQ(v[""], Value("empty key"));
    EXPECT_EQ(v["bytes"], Value(QByteArray::fromHex("0fbd7c")));
    EXPECT_EQ(v["path"], Value("/usr/lib:x+y_z-1.5"));
}

TEST(PlistOpenStep, ReadsEscapes) {
    EXPECT_EQ(readText("\"a\\nb\\tc\\\"d\\\\e\""), Value("a\nb\tc\"d\\e"));
    EXPECT_EQ(readText("\"\\U00e9\\u263a\""), Value(QString::fromUtf8("\xC3\xA9\xE2\x98\xBA")));
    EXPECT_EQ(readText("\"\\101\\60\""), Value("A0"));
    EXPECT_EQ(readText("'single'"), Value("single"));
    EXPECT_EQ(readText(QByteArray("\"caf\xC3\xA9\"")), Value(QString::fromUtf8("caf\xC3\xA9")));
}

TEST(PlistOpenStep, ReadsBareStringsTablesAndScalars) {
    const Value v = readText("/* c */ \"key\" = \"value\";\nother = x; // trailing\n");
    EXPECT_EQ(v, Value(ValueDictionary{{QStringLiteral("key"), Value("value")}, {QStringLiteral("other"), Value("x")}}));
    EXPECT_EQ(readText("  justAString  "), Value("justAString"));
    EXPECT_EQ(readText("(1, (2, {}), <>)"), Value(ValueArray{Value("1"), Value(ValueArray{Value("2"), Value(ValueDictionary{})}), Value(QByteArray())}));
}

TEST(PlistOpenStep, ReadsUtf16WithByteOrderMark) {
    const QString text = QStringLiteral("{ k = \"\u00e9\"; }");
    QByteArray le("\xFF\xFE");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF));
        le.append(char(c.unicode() >> 8));
    }
    const PlistResult r = PropertyList::read(le);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.value["k"], Value(QStringLiteral("\u00e9")));
}

TEST(PlistOpenStep, RefusesMalformedText) {
    const char* cases[] = {
        "",
        "   // only a comment",
        "{ a = b }",
        "{ a = b;",
        "{ a b; }",
        "( a b )",
        "( a, ",
        "\"unterminated",
        "<0fb>",
        "<0fbz>",
        "/* open",
        "{ a = b; } extra",
        "{ = b; }",
        "\"\\U\"",
    };
    for (const char* c : cases) {
        const PlistResult r = PropertyList::readOpenStep(c);
        EXPECT_FALSE(r.ok()) << c;
        EXPECT_TRUE(r.value.isNull()) << c;
    }
}
