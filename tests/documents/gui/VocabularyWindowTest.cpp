// The vocabulary window's form, guesses, search, deletion and export, and
// the revision window's cycle and automatic marking, over lists the test
// makes.

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "documents/gui/RevisionWindowController.h"
#include "documents/gui/VocabularyWindowController.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "support/GuiTestSupport.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

void drain() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::shared_ptr<WordController> listOf(std::initializer_list<std::pair<const char*, const char*>> words) {
    auto list = std::make_shared<WordController>();
    for (const auto& [latin, meaning] : words) {
        WordPtr w = list->makeNewWord(QString::fromUtf8(latin));
        w->setMeaning(QString::fromUtf8(meaning));
    }
    list->sort();
    return list;
}

void selectRow(VocabularyWindowController* v, int row) {
    v->wordList->selectionModel()->select(v->wordList->model()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace

TEST(VocabularyWindow, GuessesFromTheLatin) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    v->setVocabList(listOf({}));
    struct Case { const char* latin; int declension; int gender; };
    for (const Case& c : {Case{"res rei", 5, 2}, Case{"DIES diei", 5, 1}, Case{"rosa rosae", 1, 0}}) {
        v->clearEntrySelections();
        v->latinMeaning->setPlainText(QString::fromUtf8(c.latin));
        v->setupConjugationCombo(1);
        EXPECT_EQ(v->conjugation->currentIndex(), c.declension) << c.latin;
        EXPECT_EQ(v->gender->currentIndex(), c.gender) << c.latin;
    }
    v->latinMeaning->setPlainText(QStringLiteral("amo amare amavi amatum"));
    v->setupConjugationCombo(2);
    EXPECT_EQ(v->conjugation->currentIndex(), 1);
    EXPECT_EQ(v->conjugation->itemText(5), QStringLiteral("mixed"));
}

TEST(VocabularyWindow, FormAddsSavesSearchesAndDeletes) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = listOf({{"amo", "love"}, {"rosa", "rose"}, {"amicus", "friend"}});
    v->setVocabList(list);
    v->clearEntrySelections();
    EXPECT_EQ(v->addButton->text(), QStringLiteral("Add"));
    v->latinMeaning->setPlainText(QStringLiteral("lupus lupi"));
    v->englishMeaning->setText(QStringLiteral("wolf"));
    v->notes->setText(QStringLiteral("beware"));
    v->wordType->setCurrentIndex(1);
    v->addWord();
    ASSERT_EQ(list->count(), 4);
    EXPECT_TRUE(list->isDirty());

    // A word without notes after one with notes shows no notes.
    qint64 from = 0;
    const qint64 lupus = list->getIndexOfObject(list->findString(QStringLiteral("wolf"), from));
    selectRow(v, int(lupus));
    EXPECT_EQ(v->notes->text(), QStringLiteral("beware"));
    EXPECT_EQ(v->addButton->text(), QStringLiteral("Save"));
    EXPECT_EQ(v->currentWord()->getWordType(), 1);
    selectRow(v, 0);
    EXPECT_TRUE(v->notes->text().isEmpty());

    // The same search twice moves on to the next match; no match clears.
    v->searchIndex = 0;
    v->toFind->setText(QStringLiteral("am"));
    v->findWord();
    const QString first = v->currentWord()->latin();
    v->findWord();
    EXPECT_NE(v->currentWord()->latin(), first);
    v->toFind->setText(QStringLiteral("zzz"));
    v->findWord();
    EXPECT_FALSE(v->currentWord());

    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    int changed = 0;
    ts::ObserverToken t = ts::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("Vocab Changed"), nullptr, [&](const ts::Notification&) { ++changed; });
    v->show();
    QApplication::setActiveWindow(v);
    v->wordList->setFocus();
    drain();
    selectRow(v, 0);
    prompter->queueAlertAnswer(0);
    QTest::keyClick(v->wordList, Qt::Key_Delete);
    drain();
    EXPECT_EQ(list->count(), 4);
    selectRow(v, 0);
    prompter->queueAlertAnswer(1);
    QTest::keyClick(v->wordList, Qt::Key_Delete);
    drain();
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(changed, 1);

    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        selectRow(v, 1);
        drain();
        QDir().mkpath(gallery);
        EXPECT_TRUE(v->grab().toImage().save(gallery + QStringLiteral("/vocabulary.png")));
    }
}

// Meanings stored one per line, as the dictionary window joins them, ran
// together in the list and the form: "manhusbandhero".
TEST(VocabularyWindow, MeaningsStoredOnePerLineShowSeparatedInOneLine) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    struct Case { const char* stored; const char* shown; };
    for (const Case& c : {Case{"man\rhusband\rhero", "man; husband; hero"}, Case{"man\nhusband", "man; husband"},
                          Case{"man\r\nhusband\r\n", "man; husband"}, Case{"man\u2029 husband \u2028hero", "man; husband; hero"},
                          Case{"\rman\r\r\rhusband", "man; husband"}, Case{"man, husband", "man, husband"}}) {
        SCOPED_TRACE(c.shown);
        const QString stored = QString::fromUtf8(c.stored);
        auto list = listOf({{"vir viri", ""}, {"amo", "love"}});
        // Saving puts a retyped copy in the word's place.
        auto vir = [&] { return list->objectAtIndex(1); };
        ASSERT_EQ(vir()->latin(), QStringLiteral("vir viri"));
        vir()->setMeaning(stored);
        v->setVocabList(list);
        const QModelIndex cell = v->wordList->model()->index(1, 1);
        EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), QString::fromUtf8(c.shown));
        EXPECT_EQ(cell.data(Qt::EditRole).toString(), QString::fromUtf8(c.shown));
        selectRow(v, 1);
        EXPECT_EQ(v->englishMeaning->text(), QString::fromUtf8(c.shown));
        // Kept as stored when saved or edited in place unchanged.
        v->addWord();
        EXPECT_EQ(vir()->meaning(), stored);
        EXPECT_TRUE(v->wordList->model()->setData(cell, cell.data(Qt::EditRole), Qt::EditRole));
        EXPECT_EQ(vir()->meaning(), stored);
    }
    // A meaning retyped in the form is kept as typed.
    auto list = listOf({{"vir viri", ""}});
    list->objectAtIndex(0)->setMeaning(QStringLiteral("man\rhusband"));
    v->setVocabList(list);
    selectRow(v, 0);
    v->englishMeaning->setText(QStringLiteral("man; warrior"));
    v->addWord();
    EXPECT_EQ(list->objectAtIndex(0)->meaning(), QStringLiteral("man; warrior"));
}

