#include "dictionaries/Zerivuv/RKXLSXParser.h"
#include "dictionaries/Zerivuv/RKXLSXPackage.h"
#include "dictionaries/Zerivuv/RKXLSXPartParsers.h"
#include "zerivuv/XlsxFixtures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace ts;

namespace {

QString sharedDir() {
    const QString env = qEnvironmentVariable("TS_SHARED_DIR");
    return env.isEmpty() ? QStringLiteral(TS_DEFAULT_SHARED) : env;
}

// Cells, names and pictures of a package as python's zipfile and ElementTree
// read them: lines "cell<TAB>sheet<TAB>row<TAB>col<TAB>kind<TAB>value",
// "name<TAB>sheet" and "image<TAB>col<TAB>row<TAB>md5". Pictures are keyed by
// their anchor cell alone, a later drawing's picture taking an earlier's place.
const char* kIndependentReader = R"(
import sys, zipfile, hashlib, posixpath, re
import xml.etree.ElementTree as ET
M='{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
R='{http://schemas.openxmlformats.org/officeDocument/2006/relationships}'
X='{http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing}'
A='{http://schemas.openxmlformats.org/drawingml/2006/main}'
P='{http://schemas.openxmlformats.org/package/2006/relationships}'
z=zipfile.ZipFile(sys.argv[1])
names=z.namelist()
ss=[]
if 'xl/sharedStrings.xml' in names:
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).iter(M+'si'):
        ss.append(''.join(t.text or '' for t in si.iter(M+'t')))
wb=ET.fromstring(z.read('xl/workbook.xml'))
sheets=[s.get('name') for s in wb.iter(M+'sheet')]
for i,s in enumerate(sheets):
    print('name\t'+s)
    part='xl/worksheets/sheet%d.xml'%(i+1)
    if part not in names: continue
    for row in ET.fromstring(z.read(part)).iter(M+'row'):
        for c in row.iter(M+'c'):
            v=c.find(M+'v')
            if v is None: continue
            col=re.match(r'[A-Z]+',c.get('r')).group(0)
            if c.get('t')=='s': print('cell\t%s\t%s\t%s\ts\t%s'%(s,row.get('r'),col,ss[int(v.text)]))
            elif c.get('t') is None or c.get('t')=='n': print('cell\t%s\t%s\t%s\tn\t%r'%(s,row.get('r'),col,float(v.text)))
pics={}
for n in names:
    m=re.match(r'xl/drawings/([^/]+\.xml)$',n)
    if not m: continue
    rels={}
    for r in ET.fromstring(z.read('xl/drawings/_rels/'+m.group(1)+'.rels')).iter(P+'Relationship'):
        if r.get('TargetMode')!='External' and r.get('Type').endswith('/image'):
            rels[r.get('Id')]=posixpath.normpath(posixpath.join('xl/drawings',r.get('Target')))
    for anc in ET.fromstring(z.read(n)):
        fr=anc.find(X+'from')
        blip=anc.find('.//'+A+'blip')
        if fr is None or blip is None: continue
        t=rels.get(blip.get(R+'embed'))
        if t: pics[(fr.find(X+'col').text,fr.find(X+'row').text)]=hashlib.md5(z.read(t)).hexdigest()
for (c,r),h in pics.items(): print('image\t%s\t%s\t%s'%(c,r,h))
)";

QStringList ourLines(const XLSXWorkbook& wb) {
    QStringList lines;
    for (const QString& s : wb.names) {
        lines << QStringLiteral("name\t") + s;
        const XLSXSheet sheet = wb.worksheets.value(s);
        for (auto r = sheet.cbegin(); r != sheet.cend(); ++r)
            for (auto c = r.value().cbegin(); c != r.value().cend(); ++c) {
                const QVariant& v = c.value();
                if (v.typeId() == QMetaType::QString)
                    lines << QStringLiteral("cell\t%1\t%2\t%3\ts\t%4").arg(s).arg(r.key()).arg(c.key(), v.toString());
                else
                    lines << QStringLiteral("cell\t%1\t%2\t%3\tn\t%4").arg(s).arg(r.key()).arg(c.key()).arg(v.toDouble(), 0, 'f', 1);
            }
    }
    for (auto it = wb.images.cbegin(); it != wb.images.cend(); ++it)
        lines << QStringLiteral("image\t%1\t%2\t%3")
                     .arg(it.key().first)
                     .arg(it.key().second)
                     .arg(QString::fromLatin1(QCryptographicHash::hash(it.value(), QCryptographicHash::Md5).toHex()));
    return lines;
}

