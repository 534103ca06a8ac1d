#include "morphology/TSWordFormDictionary.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "morphology/WordFormCache.h"
#include "platform/ClassRegistry.h"
#include "platform/PropertyList.h"

#include <QElapsedTimer>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <tuple>

TS_REGISTER_CLASS(TSWordFormDictionary, [](const ts::Value& d) -> ts::ObjectPtr {
    return TSWordFormDictionary::dataFromDictionary(d);
})

namespace {

const QString kClassNameKey = QStringLiteral("ClassName");
const QString kNameKey = QStringLiteral("name");
const QString kStoredDataKey = QStringLiteral("storedData");
const QString kSourceStampKey = QStringLiteral("SourceStamp");

// Most forms are already lower case without v or j.
bool isNormalised(QStringView form) {
    for (const QChar c : form) {
        const char16_t u = c.unicode();
        if (u == u'v' || u == u'j' || (u >= u'A' && u <= u'Z') || (u >= 0x80 && c.isUpper())) return false;
    }
    return true;
}

QString normalisedForm(QStringView form) {
    if (isNormalised(form)) return form.toString();
    QString s = form.toString().toLower();
    for (QChar& c : s) {
        if (c == u'v') c = u'u';
        else if (c == u'j') c = u'i';
    }
    return s;
}

// Compares a form already normalised (most are) without copying it.
bool normalisesTo(QStringView form, QStringView normalised) {
    return isNormalised(form) ? form == normalised : normalisedForm(form) == normalised;
}

// A letter without its marks: the first unit of its canonical
// decomposition ("ū" → "u"); other characters as they are.
QChar bareLetter(QChar c) {
    if (c.unicode() < 0x80 || c.decompositionTag() != QChar::Canonical) return c;
    const QString d = c.decomposition();
    return d.isEmpty() ? c : d.at(0);
}

// Whether the form begins (or ends) with the typed letters: a plain typed
// letter matches the letter with any vowel length, a typed marked letter
// only the same marked letter.
bool formHoldsTyped(QStringView form, const QString& typed, bool fromStart) {
    if (typed.size() > form.size()) return false;
    const qsizetype offset = fromStart ? 0 : form.size() - typed.size();
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar t = typed.at(i), f = form.at(offset + i);
        if (t == f) continue;
        if (bareLetter(t) != t || bareLetter(f) != t) return false;
    }
    return true;
}

// A first character counts as a capital when upper-casing leaves it alone,
// which makes digits and punctuation capitals too.
bool beginsWithCapital(QStringView s) {
    if (s.isEmpty()) return false;
    const QChar c = s.at(0);
    return c.toUpper() == c;
}

}  // namespace

// ---- Reading one dictionary ----

QString TSWordFormDictionary::convert(const QString& form) {
    QString out;
    convertInto(form, &out);
    return out;
}

void TSWordFormDictionary::convertInto(QStringView form, QString* converted) {
    QString& out = *converted;
    out.resize(0);
    out.reserve(form.size());
    const qsizetype n = form.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = form.at(i);
        const QChar next = i + 1 < n ? form.at(i + 1) : QChar();
        char16_t letter = 0;
        if (next == u'+') {
            if (c == u'e') letter = 0x00EB;
            else if (c == u'i') letter = 0x00EF;
        } else if (next == u'_') {
            switch (c.unicode()) {
            case u'a': letter = 0x0101; break;
            case u'e': letter = 0x0113; break;
            case u'i': letter = 0x012B; break;
            case u'o': letter = 0x014D; break;
            case u'u': letter = 0x016B; break;
            case u'y': letter = 0x0233; break;
            case u'A': letter = 0x0100; break;
            case u'E': letter = 0x0112; break;
            case u'I': letter = 0x012A; break;
            case u'O': letter = 0x014C; break;
            case u'U': letter = 0x016A; break;
            default: break;
            }
        }
        if (letter) {
            out.append(QChar(letter));
            ++i;
        } else {
            out.append(c);
        }
    }
}

bool TSWordFormDictionary::addWordFormFromString(const QString& line) {
    QString form;
    QWriteLocker lock(&lock_);
    return addLine(line, &form);
}

