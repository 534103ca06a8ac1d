#include "foundation/PhoneticExtensions.h"

#include "foundation/StringExtensions.h"

#include <algorithm>
#include <vector>

namespace StringExtensions {

namespace {

bool isVowelOrY(QChar c)
{
    switch (c.unicode()) {
    case u'a': case u'e': case u'i': case u'o': case u'u': case u'y':
        return true;
    default:
        return false;
    }
}

bool isOneOf(QChar c, const char16_t* set)
{
    for (; *set; ++set) {
        if (c.unicode() == *set)
            return true;
    }
    return false;
}

// Lower case, diacritics folded away (the base letter of every decomposable
// letter is kept; letters without a decomposition such as "æ" stay), blanks
// removed.
QString foldedWord(const QString& s)
{
    const QString decomposed = s.toLower().normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c == u' ' || c.category() == QChar::Mark_NonSpacing)
            continue;
        out.append(c);
    }
    return out.normalized(QString::NormalizationForm_C);
}

QString collapseRepeats(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        if (out.isEmpty() || out.back() != c)
            out.append(c);
    }
    return out;
}

// The letters around position i of a word. Each window is empty where it
// would not fit inside the word, and an empty window matches nothing.
struct Windows {
    const QString& w;
    qsizetype i;
    qsizetype n;

    bool hasNext2() const { return i <= n - 2; }
    bool hasNext3() const { return i <= n - 3; }
    bool hasPrev() const { return i >= 1 && i <= n - 2; }

    // next2 equals the two letters.
    bool next2(char16_t a, char16_t b) const { return hasNext2() && w[i] == a && w[i + 1] == b; }
    // next2 is the letter at i followed by one of `second`.
    bool next2Of(const char16_t* second) const { return hasNext2() && isOneOf(w[i + 1], second); }
    // next3 is the letter at i, then `b`, then one of `third`.
    bool next3Of(char16_t b, const char16_t* third) const
    {
        return hasNext3() && w[i + 1] == b && isOneOf(w[i + 2], third);
    }
    // prev2 is one of `first` followed by the letter at i.
    bool prev2Of(const char16_t* first) const { return hasPrev() && isOneOf(w[i - 1], first); }
    // prev3 is `a`, the letter at i, then one of `third`.
    bool prev3Of(char16_t a, const char16_t* third) const
    {
        return hasPrev() && w[i - 1] == a && isOneOf(w[i + 1], third);
    }
};

constexpr char16_t kIEY[] = u"iey";
constexpr char16_t kAO[] = u"ao";

QString codeFor(const QString& w, qsizetype i)
{
    const qsizetype n = w.size();
    const QChar c = w[i];
    const Windows at{w, i, n};
    switch (c.unicode()) {
    case u'a': case u'e': case u'i': case u'o': case u'u':
        return i == 0 ? QString(c) : QString();
    case u'b':
        return (i == n - 1 && i > 0 && w[i - 1] == u'm') ? QString() : QStringLiteral("b");
    case u'c': {
        QString out = QStringLiteral("k");
        if (at.next2(u'c', u'h'))
            out = QStringLiteral("x");
        else if (at.next2Of(kIEY))
            out = QStringLiteral("s");
        if (at.hasNext3() && w[i + 1] == u'i' && w[i + 2] == u'a')
            out = QStringLiteral("x");
        if (at.prev3Of(u's', kIEY))
            out.clear();
        return out;
    }
    case u'd':
        return at.next3Of(u'g', kIEY) ? QStringLiteral("j") : QStringLiteral("t");
    case u'f': case u'j': case u'l': case u'm': case u'n': case u'r':
        return QString(c);
    case u'g':
        if (at.next2(u'g', u'h'))
            return i == n - 2 ? QString() : QStringLiteral("k");
        if (at.next2(u'g', u'n'))
            return QString();
        if (at.prev3Of(u'd', kIEY))
            return QString();
        if (at.next2Of(kIEY))
            return QStringLiteral("j");
        return QStringLiteral("k");
    case u'h':
        if (at.hasPrev() && isVowelOrY(w[i - 1]) && !isVowelOrY(w[i + 1]))
            return QString();
        if (at.prev2Of(u"csptg"))
            return QString();
        return QStringLiteral("h");
    case u'k':
        return at.prev2Of(u"c") ? QString() : QStringLiteral("k");
    case u'p':
        return at.next2(u'p', u'h') ? QStringLiteral("f") : QStringLiteral("p");
    case u'q':
        return QStringLiteral("k");
    case u's':
        if (at.next2(u's', u'h') || at.next3Of(u'i', kAO))
            return QStringLiteral("x");
        return QStringLiteral("s");
    case u't':
        if (at.next3Of(u'i', kAO))
            return QStringLiteral("x");
        return at.next2(u't', u'h') ? QStringLiteral("0") : QStringLiteral("t");
    case u'v':
        return QStringLiteral("f");
    case u'w':
        return (at.hasNext2() && !isVowelOrY(w[i + 1])) ? QString() : QStringLiteral("w");
    case u'x':
        return QStringLiteral("ks");
    case u'y':
        return QStringLiteral("y");
    case u'z':
        return QStringLiteral("s");
    default:
        return QString(c);
    }
}

