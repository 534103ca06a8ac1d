#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/ParagraphStyle.h"
#include "platform/Rtf.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ts;

namespace {

FontPtr fontAt(const AttributedString& s, qsizetype i) { return s.attribute(AttributeName::Font, i).toObjectAs<Font>(); }
ColorPtr colorAt(const AttributedString& s, qsizetype i, const QString& key = AttributeName::ForegroundColor) {
    return s.attribute(key, i).toObjectAs<Color>();
}
bool near(const ColorPtr& c, double r, double g, double b, double a = 1) {
    if (!c) return false;
    const Color::Rgba x = c->toRgb();
    return std::abs(x.red - r) <= 0.001 && std::abs(x.green - g) <= 0.001 && std::abs(x.blue - b) <= 0.001 && std::abs(x.alpha - a) <= 0.001;
}

AttributedString read(const char* rtf) {
    RtfReadResult r = readRtf(QByteArray(rtf));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return r.text;
}

}  // namespace

// A footnote reference as the platform's text system writes it into a
// line of a document, with the extended colour table and a link field.
TEST(RtfRead, FootnoteLinkInThePlatformDialect) {
    const AttributedString s = read(
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n"
        "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil\\fcharset0 Menlo-BoldItalic;}\n"
        "{\\colortbl;\\red255\\green255\\blue255;\\red227\\green36\\blue0;\\red0\\green0\\blue233;}\n"
        "{\\*\\expandedcolortbl;;\\cssrgb\\c88946\\c14202\\c0\\c50000;\\csgenericrgb\\c0\\c0\\c91373;}\n"
        "\\pard\\tx560\\tx1120\\pardirnatural\\partightenfactor0\n"
        "\n"
        "\\f0\\fs24 \\cf0 Arma virumque cano\n"
        "{\\field{\\*\\fldinst{HYPERLINK \"footnote:0A1B2C3D4E5F60718293A4B5C6D7E8F9\"}}{\\fldrslt \\cf3 \\ul \\ulc3 [1]}}"
        "\\cf2 \\f1\\b\\i\\fs28 \\expnd0\\expndtw0\\kerning0 Troiae}");
    EXPECT_EQ(s.string(), QStringLiteral("Arma virumque cano[1]Troiae"));

    TextRange r;
    const Value link = s.attribute(AttributeName::Link, 19, &r);
    EXPECT_EQ(r, (TextRange{18, 3}));
    auto url = link.toObjectAs<Url>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("footnote:0A1B2C3D4E5F60718293A4B5C6D7E8F9"));
    EXPECT_EQ(s.attribute(AttributeName::Underline, 19).toInt64(), 1);
    EXPECT_TRUE(near(colorAt(s, 19), 0, 0, 0.91373));
    EXPECT_TRUE(s.attribute(AttributeName::Link, 21).isNull());

    // The extended table's component and alpha win over the 8-bit table.
    EXPECT_TRUE(near(colorAt(s, 22), 0.88946, 0.14202, 0, 0.5));
    EXPECT_FALSE(colorAt(s, 0));  // \cf0 is the automatic colour
    EXPECT_EQ(fontAt(s, 0)->postScriptName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(fontAt(s, 0)->pointSize(), 12);
    EXPECT_EQ(fontAt(s, 22)->postScriptName(), QStringLiteral("Menlo-BoldItalic"));
    EXPECT_EQ(fontAt(s, 22)->pointSize(), 14);
    auto ps = s.attribute(AttributeName::ParagraphStyle, 0).toObjectAs<ParagraphStyle>();
    ASSERT_TRUE(ps);
    EXPECT_EQ(ps->tabStops(), (std::vector<double>{28, 56}));
}

TEST(RtfRead, TraitsMakeFacesOfTheFamily) {
    const AttributedString s = read("{\\rtf1\\ansi{\\fonttbl\\f0\\froman\\fcharset0 Times-Roman;}\\f0\\fs24 a\\b b\\i c\\b0 d\\i0 e}");
    EXPECT_EQ(fontAt(s, 0)->postScriptName(), QStringLiteral("Times-Roman"));
    EXPECT_EQ(fontAt(s, 1)->postScriptName(), QStringLiteral("Times-Bold"));
    EXPECT_EQ(fontAt(s, 2)->postScriptName(), QStringLiteral("Times-BoldItalic"));
    EXPECT_EQ(fontAt(s, 3)->postScriptName(), QStringLiteral("Times-Italic"));
    EXPECT_EQ(fontAt(s, 4)->postScriptName(), QStringLiteral("Times-Roman"));
}

