#include "morphology/Adjective.h"

#include "morphology/AdjectiveEndings.h"
#include "morphology/Comparisons.h"
#include "morphology/LatinText.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"

TS_REGISTER_CLASS(Adjective)

namespace {

QString at(const QStringList& list, qint64 i) {
    return i >= 0 && i < list.size() ? list.at(i) : QString();
}

// The pronominal adjectives: genitive singular -īus and dative -ī in every
// gender (tōtīus, tōtī), no vocative of their own, and no degrees (those are
// in the comparison table). A headword that marks a vowel short where the
// pronominal one has it long is another word (tŏtus, as many as, is bonus's
// kind).
bool isPronominal(const QStringList& comps) {
    if (comps.isEmpty()) return false;
    QString head = comps.first();
    while (!head.isEmpty() && head.back().isDigit()) head.chop(1);
    static const QStringList words = {
        QStringLiteral("tōtus"), QStringLiteral("sōlus"), QStringLiteral("ūnus"), QStringLiteral("ūllus"),
        QStringLiteral("nūllus"), QStringLiteral("nōnnūllus"), QStringLiteral("alius"), QStringLiteral("alter"),
        QStringLiteral("uter"), QStringLiteral("neuter"), QStringLiteral("alteruter")};
    const QString plain = foldLatinString(head).toLower();
    if (plain.size() != head.size()) return false;
    auto marks = [](QChar c, char16_t mark) { return QString(c).normalized(QString::NormalizationForm_D).contains(QChar(mark)); };
    for (const QString& word : words) {
        if (foldLatinString(word) != plain) continue;
        for (qsizetype i = 0; i < head.size(); ++i)
            if (marks(head.at(i), 0x0306) && marks(word.at(i), 0x0304)) return false;
        return true;
    }
    return false;
}

bool isAlius(const QStringList& comps) {
    return !comps.isEmpty() && foldLatinString(comps.first()).toLower() == QLatin1String("alius");
}

// A pronominal adjective's own cells of the positive; any other ending as
// the table gives it.
QString pronominalEnding(const QStringList& comps, const QString& ending, qint64 theCase, bool singular,
                         qint64 gender) {
    if (!singular) return ending;
    if (theCase == WordCode::Genitive) return QStringLiteral("-\u012Bus");
    if (theCase == WordCode::Dative) return QStringLiteral("-\u012B");
    if (gender == WordCode::Neuter && theCase <= WordCode::Accusative && isAlius(comps)) return QStringLiteral("-ud");
    // The masculine's genders (see AdjectiveEndings): the vocative is the
    // nominative, as for the feminine and neuter.
    const bool masculine = gender == WordCode::Masculine || (gender >= 7 && gender <= 10);
    if (theCase == WordCode::Vocative && masculine) return LatinText::empty();
    return ending;
}

// alius: alīus, not aliīus.
QString joinPronominal(const QString& stem, const QString& ending) {
    if (ending == QStringLiteral("-\u012Bus") && stem.size() > 1 && foldLatinString(stem.right(1)) == QLatin1String("i"))
        return joinStemAndEnding(stem.chopped(1), ending);
    return joinStemAndEnding(stem, ending);
}

}  // namespace

// What every form of one adjective shares, per degree; word parts are
// worked out when a "*" cell first needs them.
struct Adjective::Context {
    QStringList comps;
    bool pronominal = false;
    struct Degree {
        qint64 group = 0;
        qint64 variant = 0;
        QString stem;
        QString parts[4];
        bool partDone[4] = {false, false, false, false};
    } degree[3];
};

Adjective::Adjective() { setWordType(WordCode::Adjective); }

ts::ObjectPtr Adjective::copy() const {
    auto made = std::make_shared<Adjective>();
    copyFieldsTo(*made);
    return made;
}

