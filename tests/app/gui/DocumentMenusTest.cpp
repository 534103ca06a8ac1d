// The menus of every main window and the document commands behind them,
// offscreen: a parallel-text document window and the empty main window
// carry the same menus with the standard keys; New Structured Window is
// ready for typing and adds lines; Ctrl+S saves (asking for a name with the
// document type's extension, starting in the documents folder); a failed
// save says why and keeps the edits; Revert reads the file again; window
// frames are remembered and document windows cascade.
#include "AppTestSupport.h"

#include "app/gui/MainWindow.h"
#include "app/gui/PrefsWindowController.h"
#include "app/gui/QMRawTransmissionsWindowController.h"
#include "documents/gui/MyDocumentWindow.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "platform/UserDefaults.h"
#include "platform/gui/WindowFrame.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

namespace {

AppHarness& harness() {
    static bool installed = false;
    AppHarness& h = AppHarness::get();
    if (!installed) {
        installed = true;
        TSDocumentWindow::install(h.documents);
        // Panels start in the user's documents folder when it exists.
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    }
    return h;
}

QAction* windowAction(QMainWindow* window, const QString& selector) {
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->objectName() == selector) return a;
    return nullptr;
}

// Triggers a window's command as its menu item would, after the menu
// brought its state up to date.
bool trigger(QMainWindow* window, const QString& selector) {
    AppHarness::get().controller->validateMenus(window);
    QAction* a = windowAction(window, selector);
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    drainEvents();
    return true;
}

QStringList menuTitles(QMainWindow* window) {
    QStringList titles;
    for (QAction* top : window->menuBar()->actions()) titles << QString(top->text()).remove('&');
    return titles;
}

std::vector<TSDocumentWindow*> documentWindows() {
    std::vector<TSDocumentWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TSDocumentWindow*>(w); d && d->isVisible()) out.push_back(d);
    return out;
}

TSDocumentWindow* newStructuredWindow(QMainWindow* from) {
    const auto before = documentWindows();
    if (!trigger(from, "newStructuredWindow:")) return nullptr;
    for (TSDocumentWindow* w : documentWindows())
        if (std::find(before.begin(), before.end(), w) == before.end()) return w;
    return nullptr;
}

void activate(QWidget* window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

void closeQuietly(QWidget* window) {
    if (auto* d = qobject_cast<TSDocumentWindow*>(window)) d->document()->updateChangeCount(ts::Document::ChangeCleared);
    window->close();
    drainEvents();
}

QString latinOf(const TSDocumentPtr& document, int row) {
    auto chunk = std::dynamic_pointer_cast<TSMatchedChunk>(document->text()->childAt(row));
    return chunk && chunk->latin() ? chunk->latin()->string() : QString();
}

QString documentsFolder() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

}  // namespace

