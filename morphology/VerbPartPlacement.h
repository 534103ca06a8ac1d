#pragma once
// Where a verb's perfect or supine stands against its first principal part,
// as dictionaries write them: given whole (crēvī of crēscō, trīvī of terō),
// restating the simple verb inside a compound (re-currī, red-didī), or
// shortened to the letters that change (flecto, xi, xum; jungo, nxi, nctum).
// The converters use it to write whole parts whole on an entry's headword
// line; the grammar engine uses it to build the forms of a part still
// written with its hyphen. Both follow this one rule, so a line reads the
// same to either.
//
// Pure functions of their arguments; any thread.

#include <QString>

namespace verbparts {

// A part the source gives whole, as it stands on the headword line: the part
// itself when it opens like the headword (crēvī of crēscō, trīvī of terō) or
// carries a prefix of its own (sustulī, sublātum of tollō), the headword's
// prefix and the part when it restates the simple verb inside a compound
// (dē-fēnsus, cōn-suēvī, re-stitī) or the root of an inchoative (ta-buī of
// tabēscō). `prefixEnd`, when positive, is where the source marked the end of
// the headword's prefix with a hyphen (red-do, rĕ-curro): a part that
// restates the simple verb after it stands there (reddidī, recurrī). Null for
// a shortened part or a true ending ("āvī", "ātus", an infinitive). With
// borrowLengths, for a source that leaves lengths unmarked, a part that marks
// none takes those of the headword's letters it repeats.
QString wholePart(const QString& headword, const QString& part, bool borrowLengths = false, qsizetype prefixEnd = -1);

// The whole perfect or supine that a part written with a leading hyphen on a
// headword line stands for: a whole part, a part restating the end of the
// headword (rĕlinquo -līqui), or a shortened part that replaces the end of
// the present stem where the two meet (flect- -xi: flexi; jung- -nxi: junxi;
// nūb- -psi: nūpsi; merg- -si: mersi; torqu- -si: torsi), or a true ending
// on it (-āvi, -ītum, -ui). `present` is the present stem (the first part
// less its ending), `code` the conjugation. Null when the part cannot be
// placed with confidence: the caller leaves it out rather than build a wrong
// form.
QString placePart(const QString& headword, const QString& present, const QString& part, qint64 code);

}  // namespace verbparts
