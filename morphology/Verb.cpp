#include "morphology/Verb.h"

#include "morphology/LatinText.h"
#include "morphology/MorphologyResources.h"
#include "morphology/VerbStems.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>

TS_REGISTER_CLASS(Verb)

namespace {

// ---- Regular tables ----

// The lists each conjugation writes out, in the long-vowel caret notation.
// A vowel before -nt- is short in every list (amantur, monentur, regentur,
// audientur), as it is in the active.
// A cell of the resolved table that no row fills is borrowed as described in
// resolvedTables() below.
struct RawList {
    int conj;
    bool indicative;
    bool active;
    int tense;
    const char* cells;
};

constexpr RawList kRawLists[] = {
    // First conjugation; its perfect-system lists serve all five.
    {1, true, true, 1, "-^o,-^as,-at,-^amus,-^atis,-ant"},
    {1, true, true, 2, "-^ab^o,-^abis,-^abit,-^abimus,-^abitis,-^abunt"},
    {1, true, true, 3, "-^abam,-^ab^as,-^abat,-^ab^amus,-^ab^atis,-^abant"},
    {1, true, true, 4, "-^i,-ist^i,-it,-imus,-istis,-^erunt"},
    {1, true, true, 5, "-er^o,-eris,-erit,-erimus,-eritis,-erint"},
    {1, true, true, 6, "-eram,-er^as,-erat,-er^amus,-er^atis,-erant"},
    {1, true, false, 1, "-or,-^aris,-^atur,-^amur,-^amin^i,-antur"},
    {1, true, false, 2, "-^abor,-^aberis,-^abitur,-^abimur,-^abimin^i,-^abuntur"},
    {1, true, false, 3, "-^abar,-^ab^aris,-^ab^atur,-^ab^amur,-^ab^amin^i,-^abantur"},
    {1, true, false, 4, "sum,es,est,sumus,estis,sunt"},
    {1, true, false, 5, "er^o,eris,erit,erimus,eritis,erunt"},
    {1, true, false, 6, "eram,er^as,erat,er^amus,er^atis,erant"},
    {1, false, true, 1, "-em,-^es,-et,-^emus,-^etis,-ent"},
    {1, false, true, 3, "-em,-^es,-et,-^emus,-^etis,-ent"},
    {1, false, true, 4, "-erim,-er^is,-erit,-er^imus,-er^itis,-erint"},
    {1, false, true, 6, "-issem,-iss^es,-isset,-iss^emus,-iss^etis,-issent"},
    {1, false, false, 1, "-er,-^eris,-^etur,-^emur,-^emin^i,-entur"},
    {1, false, false, 3, "-er,-^eris,-^etur,-^emur,-^emin^i,-entur"},
    {1, false, false, 4, "sim,s^is,sit,s^imus,s^itis,sint"},
    {1, false, false, 6, "essem,ess^es,esset,ess^emus,ess^etis,essent"},
    // Second.
    {2, true, true, 1, "-e^o,-^es,-et,-^emus,-^etis,-ent"},
    {2, true, true, 2, "-^eb^o,-^ebis,-^ebit,-^ebimus,-^ebitis,-^ebunt"},
    {2, true, true, 3, "-^ebam,-^eb^as,-^ebat,-^eb^amus,-^eb^atis,-^ebant"},
    {2, true, false, 1, "-eor,-^eris,-^etur,-^emur,-^emin^i,-entur"},
    {2, true, false, 2, "-^ebor,-^eberis,-^ebitur,-^ebimur,-^ebimin^i,-^ebuntur"},
    {2, true, false, 3, "-^ebar,-^eb^aris,-^eb^atur,-^eb^amur,-^eb^amin^i,-^ebantur"},
    {2, false, true, 1, "-eam,-e^as,-eat,-e^amus,-e^atis,-eant"},
    {2, false, false, 1, "-ear,-e^aris,-e^atur,-e^amur,-e^amin^i,-eantur"},
    // Third.
    {3, true, true, 1, "-^o,-is,-it,-imus,-itis,-unt"},
    {3, true, true, 2, "-am,-^es,-et,-^emus,-^etis,-ent"},
    {3, true, false, 1, "-or,-eris,-itur,-imur,-imin^i,-untur"},
    {3, true, false, 2, "-ar,-^eris,-^etur,-^emur,-^emin^i,-entur"},
    {3, false, true, 1, "-am,-^as,-at,-^amus,-^atis,-ant"},
    {3, false, false, 1, "-ar,-^aris,-^atur,-^amur,-^amin^i,-antur"},
    // Fourth.
    {4, true, true, 1, "-i^o,-^is,-it,-^imus,-^itis,-iunt"},
    {4, true, true, 2, "-iam,-i^es,-iet,-i^emus,-i^etis,-ient"},
    {4, true, true, 3, "-i^ebam,-i^eb^as,-i^ebat,-i^eb^amus,-i^eb^atis,-i^ebant"},
    {4, true, false, 1, "-ior,-^iris,-^itur,-^imur,-^imin^i,-iuntur"},
    {4, true, false, 2, "-iar,-i^eris,-i^etur,-i^emur,-i^emin^i,-ientur"},
    {4, true, false, 3, "-i^ebar,-i^eb^aris,-i^eb^atur,-i^eb^amur,-i^eb^amin^i,-i^ebantur"},
    {4, false, true, 1, "-iam,-i^as,-iat,-i^amus,-i^atis,-iant"},
    {4, false, false, 1, "-iar,-i^aris,-i^atur,-i^amur,-i^amin^i,-iantur"},
    // Mixed: capiō, capis, capit, capimus, capitis, capiunt on the stem cap-.
    {5, true, true, 1, "-i^o,-is,-it,-imus,-itis,-iunt"},
    {5, true, false, 1, "-ior,-eris,-itur,-imur,-imin^i,-iuntur"},
};

// [conj 1-5][indicative][active][tense 1-6], macron vowels; empty = none.
using ListTable = std::array<std::array<std::array<std::array<QStringList, 7>, 2>, 2>, 6>;

// Which conjugation lends a list that a conjugation does not write out.
int lender(int conj, bool indicative, int tense) {
    if (tense >= 4) return 1;
    switch (conj) {
    case 2:
    case 4:
        return indicative ? 0 : (tense == 3 ? 1 : 0);
    case 3:
        if (indicative) return tense == 3 ? 2 : 0;
        return tense == 3 ? 1 : 0;
    case 5:
        if (indicative) return tense == 1 ? 0 : 4;
        return tense == 1 ? 4 : 3;
    default:
        return 0;
    }
}

const ListTable& resolvedTables() {
    static const ListTable tables = [] {
        ListTable t;
        for (const RawList& raw : kRawLists)
            t[raw.conj][raw.indicative][raw.active][raw.tense] =
                macronizeCaretVowels(QString::fromUtf8(raw.cells)).split(QLatin1Char(','));
        // Fill borrowed cells in conjugation order, so that a lender's own
        // borrowed lists (3 from 2, 5 from 3 from 1) are already in place.
        for (int conj = 2; conj <= 5; ++conj)
            for (int ind = 0; ind < 2; ++ind)
                for (int act = 0; act < 2; ++act)
                    for (int tense = 1; tense <= 6; ++tense) {
                        QStringList& cell = t[conj][ind][act][tense];
                        if (!cell.isEmpty()) continue;
                        if (const int from = lender(conj, ind, tense)) cell = t[from][ind][act][tense];
                    }
        return t;
    }();
    return tables;
}

QStringList regularList(int conj, bool indicative, bool active, qint64 tense, const char* badTenseMessage) {
    if (tense < 1 || tense > 6) {
        LGLog::log(false, 3, 1, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QString::fromLatin1(badTenseMessage));
        return {};
    }
    return resolvedTables()[conj][indicative][active][tense];
}

// ---- Irregular tables ----

const char* const kIrregularNames[] = {"eo", "sum", "fero", "edo", "fio", "volo", "nolo", "malo", "possum"};
const char* const kTenseKeys[] = {"", "present", "future", "imperfect", "perfect", "futurePerfect", "pluperfect"};

QStringList listFromValue(const ts::Value& v) {
    if (v.isString()) return v.toString().split(QLatin1Char(','));
    QStringList cells;
    for (const ts::Value& cell : v.array()) cells.append(cell.toString());
    return cells;
}

IrregularVerbTable parseTable(const QString& name, const ts::Value& dictionary) {
    IrregularVerbTable table;
    table.name = name;
    for (int ind = 0; ind < 2; ++ind) {
        const ts::Value& mood = dictionary[ind ? QStringLiteral("indicative") : QStringLiteral("subjunctive")];
        for (int act = 0; act < 2; ++act) {
            const ts::Value& voice = mood[act ? QStringLiteral("active") : QStringLiteral("passive")];
            for (int tense = 1; tense <= 6; ++tense) {
                const ts::Value& list = voice[QString::fromLatin1(kTenseKeys[tense])];
                if (!list.isNull()) table.lists[ind][act][tense] = listFromValue(list);
            }
        }
    }
    for (const auto& [key, value] : dictionary.dictionary())
        if (value.isString()) table.endings.insert(key, value.toString());
    return table;
}

// Tables by code 7-15; a missing file leaves its slot empty.
const std::array<std::optional<IrregularVerbTable>, 9>& irregularTables() {
    static const std::array<std::optional<IrregularVerbTable>, 9> tables = [] {
        std::array<std::optional<IrregularVerbTable>, 9> t;
        const ts::ValueDictionary& all = Verb::verbEndings();
        for (int i = 0; i < 9; ++i) {
            const auto it = all.find(QString::fromLatin1(kIrregularNames[i]));
            if (it != all.end()) t[i] = parseTable(it->first, it->second);
        }
        return t;
    }();
    return tables;
}

}  // namespace

