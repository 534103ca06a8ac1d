// Node operations: structure, copies, memory aid, vowel-length variants,
// fonts, word counts, name matching and the import-time nodes.

#include "support/CaptureLogger.h"

#include "foundation/ColorExtensions.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "textmodel/TSCharacter.h"
#include "textmodel/TSImportNodes.h"
#include "textmodel/TSText.h"
#include "textmodel/TSTextChunk.h"

#include <gtest/gtest.h>

using namespace ts;

namespace {

AttributedStringPtr text(const QString& s, double size = 12) {
    Attributes a;
    a[AttributeName::Font] = Value(Font::make(QStringLiteral("Helvetica"), size));
    return AttributedString::make(s, a);
}

TSMatchedChunkPtr line(const QString& latin, const QString& english = QString()) {
    auto m = std::make_shared<TSMatchedChunk>();
    if (!latin.isNull()) m->setLatin(text(latin));
    if (!english.isNull()) m->setEnglish(text(english));
    return m;
}

ColorPtr colorAt(const AttributedStringPtr& s, qsizetype i) {
    return s->attribute(AttributeName::ForegroundColor, i).toObjectAs<Color>();
}

}  // namespace

TEST(TextNodes, StructureAndNames) {
    auto parent = std::make_shared<TSChunk>();
    EXPECT_EQ(parent->numChildren(), 0);
    EXPECT_FALSE(parent->isHeader());
    EXPECT_FALSE(parent->childrenIfAny());  // asking did not create the container
    EXPECT_FALSE(parent->serialize().contains(QStringLiteral("Children")));
    EXPECT_FALSE(parent->serialize().contains(QStringLiteral("Flagged")));

    auto a = line(QStringLiteral("Arma")), b = line(QString(), QStringLiteral("Troy")), c = line(QString());
    parent->addChild(a);
    parent->addChild(b);
    parent->insertChild(c, 0);
    parent->addChild(nullptr);
    EXPECT_EQ(parent->childNames(), (QStringList{QString(""), QStringLiteral("Arma"), QStringLiteral("Troy")}));
    EXPECT_EQ(a->parent(), parent);
    EXPECT_EQ(parent->childWithName(QStringLiteral("Arma")), a);
    EXPECT_FALSE(parent->childWithName(QStringLiteral("arma")));

    parent->addChild(a);  // present twice
    parent->removeChild(a);
    EXPECT_EQ(parent->numChildren(), 2);
    EXPECT_FALSE(a->parent());

    // A root with children under a name; matching is by lower case and by suffix.
    auto root = std::make_shared<TSText>();
    auto carmina = std::make_shared<TSChunk>();
    carmina->setName(QStringLiteral("Carmina Liber I"));
    root->addChild(carmina);
    EXPECT_EQ(TSText::matchName(QStringLiteral("Liber I"), root), carmina);
    EXPECT_FALSE(TSText::matchName(QStringLiteral("Liber II"), root));
    auto prologus = std::make_shared<TSChunk>();
    const std::vector<std::pair<QString, TSChunkPtr>> keys{{QStringLiteral("prologus"), prologus}};
    EXPECT_FALSE(TSText::findChunkWithKey(QStringLiteral("Prologue 1"), keys));
    EXPECT_EQ(TSText::findChunkWithKey(QStringLiteral("the prologue"), keys), prologus);
}

TEST(TextNodes, CopiesCountsAndContent) {
    auto header = line(QStringLiteral("Liber"));
    header->addChild(line(QStringLiteral("arma virumque"), QStringLiteral("arms and the man")));
    header->addChild(line(QStringLiteral("cano"), QStringLiteral("I sing")));
    EXPECT_EQ(header->copyInterlinear()->string(),
              QStringLiteral("Liber\r\rarma virumque\rarms and the man\r\rcano\rI sing\r\r"));
    // Without English on the header, the English copy starts with the first line.
    EXPECT_EQ(header->copyText(false)->string(), QStringLiteral("arms and the man\r\rI sing\r\r"));
    EXPECT_EQ(header->latinStringOutput()->string(), QStringLiteral("Liber\rarma virumque\rcano\r"));
    EXPECT_EQ(header->wordCount(), 4);
    EXPECT_EQ(header->englishWordCount(), 6);

    auto macron = line(QString::fromUtf8("Ītaliam, fātō!"), QStringLiteral("Italy"));
    macron->setName(QStringLiteral("v. 2"));
    QString content;
    macron->addTextContent(content);
    EXPECT_EQ(content, QStringLiteral("v. 2\nItaliam, fato!\nItaly\n"));
    EXPECT_EQ(macron->wordCount(), 2);

    // A label made of letters reads as line 0; a header has no number.
    auto labelled = std::make_shared<TSMatchedChunk>();
    labelled->setLocation(text(QStringLiteral("praefatio")));
    EXPECT_EQ(labelled->tln(), 0);
    labelled->setLocation(text(QStringLiteral("  -12a")));
    EXPECT_EQ(labelled->tln(), -12);
    EXPECT_EQ(header->tln(), TSNotFound);
}

