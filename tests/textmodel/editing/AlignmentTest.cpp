// Aligning a translation made of import nodes onto a text's lines.

#include "EditingTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/Url.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSImportNodes.h"

using namespace edtest;

namespace {

const QString kPE = QStringLiteral("perseusEnglish");

std::shared_ptr<TSLine> eline(const QString& name) {
    auto l = std::make_shared<TSLine>();
    l->setName(name);
    return l;
}

std::shared_ptr<TSNote> note(const QString& text, const QString& lemma, const QString& preceding, qint64 tln = 0) {
    auto n = std::make_shared<TSNote>();
    n->setName(text);
    n->setLemma(lemma);
    n->setPrecedingText(preceding);
    n->setTln(tln);
    return n;
}

// A book "Liber I" with one section "Carmen 1" of n numbered lines.
struct Latin {
    TSTextPtr root;
    TSChunkPtr section;
    std::vector<TSChunkPtr> lines;
};

Latin latinText(int n) {
    Latin t;
    for (int i = 1; i <= n; ++i) t.lines.push_back(row(QStringLiteral("versus %1").arg(i), QString::number(i)));
    t.section = header(QStringLiteral("Carmen 1"), t.lines);
    t.root = text({header(QStringLiteral("Liber I"), {t.section})});
    return t;
}

TSTextPtr translation(std::vector<TSChunkPtr> lines) {
    auto t = std::make_shared<TSText>();
    t->addChild(importSection(QStringLiteral("Liber I"), {importSection(QStringLiteral("Carmen 1"), std::move(lines))}));
    return t;
}

std::vector<TSChunkPtr> englishLines(int n) {
    std::vector<TSChunkPtr> out;
    for (int i = 1; i <= n; ++i) out.push_back(eline(QStringLiteral("E%1").arg(i)));
    return out;
}

}  // namespace

// English lines beyond a section's last Latin line are kept as rows of their
// own at its end, not piled onto its last line; they are counted.
TEST(Alignment, MoreSourceLinesBecomeRowsOfTheirOwnAtTheEnd) {
    Latin t = latinText(3);
    ts::Attributes look;
    look[ts::AttributeName::Underline] = ts::Value(1);
    t.lines[2]->setTextForKey(ts::AttributedString::make(QStringLiteral("versus 3"), look), QStringLiteral("latin"));
    FootnoteList notes;
    std::vector<TSChunkPtr> english = englishLines(5);
    english.insert(english.begin() + 4, note(QStringLiteral("a note"), QStringLiteral("E4"), QStringLiteral("E4")));
    const TSText::TranslationAlignment r = t.root->importPerseusTranslation(translation(english), notes);
    EXPECT_EQ(r.rowsAdded, 2);
    EXPECT_EQ(r.linesUnmatched, 0);
    ASSERT_EQ(t.section->numChildren(), 5);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "E1");
    EXPECT_EQ(columnOf(t.lines[1], kPE), "E2");
    EXPECT_EQ(columnOf(t.lines[2], kPE), "E3");
    const TSChunkPtr fourth = t.section->childAt(3), fifth = t.section->childAt(4);
    EXPECT_EQ(columnOf(fourth, kPE), "E4[1]");
    EXPECT_EQ(columnOf(fifth, kPE), "E5");
    EXPECT_TRUE(fourth->isLine());
    EXPECT_TRUE(columnOf(fourth, QStringLiteral("latin")).isNull());
    EXPECT_EQ(fourth->parent(), t.section);
    // They look like the Latin before them.
    EXPECT_EQ(fifth->textForKey(kPE)->attributes(0).count(ts::AttributeName::Underline), 1u);
    EXPECT_EQ(notes.count(), 1);
    // Aligning again replaces, row for row, and adds nothing.
    const TSText::TranslationAlignment again = t.root->importPerseusTranslation(translation(englishLines(5)), notes);
    EXPECT_EQ(again.rowsAdded, 0);
    EXPECT_EQ(t.section->numChildren(), 5);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "E1");
    EXPECT_EQ(columnOf(t.section->childAt(4), kPE), "E5");
}

