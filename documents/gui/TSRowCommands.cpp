#include "documents/gui/TSRowCommands.h"

#include "app/logging/LGLog.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRichTextDelegate.h"
#include "documents/gui/RevisionWindowController.h"
#include "documents/gui/VocabularyWindowController.h"
#include "app/core/Preferences.h"
#include "morphology/RomanNumerals.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Color.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "platform/gui/RichTextConversion.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "textmodel/TSTextHelpers.h"
#include "tools/gui/DictionaryWindowController.h"
#include "tools/net/LocalMacronizer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>

namespace {

QString nr(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key), QStringLiteral("NonReversable")); }

// The links a click on opens: footnote markers and vocabulary words.
bool isDocumentLink(const QString& link) {
    return link.startsWith(QLatin1String("footnote:")) || link.startsWith(QLatin1String("vocab:"));
}

QString linkString(const ts::Value& v) {
    if (v.isString()) return v.toString();
    if (auto url = v.toObjectAs<ts::Url>()) return url->absoluteString();
    return {};
}

}  // namespace

TSRowCommands::TSRowCommands(TSDocumentWindow* window) : QObject(window), window_(window) {
    macronizer_ = std::make_unique<LocalMacronizer>();
    window->outlineView()->viewport()->installEventFilter(this);
    window->outlineView()->viewport()->setMouseTracking(true);
}

TSRowCommands::~TSRowCommands() = default;

// ---- Helpers ----

TSMatchedChunk* TSRowCommands::lineAt(const QModelIndex& index) const {
    return window_ ? dynamic_cast<TSMatchedChunk*>(window_->model()->chunkForIndex(index)) : nullptr;
}

TSChunkPtr TSRowCommands::chunkPtr(const QModelIndex& index) const {
    TSChunk* c = window_ ? window_->model()->chunkForIndex(index) : nullptr;
    return c ? std::static_pointer_cast<TSChunk>(c->shared_from_this()) : nullptr;
}

QString TSRowCommands::identifierOf(const QModelIndex& index) const {
    if (!window_) return {};
    return window_->model()->keyForColumn(index.column() == TSOutlineModel::LocationColumn ? int(TSOutlineModel::LatinColumn)
                                                                                         : index.column());
}

void TSRowCommands::changed(const TSChunk* select, int column) {
    if (!window_) return;
    TSOutlineModel* model = window_->model();
    window_->reloadKeepingPlace();
    window_->document()->updateChangeCount(ts::Document::ChangeDone);
    if (select) {
        const QModelIndex at = model->indexForChunk(select, column < 0 ? int(TSOutlineModel::LatinColumn) : column);
        if (at.isValid()) {
            for (QModelIndex p = at.parent(); p.isValid(); p = p.parent()) window_->outlineView()->expand(p);
            window_->outlineView()->setCurrentIndex(at);
            window_->outlineView()->scrollTo(at);
        }
    }
}

void TSRowCommands::editCell(const TSChunk* chunk, int column) {
    if (!window_) return;
    const QModelIndex at = window_->model()->indexForChunk(chunk, column);
    if (!at.isValid()) return;
    for (QModelIndex p = at.parent(); p.isValid(); p = p.parent()) window_->outlineView()->expand(p);
    window_->outlineView()->setCurrentIndex(at);
    window_->outlineView()->scrollTo(at);
    window_->outlineView()->edit(at);
    // The caret goes to the end of the text, as typing on would expect.
    if (auto* editor = qobject_cast<QTextEdit*>(QApplication::focusWidget())) editor->moveCursor(QTextCursor::End);
}

// ---- Rows ----

bool TSRowCommands::addRowAbove(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSChunkPtr parent = chunk ? chunk->parent() : nullptr;
    if (!parent) return false;
    window_->commitEditing();
    auto row = std::make_shared<TSMatchedChunk>();
    parent->insertChild(row, parent->indexOfChild(chunk.get()));
    changed(row.get(), index.column());
    return true;
}

