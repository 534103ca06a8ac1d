// The converter's roles and text rules on small documents built for each
// case.

#include "ImportTestSupport.h"
#include "support/CaptureLogger.h"

#include "platform/Font.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

struct Setting {
    const char* name;
    qint64 store;
    std::function<void(TSImportElement&)> more = {};
};

TSElementArrayPtr settings(std::initializer_list<Setting> list) {
    auto a = TSElementArray::array();
    a->setStoredData(VDNewArray::Members{});
    for (const Setting& s : list) {
        auto e = std::make_shared<TSImportElement>();
        e->VDData::setName(QString::fromUtf8(s.name));
        e->setStore(s.store);
        if (s.more) s.more(*e);
        a->addObject(e);
    }
    return a;
}

struct Outcome {
    std::shared_ptr<TSBodyElementParser> parser;
    ts::Value result;
    std::vector<TSMatchedChunkPtr> lines;
    QStringList texts;
};

Outcome run(const QByteArray& body, const TSElementArrayPtr& s, const QString& key = QStringLiteral("latin")) {
    Outcome r;
    r.parser = std::make_shared<TSBodyElementParser>();
    r.parser->setCurIdentifier(key);
    r.parser->setElementArray(s);
    r.result = r.parser->parseData("<TEI><text><body>" + body + "</body></text></TEI>");
    for (const TSTextPtr& b : r.parser->texts()) collectChunks(b, 3, r.lines);
    for (const auto& l : r.lines) r.texts << (l->textForKey(key) ? l->textForKey(key)->string() : QString());
    return r;
}

ts::FontPtr fontOf(const ts::Attributes& a) {
    auto it = a.find(ts::AttributeName::Font);
    return it == a.end() ? nullptr : it->second.toObjectAs<ts::Font>();
}

// Book per div1, section per div2, a line per l.
TSElementArrayPtr verse(std::function<void(TSImportElement&)> onL = {}) {
    return settings({{"div1", 1}, {"div2", 2}, {"l", 3, onL}, {"hi", 4}, {"foreign", 4}, {"note", 6},
                     {"gap", 9, [](TSImportElement& e) { e.setInsertString(TSImportElement::gapString()); }}});
}

TEST(BodyRules, PreparationCollapsesWhiteSpace) {
    TSBodyElementParser p;
    const ts::AttributedString in(QStringLiteral("  a\t\tb   c \n"));
    EXPECT_EQ(p.trimAttributedString(in, nullptr)->string(), QStringLiteral("a b c"));
    EXPECT_EQ(p.trimAttributedString(ts::AttributedString(QStringLiteral("one\ntwo \n  three\x1b")), nullptr)->string(),
              QStringLiteral("one two three"));
    auto gap = std::make_shared<TSImportElement>();
    gap->setInsertString(QStringLiteral("[{type}]"));
    const ts::AttributedStringPtr only = p.trimAttributedString(ts::AttributedString(QStringLiteral(" \n \n")), gap.get());
    EXPECT_EQ(only->string(), QStringLiteral("[]"));
    EXPECT_TRUE(only->attributes(0).empty());
}

// Text in one run is prepared in one pass, text in several runs edit by
// edit: both give the same words, wherever white space falls in the blocks
// of eight characters the scans read at once; so do the line-break marks.
TEST(BodyRules, OneRunAndSeveralRunsPrepareAlike) {
    TSBodyElementParser p;
    const QString verse = QStringLiteral("arma virumque cano Troiae qui primus ab oris");
    for (const char* special : {" ", "  ", "\t", "\n", "\r", "\x1b", " \n\t ", "\x1b\x1b"}) {
        for (qsizetype at = 0; at <= 20; ++at) {
            QString text = verse;
            text.insert(at, QString::fromLatin1(special));
            const ts::AttributedString one(text);
            ts::AttributedString several = one;
            several.addAttribute(ts::AttributeName::Underline, ts::Value(1), {text.size() / 2, 1});
            const QString prepared = p.trimAttributedString(one, nullptr)->string();
            EXPECT_EQ(prepared, p.trimAttributedString(several, nullptr)->string()) << at << " " << special;
            EXPECT_FALSE(prepared.contains(QStringLiteral("  ")) || prepared.contains(QLatin1Char('\n')) ||
                         prepared.contains(QLatin1Char('\x1b')) || prepared.endsWith(QLatin1Char(' ')))
                << at << " " << special;
        }
    }
    for (const QChar mark : {QChar(u'|'), QChar(0x2B90)})
        for (qsizetype at = 0; at < 20; ++at) {
            QString text = QStringLiteral("cano Troiae qui primus");
            EXPECT_FALSE(TSBodyElementParser::holdsBreakMark(text.left(at)));
            EXPECT_TRUE(TSBodyElementParser::holdsBreakMark(text.insert(at, mark))) << at;
        }
}

