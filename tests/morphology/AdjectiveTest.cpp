#include "morphology/Adjective.h"
#include "morphology/AdjectiveEndings.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

namespace {

Adjective adjective(const QString& latin, qint64 group) {
    Adjective a;
    a.setLatin(latin);
    a.setConjugation(group);
    return a;
}

QString form(const Adjective& a, qint64 c, bool singular, qint64 gender, qint64 degree = 0) {
    return a.getDeclinedValue(c, singular, gender, degree, false);
}

}  // namespace

TEST(Adjective, BonusPositive) {
    const Adjective bonus = adjective(QStringLiteral("bonus bona bonum"), 1);
    EXPECT_EQ(form(bonus, 1, true, 1), QStringLiteral("bonus"));
    EXPECT_EQ(form(bonus, 2, true, 1), QStringLiteral("bone"));
    EXPECT_EQ(form(bonus, 4, true, 1), QStringLiteral("bonī"));
    EXPECT_EQ(form(bonus, 6, true, 2), QStringLiteral("bonā"));
    EXPECT_EQ(form(bonus, 3, false, 1), QStringLiteral("bonōs"));
    EXPECT_EQ(form(bonus, 1, true, 3), QStringLiteral("bonum"));
    EXPECT_EQ(form(bonus, 4, false, 2), QStringLiteral("bonārum"));
    const Adjective abbreviated = adjective(QStringLiteral("bonus -a -um"), 1);
    EXPECT_EQ(form(abbreviated, 1, true, 2), QStringLiteral("bona"));
    EXPECT_EQ(form(adjective(QStringLiteral("pauci -ae -a"), 1), 3, false, 1), QStringLiteral("paucōs"));
}

TEST(Adjective, RegularAndIrregularComparison) {
    const Adjective bonus = adjective(QStringLiteral("bonus bona bonum"), 1);
    EXPECT_EQ(form(bonus, 1, true, 1, 1), QStringLiteral("bonior"));
    EXPECT_EQ(form(bonus, 4, true, 1, 1), QStringLiteral("boniōris"));
    EXPECT_EQ(form(bonus, 1, true, 1, 2), QStringLiteral("bonissimus"));
    EXPECT_EQ(form(bonus, 1, true, 2, 2), QStringLiteral("bonissima"));
    EXPECT_EQ(form(bonus, 4, true, 1, 2), QStringLiteral("bonissimī"));

    const Adjective full = adjective(QStringLiteral("bonus bona bonum melior melior melius optimus optima optimum"), 1);
    EXPECT_EQ(full.getStem(1), QStringLiteral("meli"));
    EXPECT_EQ(form(full, 1, true, 1, 1), QStringLiteral("melior"));
    EXPECT_EQ(form(full, 4, true, 1, 1), QStringLiteral("meliōris"));
    EXPECT_EQ(form(full, 1, true, 3, 1), QStringLiteral("melius"));
    EXPECT_EQ(form(full, 1, false, 3, 1), QStringLiteral("meliōra"));
    EXPECT_EQ(form(full, 1, true, 1, 2), QStringLiteral("optimus"));
    EXPECT_EQ(form(full, 1, true, 2, 2), QStringLiteral("optima"));
    EXPECT_EQ(form(full, 1, true, 3, 2), QStringLiteral("optimum"));
    EXPECT_EQ(form(full, 4, true, 1, 2), QStringLiteral("optimī"));
    EXPECT_EQ(Adjective::findFirstSuperlativeString({"a", "bor", "c"}), QString());
}

