// The two-pane window offscreen: typing, footnotes numbered in text order,
// the page image, save and reopen, scrolling together; printouts of both
// document kinds read back from the PDF, every line and note exactly once.

#include "documents/gui/MyDocumentWindow.h"
#include "documents/gui/FootnoteWindows.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSStringPrintView.h"

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "platform/gui/RichTextConversion.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "support/GuiTestSupport.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QDir>
#include <QPainter>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

#include <gtest/gtest.h>
#include <iostream>

using namespace ts;

namespace {

QByteArray pngOf(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(238, 226, 196));
    // A page of a printed edition: lines of dark print with margins.
    QPainter painter(&image);
    for (int y = h / 10; y < h * 9 / 10; y += h / 40) painter.fillRect(w / 8, y, w * 3 / 4 - (y % 7) * w / 60, h / 90, QColor(60, 50, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Every page's text of a PDF, joined.
QString pdfText(const QString& path, int* pages) {
    QPdfDocument pdf;
    EXPECT_EQ(pdf.load(path), QPdfDocument::Error::None);
    *pages = pdf.pageCount();
    QString all;
    for (int i = 0; i < pdf.pageCount(); ++i) all += pdf.getAllText(i).text() + QLatin1Char('\n');
    // The extraction sometimes splits a line into one glyph per line.
    all.remove(QRegularExpression(QStringLiteral("\\s")));
    return all;
}

void saveGallery(const QImage& image, const QString& name) {
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (gallery.isEmpty()) return;
    QDir().mkpath(gallery);
    EXPECT_TRUE(image.save(gallery + QLatin1Char('/') + name));
}

AttributedString noted(const QString& text, const QString& id) {
    Attributes a;
    a[AttributeName::Link] = Value(Url::make(id));
    return AttributedString(text, a);
}

QFont shownFont(MyTextField* field, int position) {
    QTextCursor c(field->document());
    c.setPosition(position);
    return c.charFormat().font().resolve(field->document()->defaultFont());
}

}  // namespace

TEST(MyDocumentWindow, TypeFootnoteImageSaveReopenScroll) {
    QTemporaryDir dir;
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    MyTextField* latin = window->latinView();
    MyTextField* english = window->englishView();

    english->setFocus();
    QTest::keyClicks(english, QStringLiteral("Arms and the man I sing"));
    latin->setFocus();
    QApplication::setActiveWindow(window);
    QTest::keyClicks(latin, QStringLiteral("Arma virumque cano"));
    window->addFootnote();  // B
    const QString b = FootnoteText::footnoteLinks(latin->attributedText()).at(0).id;
    QTest::keyClicks(latin, QStringLiteral(" Troiae qui primus"));
    // Typing after a marker leaves the link behind: it stays on "[1]" alone.
    ASSERT_EQ(FootnoteText::footnoteLinks(latin->attributedText()).size(), 1u);
    EXPECT_EQ(FootnoteText::footnoteLinks(latin->attributedText()).at(0).range.length, 3);
    window->addFootnote();  // A
    QTest::keyClicks(latin, QStringLiteral(" ab oris"));
    window->linkToFootnote(b);
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("Arma virumque cano[1] Troiae qui primus[2] ab oris[1]"));
    // The last note added is open in the panel: its text is saved from there.
    EXPECT_TRUE(window->footnotePanel()->isVisibleTo(window));
    window->footnoteText()->setPlainText(QStringLiteral("note A"));
    window->saveFootnote();
    window->linkClicked(latin, b);
    EXPECT_EQ(window->footnoteTitle()->text(), QString());
    window->footnoteText()->setPlainText(QStringLiteral("note B"));
    window->saveFootnote();
    EXPECT_EQ(window->toolTipForLink(b), doc->footnotes()->noteForID(b)->description());
    EXPECT_TRUE(doc->footnotes()->noteForID(b)->description().contains(QStringLiteral("note B")));
    // The picker links the chosen note at the caret.
    QTextCursor end = latin->textCursor();
    end.movePosition(QTextCursor::End);
    latin->setTextCursor(end);
    latin->setFocus();
    QApplication::setActiveWindow(window);
    window->linkToFootnote();
    ASSERT_TRUE(window->footnoteListWindow()->isVisible());
    for (int row = 0; row < window->footnoteListWindow()->footnoteListField()->count(); ++row)
        if (window->footnoteListWindow()->footnoteListField()->item(row)->text() == QStringLiteral("note A"))
            window->footnoteListWindow()->footnoteListField()->setCurrentRow(row);
    window->footnoteListWindow()->linkToFootnote();
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("Arma virumque cano[1] Troiae qui primus[2] ab oris[1][2]"));