TEST(RKXLSXParserRealFiles, MatchAnIndependentReader) {
    const QDir dir(sharedDir() + QStringLiteral("/data/xlsx"));
    const QStringList files = dir.entryList({QStringLiteral("*.xlsx")}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 3) << dir.path().toStdString();
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const QString path = dir.filePath(f);
        const PythonRun py = runPython(QString::fromUtf8(kIndependentReader), {path});
        ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
        QStringList expected = py.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // Python prints floats as 1.0; ours are printed with one decimal.
        RKXLSXParser parser;
        const auto wb = parser.openXLSXFile(path);
        ASSERT_TRUE(wb.has_value()) << parser.lastError().toStdString();
        QStringList ours = ourLines(*wb);
        expected.sort();
        ours.sort();
        EXPECT_EQ(ours, expected);
        EXPECT_FALSE(wb->images.isEmpty());
        EXPECT_TRUE(parser.documentProperties().contains(QStringLiteral("Creation date")));
    }
}

TEST(RKXLSXParserRealFiles, ExternalHyperlinkIsNotAPicture) {
    RKXLSXParser parser;
    const auto wb = parser.openXLSXFile(sharedDir() + QStringLiteral("/data/xlsx/hyperlink49.xlsx"));
    ASSERT_TRUE(wb.has_value());
    ASSERT_EQ(wb->images.size(), 1);
    EXPECT_TRUE(wb->images.contains(XLSXAnchor(4, 8)));
    EXPECT_TRUE(wb->images.first().startsWith("\x89PNG"));
    EXPECT_EQ(parser.documentProperties().value(QStringLiteral("Creation date")),
              QDateTime(QDate(2019, 11, 2), QTime(12, 21, 12), QTimeZone::utc()));
}

TEST(RKXLSXParserRealFiles, TwoSheetsKeepWorkbookOrder) {
    RKXLSXParser parser;
    const auto wb = parser.openXLSXFile(sharedDir() + QStringLiteral("/data/xlsx/image07.xlsx"));
    ASSERT_TRUE(wb.has_value());
    EXPECT_EQ(wb->names.size(), 2);
    EXPECT_EQ(wb->worksheets.size(), 2);
    // Both sheets anchor a picture at E9; the later drawing's wins.
    ASSERT_EQ(wb->images.size(), 1);
    EXPECT_TRUE(wb->images.contains(XLSXAnchor(4, 8)));
}

class Workbook : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::optional<XLSXWorkbook> read(QVariantMap parts) {
        const QString path = dir.filePath(QStringLiteral("t.xlsx"));
        QFile::remove(path);
        if (!writeZip(path, parts)) return std::nullopt;
        return parser.openXLSXFile(path);
    }
    RKXLSXParser parser;
};

QString stylesXml(const QString& numFmts, const QStringList& xfFormats) {
    QString xfs;
    for (const QString& f : xfFormats) xfs += QStringLiteral("<xf numFmtId=\"%1\"><alignment/></xf>").arg(f);
    return QStringLiteral("<styleSheet><numFmts>%1</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
                          "<cellXfs>%2</cellXfs></styleSheet>")
        .arg(numFmts, xfs);
}

