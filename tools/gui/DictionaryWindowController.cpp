#include "tools/gui/DictionaryWindowController.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryController.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/TSDictionary.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Dispatch.h"
#include "tools/gui/DictionaryEntryDelegate.h"
#include "tools/gui/DictionaryEntryModel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCollator>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <QSet>

#include <algorithm>

namespace {

DictionaryWindowController* gShared = nullptr;
DictionaryWindowController::DictionaryProvider gProvider;

const QString kTrimCharacters = QStringLiteral(" ,\t\n\r");
constexpr int kMaxRecentSearches = 10;

QString text(const char* key) { return DictionaryEntry::localized(QString::fromUtf8(key)); }

// The plural names of the types, sorted as the locale sorts without case.
QStringList sortedPluralNames(std::initializer_list<int> types) {
    QStringList names;
    for (int t : types) names << DictionaryEntry::pluralNameOfType(t);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return names;
}

void addItems(QComboBox* popup, const QStringList& names) {
    for (const QString& n : names) popup->addItem(n);
}

}  // namespace

struct DictionaryWindowController::Tab {
    DictionaryEntryModel* model = nullptr;
    bool changed = false;
    quint64 generation = 0;  // of the look-up whose answer is awaited
    bool running = false;
    QStringList recents;
};

// ---- The shared window ----

DictionaryWindowController* DictionaryWindowController::getDictionaryWindow() {
    if (!gShared) gShared = new DictionaryWindowController;
    return gShared;
}

