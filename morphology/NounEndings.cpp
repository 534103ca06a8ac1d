#include "morphology/NounEndings.h"

#include "morphology/LatinText.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"

#include <array>

TS_REGISTER_CLASS(NounEndings)

namespace {

// A declension's 36 cells: the masculine block, the feminine block (the
// same) and the neuter block.
QString fullList(const char16_t* masculineAndFeminine, const char16_t* neuter) {
    const QString mf = QString::fromUtf16(masculineAndFeminine);
    return mf + QLatin1Char(',') + mf + QLatin1Char(',') + QString::fromUtf16(neuter);
}

}  // namespace

QString NounEndings::getEnding(qint64 theCase, qint64 gender, bool singular) const {
    const qint64 block = gender == 4 ? 0 : (gender - 1) * 12;
    const qint64 index = singular ? block + theCase - 1 : block + theCase + 5;
    // Compared unsigned: a negative index is as far out of range as a large one.
    if (quint64(index) >= quint64(endings_.size())) return QString();
    const QString& cell = endings_.at(index);
    if (cell == u"*") return LatinText::empty();
    return cell;
}

QString NounEndings::get1stDeclensionString() {
    const char16_t* block = u"-a,-a,-am,-ae,-ae,-ā,-ae,-ae,-ās,-ārum,-īs,-īs";
    return fullList(block, block);
}

QString NounEndings::getGreek1stDeclensionString(qint64 variant) {
    // The plural is the Latin one; the nominative is a cell of its own, so
    // that the long vowel shows where the headword leaves it unmarked.
    if (variant != NounVariant::GreekE) {
        TSLogError("bad case constant at getGreek1stDeclensionString");
        return QString();
    }
    const char16_t* block = u"-ē,-ē,-ēn,-ēs,-ae,-ē,-ae,-ae,-ās,-ārum,-īs,-īs";
    return fullList(block, block);
}

QString NounEndings::get2ndDeclensionString(qint64 variant) {
    if (variant != 0 && variant != 1) {
        TSLogError("bad case constant at get2ndDeclensionString");
        variant = 0;
    }
    const char16_t* neuter = u"*,*,*,-ī,-ō,-ō,-a,-a,-a,-ōrum,-īs,-īs";
    if (variant == 1) return fullList(u"*,*,-um,-ī,-ō,-ō,-ī,-ī,-ōs,-ōrum,-īs,-īs", neuter);
    return fullList(u"*,-e,-um,-ī,-ō,-ō,-ī,-ī,-ōs,-ōrum,-īs,-īs", neuter);
}

QString NounEndings::get3rdDeclensionString(qint64 variant) {
    switch (variant) {
    case 0:
        return fullList(u"*,*,-em,-is,-ī,-e,-ēs,-ēs,-ēs,-um,-ibus,-ibus", u"*,*,*,-is,-ī,-e,-a,-a,-a,-um,-ibus,-ibus");
    case 1:
        return fullList(u"*,*,-em,-is,-ī,-e,-ēs,-ēs,-ēs,-ium,-ibus,-ibus",
                        u"*,*,*,-is,-ī,-ī,-ia,-ia,-ia,-ium,-ibus,-ibus");
    default:
        TSLogError("bad case constant at get3rdDeclensionString");
        return QString();
    }
}

QString NounEndings::get4thDeclensionString() {
    return fullList(u"*,*,-um,-ūs,-uī,-ū,-ūs,-ūs,-ūs,-uum,-ibus,-ibus", u"*,*,*,-ūs,-ū,-ū,-ua,-ua,-ua,-uum,-ibus,-ibus");
}

QString NounEndings::get5thDeclensionString(qint64 variant) {
    const char16_t* block = nullptr;
    switch (variant) {
    case 0: block = u"*,*,-em,-eī,-eī,-ē,-ēs,-ēs,-ēs,-ērum,-ēbus,-ēbus"; break;
    case 1: block = u"*,*,-em,-ēī,-ēī,-ē,-ēs,-ēs,-ēs,-ērum,-ēbus,-ēbus"; break;
    default:
        TSLogError("bad case constant");
        return QString();
    }
    return fullList(block, block);
}

std::shared_ptr<NounEndings> NounEndings::makeNewDeclension(qint64 declension, qint64 variant) {
    auto table = std::make_shared<NounEndings>();
    QString list;
    switch (declension) {
    case 1:
        list = variant == NounVariant::GreekE ? getGreek1stDeclensionString(variant) : get1stDeclensionString();
        break;
    case 2: list = get2ndDeclensionString(variant); break;
    case 3: list = get3rdDeclensionString(variant); break;
    case 4: list = get4thDeclensionString(); break;
    case 5: list = get5thDeclensionString(variant); break;
    default: TSLogError("unsupported declension"); break;
    }
    if (!list.isNull()) table->setEndings(list.split(QLatin1Char(',')));
    return table;
}

NounEndingsPtr NounEndings::getDeclension(qint64 declension, qint64 variant) {
    if (declension < 1 || declension > 5) {
        TSLogError("unsupported declension %li", declension);
        return nullptr;
    }
    // Slots: 1; 2/0, 2/1; 3/0, 3/1; 4; 5/0, 5/1; 1/2. All are made together
    // on the first request, under the guard of a function-local static.
    static const std::array<NounEndingsPtr, 9> cache = [] {
        return std::array<NounEndingsPtr, 9>{
            makeNewDeclension(1, 0), makeNewDeclension(2, 0), makeNewDeclension(2, 1), makeNewDeclension(3, 0),
            makeNewDeclension(3, 1), makeNewDeclension(4, 0), makeNewDeclension(5, 0), makeNewDeclension(5, 1),
            makeNewDeclension(1, NounVariant::GreekE)};
    }();
    switch (declension) {
    case 1: return variant == NounVariant::GreekE ? cache[8] : cache[0];
    case 4: return cache[5];
    default: break;
    }
    if (variant != 0 && variant != 1) return makeNewDeclension(declension, variant);
    const int first = declension == 2 ? 1 : (declension == 3 ? 3 : 6);
    return cache[first + int(variant)];
}

QString NounEndings::getEndingForWord(qint64 theCase, qint64 gender, bool singular, qint64 declension,
                                      qint64 variant) {
    const NounEndingsPtr table = getDeclension(declension, variant);
    return table ? table->getEnding(theCase, gender, singular) : QString();
}
