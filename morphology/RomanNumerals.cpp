#include "morphology/RomanNumerals.h"

#include "morphology/MorphologyResources.h"

#include "app/logging/LGLog.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

enum DigitKind { Ones9, Ones4, Tens9, Tens4, Hundreds9, Hundreds4 };

const char* const kSpecialDigits[6][4] = {
    {"IX", "VIIII", "viiij", "IX"},     {"IV", "IIII", "iiij", "IIII"}, {"XC", "LXXXX", "lxxxx", "XC"},
    {"XL", "XXXX", "xxxx", "XL"},       {"CM", "DCCCC", "dcccc", "CM"}, {"CD", "CCCC", "cccc", "CD"},
};

QString specialDigit(DigitKind kind, qint64 format) {
    if (format < 0 || format > 3) {
        TSLogError("Bad numberFormat");
        return QString();
    }
    return QString::fromLatin1(kSpecialDigits[kind][format]);
}

bool lower(qint64 format) { return format == 2; }

// The first `count` letters of the upper- or lower-case run.
QString cut(const char* upper, qint64 count, qint64 format) {
    const QString run = QString::fromLatin1(upper);
    return (lower(format) ? run.toLower() : run).left(count);
}

bool writable(qint64 number) { return number >= 0 && number <= RomanNumerals::kLargestNumeral; }

bool writableOrLogged(qint64 number) {
    if (writable(number)) return true;
    TSLogError("No Roman numeral for %ld: only numbers from 1 to %ld can be written", number,
               RomanNumerals::kLargestNumeral);
    return false;
}

// The letter at p of a text padded with blanks, so every look-ahead exists.
struct Cursor {
    QString text;
    qsizetype p = 0;
    QChar at(qsizetype offset = 0) const {
        return p + offset < text.size() ? text.at(p + offset) : QLatin1Char(' ');
    }
    bool pairIs(const char* two) const { return at() == QLatin1Char(two[0]) && at(1) == QLatin1Char(two[1]); }
    qint64 countRun(QChar a, QChar b) {
        qint64 n = 0;
        while (at() == a || at() == b) ++n, ++p;
        return n;
    }
};

// One decimal position of parseRomanNumeral: nine, five-and-more, four, or a run of units.
qint64 readPosition(Cursor& c, const char* nine, QChar five, QChar fiveAlt, const char* four, const char* fourAlt,
                    QChar unit, QChar unitAlt) {
    if (c.pairIs(nine)) {
        c.p += 2;
        return 9;
    }
    if (c.at() == five || c.at() == fiveAlt) {
        ++c.p;
        return 5 + c.countRun(unit, unitAlt);
    }
    if (c.pairIs(four) || (fourAlt && c.pairIs(fourAlt))) {
        c.p += 2;
        return 4;
    }
    return c.countRun(unit, unitAlt);
}

