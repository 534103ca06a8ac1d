#include "morphology/Verb.h"

#include <gtest/gtest.h>

namespace {

Verb verb(const QString& latin, qint64 code) {
    Verb v;
    v.setLatin(latin);
    v.setConjugation(code);
    return v;
}

QStringList rows(const Word& v) {
    QStringList out;
    for (qint64 i = 0; i < 12; ++i) {
        const QString part = v.getVerbPart(i);
        out.append(part.isNull() ? QStringLiteral("(nil)") : part);
    }
    return out;
}

QStringList split(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(',')); }

}  // namespace

TEST(VerbNonFinite, TheTwelveRowsOfAmo) {
    const Verb amo = verb(QStringLiteral("amō amāre amāvī amātum"), 1);
    EXPECT_EQ(rows(amo), split("amātūrus esse,amāvisse,amārī,amātum īrī,amātus esse,amāns,amātūrus,amātus,"
                               "amandum,amandus,amā/amāte,amāre/amāminī"));
    const auto all = amo.getVerbParts();
    EXPECT_EQ(QStringList(all.begin(), all.end()), rows(amo));
    EXPECT_TRUE(amo.getVerbPart(12).isNull());
    EXPECT_TRUE(amo.getVerbPart(-1).isNull());
    // Single operations answer the caret notation, except the imperative.
    EXPECT_EQ(amo.getPassiveImperative(true), QStringLiteral("am^are/am^amin^i"));
    EXPECT_EQ(amo.getImperative(), QStringLiteral("amā/amāte"));
    EXPECT_EQ(amo.getFutureParticiple(), QStringLiteral("amāt^urus"));
}

TEST(VerbNonFinite, DeponentRows) {
    const Verb hortor = verb(QStringLiteral("hortor hortārī hortātus sum"), 1);
    const QStringList r = rows(hortor);
    EXPECT_EQ(r.at(10), QStringLiteral("hortāre/hortāminī"));
    EXPECT_EQ(r.at(11), QStringLiteral(""));
    EXPECT_EQ(r.at(4), QStringLiteral(""));
    EXPECT_EQ(r.at(1), QStringLiteral("hortātus esse"));
    EXPECT_EQ(r.at(0), QStringLiteral("hortātūrus esse"));
    EXPECT_EQ(r.at(2), QStringLiteral("hortārī"));
    EXPECT_EQ(r.at(3), QStringLiteral(""));  // no passive future infinitive
    EXPECT_EQ(r.at(5), QStringLiteral("hortāns"));
}

TEST(VerbNonFinite, OtherConjugations) {
    EXPECT_EQ(rows(verb(QStringLiteral("regō regere rēxī rēctum"), 3)),
              split("rēctūrus esse,rēxisse,regī,rēctum īrī,rēctus esse,regēns,rēctūrus,rēctus,regendum,regendus,"
                    "rege/regite,regere/regiminī"));
    const QStringList monere = rows(verb(QStringLiteral("moneō monēre monuī monitum"), 2));
    EXPECT_EQ(monere.at(2), QStringLiteral("monērī"));
    EXPECT_EQ(monere.at(10), QStringLiteral("monē/monēte"));
    const QStringList audire = rows(verb(QStringLiteral("audiō audīre audīvī audītum"), 4));
    EXPECT_EQ(audire.at(2), QStringLiteral("audīrī"));
    EXPECT_EQ(audire.at(5), QStringLiteral("audiēns"));
    EXPECT_EQ(audire.at(8), QStringLiteral("audiendum"));
    const QStringList capere = rows(verb(QStringLiteral("capiō capere cēpī captum"), 5));
    EXPECT_EQ(capere.at(10), QStringLiteral("cape/capite"));
    EXPECT_EQ(capere.at(11), QStringLiteral("capere/capiminī"));
    EXPECT_EQ(capere.at(2), QStringLiteral("capī"));
}

