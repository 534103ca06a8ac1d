// Paradigms made from the principal parts the real analyser gives, as the
// dictionary window hands them to the paradigm windows, against the forms a
// Latin grammar prints (long vowels marked), and the same adjectives typed
// with their positive only.

#include "dictionaries/DictionaryControllerParser.h"
#include "morphology/Adjective.h"
#include "morphology/Comparisons.h"
#include "morphology/Verb.h"
#include "morphology/VowelLength.h"
#include "morphology/WordController.h"
#include "support/CaptureLogger.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The analyser's answer to the words, given on its command line.
QString analyse(const QStringList& words) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("whitakers-words"));
    if (program.isEmpty()) return QString();
    QTemporaryDir dir;
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(program, words);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The word a headword of the answer makes, as the dictionary window makes it:
// its text, its class by its type, its conjugation or declension and gender.
WordPtr wordFrom(const DictionaryEntryList& roots, const QString& headwordStart, int type) {
    for (const auto& root : roots)
        for (const auto& e : root->childList())
            if (e->type() == type && e->entry().startsWith(headwordStart)) {
                auto blank = std::make_shared<Word>();
                blank->setLatin(e->entry());
                WordPtr word = WordController::retypedCopy(e->type(), blank);
                word->setConjugation(e->conjugation());
                word->setGender(e->gender());
                return word;
            }
    return nullptr;
}

// Six persons of one tense, mood and voice, joined by ", ".
QString tense(const Word& verb, bool indicative, bool active, qint64 t) {
    QStringList forms;
    for (const bool singular : {true, false})
        for (qint64 person = 1; person <= 3; ++person)
            forms << verb.getConjugatedValue(person, singular, indicative, active, t, false);
    return forms.join(QStringLiteral(", "));
}

// Nominative and genitive singular of the three genders in one degree.
QString degree(const Adjective& a, qint64 comparison) {
    QStringList forms;
    for (qint64 gender = 1; gender <= 3; ++gender)
        forms << a.getDeclinedValue(1, true, gender, comparison, false) + QLatin1Char('/') +
                     a.getDeclinedValue(4, true, gender, comparison, false);
    return forms.join(QStringLiteral(", "));
}

constexpr bool Ind = true, Subj = false, Act = true, Pass = false;

struct VerbCase {
    const char* headword;  // the start of the analyser's headword
    qint64 conjugation;    // what the parser makes of it
    struct Row { bool indicative, active; qint64 tense; const char* forms; };
    std::vector<Row> rows;
    std::vector<std::pair<int, const char*>> parts;  // getVerbPart index, form
};

