#pragma once
// Merged attributes of a stretch of rich text, and rich-text numbers with a
// raised power of ten ("1.2x10" followed by a superscript "4").
//
// The functions never change the attributes they are given. Any thread;
// the cached formatters are read-only once made.

#include "platform/AttributedString.h"

#include <QLocale>

namespace AttributedStringExtensions {

// Decimal numbers limited to a count of significant digits (0: as many as
// the value needs), without trailing zeros, in the default locale.
struct NumberFormatter {
    int maximumSignificantDigits = 0;
    QString stringFromNumber(double value) const;
};

// The attributes of every run inside the range, merged in text order so that
// a later run's value wins; empty for an empty range.
ts::Attributes fontAttributesInRange(const ts::AttributedString& text, ts::TextRange range);

// Mantissa, "x10" and the exponent raised by 10 points in a half-size font.
// Negative values keep their sign on the mantissa.
ts::AttributedString makeExponentString(double x, const ts::Attributes& attributes, const NumberFormatter& formatter);
// Up to 3 significant digits as plain text between 0.01 and 100, otherwise
// 2 significant digits with a raised exponent.
ts::AttributedString localisedScientificDecimalString(double x, const ts::Attributes& attributes);
// "10" and the exponent raised by half the font's size, in a half-size font.
ts::AttributedString makePOTExponentString(qint64 exponent, const ts::Attributes& attributes, const NumberFormatter& formatter);
// Plain 0.01 … 100 for exponents −2 … 2, a raised exponent beyond.
ts::AttributedString powerOfTenString(qint64 exponent, const ts::Attributes& attributes);

// A vowel-length marking laid over the text it was made from: the marked
// letters with the original's fonts, sizes, links and every other attribute
// run for run, and what the marking itself set (its background colours:
// how sure it was of each word) over them. With `markingColours` the
// original's background colours give way to the marking's; without, they
// stay where the marking sets none. A marking of another length cannot be
// laid letter for letter: its letters take the original's first attributes.
ts::AttributedString withMarkedLetters(const ts::AttributedString& original, const ts::AttributedString& marked,
                                       bool markingColours = true);

}  // namespace AttributedStringExtensions
