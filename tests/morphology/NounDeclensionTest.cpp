#include "morphology/LatinText.h"
#include "morphology/NounEndings.h"
#include "morphology/Word.h"

#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

Word noun(const QString& latin, qint64 gender, qint64 declension, qint64 type = WordCode::Noun) {
    Word w;
    w.setLatin(latin);
    w.setWordType(type);
    w.setGender(gender);
    w.setConjugation(declension);
    return w;
}

QString form(const Word& w, qint64 c, bool singular) { return w.getDeclinedValue(c, singular, 5, false); }

// All twelve forms, singular nominative to ablative then plural.
QStringList table(const Word& w) {
    QStringList forms;
    Word::addNounForms(forms, w);
    return forms;
}

QStringList split(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(',')); }

}  // namespace

TEST(NounEndings, CellIndexing) {
    const NounEndingsPtr first = NounEndings::getDeclension(1, 0);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->endings().size(), 36);
    EXPECT_EQ(first->getEnding(1, 3, true), QStringLiteral("-a"));   // cell 24
    EXPECT_EQ(first->getEnding(6, 1, false), QStringLiteral("-īs"));  // cell 11
    EXPECT_EQ(first->getEnding(3, 4, true), first->getEnding(3, 1, true));
    EXPECT_TRUE(first->getEnding(1, 7, true).isNull());
    EXPECT_TRUE(first->getEnding(1, 0, true).isNull());
    EXPECT_TRUE(first->getEnding(7, 3, false).isNull());  // past the end
    EXPECT_EQ(NounEndings::getDeclension(1, 1), first);     // variant ignored, same table
    EXPECT_EQ(NounEndings::getDeclension(3, 1), NounEndings::getDeclension(3, 1));
    EXPECT_NE(NounEndings::getDeclension(3, 0), NounEndings::getDeclension(3, 1));
}

TEST(NounEndings, EndingOnlyGivesEmptyForStarAndNilForNoCell) {
    const Word servus = noun(QStringLiteral("servus servi"), 1, 2);
    EXPECT_EQ(servus.getDeclinedValue(1, true, 1, true), QStringLiteral(""));
    EXPECT_FALSE(servus.getDeclinedValue(1, true, 1, true).isNull());
    EXPECT_EQ(servus.getDeclinedValue(4, true, 1, true), QStringLiteral("-ī"));
    EXPECT_TRUE(servus.getDeclinedValue(1, true, 6, true).isNull());
}

TEST(NounEndings, BadDeclensionsAreLogged) {
    CaptureLogger::Scope capture;
    EXPECT_FALSE(NounEndings::getDeclension(6, 0));
    EXPECT_TRUE(capture->contains(QStringLiteral("unsupported declension 6")));
    EXPECT_TRUE(NounEndings::makeNewDeclension(9, 0)->endings().isEmpty());
    EXPECT_EQ(NounEndings::get2ndDeclensionString(4), NounEndings::get2ndDeclensionString(0));
    EXPECT_TRUE(capture->contains(QStringLiteral("bad case constant at get2ndDeclensionString")));
    EXPECT_TRUE(NounEndings::get5thDeclensionString(2).isNull());
    EXPECT_TRUE(NounEndings::get3rdDeclensionString(2).isNull());
}

TEST(NounDeclension, FirstDeclension) {
    const Word puella = noun(QStringLiteral("puella puellae"), 2, 1);
    EXPECT_EQ(puella.getStem(0), QStringLiteral("puell"));
    EXPECT_EQ(table(puella), QStringList({"puella", "puella", "puellam", "puellae", "puellae", "puellā", "puellae",
                                          "puellae", "puellās", "puellārum", "puellīs", "puellīs"}));
    // An abbreviated genitive cuts the nominative after its last consonant.
    const Word roma = noun(QStringLiteral("Roma -ae"), 2, 1);
    EXPECT_EQ(roma.getStem(0), QStringLiteral("Rom"));
    EXPECT_EQ(form(roma, 4, true), QStringLiteral("Romae"));
    EXPECT_EQ(noun(QStringLiteral("īnsula -ae"), 2, 1).getStem(0), QStringLiteral("īnsul"));
}

