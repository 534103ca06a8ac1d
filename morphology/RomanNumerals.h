#pragma once
// Roman numerals in four styles, the recognition of Roman and Arabic numerals
// in text, and Latin number words (cardinal and ordinal).
//
// Formats (numberFormat):
//   0 upper case, subtractive (IV, IX, XL, XC, CD, CM)
//   1 upper case, additive (IIII, VIIII, XXXX, LXXXX, CCCC, DCCCC)
//   2 lower case, additive, a final i after another i written j (iiij, viij)
//   3 upper case, additive for four only (IIII), subtractive otherwise
//
// Only 1 to 4999 can be written (at most four M); 0 writes as the empty
// string. Anything else is refused: logged, and answered with a null string.
//
// The number words come from the resource file "Numbers.txt" (its line format is
// described at its top): the words for 1-19, the tens, the hundreds and 1000,
// read once per process and kept.
//
// Threads: isRomanNumeral() and isArabicNumeral() keep no state and may run
// on any thread, several at once; so may the rest (the word tables are built
// once under a guard and never change).

#include <QHash>
#include <QString>

class RomanNumerals {
public:
    // The numeral in the format of the settings (always format 0).
    static QString latinNumeralString(qint64 number);
    static QString latinNumeralString(qint64 number, qint64 numberFormat);

    // The part of one digit position; a number outside 0-4999 gives a null string.
    static QString cvt1000(qint64 number, qint64 numberFormat);
    static QString cvt100s(qint64 number, qint64 numberFormat);
    static QString cvt10s(qint64 number, qint64 numberFormat);
    static QString cvt1s(qint64 number, qint64 numberFormat);

    // The value the letters spell, without checking that they are well formed
    // (letters after the ones are ignored).
    static qint64 parseRomanNumeral(const QString& text);
    // Upper case, J made I, U made V.
    static QString standardString(const QString& text);
    // Whether the text is, ignoring case, the numeral of the number in one of
    // the four formats.
    static bool validString(const QString& text, qint64 number);
    // true and the value for a well-formed numeral (the empty text reads as 0);
    // false and -1 otherwise. `value` may be null.
    static bool isRomanNumeral(const QString& text, qint64* value);
    // true and the value for plain decimal digits that read back as written
    // within 32 bits (no sign, no leading zero); false and -1 otherwise.
    static bool isArabicNumeral(const QString& text, qint64* value);

    // The text of the numbers file; null (logged when it cannot be read) when
    // there is none.
    static QString numeralsString();
    // number -> words, from the numbers file.
    static const QHash<qint32, QString>& cardinalsDictionary();
    static const QHash<qint32, QString>& ordinalsDictionary();
    // The number in words; null below 1 and for what the words cannot express
    // (cardinals from 10,000, ordinals from 2000).
    static QString cardinalForNumber(qint64 number);
    static QString ordinalForNumber(qint64 number);

    static constexpr qint64 kLargestNumeral = 4999;
};
