// The outline's cells and their editors: a cell's text is laid out at the
// width it is drawn at, so nothing is cut off; an editor shows its whole
// text and grows with it; location numbers read in the row's size and the
// view's ink; Latin editors check Latin spelling and English ones never do.

#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRichTextDelegate.h"

#include "app/core/TSBundle.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

const QString kLong = QStringLiteral(
    "Arma virumque cano, Troiae qui primus ab oris Italiam, fato profugus, Laviniaque venit litora, multum ille et "
    "terris iactatus et alto vi superum saevae memorem Iunonis ob iram");
const QString kEnglish = QStringLiteral(
    "Arms and the man I sing, who first from the coasts of Troy, exiled by fate, came to Italy and Lavinian shores");

ts::Attributes fontOf(double size) {
    return {{ts::AttributeName::Font, ts::Value(ts::Font::make(QStringLiteral("Helvetica"), size))}};
}

TSMatchedChunkPtr line(const QString& latin, const QString& english, const QString& location) {
    auto l = std::make_shared<TSMatchedChunk>();
    l->setLatin(ts::AttributedString::make(latin, fontOf(13)));
    l->setEnglish(ts::AttributedString::make(english, fontOf(13)));
    // A location as another tool may store it: tiny and pale.
    ts::Attributes pale = fontOf(7);
    pale[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::calibratedRgb(0.85, 0.85, 0.85));
    l->setLocation(ts::AttributedString::make(location, pale));
    return l;
}

// Lines at three depths: at the top, in a book, in a poem of the book.
TSDocumentPtr nestedDocument() {
    auto text = std::make_shared<TSText>();
    text->addChild(line(kLong, kEnglish, QStringLiteral("1")));
    auto book = std::make_shared<TSMatchedChunk>();
    book->setLatin(ts::AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(book);
    book->addChild(line(kLong, kEnglish, QStringLiteral("2")));
    auto poem = std::make_shared<TSMatchedChunk>();
    poem->setLatin(ts::AttributedString::make(QStringLiteral("Carmen I")));
    book->addChild(poem);
    poem->addChild(line(kLong + QStringLiteral(" virumqe"), kEnglish, QStringLiteral("3")));
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    return doc;
}

bool latinDictionary() { return ts::SpellingHighlighter::checkerFor(QStringLiteral("la")) != nullptr; }

// Whether the characters [start, start + length) of the block carry the
// spelling underline.
bool underlined(const QTextBlock& block, int start, int length) {
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (r.start <= start && r.start + r.length >= start + length &&
            r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            return true;
    return false;
}

int argc = 1;
char arg0[] = "documents_gui_editor_tests";
char* argv[] = {arg0, nullptr};

class RowEditor : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QApplication::instance()) new QApplication(argc, argv);
        TSBundle::installLocalizer();
    }
    void SetUp() override {
        doc = nestedDocument();
        window = std::make_unique<TSDocumentWindow>(doc);
        window->resize(900, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        outline = window->outlineView();
        model = window->model();
        delegate = static_cast<TSRichTextDelegate*>(outline->itemDelegate());
        outline->expandAll();
        settle();
        auto* root = doc->text().get();
        auto book = root->childAt(1);
        lines = {model->indexForChunk(root->childAt(0).get()), model->indexForChunk(book->childAt(0).get()),
                 model->indexForChunk(book->childAt(1)->childAt(0).get())};
    }
    QModelIndex cell(int depth, int column) const { return lines[depth].siblingAtColumn(column); }

    TSDocumentPtr doc;
    std::unique_ptr<TSDocumentWindow> window;
    TSOutlineView* outline = nullptr;
    TSOutlineModel* model = nullptr;
    TSRichTextDelegate* delegate = nullptr;
    std::vector<QModelIndex> lines;
};

// "virumqu": text was measured at one width and drawn at another.
TEST_F(RowEditor, TextIsMeasuredAtTheWidthItIsDrawnAt) {
    for (int width : {420, 230}) {
        outline->header()->resizeSection(TSOutlineModel::LatinColumn, width);
        settle();
        for (int depth = 0; depth < 3; ++depth) {
            for (int column : {int(TSOutlineModel::LatinColumn), int(TSOutlineModel::EnglishColumn)}) {
                const QModelIndex index = cell(depth, column);
                outline->scrollTo(index);
                const QRect drawn = outline->visualRect(index);
                SCOPED_TRACE(testing::Message() << "width " << width << " depth " << depth << " column " << column);
                EXPECT_EQ(delegate->cellWidth(index), drawn.width());
                // Every line of the text fits in the cell as drawn.
                const auto text = delegate->cellText(index);
                ASSERT_TRUE(text);
                EXPECT_LE(TSRichTextDelegate::textHeight(*text, drawn.width(), 1.0), drawn.height());
            }
        }
    }
}