Verb::Verb() { setWordType(WordCode::Verb); }

ts::ObjectPtr Verb::copy() const {
    auto made = std::make_shared<Verb>();
    copyFieldsTo(*made);
    return made;
}

void Verb::hasPassive(bool* passive, bool* perfectPassive) const {
    bool p = false, pp = false;
    switch (getVerbType()) {
    case WordCode::Ordinary:
        p = true;
        pp = hasPerfectPassive();
        break;
    case WordCode::SemiDeponent:
        p = true;
        break;
    default:
        break;
    }
    if (passive) *passive = p;
    if (perfectPassive) *perfectPassive = pp;
}

// ---- Irregular tables ----

void Verb::loadVerbEndings(ts::ValueDictionary& into) {
    const QString folder = MorphologyResources::path(QStringLiteral("VerbEndings"));
    if (folder.isEmpty()) return;
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.plist")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        QFile f(dir.filePath(file));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const ts::PlistResult read = ts::PropertyList::read(f.readAll());
        if (!read.ok() || !read.value.isDictionary()) continue;
        into[QFileInfo(file).completeBaseName()] = read.value;
    }
}

const ts::ValueDictionary& Verb::verbEndings() {
    static const ts::ValueDictionary endings = [] {
        ts::ValueDictionary d;
        loadVerbEndings(d);
        return d;
    }();
    return endings;
}

