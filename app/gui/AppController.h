#pragma once
// The application's delegate: brings the program's services up at launch in
// a fixed order, answers the application menu's commands, owns the
// single-instance tool windows, installs the Latin spellchecker, mails the
// debug log and the dictionary corrections, and shuts the services down in
// order when the application quits.
//
// Exactly one instance exists while the application runs (shared()). It
// describes the menus once, in code, and builds every main window's menu bar
// from that description (it installs the builder that main windows of other
// libraries call). Each menu action's object name is the command's selector
// ("showPrefsWindow:").
//
// Tool windows of other subsystems are made through factories registered by
// field name ("grammarWindow", "zerivuvWindow", ...); the first show makes
// the window and keeps it for the life of the process. Commands reach the
// windows through their slots by name (setWordForm, importZerivuvFromURL,
// setFileURL), so this class does not depend on their libraries.
//
// Threads: main thread only.

#include "platform/SearchIndex.h"

#include <QAction>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>


class QMenu;
class QTemporaryDir;
class QWidget;

class AppController : public QObject, public ts::SearchIndexDelegate {
    Q_OBJECT

public:
    explicit AppController(QObject* parent = nullptr);
    ~AppController() override;

    // The live delegate, or null.
    static AppController* shared();

    static const QString kAddWordFormNotification;   // "Add word form"
    static const QString kNotificationObjectKey;     // the word form in userInfo
    static const QString kSpellcheckerRefusedKey;    // "spellchecker refused"
    static const QString kQuitAlwaysKeepsWindowsKey; // "NSQuitAlwaysKeepsWindows"
    static const QString kSupportAddress;
    static const QString kWebsite;

    // --- what the neighbouring subsystems provide ------------------------------
    // The dictionaries' registry; each hook may be empty (logged when needed).
    struct RegistryHooks {
        std::function<void()> saveDictionaries;
        std::function<std::map<QString, QByteArray>()> changedWords;
        std::function<void()> removeChangeFlags;
        std::function<void()> showDictionaryWindow;
        std::function<void()> buildLewisAndShort;
    };
    static RegistryHooks& registryHooks();
    using WindowFactory = std::function<QWidget*()>;
    static void setToolWindowFactory(const QString& field, WindowFactory factory);
    // Hands a web or mail address to the desktop's opener and returns at
    // once; `opened` is called on the main thread when the opener has ended,
    // false when no program took the address.
    using UrlOpener = std::function<void(const QUrl& url, std::function<void(bool opened)> opened)>;
    static UrlOpener& urlOpener();
    static bool hasToolWindowFactory(const QString& field);

    // --- application life ----------------------------------------------------
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // The quit sequence (once); answers true: terminate now.
    bool applicationShouldTerminate();
    bool terminated() const { return terminated_; }

    // --- the menus -------------------------------------------------------------
    // Every main window's menu bar and the reference menu are built from one
    // description (AppMenu.cpp). The reference menu (mainMenu(), action())
    // holds the top-level menus with no window: its document commands are
    // disabled. A window's own menus act on that window: its document, its
    // focus widget, its find bar; their keys work in that window.
    QMenu* mainMenu() const { return mainMenu_; }
    // The reference menu's action of a command selector, or null.
    QAction* action(const QString& selector) const;
    // Builds the menus into a menu bar (or a menu) for a window.
    void buildMenus(QWidget* container, QWidget* window);
    // Brings the enabled and checked states of a window's menus (null: the
    // reference menu) up to date.
    void validateMenus(QWidget* window);
    // Takes the developers' menu away from every menu, now and later.
    void removeDeveloperMenu();
    // Gives a window that is neither a document window nor a dialog the
    // application's commands, acting on that window (Close closes it): a
    // main window gets the menu bar, any other window the menus' keys. Keys
    // the window already uses for its own commands stay its own. Every such
    // window is equipped when it is first shown; doing it twice does nothing.
    void equipToolWindow(QWidget* window);
    static bool isEquippedToolWindow(const QWidget* window);
    QAction* communicationsWindowItem() const { return communicationsWindowItem_; }
    QAction* removeChangedItems() const { return removeChangedItems_; }

