// What a user typed and where they were reading survive the document's
// commands: the window's edited mark follows every change the save
// question knows of, closing commits an open editor, a reload keeps the
// open rows, the selection and the scroll position, the location editor
// edits the plain stored number, new text takes the document's base font,
// and a two-pane window shows its mark, forgets it when undo reaches the
// saved text and reopens with its dividers where they were.

#include "documents/gui/MyDocumentWindow.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRichTextDelegate.h"
#include "documents/gui/TSRowCommands.h"

#include "app/core/DictionaryServicesSetup.h"
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "platform/Font.h"
#include "platform/Prompter.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TSMatchedChunk> line(const QString& latin, const QString& english = {}) {
    auto l = std::make_shared<TSMatchedChunk>();
    l->setLatin(ts::AttributedString::make(latin));
    if (!english.isNull()) l->setEnglish(ts::AttributedString::make(english));
    return l;
}

struct Outline : ::testing::Test {
    TSDocumentPtr doc = std::make_shared<TSDocument>();
    std::vector<std::shared_ptr<TSMatchedChunk>> books;
    std::unique_ptr<TSDocumentWindow> window;
    std::shared_ptr<ts::ScriptedPrompter> prompter = std::make_shared<ts::ScriptedPrompter>();
    std::unique_ptr<ts::Prompter::Scope> scope;

    // Three books of forty lines, so the outline scrolls.
    void SetUp() override {
        scope = std::make_unique<ts::Prompter::Scope>(prompter);
        auto text = std::make_shared<TSText>();
        for (int b = 0; b < 3; ++b) {
            auto book = line(QStringLiteral("Liber %1").arg(b + 1));
            for (int l = 0; l < 40; ++l) {
                auto row = line(QStringLiteral("versus %1 libri %2").arg(l + 1).arg(b + 1), QStringLiteral("line %1").arg(l + 1));
                row->setLocation(ts::AttributedString::make(QString::number(l + 1)));
                book->addChild(row);
            }
            text->addChild(book);
            books.push_back(book);
        }
        doc->setText(text);
        window = std::make_unique<TSDocumentWindow>(doc);
        window->resize(900, 500);
        window->show();
        settle();
    }
    QModelIndex at(const TSChunk* chunk, int column = TSOutlineModel::LatinColumn) {
        return window->model()->indexForChunk(chunk, column);
    }
    TSChunk* row(int book, int n) { return books[size_t(book)]->childAt(n).get(); }
    QTextEdit* openEditor(const QModelIndex& cell) {
        window->outlineView()->setCurrentIndex(cell);
        window->outlineView()->edit(cell);
        settle();
        return qobject_cast<QTextEdit*>(QApplication::focusWidget());
    }
};

}  // namespace

// Every command the save question knows of shows the mark at once.
TEST_F(Outline, TheEditedMarkFollowsEveryChange) {
    EXPECT_FALSE(window->isWindowModified());
    ASSERT_TRUE(window->rowCommands()->addRowBelow(at(row(0, 2))));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(window->isWindowModified()) << "Add Row Below";
    window->commitEditing();
    doc->updateChangeCount(ts::Document::ChangeCleared);
    EXPECT_FALSE(window->isWindowModified()) << "a save clears the mark";

    QApplication::clipboard()->setText(QStringLiteral("fato profugus\nLaviniaque venit"));
    ASSERT_TRUE(window->rowCommands()->addRowBelow(at(row(2, 39))));
    window->commitEditing();
    doc->updateChangeCount(ts::Document::ChangeCleared);
    ASSERT_TRUE(window->rowCommands()->pasteFormatted(at(row(2, 40))));
    EXPECT_TRUE(window->isWindowModified()) << "Paste Formatted";
}

// Ctrl+W with text still in the editor: the question is asked and Save
// writes the text.
TEST_F(Outline, ClosingCommitsTheOpenEditorFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath("georgica.tsdx");
    ts::DocumentError error;
    ASSERT_TRUE(doc->saveToURL(path, TSDocument::kTypeName, &error));
    QTextEdit* editor = openEditor(at(row(0, 0)));
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, " novum");
    EXPECT_FALSE(doc->isDocumentEdited()) << "still in the editor";
    prompter->queueAlertAnswer(0);  // Save
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_TRUE(window->close());
    ASSERT_EQ(prompter->alerts().size(), 1u) << "the close asked about the typed text";
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(path, TSDocument::kTypeName, &error));
    auto first = std::dynamic_pointer_cast<TSMatchedChunk>(reread->text()->childAt(0)->childAt(0));
    ASSERT_TRUE(first && first->latin());
    EXPECT_EQ(first->latin()->string(), QStringLiteral("versus 1 libri 1 novum"));
}