ts::Value Verb::endingsForConjugation(qint64 code) {
    if (code < 7 || code > 15) return {};
    const ts::ValueDictionary& all = verbEndings();
    const auto it = all.find(QString::fromLatin1(kIrregularNames[code - 7]));
    return it == all.end() ? ts::Value() : it->second;
}

const IrregularVerbTable* Verb::irregularTable(qint64 code) {
    if (code < 7 || code > 15) return nullptr;
    const auto& slot = irregularTables()[code - 7];
    return slot ? &*slot : nullptr;
}

// ---- Lists ----

QStringList Verb::get1stConjugationString(bool indicative, bool active, qint64 tense) {
    return regularList(1, indicative, active, tense, "bad case constant");
}

QStringList Verb::get2ndConjugationString(bool indicative, bool active, qint64 tense) {
    return regularList(2, indicative, active, tense, "bad case constant get2ndConjugationString");
}

QStringList Verb::get3rdConjugationString(bool indicative, bool active, qint64 tense) {
    return regularList(3, indicative, active, tense, "bad case constant get3rdConjugationString");
}

QStringList Verb::get4thConjugationString(bool indicative, bool active, qint64 tense) {
    return regularList(4, indicative, active, tense, "bad case constant get4thConjugationString");
}

QStringList Verb::getMixedConjugationString(bool indicative, bool active, qint64 tense) {
    return regularList(5, indicative, active, tense, "bad case constant getMixedConjugationString");
}

