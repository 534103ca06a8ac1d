// The dictionary window: what a look-up sends, what it shows, which answer
// wins, the filters and pop-ups, entries posted by a converter, the swipe
// sums; and a real look-up of "arma" in the analyser, kept as a picture.

#include "app/core/DictionaryServicesSetup.h"
#include "app/core/Preferences.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/TSDictionary.h"
#include "dictsource/DictionarySourceBuilders.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "tools/gui/DictionaryEntryDelegate.h"
#include "tools/gui/DictionaryEntryModel.h"
#include "tools/gui/DictionaryWindowController.h"
#include "tools/gui/ParadigmWindows.h"
#include "morphology/Adjective.h"
#include "morphology/Verb.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QMenu>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QSet>
#include <QTableView>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QAbstractTextDocumentLayout>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

// A dictionary that records what it is asked and answers when the test says.
class HeldDictionary : public TSDictionary {
public:
    struct Query {
        QString word;
        int type = 0, entryType = 0;
        bool englishToLatin = false;
        TSDictionaryBlock block;
    };
    void translateToEnglish(const QString& q, int type, int entryType, TSDictionaryBlock block) override {
        hold({q, type, entryType, false, std::move(block)});
    }
    void translateToLatin(const QString& q, int type, int entryType, TSDictionaryBlock block) override {
        hold({q, type, entryType, true, std::move(block)});
    }
    QString attribution() const override { return QStringLiteral("Held dictionary"); }
    std::vector<Query> queries() {
        std::lock_guard<std::mutex> l(m);
        return queries_;
    }
    size_t count() {
        std::lock_guard<std::mutex> l(m);
        return queries_.size();
    }
    void answer(size_t i, const DictionaryEntryList& entries, const QString& raw = {}) {
        TSDictionaryBlock b;
        QString word;
        {
            std::lock_guard<std::mutex> l(m);
            b = queries_[i].block;
            word = queries_[i].word;
        }
        TSDictionaryResult r = makeResult(entries, word);
        if (!raw.isNull()) r[kRawOutput] = raw;
        b(r);
    }

private:
    void hold(Query q) {
        std::lock_guard<std::mutex> l(m);
        queries_.push_back(std::move(q));
    }
    std::mutex m;
    std::vector<Query> queries_;
};

DictionaryEntryPtr entry(const QString& text, int type) { return DictionaryEntry::make(text, type); }

QStringList topRows(DictionaryWindowController& w, NBOutlineView* view) {
    QStringList rows;
    DictionaryEntryModel* m = w.modelForView(view);
    for (int r = 0; r < m->rowCount(); ++r) rows << m->entryAt(m->index(r, 0))->entry();
    return rows;
}

void choose(QComboBox* popup, const QString& title) {
    const int i = popup->findText(title);
    ASSERT_GE(i, 0) << title.toStdString();
    popup->setCurrentIndex(i);
}

struct WindowTest : ::testing::Test {
    std::shared_ptr<HeldDictionary> held = std::make_shared<HeldDictionary>();
    void SetUp() override {
        auto d = held;
        DictionaryWindowController::setDictionaryProvider([d](qint64 type, bool) -> TSDictionaryPtr {
            return type == 99 ? nullptr : d;
        });
    }
    void TearDown() override {
        DictionaryWindowController::disposeDictionaryWindow();
        DictionaryWindowController::setDictionaryProvider(nullptr);
        QApplication::processEvents();
    }
};

}  // namespace

TEST(DictionaryWindowText, FirstWordAndPrettifiedAnswer) {
    struct Case { QString in; bool words; QString out; };
    for (const Case& c : std::vector<Case>{{QStringLiteral(" amo,\n"), false, QStringLiteral("amo")},
                                           {QStringLiteral("to love"), true, QStringLiteral("to")},
                                           {QStringLiteral("to love"), false, QStringLiteral("to love")},
                                           {QStringLiteral(" ,\t"), true, QString()},
                                           {QStringLiteral("^am(o|as) x"), true, QStringLiteral("^am(o|as) x")}})
        EXPECT_EQ(DictionaryWindowController::firstWord(c.in, c.words), c.out) << c.in.toStdString();
    EXPECT_EQ(DictionaryWindowController::prettifyTranslationString(QStringLiteral("\namo; amare;amavi")),
              QStringLiteral("amo; amare\n---------------amavi"));
    EXPECT_EQ(DictionaryWindowController::prettifyTranslationString(QStringLiteral("a!@#$%b")), QStringLiteral("a; b"));
    EXPECT_EQ(DictionaryWindowController::prettifyTranslationString(QString()), QString());
}

TEST(DictionaryWindowSwipe, TouchMovesSumToOneDirection) {
    using S = SwipeWindowController::Swipe;
    auto swipe = [](std::vector<QPointF> m, bool natural = false) { return SwipeWindowController::swipeForMoves(m, natural); };
    EXPECT_EQ(swipe({{-0.1, 0.01}, {-0.1, 0.0}}), S::Left);
    EXPECT_EQ(swipe({{0.1, 0.0}, {0.1, 0.0}}), S::Right);
    EXPECT_EQ(swipe({{0.07, 0.0}, {0.07, 0.0}}), S::None);  // 0.14 in all
    EXPECT_EQ(swipe({{-0.5, 0.0}}), S::None);               // one finger moves nothing
    EXPECT_EQ(swipe({{0.0, 0.1}, {0.0, 0.1}}), S::Up);
    EXPECT_EQ(swipe({{0.0, 0.1}, {0.0, 0.1}}, true), S::Down);
    EXPECT_EQ(swipe({{0.1, 0.1}, {0.1, 0.1}}), S::Up);  // a tie is vertical
}

