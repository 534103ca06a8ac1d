#pragma once
// Reading the analyser's plain-text answers into DictionaryEntry trees.
//
// Two entry points, one per direction: parseEnglishVocab reads the answer to
// a Latin query (one root node per analysed form, holding the word entries
// that form belongs to, each with its inflection summary and meanings);
// parseLatinVocab reads the answer to an English query (word entries with
// their meanings). The building blocks are public so that each line rule can
// be tested on its own; DictionaryController inherits them all.
//
// A Latin answer is a run of analyses: blocks of form lines (with examples
// under them), the dictionary lines they belong to, and meaning lines. A
// summary gathers only the form lines of its own dictionary line (see
// formLinesOf); the meanings of a tackon, prefix or suffix go to the word it
// is attached to (a packon itself, otherwise the analysed form's root node);
// forms followed by meanings with no dictionary line (some pronouns) get an
// entry of their own, so that every analysis and meaning line of the answer
// appears once.
//
// The answer is taken as lines cut at "\n" with empty lines dropped; a "word"
// is a run of characters between white space, counted from 1. Nothing here
// keeps state or throws: lines of an unknown shape are passed over, words not
// in a table take the table's fallback code, and the few impossible values
// are logged. Safe on any thread.

#include "dictionaries/DictionaryEntry.h"

#include <QString>
#include <QStringList>

class DictionaryControllerParser {
public:
    // ---- Entry points ----
    // showCases adds the inflection summary ("word data") under each entry.
    static DictionaryEntryList parseEnglishVocab(const QString& answer, bool showCases = true);
    static DictionaryEntryList parseLatinVocab(const QString& answer, bool showCases = true);

    // ---- Lines and words ----
    static QStringList separateTranslationString(const QString& text);
    static bool isAMeaningString(const QString& line);
    // A line the analyser writes to illustrate the form line just above it
    // (shown when its examples option is on): it holds "~" for the word and
    // no meanings, though it may hold ";".
    static bool isAnExampleLine(const QStringList& lines, int index);
    static int findMeaningLine(const QStringList& lines, int index);
    static bool hasBracket(const QString& line);
    static bool mainLine(const QString& line);
    static bool isANewLine(const QString& line);
    static bool isInflection(const QString& line, bool* newWordFound);
    // Null when the line has fewer than n words, or n is below 1.
    static QString getNthWord(int n, const QString& line);
    // Word 1 after every "." of the line has been deleted (DictionaryEntry's).
    static QString getFirstWordInLine(const QString& line);
    static int countWordsInLine(const QString& line);
    // Forms list (true) or rest list (false) of a dictionary text.
    static QStringList separateLatinString(const QString& text, bool getWordForms);

    // ---- Structure of an answer ----
    // What a line is to the answer's structure: a form line (an analysed
    // form: word 2 is its word class), an example under one, a dictionary
    // line (or a numeral, unknown-word or nameless-noun line), a meaning
    // line, a tackon, prefix or suffix line (whose meanings follow it), a
    // new-word line, or anything else (notices).
    enum class LineKind { Other, Form, Example, Dictionary, Meaning, Fix, NewWord };
    static LineKind lineKind(const QStringList& lines, int index);
    // The form lines (indexes, top to bottom) that belong to the dictionary
    // line at index: the block of forms directly above it (or, when a
    // dictionary or meaning line stands directly above, the block above
    // those, which it shares with the dictionary lines in between), and a
    // block directly below it that ends at a meaning line, a new-word line or
    // the end (a supine, a packon's case). For an index that is no dictionary
    // line, the block directly above.
    static QList<int> formLinesOf(const QStringList& lines, int index);
    // The meaning line at index follows forms that no dictionary line
    // follows: an analysis the analyser wrote without one (some pronouns).
    static bool startsAnalysisWithoutDictionaryLine(const QStringList& lines, int index);
    // The meaning line at index is that of a tackon, prefix or suffix.
    static bool isFixMeaning(const QStringList& lines, int index);
    // The index of that tackon, prefix or suffix line; -1 when the line at
    // index is no such meaning.
    static int fixLineOf(const QStringList& lines, int index);
    // The word entry of such an analysis: its analysed form, of the form's
    // word class, with its summary; null when the form has no word class.
    static DictionaryEntryPtr entryWithoutDictionaryLine(const QStringList& lines, int index, bool showCases = true);

    // ---- Text clean-ups ----
    static QString stripCommas(const QString& text, bool* commaFound);
    static QString stripDots(const QString& text);
    static QString stripColons(const QString& text);
    static QString stripReturns(const QString& text);
    static QString fixSlashProblem(const QString& text);
    static QString stripLeadingWhiteSpace(const QString& text);

    // ---- Code tables ----
    static bool isThisAWordType(const QString& word, int* type);
    static int calculateWordType(const QStringList& words);
    static int genderFromString(const QString& word);
    static int calculateGender(const QStringList& rest);
    static int getCaseFromString(const QString& word);
    static int calculateCase(const QStringList& rest);
    static bool isThisANumber(const QString& word, int* number);
    static int ordinalValue(const QString& word);
    static int moodFromString(const QString& word);
    static int voiceFromString(const QString& word);
    static int checkEnglishToLatinDeclension(const QStringList& rest, const QString& vocab);
    static int checkEnglishToLatinConjugation(const QStringList& rest, const QString& vocab, int* transitivity);
    static bool checkIrregConjugation(const QString& vocab, int* conjugation);
    static int calculateFrequency(const QStringList& rest);
    static int getAge(const QStringList& rest);
    static bool isThisAPersonForm(const QString& word, int* number);

    // ---- Inflection summaries ----
    static QString makeVerbData(int person, int number, int mood, int voice, const QString& tense);
    static QString parseVerbForm(const QString& line, int voice);
    static QString parseVerbParticiple(const QString& line, int voice);
    static QString addNounCase(int caseCode, bool plural, const QString& summary);
    static QString addPronounCase(int caseCode, int gender, bool plural, const QString& summary);
    static QString addAdjectiveCase(int caseCode, int gender, bool plural, const QString& summary);
    static DictionaryEntryPtr getNounData(const QStringList& lines, int index);
    static DictionaryEntryPtr getPronounData(const QStringList& lines, int index);
    static DictionaryEntryPtr getAdjectiveData(const QStringList& lines, int index);
    static DictionaryEntryPtr getVerbData(const QStringList& lines, int index);

    // ---- Entries ----
    static QString getPronounName(const QString& vocab, const QStringList& lines, int index);
    static QString extractTackon(const QStringList& lines, int index);
    // The pronoun a packon's tackon joins (qui for quidam) for the packon
    // dictionary line at index; null when the answer shows none.
    static QString getPackonBase(const QStringList& lines, int index);
    static DictionaryEntryPtr parseLatinVocabString(const QString& vocab, const QStringList& lines, int index,
                                                    bool showCases = true);
    static DictionaryEntryPtr lookForWordForm(const QString& line, const QStringList& lines, int index,
                                              int* status, bool showCases = true);
    static QString lookForRootWord(const QStringList& lines, int index);
    static DictionaryEntryPtr getWordModifications(const QStringList& lines, int index);
    static void addMeanings(const QString& line, const DictionaryEntryList& entries);
    static void addEntry(const DictionaryEntryPtr& entry, DictionaryEntryList& list);
    static DictionaryEntryList removeDuplicates(const DictionaryEntryList& list);
    // Joins consecutive analyses of one word under a root whose meanings
    // repeat those of the analysis before (or hold all of them).
    static void joinRepeatedAnalyses(const DictionaryEntryPtr& root);
};
