#include "TSPatternSearch.h"

#include "TSPatternAutomaton.h"
#include "app/logging/LGLog.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <cstring>
#include <vector>

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
bool holdsLiteral(const char16_t* w, const QString& literal) {
    const char16_t* l = reinterpret_cast<const char16_t*>(literal.utf16());
    for (qsizetype i = 0; i < literal.size(); ++i)
        if ((w[i] | 0x20) != l[i]) return false;
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

TSPatternMatcher::TSPatternMatcher(const QString& pattern, quint32 matchLimit) : matchLimit_(matchLimit), pattern_(pattern) {
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

inline bool TSPatternMatcher::passesPrefilters(const char16_t* w, qsizetype n) const {
    if (n < minLength_ || (maxLength_ >= 0 && n > maxLength_)) return false;
    if (firstUnit_[0] && (n == 0 || (w[0] != firstUnit_[0] && w[0] != firstUnit_[1]))) return false;
    if (!prefix_.isEmpty() && (n < prefix_.size() || !holdsLiteral(w, prefix_))) return false;
    if (!suffix_.isEmpty() && (n < suffix_.size() || !holdsLiteral(w + n - suffix_.size(), suffix_))) return false;
    if (useBitmap_ && n > 0 && w[0] < 256 && !(firstBitmap_[w[0] >> 3] & (1u << (w[0] & 7)))) return false;
    return true;
}

bool TSPatternMatcher::matches(QStringView word) {
    if (!code_ || !passesPrefilters(reinterpret_cast<const char16_t*>(word.utf16()), word.size())) return false;
    return matchesWithPcre(word);
}

bool TSPatternMatcher::matchesWithPcre(QStringView word) {
    if (lastUnit_[0]) {
        bool present = false;
        for (QChar c : word)
            if (c.unicode() == lastUnit_[0] || c.unicode() == lastUnit_[1]) {
                present = true;
                break;
            }
        if (!present) return false;
    }
    auto* code = static_cast<pcre2_code*>(code_);
    if (!jitTried_) {
        jitTried_ = true;
        jit_ = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;  // else the interpreter
    }
    const auto subject = reinterpret_cast<PCRE2_SPTR>(word.utf16());
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

namespace {

// Appends the found words in list order. Taking a word's reference touches
// its string's header, which a scan of the compact copy never brought into
// the cache: fetch the headers a few words ahead.
void appendFound(QStringList& target, const QStringList& list, const std::vector<qsizetype>& found) {
    constexpr size_t kAhead = 8;
    target.reserve(target.size() + qsizetype(found.size()));
    const QString* strings = list.constData();
    for (size_t k = 0; k < found.size(); ++k) {
        if (k + 2 * kAhead < found.size()) __builtin_prefetch(strings + found[k + 2 * kAhead]);
        if (k + kAhead < found.size()) __builtin_prefetch(strings[found[k + kAhead]].constData());
        target.append(strings[found[k]]);
    }
}

}  // namespace

// The search over a list's compact copy: lengths from the starts, literal
// ends and the automaton's first steps from the words' first and last four
// units, so most words are refused without reading their text. When the
// pattern can start (or end) with only a few units, only the words in those
// units' buckets are visited; found words are marked in `found`, one bit per
// word, so they are listed in list order whatever order they were visited in.
TSPatternMatcher::Scan TSPatternMatcher::scanCompact(std::vector<quint64>& found, const TSWordList& words,
                                                     int minLength, int maxLength, const std::atomic<bool>* cancel,
                                                     QString* stoppedAt) {
    const qsizetype count = words.size();
    const quint32* starts = words.starts();
    const char16_t* units = words.units();
    const quint64* heads = words.heads();
    const quint64* tails = words.tails();
    const quint8* wides = words.wides();
    const quint32* letters = words.letters();
    const quint16* next = automaton_ ? automaton_->next.data() : nullptr;
    const quint8* accepting = automaton_ ? automaton_->accepting.data() : nullptr;
    const quint32* keepsByState = automaton_ ? automaton_->keeps.data() : nullptr;
    const TSPatternAutomaton::AsciiSet lastUnits = automaton_ ? automaton_->lastUnits : TSPatternAutomaton::AsciiSet();
    const quint16* pairs = automaton_ && !automaton_->pairs.empty() ? automaton_->pairs.data() : nullptr;
    const quint8* column = automaton_ ? automaton_->column.data() : nullptr;
    const size_t columns = automaton_ ? automaton_->columns : 0;
    const qsizetype least = std::max({qsizetype(minLength), qsizetype(minLength_), qsizetype(0)});
    const qsizetype most = maxLength_ >= 0 ? std::min(maxLength, maxLength_) : maxLength;
    found.assign(size_t(count / 64 + 1), 0);
    if (most < least) return Scan::Finished;
    const quint64 span = quint64(most - least);
    // The last four letters of the literal end as a tail would hold them.
    const qsizetype keyed = std::min<qsizetype>(suffix_.size(), 4);
    quint64 suffixKey = 0, suffixMask = 0, suffixFold = 0;
    for (qsizetype j = 0; j < keyed; ++j) {
        const int shift = 16 * int(3 - j);
        suffixKey |= quint64(suffix_[suffix_.size() - 1 - j].unicode()) << shift;
        suffixMask |= quint64(0xFFFF) << shift;
        suffixFold |= quint64(0x20) << shift;
    }
    auto mark = [&](qsizetype i) { found[size_t(i) >> 6] |= quint64(1) << (i & 63); };

    // Answers false when the cost bound stopped the search at word i.
    auto visit = [&](qsizetype i) __attribute__((always_inline)) -> bool {
        const qsizetype n = qsizetype(starts[i + 1] - starts[i]);
        if (quint64(n - least) > span) return true;
        if (keyed && ((tails[i] | suffixFold) & suffixMask) != suffixKey) return true;
        if (next && !wides[i]) {
            if (n > 0 && !lastUnits[size_t(tails[i] >> 48)]) return true;
            size_t row = 128;
            quint64 head = heads[i];
            qsizetype j = 0;
            if (pairs && n >= 4) {
                row = pairs[row + column[head & 0x7F] * columns + column[(head >> 16) & 0x7F]];
                if (row) row = pairs[row + column[(head >> 32) & 0x7F] * columns + column[(head >> 48) & 0x7F]];
                j = 4;
            } else {
                const qsizetype first = std::min<qsizetype>(n, 4);
                for (; j < first && row; ++j, head >>= 16) row = next[row + (head & 0xFFFF)];
            }
            if (row && n > 4) {
                if (suffix_.size() > 4 && !holdsLiteral(units + starts[i] + n - suffix_.size(), suffix_)) return true;
                const quint32 keeps = keepsByState[row >> 7];
                if (!keeps || (letters[i] & ~keeps)) {
                    const char16_t* w = units + starts[i];
                    if (pairs)
                        for (; j + 1 < n && row; j += 2) row = pairs[row + column[w[j]] * columns + column[w[j + 1]]];
                    for (; j < n && row; ++j) row = next[row + w[j]];
                }
            }
            if (accepting[row >> 7]) mark(i);
            return true;
        }
        const QStringView word = words.word(i);
        if (!passesPrefilters(reinterpret_cast<const char16_t*>(word.utf16()), n)) return true;
        if (matchesWithPcre(word)) mark(i);
        return !limitHit_;
    };

    if (automaton_) {
        // The words of ASCII units a match can be: those of the buckets of
        // its possible first (last) units, and the empty word when the
        // pattern takes it; the smaller side wins, when it is small. Every
        // word holding other units goes to PCRE2 as it would in list order,
        // so a word that would stop the search still stops it.
        const qsizetype wideCount = qsizetype(words.wideWords().size());
        auto choose = [&](const TSPatternAutomaton::AsciiSet& possible, const quint32* bounds, std::vector<int>& chosen) {
            qsizetype total = wideCount;
            for (int b = 0; b < TSWordList::kBuckets; ++b) {
                const bool take = b < 128 ? possible[size_t(b)] : b == TSWordList::kEmptyBucket && accepting[1];
                if (!take || bounds[b] == bounds[b + 1]) continue;
                chosen.push_back(b);
                total += qsizetype(bounds[b + 1] - bounds[b]);
            }
            return total;
        };
        std::vector<int> byFirst, byLast;
        const qsizetype firstCount = choose(automaton_->firstUnits, words.firstBounds(), byFirst);
        const qsizetype lastCount = choose(lastUnits, words.lastBounds(), byLast);
        const bool first = firstCount <= lastCount;
        if (std::min(firstCount, lastCount) * 3 < count) {
            const quint32* order = first ? words.byFirst() : words.byLast();
            const quint32* bounds = first ? words.firstBounds() : words.lastBounds();
            qsizetype visited = 0;
            bool stopped = false;
            for (int b : first ? byFirst : byLast) {
                for (quint32 k = bounds[b]; k < bounds[b + 1] && !stopped; ++k) {
                    if ((++visited & 0xFFF) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return Scan::Cancelled;
                    if (!wides[order[k]]) stopped = !visit(qsizetype(order[k]));
                }
            }
            for (size_t k = 0; k < words.wideWords().size() && !stopped; ++k) {
                if ((++visited & 0xFFF) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return Scan::Cancelled;
                stopped = !visit(qsizetype(words.wideWords()[k]));
            }
            if (!stopped) return Scan::Finished;
            // Stopped by the cost bound: the words found before the stop are
            // those before it in list order, so go through the list in order.
            std::fill(found.begin(), found.end(), 0);
            limitHit_ = false;
        }
    }
    for (qsizetype i = 0; i < count; ++i) {
        if ((i & 0xFFF) == 0xFFF && cancel && cancel->load(std::memory_order_relaxed)) return Scan::Cancelled;
        if (!visit(i)) {
            if (stoppedAt) *stoppedAt = words.words()[i];
            return Scan::LimitHit;
        }
    }
    return Scan::Finished;
}

TSPatternMatcher::Scan TSPatternMatcher::addMatches(QStringList& target, const TSWordList& words, int minLength,
                                                    int maxLength, const std::atomic<bool>* cancel, QString* stoppedAt) {
    if (!code_ || words.isEmpty()) return Scan::Finished;
    int longest = std::min(maxLength, words.longest());
    if (maxLength_ >= 0) longest = std::min(longest, maxLength_);
    if (words.isCompact()) {
        // None when no length can match: the scan then refuses every word by its length.
        automaton_ = longest >= minLength ? TSPatternAutomaton::make(pattern_, longest, matchLimit_) : nullptr;
        std::vector<quint64> bits;
        const Scan result = scanCompact(bits, words, minLength, maxLength, cancel, stoppedAt);
        std::vector<qsizetype> found;
        for (size_t k = 0; k < bits.size(); ++k)
            for (quint64 b = bits[k]; b; b &= b - 1) found.push_back(qsizetype(k * 64 + size_t(__builtin_ctzll(b))));
        appendFound(target, words.words(), found);
        return result;
    }
    // A list too large for its compact copy goes word by word through PCRE2.
    const QStringList& list = words.words();
    for (qsizetype i = 0; i < list.size(); ++i) {
        if ((i & 0xFFF) == 0xFFF && cancel && cancel->load(std::memory_order_relaxed)) return Scan::Cancelled;
        const qsizetype n = list[i].size();
        if (n < minLength || n > maxLength) continue;
        if (matches(list[i])) target.append(list[i]);
        if (limitHit_) {
            if (stoppedAt) *stoppedAt = list[i];
            return Scan::LimitHit;
        }
    }
    return Scan::Finished;
}

bool TSPatternSearch::addWordsToArray(QStringList& target, int minLength, int maxLength, const TSWordList& words,
                                      const QString& pattern, QString* error, const std::atomic<bool>* cancel) {
    if (pattern.isEmpty()) return false;
    TSPatternMatcher matcher(pattern);
    if (!matcher.isValid()) {
        TSLogError("Error %@ making regexString:\n%@", matcher.error(), QStringLiteral("^%1$").arg(pattern));
        if (error) *error = QStringLiteral("The pattern is not a valid expression: %1").arg(matcher.error());
        return false;
    }
    QString stoppedAt;
    switch (matcher.addMatches(target, words, minLength, maxLength, cancel, &stoppedAt)) {
    case TSPatternMatcher::Scan::Finished: return true;
    case TSPatternMatcher::Scan::Cancelled: return false;
    case TSPatternMatcher::Scan::LimitHit: break;
    }
    TSLogError("Pattern too costly to match, stopped at %@", stoppedAt);
    if (error) *error = QStringLiteral("The pattern is too costly to match; the search stopped. Simplify it.");
    return false;
}

bool TSPatternSearch::addWordsToArray(QStringList& target, int minLength, int maxLength, const QStringList& words,
                                      const QString& pattern, QString* error, const std::atomic<bool>* cancel) {
    if (pattern.isEmpty()) return false;
    return addWordsToArray(target, minLength, maxLength, TSWordList(words), pattern, error, cancel);
}

QString TSPatternSearch::expressionForPattern(const QString& compiled) {
    QString s = compiled;
    s.replace(QLatin1Char('~'), QLatin1Char('\\'));
    return s;
}

namespace {

// The words listed so far by the grouped search. What the deduplication
// costs is hashing and probing strings scattered over the heap, so: a cheap
// hash over eight bytes at a time, open addressing over (hash, index) slots,
// and the strings, slots and listed words fetched a few words ahead.
class SeenWords {
public:
    // The entries of `words` not listed yet, in order, which are then
    // listed; repeats inside `words` all stay.
    QStringList takeUnseen(const QStringList& words) {
        const std::vector<quint32> hashes = hashesOf(words);
        if (words_.empty()) {
            insert(words, hashes);
            return words;
        }
        QStringList fresh;
        std::vector<quint32> freshHashes;
        fresh.reserve(words.size());
        constexpr qsizetype kAhead = 8;
        const qsizetype n = words.size();
        for (qsizetype k = 0; k < n; ++k) {
            if (k + 2 * kAhead < n) __builtin_prefetch(&slots_[hashes[size_t(k + 2 * kAhead)] & mask_]);
            if (k + kAhead < n) {
                const quint64 slot = slots_[hashes[size_t(k + kAhead)] & mask_];
                if (slot) __builtin_prefetch(words_[size_t(quint32(slot) - 1)].constData());
            }
            if (find(words[k], hashes[size_t(k)]) < 0) {
                fresh.append(words[k]);
                freshHashes.push_back(hashes[size_t(k)]);
            }
        }
        insert(fresh, freshHashes);
        return fresh;
    }

private:
    // Lists each of `words` (hashed to `hashes`) not listed yet.
    void insert(const QStringList& words, const std::vector<quint32>& hashes) {
        for (qsizetype k = 0; k < words.size(); ++k) {
            const quint32 h = hashes[size_t(k)];
            if (!words_.empty() && find(words[k], h) >= 0) continue;
            if ((words_.size() + 1) * 2 > slots_.size()) grow();
            words_.push_back(words[k]);
            place(h, quint32(words_.size()));
        }
    }

    static quint32 hashOf(QStringView w) {
        const char* p = reinterpret_cast<const char*>(w.utf16());
        size_t bytes = size_t(w.size()) * 2;
        quint64 h = 0x9E3779B97F4A7C15ull ^ bytes;
        for (; bytes >= 8; bytes -= 8, p += 8) {
            quint64 chunk;
            std::memcpy(&chunk, p, 8);
            h = (h ^ chunk) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        quint64 chunk = 0;
        std::memcpy(&chunk, p, bytes);
        h = (h ^ chunk) * 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 29;
        return quint32(h ^ (h >> 32));
    }

    static std::vector<quint32> hashesOf(const QStringList& words) {
        std::vector<quint32> hashes(size_t(words.size()));
        const QString* strings = words.constData();
        for (qsizetype k = 0; k < words.size(); ++k) {
            if (k + 8 < words.size()) __builtin_prefetch(strings[k + 8].constData());
            hashes[size_t(k)] = hashOf(strings[k]);
        }
        return hashes;
    }

    // The index of the word in words_, or -1.
    qsizetype find(const QString& word, quint32 h) const {
        for (size_t at = h & mask_;; at = (at + 1) & mask_) {
            const quint64 slot = slots_[at];
            if (!slot) return -1;
            if (quint32(slot >> 32) == h && words_[size_t(quint32(slot) - 1)] == word) return qsizetype(quint32(slot) - 1);
        }
    }

    void place(quint32 h, quint32 oneBased) {
        size_t at = h & mask_;
        while (slots_[at]) at = (at + 1) & mask_;
        slots_[at] = (quint64(h) << 32) | oneBased;
    }

    void grow() {
        std::vector<quint64> old = std::move(slots_);
        slots_.assign(std::max<size_t>(64, old.size() * 2), 0);
        mask_ = slots_.size() - 1;
        for (quint64 slot : old)
            if (slot) place(quint32(slot >> 32), quint32(slot));
    }

    std::vector<QString> words_;
    std::vector<quint64> slots_ = std::vector<quint64>(64, 0);  // hash << 32 | index + 1; 0 is free
    size_t mask_ = 63;
};

// One group: its header (skipped when empty) and the matches not yet listed,
// which are then listed.
void appendGroup(QList<TSSearchRow>& results, SeenWords& seen, const QString& header, const QStringList& matches) {
    if (!header.isEmpty()) results.append({header, true});
    const QStringList fresh = seen.takeUnseen(matches);
    results.reserve(results.size() + fresh.size());
    for (const QString& m : fresh) results.append({m, false});
}

}  // namespace

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
    SeenWords seen;
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
