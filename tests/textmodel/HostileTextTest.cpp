// Hostile and damaged input: wrong types, classes that are not nodes, deep
// nesting and RTF that cannot be read all fail cleanly and lose nothing.

#include "TextModelTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/PropertyList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

using namespace ts;
using tmtest::nodeDict;
using tmtest::rootWith;

namespace {

const QByteArray kBinary("\x01\x02\xff binary", 10);

// A line whose Latin is RTF cut short and whose English is not RTF at all.
TSTextPtr damagedText(const QByteArray& brokenLatin) {
    ValueDictionary d = nodeDict("TSMatchedChunk");
    d[QStringLiteral("Latin")] = Value(brokenLatin);
    d[QStringLiteral("English")] = Value(kBinary);
    return TSText::textFromDictionary(rootWith({Value(d)}));
}

int depthOf(const Value& node) {
    int depth = 0;
    for (const Value* n = &node; n->contains(QStringLiteral("Children")); n = &(*n)[QStringLiteral("Children")].array()[0]) ++depth;
    return depth;
}

}  // namespace

TEST(HostileText, WrongTypesAndClassesThatAreNotNodes) {
    CaptureLogger::Scope log;
    // Only a node class makes a node, and only a root makes a text.
    EXPECT_FALSE(TSChunk::dataFromDictionary(Value(nodeDict("VDNewArray"))));
    EXPECT_FALSE(TSChunk::dataFromDictionary(Value(nodeDict("TSBookmarkData"))));
    EXPECT_FALSE(TSChunk::dataFromDictionary(Value(nodeDict("NoSuchClass"))));
    EXPECT_FALSE(TSChunk::dataFromDictionary(Value(QStringLiteral("TSText"))));
    EXPECT_FALSE(TSText::textFromDictionary(Value(nodeDict("TSMatchedChunk"))));
    EXPECT_TRUE(TSChunk::dataFromDictionary(Value(nodeDict("TSMatchedChunk"))));

    ValueDictionary odd = nodeDict("TSMatchedChunk");
    odd[QStringLiteral("uuid")] = Value(qint64(7));
    odd[QStringLiteral("Flagged")] = QStringLiteral("1");
    odd[QStringLiteral("name")] = Value(3.5);
    odd[QStringLiteral("Latin")] = Value(qint64(42));
    odd[QStringLiteral("English")] = QStringLiteral("plain English");
    odd[QStringLiteral("Children")] = QStringLiteral("not an array");
    ValueArray children{Value(odd), Value(qint64(5)), Value(nodeDict("VDNewArray")), Value(nodeDict("TSMatchedChunk"))};
    auto text = TSText::textFromDictionary(rootWith(children));
    ASSERT_TRUE(text);
    ASSERT_EQ(text->numChildren(), 2);
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    ASSERT_TRUE(node);
    EXPECT_TRUE(node->uuid());  // a fresh one
    EXPECT_FALSE(node->flagged());
    EXPECT_TRUE(node->name().isNull());
    EXPECT_FALSE(node->latin());
    ASSERT_TRUE(node->english());
    EXPECT_EQ(node->english()->string(), QStringLiteral("plain English"));
    EXPECT_EQ(node->numChildren(), 0);
    EXPECT_TRUE(log->contains(QStringLiteral("Unknown node class VDNewArray")));

    // What could not be used is written back as it was.
    const Value saved = text->serialize();
    const Value& again = saved[QStringLiteral("Text")][QStringLiteral("Children")];
    ASSERT_EQ(again.array().size(), 4u);
    EXPECT_EQ(again.array()[0][QStringLiteral("Latin")].toInt64(), 42);
    EXPECT_EQ(again.array()[0][QStringLiteral("English")].toString(), QStringLiteral("plain English"));
    EXPECT_EQ(again.array()[0][QStringLiteral("Children")].toString(), QStringLiteral("not an array"));
    EXPECT_EQ(again.array()[1].toInt64(), 5);
    EXPECT_EQ(again.array()[2][QStringLiteral("ClassName")].toString(), QStringLiteral("VDNewArray"));
}

TEST(HostileText, DeepNestingIsBoundedAndKept) {
    CaptureLogger::Scope log;
    Value node = Value(nodeDict("TSMatchedChunk"));
    for (int i = 0; i < 240; ++i) {
        ValueDictionary parent = nodeDict("TSMatchedChunk");
        parent[QStringLiteral("Children")] = ValueArray{node};
        node = Value(std::move(parent));
    }
    auto text = TSText::textFromDictionary(rootWith({node}));
    ASSERT_TRUE(text);
    int built = 0;
    for (TSChunkPtr n = text->childAt(0); n; n = n->childAt(0)) ++built;
    EXPECT_LE(built, TSChunk::kMaxNodeDepth + 1);
    EXPECT_TRUE(log->contains(QStringLiteral("levels deep")));
    EXPECT_EQ(depthOf(text->serialize()[QStringLiteral("Text")][QStringLiteral("Children")].array()[0]), 240);
}

TEST(HostileText, UnreadableRtfIsShownAsPlainTextAndKept) {
    const QByteArray broken("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639 {\\fonttbl\\f0\\fswiss Helvetica;}\\f0 Arma vir\\'e9");
    auto text = damagedText(broken);
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    ASSERT_TRUE(node);

    CaptureLogger::Scope log;
    ASSERT_TRUE(node->latin());
    EXPECT_EQ(node->latin()->string(), QString::fromUtf8("Arma viré"));
    EXPECT_TRUE(node->hasUnreadableText());
    EXPECT_TRUE(log->contains(QStringLiteral("could not be read")));
    ASSERT_TRUE(node->english());
    EXPECT_EQ(node->english()->string(), QString());

    // Saved unchanged while unedited; an edit replaces it.
    EXPECT_EQ(node->serialize()[QStringLiteral("Latin")].toData(), broken);
    EXPECT_EQ(node->serialize()[QStringLiteral("English")].toData(), kBinary);
    node->latin()->append(QStringLiteral("umque"), {});
    const QByteArray rewritten = node->serialize()[QStringLiteral("Latin")].toData();
    EXPECT_TRUE(rewritten.startsWith("{\\rtf1"));
    EXPECT_EQ(TSMatchedChunk::readAttributedStringForKey(QStringLiteral("Latin"), node->serialize())->string(),
              QString::fromUtf8("Arma viréumque"));
}

// Operations over the whole tree store every line's text again, changed or
// not; text that could not be read must still be saved as it was.
TEST(HostileText, WholeTreeOperationsKeepUnreadableBytes) {
    const QByteArray broken("{\\rtf1\\ansi {\\fonttbl\\f0\\fswiss Helvetica;}\\f0 Arma vir");
    auto text = damagedText(broken);
    ASSERT_TRUE(text);
    CaptureLogger::Scope log;
    text->magnify(2.0f);
    text->magnify(0.5f);
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    ASSERT_TRUE(node);
    node->uncoverOne();  // the recovered Latin already has the text colour
    const Value saved = node->serialize();
    EXPECT_EQ(saved[QStringLiteral("English")].toData(), kBinary);
    EXPECT_EQ(saved[QStringLiteral("Latin")].toData(), broken);

    // A real change still replaces the stored value.
    node->setEnglish(AttributedString::make(QStringLiteral("new")));
    EXPECT_EQ(TSMatchedChunk::readAttributedStringForKey(QStringLiteral("English"), node->serialize())->string(),
              QStringLiteral("new"));
}
