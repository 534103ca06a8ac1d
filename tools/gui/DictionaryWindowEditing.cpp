// What the user does with the entries the dictionary window shows: copy and
// look up elsewhere, edit, move, delete, split and merge entries of an
// editable dictionary, and hand a headword with its meanings to the
// vocabulary or the paradigm tables.
#include "tools/gui/DictionaryWindowController.h"

#include "dictionaries/EntryWord.h"

#include "app/logging/LGLog.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/TSDictionary.h"
#include "morphology/Word.h"
#include "morphology/WordController.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "tools/gui/DictionaryEntryModel.h"
#include "tools/gui/ParadigmWindows.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>

namespace {

QString nr(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key), QStringLiteral("NonReversable")); }

// A menu reads "&" as the mark of a shortcut letter; "L&S" must show as written.
QString plain(QString title) { return title.replace(QLatin1Char('&'), QStringLiteral("&&")); }

const QString kNoteTrim = QStringLiteral(",. *=:;");

// A background save or search walks the entries holding the dictionary's
// words lock; an edit holds it too, so that a save never writes half an edit
// and then clears the edited mark of the rest.
class EditLock {
public:
    explicit EditLock(TSDictionaryPtr dictionary) : dictionary_(std::move(dictionary)) {
        if (dictionary_) dictionary_->wordsLock().lock();
    }
    ~EditLock() {
        if (dictionary_) dictionary_->wordsLock().unlock();
    }
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;

private:
    TSDictionaryPtr dictionary_;
};

}  // namespace

// ---- Which dictionary, which entry ----

TSDictionaryPtr DictionaryWindowController::dictionaryForView(const NBOutlineView* view) const {
    return dictionaryOfType(-1, view == latinWordList);
}

TSDictionaryPtr DictionaryWindowController::dictionaryForFrontView() const {
    return dictionaryForView(frontOutlineView());
}

bool DictionaryWindowController::viewIsEditable(const NBOutlineView* view) const {
    TSDictionaryPtr d = dictionaryForView(view);
    return d && d->isEditable();
}

DictionaryEntryPtr DictionaryWindowController::selectedEntry(const NBOutlineView* view) const {
    DictionaryEntryModel* m = modelForView(view);
    if (!m || !view->selectionModel()) return nullptr;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty()) return nullptr;
    return m->entryPtrAt(rows.first());
}

void DictionaryWindowController::reloadKeepingExpansion(NBOutlineView* view, const DictionaryEntryPtr& select) {
    DictionaryEntryModel* m = modelForView(view);
    if (!m) return;
    m->reload();
    expandFirstLevelItems(view);
    if (select) {
        const QModelIndex at = m->indexForEntry(select.get());
        if (at.isValid()) {
            view->selectionModel()->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            view->setCurrentIndex(at);
            view->scrollTo(at);
        }
    }
}

void DictionaryWindowController::changedFront(const DictionaryEntryPtr& entry) {
    if (entry) entry->setChanged(true);
    if (TSDictionaryPtr d = dictionaryForFrontView()) d->setDirty(true);
    reloadKeepingExpansion(frontOutlineView(), entry);
}

// ---- Text edits and keys ----

bool DictionaryWindowController::setEntryText(NBOutlineView* view, const QModelIndex& index, const QString& textIn) {
    if (!viewIsEditable(view)) return false;
    const EditLock lock(dictionaryForView(view));
    DictionaryEntryModel* m = modelForView(view);
    const QString id = m ? m->identifier(index.column()) : QString();
    if (id != DictionaryEntry::kEntry) {
        TSLogError("Unhandled column identifier %@", id);
        return false;
    }
    DictionaryEntryPtr e = m->entryPtrAt(index);
    if (!e) return false;
    QString text = textIn;
    // A headword's declension or conjugation is shown after it; typed back
    // in, it is not part of the headword.
    if (e->isPrimaryEntry()) {
        static const QRegularExpression cut(QStringLiteral("[(12345]"));
        const qsizetype at = text.indexOf(cut);
        if (at >= 0) text.truncate(at);
    }
    if (text == e->entry()) return false;
    e->setEntry(text);
    if (TSDictionaryPtr d = dictionaryForFrontView()) d->setDirty(true);
    e->setChanged(true);
    return true;
}

void DictionaryWindowController::moveSelected(NBOutlineView* view, bool (DictionaryEntry::*move)()) {
    if (!viewIsEditable(view)) return;
    const EditLock lock(dictionaryForView(view));
    DictionaryEntryPtr e = selectedEntry(view);
    if (!e || !((*e).*move)()) return;
    reloadKeepingExpansion(view, e);
    if (TSDictionaryPtr d = dictionaryForView(view)) d->setDirty(true);
}