TEST_F(WindowTest, LatinLookUpTrimsSendsFiltersAndShowsTheAnswer) {
    DictionaryWindowController* w = DictionaryWindowController::showDictionaryWindow();
    EXPECT_EQ(w->englishTranslation->toPlainText(), QStringLiteral("Held dictionary"));
    w->translateLatinString(QStringLiteral(" amo,\n"));
    ASSERT_TRUE(waitUntil([&] { return held->count() == 1; }));
    HeldDictionary::Query q = held->queries()[0];
    EXPECT_EQ(q.word, QStringLiteral("amo"));
    EXPECT_FALSE(q.englishToLatin);
    EXPECT_EQ(q.entryType, -1);  // "orthography": by headword
    EXPECT_TRUE(w->lookupRunning(0));
    EXPECT_FALSE(w->lToEProgressIndicator->isHidden());

    auto verb = entry(QStringLiteral("amo, amare"), DictionaryEntry::Verb);
    verb->addChild(entry(QStringLiteral("love"), DictionaryEntry::Meaning));
    held->answer(0, {verb, entry(QStringLiteral("amor"), DictionaryEntry::Noun)}, QStringLiteral("\namo; amare;amavi"));
    ASSERT_TRUE(waitUntil([&] { return !w->lookupRunning(0); }));
    EXPECT_TRUE(w->lToEProgressIndicator->isHidden());
    EXPECT_EQ(w->englishTranslation->toPlainText(), QStringLiteral("amo; amare\n---------------amavi"));
    EXPECT_EQ(topRows(*w, w->englishWordList), (QStringList{QStringLiteral("amo, amare"), QStringLiteral("amor")}));
    EXPECT_TRUE(w->englishWordList->isExpanded(w->modelForView(w->englishWordList)->index(0, 0)));

    // The word-type filter keeps verbs only; "all" in the entry filter sends 0.
    choose(w->latinToEnglishWordTypeButton, DictionaryEntry::pluralNameOfType(DictionaryEntry::Verb));
    choose(w->latinSearchEntryButton, DictionaryEntry::localized(QStringLiteral("all")));
    w->translateToEnglish();
    ASSERT_TRUE(waitUntil([&] { return held->count() == 2; }));
    EXPECT_EQ(held->queries()[1].entryType, 0);
    EXPECT_EQ(held->queries()[1].type, int(DictionaryEntry::Verb));
    held->answer(1, {verb, entry(QStringLiteral("amor"), DictionaryEntry::Noun)});
    ASSERT_TRUE(waitUntil([&] { return !w->lookupRunning(0); }));
    EXPECT_EQ(topRows(*w, w->englishWordList), QStringList{QStringLiteral("amo, amare")});
    // No raw answer leaves the attribution.
    EXPECT_EQ(w->englishTranslation->toPlainText(), QStringLiteral("Held dictionary"));

    // A blank field starts nothing and keeps what is shown.
    w->translateLatinString(QStringLiteral(" , "));
    QApplication::processEvents();
    EXPECT_EQ(held->count(), 2u);
    EXPECT_EQ(topRows(*w, w->englishWordList), QStringList{QStringLiteral("amo, amare")});
}

TEST_F(WindowTest, TheLaterOfTwoQuickLookUpsIsShown) {
    DictionaryWindowController* w = DictionaryWindowController::getDictionaryWindow();
    w->translateLatinString(QStringLiteral("rosa"));
    ASSERT_TRUE(waitUntil([&] { return held->count() == 1; }));
    w->translateLatinString(QStringLiteral("lupus"));
    ASSERT_TRUE(waitUntil([&] { return held->count() == 2; }));
    held->answer(1, {entry(QStringLiteral("lupus"), DictionaryEntry::Noun)});
    held->answer(0, {entry(QStringLiteral("rosa"), DictionaryEntry::Noun)});
    ASSERT_TRUE(waitUntil([&] { return !w->lookupRunning(0); }));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(topRows(*w, w->englishWordList), QStringList{QStringLiteral("lupus")});
}

TEST_F(WindowTest, EnglishTabSendsTheFirstWordOnlyToTheAnalyser) {
    PreferencesPtr prefs = Preferences::preferences();
    DictionaryWindowController* w = DictionaryWindowController::getDictionaryWindow();
    prefs->setEnglishToLatinDictionarySelection(0);
    w->translateEnglishString(QStringLiteral("to love"));
    ASSERT_TRUE(waitUntil([&] { return held->count() == 1; }));
    prefs->setEnglishToLatinDictionarySelection(1);
    w->translateEnglishString(QStringLiteral("to love"));
    ASSERT_TRUE(waitUntil([&] { return held->count() == 2; }));
    EXPECT_EQ(held->queries()[0].word, QStringLiteral("to"));
    EXPECT_EQ(held->queries()[1].word, QStringLiteral("to love"));
    EXPECT_TRUE(held->queries()[1].englishToLatin);
    EXPECT_EQ(held->queries()[1].entryType, int(DictionaryEntry::Meaning));
    EXPECT_EQ(w->getActiveTab(), 1);
    prefs->setEnglishToLatinDictionarySelection(0);
}

