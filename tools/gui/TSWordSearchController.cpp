#include "tools/gui/TSWordSearchController.h"

#include "app/logging/LGLog.h"
#include "dictionaries/EntryWord.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/TSDictionary.h"
#include "foundation/StringExtensions.h"
#include "foundation/gui/DisableSubviews.h"
#include "morphology/TSWordFormData.h"
#include "morphology/Verb.h"
#include "platform/Dispatch.h"
#include "platform/Prompter.h"
#include "tools/gui/DictionaryEntryDelegate.h"
#include "tools/gui/DictionaryEntryModel.h"

#include <QCheckBox>
#include <QStandardItemModel>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QVBoxLayout>

#include <map>

namespace {

TSWordSearchController::DictionaryProvider gProvider;

QString loc(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key)); }

std::shared_ptr<TSDictionary> lewisAndShort() {
    return gProvider ? gProvider() : TSDictionaries::dictionaryOfType(2, false);
}

QComboBox* popup(QWidget* parent, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->addItems(items);
    return c;
}

}  // namespace

void TSWordSearchController::setDictionaryProvider(DictionaryProvider provider) {
    gProvider = std::move(provider);
}

TSWordSearchController::TSWordSearchController() {
    setObjectName(QStringLiteral("TSWordSearchController"));
    setWindowTitle(loc("Word Search"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    searchBox = new QGroupBox(central);
    auto* grid = new QGridLayout(searchBox);
    QStringList types{loc("any word")};
    for (int t = 1; t <= 11; ++t) types << DictionaryEntry::nameOfType(t);
    wordTypePopup = popup(searchBox, types);
    numSyllablesPopup = popup(searchBox, {loc("any length"), loc("1 syllable"), loc("2 syllables"), loc("3 syllables"),
                                          loc("4 syllables"), loc("5 syllables"), loc("6 syllables"), loc("7 syllables")});
    stressedSyllablePopup = popup(searchBox, {loc("any stress"), loc("stress on the last"), loc("stress on the penult"),
                                              loc("stress on the antepenult")});
    QStringList meters{loc("no metre")};
    for (int m = 1; m <= 14; ++m) {
        const QString pattern = TSWordFormDictionary::meterPattern(m);
        // Shown with a dash for a long syllable and a breve sign for a
        // short one, spaced, as a metrical scheme is printed.
        QStringList feet;
        for (QChar c : pattern) feet << (c == QChar(TSWordFormData::kLongMark) ? QStringLiteral("\u2013") : QStringLiteral("\u25E1"));
        meters << (pattern.isNull() ? QStringLiteral("—") : QStringLiteral("%1:  %2").arg(m).arg(feet.join(QLatin1Char(' '))));
    }
    meterPopup = popup(searchBox, meters);
    for (int m = 1; m <= 14; ++m)
        if (TSWordFormDictionary::meterPattern(m).isNull())
            if (auto* model = qobject_cast<QStandardItemModel*>(meterPopup->model()))
                if (QStandardItem* item = model->item(m)) item->setEnabled(false);
    QStringList conj{loc("any declension or conjugation")};
    for (int c = 1; c <= 5; ++c) conj << DictionaryEntry::nameOfConjugation(c);
    congugationPopup = popup(searchBox, conj);
    wordPartPopup = popup(searchBox, {loc("any principal parts"), loc("has a 1st part"), loc("has a 2nd part"),
                                      loc("has a 3rd part"), loc("has a 4th part")});
    QStringList genders{loc("any gender")};
    for (int g = 1; g <= 8; ++g) genders << DictionaryEntry::nameOfGender(g);
    genderPopup = popup(searchBox, genders);
    transButton = new QCheckBox(loc("transitive"), searchBox);
    intransButton = new QCheckBox(loc("intransitive"), searchBox);
    capitalButton = new QCheckBox(loc("capitalised"), searchBox);
    lowercaseButton = new QCheckBox(loc("lower case"), searchBox);
    wordBeginsButton = new QRadioButton(loc("begins with"), searchBox);
    wordEndsButton = new QRadioButton(loc("ends with"), searchBox);
    wordBeginsButton->setChecked(true);
    endingField = new QLineEdit(searchBox);
    endingField->setPlaceholderText(loc("letters"));
    grid->addWidget(wordTypePopup, 0, 0);
    grid->addWidget(numSyllablesPopup, 0, 1);
    grid->addWidget(stressedSyllablePopup, 0, 2);
    grid->addWidget(meterPopup, 0, 3);
    grid->addWidget(congugationPopup, 1, 0);
    grid->addWidget(wordPartPopup, 1, 1);
    grid->addWidget(genderPopup, 1, 2);
    auto* checks = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(transButton), static_cast<QWidget*>(intransButton),
                       static_cast<QWidget*>(capitalButton), static_cast<QWidget*>(lowercaseButton)})
        checks->addWidget(w);
    grid->addLayout(checks, 1, 3);
    auto* letters = new QHBoxLayout;
    letters->addWidget(wordBeginsButton);
    letters->addWidget(wordEndsButton);
    letters->addWidget(endingField, 1);
    grid->addLayout(letters, 2, 0, 1, 2);
    searchField = new QLineEdit(searchBox);
    searchField->setPlaceholderText(loc("English meaning"));
    searchField->setClearButtonEnabled(true);
    grid->addWidget(searchField, 2, 2, 1, 2);
    layout->addWidget(searchBox);

    progressIndicator = new QProgressBar(central);
    progressIndicator->setRange(0, 0);
    progressIndicator->setMaximumHeight(8);
    progressIndicator->setTextVisible(false);
    progressIndicator->hide();
    layout->addWidget(progressIndicator);

    resultsTable = new NBOutlineView(central);
    model_ = new DictionaryEntryModel({DictionaryEntry::kEntry, DictionaryEntry::kType, DictionaryEntry::kFreq}, resultsTable);
    // Entries of no known type, and the forms listed under an entry, leave
    // the Type cell empty rather than naming a type they do not have.
    model_->setHidesUnknownTypes(true);
    resultsTable->setModel(model_);
    resultsTable->setItemDelegate(new DictionaryEntryDelegate(resultsTable));
    resultsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsTable->header()->setStretchLastSection(false);
    resultsTable->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    resultsTable->header()->resizeSection(1, 130);
    resultsTable->header()->resizeSection(2, 70);
    resultsTable->setOutlineDelegate(this);
    layout->addWidget(resultsTable, 1);
    resultCountField = new QLabel(central);
    layout->addWidget(resultCountField);
    setCentralWidget(central);
    resize(860, 620);

    for (QComboBox* c : {numSyllablesPopup, stressedSyllablePopup, congugationPopup, wordPartPopup, genderPopup, meterPopup})
        connect(c, qOverload<int>(&QComboBox::activated), this, &TSWordSearchController::wordSearchChanged);
    connect(wordTypePopup, qOverload<int>(&QComboBox::activated), this, [this] {
        updatePopups();
        wordSearchChanged();
    });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{transButton, intransButton, capitalButton,
                                                                     lowercaseButton, wordBeginsButton, wordEndsButton})
        connect(b, &QAbstractButton::clicked, this, &TSWordSearchController::wordSearchChanged);
    connect(endingField, &QLineEdit::returnPressed, this, &TSWordSearchController::wordSearchChanged);
    connect(searchField, &QLineEdit::returnPressed, this, &TSWordSearchController::wordSearchChanged);
    updatePopups();
}

