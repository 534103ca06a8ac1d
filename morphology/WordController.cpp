#include "morphology/WordController.h"

#include "morphology/Adjective.h"
#include "morphology/Verb.h"

#include "app/logging/LGLog.h"
#include "foundation/NSKeyedUnarchiverExtensions.h"
#include "platform/KeyedArchiver.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <limits>

const QString WordController::kWordListChanged = QStringLiteral("WordList Changed");
const QString WordController::kOriginalWordKey = QStringLiteral("Original Word");
const QString WordController::kNewWordKey = QStringLiteral("New Word");
const QString WordController::kVocabChanged = QStringLiteral("Vocab Changed");

namespace {

const QString kIdPrefix = QStringLiteral("vocab");

// What a vocabulary archive may make: its root dictionary and the word classes
// (Verb and Adjective qualify through Word).
QStringList archiveClasses() {
    return {Word::staticClassName(), QStringLiteral("NSDictionary"), QStringLiteral("NSMutableDictionary")};
}

}  // namespace

WordController::WordController() = default;

void WordController::setDirtyFlag() { changed(); }

void WordController::changed() {
    recordNeedsSaving_ = true;
    ts::NotificationCenter::defaultCenter().post(kVocabChanged, this);
}

WordControllerPtr WordController::restoredFromArchive(const QByteArray& data) {
    auto list = std::make_shared<WordController>();
    list->restoreWordsFromArchive(data);
    return list;
}

void WordController::restoreWordsFromArchive(const QByteArray& data) {
    vocabList_.clear();
    wordKeys_.clear();
    unreadableArchive_ = QByteArray();
    recordNeedsSaving_ = true;
    if (data.isEmpty()) return;

    UnarchiveError error;
    const ts::Value root = NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error, archiveClasses());
    if (root.isNull()) {
        TSLogError("Unable to unarchive object: the vocabulary could not be read (%@); its %ld bytes are kept as they were",
                   error.isSet() ? error.localizedDescription() : QStringLiteral("no words"), qint64(data.size()));
        unreadableArchive_ = data;
        return;
    }
    if (!root.isDictionary()) {
        TSLogError("The vocabulary archive holds %@, not a list of words; its %ld bytes are kept as they were",
                   root.description(), qint64(data.size()));
        unreadableArchive_ = data;
        return;
    }
    for (const auto& [key, value] : root.dictionary()) {
        if (WordPtr word = value.toObjectAs<Word>()) {
            // Words of the oldest archives carry no id of their own; the key
            // is the id the text's links use.
            if (word->uniqueID().isEmpty()) word->setUniqueID(key);
            vocabList_[key] = std::move(word);
        } else
            TSLogError("The vocabulary entry %@ is %@, not a word; it is left out", key, value.description());
    }
    for (const auto& entry : vocabList_) wordKeys_.append(entry.first);
    std::stable_sort(wordKeys_.begin(), wordKeys_.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    sort();
    recordNeedsSaving_ = false;
}

QByteArray WordController::archiveWords() const {
    if (hasUnreadableArchive()) {
        if (!vocabList_.empty())
            TSLogError("%ld words are not saved: the document's vocabulary could not be read and is kept as it was",
                       count());
        return unreadableArchive_;
    }
    ts::ValueDictionary root;
    for (const auto& [key, word] : vocabList_)
        if (word) root[key] = ts::Value(word);
    QString error;
    QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::move(root)), &error);
    if (data.isEmpty()) TSLogError("Unable to archive the vocabulary: %@", error);
    return data;
}

qint64 WordController::idNumber(const QString& id) {
    const qsizetype colon = id.indexOf(QLatin1Char(':'));
    if (colon < 0) return 0;
    qsizetype i = colon;
    while (i < id.size() && id.at(i) == QLatin1Char(':')) ++i;
    bool negative = false;
    if (i < id.size() && (id.at(i) == QLatin1Char('-') || id.at(i) == QLatin1Char('+'))) {
        negative = id.at(i) == QLatin1Char('-');
        ++i;
    }
    // Saturates rather than overflows on an absurdly long run of digits.
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 n = 0;
    for (; i < id.size() && id.at(i) >= QLatin1Char('0') && id.at(i) <= QLatin1Char('9'); ++i) {
        const int digit = id.at(i).unicode() - '0';
        n = n > (kMax - digit) / 10 ? kMax : n * 10 + digit;
    }
    return negative ? -n : n;
}

