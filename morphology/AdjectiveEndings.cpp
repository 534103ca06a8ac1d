#include "morphology/AdjectiveEndings.h"

#include "morphology/LatinText.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"

#include <array>

TS_REGISTER_CLASS(AdjectiveEndings)

namespace {

enum class GenderGroup { None, Masculine, Feminine, Neuter };

GenderGroup firstGroup(qint64 gender) {
    switch (gender) {
    case 1: case 7: case 8: case 9: case 10: return GenderGroup::Masculine;
    case 2: return GenderGroup::Feminine;
    case 3: case 11: return GenderGroup::Neuter;
    default: return GenderGroup::None;
    }
}

GenderGroup thirdGroup(qint64 gender) {
    switch (gender) {
    case 1: case 2: case 7: case 8: case 9: case 10: return GenderGroup::Masculine;
    case 3: case 11: return GenderGroup::Neuter;
    default: return GenderGroup::None;
    }
}

struct Cache {
    // 1-2: masculine by variant 0-1, feminine, neuter by variant 0-1;
    // 3: masculine-and-feminine and neuter by variant 0-2.
    std::array<AdjectiveEndingsPtr, 2> firstMasculine, firstNeuter;
    AdjectiveEndingsPtr firstFeminine;
    std::array<AdjectiveEndingsPtr, 3> thirdMasculine, thirdNeuter;
};

const Cache& cache() {
    static const Cache c = [] {
        Cache t;
        for (int v = 0; v < 2; ++v) {
            t.firstMasculine[v] = AdjectiveEndings::makeNewDeclension(1, 1, v);
            t.firstNeuter[v] = AdjectiveEndings::makeNewDeclension(1, 3, v);
        }
        t.firstFeminine = AdjectiveEndings::makeNewDeclension(1, 2, 0);
        for (int v = 0; v < 3; ++v) {
            t.thirdMasculine[v] = AdjectiveEndings::makeNewDeclension(3, 1, v);
            t.thirdNeuter[v] = AdjectiveEndings::makeNewDeclension(3, 3, v);
        }
        return t;
    }();
    return c;
}

}  // namespace

QString AdjectiveEndings::getEnding(qint64 theCase, bool singular) const {
    const qint64 index = singular ? theCase - 1 : theCase + 5;
    if (index < 0 || index >= endings_.size()) return QString();
    const QString& cell = endings_.at(index);
    if (cell == u"*") return LatinText::empty();
    return cell;
}

QString AdjectiveEndings::getEndingForWord(qint64 theCase, qint64 gender, bool singular, qint64 declension,
                                           qint64 variant) {
    const AdjectiveEndingsPtr table = getDeclension(declension, gender, variant);
    return table ? table->getEnding(theCase, singular) : QString();
}

AdjectiveEndingsPtr AdjectiveEndings::getDeclension(qint64 declension, qint64 gender, qint64 variant) {
    switch (declension) {
    case 1: case 2: return get1stDeclension(gender, variant);
    case 3: return get3rdDeclension(gender, variant);
    default:
        TSLogError("unsupported declension");
        return nullptr;
    }
}

AdjectiveEndingsPtr AdjectiveEndings::get1stDeclension(qint64 gender, qint64 variant) {
    const GenderGroup group = firstGroup(gender);
    if (group == GenderGroup::None) {
        TSLogError("bad gender at get1stDeclension");
        return nullptr;
    }
    if (group == GenderGroup::Feminine) return cache().firstFeminine;
    if (variant < 0 || variant > 1) return makeNewDeclension(1, gender, variant);
    return group == GenderGroup::Masculine ? cache().firstMasculine[variant] : cache().firstNeuter[variant];
}

AdjectiveEndingsPtr AdjectiveEndings::get3rdDeclension(qint64 gender, qint64 variant) {
    const GenderGroup group = thirdGroup(gender);
    if (group == GenderGroup::None) {
        TSLogError("bad gender at get1stDeclension");
        return nullptr;
    }
    if (variant < 0 || variant > 2) return makeNewDeclension(3, gender, variant);
    return group == GenderGroup::Masculine ? cache().thirdMasculine[variant] : cache().thirdNeuter[variant];
}

