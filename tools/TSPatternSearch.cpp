#include "TSPatternSearch.h"

#include "app/logging/LGLog.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QHash>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <limits>
#include <unordered_map>
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

namespace {

// The automaton is a Glushkov construction: one position per letter or class
// of the expression (position 0 is the start), each position knowing the
// ASCII units it accepts and the positions that may follow it; states of the
// deterministic automaton are sets of positions.
constexpr int kMaxPositions = 255;
constexpr int kMaxStates = 512;  // a state times 128 fits the table's 16 bits
using Positions = std::bitset<kMaxPositions + 1>;
using AsciiSet = std::bitset<128>;

struct Fragment {
    bool nullable = true;
    Positions first, last;
};

template <typename F>
void forEach(const Positions& set, F f) {
    for (size_t p = set._Find_first(); p < set.size(); p = set._Find_next(p)) f(p);
}

class Glushkov {
public:
    explicit Glushkov(const QString& expression) : e_(expression) {
        sets_.emplace_back();
        follow_.emplace_back();
    }

    // False when the expression holds anything not read here (escapes,
    // anchors, assertions, possessive or atomic constructs, back references,
    // verbs, too many positions).
    bool build() {
        qsizetype i = 0;
        whole_ = alternation(i, 0);
        if (failed_ || i != e_.size()) return false;
        follow_[0] = whole_.first;
        return true;
    }

    std::vector<AsciiSet> sets_;
    std::vector<Positions> follow_;
    // How many ways the expression's structure leads from one position to
    // the next (keyed by from * 256 + to): a repeat inside a repeat leads
    // from a letter back to itself twice, and a backtracking matcher tries
    // both.
    std::unordered_map<quint32, double> ways_;
    double ways(size_t from, size_t to) const {
        if (from == 0) return 1.0;
        const auto it = ways_.find(quint32(from * 256 + to));
        return it == ways_.end() ? 0.0 : it->second;
    }
    Fragment whole_;
    int depth_ = 0;  // deepest group nesting

private:
    Fragment alternation(qsizetype& i, int depth) {
        if (depth > 32) {
            failed_ = true;
            return {};
        }
        depth_ = std::max(depth_, depth);
        Fragment f = sequence(i, depth);
        while (!failed_ && i < e_.size() && e_[i] == QLatin1Char('|')) {
            ++i;
            const Fragment g = sequence(i, depth);
            f.nullable = f.nullable || g.nullable;
            f.first |= g.first;
            f.last |= g.last;
        }
        return f;
    }

    Fragment sequence(qsizetype& i, int depth) {
        Fragment f;
        while (!failed_ && i < e_.size() && e_[i] != QLatin1Char('|') && e_[i] != QLatin1Char(')')) {
            const qsizetype start = i;
            Fragment a = atom(i, depth);
            int least = 1, most = 1;
            if (!failed_ && quantifier(i, least, most)) a = repeat(start, a, least, most, depth);
            f = concat(f, a);
        }
        return f;
    }

    void link(const Positions& from, const Positions& to) {
        forEach(from, [&](size_t p) {
            follow_[p] |= to;
            forEach(to, [&](size_t q) { ways_[quint32(p * 256 + q)] += 1.0; });
        });
    }

    Fragment concat(const Fragment& a, const Fragment& b) {
        link(a.last, b.first);
        Fragment r;
        r.nullable = a.nullable && b.nullable;
        r.first = a.nullable ? a.first | b.first : a.first;
        r.last = b.nullable ? a.last | b.last : b.last;
        return r;
    }

    // x{n,m} as n copies of x and m - n nested optional ones, x{n,} as n - 1
    // copies and a repeated one: the paths a backtracking matcher tries.
    Fragment repeat(qsizetype start, const Fragment& x, int least, int most, int depth) {
        bool used = false;
        auto copy = [&]() {
            if (!used) {
                used = true;
                return x;
            }
            qsizetype j = start;
            return atom(j, depth);
        };
        Fragment r;
        if (most < 0) {
            for (int k = 1; k < least && !failed_; ++k) r = concat(r, copy());
            Fragment y = copy();
            link(y.last, y.first);
            y.nullable = y.nullable || least == 0;
            return concat(r, y);
        }
        for (int k = 0; k < least && !failed_; ++k) r = concat(r, copy());
        Fragment tail;
        for (int k = least; k < most && !failed_; ++k) {
            tail = concat(copy(), tail);
            tail.nullable = true;
        }
        return concat(r, tail);
    }