TEST_F(Workbook, DateStylesFollowTheirFormatTokens) {
    struct Case {
        const char* code;
        bool isDate;
    };
    const Case cases[] = {
        {"yyyy-mm-dd", true},      {"@", false},          {"\"day\"0.00", false}, {"[Red]0.00", false},
        {"[h]:mm", true},          {"0.00E+00", false},   {"d-mmm;@", true},      {"hh:mm:ss", true},
        {"hh:mm;@", true},         {"0;0;0;@", false},    {"\"Nr. \"@", false},   {"0.0;-0.0;0;\"d\"@", false},
        {"[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy;@", true},
        {"\\d0", false},           {"#,##0 \"ms\"", false}, {"General", false},  {"[$-409]mmmm d", true},
    };
    for (const Case& c : cases) EXPECT_EQ(RKXLSXParser::numberFormatIsDate(170, QString::fromUtf8(c.code)), c.isDate) << c.code;
    for (int id = 0; id < 60; ++id) EXPECT_EQ(RKXLSXParser::numberFormatIsDate(id, QString()), id >= 14 && id <= 22) << id;

    // Styles 0..3: custom date, custom text, built-in 14, general. The
    // cellStyleXfs entry is not counted.
    const auto wb = read({
        {"xl/workbook.xml", workbookXml({"S"})},
        {"xl/styles.xml", stylesXml("<numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
                                    "<numFmt numFmtId=\"165\" formatCode=\"@\"/>",
                                    {"164", "165", "14", "0"})},
        {"xl/worksheets/sheet1.xml", sheetXml("<row r=\"3\"><c r=\"A3\" s=\"0\"><v>43831.75</v></c>"
                                              "<c r=\"B3\" s=\"1\"><v>43831.75</v></c><c r=\"C3\" s=\"2\"><v>43831</v></c>"
                                              "<c r=\"D3\" s=\"3\"><v>12</v></c>\n </row>")},
    });
    ASSERT_TRUE(wb.has_value()) << parser.lastError().toStdString();
    EXPECT_EQ(parser.styleIsDate(), (QSet<int>{0, 2}));
    const XLSXRow row = wb->worksheets.value("S").value(3);
    EXPECT_EQ(row.value("A").toDateTime(), QDateTime(QDate(2020, 1, 1), QTime(18, 0)));
    EXPECT_EQ(row.value("B").typeId(), QMetaType::Double);
    EXPECT_EQ(row.value("C").toDateTime().date(), QDate(2020, 1, 1));
    EXPECT_EQ(row.value("D").toDouble(), 12.0);
}

// Serials as real spreadsheet programs write them: the epoch the workbook
// names, the style deciding whatever "t" says, the time of day kept, and the
// 1900 system's fictitious 29 February read as the 28th.
TEST_F(Workbook, DateSerialsFollowTheWorkbooksEpochAndKeepTheTime) {
    struct Case {
        const char* workbookPr;
        const char* cell;  // attributes and value of a cell in column A
        QDateTime expected;
    };
    const auto at = [](int y, int m, int d, int h = 0, int min = 0) { return QDateTime(QDate(y, m, d), QTime(h, min)); };
    const Case cases[] = {
        {"", "s=\"0\"><v>1", at(1900, 1, 1)},
        {"", "s=\"0\"><v>59", at(1900, 2, 28)},
        {"", "s=\"0\"><v>60", at(1900, 2, 28)},
        {"", "s=\"0\"><v>61", at(1900, 3, 1)},
        {"", "s=\"0\"><v>43831", at(2020, 1, 1)},
        {"", "s=\"1\"><v>41333.5", at(2013, 2, 28, 12)},
        {"", "s=\"1\" t=\"n\"><v>41333.75", at(2013, 2, 28, 18)},
        {"", "s=\"2\"><v>43831.5625", at(2020, 1, 1, 13, 30)},
        {"", "s=\"1\"><v>41333.4999999999", at(2013, 2, 28, 12)},
        {"", "s=\"1\"><v>41333.9999999999", at(2013, 3, 1)},
        {"<workbookPr date1904=\"1\"/>", "s=\"0\"><v>0", at(1904, 1, 1)},
        {"<workbookPr date1904=\"true\" defaultThemeVersion=\"1\"/>", "s=\"0\" t=\"n\"><v>42369.25", at(2020, 1, 1, 6)},
        {"<workbookPr date1904=\"0\"/>", "s=\"0\"><v>43831", at(2020, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.workbookPr) + " " + c.cell);
        const auto wb = read({
            {"xl/workbook.xml", QStringLiteral("<workbook>%1<sheets><sheet name=\"S\"/></sheets></workbook>").arg(c.workbookPr)},
            {"xl/styles.xml", stylesXml("<numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy hh:mm\"/>"
                                        "<numFmt numFmtId=\"165\" formatCode=\"hh:mm;@\"/>",
                                        {"14", "164", "165"})},
            {"xl/worksheets/sheet1.xml", sheetXml(QStringLiteral("<row r=\"1\"><c r=\"A1\" %1</v></c></row>").arg(c.cell))},
        });
        ASSERT_TRUE(wb.has_value()) << parser.lastError().toStdString();
        const QVariant v = wb->worksheets.value("S").value(1).value("A");
        ASSERT_EQ(v.typeId(), QMetaType::QDateTime) << v.toString().toStdString();
        EXPECT_EQ(v.toDateTime(), c.expected) << v.toDateTime().toString(Qt::ISODateWithMs).toStdString();
    }
}

