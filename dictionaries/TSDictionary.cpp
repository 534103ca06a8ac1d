#include "TSDictionary.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "platform/ChildProcess.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <sys/stat.h>

#ifdef TS_HAVE_LIBZIP
#include <zip.h>
#endif

TS_REGISTER_CLASS(TSDictionary)

const QString TSDictionary::kParsedWords = QStringLiteral("parsed words");
const QString TSDictionary::kInputString = QStringLiteral("input string");
const QString TSDictionary::kRawOutput = QStringLiteral("raw output");
const QString TSDictionary::kWordsKey = QStringLiteral("words");
const QString TSDictionary::kAuthorKey = QStringLiteral("author");
const QString TSDictionary::kTitleKey = QStringLiteral("title");
const QString TSDictionary::kSponsorKey = QStringLiteral("sponsor");
const QString TSDictionary::kDescriptionKey = QStringLiteral("Description");
const QString TSDictionary::kEntriesKey = QStringLiteral("Entries");

TSDictionary::TSDictionary() = default;

TSDictionary::~TSDictionary() {
    ts::DispatchTimerPtr timer;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        timer.swap(saveTimer_);
    }
    if (timer) timer->cancel();
}

TSDictionaryResult TSDictionary::makeResult(const DictionaryEntryList& words, const QString& input) {
    ts::ValueArray list;
    list.reserve(words.size());
    for (const auto& e : words) list.emplace_back(ts::ObjectPtr(e));
    TSDictionaryResult result;
    result[kParsedWords] = ts::Value(std::move(list));
    result[kInputString] = input;
    return result;
}

DictionaryEntryList TSDictionary::parsedWords(const TSDictionaryResult& result) {
    DictionaryEntryList out;
    auto it = result.find(kParsedWords);
    if (it == result.end()) return out;
    for (const ts::Value& v : it->second.array())
        if (auto e = v.toObjectAs<DictionaryEntry>()) out.push_back(e);
    return out;
}

void TSDictionary::mustOverride(const char* what) const {
    TSLogError("MUST OVERRIDE %s %@", what, className());
}

// ---- Abstract operations ----

TSDictionaryPtr TSDictionary::dictionary() {
    TSLogError("MUST OVERRIDE dictionary %@", staticClassName());
    return nullptr;
}

void TSDictionary::translateToLatin(const QString&, int, int, TSDictionaryBlock) { mustOverride("translateToLatin"); }

void TSDictionary::translateToEnglish(const QString& query, int type, int entryType, TSDictionaryBlock block) {
    const DictionaryEntryList result = translateToEnglish(query, type, entryType);
    if (block) block(makeResult(result, query));
}

DictionaryEntryList TSDictionary::findWordsWithForm(const QString&, int) {
    mustOverride("findWordsWithForm");
    return {};
}

DictionaryEntryList TSDictionary::itemsOfType(int) {
    mustOverride("itemsOfType");
    return {};
}

DictionaryEntryPtr TSDictionary::entryWithKey(const QString&) {
    TSLogError("Must implement entryWithKey %@", className());
    return nullptr;
}

DictionaryEntryList TSDictionary::wordTypeSearch(int, int, const QString&, bool, int, int, int, int, int, int) {
    TSLogError("Must override wordType %@", className());
    return {};
}

void TSDictionary::save() { mustOverride("save"); }

bool TSDictionary::deleteEntry(const DictionaryEntryPtr&) { return false; }

// ---- Search ----

bool TSDictionary::isRegexString(const QString& query) {
    static const QString kRegexCharacters = QStringLiteral("\\^(?=!");
    for (QChar c : query)
        if (kRegexCharacters.contains(c)) return true;
    return false;
}

QString TSDictionary::formatStringForRegex(const QString& query) const {
    if (isRegexString(query)) return query;
    const QString plain = StringExtensions::stripDiacritics(query);
    QString pattern;
    pattern.reserve(plain.size() * 4);
    // One pass gives the same result as the successive replacements, since no
    // inserted group holds a letter that a later replacement looks for.
    for (QChar c : plain) {
        switch (c.toLower().unicode()) {
        case 'a': pattern += QStringLiteral("(a|ā)"); break;
        case 'e': pattern += QStringLiteral("(e|ē|ë)"); break;
        case 'i': pattern += QStringLiteral("(i|ī)"); break;
        case 'o': pattern += QStringLiteral("(o|ō)"); break;
        case 'u': pattern += QStringLiteral("(u|ū)"); break;
        case 'y': pattern += QStringLiteral("(y|ȳ)"); break;
        default: pattern += c;
        }
    }
    return QStringLiteral("\\b%1\\b").arg(pattern);
}

