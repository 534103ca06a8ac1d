// The parallel-text document's file: documents written by an independent
// writer (python3's plistlib, with RTF as the platform writes it) open with
// every key, save with every key, and bad files are refused untouched.

#include "documents/TSDocument.h"

#include "morphology/WordController.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/SearchIndex.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace ts;

namespace {

const QString kLinked = QStringLiteral("footnote:000102030405060708090A0B0C0D0E0F");
const QString kUnlinked = QStringLiteral("footnote:0F0E0D0C0B0A09080706050403020100");
const QString kDocUuid = QStringLiteral("1B4E28BA-2FA1-11D2-883F-0016D3CCA427");

// A two-line document with a footnote linked from the first line, one not
// linked anywhere, a base font with a colour, a window frame, a PDF.
const char* kWriter = R"PY(
import plistlib, sys
from plistlib import UID
HEADER = (r"{\rtf1\ansi\ansicpg1252\cocoartf2639" "\n"
          r"\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;}" "\n"
          r"{\colortbl;\red255\green255\blue255;}" "\n"
          r"\pard\tx560\tx1120\pardirnatural\partightenfactor0" "\n\n")
def rtf(body): return (HEADER + r"\f0\fs24 \cf0 " + body + "}").encode("cp1252")
def U(n): return "%08X-0000-4000-8000-%012X" % (n, n)
def archive(build):
    objs = ["$null"]
    def add(o):
        objs.append(o); return UID(len(objs) - 1)
    classes = {}
    def klass(*names):
        if names[0] not in classes:
            classes[names[0]] = add({"$classname": names[0], "$classes": list(names) + ["NSObject"]})
        return classes[names[0]]
    root = build(add, klass)
    return plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root}, "$objects": objs},
                          fmt=plistlib.FMT_BINARY)
def frame(add, klass):
    return add({"$class": klass("NSValue"), "NS.special": 3, "NS.rectval": "{{120, 80}, {900, 640}}"})
def font(add, klass):
    f = add({"$class": klass("NSFont"), "NSName": add("Palatino-Roman"), "NSSize": 15.0, "NSfFlags": 16})
    red = add({"$class": klass("NSColor"), "NSColorSpace": 1, "NSRGB": b"1 0 0\x00"})
    return add({"$class": klass("NSDictionary"), "NS.keys": [add("NSFont"), add("NSColor")], "NS.objects": [f, red]})
NOTE = rb"{\rtf1\ansi{\fonttbl\f0\fswiss Helvetica;}\f0 note text}"
def notes(add, klass):
    fn = klass("FootnoteObject")
    uu = klass("NSUUID")
    n1 = add({"$class": fn, "$0": 3, "$1": add({"$class": uu, "NS.uuidbytes": bytes(range(16))}), "$2": add("Linked"),
              "$3": add(sys.argv[2]), "$4": add(NOTE)})
    n2 = add({"$class": fn, "$0": 3, "$1": add({"$class": uu, "NS.uuidbytes": bytes(reversed(range(16)))}), "$2": add("Loose"),
              "$3": add(sys.argv[3]), "$4": add(NOTE)})
    return add({"$class": klass("NSMutableDictionary", "NSDictionary"), "NS.keys": [add(sys.argv[2]), add(sys.argv[3])],
                "NS.objects": [n1, n2]})
link = r'{\field{\*\fldinst{HYPERLINK "%s"}}{\fldrslt 1}}' % sys.argv[2]
lines = [
  {"ClassName": "TSMatchedChunk", "uuid": U(3), "Latin": rtf(r"Tityre, tu patulae recubans " + link), "English": rtf("Tityrus, you lie"),
   "Location": rtf("1"), "Flagged": 1},
  {"ClassName": "TSMatchedChunk", "uuid": U(4), "Latin": rtf(r"silvestrem tenui Mus\uc0\u257 m"), "English": rtf("woodland Muse"),
   "Location": rtf("2")},
]
text = {"ClassName": "TSText", "uuid": U(100), "Information": {"title": "Eclogae"},
        "Text": {"ClassName": "TSText", "uuid": U(100), "Children": [
            {"ClassName": "TSMatchedChunk", "uuid": U(2), "Latin": rtf("Ecloga I"), "Children": lines}]}}
doc = {"Keyed Window position": archive(frame), "Text": text, "Font attributes": archive(font),
       "Footnotes": archive(notes), "pdfURL": b"bookmark-bytes", "uuid": sys.argv[4],
       "pdfFiles": [{"ClassName": "TSBookmarkData", "uuid": U(99), "bookmarkData": b"pdf-bookmark"}]}
