#pragma once
// What the application's menus need of a main window, whichever library
// made it: the document it shows, its find commands and the menu bar every
// main window carries.
//
// A main window derives from DocumentWindow as well as QMainWindow; the
// menus reach it with dynamic_cast. The window layer of the application
// installs the menu-bar builder once; a main window calls
// installMenuBar(this) when it is made, and a window made while no builder
// is installed (a test of one window) simply has no menu bar.
//
// Main thread only.

#include "platform/Document.h"

#include <functional>

class QMainWindow;

namespace ts {

class DocumentWindow {
public:
    enum class FindCommand { ShowFindBar, FindNext, FindPrevious };

    virtual ~DocumentWindow() = default;
    // The document the window shows; null for a window without one.
    virtual DocumentPtr windowDocument() const = 0;
    // Whether the window has a find bar, and its commands.
    virtual bool canFind() const { return false; }
    virtual void performFind(FindCommand) {}
    // Before the document is saved, closed or reverted, and before the
    // application quits: an open editor hands over its text.
    virtual void commitEditing() {}
    // Whether an open editor holds text it has not handed over yet.
    virtual bool hasUncommittedEdits() const { return false; }
    // After a save was tried (the document's name may have changed).
    virtual void documentWasSaved() {}

    using MenuBarBuilder = std::function<void(QMainWindow* window)>;
    static void setMenuBarBuilder(MenuBarBuilder builder);
    static void installMenuBar(QMainWindow* window);
};

}  // namespace ts
