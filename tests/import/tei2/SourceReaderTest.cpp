// The TEI.2 source reader on the real Perseus Latin texts, checked against an
// independent reading of each file in python3 and on values read off the XML
// by hand, and on small documents for the reader's edge cases.

#include "Tei2TestSupport.h"

#include "import/TSPerseusEnglishFileParser.h"
#include "import/TSPerseusSourceFileParser.h"
#include "support/CaptureLogger.h"
#include "textmodel/TSImportNodes.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace tei2test;
using ts::Value;

namespace {

// Texts per head (an unnamed one for milestones before the first head) with
// their milestone numbers, the notes with the number of the milestone before
// them, and the last header value of each stored field.
const char* kSourceScript = R"PY(
def full(e):
    s = e.text or ''
    for c in e:
        if c.tag not in ('note', 'head'):
            s += full(c)
        s += c.tail or ''
    return s
def squeeze(t):
    return t.strip().replace('\n', ' ').replace('\r', ' ')
def number(n):
    m = re.match(r'\s*([+-]?\d+)', n or '')
    return int(m.group(1)) if m else 0
texts, notes, current, last = [], [], None, 0
for e in root.find('text').iter():
    if e.tag == 'milestone':
        if current is None:
            current = ['', []]
            texts.append(current)
        current[1].append(e.get('n'))
        last = number(e.get('n'))
    elif e.tag == 'head':
        current = [squeeze(full(e)), []]
        texts.append(current)
    elif e.tag == 'note':
        notes.append([squeeze(full(e)), last])
fields = {}
for tag in ('title', 'author', 'editor', 'pubPlace', 'publisher', 'date'):
    for e in header.iter(tag):
        own = (e.text or '') + ''.join(c.tail or '' for c in e)
        if own:
            fields[tag] = own
print(json.dumps({'texts': texts, 'notes': notes, 'fields': fields}))
)PY";

struct SourceReading {
    ts::ValueDictionary result;
    std::shared_ptr<TSPerseusSourceFileParser> reader;
};

// Reads with a fresh reader, from the file or, without one, from the text.
SourceReading readSource(const QUrl& url, const QString& xml = QString()) {
    SourceReading r;
    r.reader = std::make_shared<TSPerseusSourceFileParser>();
    const Value v = url.isEmpty() ? r.reader->parseString(xml) : r.reader->parseFileAtLocation(url);
    if (v.isDictionary()) r.result = v.dictionary();
    return r;
}
SourceReading readSourceString(const QString& xml) { return readSource(QUrl(), xml); }

const char* kLatinFiles[] = {
    "tei2/phi0134.phi001.perseus-lat1.xml",  // Terence: cast-list head and one scene head
    "tei2/phi0474.phi051.perseus-lat1.xml",  // Cicero: one head, chapter milestones, textual notes
    "tei2/phi0893.phi004.perseus-lat1.xml",  // Horace: a head per poem, card milestones
    "tei/eclogues-lat.xml",                  // Vergil: a head per poem
    "tei/amphitruo-lat.xml",                 // Plautus: neither heads nor milestones
};

}  // namespace