QStringList Adjective::components() const {
    const QString text = latin();
    if (text.isNull()) return QStringList();
    QStringList comps = text.split(QLatin1Char(' '));
    // "fortis -e" gives the neuter, not the genitive: it is fortis -is -e.
    if (comps.size() == 2 && comps.at(1) == QLatin1String("-e") &&
        LatinText::plainLetterCopy(comps.at(0)).endsWith(QLatin1String("is")))
        comps.insert(1, QStringLiteral("-is"));
    // "facilis facile", as the analyser writes it, is the same: masculine and
    // feminine facilis, neuter facile.
    if (comps.size() == 2 && !comps.at(1).startsWith(u'-')) {
        const QString first = foldLatinString(comps.at(0)).toLower(), second = foldLatinString(comps.at(1)).toLower();
        if (first.endsWith(QLatin1String("is")) && second == first.chopped(2) + QLatin1Char('e')) comps.insert(1, comps.at(0));
    }
    // A headword that lists only the positive of an irregular comparison
    // takes the comparative and superlative from the table.
    if (comps.size() <= 3 && findFirstComparativeString(comps).isNull() && !comps.isEmpty())
        if (const IrregularComparison* c = irregularComparisons().find(comps.first());
            c && !c->comparative.isEmpty() && !c->superlative.isEmpty()) {
            // melior melius; minor minus.
            const QString neuter = c->comparative.endsWith(QLatin1String("or")) ? c->comparative.chopped(2) + QStringLiteral("us")
                                                                               : c->comparative;
            const QString superlativeStem = c->superlative.chopped(2);
            comps << c->comparative << c->comparative << neuter << c->superlative << superlativeStem + QLatin1Char('a')
                  << superlativeStem + QStringLiteral("um");
        }
    return comps;
}

// The forms of a degree the table declines itself (plūs), or that the
// adjective lacks (a null string then stands for "none"). False when the
// degree is formed as usual.
bool Adjective::tableForm(qint64 theCase, bool singular, qint64 gender, qint64 comparison, QString* form) const {
    if (comparison < 1 || comparison > 2) return false;
    const IrregularComparison* c = irregularComparisons().find(nominativeCase());
    if (!c) return false;
    const QString& written = comparison == 1 ? c->comparative : c->superlative;
    if (written.isEmpty()) {
        *form = LatinText::empty();
        return true;
    }
    const auto declension = irregularComparisons().declensions.constFind(written);
    if (declension == irregularComparisons().declensions.constEnd()) {
        if (comparison == 1) return false;
        // A superlative is declined as a positive of the first and second
        // declensions (optimus, optima, optimum), whatever the comparative.
        Adjective superlative;
        superlative.setLatin(written + QLatin1Char(' ') + written.chopped(2) + QStringLiteral("a ") + written.chopped(2) +
                             QStringLiteral("um"));
        superlative.setConjugation(1);
        *form = superlative.getDeclinedValue(theCase, singular, gender, 0, false);
        return true;
    }
    const qsizetype cell = (singular ? 0 : 6) + theCase - 1;
    if (gender < 1 || gender > 3 || cell < 0 || cell >= 12) return false;
    *form = (*declension)[size_t(gender - 1)].at(cell);
    if (form->isEmpty()) *form = LatinText::empty();
    return true;
}

bool Adjective::isPositiveInOr(const QStringList& components) {
    // Nominative and genitive, perhaps with a "(" note after them.
    const qsizetype n = components.size();
    if (n != 2 && !(n == 3 && components.at(2).startsWith(QLatin1Char('(')))) return false;
    const QString nominative = foldLatinString(components.at(0)).toLower();
    if (nominative.size() < 3 || !nominative.endsWith(QLatin1String("or"))) return false;
    // Comparatives used as positives: prior, melior, maior, peior, minor.
    if (nominative.endsWith(QLatin1String("ior")) || nominative.endsWith(QLatin1String("jor")) ||
        nominative == QLatin1String("minor"))
        return false;
    // The second part is the genitive (memor memoris, memor -oris), not a
    // neuter (prior prius); a comparative's genitive has a long ō (priōris).
    QString genitive = components.at(1);
    if (genitive.startsWith(QLatin1Char('-'))) genitive = expandAbbreviation(components.at(0), genitive.mid(1));
    if (genitive.isNull() || genitive.contains(QChar(0x014D))) return false;
    return foldLatinString(genitive).toLower() == nominative + QLatin1String("is");
}

