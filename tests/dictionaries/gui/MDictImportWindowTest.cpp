// The MDict import window over the real test files, built ones and the
// shipped sample: the file menu, the raw preview and its limits, the tag
// table and its actions, live conversion, refusals, saving (and the question
// before replacing), and the gallery picture of a live conversion.

#include "MDictBuilder.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/gui/MDictEntryModel.h"
#include "dictionaries/gui/TSDictionaryImporterWindowController.h"
#include "platform/Prompter.h"
#include "support/GuiTestSupport.h"
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

bool writeResource(const QString& name, const QByteArray& bytes) {
    QFile f(resources() + QLatin1Char('/') + name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void installServices(const QString& built = QString()) {
    DictionaryServices s;
    s.builtResourcesFolder = [built] { return built; };
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

// The window opens on its first dictionary, loaded, rather than on the
// empty item; without any dictionary it stays empty.
TEST_F(ImportWindow, OpensOnItsFirstDictionaryLoaded) {
    for (const QStringList& files : {QStringList{QStringLiteral("testnocomp.mdx"), QStringLiteral("testbasic.mdx")}, QStringList()}) {
        ASSERT_TRUE(prepareResources(files));
        TSDictionaryImporterWindowController w;
        EXPECT_EQ(w.availableDictionariesPopup->currentText(), files.isEmpty() ? QString() : QStringLiteral("testbasic"));
        ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
        EXPECT_EQ(w.importer() ? w.importer()->recordCount() : 0, files.isEmpty() ? 0 : 3);
        EXPECT_EQ(w.saveButton->isEnabled(), !files.isEmpty());
    }
}

TEST_F(ImportWindow, LoadsShowsRawTextTagsAndTheFirstConversion) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    EXPECT_TRUE(w.rawTextView->toPlainText().startsWith(
        QStringLiteral("<mdict-entry key=\"alpha\">\n<i>\nalpha</i>\n</mdict-entry>\n<mdict-entry key=\"beta\">\nLetter <b>\nbeta</b>\n")))
        << w.rawTextView->toPlainText().toStdString();
    EXPECT_EQ(w.recordCountLabel->text(), QStringLiteral("3 records read, 3 entries made"));
    for (const char* tag : {"body", "mdict-entry", "i", "text", "b"}) EXPECT_NE(w.tagCell(QString::fromLatin1(tag)), nullptr) << tag;
    EXPECT_EQ(w.tagCell(QStringLiteral("body"))->actionPopup->currentText(), QStringLiteral("Ignore"));
    EXPECT_EQ(w.tagCell(QStringLiteral("mdict-entry"))->actionPopup->currentText(), QStringLiteral("Start Entry"));
    EXPECT_EQ(w.tagCell(QStringLiteral("text"))->actionPopup->currentText(), QStringLiteral("Text"));
    EXPECT_EQ(w.tagCell(QStringLiteral("i"))->actionPopup->currentText(), QString());
    // The records do not repeat their headwords in a tag: each keyword heads an entry.
    ASSERT_EQ(w.entryModel()->rowCount(), 3);
    EXPECT_EQ(w.entryModel()->index(1, 0).data().toString(), QStringLiteral("beta"));
    EXPECT_EQ(w.entryModel()->index(0, 0, w.entryModel()->index(1, 0)).data().toString(), QStringLiteral("Letter beta"));
    EXPECT_TRUE(w.errorView->toPlainText().isEmpty()) << w.errorView->toPlainText().toStdString();
    EXPECT_TRUE(w.saveButton->isEnabled());
}

// A block whose declared size is wrong keeps its records; the window says
// how many were read and the Messages say what was wrong.
TEST_F(ImportWindow, MisdeclaredBlocksKeepTheirRecordsAndTheCountIsShown) {
    ASSERT_TRUE(prepareResources({}));
    mdicttest::Spec spec;
    spec.keywords = {QStringLiteral("amo"), QStringLiteral("video")};
    spec.blocks = {{"to love"}, {"to see"}};
    spec.declaredDelta = -2;
    ASSERT_TRUE(writeResource(QStringLiteral("misdeclared.mdx"), mdicttest::build(spec)));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("misdeclared")));
    EXPECT_EQ(w.recordCountLabel->text(), QStringLiteral("2 records read, 2 entries made"));
    EXPECT_TRUE(w.errorView->toPlainText().startsWith(QStringLiteral("Record block 0 holds 8 bytes, not the 6 declared")))
        << w.errorView->toPlainText().toStdString();
    ASSERT_EQ(w.entryModel()->rowCount(), 2);
    EXPECT_EQ(w.entryModel()->index(1, 0).data().toString(), QStringLiteral("video"));
}

