#pragma once
// The application's one dictionary window. Tab 0 (Latin) looks a Latin
// word up in the chosen Latin-to-English dictionary; tab 1 (English) looks
// an English word up in the chosen English-to-Latin one. Each tab has a
// search field, a dictionary choice, word-type and entry-type filters, a
// progress indicator, a text view for the dictionary's attribution and the
// analyser's raw answer, and an outline of the entries found.
//
// Field names follow the language of the results, so the Latin tab's outline
// is englishWordList.
//
// Threads: the window lives on the main thread. Look-ups run on the global
// queue; their answers come back to the main thread and are shown only when
// no later look-up of the same tab has started since (each carries its
// generation number), so a slow answer never replaces a newer one.
#include "dictionaries/DictionaryEntry.h"
#include "platform/NotificationCenter.h"
#include "tools/gui/NBOutlineView.h"
#include "tools/gui/SwipeWindowController.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

class DictionaryEntryModel;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QTabWidget;
class QTextEdit;
class QToolButton;
class TSDictionary;
class Word;
class WordController;

class DictionaryWindowController : public SwipeWindowController, public NBOutlineViewProtocol {
    Q_OBJECT
public:
    // ---- The shared window ----
    static DictionaryWindowController* getDictionaryWindow();
    static DictionaryWindowController* showDictionaryWindow();
    // Closes the shared window and forgets it; the next request makes a new
    // one (so a changed floating setting takes effect).
    static void disposeDictionaryWindow();
    // Whether the shared window exists now.
    static bool hasDictionaryWindow();

    // The word an English look-up sends: the text trimmed of blanks, commas,
    // tabs and line ends, and, when wordsActive and the text is no pattern,
    // only its first blank-separated word (empty when there is none).
    static QString firstWord(const QString& text, bool wordsActive);
    // The analyser's answer made readable: a leading line feed goes, and
    // every ";" not followed by a blank starts a new line under a rule.
    static QString prettifyTranslationString(const QString& raw);
    // Where look-ups find their dictionary by type code and direction; the
    // registry unless replaced (tests hand in dictionaries of their own).
    using DictionaryProvider = std::function<std::shared_ptr<TSDictionary>(qint64 type, bool englishToLatin)>;
    static void setDictionaryProvider(DictionaryProvider provider);
    static std::shared_ptr<TSDictionary> dictionaryOfType(qint64 type, bool englishToLatin);

    DictionaryWindowController();
    ~DictionaryWindowController() override;

    // ---- What other windows call ----
    void translateLatinString(const QString& text);
    void translateEnglishString(const QString& text);
    void selectLatinTab();
    void selectEnglishTab();
    void setCurrentWordList(std::shared_ptr<WordController> list);
    void setCurrentVocab(std::shared_ptr<Word> word, std::shared_ptr<WordController> list);
    const std::shared_ptr<Word>& currentVocab() const { return currentVocab_; }
    const std::shared_ptr<WordController>& currentWordList() const { return currentWordList_; }

    // ---- Actions ----
    void translateToEnglish();
    void translateToLatin();
    // The Latin tab's dictionary choice; with Alt (the Option key) held and
    // the elementary or the large Lewis chosen, the first shown entry is
    // looked up there once and the stored choice is left alone.
    void changeLatinToEnglishDictionary(int tag, bool alternate = false);
    void changeEnglishToLatinDictionary(int tag);
    void clearField(QTextEdit* view);
    void nextScreen();
    void previousScreen();
    void goNext();
    void goPrev();
    // Whether a command of the window can run now (by its selector name).
    bool validateAction(const QString& selector) const;

