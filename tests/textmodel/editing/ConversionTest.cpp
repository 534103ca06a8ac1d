// Import nodes turned into stored rows, and matching by line number.

#include "EditingTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/Font.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSTextChunk.h"

using namespace edtest;

namespace {

std::shared_ptr<TSLine> line(qint64 tln, std::vector<QString> pieces) {
    auto l = std::make_shared<TSLine>();
    l->setTln(tln);
    for (const auto& p : pieces) l->addObject(ts::Value(p), QStringLiteral("English"));
    return l;
}

std::shared_ptr<TSLine> namedLine(qint64 tln, const QString& name) {
    auto l = std::make_shared<TSLine>();
    l->setTln(tln);
    l->setName(name);
    return l;
}

template <class T>
std::shared_ptr<T> named(const QString& name) {
    auto n = std::make_shared<T>();
    n->setName(name);
    return n;
}

bool boldAt(const TSChunkPtr& n, const QString& key) {
    auto t = n->textForKey(key);
    auto f = t ? t->attribute(ts::AttributeName::Font, 0).toObjectAs<ts::Font>() : nullptr;
    return f && f->isBold();
}

}  // namespace

TEST(Conversion, SpeakerAndLineBecomeTwoRows) {
    auto root = std::make_shared<TSText>();
    root->addChild(named<TSSpeaker>(QStringLiteral("Tityrus")));
    root->addChild(line(5, {QStringLiteral("O Meliboee")}));
    root->convertToMatched(14);
    ASSERT_EQ(root->numChildren(), 2);
    auto speaker = root->childAt(0);
    auto verse = root->childAt(1);
    EXPECT_EQ(columnOf(speaker, "english"), "Tityrus");
    EXPECT_TRUE(boldAt(speaker, "english"));
    EXPECT_EQ(columnOf(verse, "english"), "O Meliboee");
    EXPECT_FALSE(boldAt(verse, "english"));
    EXPECT_EQ(columnOf(verse, "location"), "5");
    auto font = verse->textForKey("english")->attribute(ts::AttributeName::Font, 0).toObjectAs<ts::Font>();
    ASSERT_TRUE(font);
    EXPECT_EQ(font->pointSize(), 14);
    expectLinked(root);
}

TEST(Conversion, PiecesJoinWithABlankInLatinOnly) {
    auto root = std::make_shared<TSText>();
    auto holder = std::make_shared<TSMatchedChunk>();
    root->addChild(holder);
    root->extractChunk(line(0, {QStringLiteral("arma"), QStringLiteral("cano")}), holder, {}, true);
    root->extractChunk(line(0, {QStringLiteral("arms"), QStringLiteral(""), QStringLiteral(" I sing")}), holder, {},
                       false);
    EXPECT_EQ(columnOf(holder->childAt(0), "latin"), "arma cano");
    EXPECT_EQ(columnOf(holder->childAt(1), "english"), "arms I sing");
    // A line numbered 0 gets no location.
    EXPECT_TRUE(columnOf(holder->childAt(0), "location").isNull());
}

TEST(Conversion, LegacySectionsAndUnknownItems) {
    CaptureLogger::Scope log;
    auto root = std::make_shared<TSText>();
    auto legacy = std::make_shared<TSTextChunk>();
    legacy->setName(QStringLiteral("Liber I"));
    legacy->addObject(line(1, {QStringLiteral("arma")}), QStringLiteral("Latin"));
    legacy->addObject(named<TSStageDirection>(QStringLiteral("exit")), QStringLiteral("English"));
    root->children()->addObject(legacy);
    root->children()->addObject(std::make_shared<TSNote>());
    root->convertToMatched(12);
    ASSERT_EQ(root->numChildren(), 2);
    auto book = root->childAt(0);
    EXPECT_EQ(latinOf(book), "Liber I");
    ASSERT_EQ(book->numChildren(), 2);
    EXPECT_EQ(columnOf(book->childAt(0), "latin"), "arma");
    EXPECT_EQ(columnOf(book->childAt(1), "english"), "exit");
    EXPECT_TRUE(boldAt(book->childAt(1), "english"));
    EXPECT_TRUE(log->contains("TSNote unhandled"));
}

TEST(Conversion, SpeakersFoldIntoTheirLines) {
    auto s = std::make_shared<TSChunk>();
    auto l1 = namedLine(1, QStringLiteral("first words"));
    auto l2 = namedLine(2, QStringLiteral("second words"));
    for (TSChunkPtr c : std::vector<TSChunkPtr>{named<TSSpeaker>("A"), l1, named<TSSpeaker>("B"),
                                                named<TSStageDirection>("enters"), l2})
        s->addChild(c);
    TSText::insertSpeakers(s);
    ASSERT_EQ(s->numChildren(), 2);
    EXPECT_EQ(l1->name(), "A first words");
    EXPECT_EQ(l2->name(), "B second words");
}

TEST(Conversion, MatchLinesByNumberAppendsTheSurplus) {
    CaptureLogger::Scope log;
    auto root = std::make_shared<TSText>();
    std::vector<TSChunkPtr> rows;
    for (int i = 1; i <= 10; ++i) rows.push_back(row(QStringLiteral("l%1").arg(i), QString::number(i)));
    auto destination = header(QStringLiteral("S"), rows);
    root->addChild(destination);
    auto source = std::make_shared<TSChunk>();
    for (int i = 1; i <= 12; ++i) source->addChild(namedLine(i, QStringLiteral("E%1").arg(i)));
    root->matchLines(destination, source);
    EXPECT_EQ(columnOf(rows[0], "perseusEnglish"), "E1");
    EXPECT_EQ(columnOf(rows[8], "perseusEnglish"), "E9");
    EXPECT_EQ(columnOf(rows[9], "perseusEnglish"), "E10\nE11\nE12");
    EXPECT_EQ(log->count(), 0);
}

TEST(Conversion, MatchLinesLogsOddNumbersAndStillMatchesZero) {
    CaptureLogger::Scope log;
    auto root = std::make_shared<TSText>();
    auto zero = row(QStringLiteral("argumentum"), QStringLiteral("0"));
    auto one = row(QString(), QStringLiteral("1"));
    auto destination = header(QStringLiteral("S"), {zero, one});
    root->addChild(destination);
    auto source = std::make_shared<TSChunk>();
    source->addChild(namedLine(0, QStringLiteral("argument")));
    source->addChild(namedLine(1, QStringLiteral("one")));
    source->addChild(namedLine(1, QStringLiteral("again")));
    root->matchLines(destination, source);
    EXPECT_TRUE(log->contains("0 tln argument"));
    EXPECT_TRUE(log->contains("repeat tln again"));
    EXPECT_EQ(columnOf(zero, "perseusEnglish"), "argument");
    EXPECT_EQ(columnOf(one, "perseusEnglish"), "again");
}
