#include "AppTestSupport.h"

#include "app/gui/MainWindow.h"
#include "platform/Document.h"

#include <QAction>
#include <QMenu>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QSaveFile>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Stands in for the abbreviations window: records what it was asked to import.
class RecordingZerivuvWindow : public QWidget {
    Q_OBJECT
public:
    QList<QUrl> imported;
    Q_INVOKABLE void importZerivuvFromURL(const QUrl& url) { imported << url; }
};

RecordingZerivuvWindow* zerivuvWindow() {
    static RecordingZerivuvWindow* window = nullptr;
    if (!window) {
        AppController::setToolWindowFactory("zerivuvWindow", [] {
            window = new RecordingZerivuvWindow;
            return window;
        });
        AppHarness::get().controller->toolWindow("zerivuvWindow");
    }
    return window;
}

// A text document: its file holds its text.
class TextDocument : public ts::Document {
public:
    QByteArray text;
    bool readFromData(const QByteArray& data, const QString&, ts::DocumentError*) override {
        text = data;
        return true;
    }
    std::optional<QByteArray> dataOfType(const QString&, ts::DocumentError*) const override { return text; }
};

void registerTextType() {
    AppHarness::get().documents.registerDocumentType("TestText", {"xls", "txt"},
                                                     [] { return std::make_shared<TextDocument>(); });
}

struct OpenResult {
    bool called = false;
    ts::DocumentPtr document;
    bool cancelled = false;
    qint64 code = 0;
};

OpenResult open(const QUrl& url) {
    OpenResult r;
    AppHarness::get().documents.openDocumentWithContentsOfURL(
        url, false, [&r](ts::DocumentPtr d, bool, const ts::DocumentError* e) {
            EXPECT_FALSE(r.called) << "completion called twice";
            r.called = true;
            r.document = d;
            if (e) {
                r.cancelled = e->isCancelled();
                r.code = e->code;
            }
        });
    return r;
}

}  // namespace

TEST(OpenRouting, AbbreviationSourcesGoToTheAbbreviationsWindow) {
    registerTextType();
    RecordingZerivuvWindow* window = zerivuvWindow();
    ASSERT_NE(window, nullptr);
    const QString dir = AppHarness::home() + "/routing";
    QDir().mkpath(dir + "/images.xls");
    writeAll(dir + "/cappelli.XLSX", "x");
    writeAll(dir + "/bundle.Zip", "x");
    const struct {
        const char* name;
        bool toAbbreviations;
    } cases[] = {
        {"images.xls", true},     // a folder, whatever its extension
        {"cappelli.XLSX", true},  // any case of xlsx
        {"bundle.Zip", true},
        {"old.xls", false},       // the document machinery
        {"words.gz", false},
    };
    writeAll(dir + "/old.xls", "arma");
    writeAll(dir + "/words.gz", "x");
    for (const auto& c : cases) {
        window->imported.clear();
        const QUrl url = QUrl::fromLocalFile(dir + "/" + c.name);
        const OpenResult r = open(url);
        EXPECT_TRUE(r.called) << c.name;
        EXPECT_EQ(r.cancelled, c.toAbbreviations) << c.name;
        EXPECT_TRUE(window->imported.isEmpty()) << "the import must wait for a later turn: " << c.name;
        drainEvents();
        EXPECT_EQ(window->imported, c.toAbbreviations ? QList<QUrl>{url} : QList<QUrl>{}) << c.name;
        if (c.toAbbreviations) { EXPECT_EQ(r.code, ts::kUserCancelledError); }
    }
    const OpenResult xls = open(QUrl::fromLocalFile(dir + "/old.xls"));
    ASSERT_TRUE(xls.document);
    EXPECT_EQ(std::static_pointer_cast<TextDocument>(xls.document)->text, "arma");
    EXPECT_EQ(AppHarness::get().documents.recentDocumentURLs().value(0), dir + "/old.xls");
    // The File menu lists it under Open Recent.
    QMenu* recent = nullptr;
    for (QAction* top : AppHarness::get().controller->mainMenu()->actions())
        if (top->menu())
            for (QAction* a : top->menu()->actions())
                if (a->objectName() == "openRecent") recent = a->menu();
    ASSERT_NE(recent, nullptr);
    Q_EMIT recent->aboutToShow();
    ASSERT_FALSE(recent->actions().isEmpty());
    EXPECT_EQ(recent->actions().first()->text(), "old.xls");
}

