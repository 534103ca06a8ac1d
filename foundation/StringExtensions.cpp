#include "foundation/StringExtensions.h"

#include <QHash>
#include <QRegularExpression>
#include <QtDebug>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace StringExtensions {

namespace {

// ---- Canonical equivalence ----

// Below U+00C0 no character has a canonical decomposition and none is a
// combining mark, so text made only of such code units is already in its
// canonical form and literal comparison is exact. Most dictionary keys and
// file names take this path.
bool needsCanonicalForm(QStringView s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0xC0; });
}

char32_t codePointAt(QStringView s, qsizetype i)
{
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i + 1]);
    return c.unicode();
}

// A code point that belongs to the character before it: a combining mark, or
// a Hangul vowel or final consonant completing a decomposed syllable.
bool extendsPrevious(char32_t cp)
{
    if (QChar::combiningClass(cp) != 0)
        return true;
    switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return cp >= 0x1160 && cp <= 0x11FF;
    }
}

// Whether a match may start or end at index i without splitting a character
// from its marks or a surrogate pair.
bool isBoundary(QStringView s, qsizetype i)
{
    if (i <= 0 || i >= s.size())
        return true;
    if (s[i].isLowSurrogate() && s[i - 1].isHighSurrogate())
        return false;
    return !extendsPrevious(codePointAt(s, i));
}

enum class Anchor { Start, End, Anywhere };

// The folded form of the characters that case folding turns into more than
// one character (sharp s and the Latin ligatures). Simple folding, which is
// all QString offers, leaves them alone, so "Straße" would not match
// "STRASSE" as a case-insensitive search must.
QLatin1String fullFolding(char16_t c)
{
    switch (c) {
    case 0x00DF: case 0x1E9E: return QLatin1String("ss");
    case 0xFB00: return QLatin1String("ff");
    case 0xFB01: return QLatin1String("fi");
    case 0xFB02: return QLatin1String("fl");
    case 0xFB03: return QLatin1String("ffi");
    case 0xFB04: return QLatin1String("ffl");
    case 0xFB05: case 0xFB06: return QLatin1String("st");
    default: return QLatin1String();
    }
}

// Expands those characters; `inside`, when given, records the positions that
// fall within one expansion, where a match may neither begin nor end.
QString expandFolding(const QString& folded, std::vector<bool>* inside)
{
    if (std::none_of(folded.begin(), folded.end(), [](QChar c) { return fullFolding(c.unicode()).size() > 0; }))
        return folded;
    QString out;
    out.reserve(folded.size() + 8);
    std::vector<bool> within;
    for (QChar c : folded) {
        const QLatin1String full = fullFolding(c.unicode());
        if (full.isEmpty()) {
            out.append(c);
            within.push_back(false);
            continue;
        }
        for (qsizetype k = 0; k < full.size(); ++k)
            within.push_back(k > 0);
        out.append(full);
    }
    within.push_back(false);
    if (inside)
        *inside = std::move(within);
    return out;
}

bool canonicalFind(const QString& s, const QString& text, Anchor anchor, bool foldCase)
{
    if (s.isNull() || text.isEmpty())
        return false;
    QString h = foldCase ? s.toCaseFolded() : s;
    QString n = foldCase ? text.toCaseFolded() : text;
    if (needsCanonicalForm(h) || needsCanonicalForm(n)) {
        h = h.normalized(QString::NormalizationForm_D);
        n = n.normalized(QString::NormalizationForm_D);
    }
    std::vector<bool> inside;
    if (foldCase) {
        h = expandFolding(h, &inside);
        n = expandFolding(n, nullptr);
    }
    const auto boundary = [&](qsizetype i) {
        return isBoundary(h, i) && (inside.empty() || !inside[size_t(i)]);
    };
    switch (anchor) {
    case Anchor::Start:
        return h.startsWith(n) && boundary(n.size());
    case Anchor::End:
        return h.endsWith(n) && boundary(h.size() - n.size());
    case Anchor::Anywhere:
        for (qsizetype p = h.indexOf(n); p >= 0; p = h.indexOf(n, p + 1)) {
            if (boundary(p) && boundary(p + n.size()))
                return true;
        }
        return false;
    }
    return false;
}

// ---- Regular expressions ----

