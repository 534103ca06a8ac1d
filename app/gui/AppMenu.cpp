// The application's menus, described once: every main window (document
// windows and the empty main window alike) builds its menu bar from the
// table below, and so does the reference menu the delegate keeps. Commands
// of the application go to the delegate; commands of a document act on the
// window's own document; editing commands act on the window's focus widget.
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/gui/AppController.h"
#include "platform/Document.h"
#include "platform/gui/DocumentWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QShortcut>
#include <QDialog>
#include <QDockWidget>
#include <QTextEdit>
#include <QUrl>

namespace {

QString text(const char* key) { return TSBundle::localizedString(QString::fromUtf8(key)); }

using Run = std::function<void(AppController&, QWidget* window)>;
using Enabled = std::function<bool(AppController&, QWidget* window)>;

struct MenuCommand {
    enum Kind { Command, Separator, RecentDocuments, WindowList };
    const char* menu = nullptr;
    const char* title = nullptr;
    const char* selector = nullptr;
    QList<QKeySequence> keys;
    Run run;
    Enabled enabled;
    std::function<bool()> checked;
    Kind kind = Command;
};

MenuCommand command(const char* menu, const char* title = nullptr, const char* selector = nullptr,
                    QList<QKeySequence> keys = {}, Run run = {}, Enabled enabled = {}) {
    MenuCommand m;
    m.menu = menu;
    m.title = title;
    m.selector = selector;
    m.keys = std::move(keys);
    m.run = std::move(run);
    m.enabled = std::move(enabled);
    return m;
}

constexpr const char* kDeveloperMenu = "Debug";
const char* const kTopMenus[] = {"File", "Edit", "Tools", "Window", "Help", kDeveloperMenu};

ts::DocumentWindow* documentWindow(QWidget* window) { return dynamic_cast<ts::DocumentWindow*>(window); }

ts::DocumentPtr documentOf(QWidget* window) {
    ts::DocumentWindow* w = documentWindow(window);
    return w ? w->windowDocument() : nullptr;
}

bool hasType(const QString& type) {
    ts::DocumentController* c = ts::DocumentController::sharedDocumentController();
    return c && c->hasDocumentType(type);
}

// The focus widget when it is inside the window.
QWidget* focusIn(QWidget* window) {
    QWidget* focus = QApplication::focusWidget();
    return window && focus && focus->window() == window ? focus : nullptr;
}

enum class EditCommand { Undo, Redo, Cut, Copy, Paste, SelectAll };

bool clipboardHasText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool canEdit(QWidget* window, EditCommand command) {
    QWidget* focus = focusIn(window);
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        const bool writable = !line->isReadOnly();
        switch (command) {
        case EditCommand::Undo: return writable && line->isUndoAvailable();
        case EditCommand::Redo: return writable && line->isRedoAvailable();
        case EditCommand::Cut: return writable && line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
        case EditCommand::Copy: return line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
        case EditCommand::Paste: return writable && clipboardHasText();
        case EditCommand::SelectAll: return !line->text().isEmpty();
        }
    }
    QTextDocument* document = nullptr;
    bool writable = false;
    bool selection = false;
    if (auto* edit = qobject_cast<QTextEdit*>(focus)) {
        document = edit->document();
        writable = !edit->isReadOnly();
        selection = edit->textCursor().hasSelection();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
        document = plain->document();
        writable = !plain->isReadOnly();
        selection = plain->textCursor().hasSelection();
    }
    if (document) {
        switch (command) {
        case EditCommand::Undo: return writable && document->isUndoAvailable();
        case EditCommand::Redo: return writable && document->isRedoAvailable();
        case EditCommand::Cut: return writable && selection;
        case EditCommand::Copy: return selection;
        case EditCommand::Paste: return writable && clipboardHasText();
        case EditCommand::SelectAll: return !document->isEmpty();
        }
    }
    // Outside text fields, Undo and Redo take back the document's own steps.
    if (command == EditCommand::Undo || command == EditCommand::Redo) {
        const ts::DocumentPtr d = documentOf(window);
        if (d) return command == EditCommand::Undo ? d->canUndo() : d->canRedo();
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(focus)) {
        if (command == EditCommand::Copy) return view->currentIndex().isValid();
        if (command == EditCommand::SelectAll) return view->model() && view->selectionMode() > QAbstractItemView::SingleSelection;
    }
    return false;
}

