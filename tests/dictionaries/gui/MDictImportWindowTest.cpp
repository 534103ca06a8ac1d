// The MDict import window over the real test files: the file menu, the raw
// preview, the tag table and its actions, live conversion, refusals, saving,
// and the gallery picture of a live conversion of testbasic.mdx.

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/gui/MDictEntryModel.h"
#include "dictionaries/gui/TSDictionaryImporterWindowController.h"
#include "platform/Prompter.h"
#include "tools/gui/NBOutlineView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QTemporaryDir* gHome = nullptr;

QString resources() { return gHome->path() + QStringLiteral("/resources"); }
QString userFolder() { return gHome->path() + QStringLiteral("/User Dictionaries"); }

// The resources folder holds ImportOptions.txt and the given real files.
bool prepareResources(const QStringList& files) {
    QDir(resources()).removeRecursively();
    QDir().mkpath(resources());
    if (!QFile::copy(QStringLiteral(TS_SOURCE_RESOURCES "/ImportOptions.txt"), resources() + QStringLiteral("/ImportOptions.txt")))
        return false;
    const QString shared = qEnvironmentVariable("TS_SHARED_DIR") + QStringLiteral("/data/mdict/");
    for (const QString& f : files)
        if (!QFile::copy(shared + f, resources() + QLatin1Char('/') + f)) return false;
    return true;
}

void installServices() {
    DictionaryServices s;
    s.resourcesFolder = [] { return resources(); };
    s.resourcePath = [](const QString& name, const QString& type) {
        const QString path = resources() + QLatin1Char('/') + name + QLatin1Char('.') + type;
        return QFile::exists(path) ? path : QString();
    };
    s.userDictionariesFolder = [] {
        QDir().mkpath(userFolder());
        return userFolder();
    };
    s.localizedString = [](const QString& key) { return key; };
    DictionaryServices::install(s);
}

bool waitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

int menuIndex(QComboBox* popup, const QString& title) { return popup->findText(title); }

// Chooses the action in the tag's row as a user would.
void choose(TSDictionaryImporterWindowController& w, const QString& tag, const QString& action) {
    TSTagViewCell* cell = w.tagCell(tag);
    ASSERT_NE(cell, nullptr) << tag.toStdString();
    const int i = action.isEmpty() ? 0 : cell->actionPopup->findText(action);
    ASSERT_GE(i, 0) << action.toStdString();
    cell->actionPopup->setCurrentIndex(i);
    Q_EMIT cell->actionPopup->activated(i);
}

bool load(TSDictionaryImporterWindowController& w, const QString& name) {
    const int i = menuIndex(w.availableDictionariesPopup, name);
    if (i < 0) return false;
    w.availableDictionariesPopup->setCurrentIndex(i);
    Q_EMIT w.availableDictionariesPopup->activated(i);
    return waitUntil([&] { return !w.isBusy(); });
}

class ImportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        installServices();
        if (!QFile::exists(qEnvironmentVariable("TS_SHARED_DIR") + QStringLiteral("/data/mdict/testbasic.mdx")))
            GTEST_SKIP() << "shared MDict files not found (TS_SHARED_DIR)";
    }
};

}  // namespace

TEST_F(ImportWindow, FileMenuListsTheMdxResourcesAfterAnEmptyItemAndASeparator) {
    ASSERT_TRUE(prepareResources({}));
    {
        TSDictionaryImporterWindowController w;
        EXPECT_EQ(w.availableDictionariesPopup->count(), 2);
        EXPECT_FALSE(w.saveButton->isEnabled());
    }
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx"), QStringLiteral("test12.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_EQ(w.availableDictionariesPopup->count(), 4);
    EXPECT_EQ(w.availableDictionariesPopup->itemText(2), QStringLiteral("test12"));
    EXPECT_EQ(w.availableDictionariesPopup->itemText(3), QStringLiteral("testbasic"));
}