TEST(NounDeclension, SecondDeclension) {
    const Word servus = noun(QStringLiteral("servus servi"), 1, 2);
    EXPECT_EQ(servus.getVariant(), 0);
    EXPECT_EQ(table(servus), QStringList({"servus", "serve", "servum", "servī", "servō", "servō", "servī", "servī",
                                          "servōs", "servōrum", "servīs", "servīs"}));
    const Word bellum = noun(QStringLiteral("bellum -i"), 3, 2);
    EXPECT_EQ(table(bellum), QStringList({"bellum", "bellum", "bellum", "bellī", "bellō", "bellō", "bella", "bella",
                                          "bella", "bellōrum", "bellīs", "bellīs"}));
    // Nouns in -ius contract the vocative singular, names as well.
    EXPECT_EQ(table(noun(QStringLiteral("fīlius fīliī"), 1, 2)),
              QStringList({"fīlius", "fīlī", "fīlium", "fīliī", "fīliō", "fīliō", "fīliī", "fīliī", "fīliōs", "fīliōrum",
                           "fīliīs", "fīliīs"}));
    EXPECT_EQ(form(noun(QStringLiteral("Vergilius Vergiliī"), 1, 2), 2, true), QStringLiteral("Vergilī"));
    EXPECT_EQ(form(noun(QStringLiteral("fīlius -ī"), 1, 2), 2, true), QStringLiteral("fīlī"));
    // Adjectives kept as plain words keep -ie; the ending alone stays -e.
    EXPECT_EQ(form(noun(QStringLiteral("ēbrius ēbriī"), 1, 2, WordCode::Adjective), 2, true), QStringLiteral("ēbrie"));
    EXPECT_EQ(noun(QStringLiteral("fīlius fīliī"), 1, 2).getDeclinedValue(2, true, 5, true), QStringLiteral("-e"));
    // A feminine of the second declension in -us calls in -e as a masculine
    // does; a name whose i the source marks short contracts all the same;
    // a Greek masculine of the first calls without its s.
    const struct {
        const char* latin;
        qint64 declension, gender;
        const char* vocative;
    } vocatives[] = {{"humus humi", 2, 2, "hume"},     {"Vălĕrĭus -i", 2, 1, "Vălĕrī"}, {"tabellārius -iī", 2, 1, "tabellārie"},
                     {"bŏrĕas -ae", 1, 1, "bŏrĕā"},     {"cŏmētes -ae", 1, 1, "cŏmētē"}, {"vīrus -ī", 2, 3, "vīrus"},
                     {"vĭr -vĭri", 2, 1, "vĭr"}};
    // A genitive suffix that restates the nominative's last syllable
    // takes its place; one that only shares two letters with it does not.
    EXPECT_EQ(form(noun(QStringLiteral("lūmĭnāre -āris"), 3, 3), 4, true), QStringLiteral("lūmĭnāris"));
    EXPECT_EQ(form(noun(QStringLiteral("fronto -ōnis"), 1, 3), 4, true), QStringLiteral("frontōnis"));
    EXPECT_EQ(form(noun(QStringLiteral("os ossis"), 3, 3), 1, false), QStringLiteral("ossa"));
    for (const auto& v : vocatives)
        EXPECT_EQ(form(noun(QString::fromUtf8(v.latin), v.gender, v.declension), 2, true), QString::fromUtf8(v.vocative))
            << v.latin;
}

