// The "Text" value of a document file: reading what the original wrote,
// saving and reading back without loss, and refusing hostile input cleanly.

#include "TextModelTestSupport.h"
#include "support/CaptureLogger.h"

#include "foundation/ColorExtensions.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/PropertyList.h"
#include "platform/Url.h"
#include "textmodel/TSCharacter.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QTemporaryDir>

using namespace ts;

namespace {

// The "Text" value of a small document, as the original writes it: a book
// with a section of three lines, a second section holding a node class from
// a newer version and a child without a class, RTF texts in the platform's
// dialect, a PDF place, a cast list and the root's name inside "Text".
const char* kDocumentScript = R"PY(
import plistlib, sys
HEADER = (r"{\rtf1\ansi\ansicpg1252\cocoartf2639" "\n"
          r"\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;\f1\froman\fcharset0 Times-Bold;}" "\n"
          r"{\colortbl;\red255\green255\blue255;\red227\green36\blue0;}" "\n"
          r"{\*\expandedcolortbl;;\cssrgb\c88946\c14202\c0;}" "\n"
          r"\pard\tx560\tx1120\pardirnatural\partightenfactor0" "\n\n")
def rtf(body): return (HEADER + body + "}").encode("cp1252")
def plain(t): return rtf(r"\f0\fs24 \cf0 " + t)
def U(n): return "%08X-0000-4000-8000-%012X" % (n, n)
def line(n, latin, english, loc, **extra):
    d = {"ClassName": "TSMatchedChunk", "uuid": U(n), "Latin": plain(latin), "English": plain(english), "Location": plain(loc)}
    d.update(extra)
    return d
book = {"ClassName": "TSMatchedChunk", "uuid": U(1), "Latin": rtf(r"\f1\b\fs28 \cf2 Liber I"), "Flagged": 1, "Children": [
  {"ClassName": "TSMatchedChunk", "uuid": U(2), "Latin": plain("Prooemium"), "Children": [
     line(3, "Arma virumque cano", "I sing of arms and the man", "1"),
     line(4, "Troiae qui primus ab oris", "who first from the shores of Troy", "2", Flagged=1),
     line(5, r"Itali\uc0\u257 m fato profugus", "an exile by fate", "3", Flagged=0,
          pdfLocation={"uuid": U(99), "pageNumber": 4, "locationInWindow": {"x": 10.5, "y": 20.0}}),
  ]},
  {"ClassName": "TSMatchedChunk", "uuid": U(6), "Latin": plain("Iuno"), "FutureKey": "kept", "Children": [
     line(7, "Urbs antiqua fuit", "There was an ancient city", "10"),
     {"ClassName": "TSFancyChunk", "uuid": U(70), "name": "from a newer version"},
     line(8, "Tyrii tenuere coloni", "Tyrian settlers held it", "11"),
     line(9, "Karthago, Italiam contra", "Carthage, facing Italy", "12"),
     {"name": "no class"},
     line(10, "sine numero", "no number", ""),
  ]},
]}
text = {"uuid": U(100), "ClassName": "TSText",
        "Information": {"title": "Aeneis", "author": "Vergilius", "Sources": [1, "two", b"3"], "Cast List": [
            {"ClassName": "TSCharacter", "name": "Aeneas", "Role description": "a Trojan"},
            {"ClassName": "TSCharacter", "name": "Dido"}]},
        "Text": {"ClassName": "TSText", "uuid": U(100), "name": "Aeneis I", "Children": [book]}}
with open(sys.argv[1], "wb") as f:
    plistlib.dump(text, f, fmt=plistlib.FMT_BINARY)
)PY";

QString U(int n) { return QStringLiteral("%1-0000-4000-8000-%2").arg(n, 8, 16, QLatin1Char('0')).arg(n, 12, 16, QLatin1Char('0')).toUpper(); }

class TextFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("text.plist"));
        tmtest::runPython(QString::fromUtf8(kDocumentScript), {path});
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        bytes = f.readAll();
        PlistResult r = PropertyList::read(bytes);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        value = r.value;
        text = TSText::textFromDictionary(value);
        ASSERT_TRUE(text);
    }
    TSMatchedChunkPtr node(const TSChunkPtr& parent, qint64 i) {
        return std::dynamic_pointer_cast<TSMatchedChunk>(parent->childAt(i));
    }
    QByteArray save(const TSTextPtr& t) {
        QString error;
        QByteArray out = PropertyList::writeBinary(t->serialize(), &error);
        EXPECT_FALSE(out.isEmpty()) << error.toStdString();
        return out;
    }
    TSTextPtr reload(const QByteArray& data) { return TSText::textFromDictionary(PropertyList::read(data).value); }

    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    Value value;
    TSTextPtr text;
};

std::vector<TSChunkPtr> preorder(const TSChunkPtr& root) {
    std::vector<TSChunkPtr> out;
    for (TSChunkPtr n = root; n; n = TSText::nextChunk(n)) out.push_back(n);
    return out;
}

}  // namespace

// A list in the text's information that holds no nodes comes back whole,
// not emptied of everything that is not a node.
TEST_F(TextFile, InformationListsOtherThanTheCastKeepTheirItems) {
    const Value before = value.dictionary().at(QStringLiteral("Information")).dictionary().at(QStringLiteral("Sources"));
    ASSERT_EQ(before.array().size(), 3u);
    const Value after = PropertyList::read(save(text)).value;
    const Value kept = after.dictionary().at(QStringLiteral("Information")).dictionary().at(QStringLiteral("Sources"));
    EXPECT_TRUE(kept == before);
    EXPECT_EQ(reload(save(text))->castList()->count(), 2u);
}

TEST_F(TextFile, LoadsWithParentsUuidsFlagsAndLineNumbers) {
    EXPECT_EQ(text->name(), QStringLiteral("Aeneis I"));  // read from inside "Text"
    EXPECT_EQ(text->uuid()->UUIDString(), U(100));
    EXPECT_EQ(text->information()[QStringLiteral("title")].toString(), QStringLiteral("Aeneis"));
    auto cast = text->castList();
    ASSERT_EQ(cast->count(), 2u);
    auto aeneas = std::dynamic_pointer_cast<TSCharacter>(cast->objectAtIndex(0));
    ASSERT_TRUE(aeneas);
    EXPECT_EQ(aeneas->roleDescription(), QStringLiteral("a Trojan"));

    ASSERT_EQ(text->numChildren(), 1);
    auto book = node(text, 0);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->parent(), text);
    EXPECT_TRUE(book->flagged());
    EXPECT_TRUE(book->isHeader());
    EXPECT_EQ(book->chunkName(), QStringLiteral("Liber I"));
    auto font = book->latin()->attribute(AttributeName::Font, 0).toObjectAs<Font>();
    ASSERT_TRUE(font);
    EXPECT_TRUE(font->isBold());
    EXPECT_DOUBLE_EQ(font->pointSize(), 14);

    auto proem = node(book, 0), iuno = node(book, 1);
    ASSERT_TRUE(proem && iuno);
    EXPECT_EQ(proem->parent(), book);
    auto l1 = node(proem, 0), l2 = node(proem, 1), l3 = node(proem, 2);
    EXPECT_EQ(l1->uuid()->UUIDString(), U(3));
    EXPECT_EQ(l1->parent(), proem);
    EXPECT_FALSE(l1->flagged());
    EXPECT_TRUE(l2->flagged());
    EXPECT_FALSE(l3->flagged());  // "Flagged" 0
    EXPECT_EQ(l3->latin()->string(), QString::fromUtf8("Italiām fato profugus"));
    EXPECT_EQ(l3->pdfLocation()[QStringLiteral("pageNumber")].toInt64(), 4);
    // A run saved without a colour reads with the text colour.
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(
        l1->latin()->attribute(AttributeName::ForegroundColor, 0).toObjectAs<Color>(), Color::textColor()));

    // The unknown class and the classless child are not made, and reported.
    ASSERT_EQ(iuno->numChildren(), 4);
    auto l10 = node(iuno, 0), l12 = node(iuno, 2), unnumbered = node(iuno, 3);
    EXPECT_EQ(l10->tln(), 10);
    EXPECT_EQ(l12->tln(), 12);
    EXPECT_EQ(iuno->tln(), TSNotFound);
    EXPECT_EQ(unnumbered->tln(), TSNotFound);
    EXPECT_EQ(unnumbered->firstLineNumber(), 10);
    EXPECT_EQ(text->firstLineNumber(), TSNotFound);

    EXPECT_EQ(l12->displayLocation(false)->string(), QStringLiteral("12"));
    EXPECT_EQ(l12->displayLocation(true)->string(), QStringLiteral("3"));
    EXPECT_EQ(l2->displayLocation(true)->string(), QStringLiteral("2"));
    EXPECT_EQ(unnumbered->displayLocation(true), unnumbered->location());
    // Flagging colours only the displayed copy.
    EXPECT_FALSE(l2->displayLocation(false)->attribute(AttributeName::BackgroundColor, 0).isNull());
    EXPECT_TRUE(l2->location()->attribute(AttributeName::BackgroundColor, 0).isNull());
    EXPECT_TRUE(l1->displayLocation(false)->attribute(AttributeName::BackgroundColor, 0).isNull());
}