QString trimmedLower(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    const auto blank = [](QChar c) {
        return c.isSpace() || c == u'\n' || c == u'\r';
    };
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toLower();
}

}  // namespace

QString metaphone(const QString& s)
{
    if (s.isNull())
        return QString();
    QString word = collapseRepeats(foldedWord(s));
    if (word.isEmpty())
        return QLatin1String("");

    QString key;
    if (word.size() == 1) {
        if (word == u"x")
            return QStringLiteral("s");
    } else {
        static const struct { const char16_t* start; const char16_t* key; } initial[] = {
            {u"ae", u"e"}, {u"gn", u"n"}, {u"kn", u"n"}, {u"pn", u"n"}, {u"wr", u"r"}, {u"wh", u"w"},
        };
        const QStringView firstTwo = QStringView(word).left(2);
        for (const auto& entry : initial) {
            if (firstTwo == QStringView(entry.start)) {
                key = QString::fromUtf16(entry.key);
                word.remove(0, 2);
                break;
            }
        }
    }
    for (qsizetype i = 0; i < word.size(); ++i)
        key += codeFor(word, i);
    return key;
}

QString latinMetaphone(const QString& s)
{
    if (s.isNull())
        return QString();
    return stripDiacritics(s.toLower());
}

float levenshteinDistance(const QString& s, const QString& other)
{
    QString a = trimmedLower(s);
    QString b = trimmedLower(other);
    if (a.isEmpty() || b.isEmpty())
        return float(std::max(a.size(), b.size()));
    // The distance is symmetric, so the shorter string indexes the columns
    // and the three rows that the transposition rule reaches back over stay
    // as small as possible.
    if (b.size() > a.size())
        std::swap(a, b);
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<qint64> beforePrevious(size_t(m + 1), 0);
    std::vector<qint64> previous(size_t(m + 1));
    std::vector<qint64> current(size_t(m + 1));
    for (qsizetype j = 0; j <= m; ++j)
        previous[size_t(j)] = j;
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = i;
        const QChar ai = a[i - 1];
        for (qsizetype j = 1; j <= m; ++j) {
            const QChar bj = b[j - 1];
            const qint64 cost = ai == bj ? 0 : 1;
            qint64 d = smallestOf(previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                                  previous[size_t(j - 1)] + cost);
            if (i >= 2 && j >= 2 && ai == b[j - 2] && a[i - 2] == bj)
                d = std::min(d, beforePrevious[size_t(j - 2)] + cost);
            current[size_t(j)] = d;
        }
        std::swap(beforePrevious, previous);
        std::swap(previous, current);
    }
    return float(previous[size_t(m)]);
}

qint64 smallestOf(qint64 a, qint64 b)
{
    return std::min(a, b);
}

qint64 smallestOf(qint64 a, qint64 b, qint64 c)
{
    return std::min({a, b, c});
}

bool soundsLikeString(const QString& s, const QString& other, float* distance)
{
    if (similarToString(s, other)) {
        if (distance)
            *distance = 0;
        return true;
    }
    if (distance)
        *distance = levenshteinDistance(s, other);
    return false;
}

bool similarToString(const QString& s, const QString& other)
{
    if (s.isNull() || other.isNull())
        return false;
    return metaphone(s) == metaphone(other);
}

}  // namespace StringExtensions