// Surplus lines are rows like the section's lines, even when the section
// ends in a sub-section's heading.
TEST(Alignment, SurplusRowsAreLinesAfterASubsectionHeading) {
    Latin t = latinText(2);
    for (const TSChunkPtr& l : t.lines) l->setChunkType(3);
    ts::Attributes bold;
    bold[ts::AttributeName::Underline] = ts::Value(1);
    const TSChunkPtr heading = header(QStringLiteral("Pars altera"), {row(QStringLiteral("versus 3"))});
    heading->setChunkType(2);
    heading->setTextForKey(ts::AttributedString::make(QStringLiteral("Pars altera"), bold), QStringLiteral("latin"));
    t.section->addChild(heading);
    FootnoteList notes;
    const TSText::TranslationAlignment r = t.root->importPerseusTranslation(translation(englishLines(5)), notes);
    EXPECT_EQ(r.rowsAdded, 2);
    ASSERT_EQ(t.section->numChildren(), 5);
    for (qint64 i = 3; i < 5; ++i) {
        const TSChunkPtr added = t.section->childAt(i);
        EXPECT_TRUE(added->isLine());
        EXPECT_EQ(added->chunkType(), 3) << i;
        EXPECT_EQ(added->textForKey(kPE)->attributes(0).count(ts::AttributeName::Underline), 0u) << i;
    }
    EXPECT_EQ(columnOf(t.section->childAt(4), kPE), "E5");
}

// Lines of a translation's section that the text does not have are counted.
TEST(Alignment, LinesOfSectionsTheTextLacksAreCounted) {
    Latin t = latinText(2);
    auto tr = std::make_shared<TSText>();
    tr->addChild(importSection(QStringLiteral("Liber I"), {importSection(QStringLiteral("Carmen 1"), englishLines(2)),
                                                          importSection(QStringLiteral("Carmen 9"), englishLines(4))}));
    tr->addChild(importSection(QStringLiteral("Liber IX"), {importSection(QStringLiteral("Carmen 1"), englishLines(3))}));
    FootnoteList notes;
    const TSText::TranslationAlignment r = t.root->importPerseusTranslation(tr, notes);
    EXPECT_EQ(columnOf(t.lines[1], kPE), "E2");
    EXPECT_EQ(r.rowsAdded, 0);
    EXPECT_EQ(r.linesUnmatched, 7);
}

// Sections named by number, as the importer names them: a section named
// like its book ("1" in book "1"), and numbers ending in another ("81" in
// "1"), meet the section of their very name, and one without a counterpart
// ("21") takes no other's; every English line is placed or counted,
// whatever shape the text and the translation have.
TEST(Alignment, SectionsNamedByNumberMeetTheirOwnNumber) {
    const std::vector<std::pair<QString, int>> latinCards = {{"1", 3}, {"4", 3}, {"81", 2}, {"21", 1}};
    const std::vector<std::pair<QString, int>> englishCards = {{"1", 3}, {"4", 4}, {"7", 2}, {"81", 2}};
    const auto fill = [](const TSChunkPtr& book, const std::vector<std::pair<QString, int>>& cards, bool english) {
        for (const auto& [card, n] : cards) {
            auto section = header(english ? QString() : card);
            section->setName(card);
            for (int i = 1; i <= n; ++i) {
                const QString text = QStringLiteral("card %1 line %2").arg(card).arg(i);
                auto line = english ? row(QString()) : row(text);
                if (english) line->setTextForKey(ts::AttributedString::make(text), kPE);
                section->addChild(line);
            }
            book->addChild(section);
        }
        return book;
    };
    // The text's name and whether it holds books "1" and "2" (else it is
    // book "1"); the same for the translation (with book "1" only).
    const std::tuple<QString, bool, QString, bool> shapes[] = {
        {"Aeneis", true, "1", false}, {"1", false, "1", false}, {"Aeneis", true, "Aeneid", true}};
    for (const auto& [textName, booksInText, translationName, bookInTranslation] : shapes) {
        SCOPED_TRACE((textName + " " + translationName).toStdString());
        auto latin = std::make_shared<TSText>();
        latin->setName(textName);
        const TSChunkPtr book = booksInText ? fill(header(QStringLiteral("1")), latinCards, false) : fill(latin, latinCards, false);
        const TSChunkPtr second = booksInText ? fill(header(QStringLiteral("2")), latinCards, false) : nullptr;
        if (booksInText) latin->addChild(book), latin->addChild(second);
        auto english = std::make_shared<TSText>();
        english->setName(translationName);
        if (bookInTranslation) english->addChild(fill(header(QStringLiteral("1")), englishCards, true));
        else fill(english, englishCards, true);

        FootnoteList notes;
        CaptureLogger::Scope log;
        const TSText::TranslationAlignment r = latin->importPerseusTranslation(english, notes);
        for (const auto& [card, n] : latinCards)
            for (int i = 0; i < n; ++i) {
                const TSChunkPtr line = book->childWithName(card)->childAt(i);
                EXPECT_EQ(columnOf(line, kPE), card == "21" ? QString() : latinOf(line)) << latinOf(line).toStdString();
            }
        EXPECT_EQ(columnOf(book->childWithName(QStringLiteral("4"))->childAt(3), kPE), "card 4 line 4");
        EXPECT_EQ(r.rowsAdded, 1);
        EXPECT_EQ(r.linesUnmatched, 2) << log->messages().join("\n").toStdString();
        for (TSChunkPtr n = second; n && n != latin; n = TSText::nextChunk(n)) EXPECT_EQ(columnOf(n, kPE), "");
    }
}

