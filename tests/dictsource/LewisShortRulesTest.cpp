// The Lewis and Short converter's rules on small documents: element routing,
// the header, senses placed by level, examples, synonyms, gender, case,
// notes, brackets, headwords, foreign runs, entities and malformed input.
#include "ParserFixture.h"

#include "dictionaries/LewisAndShort.h"
#include "dictsource/DictionarySourceBuilders.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString entryOf(const QString& inner, const QString& key = QStringLiteral("amo")) {
    return QStringLiteral("<entryFree key=\"%1\">%2</entryFree>").arg(key, inner);
}

QString sense(int level, const QString& n, const QString& text) {
    return QStringLiteral("<sense level=\"%1\" n=\"%2\" id=\"n1.%3\">%4</sense>").arg(level).arg(n).arg(level).arg(text);
}

// ---- Senses ----

TEST(LewisShortSenses, LevelsOneTwoThreeThreeTwoOne) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") + sense(1, "I", "s1") + sense(2, "A", "s2") +
                                      sense(3, "1", "s3") + sense(3, "2", "s4") + sense(2, "B", "s5") +
                                      sense(1, "II", "s6")));
    auto entry = c.entry();
    ASSERT_TRUE(entry);
    auto top = childrenOfType(entry, DictionaryEntry::Meaning);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->entry(), QStringLiteral("s1"));
    EXPECT_EQ(top[1]->entry(), QStringLiteral("s6"));
    auto second = childrenOfType(top[0], DictionaryEntry::Meaning);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0]->entry(), QStringLiteral("s2"));
    EXPECT_EQ(second[1]->entry(), QStringLiteral("s5"));
    auto third = childrenOfType(second[0], DictionaryEntry::Meaning);
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0]->entry(), QStringLiteral("s3"));
    EXPECT_EQ(third[1]->entry(), QStringLiteral("s4"));
    EXPECT_EQ(third[0]->level(), 3);
    EXPECT_EQ(third[0]->paragraphNumber(), QStringLiteral("1"));
    EXPECT_FLOAT_EQ(third[0]->idNumber(), 1.3f);
    // Sense ids read exactly as the string conversion reads them, odd ones too.
    for (const char* id : {"n15544.1", "n49987.20", "n7", "n1.5e3", "n 12.5", "nx"}) {
        Converted one = convertText(entryOf(QStringLiteral("<orth>amo</orth><sense level=\"1\" n=\"I\" id=\"%1\">s</sense>")
                                                .arg(QString::fromUtf8(id))));
        auto sense = childrenOfType(one.entry(), DictionaryEntry::Meaning).at(0);
        EXPECT_EQ(sense->idNumber(), double(QString::fromUtf8(id).mid(1).toFloat())) << id;
    }
    EXPECT_EQ(c.parser->statistics().placedSenses, 6);
    EXPECT_EQ(c.parser->statistics().unplacedSenses, 0);
}

TEST(LewisShortSenses, FirstSenseAndShallowerSecondGoUnderTheEntry) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") + sense(3, "a", "deep") + sense(2, "B", "two")));
    auto top = childrenOfType(c.entry(), DictionaryEntry::Meaning);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->entry(), QStringLiteral("deep"));
    EXPECT_EQ(top[1]->entry(), QStringLiteral("two"));
}

TEST(LewisShortSenses, UnplaceableSenseIsKeptUnderTheEntryAndLogged) {
    // A level-2 sense nested in a level-1 one cannot be placed by level.
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth><sense level=\"1\" n=\"I\" id=\"n1.0\">outer "
                                                     "<sense level=\"2\" n=\"A\" id=\"n1.1\">inner</sense></sense>")));
    auto top = childrenOfType(c.entry(), DictionaryEntry::Meaning);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[1]->entry(), QStringLiteral("inner"));
    EXPECT_TRUE(c.logged(QStringLiteral("amo strange sense")));
    EXPECT_EQ(c.parser->statistics().unplacedSenses, 1);
    EXPECT_EQ(c.parser->statistics().placedSenses, 1);
}

