#include "ElementaryLewis.h"

#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryServices.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <mutex>

TS_REGISTER_CLASS(ElementaryLewis)

const QString ElementaryLewis::kCreditsKey = QStringLiteral("credits");

namespace {

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

ElementaryLewisPtr& sharedSlot() {
    static ElementaryLewisPtr shared;
    return shared;
}

// Checking for the file and unpacking it must not run twice at once.
std::mutex& unpackMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

ElementaryLewis::ElementaryLewis() { setName(QStringLiteral("EditedElementaryLewis")); }

ElementaryLewisPtr ElementaryLewis::dictionary() {
    ElementaryLewisPtr d;
    {
        std::lock_guard<std::mutex> lock(sharedMutex());
        if (!sharedSlot()) sharedSlot() = std::make_shared<ElementaryLewis>();
        d = sharedSlot();
    }
    d->initialize();
    return d;
}

ElementaryLewisPtr ElementaryLewis::existingDictionary() {
    std::lock_guard<std::mutex> lock(sharedMutex());
    return sharedSlot();
}

QUrl ElementaryLewis::preparedFileURL(const QString& fileName) {
    const QString folder = DictionaryServices::dictionaries();
    if (folder.isEmpty()) return QUrl();
    const QString path = QDir(folder).filePath(fileName);
    std::lock_guard<std::mutex> lock(unpackMutex());
    if (!QFileInfo::exists(path)) {
        const QString archive = DictionaryServices::resource(fileName, QStringLiteral("zip"));
        if (!archive.isEmpty()) unzip(QUrl::fromLocalFile(archive), QUrl::fromLocalFile(folder));
    }
    return QUrl::fromLocalFile(path);
}

QUrl ElementaryLewis::editedLewisURL() { return preparedFileURL(QStringLiteral("EditedElementaryLewis.xml")); }

QString ElementaryLewis::credits() {
    return QStringLiteral(
        "Text provided by the Perseus Digital Library, with funding from The National Endowment for the "
        "Humanities. The full text of the dictionary can be viewed and downloaded at "
        "http://www.perseus.tufts.edu/hopper/opensource/download");
}

QString ElementaryLewis::attribution() const {
    return DictionaryServices::localized(QStringLiteral("PERSEUS_ATTRIBUTION"));
}

// ---- Loading ----

void ElementaryLewis::initialize() {
    if (!claimInitialization()) return;
    std::weak_ptr<ElementaryLewis> weak = std::static_pointer_cast<ElementaryLewis>(weak_from_this().lock());
    auto load = [this] {
        const QUrl url = editedURL();
        if (!loadFileRecordingState(url)) {
            // Waiting readers are released with an empty dictionary.
            loadFailed_.store(true);
            if (loadState() == LoadState::Missing) reportMissing();
            else TSLogError("%@ could not be loaded from %@; it is empty", className(), url.toLocalFile());
            setWords({});
        }
        const QString text = creditsText();
        if (!text.isNull()) {
            std::lock_guard<std::recursive_mutex> lock(wordsLock());
            ts::ValueDictionary data = dictionaryData();
            data[kCreditsKey] = text;
            setDictionaryData(data);
        }
        // Whatever a subclass works out from the entries once is ready
        // before the first reader is let in.
        wordsChanged();
        signalLoaded();
    };
    auto self = weak.lock();
    if (!self) {
        load();
        return;
    }
    ts::DispatchQueue::global()->async([self, load] { load(); });
}

void ElementaryLewis::reportMissing() const {
    static std::mutex mutex;
    static QSet<QString> reported;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (reported.contains(className())) return;
        reported.insert(className());
    }
    TSLogError("The prepared dictionary %@ is missing; it answers nothing until it is installed", className());
}

void ElementaryLewis::waitForInitialisation() {
    // Waits for the load's end rather than for `words`: the load still sets
    // its state and credits after the entries.
    initialize();
    TSDictionary::waitForInitialisation();
}

// ---- Searching ----

DictionaryEntryList ElementaryLewis::translateToLatin(const QString& query, int type, int entryType) {
    waitForInitialisation();
    const QString pattern =
        isRegexString(query) ? query : QStringLiteral("(\\b| |,|;)%1(\\b| |,|;)").arg(query);
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::UseUnicodePropertiesOption);
    if (!re.isValid()) {
        TSLogError("Invalid English search %@: %@", query, re.errorString());
        return {};
    }
    DictionaryEntryList result;
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    const auto list = words();
    if (!list) return result;
    for (const auto& entry : *list) {
        if (!entry || (type != 0 && entry->type() != type)) continue;
        if (entry->containsRegexMeaning(re, entryType)) result.push_back(entry);
    }
    return result;
}

void ElementaryLewis::translateToLatin(const QString& query, int type, int entryType, TSDictionaryBlock block) {
    const DictionaryEntryList result = translateToLatin(query, type, entryType);
    if (block) block(makeResult(result, query));
}

DictionaryEntryList ElementaryLewis::findWordsWithForm(const QString& form, int type) {
    waitForInitialisation();
    DictionaryEntryList result;
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    auto keep = [&](const DictionaryEntryPtr& entry) {
        if (entry && (type == 0 || entry->type() == type)) result.push_back(entry);
    };
    keep(entryWithKey(form));
    for (int n = 1; n <= 9; ++n) {
        const DictionaryEntryPtr entry = entryWithKey(form + QString::number(n));
        if (!entry) break;
        keep(entry);
    }
    return result;
}

