// The finite forms of verbs: stems from the principal parts, and stem and
// ending joined for every person, number, mood, voice and tense.

#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/VerbPartPlacement.h"
#include "morphology/VerbStems.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"

#include <algorithm>

namespace {

// Characters cut from the first principal part to leave the present stem.
qsizetype presentStemCut(qint64 code) {
    switch (code) {
    case 2: case 4: case 5: case 7: return 2;
    case 8: case 10: case 11: return 3;
    case 9: case 12: case 13: case 14: return 4;
    default: return 1;
    }
}

bool isIrregularCode(qint64 code) { return code >= 7 && code <= 15; }

bool isPlainVowel(QChar c) { return QStringLiteral("aeiouy").contains(c); }

bool beginsWithVowel(const QString& ending) {
    const qsizetype at = ending.startsWith(u'-') ? 1 : 0;
    if (at >= ending.size()) return false;
    const QString letter = foldLatinString(ending.mid(at, 1)).toLower();
    return letter.size() == 1 && isPlainVowel(letter.at(0));
}

bool hasLengthMarks(const QString& text) { return foldLatinString(text) != text; }

// The regular conjugations' stem vowels, which the analyser's parts leave
// unmarked while the endings are marked: amāre amāvī amātus, monēre,
// audīre audīvī audītus (and eō's īre īvī). `tail` is the plain ending that
// follows the vowel; the vowel is marked long when the text ends so.
QString markStemVowel(const QString& text, QChar vowel, const QString& tail) {
    if (text.size() <= tail.size() || hasLengthMarks(text) || !text.endsWith(tail)) return text;
    const qsizetype at = text.size() - tail.size() - 1;
    if (text.at(at) != vowel) return text;
    QString out = text;
    out[at] = markVowelsLong(QString(vowel)).at(0);
    return out;
}

void markRegularStemVowels(VerbStems& s) {
    QChar vowel;
    switch (s.code) {
    case 1: vowel = u'a'; break;
    case 2: vowel = u'e'; break;
    case 4: case WordCode::Eo: vowel = u'i'; break;
    default: return;
    }
    // dō's a is short: dare, datum.
    if (s.shortStemVowel || (s.verbType == WordCode::Deponent && s.code == WordCode::Eo)) return;
    // The present infinitive: -āre, -ēre, -īre, and the deponents' -ārī, -ērī, -īrī.
    QString infinitive = markStemVowel(s.infinitive, vowel, QStringLiteral("re"));
    if (infinitive == s.infinitive) {
        infinitive = markStemVowel(s.infinitive, vowel, QStringLiteral("ri"));
        if (infinitive != s.infinitive) infinitive = infinitive.chopped(1) + QChar(0x012B);
    }
    s.infinitive = infinitive;
    if (s.code != WordCode::Eo) s.imperfectSubjunctiveStem = LatinText::dropLast(s.infinitive, 1);
    if (s.code == 2) return;
    // The perfect in -āvī, -īvī and, with it, the supine in -ātum, -ītum
    // (stō stetī stătum and iuvō iūvī iūtum are no such verbs).
    // A deponent's participle stands for both (hortātus, partītus).
    const QString perfect = markStemVowel(s.perfectStem, vowel, QStringLiteral("v"));
    if (perfect == s.perfectStem && s.verbType != WordCode::Deponent) return;
    s.perfectStem = perfect;
    if (s.code == WordCode::Eo) return;
    s.supine = markStemVowel(markStemVowel(s.supine, vowel, QStringLiteral("tum")), vowel, QStringLiteral("tus"));
    s.participleStem = markStemVowel(s.participleStem, vowel, QStringLiteral("t"));
}

// What a verb lacks, read from its first part: a perfect (ōdī, meminī,
// coepī) has no present system; a third person (licet, ningit, rēfert) has
// no other person. No first person present ends so.
VerbStems::Defect defectOf(const QString& first) {
    const QString plain = foldLatinString(first).toLower();
    if (plain.size() < 3) return VerbStems::Defect::None;
    if (plain == QLatin1String("inquam")) return VerbStems::Defect::Inquam;
    if (plain.endsWith(u'i')) return VerbStems::Defect::PerfectOnly;
    if (plain.endsWith(u't')) return VerbStems::Defect::Impersonal;
    return VerbStems::Defect::None;
}

// The part after the first whose plain letters end so (ōsūrus, licuit),
// placed on the stem when written with a hyphen; nil when there is none.
QString partEndingIn(const Word& word, const QStringList& endings, const QStringList& except = {}) {
    for (qint64 index = 2;; ++index) {
        bool hyphen = false;
        const QString part = word.getNthPart(index, &hyphen);
        if (part.isNull()) return QString();
        const QString plain = foldLatinString(part).toLower();
        const auto ends = [&](const QString& e) { return plain.endsWith(e); };
        if (!std::any_of(endings.begin(), endings.end(), ends) || std::any_of(except.begin(), except.end(), ends))
            continue;
        return hyphen ? word.placedPart(part) : part;
    }
}

// The forms of inquam that authors use; every other cell has none.
QString inquamForm(qint64 person, bool singular, bool indicative, qint64 tense) {
    if (!indicative) return tense == 1 && person == 3 && singular ? QStringLiteral("inquiat") : QString();
    static const char16_t* const present[6] = {u"inquam", u"inquis", u"inquit", u"inquimus", u"inquitis", u"inquiunt"};
    static const char16_t* const future[6] = {nullptr, u"inqui\u0113s", u"inquiet", nullptr, nullptr, nullptr};
    static const char16_t* const imperfect[6] = {nullptr, nullptr, u"inqui\u0113bat", nullptr, nullptr, nullptr};
    static const char16_t* const perfect[6] = {u"inqui\u012B", u"inqu\u012Bst\u012B", u"inquit", nullptr, nullptr, nullptr};
    const char16_t* const* row = tense == 1 ? present : tense == 2 ? future : tense == 3 ? imperfect : tense == 4 ? perfect : nullptr;
    if (!row || person < 1 || person > 3) return QString();
    const char16_t* form = row[singular ? person - 1 : person + 2];
    return form ? QString::fromUtf16(form) : QString();
}

}  // namespace