DictionaryEntryList TSDictionary::translateToEnglish(const QString& query, int type, int entryType) {
    waitForInitialisation();
    // Unicode word boundaries: a final long vowel is a letter, not a boundary.
    const QRegularExpression re(formatStringForRegex(query), QRegularExpression::CaseInsensitiveOption |
                                                                 QRegularExpression::UseUnicodePropertiesOption);
    if (!re.isValid()) return {};
    DictionaryEntryList prefix, others;
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    if (!words_) return {};
    for (const auto& entry : *words_) {
        if (!entry || !entry->containsRegexEntry(re, entryType)) continue;
        if (type != 0 && entry->type() != type) continue;
        if (StringExtensions::beginsWithString(entry->entry(), query)) prefix.push_back(entry);
        else others.push_back(entry);
    }
    prefix.insert(prefix.end(), others.begin(), others.end());
    return prefix;
}

// ---- The dictionary file ----

bool TSDictionary::loadFromPList(const QUrl& url) {
    QElapsedTimer timer;
    timer.start();
    const QString path = url.toLocalFile();
    if (path.isEmpty() || !QFileInfo::exists(path)) return false;
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly)) data = file.readAll();
    if (data.isEmpty()) {
        TSLogError("Nil data in edited Lewis File");
        return false;
    }
    ts::PlistResult parsed = ts::PropertyList::read(data);
    if (!parsed.ok() || !parsed.value.isDictionary()) {
        TSLogError("Error reading PList format %@", parsed.ok() ? QStringLiteral("root is not a dictionary") : parsed.error);
        return false;
    }
    ts::ValueDictionary root = std::move(parsed.value.dictionary());
    auto list = std::make_shared<DictionaryEntryList>();
    auto it = root.find(kWordsKey);
    if (it != root.end()) {
        ts::ValueArray& elements = it->second.array();
        list->reserve(elements.size());
        for (ts::Value& element : elements) {
            // Anything but an entry's dictionary would come back as a blank
            // headword; such elements are left out, as they are among children.
            if (!element.isDictionary()) {
                TSLogError("Skipping an element of %@ that is not a dictionary", path);
                continue;
            }
            if (auto entry = DictionaryEntry::entryFromSerializedData(std::move(element))) list->push_back(entry);
        }
        root.erase(it);
    }
    TSLogError("Time taken: %0.1f", timer.elapsed() / 1000.0);
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    dictionaryData_ = std::move(root);
    words_ = std::move(list);
    return true;
}

TSDictionaryPtr TSDictionary::loadFromFile(const QUrl& url) {
    if (url.isEmpty()) {
        TSLogError("Nil file at load from file");
        return nullptr;
    }
    auto dictionary = std::make_shared<TSDictionary>();
    dictionary->setName(QFileInfo(url.toLocalFile()).completeBaseName());
    dictionary->setFileURL(url);
    dictionary->initialize();
    return dictionary;
}

void TSDictionary::initialize() {
    if (!claimInitialization()) return;
    auto self = std::static_pointer_cast<TSDictionary>(weak_from_this().lock());
    if (!self) {
        // Not shared, so nothing could keep it alive for a background task.
        loadFileRecordingState(fileURL());
        signalLoaded();
        return;
    }
    ts::DispatchQueue::global()->async([self] {
        self->loadFileRecordingState(self->fileURL());
        self->signalLoaded();
    });
}

bool TSDictionary::claimInitialization() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (initializationStarted_) return false;
    initializationStarted_ = true;
    loadState_ = LoadState::Loading;
    return true;
}

bool TSDictionary::loadFileRecordingState(const QUrl& url) {
    setLoadState(LoadState::Loading);
    const bool ok = loadFromPList(url);
    const QString path = url.toLocalFile();
    if (ok) setLoadState(LoadState::Loaded);
    else if (path.isEmpty() || !QFileInfo::exists(path)) setLoadState(LoadState::Missing);
    else setLoadState(LoadState::Unreadable);
    return ok;
}

void TSDictionary::setLoadState(LoadState state) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    loadState_ = state;
}

TSDictionary::LoadState TSDictionary::loadState() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return loadState_;
}

