// Declension of nouns and pronouns (and of adjectives kept as plain words).

#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/NounEndings.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"

// What every form of one word shares; worked out once per table.
struct Word::DeclensionContext {
    qint64 declension = 0;
    qint64 variant = 0;
    QString stem;
    QString firstPart;
    // The gender whose block the table is read in when the word's own is
    // asked for; 0: the word's own.
    qint64 gender = 0;
    // Every cell comes from the table: the headword is no singular form
    // (Helvētiī) or lacks the long vowel of its Greek ending (ĕnallăge).
    bool tableOnly = false;
    bool pluralOnly = false;
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

// What a noun's first two words say of its declension beyond the number it
// came with: the genitive of a noun that has only a plural is a genitive
// plural (Helvētiī -ōrum, tenebrae -ārum, moenia -ium, arma -ōrum), and a
// genitive in -ēs after a nominative in -ē marks a Greek noun of the first
// declension (epitomē -ēs), which the third declension would not give.
// Dictionaries type such nouns in any declension, so the genitive decides.
constexpr qint64 kHeadwordOnly = -1;

struct NounShape {
    qint64 declension = 0;  // 0: nothing special, decline by the word's own; kHeadwordOnly
    qint64 variant = 0;
    qint64 gender = 0;
    bool pluralOnly = false;
    QString stem;
};

NounShape nounShape(const QString& first, const QString& second) {
    NounShape shape;
    if (first.size() < 3 || second.size() < 2) return shape;
    const bool abbreviated = second.startsWith(QLatin1Char('-'));
    const QString genitive = foldLatinString(abbreviated ? second.mid(1) : second).toLower();
    const QString nominative = foldLatinString(first).toLower();
    if (nominative.size() != first.size()) return shape;  // a ligature: the letters would not line up
    auto set = [&](qint64 declension, qint64 variant, qint64 gender, bool pluralOnly, qsizetype cut) {
        shape = {declension, variant, gender, pluralOnly, first.chopped(cut)};
    };
    using namespace WordCode;
    // A written-out genitive must continue the nominative's stem.
    auto continues = [&](qsizetype cut) { return abbreviated || genitive.startsWith(nominative.chopped(cut)); };

    if (genitive.endsWith(QLatin1String("arum"))) {
        if (nominative.endsWith(QLatin1String("ae")) && continues(2)) set(1, 0, Feminine, true, 2);
    } else if (genitive.endsWith(QLatin1String("orum"))) {
        if (nominative.endsWith(u'i') && continues(1)) set(2, 0, Masculine, true, 1);
        else if (nominative.endsWith(u'a') && continues(1)) set(2, 0, Neuter, true, 1);
        // Greek plurals: Golgoe -ōrum (Latin Golgī), Brachmānae -ōrum.
        else if (nominative.endsWith(QLatin1String("oe")) && continues(2)) set(2, 0, Masculine, true, 2);
        else if (nominative.endsWith(QLatin1String("ae")) && continues(2)) set(1, 0, Masculine, true, 2);
    } else if (genitive.endsWith(QLatin1String("uum"))) {
        if (nominative.endsWith(QLatin1String("us")) && continues(2)) set(4, 0, Masculine, true, 2);
        else if (nominative.endsWith(QLatin1String("ua")) && continues(2)) set(4, 0, Neuter, true, 2);
    } else if (genitive.endsWith(QLatin1String("erum"))) {
        if (nominative.endsWith(QLatin1String("es")) && continues(2)) set(5, 0, Feminine, true, 2);
    } else if (genitive.endsWith(QLatin1String("um"))) {
        const qint64 variant = genitive.endsWith(QLatin1String("ium")) ? 1 : 0;
        if (nominative.endsWith(QLatin1String("es")) && continues(2)) set(3, variant, Masculine, true, 2);
        // moenia -ium: the i belongs to the i-stem's endings; flēmina -um.
        else if (nominative.endsWith(QLatin1String("ia")) && variant == 1 && continues(2)) set(3, 1, Neuter, true, 2);
        else if (nominative.endsWith(u'a') && continues(1)) set(3, variant, Neuter, true, 1);
    } else if (genitive == QLatin1String("es") || (!abbreviated && genitive == nominative + u's')) {
        if (nominative.endsWith(u'e')) set(1, NounVariant::GreekE, Feminine, false, 1);
    }
    // A genitive plural after a singular of another declension (vās -ōrum,
    // whose singular is vās vāsis): no table fits, and a stem cut from the
    // genitive plural makes no form at all (vōruī); only the headword stands.
    if (!shape.declension && genitive.endsWith(QLatin1String("rum"))) shape.declension = kHeadwordOnly;
    return shape;
}

NounShape nounShapeOf(qint64 wordType, const QString& latin) {
    if (wordType != WordCode::Noun) return NounShape();
    QString first, second;
    firstTwoWords(latin, &first, &second);
    return nounShape(first, second);
}

}  // namespace

