// The TEI.2 translation reader on the real Perseus translations, checked
// against an independent reading of each file in python3, on sampled lines
// read off the XML by hand, and on small documents for the cases where text,
// sections or parent links used to go astray.

#include "Tei2TestSupport.h"

#include "import/TSPerseusEnglishFileParser.h"
#include "support/CaptureLogger.h"
#include "textmodel/TSCharacter.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSMatchedChunk.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace tei2test;
using ts::Value;

namespace {

// What a translation should turn into, read with ElementTree. Greek runs of
// a paragraph come out as "{{beta}}" so the test can convert them itself.
const char* kTranslationScript = R"PY(
languages = {l.get('id'): (l.text or '').strip() for l in header.iter('language') if l.get('id') is not None}
state = []
for r in header.iter('refsDecl'):
    state = [s.get('unit') for s in r.iter('state') if s.get('unit') is not None]
CONSUMED = {'note', 'gloss', 'stage', 'speaker', 'lemma'}
TRIMMED = {'foreign', 'quote', 'abbr', 'emph', 'term'}
NOTE = {'note', 'gloss'}
def flat(e):
    s = e.text or ''
    for c in e:
        if c.tag in CONSUMED:
            pass
        elif c.tag in TRIMMED:
            t = flat(c).strip()
            if t and languages.get(c.get('lang')) == 'Greek':
                t = '{{' + t + '}}'
            s += t
        elif c.tag == 'l':
            s += flat(c) + '\n'
        else:
            s += flat(c)
        s += c.tail or ''
    return s
def pieces(p):
    return [x.strip() for x in flat(p).strip().split('\n') if x.strip()]
def text_without(e, tags):
    s = e.text or ''
    for c in e:
        if c.tag not in tags:
            s += text_without(c, tags)
        s += c.tail or ''
    return s
def section_name(d):
    level = 0 if d.tag == 'div1' else 1
    return (state[level] if level < len(state) else '') + ' ' + (d.get('n') or '')
def section_path(e):
    divs = [a for a in ancestors(e) if a.tag in ('div1', 'div2')]
    return '/'.join(section_name(d) for d in reversed(divs))
lines = {}
for p in body.iter():
    if inside(p, NOTE) or p.tag not in ('p', 'l') or (p.tag == 'l' and inside(p, {'p'})):
        continue
    lines.setdefault(section_path(p), []).extend(pieces(p))
notes = [n for n in body.iter() if n.tag in NOTE and text_without(n, {'lemma', 'stage', 'note', 'gloss'}).strip()]
markers = [m for m in body.iter() if m.tag in ('milestone', 'lb') and m.get('unit') == 'TLN line']
loose = any(not inside(p, {'div1', 'div2'}) for p in body.iter()
            if p.tag == 'p' or (p.tag == 'l' and not inside(p, NOTE | {'p'})))
print(json.dumps({
    'sections': sum(1 for d in body.iter() if d.tag in ('div1', 'div2')) + (1 if loose else 0),
    'lines': lines,
    'speakers': sum(1 for s in body.iter('speaker') if not inside(s, NOTE)),
    'stages': sum(1 for s in body.iter('stage')),
    'treeNotes': sum(1 for n in notes if not inside(n, {'castItem'})),
    'castNotes': sum(1 for n in notes if inside(n, {'castItem'})),
    'treeMarkers': sum(1 for m in markers if not inside(m, {'castItem'})),
    'cast': [[flat(c.find('role')).strip().strip(','),
              flat(c.find('roleDesc')).strip() if c.find('roleDesc') is not None else None]
             for c in body.iter('castItem')],
}))
)PY";

struct Reading {
    ts::ValueDictionary result;
    TSTextPtr text;
    std::shared_ptr<TSPerseusEnglishFileParser> reader;
};