TEST(LewisShortSenses, SenseTexts) {
    struct Case {
        const char* name;
        QString inner;
        QString meaning;
    } cases[] = {
        {"only a semicolon keeps no text", QStringLiteral(";"), QString()},
        {"trimmed of commas and full stops", QStringLiteral(" to love, ."), QStringLiteral("to love")},
        {"caret removed", QStringLiteral("lo^ve"), QStringLiteral("love")},
    };
    for (const Case& k : cases) {
        Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") + sense(1, "I", k.inner)));
        auto top = childrenOfType(c.entry(), DictionaryEntry::Meaning);
        ASSERT_EQ(top.size(), 1u) << k.name;
        EXPECT_EQ(top[0]->entry(), k.meaning.isNull() ? QString() : k.meaning) << k.name;
    }
}

TEST(LewisShortSenses, WhitespaceBetweenElementsIsText) {
    // The blank between the two elements reaches the sense's text, and the
    // element's text joins it without a second blank; the source's line
    // breaks and indentation are one blank too.
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") + sense(1, "I", "<hi>to</hi> <hi>love</hi>")));
    EXPECT_EQ(childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0)->entry(), QStringLiteral("to love"));
    Converted laid = convertText(entryOf(QStringLiteral("<orth>amo</orth>") +
                                         sense(1, "I", "<hi>to</hi>\r\n\t\t<hi>love</hi>\n\t dearly")));
    EXPECT_EQ(childrenOfType(laid.entry(), DictionaryEntry::Meaning).at(0)->entry(), QStringLiteral("to love dearly"));
}

TEST(LewisShortSenses, CitationsBecomeExamples) {
    Converted c = convertText(entryOf(
        QStringLiteral("<orth>amo</orth>") +
        sense(1, "I", "to love: <cit><quote>amo te</quote> <trans>I love you</trans></cit> cf <cit>plain text</cit> "
                      "then more")));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    EXPECT_EQ(meaning->entry(), QStringLiteral("to love"));
    auto examples = childrenOfType(meaning, DictionaryEntry::Example);
    ASSERT_EQ(examples.size(), 2u);
    EXPECT_EQ(examples[0]->entry(), QStringLiteral("amo te"));
    EXPECT_EQ(examples[0]->translation(), QStringLiteral("I love you"));
    EXPECT_EQ(examples[1]->entry(), QStringLiteral("plain text"));
    EXPECT_EQ(examples[1]->prependText(), QStringLiteral("cf"));
    EXPECT_TRUE(examples[1]->translation().isEmpty());
    auto notes = childrenOfType(meaning, DictionaryEntry::Note);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->entry(), QStringLiteral("then more"));
}

TEST(LewisShortSenses, CfBeforeTheFirstCitation) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") +
                                      sense(1, "I", "cf <cit><quote>amor</quote></cit> the rest")));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    auto examples = childrenOfType(meaning, DictionaryEntry::Example);
    ASSERT_EQ(examples.size(), 1u);
    EXPECT_EQ(examples[0]->prependText(), QStringLiteral("cf"));
    EXPECT_EQ(meaning->entry(), QStringLiteral("the rest"));
}

TEST(LewisShortSenses, QuoteOutsideACitationIsLoggedAndKept) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") +
                                      sense(1, "I", "x <quote>q</quote> <cit>after</cit>")));
    EXPECT_TRUE(c.logged(QStringLiteral("amo quote not in citation")));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    auto examples = childrenOfType(meaning, DictionaryEntry::Example);
    ASSERT_EQ(examples.size(), 1u);
    EXPECT_EQ(examples[0]->entry(), QStringLiteral("q"));
    EXPECT_EQ(examples[0]->translation(), QStringLiteral("after"));
}

TEST(LewisShortSenses, BibliographyAfterAQuoteIsPlainElseMarked) {
    Converted c = convertText(entryOf(
        QStringLiteral("<orth>amo</orth>") +
        sense(1, "I", "love <cit><quote>amo</quote> <bibl>Cic. 1</bibl></cit> <cit>text<bibl>Verg. 2</bibl></cit>")));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    auto examples = childrenOfType(meaning, DictionaryEntry::Example);
    ASSERT_EQ(examples.size(), 2u);
    EXPECT_EQ(examples[0]->translation(), QStringLiteral("Cic. 1"));
    EXPECT_EQ(examples[1]->entry(), QStringLiteral("text <Verg. 2>"));
    // A reference names its author as the source marks it up, in a sense
    // and outside one.
    Converted authored = convertText(entryOf(
        QStringLiteral("<orth>amo</orth> <bibl><author>Varr.</author> L. L. 5</bibl>") +
        sense(1, "I", "love <cit>text <bibl n=\"x\"><author>Cic.</author> Att. 1, 2</bibl></cit>")));
    auto cited = childrenOfType(childrenOfType(authored.entry(), DictionaryEntry::Meaning).at(0), DictionaryEntry::Example);
    ASSERT_EQ(cited.size(), 1u);
    EXPECT_EQ(cited[0]->entry(), QStringLiteral("text <Cic. Att. 1, 2>"));
    EXPECT_FALSE(authored.logged(QStringLiteral("author")));
    bool kept = false;
    for (const auto& note : childrenOfType(authored.entry(), DictionaryEntry::Note))
        kept = kept || note->entry().contains(QStringLiteral("Varr. L. L. 5"));
    EXPECT_TRUE(kept);
}

