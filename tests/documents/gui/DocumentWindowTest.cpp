// The document window over real texts: the Eclogues with their imported
// translation show in the location, Latin and English columns; rows are as
// tall as their texts; edits and flags mark the document edited; the window
// closes with its document.

#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"

#include "TeiTrees.h"
#include "app/core/TSBundle.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "support/CaptureLogger.h"
#include "support/GuiTestSupport.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

TSDocumentPtr eclogues() {
    const QString latin = teitest::sharedPath("data/tei/eclogues-lat.xml");
    const QString english = teitest::sharedPath("data/tei/eclogues-eng.xml");
    if (!QFile::exists(latin) || !QFile::exists(english)) return nullptr;
    auto text = teitest::latinTree(latin, "Eclogues");
    auto translation = teitest::englishTree(english, "Eclogues");
    if (!text || !translation) return nullptr;
    FootnoteList notes;
    CaptureLogger::Scope log;
    text->importPerseusTranslation(translation, notes);
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    doc->setEnglishIdentifier(QStringLiteral("perseusEnglish"));
    return doc;
}

// A document of n plain lines, for the large-document checks.
TSDocumentPtr manyLines(int n) {
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(ts::AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(section);
    for (int i = 0; i < n; ++i) {
        auto line = std::make_shared<TSMatchedChunk>();
        line->setLatin(ts::AttributedString::make(QStringLiteral("arma virumque cano, Troiae qui primus ab oris %1").arg(i + 1)));
        line->setEnglish(ts::AttributedString::make(QStringLiteral("I sing of arms and the man %1").arg(i + 1)));
        line->setLocation(ts::AttributedString::make(QString::number(i + 1)));
        section->addChild(line);
    }
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    return doc;
}

// Three lines, the first and last of them paragraphs many times taller than
// a window, with the phrase at their start, middle and end.
TSDocumentPtr tallParagraphs(const QString& latin, const QString& english) {
    auto doc = manyLines(3);
    const QString filler = QStringLiteral(" senectus ipsa morbus est quae multa secum incommoda affert. ").repeated(120);
    for (int row : {0, 2}) {
        auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0)->childAt(row));
        line->setLatin(ts::AttributedString::make(QStringList(3, latin).join(filler)));
        line->setEnglish(ts::AttributedString::make(QStringList(3, english).join(filler)));
    }
    return doc;
}

int argc = 1;
char arg0[] = "documents_gui_tests";
char* argv[] = {arg0, nullptr};

class DocumentWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) new QApplication(argc, argv);
        TSBundle::installLocalizer();
    }
};