TEST(Adjective, PulcherTakesVariant1) {
    const Adjective pulcher = adjective(QStringLiteral("pulcher pulchra pulchrum"), 1);
    EXPECT_EQ(pulcher.getAdjectiveVariant(0), 1);
    EXPECT_EQ(form(pulcher, 1, true, 1), QStringLiteral("pulcher"));
    EXPECT_EQ(form(pulcher, 2, true, 1), QStringLiteral("pulcher"));
    EXPECT_EQ(form(pulcher, 3, true, 1), QStringLiteral("pulchrum"));
    EXPECT_EQ(form(pulcher, 1, true, 1, 1), QStringLiteral("pulchrior"));
    EXPECT_EQ(form(pulcher, 1, true, 1, 2), QStringLiteral("pulcherrimus"));
    // Abbreviated feminines in -er adjectives keep the right stem.
    EXPECT_EQ(form(adjective(QStringLiteral("pulcher -chra -chrum"), 1), 4, true, 1), QStringLiteral("pulchrī"));
    EXPECT_EQ(form(adjective(QStringLiteral("liber -era -erum"), 1), 1, true, 2), QStringLiteral("libera"));
}

TEST(Adjective, AcerThirdDeclension) {
    const Adjective acer = adjective(QStringLiteral("ācer ācris ācre"), 3);
    EXPECT_EQ(form(acer, 1, true, 1), QStringLiteral("ācer"));
    EXPECT_EQ(form(acer, 1, true, 2), QStringLiteral("ācris"));
    EXPECT_EQ(form(acer, 1, true, 3), QStringLiteral("ācre"));
    EXPECT_EQ(form(acer, 6, true, 1), QStringLiteral("ācrī"));
    EXPECT_EQ(form(acer, 3, false, 1), QStringLiteral("ācrēs/īs"));
    EXPECT_EQ(form(acer, 4, false, 1), QStringLiteral("ācrium"));
    EXPECT_EQ(form(acer, 1, false, 3), QStringLiteral("ācria"));
    EXPECT_EQ(form(acer, 1, true, 1, 1), QStringLiteral("ācrior"));
    EXPECT_EQ(form(acer, 1, true, 1, 2), QStringLiteral("ācerrimus"));

    const Adjective abbreviated = adjective(QStringLiteral("ācer -cris -cre"), 3);
    EXPECT_EQ(abbreviated.getThirdDeclensionWordPart(3, 0), QStringLiteral("ācre"));
    EXPECT_EQ(abbreviated.getStem(0), QStringLiteral("ācr"));
    EXPECT_EQ(form(abbreviated, 4, true, 2), QStringLiteral("ācris"));
}

TEST(Adjective, VetusTakesVariant2) {
    for (const char* latin : {"vetus veteris", "uetus ueteris", "vĕtus vetĕris"}) {
        const Adjective vetus = adjective(QString::fromUtf8(latin), 3);
        EXPECT_EQ(vetus.getAdjectiveVariant(0), 2) << latin;
    }
    const Adjective vetus = adjective(QStringLiteral("vetus veteris"), 3);
    for (qint64 g = 1; g <= 3; ++g) EXPECT_EQ(form(vetus, 1, true, g), QStringLiteral("vetus"));
    EXPECT_EQ(form(vetus, 6, true, 1), QStringLiteral("vetere"));
    EXPECT_EQ(form(vetus, 4, false, 1), QStringLiteral("veterum"));
    EXPECT_EQ(form(vetus, 1, false, 3), QStringLiteral("vetera"));
    EXPECT_EQ(adjective(QStringLiteral("pauper pauperis"), 3).getAdjectiveVariant(0), 2);
    EXPECT_EQ(adjective(QStringLiteral("dīves dīvitis"), 3).getAdjectiveVariant(0), 2);
}

