// The footnote editor and picker, alone and driven from a parallel-text
// window: what each reports, Return saving only its own editor, pasting in
// the text colour, and the window's add, link, click and copy commands.

#include "documents/gui/FootnoteWindows.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "documents/gui/TSRowCommands.h"

#include "app/core/TSBundle.h"
#include "platform/Color.h"
#include "platform/Prompter.h"
#include "platform/gui/RichTextConversion.h"
#include "support/GuiTestSupport.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace N = FootnoteNotification;

namespace {

// Every footnote notification posted while it lives.
struct Heard {
    std::vector<ts::Notification> all;
    std::vector<ts::ObserverToken> tokens;
    Heard() {
        for (const QString& name : {N::kSaved, N::kCancelled, N::kLink})
            tokens.push_back(ts::NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this](const ts::Notification& n) { all.push_back(n); }));
    }
    QStringList names() const {
        QStringList out;
        for (const auto& n : all) out << n.name;
        return out;
    }
};

FootnoteObjectPtr note(const QString& title, const QString& text) {
    auto n = std::make_shared<FootnoteObject>();
    n->setUniqueID(QStringLiteral("footnote:") + title + text);
    n->setTitle(title);
    n->setNoteFromString(text);
    return n;
}

void saveGallery(QWidget* widget, const QString& name) {
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (gallery.isEmpty()) return;
    QDir().mkpath(gallery);
    EXPECT_TRUE(widget->grab().toImage().save(gallery + QLatin1Char('/') + name));
}

}  // namespace

TEST(FootnoteEditor, ReturnSavesOnlyItsOwnEditorAndCancelReports) {
    Heard heard;
    FootnoteWindowController one, two;
    auto field = FootnoteOrigin::make(nullptr);
    FootnoteObjectPtr first = note(QStringLiteral("arma"), QStringLiteral("old"));
    one.setOriginatingField(field);
    one.setFootnote(first);
    two.setOriginatingField(field);
    two.setFootnote(note(QString(), QStringLiteral("other")));
    one.show();
    two.show();
    EXPECT_EQ(one.titleField()->text(), QStringLiteral("arma"));
    EXPECT_EQ(one.currentNoteField()->toPlainText(), QStringLiteral("old"));

    one.currentNoteField()->selectAll();
    QTest::keyClicks(one.currentNoteField(), QStringLiteral("weapons"));
    QTest::keyClick(one.currentNoteField(), Qt::Key_Return);
    ASSERT_EQ(heard.names(), QStringList{N::kSaved});
    EXPECT_EQ(heard.all[0].sender, &one);
    EXPECT_EQ(heard.all[0].userInfo.at(N::kTheFootnote).toObjectAs<FootnoteObject>(), first);
    EXPECT_EQ(heard.all[0].userInfo.at(N::kField).toObjectAs<FootnoteOrigin>(), field);
    EXPECT_FALSE(heard.all[0].userInfo.count(N::kWindow));  // none was set
    EXPECT_EQ(first->attributedString()->string(), QStringLiteral("weapons"));
    EXPECT_FALSE(one.isVisible());
    EXPECT_TRUE(two.isVisible());

    // A note without a title after one with a title shows an empty title.
    one.setFootnote(note(QString(), QStringLiteral("x")));
    EXPECT_TRUE(one.titleField()->text().isEmpty());
    one.setFootnote(nullptr);
    EXPECT_TRUE(one.currentNoteField()->toPlainText().isEmpty());

    FootnoteObjectPtr kept = two.footnote();
    two.currentNoteField()->setPlainText(QStringLiteral("changed"));
    two.cancelFootnoteChanges();
    EXPECT_EQ(heard.names().last(), N::kCancelled);
    EXPECT_EQ(kept->attributedString()->string(), QStringLiteral("other"));
    EXPECT_FALSE(two.isVisible());
}

TEST(FootnoteEditor, PasteTakesTheTextColourAndLeavesTheClipboard) {
    auto* mime = new QMimeData;
    mime->setHtml(QStringLiteral("<span style=\"color:#ff0000\">rubra</span>"));
    QApplication::clipboard()->setMimeData(mime);
    const QString before = QApplication::clipboard()->mimeData()->html();
    FootnoteWindowController editor;
    editor.show();
    editor.currentNoteField()->paste();
    EXPECT_EQ(editor.currentNoteField()->toPlainText(), QStringLiteral("rubra"));
    QTextCursor cursor(editor.currentNoteField()->document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().foreground().color(), RichTextConversion::toQColor(ts::Color::textColor()));
    EXPECT_EQ(QApplication::clipboard()->mimeData()->html(), before);
}

TEST(FootnotePicker, LinksTheSelectedRowOnly) {
    Heard heard;
    auto list = std::make_shared<FootnoteList>();
    list->addNote(note(QStringLiteral("b"), QStringLiteral("second")));
    list->addNote(note(QStringLiteral("a"), QStringLiteral("first")));
    FootnoteListController picker;
    picker.setFootnotes(list);
    picker.show();
    ASSERT_EQ(picker.footnoteListField()->count(), 2);
    EXPECT_EQ(picker.footnoteListField()->item(0)->text(), QStringLiteral("a: first"));
    picker.linkToFootnote();  // nothing selected: only closes
    EXPECT_TRUE(heard.all.empty());
    EXPECT_FALSE(picker.isVisible());
    picker.show();
    picker.cancelFootnoteListChanges();
    EXPECT_TRUE(heard.all.empty());
    picker.show();
    picker.footnoteListField()->setCurrentRow(1);
    picker.linkToFootnote();
    ASSERT_EQ(heard.names(), QStringList{N::kLink});
    EXPECT_EQ(heard.all[0].userInfo.at(N::kTheFootnote).toObjectAs<FootnoteObject>()->title(), QStringLiteral("b"));
}

