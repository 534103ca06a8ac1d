#include "morphology/TSWordFormData.h"
#include "support/CaptureLogger.h"

#include <gtest/gtest.h>

namespace {

const QString L = QStringLiteral("-");
const QString S = QString(QChar(0x23D1));

struct SyllableCase {
    const char* word;
    QStringList syllables;
    QString pattern;
};

}  // namespace

TEST(WordFormData, SyllablesAndPatterns) {
    const SyllableCase cases[] = {
        {"arma", {"ar", "ma"}, L + S},
        {"est", {"est"}, L},
        {"amō", {"a", "mō"}, S + L},
        // x counts as two consonants: the a before it is long by position.
        {"axis", {"ax", "is"}, L + S},
        {"psst", {"psst"}, ""},
        {"", {}, ""},
        // qu is one consonant and ae one long vowel.
        {"quae", {"qæ"}, L},
        {"quid", {"qid"}, S},
        {"cui", {"cū"}, L},
        {"Rōma", {"rō", "ma"}, L + S},
        {"philosophia", {"φi", "lo", "so", "φi", "a"}, S + S + S + S + S},
        {"thēsaurus", {"θē", "sā", "rus"}, L + L + S},
        {"diēs", {"di", "ēs"}, S + L},
        // A plain "ie" is a hiatus marked with z, which counts as two consonants.
        {"dies", {"diz", "es"}, L + S},
    };
    for (const SyllableCase& c : cases) {
        QString pattern = QStringLiteral("unset");
        const QStringList syllables = TSWordFormData::syllablesFromString(QString::fromUtf8(c.word), &pattern);
        EXPECT_EQ(syllables, c.syllables) << c.word;
        EXPECT_EQ(pattern, c.pattern) << c.word;
    }
}

TEST(WordFormData, DiphthongsHiatusAndAspirates) {
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("caelum")), QStringLiteral("cælum"));
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("aurum")), QStringLiteral("ārum"));
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("poena")), QStringLiteral("pœna"));
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("quod")), QStringLiteral("qod"));
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("tĭuē")), QStringLiteral("tizuē"));
    EXPECT_EQ(TSWordFormData::removeDiphthongs(QStringLiteral("chorus")), QStringLiteral("χorus"));
    EXPECT_TRUE(TSWordFormData::vowelSet().contains(QChar(0x0306)));
    EXPECT_TRUE(TSWordFormData::longVowelSet().contains(QChar(0x00EB)));
    EXPECT_FALSE(TSWordFormData::consonantSet().contains(QChar(u'w')));
}

TEST(WordFormData, PatternIsComputedOnceOnRequest) {
    TSWordFormData record(QStringLiteral("arma"), QStringLiteral("arma"), QStringLiteral("n-p---nn-"));
    EXPECT_EQ(record.numSyllables(), 0);
    EXPECT_FALSE(record.serialize().contains(QStringLiteral("meter")));
    EXPECT_EQ(record.vowelLengths(), L + S);
    EXPECT_EQ(record.numSyllables(), 2);
    EXPECT_EQ(record.serialize()[QStringLiteral("meter")].toString(), L + S);
}

TEST(WordFormData, DictionaryFormRoundTrip) {
    ts::ValueDictionary d;
    d[QStringLiteral("form")] = QStringLiteral("amō");
    d[QStringLiteral("base")] = QStringLiteral("amo");
    d[QStringLiteral("flags")] = QStringLiteral("v1spia---");
    const TSWordFormDataPtr withoutMeter = TSWordFormData::dataFromDictionary(ts::Value(d));
    ASSERT_TRUE(withoutMeter);
    EXPECT_EQ(withoutMeter->serialize(), ts::Value(d));
    EXPECT_FALSE(withoutMeter->serialize().contains(QStringLiteral("ClassName")));

    d[QStringLiteral("meter")] = L;  // kept as read, not recomputed
    const TSWordFormDataPtr withMeter = TSWordFormData::dataFromDictionary(ts::Value(d));
    EXPECT_EQ(withMeter->vowelLengths(), L);
    EXPECT_EQ(withMeter->serialize(), ts::Value(d));
    EXPECT_FALSE(TSWordFormData::dataFromDictionary(ts::Value(QStringLiteral("not a record"))));
}

