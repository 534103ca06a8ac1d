// The real Perseus sources converted under the bundled settings, checked
// against counts and lines that python3 reads from the same XML on its own.

#include "ImportTestSupport.h"
#include "support/Python.h"

#include "platform/PropertyList.h"
#include "platform/Url.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Reads the TEI file with ElementTree (entities from Python's own HTML
// table) and models what the settings ask for: which elements make books,
// sections and lines, and each line's words with white space collapsed.
const char* kReference = R"PY(
import sys, re, json, html.entities, xml.etree.ElementTree as ET
path, kind = sys.argv[1], sys.argv[2]
t = open(path, encoding='utf-8').read()
t = re.sub(r'<!DOCTYPE.*?\]>', '', t, count=1, flags=re.S)
def ent(m):
    n = m.group(1)
    if n in ('amp', 'lt', 'gt', 'quot', 'apos'): return m.group(0)
    return html.entities.html5.get(n + ';', n)
t = re.sub(r'&([A-Za-z][A-Za-z0-9.]*);', ent, t)
root = ET.fromstring(t)
body = root.find('.//body')
norm = lambda s: ' '.join(s.split())
def text(e, skip=('note',)):
    out = []
    def rec(x, top):
        if not top and x.tag in skip:
            out.append(x.tail or ''); return
        if x.tag == 'gap': out.append('<\u2026>')
        out.append(x.text or '')
        for c in x: rec(c, False)
        if not top: out.append(x.tail or '')
    rec(e, True)
    return norm(''.join(out))
lines, notes, books, sections = [], 0, 0, 0
locs = []
if kind in ('eclogues-lat', 'eclogues-eng'):
    books, sections = 1, len(body.findall('.//div1'))
    for e in body.iter():
        # A poem's head is its first row: the Latin and the English heads
        # meet there.
        if e.tag in ('head', 'speaker', 'l'):
            lines.append(text(e)); locs.append(e.get('n') if (e.tag == 'l' and kind == 'eclogues-lat') else None)
elif kind == 'amphitruo-lat':
    books, sections = len(body.findall('.//div1')), len(body.findall('.//div2'))
    for e in body.iter():
        if e.tag in ('speaker', 'l'):
            lines.append(text(e)); locs.append(e.get('n') if e.tag == 'l' else None)
elif kind == 'amphitruo-eng':
    books = 1
    SECTION, ROLE3 = {'castList', 'div1', 'div2'}, {'castItem', 'head', 'speaker', 'p'}
    sections = sum(1 for e in body.iter() if e.tag in SECTION)
    loose = [False]
    def walk(e, in_section):
        global notes
        for c in e:
            if c.tag in SECTION:
                loose[0] = False; walk(c, True)
            elif c.tag in ROLE3:
                has_note = any(True for n in c.iter('note'))
                notes += sum(1 for n in c.iter('note'))
                greek = any(x.get('lang') == 'greek' for x in c.iter())
                lines.append(None if (has_note or greek) else text(c)); locs.append(None); loose[0] = False
            elif c.tag in ('sp', 'castGroup'):
                walk(c, False)
            elif in_section and c.tag == 'note':
                # A footnote, linked from the line before it.
                notes += 1
                if lines: lines[-1] = None
            elif in_section and c.tag == 'stage' and norm(''.join(c.itertext())):
                piece = text(c, skip=())
                if loose[0]: lines[-1] = (lines[-1] + ' ' + piece) if lines[-1] is not None else None
                else: lines.append(piece); locs.append(None)
                loose[0] = True
    walk(body, False)
    first = next(body.iter('note'))
    print(json.dumps({'firstNote': text(first, skip=())}), file=sys.stderr)
elif kind == 'ls-subset':
    books, sections = 1, len(body.findall('.//div0'))
    for e in body.iter('entryFree'):
        lines.append(text(e)); locs.append(e.get('key'))
n = len(lines)
picks, seen = [], set()
for k in range(12):
    i = (k * n) // 12
    while i < n and (lines[i] is None or i in seen): i += 1
    if i < n: seen.add(i); picks.append([i, lines[i], locs[i]])