// The ends of the English lines were hidden past the view's right edge in a
// window narrower than the columns' widths.
TEST_F(RowEditor, EveryColumnEndsWithinTheView) {
    for (int width : {1000, 900, 760, 600}) {
        window->resize(width, 600);
        settle();
        const QHeaderView* header = outline->header();
        SCOPED_TRACE(testing::Message() << "window " << width);
        EXPECT_LE(header->sectionViewportPosition(TSOutlineModel::EnglishColumn) +
                      header->sectionSize(TSOutlineModel::EnglishColumn),
                  outline->viewport()->width());
        EXPECT_GE(header->sectionSize(TSOutlineModel::EnglishColumn), outline->viewport()->width() / 3 - 1);
        EXPECT_EQ(header->sectionSize(TSOutlineModel::LocationColumn), 56);
    }
}

TEST_F(RowEditor, LocationsReadInTheRowSizeAndTheViewsInk) {
    const auto shown = delegate->cellText(cell(1, TSOutlineModel::LocationColumn));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->string(), QStringLiteral("2"));
    const ts::Attributes a = shown->attributes(0);
    ASSERT_TRUE(a.count(ts::AttributeName::Font));
    EXPECT_EQ(a.at(ts::AttributeName::Font).toObjectAs<ts::Font>()->pointSize(), 13.0);
    EXPECT_FALSE(a.count(ts::AttributeName::ForegroundColor)) << "drawn in the view's text colour";

    // Drawn: the darkest pixel of the number is near the palette's ink.
    const QModelIndex index = cell(1, TSOutlineModel::LocationColumn);
    outline->scrollTo(index);
    settle();
    const QImage picture = outline->viewport()->grab(outline->visualRect(index)).toImage();
    int darkest = 255;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) darkest = std::min(darkest, qGray(picture.pixel(x, y)));
    EXPECT_LT(darkest, 90);
}

// The editor was one line high and scrolled its first line out of sight.
TEST_F(RowEditor, EditorShowsItsWholeTextAndGrowsWithIt) {
    outline->header()->resizeSection(TSOutlineModel::LatinColumn, 300);
    settle();
    const QModelIndex index = cell(1, TSOutlineModel::LatinColumn);
    outline->scrollTo(index);
    outline->setCurrentIndex(index);
    outline->edit(index);
    settle();
    TSCellEditor* editor = delegate->editor();
    ASSERT_TRUE(editor);
    EXPECT_GT(editor->textHeight(), 3 * QFontMetrics(editor->font()).height()) << "the text wraps";
    EXPECT_GE(editor->height(), editor->textHeight());
    EXPECT_EQ(editor->verticalScrollBar()->value(), 0);
    EXPECT_EQ(editor->geometry().top(), outline->visualRect(index).top());

    // Typing lines grows the editor, and the row with it.
    const int rowBefore = outline->visualRect(index).height();
    const int textBefore = editor->textHeight();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral(" hic labor, hoc opus est, quem di dilexere, sed unde"));
    for (int i = 0; i < 3; ++i) QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("tantae molis erat"));
    settle();
    EXPECT_GT(editor->textHeight(), textBefore);
    EXPECT_GE(editor->height(), editor->textHeight());
    EXPECT_GT(outline->visualRect(index).height(), rowBefore);
    EXPECT_EQ(editor->verticalScrollBar()->value(), 0);

    // Ending the edit stores the text; the row keeps the new height.
    outline->setCurrentIndex(cell(0, TSOutlineModel::LatinColumn));
    settle();
    EXPECT_FALSE(delegate->editor());
    EXPECT_TRUE(index.data().toString().endsWith(QStringLiteral("tantae molis erat")));
    EXPECT_TRUE(doc->isDocumentEdited());
}

