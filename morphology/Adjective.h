#pragma once
// A vocabulary adjective: its forms for every case, number, gender and degree
// (0 positive, 1 comparative, 2 superlative).
//
// The principal parts in latin are split at single blanks. First and second
// declension: masculine, feminine, neuter of the positive, written out
// (bonus bona bonum) or abbreviated (bonus -a -um), optionally followed by the
// three comparative and the three superlative forms. Third declension: two
// components (ingens ingentis), three (ācer ācris ācre, fortis -is -e, or
// nominative, genitive and a "(" note that makes the nominative serve every
// gender) or nine (three degrees of three genders). The comparative is the
// first component ending in "or", the superlative the one three places after;
// a positive in -or given with its genitive (memor memoris) is passed over.
// A degree that is not written out is formed regularly: -ior, -issimus, and
// -errimus after a positive in -er, -rimus after a third-declension stem in
// -er (veterrimus), -illimus for the six adjectives in -ilis that take it.
// Adjectives compared irregularly (bonus melior optimus) or lacking a degree
// take their degrees from the comparison table (Comparisons.h) when the
// headword lists only the positive. The pronominal adjectives (tōtus, sōlus,
// ūnus, ūllus, nūllus, alius, alter, uter, neuter and a few compounds) take
// -īus in the genitive singular and -ī in the dative of every gender (alīus
// for alius, whose neuter is aliud), and the nominative as vocative.
//
// An adjective keeps no state beyond its Word fields; every failure is
// logged and answered with nil.

#include "morphology/Word.h"

#include <functional>

class Adjective : public Word {
    TS_OBJECT(Adjective, Word)

public:
    // A word of type 3.
    Adjective();

    ts::ObjectPtr copy() const override;

    using Word::getDeclinedValue;
    using Word::getFirstDeclensionStem;
    using Word::getWordPart;

    QString getDeclinedValue(qint64 theCase, bool singular, qint64 gender, qint64 comparison,
                             bool endingOnly) const;
    // The declension group a degree uses: positive the word's conj,
    // comparative 3, superlative 1.
    qint64 getConjugationFromComparisonType(qint64 comparison) const;
    qint64 getAdjectiveVariant(qint64 comparison) const;
    // The written-out form of part (gender 1-3) in a degree, or nil.
    QString getWordPart(qint64 part, qint64 comparison) const;
    QString getFirstDeclensionWordPart(qint64 part, qint64 comparison, const QStringList& components) const;
    QString getThirdDeclensionWordPart(qint64 part, qint64 comparison) const;
    // The stem of a degree.
    QString getStem(qint64 comparison) const override;
    QString getFirstDeclensionStem(qint64 comparison) const;
    QString getThirdDeclensionStem(qint64 comparison) const;

    // A one-termination positive in -or written as nominative and genitive,
    // perhaps with a "(" note (memor memoris, bicolor -oris), which must not
    // be read as a comparative.
    static bool isPositiveInOr(const QStringList& components);
    static QString findFirstComparativeString(const QStringList& components);
    static QString findFirstSuperlativeString(const QStringList& components);
    // The first word of every form in every degree (case, gender 1-3, plural
    // then singular, degree innermost); nothing when conj is above 3.
    static void addAdjectiveForms(QStringList& array, const Adjective& word);
    // Every positive form as it is (the plural only when omitSingular).
    static void addNormalAdjectiveForms(QStringList& array, const Adjective& word, bool omitSingular);
    // Every form as the declension answers it (perhaps several words), with
    // its case (1-6), number, gender (1-3) and degree; only the positive
    // when positiveOnly. Nothing when conj is above 3.
    using FormVisitor = std::function<void(qint64 theCase, bool singular, qint64 gender, qint64 degree,
                                           const QString& form)>;
    static void visitForms(const Adjective& word, bool positiveOnly, const FormVisitor& visit);

private:
    struct Context;
    QString declinedValue(Context& ctx, qint64 theCase, bool singular, qint64 gender, qint64 comparison) const;
    QStringList components() const;
    QString wordPartIn(const QStringList& comps, qint64 part, qint64 comparison) const;
    QString stemIn(const QStringList& comps, qint64 comparison) const;
    QString firstStemIn(const QStringList& comps, qint64 comparison) const;
    QString thirdStemIn(const QStringList& comps, qint64 comparison) const;
    QString thirdWordPartIn(const QStringList& comps, qint64 part, qint64 comparison) const;
    QString regularSuperlativeStem(const QStringList& comps) const;
    static QString positiveEnding(const QStringList& comps, const QString& ending, bool pronominal, qint64 theCase,
                                  bool singular, qint64 gender);
    bool tableForm(qint64 theCase, bool singular, qint64 gender, qint64 comparison, QString* form) const;
    qint64 variantIn(const QStringList& comps, qint64 comparison) const;
};