DictionaryWindowController* DictionaryWindowController::showDictionaryWindow() {
    DictionaryWindowController* w = getDictionaryWindow();
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

void DictionaryWindowController::disposeDictionaryWindow() {
    DictionaryWindowController* w = gShared;
    gShared = nullptr;
    if (!w) return;
    w->hide();
    w->deleteLater();
}

void DictionaryWindowController::setDictionaryProvider(DictionaryProvider provider) {
    gProvider = std::move(provider);
}

TSDictionaryPtr DictionaryWindowController::dictionaryOfType(qint64 type, bool englishToLatin) {
    return gProvider ? gProvider(type, englishToLatin) : TSDictionaries::dictionaryOfType(type, englishToLatin);
}

QString DictionaryWindowController::trimCharacters(const QString& text, const QString& characters) {
    qsizetype start = 0, end = text.size();
    while (start < end && characters.contains(text[start])) ++start;
    while (end > start && characters.contains(text[end - 1])) --end;
    return text.mid(start, end - start);
}

bool DictionaryWindowController::hasDictionaryWindow() {
    return gShared != nullptr;
}

QString DictionaryWindowController::firstWord(const QString& textIn, bool wordsActive) {
    const QString t = trimCharacters(textIn, kTrimCharacters);
    if (wordsActive && !TSDictionary::isRegexString(textIn)) {
        const QStringList parts = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        return parts.isEmpty() ? QString() : parts.first();
    }
    return t;
}

QString DictionaryWindowController::prettifyTranslationString(const QString& raw) {
    QString s = raw;
    if (!s.isEmpty() && s[0] == QLatin1Char('\n')) s.remove(0, 1);
    const QString placeholder = QStringLiteral("!@#$%");
    s.replace(QStringLiteral("; "), placeholder);
    s.replace(QLatin1Char(';'), QStringLiteral("\n---------------"));
    s.replace(placeholder, QStringLiteral("; "));
    return s;
}

// ---- Building the window ----

DictionaryWindowController::DictionaryWindowController() {
    tabs_[0] = std::make_unique<Tab>();
    tabs_[1] = std::make_unique<Tab>();
    setWindowTitle(text("Dictionary"));
    setObjectName(QStringLiteral("Dictionary"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    PreferencesPtr prefs = Preferences::preferences();
    if (prefs && prefs->floatDictionaryWindow()) {
        // A floating panel stays above the documents it serves.
        setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    }

    languageTab = new QTabWidget(this);
    languageTab->addTab(buildTab(0), text("Latin"));
    languageTab->addTab(buildTab(1), text("English"));
    setCentralWidget(languageTab);
    resize(640, 560);

    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this);
    connect(next, &QShortcut::activated, this, &DictionaryWindowController::nextScreen);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this);
    connect(previous, &QShortcut::activated, this, &DictionaryWindowController::previousScreen);

    // Entries made elsewhere (the entry editor) and the settings' request to
    // close: the handlers may run on any thread.
    std::weak_ptr<int> alive = alive_;
    auto& center = ts::NotificationCenter::defaultCenter();
    std::shared_ptr<PendingEntries> pending = pending_;
    auto entryHandler = [this, alive, pending](bool englishTab) {
        // Nothing of the window is touched here: the handler runs on the
        // posting thread and may outlive it.
        return [this, alive, pending, englishTab](const ts::Notification& n) {
            // The converters post the entry as the notification's sender;
            // others may hand it in the user info.
            DictionaryEntryPtr entry;
            auto object = n.userInfo.find(QStringLiteral("object"));
            if (object != n.userInfo.end()) entry = object->second.toObjectAs<DictionaryEntry>();
            else if (n.sender)
                entry = std::dynamic_pointer_cast<DictionaryEntry>(
                    std::const_pointer_cast<ts::Object>(static_cast<const DictionaryEntry*>(n.sender)->weak_from_this().lock()));
            if (!entry) return;
            bool schedule = false;
            {
                std::lock_guard<std::mutex> lock(pending->mutex);
                auto& list = englishTab ? pending->latin : pending->english;
                schedule = pending->latin.empty() && pending->english.empty();
                list.push_back(entry);
            }
            // A conversion posts thousands: they are shown in batches.
            if (schedule)
                ts::DispatchQueue::main()->async([this, alive] {
                    if (alive.lock()) flushNewEntries();
                });
        };
    };
    observers_.push_back(center.addObserver(QStringLiteral("NEW EL entry"), nullptr, entryHandler(true)));
    observers_.push_back(center.addObserver(QStringLiteral("NEW TS entry"), nullptr, entryHandler(false)));
    observers_.push_back(center.addObserver(QStringLiteral("CloseDictionaryWindow"), nullptr, [this, alive](const ts::Notification&) {
        ts::DispatchQueue::main()->async([this, alive] {
            if (!alive.lock()) return;
            if (gShared == this) disposeDictionaryWindow();
            else deleteLater();
        });
    }));

    setupWordTypePopups();
    setupEntryTypePopups();
    setupADictionaryPopup(latinDictionaryPopup);
    setupADictionaryPopup(englishToLatinDictionaryPopup);
    selectDictionaryItem(latinDictionaryPopup, TSDictionaries::currentDictionary(false));
    selectDictionaryItem(englishToLatinDictionaryPopup, TSDictionaries::currentDictionary(true));
    // Loads both chosen dictionaries before the first look-up needs them.
    dictionaryOfType(-1, true);
    dictionaryOfType(-1, false);
    englishWordList->setOutlineDelegate(this);
    latinWordList->setOutlineDelegate(this);
    setOutlineViewEditingSettings(englishWordList);
    setOutlineViewEditingSettings(latinWordList);
    showAttribution(0);
    showAttribution(1);
}

DictionaryWindowController::~DictionaryWindowController() {
    observers_.clear();
    if (gShared == this) gShared = nullptr;
    englishWordList->setOutlineDelegate(nullptr);
    latinWordList->setOutlineDelegate(nullptr);
}

DictionaryWindowController::Tab& DictionaryWindowController::tab(int index) { return *tabs_[index == 1 ? 1 : 0]; }
const DictionaryWindowController::Tab& DictionaryWindowController::tab(int index) const { return *tabs_[index == 1 ? 1 : 0]; }

QWidget* DictionaryWindowController::buildTab(int index) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* field = new QLineEdit(page);
    field->setClearButtonEnabled(true);
    field->setPlaceholderText(index == 0 ? text("Latin word") : text("English word"));
    QAction* recents = field->addAction(
        QIcon::fromTheme(QStringLiteral("edit-find"), style()->standardIcon(QStyle::SP_FileDialogContentsView)),
        QLineEdit::LeadingPosition);
    recents->setToolTip(text("Recent Searches"));
    connect(recents, &QAction::triggered, this, [this, index] { showRecentSearches(index); });

    auto* dictionary = new QComboBox(page);
    auto* wordType = new QComboBox(page);
    auto* entryType = new QComboBox(page);
    auto* progress = new QProgressBar(page);
    progress->setRange(0, 0);
    progress->setMaximumWidth(90);
    progress->setTextVisible(false);
    progress->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(field, 1);
    top->addWidget(dictionary);
    layout->addLayout(top);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(text("Word type:"), page));
    filters->addWidget(wordType);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(text("Search in:"), page));
    filters->addWidget(entryType);
    filters->addStretch(1);
    filters->addWidget(progress);
    if (index == 0) {
        auto* prev = new QPushButton(text("Previous"), page);
        auto* next = new QPushButton(text("Next"), page);
        prev->setToolTip(text("The headword before the one shown"));
        next->setToolTip(text("The headword after the one shown"));
        connect(prev, &QPushButton::clicked, this, &DictionaryWindowController::goPrev);
        connect(next, &QPushButton::clicked, this, &DictionaryWindowController::goNext);
        filters->addWidget(prev);
        filters->addWidget(next);
    }
    layout->addLayout(filters);

    auto* translation = new QTextEdit(page);
    translation->setReadOnly(true);
    translation->setAcceptRichText(false);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    translation->setFont(mono);

    auto* outline = new NBOutlineView(page);
    auto* model = new DictionaryEntryModel(
        {DictionaryEntry::kEntry, DictionaryEntry::kType, DictionaryEntry::kFreq}, outline);
    outline->setModel(model);
    model->setEditHandler([this, outline](const QModelIndex& at, const QString& value) {
        return setEntryText(outline, at, value);
    });
    outline->setItemDelegate(new DictionaryEntryDelegate(outline));
    // Several meanings go into one vocabulary word: Shift and Ctrl clicks
    // (and Shift with the arrow keys) add rows to the selection.
    outline->setSelectionMode(QAbstractItemView::ExtendedSelection);
    outline->setAlternatingRowColors(false);
    outline->setSortingEnabled(false);
    outline->header()->setSectionsClickable(true);
    outline->header()->setSortIndicatorShown(true);
    // Rows come in the dictionary's order until a header is clicked.
    outline->header()->setSortIndicator(-1, Qt::AscendingOrder);
    outline->header()->setStretchLastSection(false);
    outline->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    outline->header()->resizeSection(1, 130);
    outline->header()->resizeSection(2, 70);
    connect(outline->header(), &QHeaderView::sortIndicatorChanged, this, [this, outline](int column, Qt::SortOrder order) {
        DictionaryEntryModel* m = modelForView(outline);
        if (!m || !m->root()) return;
        DictionaryEntry::SortDescriptor d;
        const QString id = m->identifier(column);
        d.key = id == DictionaryEntry::kEntry ? QStringLiteral("entry") : id == DictionaryEntry::kType ? QStringLiteral("type") : id;
        d.ascending = order == Qt::AscendingOrder;
        // The English tab's rows are Latin words, sorted among themselves;
        // the Latin tab keeps its headwords in the dictionary's order and
        // sorts what lies under each.
        if (outline == latinWordList) m->root()->sortUsingDescriptors({d});
        else m->root()->sortChildrenUsingDescriptors({d});
        m->reload();
        expandFirstLevelItems(outline);
    });
    // Rows follow the entry column's width.
    connect(outline->header(), &QHeaderView::sectionResized, outline, [outline](int, int, int) { outline->doItemsLayout(); });

    auto* split = new QSplitter(Qt::Vertical, page);
    split->addWidget(translation);
    split->addWidget(outline);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    tab(index).model = model;
    if (index == 0) {
        latinText = field;
        latinDictionaryPopup = dictionary;
        latinToEnglishWordTypeButton = wordType;
        latinSearchEntryButton = entryType;
        lToEProgressIndicator = progress;
        englishTranslation = translation;
        englishWordList = outline;
    } else {
        englishText = field;
        englishToLatinDictionaryPopup = dictionary;
        englishToLatinWordTypeButton = wordType;
        englishSearchEntryButton = entryType;
        eToLProgressIndicator = progress;
        latinTranslation = translation;
        latinWordList = outline;
    }
    setWordList(DictionaryEntry::make(), outline);

    // Only this window's own fields count as edits of its search.
    connect(field, &QLineEdit::textEdited, this, [this, index] {
        tab(index).changed = true;
        currentVocab_.reset();
    });
    connect(field, &QLineEdit::editingFinished, this, [this, index] {
        if (!tab(index).changed) return;
        tab(index).changed = false;
        translate(index);
    });
    connect(field, &QLineEdit::returnPressed, this, [this, index] {
        // Return looks up again even when the text did not change.
        if (tab(index).changed) return;
        translate(index);
    });
    for (QComboBox* popup : {wordType, entryType})
        connect(popup, qOverload<int>(&QComboBox::activated), this, [this, index] { translate(index); });
    connect(dictionary, qOverload<int>(&QComboBox::activated), this, [this, index, dictionary](int row) {
        const int t = dictionary->itemData(row).toInt();
        if (index == 0)
            changeLatinToEnglishDictionary(t, QGuiApplication::keyboardModifiers() & Qt::AltModifier);
        else
            changeEnglishToLatinDictionary(t);
    });
    return page;
}

