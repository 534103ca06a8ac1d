#include "morphology/Verb.h"
#include "morphology/VerbPartPlacement.h"
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

// Rows of a paradigm: verb, conjugation code, indicative, active, tense, the
// cell checked (-1 for all six) and the expected form(s).
namespace {
struct RowCheck {
    const char* latin;
    qint64 code;
    bool indicative, active;
    qint64 tense;
    int cell;
    const char* forms;
};

void checkRows(const std::initializer_list<RowCheck>& rows) {
    for (const RowCheck& r : rows) {
        SCOPED_TRACE(testing::Message() << r.latin << (r.indicative ? " ind" : " subj") << (r.active ? " act" : " pass")
                                        << " tense " << r.tense);
        const QStringList got = row(verb(QString::fromUtf8(r.latin), r.code), r.indicative, r.active, r.tense);
        if (r.cell < 0) {
            EXPECT_EQ(got, split(r.forms));
        } else {
            EXPECT_EQ(got.at(r.cell), QString::fromUtf8(r.forms));
        }
    }
}

constexpr bool I = true, S = false, A = true, Pa = false;
}  // namespace

TEST(VerbConjugation, OtherRegularConjugations) {
    const char* rego = "regō regere rēxī rēctum";
    const char* moneo = "moneō monēre monuī monitum";
    const char* audio = "audiō audīre audīvī audītum";
    const char* capio = "capiō capere cēpī captum";
    checkRows({
        {rego, 3, I, A, 2, 1, "regēs"}, {rego, 3, I, A, 3, 0, "regēbam"}, {rego, 3, I, Pa, 4, 0, "rēctus sum"},
        {rego, 3, I, A, 1, -1, "regō,regis,regit,regimus,regitis,regunt"}, {rego, 3, I, A, 4, 5, "rēxērunt"},
        {rego, 3, S, A, 3, -1, "regerem,regerēs,regeret,regerēmus,regerētis,regerent"},
        {moneo, 2, I, A, 1, -1, "moneō,monēs,monet,monēmus,monētis,monent"}, {moneo, 2, S, A, 3, 0, "monērem"},
        {moneo, 2, S, Pa, 1, -1, "monear,moneāris,moneātur,moneāmur,moneāminī,moneantur"},
        {audio, 4, I, A, 1, -1, "audiō,audīs,audit,audīmus,audītis,audiunt"}, {audio, 4, I, A, 2, 0, "audiam"},
        {audio, 4, S, A, 3, 0, "audīrem"},
        {capio, 5, I, A, 1, -1, "capiō,capis,capit,capimus,capitis,capiunt"},
        {capio, 5, I, Pa, 1, -1, "capior,caperis,capitur,capimur,capiminī,capiuntur"},
        {capio, 5, I, A, 2, -1, "capiam,capiēs,capiet,capiēmus,capiētis,capient"}, {capio, 5, I, A, 3, 0, "capiēbam"},
        {capio, 5, S, A, 1, 0, "capiam"}, {capio, 5, S, A, 3, 0, "caperem"}, {capio, 5, S, A, 2, -1, "-,-,-,-,-,-"},
    });
}

