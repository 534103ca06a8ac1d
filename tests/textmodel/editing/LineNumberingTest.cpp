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

TEST(LineNumbering, MilestonesSpreadOverTheLinesOfASection) {
    // "@N text" is a milestone numbered N after the words "text"; "<note>" a note.
    struct Case {
        const char* what;
        QStringList items, expected;
    } const cases[] = {
        {"surplus lines merge, shortest first",
         {"Arma virumque cano Troiae", "@10 Arma virumque", "qui primus ab oris", "Italiam", "fato profugus",
          "Laviniaque", "venit litora multum ille", "et terris iactatus", "@14 et terris"},
         {"Arma virumque cano Troiae=10", "qui primus ab oris=11", "Italiam fato profugus Laviniaque=12",
          "venit litora multum ille=13", "et terris iactatus=14"}},
        // A full stop at the very end would leave an empty line: the comma is taken instead.
        {"missing lines come from splitting the longest",
         {"Arma virumque cano, Troiae qui primus ab oris.", "@10 Arma virumque",
          "Italiam fato profugus. Laviniaque venit litora", "multum ille", "@14 multum"},
         {"Arma virumque cano,=10", "Troiae qui primus ab oris.=11", "Italiam fato profugus.=12",
          "Laviniaque venit litora=13", "multum ille=14"}},
        {"equal neighbours: the line takes in the next one",
         {"aaaa", "@10 aaaa", "b", "cccc", "ddddddddd", "eeeee", "@13 eeeee"},
         {"aaaa=10", "b cccc=11", "ddddddddd=12", "eeeee=13"}},
        {"without milestones nothing is numbered", {"a", "b"}, {"a=0", "b=0"}},
        // Two markers with one number: the second line joins the first.
        {"lines before the first marker count from zero, duplicates join",
         {"prior", "first", "@2 first", "<note>", "second", "@2 second"},
         {"prior=0", "first second=2", "<TSNote>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CaptureLogger::Scope log;
        std::vector<TSChunkPtr> children;
        for (const QString& item : c.items) {
            if (item == QLatin1String("<note>")) children.push_back(std::make_shared<TSNote>());
            else if (item.startsWith(QLatin1Char('@')))
                children.push_back(milestone(item.section(QLatin1Char(' '), 0, 0).mid(1).toLongLong(),
                                             item.section(QLatin1Char(' '), 1)));
            else children.push_back(line(item));
        }
        auto root = std::make_shared<TSText>();
        auto s = edtest::importSection(QStringLiteral("S"), children);
        root->addChild(s);
        root->adjustLines(s);
        EXPECT_EQ(numbered(s), c.expected);
    }
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
    auto s1 = edtest::importSection(QStringLiteral("Scene 1"), {line(QStringLiteral("alpha")), milestone(1, QStringLiteral("alpha")),
                                                  line(QStringLiteral("beta")), line(QStringLiteral("gamma"))});
    auto s2 = edtest::importSection(QStringLiteral("Scene 2"), {line(QStringLiteral("delta")), milestone(5, QStringLiteral("delta")),
                                                  line(QStringLiteral("epsilon. zeta"))});
    auto act = edtest::importSection(QStringLiteral("Act 1"), {s1, s2});
    root->addChild(act);
    root->adjustLines(act);
    // Words without a full stop or comma cannot be split: numbers 4 goes
    // to no line.
    EXPECT_EQ(numbered(s1), (QStringList{"alpha=1", "beta=2", "gamma=3"}));
    // With no scene after it, the last stretch is numbered as it stands and
    // nothing is split for want of an end.
    EXPECT_EQ(numbered(s2), (QStringList{"delta=5", "epsilon. zeta=6"}));
}
