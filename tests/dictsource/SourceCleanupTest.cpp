// The clean-up tools over raw source text: templates, the Find/Replace list
// in batch and confirmed, the readable form, Greek in place, entities.
#include "ParserFixture.h"

#include "dictsource/SourceRegex.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Recorder {
    std::shared_ptr<NBSourceLSParser> parser = std::make_shared<NBSourceLSParser>();
    std::shared_ptr<ScriptedDeveloperPrompt> prompt = std::make_shared<ScriptedDeveloperPrompt>();
    std::shared_ptr<QStringList> messages = std::make_shared<QStringList>();
    Recorder() {
        parser->setDeveloperPrompt(prompt);
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        auto m = messages;
        parser->setLogSink([m](const char*, const char*, int, const QString& t) { *m << t; });
    }
    qsizetype count(const QString& part) const {
        qsizetype n = 0;
        for (const QString& m : *messages)
            if (m.contains(part)) ++n;
        return n;
    }
};

// Find.txt and Replace.txt in a folder of their own, served as resources.
struct ListFiles {
    QTemporaryDir dir;
    ListFiles(const QByteArray& find, const std::optional<QByteArray>& replace) {
        write(QStringLiteral("Find.txt"), find);
        if (replace) write(QStringLiteral("Replace.txt"), *replace);
        DictionaryServices services;
        const QString folder = dir.path();
        services.resourcePath = [folder](const QString& name, const QString& type) {
            const QString path = folder + QLatin1Char('/') + name + QLatin1Char('.') + type;
            return QFileInfo(path).isFile() ? path : QString();
        };
        DictionaryServices::install(std::move(services));
    }
    ~ListFiles() { DictionaryServices::install({}); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

}  // namespace

TEST(SourceRegex, TemplatesAreExpandedByTheirOwnRules) {
    const auto regex = SourceRegex::compile(QStringLiteral("<(B)(i)?>"));
    ASSERT_TRUE(regex);
    const struct {
        const char* templ;
        const char* expected;
    } cases[] = {
        {"[$1]", "x[b]y[B]z"},            // case-insensitive pattern, group text as written
        {"[$0]", "x[<b>]y[<B>]z"},
        {"[$2]", "x[]y[]z"},              // a group that did not take part gives nothing
        {"[$9]", "x[]y[]z"},              // nor does one that does not exist
        {"\\$1", "x$1y$1z"},              // an escaped dollar is a dollar
        {"\\\\1", "x\\1y\\1z"},           // Qt's own back-references mean nothing here
        {"$a$", "x$a$y$a$z"},
        {"", "xyz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SourceRegex::replaceAll(*regex, QStringLiteral("x<b>y<B>z"), QString::fromUtf8(c.templ)),
                  QString::fromUtf8(c.expected))
            << c.templ;
    // "." stops at a line end.
    const auto dot = SourceRegex::compile(QStringLiteral("a.b"));
    EXPECT_EQ(SourceRegex::countMatches(*dot, QStringLiteral("a\nb axb")), 1);
    QString error;
    EXPECT_FALSE(SourceRegex::compile(QStringLiteral("(unclosed"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(SourceRegex, ReplacementListLines) {
    // Comments are passed over with their template; a trailing line feed
    // adds an empty template; a CR LF pair leaves an empty line between.
    ListFiles files("// comment\n\na+\nb+\n", QByteArray("skipped\nA\n\n"));
    const auto list = SourceRegex::readReplacementList();
    EXPECT_EQ(list.search, QStringList({"// comment", "a+", "b+"}));
    EXPECT_EQ(list.replace, QStringList({"skipped", "A", "", ""}));
    EXPECT_EQ(list.pairs(), std::vector<qsizetype>({1, 2}));
    EXPECT_EQ(SourceRegex::splitLines(QStringLiteral("a\r\nb")), QStringList({"a", "", "b"}));

    Recorder r;
    // The last real pair still applies; a blank template deletes.
    EXPECT_EQ(r.parser->doRegexReplaceInString(QStringLiteral("aa b cbb")), QStringLiteral("A  c"));
    EXPECT_EQ(r.parser->fixOtherEncodings(QStringLiteral("xa")), QStringLiteral("xA"));
}

TEST(SourceRegex, AShortReplacementFileAppliesNothing) {
    for (const std::optional<QByteArray>& replace : {std::optional<QByteArray>(QByteArray("A")),
                                                     std::optional<QByteArray>()}) {
        ListFiles files("a\nb\n", replace);
        Recorder r;
        EXPECT_EQ(r.parser->doRegexReplaceInString(QStringLiteral("ab")), QStringLiteral("ab"));
        EXPECT_EQ(r.count(QStringLiteral("search and replace not same length")), 1);
    }
    ListFiles none("", QByteArray("A"));
    Recorder r;
    EXPECT_EQ(r.parser->doRegexReplaceInString(QStringLiteral("ab")), QStringLiteral("ab"));
    EXPECT_TRUE(r.messages->isEmpty());
}

TEST(SourceCleanup, ConfirmedReplacement) {
    Recorder r;
    // 25 matches: only the first 20 are offered, and one holding "</sense>" never.
    QString text;
    for (int i = 0; i < 25; ++i) text += QStringLiteral("<i>%1</i>").arg(i);
    text.replace(QStringLiteral("<i>3</i>"), QStringLiteral("<i>3</sense></i>"));
    for (int i = 0; i < 20; ++i) r.prompt->queueAnswer(1);
    r.parser->doManualRegexReplace(QStringLiteral("<i>(.*?)</i>"), QStringLiteral("[$1]"), text);
    EXPECT_EQ(r.prompt->questions().size(), 19u);
    QString expected;
    for (int i = 0; i < 25; ++i)
        expected += i == 3 ? QStringLiteral("<i>3</sense></i>") : i < 20 ? QStringLiteral("[%1]").arg(i)
                                                                         : QStringLiteral("<i>%1</i>").arg(i);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(r.count(QStringLiteral("25 matches")), 1);
    const DeveloperQuestion q = r.prompt->questions().front();
    EXPECT_EQ(q.message, QStringLiteral("Replace"));
    EXPECT_EQ(q.informativeText, QStringLiteral("<i>0</i>"));
    EXPECT_EQ(q.editableText.value_or(QString()), QStringLiteral("[0]"));
    EXPECT_EQ(q.buttons, QStringList({"Skip", "Replace", "Stop"}));
}

TEST(SourceCleanup, StopEndsOnePatternAndTheListGoesOn) {
    ListFiles files("x\ny\n", QByteArray("X\nY\n"));
    Recorder r;
    QString text = QStringLiteral("xxxxx y");
    r.prompt->queueAnswer(1);
    r.prompt->queueAnswer(0);
    r.prompt->queueAnswer(2);  // Stop on the third x
    r.prompt->queueAnswer(1);  // the y of the next pair is still asked
    r.parser->checkReplaceInString(text);
    EXPECT_EQ(text, QStringLiteral("Xxxxx Y"));
    EXPECT_EQ(r.prompt->questions().size(), 4u);
    EXPECT_EQ(r.count(QStringLiteral("NOT REPLACED\nx\nX")), 1);
}

TEST(SourceCleanup, ReadableFormOfAnEntry) {
    EXPECT_EQ(NBSourceLSParser::makeStringHumanReadable(
                  QStringLiteral("<entryFree id=\"n1\" key=\"a\"><orth extent=\"full\" lang=\"la\">a</orth>"
                                 "<sense n=\"1\" level=\"1\">x</sense></entryFree>")),
              QStringLiteral(" a \n<sense>x</sense></entryFree>"));
    EXPECT_EQ(NBSourceLSParser::makeStringHumanReadable(
                  QStringLiteral("<itype>ae</itype><gen>f.</gen><pos>adj.</pos><bibl n=\"x\">Cic.</bibl><cb n=\"2\"/>")),
              QStringLiteral("ae f. adj. Cic."));
}

TEST(SourceCleanup, OrthMoveOnlyCloseAfterTheHeadword) {
    const QString head = QStringLiteral("<orth extent=\"full\" lang=\"la\">amo</orth>");
    const QString element = QStringLiteral("<itype>x</itype>");
    for (int gap : {10, 99, 100, 150}) {
        Recorder r;
        auto entry = std::make_shared<DictionaryEntry>();
        entry->setEntry(QStringLiteral("amo"));
        r.parser->setCurEntry(entry);
        QString text = head + QString(gap - head.size() > 0 ? gap - head.size() : 0, QLatin1Char(' ')) + element;
        const qsizetype at = text.indexOf(element);
        const QString before = text;
        EXPECT_TRUE(r.parser->replaceMatchInOrtho(QStringLiteral("x"), text, {at, element.size()}));
        if (at < 100)
            EXPECT_EQ(text, QStringLiteral("<orth extent=\"full\" lang=\"la\">amo -x</orth>") +
                                QString(at - head.size(), QLatin1Char(' ')));
        else
            EXPECT_EQ(text, before) << gap;
    }
}

TEST(SourceCleanup, GreekInPlace) {
    Recorder r;
    QString plain = QStringLiteral("<foreign lang=\"la\">amo</foreign>");
    r.parser->insertGreek(plain);
    EXPECT_EQ(plain, QStringLiteral("<foreign lang=\"la\">amo</foreign>"));
    EXPECT_TRUE(r.messages->isEmpty());
    QString greek = QStringLiteral("cf. <foreign lang=\"greek\">lo/gos</foreign> and <FOREIGN lang=\"greek\">a)po/</foreign>.");
    r.parser->insertGreek(greek);
    EXPECT_EQ(greek, QStringLiteral("cf. ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("lo/gos")) +
                         QStringLiteral(" and ") + ts::RKXMLFileParser::convertBetacode(QStringLiteral("a)po/")) +
                         QStringLiteral("."));
    EXPECT_EQ(r.count(QStringLiteral("1 of 2")), 1);
}

TEST(SourceCleanup, EntitiesLogEveryKey) {
    installTestServices();
    const auto& table = NBSourceLSParser::lookupList();
    ASSERT_FALSE(table.isEmpty());
    Recorder r;
    const QString key = table.constBegin().key();
    QString text = QStringLiteral("a &%1; b &%1;").arg(key);
    r.parser->removeExternalEncodings(text);
    EXPECT_EQ(text, QStringLiteral("a %1 b %1").arg(table.constBegin().value()));
    EXPECT_EQ(r.count(QStringLiteral("replacements for entity")), table.size());
    EXPECT_EQ(r.count(QStringLiteral("2 replacements for entity %1").arg(table.constBegin().value())), 1);
}

TEST(SourceCleanup, ItypePassSkipsAndEnds) {
    QTemporaryDir dir;
    QByteArray find;
    for (int i = 0; i < 9; ++i) find += "// line\n";
    find += "<itype>[^<]*</itype>\n";
    ListFiles files(find, QByteArray());
    NBSourceLSParser::skippedITypes().clear();
    Recorder r;
    auto entry = std::make_shared<DictionaryEntry>();
    entry->setKey(QStringLiteral("k"));
    r.parser->setCurEntry(entry);
    QString text = QStringLiteral("<itype>ae</itype> <itype>longer</itype>");
    r.prompt->queueAnswer(0);  // skip "longer" (the longest match is asked first)
    r.prompt->queueAnswer(3);  // remove the tags of "ae"
    r.parser->testItype(text);
    EXPECT_EQ(text, QStringLiteral("ae <itype>longer</itype>"));
    ASSERT_EQ(r.prompt->questions().size(), 2u);
    EXPECT_EQ(r.prompt->questions()[0].informativeText, QStringLiteral("longer"));
    EXPECT_TRUE(NBSourceLSParser::skippedITypes().contains(QStringLiteral("longer")));
}