TSWordSearchController::~TSWordSearchController() {
    resultsTable->setOutlineDelegate(nullptr);
}

void TSWordSearchController::updatePopups() {
    transButton->setEnabled(false);
    intransButton->setEnabled(false);
    const int t = wordTypePopup->currentIndex();
    const bool inflected = t >= 1 && t <= 3;
    wordPartPopup->setEnabled(inflected);
    congugationPopup->setEnabled(inflected);
    if (t == 2) {
        transButton->setEnabled(true);
        intransButton->setEnabled(true);
    }
}

TSWordSearchController::Request TSWordSearchController::currentRequest() const {
    Request r;
    r.wordType = wordTypePopup->currentIndex();
    r.syllables = numSyllablesPopup->currentIndex();
    r.stress = stressedSyllablePopup->currentIndex();
    r.meter = meterPopup->currentIndex();
    const bool inflected = r.wordType >= 1 && r.wordType <= 3;
    r.conjugation = inflected ? congugationPopup->currentIndex() : 0;
    r.wordPart = inflected ? wordPartPopup->currentIndex() : 0;
    r.capitals = int(lowercaseButton->isChecked()) + 2 * int(capitalButton->isChecked());
    // Neither box ticked sets no condition on the first letter, as both
    // ticked do: to the dictionaries a 0 lets no word through, so a window
    // opened afresh would find nothing at all.
    if (r.capitals == 0) r.capitals = 3;
    r.trans = int(transButton->isChecked()) + 2 * int(intransButton->isChecked());
    r.gender = genderPopup->currentIndex();
    r.letters = endingField->text();
    r.meaning = searchField->text();
    r.begins = wordBeginsButton->isChecked();
    return r;
}

