#include "support/CaptureLogger.h"

#include "foundation/AttributedStringExtensions.h"
#include "foundation/ColorExtensions.h"
#include "platform/Font.h"

#include <gtest/gtest.h>

using namespace ts;
using namespace ColorExtensions;
using namespace AttributedStringExtensions;

TEST(ColorExtensions, TextFormRoundTripAndFailures) {
    CaptureLogger::Scope log;
    EXPECT_EQ(rgbString(Color::calibratedRgb(1, 0, 0)), QStringLiteral("1.000000|0.000000|0.000000|1.000000"));
    EXPECT_EQ(rgbString(Color::white(0.5, 0.25)), QStringLiteral("0.500000|0.500000|0.500000|0.250000"));
    EXPECT_TRUE(rgbString(nullptr).isNull());
    EXPECT_TRUE(isEqualToCalibratedColor(colorFromString(rgbString(Color::redColor())), Color::redColor()));
    EXPECT_TRUE(log->take().isEmpty());

    EXPECT_TRUE(isEqualToCalibratedColor(colorFromString(QStringLiteral("0.1|0.2|0.3")), Color::redColor()));
    EXPECT_EQ(log->take(), QStringList{QStringLiteral("Not a colour string:0.1|0.2|0.3")});
    EXPECT_TRUE(isEqualToCalibratedColor(colorFromString(QString()), Color::redColor()));
    EXPECT_EQ(log->take(), QStringList{QStringLiteral("Nil colour string:(null)")});
}

TEST(ColorExtensions, SvgValues) {
    auto c = colorFromSVGString(QStringLiteral("#ff8000"));
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->toRgb().red, 1);
    EXPECT_DOUBLE_EQ(c->toRgb().green, 128.0 / 255);
    EXPECT_DOUBLE_EQ(c->toRgb().blue, 0);
    for (const char* none : {"#f80", "none", "", "#linearGradient-1", "red", "#gggggg"})
        EXPECT_FALSE(colorFromSVGString(QString::fromLatin1(none))) << none;
    EXPECT_TRUE(colorFromSVGString(QStringLiteral("blue"))->isEqual(*Color::systemBlueColor()));
    EXPECT_TRUE(isEqualToCalibratedColor(colorFromSVGString(QStringLiteral("black")), Color::calibratedRgb(0, 0, 0)));

    auto half = colorFromSVGStringOpacity(QStringLiteral("#0000ff"), QStringLiteral("0.5"));
    EXPECT_TRUE(isEqualToCalibratedColor(half, Color::calibratedRgb(0, 0, 1, 0.5)));
    EXPECT_TRUE(isEqualToCalibratedColor(colorFromSVGStringOpacity(QStringLiteral("none"), QStringLiteral("0.3")),
                                         Color::calibratedRgb(0, 0, 0, 0.3)));
    EXPECT_FALSE(colorFromSVGStringOpacity(QStringLiteral("none"), QString()));
}

TEST(ColorExtensions, ToleranceAndSpaces) {
    const ColorPtr base = Color::calibratedRgb(0.2, 0.4, 0.6);
    EXPECT_TRUE(isEqualToCalibratedColor(base, Color::calibratedRgb(0.2, 0.4, 0.6005)));
    EXPECT_FALSE(isEqualToCalibratedColor(base, Color::calibratedRgb(0.2, 0.4, 0.602)));
    EXPECT_FALSE(isEqualToCalibratedColor(base, nullptr));
    EXPECT_FALSE(isEqualToCalibratedColor(nullptr, base));
    // Different spaces meet in generic RGB: white 0 and the text colour are black.
    EXPECT_TRUE(isEqualToCalibratedColor(Color::white(0), Color::textColor()));
    EXPECT_TRUE(isEqualToCalibratedColor(Color::deviceRgb(1, 1, 1), Color::textBackgroundColor()));
    // The raw comparison reads the components as held, so a white colour
    // (w, alpha) is not equal to the same grey in RGB.
    EXPECT_FALSE(colorsAreEqual(Color::white(0.5), Color::calibratedRgb(0.5, 0.5, 0.5)));

    CaptureLogger::Scope log;
    logColorDifferences(base, Color::white(1));
    logComponents(base);
    const QStringList lines = log->take();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Our colour r:0.200000 g:0.400000 b:0.600000 alpha:1.000000"));
    EXPECT_EQ(lines[1], QStringLiteral("Their colour r:1.000000 g:1.000000 b:1.000000 alpha:1.000000"));
    EXPECT_EQ(lines[2], QStringLiteral("r: 0.20 g: 0.40 b 0.60 a: 1.00"));
}