void DictionaryWindowController::setupWordTypePopups() {
    for (QComboBox* popup : {englishToLatinWordTypeButton, latinToEnglishWordTypeButton}) {
        popup->clear();
        popup->addItem(text("all"));
        popup->insertSeparator(popup->count());
        addItems(popup, sortedPluralNames({1, 2, 3, 4, 5, 6, 7, 8, 9, 24}));
        popup->insertSeparator(popup->count());
        addItems(popup, sortedPluralNames({10, 11, 19, 23}));
        popup->insertSeparator(popup->count());
        addItems(popup, sortedPluralNames({21, 22, 25, 26}));
    }
}

void DictionaryWindowController::setupEntryTypePopups() {
    englishSearchEntryButton->clear();
    englishSearchEntryButton->addItem(text("all"));
    englishSearchEntryButton->insertSeparator(1);
    addItems(englishSearchEntryButton, sortedPluralNames({13, 16, 20, 18}));
    englishSearchEntryButton->setCurrentIndex(englishSearchEntryButton->findText(DictionaryEntry::pluralNameOfType(13)));

    latinSearchEntryButton->clear();
    latinSearchEntryButton->addItem(text("orthography"));
    latinSearchEntryButton->insertSeparator(1);
    latinSearchEntryButton->addItem(text("all"));
    latinSearchEntryButton->insertSeparator(3);
    for (int t : {12, 16, 20, 18}) latinSearchEntryButton->addItem(DictionaryEntry::pluralNameOfType(t));
    latinSearchEntryButton->setCurrentIndex(0);
}

