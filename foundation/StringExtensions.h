#pragma once
// Small, exact string tests and clean-ups that the dictionary, text and import
// code use everywhere: prefix, suffix and containment tests, regular-expression
// anchors, white-space and line-end trimming, diacritic stripping, two sort
// comparators, hexadecimal dumps and checksums.
//
// Every function takes the string it works on as its first argument and never
// changes it. Indices and lengths count UTF-16 code units ("character" below
// means one code unit).
//
// Contracts shared by all functions:
// - A null string (QString()) stands for a missing string. Callers pass values
//   that may be absent without checking: on a null receiver every test answers
//   false, every count 0 and every conversion a null result. A null argument
//   makes a test answer false.
// - Plain searches are case-sensitive unless stated, and canonically
//   equivalent sequences match: a precomposed "é" matches "e" followed by
//   U+0301. A match never splits a letter from the combining marks that
//   follow it.
// - All functions are pure and may be called from any thread.

#include "platform/Value.h"

#include <QByteArray>
#include <QChar>
#include <QLocale>
#include <QString>

#include <functional>

namespace StringExtensions {

// The order a comparator answers: the first string sorts before, with, or after
// the second.
enum ComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

// A set of Unicode code points, tested one code point at a time. Copying is
// cheap; a default-constructed set is empty.
class CharacterSet {
public:
    CharacterSet() = default;

    // The code points of the string (surrogate pairs count as one member).
    static CharacterSet fromCharacters(const QString& characters);
    // Any rule over code points.
    static CharacterSet fromPredicate(std::function<bool(char32_t)> test);

    // Blank, tab and the other Unicode space separators; no line ends.
    static CharacterSet whitespace();
    // Line feed, vertical tab, form feed, carriage return, U+0085, U+2028, U+2029.
    static CharacterSet newlines();
    static CharacterSet whitespaceAndNewlines();
    static CharacterSet decimalDigits();
    static CharacterSet letters();
    static CharacterSet uppercaseLetters();
    static CharacterSet lowercaseLetters();
    static CharacterSet punctuation();

    // Every code point that is not in this set.
    CharacterSet inverted() const;
    // A set holding the members of both.
    CharacterSet united(const CharacterSet& other) const;