bool TSRowCommands::addRowBelow(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSChunkPtr parent = chunk ? chunk->parent() : nullptr;
    if (!parent) return false;
    window_->commitEditing();
    auto row = std::make_shared<TSMatchedChunk>();
    parent->insertChild(row, parent->indexOfChild(chunk.get()) + 1);
    changed(row.get(), index.column());
    editCell(row.get(), index.column() == TSOutlineModel::EnglishColumn ? int(TSOutlineModel::EnglishColumn)
                                                                       : int(TSOutlineModel::LatinColumn));
    return true;
}

bool TSRowCommands::deleteRow(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    if (!chunk || !text || !chunk->parent()) return false;
    window_->commitEditing();
    TSMatchedChunk* line = lineAt(index);
    auto empty = [](const ts::AttributedStringPtr& t) { return !t || t->length() == 0; };
    // A row without text loses nothing: it goes without a question.
    if (line && empty(line->latin()) && empty(line->english()) && empty(line->perseusEnglish())) {
        text->deleteChunk(chunk);
        changed();
        return true;
    }
    ts::AlertRequest request;
    request.messageText = nr("DELETE_ROW");
    const auto latin = line ? line->latin() : nullptr;
    const QString shown = latin && !latin->string().isEmpty() ? latin->string() : chunk->name();
    request.informativeText = nr("REALLY_DELETE_ROW").replace(QStringLiteral("%@"), shown.left(80));
    request.buttons = {nr("CANCEL_DONT_DELETE"), nr("Delete")};
    if (ts::Prompter::current()->alert(request) != 1) return false;
    text->deleteChunk(chunk);
    changed();
    return true;
}

bool TSRowCommands::mergeUp(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    TSChunkPtr above = chunk ? TSText::chunkAbove(chunk) : nullptr;
    if (!above || !text) return false;
    const QString key = identifierOf(index);
    auto plain = [&](const TSChunkPtr& c) {
        auto t = c->textForKey(key);
        return t ? t->string() : QString();
    };
    ts::AlertRequest request;
    request.messageText = nr("MERGE_ROW");
    QString info = nr("REALLY_MERGE_ROW");
    if (!plain(chunk).isEmpty()) {
        info.replace(info.indexOf(QStringLiteral("%@")), 2, plain(chunk).left(60));
        const qsizetype second = info.indexOf(QStringLiteral("%@"));
        if (second >= 0) info.replace(second, 2, plain(above).left(60));
    }
    request.informativeText = info;
    request.buttons = {nr("CANCEL_DONT_DELETE"), nr("MERGE")};
    if (ts::Prompter::current()->alert(request) != 1) return false;
    window_->commitEditing();
    text->mergeChunk(chunk, above);
    changed(above.get(), index.column());
    return true;
}

bool TSRowCommands::promoteRow(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    if (!chunk || !text || !chunk->parent() || !chunk->parent()->parent()) return false;
    window_->commitEditing();
    text->promoteRow(chunk);
    changed(chunk.get(), index.column());
    return true;
}

bool TSRowCommands::demoteRow(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    if (!chunk || !text || !TSText::chunkAbove(chunk)) return false;
    window_->commitEditing();
    text->demoteRow(chunk);
    changed(chunk.get(), index.column());
    return true;
}

bool TSRowCommands::pasteFormatted(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    if (!chunk || !text) return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return false;
    ts::AttributedString pasted;
    if (data->hasHtml()) {
        QTextDocument doc;
        doc.setHtml(data->html());
        pasted = RichTextConversion::fromTextDocument(doc);
    } else if (data->hasText()) {
        pasted = ts::AttributedString(data->text());
    } else {
        return false;
    }
    if (pasted.string().isEmpty()) return false;
    window_->commitEditing();
    // Asks first when rows with text would be replaced.
    if (!text->pasteAttributedString(pasted, chunk, identifierOf(index))) return false;
    changed();
    return true;
}

