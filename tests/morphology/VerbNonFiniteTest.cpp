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
    // No passive future infinitive and no passive imperative of their own.
    EXPECT_EQ(rows(verb(QStringLiteral("hortor hortārī hortātus sum"), 1)),
              split("hortātūrus esse,hortātus esse,hortārī,,,hortāns,hortātūrus,hortātus,hortandum,hortandus,"
                    "hortāre/hortāminī,"));
}

TEST(VerbNonFinite, OtherConjugations) {
    EXPECT_EQ(rows(verb(QStringLiteral("regō regere rēxī rēctum"), 3)),
              split("rēctūrus esse,rēxisse,regī,rēctum īrī,rēctus esse,regēns,rēctūrus,rēctus,regendum,regendus,"
                    "rege/regite,regere/regiminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("moneō monēre monuī monitum"), 2)),
              split("monitūrus esse,monuisse,monērī,monitum īrī,monitus esse,monēns,monitūrus,monitus,monendum,"
                    "monendus,monē/monēte,monēre/monēminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("audiō audīre audīvī audītum"), 4)),
              split("audītūrus esse,audīvisse,audīrī,audītum īrī,audītus esse,audiēns,audītūrus,audītus,audiendum,"
                    "audiendus,audī/audīte,audīre/audīminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("capiō capere cēpī captum"), 5)),
              split("captūrus esse,cēpisse,capī,captum īrī,captus esse,capiēns,captūrus,captus,capiendum,capiendus,"
                    "cape/capite,capere/capiminī"));
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
    EXPECT_EQ(rows(verb(QStringLiteral("timeō timēre timuī"), 2)),
              split("(nil),timuisse,timērī,,(nil),timēns,(nil),(nil),timendum,timendus,timē/timēte,timēre/timēminī"));
}

TEST(VerbNonFinite, IrregularTables) {
    const Verb eo = verb(QStringLiteral("eō īre iī itum"), 7);
    EXPECT_EQ(eo.getImperative(), QStringLiteral("ī / īte"));
    EXPECT_EQ(eo.getAtypicalImperative(), QStringLiteral("ī / īte"));
    EXPECT_EQ(rows(eo), split("itūrus esse,īsse,īrī,itum īrī,itus esse,iēns,itūrus,itus,eundum,eundus,ī / īte,"
                              "īre / īminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("redeō redīre rediī reditum"), 7)),
              split("reditūrus esse,redīsse,redīrī,reditum īrī,reditus esse,rediēns,reditūrus,reditus,redeundum,"
                    "redeundus,redī / redīte,redīre / redīminī"));
    EXPECT_EQ(rows(verb(QStringLiteral("sum esse fuī futūrus"), 8)),
              split("futūrus esse,fuisse,(nil),(nil),(nil),(nil),futūrus,(nil),(nil),(nil),es / este,(nil)"));
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
    EXPECT_EQ(rows(verb(QStringLiteral("nōlō nōlle nōluī"), 13)).at(10), QStringLiteral("nōlī / nōlīte"));
    EXPECT_EQ(rows(verb(QStringLiteral("fīō fierī factus sum"), 11)).at(2), QStringLiteral("fierī"));
    EXPECT_EQ(rows(verb(QStringLiteral("fīō fierī factus sum"), 11)).at(1), QStringLiteral("factus esse"));
    EXPECT_EQ(verb(QStringLiteral("volō velle voluī"), 12).getAtypicalGerund(), QStringLiteral("volendum"));
    EXPECT_TRUE(verb(QStringLiteral("amo amare"), 1).getAtypicalGerund().isNull());
}

// dīc, dūc, fac (and fer, which its table gives) have no final -e; nor have
// the compounds of dīcō and dūcō and those that keep -faciō. Compounds in
// -ficiō have it.
TEST(VerbNonFinite, ShortImperatives) {
    const struct {
        const char* latin;
        qint64 code;
        const char* imperative;
    } rows[] = {
        {"dūcō dūcere dūxī ductum", 3, "dūc/dūcite"},
        {"dūco -ere -xi -ctum", 3, "dūc/dūcite"},
        {"addūcō addūcere addūxī adductum", 3, "addūc/addūcite"},
        {"dīcō dīcere dīxī dictum", 3, "dīc/dīcite"},
        {"ēdīcō ēdīcere ēdīxī ēdictum", 3, "ēdīc/ēdīcite"},
        {"faciō facere fēcī factum", 5, "fac/facite"},
        {"calefaciō calefacere calefēcī calefactum", 5, "calefac/calefacite"},
        {"cōnficiō cōnficere cōnfēcī cōnfectum", 5, "cōnfice/cōnficite"},
        {"regō regere rēxī rēctum", 3, "rege/regite"},
        {"capiō capere cēpī captum", 5, "cape/capite"},
        {"dēdicō dēdicāre dēdicāvī dēdicātum", 1, "dēdicā/dēdicāte"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.latin);
        EXPECT_EQ(verb(QString::fromUtf8(r.latin), r.code).getVerbPart(10), QString::fromUtf8(r.imperative));
    }
}

// The passive infinitive and imperative of faciō are fīō's.
TEST(VerbNonFinite, FacioPassiveRows) {
    EXPECT_EQ(rows(verb(QStringLiteral("faciō facere fēcī factum"), 5)),
              split("factūrus esse,fēcisse,fierī,factum īrī,factus esse,faciēns,factūrus,factus,faciendum,faciendus,"
                    "fac/facite,fī/fīte"));
    const QStringList calefacio = rows(verb(QStringLiteral("calefaciō calefacere calefēcī calefactum"), 5));
    EXPECT_EQ(calefacio.at(2), QStringLiteral("calefierī"));
    EXPECT_EQ(calefacio.at(11), QStringLiteral("calefī/calefīte"));
    const QStringList conficio = rows(verb(QStringLiteral("cōnficiō cōnficere cōnfēcī cōnfectum"), 5));
    EXPECT_EQ(conficio.at(2), QStringLiteral("cōnficī"));
    EXPECT_EQ(conficio.at(11), QStringLiteral("cōnficere/cōnficiminī"));
}

TEST(VerbNonFinite, ParticiplesGerundAndFutureInfinitiveOfIrregularVerbs) {
    const struct {
        const char* latin;
        qint64 code;
        int row;
        const char* form;
    } rows[] = {
        {"possum posse potuī", 15, 5, "potēns"},
        {"mālō mālle māluī", 14, 5, "mālēns"},
        {"volō velle voluī", 12, 5, "volēns"},
        {"fīō fierī factus sum", 11, 8, "fiendum"},
        {"fīō fierī factus sum", 11, 0, "factum īrī"},
        {"fīō fierī factus sum", 11, 9, "faciendus"},
        {"calefīō calefierī calefactus sum", 11, 8, "calefiendum"},
        {"calefīō calefierī calefactus sum", 11, 0, "calefactum īrī"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.latin << " row " << r.row);
        EXPECT_EQ(verb(QString::fromUtf8(r.latin), r.code).getVerbPart(r.row), QString::fromUtf8(r.form));
    }
}

TEST(VerbNonFinite, UnmarkedPartsAsTheAnalyserWritesThem) {
    struct Case { const char* latin; qint64 code; qint64 part; const char* form; };
    const Case cases[] = {
        // The alternative in brackets is no part of the stem.
        {"eo ire ivi(ii) itus", WordCode::Eo, 1, "īvisse"},
        {"fero ferre tuli latus()", WordCode::Fero, 1, "tulisse"},
        {"sum esse fui futurus()", WordCode::Sum, 0, "futūrus esse"},
        // The future passive infinitive is the supine in -um with īrī.
        {"amo amare amavi amatus", 1, 3, "amātum īrī"},
        {"moneo monere monui monitus", 2, 3, "monitum īrī"},
        {"audio audire audivi auditus", 4, 3, "audītum īrī"},
        // Lengths no regular pattern tells stay as the part came.
        {"rego regere rexi rectus", 3, 3, "rectum īrī"},
        // Regular stem vowels marked; dō and stō keep their short a.
        {"audio audire audivi auditus", 4, 2, "audīrī"},
        {"partior partiri partitus sum", 4, 7, "partītus"},
        {"do dare dedi datus", 1, 2, "darī"},
        {"do dare dedi datus", 1, 3, "datum īrī"},
        {"sto stare steti status", 1, 1, "stetisse"},
        {"sto stare steti status", 1, 3, "statum īrī"},
    };
    for (const Case& c : cases) {
        const Verb v = verb(QString::fromUtf8(c.latin), c.code);
        EXPECT_EQ(v.getVerbPart(c.part), QString::fromUtf8(c.form)) << c.latin << " part " << c.part;
    }
    const Verb eo = verb(QStringLiteral("eo ire ivi(ii) itus"), WordCode::Eo);
    EXPECT_EQ(eo.getConjugatedValue(1, true, true, true, 4, false), QStringLiteral("īvī"));
    const Verb fero = verb(QStringLiteral("fero ferre tuli latus()"), WordCode::Fero);
    EXPECT_EQ(fero.getConjugatedValue(3, false, true, false, 4, false), QStringLiteral("latī sunt"));
    // A part the dictionary leaves out ("-") keeps its place: the supine
    // after a missing perfect is still the supine, not a perfect.
    const Verb elevo = verb(QStringLiteral("ēlĕvo -āre - -ātum"), 1);
    EXPECT_EQ(elevo.getVerbType(), WordCode::Ordinary);
    EXPECT_TRUE(elevo.getVerbPart(3).endsWith(QStringLiteral("ātum īrī"))) << elevo.getVerbPart(3).toStdString();
    EXPECT_FALSE(elevo.getVerbPart(1).contains(QStringLiteral("ātum"))) << elevo.getVerbPart(1).toStdString();
}
