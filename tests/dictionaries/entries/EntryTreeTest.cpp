// The entry tree: attributes and code tables, tree operations and their
// ordering rules, hidden children, change marks, copying and equality.

#include "dictionaries/DictionaryEntry.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

using E = DictionaryEntry;

namespace {

DictionaryEntryPtr node(const char* text, int type = 0, qint64 freq = -1) {
    auto e = E::make(QString::fromUtf8(text), type);
    if (freq >= 0) e->setFrequency(freq);
    return e;
}

TEST(EntryTree, NewNodeHasEmptyEntryAndNoChildrenList) {
    E e;
    EXPECT_EQ(e.entry(), QStringLiteral(""));
    EXPECT_FALSE(e.entry().isNull());
    EXPECT_EQ(e.childCount(), 0);
    EXPECT_FALSE(e.attributes().count(E::kChildren));
    EXPECT_FALSE(e.dictionary().count(E::kChildren));
    e.children();
    EXPECT_TRUE(e.dictionary().count(E::kChildren));
    EXPECT_EQ(e.type(), 0);
    EXPECT_EQ(e.frequency(), 0);
    EXPECT_EQ(e.getAge(), 0);
    EXPECT_EQ(e.gender(), 0);
    EXPECT_EQ(e.getCase(), 0);
    EXPECT_TRUE(e.caseName().isNull());
    EXPECT_TRUE(e.key().isNull());
    EXPECT_FALSE(e.foreignFlag().has_value());
    EXPECT_FALSE(e.isForeign());
    EXPECT_FALSE(e.changed());
}

TEST(EntryTree, RootChildrenStayInRootOrder) {
    auto root = node("am", E::Root);
    root->addChild(node("amo", E::Verb, 5));
    root->addChild(node("amor", E::Noun, 9));
    root->addChild(node("amicus", E::Noun));  // no frequency counts as 0
    root->addChild(node("-o", E::WordModification, 1));
    root->addChildAtIndex(node("amabilis", E::Adjective, 7), 3);
    QStringList order;
    for (const auto& c : root->childList()) order << c->entry();
    EXPECT_EQ(order, (QStringList{"-o", "amor", "amabilis", "amo", "amicus"}));
    for (const auto& c : root->childList()) EXPECT_EQ(c->parent(), root);

    // Not a root: insertion order is kept.
    auto plain = node("x", E::Noun);
    plain->addChild(node("a", 0, 1));
    plain->addChild(node("b", 0, 9));
    EXPECT_EQ(plain->firstChild()->entry(), QStringLiteral("a"));
}

TEST(EntryTree, HiddenLeadingChildrenOfPrimaryEntries) {
    auto list = node("");
    auto head = node("rosa", E::Noun);
    list->addChild(head);
    for (int t : {E::Redirect, E::Redirect, E::Meaning, E::Meaning}) head->addChild(node("c", t));
    EXPECT_TRUE(head->isPrimaryEntry());
    EXPECT_EQ(head->indexOfFirstMeaningChild(), 2);
    EXPECT_EQ(head->getNumChildren(), 2);
    EXPECT_TRUE(head->hasHiddenEntries());
    EXPECT_EQ(head->visibleChildAtIndex(0), head->childAtIndex(2));
    EXPECT_EQ(head->visibleChildren().size(), 2u);

    head->setDisplayingReferences(true);
    EXPECT_EQ(head->getNumChildren(), 4);
    EXPECT_FALSE(head->hasHiddenEntries());
    EXPECT_EQ(head->visibleChildAtIndex(0), head->childAtIndex(0));
    EXPECT_EQ(head->visibleChildren().size(), 4u);

    // Without a sense nothing is hidden; below the primary entry nothing is.
    auto other = node("amo", E::Verb);
    list->addChild(other);
    other->addChild(node("r", E::Redirect));
    EXPECT_EQ(other->getNumChildren(), 1);
    EXPECT_FALSE(other->hasHiddenEntries());
    auto sub = head->childAtIndex(0);
    sub->addChild(node("n", E::Note));
    sub->addChild(node("m", E::Meaning));
    EXPECT_FALSE(sub->isPrimaryEntry());
    EXPECT_EQ(sub->getNumChildren(), 2);
}

TEST(EntryTree, PrimaryEntriesAndAncestors) {
    auto list = node("");
    auto head = node("rosa", E::Noun);
    auto sense = node("rose");
    auto example = node("rosa rubra", E::Example);
    list->addChild(head);
    head->addChild(sense);
    sense->addChild(example);
    EXPECT_TRUE(list->isPrimaryEntry());
    EXPECT_TRUE(head->isPrimaryEntry());
    EXPECT_FALSE(example->isPrimaryEntry());
    EXPECT_EQ(example->primaryEntry(), head);
    EXPECT_EQ(sense->primaryEntry(), head);
    EXPECT_EQ(example->firstAncestor(), list);
    EXPECT_EQ(list->findEntryWithString(QStringLiteral("rosa rubra")), example);
    EXPECT_EQ(list->findEntryWithString(QStringLiteral("nothing")), nullptr);
}

TEST(EntryTree, GoverningWordClass) {
    auto head = node("amo", E::Verb);
    EXPECT_EQ(head->firstType(), head);
    auto root = node("am", E::Root);
    root->addChild(node("r", E::Redirect));
    EXPECT_EQ(root->firstType(), nullptr);  // a redirect governs only itself
    auto n = node("amor", E::Noun);
    auto v = node("amo", E::Verb);
    root->addChild(n);
    root->addChild(v);
    root->addChild(node("m", E::Meaning));
    EXPECT_EQ(root->firstType(), v);  // searched from the last child
    EXPECT_EQ(node("r", E::Redirect)->firstType()->type(), E::Redirect);
}

TEST(EntryTree, CodesAndReverseLookUps) {
    EXPECT_EQ(E::typeForName(QStringLiteral("noun")), 1);
    EXPECT_EQ(E::typeForName(QStringLiteral("letter")), 26);
    EXPECT_EQ(E::typeForName(QStringLiteral("citation")), 0);
    EXPECT_EQ(E::typeForPluralName(QStringLiteral("adjectives")), 3);
    EXPECT_EQ(E::nameOfType(34), QStringLiteral("Unknown type"));
    EXPECT_EQ(E::nameOfType(-1), QStringLiteral("Unknown type"));
    EXPECT_EQ(E::pluralNameOfType(18), QStringLiteral("etymologies"));
    EXPECT_EQ(E::allSortedTypeNames().size(), 26);
    EXPECT_EQ(E::caseForName(QStringLiteral("abl")), 6);
    EXPECT_EQ(E::caseForName(QStringLiteral("insep")), 0);
    EXPECT_EQ(E::caseForName(QStringLiteral("acc & abl")), 0);
    EXPECT_EQ(E::genderForName(QStringLiteral("m or n")), 9);
    EXPECT_EQ(E::genderForName(QStringLiteral("Uninitialised")), 0);
    EXPECT_EQ(E::conjugationForName(QStringLiteral("possum")), 15);
    EXPECT_EQ(E::conjugationForName(QStringLiteral("3rd")), 3);
    EXPECT_EQ(E::ageName(6), QStringLiteral("Mediaeval"));
    EXPECT_TRUE(E::ageName(9).isEmpty());

    CaptureLogger::Scope capture;
    EXPECT_EQ(E::nameOfConjugation(16), QStringLiteral(""));
    EXPECT_TRUE(capture->contains(QStringLiteral("Conj name not set")));

    E e;
    e.setConjugation(7);
    EXPECT_EQ(e.getConjugationName(), QStringLiteral(""));
    e.setConjugation(6);
    EXPECT_EQ(e.getConjugationName(), QStringLiteral("irreg"));
    e.setType(E::Participle);
    EXPECT_TRUE(e.isLatin());
    e.setType(E::Meaning);
    EXPECT_FALSE(e.isLatin());
}

TEST(EntryTree, GenderAndCaseStoredUntranslated) {
    E e;
    for (int g = 0; g <= 11; ++g) {
        e.setGender(g);
        EXPECT_EQ(e.gender(), g) << g;
    }
    e.setGender(12);
    EXPECT_EQ(e.attribute(E::kGender).toString(), QStringLiteral("uninitialised gender"));
    EXPECT_EQ(e.gender(), 0);
    for (int c = 1; c <= 9; ++c) {
        e.setCase(c);
        EXPECT_EQ(e.getCase(), c) << c;
    }
    e.setCase(0);
    EXPECT_FALSE(e.attributes().count(E::kCase));
    EXPECT_EQ(e.getCase(), 0);
    e.setCase(3);
    e.setType(E::Noun);
    EXPECT_FALSE(e.attributes().count(E::kCase));

    // Under a translating table the stored forms stay the same and still read
    // back; the reverse look-ups follow the table.
    auto table = E::defaultLocalizationTable();
    table.insert(QStringLiteral("f"), QStringLiteral("weiblich"));
    table.insert(QStringLiteral("abl"), QStringLiteral("Ablativ"));
    E::setLocalizationTable(table);
    E g;
    g.setGender(2);
    g.setCase(6);
    EXPECT_EQ(g.attribute(E::kGender).toString(), QStringLiteral("f"));
    EXPECT_EQ(g.gender(), 2);
    EXPECT_EQ(g.getCase(), 6);
    EXPECT_EQ(g.caseName(), QStringLiteral("Ablativ"));
    EXPECT_EQ(E::genderForName(QStringLiteral("weiblich")), 2);
    EXPECT_EQ(E::caseForName(QStringLiteral("Ablativ")), 6);
    E old;  // a file written under that language holds the translated name
    old.setAttribute(E::kGender, QStringLiteral("weiblich"));
    EXPECT_EQ(old.gender(), 2);
    E::setLocalizationTable(E::defaultLocalizationTable());
    EXPECT_EQ(E::caseForName(QStringLiteral("abl")), 6);
}

TEST(EntryTree, SenseLabelsLevelsAndLoggedMisuse) {
    CaptureLogger::Scope capture;
    E e;
    e.setEntry(QStringLiteral("sense"));
    e.setParagraphNumber(QStringLiteral("(g)"));
    EXPECT_EQ(e.paragraphNumber(), QString(QChar(0x03B3)));
    e.setParagraphNumber(QStringLiteral("(q)"));
    EXPECT_EQ(e.paragraphNumber(), QStringLiteral("(q)"));
    EXPECT_TRUE(capture->messages().contains(QStringLiteral("(q)")));
    e.setParagraphNumber(QString());
    EXPECT_TRUE(capture->contains(QStringLiteral("Setting nil paragraphNumber sense")));
    e.setLevel(std::nullopt);
    EXPECT_TRUE(capture->contains(QStringLiteral("Setting nil level sense")));
    e.setIDNumber(std::nullopt);
    EXPECT_TRUE(capture->contains(QStringLiteral("Setting nil setIDNumber sense")));
    e.setKey(QString());
    EXPECT_TRUE(capture->contains(QStringLiteral("Nil key for sense")));
    EXPECT_EQ(e.paragraphNumber(), QStringLiteral("(q)"));

    E m;
    m.makeMeaning(QStringLiteral("II"), 1, std::nullopt);
    EXPECT_EQ(m.type(), E::Meaning);
    EXPECT_TRUE(m.paragraphNumber().isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("Nil idNumber for meaning")));

