#pragma once
// Small text helpers that the declension, comparison and conjugation code
// shares: cutting text into words, joining stems and endings, and the syllable
// and consonant tests that choose a table variant.
//
// All functions are pure and may be called from any thread. A null QString
// stands for a missing value ("nil") and is kept apart from the empty string.

#include <QString>
#include <QStringList>

// Letters in the platform's sense (Unicode letters and marks) plus "-" and
// "/": the characters a word is made of. Its complement separates words.
class LatinCharacterSet {
public:
    bool contains(char32_t c) const { return isWordLetter(c) != inverted_; }
    bool inverted() const { return inverted_; }

    static bool isWordLetter(char32_t c);
    // The two shared sets; made once, immutable.
    static const LatinCharacterSet& wordLetters();
    static const LatinCharacterSet& separators();

private:
    explicit constexpr LatinCharacterSet(bool inverted) : inverted_(inverted) {}
    bool inverted_;
};

namespace LatinText {

// The runs of word letters in the text, at most maxWords of them (all when
// negative).
QStringList words(const QString& text, qsizetype maxWords = -1);
// The first run of word letters, or a null string when there is none.
QString firstWord(const QString& text);
// Split at every white-space or line-end character, keeping empty parts.
QStringList splitAtWhitespace(const QString& text);
// The non-null empty string.
inline QString empty() { return QStringLiteral(""); }
// The string without its last n code units; null when it is shorter than n
// (or null itself).
QString dropLast(const QString& s, qsizetype n);
// Each code unit reduced to its base letter; units without a one-letter base
// become "?". Keeps the length, so positions carry over to the original.
QString plainLetterCopy(const QString& s);
// The text without each hyphen that stands between two letters (a letter's
// combining marks go with it). Dictionaries write one where they split a
// compound (expergē-făcĭo, quantus-cumque); it is no letter of any form. A
// hyphen that opens a shortened part ("-ere") or stands for a part left out
// ("-") is kept, as the grammar engine reads those.
QString withoutWordHyphens(const QString& text);

}  // namespace LatinText

// The form made of a stem and an ending: null when either is null; an ending
// that begins with "-" is appended to the stem without its hyphen; any other
// ending is the whole form.
QString joinStemAndEnding(const QString& stem, const QString& ending);
// A principal part abbreviated as a suffix ("-cris", "-entis", "-e") written
// out on the full word it continues: a suffix beginning with a consonant
// takes over from the last place that consonant stands in the word (ācer
// -cris: ācris), one beginning with a vowel from the word's last vowel
// (ingens -entis: ingentis, vetus -eris: veteris, fortis -e: forte). When the
// word has no such letter the suffix replaces its last two letters. nil when
// the word is shorter than two letters or either is nil.
QString expandAbbreviation(const QString& word, const QString& suffix);
// A noun's genitive given as a suffix ("-ae", "-ī", "-grī", "-tris", "-is",
// "-ctis", or the whole genitive after a hyphen, "-rēgis") written out on the
// nominative of the given declension: via -ae viae, puer -ī puerī, ager -grī
// agrī, pater -tris patris, urbs -is urbis, nox -ctis noctis, rēx -gis rēgis,
// fīlius -iī fīliī. A suffix that begins with the nominative's first two
// letters and is at least as long is the whole genitive. nil when either is
// nil or empty, or the nominative is shorter than two letters.
QString expandGenitive(const QString& nominative, const QString& suffix, qint64 declension);
// True when the string is not null and begins with "-".
bool beginsWithHyphen(const QString& s);
// The number of vowel groups: diphthongs ae, ei, ui, au, oe, eu first, then
// single vowels, over the lower-cased, folded word.
int countSyllables(const QString& word);
// True when the last two characters are both consonants (b-d, f-h, j-n, p-t,
// v-z, either case). A string shorter than two gives false.
bool endsInTwoConsonants(const QString& s);