TEST(RtfRead, CharacterEscapesAndCodePages) {
    // \uN is signed 16-bit; \uc1 skips the fallback byte after it.
    AttributedString s = read("{\\rtf1\\ansi\\ansicpg1252 \\uc0\\u257 \\uc0\\u-3913 \\uc1\\u8212\\'97x\\'e9\\'80\\\n\\{\\}\\\\\\tab y}");
    EXPECT_EQ(s.string(), QStringLiteral(u"\u0101\uF0B7\u2014x\u00E9\u20AC\n{}\\\ty"));
    // A surrogate pair written as two escapes.
    s = read("{\\rtf1\\ansi \\uc0\\u-10179 \\u-8704 }");
    EXPECT_EQ(s.string(), QString::fromUcs4(U"\U0001F600"));
    // Old files in the Macintosh character set.
    s = read("{\\rtf1\\mac\\ansicpg10000 \\'8a\\'d5}");
    EXPECT_EQ(s.string(), QStringLiteral(u"\u00E4\u2019"));
    // A font's charset overrides the document code page (Shift-JIS here).
    s = read("{\\rtf1\\ansi{\\fonttbl\\f0\\fnil\\fcharset128 HiraginoSans-W3;}\\f0 \\'93\\'fa\\'96\\'7b}");
    EXPECT_EQ(s.string(), QStringLiteral(u"\u65E5\u672C"));
}

TEST(RtfRead, SizesBaselinesAndSkippedGroups) {
    const AttributedString s = read(
        "{\\rtf1\\ansi\\cocoartf2822\\cocoasubrtf100{\\fonttbl\\f0\\fswiss Helvetica;}"
        "{\\*\\listtable{\\list\\listtemplateid1 junk}}{\\info{\\title ignored}}{\\*\\unknowndest skipped text}"
        "\\f0\\fsmilli14100 a\\fs24\\super b\\nosupersub\\up6 c\\up0\\dn4 d\\dn0\\sub e\\nosupersub\\strike f\\strike0\\uldb g}");
    EXPECT_EQ(s.string(), QStringLiteral("abcdefg"));
    EXPECT_DOUBLE_EQ(fontAt(s, 0)->pointSize(), 14.1);
    EXPECT_EQ(s.attribute(AttributeName::SuperScript, 1).toInt64(), 1);
    EXPECT_EQ(s.attribute(AttributeName::BaselineOffset, 2).toDouble(), 3);
    EXPECT_EQ(s.attribute(AttributeName::BaselineOffset, 3).toDouble(), -2);
    EXPECT_EQ(s.attribute(AttributeName::SuperScript, 4).toInt64(), -1);
    EXPECT_EQ(s.attribute(AttributeName::Strikethrough, 5).toInt64(), 1);
    EXPECT_EQ(s.attribute(AttributeName::Underline, 6).toInt64(), int(UnderlineStyle::Double));
    EXPECT_TRUE(s.attribute(AttributeName::SuperScript, 6).isNull());
}

TEST(RtfRead, AttachmentWithoutItsFolderKeepsTheName) {
    const AttributedString s = read("{\\rtf1\\ansi {{\\NeXTGraphic Pasted Graphic.png \\width1180 \\height1920}\xac}x}");
    EXPECT_EQ(s.string(), QStringLiteral(u"\uFFFCx"));
    auto att = s.attribute(AttributeName::Attachment, 0).toObjectAs<TextAttachment>();
    ASSERT_TRUE(att);
    EXPECT_EQ(att->fileName(), QStringLiteral("Pasted Graphic.png"));
    EXPECT_EQ(att->widthTwips(), 1180);
    EXPECT_FALSE(att->hasContents());
    EXPECT_TRUE(s.attribute(AttributeName::Attachment, 1).isNull());
}

