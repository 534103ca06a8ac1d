#pragma once
// Colours to and from text, colours of graphics files, and the tolerant
// comparison the text model uses to tell whether a run still has the
// standard text colour.
//
// Every function takes the colour it works on (the receiver) first and
// answers NO, a null string or a null colour for a missing receiver.
// Failures are reported through the log call. Any thread.

#include "platform/Color.h"

#include <QString>

namespace ColorExtensions {

// The receiver in generic RGB as "red|green|blue|alpha", each with six decimals.
QString rgbString(const ts::ColorPtr& color);
// Four "|"-separated numbers as red, green, blue and alpha; pure red, and a
// report, for anything else.
ts::ColorPtr colorFromString(const QString& string);
// "none" and empty: null; "black", "blue", "green"; "#" and six hexadecimal
// digits. Anything else (gradient references, short forms) is null.
ts::ColorPtr colorFromSVGString(const QString& string);
// As colorFromSVGString, with the opacity's value as alpha when an opacity
// is given (black with that alpha when the colour string gives no colour).
ts::ColorPtr colorFromSVGStringOpacity(const QString& string, const QString& opacity);
// Each held component within 0.001.
bool colorsAreEqual(const ts::ColorPtr& ours, const ts::ColorPtr& theirs);
// Both converted to generic RGB, then colorsAreEqual.
bool isEqualToCalibratedColor(const ts::ColorPtr& color, const ts::ColorPtr& other);
void logColorDifferences(const ts::ColorPtr& ours, const ts::ColorPtr& theirs);
void logComponents(const ts::ColorPtr& color);

}  // namespace ColorExtensions