bool TSRowCommands::pushEnglishToEnd(const QModelIndex& index) {
    TSChunkPtr section = chunkPtr(index);
    if (!section || !section->isHeader()) return false;
    ts::AlertRequest request;
    request.messageText = nr("REALLY_PUT_ENGLISH_AT_END");
    request.buttons = {nr("CANCEL_DONT_DELETE"), nr("CONSOLIDATE")};
    if (ts::Prompter::current()->alert(request) != 1) return false;
    window_->commitEditing();
    ts::AttributedString gathered;
    TSMatchedChunk* last = nullptr;
    for (qint64 i = 0, n = section->numChildren(); i < n; ++i) {
        auto* child = dynamic_cast<TSMatchedChunk*>(section->childAt(i).get());
        if (!child) continue;
        last = child;
        const ts::AttributedStringPtr english = child->perseusEnglish();
        if (!english) continue;
        gathered.append(*english);
        gathered.append(QStringLiteral("\r"), english->length() ? english->attributes(english->length() - 1) : ts::Attributes{});
        child->setPerseusEnglish(nullptr);
    }
    // No imported translation under the section: nothing was changed.
    if (gathered.length() == 0 || !last) return true;
    last->setPerseusEnglish(std::make_shared<ts::AttributedString>(gathered));
    changed(section.get(), index.column());
    return true;
}

bool TSRowCommands::makeBaseFont() {
    if (!window_) return false;
    QTextEdit* editor = window_->openEditor();
    if (!editor || editor->textCursor().selectedText().trimmed().isEmpty()) return false;
    // The format of the selection's first character, not of the one before it.
    QTextCursor first(editor->document());
    first.setPosition(editor->textCursor().selectionStart() + 1);
    ts::Attributes attributes = RichTextConversion::attributesFromFormat(first.charFormat());
    attributes[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::textColor());
    attributes.erase(ts::AttributeName::BackgroundColor);
    // New text is no link, whatever the selection was.
    attributes.erase(ts::AttributeName::Link);
    window_->document()->setBaseFontAttributes(std::move(attributes));
    window_->document()->updateChangeCount(ts::Document::ChangeDone);
    return true;
}

void TSRowCommands::setMacronizer(std::unique_ptr<Macronizer> macronizer) {
    if (macronizer) macronizer_ = std::move(macronizer);
}

void TSRowCommands::macronize(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSTextPtr text = window_ ? window_->document()->text() : nullptr;
    if (!chunk || !text) return;
    window_->commitEditing();
    // The rows' Latin goes as one text, a line each, and comes back the same way.
    const std::vector<ts::AttributedStringPtr> latin = text->extractLatin(chunk);
    QStringList lines;
    for (const auto& t : latin) lines << (t ? QString(t->string()).replace(QLatin1Char('\n'), QLatin1Char(' ')) : QString());
    const QString sent = lines.join(QLatin1Char('\n'));
    // The answer holds the row weakly: a row deleted meanwhile is left alone.
    std::weak_ptr<TSChunk> row = chunk;
    QPointer<TSDocumentWindow> window = window_;
    macronizer_->macronize(sent, [window, row, lines](const MacronizerResult& result) {
        TSChunkPtr target = row.lock();
        if (!window || !target || result.cancelled) return;
        if (!result.ok || !result.text) {
            ts::AlertRequest alert;
            alert.messageText = tr("The vowel lengths could not be marked.");
            alert.informativeText = result.message;
            alert.buttons = {tr("OK")};
            ts::Prompter::current()->alert(alert);
            return;
        }
        TSTextPtr text = window->document()->text();
        if (!text || !target->parent()) return;
        std::vector<ts::AttributedStringPtr> marked;
        const QString whole = result.text->string();
        qsizetype from = 0;
        for (int i = 0; i < lines.size(); ++i) {
            qsizetype to = whole.indexOf(QLatin1Char('\n'), from);
            if (to < 0) to = whole.size();
            marked.push_back(std::make_shared<ts::AttributedString>(result.text->attributedSubstring(ts::TextRange{from, to - from})));
            from = to + 1;
        }
        text->loadMacronizedText(marked, target);
        window->reloadKeepingPlace();
        window->document()->updateChangeCount(ts::Document::ChangeDone);
    });
}

void TSRowCommands::coverText(const QModelIndex& index, bool cover) {
    if (TSMatchedChunk* line = lineAt(index)) {
        window_->commitEditing();
        line->coverText(cover);
        changed(line, index.column());
    }
}