    capture->clear();
    m.setEntry(QStringLiteral("cf"));
    EXPECT_EQ(m.entry(), QStringLiteral("cf"));
    EXPECT_EQ(capture->messages(), QStringList{QStringLiteral("cf")});

    E r;
    r.setEntry(QStringLiteral("r"));
    r.removeFirstChild();
    EXPECT_TRUE(capture->contains(QStringLiteral("Attempting to remove non-existant child from r")));
}

TEST(EntryTree, TextJoinsAndAdjectiveDeclension) {
    E e;
    e.setAttribute(E::kEntry, ts::Value());
    e.addToEntry(QStringLiteral("bo"));
    e.addToEntry(QStringLiteral("nus"));
    EXPECT_EQ(e.entry(), QStringLiteral("bonus"));
    e.addToTranslation(QStringLiteral("good"));
    e.addToTranslation(QStringLiteral("brave"));
    EXPECT_EQ(e.translation(), QStringLiteral("good\nbrave"));
    e.setTranslation(QString());
    EXPECT_TRUE(e.translation().isNull());

    auto adj = [](const char* text) {
        auto a = E::make(QString::fromUtf8(text), E::Adjective);
        a->setAdjectivalDecension();
        return a->conjugation();
    };
    EXPECT_EQ(adj("bonus bona bonum"), 2);
    EXPECT_EQ(adj("fortis forte"), 3);
    EXPECT_EQ(adj("felix"), 0);
    EXPECT_EQ(adj("bonus  bona"), 0);  // the second part is empty
    auto set = E::make(QStringLiteral("acer acris"), E::Adjective);
    set->setConjugation(1);
    set->setAdjectivalDecension();
    EXPECT_EQ(set->conjugation(), 1);
}

