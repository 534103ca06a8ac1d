#pragma once
// Vowel-length notations and the conversions between them.
//
// Stored ending tables and principal parts write a long vowel as "^" before
// it ("am^are"); text shows long vowels with a macron, short ones with a breve
// and vowels long by position with an acute accent, always as one precomposed
// code point per vowel. All functions work on UTF-16 code units, keep no state,
// never fail (an empty string gives an empty string) and may run on any thread.

#include <QString>

// "^a", "^e", "^i", "^o", "^u" become the vowel with a macron, in the case
// the vowel was written in ("^A" is Ā). A caret before anything else stays.
QString macronizeCaretVowels(const QString& text);

// The same conversion, keeping a null string null (the verb non-finite
// forms pass nil through it).
QString caretVowelsToMacrons(const QString& text);

// The comparison form of Latin text: diacritics removed (letter case kept),
// "|" and U+2016 removed, œ Œ æ Æ written as two letters.
QString foldLatinString(const QString& text);

// Every plain vowel of the text marked short (breve), long (macron) or long by
// position (acute). y and Y take the look-alike Cyrillic letters U+045E/U+040E
// (short) and U+04EF/U+04EE (long); the acute marking leaves them alone.
QString markVowelsShort(const QString& text);
QString markVowelsLong(const QString& text);
QString markVowelsLongByPosition(const QString& text);
