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

// One declined form: the dictionary text, its group, case, number, gender,
// degree, and the expected form.
struct FormRow {
    const char* latin;
    qint64 group, c;
    bool singular;
    qint64 gender, degree;
    const char* expected;
};

TEST(Adjective, DeclinedFormsAndComparison) {
    constexpr bool S = true, P = false;
    const char* full = "bonus bona bonum melior melior melius optimus optima optimum";
    const FormRow rows[] = {
        {"bonus bona bonum", 1, 1, S, 1, 0, "bonus"}, {"bonus bona bonum", 1, 2, S, 1, 0, "bone"},
        {"bonus bona bonum", 1, 4, S, 1, 0, "bonī"}, {"bonus bona bonum", 1, 6, S, 2, 0, "bonā"},
        {"bonus bona bonum", 1, 3, P, 1, 0, "bonōs"}, {"bonus bona bonum", 1, 1, S, 3, 0, "bonum"},
        {"bonus bona bonum", 1, 4, P, 2, 0, "bonārum"}, {"bonus -a -um", 1, 1, S, 2, 0, "bona"},
        {"pauci -ae -a", 1, 3, P, 1, 0, "paucōs"},
        // Regular comparison, then the irregular degrees, from the comparison
        // table when the headword gives only the positive, or given in full.
        {"altus alta altum", 1, 1, S, 1, 1, "altior"}, {"altus alta altum", 1, 4, S, 1, 1, "altiōris"},
        {"altus alta altum", 1, 1, S, 1, 2, "altissimus"}, {"altus alta altum", 1, 1, S, 2, 2, "altissima"},
        {"altus alta altum", 1, 4, S, 1, 2, "altissimī"},
        {"bonus bona bonum", 1, 1, S, 1, 1, "melior"}, {"bonus bona bonum", 1, 4, S, 1, 1, "meliōris"},
        {"bonus -a -um", 1, 1, S, 3, 1, "melius"}, {"bonus bona bonum", 1, 1, S, 2, 2, "optima"},
        {"bonus bona bonum", 1, 4, S, 1, 2, "optimī"},
        {full, 1, 1, S, 1, 1, "melior"}, {full, 1, 4, S, 1, 1, "meliōris"}, {full, 1, 1, S, 3, 1, "melius"},
        {full, 1, 1, P, 3, 1, "meliōra"}, {full, 1, 1, S, 1, 2, "optimus"}, {full, 1, 1, S, 2, 2, "optima"},
        {full, 1, 1, S, 3, 2, "optimum"}, {full, 1, 4, S, 1, 2, "optimī"},
        // pulcher: nominative as vocative, -errimus.
        {"pulcher pulchra pulchrum", 1, 1, S, 1, 0, "pulcher"}, {"pulcher pulchra pulchrum", 1, 2, S, 1, 0, "pulcher"},
        {"pulcher pulchra pulchrum", 1, 3, S, 1, 0, "pulchrum"}, {"pulcher pulchra pulchrum", 1, 1, S, 1, 1, "pulchrior"},
        {"pulcher pulchra pulchrum", 1, 1, S, 1, 2, "pulcherrimus"},
        // Abbreviated feminines in -er adjectives keep the right stem.
        {"pulcher -chra -chrum", 1, 4, S, 1, 0, "pulchrī"}, {"liber -era -erum", 1, 1, S, 2, 0, "libera"},
        // ācer, three terminations of the third declension.
        {"ācer ācris ācre", 3, 1, S, 1, 0, "ācer"}, {"ācer ācris ācre", 3, 1, S, 2, 0, "ācris"},
        {"ācer ācris ācre", 3, 1, S, 3, 0, "ācre"}, {"ācer ācris ācre", 3, 6, S, 1, 0, "ācrī"},
        {"ācer ācris ācre", 3, 3, P, 1, 0, "ācrēs/īs"}, {"ācer ācris ācre", 3, 4, P, 1, 0, "ācrium"},
        {"ācer ācris ācre", 3, 1, P, 3, 0, "ācria"}, {"ācer ācris ācre", 3, 1, S, 1, 1, "ācrior"},
        {"ācer ācris ācre", 3, 1, S, 1, 2, "ācerrimus"}, {"ācer -cris -cre", 3, 4, S, 2, 0, "ācris"},
        // vetus: one nominative, consonant stem.
        {"vetus veteris", 3, 1, S, 1, 0, "vetus"}, {"vetus veteris", 3, 1, S, 2, 0, "vetus"},
        {"vetus veteris", 3, 1, S, 3, 0, "vetus"}, {"vetus veteris", 3, 6, S, 1, 0, "vetere"},
        {"vetus veteris", 3, 4, P, 1, 0, "veterum"}, {"vetus veteris", 3, 1, P, 3, 0, "vetera"},
        // -rimus after a stem in -er, whatever the nominative: veterrimus.
        {"vetus veteris", 3, 1, S, 1, 2, "veterrimus"}, {"vetus veteris", 3, 1, S, 2, 2, "veterrima"},
        {"vetus veteris", 3, 1, S, 3, 2, "veterrimum"}, {"vetus veteris", 3, 4, S, 1, 2, "veterrimī"},
        {"vetus -eris", 3, 1, S, 1, 2, "veterrimus"}, {"vetus veteris", 3, 6, P, 2, 2, "veterrimīs"},
        {"pauper pauperis", 3, 1, S, 1, 2, "pauperrimus"},
        // A first- and second-declension stem in -er is not enough: vērissimus.
        {"vērus vēra vērum", 1, 1, S, 1, 2, "vērissimus"}, {"severus -a -um", 1, 1, S, 1, 2, "severissimus"},
        // fortis, -is, -e must keep its feminine and neuter nominatives.
        {"fortis -is -e", 3, 1, S, 1, 0, "fortis"}, {"fortis -is -e", 3, 1, S, 2, 0, "fortis"},
        {"fortis -is -e", 3, 1, S, 3, 0, "forte"}, {"fortis -is -e", 3, 4, S, 1, 0, "fortis"},
        {"fortis -is -e", 3, 6, S, 3, 0, "fortī"}, {"fortis -is -e", 3, 1, P, 3, 0, "fortia"},
        {"fortis -is -e", 3, 1, S, 1, 1, "fortior"}, {"fortis -is -e", 3, 1, S, 2, 2, "fortissima"},
        {"ingens ingentis", 3, 1, S, 3, 0, "ingens"}, {"ingens -entis", 3, 4, S, 1, 0, "ingentis"},
        {"facilis facile", 3, 1, S, 1, 2, "facillimus"},
        // A comparative written as a positive keeps the comparative table.
        {"melior melius", 3, 4, S, 1, 0, "meliōris"},
    };
    for (const FormRow& r : rows) {
        SCOPED_TRACE(testing::Message() << r.latin << " case " << r.c << (r.singular ? " sg" : " pl") << " gender "
                                        << r.gender << " degree " << r.degree);
        EXPECT_EQ(form(adjective(QString::fromUtf8(r.latin), r.group), r.c, r.singular, r.gender, r.degree),
                  QString::fromUtf8(r.expected));
    }
    EXPECT_EQ(Adjective::findFirstSuperlativeString({"a", "bor", "c"}), QString());
}