void DictionaryWindowController::setupADictionaryPopup(QComboBox* popup) {
    popup->clear();
    popup->addItem(text("Whitaker's Words"), 0);
    popup->addItem(text("Elementary Lewis"), 1);
    popup->addItem(text("Lewis and Short"), 2);
    const QStringList names = TSDictionaries::dictionaryNames();
    for (int i = 0; i < names.size(); ++i) popup->addItem(names[i], 3 + i);
}

void DictionaryWindowController::selectDictionaryItem(QComboBox* popup, int tag) {
    const int row = popup->findData(tag);
    if (row >= 0) popup->setCurrentIndex(row);
}

void DictionaryWindowController::showAttribution(int index) {
    TSDictionaryPtr d = dictionaryOfType(-1, index == 1);
    const QString a = d ? d->attribution() : QString();
    (index == 0 ? englishTranslation : latinTranslation)->setPlainText(a);
}

void DictionaryWindowController::setOutlineViewEditingSettings(NBOutlineView* view) {
    TSDictionaryPtr d = dictionaryOfType(-1, view == latinWordList);
    view->setEditTriggers(d && d->isEditable() ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                               : QAbstractItemView::NoEditTriggers);
}

// ---- Calls from other windows ----

void DictionaryWindowController::translateLatinString(const QString& s) {
    selectLatinTab();
    latinText->setText(s);
    tab(0).changed = false;
    translateToEnglish();
    QPointer<QLineEdit> field = latinText;
    QMetaObject::invokeMethod(this, [field] { if (field) field->setFocus(); }, Qt::QueuedConnection);
}

