// Declension of nouns and pronouns (and of adjectives kept as plain words).

#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/NounEndings.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"

// What every form of one word shares; worked out once per table.
struct Word::DeclensionContext {
    qint64 variant = 0;
    QString stem;
    QString firstPart;
};

namespace {

bool isDeclinable(qint64 type) {
    return type == WordCode::Noun || type == WordCode::Adjective || type == WordCode::Pronoun;
}

bool isPlainVowel(QChar c) {
    return c == u'a' || c == u'e' || c == u'i' || c == u'o' || c == u'u';
}

// A noun of common (cīvis) or either gender (diēs) is a masculine or a
// feminine noun, and the two blocks of a noun table are the same: it reads
// the masculine block rather than finding no cell at all.
qint64 tableGender(qint64 gender) {
    return gender == WordCode::MasculineAndFeminine || gender == WordCode::MasculineOrFeminine ? WordCode::Masculine
                                                                                              : gender;
}

// The first word of latin and the second (nil when missing).
void firstTwoWords(const QString& latin, QString* first, QString* second) {
    *first = QString();
    *second = QString();
    if (latin.isNull()) return;
    const qsizetype blank = latin.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        *first = latin;
        return;
    }
    *first = latin.left(blank);
    const qsizetype next = latin.indexOf(QLatin1Char(' '), blank + 1);
    *second = next < 0 ? latin.mid(blank + 1) : latin.mid(blank + 1, next - blank - 1);
}

}  // namespace

Word::DeclensionContext Word::declensionContext() const {
    DeclensionContext ctx;
    ctx.variant = getVariant();
    ctx.stem = getStem(0);
    ctx.firstPart = getWordPart(1);
    return ctx;
}

QString Word::declinedValue(const DeclensionContext& ctx, qint64 theCase, bool singular, qint64 gender) const {
    gender = tableGender(gender == WordCode::AnyGender ? gender_ : gender);
    const QString ending = NounEndings::getEndingForWord(theCase, gender, singular, conj_, ctx.variant);
    if (ending.isEmpty()) return ctx.firstPart;
    if (singular) {
        const QString nominative = testIfCanUseNominative(theCase);
        if (!nominative.isNull()) return nominative;
    }
    // Names in -ius contract the vocative (Vergilī, not Vergilie), and so
    // do fīlius and genius; other nouns in -ius keep -ie (tabellārie), as
    // adjectives do (ēbrie).
    if (theCase == WordCode::Vocative && singular && conj_ == 2 && wordType_ == WordCode::Noun &&
        ending == QLatin1String("-e") && ctx.stem.size() >= 2 && ctx.stem.endsWith(u'i')) {
        const QString plain = foldLatinString(ctx.firstPart);
        const QString lower = plain.toLower();
        if (lower.endsWith(QLatin1String("ius")) &&
            (plain.at(0).isUpper() || lower == QLatin1String("filius") || lower == QLatin1String("genius")))
            return ctx.stem.chopped(1) + QChar(0x012B);
    }
    return joinStemAndEnding(ctx.stem, ending);
}

QString Word::getDeclinedValue(qint64 theCase, bool singular, qint64 gender, bool endingOnly) const {
    if (!isDeclinable(wordType_)) {
        TSLogError("unable to decline this");
        return QString();
    }
    if (endingOnly) {
        gender = tableGender(gender == WordCode::AnyGender ? gender_ : gender);
        return NounEndings::getEndingForWord(theCase, gender, singular, conj_, getVariant());
    }
    return declinedValue(declensionContext(), theCase, singular, gender);
}

void Word::visitNounForms(const Word& word, const NounFormVisitor& visit) {
    if (!isDeclinable(word.wordType_)) return;
    const DeclensionContext ctx = word.declensionContext();
    for (const bool singular : {true, false}) {
        for (qint64 c = 1; c <= 6; ++c) {
            const QString form = word.declinedValue(ctx, c, singular, WordCode::AnyGender);
            if (!form.isEmpty()) visit(c, singular, form);
        }
    }
}