TEST(VerbNonFinite, DoAndTheFutureParticipleOfMorior) {
    EXPECT_EQ(rows(verb(QStringLiteral("dō dare dedī datum"), 1)),
              split("datūrus esse,dedisse,darī,datum īrī,datus esse,dāns,datūrus,datus,dandum,dandus,dā/date,"
                    "dare/daminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("circumdō circumdare circumdedī circumdatum"), 1)).at(10),
              QStringLiteral("circumdā/circumdate"));

    // morior and orior build it on the present stem, not on mortuus, ortus.
    const Verb morior = verb(QStringLiteral("morior morī mortuus sum"), 5);
    EXPECT_EQ(morior.getVerbPart(6), QStringLiteral("moritūrus"));
    EXPECT_EQ(morior.getVerbPart(0), QStringLiteral("moritūrus esse"));
    EXPECT_EQ(morior.getVerbPart(7), QStringLiteral("mortuus"));
    EXPECT_EQ(verb(QStringLiteral("orior orīrī ortus sum"), 4).getVerbPart(6), QStringLiteral("oritūrus"));
    EXPECT_EQ(verb(QStringLiteral("adorior adorīrī adortus sum"), 4).getVerbPart(6), QStringLiteral("adoritūrus"));
    // Other deponents keep the participle's stem.
    EXPECT_EQ(verb(QStringLiteral("experior experīrī expertus sum"), 4).getVerbPart(6), QStringLiteral("expertūrus"));
    EXPECT_EQ(verb(QStringLiteral("loquor loquī locūtus sum"), 3).getVerbPart(6), QStringLiteral("locūtūrus"));
    EXPECT_EQ(verb(QStringLiteral("patior patī passus sum"), 5).getVerbPart(6), QStringLiteral("passūrus"));
}

TEST(VerbNonFinite, VerbWithoutSupine) {
    const QStringList r = rows(verb(QStringLiteral("timeō timēre timuī"), 2));
    EXPECT_EQ(r.at(0), QStringLiteral("(nil)"));
    EXPECT_EQ(r.at(1), QStringLiteral("timuisse"));
    EXPECT_EQ(r.at(3), QStringLiteral(""));
    EXPECT_EQ(r.at(4), QStringLiteral("(nil)"));
    EXPECT_EQ(r.at(6), QStringLiteral("(nil)"));
    EXPECT_EQ(r.at(7), QStringLiteral("(nil)"));
    EXPECT_EQ(r.at(5), QStringLiteral("timēns"));
}

TEST(VerbNonFinite, IrregularTables) {
    const Verb eo = verb(QStringLiteral("eō īre iī itum"), 7);
    EXPECT_EQ(eo.getImperative(), QStringLiteral("ī / īte"));
    EXPECT_EQ(eo.getAtypicalImperative(), QStringLiteral("ī / īte"));
    EXPECT_EQ(rows(eo), split("itūrus esse,iisse,īrī,itum īrī,itus esse,iēns,itūrus,itus,eundum,eundus,ī / īte,"
                              "īre / īminī"));
    const QStringList redeo = rows(verb(QStringLiteral("redeō redīre rediī reditum"), 7));
    EXPECT_EQ(redeo.at(10), QStringLiteral("redī / redīte"));
    EXPECT_EQ(redeo.at(1), QStringLiteral("rediisse"));
    EXPECT_EQ(redeo.at(5), QStringLiteral("rediēns"));

    const QStringList sum = rows(verb(QStringLiteral("sum esse fuī futūrus"), 8));
    EXPECT_EQ(sum.at(0), QStringLiteral("futūrus esse"));
    EXPECT_EQ(sum.at(1), QStringLiteral("fuisse"));
    EXPECT_EQ(sum.at(10), QStringLiteral("es / este"));
    EXPECT_EQ(sum.at(8), QStringLiteral("(nil)"));
    EXPECT_EQ(rows(verb(QStringLiteral("adsum adesse adfuī"), 8)).at(1), QStringLiteral("adfuisse"));
    EXPECT_EQ(rows(verb(QStringLiteral("absum abesse āfuī"), 8)).at(1), QStringLiteral("āfuisse"));

    EXPECT_EQ(rows(verb(QStringLiteral("ferō ferre tulī lātum"), 9)),
              split("lātūrus esse,tulisse,ferrī,lātum īrī,lātus esse,ferēns,lātūrus,lātus,ferendum,ferendus,"
                    "fer / ferte,ferre / feriminī"));
    // The compound's perfect and participle change the prefix: at-tulī, al-lātum.
    EXPECT_EQ(rows(verb(QStringLiteral("afferō afferre attulī allātum"), 9)),
              split("allātūrus esse,attulisse,afferrī,allātum īrī,allātus esse,afferēns,allātūrus,allātus,"
                    "afferendum,afferendus,affer / afferte,afferre / afferiminī"));

    EXPECT_EQ(rows(verb(QStringLiteral("possum posse potuī"), 15)).at(1), QStringLiteral("potuisse"));
    EXPECT_EQ(rows(verb(QStringLiteral("possum posse potuī"), 15)).at(5), QStringLiteral("(nil)"));
    EXPECT_EQ(rows(verb(QStringLiteral("nōlō nōlle nōluī"), 13)).at(10), QStringLiteral("nōlī / nōlīte"));
    EXPECT_EQ(rows(verb(QStringLiteral("fīō fierī factus sum"), 11)).at(2), QStringLiteral("fierī"));
    EXPECT_EQ(rows(verb(QStringLiteral("fīō fierī factus sum"), 11)).at(1), QStringLiteral("factus esse"));
    EXPECT_EQ(verb(QStringLiteral("volō velle voluī"), 12).getAtypicalGerund(), QStringLiteral("volendum"));
    EXPECT_TRUE(verb(QStringLiteral("amo amare"), 1).getAtypicalGerund().isNull());
}
