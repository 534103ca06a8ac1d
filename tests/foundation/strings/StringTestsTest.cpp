#include "../ConsoleCapture.h"
#include "foundation/StringExtensions.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace StringExtensions;

namespace {

const QString kPrecomposed = QString::fromUtf8("caf\u00e9");   // é as one code unit
const QString kDecomposed = QString::fromUtf8("cafe\u0301");   // e + combining acute

TEST(StringTests, EmptyArgumentsAnswerNoEvenForEmptyReceiver)
{
    for (const QString& s : {QString(""), QString("amat")}) {
        EXPECT_FALSE(beginsWithString(s, ""));
        EXPECT_FALSE(endsWithString(s, ""));
        EXPECT_FALSE(containsText(s, ""));
        EXPECT_FALSE(containsCaseInsensitiveText(s, ""));
        EXPECT_FALSE(beginsWithString(s, QString()));
        EXPECT_FALSE(endsWithExpression(s, QString()));
    }
}

TEST(StringTests, NullReceiverAnswersNoZeroAndNull)
{
    const QString none;
    EXPECT_FALSE(beginsWithString(none, "a"));
    EXPECT_FALSE(beginsWithCaseInsensitiveString(none, "a"));
    EXPECT_FALSE(endsWithString(none, "a"));
    EXPECT_FALSE(endsWithChar(none, u'a'));
    EXPECT_FALSE(containsText(none, "a"));
    EXPECT_FALSE(containsCharacters(none, CharacterSet::letters()));
    EXPECT_FALSE(beginsWithExpression(none, ".*"));
    EXPECT_FALSE(endsWithExpression(none, ".*"));
    EXPECT_FALSE(isAllCaps(none));
    EXPECT_FALSE(startsWithSpace(none));
    EXPECT_EQ(mod256Checksum(none), 0);
    EXPECT_EQ(characterChecksum(none), 0u);
    EXPECT_EQ(lengthCompare(none, "a"), Same);
    EXPECT_TRUE(stripDiacritics(none).isNull());
    EXPECT_TRUE(stripInitialBlanks(none).isNull());
    EXPECT_TRUE(stripTerminalReturns(none).isNull());
    EXPECT_TRUE(lastWord(none).isNull());
    EXPECT_TRUE(appendStringIfNotNil(none, "x").isNull());
    EXPECT_TRUE(surnameCapitalisedString(none).isNull());
    EXPECT_TRUE(stringAsHex(none).isNull());
    EXPECT_TRUE(hexConvert(none).isNull());
}

TEST(StringTests, SuffixNeedsTheWholeArgumentInsideTheReceiver)
{
    EXPECT_TRUE(endsWithString("amat", "at"));
    EXPECT_FALSE(endsWithString("at", "amat"));
    EXPECT_TRUE(endsWithString("amat", "amat"));
    EXPECT_FALSE(endsWithString("amata", "at"));
    EXPECT_TRUE(endsWithChar("amat", u't'));
    EXPECT_FALSE(endsWithChar("", u't'));
}

TEST(StringTests, CanonicallyEquivalentSequencesMatch)
{
    EXPECT_TRUE(containsText(kPrecomposed, QString::fromUtf8("e\u0301")));
    EXPECT_TRUE(containsText(kDecomposed, QString::fromUtf8("\u00e9")));
    EXPECT_TRUE(endsWithString(kPrecomposed, QString::fromUtf8("fe\u0301")));
    EXPECT_TRUE(endsWithString(kDecomposed, QString::fromUtf8("\u00e9")));
    EXPECT_TRUE(beginsWithString(QString::fromUtf8("\u00e9t\u00e9"), QString::fromUtf8("e\u0301")));
    EXPECT_TRUE(containsCaseInsensitiveText(kDecomposed, QString::fromUtf8("CAF\u00c9")));
    EXPECT_EQ(lengthCompare(QString::fromUtf8("\u00e9a"), QString::fromUtf8("\u00e9a")), Same);
}

TEST(StringTests, MatchDoesNotSplitALetterFromItsMarks)
{
    EXPECT_FALSE(endsWithString(kPrecomposed, "e"));
    EXPECT_FALSE(endsWithString(kDecomposed, "e"));
    EXPECT_FALSE(beginsWithString(QString::fromUtf8("\u0101rma"), "a"));
    EXPECT_FALSE(containsText(QString::fromUtf8("r\u0113x"), "rex"));
    EXPECT_TRUE(containsText(QString::fromUtf8("r\u0113x rex"), "rex"));
}

TEST(StringTests, CaseInsensitiveVariants)
{
    EXPECT_TRUE(beginsWithCaseInsensitiveString("Arma virumque", "aRMA"));
    EXPECT_FALSE(beginsWithString("Arma virumque", "arma"));
    EXPECT_TRUE(containsCaseInsensitiveText("Arma VIRUMQUE", "virum"));
    EXPECT_FALSE(containsText("Arma VIRUMQUE", "virum"));
}

TEST(StringTests, CaseInsensitiveSearchFoldsSharpSAndLigatures)
{
    // Characters whose folded form is two or three letters.
    EXPECT_TRUE(containsCaseInsensitiveText(QString::fromUtf8("Straße"), "STRASSE"));
    EXPECT_TRUE(containsCaseInsensitiveText("STRASSE", QString::fromUtf8("straße")));
    EXPECT_TRUE(containsCaseInsensitiveText(QString::fromUtf8("ẞ"), "ss"));
    EXPECT_TRUE(containsCaseInsensitiveText(QString::fromUtf8("ﬁnis"), "FINIS"));
    // A match may not take half of such a character.
    EXPECT_FALSE(containsCaseInsensitiveText(QString::fromUtf8("ß"), "s"));
    EXPECT_FALSE(containsCaseInsensitiveText(QString::fromUtf8("aﬃx"), "ix"));
    EXPECT_TRUE(containsCaseInsensitiveText(QString::fromUtf8("maßstab"), "SSST"));
    // Case-sensitive tests are unaffected.
    EXPECT_FALSE(containsText(QString::fromUtf8("Straße"), "strasse"));
}

TEST(StringTests, CharacterSets)
{
    EXPECT_TRUE(containsCharacters("amo, amas", CharacterSet::fromCharacters(",;")));
    EXPECT_FALSE(containsCharacters("amo amas", CharacterSet::fromCharacters(",;")));
    EXPECT_TRUE(containsCharacters("amo2", CharacterSet::decimalDigits()));
    EXPECT_FALSE(containsCharacters("amo", CharacterSet()));
    EXPECT_TRUE(containsCharacters("amo", CharacterSet::decimalDigits().inverted()));
    EXPECT_TRUE(containsCharacters(QString::fromUtf8("x\U0001D400"), CharacterSet::fromCharacters(QString::fromUtf8("\U0001D400"))));
}

TEST(StringTests, ExpressionsAnchorAndIgnoreCase)
{
    EXPECT_TRUE(beginsWithExpression("Praeterea", "[pq]rae"));
    EXPECT_TRUE(beginsWithExpression("QRAEx", "[pq]rae"));
    EXPECT_FALSE(beginsWithExpression("in praeterea", "[pq]rae"));
    EXPECT_TRUE(endsWithExpression("amavisse", "[ai]sse"));
    EXPECT_FALSE(endsWithExpression("amavissent", "[ai]sse"));
    // One final line end may follow the end anchor, but not two.
    EXPECT_TRUE(endsWithExpression("amavisse\n", "isse"));
    EXPECT_TRUE(endsWithExpression("amavisse\r\n", "isse"));
    EXPECT_TRUE(endsWithExpression(QString::fromUtf8("amavisse\u2028"), "isse"));
    EXPECT_FALSE(endsWithExpression("amavisse\n\n", "isse"));
    // Word classes know letters with macrons.
    EXPECT_TRUE(beginsWithExpression(QString::fromUtf8("\u0101mo"), "\\w+o"));
}

TEST(StringTests, InvalidExpressionAnswersNoSilently)
{
    ConsoleCapture console;
    EXPECT_FALSE(beginsWithExpression("[abc", "[abc"));
    EXPECT_FALSE(endsWithExpression("(abc", "(abc"));
    EXPECT_TRUE(ConsoleCapture::lines.isEmpty());
}

TEST(StringTests, AllCapsAndLeadingSpace)
{
    EXPECT_FALSE(isAllCaps(""));
    EXPECT_TRUE(isAllCaps("1234"));
    EXPECT_TRUE(isAllCaps("SPQR."));
    EXPECT_FALSE(isAllCaps("SPqR"));
    EXPECT_TRUE(startsWithSpace(" a"));
    EXPECT_FALSE(startsWithSpace("\ta"));
    EXPECT_FALSE(startsWithSpace(""));
}

TEST(StringTests, ChineseFollowsTheDefaultLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale("zh_TW"));
    EXPECT_TRUE(isChinese());
    QLocale::setDefault(QLocale("zh_SG"));
    EXPECT_TRUE(isChinese());
    QLocale::setDefault(QLocale("en_US"));
    EXPECT_FALSE(isChinese());
    QLocale::setDefault(saved);
    EXPECT_EQ(speechLocaleIdentifier(QLocale("zh_TW")), "zh-Hant_TW");
    EXPECT_EQ(speechLocaleIdentifier(QLocale("zh_HK")), "zh_HK");
}

}  // namespace
