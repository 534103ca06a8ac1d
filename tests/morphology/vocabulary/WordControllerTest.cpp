#include "morphology/Adjective.h"
#include "morphology/Verb.h"
#include "morphology/WordController.h"

#include "platform/NotificationCenter.h"

#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

WordPtr word(const char* latin, const char* meaning = "", qint64 type = 0, const char* source = "") {
    auto w = std::make_shared<Word>();
    w->setLatin(QString::fromUtf8(latin));
    w->setMeaning(QString::fromUtf8(meaning));
    w->setWordType(type);
    w->setSource(QString::fromUtf8(source));
    return w;
}

// A list holding the words under "vocab:1", "vocab:2", ... in the order given.
WordControllerPtr listOf(const std::vector<WordPtr>& words) {
    auto list = std::make_shared<WordController>();
    for (const WordPtr& w : words) {
        w->setUniqueID(list->getUniqueID());
        list->addObject(w);
    }
    return list;
}

QStringList latinInOrder(const WordController& list) {
    QStringList out;
    for (const QString& key : list.wordKeys()) out << list.vocabForID(key)->latin();
    return out;
}

// The archive written and read back: a clean copy of the list.
WordControllerPtr reopened(const WordController& list) {
    return WordController::restoredFromArchive(list.archiveWords());
}

QByteArray pythonArchive(const QString& body) {
    const PythonRun p = runPython(QStringLiteral(R"PY(
import plistlib, sys
from plistlib import UID
objs = ["$null"]
def add(o):
    objs.append(o); return UID(len(objs) - 1)
def cls(*names):
    return add({"$classname": names[0], "$classes": list(names) + ["NSObject"]})
dc = cls("NSMutableDictionary", "NSDictionary")
def dictionary(pairs):
    return add({"$class": dc, "NS.keys": [add(k) for k, _ in pairs], "NS.objects": [v for _, v in pairs]})
def word(klass, *values):
    o = {"$class": klass}
    for i, v in enumerate(values):
        o["$%d" % i] = add(v) if isinstance(v, str) else (UID(0) if v is None else v)
    return add(o)
)PY") + body + QStringLiteral(R"PY(
sys.stdout.buffer.write(plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000,
    "$top": {"root": root}, "$objects": objs}, fmt=plistlib.FMT_BINARY))
)PY"));
    EXPECT_TRUE(p.started) << "python3 is needed for this test";
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    return p.outBytes;
}

}  // namespace

TEST(WordController, NewIdsFollowTheLargestNumberInUse) {
    struct Case {
        QStringList keys;
        const char* expected;
    } cases[] = {
        {{}, "vocab:1"},
        {{"vocab:3", "vocab:10"}, "vocab:11"},
        {{"plain text", "vocab:2"}, "vocab:3"},
        {{"plain text"}, "vocab:1"},
        {{"vocab::7"}, "vocab:8"},           // a run of colons
        {{"vocab:-5"}, "vocab:1"},           // floored at 0
        {{"vocab:12abc"}, "vocab:13"},
        // No number lies above the largest possible one: the first free one is taken.
        {{"vocab:99999999999999999999999", "vocab:1"}, "vocab:2"},
    };
    for (const Case& c : cases) {
        WordController list;
        for (const QString& key : c.keys) list.setObject(word("x"), key);
        EXPECT_EQ(list.getUniqueID(), QString::fromLatin1(c.expected)) << c.keys.join(',').toStdString();
    }
}

TEST(WordController, NewWordsAreVerbsUnderANewId) {
    WordController list;
    EXPECT_TRUE(list.isDirty());
    list.clearDirtyFlag();
    const WordPtr first = list.makeNewWord(QStringLiteral("Amo, amare,  amavi"));
    const WordPtr second = list.makeNewWord(QStringLiteral("bellum, -i"));
    ASSERT_TRUE(std::dynamic_pointer_cast<Verb>(first));
    EXPECT_EQ(first->latin(), QStringLiteral("Amo Amare Amavi"));
    EXPECT_EQ(first->uniqueID(), QStringLiteral("vocab:1"));
    EXPECT_EQ(second->uniqueID(), QStringLiteral("vocab:2"));
    EXPECT_EQ(list.vocabForID(QStringLiteral("vocab:2")), second);
    EXPECT_TRUE(list.isDirty());
    EXPECT_EQ(list.count(), 2);
    EXPECT_TRUE(list.isAMemberOfList(first));
    EXPECT_FALSE(list.isAMemberOfList(word("Amo Amare Amavi")));
}