void DictionaryWindowController::outlineUpKeyPressed(NBOutlineView* view) { moveSelected(view, &DictionaryEntry::elementUp); }
void DictionaryWindowController::outlineDownKeyPressed(NBOutlineView* view) { moveSelected(view, &DictionaryEntry::elementDown); }
void DictionaryWindowController::outlineLeftKeyPressed(NBOutlineView* view) { moveSelected(view, &DictionaryEntry::promoteEntry); }
void DictionaryWindowController::outlineRightKeyPressed(NBOutlineView* view) { moveSelected(view, &DictionaryEntry::demoteEntry); }

void DictionaryWindowController::outlineDeleteKeyPressed(NBOutlineView* view) {
    if (!viewIsEditable(view)) return;
    DictionaryEntryPtr e = selectedEntry(view);
    if (!e) return;
    ts::AlertRequest request;
    request.messageText = nr("DELETE_ENTRY");
    request.informativeText = nr("REALLY_DELETE_ENTRY").replace(QStringLiteral("%@"), e->entry());
    request.buttons = {nr("CANCEL_DONT_DELETE"), nr("Delete")};
    request.defaultButton = 0;
    // Asked after the key event is done, as a confirmation should be.
    QPointer<NBOutlineView> guard = view;
    std::weak_ptr<int> alive = alive_;
    QMetaObject::invokeMethod(this, [this, guard, alive, e, request] {
        if (!alive.lock() || !guard) return;
        if (ts::Prompter::current()->alert(request) != 1) return;
        guard->clearSelection();
        TSDictionaryPtr d = dictionaryForView(guard);
        const EditLock lock(d);
        if (e->isPrimaryEntry()) {
            if (d) d->deleteEntry(e);
            if (DictionaryEntryPtr root = getWordListForView(guard)) root->removeChild(e);
        } else if (DictionaryEntryPtr parent = e->parent()) {
            parent->removeChild(e);
        }
        reloadKeepingExpansion(guard);
        if (d) d->setDirty(true);
    }, Qt::QueuedConnection);
}

// ---- Row menus ----