TEST(DocumentMenus, EveryMainWindowCarriesTheSameMenusWithTheStandardKeys) {
    AppHarness& h = harness();
    ASSERT_EQ(ts::DocumentController::sharedDocumentController(), &h.documents);
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* document = newStructuredWindow(empty);
    ASSERT_NE(document, nullptr);
    const QStringList expected{"File", "Edit", "Tools", "Window", "Help"};
    EXPECT_EQ(menuTitles(empty), expected);
    EXPECT_EQ(menuTitles(document), expected);

    const struct {
        const char* selector;
        QKeySequence key;
    } keys[] = {
        {"newDocument:", QKeySequence(Qt::CTRL | Qt::Key_N)},         {"openDocument:", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"performClose:", QKeySequence(Qt::CTRL | Qt::Key_W)},        {"saveDocument:", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"saveDocumentAs:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, {"terminate:", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"undo:", QKeySequence(Qt::CTRL | Qt::Key_Z)},                {"cut:", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"copy:", QKeySequence(Qt::CTRL | Qt::Key_C)},                {"paste:", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"selectAll:", QKeySequence(Qt::CTRL | Qt::Key_A)},           {"performFindPanelAction:", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"findNext:", QKeySequence(Qt::CTRL | Qt::Key_G)},            {"findPrevious:", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
    };
    for (QMainWindow* w : {static_cast<QMainWindow*>(empty), static_cast<QMainWindow*>(document)})
        for (const auto& k : keys) {
            QAction* a = windowAction(w, k.selector);
            ASSERT_NE(a, nullptr) << k.selector;
            EXPECT_TRUE(a->shortcuts().contains(k.key)) << k.selector;
        }

    // What cannot run now is disabled: the two-pane document does not exist
    // yet, a window without a document has nothing to save or find in, and
    // tools whose windows are not built are greyed.
    const struct {
        const char* selector;
        bool inEmptyWindow;
        bool inDocumentWindow;
    } states[] = {
        {"newDocument:", false, false},          {"newStructuredWindow:", true, true},
        {"saveDocument:", false, true},          {"saveDocumentAs:", false, true},
        {"revertDocumentToSaved:", false, false}, {"performFindPanelAction:", false, true},
        {"addLine:", false, true},               {"showAnagramWindow:", false, false},
        {"performClose:", true, true},           {"showZerivuvWindow:", true, true},
    };
    h.controller->validateMenus(empty);
    h.controller->validateMenus(document);
    for (const auto& s : states) {
        EXPECT_EQ(windowAction(empty, s.selector)->isEnabled(), s.inEmptyWindow) << s.selector << " in the empty window";
        EXPECT_EQ(windowAction(document, s.selector)->isEnabled(), s.inDocumentWindow) << s.selector;
    }

    // The Window menu lists both windows and checks its own.
    QMenu* windowMenu = nullptr;
    for (QAction* top : document->menuBar()->actions())
        if (top->objectName() == "Window") windowMenu = top->menu();
    ASSERT_NE(windowMenu, nullptr);
    Q_EMIT windowMenu->aboutToShow();
    QStringList listed, checked;
    for (QAction* a : windowMenu->actions())
        if (a->property("tsWindowItem").toBool()) {
            listed << a->text();
            if (a->isChecked()) checked << a->text();
        }
    EXPECT_TRUE(listed.contains("Tessarin"));
    EXPECT_TRUE(listed.contains("Untitled")) << listed.join(", ").toStdString();
    EXPECT_EQ(checked, QStringList{"Untitled"});
    closeQuietly(document);
    closeQuietly(empty);
}

TEST(DocumentMenus, NewStructuredWindowIsReadyForTypingAndAddsLines) {
    AppHarness& h = harness();
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* window = newStructuredWindow(empty);
    ASSERT_NE(window, nullptr);
    activate(window);
    TSOutlineView* outline = window->outlineView();
    EXPECT_TRUE(outline->viewport()->isAncestorOf(QApplication::focusWidget())) << "a cell editor has the keys";
    EXPECT_EQ(outline->currentIndex(), window->model()->index(0, TSOutlineModel::LatinColumn));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), "arma virumque");

    // Ctrl+Return adds the next line and opens its editor; the first keeps
    // what was typed.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    drainEvents();
    ASSERT_EQ(window->model()->rowCount(), 2);
    EXPECT_EQ(latinOf(window->document(), 0), "arma virumque");
    EXPECT_EQ(outline->currentIndex().row(), 1);
    EXPECT_TRUE(outline->viewport()->isAncestorOf(QApplication::focusWidget())) << "a cell editor has the keys";
    QTest::keyClicks(QApplication::focusWidget(), "cano");
    EXPECT_TRUE(trigger(window, "addLine:"));
    EXPECT_EQ(window->model()->rowCount(), 3);
    EXPECT_EQ(latinOf(window->document(), 1), "cano");
    EXPECT_TRUE(window->document()->isDocumentEdited());
    closeQuietly(window);
    closeQuietly(empty);
}