const std::vector<VerbCase>& verbCases() {
    static const std::vector<VerbCase> cases = {
        {"amo amare amavi amatus", 1,
         {{Ind, Act, 1, "amō, amās, amat, amāmus, amātis, amant"},
          {Ind, Act, 4, "amāvī, amāvistī, amāvit, amāvimus, amāvistis, amāvērunt"},
          {Ind, Act, 6, "amāveram, amāverās, amāverat, amāverāmus, amāverātis, amāverant"},
          {Subj, Act, 3, "amārem, amārēs, amāret, amārēmus, amārētis, amārent"},
          {Subj, Act, 6, "amāvissem, amāvissēs, amāvisset, amāvissēmus, amāvissētis, amāvissent"},
          {Ind, Pass, 1, "amor, amāris, amātur, amāmur, amāminī, amantur"},
          {Ind, Pass, 4, "amātus sum, amātus es, amātus est, amātī sumus, amātī estis, amātī sunt"},
          {Subj, Pass, 3, "amārer, amārēris, amārētur, amārēmur, amārēminī, amārentur"}},
         {{0, "amātūrus esse"}, {1, "amāvisse"}, {2, "amārī"}, {3, "amātum īrī"}, {4, "amātus esse"},
          {5, "amāns"}, {6, "amātūrus"}, {7, "amātus"}, {8, "amandum"}, {9, "amandus"}}},
        {"moneo monere monui monitus", 2,
         {{Ind, Act, 1, "moneō, monēs, monet, monēmus, monētis, monent"},
          {Ind, Act, 4, "monuī, monuistī, monuit, monuimus, monuistis, monuērunt"},
          {Subj, Act, 3, "monērem, monērēs, monēret, monērēmus, monērētis, monērent"},
          {Ind, Pass, 4, "monitus sum, monitus es, monitus est, monitī sumus, monitī estis, monitī sunt"}},
         {{0, "monitūrus esse"}, {1, "monuisse"}, {2, "monērī"}, {3, "monitum īrī"}, {4, "monitus esse"},
          {5, "monēns"}, {8, "monendum"}, {9, "monendus"}}},
        {"hortor hortari hortatus", 1,
         {{Ind, Act, 1, "hortor, hortāris, hortātur, hortāmur, hortāminī, hortantur"},
          {Ind, Act, 3, "hortābar, hortābāris, hortābātur, hortābāmur, hortābāminī, hortābantur"},
          {Ind, Act, 4, "hortātus sum, hortātus es, hortātus est, hortātī sumus, hortātī estis, hortātī sunt"},
          {Subj, Act, 3, "hortārer, hortārēris, hortārētur, hortārēmur, hortārēminī, hortārentur"}},
         {{0, "hortātūrus esse"}, {1, "hortātus esse"}, {2, "hortārī"}, {5, "hortāns"}, {6, "hortātūrus"},
          {7, "hortātus"}}},
        {"eo ire ivi", WordCode::Eo,
         {{Ind, Act, 1, "eō, īs, it, īmus, ītis, eunt"},
          {Ind, Act, 2, "ībō, ībis, ībit, ībimus, ībitis, ībunt"},
          {Ind, Act, 3, "ībam, ībās, ībat, ībāmus, ībātis, ībant"},
          {Ind, Act, 4, "īvī, īvistī, īvit, īvimus, īvistis, īvērunt"},
          {Ind, Act, 5, "īverō, īveris, īverit, īverimus, īveritis, īverint"},
          {Ind, Act, 6, "īveram, īverās, īverat, īverāmus, īverātis, īverant"},
          {Subj, Act, 1, "eam, eās, eat, eāmus, eātis, eant"},
          {Subj, Act, 3, "īrem, īrēs, īret, īrēmus, īrētis, īrent"},
          {Subj, Act, 4, "īverim, īverīs, īverit, īverīmus, īverītis, īverint"},
          {Subj, Act, 6, "īvissem, īvissēs, īvisset, īvissēmus, īvissētis, īvissent"}},
         {{0, "itūrus esse"}, {1, "īvisse"}, {5, "iēns"}, {8, "eundum"}}},
    };
    return cases;
}

struct AdjectiveCase {
    const char* lemma;
    const char* typed;  // the positive only, as a user types it
    qint64 declension;
    const char* comparative;  // nominative/genitive of m, f, n
    const char* superlative;
};

// The grammar's forms. multus has no masculine or feminine singular
// comparative: plūs is a neuter.
const AdjectiveCase kAdjectives[] = {
    {"bonus", "bonus bona bonum", 1, "melior/meliōris, melior/meliōris, melius/meliōris",
     "optimus/optimī, optima/optimae, optimum/optimī"},
    {"malus", "malus mala malum", 1, "peior/peiōris, peior/peiōris, peius/peiōris",
     "pessimus/pessimī, pessima/pessimae, pessimum/pessimī"},
    {"magnus", "magnus -a -um", 1, "maior/maiōris, maior/maiōris, maius/maiōris",
     "maximus/maximī, maxima/maximae, maximum/maximī"},
    {"parvus", "parvus parva parvum", 1, "minor/minōris, minor/minōris, minus/minōris",
     "minimus/minimī, minima/minimae, minimum/minimī"},
    {"multus", "multus multa multum", 1, "/, /, plūs/plūris", "plūrimus/plūrimī, plūrima/plūrimae, plūrimum/plūrimī"},
    {"acer", "acer acris acre", 3, "ācrior/ācriōris, ācrior/ācriōris, ācrius/ācriōris",
     "ācerrimus/ācerrimī, ācerrima/ācerrimae, ācerrimum/ācerrimī"},
    {"facilis", "facilis facile", 3, "facilior/faciliōris, facilior/faciliōris, facilius/faciliōris",
     "facillimus/facillimī, facillima/facillimae, facillimum/facillimī"},
};

// The analyser spells with j (maior as major) and writes no vowel lengths.
QString plain(const QString& grammar) {
    return foldLatinString(grammar).replace(QLatin1String("ai"), QLatin1String("aj")).replace(QLatin1String("ei"), QLatin1String("ej"));
}

}  // namespace

