// Every change to a document's vocabulary, from the vocabulary window, the
// revision window or the dictionary window, marks that document edited, in
// both document kinds; a word completed from the dictionary survives a save
// and reopening; the form keeps what the list and the user last wrote; the
// revision window follows deletions.

#include "dictionaries/TSDictionary.h"
#include "documents/MyDocument.h"
#include "documents/TSDocument.h"
#include "documents/gui/RevisionWindowController.h"
#include "documents/gui/VocabularyWindowController.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Prompter.h"
#include "support/GuiTestSupport.h"
#include "tools/gui/DictionaryEntryModel.h"
#include "tools/gui/DictionaryWindowController.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

void selectRow(VocabularyWindowController* v, int row) {
    v->wordList->selectionModel()->select(v->wordList->model()->index(row, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int rowOf(const WordControllerPtr& list, const QString& latin) {
    for (qint64 i = 0; i < list->count(); ++i)
        if (list->objectAtIndex(quint64(i))->latin() == latin) return int(i);
    return -1;
}

// A dictionary that answers every look-up with the entries the test gives.
class FixedDictionary : public TSDictionary {
public:
    void translateToEnglish(const QString&, int, int, TSDictionaryBlock block) override { block(makeResult(shown, {})); }
    DictionaryEntryList shown;
};

// One document of either kind, seen through what the windows need.
struct Doc {
    ts::DocumentPtr document;
    WordControllerPtr list;
    QString type, extension;
};

Doc makeDocument(bool twoPane) {
    Doc d;
    if (twoPane) {
        auto doc = std::make_shared<MyDocument>();
        doc->setLatin(ts::AttributedString(QStringLiteral("arma virumque cano")));
        doc->registerForNotifications();
        d.list = doc->vocabList();
        d.document = doc;
        d.type = MyDocument::kTypeName;
        d.extension = QStringLiteral("tsmd");
    } else {
        auto doc = std::make_shared<TSDocument>();
        doc->registerForNotifications();
        d.list = doc->vocabList();
        d.document = doc;
        d.type = TSDocument::kTypeName;
        d.extension = QStringLiteral("tsdx");
    }
    d.document->updateChangeCount(ts::Document::ChangeCleared);
    return d;
}

WordControllerPtr reopenedList(const Doc& saved, const QString& path) {
    if (saved.type == MyDocument::kTypeName) {
        auto doc = std::make_shared<MyDocument>();
        return doc->readFromURL(path, saved.type, nullptr) ? doc->vocabList() : nullptr;
    }
    auto doc = std::make_shared<TSDocument>();
    return doc->readFromURL(path, saved.type, nullptr) ? doc->vocabList() : nullptr;
}

struct DictionaryFixture {
    std::shared_ptr<FixedDictionary> dict = std::make_shared<FixedDictionary>();
    DictionaryEntryPtr head = DictionaryEntry::make(QStringLiteral("amo, amare, amavi, amatus"), DictionaryEntry::Verb);
    DictionaryEntryPtr love = DictionaryEntry::make(QStringLiteral("love"), DictionaryEntry::Meaning);
    DictionaryEntryPtr like = DictionaryEntry::make(QStringLiteral("like"), DictionaryEntry::Meaning);
    DictionaryWindowController* w = nullptr;

    DictionaryFixture() {
        head->setConjugation(1);
        head->addChild(love);
        head->addChild(like);
        dict->shown = {head};
        auto d = dict;
        DictionaryWindowController::setDictionaryProvider([d](qint64, bool) -> TSDictionaryPtr { return d; });
        w = DictionaryWindowController::getDictionaryWindow();
        w->translateLatinString(QStringLiteral("amo"));
        waitUntil([&] { return w->modelForView(w->englishWordList)->rowCount() > 0; });
    }
    ~DictionaryFixture() {
        DictionaryWindowController::disposeDictionaryWindow();
        DictionaryWindowController::setDictionaryProvider(nullptr);
        QApplication::processEvents();
    }
    void select(std::initializer_list<DictionaryEntryPtr> entries) {
        auto* sel = w->englishWordList->selectionModel();
        sel->clearSelection();
        DictionaryEntryModel* m = w->modelForView(w->englishWordList);
        for (const auto& e : entries)
            sel->select(m->indexForEntry(e.get()), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

class VocabularyEdits : public ::testing::TestWithParam<bool> {};

}  // namespace

TEST_P(VocabularyEdits, EveryKindOfChangeMarksTheDocumentEdited) {
    Doc doc = makeDocument(GetParam());
    ASSERT_TRUE(doc.list);
    ASSERT_FALSE(doc.document->isDocumentEdited());
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    v->setVocabList(doc.list);
    v->clearEntrySelections();

    auto expectEdited = [&](const char* change) {
        EXPECT_TRUE(doc.document->isDocumentEdited()) << change;
        doc.document->updateChangeCount(ts::Document::ChangeCleared);
    };

    v->latinMeaning->setPlainText(QStringLiteral("lupus lupi"));
    v->englishMeaning->setText(QStringLiteral("wolf"));
    v->wordType->setCurrentIndex(1);
    v->addWord();
    expectEdited("a word added in the form");

    v->latinMeaning->setPlainText(QStringLiteral("rosa rosae"));
    v->englishMeaning->setText(QStringLiteral("rose"));
    v->wordType->setCurrentIndex(1);
    v->addWord();
    doc.document->updateChangeCount(ts::Document::ChangeCleared);

    selectRow(v, rowOf(doc.list, QStringLiteral("lupus lupi")));
    v->englishMeaning->setText(QStringLiteral("wolf, she-wolf"));
    v->addWord();
    expectEdited("a word saved in the form");

    v->wordList->model()->setData(v->wordList->model()->index(rowOf(doc.list, QStringLiteral("rosa rosae")), 1),
                                  QStringLiteral("rose, rose-bush"), Qt::EditRole);
    expectEdited("a meaning edited in the list");

    v->markAll();
    expectEdited("every word marked");

    RevisionWindowController* r = RevisionWindowController::getRevisionWindow();
    r->setVocabList(doc.list);
    r->setStateOfCurrentWord(false);
    expectEdited("a mark cleared in the revision window");

    {
        auto prompter = std::make_shared<ts::ScriptedPrompter>();
        ts::Prompter::Scope scope(prompter);
        prompter->queueAlertAnswer(1);
        selectRow(v, rowOf(doc.list, QStringLiteral("rosa rosae")));
        v->selectedWordShouldBeDeleted();
        ASSERT_EQ(doc.list->count(), 1);
        expectEdited("a word deleted");
    }

    {
        DictionaryFixture dictionary;
        dictionary.w->setCurrentWordList(doc.list);
        dictionary.select({dictionary.head});
        dictionary.w->addToVocab();
        ASSERT_EQ(doc.list->count(), 2);
        expectEdited("a word added from the dictionary");

        // A word of the list completed from the dictionary.
        WordPtr lupus = doc.list->objectAtIndex(quint64(rowOf(doc.list, QStringLiteral("lupus lupi"))));
        dictionary.w->setCurrentVocab(lupus, doc.list);
        dictionary.select({dictionary.like});
        dictionary.w->addToVocab();
        expectEdited("a word completed from the dictionary");
    }

    // A list that belongs to no document changing leaves the document alone.
    auto other = std::make_shared<WordController>();
    other->makeNewWord(QStringLiteral("canis"));
    EXPECT_FALSE(doc.document->isDocumentEdited());
    VocabularyWindowController::documentClosing(doc.list);
}

TEST_P(VocabularyEdits, AWordFromTheDictionaryIsThereAfterSavingAndReopening) {
    Doc doc = makeDocument(GetParam());
    DictionaryFixture dictionary;
    dictionary.w->setCurrentWordList(doc.list);
    dictionary.select({dictionary.love, dictionary.like});
    dictionary.w->addToVocab();
    ASSERT_TRUE(doc.document->isDocumentEdited());
    // The dictionary window says what it added, vocabulary window or not.
    EXPECT_TRUE(dictionary.w->statusBar()->currentMessage().contains(QStringLiteral("amo"))) 
        << dictionary.w->statusBar()->currentMessage().toStdString();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.") + doc.extension);
    ts::DocumentError error;
    ASSERT_TRUE(doc.document->saveToURL(path, doc.type, &error)) << error.description.toStdString();
    EXPECT_FALSE(doc.document->isDocumentEdited());

    WordControllerPtr again = reopenedList(doc, path);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->count(), 1);
    WordPtr w = again->objectAtIndex(0);
    EXPECT_TRUE(w->latin().startsWith(QStringLiteral("amo"))) << w->latin().toStdString();
    EXPECT_EQ(w->meaning(), QStringLiteral("love\rlike"));
    EXPECT_EQ(w->getWordType(), WordCode::Verb);
}

INSTANTIATE_TEST_SUITE_P(BothDocumentKinds, VocabularyEdits, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TwoPane" : "ParallelText"; });

TEST(VocabularyForm, LeavingTheLatinUneditedKeepsTheSavedType) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = std::make_shared<WordController>();
    WordPtr et = list->makeNewWord(QStringLiteral("et"));
    et->setMeaning(QStringLiteral("and"));
    list->changeWordType(WordCode::Conjunction, et);
    v->setVocabList(list);
    selectRow(v, 0);
    ASSERT_EQ(v->wordType->currentIndex(), int(WordCode::Conjunction));
    v->latinEditingEnded();
    EXPECT_EQ(v->wordType->currentIndex(), int(WordCode::Conjunction));
    v->addWord();
    EXPECT_EQ(list->objectAtIndex(0)->getWordType(), WordCode::Conjunction);

    // A real edit is guessed again.
    selectRow(v, 0);
    v->latinMeaning->setPlainText(QStringLiteral("amo amare amavi amatum"));
    v->latinEditingEnded();
    EXPECT_EQ(v->wordType->currentIndex(), int(WordCode::Verb));
    v->clearEntrySelections();
}

TEST(VocabularyForm, SaveKeepsTheLatinEditedInTheList) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = std::make_shared<WordController>();
    list->makeNewWord(QStringLiteral("amo"))->setMeaning(QStringLiteral("love"));
    v->setVocabList(list);
    selectRow(v, 0);
    v->englishMeaning->setText(QStringLiteral("love, like"));  // not yet saved
    v->wordList->model()->setData(v->wordList->model()->index(0, 0), QStringLiteral("amo amare"), Qt::EditRole);
    EXPECT_EQ(v->latinMeaning->toPlainText(), QStringLiteral("amo amare"));
    EXPECT_EQ(v->englishMeaning->text(), QStringLiteral("love, like"));
    v->addWord();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->objectAtIndex(0)->latin(), QStringLiteral("amo amare"));
    EXPECT_EQ(list->objectAtIndex(0)->meaning(), QStringLiteral("love, like"));
}

TEST(VocabularyForm, TheRevisionWindowFollowsDeletions) {
    VocabularyWindowController* v = VocabularyWindowController::getVocabularyWindow();
    auto list = std::make_shared<WordController>();
    for (const char* latin : {"amo", "canis", "rosa"}) list->makeNewWord(QString::fromUtf8(latin))->setMeaning(QStringLiteral("x"));
    list->sort();
    v->setVocabList(list);
    RevisionWindowController* r = RevisionWindowController::getRevisionWindow();
    r->setVocabList(list);
    r->show();
    ASSERT_TRUE(waitUntil([&] { return !r->testWord->text().isEmpty(); }));
    EXPECT_EQ(r->numWords->text(), QStringLiteral("3 words"));
    const QString asked = r->testWord->text();

    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope(prompter);
    prompter->queueAlertAnswer(1);
    selectRow(v, rowOf(list, asked));
    v->selectedWordShouldBeDeleted();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(r->numWords->text(), QStringLiteral("2 words"));
    EXPECT_FALSE(r->testWord->text().isEmpty());
    EXPECT_NE(r->testWord->text(), asked);
    r->showAnswer();
    EXPECT_EQ(r->translation->text().trimmed(), QStringLiteral("x"));

    // Deleting another word keeps the word asked and only recounts.
    const QString kept = r->testWord->text();
    prompter->queueAlertAnswer(1);
    selectRow(v, kept == QStringLiteral("rosa") ? 0 : 1);
    v->selectedWordShouldBeDeleted();
    EXPECT_EQ(r->numWords->text(), QStringLiteral("1 words"));
    EXPECT_EQ(r->testWord->text(), kept);
    r->hide();
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
