#include "documents/gui/VocabularyWindowController.h"

#include "app/logging/LGLog.h"
#include "documents/gui/RevisionWindowController.h"
#include "foundation/StringExtensions.h"
#include "morphology/Verb.h"
#include "morphology/VowelLength.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/Prompter.h"
#include "tools/gui/DictionaryWindowController.h"
#include "tools/gui/ParadigmWindows.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPointer<VocabularyWindowController> gShared;

QString nr(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key), QStringLiteral("NonReversable")); }
QString loc(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key)); }

void fill(QComboBox* combo, const std::vector<const char*>& items, bool localise) {
    combo->clear();
    for (const char* i : items) combo->addItem(localise && *i ? loc(i) : QString::fromUtf8(i));
}

}  // namespace

// ---- The list model ----

void VocabListModel::setList(std::shared_ptr<WordController> list) {
    beginResetModel();
    list_ = std::move(list);
    endResetModel();
}

void VocabListModel::reload() {
    beginResetModel();
    endResetModel();
}

int VocabListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : int(list_->count());
}

int VocabListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant VocabListModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    WordPtr w = list_->objectAtIndex(quint64(index.row()));
    if (!w) return {};
    return index.column() == 0 ? w->latin() : w->meaningInOneLine();
}

bool VocabListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!list_ || !index.isValid() || role != Qt::EditRole) return false;
    WordPtr word = list_->objectAtIndex(quint64(index.row()));
    if (!word) return false;
    if (index.column() == 0) {
        list_->changeLatin(value.toString(), index.row());
    } else {
        // The cell shows the meanings in one line: left as it was shown, the
        // word keeps them one per line.
        const QString typed = value.toString();
        list_->changeEnglish(typed == word->meaningInOneLine() ? word->meaning() : typed, index.row());
    }
    Q_EMIT wordEdited(word, index.column());
    // A changed Latin moves the word to its sorted place.
    QTimer::singleShot(0, this, [this] { reload(); });
    return true;
}

QVariant VocabListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == 0 ? loc("Latin") : loc("English");
}

Qt::ItemFlags VocabListModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

void VocabListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        ts::NotificationCenter::defaultCenter().post(QStringLiteral("Delete selection"), this);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// ---- The shared window ----

VocabularyWindowController* VocabularyWindowController::getVocabularyWindow() {
    if (!gShared) gShared = new VocabularyWindowController;
    Q_ASSERT_X(gShared, "getVocabularyWindow", "unable to make Vocabulary  window controller");
    return gShared;
}