TEST(TextNodes, CoverUncoverVariantsAndMagnify) {
    auto l = line(QStringLiteral("arma virumque cano"));
    AttributedStringPtr latin = l->latin();
    latin->addAttribute(AttributeName::BackgroundColor, Value(Color::calibratedRgb(1, 1, 0)), {0, 4});
    l->coverText(true);
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(colorAt(l->latin(), 0), Color::calibratedRgb(1, 1, 0)));
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(colorAt(l->latin(), 6), Color::textBackgroundColor()));

    // Each uncover reveals one more word with what follows it.
    l->uncoverOne();
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(colorAt(l->latin(), 4), Color::textColor()));
    EXPECT_FALSE(ColorExtensions::isEqualToCalibratedColor(colorAt(l->latin(), 5), Color::textColor()));
    l->uncoverOne();
    l->uncoverOne();
    const auto uncovered = l->latin();
    l->uncoverOne();
    EXPECT_EQ(l->latin(), uncovered);  // nothing left to reveal
    l->coverText(false);
    EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(colorAt(l->latin(), 0), Color::textColor()));

    {
        CaptureLogger::Scope log;
        l->chooseMacronVariant(QString::fromUtf8("ārma"), {0, 3});
        EXPECT_TRUE(log->contains(QStringLiteral("Range length 3 not the same as string")));
        EXPECT_EQ(l->latin()->string(), QStringLiteral("arma virumque cano"));
    }
    // A range past the end would have changed the Latin around it.
    for (TextRange outside : {TextRange{16, 3}, TextRange{18, 3}, TextRange{-1, 3}, TextRange{40, 3}}) {
        CaptureLogger::Scope log;
        l->chooseMacronVariant(QStringLiteral("xyz"), outside);
        EXPECT_EQ(l->latin()->string(), QStringLiteral("arma virumque cano")) << outside.location;
        EXPECT_TRUE(log->contains(QStringLiteral("outside the Latin")));
    }
    l->chooseMacronVariant(QString::fromUtf8("cānō"), {14, 4});
    EXPECT_EQ(l->latin()->string(), QString::fromUtf8("arma virumque cānō"));
    auto bg = l->latin()->attribute(AttributeName::BackgroundColor, 15).toObjectAs<Color>();
    ASSERT_TRUE(bg);
    EXPECT_DOUBLE_EQ(bg->alpha(), 0);

    auto small = text(QStringLiteral("x"), 5.5);
    auto shrunk = TSMatchedChunk::magnifyString(small, 1.0f);
    EXPECT_DOUBLE_EQ(shrunk->attribute(AttributeName::Font, 0).toObjectAs<Font>()->pointSize(), 5.5);
    auto grown = TSMatchedChunk::magnifyString(small, 1.5f);
    EXPECT_DOUBLE_EQ(grown->attribute(AttributeName::Font, 0).toObjectAs<Font>()->pointSize(), 6.5);
    EXPECT_FALSE(TSMatchedChunk::magnifyString(nullptr, 2));
}