TEST(Adjective, FortisGetsAllThreeNominatives) {
    const Adjective fortis = adjective(QStringLiteral("fortis -is -e"), 3);
    EXPECT_EQ(form(fortis, 1, true, 1), QStringLiteral("fortis"));
    EXPECT_EQ(form(fortis, 1, true, 2), QStringLiteral("fortis"));
    EXPECT_EQ(form(fortis, 1, true, 3), QStringLiteral("forte"));
    EXPECT_EQ(fortis.getStem(0), QStringLiteral("fort"));
    EXPECT_EQ(form(fortis, 4, true, 1), QStringLiteral("fortis"));
    EXPECT_EQ(form(fortis, 6, true, 3), QStringLiteral("fortī"));
    EXPECT_EQ(form(fortis, 1, false, 3), QStringLiteral("fortia"));
    EXPECT_EQ(form(fortis, 1, true, 1, 1), QStringLiteral("fortior"));
    EXPECT_EQ(form(fortis, 1, true, 2, 2), QStringLiteral("fortissima"));

    const Adjective forte = adjective(QStringLiteral("fortis forte"), 3);
    EXPECT_EQ(forte.getStem(0), QStringLiteral("fort"));
    const Adjective ingens = adjective(QStringLiteral("ingens ingentis"), 3);
    EXPECT_EQ(ingens.getStem(0), QStringLiteral("ingent"));
    EXPECT_EQ(form(ingens, 1, true, 3), QStringLiteral("ingens"));
    EXPECT_EQ(form(adjective(QStringLiteral("ingens -entis"), 3), 4, true, 1), QStringLiteral("ingentis"));
    EXPECT_EQ(form(adjective(QStringLiteral("facilis facile"), 3), 1, true, 1, 2), QStringLiteral("facillimus"));
}

TEST(Adjective, ComparativeWrittenAsPositive) {
    const Adjective melior = adjective(QStringLiteral("melior melius"), 3);
    EXPECT_EQ(melior.getAdjectiveVariant(0), 1);
    EXPECT_EQ(form(melior, 4, true, 1), QStringLiteral("meliōris"));
}

TEST(Adjective, PositiveInOrOfOneTermination) {
    for (const char* latin : {"memor memoris", "memor -oris", "memor memoris (m/f/n)"}) {
        const Adjective memor = adjective(QString::fromUtf8(latin), 3);
        EXPECT_EQ(memor.getAdjectiveVariant(0), 0) << latin;
        EXPECT_EQ(memor.getStem(0), QStringLiteral("memor")) << latin;
        for (qint64 g = 1; g <= 3; ++g) EXPECT_EQ(form(memor, 1, true, g), QStringLiteral("memor")) << latin;
        EXPECT_EQ(form(memor, 4, true, 1), QStringLiteral("memoris")) << latin;
        EXPECT_EQ(form(memor, 6, true, 1), QStringLiteral("memorī")) << latin;
        EXPECT_EQ(form(memor, 1, false, 1), QStringLiteral("memorēs")) << latin;
        EXPECT_EQ(form(memor, 4, false, 1), QStringLiteral("memorum")) << latin;
        EXPECT_EQ(form(memor, 1, true, 1, 1), QStringLiteral("memorior")) << latin;
        EXPECT_EQ(form(memor, 4, true, 1, 1), QStringLiteral("memoriōris")) << latin;
        EXPECT_EQ(form(memor, 1, true, 1, 2), QStringLiteral("memorissimus")) << latin;
    }
    EXPECT_EQ(form(adjective(QStringLiteral("bicolor bicoloris"), 3), 3, true, 1), QStringLiteral("bicolorem"));
    EXPECT_EQ(form(adjective(QStringLiteral("immemor immemoris"), 3), 4, false, 3), QStringLiteral("immemorum"));
    EXPECT_EQ(adjective(QStringLiteral("memor memoris"), 3).getDeclinedValue(4, false, 1, 0, true), QStringLiteral("-um"));

    // Comparatives written as positives keep the comparative tables.
    for (const char* latin : {"prior prius", "interior interius", "prior priōris", "minor minus"}) {
        const Adjective a = adjective(QString::fromUtf8(latin), 3);
        EXPECT_EQ(a.getAdjectiveVariant(0), 1) << latin;
    }
    EXPECT_EQ(form(adjective(QStringLiteral("prior prius"), 3), 4, true, 1), QStringLiteral("priōris"));
    EXPECT_EQ(form(adjective(QStringLiteral("interior interius"), 3), 1, true, 3), QStringLiteral("interius"));
    EXPECT_EQ(form(adjective(QStringLiteral("interior interius"), 3), 4, false, 1), QStringLiteral("interiōrum"));
    EXPECT_EQ(Adjective::findFirstComparativeString({"memor", "memoris"}), QString());
    EXPECT_EQ(Adjective::findFirstComparativeString({"prior", "prius"}), QStringLiteral("prior"));
}

