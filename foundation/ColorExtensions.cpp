#include "foundation/ColorExtensions.h"

#include "app/logging/LGLog.h"

#include <cmath>

using ts::Color;
using ts::ColorPtr;

namespace ColorExtensions {
namespace {

constexpr double kTolerance = 0.001;

ColorPtr genericRgb(const ColorPtr& c) {
    const Color::Rgba rgb = c->toRgb();
    return Color::calibratedRgb(rgb.red, rgb.green, rgb.blue, rgb.alpha);
}

}  // namespace

QString rgbString(const ColorPtr& color) {
    if (!color) return QString();
    const Color::Rgba c = color->toRgb();
    return QString::asprintf("%f|%f|%f|%f", c.red, c.green, c.blue, c.alpha);
}

ColorPtr colorFromString(const QString& string) {
    if (string.isNull()) {
        TSLogError("Nil colour string:%@", string);
        return Color::calibratedRgb(1, 0, 0, 1);
    }
    const QStringList parts = string.split(QLatin1Char('|'));
    if (parts.size() != 4) {
        TSLogError("Not a colour string:%@", string);
        return Color::calibratedRgb(1, 0, 0, 1);
    }
    // Lenient like a float conversion: text that is not a number reads as 0.
    const auto number = [](const QString& s) { return s.trimmed().toDouble(); };
    return Color::calibratedRgb(number(parts[0]), number(parts[1]), number(parts[2]), number(parts[3]));
}

ColorPtr colorFromSVGString(const QString& string) {
    if (string.isEmpty() || string == QLatin1String("none")) return nullptr;
    if (string == QLatin1String("black")) return Color::blackColor();
    if (string == QLatin1String("blue")) return Color::systemBlueColor();
    if (string == QLatin1String("green")) return Color::systemGreenColor();
    if (!string.startsWith(QLatin1Char('#')) || string.size() != 7) return nullptr;
    bool ok = false;
    const uint v = string.mid(1).toUInt(&ok, 16);
    // Digits that are not hexadecimal make no colour rather than a guess.
    if (!ok) return nullptr;
    return Color::calibratedRgb(double(v >> 16) / 255, double((v >> 8) & 255) / 255, double(v & 255) / 255, 1);
}

ColorPtr colorFromSVGStringOpacity(const QString& string, const QString& opacity) {
    const ColorPtr color = colorFromSVGString(string);
    if (opacity.isNull()) return color;
    const Color::Rgba rgb = color ? color->toRgb() : Color::Rgba{0, 0, 0, 1};
    return Color::calibratedRgb(rgb.red, rgb.green, rgb.blue, opacity.trimmed().toDouble());
}

bool colorsAreEqual(const ColorPtr& ours, const ColorPtr& theirs) {
    if (!ours || !theirs) return false;
    const auto a = ours->components();
    const auto b = theirs->components();
    if (std::fabs(float(a[0]) - float(b[0])) > float(kTolerance)) return false;
    for (int i = 1; i < 4; ++i)
        if (std::fabs(a[i] - b[i]) > kTolerance) return false;
    return true;
}

bool isEqualToCalibratedColor(const ColorPtr& color, const ColorPtr& other) {
    if (!color || !other) return false;
    return colorsAreEqual(genericRgb(color), genericRgb(other));
}

void logColorDifferences(const ColorPtr& ours, const ColorPtr& theirs) {
    const auto rgb = [](const ColorPtr& c) { return c ? c->toRgb() : Color::Rgba{0, 0, 0, 0}; };
    const Color::Rgba a = rgb(ours), b = rgb(theirs);
    TSLogError("Our colour r:%f g:%f b:%f alpha:%f", a.red, a.green, a.blue, a.alpha);
    TSLogError("Their colour r:%f g:%f b:%f alpha:%f", b.red, b.green, b.blue, b.alpha);
}

void logComponents(const ColorPtr& color) {
    if (!color) return;
    const Color::Rgba c = color->toRgb();
    TSLogError("r: %0.2f g: %0.2f b %0.2f a: %0.2f", c.red, c.green, c.blue, c.alpha);
}

}  // namespace ColorExtensions
