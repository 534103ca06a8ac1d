#include "../ConsoleCapture.h"
#include "foundation/StringExtensions.h"

#include <gtest/gtest.h>

using namespace StringExtensions;

namespace {

const QString kEllipsis = QString::fromUtf8("\u2026");

TEST(StringCleanup, StripDiacriticsDropsMarksAndKeepsLength)
{
    EXPECT_EQ(stripDiacritics(QString::fromUtf8("\u0101")), "a");
    const QString latin = QString::fromUtf8("Arma vir\u016Bmque c\u0103n\u00F6 \u00C9t \u1E17");
    const QString plain = stripDiacritics(latin);
    EXPECT_EQ(plain, "Arma virumque cano Et e");
    EXPECT_EQ(plain.size(), latin.size());
    // A decomposed mark keeps its place, so ranges found in the result are
    // ranges in the receiver.
    for (const char* text : {"a\u0304mo", "\u0304", "o\u0304\u0301s", "A\u0308e\u0301"}) {
        const QString s = QString::fromUtf8(text);
        EXPECT_EQ(stripDiacritics(s).size(), s.size()) << text;
    }
    EXPECT_EQ(stripDiacritics(QString::fromUtf8("a\u0304mo")), "a?mo");
    // No one-character ASCII form: a question mark per code unit.
    EXPECT_EQ(stripDiacritics(QString::fromUtf8("c\u00E6li \u03B1")), "c?li ?");
    EXPECT_EQ(stripDiacritics(QString::fromUtf8("\U0001D400")), "??");
}

TEST(StringCleanup, StripDiacriticsKeepsTheEllipsis)
{
    EXPECT_EQ(stripDiacritics(QString::fromUtf8("s\u012B\u2026")), QString("si") + kEllipsis);
    EXPECT_EQ(stripDiacritics(QString("a...b") + kEllipsis), QString("a") + kEllipsis + "b" + kEllipsis);
    EXPECT_EQ(stripDiacritics("a...b"), "a...b");
}

TEST(StringCleanup, LeadingAndTrailingBlanks)
{
    EXPECT_EQ(stripInitialBlanks("   "), "   ");
    EXPECT_EQ(stripInitialSpaces("   "), "");
    EXPECT_EQ(stripTerminalBlanks("   "), "");
    EXPECT_EQ(stripInitialBlanks(QString::fromUtf8(" \t\u00A0amo ")), "amo ");
    EXPECT_EQ(stripInitialBlanks("\namo"), "\namo");
    EXPECT_EQ(stripInitialSpaces("  \tamo"), "\tamo");
    EXPECT_EQ(stripTerminalBlanks("amo\t  "), "amo\t");
}

TEST(StringCleanup, TerminalReturns)
{
    EXPECT_EQ(stripTerminalReturns("amo\r\n\r\n"), "amo");
    EXPECT_EQ(stripTerminalReturns("amo\n\r\n"), "amo");
    EXPECT_EQ(stripTerminalReturns("\r\n"), "\r\n");
    EXPECT_EQ(stripTerminalReturns("a\nmo"), "a\nmo");
}

TEST(StringCleanup, ReplaceOnlyAnOccurrenceAtTheStart)
{
    EXPECT_EQ(replaceInitialOccurencesOfString("-que-que", "-que", "et"), "et-que");
    EXPECT_EQ(replaceInitialOccurencesOfString("a-que", "-que", "et"), "a-que");
    EXPECT_EQ(replaceInitialOccurencesOfString("amo", "", "x"), "amo");
    // The match covers the receiver's own code units, whatever form it is in.
    EXPECT_EQ(replaceInitialOccurencesOfString(QString::fromUtf8("e\u0301te\u0301"), QString::fromUtf8("\u00E9"), "E"),
              QString::fromUtf8("Ete\u0301"));
    EXPECT_EQ(replaceInitialOccurencesOfString(QString::fromUtf8("\u00E9t\u00E9"), QString::fromUtf8("e\u0301t"), "x"),
              QString::fromUtf8("x\u00E9"));
}

TEST(StringCleanup, WordsAndAppending)
{
    EXPECT_EQ(surnameCapitalisedString("mARCUS tullius o'brien-smith"), "Marcus Tullius O'brien-Smith");
    EXPECT_EQ(lastWord("arma virumque"), "virumque");
    EXPECT_EQ(lastWord("cano."), ".");
    EXPECT_EQ(lastWord("cano"), "cano");
    EXPECT_EQ(lastWord("arma,virum\tque"), "que");
    EXPECT_EQ(lastWord(""), "");
    EXPECT_EQ(appendStringIfNotNil("amo", "I love"), "amo\tI love");
    EXPECT_EQ(appendStringIfNotNil("amo", QString()), "amo");
}

TEST(StringCleanup, Comparators)
{
    EXPECT_EQ(lengthCompare("est", "amat"), Ascending);
    EXPECT_EQ(lengthCompare("amat", "est"), Descending);
    EXPECT_EQ(lengthCompare("ama", "amo"), Ascending);
    EXPECT_EQ(lengthCompare("amo", "ama"), Descending);
    EXPECT_EQ(numberStringCompare(" 10.5", "9"), Descending);
    EXPECT_EQ(numberStringCompare("-2e1x", "-19"), Ascending);
    EXPECT_EQ(numberStringCompare("abc", "0"), Same);
    // Single precision: differences beyond it do not order.
    EXPECT_EQ(numberStringCompare("1.000000001", "1"), Same);
    EXPECT_FLOAT_EQ(leadingFloatValue(".5e"), 0.5f);
    EXPECT_FLOAT_EQ(leadingFloatValue("1,5"), 1.0f);
}

TEST(StringCleanup, HexDigitsAndTheirComplaint)
{
    EXPECT_EQ(intToHex(0), "0");
    EXPECT_EQ(intToHex(15), "F");
    {
        ConsoleCapture console;
        EXPECT_EQ(intToHex(16), "x");
        EXPECT_EQ(ConsoleCapture::lines, QStringList{"bad value at IntToHex"});
    }
    EXPECT_EQ(hexChar(0xA7), "A7");
    EXPECT_EQ(stringAsHex(""), "");
    EXPECT_EQ(stringAsHex(QString::fromUtf8("A\u0101")), "x41 x01 ");
    EXPECT_EQ(charAndHexString("Ab"), "A\tx41\rb\tx62\r");
    EXPECT_EQ(nonPrintingCharsAsHex("a\tb\x1f"), "a\\x09b\\x1F");
}

TEST(StringCleanup, HexConvertStopsAtTheFirstNonHexToken)
{
    EXPECT_EQ(hexConvert("0x41 42\n\t1FF zz 43"), QByteArray("AB\xFF"));
    EXPECT_EQ(hexConvert("ff0"), QByteArray("\xF0"));
    const QByteArray empty = hexConvert("");
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
}

TEST(StringCleanup, Checksums)
{
    EXPECT_EQ(mod256Checksum("abc"), 38);
    EXPECT_EQ(mod256Checksum(""), 0);
    // Bytes above 127 count negative and the remainder keeps the sign.
    EXPECT_EQ(mod256Checksum(QString::fromUtf8("\u00FF\u00FF")), -2);
    EXPECT_EQ(mod256Checksum(QString(300, QChar(0x80))), -(300 * 128) % 256);
    EXPECT_EQ(characterChecksum("arma\r\nXY"), characterChecksum("arma\nZW"));
    EXPECT_EQ(characterChecksum("abcde"), quint64((97 + 98 + 99) & 0xFF));
    EXPECT_EQ(characterChecksum("ab\r\n"), 0u);
    EXPECT_EQ(characterChecksum(QString::fromUtf8("\u00FF\u00FFab")), quint64((-2) & 0xFF));
}

TEST(StringCleanup, LogDictionaryWritesOneLinePerKeyInOrder)
{
    ConsoleCapture console;
    logDictionary({{"b", ts::Value(2)}, {"a", ts::Value("amo")}});
    EXPECT_EQ(ConsoleCapture::lines, (QStringList{"a amo", "b 2"}));
}

}  // namespace
