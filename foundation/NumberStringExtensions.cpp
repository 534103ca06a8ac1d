#include "foundation/NumberStringExtensions.h"

#include <QLocale>
#include <QtDebug>

#include <atomic>
#include <cmath>
#include <limits>

namespace StringExtensions {

namespace {

// Halves away from zero, in single precision, as the decimal-place cuts do.
float roundedAwayFromZero(float value)
{
    return std::trunc(value + (value < 0 ? -0.49999997f : 0.49999997f));
}

float powerOfTen(qint64 exponent)
{
    float p = 1.0f;
    for (qint64 i = 0; i < exponent && std::isfinite(p); ++i)
        p *= 10.0f;
    return p;
}

const QLocale& numberLocale()
{
    static const QLocale locale;
    return locale;
}

// Decimal style: grouped, at most three decimal places.
QString decimalStyle(double value)
{
    if (!std::isfinite(value))
        return numberLocale().toString(value);
    QString text = numberLocale().toString(value, 'f', 3);
    return clipTerminalZeroes(text);
}

// At most `digits` significant digits, no exponent.
QString significantStyle(double value, int digits)
{
    if (value == 0 || !std::isfinite(value))
        return numberLocale().toString(value == 0 ? 0.0 : value, 'f', 0);
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    const int places = std::max(0, digits - 1 - magnitude);
    const double scale = std::pow(10.0, digits - 1 - magnitude);
    const double rounded = std::round(value * scale) / scale;
    return numberLocale().toString(rounded, 'f', std::min(places, 17));
}

// Scientific style with at most `digits` significant digits: "5E-4", "1.2E-5".
QString scientificStyle(double value, int digits)
{
    const QLocale& locale = numberLocale();
    if (value == 0 || !std::isfinite(value))
        return value == 0 ? locale.toString(0) + QStringLiteral("E0") : locale.toString(value);
    int exponent = int(std::floor(std::log10(std::fabs(value))));
    double mantissa = value / std::pow(10.0, exponent);
    const double scale = std::pow(10.0, digits - 1);
    mantissa = std::round(mantissa * scale) / scale;
    if (std::fabs(mantissa) >= 10.0) {
        mantissa /= 10.0;
        ++exponent;
    }
    QString out = clipTerminalZeroes(locale.toString(mantissa, 'f', digits - 1));
    out += QStringLiteral("E");
    out += exponent < 0 ? locale.negativeSign() + QString::number(-exponent) : QString::number(exponent);
    return out;
}

// The decimal separator once known; 0 until a one-character separator has
// been seen.
std::atomic<char16_t> rememberedSeparator{0};

QChar decimalSeparator()
{
    const char16_t known = rememberedSeparator.load(std::memory_order_relaxed);
    if (known)
        return QChar(known);
    const QString separator = QLocale().decimalPoint();
    if (separator.size() != 1) {
        qWarning("%s", qUtf8Printable(QStringLiteral("long decimal separator at clipTerminalZeroes %1").arg(separator)));
        return QChar();
    }
    rememberedSeparator.store(separator[0].unicode(), std::memory_order_relaxed);
    return separator[0];
}

const char16_t* const kDigits[] = {u"零", u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"};

// Up to four digits with the place values ten, hundred and thousand; a units
// digit of 0 is left out, every higher digit is written with its place.
QString chineseGroup(quint64 group)
{
    static const char16_t* const places[] = {nullptr, u"十", u"百", u"千"};
    QString out;
    quint64 rest = group;
    for (int place = 0; place < 4 && rest > 0; ++place, rest /= 10) {
        const int digit = int(rest % 10);
        if (place == 0) {
            if (digit != 0)
                out.prepend(QString::fromUtf16(kDigits[digit]));
            continue;
        }
        out.prepend(QString::fromUtf16(kDigits[digit]) + QString::fromUtf16(places[place]));
    }
    return out;
}

}  // namespace

QString localisedCurrencyString(float value)
{
    static const QLocale locale;
    return locale.toCurrencyString(double(value));
}

float currencyValue(const QString& s)
{
    if (s.isNull())
        return 0;
    static const QLocale locale;
    QString text = s.trimmed();
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    const QString code = locale.currencySymbol(QLocale::CurrencyIsoCode);
    for (const QString& mark : {symbol, code}) {
        if (!mark.isEmpty())
            text.remove(mark);
    }
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'(') && text.endsWith(u')')) {
        negative = true;
        text = text.mid(1, text.size() - 2).trimmed();
    }
    bool ok = false;
    double value = text.isEmpty() ? 0 : locale.toDouble(text, &ok);
    if (!ok)
        value = 0;
    if (negative)
        value = -value;
    if (value == 0)
        return leadingFloatValue(s);
    return float(value);
}

QString localisedDecimalString(float value)
{
    return decimalStyle(double(value));
}

QString localisedDecimalString(float value, qint64 places)
{
    if (places < 0 || places > 38)
        return localisedDecimalString(value);
    const float scale = powerOfTen(places);
    const float cut = roundedAwayFromZero(value * scale) / scale;
    return localisedDecimalString(std::isfinite(cut) ? cut : value);
}