TEST(LewisShortSenses, SynonymsAndAntonyms) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>") +
                                      sense(1, "I", "love <syn>diligo</syn> <syn>caritas</syn> <ant>odi</ant>")));
    ASSERT_TRUE(c.result.count(QStringLiteral("synonyms")));
    EXPECT_EQ(c.result.at(QStringLiteral("synonyms")).dictionary().at(QStringLiteral("amo")).toString(),
              QStringLiteral("amo, diligo, caritas"));
    EXPECT_EQ(c.result.at(QStringLiteral("antonyms")).dictionary().at(QStringLiteral("amo")).toString(),
              QStringLiteral("amo, odi"));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    EXPECT_EQ(childrenOfType(meaning, DictionaryEntry::Synonym).size(), 2u);
    EXPECT_EQ(childrenOfType(meaning, DictionaryEntry::Antonym).size(), 1u);
    Converted none = convertText(entryOf(QStringLiteral("<orth>amo</orth>")));
    EXPECT_FALSE(none.result.count(QStringLiteral("synonyms")));
}

// ---- Grammatical fields ----

TEST(LewisShortFields, Gender) {
    struct Case {
        QString genders;
        int gender;
    } cases[] = {
        {"<gen>m</gen>", 1},
        {"<gen>f.</gen>", 2},
        {"<gen>m</gen>, <gen>f</gen>", 8},
        {"<gen>m</gen>, <gen>f</gen>, <gen>n</gen>", 10},
        {"<gen>f</gen> <gen>n</gen>", 11},
        {"<gen>comm.</gen>", 4},
    };
    for (const Case& k : cases) {
        Converted c = convertText(entryOf(QStringLiteral("<orth>rosa</orth>, ") + k.genders, QStringLiteral("rosa")));
        EXPECT_EQ(c.entry()->gender(), k.gender) << k.genders;
        if (k.gender != 4) { EXPECT_EQ(c.entry()->type(), DictionaryEntry::Noun) << k.genders; }
    }
    Converted odd = convertText(entryOf(QStringLiteral("<orth>rosa</orth> <gen>x y</gen>")));
    EXPECT_TRUE(odd.logged(QStringLiteral("rosa Gender = x y")));
    // Inside an open bracket the gender is part of the remark.
    Converted bracket = convertText(entryOf(QStringLiteral("<orth>rosa</orth> (also <gen>m</gen>")));
    EXPECT_EQ(bracket.entry()->gender(), 0);
}

TEST(LewisShortFields, Case) {
    struct Case {
        QString cases;
        int code;
        const char* log;
    } cases[] = {
        {"<case>acc</case>", 3, nullptr},
        {"<case>abl.</case>", 6, nullptr},
        {"<case>abl</case> <case>acc</case>", 9, nullptr},
        {"<case>acc</case> <case>with abl</case>", 9, nullptr},
        {"<case>dat</case>", 0, nullptr},
        {"<case>gen</case>", 0, "amo Unhandled Case: gen"},
    };
    for (const Case& k : cases) {
        Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth> with ") + k.cases));
        EXPECT_EQ(c.entry()->getCase(), k.code) << k.cases;
        if (k.log) {
            EXPECT_TRUE(c.logged(QString::fromUtf8(k.log))) << k.cases;
            EXPECT_EQ(c.sink->pasteboardText(), QStringLiteral("@\"gen\","));
        } else {
            EXPECT_FALSE(c.logged(QStringLiteral("Unhandled Case"))) << k.cases;
        }
    }
}

