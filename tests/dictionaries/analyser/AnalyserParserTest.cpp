// Reading the analyser's answers: answers captured from the real program
// (after the controller's set-up script) and small made-up answers for the
// line rules the real ones do not show.

#include "dictionaries/DictionaryControllerParser.h"

#include <gtest/gtest.h>

#include <QFile>

using P = DictionaryControllerParser;

namespace {

QString fixture(const char* name) {
    QFile f(QStringLiteral(TS_ANALYSER_FIXTURES "/%1.txt").arg(QLatin1String(name)));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLatin1(f.readAll());
}

QStringList texts(const DictionaryEntryList& list) {
    QStringList out;
    for (const auto& e : list) out << e->entry();
    return out;
}

DictionaryEntryList childrenOfType(const DictionaryEntryPtr& e, int type) {
    DictionaryEntryList out;
    for (const auto& c : e->childList())
        if (c->type() == type) out.push_back(c);
    return out;
}

QString summary(const DictionaryEntryPtr& e) {
    const auto data = childrenOfType(e, DictionaryEntry::WordData);
    return data.empty() ? QString() : data.front()->entry();
}

QStringList meanings(const DictionaryEntryPtr& e) { return texts(childrenOfType(e, DictionaryEntry::Meaning)); }

}  // namespace

// ---- Latin to English, real answers ----

TEST(AnalyserParserLatin, AmoIsOneRootWithTheVerbFormAndMeanings) {
    const QString answer = fixture("amo");
    ASSERT_FALSE(answer.isEmpty());
    const auto roots = P::parseEnglishVocab(answer);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->type(), DictionaryEntry::Root);
    EXPECT_EQ(roots[0]->entry(), QStringLiteral("amo"));
    ASSERT_EQ(roots[0]->childCount(), 1);
    const auto verb = roots[0]->childAtIndex(0);
    EXPECT_EQ(verb->type(), DictionaryEntry::Verb);
    EXPECT_EQ(verb->entry(), QStringLiteral("amo amare amavi amatus"));
    EXPECT_EQ(verb->conjugation(), 1);
    EXPECT_EQ(verb->frequency(), 6);
    EXPECT_EQ(verb->getAge(), 0);
    EXPECT_EQ(summary(verb), QStringLiteral("1s pres ind act"));
    // Meaning lines are cut at "; "; the example line ("I ~") is no meaning.
    EXPECT_EQ(meanings(verb), (QStringList{QStringLiteral("love, like"), QStringLiteral("fall in love with"),
                                           QStringLiteral("be fond of"), QStringLiteral("have a tendency to")}));
}

TEST(AnalyserParserLatin, ArmaGroupsNounAndVerbUnderOneRoot) {
    const auto roots = P::parseEnglishVocab(fixture("arma"));
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->entry(), QStringLiteral("arma"));
    ASSERT_EQ(roots[0]->childCount(), 2);
    const auto noun = roots[0]->childAtIndex(0);
    const auto verb = roots[0]->childAtIndex(1);
    EXPECT_EQ(noun->entry(), QStringLiteral("armum armi"));
    EXPECT_EQ(noun->gender(), 3);
    EXPECT_EQ(noun->conjugation(), 2);  // the declension
    EXPECT_EQ(summary(noun), QStringLiteral("nom pl, voc pl, acc pl"));
    EXPECT_EQ(meanings(noun).first(), QStringLiteral("arms (pl.), weapons, armor, shield"));
    EXPECT_EQ(verb->entry(), QStringLiteral("armo armare armavi armatus"));
    EXPECT_EQ(verb->transIntrans(), 1);
    EXPECT_EQ(summary(verb), QStringLiteral("imp s act"));
    EXPECT_EQ(meanings(verb).last(), QStringLiteral("rig (ship)"));
}

TEST(AnalyserParserLatin, CapioIsFifthConjugationTransitive) {
    const auto roots = P::parseEnglishVocab(fixture("capio"));
    ASSERT_EQ(roots.size(), 1u);
    ASSERT_EQ(roots[0]->childCount(), 2);
    const auto verb = roots[0]->childAtIndex(0);
    EXPECT_EQ(verb->entry(), QStringLiteral("capio capere cepi captus"));
    EXPECT_EQ(verb->conjugation(), 5);
    EXPECT_EQ(verb->transIntrans(), 1);
    const auto noun = roots[0]->childAtIndex(1);
    EXPECT_EQ(noun->gender(), 2);
    EXPECT_EQ(noun->frequency(), 4);
    EXPECT_EQ(summary(noun), QStringLiteral("nom, voc"));
    // Slashes are spaced; a bracketed meaning with "~ =>" stays a meaning.
    EXPECT_EQ(meanings(noun), (QStringList{QStringLiteral("taking / seizing"),
                                           QStringLiteral("[usus ~ => getting ownership by continued possession]")}));
}