qint64 calculateNumZeroesForFloat(float value)
{
    if (value == 0 || !std::isfinite(value))
        return 0;
    const float a = std::fabs(value);
    const float r = roundedAwayFromZero(std::log10(a));
    const qint64 base = r >= 1 ? 0 : qint64(std::fabs(r));
    if (a >= 30)
        return base;
    if (a >= 5)
        return 1;
    for (qint64 k = base; k <= base + 1; ++k) {
        const float scaled = a * powerOfTen(k);
        if (std::fabs(scaled - std::round(scaled)) <= 0.03f)
            return k;
    }
    return base + 2;
}

QString localisedDecimalStringWithAutoSigFigs(float value)
{
    return localisedDecimalString(value, calculateNumZeroesForFloat(value));
}

QString localisedScientificDecimalString(double value)
{
    const float asFloat = float(value);
    if (asFloat < 0.001f)
        return clipTerminalZeroes(scientificStyle(double(asFloat), 2));
    return clipTerminalZeroes(significantStyle(double(asFloat), 3));
}

QString clipTerminalZeroes(const QString& s)
{
    if (s.isNull())
        return QString();
    const QChar separator = decimalSeparator();
    if (separator.isNull())
        return s;
    qsizetype runStart = -1;
    bool inTrailingRun = true;
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        const QChar c = s[i];
        if (c == u'0') {
            if (inTrailingRun)
                runStart = i;
            continue;
        }
        inTrailingRun = false;
        if (c == separator) {
            if (runStart < 0)
                return s;
            return s.left(runStart == i + 1 ? i : runStart);
        }
    }
    return s;
}

std::optional<double> localizedFloatValue(const QString& s)
{
    if (s.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = numberLocale().toDouble(s, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool isNumber(const QString& s)
{
    if (s.isEmpty())
        return false;
    static const QLocale plain = [] {
        QLocale locale;
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        return locale;
    }();
    bool ok = false;
    plain.toDouble(s, &ok);
    return ok;
}

CharacterSet nonNumbericValues()
{
    static const CharacterSet set = [] {
        const QString separator = QLocale().decimalPoint();
        return CharacterSet::decimalDigits().united(CharacterSet::fromCharacters(separator)).inverted();
    }();
    return set;
}

QString removeNonNumericValues(const QString& s)
{
    if (s.isNull())
        return QString();
    const CharacterSet remove = nonNumbericValues();
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t cp = s[i].unicode();
        qsizetype units = 1;
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(s[i], s[i + 1]);
            units = 2;
        }
        if (!remove.contains(cp))
            out += s.mid(i, units);
        i += units - 1;
    }
    return out;
}

QString chineseNumberForInt(qint64 value)
{
    if (value >= 0 && value <= 9)
        return QString::fromUtf16(kDigits[value]);
    switch (value) {
    case 10: return QString::fromUtf16(u"十");
    case 100: return QString::fromUtf16(u"百");
    case 1000: return QString::fromUtf16(u"千");
    default: return QString();
    }
}

QString chineseStringFromInteger(qint64 value)
{
    if (value == 0)
        return QLatin1String("");
    // The magnitude as unsigned, so that the most negative value has one.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    static const char16_t* const groupMarks[] = {nullptr, u"萬", u"億", u"兆", u"京"};
    QString out;
    quint64 rest = magnitude;
    for (int group = 0; rest > 0; ++group, rest /= 10000) {
        const quint64 digits = rest % 10000;
        if (digits == 0)
            continue;
        QString piece = chineseGroup(digits);
        if (group > 0)
            piece += QString::fromUtf16(groupMarks[group]);
        out.prepend(piece);
    }
    if (value < 0)
        out.prepend(QString::fromUtf16(u"負"));
    return out;
}

QString chineseStringFromFloat(double value, qint64 places)
{
    if (!std::isfinite(value))
        return QString();
    const double whole = std::trunc(value);
    QString out;
    if (std::fabs(whole) < 9.2e18)
        out = chineseStringFromInteger(qint64(whole));
    if (out.isEmpty())
        out = QString::fromUtf16(u"零");
    // Places past what a double holds would only write noise.
    const qint64 n = std::min<qint64>(places, 15);
    const double fraction = std::fabs(value - whole);
    if (n < 1 || fraction <= 0)
        return out;
    double scale = 1;
    for (qint64 i = 0; i < n; ++i)
        scale *= 10;
    // A fraction stored just below its decimal value (0.05 as 0.04999...)
    // must still give its own digits.
    const qint64 f = qint64(std::trunc(fraction * scale + 1e-3));
    if (f == 0)
        return out;
    if (value < 0 && whole == 0)
        out.prepend(QString::fromUtf16(u"負"));
    QString digits = QString::number(std::min<qint64>(f, qint64(scale) - 1));
    digits = QString(n - digits.size(), u'0') + digits;
    out += QString::fromUtf16(u"點");
    for (QChar d : digits)
        out += QString::fromUtf16(kDigits[d.unicode() - u'0']);
    return out;
}

}  // namespace StringExtensions
