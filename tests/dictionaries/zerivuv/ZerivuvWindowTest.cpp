#include "dictionaries/Zerivuv/gui/ZerivuvInstaller.h"
#include "dictionaries/Zerivuv/gui/ZerivuvTableModel.h"
#include "dictionaries/Zerivuv/gui/ZerivuvWindowController.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "zerivuv/XlsxFixtures.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray pictureBytes(QColor colour) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class AbbreviationsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qApp) {
            static int argc = 1;
            static char name[] = "zerivuv_window_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
        prompter = std::make_shared<ts::ScriptedPrompter>();
        scope = std::make_unique<ts::Prompter::Scope>(prompter);
        support = root.filePath("support/Cappelli");
        QDir().mkpath(support);
        window = std::make_unique<ZerivuvWindowController>([this] { return support; });
        QSignalSpy applied(window.get(), &ZerivuvWindowController::tableApplied);
        ASSERT_TRUE(applied.wait(60000));
    }
    // A source folder holding the fixture spreadsheet and its pictures.
    QString makeSource(const QString& name, const QString& rows) {
        const QString folder = root.filePath(name);
        QDir().mkpath(folder + "/img_abbr");
        EXPECT_TRUE(writeSheetWorkbook(folder + "/cappelli.xlsx", rows));
        EXPECT_TRUE(writeFile(folder + "/img_abbr/1.jpg", pictureBytes(Qt::red)));
        return folder;
    }
    bool import(const QString& path) {
        QSignalSpy finished(window.get(), &ZerivuvWindowController::importFinished);
        window->importZerivuvFromURL(QUrl::fromLocalFile(path));
        if (finished.isEmpty() && !finished.wait(60000)) return false;
        return finished.first().first().toBool();
    }
    QStringList alertMessages() const {
        QStringList out;
        for (const auto& a : prompter->alerts()) out << a.messageText + " | " + a.informativeText;
        return out;
    }
    QStringList leftovers() const {
        return QDir(root.filePath("support")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir root;
    QString support;
    std::shared_ptr<ts::ScriptedPrompter> prompter;
    std::unique_ptr<ts::Prompter::Scope> scope;
    std::unique_ptr<ZerivuvWindowController> window;
};

TEST_F(AbbreviationsWindow, InstallsASpreadsheetWithItsPictureFolder) {
    EXPECT_FALSE(window->zerivuv()->databaseLoaded());
    const QString source = makeSource("drop", cappelliRowsJson());
    // Any case of the extension; installed under the exact name.
    ASSERT_TRUE(QFile::rename(source + "/cappelli.xlsx", source + "/Cappelli.XLSX"));
    ASSERT_TRUE(import(source + "/Cappelli.XLSX")) << alertMessages().join("\n").toStdString();
    EXPECT_TRUE(window->zerivuv()->databaseLoaded());
    EXPECT_EQ(window->model()->rowCount(), 6);
    EXPECT_TRUE(QFileInfo(support + "/cappelli.xlsx").isFile());
    EXPECT_EQ(readAll(support + "/img_abbr/1.jpg"), pictureBytes(Qt::red));
    EXPECT_EQ(leftovers(), QStringList{"Cappelli"});
    ASSERT_EQ(prompter->alerts().size(), 1u);
    EXPECT_EQ(prompter->alerts()[0].messageText, "Cappelli database installed.");
    EXPECT_FALSE(window->importing());
}

TEST_F(AbbreviationsWindow, ReinstallAsksAndCancelKeepsEverything) {
    const QString source = makeSource("drop", cappelliRowsJson());
    ASSERT_TRUE(import(source));
    const QByteArray before = readAll(support + "/cappelli.xlsx");
    prompter->queueAlertAnswer(1);  // Cancel
    EXPECT_FALSE(import(source + "/cappelli.xlsx"));
    ASSERT_EQ(prompter->alerts().size(), 2u);
    const ts::AlertRequest ask = prompter->alerts()[1];
    EXPECT_EQ(ask.messageText, "This Cappelli database is already installed.");
    EXPECT_EQ(ask.buttons, (QStringList{"Reinstall", "Cancel"}));
    EXPECT_EQ(ask.style, ts::AlertRequest::Style::Informational);
    EXPECT_EQ(readAll(support + "/cappelli.xlsx"), before);
    EXPECT_EQ(window->model()->rowCount(), 6);
}

TEST_F(AbbreviationsWindow, ZipWithANestedFolderReplacesAfterConfirmation) {
    ASSERT_TRUE(import(makeSource("first", cappelliRowsJson())));
    const QString other = makeSource("second", R"([["id","transcription"],[9,"novem"]])");
    const QString zip = root.filePath("cappelli.zip");
    QVariantMap parts;
    parts["Cappelli/cappelli.xlsx"] = "hex:" + QString::fromLatin1(readAll(other + "/cappelli.xlsx").toHex());
    parts["Cappelli/img_abbr/9.jpg"] = "hex:" + QString::fromLatin1(pictureBytes(Qt::blue).toHex());
    parts["Cappelli/.DS_Store"] = "junk";
    parts["__MACOSX/Cappelli/._cappelli.xlsx"] = "junk";
    ASSERT_TRUE(writeZip(zip, parts));
    prompter->queueAlertAnswer(0);  // Replace
    ASSERT_TRUE(import(zip)) << alertMessages().join("\n").toStdString();
    EXPECT_EQ(prompter->alerts()[1].messageText, "A Cappelli database is already installed.");
    EXPECT_EQ(prompter->alerts()[1].buttons, (QStringList{"Replace", "Cancel"}));
    EXPECT_EQ(window->model()->rowCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(support + "/.DS_Store"));
    EXPECT_FALSE(QFileInfo::exists(support + "/img_abbr/1.jpg"));
    EXPECT_EQ(readAll(support + "/img_abbr/9.jpg"), pictureBytes(Qt::blue));
    EXPECT_EQ(leftovers(), QStringList{"Cappelli"});
}

// A damaged file, or a real spreadsheet that is no abbreviations table, is
// refused before the replace question, saying what it lacks; the installed
// database stays in use.
TEST_F(AbbreviationsWindow, ASpreadsheetThatIsNoTableLeavesTheInstalledOneIntact) {
    ASSERT_TRUE(import(makeSource("good", cappelliRowsJson())));
    const QByteArray before = readAll(support + "/cappelli.xlsx");
    const QString sharedDir = qEnvironmentVariable("TS_SHARED_DIR", QStringLiteral(TS_DEFAULT_SHARED));
    const struct {
        QByteArray spreadsheet;
        const char* cause;
    } cases[] = {
        {"not a workbook", "not a readable spreadsheet package"},
        {readAll(sharedDir + "/data/xlsx/set_column08.xlsx"),
         "has no \"id\" column, so no row can become an abbreviation. Missing columns: \"id\", \"characters\", "
         "\"transcription\", \"category\", \"period\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        ASSERT_FALSE(c.spreadsheet.isEmpty());
        const QString bad = root.filePath("bad");
        ASSERT_TRUE(writeFile(bad + "/cappelli.xlsx", c.spreadsheet));
        QDir().mkpath(bad + "/img_abbr");
        const size_t asked = prompter->alerts().size();
        prompter->queueAlertAnswer(0);  // would replace, if it were asked; else answers the refusal
        EXPECT_FALSE(import(bad));
        ASSERT_EQ(prompter->alerts().size(), asked + 1);
        const ts::AlertRequest& refusal = prompter->alerts().back();
        EXPECT_EQ(refusal.messageText, "The Cappelli database could not be installed.");
        EXPECT_TRUE(refusal.informativeText.startsWith("The dropped cappelli.xlsx is not a Cappelli abbreviations "
                                                       "table, so it was not installed.\n\n"));
        EXPECT_TRUE(refusal.informativeText.contains(c.cause)) << refusal.informativeText.toStdString();
        EXPECT_EQ(readAll(support + "/cappelli.xlsx"), before);
        EXPECT_EQ(readAll(support + "/img_abbr/1.jpg"), pictureBytes(Qt::red));
        EXPECT_EQ(window->model()->rowCount(), 6);
        EXPECT_EQ(leftovers(), QStringList{"Cappelli"});
    }
}

// Items of the new installation replace those of the same name; what else
// the user keeps in the folder stays, and a failed move puts back every
// item it had replaced.
TEST_F(AbbreviationsWindow, InstallingKeepsTheUsersOwnFilesAndUndoesAFailedMove) {
    ASSERT_TRUE(import(makeSource("first", cappelliRowsJson())));
    ASSERT_TRUE(writeFile(support + "/my notes.txt", "mine"));
    const QByteArray first = readAll(support + "/cappelli.xlsx");
    const QString second = makeSource("second", R"([["id","transcription"],[9,"novem"]])");
    ASSERT_TRUE(writeFile(second + "/img_abbr/9.jpg", pictureBytes(Qt::blue)));

    ZerivuvInstaller::setMoveCheckForTesting([](const QString& item) { return item != "img_abbr"; });
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(import(second));
    ZerivuvInstaller::setMoveCheckForTesting({});
    EXPECT_TRUE(alertMessages().last().contains("Could not move the new img_abbr into place.")) << alertMessages().last().toStdString();
    EXPECT_EQ(readAll(support + "/cappelli.xlsx"), first);
    EXPECT_EQ(readAll(support + "/img_abbr/1.jpg"), pictureBytes(Qt::red));
    EXPECT_FALSE(QFileInfo::exists(support + "/img_abbr/9.jpg"));
    EXPECT_EQ(readAll(support + "/my notes.txt"), "mine");
    EXPECT_EQ(leftovers(), QStringList{"Cappelli"});
    EXPECT_EQ(window->model()->rowCount(), 6);

    prompter->queueAlertAnswer(0);
    ASSERT_TRUE(import(second)) << alertMessages().join("\n").toStdString();
    EXPECT_EQ(window->model()->rowCount(), 1);
    EXPECT_EQ(readAll(support + "/my notes.txt"), "mine");
    EXPECT_EQ(readAll(support + "/img_abbr/9.jpg"), pictureBytes(Qt::blue));
    EXPECT_EQ(QDir(support).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"cappelli.xlsx", "img_abbr", "my notes.txt"}));
    EXPECT_EQ(leftovers(), QStringList{"Cappelli"});
}

