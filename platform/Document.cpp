#include "platform/Document.h"
#include "platform/NotificationCenter.h"

#include "platform/Prompter.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <set>

namespace ts {

namespace {

const QString kRecentDocumentsKey = QStringLiteral("RecentDocuments");
const QString kPanelDirectoryKey = QStringLiteral("LastPanelDirectory");
// Recognisers look at whole files; nothing larger is taken for a document.
constexpr qint64 kMaxRecognizedFileSize = qint64(1) << 30;
DocumentController* gShared = nullptr;

// A document not yet added to a controller works with the shared one.
DocumentController* controllerOr(DocumentController* own) {
    return own ? own : DocumentController::sharedDocumentController();
}

void setError(DocumentError* error, qint64 code, const QString& description) {
    if (!error) return;
    error->domain = kCocoaErrorDomain;
    error->code = code;
    error->description = description;
}

// A question about replacing something, whose harmless answer, Cancel, comes
// first as the default; answers whether the user chose the action.
bool confirmed(const QString& message, const QString& informative, const QString& action) {
    AlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    request.buttons = {Prompter::localized(QStringLiteral("Cancel")), Prompter::localized(action)};
    request.defaultButton = 0;
    return Prompter::current()->alert(request) == 1;
}

QString canonical(const QString& path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

}  // namespace

// --- Document ---

bool Document::readFromData(const QByteArray&, const QString& typeName, DocumentError* error) {
    setError(error, kFileReadUnsupportedTypeError, QStringLiteral("Documents of type %1 cannot be read").arg(typeName));
    return false;
}

std::optional<QByteArray> Document::dataOfType(const QString& typeName, DocumentError* error) const {
    setError(error, kFileWriteUnknownError, QStringLiteral("Documents of type %1 cannot be written").arg(typeName));
    return std::nullopt;
}

void DocumentError::fillRead(DocumentError* error, const QString& problem) {
    if (!error) return;
    error->domain = kCocoaErrorDomain;
    error->code = kFileReadUnknownError;
    error->description = QStringLiteral("The file is not a Tessarin document that can be read (%1).").arg(problem);
}

void DocumentError::fillWrite(DocumentError* error, const QString& problem) {
    if (!error) return;
    error->domain = kCocoaErrorDomain;
    error->code = kFileWriteUnknownError;
    error->description = problem;
}

bool Document::readFromURL(const QString& path, const QString& typeName, DocumentError* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, kFileReadUnknownError, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, kFileReadUnknownError, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    if (!readFromData(data, typeName, error)) return false;
    fileStamp_ = stampOf(path);
    return true;
}

bool Document::writeToURL(const QString& path, const QString& typeName, DocumentError* error) const {
    const std::optional<QByteArray> data = dataOfType(typeName, error);
    if (!data) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*data) != data->size() || !file.commit()) {
        setError(error, kFileWriteUnknownError, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool Document::saveToURL(const QString& path, const QString& typeName, DocumentError* error) {
    if (!writeToURL(path, typeName, error)) return false;
    fileStamp_ = stampOf(path);
    fileURL_ = path;
    fileType_ = typeName;
    setChangeCount(0);
    return true;
}

bool Document::autosave(DocumentError* error) {
    if (!isDocumentEdited() || fileURL_.isEmpty()) return true;
    return saveToURL(fileURL_, fileType_, error);
}

bool Document::canClose() {
    if (!isDocumentEdited()) return true;
    AlertRequest request;
    request.messageText = Prompter::localized(QStringLiteral("Do you want to save the changes made to the document “%1”?"))
                              .arg(displayName());
    request.informativeText = Prompter::localized(QStringLiteral("Your changes will be lost if you don’t save them."));
    request.buttons = {Prompter::localized(QStringLiteral("Save")), Prompter::localized(QStringLiteral("Cancel")),
                       Prompter::localized(QStringLiteral("Don’t Save"))};
    request.defaultButton = 0;
    const int answer = Prompter::current()->alert(request);
    if (answer == 2) return true;
    if (answer != 0) return false;
    DocumentError error;
    if (!saveDocument(&error)) {
        DocumentController::presentError(error);
        return false;
    }
    return true;
}

QStringList Document::fileExtensions() const {
    const DocumentController* controller = controllerOr(controller_);
    return controller ? controller->extensionsForType(fileType_) : QStringList();
}

bool Document::saveDocument(DocumentError* error) {
    if (fileURL_.isEmpty()) return saveDocumentAs(error);
    if (!confirmOverwritingChangedFile(error)) return false;
    return saveToURL(fileURL_, fileType_, error);
}

Document::FileStamp Document::stampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    return FileStamp{info.absoluteFilePath(), info.lastModified(), info.size()};
}

bool Document::confirmOverwritingChangedFile(DocumentError* error) const {
    // A file gone meanwhile has nothing to lose; one never read or written
    // by this document has no stamp to compare.
    const FileStamp now = stampOf(fileURL_);
    if (fileStamp_.path.isEmpty() || now.path.isEmpty() || now.path != fileStamp_.path || now == fileStamp_) return true;
    if (confirmed(Prompter::localized(QStringLiteral("The file of the document “%1” has been changed by another program since you opened or saved it."))
                      .arg(displayName()),
                  Prompter::localized(QStringLiteral("Saving will replace the other program’s changes.")),
                  QStringLiteral("Save Anyway")))
        return true;
    setError(error, kUserCancelledError, QString());
    return false;
}

bool Document::saveDocumentAs(DocumentError* error) {
    const QStringList extensions = fileExtensions();
    SavePanelRequest panel;
    panel.directory = fileURL_.isEmpty() ? DocumentController::panelDirectory() : QFileInfo(fileURL_).absolutePath();
    panel.nameFieldStringValue = fileURL_.isEmpty() ? displayName() : QFileInfo(fileURL_).fileName();
    if (!extensions.isEmpty() && QFileInfo(panel.nameFieldStringValue).suffix().isEmpty())
        panel.nameFieldStringValue += QLatin1Char('.') + extensions.first();
    panel.allowedFileTypes = extensions;
    panel.typesDescription = Prompter::localized(QStringLiteral("Tessarin Documents"));
    QString path = Prompter::current()->savePanel(panel);
    if (path.isEmpty()) {
        setError(error, kUserCancelledError, QString());
        return false;
    }
    path = DocumentController::pathWithExtension(QFileInfo(path).absoluteFilePath(), extensions);
    DocumentController::notePanelDirectory(path);
    DocumentController* controller = controllerOr(controller_);
    // Two documents on one file: whichever saved last would silently replace
    // the other's text.
    if (const DocumentPtr other = controller ? controller->documentForURL(path) : nullptr; other && other.get() != this) {
        setError(error, kFileWriteUnknownError,
                 Prompter::localized(QStringLiteral("“%1” is open in another window. Close it first, or choose another name."))
                     .arg(QFileInfo(path).fileName()));
        return false;
    }
    if (!saveToURL(path, fileType_, error)) return false;
    if (controller) controller->noteNewRecentDocumentURL(path);
    return true;
}

DocumentPtr Document::revertDocumentToSaved(DocumentError* error) {
    DocumentController* controller = controllerOr(controller_);
    if (fileURL_.isEmpty() || !controller) {
        setError(error, kFileReadUnknownError, Prompter::localized(QStringLiteral("The document has not been saved yet.")));
        return nullptr;
    }
    if (!confirmed(Prompter::localized(QStringLiteral("Do you want to revert to the most recently saved version of the document “%1”?"))
                       .arg(displayName()),
                   Prompter::localized(QStringLiteral("Your current changes will be lost.")), QStringLiteral("Revert"))) {
        setError(error, kUserCancelledError, QString());
        return nullptr;
    }
    return controller->makeDocumentWithContentsOfURL(fileURL_, fileType_, error);
}

void Document::close() {
    if (controller_) controller_->removeDocument(shared_from_this());
}

void Document::updateChangeCount(ChangeType change) {
    switch (change) {
    case ChangeDone: setChangeCount(changeCount_ + 1); break;
    case ChangeUndone: setChangeCount(changeCount_ - 1); break;
    case ChangeCleared: setChangeCount(0); break;
    // Never equal to a saved state, whatever undo does later.
    case ChangeReadOtherContents: setChangeCount(std::max<qint64>(changeCount_, 0) + (qint64(1) << 32)); break;
    }
}

const QString Document::kEditedStateChangedNotification = QStringLiteral("Document edited state changed");

void Document::setChangeCount(qint64 count) {
    const bool was = isDocumentEdited();
    changeCount_ = count;
    if (was != isDocumentEdited()) NotificationCenter::defaultCenter().post(kEditedStateChangedNotification, this);
}

void Document::registerUndo(UndoStep step) {
    undoSteps_.push_back(std::move(step));
    redoSteps_.clear();
}

bool Document::undo() {
    if (undoSteps_.empty()) return false;
    UndoStep step = std::move(undoSteps_.back());
    undoSteps_.pop_back();
    if (step.undo) step.undo();
    redoSteps_.push_back(std::move(step));
    return true;
}

bool Document::redo() {
    if (redoSteps_.empty()) return false;
    UndoStep step = std::move(redoSteps_.back());
    redoSteps_.pop_back();
    if (step.redo) step.redo();
    undoSteps_.push_back(std::move(step));
    return true;
}

QString Document::displayName() const {
    if (!fileURL_.isEmpty()) return QFileInfo(fileURL_).fileName();
    if (!displayName_.isEmpty()) return displayName_;
    if (untitledNumber_ <= 1) return Prompter::localized(QStringLiteral("Untitled"));
    return Prompter::localized(QStringLiteral("Untitled %1")).arg(untitledNumber_);
}

// --- DocumentController ---

DocumentController::DocumentController() {
    if (!gShared) gShared = this;
}

DocumentController::~DocumentController() {
    for (const DocumentPtr& d : documents_) d->controller_ = nullptr;
    if (gShared == this) gShared = nullptr;
}

DocumentController* DocumentController::sharedDocumentController() { return gShared; }

void DocumentController::registerDocumentType(const QString& typeName, const QStringList& extensions, Factory factory,
                                              Recognizer recognizer) {
    QStringList lower;
    for (const QString& e : extensions) lower << e.toLower();
    types_[typeName] = TypeEntry{lower, std::move(factory), std::move(recognizer)};
}

QStringList DocumentController::extensionsForType(const QString& typeName) const {
    const auto it = types_.find(typeName);
    return it == types_.end() ? QStringList() : it->second.extensions;
}

QStringList DocumentController::allExtensions() const {
    QStringList all;
    for (const auto& [name, entry] : types_)
        for (const QString& e : entry.extensions)
            if (!all.contains(e)) all << e;
    return all;
}

QString DocumentController::panelDirectory() {
    const QString last = UserDefaults::standardUserDefaults()->stringForKey(kPanelDirectoryKey);
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void DocumentController::notePanelDirectory(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (folder.isEmpty()) return;
    UserDefaults::standardUserDefaults()->setObject(Value(folder), kPanelDirectoryKey);
}

QString DocumentController::pathWithExtension(const QString& path, const QStringList& extensions) {
    if (extensions.isEmpty() || path.isEmpty()) return path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const QString& e : extensions)
        if (suffix == e.toLower()) return path;
    return path + QLatin1Char('.') + extensions.first();
}

QStringList DocumentController::documentTypes() const {
    QStringList names;
    for (const auto& [name, entry] : types_) names << name;
    return names;
}

QString DocumentController::typeForContentsOfURL(const QString& path) const {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (!extension.isEmpty())
        for (const auto& [name, entry] : types_)
            if (entry.extensions.contains(extension)) return name;
    // A file written by another tool may carry any name: its contents decide.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxRecognizedFileSize) return QString();
    bool anyRecognizer = false;
    for (const auto& [name, entry] : types_) anyRecognizer = anyRecognizer || bool(entry.recognizer);
    if (!anyRecognizer) return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QString();
    const QByteArray data = file.readAll();
    for (const auto& [name, entry] : types_)
        if (entry.recognizer && entry.recognizer(data)) return name;
    return QString();
}

DocumentPtr DocumentController::makeUntitledDocumentOfType(const QString& typeName, DocumentError* error) {
    const auto it = types_.find(typeName);
    DocumentPtr document = it != types_.end() && it->second.factory ? it->second.factory() : nullptr;
    if (!document) {
        setError(error, kFileReadUnsupportedTypeError, QStringLiteral("No document of type %1 can be made").arg(typeName));
        return nullptr;
    }
    document->setFileType(typeName);
    return document;
}

DocumentPtr DocumentController::makeDocumentWithContentsOfURL(const QString& path, const QString& typeName,
                                                              DocumentError* error) {
    DocumentPtr document = makeUntitledDocumentOfType(typeName, error);
    if (!document) return nullptr;
    if (!document->readFromURL(path, typeName, error)) return nullptr;
    document->setFileURL(path);
    return document;
}

void DocumentController::openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion) {
    auto finish = [&](DocumentPtr document, bool alreadyOpen, const DocumentError* error) {
        if (completion) completion(std::move(document), alreadyOpen, error);
    };
    if (!url.isLocalFile()) {
        DocumentError error;
        setError(&error, kFileReadUnsupportedTypeError, QStringLiteral("%1 is not a file").arg(url.toString()));
        finish(nullptr, false, &error);
        return;
    }
    const QString path = url.toLocalFile();
    if (DocumentPtr open = documentForURL(path)) {
        if (display) open->showWindows();
        finish(open, true, nullptr);
        return;
    }
    const QString typeName = typeForContentsOfURL(path);
    DocumentError error;
    if (typeName.isEmpty()) {
        setError(&error, kFileReadUnsupportedTypeError,
                 QStringLiteral("The file %1 is not of a kind Tessarin opens").arg(QFileInfo(path).fileName()));
        finish(nullptr, false, &error);
        return;
    }
    DocumentPtr document = makeDocumentWithContentsOfURL(path, typeName, &error);
    if (!document) {
        finish(nullptr, false, &error);
        return;
    }
    addDocument(document);
    noteNewRecentDocumentURL(path);
    // The next panel starts beside the document the user works on.
    notePanelDirectory(path);
    if (display) {
        document->makeWindowControllers();
        document->showWindows();
    }
    finish(document, false, nullptr);
}

void DocumentController::addDocument(const DocumentPtr& document) {
    if (!document || std::find(documents_.begin(), documents_.end(), document) != documents_.end()) return;
    document->controller_ = this;
    if (document->showsUntitled()) {
        std::set<int> taken;
        for (const DocumentPtr& d : documents_)
            if (d->showsUntitled()) taken.insert(d->untitledNumber_);
        int number = 1;
        while (taken.count(number)) ++number;
        document->untitledNumber_ = number;
    }
    documents_.push_back(document);
}

void DocumentController::removeDocument(const DocumentPtr& document) {
    const auto it = std::find(documents_.begin(), documents_.end(), document);
    if (it == documents_.end()) return;
    (*it)->controller_ = nullptr;
    documents_.erase(it);
}

DocumentPtr DocumentController::documentForURL(const QString& path) const {
    const QString wanted = canonical(path);
    for (const DocumentPtr& d : documents_)
        if (!d->fileURL().isEmpty() && canonical(d->fileURL()) == wanted) return d;
    return nullptr;
}

QStringList DocumentController::recentDocumentURLs() const {
    QStringList paths;
    const Value stored = UserDefaults::standardUserDefaults()->objectForKey(kRecentDocumentsKey);
    if (!stored.isArray()) return paths;
    for (const Value& v : stored.array())
        if (v.isString()) paths << v.toString();
    return paths;
}

void DocumentController::noteNewRecentDocumentURL(const QString& path) {
    QStringList paths = recentDocumentURLs();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    while (paths.size() > kMaxRecentDocuments) paths.removeLast();
    ValueArray array;
    for (const QString& p : paths) array.emplace_back(p);
    UserDefaults::standardUserDefaults()->setObject(Value(std::move(array)), kRecentDocumentsKey);
}

void DocumentController::clearRecentDocuments() {
    UserDefaults::standardUserDefaults()->removeObjectForKey(kRecentDocumentsKey);
}

bool DocumentController::presentError(const DocumentError& error) {
    if (error.isCancelled()) return false;
    AlertRequest request;
    request.messageText = error.code == kFileWriteUnknownError
                              ? Prompter::localized(QStringLiteral("The document could not be saved."))
                              : Prompter::localized(QStringLiteral("The document could not be opened."));
    request.informativeText = error.description;
    request.buttons = {Prompter::localized(QStringLiteral("OK"))};
    request.style = AlertRequest::Style::Critical;
    Prompter::current()->alert(request);
    return true;
}

bool DocumentController::closeAllDocuments() {
    const std::vector<DocumentPtr> open = documents_;
    for (const DocumentPtr& d : open) {
        if (!d->canClose()) return false;
        removeDocument(d);
    }
    return true;
}

}  // namespace ts
