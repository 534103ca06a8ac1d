#pragma once
// Documents and the document controller: what the windows' document
// machinery needs below the window layer.
//
// A Document holds one file's contents. Subclasses read and write their
// format (readFromData / dataOfType); the base class does the file work:
// reading a file, atomic saves (QSaveFile), autosave in place, the edited
// state, and the "save changes?" question on close, asked through
// ts::Prompter. The window layer overrides makeWindowControllers and
// showWindows to give a document its main window.
//
// The DocumentController makes documents by type (each registered with its
// file extensions, a factory and, optionally, a recogniser of its files'
// contents, so that a file of the type opens whatever its name), keeps the
// open documents and the recent
// documents (user default "RecentDocuments", newest first, at most
// kMaxRecentDocuments), and opens files through one operation,
// openDocumentWithContentsOfURL, which subclasses override to route some
// files elsewhere. The first controller made in a process is the shared one.
//
// Open and save panels start in the folder of the document last opened or
// saved, or last chosen in a panel, else in
// the user's documents folder (XDG), else in the home folder; never in the
// process's working folder.
//
// Failures come back as a DocumentError with a domain and a code, as the
// platform's error values did; kUserCancelledError in kCocoaErrorDomain means
// the user (or a routing decision) cancelled, and presentError stays silent
// for it.
//
// Threads: main thread only.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace ts {

inline const QString kCocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
// The platform's code for an operation the user cancelled.
inline constexpr qint64 kUserCancelledError = 3072;
// Reading failed for an unknown reason / the file could not be written.
inline constexpr qint64 kFileReadUnknownError = 256;
inline constexpr qint64 kFileWriteUnknownError = 512;
// No document type takes the file.
inline constexpr qint64 kFileReadUnsupportedTypeError = 259;

struct DocumentError {
    // The errors a document's format gives when its bytes cannot be read or
    // made; `error` may be null.
    static void fillRead(DocumentError* error, const QString& problem);
    static void fillWrite(DocumentError* error, const QString& problem);

    QString domain = kCocoaErrorDomain;
    qint64 code = 0;
    QString description;
    bool isCancelled() const { return domain == kCocoaErrorDomain && code == kUserCancelledError; }
};

class DocumentController;
class Document;
using DocumentPtr = std::shared_ptr<Document>;

class Document : public std::enable_shared_from_this<Document> {
public:
    // ChangeReadOtherContents: the contents came from another format (an
    // import), so the document counts as unsaved until the user saves it.
    enum ChangeType { ChangeDone, ChangeUndone, ChangeCleared, ChangeReadOtherContents };

    Document() = default;
    virtual ~Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The format: fill the document from a file's bytes / give its bytes.
    // The base class reads and writes nothing and reports an error.
    virtual bool readFromData(const QByteArray& data, const QString& typeName, DocumentError* error);
    virtual std::optional<QByteArray> dataOfType(const QString& typeName, DocumentError* error) const;

    // Reads the file and hands its bytes to readFromData.
    bool readFromURL(const QString& path, const QString& typeName, DocumentError* error);
    // Writes dataOfType atomically; the file is replaced only when the whole
    // write succeeded.
    bool writeToURL(const QString& path, const QString& typeName, DocumentError* error) const;
    // Writes and, on success, makes the path the document's file and clears
    // the edited state.
    bool saveToURL(const QString& path, const QString& typeName, DocumentError* error);
    // Saves in place when the document has a file and unsaved changes; a
    // document without a file is left to the user's save. Answers false only
    // when a write failed.
    bool autosave(DocumentError* error = nullptr);
    static bool autosavesInPlace() { return true; }

    // The user's commands. Save writes in place, or asks for a file (Save As)
    // when the document has none. Save As asks through a save panel that
    // filters by the type's extensions; a name without one of them gets the
    // first. Revert asks, then reads the file again into a new document of
    // the same type (answered; the window layer swaps it in). Each answers
    // false on failure or cancellation (error->isCancelled()); a failed save
    // leaves the document edited. Save asks before writing over a file that
    // another program changed since the document read or wrote it.
    bool saveDocument(DocumentError* error);
    bool saveDocumentAs(DocumentError* error);
    DocumentPtr revertDocumentToSaved(DocumentError* error);
    // The extensions of this document's type (empty without a controller).
    QStringList fileExtensions() const;

    // Asks, when there are unsaved changes, whether to save them: Save (a
    // save panel for a document without a file), Cancel, or Don't Save.
    // Answers whether the document may close.
    bool canClose();
    // Removes the document from its controller.
    void close();

    // Edited state. Whenever it turns (edited or saved), the default
    // notification centre posts kEditedStateChangedNotification with the
    // document as sender, so windows can show the edited mark.
    static const QString kEditedStateChangedNotification;
    void updateChangeCount(ChangeType change);
    bool isDocumentEdited() const { return changeCount_ != 0; }

