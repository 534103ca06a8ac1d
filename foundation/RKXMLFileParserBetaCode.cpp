// Beta Code to Unicode Greek, the class operations of RKXMLFileParser.
//
// The dictionaries are what callers see; the conversion itself runs over
// flat ASCII tables built from the same data, since it is applied to every
// Greek run of whole dictionaries and must cost little more than a copy.

#include "foundation/RKXMLFileParser.h"

#include <QStringView>

#include <array>

namespace ts {

namespace {

struct LetterPair {
    char key;
    char16_t lower;
    char16_t capital;  // 0: no capital form in the table
};

constexpr LetterPair kLetters[] = {
    {'a', 0x03B1, 0x0391}, {'b', 0x03B2, 0x0392}, {'g', 0x03B3, 0x0393}, {'d', 0x03B4, 0x0394},
    {'e', 0x03B5, 0x0395}, {'z', 0x03B6, 0x0396}, {'h', 0x03B7, 0x0397}, {'q', 0x03B8, 0x0398},
    {'i', 0x03B9, 0x0399}, {'k', 0x03BA, 0x039A}, {'l', 0x03BB, 0x039B}, {'m', 0x03BC, 0x039C},
    {'n', 0x03BD, 0x039D}, {'c', 0x03BE, 0x039E}, {'o', 0x03BF, 0x039F}, {'p', 0x03C0, 0x03A0},
    {'r', 0x03C1, 0x03A1}, {'s', 0x03C3, 0x03A3}, {'t', 0x03C4, 0x03A4}, {'u', 0x03C5, 0x03A5},
    {'f', 0x03C6, 0x03A6}, {'x', 0x03C7, 0x03A7}, {'y', 0x03C8, 0x03A8}, {'w', 0x03C9, 0x03A9},
    {'v', 0x03DD, 0},  // digamma: its capital is handled outside the tables
};

struct Mark {
    char key;
    char16_t value;
};

// Word space, punctuation kept between "*" and its letter, accents,
// breathings, iota subscript and diaeresis (as combining marks).
constexpr Mark kNotCap[] = {
    {' ', u' '},     {',', u','},     {'-', u'-'},     {'/', 0x0301},  {'\\', 0x0300},
    {'=', 0x0342},   {')', 0x0343},   {'(', 0x0314},   {'|', 0x0345},  {'+', 0x0308},
};

constexpr char kPunctuation[] = {'.', ',', '\'', ';', ':', '3', '\n', '\r'};

constexpr char16_t kCapitalDigamma = 0x03DC;

// Outside capital mode every character maps to exactly one character and
// only "*" changes the state, so that path is a plain table look-up. In
// capital mode each ASCII character has one step: what to write (if
// anything) and whether the capital is still pending afterwards.
struct CapitalStep {
    char16_t out = 0;  // 0: write nothing
    bool pending = false;
};

struct FastTables {
    std::array<char16_t, 128> plain{};
    std::array<CapitalStep, 128> capital{};
};

const FastTables& fastTables() {
    static const FastTables t = [] {
        FastTables f;
        std::array<char16_t, 128> lower{}, upper{};
        std::array<bool, 128> notCap{}, punctuation{};
        for (const LetterPair& l : kLetters) {
            lower[uchar(l.key)] = l.lower;
            upper[uchar(l.key)] = l.capital;
        }
        for (const Mark& m : kNotCap) {
            lower[uchar(m.key)] = m.value;
            upper[uchar(m.key)] = m.value;
            notCap[uchar(m.key)] = true;
        }
        for (char c : kPunctuation) punctuation[uchar(c)] = true;

        for (int c = 0; c < 128; ++c) {
            f.plain[c] = lower[c] ? lower[c] : char16_t(c);
            CapitalStep& step = f.capital[c];
            if (upper[c]) {
                step = {upper[c], notCap[c]};
            } else if (punctuation[c]) {
                step = {char16_t(c), true};
            } else if (c == '*') {
                step = {0, true};
            } else if (c == 'v') {
                step = {kCapitalDigamma, false};
            } else {
                step = {char16_t(c), false};
            }
        }
        return f;
    }();
    return t;
}

QString one(char16_t c) { return QString(QChar(c)); }

}  // namespace

const QHash<QString, QString>& RKXMLFileParser::betacodeConversion() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const LetterPair& l : kLetters) t.insert(QString(QLatin1Char(l.key)), one(l.lower));
        for (const Mark& m : kNotCap) t.insert(QString(QLatin1Char(m.key)), one(m.value));
        return t;
    }();
    return table;
}

const QHash<QString, QString>& RKXMLFileParser::capitalBetacodeConversion() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const LetterPair& l : kLetters)
            if (l.capital) t.insert(QString(QLatin1Char(l.key)), one(l.capital));
        for (const Mark& m : kNotCap) t.insert(QString(QLatin1Char(m.key)), one(m.value));
        return t;
    }();
    return table;
}

const QHash<QString, QString>& RKXMLFileParser::notCapDictionary() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const Mark& m : kNotCap) t.insert(QString(QLatin1Char(m.key)), one(m.value));
        return t;
    }();
    return table;
}

const QSet<QChar>& RKXMLFileParser::punctuationSet() {
    static const QSet<QChar> set = [] {
        QSet<QChar> s;
        for (char c : kPunctuation) s.insert(QLatin1Char(c));
        return s;
    }();
    return set;
}

QString RKXMLFileParser::convertBetacode(const QString& betacode) {
    if (betacode.isEmpty()) return QString(QLatin1String(""));
    const FastTables& t = fastTables();
    const qsizetype n = betacode.size();
    // Every character yields at most one UTF-16 unit, so the output fits.
    QString out(n, Qt::Uninitialized);
    const char16_t* in = reinterpret_cast<const char16_t*>(betacode.constData());
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    char16_t* const start = o;

    qsizetype i = 0;
    while (i < n) {
        // Up to the next "*" the text is a plain table look-up, which the
        // compiler can vectorise; the search for "*" is vectorised by Qt.
        const qsizetype star = QStringView(in + i, n - i).indexOf(QChar(u'*'));
        const qsizetype stop = star < 0 ? n : i + star;
        for (qsizetype k = i; k < stop; ++k) {
            const char16_t c = in[k];
            o[k - i] = c < 128 ? t.plain[c] : c;
        }
        o += stop - i;
        i = stop;
        if (i == n) break;
        ++i;  // the "*" itself writes nothing

        // A capital is pending until a character uses it up: a letter, or
        // anything but a mark, blank, comma, hyphen, punctuation or "*".
        bool pending = true;
        while (pending && i < n) {
            const char16_t d = in[i++];
            if (d >= 128) {
                *o++ = d;
                pending = false;
                break;
            }
            const CapitalStep step = t.capital[d];
            if (step.out) *o++ = step.out;
            pending = step.pending;
        }
    }
    out.truncate(o - start);
    return out;
}

}  // namespace ts
