#pragma once
// The manuscript word-pattern finder: a pattern of letters, stroke classes
// and abbreviation signs is compiled and matched against the user's chosen
// word list, the Latin Library list, the residual dictionary words and the
// abbreviations, each group under its header. A double click looks a word up
// in the dictionary window. The window also carries the corpus tools (word
// counts, the proximity model of a folder of pages, pages into a property
// list, exports) and the word forms of the dictionary page.
//
// Threads: the window lives on the main thread. A search runs on a worker;
// starting another cancels it and its late results are dropped. Corpus work
// runs on one serial worker with progress and a Cancel button. Settings and
// the chosen-list pop-up are changed on the main thread only.
#include "tools/TSPatternLanguage.h"
#include "tools/TSPatternSearch.h"

#include <QMainWindow>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class TSSearchResultsModel;
class TSTokenField;

class TSAnagramWindowController : public QMainWindow {
    Q_OBJECT
public:
    TSAnagramWindowController();
    ~TSAnagramWindowController() override;

    // ---- pattern ----
    void insertKnownLetters(const QString& token);
    void handleButton(TSPatternLanguage::Button button, bool option);
    void handleSubsetClick(bool option);
    // Retitles the class and rum/er buttons for the Option (Alt) state.
    void flagsChanged(bool option);
    QString knownLettersString(bool* isList) const;
    bool quickMatch();

    // ---- search ----
    void handleSearchButtonClick();
    bool updateSearchResultsFromString(const QString& list);
    QList<TSSearchRow> searchResults() const;
    bool isSearching() const { return searching_; }
    void handleOutputDoubleClick(int row);

    // ---- chosen list ----
    static QStringList analysisFiles();
    void buildSpecifiedFileMenu();
    void changeSpecifiedFile(int index);
    void loadChosenWords();
    QStringList chosenWords() const { return chosenWords_.words(); }

    // ---- corpus tools ----
    void handleAnalyseClick();        // word count of a text into a chosen list
    void handleAnalyseFolderClick();  // proximity model of a folder of pages
    void ripPages();                  // pages into a property list
    void saveDocumentAs();            // export the Latin Library word list
    void saveDocumentAsPlist();       // export the substitutions table
    void performAnalysis();           // word forms of the dictionary page
    bool isBusy() const { return busy_; }
    void cancelWork();

    // Widgets (owned by the window).
    TSTokenField* knownLettersField = nullptr;
    QLineEdit* subsetField = nullptr;
    QComboBox *minLengthPopup = nullptr, *maxLengthPopup = nullptr;
    QLineEdit* regexOutputField = nullptr;
    QLabel* messageLabel = nullptr;
    QListView* outputTable = nullptr;
    QLabel* specifiedFileLabel = nullptr;
    QComboBox* specifiedFileButton = nullptr;
    QPushButton* searchButton = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* cancelButton = nullptr;
    QLabel* statusLabel = nullptr;
    QList<QPair<TSPatternLanguage::Button, QPushButton*>> tokenButtons;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void publish(quint64 generation, const QList<TSSearchRow>& rows);
    // "N word(s) found" for the rows shown.
    void showFoundCount();
    void showMessage(const QString& text, bool error);
    // Runs `work` on the serial corpus worker; `done` gets its answer on the
    // main thread unless the window is gone.
    void runCorpusWork(const QString& title, std::function<QVariant(std::atomic<bool>&, std::function<void(qint64, qint64)>)> work,
                       std::function<void(const QVariant&)> done);
    void setChosenList(const QString& path);

    TSSearchResultsModel* model_ = nullptr;
    TSWordList chosenWords_;
    bool chosenLoaded_ = false;
    std::shared_ptr<std::atomic<bool>> searchCancel_;
    std::atomic<quint64> generation_{0};
    bool searching_ = false;
    QThreadPool searchPool_;
    QThreadPool analysisQueue_;  // serial: one corpus run at a time
    std::shared_ptr<std::atomic<bool>> workCancel_;
    bool busy_ = false;
    bool optionShown_ = false;
};