void TSRowCommands::uncoverOne(const QModelIndex& index) {
    if (TSMatchedChunk* line = lineAt(index)) {
        window_->commitEditing();
        line->uncoverOne();
        changed(line, index.column());
    }
}

// Copies leave the window with their footnotes written out after the text.
void TSRowCommands::copyText(const QModelIndex& index, bool latin) {
    if (TSMatchedChunk* line = lineAt(index))
        if (auto t = line->copyText(latin))
            TSChunk::writeToPasteBoard(ts::Value(std::make_shared<ts::AttributedString>(window_->document()->resolveFootnotes(*t))));
}

void TSRowCommands::copyInterlinear(const QModelIndex& index) {
    if (TSMatchedChunk* line = lineAt(index))
        if (auto t = line->copyInterlinear())
            TSChunk::writeToPasteBoard(ts::Value(std::make_shared<ts::AttributedString>(window_->document()->resolveFootnotes(*t))));
}

QString TSRowCommands::linkAt(const QPoint& viewportPoint, QModelIndex* cellOut) const {
    if (!window_) return {};
    const QModelIndex cell = window_->outlineView()->indexAt(viewportPoint);
    auto* delegate = qobject_cast<TSRichTextDelegate*>(window_->outlineView()->itemDelegate());
    const ts::AttributedStringPtr text = delegate && cell.isValid() ? delegate->cellText(cell) : nullptr;
    if (!text) return {};
    QTextDocument doc;
    RichTextConversion::toTextDocument(*text, doc);
    doc.setDocumentMargin(TSRichTextDelegate::kTextMargin);
    doc.setTextWidth(delegate->cellWidth(cell));
    const int at = doc.documentLayout()->hitTest(viewportPoint - window_->outlineView()->visualRect(cell).topLeft(),
                                                  Qt::ExactHit);
    if (cellOut) *cellOut = cell;
    return at >= 0 && at < text->length() ? linkString(text->attribute(ts::AttributeName::Link, at)) : QString();
}

bool TSRowCommands::selectNextRow(const QModelIndex& index, bool extend) {
    TSChunkPtr chunk = chunkPtr(index);
    TSChunkPtr parent = chunk ? chunk->parent() : nullptr;
    if (!parent) return false;
    window_->commitEditing();
    const qint64 at = parent->indexOfChild(chunk.get());
    if (extend && at == parent->numChildren() - 1) {
        parent->addChild(std::make_shared<TSMatchedChunk>());
        changed();
    }
    TSChunkPtr next = parent->childAt(at + 1);
    if (!next) return false;
    editCell(next.get(), index.column() == TSOutlineModel::LatinColumn ? int(TSOutlineModel::LatinColumn)
                                                                       : int(TSOutlineModel::EnglishColumn));
    return true;
}

bool TSRowCommands::selectPrevRow(const QModelIndex& index) {
    TSChunkPtr chunk = chunkPtr(index);
    TSChunkPtr parent = chunk ? chunk->parent() : nullptr;
    if (!parent) return false;
    const qint64 at = parent->indexOfChild(chunk.get());
    if (at <= 0) return false;
    window_->commitEditing();
    editCell(parent->childAt(at - 1).get(), index.column() == TSOutlineModel::LatinColumn ? int(TSOutlineModel::LatinColumn)
                                                                                          : int(TSOutlineModel::EnglishColumn));
    return true;
}

bool TSRowCommands::switchColumns(const QModelIndex& index) {
    TSChunk* chunk = window_ ? window_->model()->chunkForIndex(index) : nullptr;
    if (!chunk) return false;
    window_->commitEditing();
    editCell(chunk, index.column() == TSOutlineModel::LatinColumn ? int(TSOutlineModel::EnglishColumn)
                                                                  : int(TSOutlineModel::LatinColumn));
    return true;
}

void TSRowCommands::lookupWord(const QString& word, bool latin) {
    DictionaryWindowController* d = DictionaryWindowController::showDictionaryWindow();
    d->setCurrentWordList(window_ ? window_->document()->vocabList() : nullptr);
    if (word.isNull()) return;
    if (latin) d->translateLatinString(word);
    else d->translateEnglishString(word);
}