    // ---- Entry editing and the vocabulary hand-off ----
    // Each takes the entry of the row its menu was opened on.
    void copyText(const DictionaryEntryPtr& entry);
    void searchInWords(const DictionaryEntryPtr& entry);
    // Without an entry: the first shown headword of the Latin tab.
    void searchInLewis(DictionaryEntryPtr entry);
    void searchInLAndS(DictionaryEntryPtr entry);
    void showHideReferences(const DictionaryEntryPtr& entry);
    void addEntry(const DictionaryEntryPtr& entry);
    void mergeWithAbove(const DictionaryEntryPtr& entry);
    void addToParent(const DictionaryEntryPtr& entry);
    void bracketsToNote(const DictionaryEntryPtr& entry);
    void clauseToNote(const DictionaryEntryPtr& entry);
    void promoteToParent(const DictionaryEntryPtr& entry);
    void promoteChildren(const DictionaryEntryPtr& entry);
    void handleTypeSelection(const DictionaryEntryPtr& entry, const QString& title);
    void changeGender(const DictionaryEntryPtr& entry, const QString& title);
    void changeDeclension(const DictionaryEntryPtr& entry, const QString& title);
    void changeConjugation(const DictionaryEntryPtr& entry, const QString& title);
    void changeCase(const DictionaryEntryPtr& entry, const QString& title);
    // Listings that help correct an editable dictionary; `view` chooses the
    // direction (latinWordList: English to Latin).
    void showUnmatchedBrackets(NBOutlineView* view);
    void showUnmatchedBracketsB(NBOutlineView* view);
    void showUnmatchedBracketsC(NBOutlineView* view);
    // The selected headword and meanings complete the word being made, or a
    // new word of the asking document's list.
    void addToVocab();
    void openConjugationWindow();
    // A row's text edited in the outline.
    bool setEntryText(NBOutlineView* view, const QModelIndex& index, const QString& text);
    bool getUninflectedForm(DictionaryEntryPtr* form, DictionaryEntryList* meanings) const;
    // The word takes the form's text, without a hyphen inside a word, as its
    // Latin, and the form's class, conjugation, gender and the meanings.
    static void loadUninflectedForm(const DictionaryEntryPtr& form, const DictionaryEntryList& meanings,
                                    std::shared_ptr<Word>& word, const std::shared_ptr<WordController>& list);

    // Row menus.
    QMenu* menuForType(const DictionaryEntryPtr& entry, NBOutlineView* view);
    QMenu* generalMenuForView(NBOutlineView* view, const DictionaryEntryPtr& entry);
    static QMenu* genderMenu(const DictionaryEntryPtr& entry);
    static QMenu* declensionMenu(const DictionaryEntryPtr& entry);
    static QMenu* conjugationMenu(const DictionaryEntryPtr& entry);
    static QMenu* caseMenu(const DictionaryEntryPtr& entry);

    // NBOutlineViewProtocol
    void outlineDeleteKeyPressed(NBOutlineView* view) override;
    void outlineUpKeyPressed(NBOutlineView* view) override;
    void outlineDownKeyPressed(NBOutlineView* view) override;
    void outlineLeftKeyPressed(NBOutlineView* view) override;
    void outlineRightKeyPressed(NBOutlineView* view) override;
    QMenu* menuForEvent(const QPoint& globalPosition, const QModelIndex& item, NBOutlineView* view,
                        const QString& columnIdentifier) override;

    void swipeLeft() override { previousScreen(); }
    void swipeRight() override { nextScreen(); }

    // ---- State, for the windows that build on this one and for tests ----
    int getActiveTab() const;
    NBOutlineView* frontOutlineView() const;
    DictionaryEntryModel* modelForView(const NBOutlineView* view) const;
    DictionaryEntryPtr getWordListForView(const NBOutlineView* view) const;
    void setWordList(DictionaryEntryPtr root, NBOutlineView* view);
    // Shows the entries that pass the view's word-type filter under a new
    // root and opens every level but the meanings' contents.
    void addEntriesFromArray(const DictionaryEntryList& entries, NBOutlineView* view);
    void expandFirstLevelItems(NBOutlineView* view);
    bool lookupRunning(int tab) const;