TEST(RtfRead, NotRtfIsAnErrorNotAnEmptyText) {
    for (const char* bad : {"", "plain text", "{\\rtf1 unterminated", "{\\rtf1 \\'4", "{\\rtf1 \\bin99 abc}"}) {
        const RtfReadResult r = readRtf(QByteArray(bad));
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_FALSE(r.error.isEmpty()) << bad;
    }
    // Bytes after the closing brace are not part of the text; an empty document is a valid, empty text.
    EXPECT_EQ(read("{\\rtf1 a}}").string(), QStringLiteral("a"));
    EXPECT_EQ(read("{\\rtf1\\ansi}").length(), 0);
}

TEST(RtfRoundTrip, EveryAttributeSurvivesASecondRead) {
    AttributedString s;
    const FontPtr plain = Font::make("Helvetica", 12);
    s.append(QStringLiteral("Gallia "), {{AttributeName::Font, Value(plain)}});
    s.append(QStringLiteral("est"), {{AttributeName::Font, Value(plain->withTraits(true, false))},
                                     {AttributeName::ForegroundColor, Value(Color::calibratedRgb(0.123456, 0.5, 0.987654, 0.75))},
                                     {AttributeName::BackgroundColor, Value(Color::white(0.25))}});
    s.append(QStringLiteral(" omnis"), {{AttributeName::Font, Value(Font::make("Times-Italic", 15.5))},
                                        {AttributeName::Underline, Value(1)},
                                        {AttributeName::Strikethrough, Value(1)}});
    s.append(QStringLiteral("2"), {{AttributeName::Font, Value(Font::make("Helvetica", 6))},
                                   {AttributeName::SuperScript, Value(1)},
                                   {AttributeName::BaselineOffset, Value(5.0)}});
    s.append(QStringLiteral("[1]"), {{AttributeName::Font, Value(plain)},
                                     {AttributeName::Link, Value(Url::make("footnote:0123456789ABCDEF0123456789ABCDEF"))},
                                     {AttributeName::ForegroundColor, Value(Color::linkColor())}});
    s.append(QStringLiteral("*"), {{AttributeName::Font, Value(plain)}, {AttributeName::Link, Value("vocab:42")}});
    s.append(QStringLiteral(u"\nāē \u2014 {\\} \u65E5\t\u2028end"),
             {{AttributeName::Font, Value(plain)},
              {AttributeName::ParagraphStyle, Value(ParagraphStyle::make(ParagraphStyle::Alignment::Center, {36, 72}))}});

    const QByteArray rtf = writeRtf(s);
    ASSERT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\cocoartf")) << rtf.constData();
    const RtfReadResult first = readRtf(rtf);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    const AttributedString& t = first.text;
    EXPECT_EQ(t.string(), s.string());

    EXPECT_EQ(fontAt(t, 7)->postScriptName(), QStringLiteral("Helvetica-Bold"));
    EXPECT_TRUE(near(colorAt(t, 7), 0.123456, 0.5, 0.987654, 0.75));
    EXPECT_TRUE(near(colorAt(t, 7, AttributeName::BackgroundColor), 0.25, 0.25, 0.25));
    EXPECT_EQ(fontAt(t, 11)->postScriptName(), QStringLiteral("Times-Italic"));
    EXPECT_EQ(fontAt(t, 11)->pointSize(), 15.5);
    EXPECT_EQ(t.attribute(AttributeName::Underline, 11).toInt64(), 1);
    EXPECT_EQ(t.attribute(AttributeName::Strikethrough, 11).toInt64(), 1);
    EXPECT_EQ(t.attribute(AttributeName::SuperScript, 16).toInt64(), 1);
    EXPECT_EQ(t.attribute(AttributeName::BaselineOffset, 16).toDouble(), 5.0);
    EXPECT_EQ(t.attribute(AttributeName::Link, 17).toObjectAs<Url>()->absoluteString(),
              QStringLiteral("footnote:0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_TRUE(near(colorAt(t, 17), 0, 0.408, 0.855));
    // A link held as a string comes back as a URL, as the text system reads it.
    EXPECT_EQ(t.attribute(AttributeName::Link, 20).toObjectAs<Url>()->absoluteString(), QStringLiteral("vocab:42"));
    TextRange r;
    t.attribute(AttributeName::Link, 17, &r);
    EXPECT_EQ(r, (TextRange{17, 3}));
    auto ps = t.attribute(AttributeName::ParagraphStyle, 25).toObjectAs<ParagraphStyle>();
    ASSERT_TRUE(ps);
    EXPECT_EQ(ps->alignment(), ParagraphStyle::Alignment::Center);
    EXPECT_EQ(ps->tabStops(), (std::vector<double>{36, 72}));

    // Writing what was read and reading it again changes nothing more.
    const RtfReadResult second = readRtf(writeRtf(t));
    ASSERT_TRUE(second.ok);
    EXPECT_TRUE(second.text.isEqualToAttributedString(t)) << second.text.description().toStdString();
}

TEST(RtfRoundTrip, NonAsciiFontNamesSurvive) {
    // The font table is read in the document's code page, so a name must be
    // escaped like any other text.
    for (const QString& name : {QStringLiteral(u"Schrift\u00E4-Bold"), QStringLiteral(u"\u30D2\u30E9\u30AE\u30CE-W3")}) {
        const AttributedString s(QStringLiteral("x"), {{AttributeName::Font, Value(Font::make(name, 13))}});
        const QByteArray rtf = writeRtf(s);
        const RtfReadResult r = readRtf(rtf);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        ASSERT_TRUE(fontAt(r.text, 0)) << rtf.constData();
        EXPECT_EQ(fontAt(r.text, 0)->postScriptName(), name) << rtf.constData();
    }
}

TEST(RtfRead, ShiftJisVendorRowsAsThePlatformReadsThem) {
    const auto sjis = [](const char* bytes) {
        return read((QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0\\fnil\\fcharset128 HiraginoSans-W3;}\\f0 ") + bytes + "}").constData()).string();
    };
    EXPECT_EQ(sjis("\\'85\\'a5"), QStringLiteral(u"\u2166"));  // VII
    const struct {
        int firstTrail;
        char16_t first;
        int count;
    } rows[] = {{0x9F, 0x2160, 10}, {0xB3, 0x2170, 10}, {0x40, 0x2460, 20}};
    for (const auto& row : rows) {
        QByteArray bytes;
        QString expected;
        for (int i = 0; i < row.count; ++i) {
            bytes += QByteArray("\\'85\\'") + QByteArray::number(row.firstTrail + i, 16);
            expected += QChar(char16_t(row.first + i));
        }
        EXPECT_EQ(sjis(bytes.constData()), expected) << bytes.constData();
    }
    // Around them the ordinary code page still holds: kanji, half-width
    // katakana and ASCII in one stretch.
    EXPECT_EQ(sjis("\\'93\\'fa\\'85\\'40\\'b1x\\'85\\'a8"), QStringLiteral(u"\u65E5\u2460\uFF71x\u2169"));
}

TEST(RtfRead, TableCellsEndTheirOwnParagraphs) {
    const AttributedString s = read(
        "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
        "\\pard\\pardirnatural\\f0\\fs24 Before\\\n"
        "\\itap1\\trowd \\taflags0 \\trgaph108\\trleft-108 \\clvertalc \\clshdrawnil \\clwWidth2000\\clftsWidth3 \\cellx2880\n"
        "\\clvertalc \\clshdrawnil \\clwWidth1000\\clftsWidth3 \\cellx5760\n"
        "\\clvertalc \\clshdrawnil \\clwWidth1000\\clftsWidth3 \\cellx8640\n"
        "\\pard\\intbl\\itap1\\pardeftab720\\partightenfactor0\n\\cf0 Row 1\\cell \n"
        "\\pard\\intbl\\itap1\\pardeftab720\\partightenfactor0\n\\cf0 1\\cell \n"
        "\\pard\\intbl\\itap1\\pardeftab720\\partightenfactor0\n\\cf0 2\\cell \\row\n"
        "\\itap1\\trowd \\taflags0 \\trgaph108\\trleft-108 \\cellx2880\\cellx5760\\cellx8640\n"
        "\\pard\\intbl\\itap1\\pardeftab720\\partightenfactor0\n\\cf0 Row 2\\cell \n"
        "\\pard\\intbl\\itap1\\cell \n"
        "\\pard\\intbl\\itap1\\pardeftab720\\partightenfactor0\n\\cf0 4\\cell \\lastrow\\row\n"
        "\\pard\\pardirnatural After}");
    EXPECT_EQ(s.string(), QStringLiteral("Before\nRow 1\n1\n2\nRow 2\n\n4\nAfter"));
    // A writer without rows (cells only) keeps them apart too.
    EXPECT_EQ(read("{\\rtf1 {\\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row}c}").string(), QStringLiteral("a\nb\nc"));
}

TEST(RtfRoundTrip, TablesKeepTheirCellsApartAndTheirShape) {
    const QByteArray source(
        "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0 Top\\\n"
        "\\trowd\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl Row 1\\cell 1\\cell 2\\cell\\row"
        "\\trowd\\cellx2880\\cellx5760\\cellx8640\\pard\\intbl Row 2\\cell 3\\cell 4\\cell\\row"
        "\\pard End}");
    const RtfReadResult first = readRtf(source);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.text.string(), QStringLiteral("Top\nRow 1\n1\n2\nRow 2\n3\n4\nEnd"));
    const QByteArray written = writeRtf(first.text);
    // Written back as a table of two rows of three cells, not as loose lines.
    EXPECT_EQ(written.count("\\cell "), 6) << written.constData();
    EXPECT_EQ(written.count("\\row"), 2) << written.constData();
    EXPECT_EQ(written.count("\\cellx"), 6) << written.constData();
    const RtfReadResult second = readRtf(written);
    ASSERT_TRUE(second.ok) << second.error.toStdString();
    EXPECT_TRUE(second.text.isEqualToAttributedString(first.text)) << second.text.description().toStdString();
}

// Texts read one after another may open with the same bytes; each must
// read exactly as it would alone, even where the shared bytes end inside
// what is, in the later text, a longer control word.
TEST(RtfRead, TextsThatOpenAlikeReadAsTheyWouldAlone) {
    const struct {
        const char* rtf;
        const char* text;
        double size;
        bool bold;
    } texts[] = {
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24x}", "x", 12, false},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs245 y}", "y", 122.5, false},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 x}", "x", 12, false},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 \\b y}", "y", 12, true},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 x}", "x", 12, false},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 xyz}", "xyz", 12, false},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\b\\fs24 x}", "x", 12, true},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\b\\fs24 }", "", 12, true},
        {"{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 x", nullptr, 0, false},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& t : texts) {
            const RtfReadResult r = readRtf(QByteArray(t.rtf));
            if (!t.text) {
                EXPECT_FALSE(r.ok) << t.rtf;
                continue;
            }
            ASSERT_TRUE(r.ok) << t.rtf;
            EXPECT_EQ(r.text.string(), QString::fromLatin1(t.text)) << t.rtf;
            if (r.text.length() == 0) continue;
            EXPECT_EQ(fontAt(r.text, 0)->pointSize(), t.size) << t.rtf;
            EXPECT_EQ(fontAt(r.text, 0)->isBold(), t.bold) << t.rtf;
        }
    }
}