TEST(BodyRules, LinesSectionsBooksAndLocations) {
    const Outcome r = run("<div1 n=\"1\"><div2 n=\"a\"><l n=\"5\">arma  virumque\n cano</l><l>Troiae qui</l></div2></div1>"
                      "<div1 n=\"2\"><div2><l>primus ab oris</l></div2></div1>",
                      settings({{"div1", 1, [](TSImportElement& e) { e.setNameSource(QStringLiteral("{} n")); }},
                                {"div2", 2, [](TSImportElement& e) { e.setNameSource(QStringLiteral("{} n + 1")); }},
                                {"l", 3, [](TSImportElement& e) { e.setIdSource(QStringLiteral("n")); }}}));
    ASSERT_EQ(r.parser->texts().size(), 2u);
    EXPECT_EQ(r.parser->texts()[0]->name(), QStringLiteral("1"));
    EXPECT_EQ(r.parser->texts()[0]->childAt(0)->name(), QStringLiteral("1"));  // "a" + 1: not a number
    EXPECT_EQ(r.parser->texts()[1]->childAt(0)->name(), QStringLiteral("1"));
    EXPECT_EQ(r.texts, (QStringList{"arma virumque cano", "Troiae qui", "primus ab oris"}));
    ASSERT_TRUE(r.lines[0]->location());
    EXPECT_EQ(r.lines[0]->location()->string(), QStringLiteral("5"));
    EXPECT_FALSE(r.lines[1]->location());
    EXPECT_EQ(r.lines[0]->tagName(), QStringLiteral("l"));
    EXPECT_EQ(r.lines[0]->chunkType(), 3);
}

TEST(BodyRules, NameSourcesFromAttributesAndChildText) {
    const Outcome r = run("<div1 type=\"Poem\" n=\"7\"><head>Ecloga <hi>VII</hi></head>"
                      "<div2 unit=\"chapter\" n=\"3\"><l>x</l></div2></div1>",
                      settings({{"div1", 1, [](TSImportElement& e) { e.setNameSource(QStringLiteral("\u2022 head")); }},
                                {"div2", 2, [](TSImportElement& e) { e.setNameSource(QStringLiteral("{} n unit")); }},
                                {"l", 3}, {"hi", 4}}));
    ASSERT_EQ(r.parser->texts().size(), 1u);
    EXPECT_EQ(r.parser->texts()[0]->name(), QStringLiteral("Ecloga VII"));
    EXPECT_EQ(r.parser->texts()[0]->childAt(0)->name(), QStringLiteral("Cap. 3"));
}

TEST(BodyRules, ChildTextStaysInPlaceWithinALine) {
    const Outcome r = run("<div1><div2><l>urbem quam <hi>dicunt</hi> Romam, <foreign lang=\"greek\">a)/ndra</foreign>.</l>"
                      "<l>a <gap/> b</l></div2></div1>",
                      verse());
    ASSERT_EQ(r.texts.size(), 2u);
    EXPECT_EQ(r.texts[0].normalized(QString::NormalizationForm_C),
              QStringLiteral("urbem quam dicunt Romam, \u1F04\u03BD\u03B4\u03C1\u03B1."));
    EXPECT_EQ(r.texts[1], QStringLiteral("a <\u2026> b"));
}

// The text buffer of each depth serves every element opened there in turn:
// a long line leaves nothing in a short one after it, text split by
// entities and children joins in order, and a name taken from a buffer
// stays what it was when the buffer is used again.
TEST(BodyRules, EachElementStartsWithAnEmptyBuffer) {
    const QString longLine = QStringLiteral("verba ").repeated(60).trimmed();
    const QByteArray body = "<div1><head>Prima &amp; <hi>optima</hi></head>"
                            "<div2><l>alpha &amp; beta</l><l>" + longLine.toUtf8() + "</l><l>x</l>"
                            "<l>  gamma <hi>delta</hi>\n epsilon </l><l>z&amp;</l>"
                            "<l>&amp;</l><l></l><l>y</l></div2></div1>"
                            "<div1><head>Secunda</head><div2><l>omega</l></div2></div1>";
    const Outcome r = run(body, settings({{"div1", 1, [](TSImportElement& e) { e.setNameSource(QStringLiteral("\u2022 head")); }},
                                          {"div2", 2}, {"l", 3}, {"hi", 4}}));
    ASSERT_EQ(r.parser->texts().size(), 2u);
    EXPECT_EQ(r.parser->texts()[0]->name(), QStringLiteral("Prima & optima"));
    EXPECT_EQ(r.parser->texts()[1]->name(), QStringLiteral("Secunda"));
    // An empty element still makes its line, without text.
    EXPECT_EQ(r.texts, (QStringList{"alpha & beta", longLine, "x", "gamma delta epsilon", "z&", "&", QString(), "y", "omega"}));
    const ts::ValueArray& samples = r.result[QStringLiteral("Strings Dictionary")][QStringLiteral("l")].array();
    ASSERT_EQ(samples.size(), 8u);
    EXPECT_EQ(samples[2].toObjectAs<ts::AttributedString>()->string(), QStringLiteral("x"));
    EXPECT_EQ(samples[6].toObjectAs<ts::AttributedString>()->string(), QStringLiteral("y"));
    // The same reader again, with a deeper nesting first and a shallower one
    // after it.
    const ts::Value again = r.parser->parseData("<TEI><text><body><div1><div2><l>one</l></div2></div1></body></text></TEI>");
    ASSERT_TRUE(again.isDictionary());
    std::vector<TSMatchedChunkPtr> lines;
    for (const TSTextPtr& b : r.parser->texts()) collectChunks(b, 3, lines);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]->latin()->string(), QStringLiteral("one"));
}

