#pragma once
// What a user does with the rows of a parallel-text document: the row menu
// (cover, copy, macronize, add, merge, delete, promote, demote, paste
// several lines, the word count), the editing menu of an open cell (look a
// word up, its Roman numeral value, its macron variants, remove a
// background colour), Alt+click look-up, moving between rows and columns,
// link tool tips, and the vocabulary commands (add the selection to the
// vocabulary and link it, open the vocabulary and revision windows).
//
// It serves one document window and changes the text tree through the text
// model's own operations, then reloads the outline and marks the document
// edited. Confirmations go through ts::Prompter. Main thread only.
#include "morphology/TSWordFormDictionary.h"
#include "tools/Macronizer.h"
#include "textmodel/TSChunk.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>

#include <memory>

class QMenu;
class QTextEdit;
class TSDocumentWindow;
class TSMatchedChunk;

class TSRowCommands : public QObject {
    Q_OBJECT
public:
    explicit TSRowCommands(TSDocumentWindow* window);
    ~TSRowCommands() override;

    // ---- Row operations; `index` is any cell of the row ----
    bool addRowAbove(const QModelIndex& index);
    // Adds the row after and opens its editor in the same column.
    bool addRowBelow(const QModelIndex& index);
    // Ask first; answer whether the row went.
    bool deleteRow(const QModelIndex& index);
    bool mergeUp(const QModelIndex& index);
    bool promoteRow(const QModelIndex& index);
    bool demoteRow(const QModelIndex& index);
    // Several lines from the clipboard into consecutive rows from this one;
    // asks before replacing rows that have text.
    bool pasteFormatted(const QModelIndex& index);
    // Marks vowel lengths in the Latin of the row and the rows below it,
    // through the window's macronizer (the local word-form marking unless
    // another is set, such as the web service).
    void macronize(const QModelIndex& index);
    void setMacronizer(std::unique_ptr<Macronizer> macronizer);
    void coverText(const QModelIndex& index, bool cover);
    void uncoverOne(const QModelIndex& index);
    void copyText(const QModelIndex& index, bool latin);
    void copyInterlinear(const QModelIndex& index);
    // Editing moves; `extend` adds a row after the last one of a section.
    bool selectNextRow(const QModelIndex& index, bool extend);
    bool selectPrevRow(const QModelIndex& index);
    bool switchColumns(const QModelIndex& index);
    // Hands a word to the dictionary window with the document's vocabulary.
    void lookupWord(const QString& word, bool latin);
    // After the user confirms: the imported translations of a section's
    // lines move, in order and each ended by "\r", to its last line.
    bool pushEnglishToEnd(const QModelIndex& index);
    // The look of the open editor's selection (where it starts), without its
    // colours, becomes the document's base font for new rows and empty
    // cells. Needs a selection.
    bool makeBaseFont();

    // ---- Vocabulary ----
    // The selection of the open Latin editor becomes a vocabulary word,
    // linked where it stands, looked up and shown in the vocabulary window.
    bool addToVocab();
    void showVocabularyWindow();
    void setupVocabularyWindow(const QString& link);
    void openRevisionWindow();

    // The tool tip of a link ("footnote:…" or "vocab:…"); the link itself
    // for anything else.
    QString tooltipForLink(const QString& link) const;
    // The link under a point of the viewport in a text cell, or empty.
    QString linkAt(const QPoint& viewportPoint, QModelIndex* cell = nullptr) const;
    // The word under a point of the viewport in a text cell, or empty.
    QString wordAt(const QPoint& viewportPoint, QModelIndex* cell = nullptr) const;

    // ---- Menus (the caller owns them) ----
    QMenu* rowMenu(const QModelIndex& index);
    // The open editor's menu: spelling, the word's commands, then the row menu.
    QMenu* editorMenu(QTextEdit* editor, const QModelIndex& index, int position);

    // The word of a text at a position: the word that holds it, none when
    // the position is just after a word or between words.
    static QString wordAtPosition(const QString& text, int position, int* start = nullptr);
    // A Roman numeral's cardinal and ordinal words, for the editing menu.
    static QString stringValuesForNumber(qint64 number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSMatchedChunk* lineAt(const QModelIndex& index) const;
    TSChunkPtr chunkPtr(const QModelIndex& index) const;
    QString identifierOf(const QModelIndex& index) const;
    void changed(const TSChunk* select = nullptr, int column = -1);
    void editCell(const TSChunk* chunk, int column);
    void watchEditor(QTextEdit* editor);

    QPointer<TSDocumentWindow> window_;
    std::unique_ptr<Macronizer> macronizer_;
};
