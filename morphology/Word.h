#pragma once
// One entry of a document's vocabulary: a Latin word given by its principal
// parts, its English meaning, where it came from, notes, and the grammatical
// codes from which its forms are built.
//
// The noun operations decline with the tables of NounEndings, the verb
// operations conjugate with the tables of Verb; Verb and Adjective are the
// subclasses that the vocabulary makes for verbs and adjectives, but every
// operation works on any word of the matching word type.
//
// A word archives itself with the sequential (unkeyed) half of a coder, also
// inside a keyed archive, always as version 3 and reading versions 1 to 3.
//
// Threads: a word is not locked; it may be read from any one thread at a time.
// The tables the inflection reads are built once per process, thread-safely,
// and never change. Every failure is logged and answered with nil (a null
// QString) or 0; nothing throws.

#include "platform/Object.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class LatinCharacterSet;
class Word;
using WordPtr = std::shared_ptr<Word>;

namespace ts { class Coder; }

// Codes shared with dictionary entries.
namespace WordCode {
// Word types.
constexpr qint64 NotSet = 0, Noun = 1, Verb = 2, Adjective = 3, Adverb = 4, Conjunction = 5,
                 Preposition = 6, Pronoun = 7, Interjection = 8, Numeral = 9;
// Genders. AnyGender asks a declension for the word's own gender.
constexpr qint64 Masculine = 1, Feminine = 2, Neuter = 3, Common = 4, AnyGender = 5,
                 MasculineAndFeminine = 7, MasculineOrFeminine = 8;
// Cases.
constexpr qint64 Nominative = 1, Vocative = 2, Accusative = 3, Genitive = 4, Dative = 5, Ablative = 6;
// Verb codes of conj beyond the regular conjugations 1-4.
constexpr qint64 MixedConjugation = 5, NoStem = 6, Eo = 7, Sum = 8, Fero = 9, Edo = 10, Fio = 11,
                 Volo = 12, Nolo = 13, Malo = 14, Possum = 15;
// Tenses.
constexpr qint64 Present = 1, Future = 2, Imperfect = 3, Perfect = 4, FuturePerfect = 5, Pluperfect = 6;
// Verb types (derived from the principal parts).
constexpr qint64 Ordinary = 0, Deponent = 1, SemiDeponent = 2;
}  // namespace WordCode

// The stems a verb's forms are built from, worked out once from the principal
// parts so that a whole table costs one reading of them.
struct VerbStems;

class Word : public ts::Object {
    TS_OBJECT(Word, ts::Object)

public:
    Word();
    ~Word() override;

    // ---- Fields ----
    QString latin() const { return latin_; }
    void setLatin(const QString& v) { latin_ = v; }
    QString meaning() const { return meaning_; }
    void setMeaning(const QString& v) { meaning_ = v; }
    QString source() const { return source_; }
    void setSource(const QString& v) { source_ = v; }
    QString notes() const { return notes_; }
    void setNotes(const QString& v) { notes_ = v; }
    QString irregData() const { return irregData_; }
    void setIrregData(const QString& v) { irregData_ = v; }
    QString uniqueID() const { return uniqueID_; }
    void setUniqueID(const QString& v) { uniqueID_ = v; }
    qint64 transIntrans() const { return transIntrans_; }
    void setTransIntrans(qint64 v) { transIntrans_ = v; }
    bool marked() const { return marked_; }
    void setMarked(bool v) { marked_ = v; }
    qint64 getFormality() const { return formality_; }
    void setFormality(qint64 v) { formality_ = v; }
    qint64 gender() const { return gender_; }
    void setGender(qint64 v);
    qint64 conjugation() const { return conj_; }
    void setConjugation(qint64 v);
    qint64 getWordType() const { return wordType_; }
    // Logs "Bad word type" for 111 and above and stores the value anyway.
    void setWordType(qint64 v);
    qint64 getTakenCase() const { return theCase_; }
    void setTakenCase(qint64 v);
    bool isIrregular() const { return isIrregular_; }
    void setIrregular(bool v) { isIrregular_ = v; }

    // False exactly when the meaning is the placeholder "uninitialised".
    bool isInitialised() const;

    // ---- Ordering and display ----
    // Mode 0 by Latin, 1 by meaning, 2 by word type then Latin, 3 by source
    // then as mode 2; answers -1, 0 or 1. Any other mode logs and answers 0.
    int compare(const Word& other, qint64 mode) const;
    int compare(const ts::Object& other) const override;

    QString getGenderAsString() const;
    QString getCaseAsString() const;
    QString getToolTipString() const;
    QString getFullLatinString() const;
    QString getFullEnglishString() const;
    QString getStrippedExampleLatinString() const;
    QString getExampleLatinString(qint64 ignored) const;
    // The meanings for a view of one line: the lines the meaning is stored
    // in (one per meaning, as the dictionary window joins them), trimmed,
    // empty ones left out, joined by "; ".
    QString meaningInOneLine() const;

    // ---- Principal parts ----
    // The index-th (1-based) word of latin split at single blanks; nil out of range.
    QString getWordPart(qint32 index) const;
    // The first blank-separated word of latin; nil when latin has none.
    QString nominativeCase() const;
    // The index-th (1-based) part of latin split at white space. A leading "-"
    // is cut off and reported through hasHyphen (left alone when out of range).
    QString getNthPart(qint64 index, bool* hasHyphen) const;