bool TSWordFormDictionary::addLine(QStringView view, QString* form) {
    // Lines may end in CR when the file was written elsewhere.
    while (!view.isEmpty() && (view.back() == u'\r' || view.back() == u'\n')) view.chop(1);
    qsizetype tabs[3];
    int found = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        if (view.at(i) != u'\t') continue;
        if (found == 3) return false;
        tabs[found++] = i;
    }
    if (found != 3) return false;
    convertInto(view.mid(tabs[2] + 1), form);
    return store_.add(view.left(tabs[0]), view.mid(tabs[0] + 1, tabs[1] - tabs[0] - 1),
                      view.mid(tabs[1] + 1, tabs[2] - tabs[1] - 1), *form);
}

qsizetype TSWordFormDictionary::loadFromString(const QString& text) {
    qsizetype added = 0;
    qsizetype start = 0;
    const qsizetype n = text.size();
    // A line holds some forty characters, a form and a key about a third of
    // them; room not used costs no memory.
    QWriteLocker lock(&lock_);
    store_.reserve(store_.recordCount() + n / 32, n / 2);
    QString form;
    for (qsizetype i = 0; i <= n; ++i) {
        // Any line end separates lines; "\r\n" simply leaves an empty line.
        const bool end = i == n || text.at(i) == u'\n' || text.at(i) == u'\r' || text.at(i) == QChar(0x2028) ||
                         text.at(i) == QChar(0x2029) || text.at(i) == QChar(0x0085) || text.at(i) == u'\f' ||
                         text.at(i) == u'\v';
        if (!end) continue;
        if (i > start && addLine(QStringView(text).mid(start, i - start), &form)) ++added;
        start = i + 1;
    }
    return added;
}

TSWordFormDataPtr TSWordFormDictionary::makeRecord(quint32 index, QStringView key) const {
    const wordforms::WordFormStore::Record& r = store_.record(index);
    auto record = std::make_shared<TSWordFormData>(store_.form(r).toString(), store_.lemma(r).toString(),
                                                   store_.tag(r).toString());
    const QStringView lengths = store_.lengths(r);
    if (!lengths.isNull()) record->setVowelLengths(lengths.toString());
    record->setName(key.toString());
    return record;
}

TSWordFormDictionary::Records TSWordFormDictionary::records(const QString& key) const {
    QReadLocker lock(&lock_);
    Records out;
    const quint32 k = store_.findKey(key);
    if (k == wordforms::WordFormStore::kNone) return out;
    for (quint32 i = store_.firstRecord(k); i != wordforms::WordFormStore::kNone; i = store_.record(i).next)
        out.push_back(makeRecord(i, key));
    return out;
}

void TSWordFormDictionary::viewsOf(QStringView key, RecordViews* out) const {
    out->clear();
    const quint32 k = store_.findKey(key);
    if (k == wordforms::WordFormStore::kNone) return;
    for (quint32 i = store_.firstRecord(k); i != wordforms::WordFormStore::kNone; i = store_.record(i).next) {
        const wordforms::WordFormStore::Record& r = store_.record(i);
        out->push_back({store_.form(r), store_.lemma(r), store_.tag(r)});
    }
}

qsizetype TSWordFormDictionary::keyCount() const {
    QReadLocker lock(&lock_);
    return store_.keyCount();
}

qsizetype TSWordFormDictionary::recordCount() const {
    QReadLocker lock(&lock_);
    return store_.recordCount();
}

QString TSWordFormDictionary::sourceStamp() const {
    QReadLocker lock(&lock_);
    return sourceStamp_;
}

void TSWordFormDictionary::setSourceStamp(const QString& stamp) {
    QWriteLocker lock(&lock_);
    sourceStamp_ = stamp;
}

// ---- The dictionary form and the cache ----

ts::Value TSWordFormDictionary::serialize() const {
    ts::ValueDictionary d = baseDictionary();
    ts::ValueDictionary stored;
    QReadLocker lock(&lock_);
    for (quint32 k = 0; k < store_.keyCount(); ++k) {
        ts::ValueArray records;
        for (quint32 i = store_.firstRecord(k); i != wordforms::WordFormStore::kNone; i = store_.record(i).next)
            records.push_back(makeRecord(i, store_.key(k))->serialize());
        stored.emplace(store_.key(k).toString(), ts::Value(std::move(records)));
    }
    d[kStoredDataKey] = ts::Value(std::move(stored));
    if (!sourceStamp_.isEmpty()) d[kSourceStampKey] = sourceStamp_;
    return ts::Value(std::move(d));
}