    bool quantifier(qsizetype& i, int& least, int& most) {
        if (i >= e_.size()) return false;
        const QChar c = e_[i];
        if (c == QLatin1Char('*')) least = 0, most = -1, ++i;
        else if (c == QLatin1Char('+')) least = 1, most = -1, ++i;
        else if (c == QLatin1Char('?')) least = 0, most = 1, ++i;
        else if (c == QLatin1Char('{')) {
            qsizetype j = i + 1;
            auto number = [&](int& n) {
                const qsizetype from = j;
                n = 0;
                while (j < e_.size() && e_[j].isDigit() && e_[j].unicode() < 0x80 && n <= 1000) n = n * 10 + (e_[j++].unicode() - '0');
                return j > from && n <= 1000;
            };
            if (!number(least)) return fail();
            most = least;
            if (j < e_.size() && e_[j] == QLatin1Char(',')) {
                ++j;
                if (j < e_.size() && e_[j] == QLatin1Char('}')) most = -1;
                else if (!number(most) || most < least) return fail();
            }
            if (j >= e_.size() || e_[j] != QLatin1Char('}')) return fail();
            i = j + 1;
        } else {
            return false;
        }
        // A lazy repeat matches the same words; a possessive one does not.
        if (i < e_.size() && e_[i] == QLatin1Char('?')) ++i;
        if (i < e_.size() && (e_[i] == QLatin1Char('+') || e_[i] == QLatin1Char('*') || e_[i] == QLatin1Char('?') ||
                              e_[i] == QLatin1Char('{')))
            return fail();
        return true;
    }

    Fragment atom(qsizetype& i, int depth) {
        // Repeats of repeats re-read their atoms many times over.
        if (++atoms_ > 100000) return failed();
        const QChar c = e_[i];
        const char16_t u = c.unicode();
        if (c == QLatin1Char('(')) {
            ++i;
            if (i < e_.size() && e_[i] == QLatin1Char('*')) return failed();
            if (i < e_.size() && e_[i] == QLatin1Char('?')) {
                if (i + 1 >= e_.size() || e_[i + 1] != QLatin1Char(':')) return failed();
                i += 2;
            }
            Fragment f = alternation(i, depth + 1);
            if (failed_ || i >= e_.size() || e_[i] != QLatin1Char(')')) return failed();
            ++i;
            return f;
        }
        if (c == QLatin1Char('[')) {
            qsizetype j = i + 1;
            if (j < e_.size() && e_[j] == QLatin1Char('^')) ++j;
            if (j < e_.size() && e_[j] == QLatin1Char(']')) ++j;
            while (j < e_.size() && e_[j] != QLatin1Char(']')) {
                if (e_[j] == QLatin1Char('\\') || e_[j] == QLatin1Char('[')) return failed();
                ++j;
            }
            if (j >= e_.size()) return failed();
            const qsizetype from = i;
            i = j + 1;
            return position(QStringView(e_).mid(from, i - from));
        }
        if (u == '\\' || u == '^' || u == '$' || u == ')' || u == '|' || u == '*' || u == '+' || u == '?' || u == '{')
            return failed();
        const qsizetype from = i;
        i += (c.isHighSurrogate() && i + 1 < e_.size() && e_[i + 1].isLowSurrogate()) ? 2 : 1;
        return position(QStringView(e_).mid(from, i - from));
    }

    Fragment position(QStringView text) {
        if (int(sets_.size()) > kMaxPositions) return failed();
        const size_t p = sets_.size();
        sets_.push_back(asciiSet(text));
        follow_.emplace_back();
        Fragment f;
        f.nullable = false;
        f.first.set(p);
        f.last.set(p);
        return f;
    }

    // The ASCII units a letter or class accepts caselessly. Letters, digits
    // and classes of them are read here; anything else is asked of PCRE2
    // itself, so the sets are exactly its own.
    AsciiSet asciiSet(QStringView text) {
        const QString key = text.toString();
        auto it = setCache_.constFind(key);
        if (it != setCache_.constEnd()) return *it;
        AsciiSet set;
        if (!plainSet(text, set) && !askPcre(text, set)) failed_ = true;
        setCache_.insert(key, set);
        return set;
    }