    QString fileURL() const { return fileURL_; }
    void setFileURL(const QString& path) { fileURL_ = path; }
    QString fileType() const { return fileType_; }
    void setFileType(const QString& type) { fileType_ = type; }
    // The name set for a document without a file (an import names it after
    // its source), else the file's name; else "Untitled", or "Untitled <n>"
    // with the number its controller gave it among the untitled documents.
    QString displayName() const;
    void setDisplayName(const QString& name) { displayName_ = name; }

    // The document's own undo steps, for edits that change the whole
    // document at once (editors keep their own for typing). Registering a
    // step forgets the steps that were undone.
    struct UndoStep {
        QString name;
        std::function<void()> undo, redo;
    };
    void registerUndo(UndoStep step);
    bool canUndo() const { return !undoSteps_.empty(); }
    bool canRedo() const { return !redoSteps_.empty(); }
    QString undoName() const { return canUndo() ? undoSteps_.back().name : QString(); }
    QString redoName() const { return canRedo() ? redoSteps_.back().name : QString(); }
    bool undo();
    bool redo();

    // The window layer's part.
    virtual void makeWindowControllers() {}
    virtual void showWindows() {}

    DocumentController* documentController() const { return controller_; }

private:
    friend class DocumentController;
    QString fileURL_;
    QString fileType_;
    QString displayName_;
    int untitledNumber_ = 0;
    bool showsUntitled() const { return fileURL_.isEmpty() && displayName_.isEmpty(); }
    std::vector<UndoStep> undoSteps_, redoSteps_;
    void setChangeCount(qint64 count);
    qint64 changeCount_ = 0;
    DocumentController* controller_ = nullptr;
    // The file as this document last read or wrote it, so that a save in
    // place notices another program's changes.
    struct FileStamp {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp stampOf(const QString& path);
    FileStamp fileStamp_;
    bool confirmOverwritingChangedFile(DocumentError* error) const;
};

class DocumentController {
public:
    using Factory = std::function<DocumentPtr()>;
    // Whether a file's bytes are a document of the type.
    using Recognizer = std::function<bool(const QByteArray& data)>;
    using OpenCompletion = std::function<void(DocumentPtr document, bool alreadyOpen, const DocumentError* error)>;
    static constexpr int kMaxRecentDocuments = 10;

    DocumentController();
    virtual ~DocumentController();
    DocumentController(const DocumentController&) = delete;
    DocumentController& operator=(const DocumentController&) = delete;

    // The first controller made in the process (null when there is none).
    static DocumentController* sharedDocumentController();

    // A type name with the extensions (without dot, any case) of its files.
    void registerDocumentType(const QString& typeName, const QStringList& extensions, Factory factory,
                              Recognizer recognizer = {});
    QStringList documentTypes() const;
    bool hasDocumentType(const QString& typeName) const { return types_.count(typeName) != 0; }
    QStringList extensionsForType(const QString& typeName) const;
    // The type whose extensions hold the file's; else the first type whose
    // recogniser takes the file's bytes; empty when none does.
    QString typeForContentsOfURL(const QString& path) const;
    // Every registered extension, for open panels.
    QStringList allExtensions() const;

    // Where open and save panels start, and the folder to start in next time
    // (the folder of a chosen file, or a chosen folder).
    static QString panelDirectory();
    static void notePanelDirectory(const QString& path);
    // A path with one of the extensions; the first is appended when it has
    // none of them.
    static QString pathWithExtension(const QString& path, const QStringList& extensions);

    DocumentPtr makeUntitledDocumentOfType(const QString& typeName, DocumentError* error);
    DocumentPtr makeDocumentWithContentsOfURL(const QString& path, const QString& typeName, DocumentError* error);

    // Opens a file as a document: an open document of the same file is
    // answered as already open; otherwise one of the file's type is made,
    // read, added, noted as recent and (with display) shown. The completion,
    // when given, is called exactly once.
    virtual void openDocumentWithContentsOfURL(const QUrl& url, bool display, OpenCompletion completion);

    // A document without a file or a name of its own is numbered on being
    // added: the lowest number no other open untitled document holds, so
    // that every window's title differs.
    void addDocument(const DocumentPtr& document);
    void removeDocument(const DocumentPtr& document);
    const std::vector<DocumentPtr>& documents() const { return documents_; }
    DocumentPtr documentForURL(const QString& path) const;

    // Recent documents, newest first.
    QStringList recentDocumentURLs() const;
    void noteNewRecentDocumentURL(const QString& path);
    void clearRecentDocuments();

    // Shows the error through the Prompter, with its cause; a cancellation
    // shows nothing. Answers whether something was shown.
    static bool presentError(const DocumentError& error);

    // Asks every document whether it may close; false as soon as one refuses.
    bool closeAllDocuments();

private:
    struct TypeEntry {
        QStringList extensions;
        Factory factory;
        Recognizer recognizer;
    };
    std::map<QString, TypeEntry> types_;
    std::vector<DocumentPtr> documents_;
};

}  // namespace ts
