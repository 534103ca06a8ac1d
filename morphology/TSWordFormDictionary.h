#pragma once
// The word-form and macron dictionary: a map from a plain, lower-case Latin
// word (no diacritics, "u" for "v") to every analysis of it, each a
// TSWordFormData with its macron-marked form, lemma and morphology tag.
//
// One shared instance exists per process. The first use of a class operation
// starts its load on the global queue: from the cache "Macrons.dat" in the
// support folder, or, when there is none, when it does not read, or when it
// was built from another source than the current one, from the source
// "macrons.txt", after which the cache is written again. The source is the
// user's own "macrons.txt" in the support folder when there is one, else the
// full list made from the prepared dictionary (the source preparer, which the
// application installs, brings it up to date at the start of each load),
// else the small form list that ships zipped among the resources.
//
// Cache: a binary property list {"ClassName": "TSWordFormDictionary",
// "name" (only when named), "storedData": {key: [record dictionaries]},
// "SourceStamp": the path, size and time of the source it was built from}.
// Source: lines of key TAB tag TAB lemma TAB form, the form in ASCII with "_"
// after a long vowel and "+" after a vowel with diaeresis. Form frequencies:
// lines of at least two forms separated by white space; the first form is
// the line's key.
//
// Entries are kept in a compact store rather than the inherited keyed store:
// a look-up costs one hash probe, and a record costs a few numbers rather than
// an object (the full list holds over a million). The records handed out are
// made from the store on request; changing one changes nothing here.
//
// Threads: the entries are kept under a reader-writer lock: look-ups, the
// metre search, the marking and saving read under it; additions write under
// it, ahead of readers still to come. Any thread may call any operation.
// waitForInitialisation() blocks until the load has ended and answers
// whether it produced a dictionary, so a failed load never leaves a waiter
// behind; the load is not tried again in the same process. Nothing here
// throws: failures are logged and answered with empty results.
//
// The unpacked copy of the shipped form list lives in a private folder of
// the user's cache folder, not in a shared temporary folder.

#include "foundation/QMMutableDictionary.h"
#include "morphology/TSWordFormData.h"
#include "morphology/WordFormStore.h"
#include "platform/AttributedString.h"

#include <QByteArray>
#include <QHash>
#include <QReadWriteLock>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class TSWordFormDictionary;
using TSWordFormDictionaryPtr = std::shared_ptr<TSWordFormDictionary>;

// Receives the results of a macron marking on the main queue: one marked text
// per text sent, in the same order, and the object sent with them.
class TextMacronizerProtocol {
public:
    virtual ~TextMacronizerProtocol() = default;
    virtual void textMacronized(const std::vector<ts::AttributedStringPtr>& results, const ts::ObjectPtr& object) = 0;
};

class TSWordFormDictionary : public QMMutableDictionary {
    TS_OBJECT(TSWordFormDictionary, QMMutableDictionary)

public:
    using Records = std::vector<TSWordFormDataPtr>;
    using MeterResult = std::map<QString, Records>;

    // A normalised form (lower case, "u" for "v", "i" for "j") and how many
    // records share it.
    struct FormCount {
        QString form;
        int count = 0;
    };

    // A record read in place by the candidate steps, without a copy.
    struct RecordView {
        QStringView form, base, flags;
    };
    using RecordViews = std::vector<RecordView>;

    // The parsed form-frequency list: its lines in file order and, for each
    // line's first form, the line's index.
    struct FrequencyList {
        std::vector<QStringList> lines;
        QHash<QString, int> lineOfKey;
    };

    // Where the files are. Empty fields are worked out from the standard
    // places: the support folder of the application, the resources folder,
    // and a private folder in the user's cache folder for the unpacked source.
    struct Locations {
        QString supportDirectory;
        QString bundledSource;      // the zipped source among the resources
        QString frequencyFile;      // "FormFrequencies.txt" among the resources
        QString temporaryDirectory; // where the zipped source is unpacked
    };

    // ---- The shared dictionary ----
    // Starts the background load once per process.
    static void initialize();
    // Blocks until the load has ended (starting it when needed). True when
    // the shared dictionary exists; false when neither cache nor source could
    // be read.
    static bool waitForInitialisation();
    // The shared dictionary; null while loading and after a failed load.
    static TSWordFormDictionaryPtr sharedDictionary();
    static bool loadFinished();