// Control words and their numbers are read several bytes at a time where
// the data allows: numbers of every length, and words ending at any
// distance from the end of the data, read as they would byte by byte.
TEST(RtfRead, WordsAndNumbersOfEveryLengthAnywhereInTheData) {
    const QByteArray digits = "987654321098";
    for (int n = 1; n <= digits.size(); ++n)
        for (int tail = 0; tail <= 18; ++tail) {
            const QByteArray number = digits.left(n);
            const QByteArray rtf = "{\\rtf1\\fs" + number + " \\up-" + number + " x" + QByteArray(tail, 'y') + "}";
            const RtfReadResult r = readRtf(rtf);
            ASSERT_TRUE(r.ok) << rtf.constData();
            EXPECT_EQ(r.text.string(), "x" + QString(tail, u'y')) << rtf.constData();
            EXPECT_EQ(fontAt(r.text, 0)->pointSize(), double(std::min(number.toLongLong(), 32768LL)) / 2) << rtf.constData();
            EXPECT_EQ(r.text.attribute(AttributeName::BaselineOffset, 0).toDouble(), -double(std::min(number.toLongLong(), 32768LL)) / 2)
                << rtf.constData();
        }
    for (int letters = 1; letters <= 40; ++letters)
        for (const char* after : {"-12 ", "7", "-", " ", ""}) {
            const QByteArray rtf = "{\\rtf1\\" + QByteArray(letters, 'q') + after + "\\b x}";
            const RtfReadResult r = readRtf(rtf);
            ASSERT_TRUE(r.ok) << rtf.constData();
            EXPECT_EQ(r.text.string(), QString::fromLatin1(QByteArray(after) == "-" ? "-x" : "x")) << rtf.constData();
            EXPECT_TRUE(fontAt(r.text, r.text.length() - 1)->isBold()) << rtf.constData();
        }
}