TEST_F(DocumentWindow, EcloguesShowInThreeColumnsWithAFlaggedLocation) {
    auto doc = eclogues();
    if (!doc) GTEST_SKIP() << "shared TEI data not found";
    auto poem = doc->text()->childAt(0)->childAt(0);
    ASSERT_TRUE(poem);
    auto third = std::dynamic_pointer_cast<TSMatchedChunk>(poem->childAt(2));
    ASSERT_TRUE(third);
    third->setFlagged(true);

    auto* window = new TSDocumentWindow(doc);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(1100, 640);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    TSOutlineView* outline = window->outlineView();
    TSOutlineModel* model = window->model();
    const QModelIndex poemIndex = model->indexForChunk(poem.get());
    outline->expand(poemIndex);
    settle();

    // The three columns show the line's location, Latin and imported English.
    const QModelIndex line = model->index(0, TSOutlineModel::LatinColumn, poemIndex);
    EXPECT_TRUE(line.data().toString().startsWith(QStringLiteral("Tityre")));
    EXPECT_FALSE(model->index(0, TSOutlineModel::EnglishColumn, poemIndex).data().toString().isEmpty());
    EXPECT_EQ(model->index(0, TSOutlineModel::LocationColumn, poemIndex).data().toString(), QStringLiteral("1"));
    EXPECT_TRUE(model->index(2, TSOutlineModel::LocationColumn, poemIndex).data(TSOutlineModel::FlaggedRole).toBool());

    // A row is as tall as its tallest text at the column's width: narrowing
    // the English column wraps its text and the row grows.
    const int before = outline->visualRect(line).height();
    EXPECT_GE(before, 22);
    outline->header()->resizeSection(TSOutlineModel::LatinColumn, 200);
    outline->header()->resizeSection(TSOutlineModel::LatinColumn, 160);
    EXPECT_TRUE(outline->resizePending()) << "a burst of resizes waits as one";
    settle();
    EXPECT_FALSE(outline->resizePending());
    EXPECT_GT(outline->visualRect(line).height(), before);
    outline->header()->resizeSection(TSOutlineModel::LatinColumn, 430);
    settle();

    // The find bar searches the Latin line by line; a match never spans two
    // lines.
    window->showFindBar();
    window->findField()->setText(QStringLiteral("Tityre"));
    ASSERT_TRUE(window->findNext(QStringLiteral("Tityre")));
    EXPECT_EQ(outline->currentIndex(), line);
    ASSERT_TRUE(window->findNext(QStringLiteral("Tityre")));
    EXPECT_EQ(outline->currentIndex(), model->index(3, TSOutlineModel::LatinColumn, poemIndex));
    ASSERT_TRUE(window->findNext(QStringLiteral("Tityre"), true));
    EXPECT_EQ(outline->currentIndex(), line);
    CaptureLogger::Scope quiet;
    EXPECT_FALSE(window->findNext(QStringLiteral("fagi silvestrem")));
    EXPECT_FALSE(window->findNext(QStringLiteral("fagi silvestrem")));
    ASSERT_TRUE(window->findNext(QStringLiteral("Tityre")));
    settle();

    const QImage picture = window->grab().toImage();
    EXPECT_TRUE(picture.save(galleryDir() + "/document-eclogues.png"));
    outline->setCurrentIndex({});

    // Editing a cell and flagging a location mark the document edited.
    EXPECT_FALSE(doc->isDocumentEdited());
    ASSERT_TRUE(model->setData(model->index(1, TSOutlineModel::EnglishColumn, poemIndex), QStringLiteral("my own line")));
    EXPECT_TRUE(doc->isDocumentEdited());
    auto second = std::dynamic_pointer_cast<TSMatchedChunk>(poem->childAt(1));
    EXPECT_EQ(second->perseusEnglish()->string(), QStringLiteral("my own line"));
    EXPECT_TRUE(window->isWindowModified());
    model->toggleFlag(model->index(0, TSOutlineModel::LocationColumn, poemIndex));
    EXPECT_TRUE(poem->childAt(0)->flagged());

    // Closing the window closes the document: its observers end.
    doc->updateChangeCount(ts::Document::ChangeCleared);
    EXPECT_TRUE(doc->isObserving());
    QPointer<TSDocumentWindow> guard(window);
    window->close();
    settle();
    EXPECT_FALSE(doc->isObserving());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

// The bar's three ways to the next match: Return in its field, ">" and "<".
std::vector<std::function<void()>> findWays(TSDocumentWindow& window) {
    QMap<QString, QPushButton*> buttons;
    for (QPushButton* b : window.findBar()->findChildren<QPushButton*>()) buttons[b->text()] = b;
    QLineEdit* field = window.findField();
    QPushButton* next = buttons.value(QStringLiteral(">"));
    QPushButton* previous = buttons.value(QStringLiteral("<"));
    return {[field] { QTest::keyClick(field, Qt::Key_Return); }, [next] { next->click(); }, [previous] { previous->click(); }};
}

// Every match the find bar selects is seen, whether Return, ">" or "<"
// moves to it and wherever the reader has scrolled meanwhile: the outline
// opens the match's poem and scrolls to its line, also for a further match
// in the line already selected ("Corydon Corydon" in the seventh poem).
TEST_F(DocumentWindow, EachMatchTheFindBarSelectsIsScrolledIntoView) {
    auto doc = eclogues();
    if (!doc) GTEST_SKIP() << "shared TEI data not found";
    TSDocumentWindow window(doc);
    window.resize(1100, 640);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TSOutlineView* outline = window.outlineView();
    window.showFindBar();
    QLineEdit* field = window.findField();
    const std::vector<std::function<void()>> ways = findWays(window);
    for (const QString& word : {QStringLiteral("urbem"), QStringLiteral("Corydon")}) {
        qsizetype matches = 0;
        for (TSChunkPtr c = TSText::nextChunk(doc->text()); c; c = TSText::nextChunk(c))
            if (auto line = std::dynamic_pointer_cast<TSMatchedChunk>(c); line && line->latin())
                matches += line->latin()->string().count(word, Qt::CaseInsensitive);
        ASSERT_GE(matches, 3);
        field->setText(word);
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(word.toStdString() + " way " + std::to_string(way));
            QSet<QPair<const TSChunk*, int>> seen;
            for (qsizetype i = 0; i < matches; ++i) {
                outline->verticalScrollBar()->setValue(0);
                ways[way]();
                const QModelIndex at = outline->currentIndex();
                EXPECT_TRUE(waitUntil([&] { return outline->viewport()->rect().contains(outline->visualRect(at)); }));
                TSCellEditor* editor = window.openEditor();
                ASSERT_TRUE(editor && editor->isVisible());
                EXPECT_EQ(editor->textCursor().selectedText().compare(word, Qt::CaseInsensitive), 0);
                seen.insert({window.model()->chunkForIndex(at), editor->textCursor().selectionStart()});
            }
            EXPECT_EQ(seen.size(), matches);
        }
    }
    field->setText(QStringLiteral("fagi silvestrem"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(window.findBar()->findChild<QLabel*>()->text(), QStringLiteral("Not found"));
}

// A match inside a row taller than the view, as a prose paragraph is, is
// seen too: the row's editor keeps to the view and scrolls within itself to
// the match, whichever way the bar moves and in either text column; three
// matches sit in one paragraph, at its start, middle and end.
TEST_F(DocumentWindow, AMatchInARowTallerThanTheViewIsSeen) {
    auto doc = tallParagraphs(QStringLiteral("Cyrus quidem"), QStringLiteral("Cyrus indeed"));
    TSDocumentWindow window(doc);
    window.resize(900, 500);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TSOutlineView* outline = window.outlineView();
    TSOutlineModel* model = window.model();
    window.showFindBar();
    QLineEdit* field = window.findField();
    const std::vector<std::function<void()>> ways = findWays(window);
    const struct {
        int column;
        QString word;
    } columns[] = {{TSOutlineModel::LatinColumn, QStringLiteral("Cyrus quidem")}, {TSOutlineModel::EnglishColumn, QStringLiteral("Cyrus indeed")}};
    for (const auto& column : columns) {
        field->setText(column.word);
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(column.word.toStdString() + " way " + std::to_string(way));
            outline->setCurrentIndex(model->index(1, column.column, model->index(0, 0)));
            QSet<QPair<const TSChunk*, int>> seen;
            for (int i = 0; i < 6; ++i) {
                SCOPED_TRACE(i);
                // The reader may have scrolled away meanwhile.
                outline->verticalScrollBar()->setValue(i % 2 ? 0 : outline->verticalScrollBar()->maximum());
                ways[way]();
                TSCellEditor* editor = window.openEditor();
                ASSERT_TRUE(editor && editor->isVisible());
                ASSERT_EQ(editor->textCursor().selectedText(), column.word);
                const QModelIndex at = outline->currentIndex();
                EXPECT_EQ(at.column(), column.column);
                EXPECT_GT(outline->visualRect(at).height(), 3 * outline->viewport()->height());
                // Both ends of the match, which may wrap onto a second line.
                QTextCursor start = editor->textCursor();
                start.setPosition(start.selectionStart());
                ASSERT_TRUE(waitUntil([&] {
                    for (const QRect& end : {editor->cursorRect(start), editor->cursorRect()})
                        if (!outline->viewport()->rect().contains(QRect(editor->viewport()->mapTo(outline->viewport(), end.topLeft()), end.size())))
                            return false;
                    return true;
                }));
                seen.insert({model->chunkForIndex(at), editor->textCursor().selectionStart()});
            }
            EXPECT_EQ(seen.size(), 6);
        }
    }
}

// The editor of a row taller than the view opens on the row's first line,
// as the row shows it; laid out while the row is far below (a column resized
// meanwhile), it fills the view below the row's top again once the reader
// scrolls the row up, still from its first line: it does not stay the
// sliver it was off screen, nor jump to the caret at the text's end.
TEST_F(DocumentWindow, AnEditorKeptWithinTheViewFollowsItsRowWhenScrolled) {
    auto doc = tallParagraphs(QStringLiteral("Cyrus quidem"), QStringLiteral("Cyrus indeed"));
    TSDocumentWindow window(doc);
    window.resize(900, 500);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TSOutlineView* outline = window.outlineView();
    outline->expandAll();
    settle();
    const QModelIndex last = window.model()->index(2, TSOutlineModel::LatinColumn, window.model()->index(0, 0));
    QScrollBar* bar = outline->verticalScrollBar();
    bar->setValue(bar->maximum());
    outline->setCurrentIndex(last);
    outline->edit(last);
    int inView = 0;
    for (int value : {bar->maximum(), 0, bar->maximum(), 1, bar->maximum()}) {
        bar->setValue(value);
        settle();
        TSCellEditor* editor = window.openEditor();
        ASSERT_TRUE(editor);
        if (outline->visualRect(last).top() >= outline->viewport()->height()) {
            outline->doItemsLayout();
            settle();
            continue;
        }
        ++inView;
        EXPECT_TRUE(waitUntil([&] { return editor->geometry().bottom() == outline->viewport()->rect().bottom(); })) << value;
        EXPECT_EQ(editor->verticalScrollBar()->value(), 0) << value;
    }
    EXPECT_GE(inView, 3) << "scrolled to its end, the outline shows the last row";
}

TEST_F(DocumentWindow, SwitchingTheEnglishColumnKeepsItsWidth) {
    auto doc = manyLines(3);
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0)->childAt(0));
    line->setPerseusEnglish(ts::AttributedString::make(QStringLiteral("imported")));
    TSDocumentWindow window(doc);
    window.outlineView()->expandAll();
    TSOutlineModel* model = window.model();
    const QModelIndex english = model->index(0, TSOutlineModel::EnglishColumn, model->index(0, 0));
    EXPECT_EQ(english.data().toString(), QStringLiteral("I sing of arms and the man 1"));
    const int width = window.outlineView()->header()->sectionSize(TSOutlineModel::EnglishColumn);
    std::unique_ptr<QMenu> menu(window.headerMenu());
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Show Imported Translation"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(model->index(0, TSOutlineModel::EnglishColumn, model->index(0, 0)).data().toString(), QStringLiteral("imported"));
    EXPECT_EQ(window.outlineView()->header()->sectionSize(TSOutlineModel::EnglishColumn), width);
    EXPECT_FALSE(doc->isDocumentEdited());
    menu.reset(window.headerMenu());
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Show Own Translation"));
}

