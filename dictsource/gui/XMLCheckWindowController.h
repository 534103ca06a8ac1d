#pragma once
// The XML checking window: walks the matches of the first Find/Replace pair
// through the Lewis and Short source, shows each entry as the file holds it
// and as it would read after the replacement (tags coloured, both also in
// readable form), lets the developer edit the proposed text while each
// keystroke re-tests the entry for well-formedness, and accepts edits into
// the in-memory file text, which Save writes back.
//
// The logic is XMLCheckSession's; this window shows it. Questions go
// through the Prompter. Closing with unsaved edits asks first. The match
// count runs on the thread pool over a copy of the text; a window closed
// meanwhile drops the answer.
//
// Threads: the GUI thread.

#include "dictsource/XMLCheckSession.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTextEdit;

class XMLCheckWindowController : public QWidget {
public:
    using WordsProvider = std::function<DictionaryEntryList()>;

    // An empty path means the application's "LewisShort.xml".
    explicit XMLCheckWindowController(const QString& path = QString(), QWidget* parent = nullptr);
    ~XMLCheckWindowController() override;

    static QString fileURL();

    XMLCheckSession& session() { return session_; }
    // The pair to walk instead of the bundle's list.
    bool setSearchAndReplace(const QString& search, const QString& replace);
    // Where the malformed walk takes its words; the shared Lewis and Short
    // dictionary unless set.
    void setWordsProvider(WordsProvider provider) { wordsProvider_ = std::move(provider); }

    // ---- Actions ----
    void skipToNext();
    void insertEditedText();
    void transferRawText();
    void removeFirstSense();
    void insertUnknownTrans();
    void findMalformed();
    bool saveChanges();

    // ---- What the window shows ----
    QTextEdit* origView() const { return origView_; }
    QTextEdit* changedView() const { return changedView_; }
    QTextEdit* humanReadableView() const { return humanReadableView_; }
    QTextEdit* cleanedReadableView() const { return cleanedReadableView_; }
    QLabel* matchCountField() const { return matchCountField_; }
    QLabel* statusField() const { return statusField_; }
    bool changedViewFlagged() const { return flagged_; }
    bool countRunning() const { return counting_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool ensureLoaded();
    void startCheck();
    void insertCurCheckValues();
    bool checkForErrors(bool notify);
    void errorFound(const QString& error, bool notify);
    void resetChangedViewBackground();
    void updateCleanedModifiedString();
    void insertHumanReadableString();
    void insertMalformedValues();
    void setChangedText(const QString& text);
    void startCount();
    void showMatchCount(qsizetype count);
    void markTags(QTextEdit* view);
    void markBrackets(QTextEdit* view);
    void boldString(const QString& string, QTextEdit* view);
    void showColoured(const XMLCheckSession::ColouredText& text, QTextEdit* view);
    void setStatus(const QString& text);

    XMLCheckSession session_;
    QString path_;
    bool loadTried_ = false;
    bool pairTried_ = false;
    WordsProvider wordsProvider_;
    DictionaryEntryPtr lastEntry_;
    QTextEdit* origView_ = nullptr;
    QTextEdit* changedView_ = nullptr;
    QTextEdit* humanReadableView_ = nullptr;
    QTextEdit* cleanedReadableView_ = nullptr;
    QLabel* matchCountField_ = nullptr;
    QLabel* statusField_ = nullptr;
    bool updating_ = false;
    bool flagged_ = false;
    bool counting_ = false;
};
