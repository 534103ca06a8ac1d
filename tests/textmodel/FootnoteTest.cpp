// Footnotes: ids, the archive (versions 1 to 3, read back by an independent
// reader), unreadable archives, and footnote links numbered in the text.

#include "TextModelTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Url.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSLinkStyle.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

using namespace ts;

namespace {

struct Tree {
    TSTextPtr root = std::make_shared<TSText>();
    std::vector<TSMatchedChunkPtr> lines;
    TSMatchedChunkPtr add(const QString& english, const TSChunkPtr& parent) {
        auto l = std::make_shared<TSMatchedChunk>();
        l->setEnglish(AttributedString::make(english));
        parent->addChild(l);
        lines.push_back(l);
        return l;
    }
    // Appends an unnumbered marker linked to the footnote, as the document does.
    void link(const TSMatchedChunkPtr& l, const QString& id, const QString& column = QStringLiteral("english")) {
        auto t = l->textForKey(column);
        const qsizetype end = t ? t->length() : 0;
        root->insertURL(id, 0, {end, 0}, l, column);
    }
};

QString english(const TSMatchedChunkPtr& l) { return l->english()->string(); }

// Builds a keyed archive with plistlib, as the original wrote them. The body
// adds its objects through add() (fn, uu and dc are the footnote, uuid and
// dictionary classes) and sets root.
QByteArray archiveBuiltByPlistlib(const char* body) {
    return tmtest::runPython(QStringLiteral(R"PY(
import plistlib, sys
from plistlib import UID
objs = ["$null"]
def add(o):
    objs.append(o); return UID(len(objs) - 1)
fn = add({"$classname": "FootnoteObject", "$classes": ["FootnoteObject", "NSObject"]})
uu = add({"$classname": "NSUUID", "$classes": ["NSUUID", "NSObject"]})
dc = add({"$classname": "NSMutableDictionary", "$classes": ["NSMutableDictionary", "NSDictionary", "NSObject"]})
)PY") + QString::fromUtf8(body) + QStringLiteral(R"PY(
sys.stdout.buffer.write(plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root}, "$objects": objs},
                                       fmt=plistlib.FMT_BINARY))
)PY"));
}

// Reads an archive of footnotes with plistlib and runs the loop body on each
// entry of its dictionary in key order (k the key, v the value, o the objects).
QByteArray readByPlistlib(const QByteArray& archive, const char* loopBody) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.archive"));
    if (!tmtest::writeFile(path, archive)) {
        ADD_FAILURE() << "cannot write the archive";
        return {};
    }
    return tmtest::runPython(QStringLiteral(R"PY(
import plistlib, sys
a = plistlib.load(open(sys.argv[1], "rb")); o = a["$objects"]
root = o[a["$top"]["root"].data]
for k, v in sorted(zip(root["NS.keys"], root["NS.objects"]), key=lambda kv: o[kv[0].data]):
)PY") + QString::fromUtf8(loopBody), {path});
}

}  // namespace

TEST(Footnotes, IdsAndLinkKinds) {
    FootnoteList list;
    auto a = list.makeNewNote(), b = list.makeNewNote();
    const QRegularExpression form(QStringLiteral("^footnote:[0-9A-F]{32}$"));
    EXPECT_TRUE(form.match(a->uniqueID()).hasMatch()) << a->uniqueID().toStdString();
    EXPECT_NE(a->uniqueID(), b->uniqueID());
    EXPECT_EQ(list.noteForID(a->uniqueID()), a);
    EXPECT_EQ(list.noteForID(b->uniqueID()), b);

    FootnoteList numeric;
    EXPECT_EQ(numeric.getUniqueID(), QStringLiteral("footnote:1"));
    for (const char* id : {"footnote:3", "footnote:12"}) {
        auto n = std::make_shared<FootnoteObject>();
        n->setUniqueID(QString::fromLatin1(id));
        numeric.addNote(n);
    }
    EXPECT_EQ(numeric.getUniqueID(), QStringLiteral("footnote:13"));
    EXPECT_EQ(numeric.objectAtIndex(0)->uniqueID(), QStringLiteral("footnote:12"));
    EXPECT_FALSE(numeric.objectAtIndex(2));
    EXPECT_FALSE(numeric.objectAtIndex(-1));

    // The largest number in use has no successor: a free number is taken.
    FootnoteList full;
    for (const char* id : {"footnote:9223372036854775807", "footnote:1", "footnote:99999999999999999999999"}) {
        auto n = std::make_shared<FootnoteObject>();
        n->setUniqueID(QString::fromLatin1(id));
        full.addNote(n);
    }
    EXPECT_EQ(full.getUniqueID(), QStringLiteral("footnote:2"));

    EXPECT_EQ(LinkTypeOfLink(Value(QStringLiteral("footnote:12"))), 0);  // a string is not a link
    EXPECT_EQ(LinkTypeOfLink(Value(Url::make(QStringLiteral("footnote:12")))), 1);
    EXPECT_EQ(LinkTypeOfLink(Value(Url::make(QStringLiteral("vocab:7")))), 2);
    EXPECT_EQ(LinkTypeOfLink(Value(Url::make(QStringLiteral("https://example.org")))), 0);
    EXPECT_EQ(LinkTypeOfLink(Value(Url::make(QStringLiteral(":footnote")))), 0);
    EXPECT_EQ(LinkIdentifierString(Value(Url::make(QStringLiteral("footnote:12")))), QStringLiteral("footnote:12"));

    auto titled = std::make_shared<FootnoteObject>();
    EXPECT_EQ(titled->description(), QString());
    titled->setTitle(QStringLiteral("Troy"));
    titled->setNoteFromString(QStringLiteral("a city"));
    EXPECT_EQ(titled->description(), QStringLiteral("Troy: a city"));
}

