#include "LewisAndShort.h"

#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryServices.h"
#include "foundation/StringExtensions.h"

#include <QElapsedTimer>

#include <mutex>

TS_REGISTER_CLASS(LewisAndShort)

namespace {

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

LewisAndShortPtr& sharedSlot() {
    static LewisAndShortPtr shared;
    return shared;
}

std::mutex& builderMutex() {
    static std::mutex mutex;
    return mutex;
}

LewisAndShort::SourceBuilder& builderSlot() {
    static LewisAndShort::SourceBuilder builder;
    return builder;
}

}  // namespace

LewisAndShort::LewisAndShort() { setName(QStringLiteral("EditedLewisShort")); }

void LewisAndShort::setSourceBuilder(SourceBuilder builder) {
    std::lock_guard<std::mutex> lock(builderMutex());
    builderSlot() = std::move(builder);
}

LewisAndShortPtr LewisAndShort::dictionary() {
    LewisAndShortPtr d;
    {
        std::lock_guard<std::mutex> lock(sharedMutex());
        if (!sharedSlot()) sharedSlot() = std::make_shared<LewisAndShort>();
        d = sharedSlot();
    }
    d->initialize();
    return d;
}

LewisAndShortPtr LewisAndShort::existingDictionary() {
    std::lock_guard<std::mutex> lock(sharedMutex());
    return sharedSlot();
}

QUrl LewisAndShort::editedLewisShortURL() { return preparedFileURL(QStringLiteral("EditedLewisShort.xml")); }

QUrl LewisAndShort::lewisAndShortURL() { return preparedFileURL(QStringLiteral("LewisShort.xml")); }

QString LewisAndShort::attribution() const { return DictionaryServices::localized(QStringLiteral("LS_ATTRIBUTION")); }

QString LewisAndShort::formatStringForRegex(const QString& query) const {
    if (isRegexString(query)) return query;
    const QString plain = StringExtensions::stripDiacritics(query);
    QString pattern;
    pattern.reserve(plain.size() * 8);
    for (QChar c : plain) {
        // A headword may keep the hyphen that splits a compound (vīgintĭ-vĭri,
        // quantus-cumque): a word typed without it finds it all the same.
        if (!pattern.isEmpty() && c.isLetter()) pattern += QStringLiteral("-?");
        switch (c.toLower().unicode()) {
        case 'a': pattern += QStringLiteral("(a|ā|ă)"); break;
        case 'e': pattern += QStringLiteral("(e|ē|ë|ĕ)"); break;
        case 'i': pattern += QStringLiteral("(i|ī|ĭ)"); break;
        case 'o': pattern += QStringLiteral("(o|ō|ŏ)"); break;
        case 'u': pattern += QStringLiteral("(u|ū|ŭ)"); break;
        case 'y': pattern += QStringLiteral("(y|ȳ|y\u0306)"); break;
        default: pattern += c;
        }
    }
    return QStringLiteral("\\b%1\\b").arg(pattern);
}

// ---- Keyed look-up ----

QHash<QString, DictionaryEntryPtr> LewisAndShort::lookupDictionary() {
    waitForInitialisation();
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    if (lookupBuilt_) return lookup_;
    lookup_.clear();
    if (const auto list = words()) {
        lookup_.reserve(qsizetype(list->size()));
        for (const auto& entry : *list) {
            if (!entry) continue;
            const QString key = entry->key();
            if (key.isEmpty()) {
                TSLogError("No key for %@", entry->entry());
                continue;
            }
            lookup_.insert(key, entry);
        }
    }
    lookupBuilt_ = true;
    return lookup_;
}

DictionaryEntryPtr LewisAndShort::entryWithKey(const QString& key) {
    if (key.isNull()) return nullptr;
    waitForInitialisation();
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    if (!lookupBuilt_) lookupDictionary();
    return lookup_.value(key);
}

void LewisAndShort::wordsChanged() {
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    lookupBuilt_ = false;
    lookup_.clear();
    buildSyllables();
}

// ---- Word-type search ----

namespace {

// The first blank-separated word of a headword with its dots left out, as
// the analyser parser's getFirstWordInLine gives it, without splitting the
// whole line.
QString firstWord(const QString& line) {
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (; i < n && (line.at(i).isSpace() || line.at(i) == QLatin1Char('.')); ++i) {}
    const qsizetype start = i;
    bool dots = false;
    for (; i < n && !line.at(i).isSpace(); ++i) dots = dots || line.at(i) == QLatin1Char('.');
    QString word = line.mid(start, i - start);
    if (dots) word.remove(QLatin1Char('.'));
    return word;
}

struct WordTypeCriteria {
    int wordType, syllables;
    QString wordContains;
    bool searchFromStart;
    int stress, conjugation, wordPart, capitals, trans, gender;