TEST(Adjective, EndingOnlyAndTables) {
    const Adjective bonus = adjective(QStringLiteral("bonus bona bonum"), 1);
    EXPECT_EQ(bonus.getDeclinedValue(1, true, 1, 0, true), QStringLiteral(""));
    EXPECT_FALSE(bonus.getDeclinedValue(1, true, 1, 0, true).isNull());
    EXPECT_EQ(bonus.getDeclinedValue(4, true, 1, 0, true), QStringLiteral("-ī"));
    const AdjectiveEndingsPtr table = AdjectiveEndings::getDeclension(3, 2, 0);
    ASSERT_TRUE(table);
    EXPECT_EQ(table, AdjectiveEndings::getDeclension(3, 1, 0));  // one table for m and f
    EXPECT_EQ(table->endings().size(), 13);  // the trailing comma's empty cell
    EXPECT_EQ(AdjectiveEndings::getDeclension(2, 1, 0), AdjectiveEndings::getDeclension(1, 1, 0));
    EXPECT_EQ(AdjectiveEndings::getDeclension(3, 3, 1)->getEnding(6, false), QStringLiteral("-ōribus"));
}

TEST(Adjective, FailuresAndCommonGender) {
    CaptureLogger::Scope capture;
    const Adjective bonus = adjective(QStringLiteral("bonus bona bonum"), 1);
    EXPECT_TRUE(form(bonus, 1, true, 4).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("bad gender at get1stDeclension")));
    EXPECT_TRUE(form(bonus, 1, true, 1, 5).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("bad comparison")));
    EXPECT_TRUE(capture->contains(QStringLiteral("BAD COMPARISION TYPE 5:")));

    Adjective notAdjective = adjective(QStringLiteral("bonus bona bonum"), 1);
    notAdjective.setWordType(1);
    EXPECT_TRUE(form(notAdjective, 1, true, 1).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("unable to decline this")));

    EXPECT_FALSE(AdjectiveEndings::getDeclension(4, 1, 0));
    EXPECT_TRUE(capture->contains(QStringLiteral("unsupported declension")));

    QStringList forms;
    Adjective::addAdjectiveForms(forms, adjective(QStringLiteral("bonus bona bonum"), 4));
    EXPECT_TRUE(forms.isEmpty());
}

TEST(Adjective, AllForms) {
    QStringList forms;
    Adjective::addAdjectiveForms(forms, adjective(QStringLiteral("bonus bona bonum"), 1));
    EXPECT_EQ(forms.size(), 108);
    // Case 1, gender 1, plural, degrees 0-2 first.
    EXPECT_EQ(forms.mid(0, 3), QStringList({"bonī", "boniōrēs", "bonissimī"}));
    QStringList positive;
    Adjective::addNormalAdjectiveForms(positive, adjective(QStringLiteral("bonus bona bonum"), 1), true);
    EXPECT_EQ(positive.size(), 18);
    EXPECT_FALSE(positive.contains(QStringLiteral("bonus")));
    positive.clear();
    Adjective::addNormalAdjectiveForms(positive, adjective(QStringLiteral("ācer ācris ācre"), 3), false);
    EXPECT_EQ(positive.size(), 36);
    EXPECT_TRUE(positive.contains(QStringLiteral("ācrēs/īs")));
}

TEST(Adjective, ShortPartsGiveEmptyFormsSafely) {
    for (const char* latin : {"", "a", "- -", "a -b", "x y z", "(a) (b) (c)", "a b c d e f g h i"}) {
        for (qint64 group = 0; group <= 4; ++group) {
            const Adjective a = adjective(QString::fromUtf8(latin), group);
            QStringList forms;
            Adjective::addAdjectiveForms(forms, a);
            for (qint64 g = 0; g <= 12; ++g)
                for (qint64 d = -1; d <= 3; ++d) a.getDeclinedValue(1, true, g, d, false);
        }
    }
    SUCCEED();
}
