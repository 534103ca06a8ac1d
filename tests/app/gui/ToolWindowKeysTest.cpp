// Every window answers the application's commands: a main tool window by
// its menu bar, any other by the menus' keys (its own keys kept); Ctrl+W
// closes it, Escape closes Preferences and the small windows; panel filters
// name what they open; Help's web and mail items say when no program takes
// them.

#include "AppTestSupport.h"

#include "app/core/Preferences.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PrefsWindowController.h"
#include "app/gui/QMRawTransmissionsWindowController.h"
#include "app/gui/TSAboutBoxController.h"
#include "app/gui/WidgetPrompter.h"
#include "platform/Mailer.h"
#include "tools/gui/ParadigmWindows.h"
#include "tools/gui/TSWordFormWindowController.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QRegularExpression>
#include <QShortcut>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void activate(QWidget* window) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

}  // namespace

TEST(ToolWindowKeys, MenuBarOrKeysInEveryToolWindowAndCtrlWClosesIt) {
    AppHarness& h = AppHarness::get();
    AppController::setToolWindowFactory("constructionSearchWindow", [] {
        auto* w = new QMainWindow;
        w->setCentralWidget(new QLineEdit);
        return w;
    });
    int ownKey = 0;
    AppController::setToolWindowFactory("dictionaryImporterWindow", [&ownKey] {
        auto* w = new QLineEdit;
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), w), &QShortcut::activated, [&ownKey] { ++ownKey; });
        return w;
    });
    h.controller->constructionSearch();
    auto* main = qobject_cast<QMainWindow*>(h.controller->toolWindow("constructionSearchWindow"));
    ASSERT_NE(main, nullptr);
    activate(main);
    QStringList titles;
    for (QAction* top : main->menuBar()->actions()) titles << QString(top->text()).remove('&');
    EXPECT_EQ(titles, QStringList({"File", "Edit", "Tools", "Window", "Help"}));
    const size_t panels = h.prompter->openPanels().size();
    QTest::keyClick(main->centralWidget(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(h.prompter->openPanels().size(), panels + 1);
    QTest::keyClick(main->centralWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(main->isVisible());

    h.controller->parseMDict();
    QWidget* plain = h.controller->toolWindow("dictionaryImporterWindow");
    activate(plain);
    QTest::keyClick(plain, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(ownKey, 1);
    EXPECT_EQ(h.prompter->openPanels().size(), panels + 1);
    QTest::keyClick(plain, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(plain->isVisible());

    PrefsWindowController prefs;
    activate(&prefs);
    QTest::keyClick(&prefs, Qt::Key_Escape);
    EXPECT_FALSE(prefs.isVisible());
}

// The small windows that are no dialog close on Escape as a dialog does,
// also from a field; Escape with a modifier is another key.
TEST(ToolWindowKeys, EscapeClosesTheSmallWindows) {
    AppHarness& h = AppHarness::get();
    h.controller->showAboutBox();
    QMRawTransmissionsWindowController::showTransmissionsWindow();
    TSWordFormWindowController wordForm;
    const std::pair<QWidget*, QWidget*> windows[] = {
        {h.controller->toolWindow("aboutBox"), nullptr},
        {QMRawTransmissionsWindowController::rawTransmissionsWindowController(), nullptr},
        {&wordForm, wordForm.wordRootField},
        {DeclensionsController::getDeclensionsController(), nullptr},
        {ConjugationWindowController::getConjugationWindowController(), nullptr},
        {AdjectiveWindowController::getAdjectiveWindowController(), nullptr},
    };
    for (const auto& [window, field] : windows) {
        SCOPED_TRACE(window->windowTitle().toStdString());
        activate(window);
        QWidget* target = field ? field : window;
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_TRUE(window->isVisible());
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
    }
}

TEST(Panels, FiltersAreNamedAfterWhatThePanelOpens) {
    EXPECT_EQ(ts::Prompter::typesDescription({"txt"}), "Text Files");
    EXPECT_EQ(ts::Prompter::typesDescription({"tsdx"}), "Tessarin Documents");
    EXPECT_EQ(ts::Prompter::typesDescription({"qqq"}), "Files");
    // A real panel's filters, read once it shows; then it is cancelled.
    QStringList filters;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                filters = dialog->nameFilters();
                watch.stop();
                dialog->reject();
            }
    });
    watch.start(20);
    ts::OpenPanelRequest pdf;
    pdf.allowedFileTypes = {"pdf"};
    EXPECT_TRUE(WidgetPrompter().openPanel(pdf).isEmpty());
    EXPECT_EQ(filters.value(0), "PDF Documents (*.pdf)");

    AppHarness& h = AppHarness::get();
    h.controller->doImport();
    ASSERT_FALSE(h.prompter->openPanels().empty());
    EXPECT_EQ(h.prompter->openPanels().back().typesDescription, "TEI Texts");
}

TEST(HelpItems, SayWhenNoProgramTakesTheWebsiteOrTheMail) {
    AppHarness& h = AppHarness::get();
    const AppController::UrlOpener saved = AppController::urlOpener();
    AppController::urlOpener() = [](const QUrl&, std::function<void(bool)> opened) { opened(false); };
    const size_t before = h.prompter->alerts().size();
    h.controller->loadWebsite();
    h.controller->emailDeveloper();
    AppController::urlOpener() = saved;
    const QString program = ts::Mailer::shared().program();
    ts::Mailer::shared().setProgram(AppHarness::home() + "/bin/no-such-mail-program");
    EXPECT_FALSE(h.controller->emailDebugLog());
    ts::Mailer::shared().setProgram(program);
    const auto alerts = h.prompter->alerts();
    ASSERT_EQ(alerts.size(), before + 3);
    EXPECT_EQ(alerts[before].messageText, "No program could be found to open the website.");
    EXPECT_EQ(alerts[before].informativeText, AppController::kWebsite);
    EXPECT_EQ(alerts[before + 1].messageText, "No mail program could be found.");
    EXPECT_TRUE(alerts[before + 2].informativeText.contains(AppController::kSupportAddress));
}

// With the desktop's openers installed but no browser or mail program, the
// openers start and then exit with status 3: each Help item, chosen in a
// window's menu, says over the window that no program took it and gives the
// address, or the debug log's file, for the user to use by hand.
TEST(HelpItems, SayWhenTheDesktopOpenerFindsNoProgram) {
    AppHarness& h = AppHarness::get();
    const QString bin = AppHarness::home() + "/openers-without-programs";
    for (const char* opener : {"xdg-open", "xdg-email"}) {
        ASSERT_TRUE(writeAll(bin + "/" + opener, "#!/bin/sh\nexit 3\n"));
        QFile::setPermissions(bin + "/" + opener, QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + path);
    const QString mailProgram = ts::Mailer::shared().program();
    ts::Mailer::shared().setProgram("xdg-email");
    MainWindow window(h.controller.get());
    window.show();
    const QString address = AppController::kSupportAddress;
    const QString debugLog = QRegularExpression::escape(Preferences::supportDirectory() + "/debugLog.txt");
    struct Case {
        const char* selector;
        QString message;
        QString detail;  // a pattern of the informative text
    };
    const Case cases[] = {
        {"loadWebsite:", "No program could be found to open the website.", QRegularExpression::escape(AppController::kWebsite)},
        {"emailDeveloper:", "No mail program could be found.", QRegularExpression::escape(address)},
        {"emailDebugLog:", "No mail program could be found.", QRegularExpression::escape(address) + ".*" + debugLog},
    };
    for (const Case& c : cases) {
        QAction* item = nullptr;
        for (QAction* top : window.menuBar()->actions())
            if (top->menu())
                for (QAction* a : top->menu()->actions())
                    if (a->objectName() == c.selector) item = a;
        ASSERT_NE(item, nullptr) << c.selector;
        const size_t before = h.prompter->alerts().size();
        item->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.prompter->alerts().size() > before; }, 60000)) << c.selector;
        const ts::AlertRequest said = h.prompter->alerts().back();
        EXPECT_EQ(said.messageText, c.message) << c.selector;
        const QRegularExpressionMatch detail = QRegularExpression(c.detail).match(said.informativeText);
        EXPECT_TRUE(detail.hasMatch()) << c.selector << ": " << said.informativeText.toStdString();
    }
    // The file named is still there after the quit has emptied the
    // temporary folder.
    ts::Mailer::shared().removeTemporaryFiles();
    const QRegularExpressionMatch file = QRegularExpression(debugLog).match(h.prompter->alerts().back().informativeText);
    EXPECT_TRUE(QFileInfo(file.captured()).isFile());
    ts::Mailer::shared().setProgram(mailProgram);
    qputenv("PATH", path);
}