with open(sys.argv[1], "wb") as f:
    plistlib.dump(doc, f, fmt=plistlib.FMT_BINARY)
)PY";

// What a saved file holds, as the independent reader sees it.
const char* kReader = R"PY(
import plistlib, sys
d = plistlib.load(open(sys.argv[1], "rb"))
print(" ".join(sorted(d)))
print(d["uuid"])
def load(data):
    a = plistlib.loads(data)
    o = a["$objects"]
    return a, o, lambda u: o[u.data] if isinstance(u, plistlib.UID) else u
a, o, deref = load(d["Keyed Window position"])
print(deref(a["$top"]["root"])["NS.rectval"])
a, o, deref = load(d["Footnotes"])
root = deref(a["$top"]["root"])
print(" ".join(deref(k) for k in root["NS.keys"]))
a, o, deref = load(d["Font attributes"])
root = deref(a["$top"]["root"])
values = dict(zip([deref(k) for k in root["NS.keys"]], [deref(v) for v in root["NS.objects"]]))
print(deref(values["NSFont"]["NSName"]), values["NSFont"]["NSSize"])
print(d["pdfURL"], d["pdfFiles"][0]["uuid"], d["pdfFiles"][0]["bookmarkData"])
lines = d["Text"]["Text"]["Children"][0]["Children"]
print(len(lines), b"Tityre" in lines[0]["Latin"], lines[0].get("Flagged"), b"woodland" in lines[1]["English"])
print(len(d["Vocab List"]) > 0)
)PY";

class DocumentFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("eclogae.tsdx"));
        const PythonRun r = runPython(QString::fromUtf8(kWriter), {path, kLinked, kUnlinked, kDocUuid});
        ASSERT_TRUE(r.started);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    static std::vector<TSMatchedChunkPtr> lines(const TSDocument& doc) {
        std::vector<TSMatchedChunkPtr> out;
        for (const auto& section : doc.text()->childNodes())
            for (const auto& line : section->childNodes()) out.push_back(std::dynamic_pointer_cast<TSMatchedChunk>(line));
        return out;
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(DocumentFile, OpensEveryKeyAnIndependentWriterWrote) {
    auto doc = std::make_shared<TSDocument>();
    DocumentError error;
    ASSERT_TRUE(doc->readFromURL(path, TSDocument::kTypeName, &error)) << error.description.toStdString();

    const auto ls = lines(*doc);
    ASSERT_EQ(ls.size(), 2u);
    EXPECT_EQ(ls[0]->latin()->string(), QStringLiteral("Tityre, tu patulae recubans 1"));
    EXPECT_EQ(ls[1]->latin()->string(), QStringLiteral("silvestrem tenui Mus\u0101m"));
    EXPECT_EQ(ls[1]->english()->string(), QStringLiteral("woodland Muse"));
    EXPECT_EQ(ls[0]->location()->string(), QStringLiteral("1"));
    EXPECT_TRUE(ls[0]->flagged());
    EXPECT_FALSE(ls[1]->flagged());

    EXPECT_EQ(doc->takeSavedWindowFrame(), QRectF(120, 80, 900, 640));
    EXPECT_FALSE(doc->takeSavedWindowFrame()) << "the frame is taken once";

    const auto& font = doc->baseFontAttributes();
    auto f = font.at(AttributeName::Font).toObjectAs<Font>();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->postScriptName(), QStringLiteral("Palatino-Roman"));
    EXPECT_EQ(font.at(AttributeName::ForegroundColor).toObject(), Color::textColor()) << "the stored red is not shown";

    EXPECT_EQ(doc->footnotes()->count(), 2);
    EXPECT_EQ(doc->pdfBookmark(), QByteArray("bookmark-bytes"));
    EXPECT_EQ(doc->pdfFiles()->bookmarks().size(), 1u);
    EXPECT_EQ(doc->uuid().UUIDString(), kDocUuid);
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(doc->vocabListIfAny()) << "no vocabulary was stored";
}