// Deleting a word asked the paste's "Delete this text?" once the two
// questions had shared one text.
TEST(VocabularyWindow, DeletingAWordAsksAboutTheWordNotAText) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = listOf({{"amo", "love"}});
    v->setVocabList(list);
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    selectRow(v, 0);
    prompter->queueAlertAnswer(0);
    v->selectedWordShouldBeDeleted();
    auto row = std::make_shared<TSMatchedChunk>();
    row->setLatin(ts::AttributedString::make(QStringLiteral("arma")));
    prompter->queueAlertAnswer(0);
    EXPECT_FALSE(TSText::checkIfOKToPaste(row));
    ASSERT_EQ(prompter->alerts().size(), 2u);
    EXPECT_EQ(prompter->alerts()[0].messageText, QStringLiteral("Delete this word?"));
    EXPECT_TRUE(prompter->alerts()[0].informativeText.contains(QStringLiteral("amo")));
    EXPECT_EQ(prompter->alerts()[1].messageText, QStringLiteral("Delete this text?"));
    EXPECT_EQ(list->count(), 1);
}

TEST(VocabularyWindow, ExportWritesUtf16WithCarriageReturns) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = listOf({{"amo", "love"}, {"rosa", ""}, {"lupus", "wolf"}});
    v->setVocabList(list);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vocab.txt"));
    ASSERT_TRUE(v->exportToFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    const QStringList lines = text.split(QLatin1Char('\r'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("amo\tlove")) << "no blank between the meaning and the line's end";
    EXPECT_FALSE(text.contains(QLatin1Char('\n')));
    EXPECT_FALSE(v->exportToFile(dir.filePath(QStringLiteral("missing/folder/vocab.txt"))));
    // Meanings stored one per line stay on their word's line.
    f.close();
    list->objectAtIndex(1)->setMeaning(QStringLiteral("wolf\rshe-wolf\r\n"));
    ASSERT_TRUE(v->exportToFile(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray again = f.readAll().mid(2);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(again.constData()), again.size() / 2),
              QStringLiteral("amo\tlove\rlupus\twolf; she-wolf\r"));
}

TEST(VocabularyWindow, AnotherListsRetypingLeavesTheShownList) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto shown = listOf({{"amo", "love"}});
    v->setVocabList(shown);
    auto other = listOf({{"rosa", "rose"}, {"lupus", "wolf"}});
    other->changeWordType(1, other->objectAtIndex(0));
    drain();
    EXPECT_EQ(v->vocabList(), shown);
    // Its own list retyping a word shows the new word.
    shown->changeWordType(2, shown->objectAtIndex(0));
    drain();
    EXPECT_EQ(v->wordList->model()->rowCount(), 1);
}

TEST(RevisionWindow, CyclesFiltersAndMarksAutomatically) {
    PreferencesPtr prefs = Preferences::preferences();
    prefs->setAutomarkWords(true);
    auto list = listOf({{"amo", "love"}, {"lupus", "wolf"}, {"rosa", "rose"}});
    RevisionWindowController* r = RevisionWindowController::getRevisionWindow();
    r->setVocabList(list);
    r->show();
    drain();
    EXPECT_EQ(r->curIndex(), 1);  // the word at 0 comes last in the cycle
    if (const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR"); !gallery.isEmpty()) {
        QDir().mkpath(gallery);
        r->showAnswer();
        drain();
        EXPECT_TRUE(r->grab().save(gallery + QStringLiteral("/revision.png")));
        list->objectAtIndex(1)->setMarked(false);
    }
    EXPECT_EQ(r->countNumWords(), 3);
    r->showAnswer();
    EXPECT_TRUE(r->getCurrentWord()->marked());
    r->gotoNextWord();
    EXPECT_TRUE(list->objectAtIndex(1)->marked());  // answer seen: stays marked
    list->objectAtIndex(2)->setMarked(true);
    r->gotoNextWord();  // moved on without looking: unmarked
    EXPECT_FALSE(list->objectAtIndex(2)->marked());
    EXPECT_EQ(r->curIndex(), 0);
    r->gotoPrevWord();
    EXPECT_EQ(r->curIndex(), 2);  // before the first comes the last

    prefs->setReviseMarkedOnly(true);
    r->changePopupSettings();
    EXPECT_EQ(r->countNumWords(), 1);
    EXPECT_EQ(r->curIndex(), 1);
    list->objectAtIndex(1)->setMarked(false);
    r->changePopupSettings();
    EXPECT_EQ(r->countNumWords(), 0);
    r->gotoNextWord();
    EXPECT_EQ(r->curIndex(), 1);  // nothing passes: nothing moves
    prefs->setReviseMarkedOnly(false);
    prefs->setAutomarkWords(false);
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    TSBundle::installLocalizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