VocabularyWindowController* VocabularyWindowController::showVocabularyWindow() {
    VocabularyWindowController* w = getVocabularyWindow();
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

void VocabularyWindowController::documentClosing(const std::shared_ptr<WordController>& list) {
    if (!list) return;
    if (gShared && gShared->vocabList() == list) {
        gShared->clearEntrySelections();
        gShared->setVocabList(nullptr);
        gShared->setCallingDocument(nullptr);
        gShared->hide();
    }
    if (RevisionWindowController* r = RevisionWindowController::existingRevisionWindow(); r && r->vocabList() == list) {
        r->setVocabList(nullptr);
        r->hide();
    }
}

VocabularyWindowController::VocabularyWindowController() {
    setObjectName(QStringLiteral("VocabWIndow"));
    setWindowTitle(loc("Vocabulary"));
    auto* central = new QWidget(this);
    auto* split = new QSplitter(Qt::Horizontal, central);
    auto* outer = new QVBoxLayout(central);
    outer->addWidget(split);

    // The list with its search and sort.
    auto* listSide = new QWidget(split);
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    toFind = new QLineEdit(listSide);
    toFind->setPlaceholderText(loc("Search"));
    toFind->setClearButtonEnabled(true);
    sortBy = new QComboBox(listSide);
    sortBy->addItems({loc("By Latin"), loc("By English"), loc("By Word Type"), loc("By Source")});
    top->addWidget(toFind, 1);
    top->addWidget(sortBy);
    listLayout->addLayout(top);
    wordList = new VocabListView(listSide);
    model_ = new VocabListModel(wordList);
    wordList->setModel(model_);
    wordList->setSelectionBehavior(QAbstractItemView::SelectRows);
    wordList->setSelectionMode(QAbstractItemView::SingleSelection);
    wordList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    wordList->verticalHeader()->hide();
    wordList->horizontalHeader()->setStretchLastSection(true);
    wordList->horizontalHeader()->resizeSection(0, 200);
    wordList->setAlternatingRowColors(true);
    listLayout->addWidget(wordList, 1);

    // The form.
    auto* formSide = new QWidget(split);
    auto* formLayout = new QVBoxLayout(formSide);
    formLayout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    latinMeaning = new QTextEdit(formSide);
    latinMeaning->setAcceptRichText(false);
    latinMeaning->setTabChangesFocus(true);
    latinMeaning->setFixedHeight(latinMeaning->fontMetrics().lineSpacing() * 3 + 12);
    latinMeaning->installEventFilter(this);
    englishMeaning = new QLineEdit(formSide);
    notes = new QLineEdit(formSide);
    wordType = new QComboBox(formSide);
    gender = new QComboBox(formSide);
    caseTaken = new QComboBox(formSide);
    conjugation = new QComboBox(formSide);
    for (QComboBox* c : {wordType, gender, caseTaken, conjugation}) c->setMinimumWidth(140);
    fill(wordType, {"", "noun", "verb", "adjective", "adverb", "conjunction", "preposition", "pronoun", "interjection",
                    "number", "packon", "phrase"},
         true);
    fill(gender, {"", "m", "f", "n", "c"}, true);
    fill(caseTaken, {"", "nom", "voc", "acc", "gen", "dat", "abl"}, true);
    wordType->setMaxVisibleItems(12);
    form->addRow(loc("Latin:"), latinMeaning);
    form->addRow(loc("English:"), englishMeaning);
    form->addRow(loc("Notes:"), notes);
    form->addRow(loc("Word type:"), wordType);
    form->addRow(loc("Gender:"), gender);
    form->addRow(loc("Case taken:"), caseTaken);
    form->addRow(loc("Declension:"), conjugation);
    formLayout->addLayout(form);

    auto* marks = new QHBoxLayout;
    auto* shortButton = new QPushButton(QStringLiteral("ă"), formSide);
    auto* longButton = new QPushButton(QStringLiteral("ā"), formSide);
    shortButton->setToolTip(loc("Mark the selected vowels short"));
    longButton->setToolTip(loc("Mark the selected vowels long"));
    auto* paradigm = new QPushButton(loc("Paradigm"), formSide);
    auto* revise = new QPushButton(loc("Revise"), formSide);
    marks->addWidget(shortButton);
    marks->addWidget(longButton);
    marks->addStretch(1);
    marks->addWidget(paradigm);
    marks->addWidget(revise);
    formLayout->addLayout(marks);

    auto* buttons = new QHBoxLayout;
    auto* clear = new QPushButton(loc("New Word"), formSide);
    addButton = new QPushButton(nr("Add"), formSide);
    addButton->setDefault(true);
    auto* back = new QPushButton(loc("Save and Return"), formSide);
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(back);
    buttons->addWidget(addButton);
    formLayout->addLayout(buttons);

    auto* listButtons = new QHBoxLayout;
    auto* markAllButton = new QPushButton(loc("Mark All"), formSide);
    auto* unmarkAllButton = new QPushButton(loc("Unmark All"), formSide);
    auto* exportButton = new QPushButton(loc("Export…"), formSide);
    listButtons->addWidget(markAllButton);
    listButtons->addWidget(unmarkAllButton);
    listButtons->addStretch(1);
    listButtons->addWidget(exportButton);
    formLayout->addLayout(listButtons);
    formLayout->addStretch(1);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    setCentralWidget(central);
    resize(860, 520);

    connect(model_, &VocabListModel::wordEdited, this, &VocabularyWindowController::listEdited);
    connect(wordList, &QAbstractItemView::clicked, this, [this] { handleListClick(); });
    connect(wordList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { handleListClick(); });
    connect(toFind, &QLineEdit::returnPressed, this, &VocabularyWindowController::findWord);
    connect(sortBy, qOverload<int>(&QComboBox::activated), this, &VocabularyWindowController::changeSortBy);
    connect(wordType, qOverload<int>(&QComboBox::activated), this, &VocabularyWindowController::wordTypeChosen);
    connect(addButton, &QPushButton::clicked, this, &VocabularyWindowController::addWord);
    connect(back, &QPushButton::clicked, this, &VocabularyWindowController::saveAndReturn);
    connect(clear, &QPushButton::clicked, this, &VocabularyWindowController::clearEntrySelections);
    connect(shortButton, &QPushButton::clicked, this, &VocabularyWindowController::markShort);
    connect(longButton, &QPushButton::clicked, this, &VocabularyWindowController::markLong);
    connect(paradigm, &QPushButton::clicked, this, &VocabularyWindowController::openConjugationWindow);
    connect(revise, &QPushButton::clicked, this, &VocabularyWindowController::openRevisionWindow);
    connect(markAllButton, &QPushButton::clicked, this, &VocabularyWindowController::markAll);
    connect(unmarkAllButton, &QPushButton::clicked, this, &VocabularyWindowController::unMarkAll);
    connect(exportButton, &QPushButton::clicked, this, &VocabularyWindowController::doExport);

    // Observers may be called on any thread; the window is touched on the main one.
    std::weak_ptr<int> alive = alive_;
    auto onMain = [this, alive](std::function<void()> work) {
        QMetaObject::invokeMethod(this, [alive, work] { if (alive.lock()) work(); }, Qt::QueuedConnection);
    };
    auto& center = ts::NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(QStringLiteral("Delete selection"), wordList, [this, onMain](const ts::Notification&) {
        onMain([this] { selectedWordShouldBeDeleted(); });
    }));
    observers_.push_back(center.addObserver(QStringLiteral("WordChangedNotification"), nullptr, [this, onMain](const ts::Notification& n) {
        auto object = n.userInfo.find(QStringLiteral("object"));
        auto original = n.userInfo.find(WordController::kOriginalWordKey);
        WordPtr word = object != n.userInfo.end() ? object->second.toObjectAs<Word>() : nullptr;
        WordPtr before = original != n.userInfo.end() ? original->second.toObjectAs<Word>() : nullptr;
        if (word) onMain([this, word, before] { wordChanged(word, before); });
    }));
    observers_.push_back(center.addObserver(WordController::kWordListChanged, nullptr, [this, onMain](const ts::Notification& n) {
        if (!n.sender) return;
        const void* sender = n.sender;
        // Another document's list changing leaves this window on its own list.
        onMain([this, sender] {
            if (vocabList().get() == sender) model_->reload();
        });
    }));
    observers_.push_back(center.addObserver(QStringLiteral("Bring vocab window to front"), nullptr, [this, onMain](const ts::Notification&) {
        onMain([this] {
            show();
            raise();
            activateWindow();
        });
    }));
}