void edit(QWidget* window, EditCommand command) {
    if (!canEdit(window, command)) return;
    QWidget* focus = focusIn(window);
    const bool textField = qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus);
    if (!textField && (command == EditCommand::Undo || command == EditCommand::Redo)) {
        if (const ts::DocumentPtr d = documentOf(window)) command == EditCommand::Undo ? d->undo() : d->redo();
        return;
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(focus)) {
        // A cell copies the text it shows.
        if (command == EditCommand::Copy) QApplication::clipboard()->setText(view->currentIndex().data().toString());
        else view->selectAll();
        return;
    }
    static const char* const slots[] = {"undo", "redo", "cut", "copy", "paste", "selectAll"};
    QMetaObject::invokeMethod(focus, slots[int(command)]);
}

// A cancelled panel or question is no failure to report.
void presentUnlessCancelled(const ts::DocumentError& error) {
    if (!error.isCancelled()) ts::DocumentController::presentError(error);
}

void saveWindow(QWidget* window, bool as) {
    ts::DocumentWindow* w = documentWindow(window);
    const ts::DocumentPtr document = w ? w->windowDocument() : nullptr;
    if (!document) return;
    w->commitEditing();
    ts::DocumentError error;
    const bool saved = as ? document->saveDocumentAs(&error) : document->saveDocument(&error);
    if (!saved) presentUnlessCancelled(error);
    w->documentWasSaved();
}

void revertWindow(QWidget* window) {
    const ts::DocumentPtr document = documentOf(window);
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!document || !controller) return;
    // Text still in an editor is among the changes Revert gives up.
    documentWindow(window)->commitEditing();
    ts::DocumentError error;
    const ts::DocumentPtr reverted = document->revertDocumentToSaved(&error);
    if (!reverted) {
        presentUnlessCancelled(error);
        return;
    }
    // The edits are given up: the old window closes without asking, and the
    // file's contents open in a window in its place.
    const QRect frame = window->geometry();
    document->updateChangeCount(ts::Document::ChangeCleared);
    if (!window->close()) return;
    controller->addDocument(reverted);
    reverted->makeWindowControllers();
    reverted->showWindows();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (documentOf(w) == reverted) w->setGeometry(frame);
}

bool isListedWindow(QWidget* w) {
    const Qt::WindowType type = w->windowType();
    return w->isWindow() && w->isVisible() && !w->windowTitle().isEmpty() && !qobject_cast<QMenu*>(w) &&
           type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop && type != Qt::SplashScreen;
}

QString windowTitle(QWidget* w) {
    QString title = w->windowTitle();
    title.replace(QStringLiteral("[*]"), w->isWindowModified() ? QStringLiteral("*") : QString());
    return title;
}

