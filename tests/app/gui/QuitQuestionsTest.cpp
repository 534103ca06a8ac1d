// Revert asks about the open editor's text, and the first-start question
// waits for a window the user can see and answers No on Escape. (Quitting
// with edited documents is tested on the X server, tests/app/xvfb.)
#include "AppTestSupport.h"

#include "app/gui/MainWindow.h"
#include "app/gui/WidgetPrompter.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "platform/UserDefaults.h"
#include "platform/spelling/SpellChecker.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

AppHarness& harness() {
    static bool installed = false;
    AppHarness& h = AppHarness::get();
    if (!installed) {
        installed = true;
        if (!h.documents.hasDocumentType(TSDocument::kTypeName)) TSDocumentWindow::install(h.documents);
    }
    return h;
}

// A document with one line, saved to a file and shown in its window.
TSDocumentWindow* openDocument(const QString& path, const QString& latin) {
    auto doc = std::make_shared<TSDocument>();
    std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0))->setLatin(ts::AttributedString::make(latin));
    ts::DocumentError error;
    if (!doc->saveToURL(path, TSDocument::kTypeName, &error)) return nullptr;
    harness().documents.addDocument(doc);
    doc->makeWindowControllers();
    doc->showWindows();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TSDocumentWindow*>(w); d && d->document() == doc) return d;
    return nullptr;
}

QTextEdit* typeInto(TSDocumentWindow* window, const QString& typed) {
    const QModelIndex first = window->model()->index(0, TSOutlineModel::LatinColumn);
    window->outlineView()->setCurrentIndex(first);
    window->outlineView()->edit(first);
    drainEvents();
    auto* editor = window->findChild<QTextEdit*>();
    if (editor) QTest::keyClicks(editor, typed);
    return editor;
}

QString storedLatin(const QString& path) {
    auto doc = std::make_shared<TSDocument>();
    ts::DocumentError error;
    if (!doc->readFromURL(path, TSDocument::kTypeName, &error)) return {};
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0));
    return line && line->latin() ? line->latin()->string() : QString();
}

}  // namespace

// Revert asks about text still in a cell editor, and reads the file again.
TEST(QuitQuestions, RevertCountsTheOpenEditor) {
    AppHarness& h = harness();
    QTemporaryDir dir;
    const QString path = dir.filePath("revert.tsdx");
    TSDocumentWindow* window = openDocument(path, QStringLiteral("arma"));
    ASSERT_TRUE(window);
    ASSERT_TRUE(typeInto(window, QStringLiteral(" cano")));
    h.controller->validateMenus(window);
    QAction* revert = nullptr;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->objectName() == QLatin1String("revertDocumentToSaved:")) revert = a;
    ASSERT_TRUE(revert);
    EXPECT_TRUE(revert->isEnabled()) << "the editor holds an edit";
    const size_t asked = h.prompter->alerts().size();
    h.prompter->queueAlertAnswer(1);  // Revert
    revert->trigger();
    drainEvents();
    ASSERT_EQ(h.prompter->alerts().size(), asked + 1);
    EXPECT_EQ(storedLatin(path), QStringLiteral("arma"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TSDocumentWindow*>(w); d && d->isVisible() && d->document()->fileURL() == path) {
            d->document()->updateChangeCount(ts::Document::ChangeCleared);
            d->close();
        }
    drainEvents();
}

// The first-start question appears once a window is shown, parented to it;
// Escape answers No.
TEST(QuitQuestions, FirstStartQuestionWaitsForAWindowAndEscapeAnswersNo) {
    AppHarness& h = harness();
    auto defaults = ts::UserDefaults::standardUserDefaults();
    defaults->setBool(false, AppController::kSpellcheckerRefusedKey);
    // A fresh account: no Latin dictionary (an earlier test installed one).
    const QString spelling = ts::SpellChecker::userDictionaryFolder();
    QTemporaryDir aside;
    for (const char* name : {"la.dic", "la.aff"}) QFile::rename(spelling + "/" + name, aside.filePath(name));
    ASSERT_FALSE(AppController::latinSpellcheckAvailable());
    // No window on screen (earlier tests' windows are put away).
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    auto widgets = std::make_shared<WidgetPrompter>();
    ts::Prompter::Scope scope(widgets);
    QMessageBox* shownOver = nullptr;
    QWidget* parentSeen = nullptr;
    // The question's own loop runs: answer it with Escape once it shows.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        shownOver = box;
        parentSeen = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    poll.start();
    h.controller->offerSpellcheckerOnceAWindowShows();
    drainEvents();
    EXPECT_EQ(shownOver, nullptr) << "no window yet: no question";
    auto* window = new MainWindow(h.controller.get());
    window->show();
    for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && !defaults->boolForKey(AppController::kSpellcheckerRefusedKey);)
        QTest::qWait(10);
    poll.stop();
    EXPECT_NE(shownOver, nullptr);
    EXPECT_EQ(parentSeen, window);
    EXPECT_TRUE(defaults->boolForKey(AppController::kSpellcheckerRefusedKey)) << "Escape answered No";
    // Any question with a Cancel button answers Cancel on Escape.
    shownOver = nullptr;
    poll.start();
    ts::AlertRequest save;
    save.buttons = {"Save", "Cancel", "Don’t Save"};
    EXPECT_EQ(widgets->alert(save), 1);
    poll.stop();
    EXPECT_NE(shownOver, nullptr);
    window->close();
    drainEvents();
    for (const char* name : {"la.dic", "la.aff"}) QFile::rename(aside.filePath(name), spelling + "/" + name);
}