// ---- Vocabulary ----

void TSRowCommands::showVocabularyWindow() {
    if (!window_) return;
    VocabularyWindowController* v = VocabularyWindowController::showVocabularyWindow();
    v->setVocabList(window_->document()->vocabList());
    v->setCallingDocument(window_->document().get());
}

void TSRowCommands::setupVocabularyWindow(const QString& link) {
    if (link.isNull()) return;
    showVocabularyWindow();
    VocabularyWindowController::getVocabularyWindow()->setCurrentWordFromID(link);
}

void TSRowCommands::openRevisionWindow() {
    if (!window_) return;
    WordControllerPtr list = window_->document()->vocabList();
    if (!list || list->count() < 1) return;
    RevisionWindowController* r = RevisionWindowController::showRevisionWindow();
    r->setVocabList(list);
}

bool TSRowCommands::addToVocab() {
    if (!window_) return false;
    QTextEdit* editor = window_->openEditor();
    const QModelIndex index = window_->outlineView()->currentIndex();
    if (!editor || index.column() != TSOutlineModel::LatinColumn) {
        TSLogError("%@ is not a TSDocTextField", editor ? QString::fromLatin1(editor->metaObject()->className()) : QStringLiteral("nil"));
        return false;
    }
    QTextCursor cursor = editor->textCursor();
    if (!cursor.hasSelection()) {
        int start = 0;
        const QString word = wordAtPosition(editor->toPlainText(), cursor.position(), &start);
        if (word.isEmpty()) return false;
        cursor.setPosition(start);
        cursor.setPosition(start + int(word.size()), QTextCursor::KeepAnchor);
    }
    const QString selected = cursor.selectedText().trimmed();
    if (selected.isEmpty()) return false;
    WordControllerPtr list = window_->document()->vocabList();
    WordPtr word = list->makeNewWord(selected);
    if (!word) return false;
    // The selection takes the vocabulary link's look.
    ts::Attributes attributes;
    attributes[ts::AttributeName::Link] = ts::Value(std::static_pointer_cast<ts::Object>(ts::Url::make(word->uniqueID())));
    const ts::Attributes current = RichTextConversion::attributesFromFormat(cursor.charFormat());
    Preferences::addLinkAttributes(attributes, Preferences::VocabularyLink, &current);
    QTextCharFormat format = cursor.charFormat();
    format.merge(RichTextConversion::charFormat(attributes));
    cursor.mergeCharFormat(format);
    window_->commitEditing();
    window_->document()->updateChangeCount(ts::Document::ChangeDone);
    lookupWord(selected, true);
    DictionaryWindowController::getDictionaryWindow()->setCurrentVocab(word, list);
    setupVocabularyWindow(word->uniqueID());
    return true;
}

QString TSRowCommands::tooltipForLink(const QString& link) const {
    const QStringList parts = link.split(QLatin1Char(':'));
    if (parts.size() != 2 || !window_) return link;
    if (parts[0] == QLatin1String("footnote")) {
        if (auto note = window_->document()->footnotes()->noteForID(link)) return note->description();
        return link;
    }
    if (parts[0] == QLatin1String("vocab")) {
        if (WordControllerPtr list = window_->document()->vocabListIfAny())
            if (WordPtr w = list->vocabForID(link)) return w->getToolTipString();
        return link;
    }
    return link;
}

// ---- Words ----

QString TSRowCommands::wordAtPosition(const QString& text, int position, int* start) {
    for (const ts::SpellingHighlighter::Word& w : ts::SpellingHighlighter::words(text)) {
        if (w.start > position) break;
        if (w.start + w.length == position) break;  // just after a word
        if (position >= w.start && position < w.start + w.length) {
            if (start) *start = w.start;
            return text.mid(w.start, w.length);
        }
    }
    return {};
}

QString TSRowCommands::stringValuesForNumber(qint64 number) {
    const QString cardinal = RomanNumerals::cardinalForNumber(number);
    const QString ordinal = RomanNumerals::ordinalForNumber(number);
    if (cardinal.isNull()) return RomanNumerals::latinNumeralString(number);
    if (!ordinal.isNull()) return cardinal + QStringLiteral(" / ") + ordinal;
    return cardinal;
}

