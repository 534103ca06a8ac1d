// Every window answers the application's commands: a tool window that is a
// main window carries the menu bar, any other window the menus' keys; Ctrl+W
// closes the tool window, Escape closes Preferences; panels name their
// filters after what they open; Help's web and mail items say when no
// program takes them.

#include "AppTestSupport.h"

#include "app/gui/PrefsWindowController.h"
#include "app/gui/WidgetPrompter.h"
#include "platform/Mailer.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

void activate(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

QAction* menuBarAction(QMainWindow* window, const QString& selector) {
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->objectName() == selector) return a;
    return nullptr;
}

QAction* windowAction(QWidget* window, const QString& selector) {
    for (QAction* a : window->actions())
        if (a->objectName() == selector) return a;
    return nullptr;
}

}  // namespace

TEST(ToolWindowKeys, AMainToolWindowCarriesTheMenuBarAndCtrlWClosesIt) {
    AppHarness& h = AppHarness::get();
    AppController::setToolWindowFactory("constructionSearchWindow", [] {
        auto* w = new QMainWindow;
        w->setWindowTitle("Construction Search");
        w->setCentralWidget(new QLineEdit);
        return w;
    });
    h.controller->constructionSearch();
    auto* window = qobject_cast<QMainWindow*>(h.controller->toolWindow("constructionSearchWindow"));
    ASSERT_NE(window, nullptr);
    activate(window);
    QStringList titles;
    for (QAction* top : window->menuBar()->actions()) titles << QString(top->text()).remove('&');
    EXPECT_EQ(titles, QStringList({"File", "Edit", "Tools", "Window", "Help"}));
    QAction* close = menuBarAction(window, "performClose:");
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isEnabled());
    // A tool window has no document to save or search.
    EXPECT_FALSE(menuBarAction(window, "saveDocument:")->isEnabled());
    EXPECT_FALSE(menuBarAction(window, "performFindPanelAction:")->isEnabled());

    // Ctrl+O asks for a document to open from here as from any window.
    const size_t panels = h.prompter->openPanels().size();
    QTest::keyClick(window->centralWidget(), Qt::Key_O, Qt::ControlModifier);
    drainEvents();
    EXPECT_EQ(h.prompter->openPanels().size(), panels + 1);

    QTest::keyClick(window->centralWidget(), Qt::Key_W, Qt::ControlModifier);
    drainEvents();
    EXPECT_FALSE(window->isVisible());
    // Shown again it is the same window with one menu bar.
    h.controller->constructionSearch();
    EXPECT_EQ(h.controller->toolWindow("constructionSearchWindow"), window);
    EXPECT_EQ(window->menuBar()->actions().size(), 5);
    window->hide();
}

TEST(ToolWindowKeys, AWindowWithoutAMenuBarAnswersTheKeysButKeepsItsOwn) {
    AppHarness& h = AppHarness::get();
    int ownFinds = 0;
    AppController::setToolWindowFactory("dictionaryImporterWindow", [&ownFinds] {
        auto* w = new QWidget(nullptr, Qt::Window);
        w->setWindowTitle("Import MDict Dictionary");
        auto* layout = new QVBoxLayout(w);
        layout->addWidget(new QLineEdit);
        // The window's own Ctrl+O stays its own.
        auto* own = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), w);
        QObject::connect(own, &QShortcut::activated, w, [&ownFinds] { ++ownFinds; });
        return w;
    });
    h.controller->parseMDict();
    QWidget* window = h.controller->toolWindow("dictionaryImporterWindow");
    ASSERT_NE(window, nullptr);
    activate(window);
    ASSERT_NE(windowAction(window, "performClose:"), nullptr);
    ASSERT_NE(windowAction(window, "terminate:"), nullptr);
    ASSERT_NE(windowAction(window, "newStructuredWindow:"), nullptr);
    QAction* open = windowAction(window, "openDocument:");
    EXPECT_TRUE(!open || open->shortcuts().isEmpty());

    const size_t panels = h.prompter->openPanels().size();
    QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_O, Qt::ControlModifier);
    drainEvents();
    EXPECT_EQ(ownFinds, 1);
    EXPECT_EQ(h.prompter->openPanels().size(), panels);

    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    drainEvents();
    EXPECT_FALSE(window->isVisible());
}

