#pragma once
// One analysed Latin word form: the form with its vowel lengths, its lemma, a
// 9-character morphology tag and its vowel-length pattern (the metre), plus
// the phonology that divides a form into syllables.
//
// Tag positions: 0 part of speech (n v a d c r p e m), 1 person, 2 number
// (s, p), 3 tense (p f i r t l), 4 mood (i s m n d g u p), 5 voice (a, p),
// 6 gender (m f n), 7 case (n v a g d b), 8 degree; "-" where a category does
// not apply. The pattern holds one mark per syllable: "-" long, U+23D1 short.
//
// Dictionary form: "base", "form", "flags" and, once the pattern has been
// computed, "meter"; no class name and no name. The inherited name holds the
// look-up key a record was read under and is not part of that form.
//
// Threads: form, base and flags are set before a record is shared and only
// read afterwards. The pattern is computed on first request under a lock, so
// records may be read from any thread. The character sets are built once.

#include "foundation/VDData.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class TSWordFormData;
using TSWordFormDataPtr = std::shared_ptr<TSWordFormData>;

class TSWordFormData : public VDData {
    TS_OBJECT(TSWordFormData, VDData)

public:
    TSWordFormData() = default;
    TSWordFormData(const QString& form, const QString& base, const QString& flags);

    // Marks of a vowel-length pattern.
    static constexpr char16_t kLongMark = u'-';
    static constexpr char16_t kShortMark = 0x23D1;

    QString form() const { return form_; }
    void setForm(const QString& form) { form_ = form; }
    QString base() const { return base_; }
    void setBase(const QString& base) { base_ = base; }
    QString flags() const { return flags_; }
    void setFlags(const QString& flags) { flags_ = flags; }

    // The pattern, computed from the form when none is stored yet.
    QString vowelLengths() const;
    // A null string forgets the pattern, so the next request computes it.
    void setVowelLengths(const QString& lengths);
    bool hasVowelLengths() const;
    // Recomputes the pattern from the form.
    void makeLengths();
    // The length of the stored pattern; 0 while none is stored (this does not
    // compute it).
    int numSyllables() const;

    // The word-class code of tag position 0 (1 noun, 2 verb, 3 adjective,
    // 4 adverb, 5 conjunction, 6 preposition, 7 pronoun, 8 interjection,
    // 9 numeral); 0 for an empty tag or an unknown letter (logged).
    int wordType() const;
    static int wordTypeOfTag(QStringView tag);
    // Decodes positions 1 to 5. Answers false, setting nothing, when the tag
    // is shorter than 9 characters. Mood codes: 1 indicative, 2 subjunctive,
    // 3 imperative, 4 infinitive, 8 gerund, 9 gerundive, 12 supine,
    // 23 participle; tense codes 1 to 6 as p f i r t l.
    bool verbPerson(int* person, bool* singular, int* tense, int* mood, bool* active) const;

    ts::Value serialize() const override;
    // Sets form, base, flags and the pattern from a record dictionary; a
    // missing "meter" leaves the pattern to be computed on first use.
    void importFromDictionary(const ts::Value& dictionary) override;
    ts::ObjectPtr copy() const override;
    QString description() const override;

    // A new record from its dictionary form; nothing for a value that is not
    // a dictionary.
    static TSWordFormDataPtr dataFromDictionary(const ts::Value& dictionary);

    static const QSet<QChar>& vowelSet();
    static const QSet<QChar>& longVowelSet();
    static const QSet<QChar>& consonantSet();

    // Hiatus marked with "z", diphthongs written as one long vowel, qu as q
    // and the aspirates as one Greek letter, so that syllable division can
    // count characters.
    static QString removeDiphthongs(const QString& word);
    // The syllables of a word in the rewritten spelling, from its lower-cased
    // form; the pattern goes to *vowelLengths when it is given.
    static QStringList syllablesFromString(const QString& word, QString* vowelLengths);

private:
    QString form_;
    QString base_;
    QString flags_;
    // Null until computed; written under lengthsLock().
    QString vowelLengths_;
};
