#pragma once
// Approximate word matching: a Metaphone-style phonetic key and an edit
// distance that counts a swap of two neighbouring characters as one edit.
// Together they tell whether one word sounds like another and how far apart
// two spellings are.
//
// Same conventions as StringExtensions.h: the string worked on comes first and
// is never changed, "character" means one UTF-16 code unit, a null string is a
// missing string. All functions are pure and may be called from any thread.

#include <QString>
#include <QtGlobal>

namespace StringExtensions {

// The phonetic key: lower-case letters, digits ("0" stands for the sound of
// "th") and any characters of the string that are not the letters a-z, which
// pass through unchanged. Empty for an empty or missing string, or one made
// only of blanks.
QString metaphone(const QString& s);
// The string lower-cased and then passed through stripDiacritics.
QString latinMetaphone(const QString& s);

// The number of single-character insertions, deletions, substitutions and
// swaps of two neighbouring characters that turn one string into the other,
// after both are trimmed of white space and line ends and lower-cased. A
// missing string counts as empty. Memory grows with the shorter string only.
float levenshteinDistance(const QString& s, const QString& other);

qint64 smallestOf(qint64 a, qint64 b);
qint64 smallestOf(qint64 a, qint64 b, qint64 c);

// True when both phonetic keys are equal; `distance` (when not null) then
// receives 0, and otherwise the edit distance of the two strings themselves.
bool soundsLikeString(const QString& s, const QString& other, float* distance);
// True when both phonetic keys are equal.
bool similarToString(const QString& s, const QString& other);

}  // namespace StringExtensions