TEST(TextNodes, ImportTimeNodes) {
    auto l = std::make_shared<TSLine>();
    EXPECT_EQ(l->stringOutput(12)->string(), QStringLiteral("\n"));
    auto speaker = std::make_shared<TSSpeaker>();
    speaker->setName(QStringLiteral("Mercurius"));
    l->addObject(Value(speaker), QStringLiteral("Latin"));
    l->addObject(QStringLiteral("arma virumque"), QStringLiteral("Latin"));
    l->addObject(Value(text(QStringLiteral("cano"))), QString());
    const auto out = l->stringOutput(12);
    EXPECT_EQ(out->string(), QStringLiteral(" Mercurius  arma virumque cano\n"));
    EXPECT_TRUE(out->attribute(AttributeName::Font, 1).toObjectAs<Font>()->isBold());
    EXPECT_FALSE(out->attribute(AttributeName::Font, 13).toObjectAs<Font>()->isBold());
    EXPECT_FALSE(speaker->parent());  // contents carry no parent link

    // One cached result per size.
    EXPECT_DOUBLE_EQ(TSLine::lineAttributes(12)[AttributeName::Font].toObjectAs<Font>()->pointSize(), 12);
    EXPECT_DOUBLE_EQ(TSLine::lineAttributes(18)[AttributeName::Font].toObjectAs<Font>()->pointSize(), 18);

    auto dido = std::make_shared<TSCharacter>();
    dido->setName(QStringLiteral("Dido"));
    const Value d = dido->serialize();
    EXPECT_EQ(d.dictionary().size(), 2u);
    EXPECT_EQ(d[QStringLiteral("ClassName")].toString(), QStringLiteral("TSCharacter"));
    EXPECT_EQ(dido->stringOutput()->string(), QStringLiteral("Dido"));
    dido->setRoleDescription(QStringLiteral("queen"));
    EXPECT_EQ(TSCharacter::dataFromDictionary(dido->serialize())->stringOutput()->string(), QStringLiteral("Dido queen"));

    TSTextChunk section;
    EXPECT_FALSE(section.header());
    EXPECT_FALSE(section.location());
    auto first = std::make_shared<TSLine>(), second = std::make_shared<TSLine>(), third = std::make_shared<TSLine>();
    third->setChunkLine(7);
    section.addObject(first, QStringLiteral("Latin"));
    section.addObject(second, QStringLiteral("Latin"));
    section.addObject(third, QStringLiteral("Latin"));
    section.addObject(first, QString());
    EXPECT_EQ(first->chunkLine(), 0);
    EXPECT_EQ(second->chunkLine(), 1);
    EXPECT_EQ(third->chunkLine(), 7);
    const auto matched = section.matchChunks();
    ASSERT_EQ(matched.size(), 3u);
    EXPECT_EQ(std::dynamic_pointer_cast<TSMatchedChunk>(matched[1])->location()->string(), QStringLiteral("1"));
}

// The source-file importer puts roots below a root; they keep their own
// file form, information and children through a save.
TEST(TextNodes, NestedRootsRoundTrip) {
    auto root = std::make_shared<TSText>();
    auto heading = std::make_shared<TSText>();
    heading->setName(QStringLiteral("Liber II"));
    heading->information()[QStringLiteral("title")] = QStringLiteral("Aeneis");
    heading->addChild(line(QStringLiteral("Conticuere omnes")));
    root->addChild(heading);
    auto again = TSText::textFromDictionary(root->serialize());
    ASSERT_TRUE(again);
    auto inner = std::dynamic_pointer_cast<TSText>(again->childAt(0));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->name(), QStringLiteral("Liber II"));
    EXPECT_EQ(inner->uuid()->UUIDString(), heading->uuid()->UUIDString());
    EXPECT_EQ(inner->information()[QStringLiteral("title")].toString(), QStringLiteral("Aeneis"));
    ASSERT_EQ(inner->numChildren(), 1);
    EXPECT_EQ(inner->childAt(0)->chunkName(), QStringLiteral("Conticuere omnes"));
    EXPECT_EQ(inner->childAt(0)->parent(), inner);
    EXPECT_EQ(inner->parent(), again);
    EXPECT_EQ(again->itemWithUUID(inner->childAt(0)->uuid()), inner->childAt(0));
}

// A column of many runs: every run without a colour gets the text colour,
// runs with their own keep it, and covering reaches every run.
TEST(TextNodes, ManyRunsAreColouredRunByRun) {
    QByteArray body;
    for (int i = 0; i < 3000; ++i) body += i % 3 == 2 ? "\\cf2 red\\cf0 " : (i % 2 ? "\\b bold\\b0 " : "plain ");
    ValueDictionary d{{QStringLiteral("Latin"), Value(QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}"
                                                                 "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\f0 ") +
                                                      body + "}")}};
    auto text = TSMatchedChunk::readAttributedStringForKey(QStringLiteral("Latin"), Value(d));
    ASSERT_TRUE(text);
    ASSERT_GT(text->runs().size(), 2000u);
    int own = 0;
    for (const auto& run : text->runs()) {
        auto c = run.attributes.find(AttributeName::ForegroundColor);
        ASSERT_NE(c, run.attributes.end());
        if (!ColorExtensions::isEqualToCalibratedColor(c->second.toObjectAs<Color>(), Color::textColor())) ++own;
    }
    EXPECT_EQ(own, 1000);

    auto l = std::make_shared<TSMatchedChunk>();
    l->setLatin(text);
    l->coverText(true);
    for (const auto& run : l->latin()->runs())
        EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(
            run.attributes.at(AttributeName::ForegroundColor).toObjectAs<Color>(), Color::textBackgroundColor()));
    l->coverText(false);
    for (const auto& run : l->latin()->runs())
        EXPECT_TRUE(ColorExtensions::isEqualToCalibratedColor(
            run.attributes.at(AttributeName::ForegroundColor).toObjectAs<Color>(), Color::textColor()));
    EXPECT_EQ(l->latin()->string(), text->string());
}