const std::vector<MenuCommand>& menuCommands() {
    using A = AppController;
    auto app = [](void (A::*slot)()) -> Run { return [slot](A& c, QWidget*) { (c.*slot)(); }; };
    auto appBool = [](bool (A::*slot)()) -> Run { return [slot](A& c, QWidget*) { (c.*slot)(); }; };
    auto window = [](const char* field) -> Enabled { return [field](A&, QWidget*) { return A::hasToolWindowFactory(field); }; };
    auto hasDocument = [](A&, QWidget* w) { return documentOf(w) != nullptr; };
    // The platform's keys, with the one Linux desktops show first.
    auto keys = [](QKeySequence::StandardKey key, const QKeySequence& wanted = {}) {
        QList<QKeySequence> list = QKeySequence::keyBindings(key);
        if (!wanted.isEmpty()) {
            list.removeAll(wanted);
            list.prepend(wanted);
        }
        return list;
    };
    auto editing = [keys](EditCommand which) -> MenuCommand {
        static const char* const titles[] = {"Undo", "Redo", "Cut", "Copy", "Paste", "Select All"};
        static const char* const selectors[] = {"undo:", "redo:", "cut:", "copy:", "paste:", "selectAll:"};
        static const QKeySequence::StandardKey standardKeys[] = {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut,
                                                                 QKeySequence::Copy, QKeySequence::Paste, QKeySequence::SelectAll};
        const QKeySequence linuxKey = which == EditCommand::Redo ? QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) : QKeySequence();
        MenuCommand m = command("Edit", titles[int(which)], selectors[int(which)], keys(standardKeys[int(which)], linuxKey));
        m.run = [which](A&, QWidget* w) { edit(w, which); };
        m.enabled = [which](A&, QWidget* w) { return canEdit(w, which); };
        return m;
    };
    auto find = [](const char* title, const char* selector, QKeySequence::StandardKey key, ts::DocumentWindow::FindCommand which,
                   const QKeySequence& also = {}) {
        QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
        // The find bar's keys work whatever the desktop's own are.
        if (!also.isEmpty() && !bindings.contains(also)) bindings << also;
        MenuCommand m = command("Edit", title, selector, bindings);
        m.run = [which](A&, QWidget* w) {
            if (ts::DocumentWindow* d = documentWindow(w); d && d->canFind()) d->performFind(which);
        };
        m.enabled = [](A&, QWidget* w) {
            ts::DocumentWindow* d = documentWindow(w);
            return d && d->canFind();
        };
        return m;
    };
    auto separator = [](const char* menu) {
        MenuCommand m = command(menu);
        m.kind = MenuCommand::Separator;
        return m;
    };
    // A command the window carries out itself, offered where it has the method.
    auto windowMethod = [](const char* menu, const char* title, const char* selector, const char* method,
                           QList<QKeySequence> keys = {}) {
        MenuCommand m = command(menu, title, selector, std::move(keys));
        m.run = [method](A&, QWidget* w) { QMetaObject::invokeMethod(w, method); };
        m.enabled = [method](A&, QWidget* w) {
            if (!w || w->metaObject()->indexOfMethod(QByteArray(method) + "()") < 0) return false;
            // A window that validates its commands says whether this one can run now.
            bool can = true;
            if (w->metaObject()->indexOfMethod("validateCommand(QString)") >= 0)
                QMetaObject::invokeMethod(w, "validateCommand", Q_RETURN_ARG(bool, can), Q_ARG(QString, QString::fromLatin1(method)));
            return can;
        };
        return m;
    };

    static const std::vector<MenuCommand> commands = [&] {
        std::vector<MenuCommand> c;
        // File
        c.push_back(command("File", "New", "newDocument:", keys(QKeySequence::New), appBool(&A::newDocument),
                     [](A&, QWidget*) { return hasType(QStringLiteral("MyDocument")); }));
        c.push_back(command("File", "New Structured Window", "newStructuredWindow:", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
                     appBool(&A::newStructuredWindow), [](A&, QWidget*) { return hasType(QStringLiteral("TSDocument")); }));
        c.push_back(command("File", "Open…", "openDocument:", keys(QKeySequence::Open), app(&A::openDocument)));
        MenuCommand recent = command("File", "Open Recent", "openRecent");
        recent.kind = MenuCommand::RecentDocuments;
        c.push_back(recent);
        c.push_back(command("File", "Import TEI Text…", "doImport:", {}, app(&A::doImport), window("perseusImporterWindow")));
        c.push_back(separator("File"));
        c.push_back(command("File", "Close", "performClose:", keys(QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W)),
                     [](A&, QWidget* w) {
                         if (w) w->close();
                     },
                     [](A&, QWidget* w) { return w != nullptr; }));
        c.push_back(command("File", "Save", "saveDocument:", keys(QKeySequence::Save), [](A&, QWidget* w) { saveWindow(w, false); },
                     hasDocument));
        c.push_back(command("File", "Save As…", "saveDocumentAs:", keys(QKeySequence::SaveAs, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
                     [](A&, QWidget* w) { saveWindow(w, true); }, hasDocument));
        c.push_back(command("File", "Revert to Saved", "revertDocumentToSaved:", {}, [](A&, QWidget* w) { revertWindow(w); },
                     [](A&, QWidget* w) {
                         const ts::DocumentPtr d = documentOf(w);
                         return d && !d->fileURL().isEmpty() && (d->isDocumentEdited() || documentWindow(w)->hasUncommittedEdits());
                     }));
        c.push_back(separator("File"));
        c.push_back(windowMethod("File", "Page Setup…", "runPageLayout:", "runPageLayout", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}));
        c.push_back(windowMethod("File", "Print…", "printDocument:", "printDocument", keys(QKeySequence::Print)));
        c.push_back(separator("File"));
        c.push_back(command("File", "Quit Tessarin", "terminate:", keys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)),
                     app(&A::terminate)));
        // Edit
        for (EditCommand e : {EditCommand::Undo, EditCommand::Redo}) c.push_back(editing(e));
        c.push_back(separator("Edit"));
        for (EditCommand e : {EditCommand::Cut, EditCommand::Copy, EditCommand::Paste, EditCommand::SelectAll})
            c.push_back(editing(e));
        c.push_back(separator("Edit"));
        c.push_back(windowMethod("Edit", "Add Line", "addLine:", "addLine", {QKeySequence(Qt::CTRL | Qt::Key_Return)}));
        auto rowCommand = [&](const char* title, const char* selector, const char* method, QList<QKeySequence> keys = {}) {
            return windowMethod("Edit", title, selector, method, std::move(keys));
        };
        c.push_back(rowCommand("Delete Row…", "deleteSelectedRow:", "deleteSelectedRow"));
        c.push_back(rowCommand("Promote Row", "promoteSelectedRow:", "promoteSelectedRow", {QKeySequence(Qt::ALT | Qt::Key_Left)}));
        c.push_back(rowCommand("Demote Row", "demoteSelectedRow:", "demoteSelectedRow", {QKeySequence(Qt::ALT | Qt::Key_Right)}));
        c.push_back(separator("Edit"));
        c.push_back(rowCommand("Look Up in Dictionary", "lookupInDictionary:", "lookupInDictionary", {QKeySequence(Qt::CTRL | Qt::Key_L)}));
        c.push_back(rowCommand("Add to Vocabulary", "addToVocab:", "addToVocab", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)}));
        c.push_back(rowCommand("Add Word Form…", "addWordForm:", "addWordForm"));
        c.push_back(rowCommand("Make Base Font", "makeBaseFont:", "makeBaseFont"));
        c.push_back(rowCommand("Vocabulary", "showVocabularyWindow:", "showVocabularyWindow"));
        c.push_back(rowCommand("Revise Vocabulary", "openRevisionWindow:", "openRevisionWindow"));
        c.push_back(separator("Edit"));
        c.push_back(rowCommand("Add Footnote", "addFootnote:", "addFootnote"));
        c.push_back(rowCommand("Link to Footnote…", "linkToFootnote:", "linkToFootnote"));
        c.push_back(rowCommand("Show Facsimile", "showFacsimileWindow:", "showFacsimileWindow"));
        c.push_back(separator("Edit"));
        c.push_back(find("Find…", "performFindPanelAction:", QKeySequence::Find, ts::DocumentWindow::FindCommand::ShowFindBar));
        c.push_back(find("Find Next", "findNext:", QKeySequence::FindNext, ts::DocumentWindow::FindCommand::FindNext,
                         QKeySequence(Qt::CTRL | Qt::Key_G)));
        c.push_back(find("Find Previous", "findPrevious:", QKeySequence::FindPrevious, ts::DocumentWindow::FindCommand::FindPrevious,
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)));
        c.push_back(separator("Edit"));
        c.push_back(command("Edit", "Preferences…", "showPrefsWindow:", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}, app(&A::showPrefsWindow)));
        // Tools
        c.push_back(command("Tools", "Dictionary", "showDictionary:", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)}, app(&A::showDictionary),
                     [](A&, QWidget*) {
                         return bool(A::registryHooks().showDictionaryWindow) || A::hasToolWindowFactory(QStringLiteral("dictionaryWindow"));
                     }));
        c.push_back(command("Tools", "Grammar", "showGrammarWindow:", {}, app(&A::showGrammarWindow), window("grammarWindow")));
        c.push_back(command("Tools", "Word Search", "showWordSearchWindow:", {}, app(&A::showWordSearchWindow), window("wordSearchWindow")));
        c.push_back(command("Tools", "Word Patterns", "showAnagramWindow:", {}, app(&A::showAnagramWindow), window("anagramWindow")));
        c.push_back(command("Tools", "Construction Search", "constructionSearch:", {}, app(&A::constructionSearch),
                     window("constructionSearchWindow")));
        c.push_back(command("Tools", "Abbreviations", "showZerivuvWindow:", {}, app(&A::showZerivuvWindow), window("zerivuvWindow")));
        c.push_back(command("Tools", "Import MDict Dictionary…", "parseMDict:", {}, app(&A::parseMDict), window("dictionaryImporterWindow")));
        c.push_back(separator("Tools"));
        MenuCommand revise = command("Tools", "Revise Only Marked Words", "reviseOnlyMarked:", {}, app(&A::reviseOnlyMarked));
        revise.checked = [] { return Preferences::preferences()->reviseMarkedOnly(); };
        c.push_back(revise);
        MenuCommand mark = command("Tools", "Mark Words Automatically", "markAutomatically:", {}, app(&A::markAutomatically));
        mark.checked = [] { return Preferences::preferences()->automarkWords(); };
        c.push_back(mark);
        c.push_back(separator("Tools"));
        c.push_back(command("Tools", "Communications", "showCommsWindow:", {}, app(&A::showCommsWindow)));
        c.push_back(command("Tools", "Remove Change Flags", "removeChangeFlags:", {}, app(&A::removeChangeFlags),
                     [](A&, QWidget*) { return bool(A::registryHooks().removeChangeFlags); }));
        // Window
        c.push_back(command("Window", "Minimize", "performMiniaturize:", {QKeySequence(Qt::CTRL | Qt::Key_M)},
                     [](A&, QWidget* w) {
                         if (w) w->showMinimized();
                     },
                     [](A&, QWidget* w) { return w != nullptr; }));
        c.push_back(separator("Window"));
        MenuCommand windows = command("Window", "", "windowList");
        windows.kind = MenuCommand::WindowList;
        c.push_back(windows);
        // Help
        c.push_back(command("Help", "About Tessarin", "showAboutBox:", {}, app(&A::showAboutBox)));
        c.push_back(separator("Help"));
        c.push_back(command("Help", "Tessarin Website", "loadWebsite:", {}, app(&A::loadWebsite)));
        c.push_back(command("Help", "Email the Developer", "emailDeveloper:", {}, app(&A::emailDeveloper)));
        c.push_back(command("Help", "Email Debug Log", "emailDebugLog:", {}, appBool(&A::emailDebugLog)));
        c.push_back(command("Help", "Save Debug Log…", "saveDebugLog:", {}, appBool(&A::saveDebugLog)));
        c.push_back(command("Help", "Email Dictionary Changes", "emailChangedWords:", {}, appBool(&A::emailChangedWords),
                     [](A&, QWidget*) { return bool(A::registryHooks().changedWords); }));
        c.push_back(separator("Help"));
        c.push_back(command("Help", "Install Spellchecker", "installSpellchecker:", {}, appBool(&A::installSpellchecker),
                     [](A&, QWidget*) { return !A::spellcheckerArchivePath().isEmpty(); }));
        // Commands that build data files; launch takes this menu away.
        c.push_back(command(kDeveloperMenu, "Parse Perseus Source", "parsePerseusSource:", {}, app(&A::parsePerseusSource),
                     [](A&, QWidget*) { return bool(A::registryHooks().buildLewisAndShort); }));
        c.push_back(command(kDeveloperMenu, "Check Source XML", "showXMLCheckWindow:", {}, app(&A::showXMLCheckWindow), window("xmlCheckWindow")));
        c.push_back(command(kDeveloperMenu, "Import XML Files…", "doImport:", {}, app(&A::doImport), window("perseusImporterWindow")));
        c.push_back(command(kDeveloperMenu, "Parse CSV Word List", "parseCSV:", {}, app(&A::parseCSV)));
        return c;
    }();
    return commands;
}