void TSDictionary::waitForInitialisation() {
    // A look-up must not race the load it would answer from: it would see an
    // empty dictionary. The load task signals whatever its result, so this
    // wait ends.
    std::unique_lock<std::mutex> lock(stateMutex_);
    if (!initializationStarted_) return;
    loadedCondition_.wait(lock, [this] { return loaded_; });
}

void TSDictionary::signalLoaded() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        loaded_ = true;
    }
    loadedCondition_.notify_all();
}

bool TSDictionary::waitForLoad(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(stateMutex_);
    return loadedCondition_.wait_for(lock, timeout, [this] { return loaded_; });
}

bool TSDictionary::initializationStarted() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return initializationStarted_;
}

std::shared_ptr<DictionaryEntryList> TSDictionary::words() const {
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    return words_;
}

void TSDictionary::setWords(const DictionaryEntryList& words) {
    auto list = std::make_shared<DictionaryEntryList>(words);
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    words_ = std::move(list);
}

ts::ValueDictionary TSDictionary::dictionaryData() const {
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    ts::ValueDictionary data = dictionaryData_;
    if (words_) {
        ts::ValueArray entries;
        entries.reserve(words_->size());
        for (const auto& e : *words_) entries.emplace_back(ts::ObjectPtr(e));
        data[kEntriesKey] = ts::Value(std::move(entries));
    }
    return data;
}

void TSDictionary::setDictionaryData(const ts::ValueDictionary& data) {
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    dictionaryData_ = data;
    dictionaryData_.erase(kEntriesKey);
}

QUrl TSDictionary::fileURL() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return fileURL_;
}

void TSDictionary::setFileURL(const QUrl& url) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    fileURL_ = url;
}

// ---- Dirty flag and delayed save ----

void TSDictionary::setDirty(bool dirty) {
    dirty_.store(dirty);
    if (!dirty) return;
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (saveTimer_) return;  // a burst of edits is saved once, after the first
    std::weak_ptr<TSDictionary> weak = std::static_pointer_cast<TSDictionary>(weak_from_this().lock());
    if (weak.expired()) {
        TSLogError("No delayed save for %@: the dictionary has no shared owner", className());
        return;
    }
    saveTimer_ = ts::DispatchTimer::create(ts::DispatchQueue::main(), [weak] {
        ts::DispatchQueue::global()->async([weak] {
            auto self = weak.lock();
            if (!self) return;
            {
                // The timer goes before the save starts: an edit that comes
                // in while the file is written then arms a timer of its own
                // rather than finding this one and staying unsaved.
                std::lock_guard<std::mutex> lock(self->stateMutex_);
                self->saveTimer_.reset();
                ++self->savesRunning_;
            }
            self->save();
            std::lock_guard<std::mutex> lock(self->stateMutex_);
            --self->savesRunning_;
        });
    });
    saveTimer_->schedule(saveDelay_);
}

bool TSDictionary::savePending() const {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return saveTimer_ != nullptr || savesRunning_ > 0;
}

// ---- Neighbours ----

DictionaryEntryPtr TSDictionary::previousItem(const DictionaryEntryPtr& entry) const {
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    if (!words_ || !entry) return nullptr;
    for (size_t i = 0; i < words_->size(); ++i)
        if ((*words_)[i] == entry) return i > 0 ? (*words_)[i - 1] : nullptr;
    return nullptr;
}

DictionaryEntryPtr TSDictionary::nextItem(const DictionaryEntryPtr& entry) const {
    std::lock_guard<std::recursive_mutex> lock(wordsMutex_);
    if (!words_ || !entry) return nullptr;
    for (size_t i = 0; i < words_->size(); ++i)
        if ((*words_)[i] == entry) return i + 1 < words_->size() ? (*words_)[i + 1] : nullptr;
    return nullptr;
}

// ---- Unpacking archives ----

namespace {

// A relative path that stays inside the target directory.
bool safeEntryName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return false;
    if (name.size() > 1 && name.at(1) == QLatin1Char(':')) return false;
    for (const QString& part : name.split(QLatin1Char('/')))
        if (part == QLatin1String("..")) return false;
    return true;
}

// Every folder between the target and the entry is a real folder, not a
// symbolic link that would carry the write elsewhere.
bool insideWithoutLinks(const QString& target, const QString& name) {
    QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!name.endsWith(QLatin1Char('/')) && !parts.isEmpty()) parts.removeLast();
    QString path = target;
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isSymLink()) return false;
    }
    return true;
}

}  // namespace