TEST(LewisShortFields, MoodAndEtymology) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amans</orth> <mood>Part.</mood> <etym>from amo</etym> "
                                                     "<etym> ., </etym> <mood>Inf.</mood>")));
    EXPECT_EQ(c.entry()->type(), DictionaryEntry::Participle);
    auto etymologies = childrenOfType(c.entry(), DictionaryEntry::Etymology);
    ASSERT_EQ(etymologies.size(), 1u);
    EXPECT_EQ(etymologies[0]->entry(), QStringLiteral("from amo"));
    EXPECT_TRUE(c.logged(QStringLiteral("amo ? Mood Inf.")));
}

// ---- Notes ----

TEST(LewisShortNotes, BreakUpAndIgnore) {
    EXPECT_EQ(NBSourceLSParser::breakUpNoteString(QStringLiteral("a \u2014 b.")),
              (QStringList{QStringLiteral("a"), QStringLiteral("\u2014b")}));
    EXPECT_TRUE(NBSourceLSParser::breakUpNoteString(QString()).isEmpty());
    NBSourceLSParser parser;
    parser.discardLogs();
    auto entry = DictionaryEntry::make();
    parser.setCurEntry(entry);
    EXPECT_EQ(parser.addNote(QStringLiteral(";")), nullptr);
    EXPECT_EQ(parser.addNote(QStringLiteral(")")), nullptr);
    parser.addNote(QStringLiteral("a \u2014 b."));
    ASSERT_EQ(entry->childCount(), 2);
    EXPECT_EQ(entry->childAtIndex(0)->entry(), QStringLiteral("a"));
    EXPECT_EQ(entry->childAtIndex(1)->entry(), QStringLiteral("\u2014b"));
}

TEST(LewisShortNotes, NoteReadAsEntryType) {
    struct Case {
        QString key, note;
        int typeBefore, typeAfter;
        bool logs;
    } cases[] = {
        {"amo", "v. amo", 0, DictionaryEntry::Redirect, false},
        {"amo", "v. amo", DictionaryEntry::Noun, DictionaryEntry::Noun, false},
        {"armon", "= amo", 0, DictionaryEntry::Redirect, false},
        {"amor", "= amo", 0, 0, true},
        {"amor", "= \u03b1\u03bc\u03bf", 0, 0, false},
        {"Aex", "= amo", 0, 0, false},
        {"amor", "= amo, q. v", 0, DictionaryEntry::Redirect, false},
        {"amo", "a false reading", 0, DictionaryEntry::Misspelling, false},
        {"amo", "nom. prop", 0, DictionaryEntry::Noun, false},
        {"amo", "an old form", 0, 0, true},
        {"amo", "Words beginning thus, v. under x", 0, DictionaryEntry::Root, false},
        {"amo", "the name of a town", 0, DictionaryEntry::Noun, false},
        {"amo", "anything else", 0, 0, false},
    };
    for (const Case& k : cases) {
        NBSourceLSParser parser;
        QStringList messages;
        parser.setLogSink([&](const char*, const char*, int, const QString& t) { messages << t; });
        auto entry = DictionaryEntry::make();
        entry->setKey(k.key);
        entry->setType(k.typeBefore);
        parser.setCurEntry(entry);
        parser.checkEntryTypeForNote(k.note);
        EXPECT_EQ(entry->type(), k.typeAfter) << k.key << " " << k.note;
        EXPECT_EQ(messages.filter(QStringLiteral("is this a redirect")).size(), k.logs ? 1 : 0) << k.note;
    }
}

TEST(LewisShortNotes, ResidualTextBecomesNotesBeforeTheFirstSense) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>, a remark: ") + sense(1, "I", "love") +
                                      QStringLiteral(" tail words.")));
    const auto& children = c.entry()->childList();
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[0]->entry(), QStringLiteral("a remark"));
    EXPECT_EQ(children[1]->entry(), QStringLiteral("tail words"));
    EXPECT_EQ(children[2]->type(), DictionaryEntry::Meaning);
}

// ---- Brackets ----

TEST(LewisShortBrackets, UnclosedBracket) {
    struct Case {
        QString text;
        bool open, logs;
    } cases[] = {
        {"a (b", true, false}, {"a (b)", false, false}, {"(a))", false, true},
        {"a [b", true, false}, {"a) b", false, false}, {"", false, false},
        {QString(), false, false},
    };
    for (const Case& k : cases) {
        NBSourceLSParser parser;
        QStringList messages;
        parser.setLogSink([&](const char*, const char*, int, const QString& t) { messages << t; });
        EXPECT_EQ(parser.unclosedBracket(k.text), k.open) << k.text;
        EXPECT_EQ(!messages.filter(QStringLiteral("too many closures")).isEmpty(), k.logs) << k.text;
    }
}

