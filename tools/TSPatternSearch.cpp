#include "TSPatternSearch.h"

#include "app/logging/LGLog.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstring>

namespace {

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

// An alternation outside every group and class makes no letter required.
bool hasTopLevelAlternation(const QString& e) {
    int depth = 0;
    bool inClass = false;
    for (qsizetype i = 0; i < e.size(); ++i) {
        const QChar c = e[i];
        if (c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        if (inClass) {
            if (c == QLatin1Char(']')) inClass = false;
            continue;
        }
        if (c == QLatin1Char('[')) inClass = true;
        else if (c == QLatin1Char('(')) ++depth;
        else if (c == QLatin1Char(')')) --depth;
        else if (c == QLatin1Char('|') && depth == 0) return true;
    }
    return false;
}

bool isAsciiOnly(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// Caseless comparison is folded for ASCII letters only; k and s also match
// the Kelvin sign and the long s, so they end a literal.
bool plainLetter(QChar c) { return isAsciiLetter(c) && c.toLower() != u'k' && c.toLower() != u's'; }

// Whether `word` holds the lowercase ASCII letters `literal` at `at`, in
// either case.
bool holdsLiteral(QStringView word, qsizetype at, const QString& literal) {
    const QChar* w = word.data() + at;
    const QChar* l = literal.constData();
    for (qsizetype i = 0; i < literal.size(); ++i)
        if ((w[i].unicode() | 0x20) != l[i].unicode()) return false;
    return true;
}

}  // namespace

namespace {

// Maximum length of a sequence up to ')' or the end; alternatives take the
// longest. -1: unbounded or a construct not read here.
int maxSequence(const QString& e, qsizetype& i);

int maxAtom(const QString& e, qsizetype& i) {
    const QChar c = e[i];
    if (c == QLatin1Char('(')) {
        if (i + 1 < e.size() && e[i + 1] == QLatin1Char('?')) {
            if (i + 2 < e.size() && (e[i + 2] == QLatin1Char(':') || e[i + 2] == QLatin1Char('>'))) i += 2;
            else return -1;
        }
        ++i;
        const int inner = maxSequence(e, i);
        if (inner < 0 || i >= e.size() || e[i] != QLatin1Char(')')) return -1;
        ++i;
        return inner;
    }
    if (c == QLatin1Char('[')) {
        ++i;
        bool wide = false;  // a negated class or a surrogate may match two units
        if (i < e.size() && e[i] == QLatin1Char('^')) {
            wide = true;
            ++i;
        }
        if (i < e.size() && e[i] == QLatin1Char(']')) ++i;
        while (i < e.size() && e[i] != QLatin1Char(']')) {
            if (e[i] == QLatin1Char('\\') || e[i] == QLatin1Char('[')) return -1;
            wide = wide || e[i].isSurrogate();
            ++i;
        }
        if (i >= e.size()) return -1;
        ++i;
        return wide ? 2 : 1;
    }
    if (c == QLatin1Char('\\') || c == QLatin1Char('^') || c == QLatin1Char('$')) return -1;
    ++i;
    return c == QLatin1Char('.') ? 2 : 1 + int(c.isHighSurrogate());
}

int maxSequence(const QString& e, qsizetype& i) {
    int best = 0, current = 0;
    while (i < e.size() && e[i] != QLatin1Char(')')) {
        if (e[i] == QLatin1Char('|')) {
            best = std::max(best, current);
            current = 0;
            ++i;
            continue;
        }
        int atom = maxAtom(e, i);
        if (atom < 0) return -1;
        if (i < e.size()) {
            const QChar q = e[i];
            if (q == QLatin1Char('*') || q == QLatin1Char('+')) return -1;
            if (q == QLatin1Char('?')) {
                ++i;
            } else if (q == QLatin1Char('{')) {
                const qsizetype close = e.indexOf(QLatin1Char('}'), i);
                if (close < 0) return -1;
                const QStringView body = QStringView(e).mid(i + 1, close - i - 1);
                const qsizetype comma = body.indexOf(QLatin1Char(','));
                bool ok = false;
                const int most = (comma < 0 ? body : body.mid(comma + 1)).toInt(&ok);
                if (!ok || most > 1000) return -1;
                atom *= most;
                i = close + 1;
            }
            if (i < e.size() && (e[i] == QLatin1Char('?') || e[i] == QLatin1Char('+'))) ++i;  // lazy or possessive
        }
        current += atom;
        if (current > 100000) return -1;
    }
    return std::max(best, current);
}

}  // namespace

int maximumMatchLength(const QString& expression) {
    qsizetype i = 0;
    const int n = maxSequence(expression, i);
    return i == expression.size() ? n : -1;
}

QString literalPrefix(const QString& e) {
    if (!isAsciiOnly(e) || hasTopLevelAlternation(e)) return {};
    qsizetype n = 0;
    while (n < e.size() && plainLetter(e[n])) ++n;
    if (n < e.size()) {
        const QChar next = e[n];
        if (next == QLatin1Char('*') || next == QLatin1Char('?') || next == QLatin1Char('{') || next == QLatin1Char('+'))
            n = std::max<qsizetype>(0, n - 1);  // the last letter is quantified
    }
    return e.left(n).toLower();
}

QString literalSuffix(const QString& e) {
    if (!isAsciiOnly(e) || hasTopLevelAlternation(e)) return {};
    qsizetype start = e.size();
    while (start > 0 && plainLetter(e[start - 1])) --start;
    if (start > 0 && e[start - 1] == QLatin1Char('\\')) ++start;  // an escape such as \w
    // An odd run of backslashes before would need more care: give up.
    if (start >= 2 && e[start - 2] == QLatin1Char('\\')) return {};
    return start < e.size() ? e.mid(start).toLower() : QString();
}

TSPatternMatcher::TSPatternMatcher(const QString& pattern, quint32 matchLimit) {
    const QString anchored = QStringLiteral("^(?:%1)$").arg(pattern);
    prefix_ = literalPrefix(pattern);
    maxLength_ = maximumMatchLength(pattern);
    suffix_ = literalSuffix(pattern);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(anchored.utf16()), PCRE2_SIZE(anchored.size()),
                                     PCRE2_CASELESS | PCRE2_UTF | PCRE2_DOLLAR_ENDONLY, &errorCode,
                                     &errorOffset, nullptr);
    if (!code) {
        PCRE2_UCHAR buffer[256];
        const int n = pcre2_get_error_message(errorCode, buffer, 256);
        error_ = QStringLiteral("%1 at offset %2")
                     .arg(n > 0 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), n) : QString::number(errorCode))
                     .arg(qint64(errorOffset));
        return;
    }
    jit_ = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;  // else the interpreter
    code_ = code;
    matchData_ = pcre2_match_data_create_from_pattern(code, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context, matchLimit);
    pcre2_set_depth_limit(context, matchLimit);
    context_ = context;

    // Cheap rejections before a match is attempted: too short a word, or a
    // first letter other than the one the pattern requires.
    uint32_t minLength = 0;
    if (pcre2_pattern_info(code, PCRE2_INFO_MINLENGTH, &minLength) == 0) minLength_ = int(minLength);
    uint32_t firstType = 0, first = 0;
    if (pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODETYPE, &firstType) == 0 && firstType == 1 &&
        pcre2_pattern_info(code, PCRE2_INFO_FIRSTCODEUNIT, &first) == 0 && first < 0x80 && QChar(char16_t(first)).toLower() != u'k' && QChar(char16_t(first)).toLower() != u's') {
        // (k and s also match the Kelvin sign and the long s caselessly)
        const QChar c{char16_t(first)};
        firstUnit_[0] = c.toLower().unicode();
        firstUnit_[1] = c.toUpper().unicode();
    } else if (firstType == 0) {
        const uint8_t* bitmap = nullptr;
        if (pcre2_pattern_info(code, PCRE2_INFO_FIRSTBITMAP, &bitmap) == 0 && bitmap) {
            std::memcpy(firstBitmap_, bitmap, 32);
            useBitmap_ = true;
        }
    }
    uint32_t lastSet = 0, last = 0;
    if (pcre2_pattern_info(code, PCRE2_INFO_LASTCODETYPE, &lastSet) == 0 && lastSet == 1 &&
        pcre2_pattern_info(code, PCRE2_INFO_LASTCODEUNIT, &last) == 0 && last < 0x80) {
        const QChar c{char16_t(last)};
        if (c.toLower() != u'k' && c.toLower() != u's') {
            lastUnit_[0] = c.toLower().unicode();
            lastUnit_[1] = c.toUpper().unicode();
        }
    }
}

