#include "app/gui/AppController.h"

#include "documents/TSDocument.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/gui/ClipboardWriter.h"
#include "app/gui/NetworkPageFetcher.h"
#include "app/gui/TSAboutBoxController.h"
#include "dictionaries/gui/TSDictionaryImporterWindowController.h"
#include "app/gui/TSDocumentController.h"
#include "app/gui/WidgetPrompter.h"
#include "app/logging/LGASLLogger.h"
#include "app/logging/LGFileLogger.h"
#include "dictionaries/Zerivuv/gui/ZerivuvWindowController.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"
#include "app/logging/UncaughtExceptionHandler.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/TSDictionary.h"
#include "foundation/TSPageRipper.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Mailer.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "platform/UserDefaults.h"
#include "platform/gui/DocumentWindow.h"
#include "platform/spelling/SpellChecker.h"
#include "textmodel/TSBookmarkData.h"
#include "textmodel/TSChunk.h"
#include "textmodel/TSLinkStyle.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

// Launch and quit leave one informational line per step, so that the order
// in which the services came up and went down can be read from the log.
#define TSLogStep(fmt, ...) \
    ::LGLog::log(false, 7, 4, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral(fmt) __VA_OPT__(,) __VA_ARGS__)

namespace {

AppController* gShared = nullptr;

std::map<QString, AppController::WindowFactory>& windowFactories() {
    static std::map<QString, AppController::WindowFactory> factories;
    return factories;
}

const QStringList kSpellcheckerFiles{QStringLiteral("la.dic"), QStringLiteral("la.aff"), QStringLiteral("LICENSE.txt")};

}  // namespace

const QString AppController::kAddWordFormNotification = QStringLiteral("Add word form");
const QString AppController::kNotificationObjectKey = QStringLiteral("object");
const QString AppController::kSpellcheckerRefusedKey = QStringLiteral("spellchecker refused");
const QString AppController::kQuitAlwaysKeepsWindowsKey = QStringLiteral("NSQuitAlwaysKeepsWindows");
const QString AppController::kSupportAddress = QStringLiteral("support@tessarin.org");
const QString AppController::kWebsite = QStringLiteral("https://tessarin.org");

AppController::AppController(QObject* parent) : QObject(parent) {
    gShared = this;
    buildMainMenu();
    ts::DocumentWindow::setMenuBarBuilder([this](QMainWindow* window) { buildMenus(window->menuBar(), window); });
    if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(application, &QApplication::focusChanged, this, &AppController::focusChanged);
        application->installEventFilter(this);
    }
    TSDocumentController::setApplicationDelegate(this);
    if (!windowFactories().count(QStringLiteral("aboutBox")))
        setToolWindowFactory(QStringLiteral("aboutBox"), [] { return new TSAboutBoxController; });
    if (!windowFactories().count(QStringLiteral("dictionaryImporterWindow")))
        setToolWindowFactory(QStringLiteral("dictionaryImporterWindow"),
                             [] { return new TSDictionaryImporterWindowController; });
    if (!windowFactories().count(QStringLiteral("zerivuvWindow")))
        setToolWindowFactory(QStringLiteral("zerivuvWindow"),
                             [] { return new ZerivuvWindowController([] { return Preferences::cappelliFolder(); }); });
}

AppController::~AppController() {
    for (auto& [field, window] : toolWindows_)
        if (window) delete window.data();
    delete mainMenu_;
    if (gShared == this) {
        gShared = nullptr;
        ts::DocumentWindow::setMenuBarBuilder({});
    }
}

AppController* AppController::shared() { return gShared; }

AppController::RegistryHooks& AppController::registryHooks() {
    static RegistryHooks hooks;
    return hooks;
}

void AppController::setToolWindowFactory(const QString& field, WindowFactory factory) {
    windowFactories()[field] = std::move(factory);
}

bool AppController::hasToolWindowFactory(const QString& field) {
    const auto it = windowFactories().find(field);
    return it != windowFactories().end() && it->second;
}

// --- launch and quit -------------------------------------------------------------