// Whole tables with the variant the word must be given: i-stems of the third
// declension, puer's -er, diēs against rēs.
TEST(NounDeclension, TablesByVariant) {
    const struct {
        const char* latin;
        qint64 gender, declension, variant;
        const char* forms;
    } rows[] = {
        {"puer pueri", 1, 2, 1, "puer,puer,puerum,puerī,puerō,puerō,puerī,puerī,puerōs,puerōrum,puerīs,puerīs"},
        {"civis civis", 4, 3, 1, "civis,civis,civem,civis,civī,cive,civēs,civēs,civēs,civium,civibus,civibus"},
        {"canis canis", 4, 3, 0, "canis,canis,canem,canis,canī,cane,canēs,canēs,canēs,canum,canibus,canibus"},
        {"urbs urbis", 2, 3, 1, "urbs,urbs,urbem,urbis,urbī,urbe,urbēs,urbēs,urbēs,urbium,urbibus,urbibus"},
        {"animal animalis", 3, 3, 1,
         "animal,animal,animal,animalis,animalī,animalī,animalia,animalia,animalia,animalium,animalibus,animalibus"},
        {"rex regis", 1, 3, 0, "rex,rex,regem,regis,regī,rege,regēs,regēs,regēs,regum,regibus,regibus"},
        {"manus manūs", 2, 4, 0, "manus,manus,manum,manūs,manuī,manū,manūs,manūs,manūs,manuum,manibus,manibus"},
        {"dies diei", 1, 5, 1, "dies,dies,diem,diēī,diēī,diē,diēs,diēs,diēs,diērum,diēbus,diēbus"},
        {"res rei", 2, 5, 0, "res,res,rem,reī,reī,rē,rēs,rēs,rēs,rērum,rēbus,rēbus"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.latin);
        const Word w = noun(QString::fromUtf8(r.latin), r.gender, r.declension);
        EXPECT_EQ(w.getVariant(), r.variant);
        EXPECT_EQ(table(w), split(r.forms));
    }
    EXPECT_EQ(noun(QStringLiteral("pater patris"), 1, 3).getVariant(), 0);
}

// A genitive given as a suffix is written out on the nominative before the
// stem is cut from it, in every declension; the written-out genitive also
// decides the i-stems (urbium, noctium against rēgum, patrum).
TEST(NounDeclension, FullTablesOfEveryDeclensionAndGender) {
    const struct {
        const char* latin;
        qint64 gender, declension;
        const char* forms;
    } rows[] = {
        {"via -ae", 2, 1, "via,via,viam,viae,viae,viā,viae,viae,viās,viārum,viīs,viīs"},
        {"servus -ī", 1, 2, "servus,serve,servum,servī,servō,servō,servī,servī,servōs,servōrum,servīs,servīs"},
        {"bellum -ī", 3, 2, "bellum,bellum,bellum,bellī,bellō,bellō,bella,bella,bella,bellōrum,bellīs,bellīs"},
        {"puer -ī", 1, 2, "puer,puer,puerum,puerī,puerō,puerō,puerī,puerī,puerōs,puerōrum,puerīs,puerīs"},
        {"ager -grī", 1, 2, "ager,ager,agrum,agrī,agrō,agrō,agrī,agrī,agrōs,agrōrum,agrīs,agrīs"},
        {"magister -trī", 1, 2,
         "magister,magister,magistrum,magistrī,magistrō,magistrō,magistrī,magistrī,magistrōs,magistrōrum,"
         "magistrīs,magistrīs"},
        {"rēx -rēgis", 1, 3, "rēx,rēx,rēgem,rēgis,rēgī,rēge,rēgēs,rēgēs,rēgēs,rēgum,rēgibus,rēgibus"},
        {"rēx -gis", 1, 3, "rēx,rēx,rēgem,rēgis,rēgī,rēge,rēgēs,rēgēs,rēgēs,rēgum,rēgibus,rēgibus"},
        {"dux -cis", 1, 3, "dux,dux,ducem,ducis,ducī,duce,ducēs,ducēs,ducēs,ducum,ducibus,ducibus"},
        {"pater -tris", 1, 3, "pater,pater,patrem,patris,patrī,patre,patrēs,patrēs,patrēs,patrum,patribus,patribus"},
        {"urbs -is", 2, 3, "urbs,urbs,urbem,urbis,urbī,urbe,urbēs,urbēs,urbēs,urbium,urbibus,urbibus"},
        {"nox -ctis", 2, 3, "nox,nox,noctem,noctis,noctī,nocte,noctēs,noctēs,noctēs,noctium,noctibus,noctibus"},
        {"mōns -ntis", 1, 3, "mōns,mōns,montem,montis,montī,monte,montēs,montēs,montēs,montium,montibus,montibus"},
        {"cōnsul -is", 1, 3,
         "cōnsul,cōnsul,cōnsulem,cōnsulis,cōnsulī,cōnsule,cōnsulēs,cōnsulēs,cōnsulēs,cōnsulum,cōnsulibus,cōnsulibus"},
        {"homō -inis", 1, 3, "homō,homō,hominem,hominis,hominī,homine,hominēs,hominēs,hominēs,hominum,hominibus,hominibus"},
        {"mare -is", 3, 3, "mare,mare,mare,maris,marī,marī,maria,maria,maria,marium,maribus,maribus"},
        {"manus -ūs", 2, 4, "manus,manus,manum,manūs,manuī,manū,manūs,manūs,manūs,manuum,manibus,manibus"},
        {"cornū -ūs", 3, 4, "cornū,cornū,cornū,cornūs,cornū,cornū,cornua,cornua,cornua,cornuum,cornibus,cornibus"},
        {"diēs -ēī", 1, 5, "diēs,diēs,diem,diēī,diēī,diē,diēs,diēs,diēs,diērum,diēbus,diēbus"},
        {"rēs -eī", 2, 5, "rēs,rēs,rem,reī,reī,rē,rēs,rēs,rēs,rērum,rēbus,rēbus"},
        // Common (7) and either (8) gender, in whatever declension.
        {"cīvis cīvis", 7, 3, "cīvis,cīvis,cīvem,cīvis,cīvī,cīve,cīvēs,cīvēs,cīvēs,cīvium,cīvibus,cīvibus"},
        {"cīvis -is", 8, 3, "cīvis,cīvis,cīvem,cīvis,cīvī,cīve,cīvēs,cīvēs,cīvēs,cīvium,cīvibus,cīvibus"},
        {"diēs diēī", 8, 5, "diēs,diēs,diem,diēī,diēī,diē,diēs,diēs,diēs,diērum,diēbus,diēbus"},
        {"diēs diēī", 7, 5, "diēs,diēs,diem,diēī,diēī,diē,diēs,diēs,diēs,diērum,diēbus,diēbus"},
        {"incola -ae", 7, 1, "incola,incola,incolam,incolae,incolae,incolā,incolae,incolae,incolās,incolārum,incolīs,"
                             "incolīs"},
        {"dux ducis", 7, 3, "dux,dux,ducem,ducis,ducī,duce,ducēs,ducēs,ducēs,ducum,ducibus,ducibus"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.latin << " gender " << r.gender);
        EXPECT_EQ(table(noun(QString::fromUtf8(r.latin), r.gender, r.declension)), split(r.forms));
    }
}