TEST(SourceReader, RealSourcesMatchAnIndependentReading) {
    for (const char* file : kLatinFiles) {
        SCOPED_TRACE(file);
        const QString path = sharedPath(QString::fromLatin1(file));
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        QString error;
        const QJsonObject expected = pythonReading(path, kSourceScript, &error);
        ASSERT_FALSE(expected.isEmpty()) << error.toStdString();

        SourceReading r = readSource(QUrl::fromLocalFile(path));
        ASSERT_FALSE(r.result.empty());
        EXPECT_FALSE(r.reader->addressParser()->parserError().has_value());

        const QJsonArray texts = expected[QStringLiteral("texts")].toArray();
        const auto& chunks = r.reader->chunkStack();
        ASSERT_EQ(qsizetype(chunks.size()), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QJsonArray t = texts[i].toArray();
            EXPECT_EQ(chunks[size_t(i)]->name(), t[0].toString().isEmpty() ? QString() : t[0].toString());
            QStringList want, got;
            for (const auto& n : t[1].toArray()) want << n.toString();
            for (const auto& line : chunks[size_t(i)]->childNodes()) {
                got << line->name();
                EXPECT_EQ(line->parent(), chunks[size_t(i)]);
                EXPECT_EQ(line->tln(), line->name().toLongLong());
            }
            EXPECT_EQ(got, want);
        }

        const QJsonArray notes = expected[QStringLiteral("notes")].toArray();
        const auto& noteStack = r.reader->noteStack();
        ASSERT_EQ(qsizetype(noteStack.size()), notes.size());
        for (qsizetype i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(noteStack[size_t(i)]->name(), notes[i].toArray()[0].toString());
            EXPECT_EQ(noteStack[size_t(i)]->tln(), notes[i].toArray()[1].toInt());
        }

        const QJsonObject fields = expected[QStringLiteral("fields")].toObject();
        for (const char* key : {"title", "author", "editor", "pubPlace", "publisher", "date"}) {
            SCOPED_TRACE(key);
            const QString k = QString::fromLatin1(key);
            EXPECT_EQ(r.result.count(k) > 0, fields.contains(k));
            if (fields.contains(k)) { EXPECT_EQ(r.result[k].toString(), fields[k].toString()); }
        }

        EXPECT_TRUE(r.result[QStringLiteral("state")].isArray());
        EXPECT_TRUE(r.result[QStringLiteral("language")].isDictionary());
        EXPECT_TRUE(r.reader->stackStrings().isEmpty());
        EXPECT_TRUE(r.reader->stackList().isEmpty());
    }
}

// Values read off the XML by hand.
TEST(SourceReader, SampledValuesOfTheRealSources) {
    SourceReading cicero = readSource(sharedUrl(QStringLiteral("tei2/phi0474.phi051.perseus-lat1.xml")));
    const auto& ciceroTexts = cicero.reader->chunkStack();
    ASSERT_EQ(ciceroTexts.size(), 1u);
    EXPECT_EQ(ciceroTexts[0]->name(), QStringLiteral("Cato Maior: de Senectute"));
    EXPECT_EQ(ciceroTexts[0]->numChildren(), 23);
    EXPECT_EQ(ciceroTexts[0]->childAt(1)->name(), QStringLiteral("2"));
    // The italic words of a textual note stay in it; the umlaut comes from
    // the entity table.
    std::shared_ptr<TSNote> adeptam;
    for (const auto& n : cicero.reader->noteStack())
        if (n->name().startsWith(QLatin1String("adeptam"))) adeptam = n;
    ASSERT_TRUE(adeptam);
    EXPECT_EQ(adeptam->name(), QStringLiteral("adeptam other MSS.; adepti LE, Bait., M\u00fcller."));
    EXPECT_TRUE(adeptam->precedingText().endsWith(QLatin1String("adeptam")));
    EXPECT_GT(adeptam->tln(), 0);

    SourceReading horace = readSource(sharedUrl(QStringLiteral("tei2/phi0893.phi004.perseus-lat1.xml")));
    const auto& poems = horace.reader->chunkStack();
    ASSERT_EQ(poems.size(), 18u);
    EXPECT_EQ(poems[0]->name(), QStringLiteral("Ad Maecenatem:  Omnibus, maxime vero avaris, sortem suam gravem esse."));
    EXPECT_EQ(poems[1]->name(), QStringLiteral("Improbus, dum vitia quaedam declinant, in contraria incidere."));
    int lines = 0;
    for (const auto& p : poems) lines += int(p->numChildren());
    EXPECT_EQ(lines, 27);
    EXPECT_TRUE(horace.reader->noteStack().empty());

    SourceReading terence = readSource(sharedUrl(QStringLiteral("tei2/phi0134.phi001.perseus-lat1.xml")));
    ASSERT_EQ(terence.reader->chunkStack().size(), 2u);
    EXPECT_EQ(terence.reader->chunkStack()[0]->name(), QStringLiteral("FABULAE INTERLOCUTORES."));

    SourceReading plautus = readSource(sharedUrl(QStringLiteral("tei/amphitruo-lat.xml")));
    EXPECT_TRUE(plautus.reader->chunkStack().empty());
    EXPECT_EQ(plautus.result[QStringLiteral("author")].toString(), QStringLiteral("T. Maccius Plautus"));
}