TEST_F(WindowTest, AnUnknownDictionaryStopsTheIndicator) {
    DictionaryWindowController::setDictionaryProvider([](qint64, bool) { return TSDictionaryPtr(); });
    DictionaryWindowController* w = DictionaryWindowController::getDictionaryWindow();
    w->translateLatinString(QStringLiteral("amo"));
    EXPECT_FALSE(w->lookupRunning(0));
    EXPECT_TRUE(w->lToEProgressIndicator->isHidden());
    EXPECT_EQ(w->modelForView(w->englishWordList)->rowCount(), 0);
}

TEST_F(WindowTest, PopupsCommandsTabsAndPostedEntries) {
    DictionaryWindowController* w = DictionaryWindowController::getDictionaryWindow();
    // Three built-in dictionaries, tagged 0 to 2.
    ASSERT_GE(w->latinDictionaryPopup->count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w->latinDictionaryPopup->itemData(i).toInt(), i);
    // The English tab's entry filter starts on meanings, the Latin on orthography.
    EXPECT_EQ(w->englishSearchEntryButton->currentText(), DictionaryEntry::pluralNameOfType(DictionaryEntry::Meaning));
    EXPECT_EQ(w->latinSearchEntryButton->currentIndex(), 0);

    EXPECT_FALSE(w->validateAction(QStringLiteral("openConjugationWindow:")));
    EXPECT_TRUE(w->validateAction(QStringLiteral("wordSearch:")));
    EXPECT_FALSE(w->validateAction(QStringLiteral("addToVocab:")));

    w->previousScreen();
    EXPECT_EQ(w->getActiveTab(), 1);  // from the first tab to the last
    w->nextScreen();
    EXPECT_EQ(w->getActiveTab(), 0);
    w->swipeLeft();
    EXPECT_EQ(w->getActiveTab(), 1);

    // A converter posts its entries as senders; each shows once.
    auto posted = entry(QStringLiteral("rosa"), DictionaryEntry::Noun);
    ts::NotificationCenter::defaultCenter().post(QStringLiteral("NEW EL entry"), posted.get());
    ts::NotificationCenter::defaultCenter().post(QStringLiteral("NEW EL entry"), posted.get());
    ASSERT_TRUE(waitUntil([&] { return w->modelForView(w->latinWordList)->rowCount() > 0; }));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(topRows(*w, w->latinWordList), QStringList{QStringLiteral("rosa")});
    w->selectEnglishTab();
    EXPECT_TRUE(w->validateAction(QStringLiteral("openConjugationWindow:")));

    // The settings' request to close drops the window; the next one is new.
    ts::NotificationCenter::defaultCenter().post(QStringLiteral("CloseDictionaryWindow"));
    ASSERT_TRUE(waitUntil([] { return !DictionaryWindowController::hasDictionaryWindow(); }));
}

TEST_F(WindowTest, ClosingWhileAConverterPostsEntriesFromItsThread) {
    // A converter posts every entry it makes, from its own thread; the
    // window may be closed meanwhile and must not be written to after.
    auto posted = entry(QStringLiteral("rosa"), DictionaryEntry::Noun);
    std::atomic<bool> stop{false};
    std::thread converter([&] {
        while (!stop) ts::NotificationCenter::defaultCenter().post(QStringLiteral("NEW EL entry"), posted.get());
    });
    for (int round = 0; round < 20; ++round) {
        DictionaryWindowController::getDictionaryWindow();
        QApplication::processEvents();
        DictionaryWindowController::disposeDictionaryWindow();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    stop = true;
    converter.join();
    QApplication::processEvents();
    EXPECT_FALSE(DictionaryWindowController::hasDictionaryWindow());
}

namespace {

// Every entry of the outline, depth first, indented by level, with its type.
QStringList outlineRows(DictionaryWindowController& w, NBOutlineView* view) {
    QStringList out;
    DictionaryEntryModel* m = w.modelForView(view);
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
        for (int r = 0; r < m->rowCount(parent); ++r) {
            const QModelIndex at = m->index(r, 0, parent);
            DictionaryEntry* e = m->entryAt(at);
            out << QString(depth * 2, QLatin1Char(' ')) + e->entry() + QStringLiteral(" [%1]").arg(e->type());
            walk(at, depth + 1);
        }
    };
    walk({}, 0);
    return out;
}

}  // namespace

