// Saving writes the text as it walks it. The bytes must be those of the
// document's dictionary written whole, for varied documents an independent
// writer made (every kind of value a file may hold, kept or not understood),
// for the same documents after edits, and for the benchmark's kind; and a
// document saved unchanged holds exactly what the file held.

#include "documents/TSDocument.h"

#include "platform/AttributedString.h"
#include "platform/PropertyList.h"
#include "support/Python.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ts;

namespace {

// A seeded document: nested sections, lines with any subset of columns,
// footnotes linked from some, names and strings beyond ASCII, entries and
// children this program does not know, entries of the wrong type, columns
// it cannot read, and shared values.
const char* kWriter = R"PY(
import plistlib, random, sys, datetime
rnd = random.Random(int(sys.argv[2]))
HEADER = (r"{\rtf1\ansi\ansicpg1252\cocoartf2639" "\n"
          r"\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;}" "\n"
          r"{\colortbl;\red255\green255\blue255;}" "\n"
          r"\pard\tx560\tx1120\pardirnatural\partightenfactor0" "\n\n")
def rtf(body): return (HEADER + r"\f0\fs24 \cf0 " + body + "}").encode("cp1252")
count = [0]
def U():
    count[0] += 1
    return "%08X-0000-4000-8000-%012X" % (count[0], count[0] * 7919)
WORDS = "arma virumque cano Troiae qui primus ab oris Italiam fato profugus Laviniaque venit".split()
notes = [("footnote:%032X" % (n + 1)) for n in range(6)]
def text(n): return " ".join(rnd.choice(WORDS) for _ in range(n))
def extra():
    return rnd.choice([7, -3, 2**40, 1.5, True, False, "Mūsa", b"\x00\xff", [1, "two", b"3"], {"k": [{"deep": 1}]},
                       datetime.datetime(2020, 5, 17, 8, 30, 0), ""])
def line(i):
    d = {"ClassName": "TSMatchedChunk"}
    d["uuid"] = U()
    if rnd.random() < 0.8:
        body = text(rnd.randint(1, 12))
        if rnd.random() < 0.2:
            body += r' {\field{\*\fldinst{HYPERLINK "%s"}}{\fldrslt [n]}}' % rnd.choice(notes)
        d["Latin"] = rtf(body)
    if rnd.random() < 0.6: d["English"] = rtf(text(rnd.randint(1, 12)) + r" M\uc0\u363 sa")
    if rnd.random() < 0.3: d["Perseus English"] = rtf(text(5))
    if rnd.random() < 0.7: d["Location"] = rtf(str(i + 1))
    if rnd.random() < 0.05: d["English"] = b"not rich text at all \x01\x02"
    if rnd.random() < 0.05: d["Location"] = "a string, not data"
    if rnd.random() < 0.1: d["Flagged"] = 1
    if rnd.random() < 0.05: d["Flagged"] = "yes"
    if rnd.random() < 0.1: d["name"] = rnd.choice(["Tityrus", "Μελίβοιος", "line %d" % i])
    if rnd.random() < 0.05: d["name"] = 12
    if rnd.random() < 0.1: d["pdfLocation"] = rnd.choice([3, "p. 4", {"page": 5}])
    if rnd.random() < 0.1: d["Unknown %d" % rnd.randint(0, 3)] = extra()
    return d
def section(depth, name):
    d = {"ClassName": "TSMatchedChunk", "uuid": U(), "Latin": rtf(name), "Children": []}
    for i in range(rnd.randint(1, 40)):
        if depth < 3 and rnd.random() < 0.08: d["Children"].append(section(depth + 1, name + "." + str(i)))
        elif rnd.random() < 0.03: d["Children"].append({"ClassName": "Mystery", "what": extra()})
        else: d["Children"].append(line(i))
    return d
info = {"title": "Aeneis", "Cast List": [], "author": "Vergilius"}
if rnd.random() < 0.5: info["extra"] = rnd.choice([7, "Mūsa", {"k": 1}, b"\x00"])
book = {"ClassName": "TSText", "uuid": U(), "Children": [section(0, "Liber %d" % (s + 1)) for s in range(rnd.randint(2, 5))]}
doc = {"Text": {"ClassName": "TSText", "uuid": book["uuid"], "Information": info, "Text": book},
       "pdfURL": b"bookmark", "uuid": U()}
if rnd.random() < 0.5: doc["Text"]["Outer extra"] = extra()
with open(sys.argv[1], "wb") as f:
    plistlib.dump(doc, f, fmt=plistlib.FMT_BINARY)
)PY";

// Compares the saved file's text with the one written, entry by entry.
const char* kCompare = R"PY(
import plistlib, sys
wrote = plistlib.load(open(sys.argv[1], "rb"))
saved = plistlib.load(open(sys.argv[2], "rb"))
def diff(a, b, at):
    if isinstance(a, dict) and isinstance(b, dict):
        for k in sorted(set(a) | set(b)):
            if k not in a or k not in b: print(at + "/" + k, "only in", "saved" if k in b else "written"); continue
            diff(a[k], b[k], at + "/" + k)
    elif isinstance(a, list) and isinstance(b, list) and len(a) == len(b):
        for i, (x, y) in enumerate(zip(a, b)): diff(x, y, at + "/" + str(i))
    elif type(a) != type(b) or a != b:
        print(at, repr(a)[:80], "!=", repr(b)[:80])