TEST_F(DocumentWindow, EditsInAnotherDocumentLeaveThisOneClean) {
    auto mine = manyLines(2), other = manyLines(2);
    TSDocumentWindow a(mine), b(other);
    b.model()->setData(b.model()->index(0, TSOutlineModel::LatinColumn, b.model()->index(0, 0)), QStringLiteral("changed"));
    ts::NotificationCenter::defaultCenter().post(TSDocument::kVocabChanged, other->vocabList().get());
    EXPECT_TRUE(other->isDocumentEdited());
    EXPECT_FALSE(mine->isDocumentEdited());
    EXPECT_FALSE(a.isWindowModified());
}

TEST_F(DocumentWindow, TenThousandLinesOpenScrollEditAndSave) {
    auto doc = manyLines(10000);
    auto* window = new TSDocumentWindow(doc);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(900, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->outlineView()->expandAll();
    settle();
    QScrollBar* bar = window->outlineView()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 9000);
    for (int v = 0; v <= bar->maximum(); v += bar->pageStep()) {
        bar->setValue(v);
        window->outlineView()->viewport()->repaint();
    }
    bar->setValue(bar->maximum());
    settle();
    TSOutlineModel* model = window->model();
    const QModelIndex last = model->index(9999, TSOutlineModel::LatinColumn, model->index(0, 0));
    EXPECT_TRUE(window->outlineView()->viewport()->rect().intersects(window->outlineView()->visualRect(last)));
    ASSERT_TRUE(model->setData(last, QStringLiteral("ultimus versus")));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(window->grab().toImage().save(galleryDir() + "/document-10000-lines.png"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.tsdx"));
    ASSERT_TRUE(doc->saveToURL(path, TSDocument::kTypeName, nullptr));
    auto reopened = std::make_shared<TSDocument>();
    ASSERT_TRUE(reopened->readFromURL(path, TSDocument::kTypeName, nullptr));
    auto lastLine = std::dynamic_pointer_cast<TSMatchedChunk>(reopened->text()->childAt(0)->childAt(9999));
    ASSERT_TRUE(lastLine);
    EXPECT_EQ(lastLine->latin()->string(), QStringLiteral("ultimus versus"));
    window->close();
}

// A file's lines are read when they are shown, not all at open: a line in
// the middle of a long text (the view measures its first and last screens)
// keeps its stored bytes until it is asked for, reads them then, and
// is saved back byte for byte. (Bytes that are no RTF make the reading
// visible: a line that has read them knows they could not be read.)
TEST_F(DocumentWindow, LinesAreReadWhenShownAndSavedAsTheyWere) {
    using namespace ts;
    ValueArray lines;
    for (int i = 0; i < 2000; ++i)
        lines.push_back(Value(ValueDictionary{{"ClassName", Value("TSMatchedChunk")},
                                              {"Latin", Value(QByteArray("arma virumque cano ") + QByteArray::number(i))}}));
    ValueArray sections{Value(ValueDictionary{{"ClassName", Value("TSMatchedChunk")}, {"Children", Value(lines)}})};
    const ValueDictionary root{{"Text", Value(ValueDictionary{{"ClassName", Value("TSText")},
                                                              {"Text", Value(ValueDictionary{{"ClassName", Value("TSText")},
                                                                                             {"Children", Value(sections)}})}})}};
    auto doc = std::make_shared<TSDocument>();
    CaptureLogger::Scope log;
    ASSERT_TRUE(doc->readFromData(PropertyList::writeBinary(Value(root)), TSDocument::kTypeName, nullptr));
    TSDocumentWindow window(doc);
    window.resize(900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
    auto line = [&](int i) { return std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0)->childAt(i)); };
    EXPECT_TRUE(line(0)->hasUnreadableText()) << "a line on screen was read";
    EXPECT_FALSE(line(1000)->hasUnreadableText()) << "a line off screen is not read yet";
    EXPECT_EQ(line(1000)->latin()->string(), QStringLiteral("arma virumque cano 1000"));
    EXPECT_TRUE(line(1000)->hasUnreadableText());
    const Value saved = PropertyList::read(doc->exportToPListFormat(nullptr)).value;
    const ValueArray& back = saved[QStringLiteral("Text")][QStringLiteral("Text")][QStringLiteral("Children")].array().at(0)
                                 [QStringLiteral("Children")].array();
    ASSERT_EQ(back.size(), 2000u);
    for (int i : {0, 1000, 1999})
        EXPECT_EQ(back[size_t(i)][QStringLiteral("Latin")].toData(), QByteArray("arma virumque cano ") + QByteArray::number(i));
}

}  // namespace

