// The real Eclogues and Amphitruo translations aligned onto their Latin:
// every English line of a section with a Latin counterpart finds a place,
// and what has no counterpart is reported, not dropped in silence. The
// texts write the same bytes walked as whole.

#include "EditingTestSupport.h"
#include "TeiTrees.h"
#include "support/CaptureLogger.h"

#include "platform/PropertyList.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSImportNodes.h"

#include <QFile>

#include <iostream>

#include <set>

using namespace edtest;

namespace {

const QString kPE = QStringLiteral("perseusEnglish");

// A line parent's translation with the footnote markers left out, all its
// lines' texts one after another.
QString placedText(const TSChunkPtr& parent) {
    QString out;
    for (const auto& line : parent->childNodes()) {
        auto t = line->textForKey(kPE);
        if (!t) continue;
        for (qsizetype i = 0; i < t->length(); ++i)
            if (t->attribute(ts::AttributeName::Link, i).isNull()) out += t->string()[i];
        out += QLatin1Char('\n');
    }
    return out;
}

// Section name (lower case) to section, for every node holding lines.
void lineParents(const TSChunkPtr& node, std::map<QString, TSChunkPtr>& out, const QString& prefix = {}) {
    for (const auto& c : node->childNodes()) {
        if (c->isLine()) {
            out[prefix + node->chunkName().toLower()] = node;
            return;
        }
    }
    for (const auto& c : node->childNodes()) lineParents(c, out, prefix + node->chunkName().toLower() + "/");
}

struct Tally {
    int lines = 0;
    int placed = 0;
    QStringList missing;
};

// Every TSLine of each translation section must stand in the translation of
// the Latin section of the same path.
Tally tally(const TSTextPtr& latin, const TSTextPtr& english, const std::set<QString>& without) {
    std::map<QString, TSChunkPtr> latinParents, englishParents;
    lineParents(latin, latinParents);
    lineParents(english, englishParents);
    Tally t;
    for (const auto& [path, section] : englishParents) {
        if (without.count(path)) continue;
        auto counterpart = latinParents.find(path);
        const QString placed = counterpart == latinParents.end() ? QString() : placedText(counterpart->second);
        for (const auto& c : section->childNodes()) {
            if (!std::dynamic_pointer_cast<TSLine>(c)) continue;
            ++t.lines;
            if (!c->name().isEmpty() && placed.contains(c->name()))
                ++t.placed;
            else
                t.missing << path + ": " + c->name().left(60);
        }
    }
    return t;
}

bool haveData() { return QFile::exists(teitest::sharedPath("data/tei/eclogues-eng.xml")); }

}  // namespace

TEST(RealTranslations, EcloguesEveryLineFindsAPlace) {
    if (!haveData()) GTEST_SKIP() << "shared TEI data not found";
    auto latin = teitest::latinTree(teitest::sharedPath("data/tei/eclogues-lat.xml"), "Eclogues");
    auto english = teitest::englishTree(teitest::sharedPath("data/tei/eclogues-eng.xml"), "Eclogues");
    ASSERT_TRUE(latin && english);
    ASSERT_EQ(latin->childAt(0)->numChildren(), 10);
    ASSERT_EQ(english->childAt(0)->numChildren(), 10);

    FootnoteList notes;
    CaptureLogger::Scope log;
    latin->importPerseusTranslation(english, notes);
    Tally t = tally(latin, english, {});
    EXPECT_GT(t.lines, 700);
    EXPECT_EQ(t.placed, t.lines) << t.missing.join("\n").toStdString();
    EXPECT_EQ(log->count(), 0) << log->messages().join("\n").toStdString();

    // The first lines of the first poem line up one to one.
    auto poem = latin->childAt(0)->childAt(0);
    EXPECT_EQ(columnOf(poem->childAt(0), kPE), "MELIBOEUS You, Tityrus, 'neath a broad beech-canopy");
    EXPECT_EQ(columnOf(poem->childAt(1), kPE), "reclining, on the slender oat rehearse");
    std::cout << "Eclogues: " << t.lines << " English lines placed\n";
}