TEST(DictionaryWindowAnalyser, AnEncliticKeepsEveryAnalysisOfItsWord) {
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    Preferences::preferences()->setLatinToEnglishDictionarySelection(0);
    DictionaryWindowController* w = DictionaryWindowController::getDictionaryWindow();
    QSignalSpy finished(w, &DictionaryWindowController::lookupFinished);
    w->translateLatinString(QStringLiteral("virumque"));
    ASSERT_TRUE(waitUntil([&] { return finished.count() > 0; }, 30000));
    // The first line of the Aeneid: vir, virus and vis, then the enclitic.
    const QStringList rows = outlineRows(*w, w->englishWordList);
    const qsizetype enclitic = rows.indexOf(QStringLiteral("  -que [24]"));
    for (const char* h : {"vir viri", "virus viri", "vis viris"}) {
        const qsizetype at = rows.indexOf(QStringLiteral("  %1 [1]").arg(QString::fromLatin1(h)));
        EXPECT_GE(at, 0) << h << " not in\n" << rows.join(QLatin1Char('\n')).toStdString();
        EXPECT_GT(enclitic, at);
    }
    // vir goes from the outline into a vocabulary.
    auto list = std::make_shared<WordController>();
    w->setCurrentWordList(list);
    DictionaryEntryModel* m = w->modelForView(w->englishWordList);
    const QModelIndex top = m->index(0, 0);
    for (int r = 0; r < m->rowCount(top); ++r)
        if (m->entryAt(m->index(r, 0, top))->entry() == QStringLiteral("vir viri"))
            w->englishWordList->selectionModel()->select(m->index(r, 0, top), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    w->addToVocab();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->objectAtIndex(0)->latin(), QStringLiteral("vir viri"));
    EXPECT_EQ(list->objectAtIndex(0)->getWordType(), WordCode::Noun);
    DictionaryWindowController::disposeDictionaryWindow();
}

TEST(DictionaryWindowAnalyser, ArmaShowsTheRawAnswerAndItsEntries) {
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    Preferences::preferences()->setLatinToEnglishDictionarySelection(0);
    Preferences::preferences()->setEnglishToLatinDictionarySelection(0);
    DictionaryWindowController* w = DictionaryWindowController::showDictionaryWindow();
    w->resize(760, 620);
    QSignalSpy finished(w, &DictionaryWindowController::lookupFinished);
    w->translateLatinString(QStringLiteral("arma"));
    ASSERT_TRUE(waitUntil([&] { return finished.count() >= 1; }));
    const QString raw = w->englishTranslation->toPlainText();
    EXPECT_TRUE(raw.contains(QStringLiteral("armum, armi")) && raw.contains(QStringLiteral("armo, armare"))) << raw.toStdString();
    EXPECT_TRUE(raw.contains(QStringLiteral("\n---------------"))) << raw.toStdString();
    const QStringList rows = topRows(*w, w->englishWordList);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows.join(QLatin1Char('|')).contains(QStringLiteral("arm"))) << rows.join(QLatin1Char('|')).toStdString();

    const QString dir = galleryDir();
    auto keep = [&](const QString& name) {
        settle();
        const QImage image = w->grab().toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 3);
        EXPECT_TRUE(image.save(dir + name));
    };
    keep(QStringLiteral("/dictionary-latin-arma.png"));

    w->translateEnglishString(QStringLiteral("love"));
    ASSERT_TRUE(waitUntil([&] { return finished.count() >= 2; }));
    EXPECT_TRUE(w->latinTranslation->toPlainText().contains(QStringLiteral("amo"))) << w->latinTranslation->toPlainText().toStdString();
    EXPECT_FALSE(topRows(*w, w->latinWordList).isEmpty());
    keep(QStringLiteral("/dictionary-english-love.png"));
    DictionaryWindowController::disposeDictionaryWindow();
    DictionaryController::terminateDictionary();
}