TEST(AttributedStringExtensions, MergedAttributesLaterRunsWin) {
    AttributedString s(QStringLiteral("ab"), {{AttributeName::Font, Value(Font::make("Helvetica-Bold", 12))}});
    s.append(QStringLiteral("cd"), {{AttributeName::ForegroundColor, Value(Color::redColor())}});
    s.append(QStringLiteral("ef"), {{AttributeName::Font, Value(Font::make("Times-Roman", 9))}});
    Attributes a = fontAttributesInRange(s, {0, 4});
    EXPECT_EQ(a[AttributeName::Font].toObjectAs<Font>()->postScriptName(), QStringLiteral("Helvetica-Bold"));
    EXPECT_TRUE(a.count(AttributeName::ForegroundColor));
    a = fontAttributesInRange(s, {1, 5});
    EXPECT_EQ(a[AttributeName::Font].toObjectAs<Font>()->postScriptName(), QStringLiteral("Times-Roman"));
    EXPECT_TRUE(fontAttributesInRange(s, {3, 0}).empty());
    EXPECT_TRUE(fontAttributesInRange(AttributedString(), {0, 10}).empty());
}

TEST(AttributedStringExtensions, RaisedExponents) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const Attributes attrs{{AttributeName::Font, Value(Font::make("Helvetica", 12))}};
    const auto expectExponent = [&](const AttributedString& s, const QString& base, const QString& exponent, double baseline) {
        EXPECT_EQ(s.string(), base + exponent);
        const qsizetype at = base.size();
        EXPECT_EQ(s.attribute(AttributeName::Font, at).toObjectAs<Font>()->pointSize(), 6);
        EXPECT_EQ(s.attribute(AttributeName::BaselineOffset, at).toDouble(), baseline);
        EXPECT_TRUE(s.attribute(AttributeName::BaselineOffset, 0).isNull());
        TextRange r;
        s.attribute(AttributeName::BaselineOffset, at, &r);
        EXPECT_EQ(r, (TextRange{at, exponent.size()}));
    };
    EXPECT_EQ(makeExponentString(0, attrs, NumberFormatter{2}).string(), QStringLiteral("0"));
    expectExponent(makeExponentString(12345, attrs, NumberFormatter{2}), QStringLiteral("1.2x10"), QStringLiteral("4"), 10);
    expectExponent(makeExponentString(0.005, attrs, NumberFormatter{2}), QStringLiteral("0.5x10"), QStringLiteral("-2"), 10);
    expectExponent(makeExponentString(-12345, attrs, NumberFormatter{2}), QStringLiteral("-1.2x10"), QStringLiteral("4"), 10);
    EXPECT_EQ(localisedScientificDecimalString(5, attrs).string(), QStringLiteral("5"));
    EXPECT_EQ(localisedScientificDecimalString(0.123456, attrs).string(), QStringLiteral("0.123"));
    expectExponent(localisedScientificDecimalString(1000, attrs), QStringLiteral("1x10"), QStringLiteral("3"), 10);
    expectExponent(powerOfTenString(3, attrs), QStringLiteral("10"), QStringLiteral("3"), 6);
    expectExponent(powerOfTenString(-7, attrs), QStringLiteral("10"), QStringLiteral("-7"), 6);
    const QStringList plain{"0.01", "0.1", "1", "10", "100"};
    for (int e = -2; e <= 2; ++e) EXPECT_EQ(powerOfTenString(e, attrs).string(), plain[e + 2]);
    // The given attributes are left as they were.
    EXPECT_EQ(attrs.at(AttributeName::Font).toObjectAs<Font>()->pointSize(), 12);
    EXPECT_FALSE(attrs.count(AttributeName::BaselineOffset));
}
