// Flat forms of a text, and the paste that asks before it replaces text.

#include "EditingTestSupport.h"

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Prompter.h"
#include "textmodel/TSCharacter.h"

using namespace edtest;

TEST(TextOutput, LinesInReadingOrderAndTheirRanges) {
    auto a = row(QStringLiteral("arma "));
    auto b = row(QStringLiteral("virumque"));
    auto noLatin = row(QString());
    auto root = text({header(QStringLiteral("S"), {a, noLatin}), header(QStringLiteral("T"), {b})});
    auto lines = root->lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], a);
    EXPECT_EQ(lines[2], b);

    auto ranges = root->rangeDictionaryForIdentifier(QStringLiteral("latin"));
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].first, (ts::TextRange{0, 5}));
    EXPECT_EQ(ranges[0].second, a);
    EXPECT_EQ(ranges[1].first, (ts::TextRange{5, 8}));
    EXPECT_EQ(ranges[1].second, b);
}

TEST(TextOutput, WordSetDropsStopWordsAndDiacritics) {
    auto l = row(QStringLiteral("Et in Arcadia egō"));
    auto root = text({header(QStringLiteral("S"), {l})});
    // The header's own texts are not lines; only lines give words.
    EXPECT_EQ(root->wordSet(), (QStringList{"arcadia", "ego"}));
    EXPECT_TRUE(root->textContent().contains("Et in Arcadia ego\n"));
}

TEST(TextOutput, LatinAndCastOutput) {
    auto root = text({header(QStringLiteral("Liber"), {row(QStringLiteral("arma"))}), row(QStringLiteral("cano"))});
    EXPECT_EQ(root->latinStringOutput()->string(), "Liber\rarma\r\ncano\r\n");

    auto cast = root->castList();
    cast->setName(QStringLiteral("Personae"));
    auto mercury = std::make_shared<TSCharacter>();
    mercury->setName(QStringLiteral("Mercurius"));
    mercury->setRoleDescription(QStringLiteral("deus"));
    cast->addObject(mercury);
    EXPECT_EQ(root->stringOutput(12)->string(), "Personae\nMercurius deus\n\nLiber\rarma\rcano\r");
}

TEST(TextOutput, StringHelpers) {
    EXPECT_EQ(TSText::lastLine(QStringLiteral("one\ntwo\n\n")), "two");
    EXPECT_TRUE(TSText::lastLine(QStringLiteral("\n\n")).isNull());
    EXPECT_EQ(TSText::strippedLemma(QStringLiteral("  arma virumque \n\t cano  ")), "arma virumque cano");
    EXPECT_TRUE(TSText::strippedLemma(QString()).isNull());
}

namespace {

ts::Attributes boldFont() {
    ts::Attributes a;
    a[ts::AttributeName::Font] = ts::Value(ts::Font::make(QStringLiteral("Helvetica-Bold"), 12));
    return a;
}

struct PasteFixture {
    TSTextPtr root;
    TSChunkPtr section;
    TSChunkPtr target;
    TSChunkPtr later;
};

PasteFixture pasteTarget(bool laterHasText) {
    PasteFixture f;
    f.target = row(QString());
    f.later = laterHasText ? row(QStringLiteral("old text")) : row(QString());
    f.section = header(QStringLiteral("S"), {row(QStringLiteral("keep")), f.target, f.later});
    f.root = text({f.section});
    return f;
}

ts::AttributedString threeParagraphs() {
    ts::AttributedString s(QStringLiteral("Liber I"), boldFont());
    ts::Attributes plain;
    plain[ts::AttributeName::BackgroundColor] = ts::Value(ts::Color::redColor());
    s.append(QStringLiteral("\n[1] arma virumque\r\ncano"), plain);
    return s;
}

}  // namespace

TEST(Paste, ParagraphsBecomeHeadersAndLines) {
    PasteFixture f = pasteTarget(false);
    f.root->insertAttributedString(threeParagraphs(), f.target, QStringLiteral("latin"));
    EXPECT_EQ(childLatin(f.section), (QStringList{"keep", "Liber I", "1"}));
    EXPECT_EQ(f.section->childAt(1)->numChildren(), 0);
    auto numbered = f.section->childAt(2);
    EXPECT_EQ(childLatin(numbered), (QStringList{" arma virumque", "cano"}));
    // Colours of the source go; the text colour comes instead.
    auto line = numbered->childAt(0)->textForKey(QStringLiteral("latin"));
    EXPECT_TRUE(line->attribute(ts::AttributeName::BackgroundColor, 0).isNull());
    EXPECT_EQ(line->attribute(ts::AttributeName::ForegroundColor, 0), ts::Value(ts::Color::textColor()));
    EXPECT_FALSE(f.later->parent());
    expectLinked(f.root);
}

TEST(Paste, BracketsWithoutPositiveNumberOrClosingBracketAreLines) {
    PasteFixture f = pasteTarget(false);
    f.root->insertAttributedString(ts::AttributedString(QStringLiteral("[0] nihil\n[a] littera\n[7 sine fine")),
                                   f.target, QStringLiteral("english"));
    ASSERT_EQ(f.section->numChildren(), 4);
    EXPECT_EQ(columnOf(f.section->childAt(1), "english"), "[0] nihil");
    EXPECT_EQ(columnOf(f.section->childAt(2), "english"), "[a] littera");
    EXPECT_EQ(columnOf(f.section->childAt(3), "english"), "[7 sine fine");
}

