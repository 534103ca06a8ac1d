#include "morphology/Verb.h"
#include "morphology/VerbStems.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

Verb verb(const QString& latin, qint64 code) {
    Verb v;
    v.setLatin(latin);
    v.setConjugation(code);
    return v;
}

// The six persons of one tense, singular 1-3 then plural 1-3; "-" for nil.
QStringList row(const Word& v, bool indicative, bool active, qint64 tense) {
    QStringList forms;
    for (const bool singular : {true, false})
        for (qint64 person = 1; person <= 3; ++person) {
            const QString f = v.getConjugatedValue(person, singular, indicative, active, tense, false);
            forms.append(f.isNull() ? QStringLiteral("-") : f);
        }
    return forms;
}

QStringList split(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(',')); }

}  // namespace

TEST(VerbConjugation, AmoEveryTenseMoodAndVoice) {
    const Verb amo = verb(QStringLiteral("amō amāre amāvī amātum"), 1);
    struct Expected {
        bool indicative, active;
        qint64 tense;
        const char* forms;
    };
    const Expected table[] = {
        {true, true, 1, "amō,amās,amat,amāmus,amātis,amant"},
        {true, true, 2, "amābō,amābis,amābit,amābimus,amābitis,amābunt"},
        {true, true, 3, "amābam,amābās,amābat,amābāmus,amābātis,amābant"},
        {true, true, 4, "amāvī,amāvistī,amāvit,amāvimus,amāvistis,amāvērunt"},
        {true, true, 5, "amāverō,amāveris,amāverit,amāverimus,amāveritis,amāverint"},
        {true, true, 6, "amāveram,amāverās,amāverat,amāverāmus,amāverātis,amāverant"},
        {true, false, 1, "amor,amāris,amātur,amāmur,amāminī,amantur"},
        {true, false, 2, "amābor,amāberis,amābitur,amābimur,amābiminī,amābuntur"},
        {true, false, 3, "amābar,amābāris,amābātur,amābāmur,amābāminī,amābantur"},
        {true, false, 4, "amātus sum,amātus es,amātus est,amātī sumus,amātī estis,amātī sunt"},
        {true, false, 5, "amātus erō,amātus eris,amātus erit,amātī erimus,amātī eritis,amātī erunt"},
        {true, false, 6, "amātus eram,amātus erās,amātus erat,amātī erāmus,amātī erātis,amātī erant"},
        {false, true, 1, "amem,amēs,amet,amēmus,amētis,ament"},
        {false, true, 2, "-,-,-,-,-,-"},
        {false, true, 3, "amārem,amārēs,amāret,amārēmus,amārētis,amārent"},
        {false, true, 4, "amāverim,amāverīs,amāverit,amāverīmus,amāverītis,amāverint"},
        {false, true, 5, "-,-,-,-,-,-"},
        {false, true, 6, "amāvissem,amāvissēs,amāvisset,amāvissēmus,amāvissētis,amāvissent"},
        {false, false, 1, "amer,amēris,amētur,amēmur,amēminī,amentur"},
        {false, false, 2, "-,-,-,-,-,-"},
        {false, false, 3, "amārer,amārēris,amārētur,amārēmur,amārēminī,amārentur"},
        {false, false, 4, "amātus sim,amātus sīs,amātus sit,amātī sīmus,amātī sītis,amātī sint"},
        {false, false, 5, "-,-,-,-,-,-"},
        {false, false, 6, "amātus essem,amātus essēs,amātus esset,amātī essēmus,amātī essētis,amātī essent"},
    };
    for (const Expected& e : table)
        EXPECT_EQ(row(amo, e.indicative, e.active, e.tense), split(e.forms))
            << "indicative " << e.indicative << " active " << e.active << " tense " << e.tense;
    // Person 2 plural reads cell 4.
    EXPECT_EQ(amo.getConjugatedValue(2, false, true, true, 1, true), QStringLiteral("-ātis"));
}