void DictionaryWindowController::translateEnglishString(const QString& s) {
    selectEnglishTab();
    englishText->setText(s);
    tab(1).changed = false;
    translateToLatin();
    QPointer<QLineEdit> field = englishText;
    QMetaObject::invokeMethod(this, [field] { if (field) field->setFocus(); }, Qt::QueuedConnection);
}

void DictionaryWindowController::selectLatinTab() { languageTab->setCurrentIndex(0); }
void DictionaryWindowController::selectEnglishTab() { languageTab->setCurrentIndex(1); }

void DictionaryWindowController::setCurrentWordList(std::shared_ptr<WordController> list) {
    currentWordList_ = std::move(list);
}

void DictionaryWindowController::setCurrentVocab(std::shared_ptr<Word> word, std::shared_ptr<WordController> list) {
    currentVocab_ = std::move(word);
    currentWordList_ = std::move(list);
}

// ---- Looking up ----

int DictionaryWindowController::wordTypeOf(const QComboBox* popup) const {
    return DictionaryEntry::typeForPluralName(popup->currentText());
}

int DictionaryWindowController::entryTypeOf(int index) const {
    const QComboBox* popup = index == 0 ? latinSearchEntryButton : englishSearchEntryButton;
    const int t = DictionaryEntry::typeForPluralName(popup->currentText());
    if (index == 0 && t == 0 && popup->currentText() == text("orthography")) return -1;
    return t;
}

void DictionaryWindowController::translateToEnglish() {
    lookUp(0, latinText->text(), wordTypeOf(latinToEnglishWordTypeButton), entryTypeOf(0), -1, nullptr);
}

void DictionaryWindowController::translate(int index) {
    index == 0 ? translateToEnglish() : translateToLatin();
}

void DictionaryWindowController::translateToLatin() {
    const bool wordsActive = TSDictionaries::currentDictionary(true) == 0;
    lookUp(1, firstWord(englishText->text(), wordsActive), wordTypeOf(englishToLatinWordTypeButton), entryTypeOf(1), -1,
           nullptr);
}