TEST_F(ImportWindow, LoadsShowsRawTextTagsAndTheFirstConversion) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    EXPECT_TRUE(w.rawTextView->toPlainText().startsWith(QStringLiteral("<i>\nalpha</i>\nLetter <b>\nbeta</b>\n")))
        << w.rawTextView->toPlainText().toStdString();
    for (const char* tag : {"body", "i", "text", "b"}) EXPECT_NE(w.tagCell(QString::fromLatin1(tag)), nullptr) << tag;
    EXPECT_EQ(w.tagCell(QStringLiteral("body"))->actionPopup->currentText(), QStringLiteral("Ignore"));
    EXPECT_EQ(w.tagCell(QStringLiteral("text"))->actionPopup->currentText(), QStringLiteral("Text"));
    EXPECT_EQ(w.tagCell(QStringLiteral("i"))->actionPopup->currentText(), QString());
    // No tag starts an entry yet: every text is reported as missing.
    EXPECT_EQ(w.entryModel()->rowCount(), 0);
    EXPECT_EQ(w.errorView->toPlainText().count(QStringLiteral("Missing element")), 4);
    EXPECT_TRUE(w.saveButton->isEnabled());
}

TEST_F(ImportWindow, AssigningActionsConvertsAgainAndSaves) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    choose(w, QStringLiteral("i"), QStringLiteral("Start Entry"));
    // A second change while the first conversion runs waits for it.
    choose(w, QStringLiteral("b"), QStringLiteral("Translation"));
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    ASSERT_EQ(w.entryModel()->rowCount(), 1);
    const QModelIndex alpha = w.entryModel()->index(0, 0);
    EXPECT_EQ(alpha.data().toString(), QStringLiteral("alpha"));
    ASSERT_EQ(w.entryModel()->rowCount(alpha), 1);
    EXPECT_EQ(w.entryModel()->index(0, 0, alpha).data().toString(), QStringLiteral("beta"));
    EXPECT_EQ(w.entryModel()->parent(w.entryModel()->index(0, 0, alpha)), alpha);
    EXPECT_EQ(w.errorView->toPlainText().count(QStringLiteral("Missing element")), 2);

    // The empty action takes the tag out of every set.
    choose(w, QStringLiteral("b"), QString());
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    EXPECT_EQ(w.importer()->actionOfTag(QStringLiteral("b")), -1);
    ASSERT_EQ(w.entryModel()->rowCount(), 1);
    EXPECT_EQ(w.entryModel()->rowCount(w.entryModel()->index(0, 0)), 0);
    EXPECT_EQ(w.errorView->toPlainText().count(QStringLiteral("Missing element")), 3);

    QDir(userFolder()).removeRecursively();
    TSDictionaries::dictionaries()->resetDictionaries();
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(userFolder() + QStringLiteral("/Basic Test.xml")));
    EXPECT_TRUE(TSDictionaries::dictionaries()->sortedNames().contains(QStringLiteral("Basic Test")));
}

TEST_F(ImportWindow, RefusedFilesShowTheirCauseAndCannotBeSaved) {
    ASSERT_TRUE(prepareResources({QStringLiteral("test12.mdx"), QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    ASSERT_TRUE(load(w, QStringLiteral("test12")));
    EXPECT_TRUE(w.errorView->toPlainText().contains(QStringLiteral("older layout"))) << w.errorView->toPlainText().toStdString();
    EXPECT_FALSE(w.saveButton->isEnabled());
    EXPECT_EQ(w.tagsTable->count(), 0);
    EXPECT_EQ(w.entryModel()->rowCount(), 0);
    // The empty item clears the window.
    w.availableDictionariesPopup->setCurrentIndex(0);
    Q_EMIT w.availableDictionariesPopup->activated(0);
    EXPECT_TRUE(w.errorView->toPlainText().isEmpty());
    EXPECT_FALSE(w.isBusy());
}

TEST_F(ImportWindow, GalleryPictureOfALiveConversion) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx"), QStringLiteral("testutf16.mdx")}));
    TSDictionaryImporterWindowController w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    choose(w, QStringLiteral("i"), QStringLiteral("Start Entry"));
    choose(w, QStringLiteral("b"), QStringLiteral("Translation"));
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    w.dictionaryView->expandAll();
    for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const QImage image = w.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 3);
    QString dir = qEnvironmentVariable("TS_GALLERY_DIR");
    if (dir.isEmpty()) dir = QDir::currentPath() + QStringLiteral("/gallery");
    QDir().mkpath(dir);
    EXPECT_TRUE(image.save(dir + QStringLiteral("/mdict_import.png")));
}

int main(int argc, char** argv) {
    gHome = new QTemporaryDir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    delete gHome;
    return rc;
}