constexpr const char* kCommandProperty = "tsMenuCommand";
constexpr const char* kEquippedProperty = "tsApplicationCommands";

// A window of its own that is no document window, no dialog (a panel or a
// question answers its own keys) and no pop-up.
bool isToolWindow(const QWidget* w) {
    if (!w || !w->isWindow() || w->property(kEquippedProperty).toBool()) return false;
    if (documentWindow(const_cast<QWidget*>(w)) || qobject_cast<const QDialog*>(w) || qobject_cast<const QMenu*>(w)) return false;
    // A floating panel of a window (a dock, a tool window with a parent) is
    // part of that window: its keys are the window's.
    if (qobject_cast<const QDockWidget*>(w)) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || (type == Qt::Tool && !w->parentWidget());
}

// The keys a window's own actions and shortcuts answer, before the
// application's commands are added.
QSet<QKeySequence> keysInUse(QWidget* window) {
    QSet<QKeySequence> used;
    for (QAction* a : window->findChildren<QAction*>())
        for (const QKeySequence& k : a->shortcuts()) used.insert(k);
    for (QWidget* w : window->findChildren<QWidget*>())
        for (QAction* a : w->actions())
            for (const QKeySequence& k : a->shortcuts()) used.insert(k);
    for (QAction* a : window->actions())
        for (const QKeySequence& k : a->shortcuts()) used.insert(k);
    for (QShortcut* s : window->findChildren<QShortcut*>()) used.insert(s->key());
    return used;
}