// The dictionary code tests the same few patterns against many thousands of
// entries; keeping the compiled forms per thread avoids recompiling each time
// and needs no locking.
bool expressionMatches(const QString& s, const QString& pattern)
{
    thread_local QHash<QString, QRegularExpression> cache;
    auto it = cache.constFind(pattern);
    if (it == cache.constEnd()) {
        if (cache.size() >= 256)
            cache.clear();
        // "(*ANY)" makes every Unicode line end count as one, so "$" also
        // matches before a single final CR, CR LF, U+2028 and the like, and
        // "." does not cross any of them. Unicode properties make \w, \d and
        // \b treat "ā" and its kin as word characters.
        QRegularExpression re(QStringLiteral("(*ANY)") + pattern,
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
        it = cache.insert(pattern, re);
    }
    // An invalid pattern is an ordinary "no" here; matching it would print a
    // warning, so it is never matched.
    if (!it->isValid())
        return false;
    return it->match(s).hasMatch();
}

// ---- Diacritics ----

constexpr char16_t kUnmapped = 0;      // not yet worked out

// The single ASCII character that `text` reduces to when it is one ASCII
// character followed only by combining marks; 0 otherwise.
char16_t asciiBase(const QString& text)
{
    if (text.isEmpty() || text[0].unicode() >= 0x80)
        return 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!extendsPrevious(codePointAt(text, i)) && !text[i].isLowSurrogate())
            return 0;
    }
    return text[0].unicode();
}

// Letters whose diacritic is drawn into the letter, so that no decomposition
// removes it, and the typographic marks that Latin editions use for ASCII
// quotes and hyphens. Each maps to one character so that the result keeps the
// receiver's length. Ligatures such as "æ" have no one-character ASCII form
// and become "?" like any other character without one.
char16_t extraAsciiForm(char16_t c)
{
    switch (c) {
    case 0x00D8: return u'O';  // Ø
    case 0x00F8: return u'o';  // ø
    case 0x0110: return u'D';  // Đ
    case 0x0111: return u'd';  // đ
    case 0x0126: return u'H';  // Ħ
    case 0x0127: return u'h';  // ħ
    case 0x0131: return u'i';  // dotless i
    case 0x0141: return u'L';  // Ł
    case 0x0142: return u'l';  // ł
    case 0x2018: case 0x2019: case 0x201A: case 0x201B: return u'\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x201F: return u'"';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015: case 0x2212: return u'-';
    default: return 0;
    }
}

char16_t computeAsciiForm(char16_t c)
{
    const QString single(QChar{c});
    if (char16_t base = asciiBase(single.normalized(QString::NormalizationForm_D)))
        return base;
    // A mark standing alone has no letter to fold into; it still takes one
    // character, so that positions in the result are positions in the
    // receiver.
    if (extendsPrevious(c))
        return u'?';
    if (char16_t extra = extraAsciiForm(c))
        return extra;
    // Compatibility forms that are one ASCII letter or sign: no-break space,
    // full-width letters, superscript digits and the like.
    if (char16_t base = asciiBase(single.normalized(QString::NormalizationForm_KD)))
        return base;
    return u'?';
}

// One entry per BMP code unit, filled on first use. Entries are written at
// most once with the same value from any thread, so relaxed atomics suffice.
char16_t asciiForm(char16_t c)
{
    static std::array<std::atomic<char16_t>, 0x10000> table{};
    char16_t known = table[c].load(std::memory_order_relaxed);
    if (known == kUnmapped) {
        known = computeAsciiForm(c);
        table[c].store(known, std::memory_order_relaxed);
    }
    return known;
}

// ---- Small readers ----

const QChar kEllipsis(0x2026);

bool isWhitespace(char32_t c)
{
    return c == u'\t' || QChar::category(c) == QChar::Separator_Space;
}

bool isNewline(char32_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

qint64 signedLowByte(QChar c)
{
    return static_cast<qint8>(static_cast<quint8>(c.unicode() & 0xFF));
}

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

}  // namespace

// ---- CharacterSet ----

CharacterSet CharacterSet::fromCharacters(const QString& characters)
{
    auto members = std::make_shared<std::vector<char32_t>>();
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const char32_t cp = codePointAt(characters, i);
        if (cp > 0xFFFF)
            ++i;
        members->push_back(cp);
    }
    std::sort(members->begin(), members->end());
    return CharacterSet([members](char32_t c) { return std::binary_search(members->begin(), members->end(), c); });
}