TEST(EntryTree, AddingSensesByLevel) {
    auto head = node("verbum", E::Noun);
    auto s1 = E::make(QStringLiteral("word"));
    s1->makeMeaning(QStringLiteral("I"), 1, 1.0);
    head->addMeaningChild(s1);
    EXPECT_EQ(s1->parent(), head);
    auto s2 = E::make(QStringLiteral("saying"));
    s2->makeMeaning(QStringLiteral("A"), 2, 2.0);
    s1->addMeaningChild(s2);
    EXPECT_EQ(s2->parent(), s1);  // a deeper level nests
    // A node at the same level with a parent heads the chain itself, so the
    // new sense goes under the topmost same-level node.
    auto s3 = E::make(QStringLiteral("same"));
    s3->makeMeaning(QStringLiteral("A"), 2, 3.0);
    s2->addMeaningChild(s3);
    EXPECT_EQ(s3->parent(), s2);
    auto s4 = E::make(QStringLiteral("sub"));
    s4->makeMeaning(QStringLiteral("A"), 2, 4.0);
    s3->addMeaningChild(s4);
    EXPECT_EQ(s4->parent(), s2);
    EXPECT_TRUE(s3->sameLevel(*s4));
    EXPECT_FALSE(s1->sameLevel(*s2));

    // Without a parent the id decides; a different id has no parent to go
    // to and stays with the receiver rather than being lost.
    auto loose = E::make(QStringLiteral("loose"));
    loose->makeMeaning(QStringLiteral("B"), 3, 5.0);
    auto twin = E::make(QStringLiteral("twin"));
    twin->makeMeaning(QStringLiteral("B"), 3, 5.0);
    loose->addMeaningChild(twin);
    EXPECT_EQ(twin->parent(), loose);
    auto other = E::make(QStringLiteral("other"));
    other->makeMeaning(QStringLiteral("B"), 3, 6.0);
    loose->addMeaningChild(other);
    EXPECT_EQ(other->parent(), loose);
    auto unlevelled = E::make(QStringLiteral("u"));
    loose->addMeaningChild(unlevelled);
    EXPECT_EQ(unlevelled->parent(), loose);
}