void DictionaryWindowController::lookUp(int index, const QString& input, int wordType, int entryType,
                                        qint64 dictionaryType, const DictionaryEntryPtr& compareEntry) {
    const QString word = trimCharacters(input, kTrimCharacters);
    if (word.isEmpty()) return;
    rememberSearch(index, word);
    Tab& t = tab(index);
    const bool englishToLatin = index == 1;
    QProgressBar* indicator = index == 0 ? lToEProgressIndicator : eToLProgressIndicator;
    indicator->show();
    t.running = true;

    TSDictionaryPtr dictionary = dictionaryOfType(dictionaryType, englishToLatin);
    QTextEdit* view = index == 0 ? englishTranslation : latinTranslation;
    view->setPlainText(dictionary ? dictionary->attribution() : QString());
    setWordList(nullptr, index == 0 ? englishWordList : latinWordList);
    const quint64 generation = ++t.generation;
    if (!dictionary) {
        // Nothing will answer: a running indicator would promise otherwise.
        TSLogError("No dictionary of type %ld for the look-up of %@", qint64(dictionaryType), word);
        stopIndicator(index);
        return;
    }

    std::weak_ptr<int> alive = alive_;
    auto block = [this, alive, index, generation, compareEntry, dictionary](const TSDictionaryResult& result) {
        DictionaryEntryList entries = TSDictionary::parsedWords(result);
        if (compareEntry) {
            DictionaryEntryList kept;
            for (const auto& e : entries)
                if (e->type() == compareEntry->type() && e->conjugation() == compareEntry->conjugation() &&
                    e->gender() == compareEntry->gender())
                    kept.push_back(e);
            entries = std::move(kept);
        }
        auto raw = result.find(TSDictionary::kRawOutput);
        const bool hasRaw = raw != result.end() && raw->second.isString();
        const QString rawText = hasRaw ? raw->second.toString() : QString();
        ts::DispatchQueue::main()->async([this, alive, index, generation, rawText, hasRaw, entries, dictionary] {
            if (alive.lock()) finishLookUp(index, generation, rawText, hasRaw, entries, dictionary);
        });
    };
    ts::DispatchQueue::global()->async([dictionary, word, wordType, entryType, englishToLatin, block] {
        if (englishToLatin)
            dictionary->translateToLatin(word, wordType, entryType, block);
        else
            dictionary->translateToEnglish(word, wordType, entryType, block);
    });
}

void DictionaryWindowController::finishLookUp(int index, quint64 generation, const QString& raw, bool hasRaw,
                                              const DictionaryEntryList& entries, const TSDictionaryPtr& dictionary) {
    // A later look-up of this tab has started: its answer is the one wanted.
    if (generation != tab(index).generation) return;
    QTextEdit* view = index == 0 ? englishTranslation : latinTranslation;
    if (hasRaw) {
        view->setPlainText(prettifyTranslationString(raw));
        view->moveCursor(QTextCursor::Start);
    }
    if (entries.empty()) {
        // Say why a dictionary that cannot answer stays empty.
        QString why;
        if (auto analyser = std::dynamic_pointer_cast<DictionaryController>(dictionary)) {
            if (!analyser->isAvailable()) why = text("The analyser (whitakers-words) is not running; it will be tried again.");
        } else if (dictionary->loadState() == TSDictionary::LoadState::Missing) {
            why = text("This dictionary has not been built or installed yet:") + QLatin1Char(' ') +
                  dictionary->fileURL().toLocalFile();
        } else if (dictionary->loadState() == TSDictionary::LoadState::Unreadable) {
            why = text("This dictionary's file could not be read:") + QLatin1Char(' ') + dictionary->fileURL().toLocalFile();
        }
        if (!why.isEmpty()) view->append(why);
    }
    addEntriesFromArray(entries, index == 0 ? englishWordList : latinWordList);
    stopIndicator(index);
    Q_EMIT lookupFinished(index);
}

void DictionaryWindowController::stopIndicator(int index) {
    tab(index).running = false;
    (index == 0 ? lToEProgressIndicator : eToLProgressIndicator)->hide();
}

bool DictionaryWindowController::lookupRunning(int index) const {
    return tab(index).running;
}

// ---- Showing entries ----

int DictionaryWindowController::getActiveTab() const {
    return languageTab->currentIndex();
}

