#include "TSPatternAutomaton.h"

#include "TSWordLists.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <QByteArray>
#include <QHash>

#include <algorithm>
#include <unordered_map>

namespace {

// The automaton is a Glushkov construction: one position per letter or class
// of the expression (position 0 is the start), each position knowing the
// ASCII units it accepts and the positions that may follow it; states of the
// deterministic automaton are sets of positions.
constexpr int kMaxPositions = 255;
constexpr int kMaxStates = 512;  // a state times 128 fits the table's 16 bits
using Positions = std::bitset<kMaxPositions + 1>;
using AsciiSet = TSPatternAutomaton::AsciiSet;

// A piece of the expression: whether it can match nothing and in how many
// ways (a backtracking matcher tries each: "(a?|b?)" two ways, "(a?)*" two),
// the positions it can start and end with, and in how many ways each starts
// (ends) it, passing over pieces that match nothing. And how many groups a
// match of it enters, once whatever its length and more for every letter:
// a backtracking matcher keeps a frame on its stack for each group entered.
struct Fragment {
    bool nullable = true;
    double empty = 1.0;
    Positions first, last;
    std::vector<std::pair<size_t, double>> firstWays, lastWays;
    double groups = 0, groupsPerLetter = 0;
};

std::vector<std::pair<size_t, double>> scaled(std::vector<std::pair<size_t, double>> ways, double by) {
    for (auto& w : ways) w.second *= by;
    return ways;
}

void append(std::vector<std::pair<size_t, double>>& to, const std::vector<std::pair<size_t, double>>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

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
        for (const auto& [q, w] : whole_.firstWays) ways_[quint32(q)] += w;
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
            f.empty += g.empty;
            f.groups = std::max(f.groups, g.groups);
            f.groupsPerLetter = std::max(f.groupsPerLetter, g.groupsPerLetter);
            f.first |= g.first;
            f.last |= g.last;
            append(f.firstWays, g.firstWays);
            append(f.lastWays, g.lastWays);
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

    void link(const Fragment& from, const Fragment& to) {
        forEach(from.last, [&](size_t p) { follow_[p] |= to.first; });
        for (const auto& [p, wp] : from.lastWays)
            for (const auto& [q, wq] : to.firstWays) ways_[quint32(p * 256 + q)] += wp * wq;
    }

    Fragment concat(const Fragment& a, const Fragment& b) {
        link(a, b);
        Fragment r;
        r.nullable = a.nullable && b.nullable;
        r.empty = a.empty * b.empty;
        r.first = a.nullable ? a.first | b.first : a.first;
        r.last = b.nullable ? a.last | b.last : b.last;
        r.firstWays = a.firstWays;
        if (a.nullable) append(r.firstWays, scaled(b.firstWays, a.empty));
        r.lastWays = b.lastWays;
        if (b.nullable) append(r.lastWays, scaled(a.lastWays, b.empty));
        r.groups = a.groups + b.groups;
        r.groupsPerLetter = std::max(a.groupsPerLetter, b.groupsPerLetter);
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
            link(y, y);
            // Each round enters the groups again, and only one round matches nothing.
            y.groupsPerLetter += y.groups;
            if (least == 0) {
                // No round at all, or one that matches nothing and ends the repeat.
                y.empty += 1.0;
                y.nullable = true;
            }
            return concat(r, y);
        }
        for (int k = 0; k < least && !failed_; ++k) r = concat(r, copy());
        Fragment tail;
        for (int k = least; k < most && !failed_; ++k) {
            tail = concat(copy(), tail);
            tail.nullable = true;
            tail.empty += 1.0;
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
            f.groups += 1;
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
        f.empty = 0.0;
        f.first.set(p);
        f.last.set(p);
        f.firstWays = {{p, 1.0}};
        f.lastWays = {{p, 1.0}};
        return f;
    }

    // The ASCII units a letter or class accepts caselessly. Letters, digits
    // and classes of them are read here; anything else is asked of PCRE2
    // itself, so the sets are exactly its own.
    AsciiSet asciiSet(QStringView text) {
        const QString key = text.toString();
        auto it = setCache_.constFind(key);
        if (it != setCache_.constEnd()) return *it;
        // A class the plain reader gives up on part way has already set some
        // bits: PCRE2 starts again from an empty set.
        AsciiSet set;
        if (!plainSet(text, set)) {
            set.reset();
            if (!askPcre(text, set)) failed_ = true;
        }
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

std::unique_ptr<TSPatternAutomaton> TSPatternAutomaton::make(const QString& expression, int longest, quint32 matchLimit) {
    Glushkov g(expression);
    if (!g.build()) return nullptr;
    const size_t positions = g.sets_.size();

    // PCRE2 also stops when its stack runs out (the JIT's is 32K), which the
    // groups entered on a long word can do however cheap the match: keep
    // well inside it, at a generous 32 bytes a frame.
    const double frames = (g.whole_.groupsPerLetter + 1) * longest + g.whole_.groups + g.depth_;
    if (32.0 * frames > 16384.0) return nullptr;

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
                if (states.size() >= size_t(kMaxStates)) return nullptr;
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
    const double budget = double(matchLimit) / (2.0 * (fanout + g.depth_ + 2));
    const size_t width = positions;
    if (states.size() * width > 4'000'000) return nullptr;
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
                if ((work += width) > 10'000'000) return nullptr;  // too large to be worth the bound
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
        if (total > budget) return nullptr;
        paths.swap(nextPaths);
        live.swap(nextLive);
    }

    auto automaton = std::make_unique<TSPatternAutomaton>();
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
    return automaton;
}