    // A cut does not renumber; a delete does.
    QTextCursor c = latin->textCursor();
    c.setPosition(0);
    latin->setTextCursor(c);

    // The page image: fit to height in the area.
    ASSERT_TRUE(window->changeImageData(pngOf(1000, 2000)));
    window->changeFacsimileScale(QStringLiteral("Fit to height"));
    EXPECT_EQ(window->facsimileView()->scale(), -1.0f);
    const QSize shown = window->facsimileView()->size();
    EXPECT_NEAR(double(shown.width()) / shown.height(), 0.5, 0.02);
    window->changeFacsimileScale(QStringLiteral("75"));
    EXPECT_EQ(window->scaleBox()->currentText(), QStringLiteral("75%"));
    EXPECT_FLOAT_EQ(window->facsimileView()->scale(), 0.75f);
    window->changeFacsimileScale(QStringLiteral("Fit to height"));
    EXPECT_TRUE(window->facsimileView()->image().width() == 1000);
    // An undecodable image gives a message and changes nothing.
    auto prompter = std::make_shared<ScriptedPrompter>();
    {
        Prompter::Scope scope(prompter);
        EXPECT_FALSE(window->changeImageData(QByteArray("not an image at all")));
    }
    EXPECT_EQ(prompter->alerts().size(), 1u);
    EXPECT_EQ(window->facsimileView()->image().width(), 1000);

    saveGallery(window->grab().toImage(), QStringLiteral("two-pane-window.png"));
    const QFont typedFont = shownFont(english, 1);

    const QString path = dir.filePath(QStringLiteral("aeneid.tsmd"));
    window->commitEditing();
    DocumentError error;
    ASSERT_TRUE(doc->saveToURL(path, MyDocument::kTypeName, &error)) << error.description.toStdString();
    window->close();
    QApplication::processEvents();

    auto reopened = std::make_shared<MyDocument>();
    ASSERT_TRUE(reopened->readFromURL(path, MyDocument::kTypeName, &error));
    auto* again = new MyDocumentWindow(reopened);
    again->resize(900, 300);
    again->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again));
    EXPECT_EQ(again->latinView()->toPlainText(), QStringLiteral("Arma virumque cano[1] Troiae qui primus[2] ab oris[1][2]"));
    EXPECT_EQ(again->englishView()->toPlainText(), QStringLiteral("Arms and the man I sing"));
    const QColor standard = RichTextConversion::toQColor(Color::textColor());
    QTextCursor first(again->latinView()->document());
    first.setPosition(1);
    EXPECT_EQ(first.charFormat().foreground().color(), standard);
    // Typed text is shown in the font it is saved in, so it keeps its size when reopened.
    const QFont reopenedFont = shownFont(again->englishView(), 1);
    EXPECT_EQ(reopenedFont.family(), typedFont.family());
    EXPECT_DOUBLE_EQ(reopenedFont.pointSizeF(), typedFont.pointSizeF());
    EXPECT_EQ(reopened->footnotes()->count(), 2);
    EXPECT_TRUE(again->facsimileView()->hasImage());

    // Long texts in both panes: scrolling one scrolls the other.
    QString lines;
    for (int i = 0; i < 200; ++i) lines += QStringLiteral("versus %1\n").arg(i);
    again->latinView()->setPlainText(lines);
    again->englishView()->setPlainText(lines);
    QApplication::processEvents();
    QScrollBar* left = again->latinView()->verticalScrollBar();
    QScrollBar* right = again->englishView()->verticalScrollBar();
    ASSERT_GT(left->maximum(), 100);
    right->setValue(right->maximum() / 2);
    EXPECT_EQ(left->value(), right->value());
    left->setValue(10);
    EXPECT_EQ(right->value(), 10);
    again->close();
    QApplication::processEvents();
}