TEST(AnalyserParadigms, VerbsFromTheAnalysersPartsAsAGrammarPrintsThem) {
    const QString answer = analyse({QStringLiteral("amo"), QStringLiteral("moneo"), QStringLiteral("hortor"), QStringLiteral("eo")});
    if (answer.isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const DictionaryEntryList roots = DictionaryControllerParser::parseEnglishVocab(answer);
    for (const VerbCase& c : verbCases()) {
        SCOPED_TRACE(c.headword);
        WordPtr verb = wordFrom(roots, QString::fromUtf8(c.headword), DictionaryEntry::Verb);
        ASSERT_TRUE(verb) << "no headword " << c.headword;
        EXPECT_EQ(verb->conjugation(), c.conjugation);
        for (const auto& row : c.rows)
            EXPECT_EQ(tense(*verb, row.indicative, row.active, row.tense), QString::fromUtf8(row.forms))
                << (row.indicative ? "ind " : "subj ") << (row.active ? "act " : "pass ") << row.tense;
        for (const auto& [index, form] : c.parts)
            EXPECT_EQ(verb->getVerbPart(index), QString::fromUtf8(form)) << "part " << index;
    }
}

TEST(AnalyserParadigms, AdjectivesFromTheAnalyserAndTypedWithThePositiveOnly) {
    QStringList lemmas;
    for (const AdjectiveCase& c : kAdjectives) lemmas << QString::fromUtf8(c.lemma);
    const QString answer = analyse(lemmas);
    const DictionaryEntryList roots = DictionaryControllerParser::parseEnglishVocab(answer);
    for (const AdjectiveCase& c : kAdjectives) {
        SCOPED_TRACE(c.lemma);
        // Typed: the comparison comes from the table, with its vowel lengths.
        Adjective typed;
        typed.setLatin(QString::fromUtf8(c.typed));
        typed.setConjugation(c.declension);
        EXPECT_EQ(degree(typed, 1), QString::fromUtf8(c.comparative));
        EXPECT_EQ(degree(typed, 2), QString::fromUtf8(c.superlative));
        if (answer.isEmpty()) continue;
        // The analyser's headword lists the degrees it knows, unmarked; a
        // degree it writes as "-" comes from the table.
        WordPtr word = wordFrom(roots, QString::fromUtf8(c.lemma) + QLatin1Char(' '), DictionaryEntry::Adjective);
        ASSERT_TRUE(word) << "no headword for " << c.lemma;
        auto* adjective = dynamic_cast<Adjective*>(word.get());
        ASSERT_TRUE(adjective);
        EXPECT_EQ(plain(degree(*adjective, 1)), plain(QString::fromUtf8(c.comparative))) << word->latin().toStdString();
        EXPECT_EQ(plain(degree(*adjective, 2)), plain(QString::fromUtf8(c.superlative))) << word->latin().toStdString();
    }
}

TEST(AnalyserParadigms, TheComparisonTableReportsBadLinesAndKnowsDefectiveDegrees) {
    CaptureLogger::Scope capture;
    const ComparisonTable table = parseComparisonTable(
        QStringLiteral("# comment\nbonus\tmelior\toptimus\nmalus\tpeior\n=plūs\ta,b\tc\td\ngnārus\t\u2014\t\u2014\n"),
        QStringLiteral("Test.txt"));
    ASSERT_TRUE(table.find(QStringLiteral("bonus")));
    EXPECT_EQ(table.find(QStringLiteral("bŏnus"))->superlative, QStringLiteral("optimus"));
    EXPECT_FALSE(table.find(QStringLiteral("malus")));
    EXPECT_TRUE(capture->contains(QStringLiteral("Test.txt line 3")));
    EXPECT_TRUE(capture->contains(QStringLiteral("Test.txt line 4")));
    EXPECT_TRUE(table.declensions.isEmpty());
    ASSERT_TRUE(table.find(QStringLiteral("gnarus")));
    EXPECT_TRUE(table.find(QStringLiteral("gnarus"))->comparative.isEmpty());

    // The shipped table: every line read, the adjectives of the grammars there.
    const ComparisonTable& shipped = irregularComparisons();
    for (const char* lemma : {"bonus", "malus", "magnus", "parvus", "multus", "ācer", "facilis", "similis", "humilis",
                              "exterus", "superus", "īnferus", "posterus"})
        EXPECT_TRUE(shipped.find(QString::fromUtf8(lemma))) << lemma;
    EXPECT_EQ(shipped.find(QStringLiteral("superus"))->otherSuperlative, QStringLiteral("summus"));
    EXPECT_TRUE(shipped.declensions.contains(QStringLiteral("plūs")));
    // Without comparison: no comparative or superlative forms at all.
    Adjective mirus;
    mirus.setLatin(QStringLiteral("mirus mira mirum"));
    mirus.setConjugation(1);
    EXPECT_TRUE(mirus.getDeclinedValue(1, true, 1, 1, false).isEmpty());
    EXPECT_TRUE(mirus.getDeclinedValue(1, true, 1, 2, false).isEmpty());
    EXPECT_EQ(mirus.getDeclinedValue(1, true, 1, 0, false), QStringLiteral("mirus"));
}