QString Adjective::findFirstComparativeString(const QStringList& components) {
    // memor memoris: the positive's "-or" is no comparative.
    const qsizetype from = isPositiveInOr(components) ? 1 : 0;
    for (qsizetype i = from; i < components.size(); ++i)
        if (components.at(i).endsWith(QLatin1String("or"))) return components.at(i);
    return QString();
}

QString Adjective::findFirstSuperlativeString(const QStringList& components) {
    const qsizetype from = isPositiveInOr(components) ? 1 : 0;
    for (qsizetype i = from; i < components.size(); ++i)
        if (components.at(i).endsWith(QLatin1String("or"))) return at(components, i + 3);
    return QString();
}

// ---- Degree, group and variant ----

qint64 Adjective::getConjugationFromComparisonType(qint64 comparison) const {
    switch (comparison) {
    case 0: return conjugation();
    case 1: return 3;
    case 2: return 1;
    default:
        TSLogError("bad comparison type");
        return conjugation();
    }
}

qint64 Adjective::getAdjectiveVariant(qint64 comparison) const { return variantIn(components(), comparison); }

qint64 Adjective::variantIn(const QStringList& comps, qint64 comparison) const {
    if (getWordType() != WordCode::Adjective) return 0;
    if (comparison == 1) return 1;
    if (comparison != 0) return 0;
    const qint64 group = conjugation();
    if (group == 1 || group == 2) {
        const QString masculine = wordPartIn(comps, 1, 0);
        return masculine.size() >= 3 && masculine.endsWith(QLatin1String("er")) ? 1 : 0;
    }
    if (group == 3) {
        const QString masculine = wordPartIn(comps, 1, 0);
        if (masculine.size() < 3) return 0;
        if (masculine.endsWith(QLatin1String("or")) && !isPositiveInOr(comps)) return 1;
        static const QStringList irregular = {QStringLiteral("vetus"), QStringLiteral("uetus"),
                                              QStringLiteral("pauper"), QStringLiteral("pavper"),
                                              QStringLiteral("dives"), QStringLiteral("diues")};
        return irregular.contains(foldLatinString(masculine.toLower())) ? 2 : 0;
    }
    return 0;
}

// ---- Word parts ----

QString Adjective::getWordPart(qint64 part, qint64 comparison) const {
    return wordPartIn(components(), part, comparison);
}

QString Adjective::wordPartIn(const QStringList& comps, qint64 part, qint64 comparison) const {
    switch (getConjugationFromComparisonType(comparison)) {
    case 1: case 2: return getFirstDeclensionWordPart(part, comparison, comps);
    case 3: return thirdWordPartIn(comps, part, comparison);
    default:
        TSLogError("bad declension at getWordPart");
        return QString();
    }
}

QString Adjective::getFirstDeclensionWordPart(qint64 part, qint64 comparison, const QStringList& comps) const {
    QString anchor;
    switch (comparison) {
    case 0: anchor = comps.isEmpty() ? QString() : comps.first(); break;
    case 1: anchor = findFirstComparativeString(comps); break;
    case 2: anchor = findFirstSuperlativeString(comps); break;
    default:
        TSLogError("BAD COMPARISION TYPE %li:", comparison);
        TSLogError("BAD COMPARISION TYPE %li:", comparison);
        return QString();
    }
    if (!anchor.isNull()) return at(comps, comps.indexOf(anchor) + part - 1);
    switch (comparison) {
    case 2: {
        const QString stem = stemIn(comps, 2);
        return stem.isNull() ? QString() : stem + QStringLiteral("us");
    }
    case 1:
        TSLogError("Shouldn't have problems with missing normal comparative adjective values");
        return QString();
    default:
        TSLogError("Shouldn't have problems with missing normal adjective values");
        return QString();
    }
}

QString Adjective::getThirdDeclensionWordPart(qint64 part, qint64 comparison) const {
    return thirdWordPartIn(components(), part, comparison);
}