// The reader's place: rows open, the current cell and the scroll position
// survive every command that reloads the outline.
TEST_F(Outline, ReloadsKeepOpenRowsSelectionAndScrollPosition) {
    TSOutlineView* view = window->outlineView();
    view->collapse(at(books[1].get(), 0));
    ASSERT_TRUE(view->isExpanded(at(books[2].get(), 0)));
    auto place = [&](const TSChunk* current) {
        view->setCurrentIndex(at(current));
        view->scrollTo(at(current), QAbstractItemView::PositionAtCenter);
        settle();
        return view->verticalScrollBar()->value();
    };
    auto kept = [&](const char* what, const TSChunk* current, int scroll) {
        settle();
        EXPECT_FALSE(view->isExpanded(at(books[1].get(), 0))) << what;
        EXPECT_TRUE(view->isExpanded(at(books[0].get(), 0))) << what;
        EXPECT_TRUE(view->isExpanded(at(books[2].get(), 0))) << what;
        EXPECT_EQ(view->currentIndex(), at(current)) << what;
        EXPECT_EQ(view->verticalScrollBar()->value(), scroll) << what;
    };
    int scroll = place(row(2, 20));
    ASSERT_GT(scroll, 0);
    prompter->queueAlertAnswer(1);
    ASSERT_TRUE(window->rowCommands()->deleteRow(at(row(2, 30))));
    kept("delete", row(2, 20), scroll);

    scroll = place(row(2, 10));
    window->headerMenu()->actions().first()->trigger();
    kept("English column switched", row(2, 10), scroll);
    window->headerMenu()->actions().last()->trigger();
    kept("numbering style switched", row(2, 10), scroll);
    ASSERT_TRUE(window->renumberFrom(at(row(2, 5))));
    kept("renumbered", row(2, 10), scroll);
    Preferences::preferences()->setNumberBySubsection(false);

    // An undo step brings back a whole new tree with the same rows.
    const QUuid currentId = row(2, 10)->uuidValue();
    const QUuid closedId = books[1]->uuidValue();
    doc->registerUndoSnapshot(QStringLiteral("Test"));
    ASSERT_TRUE(doc->undo());
    settle();
    TSTextPtr now = doc->text();
    ASSERT_NE(now->childAt(2).get(), books[2].get()) << "a new tree";
    EXPECT_EQ(window->model()->chunkForIndex(view->currentIndex())->uuidValue(), currentId);
    EXPECT_EQ(now->childAt(1)->uuidValue(), closedId);
    EXPECT_FALSE(view->isExpanded(window->model()->indexForChunk(now->childAt(1).get(), 0)));
    EXPECT_TRUE(view->isExpanded(window->model()->indexForChunk(now->childAt(2).get(), 0)));
    EXPECT_EQ(view->verticalScrollBar()->value(), scroll);
}

// The location editor shows the stored number without the flag's colour,
// and Return ends the edit.
TEST_F(Outline, TheLocationEditorEditsThePlainNumberAndReturnEndsIt) {
    auto* flagged = static_cast<TSMatchedChunk*>(row(0, 16));
    flagged->setFlagged(true);
    QTextEdit* editor = openEditor(at(flagged, TSOutlineModel::LocationColumn));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("17"));
    EXPECT_FALSE(editor->textCursor().charFormat().hasProperty(QTextFormat::BackgroundBrush));
    editor->selectAll();
    QTest::keyClicks(editor, "17a");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(qobject_cast<TSRichTextDelegate*>(window->outlineView()->itemDelegate())->editor(), nullptr) << "Return ended the edit";
    ASSERT_TRUE(flagged->location());
    EXPECT_EQ(flagged->location()->string(), QStringLiteral("17a"));
    for (qsizetype i = 0; i < flagged->location()->length(); ++i)
        EXPECT_FALSE(flagged->location()->attributes(i).count(ts::AttributeName::BackgroundColor)) << i;
    EXPECT_TRUE(flagged->flagged());
}