TEST_F(TextFile, SaveAndReloadKeepsEverything) {
    // One line is edited with attributes of every kind the file keeps.
    auto l1 = node(node(node(text, 0), 0), 0);
    Attributes a;
    a[AttributeName::Font] = Value(Font::make(QStringLiteral("Times-Italic"), 18));
    a[AttributeName::ForegroundColor] = Value(Color::calibratedRgb(0.8, 0.1, 0.2));
    a[AttributeName::Underline] = Value(qint64(1));
    auto edited = AttributedString::make(QStringLiteral("Arma "), a);
    Attributes link = a;
    link[AttributeName::Link] = Value(Url::make(QStringLiteral("footnote:ABCDEF")));
    edited->append(QStringLiteral("[1]"), link);
    l1->setLatin(edited);
    text->setFlagged(true);

    const QByteArray saved = save(text);
    QTemporaryDir out;
    const QString savedPath = out.filePath(QStringLiteral("saved.plist"));
    ASSERT_TRUE(tmtest::writeFile(savedPath, saved));
    // An independent reader sees the layout of the original's files.
    const QByteArray report = tmtest::runPython(QStringLiteral(R"PY(
import plistlib, sys
old = plistlib.load(open(sys.argv[1], "rb")); new = plistlib.load(open(sys.argv[2], "rb"))
t = new["Text"]; book = t["Children"][0]; proem, iuno = book["Children"]
oldbook = old["Text"]["Children"][0]
print(new["ClassName"], t["ClassName"], t["name"], t.get("Flagged"), new["uuid"] == t["uuid"] == old["uuid"])
print([c.get("ClassName") for c in iuno["Children"]])
print(iuno.get("FutureKey"), sorted(k for k in proem["Children"][2] if k in ("Flagged", "pdfLocation")), "Flagged" in proem["Children"][1])
print(book["Latin"] == oldbook["Latin"], proem["Children"][1]["Latin"] == oldbook["Children"][0]["Children"][1]["Latin"])
print(all(c["uuid"] == c["uuid"].upper() for c in iuno["Children"] if "uuid" in c), new["Information"]["Cast List"][1])
)PY"), {path, savedPath});
    const QList<QByteArray> lines = report.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 5) << report.toStdString();
    EXPECT_EQ(lines[0], "TSText TSText Aeneis I 1 True");
    EXPECT_EQ(lines[1], "['TSMatchedChunk', 'TSFancyChunk', 'TSMatchedChunk', 'TSMatchedChunk', None, 'TSMatchedChunk']");
    EXPECT_EQ(lines[2], "kept ['pdfLocation'] True");
    EXPECT_EQ(lines[3], "True True");  // texts nobody changed are written back byte for byte
    EXPECT_EQ(lines[4], "True {'ClassName': 'TSCharacter', 'name': 'Dido'}");

    auto again = reload(saved);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->name(), QStringLiteral("Aeneis I"));
    EXPECT_TRUE(again->flagged());
    const auto before = preorder(text), after = preorder(again);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i]->uuid()->UUIDString(), after[i]->uuid()->UUIDString());
        EXPECT_EQ(before[i]->flagged(), after[i]->flagged());
        EXPECT_EQ(before[i]->chunkName(), after[i]->chunkName());
        if (i > 0) {
            EXPECT_TRUE(after[i]->parent());
        }
    }
    auto l1again = node(node(node(again, 0), 0), 0);
    auto latin = l1again->latin();
    ASSERT_TRUE(latin);
    EXPECT_EQ(latin->string(), QStringLiteral("Arma [1]"));
    auto font = latin->attribute(AttributeName::Font, 0).toObjectAs<Font>();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->postScriptName(), QStringLiteral("Times-Italic"));
    EXPECT_DOUBLE_EQ(font->pointSize(), 18);
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(latin->attribute(AttributeName::ForegroundColor, 0).toObjectAs<Color>(),
                                                          Color::calibratedRgb(0.8, 0.1, 0.2)));
    EXPECT_EQ(latin->attribute(AttributeName::Underline, 0).toInt64(), 1);
    auto url = latin->attribute(AttributeName::Link, 6).toObjectAs<Url>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("footnote:ABCDEF"));
    EXPECT_EQ(l1again->english()->string(), QStringLiteral("I sing of arms and the man"));
    EXPECT_EQ(l1again->location()->string(), QStringLiteral("1"));

    // A second save of the reloaded text keeps the unknown child in place.
    auto iuno = again->childAt(0)->childAt(1);
    const Value twice = iuno->serialize();
    ASSERT_EQ(twice[QStringLiteral("Children")].array().size(), 6u);
    EXPECT_EQ(twice[QStringLiteral("Children")].array()[1][QStringLiteral("ClassName")].toString(), QStringLiteral("TSFancyChunk"));
}