// From a window: a note added at an editor's selection, saved with Return;
// the same note linked from another row through the picker; a click on a
// marker opens it; a row's copy writes it out.
TEST(FootnoteCommands, AddLinkClickAndCopyFromRows) {
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(ts::AttributedString::make(QStringLiteral("Liber I")));
    text->addChild(section);
    std::vector<std::shared_ptr<TSMatchedChunk>> lines;
    for (const char* l : {"arma virumque cano", "Troiae qui primus"}) {
        auto line = std::make_shared<TSMatchedChunk>();
        line->setLatin(ts::AttributedString::make(QString::fromUtf8(l)));
        line->setEnglish(ts::AttributedString::make(QStringLiteral("…")));
        section->addChild(line);
        lines.push_back(line);
    }
    auto doc = std::make_shared<TSDocument>();
    doc->setText(text);
    TSDocumentWindow window(doc);
    window.resize(900, 400);
    window.show();
    settle();
    const auto at = [&](const TSChunk* c) { return window.model()->indexForChunk(c, TSOutlineModel::LatinColumn); };

    window.linkToFootnote();  // no footnotes yet: nothing opens
    EXPECT_FALSE(window.footnoteListWindow()->isVisible());

    window.outlineView()->setCurrentIndex(at(lines[0].get()));
    window.outlineView()->edit(at(lines[0].get()));
    settle();
    auto* editor = window.outlineView()->viewport()->findChild<QTextEdit*>();
    ASSERT_TRUE(editor);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    window.addFootnote();
    settle();
    EXPECT_EQ(lines[0]->latin()->string(), QStringLiteral("arma[1] virumque cano"));
    FootnoteWindowController* noteWindow = window.footnoteWindow();
    ASSERT_TRUE(noteWindow->isVisible());
    EXPECT_EQ(noteWindow->titleField()->text(), QStringLiteral("arma"));
    QTest::keyClicks(noteWindow->currentNoteField(), QStringLiteral("weapons of war"));
    saveGallery(noteWindow, QStringLiteral("footnote-editor.png"));
    QTest::keyClick(noteWindow->currentNoteField(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(noteWindow->isVisible());
    ASSERT_EQ(doc->footnotes()->count(), 1);
    FootnoteObjectPtr added = doc->footnotes()->objectAtIndex(0);
    EXPECT_EQ(added->description(), QStringLiteral("arma: weapons of war"));
    window.commitEditing();
    EXPECT_EQ(lines[0]->latin()->string(), QStringLiteral("arma[1] virumque cano"));

    // Linked again from the second row, at the end of its text.
    window.outlineView()->setCurrentIndex(at(lines[1].get()));
    window.linkToFootnote();
    FootnoteListController* picker = window.footnoteListWindow();
    ASSERT_TRUE(picker->isVisible());
    ASSERT_EQ(picker->footnoteListField()->count(), 1);
    picker->footnoteListField()->setCurrentRow(0);
    picker->linkToFootnote();
    settle();
    EXPECT_EQ(lines[1]->latin()->string(), QStringLiteral("Troiae qui primus[1]"));

    // A second note before the first: numbers follow reading order; taking
    // the markers out of a row's text renumbers the rest.
    ASSERT_TRUE(doc->addFootnote(lines[0], QStringLiteral("latin"), 0));
    EXPECT_EQ(lines[0]->latin()->string(), QStringLiteral("[1]arma[2] virumque cano"));
    EXPECT_EQ(lines[1]->latin()->string(), QStringLiteral("Troiae qui primus[2]"));
    window.model()->setRichText(at(lines[0].get()), ts::AttributedString(QStringLiteral("arma virumque cano")));
    EXPECT_EQ(lines[1]->latin()->string(), QStringLiteral("Troiae qui primus[1]"));

    // Another window's picker changes nothing here.
    FootnoteListController stranger;
    stranger.setOriginatingWindow(FootnoteOrigin::make(&stranger));
    stranger.setOriginatingField(FootnoteOrigin::make(&stranger, lines[1], QStringLiteral("latin")));
    stranger.setFootnotes(doc->footnotes());
    stranger.footnoteListField()->setCurrentRow(0);
    stranger.linkToFootnote();
    EXPECT_EQ(lines[1]->latin()->string(), QStringLiteral("Troiae qui primus[1]"));

    QString copied;
    TSChunk::setPasteboardWriter([&](const ts::Value& v) {
        if (auto t = v.toObjectAs<ts::AttributedString>()) copied = t->string();
        return true;
    });
    window.rowCommands()->copyText(at(lines[1].get()), true);
    // The line ends as copies of lines do, then come the notes.
    EXPECT_EQ(copied, QStringLiteral("Troiae qui primus(1)\r\n\n1. weapons of war\n"));
    window.rowCommands()->copyInterlinear(at(lines[1].get()));
    EXPECT_TRUE(copied.startsWith(QStringLiteral("Troiae qui primus(1)"))) << copied.toStdString();
    EXPECT_TRUE(copied.endsWith(QStringLiteral("\n\n1. weapons of war\n"))) << copied.toStdString();
    TSChunk::setPasteboardWriter(nullptr);

    // A click on the marker opens its note.
    noteWindow->setFootnote(nullptr);
    EXPECT_TRUE(window.linkClicked(added->uniqueID(), at(lines[1].get())));
    EXPECT_TRUE(noteWindow->isVisible());
    EXPECT_EQ(noteWindow->footnote(), added);
    noteWindow->cancelFootnoteChanges();
    EXPECT_FALSE(window.linkClicked(QStringLiteral("http://example.org"), at(lines[1].get())));
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    TSBundle::installLocalizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