void Word::addNounForms(QStringList& array, const Word& word) {
    if (!isDeclinable(word.wordType_)) {
        TSLogError("unable to decline this");
        return;
    }
    const DeclensionContext ctx = word.declensionContext();
    for (const bool singular : {true, false}) {
        for (qint64 c = 1; c <= 6; ++c) {
            const QString form = word.declinedValue(ctx, c, singular, WordCode::AnyGender);
            if (!form.isEmpty()) array.append(form);
        }
    }
}

QString Word::testIfCanUseNominative(qint64 theCase) const {
    const bool masculineSecond = gender_ == WordCode::Masculine && conj_ == 2;
    if (theCase == 1 || (theCase == 2 && !masculineSecond)) return nominativeCase();
    return QString();
}

qint64 Word::getVariant() const {
    if (!isDeclinable(wordType_)) return 0;
    QString first, second;
    firstTwoWords(latin_, &first, &second);
    return variantFor(first, second);
}

qint64 Word::variantFor(const QString& first, const QString& second) const {
    switch (conj_) {
    case 2:
        // puer, ager and vir alike keep the nominative as vocative.
        return first.size() >= 3 && (first.endsWith(QLatin1String("er")) || first.endsWith(QLatin1String("ir"))) ? 1
                                                                                                                : 0;
    case 5:
        return first.size() >= 4 && first.at(first.size() - 3) == u'i' ? 1 : 0;
    case 3: {
        if (first.isEmpty() || second.isNull()) return 0;
        // An abbreviated genitive (corpus -oris) is counted written out:
        // the hint alone says nothing about the word's length.
        QString genitive = second;
        if (genitive.startsWith(QLatin1Char('-'))) {
            const QString stem = getStem(0);
            if (stem.isNull()) return 0;
            genitive = stem + QStringLiteral("is");
        }
        if (countSyllables(first) == countSyllables(genitive)) {
            static const QStringList exceptions = {QStringLiteral("senex"), QStringLiteral("iuvenis"),
                                                   QStringLiteral("pater"), QStringLiteral("mater"),
                                                   QStringLiteral("frater"), QStringLiteral("canis")};
            return exceptions.contains(foldLatinString(first.toLower())) ? 0 : 1;
        }
        if (first.size() < 3) return 0;
        if (first.endsWith(QLatin1String("al")) || first.endsWith(QLatin1String("ar")))
            return gender_ == WordCode::Neuter ? 1 : 0;
        if (countSyllables(first) == 1) return endsInTwoConsonants(getStem(0)) ? 1 : 0;
        return 0;
    }
    default:
        return 0;
    }
}

QString Word::getStem(qint64) const {
    QString first, second;
    firstTwoWords(latin_, &first, &second);
    if (second.isNull()) return QString();
    if (conj_ == 6) return QString();
    if (conj_ < 1 || conj_ > 5) {
        TSLogError("bad conjugation at getStem");
        return QString();
    }
    // A genitive given as a suffix is written out first: the nominative is
    // no safe ground for the stem (via, puer, rēx, urbs, nox).
    const QString genitive = second.startsWith(QLatin1Char('-')) ? expandGenitive(first, second.mid(1), conj_) : second;
    if (conj_ == 2) return genitive.size() < 2 ? QString() : genitive.left(genitive.size() - 1);
    return genitive.size() < 3 ? QString() : genitive.left(genitive.size() - 2);
}

QString Word::getFirstDeclensionStem(const QString& word) const {
    if (word.isNull()) return QString();
    const QString plain = LatinText::plainLetterCopy(word);
    for (qsizetype i = plain.size() - 2; i >= 0; --i) {
        if (!isPlainVowel(plain.at(i)) && isPlainVowel(plain.at(i + 1))) return word.left(i + 1);
    }
    return word;
}

QString Word::getThirdDeclensionStem(const QString& nominative, const QString& genitiveHint) const {
    if (genitiveHint.isNull()) return nominative;
    if (nominative.isNull()) return QString();
    const QString suffix = genitiveHint.startsWith(QLatin1Char('-')) ? genitiveHint.mid(1) : genitiveHint;
    return LatinText::dropLast(expandGenitive(nominative, suffix, 3), 2);
}