QString Adjective::thirdWordPartIn(const QStringList& comps, qint64 part, qint64 comparison) const {
    const qsizetype n = comps.size();
    if (n == 2) return comps.first();
    if (n != 3 && n != 9) return at(comps, comparison);

    const qint64 offset = n == 9 ? 2 * comparison : 0;
    const qint64 index = part - 1 + offset;
    if (part < 1 || index < 0 || index >= n) return QString();
    QString candidate = comps.at(index);
    const bool abbreviated = candidate.startsWith(QLatin1Char('-'));
    QString base = candidate;
    if (abbreviated) {
        // The nearest component before it that is written out.
        for (qint64 j = index - 1; j >= index - (part - 1) && j >= 0; --j) {
            base = comps.at(j);
            if (!base.startsWith(QLatin1Char('-'))) break;
        }
    }
    if (at(comps, offset + 2).startsWith(QLatin1Char('('))) {
        if (abbreviated) base = at(comps, offset);
        else candidate = at(comps, offset);
    }
    if (!abbreviated) return candidate;
    // Joined where the suffix takes over, not simply after the base less two
    // letters (which gives āccre for ācer -cre); short suffixes are joined
    // too, so that fortis -is -e gives fortis and forte.
    return expandAbbreviation(base, candidate.mid(1));
}

// ---- Stems ----

QString Adjective::getStem(qint64 comparison) const { return stemIn(components(), comparison); }

QString Adjective::stemIn(const QStringList& comps, qint64 comparison) const {
    switch (getConjugationFromComparisonType(comparison)) {
    case 1: case 2: return firstStemIn(comps, comparison);
    case 3: return thirdStemIn(comps, comparison);
    default:
        TSLogError("bad conjugation at getStem");
        return QString();
    }
}

QString Adjective::getFirstDeclensionStem(qint64 comparison) const { return firstStemIn(components(), comparison); }

QString Adjective::getThirdDeclensionStem(qint64 comparison) const { return thirdStemIn(components(), comparison); }

QString Adjective::firstStemIn(const QStringList& comps, qint64 comparison) const {
    switch (comparison) {
    case 0: {
        const QString c0 = at(comps, 0);
        const QString c1 = at(comps, 1);
        if (c1.isNull()) return QString();
        if (!c1.startsWith(QLatin1Char('-'))) return c1.isEmpty() ? QString() : c1.left(c1.size() - 1);
        if (c0.endsWith(QLatin1Char('i'))) return c0.left(c0.size() - 1);  // pauci -ae -a
        const QString suffix = c1.mid(1);
        if (c0.endsWith(QLatin1String("er")) && suffix.size() > 1) {
            // pulcher -chra, liber -era: the written-out feminine less its -a;
            // uter -utra gives it whole (it begins as the masculine does).
            const QString plainSuffix = foldLatinString(suffix).toLower();
            const bool whole = suffix.size() >= c0.size() && plainSuffix.startsWith(foldLatinString(c0.left(2)).toLower());
            const QString feminine = whole ? suffix : expandAbbreviation(c0, suffix);
            if (feminine.size() > 1) return feminine.chopped(1);
        }
        return c0.size() >= 3 ? c0.left(c0.size() - 2) : QString();
    }
    case 1:
        return QString();
    case 2: {
        const QString superlative = findFirstSuperlativeString(comps);
        if (!superlative.isNull()) return superlative.size() >= 3 ? superlative.left(superlative.size() - 2) : QString();
        return regularSuperlativeStem(comps);
    }
    default:
        TSLogError("bad comparison type at stemVariant");
        return QString();
    }
}