bool TSWordSearchController::isSearching() const {
    auto* self = const_cast<TSWordSearchController*>(this);
    std::lock_guard<std::mutex> lock(self->slotMutex_);
    return running_ || pending_.has_value();
}

void TSWordSearchController::wordSearchChanged() {
    const Request r = currentRequest();
    {
        std::lock_guard<std::mutex> lock(slotMutex_);
        if (running_) {
            // Waits for the running search; a later change replaces it.
            pending_ = r;
            return;
        }
        running_ = true;
    }
    start(r);
}

void TSWordSearchController::start(const Request& r) {
    startProcessing();
    std::weak_ptr<int> alive = alive_;
    ts::DispatchQueue::global()->async([this, alive, r] {
        DictionaryEntryList entries;
        bool cut = true;
        if (std::shared_ptr<TSDictionary> dictionary = lewisAndShort()) {
            dictionary->waitForInitialisation();
            if (r.meter == 0) {
                entries = runWordTypeSearch(r, *dictionary);
                // A meaning filter shows everything it lets through.
                cut = r.meaning.size() < 2;
            } else {
                TSWordFormDictionary::waitForInitialisation();
                const auto forms = TSWordFormDictionary::wordsWithMeter(r.meter, r.syllables, r.wordType, r.letters,
                                                                        r.begins, r.capitals);
                entries = buildMeterResults(forms, r.meaning, r.wordType, *dictionary);
            }
        } else {
            TSLogError("No Lewis and Short dictionary for the word search");
        }
        ts::DispatchQueue::main()->async([this, alive, entries, cut] {
            if (!alive.lock()) return;
            install(entries, cut);
            std::optional<Request> next;
            {
                std::lock_guard<std::mutex> lock(slotMutex_);
                next.swap(pending_);
                running_ = next.has_value();
            }
            if (next) start(*next);
            else {
                stopProcessing();
                Q_EMIT searchFinished();
            }
        });
    });
}

void TSWordSearchController::install(const DictionaryEntryList& entries, bool cut) {
    // The rows list the entries; their own parent links stay the dictionary's.
    DictionaryEntryPtr root = DictionaryEntry::make();
    const size_t n = cut ? std::min<size_t>(entries.size(), kMaxRows) : entries.size();
    root->children().assign(entries.begin(), entries.begin() + qsizetype(n));
    displayResults_ = root;
    model_->setRoot(root);
    resultCountField->setText(n < entries.size()
                                  ? loc("Showing the first %1 of %2 words").arg(n).arg(entries.size())
                                  : loc("%1 words").arg(entries.size()));
    for (int r = 0; r < model_->rowCount(); ++r) resultsTable->expand(model_->index(r, 0));
}

