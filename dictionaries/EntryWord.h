#pragma once
// The one way from a dictionary entry to the vocabulary word its forms are
// built from. The paradigm windows, the word-form list (and through it
// Mark Vowel Lengths, the word search and the metre search) and an entry's
// own forms all ask here, so a word the entry gives wrongly or not at all
// is wrong or missing everywhere alike, and mended everywhere at once.
//
// A participle becomes the adjective it declines as; a noun, adjective or
// verb without the declension or conjugation its forms need, and a word
// class that does not inflect, give no word. Pure function of the entry;
// any thread.

#include "dictionaries/DictionaryEntry.h"
#include "morphology/Word.h"

#include <QString>

namespace EntryWord {

enum class Outcome {
    Inflected,  // `word` gives the forms
    OneForm,    // the word does not inflect: it enters as `headword`
    NotAWord,   // a cross-reference or misspelling
    Untyped,    // the entry has no word class
    Refused,    // an inflecting word whose forms cannot be built with confidence
};

struct Result {
    Outcome outcome = Outcome::Refused;
    WordPtr word;          // for Inflected: a Word, Adjective or Verb
    QString parts;         // the entry's principal parts on one line, hyphens inside words removed
    QString headword;      // the first word of the parts
    // For a pronoun or a numeral the entry gives undeclined: the engine's
    // table it takes its forms from (tū, hīc, quis; ūnus, mīlle).
    QString tableLemma;
    char partOfSpeech = 0; // the tag letter of the word class ('n', 'v', 'a', ...)
};

// The entry's principal parts on one line: white space as single blanks,
// a part cut by a line break after its hyphen joined again, and no hyphen
// left inside a word.
QString principalParts(const QString& text);

Result fromEntry(const DictionaryEntry& entry);

}  // namespace EntryWord