// Colour tables in the shapes texts from other writers give them: line
// breaks and blanks between words, a negative number, an ignorable group
// and a word no colour table knows, each entry still where it belongs.
TEST(RtfRead, ColourTablesOfEveryShape) {
    const AttributedString s = read(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\n\\red0 \\green128\\blue-5;\\cssrgb\\c50000\\c0\\c100000;"
        "{\\*\\unknown x}\\red1\\foo\\green2\\blue3;\r\n\\csgray\\c25000\\c50000;}"
        "\\cf1 a\\cf2 b\\cf3 c\\cf4 d\\cf5 e\\cf6 f}");
    ASSERT_EQ(s.string(), QStringLiteral("abcdef"));
    EXPECT_TRUE(near(colorAt(s, 0), 1, 0, 0));
    EXPECT_TRUE(near(colorAt(s, 1), 0, 128 / 255.0, 0));
    EXPECT_TRUE(near(colorAt(s, 2), 0.5, 0, 1));
    EXPECT_TRUE(near(colorAt(s, 3), 1 / 255.0, 2 / 255.0, 3 / 255.0));
    EXPECT_TRUE(near(colorAt(s, 4), 0.25, 0.25, 0.25, 0.5));
    EXPECT_FALSE(colorAt(s, 5));
}

// Entries in the forms writers use are read whole; the same entries with
// line ends between their words are read word by word. Both readings give
// the very same colours, wherever the table ends relative to the data.
TEST(RtfRead, ColourEntriesReadWholeOrWordByWordAlike) {
    const QByteArray entries[] = {"\\red0\\green0\\blue0;", "\\red7\\green65\\blue255;", "\\red300\\green12 \\blue9 ;",
                                  "\\cssrgb\\c1\\c50000\\c100000;", "\\csgenericrgb\\c88946\\c14202\\c0\\c50000;",
                                  "\\csgray\\c25000\\c50000;", "\\cssrgb \\c1234567\\c99999\\c0;", "\\cssrgb\\c1\\c2\\c3\\c4\\c5\\c6;"};
    const auto text = [&](bool spread, bool expanded, int padding) {
        QByteArray table;
        for (QByteArray e : entries) {
            if (spread) e.replace("\\", "\n\\");
            table += e;
        }
        QByteArray rtf = expanded ? "{\\rtf1{\\colortbl;\\red1\\green1\\blue1;}{\\*\\expandedcolortbl;" + table + "}"
                                  : "{\\rtf1{\\colortbl;" + table + "}";
        for (int i = 1; i <= int(std::size(entries)); ++i) rtf += "\\cf" + QByteArray::number(i) + " x";
        return rtf + QByteArray(padding, 'y') + "}";
    };
    for (bool expanded : {false, true})
        for (int padding : {0, 5, 40, 70}) {
            const RtfReadResult whole = readRtf(text(false, expanded, padding)), spread = readRtf(text(true, expanded, padding));
            ASSERT_TRUE(whole.ok && spread.ok);
            for (int i = 0; i < int(std::size(entries)); ++i) {
                const ColorPtr a = colorAt(whole.text, i), b = colorAt(spread.text, i);
                ASSERT_TRUE(a && b) << i;
                EXPECT_TRUE(a->isEqual(*b)) << "entry " << i << (expanded ? " expanded" : "");
            }
        }
    // Spot checks of what they read as.
    const AttributedString s = read(text(false, true, 0).constData());
    EXPECT_TRUE(near(colorAt(s, 1), 7 / 255.0, 65 / 255.0, 1));
    EXPECT_TRUE(near(colorAt(s, 3), 0.00001, 0.5, 1));
    EXPECT_TRUE(near(colorAt(s, 4), 0.88946, 0.14202, 0, 0.5));
    EXPECT_TRUE(near(colorAt(s, 5), 0.25, 0.25, 0.25, 0.5));
    EXPECT_TRUE(near(colorAt(s, 6), 1, 0.99999, 0));
    const AttributedString t = read(text(false, false, 0).constData());
    EXPECT_TRUE(near(colorAt(t, 1), 7 / 255.0, 65 / 255.0, 1));
    EXPECT_TRUE(near(colorAt(t, 2), 1, 12 / 255.0, 9 / 255.0));
}