VocabularyWindowController::~VocabularyWindowController() {
    observers_.clear();
}

const std::shared_ptr<WordController>& VocabularyWindowController::vocabList() const { return model_->list(); }

void VocabularyWindowController::setVocabList(std::shared_ptr<WordController> list) {
    model_->setList(std::move(list));
    searchIndex = 0;
}

// ---- List and form ----

WordPtr VocabularyWindowController::getSelectedWord() const {
    const QModelIndexList rows = wordList->selectionModel()->selectedRows();
    if (rows.isEmpty() || !vocabList()) return nullptr;
    return vocabList()->objectAtIndex(quint64(rows.first().row()));
}

void VocabularyWindowController::handleListClick() {
    WordPtr w = getSelectedWord();
    if (!w) {
        if (currentWord_) clearEntrySelections();
        return;
    }
    if (w == currentWord_) return;
    currentWord_ = w;
    addButton->setText(nr("Save"));
    insertWordData(w);
}

void VocabularyWindowController::selectRow(qint64 row) {
    QSignalBlocker block(wordList->selectionModel());
    wordList->clearSelection();
    if (row < 0) return;
    const QModelIndex at = model_->index(int(row), 0);
    wordList->selectionModel()->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    wordList->scrollTo(at);
}

void VocabularyWindowController::setCurrentWord(WordPtr word) {
    currentWord_ = std::move(word);
    if (!currentWord_) {
        addButton->setText(nr("Add"));
        return;
    }
    addButton->setText(nr("Save"));
    if (vocabList()) selectRow(vocabList()->getIndexOfObject(currentWord_));
}

