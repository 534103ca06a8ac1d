// How entries show in an outline, how trees are searched and sorted, and the
// commands that move, add and re-nest nodes.

#include "dictionaries/DictionaryEntry.h"

#include "platform/ParagraphStyle.h"
#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

using E = DictionaryEntry;
using ts::AttributedString;

namespace {

DictionaryEntryPtr node(const char* text, int type = 0) { return E::make(QString::fromUtf8(text), type); }

QString rendered(const DictionaryEntryPtr& e) {
    auto s = e->stringForEntry(E::kEntry);
    return s ? s->string() : QStringLiteral("<nothing>");
}

ts::FontPtr fontAt(const AttributedString& s, qsizetype i) {
    return s.attribute(ts::AttributeName::Font, i).toObjectAs<ts::Font>();
}

// A word list holding one headword, so that nodes below it are not primary.
struct Tree {
    DictionaryEntryPtr list = node("");
    DictionaryEntryPtr head = node("rosa", E::Noun);
    Tree() { list->addChild(head); }
    DictionaryEntryPtr add(const DictionaryEntryPtr& parent, const char* text, int type) {
        auto e = node(text, type);
        parent->addChild(e);
        return e;
    }
};

TEST(EntryDisplay, GrammaticalSuffixes) {
    auto rosa = node("rosa", E::Noun);
    rosa->setConjugation(1);
    EXPECT_EQ(rendered(rosa), QStringLiteral("rosa1st"));
    rosa->setGender(2);
    EXPECT_EQ(rendered(rosa), QStringLiteral("rosa(f)1st"));

    auto amo = node("amo", E::Verb);
    amo->setConjugation(1);
    amo->setTransIntrans(1);
    EXPECT_EQ(rendered(amo), QStringLiteral("amo(1st) ") + E::localized(QStringLiteral("TRANS")));
    amo->setTransIntrans(3);
    EXPECT_EQ(rendered(amo), QStringLiteral("amo(1st) trans & intrans"));
    amo->setTransIntrans(7);
    EXPECT_EQ(rendered(amo), QStringLiteral("amo(1st)"));

    auto in = node("in", E::Preposition);
    EXPECT_EQ(rendered(in), QStringLiteral("in"));
    in->setCase(9);
    EXPECT_EQ(rendered(in), QStringLiteral("in + acc & abl"));
    in->setCase(8);
    EXPECT_EQ(rendered(in), QStringLiteral("in (insep)"));
    auto both = node("ante", E::AdverbAndPreposition);
    both->setCase(3);
    EXPECT_EQ(rendered(both), QStringLiteral("ante + acc"));

    EXPECT_EQ(rendered(node("bene", E::Adverb)), QStringLiteral("bene"));
    auto empty = node("x");
    empty->setEntry(QString());
    EXPECT_EQ(empty->stringForEntry(E::kEntry), nullptr);
}

TEST(EntryDisplay, AgeAndExamples) {
    auto old = node("abbas", E::Noun);
    old->setAge(6);
    auto s = old->stringForEntry(E::kEntry);
    EXPECT_EQ(s->string(), QStringLiteral("abbas    {Mediaeval}"));
    EXPECT_EQ(s->runs().size(), 1u);
    EXPECT_TRUE(fontAt(*s, 0)->isEqual(*E::getWordFormFont()));

    Tree t;
    auto sense = t.add(t.head, "rose", E::Meaning);
    auto ex = t.add(sense, "rosa rubra", E::Example);
    ex->setTranslation(QStringLiteral("a red rose"));
    auto r = ex->stringForEntry(E::kEntry);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->string(), QStringLiteral("rosa rubra a red rose"));
    EXPECT_TRUE(fontAt(*r, 0)->isItalic());
    EXPECT_TRUE(fontAt(*r, 10)->isItalic());  // the blank goes with the Latin
    EXPECT_FALSE(fontAt(*r, 11)->isItalic());
    EXPECT_TRUE(fontAt(*r, 11)->isEqual(*E::getBaseFont()));

    ex->setPrependText(QStringLiteral("Hor."));
    r = ex->stringForEntry(E::kEntry);
    EXPECT_EQ(r->string(), QStringLiteral("Hor.: rosa rubra a red rose"));
    EXPECT_FALSE(fontAt(*r, 0)->isItalic());
    EXPECT_TRUE(fontAt(*r, 6)->isItalic());

