// The two-pane document's file: an archive written by python3's plistlib
// opens with both texts, notes, vocabulary, image and identity; a save reads
// back in plistlib as the eight elements; bad files are refused; footnote
// markers number in text order with the first number winning.

#include "documents/MyDocument.h"

#include "morphology/WordController.h"
#include "platform/Color.h"
#include "platform/KeyedArchiver.h"
#include "platform/Rtf.h"
#include "platform/SearchIndex.h"
#include "platform/Url.h"
#include "support/Python.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ts;

namespace {

// An index item of identifier, title and text only.
ts::SearchableItem searchItem(const QString& id, const QString& title, const QString& text) {
    ts::SearchableItem item;
    item.uniqueIdentifier = id;
    item.title = title;
    item.textContent = text;
    return item;
}

const QString kNote = QStringLiteral("footnote:000102030405060708090A0B0C0D0E0F");
const QString kUuid = QStringLiteral("1B4E28BA-2FA1-11D2-883F-0016D3CCA427");

const char* kWriter = R"PY(
import plistlib, sys
from plistlib import UID
HEADER = (r"{\rtf1\ansi\ansicpg1252\cocoartf2639" "\n"
          r"\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;}" "\n"
          r"{\colortbl;\red255\green255\blue255;\red200\green0\blue0;}" "\n"
          r"\pard\tx560\tx1120\pardirnatural\partightenfactor0" "\n\n")
def rtf(body): return (HEADER + r"\f0\fs24 \cf2 " + body + "}").encode("cp1252")
objs = ["$null"]
def add(o):
    objs.append(o); return UID(len(objs) - 1)
classes = {}
def klass(*names):
    if names[0] not in classes:
        classes[names[0]] = add({"$classname": names[0], "$classes": list(names) + ["NSObject"]})
    return classes[names[0]]
def archive(build):
    global objs, classes
    objs, classes = ["$null"], {}
    root = build()
    return plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root}, "$objects": objs},
                          fmt=plistlib.FMT_BINARY)
def notes():
    n = add({"$class": klass("FootnoteObject"), "$0": 3, "$1": add({"$class": klass("NSUUID"), "NS.uuidbytes": bytes(range(16))}),
             "$2": add("Gallia"), "$3": add(sys.argv[2]), "$4": add(rb"{\rtf1\ansi{\fonttbl\f0\fswiss Helvetica;}\f0 the whole of Gaul}")})
    return add({"$class": klass("NSMutableDictionary", "NSDictionary"), "NS.keys": [add(sys.argv[2])], "NS.objects": [n]})
notes_data = archive(notes)
link = r'{\field{\*\fldinst{HYPERLINK "%s"}}{\fldrslt [1]}}' % sys.argv[2]
latin = rtf(r"Gallia est omnis divisa in partes tr\uc0\u275 s" + link)
english = rtf("All Gaul is divided into three parts")
png = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c4944415408d763f8ffff3f0005fe02fea7d6a4c80000000049454e44ae426082")
def top():
    items = [add(latin), add(english), add(notes_data), add(b""),
             add({"$class": klass("NSValue"), "NS.special": 3, "NS.rectval": "{{10, 20}, {800, 600}}"}),
             add("10 20 800 600 0 0 1920 1080 "), add(png), add(sys.argv[3])]
    return add({"$class": klass("NSMutableArray", "NSArray"), "NS.objects": items})
with open(sys.argv[1], "wb") as f:
    f.write(archive(top))
)PY";

const char* kReader = R"PY(
import plistlib, sys
a = plistlib.load(open(sys.argv[1], "rb"))
o = a["$objects"]
d = lambda u: o[u.data] if isinstance(u, plistlib.UID) else u
root = d(a["$top"]["root"])
items = [d(x) for x in root["NS.objects"]]
print(len(items), d(root["$class"])["$classname"])
print(b"Gallia" in items[0], b"Gaul" in items[1], type(items[2]).__name__, type(items[3]).__name__)
print(items[4]["NS.special"], d(items[6]["$class"])["$classname"] if isinstance(items[6], dict) else type(items[6]).__name__, items[7])
)PY";

AttributedString linked(const QString& text, const QString& id) {
    Attributes a;
    a[AttributeName::Link] = Value(Url::make(id));
    return AttributedString(text, a);
}

}  // namespace