TEST(LewisShortBrackets, ClosedBracketsBecomeNotes) {
    NBSourceLSParser parser;
    parser.discardLogs();
    auto entry = DictionaryEntry::make();
    parser.setCurEntry(entry);
    EXPECT_EQ(parser.stripClosedBrackets(QStringLiteral("x (y), z")), QStringLiteral("z"));
    ASSERT_EQ(entry->childCount(), 1);
    EXPECT_EQ(entry->childAtIndex(0)->entry(), QStringLiteral("x (y)"));
    // Each later remark starts after the bracket that closed the one before.
    EXPECT_EQ(parser.stripClosedBrackets(QStringLiteral("a (b), c (d (e)), f")), QStringLiteral("f"));
    ASSERT_EQ(entry->childCount(), 3);
    EXPECT_EQ(entry->childAtIndex(2)->entry(), QStringLiteral("c (d (e))"));
    EXPECT_EQ(parser.stripClosedBrackets(QStringLiteral("no brackets")), QStringLiteral("no brackets"));
    EXPECT_EQ(parser.stripClosedBrackets(QStringLiteral(") (")), QStringLiteral(") ("));
    EXPECT_TRUE(parser.stripClosedBrackets(QString()).isNull());
}

// ---- Headwords ----

class CountingParser : public NBSourceLSParser {
public:
    int hyphenQuestions = 0;
    void queryHyphen() override { ++hyphenQuestions; }
};

TEST(LewisShortHeadwords, FirstHeadwordHyphen) {
    struct Case {
        QString orth, headword;
        int questions;
    } cases[] = {
        {"ab-solvo", "absolvo", 0},
        {"abcdef-go", "abcdefgo", 0},
        {"abcdefg-ho", "abcdefg-ho", 1},
        {"ab-", "ab-", 0},
        {"ab -so", "abso", 0},
        {"-que", "-que", 0},
        {"-", "-", 0},
        {"", "", 0},
        {"a^b", "ab", 0},
    };
    for (const Case& k : cases) {
        auto parser = std::make_shared<CountingParser>();
        Converted c = convertText<CountingParser>(entryOf(QStringLiteral("<orth>%1</orth>").arg(k.orth)), parser);
        EXPECT_EQ(c.entry()->entry(), k.headword) << k.orth;
        EXPECT_EQ(parser->hyphenQuestions, k.questions) << k.orth;
    }
}

TEST(LewisShortHeadwords, AlternativeForms) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth> or <orth>ama-vo</orth>, old form <orth>amu</orth> "
                                                     "= <orth>amor</orth> <orth type=\"alt\">emo</orth>")));
    auto entry = c.entry();
    const auto& children = entry->childList();
    ASSERT_GE(children.size(), 4u);
    EXPECT_EQ(children[0]->entry(), QStringLiteral("amavo"));
    EXPECT_TRUE(children[0]->isAlternative());
    // A prefix other than a joining word becomes a note holding the form.
    EXPECT_EQ(children[1]->type(), DictionaryEntry::Note);
    EXPECT_EQ(children[1]->entry(), QStringLiteral("old form"));
    ASSERT_EQ(children[1]->childCount(), 1);
    EXPECT_EQ(children[1]->childAtIndex(0)->entry(), QStringLiteral("amu"));
    EXPECT_EQ(children[2]->entry(), QStringLiteral("= amor"));
    EXPECT_EQ(children[3]->entry(), QStringLiteral("emo"));
    EXPECT_EQ(children[3]->type(), DictionaryEntry::Note);
}

TEST(LewisShortHeadwords, AlternativeWithoutParentStaysWithTheEntry) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>amo</orth>: <orth>amor</orth>")));
    const auto& children = c.entry()->childList();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]->entry(), QStringLiteral("amor"));
    EXPECT_TRUE(children[0]->isAlternative());
    EXPECT_EQ(c.parser->statistics().orphanAlternatives, 1);
    EXPECT_TRUE(c.logged(QStringLiteral("amo alternative form without a parent amor")));
}

// ---- Dispatch, header, foreign runs, entities ----