TSPatternMatcher::~TSPatternMatcher() {
    pcre2_match_context_free(static_cast<pcre2_match_context*>(context_));
    pcre2_match_data_free(static_cast<pcre2_match_data*>(matchData_));
    pcre2_code_free(static_cast<pcre2_code*>(code_));
}

bool TSPatternMatcher::matches(QStringView word) {
    if (!code_ || word.size() < minLength_ || (maxLength_ >= 0 && word.size() > maxLength_)) return false;
    if (firstUnit_[0] && (word.isEmpty() || (word[0].unicode() != firstUnit_[0] && word[0].unicode() != firstUnit_[1])))
        return false;
    if (!prefix_.isEmpty() && (word.size() < prefix_.size() || !holdsLiteral(word, 0, prefix_))) return false;
    if (!suffix_.isEmpty() &&
        (word.size() < suffix_.size() || !holdsLiteral(word, word.size() - suffix_.size(), suffix_)))
        return false;
    if (useBitmap_ && !word.isEmpty()) {
        const char16_t u0 = word[0].unicode();
        if (u0 < 256 && !(firstBitmap_[u0 >> 3] & (1u << (u0 & 7)))) return false;
    }
    if (lastUnit_[0]) {
        bool present = false;
        for (QChar c : word)
            if (c.unicode() == lastUnit_[0] || c.unicode() == lastUnit_[1]) {
                present = true;
                break;
            }
        if (!present) return false;
    }
    const auto subject = reinterpret_cast<PCRE2_SPTR>(word.utf16());
    auto* code = static_cast<pcre2_code*>(code_);
    auto* data = static_cast<pcre2_match_data*>(matchData_);
    auto* context = static_cast<pcre2_match_context*>(context_);
    const int rc = jit_ ? pcre2_jit_match(code, subject, PCRE2_SIZE(word.size()), 0, 0, data, context)
                        : pcre2_match(code, subject, PCRE2_SIZE(word.size()), 0, PCRE2_NO_UTF_CHECK, data, context);
    if (rc >= 0) return true;
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
        rc == PCRE2_ERROR_JIT_STACKLIMIT)
        limitHit_ = true;
    return false;
}