TEST(Paste, AsksBeforeReplacingTextAndPastesOnlyWhenConfirmed) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);

    // Cancel (the default) keeps everything.
    PasteFixture f = pasteTarget(true);
    EXPECT_TRUE(TSText::hasSubsequentText(f.target));
    EXPECT_FALSE(f.root->pasteAttributedString(threeParagraphs(), f.target, QStringLiteral("latin")));
    EXPECT_EQ(childLatin(f.section), (QStringList{"keep", "", "old text"}));
    ASSERT_EQ(prompter->alerts().size(), 1u);
    const ts::AlertRequest asked = prompter->alerts()[0];
    EXPECT_EQ(asked.messageText, "DELETE_TEXT");
    EXPECT_EQ(asked.informativeText, "REALLY_DELETE_UNKNOWN_TEXT");
    EXPECT_EQ(asked.buttons, (QStringList{"CANCEL_DONT_DELETE", "Delete"}));
    EXPECT_EQ(asked.defaultButton, 0);

    prompter->queueAlertAnswer(1);
    EXPECT_TRUE(f.root->pasteAttributedString(threeParagraphs(), f.target, QStringLiteral("latin")));
    EXPECT_EQ(childLatin(f.section), (QStringList{"keep", "Liber I", "1"}));
    EXPECT_EQ(prompter->alerts().size(), 2u);
}

TEST(Paste, NoQuestionWhenNothingWouldBeLost) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    PasteFixture f = pasteTarget(false);
    EXPECT_FALSE(TSText::hasSubsequentText(f.target));
    EXPECT_TRUE(f.root->pasteAttributedString(ts::AttributedString(QStringLiteral("a\nb")), f.target,
                                              QStringLiteral("latin")));
    EXPECT_TRUE(prompter->alerts().empty());
    EXPECT_EQ(childLatin(f.section), (QStringList{"keep", "a", "b"}));

    auto orphan = row(QStringLiteral("x"));
    EXPECT_FALSE(TSText::hasSubsequentText(orphan));
    EXPECT_FALSE(f.root->pasteAttributedString(ts::AttributedString(QStringLiteral("a")), orphan,
                                               QStringLiteral("latin")));
}

// Lines under a header without text of its own go with the header.
TEST(Paste, AsksWhenLinesBelowAReplacedHeaderWouldGo) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    auto target = row(QString());
    auto section = header(QString(), {row(QStringLiteral("arma")), row(QStringLiteral("cano"))});
    auto later = header(QString(), {header(QString(), {row(QStringLiteral("Troiae"))})});
    auto root = text({header(QString(), {target, later}), section});

    EXPECT_TRUE(TSText::hasSubsequentText(section));
    EXPECT_TRUE(TSText::hasSubsequentText(target));
    EXPECT_FALSE(root->pasteAttributedString(ts::AttributedString(QStringLiteral("x")), section, QStringLiteral("latin")));
    EXPECT_FALSE(root->pasteAttributedString(ts::AttributedString(QStringLiteral("x")), target, QStringLiteral("latin")));
    EXPECT_EQ(prompter->alerts().size(), 2u);
    EXPECT_EQ(childLatin(section), (QStringList{"arma", "cano"}));
    EXPECT_EQ(root->lines().size(), 4u);
}

TEST(Paste, WarningNamesTheNodesTextThroughTheLocaliser) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    ts::Prompter::setLocalizer([](const QString& key, const QString& table) -> QString {
        if (table != QLatin1String("NonReversable")) return QString();
        if (key == QLatin1String("REALLY_DELETE_TEXT")) return QStringLiteral("Replace \u201c%@\u201d?");
        return QString();
    });
    auto node = row(QStringLiteral("arma"));
    auto root = text({node});
    EXPECT_FALSE(TSText::checkIfOKToPaste(node));
    ts::Prompter::setLocalizer(nullptr);
    ASSERT_EQ(prompter->alerts().size(), 1u);
    EXPECT_EQ(prompter->alerts()[0].informativeText, "Replace \u201carma\u201d?");
    EXPECT_EQ(prompter->alerts()[0].messageText, "DELETE_TEXT");
}

TEST(PrompterSeam, DefaultAnswersWithoutAPerson) {
    auto current = ts::Prompter::current();
    ASSERT_TRUE(current);
    ts::AlertRequest r;
    r.buttons = {QStringLiteral("Cancel"), QStringLiteral("OK")};
    r.defaultButton = 1;
    EXPECT_EQ(current->alert(r), 1);
    r.defaultButton = 7;
    EXPECT_EQ(current->alert(r), 0);
    EXPECT_TRUE(current->openPanel({}).isEmpty());
    EXPECT_TRUE(current->savePanel({}).isNull());

    auto scripted = std::make_shared<ts::ScriptedPrompter>();
    {
        ts::Prompter::Scope scope(scripted);
        scripted->queueSavePanelAnswer(QStringLiteral("/tmp/x.plist"));
        EXPECT_EQ(ts::Prompter::current()->savePanel({}), "/tmp/x.plist");
        EXPECT_TRUE(ts::Prompter::current()->savePanel({}).isNull());
    }
    EXPECT_EQ(ts::Prompter::current(), current);
}
