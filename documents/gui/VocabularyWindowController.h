#pragma once
// The one vocabulary window: the word list of the document that opened it,
// a search field and a sort choice, and a form for the word in hand (Latin
// principal parts, English, notes, word type, gender, case taken,
// declension or conjugation). It adds, changes and deletes words, guesses
// type and declension from the Latin, marks vowel lengths, opens the
// paradigm and revision windows and exports the list as text.
//
// Main thread. The dictionary window completes words here through
// "WordChangedNotification"; a retyped word reaches it through
// "WordList Changed".
#include "platform/NotificationCenter.h"

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QPointer>
#include <QTableView>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTextEdit;
class Word;
class WordController;

// The list's rows: "Latin" and "English", in the list's own order; a cell
// edited in place changes the word and re-sorts the list. "English" shows a
// word's meanings in one line (Word::meaningInOneLine), as does the form's
// English field.
class VocabListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setList(std::shared_ptr<WordController> list);
    const std::shared_ptr<WordController>& list() const { return list_; }
    void reload();
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // A word's Latin (column 0) or English (column 1) was edited in the list.
    void wordEdited(const std::shared_ptr<Word>& word, int column);

private:
    std::shared_ptr<WordController> list_;
};

// A table that reports the Delete key as "Delete selection".
class VocabListView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class VocabularyWindowController : public QMainWindow {
    Q_OBJECT
public:
    static VocabularyWindowController* getVocabularyWindow();
    static VocabularyWindowController* showVocabularyWindow();
    // A document closes: the vocabulary and revision windows let go of its
    // list (and hide) instead of going on editing it.
    static void documentClosing(const std::shared_ptr<WordController>& list);

    VocabularyWindowController();
    ~VocabularyWindowController() override;

    // The document to return to ("Bring document to front" names it).
    void setCallingDocument(const void* document) { callingDocument_ = document; }
    const void* callingDocument() const { return callingDocument_; }
    void setVocabList(std::shared_ptr<WordController> list);
    const std::shared_ptr<WordController>& vocabList() const;
    const std::shared_ptr<Word>& currentWord() const { return currentWord_; }
    void setCurrentWord(std::shared_ptr<Word> word);
    // A vocabulary link's word: offered to the dictionary window when it is
    // not yet filled in, and shown in the form.
    void setCurrentWordFromID(const QString& id);
    std::shared_ptr<Word> getSelectedWord() const;

    // ---- Actions ----
    void handleListClick();
    void insertWordData(const std::shared_ptr<Word>& word);
    void clearEntrySelections();
    void addWord();
    void saveAndReturn();
    void findWord();
    void changeSortBy(int index);
    // Guesses the type again only when the Latin differs from the text the
    // form was last filled with or guessed from.
    void latinEditingEnded();
    void wordTypeChosen();
    void setupConjugationCombo(qint64 wordType);
    void openConjugationWindow();
    void openRevisionWindow();
    void markAll();
    void unMarkAll();
    void markShort();
    void markLong();
    void doExport();
    // UTF-16 with a byte-order mark, "latin TAB full English" and a carriage
    // return for each word that has a meaning. Answers whether it was written.
    bool exportToFile(const QString& path);
    void selectedWordShouldBeDeleted();

    // The words' combo items (index = code).
    void setVerbConjugations();
    void setDeclensions();
    void clearConjugations();

    // Widgets (owned by the window).
    QComboBox* conjugation = nullptr;
    QLineEdit* englishMeaning = nullptr;
    QComboBox* gender = nullptr;
    QTextEdit* latinMeaning = nullptr;
    VocabListView* wordList = nullptr;
    QComboBox* wordType = nullptr;
    QComboBox* caseTaken = nullptr;
    QLineEdit* notes = nullptr;
    QLineEdit* toFind = nullptr;
    QComboBox* sortBy = nullptr;
    QPushButton* addButton = nullptr;
    qint64 searchIndex = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wordChanged(const std::shared_ptr<Word>& word, const std::shared_ptr<Word>& original);
    void markSelection(QString (*mark)(const QString&));
    void selectRow(qint64 row);
    QString standardLatin() const;
    void setLatinField(const QString& latin);
    void listEdited(const std::shared_ptr<Word>& word, int column);

    VocabListModel* model_ = nullptr;
    std::shared_ptr<Word> currentWord_;
    // The standardised Latin the type was last guessed from or loaded with.
    QString guessedLatin_;
    const void* callingDocument_ = nullptr;
    std::vector<ts::ObserverToken> observers_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