TEST(AnalyserParserLatin, SumIsTheIrregularVerbEsse) {
    const auto roots = P::parseEnglishVocab(fixture("sum"));
    ASSERT_EQ(roots.size(), 1u);
    const auto verb = roots[0]->childAtIndex(0);
    EXPECT_EQ(verb->entry(), QStringLiteral("sum esse fui futurus"));
    EXPECT_EQ(verb->conjugation(), 8);
    EXPECT_EQ(verb->transIntrans(), 0);
    EXPECT_EQ(meanings(verb).size(), 3);
}

TEST(AnalyserParserLatin, PopulusqueKeepsTheTwoNounsApart) {
    const auto roots = P::parseEnglishVocab(fixture("populusque"));
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0]->entry(), QStringLiteral("populus"));
    const auto nouns = childrenOfType(roots[0], DictionaryEntry::Noun);
    ASSERT_EQ(nouns.size(), 2u);
    EXPECT_EQ(nouns[0]->gender(), 1);
    EXPECT_EQ(nouns[1]->gender(), 2);
    EXPECT_EQ(meanings(nouns[1]), (QStringList{QStringLiteral("poplar tree"), QStringLiteral("(long o)")}));
    EXPECT_EQ(meanings(nouns[0]).size(), 6);  // two meaning lines
}

TEST(AnalyserParserLatin, QuidTakesItsFormFromTheLineAbove) {
    const auto roots = P::parseEnglishVocab(fixture("quid"));
    ASSERT_EQ(roots.size(), 1u);
    const auto pron = roots[0]->childAtIndex(0);
    EXPECT_EQ(pron->type(), DictionaryEntry::Pronoun);
    EXPECT_EQ(pron->entry(), QStringLiteral("quid"));
    EXPECT_EQ(summary(pron), QStringLiteral("nom n, acc n"));
}

TEST(AnalyserParserLatin, MeaningsMayHoldATildeExamplesAreLeftOut) {
    // Meaning lines of pronouns use "~" for the word they qualify.
    const auto aliquis = P::parseEnglishVocab(fixture("aliquis"));
    ASSERT_EQ(aliquis.size(), 1u);
    const auto pron = aliquis[0]->childAtIndex(0);
    EXPECT_EQ(pron->entry(), QStringLiteral("aliquis"));
    const QStringList kept = meanings(pron);
    EXPECT_TRUE(kept.contains(QStringLiteral("a particular / certain ~"))) << kept.join(u'|').toStdString();
    EXPECT_TRUE(kept.contains(QStringLiteral("about / like (NUM)")));

    // Examples under noun forms hold ";" and "~" and are still no meanings.
    const auto rosis = P::parseEnglishVocab(fixture("rosis"));
    ASSERT_EQ(rosis.size(), 1u);
    const auto nouns = childrenOfType(rosis[0], DictionaryEntry::Noun);
    ASSERT_EQ(nouns.size(), 1u);
    EXPECT_EQ(meanings(nouns[0]), (QStringList{QStringLiteral("rose"), QStringLiteral("(also as term of endearment)"),
                                               QStringLiteral("rose bush"), QStringLiteral("rose oil")}));
    EXPECT_EQ(summary(nouns[0]), QStringLiteral("loc pl, dat pl, abl pl"));
    for (const auto& word : rosis[0]->childList())
        for (const QString& m : meanings(word)) EXPECT_FALSE(m.contains(u'~')) << m.toStdString();
}

