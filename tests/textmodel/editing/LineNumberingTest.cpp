// Spreading milestone numbers over the lines of an imported translation.

#include "EditingTestSupport.h"
#include "support/CaptureLogger.h"

#include "textmodel/TSImportNodes.h"

namespace {

std::shared_ptr<TSLine> line(const QString& name) {
    auto l = std::make_shared<TSLine>();
    l->setName(name);
    return l;
}

std::shared_ptr<TSMilestone> milestone(qint64 n, const QString& preceding) {
    auto m = std::make_shared<TSMilestone>();
    m->setTln(n);
    m->setPrecedingText(preceding);
    return m;
}

TSChunkPtr section(const QString& name, std::vector<TSChunkPtr> children) {
    auto s = std::make_shared<TSChunk>();
    s->setName(name);
    for (auto& c : children) s->addChild(c);
    return s;
}

// name=number pairs of the section's lines, in order; fails on anything
// that is not a line.
QStringList numbered(const TSChunkPtr& s) {
    QStringList out;
    for (const auto& c : s->childNodes()) {
        auto l = std::dynamic_pointer_cast<TSLine>(c);
        if (!l) {
            out << QStringLiteral("<%1>").arg(c->className());
            continue;
        }
        out << QStringLiteral("%1=%2").arg(l->name()).arg(l->tln());
    }
    return out;
}

}  // namespace

TEST(LineNumbering, SurplusLinesMergeShortestFirst) {
    auto root = std::make_shared<TSText>();
    auto s = section(QStringLiteral("Scene 1"),
                     {line(QStringLiteral("Arma virumque cano Troiae")), milestone(10, QStringLiteral("Arma virumque")),
                      line(QStringLiteral("qui primus ab oris")), line(QStringLiteral("Italiam")),
                      line(QStringLiteral("fato profugus")), line(QStringLiteral("Laviniaque")),
                      line(QStringLiteral("venit litora multum ille")), line(QStringLiteral("et terris iactatus")),
                      milestone(14, QStringLiteral("et terris"))});
    root->addChild(s);
    root->adjustLines(s);
    EXPECT_EQ(numbered(s), (QStringList{"Arma virumque cano Troiae=10", "qui primus ab oris=11",
                                        "Italiam fato profugus Laviniaque=12", "venit litora multum ille=13",
                                        "et terris iactatus=14"}));
}

TEST(LineNumbering, MissingLinesComeFromSplittingTheLongest) {
    auto root = std::make_shared<TSText>();
    auto s = section(QStringLiteral("Scene 1"),
                     {line(QStringLiteral("Arma virumque cano, Troiae qui primus ab oris.")),
                      milestone(10, QStringLiteral("Arma virumque")),
                      line(QStringLiteral("Italiam fato profugus. Laviniaque venit litora")),
                      line(QStringLiteral("multum ille")), milestone(14, QStringLiteral("multum"))});
    root->addChild(s);
    root->adjustLines(s);
    // A full stop at the very end would leave an empty line: the comma is
    // taken instead.
    EXPECT_EQ(numbered(s), (QStringList{"Arma virumque cano,=10", "Troiae qui primus ab oris.=11",
                                        "Italiam fato profugus.=12", "Laviniaque venit litora=13",
                                        "multum ille=14"}));
}

TEST(LineNumbering, EqualNeighboursMeanTheLineTakesInTheNextOne) {
    auto root = std::make_shared<TSText>();
    auto s = section(QStringLiteral("S"), {line(QStringLiteral("aaaa")), milestone(10, QStringLiteral("aaaa")),
                                           line(QStringLiteral("b")), line(QStringLiteral("cccc")),
                                           line(QStringLiteral("ddddddddd")), line(QStringLiteral("eeeee")),
                                           milestone(13, QStringLiteral("eeeee"))});
    root->addChild(s);
    root->adjustLines(s);
    EXPECT_EQ(numbered(s), (QStringList{"aaaa=10", "b cccc=11", "ddddddddd=12", "eeeee=13"}));
}

TEST(LineNumbering, PrecedingTextOverThreeLinesMarksTheThird) {
    auto root = std::make_shared<TSText>();
    TSText::LineGroup lines = {line(QStringLiteral("one two")), line(QStringLiteral("three")),
                               line(QStringLiteral("four")), line(QStringLiteral("five"))};
    EXPECT_EQ(root->findLine(QStringLiteral("one two\nthree\nfo"), lines, 7), lines[2]);
    // Past the end of the list, the marker falls on the last line.
    EXPECT_EQ(root->findLine(QStringLiteral("three\nx\ny\nz\nw"), lines, 7), lines[3]);
    // No preceding text: the first line.
    EXPECT_EQ(root->findLine(QString(), lines, 7), lines[0]);
    // A line already carrying the number (or the one before) answers nothing.
    std::static_pointer_cast<TSLine>(lines[0])->setTln(6);
    EXPECT_EQ(root->findLine(QStringLiteral("one"), lines, 7), nullptr);

    CaptureLogger::Scope log;
    EXPECT_EQ(root->findLine(QStringLiteral("nowhere"), lines, 7), nullptr);
    EXPECT_TRUE(log->contains("Unable to find line nowhere"));
}

TEST(LineNumbering, SectionsOfSectionsAreNumberedEachUpToTheNextScene) {
    auto root = std::make_shared<TSText>();
    auto s1 = section(QStringLiteral("Scene 1"), {line(QStringLiteral("alpha")), milestone(1, QStringLiteral("alpha")),
                                                  line(QStringLiteral("beta")), line(QStringLiteral("gamma"))});
    auto s2 = section(QStringLiteral("Scene 2"), {line(QStringLiteral("delta")), milestone(5, QStringLiteral("delta")),
                                                  line(QStringLiteral("epsilon. zeta"))});
    auto act = section(QStringLiteral("Act 1"), {s1, s2});
    root->addChild(act);
    root->adjustLines(act);
    // Words without a full stop or comma cannot be split: numbers 4 goes
    // to no line.
    EXPECT_EQ(numbered(s1), (QStringList{"alpha=1", "beta=2", "gamma=3"}));
    // With no scene after it, the last stretch is numbered as it stands and
    // nothing is split for want of an end.
    EXPECT_EQ(numbered(s2), (QStringList{"delta=5", "epsilon. zeta=6"}));
}

TEST(LineNumbering, WithoutMilestonesNothingIsNumbered) {
    auto root = std::make_shared<TSText>();
    auto s = section(QStringLiteral("S"), {line(QStringLiteral("a")), line(QStringLiteral("b"))});
    root->addChild(s);
    root->adjustLines(s);
    EXPECT_EQ(numbered(s), (QStringList{"a=0", "b=0"}));
}

TEST(LineNumbering, LinesBeforeTheFirstMarkerCountFromZeroAndDuplicatesJoin) {
    CaptureLogger::Scope log;
    auto root = std::make_shared<TSText>();
    auto note = std::make_shared<TSNote>();
    auto s = section(QStringLiteral("S"), {line(QStringLiteral("prior")), line(QStringLiteral("first")),
                                           milestone(2, QStringLiteral("first")), note,
                                           line(QStringLiteral("second")), milestone(2, QStringLiteral("second"))});
    root->addChild(s);
    root->adjustLines(s);
    // Two markers with one number: the second line joins the first.
    EXPECT_EQ(numbered(s), (QStringList{"prior=0", "first second=2", "<TSNote>"}));
}
