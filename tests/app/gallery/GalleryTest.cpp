// Shows each window in a known state on the offscreen platform and writes
// its picture; a window that cannot be shown or whose picture is blank fails.
#include "app/gui/AppController.h"
#include "app/gui/MainWindow.h"
#include "app/gui/PrefsWindowController.h"
#include "app/gui/QMRawTransmissionsWindowController.h"
#include "app/gui/TSAboutBoxController.h"
#include "app/gui/TSDocumentController.h"
#include "documents/gui/TSDocumentWindow.h"
#include "documents/gui/TSOutlineModel.h"
#include "tools/gui/DictionaryWindowController.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"
#include "dictsource/LewisShortSource.h"
#include "dictsource/gui/DeveloperPromptDialog.h"
#include "dictsource/gui/XMLCheckWindowController.h"
#include "dictionaries/Zerivuv/gui/ZerivuvWindowController.h"
#include "dictionaries/zerivuv/XlsxFixtures.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "support/GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QFont>

#include <gtest/gtest.h>

namespace {

// Blank: a null picture, or fewer than three colours in it.
bool isBlank(const QImage& image) {
    if (image.isNull() || image.width() < 10 || image.height() < 10) return true;
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y));
            if (colours.size() > 2) return false;
        }
    return true;
}

void save(const QString& name, const QImage& image) {
    EXPECT_FALSE(isBlank(image)) << name.toStdString() << " is blank";
    EXPECT_TRUE(image.save(galleryDir() + "/" + name + ".png")) << name.toStdString();
}

void shoot(QWidget* window, const QString& name) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << name.toStdString() << " cannot be shown";
    settle();
    save(name, window->grab().toImage());
}

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        controller_ = new AppController;
        // The menu as users see it: without the developers' menu.
        controller_->removeDeveloperMenu();
    }
    static AppController* controller_;
};
AppController* Gallery::controller_ = nullptr;

}  // namespace

// A window's picture with one of its menus open below its title in the
// menu bar, as the user sees it.
QImage withMenuOpen(QMainWindow* window, const char* title) {
    QMenuBar* bar = window->menuBar();
    QAction* top = nullptr;
    for (QAction* a : bar->actions())
        if (a->menu() && a->objectName() == title) top = a;
    EXPECT_NE(top, nullptr) << title;
    if (!top) return {};
    if (AppController::shared()) AppController::shared()->validateMenus(window);
    QMenu* menu = top->menu();
    const QPoint at = bar->mapTo(window, bar->actionGeometry(top).bottomLeft());
    Q_EMIT menu->aboutToShow();
    menu->popup(window->mapToGlobal(at));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
    settle();
    const QImage picture = window->grab().toImage();
    const QImage menuPicture = menu->grab().toImage();
    QImage canvas(std::max(picture.width(), at.x() + menuPicture.width()),
                  std::max(picture.height(), at.y() + menuPicture.height()), QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, picture);
    painter.drawImage(at, menuPicture);
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(QRect(at, menuPicture.size()).adjusted(0, 0, -1, -1));
    painter.end();
    menu->hide();
    return canvas;
}

TEST_F(Gallery, MainWindowWithItsMenuOpen) {
    auto* window = new MainWindow(controller_);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    settle();
    ASSERT_FALSE(window->menuBar()->actions().isEmpty());
    save("main-window-menu", withMenuOpen(window, "Tools"));
    window->close();
}

