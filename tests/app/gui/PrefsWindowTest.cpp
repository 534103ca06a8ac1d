#include "AppTestSupport.h"

#include "app/core/Preferences.h"
#include "app/gui/PrefsWindowController.h"
#include "morphology/TSGrammarCollection.h"
#include "platform/KeyedArchiver.h"
#include "platform/NotificationCenter.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

quint64 sharedGrammarCount() { return Preferences::preferences()->grammar()->count(); }

PrefsWindowController* showPrefs() {
    AppHarness::get();
    PrefsWindowController::showPrefsWindow();
    return PrefsWindowController::getPrefsWindow();
}

}  // namespace

TEST(PrefsWindow, EditsAFreshDeepCopySoCancelDiscardsGrammarEdits) {
    PrefsWindowController* w = showPrefs();
    ASSERT_GT(sharedGrammarCount(), 0u) << "the bundle's grammar file";
    EXPECT_NE(w->preferences(), Preferences::preferences());
    const auto mine = w->preferences()->grammar()->usages();
    const auto shared = Preferences::preferences()->grammar()->usages();
    ASSERT_EQ(mine.size(), shared.size());
    EXPECT_NE(mine.front(), shared.front()) << "grammar nodes must not be shared";

    const quint64 before = sharedGrammarCount();
    w->grammarView()->clearSelection();
    w->addGrammarSubusage();
    EXPECT_EQ(w->preferences()->grammar()->count(), before + 1);
    EXPECT_EQ(sharedGrammarCount(), before);
    mine.front()->setName("renamed in the window");
    w->cancelPrefs();
    EXPECT_FALSE(w->isVisible());
    EXPECT_NE(shared.front()->name(), "renamed in the window");

    PrefsWindowController::showPrefsWindow();
    EXPECT_EQ(w->preferences()->grammar()->count(), before);
    EXPECT_EQ(w->grammarView()->topLevelItemCount(), int(before));
    w->cancelPrefs();
}

TEST(PrefsWindow, SaveInstallsTheEditsAndStartsAFreshCopy) {
    PrefsWindowController* w = showPrefs();
    QCheckBox* box = w->optionBox("showFrequency");
    ASSERT_NE(box, nullptr);
    const bool before = Preferences::preferences()->dictionaryPrefs()->valueForKey("showFrequency").toBool();
    box->setChecked(!before);
    int closes = 0;
    ts::ObserverToken token = ts::NotificationCenter::defaultCenter().addObserver(
        PrefsWindowController::kCloseDictionaryWindowNotification, nullptr, [&](const ts::Notification&) { ++closes; });
    w->savePrefs();
    EXPECT_EQ(Preferences::preferences()->dictionaryPrefs()->valueForKey("showFrequency").toBool(), !before);
    EXPECT_EQ(closes, 0);
    EXPECT_NE(w->preferences(), Preferences::preferences()) << "later edits must not reach the settings in force";

    PrefsWindowController::showPrefsWindow();
    w->floatWindow()->setChecked(!Preferences::preferences()->floatDictionaryWindow());
    w->savePrefs();
    EXPECT_EQ(closes, 1);
    PrefsWindowController::showPrefsWindow();
    w->floatWindow()->setChecked(!w->floatWindow()->isChecked());
    w->savePrefs();
    box->setChecked(before);
}

TEST(PrefsWindow, TrimOutputEnablesTheOmitBoxes) {
    PrefsWindowController* w = showPrefs();
    w->optionBox("trimOutput")->setChecked(false);
    for (const char* key : {"omitArchaicForms", "omitMediaevalForms", "omitUncommonForms"})
        EXPECT_FALSE(w->optionBox(key)->isEnabled()) << key;
    w->optionBox("trimOutput")->setChecked(true);
    EXPECT_TRUE(w->optionBox("omitArchaicForms")->isEnabled());
    w->cancelPrefs();
}

TEST(PrefsWindow, TopLevelUsagesCannotBeDeleted) {
    PrefsWindowController* w = showPrefs();
    QTreeWidget* tree = w->grammarView();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    tree->setCurrentItem(tree->topLevelItem(0));
    EXPECT_FALSE(w->deleteButton()->isEnabled());
    if (tree->topLevelItem(0)->childCount() > 0) {
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        EXPECT_TRUE(w->deleteButton()->isEnabled());
    }
    w->cancelPrefs();
}

TEST(PrefsWindow, DeletingASubusageAsksFirst) {
    PrefsWindowController* w = showPrefs();
    AppHarness& h = AppHarness::get();
    QTreeWidget* tree = w->grammarView();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
    const int children = tree->topLevelItem(0)->childCount();
    const QString name = tree->topLevelItem(0)->child(0)->text(0);

    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    h.prompter->queueAlertAnswer(0);  // Cancel
    w->deleteGrammarUsage();
    drainEvents();
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), children);
    EXPECT_EQ(h.prompter->alerts().back().messageText, "Delete this usage?");
    EXPECT_TRUE(h.prompter->alerts().back().informativeText.contains(name));

    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    h.prompter->queueAlertAnswer(1);  // Delete
    w->deleteGrammarUsage();
    drainEvents();
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), children - 1);
    EXPECT_EQ(w->preferences()->grammar()->usages().front()->children().size(), size_t(children - 1));
    EXPECT_EQ(Preferences::preferences()->grammar()->usages().front()->children().size(), size_t(children));
    EXPECT_TRUE(w->preferences()->grammar()->dirty());
    w->cancelPrefs();
}