TEST(BodyRules, HighlightsAndLanguages) {
    CaptureLogger::Scope log;
    const Outcome r = run("<div1><div2><l><hi rend=\"italics\">ital</hi> <hi rend=\"caps\">caps</hi> "
                      "<hi rend=\"overline\">ab</hi> <hi rend=\"super\">2</hi> <hi rend=\"odd\">same</hi> "
                      "<foreign lang=\"grc\">keep</foreign></l></div2></div1>",
                      verse());
    ASSERT_EQ(r.texts.size(), 1u);
    EXPECT_EQ(r.texts[0], QStringLiteral("ital CAPS a\u0305b\u0305 2 same keep"));
    const ts::AttributedStringPtr t = r.lines[0]->latin();
    const ts::Attributes italic = t->attributes(0);
    EXPECT_EQ(italic.size(), 1u);
    EXPECT_TRUE(italic.at(ts::AttributeName::Font).toObjectAs<ts::Font>()->isItalic());
    const ts::Attributes sup = t->attributes(t->string().indexOf(QLatin1Char('2')));
    EXPECT_EQ(sup.at(ts::AttributeName::SuperScript).toInt64(), 1);
    EXPECT_DOUBLE_EQ(sup.at(ts::AttributeName::Font).toObjectAs<ts::Font>()->pointSize(), 16 * 0.8);
    EXPECT_TRUE(log->contains(QStringLiteral("rend not handled odd")));
    EXPECT_TRUE(log->contains(QStringLiteral("lang not handled grc")));

    // The library also writes italics as "ital".
    const Outcome ital = run("<div1><div2><l>a <hi rend=\"ital\">b</hi></l></div2></div1>", verse());
    ASSERT_EQ(ital.texts, QStringList{QStringLiteral("a b")});
    EXPECT_FALSE(fontOf(ital.lines[0]->latin()->attributes(0))->isItalic());
    EXPECT_TRUE(fontOf(ital.lines[0]->latin()->attributes(2))->isItalic());
    EXPECT_FALSE(log->contains(QStringLiteral("rend not handled ital")));
}

TEST(BodyRules, TemplatesFormatsAndLineBreakMarks) {
    const Outcome r = run("<div1><div2><l n=\"12\">amo|amas</l><l n=\"3\">x\u2B90y</l><l>last|line</l></div2></div1>",
                      verse([](TSImportElement& e) {
                          e.setInsertString(QStringLiteral(" ({n})"));
                          e.setPrependString(QStringLiteral("> "));
                          e.setFormatType(TSImportElement::FormatBold);
                      }));
    EXPECT_EQ(r.texts, (QStringList{"> amo\namas (12)", "> x\ny (3)", "> last\nline ()"}));
    EXPECT_TRUE(r.lines[0]->latin()->attributes(0).at(ts::AttributeName::Font).toObjectAs<ts::Font>()->isBold());
    // Every bold line carries the same font as the base font made bold.
    const ts::FontPtr bold = TSBodyElementParser::baseFont()->withTraits(true, false);
    for (const auto& line : r.lines) {
        const auto font = line->latin()->attributes(0).at(ts::AttributeName::Font).toObjectAs<ts::Font>();
        ASSERT_TRUE(font);
        EXPECT_TRUE(font->isEqual(*bold)) << font->postScriptName().toStdString();
    }
}

