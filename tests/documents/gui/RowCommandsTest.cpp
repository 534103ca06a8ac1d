// The rows' commands in a document window: the row menu, adding, deleting
// with a question, merging, promoting and demoting rows, moving the editor
// between rows, several lines pasted into rows, link tool tips, Alt+click
// look-up, and a word of an open editor added to the vocabulary and linked.

#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRowCommands.h"
#include "documents/gui/TSRichTextDelegate.h"
#include "documents/gui/FootnoteWindows.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "documents/gui/VocabularyWindowController.h"

#include "app/core/DictionaryServicesSetup.h"
#include "app/core/TSBundle.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/TSDictionary.h"
#include "support/Python.h"
#include "tools/gui/DictionaryEntryModel.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Prompter.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Url.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "tools/gui/DictionaryWindowController.h"

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>
#include <QTimer>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <mutex>

namespace {

template <class T> ts::Value object(std::shared_ptr<T> o) { return ts::Value(std::static_pointer_cast<ts::Object>(std::move(o))); }

std::shared_ptr<TSMatchedChunk> line(const QString& latin, const QString& english = {}) {
    auto l = std::make_shared<TSMatchedChunk>();
    l->setLatin(ts::AttributedString::make(latin));
    if (!english.isNull()) l->setEnglish(ts::AttributedString::make(english));
    return l;
}

struct Fixture : ::testing::Test {
    TSDocumentPtr doc;
    std::shared_ptr<TSMatchedChunk> section, a, b, c;
    std::unique_ptr<TSDocumentWindow> window;
    std::shared_ptr<ts::ScriptedPrompter> prompter = std::make_shared<ts::ScriptedPrompter>();
    std::unique_ptr<ts::Prompter::Scope> scope;
    void SetUp() override {
        scope = std::make_unique<ts::Prompter::Scope>(prompter);
        auto text = std::make_shared<TSText>();
        section = line(QStringLiteral("Liber I"));
        text->addChild(section);
        a = line(QStringLiteral("arma virumque cano"), QStringLiteral("arms and the man"));
        b = line(QStringLiteral("Troiae qui primus"), QStringLiteral("who first from Troy"));
        c = line(QStringLiteral("ab oris Italiam"), QStringLiteral("to Italy"));
        for (auto& l : {a, b, c}) section->addChild(l);
        doc = std::make_shared<TSDocument>();
        doc->setText(text);
        window = std::make_unique<TSDocumentWindow>(doc);
        window->resize(900, 500);
        window->show();
        settle();
    }
    QModelIndex at(const TSChunk* chunk, int column = TSOutlineModel::LatinColumn) {
        return window->model()->indexForChunk(chunk, column);
    }
    QTextEdit* openEditor(const TSChunk* chunk) {
        window->outlineView()->setCurrentIndex(at(chunk));
        window->outlineView()->edit(at(chunk));
        settle();
        return qobject_cast<TSRichTextDelegate*>(window->outlineView()->itemDelegate())->editor();
    }
    QStringList latins() {
        QStringList out;
        for (const auto& ch : section->childNodes())
            if (auto l = std::dynamic_pointer_cast<TSMatchedChunk>(ch)) out << (l->latin() ? l->latin()->string() : QString());
        return out;
    }
};

}  // namespace

TEST_F(Fixture, RowMenuOffersTheRowsCommands) {
    std::unique_ptr<QMenu> latin(window->rowCommands()->rowMenu(at(b.get())));
    QStringList titles;
    for (QAction* x : latin->actions())
        if (!x->isSeparator()) titles << x->text();
    for (const char* t : {"Cover Text", "Copy Latin", "Copy Interlinear", "Mark Vowel Lengths", "Add Row Above",
                          "Merge With Row Above", "Add Row Below", "Delete this row…", "Promote Row", "Demote Row"})
        EXPECT_TRUE(titles.contains(QString::fromUtf8(t))) << t;
    EXPECT_TRUE(titles.last().startsWith(QStringLiteral("3 words / 4")));
    // Covering is for the Latin: disabled in a line's English cell.
    std::unique_ptr<QMenu> english(window->rowCommands()->rowMenu(at(b.get(), TSOutlineModel::EnglishColumn)));
    EXPECT_FALSE(english->actions().first()->isEnabled());
    EXPECT_TRUE(latin->actions().first()->isEnabled());
}