TEST(OpenRouting, NonFileURLsAndOtherDelegatesGoToTheDocumentMachinery) {
    RecordingZerivuvWindow* window = zerivuvWindow();
    window->imported.clear();
    const OpenResult web = open(QUrl("https://example.org/cappelli.zip"));
    EXPECT_TRUE(web.called);
    EXPECT_FALSE(web.cancelled);
    const QString zip = AppHarness::home() + "/routing2/a.zip";
    writeAll(zip, "x");
    QObject stranger;
    TSDocumentController::setApplicationDelegate(&stranger);
    const OpenResult other = open(QUrl::fromLocalFile(zip));
    TSDocumentController::setApplicationDelegate(AppHarness::get().controller.get());
    EXPECT_FALSE(other.cancelled);
    // Without a completion block nothing is called back, and the import still runs.
    AppHarness::get().documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(zip), false, nullptr);
    drainEvents();
    EXPECT_EQ(window->imported, QList<QUrl>{QUrl::fromLocalFile(zip)});
}

TEST(Documents, SaveAutosaveAndTheCloseQuestion) {
    registerTextType();
    AppHarness& h = AppHarness::get();
    ts::DocumentError error;
    auto doc = std::static_pointer_cast<TextDocument>(h.documents.makeUntitledDocumentOfType("TestText", &error));
    ASSERT_TRUE(doc);
    h.documents.addDocument(doc);
    doc->text = "Gallia";
    doc->updateChangeCount(ts::Document::ChangeDone);
    EXPECT_TRUE(doc->autosave());  // no file yet: left for the user's save

    // Cancel keeps it open; Don't Save closes without writing.
    h.prompter->queueAlertAnswer(1);
    EXPECT_FALSE(doc->canClose());
    h.prompter->queueAlertAnswer(2);
    EXPECT_TRUE(doc->canClose());

    // Save asks for a file, writes it and clears the edited state.
    const QString path = AppHarness::home() + "/docs/gallia.txt";
    QDir().mkpath(AppHarness::home() + "/docs");
    h.prompter->queueAlertAnswer(0);
    h.prompter->queueSavePanelAnswer(path);
    EXPECT_TRUE(doc->canClose());
    EXPECT_EQ(readAll(path), "Gallia");
    EXPECT_FALSE(doc->isDocumentEdited());

    doc->text = "Gallia est omnis";
    doc->updateChangeCount(ts::Document::ChangeDone);
    EXPECT_TRUE(doc->autosave());
    EXPECT_EQ(readAll(path), "Gallia est omnis");

    // A save into a missing folder fails, reports, and leaves the document edited.
    doc->updateChangeCount(ts::Document::ChangeDone);
    EXPECT_FALSE(doc->saveToURL(AppHarness::home() + "/missing/x.txt", "TestText", &error));
    EXPECT_NE(error.code, 0);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(readAll(path), "Gallia est omnis");
    doc->close();
    EXPECT_EQ(h.documents.documentForURL(path), nullptr);
}

TEST(Documents, UnknownTypeIsAnErrorThatIsShownButCancellationIsNot) {
    AppHarness& h = AppHarness::get();
    ts::DocumentError error;
    EXPECT_FALSE(h.documents.makeUntitledDocumentOfType("NoSuchType", &error));
    EXPECT_FALSE(error.isCancelled());
    const size_t before = h.prompter->alerts().size();
    EXPECT_TRUE(ts::DocumentController::presentError(error));
    ts::DocumentError cancelled;
    cancelled.code = ts::kUserCancelledError;
    EXPECT_FALSE(ts::DocumentController::presentError(cancelled));
    EXPECT_EQ(h.prompter->alerts().size(), before + 1);
}

TEST(Documents, ClosingTheWindowAsksTheDocument) {
    registerTextType();
    AppHarness& h = AppHarness::get();
    ts::DocumentError error;
    auto doc = std::static_pointer_cast<TextDocument>(h.documents.makeUntitledDocumentOfType("TestText", &error));
    ASSERT_TRUE(doc);
    h.documents.addDocument(doc);
    auto* window = new MainWindow(h.controller.get());
    window->setDocument(doc);
    window->show();
    doc->updateChangeCount(ts::Document::ChangeDone);
    window->synchronizeWindowTitleWithDocumentName();
    EXPECT_TRUE(window->isWindowModified());
    QPointer<MainWindow> alive(window);
    h.prompter->queueAlertAnswer(1);  // Cancel
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(h.documents.documents().back(), doc);
    h.prompter->queueAlertAnswer(2);  // Don't Save
    EXPECT_TRUE(window->close());
    drainEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    for (const ts::DocumentPtr& d : h.documents.documents()) EXPECT_NE(d, doc);
}

#include "DocumentControllerTest.moc"