TEST_F(DocumentFile, SaveKeepsEveryKeyAndPurgesOnlyTheSavedFootnotes) {
    auto doc = std::make_shared<TSDocument>();
    ASSERT_TRUE(doc->readFromURL(path, TSDocument::kTypeName, nullptr));
    doc->vocabList();
    EXPECT_FALSE(doc->isDocumentEdited()) << "an empty vocabulary is no edit";
    doc->setWindowFrame(QRectF(10, 20, 700, 500));

    const QString saved = dir.filePath(QStringLiteral("saved.tsdx"));
    DocumentError error;
    ASSERT_TRUE(doc->saveToURL(saved, TSDocument::kTypeName, &error)) << error.description.toStdString();
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(doc->footnotes()->count(), 2) << "the open document keeps the unlinked note";

    const PythonRun r = runPython(QString::fromUtf8(kReader), {saved});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList out = r.out.split(QLatin1Char('\n'));
    ASSERT_GE(out.size(), 9);
    EXPECT_EQ(out[0], QStringLiteral("Font attributes Footnotes Keyed Window position Text Vocab List pdfFiles pdfURL uuid"));
    EXPECT_EQ(out[1], kDocUuid);
    EXPECT_EQ(out[2], QStringLiteral("{{10, 20}, {700, 500}}"));
    EXPECT_EQ(out[3], kLinked) << "only the linked note is saved";
    EXPECT_EQ(out[4], QStringLiteral("Palatino-Roman 15.0"));
    EXPECT_EQ(out[5], QStringLiteral("b'bookmark-bytes' 00000063-0000-4000-8000-000000000063 b'pdf-bookmark'"));
    EXPECT_EQ(out[6], QStringLiteral("2 True 1 True"));
    EXPECT_EQ(out[7], QStringLiteral("True"));

    auto again = std::make_shared<TSDocument>();
    ASSERT_TRUE(again->readFromURL(saved, TSDocument::kTypeName, nullptr));
    EXPECT_EQ(again->uuid().UUIDString(), kDocUuid);
    EXPECT_EQ(again->footnotes()->count(), 1);
    EXPECT_TRUE(again->footnotes()->noteForID(kLinked));
    EXPECT_TRUE(again->vocabListIfAny());
    EXPECT_EQ(lines(*again).size(), 2u);
    EXPECT_EQ(again->takeSavedWindowFrame(), QRectF(10, 20, 700, 500));
}