// Reads with a fresh reader, from the file or, without one, from the text.
Reading read(const QUrl& url, const QString& xml = QString()) {
    Reading r;
    r.reader = std::make_shared<TSPerseusEnglishFileParser>();
    const Value v = url.isEmpty() ? r.reader->parseString(xml) : r.reader->parseFileAtLocation(url);
    if (v.isDictionary()) {
        r.result = v.dictionary();
        r.text = r.result[QStringLiteral("Text")].toObjectAs<TSText>();
    }
    return r;
}
Reading readTranslation(const QUrl& url) { return read(url); }
Reading readString(const QString& xml) { return read(QUrl(), xml); }

QString withGreek(QString line) {
    static const QRegularExpression run(QStringLiteral("\\{\\{(.*?)\\}\\}"));
    QRegularExpressionMatch m;
    while ((m = run.match(line)).hasMatch())
        line.replace(m.capturedStart(), m.capturedLength(), ts::RKXMLFileParser::convertBetacode(m.captured(1)));
    return line;
}

// Section path ("div1 name/div2 name") to the names of its lines, in order.
std::map<QString, QStringList> linesBySection(const TSTextPtr& text) {
    std::map<QString, QStringList> out;
    std::function<void(const TSChunkPtr&, const QString&)> visit = [&](const TSChunkPtr& node, const QString& path) {
        for (const auto& child : node->childNodes()) {
            if (auto line = std::dynamic_pointer_cast<TSLine>(child)) {
                out[path] << line->name();
            } else if (std::dynamic_pointer_cast<TSMatchedChunk>(child)) {
                const QString name = child->name();
                visit(child, path.isEmpty() ? name : path + QLatin1Char('/') + name);
            }
        }
    };
    visit(text, QString());
    return out;
}

TSChunkPtr sectionNamed(const TSTextPtr& text, const QString& name) {
    for (const auto& s : nodesOf<TSMatchedChunk>(text))
        if (s->name() == name) return s;
    return nullptr;
}

// The line of that section with that name, and the node before it.
std::pair<TSChunkPtr, TSChunkPtr> lineIn(const TSChunkPtr& section, const QString& name) {
    if (!section) return {};
    const auto children = section->childNodes();
    for (size_t i = 0; i < children.size(); ++i)
        if (std::dynamic_pointer_cast<TSLine>(children[i]) && children[i]->name() == name)
            return {children[i], i > 0 ? children[i - 1] : nullptr};
    return {};
}

struct FileCase {
    const char* file;
    // Counts from the file's README where it gives them; -1 when it does not.
    int speakers, stages, markers, cast;
};

const FileCase kFiles[] = {
    {"tei2/phi0134.phi001.perseus-eng1.xml", 759, 284, 81, 12},  // Terence, Andria
    {"tei2/phi0474.phi051.perseus-eng1.xml", 0, 0, 0, 0},        // Cicero, De Senectute
    {"tei2/phi0893.phi004.perseus-eng1.xml", 0, 0, 0, 0},        // Horace, Satires
    {"tei/amphitruo-eng.xml", 714, 216, -1, 9},                  // Plautus, Amphitruo
    {"tei/eclogues-eng.xml", 93, 0, 0, 0},                       // Vergil, Eclogues: verse without paragraphs
};

}  // namespace