// The window's own keys win: an ambiguous key would run neither command.
void leaveKeys(const QList<QAction*>& actions, const QSet<QKeySequence>& taken) {
    for (QAction* a : actions) {
        if (QMenu* m = a->menu()) {
            leaveKeys(m->actions(), taken);
            continue;
        }
        QList<QKeySequence> keys = a->shortcuts();
        if (keys.removeIf([&](const QKeySequence& k) { return taken.contains(k); }) > 0) a->setShortcuts(keys);
    }
}

// A window the application's commands act on, whose items are kept up to date.
bool hasApplicationCommands(QWidget* w) { return documentWindow(w) || AppController::isEquippedToolWindow(w); }

}  // namespace

void AppController::buildMenus(QWidget* container, QWidget* window) {
    const std::vector<MenuCommand>& commands = menuCommands();
    auto* bar = qobject_cast<QMenuBar*>(container);
    auto* parentMenu = qobject_cast<QMenu*>(container);
    if (!bar && !parentMenu) return;
    if (bar) {
        // A rebuild replaces the menus it made before.
        for (QAction* top : bar->actions())
            if (QMenu* old = top->menu(); old && old->parent() == bar) old->deleteLater();
        bar->clear();
    }
    QPointer<QWidget> target(window);
    for (const char* top : kTopMenus) {
        if (developerMenuRemoved_ && qstrcmp(top, kDeveloperMenu) == 0) continue;
        // The mnemonic lets Alt and the first letter open the menu.
        const bool developer = qstrcmp(top, kDeveloperMenu) == 0;
        auto* menu = new QMenu(developer ? QString::fromLatin1(top) : QStringLiteral("&") + text(top), container);
        menu->menuAction()->setObjectName(QString::fromUtf8(top));
        container->addAction(menu->menuAction());
        for (size_t i = 0; i < commands.size(); ++i) {
            const MenuCommand& command = commands[i];
            if (qstrcmp(command.menu, top) != 0) continue;
            switch (command.kind) {
            case MenuCommand::Separator: menu->addSeparator(); continue;
            case MenuCommand::RecentDocuments: {
                QMenu* recent = menu->addMenu(text(command.title));
                recent->menuAction()->setObjectName(QString::fromUtf8(command.selector));
                connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(recent); });
                continue;
            }
            case MenuCommand::WindowList: {
                connect(menu, &QMenu::aboutToShow, this, [this, menu, target] { fillWindowMenu(menu, target); });
                continue;
            }
            case MenuCommand::Command: break;
            }
            QAction* a = menu->addAction(text(command.title));
            a->setObjectName(QString::fromUtf8(command.selector));
            a->setProperty(kCommandProperty, qulonglong(i));
            if (!command.keys.isEmpty()) a->setShortcuts(command.keys);
            if (command.checked) a->setCheckable(true);
            if (qstrcmp(command.selector, "terminate:") == 0) a->setMenuRole(QAction::QuitRole);
            if (qstrcmp(command.selector, "showCommsWindow:") == 0) {
                a->setVisible(!developerMenuRemoved_);
                if (!window) communicationsWindowItem_ = a;
            }
            if (!window) {
                actions_[a->objectName()] = a;
                if (qstrcmp(command.selector, "removeChangeFlags:") == 0) removeChangedItems_ = a;
            }
            connect(a, &QAction::triggered, this, [this, i, target, window] {
                // A window's commands die with it; the reference menu has none.
                if (window && !target) return;
                const MenuCommand& c = menuCommands()[i];
                if (c.enabled && !c.enabled(*this, target)) return;
                c.run(*this, target);
                if (target) validateMenus(target);
            });
        }
        connect(menu, &QMenu::aboutToShow, this, [this, target, window] {
            if (!window || target) validateMenus(target);
        });
    }
    if (window) validateMenus(window);
}

