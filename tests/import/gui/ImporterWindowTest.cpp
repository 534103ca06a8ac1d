// The importer window over the real Eclogues: the header roles, the preview
// that follows the settings (once, after edits stop), saved settings, the
// import into an unsaved document matching the converter, and an "_eng"
// translation inserted into that document as one undoable step.

#include "documents/TSDocument.h"
#include "import/TSBodyElementParser.h"
#include "import/gui/ImportPreviewModel.h"
#include "import/gui/PerseusImporter.h"
#include "import/gui/TSImporterTab.h"
#include "platform/Document.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <iostream>

namespace {

QString tei(const char* name) { return qEnvironmentVariable("TS_SHARED_DIR") + "/data/tei/" + name; }

bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Every line of a tree, depth first.
void lines(const TSChunkPtr& node, std::vector<TSMatchedChunk*>& out) {
    for (const TSChunkPtr& c : node->childNodes()) {
        if (auto* l = dynamic_cast<TSMatchedChunk*>(c.get()); l && c->childNodes().empty()) out.push_back(l);
        lines(c, out);
    }
}

ts::DocumentController& controller() {
    static ts::DocumentController* c = [] {
        auto* made = new ts::DocumentController;
        TSDocument::registerDocumentType(*made);
        return made;
    }();
    return *c;
}

}  // namespace

TEST(ImporterHeader, RolesChooseTheValues) {
    ts::ValueDictionary data{{QStringLiteral("author"), QStringLiteral("X| Y")}, {QStringLiteral("title"), QStringLiteral("T")}};
    TSElementArray records;
    auto author = std::make_shared<TSImportElement>();
    author->setName(QStringLiteral("author"));
    records.addObject(author);
    struct Case { qint64 store; const char* expected; };
    for (const Case& c : {Case{3, "Y"}, Case{1, "X, Y"}, Case{2, "X"}, Case{4, nullptr}, Case{0, nullptr}}) {
        author->setStore(c.store);
        const QHash<QString, QString> out = TSHeaderImporterTab::collectHeader(ts::Value(data), records);
        if (c.expected) EXPECT_EQ(out.value(QStringLiteral("author")), QString::fromUtf8(c.expected)) << c.store;
        else EXPECT_FALSE(out.contains(QStringLiteral("author"))) << c.store;
    }
}