TEST(WordController, AddingAWordUnderAListedIdReplacesIt) {
    auto list = listOf({word("amo"), word("bellum")});
    const WordPtr replacement = word("canis");
    replacement->setUniqueID(QStringLiteral("vocab:1"));
    list->addObject(replacement);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->wordKeys(), QStringList({"vocab:2", "vocab:1"}));
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:1")), replacement);
}

TEST(WordController, SortKeysOrderTheIds) {
    auto list = listOf({
        word("rosa rosae", "rose", 1, "Horace"),
        word("amo amare", "love", 2, "Catullus"),
        word("bonus bona bonum", "good", 3, "Catullus"),
        word("agricola agricolae", "farmer", 1, "Catullus"),
    });
    const std::pair<qint64, QStringList> cases[] = {
        {0, {"agricola agricolae", "amo amare", "bonus bona bonum", "rosa rosae"}},
        {1, {"agricola agricolae", "bonus bona bonum", "amo amare", "rosa rosae"}},
        {2, {"agricola agricolae", "rosa rosae", "amo amare", "bonus bona bonum"}},
        {3, {"agricola agricolae", "amo amare", "bonus bona bonum", "rosa rosae"}},
    };
    for (const auto& [key, expected] : cases) {
        list->setSortBy(key);
        EXPECT_EQ(list->getSortBy(), key);
        list->sort();
        EXPECT_EQ(latinInOrder(*list), expected) << "sort key " << key;
    }
    // Setting the key alone does not sort.
    list->setSortBy(1);
    EXPECT_EQ(latinInOrder(*list), cases[3].second);
}

TEST(WordController, AnIdWithoutAWordSortsLastAndFindsNothing) {
    auto list = listOf({word("b"), word("a")});
    list->setWordKeys({QStringLiteral("vocab:9"), QStringLiteral("vocab:1"), QStringLiteral("vocab:2")});
    list->sort();
    EXPECT_EQ(list->wordKeys(), QStringList({"vocab:2", "vocab:1", "vocab:9"}));
    EXPECT_FALSE(list->objectAtIndex(2));
    qint64 index = 0;
    EXPECT_FALSE(list->findString(QStringLiteral("zzz"), index));
}

TEST(WordController, ChangingLatinResortsAndKeepsTheId) {
    auto list = listOf({word("amo"), word("bellum"), word("canis")});
    const WordPtr amo = list->objectAtIndex(0);
    list->changeLatin(QStringLiteral("zephyrus"), 0);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(amo->uniqueID(), QStringLiteral("vocab:1"));
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:1")), amo);
    EXPECT_EQ(latinInOrder(*list), QStringList({"bellum", "canis", "zephyrus"}));
    EXPECT_EQ(list->getIndexOfObject(amo), 2);

    list->changeEnglish(QStringLiteral("west wind"), 2);
    EXPECT_EQ(amo->meaning(), QStringLiteral("west wind"));
    // Positions without a word change nothing.
    list->changeLatin(QStringLiteral("x"), 3);
    list->changeEnglish(QStringLiteral("x"), -1);
    EXPECT_EQ(latinInOrder(*list), QStringList({"bellum", "canis", "zephyrus"}));
}