TEST_F(RowEditor, LatinEditorsUnderlineWhatTheLatinDictionaryRefuses) {
    if (!latinDictionary()) GTEST_SKIP() << "no Latin hunspell dictionary (DICPATH)";
    outline->header()->resizeSection(TSOutlineModel::LatinColumn, 330);
    const QModelIndex index = cell(2, TSOutlineModel::LatinColumn);
    outline->scrollTo(index);
    outline->setCurrentIndex(index);
    outline->edit(index);
    settle();
    TSCellEditor* editor = delegate->editor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->spelling()->language(), QStringLiteral("la"));
    const QTextBlock block = editor->document()->firstBlock();
    const QString text = block.text();
    const int wrong = int(text.lastIndexOf(QStringLiteral("virumqe")));
    ASSERT_GT(wrong, 0);
    EXPECT_TRUE(underlined(block, wrong, 7));
    for (const char* good : {"Arma", "virumque", "Troiae", "Laviniaque", "Iunonis"})
        EXPECT_FALSE(underlined(block, int(text.indexOf(QString::fromLatin1(good))), int(qstrlen(good)))) << good;
    const QImage picture = window->grab().toImage();
    EXPECT_TRUE(picture.save(galleryDir() + "/document-editor-spelling.png"));

    // Right-clicking the word opens the editor's menu with the guesses on top.
    const QRect wordRect = editor->cursorRect([&] {
        QTextCursor c(editor->document());
        c.setPosition(block.position() + wrong + 3);
        return c;
    }());
    QContextMenuEvent click(QContextMenuEvent::Mouse, wordRect.center(), editor->viewport()->mapToGlobal(wordRect.center()));
    QApplication::sendEvent(editor->viewport(), &click);
    settle();
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(popup) << "a context menu";
    const QList<QAction*> items = popup->actions();
    ASSERT_GT(items.size(), 4) << "the editor's own commands follow the guesses";
    EXPECT_EQ(items[0]->text(), QStringLiteral("virumque"));
    // Choosing the guess replaces the word, and the underline goes.
    items[0]->trigger();
    popup->close();
    settle();
    EXPECT_TRUE(editor->document()->toPlainText().endsWith(QStringLiteral("iram virumque")));
    EXPECT_FALSE(underlined(editor->document()->firstBlock(), wrong, 8));
    // A correct word offers no guesses.
    QMenu plain;
    EXPECT_EQ(editor->spelling()->addSuggestions(&plain, block.position() + 1), 0);
    EXPECT_TRUE(plain.actions().isEmpty());
}

// A covered row's Latin, opened for editing, gave its misspelt words away by
// their underline and their guesses.
TEST_F(RowEditor, CoveredLatinShowsNoSpellingMarksInItsEditor) {
    if (!latinDictionary()) GTEST_SKIP() << "no Latin hunspell dictionary (DICPATH)";
    const QModelIndex index = cell(2, TSOutlineModel::LatinColumn);
    auto* row = dynamic_cast<TSMatchedChunk*>(model->chunkForIndex(index));
    ASSERT_TRUE(row);
    row->coverText(true);
    outline->scrollTo(index);
    outline->setCurrentIndex(index);
    outline->edit(index);
    settle();
    TSCellEditor* editor = delegate->editor();
    ASSERT_TRUE(editor);
    const QTextBlock block = editor->document()->firstBlock();
    const int wrong = int(block.text().lastIndexOf(QStringLiteral("virumqe")));
    ASSERT_GT(wrong, 0);
    EXPECT_FALSE(underlined(block, wrong, 7));
    QMenu guesses;
    EXPECT_EQ(editor->spelling()->addSuggestions(&guesses, block.position() + wrong + 2), 0);
    EXPECT_TRUE(guesses.actions().isEmpty());
}

TEST_F(RowEditor, EnglishAndLocationEditorsUseNoLatinDictionary) {
    for (int column : {int(TSOutlineModel::EnglishColumn), int(TSOutlineModel::LocationColumn)}) {
        const QModelIndex index = cell(0, column);
        outline->setCurrentIndex(index);
        outline->edit(index);
        settle();
        TSCellEditor* editor = delegate->editor();
        ASSERT_TRUE(editor) << column;
        EXPECT_NE(editor->spelling()->language(), QStringLiteral("la"));
        if (const auto checker = ts::SpellingHighlighter::checkerFor(editor->spelling()->language())) {
            EXPECT_FALSE(checker->dictionaryPath().endsWith(QStringLiteral("/la.dic")));
        }
        outline->setCurrentIndex({});
        settle();
    }
}

TEST(SpellingHighlighter, WordsAndMarks) {
    // Letters with combining macrons and inner apostrophes stay one word;
    // digits, spaces and punctuation part them.
    const QString text = QStringLiteral("ca\u0304no, Troiae l'homme 1492 ...  e\u0304");
    QStringList words;
    for (const auto& w : ts::SpellingHighlighter::words(text)) words << text.mid(w.start, w.length);
    EXPECT_EQ(words, (QStringList{QStringLiteral("ca\u0304no"), QStringLiteral("Troiae"), QStringLiteral("l'homme"),
                                  QStringLiteral("1492"), QStringLiteral("e\u0304")}));
    if (!latinDictionary()) GTEST_SKIP() << "no Latin hunspell dictionary (DICPATH)";
    QTextDocument document;
    ts::SpellingHighlighter latin(&document, QStringLiteral("la"));
    ASSERT_TRUE(latin.isChecking());
    // Macrons, typed whole or combined, are the dictionary's letters; numbers
    // are never words to check.
    for (const char* good : {"cano", "ca\xcc\x84no", "c\xc4\x81n\xc5\x8d", "1492", "Troiae"})
        EXPECT_FALSE(latin.isMisspelled(QString::fromUtf8(good))) << good;
    EXPECT_TRUE(latin.isMisspelled(QStringLiteral("amicuss")));
    ts::SpellingHighlighter none(&document, QStringLiteral("xx_NONE"));
    EXPECT_FALSE(none.isChecking());
    EXPECT_FALSE(none.isMisspelled(QStringLiteral("amicuss")));
}

}  // namespace