CharacterSet CharacterSet::fromPredicate(std::function<bool(char32_t)> test)
{
    return CharacterSet(std::move(test));
}

CharacterSet CharacterSet::whitespace() { return CharacterSet(isWhitespace); }
CharacterSet CharacterSet::newlines() { return CharacterSet(isNewline); }
CharacterSet CharacterSet::whitespaceAndNewlines()
{
    return CharacterSet([](char32_t c) { return isWhitespace(c) || isNewline(c); });
}
CharacterSet CharacterSet::decimalDigits()
{
    return CharacterSet([](char32_t c) { return QChar::category(c) == QChar::Number_DecimalDigit; });
}
CharacterSet CharacterSet::letters()
{
    return CharacterSet([](char32_t c) { return QChar::isLetter(c) || QChar::isMark(c); });
}
CharacterSet CharacterSet::uppercaseLetters()
{
    return CharacterSet([](char32_t c) {
        return QChar::category(c) == QChar::Letter_Uppercase || QChar::category(c) == QChar::Letter_Titlecase;
    });
}
CharacterSet CharacterSet::lowercaseLetters()
{
    return CharacterSet([](char32_t c) { return QChar::category(c) == QChar::Letter_Lowercase; });
}
CharacterSet CharacterSet::punctuation() { return CharacterSet([](char32_t c) { return QChar::isPunct(c); }); }

CharacterSet CharacterSet::inverted() const
{
    auto test = test_;
    return CharacterSet([test](char32_t c) { return !(test && test(c)); });
}

CharacterSet CharacterSet::united(const CharacterSet& other) const
{
    auto a = test_;
    auto b = other.test_;
    return CharacterSet([a, b](char32_t c) { return (a && a(c)) || (b && b(c)); });
}

// ---- Tests ----

bool beginsWithString(const QString& s, const QString& prefix)
{
    return canonicalFind(s, prefix, Anchor::Start, false);
}

bool beginsWithCaseInsensitiveString(const QString& s, const QString& prefix)
{
    if (s.isNull() || prefix.isNull())
        return false;
    return beginsWithString(s.toLower(), prefix.toLower());
}

bool endsWithString(const QString& s, const QString& suffix)
{
    return canonicalFind(s, suffix, Anchor::End, false);
}

bool endsWithChar(const QString& s, QChar c)
{
    return !s.isEmpty() && s.back() == c;
}

bool containsText(const QString& s, const QString& text)
{
    return canonicalFind(s, text, Anchor::Anywhere, false);
}

bool containsCaseInsensitiveText(const QString& s, const QString& text)
{
    return canonicalFind(s, text, Anchor::Anywhere, true);
}

bool containsCharacters(const QString& s, const CharacterSet& set)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char32_t cp = codePointAt(s, i);
        if (set.contains(cp))
            return true;
        if (cp > 0xFFFF)
            ++i;
    }
    return false;
}

bool beginsWithExpression(const QString& s, const QString& expression)
{
    if (s.isNull() || expression.isNull())
        return false;
    return expressionMatches(s, QLatin1Char('^') + expression);
}

bool endsWithExpression(const QString& s, const QString& expression)
{
    if (s.isNull() || expression.isNull())
        return false;
    return expressionMatches(s, expression + QLatin1Char('$'));
}

bool isAllCaps(const QString& s)
{
    return !s.isEmpty() && QLocale().toUpper(s) == s;
}

bool startsWithSpace(const QString& s)
{
    return !s.isEmpty() && s.front() == u' ';
}

// ---- Clean-ups ----

QString stripDiacritics(const QString& s)
{
    if (s.isNull())
        return QString();
    QString out;
    out.reserve(s.size() + 2);
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out.append(c);
        } else if (u == kEllipsis.unicode()) {
            out.append(QLatin1String("..."));
        } else if (c.isSurrogate()) {
            out.append(u'?');
        } else {
            out.append(QChar{asciiForm(u)});
        }
    }
    if (s.contains(kEllipsis))
        out.replace(QLatin1String("..."), QString(kEllipsis));
    return out;
}

QString stripInitialBlanks(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char32_t cp = codePointAt(s, i);
        if (!isWhitespace(cp))
            return s.mid(i);
    }
    return s;
}

QString stripInitialSpaces(const QString& s)
{
    if (s.isNull())
        return s;
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return s.mid(i);
}