print(json.dumps({'books': books, 'sections': sections, 'lines': n, 'notes': notes, 'samples': picks,
                  'every': [[lines[i], locs[i]] for i in range(n)]}))
)PY";

struct Golden {
    const char* base;
    const char* identifier;
    // What the shipped settings deliberately leave out, read off the XML.
    const char* report = "";
};

class GoldenConversion : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenConversion, CountsAndSampledLinesMatchAnIndependentReading) {
    const Golden g = GetParam();
    const QString path = teiPath(QString::fromLatin1(g.base));
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    const PythonRun py = runPython(QString::fromUtf8(kReference), {path, QString::fromLatin1(g.base)});
    ASSERT_TRUE(py.started);
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject expected = QJsonDocument::fromJson(py.out.toUtf8()).object();

    const Conversion c = convert(path, presetFor(QString::fromLatin1(g.base)), QString::fromLatin1(g.identifier));
    ASSERT_TRUE(c.result.isDictionary()) << c.parser->errorMessage().toStdString();
    EXPECT_TRUE(c.parser->errorMessage().isEmpty());
    EXPECT_EQ(c.parser->passagesNotPlaced(), 0);
    EXPECT_EQ(c.result[QStringLiteral("Report")].toString(), QString::fromUtf8(g.report));

    const auto& books = c.parser->texts();
    ASSERT_EQ(qint64(books.size()), expected[QStringLiteral("books")].toInteger());
    EXPECT_EQ(qint64(c.result[QStringLiteral("Books")].array().size()), qint64(books.size()));
    std::vector<TSMatchedChunkPtr> sections, lines;
    for (const TSTextPtr& b : books) {
        collectChunks(b, 2, sections);
        collectChunks(b, 3, lines);
    }
    EXPECT_EQ(qint64(sections.size()), expected[QStringLiteral("sections")].toInteger());
    ASSERT_EQ(qint64(lines.size()), expected[QStringLiteral("lines")].toInteger());

    qint64 notes = 0;
    for (const FootnoteListPtr& l : c.parser->footnoteLists()) notes += l->count();
    EXPECT_EQ(notes, expected[QStringLiteral("notes")].toInteger());

    const QString key = QString::fromLatin1(g.identifier);
    const QJsonArray samples = expected[QStringLiteral("samples")].toArray();
    EXPECT_GE(samples.size(), 4);
    for (const QJsonValue& s : samples) {
        const QJsonArray sample = s.toArray();
        const qsizetype index = sample.at(0).toInteger();
        const TSMatchedChunkPtr& line = lines.at(size_t(index));
        const ts::AttributedStringPtr text = line->textForKey(key);
        ASSERT_TRUE(text) << "line " << index;
        EXPECT_EQ(text->string(), sample.at(1).toString()) << "line " << index;
        if (!sample.at(2).isNull()) {
            ASSERT_TRUE(line->location()) << "line " << index;
            EXPECT_EQ(line->location()->string(), sample.at(2).toString()) << "line " << index;
        }
    }
}