void AppController::applicationWillFinishLaunching() {
    if (launched_) return;
    launched_ = true;

    // Logging first, so that every later step can report.
    LGLog::addLogger(LGASLLogger::sharedInstance());
    auto fileLogger = std::make_shared<LGFileLogger>();
    if (fileLogger) {
        fileLogger->setRollingFrequency(86400.0);
        fileLogger->logFileManager()->setMaximumNumberOfLogFiles(7);
        LGLog::addLogger(fileLogger);
        Preferences::setFileLogger(fileLogger);
    }
    TSLogStep("Launch: loggers installed");

    InstallUncaughtExceptionHandler();
    TSLogStep("Launch: crash handlers installed");

    Preferences::loadPreferences();
    TSBundle::installLocalizer();
    TSLogStep("Launch: settings loaded");

    installServiceHooks();

    offerSpellcheckerOnceAWindowShows();
    TSLogStep("Launch: spellchecker offer made once a window shows");

    if (Preferences::coreSpotlightPresent()) ts::SearchIndex::defaultSearchableIndex().setIndexDelegate(this);
    TSLogStep("Launch: search index delegate set");

    removeDeveloperMenu();
    TSLogStep("Launch: menu changed");

    DictionaryController::initialiseDictionary();
    TSLogStep("Launch: analyser started");

    observerOwner_ = std::make_shared<int>(0);
    QPointer<AppController> self(this);
    ts::NotificationCenter::defaultCenter().addObserver(
        std::weak_ptr<const void>(observerOwner_), kAddWordFormNotification, nullptr,
        [self](const ts::Notification& n) {
            const auto it = n.userInfo.find(kNotificationObjectKey);
            const bool has = it != n.userInfo.end() && !it->second.isNull();
            const QString form = has ? it->second.toString() : QString();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [self, form, has] { if (self) self->addWordForm(form, has); }, Qt::QueuedConnection);
        });
    TSLogStep("Launch: observing Add word form");
}

// What the model layers left to the application: each takes effect here,
// after the settings are loaded and before the analyser starts.
void AppController::installServiceHooks() {
    DictionaryController::setSettingsProvider([] {
        const PreferencesPtr p = Preferences::preferences();
        DictionaryController::Settings s;
        s.logCommunications = p->logCommunications();
        s.dictionaryPrefs = p->dictionaryPrefs();
        return s;
    });
    TSLogStep("Launch: analyser settings provider installed");

    ts::setPageFetcher(NetworkPageFetcher::fetch);
    TSLogStep("Launch: page fetcher installed");

    TSChunk::setPasteboardWriter(ClipboardWriter::write);
    TSLogStep("Launch: pasteboard writer installed");

    // The settings install their link-style provider when first read.
    Preferences::preferences();
    TSLogStep("Launch: link styles installed");

    TSBookmarkData::setErrorPresenter([](qint64 code, const QString& message) {
        ts::AlertRequest request;
        request.messageText = ts::Prompter::localized(QStringLiteral("The file could not be found."));
        request.informativeText = QStringLiteral("%1 (%2)").arg(message).arg(code);
        request.buttons = {ts::Prompter::localized(QStringLiteral("OK"))};
        ts::Prompter::current()->alert(request);
    });
    TSLogStep("Launch: bookmark error presenter installed");
}

void AppController::applicationDidFinishLaunching() {
    ts::UserDefaults::standardUserDefaults()->setObject(ts::Value(true), kQuitAlwaysKeepsWindowsKey);
}

bool AppController::applicationShouldTerminate() {
    if (terminated_) return true;
    terminated_ = true;

    // A word-form cache still being written in the background is given up
    // rather than waited for: the old cache stays whole.
    TSWordFormDictionary::abandonCacheWrites();
    DictionaryController::terminateDictionary();
    TSLogStep("Quit: analyser stopped");

    // Without a registry no dictionary has been made, so none can be dirty.
    if (registryHooks().saveDictionaries) registryHooks().saveDictionaries();
    TSLogStep("Quit: dictionaries saved");

    Preferences::savePreferences();
    TSLogStep("Quit: settings saved");

    observerOwner_.reset();
    ts::NotificationCenter::defaultCenter().removeObserver(this);
    ts::Mailer::shared().removeTemporaryFiles();
    TSLogStep("Quit: observers removed");
    LGLog::flushLog();
    return true;
}