bool TSDictionary::unzip(const QUrl& archive, const QUrl& directory) {
    const QString archivePath = archive.toLocalFile();
    const QString targetPath = directory.toLocalFile();
#ifdef TS_HAVE_LIBZIP
    auto refuse = [&archivePath](const QString& why) {
        TSLogError("Error unzipping %@", QStringLiteral("%1: %2").arg(archivePath, why));
    };
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &error);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        refuse(QString::fromUtf8(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return false;
    }
    const QDir target(targetPath);
    bool ok = true;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || count > kMaxUnzippedEntries) {
        refuse(QStringLiteral("%1 entries").arg(count));
        zip_close(za);
        return false;
    }
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = zip_uint64_t(i);
        const char* rawName = zip_get_name(za, index, 0);
        const QString name = rawName ? QString::fromUtf8(rawName) : QString();
        if (!safeEntryName(name)) {
            refuse(QStringLiteral("refused entry name \"%1\"").arg(name));
            ok = false;
            continue;
        }
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX &&
            S_ISLNK(mode_t(attributes >> 16))) {
            refuse(QStringLiteral("refused symbolic link \"%1\"").arg(name));
            ok = false;
            continue;
        }
        const QString path = target.filePath(name);
        if (!insideWithoutLinks(targetPath, name)) {
            refuse(QStringLiteral("\"%1\" would pass through a symbolic link").arg(name));
            ok = false;
            continue;
        }
        if (name.endsWith(QLatin1Char('/'))) {
            QDir().mkpath(path);
            continue;
        }
        const QFileInfo existing(path);
        if (existing.exists() || existing.isSymLink()) {
            refuse(QStringLiteral("\"%1\" exists and is kept").arg(name));
            ok = false;
            continue;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
            st.size > zip_uint64_t(kMaxUnzippedEntryBytes) || total + qint64(st.size) > kMaxUnzippedTotalBytes) {
            refuse(QStringLiteral("\"%1\" is larger than allowed").arg(name));
            ok = false;
            continue;
        }
        const qint64 declared = qint64(st.size);
        total += declared;
        QDir().mkpath(QFileInfo(path).absolutePath());
        zip_file_t* zf = zip_fopen_index(za, index, 0);
        QSaveFile out(path);
        if (!zf || !out.open(QIODevice::WriteOnly)) {
            refuse(QStringLiteral("cannot extract %1").arg(name));
            if (zf) zip_fclose(zf);
            ok = false;
            continue;
        }
        char buffer[65536];
        zip_int64_t n = 0;
        qint64 written = 0;
        bool good = true;
        while (good && (n = zip_fread(zf, buffer, sizeof buffer)) > 0) {
            written += n;
            // Never more than the entry declared, whatever the data says.
            if (written > declared || out.write(buffer, n) != n) good = false;
        }
        zip_fclose(zf);
        if (n < 0 || !good || written != declared || !out.commit()) {
            out.cancelWriting();
            refuse(QStringLiteral("cannot extract %1").arg(name));
            ok = false;
        }
    }
    zip_close(za);
    return ok;
#else
    QProcess process;
    process.setProgram(QStringLiteral("/usr/bin/unzip"));
    process.setArguments({QStringLiteral("-q"), archivePath});
    process.setWorkingDirectory(targetPath);
    process.setStandardInputFile(QProcess::nullDevice());
    ts::ChildProcess::confine(process);
    process.start();
    if (!process.waitForStarted()) {
        TSLogError("Error unzipping %@", process.errorString());
        return false;
    }
    process.waitForFinished(-1);
    return true;
#endif
}

// ---- Syllables and stress ----

const QStringList& TSDictionary::vowelSet() {
    static const QStringList set = {
        QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("i"), QStringLiteral("o"), QStringLiteral("u"),
        QStringLiteral("y"), QStringLiteral("ā"), QStringLiteral("ē"), QStringLiteral("ī"), QStringLiteral("ō"),
        QStringLiteral("ū"), QStringLiteral("ȳ"), QStringLiteral("ă"), QStringLiteral("ĕ"), QStringLiteral("ĭ"),
        QStringLiteral("ŏ"), QStringLiteral("ŭ"), QStringLiteral("y\u0306"), QStringLiteral("æ"),
        QStringLiteral("œ"), QStringLiteral("ë"), QStringLiteral("ï")};
    return set;
}