// The preview shows at most 32000 characters of raw text, 1001 entries and
// the messages up to the one that passes 30000 characters; the saved file
// holds everything.
TEST_F(ImportWindow, PreviewIsBoundedAndTheSavedFileIsWhole) {
    ASSERT_TRUE(prepareResources({}));
    mdicttest::Spec spec;
    QList<QByteArray> records;
    for (int i = 0; i < 2000; ++i)
        records << "<headword>w" + QByteArray::number(i) + "</headword><q>a stray remark number " + QByteArray::number(i) + "</q>";
    spec.blocks = {records};
    ASSERT_TRUE(writeResource(QStringLiteral("large.mdx"), mdicttest::build(spec)));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("large")));
    QString raw = w.importer()->recordsString().left(TSDictionaryImporterWindowController::kRawPreviewChars);
    raw.replace(QLatin1Char('>'), QStringLiteral(">\n"));
    EXPECT_GT(w.importer()->recordsString().size(), 100000);
    EXPECT_EQ(w.rawTextView->toPlainText(), raw);
    EXPECT_EQ(w.entryModel()->rowCount(), 1001);
    EXPECT_EQ(w.importer()->errors().size(), 2000);
    const QString errors = w.errorView->toPlainText();
    EXPECT_GT(errors.size(), TSDictionaryImporterWindowController::kErrorTextChars);
    const QString allButLast = errors.left(errors.lastIndexOf(QStringLiteral("Missing element")));
    EXPECT_LE(allButLast.size(), TSDictionaryImporterWindowController::kErrorTextChars);
    EXPECT_TRUE(errors.trimmed().endsWith(QStringLiteral("w%1").arg(allButLast.count(QStringLiteral("Missing element")))));

    QDir(userFolder()).removeRecursively();
    TSDictionaries::dictionaries()->resetDictionaries();
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    auto dictionary = TSDictionaries::dictionaries()->dictionaryAtIndex(3);
    ASSERT_TRUE(dictionary);
    ASSERT_TRUE(dictionary->waitForLoad(std::chrono::seconds(20)));
    EXPECT_EQ(dictionary->words()->size(), 2000u);
}

// The application ships an MDict file of its own making, from the Lewis and
// Short source; the window lists it and imports it.
TEST_F(ImportWindow, TheShippedSampleIsListedAndImports) {
    ASSERT_TRUE(prepareResources({}));
    installServices(QStringLiteral(TS_BUILT_RESOURCES));
    TSDictionaryImporterWindowController w;
    ASSERT_EQ(w.availableDictionariesPopup->count(), 3);
    ASSERT_TRUE(load(w, QStringLiteral("Lewis and Short sample")));
    ASSERT_TRUE(w.importer()->readError().isEmpty()) << w.importer()->readError().toStdString();
    EXPECT_TRUE(w.importer()->readWarnings().isEmpty()) << w.importer()->readWarnings().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w.importer()->name(), QStringLiteral("Lewis and Short (sample)"));
    EXPECT_TRUE(w.importer()->description().contains(QStringLiteral("Perseus Digital Library")));
    const qsizetype records = w.importer()->recordCount();
    EXPECT_GE(records, 300);
    EXPECT_EQ(w.recordCountLabel->text(), QStringLiteral("%1 records read, %1 entries made").arg(records));
    ASSERT_EQ(qsizetype(w.importer()->words()->size()), records);
    EXPECT_TRUE(w.errorView->toPlainText().isEmpty()) << w.errorView->toPlainText().left(500).toStdString();
    // Headwords from the keys, meanings from the records, redirects from the links.
    int redirects = 0, withMeaning = 0;
    for (const auto& e : *w.importer()->words()) {
        EXPECT_FALSE(e->entry().isEmpty());
        if (e->type() == DictionaryEntry::Redirect) ++redirects;
        else if (e->childCount() == 1 && e->childList().front()->entry().size() > 2) ++withMeaning;
    }
    EXPECT_GT(redirects, 0);
    EXPECT_EQ(withMeaning + redirects, records);

    QDir(userFolder()).removeRecursively();
    TSDictionaries::dictionaries()->resetDictionaries();
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    EXPECT_TRUE(TSDictionaries::dictionaries()->sortedNames().contains(QStringLiteral("Lewis and Short (sample)")));
}

// A second import under the title of an existing user dictionary asks
// before replacing it.
TEST_F(ImportWindow, SavingOverAUserDictionaryAsksFirst) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    QDir(userFolder()).removeRecursively();
    const QString first = userFolder() + QStringLiteral("/Basic Test.xml");
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    ASSERT_TRUE(QFile::exists(first));
    EXPECT_TRUE(prompter->alerts().empty());
    {
        QFile f(first);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    auto contents = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    prompter->queueAlertAnswer(2);  // Cancel
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    ASSERT_EQ(prompter->alerts().size(), 1u);
    EXPECT_EQ(prompter->alerts().back().messageText, QStringLiteral("There is already a user dictionary named Basic Test."));
    EXPECT_EQ(prompter->alerts().back().buttons.value(1), QStringLiteral("Save as New"));
    EXPECT_EQ(contents(first), QByteArray("kept"));
    prompter->queueAlertAnswer(1);  // Save as New
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    EXPECT_EQ(contents(first), QByteArray("kept"));
    EXPECT_TRUE(QFile::exists(userFolder() + QStringLiteral("/Basic Test 2.xml")));
    prompter->queueAlertAnswer(0);  // Replace
    QTest::mouseClick(w.saveButton, Qt::LeftButton);
    EXPECT_EQ(prompter->alerts().size(), 3u);
    EXPECT_TRUE(contents(first).startsWith("bplist00"));
    EXPECT_FALSE(QFile::exists(userFolder() + QStringLiteral("/Basic Test 3.xml")));
}

TEST_F(ImportWindow, AssigningActionsConvertsAgainAndSaves) {
    ASSERT_TRUE(prepareResources({QStringLiteral("testbasic.mdx")}));
    TSDictionaryImporterWindowController w;
    ASSERT_TRUE(load(w, QStringLiteral("testbasic")));
    // Without the keywords' entries the records' own tags decide.
    choose(w, QStringLiteral("mdict-entry"), QStringLiteral("Ignore"));
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
    installServices(QStringLiteral(TS_BUILT_RESOURCES));
    TSDictionaryImporterWindowController w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(load(w, QStringLiteral("Lewis and Short sample")));
    for (int row = 0; row < 6; ++row) w.dictionaryView->expand(w.entryModel()->index(row, 0));
    settle();
    const QImage image = w.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 3);
    const QString dir = galleryDir();
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