TEST(VerbConjugation, OtherRegularConjugations) {
    const Verb rego = verb(QStringLiteral("regō regere rēxī rēctum"), 3);
    EXPECT_EQ(rego.getConjugatedValue(2, true, true, true, 2, false), QStringLiteral("regēs"));
    EXPECT_EQ(rego.getConjugatedValue(1, true, true, true, 3, false), QStringLiteral("regēbam"));
    EXPECT_EQ(row(rego, true, true, 1), split("regō,regis,regit,regimus,regitis,regunt"));
    EXPECT_EQ(row(rego, false, true, 3), split("regerem,regerēs,regeret,regerēmus,regerētis,regerent"));
    EXPECT_EQ(row(rego, true, false, 4).first(), QStringLiteral("rēctus sum"));
    EXPECT_EQ(rego.getConjugatedValue(3, false, true, true, 4, false), QStringLiteral("rēxērunt"));

    const Verb moneo = verb(QStringLiteral("moneō monēre monuī monitum"), 2);
    EXPECT_EQ(row(moneo, true, true, 1), split("moneō,monēs,monet,monēmus,monētis,monent"));
    EXPECT_EQ(row(moneo, false, false, 1), split("monear,moneāris,moneātur,moneāmur,moneāminī,moneantur"));
    EXPECT_EQ(row(moneo, false, true, 3).first(), QStringLiteral("monērem"));

    const Verb audio = verb(QStringLiteral("audiō audīre audīvī audītum"), 4);
    EXPECT_EQ(row(audio, true, true, 1), split("audiō,audīs,audit,audīmus,audītis,audiunt"));
    EXPECT_EQ(row(audio, true, true, 2).first(), QStringLiteral("audiam"));
    EXPECT_EQ(row(audio, false, true, 3).first(), QStringLiteral("audīrem"));

    const Verb capio = verb(QStringLiteral("capiō capere cēpī captum"), 5);
    EXPECT_EQ(row(capio, true, true, 1), split("capiō,capis,capit,capimus,capitis,capiunt"));
    EXPECT_EQ(row(capio, true, false, 1), split("capior,caperis,capitur,capimur,capiminī,capiuntur"));
    EXPECT_EQ(row(capio, true, true, 2), split("capiam,capiēs,capiet,capiēmus,capiētis,capient"));
    EXPECT_EQ(row(capio, true, true, 3).first(), QStringLiteral("capiēbam"));
    EXPECT_EQ(row(capio, false, true, 1).first(), QStringLiteral("capiam"));
    EXPECT_EQ(row(capio, false, true, 3).first(), QStringLiteral("caperem"));
    EXPECT_EQ(row(capio, false, true, 2), split("-,-,-,-,-,-"));
}

TEST(VerbConjugation, DoHasAShortAExceptInDas) {
    const Verb dare = verb(QStringLiteral("dō dare dedī datum"), 1);
    EXPECT_EQ(row(dare, true, true, 1), split("dō,dās,dat,damus,datis,dant"));
    EXPECT_EQ(row(dare, true, true, 2), split("dabō,dabis,dabit,dabimus,dabitis,dabunt"));
    EXPECT_EQ(row(dare, true, true, 3), split("dabam,dabās,dabat,dabāmus,dabātis,dabant"));
    EXPECT_EQ(row(dare, true, false, 1), split("dor,daris,datur,damur,daminī,dantur"));
    EXPECT_EQ(row(dare, true, false, 2), split("dabor,daberis,dabitur,dabimur,dabiminī,dabuntur"));
    EXPECT_EQ(row(dare, true, false, 3), split("dabar,dabāris,dabātur,dabāmur,dabāminī,dabantur"));
    EXPECT_EQ(row(dare, false, true, 1), split("dem,dēs,det,dēmus,dētis,dent"));
    EXPECT_EQ(row(dare, false, true, 3), split("darem,darēs,daret,darēmus,darētis,darent"));
    EXPECT_EQ(row(dare, true, true, 4), split("dedī,dedistī,dedit,dedimus,dedistis,dedērunt"));
    // Compounds of the first conjugation follow dō; the table's ending itself
    // is the conjugation's, not the verb's.
    const Verb circumdo = verb(QStringLiteral("circumdō circumdare circumdedī circumdatum"), 1);
    EXPECT_EQ(row(circumdo, true, true, 1), split("circumdō,circumdās,circumdat,circumdamus,circumdatis,circumdant"));
    EXPECT_EQ(circumdo.getConjugatedValue(1, true, true, true, 3, false), QStringLiteral("circumdabam"));
    EXPECT_EQ(circumdo.getConjugatedValue(1, false, true, true, 1, true), QStringLiteral("-āmus"));

    // Other first-conjugation verbs, with a d before the ending or a
    // reduplicated perfect of their own, keep the long a.
    EXPECT_EQ(row(verb(QStringLiteral("laudō laudāre laudāvī laudātum"), 1), true, true, 1),
              split("laudō,laudās,laudat,laudāmus,laudātis,laudant"));
    EXPECT_EQ(row(verb(QStringLiteral("stō stāre stetī statum"), 1), true, true, 2).first(), QStringLiteral("stābō"));
    EXPECT_EQ(row(verb(QStringLiteral("mandō mandāre mandāvī mandātum"), 1), true, false, 3).first(),
              QStringLiteral("mandābar"));
}

