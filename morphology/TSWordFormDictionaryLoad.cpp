// The shared word-form dictionary: where its files are, its background load,
// the waiting for it and the form-frequency list.
#include "morphology/TSWordFormDictionary.h"

#include "app/logging/LGLog.h"
#include "morphology/MorphologyResources.h"
#include "morphology/WordFormArchive.h"
#include "platform/Dispatch.h"
#include "platform/Memory.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>

#include <condition_variable>
#include <mutex>

namespace {

const QString kCacheName = QStringLiteral("Macrons.dat");
const QString kSourceName = QStringLiteral("macrons.txt");
const QString kFolderName = QStringLiteral("Tessarin");
// A form list larger than this is not a form list.
constexpr qint64 kMaxSourceSize = WordFormArchive::kMaxEntrySize;

struct SharedState {
    std::mutex mutex;
    std::condition_variable loaded;
    bool started = false;
    bool finished = false;
    TSWordFormDictionaryPtr dictionary;
    std::optional<TSWordFormDictionary::Locations> locations;
    TSWordFormDictionary::SourcePreparer preparer;
    QString generatedSource;  // the preparer's answer in the current load

    std::mutex frequencyMutex;
    std::shared_ptr<const TSWordFormDictionary::FrequencyList> frequencies;
};

SharedState& state() {
    // Never destroyed: at the process's end a thread may still be waiting for
    // the load, and destroying a condition that has a waiter holds the exit
    // until the load ends; the dictionary need not be freed record by record
    // either.
    static SharedState* s = new SharedState;
    return *s;
}

double secondsSince(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

QString stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QString();
    return QStringLiteral("%1|%2|%3")
        .arg(info.absoluteFilePath())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

QString makePrivateFolder(const QString& path) {
    if (path.isEmpty()) return QString();
    if (!QDir().mkpath(path)) {
        TSLogError("Unable to create folder %@", path);
        return QString();
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// The text of a source file in the encoding its bytes announce, else UTF-8,
// else Latin-1 for bytes that are not UTF-8.
bool readText(const QString& path, QString* text, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > kMaxSourceSize) {
        *error = QStringLiteral("%1: %2 bytes is too large for a form list").arg(path).arg(file.size());
        return false;
    }
    const QByteArray data = file.readAll();
    if (data.size() != file.size()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const auto detected = QStringConverter::encodingForData(data);
    QStringDecoder decoder(detected.value_or(QStringConverter::Utf8));
    QString decoded = decoder.decode(data);
    if (decoder.hasError()) decoded = QString::fromLatin1(data);
    *text = std::move(decoded);
    return true;
}

void runLoad() {
    TSWordFormDictionary::SourcePreparer preparer;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        preparer = state().preparer;
    }
    // Made outside the lock: making the list takes seconds. A user's own
    // list goes first, so none is made for it.
    const bool ownList = QFileInfo::exists(TSWordFormDictionary::locations().supportDirectory + QLatin1Char('/') + kSourceName);
    const QString generated = preparer && !ownList ? preparer() : QString();
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        state().generatedSource = generated;
    }
    QElapsedTimer timer;
    timer.start();
    TSWordFormDictionaryPtr dictionary;
    const QString cachePath = TSWordFormDictionary::saveFile();
    QFile cache(cachePath);
    if (!cachePath.isEmpty() && cache.exists() && cache.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const QByteArray data = cache.readAll();
        cache.close();
        if (!data.isEmpty()) {
            dictionary = TSWordFormDictionary::importFromPListData(data);
            TSLogError("Read time %0.2f", secondsSince(timer));
        }
        if (dictionary) {
            const QString current = TSWordFormDictionary::currentSourceStamp();
            if (!current.isEmpty() && dictionary->sourceStamp() != current) {
                TSLogError("The word-form cache was made from another source; reading %@", current);
                dictionary.reset();
            }
        }
    }
    if (!dictionary) dictionary = TSWordFormDictionary::loadFromTextFile();

    SharedState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.dictionary = dictionary;
        s.finished = true;
    }
    s.loaded.notify_all();
}

}  // namespace