namespace {

QString tei(const QString& header, const QString& body) {
    return QStringLiteral("<TEI.2><teiHeader>%1</teiHeader><text><body>%2</body></text></TEI.2>").arg(header, body);
}

}  // namespace

TEST(SourceReader, EdgeCases) {
    {
        SCOPED_TRACE("a language the reader does not know");
        CaptureLogger::Scope log;
        SourceReading r = readSourceString(tei("", "<p><foreign lang=\"grc\">x</foreign></p>"));
        EXPECT_TRUE(log->contains(QStringLiteral("Language = grc")));
        EXPECT_EQ(r.reader->language(), 0);
    }
    {
        SCOPED_TRACE("header fields are stored as written, empty ones not at all");
        SourceReading r = readSourceString(
            tei("<fileDesc><titleStmt><title>  Odes \n</title><author></author></titleStmt></fileDesc>", ""));
        EXPECT_EQ(r.result[QStringLiteral("title")].toString(), QStringLiteral("  Odes \n"));
        EXPECT_FALSE(r.result.count(QStringLiteral("author")));
    }
    {
        SCOPED_TRACE("an entity at the start of an element starts its text");
        SourceReading r = readSourceString(tei("", "<head>&mdash;Liber</head>"));
        ASSERT_EQ(r.reader->chunkStack().size(), 1u);
        EXPECT_EQ(r.reader->chunkStack()[0]->name(), QStringLiteral("\u2014Liber"));
    }
    {
        SCOPED_TRACE("a milestone before any head is kept in an unnamed text");
        SourceReading r =
            readSourceString(tei("", "<p><milestone n=\"4\"/>a<note>first</note></p><head>H</head><p>"
                                     "<milestone n=\"9\"/>b<note>second <hi>word</hi></note></p>"));
        const auto& texts = r.reader->chunkStack();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0]->name(), QString());
        EXPECT_EQ(texts[0]->numChildren(), 1);
        EXPECT_EQ(texts[0]->childAt(0)->tln(), 4);
        EXPECT_EQ(texts[1]->name(), QStringLiteral("H"));
        EXPECT_EQ(texts[1]->childAt(0)->parent(), texts[1]);
        const auto& notes = r.reader->noteStack();
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0]->tln(), 4);
        EXPECT_EQ(notes[1]->tln(), 9);
        EXPECT_EQ(notes[1]->name(), QStringLiteral("second word"));
        EXPECT_EQ(notes[1]->precedingText(), QStringLiteral("b"));
    }
    {
        SCOPED_TRACE("inline words reach the text a note records before it");
        SourceReading r = readSourceString(tei("", "<p>cum <reg>saepe</reg> enim<note>n</note></p>"));
        ASSERT_EQ(r.reader->noteStack().size(), 1u);
        EXPECT_EQ(r.reader->noteStack()[0]->precedingText(), QStringLiteral("cum saepe enim"));
    }
    {
        SCOPED_TRACE("Greek in a foreign passage reaches its note from Beta Code");
        SourceReading r =
            readSourceString(tei("", "<p><note>see <foreign lang=\"greek\">lo/gos</foreign></note></p>"));
        ASSERT_EQ(r.reader->noteStack().size(), 1u);
        EXPECT_EQ(r.reader->noteStack()[0]->name(),
                  QStringLiteral("see ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("lo/gos")));
        EXPECT_EQ(r.reader->language(), 0);
    }
}

// Notes in a long division without paragraphs share the division's text
// rather than each holding a copy of all of it so far.
TEST(SourceReader, NotesOfALongDivisionShareItsText) {
    SourceReading r;
    const double added = peakMegabytesOf([&] { r = readSourceString(longDivisionWithNotes(400, 500000)); });
    const auto& notes = r.reader->noteStack();
    ASSERT_EQ(notes.size(), 400u);
    for (int k : {0, 1, 199, 399}) {
        EXPECT_EQ(notes[size_t(k)]->name(), QStringLiteral("note %1").arg(k));
        const QString before = notes[size_t(k)]->precedingText();
        EXPECT_TRUE(before.startsWith(QStringLiteral("\narma virumque"))) << k;
        EXPECT_TRUE(before.trimmed().endsWith(QStringLiteral("word%1").arg(k))) << k;
        EXPECT_EQ(before.count(QStringLiteral("word")), k + 1) << k;
    }
    EXPECT_LT(added, 40.0);
}

TEST(SourceReader, UnreadableInputAndOutsideResources) {
    {
        CaptureLogger::Scope log;
        auto reader = std::make_shared<TSPerseusSourceFileParser>();
        EXPECT_TRUE(reader->parseFileAtLocation(QUrl::fromLocalFile(QStringLiteral("/nonexistent/x.xml"))).isNull());
        EXPECT_TRUE(reader->addressParser()->parserError().has_value());
    }
    {
        CaptureLogger::Scope log;
        SourceReading r = readSourceString(QStringLiteral("<TEI.2><text><body><head>kept</head><p>lost"));
        EXPECT_TRUE(r.reader->addressParser()->parserError().has_value());
        ASSERT_EQ(r.reader->chunkStack().size(), 1u);
        EXPECT_EQ(r.reader->chunkStack()[0]->name(), QStringLiteral("kept"));
    }
    {
        // A declared external entity and a DTD on disk are never read.
        const QString xml = QStringLiteral(
            "<?xml version=\"1.0\"?><!DOCTYPE TEI.2 SYSTEM \"file:///etc/passwd\" "
            "[<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>") +
                            tei("", "<head>&ext;&Perseus.publish;</head>");
        CaptureLogger::Scope log;
        SourceReading r = readSourceString(xml);
        ASSERT_EQ(r.reader->chunkStack().size(), 1u);
        EXPECT_EQ(r.reader->chunkStack()[0]->name(), QStringLiteral("extPerseus.publish"));
        EXPECT_TRUE(log->contains(QStringLiteral("resolveExternalEntityName Perseus.publish")));
    }
}

namespace {

QString nested(const QString& open, const QString& close, int depth) {
    return QStringLiteral("<TEI.2><text><body>") + open.repeated(depth) + QStringLiteral("x") +
           close.repeated(depth) + QStringLiteral("</body></text></TEI.2>");
}

QString entityBomb() {
    QString doc = QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE TEI.2 [<!ENTITY l0 \"lolololololol\">");
    for (int i = 1; i <= 9; ++i) {
        doc += QStringLiteral("<!ENTITY l%1 \"").arg(i);
        for (int k = 0; k < 10; ++k) doc += QStringLiteral("&l%1;").arg(i - 1);
        doc += QStringLiteral("\">");
    }
    return doc + QStringLiteral("]><TEI.2><text><body><head>&l9;</head><p>&l9;</p></body></text></TEI.2>");
}

}  // namespace

// Both readers on input built to hurt: they stop with a reported error,
// keep what they read, and a reader used again starts afresh.
TEST(Tei2Readers, HostileInput) {
    const struct {
        const char* name;
        QString xml;
    } cases[] = {
        {"sections nested past the parser's depth bound", nested("<div2>", "</div2>", 400)},
        {"notes nested past the parser's depth bound", nested("<note>", "</note>", 400)},
        {"entity expansion bomb", entityBomb()},
        {"binary noise", QString::fromLatin1(QByteArray(4096, '\x01'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureLogger::Scope log;
        auto source = std::make_shared<TSPerseusSourceFileParser>();
        source->parseString(c.xml);
        EXPECT_TRUE(source->addressParser()->parserError().has_value());
        auto translation = std::make_shared<TSPerseusEnglishFileParser>();
        translation->parseString(c.xml);
        EXPECT_TRUE(translation->addressParser()->parserError().has_value());

        // The same objects read a sound document as if new.
        const QString sound = tei("", "<head>H</head><div1 n=\"1\"><p><milestone n=\"3\"/>line</p></div1>");
        source->parseString(sound);
        EXPECT_FALSE(source->addressParser()->parserError().has_value());
        ASSERT_EQ(source->chunkStack().size(), 1u);
        EXPECT_EQ(source->chunkStack()[0]->numChildren(), 1);
        const Value v = translation->parseString(sound);
        auto text = v[QStringLiteral("Text")].toObjectAs<TSText>();
        ASSERT_TRUE(text);
        EXPECT_EQ(nodesOf<TSLine>(text).size(), 1u);
        EXPECT_EQ(text->numChildren(), 1);
    }
}