    ex->setAge(1);
    r = ex->stringForEntry(E::kEntry);
    EXPECT_EQ(r->string(), QStringLiteral("rosa rubra    {archaic}"));
    EXPECT_FALSE(fontAt(*r, 0)->isItalic());

    auto plain = node("vox", E::Example);
    EXPECT_FALSE(fontAt(*plain->stringForEntry(E::kEntry), 0)->isItalic());
    EXPECT_EQ(plain->formattedStringWithFont(E::getBaseFont(), ts::Value(42)), nullptr);
    auto rich = AttributedString::make(QStringLiteral("kept"));
    EXPECT_EQ(plain->formattedStringWithFont(E::getBaseFont(), ts::Value(rich)), rich);
}

TEST(EntryDisplay, CrossReferences) {
    auto e = node("see <a> <b>; more");
    EXPECT_EQ(rendered(e), QStringLiteral("see [ref] more"));
    e->setDisplayingReferences(true);
    EXPECT_EQ(rendered(e), QStringLiteral("see a b; more"));

    auto lines = node("one\ntwo  three <x>, cf <y>: end");
    EXPECT_EQ(rendered(lines), QStringLiteral("onetwo three [ref] end"));
    lines->setDisplayingReferences(true);
    EXPECT_EQ(rendered(lines), QStringLiteral("one\ntwo  three x, cf y: end"));

    auto many = node("a    b"), bare = node("no references");
    EXPECT_EQ(rendered(many), QStringLiteral("a b"));
    EXPECT_EQ(rendered(bare), QStringLiteral("no references"));

    // The replacement keeps the attributes of what it replaces.
    AttributedString mixed(QStringLiteral("x "));
    mixed.append(QStringLiteral("<r>"), {{ts::AttributeName::Font, ts::Value(E::getNoteFont())}});
    auto out = node("x")->replaceReferences(mixed);
    EXPECT_EQ(out->string(), QStringLiteral("x [ref]"));
    EXPECT_TRUE(fontAt(*out, 3)->isEqual(*E::getNoteFont()));
    EXPECT_EQ(mixed.string(), QStringLiteral("x <r>"));  // the input is untouched
}

TEST(EntryDisplay, ReplaceStringEndsWhenTheReplacementHoldsTheSearch) {
    AttributedString s(QStringLiteral("a-b-c"));
    E::replaceString(QStringLiteral("-"), QStringLiteral("--"), s);
    EXPECT_EQ(s.string(), QStringLiteral("a--b--c"));
    AttributedString t(QStringLiteral("x      y"));
    E::replaceString(QStringLiteral("  "), QStringLiteral(" "), t);
    EXPECT_EQ(t.string(), QStringLiteral("x y"));
    AttributedString u(QStringLiteral("aab"));
    E::replaceString(QStringLiteral("ab"), QStringLiteral("b"), u);
    EXPECT_EQ(u.string(), QStringLiteral("b"));
}

TEST(EntryDisplay, FontsByType) {
    EXPECT_TRUE(node("a", E::Noun)->font()->isEqual(*E::getWordFormFont()));
    EXPECT_EQ(E::getWordFormFont()->pointSize(), 14);
    EXPECT_TRUE(node("r", E::Root)->font()->isBold());
    EXPECT_TRUE(node("m", E::Meaning)->font()->isEqual(*E::getBaseFont()));
    EXPECT_EQ(node("n", E::Note)->font()->postScriptName(), QStringLiteral("Helvetica"));
    EXPECT_EQ(node("n", E::Note)->font()->pointSize(), 10);
    EXPECT_TRUE(node("d", E::WordData)->font()->isBold());
    EXPECT_EQ(node("s", E::WordFormSample)->font()->pointSize(), 15);
    EXPECT_TRUE(node("p", E::Packon)->font()->isEqual(*E::getUninitialisedFont()));
    EXPECT_TRUE(node("u", 99)->font()->isItalic());

    auto adj = node("bonus bona bonum", E::Adjective);
    EXPECT_EQ(adj->conjugation(), 0);
    adj->font();
    EXPECT_EQ(adj->conjugation(), 2);

    auto set = node("x", E::Note);
    set->setFont(E::getRootFont());
    EXPECT_EQ(set->font(), E::getRootFont());
}