// The whole result, not a sample: every line's words and location against
// the independent reading, and every book saved, read back as a document
// reads it and saved again to the very same bytes, rich text included.
TEST_P(GoldenConversion, EveryLineMatchesAndSurvivesSavingAndReading) {
    const Golden g = GetParam();
    const QString path = teiPath(QString::fromLatin1(g.base));
    const PythonRun py = runPython(QString::fromUtf8(kReference), {path, QString::fromLatin1(g.base)});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonArray every = QJsonDocument::fromJson(py.out.toUtf8()).object()[QStringLiteral("every")].toArray();
    ASSERT_FALSE(every.isEmpty());

    const Conversion c = convert(path, presetFor(QString::fromLatin1(g.base)), QString::fromLatin1(g.identifier));
    ASSERT_TRUE(c.result.isDictionary());
    registerTextModelClasses();
    const QString key = QString::fromLatin1(g.identifier);
    // The kinds of node are import-time labels, not saved: the lines read
    // back are found at the places the converted ones hold.
    std::vector<TSMatchedChunkPtr> lines;
    const std::function<void(const TSChunkPtr&, const TSChunkPtr&)> pair = [&](const TSChunkPtr& made,
                                                                              const TSChunkPtr& read) {
        const std::vector<TSChunkPtr> a = made->childNodes(), b = read->childNodes();
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i]->chunkType() == 3) lines.push_back(std::dynamic_pointer_cast<TSMatchedChunk>(b[i]));
            pair(a[i], b[i]);
        }
    };
    for (const TSTextPtr& book : c.parser->texts()) {
        const QByteArray saved = ts::PropertyList::writeBinary(book->serialize());
        ASSERT_FALSE(saved.isEmpty());
        const ts::PlistResult read = ts::PropertyList::read(saved);
        ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
        const TSChunkPtr reread = TSChunk::dataFromDictionary(read.value);
        ASSERT_TRUE(reread);
        EXPECT_EQ(ts::PropertyList::writeBinary(reread->serialize()), saved);
        pair(book, reread);
    }
    ASSERT_EQ(qsizetype(lines.size()), every.size());
    for (qsizetype i = 0; i < every.size(); ++i) {
        const QJsonArray want = every[i].toArray();
        const TSMatchedChunkPtr& line = lines[size_t(i)];
        ASSERT_TRUE(line) << "line " << i;
        // Lines holding a note or Greek are told apart by the tests above.
        if (!want.at(0).isNull()) {
            const ts::AttributedStringPtr text = line->textForKey(key);
            EXPECT_EQ(text ? text->string() : QString(), want.at(0).toString()) << "line " << i;
        }
        if (!want.at(1).isNull()) {
            const ts::AttributedStringPtr location = line->location();
            EXPECT_EQ(location ? location->string() : QString(), want.at(1).toString()) << "line " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RealSources, GoldenConversion,
                         ::testing::Values(Golden{"eclogues-lat", "latin"}, Golden{"eclogues-eng", "perseusEnglish"},
                                           // The sources of the 18 quoted fragments; the letter's head "A".
                                           Golden{"amphitruo-lat", "latin",
                                                  "18 passages dropped by the element settings (bibl 18)"},
                                           Golden{"amphitruo-eng", "perseusEnglish"},
                                           Golden{"ls-subset", "latin", "1 passage dropped by the element settings (head 1)"}),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param.base).remove(QLatin1Char('-')).toStdString();
                         });

// Every "[n]" in the translation links to a footnote of its book, numbered
// from 1 in reading order, and the Beta Code passage of a note is Greek.
TEST(GoldenNotes, NotesBecomeFootnotesLinkedInOrder) {
    const QString path = teiPath(QStringLiteral("amphitruo-eng"));
    const PythonRun py = runPython(QString::fromUtf8(kReference), {path, QStringLiteral("amphitruo-eng")});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QString firstNote = QJsonDocument::fromJson(py.err.toUtf8()).object()[QStringLiteral("firstNote")].toString();

    const Conversion c = convert(path, presetFor(QStringLiteral("amphitruo-eng")), QStringLiteral("perseusEnglish"));
    ASSERT_EQ(c.parser->footnoteLists().size(), size_t(1));
    const FootnoteListPtr notes = c.parser->footnoteLists().front();
    std::vector<TSMatchedChunkPtr> lines;
    collectChunks(c.parser->texts().front(), 3, lines);

    static const QRegularExpression marker(QStringLiteral("\\[(\\d+)\\]"));
    qint64 expectedNumber = 1;
    QStringList linkedIds;
    for (const TSMatchedChunkPtr& line : lines) {
        const ts::AttributedStringPtr text = line->perseusEnglish();
        if (!text) continue;
        auto it = marker.globalMatch(text->string());
        while (it.hasNext()) {
            const auto m = it.next();
            EXPECT_EQ(m.captured(1).toLongLong(), expectedNumber++);
            const ts::Value link = text->attribute(ts::AttributeName::Link, m.capturedStart());
            const auto url = link.toObjectAs<ts::Url>();
            ASSERT_TRUE(url) << m.captured(0).toStdString();
            const FootnoteObjectPtr note = notes->noteForID(url->absoluteString());
            ASSERT_TRUE(note) << url->absoluteString().toStdString();
            EXPECT_EQ(text->attribute(ts::AttributeName::Link, m.capturedEnd() - 1), link);
            linkedIds << url->absoluteString();
        }
    }
    EXPECT_EQ(expectedNumber - 1, notes->count());
    EXPECT_EQ(linkedIds.size(), QSet<QString>(linkedIds.begin(), linkedIds.end()).size());

    // The first link's footnote holds the first note's text; one note holds
    // the Greek word the source wrote in Beta Code.
    const FootnoteObjectPtr first = notes->noteForID(linkedIds.value(0));
    ASSERT_TRUE(first && first->attributedString());
    EXPECT_EQ(first->attributedString()->string(), firstNote);
    bool greek = false;
    for (const auto& [id, note] : notes->notes()) {
        const ts::AttributedStringPtr t = note->attributedString();
        ASSERT_TRUE(t) << id.toStdString();
        EXPECT_FALSE(t->string().isEmpty());
        EXPECT_FALSE(t->string().contains(QLatin1String("o)/rnis")));
        if (t->string().normalized(QString::NormalizationForm_C).contains(QStringLiteral("\u1F44\u03C1\u03BD\u03B9"))) greek = true;
    }
    EXPECT_TRUE(greek);
}

}  // namespace