TEST(ImporterWindow, PreviewImportAndInsertedTranslation) {
    controller();
    PerseusImporter w;
    w.show();
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    // The preset saved for this source is found and applied.
    EXPECT_EQ(w.elementSettingsPopup->currentText(), QStringLiteral("eclogues-lat"));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    ASSERT_FALSE(w.bodyTab->texts().empty());
    EXPECT_EQ(w.bodyTab->report(), QString());

    // The window's conversion is the converter's.
    TSBodyElementParser direct;
    direct.setCurIdentifier(QStringLiteral("latin"));
    direct.setElementArray(w.bodyTab->elementArray());
    direct.parseFileAtLocation(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    std::vector<TSMatchedChunk*> expected;
    for (const TSTextPtr& book : direct.texts()) lines(book, expected);
    ASSERT_GT(expected.size(), 800u);

    // The header's Keep column says in words what the number keeps.
    {
        QAbstractItemModel* header = w.headerTab->elementsTable->model();
        QStringList kept;
        for (int r = 0; r < header->rowCount(); ++r)
            if (header->index(r, 0).data().toString() == QLatin1String("author"))
                kept << header->index(r, 2).data().toString() << header->index(r, 2).data(Qt::EditRole).toString();
        EXPECT_EQ(kept, (QStringList{QStringLiteral("value 2"), QStringLiteral("3")}));
    }

    // Poems named by their number, so that a translation finds them: the
    // user's choice in the name pop-up.
    auto nameByNumber = [&] {
        TSImportElementPtr poem = w.bodyTab->elementArray()->elementNamed(QStringLiteral("div1"));
        ASSERT_TRUE(poem);
        poem->setNameSource(QStringLiteral("{} n"));
    };
    nameByNumber();

    // Three quick edits give one more preview, with the last settings.
    previews.clear();
    TSImportElementPtr note = w.bodyTab->elementArray()->elementNamed(QStringLiteral("note"));
    if (!note) note = w.bodyTab->elementArray()->elements().back();
    const qint64 store = note->store();
    for (qint64 s : {qint64(0), qint64(4), store}) {
        note->setStore(s);
        w.bodyTab->createPreview();
    }
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    QTest::qWait(700);
    EXPECT_EQ(previews.count(), 1);

    auto doc = w.handleImportButtonClick();
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(doc->fileURL().isEmpty());
    EXPECT_FALSE(doc->displayName().isEmpty());
    EXPECT_NE(doc->displayName(), QStringLiteral("Untitled"));
    std::vector<TSMatchedChunk*> imported;
    lines(doc->text(), imported);
    ASSERT_EQ(imported.size(), expected.size());
    EXPECT_EQ(imported.front()->latin()->string(), expected.front()->latin()->string());
    EXPECT_EQ(imported.back()->latin()->string(), expected.back()->latin()->string());
    // The header's title went into the text's information.
    EXPECT_TRUE(doc->text()->information().count(QStringLiteral("title")));
    // The preview keeps its own rows: a second import is whole too.
    auto again = w.handleImportButtonClick();
    ASSERT_TRUE(again);
    std::vector<TSMatchedChunk*> second;
    lines(again->text(), second);
    EXPECT_EQ(second.size(), imported.size());
    std::vector<TSMatchedChunk*> first;
    lines(doc->text(), first);
    EXPECT_EQ(first.size(), imported.size());

    QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        QDir().mkpath(gallery);
        w.resize(1200, 820);
        QTest::qWait(50);
        w.bodyTab->elementsTable->selectRow(1);
        QTest::qWait(50);
        EXPECT_TRUE(w.grab().save(gallery + "/importer-body.png"));
        w.tabs->setCurrentWidget(w.headerTab);
        QTest::qWait(50);
        EXPECT_TRUE(w.grab().save(gallery + "/importer-header.png"));
        w.tabs->setCurrentWidget(w.bodyTab);
    }

    // A translation file: inserted into the open document.
    QTemporaryDir dir;
    const QString eng = dir.filePath(QStringLiteral("eclogues_eng.xml"));
    ASSERT_TRUE(QFile::copy(tei("eclogues-eng.xml"), eng));
    previews.clear();
    w.setFileURL(QUrl::fromLocalFile(eng));
    EXPECT_EQ(w.bodyTab->curIdentifier(), QStringLiteral("perseusEnglish"));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    previews.clear();
    ASSERT_TRUE(w.insertElementSettings(TSElementArray::elementsFolder() + QStringLiteral("/eclogues-eng.plist")));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    nameByNumber();
    previews.clear();
    w.bodyTab->createPreview();
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    ASSERT_FALSE(w.bodyTab->texts().empty());
    doc->updateChangeCount(ts::Document::ChangeCleared);
    ASSERT_TRUE(w.bodyTab->insertTranslation(w.bodyTab->texts().front(), doc));
    EXPECT_TRUE(doc->isDocumentEdited());
    std::vector<TSMatchedChunk*> after;
    lines(doc->text(), after);
    int withEnglish = 0;
    for (TSMatchedChunk* l : after)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) ++withEnglish;
    // Every poem has its translation, so every Latin line gets English.
    EXPECT_EQ(withEnglish, int(after.size()));
    // One step takes it all back.
    ASSERT_TRUE(doc->canUndo());
    doc->undo();
    std::vector<TSMatchedChunk*> undone;
    lines(doc->text(), undone);
    int stillEnglish = 0;
    for (TSMatchedChunk* l : undone)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) ++stillEnglish;
    EXPECT_EQ(stillEnglish, 0);
    EXPECT_EQ(undone.size(), imported.size());
    doc->redo();
    std::vector<TSMatchedChunk*> redone;
    lines(doc->text(), redone);
    int english = 0;
    for (TSMatchedChunk* l : redone)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) ++english;
    EXPECT_EQ(english, withEnglish);
}

TEST(ImporterWindow, SavedSettingsAreListedAndChosenForTheirSource) {
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("my-eclogues.xml"));
    ASSERT_TRUE(QFile::copy(tei("eclogues-lat.xml"), src));
    PerseusImporter w;
    w.setFileURL(QUrl::fromLocalFile(src));
    EXPECT_EQ(w.elementSettingsPopup->currentIndex(), 0);
    ASSERT_TRUE(w.handleSaveSettingsClick());
    EXPECT_TRUE(QFileInfo::exists(TSElementArray::elementsFolder() + QStringLiteral("/my-eclogues.plist")));
    PerseusImporter again;
    again.setFileURL(QUrl::fromLocalFile(src));
    EXPECT_EQ(again.elementSettingsPopup->currentText(), QStringLiteral("my-eclogues"));
    waitUntil([&] { return !again.bodyTab->previewRunning(); });
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    QApplication::processEvents();
    return rc;
}