TEST(AnalyserParserLatin, PackonsTakeTheirDictionaryForm) {
    // The tackon is named above the packon's own line, the pronoun it joins
    // on the line after the tackon; any case of the word gives one headword.
    for (const char* name : {"quidam", "quendam"}) {
        const auto roots = P::parseEnglishVocab(fixture(name));
        ASSERT_EQ(roots.size(), 1u) << name;
        EXPECT_EQ(roots[0]->entry(), QStringLiteral("quidam")) << name;
        ASSERT_EQ(roots[0]->childCount(), 1) << name;
        const auto pack = roots[0]->childAtIndex(0);
        EXPECT_EQ(pack->entry(), QStringLiteral("quidam")) << name;
        EXPECT_EQ(pack->type(), DictionaryEntry::Pronoun) << name;
        EXPECT_EQ(pack->frequency(), 5) << name;
        EXPECT_TRUE(meanings(pack).contains(QStringLiteral("somebody, one, something"))) << name;
    }
    EXPECT_EQ(summary(P::parseEnglishVocab(fixture("quendam"))[0]->childAtIndex(0)), QStringLiteral("acc m"));
    const auto quisquam = P::parseEnglishVocab(fixture("quisquam"));
    ASSERT_EQ(quisquam.size(), 1u);
    EXPECT_EQ(quisquam[0]->entry(), QStringLiteral("quisquam"));

    // Without the pronoun's name the nearest form line gives it.
    const QStringList bare = {QStringLiteral("dam   TACKON"), QStringLiteral("qu.ae  PRON 1 0 NOM P F"),
                              QStringLiteral("qu  PACK   [XXXBX]"), QStringLiteral("meaning;")};
    EXPECT_EQ(P::getPackonBase(bare, 2), QStringLiteral("quae"));
    EXPECT_EQ(P::extractTackon(bare, 1), QStringLiteral("dam"));
    EXPECT_EQ(P::extractTackon(bare, 2), QStringLiteral("dam"));  // not the packon's own line
}

TEST(AnalyserParserLatin, NumeralsUnknownWordsAndComparatives) {
    const auto numeral = P::parseEnglishVocab(fixture("III"));
    ASSERT_EQ(numeral.size(), 1u);
    const auto num = numeral[0]->childAtIndex(0);
    EXPECT_EQ(num->type(), DictionaryEntry::Numeral);
    EXPECT_EQ(num->entry(), QStringLiteral("III"));
    EXPECT_EQ(num->frequency(), 0);
    EXPECT_EQ(meanings(num), QStringList{QStringLiteral("3  as a ROMAN NUMERAL")});

    const auto unknown = P::parseEnglishVocab(fixture("unknown"));
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_TRUE(unknown[0]->entry().startsWith(QStringLiteral("zzzq ")));
    ASSERT_EQ(unknown[0]->childCount(), 1);
    EXPECT_EQ(unknown[0]->childAtIndex(0)->type(), DictionaryEntry::Meaning);
    EXPECT_EQ(unknown[0]->childAtIndex(0)->entry(), QStringLiteral("Unknown"));

    const auto fortior = P::parseEnglishVocab(fixture("fortior"));
    ASSERT_EQ(fortior.size(), 1u);
    const auto adj = fortior[0]->childAtIndex(0);
    EXPECT_EQ(adj->type(), DictionaryEntry::Adjective);
    EXPECT_EQ(summary(adj), QStringLiteral("nom c, voc c: comparative"));

    const auto amatus = P::parseEnglishVocab(fixture("amatus"));
    ASSERT_EQ(amatus.size(), 1u);
    EXPECT_EQ(summary(amatus[0]->childAtIndex(0)), QStringLiteral(" perf pass ppl"));
}

TEST(AnalyserParserLatin, RosaAndCumMixWordClasses) {
    const auto rosa = P::parseEnglishVocab(fixture("rosa"));
    ASSERT_EQ(rosa.size(), 1u);
    const auto nouns = childrenOfType(rosa[0], DictionaryEntry::Noun);
    const auto verbs = childrenOfType(rosa[0], DictionaryEntry::Verb);
    ASSERT_EQ(nouns.size(), 1u);
    ASSERT_EQ(verbs.size(), 1u);
    EXPECT_EQ(summary(nouns[0]), QStringLiteral("nom, voc, abl"));
    EXPECT_EQ(nouns[0]->conjugation(), 1);
    EXPECT_EQ(verbs[0]->entry(), QStringLiteral("rodo rodere rosi rosus"));
    EXPECT_EQ(summary(verbs[0]), QStringLiteral(" perf pass ppl"));

    // The preposition keeps the case it governs; the adverb has none.
    const auto cum = P::parseEnglishVocab(fixture("cum"));
    ASSERT_EQ(cum.size(), 1u);
    const auto preps = childrenOfType(cum[0], DictionaryEntry::Preposition);
    const auto advs = childrenOfType(cum[0], DictionaryEntry::Adverb);
    ASSERT_EQ(preps.size(), 1u);
    ASSERT_EQ(advs.size(), 1u);
    EXPECT_EQ(preps[0]->getCase(), 6);
    EXPECT_EQ(advs[0]->getCase(), 0);
    EXPECT_TRUE(meanings(preps[0]).contains(QStringLiteral("using / by means of")));
}

