#pragma once
// Rules both dictionary converters apply in the same way: the noun ending
// tables and their declension, the bracket tail of a headword, redirects,
// the principal parts of a third-conjugation verb written on the headword's
// stem, and the conjugation of a verb from its headword. They work on a
// converter's current entry, so either converter can call them without
// deriving from the other.

#include "dictsource/DictionaryXMLParser.h"

#include <QSet>
#include <QString>

namespace latinsource {

inline constexpr QChar kEmDash = QChar(0x2014);

const QSet<QString>& firstDeclensionEndings();
const QSet<QString>& secondDeclensionEndings();
const QSet<QString>& thirdDeclensionEndings();
const QSet<QString>& fourthDeclensionEndings();
const QSet<QString>& fifthDeclensionEndings();
const QSet<QString>& thirdDeclensionAdjectiveEndings();
// 1 to 5 for a member of the sets above, else by the ending's close; 0
// when nothing fits.
int declensionForPotentialNounEnding(const QString& ending);

// Conjugation of a verb whose infinitive ends in "ere": 5 when the headword
// has at least three characters and "i" (ĭ, ī) before its last one, else 3.
int conjugationForEreVerb(const QString& headword);
// Conjugation of a verb in "īre": 7 (eo and its compounds) when the headword
// has "e" before its last character, else 4 (also for a headword shorter
// than two characters).
int conjugationForIreVerb(const QString& headword);

// Moves the headword's tail after its first "(" (or, without one, its
// first ",") into a note; the head, without blanks, stays the headword.
void removeBrackets(DictionaryXMLParser& parser);
// A redirect child (type 22) with the text; the entry becomes a redirect.
DictionaryEntryPtr addRedirect(DictionaryXMLParser& parser, const QString& text);
// Appends infinitive, perfect and supine to the headword line, the perfect
// and supine in full on the headword's stem when the perfect's first letter
// is found in it.
void makeThirdConjEndings(DictionaryXMLParser& parser, const QString& infinitive, const QString& perfect,
                          const QString& supine);
// A principal part the source gives whole, as it stands on the headword
// line (crēvī of crēscō, dē-fēnsus of dēfendō); null for a shortened part
// or a true ending. The grammar engine's rule, verbparts::wholePart, so that
// the line and the forms made from it agree.
QString wholePrincipalPart(const QString& headword, const QString& part, bool borrowLengths = false);
// Finishes a verb entry's headword line: every part that wholePrincipalPart
// finds whole is written without its hyphen, so that no stem is glued in
// front of it, and a part already whole that restates a compound's simple
// verb takes its prefix (expergiscor, perrectus: experrectus); a
// third-conjugation headword in -iō or -ior, whatever length mark its i
// carries (făcĭo, pătĭor), is of the mixed conjugation. `prefixEnd` is
// where the source's hyphen marked the headword's prefix (red-do), when it
// did; a part restating the simple verb stands after it.
void finishVerbLine(const DictionaryEntryPtr& entry, bool borrowLengths = false, qsizetype prefixEnd = -1);

// Whether an inflection text names a verb by the infinitive ending of its
// last comma piece ("ere", "āre", "ēre", "īre"); a verb's type and
// conjugation are then set on the current entry. `incomplete` (a verb
// whose principal parts are still being read) answers yes at once. A last
// piece that is no infinitive is logged unless it ends in "um".
bool isVerb(DictionaryXMLParser& parser, const QString& text, bool incomplete);
// Part-of-speech phrases that say nothing about the entry's own class.
const QSet<QString>& ignorePosSet();

// Every occurrence of target in text replaced.
void deleteFromString(QString& text, const QString& target, const QString& replacement);

}  // namespace latinsource