// A parallel-text document with its File and Edit menus open: the document
// commands enabled, the two-pane document's New greyed until it exists.
TEST_F(Gallery, DocumentWindowWithItsFileAndEditMenusOpen) {
    ts::DocumentController& documents = *ts::DocumentController::sharedDocumentController();
    TSDocumentWindow::install(documents);
    auto doc = std::make_shared<TSDocument>();
    auto text = std::make_shared<TSText>();
    auto section = std::make_shared<TSMatchedChunk>();
    section->setLatin(ts::AttributedString::make(QStringLiteral("Ecloga I")));
    text->addChild(section);
    const char* const lines[][2] = {
        {"Tityre, tu patulae recubans sub tegmine fagi", "Tityrus, you, lying under the cover of a spreading beech,"},
        {"silvestrem tenui Musam meditaris avena;", "practise the woodland Muse on a slender reed;"},
        {"nos patriae finis et dulcia linquimus arva.", "we leave the borders of our country and its sweet fields."},
    };
    for (int i = 0; i < 3; ++i) {
        auto line = std::make_shared<TSMatchedChunk>();
        line->setLatin(ts::AttributedString::make(QString::fromUtf8(lines[i][0])));
        line->setEnglish(ts::AttributedString::make(QString::fromUtf8(lines[i][1])));
        line->setLocation(ts::AttributedString::make(QString::number(i + 1)));
        section->addChild(line);
    }
    doc->setText(text);
    documents.addDocument(doc);
    auto* window = new TSDocumentWindow(doc);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(900, 420);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->outlineView()->expandAll();
    window->activateWindow();
    window->outlineView()->setFocus();
    window->outlineView()->setCurrentIndex(window->model()->index(1, TSOutlineModel::LatinColumn, window->model()->index(0, 0)));
    doc->updateChangeCount(ts::Document::ChangeDone);
    settle();
    save("document-file-menu", withMenuOpen(window, "File"));
    save("document-edit-menu", withMenuOpen(window, "Edit"));
    doc->updateChangeCount(ts::Document::ChangeCleared);
    window->close();
    settle();
}

TEST_F(Gallery, PreferencesOnEachTab) {
    PrefsWindowController::showPrefsWindow();
    PrefsWindowController* prefs = PrefsWindowController::getPrefsWindow();
    QTabWidget* tabs = prefs->screenTabView();
    ASSERT_EQ(tabs->count(), 2);
    const QStringList names{"preferences-dictionary", "preferences-grammar"};
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        if (i == 1 && prefs->grammarView()->topLevelItemCount() > 0)
            prefs->grammarView()->setCurrentItem(prefs->grammarView()->topLevelItem(0)->child(0));
        shoot(prefs, names[i]);
    }
    prefs->cancelPrefs();
}

TEST_F(Gallery, AboutBox) {
    controller_->showAboutBox();
    QWidget* about = controller_->toolWindow("aboutBox");
    ASSERT_NE(about, nullptr);
    shoot(about, "about-box");
    about->hide();
}

TEST_F(Gallery, TransmissionsWindow) {
    QMRawTransmissionsWindowController* w = QMRawTransmissionsWindowController::rawTransmissionsWindowController();
    ts::NotificationCenter::defaultCenter().post("DataSent", nullptr, {{"object", ts::Value("amicus")}});
    ts::NotificationCenter::defaultCenter().post("DataReceived", nullptr,
                                                 {{"object", ts::Value("amic.us              N      2 1 NOM S M")}});
    settle();
    shoot(w, "transmissions-window");
    w->close();
}

TEST_F(Gallery, XMLCheckWindowOnARealEntry) {
    // The letter B of the staged source, walked to its third match of the
    // bundle's first Find/Replace pair.
    QTemporaryDir dir;
    QString error;
    const QByteArray letter = LewisShortSource::readSourceFile(
        qEnvironmentVariable("TS_SOURCE_DIR") + "/resources/lexica/uls-B.xml.xz", &error);
    ASSERT_FALSE(letter.isEmpty()) << error.toStdString();
    const QString path = dir.filePath("LewisShort.xml");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(letter);
    file.close();
    AppController::setToolWindowFactory("xmlCheckWindow", [path] { return new XMLCheckWindowController(path); });
    controller_->showXMLCheckWindow();
    auto* window = static_cast<XMLCheckWindowController*>(controller_->toolWindow("xmlCheckWindow"));
    ASSERT_NE(window, nullptr);
    window->setSearchAndReplace("<itype>([^<,]*?)\\s*,\\s*([^<]*?)</itype>", "<itype>$1, $2</itype><pos>adj.</pos>");
    for (int i = 0; i < 3; ++i) window->skipToNext();
    for (int i = 0; i < 200 && window->countRunning(); ++i) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_GT(window->matchCountField()->text().toInt(), 100);
    shoot(window, "xml-checker");
    window->close();
}