TEST(AnalyserParserLatin, ShowCasesOffLeavesOutTheSummaries) {
    const auto roots = P::parseEnglishVocab(fixture("arma"), false);
    ASSERT_EQ(roots.size(), 1u);
    for (const auto& word : roots[0]->childList()) EXPECT_TRUE(summary(word).isNull()) << word->entry().toStdString();
}

// ---- English to Latin, real answers ----

TEST(AnalyserParserEnglish, LoveGivesWordEntriesWithTheirMeanings) {
    const auto words = P::parseLatinVocab(fixture("love"));
    EXPECT_EQ(texts(words), (QStringList{QStringLiteral("affectus affectus"), QStringLiteral("adfectus adfectus"),
                                         QStringLiteral("amo amare amavi amatus"), QStringLiteral("affectio affectionis"),
                                         QStringLiteral("adfectio adfectionis"),
                                         QStringLiteral("adamo adamare adamavi adamatus")}));
    EXPECT_EQ(words[0]->gender(), 1);
    EXPECT_EQ(words[0]->conjugation(), 4);
    EXPECT_EQ(words[2]->conjugation(), 1);
    EXPECT_EQ(words[5]->transIntrans(), 1);
    EXPECT_EQ(words[5]->frequency(), 5);
    EXPECT_EQ(meanings(words[5]).first(), QStringLiteral("fall in love / lust with"));
    // No word data in this direction: the answer has no inflection lines.
    EXPECT_TRUE(summary(words[2]).isNull());
}

TEST(AnalyserParserEnglish, NoMatchAndEmptyAnswersGiveNothing) {
    EXPECT_TRUE(P::parseLatinVocab(fixture("nomatch")).empty());
    EXPECT_TRUE(P::parseLatinVocab(QStringLiteral("\n\n\n")).empty());
    EXPECT_TRUE(P::parseEnglishVocab(QStringLiteral("\n\n")).empty());
    EXPECT_TRUE(P::parseEnglishVocab(QString()).empty());
}

TEST(AnalyserParserEnglish, UnknownLineIsItselfInTheResult) {
    const auto words = P::parseLatinVocab(QStringLiteral("xyz   ========   UNKNOWN\n"));
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0]->type(), DictionaryEntry::Meaning);
    EXPECT_EQ(words[0]->entry(), QStringLiteral("Unknown"));
}

// ---- Line rules on made-up answers ----

TEST(AnalyserParserRules, GroupsShareMeaningsUntilTheTypeChanges) {
    // Two verbs share the meaning line below them; a meaning line before any
    // dictionary line is dropped.
    const QString answer = QStringLiteral(
        "stray meaning; dropped;\n"
        "am.o  V  1 1 PRES ACTIVE  IND 1 S\n"
        "amo, amare, amavi, amatus  V (1st)   [XXXAO]\n"
        "amo, amare, amavi, amatus  V (1st)   [XXXBO]\n"
        "love; like;\n");
    const auto roots = P::parseEnglishVocab(answer);
    ASSERT_EQ(roots.size(), 1u);
    ASSERT_EQ(roots[0]->childCount(), 2);
    for (const auto& verb : roots[0]->childList())
        EXPECT_EQ(meanings(verb), (QStringList{QStringLiteral("love"), QStringLiteral("like")}));

    // A noun line between two verb lines starts a new group.
    const QString mixed = QStringLiteral(
        "am.o  V  1 1 PRES ACTIVE  IND 1 S\n"
        "amo, amare  V (1st)   [XXXAO]\n"
        "amo, amonis  N (3rd) M   [XXXAO]\n"
        "meaning; here;\n");
    const auto r2 = P::parseEnglishVocab(mixed);
    ASSERT_EQ(r2.size(), 1u);
    const auto verbs = childrenOfType(r2[0], DictionaryEntry::Verb);
    const auto nouns = childrenOfType(r2[0], DictionaryEntry::Noun);
    ASSERT_EQ(verbs.size(), 1u);
    ASSERT_EQ(nouns.size(), 1u);
    EXPECT_TRUE(meanings(verbs[0]).isEmpty());
    EXPECT_EQ(meanings(nouns[0]).size(), 2);
}