namespace {

// The body of the TEI file named on the command line, as ElementTree reads
// it, with the named entities from Python's own HTML table.
const char* kReadBody = R"PY(
import sys, re, json, html.entities, xml.etree.ElementTree as ET
t = open(sys.argv[1], encoding='utf-8').read()
t = re.sub(r'<!DOCTYPE.*?\]>', '', t, count=1, flags=re.S)
def ent(m):
    n = m.group(1)
    if n in ('amp', 'lt', 'gt', 'quot', 'apos'): return m.group(0)
    return html.entities.html5.get(n + ';', n)
t = re.sub(r'&([A-Za-z][A-Za-z0-9.]*);', ent, t)
body = ET.fromstring(t).find('.//body')
)PY";

// Every verse line of a file, its words with white space collapsed, as
// ElementTree reads them (the bracketed and added words included).
const char* kVerseLines = R"PY(
print(json.dumps({'books': len(body.findall('div1')), 'sections': len(body.findall('.//div2')),
                  'lines': [' '.join(''.join(l.itertext()).split()) for l in body.iter('l')]}))
)PY";

}  // namespace

// Horace's Satires under the settings a new element gets (the survey's
// names, each preset by its name), with verse lines made lines and the card
// milestones ignored as a reader of verse would set them: the lines holding
// bracketed (deleted) and added words keep them, and nothing is lost.
TEST(GoldenDefaults, HoraceUnderDefaultSettingsKeepsEveryLine) {
    const QString path = sharedPath(QStringLiteral("data/tei2/phi0893.phi004.perseus-lat1.xml"));
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    const PythonRun py = runPython(QString::fromUtf8(kReadBody) + QString::fromUtf8(kVerseLines), {path});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject expected = QJsonDocument::fromJson(py.out.toUtf8()).object();

    TSBodyElementParser survey;
    survey.setCurIdentifier(QStringLiteral("latin"));
    const ts::Value found = survey.parseFileAtLocation(QUrl::fromLocalFile(path));
    ASSERT_TRUE(found.isDictionary());
    auto settings = TSElementArray::array();
    settings->setStoredData(VDNewArray::Members{});
    for (const ts::Value& name : found[QStringLiteral("Elements")].array()) {
        auto e = std::make_shared<TSImportElement>();
        e->setName(name.toString());
        settings->addObject(e);
    }
    ASSERT_TRUE(settings->elementNamed(QStringLiteral("del")));
    settings->elementNamed(QStringLiteral("l"))->setStore(TSImportElement::SubsectionOf);
    settings->elementNamed(QStringLiteral("l"))->setIdSource(QStringLiteral("n"));
    settings->elementNamed(QStringLiteral("milestone"))->setStore(TSImportElement::Ignore);

    const Conversion c = convert(path, settings, QStringLiteral("latin"));
    ASSERT_TRUE(c.result.isDictionary());
    EXPECT_EQ(c.parser->passagesNotPlaced(), 0);
    EXPECT_EQ(c.parser->passagesDropped(), 0);
    EXPECT_FALSE(c.result.contains(QStringLiteral("Report")));
    ASSERT_EQ(qint64(c.parser->texts().size()), expected[QStringLiteral("books")].toInteger());
    std::vector<TSMatchedChunkPtr> sections, lines;
    for (const TSTextPtr& b : c.parser->texts()) {
        collectChunks(b, 2, sections);
        collectChunks(b, 3, lines);
    }
    EXPECT_EQ(qint64(sections.size()), expected[QStringLiteral("sections")].toInteger());
    const QJsonArray want = expected[QStringLiteral("lines")].toArray();
    ASSERT_EQ(qsizetype(lines.size()), want.size());
    EXPECT_EQ(want.size(), 2116);
    QStringList bracketed;
    for (qsizetype i = 0; i < want.size(); ++i) {
        // Three verses of the file are empty elements.
        const ts::AttributedStringPtr latin = lines[size_t(i)]->latin();
        const QString text = latin ? latin->string() : QString();
        EXPECT_EQ(text, want[i].toString()) << i;
        if (text.startsWith(QLatin1String("dives agris")) || text.startsWith(QLatin1String("quod latus aut renes")) ||
            text.contains(QLatin1String("peregreve")))
            bracketed << text;
    }
    EXPECT_EQ(bracketed, (QStringList{"dives agris, dives positis in fenore nummis:",
                                      "et comes alter, uti ne solus rusve peregreve",
                                      "quod latus aut renes morbo temptentur acuto"}));

    // Under the milestone's own preset (a section per milestone), the 27
    // numbered card milestones inside verses split none of them and make no
    // section.
    TSImportElementPtr milestone = settings->elementNamed(QStringLiteral("milestone"));
    milestone->setStore(TSImportElement::NewSection);
    milestone->setIdSource(QStringLiteral("n"));
    milestone->setNameSource(QStringLiteral("{} n"));
    const Conversion cards = convert(path, settings, QStringLiteral("latin"));
    std::vector<TSMatchedChunkPtr> cardSections, cardLines;
    for (const TSTextPtr& b : cards.parser->texts()) {
        collectChunks(b, 2, cardSections);
        collectChunks(b, 3, cardLines);
    }
    EXPECT_EQ(cardSections.size(), sections.size());
    ASSERT_EQ(cardLines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const ts::AttributedStringPtr a = lines[i]->latin(), b = cardLines[i]->latin();
        EXPECT_EQ(a ? a->string() : QString(), b ? b->string() : QString()) << i;
    }
}