TEST(DocumentMenus, CtrlSSavesAskingForANameWithTheExtensionInTheDocumentsFolder) {
    AppHarness& h = harness();
    ts::UserDefaults::standardUserDefaults()->removeObjectForKey("LastPanelDirectory");
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* window = newStructuredWindow(empty);
    ASSERT_NE(window, nullptr);
    activate(window);
    QTest::keyClicks(QApplication::focusWidget(), "Gallia est omnis");

    // Untitled: Ctrl+S asks for a name; the answer has no extension.
    const QString chosen = documentsFolder() + "/gallia";
    h.prompter->queueSavePanelAnswer(chosen);
    const size_t panels = h.prompter->savePanels().size();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    drainEvents();
    ASSERT_EQ(h.prompter->savePanels().size(), panels + 1);
    const ts::SavePanelRequest asked = h.prompter->savePanels().back();
    EXPECT_EQ(asked.directory, documentsFolder());
    EXPECT_EQ(asked.allowedFileTypes, QStringList{"tsdx"});
    EXPECT_EQ(asked.nameFieldStringValue, "Untitled.tsdx");
    const QString saved = chosen + ".tsdx";
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_FALSE(window->document()->isDocumentEdited());
    EXPECT_EQ(window->windowTitle(), "gallia.tsdx[*]");
    EXPECT_EQ(h.documents.recentDocumentURLs().value(0), saved);

    // Saved: Ctrl+S writes in place without asking.
    window->model()->setData(window->model()->index(0, TSOutlineModel::LatinColumn), "Gallia est omnis divisa");
    QTest::keyClick(window->outlineView(), Qt::Key_S, Qt::ControlModifier);
    drainEvents();
    EXPECT_EQ(h.prompter->savePanels().size(), panels + 1);
    EXPECT_FALSE(window->document()->isDocumentEdited());
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(saved, TSDocument::kTypeName, nullptr));
    EXPECT_EQ(latinOf(reread, 0), "Gallia est omnis divisa");
    // The file is recognised as a document when it opens again.
    EXPECT_EQ(h.documents.typeForContentsOfURL(saved), TSDocument::kTypeName);

    // The next panel, open or save, starts where the last one chose.
    const QString elsewhere = AppHarness::home() + "/elsewhere";
    QDir().mkpath(elsewhere);
    h.prompter->queueSavePanelAnswer(elsewhere + "/copy.TSDX");
    EXPECT_TRUE(trigger(window, "saveDocumentAs:"));
    EXPECT_TRUE(QFileInfo::exists(elsewhere + "/copy.TSDX")) << "an extension in any case is kept";
    h.prompter->queueOpenPanelAnswer({});
    EXPECT_TRUE(trigger(window, "openDocument:"));
    EXPECT_EQ(h.prompter->openPanels().back().directory, elsewhere);
    // So does a document opened another way (the command line, Open Recent).
    const QString other = AppHarness::home() + "/other";
    QDir().mkpath(other);
    ASSERT_TRUE(QFile::copy(saved, other + "/gallia.tsdx"));
    h.documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(other + "/gallia.tsdx"), false, nullptr);
    h.prompter->queueOpenPanelAnswer({});
    EXPECT_TRUE(trigger(window, "openDocument:"));
    EXPECT_EQ(h.prompter->openPanels().back().directory, other);
    if (ts::DocumentPtr d = h.documents.documentForURL(other + "/gallia.tsdx")) d->close();
    closeQuietly(window);
    closeQuietly(empty);
}

TEST(DocumentMenus, AFailedSaveSaysWhyAndKeepsTheEdits) {
    AppHarness& h = harness();
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* window = newStructuredWindow(empty);
    ASSERT_NE(window, nullptr);
    window->model()->setData(window->model()->index(0, TSOutlineModel::LatinColumn), "Quo usque tandem");
    const size_t alerts = h.prompter->alerts().size();
    const QString missing = AppHarness::home() + "/no/such/folder/catilina";
    h.prompter->queueSavePanelAnswer(missing);
    EXPECT_TRUE(trigger(window, "saveDocument:"));
    ASSERT_EQ(h.prompter->alerts().size(), alerts + 1);
    EXPECT_EQ(h.prompter->alerts().back().messageText, "The document could not be saved.");
    EXPECT_TRUE(h.prompter->alerts().back().informativeText.contains(missing + ".tsdx"));
    EXPECT_TRUE(window->document()->isDocumentEdited());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->document()->fileURL().isEmpty());

    // Saving over a link writes the file it points to and keeps the link;
    // no temporary file is left beside it.
    const QString folder = AppHarness::home() + "/linked";
    QDir().mkpath(folder);
    ASSERT_TRUE(writeAll(folder + "/target.tsdx", "old"));
    ASSERT_TRUE(QFile::link(folder + "/target.tsdx", folder + "/link.tsdx"));
    h.prompter->queueSavePanelAnswer(folder + "/link.tsdx");
    EXPECT_TRUE(trigger(window, "saveDocumentAs:"));
    EXPECT_TRUE(QFileInfo(folder + "/link.tsdx").isSymLink());
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(folder + "/target.tsdx", TSDocument::kTypeName, nullptr));
    EXPECT_EQ(latinOf(reread, 0), "Quo usque tandem");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::System).size(), 2);
    closeQuietly(window);
    closeQuietly(empty);
}