TEST(WordFormData, TagDecoding) {
    struct TypeCase {
        const char* flags;
        int type;
    } types[] = {{"a-s---mn-", 3}, {"c--------", 5}, {"d--------", 4}, {"e--------", 8}, {"m--------", 9},
                 {"n-s---mg-", 1}, {"p-s---mn-", 7}, {"r--------", 6}, {"v3spia---", 2}};
    for (const TypeCase& c : types)
        EXPECT_EQ(TSWordFormData(QStringLiteral("x"), QStringLiteral("x"), QString::fromLatin1(c.flags)).wordType(), c.type)
            << c.flags;

    CaptureLogger::Scope capture;
    EXPECT_EQ(TSWordFormData(QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("")).wordType(), 0);
    EXPECT_EQ(capture->count(), 0);
    EXPECT_EQ(TSWordFormData(QStringLiteral("x"), QStringLiteral("x"), QStringLiteral("z--------")).wordType(), 0);
    EXPECT_TRUE(capture->contains(QStringLiteral("Unhandled type z")));

    int person = -1, tense = -1, mood = -1;
    bool singular = true, active = false;
    const TSWordFormData eightChars(QStringLiteral("amat"), QStringLiteral("amo"), QStringLiteral("v3spia--"));
    EXPECT_FALSE(eightChars.verbPerson(&person, &singular, &tense, &mood, &active));
    EXPECT_EQ(person, -1);
    EXPECT_TRUE(singular);

    const TSWordFormData finite(QStringLiteral("amābant"), QStringLiteral("amo"), QStringLiteral("v3piia---"));
    ASSERT_TRUE(finite.verbPerson(&person, &singular, &tense, &mood, &active));
    EXPECT_EQ(person, 3);
    EXPECT_FALSE(singular);
    EXPECT_EQ(tense, 3);
    EXPECT_EQ(mood, 1);
    EXPECT_TRUE(active);

    // Number "-" reads as plural while voice "-" reads as active.
    const TSWordFormData participle(QStringLiteral("amātus"), QStringLiteral("amo"), QStringLiteral("v--rp-mn-"));
    ASSERT_TRUE(participle.verbPerson(&person, &singular, &tense, &mood, &active));
    EXPECT_EQ(person, 0);
    EXPECT_FALSE(singular);
    EXPECT_EQ(tense, 4);
    EXPECT_EQ(mood, 23);
    EXPECT_TRUE(active);

    const struct {
        char mood;
        int code;
    } moods[] = {{'i', 1}, {'s', 2}, {'m', 3}, {'n', 4}, {'d', 8}, {'g', 9}, {'u', 12}, {'p', 23}, {'-', 0}};
    for (const auto& m : moods) {
        const QString flags = QStringLiteral("v--p") + QChar(m.mood) + QStringLiteral("p---");
        TSWordFormData r(QStringLiteral("x"), QStringLiteral("x"), flags);
        ASSERT_TRUE(r.verbPerson(&person, &singular, &tense, &mood, &active));
        EXPECT_EQ(mood, m.code) << m.mood;
        EXPECT_FALSE(active);
    }
    TSWordFormData odd(QStringLiteral("odd"), QStringLiteral("x"), QStringLiteral("v3xqqq---"));
    capture->clear();
    ASSERT_TRUE(odd.verbPerson(&person, &singular, &tense, &mood, &active));
    EXPECT_TRUE(singular);
    EXPECT_TRUE(capture->contains(QStringLiteral("Unknown number char x in odd")));
    EXPECT_TRUE(capture->contains(QStringLiteral("Unknown mood char q in odd")));
    EXPECT_TRUE(capture->contains(QStringLiteral("Unknown actPas char q in odd")));
}