TEST(WordController, FindStringWrapsRoundFromTheStart) {
    auto list = listOf({word("amo", "love"), word("bellum", "war"), word("canis", "dog"), word("dominus", "lord")});
    struct Case {
        const char* text;
        qint64 start;
        const char* found;  // nullptr: nothing
        qint64 index;
    } cases[] = {
        {"o", 3, "amo", 0},          // from the last word on to position 0
        {"o", 0, "canis", 2},        // the meaning "dog" matches
        {"WAR", 1, "bellum", 1},     // only the start word matches: index unchanged
        {"LOVE", 2, "amo", 0},       // ignoring case
        {"xyz", 1, nullptr, 1},
        {"", 1, nullptr, 1},         // an empty text matches nothing
        {"dominus", -1, "dominus", 3},  // a start outside the list: every position in order
        {"amo", 99, "amo", 0},
    };
    for (const Case& c : cases) {
        qint64 index = c.start;
        const WordPtr w = list->findString(QString::fromLatin1(c.text), index);
        if (c.found) {
            ASSERT_TRUE(w) << c.text;
            EXPECT_EQ(w->latin(), QString::fromLatin1(c.found)) << c.text;
        } else {
            EXPECT_FALSE(w) << c.text;
        }
        EXPECT_EQ(index, c.index) << c.text;
    }
    WordController empty;
    qint64 index = 0;
    EXPECT_FALSE(empty.findString(QStringLiteral("a"), index));
    EXPECT_EQ(index, 0);
}

TEST(WordController, OutOfRangeAndNilRequestsAnswerNothing) {
    auto list = listOf({word("amo")});
    CaptureLogger::Scope log;
    EXPECT_FALSE(list->objectAtIndex(1));
    EXPECT_FALSE(list->objectAtIndex(quint64(-1)));
    EXPECT_FALSE(WordController().objectAtIndex(0));
    EXPECT_EQ(list->getIndexOfObject(word("amo")), -1);
    EXPECT_EQ(list->getIndexOfObject(nullptr), -1);
    EXPECT_FALSE(list->objectForKey(QString()));
    EXPECT_TRUE(log->contains(QStringLiteral("object requested for a nil key")));
    list->removeObjectForKey(QString());
    EXPECT_TRUE(log->contains(QStringLiteral("nil key requested")));
    EXPECT_EQ(list->count(), 1);
    EXPECT_FALSE(list->vocabForID(QStringLiteral("vocab:2")));
}

TEST(WordController, EveryChangeOfTheWordsMarksTheListChanged) {
    struct Case {
        const char* name;
        std::function<void(WordController&)> change;
        bool dirty;
    } cases[] = {
        {"remove by id", [](WordController& l) { l.removeObjectForKey(QStringLiteral("vocab:1")); }, true},
        {"remove a word", [](WordController& l) { l.removeObject(l.objectAtIndex(0)); }, true},
        {"remove an id not in the list", [](WordController& l) { l.removeObjectForKey(QStringLiteral("vocab:7")); }, false},
        {"mark all", [](WordController& l) { l.markAll(); }, true},
        {"unmark all", [](WordController& l) { l.unmarkAll(); }, true},
        {"change Latin", [](WordController& l) { l.changeLatin(QStringLiteral("x"), 0); }, true},
        {"change English", [](WordController& l) { l.changeEnglish(QStringLiteral("x"), 0); }, true},
        {"retype", [](WordController& l) { l.changeWordType(3, l.objectAtIndex(0)); }, true},
        {"add", [](WordController& l) { l.makeNewWord(QStringLiteral("canis")); }, true},
        {"sort", [](WordController& l) { l.setSortBy(1); l.sort(); }, false},
    };
    for (const Case& c : cases) {
        // One marked and one unmarked word, so that both mark commands change something.
        auto source = listOf({word("amo"), word("bellum")});
        source->objectAtIndex(1)->setMarked(true);
        auto list = reopened(*source);
        ASSERT_FALSE(list->isDirty()) << c.name;
        c.change(*list);
        EXPECT_EQ(list->isDirty(), c.dirty) << c.name;
    }
    // Marking words that are all marked already changes nothing.
    auto source = listOf({word("amo")});
    source->markAll();
    auto list = reopened(*source);
    list->markAll();
    EXPECT_FALSE(list->isDirty());
    list->unmarkAll();
    EXPECT_TRUE(list->isDirty());
    EXPECT_FALSE(list->objectAtIndex(0)->marked());
}