QString TSRowCommands::wordAt(const QPoint& point, QModelIndex* cellOut) const {
    if (!window_) return {};
    TSOutlineView* view = window_->outlineView();
    const QModelIndex cell = view->indexAt(point);
    if (cellOut) *cellOut = cell;
    if (!cell.isValid() || cell.column() == TSOutlineModel::LocationColumn) return {};
    auto* delegate = qobject_cast<TSRichTextDelegate*>(view->itemDelegate());
    const ts::AttributedStringPtr text = delegate ? delegate->cellText(cell) : nullptr;
    if (!text) return {};
    // The cell's text laid out as it is drawn, to find the letter under the point.
    QTextDocument doc;
    RichTextConversion::toTextDocument(*text, doc);
    doc.setDocumentMargin(TSRichTextDelegate::kTextMargin);
    doc.setTextWidth(delegate->cellWidth(cell));
    const QRect rect = view->visualRect(cell);
    const int position = doc.documentLayout()->hitTest(point - rect.topLeft(), Qt::ExactHit);
    if (position < 0) return {};
    return wordAtPosition(text->string(), position);
}

// ---- Menus ----

QMenu* TSRowCommands::rowMenu(const QModelIndex& index) {
    auto* menu = new QMenu(window_);
    TSMatchedChunk* line = lineAt(index);
    const bool latinCell = index.column() == TSOutlineModel::LatinColumn || (line && line->isHeader());
    QAction* cover = menu->addAction(nr("COVER_TEXT"), this, [this, index] { coverText(index, true); });
    QAction* uncover = menu->addAction(nr("UNCOVER_TEXT"), this, [this, index] { coverText(index, false); });
    QAction* one = menu->addAction(tr("Uncover One Word"), this, [this, index] { uncoverOne(index); });
    for (QAction* a : {cover, uncover, one}) a->setEnabled(latinCell && line);
    menu->addSeparator();
    menu->addAction(nr("COPY_LATIN"), this, [this, index] { copyText(index, true); });
    menu->addAction(nr("COPY_ENGLISH"), this, [this, index] { copyText(index, false); });
    menu->addAction(nr("COPY_INTERLINEAR"), this, [this, index] { copyInterlinear(index); });
    menu->addSeparator();
    menu->addAction(nr("MACRONIZE"), this, [this, index] { macronize(index); });
    menu->addSeparator();
    menu->addAction(nr("ADD_ROW_ABOVE"), this, [this, index] { addRowAbove(index); });
    menu->addAction(nr("MERGE_WITH_ABOVE"), this, [this, index] { mergeUp(index); });
    menu->addAction(nr("ADD_ROW_BELOW"), this, [this, index] { addRowBelow(index); });
    // Not the question's key: rewording the question must leave the item alone.
    menu->addAction(nr("DELETE_ROW_COMMAND"), this, [this, index] { deleteRow(index); });
    menu->addSeparator();
    menu->addAction(nr("PROMOTE_ROW"), this, [this, index] { promoteRow(index); });
    menu->addAction(nr("DEMOTE_ROW"), this, [this, index] { demoteRow(index); });
    menu->addSeparator();
    QAction* paste = menu->addAction(nr("PASTE_FORMATTED"), this, [this, index] { pasteFormatted(index); });
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    paste->setEnabled(clip && (clip->hasText() || clip->hasHtml()));
    if (TSChunk* row = window_->model()->chunkForIndex(index); row && row->isHeader()) {
        menu->addSeparator();
        menu->addAction(nr("PUT_ENGLISH_AT_END"), this, [this, index] { pushEnglishToEnd(index); });
    }
    qint64 latinWords = line ? line->wordCount() : 0;
    qint64 englishWords = line ? line->englishWordCount() : 0;
    // Text still in the row's open editor counts in place of what is stored.
    const QTextEdit* editor = window_->openEditor();
    const QModelIndex edited = window_->outlineView()->currentIndex();
    if (line && editor && lineAt(edited) == line) {
        auto plain = [](const ts::AttributedStringPtr& t) { return t ? t->string() : QString(); };
        const qint64 typed = TSTextHelpers::countWords(editor->toPlainText());
        if (edited.column() == TSOutlineModel::LatinColumn)
            latinWords += typed - TSTextHelpers::countWords(plain(line->latin()));
        else if (edited.column() == TSOutlineModel::EnglishColumn && identifierOf(edited) == QLatin1String("english"))
            englishWords += typed - TSTextHelpers::countWords(plain(line->english()));
    }
    if (line && latinWords >= 1) {
        menu->addSeparator();
        QString count = nr("NUM_WORDS");
        count.replace(QStringLiteral("%li"), QString::number(latinWords));
        QAction* words = menu->addAction(count + QStringLiteral(" / %1").arg(englishWords));
        words->setEnabled(false);
    }
    return menu;
}