// vir and its compounds keep the nominative as vocative, as puer does.
TEST(NounDeclension, NounsInIrKeepTheirNominativeAsVocative) {
    const char* vir = "vir,vir,virum,virī,virō,virō,virī,virī,virōs,virōrum,virīs,virīs";
    for (const char* latin : {"vir virī", "vir -ī", "vir viri"}) {
        SCOPED_TRACE(latin);
        const Word w = noun(QString::fromUtf8(latin), 1, 2);
        EXPECT_EQ(w.getVariant(), 1);
        EXPECT_EQ(table(w), split(vir));
    }
    EXPECT_EQ(form(noun(QStringLiteral("triumvir triumvirī"), 1, 2), 2, true), QStringLiteral("triumvir"));
}

// Nouns of common (7) and either (8) gender decline like the masculine or
// feminine noun they are (the full tables are in the table above).
TEST(NounDeclension, CommonAndEitherGenderDeclineFully) {
    const Word dies = noun(QStringLiteral("diēs diēī"), 8, 5);
    EXPECT_EQ(dies.getDeclinedValue(1, true, 5, true), QStringLiteral(""));
    EXPECT_EQ(dies.getDeclinedValue(4, false, 5, true), QStringLiteral("-ērum"));
    EXPECT_EQ(dies.getDeclinedValue(3, true, 8, false), QStringLiteral("diem"));
}