TEST_F(Workbook, CellsByTypeAndSharedStringRuns) {
    const auto wb = read({
        {"xl/workbook.xml", workbookXml({"B", "A"})},
        {"xl/sharedStrings.xml",
         "<sst><si><t>zero</t></si><si><r><t>ab</t></r><r><rPr><b/></rPr><t>cd</t></r><rPh><t>x</t></rPh></si>"
         "<si><t>two</t></si><si><t>three</t></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         sheetXml("<row r=\"7\"><c r=\"D7\"><v>12</v></c><c r=\"E7\" t=\"s\"><v>3</v></c><c r=\"F7\" t=\"s\"><v>1</v></c>"
                  "<c r=\"G7\" t=\"str\"><v>formula</v></c><c r=\"H7\" t=\"inlineStr\"><is><t>in</t></is></c>"
                  "<c r=\"I7\" t=\"s\"><v>99</v></c><c r=\"J7\" t=\"s\"><v>-1</v></c><c r=\"7\"><v>5</v></c>"
                  "<c r=\"K7\" t=\"b\"><v>1</v></c><c r=\"L7\" t=\"n\"><v>2.5</v></c></row><row r=\"9\"/>")},
        {"xl/worksheets/sheet2.xml", sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")},
    });
    ASSERT_TRUE(wb.has_value());
    EXPECT_EQ(wb->names, (QStringList{"B", "A"}));
    const XLSXSheet b = wb->worksheets.value("B");
    const XLSXRow r7 = b.value(7);
    EXPECT_EQ(r7.value("D"), QVariant(12.0));
    EXPECT_EQ(r7.value("E"), QVariant(QStringLiteral("three")));
    EXPECT_EQ(r7.value("F"), QVariant(QStringLiteral("abcd")));
    EXPECT_EQ(r7.value("L"), QVariant(2.5));
    for (const char* absent : {"G", "H", "I", "J", "K"}) EXPECT_FALSE(r7.contains(absent)) << absent;
    EXPECT_EQ(r7.size(), 4);
    ASSERT_TRUE(b.contains(9));
    EXPECT_TRUE(b.value(9).isEmpty());
    EXPECT_EQ(wb->worksheets.value("A").value(1).value("A"), QVariant(1.0));
}

TEST_F(Workbook, ExternalEntitiesAreNeverLoaded) {
    QTemporaryDir secretDir;
    QFile secret(secretDir.filePath("secret.txt"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("TOPSECRET");
    secret.close();
    const QString doctype =
        QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY x SYSTEM \"file://%1\">]>").arg(secret.fileName());
    const auto wb = read({
        {"xl/workbook.xml", workbookXml({"S"})},
        {"xl/sharedStrings.xml", doctype + "<sst><si><t>a&x;b</t></si></sst>"},
        {"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")},
    });
    ASSERT_TRUE(wb.has_value());
    EXPECT_FALSE(parser.sharedStrings().join("").contains("TOPSECRET"));
}