void TSWordSearchController::startProcessing() {
    progressIndicator->show();
    DisableSubviews::disableSubviewsOfType(searchBox, true, QComboBox::staticMetaObject);
    DisableSubviews::disableSubviewsOfType(searchBox, true, QAbstractButton::staticMetaObject);
}

void TSWordSearchController::stopProcessing() {
    progressIndicator->hide();
    DisableSubviews::disableSubviewsOfType(searchBox, false, QComboBox::staticMetaObject);
    DisableSubviews::disableSubviewsOfType(searchBox, false, QAbstractButton::staticMetaObject);
    updatePopups();
}

// ---- The searches ----

DictionaryEntryList TSWordSearchController::runWordTypeSearch(const Request& r, TSDictionary& dictionary) {
    DictionaryEntryList found = dictionary.wordTypeSearch(r.wordType, r.syllables, r.letters, r.begins, r.stress,
                                                          r.conjugation, r.wordPart, r.capitals, r.trans, r.gender);
    if (r.meaning.size() < 2) return found;
    return filterResults(found, r.meaning);
}

DictionaryEntryList TSWordSearchController::filterResults(const DictionaryEntryList& entries, const QString& meaning) {
    return DictionaryEntry::entriesWithMeaning(entries, meaning, true);
}

void TSWordSearchController::addForm(const QString& form, const DictionaryEntryPtr& entry) {
    if (!entry) return;
    if (entry->entry().isEmpty()) {
        for (const auto& child : entry->childList()) addForm(form, child);
        return;
    }
    for (const auto& child : entry->childList())
        if (child->entry() == form) return;
    entry->addChildAtIndex(DictionaryEntry::make(form, DictionaryEntry::WordFormSample), 0);
}

QString TSWordSearchController::stripShortVowels(const QString& text) {
    static const QString shorts = QStringLiteral("ăĕĭŏŭ");
    static const QString plain = QStringLiteral("aeiou");
    QString out = text;
    for (QChar& c : out) {
        const qsizetype i = shorts.indexOf(c);
        if (i >= 0) c = plain[i];
    }
    return out;
}

bool TSWordSearchController::infinitivesMatch(const Word& verb, int mood, int tense, bool active, const QString& found) {
    if (mood != 4) return false;
    QString part;
    if (tense == 1) part = active ? verb.getInfinitive(false) : verb.getVerbPart(2);
    else if (tense == 4) part = active ? verb.getVerbPart(1) : verb.getVerbPart(4);
    else if (tense == 2) part = active ? verb.getVerbPart(0) : verb.getVerbPart(3);
    if (part.isNull()) return false;
    if (tense == 1) return stripShortVowels(part).right(3) == stripShortVowels(found).right(3);
    if (tense == 4 && active) {
        QString a = part, b = found;
        if (!a.endsWith(QLatin1String("sse")) || !b.endsWith(QLatin1String("sse"))) {
            TSLogError("Unhandled perfect active");
            return false;
        }
        a.chop(3);
        b.chop(3);
        if (a.endsWith(QLatin1String("vi"))) a.chop(2);
        if (b.endsWith(QLatin1String("vi"))) b.chop(2);
        return a.right(2) == b.right(2);
    }
    if (tense == 4) TSLogError("Unhandled perfect passive");
    return false;
}

