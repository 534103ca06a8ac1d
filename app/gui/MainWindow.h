#pragma once
// A main window: the application's menu bar (the delegate's main menu) over
// a central widget. Documents put their view in it; with no document it
// shows the program's name, so that a running program is visible.

#include "platform/Document.h"

#include <QMainWindow>

class AppController;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppController* controller, QWidget* central = nullptr, QWidget* parent = nullptr);
    // Rebuilds the menu bar from the delegate's main menu.
    void refreshMenuBar();

    // The document this window shows (one main window per document): the
    // title follows its name, and closing asks it whether it may close
    // ("save changes?") and removes it from its controller.
    void setDocument(const ts::DocumentPtr& document);
    ts::DocumentPtr document() const { return document_; }
    void synchronizeWindowTitleWithDocumentName();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppController* controller_;
    ts::DocumentPtr document_;
};