TSWordFormDictionaryPtr TSWordFormDictionary::dataFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) return nullptr;
    const QString className = dictionary[kClassNameKey].toString();
    if (className != staticClassName()) return nullptr;
    auto result = ts::ClassRegistry::makeAs<TSWordFormDictionary>(className);
    if (!result) return nullptr;
    const ts::Value& name = dictionary[kNameKey];
    if (name.isString()) result->setName(name.toString());
    const ts::Value& stamp = dictionary[kSourceStampKey];
    if (stamp.isString()) result->sourceStamp_ = stamp.toString();
    const ts::Value& stored = dictionary[kStoredDataKey];
    if (!stored.isDictionary()) return nullptr;
    for (const auto& [key, value] : stored.dictionary()) {
        if (!value.isArray()) continue;
        for (const ts::Value& item : value.array()) {
            const TSWordFormDataPtr record = TSWordFormData::dataFromDictionary(item);
            if (!record) continue;
            const QString lengths = record->hasVowelLengths() ? record->vowelLengths() : QString();
            result->store_.add(key, record->flags(), record->base(), record->form(), lengths);
        }
    }
    return result;
}

TSWordFormDictionaryPtr TSWordFormDictionary::importFromPListData(const QByteArray& data) {
    WordFormCache::Contents contents;
    QString error;
    if (WordFormCache::read(data, &contents, &error)) {
        if (contents.className != staticClassName()) return nullptr;
        auto result = ts::ClassRegistry::makeAs<TSWordFormDictionary>(contents.className);
        if (!result) return nullptr;
        if (!contents.name.isNull()) result->setName(contents.name);
        result->sourceStamp_ = contents.sourceStamp;
        result->store_ = std::move(contents.store);
        return result;
    }
    // A binary property list the cache's reader refused is refused: the
    // general reader would build the same records, at any size. Property
    // lists in other formats go through the general reader.
    if (data.startsWith("bplist00")) {
        TSLogError("Error reading word forms %@", error);
        return nullptr;
    }
    const ts::PlistResult read = ts::PropertyList::read(data);
    if (!read.ok()) {
        TSLogError("Error reading word forms %@", read.error);
        return nullptr;
    }
    return dataFromDictionary(read.value);
}

QByteArray TSWordFormDictionary::exportToPListFormat() const {
    QElapsedTimer timer;
    timer.start();
    QString error;
    QByteArray data;
    {
        QReadLocker lock(&lock_);
        data = WordFormCache::write(staticClassName(), name(), sourceStamp_, store_, &error);
    }
    TSLogError("Serialize time %0.2f", double(timer.nsecsElapsed()) / 1e9);
    if (data.isEmpty()) TSLogError("Error encoding word forms %@", error);
    return data;
}

namespace {

std::atomic<bool> writesAbandoned{false};
const QString kAbandoned = QStringLiteral("the program quit first; the old cache is kept");

// The cache goes out in pieces, so that a quit meanwhile is noticed soon.
constexpr qsizetype kWritePiece = 4 << 20;

}  // namespace

void TSWordFormDictionary::abandonCacheWrites() { writesAbandoned = true; }

bool TSWordFormDictionary::cacheWritesAbandoned() { return writesAbandoned; }

bool TSWordFormDictionary::writeToFile(const QString& path) const {
    // One write at a time, each encoding the list as it is when its turn
    // comes: a slower write begun earlier can then never commit an older
    // list over a newer one (a form just added would be lost).
    static std::mutex oneWriteAtATime;
    std::lock_guard<std::mutex> turn(oneWriteAtATime);
    QElapsedTimer timer;
    timer.start();
    const QByteArray data = writesAbandoned ? QByteArray() : exportToPListFormat();
    bool ok = false;
    QString error = writesAbandoned ? kAbandoned : QStringLiteral("nothing to write");
    if (path.isEmpty()) {
        error = QStringLiteral("no support folder");
    } else if (!data.isEmpty()) {
        // The new cache replaces the old one only once it is written whole.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            error = file.errorString();
        } else {
            qsizetype written = 0;
            while (written < data.size() && !writesAbandoned) {
                const qsizetype piece = std::min(kWritePiece, data.size() - written);
                if (file.write(data.constData() + written, piece) != piece) break;
                written += piece;
            }
            if (written != data.size()) {
                error = writesAbandoned ? kAbandoned : file.errorString();
                file.cancelWriting();
            } else if (!file.commit()) {
                error = file.errorString();
            } else {
                ok = true;
            }
        }
    }
    if (!ok) TSLogError("Error writing macrons file %@", QStringLiteral("%1: %2").arg(path, error));
    TSLogError("Save time %0.2f", double(timer.nsecsElapsed()) / 1e9);
    return ok;
}