QMenu* TSRowCommands::editorMenu(QTextEdit* editor, const QModelIndex& index, int position) {
    auto* menu = new QMenu(editor);
    if (auto* spelling = editor->findChild<ts::SpellingHighlighter*>()) spelling->addSuggestions(menu, position);
    QTextCursor cursor = editor->textCursor();
    int start = 0;
    QString word;
    if (cursor.hasSelection()) {
        word = cursor.selectedText().trimmed();
        start = cursor.selectionStart();
    } else {
        word = wordAtPosition(editor->toPlainText(), position, &start);
    }
    QPointer<QTextEdit> guard = editor;
    menu->addAction(nr("REMOVE_COLOR"), this, [guard] {
        if (!guard) return;
        QTextCursor c = guard->textCursor();
        if (!c.hasSelection()) c.select(QTextCursor::WordUnderCursor);
        QTextCharFormat f;
        f.setBackground(Qt::NoBrush);
        f.clearProperty(QTextFormat::BackgroundBrush);
        QTextCharFormat current = c.charFormat();
        current.clearProperty(QTextFormat::BackgroundBrush);
        c.setCharFormat(current);
    });
    const bool latin = index.column() == TSOutlineModel::LatinColumn;
    if (!word.isEmpty()) {
        menu->addAction(nr("SEARCH_IN_DICTIONARY").replace(QStringLiteral("%@"), word), this,
                        [this, word, latin] { lookupWord(word, latin); });
        qint64 value = 0;
        if (RomanNumerals::isRomanNumeral(word, &value)) {
            QAction* number = menu->addAction(stringValuesForNumber(value));
            number->setEnabled(false);
        }
        if (latin) {
            const std::optional<QStringList> variants = TSWordFormDictionary::sharedMacronizedFormsForString(word);
            if (variants && !variants->isEmpty()) {
                QMenu* sub = menu->addMenu(nr("MACRONIZE"));
                const int length = int(word.size());
                for (const QString& v : *variants)
                    sub->addAction(v, this, [guard, start, length, v] {
                        if (!guard) return;
                        // The variant takes the word's place and its look.
                        QTextCursor c(guard->document());
                        c.setPosition(start);
                        c.setPosition(start + length, QTextCursor::KeepAnchor);
                        const QTextCharFormat f = c.charFormat();
                        c.insertText(v, f);
                    });
            }
            menu->addAction(tr("Add to Vocabulary"), this, [this] { addToVocab(); });
        }
    }
    menu->addSeparator();
    QMenu* row = rowMenu(index);
    for (QAction* a : row->actions()) {
        a->setParent(menu);
        menu->addAction(a);
    }
    delete row;
    menu->addSeparator();
    QMenu* standard = editor->createStandardContextMenu();
    for (QAction* a : standard->actions()) {
        a->setParent(menu);
        menu->addAction(a);
    }
    delete standard;
    return menu;
}

// ---- Events ----

void TSRowCommands::watchEditor(QTextEdit* editor) {
    if (!editor || editor->property("tsRowCommands").toBool()) return;
    editor->setProperty("tsRowCommands", true);
    // The row's menu (editorMenu) carries the guesses itself.
    if (auto* spelling = editor->findChild<ts::SpellingHighlighter*>()) spelling->setShowsEditorMenu(false);
    editor->viewport()->installEventFilter(this);
    editor->installEventFilter(this);
}

