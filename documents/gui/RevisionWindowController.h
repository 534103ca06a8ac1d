#pragma once
// The one flash-card window for learning a vocabulary: one word at a time,
// asked in Latin or in English, the answer revealed on request, stepping
// through the words that pass the word-type, source and marked-only
// filters. With automatic marking on, looking at an answer marks the word
// and moving on without looking unmarks it.
//
// Main thread. The window follows its list: a word deleted or added
// elsewhere changes the count and, when the word shown is gone, the word.
#include "platform/NotificationCenter.h"

#include <QMainWindow>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class Word;
class WordController;

class RevisionWindowController : public QMainWindow {
    Q_OBJECT
public:
    static RevisionWindowController* getRevisionWindow();
    static RevisionWindowController* showRevisionWindow();
    // The shared window if it has been made; null otherwise.
    static RevisionWindowController* existingRevisionWindow();
    RevisionWindowController();

    void setVocabList(std::shared_ptr<WordController> list);
    const std::shared_ptr<WordController>& vocabList() const { return vocabList_; }

    // The searches: from index `start`, the next (wrapping, `start` last)
    // or previous (wrapping, `start` never; -1 tries every word from the
    // last) word that passes the filters. Null and -1 when none does.
    std::shared_ptr<Word> getNextWord(qint64 start, qint64* index) const;
    std::shared_ptr<Word> getPrevWord(qint64 start, qint64* index) const;
    qint64 countNumWords() const;
    bool passes(const Word& word) const;

    void insertWord(const std::shared_ptr<Word>& word);
    void showAnswer();
    void gotoNextWord(bool fromButton = true);
    void gotoPrevWord(bool fromButton = true);
    void changePopupSettings();
    void setStateOfCurrentWord(bool marked);
    bool answerShown() const;
    void setupSourceList();
    QStringList getSourceNames() const;
    std::shared_ptr<Word> getCurrentWord() const;
    qint64 curIndex() const { return curIndex_; }

    QComboBox* sourcesToShow = nullptr;
    QComboBox* wordsToShow = nullptr;
    QLabel* testWord = nullptr;
    QLabel* translation = nullptr;
    QLabel* numWords = nullptr;
    QButtonGroup* testLanguage = nullptr;
    QCheckBox* isMarked = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateCount();
    bool passes_current() const;
    void followList();
    std::shared_ptr<WordController> vocabList_;
    qint64 curIndex_ = 0;
    bool loaded_ = false;
    QString shownID_;
    ts::ObserverToken listObserver_;
};