QMenu* DictionaryWindowController::menuForEvent(const QPoint&, const QModelIndex& item, NBOutlineView* view,
                                               const QString& columnIdentifier) {
    DictionaryEntryModel* m = modelForView(view);
    DictionaryEntryPtr e = m ? m->entryPtrAt(item) : nullptr;
    if (!e) return nullptr;
    // The menu acts on the row it was opened on, as the selection shows; a
    // row of a selection of several keeps them all, for "Add to Vocabulary".
    if (!view->selectionModel()->isRowSelected(item.row(), item.parent())) {
        view->selectionModel()->select(item, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->setCurrentIndex(item);
    }
    return columnIdentifier == DictionaryEntry::kType ? menuForType(e, view) : generalMenuForView(view, e);
}

void DictionaryWindowController::addLookupsToMenu(QMenu* menu, const DictionaryEntryPtr& e) {
    if (!e->isLatin()) return;
    menu->addAction(nr("Copy"), this, [this, e] { copyText(e); });
    menu->addSeparator();
    const QComboBox* popup = frontOutlineView() == latinWordList ? englishToLatinDictionaryPopup : latinDictionaryPopup;
    const int d = popup->currentData().toInt();
    auto lewis = [&] { menu->addAction(plain(nr("Search in Lewis")), this, [this, e] { searchInLewis(e); }); };
    auto words = [&] { menu->addAction(plain(nr("Search in WORDS")), this, [this, e] { searchInWords(e); }); };
    auto ls = [&] { menu->addAction(plain(nr("Search in L&S")), this, [this, e] { searchInLAndS(e); }); };
    if (d == 0) { lewis(); ls(); }
    else if (d == 1) { words(); ls(); }
    else if (d == 2) { lewis(); words(); }
    else { lewis(); words(); ls(); }
}

QMenu* DictionaryWindowController::menuForType(const DictionaryEntryPtr& e, NBOutlineView* view) {
    auto* menu = new QMenu(this);
    addLookupsToMenu(menu, e);
    if (viewIsEditable(view)) {
        menu->addSeparator();
        const QString current = DictionaryEntry::nameOfType(e->type());
        for (const QString& name : DictionaryEntry::allSortedTypeNames()) {
            QAction* a = menu->addAction(name, this, [this, e, name] { handleTypeSelection(e, name); });
            a->setCheckable(true);
            a->setChecked(name == current);
        }
    }
    return menu;
}

QMenu* DictionaryWindowController::generalMenuForView(NBOutlineView* view, const DictionaryEntryPtr& e) {
    auto* menu = new QMenu(this);
    addLookupsToMenu(menu, e);
    if (!menu->isEmpty()) menu->addSeparator();
    menu->addAction(e->displayingReferences() ? nr("Hide References") : nr("Show References"), this,
                    [this, e] { showHideReferences(e); });
    QAction* vocab = menu->addAction(nr("Add to Vocabulary"), this, [this] { addToVocab(); });
    vocab->setEnabled(currentVocab_ || currentWordList_);
    menu->addAction(nr("Show Paradigm"), this, [this] { openConjugationWindow(); });
    if (!viewIsEditable(view)) return menu;

    menu->addSeparator();
    menu->addAction(nr("Add Entry"), this, [this, e] { addEntry(e); });
    menu->addSeparator();
    switch (e->type()) {
    case DictionaryEntry::Noun:
        menu->addMenu(genderMenu(e))->setText(nr("Change Gender"));
        menu->addMenu(declensionMenu(e))->setText(nr("Change Declension"));
        break;
    case DictionaryEntry::Verb:
        menu->addMenu(conjugationMenu(e))->setText(nr("Change Conjugation"));
        break;
    case DictionaryEntry::Preposition:
        menu->addMenu(caseMenu(e))->setText(nr("Change Case"));
        break;
    default:
        break;
    }
    QMenu* edit = menu->addMenu(nr("Rearrange"));
    edit->addAction(nr("Merge with Above"), this, [this, e] { mergeWithAbove(e); });
    edit->addAction(nr("Add to Parent"), this, [this, e] { addToParent(e); });
    edit->addAction(nr("Brackets to Note"), this, [this, e] { bracketsToNote(e); });
    edit->addAction(nr("Clause to Note"), this, [this, e] { clauseToNote(e); });
    edit->addAction(nr("Promote to Parent"), this, [this, e] { promoteToParent(e); });
    edit->addAction(nr("Promote Children"), this, [this, e] { promoteChildren(e); });
    QMenu* checks = menu->addMenu(nr("Check Dictionary"));
    QPointer<NBOutlineView> v = view;
    checks->addAction(nr("Nouns in -iī"), this, [this, v] { if (v) showUnmatchedBrackets(v); });
    checks->addAction(nr("Full-width Brackets"), this, [this, v] { if (v) showUnmatchedBracketsB(v); });
    checks->addAction(nr("Meanings Opening with a Bracket"), this, [this, v] { if (v) showUnmatchedBracketsC(v); });
    return menu;
}

namespace {

QMenu* codeMenu(const QString& title, int first, int last, const std::function<QString(int)>& name, int marked,
                const std::function<void(const QString&)>& act) {
    auto* menu = new QMenu(title);
    for (int code = first; code <= last; ++code) {
        const QString n = name(code);
        QAction* a = menu->addAction(n);
        a->setCheckable(true);
        a->setChecked(code == marked);
        QObject::connect(a, &QAction::triggered, menu, [act, n] { act(n); });
    }
    return menu;
}

DictionaryWindowController* owner() { return DictionaryWindowController::getDictionaryWindow(); }

}  // namespace

QMenu* DictionaryWindowController::genderMenu(const DictionaryEntryPtr& e) {
    return codeMenu(nr("Change Gender"), 1, 11, &DictionaryEntry::nameOfGender, e->gender(),
                    [e](const QString& t) { owner()->changeGender(e, t); });
}

QMenu* DictionaryWindowController::declensionMenu(const DictionaryEntryPtr& e) {
    return codeMenu(nr("Change Declension"), 1, 5, &DictionaryEntry::nameOfConjugation, e->conjugation(),
                    [e](const QString& t) { owner()->changeDeclension(e, t); });
}

QMenu* DictionaryWindowController::conjugationMenu(const DictionaryEntryPtr& e) {
    return codeMenu(nr("Change Conjugation"), 1, 15, &DictionaryEntry::nameOfConjugation, e->conjugation(),
                    [e](const QString& t) { owner()->changeConjugation(e, t); });
}

QMenu* DictionaryWindowController::caseMenu(const DictionaryEntryPtr& e) {
    auto* menu = new QMenu(nr("Change Case"));
    const QString current = e->caseName();
    for (int code = 1; code <= 7; ++code) {
        const QString n = DictionaryEntry::getCaseString(code);
        QAction* a = menu->addAction(n);
        a->setCheckable(true);
        a->setChecked(n == current);
        QObject::connect(a, &QAction::triggered, menu, [e, n] { owner()->changeCase(e, n); });
    }
    return menu;
}

// ---- Menu actions ----

void DictionaryWindowController::copyText(const DictionaryEntryPtr& e) {
    if (e) QApplication::clipboard()->setText(e->entry());
}

void DictionaryWindowController::lookUpIn(const DictionaryEntryPtr& e, int tag) {
    if (!e) return;
    const QStringList parts = e->parts();
    if (parts.isEmpty()) return;
    selectLatinTab();
    selectDictionaryItem(latinDictionaryPopup, tag);
    latinText->setText(parts.first());
    changeLatinToEnglishDictionary(tag);
}

void DictionaryWindowController::searchInWords(const DictionaryEntryPtr& e) { lookUpIn(e, 0); }

void DictionaryWindowController::searchInLewis(DictionaryEntryPtr e) {
    if (!e) {
        DictionaryEntryModel* m = modelForView(englishWordList);
        DictionaryEntryPtr first = m->entryPtrAt(m->index(0, 0));
        e = first ? first->firstType() : nullptr;
    }
    lookUpIn(e, 1);
}

void DictionaryWindowController::searchInLAndS(DictionaryEntryPtr e) {
    if (!e) {
        DictionaryEntryModel* m = modelForView(englishWordList);
        DictionaryEntryPtr first = m->entryPtrAt(m->index(0, 0));
        e = first ? first->firstType() : nullptr;
    }
    lookUpIn(e, 2);
}

void DictionaryWindowController::showHideReferences(const DictionaryEntryPtr& e) {
    e->setDisplayingReferences(!e->displayingReferences());
    const int active = getActiveTab();
    if (active != 0 && active != 1) {
        TSLogError("Bad tab");
        return;
    }
    reloadKeepingExpansion(active == 1 ? latinWordList : englishWordList, e);
}

void DictionaryWindowController::handleTypeSelection(const DictionaryEntryPtr& e, const QString& title) {
    NBOutlineView* view = getActiveTab() == 1 ? latinWordList : englishWordList;
    const EditLock lock(dictionaryForView(view));
    e->setType(DictionaryEntry::typeForName(title));
    reloadKeepingExpansion(view, e);
    if (TSDictionaryPtr d = dictionaryForView(view)) d->setDirty(true);
}

void DictionaryWindowController::changeGender(const DictionaryEntryPtr& e, const QString& title) {
    const EditLock lock(dictionaryForFrontView());
    const int g = DictionaryEntry::genderForName(title);
    if (g == e->gender()) return;
    e->setGender(g);
    changedFront(e);
}

void DictionaryWindowController::changeDeclension(const DictionaryEntryPtr& e, const QString& title) {
    const EditLock lock(dictionaryForFrontView());
    int digits = 0;
    while (digits < title.size() && title[digits].isDigit()) ++digits;
    const int d = title.left(digits).toInt();
    if (d == e->conjugation()) return;
    e->setConjugation(d);
    changedFront(e);
}

void DictionaryWindowController::changeConjugation(const DictionaryEntryPtr& e, const QString& title) {
    const EditLock lock(dictionaryForFrontView());
    const int c = DictionaryEntry::conjugationForName(title);
    if (c == e->conjugation()) return;
    e->setConjugation(c);
    changedFront(e);
}

void DictionaryWindowController::changeCase(const DictionaryEntryPtr& e, const QString& title) {
    const EditLock lock(dictionaryForFrontView());
    e->setCase(DictionaryEntry::caseForName(title));
    changedFront(e);
}

void DictionaryWindowController::addEntry(const DictionaryEntryPtr& e) {
    const EditLock lock(dictionaryForFrontView());
    DictionaryEntryPtr made = e->addEntry();
    if (!made) return;
    e->setChanged(true);
    changedFront(made);
}

void DictionaryWindowController::mergeWithAbove(const DictionaryEntryPtr& e) {
    const EditLock lock(dictionaryForFrontView());
    DictionaryEntryPtr parent = e->parent();
    if (!parent) return;
    const DictionaryEntryList& siblings = parent->childList();
    auto it = std::find(siblings.begin(), siblings.end(), e);
    if (it == siblings.end()) return;
    if (it == siblings.begin()) return addToParent(e);
    DictionaryEntryPtr above = *(it - 1);
    above->setEntry(above->entry() + QLatin1Char(' ') + e->entry());
    parent->removeChild(e);
    changedFront(above);
}

void DictionaryWindowController::addToParent(const DictionaryEntryPtr& e) {
    const EditLock lock(dictionaryForFrontView());
    DictionaryEntryPtr parent = e->parent();
    if (!parent || parent->isPrimaryEntry()) return;
    parent->setEntry(parent->entry() + QLatin1Char(' ') + e->entry());
    parent->removeChild(e);
    changedFront(parent);
}

void DictionaryWindowController::noteFromText(const DictionaryEntryPtr& e, const QString& part) {
    const EditLock lock(dictionaryForFrontView());
    if (part.isEmpty()) return;
    DictionaryEntryPtr note = e->addEntry();
    if (!note) return;
    note->setEntry(part);
    QString rest = e->entry();
    rest.remove(part);
    e->setEntry(trimCharacters(rest, kNoteTrim));
    e->setChanged(true);
    changedFront(e);
}

void DictionaryWindowController::bracketsToNote(const DictionaryEntryPtr& e) {
    const QString t = e->entry();
    const qsizetype open = t.indexOf(QLatin1Char('(')), close = t.indexOf(QLatin1Char(')'));
    if (open < 0 || close < 0 || close < open) return;
    noteFromText(e, t.mid(open, close - open + 1));
}

void DictionaryWindowController::clauseToNote(const DictionaryEntryPtr& e) {
    const QString t = e->entry();
    qsizetype at = -1;
    for (QChar c : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char(':')}) {
        const qsizetype i = t.indexOf(c);
        if (i >= 0 && (at < 0 || i < at)) at = i;
    }
    if (at < 0) return;
    noteFromText(e, t.left(at));
}

