#pragma once
// Adds one analysed word form to the word-form and macron dictionary: the
// user picks the part of speech and, for inflected words, person, number,
// tense, mood, voice, gender and case, and types the lemma; the window
// builds the nine-letter tag and shows the dictionary line
// (form TAB tag TAB lemma TAB form with "_" after long vowels). Adding is
// possible only once the description is complete.
//
// Main thread; one window, reused for each word a document sends.
#include <QMainWindow>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TSWordFormWindowController : public QMainWindow {
    Q_OBJECT
public:
    TSWordFormWindowController();

    Q_INVOKABLE void setWordForm(const QString& form);
    QString wordForm() const { return wordForm_; }
    int wordType() const;

    // The tag and line builders; each clears *complete when a choice is missing.
    QString wordTypeString(bool* complete) const;
    QString nounStartString(bool* complete) const;
    QString verbTypeString(bool* complete) const;
    QString participleString(bool* complete) const;
    // Positions 7 to 9: gender, case and the degree's "-".
    QString genderAndCase(bool* complete) const;
    QString baseString(int wordType, bool* complete) const;
    // Every long vowel written as the plain vowel and "_".
    static QString makeMacronString(const QString& form);
    QString outputLine() const;
    bool addWordForm();

    QLineEdit* wordFormLabel = nullptr;
    QComboBox* typePopup = nullptr;
    QComboBox* tensePopup = nullptr;
    QComboBox* moodPopup = nullptr;
    QComboBox* casePopup = nullptr;
    QRadioButton *maleButton = nullptr, *femaleButton = nullptr, *neuterButton = nullptr;
    QRadioButton *firstSing = nullptr, *secondSing = nullptr, *thirdSing = nullptr;
    QRadioButton *firstPlural = nullptr, *secondPlural = nullptr, *thirdPlural = nullptr;
    QRadioButton *activeButton = nullptr, *passiveButton = nullptr;
    QRadioButton *singularNounButton = nullptr, *pluralNounButton = nullptr;
    QPushButton* addButton = nullptr;
    QLabel* outputLabelField = nullptr;
    QGroupBox* verbBox = nullptr;
    QGroupBox* nounBox = nullptr;
    QLineEdit* wordRootField = nullptr;

    void updateType();
    void updateOutputLabel();

private:
    void insertWordForm();
    QString line_;
    QString wordForm_;
};
