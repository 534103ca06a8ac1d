#pragma once
// Runs a compiled word pattern over word lists.
//
// A pattern is matched against whole words (anchored, case-insensitive) by
// PCRE2 on the words' own UTF-16 text. Each word's match has a bounded cost:
// a pattern that backtracks catastrophically stops the search with a message
// instead of hanging the finder.
//
// Searching a list, words of ASCII letters go through a deterministic
// automaton made from the expression when the expression is plain enough
// (letters, classes, groups, alternation, counted repeats) and provably cheap
// for the backtracking matcher at the list's word lengths; it answers as
// PCRE2 would, in one step per letter. Every other word and expression goes
// to PCRE2.
//
// The grouped search lists the chosen list, then the Latin Library list, the
// residual list and the abbreviation list, each under its header; a word
// already listed in an earlier group is left out of the later ones (found
// through a hash set, so the cost stays linear).
#include <QList>
#include <QSet>
#include "TSWordLists.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

struct TSPatternAutomaton;

struct TSSearchRow {
    QString text;
    bool header = false;
    bool operator==(const TSSearchRow& o) const { return text == o.text && header == o.header; }
};

class TSPatternMatcher {
public:
    // Compiles "^(?:pattern)$" caselessly; error() is set when it fails.
    explicit TSPatternMatcher(const QString& pattern, quint32 matchLimit = kDefaultMatchLimit);
    ~TSPatternMatcher();
    TSPatternMatcher(const TSPatternMatcher&) = delete;
    TSPatternMatcher& operator=(const TSPatternMatcher&) = delete;

    bool isValid() const { return code_ != nullptr; }
    QString error() const { return error_; }
    // Whether the word matches; a match that exceeds the cost bound answers
    // false and sets limitHit().
    bool matches(QStringView word);
    bool limitHit() const { return limitHit_; }

    // Whether the last search went through the automaton.
    bool automatonInUse() const { return automaton_ != nullptr; }

    enum class Scan { Finished, Cancelled, LimitHit };
    // Appends the words of min..max UTF-16 units that match, in list order;
    // a hit cost bound stops at the word named in *stoppedAt.
    Scan addMatches(QStringList& target, const TSWordList& words, int minLength, int maxLength,
                    const std::atomic<bool>* cancel, QString* stoppedAt);

    static constexpr quint32 kDefaultMatchLimit = 200000;

private:
    bool passesPrefilters(const char16_t* w, qsizetype n) const;
    bool matchesWithPcre(QStringView word);

    Scan scanCompact(std::vector<quint64>& found, const TSWordList& words, int minLength, int maxLength,
                     const std::atomic<bool>* cancel, QString* stoppedAt);

    std::unique_ptr<TSPatternAutomaton> automaton_;
    quint32 matchLimit_ = kDefaultMatchLimit;
    QString pattern_;
    void* code_ = nullptr;
    void* matchData_ = nullptr;
    void* context_ = nullptr;
    QString error_;
    bool limitHit_ = false;
    int minLength_ = 0;
    int maxLength_ = -1;
    char16_t firstUnit_[2] = {0, 0};  // both cases of a required first letter
    char16_t lastUnit_[2] = {0, 0};   // both cases of a letter every match holds
    QString prefix_, suffix_;         // literal letters every match starts / ends with (lowercase)
    bool jit_ = false;
    bool jitTried_ = false;           // compiled for the JIT on the first word that needs PCRE2
    bool useBitmap_ = false;          // firstBitmap_ lists the possible first units below 256
    quint8 firstBitmap_[32] = {};
};

// The literal ASCII letters every match of an expression must start and end
// with, read from the expression's text; empty when it cannot tell (an
// alternation at the top level, escapes, quantified letters).
QString literalPrefix(const QString& expression);
QString literalSuffix(const QString& expression);
// The most UTF-16 units a match can span; -1 when unbounded or unknown.
int maximumMatchLength(const QString& expression);

class TSPatternSearch {
public:
    // Appends the words of `words` of min..max UTF-16 units that the pattern
    // matches. An empty pattern adds nothing and answers false, as does an
    // invalid one (logged; *error gets the message) and one whose cost runs
    // over the bound (*error says so; the words found so far stay). A set
    // `cancel` stops the pass early.
    static bool addWordsToArray(QStringList& target, int minLength, int maxLength, const TSWordList& words,
                                const QString& pattern, QString* error = nullptr,
                                const std::atomic<bool>* cancel = nullptr);
    static bool addWordsToArray(QStringList& target, int minLength, int maxLength, const QStringList& words,
                                const QString& pattern, QString* error = nullptr,
                                const std::atomic<bool>* cancel = nullptr);

    // "~" → "\" as the tables write the backslash.
    static QString expressionForPattern(const QString& compiled);

    // A word list and the header it is listed under ("" for none).
    struct Group {
        QString header;
        std::function<TSWordList()> words;  // read when the group's turn comes
    };
    // Runs the groups in order, each word listed only in the first group that
    // finds it, and hands the rows so far to `publish` after each group. An
    // invalid pattern lists no words; one too costly for a word keeps what
    // its group found before that word, goes on with the next group, and
    // sets *error. Answers false when cancelled.
    static bool runGroups(const QString& pattern, int minLength, int maxLength, const QList<Group>& groups,
                          const std::function<void(const QList<TSSearchRow>&)>& publish, QString* error = nullptr,
                          const std::atomic<bool>* cancel = nullptr);

    // An answer list "a|b| |c" as rows, entries equal to " " dropped.
    static QList<TSSearchRow> rowsFromAnswerList(const QString& list);
};