Word::DeclensionContext Word::declensionContext() const {
    DeclensionContext ctx;
    ctx.firstPart = getWordPart(1);
    const NounShape shape = nounShapeOf(wordType_, latin_);
    if (shape.declension) {
        ctx.declension = shape.declension;
        ctx.variant = shape.variant;
        ctx.stem = shape.stem;
        ctx.gender = shape.gender;
        ctx.tableOnly = true;
        ctx.pluralOnly = shape.pluralOnly;
        return ctx;
    }
    ctx.declension = conj_;
    ctx.variant = getVariant();
    ctx.stem = getStem(0);
    return ctx;
}

qint64 Word::contextGender(const DeclensionContext& ctx, qint64 gender) const {
    if (gender == WordCode::AnyGender) gender = ctx.gender ? ctx.gender : gender_;
    return tableGender(gender);
}

QString Word::declinedValue(const DeclensionContext& ctx, qint64 theCase, bool singular, qint64 gender) const {
    if (ctx.pluralOnly && singular) return QString();
    if (ctx.declension == kHeadwordOnly) return singular && theCase == WordCode::Nominative ? ctx.firstPart : QString();
    gender = contextGender(ctx, gender);
    const QString ending = NounEndings::getEndingForWord(theCase, gender, singular, ctx.declension, ctx.variant);
    if (ctx.tableOnly) return ctx.stem.isEmpty() ? QString() : joinStemAndEnding(ctx.stem, ending);
    if (ending.isEmpty()) return ctx.firstPart;
    if (singular) {
        const QString nominative = testIfCanUseNominative(theCase);
        if (!nominative.isNull()) return nominative;
    }
    // Names in -ius contract the vocative (Vergilī, not Vergilie), and so
    // do fīlius and genius; other nouns in -ius keep -ie (tabellārie), as
    // adjectives do (ēbrie).
    if (theCase == WordCode::Vocative && singular && ctx.declension == 2 && wordType_ == WordCode::Noun &&
        ending == QLatin1String("-e") && ctx.stem.size() >= 2 &&
        foldLatinString(ctx.stem.right(1)) == QLatin1String("i")) {  // the source may mark it short (Vălĕrĭus)
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
    const DeclensionContext ctx = declensionContext();
    if (endingOnly) {
        if ((ctx.pluralOnly && singular) || ctx.declension == kHeadwordOnly) return QString();
        return NounEndings::getEndingForWord(theCase, contextGender(ctx, gender), singular, ctx.declension, ctx.variant);
    }
    return declinedValue(ctx, theCase, singular, gender);
}

bool Word::isPluralOnly() const { return nounShapeOf(wordType_, latin_).pluralOnly; }

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
    // A second-declension noun in -us has its vocative in -e whatever its
    // gender: the feminines too (fāge, hume, Ephese), where keeping the
    // nominative would give a form no author wrote.
    const bool masculineSecond =
        conj_ == 2 && (gender_ == WordCode::Masculine ||
                       (gender_ != WordCode::Neuter && foldLatinString(nominativeCase()).endsWith(QLatin1String("us"))));
    // Greek masculines of the first declension call in -ē and -ā (Anchīsē,
    // Boreā), not with the nominative's s.
    if (theCase == WordCode::Vocative && conj_ == 1) {
        const QString nominative = nominativeCase();
        const QString plain = foldLatinString(nominative).toLower();
        if (nominative.size() > 3 && (plain.endsWith(QLatin1String("es")) || plain.endsWith(QLatin1String("as"))))
            return nominative.chopped(2) + (plain.endsWith(QLatin1String("es")) ? QChar(0x0113) : QChar(0x0101));
    }
    if (theCase == 1 || (theCase == 2 && !masculineSecond)) return nominativeCase();
    return QString();
}

qint64 Word::getVariant() const {
    if (!isDeclinable(wordType_)) return 0;
    QString first, second;
    firstTwoWords(latin_, &first, &second);
    if (wordType_ == WordCode::Noun)
        if (const NounShape shape = nounShape(first, second); shape.declension) return shape.variant;
    return variantFor(first, second);
}

qint64 Word::variantFor(const QString& first, const QString& second) const {
    switch (conj_) {
    case 2:
    {
        // puer, ager and vir alike keep the nominative as vocative, however
        // the source marks the vowel (vĭr).
        const QString plain = foldLatinString(first);
        return plain.size() >= 3 && (plain.endsWith(QLatin1String("er")) || plain.endsWith(QLatin1String("ir"))) ? 1 : 0;
    }
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
        // urbs and mōns are i-stems; a neuter of one syllable is not (os
        // ossa, fel fella, cor corda).
        if (countSyllables(first) == 1)
            return gender_ != WordCode::Neuter && endsInTwoConsonants(getStem(0)) ? 1 : 0;
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
    if (wordType_ == WordCode::Noun)
        if (const NounShape shape = nounShape(first, second); shape.declension) return shape.stem;
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