QString stripTerminalBlanks(const QString& s)
{
    if (s.isNull())
        return s;
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.left(n);
}

QString stripTerminalReturns(const QString& s)
{
    qsizetype n = s.size();
    while (n > 0 && (s[n - 1] == u'\r' || s[n - 1] == u'\n'))
        --n;
    return n == 0 ? s : s.left(n);
}

QString leftUtf8Bytes(const QString& s, qsizetype maxBytes) {
    qsizetype keep = 0, bytes = 0;
    while (keep < s.size()) {
        const bool pair = s.at(keep).isHighSurrogate() && keep + 1 < s.size() && s.at(keep + 1).isLowSurrogate();
        const qsizetype width = pair ? 2 : 1;
        const qsizetype size = s.mid(keep, width).toUtf8().size();
        if (bytes + size > maxBytes) break;
        bytes += size;
        keep += width;
    }
    return s.left(keep);
}

QString replaceInitialOccurencesOfString(const QString& s, const QString& target, const QString& replacement)
{
    if (s.isNull() || replacement.isNull() || !beginsWithString(s, target))
        return s;
    if (!needsCanonicalForm(s) && !needsCanonicalForm(target))
        return replacement + s.mid(target.size());
    // The match was made on canonical forms; find how many code units of the
    // receiver it covers. Canonical forms only grow as text is added, so the
    // walk ends once the prefix's form outgrows the target's.
    const QString wanted = target.normalized(QString::NormalizationForm_D);
    for (qsizetype k = 1; k <= s.size(); ++k) {
        if (!isBoundary(s, k))
            continue;
        const QString prefix = s.left(k).normalized(QString::NormalizationForm_D);
        if (prefix == wanted)
            return replacement + s.mid(k);
        if (prefix.size() > wanted.size())
            break;
    }
    return s;
}

QString surnameCapitalisedString(const QString& s)
{
    if (s.isNull())
        return s;
    QString out;
    out.reserve(s.size());
    bool inWord = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char32_t cp = codePointAt(s, i);
        const bool pair = cp > 0xFFFF;
        char32_t mapped = cp;
        if (QChar::isLetter(cp)) {
            mapped = inWord ? QChar::toLower(cp) : QChar::toTitleCase(cp);
            inWord = true;
        } else if (!(inWord && (QChar::isMark(cp) || cp == u'\'' || cp == 0x2019))) {
            inWord = false;
        }
        if (QChar::requiresSurrogates(mapped)) {
            out.append(QChar(QChar::highSurrogate(mapped)));
            out.append(QChar(QChar::lowSurrogate(mapped)));
        } else {
            out.append(QChar(char16_t(mapped)));
        }
        if (pair)
            ++i;
    }
    return out;
}

QString lastWord(const QString& s)
{
    if (s.isNull())
        return s;
    qsizetype i = s.size() - 1;
    while (i >= 0) {
        const char16_t u = s[i].unicode();
        if (u == u'\t' || u == u' ' || u == u',' || u == u'.')
            break;
        --i;
    }
    if (i < 0)
        return s;
    if (i == s.size() - 1)
        return s.mid(i, 1);
    return s.mid(i + 1);
}

QString appendStringIfNotNil(const QString& s, const QString& other)
{
    if (s.isNull() || other.isNull())
        return s;
    return s + QLatin1Char('\t') + other;
}

// ---- Comparators ----

ComparisonResult lengthCompare(const QString& s, const QString& other)
{
    if (s.isNull())
        return Same;
    if (s.size() != other.size())
        return s.size() < other.size() ? Ascending : Descending;
    int order = 0;
    if (needsCanonicalForm(s) || needsCanonicalForm(other))
        order = s.normalized(QString::NormalizationForm_D).compare(other.normalized(QString::NormalizationForm_D));
    else
        order = s.compare(other);
    return order < 0 ? Ascending : (order > 0 ? Descending : Same);
}

float leadingFloatValue(const QString& s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && s[i].unicode() >= u'0' && s[i].unicode() <= u'9') {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && s[i].unicode() >= u'0' && s[i].unicode() <= u'9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0f;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && s[j].unicode() >= u'0' && s[j].unicode() <= u'9')
            ++j;
        if (j > expStart)
            i = j;
    }
    // The C locale, not the user's: "1,5" reads as 1 everywhere.
    bool ok = false;
    const double value = QLocale::c().toDouble(QStringView(s).mid(start, i - start), &ok);
    return ok ? static_cast<float>(value) : 0.0f;
}