namespace {

// The words of every note in the body of a TEI file, as ElementTree reads
// them (entities from Python's own HTML table), without its lemma: that
// quotes the text the note is about.
const char* kNoteTexts = R"PY(
def words(e, top=True):
    if e.tag == 'lemma': return e.tail or ''
    out = [e.text or '']
    for c in e: out.append(words(c, False))
    if not top: out.append(e.tail or '')
    return ''.join(out)
print(json.dumps([' '.join(words(n).split()) for n in body.iter('note')]))
)PY";

// Settings a reader would give any of the texts: the body one book, each
// division a section, each paragraph, verse, speaker and cast entry a line,
// milestones and page breaks nothing, notes footnotes, and every other
// element's words kept where they stand.
TSElementArrayPtr linesAndNotes(const QString& path) {
    TSBodyElementParser survey;
    survey.setCurIdentifier(QStringLiteral("latin"));
    const ts::Value found = survey.parseFileAtLocation(QUrl::fromLocalFile(path));
    auto settings = TSElementArray::array();
    settings->setStoredData(VDNewArray::Members{});
    static const QSet<QString> lines = {"p", "l", "speaker", "castItem"}, marks = {"milestone", "pb", "lb"};
    for (const ts::Value& v : found[QStringLiteral("Elements")].array()) {
        const QString name = v.toString();
        auto e = std::make_shared<TSImportElement>();
        e->VDData::setName(name);
        if (name == QLatin1String("body")) e->setStore(TSImportElement::NewBook);
        else if (name.startsWith(QLatin1String("div")) || name == QLatin1String("castList")) e->setStore(TSImportElement::NewSection);
        else if (lines.contains(name)) e->setStore(TSImportElement::SubsectionOf);
        else if (name == QLatin1String("note")) e->setStore(TSImportElement::Note);
        else if (!marks.contains(name)) e->setStore(TSImportElement::Append);
        settings->addObject(e);
    }
    return settings;
}

}  // namespace