// The row menu's delete item was the deletion question's text with "…" for
// "?": rewording the question reworded the menu.
TEST_F(Fixture, RowMenuKeepsItsDeleteItemWhenTheQuestionIsReworded) {
    ts::Prompter::setLocalizer([](const QString& key, const QString& table) {
        if (key == QLatin1String("DELETE_ROW")) return QStringLiteral("Throw this row away?");
        return TSBundle::localizedString(key, {}, table);
    });
    std::unique_ptr<QMenu> reworded(window->rowCommands()->rowMenu(at(b.get())));
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(window->rowCommands()->deleteRow(at(b.get())));
    TSBundle::installLocalizer();
    EXPECT_EQ(prompter->alerts().back().messageText, QStringLiteral("Throw this row away?"));
    QStringList titles;
    for (QAction* x : reworded->actions()) titles << x->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("Delete this row…"))) << titles.join(',').toStdString();
    EXPECT_FALSE(titles.join(',').contains(QLatin1String("Throw"))) << titles.join(',').toStdString();
}

TEST_F(Fixture, AddDeleteMergeAndMoveRows) {
    TSRowCommands* rows = window->rowCommands();
    ASSERT_TRUE(rows->addRowBelow(at(a.get())));
    EXPECT_EQ(latins(), (QStringList{"arma virumque cano", "", "Troiae qui primus", "ab oris Italiam"}));
    EXPECT_TRUE(doc->isDocumentEdited());
    settle();
    window->commitEditing();
    // Deleting a row with text asks; Cancel keeps the row. An empty row
    // goes at once.
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(rows->deleteRow(at(a.get())));
    EXPECT_EQ(section->numChildren(), 4);
    const size_t asked = prompter->alerts().size();
    EXPECT_TRUE(rows->deleteRow(at(section->childAt(1).get())));
    EXPECT_EQ(prompter->alerts().size(), asked);
    EXPECT_EQ(section->numChildren(), 3);
    // Merging asks too, naming both texts.
    prompter->queueAlertAnswer(1);
    EXPECT_TRUE(rows->mergeUp(at(b.get())));
    EXPECT_TRUE(prompter->alerts().back().informativeText.contains(QStringLiteral("Troiae qui primus")));
    EXPECT_EQ(section->numChildren(), 2);
    EXPECT_TRUE(latins().first().contains(QStringLiteral("Troiae")));
    // Demote under the row above, promote back.
    EXPECT_TRUE(rows->demoteRow(at(c.get())));
    EXPECT_EQ(section->numChildren(), 1);
    EXPECT_TRUE(rows->promoteRow(at(c.get())));
    EXPECT_EQ(section->numChildren(), 2);
    // Alt+Return on the last row of a section makes a new row and edits it;
    // moving down from the last row without it does nothing.
    EXPECT_FALSE(rows->selectNextRow(at(c.get()), false));
    EXPECT_TRUE(rows->selectNextRow(at(c.get()), true));
    EXPECT_EQ(section->numChildren(), 3);
}

TEST_F(Fixture, SeveralLinesPasteIntoRows) {
    TSRowCommands* rows = window->rowCommands();
    // Into an empty last row: no question, three rows.
    ASSERT_TRUE(rows->addRowBelow(at(c.get())));
    window->commitEditing();
    settle();
    QApplication::clipboard()->setText(QStringLiteral("fato profugus\nLaviniaque venit\nlitora multum"));
    const size_t asked = prompter->alerts().size();
    EXPECT_TRUE(rows->pasteFormatted(at(section->childAt(3).get())));
    EXPECT_EQ(prompter->alerts().size(), asked);
    EXPECT_EQ(latins().mid(3), (QStringList{"fato profugus", "Laviniaque venit", "litora multum"}));
    // Over rows with text it asks first, naming the row's Latin; Cancel pastes nothing.
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(rows->pasteFormatted(at(b.get())));
    EXPECT_TRUE(prompter->alerts().back().informativeText.contains(QStringLiteral("Troiae qui primus")));
    // The question speaks of the text the paste replaces, not of a word.
    EXPECT_EQ(prompter->alerts().back().messageText, QStringLiteral("Delete this text?"));
    EXPECT_EQ(section->numChildren(), 6);
}