TEST(EntryDisplay, ColumnValues) {
    Tree t;
    auto sense = t.add(t.head, "rose", E::Meaning);
    sense->setParagraphNumber(QStringLiteral("A"));
    auto typeValue = sense->objectForKey(E::kType).toObjectAs<AttributedString>();
    ASSERT_TRUE(typeValue);
    EXPECT_EQ(typeValue->string(), QStringLiteral("A"));
    EXPECT_TRUE(fontAt(*typeValue, 0)->isBold());
    auto style = typeValue->attribute(ts::AttributeName::ParagraphStyle, 0).toObjectAs<ts::ParagraphStyle>();
    ASSERT_TRUE(style);
    EXPECT_EQ(style->alignment(), ts::ParagraphStyle::Alignment::Right);

    t.head->addChildAtIndex(node("see", E::Redirect), 0);
    auto hidden = t.head->objectForKey(E::kType).toObjectAs<AttributedString>();
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->string(), QStringLiteral("noun \u25B8"));
    t.head->setDisplayingReferences(true);
    EXPECT_EQ(t.head->objectForKey(E::kType), ts::Value(QStringLiteral("noun")));

    EXPECT_EQ(node("p", E::Packon)->objectForKey(E::kType), ts::Value(QStringLiteral("Unknown type")));
    EXPECT_EQ(node("e", E::Example)->objectForKey(E::kType), ts::Value(QStringLiteral("")));
    EXPECT_EQ(node("x", E::Noun)->objectForKey(E::kFreq), ts::Value());
    auto f = node("x", E::Noun);
    f->setFrequency(4);
    EXPECT_EQ(f->objectForKey(E::kFreq), ts::Value(4));
    EXPECT_EQ(t.head->objectForKey(E::kChildren).array().size(), 2u);
    EXPECT_TRUE(t.head->objectForKey(E::kEntry).toObjectAs<AttributedString>());
}

TEST(EntryDisplay, Sorting) {
    auto list = node("");
    for (const char* w : {"beta", "Alpha", "gamma"}) list->addChild(node(w));
    list->childAtIndex(0)->setFrequency(2);
    list->childAtIndex(2)->setFrequency(7);
    list->sortUsingDescriptors({{E::kFreq, false, {}}});
    EXPECT_EQ(list->firstChild()->entry(), QStringLiteral("gamma"));
    EXPECT_EQ(list->lastChild()->entry(), QStringLiteral("Alpha"));
    list->sortUsingDescriptors({{E::kEntry, true, [](const ts::Value& a, const ts::Value& b) {
                                      return a.toString().compare(b.toString(), Qt::CaseInsensitive);
                                  }}});
    EXPECT_EQ(list->firstChild()->entry(), QStringLiteral("Alpha"));
    auto inner = list->firstChild();
    inner->addChild(node("z"));
    inner->addChild(node("y"));
    list->sortChildrenUsingDescriptors({{E::kEntry, true, {}}});
    EXPECT_EQ(inner->firstChild()->entry(), QStringLiteral("y"));
    list->sortUsingDescriptors({});
    EXPECT_EQ(list->firstChild()->entry(), QStringLiteral("Alpha"));
}

TEST(EntryDisplay, Searches) {
    Tree t;
    auto sense = t.add(t.head, "a flower", E::Meaning);
    auto ex = t.add(sense, "rosa alba", E::Example);
    t.add(ex, "a flower in an example", E::Meaning);
    EXPECT_TRUE(t.list->containsMeaning(QStringLiteral("flower"), true));
    EXPECT_FALSE(t.list->containsMeaning(QStringLiteral("alba"), true));
    EXPECT_FALSE(ex->containsMeaning(QStringLiteral("example"), true));
    EXPECT_FALSE(t.list->containsMeaning(QStringLiteral("example"), false));

    const QRegularExpression re(QStringLiteral("^ros"), QRegularExpression::CaseInsensitiveOption);
    EXPECT_TRUE(t.head->containsRegexEntry(re, -1));
    EXPECT_FALSE(ex->containsRegexEntry(re, -1));  // not primary
    EXPECT_TRUE(ex->containsRegexEntry(re, E::Example));
    const QRegularExpression flower(QStringLiteral("flower"));
    EXPECT_FALSE(sense->containsRegexEntry(flower, 0));  // senses are skipped
    EXPECT_TRUE(t.list->containsRegexEntry(QRegularExpression(QStringLiteral("alba")), 0));
    EXPECT_TRUE(t.list->containsRegexMeaning(flower, 0));
    EXPECT_FALSE(t.list->containsRegexMeaning(QRegularExpression(QStringLiteral("^rosa$")), 0));
    EXPECT_TRUE(t.list->containsRegexMeaning(QRegularExpression(QStringLiteral("alba")), E::Example));

    // Word boundaries next to long vowels need Unicode properties.
    auto macron = node("r\u014Dsa");
    EXPECT_TRUE(macron->containsRegexEntry(
        QRegularExpression(QStringLiteral("\\br\u014Dsa\\b"), QRegularExpression::UseUnicodePropertiesOption), -1));

    EXPECT_FALSE(t.list->containsFlag());
    ex->setTranslation(QStringLiteral("check *#* this"));
    EXPECT_TRUE(t.list->containsFlag());
    EXPECT_EQ(node("a b  c")->parts(), (QStringList{"a", "b", "", "c"}));
    auto none = node("x");
    none->setEntry(QString());
    EXPECT_TRUE(none->parts().isEmpty());
}

