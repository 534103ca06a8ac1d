#include "foundation/AttributedStringExtensions.h"

#include "foundation/NumberStringExtensions.h"
#include "platform/Font.h"

#include <cmath>

using ts::AttributedString;
using ts::Attributes;
namespace AttributeName = ts::AttributeName;

namespace AttributedStringExtensions {
namespace {

using StringExtensions::clipTerminalZeroes;

ts::FontPtr fontOf(const Attributes& a) {
    auto it = a.find(AttributeName::Font);
    ts::FontPtr f = it == a.end() ? nullptr : it->second.toObjectAs<ts::Font>();
    return f ? f : ts::Font::defaultFont();
}

Attributes exponentAttributes(const Attributes& attributes, double baselineOffset) {
    Attributes a = attributes;
    const ts::FontPtr f = fontOf(attributes);
    a[AttributeName::Font] = ts::Value(f->withSize(f->pointSize() / 2));
    a[AttributeName::BaselineOffset] = ts::Value(baselineOffset);
    return a;
}

const NumberFormatter& formatter(int digits) {
    static const NumberFormatter two{2}, three{3}, any{0};
    return digits == 2 ? two : (digits == 3 ? three : any);
}

}  // namespace

QString NumberFormatter::stringFromNumber(double value) const {
    const QLocale locale;
    if (!std::isfinite(value)) return locale.toString(value);
    if (value == 0) return locale.toString(0);
    if (maximumSignificantDigits <= 0) return clipTerminalZeroes(locale.toString(value, 'f', QLocale::FloatingPointShortest));
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, maximumSignificantDigits - 1 - magnitude);
    const double scale = std::pow(10.0, maximumSignificantDigits - 1 - magnitude);
    const double rounded = std::round(value * scale) / scale;
    return clipTerminalZeroes(locale.toString(rounded, 'f', std::min(decimals, 17)));
}

Attributes fontAttributesInRange(const AttributedString& text, ts::TextRange range) {
    Attributes merged;
    text.enumerateAttributes(range, [&](const ts::AttributeSet& a, ts::TextRange) {
        for (const auto& [k, v] : a) merged[k] = v;
        return true;
    });
    return merged;
}

AttributedString makeExponentString(double x, const Attributes& attributes, const NumberFormatter& f) {
    if (x == 0) return AttributedString(QStringLiteral("0"), attributes);
    if (!std::isfinite(x)) return AttributedString(f.stringFromNumber(x), attributes);
    const double magnitude = std::fabs(x);
    const long e = long(std::trunc(std::log10(float(magnitude))));
    const double m = magnitude / std::pow(10.0, double(e));
    QString mantissa = clipTerminalZeroes(f.stringFromNumber(float(m)));
    if (x < 0) mantissa.prepend(QLocale().negativeSign());
    AttributedString out(QStringLiteral("%1x10").arg(mantissa), attributes);
    out.append(QString::number(e), exponentAttributes(attributes, 10));
    return out;
}

AttributedString localisedScientificDecimalString(double x, const Attributes& attributes) {
    if (x >= 0.01 && x <= 100) return AttributedString(formatter(3).stringFromNumber(x), attributes);
    return makeExponentString(x, attributes, formatter(2));
}

AttributedString makePOTExponentString(qint64 exponent, const Attributes& attributes, const NumberFormatter&) {
    AttributedString out(QStringLiteral("10"), attributes);
    out.append(QString::number(exponent), exponentAttributes(attributes, fontOf(attributes)->pointSize() / 2));
    return out;
}

AttributedString powerOfTenString(qint64 exponent, const Attributes& attributes) {
    if (exponent >= -2 && exponent <= 2)
        return AttributedString(formatter(0).stringFromNumber(std::pow(10.0, double(exponent))), attributes);
    return makePOTExponentString(exponent, attributes, formatter(0));
}

AttributedString withMarkedLetters(const AttributedString& original, const AttributedString& marked, bool markingColours) {
    AttributedString result;
    if (original.length() == marked.length()) {
        result = AttributedString::withRuns(marked.string(),
                                            std::vector<AttributedString::Run>(original.runs().begin(), original.runs().end()));
    } else {
        result = AttributedString(marked.string(), original.length() > 0 ? original.attributes(0) : Attributes{});
    }
    if (markingColours) result.removeAttribute(AttributeName::BackgroundColor, {0, result.length()});
    qsizetype at = 0;
    for (const AttributedString::Run& run : marked.runs()) {
        if (!run.attributes.empty()) result.addAttributes(run.attributes.get(), {at, run.length});
        at += run.length;
    }
    return result;
}

}  // namespace AttributedStringExtensions