TEST(Alignment, FewerSourceLinesReplaceAndLeaveTheRest) {
    Latin t = latinText(5);
    t.lines[3]->setTextForKey(ts::AttributedString::make(QStringLiteral("kept")), kPE);
    FootnoteList notes;
    for (int round = 0; round < 2; ++round) {
        t.root->importPerseusTranslation(translation(englishLines(3)), notes);
        EXPECT_EQ(columnOf(t.lines[0], kPE), "E1");
        EXPECT_EQ(columnOf(t.lines[2], kPE), "E3");
        EXPECT_EQ(columnOf(t.lines[3], kPE), "kept");
        EXPECT_TRUE(columnOf(t.lines[4], kPE).isNull());
    }
}

TEST(Alignment, TranslationTakesTheAttributesOfTheLatin) {
    Latin t = latinText(1);
    ts::Attributes look;
    look[ts::AttributeName::Underline] = ts::Value(1);
    look[ts::AttributeName::BackgroundColor] = ts::Value(QStringLiteral("highlight"));
    t.lines[0]->setTextForKey(ts::AttributedString::make(QStringLiteral("arma"), look), QStringLiteral("latin"));
    FootnoteList notes;
    t.root->importPerseusTranslation(translation(englishLines(1)), notes);
    auto a = t.lines[0]->textForKey(kPE)->attributes(0);
    EXPECT_EQ(a.count(ts::AttributeName::Underline), 1u);
    EXPECT_EQ(a.count(ts::AttributeName::BackgroundColor), 0u);
}

TEST(Alignment, IntroductionIsNeverAligned) {
    auto intro = row(QStringLiteral("i1"), QStringLiteral("1"));
    auto root = text({header(QStringLiteral("Introduction"), {header(QStringLiteral("Pars"), {intro})})});
    auto tr = std::make_shared<TSText>();
    tr->addChild(importSection(QStringLiteral("Introduction"), {importSection(QStringLiteral("Pars"), {eline(QStringLiteral("E"))})}));
    FootnoteList notes;
    root->importPerseusTranslation(tr, notes);
    EXPECT_TRUE(columnOf(intro, kPE).isNull());
}

TEST(Alignment, SceneZeroMeetsThePrologue) {
    auto l1 = row(QStringLiteral("Ut vos"), QStringLiteral("1"));
    auto root = text({header(QStringLiteral("Actus I"), {header(QStringLiteral("The Prologue"), {l1})})});
    auto tr = std::make_shared<TSText>();
    tr->addChild(importSection(QStringLiteral("Actus I"), {importSection(QStringLiteral("scene 0"), {eline(QStringLiteral("As you"))})}));
    FootnoteList notes;
    root->importPerseusTranslation(tr, notes);
    EXPECT_EQ(columnOf(l1, kPE), "As you");
}