    // Widgets (owned by the window).
    QTabWidget* languageTab = nullptr;
    QLineEdit* latinText = nullptr;
    QLineEdit* englishText = nullptr;
    QTextEdit* englishTranslation = nullptr;
    QTextEdit* latinTranslation = nullptr;
    NBOutlineView* englishWordList = nullptr;
    NBOutlineView* latinWordList = nullptr;
    QComboBox* latinDictionaryPopup = nullptr;
    QComboBox* englishToLatinDictionaryPopup = nullptr;
    QComboBox* latinToEnglishWordTypeButton = nullptr;
    QComboBox* englishToLatinWordTypeButton = nullptr;
    QComboBox* latinSearchEntryButton = nullptr;
    QComboBox* englishSearchEntryButton = nullptr;
    QProgressBar* lToEProgressIndicator = nullptr;
    QProgressBar* eToLProgressIndicator = nullptr;

Q_SIGNALS:
    // A look-up's entries are on show (tab 0 or 1).
    void lookupFinished(int tab);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The text without any of `characters` at either end.
    static QString trimCharacters(const QString& text, const QString& characters);
    struct Tab;
    Tab& tab(int index);
    const Tab& tab(int index) const;
    QWidget* buildTab(int index);
    void setupWordTypePopups();
    void setupEntryTypePopups();
    void setupADictionaryPopup(QComboBox* popup);
    void selectDictionaryItem(QComboBox* popup, int tag);
    void showAttribution(int index);
    // The tab's own search: the Latin tab's to English, the English tab's to Latin.
    void translate(int index);
    void lookUp(int index, const QString& word, int wordType, int entryType, qint64 dictionaryType,
                const DictionaryEntryPtr& compareEntry);
    void finishLookUp(int index, quint64 generation, const QString& raw, bool hasRaw, const DictionaryEntryList& entries,
                      const std::shared_ptr<TSDictionary>& dictionary);
    void stopIndicator(int index);
    int wordTypeOf(const QComboBox* popup) const;
    int entryTypeOf(int index) const;
    void expandItem(const QModelIndex& item, NBOutlineView* view);
    void setOutlineViewEditingSettings(NBOutlineView* view);
    void rememberSearch(int index, const QString& word);
    void showRecentSearches(int index);
    void flushNewEntries();
    // The headword after (or before) the one shown, shown alone.
    void browse(bool forward);
    std::shared_ptr<TSDictionary> dictionaryForView(const NBOutlineView* view) const;
    std::shared_ptr<TSDictionary> dictionaryForFrontView() const;
    bool viewIsEditable(const NBOutlineView* view) const;
    DictionaryEntryPtr selectedEntry(const NBOutlineView* view) const;
    void moveSelected(NBOutlineView* view, bool (DictionaryEntry::*move)());
    void changedFront(const DictionaryEntryPtr& entry = nullptr);
    void reloadKeepingExpansion(NBOutlineView* view, const DictionaryEntryPtr& select = nullptr);
    void noteFromText(const DictionaryEntryPtr& entry, const QString& part);
    void addLookupsToMenu(QMenu* menu, const DictionaryEntryPtr& entry);
    void lookUpIn(const DictionaryEntryPtr& entry, int tag);
    void showListing(NBOutlineView* view, const std::function<bool(const DictionaryEntry&)>& test);
    void newEntriesArrived(const DictionaryEntryList& entries, bool englishTab);

    std::unique_ptr<Tab> tabs_[2];
    std::shared_ptr<Word> currentVocab_;
    std::shared_ptr<WordController> currentWordList_;
    std::vector<ts::ObserverToken> observers_;
    // Entries posted by other threads, waiting to be shown. Shared with the
    // handlers: one may still be running on the posting thread while the
    // window goes away.
    struct PendingEntries {
        std::mutex mutex;
        DictionaryEntryList latin, english;
    };
    std::shared_ptr<PendingEntries> pending_ = std::make_shared<PendingEntries>();
    // Lives as long as the window: answers from other threads check it
    // before they touch anything.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