TEST(VerbConjugation, AbbreviatedPrincipalParts) {
    const Verb amo = verb(QStringLiteral("amo -are -avi -atum"), 1);
    EXPECT_EQ(amo.getInfinitive(true), QStringLiteral("amare"));
    EXPECT_EQ(amo.getInfinitive(false), QStringLiteral("-are"));
    EXPECT_EQ(amo.getPastParticipleStem(true, true), QStringLiteral("amav"));
    EXPECT_EQ(amo.getSupine(true, true), QStringLiteral("amat"));
    const Verb rego = verb(QStringLiteral("rego -ere -xi -ctum"), 3);
    EXPECT_EQ(rego.getPastParticipleStem(true, false), QStringLiteral("rexi"));
    EXPECT_EQ(rego.getSupine(true, false), QStringLiteral("rectum"));
    const Verb duco = verb(QStringLiteral("duco -ere -xi -ctum"), 3);
    EXPECT_EQ(duco.getSupine(true, false), QStringLiteral("ductum"));
    EXPECT_EQ(duco.getConjugatedValue(1, true, true, true, 4, false), QStringLiteral("duxī"));
}

TEST(VerbConjugation, DeponentAndSemiDeponent) {
    const Verb hortor = verb(QStringLiteral("hortor hortārī hortātus sum"), 1);
    EXPECT_EQ(hortor.getVerbType(), WordCode::Deponent);
    EXPECT_EQ(hortor.getFirstPersonStem(true, 1), QStringLiteral("hort"));
    EXPECT_EQ(hortor.getConjugatedValue(1, true, true, true, 1, false), QStringLiteral("hortor"));
    EXPECT_EQ(hortor.getConjugatedValue(1, true, true, true, 4, false), QStringLiteral("hortātus sum"));
    EXPECT_EQ(hortor.getConjugatedValue(1, true, false, true, 3, false), QStringLiteral("hortārer"));
    bool passive = true, perfectPassive = true;
    hortor.hasPassive(&passive, &perfectPassive);
    EXPECT_FALSE(passive);
    EXPECT_FALSE(perfectPassive);

    // Third-conjugation deponents keep -er- in the imperfect subjunctive.
    const Verb loquor = verb(QStringLiteral("loquor loquī locūtus sum"), 3);
    EXPECT_EQ(loquor.getConjugatedValue(1, true, false, true, 3, false), QStringLiteral("loquerer"));
    EXPECT_EQ(loquor.getConjugatedValue(2, true, true, true, 1, false), QStringLiteral("loqueris"));
    const Verb patior = verb(QStringLiteral("patior patī passus sum"), 5);
    EXPECT_EQ(patior.getConjugatedValue(3, true, false, true, 3, false), QStringLiteral("paterētur"));
    EXPECT_EQ(patior.getConjugatedValue(1, true, true, true, 1, false), QStringLiteral("patior"));

    const Verb audeo = verb(QStringLiteral("audeo audere ausus sum"), 2);
    EXPECT_EQ(audeo.getVerbType(), WordCode::SemiDeponent);
    EXPECT_EQ(audeo.getConjugatedValue(1, true, true, true, 1, false), QStringLiteral("audeō"));
    EXPECT_EQ(audeo.getConjugatedValue(1, true, true, true, 4, false), QStringLiteral("ausus sum"));
    EXPECT_EQ(audeo.getConjugatedValue(1, false, true, true, 4, false), QStringLiteral("ausī sumus"));
    audeo.hasPassive(&passive, &perfectPassive);
    EXPECT_TRUE(passive);
    EXPECT_FALSE(perfectPassive);

    const Verb amo = verb(QStringLiteral("amo amare amavi amatum"), 1);
    amo.hasPassive(&passive, &perfectPassive);
    EXPECT_TRUE(passive);
    EXPECT_TRUE(perfectPassive);
}

