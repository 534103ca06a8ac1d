// The dictionary base: the dictionary file (written by an independent
// writer), the vowel-length-insensitive search, the delayed save, archive
// unpacking, syllables and stress.

#include "dictionaries/TSDictionary.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Writes a binary dictionary file with python3's plistlib, so the reader is
// checked against a writer that is not ours.
bool writeWithPython(const QString& path, const QString& pythonValue) {
    return runPython(QStringLiteral("import plistlib,sys\nv=%1\n"
                                    "open(sys.argv[1],'wb').write(plistlib.dumps(v, fmt=plistlib.FMT_BINARY))")
                         .arg(pythonValue),
                     {path})
               .exitCode == 0;
}

bool pythonAvailable() { return runPython(QStringLiteral("import plistlib")).exitCode == 0; }

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class CountingDictionary : public TSDictionary {
public:
    void save() override {
        saves.fetch_add(1);
        setDirty(false);
    }
    std::atomic<int> saves{0};
};

}  // namespace

TEST(DictionaryFile, LoadsInTheBackgroundAndSearchesPrefixesFirst) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is needed to write the file";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Small.xml"));
    ASSERT_TRUE(writeWithPython(path, QStringLiteral(
        "{'title':'Small','author':'A. Author','words':["
        "{'Entry':'adamo','Type':2},"
        "{'Entry':'am\u014d','Type':2,'children':[{'Entry':'to love','Type':13}]},"
        "{'Entry':'amo','Type':1},"
        "{'Entry':'clamo','Type':2}]}")));
    auto d = TSDictionary::loadFromFile(QUrl::fromLocalFile(path));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->name(), QStringLiteral("Small"));
    ASSERT_TRUE(d->waitForLoad(60s));
    ASSERT_TRUE(d->words());
    EXPECT_EQ(d->words()->size(), 4u);
    const ts::ValueDictionary data = d->dictionaryData();
    EXPECT_EQ(data.at(QStringLiteral("title")).toString(), QStringLiteral("Small"));
    EXPECT_EQ(data.count(QStringLiteral("words")), 0u);
    EXPECT_EQ(data.at(QStringLiteral("Entries")).array().size(), 4u);

    // "amo" matches with and without the macron, as a whole word only.
    QStringList found;
    for (const auto& e : d->translateToEnglish(QStringLiteral("amo"), 0, 0)) found << e->entry();
    EXPECT_EQ(found, (QStringList{QStringLiteral("amo"), QStringLiteral("amō")}));
    // Confined to verbs.
    found.clear();
    for (const auto& e : d->translateToEnglish(QStringLiteral("Amo"), 2, 0)) found << e->entry();
    EXPECT_EQ(found, QStringList{QStringLiteral("amō")});
    // A typed pattern is used as it is; a broken one finds nothing.
    found.clear();
    for (const auto& e : d->translateToEnglish(QStringLiteral("^(ad|cl)"), 0, 0)) found << e->entry();
    EXPECT_EQ(found, (QStringList{QStringLiteral("adamo"), QStringLiteral("clamo")}));
    EXPECT_TRUE(d->translateToEnglish(QStringLiteral("(am"), 0, 0).empty());

    // The block form answers at once with the query as given.
    bool called = false;
    d->translateToEnglish(QStringLiteral("clamo"), 0, 0, [&](const TSDictionaryResult& r) {
        called = true;
        EXPECT_EQ(r.at(TSDictionary::kInputString).toString(), QStringLiteral("clamo"));
        EXPECT_EQ(TSDictionary::parsedWords(r).size(), 1u);
    });
    EXPECT_TRUE(called);

    const auto& words = *d->words();
    EXPECT_EQ(d->previousItem(words.front()), nullptr);
    EXPECT_EQ(d->nextItem(words.back()), nullptr);
    EXPECT_EQ(d->nextItem(words.front()), words[1]);
    EXPECT_EQ(d->previousItem(DictionaryEntry::make(QStringLiteral("stranger"))), nullptr);
}