TEST(NounDeclension, ThirdDeclensionAbbreviatedGenitives) {
    EXPECT_EQ(noun(QStringLiteral("homo -inis"), 1, 3).getStem(0), QStringLiteral("homin"));
    EXPECT_EQ(noun(QStringLiteral("corpus -oris"), 3, 3).getStem(0), QStringLiteral("corpor"));
    EXPECT_EQ(noun(QStringLiteral("consul -lis"), 1, 3).getStem(0), QStringLiteral("consul"));
    const Word w;
    EXPECT_EQ(w.getThirdDeclensionStem(QStringLiteral("nomen"), QString()), QStringLiteral("nomen"));
    EXPECT_EQ(form(noun(QStringLiteral("corpus -oris"), 3, 3), 1, false), QStringLiteral("corpora"));
}

TEST(NounDeclension, WordsWithoutATableGiveTheirFirstPart) {
    CaptureLogger::Scope capture;
    const Word fas = noun(QStringLiteral("fas indecl"), 3, 6);
    EXPECT_EQ(form(fas, 4, true), QStringLiteral("fas"));
    EXPECT_TRUE(capture->contains(QStringLiteral("unsupported declension 6")));
    const Word odd = noun(QStringLiteral("puella puellae"), 6, 1);
    EXPECT_EQ(form(odd, 4, false), QStringLiteral("puella"));

    Word adverb = noun(QStringLiteral("bene"), 0, 0, WordCode::Adverb);
    EXPECT_TRUE(adverb.getDeclinedValue(1, true, 1, false).isNull());
    EXPECT_TRUE(capture->contains(QStringLiteral("unable to decline this")));
}

TEST(NounDeclension, ShortOrMissingPartsGiveEmptyFormsSafely) {
    for (const char* latin : {"", "a", "a -", "ab ab", "x -y", "-", " "}) {
        for (qint64 decl = 0; decl <= 7; ++decl) {
            const Word w = noun(QString::fromUtf8(latin), 1, decl);
            const QStringList forms = table(w);  // must not crash
            EXPECT_LE(forms.size(), 12);
            w.getVariant();
        }
    }
    EXPECT_TRUE(noun(QString(), 1, 1).getStem(0).isNull());
    EXPECT_TRUE(noun(QStringLiteral("rosa"), 2, 1).getStem(0).isNull());
}

TEST(NounDeclension, SharedHelpers) {
    EXPECT_EQ(countSyllables(QStringLiteral("puellae")), 3);
    EXPECT_EQ(countSyllables(QStringLiteral("urbs")), 1);
    EXPECT_EQ(countSyllables(QStringLiteral("Caesar")), 2);
    EXPECT_EQ(countSyllables(QStringLiteral("diēī")), 2);
    EXPECT_TRUE(endsInTwoConsonants(QStringLiteral("urb")));
    EXPECT_FALSE(endsInTwoConsonants(QStringLiteral("reg")));
    EXPECT_FALSE(endsInTwoConsonants(QStringLiteral("b")));
    EXPECT_TRUE(joinStemAndEnding(QString(), QStringLiteral("-a")).isNull());
    EXPECT_EQ(joinStemAndEnding(QStringLiteral("x"), QStringLiteral("sum")), QStringLiteral("sum"));
    EXPECT_TRUE(beginsWithHyphen(QStringLiteral("-a")));
    EXPECT_FALSE(beginsWithHyphen(QString()));
}

TEST(NounDeclension, TablesAreBuiltOnceAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<NounEndingsPtr> seen(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] { seen[i] = NounEndings::getDeclension(3, 1); });
    for (auto& t : threads) t.join();
    for (const auto& t : seen) EXPECT_EQ(t, seen.front());
}