TEST(EntryTree, CyclesAreRefused) {
    CaptureLogger::Scope capture;
    auto a = node("a");
    auto b = node("b");
    auto c = node("c");
    a->addChild(b);
    b->addChild(c);
    EXPECT_FALSE(a->addChild(a));
    EXPECT_TRUE(capture->contains(QStringLiteral("Adding self as child a")));
    EXPECT_FALSE(c->addChild(a));
    EXPECT_FALSE(c->addChildAtIndex(b, 0));
    EXPECT_FALSE(b->addChildAtIndex(b, 0));
    EXPECT_EQ(c->childCount(), 0);
    EXPECT_EQ(b->childCount(), 1);
    // A copy shares its source's children without being their parent; it
    // still cannot go under one of them.
    auto copy = b->copyEntry();
    EXPECT_FALSE(c->addChild(copy));
    c->addChildrenOfEntry(*copy);
    EXPECT_EQ(c->childCount(), 0);
    EXPECT_EQ(a->serialize().description().count(QStringLiteral("Entry")), 3);
    EXPECT_FALSE(b->addChildAtIndex(node("d"), 5));
}

TEST(EntryTree, ChangeMarks) {
    auto list = node("");
    auto head = node("rosa", E::Noun);
    auto sense = node("rose", E::Meaning);
    auto example = node("ex", E::Example);
    list->addChild(head);
    head->addChild(sense);
    sense->addChild(example);
    example->setChanged(true);
    EXPECT_TRUE(example->changed());
    EXPECT_TRUE(head->changed());
    EXPECT_FALSE(sense->changed());
    EXPECT_TRUE(sense->primaryEntryChanged());
    EXPECT_EQ(head->attribute(E::kChanged), ts::Value(1));
    sense->setChanged(true);
    head->removeChangeFlags();
    EXPECT_FALSE(example->changed());
    EXPECT_FALSE(sense->changed());
    EXPECT_FALSE(head->changed());
    example->setChanged(true);
    example->setChanged(false);
    EXPECT_FALSE(head->changed());
}

