// The word-form window's tags and lines, and the word and metre search's
// filters, row limit, pending request and lemma matching, over a dictionary
// the test makes.

#include "dictionaries/TSDictionary.h"
#include "morphology/TSWordFormData.h"
#include "tools/gui/TSWordFormWindowController.h"
#include "tools/gui/TSWordSearchController.h"
#include "support/GuiTestSupport.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct Choice {
    int type, mood = 0, tense = 0;
    const char* person = nullptr;  // "1s" ... "3p"
    bool active = true, plural = false;
    char gender = 0;
    int theCase = 0;
    const char* root = "";
};

}  // namespace

TEST(WordFormWindow, TagsAndLines) {
    TSWordFormWindowController w;
    struct Case { const char* form; Choice c; const char* line; };  // line "" when incomplete
    const Case cases[] = {
        {"saepe", {4}, "saepe\td--------\tsaepe\tsaepe"},
        {"amō", {2, 1, 1, "1s", true, false, 0, 0, "amo"}, "amo\tv1spia---\tamo\tamo_"},
        {"amō", {2, 1, 1, nullptr, true, false, 0, 0, "amo"}, ""},
        {"amāre", {2, 4, 1, nullptr, true, false, 0, 0, "amo"}, "amare\tv--pna---\tamo\tama_re"},
        {"Ōrātiō", {1, 0, 0, nullptr, true, false, 'f', 1, "oratio"}, "Oratio\tn-s---fn-\toratio\tO_ra_tio_"},
        {"amātae", {2, 8, 4, nullptr, false, true, 'f', 1, "amo"}, "amatae\tv-prppfn-\tamo\tama_tae"},
    };
    for (const Case& k : cases) {
        w.setWordForm(QString::fromUtf8(k.form));
        w.typePopup->setCurrentIndex(k.c.type);
        w.moodPopup->setCurrentIndex(k.c.mood);
        w.tensePopup->setCurrentIndex(k.c.tense);
        w.updateType();
        QButtonGroup* persons = w.firstSing->group();
        persons->setExclusive(false);
        for (QAbstractButton* b : persons->buttons()) b->setChecked(false);
        persons->setExclusive(true);
        if (k.c.person) {
            const QString p = QString::fromLatin1(k.c.person);
            QRadioButton* pick[] = {w.firstSing, w.secondSing, w.thirdSing, w.firstPlural, w.secondPlural, w.thirdPlural};
            pick[(p[0].digitValue() - 1) + (p[1] == QLatin1Char('p') ? 3 : 0)]->setChecked(true);
        }
        (k.c.active ? w.activeButton : w.passiveButton)->setChecked(true);
        (k.c.plural ? w.pluralNounButton : w.singularNounButton)->setChecked(true);
        if (k.c.gender == 'f') w.femaleButton->setChecked(true);
        w.casePopup->setCurrentIndex(k.c.theCase);
        w.wordRootField->setText(QString::fromUtf8(k.c.root));
        w.updateOutputLabel();
        const bool complete = *k.line != 0;
        EXPECT_EQ(w.addButton->isEnabled(), complete) << k.form;
        if (complete) {
            EXPECT_EQ(w.outputLine(), QString::fromUtf8(k.line)) << k.form;
        }
    }
    // A participle opens the noun controls too.
    w.typePopup->setCurrentIndex(2);
    w.moodPopup->setCurrentIndex(8);
    w.updateType();
    EXPECT_TRUE(w.casePopup->isEnabled());
    EXPECT_EQ(TSWordFormWindowController::makeMacronString(QStringLiteral("Ȳȳū")), QStringLiteral("Y_y_u_"));
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        w.setWordForm(QStringLiteral("amāvistī"));
        w.typePopup->setCurrentIndex(2);
        w.moodPopup->setCurrentIndex(1);
        w.tensePopup->setCurrentIndex(4);
        w.secondSing->setChecked(true);
        w.activeButton->setChecked(true);
        w.wordRootField->setText(QStringLiteral("amo"));
        w.updateType();
        w.updateOutputLabel();
        w.show();
        QApplication::processEvents();
        EXPECT_TRUE(w.grab().save(gallery + QStringLiteral("/word-form.png")));
    }
}

