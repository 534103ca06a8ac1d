// The non-finite forms of verbs: imperatives, participles, gerund, gerundive
// and the infinitives other than the present active. Single operations answer
// the caret notation; getVerbPart turns the caret vowels into macrons.

#include "morphology/Word.h"

#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/VerbStems.h"
#include "morphology/VowelLength.h"

namespace {

bool isRegularCode(qint64 code) { return code >= 1 && code <= 5; }

struct Suffixes {
    const char* imperative;
    const char* imperativePlural;
    const char* passiveImperative;
    const char* passiveImperativePlural;
    const char* presentParticiple;
    const char* gerund;
    const char* gerundive;
};

// By regular code 1-5. The mixed conjugation's passive imperative is capere,
// as in the third conjugation: capīre is not a Latin form.
const Suffixes kSuffixes[6] = {
    {},
    {"^a/", "^ate", "^are/", "^amin^i", "^ans", "andum", "andus"},
    {"^e/", "^ete", "^ere/", "^emin^i", "^ens", "endum", "endus"},
    {"e/", "ite", "ere/", "imin^i", "^ens", "endum", "endus"},
    {"^i/", "^ite", "^ire/", "^imin^i", "i^ens", "iendum", "iendus"},
    {"e/", "ite", "ere/", "imin^i", "i^ens", "iendum", "iendus"},
};

QString concat(const QString& a, const char* b) {
    if (a.isNull()) return QString();
    return a + QString::fromUtf8(b);
}

bool isDeponentLike(const VerbStems& s) {
    return s.verbType == WordCode::Deponent || s.verbType == WordCode::SemiDeponent;
}

// The stem an irregular ending written with a leading "-" is joined to.
// Imperfect is the stem of the imperfect and future, which is the present
// stem but for possum (pot-: poteram, potēns).
enum class StemKind { Present, Imperfect, Perfect, Participle };

const QString& stemOf(const VerbStems& s, StemKind kind) {
    switch (kind) {
    case StemKind::Imperfect: return s.otherStem;
    case StemKind::Perfect: return s.perfectStem;
    case StemKind::Participle: return s.participleStem;
    default: return s.presentStem;
    }
}

bool hasEnding(const VerbStems& s, const char* key) {
    return s.irregular && s.irregular->endings.contains(QString::fromLatin1(key));
}

// The irregular table's form under key: nil when there is no table or no key.
QString atypical(const VerbStems& s, const char* key, StemKind kind = StemKind::Present) {
    if (!s.irregular) return QString();
    const auto it = s.irregular->endings.constFind(QString::fromLatin1(key));
    if (it == s.irregular->endings.constEnd()) return QString();
    if (it->startsWith(QLatin1Char('-'))) return joinStemAndEnding(stemBeforeEnding(s, stemOf(s, kind), *it), *it);
    return s.presentStem.isNull() ? QString() : stemBeforeEnding(s, s.presentStem, *it) + *it;
}

QString atypicalPair(const VerbStems& s, const char* singularKey, const char* pluralKey) {
    const QString singular = atypical(s, singularKey);
    if (singular.isNull()) return QString();
    const QString plural = atypical(s, pluralKey);
    return plural.isNull() ? singular : singular + QStringLiteral(" / ") + plural;
}

// A suffix of the table as the verb's stem takes it (dō: date, dare, daminī).
QString suffixFor(const VerbStems& s, const char* suffix) {
    const QString text = QString::fromUtf8(suffix);
    if (!s.shortStemVowel) return text;
    return endingForStem(s, QLatin1Char('-') + text).mid(1);
}

// ---- One function per form, on ready stems ----

QString passiveImperative(const VerbStems& s, bool flag) {
    const QString irregular = atypicalPair(s, "passImperativeSingular", "passImperativePlural");
    if (!irregular.isNull()) return irregular;
    if (flag && s.verbType == WordCode::Deponent) return LatinText::empty();
    if (!isRegularCode(s.code) || s.presentStem.isNull()) return QString();
    if (s.passiveFromFio) return s.fioPrefix + QStringLiteral("f^i/") + s.fioPrefix + QStringLiteral("f^ite");
    const Suffixes& x = kSuffixes[s.code];
    return s.presentStem + suffixFor(s, x.passiveImperative) + s.presentStem + suffixFor(s, x.passiveImperativePlural);
}

QString imperative(const VerbStems& s) {
    const QString irregular = atypicalPair(s, "imperativeSingular", "imperativePlural");
    if (!irregular.isNull()) return irregular;
    if (s.verbType == WordCode::Deponent) return passiveImperative(s, false);
    if (!isRegularCode(s.code) || s.presentStem.isNull()) return QString();
    const Suffixes& x = kSuffixes[s.code];
    // dīc, dūc, fac have lost the -e of rege, cape.
    const QString singular = s.shortImperative ? QStringLiteral("/") : QString::fromUtf8(x.imperative);
    // dā keeps its long a, date does not.
    return caretVowelsToMacrons(s.presentStem + singular + s.presentStem + suffixFor(s, x.imperativePlural));
}

QString presentParticiple(const VerbStems& s) {
    if (isRegularCode(s.code)) return concat(s.presentStem, kSuffixes[s.code].presentParticiple);
    return atypical(s, "presentParticiple", StemKind::Imperfect);
}

QString pastParticiple(const VerbStems& s) {
    if (s.irregular) return atypical(s, "pastParticiple", StemKind::Participle);
    return s.participleStem.isEmpty() ? QString() : s.participleStem + QStringLiteral("us");
}

// morior (mortuus) and orior (ortus), with their compounds, build the future
// participle on the present stem: moritūrus, oritūrus, adoritūrus.
bool futureOnPresentStem(const VerbStems& s) {
    if (s.verbType != WordCode::Deponent || (s.code != 4 && s.code != 5)) return false;
    const QString present = foldLatinString(s.presentStem).toLower();
    if (present.isEmpty() || !present.endsWith(QLatin1String("or"))) return false;
    const QString participle = foldLatinString(s.participleStem).toLower();
    return participle == present + QLatin1Char('t') || participle == present + QLatin1String("tu");
}

QString futureParticiple(const VerbStems& s) {
    if (s.irregular) return atypical(s, "futureParticiple", StemKind::Participle);
    if (s.participleStem.isEmpty()) return QString();
    if (futureOnPresentStem(s)) return s.presentStem + QStringLiteral("it^urus");
    return s.participleStem + QStringLiteral("^urus");
}

QString gerund(const VerbStems& s) {
    if (hasEnding(s, "gerund")) return atypical(s, "gerund");
    return isRegularCode(s.code) ? concat(s.presentStem, kSuffixes[s.code].gerund) : QString();
}

QString gerundive(const VerbStems& s) {
    if (hasEnding(s, "gerundive")) return atypical(s, "gerundive");
    return isRegularCode(s.code) ? concat(s.presentStem, kSuffixes[s.code].gerundive) : QString();
}

QString pastActiveInfinitive(const VerbStems& s) {
    if (s.irregular) {
        const auto it = s.irregular->endings.constFind(QStringLiteral("pastActiveInfinitive"));
        if (it == s.irregular->endings.constEnd()) return s.presentStem;
        if (it->startsWith(QLatin1Char('-'))) return joinPerfectStem(s, *it);
        return atypical(s, "pastActiveInfinitive", StemKind::Perfect);
    }
    if (isDeponentLike(s)) {
        return s.participleStem.isEmpty() ? LatinText::empty() : s.participleStem + QStringLiteral("us esse");
    }
    return s.perfectStem.isEmpty() ? LatinText::empty() : s.perfectStem + QStringLiteral("isse");
}

QString presentPassiveInfinitive(const VerbStems& s) {
    if (s.irregular) return atypical(s, "passiveInfinitive");
    if (s.passiveFromFio) return s.fioPrefix + QStringLiteral("fier^i");
    if (s.code == 1 || s.code == 2 || s.code == 4) {
        const QString active = LatinText::dropLast(s.infinitive, 1);
        return active.isNull() ? QString() : active + QStringLiteral("^i");
    }
    return concat(s.presentStem, "^i");
}

QString futurePassiveInfinitive(const VerbStems& s) {
    if (s.irregular) return atypical(s, "futurePassiveInfinitive", StemKind::Participle);
    // A deponent's "supine" is its perfect participle, which makes no
    // passive infinitive; like the perfect passive infinitive it has none.
    if (isDeponentLike(s) || s.participleStem.isEmpty()) return LatinText::empty();
    // The supine in -um, whatever form the fourth part was written in.
    return s.participleStem + QStringLiteral("um ^ir^i");
}

QString pastPassiveParticiple(const VerbStems& s) {
    if (s.irregular) return atypical(s, "pastPassiveInfinitive", StemKind::Participle);
    if (isDeponentLike(s)) return LatinText::empty();
    return s.participleStem.isEmpty() ? QString() : s.participleStem + QStringLiteral("us esse");
}

}  // namespace

