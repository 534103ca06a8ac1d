// Outline commands, renumbering and the Latin's round trip through marking.

#include "EditingTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/Color.h"
#include "platform/Url.h"

using namespace edtest;

namespace {

const QString kLocation = QStringLiteral("location");

struct Section {
    TSTextPtr root;
    TSChunkPtr section;
    std::vector<TSChunkPtr> lines;
};

Section fiveLines() {
    Section s;
    for (int i = 1; i <= 5; ++i) s.lines.push_back(row(QStringLiteral("l%1").arg(i), QString::number(i)));
    s.section = header(QStringLiteral("S"), s.lines);
    s.root = text({s.section, header(QStringLiteral("T"), {row(QStringLiteral("t1"))})});
    return s;
}

}  // namespace

TEST(OutlineCommands, OutdentAndIndentWithinASection) {
    // Outdenting takes the later siblings along; indenting goes under the line above.
    struct Case {
        bool outdent;
        int moved;
        QStringList root, section;
        int holder;
        QStringList held;
    } const cases[] = {
        {true, 2, {"S", "l3", "T"}, {"l1", "l2"}, 2, {"l4", "l5"}},
        {true, 0, {"S", "l1", "T"}, {}, 0, {"l2", "l3", "l4", "l5"}},
        {false, 2, {"S", "T"}, {"l1", "l2", "l4", "l5"}, 1, {"l3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moved);
        Section s = fiveLines();
        if (c.outdent) s.root->promoteRow(s.lines[c.moved]);
        else s.root->demoteRow(s.lines[c.moved]);
        EXPECT_EQ(childLatin(s.root), c.root);
        EXPECT_EQ(childLatin(s.section), c.section);
        EXPECT_EQ(s.section->isLine(), c.section.isEmpty());
        EXPECT_EQ(childLatin(s.lines[c.holder]), c.held);
        EXPECT_TRUE(s.lines[c.holder]->isHeader());
        expectLinked(s.root);
    }
}

TEST(OutlineCommands, OutdentAtTopLevelAdoptsLaterTopLevelNodes) {
    auto a = header(QStringLiteral("A"), {row(QStringLiteral("a1"))});
    auto b = row(QStringLiteral("B"));
    auto c = row(QStringLiteral("C"));
    auto root = text({a, b, c});
    root->promoteRow(a);
    EXPECT_EQ(childLatin(root), (QStringList{"A"}));
    EXPECT_EQ(childLatin(a), (QStringList{"a1", "B", "C"}));
    expectLinked(root);
}

TEST(OutlineCommands, IndentSectionBecomesLineFollowedByItsLines) {
    auto s1 = header(QStringLiteral("S1"), {row(QStringLiteral("a"))});
    auto s2 = header(QStringLiteral("S2"), {row(QStringLiteral("b")), row(QStringLiteral("c"))});
    auto root = text({s1, s2});
    root->demoteRow(s2);
    EXPECT_EQ(childLatin(root), (QStringList{"S1"}));
    EXPECT_EQ(childLatin(s1), (QStringList{"a", "S2", "b", "c"}));
    EXPECT_TRUE(s2->isLine());
    EXPECT_EQ(latinOf(s2), "S2");
    expectLinked(root);
}

TEST(OutlineCommands, IndentFirstNodeOfTextOnlyLiftsItsChildren) {
    auto s1 = header(QStringLiteral("S1"), {row(QStringLiteral("a")), row(QStringLiteral("b"))});
    auto s2 = header(QStringLiteral("S2"), {row(QStringLiteral("c"))});
    auto root = text({s1, s2});
    root->demoteRow(s1);
    EXPECT_EQ(childLatin(root), (QStringList{"S1", "a", "b", "S2"}));
    expectLinked(root);
}

TEST(OutlineCommands, DeleteRemovesNodeWithEverythingBelow) {
    Section s = fiveLines();
    s.root->deleteChunk(s.section);
    EXPECT_EQ(childLatin(s.root), (QStringList{"T"}));
    EXPECT_FALSE(s.section->parent());
    s.root->deleteChunk(nullptr);
    s.root->deleteChunk(row(QStringLiteral("orphan")));
    EXPECT_EQ(s.root->numChildren(), 1);
}

TEST(OutlineCommands, MergeLineIntoLineAboveJoinsColumns) {
    auto upper = row(QStringLiteral("arma"), QStringLiteral("1"));
    auto lower = row(QStringLiteral("cano"), QStringLiteral("2"));
    lower->setEnglish(ts::AttributedString::make(QStringLiteral("I sing")));
    upper->setPerseusEnglish(ts::AttributedString::make(QStringLiteral("Arms")));
    auto root = text({header(QStringLiteral("S"), {upper, lower})});
    root->mergeChunk(lower, TSText::chunkAbove(lower));
    EXPECT_EQ(latinOf(upper), "arma\ncano");
    EXPECT_EQ(columnOf(upper, "english"), "\nI sing");
    EXPECT_EQ(columnOf(upper, "perseusEnglish"), "Arms");
    EXPECT_EQ(columnOf(upper, kLocation), "1");
    EXPECT_FALSE(lower->parent());
    EXPECT_EQ(upper->parent()->numChildren(), 1);

    // A part absent in both stays absent.
    auto a = row(QStringLiteral("x"));
    auto b = row(QStringLiteral("y"));
    auto r2 = text({a, b});
    r2->mergeChunk(b, a);
    EXPECT_FALSE(a->english());
}

TEST(OutlineCommands, MergeFirstLineOfSectionMovesTheSectionUp) {
    auto s1 = header(QStringLiteral("S1"), {row(QStringLiteral("a"))});
    auto b = row(QStringLiteral("b"));
    auto s2 = header(QStringLiteral("S2"), {b, row(QStringLiteral("c"))});
    auto root = text({s1, s2});
    root->mergeChunk(b, TSText::chunkAbove(b));
    EXPECT_EQ(childLatin(root), (QStringList{"S1"}));
    EXPECT_EQ(childLatin(s1), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(latinOf(s1->childAt(0)), "a");  // no texts joined
    expectLinked(root);
}

TEST(OutlineCommands, MergeRefusesANodeAboveInsideTheSection) {
    CaptureLogger::Scope log;
    auto inner = row(QStringLiteral("inner"));
    auto first = row(QStringLiteral("first"));
    auto section = header(QStringLiteral("S"), {first, header(QStringLiteral("H"), {inner})});
    auto root = text({section});
    root->mergeChunk(first, inner);
    EXPECT_TRUE(log->contains("Unable to remove chunk"));
    EXPECT_EQ(childLatin(section), (QStringList{"first", "H"}));
}

TEST(Renumbering, FollowingSiblingsWithinTheSectionOnly) {
    ts::Attributes style;
    style[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::redColor());
    auto from = row(QStringLiteral("a"));
    from->setLocation(ts::AttributedString::make(QStringLiteral("10"), style));
    auto sub = header(QStringLiteral("H"), {row(QStringLiteral("x"), QStringLiteral("99"))});
    auto next = row(QStringLiteral("b"), QStringLiteral("3"));
    auto later = row(QStringLiteral("z"), QStringLiteral("7"));
    auto root = text({header(QStringLiteral("S"), {row(QStringLiteral("p"), QStringLiteral("9")), from, sub, next}),
                      header(QStringLiteral("T"), {later})});
    root->renumberFromChunk(from);
    EXPECT_EQ(columnOf(sub, kLocation), "11");
    EXPECT_EQ(columnOf(next, kLocation), "12");
    EXPECT_EQ(next->location()->attributes(0), style);
    EXPECT_EQ(columnOf(later, kLocation), "7");
    EXPECT_EQ(columnOf(sub->childAt(0), kLocation), "99");

    qint64 n = 40;
    EXPECT_EQ(root->renumberSiblings(next, {}, n), nullptr);
    EXPECT_EQ(n, 40);
}

TEST(Renumbering, NothingFromAWordOrZero) {
    for (const QString& label : {QStringLiteral("Prologus"), QStringLiteral("0"), QStringLiteral("")}) {
        auto from = row(QStringLiteral("a"), label);
        auto next = row(QStringLiteral("b"), QStringLiteral("5"));
        auto root = text({header(QStringLiteral("S"), {from, next})});
        root->renumberFromChunk(from);
        EXPECT_EQ(columnOf(next, kLocation), "5") << label.toStdString();
    }
}

namespace {

ts::Attributes highlighted() {
    ts::Attributes a;
    a[ts::AttributeName::BackgroundColor] = ts::Value(ts::Color::systemGreenColor());
    return a;
}

}  // namespace

TEST(Marking, LatinOutWithoutAccentsAndBackAKeepingLinks) {
    auto cicero = row(QString());
    auto cic = ts::AttributedString::make(QStringLiteral("Cícero"), highlighted());
    const ts::Value link(ts::Url::make(QStringLiteral("footnote:ABC")));
    cic->addAttribute(ts::AttributeName::Link, link, ts::TextRange{0, 3});
    cicero->setLatin(cic);
    auto empty = row(QString());
    auto odii = row(QStringLiteral("Ó dii"));
    auto section = header(QStringLiteral("S"), {cicero, empty, odii});
    auto root = text({section});

    auto out = root->extractLatin(section);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]->string(), "Cicero");
    EXPECT_EQ(out[1]->string(), "O dii");
    EXPECT_TRUE(out[0]->attribute(ts::AttributeName::BackgroundColor, 0).isNull());
    // The accent removal keeps the link run where it was.
    EXPECT_EQ(out[0]->attribute(ts::AttributeName::Link, 0), link);

    ts::AttributedString joined;
    root->addLatinFromChunkToString(section, joined);
    EXPECT_EQ(joined.string(), "Cicero\n\nO dii");
    EXPECT_FALSE(joined.attribute(ts::AttributeName::BackgroundColor, 0).isNull());

    ts::Attributes marked;
    marked[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::systemBlueColor());
    root->loadMacronizedText({ts::AttributedString::make(QStringLiteral("Cicerō"), marked),
                              ts::AttributedString::make(QStringLiteral("Ō diī"), marked)},
                             section);
    EXPECT_EQ(latinOf(cicero), "Cicerō");
    EXPECT_EQ(latinOf(odii), "Ō diī");
    EXPECT_FALSE(empty->latin());
    ts::TextRange run;
    EXPECT_EQ(cicero->latin()->attribute(ts::AttributeName::Link, 0, &run), link);
    EXPECT_EQ(run, (ts::TextRange{0, 3}));
    EXPECT_TRUE(cicero->latin()->attribute(ts::AttributeName::Link, 4).isNull());
    EXPECT_EQ(cicero->latin()->attribute(ts::AttributeName::ForegroundColor, 5), ts::Value(ts::Color::systemBlueColor()));
}

TEST(Marking, LengthMismatchIsLoggedAndTheLineKept) {
    CaptureLogger::Scope log;
    auto a = row(QStringLiteral("arma"));
    auto b = row(QStringLiteral("cano"));
    auto section = header(QStringLiteral("S"), {a, b});
    auto root = text({section});
    root->loadMacronizedText({ts::AttributedString::make(QStringLiteral("armaa")),
                              ts::AttributedString::make(QStringLiteral("canō"))},
                             section);
    EXPECT_EQ(latinOf(a), "arma");
    EXPECT_EQ(latinOf(b), "canō");
    EXPECT_TRUE(log->contains("differ"));

    // Written directly, a text of another length would lose the links: the
    // Latin stays.
    log->clear();
    root->importMacronizedText(ts::AttributedString::make(QStringLiteral("x")), a);
    EXPECT_EQ(latinOf(a), "arma");
    EXPECT_TRUE(log->contains("Strings different lengths"));
}

TEST(Splitting, SeparatorsGivePiecesWithTheirAttributes) {
    ts::Attributes bold;
    bold[ts::AttributeName::Underline] = ts::Value(1);
    ts::AttributedString s(QStringLiteral("a"), bold);
    s.append(QStringLiteral("\n\nb"), {});
    auto pieces = TSText::attributedStringArray(s, QStringLiteral("\n"));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0]->string(), "a");
    EXPECT_EQ(pieces[0]->attributes(0), bold);
    EXPECT_EQ(pieces[1]->length(), 0);
    EXPECT_EQ(pieces[2]->string(), "b");
    EXPECT_TRUE(pieces[2]->attributes(0).empty());
}
