// The delegate's menu commands: tool windows, new documents, the study
// switches, the debug log, the mails, and the developers' data commands.
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/gui/AppController.h"
#include "app/gui/ClipboardWriter.h"
#include "app/gui/PrefsWindowController.h"
#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileInfo.h"
#include "platform/ChildProcess.h"
#include "platform/Document.h"
#include "platform/Mailer.h"
#include "platform/Prompter.h"
#include "platform/gui/DocumentWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QWidget>

#include <algorithm>

namespace {

// Text in the encoding the data declares by its byte-order mark, else UTF-8,
// else Latin-1 (which reads any bytes).
QString decodeText(const QByteArray& data) {
    if (const auto bom = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(data);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(data);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(data);
}

}  // namespace

// --- windows ------------------------------------------------------------------------------

void AppController::showDictionary() {
    if (registryHooks().showDictionaryWindow) registryHooks().showDictionaryWindow();
    else showToolWindow(QStringLiteral("dictionaryWindow"));
}

void AppController::showPrefsWindow() { PrefsWindowController::showPrefsWindow(); }
void AppController::showGrammarWindow() { showToolWindow(QStringLiteral("grammarWindow")); }
void AppController::showWordSearchWindow() { showToolWindow(QStringLiteral("wordSearchWindow")); }
void AppController::showAnagramWindow() { showToolWindow(QStringLiteral("anagramWindow")); }
void AppController::showZerivuvWindow() { showToolWindow(QStringLiteral("zerivuvWindow")); }
void AppController::showXMLCheckWindow() { showToolWindow(QStringLiteral("xmlCheckWindow")); }
void AppController::constructionSearch() { showToolWindow(QStringLiteral("constructionSearchWindow")); }
void AppController::parseMDict() { showToolWindow(QStringLiteral("dictionaryImporterWindow")); }
void AppController::showAboutBox() { showToolWindow(QStringLiteral("aboutBox")); }

void AppController::showWordFormWindow(const QString& wordForm) {
    QWidget* window = toolWindow(QStringLiteral("wordFormController"));
    if (!window) return;
    if (!QMetaObject::invokeMethod(window, "setWordForm", Q_ARG(QString, wordForm)))
        TSLogError("The word-form window cannot take %@", wordForm);
    window->show();
    window->raise();
}

void AppController::addWordForm(const QString& wordForm, bool hasObject) {
    if (!hasObject) {
        TSLogError("Nil word form");
        return;
    }
    showWordFormWindow(wordForm);
}

void AppController::parseURL(const QUrl& url) {
    QWidget* window = toolWindow(QStringLiteral("perseusImporterWindow"));
    if (!window) return;
    window->show();
    if (!QMetaObject::invokeMethod(window, "setFileURL", Q_ARG(QUrl, url)))
        TSLogError("The importer cannot take %@", url.toString());
}

// --- settings switches ---------------------------------------------------------------------------

void AppController::reviseOnlyMarked() {
    const PreferencesPtr p = Preferences::preferences();
    p->setReviseMarkedOnly(!p->reviseMarkedOnly());
    updateCheckMarks();
}

void AppController::markAutomatically() {
    const PreferencesPtr p = Preferences::preferences();
    p->setAutomarkWords(!p->automarkWords());
    updateCheckMarks();
}

// --- documents ----------------------------------------------------------------------------------------

bool AppController::newDocumentOfType(const QString& type) {
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!controller) return false;
    ts::DocumentError error;
    const ts::DocumentPtr document = controller->makeUntitledDocumentOfType(type, &error);
    if (!document) {
        TSLogError("No new document of type %@: %@", type, error.description);
        return false;
    }
    controller->addDocument(document);
    document->makeWindowControllers();
    document->showWindows();
    return true;
}

bool AppController::newStructuredWindow() { return newDocumentOfType(QStringLiteral("TSDocument")); }
bool AppController::newDocument() { return newDocumentOfType(QStringLiteral("MyDocument")); }

void AppController::openDocument() {
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!controller) return;
    ts::OpenPanelRequest request;
    request.allowsMultipleSelection = true;
    request.canChooseDirectories = true;
    request.directory = ts::DocumentController::panelDirectory();
    request.allowedFileTypes = controller->allExtensions();
    request.typesDescription = ts::Prompter::localized(QStringLiteral("Tessarin Documents"));
    const QStringList paths = ts::Prompter::current()->openPanel(request);
    if (!paths.isEmpty()) ts::DocumentController::notePanelDirectory(paths.first());
    for (const QString& path : paths)
        controller->openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), true,
                                                  [](ts::DocumentPtr, bool, const ts::DocumentError* error) {
                                                      if (error) ts::DocumentController::presentError(*error);
                                                  });
}