TEST(DocumentMenus, RevertToSavedAsksThenShowsTheSavedText) {
    AppHarness& h = harness();
    const QString path = documentsFolder() + "/revert.tsdx";
    {
        auto doc = std::make_shared<TSDocument>();
        auto line = std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0));
        line->setLatin(ts::AttributedString::make("Arma virumque cano"));
        ASSERT_TRUE(doc->saveToURL(path, TSDocument::kTypeName, nullptr));
    }
    ts::DocumentPtr opened;
    h.documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
                                              [&](ts::DocumentPtr d, bool, const ts::DocumentError*) { opened = d; });
    ASSERT_TRUE(opened);
    TSDocumentWindow* window = nullptr;
    for (TSDocumentWindow* w : documentWindows())
        if (w->document() == opened) window = w;
    ASSERT_NE(window, nullptr);
    h.controller->validateMenus(window);
    EXPECT_FALSE(windowAction(window, "revertDocumentToSaved:")->isEnabled()) << "nothing to revert";
    window->model()->setData(window->model()->index(0, TSOutlineModel::LatinColumn), "changed");

    h.prompter->queueAlertAnswer(0);  // Cancel
    EXPECT_TRUE(trigger(window, "revertDocumentToSaved:"));
    EXPECT_EQ(latinOf(window->document(), 0), "changed");
    EXPECT_EQ(h.prompter->alerts().back().buttons, (QStringList{"Cancel", "Revert"}));

    QPointer<TSDocumentWindow> old(window);
    const QRect frame = window->geometry();
    h.prompter->queueAlertAnswer(1);  // Revert
    EXPECT_TRUE(trigger(window, "revertDocumentToSaved:"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    TSDocumentWindow* reverted = nullptr;
    for (TSDocumentWindow* w : documentWindows())
        if (w->document()->fileURL() == path) reverted = w;
    ASSERT_NE(reverted, nullptr);
    EXPECT_EQ(latinOf(reverted->document(), 0), "Arma virumque cano");
    EXPECT_FALSE(reverted->document()->isDocumentEdited());
    EXPECT_EQ(reverted->geometry(), frame);
    EXPECT_EQ(h.documents.documentForURL(path), reverted->document());
    closeQuietly(reverted);
}

TEST(DocumentMenus, EditCommandsActOnTheFocusedField) {
    AppHarness& h = harness();
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* window = newStructuredWindow(empty);
    ASSERT_NE(window, nullptr);
    activate(window);
    EXPECT_TRUE(trigger(window, "performFindPanelAction:"));
    QLineEdit* field = window->findField();
    EXPECT_TRUE(field->hasFocus());
    field->setText("Tityre");
    EXPECT_TRUE(trigger(window, "selectAll:"));
    EXPECT_EQ(field->selectedText(), "Tityre");
    EXPECT_TRUE(trigger(window, "copy:"));
    EXPECT_EQ(QApplication::clipboard()->text(), "Tityre");
    EXPECT_TRUE(trigger(window, "cut:"));
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(trigger(window, "undo:"));
    EXPECT_EQ(field->text(), "Tityre");
    field->setReadOnly(true);
    h.controller->validateMenus(window);
    EXPECT_FALSE(windowAction(window, "paste:")->isEnabled());
    closeQuietly(window);
    closeQuietly(empty);
}

TEST(WindowFrames, RememberedByTheirNamesAndDocumentWindowsCascade) {
    AppHarness& h = harness();
    const struct {
        const char* name;
        std::function<QWidget*()> make;
        std::function<void()> dispose;
    } windows[] = {
        {"Preferences", [] { return static_cast<QWidget*>(PrefsWindowController::getPrefsWindow()); },
         [] { PrefsWindowController::disposeSharedWindow(); }},
        {"RawTransmissionsWindowController",
         [] { return static_cast<QWidget*>(QMRawTransmissionsWindowController::rawTransmissionsWindowController()); },
         [] { delete QMRawTransmissionsWindowController::rawTransmissionsWindowController(); }},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        QWidget* window = w.make();
        window->show();
        const QRect frame(140, 120, 700, 520);
        window->setGeometry(frame);
        drainEvents();
        EXPECT_EQ(ts::WindowFrame::storedFrame(w.name), frame);
        w.dispose();
        QWidget* again = w.make();
        EXPECT_EQ(again->geometry(), frame);
        w.dispose();
    }

    // New documents open where the last document window was, each one
    // further down and right than the one it would cover.
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    TSDocumentWindow* first = newStructuredWindow(empty);
    ASSERT_NE(first, nullptr);
    first->setGeometry(200, 150, 400, 300);
    drainEvents();
    EXPECT_EQ(ts::WindowFrame::storedFrame(TSDocumentWindow::kFrameAutosaveName), QRect(200, 150, 400, 300));
    TSDocumentWindow* second = newStructuredWindow(empty);
    TSDocumentWindow* third = newStructuredWindow(empty);
    ASSERT_TRUE(second && third);
    EXPECT_EQ(second->geometry().topLeft(), QPoint(200, 150) + QPoint(28, 28));
    EXPECT_EQ(second->geometry().size(), QSize(400, 300));
    EXPECT_EQ(third->geometry().topLeft(), QPoint(200, 150) + QPoint(56, 56));
    for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(second), static_cast<QWidget*>(third),
                       static_cast<QWidget*>(empty)})
        closeQuietly(w);
}