bool AppController::isEquippedToolWindow(const QWidget* window) {
    return window && window->property(kEquippedProperty).toBool();
}

void AppController::equipToolWindow(QWidget* window) {
    if (!isToolWindow(window)) return;
    const QSet<QKeySequence> taken = keysInUse(window);
    window->setProperty(kEquippedProperty, true);
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        buildMenus(main->menuBar(), window);
        leaveKeys(main->menuBar()->actions(), taken);
        return;
    }
    // A window without a menu bar answers the commands' keys.
    auto* commands = new QMenu(window);
    commands->setObjectName(QStringLiteral("tsApplicationCommands"));
    buildMenus(commands, window);
    leaveKeys(commands->actions(), taken);
    QList<QAction*> pending = commands->actions();
    while (!pending.isEmpty()) {
        QAction* a = pending.takeFirst();
        if (QMenu* m = a->menu()) pending << m->actions();
        else if (!a->shortcuts().isEmpty()) window->addAction(a);
    }
    validateMenus(window);
}

void AppController::buildMainMenu() {
    mainMenu_ = new QMenu;
    buildMenus(mainMenu_, nullptr);
}

void AppController::removeDeveloperMenu() {
    developerMenuRemoved_ = true;
    auto remove = [this](QWidget* container, bool reference) {
        for (QAction* top : container->actions()) {
            if (top->objectName() == QLatin1String(kDeveloperMenu)) {
                container->removeAction(top);
                if (QMenu* debug = top->menu()) {
                    if (reference)
                        for (QAction* a : debug->actions()) actions_.erase(a->objectName());
                    debug->deleteLater();
                }
            }
            if (QMenu* m = top->menu())
                for (QAction* a : m->actions())
                    if (a->objectName() == QLatin1String("showCommsWindow:")) a->setVisible(false);
        }
    };
    if (mainMenu_) remove(mainMenu_, true);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(w); main && hasApplicationCommands(main))
            remove(main->menuBar(), false);
}