bool TSWordFormDictionary::saveToDefaultLocation() const { return writeToFile(saveFile()); }

// ---- Candidates ----

namespace {

// The views of records, valid while the records live.
TSWordFormDictionary::RecordViews viewsOfRecords(const TSWordFormDictionary::Records& records, std::vector<QString>* keep) {
    TSWordFormDictionary::RecordViews views;
    keep->reserve(records.size() * 3);
    for (const TSWordFormDataPtr& r : records) {
        keep->push_back(r->form());
        keep->push_back(r->base());
        keep->push_back(r->flags());
        views.push_back({keep->at(keep->size() - 3), keep->at(keep->size() - 2), keep->back()});
    }
    return views;
}

}  // namespace

std::vector<TSWordFormDictionary::FormCount> TSWordFormDictionary::uniqueForms(const Records& records) {
    std::vector<QString> keep;
    return uniqueForms(viewsOfRecords(records, &keep));
}

std::vector<TSWordFormDictionary::FormCount> TSWordFormDictionary::uniqueForms(const RecordViews& records) {
    std::vector<FormCount> out;
    for (const RecordView& r : records) {
        // A form met before is counted without a copy of it.
        const QString made = isNormalised(r.form) ? QString() : normalisedForm(r.form);
        const QStringView form = made.isNull() ? r.form : QStringView(made);
        auto it = std::find_if(out.begin(), out.end(), [&](const FormCount& f) { return f.form == form; });
        if (it == out.end()) out.push_back({made.isNull() ? form.toString() : made, 1});
        else ++it->count;
    }
    return out;
}

const QSet<QString>& TSWordFormDictionary::priviledgedForms() {
    static const QSet<QString> set = {QStringLiteral("sum"), QStringLiteral("alius2")};
    return set;
}

bool TSWordFormDictionary::checkFlags(QStringView flags) {
    return flags.size() >= 8 && flags.at(0) == u'n' && flags.at(7) == u'n';
}

namespace {

bool prioritizeView(const QString& form, const TSWordFormDictionary::RecordViews& records) {
    return std::any_of(records.begin(), records.end(), [&](const TSWordFormDictionary::RecordView& r) {
        return TSWordFormDictionary::checkFlags(r.flags) && normalisesTo(r.form, form);
    });
}

bool isPrivileged(QStringView lemma) {
    const QSet<QString>& lemmas = TSWordFormDictionary::priviledgedForms();
    return std::any_of(lemmas.begin(), lemmas.end(), [&](const QString& l) { return l == lemma; });
}

// How often, in percent, a value of a tag position is met in Latin text
// among the words that have that position (rough shares of running prose).
// A value not listed, and "-", count as 100.
int shareOf(int position, QChar value) {
    switch (position) {
    case 1:  // person
        switch (value.unicode()) { case u'1': return 20; case u'2': return 10; case u'3': return 70; default: return 100; }
    case 2:  // number
        switch (value.unicode()) { case u's': return 68; case u'p': return 32; default: return 100; }
    case 3:  // tense
        switch (value.unicode()) {
        case u'p': return 45; case u'r': return 25; case u'i': return 12; case u'f': return 8; case u'l': return 6;
        case u't': return 4; default: return 100;
        }
    case 4:  // mood
        switch (value.unicode()) {
        case u'i': return 55; case u's': return 18; case u'p': return 11; case u'n': return 10; case u'm': return 3;
        case u'd': case u'g': case u'u': return 1; default: return 100;
        }
    case 7:  // case; the vocative is the rarest by far
        switch (value.unicode()) {
        case u'a': return 29; case u'n': return 24; case u'b': return 24; case u'g': return 13; case u'd': return 8;
        case u'v': return 2; default: return 100;
        }
    case 8:  // degree: comparatives and superlatives are few beside the positive
        switch (value.unicode()) { case u'c': case u's': return 10; default: return 100; }
    default: return 100;
    }
}

// How common one reading of a form is: the product of the shares of its
// tag's values, so that a vocative or a dative plural weighs less than a
// genitive singular, and a second person or a pluperfect less than a third
// person present. A declined reading (one with a case, participles and
// gerundives too) weighs by its case, number and degree, as its use is an
// adjective's; a verb by person, number, tense and mood. Voice and gender
// weigh nothing: the list gives an adjective one record per gender, which is
// one reading, not three. A word without inflection (adverb, conjunction,
// preposition, interjection) weighs as a nominative singular: it has one form
// where a noun spreads over many. Integers, so that equal readings tie
// exactly.
qint64 readingWeight(QStringView tag) {
    if (tag.size() < 9) return 0;
    const char16_t kind = tag.at(0).unicode();
    if (kind == u'd' || kind == u'c' || kind == u'r' || kind == u'e')
        return qint64(shareOf(7, u'n')) * shareOf(2, u's') * 1'000'000'000'000;
    const bool declined = tag.at(7) != u'-';
    qint64 weight = 1;
    for (int position = 1; position <= 8; ++position) {
        const bool counted = declined ? (position == 2 || position == 7 || position == 8)
                                      : (position >= 1 && position <= 4);
        weight *= counted ? shareOf(position, tag.at(position)) : 100;
    }
    return weight;
}

}  // namespace