TEST(EntryTree, CopySharesChildren) {
    auto list = node("");
    auto head = node("rosa", E::Noun);
    list->addChild(head);
    head->addChild(node("rose", E::Meaning));
    head->setFont(E::getBaseFont());
    head->setDisplayingReferences(true);
    auto copy = head->copyEntry();
    EXPECT_TRUE(copy->isEqualTo(*head));
    EXPECT_EQ(copy->firstChild(), head->firstChild());
    EXPECT_NE(&copy->children(), &head->children());
    EXPECT_EQ(copy->firstChild()->parent(), head);
    EXPECT_EQ(copy->parent(), list);
    EXPECT_EQ(list->childCount(), 1);
    EXPECT_TRUE(copy->displayingReferences());
    ASSERT_TRUE(copy->font());
    EXPECT_TRUE(copy->font()->isEqual(*head->font()));
    copy->addChild(node("new"));
    EXPECT_EQ(head->childCount(), 1);
}

TEST(EntryTree, Equality) {
    auto a = node("x", E::Noun);
    auto b = node("x", E::Noun);
    b->children();
    EXPECT_TRUE(a->isEqualTo(*b));  // a missing list against an empty one
    EXPECT_TRUE(b->isEqualTo(*a));
    b->addChild(node("c"));
    EXPECT_TRUE(a->isEqualTo(*b));  // the receiver has no list to compare
    EXPECT_FALSE(b->isEqualTo(*a));
    a->addChild(node("c"));
    EXPECT_TRUE(b->isEqualTo(*a));
    a->firstChild()->setType(E::Note);
    EXPECT_FALSE(b->isEqualTo(*a));
    auto n1 = node("y");
    auto n2 = node("y");
    n1->setAttribute(E::kFreq, ts::Value(3));
    n2->setAttribute(E::kFreq, ts::Value(3.0));
    EXPECT_TRUE(n1->isEqualTo(*n2));
    n2->setAge(1);
    EXPECT_FALSE(n1->isEqualTo(*n2));
    EXPECT_TRUE(node("b")->matchesKey(QString()) == false);
    auto k = node("k");
    k->setKey(QStringLiteral("k1"));
    EXPECT_TRUE(k->matchesKey(QStringLiteral("k1")));
    EXPECT_EQ(node("Rosa")->caseInsensitiveCompare(*node("rosa")), 0);
    EXPECT_EQ(node("amo")->caseInsensitiveCompare(*node("Rosa")), -1);
}

