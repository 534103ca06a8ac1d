// The finite forms of verbs: stems from the principal parts, and stem and
// ending joined for every person, number, mood, voice and tense.

#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/VerbStems.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"

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

// A shortened part that begins with a consonant restates the end of the first
// part from where its first two letters stand there: rĕlinquo -līqui is
// relīquī, vĭdĕo -vīdi -vīsum is vīdī, vīsum, mitto -mīsi is mīsī. Null when
// they stand nowhere in it (rego -xi, dūco -ctum): such a part is an ending.
// A part's j is the first part's i (adiŭvo -jūvi is adiūvī); in a compound
// of iaciō the simple verb's j stands before a weakened vowel (objĭcĭo
// -jēci is objēcī) or before none (ēĭcĭo -jēci is ēiēcī), and the part is
// written with i where the first part writes no j.
QString restatedPart(const QString& first, const QString& part) {
    if (first.isEmpty() || part.size() < 2) return QString();
    const QString plainPart = LatinText::plainLetterCopy(part.left(2)).toLower();
    if (isPlainVowel(plainPart.at(0)) || !plainPart.at(0).isLetter()) return QString();
    const bool consonantalI = plainPart.at(0) == u'j';
    QString plainFirst = LatinText::plainLetterCopy(first).toLower();
    QString plainRestated = LatinText::plainLetterCopy(part).toLower();
    QString restated = part;
    if (consonantalI) {
        if (!plainFirst.contains(u'j')) restated.replace(u'j', u'i').replace(u'J', u'I');
        plainFirst.replace(u'j', u'i');
        plainRestated.replace(u'j', u'i');
    }
    qsizetype at = plainFirst.indexOf(plainRestated.left(2));
    if (at < 0 && consonantalI && plainRestated.size() >= 3) {
        const QChar next = plainRestated.at(2);
        for (qsizetype k = 0; at < 0 && k + 2 < plainFirst.size(); ++k)
            if (plainFirst.at(k) == u'i' && isPlainVowel(plainFirst.at(k + 1)) && plainFirst.at(k + 2) == next) at = k;
        if (at < 0) at = plainFirst.indexOf(QString(QChar(u'i')) + next);
    }
    if (at < 0) return QString();
    // Where the part repeats the first part's letters it takes the lengths
    // the first part marks and it leaves out (vīvo -vixi is vīxī).
    static const QString longVowels = QStringLiteral("\u0101\u0113\u012B\u014D\u016B\u0233");
    for (qsizetype i = 0; at + i < first.size() && i < part.size() && plainFirst.at(at + i) == plainRestated.at(i); ++i)
        if (part.at(i).unicode() < 0x80 && longVowels.contains(first.at(at + i))) restated[i] = first.at(at + i);
    return first.left(at) + restated;
}

