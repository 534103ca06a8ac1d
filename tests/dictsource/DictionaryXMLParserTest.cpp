// The converter base: note trimming, the developer's scratch strings and the
// generated exception-table text, the result and the end-of-document summary.
#include "ParserFixture.h"

#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

namespace {

const QString kDash = QStringLiteral("\u2014");

TEST(DictionaryXMLParser, TrimMultilineString) {
    struct Case {
        QString in, out;
    } cases[] = {
        // A leading em dash survives once; inner ones go, their blanks stay.
        {QStringLiteral(", ") + kDash + QStringLiteral("alpha ") + kDash + QStringLiteral(" beta, "),
         kDash + QStringLiteral("alpha  beta")},
        {QStringLiteral("alpha ") + kDash + QStringLiteral(" beta"), QStringLiteral("alpha ") + kDash + QStringLiteral(" beta")},
        {QStringLiteral(" ,\t a\n"), QStringLiteral("a\n")},
        {QString(), QString()},
        {QStringLiteral(", ,"), QString()},
    };
    for (const Case& c : cases) EXPECT_EQ(DictionaryXMLParser::trimMultilineString(c.in), c.out) << c.in;
}

TEST(DictionaryXMLParser, HyphenTestOnEmptyAndShortStrings) {
    EXPECT_FALSE(DictionaryXMLParser::stringBeginsWithHyphen(QString()));
    EXPECT_FALSE(DictionaryXMLParser::stringBeginsWithHyphen(QStringLiteral("")));
    EXPECT_TRUE(DictionaryXMLParser::stringBeginsWithHyphen(QStringLiteral("-")));
    EXPECT_TRUE(DictionaryXMLParser::stringBeginsWithHyphen(kDash + QStringLiteral("que")));
    EXPECT_FALSE(DictionaryXMLParser::stringBeginsWithHyphen(QStringLiteral("a-")));
}

TEST(DictionaryXMLParser, ScratchStringsAreCounted) {
    DictionaryXMLParser parser;
    parser.discardLogs();
    for (int i = 0; i < 3; ++i) parser.addScratchString(QStringLiteral("odd"));
    parser.addScratchString(QString());
    EXPECT_EQ(parser.scratchSet().size(), 1);
    EXPECT_EQ(parser.exceptionOccurences().value(QStringLiteral("odd")), 3);
    EXPECT_EQ(parser.logToDictionary(QStringLiteral("x")), QStringLiteral("x*#*"));
    EXPECT_TRUE(parser.logToDictionary(QString()).isNull());
}

TEST(DictionaryXMLParser, LoggingToTheDictionaryPostsTheCurrentEntry) {
    DictionaryXMLParser parser;
    auto entry = DictionaryEntry::make(QStringLiteral("amo"));
    parser.setCurEntry(entry);
    std::vector<const void*> senders;
    ts::ObserverToken token = ts::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("NEW EL entry"), nullptr, [&](const ts::Notification& n) { senders.push_back(n.sender); });
    parser.logToDictionary(QString());
    parser.logNoteToDictionary(QStringLiteral("odd text"));
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[0], entry.get());
    ASSERT_EQ(entry->childCount(), 1);
    EXPECT_EQ(entry->childAtIndex(0)->entry(), QStringLiteral("odd text*#*"));
    EXPECT_EQ(parser.exceptionOccurences().value(QStringLiteral("odd text")), 1);
}

TEST(DictionaryXMLParser, AddLineSplitsAtHyphensAndDashes) {
    QStringList hyphens, sources;
    DictionaryXMLParser::addLine(QStringLiteral("one-two") + kDash + QStringLiteral("three"), hyphens, sources);
    EXPECT_EQ(sources, QStringList{QStringLiteral("one")});
    EXPECT_EQ(hyphens, (QStringList{kDash + QStringLiteral("two"), kDash + QStringLiteral("three")}));
    DictionaryXMLParser::addLine(QStringLiteral("- -"), hyphens, sources);
    EXPECT_EQ(sources.size(), 1);
    EXPECT_EQ(hyphens.size(), 2);
}

TEST(DictionaryXMLParser, GeneratedListsAndProcedure) {
    QString empty;
    DictionaryXMLParser::addArray({}, empty);
    EXPECT_EQ(empty, QStringLiteral("+(NSSet*)exceptionSet\n{\n static NSSet   *set = nil;\n if (nil == set) {\nset = "
                                    "[NSSet setWithObjects:nil];\n}\nreturn set;\n}"));
    QString two;
    DictionaryXMLParser::addArray({QStringLiteral("a"), QStringLiteral("b")}, two);
    EXPECT_TRUE(two.startsWith(QStringLiteral("a\nb\n+(NSSet*)")));
    EXPECT_TRUE(two.contains(QStringLiteral("setWithObjects:@\"a\", @\"b\", nil];")));
    QString procedure;
    DictionaryXMLParser::addExceptionsProcedure({QStringLiteral("a"), QStringLiteral("b")}, procedure);
    EXPECT_EQ(procedure, QStringLiteral("\n\n-(void)parseExceptions:(NSString*)string\n{\nif ([@\"a\" "
                                        "isEqualToString:string]) {\n[self logNoteToDictionary:string];\n}\nelse if "
                                        "([@\"b\" isEqualToString:string]) {\n[self "
                                        "logNoteToDictionary:string];\n}\n}\n\n"));
}