// Prints a two-pane pane of n lines with a note every k lines and checks that
// every line and every note is in the PDF exactly once.
TEST(MyDocumentWindow, PrintsPanesWithEachPagesFootnotes) {
    QTemporaryDir dir;
    for (int n : {12, 2000}) {
        auto doc = std::make_shared<MyDocument>();
        AttributedString text;
        std::vector<QString> ids;
        for (int i = 0; i < n; ++i) {
            text.append(AttributedString(QStringLiteral("linea%1 arma virumque cano Troiae qui primus ab oris").arg(i, 5, 10, QLatin1Char('0'))));
            if (i % 25 == 3) {
                FootnoteObjectPtr note = doc->footnotes()->makeNewNote();
                note->setNoteFromString(QStringLiteral("nota%1 de hoc versu").arg(i, 5, 10, QLatin1Char('0')));
                text.append(noted(FootnoteText::marker(0), note->uniqueID()));
                ids.push_back(QStringLiteral("nota%1").arg(i, 5, 10, QLatin1Char('0')));
            }
            if (i + 1 < n) text.append(AttributedString(QStringLiteral("\n")));
        }
        doc->setLatin(text);
        auto* window = new MyDocumentWindow(doc);
        const QString pdf = dir.filePath(QStringLiteral("pane%1.pdf").arg(n));
        ASSERT_TRUE(window->printFieldToPdf(window->latinView(), pdf));
        int pages = 0;
        const QString all = pdfText(pdf, &pages);
        EXPECT_GE(pages, n / 60);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(all.count(QStringLiteral("linea%1").arg(i, 5, 10, QLatin1Char('0'))), 1) << "line " << i << " of " << n;
        for (const QString& id : ids) ASSERT_EQ(all.count(id), 1) << id.toStdString();
        if (n == 12) {
            QPdfDocument rendered;
            rendered.load(pdf);
            saveGallery(rendered.render(0, QSize(595, 842)), QStringLiteral("two-pane-printed-page.png"));
        }
        delete window;
    }
}

// A note linked twice: its markers show one number, and the page prints the
// note once under that number, the number in the note's own face.
TEST(MyDocumentWindow, PrintsANoteLinkedTwiceOnceUnderItsMarkersNumber) {
    QTemporaryDir dir;
    auto doc = std::make_shared<MyDocument>();
    FootnoteObjectPtr first = doc->footnotes()->makeNewNote();
    first->setNoteFromString(QStringLiteral("nota bis citata"));
    FootnoteObjectPtr second = doc->footnotes()->makeNewNote();
    second->setNoteFromString(QStringLiteral("nota semel citata"));
    AttributedString text(QStringLiteral("Arma virumque cano"));
    text.append(noted(FootnoteText::marker(0), first->uniqueID()));
    text.append(AttributedString(QStringLiteral(", Troiae qui primus ab oris")));
    text.append(noted(FootnoteText::marker(0), second->uniqueID()));
    text.append(AttributedString(QStringLiteral("\nItaliam fato profugus")));
    text.append(noted(FootnoteText::marker(0), first->uniqueID()));
    doc->setLatin(text);
    auto* window = new MyDocumentWindow(doc);
    const QString pdf = dir.filePath(QStringLiteral("twice.pdf"));
    ASSERT_TRUE(window->printFieldToPdf(window->latinView(), pdf));
    int pages = 0;
    const QString all = pdfText(pdf, &pages);
    EXPECT_EQ(all.count(QStringLiteral("[1]")), 2) << all.toStdString();
    EXPECT_EQ(all.count(QStringLiteral("1.notabiscitata")), 1) << all.toStdString();
    EXPECT_EQ(all.count(QStringLiteral("2.notasemelcitata")), 1);
    EXPECT_EQ(all.count(QStringLiteral("citata")), 2);
    QPdfDocument rendered;
    rendered.load(pdf);
    saveGallery(rendered.render(0, QSize(595, 842)), QStringLiteral("printed-note-linked-twice.png"));

    TSStringPrintView view;
    AttributedString numbered = text;
    FootnoteText::renumber(numbered, *doc->footnotes(), false);
    view.setPrintField(numbered);
    view.setFootnotes(doc->footnotes());
    view.makeLinkArray();
    const AttributedString notes = view.footnotesInRange({0, numbered.length()});
    ASSERT_EQ(notes.string(), QStringLiteral("1. nota bis citata\n2. nota semel citata"));
    const auto numberFont = notes.attribute(AttributeName::Font, 19).toObjectAs<Font>();
    const auto bodyFont = notes.attribute(AttributeName::Font, 22).toObjectAs<Font>();
    ASSERT_TRUE(numberFont && bodyFont);
    EXPECT_EQ(numberFont->postScriptName(), bodyFont->postScriptName());
    delete window;
}