namespace {

// Headwords the test makes; answers a word-type search with all of them,
// slowly when asked, and form look-ups by key.
class MadeDictionary : public TSDictionary {
public:
    DictionaryEntryList all;
    std::atomic<int> searches{0};
    std::atomic<int> delayMs{0};
    std::atomic<int> lastCapitals{-1};
    DictionaryEntryList wordTypeSearch(int, int, const QString& letters, bool, int, int, int, int capitals, int, int) override {
        ++searches;
        lastCapitals = capitals;
        if (delayMs) QThread::msleep(delayMs);
        DictionaryEntryList out;
        for (const auto& e : all)
            if (e->entry().startsWith(letters)) out.push_back(e);
        return out;
    }
    DictionaryEntryList findWordsWithForm(const QString& form, int) override {
        DictionaryEntryList out;
        for (const auto& e : all)
            if (e->key() == form || e->key() == form + QLatin1Char('1') || e->key() == form + QLatin1Char('2')) out.push_back(e);
        return out;
    }
};

DictionaryEntryPtr headword(const QString& text, const QString& key, int type, const char* meaning) {
    auto e = DictionaryEntry::make(text, type);
    e->setKey(key);
    e->addChild(DictionaryEntry::make(QString::fromUtf8(meaning), DictionaryEntry::Meaning));
    return e;
}

}  // namespace

TEST(WordSearch, FiltersLimitsAndTheLatestRequest) {
    auto dict = std::make_shared<MadeDictionary>();
    for (int i = 0; i < 1200; ++i)
        dict->all.push_back(headword(QStringLiteral("a%1").arg(i, 4, 10, QLatin1Char('0')), QString(), 1,
                                     i % 2 ? "red" : "rose"));
    TSWordSearchController::setDictionaryProvider([dict] { return dict; });
    TSWordSearchController w;
    w.wordSearchChanged();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    EXPECT_EQ(w.getWordList()->childCount(), TSWordSearchController::kMaxRows);
    EXPECT_EQ(w.resultCountField->text(), QStringLiteral("Showing the first 1000 of 1200 words"));
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        w.resize(900, 560);
        w.show();
        QApplication::processEvents();
        EXPECT_TRUE(w.grab().save(gallery + QStringLiteral("/word-search.png")));
    }

    // One letter of meaning is no filter; two letters filter and are not cut.
    w.searchField->setText(QStringLiteral("r"));
    w.wordSearchChanged();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    EXPECT_EQ(w.getWordList()->childCount(), TSWordSearchController::kMaxRows);
    w.searchField->setText(QStringLiteral("ros"));
    w.wordSearchChanged();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    EXPECT_EQ(w.getWordList()->childCount(), 600);
    // The dictionary's headwords keep their own parents.
    EXPECT_FALSE(dict->all.front()->parent());

    // Changes made while a search runs end in the latest one, once.
    w.searchField->clear();
    dict->delayMs = 150;
    const int before = dict->searches;
    w.endingField->setText(QStringLiteral("a0"));
    w.wordSearchChanged();
    w.endingField->setText(QStringLiteral("a00"));
    w.wordSearchChanged();
    w.endingField->setText(QStringLiteral("a000"));
    w.wordSearchChanged();
    ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
    EXPECT_EQ(dict->searches - before, 2);
    EXPECT_EQ(w.getWordList()->childCount(), 10);
    TSWordSearchController::setDictionaryProvider(nullptr);
}

// The two first-letter boxes: unticked, as a new window has them, they set
// no condition, where the dictionary's own 0 lets nothing through (tested
// with the dictionary's search).
TEST(WordSearch, UntickedCapitalBoxesFindWordsOfEitherCase) {
    auto dict = std::make_shared<MadeDictionary>();
    dict->all = {headword(QStringLiteral("Roma"), QString(), 1, "Rome"), headword(QStringLiteral("rosa"), QString(), 1, "rose")};
    TSWordSearchController::setDictionaryProvider([dict] { return dict; });
    TSWordSearchController w;
    EXPECT_FALSE(w.capitalButton->isChecked() || w.lowercaseButton->isChecked());
    const struct {
        bool lower, capital;
        int sent;
    } cases[] = {{false, false, 3}, {true, false, 1}, {false, true, 2}, {true, true, 3}};
    for (const auto& c : cases) {
        w.lowercaseButton->setChecked(c.lower);
        w.capitalButton->setChecked(c.capital);
        EXPECT_EQ(w.currentRequest().capitals, c.sent);
        w.wordSearchChanged();
        ASSERT_TRUE(waitUntil([&] { return !w.isSearching(); }));
        EXPECT_EQ(dict->lastCapitals, c.sent);
    }
    TSWordSearchController::setDictionaryProvider(nullptr);
}