TEST(Alignment, NotesDoNotTakeALineOfTheirOwn) {
    Latin t = latinText(2);
    FootnoteList notes;
    t.root->importPerseusTranslation(
        translation({eline(QStringLiteral("Arms I sing")), note(QStringLiteral("Virgil's opening"),
                                                                 QStringLiteral("Arms"), QStringLiteral("Arms")),
                     eline(QStringLiteral("and the man"))}),
        notes);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "Arms[1] I sing");
    EXPECT_EQ(columnOf(t.lines[1], kPE), "and the man");
    ASSERT_EQ(notes.count(), 1);
    auto footnote = notes.notes().begin()->second;
    EXPECT_EQ(footnote->title(), "Arms");
    EXPECT_EQ(footnote->attributedString()->string(), "Virgil's opening");
    auto link = t.lines[0]->textForKey(kPE)->attribute(ts::AttributeName::Link, 4);
    ASSERT_TRUE(link.toObjectAs<ts::Url>());
    EXPECT_EQ(link.toObjectAs<ts::Url>()->absoluteString(), footnote->uniqueID());
}

TEST(Alignment, TwoNotesOnOneLineNumberedInTextOrder) {
    Latin t = latinText(1);
    FootnoteList notes;
    // The later note comes first in the source; numbers follow the text.
    t.root->importPerseusTranslation(
        translation({eline(QStringLiteral("Arms and the man I sing")),
                     note(QStringLiteral("second"), QStringLiteral("sing"), QStringLiteral("line before\nthe man I sing")),
                     note(QStringLiteral("first"), QStringLiteral("Arms"), QStringLiteral("Arms"))}),
        notes);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "Arms[1] and the man I sing[2]");
    EXPECT_EQ(notes.count(), 2);
}

// A note the line numbers cannot place goes on the line laid at its place:
// after its words when that line holds them, else at the line's end. The
// log says so; no note is lost.
TEST(Alignment, UnplacedNotesGoOnTheLineLaidAtTheirPlace) {
    CaptureLogger::Scope log;
    Latin t = latinText(3);
    t.lines[2]->setTextForKey(ts::AttributedString::make(QStringLiteral("30")), QStringLiteral("location"));
    FootnoteList notes;
    // The note follows the second line, whose number (2) is below the
    // note's (25); line 3 qualifies by number but holds no such words.
    t.root->importPerseusTranslation(
        translation({eline(QStringLiteral("one")), eline(QStringLiteral("two words")),
                     note(QStringLiteral("n"), QStringLiteral("two"), QStringLiteral("two words"), 25),
                     eline(QStringLiteral("three"))}),
        notes);
    EXPECT_EQ(notes.count(), 1);
    EXPECT_EQ(columnOf(t.lines[1], kPE), "two words[1]");
    EXPECT_TRUE(log->contains("two words  not found"));
    EXPECT_TRUE(log->contains("put on the line laid at its place"));

    // Words the line does not hold, and no words at all: the line's end.
    log->clear();
    t.root->insertNotesFromChunk(importSection(QStringLiteral("s"), {eline(QStringLiteral("x")),
                                                                  note(QStringLiteral("m"), QString(),
                                                                       QStringLiteral("elsewhere"), 99)}),
                                 t.section, notes);
    EXPECT_EQ(notes.count(), 2);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "one[*]");
    t.root->insertNotesFromChunk(importSection(QStringLiteral("s"), {note(QStringLiteral("k"), QString(), QString())}),
                                 t.section, notes);
    EXPECT_TRUE(log->contains("Nil preceeding text"));
    EXPECT_EQ(notes.count(), 3);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "one[*][*]");
    // Past the last line the last line takes it.
    t.root->insertNotesFromChunk(importSection(QStringLiteral("s"), {eline("a"), eline("b"), eline("c"), eline("d"),
                                                                  note(QStringLiteral("z"), QString(), QStringLiteral("q"), 99)}),
                                 t.section, notes);
    EXPECT_EQ(notes.count(), 4);
    EXPECT_EQ(columnOf(t.lines[2], kPE), "three[*]");
}