TEST(TranslationReader, RealTranslationsMatchAnIndependentReading) {
    for (const FileCase& c : kFiles) {
        SCOPED_TRACE(c.file);
        const QString path = sharedPath(QString::fromLatin1(c.file));
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        QString error;
        const QJsonObject expected = pythonReading(path, kTranslationScript, &error);
        ASSERT_FALSE(expected.isEmpty()) << error.toStdString();

        Reading r = readTranslation(QUrl::fromLocalFile(path));
        ASSERT_TRUE(r.text);
        EXPECT_FALSE(r.reader->addressParser()->parserError().has_value());

        EXPECT_EQ(int(nodesOf<TSMatchedChunk>(r.text).size()), expected[QStringLiteral("sections")].toInt());
        const int speakers = int(nodesOf<TSSpeaker>(r.text).size());
        const int stages = int(nodesOf<TSStageDirection>(r.text).size());
        const int markers = int(nodesOf<TSMilestone>(r.text).size());
        EXPECT_EQ(speakers, expected[QStringLiteral("speakers")].toInt());
        EXPECT_EQ(stages, expected[QStringLiteral("stages")].toInt());
        EXPECT_EQ(markers, expected[QStringLiteral("treeMarkers")].toInt());
        EXPECT_EQ(int(nodesOf<TSNote>(r.text).size()), expected[QStringLiteral("treeNotes")].toInt());
        if (c.speakers >= 0) { EXPECT_EQ(speakers, c.speakers); }
        if (c.stages >= 0) { EXPECT_EQ(stages, c.stages); }
        if (c.markers >= 0) { EXPECT_EQ(markers, c.markers); }

        // Every line of every section, in order.
        std::map<QString, QStringList> want;
        const QJsonObject lines = expected[QStringLiteral("lines")].toObject();
        for (auto it = lines.begin(); it != lines.end(); ++it)
            for (const auto& l : it.value().toArray()) want[it.key()] << withGreek(l.toString());
        const std::map<QString, QStringList> got = linesBySection(r.text);
        EXPECT_EQ(got.size(), want.size());
        for (const auto& [path, list] : want) {
            SCOPED_TRACE(path.toStdString());
            auto g = got.find(path);
            ASSERT_NE(g, got.end());
            EXPECT_EQ(g->second, list);
        }

        // The cast list, under "Cast List" of the text.
        const QJsonArray cast = expected[QStringLiteral("cast")].toArray();
        if (c.cast >= 0) { EXPECT_EQ(cast.size(), c.cast); }
        if (!cast.isEmpty()) {
            auto list = r.text->information()[QStringLiteral("Cast List")].toObjectAs<VDNewArray>();
            ASSERT_TRUE(list);
            ASSERT_EQ(qsizetype(list->count()), cast.size());
            int castNotes = 0;
            for (qsizetype i = 0; i < cast.size(); ++i) {
                auto character = std::dynamic_pointer_cast<TSCharacter>(list->objectAtIndex(quint64(i)));
                ASSERT_TRUE(character);
                const QJsonArray entry = cast[i].toArray();
                EXPECT_EQ(character->name(), entry[0].toString());
                EXPECT_EQ(character->roleDescription(), entry[1].isNull() ? QString() : entry[1].toString());
                castNotes += int(character->numChildren());
                EXPECT_EQ(badParentLinks(character), 0);
            }
            EXPECT_EQ(castNotes, expected[QStringLiteral("castNotes")].toInt());
        }

        EXPECT_EQ(badParentLinks(r.text), 0);
        EXPECT_TRUE(r.reader->stringStack().isEmpty());
        EXPECT_TRUE(r.reader->stackList().isEmpty());
        EXPECT_TRUE(r.reader->languageStack().isEmpty());
    }
}