void DictionaryWindowController::promoteToParent(const DictionaryEntryPtr& e) {
    const EditLock lock(dictionaryForFrontView());
    DictionaryEntryPtr p = e->parent();
    if (!p || p->isPrimaryEntry()) return;
    DictionaryEntryPtr first = p->addEntry();
    if (!first) return;
    first->setEntry(p->entry());
    const DictionaryEntryList children = p->childList();
    for (const auto& child : children) {
        if (child == e) {
            p->setEntry(e->entry());
            p->removeChild(e);
            break;
        }
        if (DictionaryEntryPtr moved = p->addEntry()) moved->setEntry(child->entry());
        p->removeChild(child);
    }
    changedFront(p);
}

void DictionaryWindowController::promoteChildren(const DictionaryEntryPtr& e) {
    const EditLock lock(dictionaryForFrontView());
    if (e->promoteChildren()) changedFront(e);
}

// ---- Maintenance listings ----

void DictionaryWindowController::showListing(NBOutlineView* view, const std::function<bool(const DictionaryEntry&)>& test) {
    TSDictionaryPtr d = dictionaryOfType(-1, view == latinWordList);
    if (!d) return;
    d->waitForInitialisation();
    DictionaryEntryList found;
    {
        std::lock_guard<std::recursive_mutex> lock(d->wordsLock());
        if (auto words = d->words())
            for (const auto& w : *words)
                if (w && test(*w)) found.push_back(w);
    }
    if (!found.empty()) addEntriesFromArray(found, frontOutlineView());
}