// Font attributes that cannot be read are written back as they were, like
// the vocabulary and footnotes; new attributes replace them.
TEST_F(DocumentFile, UnreadableFontAttributesKeepTheirBytes) {
    PlistResult stored = PropertyList::read([&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    ASSERT_TRUE(stored.ok());
    ValueDictionary root = stored.value.dictionary();
    const QByteArray unreadable("bplist00 but not an archive");
    root[QStringLiteral("Font attributes")] = Value(unreadable);
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(PropertyList::writeBinary(Value(root)));
    out.close();

    auto doc = std::make_shared<TSDocument>();
    CaptureLogger::Scope log;
    ASSERT_TRUE(doc->readFromURL(path, TSDocument::kTypeName, nullptr));
    EXPECT_TRUE(doc->baseFontAttributes().empty());
    const QString saved = dir.filePath(QStringLiteral("saved.tsdx"));
    ASSERT_TRUE(doc->saveToURL(saved, TSDocument::kTypeName, nullptr));
    auto fontBytes = [](const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) return QByteArray();
        return PropertyList::read(f.readAll()).value[QStringLiteral("Font attributes")].toData();
    };
    EXPECT_EQ(fontBytes(saved), unreadable);

    doc->setBaseFontAttributes({{AttributeName::Font, Value(Font::make(QStringLiteral("Palatino"), 14.0))}});
    ASSERT_TRUE(doc->saveToURL(saved, TSDocument::kTypeName, nullptr));
    EXPECT_NE(fontBytes(saved), unreadable);
    auto reopened = std::make_shared<TSDocument>();
    ASSERT_TRUE(reopened->readFromURL(saved, TSDocument::kTypeName, nullptr));
    EXPECT_FALSE(reopened->baseFontAttributes().empty());
}

// A document written by another tool under another name is known by its
// contents; other property lists and other files are not documents.
TEST_F(DocumentFile, OpensByItsContentsWhateverItsName) {
    DocumentController controller;
    TSDocument::registerDocumentType(controller);
    struct Case {
        const char* name;
        QByteArray bytes;
        bool document;
    } cases[] = {
        {"eclogae", {}, true},
        {"eclogae.plist", {}, true},
        {"keys-only.bin", PropertyList::writeBinary(Value(ValueDictionary{{"uuid", Value(kDocUuid)}, {"pdfURL", Value(QByteArray("x"))}})), true},
        {"settings.plist", PropertyList::writeBinary(Value(ValueDictionary{{"uuid", Value(kDocUuid)}})), false},
        {"notes.txt", QByteArray("Tityre, tu patulae"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QString::fromLatin1(c.name));
        if (c.bytes.isEmpty()) {
            ASSERT_TRUE(QFile::copy(path, file));
        } else {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        EXPECT_EQ(controller.typeForContentsOfURL(file), c.document ? TSDocument::kTypeName : QString());
    }
    DocumentPtr opened;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(dir.filePath("eclogae")), false,
                                             [&](DocumentPtr d, bool, const DocumentError*) { opened = d; });
    ASSERT_TRUE(opened);
    EXPECT_EQ(lines(*std::static_pointer_cast<TSDocument>(opened)).size(), 2u);
}

TEST(DocumentDefaults, NewDocumentHasOneEmptyLineAndAStableUuid) {
    auto doc = std::make_shared<TSDocument>();
    ASSERT_EQ(doc->text()->numChildren(), 1);
    EXPECT_FALSE(doc->text()->childAt(0)->isHeader());
    const ValueDictionary first = doc->serialize();
    QStringList keys;
    for (const auto& [k, v] : first) keys << k;
    EXPECT_EQ(keys, (QStringList{"Keyed Window position", "Text", "uuid"}));
    EXPECT_EQ(first.at("uuid"), doc->serialize().at("uuid")) << "saving twice writes the same uuid";

    // A dictionary without any key opens with the defaults.
    auto empty = std::make_shared<TSDocument>();
    EXPECT_TRUE(empty->importFromPListFormat(PropertyList::writeBinary(Value(ValueDictionary{}))).isEmpty());
    EXPECT_EQ(empty->text()->numChildren(), 1);
    EXPECT_FALSE(empty->uuid().UUIDString().isEmpty());
}

// Thousands of lines under one section save and read back whole and in
// order, with exactly the footnotes their links name.
TEST(DocumentLongSection, SavesEveryLineInOrderWithItsFootnotes) {
    constexpr int kLines = 6000;
    auto doc = std::make_shared<TSDocument>();
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    text->addChild(section);
    auto notes = std::make_shared<FootnoteList>();
    QStringList linked;
    for (int n = 0; n < kLines; ++n) {
        auto line = std::make_shared<TSMatchedChunk>();
        auto english = AttributedString::make(QStringLiteral("line %1 [*]").arg(n));
        if (n % 100 == 99) {
            const QString id = notes->makeNewNote()->uniqueID();
            linked << id;
            TSText::linkText(*english, id, {english->length() - 3, 3});
        }
        line->setTextForKey(english, QStringLiteral("english"));
        line->setTextForKey(AttributedString::make(QString::number(n + 1)), QStringLiteral("location"));
        section->addChild(line);
    }
    for (int i = 0; i < 3; ++i) notes->makeNewNote();  // never linked
    doc->setText(text);
    doc->setFootnotes(notes);

    auto again = std::make_shared<TSDocument>();
    ASSERT_TRUE(again->importFromPListFormat(doc->exportToPListFormat(nullptr)).isEmpty());
    ASSERT_EQ(again->text()->numChildren(), 1);
    const auto read = again->text()->childAt(0)->childNodes();
    ASSERT_EQ(read.size(), size_t(kLines));
    const auto written = section->childNodes();
    for (int n = 0; n < kLines; ++n) {
        ASSERT_EQ(read[size_t(n)]->textForKey(QStringLiteral("location"))->string(), QString::number(n + 1));
        ASSERT_EQ(read[size_t(n)]->uuid()->uuid(), written[size_t(n)]->uuid()->uuid());
    }
    EXPECT_EQ(again->footnotes()->count(), qint64(linked.size()));
    for (const QString& id : linked) EXPECT_TRUE(again->footnotes()->noteForID(id)) << id.toStdString();
}

// Files that cannot be read are refused with an error and change nothing,
// so autosave can never write an empty document over them.
TEST(DocumentRefusal, UnreadableFilesAreRefused) {
    ValueDictionary badText{{"Text", Value(ValueDictionary{{"Children", Value(ValueArray{})}})}};
    const QByteArray good = PropertyList::writeBinary(Value(ValueDictionary{{"uuid", Value(kDocUuid)}}));
    struct Case {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"not a property list", QByteArray("Tityre, tu patulae recubans sub tegmine fagi")},
        {"empty file", QByteArray()},
        {"truncated binary list", good.left(good.size() - 9)},
        {"root is an array", PropertyList::writeBinary(Value(ValueArray{Value("a")}))},
        {"text names no tree", PropertyList::writeBinary(Value(badText))},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.filePath(QStringLiteral("bad.tsdx"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        auto doc = std::make_shared<TSDocument>();
        const QString before = doc->uuid().UUIDString();
        CaptureLogger::Scope log;
        DocumentError error;
        EXPECT_FALSE(doc->readFromURL(file, TSDocument::kTypeName, &error));
        EXPECT_NE(error.code, 0);
        EXPECT_FALSE(error.description.isEmpty());
        EXPECT_EQ(doc->uuid().UUIDString(), before);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), c.bytes) << "the file is untouched";
        f.close();
    }
}

TEST(DocumentRefusal, ControllerOpensNoDocumentForAnUnreadableFile) {
    DocumentController controller;
    TSDocument::registerDocumentType(controller);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("broken.tsdx"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage");
    f.close();
    EXPECT_EQ(controller.typeForContentsOfURL(file), TSDocument::kTypeName);
    CaptureLogger::Scope log;
    DocumentError error;
    EXPECT_FALSE(controller.makeDocumentWithContentsOfURL(file, TSDocument::kTypeName, &error));
    EXPECT_TRUE(controller.documents().empty());
}

TEST(DocumentNotifications, OnlyItsOwnVocabularyMarksIt) {
    auto mine = std::make_shared<TSDocument>();
    auto other = std::make_shared<TSDocument>();
    mine->vocabList();
    other->vocabList();
    mine->updateChangeCount(Document::ChangeCleared);
    mine->registerForNotifications();
    other->registerForNotifications();
    NotificationCenter::defaultCenter().post(TSDocument::kVocabChanged, other->vocabList().get());
    EXPECT_FALSE(mine->isDocumentEdited());
    NotificationCenter::defaultCenter().post(TSDocument::kVocabChanged, mine->vocabList().get());
    EXPECT_TRUE(mine->isDocumentEdited());
    // A closed document's observer is gone: posting reaches nothing freed.
    other.reset();
    NotificationCenter::defaultCenter().post(TSDocument::kVocabChanged, nullptr);
    mine->cleanup();
    EXPECT_FALSE(mine->isObserving());
}

TEST(DocumentNotifications, AddWordFormPostsTheWord) {
    QString heard;
    auto token = NotificationCenter::defaultCenter().addObserver(TSDocument::kAddWordForm, nullptr, [&](const Notification& n) {
        heard = n.userInfo.at(QStringLiteral("object")).toString();
    });
    TSDocument doc;
    doc.addWordForm(QString());
    EXPECT_TRUE(heard.isEmpty());
    doc.addWordForm(QStringLiteral("arma"));
    EXPECT_EQ(heard, QStringLiteral("arma"));
}

}  // namespace

// Saving indexes the document by its author, editor, publisher and title as
// keywords, its two languages and its kind, read back from the stored item.
TEST(DocumentSearchIndex, KeepsKeywordsAuthorLanguagesAndKind) {
    // The index lives in the test run's data folder, made once per process.
    SearchIndex& index = SearchIndex::defaultSearchableIndex();
    auto doc = std::make_shared<TSDocument>();
    auto text = std::make_shared<TSText>();
    auto line = std::make_shared<TSMatchedChunk>();
    line->setLatin(AttributedString::make(QStringLiteral("Tityre tu patulae")));
    text->addChild(line);
    text->setInformation({{QStringLiteral("author"), Value(QStringLiteral("P. Vergilius Maro"))},
                          {QStringLiteral("editor"), Value(QStringLiteral("Mynors"))},
                          {QStringLiteral("publisher"), Value(QStringLiteral("Clarendon"))},
                          {QStringLiteral("title"), Value(QStringLiteral("Eclogae"))}});
    doc->setText(text);
    DocumentError error;
    ASSERT_TRUE(doc->dataOfType(TSDocument::kTypeName, &error).has_value());
    const auto item = index.item(doc->uuid().UUIDString());
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(item->title, QStringLiteral("Eclogae"));
    EXPECT_EQ(item->keywords, (QStringList{"P. Vergilius Maro", "Mynors", "Clarendon", "Eclogae"}));
    EXPECT_EQ(item->editors + item->publishers, (QStringList{"Mynors", "Clarendon"}));
    EXPECT_EQ(item->languages, (QStringList{"la", "en"}));
    EXPECT_EQ(item->kind, QStringLiteral("tsdx"));
    EXPECT_TRUE(index.search(QStringLiteral("vergilius")).contains(doc->uuid().UUIDString()));

    // Without information the window's name is the title.
    auto bare = std::make_shared<TSDocument>();
    ASSERT_TRUE(bare->dataOfType(TSDocument::kTypeName, &error).has_value());
    EXPECT_EQ(index.item(bare->uuid().UUIDString())->title, bare->displayName());
}