// A node's uuid is written back as read when the text read is the standard
// form, and in the standard form otherwise.
TEST(TextNodeUuid, WrittenBackInTheStandardForm) {
    for (const auto& [read, written] : std::initializer_list<std::pair<QString, QString>>{
             {U(7), U(7)}, {U(7).toLower(), U(7)}, {QLatin1Char('{') + U(7) + QLatin1Char('}'), U(7)}}) {
        ts::ValueDictionary d{{QStringLiteral("ClassName"), ts::Value(QStringLiteral("TSMatchedChunk"))},
                              {QStringLiteral("uuid"), ts::Value(read)}};
        auto node = std::make_shared<TSMatchedChunk>();
        node->importFromDictionary(ts::Value(d));
        EXPECT_EQ(node->serialize()[QStringLiteral("uuid")].toString(), written) << read.toStdString();
    }
}

// Text that does not parse is no uuid, even with thirty-two zeros in it;
// the null uuid itself is read.
TEST(TextNodeUuid, MalformedTextIsNoUuid) {
    EXPECT_FALSE(Uuid::fromString(QStringLiteral("00000000000000000000000000000000XXXX")));
    EXPECT_FALSE(Uuid::fromString(QStringLiteral("0000000000000000000000000000000000-X")));
    EXPECT_FALSE(Uuid::fromString(QStringLiteral("not a uuid")));
    for (const QString& zero : {QStringLiteral("00000000-0000-0000-0000-000000000000"),
                                QStringLiteral("{00000000-0000-0000-0000-000000000000}")}) {
        const auto u = Uuid::fromString(zero);
        ASSERT_TRUE(u) << zero.toStdString();
        EXPECT_EQ(u->UUIDString(), QStringLiteral("00000000-0000-0000-0000-000000000000"));
    }
}

