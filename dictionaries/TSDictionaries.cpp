#include "TSDictionaries.h"

#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/ElementaryLewis.h"
#include "dictionaries/LewisAndShort.h"

#include <QDirIterator>
#include <QFileInfo>

const QString TSDictionaries::kDictionaryChangedNotification = QStringLiteral("dictionary changed");
const QString TSDictionaries::kElementaryLewisKey = QStringLiteral("Elementary Lewis");

namespace {

std::mutex& sharedMutex() {
    static std::mutex mutex;
    return mutex;
}

const QString kExtension = QStringLiteral(".xml");

}  // namespace

TSDictionaries::TSDictionaries() = default;

TSDictionaries::~TSDictionaries() { observer_.reset(); }

TSDictionariesPtr TSDictionaries::dictionaries() {
    static TSDictionariesPtr shared;
    std::lock_guard<std::mutex> lock(sharedMutex());
    if (!shared) {
        shared = std::make_shared<TSDictionaries>();
        std::weak_ptr<TSDictionaries> weak = shared;
        shared->observer_ = ts::NotificationCenter::defaultCenter().addObserver(
            kDictionaryChangedNotification, nullptr, [weak](const ts::Notification&) {
                if (auto registry = weak.lock()) registry->resetDictionaries();
            });
    }
    return shared;
}

// ---- Resolving codes ----

TSDictionaryPtr TSDictionaries::dictionaryOfType(qint64 type, bool englishToLatin) {
    if (type == -1) {
        type = currentDictionary(englishToLatin);
        if (type == -1) {
            // Resolving it again would never end.
            TSLogError("The dictionary chosen for %@ is -1; the analyser answers instead",
                       englishToLatin ? QStringLiteral("English to Latin") : QStringLiteral("Latin to English"));
            type = 0;
        }
    }
    switch (type) {
    case 0: return DictionaryController::dictionary();
    case 1: return ElementaryLewis::dictionary();
    case 2: return LewisAndShort::dictionary();
    default: return dictionaries()->dictionaryAtIndex(type);
    }
}

qint32 TSDictionaries::currentDictionary(bool englishToLatin) {
    dictionaries()->sortedNames();
    return DictionaryServices::selection(englishToLatin);
}

QStringList TSDictionaries::dictionaryNames() { return dictionaries()->sortedNames(); }

// ---- Front operations ----

void TSDictionaries::translateToLatin(const QString& text, qint64 wordType, qint64 entryType, qint32,
                                      TSDictionaryBlock block) {
    if (auto d = dictionaryOfType(-1, true)) d->translateToLatin(text, int(wordType), int(entryType), std::move(block));
}

void TSDictionaries::translateToEnglish(const QString& text, qint64 wordType, qint64 entryType,
                                        TSDictionaryBlock block) {
    if (auto d = dictionaryOfType(-1, false))
        d->translateToEnglish(text, int(wordType), int(entryType), std::move(block));
}

QString TSDictionaries::attribution(bool englishToLatin) {
    auto d = dictionaryOfType(-1, englishToLatin);
    return d ? d->attribution() : QString();
}

void TSDictionaries::saveDictionaries() {
    // A dictionary nobody used has nothing to save; making it here would
    // only load it at quit.
    const TSDictionaryPtr prepared[] = {ElementaryLewis::existingDictionary(), LewisAndShort::existingDictionary()};
    for (const auto& d : prepared)
        if (d && d->dirty()) d->save();
}

ts::ValueDictionary TSDictionaries::changedWords() {
    ts::ValueDictionary result;
    if (auto d = dictionaryOfType(1, false)) {
        const QByteArray data = d->changedWords();
        if (!data.isEmpty()) result[kElementaryLewisKey] = data;
    }
    return result;
}

void TSDictionaries::removeChangeFlags() {
    if (auto d = dictionaryOfType(1, false)) d->removeChangeFlags();
}

// ---- The user dictionaries ----

std::map<QString, TSDictionaries::Entry>& TSDictionaries::entriesLocked() {
    if (entries_) return *entries_;
    entries_.emplace();
    const QString folder = DictionaryServices::userDictionaries();
    if (folder.isEmpty()) return *entries_;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) continue;
        if (info.isDir()) {
            if (!info.isReadable())
                TSLogError("Error at %@ %@", info.filePath(), QStringLiteral("the folder cannot be read"));
            continue;
        }
        const QString fileName = info.fileName();
        if (!info.isFile() || !fileName.endsWith(kExtension) || fileName.size() <= kExtension.size()) continue;
        (*entries_)[fileName.chopped(kExtension.size())] = Entry{info.filePath(), nullptr};
    }
    return *entries_;
}

QStringList TSDictionaries::sortedNames() {
    std::lock_guard<std::mutex> lock(mutex_);
    QStringList names;
    for (const auto& [name, entry] : entriesLocked()) names << name;
    return names;
}

TSDictionaryPtr TSDictionaries::dictionaryAtIndex(qint64 type) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& entries = entriesLocked();
    const qint64 index = type - 3;
    if (type < -1 || index < 0 || index >= qint64(entries.size())) {
        TSLogError("No dictionary for type %@: codes run from -1 to %@", QString::number(type),
                   QString::number(qint64(entries.size()) + 2));
        return nullptr;
    }
    Entry& entry = std::next(entries.begin(), index)->second;
    if (!entry.dictionary) entry.dictionary = TSDictionary::loadFromFile(QUrl::fromLocalFile(entry.path));
    return entry.dictionary;
}

std::optional<TSDictionary::LoadState> TSDictionaries::stateOfDictionary(const QString& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& entries = entriesLocked();
    auto it = entries.find(name);
    if (it == entries.end()) return std::nullopt;
    return it->second.dictionary ? it->second.dictionary->loadState() : TSDictionary::LoadState::NotStarted;
}

void TSDictionaries::resetDictionaries() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.reset();
}