TEST(WordController, RetypingReplacesTheWordUnderItsIdAndAnnouncesItOnce) {
    auto list = listOf({word("amo", "love"), word("bonus bona bonum", "good")});
    const WordPtr bonus = list->vocabForID(QStringLiteral("vocab:2"));
    bonus->setTransIntrans(3);
    bonus->setGender(1);
    bonus->setConjugation(1);
    bonus->setMarked(true);
    bonus->setNotes(QStringLiteral("n"));
    bonus->setIrregData(QStringLiteral("melior"));
    bonus->setTakenCase(5);
    bonus->setIrregular(true);
    bonus->setFormality(2);

    std::vector<ts::Notification> posted;
    ts::ObserverToken token = ts::NotificationCenter::defaultCenter().addObserver(
        WordController::kWordListChanged, nullptr, [&](const ts::Notification& n) { posted.push_back(n); });

    const WordPtr adjective = list->changeWordType(3, bonus);
    ASSERT_TRUE(std::dynamic_pointer_cast<Adjective>(adjective));
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:2")), adjective);
    EXPECT_FALSE(list->isAMemberOfList(bonus));
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->wordKeys(), QStringList({"vocab:1", "vocab:2"}));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].sender, list.get());
    EXPECT_EQ(posted[0].userInfo.at(WordController::kOriginalWordKey).toObjectAs<Word>(), bonus);
    EXPECT_EQ(posted[0].userInfo.at(WordController::kNewWordKey).toObjectAs<Word>(), adjective);

    // Every field travels with the word, the transitivity too.
    EXPECT_EQ(adjective->latin(), bonus->latin());
    EXPECT_EQ(adjective->meaning(), QStringLiteral("good"));
    EXPECT_EQ(adjective->notes(), QStringLiteral("n"));
    EXPECT_EQ(adjective->irregData(), QStringLiteral("melior"));
    EXPECT_EQ(adjective->getFormality(), 2);
    EXPECT_EQ(adjective->conjugation(), 1);
    EXPECT_EQ(adjective->getTakenCase(), 5);
    EXPECT_EQ(adjective->gender(), 1);
    EXPECT_TRUE(adjective->isIrregular());
    EXPECT_TRUE(adjective->marked());
    EXPECT_EQ(adjective->uniqueID(), QStringLiteral("vocab:2"));
    EXPECT_EQ(adjective->transIntrans(), 3);

    // A word stored under a key other than its id is replaced where it is listed.
    const WordPtr stored = word("dico", "say");
    stored->setUniqueID(QStringLiteral("vocab:9"));
    list->setObject(stored, QStringLiteral("vocab:3"));
    list->setWordKeys(list->wordKeys() + QStringList{QStringLiteral("vocab:3")});
    const WordPtr verb = list->changeWordType(2, stored);
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:3")), verb);
    EXPECT_FALSE(list->vocabForID(QStringLiteral("vocab:9")));
    EXPECT_EQ(list->wordKeys().count(QStringLiteral("vocab:3")), 1);
    EXPECT_EQ(posted.size(), 2u);
    posted.clear();

    // A word outside the list only gets its copy back.
    const WordPtr stranger = word("canis", "dog");
    const WordPtr noun = list->changeWordType(1, stranger);
    ASSERT_TRUE(noun);
    EXPECT_EQ(noun->className(), QStringLiteral("Word"));
    EXPECT_EQ(noun->getWordType(), 1);
    EXPECT_EQ(list->count(), 3);
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(list->changeWordType(2, nullptr));
    EXPECT_EQ(WordController::retypedCopy(2, stranger)->className(), QStringLiteral("Verb"));
    EXPECT_EQ(WordController::retypedCopy(9, stranger)->getWordType(), 9);
}

