// The SAX reader base on the real TEI texts (offline, with their remote-only
// entities reaching the entity hook), checked against Qt's own XML reader,
// and on hostile documents that must fail cleanly.

#include "XmlTestSupport.h"

#include "support/CaptureLogger.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamEntityResolver>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace ts;
using xmltest::RecordingParser;

namespace {

// The application's entity table stands behind the hook in real use; these
// are the names the test texts use without defining them.
QHash<QString, QByteArray> entityTable() {
    return {
        {"mdash", "\xE2\x80\x94"},  {"ldquo", "\xE2\x80\x9C"},  {"rdquo", "\xE2\x80\x9D"},
        {"lsquo", "\xE2\x80\x98"},  {"rsquo", "\xE2\x80\x99"},  {"euml", "\xC3\xAB"},
        {"eacute", "\xC3\xA9"},     {"aacute", "\xC3\xA1"},     {"iacute", "\xC3\xAD"},
        {"oacute", "\xC3\xB3"},     {"uacute", "\xC3\xBA"},     {"Aacute", "\xC3\x81"},
        {"Eacute", "\xC3\x89"},     {"Iacute", "\xC3\x8D"},     {"Uacute", "\xC3\x9A"},
        {"dagger", "\xE2\x80\xA0"}, {"aelig", "\xC3\xA6"},      {"AElig", "\xC3\x86"},
        {"oelig", "\xC5\x93"},      {"acirc", "\xC3\xA2"},
        {"responsibility", "R & <resp>"},  // markup characters must stay text
    };
}

class Resolver : public QXmlStreamEntityResolver {
public:
    explicit Resolver(QHash<QString, QByteArray> t) : table(std::move(t)) {}
    // Qt reads the replacement as markup, so text is escaped for it.
    QString resolveUndeclaredEntity(const QString& name) override {
        return QString::fromUtf8(table.value(name)).toHtmlEscaped();
    }
    QHash<QString, QByteArray> table;
};

struct Reading {
    QStringList starts;
    QStringList attributes;  // per element, "name=value" joined by blanks
    QString text;
    bool ok = false;
};

QString joined(const XMLAttributes& attributes) {
    QStringList parts;
    for (const auto& a : attributes) parts << a.first + QLatin1Char('=') + a.second;
    return parts.join(QLatin1Char(' '));
}

// Qt's reader never loads a DTD either and asks its resolver for the names
// it does not know: an independent account of the same document.
Reading readWithQt(const QByteArray& bytes, const QHash<QString, QByteArray>& table) {
    Reading r;
    Resolver resolver(table);
    QXmlStreamReader reader(bytes);
    reader.setEntityResolver(&resolver);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            r.starts << reader.qualifiedName().toString();
            QStringList parts;
            for (const QXmlStreamAttribute& a : reader.attributes())
                parts << a.qualifiedName().toString() + QLatin1Char('=') + a.value().toString();
            r.attributes << parts.join(QLatin1Char(' '));
        } else if (reader.isCharacters()) r.text += reader.text();
    }
    r.ok = !reader.hasError();
    return r;
}

QSet<QString> undefinedEntityNames(const QByteArray& bytes) {
    static const QSet<QString> predefined = {"amp", "lt", "gt", "quot", "apos"};
    QSet<QString> names;
    const QString s = QString::fromUtf8(bytes);
    qsizetype i = 0;
    while ((i = s.indexOf(QLatin1Char('&'), i)) >= 0) {
        const qsizetype end = s.indexOf(QLatin1Char(';'), i);
        const QString name = s.mid(i + 1, end - i - 1);
        if (!name.startsWith(QLatin1Char('#')) && !predefined.contains(name)) names.insert(name);
        i = end;
    }
    return names;
}

class XMLFileParserTest : public ::testing::Test {
protected:
    void SetUp() override { xmltest::LoaderRecorder::instance().install(); }
    void TearDown() override { EXPECT_EQ(xmltest::LoaderRecorder::instance().requests(), QStringList()); }
};

}  // namespace