QString Word::verbPart(const VerbStems& s, qint64 index) const {
    QString form;
    // A defective verb keeps its perfect infinitive, the future participle
    // and infinitive the entry gives, and meminī its imperative.
    if (s.defect != VerbStems::Defect::None) {
        switch (index) {
        case 0: case 1: case 6: break;
        case 10:
            if (s.defect == VerbStems::Defect::Inquam) return QStringLiteral("inque / inquit\u014D");
            return s.mementoImperative ? caretVowelsToMacrons(s.perfectStem.chopped(2) + QStringLiteral("ent^o / ") +
                                                                 s.perfectStem.chopped(2) + QStringLiteral("ent^ote"))
                                            : QString();
        default: return QString();
        }
    }
    switch (index) {
    case 0: {
        const QString participle = futureParticiple(s);
        if (!participle.isNull()) form = participle + QStringLiteral(" esse");
        // fīō has no future participle of its own; being faciō's passive,
        // its future infinitive is faciō's future passive, factum īrī.
        else if (s.code == WordCode::Fio) form = futurePassiveInfinitive(s);
        break;
    }
    case 1: form = pastActiveInfinitive(s); break;
    case 2: form = presentPassiveInfinitive(s); break;
    case 3: form = futurePassiveInfinitive(s); break;
    case 4: form = pastPassiveParticiple(s); break;
    case 5: form = presentParticiple(s); break;
    case 6: form = futureParticiple(s); break;
    case 7: form = pastParticiple(s); break;
    case 8: form = gerund(s); break;
    case 9: form = gerundive(s); break;
    case 10: form = imperative(s); break;
    case 11: form = passiveImperative(s, true); break;
    default: return QString();
    }
    return caretVowelsToMacrons(form);
}