void VocabularyWindowController::setCurrentWordFromID(const QString& id) {
    if (!vocabList()) return;
    WordPtr w = vocabList()->vocabForID(id);
    if (!w) return;
    if (!w->isInitialised()) {
        DictionaryWindowController* d = DictionaryWindowController::showDictionaryWindow();
        d->translateLatinString(w->latin());
        d->setCurrentVocab(w, vocabList());
    }
    insertWordData(w);
    setCurrentWord(w);
}

void VocabularyWindowController::insertWordData(const WordPtr& w) {
    if (!w) return clearEntrySelections();
    setLatinField(w->latin());
    englishMeaning->setText(w->meaningInOneLine());
    wordType->setCurrentIndex(int(std::clamp<qint64>(w->getWordType(), 0, wordType->count() - 1)));
    gender->setCurrentIndex(int(std::clamp<qint64>(w->gender(), 0, gender->count() - 1)));
    caseTaken->setCurrentIndex(int(std::clamp<qint64>(w->getTakenCase(), 0, caseTaken->count() - 1)));
    notes->setText(w->notes());
    const qint64 t = w->getWordType();
    if (t == 2) setVerbConjugations();
    else if (t == 1 || t == 3) setDeclensions();
    if (t >= 1 && t <= 3) conjugation->setCurrentIndex(int(std::clamp<qint64>(w->conjugation(), 0, conjugation->count() - 1)));
}

void VocabularyWindowController::setVerbConjugations() {
    fill(conjugation, {"", "1st", "2nd", "3rd", "4th", "mixed", "irreg"}, false);
}

void VocabularyWindowController::setDeclensions() {
    fill(conjugation, {"", "1st", "2nd", "3rd", "4th", "5th", "irreg"}, true);
}

void VocabularyWindowController::clearConjugations() {
    fill(conjugation, {""}, false);
}

void VocabularyWindowController::clearEntrySelections() {
    englishMeaning->clear();
    setLatinField(QString());
    conjugation->clear();
    caseTaken->setCurrentIndex(0);
    gender->setCurrentIndex(0);
    wordType->setCurrentIndex(0);
    notes->clear();
    {
        QSignalBlocker block(wordList->selectionModel());
        wordList->clearSelection();
    }
    QTimer::singleShot(0, latinMeaning, [field = QPointer<QTextEdit>(latinMeaning)] { if (field) field->setFocus(); });
    setCurrentWord(nullptr);
}

QString VocabularyWindowController::standardLatin() const {
    return Word::convertToStandardLatinString(latinMeaning->toPlainText());
}

void VocabularyWindowController::setLatinField(const QString& latin) {
    latinMeaning->setPlainText(latin);
    guessedLatin_ = standardLatin();
}

void VocabularyWindowController::listEdited(const WordPtr& word, int column) {
    // The form shows the word being edited: it must show the list's newer
    // text, or the next Save would put the old one back.
    if (!word || word != currentWord_) return;
    if (column == 0) setLatinField(word->latin());
    else englishMeaning->setText(word->meaningInOneLine());
}

