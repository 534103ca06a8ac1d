#pragma once
// A main window: the application's menu bar (the delegate's main menu) over
// a central widget. Documents put their view in it; with no document it
// shows the program's name, so that a running program is visible.

#include <QMainWindow>

class AppController;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppController* controller, QWidget* central = nullptr, QWidget* parent = nullptr);
    // Rebuilds the menu bar from the delegate's main menu.
    void refreshMenuBar();

private:
    AppController* controller_;
};
