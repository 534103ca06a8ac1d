// What a user meets when saving or opening goes wrong: the save is refused
// with a message, the document keeps its edited state and the file on disk
// stays whole; a file that cannot be read opens no document.

#include "documents/TSDocument.h"

#include "platform/AttributedString.h"
#include "platform/Prompter.h"
#include "support/CaptureLogger.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "TeiTrees.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace ts;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

std::shared_ptr<TSDocument> documentWith(const QString& latin) {
    auto doc = std::make_shared<TSDocument>();
    std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0))->setLatin(AttributedString::make(latin));
    return doc;
}

QString latinOf(const TSDocument& doc) {
    auto chunk = std::dynamic_pointer_cast<TSMatchedChunk>(doc.text()->childAt(0));
    return chunk && chunk->latin() ? chunk->latin()->string() : QString();
}

struct Harness {
    Harness() : prompter(std::make_shared<ScriptedPrompter>()), scope(prompter) {
        TSDocument::registerDocumentType(controller);
    }
    std::shared_ptr<TSDocument> open(const QString& path) {
        std::shared_ptr<TSDocument> opened;
        controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), false,
                                                 [&](DocumentPtr d, bool, const DocumentError*) {
                                                     opened = std::dynamic_pointer_cast<TSDocument>(d);
                                                 });
        return opened;
    }
    DocumentController controller;
    std::shared_ptr<ScriptedPrompter> prompter;
    Prompter::Scope scope;
};

}  // namespace

// A save that cannot be written leaves the document edited, says why
// through the close question's Save, and never touches the saved file.
TEST(SaveFailures, UnwritablePlacesKeepTheEditsAndTheFile) {
    Harness h;
    QTemporaryDir dir;
    const QString folder = dir.filePath("gone");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/catilina.tsdx";
    ASSERT_TRUE(documentWith("Quo usque tandem")->saveToURL(path, TSDocument::kTypeName, nullptr));
    auto doc = h.open(path);
    ASSERT_TRUE(doc);

    // The folder went away while the document was open.
    std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0))->setLatin(AttributedString::make("abutere"));
    doc->updateChangeCount(Document::ChangeDone);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    DocumentError error;
    EXPECT_FALSE(doc->saveDocument(&error));
    EXPECT_EQ(error.code, kFileWriteUnknownError);
    EXPECT_TRUE(error.description.contains(path));
    EXPECT_TRUE(doc->isDocumentEdited());
    const size_t alerts = h.prompter->alerts().size();
    h.prompter->queueAlertAnswer(0);  // Save
    EXPECT_FALSE(doc->canClose()) << "the window stays open with the edits";
    ASSERT_EQ(h.prompter->alerts().size(), alerts + 2);
    EXPECT_EQ(h.prompter->alerts().back().messageText, "The document could not be saved.");
    EXPECT_TRUE(doc->isDocumentEdited());

    // A folder nobody may write into, not even the administrator.
    h.prompter->queueSavePanelAnswer("/proc/self/catilina.tsdx");
    EXPECT_FALSE(doc->saveDocumentAs(&error));
    EXPECT_EQ(error.code, kFileWriteUnknownError);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(doc->fileURL(), path);

    // Read-only folder and read-only file bind only an ordinary user.
    if (geteuid() == 0) return;
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(documentWith("Quo usque tandem")->saveToURL(path, TSDocument::kTypeName, nullptr));
    const QByteArray saved = readAll(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    EXPECT_FALSE(doc->saveDocument(&error));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(readAll(path), saved);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(doc->saveDocument(&error));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(readAll(path), saved);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"catilina.tsdx"});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Save As over the file of another open document would leave two windows
// on one file, the older one free to write its text over the newer.
TEST(SaveFailures, SaveAsOverAnotherOpenDocumentIsRefused) {
    Harness h;
    QTemporaryDir dir;
    const QString first = dir.filePath("prima.tsdx"), second = dir.filePath("secunda.tsdx");
    ASSERT_TRUE(documentWith("Arma virumque cano")->saveToURL(first, TSDocument::kTypeName, nullptr));
    ASSERT_TRUE(documentWith("Tityre tu patulae")->saveToURL(second, TSDocument::kTypeName, nullptr));
    auto a = h.open(first), b = h.open(second);
    ASSERT_TRUE(a && b);
    const QByteArray before = readAll(first);
    std::dynamic_pointer_cast<TSMatchedChunk>(b->text()->childAt(0))->setLatin(AttributedString::make("Meliboee"));
    b->updateChangeCount(Document::ChangeDone);

    h.prompter->queueSavePanelAnswer(first);
    DocumentError error;
    EXPECT_FALSE(b->saveDocumentAs(&error));
    EXPECT_FALSE(error.isCancelled());
    EXPECT_EQ(error.code, kFileWriteUnknownError);
    EXPECT_TRUE(error.description.contains("prima.tsdx"));
    EXPECT_EQ(readAll(first), before);
    EXPECT_EQ(b->fileURL(), second);
    EXPECT_TRUE(b->isDocumentEdited());
    EXPECT_EQ(h.controller.documentForURL(first), a);

    // Its own file, by another spelling of the path, is no conflict.
    h.prompter->queueSavePanelAnswer(dir.path() + "/./secunda.tsdx");
    EXPECT_TRUE(b->saveDocumentAs(&error));
    EXPECT_FALSE(b->isDocumentEdited());
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(second, TSDocument::kTypeName, nullptr));
    EXPECT_EQ(latinOf(*reread), "Meliboee");
}