TEST_F(XMLFileParserTest, LoaderRecorderSeesRequestsWhenLibxmlIsAskedToLoad) {
    // Guards the guard: the same file read with DTD loading asks for the DTD.
    const QByteArray bytes = xmltest::readAll(xmltest::teiPath("eclogues-lat.xml"));
    xmlDocPtr doc = xmlReadMemory(bytes.constData(), int(bytes.size()), "x.xml", nullptr,
                                  XML_PARSE_DTDLOAD | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc) xmlFreeDoc(doc);
    EXPECT_FALSE(xmltest::LoaderRecorder::instance().requests().isEmpty());
    xmltest::LoaderRecorder::instance().install();  // clear for TearDown
}

TEST_F(XMLFileParserTest, RealTeiTextsMatchAnIndependentReaderOffline) {
    for (const char* name : {"eclogues-lat.xml", "amphitruo-eng.xml", "amphitruo-lat.xml", "ls-subset.xml"}) {
        SCOPED_TRACE(name);
        const QString path = xmltest::teiPath(name);
        const QByteArray bytes = xmltest::readAll(path);
        ASSERT_FALSE(bytes.isEmpty()) << path.toStdString();

        RecordingParser p;
        p.entityTable = entityTable();
        p.parseFileAtLocation(QUrl::fromLocalFile(path));
        EXPECT_TRUE(p.errors.empty()) << (p.errors.empty() ? "" : p.errors[0].description().toStdString());
        EXPECT_TRUE(p.ended);
        EXPECT_EQ(p.resets, 1);

        const Reading qt = readWithQt(bytes, entityTable());
        ASSERT_TRUE(qt.ok);
        EXPECT_GT(p.starts.size(), 100);
        EXPECT_EQ(p.starts, qt.starts);
        QStringList attributes;
        for (const XMLAttributes& a : p.attributes) attributes << joined(a);
        EXPECT_EQ(attributes, qt.attributes);
        EXPECT_EQ(p.ends.size(), p.starts.size());
        EXPECT_EQ(p.text, qt.text);

        // Each name the document uses without defining it reaches the hook
        // exactly once, with no system identifier.
        QSet<QString> asked;
        for (const QString& r : p.entityRequests) {
            EXPECT_TRUE(r.endsWith(QLatin1Char('|'))) << r.toStdString();
            asked.insert(r.section(QLatin1Char('|'), 0, 0));
        }
        EXPECT_EQ(qsizetype(asked.size()), p.entityRequests.size());
        EXPECT_EQ(asked, undefinedEntityNames(bytes));
    }
}

TEST_F(XMLFileParserTest, EntityAnswersLandWhereTheReferencesStand) {
    RecordingParser p;
    p.entityTable = entityTable();
    p.parseFileAtLocation(QUrl::fromLocalFile(xmltest::teiPath("eclogues-lat.xml")));
    EXPECT_TRUE(p.text.contains(QString::fromUtf8("et quo\u2014sed faciles Nymphae risere\u2014sacello.")));
    EXPECT_TRUE(p.text.contains(QStringLiteral("R & <resp>")));
    const QByteArray bytes = xmltest::readAll(xmltest::teiPath("eclogues-lat.xml"));
    EXPECT_EQ(p.text.count(QChar(0x2014)), bytes.count("&mdash;"));

    // Without answers the references are dropped and the base logs each name.
    CaptureLogger::Scope capture;
    RKXMLFileParser base;
    base.parseFileAtLocation(QUrl::fromLocalFile(xmltest::teiPath("eclogues-lat.xml")));
    int unresolved = 0;
    for (const QString& m : capture->messages())
        if (m.contains(QStringLiteral("unable to resolve ExternalEntityName"))) ++unresolved;
    EXPECT_EQ(unresolved, undefinedEntityNames(bytes).size());
}

