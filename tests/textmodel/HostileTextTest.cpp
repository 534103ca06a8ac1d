// Hostile and damaged input: wrong types, classes that are not nodes, deep
// nesting and RTF that cannot be read all fail cleanly and lose nothing.

#include "TextModelTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/PropertyList.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSRichTextField.h"
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
    EXPECT_EQ(again.array()[0][QStringLiteral("Flagged")].toString(), QStringLiteral("1"));
    EXPECT_EQ(again.array()[0][QStringLiteral("name")], Value(3.5));
    EXPECT_TRUE(log->contains(QStringLiteral("The Flagged of a TSMatchedChunk is a string")));
    EXPECT_TRUE(log->contains(QStringLiteral("The name of a TSMatchedChunk is a real")));
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

// The root's name and flag, in the outer dictionary or inside "Text", of the
// wrong kind: logged and written back where they were.
TEST(HostileText, WrongTypedRootFieldsAreKeptWhereTheyWere) {
    CaptureLogger::Scope log;
    ValueDictionary outer = rootWith({}).dictionary();
    outer[QStringLiteral("name")] = Value(qint64(12));
    ValueDictionary inner = outer[QStringLiteral("Text")].dictionary();
    inner[QStringLiteral("Flagged")] = QStringLiteral("yes");
    inner[QStringLiteral("name")] = Value(ValueArray{Value(1)});
    outer[QStringLiteral("Text")] = Value(inner);
    auto text = TSText::textFromDictionary(Value(outer));
    ASSERT_TRUE(text);
    EXPECT_FALSE(text->flagged());
    EXPECT_TRUE(log->contains(QStringLiteral("is a string, not a number")));
    const Value saved = text->serialize();
    EXPECT_EQ(saved[QStringLiteral("name")].toInt64(), 12);
    EXPECT_EQ(saved[QStringLiteral("Text")][QStringLiteral("Flagged")].toString(), QStringLiteral("yes"));
    EXPECT_EQ(saved[QStringLiteral("Text")][QStringLiteral("name")], Value(ValueArray{Value(1)}));
}

// Covering and uncovering the Latin (the memory aid) touches every line
// below a header; a column that could not be read must still be saved as it
// was, links to footnotes included, and a text that returns to what was read
// is no edit.
TEST(HostileText, CoverAndUncoverKeepUnreadableBytesAndTheirFootnotes) {
    FootnoteList notes;
    auto linked = notes.makeNewNote();
    const QByteArray broken = "{\\rtf1\\ansi {\\fonttbl\\f0\\fswiss Helvetica;}\\f0 arma {\\field{\\*\\fldinst{HYPERLINK \"" +
                              linked->uniqueID().toLatin1() + "\"}}{\\fldrslt [1]";
    ValueDictionary line = nodeDict("TSMatchedChunk");
    line[QStringLiteral("Latin")] = Value(broken);
    ValueDictionary header = nodeDict("TSMatchedChunk");
    header[QStringLiteral("Children")] = ValueArray{Value(line)};
    auto text = TSText::textFromDictionary(rootWith({Value(header)}));
    ASSERT_TRUE(text);
    auto top = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(top->childAt(0));
    ASSERT_TRUE(node);
    CaptureLogger::Scope log;
    auto savedLatin = [&] { return node->serialize()[QStringLiteral("Latin")].toData(); };
    auto found = [&] {
        notes.markAllAsUnfound();
        text->markFoundNotes(notes);
        auto copy = notes.copy();
        copy->purgeUnusedNotes();
        return copy->noteForID(linked->uniqueID()) != nullptr;
    };

    top->coverText(true);
    EXPECT_EQ(savedLatin(), broken);  // saved while covered
    EXPECT_TRUE(found());
    top->coverText(false);
    EXPECT_EQ(savedLatin(), broken);
    EXPECT_TRUE(node->hasUnreadableText());
    EXPECT_TRUE(found());
    top->coverText(true);
    for (int i = 0; i < 4; ++i) node->uncoverOne();
    EXPECT_EQ(savedLatin(), broken);
    EXPECT_TRUE(found());

    // An edit made while covered replaces the bytes; undoing it returns them.
    const auto before = std::make_shared<AttributedString>(*node->latin());
    auto edited = std::make_shared<AttributedString>(*before);
    edited->append(QStringLiteral(" virumque"), {});
    node->setLatin(edited);
    EXPECT_NE(savedLatin(), broken);
    EXPECT_FALSE(found());
    top->coverText(false);
    EXPECT_NE(savedLatin(), broken);
    node->setLatin(std::make_shared<AttributedString>(*before));
    top->coverText(false);
    EXPECT_EQ(savedLatin(), broken);
    EXPECT_TRUE(found());
}

// A readable column set to something else and back is saved as read.
TEST(HostileText, ReturningToTheTextAsReadIsNoEdit) {
    const QByteArray rtf = tmtest::platformRtf("\\f0\\fs24 \\cf2 arma virumque");
    ValueDictionary line = nodeDict("TSMatchedChunk");
    line[QStringLiteral("Latin")] = Value(rtf);
    auto text = TSText::textFromDictionary(rootWith({Value(line)}));
    auto node = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    ASSERT_TRUE(node && node->latin());
    const auto asRead = std::make_shared<AttributedString>(*node->latin());
    node->setLatin(AttributedString::make(QStringLiteral("cano")));
    EXPECT_NE(node->serialize()[QStringLiteral("Latin")].toData(), rtf);
    node->setLatin(std::make_shared<AttributedString>(*asRead));
    EXPECT_EQ(node->serialize()[QStringLiteral("Latin")].toData(), rtf);
}

