#include "TSPatternSearch.h"

#include "app/logging/LGLog.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

TSPatternMatcher::TSPatternMatcher(const QString& pattern, quint32 matchLimit) {
    const QString anchored = QStringLiteral("^(?:%1)$").arg(pattern);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(anchored.utf16()), PCRE2_SIZE(anchored.size()),
                                     PCRE2_CASELESS | PCRE2_UTF | PCRE2_UCP | PCRE2_DOLLAR_ENDONLY, &errorCode,
                                     &errorOffset, nullptr);
    if (!code) {
        PCRE2_UCHAR buffer[256];
        const int n = pcre2_get_error_message(errorCode, buffer, 256);
        error_ = QStringLiteral("%1 at offset %2")
                     .arg(n > 0 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), n) : QString::number(errorCode))
                     .arg(qint64(errorOffset));
        return;
    }
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // falls back to the interpreter when JIT is unavailable
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
    }
}

TSPatternMatcher::~TSPatternMatcher() {
    pcre2_match_context_free(static_cast<pcre2_match_context*>(context_));
    pcre2_match_data_free(static_cast<pcre2_match_data*>(matchData_));
    pcre2_code_free(static_cast<pcre2_code*>(code_));
}

bool TSPatternMatcher::matches(QStringView word) {
    if (!code_ || word.size() < minLength_) return false;
    if (firstUnit_[0] && (word.isEmpty() || (word[0].unicode() != firstUnit_[0] && word[0].unicode() != firstUnit_[1])))
        return false;
    const int rc = pcre2_match(static_cast<pcre2_code*>(code_), reinterpret_cast<PCRE2_SPTR>(word.utf16()),
                               PCRE2_SIZE(word.size()), 0, PCRE2_NO_UTF_CHECK,
                               static_cast<pcre2_match_data*>(matchData_),
                               static_cast<pcre2_match_context*>(context_));
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
