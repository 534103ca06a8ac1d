// The main menu, built in code: one top-level menu per group of commands,
// each action named after its command's selector.
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/gui/AppController.h"
#include "platform/Document.h"

#include <QFileInfo>
#include <QUrl>

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace {

QString text(const char* key) { return TSBundle::localizedString(QString::fromUtf8(key)); }

}  // namespace

void AppController::buildMainMenu() {
    mainMenu_ = new QMenu;
    auto menu = [this](const char* title) {
        QMenu* m = new QMenu(text(title), mainMenu_);
        m->menuAction()->setText(text(title));
        m->menuAction()->setObjectName(QString::fromUtf8(title));
        mainMenu_->addAction(m->menuAction());
        return m;
    };
    auto item = [this](QMenu* m, const char* title, const char* selector, auto slot,
                       const QKeySequence& shortcut = QKeySequence()) {
        QAction* a = m->addAction(text(title));
        a->setObjectName(QString::fromUtf8(selector));
        if (!shortcut.isEmpty()) {
            a->setShortcut(shortcut);
            // Every window shows the same menu, so its keys work wherever the
            // focus is.
            a->setShortcutContext(Qt::ApplicationShortcut);
        }
        connect(a, &QAction::triggered, this, slot);
        actions_[a->objectName()] = a;
        return a;
    };

    QMenu* app = menu("Tessarin");
    item(app, "About Tessarin", "showAboutBox:", &AppController::showAboutBox);
    app->addSeparator();
    item(app, "Preferences…", "showPrefsWindow:", &AppController::showPrefsWindow, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    app->addSeparator();
    QAction* quit = item(app, "Quit Tessarin", "terminate:", &AppController::terminate, QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    QMenu* file = menu("File");
    item(file, "New", "newDocument:", &AppController::newDocument, QKeySequence(Qt::CTRL | Qt::Key_N));
    item(file, "New Structured Window", "newStructuredWindow:", &AppController::newStructuredWindow,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    item(file, "Open…", "openDocument:", &AppController::openDocument, QKeySequence(Qt::CTRL | Qt::Key_O));
    QMenu* recent = file->addMenu(text("Open Recent"));
    recent->menuAction()->setObjectName(QStringLiteral("openRecent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });

    QMenu* tools = menu("Tools");
    item(tools, "Dictionary", "showDictionary:", &AppController::showDictionary, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    item(tools, "Grammar", "showGrammarWindow:", &AppController::showGrammarWindow);
    item(tools, "Word Search", "showWordSearchWindow:", &AppController::showWordSearchWindow);
    item(tools, "Word Patterns", "showAnagramWindow:", &AppController::showAnagramWindow);
    item(tools, "Construction Search", "constructionSearch:", &AppController::constructionSearch);
    item(tools, "Abbreviations", "showZerivuvWindow:", &AppController::showZerivuvWindow);
    item(tools, "Import MDict Dictionary…", "parseMDict:", &AppController::parseMDict);
    tools->addSeparator();
    QAction* revise = item(tools, "Revise Only Marked Words", "reviseOnlyMarked:", &AppController::reviseOnlyMarked);
    revise->setCheckable(true);
    QAction* mark = item(tools, "Mark Words Automatically", "markAutomatically:", &AppController::markAutomatically);
    mark->setCheckable(true);
    tools->addSeparator();
    communicationsWindowItem_ = item(tools, "Communications", "showCommsWindow:", &AppController::showCommsWindow);
    removeChangedItems_ = item(tools, "Remove Change Flags", "removeChangeFlags:", &AppController::removeChangeFlags);
    connect(tools, &QMenu::aboutToShow, this, &AppController::updateCheckMarks);

    QMenu* help = menu("Help");
    item(help, "Tessarin Website", "loadWebsite:", &AppController::loadWebsite);
    item(help, "Email the Developer", "emailDeveloper:", &AppController::emailDeveloper);
    item(help, "Email Debug Log", "emailDebugLog:", &AppController::emailDebugLog);
    item(help, "Save Debug Log…", "saveDebugLog:", &AppController::saveDebugLog);
    item(help, "Email Dictionary Changes", "emailChangedWords:", &AppController::emailChangedWords);
    help->addSeparator();
    item(help, "Install Spellchecker", "installSpellchecker:", &AppController::installSpellchecker);

    // Commands that build data files; launch takes this menu away.
    QMenu* debug = menu("Debug");
    debug->menuAction()->setText(QStringLiteral("Debug"));
    item(debug, "Parse Perseus Source", "parsePerseusSource:", &AppController::parsePerseusSource);
    item(debug, "Import XML Files…", "doImport:", &AppController::doImport);
    item(debug, "Parse CSV Word List", "parseCSV:", &AppController::parseCSV);
}

// Every item is enabled; the two study switches show their setting.
void AppController::updateCheckMarks() {
    const PreferencesPtr p = Preferences::preferences();
    if (QAction* a = action(QStringLiteral("reviseOnlyMarked:"))) a->setChecked(p->reviseMarkedOnly());
    if (QAction* a = action(QStringLiteral("markAutomatically:"))) a->setChecked(p->automarkWords());
}

// The recent documents, newest first, then the command that forgets them.
void AppController::fillRecentMenu(QMenu* menu) {
    menu->clear();
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!controller) return;
    for (const QString& path : controller->recentDocumentURLs()) {
        QAction* a = menu->addAction(QFileInfo(path).fileName());
        a->setToolTip(path);
        connect(a, &QAction::triggered, this, [path] {
            if (ts::DocumentController* c = ts::DocumentController::sharedDocumentController())
                c->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
                                                 [](ts::DocumentPtr, bool, const ts::DocumentError* error) {
                                                     if (error) ts::DocumentController::presentError(*error);
                                                 });
        });
    }
    menu->addSeparator();
    QAction* clear = menu->addAction(text("Clear Menu"));
    clear->setObjectName(QStringLiteral("clearRecentDocuments:"));
    clear->setEnabled(!controller->recentDocumentURLs().isEmpty());
    connect(clear, &QAction::triggered, this, [] {
        if (ts::DocumentController* c = ts::DocumentController::sharedDocumentController()) c->clearRecentDocuments();
    });
}