// Every real TEI text: as many footnotes as notes, and the words of no note
// in any line, wherever the note stands.
TEST(GoldenNotes, EveryNoteOfEveryRealTextIsAFootnote) {
    QStringList files;
    for (const char* dir : {"data/tei", "data/tei2"})
        for (const QFileInfo& f : QDir(sharedPath(QString::fromLatin1(dir))).entryInfoList({QStringLiteral("*.xml")}, QDir::Files))
            files << f.filePath();
    ASSERT_GE(files.size(), 11);
    qint64 checked = 0;
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        const PythonRun py = runPython(QString::fromUtf8(kReadBody) + QString::fromUtf8(kNoteTexts), {path});
        ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
        const QJsonArray notes = QJsonDocument::fromJson(py.out.toUtf8()).array();
        const QString key = TSBodyElementParser::identifierForSource(QUrl::fromLocalFile(path));
        const Conversion c = convert(path, linesAndNotes(path), key);
        ASSERT_TRUE(c.result.isDictionary());
        qint64 footnotes = 0;
        for (const FootnoteListPtr& l : c.parser->footnoteLists()) footnotes += l->count();
        EXPECT_EQ(footnotes, notes.size());
        QStringList lineTexts;
        for (const TSTextPtr& b : c.parser->texts()) {
            std::vector<TSMatchedChunkPtr> lines;
            collectChunks(b, 3, lines);
            for (const TSMatchedChunkPtr& l : lines)
                if (const ts::AttributedStringPtr t = l->textForKey(key)) lineTexts << t->string();
        }
        const QString all = lineTexts.join(QLatin1Char('\n'));
        for (const QJsonValue& n : notes) {
            // Three words or more: a shorter note may well be said in the text too.
            const QStringList words = n.toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.size() < 3) continue;
            EXPECT_FALSE(all.contains(words.mid(0, 4).join(QLatin1Char(' ')))) << n.toString().toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 400);
}

namespace {

// The body's text in reading order, as runs of [text, whether the settings
// may leave it out]: the words of elements whose role drops them (and of
// the appended elements inside those), Greek (converted, not copied) and
// the loose words of a book element, and words before any book (reported as
// not placed). Notes are left out: they become
// footnotes. argv[2] maps element names to their roles.
const char* kRuns = R"PY(
roles = json.loads(sys.argv[2])
runs = []
def add(text, drop):
    if text: runs.append([text, drop])
def walk(e, dropped, book):
    r = roles.get(e.tag, 0)
    book = book or r == 1
    if r in (1, 2, 3, 8): own = False
    elif r in (4, 5): own = dropped
    else: own = True
    if e.get('lang') == 'greek' or not book: own = True
    add(e.text, own or r == 1)
    for c in e:
        if c.tag != 'note': walk(c, own, book)
        add(c.tail, own or r == 1)
walk(body, True, False)
print(json.dumps(runs))
)PY";

QString letters(const QString& s) {
    QString out;
    for (QChar c : s)
        if (c.unicode() < 128 && c.isLetterOrNumber()) out += c;
    return out;
}