// ---- Places ----

TSWordFormDictionary::Locations TSWordFormDictionary::locations() {
    Locations loc;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (state().locations) loc = *state().locations;
    }
    if (loc.supportDirectory.isEmpty()) {
        QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
        loc.supportDirectory = base + QLatin1Char('/') + kFolderName;
    }
    if (loc.bundledSource.isEmpty()) loc.bundledSource = MorphologyResources::path(QStringLiteral("macrons.txt.zip"));
    if (loc.frequencyFile.isEmpty()) loc.frequencyFile = MorphologyResources::path(QStringLiteral("FormFrequencies.txt"));
    if (loc.temporaryDirectory.isEmpty()) {
        QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
        loc.temporaryDirectory = base + QLatin1Char('/') + kFolderName;
    }
    return loc;
}

void TSWordFormDictionary::setLocations(const Locations& locations) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().locations = locations;
}

void TSWordFormDictionary::setSourcePreparer(SourcePreparer preparer) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().preparer = std::move(preparer);
}

void TSWordFormDictionary::resetSharedState() {
    SharedState& s = state();
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        s.loaded.wait(lock, [&] { return !s.started || s.finished; });
        s.started = false;
        s.finished = false;
        s.dictionary.reset();
        s.generatedSource.clear();
    }
    std::lock_guard<std::mutex> lock(s.frequencyMutex);
    s.frequencies.reset();
}

QString TSWordFormDictionary::saveFile() {
    const QString folder = locations().supportDirectory;
    if (!QDir().mkpath(folder)) {
        TSLogError("Unable to create support directory %@", folder);
        return QString();
    }
    return folder + QLatin1Char('/') + kCacheName;
}

namespace {

QString generatedSource() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().generatedSource;
}

}  // namespace

QString TSWordFormDictionary::currentSourceStamp() {
    const Locations loc = locations();
    const QString user = loc.supportDirectory + QLatin1Char('/') + kSourceName;
    if (QFileInfo::exists(user)) return stampOf(user);
    const QString generated = generatedSource();
    if (!generated.isEmpty() && QFileInfo::exists(generated)) return stampOf(generated);
    if (!loc.bundledSource.isEmpty() && QFileInfo::exists(loc.bundledSource)) return stampOf(loc.bundledSource);
    return QString();
}

QString TSWordFormDictionary::macronsFile() {
    const Locations loc = locations();
    const QString user = loc.supportDirectory + QLatin1Char('/') + kSourceName;
    if (QFileInfo::exists(user)) return user;
    const QString generated = generatedSource();
    if (!generated.isEmpty() && QFileInfo::exists(generated)) return generated;
    if (loc.bundledSource.isEmpty() || !QFileInfo::exists(loc.bundledSource)) return QString();
    const QString folder = makePrivateFolder(loc.temporaryDirectory);
    if (folder.isEmpty()) return QString();
    const QString target = folder + QLatin1Char('/') + kSourceName;
    const QFileInfo unpacked(target);
    // A copy older than the archive belongs to an earlier release.
    if (!unpacked.exists() || unpacked.lastModified() < QFileInfo(loc.bundledSource).lastModified()) {
        const QString error = WordFormArchive::extractEntry(loc.bundledSource, kSourceName, target);
        if (!error.isEmpty()) {
            TSLogError("%@", error);
            if (!QFileInfo::exists(target)) return QString();
        }
    }
    return target;
}

// ---- Loading ----