TEST_F(XMLFileParserTest, RealDictionaryEntriesGiveTheirElementsAndGreek) {
    RecordingParser p;
    p.parseFileAtLocation(QUrl::fromLocalFile(xmltest::teiPath("ls-subset.xml")));
    EXPECT_EQ(p.starts.count(QStringLiteral("entryFree")), 4);
    EXPECT_TRUE(p.text.contains(QString::fromUtf8("κημός")));
    EXPECT_EQ(p.title(), QStringLiteral("ls-subset"));
}

TEST_F(XMLFileParserTest, FileEntryPointSetsTitleAndClearsURL) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("aeneid.book1.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\"?><r xmlns:p=\"urn:p\"><p:x/></r>");
    f.close();

    CaptureLogger::Scope capture;
    RKXMLFileParser p;
    p.setData(Value(QStringLiteral("kept")));
    EXPECT_EQ(p.parseFileAtLocation(QUrl::fromLocalFile(path)), Value(QStringLiteral("kept")));
    EXPECT_EQ(p.title(), QStringLiteral("aeneid.book1"));
    EXPECT_TRUE(p.fileURL().isEmpty());
    ASSERT_TRUE(p.addressParser());
    EXPECT_FALSE(p.addressParser()->shouldReportNamespacePrefixes());
    EXPECT_FALSE(capture->contains(QStringLiteral("Prefix")));

    // The same document from bytes or a string reports its prefixes.
    p.parseData(xmltest::readAll(path));
    EXPECT_TRUE(capture->contains(QStringLiteral("Prefix p")));
    EXPECT_TRUE(capture->contains(QStringLiteral("End Prefix p")));
    EXPECT_EQ(p.title(), QStringLiteral("aeneid.book1"));  // untouched by parseData
}

TEST_F(XMLFileParserTest, PrefixesAndAttributesFromStrings) {
    RecordingParser p;
    p.parseString(QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                 "<r xmlns=\"urn:d\" xmlns:a=\"urn:a\" a:k=\"v &amp; w\" n=\"&#955;\">\u00e9\u03bb</r>"));
    ASSERT_TRUE(p.errors.empty()) << p.errors[0].description().toStdString();
    EXPECT_EQ(p.starts, QStringList{QStringLiteral("r")});
    EXPECT_EQ(p.text, QString::fromUtf8("éλ"));
    ASSERT_EQ(p.attributes.size(), 1u);
    EXPECT_EQ(p.attributes[0].value(QStringLiteral("a:k")), QStringLiteral("v & w"));
    EXPECT_EQ(p.attributes[0].value(QStringLiteral("n")), QString(QChar(0x03BB)));
    EXPECT_EQ(p.attributes[0].value(QStringLiteral("xmlns:a")), QStringLiteral("urn:a"));
    EXPECT_EQ(p.prefixes, (QStringList{"+=urn:d", "+a=urn:a", "-a", "-"}));
}

TEST_F(XMLFileParserTest, OtherEventsAreLoggedWithTheirTexts) {
    CaptureLogger::Scope capture;
    RKXMLFileParser p;
    p.parseData("<r><?pi some data?><![CDATA[a<b]]><!-- quiet --></r>");
    EXPECT_TRUE(capture->contains(QStringLiteral("foundProcessingInstructionWithTarget pi\nsome data")));
    EXPECT_TRUE(capture->contains(QStringLiteral("foundCDATA a<b")));
    EXPECT_FALSE(capture->contains(QStringLiteral("quiet")));
}

