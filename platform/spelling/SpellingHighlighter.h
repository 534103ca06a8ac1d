#pragma once
// Spell checking in a text editor: underlines the words of a text document
// that a hunspell dictionary refuses, and puts that dictionary's suggestions
// at the top of the editor's context menu.
//
// Made for one QTextEdit (it then shows the editor's standard context menu
// with the suggestions, unless the editor builds a menu of its own) or for a
// bare QTextDocument; the editor or document owns it. Text that cannot be
// seen (drawn in the colour behind it, as covered text is) is neither
// underlined nor offered suggestions for. A language without a
// dictionary (none installed) checks nothing and underlines nothing. Latin
// texts use "la"; texts in the user's language use systemLanguage().
// Checkers are shared per language. Main thread only.

#include "platform/spelling/SpellChecker.h"

#include <QList>
#include <QSyntaxHighlighter>

class QColor;
class QMenu;
class QTextBlock;
class QTextEdit;

namespace ts {

class SpellingHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    struct Word {
        int start = 0;
        int length = 0;
    };

    SpellingHighlighter(QTextEdit* editor, const QString& language);
    SpellingHighlighter(QTextDocument* document, const QString& language);

    // Changes the dictionary and checks the whole document again.
    void setLanguage(const QString& language);
    QString language() const { return language_; }
    // Whether a dictionary for the language was found.
    bool isChecking() const { return checker_ != nullptr; }
    // Whether a right-click in the editor shows the editor's standard menu
    // with the suggestions on top (the default). An editor with a menu of its
    // own turns this off and adds the suggestions to it with addSuggestions():
    // one menu either way, never the standard one in place of the editor's.
    void setShowsEditorMenu(bool shows) { showsEditorMenu_ = shows; }

    // The shared checker of a language; null when no dictionary holds it.
    // A dictionary installed later is found on the next call.
    static SpellCheckerPtr checkerFor(const QString& language);
    // The system locale's language ("en_US"), or its language code ("en")
    // when only that has a dictionary.
    static QString systemLanguage();
    // The words of a line of text (letters with their combining marks,
    // apostrophes inside a word).
    static QList<Word> words(const QString& text);

    // The words of the text the dictionary refuses.
    QList<Word> misspelledWords(const QString& text) const;
    bool isMisspelled(const QString& word) const;
    // Adds the suggestions for the misspelt word at a document position to
    // the top of the menu, each replacing the word when chosen, followed by a
    // separator; answers how many suggestions it added (a refused word with
    // none gets one disabled item saying so). A hidden word gets none.
    int addSuggestions(QMenu* menu, int position);

protected:
    void highlightBlock(const QString& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether any character of [start, start + length) of the block is drawn
    // in the colour behind it.
    bool isHidden(const QTextBlock& block, int start, int length) const;
    QColor pageColour() const;

    QTextEdit* editor_ = nullptr;
    bool showsEditorMenu_ = true;
    QString language_;
    SpellCheckerPtr checker_;
};

}  // namespace ts