TEST(WordSearch, MetreFormsGoUnderTheirLemmas) {
    MadeDictionary dict;
    dict.all = {headword(QStringLiteral("rosa"), QStringLiteral("rosa"), 1, "rose"),
                headword(QStringLiteral("mālum"), QStringLiteral("malum1"), 1, "apple"),
                headword(QStringLiteral("malum"), QStringLiteral("malum2"), 1, "evil")};
    TSWordFormDictionary::MeterResult forms;
    auto rec = [](const char* form, const char* base, const char* tag) {
        return std::make_shared<TSWordFormData>(QString::fromUtf8(form), QString::fromUtf8(base), QString::fromUtf8(tag));
    };
    forms[QStringLiteral("rosae")] = {rec("rosae", "rosa", "n-p---fn-"), rec("rosae", "rosa", "n-s---fg-")};
    forms[QStringLiteral("rosās")] = {rec("rosās", "rosa", "n-p---fa-")};
    forms[QStringLiteral("mala")] = {rec("mala", "malum", "n-p---nn-")};
    forms[QStringLiteral("xyz")] = {rec("xyzī", "xyz-us", "n-s---mg-")};
    const DictionaryEntryList out = TSWordSearchController::buildMeterResults(forms, QString(), 1, dict);
    ASSERT_EQ(out.size(), 3u);
    // Sorted by headword; of two nouns for one lemma the first is taken.
    EXPECT_EQ(out[0]->entry(), QStringLiteral("mālum"));
    EXPECT_EQ(out[0]->childList().front()->entry(), QStringLiteral("mala"));
    const DictionaryEntryPtr rosa = out[1];
    EXPECT_EQ(rosa->entry(), QStringLiteral("rosa"));
    QStringList samples;
    for (const auto& c : rosa->childList())
        if (c->type() == DictionaryEntry::WordFormSample) samples << c->entry();
    EXPECT_EQ(samples, (QStringList{QStringLiteral("rosās"), QStringLiteral("rosae")}));
    EXPECT_EQ(dict.all[0]->childCount(), 1);  // the dictionary's own entries are untouched
    EXPECT_EQ(dict.all[1]->childCount(), 1);
    EXPECT_EQ(out[2]->entry(), QStringLiteral("xyzī"));
    ASSERT_EQ(out[2]->childCount(), 1);
    EXPECT_EQ(out[2]->childList().front()->type(), int(DictionaryEntry::Root));
    // The meaning filters in metre mode whatever its length.
    EXPECT_EQ(TSWordSearchController::buildMeterResults(forms, QStringLiteral("e"), 1, dict).size(), 2u);
}

TEST(WordFormWindow, AnAddedFormIsFoundByTheMetreSearchAfterAReload) {
    QTemporaryDir dir;
    TSWordFormDictionary::resetSharedState();
    TSWordFormDictionary::Locations places;
    places.supportDirectory = dir.filePath(QStringLiteral("support"));
    places.temporaryDirectory = dir.filePath(QStringLiteral("tmp"));
    QDir().mkpath(places.supportDirectory);
    {
        QFile list(places.supportDirectory + QStringLiteral("/macrons.txt"));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write("rosa\tn-s---fn-\trosa\trosa\nrosae\tn-p---fn-\trosa\trosae\n");
    }
    TSWordFormDictionary::setLocations(places);
    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());

    TSWordFormWindowController w;
    w.setWordForm(QStringLiteral("amāvistī"));
    w.typePopup->setCurrentIndex(2);
    w.moodPopup->setCurrentIndex(1);
    w.tensePopup->setCurrentIndex(4);
    w.secondSing->setChecked(true);
    w.activeButton->setChecked(true);
    w.wordRootField->setText(QStringLiteral("amo"));
    w.updateType();
    w.updateOutputLabel();
    ASSERT_TRUE(w.addWordForm());

    // A new run: the cache is read back.
    TSWordFormDictionary::resetSharedState();
    TSWordFormDictionary::setLocations(places);
    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());
    TSWordFormDictionary::MeterResult found;
    for (int meter = 1; meter <= 14 && found.empty(); ++meter) {
        auto r = TSWordFormDictionary::wordsWithMeter(meter, 0, 2, QStringLiteral("am"), true, 3);
        for (auto& [key, records] : r)
            for (auto& rec : records)
                if (rec->form() == QStringLiteral("amāvistī")) found[key].push_back(rec);
    }
    ASSERT_FALSE(found.empty());
    MadeDictionary dict;
    dict.all = {headword(QStringLiteral("amo amare amavi amatum"), QStringLiteral("amo"), 2, "love")};
    const DictionaryEntryList out = TSWordSearchController::buildMeterResults(found, QString(), 2, dict);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->entry(), QStringLiteral("amo amare amavi amatum"));
    EXPECT_EQ(out[0]->childList().front()->entry(), QStringLiteral("amāvistī"));
    TSWordFormDictionary::resetSharedState();
}