QString WordController::getUniqueID() const {
    qint64 largest = 0;
    for (const auto& entry : vocabList_) largest = std::max(largest, idNumber(entry.first));
    if (largest < std::numeric_limits<qint64>::max()) return kIdPrefix + QStringLiteral(":%1").arg(largest + 1);
    // No number above the largest: take the first one free.
    qint64 next = 1;
    while (vocabList_.count(kIdPrefix + QStringLiteral(":%1").arg(next))) ++next;
    return kIdPrefix + QStringLiteral(":%1").arg(next);
}

WordPtr WordController::makeNewWord(const QString& latin) {
    // Every new word starts as a verb; callers that know its type retype it.
    auto word = std::make_shared<Verb>();
    word->setLatin(Word::convertToStandardLatinString(latin));
    word->setUniqueID(getUniqueID());
    addObject(word);
    return word;
}

void WordController::addObject(const WordPtr& word) {
    if (!word) {
        TSLogError("nil word added to the vocabulary");
        return;
    }
    // A word whose id is listed already replaces the word there: an id shown
    // twice would be one word in two rows.
    vocabList_[word->uniqueID()] = word;
    if (!wordKeys_.contains(word->uniqueID())) wordKeys_.append(word->uniqueID());
    sort();
    changed();
}

void WordController::setObject(const WordPtr& word, const QString& key) {
    if (key.isNull() || !word) {
        TSLogError("nil word or key stored in the vocabulary");
        return;
    }
    vocabList_[key] = word;
}

WordPtr WordController::objectForKey(const QString& key) const {
    if (key.isNull()) {
        TSLogError("object requested for a nil key");
        return nullptr;
    }
    return vocabForID(key);
}

WordPtr WordController::vocabForID(const QString& key) const {
    const auto it = vocabList_.find(key);
    return it == vocabList_.end() ? nullptr : it->second;
}

WordPtr WordController::wordAt(qint64 index) const {
    if (index < 0 || index >= wordKeys_.size()) return nullptr;
    return vocabForID(wordKeys_.at(index));
}

WordPtr WordController::objectAtIndex(quint64 index) const {
    if (index >= quint64(wordKeys_.size())) {
        TSLogError("No word at position %lu of a vocabulary of %ld words", index, qint64(wordKeys_.size()));
        return nullptr;
    }
    return wordAt(qint64(index));
}

qint64 WordController::getIndexOfObject(const WordPtr& word) const {
    if (!word) return -1;
    return wordKeys_.indexOf(word->uniqueID());
}

bool WordController::isAMemberOfList(const WordPtr& word) const {
    if (!word) return false;
    return std::any_of(vocabList_.begin(), vocabList_.end(),
                       [&](const auto& entry) { return entry.second == word; });
}

void WordController::removeObjectForKey(const QString& key) {
    if (key.isNull()) {
        TSLogError("nil key requested");
        return;
    }
    const bool hadWord = vocabList_.erase(key) > 0;
    const bool hadKey = wordKeys_.removeAll(key) > 0;
    // A removed word must reach the saved file, or it comes back on reopening.
    if (hadWord || hadKey) changed();
}

void WordController::removeObject(const WordPtr& word) {
    if (!word) return;
    removeObjectForKey(word->uniqueID());
}

WordPtr WordController::findString(const QString& text, qint64& index) const {
    const qint64 n = wordKeys_.size();
    if (n == 0 || text.isEmpty()) return nullptr;
    auto matches = [&](const WordPtr& w) {
        return w && (w->latin().contains(text, Qt::CaseInsensitive) || w->meaning().contains(text, Qt::CaseInsensitive));
    };
    const bool startInList = index >= 0 && index < n;
    // From a start outside the list every position is a candidate, in order.
    const qint64 first = startInList ? index + 1 : 0;
    const qint64 others = startInList ? n - 1 : n;
    for (qint64 k = 0; k < others; ++k) {
        const qint64 i = (first + k) % n;
        if (matches(wordAt(i))) {
            index = i;
            return wordAt(i);
        }
    }
    if (startInList && matches(wordAt(index))) return wordAt(index);
    return nullptr;
}