// Lines, speakers, markers and notes read off the XML by hand.
TEST(TranslationReader, SampledNodesOfTheRealTranslations) {

    // Terence: a play in cards, speakers before their lines, stage directions
    // of a paragraph before its text.
    Reading terence = readTranslation(sharedUrl(QStringLiteral("tei2/phi0134.phi001.perseus-eng1.xml")));
    ASSERT_TRUE(terence.text);
    const TSChunkPtr card28 = sectionNamed(terence.text, QStringLiteral("act 28"));
    ASSERT_TRUE(card28);
    EXPECT_EQ(card28->parent(), terence.text);
    const struct {
        const char* line;
        const char* before;
    } terenceLines[] = {
        {"No, it's another matter.", "SIMO"},
        {"What is there that my ability can effect for you more than this?", "SOSIA"},
        {"Do you carry those things away in-doors; begone.  Sosia, just step here; I want a few words with you.",
         "(Beckoning to SOSIA.)"},
        {"Consider it as said; that these things are to be taken care of, I suppose.", "SOSIA"},
        {"I await your will.", "SOSIA"},
    };
    for (const auto& s : terenceLines) {
        SCOPED_TRACE(s.line);
        auto [line, before] = lineIn(card28, QString::fromUtf8(s.line));
        ASSERT_TRUE(line);
        EXPECT_EQ(line->parent(), card28);
        ASSERT_TRUE(before);
        EXPECT_EQ(before->name(), QString::fromUtf8(s.before));
    }
    // The "TLN line" marker after Sosia's first line, then its note.
    std::shared_ptr<TSMilestone> marker30;
    for (const auto& m : nodesOf<TSMilestone>(card28))
        if (m->tln() == 30) marker30 = m;
    ASSERT_TRUE(marker30);
    EXPECT_EQ(marker30->precedingText(),
              QStringLiteral("Consider it as said; that these things are to be taken care of, I suppose."));
    const auto siblings = card28->childNodes();
    const auto at = std::find(siblings.begin(), siblings.end(), TSChunkPtr(marker30));
    ASSERT_NE(at + 1, siblings.end());
    auto note = std::dynamic_pointer_cast<TSNote>(*(at + 1));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->lemma(), QStringLiteral("Are to be taken care of, I suppose"));
    EXPECT_EQ(note->tln(), 30);
    EXPECT_TRUE(note->name().startsWith(QStringLiteral(": \"Nempe ut curentur recte haec.\" Colman here remarks;")));

    // A date inside a note stays in the note and leaves the header's date.
    std::shared_ptr<TSNote> consuls;
    for (const auto& n : nodesOf<TSNote>(terence.text))
        if (n->lemma() == QLatin1String("Being Consuls")) consuls = n;
    ASSERT_TRUE(consuls);
    EXPECT_EQ(consuls->name(),
              QStringLiteral("M. Claudius Marcellus and C. Sulpicius Galba were Consuls in the year from the "
                             "building of Rome 586, and B.C. 167."));
    EXPECT_NE(terence.result[QStringLiteral("date")].toString(), QStringLiteral("167"));

    // The cast list: names without their commas, notes with Greek from Beta Code.
    auto cast = terence.text->information()[QStringLiteral("Cast List")].toObjectAs<VDNewArray>();
    ASSERT_TRUE(cast);
    auto simo = std::dynamic_pointer_cast<TSCharacter>(cast->objectAtIndex(0));
    ASSERT_TRUE(simo);
    EXPECT_EQ(simo->name(), QStringLiteral("SIMO"));
    EXPECT_EQ(simo->roleDescription(), QStringLiteral("an aged Athenian."));
    ASSERT_EQ(simo->numChildren(), 1);
    EXPECT_EQ(simo->childAt(0)->name(),
              QStringLiteral("From ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("simo\\s,")) +
                  QStringLiteral(" \"flat-nosed.\""));
    EXPECT_EQ(simo->childAt(0)->parent(), simo);
    auto crito = std::dynamic_pointer_cast<TSCharacter>(cast->objectAtIndex(5));
    ASSERT_TRUE(crito);
    EXPECT_EQ(crito->roleDescription(), QStringLiteral("a native of Andros."));

    // Consecutive lines of a section, as the XML shows them.
    const struct {
        const char* file;
        const char* section;  // path of section names
        QStringList lines;
    } runs[] = {
        {"tei2/phi0474.phi051.perseus-eng1.xml", "",  // no divisions: one section holds every paragraph
         {"Wherefore, if you are accustomed to marvel at", "my wisdom\u2014and would that it were worthy of your",
          "estimate and of my cognomen \u2014I am wise because", "I follow Nature as the best of guides and obey her as"}},
        {"tei2/phi0474.phi051.perseus-eng1.xml", "",  // a page break keeps the paragraph's text before it
         {"acts of life's drama, it is not likely that she has",
          "neglected the final act as if she were a careless playwright. And yet there had to be something final,",
          "and\u2014as in the case of orchard fruits and crops"}},
        {"tei2/phi0893.phi004.perseus-eng1.xml", "card 1/ 1",  // poems of a book, units from the last refsDecl
         {"How comes it to pass, Maecenas, that no one lives content with his condition, whether reason",
          "gave it him, or chance threw it in his way; [but] praises those who follow different pursuits?"}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.lines.first().toStdString());
        Reading r = readTranslation(sharedUrl(QString::fromLatin1(run.file)));
        ASSERT_TRUE(r.text);
        const auto sections = linesBySection(r.text);
        const auto it = sections.find(QString::fromUtf8(run.section));
        ASSERT_NE(it, sections.end());
        const qsizetype at = it->second.indexOf(run.lines.first());
        ASSERT_GE(at, 0);
        EXPECT_EQ(it->second.mid(at, run.lines.size()), run.lines);
    }

    // A note keeps its emphasised words.
    Reading cicero = readTranslation(sharedUrl(QStringLiteral("tei2/phi0474.phi051.perseus-eng1.xml")));
    ASSERT_TRUE(cicero.text);
    QStringList noteTexts;
    for (const auto& n : nodesOf<TSNote>(cicero.text)) noteTexts << n->name();
    EXPECT_TRUE(noteTexts.contains(QStringLiteral("Cato was called sapiens, Cic. Lael. 2. 6.")));

    // Horace: two books of 10 and 8 poems.
    Reading horace = readTranslation(sharedUrl(QStringLiteral("tei2/phi0893.phi004.perseus-eng1.xml")));
    ASSERT_TRUE(horace.text);
    ASSERT_EQ(horace.text->numChildren(), 2);
    EXPECT_EQ(horace.text->childAt(0)->numChildren(), 10);
    EXPECT_EQ(horace.text->childAt(1)->numChildren(), 8);

    // Vergil: verse without paragraphs, every line kept, after its speaker.
    Reading vergil = readTranslation(sharedUrl(QStringLiteral("tei/eclogues-eng.xml")));
    ASSERT_TRUE(vergil.text);
    EXPECT_EQ(nodesOf<TSLine>(vergil.text).size(), 1060u);
    const auto [amaryllis, beforeAmaryllis] =
        lineIn(vergil.text->childAt(0), QStringLiteral("\u201CFair Amaryllis\u201D bid the woods resound."));
    ASSERT_TRUE(amaryllis);
    EXPECT_EQ(beforeAmaryllis->name(), QStringLiteral("sit careless in the shade, and, at your call,"));
    const auto [first, speaker] =
        lineIn(vergil.text->childAt(0), QStringLiteral("You, Tityrus, 'neath a broad beech-canopy"));
    ASSERT_TRUE(speaker);
    EXPECT_EQ(speaker->className(), QStringLiteral("TSSpeaker"));
    EXPECT_EQ(speaker->name(), QStringLiteral("MELIBOEUS"));
}