TEST(AnalyserParserRules, NewWordLineForcesANewRoot) {
    const QString answer = QStringLiteral(
        "am.o  V  1 1 PRES ACTIVE  IND 1 S\n"
        "amo, amare  V (1st)   [XXXAO]\n"
        "love;\n"
        "*\n"
        "am.o  V  1 1 PRES ACTIVE  IND 1 S\n"
        "amo, amare  V (1st)   [XXXBO]\n"
        "like;\n");
    const auto roots = P::parseEnglishVocab(answer);
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0]->entry(), roots[1]->entry());
}

TEST(AnalyserParserRules, ProperNameNoticeMovesTheMeaningToTheRoot) {
    const QString answer = QStringLiteral(
        "Marc.us  N 2 1 NOM S M\n"
        "marcus, marci  N (2nd) M   [XXXEO]\n"
        "Assume this is capitalized proper name\n");
    const auto roots = P::parseEnglishVocab(answer);
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(texts(roots[0]->childList()), QStringList{QStringLiteral("Assuming a capitalized proper name")});
}

TEST(AnalyserParserRules, InflectionSummaries) {
    auto noun = [](const QStringList& cases) {
        QStringList lines = cases;
        lines << QStringLiteral("rosa, rosae  N (1st) F   [XXXBO]");
        return summary(P::parseLatinVocabString(QStringLiteral("rosa, rosae  N (1st) F   [XXXBO"), lines,
                                                int(lines.size()) - 1));
    };
    EXPECT_EQ(noun({QStringLiteral("ros.a N 1 1 NOM S F"), QStringLiteral("ros.a N 1 1 NOM S F"),
                    QStringLiteral("ros.ae N 1 1 ACC P F")}),
              QStringLiteral("nom, acc pl"));
    EXPECT_EQ(noun({QStringLiteral("ros.a N 1 1 NOM S F"), QStringLiteral("ros.am N 1 1 ACC S F"),
                    QStringLiteral("ros.a N 1 1 NOM S F")}),
              QStringLiteral("nom, acc, nom"));

    // Verbs read bottom to top.
    const QStringList verbLines = {QStringLiteral("am.o V 1 1 PRES ACTIVE IND 1 S"),
                                   QStringLiteral("am.at V 1 1 PRES ACTIVE IND 3 S"),
                                   QStringLiteral("amo, amare  V (1st)   [XXXAO]")};
    EXPECT_EQ(P::getVerbData(verbLines, 2)->entry(), QStringLiteral("3s pres ind act, 1s pres ind act"));
    EXPECT_EQ(P::parseVerbParticiple(QStringLiteral("am.andus VPAR 1 1 NOM S M FUT PASSIVE PPL"), 0),
              QStringLiteral("gerund/gerundive"));
    EXPECT_EQ(P::parseVerbForm(QStringLiteral("am.a V 1 1 PRES ACTIVE IMP 2 S"), 0), QStringLiteral("imp s act"));
    EXPECT_EQ(P::makeVerbData(3, 1, 1, 1, QStringLiteral("pres")), QStringLiteral("3s pres ind act"));
    EXPECT_EQ(P::makeVerbData(0, 0, 4, 2, QStringLiteral("pres")), QStringLiteral("pres inf pass"));

    // Adjectives leave out the genitive marker of their forms.
    const auto adj = P::parseLatinVocabString(QStringLiteral("felix, (gen.), felicis  ADJ   [XXXAO"), {}, 0);
    ASSERT_TRUE(adj);
    EXPECT_EQ(adj->entry(), QStringLiteral("felix felicis"));
}