// Leading blanks, a sign and digits, as a 32-bit number; false when there are no digits.
bool leadingInt32(const QString& field, qint32* value) {
    qsizetype i = 0;
    while (i < field.size() && field.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < field.size() && (field.at(i) == QLatin1Char('-') || field.at(i) == QLatin1Char('+')))
        negative = field.at(i++) == QLatin1Char('-');
    const qsizetype start = i;
    qint64 n = 0;
    for (; i < field.size() && field.at(i) >= QLatin1Char('0') && field.at(i) <= QLatin1Char('9'); ++i)
        n = std::min<qint64>(n * 10 + (field.at(i).unicode() - '0'), qint64(1) << 32);
    if (i == start) return false;
    n = negative ? -n : n;
    *value = qint32(std::clamp<qint64>(n, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    return true;
}

struct NumberWords {
    QHash<qint32, QString> cardinals, ordinals;
};

NumberWords readNumberWords() {
    NumberWords words;
    const QString text = RomanNumerals::numeralsString();
    if (text.isNull()) return words;
    // Any line end; CR LF counts as one, so that reported line numbers are right.
    static const QRegularExpression newline(
        QStringLiteral("\\r\\n|[\\n\\x{0B}\\x{0C}\\r\\x{85}\\x{2028}\\x{2029}]"));
    const QStringList lines = text.split(newline);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines.at(i).split(QLatin1Char('\t'));
        if (fields.size() < 2) continue;  // blank lines and comments
        qint32 number = 0;
        if (!leadingInt32(fields.at(0), &number)) {
            TSLogError("Numbers.txt line %ld: %@ is not a number; the line is skipped", qint64(i + 1), fields.at(0));
            continue;
        }
        words.cardinals.insert(number, fields.at(1));
        if (fields.size() >= 3) words.ordinals.insert(number, fields.at(2));
    }
    return words;
}

const NumberWords& numberWords() {
    static const NumberWords words = readNumberWords();
    return words;
}

// The pieces of a number in words, joined by single blanks; null when none is known.
QString numberInWords(qint64 n, const QHash<qint32, QString>& table, bool ordinal) {
    QStringList pieces;
    auto add = [&](qint32 key, const QString& suffix = QString()) {
        const auto it = table.find(key);
        if (it != table.end()) pieces.append(*it + suffix);
    };
    const qint64 k = (n / 1000) % 10;
    if (ordinal) {
        if (n >= 1000) add(1000);
    } else if (k == 1) {
        add(1000);
    } else if (k >= 2) {
        add(qint32(k), QStringLiteral(" mīlia"));
    }
    const qint64 h = (n / 100) % 10;
    if (h != 0) add(qint32(100 * h));
    const qint64 t = (n / 10) % 10;
    const qint64 d = n % 10;
    bool onesDone = false;
    if (t == 1 && d != 0) {
        add(qint32(10 + d));
        onesDone = true;
    } else if (t != 0) {
        add(qint32(10 * t));
    }
    if (d != 0 && !onesDone) add(qint32(d));
    return pieces.isEmpty() ? QString() : pieces.join(QLatin1Char(' '));
}

}  // namespace

QString RomanNumerals::latinNumeralString(qint64 number) {
    // The settings offer format 0 only.
    return latinNumeralString(number, 0);
}

QString RomanNumerals::latinNumeralString(qint64 number, qint64 numberFormat) {
    if (!writableOrLogged(number)) return QString();
    return cvt1000(number, numberFormat) + cvt100s(number, numberFormat) + cvt10s(number, numberFormat) +
           cvt1s(number, numberFormat);
}

QString RomanNumerals::cvt1000(qint64 number, qint64 numberFormat) {
    if (!writableOrLogged(number)) return QString();
    return cut("MMMM", number / 1000, numberFormat);
}

QString RomanNumerals::cvt100s(qint64 number, qint64 numberFormat) {
    if (!writableOrLogged(number)) return QString();
    const qint64 h = (number % 1000) / 100;
    if (h == 9) return specialDigit(Hundreds9, numberFormat);
    if (h == 4) return specialDigit(Hundreds4, numberFormat);
    if (h >= 5) return cut("DCCCC", h - 4, numberFormat);
    return cut("CCCC", h, numberFormat);
}

QString RomanNumerals::cvt10s(qint64 number, qint64 numberFormat) {
    if (!writableOrLogged(number)) return QString();
    const qint64 t = (number % 100) / 10;
    if (t == 9) return specialDigit(Tens9, numberFormat);
    if (t == 4) return specialDigit(Tens4, numberFormat);
    if (t >= 5) return cut("LXXXX", t - 4, numberFormat);
    return cut("XXXX", t, numberFormat);
}