TEST(WordController, ArchiveRoundTripKeepsWordsAndIds) {
    auto list = listOf({word("rosa rosae", "rose", 1), word("amo amare", "love", 2), word("bonus bona bonum", "good", 3)});
    list->changeWordType(2, list->vocabForID(QStringLiteral("vocab:2")));
    list->changeWordType(3, list->vocabForID(QStringLiteral("vocab:3")));
    list->vocabForID(QStringLiteral("vocab:2"))->setTransIntrans(1);

    auto back = std::make_shared<WordController>();
    back->setSortBy(1);
    back->restoreWordsFromArchive(list->archiveWords());
    EXPECT_FALSE(back->isDirty());
    ASSERT_EQ(back->count(), 3);
    // Keys sorted by the sort key the list had when it was restored.
    EXPECT_EQ(latinInOrder(*back), QStringList({"bonus bona bonum", "amo amare", "rosa rosae"}));
    for (const QString& id : {QStringLiteral("vocab:1"), QStringLiteral("vocab:2"), QStringLiteral("vocab:3")}) {
        const WordPtr a = list->vocabForID(id), b = back->vocabForID(id);
        ASSERT_TRUE(b) << id.toStdString();
        EXPECT_EQ(b->className(), a->className());
        EXPECT_EQ(b->latin(), a->latin());
        EXPECT_EQ(b->meaning(), a->meaning());
        EXPECT_EQ(b->uniqueID(), id);
        EXPECT_EQ(b->transIntrans(), a->transIntrans());
    }

    // The layout, read by an independent reader: a dictionary of ids to word
    // objects, each coding its fields without keys, version 3 first.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vocab.archive"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(list->archiveWords());
    }
    const PythonRun p = runPython(QStringLiteral(R"PY(
import plistlib, sys
a = plistlib.load(open(sys.argv[1], "rb")); o = a["$objects"]
print(a["$archiver"], a["$version"], sorted(a["$top"]))
root = o[a["$top"]["root"].data]
print(o[root["$class"].data]["$classes"])
s = lambda u: o[u.data] if u.data else None
for k, v in sorted(zip(root["NS.keys"], root["NS.objects"]), key=lambda kv: o[kv[0].data]):
    w = o[v.data]
    fields = sorted((int(f[1:]) for f in w if f.startswith("$") and f != "$class"))
    print(o[k.data], o[w["$class"].data]["$classes"], w["$0"], s(w["$1"]), s(w["$2"]), w["$6"], s(w["$12"]),
          w["$13"], w["$14"], fields == list(range(15)))
)PY"), {path});
    ASSERT_TRUE(p.started) << "python3 is needed for this test";
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_EQ(p.out, QStringLiteral(
        "NSKeyedArchiver 100000 ['root']\n"
        "['NSMutableDictionary', 'NSDictionary', 'NSObject']\n"
        "vocab:1 ['Word', 'NSObject'] 3 rosa rosae rose 1 vocab:1 False 0 True\n"
        "vocab:2 ['Verb', 'Word', 'NSObject'] 3 amo amare love 2 vocab:2 False 1 True\n"
        "vocab:3 ['Adjective', 'Word', 'NSObject'] 3 bonus bona bonum good 3 vocab:3 False 0 True\n"));
}