NBOutlineView* DictionaryWindowController::frontOutlineView() const {
    return getActiveTab() == 1 ? latinWordList : englishWordList;
}

DictionaryEntryModel* DictionaryWindowController::modelForView(const NBOutlineView* view) const {
    if (view == englishWordList) return tabs_[0]->model;
    if (view == latinWordList) return tabs_[1]->model;
    return nullptr;
}

DictionaryEntryPtr DictionaryWindowController::getWordListForView(const NBOutlineView* view) const {
    DictionaryEntryModel* m = modelForView(view);
    return m ? m->root() : nullptr;
}

void DictionaryWindowController::setWordList(DictionaryEntryPtr root, NBOutlineView* view) {
    if (DictionaryEntryModel* m = modelForView(view)) m->setRoot(std::move(root));
}

void DictionaryWindowController::addEntriesFromArray(const DictionaryEntryList& entries, NBOutlineView* view) {
    DictionaryEntryPtr root = DictionaryEntry::make();
    const int filter = wordTypeOf(view == englishWordList ? latinToEnglishWordTypeButton : englishToLatinWordTypeButton);
    for (const auto& e : entries)
        if (e && (filter == 0 || e->type() == filter)) root->addChild(e);
    setWordList(root, view);
    expandFirstLevelItems(view);
}

void DictionaryWindowController::expandFirstLevelItems(NBOutlineView* view) {
    DictionaryEntryModel* m = modelForView(view);
    if (!m) return;
    for (int r = 0; r < m->rowCount(); ++r) expandItem(m->index(r, 0), view);
}

void DictionaryWindowController::expandItem(const QModelIndex& item, NBOutlineView* view) {
    DictionaryEntryModel* m = modelForView(view);
    view->expand(item);
    // Everything opens but the contents of meanings.
    for (int r = 0; r < m->rowCount(item); ++r) {
        const QModelIndex child = m->index(r, 0, item);
        DictionaryEntry* e = m->entryAt(child);
        if (e && e->type() != DictionaryEntry::Meaning) expandItem(child, view);
    }
}

void DictionaryWindowController::flushNewEntries() {
    DictionaryEntryList latin, english;
    {
        std::lock_guard<std::mutex> lock(pending_->mutex);
        latin.swap(pending_->latin);
        english.swap(pending_->english);
    }
    if (!latin.empty()) newEntriesArrived(latin, true);
    if (!english.empty()) newEntriesArrived(english, false);
}

void DictionaryWindowController::newEntriesArrived(const DictionaryEntryList& entries, bool englishTab) {
    NBOutlineView* view = englishTab ? latinWordList : englishWordList;
    DictionaryEntryPtr root = getWordListForView(view);
    if (!root) root = DictionaryEntry::make();
    QSet<const DictionaryEntry*> shown;
    for (const auto& c : root->childList()) shown.insert(c.get());
    for (const auto& e : entries)
        if (!shown.contains(e.get())) {
            shown.insert(e.get());
            root->addChild(e);
        }
    setWordList(root, view);
    expandFirstLevelItems(view);
}

// ---- Choosing dictionaries ----

void DictionaryWindowController::changeEnglishToLatinDictionary(int tag) {
    if (PreferencesPtr p = Preferences::preferences()) {
        p->setEnglishToLatinDictionarySelection(tag);
        Preferences::savePreferences();
    }
    selectDictionaryItem(englishToLatinDictionaryPopup, tag);
    showAttribution(1);
    translateToLatin();
    setOutlineViewEditingSettings(latinWordList);
}