TEST(Footnotes, LinksAreNumberedInReadingOrder) {
    Tree t;
    FootnoteList notes;
    auto a = notes.makeNewNote(), b = notes.makeNewNote();
    auto section = std::make_shared<TSMatchedChunk>();
    t.root->addChild(section);
    auto l1 = t.add(QStringLiteral("arms"), section), l2 = t.add(QStringLiteral("man"), section),
         l3 = t.add(QStringLiteral("Troy"), t.root);
    t.link(l1, a->uniqueID());
    EXPECT_EQ(english(l1), QStringLiteral("arms[*]"));
    t.link(l2, QStringLiteral("footnote:missing"));
    t.link(l2, b->uniqueID());
    t.link(l3, a->uniqueID());

    const auto changed = t.root->reunumberFootnotes(notes, QStringLiteral("english"), false);
    EXPECT_EQ(english(l1), QStringLiteral("arms[1]"));
    EXPECT_EQ(english(l2), QStringLiteral("man[*][2]"));  // the missing note keeps its marker and uses no number
    EXPECT_EQ(english(l3), QStringLiteral("Troy[1]"));
    EXPECT_EQ(changed.size(), 3u);
    EXPECT_EQ(a->currentNumber(), 1);
    EXPECT_EQ(b->currentNumber(), 2);

    TextRange run;
    auto link = l2->english()->attribute(AttributeName::Link, 7, &run).toObjectAs<Url>();
    ASSERT_TRUE(link);
    EXPECT_EQ(link->absoluteString(), b->uniqueID());
    EXPECT_EQ(run, (TextRange{6, 3}));
    EXPECT_EQ(l2->english()->attribute(AttributeName::Underline, 7).toInt64(), 1);
    EXPECT_TRUE(l2->english()->attribute(AttributeName::ForegroundColor, 7).toObjectAs<Color>());

    // The delimiters come from the settings, read for every marker.
    TSLinkStyles::setProvider([](qint32 type, TSLinkStyle& style) {
        style.footnoteDelimiterOpen = QLatin1Char('(');
        style.footnoteDelimiterClose = QLatin1Char(')');
        style.underline = false;
        return type == TSLinkTypeFootnote;
    });
    const auto exported = t.root->reunumberFootnotes(notes, QStringLiteral("english"), true);
    TSLinkStyles::setProvider({});
    EXPECT_TRUE(exported.empty());
    EXPECT_EQ(english(l1), QStringLiteral("arms(1)"));
    EXPECT_EQ(english(l3), QStringLiteral("Troy(1)"));
    // Export keeps the links and their attributes.
    EXPECT_EQ(l1->english()->attribute(AttributeName::Link, 5).toObjectAs<Url>()->absoluteString(), a->uniqueID());
    EXPECT_EQ(l1->english()->attribute(AttributeName::Underline, 5).toInt64(), 1);

    // A node without the column gets nothing and the failure is logged.
    CaptureLogger::Scope log;
    const TextRange r = t.root->insertURL(a->uniqueID(), 1, {0, 0}, t.root, QStringLiteral("english"));
    EXPECT_EQ(r, (TextRange{0, 0}));
    EXPECT_TRUE(log->contains(QStringLiteral("Nil attributed string for TSText")));
}