    static bool isAlnum(char16_t u) { return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'); }
    static void addCaseless(AsciiSet& set, char16_t u) {
        set.set(u);
        if (u >= 'a' && u <= 'z') set.set(u - 32);
        if (u >= 'A' && u <= 'Z') set.set(u + 32);
    }

    static bool plainSet(QStringView text, AsciiSet& set) {
        if (text.size() == 1) {
            if (!isAlnum(text[0].unicode())) return false;
            addCaseless(set, text[0].unicode());
            return true;
        }
        if (text.size() < 3 || text.front() != QLatin1Char('[')) return false;
        qsizetype j = 1;
        const bool negated = text[j] == QLatin1Char('^');
        if (negated) ++j;
        const qsizetype end = text.size() - 1;
        if (j >= end) return false;
        while (j < end) {
            const char16_t a = text[j].unicode();
            if (!isAlnum(a)) return false;
            if (j + 2 < end && text[j + 1] == QLatin1Char('-')) {
                const char16_t b = text[j + 2].unicode();
                const bool sameKind = (a >= 'a' && b <= 'z') || (a >= 'A' && b <= 'Z' && a <= 'Z') || (a >= '0' && b <= '9' && a <= '9');
                if (!isAlnum(b) || b < a || !sameKind) return false;
                for (char16_t x = a; x <= b; ++x) addCaseless(set, x);
                j += 3;
            } else {
                addCaseless(set, a);
                ++j;
            }
        }
        if (negated) set.flip();
        return true;
    }

    static bool askPcre(QStringView text, AsciiSet& set) {
        const QString anchored = QStringLiteral("^(?:%1)$").arg(text);
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(anchored.utf16()), PCRE2_SIZE(anchored.size()),
                                         PCRE2_CASELESS | PCRE2_UTF | PCRE2_DOLLAR_ENDONLY, &errorCode, &errorOffset, nullptr);
        if (!code) return false;
        pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
        for (char16_t u = 0; u < 128; ++u)
            if (pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(&u), 1, 0, 0, data, nullptr) >= 0) set.set(u);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
        return true;
    }

    bool fail() {
        failed_ = true;
        return false;
    }
    Fragment failed() {
        failed_ = true;
        return {};
    }

    const QString& e_;
    bool failed_ = false;
    int atoms_ = 0;
    QHash<QString, AsciiSet> setCache_;
};

}  // namespace

struct TSPatternMatcher::Automaton {
    // Indexed by a state's row (state * 128) plus the unit, the next state's
    // row; row 0 refuses everything, row 128 is the start.
    std::vector<quint16> next;
    // Two steps at once, where few enough columns (units every position
    // treats alike) let a row hold every pair of them: indexed by the row
    // plus the first unit's column times `columns` plus the second's.
    std::vector<quint16> pairs;
    std::array<quint8, 128> column{};
    size_t columns = 0;
    std::vector<quint8> accepting;  // by state
    // For an accepting state that every further unit either keeps or
    // refuses: the letters it keeps (as TSWordList::letters() counts them);
    // a word holding no other letter is then found without reading on.
    std::vector<quint32> keeps;
    AsciiSet firstUnits, lastUnits;  // the units a match can start, end with
};