TEST(DictionaryFile, BadFilesLeaveTheDictionaryEmpty) {
    CaptureLogger::Scope log;
    QTemporaryDir dir;
    TSDictionary d;
    EXPECT_FALSE(d.loadFromPList(QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.xml")))));
    EXPECT_EQ(log->count(), 0);

    const QString empty = dir.filePath(QStringLiteral("empty.xml"));
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_FALSE(d.loadFromPList(QUrl::fromLocalFile(empty)));
    EXPECT_TRUE(log->contains(QStringLiteral("Nil data in edited Lewis File")));

    const QString junk = dir.filePath(QStringLiteral("junk.xml"));
    ASSERT_TRUE(writeFile(junk, "bplist00 this is not a property list"));
    EXPECT_FALSE(d.loadFromPList(QUrl::fromLocalFile(junk)));
    EXPECT_TRUE(log->contains(QStringLiteral("Error reading PList format")));
    EXPECT_FALSE(d.words());
    EXPECT_TRUE(d.translateToEnglish(QStringLiteral("amo"), 0, 0).empty());

    // A file without "words" loads as an empty dictionary (XML this time).
    const QString noWords = dir.filePath(QStringLiteral("nowords.xml"));
    ASSERT_TRUE(writeFile(noWords, ts::PropertyList::writeXML(ts::ValueDictionary{{QStringLiteral("title"), QStringLiteral("T")}})));
    EXPECT_TRUE(d.loadFromPList(QUrl::fromLocalFile(noWords)));
    ASSERT_TRUE(d.words());
    EXPECT_TRUE(d.words()->empty());

    // Elements of "words" that are no entry are left out, not read as blank
    // headwords.
    const QString mixed = dir.filePath(QStringLiteral("mixed.xml"));
    ts::ValueDictionary amo{{QStringLiteral("Entry"), QStringLiteral("amo")}, {QStringLiteral("Type"), qint64(2)}};
    ASSERT_TRUE(writeFile(mixed, ts::PropertyList::writeXML(ts::ValueDictionary{
                                     {QStringLiteral("words"), ts::ValueArray{QStringLiteral("stray"), amo, qint64(7)}}})));
    EXPECT_TRUE(d.loadFromPList(QUrl::fromLocalFile(mixed)));
    ASSERT_TRUE(d.words());
    ASSERT_EQ(d.words()->size(), 1u);
    EXPECT_EQ(d.words()->front()->entry(), QStringLiteral("amo"));

    EXPECT_EQ(TSDictionary::loadFromFile(QUrl()), nullptr);
    EXPECT_TRUE(log->contains(QStringLiteral("Nil file at load from file")));
}

TEST(DictionarySearch, PatternIgnoresVowelLength) {
    TSDictionary d;
    EXPECT_EQ(d.formatStringForRegex(QStringLiteral("amo")), QStringLiteral("\\b(a|ā)m(o|ō)\\b"));
    EXPECT_EQ(d.formatStringForRegex(QStringLiteral("Amō")), QStringLiteral("\\b(a|ā)m(o|ō)\\b"));
    EXPECT_EQ(d.formatStringForRegex(QStringLiteral("rey")), QStringLiteral("\\br(e|ē|ë)(y|ȳ)\\b"));
    EXPECT_EQ(d.formatStringForRegex(QStringLiteral("^am")), QStringLiteral("^am"));
    EXPECT_TRUE(TSDictionary::isRegexString(QStringLiteral("a=b")));
    EXPECT_FALSE(TSDictionary::isRegexString(QStringLiteral("a.b*")));
}

TEST(DictionarySave, ABurstOfChangesIsSavedOnceAfterTheDelay) {
    auto d = std::make_shared<CountingDictionary>();
    d->setSaveDelay(100ms);
    for (int i = 0; i < 10; ++i) d->setDirty(true);
    EXPECT_TRUE(d->savePending());
    // The timer fires on the main queue, which this test drains by hand.
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (d->savePending() && std::chrono::steady_clock::now() < end) {
        ts::DispatchQueue::drainMain();
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(d->savePending());
    EXPECT_EQ(d->saves.load(), 1);
    EXPECT_FALSE(d->dirty());
    // The next change starts a new timer.
    d->setDirty(true);
    EXPECT_TRUE(d->savePending());
}

namespace {

// A save that keeps the dictionary dirty when an edit came in while the
// file was being written, as the written file lacks that edit.
class SlowSavingDictionary : public TSDictionary {
public:
    void save() override {
        int asOf;
        {
            std::lock_guard<std::mutex> lock(entries);
            asOf = edits;
        }
        std::this_thread::sleep_for(200us);  // the file being written
        saves.fetch_add(1);
        std::lock_guard<std::mutex> lock(entries);
        if (edits == asOf) setDirty(false);
    }
    void edit() {
        std::lock_guard<std::mutex> lock(entries);
        ++edits;
        setDirty(true);
    }
    std::mutex entries;
    int edits = 0;
    std::atomic<int> saves{0};
};

}  // namespace

TEST(DictionarySave, AnEditMadeWhileTheDelayedSaveRunsIsSavedToo) {
    int unsaved = 0;
    for (int round = 0; round < 100; ++round) {
        auto d = std::make_shared<SlowSavingDictionary>();
        d->setSaveDelay(1ms);
        std::atomic<bool> editing{true};
        std::thread editor([&] {
            for (int i = 0; i < 40; ++i) {
                d->edit();
                std::this_thread::sleep_for(100us);
            }
            editing = false;
        });
        // The timer fires on the main queue, drained here by hand.
        const auto end = std::chrono::steady_clock::now() + 60s;
        while ((editing || d->savePending()) && std::chrono::steady_clock::now() < end) {
            ts::DispatchQueue::drainMain();
            std::this_thread::sleep_for(50us);
        }
        editor.join();
        EXPECT_FALSE(d->savePending());
        if (d->dirty()) ++unsaved;
    }
    EXPECT_EQ(unsaved, 0) << "rounds whose last edit was left unsaved";
}

TEST(DictionaryBase, AbstractOperationsLogAndAnswerNothing) {
    CaptureLogger::Scope log;
    TSDictionary d;
    EXPECT_EQ(TSDictionary::dictionary(), nullptr);
    EXPECT_TRUE(d.itemsOfType(1).empty());
    EXPECT_EQ(d.entryWithKey(QStringLiteral("k")), nullptr);
    d.save();
    bool called = false;
    d.translateToLatin(QStringLiteral("love"), 0, 0, [&](const TSDictionaryResult&) { called = true; });
    EXPECT_FALSE(called);
    EXPECT_TRUE(log->contains(QStringLiteral("MUST OVERRIDE itemsOfType TSDictionary")));
    EXPECT_TRUE(log->contains(QStringLiteral("Must implement entryWithKey TSDictionary")));
    EXPECT_TRUE(log->contains(QStringLiteral("MUST OVERRIDE save TSDictionary")));
    EXPECT_TRUE(log->contains(QStringLiteral("MUST OVERRIDE translateToLatin TSDictionary")));
}

TEST(DictionaryUnzip, UnpacksAndRefusesEscapingNames) {
    if (!pythonAvailable()) GTEST_SKIP();
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("a.zip"));
    ASSERT_EQ(runPython(QStringLiteral("import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w')\n"
                                       "z.writestr('sub/data.txt','hello')\nz.writestr('../escape.txt','bad')\n"
                                       "z.writestr('/abs.txt','bad')\nz.close()"),
                        {archive})
                  .exitCode,
              0);
    const QString target = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(target);
    CaptureLogger::Scope log;
    EXPECT_FALSE(TSDictionary::unzip(QUrl::fromLocalFile(archive), QUrl::fromLocalFile(target)));
    QFile data(target + QStringLiteral("/sub/data.txt"));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    EXPECT_EQ(data.readAll(), QByteArray("hello"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("escape.txt"))));
    EXPECT_TRUE(log->contains(QStringLiteral("Error unzipping")));

    log->clear();
    EXPECT_FALSE(TSDictionary::unzip(QUrl::fromLocalFile(dir.filePath(QStringLiteral("none.zip"))),
                                     QUrl::fromLocalFile(target)));
    EXPECT_TRUE(log->contains(QStringLiteral("Error unzipping")));
}

TEST(DictionarySyllables, SplitsAndStresses) {
    EXPECT_EQ(TSDictionary::syllables(QStringLiteral("amare")),
              (QStringList{QStringLiteral("am"), QStringLiteral("ar"), QStringLiteral("e")}));
    EXPECT_EQ(TSDictionary::stressedSyllable(TSDictionary::syllables(QStringLiteral("amare"))), 2);
    const QStringList dominus = TSDictionary::syllables(QStringLiteral("dominus"));
    EXPECT_EQ(dominus, (QStringList{QStringLiteral("do"), QStringLiteral("mi"), QStringLiteral("nus")}));
    EXPECT_EQ(TSDictionary::stressedSyllable(dominus), 1);
    EXPECT_EQ(TSDictionary::syllables(QStringLiteral("mitto")), (QStringList{QStringLiteral("mit"), QStringLiteral("to")}));
    EXPECT_EQ(TSDictionary::syllables(QStringLiteral("aperit")),
              (QStringList{QStringLiteral("ap"), QStringLiteral("er"), QStringLiteral("it")}));
    EXPECT_EQ(TSDictionary::removeDiphthongs(QStringLiteral("aequus")), QStringLiteral("æqus"));
    EXPECT_EQ(TSDictionary::removeDiphthongs(QStringLiteral("quis")), QStringLiteral("qūs"));
    EXPECT_EQ(TSDictionary::stressedSyllable({QStringLiteral("ro"), QStringLiteral("sa")}), 1);
    EXPECT_EQ(TSDictionary::stressedSyllable({}), 0);
}
