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
    // prōsum keeps the d of its older prefix prōd- before a vowel: prōdes,
    // prōderam, prōdesse, but prōsum, prōsim, prōfuī.
    bool dBeforeVowel = false;
    // dō and its first-conjugation compounds (circumdō, venumdō) keep the a
    // short where other first-conjugation verbs lengthen it: damus, dabam,
    // dare; only dās and dā have it long.
    bool shortStemVowel = false;
    // faciō and its compounds in -faciō take fīō's forms for the present
    // system of the passive (fīō, calefīō), on this prefix ("", "cale").
    bool passiveFromFio = false;
    QString fioPrefix;
    // dīc, dūc, fac: the singular imperative without its -e.
    bool shortImperative = false;
    // A verb that lacks forms: one with only its perfect system (ōdī,
    // meminī, coepī), whose first part is a perfect; an impersonal (licet,
    // ningit, taedet, rēfert), whose first part is the third person
    // singular and which has no other person.
    // inquam, with the handful of forms authors use (inquit, inquiunt).
    enum class Defect { None, PerfectOnly, Impersonal, Inquam };
    Defect defect = Defect::None;
    // meminī's imperative, mementō / mementōte, the only one such a verb has.
    bool mementoImperative = false;
};

// A perfect-system form of the active: the perfect stem joined with the
// ending, eō's -ii- contracted before s (īstī, redīsse).
QString joinPerfectStem(const VerbStems& stems, const QString& ending);

// The stem as it stands before the ending: with prōsum's d when the ending
// (a "-" suffix or a whole irregular form) begins with a vowel.
QString stemBeforeEnding(const VerbStems& stems, const QString& stem, const QString& ending);

// A present-system ending as the verb uses it: dō's endings lose the length
// mark of their first vowel ("-āmus" becomes "-amus"; "-ābās" keeps its
// second ā). Works on "-" endings in macron or caret notation.
QString endingForStem(const VerbStems& stems, const QString& ending);