TEST_F(Fixture, WordsNumbersAndLinkTips) {
    struct Case { const char* text; int position; const char* word; };
    for (const Case& k : {Case{"arma virumque cano", 7, "virumque"}, Case{"arma virumque cano", 4, ""},
                          Case{"arma virumque cano", 0, "arma"}, Case{"arma, cano", 4, ""}})
        EXPECT_EQ(TSRowCommands::wordAtPosition(QString::fromUtf8(k.text), k.position), QString::fromUtf8(k.word)) << k.text;
    EXPECT_EQ(TSRowCommands::stringValuesForNumber(4), QStringLiteral("quattuor / quārtus"));

    WordPtr w = doc->vocabList()->makeNewWord(QStringLiteral("arma armorum"));
    w->setMeaning(QStringLiteral("arms"));
    EXPECT_EQ(window->rowCommands()->tooltipForLink(w->uniqueID()), w->getToolTipString());
    EXPECT_EQ(window->rowCommands()->tooltipForLink(QStringLiteral("a:b:c")), QStringLiteral("a:b:c"));
}

namespace {

class Recording : public TSDictionary {
public:
    void translateToEnglish(const QString& q, int, int, TSDictionaryBlock block) override {
        {
            std::lock_guard<std::mutex> l(m);
            queries << q;
        }
        block(makeResult({}, q));
    }
    QStringList asked() {
        std::lock_guard<std::mutex> l(m);
        return queries;
    }
    std::mutex m;
    QStringList queries;
};

}  // namespace