    // ---- Nouns (declension) ----
    // The form for case 1-6, number and gender (AnyGender: the word's own),
    // or the bare ending ("" for a cell without one, nil for no cell). Common
    // and either gender (7, 8) decline as masculine and feminine do.
    QString getDeclinedValue(qint64 theCase, bool singular, qint64 gender, bool endingOnly) const;
    qint64 getVariant() const;
    // The stem for the declension, cut from the genitive (written out first
    // when it is given as a suffix, see expandGenitive); the argument is not
    // used by nouns (adjectives read it as the degree).
    virtual QString getStem(qint64 unused) const;
    // The word cut after its last consonant that precedes a vowel (puell-).
    QString getFirstDeclensionStem(const QString& word) const;
    // The genitive (or its suffix, "-inis") written out on the nominative,
    // less its -is: homō -inis homin, urbs -is urb; the nominative when the
    // hint is nil.
    QString getThirdDeclensionStem(const QString& nominative, const QString& genitiveHint) const;
    QString testIfCanUseNominative(qint64 theCase) const;
    // A noun whose principal parts are a nominative and a genitive plural
    // (Helvētiī -ōrum, moenia -ium): it has no singular forms, and its
    // singular cells are nil whatever declension it was given.
    bool isPluralOnly() const;

    // ---- Verbs (finite forms) ----
    qint64 getVerbType() const;
    bool hasPerfectPassive() const;
    QString getConjugatedValue(qint64 person, bool singular, bool indicative, bool active, qint64 tense,
                               bool endingOnly) const;
    QString getFirstPersonStem(bool stem, qint64 tense) const;
    // A part written with a leading hyphen is placed against the first part
    // (see VerbPartPlacement.h); one that cannot be placed with confidence
    // gives nil, and no forms are built on it.
    QString getPastParticipleStem(bool stem, bool cut) const;
    QString getSupine(bool stem, bool cut) const;
    // How many of the perfect and supine are written shortened and cannot be
    // placed (0 for a word that is no verb).
    qint64 unplacedPrincipalParts() const;
    QString getInfinitive(bool stem) const;

    // ---- Verbs (non-finite forms) ----
    // Row 0-11 of the non-finite table, with macron vowels; nil outside 0-11.
    QString getVerbPart(qint64 index) const;
    // All twelve rows at once (what getVerbPart answers for 0-11).
    std::array<QString, 12> getVerbParts() const;
    QString getImperative() const;
    QString getAtypicalImperative() const;
    QString getPassiveImperative(bool flag) const;
    QString getAtypicalPassInperative() const;
    QString getPresentParticiple() const;
    QString getAtypicalPresentParticiple() const;
    QString getPastParticiple() const;
    QString getFutureParticiple() const;
    QString getGerund() const;
    QString getAtypicalGerund() const;
    QString getGerundive() const;
    QString getAtypicalGerundive() const;
    QString getPastActiveInfinitive() const;
    QString getPresentPassiveInfinitive() const;
    QString getFuturePassiveInfinitive() const;
    QString getPastPassiveParticiple() const;

    // ---- All forms ----
    // The twelve case-and-number forms of a noun or pronoun in its own gender
    // (nominative to ablative, singular then plural); nil forms are skipped.
    static void addNounForms(QStringList& array, const Word& word);
    // The same forms handed to visit with their case (1-6) and number.
    using NounFormVisitor = std::function<void(qint64 theCase, bool singular, const QString& form)>;
    static void visitNounForms(const Word& word, const NounFormVisitor& visit);

    // ---- Class operations ----
    static const LatinCharacterSet& getLetterCharacterSet();
    static const LatinCharacterSet& getWhiteSpaceCharacterSet();
    // Normalised principal parts: lower case, words joined by single blanks,
    // capitalised (except words beginning with "-") when the text began with
    // a capital. nil for nil or empty text, "" when there are no words.
    static QString convertToStandardLatinString(const QString& text);
    static qint64 guessWordType(const QString& text);
    static qint64 guessDeclension(const QString& text);
    static QString stripDots(const QString& text);
    static QString getFirstWordInLine(const QString& text);
    // Sign extension of a 32-bit archive integer.
    static qint64 convertInt(qint32 value);

    // ---- Archiving and copying ----
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;
    ts::ObjectPtr copy() const override;
    QString description() const override;

    // Shared with the verb code in the other translation units.
    VerbStems verbStems() const;
    QString conjugatedValue(const VerbStems& stems, qint64 person, bool singular, bool indicative, bool active,
                            qint64 tense) const;
    QString verbPart(const VerbStems& stems, qint64 index) const;
    // A part written with a leading hyphen, placed against the first part;
    // nil when it cannot be.
    QString placedPart(const QString& part) const;

protected:
    // Copies every field into another word (copy() of the subclasses).
    void copyFieldsTo(Word& other) const;

private:
    struct DeclensionContext;
    DeclensionContext declensionContext() const;
    QString declinedValue(const DeclensionContext& ctx, qint64 theCase, bool singular, qint64 gender) const;
    qint64 contextGender(const DeclensionContext& ctx, qint64 gender) const;
    qint64 variantFor(const QString& first, const QString& second) const;
    void clearFields();
    // What a defective verb (ōdī, licet) lacks, taken out of its stems.
    void applyDefect(VerbStems& stems) const;

    qint64 formality_ = 0;
    qint64 gender_ = 0;
    qint64 conj_ = 0;
    qint64 wordType_ = 0;
    qint64 theCase_ = 0;
    bool isIrregular_ = false;
    bool marked_ = false;
    QString latin_;
    QString meaning_;
    QString source_;
    QString notes_;
    QString irregData_;
    QString uniqueID_;
    qint64 transIntrans_ = 0;
};
