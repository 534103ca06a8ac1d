#include "platform/spelling/SpellingHighlighter.h"

#include "platform/Prompter.h"

#include <QApplication>
#include <QColor>
#include <QContextMenuEvent>
#include <QHash>
#include <QLocale>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace ts {

namespace {

bool isApostrophe(QChar c) { return c == QLatin1Char('\'') || c == QChar(0x2019); }

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

}  // namespace

SpellingHighlighter::SpellingHighlighter(QTextEdit* editor, const QString& language)
    : QSyntaxHighlighter(editor->document()), editor_(editor) {
    // The editor's context menu is the viewport's event.
    editor->viewport()->installEventFilter(this);
    setLanguage(language);
}

SpellingHighlighter::SpellingHighlighter(QTextDocument* document, const QString& language)
    : QSyntaxHighlighter(document) {
    setLanguage(language);
}

SpellCheckerPtr SpellingHighlighter::checkerFor(const QString& language) {
    // Loading a dictionary takes a moment: each is read once per process.
    static QHash<QString, SpellCheckerPtr> checkers;
    if (language.isEmpty()) return nullptr;
    if (const SpellCheckerPtr cached = checkers.value(language)) return cached;
    SpellCheckerPtr checker = SpellChecker::forLanguage(language);
    if (checker) checkers.insert(language, checker);
    return checker;
}

QString SpellingHighlighter::systemLanguage() {
    const QString name = QLocale::system().name();
    const QString code = name.section(QLatin1Char('_'), 0, 0);
    // A Latin locale still leaves English texts unchecked, never checked as Latin.
    if (code == QLatin1String("la") || code == QLatin1String("C")) return QString();
    if (!checkerFor(name) && checkerFor(code)) return code;
    return name;
}

void SpellingHighlighter::setLanguage(const QString& language) {
    language_ = language;
    checker_ = checkerFor(language);
    rehighlight();
}

QList<SpellingHighlighter::Word> SpellingHighlighter::words(const QString& text) {
    QList<Word> out;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        if (!isWordCharacter(text.at(i)) || text.at(i).isMark()) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < n && (isWordCharacter(text.at(i)) ||
                         (isApostrophe(text.at(i)) && i + 1 < n && text.at(i + 1).isLetter() && i > start)))
            ++i;
        out.append({start, i - start});
    }
    return out;
}

bool SpellingHighlighter::isMisspelled(const QString& word) const {
    if (!checker_ || word.isEmpty()) return false;
    for (const QChar c : word)
        if (c.isDigit()) return false;
    // Letters typed with combining marks are checked as the letters the
    // dictionary knows (ā, not a + macron).
    return !checker_->isCorrect(word.normalized(QString::NormalizationForm_C));
}

QList<SpellingHighlighter::Word> SpellingHighlighter::misspelledWords(const QString& text) const {
    QList<Word> out;
    if (!checker_) return out;
    for (const Word& w : words(text))
        if (isMisspelled(text.mid(w.start, w.length))) out.append(w);
    return out;
}

QColor SpellingHighlighter::pageColour() const {
    if (editor_) return editor_->viewport()->palette().color(editor_->viewport()->backgroundRole());
    return QApplication::palette().color(QPalette::Base);
}

bool SpellingHighlighter::isHidden(const QTextBlock& block, int start, int length) const {
    const int from = block.position() + start, to = from + length;
    const QColor page = pageColour();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() >= to || fragment.position() + fragment.length() <= from) continue;
        const QTextCharFormat format = fragment.charFormat();
        const QBrush ink = format.foreground();
        if (ink.style() == Qt::NoBrush) continue;
        if (ink.color().alpha() == 0) return true;
        const QBrush ground = format.background();
        const QColor behind = ground.style() == Qt::NoBrush ? page : ground.color();
        if (ink.color().rgb() == behind.rgb()) return true;
    }
    return false;
}

void SpellingHighlighter::highlightBlock(const QString& text) {
    if (!checker_) return;
    QTextCharFormat refused;
    refused.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    refused.setUnderlineColor(Qt::red);
    // Covered text must give nothing away, not even where a word is wrong.
    const QTextBlock block = currentBlock();
    for (const Word& w : misspelledWords(text))
        if (!isHidden(block, w.start, w.length)) setFormat(w.start, w.length, refused);
}

int SpellingHighlighter::addSuggestions(QMenu* menu, int position) {
    if (!checker_ || !menu || !document()) return 0;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return 0;
    const QString text = block.text();
    const int inBlock = position - block.position();
    for (const Word& w : words(text)) {
        if (inBlock < w.start || inBlock > w.start + w.length) continue;
        const QString word = text.mid(w.start, w.length);
        if (!isMisspelled(word) || isHidden(block, w.start, w.length)) return 0;
        QAction* before = menu->actions().value(0);
        QList<QAction*> added;
        const int start = block.position() + w.start, end = start + w.length;
        const QStringList suggestions = checker_->suggestions(word.normalized(QString::NormalizationForm_C));
        for (const QString& s : suggestions.mid(0, 8)) {
            auto* action = new QAction(s, menu);
            QTextDocument* doc = document();
            connect(action, &QAction::triggered, doc, [doc, start, end, s] {
                QTextCursor cursor(doc);
                cursor.setPosition(start);
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                cursor.insertText(s);
            });
            added << action;
        }
        if (added.isEmpty()) {
            auto* none = new QAction(Prompter::localized(QStringLiteral("No Guesses Found")), menu);
            none->setEnabled(false);
            added << none;
        }
        menu->insertActions(before, added);
        if (before) menu->insertSeparator(before);
        return int(suggestions.mid(0, 8).size());
    }
    return 0;
}

bool SpellingHighlighter::eventFilter(QObject* watched, QEvent* event) {
    if (editor_ && showsEditorMenu_ && watched == editor_->viewport() && event->type() == QEvent::ContextMenu) {
        auto* e = static_cast<QContextMenuEvent*>(event);
        QMenu* menu = editor_->createStandardContextMenu(e->pos());
        addSuggestions(menu, editor_->cursorForPosition(e->pos()).position());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(e->globalPos());
        return true;
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

}  // namespace ts