void VocabularyWindowController::addWord() {
    std::shared_ptr<WordController> list = vocabList();
    if (!list) return;
    const QString latin = standardLatin();
    // The field shows the meanings in one line; saved as shown, the word
    // keeps them one per line.
    QString english = englishMeaning->text();
    if (currentWord_ && english == currentWord_->meaningInOneLine()) english = currentWord_->meaning();
    WordPtr w = currentWord_;
    if (w) {
        if (latin != w->latin()) w->setLatin(latin);
    } else {
        w = list->makeNewWord(latin);
        if (!w) return;
    }
    w->setMeaning(english);
    w->setNotes(notes->text());
    w->setGender(gender->currentIndex());
    w->setConjugation(std::max(0, conjugation->currentIndex()));
    w->setTakenCase(caseTaken->currentIndex());
    list->changeWordType(wordType->currentIndex(), w);
    list->sort();
    list->setDirtyFlag();
    model_->reload();
    clearEntrySelections();
}

void VocabularyWindowController::saveAndReturn() {
    addWord();
    ts::NotificationCenter::defaultCenter().post(QStringLiteral("Bring document to front"), callingDocument_);
}

void VocabularyWindowController::findWord() {
    std::shared_ptr<WordController> list = vocabList();
    const QString text = toFind->text();
    WordPtr found;
    if (list && !text.isEmpty()) {
        qint64 index = searchIndex;
        found = list->findString(text, index);
        if (found) searchIndex = index;
    }
    if (found) {
        selectRow(searchIndex);
        insertWordData(found);
        currentWord_ = found;
        addButton->setText(nr("Save"));
    } else {
        clearEntrySelections();
    }
    QTimer::singleShot(0, toFind, [field = QPointer<QLineEdit>(toFind)] { if (field) field->setFocus(); });
}

void VocabularyWindowController::changeSortBy(int index) {
    if (!vocabList()) return;
    vocabList()->setSortBy(index);
    vocabList()->sort();
    model_->reload();
}

void VocabularyWindowController::latinEditingEnded() {
    const QString latin = standardLatin();
    // Leaving the field without an edit keeps the type the word was saved with.
    if (latin == guessedLatin_) return;
    guessedLatin_ = latin;
    const qint64 t = Word::guessWordType(latin);
    wordType->setCurrentIndex(int(std::clamp<qint64>(t, 0, wordType->count() - 1)));
    setupConjugationCombo(t);
}

void VocabularyWindowController::wordTypeChosen() {
    setupConjugationCombo(wordType->currentIndex());
}

void VocabularyWindowController::setupConjugationCombo(qint64 type) {
    const QString latin = standardLatin();
    if (type == 3) {
        setDeclensions();
    } else if (type == 2) {
        setVerbConjugations();
        conjugation->setCurrentIndex(int(std::clamp<qint64>(Verb::guessConjugation(latin), 0, conjugation->count() - 1)));
    } else if (type == 1) {
        setDeclensions();
        const qint64 d = Word::guessDeclension(latin);
        conjugation->setCurrentIndex(int(std::clamp<qint64>(d, 0, conjugation->count() - 1)));
        if (d == 5) {
            const bool masculine = latin.compare(QStringLiteral("dies diei"), Qt::CaseInsensitive) == 0 ||
                                   latin.compare(QStringLiteral("meridies meridiei"), Qt::CaseInsensitive) == 0;
            gender->setCurrentIndex(masculine ? 1 : 2);
        }
    } else {
        clearConjugations();
    }
}

bool VocabularyWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == latinMeaning && event->type() == QEvent::FocusOut) latinEditingEnded();
    return QMainWindow::eventFilter(watched, event);
}

void VocabularyWindowController::openConjugationWindow() {
    ConjugationWindowController::openConjugationWindow(getSelectedWord(), this);
}

void VocabularyWindowController::openRevisionWindow() {
    if (!vocabList() || vocabList()->count() < 1) return;
    RevisionWindowController* r = RevisionWindowController::getRevisionWindow();
    r->setVocabList(vocabList());
    r->show();
    r->raise();
}