void DictionaryWindowController::showUnmatchedBrackets(NBOutlineView* view) {
    showListing(view, [](const DictionaryEntry& e) {
        if (e.type() != DictionaryEntry::Noun) return false;
        const QStringList parts = e.parts();
        return parts.size() >= 2 && parts[1] == QStringLiteral("-iī");
    });
}

void DictionaryWindowController::showUnmatchedBracketsB(NBOutlineView* view) {
    showListing(view, [](const DictionaryEntry& e) {
        DictionaryEntryPtr sense = e.firstSense();
        const QString t = sense ? sense->entry() : QString();
        return t.contains(QChar(0xFF08)) && t.contains(QLatin1Char(')'));
    });
}

void DictionaryWindowController::showUnmatchedBracketsC(NBOutlineView* view) {
    const QRegularExpression opening(QStringLiteral("^\\("), QRegularExpression::CaseInsensitiveOption);
    if (!opening.isValid()) {
        TSLogError("Error making regex %@", opening.pattern());
        return;
    }
    showListing(view, [&](const DictionaryEntry& e) { return e.containsRegexMeaning(opening, DictionaryEntry::Meaning); });
}

// ---- The vocabulary and the paradigm tables ----

bool DictionaryWindowController::getUninflectedForm(DictionaryEntryPtr* form, DictionaryEntryList* meanings) const {
    const int active = getActiveTab();
    NBOutlineView* view = active == 1 ? latinWordList : active == 0 ? englishWordList : nullptr;
    if (!view) {
        TSLogError("default case at getCurrentView");
        return false;
    }
    DictionaryEntryModel* m = modelForView(view);
    QModelIndexList rows = view->selectionModel() ? view->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) return false;
    // Row order as shown, whatever order they were selected in.
    std::sort(rows.begin(), rows.end(), [view](const QModelIndex& a, const QModelIndex& b) {
        return view->visualRect(a).top() < view->visualRect(b).top();
    });
    DictionaryEntryPtr first = m->entryPtrAt(rows.first());
    *form = first ? first->findUninflectedForm(true) : nullptr;
    meanings->clear();
    for (const QModelIndex& r : rows)
        if (DictionaryEntryPtr e = m->entryPtrAt(r); e && e->type() == DictionaryEntry::Meaning) meanings->push_back(e);
    // A headword chosen without any of its meanings stands for all of them:
    // a word with an empty meaning is of no use in a vocabulary.
    if (meanings->empty() && first)
        for (const DictionaryEntryPtr& child : first->visibleChildren())
            if (child && child->type() == DictionaryEntry::Meaning) meanings->push_back(child);
    return true;
}