    bool contains(char32_t c) const { return test_ && test_(c); }

private:
    explicit CharacterSet(std::function<bool(char32_t)> test) : test_(std::move(test)) {}
    std::function<bool(char32_t)> test_;
};

// ---- Tests ----

// True when `prefix` occurs at index 0. An empty prefix gives false.
bool beginsWithString(const QString& s, const QString& prefix);
// Both strings lower-cased without a locale, then as beginsWithString.
bool beginsWithCaseInsensitiveString(const QString& s, const QString& prefix);
// True when `suffix` ends the string. An empty suffix, or one longer than the
// string (counted in canonical form), gives false.
bool endsWithString(const QString& s, const QString& suffix);
// True when the last code unit equals `c`; an empty string gives false.
bool endsWithChar(const QString& s, QChar c);
// True when `text` occurs anywhere. An empty text gives false.
bool containsText(const QString& s, const QString& text);
// As containsText, ignoring case (simple case folding, no other folding).
bool containsCaseInsensitiveText(const QString& s, const QString& text);
// True when any code point of the string is a member of the set.
bool containsCharacters(const QString& s, const CharacterSet& set);

// True when the pattern "^" + `expression` (inserted unescaped, so an
// alternation in it is not anchored) matches somewhere in the string,
// case-insensitively. "^" anchors at the start of the string only. A pattern
// that does not compile gives false without a message.
bool beginsWithExpression(const QString& s, const QString& expression);
// As beginsWithExpression with the pattern `expression` + "$"; "$" matches at
// the end of the string or before one final line end (LF, CR, CR LF, VT, FF,
// U+0085, U+2028 or U+2029).
bool endsWithExpression(const QString& s, const QString& expression);

// False for an empty string; otherwise true when upper-casing the string in the
// default locale leaves it unchanged, so text without letters counts as capitals.
bool isAllCaps(const QString& s);
// True when the first code unit is U+0020.
bool startsWithSpace(const QString& s);

// ---- Clean-ups ----

// Each code unit reduced to ASCII: letters lose their diacritics ("ā" -> "a"),
// a code unit with no one-character ASCII form (a combining mark standing
// apart from its letter among them) becomes "?". When the string holds U+2026 every "..." of the result
// becomes U+2026, so a string of precomposed letters keeps its length and
// ranges in the result are ranges in the string (three full stops standing
// beside an ellipsis are the exception: they are joined into one).
QString stripDiacritics(const QString& s);
// The string from its first character that is not white space (blank, tab,
// Unicode space separators; line ends are not white space). Empty or all-white
// strings come back whole.
QString stripInitialBlanks(const QString& s);
// Without its leading U+0020 characters (tabs stay).
QString stripInitialSpaces(const QString& s);
// Without its trailing U+0020 characters (tabs stay).
QString stripTerminalBlanks(const QString& s);
// Without its trailing CR and LF characters in any mix; a string made only of
// line ends comes back whole.
QString stripTerminalReturns(const QString& s);
// The longest start of the string, in whole characters (a surrogate pair is
// never split), whose UTF-8 takes at most maxBytes bytes: file systems limit
// a name's bytes, not its characters.
QString leftUtf8Bytes(const QString& s, qsizetype maxBytes);
// When the string begins with `target` (as beginsWithString), that one
// occurrence is replaced by `replacement`; otherwise, or when either argument
// is null, the string unchanged.
QString replaceInitialOccurencesOfString(const QString& s, const QString& target, const QString& replacement);
// Every word capitalised: its first letter in title case, the rest in lower
// case, without a locale. A word starts at a letter that follows neither a
// letter nor an apostrophe or mark inside a word, so "o'brien-smith" gives
// "O'brien-Smith".
QString surnameCapitalisedString(const QString& s);
// The text after the last tab, blank, comma or full stop. When that separator
// is the last character the answer is the separator alone; without separators
// the whole string.
QString lastWord(const QString& s);
// The string, a tab and `other` when `other` is not null; otherwise the string.
QString appendStringIfNotNil(const QString& s, const QString& other);

// ---- Comparators ----
// A null receiver answers Same; a null argument counts as the empty string.

// Shorter strings first; equal lengths in code-unit order of their canonical
// forms (canonically equivalent strings compare Same).
ComparisonResult lengthCompare(const QString& s, const QString& other);
// The leading single-precision numbers of both strings (leading white space
// skipped, text that does not start with a number reads as 0) compared.
ComparisonResult numberStringCompare(const QString& s, const QString& other);
// The leading number of a string as numberStringCompare reads it.
float leadingFloatValue(const QString& s);

// ---- Dumps and checksums ----

// One capital hexadecimal digit for 0-15; larger values log
// "bad value at IntToHex" to the console and give "x".
QString intToHex(quint8 value);
// Two hexadecimal digits, high nibble first.
QString hexChar(quint8 value);
// "x" + hexChar(low byte) + " " for each code unit.
QString stringAsHex(const QString& s);
// One line per code unit: the low byte as a Latin-1 character, a tab, "x",
// hexChar(low byte), a carriage return.
QString charAndHexString(const QString& s);
// Each code unit's low byte: 0-31 as a backslash, "x" and two hex digits;
// others as the Latin-1 character.
QString nonPrintingCharsAsHex(const QString& s);
// The least significant byte of each hexadecimal number (optional "0x") in a
// white-space separated list, up to the first token that is not hexadecimal.
// A null receiver gives a null array.
QByteArray hexConvert(const QString& s);
// Sum of the low bytes read as signed 8-bit values, remainder of division by
// 256 with the sign of the sum (-255..255); 0 for an empty string.
qint64 mod256Checksum(const QString& s);
// With every CR and LF removed, the low 8 bits of the sum of the signed low
// bytes of all code units but the last two; 0 when fewer than three remain.
quint64 characterChecksum(const QString& s);

// ---- Diagnostics ----

// One console line per key, in key order: the key, a blank and the value's
// description.
void logDictionary(const ts::ValueDictionary& dictionary);
// True when the user's default language is Chinese in one of the forms
// "zh-Hant", "zh_HK", "zh-Hans", "zh-Hant_TW", "zh_CN". The receiver is
// ignored. The default locale (QLocale()) stands in for the default speech
// voice's locale, which a Linux desktop does not have.
bool isChinese(const QString& ignored = QString());
// The identifier the language check compares, in the speech voices' style
// ("zh_CN", "zh-Hant_TW", "en_US").
QString speechLocaleIdentifier(const QLocale& locale);

}  // namespace StringExtensions
