#pragma once
// The word-pattern language of the manuscript word finder.
//
// A pattern is a row of tokens: certain letters, letter classes chosen by the
// shape of the strokes ("Vowel", "Ascender", "uuuu" ...), the scribe's
// abbreviation signs, and subset groups such as "(a|b|c)". The three tables
// give the meaning of the tokens: `keys` maps a token to a regular-expression
// fragment, `substitutions` rewrites the comma-joined pattern before it is
// split (a replacement holding "*" turns the whole pattern into an answer
// list), and `quickMatch` maps a whole pattern to a ready answer list. In the
// fragments "~" stands for the backslash, so the tables stay readable as
// property lists.
//
// Everything here is a pure function of its arguments; any thread.
#include "platform/Value.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

struct TSPatternTables {
    QHash<QString, QString> keys;
    QHash<QString, QString> substitutions;
    QHash<QString, QString> quickMatch;

    // From property-list dictionaries; values that are not strings are skipped.
    static TSPatternTables fromDictionaries(const ts::ValueDictionary& keys, const ts::ValueDictionary& substitutions,
                                            const ts::ValueDictionary& quickMatch);
    // The shared settings' tables (read from the bundle on first use).
    static TSPatternTables fromPreferences();
};

class TSPatternLanguage {
public:
    // The buttons that put a token into the pattern.
    enum class Button {
        Single, Syllable, Vowel, Base, Ascender, Descender, Minims,  // letter classes
        Quo, Ezh, Super9, Inline9, Rum, Diaeresis, Tilde, Etiam, Tiro7, Er, CrossStroke, Pre, Per, Divided, Der, Her,
    };
    static QList<Button> allButtons();
    // The token a button inserts, with or without the Option (Alt) key.
    static QString tokenForButton(Button button, bool option);
    static bool isClassButton(Button button) { return button <= Button::Minims; }

    // The 30 tokens that carry a token menu, in ascending code-unit order.
    static const QStringList& menuTokens();
    // The five sign tokens that menus show as pictures.
    static const QSet<QString>& imageSet();

    // The compiled expression of the comma-joined pattern, or, with *isList
    // set, an answer list whose entries are joined by "|". "~" is left for
    // the search to turn into "\".
    static QString knownLettersString(const QString& fieldString, const TSPatternTables& tables, bool* isList);
    // The quick-match key of a pattern and its answer list (null when none).
    static QString quickMatchKey(const QString& fieldString);
    static QString quickMatch(const QString& fieldString, const TSPatternTables& tables);
    // "a b c" → "(a|b|c)", with option "(a|b|c+)"; empty text gives "()".
    static QString subsetGroup(const QString& text, bool option);

    // Replaces `length` tokens at `location` by `token` (appended when the
    // location is past the end). A location at or past the end removes
    // nothing, logged, as the field's own editor would report it.
    static void replaceTokens(QStringList& tokens, qsizetype location, qsizetype length, const QString& token);

    // What a typed sign becomes in the field: commas cut it into a token of
    // its own ("^" only ends the token before it). Null when the typed text
    // is not one of the six signs.
    static QString typedReplacement(const QString& typed);
};