// The meaning search reads a tree a level at a time: levels wider than it
// holds at once, deep chains and examples anywhere give what a plain walk
// gives.
TEST(EntryDisplay, MeaningSearchOverWideAndDeepTrees) {
    auto root = node("");
    std::vector<DictionaryEntryPtr> senses;
    for (int i = 0; i < 150; ++i) {
        auto head = node("verbum", E::Noun);
        root->addChild(head);
        auto sense = node("a word", E::Meaning);
        head->addChild(sense);
        senses.push_back(sense);
    }
    EXPECT_FALSE(root->containsMeaning(QStringLiteral("thorn"), true));
    // Found in the last of many wide levels, and below a sense that holds no match.
    senses.back()->addChild(node("a sharp thorn", E::Meaning));
    EXPECT_TRUE(root->containsMeaning(QStringLiteral("thorn"), true));
    senses.back()->removeFirstChild();
    senses[3]->addChild(node("a sharp thorn", E::Meaning));
    EXPECT_TRUE(root->containsMeaning(QStringLiteral("thorn"), true));
    senses[3]->removeFirstChild();
    // Not found under an example, however deep.
    auto example = node("rosa spinosa", E::Example);
    senses[100]->addChild(example);
    example->addChild(node("a thorn in an example", E::Meaning));
    EXPECT_FALSE(root->containsMeaning(QStringLiteral("thorn"), true));
    // A chain a thousand deep, with the match at its foot.
    DictionaryEntryPtr at = senses[70];
    for (int depth = 0; depth < 1000; ++depth) {
        auto below = node("", E::Note);
        at->addChild(below);
        at = below;
    }
    EXPECT_FALSE(root->containsMeaning(QStringLiteral("thorn"), true));
    at->addChild(node("thorn bush", E::Meaning));
    EXPECT_TRUE(root->containsMeaning(QStringLiteral("thorn"), true));
    EXPECT_TRUE(senses[70]->containsMeaning(QStringLiteral("thorn"), true));
    EXPECT_FALSE(senses[71]->containsMeaning(QStringLiteral("thorn"), true));
    EXPECT_FALSE(root->containsMeaning(QString(), true));

    // A list filtered by meaning keeps its order and leaves out null entries,
    // however long the list.
    DictionaryEntryList list(root->childList().begin(), root->childList().end());
    list.insert(list.begin() + 5, nullptr);
    list.push_back(nullptr);
    const DictionaryEntryList found = E::entriesWithMeaning(list, QStringLiteral("thorn"), true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.front(), root->childList()[70]);
    const DictionaryEntryList words = E::entriesWithMeaning(list, QStringLiteral("word"), true);
    ASSERT_EQ(words.size(), 150u);
    EXPECT_TRUE(std::equal(words.begin(), words.end(), root->childList().begin()));
    EXPECT_TRUE(E::entriesWithMeaning({}, QStringLiteral("word"), true).empty());
}

