#pragma once
// The three paradigm windows: a noun's declension, a verb's conjugation
// (with its twelve non-finite forms, tense, voice and mood choices) and an
// adjective's declension in three genders and three degrees. The forms are
// the inflection engine's; these windows only choose rows, columns and
// parameters. Each window is one shared instance, made again when the kept
// one has been closed for good.
//
// Main thread.
#include <QAbstractTableModel>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QButtonGroup;
class QTableView;
class Word;
class Adjective;

// A table whose cells are asked of the window: rows by count, columns by
// identifier.
class ParadigmTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowCount = std::function<int()>;
    using Cell = std::function<QString(int row, const QString& column)>;
    ParadigmTableModel(QStringList columns, QStringList titles, RowCount rows, Cell cell, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void reload();

private:
    QStringList columns_, titles_;
    RowCount rows_;
    Cell cell_;
};

class ParadigmWindowBase : public QMainWindow {
    Q_OBJECT
public:
    explicit ParadigmWindowBase(QWidget* parent = nullptr);
    const std::shared_ptr<Word>& word() const { return word_; }
    // The word's type code; 1 when there is no word.
    qint64 getWordType() const;
    virtual int getNumRows() const;
    virtual QString getCaseName(int row) const;
    virtual void setWord(std::shared_ptr<Word> word);

protected:
    QTableView* makeTable(ParadigmTableModel* model);
    std::shared_ptr<Word> word_;
};

class DeclensionsController : public ParadigmWindowBase {
    Q_OBJECT
public:
    static DeclensionsController* getDeclensionsController();
    DeclensionsController();
    void setWord(std::shared_ptr<Word> word) override;
    QTableView* theCases = nullptr;

private:
    ParadigmTableModel* model_ = nullptr;
};

class ConjugationWindowController : public ParadigmWindowBase {
    Q_OBJECT
public:
    // Opens the window the word's type calls for (noun, verb, adjective);
    // other types open nothing.
    static void openConjugationWindow(const std::shared_ptr<Word>& word, QObject* sender);
    static ConjugationWindowController* getConjugationWindowController();
    ConjugationWindowController();
    void setWord(std::shared_ptr<Word> word) override;
    QString getCaseName(int row) const override;
    static QString getFormName(int row);

    void changeTense();
    void changeMood();
    void setupRadioButtons();
    int tenseTag() const;
    int moodTag() const;
    int voiceTag() const;

    QTableView* verbForms = nullptr;
    QTableView* extraForms = nullptr;
    QButtonGroup* tense = nullptr;
    QButtonGroup* actPass = nullptr;
    QButtonGroup* indicSubj = nullptr;

private:
    ParadigmTableModel* formsModel_ = nullptr;
    ParadigmTableModel* extraModel_ = nullptr;
};

class AdjectiveWindowController : public ParadigmWindowBase {
    Q_OBJECT
public:
    static AdjectiveWindowController* getAdjectiveWindowController();
    AdjectiveWindowController();
    void setWord(std::shared_ptr<Word> word) override;
    int getNumRows() const override;
    QString getCaseName(int row) const override;
    int getComparison() const;
    void changeComparison();

    QTableView* theCases = nullptr;
    QButtonGroup* comparisonChoice = nullptr;

private:
    ParadigmTableModel* model_ = nullptr;
};
