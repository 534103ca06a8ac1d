#pragma once
// A main window: the application's menu bar (built by the delegate from
// its one menu description) over a central widget. Documents put their view
// in it; with no document it shows the program's name, so that a running
// program with no document open is visible and its menus reachable.

#include "platform/Document.h"
#include "platform/gui/DocumentWindow.h"

#include <QMainWindow>

class AppController;

class MainWindow : public QMainWindow, public ts::DocumentWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppController* controller, QWidget* central = nullptr, QWidget* parent = nullptr);
    // Rebuilds the menu bar from the delegate's menu description.
    void refreshMenuBar();

    // The document this window shows (one main window per document): the
    // title follows its name, and closing asks it whether it may close
    // ("save changes?") and removes it from its controller.
    void setDocument(const ts::DocumentPtr& document);
    ts::DocumentPtr document() const { return document_; }
    void synchronizeWindowTitleWithDocumentName();

    ts::DocumentPtr windowDocument() const override { return document_; }
    void documentWasSaved() override { synchronizeWindowTitleWithDocumentName(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppController* controller_;
    ts::DocumentPtr document_;
};