TEST_F(Fixture, AltClickLooksUpAndAnEditorsWordJoinsTheVocabulary) {
    auto dict = std::make_shared<Recording>();
    DictionaryWindowController::setDictionaryProvider([dict](qint64, bool) { return dict; });
    // Alt+click on the first word of a Latin cell; a plain click looks nothing up.
    const QRect cell = window->outlineView()->visualRect(at(a.get()));
    const QPoint onArma = cell.topLeft() + QPoint(14, cell.height() / 2);
    QTest::mouseClick(window->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier, onArma);
    settle();
    EXPECT_FALSE(DictionaryWindowController::hasDictionaryWindow());
    QTest::mouseClick(window->outlineView()->viewport(), Qt::LeftButton, Qt::AltModifier, onArma);
    for (int i = 0; i < 50 && dict->asked().isEmpty(); ++i) settle();
    EXPECT_EQ(dict->asked(), QStringList{QStringLiteral("arma")});
    // With the real analyser, the window shows its raw answer and the entries.
    if (!DictionaryController::findAnalyserProgram(QString()).isEmpty()) {
        DictionaryWindowController::setDictionaryProvider(nullptr);
        DictionaryWindowController* d = DictionaryWindowController::getDictionaryWindow();
        QSignalSpy answered(d, &DictionaryWindowController::lookupFinished);
        QTest::mouseClick(window->outlineView()->viewport(), Qt::LeftButton, Qt::AltModifier, onArma);
        ASSERT_TRUE(answered.wait(30000));
        EXPECT_TRUE(d->englishTranslation->toPlainText().contains(QStringLiteral("armum, armi")));
        EXPECT_GT(d->modelForView(d->englishWordList)->rowCount(), 0);
        DictionaryController::terminateDictionary();
        DictionaryWindowController::setDictionaryProvider([dict](qint64, bool) { return dict; });
    }

    // A word selected in an open Latin editor becomes a linked vocabulary word.
    window->outlineView()->setCurrentIndex(at(b.get()));
    window->outlineView()->edit(at(b.get()));
    settle();
    auto* editor = window->outlineView()->viewport()->findChild<QTextEdit*>();
    ASSERT_TRUE(editor);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    ASSERT_TRUE(window->rowCommands()->addToVocab());
    window->commitEditing();
    settle();
    ASSERT_EQ(doc->vocabList()->count(), 1);
    const WordPtr word = doc->vocabList()->objectAtIndex(0);
    EXPECT_EQ(word->latin(), QStringLiteral("Troiae"));
    const ts::Value link = b->latin()->attribute(ts::AttributeName::Link, 2);
    const QString target = link.isString() ? link.toString()
                                           : (link.toObjectAs<ts::Url>() ? link.toObjectAs<ts::Url>()->absoluteString() : QString());
    EXPECT_EQ(target, word->uniqueID());
    EXPECT_TRUE(doc->isDocumentEdited());
    // The link's tip in the cell has the Latin and each meaning on a line.
    word->setMeaning(QStringLiteral("of Troy\rTrojan"));
    const QRect shown = window->outlineView()->visualRect(at(b.get()));
    const QPoint onTroiae = shown.topLeft() + QPoint(6, shown.height() / 2);
    QHelpEvent tip(QEvent::ToolTip, onTroiae, window->outlineView()->viewport()->mapToGlobal(onTroiae));
    QApplication::sendEvent(window->outlineView()->viewport(), &tip);
    ASSERT_TRUE(waitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_TRUE(QToolTip::text().endsWith(QStringLiteral("\nof Troy\nTrojan"))) << QToolTip::text().toStdString();
    QToolTip::hideText();
    // The vocabulary window lists it; saved and opened again, the link still
    // finds its word.
    EXPECT_EQ(VocabularyWindowController::getVocabularyWindow()->vocabList(), doc->vocabList());
    EXPECT_EQ(VocabularyWindowController::getVocabularyWindow()->wordList->model()->rowCount(), 1);
    QTemporaryDir dir;
    ts::DocumentError error;
    ASSERT_TRUE(doc->saveToURL(dir.filePath(QStringLiteral("aeneis.tsdx")), TSDocument::kTypeName, &error));
    auto reopened = std::make_shared<TSDocument>();
    ASSERT_TRUE(reopened->readFromURL(dir.filePath(QStringLiteral("aeneis.tsdx")), TSDocument::kTypeName, &error));
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(reopened->text()->childAt(0)->childAt(1));
    ASSERT_TRUE(line && line->latin());
    const ts::Value kept = line->latin()->attribute(ts::AttributeName::Link, 2);
    const QString keptTarget = kept.isString() ? kept.toString()
                                               : (kept.toObjectAs<ts::Url>() ? kept.toObjectAs<ts::Url>()->absoluteString() : QString());
    ASSERT_TRUE(reopened->vocabList()->vocabForID(keptTarget));
    EXPECT_EQ(reopened->vocabList()->vocabForID(keptTarget)->latin(), QStringLiteral("Troiae"));
    // Retyping and deleting words keep the saved vocabulary readable by an
    // independent reader, with the words it should hold.
    WordPtr extra = doc->vocabList()->makeNewWord(QStringLiteral("lupus lupi"));
    doc->vocabList()->changeWordType(1, word);
    doc->vocabList()->removeObject(extra);
    const QString saved = dir.filePath(QStringLiteral("retyped.tsdx"));
    ASSERT_TRUE(doc->saveToURL(saved, TSDocument::kTypeName, &error));
    const PythonRun py = runPython(QStringLiteral(
        "import plistlib,sys\n"
        "root=plistlib.load(open(sys.argv[1],'rb'))\n"
        "archive=plistlib.loads(root['Vocab List'])\n"
        "strings=[o for o in archive['$objects'] if isinstance(o,str)]\n"
        "print('Troiae' in strings, any('lupus' in o for o in strings), archive['$archiver'])\n"), {saved});
    if (py.started) {
        ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
        EXPECT_EQ(py.out.trimmed(), QStringLiteral("True False NSKeyedArchiver"));
    }
    // Closing the document lets the vocabulary window go of its list.
    window->close();
    EXPECT_FALSE(VocabularyWindowController::getVocabularyWindow()->vocabList());
    DictionaryWindowController::disposeDictionaryWindow();
    DictionaryWindowController::setDictionaryProvider(nullptr);
}

TEST_F(Fixture, ALookUpAloneLeavesADocumentWithoutVocabularyUnedited) {
    auto dict = std::make_shared<Recording>();
    DictionaryWindowController::setDictionaryProvider([dict](qint64, bool) { return dict; });
    ASSERT_FALSE(doc->vocabListIfAny());
    window->rowCommands()->lookupWord(QStringLiteral("arma"), true);
    ASSERT_TRUE(waitUntil([&] { return !dict->asked().isEmpty(); }));
    EXPECT_FALSE(doc->isDocumentEdited());
    // The dictionary window still adds to this document's own list, and a
    // word added there is an edit.
    ASSERT_TRUE(doc->vocabListIfAny());
    doc->vocabListIfAny()->makeNewWord(QStringLiteral("arma armorum"));
    doc->vocabListIfAny()->setDirtyFlag();
    EXPECT_TRUE(doc->isDocumentEdited());
    DictionaryWindowController::disposeDictionaryWindow();
    DictionaryWindowController::setDictionaryProvider(nullptr);
}

TEST_F(Fixture, RenumberKeepOpenRowsFindTheSelectionAndMagnify) {
    a->setLocation(ts::AttributedString::make(QStringLiteral("7")));
    ASSERT_TRUE(window->renumberFrom(at(a.get(), TSOutlineModel::LocationColumn)));
    EXPECT_EQ(b->location()->string(), QStringLiteral("8"));
    EXPECT_EQ(c->location()->string(), QStringLiteral("9"));
    EXPECT_TRUE(doc->isDocumentEdited());

    // The selection of an open editor goes to the find field (Ctrl+E).
    window->outlineView()->setCurrentIndex(at(b.get()));
    window->outlineView()->edit(at(b.get()));
    settle();
    auto* editor = window->outlineView()->viewport()->findChild<QTextEdit*>();
    ASSERT_TRUE(editor);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    window->useSelectionForFind();
    EXPECT_EQ(window->findField()->text(), QStringLiteral("Troiae"));
    window->commitEditing();

    // Magnifying scales the stored texts.
    const auto sizeOf = [](const ts::AttributedStringPtr& t) {
        auto font = t->attribute(ts::AttributeName::Font, 0).toObjectAs<ts::Font>();
        return font ? font->pointSize() : 0.0;
    };
    a->setLatin(ts::AttributedString::make(QStringLiteral("arma"),
        ts::Attributes{{ts::AttributeName::Font, ts::Value(std::static_pointer_cast<ts::Object>(ts::Font::make(QStringLiteral("Helvetica"), 12)))}}));
    // A pinch outwards makes every text a point larger.
    window->magnifyText(1.2);
    EXPECT_DOUBLE_EQ(sizeOf(a->latin()), 13.0);

    // Open rows come back for the same document in a new window.
    b->addChild(line(QStringLiteral("sub")));
    window->model()->reload();
    window->outlineView()->expandToDepth(0);
    // Expansion is kept on a row's first column.
    EXPECT_FALSE(window->outlineView()->isExpanded(at(b.get(), 0)));
    window->outlineView()->expand(at(b.get(), 0));
    window->saveOutlineState();
    TSDocumentWindow again(doc);
    settle();
    EXPECT_TRUE(again.outlineView()->isExpanded(again.model()->indexForChunk(b.get(), 0)));
    // Every section opens with the window, whether or not rows were kept open.
    for (int r = 0; r < again.model()->rowCount(); ++r)
        EXPECT_TRUE(again.outlineView()->isExpanded(again.model()->index(r, 0))) << r;
    EXPECT_GT(again.outlineView()->visualRect(again.model()->indexForChunk(a.get(), 1)).height(), 0);
}

// Only a section's row offers to gather its lines' imported translation at
// its end; the user confirms first.
TEST_F(Fixture, PutEnglishAtEndGathersTheSectionsImportedTranslation) {
    auto offers = [this](const TSChunk* row) {
        std::unique_ptr<QMenu> menu(window->rowCommands()->rowMenu(at(row)));
        for (QAction* x : menu->actions())
            if (x->text() == QStringLiteral("Put English at End")) return true;
        return false;
    };
    EXPECT_TRUE(offers(section.get()));
    EXPECT_FALSE(offers(a.get()));

    // Nothing imported: nothing changes, and the document is not edited.
    doc->updateChangeCount(ts::Document::ChangeCleared);
    prompter->queueAlertAnswer(1);
    ASSERT_TRUE(window->rowCommands()->pushEnglishToEnd(at(section.get())));
    EXPECT_FALSE(c->perseusEnglish());
    EXPECT_FALSE(doc->isDocumentEdited());
    a->setPerseusEnglish(ts::AttributedString::make(QStringLiteral("Arms I sing")));
    b->setPerseusEnglish(ts::AttributedString::make(QStringLiteral("and the man")));
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(window->rowCommands()->pushEnglishToEnd(at(section.get())));
    EXPECT_EQ(prompter->alerts().back().buttons.last(), QStringLiteral("Consolidate"));
    EXPECT_EQ(a->perseusEnglish()->string(), QStringLiteral("Arms I sing"));
    prompter->queueAlertAnswer(1);
    ASSERT_TRUE(window->rowCommands()->pushEnglishToEnd(at(section.get())));
    EXPECT_FALSE(a->perseusEnglish() || b->perseusEnglish());
    ASSERT_TRUE(c->perseusEnglish());
    EXPECT_EQ(c->perseusEnglish()->string(), QStringLiteral("Arms I sing\rand the man\r"));
}

// The look of the selection becomes the base font, without its colours; the
// command needs a selection.
TEST_F(Fixture, MakeBaseFontTakesTheSelectionsLookWithoutItsColours) {
    a->setLatin(std::make_shared<ts::AttributedString>(QStringLiteral("arma virumque cano"), ts::Attributes{
        {ts::AttributeName::Font, object(ts::Font::make(QStringLiteral("Times-Roman"), 14))},
        {ts::AttributeName::ForegroundColor, object(ts::Color::calibratedRgb(1, 0, 0))},
        {ts::AttributeName::BackgroundColor, object(ts::Color::calibratedRgb(1, 1, 0))}}));
    window->model()->reload();
    EXPECT_FALSE(window->validateCommand(QStringLiteral("makeBaseFont")));
    QTextEdit* editor = openEditor(a.get());
    ASSERT_TRUE(editor);
    EXPECT_FALSE(window->validateCommand(QStringLiteral("makeBaseFont")));
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(13, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    EXPECT_TRUE(window->validateCommand(QStringLiteral("makeBaseFont")));
    doc->updateChangeCount(ts::Document::ChangeCleared);
    window->makeBaseFont();
    const ts::ValueDictionary& base = doc->baseFontAttributes();
    ASSERT_TRUE(base.count(ts::AttributeName::Font) && base.count(ts::AttributeName::ForegroundColor));
    EXPECT_TRUE(base.at(ts::AttributeName::Font).toObjectAs<ts::Font>()->isEqual(*ts::Font::make(QStringLiteral("Times-Roman"), 14)));
    EXPECT_EQ(base.count(ts::AttributeName::BackgroundColor), 0u);
    EXPECT_TRUE(base.at(ts::AttributeName::ForegroundColor).toObjectAs<ts::Color>()->isEqual(*ts::Color::textColor()));
    EXPECT_TRUE(doc->isDocumentEdited());
    window->commitEditing();
}

// Alt+Right and Alt+Left move a row in and out a level from its editor;
// Shift+End still selects to the end of the line.
TEST_F(Fixture, PromoteAndDemoteKeysLeaveTheEditingKeysAlone) {
    QTextEdit* editor = openEditor(b.get());
    ASSERT_TRUE(editor);
    editor->moveCursor(QTextCursor::Start);
    QTest::keyClick(editor, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("Troiae qui primus"));
    EXPECT_EQ(b->parent().get(), section.get());
    QTest::keyClick(editor, Qt::Key_Right, Qt::AltModifier);
    settle();
    EXPECT_EQ(b->parent().get(), a.get());
    editor = openEditor(b.get());
    ASSERT_TRUE(editor);
    QTest::keyClick(editor, Qt::Key_Left, Qt::AltModifier);
    settle();
    EXPECT_EQ(b->parent().get(), section.get());
    EXPECT_EQ(latins(), (QStringList{"arma virumque cano", "Troiae qui primus", "ab oris Italiam"}));
}

// A section's location is measured at half its height again.
TEST_F(Fixture, ASectionRowGivesItsLocationHalfItsHeightAgain) {
    const ts::Attributes large{{ts::AttributeName::Font, object(ts::Font::make(QStringLiteral("Helvetica"), 30))}};
    section->setLatin(std::make_shared<ts::AttributedString>(QStringLiteral("Liber"), large));
    a->setLatin(std::make_shared<ts::AttributedString>(QStringLiteral("arma"), large));
    section->setLocation(ts::AttributedString::make(QStringLiteral("12")));
    a->setLocation(ts::AttributedString::make(QStringLiteral("12")));
    window->model()->reload();
    QAbstractItemDelegate* delegate = window->outlineView()->itemDelegate();
    QStyleOptionViewItem option;
    const int group = delegate->sizeHint(option, at(section.get(), TSOutlineModel::LocationColumn)).height();
    const int plain = delegate->sizeHint(option, at(a.get(), TSOutlineModel::LocationColumn)).height();
    ASSERT_GT(plain, TSRichTextDelegate::kMinimumRowHeight);
    EXPECT_EQ(group - 3, int(std::ceil((plain - 3) * 1.5)));  // less the padding under a row
}

// Find selects the match itself in its line's editor, then the next one in
// the same line before going on to the next line; backwards goes back.
TEST_F(Fixture, FindSelectsTheMatchedTextInTheLine) {
    auto* delegate = qobject_cast<TSRichTextDelegate*>(window->outlineView()->itemDelegate());
    auto where = [&] {
        QTextEdit* editor = delegate->editor();
        return std::make_pair(window->model()->chunkForIndex(window->outlineView()->currentIndex()),
                              editor ? editor->textCursor().selectionStart() : -1);
    };
    ASSERT_TRUE(window->findNext(QStringLiteral("A")));
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(a.get()), 0));
    EXPECT_EQ(delegate->editor()->textCursor().selectedText(), QStringLiteral("a"));
    ASSERT_TRUE(window->findNext(QStringLiteral("a")));
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(a.get()), 3));
    ASSERT_TRUE(window->findNext(QStringLiteral("a")));
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(a.get()), 15));
    ASSERT_TRUE(window->findNext(QStringLiteral("a")));
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(b.get()), 4));
    ASSERT_TRUE(window->findNext(QStringLiteral("a"), true));
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(a.get()), 15));
    // Return in the find field shows the match and leaves the field for typing.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->showFindBar();
    QTest::keyClicks(window->findField(), QStringLiteral("oris"));
    QTest::keyClick(window->findField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(where(), std::make_pair(static_cast<TSChunk*>(c.get()), 3));
    EXPECT_TRUE(window->findField()->hasFocus());
    // Nothing saved changed.
    window->commitEditing();
    EXPECT_FALSE(doc->isDocumentEdited());
}