// Brings enabled and checked states up to date, so that a key of a command
// that cannot run now does nothing, like its greyed item.
void AppController::validateMenus(QWidget* window) {
    QList<QAction*> pending;
    if (auto* main = qobject_cast<QMainWindow*>(window)) pending = main->menuBar()->actions();
    else if (window) pending = window->actions();
    else if (mainMenu_) pending = mainMenu_->actions();
    const std::vector<MenuCommand>& commands = menuCommands();
    while (!pending.isEmpty()) {
        QAction* a = pending.takeFirst();
        if (QMenu* m = a->menu()) {
            pending << m->actions();
            continue;
        }
        bool ok = false;
        const qulonglong i = a->property(kCommandProperty).toULongLong(&ok);
        if (!ok || i >= commands.size()) continue;
        const MenuCommand& c = commands[i];
        a->setEnabled(!c.enabled || c.enabled(*this, window));
        if (c.checked) a->setChecked(c.checked());
    }
    if (auto* main = qobject_cast<QMainWindow*>(window))
        for (QAction* top : main->menuBar()->actions())
            if (QMenu* m = top->menu())
                for (QAction* a : m->actions())
                    if (a->objectName() == QLatin1String("openRecent"))
                        if (ts::DocumentController* c = ts::DocumentController::sharedDocumentController())
                            a->setEnabled(!c->recentDocumentURLs().isEmpty());
}

