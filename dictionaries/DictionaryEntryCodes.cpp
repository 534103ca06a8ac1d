// The code tables of dictionary entries: type, gender, case, age and
// conjugation names, their translations and the reverse look-ups.

#include "dictionaries/DictionaryEntry.h"

#include "app/logging/LGLog.h"

#include <QCollator>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <array>

namespace {

struct TypeName {
    const char* name;
    const char* plural;
    bool latin;
};

// Indexed by type code 0-33; code 34 has no name.
const std::array<TypeName, 34> kTypeNames = {{
    {"uninitialised", "uninitialised", false},
    {"noun", "nouns", true},
    {"verb", "verbs", true},
    {"adj", "adjectives", true},
    {"adv", "adverbs", true},
    {"conj", "conjunctions", true},
    {"prep", "prepositions", true},
    {"pron", "pronouns", true},
    {"interj", "interjections", true},
    {"numb", "numbers", true},
    {"packon", "packons", false},
    {"phrase", "phrases", false},
    {"root", "roots", false},
    {"meaning", "meanings", false},
    {"word data", "word data", false},
    {"word modification", "word modifications", false},
    {"example", "examples", false},
    {"abbrev", "abbreviations", false},
    {"etymology", "etymologies", false},
    {"partic", "participles", true},
    {"note", "notes", false},
    {"misspelling", "misspellings", true},
    {"redirect", "redirects", false},
    {"part", "particles", true},
    {"encl", "enclitics", true},
    {"adv. phrase", "adv. phrases", false},
    {"letter", "letters", true},
    {"citation", "citations", false},
    {"participial adj.", "participial adjs.", true},
    {"adv. & prep.", "adv. & prep.", true},
    {"adj. & adv.", "adj. & adv.", true},
    {"unclear", "unclear", true},
    {"syn", "syn", false},
    {"ant", "ant", false},
}};

const std::array<const char*, 12> kGenderNames = {
    "Uninitialised", "m", "f", "n", "c", "x", "?", "m & f", "m or f", "m or n", "m, f or n", "f or n",
};

// Indexed by case code; 0 is unused.
const std::array<const char*, 10> kCaseNames = {
    nullptr, "nom", "voc", "acc", "gen", "dat", "abl", "loc", "insep", "acc & abl",
};

const std::array<const char*, 9> kAgeNames = {
    nullptr,
    "archaic",
    "early pre-classical / poetic",
    "classical only",
    "3rd-5th cent",
    "6th-10th cent",
    "Mediaeval",
    "16th-18th cent",
    "19th-20th cent",
};

// Indexed by conjugation code; 0 is unused. Codes 1-5 are translated.
const std::array<const char*, 16> kConjugationNames = {
    nullptr, "1st", "2nd", "3rd", "4th", "5th", "irreg", "eo", "sum", "ferre", "edo", "fio", "volo", "nolo", "malo",
    "possum",
};

const QString kUnknownType = QStringLiteral("Unknown type");
const QString kUninitialisedGender = QStringLiteral("uninitialised gender");
const QString kUninitialisedCase = QStringLiteral("uninitialised case");

// The translation table and the reverse maps built from it. The maps are
// rebuilt when the table is replaced, so a look-up never mixes two tables.
struct Names {
    QMutex mutex;
    QHash<QString, QString> table = DictionaryEntry::defaultLocalizationTable();
    quint64 generation = 1;
    quint64 builtGeneration = 0;
    QHash<QString, int> typeByName, typeByPlural, genderByName, caseByName, conjugationByName;
};

Names& names() {
    static Names n;
    return n;
}

QString translate(const QHash<QString, QString>& table, const QString& key) {
    const auto it = table.constFind(key);
    return it == table.constEnd() || it->isEmpty() ? key : *it;
}

// Called with the mutex held.
void buildReverseMaps(Names& n) {
    if (n.builtGeneration == n.generation) return;
    n.typeByName.clear();
    n.typeByPlural.clear();
    n.genderByName.clear();
    n.caseByName.clear();
    n.conjugationByName.clear();
    // The first code of a name wins, as a scan in code order would find it.
    for (int code = 1; code <= 26; ++code) {
        n.typeByName.insert(translate(n.table, QLatin1String(kTypeNames[code].name)), code);
        const QString plural = translate(n.table, QLatin1String(kTypeNames[code].plural));
        if (!n.typeByPlural.contains(plural)) n.typeByPlural.insert(plural, code);
    }
    for (int code = 1; code <= 11; ++code) n.genderByName.insert(translate(n.table, QLatin1String(kGenderNames[code])), code);
    for (int code = 1; code <= 7; ++code) n.caseByName.insert(translate(n.table, QLatin1String(kCaseNames[code])), code);
    for (int code = 1; code <= 15; ++code) {
        const QString name = QLatin1String(kConjugationNames[code]);
        n.conjugationByName.insert(code <= 5 ? translate(n.table, name) : name, code);
    }
    n.builtGeneration = n.generation;
}

int reverseLookUp(QHash<QString, int> Names::*map, const QString& name) {
    Names& n = names();
    QMutexLocker lock(&n.mutex);
    buildReverseMaps(n);
    return (n.*map).value(name, 0);
}

}  // namespace