void VocabularyWindowController::markAll() {
    if (!vocabList()) return;
    vocabList()->markAll();
    model_->reload();
}

void VocabularyWindowController::unMarkAll() {
    if (!vocabList()) return;
    vocabList()->unmarkAll();
    model_->reload();
}

void VocabularyWindowController::markSelection(QString (*mark)(const QString&)) {
    QTextCursor cursor = latinMeaning->textCursor();
    if (!cursor.hasSelection()) {
        // With nothing selected, the letter before the caret.
        if (cursor.position() == 0) return;
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor);
    }
    const QString text = cursor.selectedText();
    if (text.isEmpty()) return;
    const int start = cursor.selectionStart();
    cursor.insertText(mark(foldLatinString(text)));
    cursor.setPosition(start);
    cursor.setPosition(start + int(text.size()), QTextCursor::KeepAnchor);
    latinMeaning->setTextCursor(cursor);
    if (vocabList()) vocabList()->setDirtyFlag();
}

void VocabularyWindowController::markShort() { markSelection(&markVowelsShort); }
void VocabularyWindowController::markLong() { markSelection(&markVowelsLong); }

void VocabularyWindowController::doExport() {
    ts::SavePanelRequest request;
    request.title = loc("Export Vocabulary");
    request.allowedFileTypes = {QStringLiteral("txt")};
    request.directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    request.nameFieldStringValue = loc("Vocabulary") + QStringLiteral(".txt");
    const QString path = ts::Prompter::current()->savePanel(request);
    if (path.isNull()) return;
    if (!exportToFile(path)) {
        ts::AlertRequest alert;
        alert.messageText = loc("The vocabulary could not be exported.");
        alert.informativeText = path;
        alert.buttons = {loc("OK")};
        ts::Prompter::current()->alert(alert);
    }
}

bool VocabularyWindowController::exportToFile(const QString& path) {
    std::shared_ptr<WordController> list = vocabList();
    if (path.isEmpty() || !list) return false;
    QString text;
    text.reserve(int(list->count()) * 30);
    for (qint64 i = 0; i < list->count(); ++i) {
        WordPtr w = list->objectAtIndex(quint64(i));
        if (!w || w->meaning().isEmpty()) continue;
        // One line a word: meanings stored one per line go in as the list
        // shows them. A word without gender or notes leaves blanks after its
        // meaning, which a reader of the file would take as part of it.
        QString english = w->getFullEnglishString();
        english.replace(0, w->meaning().size(), w->meaningInOneLine());
        english = StringExtensions::stripTerminalBlanks(english);
        text += w->getStrippedExampleLatinString() + QLatin1Char('\t') + english + QLatin1Char('\r');
    }
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TSLogError("The vocabulary could not be written to %@: %@", path, file.errorString());
        return false;
    }
    return true;
}

void VocabularyWindowController::selectedWordShouldBeDeleted() {
    WordPtr w = getSelectedWord();
    if (!w) return;
    ts::AlertRequest request;
    request.messageText = nr("DELETE_WORD");
    request.informativeText = w->latin().isEmpty() ? nr("REALLY_DELETE_UNKNOWN_WORD")
                                                   : nr("REALLY_DELETE_WORD").replace(QStringLiteral("%@"), w->latin());
    request.buttons = {nr("CANCEL_DONT_DELETE"), nr("Delete")};
    if (ts::Prompter::current()->alert(request) != 1) return;
    // The list tells its document (and the revision window) of the deletion.
    vocabList()->removeObject(w);
    model_->reload();
    clearEntrySelections();
}

void VocabularyWindowController::wordChanged(const WordPtr& word, const WordPtr& original) {
    model_->reload();
    if (word == currentWord_) {
        insertWordData(word);
    } else if (original && original == currentWord_) {
        currentWord_ = word;
        insertWordData(word);
        setCurrentWord(word);
    }
}