TEST_F(XMLFileParserTest, EntityAnswersAlsoServeAttributeValues) {
    RecordingParser p;
    // Answers with markup characters or nothing at all stay text, in text
    // met before and after the attribute asked for them.
    p.entityTable = {{"mdash", "\xE2\x80\x94"}, {"lt2", "<&>"}, {"none", ""}};
    p.parseData("<!DOCTYPE r SYSTEM \"http://example.org/r.dtd\"><r>&lt2;&none;<e t=\"a&mdash;b&nope;c&lt2;&none;\">"
                "x&mdash;y&nope;z&lt2;&none;&mdash;</e></r>");
    ASSERT_TRUE(p.errors.empty());
    EXPECT_EQ(p.attributes[1].value(QStringLiteral("t")), QString::fromUtf8("a—bc<&>"));
    EXPECT_EQ(p.text, QString::fromUtf8("<&>x—yz<&>—"));
    EXPECT_EQ(p.entityRequests, (QStringList{"lt2|", "none|", "mdash|", "nope|"}));

    // An answer used inside a declared entity's text, in content and in an
    // attribute value.
    RecordingParser q;
    q.entityTable = {{"mdash", "\xE2\x80\x94"}};
    q.parseData("<!DOCTYPE r [<!ENTITY a \"x&mdash;y\">]><r t=\"&a;\">&a;&mdash;&a;</r>");
    ASSERT_TRUE(q.errors.empty());
    EXPECT_EQ(q.attributes[0].value(QStringLiteral("t")), QString::fromUtf8("x—y"));
    EXPECT_EQ(q.text, QString::fromUtf8("x—y—x—y"));
    EXPECT_EQ(q.entityRequests, (QStringList{"mdash|"}));
}

// ---- hostile documents -------------------------------------------------

TEST_F(XMLFileParserTest, ExternalEntitiesAreNeverLoaded) {
    RecordingParser p;
    p.parseData("<?xml version=\"1.0\"?>\n"
                "<!DOCTYPE r SYSTEM \"http://example.org/evil.dtd\" [\n"
                "<!ENTITY file SYSTEM \"file:///etc/passwd\">\n"
                "<!ENTITY web SYSTEM \"http://example.org/secret\">\n"
                "<!ENTITY % remote SYSTEM \"http://example.org/remote.ent\">\n"
                "%remote;\n"
                "]>\n<r>[&file;][&web;]</r>");
    EXPECT_TRUE(p.errors.empty());
    EXPECT_EQ(p.text, QStringLiteral("[][]"));
    EXPECT_EQ(p.entityRequests, (QStringList{"file|file:///etc/passwd", "web|http://example.org/secret"}));

    // The hook may answer a declared external entity from its own table.
    RecordingParser q;
    q.entityTable = {{"file", "local text"}};
    q.parseData("<!DOCTYPE r [<!ENTITY file SYSTEM \"file:///etc/passwd\">]><r>&file;&file;</r>");
    EXPECT_EQ(q.text, QStringLiteral("local textlocal text"));
    EXPECT_EQ(q.entityRequests.size(), 1);
}

TEST_F(XMLFileParserTest, EntityBombsStopCleanly) {
    // One large entity referenced many times: no nesting, only volume.
    QByteArray quadratic = "<!DOCTYPE q [<!ENTITY big \"" + QByteArray(100000, 'x') + "\">]><q>";
    for (int i = 0; i < 20000; ++i) quadratic += "&big;";
    quadratic += "</q>";

    for (const QByteArray& doc : {xmltest::billionLaughs(), quadratic}) {
        QElapsedTimer timer;
        timer.start();
        RecordingParser p;
        p.parseData(doc);
        EXPECT_LT(timer.elapsed(), 5000);
        ASSERT_EQ(p.errors.size(), 1u);
        EXPECT_LE(p.text.size(), doc.size() * XMLEventParser::kMaxExpansionRatio + XMLEventParser::kExpansionFloor);
        EXPECT_FALSE(p.ended);
    }
}