TEST(MyDocumentWindow, PrintsAParallelTextDocument) {
    QTemporaryDir dir;
    auto doc = std::make_shared<TSDocument>();
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(section);
    std::vector<QString> notes;
    for (int i = 0; i < 300; ++i) {
        auto line = std::make_shared<TSMatchedChunk>();
        auto latin = AttributedString::make(QStringLiteral("versus%1 Gallia est omnis divisa").arg(i, 4, 10, QLatin1Char('0')));
        if (i % 40 == 7) {
            FootnoteObjectPtr note = doc->footnotes()->makeNewNote();
            note->setNoteFromString(QStringLiteral("adnotatio%1").arg(i, 4, 10, QLatin1Char('0')));
            latin->append(noted(QStringLiteral("[1]"), note->uniqueID()));
            notes.push_back(QStringLiteral("adnotatio%1").arg(i, 4, 10, QLatin1Char('0')));
        }
        line->setLatin(latin);
        section->addChild(line);
    }
    doc->setText(text);
    auto* window = new TSDocumentWindow(doc);
    const QString pdf = dir.filePath(QStringLiteral("parallel.pdf"));
    ASSERT_TRUE(window->printToPdf(pdf));
    int pages = 0;
    const QString all = pdfText(pdf, &pages);
    EXPECT_GT(pages, 3);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(all.count(QStringLiteral("versus%1").arg(i, 4, 10, QLatin1Char('0'))), 1) << i;
    for (const QString& n : notes) EXPECT_EQ(all.count(n), 1) << n.toStdString();
    delete window;
}

TEST(MyDocumentWindow, FacsimileFrame) {
    // Fit height on a 1000 x 2000 image in an area 500 high: 250 x 500, centred.
    EXPECT_EQ(FacsimileView::frameFor(-1, {800, 500}, {1000, 2000}), QRectF(275, 0, 250, 500));
    EXPECT_EQ(FacsimileView::frameFor(-2, {400, 500}, {1000, 2000}), QRectF(0, 0, 400, 800));
    EXPECT_EQ(FacsimileView::frameFor(1, {800, 500}, {100, 50}), QRectF(350, 225, 100, 50));
    EXPECT_EQ(FacsimileView::frameFor(1, {800, 500}, {100, 900}), QRectF(0, 0, 100, 900));
    QScrollArea area;
    FacsimileView view(&area);
    view.setScale(0);
    view.setScale(-3);
    EXPECT_EQ(view.scale(), 1.0f);
}

TEST(MyDocumentWindow, PrintPanelCancelledStoresNothing) {
    auto prompter = std::make_shared<ScriptedPrompter>();
    Prompter::Scope scope(prompter);
    prompter->queueModalPanelAnswer(0);
    TSStringPrintView view;
    view.setPrintField(AttributedString(QStringLiteral("nihil")));
    EXPECT_FALSE(view.doPrint());
    EXPECT_EQ(prompter->modalPanelCount(), 1);
}