TEST(AnalyserParserRules, CodesOfADictionaryText) {
    const QStringList rest = P::separateLatinString(QStringLiteral("stem1, stem2  N (3rd) M   [XXXAX"), false);
    EXPECT_EQ(rest, (QStringList{QStringLiteral("N"), QStringLiteral("(3rd)"), QStringLiteral("M"), QStringLiteral("[XXXAX")}));
    EXPECT_EQ(P::separateLatinString(QStringLiteral("stem1, stem2  N (3rd) M   [XXXAX"), true),
              (QStringList{QStringLiteral("stem1"), QStringLiteral("stem2")}));
    EXPECT_EQ(P::calculateGender(rest), 1);
    EXPECT_EQ(P::checkEnglishToLatinDeclension(rest, QString()), 3);
    EXPECT_EQ(P::calculateFrequency(rest), 6);
    EXPECT_EQ(P::getAge(rest), 0);
    EXPECT_EQ(P::getAge({QStringLiteral("[GXXEK")}), 7);
    EXPECT_EQ(P::getAge({QStringLiteral("[ZXXEK")}), 0);  // beyond the age table
    int trans = -1;
    EXPECT_EQ(P::checkEnglishToLatinConjugation({QStringLiteral("V"), QStringLiteral("(3rd)"), QStringLiteral("INTRANS"),
                                                 QStringLiteral("[XXXAO")},
                                                QStringLiteral("patior, pati, passus sum  V (3rd) INTRANS [XXXAO"), &trans),
              5);
    EXPECT_EQ(trans, 2);
    EXPECT_EQ(P::checkEnglishToLatinConjugation({QStringLiteral("V"), QStringLiteral("[XXXAO")},
                                                QStringLiteral("fero, ferre, tuli, latus  V   [XXXAO"), &trans),
              9);
    // Short first forms do not trip the -io rule.
    EXPECT_EQ(P::checkEnglishToLatinConjugation({QStringLiteral("V"), QStringLiteral("(3rd)")}, QStringLiteral("io"), &trans), 3);
    EXPECT_EQ(P::calculateFrequency({}), 0);
}

TEST(AnalyserParserRules, LineKinds) {
    EXPECT_TRUE(P::isAMeaningString(QStringLiteral("love; like;")));
    EXPECT_TRUE(P::isAMeaningString(QStringLiteral("[usus ~ => getting];")));
    EXPECT_TRUE(P::isAMeaningString(QStringLiteral("some; a particular/certain ~;")));
    // Examples are known by the form line they stand under, not by "~" alone.
    const QStringList example = {QStringLiteral("forti.or  ADJ  3 2 NOM S C COMP"), QStringLiteral("~er; more/too _"),
                                 QStringLiteral("fortis, forte  ADJ   [XXXAX]"), QStringLiteral("a certain ~;"),
                                 QStringLiteral("aliqu.is  PRON  1 0 NOM S C"), QStringLiteral("a certain ~;")};
    EXPECT_TRUE(P::isAnExampleLine(example, 1));
    EXPECT_FALSE(P::isAnExampleLine(example, 3));
    EXPECT_FALSE(P::isAnExampleLine(example, 5));  // pronoun forms have no examples
    EXPECT_FALSE(P::isAnExampleLine(example, 0));
    EXPECT_FALSE(P::isAnExampleLine({QStringLiteral("am.o  V  1 1 PRES ACTIVE  IND 1 S"), QStringLiteral("love;")}, 1));
    const QStringList lines = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("last; meaning;")};
    EXPECT_EQ(P::findMeaningLine(lines, 0), 0);  // the last line is never examined
    EXPECT_EQ(P::findMeaningLine({QStringLiteral("x"), QStringLiteral("m;"), QStringLiteral("y")}, 0), 1);
    EXPECT_EQ(P::getNthWord(0, QStringLiteral("a b")), QString());
    EXPECT_EQ(P::getNthWord(3, QStringLiteral("a b")), QString());
    EXPECT_EQ(P::getFirstWordInLine(QStringLiteral("  am.o  V")), QStringLiteral("amo"));
    EXPECT_EQ(P::fixSlashProblem(QStringLiteral("a/b")), QStringLiteral("a / b"));
    EXPECT_EQ(P::stripLeadingWhiteSpace(QStringLiteral("   ")), QString());
}

TEST(AnalyserParserRules, WordModificationsAndDuplicates) {
    const QStringList lines = {QStringLiteral("amaverunt"), QStringLiteral("Syncopated perfect often drops the 'v'"),
                               QStringLiteral("May be 2 words combined"), QStringLiteral("amo, amare  V (1st)   [XXXAO]")};
    const auto mods = P::getWordModifications(lines, 3);
    ASSERT_TRUE(mods);
    EXPECT_EQ(mods->entry(), QStringLiteral("multiple modifications"));
    EXPECT_EQ(texts(mods->childList()), (QStringList{lines[1], lines[2]}));

    const auto a = DictionaryEntry::make(QStringLiteral("x"), DictionaryEntry::Noun);
    const auto b = DictionaryEntry::make(QStringLiteral("x"), DictionaryEntry::Noun);
    const auto c = DictionaryEntry::make(QStringLiteral("y"), DictionaryEntry::Noun);
    const auto out = P::removeDuplicates({a, c, b});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], a);
    EXPECT_EQ(out[1], c);
}
