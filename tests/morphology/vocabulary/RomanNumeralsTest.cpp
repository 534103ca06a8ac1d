#include "morphology/RomanNumerals.h"

#include "support/CaptureLogger.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(RomanNumerals, WritesTheFourFormats) {
    struct Case {
        qint64 number, format;
        const char* expected;
    } cases[] = {
        {1999, 0, "MCMXCIX"},
        {1999, 1, "MDCCCCLXXXXVIIII"},
        {1999, 2, "mdcccclxxxxviiij"},
        {1999, 3, "MCMXCIX"},
        {1994, 3, "MCMXCIIII"},
        {1994, 0, "MCMXCIV"},
        {4000, 0, "MMMM"},
        {4999, 0, "MMMMCMXCIX"},
        {444, 0, "CDXLIV"},
        {444, 1, "CCCCXXXXIIII"},
        {444, 3, "CDXLIIII"},
        {888, 2, "dccclxxxviij"},
        {3, 2, "iij"},
        {2, 2, "ij"},
        {1, 2, "i"},
        {7, 2, "vij"},
        {6, 2, "vi"},
        {5, 2, "v"},
        {10, 2, "x"},
        {1, 0, "I"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RomanNumerals::latinNumeralString(c.number, c.format), QString::fromLatin1(c.expected))
            << c.number << " in format " << c.format;
    for (qint64 format = 0; format <= 3; ++format) {
        const QString zero = RomanNumerals::latinNumeralString(0, format);
        EXPECT_TRUE(zero.isEmpty() && !zero.isNull()) << format;
    }
    EXPECT_EQ(RomanNumerals::latinNumeralString(1999), QStringLiteral("MCMXCIX"));
}

TEST(RomanNumerals, NumbersOutsideTheWritableRangeAreRefused) {
    for (const qint64 n : {qint64(5000), qint64(12345), qint64(-1), qint64(-5000), std::numeric_limits<qint64>::min()}) {
        CaptureLogger::Scope log;
        EXPECT_TRUE(RomanNumerals::latinNumeralString(n, 0).isNull()) << n;
        EXPECT_TRUE(RomanNumerals::cvt1000(n, 2).isNull()) << n;
        EXPECT_TRUE(log->contains(QStringLiteral("only numbers from 1 to 4999 can be written"))) << n;
        EXPECT_FALSE(RomanNumerals::validString(QStringLiteral("MMMMM"), n)) << n;
    }
    qint64 value = 0;
    EXPECT_FALSE(RomanNumerals::isRomanNumeral(QStringLiteral("MMMMM"), &value));
    EXPECT_EQ(value, -1);
}

TEST(RomanNumerals, UnknownFormatWritesTheOtherDigitsInUpperCase) {
    CaptureLogger::Scope log;
    EXPECT_EQ(RomanNumerals::latinNumeralString(1649, 7), QStringLiteral("MDC"));
    EXPECT_TRUE(log->contains(QStringLiteral("Bad numberFormat")));
    EXPECT_EQ(RomanNumerals::latinNumeralString(1238, -1), QStringLiteral("MCCXXXVIII"));
}

TEST(RomanNumerals, EveryWrittenNumeralReadsBackAsItsNumber) {
    for (qint64 format = 0; format <= 3; ++format)
        for (qint64 n = 0; n <= RomanNumerals::kLargestNumeral; ++n) {
            const QString numeral = RomanNumerals::latinNumeralString(n, format);
            qint64 value = -2;
            ASSERT_TRUE(RomanNumerals::isRomanNumeral(numeral, &value)) << numeral.toStdString();
            ASSERT_EQ(value, n) << numeral.toStdString();
            ASSERT_EQ(RomanNumerals::parseRomanNumeral(numeral), n) << numeral.toStdString();
        }
}

