#pragma once
// The interface every dictionary answers, and the dictionary file.
//
// A dictionary holds its top-level DictionaryEntry trees in `words`, in
// dictionary order. A file-backed one is made empty by loadFromFile(), loads
// its property list on the global queue (initialize) and is usable once
// `words` is set; readers call waitForInitialisation() first. A look-up hands
// its result to a completion block as a map with "parsed words" (an array of
// entry objects in result order), "input string" and, from the analyser
// only, "raw output".
//
// Threads: the search, serialisation and every walk over `words` hold
// wordsLock(). The delayed save timer fires on the main queue; the save
// itself runs on the global queue. Nothing here throws: failures are logged
// and answered with empty results, nil or NO.

#include "dictionaries/DictionaryEntry.h"
#include "foundation/VDData.h"
#include "platform/Dispatch.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TSDictionary;
using TSDictionaryPtr = std::shared_ptr<TSDictionary>;
using TSDictionaryResult = ts::ValueDictionary;
using TSDictionaryBlock = std::function<void(const TSDictionaryResult& result)>;

class TSDictionary : public VDData {
    TS_OBJECT(TSDictionary, VDData)

public:
    // Keys of a look-up's result map.
    static const QString kParsedWords, kInputString, kRawOutput;
    // Keys of the dictionary file.
    static const QString kWordsKey, kAuthorKey, kTitleKey, kSponsorKey, kDescriptionKey, kEntriesKey;

    TSDictionary();
    ~TSDictionary() override;

    // A result map; the entries go under "parsed words" as entry objects.
    static TSDictionaryResult makeResult(const DictionaryEntryList& words, const QString& input);
    // The entries under "parsed words" of a result map.
    static DictionaryEntryList parsedWords(const TSDictionaryResult& result);

    // ---- Operations a subclass replaces ----
    // The shared instance; the base has none (logged).
    static TSDictionaryPtr dictionary();
    virtual void translateToLatin(const QString& query, int type, int entryType, TSDictionaryBlock block);
    // The base search (below); the block form calls the block at once on the
    // calling thread.
    virtual DictionaryEntryList translateToEnglish(const QString& query, int type, int entryType);
    virtual void translateToEnglish(const QString& query, int type, int entryType, TSDictionaryBlock block);
    virtual DictionaryEntryList findWordsWithForm(const QString& form, int type);
    virtual DictionaryEntryList itemsOfType(int type);
    virtual DictionaryEntryPtr entryWithKey(const QString& key);
    virtual DictionaryEntryList wordTypeSearch(int wordType, int syllables, const QString& wordContains,
                                               bool searchFromStart, int stress, int conjugation, int wordPart,
                                               int capitals, int trans, int gender);
    virtual void save();
    virtual bool deleteEntry(const DictionaryEntryPtr& entry);
    virtual bool isEditable() const { return false; }
    virtual QString attribution() const { return QString(); }
    virtual QByteArray changedWords() const { return QByteArray(); }
    virtual void removeChangeFlags() {}
    // Returns once a started load has finished (at once when none was
    // started). The load task always finishes, whatever its result.
    virtual void waitForInitialisation();
    // The vowel-length-insensitive whole-word pattern of a typed query.
    virtual QString formatStringForRegex(const QString& query) const;
    // Starts the background load of fileURL once; later calls do nothing.
    virtual void initialize();

    // ---- The dictionary file ----
    // Reads the file into words and dictionaryData. A missing file answers NO
    // silently; unreadable data and bad property lists are logged.
    bool loadFromPList(const QUrl& url);
    // A plain dictionary named after the file, loading in the background. A
    // null URL is logged and answers nothing.
    static TSDictionaryPtr loadFromFile(const QUrl& url);

    // ---- Fields ----
    // Null until loaded (a failed load leaves it null).
    std::shared_ptr<DictionaryEntryList> words() const;
    // Stores a copy of the list.
    void setWords(const DictionaryEntryList& words);
    // The file's keys other than "words", plus "Entries" with the entries.
    ts::ValueDictionary dictionaryData() const;
    void setDictionaryData(const ts::ValueDictionary& data);
    QUrl fileURL() const;
    void setFileURL(const QUrl& url);
    bool initializationStarted() const;
    // How the file load went; the dictionary window shows the last two.
    enum class LoadState { NotStarted, Loading, Loaded, Missing, Unreadable };
    LoadState loadState() const;
    bool dirty() const { return dirty_.load(); }
    // YES schedules the one-shot delayed save unless one is pending.
    void setDirty(bool dirty);
    bool savePending() const;
    // For tests: the delay of the save timer (120 seconds by default).
    void setSaveDelay(std::chrono::milliseconds delay) { saveDelay_ = delay; }
    // The lock every walk over words holds.
    std::recursive_mutex& wordsLock() const { return wordsMutex_; }
    // Blocks until a started load has finished, or the timeout has passed;
    // answers whether the load has finished.
    bool waitForLoad(std::chrono::milliseconds timeout) const;

    DictionaryEntryPtr previousItem(const DictionaryEntryPtr& entry) const;
    DictionaryEntryPtr nextItem(const DictionaryEntryPtr& entry) const;

    // ---- Class operations ----
    // YES when the query holds a backslash, "^", "(", "?", "=" or "!".
    static bool isRegexString(const QString& query);
    // Unpacks the archive into the directory. Refused and logged, each
    // without touching what is there: entries whose names would leave the
    // directory or pass through a symbolic link, symbolic-link entries, a
    // file that already exists (never replaced), entries or archives larger
    // than the caps below, and data longer than an entry declares. A failure
    // to open is logged. Answers whether every entry was unpacked.
    static bool unzip(const QUrl& archive, const QUrl& directory);
    static constexpr qint64 kMaxUnzippedEntryBytes = qint64(1) << 30;
    static constexpr qint64 kMaxUnzippedTotalBytes = qint64(4) << 30;
    static constexpr qint64 kMaxUnzippedEntries = 100000;

    // Syllables and stress.
    static const QStringList& vowelSet();
    static const QStringList& longVowelSet();
    static const QStringList& consonantSet();
    static QString removeDiphthongs(const QString& word);
    static QStringList splitDoubleConsonants(const QStringList& words);
    static QStringList syllables(const QString& word);
    static bool isLongVowel(const QString& syllable);
    // Position counted from 1; an empty list answers 0.
    static int stressedSyllable(const QStringList& syllables);

protected:
    // Logs the "MUST OVERRIDE" line of an abstract operation.
    void mustOverride(const char* what) const;
    // Called by the load task once it has finished, whatever its result.
    void signalLoaded();
    // Loads the file and records how it went (Loaded, Missing or
    // Unreadable); answers whether it loaded. Does not signal.
    bool loadFileRecordingState(const QUrl& url);
    void setLoadState(LoadState state);
    // Marks the load started; answers NO when it had been already.
    bool claimInitialization();

private:
    mutable std::recursive_mutex wordsMutex_;
    std::shared_ptr<DictionaryEntryList> words_;
    ts::ValueDictionary dictionaryData_;
    QUrl fileURL_;
    std::atomic<bool> dirty_{false};
    std::chrono::milliseconds saveDelay_{120000};

    mutable std::mutex stateMutex_;
    mutable std::condition_variable loadedCondition_;
    bool initializationStarted_ = false;
    bool loaded_ = false;
    LoadState loadState_ = LoadState::NotStarted;
    ts::DispatchTimerPtr saveTimer_;
    int savesRunning_ = 0;  // delayed saves under way, still pending to callers
};