TEST(TranslationReader, HeaderFieldsAndLanguages) {
    Reading r = readTranslation(sharedUrl(QStringLiteral("tei2/phi0134.phi001.perseus-eng1.xml")));
    ASSERT_TRUE(r.text);
    const struct {
        const char* key;
        const char* value;
    } fields[] = {
        {"author", "P. Terentius Afer (Terence)"},  // alone, not joined to the title before it
        {"editor", "Henry Thomas Riley"},
        {"pubPlace", "Ney York"},
        {"publisher", "Harper and Brothers"},
        {"title", "The Comedies of Terence"},  // the last title of the header
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.key);
        EXPECT_EQ(r.result[QString::fromLatin1(f.key)].toString(), QString::fromUtf8(f.value));
    }
    const Value& languages = r.result[QStringLiteral("language")];
    EXPECT_EQ(languages[QStringLiteral("greek")].toString(), QStringLiteral("Greek"));
    EXPECT_EQ(languages[QStringLiteral("la")].toString(), QStringLiteral("Latin"));
    ASSERT_TRUE(r.result[QStringLiteral("state")].isArray());
    QStringList state;
    for (const auto& s : r.result[QStringLiteral("state")].array()) state << s.toString();
    EXPECT_EQ(state, (QStringList{"act", "scene", "line"}));
}