TEST(Footnotes, FoundCopyPurgeArchiveCycleKeepsTheLiveList) {
    Tree t;
    FootnoteList notes;
    auto a = notes.makeNewNote(), b = notes.makeNewNote(), c = notes.makeNewNote();
    a->setTitle(QStringLiteral("arms"));
    a->setNoteFromString(QStringLiteral("Arms are weapons."));
    auto l = t.add(QStringLiteral("arma"), t.root);
    t.link(l, a->uniqueID());
    l->setPerseusEnglish(AttributedString::make(QStringLiteral("arms")));
    t.link(l, b->uniqueID(), QStringLiteral("perseusEnglish"));

    t.root->markFoundNotes(notes);
    EXPECT_TRUE(a->wasFound());
    EXPECT_TRUE(b->wasFound());  // linked only from the imported translation
    EXPECT_FALSE(c->wasFound());
    auto copy = notes.copy();
    copy->purgeUnusedNotes();
    EXPECT_EQ(copy->count(), 2);
    EXPECT_EQ(notes.count(), 3);
    EXPECT_EQ(notes.noteForID(c->uniqueID()), c);

    const QByteArray archive = copy->archiveNotes();
    ASSERT_FALSE(archive.isEmpty());
    auto back = FootnoteList::unarchiveNotes(archive);
    ASSERT_EQ(back->count(), 2);
    auto a2 = back->noteForID(a->uniqueID());
    ASSERT_TRUE(a2);
    EXPECT_EQ(a2->title(), QStringLiteral("arms"));
    EXPECT_EQ(a2->uuid()->UUIDString(), a->uuid()->UUIDString());
    EXPECT_EQ(a2->attributedString()->string(), QStringLiteral("Arms are weapons."));
    EXPECT_FALSE(a2->wasFound());
    EXPECT_EQ(a2->currentNumber(), 0);
    EXPECT_TRUE(back->noteForID(b->uniqueID())->title().isNull());
}

// Saving archives a purged copy each time; an archive made before is
// answered again only while every footnote in it is as it was: any change
// of what the archive holds, or of which notes are in it, archives anew.
TEST(Footnotes, CopiesArchiveAgainWhateverChanged) {
    FootnoteList notes;
    auto a = notes.makeNewNote(), b = notes.makeNewNote();
    a->setTitle(QStringLiteral("arms"));
    a->setNoteFromString(QStringLiteral("Arms are weapons."));
    auto archived = [&] { return notes.copy()->archiveNotes(); };
    auto fresh = [&] {  // archived by a list that never archived before
        FootnoteList other;
        other.setNotes(notes.notes());
        return other.copy()->archiveNotes();
    };
    QByteArray before = archived();
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(archived(), before);
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"title", [&] { a->setTitle(QStringLiteral("arma")); }},
        {"empty title", [&] { b->setTitle(QStringLiteral("")); }},
        {"no title", [&] { b->setTitle(QString()); }},
        {"note", [&] { a->setNoteFromString(QStringLiteral("Weapons.")); }},
        {"empty note", [&] { b->setNote(QByteArray("")); }},
        {"id", [&] { b->setUniqueID(QStringLiteral("footnote:7")); }},
        {"uuid", [&] { a->setUuid(ts::Uuid::create()); }},
        {"another note", [&] { notes.makeNewNote(); }},
        {"one note fewer", [&] { notes.notes().erase(a->uniqueID()); }},
    };
    for (const auto& [what, change] : changes) {
        change();
        const QByteArray after = archived();
        EXPECT_NE(after, before) << what;
        EXPECT_EQ(after, fresh()) << what;
        EXPECT_EQ(archived(), after) << what;
        before = after;
    }
    auto back = FootnoteList::unarchiveNotes(before);
    ASSERT_EQ(back->count(), 2);
    EXPECT_EQ(back->noteForID(b->uniqueID())->note(), QByteArray(""));
}