TEST(BodyRules, BoldKeepsItalicAndNoteSize) {
    const auto bold = [](TSImportElement& e) { e.setFormatType(TSImportElement::FormatBold); };
    const Outcome r = run("<div1><div2><l>a <hi rend=\"italics\">b</hi><note>n</note></l></div2></div1>",
                      settings({{"div1", 1}, {"div2", 2}, {"l", 3, bold}, {"hi", 4}, {"note", 6, bold}}));
    ASSERT_EQ(r.lines.size(), 1u);
    const ts::AttributedStringPtr line = r.lines[0]->latin();
    const auto fontAt = [](const ts::AttributedString& s, qsizetype i) {
        return s.attributes(i).at(ts::AttributeName::Font).toObjectAs<ts::Font>();
    };
    EXPECT_TRUE(fontAt(*line, 0)->isEqual(*TSBodyElementParser::baseFont()->withTraits(true, false)));
    const qsizetype b = line->string().indexOf(QLatin1Char('b'));
    ASSERT_GE(b, 0);
    EXPECT_TRUE(fontAt(*line, b)->isBold());
    EXPECT_TRUE(fontAt(*line, b)->isItalic());
    ASSERT_EQ(r.parser->footnoteLists().size(), 1u);
    const auto note = r.parser->footnoteLists()[0]->notes().begin()->second;
    EXPECT_TRUE(fontAt(*note->attributedString(), 0)->isEqual(*TSBodyElementParser::noteFont()->withTraits(true, false)));
}

TEST(BodyRules, PostpendHoldsTextForTheNextLine) {
    const Outcome r = run("<div1><div2><l>one</l><label>held</label><l>two</l></div2></div1>",
                      settings({{"div1", 1}, {"div2", 2}, {"l", 3}, {"label", 5}}));
    EXPECT_EQ(r.texts, (QStringList{"one", "heldtwo"}));
}

TEST(BodyRules, NotesNumberFromOneInEachBook) {
    const Outcome r = run("<div1><div2><l>a<note>first</note> b<note>second</note></l></div2></div1>"
                      "<div1><div2><l>c<note>third</note></l></div2></div1>"
                      "<div1><div2><l><note>no text before</note> d</l></div2></div1>",
                      verse());
    ASSERT_EQ(r.parser->footnoteLists().size(), 3u);
    EXPECT_EQ(r.parser->footnoteLists()[0]->count(), 2);
    EXPECT_EQ(r.parser->footnoteLists()[1]->count(), 1);
    EXPECT_EQ(r.parser->footnoteLists()[2]->count(), 1);
    EXPECT_EQ(r.texts, (QStringList{"a[1] b[2]", "c[1]", "[1] d"}));
    EXPECT_EQ(r.result[QStringLiteral("TheFootnote")].array().size(), 3u);
    const auto note = r.parser->footnoteLists()[1]->notes().begin()->second;
    EXPECT_EQ(note->attributedString()->string(), QStringLiteral("third"));
    // Note text is set in the note font.
    EXPECT_DOUBLE_EQ(note->attributedString()->attributes(0).at(ts::AttributeName::Font).toObjectAs<ts::Font>()->pointSize(), 12);
}

TEST(BodyRules, FootnoteListsFillForBooksWithoutNotes) {
    const Outcome r = run("<div1><div2><l>a</l></div2></div1><div1><div2><l>b<note>n</note></l></div2></div1>", verse());
    ASSERT_EQ(r.parser->footnoteLists().size(), 2u);
    EXPECT_EQ(r.parser->footnoteLists()[0]->count(), 0);
}

TEST(BodyRules, MilestonesQueueLocations) {
    CaptureLogger::Scope log;
    const Outcome r = run("<div1><div2><milestone n=\"10\"/><milestone n=\"11\"/><l>a</l><l>b</l><l>c</l></div2></div1>",
                      settings({{"div1", 1}, {"div2", 2},
                                {"milestone", 7, [](TSImportElement& e) { e.setIdSource(QStringLiteral("n")); }},
                                {"l", 3, [](TSImportElement& e) { e.setIdSource(QStringLiteral("*milestone*")); }}}));
    EXPECT_TRUE(log->contains(QStringLiteral("milestone queue out of control")));
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0]->location()->string(), QStringLiteral("10"));
    EXPECT_EQ(r.lines[1]->location()->string(), QStringLiteral("11"));
    EXPECT_FALSE(r.lines[2]->location());
}

TEST(BodyRules, NestedMilestonesMakeChaptersAndSections) {
    CaptureLogger::Scope log;
    const Outcome r = run("<div1><p>intro</p><milestone unit=\"chapter\" n=\"3\"/><p>one</p>"
                      "<milestone unit=\"section\" n=\"2\"/><p>two</p><milestone unit=\"verse\"/></div1>",
                      settings({{"div1", 1}, {"p", 4}, {"milestone", 8}}));
    ASSERT_EQ(r.parser->texts().size(), 1u);
    std::vector<TSMatchedChunkPtr> sections;
    collectChunks(r.parser->texts()[0], 2, sections);
    // The words before the first chapter keep a section of their own.
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(r.texts.value(0), QStringLiteral("intro"));
    EXPECT_EQ(sections[1]->latin()->string(), QStringLiteral("Cap. 3"));
    EXPECT_TRUE(log->contains(QStringLiteral("Unhandled section type verse")));
    EXPECT_TRUE(r.texts.contains(QStringLiteral("one")));
    bool located = false;
    for (const auto& l : r.lines) located = located || (l->location() && l->location()->string() == QStringLiteral("2"));
    EXPECT_TRUE(located);
}