TEST(RealTranslations, AmphitruoLinesPlacedNotesLinkedAndTheRestReported) {
    if (!haveData()) GTEST_SKIP() << "shared TEI data not found";
    auto latin = teitest::latinTree(teitest::sharedPath("data/tei/amphitruo-lat.xml"));
    auto english = teitest::englishTree(teitest::sharedPath("data/tei/amphitruo-eng.xml"));
    ASSERT_TRUE(latin && english);
    ASSERT_EQ(latin->numChildren(), 5);

    int notesInTranslation = 0;
    for (TSChunkPtr n = english; n; n = TSText::nextChunk(n))
        if (std::dynamic_pointer_cast<TSNote>(n)) ++notesInTranslation;
    ASSERT_GT(notesInTranslation, 50);

    FootnoteList notes;
    CaptureLogger::Scope log;
    latin->importPerseusTranslation(english, notes);

    // The introduction has no Latin; the alignment says so.
    EXPECT_TRUE(log->contains("translation's section Introduction"));
    // Act 4 of the translation has the summary of the lost Latin as scenes
    // 2a to 2c.
    for (const char* lost : {"scene 2a", "scene 2b", "scene 2c"}) EXPECT_TRUE(log->contains(lost)) << lost;
    const std::set<QString> without = {"/introduction/scene 1", "/introduction/scene 2", "/act 4/scene 2a",
                                       "/act 4/scene 2b", "/act 4/scene 2c"};
    Tally t = tally(latin, english, without);
    EXPECT_GT(t.lines, 500);
    EXPECT_EQ(t.placed, t.lines) << t.missing.join("\n").toStdString();

    // Milestones are gone from the translation.
    for (TSChunkPtr n = english; n; n = TSText::nextChunk(n)) EXPECT_FALSE(std::dynamic_pointer_cast<TSMilestone>(n));

    // Every note becomes a footnote linked from the translation column,
    // numbered in reading order. Most notes are not placed by their line
    // numbers (lines are laid by position, so a paragraph's English sits on
    // Latin lines numbered below its notes' numbers); those go on the line
    // laid at their place, and the log says so for each.
    const QStringList messages = log->messages();
    const int notFound = int(std::count_if(messages.begin(), messages.end(),
                                           [](const QString& m) { return m.contains("  not found"); }));
    const int putOnLaidLine = int(std::count_if(messages.begin(), messages.end(), [](const QString& m) {
        return m.contains("put on the line laid at its place");
    }));
    EXPECT_EQ(putOnLaidLine, notFound);
    // Notes of the sections without Latin go with their section, which was
    // reported above.
    std::map<QString, TSChunkPtr> englishParents;
    lineParents(english, englishParents);
    int notesWithoutLatin = 0;
    for (const auto& path : without)
        for (const auto& c : englishParents[path]->childNodes())
            if (std::dynamic_pointer_cast<TSNote>(c)) ++notesWithoutLatin;
    EXPECT_EQ(notes.count() + notesWithoutLatin, notesInTranslation);
    EXPECT_GT(notes.count(), 80);
    std::cout << "Amphitruo: " << t.lines << " English lines placed, " << notes.count() << " footnotes, "
              << putOnLaidLine << " of them on the line laid at their place, " << notesWithoutLatin
              << " notes in sections without Latin\n";
    notes.markAllAsUnfound();
    latin->markFoundNotes(notes);
    for (const auto& [id, note] : notes.notes()) EXPECT_TRUE(note->wasFound()) << id.toStdString();

    QString firstMarker;
    TSChunkPtr at = latin;
    ts::TextRange range;
    QString id;
    ASSERT_TRUE(latin->findNextFootnote(id, range, at, kPE));
    firstMarker = at->textForKey(kPE)->string().mid(range.location, range.length);
    EXPECT_EQ(firstMarker, "[1]");
}

// A text written as it is walked holds the bytes of its dictionary written
// whole: the real texts as imported (import nodes of every kind, a
// translation's notes), with the translation laid onto the Latin, and
// after a round trip through those bytes.
TEST(RealTranslations, TextsWrittenAsWalkedMatchTheirWholeDictionary) {
    if (!haveData()) GTEST_SKIP() << "shared TEI data not found";
    auto walked = [](const TSTextPtr& text) {
        ts::BinaryPropertyListWriter writer;
        EXPECT_TRUE(text->writeTo(writer));
        return writer.finish();
    };
    for (const char* name : {"eclogues", "amphitruo"}) {
        SCOPED_TRACE(name);
        const QString book = QString::fromLatin1(name) == "eclogues" ? QStringLiteral("Eclogues") : QString();
        auto latin = teitest::latinTree(teitest::sharedPath(QStringLiteral("data/tei/%1-lat.xml").arg(name)), book);
        auto english = teitest::englishTree(teitest::sharedPath(QStringLiteral("data/tei/%1-eng.xml").arg(name)), book);
        ASSERT_TRUE(latin && english);
        for (const auto& text : {latin, english}) {
            const QByteArray bytes = walked(text);
            ASSERT_FALSE(bytes.isEmpty());
            EXPECT_EQ(bytes, ts::PropertyList::writeBinary(text->serialize()));
        }

        FootnoteList notes;
        CaptureLogger::Scope log;
        latin->importPerseusTranslation(english, notes);
        const QByteArray aligned = walked(latin);
        EXPECT_EQ(aligned, ts::PropertyList::writeBinary(latin->serialize()));

        auto again = TSText::textFromDictionary(ts::PropertyList::read(aligned).value);
        ASSERT_TRUE(again);
        EXPECT_EQ(walked(again), aligned) << "read back unchanged, it writes the same bytes";
    }
}