// Plain text and font names are taken in stretches several bytes at a
// time: whatever ends a stretch, at any distance from its start and from
// the end of the data, reads as it would byte by byte.
TEST(RtfRead, TextStretchesEndWhereverTheirEndFalls) {
    const struct {
        QByteArray stop;
        QString read;
    } stops[] = {{"\\'e9", QStringLiteral("\u00E9")}, {"\xE9", QStringLiteral("\u00E9")}, {"\t", QStringLiteral("\t")},
                 {"\n", QString()}, {"\\~", QStringLiteral("\u00A0")}, {"{}", QString()}, {"\x7F", QStringLiteral("\x7F")}};
    for (const auto& s : stops)
        for (int before = 0; before <= 40; ++before)
            for (int after : {0, 1, 7, 8, 9, 15, 16, 17, 33}) {
                const QByteArray rtf = "{\\rtf1\\ansi " + QByteArray(before, 'a') + s.stop + QByteArray(after, 'b') + "}";
                const RtfReadResult r = readRtf(rtf);
                ASSERT_TRUE(r.ok) << rtf.constData();
                EXPECT_EQ(r.text.string(), QString(before, u'a') + s.read + QString(after, u'b')) << rtf.constData();
            }
    for (int length = 1; length <= 40; ++length) {
        const QByteArray name = QByteArray("Face-Regular").repeated(4).left(length);
        const QByteArray rtf = "{\\rtf1{\\fonttbl\\f0 " + name + ";\\f1 X;}\\f0 x}";
        const RtfReadResult r = readRtf(rtf);
        ASSERT_TRUE(r.ok) << rtf.constData();
        EXPECT_EQ(fontAt(r.text, 0)->postScriptName(), QString::fromLatin1(name)) << rtf.constData();
    }
}