void DictionaryWindowController::changeLatinToEnglishDictionary(int tag, bool alternate) {
    if (alternate && (tag == 1 || tag == 2)) {
        // A one-off look-up of the first shown entry; the choice stays.
        selectDictionaryItem(latinDictionaryPopup, TSDictionaries::currentDictionary(false));
        DictionaryEntryModel* m = modelForView(englishWordList);
        DictionaryEntry* first = m ? m->entryAt(m->index(0, 0)) : nullptr;
        if (!first) return;
        DictionaryEntryPtr form = first->findUninflectedForm(false);
        const QString word = DictionaryEntry::getFirstWordInLine((form ? form.get() : first)->entry());
        lookUp(0, word, 0, -1, tag, nullptr);
        return;
    }
    if (PreferencesPtr p = Preferences::preferences()) {
        p->setLatinToEnglishDictionarySelection(tag);
        Preferences::savePreferences();
    }
    selectDictionaryItem(latinDictionaryPopup, tag);
    showAttribution(0);
    translateToEnglish();
    setOutlineViewEditingSettings(englishWordList);
}

void DictionaryWindowController::clearField(QTextEdit* view) {
    if (view) view->clear();
}

// ---- Tabs and browsing ----

void DictionaryWindowController::nextScreen() {
    const int n = languageTab->count();
    languageTab->setCurrentIndex((languageTab->currentIndex() + 1) % n);
}

void DictionaryWindowController::previousScreen() {
    const int n = languageTab->count();
    languageTab->setCurrentIndex((languageTab->currentIndex() + n - 1) % n);
}

void DictionaryWindowController::goNext() { browse(true); }
void DictionaryWindowController::goPrev() { browse(false); }

void DictionaryWindowController::browse(bool forward) {
    if (getActiveTab() != 0) return;
    DictionaryEntryModel* m = modelForView(englishWordList);
    DictionaryEntryPtr first = m ? m->entryPtrAt(m->index(0, 0)) : nullptr;
    DictionaryEntryPtr head = first ? first->firstType() : nullptr;
    TSDictionaryPtr d = dictionaryOfType(-1, false);
    if (!d || !head) return;
    if (DictionaryEntryPtr other = forward ? d->nextItem(head) : d->previousItem(head))
        addEntriesFromArray({other}, englishWordList);
}

bool DictionaryWindowController::validateAction(const QString& selector) const {
    const int active = getActiveTab();
    NBOutlineView* view = active == 1 ? latinWordList : active == 0 ? englishWordList : nullptr;
    if (!view) TSLogError("default case at validateUserInterfaceItem");
    if (view && view->selectionModel() && view->selectionModel()->hasSelection()) return true;
    if (selector == QLatin1String("openConjugationWindow:")) {
        DictionaryEntryPtr root = view ? getWordListForView(view) : nullptr;
        return root && root->getNumChildren() > 0;
    }
    return selector == QLatin1String("changeLatinToEnglishDictionary:") ||
           selector == QLatin1String("changeEnglishToLatinDictionary:") || selector == QLatin1String("wordSearch:");
}

// ---- Recent searches ----

void DictionaryWindowController::rememberSearch(int index, const QString& word) {
    QStringList& r = tab(index).recents;
    r.removeAll(word);
    r.prepend(word);
    while (r.size() > kMaxRecentSearches) r.removeLast();
}

void DictionaryWindowController::showRecentSearches(int index) {
    QMenu menu(this);
    QAction* title = menu.addAction(text("Recent Searches"));
    title->setEnabled(false);
    for (const QString& word : tab(index).recents)
        menu.addAction(word, this, [this, index, word] {
            index == 0 ? translateLatinString(word) : translateEnglishString(word);
        });
    menu.addSeparator();
    QAction* clear = menu.addAction(text("Clear"), this, [this, index] { tab(index).recents.clear(); });
    clear->setEnabled(!tab(index).recents.isEmpty());
    QLineEdit* field = index == 0 ? latinText : englishText;
    menu.exec(field->mapToGlobal(QPoint(0, field->height())));
}

void DictionaryWindowController::closeEvent(QCloseEvent* event) {
    // Closing only hides the shared window; its searches stay for the next
    // time it is shown.
    event->accept();
}