namespace {

QString tei(const QString& header, const QString& body) {
    return QStringLiteral("<TEI.2><teiHeader>%1</teiHeader><text><body>%2</body></text></TEI.2>").arg(header, body);
}

QStringList childNames(const TSChunkPtr& node) {
    QStringList out;
    for (const auto& c : node->childNodes()) out << c->className() + QLatin1Char(':') + c->name();
    return out;
}

}  // namespace

TEST(TranslationReader, SmallDocuments) {
    const QString units = QStringLiteral("<encodingDesc><refsDecl><state unit=\"book\"/><state unit=\"poem\"/>"
                                         "</refsDecl></encodingDesc>");
    const struct {
        const char* name;
        QString xml;
        QStringList top;     // class:name of the text's children
        QStringList inside;  // of the first child
    } cases[] = {
        {"sections take their names from the reference units", tei(units, "<div1 n=\"2\"><div2 n=\"3\"/></div1>"),
         {"TSMatchedChunk:book 2"}, {"TSMatchedChunk:poem 3"}},
        {"no units: an empty unit and the number", tei("", "<div1 n=\"2\"/>"), {"TSMatchedChunk: 2"}, {}},
        {"verse lines, then the notes and markers of the paragraph",
         tei("", "<div1 n=\"1\"><p><l>one</l><milestone unit=\"TLN line\" n=\"5\"/><l>two<note>n</note></l></p>"
                 "</div1>"),
         {"TSMatchedChunk: 1"},
         {"TSLine:one", "TSLine:two", "TSMilestone:", "TSNote:n"}},
        {"verse outside paragraphs: a line per verse, then the notes and markers of that verse",
         tei("", "<div1 n=\"1\"><sp><speaker>M</speaker><l>one <placeName>Roma</placeName></l>"
                 "<l>two<note>n</note></l></sp><lg><l> three </l><l/></lg></div1>"),
         {"TSMatchedChunk: 1"},
         {"TSSpeaker:M", "TSLine:one Roma", "TSLine:two", "TSNote:n", "TSLine:three"}},
        {"inline elements keep the paragraph's text",
         tei("", "<div1><p>before <hi>middle</hi> and <date>167</date> after <unknown>x</unknown></p></div1>"),
         {"TSMatchedChunk: "},
         {"TSLine:before middle and 167 after x"}},
        {"speaker and stage before the lines of their paragraph",
         tei("", "<div1><sp><speaker>SIMO</speaker><p>Go. <stage>Exit.</stage> Now.</p></sp></div1>"),
         {"TSMatchedChunk: "},
         {"TSSpeaker:SIMO", "TSStageDirection:Exit.", "TSLine:Go.  Now."}},
        {"paragraphs outside divisions share one section, closed by no division",
         tei("", "<p>loose</p><div0 n=\"1\"><div1 n=\"1\"><p>a</p></div1></div0><p>after</p>"),
         {"TSMatchedChunk:", "TSMatchedChunk: 1"},
         {"TSLine:loose", "TSLine:after"}},
        {"a note with no text is dropped, its lemma with it",
         tei("", "<div1><p>x<note><lemma>L</lemma> </note><note>kept</note></p></div1>"),
         {"TSMatchedChunk: "},
         {"TSLine:x", "TSNote:kept"}},
        {"an empty head leaves the section its name",
         tei(units, "<div1 n=\"4\"><head/><p>x</p></div1>"), {"TSMatchedChunk:book 4"}, {"TSLine:x"}},
        {"a note after the last paragraph is kept",
         tei("", "<div1 n=\"1\"><p>x</p></div1><note>late</note>"), {"TSMatchedChunk: 1", "TSNote:late"},
         {"TSLine:x"}},
        {"a stage direction outside every section goes to the text",
         tei("", "<stage>Enter.</stage>"), {"TSStageDirection:Enter."}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reading r = readString(c.xml);
        ASSERT_TRUE(r.text);
        EXPECT_EQ(childNames(r.text), c.top);
        if (!c.inside.isEmpty()) {
            ASSERT_GT(r.text->numChildren(), 0);
            EXPECT_EQ(childNames(r.text->childAt(0)), c.inside);
        }
        EXPECT_EQ(badParentLinks(r.text), 0);
        EXPECT_TRUE(r.reader->stringStack().isEmpty());
        EXPECT_TRUE(r.reader->chunkStack().size() <= 1);  // only a shared paragraph section stays open
    }
}

TEST(TranslationReader, PartsAndNotesDetails) {
    Reading one = readString(tei("", "<div0 n=\"1\"><div1 n=\"1\"><p>a</p></div1></div0>"));
    EXPECT_TRUE(one.result.count(QStringLiteral("Text")));
    EXPECT_FALSE(one.result.count(QStringLiteral("Part 1")));

    Reading three = readString(tei("", "<div1 n=\"1\"><p>a</p></div1><div0 n=\"3\"><div1 n=\"2\"><p>b</p></div1></div0>"));
    auto first = three.result[QStringLiteral("Text")].toObjectAs<TSText>();
    auto part = three.result[QStringLiteral("Part 3")].toObjectAs<TSText>();
    ASSERT_TRUE(first);
    ASSERT_TRUE(part);
    EXPECT_EQ(childNames(first), QStringList{"TSMatchedChunk: 1"});
    EXPECT_EQ(childNames(part), QStringList{"TSMatchedChunk: 2"});
    EXPECT_EQ(badParentLinks(part), 0);

    // Lemma, line number, preceding text; a later note takes no stale lemma.
    Reading notes = readString(tei("", "<div1><p>Alpha <milestone unit=\"TLN line\" n=\"12\"/>beta"
                                       "<note><lemma>beta</lemma> on beta</note> gamma<note>plain</note></p></div1>"));
    ASSERT_TRUE(notes.text);
    const auto list = nodesOf<TSNote>(notes.text);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->name(), QStringLiteral("on beta"));
    EXPECT_EQ(list[0]->lemma(), QStringLiteral("beta"));
    EXPECT_EQ(list[0]->tln(), 12);
    EXPECT_EQ(list[0]->precedingText(), QStringLiteral("Alpha beta"));
    EXPECT_EQ(list[1]->lemma(), QString());
    EXPECT_EQ(list[1]->precedingText(), QStringLiteral("Alpha beta gamma"));
    const auto markers = nodesOf<TSMilestone>(notes.text);
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_EQ(markers[0]->precedingText(), QStringLiteral("Alpha"));

    // Greek in Beta Code, by the declared language name.
    Reading greek = readString(tei("<profileDesc><langUsage><language id=\"greek\">Greek</language></langUsage>"
                                   "</profileDesc>",
                                   "<div1><p>word <foreign lang=\"greek\">lo/gos</foreign> end</p></div1>"));
    ASSERT_TRUE(greek.text);
    EXPECT_EQ(nodesOf<TSLine>(greek.text).at(0)->name(),
              QStringLiteral("word ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("lo/gos")) +
                  QStringLiteral(" end"));
}

// Notes in a long division without paragraphs share the division's text
// rather than each holding a copy of all of it so far.
TEST(TranslationReader, NotesOfALongDivisionShareItsText) {
    Reading r;
    const double added = peakMegabytesOf([&] { r = readString(longDivisionWithNotes(400, 500000)); });
    ASSERT_TRUE(r.text);
    const auto notes = nodesOf<TSNote>(r.text);
    ASSERT_EQ(notes.size(), 400u);
    for (int k : {0, 1, 199, 399}) {
        EXPECT_EQ(notes[size_t(k)]->name(), QStringLiteral("note %1").arg(k));
        const QString before = notes[size_t(k)]->precedingText();
        EXPECT_TRUE(before.trimmed().endsWith(QStringLiteral("word%1").arg(k))) << k;
        EXPECT_EQ(before.count(QStringLiteral("word")), k + 1) << k;
    }
    EXPECT_LT(added, 40.0);
}

TEST(TranslationReader, EntitiesAndOutsideResources) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile secret(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("SECRET-CONTENT");
    secret.close();
    QFile dtd(dir.filePath(QStringLiteral("remote.dtd")));
    ASSERT_TRUE(dtd.open(QIODevice::WriteOnly));
    dtd.write("<!ENTITY fromdtd \"DTD-CONTENT\">");
    dtd.close();

    const QString xml =
        QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE TEI.2 SYSTEM \"%1\" [<!ENTITY ext SYSTEM \"%2\">]>")
            .arg(QUrl::fromLocalFile(dtd.fileName()).toString(), QUrl::fromLocalFile(secret.fileName()).toString()) +
        tei("", "<div1><p>a&mdash;b &ext; &fromdtd; &unknownName;</p></div1>");
    CaptureLogger::Scope log;
    Reading r = readString(xml);
    ASSERT_TRUE(r.text);
    const auto lines = nodesOf<TSLine>(r.text);
    ASSERT_EQ(lines.size(), 1u);
    const QString line = lines[0]->name();
    EXPECT_FALSE(line.contains(QLatin1String("SECRET")));
    EXPECT_FALSE(line.contains(QLatin1String("DTD-CONTENT")));
    EXPECT_TRUE(line.startsWith(QStringLiteral("a\u2014b ")));
    EXPECT_TRUE(line.contains(QLatin1String("unknownName")));
    EXPECT_TRUE(log->contains(QStringLiteral("resolveExternalEntityName unknownName")));
}