// New uuids are random (version 4, RFC variant) and do not repeat.
TEST(TextNodeUuid, NewOnesAreRandomAndDistinct) {
    QSet<QUuid> seen;
    for (int i = 0; i < 20000; ++i) {
        const QUuid u = Uuid::create()->uuid();
        ASSERT_EQ(u.version(), QUuid::Random);
        ASSERT_EQ(u.variant(), QUuid::DCE);
        seen.insert(u);
    }
    EXPECT_EQ(seen.size(), 20000);
}

TEST_F(TextFile, UuidLookupAndWalks) {
    auto book = text->childAt(0), proem = book->childAt(0), iuno = book->childAt(1);
    // Reading order: book, its first section, that section's lines, the next section ...
    const auto order = preorder(text);
    ASSERT_EQ(order.size(), 11u);
    EXPECT_EQ(order[1], book);
    EXPECT_EQ(order[2], proem);
    EXPECT_EQ(order[5], proem->childAt(2));
    EXPECT_EQ(order[6], iuno);
    EXPECT_FALSE(TSText::nextChunk(order.back()));

    EXPECT_EQ(text->itemWithUUID(Uuid::fromString(U(8))), iuno->childAt(1));
    EXPECT_EQ(text->itemWithUUID(Uuid::fromString(U(100))), text);
    EXPECT_FALSE(text->itemWithUUID(Uuid::fromString(U(70))));  // the unknown class was not made
    {
        CaptureLogger::Scope log;
        EXPECT_FALSE(text->itemWithUUID(TSUuidPtr()));
        EXPECT_TRUE(log->contains(QStringLiteral("Nil uuid at itemWithUUID")));
    }
    // A row placed straight into a children container (as the document
    // does) is found, and one removed is not.
    auto row = std::make_shared<TSMatchedChunk>();
    auto members = *proem->children()->storedData();
    members.insert(members.begin() + 1, row);
    proem->children()->setStoredData(members);
    row->setParent(proem);
    EXPECT_EQ(text->itemWithUUID(row->uuid()), row);
    auto l3 = std::static_pointer_cast<TSChunk>(proem->childAt(3));
    proem->removeChild(l3);
    EXPECT_FALSE(text->itemWithUUID(l3->uuid()));

    // The node above: the previous sibling, or the last line of the section above.
    EXPECT_EQ(TSText::chunkAbove(iuno->childAt(0)), proem->childAt(2));
    EXPECT_EQ(TSText::chunkAbove(proem->childAt(1)), proem->childAt(0));
    EXPECT_FALSE(TSText::chunkAbove(proem->childAt(0)));  // the book has nothing above it
    EXPECT_FALSE(TSText::chunkAbove(text));
}