namespace {

// An editable dictionary whose headwords the test builds.
class EditableDictionary : public TSDictionary {
public:
    bool isEditable() const override { return true; }
    void save() override {}
    bool deleteEntry(const DictionaryEntryPtr& e) override {
        DictionaryEntryList kept;
        for (const auto& x : *words())
            if (x != e) kept.push_back(x);
        setWords(kept);
        return true;
    }
    void translateToEnglish(const QString&, int, int, TSDictionaryBlock block) override { block(makeResult(shown, {})); }
    DictionaryEntryList shown;
};

struct EditingTest : ::testing::Test {
    std::shared_ptr<EditableDictionary> dict = std::make_shared<EditableDictionary>();
    DictionaryWindowController* w = nullptr;
    DictionaryEntryPtr head, first, second;
    void SetUp() override {
        auto d = dict;
        DictionaryWindowController::setDictionaryProvider([d](qint64, bool) -> TSDictionaryPtr { return d; });
        head = DictionaryEntry::make(QStringLiteral("magnus"), DictionaryEntry::Adjective);
        first = DictionaryEntry::make(QStringLiteral("great (very)."), DictionaryEntry::Meaning);
        second = DictionaryEntry::make(QStringLiteral("large"), DictionaryEntry::Meaning);
        head->addChild(first);
        head->addChild(second);
        dict->setWords({head});
        dict->shown = {head};
        w = DictionaryWindowController::getDictionaryWindow();
        w->translateLatinString(QStringLiteral("magnus"));
        ASSERT_TRUE(waitUntil([&] { return !w->lookupRunning(0); }));
    }
    void TearDown() override {
        DictionaryWindowController::disposeDictionaryWindow();
        DictionaryWindowController::setDictionaryProvider(nullptr);
        QApplication::processEvents();
    }
    QModelIndex at(const DictionaryEntryPtr& e) { return w->modelForView(w->englishWordList)->indexForEntry(e.get()); }
    void select(std::initializer_list<DictionaryEntryPtr> entries) {
        auto* sel = w->englishWordList->selectionModel();
        sel->clearSelection();
        for (const auto& e : entries) sel->select(at(e), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList childTexts(const DictionaryEntryPtr& e) {
        QStringList t;
        for (const auto& c : e->childList()) t << c->entry();
        return t;
    }
};

}  // namespace

TEST_F(EditingTest, TextEditsKeysAndDeletion) {
    NBOutlineView* v = w->englishWordList;
    EXPECT_TRUE(w->setEntryText(v, at(head), QStringLiteral("amo (2)")));
    EXPECT_EQ(head->entry(), QStringLiteral("amo "));
    EXPECT_TRUE(dict->dirty());
    EXPECT_TRUE(w->setEntryText(v, at(second), QStringLiteral("large (in size)")));
    EXPECT_EQ(second->entry(), QStringLiteral("large (in size)"));

    // The first child moves neither up nor into a sibling; the second goes up.
    select({first});
    w->outlineUpKeyPressed(v);
    w->outlineRightKeyPressed(v);
    EXPECT_EQ(head->childList().front(), first);
    select({second});
    w->outlineUpKeyPressed(v);
    EXPECT_EQ(head->childList().front(), second);

    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    prompter->queueAlertAnswer(0);  // Cancel keeps the entry
    select({first});
    w->outlineDeleteKeyPressed(v);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(head->childList().size(), 2u);
    prompter->queueAlertAnswer(1);
    select({first});
    w->outlineDeleteKeyPressed(v);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(childTexts(head), QStringList{QStringLiteral("large (in size)")});
    ASSERT_EQ(prompter->alerts().size(), 2u);
    EXPECT_EQ(prompter->alerts()[1].buttons.size(), 2);
    // A headword goes through the dictionary.
    prompter->queueAlertAnswer(1);
    select({head});
    w->outlineDeleteKeyPressed(v);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_TRUE(dict->words()->empty());
    EXPECT_EQ(w->modelForView(v)->rowCount(), 0);
}

TEST_F(EditingTest, SplittingAndMergingTexts) {
    w->bracketsToNote(first);
    EXPECT_EQ(childTexts(head), (QStringList{QStringLiteral("(very)"), QStringLiteral("great"), QStringLiteral("large")}));
    w->clauseToNote(second);  // no comma, semicolon or colon
    EXPECT_EQ(second->entry(), QStringLiteral("large"));
    second->setEntry(QStringLiteral("big, large"));
    w->clauseToNote(second);
    EXPECT_EQ(childTexts(head),
              (QStringList{QStringLiteral("(very)"), QStringLiteral("great"), QStringLiteral("big"), QStringLiteral("large")}));
    w->mergeWithAbove(second);
    EXPECT_EQ(childTexts(head), (QStringList{QStringLiteral("(very)"), QStringLiteral("great"), QStringLiteral("big large")}));
}

TEST_F(EditingTest, RowMenusOfferTheOtherDictionaries) {
    w->latinDictionaryPopup->setCurrentIndex(w->latinDictionaryPopup->findData(1));
    std::unique_ptr<QMenu> menu(w->menuForEvent({}, at(head), w->englishWordList, DictionaryEntry::kEntry));
    ASSERT_TRUE(menu);
    QStringList titles;
    for (QAction* a : menu->actions()) titles << a->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("Search in WORDS")));
    // "&" doubled, so that the menu shows "L&S" instead of underlining the S.
    EXPECT_TRUE(titles.contains(QStringLiteral("Search in L&&S")));
    EXPECT_FALSE(titles.contains(QStringLiteral("Search in Lewis")));
    std::unique_ptr<QMenu> typeMenu(w->menuForEvent({}, at(head), w->englishWordList, DictionaryEntry::kType));
    int checked = 0;
    for (QAction* a : typeMenu->actions()) checked += a->isChecked();
    EXPECT_EQ(checked, 1);
}

TEST_F(EditingTest, SelectedMeaningsCompleteAVocabularyWord) {
    std::vector<QString> posted;
    QString meaning, latin;
    ts::ObserverToken token = ts::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("WordChangedNotification"), nullptr, [&](const ts::Notification& n) {
            posted.push_back(n.name);
            auto word = n.userInfo.at(QStringLiteral("object")).toObjectAs<Word>();
            meaning = word->meaning();
            latin = word->latin();
        });
    select({first, second});
    w->addToVocab();  // no word being made, no list: nothing
    EXPECT_TRUE(posted.empty());
    auto list = std::make_shared<WordController>();
    w->setCurrentWordList(list);
    w->addToVocab();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(latin, QStringLiteral("magnus"));
    EXPECT_EQ(meaning, QStringLiteral("great (very).\rlarge"));
}