QString RomanNumerals::cvt1s(qint64 number, qint64 numberFormat) {
    if (!writableOrLogged(number)) return QString();
    const qint64 d = number % 10;
    if (d == 9) return specialDigit(Ones9, numberFormat);
    if (d == 4) return specialDigit(Ones4, numberFormat);
    if (!lower(numberFormat)) return d < 5 ? cut("IIII", d, numberFormat) : cut("VIIII", d - 4, numberFormat);
    // A final i after another i is written j.
    switch (d) {
    case 0: return QStringLiteral("");
    case 1: return QStringLiteral("i");
    case 5: return QStringLiteral("v");
    case 6: return QStringLiteral("vi");
    default:
        return d < 5 ? QStringLiteral("iiii").left(d - 1) + QLatin1Char('j')
                     : QStringLiteral("viiii").left(d - 5) + QLatin1Char('j');
    }
}

qint64 RomanNumerals::parseRomanNumeral(const QString& text) {
    Cursor c{text.toUpper(), 0};
    const qint64 thousands = c.countRun(QLatin1Char('M'), QLatin1Char('M'));
    const qint64 hundreds = readPosition(c, "CM", QLatin1Char('D'), QLatin1Char('D'), "CD", nullptr,
                                         QLatin1Char('C'), QLatin1Char('C'));
    const qint64 tens = readPosition(c, "XC", QLatin1Char('L'), QLatin1Char('L'), "XL", nullptr, QLatin1Char('X'),
                                     QLatin1Char('X'));
    const qint64 ones = readPosition(c, "IX", QLatin1Char('V'), QLatin1Char('U'), "IV", "IU", QLatin1Char('I'),
                                     QLatin1Char('J'));
    return 1000 * thousands + 100 * hundreds + 10 * tens + ones;
}

QString RomanNumerals::standardString(const QString& text) {
    return text.toUpper().replace(QLatin1Char('J'), QLatin1Char('I')).replace(QLatin1Char('U'), QLatin1Char('V'));
}

bool RomanNumerals::validString(const QString& text, qint64 number) {
    // No written numeral equals a number beyond the writable range.
    if (!writable(number)) return false;
    for (qint64 format = 0; format <= 3; ++format)
        if (standardString(latinNumeralString(number, format)).compare(text, Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool RomanNumerals::isRomanNumeral(const QString& text, qint64* value) {
    if (value) *value = -1;
    const QString standard = standardString(text);
    static const QString letters = QStringLiteral("CDILMVX");
    for (const QChar c : standard)
        if (!letters.contains(c)) return false;
    const qint64 n = parseRomanNumeral(standard);
    if (!validString(standard, n)) return false;
    if (value) *value = n;
    return true;
}

bool RomanNumerals::isArabicNumeral(const QString& text, qint64* value) {
    if (value) *value = -1;
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    bool ok = false;
    const qint32 n = text.toInt(&ok);
    if (!ok || QString::number(n) != text) return false;
    if (value) *value = n;
    return true;
}

QString RomanNumerals::numeralsString() {
    const QString path = MorphologyResources::path(QStringLiteral("Numbers.txt"));
    if (path.isEmpty() || !QFile::exists(path)) return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("error loading numerals string %@", file.errorString());
        return QString();
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        TSLogError("error loading numerals string %@", file.errorString());
        return QString();
    }
    // A byte-order mark names the encoding; without one the file is UTF-8.
    const auto encoding = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decode(encoding);
    QString text = decode(bytes);
    if (decode.hasError()) {
        TSLogError("error loading numerals string %@", QStringLiteral("%1 is not valid text").arg(path));
        return QString();
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

const QHash<qint32, QString>& RomanNumerals::cardinalsDictionary() { return numberWords().cardinals; }

const QHash<qint32, QString>& RomanNumerals::ordinalsDictionary() { return numberWords().ordinals; }

QString RomanNumerals::cardinalForNumber(qint64 number) {
    if (number < 1) return QString();
    if (number >= 10000) {
        // Only one digit of thousands has words; more would be named wrongly.
        TSLogError("No Latin cardinal for %ld: only numbers below 10000 are named", number);
        return QString();
    }
    return numberInWords(number, cardinalsDictionary(), false);
}

QString RomanNumerals::ordinalForNumber(qint64 number) {
    if (number < 1 || number > 1999) return QString();
    return numberInWords(number, ordinalsDictionary(), true);
}