void WordController::changeLatin(const QString& latin, qint64 index) {
    const WordPtr word = wordAt(index);
    if (!word) return;
    word->setLatin(latin);
    sort();
    changed();
}

void WordController::changeEnglish(const QString& meaning, qint64 index) {
    const WordPtr word = wordAt(index);
    if (!word) return;
    word->setMeaning(meaning);
    changed();
}

WordPtr WordController::retypedCopy(qint64 wordType, const WordPtr& word) {
    if (!word) return nullptr;
    WordPtr copy;
    if (wordType == WordCode::Adjective) {
        copy = std::make_shared<Adjective>();
    } else if (wordType == WordCode::Verb) {
        copy = std::make_shared<Verb>();
    } else {
        copy = std::make_shared<Word>();
        copy->setWordType(wordType);
    }
    copy->setLatin(word->latin());
    copy->setMeaning(word->meaning());
    copy->setNotes(word->notes());
    copy->setSource(word->source());
    copy->setIrregData(word->irregData());
    copy->setFormality(word->getFormality());
    copy->setConjugation(word->conjugation());
    copy->setTakenCase(word->getTakenCase());
    copy->setGender(word->gender());
    copy->setIrregular(word->isIrregular());
    copy->setUniqueID(word->uniqueID());
    copy->setMarked(word->marked());
    // Transitivity belongs to the word, not to its class: a verb retyped and
    // back must not lose it.
    copy->setTransIntrans(word->transIntrans());
    return copy;
}

WordPtr WordController::changeWordType(qint64 wordType, const WordPtr& word) {
    if (!word) return nullptr;
    WordPtr copy = retypedCopy(wordType, word);
    if (!isAMemberOfList(word)) return copy;

    // The copy takes the place the word is listed under, which is its id
    // unless setObject() stored it elsewhere; links in the text name that key.
    QString key = word->uniqueID();
    if (vocabForID(key) != word)
        for (const auto& [listedKey, listed] : vocabList_)
            if (listed == word) {
                key = listedKey;
                break;
            }
    for (auto it = vocabList_.begin(); it != vocabList_.end();) {
        if (it->second == word) {
            wordKeys_.removeAll(it->first);
            it = vocabList_.erase(it);
        } else {
            ++it;
        }
    }
    vocabList_[key] = copy;
    wordKeys_.append(key);
    sort();
    changed();
    ts::NotificationCenter::defaultCenter().post(
        kWordListChanged, this, ts::ValueDictionary{{kOriginalWordKey, ts::Value(word)}, {kNewWordKey, ts::Value(copy)}});
    return copy;
}

void WordController::setMarkedOnAll(bool marked) {
    bool any = false;
    for (auto& [key, word] : vocabList_) {
        if (!word || word->marked() == marked) continue;
        word->setMarked(marked);
        any = true;
    }
    // Marks are saved with the words, so a change must be saved too.
    if (any) changed();
}

void WordController::markAll() { setMarkedOnAll(true); }
void WordController::unmarkAll() { setMarkedOnAll(false); }

void WordController::sort() {
    const qint64 mode = sortBy_;
    if (mode < ByLatin || mode > BySourceThenType) {
        TSLogError("bad case constant at compare");
        return;
    }
    // An id without a word (possible only after setWordKeys) goes last, so
    // that the order stays a strict one.
    std::stable_sort(wordKeys_.begin(), wordKeys_.end(), [&](const QString& a, const QString& b) {
        const WordPtr wa = vocabForID(a);
        const WordPtr wb = vocabForID(b);
        if (!wa || !wb) return wa && !wb;
        return wa->compare(*wb, mode) < 0;
    });
}