TEST(Adjective, VariantsAndStems) {
    // Variant: -1 to leave unchecked; stem: nullptr to leave unchecked.
    const struct {
        const char* latin;
        qint64 group, variant;
        const char* stem;
    } rows[] = {
        {"pulcher pulchra pulchrum", 1, 1, nullptr}, {"vetus veteris", 3, 2, nullptr}, {"uetus ueteris", 3, 2, nullptr},
        {"vĕtus vetĕris", 3, 2, nullptr}, {"pauper pauperis", 3, 2, nullptr}, {"dīves dīvitis", 3, 2, nullptr},
        {"melior melius", 3, 1, nullptr}, {"ācer -cris -cre", 3, -1, "ācr"}, {"fortis -is -e", 3, -1, "fort"},
        {"fortis forte", 3, -1, "fort"}, {"ingens ingentis", 3, -1, "ingent"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.latin);
        const Adjective a = adjective(QString::fromUtf8(r.latin), r.group);
        if (r.variant >= 0) {
            EXPECT_EQ(a.getAdjectiveVariant(0), r.variant);
        }
        if (r.stem) {
            EXPECT_EQ(a.getStem(0), QString::fromUtf8(r.stem));
        }
    }
    EXPECT_EQ(adjective(QStringLiteral("bonus bona bonum melior melior melius optimus optima optimum"), 1).getStem(1),
              QStringLiteral("meli"));
    EXPECT_EQ(adjective(QStringLiteral("ācer -cris -cre"), 3).getThirdDeclensionWordPart(3, 0), QStringLiteral("ācre"));
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
    const Adjective bonus = adjective(QStringLiteral("altus alta altum"), 1);
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
    Adjective::addAdjectiveForms(forms, adjective(QStringLiteral("altus alta altum"), 1));
    EXPECT_EQ(forms.size(), 108);
    // Case 1, gender 1, plural, degrees 0-2 first.
    EXPECT_EQ(forms.mid(0, 3), QStringList({"altī", "altiōrēs", "altissimī"}));
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

// Pronominal adjectives: -īus and -ī in the singular of every gender, the
// nominative as vocative, no degrees; alius has aliud and alīus.
TEST(Adjective, PronominalAdjectives) {
    const struct {
        const char* latin;
        qint64 gender;
        const char* singular;  // nominative to ablative
    } rows[] = {
        {"tōtus -a -um", 1, "tōtus,tōtus,tōtum,tōtīus,tōtī,tōtō"},
        {"tōtus -a -um", 2, "tōta,tōta,tōtam,tōtīus,tōtī,tōtā"},
        {"tōtus tōta tōtum", 3, "tōtum,tōtum,tōtum,tōtīus,tōtī,tōtō"},
        {"alius -a -ud", 1, "alius,alius,alium,alīus,aliī,aliō"},
        {"alius alia aliud", 3, "aliud,aliud,aliud,alīus,aliī,aliō"},
        {"alter -tĕra -tĕrum", 2, "altĕra,altĕra,altĕram,altĕrīus,altĕrī,altĕrā"},
        {"alter altera alterum", 1, "alter,alter,alterum,alterīus,alterī,alterō"},
        {"neuter -tra -trum", 3, "neutrum,neutrum,neutrum,neutrīus,neutrī,neutrō"},
        {"ŭter -ŭtra -ŭtrum", 1, "ŭter,ŭter,ŭtrum,ŭtrīus,ŭtrī,ŭtrō"},
        // tŏtus (as many) is no pronominal adjective.
        {"tŏtus -a -um", 1, "tŏtus,tŏte,tŏtum,tŏtī,tŏtō,tŏtō"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.latin << " gender " << r.gender);
        const Adjective a = adjective(QString::fromUtf8(r.latin), 1);
        QStringList forms;
        for (qint64 c = 1; c <= 6; ++c) forms << form(a, c, true, r.gender);
        EXPECT_EQ(forms.join(u','), QString::fromUtf8(r.singular));
    }
    const Adjective totus = adjective(QStringLiteral("tōtus -a -um"), 1);
    EXPECT_EQ(form(totus, 4, false, 1), QStringLiteral("tōtōrum"));
    EXPECT_TRUE(form(totus, 1, true, 1, 1).isEmpty());
    EXPECT_TRUE(form(totus, 1, true, 1, 2).isEmpty());
    EXPECT_EQ(totus.getDeclinedValue(4, true, 2, 0, true), QStringLiteral("-īus"));
}