TEST(LewisShortDispatch, Header) {
    Converted c = convertText(QStringLiteral(
        "<TEI.2><teiHeader><fileDesc><titleStmt>dropped<title> , </title><title>First</title><title> Lewis, "
        "Short </title><author>Lewis</author><sponsor>Perseus</sponsor></titleStmt><extent>big</extent>"
        "</fileDesc></teiHeader><text><body></body></text></TEI.2>"));
    EXPECT_EQ(c.result.at(QStringLiteral("title")).toString(), QStringLiteral(" Lewis, Short "));
    EXPECT_EQ(c.result.at(QStringLiteral("author")).toString(), QStringLiteral("Lewis"));
    EXPECT_EQ(c.result.at(QStringLiteral("sponsor")).toString(), QStringLiteral("Perseus"));
    EXPECT_TRUE(c.logged(QStringLiteral("extent")));
    for (const QString& m : *c.messages) EXPECT_FALSE(m.contains(QStringLiteral("dropped"))) << m;
}

TEST(LewisShortDispatch, EntryWithoutKeyAndUnknownElements) {
    Converted c = convertText(QStringLiteral("<entryFree><orth>amo</orth><weird a=\"1\">t</weird></entryFree>"));
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_TRUE(c.entry()->key().isEmpty());
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("amo"));
    EXPECT_TRUE(c.logged(QStringLiteral("weird:")));
    EXPECT_FALSE(c.logged(QStringLiteral("String count mismatch")));
    // Repeated with every entry, such a start is logged once and counted;
    // the texts inside are still logged each time.
    Converted many = convertText(QStringLiteral("<entryFree key=\"a\"><orth>a</orth><weird a=\"1\">t1</weird></entryFree>"
                                                "<entryFree key=\"b\"><orth>b</orth><weird a=\"2\">t2</weird></entryFree>"
                                                "<entryFree key=\"c\"><orth>c</orth><weird a=\"3\">t3</weird></entryFree>"));
    EXPECT_EQ(many.messages->filter(QStringLiteral("weird:\n")).size(), 1);
    EXPECT_TRUE(many.logged(QStringLiteral("weird: 2 more elements of this name, not logged")));
    EXPECT_TRUE(many.logged(QStringLiteral("weird t3")));
}

TEST(LewisShortDispatch, ForeignRuns) {
    Converted beta = convertText(entryOf(QStringLiteral("<orth>logos</orth>") +
                                         sense(1, "I", "word <foreign lang=\"greek\">lo/gos</foreign>")));
    auto meaning = childrenOfType(beta.entry(), DictionaryEntry::Meaning).at(0);
    // The run joins the sense text with one blank.
    EXPECT_EQ(meaning->entry(), QStringLiteral("word ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("lo/gos")));
    EXPECT_NE(meaning->entry(), QStringLiteral("word lo/gos"));
    EXPECT_EQ(beta.parser->language(), 1);

    Converted unicode = convertText(entryOf(QStringLiteral("<orth>logos</orth>") +
                                            sense(1, "I", "word <foreign lang=\"greek\">λόγος</foreign>")));
    EXPECT_EQ(childrenOfType(unicode.entry(), DictionaryEntry::Meaning).at(0)->entry(), QStringLiteral("word λόγος"));

    Converted odd = convertText(entryOf(QStringLiteral("<orth>x</orth> <foreign lang=\"heb\">abc</foreign>")));
    EXPECT_TRUE(odd.logged(QStringLiteral("Language = heb")));
}

TEST(LewisShortDispatch, EntitiesComeFromTheTableThroughTheTextHandler) {
    Converted c = convertText(entryOf(QStringLiteral("<orth>&amacr;mo</orth>") +
                                      sense(1, "I", "to love &mdash; dearly")));
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("āmo"));
    auto meaning = childrenOfType(c.entry(), DictionaryEntry::Meaning).at(0);
    EXPECT_EQ(meaning->entry(), QStringLiteral("to love — dearly"));

    // A name outside the table is dropped (the document names an outside
    // DTD, so the name may be defined there; nothing fetches it).
    Converted unknown = convertText(QStringLiteral("<!DOCTYPE TEI.2 SYSTEM \"tei2.dtd\"><TEI.2><text><body>") +
                                    entryOf(QStringLiteral("<orth>a&nosuchentity;b</orth>")) +
                                    QStringLiteral("</body></text></TEI.2>"));
    EXPECT_TRUE(unknown.parser->succeeded());
    EXPECT_EQ(unknown.entry()->entry(), QStringLiteral("ab"));
    EXPECT_TRUE(unknown.logged(QStringLiteral("resolveExternalEntityName nosuchentity")));
}

TEST(LewisShortDispatch, ExternalEntitiesLoadNothing) {
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("secret.txt"));
    QFile f(secret);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("SECRET");
    f.close();
    const QString document = QStringLiteral(
        "<!DOCTYPE TEI.2 [<!ENTITY ext SYSTEM \"file://%1\"><!ENTITY net SYSTEM \"http://127.0.0.1:1/x\">]>"
        "<TEI.2><text><body><entryFree key=\"a\"><orth>a&ext;&net;b</orth></entryFree></body></text></TEI.2>")
                                 .arg(secret);
    Converted c = convertText(document);
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entry()->entry(), QStringLiteral("ab"));
    EXPECT_TRUE(c.logged(QStringLiteral("resolveExternalEntityName ext")));
    for (const QString& m : *c.messages) EXPECT_FALSE(m.contains(QStringLiteral("SECRET")));
}

