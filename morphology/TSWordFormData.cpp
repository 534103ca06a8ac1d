#include "morphology/TSWordFormData.h"

#include "app/logging/LGLog.h"

#include <array>
#include <mutex>

TS_REGISTER_CLASS(TSWordFormData, [](const ts::Value& d) -> ts::ObjectPtr { return TSWordFormData::dataFromDictionary(d); })

namespace {

const QString kBaseKey = QStringLiteral("base");
const QString kFormKey = QStringLiteral("form");
const QString kFlagsKey = QStringLiteral("flags");
const QString kMeterKey = QStringLiteral("meter");

// A pattern is written once per record at most; striped locks keep records
// small (the full form list holds about a million of them).
std::mutex& lengthsLock(const void* record) {
    static std::array<std::mutex, 64> locks;
    return locks[(reinterpret_cast<quintptr>(record) >> 4) % locks.size()];
}

QSet<QChar> setOf(std::initializer_list<char16_t> units) {
    QSet<QChar> set;
    for (char16_t u : units) set.insert(QChar(u));
    return set;
}

}  // namespace

TSWordFormData::TSWordFormData(const QString& form, const QString& base, const QString& flags)
    : form_(form), base_(base), flags_(flags) {}

QString TSWordFormData::vowelLengths() const {
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    if (vowelLengths_.isNull()) {
        QString lengths;
        syllablesFromString(form_, &lengths);
        // Never null once computed, even for a form without vowels.
        const_cast<TSWordFormData*>(this)->vowelLengths_ = lengths.isNull() ? QStringLiteral("") : lengths;
    }
    return vowelLengths_;
}

void TSWordFormData::setVowelLengths(const QString& lengths) {
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    vowelLengths_ = lengths;
}

bool TSWordFormData::hasVowelLengths() const {
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    return !vowelLengths_.isNull();
}

void TSWordFormData::makeLengths() {
    QString lengths;
    syllablesFromString(form_, &lengths);
    setVowelLengths(lengths.isNull() ? QStringLiteral("") : lengths);
}

int TSWordFormData::numSyllables() const {
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    return int(vowelLengths_.size());
}

int TSWordFormData::wordType() const { return wordTypeOfTag(flags_); }

int TSWordFormData::wordTypeOfTag(QStringView tag) {
    if (tag.isEmpty()) return 0;
    const QChar c = tag.at(0);
    switch (c.unicode()) {
    case u'a': return 3;
    case u'c': return 5;
    case u'd': return 4;
    case u'e': return 8;
    case u'm': return 9;
    case u'n': return 1;
    case u'p': return 7;
    case u'r': return 6;
    case u'v': return 2;
    default: break;
    }
    TSLogError("Unhandled type %c", c);
    return 0;
}

bool TSWordFormData::verbPerson(int* person, bool* singular, int* tense, int* mood, bool* active) const {
    if (flags_.size() < 9) return false;
    const QChar p = flags_.at(1);
    const int personValue = p.isDigit() ? p.digitValue() : 0;

    bool singularValue = false;
    switch (flags_.at(2).unicode()) {
    case u's': singularValue = true; break;
    case u'-':
    case u'p': singularValue = false; break;
    default:
        singularValue = true;
        TSLogError("Unknown number char %c in %@", flags_.at(2), form_);
    }

    int tenseValue = 0;
    switch (flags_.at(3).unicode()) {
    case u'p': tenseValue = 1; break;
    case u'f': tenseValue = 2; break;
    case u'i': tenseValue = 3; break;
    case u'r': tenseValue = 4; break;
    case u't': tenseValue = 5; break;
    case u'l': tenseValue = 6; break;
    case u'-': break;
    default: TSLogError("Unknown tense char %c in %@", flags_.at(3), form_);
    }

    int moodValue = 0;
    switch (flags_.at(4).unicode()) {
    case u'i': moodValue = 1; break;
    case u's': moodValue = 2; break;
    case u'm': moodValue = 3; break;
    case u'n': moodValue = 4; break;
    case u'd': moodValue = 8; break;
    case u'g': moodValue = 9; break;
    case u'u': moodValue = 12; break;
    case u'p': moodValue = 23; break;
    case u'-': break;
    default: TSLogError("Unknown mood char %c in %@", flags_.at(4), form_);
    }

    bool activeValue = true;
    switch (flags_.at(5).unicode()) {
    case u'a':
    case u'-': activeValue = true; break;
    case u'p': activeValue = false; break;
    default: TSLogError("Unknown actPas char %c in %@", flags_.at(5), form_);
    }

    if (person) *person = personValue;
    if (singular) *singular = singularValue;
    if (tense) *tense = tenseValue;
    if (mood) *mood = moodValue;
    if (active) *active = activeValue;
    return true;
}

ts::Value TSWordFormData::serialize() const {
    ts::ValueDictionary d;
    d[kBaseKey] = base_;
    d[kFormKey] = form_;
    d[kFlagsKey] = flags_;
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    if (!vowelLengths_.isNull()) d[kMeterKey] = vowelLengths_;
    return ts::Value(std::move(d));
}