QHash<QString, QString> DictionaryEntry::defaultLocalizationTable() {
    // English texts that differ from their keys; every other key shows itself.
    return {
        {QStringLiteral("TRANS"), QStringLiteral("trans")},
        {QStringLiteral("INTRANS"), QStringLiteral("intrans")},
        {QStringLiteral("TRANSINTRANS"), QStringLiteral("trans & intrans")},
        {QStringLiteral("Uninitialised"), QStringLiteral("uninitialised")},
        {kUninitialisedGender, QStringLiteral("uninitialised")},
        {kUninitialisedCase, QStringLiteral("uninitialised")},
    };
}

QString DictionaryEntry::localized(const QString& key) {
    if (key.isNull()) return key;
    Names& n = names();
    QMutexLocker lock(&n.mutex);
    return translate(n.table, key);
}

void DictionaryEntry::setLocalizationTable(const QHash<QString, QString>& table) {
    Names& n = names();
    QMutexLocker lock(&n.mutex);
    n.table = table;
    ++n.generation;
}

QString DictionaryEntry::nameOfType(int type) {
    if (type < 0 || type >= int(kTypeNames.size())) return localized(kUnknownType);
    return localized(QLatin1String(kTypeNames[type].name));
}

QString DictionaryEntry::pluralNameOfType(int type) {
    if (type < 0 || type >= int(kTypeNames.size())) return localized(kUnknownType);
    return localized(QLatin1String(kTypeNames[type].plural));
}

int DictionaryEntry::typeForName(const QString& name) { return reverseLookUp(&Names::typeByName, name); }

int DictionaryEntry::typeForPluralName(const QString& name) { return reverseLookUp(&Names::typeByPlural, name); }

