#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/Word.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

namespace {

WordPtr word(const QString& latin, qint64 type = 0, qint64 gender = 0, qint64 conj = 0) {
    auto w = std::make_shared<Word>();
    w->setLatin(latin);
    w->setWordType(type);
    w->setGender(gender);
    w->setConjugation(conj);
    return w;
}

}  // namespace

TEST(Word, NewWordsStartUninitialised) {
    Word w;
    EXPECT_FALSE(w.isInitialised());
    EXPECT_EQ(w.meaning(), QStringLiteral("uninitialised"));
    EXPECT_EQ(w.notes(), QStringLiteral(""));
    EXPECT_FALSE(w.notes().isNull());
    EXPECT_EQ(w.source(), QStringLiteral(""));
    EXPECT_TRUE(w.latin().isNull());
    EXPECT_EQ(w.getWordType(), 0);
    w.setMeaning(QStringLiteral("love"));
    EXPECT_TRUE(w.isInitialised());

    EXPECT_EQ(Verb().getWordType(), WordCode::Verb);
    EXPECT_EQ(Adjective().getWordType(), WordCode::Adjective);
}

TEST(Word, SetterChecks) {
    CaptureLogger::Scope capture;
    Word w;
    w.setWordType(110);
    EXPECT_EQ(capture->count(), 0);
    w.setWordType(111);
    EXPECT_TRUE(capture->contains(QStringLiteral("Bad word type")));
    EXPECT_EQ(w.getWordType(), 111);
    w.setWordType(-4);
    EXPECT_EQ(w.getWordType(), 0);
    w.setGender(-1);
    w.setConjugation(-2);
    w.setTakenCase(-3);
    EXPECT_EQ(w.gender(), 0);
    EXPECT_EQ(w.conjugation(), 0);
    EXPECT_EQ(w.getTakenCase(), 0);
    w.setFormality(-5);
    EXPECT_EQ(w.getFormality(), -5);
}