// Metre −uu with the letters "lum": forms stored with long marks are found
// from plain letters; the Type column names each entry's part of speech
// (from the form when no dictionary entry matched) and leaves word-form rows
// empty. Writes word-search-metre.png.
TEST(WordSearch, MetreWithTypedLettersFindsMarkedFormsAndShowsKnownTypes) {
    QTemporaryDir dir;
    TSWordFormDictionary::resetSharedState();
    TSWordFormDictionary::Locations places;
    places.supportDirectory = dir.filePath(QStringLiteral("support"));
    places.temporaryDirectory = dir.filePath(QStringLiteral("tmp"));
    QDir().mkpath(places.supportDirectory);
    {
        QFile list(places.supportDirectory + QStringLiteral("/macrons.txt"));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write("lumina\tn-p---nn-\tlumen\tlu_mina\nluminis\tn-s---ng-\tlumen\tlu_minis\n"
                   "lumbulus\tn-s---mn-\tlumbulus\tlumbulus\nlumbricus\tn-s---mn-\tlumbricus\tlumbricus\n"
                   "rosarum\tn-p---fg-\trosa\trosa_rum\n");
    }
    TSWordFormDictionary::setLocations(places);
    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());
    auto dict = std::make_shared<MadeDictionary>();
    dict->all = {headword(QStringLiteral("lūmen, inis, n."), QStringLiteral("lumen"), 1, "light, a lamp; the eye"),
                 headword(QStringLiteral("lumbricus, i, m."), QStringLiteral("lumbricus"), 1, "an intestinal worm")};
    TSWordSearchController::setDictionaryProvider([dict] { return dict; });

    TSWordSearchController w;
    w.resize(900, 560);
    w.show();
    w.meterPopup->setCurrentIndex(1);  // − u u
    ASSERT_EQ(TSWordFormDictionary::meterPattern(1).size(), 3);
    w.endingField->setText(QStringLiteral("lum"));
    w.wordBeginsButton->setChecked(true);
    QSignalSpy finished(&w, &TSWordSearchController::searchFinished);
    w.wordSearchChanged();
    ASSERT_TRUE(waitUntil([&] { return !finished.isEmpty() && !w.isSearching(); }));
    auto* model = w.resultsTable->model();
    const int type = 1;
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QModelIndex top = model->index(r, 0);
        rows << top.data().toString() + " | " + model->index(r, type).data().toString();
        for (int c = 0; c < model->rowCount(top); ++c) {
            const QModelIndex child = model->index(c, 0, top);
            rows << "  " + child.data().toString() + " | " + model->index(c, type, top).data().toString();
        }
    }
    EXPECT_EQ(rows.join('\n').toStdString(),
              QStringList({"lumbricus, i, m. | noun", "  lumbricus | ", "  an intestinal worm | ", "lumbulus | noun",
                           "  lumbulus | ", "lūmen, inis, n. | noun", "  lūminis | ", "  lūmina | ", "  light, a lamp; the eye | "})
                  .join('\n')
                  .toStdString());
    w.resultsTable->expandAll();
    QApplication::processEvents();
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        EXPECT_TRUE(w.grab().save(gallery + QStringLiteral("/word-search-metre.png")));
    }
    TSWordSearchController::setDictionaryProvider(nullptr);
    TSWordFormDictionary::resetSharedState();
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
