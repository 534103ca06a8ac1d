// The word-pattern finder's window: the token field's editing and typed
// signs, a search over the shipped word lists with its grouped headers, an
// invalid pattern, a superseded search and a word count that becomes the
// chosen list.

#include "app/core/Preferences.h"
#include "app/core/DictionaryServicesSetup.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "support/GuiTestSupport.h"
#include "tools/TSWordLists.h"
#include "tools/gui/TSAnagramWindowController.h"
#include "tools/gui/TSTokenField.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString rowText(const QList<TSSearchRow>& rows) {
    QStringList out;
    for (const TSSearchRow& r : rows) out.append(r.header ? QLatin1Char('[') + r.text + QLatin1Char(']') : r.text);
    return out.join(QLatin1Char(' '));
}

struct FilePrompter : ts::Prompter {
    QStringList files;
    QStringList openPanel(const ts::OpenPanelRequest&) override { return files; }
};

}  // namespace

TEST(PatternWindow, TokenFieldEditingAndTypedSigns) {
    TSAnagramWindowController w;
    TSTokenField* f = w.knownLettersField;
    f->setObjectValue({QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")});
    f->setSelectedRange(1, 2);
    w.handleButton(TSPatternLanguage::Button::Vowel, true);
    EXPECT_EQ(f->objectValue(), (QStringList{QStringLiteral("X"), QStringLiteral("Vowels")}));
    EXPECT_EQ(f->selectionLocation(), 2);
    EXPECT_EQ(f->selectionLength(), 2);

    f->setObjectValue({});
    w.show();
    f->editor()->setFocus();
    QTest::keyClicks(f->editor(), QStringLiteral("ros3ae,"));
    EXPECT_EQ(f->objectValue(), (QStringList{QStringLiteral("ros"), QString(QChar(0x1D23)), QStringLiteral("ae")}));
    QTest::keyClick(f->editor(), Qt::Key_Backspace);
    EXPECT_EQ(f->stringValue(), QStringLiteral("ros,") + QChar(0x1D23));

    w.subsetField->setText(QStringLiteral("a b"));
    f->setObjectValue({});
    w.handleSubsetClick(true);
    EXPECT_EQ(f->stringValue(), QStringLiteral("(a|b+)"));

    f->setObjectValue({QStringLiteral("Vowel")});
    f->setSelectedRange(0, 1);
    std::unique_ptr<QMenu> menu(f->menuForRepresentedObject(QStringLiteral("Vowel"), nullptr));
    EXPECT_EQ(menu->title(), QStringLiteral("Context"));
    EXPECT_EQ(menu->actions().size(), 30);
    f->tokenMenuSelected(QStringLiteral("Base"));
    EXPECT_EQ(f->objectValue(), QStringList{QStringLiteral("Base")});
    EXPECT_FALSE(TSTokenField::imageForToken(QString(QChar(0xA751)), QSize(16, 16)).isNull());
    EXPECT_TRUE(TSTokenField::resizedImage(QImage(), QSize(16, 16)).isNull());
}

TEST(PatternWindow, SearchGroupsErrorsSupersedingAndWordCount) {
    TSWordLists::resetCaches();
    QTemporaryDir texts;
    const QString chosen = QDir(Preferences::proximityPatternFolder()).filePath(QStringLiteral("mine.txt"));
    {
        QFile f(chosen);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("rosae\t4\nrosis\t1\nrota\t1\n");
    }
    TSAnagramWindowController w;
    w.buildSpecifiedFileMenu();
    const int mine = w.specifiedFileButton->findText(QStringLiteral("mine"));
    ASSERT_GE(mine, 0);
    w.specifiedFileButton->setCurrentIndex(mine);
    w.changeSpecifiedFile(mine);
    EXPECT_EQ(w.chosenWords().size(), 4);

    // ros + a vowel pair, 5 letters: the chosen list first, then the rest
    // without repeating rosae.
    w.knownLettersField->setStringValue(QStringLiteral("ros,Vowel,Vowel"));
    w.minLengthPopup->setCurrentIndex(4);
    w.maxLengthPopup->setCurrentIndex(4);
    w.handleSearchButtonClick();
    EXPECT_EQ(w.regexOutputField->text(), QStringLiteral("ros[aeiouy][aeiouy]"));
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    const QString rows = rowText(w.searchResults());
    EXPECT_TRUE(rows.startsWith(QStringLiteral("[mine] rosae [Latin Library]"))) << qPrintable(rows);
    EXPECT_TRUE(rows.contains(QStringLiteral("[Words listall]")) && rows.contains(QStringLiteral("[Zerivuv]")));
    EXPECT_EQ(rows.count(QStringLiteral(" rosae ")), 1) << qPrintable(rows);

    // The picture: per/par/por and a few letters.
    w.knownLettersField->setStringValue(QString(QChar(0xA751)) + QStringLiteral(",Chars,Vowel,s"));
    w.minLengthPopup->setCurrentIndex(4);
    w.maxLengthPopup->setCurrentIndex(8);
    w.handleSearchButtonClick();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    EXPECT_GT(w.searchResults().size(), 8);
    w.resize(760, 720);
    w.show();
    QApplication::processEvents();
    const QString dir = galleryDir();
    EXPECT_TRUE(w.grab().toImage().save(dir + QStringLiteral("/pattern-finder.png")));

    // Quick match and an answer list: each search says its own count.
    ASSERT_TRUE(w.statusLabel->text().endsWith(QLatin1String("word(s) found")));
    EXPECT_NE(w.statusLabel->text(), QStringLiteral("1 word(s) found"));
    w.knownLettersField->setStringValue(QStringLiteral("d,n,s"));
    w.handleSearchButtonClick();
    EXPECT_EQ(rowText(w.searchResults()), QStringLiteral("dominus"));
    EXPECT_EQ(w.statusLabel->text(), QStringLiteral("1 word(s) found"));
    w.knownLettersField->setStringValue(QStringLiteral("ros"));
    w.handleSearchButtonClick();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    w.updateSearchResultsFromString(QStringLiteral("rosa| |rosae|rosam"));
    EXPECT_EQ(w.statusLabel->text(), QStringLiteral("3 word(s) found"));

    // An invalid pattern shows its error and searches nothing.
    w.knownLettersField->setStringValue(QStringLiteral("(ros"));
    w.handleSearchButtonClick();
    EXPECT_TRUE(w.messageLabel->isVisibleTo(&w));
    EXPECT_TRUE(w.messageLabel->text().contains(QStringLiteral("not a valid"))) << qPrintable(w.messageLabel->text());
    EXPECT_FALSE(w.isSearching());

    // A second search supersedes the first: only its rows are shown.
    w.minLengthPopup->setCurrentIndex(0);
    w.maxLengthPopup->setCurrentIndex(29);
    w.knownLettersField->setStringValue(QStringLiteral("Chars"));
    w.handleSearchButtonClick();
    w.knownLettersField->setStringValue(QStringLiteral("rota"));
    w.handleSearchButtonClick();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    for (const TSSearchRow& r : w.searchResults())
        if (!r.header) {
            EXPECT_EQ(r.text, QStringLiteral("rota"));
        }

    // A word count on the worker becomes the chosen list, set on the GUI thread.
    const QString text = QDir(texts.path()).filePath(QStringLiteral("Aeneid.txt"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Arma virumque cano, Troiae qui primus ab oris arma\r\n");
    }
    auto prompter = std::make_shared<FilePrompter>();
    prompter->files = {text};
    ts::Prompter::Scope scope(prompter);
    w.handleAnalyseClick();
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    ASSERT_TRUE(Preferences::preferences()->chosenWordsURL());
    EXPECT_TRUE(Preferences::preferences()->chosenWordsURL()->absoluteString().endsWith(QStringLiteral("/Aeneid.txt")));
    EXPECT_EQ(w.specifiedFileButton->currentText(), QStringLiteral("Aeneid"));
    EXPECT_EQ(w.chosenWords().value(0), QStringLiteral("arma"));
}

TEST(PatternWindow, OptionTitlesPastedSignsAndEmptyCount) {
    TSAnagramWindowController w;
    auto title = [&](TSPatternLanguage::Button b) {
        for (const auto& [button, widget] : w.tokenButtons)
            if (button == b) return widget->text();
        return QString();
    };
    w.flagsChanged(true);
    EXPECT_EQ(title(TSPatternLanguage::Button::Vowel), QStringLiteral("Vowels"));
    EXPECT_EQ(title(TSPatternLanguage::Button::Rum), QStringLiteral(".") + QChar(0xA75C) + QStringLiteral("."));
    EXPECT_EQ(title(TSPatternLanguage::Button::Syllable), QStringLiteral("Syllable"));
    w.flagsChanged(false);
    EXPECT_EQ(title(TSPatternLanguage::Button::Ascender), QStringLiteral("Ascender"));

    // Only a sign typed on its own is rewritten; "23" pasted stays text.
    TSTokenField* f = w.knownLettersField;
    f->editor()->insert(QStringLiteral("23"));
    Q_EMIT f->editor()->textEdited(f->editor()->text());
    EXPECT_EQ(f->objectValue(), QStringList{QStringLiteral("23")});

    // A text without words still becomes the (empty) chosen list.
    QTemporaryDir texts;
    const QString empty = QDir(texts.path()).filePath(QStringLiteral("Blank.txt"));
    {
        QFile file(empty);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("12, 13; ...\n");
    }
    auto prompter = std::make_shared<FilePrompter>();
    prompter->files = {empty};
    ts::Prompter::Scope scope(prompter);
    w.handleAnalyseClick();
    EXPECT_TRUE(w.isBusy());
    ASSERT_TRUE(waitUntil([&] { return !w.isBusy(); }));
    EXPECT_EQ(w.specifiedFileButton->currentText(), QStringLiteral("Blank"));
    EXPECT_TRUE(w.chosenWords().value(0).isEmpty());
}

// Each sign's picture is drawn for the pixels it is shown on, in full ink:
// a solid stroke somewhere, and enough of the box inked to be read, at 1x
// and at 2x. Writes pattern-signs-1x.png and pattern-signs-2x.png.
TEST(PatternWindow, SignPicturesAreSharpAndDarkAtEveryPixelRatio) {
    QStringList tokens = TSPatternLanguage::imageSet().values();
    tokens.sort();
    tokens << QStringLiteral("uuuu");
    for (const qreal ratio : {1.0, 2.0}) {
        for (const QString& token : tokens) {
            SCOPED_TRACE(token.toStdString() + " at " + std::to_string(ratio));
            const QSize size = token == QLatin1String("uuuu") ? QSize(32, 16) : QSize(16, 16);
            const QPixmap pixmap = TSTokenField::imageForToken(token, size, ratio);
            EXPECT_EQ(pixmap.size(), size * ratio);
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            int strongest = 0, inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const int alpha = qAlpha(image.pixel(x, y));
                    strongest = std::max(strongest, alpha);
                    inked += alpha >= 160;
                }
            EXPECT_EQ(strongest, 255);
            EXPECT_GE(inked, image.width() * image.height() / 14) << inked;
        }
    }
    TSAnagramWindowController w;
    w.resize(760, 720);
    w.show();
    QApplication::processEvents();
    QGroupBox* box = nullptr;
    for (QGroupBox* g : w.findChildren<QGroupBox*>())
        if (g->title() == QLatin1String("Abbreviation signs")) box = g;
    ASSERT_TRUE(box);
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap shot(box->size() * ratio);
        shot.setDevicePixelRatio(ratio);
        shot.fill(box->palette().color(QPalette::Window));
        box->render(&shot);
        EXPECT_TRUE(shot.save(galleryDir() + QStringLiteral("/pattern-signs-%1x.png").arg(int(ratio))));
    }
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication app(argc, argv);
    installDictionaryServices();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