TEST(Word, ConvertToStandardLatinString) {
    const std::pair<const char*, const char*> rows[] = {
        {"Gallia, -ae", "Gallia -ae"}, {"Roma, -ae", "Roma -ae"}, {"bellum, -i", "bellum -i"},
        {"amo, amare,  amavi", "amo amare amavi"}, {"ROMA ROMAE", "Roma Romae"}, {"Āmō ĀMĀRE", "Āmō Āmāre"}};
    for (const auto& [in, out] : rows)
        EXPECT_EQ(Word::convertToStandardLatinString(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    EXPECT_EQ(Word::convertToStandardLatinString(QStringLiteral(" , ")), QStringLiteral(""));
    EXPECT_FALSE(Word::convertToStandardLatinString(QStringLiteral(" , ")).isNull());
    EXPECT_TRUE(Word::convertToStandardLatinString(QString()).isNull());
    EXPECT_TRUE(Word::convertToStandardLatinString(QStringLiteral("")).isNull());
}

TEST(Word, GuessWordTypeAndDeclension) {
    const std::pair<const char*, qint64> types[] = {
        {"puella puellae", 1}, {"bonus bona bonum", 3}, {"amo amare amavi amatum", 2}, {"fortis forte", 3},
        {"rex regis", 0}, {"manus manūs", 1}, {"servus servī", 1}, {"hortor hortari hortatus sum", 2},
        {"rego regere rexi rectum", 2}, {"amo", 0}, {"amo a", 0}, {"", 0}, {", ;", 0}};
    for (const auto& [text, type] : types) EXPECT_EQ(Word::guessWordType(QString::fromUtf8(text)), type) << text;
    EXPECT_EQ(Word::guessWordType(QString()), 0);
    const std::pair<const char*, qint64> declensions[] = {
        {"dies diei", 5}, {"res reī", 5}, {"servus servi", 2}, {"manus manūs", 4}, {"rex regis", 3},
        {"puella, -ae", 1}, {"amo amare amavi amatum", 0}, {"nomen nominis n", 3}, {"puella", 0}, {"x y", 0}};
    for (const auto& [text, decl] : declensions) EXPECT_EQ(Word::guessDeclension(QString::fromUtf8(text)), decl) << text;
    EXPECT_EQ(Word::guessDeclension(QString()), 0);
}

TEST(Word, DisplayStrings) {
    auto w = word(QStringLiteral("puella -ae"), 1, 2, 1);
    w->setMeaning(QStringLiteral("girl"));
    EXPECT_EQ(w->getGenderAsString(), QStringLiteral(" feminine"));
    EXPECT_EQ(w->getCaseAsString(), QStringLiteral(""));
    EXPECT_EQ(w->getToolTipString(), QStringLiteral("puella -ae feminine 1\rgirl"));
    EXPECT_EQ(w->getFullLatinString(), QStringLiteral("puella -ae feminine"));
    w->setNotes(QStringLiteral("poetic"));
    EXPECT_EQ(w->getFullLatinString(), QStringLiteral("puella -ae feminine poetic"));
    EXPECT_EQ(w->getFullEnglishString(), QStringLiteral("girl feminine poetic"));

    auto prep = word(QStringLiteral("cum"), 6);
    prep->setTakenCase(6);
    prep->setMeaning(QStringLiteral("with"));
    EXPECT_EQ(prep->getGenderAsString(), QStringLiteral(" "));
    EXPECT_EQ(prep->getToolTipString(), QStringLiteral("cum +abl \rwith"));  // conj 0: no number
    prep->setGender(5);
    EXPECT_EQ(prep->getGenderAsString(), QStringLiteral(" "));

    Word empty;
    EXPECT_TRUE(empty.getToolTipString().isNull());
    EXPECT_TRUE(empty.getFullLatinString().isNull());
    EXPECT_EQ(empty.getStrippedExampleLatinString(), QStringLiteral(""));
    EXPECT_EQ(w->getExampleLatinString(42), QStringLiteral("puella -ae"));
}

TEST(Word, CompareModes) {
    auto a = word(QStringLiteral("amo"), 2);
    auto b = word(QStringLiteral("bellum"), 1);
    a->setMeaning(QStringLiteral("love"));
    b->setMeaning(QStringLiteral("war"));
    EXPECT_EQ(a->compare(*b, 0), -1);
    EXPECT_EQ(b->compare(*a, 0), 1);
    EXPECT_EQ(a->compare(*b, 1), -1);
    EXPECT_EQ(a->compare(*b, 2), 1);  // noun before verb
    a->setSource(QStringLiteral("Caesar"));
    b->setSource(QStringLiteral("Caesar"));
    EXPECT_EQ(a->compare(*b, 3), 1);  // equal source: by type, then Latin
    b->setWordType(2);
    EXPECT_EQ(a->compare(*b, 3), -1);
    b->setSource(QStringLiteral("Cicero"));
    EXPECT_EQ(b->compare(*a, 3), 1);
    EXPECT_EQ(a->compare(*a, 0), 0);

    CaptureLogger::Scope capture;
    EXPECT_EQ(a->compare(*b, 7), 0);
    EXPECT_TRUE(capture->contains(QStringLiteral("bad case constant at compare")));
}

TEST(Word, PrincipalParts) {
    auto w = word(QStringLiteral("amo -are -avi -atum"), 2, 0, 1);
    EXPECT_EQ(w->getWordPart(1), QStringLiteral("amo"));
    EXPECT_EQ(w->getWordPart(4), QStringLiteral("-atum"));
    EXPECT_TRUE(w->getWordPart(5).isNull());
    EXPECT_TRUE(w->getWordPart(0).isNull());
    EXPECT_EQ(w->nominativeCase(), QStringLiteral("amo"));

    bool hyphen = true;
    EXPECT_EQ(w->getNthPart(1, &hyphen), QStringLiteral("amo"));
    EXPECT_FALSE(hyphen);
    EXPECT_EQ(w->getNthPart(3, &hyphen), QStringLiteral("avi"));
    EXPECT_TRUE(hyphen);
    hyphen = false;
    EXPECT_TRUE(w->getNthPart(9, &hyphen).isNull());
    EXPECT_FALSE(hyphen);  // left as it was

    auto lines = word(QStringLiteral("amo\namare\tamavi"));
    EXPECT_EQ(lines->getNthPart(3, nullptr), QStringLiteral("amavi"));
    EXPECT_TRUE(Word().nominativeCase().isNull());
}

TEST(Word, FirstWordInLine) {
    EXPECT_EQ(Word::stripDots(QStringLiteral("a.b.c.")), QStringLiteral("abc"));
    EXPECT_EQ(Word::getFirstWordInLine(QStringLiteral("  amātus sum")), QStringLiteral("amātus"));
    EXPECT_EQ(Word::getFirstWordInLine(QStringLiteral("\n\tī / īte")), QStringLiteral("ī"));
    EXPECT_EQ(Word::getFirstWordInLine(QStringLiteral("etc.")), QStringLiteral("etc"));
    EXPECT_TRUE(Word::getFirstWordInLine(QStringLiteral(" . ")).isNull());
    EXPECT_TRUE(Word::getFirstWordInLine(QString()).isNull());
}

// A hyphen inside a word goes, also after a letter written with a
// combining mark; one that opens a shortened part or stands for a left-out
// part stays, as the grammar engine reads those.
TEST(Word, HyphensInsideWordsLeaveFormText) {
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"expergē-făcĭo -ere expergē-fēci", "expergēfăcĭo -ere expergēfēci"},
        {"re\u0304\u0306-ficio -ere", "re\u0304\u0306ficio -ere"},
        {"frīgĭdĕ-facto -āre - -", "frīgĭdĕfacto -āre - -"},
        {"-que", "-que"},
        {"quantus- cumque a-1", "quantus- cumque a-1"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LatinText::withoutWordHyphens(QString::fromUtf8(row.text)), QString::fromUtf8(row.expected)) << row.text;
}

TEST(Word, CharacterSets) {
    const LatinCharacterSet& letters = Word::getLetterCharacterSet();
    const LatinCharacterSet& separators = Word::getWhiteSpaceCharacterSet();
    EXPECT_EQ(&letters, &Word::getLetterCharacterSet());
    for (char32_t c : {U'a', U'Z', U'ā', U'-', U'/', U'\u0304'}) {
        EXPECT_TRUE(letters.contains(c));
        EXPECT_FALSE(separators.contains(c));
    }
    for (char32_t c : {U' ', U',', U'1', U'.', U'\n'}) {
        EXPECT_FALSE(letters.contains(c));
        EXPECT_TRUE(separators.contains(c));
    }
}

TEST(Word, CopyKeepsClassAndFields) {
    auto v = std::make_shared<Verb>();
    v->setLatin(QStringLiteral("amo amare amavi amatum"));
    v->setConjugation(1);
    v->setMarked(true);
    v->setIrregData(QStringLiteral("none"));
    v->setTransIntrans(3);
    const auto copy = std::dynamic_pointer_cast<Verb>(v->copy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), v.get());
    EXPECT_EQ(copy->latin(), v->latin());
    EXPECT_EQ(copy->conjugation(), 1);
    EXPECT_TRUE(copy->marked());
    EXPECT_EQ(copy->irregData(), QStringLiteral("none"));
    EXPECT_EQ(copy->transIntrans(), 3);
    EXPECT_TRUE(std::dynamic_pointer_cast<Adjective>(Adjective().copy()));
}

