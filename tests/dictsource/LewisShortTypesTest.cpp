// Inflection types, parts of speech and the entry-type check of the Lewis
// and Short converter, rule by rule, and the literal tables they read.
#include "ParserFixture.h"

#include "dictionaries/DictionaryEntry.h"
#include "dictsource/LatinSourceRules.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Fixture {
    std::shared_ptr<NBSourceLSParser> parser = std::make_shared<NBSourceLSParser>();
    std::shared_ptr<QStringList> messages = std::make_shared<QStringList>();
    DictionaryEntryPtr entry = std::make_shared<DictionaryEntry>();

    explicit Fixture(const QString& headword, int type = 0, int conjugation = 0) {
        installTestServices();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        auto m = messages;
        parser->setLogSink([m](const char*, const char*, int, const QString& text) { *m << text; });
        entry->setEntry(headword);
        entry->setKey(headword);
        entry->setType(type);
        if (conjugation) entry->setConjugation(conjugation);
        parser->setCurEntry(entry);
    }
    bool logged(const QString& part) const {
        for (const QString& m : *messages)
            if (m.contains(part)) return true;
        return false;
    }
};

QString sourceFile(const char* name) {
    return QStringLiteral(TS_SOURCE_DIR_DEFAULT "/dictsource/") + QString::fromUtf8(name);
}

QStringList dataLines(const char* name) {
    QFile f(sourceFile(name));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) out << line;
    return out;
}

qsizetype countPrefix(const QStringList& lines, const QString& prefix) {
    return std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); });
}

// ---- The literal tables ----

TEST(LewisShortTables, CountsAndCodePoints) {
    const QStringList pos = dataLines("LewisShortPosTable.txt");
    EXPECT_EQ(countPrefix(pos, QString()), 119);
    EXPECT_EQ(std::count_if(pos.begin(), pos.end(), [](const QString& l) { return l.contains(u"\tprefix\t"); }), 3);
    EXPECT_EQ(NBSourceLSParser::posTable().size(), 119);

    const QStringList labels = dataLines("LewisShortTypeLabels.txt");
    EXPECT_EQ(countPrefix(labels, QStringLiteral("noun\t")), 43);
    EXPECT_EQ(NBSourceLSParser::knownNounSet().size(), 43);
    EXPECT_EQ(countPrefix(labels, QStringLiteral("pron\t")), 14);
    EXPECT_EQ(countPrefix(labels, QStringLiteral("button\t")), 11);
    EXPECT_EQ(countPrefix(labels, QStringLiteral("insert\t")), 10);
    EXPECT_EQ(NBSourceLSParser::ignoreVSet().size(), 1);
    // The row numbers of the opening labels run 1 to 39 without a gap.
    QSet<int> rows;
    for (const QString& l : labels)
        if (l.startsWith(u"label\t")) rows.insert(l.section(QLatin1Char('\t'), 1, 1).toInt());
    EXPECT_EQ(rows.size(), 39);
    EXPECT_EQ(countPrefix(labels, QStringLiteral("label\t")), 43);

    const QStringList one = dataLines("LewisShortITypes1.txt");
    EXPECT_EQ(countPrefix(one, QStringLiteral("set\tsingleITypeExceptionSet\t")), 9);
    EXPECT_EQ(countPrefix(one, QStringLiteral("set\tthirdNounGenExceptions\t")), 1);
    EXPECT_EQ(countPrefix(one, QStringLiteral("set\tlongOnEndings\t")), 2);
    EXPECT_EQ(countPrefix(one, QStringLiteral("set\tonEndings\t")), 10);

    // Exact characters an editor could silently change.
    EXPECT_TRUE(labels.contains(QStringLiteral("label\t12\tWith  abl")));  // two blanks
    EXPECT_TRUE(labels.contains(QStringLiteral("vexempt\tv.  facio ")));
    const QString areVA = QStringLiteral("\u0101re. v. a");  // precomposed macron
    EXPECT_TRUE(std::any_of(pos.begin(), pos.end(), [&](const QString& l) { return l.startsWith(areVA + u'\t'); }));
    EXPECT_TRUE(std::any_of(pos.begin(), pos.end(),
                            [](const QString& l) { return l.startsWith(QStringLiteral("g\u0115ra. g\u0115rum. adj\t")); }));
    // "y" with a combining breve, not a precomposed letter.
    EXPECT_TRUE(one.contains(QStringLiteral("set\tonEndings\t\u0103py\u0306ros")));
    EXPECT_TRUE(one.contains(QStringLiteral("1\tis\tindecl")));
}

// ---- Headword-line slots ----