// Nouns the dictionary gives with a genitive plural have no singular (nil
// cells), whatever declension they came with; Greek nouns in -ē with -ēs
// decline in the first declension, with the long vowels the table gives.
TEST(NounDeclension, PluralOnlyAndGreekNounsGoByTheirGenitive) {
    const struct {
        const char* latin;
        qint64 gender, declension;  // as the dictionary converter hands them
        const char* cells;          // singular nominative to ablative, then plural
    } rows[] = {
        {"Helvētii -ōrum", 1, 2, ",,,,,,Helvētiī,Helvētiī,Helvētiōs,Helvētiōrum,Helvētiīs,Helvētiīs"},
        {"Helvētii Helvētiōrum", 1, 2, ",,,,,,Helvētiī,Helvētiī,Helvētiōs,Helvētiōrum,Helvētiīs,Helvētiīs"},
        {"vīgintĭvĭri -ōrum", 1, 2, ",,,,,,vīgintĭvĭrī,vīgintĭvĭrī,vīgintĭvĭrōs,vīgintĭvĭrōrum,vīgintĭvĭrīs,vīgintĭvĭrīs"},
        {"tĕnēbrae -ārum", 2, 3, ",,,,,,tĕnēbrae,tĕnēbrae,tĕnēbrās,tĕnēbrārum,tĕnēbrīs,tĕnēbrīs"},
        {"arma -ōrum", 3, 2, ",,,,,,arma,arma,arma,armōrum,armīs,armīs"},
        {"Bactra -ōrum", 1, 2, ",,,,,,Bactra,Bactra,Bactra,Bactrōrum,Bactrīs,Bactrīs"},
        {"moenia -ium", 3, 3, ",,,,,,moenia,moenia,moenia,moenium,moenibus,moenibus"},
        {"flēmĭna -um", 3, 3, ",,,,,,flēmĭna,flēmĭna,flēmĭna,flēmĭnum,flēmĭnibus,flēmĭnibus"},
        {"Bĭtŭrĭges -um", 1, 3, ",,,,,,Bĭtŭrĭgēs,Bĭtŭrĭgēs,Bĭtŭrĭgēs,Bĭtŭrĭgum,Bĭtŭrĭgibus,Bĭtŭrĭgibus"},
        {"fauces -ium", 0, 3, ",,,,,,faucēs,faucēs,faucēs,faucium,faucibus,faucibus"},
        {"fastūs -uum", 1, 3, ",,,,,,fastūs,fastūs,fastūs,fastuum,fastibus,fastibus"},
        {"ĕpĭtŏmē -ēs", 2, 3, "ĕpĭtŏmē,ĕpĭtŏmē,ĕpĭtŏmēn,ĕpĭtŏmēs,ĕpĭtŏmae,ĕpĭtŏmē,ĕpĭtŏmae,ĕpĭtŏmae,ĕpĭtŏmās,ĕpĭtŏmārum,"
                              "ĕpĭtŏmīs,ĕpĭtŏmīs"},
        {"ĕnallăge -es", 2, 3, "ĕnallăgē,ĕnallăgē,ĕnallăgēn,ĕnallăgēs,ĕnallăgae,ĕnallăgē,ĕnallăgae,ĕnallăgae,ĕnallăgās,"
                               "ĕnallăgārum,ĕnallăgīs,ĕnallăgīs"},
        // A genitive plural of another declension than the singular's: no
        // form but the headword is known.
        {"vās -ōrum", 3, 2, "vās,,,,,,,,,,,"},
        // Not one of them: a singular genitive, and an adjective kept as a word.
        {"puella -ae", 2, 1, "puella,puella,puellam,puellae,puellae,puellā,puellae,puellae,puellās,puellārum,puellīs,puellīs"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.latin);
        const Word w = noun(QString::fromUtf8(r.latin), r.gender, r.declension);
        QStringList cells;
        for (const bool singular : {true, false})
            for (qint64 c = 1; c <= 6; ++c) cells << form(w, c, singular);
        EXPECT_EQ(cells, split(r.cells));
        EXPECT_EQ(w.isPluralOnly(), cells.first().isEmpty());
    }
    EXPECT_TRUE(noun(QStringLiteral("moenia -ium"), 3, 3).getDeclinedValue(1, true, 5, true).isNull());
    EXPECT_EQ(noun(QStringLiteral("moenia -ium"), 3, 3).getDeclinedValue(4, false, 5, true), QStringLiteral("-ium"));
    EXPECT_FALSE(noun(QStringLiteral("līberi -ōrum"), 1, 2, WordCode::Adjective).isPluralOnly());
}