TEST(VerbConjugation, PossumStems) {
    const Verb possum = verb(QStringLiteral("possum posse potuī"), 15);
    EXPECT_EQ(possum.getFirstPersonStem(true, 1), QStringLiteral("pos"));
    EXPECT_EQ(possum.getFirstPersonStem(true, 3), QStringLiteral("pot"));
    EXPECT_EQ(possum.getFirstPersonStem(false, 3), QStringLiteral("possum"));
    EXPECT_EQ(row(possum, true, true, 1), split("possum,potes,potest,possumus,potestis,possunt"));
    EXPECT_EQ(row(possum, true, true, 2), split("poterō,poteris,poterit,poterimus,poteritis,poterunt"));
    EXPECT_EQ(row(possum, true, true, 3).first(), QStringLiteral("poteram"));
    EXPECT_EQ(row(possum, true, true, 4), split("potuī,potuistī,potuit,potuimus,potuistis,potuērunt"));
    EXPECT_EQ(row(possum, false, true, 1), split("possim,possīs,possit,possīmus,possītis,possint"));
    EXPECT_EQ(row(possum, false, true, 3), split("possem,possēs,posset,possēmus,possētis,possent"));
    EXPECT_EQ(row(possum, false, true, 6).first(), QStringLiteral("potuissem"));
}

