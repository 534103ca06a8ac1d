#pragma once
// The stems of one verb, read once from its principal parts. The finite and
// non-finite forms are all a stem joined with an ending, so a whole
// conjugation table needs the principal parts parsed only once.

#include <QString>

struct IrregularVerbTable;

struct VerbStems {
    qint64 code = 0;       // the word's conj
    qint64 verbType = 0;   // ordinary, deponent, semi-deponent
    QString presentStem;   // tense 1
    QString otherStem;     // tenses 2 and 3 (pos- / pot- for possum)
    QString perfectStem;   // perfect active system
    QString participleStem;  // supine (or perfect participle) less its ending
    QString supine;        // the whole supine
    QString infinitive;    // present active infinitive
    QString imperfectSubjunctiveStem;
    const IrregularVerbTable* irregular = nullptr;  // codes 7-15 with a table
};