QString stemBeforeEnding(const VerbStems& stems, const QString& stem, const QString& ending) {
    if (!stems.dBeforeVowel || stem.isNull() || !beginsWithVowel(ending)) return stem;
    return stem + QLatin1Char('d');
}

QString endingForStem(const VerbStems& stems, const QString& ending) {
    if (!stems.shortStemVowel || !ending.startsWith(u'-') || ending.size() < 2) return ending;
    if (ending.at(1) == u'\u0101') return QStringLiteral("-a") + ending.mid(2);
    if (ending.size() >= 3 && ending.at(1) == u'^' && ending.at(2) == u'a') return QStringLiteral("-a") + ending.mid(3);
    return ending;
}

QString joinPerfectStem(const VerbStems& stems, const QString& ending) {
    // iistī, iisse, rediissem are written as they were said: īstī, īsse,
    // redīssem. The other persons keep their ii (iimus, rediit).
    // The source may mark the i short (exĭi, rĕdĭi): it is the same i.
    if (stems.code == WordCode::Eo && !stems.perfectStem.isEmpty() &&
        foldLatinString(stems.perfectStem.right(1)) == QLatin1String("i") && ending.startsWith(QLatin1String("-is")))
        return stems.perfectStem.chopped(1) + QChar(0x012B) + ending.mid(2);
    return joinStemAndEnding(stems.perfectStem, ending);
}

qint64 Word::getVerbType() const {
    const QString first = getNthPart(1, nullptr);
    // ōdī's ōsus and the like make no semi-deponent: such a verb is active.
    if (defectOf(first) != VerbStems::Defect::None) return WordCode::Ordinary;
    if (first.size() >= 2 && first.endsWith(QLatin1String("or"))) return WordCode::Deponent;
    const QString third = getNthPart(3, nullptr);
    if (third.size() >= 2 && third.endsWith(QLatin1String("us"))) return WordCode::SemiDeponent;
    return WordCode::Ordinary;
}

bool Word::hasPerfectPassive() const { return !getNthPart(4, nullptr).isEmpty(); }

QString Word::getFirstPersonStem(bool stem, qint64 tense) const {
    const QString first = LatinText::firstWord(latin_);
    if (first.isNull() || !stem) return first;
    if (conj_ == WordCode::Possum) {
        if (tense == 1) return LatinText::dropLast(first, 3);
        const QString pot = LatinText::dropLast(first, 4);
        return pot.isNull() ? QString() : pot + QLatin1Char('t');
    }
    qsizetype cut = presentStemCut(conj_);
    switch (defectOf(first)) {
    case VerbStems::Defect::PerfectOnly:
    case VerbStems::Defect::Inquam: return QString();
    // The third person's -at, -et, -it (licet: lic-); an irregular verb's is
    // as long as its first person's (rē-fert, inter-est).
    case VerbStems::Defect::Impersonal: if (conj_ >= 1 && conj_ <= 5) cut = 2; break;
    default: break;
    }
    if (first.endsWith(QLatin1Char('r'))) ++cut;  // deponents: hortor gives hort-
    return LatinText::dropLast(first, cut);
}