TEST_F(Workbook, PicturesOnlyFromImageRelationshipsInsideThePackage) {
    const QString rels = QStringLiteral(
        "<Relationships>"
        "<Relationship Id=\"rId1\" Type=\"http://x/relationships/image\" Target=\"../media/image1.png\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://x/relationships/image\" Target=\"../../../outside.png\"/>"
        "<Relationship Id=\"rId3\" Type=\"http://x/relationships/hyperlink\" Target=\"../media/image1.png\"/>"
        "<Relationship Id=\"rId4\" Type=\"http://x/relationships/image\" Target=\"http://example.org/a.png\" "
        "TargetMode=\"External\"/>"
        "<Relationship Id=\"rId5\" Type=\"http://x/relationships/image\" Target=\"/xl/media/image1.png\"/>"
        "</Relationships>");
    QString anchors;
    for (int i = 1; i <= 5; ++i)
        anchors += QStringLiteral("<xdr:twoCellAnchor><xdr:from><xdr:col>%1</xdr:col><xdr:row>%2</xdr:row></xdr:from>"
                                  "<xdr:to><xdr:col>9</xdr:col><xdr:row>9</xdr:row></xdr:to><xdr:pic><xdr:blipFill>"
                                  "<a:blip r:embed=\"rId%3\"/></xdr:blipFill></xdr:pic></xdr:twoCellAnchor>")
                       .arg(i + 1)
                       .arg(i + 4)
                       .arg(i);
    const auto wb = read({
        {"xl/workbook.xml", workbookXml({"S"})},
        {"xl/media/image1.png", "hex:" + tinyPngHex()},
        {"outside.png", "hex:" + tinyPngHex()},
        {"../outside.png", "hex:" + tinyPngHex()},
        {"xl/drawings/drawing1.xml", "<xdr:wsDr>" + anchors + "</xdr:wsDr>"},
        {"xl/drawings/_rels/drawing1.xml.rels", rels},
    });
    ASSERT_TRUE(wb.has_value());
    EXPECT_EQ(wb->images.keys(), (QList<XLSXAnchor>{{2, 5}, {6, 9}}));
    EXPECT_TRUE(wb->images.value({2, 5}).startsWith("\x89PNG"));
}

TEST(XLSXPackageNames, UnsafeNamesAreRefused) {
    for (const char* bad : {"../a", "/etc/passwd", "a/../../b", "a\\b", "c:/x", "a//b", "./a"})
        EXPECT_FALSE(XLSXPackage::isSafeName(QString::fromUtf8(bad))) << bad;
    for (const char* good : {"xl/workbook.xml", "[Content_Types].xml", "xl/media/image 1.png"})
        EXPECT_TRUE(XLSXPackage::isSafeName(QString::fromUtf8(good))) << good;
    EXPECT_TRUE(RKImagesParser::resolveTarget("xl/drawings", "../../../x.png").isEmpty());
    EXPECT_EQ(RKImagesParser::resolveTarget("xl/drawings", "../../x.png"), QStringLiteral("x.png"));
    EXPECT_EQ(RKImagesParser::resolveTarget("xl/drawings", "../media/a.png"), QStringLiteral("xl/media/a.png"));
}

TEST_F(Workbook, BadPackagesAreReportedNotRead) {
    const QString notZip = dir.filePath("plain.xlsx");
    QFile f(notZip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a zip");
    f.close();
    EXPECT_FALSE(parser.openXLSXFile(notZip).has_value());
    EXPECT_TRUE(parser.lastError().contains("plain.xlsx"));
    EXPECT_FALSE(parser.openXLSXFile(dir.filePath("missing.xlsx")).has_value());
    EXPECT_FALSE(read({{"word/document.xml", "<w/>"}}).has_value());
    EXPECT_TRUE(parser.lastError().contains("no workbook"));
}

TEST_F(Workbook, AnEntryThatExpandsTooFarIsNotRead) {
    const auto wb = read({
        {"xl/workbook.xml", workbookXml({"S"})},
        {"xl/sharedStrings.xml", "zeros:40000000"},
        {"xl/worksheets/sheet1.xml", sheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")},
    });
    ASSERT_TRUE(wb.has_value());
    EXPECT_TRUE(parser.sharedStrings().isEmpty());
    EXPECT_EQ(wb->worksheets.value("S").value(1).value("A"), QVariant(1.0));
}

}  // namespace