// Text typed into a new row takes the document's base font, in the editor
// and in the stored text.
TEST_F(Outline, NewTextTakesTheDocumentsBaseFont) {
    ts::ValueDictionary base;
    base[ts::AttributeName::Font] = ts::Value(std::static_pointer_cast<ts::Object>(ts::Font::make(QStringLiteral("Times-Roman"), 14)));
    doc->setBaseFontAttributes(base);
    ASSERT_TRUE(window->rowCommands()->addRowBelow(at(row(0, 3))));
    settle();
    auto* editor = qobject_cast<QTextEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "nova");
    EXPECT_DOUBLE_EQ(editor->textCursor().charFormat().font().pointSizeF(), 14.0);
    window->commitEditing();
    auto added = std::dynamic_pointer_cast<TSMatchedChunk>(books[0]->childAt(4));
    ASSERT_TRUE(added && added->latin());
    EXPECT_EQ(added->latin()->string(), QStringLiteral("nova"));
    const auto font = added->latin()->attributes(0).at(ts::AttributeName::Font).toObjectAs<ts::Font>();
    ASSERT_TRUE(font);
    EXPECT_DOUBLE_EQ(font->pointSize(), 14.0);
    EXPECT_EQ(font->familyName(), ts::Font::make(QStringLiteral("Times-Roman"), 14)->familyName());
}

// An empty row goes without a question; the word count of the row menu
// counts what the open editor holds.
TEST_F(Outline, EmptyRowsGoAtOnceAndTheWordCountReadsTheEditor) {
    ASSERT_TRUE(window->rowCommands()->addRowBelow(at(row(1, 0))));
    window->commitEditing();
    const qint64 before = books[1]->numChildren();
    EXPECT_TRUE(window->rowCommands()->deleteRow(at(row(1, 1))));
    EXPECT_TRUE(prompter->alerts().empty());
    EXPECT_EQ(books[1]->numChildren(), before - 1);

    QTextEdit* editor = openEditor(at(row(1, 2)));
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, " et alia duo");
    std::unique_ptr<QMenu> menu(window->rowCommands()->rowMenu(at(row(1, 2))));
    EXPECT_TRUE(menu->actions().last()->text().startsWith(QStringLiteral("7 words"))) << menu->actions().last()->text().toStdString();
}

namespace {

QByteArray pagePng() {
    QImage image(2400, 3600, QImage::Format_RGB32);
    image.fill(QColor(238, 226, 196));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct TwoPane : ::testing::Test {
    std::shared_ptr<ts::ScriptedPrompter> prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope{prompter};
};

}  // namespace

// The two-pane window shows the edited mark, and undo back to the saved
// text leaves nothing to ask about.
TEST_F(TwoPane, TheMarkShowsAndUndoToTheSavedTextClearsIt) {
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(ts::AttributedString(QStringLiteral("Gallia est omnis divisa")));
    MyDocumentWindow window(doc);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    settle();
    EXPECT_FALSE(window.isWindowModified());
    window.latinView()->setFocus();
    window.latinView()->moveCursor(QTextCursor::End);
    QTest::keyClicks(window.latinView(), " in partes tres");
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("[*]")));
    while (window.latinView()->document()->isUndoAvailable()) window.latinView()->undo();
    EXPECT_EQ(window.latinView()->toPlainText(), QStringLiteral("Gallia est omnis divisa"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(window.isWindowModified());
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(prompter->alerts().empty()) << "nothing left to save";
}

// A page image does not squeeze the panes: a reopened window has its
// dividers where the user left them.
TEST_F(TwoPane, ReopenedWindowWithAnImageKeepsTheDividers) {
    Preferences::preferences()->setTextFieldPositions(Preferences::Positions{0.2, 0.4, 0.4});
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(ts::AttributedString(QStringLiteral("Arma virumque cano")));
    doc->setImageData(pagePng());
    MyDocumentWindow window(doc);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    // The window opens at another size than it was made at (a frame the
    // window system chose or restored).
    window.resize(700, 600);
    window.show();
    settle();
    const QList<int> sizes = window.splitter()->sizes();
    ASSERT_EQ(sizes.size(), 3);
    const double total = sizes[0] + sizes[1] + sizes[2];
    EXPECT_NEAR(sizes[0] / total, 0.2, 0.03);
    EXPECT_NEAR(sizes[1] / total, 0.4, 0.03);
    EXPECT_NEAR(sizes[2] / total, 0.4, 0.03);
    doc->updateChangeCount(ts::Document::ChangeCleared);
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