TEST(PrefsWindow, ImportTakesOnlyAGrammarCollection) {
    PrefsWindowController* w = showPrefs();
    auto grammar = std::make_shared<TSGrammarCollection>();
    auto usage = std::make_shared<TSGrammarUsage>();
    usage->setName("Ablative absolute");
    grammar->addObject(usage);
    const QByteArray good = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(grammar));
    const QByteArray usageRoot = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(usage));
    const QByteArray otherRoot = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::make_shared<TSDictionaryPrefs>()));
    ASSERT_FALSE(good.isEmpty());

    const quint64 before = w->preferences()->grammar()->count();
    EXPECT_FALSE(w->importData(good, "Grammatik"));  // only the name "Grammar" is handled
    EXPECT_FALSE(w->importData(usageRoot, "Grammar"));
    EXPECT_FALSE(w->importData(otherRoot, "Grammar"));
    EXPECT_FALSE(w->importData("garbage", "Grammar"));
    EXPECT_EQ(w->preferences()->grammar()->count(), before);
    ASSERT_TRUE(w->importData(good, "Grammar"));
    EXPECT_EQ(w->preferences()->grammar()->count(), 1u);
    EXPECT_EQ(w->grammarView()->topLevelItem(0)->text(0), "Ablative absolute");
    EXPECT_NE(sharedGrammarCount(), 1u);
    w->cancelPrefs();
}

TEST(PrefsWindow, ExportOnTheGrammarTabOnly) {
    PrefsWindowController* w = showPrefs();
    AppHarness& h = AppHarness::get();
    const QString path = AppHarness::home() + "/export/Grammar.dat";
    QDir().mkpath(AppHarness::home() + "/export");
    w->screenTabView()->setCurrentIndex(0);
    h.prompter->queueSavePanelAnswer(path);
    w->doExport();
    EXPECT_FALSE(QFileInfo::exists(path));
    w->screenTabView()->setCurrentIndex(1);
    EXPECT_EQ(w->settingsNameForTab(), "Grammar");
    h.prompter->queueSavePanelAnswer(path);
    w->doExport();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(h.prompter->savePanels().back().nameFieldStringValue, "Grammar.dat");
    EXPECT_TRUE(w->importData(readAll(path), "Grammar"));
    EXPECT_EQ(w->preferences()->grammar()->count(), sharedGrammarCount());
    w->cancelPrefs();
}

// Notes typed in the grammar outline vanished on Save; the Notes column was
// cut off.
TEST(PrefsWindow, GrammarColumnsFitAndKeepWhatIsTyped) {
    PrefsWindowController* w = showPrefs();
    w->screenTabView()->setCurrentIndex(1);
    drainEvents();
    QTreeWidget* tree = w->grammarView();
    ASSERT_GT(tree->topLevelItemCount(), 0);
    ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);

    // The three columns lie within the outline; the notes of the shipped
    // grammar show whole.
    const QHeaderView* header = tree->header();
    EXPECT_LE(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2), tree->viewport()->width());
    int widestNote = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        for (int k = 0; k < tree->topLevelItem(i)->childCount(); ++k)
            widestNote = std::max(widestNote, tree->fontMetrics().horizontalAdvance(tree->topLevelItem(i)->child(k)->text(2)));
    EXPECT_GT(widestNote, 0);
    EXPECT_GE(header->sectionSize(2), widestNote + 8);
    EXPECT_GE(header->sectionSize(1), tree->fontMetrics().horizontalAdvance(QStringLiteral("Reference")) + 8);

    // Typed notes and references reach the settings in force and the file.
    QTreeWidgetItem* item = tree->topLevelItem(0)->child(0);
    const QString name = item->text(0);
    item->setText(2, QStringLiteral("Compare the predicate nominative."));
    item->setText(1, QStringLiteral("https://dcc.dickinson.edu/grammar/latin/nominative"));
    QTreeWidgetItem* second = tree->topLevelItem(0)->child(1);
    second->setText(1, QStringLiteral("A&G §283"));
    w->savePrefs();
    const auto saved = Preferences::preferences()->grammar()->usages().front()->children();
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved[0]->name(), name);
    EXPECT_EQ(saved[0]->valueForKey(QStringLiteral("notes")).toString(), QStringLiteral("Compare the predicate nominative."));
    const QByteArray file = readAll(Preferences::grammarFile());
    EXPECT_TRUE(file.contains("Compare the predicate nominative.")) << "saved to the grammar file";

    PrefsWindowController::showPrefsWindow();
    drainEvents();
    item = w->grammarView()->topLevelItem(0)->child(0);
    EXPECT_EQ(item->text(2), QStringLiteral("Compare the predicate nominative."));
    EXPECT_EQ(item->text(1), QStringLiteral("https://dcc.dickinson.edu/grammar/latin/nominative"));
    EXPECT_EQ(w->grammarView()->topLevelItem(0)->child(1)->text(1), QStringLiteral("A&G §283"));
    w->cancelPrefs();
}