QString Word::getVerbPart(qint64 index) const {
    if (index < 0 || index > 11) return QString();
    return verbPart(verbStems(), index);
}

std::array<QString, 12> Word::getVerbParts() const {
    const VerbStems s = verbStems();
    std::array<QString, 12> parts;
    for (int i = 0; i < 12; ++i) parts[i] = verbPart(s, i);
    return parts;
}

QString Word::getImperative() const { return imperative(verbStems()); }
QString Word::getAtypicalImperative() const { return atypicalPair(verbStems(), "imperativeSingular", "imperativePlural"); }
QString Word::getPassiveImperative(bool flag) const { return passiveImperative(verbStems(), flag); }
QString Word::getAtypicalPassInperative() const {
    return atypicalPair(verbStems(), "passImperativeSingular", "passImperativePlural");
}
QString Word::getPresentParticiple() const { return presentParticiple(verbStems()); }
QString Word::getAtypicalPresentParticiple() const { return atypical(verbStems(), "presentParticiple"); }
QString Word::getPastParticiple() const { return pastParticiple(verbStems()); }
QString Word::getFutureParticiple() const { return futureParticiple(verbStems()); }
QString Word::getGerund() const { return gerund(verbStems()); }
QString Word::getAtypicalGerund() const { return atypical(verbStems(), "gerund"); }
QString Word::getGerundive() const { return gerundive(verbStems()); }
QString Word::getAtypicalGerundive() const { return atypical(verbStems(), "gerundive"); }
QString Word::getPastActiveInfinitive() const { return pastActiveInfinitive(verbStems()); }
QString Word::getPresentPassiveInfinitive() const { return presentPassiveInfinitive(verbStems()); }
QString Word::getFuturePassiveInfinitive() const { return futurePassiveInfinitive(verbStems()); }
QString Word::getPastPassiveParticiple() const { return pastPassiveParticiple(verbStems()); }