// --- tool windows --------------------------------------------------------------------

bool AppController::hasToolWindow(const QString& field) const {
    const auto it = toolWindows_.find(field);
    return it != toolWindows_.end() && it->second;
}

QWidget* AppController::toolWindow(const QString& field) {
    auto it = toolWindows_.find(field);
    if (it != toolWindows_.end() && it->second) return it->second;
    const auto f = windowFactories().find(field);
    if (f == windowFactories().end() || !f->second) {
        TSLogError("No window for %@", field);
        return nullptr;
    }
    QWidget* window = f->second();
    if (!window) {
        TSLogError("Unable to make the window %@", field);
        return nullptr;
    }
    toolWindows_[field] = window;
    return window;
}

void AppController::showToolWindow(const QString& field) {
    QWidget* window = toolWindow(field);
    if (!window) return;
    window->show();
    window->raise();
    window->activateWindow();
}

// --- opened files ------------------------------------------------------------------------

bool AppController::isZerivuvImportURL(const QUrl& url) const {
    const QFileInfo info(url.toLocalFile());
    if (url.isLocalFile() && info.isDir()) return true;
    const QString extension = QFileInfo(url.path()).suffix().toLower();
    return extension == QLatin1String("xlsx") || extension == QLatin1String("zip");
}

bool AppController::openZerivuvImportURL(const QUrl& url) {
    if (!url.isLocalFile() || !isZerivuvImportURL(url)) return false;
    QPointer<AppController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, url] {
            if (!self) return;
            QWidget* window = self->toolWindow(QStringLiteral("zerivuvWindow"));
            if (!window) return;
            window->show();
            window->raise();
            if (!QMetaObject::invokeMethod(window, "importZerivuvFromURL", Q_ARG(QUrl, url)))
                TSLogError("The abbreviations window cannot import %@", url.toString());
        },
        Qt::QueuedConnection);
    return true;
}

bool AppController::openTEIImportURL(const QUrl& url) {
    if (!url.isLocalFile() || QFileInfo(url.path()).suffix().toLower() != QLatin1String("xml")) return false;
    QFile file(url.toLocalFile());
    // A document saved as an XML property list still opens as a document.
    if (file.open(QIODevice::ReadOnly) && TSDocument::isDocumentData(file.read(qint64(64) << 20))) return false;
    QPointer<AppController> self(this);
    QMetaObject::invokeMethod(this, [self, url] { if (self) self->parseURL(url); }, Qt::QueuedConnection);
    return true;
}

// --- spellchecker ----------------------------------------------------------------------------

bool AppController::latinSpellcheckAvailable() {
    for (const QString& language : ts::SpellChecker::availableLanguages())
        if (language == QLatin1String("la") || language.startsWith(QLatin1String("la_"))) return true;
    return false;
}

void AppController::offerSpellcheckerOnceAWindowShows() {
    spellcheckerOfferPending_ = true;
    // The event filter hears each window's expose; this covers one already shown.
    QTimer::singleShot(0, this, &AppController::offerSpellcheckerIfAWindowShows);
}

void AppController::offerSpellcheckerIfAWindowShows() {
    if (!spellcheckerOfferPending_ || QApplication::activeModalWidget()) return;
    QWidget* shown = WidgetPrompter::windowOnScreen();
    if (!shown) return;
    spellcheckerOfferPending_ = false;
    // The question belongs to the window the user sees.
    if (!QApplication::activeWindow()) shown->activateWindow();
    checkForSpellcheckerInstallation();
}

void AppController::checkForSpellcheckerInstallation() {
    if (latinSpellcheckAvailable()) return;
    auto defaults = ts::UserDefaults::standardUserDefaults();
    if (defaults->boolForKey(kSpellcheckerRefusedKey)) return;
    if (!askToInstallSpellchecker()) {
        installSpellchecker();
        return;
    }
    defaults->setBool(true, kSpellcheckerRefusedKey);
}