// The Text menu follows the pane with the keyboard and its selection, and
// offers Set Image.
TEST(MyDocumentWindow, TextMenuItemsFollowThePaneAndItsSelection) {
    auto doc = std::make_shared<MyDocument>();
    doc->setLatin(AttributedString(QStringLiteral("Musa mihi causas memora")));
    auto* window = new MyDocumentWindow(doc);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto item = [window](const QString& title) -> QAction* {
        for (QAction* a : window->textMenu()->actions())
            if (a->text() == title) return a;
        return nullptr;
    };
    for (const char* t : {"Set Image…", "Add Footnote", "Link to Footnote…", "Copy with Footnotes", "Add to Vocabulary"})
        ASSERT_NE(item(QString::fromUtf8(t)), nullptr) << t;

    window->scaleBox()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item(QStringLiteral("Add Footnote"))->isEnabled(); }, 20000));
    window->latinView()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return item(QStringLiteral("Add Footnote"))->isEnabled(); }, 20000));
    EXPECT_FALSE(item(QStringLiteral("Copy with Footnotes"))->isEnabled());
    EXPECT_FALSE(item(QStringLiteral("Add to Vocabulary"))->isEnabled());
    EXPECT_FALSE(item(QStringLiteral("Link to Footnote…"))->isEnabled());
    QTextCursor c = window->latinView()->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    window->latinView()->setTextCursor(c);
    EXPECT_TRUE(item(QStringLiteral("Copy with Footnotes"))->isEnabled());
    EXPECT_TRUE(item(QStringLiteral("Add to Vocabulary"))->isEnabled());
    doc->footnotes()->makeNewNote();
    Q_EMIT window->textMenu()->aboutToShow();
    EXPECT_TRUE(item(QStringLiteral("Link to Footnote…"))->isEnabled());
    // A greyed item's key does nothing.
    window->scaleBox()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item(QStringLiteral("Add Footnote"))->isEnabled(); }, 20000));
    const qint64 notes = doc->footnotes()->count();
    QTest::keyClick(window->scaleBox(), Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(doc->footnotes()->count(), notes);
    window->close();
    delete window;
}

TEST(MyDocumentWindow, EditsMarkOnlyTheirOwnDocumentAndMarkingNeedsItsText) {
    auto one = std::make_shared<MyDocument>();
    auto two = std::make_shared<MyDocument>();
    auto* first = new MyDocumentWindow(one);
    auto* second = new MyDocumentWindow(two);
    one->updateChangeCount(Document::ChangeCleared);
    two->updateChangeCount(Document::ChangeCleared);

    // Highlight removed in the first document's pane; its vocabulary changed.
    Attributes yellow;
    yellow[AttributeName::BackgroundColor] = Value(Color::calibratedRgb(1, 1, 0));
    first->latinView()->setAttributedText(AttributedString(QStringLiteral("Musa mihi causas memora"), yellow));
    one->updateChangeCount(Document::ChangeCleared);
    first->latinView()->removeColorFromRange(2);
    EXPECT_TRUE(first->latinView()->attributedText().attribute(AttributeName::BackgroundColor, 2).isNull());
    EXPECT_TRUE(one->isDocumentEdited());
    EXPECT_FALSE(two->isDocumentEdited());
    one->updateChangeCount(Document::ChangeCleared);
    NotificationCenter::defaultCenter().post(QStringLiteral("Vocab Changed"), two->vocabList().get());
    EXPECT_FALSE(one->isDocumentEdited());
    EXPECT_TRUE(two->isDocumentEdited());

    // Marks on the letter before the caret; metrical signs at the caret.
    MyTextField* latin = second->latinView();
    latin->setPlainText(QStringLiteral("arma"));
    QTextCursor c = latin->textCursor();
    c.setPosition(4);
    latin->setTextCursor(c);
    second->markLong();
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("armā"));
    c.setPosition(4);
    latin->setTextCursor(c);
    second->insertFoot();
    second->insertCaesura();
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("armā|\u2016"));

    // A marking result goes in only where its text is unchanged, undoably.
    latin->setPlainText(QStringLiteral("Gallia est omnis"));
    EXPECT_FALSE(latin->applyMacronized(0, QStringLiteral("Galliae"), AttributedString(QStringLiteral("Galliae"))));
    ASSERT_TRUE(latin->applyMacronized(11, QStringLiteral("omnis"), AttributedString(QStringLiteral("omnīs"))));
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("Gallia est omnīs"));
    latin->undo();
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("Gallia est omnis"));

    // Cover mode hides the Latin, one word comes back at a time.
    latin->setPlainText(QStringLiteral("arma virumque"));
    latin->hideText(true);
    latin->uncoverOne();
    const QColor standard = RichTextConversion::toQColor(Color::textColor());
    QTextCursor at(latin->document());
    at.setPosition(2);
    EXPECT_EQ(at.charFormat().foreground().color(), standard);
    at.setPosition(8);
    EXPECT_NE(at.charFormat().foreground().color(), standard);
    delete first;
    delete second;
}