// A click on a vocabulary word shows it in the vocabulary window; a click on
// a footnote marker in an open editor opens its note.
TEST_F(Fixture, LinksOpenFromCellsAndFromTheOpenEditor) {
    WordPtr word = doc->vocabList()->makeNewWord(QStringLiteral("arma armorum"));
    WordPtr other = doc->vocabList()->makeNewWord(QStringLiteral("vir viri"));
    ts::AttributedString latin(QStringLiteral("arma virumque cano"));
    latin.addAttribute(ts::AttributeName::Link, object(ts::Url::make(word->uniqueID())), {0, 4});
    a->setLatin(std::make_shared<ts::AttributedString>(latin));
    FootnoteObjectPtr note = doc->footnotes()->makeNewNote();
    note->setNoteFromString(QStringLiteral("Troia, urbs Asiae"));
    ts::AttributedString troiae(QStringLiteral("Troiae[1] qui primus"));
    troiae.addAttribute(ts::AttributeName::Link, object(ts::Url::make(note->uniqueID())), {6, 3});
    b->setLatin(std::make_shared<ts::AttributedString>(troiae));
    window->model()->reload();
    window->outlineView()->expandToDepth(0);
    settle();
    VocabularyWindowController::showVocabularyWindow()->setVocabList(doc->vocabList());
    VocabularyWindowController::getVocabularyWindow()->setCurrentWordFromID(other->uniqueID());

    const QRect cell = window->outlineView()->visualRect(at(a.get()));
    QTest::mouseClick(window->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.topLeft() + QPoint(14, cell.height() / 2));
    settle();
    EXPECT_EQ(VocabularyWindowController::getVocabularyWindow()->currentWord(), word);
    QTextEdit* editor = openEditor(b.get());
    ASSERT_TRUE(editor);
    QTextCursor onMarker(editor->document());
    onMarker.setPosition(7);
    const QPoint point = editor->cursorRect(onMarker).center() + QPoint(1, 0);
    ASSERT_EQ(editor->anchorAt(point), note->uniqueID());
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    settle();
    ASSERT_TRUE(window->footnoteWindow()->isVisible());
    EXPECT_EQ(window->footnoteWindow()->footnote(), note);
    window->footnoteWindow()->hide();
    VocabularyWindowController::getVocabularyWindow()->hide();
}

