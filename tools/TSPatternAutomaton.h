#pragma once
// A deterministic automaton that matches a plain pattern of the finder over
// words of ASCII units, one table step per unit (or per two), without
// backtracking. It is made per search from the expression; each unit's
// caseless meaning under every letter or class comes from PCRE2 itself (or
// from plain letter rules where they are the same), so it answers as PCRE2
// does.
#include <QString>

#include <array>
#include <bitset>
#include <memory>
#include <vector>

struct TSPatternAutomaton {
    using AsciiSet = std::bitset<128>;

    // The automaton of `expression` (matched whole and caselessly) for words
    // of ASCII units and at most `longest` of them; null when the expression
    // holds anything not read here (escapes, anchors, assertions, possessive
    // or atomic groups, back references, verbs), is too large, or could cost
    // the backtracking matcher more than a fraction of `matchLimit` (or of its
    // stack) on such a word, so that its answers are always PCRE2's own.
    static std::unique_ptr<TSPatternAutomaton> make(const QString& expression, int longest, quint32 matchLimit);

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