    static Locations locations();
    // For tests and tools: the places used by the next load.
    static void setLocations(const Locations& locations);
    // Run on the loading thread before the source is chosen: answers the path
    // of the form list made from the prepared dictionary, making it first
    // when it is missing or stale; empty when there is none. Null removes it.
    using SourcePreparer = std::function<QString()>;
    static void setSourcePreparer(SourcePreparer preparer);
    // For tests: waits for a running load, then forgets the shared
    // dictionary, its load flags and the form-frequency list.
    static void resetSharedState();

    // The cache file's path; empty when there is no support folder.
    static QString saveFile();
    // The source file's path, unpacking the zipped source first when it is
    // needed; empty when there is no source.
    static QString macronsFile();
    // What identifies the current source (path, size, time); empty when there
    // is none.
    static QString currentSourceStamp();
    // A new dictionary read from the source, with the cache written
    // afterwards; null (logged) when the source cannot be read.
    static TSWordFormDictionaryPtr loadFromTextFile();
    // Writes the shared dictionary to the cache; false when there is none or
    // the write failed.
    static bool saveDictionary();
    // For the quit sequence: a cache write still running gives up without
    // waiting (the old cache stays whole, as a write replaces it only once
    // complete), and no later write starts in this process.
    static void abandonCacheWrites();
    static bool cacheWritesAbandoned();
    // The ASCII length marks of the source as letters.
    static QString convert(const QString& form);
    // Adds one source line to the shared dictionary; nothing while it does
    // not exist. The caller saves afterwards.
    static bool addWordFormToSharedDictionary(const QString& line);

    // The dictionary written under "ClassName" as a TSWordFormDictionary;
    // null for anything else.
    static TSWordFormDictionaryPtr dataFromDictionary(const ts::Value& dictionary);
    static TSWordFormDictionaryPtr importFromPListData(const QByteArray& data);

    // The parsed form-frequency list; null when it cannot be read (logged;
    // the next request tries again).
    static std::shared_ptr<const FrequencyList> frequencyDictionary();

    // The ordered candidates of the shared dictionary; nullopt at once while
    // it is still loading (the load is started).
    static std::optional<QStringList> sharedMacronizedFormsForString(const QString& word);
    // Waits for the load, then the records under exactly this key.
    static Records wordForms(const QString& key);
    // Waits for the load and searches the shared dictionary with the pattern
    // of the metre index (1-3, 5, 6, 8-14); any other index is logged and
    // finds nothing.
    static MeterResult wordsWithMeter(int meterIndex, int syllables, int type, const QString& text,
                                      bool searchFromStart, int capitals);
    // The pattern of a metre index; a null string when the index has none.
    static QString meterPattern(int meterIndex);

    // ---- Candidate steps ----
    // Normalised forms of the records with their counts, in order of first
    // appearance.
    static std::vector<FormCount> uniqueForms(const Records& records);
    static std::vector<FormCount> uniqueForms(const RecordViews& records);
    // The forms ordered for offering: a form-frequency line when one applies,
    // otherwise privileged lemmas first, then the form whose commonest
    // reading is the more common in Latin text (judged by its tag: case and
    // number, or person, number, tense and mood; a word without inflection
    // as a nominative singular), then nominative nouns, then by record
    // count; ties keep their order of first appearance.
    static QStringList formsInOrderOfFrequency(const std::vector<FormCount>& forms, const Records& records);
    static QStringList formsInOrderOfFrequency(const std::vector<FormCount>& forms, const RecordViews& records);
    // The line of the form-frequency list whose key is among the candidates
    // (the earliest line when several are); empty when none applies.
    static QStringList checkForSpecialCases(const QStringList& candidates);
    // The lemmas whose forms go first.
    static const QSet<QString>& priviledgedForms();
    // True when some record of this normalised form is a nominative noun.
    static bool prioritizeForm(const QString& form, const Records& records);
    // True for the tag of a nominative noun.
    static bool checkFlags(QStringView flags);
    // The first record of this normalised form; null when none.
    static TSWordFormDataPtr wordFormFromArray(const Records& records, const QString& form);
    // Each form given the input's capitals and v/j spelling.
    static QStringList fixCaseAndForm(const QStringList& forms, const QString& origString);
    static QString fixOneCaseAndForm(const QString& form, const QString& origString);

