#include "../ConsoleCapture.h"
#include "TestEnvironment.h"

#include "foundation/NumberStringExtensions.h"

#include <gtest/gtest.h>

using namespace StringExtensions;

namespace {

TEST(NumberStrings, ClipTerminalZeroes)
{
    const std::pair<QString, QString> cases[] = {
        {"12.500", "12.5"},
        {"12.000", "12"},
        {"0.0", "0"},
        {"1200", "1200"},                    // no separator: zeros of the whole part stay
        {"1.05", "1.05"},
        {"12.5", "12.5"},
        {"1,200.50", "1,200.5"},
        {"", ""},
        // Code units whose low byte is "0" (U+0130) or "." (U+012E) are other
        // characters: nothing here is a trailing zero or a separator.
        {QString::fromUtf16(u"1.5\u0130"), QString::fromUtf16(u"1.5\u0130")},
        {QString::fromUtf16(u"1.5\u0130\u0130"), QString::fromUtf16(u"1.5\u0130\u0130")},
        {QString::fromUtf16(u"12\u012E500"), QString::fromUtf16(u"12\u012E500")},
        {QString::fromUtf16(u"12\u012E000"), QString::fromUtf16(u"12\u012E000")},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(clipTerminalZeroes(in), out) << qPrintable(in);
    EXPECT_TRUE(clipTerminalZeroes(QString()).isNull());
}

TEST(NumberStrings, DecimalPlacesChosenForTheValue)
{
    const std::pair<float, qint64> cases[] = {
        {2.5f, 1}, {0.05f, 2}, {0.123f, 3}, {3.14159f, 2}, {10.0f, 1}, {100.0f, 0}, {0.0f, 0}, {-2.5f, 1},
    };
    for (const auto& [value, places] : cases)
        EXPECT_EQ(calculateNumZeroesForFloat(value), places) << value;
    EXPECT_EQ(localisedDecimalStringWithAutoSigFigs(3.14159f), "3.14");
    EXPECT_EQ(localisedDecimalStringWithAutoSigFigs(0.05f), "0.05");
}

TEST(NumberStrings, DecimalAndScientificStyles)
{
    EXPECT_EQ(localisedDecimalString(1234.5f), "1,234.5");
    EXPECT_EQ(localisedDecimalString(2.0f), "2");
    EXPECT_EQ(localisedDecimalString(0.12345f), "0.123");
    EXPECT_EQ(localisedDecimalString(2.345f, 2), "2.35");   // halves away from zero
    EXPECT_EQ(localisedDecimalString(-2.345f, 2), "-2.35");
    EXPECT_EQ(localisedDecimalString(2.5f, 0), "3");

    EXPECT_EQ(localisedScientificDecimalString(0.0005), "5E-4");
    EXPECT_EQ(localisedScientificDecimalString(0.000123), "1.2E-4");
    EXPECT_EQ(localisedScientificDecimalString(123.456), "123");
    EXPECT_EQ(localisedScientificDecimalString(1.5), "1.5");
    EXPECT_EQ(localisedScientificDecimalString(1234.5), "1,230");
    EXPECT_TRUE(localisedScientificDecimalString(-3.0).contains(u'E'));
}

TEST(NumberStrings, CurrencyAndReading)
{
    EXPECT_EQ(localisedCurrencyString(3.5f), "$3.50");
    EXPECT_FLOAT_EQ(currencyValue("$3.50"), 3.5f);
    EXPECT_FLOAT_EQ(currencyValue("$1,234.25"), 1234.25f);
    EXPECT_FLOAT_EQ(currencyValue("12 apples"), 12.0f);   // not an amount: the leading number
    EXPECT_FLOAT_EQ(currencyValue("apples"), 0.0f);

    EXPECT_EQ(localizedFloatValue("1,234.5"), 1234.5);
    EXPECT_FALSE(localizedFloatValue("twelve").has_value());
    EXPECT_FALSE(localizedFloatValue("").has_value());

    const std::pair<const char*, bool> numbers[] = {
        {"12.5", true}, {"-3", true}, {"", false}, {"abc", false}, {"12abc", false},
    };
    for (const auto& [text, number] : numbers)
        EXPECT_EQ(isNumber(text), number) << text;

    EXPECT_EQ(removeNonNumericValues("$1,234.50 net"), "1234.50");
    EXPECT_TRUE(nonNumbericValues().contains(U','));
    EXPECT_FALSE(nonNumbericValues().contains(U'.'));
    EXPECT_FALSE(nonNumbericValues().contains(U'7'));
}

TEST(ChineseNumerals, Integers)
{
    EXPECT_EQ(chineseNumberForInt(0), QString::fromUtf16(u"零"));
    EXPECT_EQ(chineseNumberForInt(10), QString::fromUtf16(u"十"));
    EXPECT_EQ(chineseNumberForInt(100), QString::fromUtf16(u"百"));
    EXPECT_EQ(chineseNumberForInt(1000), QString::fromUtf16(u"千"));
    EXPECT_TRUE(chineseNumberForInt(11).isNull());
    EXPECT_TRUE(chineseNumberForInt(-1).isNull());

    const std::pair<qint64, const char16_t*> cases[] = {
        {5, u"五"},
        {15, u"一十五"},
        {0, u""},
        {-5, u"負五"},
        {105, u"一百零十五"},
        {12345, u"一萬二千三百四十五"},
        {100000000, u"一億"},
    };
    for (const auto& [n, text] : cases)
        EXPECT_EQ(chineseStringFromInteger(n), QString::fromUtf16(text)) << n;
    EXPECT_TRUE(chineseStringFromInteger(std::numeric_limits<qint64>::min()).startsWith(QString::fromUtf16(u"負")));
}

TEST(ChineseNumerals, Fractions)
{
    const struct {
        double value;
        qint64 places;
        const char16_t* text;
    } cases[] = {
        {0, 2, u"零"},
        {2.5, 1, u"二點五"},
        {2.5, 0, u"二"},
        {3.05, 2, u"三點零五"},      // a leading zero of the fraction is written
        {double(3.05f), 2, u"三點零五"},
        {-2.5, 1, u"負二點五"},
        {-0.5, 1, u"負零點五"},
        {7.0, 3, u"七"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chineseStringFromFloat(c.value, c.places), QString::fromUtf16(c.text)) << c.value << " " << c.places;
}

}  // namespace