TEST_F(Fixture, MacronizingMarksTheRowsLatinAndSkipsADeletedRow) {
    window->rowCommands()->macronize(at(a.get()));
    // The first marking loads the word-form list, which takes a while on a
    // loaded machine.
    for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && !doc->isDocumentEdited();) QTest::qWait(20);
    ASSERT_TRUE(doc->isDocumentEdited());
    // The letters stay (vowels may gain marks); the words are coloured by
    // what the word-form dictionary knows of them.
    QString folded = a->latin()->string().normalized(QString::NormalizationForm_D);
    folded.remove(QRegularExpression(QStringLiteral("\\p{Mn}")));
    EXPECT_EQ(folded, QStringLiteral("arma virumque cano"));

    // A row deleted before the answer comes is not written to.
    doc->updateChangeCount(ts::Document::ChangeCleared);
    window->rowCommands()->macronize(at(c.get()));
    prompter->queueAlertAnswer(1);
    ASSERT_TRUE(window->rowCommands()->deleteRow(at(c.get())));
    doc->updateChangeCount(ts::Document::ChangeCleared);
    QTest::qWait(300);
    EXPECT_FALSE(doc->isDocumentEdited());
}

namespace {

// Answers, later and on the main thread as a marking does, with the text's
// "a" marked long and the whole in the doubt colour: plain marked text, as
// the web and the word-form marking give it back.
class LongAMacronizer : public Macronizer {
public:
    void macronize(const QString& text, Completion completion) override {
        QTimer::singleShot(0, [text, completion] {
            MacronizerResult result;
            result.ok = true;
            QString marked = text;
            marked.replace(QLatin1Char('a'), QChar(0x0101));
            result.text = ts::AttributedString::make(
                marked, {{ts::AttributeName::BackgroundColor, ts::Value(ts::Color::systemOrangeColor())}});
            completion(result);
        });
    }
    void cancel() override {}
};

}  // namespace

