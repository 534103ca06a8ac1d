#pragma once
// The preferences window: the analyser's look-up options, two switches of
// the dictionary subsystem, and the grammar-usage tree with its export and
// import.
//
// The window edits a private deep copy of the settings, made afresh each
// time the hidden window is shown and again after every save, so that
// nothing it changes (the grammar tree included) reaches the settings in
// force before Save, and Cancel really discards the edits. Save installs the
// copy as the shared settings, stores the changed options, tells the
// analyser when an option changed and the dictionary window when the
// floating switch changed, and saves the settings.
//
// One controller per process (getPrefsWindow). Main thread.

#include "app/core/Preferences.h"
#include "morphology/TSGrammarUsage.h"

#include <QString>
#include <QWidget>

#include <map>

class QCheckBox;
class QKeyEvent;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

class PrefsWindowController : public QWidget {
    Q_OBJECT

public:
    static const QString kCloseDictionaryWindowNotification;  // "CloseDictionaryWindow"

    static PrefsWindowController* getPrefsWindow();
    static void showPrefsWindow();
    // Forgets the shared controller (tests).
    static void disposeSharedWindow();

    PrefsWindowController();
    ~PrefsWindowController() override;

    PreferencesPtr preferences() const { return preferences_; }
    // A deep copy of the settings in force (the grammar tree copied node by node).
    static PreferencesPtr freshCopy();

    void insertData();
    bool saveDictionaryPrefs();
    bool saveDictionaryValue(const QString& key, QCheckBox* button);
    TSGrammarUsagePtr selectedGrammarUsage() const;
    QString localizedNameForTab() const;
    QString settingsNameForTab() const;
    QString specifySaveFile(const QString& name);
    QByteArray getSaveDataForSetting(const QString& setting) const;
    // Only "Grammar": a keyed archive whose root is a grammar collection
    // (nothing else is unarchived); anything else is logged and ignored.
    bool importData(const QByteArray& data, const QString& name);

    // Controls, for the window's own use and for tests.
    QTabWidget* screenTabView() const { return screenTabView_; }
    QCheckBox* optionBox(const QString& key) const;
    QCheckBox* logCommunicationButton() const { return logCommunicationButton_; }
    QCheckBox* floatWindow() const { return floatWindow_; }
    QTreeWidget* grammarView() const { return grammarView_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* deleteButton() const { return deleteButton_; }

public Q_SLOTS:
    void savePrefs();
    void cancelPrefs();
    void doTrimClick();
    void addGrammarSubusage();
    void deleteGrammarUsage();
    void doExport();
    void doImport();

protected:
    // Escape cancels, as in a dialog: the window closes without saving.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* makeDictionaryTab();
    QWidget* makeGrammarTab();
    void reloadGrammar(const TSGrammarUsagePtr& select = nullptr);
    void fillItem(QTreeWidgetItem* item, const TSGrammarUsagePtr& usage, const TSGrammarUsagePtr& select,
                  QTreeWidgetItem** selected);
    void selectionChanged();
    void itemEdited(QTreeWidgetItem* item, int column);
    // Gives each column of the grammar outline room for its texts.
    void fitGrammarColumns();
    bool eventFilter(QObject* watched, QEvent* event) override;
    TSGrammarUsagePtr usageOf(const QTreeWidgetItem* item) const;

    PreferencesPtr preferences_;
    QTabWidget* screenTabView_ = nullptr;
    std::map<QString, QCheckBox*> optionBoxes_;
    QCheckBox* logCommunicationButton_ = nullptr;
    QCheckBox* floatWindow_ = nullptr;
    QTreeWidget* grammarView_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    std::map<const QTreeWidgetItem*, TSGrammarUsagePtr> usages_;
    bool filling_ = false;
};
