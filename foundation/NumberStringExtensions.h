#pragma once
// Locale-aware number strings (decimal places chosen automatically, trailing
// zeros clipped, currency, significant digits) and Chinese numerals.
//
// Same conventions as StringExtensions.h. The current locale is QLocale() as
// it was when each cached formatter was first used. Every function may be
// called from any thread.

#include "foundation/StringExtensions.h"

#include <QString>

#include <optional>

namespace StringExtensions {

// The value in the current locale's currency style ("$3.50").
QString localisedCurrencyString(float value);
// The receiver read as a currency amount; when that gives 0 (not an amount,
// or a zero amount) its leading plain number instead.
float currencyValue(const QString& s);
// Decimal style (grouping, at most three decimal places), trailing zeros
// clipped.
QString localisedDecimalString(float value);
// The value rounded to `places` decimal places (halves away from zero), then
// localisedDecimalString.
QString localisedDecimalString(float value, qint64 places);
// How many decimal places show a value usefully: 0 for 0 and for values of 30
// or more, 1 from 5 to 30, and below 5 the places after which the value is
// within 0.03 of a whole number (at most two past its leading zeros).
qint64 calculateNumZeroesForFloat(float value);
QString localisedDecimalStringWithAutoSigFigs(float value);
// Below 0.001 (negatives included) scientific style with at most two
// significant digits ("5E-4"); otherwise decimal style with at most three
// ("123"); trailing zeros clipped.
QString localisedScientificDecimalString(double value);
// The receiver without the zeros that end its fractional part, and without
// the decimal separator when nothing follows it ("12.500" -> "12.5",
// "12.000" -> "12"). Strings without the current locale's decimal separator
// come back unchanged. A separator longer than one character is logged to the
// console and nothing is clipped.
QString clipTerminalZeroes(const QString& s);
// The number the current locale's decimal style reads from the receiver, or
// nothing.
std::optional<double> localizedFloatValue(const QString& s);
// True when the receiver is a plain number in the current locale.
bool isNumber(const QString& s);
// Everything but the decimal digits and the current locale's decimal
// separator.
CharacterSet nonNumbericValues();
// The receiver keeping only digits and the decimal separator.
QString removeNonNumericValues(const QString& s);

// The numeral for 0-10, 100 and 1000; a null string for any other value.
QString chineseNumberForInt(qint64 value);
// The integer in Chinese numerals: "五" for 5, "一十五" for 15, "負五" for -5,
// the empty string for 0. From ten thousand on, groups of four digits are
// marked with "萬", "億", "兆" and "京".
QString chineseStringFromInteger(qint64 value);
// The integer part ("零" when it is 0) and, when `places` >= 1 and the value
// has a fraction at that precision, "點" and the fraction's `places` digits,
// each as its numeral (3.05 with two places: "三點零五").
QString chineseStringFromFloat(double value, qint64 places);

}  // namespace StringExtensions