void TSWordFormData::importFromDictionary(const ts::Value& dictionary) {
    const auto text = [&](const QString& key) {
        const ts::Value& v = dictionary[key];
        return v.isString() ? v.toString() : QString();
    };
    form_ = text(kFormKey);
    base_ = text(kBaseKey);
    flags_ = text(kFlagsKey);
    setVowelLengths(text(kMeterKey));
}

ts::ObjectPtr TSWordFormData::copy() const {
    auto c = std::make_shared<TSWordFormData>(form_, base_, flags_);
    c->setName(name());
    std::lock_guard<std::mutex> lock(lengthsLock(this));
    c->vowelLengths_ = vowelLengths_;
    return c;
}

QString TSWordFormData::description() const {
    return QStringLiteral("<TSWordFormData: %1 %2 %3>").arg(form_, base_, flags_);
}

TSWordFormDataPtr TSWordFormData::dataFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) return nullptr;
    auto record = std::make_shared<TSWordFormData>();
    record->importFromDictionary(dictionary);
    return record;
}

const QSet<QChar>& TSWordFormData::vowelSet() {
    static const QSet<QChar> set = setOf({u'a', u'e', u'i', u'o', u'u', u'y', 0x0101, 0x0113, 0x012B, 0x014D, 0x016B,
                                          0x0233, 0x0103, 0x0115, 0x012D, 0x014F, 0x016D, 0x0306, 0x00E6, 0x0153,
                                          0x00EB, 0x00EF});
    return set;
}

const QSet<QChar>& TSWordFormData::longVowelSet() {
    static const QSet<QChar> set =
        setOf({0x0101, 0x0113, 0x012B, 0x014D, 0x016B, 0x0233, 0x00E6, 0x0153, 0x00EB, 0x00EF});
    return set;
}

const QSet<QChar>& TSWordFormData::consonantSet() {
    static const QSet<QChar> set = setOf({u'b', u'c', u'd', u'f', u'g', u'h', u'j', u'k', u'l', u'm', u'n', u'p', u'r',
                                          u'q', u's', u't', u'x', u'z', u'v', 0x03C7, 0x03B8, 0x03C6});
    return set;
}

QString TSWordFormData::removeDiphthongs(const QString& word) {
    static const std::pair<QString, QString> steps[] = {
        {QStringLiteral("ae"), QStringLiteral("\u00E6")},
        {QStringLiteral("\u016D\u0113"), QStringLiteral("uz\u0113")},
        {QStringLiteral("\u012Du"), QStringLiteral("izu")},
        {QStringLiteral("\u012D\u0113"), QStringLiteral("iz\u0113")},
        {QStringLiteral("ie"), QStringLiteral("ize")},
        {QStringLiteral("au"), QStringLiteral("\u0101")},
        {QStringLiteral("ei"), QStringLiteral("\u0113")},
        {QStringLiteral("\u0115u"), QStringLiteral("ezu")},
        {QStringLiteral("eu"), QStringLiteral("\u016B")},
        {QStringLiteral("oe"), QStringLiteral("\u0153")},
        // qu goes before ui: the u of qu is the consonant's, so quid keeps its
        // short i instead of becoming a diphthong; cui and huic still do.
        {QStringLiteral("qu"), QStringLiteral("q")},
        {QStringLiteral("ui"), QStringLiteral("\u016B")},
        {QStringLiteral("ch"), QStringLiteral("\u03C7")},
        {QStringLiteral("th"), QStringLiteral("\u03B8")},
        {QStringLiteral("ph"), QStringLiteral("\u03C6")},
    };
    QString s = word;
    for (const auto& [from, to] : steps) s.replace(from, to);
    return s;
}

QStringList TSWordFormData::syllablesFromString(const QString& word, QString* vowelLengths) {
    const QString text = removeDiphthongs(word.toLower());
    const QSet<QChar>& vowels = vowelSet();
    const QSet<QChar>& longVowels = longVowelSet();

    QStringList result;
    QString current;
    QString pattern = QStringLiteral("");
    int consonants = 0;
    bool hasVowel = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        if (vowels.contains(c)) {
            const bool isLong = consonants >= 2 || longVowels.contains(c);
            pattern.prepend(QChar(isLong ? kLongMark : kShortMark));
            if (hasVowel) {
                result.prepend(current);
                current = QString(c);
            } else {
                current.prepend(c);
            }
            hasVowel = true;
            consonants = 0;
        } else {
            consonants += (c == u'x' || c == u'z') ? 2 : 1;
            if (hasVowel && consonants >= 2) {
                result.prepend(current);
                current = QString(c);
                hasVowel = false;
            } else {
                current.prepend(c);
            }
        }
    }
    if (!current.isEmpty()) {
        if (!hasVowel && !result.isEmpty()) result.first().prepend(current);
        else result.prepend(current);
    }
    if (vowelLengths) *vowelLengths = pattern;
    return result;
}