QString Adjective::regularSuperlativeStem(const QStringList& comps) const {
    const QString masculine = at(comps, 0);
    // pulcher, ācer, celer: pulcherrimus, ācerrimus, celerrimus.
    if (masculine.size() >= 3 && masculine.endsWith(QLatin1String("er"))) return masculine + QStringLiteral("rim");
    static const QStringList illimus = {QStringLiteral("facilis"), QStringLiteral("difficilis"),
                                        QStringLiteral("similis"), QStringLiteral("dissimilis"),
                                        QStringLiteral("gracilis"), QStringLiteral("humilis")};
    if (illimus.contains(foldLatinString(masculine.toLower()))) return masculine.left(masculine.size() - 2) + QStringLiteral("lim");
    const QString positive = stemIn(comps, 0);
    if (positive.isNull()) return QString();
    // vetus veteris: the -rimus of a stem in -er, where the nominative does
    // not show it. Only in the third declension: vērus, sevērus have
    // -issimus.
    if (conjugation() == 3 && positive.size() >= 3 && positive.endsWith(QLatin1String("er")))
        return positive + QStringLiteral("rim");
    return positive + QStringLiteral("issim");
}

QString Adjective::thirdStemIn(const QStringList& comps, qint64 comparison) const {
    switch (comparison) {
    case 0: {
        QString c1 = at(comps, 1);
        if (c1.isNull()) return QString();
        // An abbreviated second component is written out first; the masculine
        // less one letter (which fortis -is -e and ācer -cris would give) is
        // not the stem of any third-declension adjective.
        if (c1.startsWith(QLatin1Char('-'))) c1 = expandAbbreviation(at(comps, 0), c1.mid(1));
        if (c1.isEmpty()) return QString();
        return c1.endsWith(QLatin1Char('e')) ? c1.left(c1.size() - 1) : LatinText::dropLast(c1, 2);
    }
    case 1: {
        const QString comparative = findFirstComparativeString(comps);
        if (!comparative.isNull()) return comparative.size() >= 3 ? comparative.left(comparative.size() - 2) : QString();
        const QString positive = stemIn(comps, 0);
        return positive.isNull() ? QString() : positive + QLatin1Char('i');
    }
    case 2:
        return QString();
    default:
        TSLogError("bad comparison type at stemVariant");
        return QString();
    }
}

// ---- Forms ----

QString Adjective::positiveEnding(const QStringList& comps, const QString& ending, bool pronominal, qint64 theCase,
                                  bool singular, qint64 gender) {
    if (pronominal) return pronominalEnding(comps, ending, theCase, singular, gender);
    // memor, bicolor: memorum, not memorium.
    if (ending == QLatin1String("-ium") && isPositiveInOr(comps)) return QStringLiteral("-um");
    return ending;
}

QString Adjective::declinedValue(Context& ctx, qint64 theCase, bool singular, qint64 gender, qint64 comparison) const {
    if (QString form; tableForm(theCase, singular, gender, comparison, &form)) return form;
    Context::Degree& d = ctx.degree[comparison];
    QString ending = AdjectiveEndings::getEndingForWord(theCase, gender, singular, d.group, d.variant);
    if (comparison == 0) ending = positiveEnding(ctx.comps, ending, ctx.pronominal, theCase, singular, gender);
    if (ending.isEmpty()) {
        if (gender >= 1 && gender <= 3) {
            if (!d.partDone[gender]) {
                d.parts[gender] = wordPartIn(ctx.comps, gender, comparison);
                d.partDone[gender] = true;
            }
            return d.parts[gender];
        }
        return wordPartIn(ctx.comps, gender, comparison);
    }
    if (d.stem.isEmpty()) return QString();
    return ctx.pronominal && comparison == 0 ? joinPronominal(d.stem, ending) : joinStemAndEnding(d.stem, ending);
}