TEST(Alignment, UnmatchedTranslationSectionsAreReported) {
    CaptureLogger::Scope log;
    Latin t = latinText(2);
    auto tr = translation(englishLines(2));
    tr->childAt(0)->addChild(importSection(QStringLiteral("Carmen 99"), {eline(QStringLiteral("lost"))}));
    tr->addChild(importSection(QStringLiteral("Liber IX"), {}));
    FootnoteList notes;
    t.root->importPerseusTranslation(tr, notes);
    EXPECT_EQ(columnOf(t.lines[1], kPE), "E2");
    EXPECT_TRUE(log->contains("carmen 99 (1 lines)"));
    EXPECT_TRUE(log->contains("Liber IX"));
}

TEST(Alignment, ChildrenByPositionWhenNoSectionHoldsLines) {
    // Destination and source sections of lines only, as many on each side.
    auto a = row(QStringLiteral("a"), QStringLiteral("1"));
    auto b = row(QStringLiteral("b"), QStringLiteral("2"));
    auto root = text({header(QStringLiteral("Carmen"), {a, b})});
    auto tr = std::make_shared<TSText>();
    tr->addChild(importSection(QStringLiteral("Carmen"), {eline(QStringLiteral("A")), eline(QStringLiteral("B"))}));
    FootnoteList notes;
    root->importPerseusTranslation(tr, notes);
    EXPECT_EQ(columnOf(a, kPE), "A");
    EXPECT_EQ(columnOf(b, kPE), "B");
}

TEST(Alignment, NamedRootTranslationMatchesChildrenByName) {
    auto l = row(QStringLiteral("arma"), QStringLiteral("1"));
    auto root = text({header(QStringLiteral("Aeneis"), {header(QStringLiteral("Liber I"), {l})})});
    auto tr = std::make_shared<TSText>();
    tr->setName(QStringLiteral("Aeneis"));
    auto book = std::make_shared<TSMatchedChunk>();
    book->setName(QStringLiteral("Liber I"));
    book->addChild(eline(QStringLiteral("Arms")));
    tr->addChild(book);
    FootnoteList notes;
    root->importPerseusTranslation(tr, notes);
    EXPECT_EQ(columnOf(l, kPE), "Arms");
}

TEST(Alignment, MarkersWrittenOverAreRenumbered) {
    Latin t = latinText(3);
    FootnoteList notes;
    // Notes on lines 1 and 3 from a first alignment...
    t.root->importPerseusTranslation(
        translation({eline(QStringLiteral("Arms")), eline(QStringLiteral("and")), eline(QStringLiteral("the man")),
                     note(QStringLiteral("a"), QString(), QStringLiteral("Arms")),
                     note(QStringLiteral("b"), QString(), QStringLiteral("the man"))}),
        notes);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "Arms[1]");
    EXPECT_EQ(columnOf(t.lines[2], kPE), "the man[2]");
    // ...then a shorter translation replaces line 1 only: its marker goes and
    // the marker left on line 3 becomes the first.
    t.root->importPerseusTranslation(translation({eline(QStringLiteral("Weapons"))}), notes);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "Weapons");
    EXPECT_EQ(columnOf(t.lines[2], kPE), "the man[1]");
}

// Markers already in the column are renumbered even when the alignment
// itself writes none.
TEST(Alignment, StaleMarkersAreRenumberedWithoutNewNotes) {
    Latin t = latinText(2);
    FootnoteList notes;
    auto footnote = notes.makeNewNote();
    t.lines[1]->setTextForKey(ts::AttributedString::make(QStringLiteral("kept")), kPE);
    t.root->insertURL(footnote->uniqueID(), 7, {4, 0}, t.lines[1], kPE);
    EXPECT_EQ(columnOf(t.lines[1], kPE), "kept[7]");
    t.root->importPerseusTranslation(translation({eline(QStringLiteral("E1"))}), notes);
    EXPECT_EQ(columnOf(t.lines[0], kPE), "E1");
    EXPECT_EQ(columnOf(t.lines[1], kPE), "kept[1]");
}