TEST_F(XMLFileParserTest, DeepNestingAndMalformedInputFailWithOneError) {
    const QByteArray deep = QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000);
    const QByteArray cases[] = {
        deep,
        "<r><a></r>",
        "<r attr=\"unterminated></r>",
        "",
        "\xFF\xFE<\x00r\x00",           // truncated UTF-16
        "<r>\xC3\x28</r>",              // invalid UTF-8
        "<r>&undefined;</r>",           // no DTD: undefined entity is fatal
        "<?xml version=\"1.0\"?><r/><r/>",
    };
    for (const QByteArray& doc : cases) {
        CaptureLogger::Scope capture;
        RKXMLFileParser p;
        p.parseData(doc);
        ASSERT_TRUE(p.addressParser());
        ASSERT_TRUE(p.addressParser()->parserError().has_value()) << doc.left(40).toStdString();
        EXPECT_TRUE(capture->contains(QStringLiteral("Error in parsing")));
        EXPECT_LE(p.addressParser()->parserError()->line, 2);
    }
}

TEST_F(XMLFileParserTest, UnreadableFileIsReportedAndDataAnswered) {
    CaptureLogger::Scope capture;
    RKXMLFileParser p;
    p.setData(Value(42));
    EXPECT_EQ(p.parseFileAtLocation(QUrl::fromLocalFile(QStringLiteral("/nonexistent/x.xml"))), Value(42));
    EXPECT_TRUE(capture->contains(QStringLiteral("Error in parsing")));
    EXPECT_EQ(p.addressParser()->parserError()->code, int(XMLParseError::CannotOpenFile));
    EXPECT_EQ(p.title(), QStringLiteral("x"));
    // Remote URLs are not fetched.
    p.parseFileAtLocation(QUrl(QStringLiteral("http://example.org/a.xml")));
    EXPECT_EQ(p.addressParser()->parserError()->code, int(XMLParseError::CannotOpenFile));
}

TEST_F(XMLFileParserTest, AbortStopsEventsAndReportsOnce) {
    RecordingParser p;
    p.abortAt = QStringLiteral("b");
    p.parseData("<r><a>one</a><b>two</b><c>three</c></r>");
    EXPECT_EQ(p.starts, (QStringList{"r", "a", "b"}));
    EXPECT_EQ(p.text, QStringLiteral("one"));
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.errors[0].code, int(XMLParseError::Aborted));
    EXPECT_FALSE(p.ended);

    // The same object parses again with fresh settings and state of its own.
    p.abortAt.clear();
    p.starts.clear();
    p.parseData("<r/>");
    EXPECT_EQ(p.starts, QStringList{"r"});
    EXPECT_EQ(p.resets, 2);
}

TEST_F(XMLFileParserTest, DeclaredEncodingsAndReferencesAreDecodedOnce) {
    // A Latin-1 file as older TEI texts are saved: text and attribute alike.
    RecordingParser latin;
    latin.parseData(QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a t=\"caf\xe9\">caf\xe9 &amp; x</a>"));
    EXPECT_TRUE(latin.errors.empty());
    EXPECT_EQ(latin.text, QString::fromUtf8("café & x"));
    ASSERT_EQ(latin.attributes.size(), 1u);
    EXPECT_EQ(joined(latin.attributes[0]), QString::fromUtf8("t=café"));

    // A string keeps its characters whatever its declaration names, and an
    // escaped reference stays one level escaped.
    RecordingParser string;
    string.parseString(QString::fromUtf8(
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a t=\"&amp;lt; &#38; &quot;q&quot;\">λόγος 𝐀 &lt;</a>"));
    EXPECT_TRUE(string.errors.empty());
    EXPECT_EQ(string.text, QString::fromUtf8("λόγος 𝐀 <"));
    ASSERT_EQ(string.attributes.size(), 1u);
    EXPECT_EQ(joined(string.attributes[0]), QString::fromUtf8("t=&lt; & \"q\""));
}