    // ---- One dictionary ----
    // Adds one source line; a line without exactly four TAB-separated fields
    // is skipped and answers false.
    bool addWordFormFromString(const QString& line);
    // Adds every line; answers how many were added.
    qsizetype loadFromString(const QString& text);
    // A copy of the records under exactly this key (empty when none).
    Records records(const QString& key) const;
    qsizetype keyCount() const;
    qsizetype recordCount() const;
    // The ordered candidates for a word as written: its forms with the
    // word's capitals and v/j spelling; empty when the word is unknown.
    QStringList macronizedFormsForString(const QString& word) const;
    // Records whose pattern begins with the given one, of the syllable count
    // (0: any) and word type (0: any), whose form begins (or ends) with the
    // text, with capitals 1 lower-case forms, 2 capitalised forms, 3 both.
    MeterResult wordsWithMeter(const QString& pattern, int syllables, int type, const QString& text,
                               bool searchFromStart, int capitals) const;
    // Recomputes every record's pattern and writes the cache.
    bool calculateMeter();

    QString sourceStamp() const;
    void setSourceStamp(const QString& stamp);

    ts::Value serialize() const override;
    // Binary property-list data; empty (logged) when it cannot be encoded.
    QByteArray exportToPListFormat() const;
    // Writes the cache atomically; false (logged) on failure and when cache
    // writes have been abandoned.
    bool saveToDefaultLocation() const;
    bool writeToFile(const QString& path) const;

    // ---- Macron marking ----
    // Marks each text on the global queue, then calls the owner on the main
    // queue with the results and the object. An empty array ends without a
    // call; an owner that has gone away by then is not called. When the
    // dictionary cannot be loaded every word is marked unknown.
    static void addMacrons(std::vector<ts::AttributedStringPtr> texts, ts::ObjectPtr object,
                           std::weak_ptr<TextMacronizerProtocol> owner);
    // One text with its words replaced by their marked forms and coloured:
    // no colour for one form, orange for several, red for unknown words.
    // Only a word the list holds can be certain: a stem found by splitting
    // off an enclitic is orange even when it has one form.
    ts::AttributedStringPtr addMacrons(const ts::AttributedString& text) const;
    // Each text marked as above, in order (a null text as an empty one); the
    // texts share what the dictionary said of each word, as the lines of one
    // document share their words.
    std::vector<ts::AttributedStringPtr> addMacrons(const std::vector<ts::AttributedStringPtr>& texts) const;
    // Splits off "que", "ve", "ue", "ne", "st", "n" or "'s": {stem, enclitic},
    // or empty when none applies or when fewer than two letters of the word
    // would stay before the enclitic. *padded tells whether an "s" was added
    // to the stem.
    static QStringList checkForEnclitics(const QString& word, bool* padded);
    // A Roman numeral (I to MMMMCMXCIX, in either case, "u" read as "v") or
    // a run of decimal digits.
    static bool isNumber(const QString& word);
    // The form with the written word's capitals, then its i/j and u/v
    // spelling; null when the lengths differ.
    static QString restoreString(const QString& form, const QString& origString);
    static QString restoreCaps(const QString& form, const QString& origString);
    static QString restoreIs(const QString& form, const QString& origString);
    // A copy with every U+2022 replaced by a newline.
    static ts::AttributedStringPtr replaceMarkers(const ts::AttributedString& text);

private:
    struct Marking;
    struct Memo;
    ts::AttributedStringPtr markOne(const ts::AttributedString& text, const std::shared_ptr<Memo>& memo) const;
    void markText(Marking& marking, int depth) const;
    void handleNilArray(QStringView word, Marking& marking, ts::TextRange range, int depth) const;
    static void colourSurroundings(Marking& marking, ts::TextRange range, ts::TextRange enclosing);

    // One source line into the store, the form converted in *form (room
    // reused); the caller holds the write lock.
    bool addLine(QStringView line, QString* form);
    static void convertInto(QStringView form, QString* converted);
    // The records of a key as views into the store; the caller holds the lock.
    void viewsOf(QStringView key, RecordViews* out) const;
    TSWordFormDataPtr makeRecord(quint32 index, QStringView key) const;
    // Computes the patterns (all, or those not computed yet); the caller
    // holds the write lock.
    void fillLengths(bool all) const;

    // Writers go first: a waiting addition holds back new readers, so a
    // stream of look-ups cannot starve it.
    mutable QReadWriteLock lock_;
    // Patterns are computed on first use, even by a search: under the write lock.
    mutable wordforms::WordFormStore store_;
    QString sourceStamp_;
};