TEST(LewisShortDispatch, MalformedDocumentReportsWhere) {
    Converted c = convertText(QStringLiteral("<TEI.2><text><body>\n<entryFree key=\"a\"><orth>a</orth></entryFree>\n"
                                             "<entryFree key=\"b\"><orth>b</sense></entryFree></body></text></TEI.2>"));
    EXPECT_FALSE(c.parser->succeeded());
    ASSERT_TRUE(c.parser->parseError());
    EXPECT_EQ(c.parser->parseError()->line, 3);
    EXPECT_GT(c.parser->parseError()->column, 0);
    EXPECT_FALSE(c.logged(QStringLiteral("unknown type words")));
}

// ---- The rebuild of the dictionary ----

TEST(LewisShortRebuild, MalformedSourceLeavesTheDictionaryFile) {
    QTemporaryDir dir;
    installTestServices(dir.path());
    installDictionarySourceBuilders();
    const QString edited = dir.filePath(QStringLiteral("EditedLewisShort.xml"));
    const QString source = dir.filePath(QStringLiteral("LewisShort.xml"));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };

    ASSERT_TRUE(write(source, "<TEI.2><text><body><entryFree key=\"a\"><orth>a</orth></entryFree>"
                              "<entryFree key=\"b\"><orth>b</orth></entryFree></body></text></TEI.2>"));
    EXPECT_TRUE(parsePerseusSource());
    QFile good(edited);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray saved = good.readAll();
    good.close();
    EXPECT_TRUE(saved.startsWith("bplist00"));

    ASSERT_TRUE(write(source, "<TEI.2><text><body><entryFree key=\"c\"><orth>c</orth></entryFree>"
                              "<entryFree key=\"d\"><orth>d</orth>"));
    EXPECT_FALSE(parsePerseusSource());
    QFile after(edited);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), saved);
    installTestServices();
}