// ASCII is widened apart from the rest: texts that leave ASCII anywhere
// around the blocks of sixteen bytes read whole. A zero-width no-break space
// is a character of the text wherever it stands, not a byte-order mark.
TEST_F(XMLFileParserTest, TextsMixingAsciiAndOtherCharactersAreDecodedWhole) {
    const QString ascii = QStringLiteral("Arma virumque cano, Troiae qui primus ab oris");
    for (const QString& other : {QStringLiteral("λ"), QStringLiteral("é"), QStringLiteral("𝐀"), QStringLiteral("ἄνδρα"), QString(QChar(0xFEFF))})
        for (qsizetype at = 0; at <= 34; ++at) {
            const QString text = ascii.left(at) + other + ascii.mid(at);
            RecordingParser p;
            p.parseData(QByteArray("<a t=\"") + text.toUtf8() + "\">" + text.toUtf8() + "</a>");
            EXPECT_TRUE(p.errors.empty());
            EXPECT_EQ(p.text, text) << at;
            ASSERT_EQ(p.attributes.size(), 1u);
            EXPECT_EQ(joined(p.attributes[0]), QStringLiteral("t=") + text) << at;
        }
}

// libxml2 hands text over in pieces: at each reference, around a CDATA
// section and at the ends of its input buffers. With characters beyond ASCII
// on both sides of every cut, the pieces still join to the whole text, and a
// CDATA section keeps its own bytes.
TEST_F(XMLFileParserTest, TextCutAtReferencesAndCdataReadsWhole) {
    struct CdataParser : RecordingParser {
        QByteArray cdata;
        void parserFoundCDATA(ts::XMLEventParser&, const QByteArray& block) override { cdata += block; }
    };
    const QString ascii = QStringLiteral("Tityre tu patulae recubans sub tegmine fagi");
    struct Cut { const char* markup; QString text; QByteArray cdata; };
    const Cut cuts[] = {
        {"&amp;", QStringLiteral("&"), {}},
        {"&#x3bb;&#955;", QStringLiteral("\u03bb\u03bb"), {}},
        {"&#x1D400;", QString::fromUtf8("\xF0\x9D\x90\x80"), {}},
        {"&lt;&gt;", QStringLiteral("<>"), {}},
        {"&mdash;", QStringLiteral("\u2014"), {}},
        {"<![CDATA[\xE1\xBC\x84 & <b>]]>", QString(), "\xE1\xBC\x84 & <b>"},
        {"<![CDATA[]]>&amp;<![CDATA[\xC3\xA6]]>", QStringLiteral("&"), "\xC3\xA6"},
    };
    const QString others[] = {QStringLiteral("\u00e9"), QStringLiteral("\u1f04\u03bd"), QString::fromUtf8("\xF0\x9D\x90\x80"),
                              QString(QChar(0xFEFF))};
    for (const Cut& cut : cuts)
        for (const QString& other : others)
            for (const qsizetype at : {0, 1, 15, 16, 17, 31, 32, 43}) {
                SCOPED_TRACE(std::string(cut.markup) + " " + std::to_string(at));
                const QString before = ascii.left(at) + other, after = other + ascii.mid(at);
                CdataParser p;
                p.entityTable = {{"mdash", "\xE2\x80\x94"}};
                p.parseData("<!DOCTYPE r SYSTEM \"r.dtd\"><r>" + before.toUtf8() + cut.markup + after.toUtf8() + "</r>");
                EXPECT_TRUE(p.errors.empty());
                EXPECT_EQ(p.text, before + cut.text + after);
                EXPECT_EQ(p.cdata, cut.cdata);
            }

    // A long text from a file, read through many buffers, with a letter
    // beyond ASCII on every side of every reference.
    QString whole;
    QByteArray markup = "<r>";
    for (int i = 0; i < 4000; ++i) {
        const QString piece = ascii.left(i % 44) + QChar(0x100 + i % 300) + QStringLiteral("\u00e6");
        whole += piece + QStringLiteral("&\u00e6");
        markup += piece.toUtf8() + "&amp;\xC3\xA6";
    }
    markup += "</r>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(markup);
    f.close();
    RecordingParser p;
    p.parseFileAtLocation(QUrl::fromLocalFile(path));
    EXPECT_TRUE(p.errors.empty());
    EXPECT_EQ(p.text, whole);
}