QString Adjective::getDeclinedValue(qint64 theCase, bool singular, qint64 gender, qint64 comparison,
                                    bool endingOnly) const {
    if (getWordType() != WordCode::Adjective) {
        TSLogError("unable to decline this");
        return QString();
    }
    const QStringList comps = components();
    const qint64 group = getConjugationFromComparisonType(comparison);
    qint64 variant = 0;
    switch (comparison) {
    case 0: variant = variantIn(comps, 0); break;
    case 1: variant = 1; break;
    case 2: variant = 0; break;
    default: TSLogError("bad comparison"); break;
    }
    QString ending = AdjectiveEndings::getEndingForWord(theCase, gender, singular, group, variant);
    const bool pronominal = comparison == 0 && isPronominal(comps);
    if (comparison == 0) ending = positiveEnding(comps, ending, pronominal, theCase, singular, gender);
    if (endingOnly) return ending;
    if (QString form; tableForm(theCase, singular, gender, comparison, &form)) return form;
    if (ending.isEmpty()) return wordPartIn(comps, gender, comparison);
    const QString stem = stemIn(comps, comparison);
    if (stem.isEmpty()) return QString();
    return pronominal ? joinPronominal(stem, ending) : joinStemAndEnding(stem, ending);
}

void Adjective::addAdjectiveForms(QStringList& array, const Adjective& word) {
    if (word.conjugation() > 3) return;
    if (word.getWordType() != WordCode::Adjective) {
        TSLogError("unable to decline this");
        return;
    }
    Context ctx;
    ctx.comps = word.components();
    ctx.pronominal = isPronominal(ctx.comps);
    for (qint64 degree = 0; degree < 3; ++degree) {
        Context::Degree& d = ctx.degree[degree];
        d.group = word.getConjugationFromComparisonType(degree);
        d.variant = degree == 0 ? word.variantIn(ctx.comps, 0) : (degree == 1 ? 1 : 0);
        d.stem = word.stemIn(ctx.comps, degree);
    }
    for (qint64 c = 1; c <= 6; ++c)
        for (qint64 gender = 1; gender <= 3; ++gender)
            for (const bool singular : {false, true})
                for (qint64 degree = 0; degree < 3; ++degree) {
                    const QString form = word.declinedValue(ctx, c, singular, gender, degree);
                    if (form.isEmpty()) continue;
                    const QString first = getFirstWordInLine(form);
                    if (first.isNull()) {
                        TSLogError("Nil first word for %@", form);
                        continue;
                    }
                    array.append(first);
                }
}

void Adjective::visitForms(const Adjective& word, bool positiveOnly, const FormVisitor& visit) {
    if (word.conjugation() > 3 || word.getWordType() != WordCode::Adjective) return;
    Context ctx;
    ctx.comps = word.components();
    ctx.pronominal = isPronominal(ctx.comps);
    const qint64 degrees = positiveOnly ? 1 : 3;
    for (qint64 degree = 0; degree < degrees; ++degree) {
        Context::Degree& d = ctx.degree[degree];
        d.group = word.getConjugationFromComparisonType(degree);
        d.variant = degree == 0 ? word.variantIn(ctx.comps, 0) : (degree == 1 ? 1 : 0);
        d.stem = word.stemIn(ctx.comps, degree);
    }
    for (qint64 degree = 0; degree < degrees; ++degree)
        for (qint64 gender = 1; gender <= 3; ++gender)
            for (const bool singular : {true, false})
                for (qint64 c = 1; c <= 6; ++c) {
                    const QString form = word.declinedValue(ctx, c, singular, gender, degree);
                    if (!form.isEmpty()) visit(c, singular, gender, degree, form);
                }
}

void Adjective::addNormalAdjectiveForms(QStringList& array, const Adjective& word, bool omitSingular) {
    if (word.conjugation() > 3) return;
    if (word.getWordType() != WordCode::Adjective) {
        TSLogError("unable to decline this");
        return;
    }
    Context ctx;
    ctx.comps = word.components();
    ctx.pronominal = isPronominal(ctx.comps);
    Context::Degree& d = ctx.degree[0];
    d.group = word.getConjugationFromComparisonType(0);
    d.variant = word.variantIn(ctx.comps, 0);
    d.stem = word.stemIn(ctx.comps, 0);
    for (qint64 c = 1; c <= 6; ++c)
        for (qint64 gender = 1; gender <= 3; ++gender)
            for (const bool singular : {false, true}) {
                if (singular && omitSingular) continue;
                const QString form = word.declinedValue(ctx, c, singular, gender, 0);
                if (!form.isEmpty()) array.append(form);
            }
}