// Links in stored text that has not been read yet are found whatever the
// case of the field instruction, so the save keeps their footnotes.
TEST(Footnotes, StoredLinksMarkTheirFootnotesFound) {
    FootnoteList notes;
    auto a = notes.makeNewNote(), b = notes.makeNewNote();
    auto line = [](const QString& id, const char* word) {
        ValueDictionary d = tmtest::nodeDict("TSMatchedChunk");
        const QByteArray body = QByteArray("\\f0\\fs24 \\cf0 arma {\\field{\\*\\fldinst{") + word + " \"" + id.toLatin1() +
                                "\"}}{\\fldrslt [1]}}";
        d[QStringLiteral("English")] = Value(tmtest::platformRtf(body.constData()));
        return Value(d);
    };
    auto root = TSText::textFromDictionary(
        tmtest::rootWith({line(a->uniqueID(), "HYPERLINK"), line(b->uniqueID(), "HyperLink")}));
    ASSERT_TRUE(root);
    root->markFoundNotes(notes);
    EXPECT_TRUE(a->wasFound());
    EXPECT_TRUE(b->wasFound());
    auto copy = notes.copy();
    copy->purgeUnusedNotes();
    EXPECT_EQ(copy->count(), 2);
}

// Text that cannot be read is saved as it was, links included: the
// footnotes it links to must survive the purge before the save.
TEST(Footnotes, LinksInUnreadableTextKeepTheirFootnotes) {
    FootnoteList notes;
    auto linked = notes.makeNewNote(), unlinked = notes.makeNewNote();
    const QByteArray broken = "{\\rtf1\\ansi {\\fonttbl\\f0\\fswiss Helvetica;}\\f0 arma {\\field{\\*\\fldinst{HYPERLINK \"" +
                              linked->uniqueID().toLatin1() + "\"}}{\\fldrslt [1]";
    ValueDictionary line = tmtest::nodeDict("TSMatchedChunk");
    line[QStringLiteral("Perseus English")] = Value(broken);
    auto root = TSText::textFromDictionary(tmtest::rootWith({Value(line)}));
    ASSERT_TRUE(root);
    CaptureLogger::Scope log;
    root->markFoundNotes(notes);
    EXPECT_TRUE(linked->wasFound());
    EXPECT_FALSE(unlinked->wasFound());
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(root->childAt(0));
    ASSERT_TRUE(node && node->hasUnreadableText());
    EXPECT_EQ(node->serialize()[QStringLiteral("Perseus English")].toData(), broken);

    // Once the text is replaced, its old links no longer count.
    node->setPerseusEnglish(AttributedString::make(QStringLiteral("arms")));
    root->markFoundNotes(notes);
    EXPECT_FALSE(linked->wasFound());
}

// Archives as the original wrote them, built by hand with an independent
// writer: one footnote of each version, and one of an unknown version.
TEST(Footnotes, ArchivesOfVersionsOneToThreeRead) {
    const QByteArray archive = archiveBuiltByPlistlib(R"PY(
rtf = rb"{\rtf1\ansi\ansicpg1252\cocoartf1671{\fonttbl\f0\fswiss\fcharset0 Helvetica;}\f0\fs24 \cf0 note text}"
note = add(rtf)
v3 = add({"$class": fn, "$0": 3, "$1": add({"$class": uu, "NS.uuidbytes": bytes(range(16))}), "$2": add("Three"),
          "$3": add("footnote:000102030405060708090A0B0C0D0E0F"), "$4": note})
v2 = add({"$class": fn, "$0": 2, "$1": add("Two"), "$2": add("footnote:2"), "$3": note})
v1 = add({"$class": fn, "$0": 1, "$1": add("footnote:1"), "$2": UID(0)})
v7 = add({"$class": fn, "$0": 7, "$1": add("a field of a newer version"), "$2": note})
keys = [add("footnote:000102030405060708090A0B0C0D0E0F"), add("footnote:2"), add("footnote:1"), add("footnote:7")]
root = add({"$class": dc, "NS.keys": keys, "NS.objects": [v3, v2, v1, v7]})
)PY");
    ASSERT_FALSE(archive.isEmpty());
    CaptureLogger::Scope log;
    auto list = FootnoteList::unarchiveNotes(archive);
    ASSERT_EQ(list->count(), 4);
    EXPECT_FALSE(list->hasUnreadableArchive());
    auto v3 = list->noteForID(QStringLiteral("footnote:000102030405060708090A0B0C0D0E0F"));
    ASSERT_TRUE(v3);
    EXPECT_EQ(v3->uuid()->UUIDString(), QStringLiteral("00010203-0405-0607-0809-0A0B0C0D0E0F"));
    EXPECT_EQ(v3->title(), QStringLiteral("Three"));
    EXPECT_EQ(v3->attributedString()->string(), QStringLiteral("note text"));
    auto v2 = list->noteForID(QStringLiteral("footnote:2"));
    EXPECT_EQ(v2->title(), QStringLiteral("Two"));
    EXPECT_EQ(v2->uniqueID(), QStringLiteral("footnote:2"));
    auto v1 = list->noteForID(QStringLiteral("footnote:1"));
    EXPECT_TRUE(v1->title().isNull());
    EXPECT_TRUE(v1->note().isNull());
    auto v7 = list->noteForID(QStringLiteral("footnote:7"));
    ASSERT_TRUE(v7);
    EXPECT_TRUE(v7->uniqueID().isNull());
    EXPECT_TRUE(log->contains(QStringLiteral("bad verions constant at initWithCoder")));
    EXPECT_EQ(list->copy()->count(), 4);  // the empty footnote keeps its key

    // Written back, every known footnote is version 3 with a uuid, and the
    // newer one keeps what it was written with; an independent reader checks.
    const QByteArray report = readByPlistlib(list->archiveNotes(), R"PY(
    f = o[v.data]; u = o[f["$1"].data]
    if f["$0"] != 3:
        print(o[k.data], f["$0"], u, o[f["$2"].data][-11:-1], sorted(f))
        continue
    print(o[k.data], f["$0"], o[u["$class"].data]["$classname"], len(u["NS.uuidbytes"]), o[f["$3"].data] if f["$3"].data else None)
)PY");
    EXPECT_EQ(QString::fromUtf8(report),
              QStringLiteral("footnote:000102030405060708090A0B0C0D0E0F 3 NSUUID 16 footnote:000102030405060708090A0B0C0D0E0F\n"
              "footnote:1 3 NSUUID 16 footnote:1\n"
              "footnote:2 3 NSUUID 16 footnote:2\n"
              "footnote:7 7 a field of a newer version b' note text' ['$0', '$1', '$2', '$class']\n"));
}

