#include "morphology/VowelLength.h"

#include <gtest/gtest.h>

TEST(VowelLength, CaretVowelsBecomeMacronLettersOfTheSameCase) {
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("am^are")), QStringLiteral("amāre"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^A")), QStringLiteral("Ā"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^E^I^O^U")), QStringLiteral("ĒĪŌŪ"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^Eg^erunt")), QStringLiteral("Ēgērunt"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^Ave ^Infer^o")), QStringLiteral("Āve Īnferō"));
    EXPECT_EQ(caretVowelsToMacrons(QStringLiteral("^Ut")), QStringLiteral("Ūt"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("-^ab^o,-^abis")), QStringLiteral("-ābō,-ābis"));
}

TEST(VowelLength, CaretBeforeOtherCharactersStays) {
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^y")), QStringLiteral("^y"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^ā")), QStringLiteral("^ā"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("^^a")), QStringLiteral("^ā"));
    EXPECT_EQ(macronizeCaretVowels(QStringLiteral("a^")), QStringLiteral("a^"));
    EXPECT_EQ(macronizeCaretVowels(QString()), QStringLiteral(""));
    EXPECT_FALSE(macronizeCaretVowels(QString()).isNull());
    EXPECT_TRUE(caretVowelsToMacrons(QString()).isNull());
    EXPECT_EQ(caretVowelsToMacrons(QStringLiteral("am^amin^i")), QStringLiteral("amāminī"));
}

TEST(VowelLength, FoldingRemovesMarksBarsAndLigatures) {
    EXPECT_EQ(foldLatinString(QStringLiteral("Cæsar|")), QStringLiteral("Caesar"));
    EXPECT_EQ(foldLatinString(QStringLiteral("Œdipūs‖")), QStringLiteral("OEdipus"));
    EXPECT_EQ(foldLatinString(QStringLiteral("ïë")), QStringLiteral("ie"));
    EXPECT_EQ(foldLatinString(QStringLiteral("ĀĂÁ āăá")), QStringLiteral("AAA aaa"));
    // A decomposed macron folds like a precomposed one.
    EXPECT_EQ(foldLatinString(QStringLiteral("a\u0304mo")), QStringLiteral("amo"));
    EXPECT_EQ(foldLatinString(QStringLiteral("")), QStringLiteral(""));
}

TEST(VowelLength, MarkingFunctionsMarkEveryPlainVowel) {
    EXPECT_EQ(markVowelsShort(QStringLiteral("aeiouAEIOU")), QStringLiteral("ăĕĭŏŭĂĔĬŎŬ"));
    EXPECT_EQ(markVowelsLong(QStringLiteral("aeiouAEIOU")), QStringLiteral("āēīōūĀĒĪŌŪ"));
    EXPECT_EQ(markVowelsLongByPosition(QStringLiteral("aeiouAEIOU")), QStringLiteral("áéíóúÁÉÍÓÚ"));
    EXPECT_EQ(markVowelsLong(QStringLiteral("Troy")), QStringLiteral("Trō\u04EF"));
    EXPECT_EQ(markVowelsLongByPosition(QStringLiteral("Troy")), QStringLiteral("Tróy"));
    EXPECT_EQ(markVowelsShort(QStringLiteral("Y")), QStringLiteral("\u040E"));
    // Consonants, digits, punctuation and marked vowels pass through.
    EXPECT_EQ(markVowelsShort(QStringLiteral("bcd 12, ā!")), QStringLiteral("bcd 12, ā!"));
    EXPECT_EQ(markVowelsLong(QString()), QString());
}

TEST(VowelLength, MarkedYFoldsToCyrillicNotY) {
    const QString folded = foldLatinString(markVowelsLong(QStringLiteral("y")));
    EXPECT_EQ(folded, QStringLiteral("\u0443"));
    EXPECT_EQ(foldLatinString(markVowelsShort(QStringLiteral("y"))), QStringLiteral("\u0443"));
    // Marking the folded text again leaves that letter alone.
    EXPECT_EQ(markVowelsLong(folded), folded);
}