bool AppController::askToInstallSpellchecker() {
    ts::AlertRequest request;
    request.messageText = ts::Prompter::localized(QStringLiteral("Install Spellchecker?"));
    request.informativeText =
        ts::Prompter::localized(QStringLiteral(
            "If you do not wish to install the spellchecker you can always install it later by choosing Install "
            "Spellchecker from the Help menu.")) +
        QStringLiteral("\n\n") +
        ts::Prompter::localized(QStringLiteral("The spellchecker will be available the next time you restart Tessarin."));
    request.buttons = {ts::Prompter::localized(QStringLiteral("Install")), ts::Prompter::localized(QStringLiteral("No"))};
    request.defaultButton = 0;
    request.cancelButton = 1;
    request.style = ts::AlertRequest::Style::Informational;
    const int answer = ts::Prompter::current()->alert(request);
    if (answer != 0 && answer != 1) TSLogError("button not handled %li", qint64(answer));
    return answer != 0;
}

QString AppController::specifySaveFile() {
    const QString folder = ts::SpellChecker::userDictionaryFolder();
    // Without the folder every move would fail, so it is made here.
    if (!QDir().mkpath(folder)) {
        TSLogError("Unable to create the spelling folder %@", folder);
        return QString();
    }
    return folder;
}

QString AppController::spellcheckerArchivePath() {
    const QString bundled = TSBundle::pathForResource(QStringLiteral("LatinSpellCheck"), QStringLiteral("zip"));
    if (!bundled.isEmpty()) return bundled;
#ifdef TS_BUILT_RESOURCES_DIR
    const QString built = QStringLiteral(TS_BUILT_RESOURCES_DIR) + QStringLiteral("/LatinSpellCheck.zip");
    if (QFileInfo(built).isFile()) return built;
#endif
    return QString();
}

std::unique_ptr<QTemporaryDir> AppController::unzipSpellchecker(QString* expandedFolder) {
    const QString archive = spellcheckerArchivePath();
    if (archive.isEmpty()) {
        TSLogError("The spellchecker archive %@ is missing", QStringLiteral("LatinSpellCheck.zip"));
        return nullptr;
    }
    auto folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tessarin-spelling-XXXXXX"));
    if (!folder->isValid()) {
        TSLogError("Unable to make a temporary folder for the spellchecker: %@", folder->errorString());
        return nullptr;
    }
    if (!TSDictionary::unzip(QUrl::fromLocalFile(archive), QUrl::fromLocalFile(folder->path()))) {
        TSLogError("Error unzipping %@", archive);
        return nullptr;
    }
    const QString expanded = folder->filePath(QStringLiteral("LatinSpellCheck"));
    if (!QFileInfo(expanded).isDir()) {
        TSLogError("Error unzipping %@", archive);
        return nullptr;
    }
    if (expandedFolder) *expandedFolder = expanded;
    return folder;
}

bool AppController::moveOneFile(const QString& source, const QString& directory) {
    const QString name = QFileInfo(source).fileName();
    const QString destination = QDir(directory).filePath(name);
    if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink()) {
        QFile old(destination);
        if (!old.moveToTrash() && !old.remove()) TSLogError("Error trashing file %@\n%@", name, old.errorString());
    }
    QFile file(source);
    if (!file.rename(destination)) {
        TSLogError("Error moving %@\n %@", name, file.errorString());
        return false;
    }
    return true;
}

bool AppController::installSpellchecker() {
    const QString target = specifySaveFile();
    if (target.isEmpty()) return false;
    QString expanded;
    const std::unique_ptr<QTemporaryDir> folder = unzipSpellchecker(&expanded);
    if (!folder) {
        TSLogError("Failed to unzip spellchecker %@", target);
        return false;
    }
    int moved = 0;
    for (const QString& name : kSpellcheckerFiles)
        if (moveOneFile(QDir(expanded).filePath(name), target)) ++moved;
    if (moved != int(kSpellcheckerFiles.size())) {
        TSLogError("Failed to install spellchecker %@", QUrl::fromLocalFile(expanded).toString());
        return false;
    }
    TSLogError("Installed spellchecker %@", QUrl::fromLocalFile(expanded).toString());
    return true;
}

// --- main menu ------------------------------------------------------------------------------------

QAction* AppController::action(const QString& selector) const {
    const auto it = actions_.find(selector);
    return it == actions_.end() ? nullptr : it->second;
}