std::shared_ptr<AdjectiveEndings> AdjectiveEndings::makeNewDeclension(qint64 declension, qint64 gender,
                                                                      qint64 variant) {
    auto table = std::make_shared<AdjectiveEndings>();
    QString list;
    switch (declension) {
    case 1: case 2: list = get1stDeclensionString(gender, variant); break;
    case 3: list = get3rdDeclensionString(gender, variant); break;
    default: TSLogError("unsupported declension"); break;
    }
    if (!list.isNull()) table->setEndings(list.split(QLatin1Char(',')));
    return table;
}

QString AdjectiveEndings::get1stDeclensionString(qint64 gender, qint64 variant) {
    switch (firstGroup(gender)) {
    case GenderGroup::Masculine: return get1stDeclensionMasculineString(variant);
    case GenderGroup::Feminine: return get1stDeclensionFeminineString();
    case GenderGroup::Neuter: return get1stDeclensionNeuterString(variant);
    default:
        TSLogError("bad gender at get1stDeclensionString");
        return QString();
    }
}

QString AdjectiveEndings::get3rdDeclensionString(qint64 gender, qint64 variant) {
    switch (thirdGroup(gender)) {
    case GenderGroup::Masculine: return get3rdDeclensionMasculineString(variant);
    case GenderGroup::Neuter: return get3rdDeclensionNeuterString(variant);
    default:
        TSLogError("bad gender at get3rdDeclensionString");
        return QString();
    }
}

QString AdjectiveEndings::get1stDeclensionMasculineString(qint64 variant) {
    switch (variant) {
    case 1: return QStringLiteral("*,*,-um,-ī,-ō,-ō,-ī,-ī,-ōs,-ōrum,-īs,-īs,");
    case 0: break;
    default: TSLogError("bad case constant at get2ndDeclensionString"); break;
    }
    return QStringLiteral("*,-e,-um,-ī,-ō,-ō,-ī,-ī,-ōs,-ōrum,-īs,-īs,");
}

QString AdjectiveEndings::get1stDeclensionFeminineString() {
    return QStringLiteral("-a,-a,-am,-ae,-ae,-ā,-ae,-ae,-ās,-ārum,-īs,-īs,");
}

QString AdjectiveEndings::get1stDeclensionNeuterString(qint64) {
    return QStringLiteral("-um,-um,-um,-ī,-ō,-ō,-a,-a,-a,-ōrum,-īs,-īs,");
}

QString AdjectiveEndings::get3rdDeclensionMasculineString(qint64 variant) {
    switch (variant) {
    case 0: return QStringLiteral("*,*,-em,-is,-ī,-ī,-ēs,-ēs,-ēs/īs,-ium,-ibus,-ibus,");
    case 1:
        return macronizeCaretVowels(
            QStringLiteral("-or,-or,-^orem,-^oris,-^or^i,-^ore,-^or^es,-^or^es,-^or^es,-^orum,-^oribus,-^oribus"));
    case 2: return QStringLiteral("*,*,-em,-is,-ī,-e,-ēs,-ēs,-ēs,-um,-ibus,-ibus,");
    default:
        TSLogError("bad case constant at get2ndDeclensionString");
        return QString();
    }
}

QString AdjectiveEndings::get3rdDeclensionNeuterString(qint64 variant) {
    switch (variant) {
    case 0: return QStringLiteral("*,*,*,-is,-ī,-ī,-ia,-ia,-ia,-ium,-ibus,-ibus");
    case 1:
        // The neuter plural -a is short: meliōra, not meliōrā.
        return macronizeCaretVowels(
            QStringLiteral("-us,-us,-us,-^oris,-^or^i,-^ore,-^ora,-^ora,-^ora,-^orum,-^oribus,-^oribus"));
    case 2: return QStringLiteral("*,*,*,-is,-ī,-e,-a,-a,-a,-um,-ibus,-ibus");
    default:
        TSLogError("bad case constant at get3rdDeclensionNeuterString");
        return QString();
    }
}