    // The syllables are read from the table, not from the word.
    bool needsWord() const { return !wordContains.isEmpty() || (capitals >= 0 && capitals < 3); }

    // The criteria that need nothing but stored attributes come first: they
    // are cheap and turn most entries away.
    bool attributesMatch(const DictionaryEntry& entry) const {
        if (wordType != 0 && entry.type() != wordType) return false;
        if (conjugation >= 1 && entry.conjugation() != conjugation) return false;
        if (wordType == DictionaryEntry::Noun && gender >= 1 && entry.gender() != gender) return false;
        if (wordType == DictionaryEntry::Verb && trans >= 0 && trans < 3 && !transitivityMatches(entry.transIntrans()))
            return false;
        if (wordPart >= 1) {
            const QStringList parts = entry.parts();
            if (parts.size() <= wordPart) return false;
            const QString& piece = parts.at(wordPart);
            if (piece.isEmpty() || piece == QLatin1String("-")) return false;
        }
        return capitals != 0;
    }

    // Stored values: 1 transitive, 2 intransitive, 3 both, anything else not
    // recorded.
    bool transitivityMatches(int stored) const {
        const bool recorded = stored >= 1 && stored <= 3;
        if (trans == 0) return !recorded;
        return stored == trans || stored == 3;
    }

    bool wordMatches(const QString& word) const {
        if (capitals == 1 || capitals == 2) {
            if (word.isEmpty()) return false;
            const bool capital = StringExtensions::isAllCaps(word.left(word.at(0).isHighSurrogate() ? 2 : 1));
            if (capital != (capitals == 2)) return false;
        }
        if (!wordContains.isEmpty()) {
            const QString plain = StringExtensions::stripDiacritics(word);
            const bool pattern = wordContains.contains(QLatin1Char('.'));
            bool ok;
            if (searchFromStart)
                ok = pattern ? StringExtensions::beginsWithExpression(plain, wordContains)
                             : StringExtensions::beginsWithString(plain, wordContains);
            else
                ok = pattern ? StringExtensions::endsWithExpression(plain, wordContains)
                             : StringExtensions::endsWithString(plain, wordContains);
            if (!ok) return false;
        }
        return true;
    }

    // The syllable criteria, from the count and the stressed syllable
    // counted from the end.
    bool syllablesMatch(int count, int stressFromEnd) const {
        if (syllables >= 1 && count != 0 && count != syllables) return false;
        if (stress >= 1 && (count == 0 || stressFromEnd != stress)) return false;
        return true;
    }
    bool needsSyllables() const { return syllables >= 1 || stress >= 1; }
};

}  // namespace

DictionaryEntryList LewisAndShort::wordTypeSearch(int wordType, int syllables, const QString& wordContains,
                                                  bool searchFromStart, int stress, int conjugation, int wordPart,
                                                  int capitals, int trans, int gender) {
    waitForInitialisation();
    const WordTypeCriteria criteria{wordType, syllables, wordContains, searchFromStart, stress,
                                    conjugation, wordPart, capitals, trans, gender};
    const bool needsWord = criteria.needsWord();
    DictionaryEntryList result;
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    const auto list = words();
    if (!list) return result;
    if (criteria.needsSyllables() && syllablesFor_ != list.get()) buildSyllables();
    for (const auto& entry : *list) {
        if (!entry || !criteria.attributesMatch(*entry)) continue;
        if (needsWord && !criteria.wordMatches(firstWord(entry->entry())))
            continue;
        if (criteria.needsSyllables()) {
            const Syllables s = syllables_.value(entry.get());
            if (!criteria.syllablesMatch(s.count, s.stressFromEnd)) continue;
        }
        result.push_back(entry);
    }
    return result;
}

void LewisAndShort::buildSyllables() {
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    syllables_.clear();
    const auto list = words();
    syllablesFor_ = list.get();
    if (!list) return;
    syllables_.reserve(qsizetype(list->size()));
    for (const auto& entry : *list) {
        if (!entry) continue;
        const QStringList pieces = TSDictionary::syllables(firstWord(entry->entry()).toLower());
        const int count = int(pieces.size());
        syllables_.insert(entry.get(), Syllables{qint16(count), qint16(count == 0 ? 0 : count - TSDictionary::stressedSyllable(pieces))});
    }
}

// ---- Rebuild from the source ----

bool LewisAndShort::loadFromRawXML() {
    SourceBuilder builder;
    {
        std::lock_guard<std::mutex> lock(builderMutex());
        builder = builderSlot();
    }
    if (!builder) {
        TSLogError("No source builder for %@ is installed", className());
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    const ts::ValueDictionary result = builder(lewisAndShortURL());
    TSLogError("Time taken: %0.1f", timer.elapsed() / 1000.0);
    return loadFromSourceResult(result);
}

bool LewisAndShort::loadFromSourceResult(const ts::ValueDictionary& result) { return takeBuiltResult(result); }