TEST(ToolWindowKeys, EscapeClosesPreferencesWithoutSaving) {
    AppHarness::get();
    PrefsWindowController prefs;
    activate(&prefs);
    // Preferences answer the application's keys too.
    EXPECT_NE(windowAction(&prefs, "performClose:"), nullptr);
    QTest::keyClick(&prefs, Qt::Key_Escape);
    drainEvents();
    EXPECT_FALSE(prefs.isVisible());
    activate(&prefs);
    QTest::keyClick(&prefs, Qt::Key_W, Qt::ControlModifier);
    drainEvents();
    EXPECT_FALSE(prefs.isVisible());
}

// The filter of a real panel, read while it is open.
TEST(Panels, FiltersAreNamedAfterWhatThePanelOpens) {
    EXPECT_EQ(ts::Prompter::typesDescription({"pdf"}), "PDF Documents");
    EXPECT_EQ(ts::Prompter::typesDescription({"txt"}), "Text Files");
    EXPECT_EQ(ts::Prompter::typesDescription({"tsdx"}), "Tessarin Documents");
    EXPECT_EQ(ts::Prompter::typesDescription({"xml"}), "XML Files");
    EXPECT_EQ(ts::Prompter::typesDescription({"png", "jpg", "gif"}), "Images");
    EXPECT_EQ(ts::Prompter::typesDescription({"qqq"}), "Files");

    WidgetPrompter prompter;
    QStringList filters;
    auto readAndCancel = [&filters] {
        QTimer::singleShot(50, [&filters] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                    filters = dialog->nameFilters();
                    dialog->reject();
                    return;
                }
        });
    };
    ts::OpenPanelRequest pdf;
    pdf.allowedFileTypes = {"pdf"};
    readAndCancel();
    EXPECT_TRUE(prompter.openPanel(pdf).isEmpty());
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), "PDF Documents (*.pdf)");

    ts::OpenPanelRequest tei;
    tei.allowedFileTypes = {"xml"};
    tei.typesDescription = "TEI Texts";
    filters.clear();
    readAndCancel();
    prompter.openPanel(tei);
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), "TEI Texts (*.xml)");

    ts::SavePanelRequest words;
    words.allowedFileTypes = {"txt"};
    filters.clear();
    readAndCancel();
    EXPECT_TRUE(prompter.savePanel(words).isNull());
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_EQ(filters.first(), "Text Files (*.txt)");

    // The TEI import command asks for TEI texts.
    AppHarness& h = AppHarness::get();
    h.controller->doImport();
    ASSERT_FALSE(h.prompter->openPanels().empty());
    EXPECT_EQ(h.prompter->openPanels().back().typesDescription, "TEI Texts");
    EXPECT_EQ(h.prompter->openPanels().back().allowedFileTypes, QStringList{"xml"});
}

TEST(HelpItems, SayWhenNoProgramTakesTheWebsiteOrTheMail) {
    AppHarness& h = AppHarness::get();
    const AppController::UrlOpener saved = AppController::urlOpener();
    QList<QUrl> asked;
    bool opens = true;
    AppController::urlOpener() = [&](const QUrl& url) {
        asked << url;
        return opens;
    };
    const size_t before = h.prompter->alerts().size();
    h.controller->loadWebsite();
    h.controller->emailDeveloper();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], QUrl(AppController::kWebsite));
    EXPECT_EQ(asked[1].scheme(), "mailto");
    EXPECT_EQ(h.prompter->alerts().size(), before);

    opens = false;
    h.controller->loadWebsite();
    h.controller->emailDeveloper();
    auto alerts = h.prompter->alerts();
    ASSERT_EQ(alerts.size(), before + 2);
    EXPECT_EQ(alerts[before].messageText, "No program could be found to open the website.");
    EXPECT_EQ(alerts[before].informativeText, AppController::kWebsite);
    EXPECT_EQ(alerts[before + 1].messageText, "No mail program could be found.");
    EXPECT_TRUE(alerts[before + 1].informativeText.contains(AppController::kSupportAddress));
    AppController::urlOpener() = saved;

    // The debug log's mail without a mail program says so too.
    const QString program = ts::Mailer::shared().program();
    ts::Mailer::shared().setProgram(AppHarness::home() + "/bin/no-such-mail-program");
    EXPECT_FALSE(h.controller->emailDebugLog());
    ts::Mailer::shared().setProgram(program);
    alerts = h.prompter->alerts();
    ASSERT_EQ(alerts.size(), before + 3);
    EXPECT_EQ(alerts.back().messageText, "No mail program could be found.");
}