TEST(DictionaryXMLParser, CountsAreClippedAfter501Lines) {
    for (int keys : {500, 501, 600}) {
        QHash<QString, qint64> counts;
        for (int i = 0; i < keys; ++i) counts.insert(QStringLiteral("k%1").arg(i), i % 7 + 1);
        QString text;
        DictionaryXMLParser::addExceptionsCount(counts, text);
        const int lines = int(text.count(QLatin1Char('\t')));
        EXPECT_EQ(lines, std::min(keys, 501)) << keys;
        EXPECT_EQ(text.endsWith(QStringLiteral("\nClipped...")), keys > 500) << keys;
        // Largest counts first.
        EXPECT_TRUE(text.mid(2).startsWith(QStringLiteral("\n"))) << keys;
        EXPECT_TRUE(text.section(QLatin1Char('\n'), 3, 3).endsWith(QStringLiteral("\t7"))) << keys;
    }
}

TEST(DictionaryXMLParser, EndOfDocumentSummaryAndGeneratedText) {
    // No scratch strings: the summary is logged and the pasteboard untouched.
    Converted quiet = convertText(QStringLiteral("<entryFree key=\"a\"><orth>a</orth></entryFree>"));
    EXPECT_TRUE(quiet.parser->succeeded());
    EXPECT_TRUE(quiet.logged(QStringLiteral("0 unknown type words = 0.0%")));
    EXPECT_TRUE(quiet.sink->pasteboardText().isNull());

    // With scratch strings the generated text reaches the developer sink.
    auto parser = std::make_shared<NBSourceLSParser>();
    parser->addScratchString(QStringLiteral("alpha-beta"));
    parser->addScratchString(QStringLiteral("-gamma"));
    parser->treatedSet().insert(QStringLiteral("done"));
    Converted noisy = convertText(QStringLiteral("<entryFree key=\"a\"><orth>a</orth></entryFree>"), parser);
    const QString text = noisy.sink->pasteboardText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("alpha\n+(NSSet*)exceptionSet")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n\n-gamma\n") + kDash + QStringLiteral("beta\n+(NSSet*)")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n-(void)parseExceptions:(NSString*)string\n{\nif ([@\"-gamma\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n\nTreated Set\ndone\n")));
}

TEST(DictionaryXMLParser, ResultEntriesAreTheEntryList) {
    Converted c = convertText(QStringLiteral("<entryFree key=\"a\"><orth>a</orth></entryFree>"
                                             "<entryFree key=\"b\"><orth>b</orth></entryFree>"));
    ASSERT_TRUE(c.result.count(QStringLiteral("Entries")));
    const ts::ValueArray& entries = c.result.at(QStringLiteral("Entries")).array();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].toObjectAs<DictionaryEntry>(), c.entries[0]);
    EXPECT_EQ(entries[1].toObjectAs<DictionaryEntry>(), c.entries[1]);
    // A parser that made nothing has no result at all.
    DictionaryXMLParser bare;
    EXPECT_TRUE(bare.data().isNull());
}

TEST(DictionaryXMLParser, NoteNeedsACurrentEntryAndText) {
    DictionaryXMLParser parser;
    EXPECT_EQ(parser.addNote(QStringLiteral("x")), nullptr);
    parser.setCurEntry(DictionaryEntry::make(QStringLiteral("a")));
    EXPECT_EQ(parser.addNote(QStringLiteral(" , ")), nullptr);
    auto note = parser.addNote(QStringLiteral(", a note,"));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->entry(), QStringLiteral("a note"));
    EXPECT_EQ(note->type(), DictionaryEntry::Note);
    EXPECT_EQ(note->parent(), parser.curEntry());
}

// Runs of blanks, tabs and line ends count as one blank, also across the
// joint with what the buffer holds; carets go when asked.
TEST(DictionaryXMLParser, WhiteSpaceRunsCollapse) {
    struct Case {
        const char* buffer;
        const char* text;
        bool carets;
        const char* result;
    };
    const Case cases[] = {
        {"", "plain text", false, "plain text"},
        {"", "a,\r\n\t\t1", false, "a, 1"},
        {"", "  lead and trail \n", false, " lead and trail "},
        {"ends ", "\n\tnext", false, "ends next"},
        {"ends ", " x", false, "ends x"},
        {"", "a^mo\t^", true, "amo "},
        {"", "a^mo", false, "a^mo"},
        {"x", "\x01y", false, "x\x01y"},
    };
    for (const Case& c : cases) {
        QString buffer = QString::fromUtf8(c.buffer);
        DictionaryXMLParser::appendCollapsed(buffer, QString::fromUtf8(c.text), c.carets);
        EXPECT_EQ(buffer, QString::fromUtf8(c.result)) << c.text;
        if (!*c.buffer && !c.carets) {
            EXPECT_EQ(DictionaryXMLParser::collapseWhiteSpace(QString::fromUtf8(c.text)), QString::fromUtf8(c.result));
        }
    }
}

}  // namespace