void DictionaryWindowController::loadUninflectedForm(const DictionaryEntryPtr& form, const DictionaryEntryList& meanings,
                                                     WordPtr& word, const WordControllerPtr& list) {
    if (!form || !word) return;
    // The same word the word-form list builds from the entry, so that the
    // tables show what marking and the searches read.
    const EntryWord::Result entryWord = EntryWord::fromEntry(*form);
    const WordPtr& made = entryWord.word;
    word->setLatin(made ? made->latin() : entryWord.parts);
    const qint64 type = made ? made->getWordType() : form->type();
    WordPtr retyped = list ? list->changeWordType(type, word) : WordController::retypedCopy(type, word);
    if (retyped) word = retyped;
    word->setConjugation(made ? made->conjugation() : form->conjugation());
    word->setGender(made ? made->gender() : form->gender());
    if (made && made->transIntrans()) word->setTransIntrans(made->transIntrans());
    QStringList texts;
    for (const auto& m : meanings) texts << m->entry();
    word->setMeaning(texts.join(QLatin1Char('\r')));
}

void DictionaryWindowController::addToVocab() {
    DictionaryEntryPtr form;
    DictionaryEntryList meanings;
    if (!getUninflectedForm(&form, &meanings) || !form) return;
    const WordPtr original = currentVocab_;
    WordPtr word = currentVocab_;
    if (!word) {
        if (!currentWordList_) return;
        word = currentWordList_->makeNewWord(form->entry());
        if (!word) return;
    }
    loadUninflectedForm(form, meanings, word, currentWordList_);
    // The meaning and forms were set on the word itself: the list must still
    // tell its document that there is a change to save.
    if (currentWordList_ && currentWordList_->isAMemberOfList(word)) currentWordList_->setDirtyFlag();
    ts::ValueDictionary info;
    info[QStringLiteral("object")] = ts::Value(std::static_pointer_cast<ts::Object>(word));
    if (original) info[QStringLiteral("Original Word")] = ts::Value(std::static_pointer_cast<ts::Object>(original));
    auto& center = ts::NotificationCenter::defaultCenter();
    center.post(QStringLiteral("WordChangedNotification"), word.get(), info);
    center.post(QStringLiteral("Bring vocab window to front"), this);
    // The vocabulary window may never have been opened: say here what was added.
    statusBar()->showMessage(nr("“%1” added to the vocabulary").arg(word->latin()));
}

void DictionaryWindowController::openConjugationWindow() {
    WordPtr word = std::make_shared<Word>();
    DictionaryEntryPtr form;
    DictionaryEntryList meanings;
    if (getUninflectedForm(&form, &meanings)) {
        loadUninflectedForm(form, meanings, word, currentWordList_);
    } else {
        NBOutlineView* view = getActiveTab() == 1 ? latinWordList : englishWordList;
        DictionaryEntryPtr root = getWordListForView(view);
        if (!root) return;
        loadUninflectedForm(root->findUninflectedForm(false), {}, word, currentWordList_);
    }
    ConjugationWindowController::openConjugationWindow(word, this);
}