// Covered Latin showed where its words were misspelt by their red underline.
TEST(MyDocumentWindow, CoveredLatinShowsNoSpellingUnderline) {
    if (!SpellingHighlighter::checkerFor(QStringLiteral("la"))) GTEST_SKIP() << "no Latin hunspell dictionary (DICPATH)";
    auto* window = new MyDocumentWindow(std::make_shared<MyDocument>());
    window->resize(900, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    MyTextField* latin = window->latinView();
    auto* spelling = latin->findChild<SpellingHighlighter*>();
    ASSERT_TRUE(spelling);
    const QString text = QStringLiteral("arma virumqe cano");
    const int wrong = int(text.indexOf(QLatin1String("virumqe")));
    auto underlined = [&] {
        for (const QTextLayout::FormatRange& r : latin->document()->firstBlock().layout()->formats())
            if (r.start <= wrong && r.start + r.length >= wrong + 7 && r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                return true;
        return false;
    };
    Attributes highlighted;
    highlighted[AttributeName::BackgroundColor] = Value(Color::calibratedRgb(1, 1, 0.6));
    for (const Attributes& look : {Attributes{}, highlighted}) {
        SCOPED_TRACE(look.empty() ? "on the page" : "highlighted");
        latin->setAttributedText(AttributedString(text, look));
        ASSERT_TRUE(waitUntil(underlined));
        latin->hideText(true);
        EXPECT_TRUE(waitUntil([&] { return !underlined(); }));
        QMenu guesses;
        EXPECT_EQ(spelling->addSuggestions(&guesses, wrong + 2), 0) << "no guess gives the covered word away";
        EXPECT_TRUE(guesses.actions().isEmpty());
        // Uncovered word by word, the wrong one shows its underline again.
        latin->uncoverOne();
        EXPECT_FALSE(underlined());
        latin->uncoverOne();
        EXPECT_TRUE(waitUntil(underlined));
    }
    delete window;
}

// A vocabulary link's tip showed the Latin and the meanings stored one per
// line on one line, the lines' breaks drawn as blanks.
TEST(MyDocumentWindow, VocabularyTipShowsTheLatinAndEachMeaningOnALine) {
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    WordPtr vir = doc->vocabList()->makeNewWord(QStringLiteral("vir viri"));
    vir->setMeaning(QStringLiteral("man\rhusband\r\nhero"));
    MyTextField* latin = window->latinView();
    latin->setPlainText(QStringLiteral("arma virumque cano"));
    latin->linkTextToVocab(vir->uniqueID(), 5, 13);
    QTextCursor at(latin->document());
    at.setPosition(8);
    const QPoint point = latin->cursorRect(at).center();
    QHelpEvent help(QEvent::ToolTip, point, latin->viewport()->mapToGlobal(point));
    QApplication::sendEvent(latin->viewport(), &help);
    ASSERT_TRUE(waitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text().split(QLatin1Char('\n')),
              (QStringList{vir->getToolTipString().section(QLatin1Char('\r'), 0, 0), "man", "husband", "hero"}));
    QToolTip::hideText();
    delete window;
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