TEST(TranslationReader, UnreadableInput) {
    const struct {
        const char* name;
        QString xml;
        bool hasResult;
    } cases[] = {
        {"not XML", QStringLiteral("plain words"), false},
        {"breaks off inside a paragraph", QStringLiteral("<TEI.2><text><body><div1 n=\"1\"><p>kept</p><p>lost"), true},
        {"mismatched tags", QStringLiteral("<TEI.2><text><body><div1><p>x</div1></p></body></text></TEI.2>"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureLogger::Scope log;
        auto reader = std::make_shared<TSPerseusEnglishFileParser>();
        const Value v = reader->parseString(c.xml);
        EXPECT_EQ(v.isDictionary(), c.hasResult);
        EXPECT_TRUE(reader->addressParser()->parserError().has_value());
        EXPECT_TRUE(log->contains(QStringLiteral("Error in parsing")));
    }
    auto reader = std::make_shared<TSPerseusEnglishFileParser>();
    EXPECT_TRUE(reader->parseFileAtLocation(QUrl::fromLocalFile(QStringLiteral("/nonexistent/x.xml"))).isNull());
}

// A cast list with a head (the Latin play's) is named by it.
TEST(TranslationReader, CastListHeadNamesTheList) {
    Reading r = readTranslation(sharedUrl(QStringLiteral("tei2/phi0134.phi001.perseus-lat1.xml")));
    ASSERT_TRUE(r.text);
    auto cast = r.text->information()[QStringLiteral("Cast List")].toObjectAs<VDNewArray>();
    ASSERT_TRUE(cast);
    EXPECT_EQ(cast->name(), QStringLiteral("FABULAE INTERLOCUTORES."));
    ASSERT_EQ(cast->count(), 12u);
    auto first = std::dynamic_pointer_cast<TSCharacter>(cast->objectAtIndex(0));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name(), QStringLiteral("BYRRHIA"));
    EXPECT_EQ(first->roleDescription(), QStringLiteral("servus."));
    EXPECT_EQ(badParentLinks(r.text), 0);
}