QStringList DictionaryEntry::allSortedTypeNames() {
    QStringList list;
    for (int code = 1; code <= 26; ++code) list << nameOfType(code);
    // An own collator: the shared per-thread one is never released.
    const QCollator collator;
    std::sort(list.begin(), list.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return list;
}

QString DictionaryEntry::genderKey(int gender) {
    if (gender < 0 || gender >= int(kGenderNames.size())) return kUninitialisedGender;
    return QLatin1String(kGenderNames[gender]);
}

QString DictionaryEntry::nameOfGender(int gender) { return localized(genderKey(gender)); }

int DictionaryEntry::genderForName(const QString& name) { return reverseLookUp(&Names::genderByName, name); }

QString DictionaryEntry::caseKey(int caseCode) {
    if (caseCode < 1 || caseCode >= int(kCaseNames.size())) return kUninitialisedCase;
    return QLatin1String(kCaseNames[caseCode]);
}

QString DictionaryEntry::getCaseString(int caseCode) { return localized(caseKey(caseCode)); }

int DictionaryEntry::caseForName(const QString& name) { return reverseLookUp(&Names::caseByName, name); }

QString DictionaryEntry::ageName(int age) {
    if (age < 1 || age >= int(kAgeNames.size())) return QString();
    return QLatin1String(kAgeNames[age]);
}

QString DictionaryEntry::nameOfConjugation(int conjugation) {
    if (conjugation < 1 || conjugation >= int(kConjugationNames.size())) {
        TSLogError("Conj name not set");
        return QStringLiteral("");
    }
    const QString name = QLatin1String(kConjugationNames[conjugation]);
    return conjugation <= 5 ? localized(name) : name;
}

int DictionaryEntry::conjugationForName(const QString& name) {
    return reverseLookUp(&Names::conjugationByName, name);
}

QString DictionaryEntry::getConjugationName() const {
    const int c = conjugation();
    if (c < 1 || c > 6) return QStringLiteral("");
    return QLatin1String(kConjugationNames[c]);
}

const QHash<QString, QString>& DictionaryEntry::greekNumbers() {
    static const QHash<QString, QString> map = {
        {QStringLiteral("(a)"), QString(QChar(0x03B1))}, {QStringLiteral("(b)"), QString(QChar(0x03B2))},
        {QStringLiteral("(g)"), QString(QChar(0x03B3))}, {QStringLiteral("(d)"), QString(QChar(0x03B4))},
        {QStringLiteral("(e)"), QString(QChar(0x03B5))}, {QStringLiteral("(z)"), QString(QChar(0x03B6))},
    };
    return map;
}

bool DictionaryEntry::isLatin() const {
    const int t = type();
    return t >= 0 && t < int(kTypeNames.size()) && kTypeNames[t].latin;
}

int DictionaryEntry::gender() const {
    const QString stored = stringAttribute(kGender);
    if (stored.isNull()) return 0;
    // Untranslated names first, in an order where no name is taken for a
    // longer one that begins with it; then the names of an older file written
    // in a translating language.
    static const std::array<std::pair<const char*, int>, 12> order = {{
        {"Uninitialised", 0}, {"?", 6}, {"m & f", 7}, {"m or f", 8}, {"m or n", 9}, {"m, f or n", 10},
        {"m", 1}, {"f or n", 11}, {"f", 2}, {"n", 3}, {"c", 4}, {"x", 5},
    }};
    for (const auto& [name, code] : order)
        if (stored == QLatin1String(name)) return code;
    for (int code = 1; code <= 11; ++code)
        if (stored == nameOfGender(code)) return code;
    return 0;
}

void DictionaryEntry::setGender(int gender) { attributes_[kGender] = genderKey(gender); }

int DictionaryEntry::getCase() const {
    const QString stored = stringAttribute(kCase);
    if (stored.isNull()) return 0;
    for (int code = 1; code <= 9; ++code)
        if (stored == caseKey(code)) return code;
    for (int code = 1; code <= 9; ++code)
        if (stored == getCaseString(code)) return code;
    return 0;
}

QString DictionaryEntry::caseName() const {
    const QString stored = stringAttribute(kCase);
    return stored.isNull() ? QString() : localized(stored);
}

void DictionaryEntry::setCase(int caseCode) {
    if (caseCode <= 0)
        attributes_.erase(kCase);
    else
        attributes_[kCase] = caseKey(caseCode);
}

// ---- Text helpers ----

QString DictionaryEntry::stripDots(const QString& text) {
    QString s = text;
    return s.remove(QLatin1Char('.'));
}

QString DictionaryEntry::getFirstWordInLine(const QString& line) {
    const QString s = stripDots(line);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && s.at(i).isSpace()) ++i;
    const qsizetype start = i;
    while (i < n && !s.at(i).isSpace()) ++i;
    return i > start ? s.mid(start, i - start) : QString();
}