bool TSRowCommands::eventFilter(QObject* watched, QEvent* event) {
    if (!window_) return false;
    QWidget* viewport = window_->outlineView()->viewport();
    if (watched == viewport) {
        switch (event->type()) {
        case QEvent::ChildAdded: {
            auto* child = static_cast<QChildEvent*>(event)->child();
            QPointer<QObject> guard = child;
            QTimer::singleShot(0, this, [this, guard] {
                if (auto* editor = qobject_cast<QTextEdit*>(guard.data())) watchEditor(editor);
            });
            break;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // Alt+click looks a word up; a plain click never does.
            if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::AltModifier)) {
                QModelIndex cell;
                const QString word = wordAt(mouse->position().toPoint(), &cell);
                if (!word.isEmpty()) {
                    lookupWord(word, cell.column() == TSOutlineModel::LatinColumn);
                    return true;
                }
            }
            // A plain click on a footnote marker opens its note; on a word
            // linked to the vocabulary it shows the word.
            if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier) {
                QModelIndex cell;
                const QString link = linkAt(mouse->position().toPoint(), &cell);
                if (isDocumentLink(link) && window_->linkClicked(link, cell)) return true;
            }
            break;
        }
        case QEvent::ContextMenu: {
            auto* e = static_cast<QContextMenuEvent*>(event);
            const QModelIndex cell = window_->outlineView()->indexAt(e->pos());
            if (!cell.isValid() || cell.column() == TSOutlineModel::LocationColumn) break;
            window_->outlineView()->setCurrentIndex(cell);
            QMenu* menu = rowMenu(cell);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(e->globalPos());
            return true;
        }
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString link = linkAt(help->pos());
            if (link.isEmpty()) break;
            QToolTip::showText(help->globalPos(), RichTextConversion::displayLines(tooltipForLink(link)), viewport);
            return true;
        }
        default:
            break;
        }
        return false;
    }
    // An open cell editor.
    auto* editorViewport = qobject_cast<QWidget*>(watched);
    auto* editor = editorViewport ? qobject_cast<QTextEdit*>(editorViewport->parentWidget()) : nullptr;
    if (editor && event->type() == QEvent::ContextMenu) {
        auto* e = static_cast<QContextMenuEvent*>(event);
        const int position = editor->cursorForPosition(e->pos()).position();
        if (!editor->textCursor().hasSelection()) editor->setTextCursor(editor->cursorForPosition(e->pos()));
        QMenu* menu = editorMenu(editor, window_->outlineView()->currentIndex(), position);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(e->globalPos());
        return true;
    }
    if (editor && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // Links work in the open editor as they do in the cell.
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier) {
            const QString link = editor->anchorAt(mouse->position().toPoint());
            if (isDocumentLink(link) && window_->linkClicked(link, window_->outlineView()->currentIndex())) return true;
        }
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::AltModifier)) {
            const QString word = wordAtPosition(editor->toPlainText(), editor->cursorForPosition(mouse->position().toPoint()).position());
            if (!word.isEmpty()) {
                lookupWord(word, window_->outlineView()->currentIndex().column() == TSOutlineModel::LatinColumn);
                return true;
            }
        }
    }
    if (auto* keyEditor = qobject_cast<QTextEdit*>(watched); keyEditor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = window_->outlineView()->currentIndex();
        const bool alt = key->modifiers() & Qt::AltModifier;
        // Alt+Return: the next row, made after the last one of a section.
        if (alt && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) return selectNextRow(current, true), true;
        if (alt && key->key() == Qt::Key_Down) return selectNextRow(current, false), true;
        if (alt && key->key() == Qt::Key_Up) return selectPrevRow(current), true;
        // Alt+Left and Alt+Right move the row out and in a level; Shift+Home
        // and Shift+End keep selecting to the line's ends.
        if (key->modifiers() == Qt::AltModifier && key->key() == Qt::Key_Left) return promoteRow(current), true;
        if (key->modifiers() == Qt::AltModifier && key->key() == Qt::Key_Right) return demoteRow(current), true;
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) return switchColumns(current), true;
    }
    return false;
}