TEST_F(AbbreviationsWindow, RefusedSourcesSayWhy) {
    struct Case {
        QString path;
        QString message;
    };
    const QString lone = root.filePath("lone/cappelli.xlsx");
    ASSERT_TRUE(writeSheetWorkbook((QDir().mkpath(root.filePath("lone")), lone), cappelliRowsJson()));
    const QString deep = root.filePath("deep");
    makeSource("deep/inner", cappelliRowsJson());
    const QString text = root.filePath("notes.txt");
    ASSERT_TRUE(writeFile(text, "x"));
    const QString badZip = root.filePath("empty.zip");
    ASSERT_TRUE(writeZip(badZip, {{"readme.txt", "nothing here"}}));
    const Case cases[] = {
        {lone, "The spreadsheet has no picture folder img_abbr beside it. Please drop the Cappelli zip archive or "
               "unzipped folder onto the window, or cappelli.xlsx together with its img_abbr folder."},
        {deep, "The dropped item does not contain a cappelli.xlsx spreadsheet, so it cannot be installed."},
        {text, "The dropped item is not a Cappelli spreadsheet or folder."},
        {badZip, "The dropped zip archive could not be expanded, or it did not contain a cappelli.xlsx spreadsheet."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const size_t before = prompter->alerts().size();
        EXPECT_FALSE(import(c.path));
        ASSERT_EQ(prompter->alerts().size(), before + 1);
        EXPECT_EQ(prompter->alerts().back().informativeText, c.message);
        EXPECT_EQ(prompter->alerts().back().style, ts::AlertRequest::Style::Warning);
    }
    // The folder with its database one level down is still a welcome drop.
    const QList<QUrl> offered{QUrl::fromLocalFile(text), QUrl::fromLocalFile(deep), QUrl::fromLocalFile(badZip),
                              QUrl::fromLocalFile(root.filePath("lone"))};
    EXPECT_EQ(ZerivuvWindowController::draggedFiles(offered),
              (QList<QUrl>{QUrl::fromLocalFile(deep), QUrl::fromLocalFile(badZip)}));
    EXPECT_EQ(QDir(support).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    // The window's invitation names what a lone spreadsheet needs.
    ASSERT_TRUE(window->warningLabel());
    EXPECT_TRUE(window->warningLabel()->text().contains("cappelli.xlsx with its picture folder img_abbr beside it"));
}

TEST_F(AbbreviationsWindow, SearchFiltersAndScrollsUnderTheSortOrder) {
    ASSERT_TRUE(import(makeSource("drop", cappelliRowsJson())));
    ZerivuvTableModel* model = window->model();
    window->searchField()->setText("AE");
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(0, 1), Qt::DisplayRole).toString(), "aeternum");
    EXPECT_EQ(model->data(model->index(1, 1), Qt::DisplayRole).toString(), "prae");
    window->searchField()->setText("zzz");
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(model->firstIndexOfDisplay("zzz"), -1);
    window->searchField()->clear();
    ASSERT_EQ(model->rowCount(), 6);
    struct Case {
        Qt::SortOrder order;
        QString text;
        int row;
    };
    // Ascending: aeternum autem prae quam sunt tamen.
    const Case cases[] = {{Qt::AscendingOrder, "AB", 0},  {Qt::AscendingOrder, "q", 3},
                          {Qt::AscendingOrder, "zz", 5},  {Qt::AscendingOrder, "prae", 2},
                          {Qt::DescendingOrder, "s", 2}, {Qt::DescendingOrder, "sunt", 2},
                          {Qt::DescendingOrder, "a", 5}};
    for (const Case& c : cases) {
        model->sort(1, c.order);
        EXPECT_EQ(model->firstIndexOfDisplay(c.text), c.row) << c.text.toStdString() << int(c.order);
    }
    model->sort(3, Qt::AscendingOrder);  // pictures cannot be compared with text
    EXPECT_GE(model->firstIndexOfDisplay("q"), 0);
    // The picture shows once asked for; rows without one show nothing.
    model->sort(1, Qt::AscendingOrder);
    int withPicture = 0;
    for (int r = 0; r < model->rowCount(); ++r)
        if (!model->data(model->index(r, 3), Qt::DecorationRole).isNull()) ++withPicture;
    EXPECT_EQ(withPicture, 1);
}

TEST_F(AbbreviationsWindow, ADropNotificationStartsAnInstall) {
    const QString source = makeSource("drop", cappelliRowsJson());
    QSignalSpy finished(window.get(), &ZerivuvWindowController::importFinished);
    ts::NotificationCenter::defaultCenter().post(ZerivuvWindowController::droppedNotificationName(), nullptr, {});
    ASSERT_EQ(prompter->alerts().size(), 1u);
    EXPECT_EQ(prompter->alerts()[0].informativeText, "No file was received from the drop.");
    EXPECT_FALSE(window->importing());
    ts::ValueArray urls{ts::Value(QUrl::fromLocalFile(source).toString())};
    ts::NotificationCenter::defaultCenter().post(ZerivuvWindowController::droppedNotificationName(), nullptr,
                                                 {{"ZerivuvDropped", ts::Value(urls)}});
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_EQ(window->model()->rowCount(), 6);
}

}  // namespace