// A shortened part on the present stem of a regular conjugation, where it
// begins with a vowel or with the stem's own last consonant. True endings
// join the stem: -uī and -ūtum (once, after a stem that ends in u: ēlŭo
// ēlŭī), -itum, -īvī, -iī, and the stem vowel's -āvī/-ātum of the first
// conjugation and -ēvī/-ētum of the second. Any other vowel begins the
// root's own changed syllable and replaces the stem from its last vowel on:
// ĕdo ēsum, ŏbĕdo ŏbēdī, exĭgo exēgī exactum, quĭesco quĭēvī, opprĭmo
// oppressī. A part that begins with the stem's last consonant stands on the
// stem without it (răpĭo -pŭi, carpo -psi: răpŭī, carpsī, not răppŭī);
// -si, -sum, -ssum and -tum take the place of a final d or t (verto versum,
// claudo clausī, mitto missum, ostendo ostentum). Null for any other
// consonant, and when the code is not a regular conjugation (exĕdo's stem
// ex- already ends before the simple verb).
QString shortPartOnStem(const QString& present, const QString& part, qint64 code) {
    if (present.isEmpty() || part.size() < 2 || code < 1 || code > 5) return QString();
    const QString p = LatinText::plainLetterCopy(part.left(2)).toLower();
    const QString stem = LatinText::plainLetterCopy(present).toLower();
    if (!isPlainVowel(p.at(0))) {
        const bool dental = (p.at(0) == u's' && (isPlainVowel(p.at(1)) || p.at(1) == u's')) ||
                            (p.at(0) == u't' && p.at(1) == u'u');
        if (dental && (stem.endsWith(u'd') || stem.endsWith(u't'))) {
            qsizetype at = stem.size();
            while (at > 0 && (stem.at(at - 1) == u'd' || stem.at(at - 1) == u't')) --at;
            return present.left(at) + part;
        }
        return p.at(0).isLetter() && stem.endsWith(p.at(0)) ? present.chopped(1) + part : QString();
    }
    const QChar next = p.at(1);
    const bool ending = (p.at(0) == u'u' && (next == u'i' || next == u't')) ||
                        (p.at(0) == u'i' && (next == u't' || next == u'v' || next == u'i')) ||
                        (code == 1 && p.at(0) == u'a' && (next == u'v' || next == u't')) ||
                        (code == 2 && p.at(0) == u'e' && (next == u'v' || next == u't'));
    if (ending) {
        const bool doubledU = p.at(0) == u'u' && stem.endsWith(u'u') && !stem.endsWith(QLatin1String("qu"));
        return (doubledU ? present.chopped(1) : present) + part;
    }
    for (qsizetype i = stem.size() - 1; i >= 0; --i)
        if (isPlainVowel(stem.at(i)) && !(stem.at(i) == u'u' && i > 0 && stem.at(i - 1) == u'q'))
            return present.left(i) + part;
    return present + part;
}

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
    if (stems.code == WordCode::Eo && stems.perfectStem.endsWith(u'i') && ending.startsWith(QLatin1String("-is")))
        return stems.perfectStem.chopped(1) + QChar(0x012B) + ending.mid(2);
    return joinStemAndEnding(stems.perfectStem, ending);
}

qint64 Word::getVerbType() const {
    const QString first = getNthPart(1, nullptr);
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
    const QString restated = hyphen && stem ? restatedPart(LatinText::firstWord(latin_), part) : QString();
    if (!restated.isNull()) {
        part = restated;
    } else if (hyphen) {
        if (!stem) return QString();
        QString present = getFirstPersonStem(true, 1);
        if (present.isNull()) return QString();
        const QChar last = present.isEmpty() ? QChar() : present.at(present.size() - 1);
        const QString onStem = shortPartOnStem(present, part, conj_);
        if (!onStem.isNull()) {
            part = onStem;
        } else {
            // rego -xi: rexi; duco -xi: duxi; ico -ci: ici.
            if ((part.startsWith(u'x') && (last == u'c' || last == u'g')) || (part.startsWith(u'c') && last == u'c'))
                present.chop(1);
            part = present + part;
        }
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
    const QString restated = hyphen && stem ? restatedPart(LatinText::firstWord(latin_), part) : QString();
    if (!restated.isNull()) {
        part = restated;
    } else if (hyphen) {
        if (!stem) return QString();
        QString present = getFirstPersonStem(true, 1);
        if (present.isNull()) return QString();
        const QChar last = present.isEmpty() ? QChar() : present.at(present.size() - 1);
        const QString onStem = shortPartOnStem(present, part, conj_);
        if (!onStem.isNull()) {
            part = onStem;
        } else {
            // duco -ctum: ductum. After a g the c stays and the g goes (rego
            // -ctum: rectum), as the perfect does with -xi.
            if (part.startsWith(u'c') && last == u'c') part.remove(0, 1);
            else if (part.startsWith(u'c') && last == u'g') present.chop(1);
            part = present + part;
        }
    }
    return cut ? LatinText::dropLast(part, 2) : part;
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
    return s;
}

QString Word::conjugatedValue(const VerbStems& stems, qint64 person, bool singular, bool indicative, bool active,
                              qint64 tense) const {
    if (stems.verbType == WordCode::Deponent) active = false;
    else if (stems.verbType == WordCode::SemiDeponent && tense >= 4) active = false;

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