TEST_F(Fixture, MarkedRowsKeepTheirFontsAndUnfontedTextShowsAsItIsSaved) {
    const ts::FontPtr roman = ts::Font::make(QStringLiteral("Times-Roman"), 14);
    const ts::FontPtr italic = ts::Font::make(QStringLiteral("Times-Italic"), 14);
    ts::AttributedString latin(QStringLiteral("arma "), {{ts::AttributeName::Font, ts::Value(roman)}});
    latin.append(QStringLiteral("virumque cano"), {{ts::AttributeName::Font, ts::Value(italic)}});
    a->setLatin(std::make_shared<ts::AttributedString>(latin));
    window->rowCommands()->setMacronizer(std::make_unique<LongAMacronizer>());
    window->rowCommands()->macronize(at(section.get()));
    ASSERT_TRUE(waitUntil([&] { return doc->isDocumentEdited(); }));
    // Each letter's font, as marked and as saved and read again.
    const auto fontsOf = [](const ts::AttributedStringPtr& text) {
        QString fonts;
        for (qsizetype i = 0; text && i < text->length(); ++i)
            if (const ts::FontPtr f = text->attribute(ts::AttributeName::Font, i).toObjectAs<ts::Font>())
                fonts += QStringLiteral("%1 %2,").arg(f->postScriptName()).arg(f->pointSize());
        return fonts;
    };
    const QString expected = QStringLiteral("Times-Roman 14,").repeated(5) + QStringLiteral("Times-Italic 14,").repeated(13);
    EXPECT_EQ(a->latin()->string(), QStringLiteral("ārmā virumque cāno"));
    EXPECT_EQ(fontsOf(a->latin()), expected);
    EXPECT_FALSE(a->latin()->attribute(ts::AttributeName::BackgroundColor, 0).isNull());
    QTemporaryDir dir;
    ts::DocumentError error;
    ASSERT_TRUE(doc->saveToURL(dir.filePath(QStringLiteral("marked.tsdx")), TSDocument::kTypeName, &error));
    auto reopened = std::make_shared<TSDocument>();
    ASSERT_TRUE(reopened->readFromURL(dir.filePath(QStringLiteral("marked.tsdx")), TSDocument::kTypeName, &error));
    EXPECT_EQ(fontsOf(reopened->text()->childAt(0)->childAt(0)->textForKey(QStringLiteral("latin"))), expected);

    // A row naming no font is saved in the default font: it shows in it now.
    c->setLatin(ts::AttributedString::make(b->latin()->string(), {{ts::AttributeName::Font, ts::Value(ts::Font::defaultFont())}}));
    window->outlineView()->header()->resizeSection(TSOutlineModel::LatinColumn, 60);
    QAbstractItemDelegate* delegate = window->outlineView()->itemDelegate();
    const QStyleOptionViewItem option;
    EXPECT_EQ(delegate->sizeHint(option, at(b.get())).height(), delegate->sizeHint(option, at(c.get())).height());
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    TSBundle::installLocalizer();
    installDictionaryServices();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