TEST(WordController, ArchivesOfEveryWordVersionRead) {
    // Written by hand with an independent writer: words of versions 1, 2 and
    // 3 (fields: version, latin, meaning, source, notes, irregData, word type,
    // formality, conj, case, gender, irregular[, id, marked[, transitivity]]).
    const QByteArray data = pythonArchive(QStringLiteral(R"PY(
w = cls("Word"); v = cls("Verb", "Word"); a = cls("Adjective", "Word")
root = dictionary([
    ("vocab:1", word(w, 1, "rosa rosae", "rose", "", "", None, 1, 0, 1, 0, 2, False)),
    ("vocab:2", word(v, 2, "amo amare", "love", "", "", None, 2, 0, 1, 0, 0, False, "vocab:2", True)),
    ("vocab:3", word(a, 3, "bonus bona bonum", "good", "", "", None, 3, 0, 1, 0, 0, False, "vocab:3", False, 0)),
    ("vocab:4", word(v, 3, "dico dicere", "say", "", "", None, 2, 0, 3, 0, 0, False, "vocab:4", False, 1)),
])
)PY"));
    ASSERT_FALSE(data.isEmpty());
    auto list = WordController::restoredFromArchive(data);
    EXPECT_FALSE(list->isDirty());
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(latinInOrder(*list), QStringList({"amo amare", "bonus bona bonum", "dico dicere", "rosa rosae"}));
    const WordPtr rosa = list->vocabForID(QStringLiteral("vocab:1"));
    EXPECT_EQ(rosa->gender(), 2);
    // Version 1 has no id: the word takes the one it is listed under, so that
    // it can be found, removed and retyped like any other.
    EXPECT_EQ(rosa->uniqueID(), QStringLiteral("vocab:1"));
    EXPECT_EQ(list->getIndexOfObject(rosa), 3);
    const WordPtr retyped = list->changeWordType(3, rosa);
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:1")), retyped);
    EXPECT_EQ(list->count(), 4);
    EXPECT_TRUE(list->vocabForID(QStringLiteral("vocab:2"))->marked());
    EXPECT_TRUE(std::dynamic_pointer_cast<Adjective>(list->vocabForID(QStringLiteral("vocab:3"))));
    EXPECT_EQ(list->vocabForID(QStringLiteral("vocab:4"))->transIntrans(), 1);
    EXPECT_EQ(list->getUniqueID(), QStringLiteral("vocab:5"));
}

TEST(WordController, UnreadableArchivesGiveAnEmptyChangedList) {
    struct Case {
        const char* name;
        QByteArray data;
        const char* logged;  // nullptr: nothing
    } cases[] = {
        {"no data", QByteArray(), nullptr},
        {"not an archive", QByteArray("bplist00 not an archive"), "Unable to unarchive object"},
        {"a string root", pythonArchive(QStringLiteral("root = add('vocab:1')\n")), "Unable to unarchive object"},
        {"an array root",
         pythonArchive(QStringLiteral("ar = cls('NSMutableArray', 'NSArray')\n"
                                      "root = add({'$class': ar, 'NS.objects': [word(cls('Word'), 3, 'x', 'y', '', '', None, 1, 0, 1, 0, 1, False, 'vocab:1', False, 0)]})\n")),
         "Unable to unarchive object"},
        {"a class that is no word", pythonArchive(QStringLiteral(
             "root = dictionary([('vocab:1', add({'$class': cls('FootnoteObject'), '$0': 3}))])\n")),
         "Unable to unarchive object"},
    };
    for (const Case& c : cases) {
        CaptureLogger::Scope log;
        auto list = std::make_shared<WordController>();
        list->makeNewWord(QStringLiteral("amo"));
        list->restoreWordsFromArchive(c.data);
        EXPECT_EQ(list->count(), 0) << c.name;
        EXPECT_TRUE(list->wordKeys().isEmpty()) << c.name;
        EXPECT_TRUE(list->isDirty()) << c.name;
        if (c.logged) {
            EXPECT_TRUE(log->contains(QString::fromLatin1(c.logged))) << c.name;
        }
        EXPECT_EQ(list->getUniqueID(), QStringLiteral("vocab:1")) << c.name;
        // What could not be read is written back as it was, not replaced by an empty list.
        EXPECT_EQ(list->hasUnreadableArchive(), !c.data.isEmpty()) << c.name;
        if (c.data.isEmpty()) continue;
        EXPECT_EQ(list->archiveWords(), c.data) << c.name;
        list->makeNewWord(QStringLiteral("canis"));
        EXPECT_EQ(list->archiveWords(), c.data) << c.name;
        EXPECT_TRUE(log->contains(QStringLiteral("1 words are not saved"))) << c.name;
        list->discardUnreadableArchive();
        EXPECT_EQ(WordController::restoredFromArchive(list->archiveWords())->count(), 1) << c.name;
    }
    // A later restore of readable data lets go of the unreadable bytes.
    auto list = WordController::restoredFromArchive(QByteArray("garbage"));
    list->restoreWordsFromArchive(listOf({word("amo")})->archiveWords());
    EXPECT_FALSE(list->hasUnreadableArchive());
    EXPECT_EQ(list->count(), 1);
}

TEST(WordController, ValuesThatAreNotWordsAreLeftOut) {
    const QByteArray data = pythonArchive(QStringLiteral(R"PY(
root = dictionary([
    ("vocab:1", word(cls("Word"), 3, "rosa rosae", "rose", "", "", None, 1, 0, 1, 0, 2, False, "vocab:1", False, 0)),
    ("vocab:2", add("a stray string")),
])
)PY"));
    CaptureLogger::Scope log;
    auto list = WordController::restoredFromArchive(data);
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->wordKeys(), QStringList({"vocab:1"}));
    EXPECT_TRUE(log->contains(QStringLiteral("not a word")));
}