bool TSPatternMatcher::useAutomaton(int longest) {
    automaton_.reset();
    if (!code_) return false;
    Glushkov g(pattern_);
    if (!g.build()) return false;
    const size_t positions = g.sets_.size();

    // Units that every position treats alike share a column.
    std::array<int, 128> column{};
    std::vector<Positions> columnMembers;
    {
        QHash<QByteArray, int> seen;
        for (int u = 0; u < 128; ++u) {
            Positions members;
            for (size_t p = 1; p < positions; ++p)
                if (g.sets_[p].test(size_t(u))) members.set(p);
            const QByteArray key(reinterpret_cast<const char*>(&members), sizeof members);
            auto it = seen.constFind(key);
            if (it == seen.constEnd()) {
                it = seen.insert(key, int(columnMembers.size()));
                columnMembers.push_back(members);
            }
            column[size_t(u)] = *it;
        }
    }
    const size_t columns = columnMembers.size();

    Positions accepting = g.whole_.last;
    if (g.whole_.nullable) accepting.set(0);
    std::vector<Positions> states = {Positions(), Positions().set(0)};
    std::unordered_map<Positions, int> index = {{states[0], 0}, {states[1], 1}};
    std::vector<int> byColumn;  // state * columns + column
    for (size_t s = 0; s < states.size(); ++s) {
        Positions reachable;
        forEach(states[s], [&](size_t p) { reachable |= g.follow_[p]; });
        for (size_t c = 0; c < columns; ++c) {
            const Positions target = reachable & columnMembers[c];
            auto [it, fresh] = index.try_emplace(target, int(states.size()));
            if (fresh) {
                if (states.size() >= size_t(kMaxStates)) return false;
                states.push_back(target);
            }
            byColumn.push_back(it->second);
        }
    }

    // The backtracking matcher's work on a word is about the number of paths
    // through the positions that the word's prefixes keep alive. Bound it for
    // every word up to `longest`: per state and position, the most paths any
    // word reaching that state can have there. Only when the bound, with room
    // for the matcher's own steps per path, stays well inside the match limit
    // are the answers sure to be the ones PCRE2 would give.
    double fanout = 0;
    for (size_t p = 0; p < positions; ++p) {
        double out = 0;
        forEach(g.follow_[p], [&](size_t q) { out += g.ways(p, q); });
        fanout = std::max(fanout, out);
    }
    const double budget = double(matchLimit_) / (2.0 * (fanout + g.depth_ + 2));
    const size_t width = positions;
    if (states.size() * width > 4'000'000) return false;
    std::vector<double> paths(states.size() * width, 0.0), nextPaths(states.size() * width, 0.0);
    std::vector<double> sum(width);
    paths[1 * width + 0] = 1.0;
    double total = 1.0;
    qint64 work = 0;
    std::vector<quint8> live(states.size(), 0), nextLive(states.size(), 0);
    live[1] = 1;
    for (int step = 0; step < longest; ++step) {
        std::fill(nextPaths.begin(), nextPaths.end(), 0.0);
        std::fill(nextLive.begin(), nextLive.end(), 0);
        bool any = false;
        for (size_t s = 1; s < states.size(); ++s) {
            if (!live[s]) continue;
            for (size_t c = 0; c < columns; ++c) {
                const int t = byColumn[s * columns + c];
                if (t == 0) continue;
                if ((work += width) > 10'000'000) return false;  // too large to be worth the bound
                std::fill(sum.begin(), sum.end(), 0.0);
                forEach(states[s], [&](size_t p) {
                    const double n = paths[s * width + p];
                    if (n > 0) forEach(g.follow_[p] & columnMembers[c], [&](size_t q) { sum[q] += n * g.ways(p, q); });
                });
                double* row = &nextPaths[size_t(t) * width];
                for (size_t q = 0; q < width; ++q) row[q] = std::max(row[q], sum[q]);
                nextLive[size_t(t)] = 1;
                any = true;
            }
        }
        if (!any) break;
        double most = 0;
        for (size_t s = 1; s < states.size(); ++s) {
            if (!nextLive[s]) continue;
            double alive = 0;
            for (size_t q = 0; q < width; ++q) alive += nextPaths[s * width + q];
            most = std::max(most, alive);
        }
        total += most;
        if (total > budget) return false;
        paths.swap(nextPaths);
        live.swap(nextLive);
    }

    auto automaton = std::make_unique<Automaton>();
    automaton->next.resize(states.size() * 128);
    automaton->accepting.resize(states.size());
    automaton->keeps.resize(states.size());
    if (columns * columns <= 128) {
        automaton->columns = columns;
        for (int u = 0; u < 128; ++u) automaton->column[size_t(u)] = quint8(column[size_t(u)]);
        automaton->pairs.assign(states.size() * 128, 0);
        for (size_t s = 1; s < states.size(); ++s)
            for (size_t a = 0; a < columns; ++a) {
                const size_t t = size_t(byColumn[s * columns + a]);
                for (size_t b = 0; b < columns && t; ++b)
                    automaton->pairs[s * 128 + a * columns + b] = quint16(byColumn[t * columns + b] * 128);
            }
    }
    for (size_t s = 0; s < states.size(); ++s) {
        automaton->accepting[s] = (states[s] & accepting).any() ? 1 : 0;
        bool sink = true;
        for (int u = 0; u < 128; ++u) {
            const int t = s == 0 ? 0 : byColumn[s * columns + size_t(column[size_t(u)])];
            automaton->next[s * 128 + size_t(u)] = quint16(t * 128);
            sink = sink && (t == 0 || size_t(t) == s);
        }
        if (s == 0 || !sink || !automaton->accepting[s]) continue;
        auto kept = [&](int u) { return byColumn[s * columns + size_t(column[size_t(u)])] == int(s); };
        quint32 keeps = TSWordList::kOtherUnit;
        for (int u = 0; u < 128; ++u) {
            const int l = u | 0x20;
            if (l >= 'a' && l <= 'z') {
                if (kept(l) && kept(l - 32)) keeps |= 1u << (l - 'a');
            } else if (!kept(u)) {
                keeps &= ~TSWordList::kOtherUnit;
            }
        }
        automaton->keeps[s] = keeps;
    }
    forEach(g.whole_.last, [&](size_t p) { automaton->lastUnits |= g.sets_[p]; });
    forEach(g.whole_.first, [&](size_t p) { automaton->firstUnits |= g.sets_[p]; });
    automaton_ = std::move(automaton);
    return true;
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
    const AsciiSet lastUnits = automaton_ ? automaton_->lastUnits : AsciiSet();
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
        // The buckets a match can lie in: its possible first (last) units,
        // every word whose first (last) unit is not ASCII, and the empty word
        // when the pattern takes it. The smaller side wins, when it is small.
        auto choose = [&](const AsciiSet& possible, const quint32* bounds, std::vector<int>& chosen) {
            qsizetype total = 0;
            for (int b = 0; b < TSWordList::kBuckets; ++b) {
                const bool take = b < 128 ? possible[size_t(b)] : b == TSWordList::kWideBucket || accepting[1];
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
                    stopped = !visit(qsizetype(order[k]));
                }
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
        if (longest >= minLength) useAutomaton(longest);
        else automaton_.reset();
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