bool TSPatternSearch::addWordsToArray(QStringList& target, int minLength, int maxLength, const QStringList& words,
                                      const QString& pattern, QString* error, const std::atomic<bool>* cancel) {
    if (pattern.isEmpty()) return false;
    TSPatternMatcher matcher(pattern);
    if (!matcher.isValid()) {
        TSLogError("Error %@ making regexString:\n%@", matcher.error(), QStringLiteral("^%1$").arg(pattern));
        if (error) *error = QStringLiteral("The pattern is not a valid expression: %1").arg(matcher.error());
        return false;
    }
    qsizetype i = 0;
    for (const QString& word : words) {
        if ((++i & 0xFFF) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return false;
        const qsizetype n = word.size();
        if (n < minLength || n > maxLength) continue;
        if (matcher.matches(word)) target.append(word);
        if (matcher.limitHit()) {
            TSLogError("Pattern too costly to match, stopped at %@", word);
            if (error) *error = QStringLiteral("The pattern is too costly to match; the search stopped. Simplify it.");
            return false;
        }
    }
    return true;
}

QString TSPatternSearch::expressionForPattern(const QString& compiled) {
    QString s = compiled;
    s.replace(QLatin1Char('~'), QLatin1Char('\\'));
    return s;
}

void TSPatternSearch::appendGroup(QList<TSSearchRow>& results, QSet<QString>& seen, const QString& header,
                                  const QStringList& matches) {
    if (!header.isEmpty()) results.append({header, true});
    QStringList fresh;
    fresh.reserve(matches.size());
    for (const QString& m : matches)
        if (!seen.contains(m)) fresh.append(m);
    seen.reserve(seen.size() + fresh.size());
    results.reserve(results.size() + fresh.size());
    for (const QString& m : fresh) {
        seen.insert(m);
        results.append({m, false});
    }
}

QList<TSSearchRow> TSPatternSearch::rowsFromAnswerList(const QString& list) {
    QList<TSSearchRow> rows;
    for (const QString& s : list.split(QLatin1Char('|')))
        if (s != QStringLiteral(" ")) rows.append({s, false});
    return rows;
}

bool TSPatternSearch::runGroups(const QString& pattern, int minLength, int maxLength, const QList<Group>& groups,
                                const std::function<void(const QList<TSSearchRow>&)>& publish, QString* error,
                                const std::atomic<bool>* cancel) {
    QList<TSSearchRow> results;
    QSet<QString> seen;
    for (const Group& g : groups) {
        if (cancel && cancel->load()) return false;
        QStringList matches;
        QString groupError;
        if (g.words) addWordsToArray(matches, minLength, maxLength, g.words(), pattern, &groupError, cancel);
        if (cancel && cancel->load()) return false;
        if (!groupError.isEmpty() && error) *error = groupError;
        appendGroup(results, seen, g.header, matches);
        if (publish) publish(results);
    }
    return true;
}
