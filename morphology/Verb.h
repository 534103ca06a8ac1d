#pragma once
// A vocabulary verb and the conjugation tables of all verbs.
//
// Conjugation codes (the word's conj): 1-4 the regular conjugations, 5 the
// mixed conjugation (capiō), 7-15 the irregular verbs eo, sum, fero, edo, fio,
// volo, nolo, malo, possum, whose tables are property lists in the resources
// folder "VerbEndings" (see MorphologyResources), one file per verb named
// after it. Compounds take the code of their simple verb and keep their prefix
// as the stem (redeō with code 7).
//
// An ending list has six cells (1st-3rd person singular, then plural). A cell
// beginning with "-" is joined to a stem; any other cell is a whole form or,
// in the perfect passive, the auxiliary that follows the participle.
//
// Irregular table files: a dictionary with
//   "indicative" / "subjunctive" → "active" / "passive" → "present", "future",
//   "imperfect", "perfect", "futurePerfect", "pluperfect" → a six-cell list
//   (a comma-separated string, or an array of six strings), used as written;
// and the non-finite endings "imperativeSingular", "imperativePlural",
// "passImperativeSingular", "passImperativePlural", "presentParticiple",
// "pastParticiple", "futureParticiple", "gerund", "gerundive",
// "passiveInfinitive", "futurePassiveInfinitive", "pastActiveInfinitive",
// "pastPassiveInfinitive". A non-finite ending is appended to the present
// stem; one that begins with "-" is instead joined to the stem the regular
// form is built on (the perfect stem for "pastActiveInfinitive", the
// participle stem for the past and future participles and the perfect and
// future passive infinitives, the stem of the imperfect for the present
// participle, which is pot- for possum, the present stem otherwise), which
// lets compounds whose perfect or participle changes the prefix (af-ferō,
// at-tulī, al-lātum) come out right.
//
// faciō and its compounds in -faciō (code 5) take the present system of their
// passive from the table of fīō (fīō, calefīō); eō and its compounds contract
// the -ii- of the perfect before s (īstī, redīsse).
//
// All tables are built once per process, thread-safely, and never change.

#include "morphology/Word.h"

#include "platform/Value.h"

#include <QHash>

// One irregular verb's table, parsed from its property list.
struct IrregularVerbTable {
    QString name;
    // [indicative][active][tense]; an empty list means none.
    QStringList lists[2][2][7];
    QHash<QString, QString> endings;
};

class Verb : public Word {
    TS_OBJECT(Verb, Word)

public:
    // A word of type 2.
    Verb();

    ts::ObjectPtr copy() const override;

    // Ordinary verbs have passive forms, and perfect passive forms when they
    // have a supine; deponents have neither; semi-deponents only the first.
    void hasPassive(bool* hasPassive, bool* hasPerfectPassive) const;

    // ---- Tables ----
    // The irregular tables as read: file name without extension → dictionary.
    static const ts::ValueDictionary& verbEndings();
    // Reads every "*.plist" dictionary of the VerbEndings folder into `into`.
    static void loadVerbEndings(ts::ValueDictionary& into);
    // The dictionary of an irregular code (7-15); null for every other code.
    static ts::Value endingsForConjugation(qint64 code);
    // The parsed table of an irregular code, or nullptr.
    static const IrregularVerbTable* irregularTable(qint64 code);

    // Six-cell lists with macron vowels; empty when there is none.
    static QStringList get1stConjugationString(bool indicative, bool active, qint64 tense);
    static QStringList get2ndConjugationString(bool indicative, bool active, qint64 tense);
    static QStringList get3rdConjugationString(bool indicative, bool active, qint64 tense);
    static QStringList get4thConjugationString(bool indicative, bool active, qint64 tense);
    static QStringList getMixedConjugationString(bool indicative, bool active, qint64 tense);
    static QStringList getOtherEndings(qint64 code, bool indicative, bool active, qint64 tense);
    static QStringList getEndings(qint64 code, bool indicative, bool active, qint64 tense);
    // One cell (person 1-3); nil when there is none.
    static QString getConjugationEnding(qint64 code, qint64 person, bool singular, bool indicative, bool active,
                                        qint64 tense);
    // The list the forms are built from, without copying or logging; nullptr
    // when there is none.
    static const QStringList* endingList(qint64 code, bool indicative, bool active, qint64 tense);

    // The conjugation code guessed from the first two principal parts.
    static qint64 guessConjugation(const QString& text);

    // Appends the first word of every finite form of a regular verb (codes
    // below 6): tenses 1-6, passive then active, subjunctive then indicative,
    // plural then singular, persons 1-3. A compound form adds its participle.
    static void addVerbForms(QStringList& array, const Word& verb);
};

// The perfect passive: participle stem, "us " (singular) or "ī " (plural),
// auxiliary. nil when either is nil or the stem is empty.
QString compoundPassiveForm(const QString& participleStem, const QString& auxiliary, bool singular);
