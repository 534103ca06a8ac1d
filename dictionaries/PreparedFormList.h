#pragma once
// The word-form source "macrons.txt" made from a prepared dictionary: every
// form of every entry that has a word class, with its tag, lemma and long
// vowels, through the grammar engine (TaggedForms).
//
// Nouns, verbs and adjectives (participles too) with a declension or
// conjugation give all their forms; adverbs, conjunctions, prepositions,
// interjections, indeclinables and one-word numerals enter as their headword.
// Pronouns give the forms of the engine's pronoun table. Entries without a
// word class, cross-references and misspellings, and entries whose forms the
// engine refuses (a noun without gender, a pronoun not in its table, an
// irregular verb without its table) are counted, never guessed; so are the
// shortened perfects and supines that cannot be placed on the stem, which
// give no forms.
//
// The list begins with a comment line (no TAB, so the word-form reader passes
// over it) of the generator's version and the stamp of the dictionary it was
// made from (path, size, time), and ends with comment lines of the summary.
// A list whose stamp or version differs from the current ones is stale and
// made again.
//
// Any thread; the functions keep no state. Failures are logged and answered
// with false or an empty path.

#include "dictionaries/DictionaryEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

namespace PreparedFormList {

struct Summary {
    qint64 entries = 0;     // top-level entries read
    qint64 inflected = 0;   // entries that gave their inflected forms
    qint64 oneForm = 0;     // entries that entered as their headword
    qint64 untyped = 0;     // entries without a word class
    qint64 notWords = 0;    // cross-references and misspellings
    qint64 refused = 0;     // entries whose forms the engine refused
    qint64 partsLeftOut = 0;  // shortened verb parts that could not be placed
    qint64 lines = 0;       // source lines written
    std::map<int, qint64> refusedByType;
    QStringList refusedSamples;  // the first few refused headwords
    // One line per figure, for the log, the tool and the list's header.
    QString text() const;
};

// Appends the source lines of every form of the entries to out.
void appendForms(QByteArray& out, const DictionaryEntryList& words, Summary* summary);
// The same for one entry: false when it gave no line (counted in summary).
bool appendEntryForms(QByteArray& out, const DictionaryEntry& entry, Summary* summary);

// What identifies a dictionary file (absolute path, size, time); empty when
// it does not exist.
QString dictionaryStamp(const QString& path);
// True when the list was made by this generator from the dictionary as it
// is now.
bool isCurrent(const QString& listPath, const QString& dictionaryPath);
// Reads the dictionary and writes the list atomically; false, with the
// reason, when the dictionary cannot be read or the list not written. The
// entries are made and written one at a time, and the memory they took is
// given back to the system afterwards, as the caller may go on to load the
// list in the same process.
bool write(const QString& dictionaryPath, const QString& listPath, Summary* summary, QString* error);
// The list's path once it is current, made first when it is missing or
// stale; empty when there is no dictionary to make it from (or it failed,
// logged). An older list is kept when the new one cannot be made.
QString bringUpToDate(const QString& dictionaryPath, const QString& listPath);

}  // namespace PreparedFormList