QString Word::getInfinitive(bool stem) const {
    const QString& s = latin_;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && LatinCharacterSet::isWordLetter(s.at(i).unicode())) ++i;
    while (i < n && s.at(i).isSpace()) ++i;
    const qsizetype hyphens = i;
    while (i < n && s.at(i) == u'-') ++i;
    const bool hadHyphen = i > hyphens;
    const qsizetype start = i;
    while (i < n && LatinCharacterSet::isWordLetter(s.at(i).unicode())) ++i;
    if (i == start) return QString();
    const QString letters = s.mid(start, i - start);
    if (!hadHyphen) return letters;
    if (!stem) return s.mid(hyphens, i - hyphens);
    const QString present = getFirstPersonStem(true, 1);
    return present.isNull() ? QString() : present + letters;
}

QString Word::getPastParticipleStem(bool stem, bool cut) const {
    bool hyphen = false;
    QString part = getNthPart(3, &hyphen);
    if (part.isEmpty()) return QString();
    if (hyphen) {
        if (!stem) return QString();
        part = placedPart(part);
        if (part.isNull()) return QString();
    }
    if (!cut) return part;
    const qsizetype n = conj_ == WordCode::Sum ? 3 : (conj_ == WordCode::Fero ? 4 : 1);
    return LatinText::dropLast(part, n);
}

QString Word::getSupine(bool stem, bool cut) const {
    const qint64 type = getVerbType();
    if (type == WordCode::Ordinary && !hasPerfectPassive()) return QString();
    bool hyphen = false;
    QString part = getNthPart(type == WordCode::Ordinary ? 4 : 3, &hyphen);
    if (part.isEmpty()) return part;
    // A supine ends in -um, a participle given in its place in -us; a word
    // of a note that stands in the slot ("-sometimes") is neither.
    const QString plain = foldLatinString(part).toLower();
    if (!plain.endsWith(QLatin1String("um")) && !plain.endsWith(QLatin1String("us"))) return QString();
    if (hyphen) {
        if (!stem) return QString();
        part = placedPart(part);
        if (part.isNull()) return QString();
    }
    return cut ? LatinText::dropLast(part, 2) : part;
}

QString Word::placedPart(const QString& part) const {
    const QString present = getFirstPersonStem(true, 1);
    if (present.isNull()) return QString();
    return verbparts::placePart(LatinText::firstWord(latin_), present, part, conj_);
}

qint64 Word::unplacedPrincipalParts() const {
    if (wordType_ != WordCode::Verb) return 0;
    qint64 left = 0;
    const qint64 type = getVerbType();
    for (const qint64 index : {qint64(3), qint64(4)}) {
        if (index == 4 && type != WordCode::Ordinary) break;
        bool hyphen = false;
        const QString part = getNthPart(index, &hyphen);
        if (hyphen && !part.isEmpty() && placedPart(part).isNull()) ++left;
    }
    return left;
}

VerbStems Word::verbStems() const {
    VerbStems s;
    s.code = conj_;
    s.verbType = getVerbType();
    s.presentStem = getFirstPersonStem(true, 1);
    s.otherStem = conj_ == WordCode::Possum ? getFirstPersonStem(true, 2) : s.presentStem;
    s.perfectStem = getPastParticipleStem(true, true);
    s.supine = getSupine(true, false);
    s.participleStem = LatinText::dropLast(s.supine, 2);
    s.infinitive = getInfinitive(true);
    if (isIrregularCode(conj_)) {
        s.imperfectSubjunctiveStem = s.otherStem;
    } else if (s.verbType == WordCode::Deponent && (conj_ == 3 || conj_ == 5)) {
        // loquī and patī have lost the -er- that loquerer and paterer keep.
        s.imperfectSubjunctiveStem = s.presentStem.isNull() ? QString() : s.presentStem + QStringLiteral("er");
    } else {
        s.imperfectSubjunctiveStem = LatinText::dropLast(s.infinitive, 1);
    }
    s.irregular = Verb::irregularTable(conj_);
    const QString plainFirst = foldLatinString(LatinText::firstWord(latin_)).toLower();
    if (conj_ == WordCode::MixedConjugation && plainFirst.endsWith(QLatin1String("facio"))) {
        // Compounds that weaken the a (cōnficiō) have a passive of their own.
        s.passiveFromFio = true;
        s.fioPrefix = LatinText::dropLast(LatinText::firstWord(latin_), 5);
        s.shortImperative = true;
    } else if (conj_ == 3) {
        s.shortImperative = plainFirst.endsWith(QLatin1String("duco")) || plainFirst.endsWith(QLatin1String("dico"));
    }
    s.dBeforeVowel = conj_ == WordCode::Sum && !s.presentStem.isNull() &&
                     foldLatinString(s.presentStem).toLower() == QLatin1String("pro");
    if (conj_ == 1 && s.verbType == WordCode::Ordinary) {
        // dō itself, or a compound that shows dō's reduplicated perfect
        // (circumdedī); laudō, mandō and the like have -āvī.
        const QString present = foldLatinString(s.presentStem).toLower();
        const QString perfect = foldLatinString(s.perfectStem).toLower();
        s.shortStemVowel = present == QLatin1String("d") ||
                           (present.endsWith(u'd') && perfect.endsWith(QLatin1String("ded")));
    }
    markRegularStemVowels(s);
    applyDefect(s);
    return s;
}