TEST(VerbConjugation, DoHasAShortAExceptInDas) {
    const char* dare = "dō dare dedī datum";
    checkRows({
        {dare, 1, I, A, 1, -1, "dō,dās,dat,damus,datis,dant"},
        {dare, 1, I, A, 2, -1, "dabō,dabis,dabit,dabimus,dabitis,dabunt"},
        {dare, 1, I, A, 3, -1, "dabam,dabās,dabat,dabāmus,dabātis,dabant"},
        {dare, 1, I, Pa, 1, -1, "dor,daris,datur,damur,daminī,dantur"},
        {dare, 1, I, Pa, 2, -1, "dabor,daberis,dabitur,dabimur,dabiminī,dabuntur"},
        {dare, 1, I, Pa, 3, -1, "dabar,dabāris,dabātur,dabāmur,dabāminī,dabantur"},
        {dare, 1, S, A, 1, -1, "dem,dēs,det,dēmus,dētis,dent"},
        {dare, 1, S, A, 3, -1, "darem,darēs,daret,darēmus,darētis,darent"},
        {dare, 1, I, A, 4, -1, "dedī,dedistī,dedit,dedimus,dedistis,dedērunt"},
        // Compounds of the first conjugation follow dō.
        {"circumdō circumdare circumdedī circumdatum", 1, I, A, 1, -1,
         "circumdō,circumdās,circumdat,circumdamus,circumdatis,circumdant"},
        {"circumdō circumdare circumdedī circumdatum", 1, I, A, 3, 0, "circumdabam"},
        // Other first-conjugation verbs, with a d before the ending or a
        // reduplicated perfect of their own, keep the long a.
        {"laudō laudāre laudāvī laudātum", 1, I, A, 1, -1, "laudō,laudās,laudat,laudāmus,laudātis,laudant"},
        {"stō stāre stetī statum", 1, I, A, 2, 0, "stābō"}, {"mandō mandāre mandāvī mandātum", 1, I, Pa, 3, 0, "mandābar"},
    });
    // The table's ending itself is the conjugation's, not the verb's.
    EXPECT_EQ(verb(QStringLiteral("circumdō circumdare circumdedī circumdatum"), 1)
                  .getConjugatedValue(1, false, true, true, 1, true),
              QStringLiteral("-āmus"));
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

// A shortened part that begins with a vowel: a true ending (-āvī, -ēvī of
// the second conjugation, -uī, -itum, -īvī) joins the present stem, without
// doubling a stem's last u; any other vowel restates the stem from its last
// vowel (ĕdo ēsum, ob-ēdī, ex-ēgī, quĭ-ēvī, opp-ressī), never glued behind it;
// a consonant part does not double the stem's last letter.
TEST(VerbConjugation, ShortenedPartsStandAtTheRightPointOfTheStem) {
    const struct {
        const char* latin;
        qint64 code;
        const char* perfect;  // first person singular
        const char* supine;   // "" for none
    } cases[] = {
        {"ĕdo -ere ēdi -ēsum", 3, "ēdī", "ēsum"},
        {"ŏbĕdo -ĕre -ēdi -ēsum", 3, "ŏbēdī", "ŏbēsum"},
        {"agō -ere -ēgī -āctus", 3, "ēgī", "āctus"},
        {"exĭgo -ere -ēgi -actum", 3, "exēgī", "exactum"},
        {"quĭesco -ere -ēvi -ētum", 3, "quĭēvī", "quĭētum"},
        {"opprĭmo -ere -essi -essum", 3, "oppressī", "oppressum"},
        {"ērĭpĭo -ere -ĭpŭi -eptum", 5, "ērĭpŭī", "ēreptum"},
        {"obsĭdĕo -ēre -ēdi -essum", 2, "obsēdī", "obsessum"},
        {"ēlŭo -ere -ŭi -ūtum", 3, "ēlŭī", "ēlūtum"},
        // A consonant part that begins with the stem's last letter: once.
        {"răpĭo -ere -pŭi -ptum", 5, "răpŭī", "răptum"},
        {"carpo -ere -psi -ptum", 3, "carpsī", "carptum"},
        // -si, -sum and -ssum take the place of a stem's final d or t.
        {"verto -ere -ti -sum", 3, "vertī", "versum"},
        {"claudo -ere -si -sum", 3, "clausī", "clausum"},
        {"concŭtĭo -ere -ssi -ssum", 5, "concŭssī", "concŭssum"},
        {"ostendo -ere -di -tum", 3, "ostendī", "ostentum"},
        // True endings keep joining the stem.
        {"gĕmo -ere -ŭi -ĭtum", 3, "gĕmŭī", "gĕmĭtum"},
        {"explĕo -ēre -ēvi -ētum", 2, "explēvī", "explētum"},
        {"bālo -āre -āvi -ātum", 1, "bālāvī", "bālātum"},
        {"exercĕo -ēre -ŭi -itum", 2, "exercŭī", "exercitum"},
        {"quaeso -ere -īvi", 3, "quaesīvī", ""},
        {"ērŭdĭo -īre -īvi -ītum", 4, "ērŭdīvī", "ērŭdītum"},
        // A compound of iaciō whose headword drops the j its parts keep
        // (lines made before the converters wrote such parts whole).
        {"ēĭcĭo -ere -jēci -jectum", 5, "ēiēcī", "ēiectum"},
        {"trāĭcĭo -ere -jēci -jectum", 5, "trāiēcī", "trāiectum"},
        {"objĭcĭo -ere -jēci -jectum", 5, "objēcī", "objectum"},
        {"adiŭvo -āre -jūvi -jūtum", 1, "adiūvī", "adiūtum"},
    };
    for (const auto& c : cases) {
        const Verb v = verb(QString::fromUtf8(c.latin), c.code);
        EXPECT_EQ(v.getConjugatedValue(1, true, true, true, 4, false), QString::fromUtf8(c.perfect)) << c.latin;
        EXPECT_EQ(v.getSupine(true, false), QString::fromUtf8(c.supine)) << c.latin;
    }
    // The perfect passive is built on the same stem: ēsus est, not edēsus.
    EXPECT_EQ(verb(QString::fromUtf8("ĕdo -ere ēdi -ēsum"), 3).getConjugatedValue(3, true, true, false, 4, false),
              QString::fromUtf8("ēsus est"));
}

// Parts that Lewis and Short shortens to the letters that change replace
// the end of the present stem where the two meet, never glued behind it
// (flectxī, jungnxī, nūbpsī, mergsī, extorqusī); a part that fits no
// meeting point is left out and counted, not guessed.
TEST(VerbConjugation, ShortenedPartsReplaceTheEndOfTheStem) {
    const struct {
        const char* latin;
        qint64 code;
        const char* perfect;  // first person singular; "" when left out
        const char* supine;
        qint64 leftOut;
    } cases[] = {
        {"flecto -ere -xi -xum", 3, "flexī", "flexum", 0},
        {"trăho -ere -xi -ctum", 3, "traxī", "tractum", 0},  // the ă of the present is no length of trāxī
        {"vĕho -ere -xi -ctum", 3, "vexī", "vectum", 0},
        {"rĕgo -ere -xi -ctum", 3, "rexī", "rectum", 0},
        {"jungo -ere -nxi -nctum", 3, "junxī", "junctum", 0},
        {"exstinguo -ere -nxi -nctum", 3, "exstinxī", "exstinctum", 0},
        {"nūbo -ere -psi -ptum", 3, "nūpsī", "nūptum", 0},
        {"rēscrībo -ere -psi -ptum", 3, "rēscrīpsī", "rēscrīptum", 0},
        {"mergo -ere -si -sum", 3, "mersī", "mersum", 0},
        {"extorquĕo -ēre -si -tum", 2, "extorsī", "extortum", 0},
        {"quaero -ere -sīvi -sītum", 3, "quaesīvī", "quaesītum", 0},
        {"fīgo -ere -xi -xum", 3, "fīxī", "fīxum", 0},
        {"struo -ere -xi -ctum", 3, "struxī", "structum", 0},
        {"ēbĭbo -ere -bi -bĭtum", 3, "ēbĭbī", "ēbĭbĭtum", 0},
        {"rēscisco -ere -īvi -ītum", 3, "rēscīvī", "rēscītum", 0},
        {"obvolvo -ere -vi -ūtum", 3, "obvolvī", "obvolūtum", 0},
        {"fervĕo -ēre -bŭi", 2, "", "", 1},
        {"obrĭgesco -ere -găi", 3, "", "", 1},
    };
    for (const auto& c : cases) {
        const Verb v = verb(QString::fromUtf8(c.latin), c.code);
        const QString perfect = v.getPastParticipleStem(true, false).isEmpty()
                                    ? QString()
                                    : v.getConjugatedValue(1, true, true, true, 4, false);
        EXPECT_EQ(perfect, QString::fromUtf8(c.perfect)) << c.latin;
        EXPECT_EQ(v.getSupine(true, false), QString::fromUtf8(c.supine)) << c.latin;
        EXPECT_EQ(v.unplacedPrincipalParts(), c.leftOut) << c.latin;
    }
}

// Parts given whole stand whole; a part restating a compound's simple verb
// stands after the prefix the source's hyphen marked (red-do, rĕ-curro).
TEST(VerbConjugation, WholePartsAndCompoundsAfterTheirPrefix) {
    const struct {
        const char* headword;
        qsizetype prefixEnd;
        const char* part;
        const char* whole;  // "" for a part that is no whole part
    } cases[] = {
        {"tĕro", -1, "trīvi", "trīvi"},
        {"tollo", -1, "sustŭli", "sustŭli"},
        {"tollo", -1, "sublātum", "sublātum"},
        {"reddo", 3, "dĭdi", "reddĭdi"},
        {"reddo", 3, "dĭtum", "reddĭtum"},
        {"rĕcurro", 2, "curri", "rĕcurri"},
        {"excurro", 2, "cŭcurri", "excŭcurri"},
        {"obtĕro", 2, "trīvi", "obtrīvi"},
        {"exŏrĭor", 2, "ortus", "exortus"},
        {"expergiscor", -1, "perrectus", "experrectus"},
        {"ēbĭbo", 1, "bĭtum", ""},
        {"flecto", -1, "xum", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(verbparts::wholePart(QString::fromUtf8(c.headword), QString::fromUtf8(c.part), false, c.prefixEnd),
                  QString::fromUtf8(c.whole))
            << c.headword << " " << c.part;
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

TEST(VerbConjugation, IrregularVerbsAndTheirCompounds) {
    ASSERT_EQ(Verb::verbEndings().size(), 9u) << "the VerbEndings resource folder was not found";
    EXPECT_TRUE(Verb::endingsForConjugation(8).isDictionary());
    EXPECT_TRUE(Verb::endingsForConjugation(5).isNull());
    const char* possum = "possum posse potuī";
    const char* prosum = "prōsum prōdesse prōfuī";
    checkRows({
        {possum, 15, I, A, 1, -1, "possum,potes,potest,possumus,potestis,possunt"},
        {possum, 15, I, A, 2, -1, "poterō,poteris,poterit,poterimus,poteritis,poterunt"},
        {possum, 15, I, A, 3, 0, "poteram"}, {possum, 15, S, A, 6, 0, "potuissem"},
        {possum, 15, I, A, 4, -1, "potuī,potuistī,potuit,potuimus,potuistis,potuērunt"},
        {possum, 15, S, A, 1, -1, "possim,possīs,possit,possīmus,possītis,possint"},
        {possum, 15, S, A, 3, -1, "possem,possēs,posset,possēmus,possētis,possent"},
        {"eō īre iī itum", 7, I, A, 1, -1, "eō,īs,it,īmus,ītis,eunt"}, {"eō īre iī itum", 7, I, A, 2, 0, "ībō"},
        {"eō īre iī itum", 7, I, A, 4, 2, "iit"}, {"eō īre iī itum", 7, S, A, 3, 0, "īrem"},
        {"redeō redīre rediī reditum", 7, I, A, 1, -1, "redeō,redīs,redit,redīmus,redītis,redeunt"},
        {"redeō redīre rediī reditum", 7, I, A, 4, 0, "rediī"},
        {"sum esse fuī futūrus", 8, I, A, 1, -1, "sum,es,est,sumus,estis,sunt"},
        {"sum esse fuī futūrus", 8, I, A, 4, -1, "fuī,fuistī,fuit,fuimus,fuistis,fuērunt"},
        {"sum esse fuī futūrus", 8, S, A, 3, 0, "essem"},
        {"adsum adesse adfuī", 8, I, A, 1, -1, "adsum,ades,adest,adsumus,adestis,adsunt"},
        {"adsum adesse adfuī", 8, I, A, 4, 0, "adfuī"}, {"adsum adesse adfuī", 8, I, A, 2, 0, "aderō"},
        // prōsum keeps the d of prōd- before a vowel, and only there.
        {prosum, 8, I, A, 1, -1, "prōsum,prōdes,prōdest,prōsumus,prōdestis,prōsunt"},
        {prosum, 8, I, A, 2, 0, "prōderō"}, {prosum, 8, I, A, 3, 0, "prōderam"}, {prosum, 8, S, A, 1, 0, "prōsim"},
        {prosum, 8, S, A, 3, 0, "prōdessem"}, {prosum, 8, I, A, 4, 0, "prōfuī"},
        {"ferō ferre tulī lātum", 9, I, A, 1, -1, "ferō,fers,fert,ferimus,fertis,ferunt"},
        {"ferō ferre tulī lātum", 9, I, Pa, 1, -1, "feror,ferris,fertur,ferimur,feriminī,feruntur"},
        {"ferō ferre tulī lātum", 9, I, Pa, 4, 0, "lātus sum"}, {"ferō ferre tulī lātum", 9, S, A, 3, 0, "ferrem"},
        {"afferō afferre attulī allātum", 9, I, A, 1, 0, "afferō"},
        {"afferō afferre attulī allātum", 9, I, A, 4, 0, "attulī"},
        {"afferō afferre attulī allātum", 9, I, Pa, 4, 5, "allātī sunt"},
        {"edō ēsse ēdī ēsum", 10, I, A, 1, -1, "edō,ēs,ēst,edimus,ēstis,edunt"}, {"edō ēsse ēdī ēsum", 10, I, A, 4, 0, "ēdī"},
        {"comedō comēsse comēdī comēsum", 10, I, A, 1, 5, "comedunt"},
        {"fīō fierī factus sum", 11, I, A, 1, -1, "fīō,fīs,fit,fīmus,fītis,fīunt"},
        {"fīō fierī factus sum", 11, I, A, 4, 0, "factus sum"}, {"fīō fierī factus sum", 11, S, A, 3, 0, "fierem"},
        {"volō velle voluī", 12, I, A, 1, -1, "volō,vīs,vult,volumus,vultis,volunt"},
        {"volō velle voluī", 12, S, A, 3, 0, "vellem"},
        {"nōlō nōlle nōluī", 13, I, A, 1, -1, "nōlō,nōn vīs,nōn vult,nōlumus,nōn vultis,nōlunt"},
        {"mālō mālle māluī", 14, I, A, 1, -1, "mālō,māvīs,māvult,mālumus,māvultis,mālunt"},
        {"mālō mālle māluī", 14, I, A, 4, 0, "māluī"},
    });
    const Verb possumVerb = verb(QString::fromUtf8(possum), 15);
    EXPECT_EQ(possumVerb.getFirstPersonStem(true, 1), QStringLiteral("pos"));
    EXPECT_EQ(possumVerb.getFirstPersonStem(true, 3), QStringLiteral("pot"));
    EXPECT_EQ(possumVerb.getFirstPersonStem(false, 3), QStringLiteral("possum"));
    EXPECT_EQ(verb(QStringLiteral("redeō redīre rediī reditum"), 7).getFirstPersonStem(true, 1), QStringLiteral("red"));
    EXPECT_EQ(verb(QString::fromUtf8(prosum), 8).getVerbPart(10), QStringLiteral("prōdes / prōdeste"));
    EXPECT_EQ(verb(QString::fromUtf8(prosum), 8).getVerbPart(0), QStringLiteral("prōfutūrus esse"));
}

// faciō has no passive of its own: fīō serves, and so for the compounds that
// keep -faciō; those in -ficiō have the regular passive.
TEST(VerbConjugation, FacioTakesFioAsItsPassive) {
    const char* facio = "faciō facere fēcī factum";
    const char* calefacio = "calefaciō calefacere calefēcī calefactum";
    const char* conficio = "cōnficiō cōnficere cōnfēcī cōnfectum";
    checkRows({
        {facio, 5, I, Pa, 1, -1, "fīō,fīs,fit,fīmus,fītis,fīunt"},
        {facio, 5, I, Pa, 2, -1, "fīam,fīēs,fīet,fīēmus,fīētis,fīent"},
        {facio, 5, I, Pa, 3, -1, "fīēbam,fīēbās,fīēbat,fīēbāmus,fīēbātis,fīēbant"},
        {facio, 5, I, Pa, 4, -1, "factus sum,factus es,factus est,factī sumus,factī estis,factī sunt"},
        {facio, 5, I, Pa, 5, 0, "factus erō"}, {facio, 5, I, Pa, 6, 0, "factus eram"},
        {facio, 5, S, Pa, 1, -1, "fīam,fīās,fīat,fīāmus,fīātis,fīant"},
        {facio, 5, S, Pa, 3, -1, "fierem,fierēs,fieret,fierēmus,fierētis,fierent"},
        {facio, 5, S, Pa, 4, 0, "factus sim"}, {facio, 5, S, Pa, 6, 0, "factus essem"},
        {facio, 5, I, A, 1, -1, "faciō,facis,facit,facimus,facitis,faciunt"},
        {facio, 5, S, A, 3, 0, "facerem"},
        {"facio -ere feci factum", 5, I, Pa, 1, 2, "fit"},
        {calefacio, 5, I, Pa, 1, -1, "calefīō,calefīs,calefit,calefīmus,calefītis,calefīunt"},
        {calefacio, 5, S, Pa, 3, 0, "calefierem"}, {calefacio, 5, I, Pa, 4, 0, "calefactus sum"},
        {calefacio, 5, I, A, 1, 0, "calefaciō"},
        {conficio, 5, I, Pa, 1, -1, "cōnficior,cōnficeris,cōnficitur,cōnficimur,cōnficiminī,cōnficiuntur"},
        {conficio, 5, S, Pa, 3, 0, "cōnficerer"},
    });
}

// eō and its compounds contract -ii- before s: īstī, īstis, īssem.
TEST(VerbConjugation, EoContractsItsPerfectBeforeS) {
    const char* eo = "eō īre iī itum";
    const char* redeo = "redeō redīre rediī reditum";
    checkRows({
        {eo, 7, I, A, 4, -1, "iī,īstī,iit,iimus,īstis,iērunt"},
        {eo, 7, S, A, 6, -1, "īssem,īssēs,īsset,īssēmus,īssētis,īssent"},
        {eo, 7, I, A, 6, 0, "ieram"}, {eo, 7, I, A, 5, 0, "ierō"}, {eo, 7, S, A, 4, 0, "ierim"},
        {redeo, 7, I, A, 4, -1, "rediī,redīstī,rediit,rediimus,redīstis,rediērunt"},
        {redeo, 7, S, A, 6, 0, "redīssem"},
        // A perfect in -īvī has nothing to contract.
        {"eō īre īvī itum", 7, I, A, 4, 1, "īvistī"},
        // The source marks the i of the perfect short; it contracts all the same.
        {"exĕo -īre -ĭi -ĭtum", 7, I, A, 4, 1, "exīstī"},
    });
}

// A verb that lacks forms has those it keeps and no others: a perfect
// with a present meaning, an impersonal in its third person.
TEST(VerbConjugation, DefectiveVerbsHaveOnlyTheirForms) {
    const struct {
        const char* latin;
        qint64 code;
        const char* presentRow;  // indicative active
        const char* perfectRow;
        const char* parts;       // perfect infinitive, future participle, imperative
    } cases[] = {
        {"ōdī ōdisse ōsūrus", 3, "-,-,-,-,-,-", "ōdī,ōdistī,ōdit,ōdimus,ōdistis,ōdērunt", "ōdisse,ōsūrus,"},
        {"mĕmĭni -isse", 3, "-,-,-,-,-,-", "mĕmĭnī,mĕmĭnistī,mĕmĭnit,mĕmĭnimus,mĕmĭnistis,mĕmĭnērunt",
         "mĕmĭnisse,,mĕmentō / mĕmentōte"},
        {"coepi -isse coeptūrus", 3, "-,-,-,-,-,-", "coepī,coepistī,coepit,coepimus,coepistis,coepērunt",
         "coepisse,coeptūrus,"},
        {"lĭcet -ēre lĭcuit", 2, "-,-,lĭcet,-,-,-", "-,-,lĭcuit,-,-,-", "lĭcuisse,,"},
        {"ningit -ere -ēbat -nxit", 3, "-,-,ningit,-,-,-", "-,-,ninxit,-,-,-", "ninxisse,,"},
        {"inquam", 3, "inquam,inquis,inquit,inquimus,inquitis,inquiunt", "inquiī,inquīstī,inquit,-,-,-",
         ",,inque / inquitō"},
    };
    for (const auto& c : cases) {
        const Verb v = verb(QString::fromUtf8(c.latin), c.code);
        EXPECT_EQ(row(v, true, true, 1), split(c.presentRow)) << c.latin;
        EXPECT_EQ(row(v, true, true, 4), split(c.perfectRow)) << c.latin;
        // No passive of any tense.
        for (qint64 tense = 1; tense <= 6; ++tense)
            EXPECT_EQ(row(v, true, false, tense).join(QString()), QStringLiteral("------")) << c.latin << tense;
        EXPECT_EQ(QStringList({v.getVerbPart(1), v.getVerbPart(6), v.getVerbPart(10)}).join(u','),
                  QString::fromUtf8(c.parts))
            << c.latin;
        EXPECT_TRUE(v.getVerbPart(2).isEmpty() && v.getVerbPart(5).isEmpty() && v.getVerbPart(8).isEmpty()) << c.latin;
        // Typed into the vocabulary, such a verb is given endings to take.
        EXPECT_GE(Verb::guessConjugation(QString::fromUtf8(c.latin)), 1) << c.latin;
    }
}

TEST(VerbConjugation, GuessConjugation) {
    const std::pair<const char*, qint64> rows[] = {{"capio capere", 5}, {"amo amāre", 1}, {"moneo monēre", 2},
                                                   {"audio audire", 4}, {"moneo monere", 3}, {"audio", 4}, {"amo", 0}};
    for (const auto& [text, code] : rows) EXPECT_EQ(Verb::guessConjugation(QString::fromUtf8(text)), code) << text;
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