TEST_F(Gallery, DeveloperPromptDialog) {
    DeveloperQuestion question;
    question.message = "amo";
    question.informativeText = QString::fromUtf8("1: \u0101vi\n2:  \u0101tum");
    question.buttons = QStringList{"Skip", "iType, foreign", "iType, remove", "add 4", "add 3", "add 2", "add 1",
                                   "remove 2nd iType", "1st to orth", "Edit"};
    question.editableText = QString::fromUtf8(
        "key=\"amo\" type=\"main\"><orth extent=\"full\" lang=\"la\">amo</orth>, <itype>\u0101vi, "
        "\u0101tum</itype>, <itype>\u0101re</itype> <sense id=\"s2\" n=\"I\" level=\"1\">to love</sense>");
    DeveloperAnswer answer;
    std::unique_ptr<QDialog> dialog(DialogDeveloperPrompt::makeDialog(question, &answer));
    dialog->resize(dialog->sizeHint().expandedTo(QSize(900, 220)));
    shoot(dialog.get(), "developer-prompt");
}

// A picture of a handwritten-looking abbreviation: the letters with a bar.
QImage abbreviationPicture(const QString& letters) {
    QImage image(96, 56, QImage::Format_RGB32);
    image.fill(QColor(0xf3, 0xea, 0xd2));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x3a, 0x2a, 0x1a), 3));
    QFont font(QStringLiteral("serif"));
    font.setPixelSize(32);
    font.setItalic(true);
    p.setFont(font);
    p.drawText(QRect(0, 10, 96, 46), Qt::AlignCenter, letters);
    p.drawLine(22, 14, 74, 10);
    return image;
}

TEST_F(Gallery, AbbreviationsWindowWithASearchAndItsPicture) {
    QTemporaryDir support;
    ASSERT_TRUE(writeSheetWorkbook(support.filePath("cappelli.xlsx"), cappelliRowsJson()));
    QDir(support.path()).mkpath("img_abbr");
    const QStringList letters{"a", "ae", "p", "q", "s", "t"};
    for (int i = 0; i < letters.size(); ++i)
        ASSERT_TRUE(abbreviationPicture(letters[i]).save(support.filePath(QStringLiteral("img_abbr/%1.jpg").arg(i + 1)), "JPG"));
    const QString folder = support.path();
    ZerivuvWindowController window([folder] { return folder; });
    QSignalSpy applied(&window, &ZerivuvWindowController::tableApplied);
    ASSERT_TRUE(applied.wait(60000));
    ASSERT_TRUE(window.zerivuv()->databaseLoaded());
    window.searchField()->setText("a");
    window.resultsTable()->selectRow(1);
    shoot(&window, "abbreviations");
    window.close();
}

// Nothing installed yet: the window says what it takes.
TEST_F(Gallery, AbbreviationsWindowInvitesAnInstall) {
    QTemporaryDir support;
    const QString folder = support.path();
    ZerivuvWindowController window([folder] { return folder; });
    QSignalSpy applied(&window, &ZerivuvWindowController::tableApplied);
    ASSERT_TRUE(applied.wait(60000));
    ASSERT_FALSE(window.zerivuv()->databaseLoaded());
    shoot(&window, "abbreviations-empty");
    window.close();
}

// The dictionary window carries the application's menus like every window:
// its File menu open, Close with Ctrl+W enabled, Save greyed.
TEST_F(Gallery, DictionaryWindowWithItsMenuBar) {
    DictionaryWindowController* window = DictionaryWindowController::showDictionaryWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    settle();
    ASSERT_FALSE(window->menuBar()->actions().isEmpty());
    save("dictionary-window-menu", withMenuOpen(window, "File"));
    DictionaryWindowController::disposeDictionaryWindow();
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    qputenv("XDG_STATE_HOME", (home.path() + "/state").toUtf8());
    QApplication app(argc, argv);
    TSDocumentController documents;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