// Groups the reader ignores are passed over by their braces. Whatever they
// hold (escaped braces, escapes that swallow a brace, binary data with
// braces, nested groups), a text reads as it does without them; and data
// that cannot be read fails inside them as it does inside any group.
TEST(RtfRead, IgnoredGroupsReadAsIfTheyWereNotThere) {
    const QByteArray groups[] = {
        "{\\*\\generator Riched20 10.0.19041;}",
        "{\\stylesheet{\\s0\\snext0\\f0\\fs24 Normal;}{\\*\\cs15 Footnote {Characters};}}",
        "{\\info{\\author M. T. \\{Cicero\\}}{\\creatim\\yr2024\\mo3}\\*}",
        "{\\*\\x \\'7d\\'7b\\'}{ \\\\}",
        "{\\*\\x \\bin3 }}{\\b}",
        "{\\*\\x \\bin-3 \\bin0 \\bin2 {{}",
        "{\\*\\x \\binary{}\\b1\\i \\u123 ?\\uc0 \\par \r\n\xE9\\}}",
        "{\\*\\x \\" + QByteArray(40, 'q') + "12{}\\-\\~}",
    };
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times;}{\\colortbl;\\red255\\green0\\blue0;}";
    const QByteArray body = "\\f0\\fs24 Arma {\\f1\\cf1 virumque} cano";
    for (const QByteArray& g : groups)
        for (int at = 0; at < 3; ++at) {
            QByteArray with = head + body + "}", without = with;
            const qsizetype where = at == 0 ? head.size() : at == 1 ? with.indexOf("\\cf1") : with.size() - 1;
            with.insert(where, g);
            const RtfReadResult a = readRtf(with), b = readRtf(without);
            ASSERT_TRUE(a.ok && b.ok) << with.constData() << a.error.toStdString();
            EXPECT_TRUE(a.text.isEqualToAttributedString(b.text)) << with.constData() << "\n" << a.text.description().toStdString();
        }
    // Unreadable data fails in an ignored group with the words of any other.
    const QByteArray tails[] = {"x", "x\\", "x\\'4", "{\\b x", "\\bin9 ab}", QByteArray(300, '{'), "\\bin2 }}", "\\bin", "\\bin1", "\\xbin2 }"};
    for (const QByteArray& t : tails) {
        const RtfReadResult ignored = readRtf("{\\rtf1 a{\\*\\x " + t), kept = readRtf("{\\rtf1 a{\\x " + t);
        EXPECT_FALSE(ignored.ok) << t.constData();
        EXPECT_EQ(ignored.error, kept.error) << t.constData();
    }
}