// The all-forms operations work the stems out once per word; they must give
// what the single-form operations give.
TEST(Word, AllFormsAgreeWithSingleForms) {
    for (const char* latin : {"puella puellae", "corpus -oris", "urbs urbis", "diēs diēī", "puer pueri"}) {
        for (qint64 decl = 1; decl <= 5; ++decl) {
            auto w = word(QString::fromUtf8(latin), 1, 3, decl);
            QStringList bulk, single;
            Word::addNounForms(bulk, *w);
            for (const bool singular : {true, false})
                for (qint64 c = 1; c <= 6; ++c) {
                    const QString f = w->getDeclinedValue(c, singular, 5, false);
                    if (!f.isEmpty()) single.append(f);
                }
            EXPECT_EQ(bulk, single) << latin;
        }
    }
    for (const char* latin : {"amō amāre amāvī amātum", "hortor hortārī hortātus sum", "audeō audēre ausus sum",
                              "capiō capere cēpī captum", "amo amare"}) {
        for (qint64 code = 1; code <= 5; ++code) {
            Verb v;
            v.setLatin(QString::fromUtf8(latin));
            v.setConjugation(code);
            QStringList bulk, single;
            Verb::addVerbForms(bulk, v);
            for (qint64 tense = 1; tense <= 6; ++tense)
                for (const bool active : {false, true})
                    for (const bool indicative : {false, true})
                        for (const bool singular : {false, true})
                            for (qint64 person = 1; person <= 3; ++person) {
                                const QString f = v.getConjugatedValue(person, singular, indicative, active, tense, false);
                                if (!f.isEmpty()) single.append(Word::getFirstWordInLine(f));
                            }
            EXPECT_EQ(bulk, single) << latin;
        }
    }
    for (const char* latin : {"bonus bona bonum", "ācer ācris ācre", "fortis -is -e", "vetus veteris",
                              "bonus bona bonum melior melior melius optimus optima optimum"}) {
        for (qint64 group = 1; group <= 3; ++group) {
            Adjective a;
            a.setLatin(QString::fromUtf8(latin));
            a.setConjugation(group);
            QStringList bulk, single;
            Adjective::addAdjectiveForms(bulk, a);
            for (qint64 c = 1; c <= 6; ++c)
                for (qint64 g = 1; g <= 3; ++g)
                    for (const bool singular : {false, true})
                        for (qint64 d = 0; d < 3; ++d) {
                            const QString f = a.getDeclinedValue(c, singular, g, d, false);
                            if (!f.isEmpty()) single.append(Word::getFirstWordInLine(f));
                        }
            EXPECT_EQ(bulk, single) << latin;
        }
    }
}