TEST(VerbConjugation, IrregularVerbsAndTheirCompounds) {
    ASSERT_EQ(Verb::verbEndings().size(), 9u) << "the VerbEndings resource folder was not found";
    EXPECT_TRUE(Verb::endingsForConjugation(8).isDictionary());
    EXPECT_TRUE(Verb::endingsForConjugation(5).isNull());

    const Verb eo = verb(QStringLiteral("eō īre iī itum"), 7);
    EXPECT_EQ(row(eo, true, true, 1), split("eō,īs,it,īmus,ītis,eunt"));
    EXPECT_EQ(row(eo, true, true, 2).first(), QStringLiteral("ībō"));
    EXPECT_EQ(row(eo, true, true, 4).at(2), QStringLiteral("iit"));
    EXPECT_EQ(row(eo, false, true, 3).first(), QStringLiteral("īrem"));
    const Verb redeo = verb(QStringLiteral("redeō redīre rediī reditum"), 7);
    EXPECT_EQ(redeo.getFirstPersonStem(true, 1), QStringLiteral("red"));
    EXPECT_EQ(row(redeo, true, true, 1), split("redeō,redīs,redit,redīmus,redītis,redeunt"));
    EXPECT_EQ(row(redeo, true, true, 4).first(), QStringLiteral("rediī"));

    const Verb sum = verb(QStringLiteral("sum esse fuī futūrus"), 8);
    EXPECT_EQ(row(sum, true, true, 1), split("sum,es,est,sumus,estis,sunt"));
    EXPECT_EQ(row(sum, true, true, 4), split("fuī,fuistī,fuit,fuimus,fuistis,fuērunt"));
    EXPECT_EQ(row(sum, false, true, 3).first(), QStringLiteral("essem"));
    const Verb adsum = verb(QStringLiteral("adsum adesse adfuī"), 8);
    EXPECT_EQ(row(adsum, true, true, 1), split("adsum,ades,adest,adsumus,adestis,adsunt"));
    EXPECT_EQ(row(adsum, true, true, 4).first(), QStringLiteral("adfuī"));
    EXPECT_EQ(row(adsum, true, true, 2).first(), QStringLiteral("aderō"));
    // prōsum keeps the d of prōd- before a vowel, and only there.
    const Verb prosum = verb(QStringLiteral("prōsum prōdesse prōfuī"), 8);
    EXPECT_EQ(row(prosum, true, true, 1), split("prōsum,prōdes,prōdest,prōsumus,prōdestis,prōsunt"));
    EXPECT_EQ(row(prosum, true, true, 2).first(), QStringLiteral("prōderō"));
    EXPECT_EQ(row(prosum, true, true, 3).first(), QStringLiteral("prōderam"));
    EXPECT_EQ(row(prosum, false, true, 1).first(), QStringLiteral("prōsim"));
    EXPECT_EQ(row(prosum, false, true, 3).first(), QStringLiteral("prōdessem"));
    EXPECT_EQ(row(prosum, true, true, 4).first(), QStringLiteral("prōfuī"));
    EXPECT_EQ(prosum.getVerbPart(10), QStringLiteral("prōdes / prōdeste"));
    EXPECT_EQ(prosum.getVerbPart(0), QStringLiteral("prōfutūrus esse"));

    const Verb fero = verb(QStringLiteral("ferō ferre tulī lātum"), 9);
    EXPECT_EQ(row(fero, true, true, 1), split("ferō,fers,fert,ferimus,fertis,ferunt"));
    EXPECT_EQ(row(fero, true, false, 1), split("feror,ferris,fertur,ferimur,feriminī,feruntur"));
    EXPECT_EQ(row(fero, true, false, 4).first(), QStringLiteral("lātus sum"));
    EXPECT_EQ(row(fero, false, true, 3).first(), QStringLiteral("ferrem"));
    const Verb affero = verb(QStringLiteral("afferō afferre attulī allātum"), 9);
    EXPECT_EQ(row(affero, true, true, 1).first(), QStringLiteral("afferō"));
    EXPECT_EQ(row(affero, true, true, 4).first(), QStringLiteral("attulī"));
    EXPECT_EQ(row(affero, true, false, 4).at(5), QStringLiteral("allātī sunt"));

    const Verb edo = verb(QStringLiteral("edō ēsse ēdī ēsum"), 10);
    EXPECT_EQ(row(edo, true, true, 1), split("edō,ēs,ēst,edimus,ēstis,edunt"));
    EXPECT_EQ(row(edo, true, true, 4).first(), QStringLiteral("ēdī"));
    const Verb comedo = verb(QStringLiteral("comedō comēsse comēdī comēsum"), 10);
    EXPECT_EQ(row(comedo, true, true, 1).at(5), QStringLiteral("comedunt"));

    const Verb fio = verb(QStringLiteral("fīō fierī factus sum"), 11);
    EXPECT_EQ(row(fio, true, true, 1), split("fīō,fīs,fit,fīmus,fītis,fīunt"));
    EXPECT_EQ(row(fio, true, true, 4).first(), QStringLiteral("factus sum"));
    EXPECT_EQ(row(fio, false, true, 3).first(), QStringLiteral("fierem"));

    EXPECT_EQ(row(verb(QStringLiteral("volō velle voluī"), 12), true, true, 1),
              split("volō,vīs,vult,volumus,vultis,volunt"));
    EXPECT_EQ(row(verb(QStringLiteral("volō velle voluī"), 12), false, true, 3).first(), QStringLiteral("vellem"));
    EXPECT_EQ(row(verb(QStringLiteral("nōlō nōlle nōluī"), 13), true, true, 1),
              split("nōlō,nōn vīs,nōn vult,nōlumus,nōn vultis,nōlunt"));
    EXPECT_EQ(row(verb(QStringLiteral("mālō mālle māluī"), 14), true, true, 1),
              split("mālō,māvīs,māvult,mālumus,māvultis,mālunt"));
    EXPECT_EQ(row(verb(QStringLiteral("mālō mālle māluī"), 14), true, true, 4).first(), QStringLiteral("māluī"));
}

TEST(VerbConjugation, GuessConjugation) {
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("capio capere")), 5);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("amo amāre")), 1);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("moneo monēre")), 2);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("audio audire")), 4);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("moneo monere")), 3);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("audio")), 4);
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("amo")), 0);
    EXPECT_EQ(Verb::guessConjugation(QString()), 0);
    CaptureLogger::Scope capture;
    EXPECT_EQ(Verb::guessConjugation(QStringLiteral("capio cxpxx")), 4);
    EXPECT_TRUE(capture->contains(QStringLiteral("bad cong type")));
}