TEST(MyDocumentFile, OpensWhatPlistlibWroteAndSavesEightElements) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gallia.tsmd"));
    const PythonRun w = runPython(QString::fromUtf8(kWriter), {path, kNote, kUuid});
    ASSERT_TRUE(w.started);
    ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(MyDocument::isDocumentData(bytes));

    auto doc = std::make_shared<MyDocument>();
    DocumentError error;
    ASSERT_TRUE(doc->readFromData(bytes, MyDocument::kTypeName, &error)) << error.description.toStdString();
    EXPECT_EQ(doc->latin().string(), QStringLiteral("Gallia est omnis divisa in partes trēs[1]"));
    EXPECT_EQ(doc->english().string(), QStringLiteral("All Gaul is divided into three parts"));
    // The saved red gives way to the standard text colour.
    const Value colour = doc->latin().attribute(AttributeName::ForegroundColor, 0);
    ASSERT_TRUE(colour.toObjectAs<Color>());
    EXPECT_TRUE(colour.toObjectAs<Color>()->isEqual(*Color::textColor()));
    ASSERT_TRUE(doc->footnotes()->noteForID(kNote));
    EXPECT_EQ(doc->footnotes()->noteForID(kNote)->title(), QStringLiteral("Gallia"));
    EXPECT_FALSE(doc->imageData().isEmpty());
    EXPECT_EQ(doc->uuid().UUIDString(), kUuid);
    ASSERT_EQ(FootnoteText::footnoteLinks(doc->latin()).size(), 1u);

    // A note nobody links to is left out of the file but kept open.
    doc->footnotes()->makeNewNote();
    ASSERT_EQ(doc->footnotes()->count(), 2);
    const QString saved = dir.filePath(QStringLiteral("saved.tsmd"));
    ASSERT_TRUE(doc->writeToURL(saved, MyDocument::kTypeName, &error));
    EXPECT_EQ(doc->footnotes()->count(), 2);
    const PythonRun r = runPython(QString::fromUtf8(kReader), {saved});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("8 NSMutableArray\nTrue True bytes bytes\n3 bytes %1").arg(kUuid)) << r.out.toStdString();

    auto again = std::make_shared<MyDocument>();
    ASSERT_TRUE(again->readFromURL(saved, MyDocument::kTypeName, &error));
    EXPECT_EQ(again->latin().string(), doc->latin().string());
    EXPECT_EQ(again->footnotes()->count(), 1);
    EXPECT_EQ(again->imageData(), doc->imageData());
}

TEST(MyDocumentFile, NoImageIsNullAndShortArraysKeepDefaults) {
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(AttributedString(QStringLiteral("arma virumque")));
    const QByteArray data = doc->archive();
    auto back = std::make_shared<MyDocument>();
    ASSERT_TRUE(back->loadFromArchive(data).isEmpty());
    EXPECT_TRUE(back->imageData().isEmpty());
    EXPECT_EQ(back->uuid().UUIDString(), doc->uuid().UUIDString());

    // Two elements: texts only, a new identity.
    ValueArray two{Value(writeRtf(AttributedString(QStringLiteral("cano")))), Value(writeRtf(AttributedString()))};
    auto shortDoc = std::make_shared<MyDocument>();
    ASSERT_TRUE(shortDoc->loadFromArchive(KeyedArchiver::archivedDataWithRootObject(Value(two))).isEmpty());
    EXPECT_EQ(shortDoc->latin().string(), QStringLiteral("cano"));
    EXPECT_EQ(shortDoc->footnotes()->count(), 0);
}

TEST(MyDocumentFile, UnreadableFilesAreRefusedAndLeaveTheDocument) {
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(AttributedString(QStringLiteral("kept")));
    const QByteArray notRtf = KeyedArchiver::archivedDataWithRootObject(Value(ValueArray{Value(QByteArray("plain")), Value(QByteArray("x"))}));
    for (const QByteArray& bad : {QByteArray(), QByteArray("not an archive"), notRtf,
                                  KeyedArchiver::archivedDataWithRootObject(Value(ValueArray{Value(QByteArray("{\\rtf1 a}"))}))}) {
        DocumentError error;
        EXPECT_FALSE(doc->readFromData(bad, MyDocument::kTypeName, &error));
        EXPECT_EQ(error.code, kFileReadUnknownError);
        EXPECT_EQ(doc->latin().string(), QStringLiteral("kept"));
    }
}