DictionaryEntryList ElementaryLewis::itemsOfType(int type) {
    waitForInitialisation();
    DictionaryEntryList result;
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    if (const auto list = words())
        for (const auto& entry : *list)
            if (entry && entry->type() == type) result.push_back(entry);
    return result;
}

// ---- Editing ----

bool ElementaryLewis::deleteEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return false;
    waitForInitialisation();
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    const auto list = words();
    if (!list) return false;
    auto it = std::find(list->begin(), list->end(), entry);
    if (it == list->end()) return false;
    list->erase(it);
    wordsChanged();
    return true;
}

QByteArray ElementaryLewis::changedWords() const {
    ts::ValueArray changed;
    {
        std::lock_guard<std::recursive_mutex> lock(wordsLock());
        if (const auto list = words())
            for (const auto& entry : *list)
                if (entry && entry->changed()) changed.push_back(entry->serialize());
    }
    if (changed.empty()) return QByteArray();
    QString error;
    QByteArray data = ts::PropertyList::writeXML(ts::Value(std::move(changed)), &error);
    if (data.isEmpty()) TSLogError("Cannot encode the changed words of %@: %@", className(), error);
    return data;
}

void ElementaryLewis::removeChangeFlags() {
    bool any = false;
    {
        std::lock_guard<std::recursive_mutex> lock(wordsLock());
        if (const auto list = words())
            for (const auto& entry : *list)
                if (entry && entry->changed()) {
                    entry->removeChangeFlags();
                    any = true;
                }
    }
    if (any) setDirty(true);
}

// ---- Saving ----

void ElementaryLewis::save() { saveToFile(); }

bool ElementaryLewis::saveToFile() {
    QElapsedTimer timer;
    timer.start();
    // The lock covers the write and the clearing of the dirty flag, so an edit
    // made meanwhile is neither half written nor forgotten.
    std::lock_guard<std::recursive_mutex> lock(wordsLock());
    const auto list = words();
    if (!list || loadFailed_.load()) {
        TSLogError("%@ was not loaded from its file; it is not saved over it", className());
        return false;
    }
    const ts::ValueDictionary data = dictionaryData();
    ts::ValueDictionary file;
    for (const QString& key : {kAuthorKey, kTitleKey, kSponsorKey, kDescriptionKey}) {
        auto it = data.find(key);
        if (it != data.end() && it->second.isString()) file[key] = it->second;
    }
    ts::ValueArray serialized;
    serialized.reserve(list->size());
    for (const auto& entry : *list)
        if (entry) serialized.push_back(entry->serialize());
    file[kWordsKey] = ts::Value(std::move(serialized));

    QString error;
    const QByteArray bytes = ts::PropertyList::writeBinary(ts::Value(std::move(file)), &error);
    if (bytes.isEmpty()) {
        TSLogError("Error compressing data %@", error);
        return false;
    }
    const QString path = editedURL().toLocalFile();
    QSaveFile out(path);
    bool written = false;
    if (path.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        TSLogError("Error writing plist %@", path.isEmpty() ? QStringLiteral("no Dictionaries folder")
                                                              : QStringLiteral("%1: %2").arg(path, out.errorString()));
    } else {
        setDirty(false);
        written = true;
    }
    TSLogError("%@ Save Time taken: %0.1f", className(), timer.elapsed() / 1000.0);
    return written;
}

// ---- Rebuild from the TEI source ----

namespace {
std::mutex& elementaryBuilderMutex() {
    static std::mutex mutex;
    return mutex;
}
ElementaryLewis::ElementarySourceBuilder& elementaryBuilderSlot() {
    static ElementaryLewis::ElementarySourceBuilder builder;
    return builder;
}
}  // namespace

void ElementaryLewis::setElementarySourceBuilder(ElementarySourceBuilder builder) {
    std::lock_guard<std::mutex> lock(elementaryBuilderMutex());
    elementaryBuilderSlot() = std::move(builder);
}

bool ElementaryLewis::loadFromElementarySource(const QUrl& source) {
    ElementarySourceBuilder builder;
    {
        std::lock_guard<std::mutex> lock(elementaryBuilderMutex());
        builder = elementaryBuilderSlot();
    }
    if (!builder) {
        TSLogError("No source builder for %@ is installed", className());
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    const ts::ValueDictionary result = builder(source);
    TSLogError("Time taken: %0.1f", timer.elapsed() / 1000.0);
    return loadFromElementaryResult(result);
}

bool ElementaryLewis::loadFromElementaryResult(const ts::ValueDictionary& result) { return takeBuiltResult(result); }

bool ElementaryLewis::takeBuiltResult(const ts::ValueDictionary& result) {
    DictionaryEntryList entries;
    auto it = result.find(kEntriesKey);
    if (it != result.end() && it->second.isArray())
        for (const ts::Value& v : it->second.array())
            if (auto entry = v.toObjectAs<DictionaryEntry>()) entries.push_back(entry);
    if (entries.empty()) {
        TSLogError("The source of %@ gave no entries; the dictionary is left as it was", className());
        return false;
    }
    // No file load may start after, or still run under, the new entries.
    const bool noLoadStarted = claimInitialization();
    if (!noLoadStarted) TSDictionary::waitForInitialisation();
    {
        std::lock_guard<std::recursive_mutex> lock(wordsLock());
        setDictionaryData(result);
        setWords(entries);
        wordsChanged();
    }
    setLoadState(LoadState::Loaded);
    if (noLoadStarted) signalLoaded();
    clearLoadFailure();
    return saveToFile();
}