// The uuid index follows every kind of change made through the tree's own
// operations: after each, every node of the tree is found as itself and
// every node taken out (still alive, uuid unchanged) is not found.
TEST_F(TextFile, UuidIndexFollowsEdits) {
    auto book = text->childAt(0), proem = book->childAt(0), iuno = book->childAt(1);
    std::vector<TSChunkPtr> gone;
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        for (const auto& n : preorder(text)) EXPECT_EQ(text->itemWithUUID(n->uuid()), n);
        for (const auto& n : gone) EXPECT_FALSE(text->itemWithUUID(n->uuid()));
    };
    check("read");

    auto added = std::make_shared<TSMatchedChunk>();
    proem->addChild(added);
    check("added");
    auto section = std::make_shared<TSMatchedChunk>();
    section->addChild(std::make_shared<TSMatchedChunk>());
    section->addChild(std::make_shared<TSMatchedChunk>());
    book->insertChild(section, 1);  // a subtree built aside, then placed
    check("subtree inserted");

    auto moved = proem->childAt(1);
    proem->removeChild(moved);
    iuno->insertChild(moved, 0);
    EXPECT_EQ(text->itemWithUUID(moved->uuid())->parent(), iuno);
    check("moved between sections");
    text->promoteRow(proem->childAt(0));  // takes its following siblings along
    check("promoted");
    text->demoteRow(book->childAt(1));
    check("demoted");
    text->mergeChunk(iuno->childAt(0), TSText::chunkAbove(iuno->childAt(0)));
    check("merged");

    auto renamed = preorder(text)[3];
    const TSUuidPtr old = renamed->uuid();
    renamed->setUuid(Uuid::create());
    EXPECT_FALSE(text->itemWithUUID(old));
    check("new uuid");

    gone.push_back(section);
    for (const auto& n : section->childNodes()) gone.push_back(n);
    text->deleteChunk(section);
    check("subtree deleted");

    // A copy that keeps its original's uuid placed before it: the first in
    // reading order is the one found.
    const TSChunkPtr original = preorder(text).back();
    auto twin = std::make_shared<TSMatchedChunk>();
    twin->setUuid(original->uuid());
    book->insertChild(twin, 0);
    EXPECT_EQ(text->itemWithUUID(original->uuid()), twin);
    book->removeChild(twin);
    EXPECT_EQ(text->itemWithUUID(original->uuid()), original);
}

// Columns left unread, read only, or edited and edited back are written
// back byte for byte, through two saves; only the column really changed
// differs, as python3's plistlib sees the files.
TEST_F(TextFile, ColumnsNobodyChangedAreSavedAsRead) {
    auto proem = node(node(text, 0), 0), iuno = node(node(text, 0), 1);
    ASSERT_TRUE(proem && iuno);
    node(proem, 0)->setLatin(AttributedString::make(QStringLiteral("Arma virumque cano!")));
    ASSERT_TRUE(node(proem, 1)->latin());  // read, shown, not changed
    ASSERT_TRUE(node(proem, 1)->english());
    auto english = node(proem, 2)->english();
    ASSERT_TRUE(english);
    english->append(QStringLiteral(" again"), {});
    english->deleteCharacters({english->length() - 6, 6});
    auto moved = node(iuno, 0)->latin();
    ASSERT_TRUE(moved);
    node(iuno, 2)->setLatin(moved);  // the same text under another line
    node(iuno, 0)->setLatin(moved);

    const QByteArray saved = save(text);
    const TSTextPtr again = reload(saved);
    ASSERT_TRUE(again);
    const QByteArray savedTwice = save(again);
    QTemporaryDir out;
    const QString once = out.filePath(QStringLiteral("once.plist")), twice = out.filePath(QStringLiteral("twice.plist"));
    ASSERT_TRUE(tmtest::writeFile(once, saved));
    ASSERT_TRUE(tmtest::writeFile(twice, savedTwice));
    const QByteArray report = tmtest::runPython(QStringLiteral(R"PY(
import plistlib, sys
old, once, twice = (plistlib.load(open(p, "rb"))["Text"] for p in sys.argv[1:4])
def walk(a, b, out):
    for key in ("Latin", "English", "Location"):
        if a.get(key) != b.get(key):
            out.append("%s %s" % (a.get("uuid", "?")[:8], key))
    for x, y in zip(a.get("Children", []), b.get("Children", [])):
        walk(x, y, out)
    return out
print(" ".join(walk(old, once, [])) or "-")
print(" ".join(walk(once, twice, [])) or "-")
first = once["Children"][0]["Children"][0]["Children"][0]["Latin"]
print(b"cano!" in first, first.startswith(b"{\\rtf"))
)PY"), {path, once, twice});
    const QList<QByteArray> lines = report.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << report.toStdString();
    EXPECT_EQ(lines[0], "00000003 Latin 00000009 Latin");
    EXPECT_EQ(lines[1], "-");
    EXPECT_EQ(lines[2], "True True");
}