TEST(MyDocumentFile, MarkersNumberInTextOrderFirstNumberWins) {
    FootnoteList notes;
    const QString a = notes.makeNewNote()->uniqueID();
    const QString b = notes.makeNewNote()->uniqueID();
    notes.noteForID(a)->setNoteFromString(QStringLiteral("note A"));
    notes.noteForID(b)->setNoteFromString(QStringLiteral("note B"));
    AttributedString text(QStringLiteral("one"));
    text.append(linked(FootnoteText::marker(0), b));
    text.append(AttributedString(QStringLiteral(" two")));
    text.append(linked(FootnoteText::marker(0), a));
    text.append(AttributedString(QStringLiteral(" three")));
    text.append(linked(FootnoteText::marker(0), b));
    // A link to a note that is gone stays as it is.
    text.append(linked(QStringLiteral("[*]"), QStringLiteral("footnote:missing")));
    ASSERT_TRUE(FootnoteText::renumber(text, notes, false));
    EXPECT_EQ(text.string(), QStringLiteral("one[1] two[2] three[1][*]"));
    EXPECT_EQ(FootnoteText::footnoteLinks(text).size(), 4u);

    const AttributedString copy = FootnoteText::resolveForCopy(text, notes);
    EXPECT_EQ(copy.string(), QStringLiteral("one[1] two[2] three[1][*]\n\nFootnotes\n1. note B\n2. note A"));
    EXPECT_EQ(FootnoteText::footnoteLinks(copy).size(), 1u);  // only the unknown one keeps its link
}

// The markers carry the link's underline; the heading and the numbers of a
// copy take the text's own look, underlined only when the text is.
TEST(MyDocumentFile, CopiedFootnotesHeadingIsUnderlinedOnlyWithItsText) {
    FootnoteList notes;
    const QString a = notes.makeNewNote()->uniqueID();
    notes.noteForID(a)->setNoteFromString(QStringLiteral("note A"));
    for (const bool underlinedText : {false, true}) {
        Attributes look;
        if (underlinedText) look[AttributeName::Underline] = Value(qint64(1));
        AttributedString text(QStringLiteral("arma"), look);
        Attributes marker;
        marker[AttributeName::Link] = Value(Url::make(a));
        marker[AttributeName::Underline] = Value(qint64(1));
        text.append(AttributedString(FootnoteText::marker(0), marker));
        ASSERT_TRUE(FootnoteText::renumber(text, notes, false));
        const AttributedString copy = FootnoteText::resolveForCopy(text, notes);
        ASSERT_EQ(copy.string(), QStringLiteral("arma[1]\n\nFootnotes\n1. note A"));
        for (const QString& part : {QStringLiteral("Footnotes"), QStringLiteral("1. ")}) {
            const qsizetype at = copy.string().lastIndexOf(part);
            EXPECT_EQ(copy.attributes(at).count(AttributeName::Underline) == 1, underlinedText) << part.toStdString();
            EXPECT_EQ(copy.attributes(at).count(AttributeName::Link), 0u);
        }
    }
}

TEST(MyDocumentFile, SavingReplacesOnlyItsOwnSearchItem) {
    // The index lives in the test run's data folder, made once per process.
    SearchIndex& index = SearchIndex::defaultSearchableIndex();
    ASSERT_TRUE(index.indexSearchableItems({searchItem(QStringLiteral("other-document"), QStringLiteral("Other"), QStringLiteral("x"))}));
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(AttributedString(QStringLiteral("Mūsa")));
    DocumentError error;
    ASSERT_TRUE(doc->dataOfType(MyDocument::kTypeName, &error).has_value());
    EXPECT_TRUE(index.item(QStringLiteral("other-document")).has_value());
    ASSERT_TRUE(index.item(doc->uuid().UUIDString()).has_value());
    EXPECT_TRUE(index.item(doc->uuid().UUIDString())->textContent.startsWith(QStringLiteral("Musa\n")));
    // Its languages, as a parallel-text document's.
    EXPECT_EQ(index.item(doc->uuid().UUIDString())->languages, (QStringList{"la", "en"}));
}