TEST_F(EditingTest, OutlinesSelectSeveralRowsAndAHeadwordBringsItsMeanings) {
    NBOutlineView* v = w->englishWordList;
    w->show();
    settle();
    EXPECT_EQ(v->selectionMode(), QAbstractItemView::ExtendedSelection);
    // A click, then a Ctrl click: two meaning rows.
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, v->visualRect(at(first)).center());
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ControlModifier, v->visualRect(at(second)).center());
    EXPECT_EQ(v->selectionModel()->selectedRows().size(), 2);
    // A click, then Shift+Down: the row below joins it.
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, v->visualRect(at(first)).center());
    v->setCurrentIndex(at(first));
    v->selectionModel()->select(at(first), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(v, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(v->selectionModel()->selectedRows().size(), 2);
    // Down alone still moves nothing.
    QTest::keyClick(v, Qt::Key_Down);
    EXPECT_EQ(v->selectionModel()->selectedRows().size(), 2);

    auto list = std::make_shared<WordController>();
    w->setCurrentWordList(list);
    select({head});
    w->addToVocab();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->objectAtIndex(0)->meaning(), QStringLiteral("great (very).\rlarge"));
    // The row menu of one of two selected meanings adds both.
    select({first, second});
    std::unique_ptr<QMenu> menu(w->menuForEvent({}, at(second), v, DictionaryEntry::kEntry));
    ASSERT_TRUE(menu);
    EXPECT_EQ(v->selectionModel()->selectedRows().size(), 2);
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("Add to Vocabulary")) a->trigger();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->objectAtIndex(1)->meaning(), QStringLiteral("great (very).\rlarge"));
    select({head, second});
    w->addToVocab();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->objectAtIndex(2)->meaning(), QStringLiteral("large")) << "chosen meanings win over the headword's";
    EXPECT_TRUE(w->statusBar()->currentMessage().contains(QStringLiteral("magnus")));

    if (const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR"); !gallery.isEmpty()) {
        w->resize(760, 520);
        select({first, second});
        settle();
        QDir().mkpath(gallery);
        EXPECT_TRUE(w->grab().save(gallery + QStringLiteral("/dictionary-two-meanings.png")));
    }
}

TEST_F(EditingTest, SenseNumeralsStayOutOfTheFrequencyColumn) {
    first->setParagraphNumber(QStringLiteral("I"));
    first->setAttribute(DictionaryEntry::kFreq, ts::Value(QStringLiteral("A")));
    head->setFrequency(7);
    w->modelForView(w->englishWordList)->reload();
    DictionaryEntryModel* m = w->modelForView(w->englishWordList);
    const int freq = 2, type = 1;
    ASSERT_EQ(m->identifier(freq), DictionaryEntry::kFreq);
    EXPECT_FALSE(m->data(at(first).siblingAtColumn(freq), Qt::DisplayRole).isValid());
    EXPECT_EQ(m->data(at(head).siblingAtColumn(freq), Qt::DisplayRole).toInt(), 7);
    EXPECT_EQ(m->data(at(first).siblingAtColumn(type), Qt::DisplayRole).toString(), QStringLiteral("I"));
    // The numeral starts at the type column's left edge, not against the frequency column.
    auto* delegate = qobject_cast<DictionaryEntryDelegate*>(w->englishWordList->itemDelegate());
    ASSERT_TRUE(delegate);
    QTextDocument doc;
    ASSERT_TRUE(delegate->layout(at(first).siblingAtColumn(type), 120, doc));
    EXPECT_EQ(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

// A background save or search walks the entries holding the dictionary's
// words lock: an edit from the window waits until it is done, or the save
// could write half an edit and then clear the mark of the rest.
TEST_F(EditingTest, EditsWaitForABackgroundSaveOrSearch) {
    NBOutlineView* v = w->englishWordList;
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"text", [&] { w->setEntryText(v, at(second), QStringLiteral("broad")); }},
        {"gender", [&] { w->changeGender(head, DictionaryEntry::nameOfGender(2)); }},
        {"type", [&] { w->handleTypeSelection(second, DictionaryEntry::nameOfType(DictionaryEntry::Noun)); }},
        {"key", [&] { select({second}); w->outlineUpKeyPressed(v); }},
        {"add", [&] { w->addEntry(DictionaryEntryPtr(head->childList().front())); }},
        {"merge", [&] { w->mergeWithAbove(DictionaryEntryPtr(head->childList().back())); }},
        {"delete", [&] {
             prompter->queueAlertAnswer(1);
             select({DictionaryEntryPtr(head->childList().back())});
             w->outlineDeleteKeyPressed(v);
             for (int i = 0; i < 5; ++i) QApplication::processEvents();
         }},
    };
    for (const auto& [name, edit] : edits) {
        dict->setDirty(false);
        std::atomic<bool> locked{false}, editing{false}, early{false};
        std::thread holder([&] {
            std::lock_guard<std::recursive_mutex> lock(dict->wordsLock());
            locked = true;
            while (!editing) std::this_thread::yield();
            // An edit that does not wait marks the dictionary while the lock
            // is still held here. (Load can only hide that, never fake it.)
            QElapsedTimer held;
            held.start();
            while (!early && held.elapsed() < 300) {
                if (dict->dirty()) early = true;
                std::this_thread::yield();
            }
        });
        while (!locked) std::this_thread::yield();
        editing = true;
        edit();
        holder.join();
        EXPECT_FALSE(early) << name << " changed the entries while a save held them";
        EXPECT_TRUE(dict->dirty()) << name;
    }
}

namespace {

QString cell(QTableView* t, int row, int column) { return t->model()->index(row, column).data().toString(); }

}  // namespace