// Text before any book has nowhere to go: it is counted and reported, not
// dropped silently.
TEST(BodyRules, PassagesNotPlacedAreReported) {
    CaptureLogger::Scope log;
    const Outcome r = run("<div2><l>lost one</l><l>lost two</l></div2><div1><div2><l>kept</l></div2></div1>", verse());
    EXPECT_EQ(r.texts, QStringList{QStringLiteral("kept")});
    EXPECT_EQ(r.parser->passagesNotPlaced(), 2);
    EXPECT_EQ(r.result[QStringLiteral("Passages Not Placed")].toInt64(), 2);
    EXPECT_EQ(r.result[QStringLiteral("Report")].toString(), QStringLiteral("2 passages not placed"));
    EXPECT_TRUE(log->contains(QStringLiteral("2 passages not placed")));
}

// Text the settings throw away (an ignored element, one without a record,
// the own words of an element put in place of a string) is counted and
// reported beside the passages not placed; a name taken from a head is no
// loss.
TEST(BodyRules, TextDroppedBySettingsIsReported) {
    struct Case {
        const char* body;
        qint64 dropped;
        const char* report;
    };
    const Case cases[] = {
        {"<div1><div2><head>name</head><l>a<bibl>Non. 342</bibl></l><l>b</l></div2></div1>", 1,
         "1 passage dropped by the element settings (bibl 1)"},
        {"<div1><div2><l>a<unknown>x</unknown></l><l>b<bibl> y </bibl><bibl>\n</bibl></l><gap>z</gap></div2></div1>", 3,
         "3 passages dropped by the element settings (bibl 1, gap 1, unknown 1)"},
        {"<div2><l>lost</l></div2><div1><div2><bibl>y</bibl></div2></div1>", 1,
         "1 passage not placed; 1 passage dropped by the element settings (bibl 1)"},
        {"<div1><div2><l>a <bibl/> b</l></div2></div1>", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        TSElementArrayPtr s = verse();
        s->addObject(std::make_shared<TSImportElement>());
        std::static_pointer_cast<TSImportElement>(s->objectAtIndex(s->count() - 1))->VDData::setName(QStringLiteral("bibl"));
        s->elementNamed(QStringLiteral("div2"))->setNameSource(QStringLiteral("\u2022 head"));
        const Outcome r = run(c.body, s);
        EXPECT_EQ(r.parser->passagesDropped(), c.dropped);
        EXPECT_EQ(r.result[QStringLiteral("Passages Dropped")].toInt64(), c.dropped);
        EXPECT_EQ(r.result[QStringLiteral("Report")].toString(), c.report ? QString::fromUtf8(c.report) : QString());
    }
}

// Words of bracketed verse and of a scribe's addition stay in their line
// under the settings a new element gets.
TEST(BodyRules, DeletedAndAddedWordsAreKeptByDefault) {
    for (const char* name : {"del", "add"}) {
        TSImportElement e;
        e.setName(QString::fromLatin1(name));
        EXPECT_EQ(e.store(), TSImportElement::Append) << name;
    }
    TSElementArrayPtr s = verse();
    for (const char* name : {"del", "add"}) {
        auto e = std::make_shared<TSImportElement>();
        e->setName(QString::fromLatin1(name));
        s->addObject(e);
    }
    const Outcome r = run("<div1><div2><l><del>dives agris</del>: </l><l>peregre<add>ve</add> exirem</l></div2></div1>", s);
    EXPECT_EQ(r.texts, (QStringList{"dives agris:", "peregreve exirem"}));
    EXPECT_EQ(r.parser->passagesDropped(), 0);
}

// A milestone without a number inside a line (a paragraph mark of a
// critical edition) neither splits the line nor starts a section; one with a
// number, or one between lines, still does.
TEST(BodyRules, UnnumberedMilestoneInsideALineKeepsTheLineWhole) {
    auto withMilestone = [](qint64 store) {
        TSElementArrayPtr s = verse();
        auto m = std::make_shared<TSImportElement>();
        m->setName(QStringLiteral("milestone"));
        if (store >= 0) m->setStore(store);
        s->addObject(m);
        return s;
    };
    const QByteArray card = "<div1><div2><l>first words.<milestone ed=\"P\" unit=\"para\"/>Next words</l><l>then</l>"
                            "<l>more</l></div2></div1>";
    for (qint64 store : {qint64(-1), qint64(TSImportElement::NewSection), qint64(TSImportElement::SubsectionOf),
                         qint64(TSImportElement::NestedMilestone), qint64(TSImportElement::NewBook)}) {
        SCOPED_TRACE(store);
        const Outcome r = run(card, withMilestone(store));
        EXPECT_EQ(r.texts, (QStringList{"first words. Next words", "then", "more"}));
        ASSERT_EQ(r.parser->texts().size(), 1u);
        EXPECT_EQ(r.parser->texts()[0]->numChildren(), 1);
        EXPECT_EQ(r.parser->passagesNotPlaced(), 0);
    }
    // With the default settings (verse lines appended, not made lines) the
    // card stays one section as well.
    const Outcome plain = run(card, settings({{"div1", 1}, {"div2", 2}, {"l", 4}, {"milestone", 2}}));
    ASSERT_EQ(plain.parser->texts().size(), 1u);
    EXPECT_EQ(plain.parser->texts()[0]->numChildren(), 1);
    EXPECT_EQ(plain.texts, (QStringList{"first words. Next words then more"}));

    // A numbered one inside a line (a card of the printed edition) keeps
    // the line whole too, under any role but the one that queues locations,
    // and makes no empty row.
    const QByteArray numberedCard = "<div1><div2><l>arma virumque<milestone n=\"61\" unit=\"card\"/> cano</l>"
                                    "<l>b<milestone n=\"62\" unit=\"card\"/></l></div2></div1>";
    for (qint64 store : {qint64(-1), qint64(TSImportElement::NewSection), qint64(TSImportElement::SubsectionOf),
                         qint64(TSImportElement::NestedMilestone), qint64(TSImportElement::NewBook),
                         qint64(TSImportElement::Note), qint64(TSImportElement::InsertString)}) {
        SCOPED_TRACE(store);
        const Outcome numbered = run(numberedCard, withMilestone(store));
        EXPECT_EQ(numbered.texts, (QStringList{"arma virumque cano", "b"}));
        ASSERT_EQ(numbered.parser->texts().size(), 1u);
        EXPECT_EQ(numbered.parser->texts()[0]->numChildren(), 1);
    }
    // The default record (a section per milestone, located by "n") with
    // lines appended: one section, no empty one.
    const Outcome appended = run(numberedCard, settings({{"div1", 1}, {"div2", 2}, {"l", 4}, {"milestone", 2}}));
    ASSERT_EQ(appended.parser->texts().size(), 1u);
    EXPECT_EQ(appended.parser->texts()[0]->numChildren(), 1);
    EXPECT_EQ(appended.texts, (QStringList{"arma virumque cano b"}));
    // Queuing a location it still does, without a split.
    const Outcome queued = run(numberedCard, withMilestone(TSImportElement::Milestone));
    EXPECT_EQ(queued.texts, (QStringList{"arma virumque cano", "b"}));
    const Outcome between = run("<div1><div2><l>a</l><milestone unit=\"para\"/><l>b</l></div2></div1>",
                                withMilestone(TSImportElement::NewSection));
    EXPECT_EQ(between.parser->texts()[0]->numChildren(), 2);
}

// A book without a name of its own is named by its number, as the preview
// shows it; a named one keeps its name.
TEST(BodyRules, BooksWithoutANameAreNamedByTheirNumber) {
    const Outcome r = run("<div1 n=\"1\"><div2><l>a</l></div2></div1><div1><head>Liber</head><div2><l>b</l></div2></div1>"
                          "<div1><head></head><div2><l>c</l></div2></div1>",
                          settings({{"div1", 1, [](TSImportElement& e) { e.setNameSource(QStringLiteral("\u2022 head")); }},
                                    {"div2", 2}, {"l", 3}, {"head", 0}}));
    ASSERT_EQ(r.parser->texts().size(), 3u);
    EXPECT_EQ(r.parser->texts()[0]->name(), QStringLiteral("Book 1"));
    EXPECT_EQ(r.parser->texts()[1]->name(), QStringLiteral("Liber"));
    EXPECT_EQ(r.parser->texts()[2]->name(), QStringLiteral("Book 3"));
    EXPECT_EQ(r.texts, (QStringList{"a", "b", "c"}));

    // A poem's head inside a book without one names neither the book nor a
    // later one.
    const Outcome poems = run("<div1><div2 n=\"1\"><head>Ad Maecenatem</head><l>a</l></div2></div1>"
                              "<div1><div2 n=\"1\"><l>b</l></div2><head>Liber II</head></div1>",
                              settings({{"div1", 1, [](TSImportElement& e) { e.setNameSource(QStringLiteral("\u2022 head")); }},
                                        {"div2", 2, [](TSImportElement& e) { e.setNameSource(QStringLiteral("{} n")); }},
                                        {"l", 3}, {"head", 0}}));
    ASSERT_EQ(poems.parser->texts().size(), 2u);
    EXPECT_EQ(poems.parser->texts()[0]->name(), QStringLiteral("Book 1"));
    EXPECT_EQ(poems.parser->texts()[1]->name(), QStringLiteral("Liber II"));
}

// A verse or paragraph quoted inside a note stays in the footnote: it makes
// no row of the text, which would stay empty, nor splits the line around it.
TEST(BodyRules, LinesInsideANoteStayInTheFootnote) {
    const Outcome r = run("<div1><div2><l>Forget her?<note>As the poet says: <quote><l>one verse</l><l>and "
                          "another</l></quote> and so on.</note> Oh Mysis</l><l>next</l></div2></div1>",
                          settings({{"div1", 1}, {"div2", 2}, {"l", 3}, {"note", 6}, {"quote", 4}}));
    EXPECT_EQ(r.texts, (QStringList{"Forget her?[1] Oh Mysis", "next"}));
    ASSERT_EQ(r.parser->footnoteLists().size(), 1u);
    ASSERT_EQ(r.parser->footnoteLists()[0]->count(), 1);
    const FootnoteObjectPtr note = r.parser->footnoteLists()[0]->notes().begin()->second;
    EXPECT_EQ(note->attributedString()->string(), QStringLiteral("As the poet says: one verse and another and so on."));
}

// A note is a footnote wherever it stands: before a line's first word, alone
// in it, first in a group of words or between the lines of a section, its
// link stands where it stood and its words are in no line. A verse or
// paragraph quoted in a note keeps a blank from the words after it.
TEST(BodyRules, ANoteIsAFootnoteWhereverItStands) {
    struct Case {
        const char* body;
        QStringList lines;
        const char* note;
    } cases[] = {
        {"<p><note>senectuti <hi>Reid;</hi> senectutis <hi>Mss.</hi></note> Cyrus quidem</p>", {"[1] Cyrus quidem"},
         "senectuti Reid; senectutis Mss."},
        {"<l>\n  <note>after blanks</note> arma</l>", {"[1] arma"}, "after blanks"},
        {"<l><note>alone</note></l>", {"[1]"}, "alone"},
        {"<l><hi><note>first in a group</note> arma</hi> virumque</l>", {"[1] arma virumque"}, "first in a group"},
        {"<l>arma</l><note>between lines</note><l>cano</l>", {"arma [1]", "cano"}, "between lines"},
        {"<note>before the first line</note><l>arma</l>", {"[1] arma"}, "before the first line"},
        {"<note>no line after it</note>", {"[1]"}, "no line after it"},
        {"<l>a<note>As he says <quote><l>quoted verse</l></quote>then more</note> b</l>", {"a[1] b"},
         "As he says quoted verse then more"},
        {"<l>a<note><p>one paragraph</p>then <p>another</p>and more</note></l>", {"a[1]"},
         "one paragraph then another and more"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const Outcome r = run(QByteArray("<div1><div2>") + c.body + "</div2></div1>",
                              settings({{"div1", 1}, {"div2", 2}, {"l", 3}, {"p", 3}, {"hi", 4}, {"quote", 4}, {"note", 6}}));
        EXPECT_EQ(r.texts, c.lines);
        ASSERT_EQ(r.parser->footnoteLists().size(), 1u);
        ASSERT_EQ(r.parser->footnoteLists()[0]->count(), 1);
        const FootnoteObjectPtr note = r.parser->footnoteLists()[0]->notes().begin()->second;
        ASSERT_TRUE(note->attributedString());
        EXPECT_EQ(note->attributedString()->string(), QString::fromUtf8(c.note));
    }
}

// The conversion reads the settings as they were when it was given them;
// the paths it finds go back to the records the user sees.
TEST(BodyRules, ConversionWorksOnASnapshotOfTheSettings) {
    TSElementArrayPtr s = verse();
    auto parser = std::make_shared<TSBodyElementParser>();
    parser->setCurIdentifier(QStringLiteral("latin"));
    parser->setElementArray(s);
    s->elementNamed(QStringLiteral("l"))->setStore(0);
    s->elementNamed(QStringLiteral("div1"))->setStore(0);
    parser->parseData("<TEI><text><body><div1><div2><l>a</l></div2></div1></body></text></TEI>");
    std::vector<TSMatchedChunkPtr> lines;
    ASSERT_EQ(parser->texts().size(), 1u);
    collectChunks(parser->texts()[0], 3, lines);
    ASSERT_EQ(lines.size(), 1u);
    const auto stacks = s->elementNamed(QStringLiteral("l"))->stacks();
    EXPECT_EQ(stacks, (std::set<QStringList>{{"TEI", "text", "body", "div1", "div2"}}));
}

TEST(BodyRules, ProgressIsReportedAsAFraction) {
    struct Sink : BodyImporterProtocol {
        std::vector<float> seen;
        void reportProgress(float f) override { seen.push_back(f); }
    };
    auto sink = std::make_shared<Sink>();
    const QString path = teiPath(QStringLiteral("amphitruo-lat"));
    auto parser = std::make_shared<TSBodyElementParser>();
    parser->setCurIdentifier(QStringLiteral("latin"));
    parser->setElementArray(presetFor(QStringLiteral("amphitruo-lat")));
    parser->setDelegate(sink);
    parser->parseFileAtLocation(QUrl::fromLocalFile(path));
    for (float f : sink->seen) {
        EXPECT_GE(f, 0.f);
        EXPECT_LE(f, 1.f);
    }
    CaptureLogger::Scope log;
    TSBodyElementParser unset;
    EXPECT_EQ(unset.curIdentifier(), QStringLiteral("latin"));
    EXPECT_TRUE(log->contains(QStringLiteral("Uninitialised identifier")));
}

}  // namespace

// Element names are kept once for every node that bears them, in a table
// two imports may grow at the same time: each node keeps its own element's
// name, and a name copied out and changed changes no node.
TEST(BodyRules, ElementNamesSurviveConcurrentImportsAndCopies) {
    struct Imported { QString line, book; std::vector<TSMatchedChunkPtr> lines; std::vector<TSTextPtr> books; std::shared_ptr<TSBodyElementParser> parser; };
    auto importMany = [](char side, std::vector<Imported>* out) {
        for (int i = 0; i < 150; ++i) {
            // A name met before (shared by both threads) or new to the table.
            const QByteArray line = i % 3 ? QByteArray(1, side) + QByteArray::number(i) : QByteArray("l");
            const QByteArray book = i % 2 ? QByteArray("div1") : QByteArray("book") + QByteArray::number(i) + side;
            const Outcome r = run("<" + book + "><div2><" + line + ">arma</" + line + "><" + line + ">cano</" + line + "></div2></" + book + ">",
                                  settings({{book.constData(), 1}, {"div2", 2}, {line.constData(), 3}}));
            out->push_back({QString::fromLatin1(line), QString::fromLatin1(book), r.lines, r.parser->texts(), r.parser});
        }
    };
    std::vector<Imported> a, b;
    std::thread first(importMany, 'a', &a), second(importMany, 'b', &b);
    first.join();
    second.join();
    for (const auto* side : {&a, &b})
        for (const Imported& r : *side) {
            ASSERT_EQ(r.lines.size(), 2u) << qPrintable(r.line);
            ASSERT_EQ(r.books.size(), 1u);
            for (const auto& l : r.lines) EXPECT_EQ(l->tagName(), r.line);
            EXPECT_EQ(r.books[0]->tagName(), r.book);
        }

    QString copied = a[0].lines[0]->tagName();
    copied.append(QStringLiteral("x"));
    copied[0] = QLatin1Char('m');
    QString given = QStringLiteral("div1");
    a[1].lines[0]->setTagName(given);
    given[0] = QLatin1Char('D');
    for (const Imported& r : b)
        if (r.line == QStringLiteral("l")) {
            EXPECT_EQ(r.lines[1]->tagName(), QStringLiteral("l"));
        }
    EXPECT_EQ(a[0].lines[0]->tagName(), QStringLiteral("l"));
    EXPECT_EQ(a[1].lines[0]->tagName(), QStringLiteral("div1"));
    EXPECT_EQ(a[1].books[0]->tagName(), QStringLiteral("div1"));
    EXPECT_EQ(a[1].lines[1]->tagName(), a[1].line);
    a[1].lines[0]->setTagName(QString());
    EXPECT_TRUE(a[1].lines[0]->tagName().isNull());

    // Names taking turns, more of them than are tried first, and an empty
    // one: each node keeps its own.
    const QStringList turns = {"l", "speaker", "l", "p", "q", "lg", "head", "speaker", "", "milestone", "l", "p"};
    std::vector<TSMatchedChunkPtr> nodes;
    for (int round = 0; round < 3; ++round)
        for (const QString& name : turns) {
            nodes.push_back(std::make_shared<TSMatchedChunk>());
            nodes.back()->setTagName(name);
        }
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i]->tagName(), turns[qsizetype(i % size_t(turns.size()))]) << i;
        EXPECT_FALSE(nodes[i]->tagName().isNull()) << i;
    }
}