QStringList Verb::getOtherEndings(qint64 code, bool indicative, bool active, qint64 tense) {
    const IrregularVerbTable* table = irregularTable(code);
    if (!table) {
        TSLogError("unhandled case (Verb)");
        return {};
    }
    if (tense < 1 || tense > 6) {
        TSLogError("unhandled case (Verb)");
        return {};
    }
    const QStringList& list = table->lists[indicative][active][tense];
    // No verb has a future or future perfect subjunctive; only a list that
    // a table should have and lacks is worth a message.
    if (list.isEmpty() && (indicative || (tense != 2 && tense != 5))) TSLogError("unhandled case (Verb)");
    return list;
}

QStringList Verb::getEndings(qint64 code, bool indicative, bool active, qint64 tense) {
    switch (code) {
    case 1: return get1stConjugationString(indicative, active, tense);
    case 2: return get2ndConjugationString(indicative, active, tense);
    case 3: return get3rdConjugationString(indicative, active, tense);
    case 4: return get4thConjugationString(indicative, active, tense);
    case 5: return getMixedConjugationString(indicative, active, tense);
    default: return getOtherEndings(code, indicative, active, tense);
    }
}

const QStringList* Verb::endingList(qint64 code, bool indicative, bool active, qint64 tense) {
    if (tense < 1 || tense > 6) return nullptr;
    const QStringList* list = nullptr;
    if (code >= 1 && code <= 5) {
        list = &resolvedTables()[code][indicative][active][tense];
    } else if (const IrregularVerbTable* table = irregularTable(code)) {
        list = &table->lists[indicative][active][tense];
    }
    return list && !list->isEmpty() ? list : nullptr;
}

QString Verb::getConjugationEnding(qint64 code, qint64 person, bool singular, bool indicative, bool active,
                                   qint64 tense) {
    const QStringList list = getEndings(code, indicative, active, tense);
    if (person < 1 || person > 3 || list.size() < 6) return QString();
    return list.at(singular ? person - 1 : person + 2);
}

// ---- Guessing ----

qint64 Verb::guessConjugation(const QString& text) {
    const QStringList words = LatinText::words(text, 2);
    if (words.isEmpty()) return 0;
    const QString& first = words.at(0);
    if (first.size() < 2) return 0;
    const bool iBeforeLast = first.at(first.size() - 2) == u'i';
    // A verb that has only its perfect (ōdī ōdisse, coepī coepisse) takes
    // the endings every conjugation shares; inquam has its own few forms.
    const QString plainFirst = foldLatinString(first).toLower();
    if (plainFirst.size() >= 3 && plainFirst.endsWith(u'i')) return 3;
    if (plainFirst == QLatin1String("inquam")) return 3;
    if (words.size() == 1) return iBeforeLast ? 4 : 0;
    const qint64 remembered = iBeforeLast ? 4 : 0;
    const QString& second = words.at(1);
    if (second.size() < 3) return 0;
    switch (second.at(second.size() - 3).unicode()) {
    case u'a': case u'\u0101': return 1;
    case u'\u0113': return 2;
    case u'\u012B': case u'i': return 4;
    case u'e': return remembered == 4 ? 5 : 3;
    default:
        TSLogError("bad cong type");
        return remembered;
    }
}

// ---- All forms ----

void Verb::addVerbForms(QStringList& array, const Word& verb) {
    if (verb.conjugation() >= 6) return;
    if (verb.getWordType() != WordCode::Verb) {
        TSLogError("unable to conjugate this");
        return;
    }
    const VerbStems stems = verb.verbStems();
    for (qint64 tense = 1; tense <= 6; ++tense)
        for (const bool active : {false, true})
            for (const bool indicative : {false, true})
                for (const bool singular : {false, true})
                    for (qint64 person = 1; person <= 3; ++person) {
                        const QString form = verb.conjugatedValue(stems, person, singular, indicative, active, tense);
                        if (form.isEmpty()) continue;
                        const QString first = getFirstWordInLine(form);
                        if (first.isNull()) {
                            TSLogError("Nil first word for %@", form);
                            continue;
                        }
                        array.append(first);
                    }
}

QString compoundPassiveForm(const QString& participleStem, const QString& auxiliary, bool singular) {
    if (participleStem.isEmpty() || auxiliary.isNull()) return QString();
    QString form;
    form.reserve(participleStem.size() + auxiliary.size() + 3);
    form.append(participleStem);
    form.append(singular ? QStringView(u"us ") : QStringView(u"\u012B "));
    form.append(auxiliary);
    return form;
}