void AppController::terminate() {
    if (!terminated_) {
        // Text still in an editor is part of what the questions ask about.
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows)
            if (auto* d = dynamic_cast<ts::DocumentWindow*>(w)) d->commitEditing();
        // One question per edited document, and nothing closes or stops until
        // every document has its answer: Cancel leaves everything as it was.
        std::vector<ts::DocumentPtr> declined;
        if (ts::DocumentController* controller = ts::DocumentController::sharedDocumentController())
            for (const ts::DocumentPtr& d : std::vector<ts::DocumentPtr>(controller->documents())) {
                if (!d->canClose()) return;
                if (d->isDocumentEdited()) declined.push_back(d);
            }
        // Edits the user chose not to save are given up: no window asks again.
        for (const ts::DocumentPtr& d : declined) d->updateChangeCount(ts::Document::ChangeCleared);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (dynamic_cast<ts::DocumentWindow*>(w) && w->isVisible() && !w->close()) return;
        applicationShouldTerminate();
    }
    QCoreApplication::quit();
}

// --- web page and mails ------------------------------------------------------------------------------

namespace {

// Nothing on the desktop could take the request: the user is told, rather
// than the menu item seeming to do nothing.
void sayNoProgram(const QString& message, const QString& detail) {
    ts::AlertRequest request;
    request.messageText = ts::Prompter::localized(message);
    request.informativeText = detail;
    request.buttons = {ts::Prompter::localized(QStringLiteral("OK"))};
    ts::Prompter::current()->alert(request);
}

// What the user can do by hand: write to the address, attaching the files
// the mail would have carried.
void sayNoMailProgram(const QStringList& attachments = {}) {
    const QString address = AppController::kSupportAddress;
    sayNoProgram(QStringLiteral("No mail program could be found."),
                 attachments.isEmpty()
                     ? ts::Prompter::localized(QStringLiteral("Write to %1.")).arg(address)
                     : ts::Prompter::localized(QStringLiteral("Write to %1 and attach %2."))
                           .arg(address, attachments.join(QStringLiteral(", "))));
}

}  // namespace

// The desktop's openers start the user's program and exit; they exit with a
// failure, a moment later, when the desktop has none for the address, so
// only their exit status tells.
AppController::UrlOpener& AppController::urlOpener() {
    static UrlOpener opener = [](const QUrl& url, std::function<void(bool)> opened) {
        const bool mail = url.scheme() == QLatin1String("mailto");
        ts::ChildProcess::run(mail ? QStringLiteral("xdg-email") : QStringLiteral("xdg-open"),
                              {url.toString(QUrl::FullyEncoded)}, [url, opened](const ts::ChildOutcome& outcome) {
                                  if (!outcome.succeeded())
                                      TSLogError("No program opens %@: %@", url.toString(), outcome.cause);
                                  if (opened) opened(outcome.succeeded());
                              });
    };
    return opener;
}

void AppController::loadWebsite() {
    urlOpener()(QUrl(kWebsite), [](bool opened) {
        if (!opened) sayNoProgram(QStringLiteral("No program could be found to open the website."), kWebsite);
    });
}

void AppController::emailDeveloper() {
    const QUrl mail(QStringLiteral("mailto:") + kSupportAddress + QStringLiteral("?subject=Tessarin%20Comments&body="));
    urlOpener()(mail, [](bool opened) {
        if (!opened) sayNoMailProgram();
    });
}

QByteArray AppController::errorLogData() const {
    const LGFileLoggerPtr logger = Preferences::fileLogger();
    if (!logger || !logger->logFileManager()) return QByteArray();
    const LGLogFileManagerPtr& manager = logger->logFileManager();
    const quint64 count = std::min<quint64>(manager->maximumNumberOfLogFiles(), 10);
    QByteArray data;
    quint64 taken = 0;
    for (const LGLogFileInfoPtr& info : manager->sortedLogFileInfos()) {
        if (taken++ >= count) break;
        QFile file(info->filePath());
        if (!file.open(QIODevice::ReadOnly)) continue;
        data += file.readAll();
    }
    return data;
}

QString AppController::saveDataToFile(const QByteArray& data, const QString& name) {
    QString error;
    const QString path = ts::Mailer::shared().saveDataToFile(data, name, &error);
    if (path.isEmpty()) TSLogError("Error %li writing file %@\n%@", qint64(0), name, error);
    return path;
}

// The temporary folder is emptied when the program quits: a file named
// there in a message that no mail program took the mail would be gone by the
// time the user writes the mail by hand.
QString AppController::keptDataFile(const QByteArray& data, const QString& name) {
    const QString folder = Preferences::supportDirectory();
    const bool plainName = !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
                           name != QLatin1String("..");
    if (!folder.isEmpty() && plainName) {
        const QString path = folder + QLatin1Char('/') + name;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return path;
        TSLogError("Error writing file %@\n%@", path, file.errorString());
    }
    return saveDataToFile(data, name);
}

bool AppController::composeMail(const QString& subject, const QStringList& items) {
    QStringList texts;
    QStringList attachments;
    for (const QString& item : items) {
        if (item.startsWith(QLatin1Char('/')) && QFile::exists(item)) attachments << item;
        else texts << item;
    }
    return ts::Mailer::shared().compose({kSupportAddress}, subject, texts.join(QLatin1Char('\n')), attachments,
                                        [subject, attachments](bool composed, const QString& cause) {
                                            if (composed) return;
                                            TSLogError("Unable to compose the mail %@: %@", subject, cause);
                                            sayNoMailProgram(attachments);
                                        });
}