void Word::applyDefect(VerbStems& s) const {
    const QString first = LatinText::firstWord(latin_);
    s.defect = defectOf(first);
    switch (s.defect) {
    case VerbStems::Defect::None: return;
    case VerbStems::Defect::PerfectOnly: {
        s.presentStem = s.otherStem = s.infinitive = s.imperfectSubjunctiveStem = QString();
        s.perfectStem = LatinText::dropLast(first, 1);
        // The only other form such a verb may have is a future participle
        // (ōsūrus); a part in -us (ōsus) is no passive of it.
        const QString future = partEndingIn(*this, {QStringLiteral("urus")});
        s.participleStem = future.isNull() ? QString() : LatinText::dropLast(future, 4);
        s.supine = QString();
        s.mementoImperative = foldLatinString(first).toLower().endsWith(QLatin1String("memini"));
        return;
    }
    case VerbStems::Defect::Inquam:
        s.presentStem = s.otherStem = s.infinitive = s.imperfectSubjunctiveStem = QString();
        s.perfectStem = s.participleStem = s.supine = QString();
        return;
    case VerbStems::Defect::Impersonal: {
        // The perfect is given as its third person (licuit, -nxit); a part
        // in -ēbat or -ēbit is another tense.
        const QString perfect = partEndingIn(*this, {QStringLiteral("it")}, {QStringLiteral("bit")});
        s.perfectStem = perfect.isNull() ? QString() : LatinText::dropLast(perfect, 2);
        s.participleStem = s.supine = QString();
        s.passiveFromFio = false;
        return;
    }
    }
}

QString Word::conjugatedValue(const VerbStems& stems, qint64 person, bool singular, bool indicative, bool active,
                              qint64 tense) const {
    if (stems.verbType == WordCode::Deponent) active = false;
    else if (stems.verbType == WordCode::SemiDeponent && tense >= 4) active = false;
    if (stems.defect == VerbStems::Defect::Inquam) return active ? inquamForm(person, singular, indicative, tense) : QString();
    // A defective verb has no passive, and only the forms its kind keeps.
    if (stems.defect != VerbStems::Defect::None &&
        (!active || (stems.defect == VerbStems::Defect::PerfectOnly && tense <= 3) ||
         (stems.defect == VerbStems::Defect::Impersonal && (person != 3 || !singular))))
        return QString();

    if (!active && stems.passiveFromFio && tense <= 3) {
        // fīō's own forms are active in shape.
        const QStringList* fio = Verb::endingList(WordCode::Fio, indicative, true, tense);
        if (!fio || person < 1 || person > 3 || fio->size() < 6) return QString();
        return joinStemAndEnding(stems.fioPrefix, fio->at(singular ? person - 1 : person + 2));
    }
    const QStringList* list = Verb::endingList(stems.code, indicative, active, tense);
    if (!list || person < 1 || person > 3 || list->size() < 6) return QString();
    QString ending = list->at(singular ? person - 1 : person + 2);
    if (ending.isEmpty()) return QString();
    // dās keeps its long a; every other present-system form of dō has it short.
    if (tense <= 3 && !(tense == 1 && indicative && active && singular && person == 2))
        ending = endingForStem(stems, ending);

    switch (tense) {
    case 1: return joinStemAndEnding(stemBeforeEnding(stems, stems.presentStem, ending), ending);
    case 2: return joinStemAndEnding(stemBeforeEnding(stems, stems.otherStem, ending), ending);
    case 3: {
        const QString& stem = indicative ? stems.otherStem : stems.imperfectSubjunctiveStem;
        return joinStemAndEnding(stemBeforeEnding(stems, stem, ending), ending);
    }
    case 4: case 5: case 6:
        return active ? joinPerfectStem(stems, ending)
                      : compoundPassiveForm(stems.participleStem, ending, singular);
    default: return QString();
    }
}

QString Word::getConjugatedValue(qint64 person, bool singular, bool indicative, bool active, qint64 tense,
                                 bool endingOnly) const {
    if (wordType_ != WordCode::Verb) {
        TSLogError("unable to conjugate this");
        return QString();
    }
    const qint64 type = getVerbType();
    if (type == WordCode::Deponent || (type == WordCode::SemiDeponent && tense >= 4)) active = false;
    const QString ending = Verb::getConjugationEnding(conj_, person, singular, indicative, active, tense);
    if (endingOnly) return ending;
    if (ending.isEmpty() || tense < 1 || tense > 6) return QString();
    return conjugatedValue(verbStems(), person, singular, indicative, active, tense);
}