DictionaryEntryList TSWordSearchController::selectBestVerbEntry(const DictionaryEntryList& candidates,
                                                               const TSWordFormData& data) {
    int person = 0, tense = 0, mood = 0;
    bool singular = true, active = true;
    DictionaryEntryList kept;
    if (!data.verbPerson(&person, &singular, &tense, &mood, &active)) return kept;
    Verb verb;
    const QString found = StringExtensions::stripDiacritics(data.form());
    for (const auto& c : candidates) {
        const EntryWord::Result r = EntryWord::fromEntry(*c);
        if (!r.word || r.word->getWordType() != WordCode::Verb) continue;
        verb.setLatin(r.word->latin());
        verb.setConjugation(r.word->conjugation());
        if (mood == 4) {
            if (infinitivesMatch(verb, mood, tense, active, data.form())) kept.push_back(c);
        } else if (mood == 1 || mood == 2) {
            // A candidate fits when its conjugation has the ending the form shows.
            const QString ending = StringExtensions::stripDiacritics(
                Verb::getConjugationEnding(c->conjugation(), person, singular, mood == 1, active, tense));
            QString bare = ending;
            if (bare.startsWith(QLatin1Char('-'))) bare.remove(0, 1);
            if (!ending.isNull() && found.endsWith(bare)) kept.push_back(c);
        } else {
            TSLogError("unhandled mood %ld %@", qint64(mood), data.form());
            return {};
        }
    }
    return kept;
}

DictionaryEntryList TSWordSearchController::selectBestEntry(const DictionaryEntryList& candidates,
                                                           const TSWordFormData& data) {
    if (data.wordType() == 2) return selectBestVerbEntry(candidates, data);
    return candidates.empty() ? DictionaryEntryList{} : DictionaryEntryList{candidates.front()};
}

DictionaryEntryList TSWordSearchController::entryInDictionary(TSDictionary& dictionary, const QString& keyIn, int type,
                                                             const TSWordFormData& data) {
    QString key = keyIn;
    static const QString digits = QStringLiteral("123456789");
    while (!key.isEmpty() && digits.contains(key.front())) key.remove(0, 1);
    while (!key.isEmpty() && digits.contains(key.back())) key.chop(1);
    DictionaryEntryList found = dictionary.findWordsWithForm(key, type);
    if (found.size() >= 2) found = selectBestEntry(found, data);
    return found;
}

DictionaryEntryList TSWordSearchController::buildMeterResults(const TSWordFormDictionary::MeterResult& forms,
                                                             const QString& meaning, int wordType,
                                                             TSDictionary& dictionary) {
    std::map<QString, DictionaryEntryPtr> lemmas;
    for (const auto& [key, records] : forms)
        for (const auto& record : records) {
            if (!record) continue;
            auto known = lemmas.find(record->base());
            if (known != lemmas.end()) {
                addForm(record->form(), known->second);
                continue;
            }
            QString base = record->base();
            base.remove(QLatin1Char('-'));
            const DictionaryEntryList candidates = entryInDictionary(dictionary, base, wordType, *record);
            DictionaryEntryPtr entry;
            if (candidates.size() == 1) {
                entry = candidates.front()->copyEntry();
            } else if (candidates.size() > 1) {
                entry = DictionaryEntry::make();
                for (const auto& c : candidates) entry->children().push_back(c->copyEntry());
            }
            if (entry) {
                lemmas[record->base()] = entry;
                addForm(record->form(), entry);
            } else {
                // Listed under its own form, naming the lemma nobody has.
                entry = DictionaryEntry::make(record->form(), std::max(0, record->wordType()));
                entry->setKey(record->base());
                entry->addChild(DictionaryEntry::make(record->base(), DictionaryEntry::Root));
                lemmas[record->base()] = entry;
            }
        }
    DictionaryEntryList out;
    for (const auto& [base, entry] : lemmas)
        if (meaning.isEmpty() || entry->containsMeaning(meaning, true)) out.push_back(entry);
    std::stable_sort(out.begin(), out.end(), [](const DictionaryEntryPtr& a, const DictionaryEntryPtr& b) {
        return a->entry() < b->entry();
    });
    return out;
}