void AppController::updateCheckMarks() { validateMenus(nullptr); }

bool AppController::eventFilter(QObject* watched, QEvent* event) {
    // A window has come on screen: the first-start question may be asked.
    if (spellcheckerOfferPending_ && (event->type() == QEvent::Expose || event->type() == QEvent::WindowActivate))
        QTimer::singleShot(0, this, &AppController::offerSpellcheckerIfAWindowShows);
    if (event->type() == QEvent::Show) {
        if (auto* w = qobject_cast<QWidget*>(watched); isToolWindow(w)) equipToolWindow(w);
    } else if (event->type() == QEvent::WindowActivate) {
        if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow() && hasApplicationCommands(w))
            validateMenus(w);
    } else if (event->type() == QEvent::ShortcutOverride) {
        // Sent before the shortcut map matches a key: the states are brought
        // up to date first, so a key runs its command exactly when the item
        // would be enabled (a selection made since the last check counts).
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool command = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
                             (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35);
        QWidget* active = QApplication::activeWindow();
        if (command && active && hasApplicationCommands(active)) validateMenus(active);
    }
    return QObject::eventFilter(watched, event);
}

void AppController::focusChanged(QWidget*, QWidget* now) {
    if (now && hasApplicationCommands(now->window())) validateMenus(now->window());
}

// The recent documents, newest first, then the command that forgets them.
void AppController::fillRecentMenu(QMenu* menu) {
    menu->clear();
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!controller) return;
    for (const QString& path : controller->recentDocumentURLs()) {
        QAction* a = menu->addAction(QFileInfo(path).fileName());
        a->setToolTip(path);
        a->setEnabled(QFileInfo::exists(path));
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

// The open windows after the menu's fixed items, the window of this menu
// checked.
void AppController::fillWindowMenu(QMenu* menu, QWidget* window) {
    for (QAction* a : menu->actions())
        if (a->property("tsWindowItem").toBool()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!isListedWindow(w)) continue;
        QAction* a = menu->addAction(windowTitle(w));
        a->setProperty("tsWindowItem", true);
        a->setCheckable(true);
        a->setChecked(w == window);
        QPointer<QWidget> shown(w);
        connect(a, &QAction::triggered, this, [shown] {
            if (!shown) return;
            shown->showNormal();
            shown->raise();
            shown->activateWindow();
        });
    }
}