TEST(EntryTree, PlainTextDump) {
    auto head = node("rosa", E::Noun);
    head->setFrequency(0);
    head->setGender(2);
    head->setDeponent(false);
    auto sense = node("rose", E::Meaning);
    sense->setIDNumber(1.5);
    head->addChild(sense);
    EXPECT_EQ(head->getObjectAsString(),
              QStringLiteral("|rosa\n\nEntry rosa\nType 1\ngen f|rose\n\nEntry rose\nType 13\nidNumber 1.5"));
}

// The entry text is kept beside the attributes for searches: whichever way
// the attributes change, it reads as the attributes' "Entry" string does.
TEST(EntryTree, EntryTextFollowsEveryChangeOfTheAttributes) {
    const auto stored = [](const E& e) {
        const auto it = e.attributes().find(E::kEntry);
        return it == e.attributes().end() || !it->second.isString() ? QString() : it->second.toString();
    };
    const auto agrees = [&](const DictionaryEntryPtr& e) {
        EXPECT_EQ(e->entry(), stored(*e));
        EXPECT_EQ(e->entry().isNull(), stored(*e).isNull());
    };
    auto e = node("rosa", E::Meaning);
    agrees(e);
    e->setAttribute(E::kEntry, ts::Value(QStringLiteral("flower")));
    agrees(e);
    EXPECT_TRUE(e->containsMeaning(QStringLiteral("flow"), false));
    e->addToEntry(QStringLiteral("s"));
    EXPECT_EQ(e->entry(), QStringLiteral("flowers"));
    e->setAttribute(E::kEntry, ts::Value(qint64(7)));  // not text: no entry
    agrees(e);
    EXPECT_TRUE(e->entry().isNull());
    EXPECT_FALSE(e->containsMeaning(QStringLiteral("7"), false));
    e->setEntry(QStringLiteral("thorn"));
    agrees(e);
    e->setAttribute(E::kEntry, ts::Value());
    agrees(e);
    e->setEntry(QString());
    agrees(e);

    ts::ValueDictionary d;
    d[E::kEntry] = QStringLiteral("petal");
    d[E::kType] = qint64(E::Meaning);
    e->setDictionary(d);
    agrees(e);
    EXPECT_TRUE(e->containsMeaning(QStringLiteral("pet"), false));

    const auto read = E::entryFromSerializedData(ts::Value(d));
    ASSERT_TRUE(read);
    agrees(read);
    EXPECT_EQ(read->entry(), QStringLiteral("petal"));
    const auto copy = read->copyEntry();
    agrees(copy);
    read->setEntry(QStringLiteral("stem"));
    EXPECT_EQ(copy->entry(), QStringLiteral("petal"));
    agrees(read);
}

TEST(EntryTree, RemovingChildren) {
    auto p = node("p");
    auto a = node("a");
    auto b = node("b");
    p->addChild(a);
    p->addChild(b);
    p->removeChild(a);
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_EQ(p->childCount(), 1);
    p->removeFirstChild();
    EXPECT_EQ(p->childCount(), 0);
    EXPECT_EQ(b->parent(), nullptr);
    CaptureLogger::Scope capture;
    EXPECT_EQ(p->childAtIndex(3), nullptr);
    EXPECT_TRUE(capture->contains(QStringLiteral("Attempting to access child")));
}

}  // namespace