bool TSWordFormDictionary::prioritizeForm(const QString& form, const Records& records) {
    std::vector<QString> keep;
    return prioritizeView(form, viewsOfRecords(records, &keep));
}

TSWordFormDataPtr TSWordFormDictionary::wordFormFromArray(const Records& records, const QString& form) {
    for (const TSWordFormDataPtr& r : records)
        if (normalisesTo(r->form(), form)) return r;
    return nullptr;
}

QStringList TSWordFormDictionary::checkForSpecialCases(const QStringList& candidates) {
    const auto list = frequencyDictionary();
    if (!list) return {};
    int best = -1;
    for (const QString& c : candidates) {
        const auto it = list->lineOfKey.constFind(c);
        if (it != list->lineOfKey.constEnd() && (best < 0 || it.value() < best)) best = it.value();
    }
    return best < 0 ? QStringList() : list->lines[size_t(best)];
}

QStringList TSWordFormDictionary::formsInOrderOfFrequency(const std::vector<FormCount>& forms, const Records& records) {
    std::vector<QString> keep;
    return formsInOrderOfFrequency(forms, viewsOfRecords(records, &keep));
}

QStringList TSWordFormDictionary::formsInOrderOfFrequency(const std::vector<FormCount>& forms, const RecordViews& records) {
    QStringList candidates;
    for (const FormCount& f : forms) candidates << f.form;
    const QStringList special = checkForSpecialCases(candidates);
    if (!special.isEmpty()) return special;

    // A rank per form compared as a tuple: a privileged lemma, then the
    // commonest of the form's readings, then a nominative noun, then more
    // records. The count comes last: the list gives a reading one record
    // per gender and lemma, so counting records favours adjectives and rare
    // homographs over the reading a reader expects. Equal ranks keep the
    // order in which the forms were first met.
    struct Ranked {
        int privileged;
        qint64 weight;
        int nominative, count;
        QString form;
    };
    // Each record's form normalised once, not once per form; most need no
    // copy.
    std::vector<QString> copies;
    copies.reserve(records.size());
    std::vector<QStringView> normalised;
    normalised.reserve(records.size());
    for (const RecordView& r : records)
        normalised.push_back(isNormalised(r.form) ? r.form : QStringView(copies.emplace_back(normalisedForm(r.form))));

    std::vector<Ranked> ranked;
    ranked.reserve(forms.size());
    for (const FormCount& f : forms) {
        // The form's first record tells whether its lemma is privileged;
        // any of its records may be a nominative noun.
        bool seen = false, privileged = false, nominative = false;
        qint64 weight = 0;
        for (size_t i = 0; i < records.size(); ++i) {
            if (normalised[i] != f.form) continue;
            if (!seen) privileged = isPrivileged(records[i].base);
            seen = true;
            nominative = nominative || TSWordFormDictionary::checkFlags(records[i].flags);
            weight = std::max(weight, readingWeight(records[i].flags));
        }
        ranked.push_back({privileged ? 0 : 1, -weight, nominative ? 0 : 1, -f.count, f.form});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return std::tie(a.privileged, a.weight, a.nominative, a.count) <
               std::tie(b.privileged, b.weight, b.nominative, b.count);
    });
    QStringList out;
    for (const Ranked& r : ranked) out << r.form;
    return out;
}