TEST(LewisShortSlots, PrincipalPartsAndGenitive) {
    {
        Fixture f(QStringLiteral("amo"));
        f.parser->addSecondPart(QStringLiteral("āre"));
        f.parser->addThirdPart(QStringLiteral("āvi"));
        f.parser->addFourthPart(QStringLiteral("ātum"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo -āre -āvi -ātum"));
    }
    {
        Fixture f(QStringLiteral("amo"));
        f.parser->addThirdPart(QStringLiteral("āvi"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo - -āvi"));
    }
    {
        Fixture f(QStringLiteral("amo"));
        f.parser->addSecondPart(QStringLiteral("āre"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo -āre - -"));
        f.parser->addSecondPart(QStringLiteral("āre"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo -āre - -"));
        f.parser->addSecondPart(QStringLiteral("ēre"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo -āre or ēre - -"));
    }
    {
        Fixture f(QStringLiteral("rosa"));
        f.parser->addGenitive(QStringLiteral("ae"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("rosa -ae"));
        EXPECT_EQ(f.entry->type(), 1);
    }
    {
        Fixture f(QStringLiteral("rosa"));
        f.parser->addGenitive(QStringLiteral("indecl"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("rosa (indecl)"));
    }
    {
        Fixture f(QStringLiteral("hortor"), 0, 1);
        f.entry->setDeponent(true);
        f.parser->addAbsentSecondPart();
        EXPECT_EQ(f.entry->entry(), QStringLiteral("hortor -ārī -"));
    }
    {
        Fixture f(QStringLiteral("x"));
        f.parser->setConjugation(4);
        f.parser->setConjugation(2);
        EXPECT_EQ(f.entry->conjugation(), 4);
    }
}

TEST(LewisShortSlots, DriverSplitsAndBoundsItsPass) {
    {
        Fixture f(QStringLiteral("x"));
        f.parser->parseIType(QStringLiteral("a, b, c, d, e"));
        EXPECT_TRUE(f.logged(QStringLiteral("Itype not handled")));
    }
    {
        Fixture f(QStringLiteral("x"));
        f.parser->parseIType(QStringLiteral(",, , ,"));
        EXPECT_EQ(f.entry->entry(), QStringLiteral("x"));
        EXPECT_TRUE(f.messages->isEmpty());
    }
    {
        Fixture f(QStringLiteral("x"));
        f.parser->iTypesArray() << QStringLiteral("vīde amo") << QStringLiteral("ae");
        f.parser->parseITypes();
        EXPECT_TRUE(f.parser->iTypesArray().isEmpty());
        ASSERT_EQ(childrenOfType(f.entry, 22).size(), 1u);
        EXPECT_EQ(childrenOfType(f.entry, 22).front()->entry(), QStringLiteral("amo"));
        // The entry is now a redirect, so the ending belongs to a new
        // alternative form of the headword.
        EXPECT_EQ(f.entry->type(), 22);
        ASSERT_EQ(f.parser->orthoStack().size(), 1u);
        EXPECT_EQ(f.parser->orthoStack().front()->entry(), QStringLiteral("x -ae"));
        EXPECT_EQ(f.parser->orthoStack().front()->type(), 1);
    }
    {
        Fixture f(QStringLiteral("x"));
        f.parser->iTypesArray() << QStringLiteral("vīde");
        f.parser->parseITypes();
        EXPECT_TRUE(f.logged(QStringLiteral("bad lookup")));
    }
    {
        // A later itype is read before an earlier one.
        Fixture f(QStringLiteral("amo"));
        f.parser->iTypesArray() << QStringLiteral("āvi") << QStringLiteral("āre");
        f.parser->parseITypes();
        EXPECT_EQ(f.entry->entry(), QStringLiteral("amo -āre -āvi -"));
    }
}

// ---- One component: one input per rule, none matched by an earlier rule ----

struct OneCase {
    int rule;
    const char* headword;
    int type;
    const char* itype;
    const char* line;  // expected headword line; null when not checked
    int expectType;    // -1 not checked
    int conjugation;   // -1 not checked
};

TEST(LewisShortOneComponent, FirstMatchingRuleDecides) {
    const OneCase cases[] = {
        {1, "rosa", 0, "indecl", "rosa (indecl)", 1, -1},
        {2, "rosa", 0, "ae", "rosa -ae", 1, 1},
        {3, "arma", 0, "plur. indecl", "arma -indecl.", 1, -1},
        {4, "dominus", 0, "ī", "dominus -ī", 1, 2},
        {5, "fero", 0, "lātum", "fero - - -lātum", -1, -1},
        {6, "rex", 0, "is", "rex -is", 1, 3},
        {7, "fructus", 0, "ūs", "fructus -ūs", 1, 4},
        {8, "puer", 0, "ĕri", "puer -ĕri", 1, 2},
        {9, "x", 0, "es", "x -es", 1, 3},
        {10, "x", 0, "ii", "x -ii", 1, 2},
        {11, "x", 0, "is or ae", "x -is or ae", 1, 3},
        {12, "x", 0, "as", "x -as", 1, 0},
        {13, "audio", 0, "īvi or ii", "audio - -īvi or ii", 2, 4},
        {14, "facilis", 0, "e", "facilis -e", 3, 3},
        {15, "amo", 0, "āre", "amo -āre - -", 2, 1},
        {16, "hortor", 0, "āri", "hortor -āri -", 2, 1},
        {17, "vereor", 0, "ēri", "vereor -ēri -", 2, 2},
        {18, "rego", 0, "ere", "rego -ere - -", 2, 3},
        {19, "deleo", 0, "ēvi", "deleo - -ēvi", 2, -1},
        {20, "amo", 0, "āvi", "amo -āre -āvi -", 2, 1},
        {21, "moneo", 0, "ēre", "moneo -ēre - -", 2, 2},
        {22, "audio", 0, "īre", "audio -īre - -", 2, -1},
        {23, "x", 0, "ci", "x -ci -", 2, 4},
        {24, "x", 0, "ii and ui", "x - -ii and ui", 2, -1},
        {25, "absum", 0, "āfui", "absum abesse āfui āfŭtārus", 2, 8},
        {26, "rego", 2, "3", "rego -ere - -", 2, 3},
        {27, "dies", 0, "ēi", "dies -ēi", 1, 5},
        {28, "fero", 0, "tŭli", "fero - -tŭli", 2, 9},
        {29, "facio", 0, "fēci", "facio - -fēci", 2, -1},
        {30, "fero", 0, "ferre", "fero -ferre - -", -1, 9},
        {31, "fio", 0, "factus", "fio -fierī -factus", -1, 11},
        {32, "x", 0, "ei", "x -ei", 1, 2},
        {33, "x", 0, "ĕi", "x -ĕi", 1, -1},
        {34, "x", 0, "ŏnos", "x -ŏnos", 1, 3},
        {35, "x", 0, "ōrum and ae", "x -ōrum and ae", 1, 2},
        {36, "x", 0, "ĭdis or ĭdos", "x -ĭdis or ĭdos", 1, 3},
        {37, "x", 0, "ĕi and ĕos", "x -ĕi and ĕos", 1, 2},
        {38, "x", 0, "is or eos", "x -is or eos", 1, 3},
        {39, "x", 0, "bri", "x -bri", 1, 2},
        {40, "bonus", 0, "a", "bonus -a", 0, -1},
        {41, "x", 0, "us", "x -us", 1, 5},
        {42, "x", 0, "ūm", "x -ūm", 1, 2},
        {43, "x", 0, "ŭit", "x -ŭit", 2, -1},
        {44, "x", 0, "os", "x -os", 1, -1},
        {45, "hortor", 0, "ātus", "hortor -ārī -ātus", 2, 1},
        {46, "x", 0, "ūs and i", "x -ūs and i", 1, 4},
        {47, "x", 0, "is or i", "x -is or i", 1, 3},
        {48, "x", 0, "ĕi and ĕōs", "x -ĕi and ĕōs", 1, -1},
        {49, "Ăchāia", 0, "or", "Ăchāia", 0, -1},
        {50, "x", 0, "on", "x -on", 3, -1},
        {51, "cochloe", 0, "ōn", "cochloe -ōn", 1, -1},
        {52, "x", 0, "ŏn", "x -ŏn", 3, -1},
        {53, "x", 0, "ālĭtĭs", "x -ālĭtĭs", 1, 3},
        {54, "x", 0, "aves", "x", 0, -1},
        {55, "x", 0, "i and ūs", "x -i and ūs", 1, 2},
        {56, "x", 0, "ŏdis and i", "x -ŏdis and i", 1, 3},
        {57, "x", 0, "ĕi and ĕŏs", "x -ĕi and ĕŏs", 1, -1},
        {58, "x", 0, "is and ĕi", "x -is and ĕi", 1, 3},
        {59, "x", 0, "l", "x -i", 1, 2},
        {60, "amo", 0, "āre or ĕre", "amo -āre or ĕre - -", 2, 1},
        {61, "x", 0, "ōrum or ūm", "x -ōrum or ūm", 1, 2},
        {62, "volo", 0, "12", "volo", 2, 12},
        {63, "x", 0, "adv. dim", "x", 4, -1},
        {64, "x", 0, "prep", "x", 6, -1},
        {65, "x", 0, "abicio", "x", 0, -1},
        {66, "x", 0, "zzz", "x", 0, -1},
    };
    int seen = 0;
    for (const OneCase& c : cases) {
        ++seen;
        EXPECT_EQ(c.rule, seen) << "the table lists every rule once, in order";
        Fixture f(QString::fromUtf8(c.headword), c.type);
        const QString itype = QString::fromUtf8(c.itype);
        EXPECT_EQ(f.parser->handle1ComponentIType(itype + QStringLiteral(". ")), c.rule) << c.itype;
        if (c.line) { EXPECT_EQ(f.entry->entry(), QString::fromUtf8(c.line)) << c.itype; }
        if (c.expectType >= 0) { EXPECT_EQ(f.entry->type(), c.expectType) << c.itype; }
        if (c.conjugation >= 0) { EXPECT_EQ(f.entry->conjugation(), c.conjugation) << c.itype; }
    }
    EXPECT_EQ(seen, 66);
}

TEST(LewisShortOneComponent, UnreadTextsGoToTheCorrectionAndAreCounted) {
    Fixture f(QStringLiteral("x"));
    f.parser->parseIType(QStringLiteral("zzz"));
    f.parser->parseIType(QStringLiteral("ōn"));  // not a headword that takes it
    f.parser->parseIType(QStringLiteral("or"));
    // A text no rule reads waits for the entry's word class until the
    // entry ends.
    EXPECT_EQ(f.parser->statistics().iTypesToAlert[0], 2);
    f.parser->retryPendingITypes();
    EXPECT_EQ(f.parser->statistics().iTypesToAlert[0], 3);
    EXPECT_TRUE(f.logged(QStringLiteral(" Failed to handle 1 component iType:  zzz")));
    EXPECT_TRUE(f.logged(QStringLiteral(" What is this:  ōn")));
    EXPECT_TRUE(f.logged(QStringLiteral(" OR:  or")));
    Fixture g(QStringLiteral("Ăchāia"));
    g.parser->parseIType(QStringLiteral("or"));
    EXPECT_EQ(g.parser->statistics().iTypesToAlert[0], 0);
    Fixture h(QStringLiteral("rego"));
    h.parser->parseIType(QStringLiteral("3"));
    EXPECT_EQ(h.entry->entry(), QStringLiteral("rego"));  // not a verb yet: no infinitive
    EXPECT_EQ(h.entry->conjugation(), 3);
}

// ---- Part of speech ----

struct PosCase {
    const char* piece;
    int startType;
    int type;
    int transitivity;
    bool deponent;
    int conjugation;
    const char* note;  // null: no note; as filed (a closing full stop goes)
};

TEST(LewisShortPos, DecisionTable) {
    const PosCase cases[] = {
        {" v. a.", 0, 2, 1, false, 0, nullptr},
        {"v. a.;", 0, 2, 1, false, 0, nullptr},
        {"prep", 1, 6, 0, false, 0, nullptr},
        {"noun", 3, 3, 0, false, 0, nullptr},
        {"interj", 0, 8, 0, false, 0, nullptr},
        {"adj. of a kind", 0, 3, 0, false, 0, "adj. of a kind"},
        {"pron. foo", 0, 7, 0, false, 0, "pron. foo"},
        {"num. foo", 0, 9, 0, false, 0, "num. foo"},
        {"pron. adj", 0, 3, 0, false, 0, nullptr},
        {"num. adj", 0, 3, 0, false, 0, nullptr},
        {"pron. indef", 0, 7, 0, false, 0, "pron. indef"},
        {"v. dep. n. and a", 0, 2, 3, true, 0, nullptr},
        {"v. sem. dep", 0, 2, 0, true, 0, "sem. dep"},
        {"v. freq. a", 0, 2, 1, false, 0, "Frequentative"},
        {"p. 217. In later time as adj", 0, 4, 0, false, 0, nullptr},
        {"Adj", 0, 3, 0, false, 0, nullptr},
        {"u", 0, 0, 4, false, 0, nullptr},
        {"āre. v. n", 0, 2, 2, false, 1, nullptr},
    };
    for (const PosCase& c : cases) {
        Fixture f(QStringLiteral("amor"), c.startType);
        f.parser->handle1ComponentPos(QString::fromUtf8(c.piece));
        EXPECT_EQ(f.entry->type(), c.type) << c.piece;
        EXPECT_EQ(f.entry->transIntrans(), c.transitivity) << c.piece;
        EXPECT_EQ(f.entry->deponent(), c.deponent) << c.piece;
        EXPECT_EQ(f.entry->conjugation(), c.conjugation) << c.piece;
        const auto notes = childrenOfType(f.entry, 20);
        if (c.note) {
            ASSERT_FALSE(notes.empty()) << c.piece;
            EXPECT_EQ(notes.back()->entry(), QString::fromUtf8(c.note)) << c.piece;
        } else {
            EXPECT_TRUE(notes.empty()) << c.piece;
        }
        EXPECT_FALSE(f.logged(QStringLiteral("not handed"))) << c.piece;
    }
}

TEST(LewisShortPos, SpecialRowsAndMisses) {
    {
        Fixture f(QStringLiteral("facilis"));
        f.parser->handle1ComponentPos(QStringLiteral("e. adj"));
        EXPECT_EQ(f.entry->type(), 3);
        EXPECT_EQ(f.entry->conjugation(), 3);
        EXPECT_EQ(f.entry->entry(), QStringLiteral("facilis -e"));
    }
    for (auto [start, expected] : {std::pair{6, 29}, std::pair{3, 30}, std::pair{1, 1}}) {
        Fixture f(QStringLiteral("x"), start);
        f.parser->handle1ComponentPos(QStringLiteral("and adv"));
        EXPECT_EQ(f.entry->type(), expected);
        EXPECT_EQ(f.logged(QStringLiteral("what and adverb?")), start == 1);
    }
    for (const QString& miss : {QStringLiteral("a\u0304re. v. a"), QStringLiteral("ADJ")}) {
        Fixture f(QStringLiteral("x"));
        f.parser->handle1ComponentPos(miss);
        EXPECT_EQ(f.entry->type(), 0);
        EXPECT_TRUE(f.logged(QStringLiteral("1 comp pos not handed")));
    }
    {
        // Several pieces: the last is read and taken out of the running text.
        Converted c = convertText(QStringLiteral("<entryFree key=\"x\"><orth>x</orth><pos>2, adj.</pos></entryFree>"));
        EXPECT_EQ(c.entry()->type(), 3);
    }
    {
        // A pos element without text changes nothing and says so.
        Converted c = convertText(QStringLiteral("<entryFree key=\"x\"><orth>x</orth><pos></pos><itype>ae</itype>"
                                                 "</entryFree>"));
        EXPECT_TRUE(c.logged(QStringLiteral("empty pos")));
        EXPECT_EQ(c.entry()->entry(), QStringLiteral("x -ae"));
    }
}

// ---- Sense-opening labels ----

TEST(LewisShortTypeCheck, OpeningLabels) {
    struct Case {
        const char* text;
        int startType;
        const char* returned;
        int type;
    };
    const Case cases[] = {
        {"v. a., to love", 0, ", to love", 2},
        {"v. a., to love", 1, "v. a., to love", 1},
        {"Adv.", 6, "Adv.", 29},
        {"pron. poss. meus", 0, " meus", 7},
        // Runs of white space count as one blank, in texts and labels.
        {"v.  facio and", 0, "v. facio and", 22},
        {"v.\n\t\tfacio and", 0, "v. facio and", 22},
        {"a town of Latium", 0, "a town of Latium", 1},
        {"With  abl. of", 0, "With abl. of", 6},
        {"pron", 0, "", 7},
        {"v. desider. n. to wish", 0, " to wish", 2},
    };
    for (const Case& c : cases) {
        Fixture f(QStringLiteral("amo"), c.startType);
        EXPECT_EQ(f.parser->checkForType(QString::fromUtf8(c.text)), QString::fromUtf8(c.returned)) << c.text;
        EXPECT_EQ(f.entry->type(), c.type) << c.text;
        EXPECT_FALSE(f.logged(QStringLiteral("? redirect"))) << c.text;
    }
    Fixture f(QStringLiteral("amo"));
    EXPECT_EQ(f.parser->checkForType(QStringLiteral("v. amo")), QStringLiteral("v. amo"));
    EXPECT_EQ(f.entry->type(), 22);
    EXPECT_TRUE(f.logged(QStringLiteral("? redirect")));
    Fixture g(QStringLiteral("amo"));
    g.parser->checkForType(QStringLiteral("v. a., to love"));
    EXPECT_EQ(g.entry->transIntrans(), 1);
}

// The source correction seams, with the source kept in memory.
class InMemorySourceParser : public NBSourceLSParser {
public:
    QString source;
    QStringList written;
    QString unknownTypeSource() override { return source; }
    bool writeUnknownTypeSource(const QString& text) override {
        written << text;
        return true;
    }
};

TEST(LewisShortTypeCheck, UnknownTypeAlertInsertsAfterTheFirstHeadword) {
    const QString source = QStringLiteral("<entryFree key=\"x\"><orth>x</orth><orth>y</orth>a</entryFree>");
    auto answer = [&](int button, const QString& src) {
        auto parser = std::make_shared<InMemorySourceParser>();
        parser->source = src;
        auto prompt = std::make_shared<ScriptedDeveloperPrompt>();
        prompt->queueAnswer(button);
        parser->setDeveloperPrompt(prompt);
        Converted c = convertText<InMemorySourceParser>(QStringLiteral("<entryFree key=\"x\"><orth>x</orth></entryFree>"),
                                                        parser);
        EXPECT_EQ(prompt->questions().size(), 1u);
        if (!prompt->questions().empty()) {
            EXPECT_EQ(prompt->questions().front().message, QStringLiteral("x type not found"));
            EXPECT_EQ(prompt->questions().front().buttons.size(), 11);
        }
        return std::make_pair(parser->written, c.logged(QStringLiteral("x not changed")));
    };
    auto [noun, nounSkipped] = answer(1, source);
    ASSERT_EQ(noun.size(), 1);
    EXPECT_EQ(noun.front(), QStringLiteral("<entryFree key=\"x\"><orth>x</orth><pos>noun</pos><orth>y</orth>a</entryFree>"));
    EXPECT_FALSE(nounSkipped);
    auto [skip, skipLogged] = answer(0, source);
    EXPECT_TRUE(skip.isEmpty());
    EXPECT_TRUE(skipLogged);
    // No headword closes after the key: treated as Skip.
    auto [none, noneLogged] = answer(1, QStringLiteral("<entryFree key=\"x\">x</entryFree>"));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(noneLogged);
    EXPECT_FALSE(NBSourceLSParser::insertPos(source, QStringLiteral("y"), 1));
}

}  // namespace

namespace {

// ---- Several components: one input per rule, none matched by an earlier rule ----

struct MultiCase {
    int rule;
    const char* headword;
    const char* itype;  // the components, comma-separated
};

template <size_t N>
void checkRules(const MultiCase (&cases)[N], int components) {
    int seen = 0;
    for (const MultiCase& c : cases) {
        ++seen;
        EXPECT_EQ(c.rule, seen) << "the table lists every rule once, in order";
        Fixture f(QString::fromUtf8(c.headword));
        const QStringList pieces = QString::fromUtf8(c.itype).split(QLatin1Char(','));
        ASSERT_EQ(pieces.size(), components) << c.itype;
        const int rule = components == 2   ? f.parser->handle2ComponentIType(pieces)
                         : components == 3 ? f.parser->handle3ComponentIType(pieces)
                                           : f.parser->handle4ComponentIType(pieces);
        EXPECT_EQ(rule, c.rule) << c.itype;
    }
}

TEST(LewisShortTwoComponents, FirstMatchingRuleDecides) {
    const MultiCase cases[] = {
        {1, "bonus", "a, um"}, {2, "amo", "āre, 1"}, {3, "hortor", "āri, 1"}, {4, "amo", "āvi, ātum"},
        {5, "amo", "ātum, āre"}, {6, "amo", "āvi, āre"}, {7, "amo", "āvi, 1"}, {8, "hortor", "ātus, āri"},
        {9, "amo", "lāvi, 1"}, {10, "capio", "ĕre, 3"}, {11, "x", "ui, ēre"}, {12, "x", "i, ĕre"},
        {13, "hortor", "ātus, 1"}, {14, "x", "us, 3"}, {15, "x", "a sum, 3"}, {16, "x", "us, 3 and 4"},
        {17, "x", "us, 4"}, {18, "x", "i, 1"}, {19, "x", "um, 1"}, {20, "x", "ēre, 2"},
        {21, "x", "us, 2"}, {22, "x", "ere, 3"}, {23, "x", "si, 3"}, {24, "x", "um, 3"},
        {25, "x", "i, 2"}, {26, "x", "iri, 4"}, {27, "x", "īre, 4"}, {28, "x", "si, 4"},
        {29, "x", "īvi, 4"}, {30, "x", "i, 5"}, {31, "x", "um, 2"}, {32, "x", "āvit, 3"},
        {33, "x", "ŭi, ŭĭtum"}, {34, "x", "ēdi, ēsum"}, {35, "x", "ĭ, 3"}, {36, "x", "mpsi, mptum"},
        {37, "x", "is, e"}, {38, "x", "is, dis"}, {39, "x", "indecl, a"}, {40, "x", "x, indecl"},
        {41, "x", "a Latin root, y"}, {42, "x", "e, also"}, {43, "x", "or rosa, ae"}, {44, "x", "a, fraud"},
        {45, "x", "ui, tum"}, {46, "x", "ui, 4"}, {47, "x", "ŭi, tum"}, {48, "x", "tus, āre"},
        {49, "x", "a, on"}, {50, "x", "fŭi, esse"}, {51, "x", "īvi or ii, īre"}, {52, "x", "īvi and ii, 4"},
        {53, "x", "īvi or ii, itum"}, {54, "x", "ĭi, īre"}, {55, "x", "tŭli, lātum"},
        {56, "x", "fŭi, fŭtūrum or fŏre"}, {57, "x", "fui, esse"}, {58, "x", "ae, ŏ"}, {59, "x", "em, e"},
        {60, "x", "us sum, fĭĕri"}, {61, "x", "us, fieri"}, {62, "x", "tŭli, ferre"},
        {63, "x", "no perf. or sup, 3"}, {64, "x", "no perf. or sup, ĕre"}, {65, "x", "no perf, 3"},
        {66, "x", "fuisse, 3"}, {67, "x", "no perf, ēre"}, {68, "x", "no perf, ĕre"}, {69, "x", "velle, volui"},
        {70, "x", "i, 6"}, {71, "x", "adnosco, y"}, {72, "x", "zz, yy"},
    };
    checkRules(cases, 2);
}

TEST(LewisShortTwoComponents, ExpectedLines) {
    auto run = [](const char* headword, const char* itype) {
        auto f = std::make_unique<Fixture>(QString::fromUtf8(headword));
        f->parser->parseIType(QString::fromUtf8(itype));
        return f;
    };
    auto bonus = run("bonus", "a, um");
    EXPECT_EQ(bonus->entry->entry(), QStringLiteral("bonus -a -um"));
    EXPECT_EQ(bonus->entry->type(), 3);
    EXPECT_EQ(bonus->entry->conjugation(), 2);
    auto amo = run("amo", "āvi, ātum");
    EXPECT_EQ(amo->entry->entry(), QStringLiteral("amo -āre -āvi -ātum"));
    EXPECT_EQ(amo->entry->conjugation(), 1);
    auto hortor = run("hortor", "ātus, 1");
    EXPECT_EQ(hortor->entry->entry(), QStringLiteral("hortor -ārī -ātus"));
    EXPECT_TRUE(hortor->entry->deponent());
    auto cateno = run("cateno", "ātus, 1");
    EXPECT_FALSE(cateno->entry->deponent());
    EXPECT_EQ(cateno->entry->entry(), QStringLiteral("cateno -āre - -ātus"));
    auto ere = run("x", "ĕre, 3");
    EXPECT_EQ(ere->entry->conjugation(), 3);
    EXPECT_EQ(ere->entry->type(), 2);
    EXPECT_EQ(ere->entry->entry(), QStringLiteral("x -ĕre - -"));
    auto capio = run("capio", "ĕre, cēpi");
    EXPECT_EQ(capio->entry->conjugation(), 5);
    EXPECT_EQ(capio->entry->entry(), QStringLiteral("capio -ĕre -cēpi -"));
    auto indecl = run("X", "indecl, a");
    EXPECT_EQ(indecl->entry->entry(), QStringLiteral("X (indecl)"));
    ASSERT_EQ(indecl->parser->orthoStack().size(), 1u);
    EXPECT_EQ(indecl->parser->orthoStack().front()->entry(), QStringLiteral("X -a"));
    EXPECT_TRUE(indecl->parser->orthoStack().front()->isAlternative());
    auto left = run("x", "zz, yy");
    EXPECT_EQ(left->parser->statistics().iTypesToAlert[1], 1);
}

TEST(LewisShortThreeComponents, FirstMatchingRuleDecides) {
    const MultiCase cases[] = {
        {1, "amo", "āvi, ātum, 1"}, {2, "x", "i, tum, l"}, {3, "x", "ātus, āre, 1"}, {4, "x", "āre, āvi, 1"},
        {5, "x", "āre, x, ātum"}, {6, "x", "tum, āre, 1"}, {7, "x", "i, tum, āre"}, {8, "x", "ātus sum, āri, 1"},
        {9, "x", "āri, ātus, 1"}, {10, "x", "ātus, āri, 1"}, {11, "x", "ui, ēre, 2"}, {12, "x", "x, y, 2"},
        {13, "x", "i, um, ēre"}, {14, "x", "ui, itum, 3"}, {15, "x", "ĭī, x, ĭtum"},
        {16, "x", "ĭvi or ii, ītum, īre"}, {17, "x", "x, y, 4"}, {18, "x", "bui, rarely psi, ptum"},
        {19, "x", "tŭli, lātum, ferre"}, {20, "x", "i, no sup, 1"}, {21, "x", "i, um, 5"}, {22, "x", "i, um, ĕre"},
        {23, "x", "i, tum, ăre"}, {24, "x", "i, tum, īre"}, {25, "x", "fui, esse, fŭtūrum"},
        {26, "x", "no perf. nor sup, āre, 1"}, {27, "x", "us, i, 6"}, {28, "amo", "no perf, ātum, 1"},
        {29, "x", "zz, yy, xx"},
    };
    checkRules(cases, 3);
}

TEST(LewisShortThreeComponents, ExpectedLines) {
    Fixture amo(QStringLiteral("amo"));
    amo.parser->parseIType(QStringLiteral("āvi, ātum, 1 \u2014 rare"));
    EXPECT_EQ(amo.entry->entry(), QStringLiteral("amo -āre -āvi -ātum"));
    EXPECT_EQ(amo.entry->conjugation(), 1);
    ASSERT_FALSE(childrenOfType(amo.entry, 20).empty());
    EXPECT_TRUE(childrenOfType(amo.entry, 20).back()->entry().contains(QStringLiteral("rare")));

    Fixture third(QStringLiteral("colo"));
    third.parser->parseIType(QStringLiteral("ui, itum, 3"));
    EXPECT_EQ(third.entry->entry(), QStringLiteral("colo -ere -ui -itum"));
    EXPECT_FALSE(third.logged(QStringLiteral("IS THIS")));

    Fixture fio(QStringLiteral("fio"));
    fio.parser->parseIType(QStringLiteral("factus, sum, 3"));
    EXPECT_EQ(fio.entry->conjugation(), 11);

    Fixture noPerf(QStringLiteral("amo"));
    noPerf.parser->parseIType(QStringLiteral("no perf, ātum, 1"));
    EXPECT_EQ(noPerf.entry->type(), 2);
    EXPECT_EQ(noPerf.entry->conjugation(), 1);
    EXPECT_EQ(noPerf.entry->entry(), QStringLiteral("amo -āre -* -ātum"));

    Fixture left(QStringLiteral("x"));
    left.parser->parseIType(QStringLiteral("zz, yy, xx"));
    EXPECT_TRUE(left.logged(QStringLiteral("x itype not handled zz  yy  xx")));
    EXPECT_EQ(left.parser->statistics().iTypesToAlert[2], 1);
}

TEST(LewisShortFourComponents, FirstMatchingRuleDecides) {
    const MultiCase cases[] = {
        {1, "x", "īvi, x, ītum, 4"}, {2, "x", "i, um, um, 3"}, {3, "x", "i, um, re, 2"}, {4, "x", "i, i, um, 4"},
        {5, "x", "i, um, re, 4"}, {6, "x", "um, īre, ii, 7"}, {7, "amo", "āvi, ātum, āre, 1"},
        {8, "x", "āre, āvi, ātum, 1"}, {9, "x", "no perf, 1, ātum, āre"}, {10, "x", "no perf, um, re, 3"},
        {11, "x", "āvi, no sup, āre, 1"}, {12, "x", "i, um, āre, 1"}, {13, "x", "re, i, um, 5"},
        {14, "x", "a, b, c, d"},
    };
    checkRules(cases, 4);
    Fixture amo(QStringLiteral("amo"));
    amo.parser->parseIType(QStringLiteral("āvi, ātum, āre, 1"));
    EXPECT_EQ(amo.entry->entry(), QStringLiteral("amo -āre -āvi -ātum"));
    Fixture left(QStringLiteral("x"));
    left.parser->parseIType(QStringLiteral("a, b, c, d"));
    EXPECT_TRUE(left.logged(QStringLiteral("4 component ITYpe not tested")));
}

TEST(LewisShortTables, SeveralComponentTables) {
    const QStringList two = dataLines("LewisShortITypes2.txt");
    QSet<QString> rules2;
    for (const QString& l : two)
        if (!l.startsWith(u"set\t")) rules2.insert(l.section(QLatin1Char('\t'), 0, 0));
    // Rule 72 reads no text; every other rule does.
    EXPECT_EQ(rules2.size(), 71);
    EXPECT_EQ(countPrefix(two, QStringLiteral("set\tnonDeponentSet\t")), 1);
    EXPECT_EQ(countPrefix(two, QStringLiteral("set\ttwoComponentAppendSet\t")), 2);
    const QStringList more = dataLines("LewisShortITypes34.txt");
    QSet<QString> three, four;
    for (const QString& l : more) {
        const QString rule = l.section(QLatin1Char('\t'), 0, 0);
        if (rule.startsWith(u"3:") && !rule.contains(u'.')) three.insert(rule);
        if (rule.startsWith(u"4:")) four.insert(rule);
    }
    EXPECT_EQ(three.size(), 29);
    EXPECT_EQ(four.size(), 14);
    EXPECT_TRUE(more.contains(QStringLiteral("set\tdash\t\u2014")));
    EXPECT_TRUE(two.contains(QStringLiteral("56\ttest\tf\u016di")));
}

}  // namespace

namespace {

// A correction that collects the text again cannot keep the pass running:
// the pass reads what was collected when it began.
class RecollectingParser : public NBSourceLSParser {
public:
    int calls = 0;
    void checkForChange(const QString& label, const QString& text) override {
        ++calls;
        iTypesArray() << text << text;
        NBSourceLSParser::checkForChange(label, text);
    }
};

TEST(LewisShortSlots, ThePassIsBoundedByWhatWasCollected) {
    Fixture f(QStringLiteral("x"));
    auto parser = std::make_shared<RecollectingParser>();
    parser->setDeveloperSink(std::make_shared<DeveloperSink>());
    parser->discardLogs();
    parser->setCurEntry(f.entry);
    parser->iTypesArray() << QStringLiteral("zzz") << QStringLiteral("yyy");
    parser->parseITypes();
    EXPECT_TRUE(parser->iTypesArray().isEmpty());
    // The texts wait for the entry's end, and are asked about once each.
    parser->retryPendingITypes();
    EXPECT_EQ(parser->calls, 2);
}

}  // namespace

// ---- Verbs stay verbs ----

namespace {
QString lsEntry(const QString& key, const QString& head, const QString& senses = QString()) {
    return QStringLiteral("<entryFree id=\"n%1\" type=\"main\" key=\"%2\">%3<sense id=\"n1.0\" n=\"I\" level=\"1\">"
                          "<hi rend=\"ital\">to do</hi>%4</sense></entryFree>")
        .arg(qHash(key) % 100000)
        .arg(key, head, senses);
}
QString orth(const char* text) { return QStringLiteral("<orth extent=\"full\" lang=\"la\">%1</orth>").arg(QString::fromUtf8(text)); }
// An entry from its head line as printed, the words before the first comma
// being the headword.
QString lsHeadLine(const char* key, const char* line) {
    const QString head = QString::fromUtf8(line);
    const qsizetype comma = head.indexOf(u',');
    return lsEntry(QString::fromUtf8(key), QStringLiteral("<orth extent=\"full\" lang=\"la\">%1</orth>%2")
                                               .arg(head.left(comma), head.mid(comma)));
}
}  // namespace

TEST(LewisShortVerbs, VerbumNeutrumIsAnIntransitiveVerbNotANeuterNoun) {
    struct Row {
        const char* key;
        QString head;
        QString senses;
        int transitivity;
    } rows[] = {
        // "v. a. and n.": the "n." is tagged as a gender in the source.
        {"tendo", orth("tendo") + QString::fromUtf8(", <itype>tĕtendi, tentum, 3</itype>, <pos>v. a.</pos> and <gen>n.</gen> "), {}, 3},
        {"timeo", orth("tĭmĕo") + QString::fromUtf8(", <itype>ŭi, 2</itype>, <pos>v. a.</pos> and <gen>n.</gen> "), {}, 3},
        {"gesto", orth("gesto") + QString::fromUtf8(", <itype>āvi, ātum, 1</itype>, <pos>v. freq. a.</pos> and <gen>n.</gen> "), {}, 3},
        // A neuter noun derived further on does not make the verb a noun.
        {"opto", orth("opto") + QString::fromUtf8(", <itype>āvi, ātum, 1</itype>, <pos>v. a.</pos> "),
         QString::fromUtf8(".—<hi rend=\"ital\">Subst.</hi>: ") + orth("optātum") + QString::fromUtf8(", <itype>i</itype>, <gen>n.</gen>, <hi rend=\"ital\">a wish</hi>"), 1},
        // An inflection type read as a noun's does not outweigh "v. n.".
        {"recurro", orth("rĕ-curro") + QString::fromUtf8(", <itype>curri</itype>, <itype>3</itype>, <pos>v. n.</pos>, "), {}, 2},
        {"malefio", orth("mălĕfīo") + QString::fromUtf8(" or ") + orth("mălfīo") + QString::fromUtf8(", <itype>fĭĕri</itype>, <pos>v. n.</pos> "), {}, 2},
        {"nancio", orth("nancĭo") + QString::fromUtf8(", <itype>īre</itype>, <pos>v. a.</pos>, and ") + orth("nancĭor") + QString::fromUtf8(", <itype>īri</itype>, "), {}, 1},
        {"hortor", orth("hortor") + QString::fromUtf8(", <itype>ātus, 1</itype>, <pos>v. dep. a.</pos> "), {}, 1},
    };
    for (const Row& r : rows) {
        const Converted c = convertText(lsEntry(QString::fromUtf8(r.key), r.head, r.senses));
        ASSERT_GE(c.entries.size(), 1u) << r.key;
        const auto e = c.entry();
        EXPECT_EQ(e->type(), 2) << r.key << " " << e->entry();
        EXPECT_EQ(e->gender(), 0) << r.key;
        EXPECT_EQ(e->transIntrans(), r.transitivity) << r.key;
    }
    // A noun's genitive and gender still make a neuter noun.
    const Converted c = convertText(lsEntry(QStringLiteral("donum"), orth("dōnum") + QStringLiteral(", <itype>i</itype>, <gen>n.</gen> ")));
    EXPECT_EQ(c.entry()->type(), 1);
    EXPECT_EQ(c.entry()->gender(), 3);
}

TEST(LewisShortVerbs, PartsGivenWholeAreNotGluedToTheStem) {
    struct Row {
        const char* key;
        const char* head;
        const char* line;
    } rows[] = {
        {"tango", "tango, <itype>tĕtĭgi, tactum, 3</itype>, <pos>v. a.</pos>", "tango -ere tĕtĭgi tactum"},
        {"cresco", "cresco, <itype>crēvi, crētum, 3</itype>, <pos>v. n.</pos>", "cresco -ere crēvi crētum"},
        {"defendo", "dē-fendo, <itype>fendi, fensum, 3</itype>, <pos>v. a.</pos>", "dēfendo -ere dēfendi dēfensum"},
        {"resisto", "rĕ-sisto, <itype>stĭti, 3</itype>, <pos>v. n.</pos>", "rĕsisto -ere rĕstĭti -"},
        {"amo", "amo, <itype>āvi, ātum, 1</itype>, <pos>v. a.</pos>", "amo -āre -āvi -ātum"},
    };
    for (const Row& r : rows) {
        const Converted c = convertText(lsHeadLine(r.key, r.head));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.key;
        EXPECT_EQ(c.entry()->type(), 2) << r.key;
    }
    // The rule itself: whole parts, parts restating a compound's simple verb,
    // an inchoative's root, and true endings.
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("cōnsuēscō"), QString::fromUtf8("suēvī")), QString::fromUtf8("cōnsuēvī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("dēfendō"), QString::fromUtf8("fēnsus")), QString::fromUtf8("dēfēnsus"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("resistō"), QString::fromUtf8("stitī")), QString::fromUtf8("restitī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("tabēscō"), QString::fromUtf8("buī")), QString::fromUtf8("tabuī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("capiō"), QString::fromUtf8("cēpī")), QString::fromUtf8("cēpī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("dēdūcō"), QString::fromUtf8("dūxī")), QString::fromUtf8("dēdūxī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("prōpōnō"), QString::fromUtf8("posuī")), QString::fromUtf8("prōposuī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("dēdō"), QString::fromUtf8("didī")), QString::fromUtf8("dēdidī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("transferō"), QString::fromUtf8("tulī")), QString::fromUtf8("transtulī"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("offerō"), QString::fromUtf8("obtulī")), QString::fromUtf8("obtulī"));
    EXPECT_TRUE(latinsource::wholePrincipalPart(QString::fromUtf8("mātĕrĭo"), QString::fromUtf8("ātum")).isNull());
    // Lengths the headword marks go to a part that marks none, when asked.
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("vīvo"), QStringLiteral("vixi"), true), QString::fromUtf8("vīxi"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("vīvo"), QStringLiteral("vixi")), QStringLiteral("vixi"));
    EXPECT_EQ(latinsource::wholePrincipalPart(QString::fromUtf8("prōpōno"), QString::fromUtf8("pŏsŭi"), true), QString::fromUtf8("prōpŏsŭi"));
    for (const char* ending : {"āvī", "ātus", "ere", "īre", "uī", "sī", "ītum", "ārī"})
        EXPECT_TRUE(latinsource::wholePrincipalPart(QString::fromUtf8("audiō"), QString::fromUtf8(ending)).isNull()) << ending;
    EXPECT_TRUE(latinsource::wholePrincipalPart(QString::fromUtf8("persuādeō"), QString::fromUtf8("sus")).isNull());
    EXPECT_TRUE(latinsource::wholePrincipalPart(QString::fromUtf8("amō"), QString::fromUtf8("ātum")).isNull());
}

// A part that opens like a compound's first letters only by chance restates
// its simple verb after the compound's first member (re-cor-rēxi,
// fābrē-fēci), and a verb in -ĭo with an infinitive in -ere is of the mixed
// conjugation (fābrēfăcĭo as făcĭo).
TEST(LewisShortVerbs, CompoundPartsStandAfterTheFirstMember) {
    struct Row {
        const char* key;
        const char* head;
        const char* line;
        int conjugation;
    } rows[] = {
        {"recorrigo", "rĕcorrĭgo, <itype>rexi, rectum, 3</itype>, <pos>v. a.</pos>", "rĕcorrĭgo -ere rĕcorrexi rĕcorrectum", 3},
        {"fabrefacio", "fābrēfăcĭo, <itype>fēci, fāctum, 3</itype>, <pos>v. a.</pos>", "fābrēfăcĭo -ere fābrēfēci fābrēfāctum", 5},
        {"ludifacio", "lūdĭfăcĭo, <itype>fēci, factum, 3</itype>, <pos>v. a.</pos>", "lūdĭfăcĭo -ere lūdĭfēci lūdĭfactum", 5},
        {"edo", "ĕdo, <itype>ēdi, ēsum, 3</itype>, <pos>v. a.</pos>", "ĕdo -ere ēdi -ēsum", 3},
        {"facio", "făcĭo, <itype>fēci, factum, 3</itype>, <pos>v. a.</pos>", "făcĭo -ere fēci factum", 5},
    };
    for (const Row& r : rows) {
        const Converted c = convertText(lsHeadLine(r.key, r.head));
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.key;
        EXPECT_EQ(c.entry()->conjugation(), r.conjugation) << r.key;
    }
    const auto whole = [](const char* headword, const char* part) {
        return latinsource::wholePrincipalPart(QString::fromUtf8(headword), QString::fromUtf8(part));
    };
    EXPECT_EQ(whole("accipiō", "cēpī"), QString::fromUtf8("accēpī"));
    EXPECT_EQ(whole("accipiō", "captus"), QString::fromUtf8("acceptus"));
    EXPECT_EQ(whole("perpetior", "passus"), QString::fromUtf8("perpessus"));
    EXPECT_EQ(whole("attingō", "tāctus"), QString::fromUtf8("attāctus"));
    EXPECT_EQ(whole("dīligō", "lēxī"), QString::fromUtf8("dīlēxī"));
    // Given with the compound's own first letters, a part stays as it is.
    EXPECT_EQ(whole("recorrigō", "recorrēxī"), QString::fromUtf8("recorrēxī"));
    EXPECT_EQ(whole("dēdō", "dēdidī"), QString::fromUtf8("dēdidī"));
    EXPECT_EQ(whole("trādō", "trādidī"), QString::fromUtf8("trādidī"));
    EXPECT_EQ(whole("crēscō", "crēvī"), QString::fromUtf8("crēvī"));
    EXPECT_EQ(whole("colligō", "collēgī"), QString::fromUtf8("collēgī"));
}

// The compounds of iaciō as Lewis and Short writes them: the headword drops
// the simple verb's j (ēĭcĭo is ē + jacio) while the parts keep it (jēci,
// jectum). The parts stand after the prefix, with i as the headword writes
// it; a headword that writes j keeps the j.
TEST(LewisShortVerbs, CompoundsOfIacioTakeTheSimpleVerbsPartsAfterThePrefix) {
    struct Row {
        const char* key;
        QString head;
        const char* line;
    } rows[] = {
        {"e_i^ci^o", orth("ē-ĭcĭo") + QStringLiteral(" (or ") + orth("ejicio") + QString::fromUtf8("), <itype>jēci, jectum, 3</itype> (eicit, dissyl.), <pos>v. a.</pos>"),
         "ēĭcĭo -ere ēiēci ēiectum"},
        {"re_i^ci^o", orth("rē-ĭcĭo") + QString::fromUtf8(" (better than ") + orth("rē-jĭcĭo") + QString::fromUtf8("), <itype>rejēci, jectum, 3</itype>, <pos>v. a.</pos>"),
         "rēĭcĭo -ere reiēci rēiectum"},
        {"con^i^ci^o", orth("cōn-ĭcĭo") + QString::fromUtf8(", <itype>jēci, jectum, 3</itype>, <pos>v. a.</pos>"),
         "cōnĭcĭo -ere cōniēci cōniectum"},
        {"tra_i^ci^o", orth("trāĭcĭo") + QString::fromUtf8(" and ") + orth("transĭcĭo") + QString::fromUtf8(", <itype>jēci, jectum, 3</itype>, <pos>v. a.</pos> and <gen>n.</gen>"),
         "trāĭcĭo -ere trāiēci trāiectum"},
        {"abji^ci^o", orth("abjĭcĭo") + QString::fromUtf8(", <itype>jēci, jectum, 3</itype>, <pos>v. a.</pos>"),
         "abjĭcĭo -ere abjēci abjectum"},
    };
    for (const Row& r : rows) {
        const Converted c = convertText(lsEntry(QString::fromUtf8(r.key), r.head));
        ASSERT_GE(c.entries.size(), 1u) << r.key;
        EXPECT_EQ(c.entry()->entry(), QString::fromUtf8(r.line)) << r.key;
        EXPECT_EQ(c.entry()->type(), 2) << r.key;
        EXPECT_EQ(c.entry()->conjugation(), 5) << r.key;
    }
    const auto whole = [](const char* headword, const char* part) {
        return latinsource::wholePrincipalPart(QString::fromUtf8(headword), QString::fromUtf8(part));
    };
    EXPECT_EQ(whole("dēiciō", "jectus"), QString::fromUtf8("dēiectus"));
    EXPECT_EQ(whole("subiciō", "jēcī"), QString::fromUtf8("subiēcī"));
    // The j of other simple verbs is the headword's i as well.
    EXPECT_EQ(whole("adiuvō", "jūvī"), QString::fromUtf8("adiūvī"));
    // A part written with i stands as it does (the elementary sources).
    EXPECT_EQ(whole("ēiciō", "ēiēcī"), QString::fromUtf8("ēiēcī"));
}
