#pragma once
// The window in which an MDict file among the application's resources
// becomes a user dictionary: pick the file (the window opens on the first
// one, loaded), look at its raw records (with the count read), give each tag
// an action, watch the converted entries and the messages (the reader's
// warnings first) change with every assignment, and save into "User
// Dictionaries". Saving over a user dictionary of the same name asks first,
// through the Prompter: replace it, save under a new name ("<title> 2"), or
// cancel.
//
// Reading and converting run on the global thread pool; views change on the
// main thread only. One conversion runs at a time: a request made while one
// runs is remembered and started when it ends (requests in between merge).
// Results of a file that has since been replaced are dropped.
#include "dictionaries/TSMDictImporter.h"
#include "dictionaries/gui/TSTagViewCell.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

class MDictEntryModel;
class NBOutlineView;

class TSDictionaryImporterWindowController : public QWidget, public TagViewProtocol {
    Q_OBJECT
public:
    // The preview's bounds.
    static constexpr qsizetype kRawPreviewChars = 32000;
    static constexpr int kPreviewEntries = 1001;
    static constexpr qsizetype kErrorTextChars = 30000;

    explicit TSDictionaryImporterWindowController(QWidget* parent = nullptr);
    ~TSDictionaryImporterWindowController() override;

    // The resources with the extension "mdx" (top level of the resources
    // folder, then of the folder the build writes resources into).
    static QList<QUrl> dictionaries();
    void searchForDictionaries();
    // Loads the file of the menu item; the empty item clears the window.
    void dictionaryPopupSelected(int index);
    QString formattedRawString() const;
    void parseRawString();
    void actionChanged(const QString& title, const QString& tag) override;
    // The action key of the first set holding the tag; empty for none.
    QString optionName(const QString& tag) const;
    void removeTagFromSets(const QString& tag);
    void saveButtonClicked();

    TSMDictImporterPtr importer() const { return importer_; }
    bool isBusy() const { return loading_ || converting_; }
    TSTagViewCell* tagCell(const QString& tag) const { return tagCellDictionary_.value(tag); }
    MDictEntryModel* entryModel() const { return model_; }

    QComboBox* availableDictionariesPopup = nullptr;
    QPlainTextEdit* rawTextView = nullptr;
    NBOutlineView* dictionaryView = nullptr;
    QPlainTextEdit* errorView = nullptr;
    QListWidget* tagsTable = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* saveButton = nullptr;
    QLabel* recordCountLabel = nullptr;

Q_SIGNALS:
    // After each conversion has been shown, and after a load that failed.
    void conversionShown();

private:
    void reloadTags();
    void showConversion(quint64 generation, DictionaryEntryList preview, QString errorText);
    void startProgress(qint64 maximum);
    void stopProgress();

    TSMDictImporterPtr importer_;
    QStringList allTags_;
    QHash<QString, TSTagViewCell*> tagCellDictionary_;
    MDictEntryModel* model_ = nullptr;
    quint64 generation_ = 0;
    bool loading_ = false;
    bool converting_ = false;
    bool conversionPending_ = false;
};