TEST(LewisShortQueries, BoundsOfTheTreeAndSourceQueries) {
    EXPECT_EQ(NBSourceLSParser::lastEntryFrom(nullptr), nullptr);
    auto leaf = DictionaryEntry::make(QStringLiteral("leaf"));
    EXPECT_EQ(NBSourceLSParser::lastEntryFrom(leaf), leaf);
    EXPECT_EQ(NBSourceLSParser::lastMeaningEntry(leaf), nullptr);
    const QString source = QStringLiteral("<entryFree key=\"a\"><orth>a</orth> text</entryFree>");
    const qsizetype key = source.indexOf(QStringLiteral("key="));
    EXPECT_EQ(NBSourceLSParser::entryString(key, key + 7, source),
              QStringLiteral("<entryFree key=\"a\"><orth>a</orth> text"));
    EXPECT_EQ(NBSourceLSParser::entryString(-5, 1000, QStringLiteral("abc")), QStringLiteral("abc"));
    NBSourceLSParser parser;
    parser.discardLogs();
    EXPECT_TRUE(parser.isOneLower(QStringLiteral("I"), QStringLiteral("II")));
    EXPECT_TRUE(parser.isOneLower(QStringLiteral("a"), QStringLiteral("b")));
    EXPECT_FALSE(parser.isOneLower(QStringLiteral("b"), QStringLiteral("a")));
    EXPECT_EQ(NBSourceLSParser::declensionForPotentialNounEnding(QStringLiteral("ae")), 1);
    EXPECT_EQ(NBSourceLSParser::declensionForPotentialNounEnding(QStringLiteral("patrī")), 2);
    EXPECT_EQ(NBSourceLSParser::declensionForPotentialNounEnding(QStringLiteral("")), 3);
    EXPECT_EQ(NBSourceLSParser::declensionForPotentialNounEnding(QStringLiteral("xyz")), 0);
}

}  // namespace
// Entries as the letter files lay them out (line breaks and tabs inside
// elements, an inflection text before the first sense and the conjugation
// inside it) keep their inflection texts.
TEST(LewisShortITypes, LaidOutEntriesKeepTheirInflectionTexts) {
    struct Case {
        const char* source;
        const char* line;
        int type;
        bool deponent;
    };
    const Case cases[] = {
        {"<entryFree key=\"e_luctor\"><orth extent=\"full\" lang=\"la\">\u0113-luctor</orth>, <itype>\u0101tus,\r\n\t\t1</itype>, "
         "<sense n=\"I\" level=\"1\"><hi rend=\"ital\">v. dep.\r\n\t\t\t\tn.</hi> and <hi>a.</hi></sense></entryFree>",
         "\u0113luctor -\u0101r\u012B -\u0101tus", 2, true},
        {"<entryFree key=\"urgeo\"><orth>urgeo</orth> (less correctly <orth>urgueo</orth>), <itype>ursi</itype> "
         "(<sense n=\"I\" level=\"1\"><hi>perf.</hi> rare; <hi>past\n\t\t\t\tpart.</hi> not found), <itype>2</itype>, "
         "<pos>v. a.</pos>\n\t\t\t<etym>Gr. x</etym> to press</sense></entryFree>",
         "urgeo -\u0113re ursi -", 2, false},
        {"<entryFree key=\"exo^ri^or\"><orth>ex-\u014Fr\u012Dor</orth>, <itype>ortus, 3 and\n\t\t\t4</itype> "
         "(<sense n=\"I\" level=\"1\"><hi>part. fut. act.</hi> exorturus</sense></entryFree>",
         "ex\u014Fr\u012Dor -\u012Br\u012B exortus", 2, true},
        // A verb's part of speech and parts given only inside its first sense.
        {"<entryFree key=\"excurro\"><orth>ex-curro</orth>, <itype>c\u016Dcurri</itype> (<sense n=\"I\" level=\"1\">"
         "<cit><quote lang=\"la\">less freq. curri,</quote></cit>), <itype>cursum, 3</itype>, <pos>v. n.</pos> and "
         "<hi>a.</hi> to run out</sense></entryFree>",
         "excurro -ere exc\u016Dcurri excursum", 2, false},
        {"<entryFree key=\"re^curro\"><orth>r\u0115-curro</orth>, <itype>curri</itype> (recucurrit, only ), "
         "<itype>3</itype>, <pos>v. n.</pos>, <sense n=\"I\" level=\"1\">to run back</sense></entryFree>",
         "r\u0115curro -ere r\u0115curri -", 2, false},
        {"<entryFree key=\"u^terli^bet\"><orth>\u016Dter-l\u012Dbet</orth>,\n\t\t\t<itype>utr\u0103l\u012Dbet,\n\t\t"
         "utruml\u012Dbet</itype>, <sense n=\"I\" level=\"1\">\n\t\t\t<hi>pron.</hi>\n\t\t</sense>"
         "<sense n=\"II\" level=\"1\"><hi>Adv.</hi>: utrolibet</sense></entryFree>",
         "\u016Dterl\u012Dbet -utr\u0103l\u012Dbet -utruml\u012Dbet", 7, false},
    };
    for (const Case& k : cases) {
        Converted c = convertText(QString::fromUtf8(k.source));
        ASSERT_TRUE(c.entry()) << k.source;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(k.line));
        EXPECT_EQ(c.entry()->type(), k.type) << k.line;
        EXPECT_EQ(c.entry()->deponent(), k.deponent) << k.line;
        EXPECT_FALSE(c.logged(QStringLiteral("not handled"))) << k.line;
        EXPECT_FALSE(c.logged(QStringLiteral("Failed to handle"))) << k.line;
    }
}