namespace {

// Opening a file through the document machinery, as File > Open and the
// command line do, shows its window; an unreadable file opens nothing.
TEST_F(DocumentWindow, ControllerOpensFilesInWindows) {
    ts::DocumentController controller;
    TSDocumentWindow::install(controller);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.tsdx"));
    ASSERT_TRUE(manyLines(3)->saveToURL(good, TSDocument::kTypeName, nullptr));
    const QString bad = dir.filePath(QStringLiteral("bad.tsdx"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a document");
    f.close();

    auto windows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TSDocumentWindow*>(w) && w->isVisible()) ++n;
        return n;
    };
    const int before = windows();
    bool failed = false;
    CaptureLogger::Scope log;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(bad), true,
                                             [&](ts::DocumentPtr d, bool, const ts::DocumentError* e) { failed = !d && e; });
    EXPECT_TRUE(failed);
    EXPECT_EQ(windows(), before);
    ts::DocumentPtr opened;
    controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(good), true,
                                             [&](ts::DocumentPtr d, bool, const ts::DocumentError*) { opened = d; });
    ASSERT_TRUE(opened);
    EXPECT_EQ(windows(), before + 1);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TSDocumentWindow*>(w); window && window->document() == opened) window->close();
    settle();
    EXPECT_TRUE(controller.documents().empty());
}

}  // namespace