// New documents of both kinds are numbered among the untitled ones open, so
// that the Window menu tells their windows apart; a closed document's number
// goes to the next new one.
TEST(DocumentMenus, NewDocumentsAreNumberedSoTheWindowMenuTellsThemApart) {
    AppHarness& h = harness();
    MyDocumentWindow::install(h.documents);
    auto* empty = new MainWindow(h.controller.get());
    empty->show();
    auto makeNew = [&](const char* selector) -> QWidget* {
        const QWidgetList before = QApplication::topLevelWidgets();
        EXPECT_TRUE(trigger(empty, selector)) << selector;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w) && w->isVisible() && dynamic_cast<ts::DocumentWindow*>(w)) return w;
        return nullptr;
    };
    QWidgetList made;
    for (const char* selector : {"newDocument:", "newStructuredWindow:", "newDocument:"}) made << makeNew(selector);
    ASSERT_FALSE(made.contains(nullptr));
    QMenu* windowMenu = nullptr;
    for (QAction* top : empty->menuBar()->actions())
        if (top->objectName() == "Window") windowMenu = top->menu();
    Q_EMIT windowMenu->aboutToShow();
    QStringList listed;
    for (QAction* a : windowMenu->actions())
        if (a->property("tsWindowItem").toBool()) listed << a->text();
    const QStringList names{"Untitled", "Untitled 2", "Untitled 3"};
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(made[i]->windowTitle(), names[i] + "[*]");
        EXPECT_EQ(listed.count(names[i]), 1) << listed.join(", ").toStdString();
    }
    closeQuietly(made[1]);
    made[1] = makeNew("newDocument:");
    ASSERT_NE(made[1], nullptr);
    EXPECT_EQ(made[1]->windowTitle(), QStringLiteral("Untitled 2[*]"));
    for (QWidget* w : made + QWidgetList{empty}) closeQuietly(w);
}