TEST(Footnotes, UnreadableArchiveIsReportedAndItsBytesKept) {
    const QByteArray garbage("bplist00 this is not an archive at all");
    CaptureLogger::Scope log;
    auto list = FootnoteList::unarchiveNotes(garbage);
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(list->hasUnreadableArchive());
    EXPECT_TRUE(log->contains(QStringLiteral("could not be read")));
    // The save cycle writes the original bytes back.
    auto copy = list->copy();
    copy->purgeUnusedNotes();
    EXPECT_EQ(copy->archiveNotes(), garbage);

    // A footnote added afterwards is saved, and the old bytes with it.
    auto added = list->makeNewNote();
    added->setTitle(QStringLiteral("new"));
    copy = list->copy();
    added->setFound(true);
    copy->purgeUnusedNotes();
    const QByteArray saved = copy->archiveNotes();
    ASSERT_NE(saved, garbage);
    auto back = FootnoteList::unarchiveNotes(saved);
    ASSERT_EQ(back->count(), 1);
    EXPECT_EQ(back->noteForID(added->uniqueID())->title(), QStringLiteral("new"));
    EXPECT_EQ(back->unreadableArchive(), garbage);
    EXPECT_EQ(FootnoteList::unarchiveNotes(back->archiveNotes())->unreadableArchive(), garbage);

    // What the independent reader sees: two footnotes, one holding the bytes.
    const QByteArray report = readByPlistlib(saved, R"PY(
    f = o[v.data]
    print(o[k.data][:20], o[f["$class"].data]["$classname"], f["$0"], o[f["$4"].data] if f["$4"].data else None)
)PY");
    EXPECT_EQ(QString::fromUtf8(report).section(QLatin1Char('\n'), 0, 0),
              added->uniqueID().left(20) + QStringLiteral(" FootnoteObject 3 None"));
    EXPECT_EQ(QString::fromUtf8(report).section(QLatin1Char('\n'), 1, 1),
              QStringLiteral("footnote:kept-unread FootnoteObject 3 b'bplist00 this is not an archive at all'"));

    list->discardUnreadableArchive();
    EXPECT_FALSE(list->hasUnreadableArchive());
    EXPECT_EQ(FootnoteList::unarchiveNotes(list->archiveNotes())->count(), 1);
}