QString TSWordFormDictionary::fixOneCaseAndForm(const QString& form, const QString& origString) {
    QString out = form;
    const qsizetype n = std::min(out.size(), origString.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QChar o = origString.at(i);
        if (o == u'v' || o == u'V' || o == u'j' || o == u'J') out[i] = o;
        else if (o.isUpper()) out[i] = out.at(i).toUpper();
    }
    return out;
}

QStringList TSWordFormDictionary::fixCaseAndForm(const QStringList& forms, const QString& origString) {
    QStringList out;
    out.reserve(forms.size());
    for (const QString& f : forms) out << fixOneCaseAndForm(f, origString);
    return out;
}

QStringList TSWordFormDictionary::macronizedFormsForString(const QString& word) const {
    const QString orig = word;
    QString key = StringExtensions::stripDiacritics(word).toLower();
    QReadLocker lock(&lock_);
    RecordViews found;
    viewsOf(key, &found);
    if (found.empty()) {
        key.replace(u'v', u'u');
        viewsOf(key, &found);
    }
    if (found.empty()) return {};
    return fixCaseAndForm(formsInOrderOfFrequency(uniqueForms(found), found), orig);
}

// ---- Metre ----

QString TSWordFormDictionary::meterPattern(int meterIndex) {
    const QString L = QStringLiteral("-");
    const QString S = QString(QChar(TSWordFormData::kShortMark));
    switch (meterIndex) {
    case 1: return L + S + S;
    case 2: return L + L;
    case 3: return L + S;
    case 5: return S + S;
    case 6: return S + L;
    case 8: return S + S + S;
    case 9: return S + L + S;
    case 10: return S + S + L;
    case 11: return S + L + L;
    case 12: return L + L + S;
    case 13: return L + S + L;
    case 14: return L + L + L;
    default: return QString();
    }
}

TSWordFormDictionary::MeterResult TSWordFormDictionary::wordsWithMeter(const QString& pattern, int syllables, int type,
                                                                       const QString& text, bool searchFromStart,
                                                                       int capitals) const {
    MeterResult result;
    if (capitals <= 0) return result;
    {
        // The patterns a search reads are kept, as a record keeps its own.
        QWriteLocker lock(&lock_);
        fillLengths(false);
    }
    const QString typed = text.normalized(QString::NormalizationForm_C);
    QReadLocker lock(&lock_);
    using Store = wordforms::WordFormStore;
    for (quint32 k = 0; k < store_.keyCount(); ++k) {
        for (quint32 i = store_.firstRecord(k); i != Store::kNone; i = store_.record(i).next) {
            const Store::Record& r = store_.record(i);
            const QStringView lengths = store_.lengths(r);
            if (!lengths.startsWith(pattern)) continue;
            if (syllables != 0 && lengths.size() != syllables) continue;
            if (type != 0 && TSWordFormData::wordTypeOfTag(store_.tag(r)) != type) continue;
            const QStringView form = store_.form(r);
            if (!typed.isEmpty() && !formHoldsTyped(form.toString().normalized(QString::NormalizationForm_C), typed, searchFromStart))
                continue;
            const bool capital = beginsWithCapital(form);
            if (capitals == 1 && capital) continue;
            if (capitals == 2 && !capital) continue;
            result[store_.key(k).toString()].push_back(makeRecord(i, store_.key(k)));
        }
    }
    return result;
}

void TSWordFormDictionary::fillLengths(bool all) const {
    for (quint32 i = 0; i < quint32(store_.recordCount()); ++i) {
        const wordforms::WordFormStore::Record& r = store_.record(i);
        if (!all && r.lengths != wordforms::WordFormStore::kNone) continue;
        QString lengths;
        TSWordFormData::syllablesFromString(store_.form(r).toString(), &lengths);
        store_.setLengths(i, lengths.isNull() ? QStringLiteral("") : lengths);
    }
}

bool TSWordFormDictionary::calculateMeter() {
    {
        QWriteLocker lock(&lock_);
        fillLengths(true);
    }
    return saveToDefaultLocation();
}