TEST(RomanNumerals, ParsingReadsWithoutValidating) {
    const std::pair<const char*, qint64> cases[] = {
        {"mcmxcix", 1999}, {"IIIJ", 4}, {"VIIII", 9}, {"IC", 1}, {"", 0}, {"XIU", 14}, {"MMMMMM", 6000}, {"ivxyz", 4},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(RomanNumerals::parseRomanNumeral(QString::fromLatin1(text)), value) << text;
    EXPECT_EQ(RomanNumerals::standardString(QStringLiteral("viiij u")), QStringLiteral("VIIII V"));
}

TEST(RomanNumerals, RecognisesOnlyWellFormedNumerals) {
    const std::pair<const char*, qint64> accepted[] = {
        {"iiij", 4}, {"viiij", 9}, {"MCMXCIIII", 1994}, {"MMMM", 4000}, {"", 0}, {"xiu", 14}, {"mdcccclxxxxviiij", 1999},
    };
    for (const auto& [text, expected] : accepted) {
        qint64 value = -2;
        EXPECT_TRUE(RomanNumerals::isRomanNumeral(QString::fromLatin1(text), &value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text : {"IC", "IIX", "VV", "IIIII", "XM", "MCMC", "12", "I I", "Ⅻ", "CDCD"}) {
        qint64 value = 0;
        EXPECT_FALSE(RomanNumerals::isRomanNumeral(QString::fromUtf8(text), &value)) << text;
        EXPECT_EQ(value, -1) << text;
    }
    EXPECT_TRUE(RomanNumerals::validString(QStringLiteral("mcmxcix"), 1999));
    EXPECT_FALSE(RomanNumerals::validString(QStringLiteral("MCMXCIX"), 1998));
}

TEST(RomanNumerals, RecognisesPlainDecimalNumbers) {
    const std::pair<const char*, qint64> cases[] = {
        {"42", 42}, {"0", 0}, {"2147483647", 2147483647}, {"042", -1}, {"-5", -1}, {"+5", -1}, {"4a", -1},
        {"", -1}, {"2147483648", -1}, {"99999999999999999999", -1}, {" 4", -1}, {"٤", -1},
    };
    for (const auto& [text, expected] : cases) {
        qint64 value = -2;
        EXPECT_EQ(RomanNumerals::isArabicNumeral(QString::fromUtf8(text), &value), expected >= 0) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST(RomanNumerals, NumbersFileNamesEveryPieceInBothForms) {
    ASSERT_FALSE(RomanNumerals::numeralsString().isNull()) << "Numbers.txt is missing from the resources";
    std::vector<qint32> pieces;
    for (qint32 n = 1; n <= 19; ++n) pieces.push_back(n);
    for (qint32 n = 20; n <= 90; n += 10) pieces.push_back(n);
    for (qint32 n = 100; n <= 900; n += 100) pieces.push_back(n);
    pieces.push_back(1000);
    // Words in lower-case Latin letters with precomposed long vowels, as shown.
    static const QRegularExpression latin(QStringLiteral("^[a-zāēīōū]+( [a-zāēīōū]+)?$"));
    for (const qint32 n : pieces) {
        const QString cardinal = RomanNumerals::cardinalsDictionary().value(n);
        const QString ordinal = RomanNumerals::ordinalsDictionary().value(n);
        EXPECT_TRUE(latin.match(cardinal).hasMatch()) << n << " " << cardinal.toStdString();
        EXPECT_TRUE(latin.match(ordinal).hasMatch()) << n << " " << ordinal.toStdString();
    }
    EXPECT_FALSE(RomanNumerals::cardinalsDictionary().contains(0));
}

TEST(RomanNumerals, NamesNumbersInLatinWords) {
    struct Case {
        qint64 number;
        const char* cardinal;  // nullptr: none
        const char* ordinal;
    } cases[] = {
        {1, "ūnus", "prīmus"},
        {10, "decem", "decimus"},
        {13, "tredecim", "tertius decimus"},
        {20, "vīgintī", "vīcēsimus"},
        {21, "vīgintī ūnus", "vīcēsimus prīmus"},
        {110, "centum decem", "centēsimus decimus"},
        {1000, "mīlle", "mīllēsimus"},
        {1999, "mīlle nōngentī nōnāgintā novem", "mīllēsimus nōngentēsimus nōnāgēsimus nōnus"},
        {2018, "duo mīlia duodēvīgintī", nullptr},
        {9999, "novem mīlia nōngentī nōnāgintā novem", nullptr},
        {2000, "duo mīlia", nullptr},
        {0, nullptr, nullptr},
        {-3, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const QString cardinal = RomanNumerals::cardinalForNumber(c.number);
        const QString ordinal = RomanNumerals::ordinalForNumber(c.number);
        EXPECT_EQ(cardinal, c.cardinal ? QString::fromUtf8(c.cardinal) : QString()) << c.number;
        EXPECT_EQ(cardinal.isNull(), !c.cardinal) << c.number;
        EXPECT_EQ(ordinal, c.ordinal ? QString::fromUtf8(c.ordinal) : QString()) << c.number;
        EXPECT_EQ(ordinal.isNull(), !c.ordinal) << c.number;
    }
    // Only one digit of thousands has words: larger numbers are refused, not misnamed.
    CaptureLogger::Scope log;
    EXPECT_TRUE(RomanNumerals::cardinalForNumber(12018).isNull());
    EXPECT_TRUE(log->contains(QStringLiteral("only numbers below 10000 are named")));
}