void documentText(const TSChunkPtr& node, QString& out) {
    static const QRegularExpression marker(QStringLiteral("\\[\\d+\\]"));
    for (const TSChunkPtr& c : node->childNodes()) {
        for (const QString key : {QStringLiteral("latin"), QStringLiteral("perseusEnglish")})
            if (const ts::AttributedStringPtr t = c->textForKey(key)) out += letters(QString(t->string()).remove(marker));
        documentText(c, out);
    }
}

}  // namespace

// Every real text under the settings a new element gets (the body a book
// where no element is one): every word the settings keep is in the
// document, in the source's order, under its own book; De Senectute's
// chapters without a section mark included, whose 85 books each hold their
// text and lose nothing but the work's title.
TEST(GoldenDefaults, EveryKeptWordOfEveryRealTextInItsOrder) {
    QStringList files;
    for (const char* dir : {"data/tei", "data/tei2"})
        for (const QFileInfo& f : QDir(sharedPath(QString::fromLatin1(dir))).entryInfoList({QStringLiteral("*.xml")}, QDir::Files))
            files << f.filePath();
    ASSERT_GE(files.size(), 11);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        TSBodyElementParser survey;
        survey.setCurIdentifier(QStringLiteral("latin"));
        const ts::Value found = survey.parseFileAtLocation(QUrl::fromLocalFile(path));
        auto settings = TSElementArray::array();
        settings->setStoredData(VDNewArray::Members{});
        QJsonObject roles;
        for (const ts::Value& name : found[QStringLiteral("Elements")].array()) {
            auto e = std::make_shared<TSImportElement>();
            e->setName(name.toString());
            settings->addObject(e);
        }
        bool book = false;
        for (const TSImportElementPtr& e : settings->elements()) book = book || e->store() == TSImportElement::NewBook;
        if (!book) settings->elementNamed(QStringLiteral("body"))->setStore(TSImportElement::NewBook);
        for (const TSImportElementPtr& e : settings->elements()) roles[e->name()] = qint64(e->store());
        const PythonRun py = runPython(QString::fromUtf8(kReadBody) + QString::fromUtf8(kRuns),
                                       {path, QString::fromUtf8(QJsonDocument(roles).toJson(QJsonDocument::Compact))});
        ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
        const QJsonArray runs = QJsonDocument::fromJson(py.out.toUtf8()).array();

        const QString key = TSBodyElementParser::identifierForSource(QUrl::fromLocalFile(path));
        const Conversion c = convert(path, settings, key);
        ASSERT_TRUE(c.result.isDictionary());
        QString document;
        qint64 emptyBooks = 0;
        for (const TSTextPtr& b : c.parser->texts()) {
            QString own;
            documentText(b, own);
            emptyBooks += own.isEmpty();
            document += own;
        }
        // Each kept run follows the one before it, with at most the letters
        // of the runs the settings may drop between them.
        qsizetype at = 0, droppable = 0;
        qint64 kept = 0;
        for (const QJsonValue& v : runs) {
            const QString run = letters(v.toArray().at(0).toString());
            if (run.isEmpty()) continue;
            if (v.toArray().at(1).toBool()) {
                droppable += run.size();
                continue;
            }
            const qsizetype found = document.indexOf(run, at);
            ASSERT_TRUE(found >= 0 && found - at <= droppable)
                << "lost or moved at letter " << at << ": " << run.left(60).toStdString()
                << "\n document has: " << document.mid(at, 60).toStdString();
            at = found + run.size();
            droppable = 0;
            ++kept;
        }
        EXPECT_LE(document.size() - at, droppable) << document.mid(at, 60).toStdString();
        if (path.endsWith(QLatin1String("phi0474.phi051.perseus-lat1.xml"))) {
            EXPECT_EQ(c.parser->texts().size(), 85u);
            EXPECT_EQ(emptyBooks, 0);
            EXPECT_EQ(c.result[QStringLiteral("Report")].toString(),
                      QStringLiteral("1 passage dropped by the element settings (head 1)"));
            EXPECT_GT(kept, 500);
        }
    }
}
