#pragma once
// Word forms from the analyser's dictionary page: one entry per line, the
// principal parts, a part-of-speech marker ("N", "V", "ADJ", "ADV", ...) and
// its codes, e.g. "#rosa, rosae  N (1st) F  :: rose;". Nouns are declined,
// verbs and adjectives expanded by the inflection engine, invariable words
// taken as they stand. Headwords whose class or gender cannot be read are
// collected in wordLookups for a look-up in the analyser's dictionary.
//
// One analysis object per run; not shared between threads.
#include <QSet>
#include <QString>
#include <QStringList>

class Word;

class TSDictPageAnalysis {
public:
    // The bundle's dictionary page ("DICTPAGE.RAW", shipped zipped), as
    // ASCII text; empty when it cannot be read (logged).
    static QString bundledPage();

    // Lowercases, folds v/j to u/i and reads every line.
    void analyseText(const QString& page);
    void analyseLine(const QString& foldedLine);

    // One entry each, from its parts and all the line's tokens.
    void addNounForms(const QStringList& parts, QSet<QString>& target, const QStringList& tokens);
    static void addNounForms(const Word& noun, QSet<QString>& target);
    void addVerbForms(const QStringList& parts, const QStringList& tokens);
    void addAdjectiveForms(const QStringList& parts, const QStringList& tokens);
    void addPronouns(const QStringList& parts);
    void addNumbers(const QStringList& parts);

    QSet<QString> allForms;
    QSet<QString> wordLookups;
    qint64 entries = 0;  // lines with a part-of-speech marker

private:
    template <class W, class Expand>
    void addInflectedForms(const QStringList& parts, const QStringList& tokens, const QString& marker, qint64 wordType,
                           Expand expand);
};