TSWordFormDictionaryPtr TSWordFormDictionary::loadFromTextFile() {
    QElapsedTimer timer;
    timer.start();
    const QString path = macronsFile();
    if (path.isEmpty()) {
        TSLogError("%@", QStringLiteral("No word-form source \"macrons.txt\" was found"));
        return nullptr;
    }
    auto dictionary = std::make_shared<TSWordFormDictionary>();
    {
        // The text is let go before the cache is encoded: both at once
        // would double the load's peak.
        QString text, error;
        if (!readText(path, &text, &error)) {
            TSLogError("%@", error);
            return nullptr;
        }
        dictionary->loadFromString(text);
    }
    dictionary->setSourceStamp(currentSourceStamp());
    TSLogError("Took %0.2f", secondsSince(timer));
    dictionary->saveToDefaultLocation();
    // The text and the cache's bytes are let go by now; the allocator would
    // keep their room for the rest of the process.
    ts::releaseFreeMemory();
    return dictionary;
}

void TSWordFormDictionary::initialize() {
    SharedState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.started) return;
        s.started = true;
        s.finished = false;
    }
    ts::DispatchQueue::global()->async(runLoad);
}

bool TSWordFormDictionary::waitForInitialisation() {
    initialize();
    SharedState& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.loaded.wait(lock, [&] { return s.finished; });
    return s.dictionary != nullptr;
}

TSWordFormDictionaryPtr TSWordFormDictionary::sharedDictionary() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().dictionary;
}

bool TSWordFormDictionary::loadFinished() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().finished;
}

// A form the user adds before the list has loaded waits for it rather than
// vanishing, and is saved with it.
bool TSWordFormDictionary::saveDictionary() {
    if (!waitForInitialisation()) return false;
    const TSWordFormDictionaryPtr d = sharedDictionary();
    return d && d->saveToDefaultLocation();
}

bool TSWordFormDictionary::addWordFormToSharedDictionary(const QString& line) {
    if (!waitForInitialisation()) return false;
    const TSWordFormDictionaryPtr d = sharedDictionary();
    return d && d->addWordFormFromString(line);
}

std::optional<QStringList> TSWordFormDictionary::sharedMacronizedFormsForString(const QString& word) {
    const TSWordFormDictionaryPtr d = sharedDictionary();
    if (!d) {
        initialize();
        return std::nullopt;
    }
    return d->macronizedFormsForString(word);
}

TSWordFormDictionary::Records TSWordFormDictionary::wordForms(const QString& key) {
    if (!waitForInitialisation()) return {};
    return sharedDictionary()->records(key);
}

TSWordFormDictionary::MeterResult TSWordFormDictionary::wordsWithMeter(int meterIndex, int syllables, int type,
                                                                       const QString& text, bool searchFromStart,
                                                                       int capitals) {
    const bool loaded = waitForInitialisation();
    const QString pattern = meterPattern(meterIndex);
    if (pattern.isNull()) {
        TSLogError("Unhandled meter %li", long(meterIndex));
        return {};
    }
    if (!loaded) return {};
    return sharedDictionary()->wordsWithMeter(pattern, syllables, type, text, searchFromStart, capitals);
}

// ---- Form frequencies ----

std::shared_ptr<const TSWordFormDictionary::FrequencyList> TSWordFormDictionary::frequencyDictionary() {
    SharedState& s = state();
    std::lock_guard<std::mutex> lock(s.frequencyMutex);
    if (s.frequencies) return s.frequencies;
    const QString path = locations().frequencyFile;
    QString text, error;
    if (path.isEmpty()) {
        TSLogError("Error reading frequencyString %@", QStringLiteral("no FormFrequencies.txt among the resources"));
        return nullptr;
    }
    if (!readText(path, &text, &error)) {
        TSLogError("Error reading frequencyString %@", error);
        return nullptr;
    }
    auto list = std::make_shared<FrequencyList>();
    static const QRegularExpression lineEnds(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}\\x{85}\\f\\v]"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& line : text.split(lineEnds)) {
        const QStringList forms = line.split(blanks, Qt::SkipEmptyParts);
        if (forms.size() < 2) continue;
        list->lineOfKey.insert(forms.first(), int(list->lines.size()));
        list->lines.push_back(forms);
    }
    s.frequencies = list;
    return list;
}