TEST(VerbConjugation, FailuresAreLoggedAndGiveNil) {
    CaptureLogger::Scope capture;
    Word noun;
    noun.setWordType(1);
    EXPECT_TRUE(noun.getConjugatedValue(1, true, true, true, 1, false).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("unable to conjugate this")));

    EXPECT_TRUE(Verb::get1stConjugationString(true, true, 9).isEmpty());
    EXPECT_TRUE(capture->contains(QStringLiteral("bad case constant")));
    EXPECT_TRUE(Verb::getMixedConjugationString(true, true, 0).isEmpty());
    EXPECT_TRUE(capture->contains(QStringLiteral("bad case constant getMixedConjugationString")));

    const Verb odd = verb(QStringLiteral("foo fare"), 6);
    EXPECT_TRUE(odd.getConjugatedValue(1, true, true, true, 1, false).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("unhandled case (Verb)")));
    EXPECT_TRUE(Verb::getConjugationEnding(1, 4, true, true, true, 1).isNull());
    EXPECT_TRUE(Verb::getConjugationEnding(1, 0, true, true, true, 1).isNull());
}

TEST(VerbConjugation, ShortOrMissingPartsGiveEmptyForms) {
    for (const char* latin : {"", "a", "o", "amo", "amo amare", "amo amare -", "or", "- - - -", "possum"}) {
        for (qint64 code = 0; code <= 16; ++code) {
            const Verb v = verb(QString::fromUtf8(latin), code);
            for (qint64 tense = 0; tense <= 7; ++tense)
                for (const bool ind : {true, false})
                    for (const bool act : {true, false})
                        v.getConjugatedValue(3, false, ind, act, tense, false);
            v.getVerbParts();
            QStringList forms;
            Verb::addVerbForms(forms, v);
        }
    }
    const Verb amo = verb(QStringLiteral("amo amare"), 1);
    EXPECT_TRUE(amo.getConjugatedValue(1, true, true, true, 4, false).isNull());
    EXPECT_TRUE(amo.getConjugatedValue(1, true, true, false, 4, false).isNull());
    EXPECT_TRUE(verb(QStringLiteral("o"), 2).getFirstPersonStem(true, 1).isNull());
    EXPECT_TRUE(verb(QStringLiteral("amo amare amavi"), 1).getSupine(true, true).isNull());
}

TEST(VerbConjugation, AddVerbFormsOrderAndParticiples) {
    const Verb amo = verb(QStringLiteral("amō amāre amāvī amātum"), 1);
    QStringList forms;
    Verb::addVerbForms(forms, amo);
    // 6 tenses x 2 voices x 2 moods x 6 persons, less the 2 x 2 x 6 empty
    // subjunctive futures.
    EXPECT_EQ(forms.size(), 144 - 24);
    // Tense 1, passive, subjunctive, plural, person 1 comes first.
    EXPECT_EQ(forms.first(), QStringLiteral("amēmur"));
    EXPECT_EQ(forms.last(), QStringLiteral("amāverat"));
    EXPECT_TRUE(forms.contains(QStringLiteral("amātī")));
    EXPECT_FALSE(forms.contains(QStringLiteral("amātī sunt")));

    QStringList none;
    Verb::addVerbForms(none, verb(QStringLiteral("sum esse fuī"), 8));
    EXPECT_TRUE(none.isEmpty());
}

TEST(VerbConjugation, IrregularTablesLoadOnceAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<const IrregularVerbTable*> seen(8, nullptr);
    for (int i = 0; i < 8; ++i) threads.emplace_back([&seen, i] { seen[i] = Verb::irregularTable(9); });
    for (auto& t : threads) t.join();
    ASSERT_TRUE(seen.front());
    EXPECT_EQ(seen.front()->name, QStringLiteral("fero"));
    for (const auto* t : seen) EXPECT_EQ(t, seen.front());
    // Every table has its six-cell lists where a verb has forms.
    for (qint64 code = 7; code <= 15; ++code) {
        const IrregularVerbTable* table = Verb::irregularTable(code);
        ASSERT_TRUE(table) << code;
        for (int ind = 0; ind < 2; ++ind)
            for (int act = 0; act < 2; ++act)
                for (int tense = 1; tense <= 6; ++tense) {
                    const QStringList& list = table->lists[ind][act][tense];
                    EXPECT_TRUE(list.isEmpty() || list.size() == 6) << code << " " << tense;
                }
        EXPECT_FALSE(table->lists[1][1][1].isEmpty()) << code;
    }
}