diff(wrote["Text"], saved["Text"], "Text")
print(wrote["uuid"] == saved["uuid"], wrote["pdfURL"] == saved["pdfURL"])
)PY";

// The dictionary written whole, as every save did before.
QByteArray wholeDictionaryBytes(const TSDocument& doc) { return PropertyList::writeBinary(Value(doc.serialize())); }

std::vector<TSChunkPtr> allNodes(const TSChunkPtr& root) {
    std::vector<TSChunkPtr> out;
    for (const auto& child : root->childNodes()) {
        out.push_back(child);
        const auto below = allNodes(child);
        out.insert(out.end(), below.begin(), below.end());
    }
    return out;
}

}  // namespace

TEST(DocumentSave, VariedDocumentsSaveTheBytesOfTheirWholeDictionaryAndKeepWhatTheyRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        const QString written = dir.filePath(QStringLiteral("written%1.tsdx").arg(seed));
        const PythonRun w = runPython(QString::fromUtf8(kWriter), {written, QString::number(seed)});
        ASSERT_TRUE(w.started);
        ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();

        auto doc = std::make_shared<TSDocument>();
        ASSERT_TRUE(doc->readFromURL(written, TSDocument::kTypeName, nullptr));
        const QByteArray saved = doc->exportToPListFormat(nullptr);
        ASSERT_FALSE(saved.isEmpty());
        EXPECT_EQ(saved, wholeDictionaryBytes(*doc));

        QFile out(dir.filePath(QStringLiteral("saved%1.tsdx").arg(seed)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(saved);
        out.close();
        const PythonRun r = runPython(QString::fromUtf8(kCompare), {written, out.fileName()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("True True\n")) << "what the save changed:\n" << r.out.toStdString();

        // Edits read some columns, change others, and move nodes about.
        const auto nodes = allNodes(doc->text());
        ASSERT_GT(nodes.size(), 10u);
        for (size_t i = 0; i < nodes.size(); i += 3) {
            const auto& node = nodes[i];
            node->textForKey(QStringLiteral("latin"));  // read, not changed
            if (i % 2) node->setTextForKey(AttributedString::make(QStringLiteral("Mūsa, mihi causās memorā %1").arg(i)),
                                           QStringLiteral("english"));
            if (i % 5 == 0) node->setFlagged(!node->flagged());
        }
        auto added = std::make_shared<TSMatchedChunk>();
        added->setTextForKey(AttributedString::make(QStringLiteral("new line")), QStringLiteral("latin"));
        nodes[1]->parent()->addChild(added);
        nodes[2]->parent()->removeChild(nodes[2]);
        doc->footnotes()->makeNewNote();  // linked from nowhere: left out of both
        const QByteArray edited = doc->exportToPListFormat(nullptr);
        EXPECT_NE(edited, saved);
        EXPECT_EQ(edited, wholeDictionaryBytes(*doc));
    }
}

// The benchmark's kind of document: one long section, every tenth line's
// translation linking a footnote, columns unread except those a link made
// the save read; then again with every column read and some edited.
TEST(DocumentSave, LongSectionWithFootnotesSavesTheBytesOfItsWholeDictionary) {
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setTextForKey(AttributedString::make(QStringLiteral("Liber I")), QStringLiteral("latin"));
    text->addChild(section);
    auto notes = std::make_shared<FootnoteList>();
    for (int n = 0; n < 3000; ++n) {
        auto line = std::make_shared<TSMatchedChunk>();
        auto english = AttributedString::make(QStringLiteral("I sing of arms and the man %1 [*]").arg(n));
        if (n % 10 == 0) {
            auto note = notes->makeNewNote();
            note->setNoteFromString(QStringLiteral("A note on line %1").arg(n));
            TSText::linkText(*english, note->uniqueID(), {english->length() - 3, 3});
        }
        line->setTextForKey(english, QStringLiteral("english"));
        line->setTextForKey(AttributedString::make(QStringLiteral("arma virumque cano %1").arg(n)), QStringLiteral("latin"));
        line->setTextForKey(AttributedString::make(QString::number(n + 1)), QStringLiteral("location"));
        section->addChild(line);
    }
    auto made = std::make_shared<TSDocument>();
    made->setText(text);
    made->setFootnotes(notes);
    const QByteArray first = made->exportToPListFormat(nullptr);
    EXPECT_EQ(first, wholeDictionaryBytes(*made));

    auto doc = std::make_shared<TSDocument>();
    ASSERT_TRUE(doc->readFromData(first, TSDocument::kTypeName, nullptr));
    EXPECT_EQ(doc->exportToPListFormat(nullptr), first) << "a document saved unchanged writes what it read";
    EXPECT_EQ(doc->exportToPListFormat(nullptr), wholeDictionaryBytes(*doc));
    const auto lines = doc->text()->childAt(0)->childNodes();
    for (size_t i = 0; i < lines.size(); i += 7)
        lines[i]->setTextForKey(AttributedString::make(QStringLiteral("changed %1").arg(i)), QStringLiteral("english"));
    const QByteArray edited = doc->exportToPListFormat(nullptr);
    EXPECT_NE(edited, first);
    EXPECT_EQ(edited, wholeDictionaryBytes(*doc));
}