// Half of a saved Eclogues, an empty file, a folder with the document's extension
// and a file the user may not read: each is an error, no document opens,
// and the file is as it was.
TEST(OpenFailures, NoDocumentOpensForWhatCannotBeRead) {
    Harness h;
    QTemporaryDir dir;
    const QString whole = dir.filePath("whole.tsdx");
    auto doc = std::make_shared<TSDocument>();
    TSTextPtr eclogues = teitest::latinTree(teitest::sharedPath("data/tei/eclogues-lat.xml"), "Eclogues");
    ASSERT_TRUE(eclogues);
    doc->setText(eclogues);
    const QString firstLatin = latinOf(*doc);
    ASSERT_FALSE(firstLatin.isEmpty());
    ASSERT_TRUE(doc->saveToURL(whole, TSDocument::kTypeName, nullptr));
    const QByteArray bytes = readAll(whole);
    ASSERT_GT(bytes.size(), 1000);
    ASSERT_TRUE(writeAll(dir.filePath("half.tsdx"), bytes.left(bytes.size() / 2)));
    ASSERT_TRUE(writeAll(dir.filePath("empty.tsdx"), {}));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("folder.tsdx")));
    QStringList cases{"half.tsdx", "empty.tsdx", "folder.tsdx"};
    if (geteuid() != 0) {
        ASSERT_TRUE(QFile::copy(whole, dir.filePath("secret.tsdx")));
        QFile::setPermissions(dir.filePath("secret.tsdx"), QFile::WriteOwner);
        cases << "secret.tsdx";
    }
    CaptureLogger::Scope log;
    for (const QString& name : cases) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        const QByteArray was = readAll(path);
        bool called = false;
        DocumentError shown;
        h.controller.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), false,
                                                   [&](DocumentPtr d, bool, const DocumentError* e) {
                                                       called = true;
                                                       EXPECT_FALSE(d);
                                                       ASSERT_TRUE(e);
                                                       shown = *e;
                                                   });
        EXPECT_TRUE(called);
        EXPECT_NE(shown.code, 0);
        EXPECT_FALSE(shown.isCancelled());
        EXPECT_FALSE(shown.description.isEmpty());
        EXPECT_TRUE(h.controller.documents().empty());
        EXPECT_EQ(readAll(path), was);
    }
    auto reopened = h.open(whole);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(latinOf(*reopened), firstLatin);
    EXPECT_EQ(reopened->text()->numChildren(), eclogues->numChildren());
}

// Another program wrote the file after it was opened: Save asks before
// replacing that, Cancel keeps both the file and the edits; a close
// question's Save cancelled there keeps the window. A document that has no
// file yet asks for one, and a cancelled panel keeps it open and edited.
TEST(SaveFailures, SaveAsksBeforeReplacingAnotherProgramsChanges) {
    Harness h;
    QTemporaryDir dir;
    const QString path = dir.filePath("bucolica.tsdx");
    ASSERT_TRUE(documentWith("Tityre tu patulae")->saveToURL(path, TSDocument::kTypeName, nullptr));
    auto doc = h.open(path);
    ASSERT_TRUE(doc);
    std::dynamic_pointer_cast<TSMatchedChunk>(doc->text()->childAt(0))->setLatin(AttributedString::make("recubans"));
    doc->updateChangeCount(Document::ChangeDone);
    DocumentError error;
    auto outsider = documentWith("sub tegmine fagi");
    ASSERT_TRUE(outsider->writeToURL(path, TSDocument::kTypeName, nullptr));
    {
        // Stamped well after the open, whatever the clock's resolution.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    }
    const QByteArray theirs = readAll(path);

    size_t alerts = h.prompter->alerts().size();
    h.prompter->queueAlertAnswer(0);  // Cancel
    EXPECT_FALSE(doc->saveDocument(&error));
    EXPECT_TRUE(error.isCancelled());
    ASSERT_EQ(h.prompter->alerts().size(), alerts + 1);
    EXPECT_EQ(h.prompter->alerts().back().buttons, (QStringList{"Cancel", "Save Anyway"}));
    EXPECT_TRUE(h.prompter->alerts().back().messageText.contains("bucolica.tsdx"));
    EXPECT_EQ(readAll(path), theirs);
    EXPECT_TRUE(doc->isDocumentEdited());

    h.prompter->queueAlertAnswer(0);  // Save, in the close question
    h.prompter->queueAlertAnswer(0);  // Cancel
    EXPECT_FALSE(doc->canClose());
    EXPECT_EQ(h.prompter->alerts().size(), alerts + 3) << "a cancelled save shows no error";
    EXPECT_EQ(readAll(path), theirs);

    h.prompter->queueAlertAnswer(1);  // Save Anyway
    EXPECT_TRUE(doc->saveDocument(&error));
    EXPECT_FALSE(doc->isDocumentEdited());
    auto reread = std::make_shared<TSDocument>();
    ASSERT_TRUE(reread->readFromURL(path, TSDocument::kTypeName, nullptr));
    EXPECT_EQ(latinOf(*reread), "recubans");
    alerts = h.prompter->alerts().size();
    doc->updateChangeCount(Document::ChangeDone);
    EXPECT_TRUE(doc->saveDocument(&error)) << "its own save is no change by another program";
    EXPECT_EQ(h.prompter->alerts().size(), alerts);

    auto untitled = documentWith("Formosam resonare doces");
    h.controller.addDocument(untitled);
    untitled->updateChangeCount(Document::ChangeDone);
    h.prompter->queueAlertAnswer(0);  // Save; the panel is cancelled
    EXPECT_FALSE(untitled->canClose());
    EXPECT_EQ(h.prompter->alerts().size(), alerts + 1);
    EXPECT_TRUE(untitled->isDocumentEdited());
    EXPECT_TRUE(untitled->fileURL().isEmpty());
}
