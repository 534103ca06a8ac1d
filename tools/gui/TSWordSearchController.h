#pragma once
// The word and metre search: Lewis and Short headwords found by part of
// speech, syllables, stress, letters at the start or end, declension or
// conjugation, principal part, capitals, transitivity, gender and an English
// meaning; or, by metre, the word forms whose vowel lengths fit it, each
// under the dictionary entry of its lemma.
//
// Threads: the window lives on the main thread. One search runs at a time
// on a worker; a request made meanwhile waits in a single pending slot
// (a newer request replaces it), so the window always ends showing the
// latest controls and no worker spins. Results are built on the worker
// without touching the dictionary's own trees (lemma entries are copies;
// headwords are listed, not re-parented) and installed on the main thread.
#include "dictionaries/DictionaryEntry.h"
#include "morphology/TSWordFormDictionary.h"
#include "tools/gui/NBOutlineView.h"

#include <QMainWindow>

#include <memory>
#include <mutex>
#include <optional>

class DictionaryEntryModel;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class TSDictionary;
class TSWordFormData;

class TSWordSearchController : public QMainWindow, public NBOutlineViewProtocol {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 1000;

    // Everything one search needs, read from the controls.
    struct Request {
        int wordType = 0, syllables = 0, stress = 0, meter = 0, conjugation = 0, wordPart = 0;
        int capitals = 0, trans = 0, gender = 0;
        QString letters, meaning;
        bool begins = true;
    };

    TSWordSearchController();
    ~TSWordSearchController() override;

    Request currentRequest() const;
    // Reads the controls and searches (or queues the search behind the
    // running one).
    void wordSearchChanged();
    void updatePopups();
    bool isSearching() const;
    DictionaryEntryPtr getWordList() const { return displayResults_; }

    // ---- The searches themselves (any thread) ----
    // Where the searches find Lewis and Short; the registry unless replaced.
    using DictionaryProvider = std::function<std::shared_ptr<TSDictionary>()>;
    static void setDictionaryProvider(DictionaryProvider provider);
    static DictionaryEntryList runWordTypeSearch(const Request& r, TSDictionary& dictionary);
    // The lemma-keyed entries for the forms a metre query found, sorted by
    // headword; the meaning filters when not empty.
    static DictionaryEntryList buildMeterResults(const TSWordFormDictionary::MeterResult& forms, const QString& meaning,
                                                 int wordType, TSDictionary& dictionary);
    static DictionaryEntryList filterResults(const DictionaryEntryList& entries, const QString& meaning);
    static void addForm(const QString& form, const DictionaryEntryPtr& entry);
    static DictionaryEntryList selectBestEntry(const DictionaryEntryList& candidates, const TSWordFormData& data);
    static DictionaryEntryList selectBestVerbEntry(const DictionaryEntryList& candidates, const TSWordFormData& data);
    static DictionaryEntryList entryInDictionary(TSDictionary& dictionary, const QString& key, int type,
                                                 const TSWordFormData& data);
    static QString stripShortVowels(const QString& text);
    static bool infinitivesMatch(const class Word& verb, int mood, int tense, bool active, const QString& found);

    // Widgets (owned by the window).
    QGroupBox* searchBox = nullptr;
    QComboBox *wordTypePopup = nullptr, *numSyllablesPopup = nullptr, *stressedSyllablePopup = nullptr;
    QComboBox *meterPopup = nullptr, *congugationPopup = nullptr, *wordPartPopup = nullptr, *genderPopup = nullptr;
    QCheckBox *transButton = nullptr, *intransButton = nullptr, *capitalButton = nullptr, *lowercaseButton = nullptr;
    QRadioButton *wordBeginsButton = nullptr, *wordEndsButton = nullptr;
    QLineEdit* endingField = nullptr;
    QLineEdit* searchField = nullptr;
    NBOutlineView* resultsTable = nullptr;
    QProgressBar* progressIndicator = nullptr;
    // How many rows are shown, and of how many found when the list is cut.
    QLabel* resultCountField = nullptr;

Q_SIGNALS:
    // A search's rows are on show.
    void searchFinished();

private:
    void start(const Request& r);
    void install(const DictionaryEntryList& entries, bool cut);
    void startProcessing();
    void stopProcessing();

    DictionaryEntryModel* model_ = nullptr;
    DictionaryEntryPtr displayResults_;
    std::mutex slotMutex_;
    bool running_ = false;
    std::optional<Request> pending_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