    // --- tool windows --------------------------------------------------------
    // The window of a field, made on first use; null without a factory.
    QWidget* toolWindow(const QString& field);
    bool hasToolWindow(const QString& field) const;
    void showToolWindow(const QString& field);

    // --- opened files ----------------------------------------------------------
    bool isZerivuvImportURL(const QUrl& url) const;
    bool openZerivuvImportURL(const QUrl& url);
    // A TEI text (an ".xml" file that is no document) goes to the importer.
    bool openTEIImportURL(const QUrl& url);

    // --- spellchecker ----------------------------------------------------------
    static bool latinSpellcheckAvailable();
    // The offer asks with a window of the program shown: a question asked
    // before any window is mapped may never be seen. Asks as soon as a
    // window is exposed (at once when one already is).
    void offerSpellcheckerOnceAWindowShows();
    void checkForSpellcheckerInstallation();
    bool askToInstallSpellchecker();
    // The user's hunspell dictionary folder, created when missing; null when
    // it cannot be made.
    static QString specifySaveFile();
    // The archive shipped with the application; null when there is none.
    static QString spellcheckerArchivePath();
    // Expands the archive into a new private temporary folder and answers it
    // with the expanded "LatinSpellCheck" folder; null when the expansion
    // failed (logged).
    static std::unique_ptr<QTemporaryDir> unzipSpellchecker(QString* expandedFolder);
    static bool moveOneFile(const QString& source, const QString& directory);

    // --- debug log and mail ------------------------------------------------------
    QByteArray errorLogData() const;
    QString specifySaveDebugFile();
    static QString saveDataToFile(const QByteArray& data, const QString& name);
    // The file a mail attaches, in the support folder, replacing the one
    // written before; it outlives the process, for the user who is told to
    // attach it by hand. The temporary folder serves when the support folder
    // cannot be written. Null when neither can.
    static QString keptDataFile(const QByteArray& data, const QString& name);
    static QStringList shareableItems(const std::map<QString, QByteArray>& changes);
    static bool writeToPasteBoard(const QString& text);
    static QString contentsString();

    // SearchIndexDelegate: documents index themselves on save.
    void reindexAllSearchableItems(Acknowledgement) override {}
    void reindexSearchableItemsWithIdentifiers(const QStringList&, Acknowledgement) override {}

public Q_SLOTS:
    void showDictionary();
    void showPrefsWindow();
    void reviseOnlyMarked();
    void markAutomatically();
    bool installSpellchecker();
    void loadWebsite();
    void emailDeveloper();
    bool emailDebugLog();
    bool saveDebugLog();
    bool emailChangedWords();
    void removeChangeFlags();
    void showGrammarWindow();
    void showWordSearchWindow();
    void showAnagramWindow();
    void showZerivuvWindow();
    // The window that corrects the Lewis and Short source ("xmlCheckWindow").
    void showXMLCheckWindow();
    void constructionSearch();
    void parseMDict();
    void showAboutBox();
    bool newStructuredWindow();
    bool newDocument();
    void showCommsWindow() {}
    void openDocument();
    void parsePerseusSource();
    void doImport();
    void parseCSV();
    bool parseCSVFile(const QString& path);
    void parseURL(const QUrl& url);
    void showWordFormWindow(const QString& wordForm);
    // Asks the documents to close (saving as the user says), then quits.
    void terminate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMainMenu();
    void focusChanged(QWidget* old, QWidget* now);
    void fillRecentMenu(QMenu* menu);
    void fillWindowMenu(QMenu* menu, QWidget* window);
    void updateCheckMarks();
    bool newDocumentOfType(const QString& type);
    bool composeMail(const QString& subject, const QStringList& items);
    void addWordForm(const QString& wordForm, bool hasObject);
    void installServiceHooks();

    QMenu* mainMenu_ = nullptr;
    std::map<QString, QAction*> actions_;
    QPointer<QAction> communicationsWindowItem_;
    QPointer<QAction> removeChangedItems_;
    std::map<QString, QPointer<QWidget>> toolWindows_;
    std::shared_ptr<int> observerOwner_;
    bool launched_ = false;
    bool developerMenuRemoved_ = false;
    bool terminated_ = false;
    bool spellcheckerOfferPending_ = false;
    void offerSpellcheckerIfAWindowShows();
};