// Texts pasted from other writers open with headers of their own: font
// entries in groups with panose numbers and alternative names, style sheets,
// generators and document information. Each reads with its own fonts,
// colours and sizes, and nothing of the groups it ignores.
TEST(RtfRead, OtherWritersHeadersGiveTheirOwnFontsAndColours) {
    const struct {
        const char* writer;
        QByteArray rtf;
    } texts[] = {
        {"Word",
         "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2"
         "{\\*\\panose 02020603050405020304}Georgia;}{\\f1\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Cardo;}}\n"
         "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red200\\green10\\blue20;}\n{\\*\\defchp \\f1\\fs22 }"
         "{\\stylesheet{\\ql \\f1\\fs22 \\snext0 Normal;}{\\*\\cs10 \\additive Default Paragraph Font;}}{\\*\\rsidtbl \\rsid1}"
         "{\\info{\\author Marcus Tullius}{\\creatim\\yr2024\\mo3\\dy5}}{\\*\\xmlnstbl {\\xmlns1 http://schemas.microsoft.com/}}"
         "\\paperw11906\\widowctrl\\sectd {\\*\\pnseclvl1\\pnucrm{\\pntxta .}}\\pard\\plain \\ltrpar\\ql \\rtlch\\fcs1 \\af31507 "
         "\\ltrch\\fcs0 \\f0\\fs30 {\\rtlch\\fcs1 \\ltrch\\fcs0 \\cf3\\insrsid1 Arma \\f1 virumque\\f0  cano\n\\par }}"},
        {"WordPad",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Georgia;}{\\f1\\fnil\\fcharset0 Cardo;}}\n"
         "{\\colortbl ;\\red0\\green0\\blue255;\\red200\\green10\\blue20;}\n{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \n"
         "\\pard\\sa200\\sl276\\slmult1\\cf2\\f0\\fs30\\lang9 Arma \\f1 virumque\\f0  cano\\cf0\\par\n}\n"},
        {"LibreOffice",
         "{\\rtf1\\ansi\\deff0\\adeflang1025\n{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Georgia{\\*\\falt Times New Roman};}"
         "{\\f1\\froman\\fprq2\\fcharset0 Cardo{\\*\\falt Times New Roman};}}\n{\\colortbl;\\red0\\green0\\blue0;\\red200\\green10\\blue20;}\n"
         "{\\stylesheet{\\s0\\snext0\\f0\\fs24 Normal;}\n{\\*\\cs15\\snext15 Footnote Characters;}}{\\*\\generator LibreOffice/7.4.7.2}"
         "{\\info{\\creatim\\yr2024\\mo3\\dy5\\hr10\\min2}}{\\*\\userprops}\\deftab709\n{\\*\\ftnsep\\chftnsep}\\pgndec\\pard\\plain \\s0"
         "\\f0\\fs30\\ql{\\cf2\\loch Arma \\loch\\f1 virumque\\loch\\f0  cano}\n\\par }"},
    };
    for (const auto& t : texts) {
        const RtfReadResult r = readRtf(t.rtf);
        ASSERT_TRUE(r.ok) << t.writer << ": " << r.error.toStdString();
        EXPECT_EQ(r.text.string().trimmed(), QStringLiteral("Arma virumque cano")) << t.writer;
        for (qsizetype at : {0, 5, 14}) {
            EXPECT_EQ(fontAt(r.text, at)->postScriptName(), at == 5 ? QStringLiteral("Cardo") : QStringLiteral("Georgia")) << t.writer << at;
            EXPECT_EQ(fontAt(r.text, at)->pointSize(), 15) << t.writer << at;
            EXPECT_TRUE(near(colorAt(r.text, at), 200 / 255.0, 10 / 255.0, 20 / 255.0)) << t.writer << at;
        }
    }
}