ComparisonResult numberStringCompare(const QString& s, const QString& other)
{
    if (s.isNull())
        return Same;
    const float a = leadingFloatValue(s);
    const float b = leadingFloatValue(other);
    if (a < b)
        return Ascending;
    return a > b ? Descending : Same;
}

// ---- Dumps and checksums ----

QString intToHex(quint8 value)
{
    if (value >= 16) {
        qWarning("bad value at IntToHex");
        return QStringLiteral("x");
    }
    return QString(QLatin1Char("0123456789ABCDEF"[value]));
}

QString hexChar(quint8 value)
{
    return intToHex(value >> 4) + intToHex(value & 0x0F);
}

QString stringAsHex(const QString& s)
{
    if (s.isNull())
        return s;
    QString out;
    out.reserve(s.size() * 4);
    for (QChar c : s)
        out += QLatin1Char('x') + hexChar(quint8(c.unicode() & 0xFF)) + QLatin1Char(' ');
    return out;
}

QString charAndHexString(const QString& s)
{
    if (s.isNull())
        return s;
    QString out;
    out.reserve(s.size() * 6);
    for (QChar c : s) {
        const quint8 b = quint8(c.unicode() & 0xFF);
        out += QChar(char16_t(b)) + QLatin1String("\tx") + hexChar(b) + QLatin1Char('\r');
    }
    return out;
}

QString nonPrintingCharsAsHex(const QString& s)
{
    if (s.isNull())
        return s;
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        const quint8 b = quint8(c.unicode() & 0xFF);
        if (b <= 31)
            out += QLatin1String("\\x") + hexChar(b);
        else
            out += QChar(char16_t(b));
    }
    return out;
}

QByteArray hexConvert(const QString& s)
{
    if (s.isNull())
        return QByteArray();
    QByteArray out("");
    const qsizetype n = s.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && (isWhitespace(s[i].unicode()) || isNewline(s[i].unicode())))
            ++i;
        if (i + 2 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X') && hexDigitValue(s[i + 2]) >= 0)
            i += 2;
        if (i >= n || hexDigitValue(s[i]) < 0)
            break;
        // Only the last two digits decide the low byte, so long numbers
        // cannot overflow anything.
        quint8 low = 0;
        while (i < n && hexDigitValue(s[i]) >= 0) {
            low = quint8((low << 4) | hexDigitValue(s[i]));
            ++i;
        }
        out.append(char(low));
    }
    return out;
}

qint64 mod256Checksum(const QString& s)
{
    qint64 sum = 0;
    for (QChar c : s)
        sum += signedLowByte(c);
    return sum % 256;
}

quint64 characterChecksum(const QString& s)
{
    QString rest = s;
    rest.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    if (rest.size() < 3)
        return 0;
    qint64 sum = 0;
    for (qsizetype i = 0; i < rest.size() - 2; ++i)
        sum += signedLowByte(rest[i]);
    return quint64(sum) & 0xFF;
}

// ---- Diagnostics ----

void logDictionary(const ts::ValueDictionary& dictionary)
{
    for (const auto& [key, value] : dictionary) {
        const QString line = key + QLatin1Char(' ') + value.description();
        qInfo("%s", qUtf8Printable(line));
    }
}

QString speechLocaleIdentifier(const QLocale& locale)
{
    if (locale.language() != QLocale::Chinese)
        return locale.name();
    switch (locale.territory()) {
    case QLocale::HongKong: return QStringLiteral("zh_HK");
    case QLocale::China: return QStringLiteral("zh_CN");
    case QLocale::Taiwan: return QStringLiteral("zh-Hant_TW");
    default: break;
    }
    switch (locale.script()) {
    case QLocale::TraditionalHanScript: return QStringLiteral("zh-Hant");
    case QLocale::SimplifiedHanScript: return QStringLiteral("zh-Hans");
    default: return QStringLiteral("zh");
    }
}

bool isChinese(const QString&)
{
    static const QStringList chinese = {QStringLiteral("zh-Hant"), QStringLiteral("zh_HK"), QStringLiteral("zh-Hans"),
                                        QStringLiteral("zh-Hant_TW"), QStringLiteral("zh_CN")};
    return chinese.contains(speechLocaleIdentifier(QLocale()));
}

}  // namespace StringExtensions