bool AppController::emailDebugLog() {
    const QString path = keptDataFile(errorLogData(), QStringLiteral("debugLog.txt"));
    if (path.isEmpty()) return false;
    return composeMail(QStringLiteral("Debug Log from Tessarin"), {QStringLiteral("Debug Log"), path});
}

QString AppController::specifySaveDebugFile() {
    ts::SavePanelRequest request;
    request.nameFieldStringValue = QStringLiteral("debugLog.txt");
    request.allowedFileTypes = {QStringLiteral("txt")};
    return ts::Prompter::current()->savePanel(request);
}

// A failed write is told to the user: a debug log that silently went nowhere
// would be sent on as if it existed.
bool AppController::saveDebugLog() {
    const QByteArray data = errorLogData();
    const QString path = specifySaveDebugFile();
    if (path.isEmpty()) return false;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit()) return true;
    const QString cause = file.errorString();
    TSLogError("Error saving debug log %@\n%@", path, cause);
    ts::AlertRequest request;
    request.messageText = ts::Prompter::localized(QStringLiteral("The debug log could not be saved."));
    request.informativeText = QStringLiteral("%1: %2").arg(path, cause);
    request.buttons = {ts::Prompter::localized(QStringLiteral("OK"))};
    request.style = ts::AlertRequest::Style::Critical;
    ts::Prompter::current()->alert(request);
    return false;
}

QStringList AppController::shareableItems(const std::map<QString, QByteArray>& changes) {
    QStringList items;
    for (const auto& [name, data] : changes) {
        const QString path = keptDataFile(data, QStringLiteral("%1.xml").arg(name));
        if (path.isEmpty()) continue;
        items << name << path;
    }
    return items;
}

bool AppController::emailChangedWords() {
    if (!registryHooks().changedWords) {
        TSLogError("No dictionary registry to read the changed words from");
        return false;
    }
    const std::map<QString, QByteArray> changes = registryHooks().changedWords();
    if (changes.empty()) return false;
    const QStringList items = shareableItems(changes);
    if (items.isEmpty()) return false;
    return composeMail(QStringLiteral("Dictionary Changes From Tessarin"), items);
}

void AppController::removeChangeFlags() {
    if (registryHooks().removeChangeFlags) registryHooks().removeChangeFlags();
    else TSLogError("No dictionary registry to clear the change flags of");
}

// --- developers' commands -------------------------------------------------------------------------------

void AppController::parsePerseusSource() {
    if (registryHooks().buildLewisAndShort) registryHooks().buildLewisAndShort();
    else TSLogError("No builder for %@", QStringLiteral("Lewis and Short"));
}

void AppController::doImport() {
    ts::OpenPanelRequest request;
    request.allowsMultipleSelection = true;
    request.allowedFileTypes = {QStringLiteral("xml")};
    request.typesDescription = ts::Prompter::localized(QStringLiteral("TEI Texts"));
    for (const QString& path : ts::Prompter::current()->openPanel(request)) parseURL(QUrl::fromLocalFile(path));
}

void AppController::parseCSV() {
    const QString path = TSBundle::pathForResource(QStringLiteral("Zerivuv Words"), QStringLiteral("txt"));
    if (path.isEmpty()) {
        TSLogError("error loading CSV file %@", QStringLiteral("Zerivuv Words.txt"));
        return;
    }
    parseCSVFile(path);
}

bool AppController::parseCSVFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("error loading CSV file %@", file.errorString());
        return false;
    }
    const QString text = decodeText(file.readAll());
    static const QRegularExpression newline(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]"));
    static const QRegularExpression separators(QStringLiteral("[,-]"));
    QSet<QString> seenLines;
    QSet<QString> words;
    for (const QString& line : text.split(newline)) {
        if (seenLines.contains(line)) continue;
        seenLines.insert(line);
        for (const QString& part : line.split(separators)) words.insert(part.trimmed());
    }
    QStringList sorted(words.begin(), words.end());
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    QString out;
    for (QString word : sorted) {
        while (!word.isEmpty() && (word.front() == QLatin1Char('"') || word.front() == QLatin1Char('/'))) word.remove(0, 1);
        while (!word.isEmpty() && (word.back() == QLatin1Char('"') || word.back() == QLatin1Char('/'))) word.chop(1);
        out += word + QLatin1Char('\n');
    }
    if (!writeToPasteBoard(out)) {
        TSLogError("DIdn't write");
        return false;
    }
    return true;
}

bool AppController::writeToPasteBoard(const QString& text) { return ClipboardWriter::write(ts::Value(text)); }

QString AppController::contentsString() {
    const QString path = TSBundle::pathForResource(QStringLiteral("Letters"), QStringLiteral("txt"));
    if (path.isEmpty()) return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("error loading Letters string %@", file.errorString());
        return QString();
    }
    return decodeText(file.readAll());
}