// An archive whose entries are not all footnotes: every footnote is read,
// the other entries are written back unchanged beside new footnotes.
TEST(Footnotes, EntriesThatAreNoFootnotesAreKeptAndTheRestRead) {
    const QByteArray archive = archiveBuiltByPlistlib(R"PY(
rtf = rb"{\rtf1\ansi{\fonttbl\f0\fswiss Helvetica;}\f0 note text}"
my = add({"$classname": "MysteryThing", "$classes": ["MysteryThing"]})
note = add(rtf)
a = add({"$class": fn, "$0": 3, "$1": add({"$class": uu, "NS.uuidbytes": bytes(range(16))}), "$2": add("A"),
         "$3": add("footnote:A"), "$4": note})
m = add({"$class": my, "label": add("kept label"), "count": 7})
b = add({"$class": fn, "$0": 2, "$1": add("B"), "$2": add("footnote:B"), "$3": note})
s = add("a plain string")
keys = [add("footnote:A"), add("footnote:M"), add("footnote:B"), add("footnote:S")]
root = add({"$class": dc, "NS.keys": keys, "NS.objects": [a, m, b, s]})
)PY");
    ASSERT_FALSE(archive.isEmpty());
    CaptureLogger::Scope log;
    auto list = FootnoteList::unarchiveNotes(archive);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->noteForID(QStringLiteral("footnote:A"))->title(), QStringLiteral("A"));
    EXPECT_EQ(list->noteForID(QStringLiteral("footnote:B"))->attributedString()->string(), QStringLiteral("note text"));
    EXPECT_EQ(list->keptEntryCount(), 2);
    EXPECT_TRUE(log->contains(QStringLiteral("footnote:M")));
    EXPECT_TRUE(log->contains(QStringLiteral("footnote:S")));

    auto added = list->makeNewNote();
    auto copy = list->copy();
    for (const auto& [id, n] : list->notes()) n->setFound(id != QStringLiteral("footnote:B"));
    copy->purgeUnusedNotes();  // B is no longer linked; the kept entries stay
    const QByteArray saved = copy->archiveNotes();
    auto back = FootnoteList::unarchiveNotes(saved);
    EXPECT_EQ(back->count(), 2);
    EXPECT_TRUE(back->noteForID(added->uniqueID()));
    EXPECT_EQ(back->keptEntryCount(), 2);

    const QByteArray report = readByPlistlib(FootnoteList::unarchiveNotes(saved)->archiveNotes(), R"PY(
    key, f = o[k.data], o[v.data]
    if key == "footnote:M":
        print(key, o[f["$class"].data]["$classname"], o[f["label"].data], f["count"])
    elif key == "footnote:S":
        print(key, f)
    else:
        print(key[:12], o[f["$class"].data]["$classname"])
)PY");
    QStringList lines = QString::fromUtf8(report).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList expected{QStringLiteral("footnote:A FootnoteObject"), QStringLiteral("footnote:M MysteryThing kept label 7"),
                         QStringLiteral("footnote:S a plain string"), added->uniqueID().left(12) + QStringLiteral(" FootnoteObject")};
    lines.sort();
    expected.sort();
    EXPECT_EQ(lines, expected);
}

TEST(Footnotes, LinkStyleOfTheSettings) {
    Attributes current;
    current[AttributeName::Font] = Value(Font::make(QStringLiteral("Helvetica"), 12));
    Attributes added;
    TSLinkStyles::addLinkAttributes(added, TSLinkTypeVocab, &current);
    EXPECT_EQ(added[AttributeName::Underline].toInt64(), 1);
    EXPECT_TRUE(added[AttributeName::ForegroundColor].toObjectAs<Color>());
    EXPECT_FALSE(added.count(AttributeName::Font));  // no traits, no font

    TSLinkStyles::setProvider([](qint32, TSLinkStyle& style) {
        style.underline = false;
        style.fontTraits = TSBoldFontMask;
        style.linkColor = Color::redColor();
        return true;
    });
    Attributes styled;
    TSLinkStyles::addLinkAttributes(styled, TSLinkTypeFootnote, &current);
    TSLinkStyles::setProvider({});
    EXPECT_FALSE(styled.count(AttributeName::Underline));
    EXPECT_TRUE(styled[AttributeName::Font].toObjectAs<Font>()->isBold());
    EXPECT_TRUE(styled[AttributeName::ForegroundColor].toObjectAs<Color>()->isEqual(*Color::redColor()));

    CaptureLogger::Scope log;
    Attributes none;
    TSLinkStyles::addLinkAttributes(none, 3, &current);
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(log->contains(QStringLiteral("bad link type at addLinkAttributes")));
}