TEST(EntryDisplay, DictionaryForm) {
    auto root = node("am", E::Root);
    auto verb = node("amo", E::Verb);
    root->addChild(verb);
    auto sense = node("love", E::Meaning);
    verb->addChild(sense);
    EXPECT_EQ(sense->findUninflectedForm(true), verb);
    EXPECT_EQ(root->findUninflectedForm(true), verb);
    root->addChild(node("amor", E::Noun));
    EXPECT_EQ(root->findUninflectedForm(true), nullptr);
    EXPECT_EQ(root->findUninflectedForm(false), verb);
    EXPECT_EQ(node("empty", E::Root)->findUninflectedForm(false), nullptr);

    // A root whose first child is a sense stands for itself; asking from the
    // sense must not bounce between the two.
    CaptureLogger::Scope capture;
    auto bare = node("x", E::Root);
    auto meaning = node("m", E::Meaning);
    bare->addChild(meaning);
    EXPECT_EQ(meaning->findUninflectedForm(false), bare);
    EXPECT_EQ(bare->findUninflectedForm(false), bare);
    EXPECT_FALSE(capture->contains(QStringLiteral("Loop")));

    // A chain deeper than the bound ends with the message.
    auto top = node("top", E::Verb);
    DictionaryEntryPtr leaf = top;
    for (int i = 0; i < 30; ++i) {
        auto next = node("s", E::Meaning);
        leaf->addChild(next);
        leaf = next;
    }
    EXPECT_EQ(leaf->findUninflectedForm(false), nullptr);
    EXPECT_TRUE(capture->contains(QStringLiteral("Loop at findUninflectedForm")));
}

TEST(EntryDisplay, EditCommandsRefusedWhereTheyMayNotAct) {
    Tree t;
    auto a = t.add(t.head, "a", E::Meaning);
    auto b = t.add(t.head, "b", E::Meaning);
    const QString before = t.list->getObjectAsString();
    for (const auto& primary : {t.list, t.head}) {
        EXPECT_FALSE(primary->elementUp());
        EXPECT_FALSE(primary->elementDown());
        EXPECT_EQ(primary->addEntry(), nullptr);
        EXPECT_FALSE(primary->promoteChildren());
        EXPECT_FALSE(primary->promoteEntry());
        EXPECT_FALSE(primary->demoteEntry());
    }
    EXPECT_FALSE(a->elementUp());
    EXPECT_FALSE(b->elementDown());
    EXPECT_FALSE(a->demoteEntry());
    EXPECT_FALSE(a->promoteEntry());  // its parent is a primary entry
    auto copy = b->copyEntry();        // has a parent whose list does not hold it
    EXPECT_FALSE(copy->elementUp());
    EXPECT_EQ(copy->addEntry(), nullptr);
    EXPECT_EQ(t.list->getObjectAsString(), before);
}

TEST(EntryDisplay, EditCommandsRearrange) {
    Tree t;
    auto a = t.add(t.head, "a", E::Meaning);
    auto b = t.add(t.head, "b", E::Meaning);
    auto ex = t.add(b, "ex", E::Example);
    auto entries = [](const DictionaryEntryPtr& p) {
        QStringList l;
        for (const auto& c : p->childList()) l << c->entry();
        return l;
    };
    EXPECT_TRUE(b->elementUp());
    EXPECT_EQ(entries(t.head), (QStringList{"b", "a"}));
    EXPECT_TRUE(b->elementDown());
    EXPECT_EQ(entries(t.head), (QStringList{"a", "b"}));

    auto added = ex->addEntry();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->type(), E::Example);
    EXPECT_EQ(entries(b), (QStringList{"New entry", "ex"}));
    EXPECT_EQ(added->parent(), b);
    auto note = b->addEntry();
    EXPECT_EQ(note->type(), E::Note);
    EXPECT_EQ(entries(t.head), (QStringList{"a", "New entry", "b"}));
    EXPECT_FALSE(b->changed());  // the window marks edits, not the commands

    EXPECT_TRUE(b->demoteEntry());
    EXPECT_EQ(b->parent(), note);
    EXPECT_TRUE(b->promoteEntry());
    EXPECT_EQ(entries(t.head), (QStringList{"a", "New entry", "b"}));
    EXPECT_EQ(b->parent(), t.head);

    EXPECT_TRUE(b->promoteChildren());
    EXPECT_EQ(entries(t.head), (QStringList{"a", "New entry", "b", "New entry", "ex"}));
    EXPECT_EQ(ex->parent(), t.head);
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_TRUE(b->promoteChildren());  // nothing to move is still a success
}

}  // namespace
