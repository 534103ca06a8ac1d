#pragma once
// The importer window: turns one TEI text into a new parallel-text
// document. Its header tab says which header values go into the new text's
// information; its body tab assigns roles to the body's elements and shows
// the converted text. The settings pop-up lists the saved element settings
// (one file per source, named after it) and saves the current ones; Import
// makes an unsaved document named after the text. One window per process.
// Main thread.
#include "import/gui/TSBodyImporterTab.h"

#include <QMainWindow>
#include <QUrl>

class QComboBox;
class QProgressBar;
class QTabWidget;
class TSDocument;
class TSHeaderImporterTab;

class PerseusImporter : public QMainWindow, public BodyTabProtocol {
    Q_OBJECT
public:
    PerseusImporter();

    Q_INVOKABLE void setFileURL(const QUrl& url);
    const QUrl& fileURL() const { return fileURL_; }
    void rebuildSettingsPopup();
    // Loads the settings file an item of the pop-up names.
    bool insertElementSettings(const QString& path);
    bool handleSaveSettingsClick();
    // Imports the whole text into a new document; answers it, or null.
    std::shared_ptr<TSDocument> handleImportButtonClick();
    QHash<QString, QString> parseHeader() const;

    void reportProgress(float fraction) override;
    void importFinished() override;

    TSBodyImporterTab* bodyTab = nullptr;
    TSHeaderImporterTab* headerTab = nullptr;
    QComboBox* elementSettingsPopup = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QTabWidget* tabs = nullptr;

private:
    QUrl fileURL_;
};