const QStringList& TSDictionary::longVowelSet() {
    static const QStringList set = {QStringLiteral("ā"), QStringLiteral("ē"), QStringLiteral("ī"), QStringLiteral("ō"),
                                    QStringLiteral("ū"), QStringLiteral("ȳ"), QStringLiteral("æ"), QStringLiteral("œ"),
                                    QStringLiteral("ë"), QStringLiteral("ï")};
    return set;
}

const QStringList& TSDictionary::consonantSet() {
    static const QStringList set = QStringLiteral("b c d f g h j k l m n p q r s t v x z").split(QLatin1Char(' '));
    return set;
}

QString TSDictionary::removeDiphthongs(const QString& word) {
    static const std::pair<QString, QString> steps[] = {
        {QStringLiteral("ae"), QStringLiteral("æ")},  {QStringLiteral("ŭē"), QStringLiteral("uzē")},
        {QStringLiteral("ĭu"), QStringLiteral("izu")}, {QStringLiteral("ĭē"), QStringLiteral("izē")},
        {QStringLiteral("ie"), QStringLiteral("ize")}, {QStringLiteral("au"), QStringLiteral("ā")},
        {QStringLiteral("ei"), QStringLiteral("ē")},   {QStringLiteral("ĕu"), QStringLiteral("ezu")},
        {QStringLiteral("eu"), QStringLiteral("ū")},   {QStringLiteral("oe"), QStringLiteral("œ")},
        {QStringLiteral("ui"), QStringLiteral("ū")},   {QStringLiteral("qu"), QStringLiteral("q")},
        {QStringLiteral("x"), QStringLiteral("xx")}};
    // Every step's pattern is one or two units. Looking for it first is much
    // cheaper than a replacement that finds nothing, the usual case.
    auto occurs = [](const QString& s, const QString& pattern) {
        const QChar first = pattern.at(0);
        const qsizetype n = s.size();
        if (pattern.size() == 1) return s.contains(first);
        const QChar second = pattern.at(1);
        for (qsizetype i = 0; i + 1 < n; ++i)
            if (s.at(i) == first && s.at(i + 1) == second) return true;
        return false;
    };
    QString s = word;
    for (const auto& [from, to] : steps)
        if (occurs(s, from)) s.replace(from, to);
    return s;
}

QStringList TSDictionary::splitDoubleConsonants(const QStringList& words) {
    auto isConsonant = [](QChar c) {
        switch (c.unicode()) {
        case 'b': case 'c': case 'd': case 'f': case 'g': case 'h': case 'j': case 'k': case 'l': case 'm':
        case 'n': case 'p': case 'q': case 'r': case 's': case 't': case 'v': case 'x': case 'z': return true;
        default: return false;
        }
    };
    QStringList out;
    QString segment;
    bool vowelInSegment = false;
    int consonantsSinceVowel = 0;
    for (const QString& word : words) {
        if (!word.isEmpty()) {
            vowelInSegment = false;
            consonantsSinceVowel = 0;
        }
        for (QChar c : word) {
            if (isConsonant(c)) {
                if (vowelInSegment && consonantsSinceVowel >= 1) {
                    out << segment;
                    segment = QString(c);
                    consonantsSinceVowel = 1;
                    vowelInSegment = false;
                } else {
                    segment += c;
                    ++consonantsSinceVowel;
                }
            } else {
                if (segment.size() >= 3) {
                    out << segment.left(segment.size() - 1);
                    segment = segment.right(1) + c;
                } else if (vowelInSegment) {
                    out << segment;
                    segment = QString(c);
                } else {
                    segment += c;
                }
                vowelInSegment = true;
                consonantsSinceVowel = 0;
            }
        }
    }
    if (!segment.isEmpty()) out << segment;
    return out;
}

QStringList TSDictionary::syllables(const QString& word) { return splitDoubleConsonants({removeDiphthongs(word)}); }

bool TSDictionary::isLongVowel(const QString& syllable) {
    if (syllable.isEmpty()) return false;
    const QString last = syllable.right(1);
    return !vowelSet().contains(last) || longVowelSet().contains(last);
}

int TSDictionary::stressedSyllable(const QStringList& syllables) {
    const int count = int(syllables.size());
    if (count == 0) return 0;
    if (count <= 2) return 1;
    return isLongVowel(syllables.at(count - 2)) ? count - 1 : count - 2;
}