// Lines holding the same bytes each get a text of their own, and an edit
// of one never shows in another read later.
TEST(HostileText, EqualBytesReadAsSeparateTexts) {
    const QByteArray rtf = tmtest::platformRtf("\\f0\\fs24 12");
    ValueArray lines;
    for (int i = 0; i < 3; ++i) {
        ValueDictionary line = nodeDict("TSMatchedChunk");
        line[QStringLiteral("Location")] = Value(rtf);
        lines.push_back(Value(line));
    }
    auto text = TSText::textFromDictionary(rootWith(lines));
    ASSERT_TRUE(text);
    auto first = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(0));
    auto second = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(1));
    auto third = std::dynamic_pointer_cast<TSMatchedChunk>(text->childAt(2));
    first->location()->append(QStringLiteral("a"), {});
    EXPECT_EQ(second->location()->string(), QStringLiteral("12"));
    EXPECT_NE(second->location(), third->location());
    second->location()->append(QStringLiteral("b"), {});
    EXPECT_EQ(third->location()->string(), QStringLiteral("12"));
    EXPECT_EQ(first->location()->string(), QStringLiteral("12a"));
    EXPECT_EQ(third->serialize()[QStringLiteral("Location")].toData(), rtf);
    EXPECT_NE(second->serialize()[QStringLiteral("Location")].toData(), rtf);
}

// A column copied or moved before it is read keeps the file's bytes (for
// readable and unreadable RTF alike), and reading or editing one copy
// leaves the others as they were.
TEST(HostileText, CopiedAndMovedColumnsKeepTheirBytes) {
    const QByteArray rtf = tmtest::platformRtf("\\f0\\fs24 arma");
    const QString key = QStringLiteral("Latin");
    CaptureLogger::Scope log;
    for (const QByteArray& bytes : {rtf, kBinary}) {
        TSRichTextField unread;
        unread.readFrom(Value(bytes));
        TSRichTextField copy(unread);
        TSRichTextField assigned;
        assigned.set(AttributedString::make(QStringLiteral("cano")));
        assigned = unread;
        TSRichTextField moved(std::move(copy));
        EXPECT_TRUE(copy.valueToWrite().isNull());

        unread.get(key, nullptr)->append(QStringLiteral("que"), {});
        EXPECT_NE(unread.valueToWrite().toData(), bytes);
        for (const TSRichTextField* f : {&assigned, &moved}) {
            EXPECT_TRUE(f->isPresent());
            EXPECT_EQ(f->valueToWrite().toData(), bytes);
        }

        ASSERT_TRUE(moved.get(key, nullptr));
        TSRichTextField read = moved;
        EXPECT_EQ(read.isUnreadable(), bytes == kBinary);
        assigned = std::move(read);
        EXPECT_EQ(assigned.isUnreadable(), bytes == kBinary);
        EXPECT_EQ(assigned.valueToWrite().toData(), bytes);
        assigned.set(AttributedString::make(QStringLiteral("cano")));
        EXPECT_NE(assigned.valueToWrite().toData(), bytes);
        EXPECT_EQ(moved.valueToWrite().toData(), bytes);
    }
}

// An unread column tells whether it may hold a link field from its bytes
// alone, in whatever case the field instruction is written and wherever it
// stands; bytes after a zero still count.
TEST(HostileText, UnreadColumnsFindTheirLinkFieldsInAnyCase) {
    const struct {
        QByteArray bytes;
        bool link;
    } cases[] = {
        {tmtest::platformRtf("\\f0\\fs24 arma"), false},
        {tmtest::platformRtf("{\\field{\\*\\fldinst{HYPERLINK \"tsfootnote://1\"}}{\\fldrslt arma}}"), true},
        {tmtest::platformRtf("{\\field{\\*\\fldinst{hyperlink \"x\"}}{\\fldrslt a}}"), true},
        {QByteArrayLiteral("HyPeRlInK"), true},
        {QByteArrayLiteral("hyperlin"), false},
        {QByteArrayLiteral("hhyperlinkh"), true},
        {QByteArray("h\0hyperlink", 11), true},
        {QByteArrayLiteral("hyper link Hyperlin"), false},
        {QByteArray(), false},
    };
    TSRichTextField reused;
    for (const auto& c : cases) {
        TSRichTextField field;
        field.readFrom(Value(c.bytes));
        EXPECT_EQ(field.mayHaveLinks(), c.link) << c.bytes.toStdString();
        // The answer is remembered without changing what the field holds.
        EXPECT_EQ(field.mayHaveLinks(), c.link) << c.bytes.toStdString();
        EXPECT_EQ(TSRichTextField(field).mayHaveLinks(), c.link) << c.bytes.toStdString();
        if (!c.bytes.isNull()) {
            EXPECT_EQ(field.valueToWrite(), Value(c.bytes)) << c.bytes.toStdString();
        }
        // A field read again forgets what it knew of its old bytes.
        reused.readFrom(Value(c.bytes));
        EXPECT_EQ(reused.mayHaveLinks(), c.link) << c.bytes.toStdString();
    }
}