TEST(ParadigmWindows, EachWordTypeOpensItsTable) {
    auto noun = std::make_shared<Word>();
    noun->setLatin(QStringLiteral("rosa rosae"));
    noun->setWordType(WordCode::Noun);
    noun->setGender(WordCode::Feminine);
    noun->setConjugation(1);
    ConjugationWindowController::openConjugationWindow(noun, nullptr);
    QTableView* cases = DeclensionsController::getDeclensionsController()->theCases;
    ASSERT_EQ(cases->model()->rowCount(), 6);
    EXPECT_EQ(cell(cases, 0, 0), QStringLiteral("Nom"));
    EXPECT_EQ(cell(cases, 0, 1), QStringLiteral("rosa"));
    EXPECT_EQ(cell(cases, 5, 2), QStringLiteral("rosīs"));

    auto adjective = std::make_shared<Adjective>();
    adjective->setLatin(QStringLiteral("bonus bona bonum melior melior melius optimus optima optimum"));
    adjective->setConjugation(1);
    ConjugationWindowController::openConjugationWindow(adjective, nullptr);
    AdjectiveWindowController* a = AdjectiveWindowController::getAdjectiveWindowController();
    ASSERT_EQ(a->theCases->model()->rowCount(), 13);
    EXPECT_TRUE(cell(a->theCases, 6, 1).isEmpty());
    EXPECT_EQ(cell(a->theCases, 7, 1), QStringLiteral("bonī"));
    a->comparisonChoice->button(2)->click();
    EXPECT_EQ(cell(a->theCases, 0, 1), QStringLiteral("optimus"));
    if (const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR"); !gallery.isEmpty()) {
        QDir().mkpath(gallery);
        for (QWidget* shown : {static_cast<QWidget*>(DeclensionsController::getDeclensionsController()), static_cast<QWidget*>(a)}) {
            shown->show();
            QApplication::processEvents();
        }
        EXPECT_TRUE(DeclensionsController::getDeclensionsController()->grab().save(gallery + QStringLiteral("/paradigm-declension.png")));
        EXPECT_TRUE(a->grab().save(gallery + QStringLiteral("/paradigm-adjective.png")));
    }

    // bonus typed with its positive only: the comparison a grammar gives.
    auto bonus = std::make_shared<Adjective>();
    bonus->setLatin(QStringLiteral("bonus bona bonum"));
    bonus->setConjugation(1);
    ConjugationWindowController::openConjugationWindow(bonus, nullptr);
    a->comparisonChoice->button(1)->click();
    EXPECT_EQ(cell(a->theCases, 0, 1), QStringLiteral("melior"));
    EXPECT_EQ(cell(a->theCases, 0, 3), QStringLiteral("melius"));
    EXPECT_EQ(cell(a->theCases, 3, 1), QStringLiteral("meliōris"));
    if (const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR"); !gallery.isEmpty()) {
        a->show();
        settle();
        EXPECT_TRUE(a->grab().save(gallery + QStringLiteral("/paradigm-comparison-bonus.png")));
    }
    a->comparisonChoice->button(2)->click();
    EXPECT_EQ(cell(a->theCases, 0, 2), QStringLiteral("optima"));

    auto verb = std::make_shared<Verb>();
    verb->setLatin(QStringLiteral("amō amāre amāvī amātum"));
    verb->setConjugation(1);
    ConjugationWindowController::openConjugationWindow(verb, nullptr);
    ConjugationWindowController* c = ConjugationWindowController::getConjugationWindowController();
    ASSERT_EQ(c->verbForms->model()->rowCount(), 3);
    EXPECT_EQ(c->extraForms->model()->rowCount(), 12);
    EXPECT_EQ(cell(c->verbForms, 2, 2), QStringLiteral("amant"));
    c->tense->button(4)->click();
    EXPECT_EQ(cell(c->verbForms, 0, 1), QStringLiteral("amāvī"));
    QString dir = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        c->show();
        settle();
        EXPECT_TRUE(c->grab().toImage().save(dir + QStringLiteral("/paradigm-conjugation.png")));
    }
    // The subjunctive has no future or future perfect.
    c->tense->button(2)->click();
    c->indicSubj->button(0)->click();
    EXPECT_FALSE(c->tense->button(2)->isEnabled());
    EXPECT_EQ(c->tenseTag(), 1);  // the future falls back to the present
    EXPECT_EQ(cell(c->verbForms, 0, 1), QStringLiteral("amem"));
    EXPECT_FALSE(c->tense->button(5)->isEnabled());
    c->indicSubj->button(1)->click();
    EXPECT_TRUE(c->tense->button(2)->isEnabled());

    // A deponent's voice is fixed at every tense.
    auto deponent = std::make_shared<Verb>();
    deponent->setLatin(QStringLiteral("loquor loquī locūtus"));
    deponent->setConjugation(3);
    ConjugationWindowController::openConjugationWindow(deponent, nullptr);
    EXPECT_FALSE(c->actPass->button(0)->isEnabled());
    EXPECT_TRUE(c->actPass->button(1)->isChecked());

    // A pronoun opens nothing new.
    auto pronoun = std::make_shared<Word>();
    pronoun->setWordType(WordCode::Pronoun);
    ConjugationWindowController::openConjugationWindow(pronoun, nullptr);
    EXPECT_EQ(DeclensionsController::getDeclensionsController()->word(), noun);
}

namespace {

QStringList formCells(QTableView* t) {
    QStringList out;
    for (int r = 0; r < t->model()->rowCount(); ++r)
        for (int c = 1; c < t->model()->columnCount(); ++c) out << cell(t, r, c);
    return out;
}

// Every form the paradigm window shows for a dictionary entry, as the
// dictionary window's command opens it, under each mood, voice, tense or
// degree the window offers.
QStringList paradigmForms(const DictionaryEntryPtr& entry) {
    WordPtr word = std::make_shared<Word>();
    DictionaryWindowController::loadUninflectedForm(entry->findUninflectedForm(true), {}, word, nullptr);
    ConjugationWindowController::openConjugationWindow(word, nullptr);
    QStringList forms;
    if (word->getWordType() == WordCode::Noun) forms << formCells(DeclensionsController::getDeclensionsController()->theCases);
    if (AdjectiveWindowController* a = AdjectiveWindowController::getAdjectiveWindowController();
        word->getWordType() == WordCode::Adjective)
        for (QAbstractButton* degree : a->comparisonChoice->buttons()) {
            degree->click();
            forms << formCells(a->theCases);
        }
    if (ConjugationWindowController* c = ConjugationWindowController::getConjugationWindowController();
        word->getWordType() == WordCode::Verb)
        for (QAbstractButton* mood : c->indicSubj->buttons()) {
            mood->click();
            for (QAbstractButton* voice : c->actPass->buttons())
                for (QAbstractButton* tense : c->tense->buttons()) {
                    if (!voice->isEnabled() || !tense->isEnabled()) continue;
                    voice->click();
                    tense->click();
                    forms << formCells(c->verbForms) << formCells(c->extraForms);
                }
        }
    return forms;
}

void collectEntries(const DictionaryEntryPtr& entry, std::map<QString, DictionaryEntryPtr>& byKey,
                    std::vector<DictionaryEntryPtr>& hyphened) {
    static const QRegularExpression inside(QStringLiteral("\\p{L}\\p{M}*-\\p{L}"));
    const int type = entry->type();
    const bool partOfSpeech = (type >= DictionaryEntry::Noun && type <= DictionaryEntry::Numeral) ||
                              type == DictionaryEntry::Participle || type == DictionaryEntry::ParticipialAdjective;
    if (!entry->key().isEmpty()) byKey.emplace(entry->key(), entry);
    if (partOfSpeech && entry->entry().contains(inside)) hyphened.push_back(entry);
    for (const DictionaryEntryPtr& child : entry->childList()) collectEntries(child, byKey, hyphened);
}

}  // namespace

// The converter keeps the hyphen of a long prefix (expergē-făcĭo) on the
// headword line; the forms the paradigm window and the entry build from
// that line must not hold it. Checked on named entries, on every such entry
// of the real conversion, and on verbs whose shortened parts meet the stem.
TEST(ParadigmWindows, RealEntriesGiveFormsWithoutTheSourcesHyphen) {
    const QString folder = QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/lexica");
    if (!QFileInfo(folder + QStringLiteral("/uls-T.xml.xz")).isFile()) GTEST_SKIP() << "no lexica in " << qPrintable(folder);
    LewisShortOptions options;
    options.discardLogs = true;
    options.prompt = std::make_shared<SkipDeveloperPrompt>();
    options.sink = std::make_shared<DeveloperSink>();
    const LewisShortConversion conversion = convertLewisShortLetters(folder, options);
    ASSERT_TRUE(conversion.ok) << qPrintable(conversion.error);
    std::map<QString, DictionaryEntryPtr> byKey;
    std::vector<DictionaryEntryPtr> hyphened;
    for (const ts::Value& e : conversion.result.at(QStringLiteral("Entries")).array())
        if (auto entry = e.toObjectAs<DictionaryEntry>()) collectEntries(entry, byKey, hyphened);

    const struct {
        const char* key;
        std::vector<const char*> forms;
    } rows[] = {
        {"experge_fa^ci^o", {"expergēfēcisse", "expergēfactus"}},
        {"obstu^pe^fa^ci^o", {"obstŭpĕfăciō", "obstŭpĕfēcisse"}},
        {"vo^lu_^cri^pe^s", {"vŏlūcrĭpĕs", "vŏlūcrĭpĕdis"}},
        {"quinque^pe^da_lis", {"quinquĕpĕdālis"}},
        {"flecto", {"flexisse", "flexus"}},
        {"jungo", {"junxisse", "junctus"}},
        {"nu_bo", {"nūpsisse", "nūptus"}},
        {"tra^ho", {"traxisse", "tractus"}},  // the present's short ă is no length of trāxī
        {"tollo", {"sustŭlisse", "sublātus"}},
        {"re^curro", {"rĕcurrisse", "rĕcurrī"}},
    };
    for (const auto& row : rows) {
        const auto found = byKey.find(QString::fromUtf8(row.key));
        ASSERT_NE(found, byKey.end()) << row.key;
        const QStringList forms = paradigmForms(found->second);
        for (const char* form : row.forms) EXPECT_TRUE(forms.contains(QString::fromUtf8(form))) << row.key << " " << form;
    }

    static const QRegularExpression inside(QStringLiteral("\\p{L}\\p{M}*-\\p{L}"));
    QStringList withHyphen;
    for (const DictionaryEntryPtr& entry : hyphened) {
        const QSet<QString> own = entry->getAllInflectedForms();
        for (const QString& form : paradigmForms(entry) + QStringList(own.begin(), own.end()))
            if (form.contains(inside)) withHyphen << entry->key() + QStringLiteral(": ") + form;
    }
    std::printf("entries with a hyphen inside a word: %zu; their forms with one: %lld\n", hyphened.size(),
                qlonglong(withHyphen.size()));
    EXPECT_GT(hyphened.size(), 0u);
    EXPECT_TRUE(withHyphen.isEmpty()) << qPrintable(withHyphen.mid(0, 20).join(u'\n'));
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
